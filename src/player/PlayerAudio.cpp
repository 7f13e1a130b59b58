// Sound: SDL pulls blocks through the callback, which decodes, converts to
// the device's format, corrects the length when another clock leads, and mixes
// at the player's volume. Also the clocks every picture is timed against.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "CodecStages.h"
#include "FFmpegLoader.h"
#include "FFmpegLogger.h"
#include "Format.h"
#include "PlayerContext.h"
#include "libavutil_error.h"

namespace v2m {

namespace {

constexpr int kSilenceBytes = 1024;
const uint8_t kSilence[kSilenceBytes] = {};
constexpr double kNoSyncThreshold = 10.0;
constexpr int kAverageCount = 20;

// Converts one decoded frame into the device's format in AudioBuffer; the size
// in bytes, or -1 when it cannot be converted.
int ConvertFrame(TPlayContext& is, const AVFrame* frame) {
    const auto format = static_cast<AVSampleFormat>(frame->format);
    if (!is.Resampler || format != is.ResamplerFormat || frame->sample_rate != is.ResamplerRate ||
        ff::av_channel_layout_compare(&frame->ch_layout, &is.ResamplerLayout) != 0) {
        is.Resampler.reset();
        AVChannelLayout out_layout{};
        ff::av_channel_layout_default(&out_layout, is.AudioSpec.channels);
        SwrContext* allocated = nullptr;
        const int set =
            ff::swr_alloc_set_opts2(&allocated, &out_layout, AV_SAMPLE_FMT_S16, is.AudioSpec.freq,
                                    const_cast<AVChannelLayout*>(&frame->ch_layout), format,
                                    frame->sample_rate, 0, nullptr);
        ResamplerPtr resampler(allocated);
        const bool made = set >= 0 && ff::swr_init(resampler.get()) >= 0;
        ff::av_channel_layout_uninit(&out_layout);
        if (!made) {
            const char* from = ff::av_get_sample_fmt_name(format);
            TPlayerInternals::Report(*is.Player,
                                     Format("Cannot convert %s sample format to %s sample format",
                                            from != nullptr ? from : "unknown",
                                            ff::av_get_sample_fmt_name(AV_SAMPLE_FMT_S16)),
                                     false);
            return -1;
        }
        is.Resampler = std::move(resampler);
        is.ResamplerFormat = format;
        is.ResamplerRate = frame->sample_rate;
        ff::av_channel_layout_uninit(&is.ResamplerLayout);
        ff::av_channel_layout_copy(&is.ResamplerLayout, &frame->ch_layout);
    }
    const int capacity = ff::swr_get_out_samples(is.Resampler.get(), frame->nb_samples);
    if (capacity < 0) {
        return -1;
    }
    // Room for the longest a sync correction may make the block.
    const size_t bytes = static_cast<size_t>(capacity) * is.AudioFrameBytes * 11 / 10 +
                         static_cast<size_t>(is.AudioFrameBytes) * 2;
    if (is.AudioBuffer.size() < bytes) {
        is.AudioBuffer.resize(bytes);
    }
    uint8_t* out = is.AudioBuffer.data();
    const int converted =
        ff::swr_convert(is.Resampler.get(), &out, capacity,
                        const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    if (converted < 0) {
        TPlayerInternals::Report(*is.Player, "av_audio_convert() failed", false);
        return -1;
    }
    return converted * is.AudioFrameBytes;
}

// One block of sound in AudioBuffer: its size, or -1 when there is none now
// (paused, nothing queued, or the end of the file).
int DecodeAudioBlock(TPlayContext& is) {
    AVCodecContext* decoder = is.AudioDecoder.get();
    AVFrame* frame = is.AudioFrame.get();
    for (;;) {
        if (is.AudioPacketPending) {
            int size = 0;
            const TStageResult got = ReceiveFrames(decoder, frame, [&is, &size](AVFrame& decoded) {
                if (decoded.pts != AV_NOPTS_VALUE) {
                    is.AudioClockValue.store(static_cast<double>(decoded.pts) *
                                             av_q2d(is.AudioStream->time_base));
                }
                size = ConvertFrame(is, &decoded);
                return size <= 0;  // nothing to hear: on to the next frame
            });
            if (got.How == TReceived::Kept) {
                ff::av_frame_unref(frame);
                is.AudioClockValue.store(is.AudioClockValue.load() +
                                         static_cast<double>(size) / is.AudioBytesPerSecond);
                return size;
            }
            if (got.Failed()) {
                FFLoggerInstance().Log(is.Player, llInfo, "avcodec_decode_audio2() failed");
            }
            is.AudioPacketPending = false;
        }
        if (is.Paused.load() || is.AudioQueue.Aborted()) {
            return -1;
        }
        TPacketQueue::TEntry entry;
        if (is.AudioQueue.Get(entry, false) <= 0) {
            return -1;
        }
        if (entry.Flush) {
            ff::avcodec_flush_buffers(decoder);
            continue;
        }
        const bool drain = entry.Packet->data == nullptr;
        const int sent = SendPacket(decoder, drain ? nullptr : entry.Packet.get());
        if (sent < 0 && sent != AVERROR(EAGAIN)) {
            FFLoggerInstance().Log(is.Player, llInfo, "avcodec_decode_audio2() failed");
        }
        is.AudioPacketPending = true;
    }
}

// Shortens or lengthens a block so that sound follows the video or the wall
// clock when one of those leads; the new size.
int CorrectLength(TPlayContext& is, int size) {
    const int sync = is.Settings.SyncMode;
    if (!((sync == 1 && is.VideoIndex.load() >= 0) || sync == 2)) {
        return size;
    }
    const double diff = AudioClock(is) - MasterClock(is);
    if (std::fabs(diff) >= kNoSyncThreshold) {
        is.AudioDiffCount = 0;
        is.AudioDiffCumulative = 0.0;
        return size;
    }
    is.AudioDiffCumulative = diff + is.AudioDiffFactor * is.AudioDiffCumulative;
    if (is.AudioDiffCount < kAverageCount) {
        ++is.AudioDiffCount;
        return size;
    }
    const double average = is.AudioDiffCumulative * (1.0 - is.AudioDiffFactor);
    if (std::fabs(average) < is.AudioDiffThreshold) {
        return size;
    }
    const int64_t n = is.AudioFrameBytes;
    int64_t wanted = size + static_cast<int64_t>(std::llround(diff * is.AudioSpec.freq)) * n;
    const int64_t lowest = ((size / n) * 90 / 100) * n;
    const int64_t highest = ((size / n) * 110 / 100) * n;
    wanted = std::clamp(wanted, lowest, highest);
    wanted = std::min<int64_t>(wanted, static_cast<int64_t>(is.AudioBuffer.size()));
    if (wanted > size) {
        const uint8_t* last = is.AudioBuffer.data() + size - n;
        for (int64_t at = size; at + n <= wanted; at += n) {
            std::memcpy(is.AudioBuffer.data() + at, last, static_cast<size_t>(n));
        }
    }
    return static_cast<int>(wanted);
}

void CopyToVisualisation(TPlayContext& is, int size) {
    if (is.Visualisation.size() != kVisualisationSamples) {
        return;
    }
    const auto* samples = reinterpret_cast<const int16_t*>(is.AudioBuffer.data());
    const size_t count = static_cast<size_t>(size) / sizeof(int16_t);
    size_t at = is.VisualisationIndex.load();
    for (size_t i = 0; i < count; ++i) {
        is.Visualisation[at] = samples[i];
        at = (at + 1) % kVisualisationSamples;
    }
    is.VisualisationIndex.store(at);
}

}  // namespace

bool OpenAudioDevice(TPlayContext& is, AVCodecContext* decoder) {
    SDL_AudioSpec wanted{};
    wanted.freq = decoder->sample_rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(std::clamp(decoder->ch_layout.nb_channels, 1, 2));
    wanted.silence = 0;
    // About a thirtieth of a second, a power of two: closing the device waits
    // for the buffer under way, so it stays short whatever the rate.
    wanted.samples = 512;
    while (wanted.samples < 4096 && wanted.samples * 2 <= wanted.freq / 30) {
        wanted.samples = static_cast<Uint16>(wanted.samples * 2);
    }
    wanted.callback = AudioCallback;
    wanted.userdata = &is;
    is.AudioFrame.reset(ff::av_frame_alloc());
    if (!is.AudioFrame || wanted.freq < kLowestSampleRate) {
        return false;
    }
    SDL_AudioSpec obtained{};
    // The device starts paused: nothing is pulled before the stream is set up.
    is.AudioDevice =
        ff::SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained,
                                SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (is.AudioDevice == 0) {
        return false;
    }
    is.AudioSpec = obtained;
    is.AudioFrameBytes = 2 * obtained.channels;
    is.AudioBytesPerSecond = obtained.freq * is.AudioFrameBytes;
    is.Visualisation.assign(kVisualisationSamples, 0);
    return true;
}

void AudioCallback(void* opaque, Uint8* stream, int len) {
    TPlayContext& is = *static_cast<TPlayContext*>(opaque);
    is.AudioCallbackTime.store(NowMicroseconds());
    // SDL hands over whatever the buffer held: silence first, then mix into it.
    std::memset(stream, 0, static_cast<size_t>(len));
    if (is.Stopping.load()) {
        return;
    }
    while (len > 0) {
        if (is.AudioBlockIndex.load() >= is.AudioBlockSize.load()) {
            const int size = DecodeAudioBlock(is);
            if (is.AudioQueue.Aborted()) {
                break;
            }
            if (size < 0) {
                is.AudioBlock = kSilence;
                is.AudioBlockSilent.store(true);
                is.AudioBlockSize.store(kSilenceBytes);
            } else {
                if (is.ShowMode.load() != 0) {
                    CopyToVisualisation(is, size);
                }
                is.AudioBlock = is.AudioBuffer.data();
                is.AudioBlockSilent.store(false);
                is.AudioBlockSize.store(CorrectLength(is, size));
            }
            is.AudioBlockIndex.store(0);
        }
        const int index = is.AudioBlockIndex.load();
        const int n = std::min(len, is.AudioBlockSize.load() - index);
        if (!is.Player->Mute()) {
            ff::SDL_MixAudioFormat(stream, is.AudioBlock + index, AUDIO_S16SYS,
                                   static_cast<Uint32>(n),
                                   static_cast<int>(is.Player->AudioVolume()));
        }
        is.AudioBlockIndex.store(index + n);
        stream += n;
        len -= n;
    }
}

// ---------------------------------------------------------------------------
// Clocks

double AudioClock(TPlayContext& is) {
    double clock = is.AudioClockValue.load();
    if (is.AudioIndex.load() < 0) {
        return clock;
    }
    const double rate = is.AudioBytesPerSecond;
    const int unplayed = is.AudioBlockSilent.load()
                             ? 0
                             : std::max(0, is.AudioBlockSize.load() - is.AudioBlockIndex.load());
    // What the callback has handed over is heard one device buffer later.
    const double device = static_cast<double>(is.AudioSpec.size) / rate;
    clock -= static_cast<double>(unplayed) / rate + device;
    if (!is.Paused.load() && is.AudioCallbackTime.load() != 0) {
        const double since =
            static_cast<double>(NowMicroseconds() - is.AudioCallbackTime.load()) / 1e6;
        clock += std::clamp(since, 0.0, device);
    }
    return clock;
}

double VideoClock(TPlayContext& is) {
    std::lock_guard lock(is.ClockMutex);
    if (is.Paused.load()) {
        return is.CurrentPts;
    }
    if (is.CurrentPtsDrift != 0.0) {
        return is.CurrentPtsDrift + NowSeconds();
    }
    return is.StartTime != AV_NOPTS_VALUE ? static_cast<double>(is.StartTime) / AV_TIME_BASE : 0.0;
}

double ExternalClockLocked(TPlayContext& is) {
    if (is.Paused.load()) {
        return is.ExternalBase;
    }
    return is.ExternalBase + static_cast<double>(NowMicroseconds() - is.ExternalBaseTime) * 1e-6;
}

double ExternalClock(TPlayContext& is) {
    std::lock_guard lock(is.ClockMutex);
    return ExternalClockLocked(is);
}

void ResetExternalClock(TPlayContext& is) {
    std::lock_guard lock(is.ClockMutex);
    is.ExternalBase =
        is.StartTime != AV_NOPTS_VALUE ? static_cast<double>(is.StartTime) / AV_TIME_BASE : 0.0;
    is.ExternalBaseTime = NowMicroseconds();
}

double MasterClock(TPlayContext& is) {
    const bool has_audio = is.AudioIndex.load() >= 0;
    const bool has_video = is.VideoIndex.load() >= 0;
    switch (is.Settings.SyncMode) {
        case 1:
            return has_video ? VideoClock(is) : AudioClock(is);
        case 2:
            return ExternalClock(is);
        default:
            return has_audio ? AudioClock(is) : VideoClock(is);
    }
}

// With the picture mutex held.
double PictureTargetTime(TPlayContext& is, double pts) {
    const bool video_leads =
        is.Settings.SyncMode == 1 || (is.Settings.SyncMode == 0 && is.AudioIndex.load() < 0);
    // The master clock is read before the clock lock is taken: it takes it too.
    const double master = video_leads ? 0.0 : MasterClock(is);
    const double video = video_leads ? 0.0 : VideoClock(is);
    std::lock_guard lock(is.ClockMutex);
    double delay = pts - is.FrameLastPts;
    if (is.FrameLastPts < 0.0 || delay <= 0.0 || delay >= 10.0) {
        delay = is.FrameLastDelay;
    } else {
        is.FrameLastDelay = delay;
    }
    is.FrameLastPts = pts;
    if (!video_leads) {
        const double diff = video - master;
        const double threshold = std::max(delay, 0.01);
        if (std::fabs(diff) < kNoSyncThreshold) {
            if (diff <= -threshold) {
                delay = 0.0;
            } else if (diff >= threshold) {
                delay = 2.0 * delay;
            }
        }
    }
    is.FrameTimer += delay;
    return is.FrameTimer;
}

}  // namespace v2m
