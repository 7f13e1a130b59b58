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

// Converts one decoded frame into the device's format in the audio buffer; the size
// in bytes, or -1 when it cannot be converted.
int ConvertFrame(TPlayContext& is, const AVFrame* frame) {
    const auto format = static_cast<AVSampleFormat>(frame->format);
    if (!is.Audio.Resampler || format != is.Audio.ResamplerFormat ||
        frame->sample_rate != is.Audio.ResamplerRate ||
        ff::av_channel_layout_compare(&frame->ch_layout, &is.Audio.ResamplerLayout) != 0) {
        is.Audio.Resampler.reset();
        AVChannelLayout out_layout{};
        ff::av_channel_layout_default(&out_layout, is.Audio.DeviceFormat.channels);
        SwrContext* allocated = nullptr;
        const int set = ff::swr_alloc_set_opts2(&allocated, &out_layout, AV_SAMPLE_FMT_S16,
                                                is.Audio.DeviceFormat.freq,
                                                const_cast<AVChannelLayout*>(&frame->ch_layout),
                                                format, frame->sample_rate, 0, nullptr);
        ResamplerPtr resampler(allocated);
        const bool made = set >= 0 && ff::swr_init(resampler.get()) >= 0;
        ff::av_channel_layout_uninit(&out_layout);
        if (!made) {
            const char* from = ff::av_get_sample_fmt_name(format);
            is.Host->Report(Format("Cannot convert %s sample format to %s sample format",
                                   from != nullptr ? from : "unknown",
                                   ff::av_get_sample_fmt_name(AV_SAMPLE_FMT_S16)),
                            false);
            return -1;
        }
        is.Audio.Resampler = std::move(resampler);
        is.Audio.ResamplerFormat = format;
        is.Audio.ResamplerRate = frame->sample_rate;
        ff::av_channel_layout_uninit(&is.Audio.ResamplerLayout);
        ff::av_channel_layout_copy(&is.Audio.ResamplerLayout, &frame->ch_layout);
    }
    const int capacity = ff::swr_get_out_samples(is.Audio.Resampler.get(), frame->nb_samples);
    if (capacity < 0) {
        return -1;
    }
    // Room for the longest a sync correction may make the block.
    const auto frame_bytes = static_cast<size_t>(is.Audio.FrameBytes);  // two for each channel
    const size_t bytes = static_cast<size_t>(capacity) * frame_bytes * 11 / 10 + frame_bytes * 2;
    if (is.Audio.Buffer.size() < bytes) {
        is.Audio.Buffer.resize(bytes);
    }
    uint8_t* out = is.Audio.Buffer.data();
    const int converted =
        ff::swr_convert(is.Audio.Resampler.get(), &out, capacity,
                        const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    if (converted < 0) {
        is.Host->Report("av_audio_convert() failed", false);
        return -1;
    }
    return converted * is.Audio.FrameBytes;
}

// One block of sound in the audio buffer: its size, or -1 when there is none now
// (paused, nothing queued, or the end of the file).
int DecodeAudioBlock(TPlayContext& is) {
    AVCodecContext* decoder = is.Audio.Decoder.get();
    AVFrame* frame = is.Audio.Frame.get();
    for (;;) {
        if (is.Audio.PacketPending) {
            int size = 0;
            const TStageResult got = ReceiveFrames(decoder, frame, [&is, &size](AVFrame& decoded) {
                if (decoded.pts != AV_NOPTS_VALUE) {
                    is.AudioClockValue.store(static_cast<double>(decoded.pts) *
                                             av_q2d(is.Audio.Stream->time_base));
                }
                size = ConvertFrame(is, &decoded);
                return size <= 0;  // nothing to hear: on to the next frame
            });
            if (got.How == TReceived::Kept) {
                ff::av_frame_unref(frame);
                is.AudioClockValue.store(is.AudioClockValue.load() +
                                         static_cast<double>(size) / is.Audio.BytesPerSecond);
                return size;
            }
            if (got.Failed()) {
                FFLoggerInstance().Log(is.Player, llInfo, "avcodec_decode_audio2() failed");
            }
            is.Audio.PacketPending = false;
        }
        if (is.Paused.load() || is.Audio.Queue.Aborted()) {
            return -1;
        }
        TPacketQueue::TEntry entry;
        if (is.Audio.Queue.Get(entry, false) <= 0) {
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
        is.Audio.PacketPending = true;
    }
}

// Shortens or lengthens a block so that sound follows the video or the wall
// clock when one of those leads; the new size.
int CorrectLength(TPlayContext& is, int size) {
    const int sync = is.Settings.SyncMode;
    if (!((sync == 1 && is.Video.Index.load() >= 0) || sync == 2)) {
        return size;
    }
    const double diff = AudioClock(is) - MasterClock(is);
    if (std::fabs(diff) >= kNoSyncThreshold) {
        is.Audio.DiffCount = 0;
        is.Audio.DiffCumulative = 0.0;
        return size;
    }
    is.Audio.DiffCumulative = diff + is.Audio.DiffFactor * is.Audio.DiffCumulative;
    if (is.Audio.DiffCount < kAverageCount) {
        ++is.Audio.DiffCount;
        return size;
    }
    const double average = is.Audio.DiffCumulative * (1.0 - is.Audio.DiffFactor);
    if (std::fabs(average) < is.Audio.DiffThreshold) {
        return size;
    }
    const int64_t n = is.Audio.FrameBytes;
    int64_t wanted =
        size + static_cast<int64_t>(std::llround(diff * is.Audio.DeviceFormat.freq)) * n;
    const int64_t lowest = ((size / n) * 90 / 100) * n;
    const int64_t highest = ((size / n) * 110 / 100) * n;
    wanted = std::clamp(wanted, lowest, highest);
    wanted = std::min<int64_t>(wanted, static_cast<int64_t>(is.Audio.Buffer.size()));
    if (wanted > size) {
        const uint8_t* last = is.Audio.Buffer.data() + size - n;
        for (int64_t at = size; at + n <= wanted; at += n) {
            std::memcpy(is.Audio.Buffer.data() + at, last, static_cast<size_t>(n));
        }
    }
    return static_cast<int>(wanted);
}

void CopyToVisualisation(TPlayContext& is, int size) {
    if (is.Audio.Visualisation.size() != kVisualisationSamples) {
        return;
    }
    const auto* samples = reinterpret_cast<const int16_t*>(is.Audio.Buffer.data());
    const size_t count = static_cast<size_t>(size) / sizeof(int16_t);
    size_t at = is.Audio.VisualisationIndex.load();
    for (size_t i = 0; i < count; ++i) {
        is.Audio.Visualisation[at] = samples[i];
        at = (at + 1) % kVisualisationSamples;
    }
    is.Audio.VisualisationIndex.store(at);
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
    is.Audio.Frame.reset(ff::av_frame_alloc());
    if (!is.Audio.Frame || wanted.freq < kLowestSampleRate) {
        return false;
    }
    SDL_AudioSpec obtained{};
    // The device starts paused: nothing is pulled before the stream is set up.
    is.Audio.Device =
        ff::SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained,
                                SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (is.Audio.Device == 0) {
        return false;
    }
    is.Audio.DeviceFormat = obtained;
    is.Audio.FrameBytes = 2 * obtained.channels;
    is.Audio.BytesPerSecond = obtained.freq * is.Audio.FrameBytes;
    is.Audio.Visualisation.assign(kVisualisationSamples, 0);
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
        if (is.Audio.BlockIndex.load() >= is.Audio.BlockSize.load()) {
            const int size = DecodeAudioBlock(is);
            if (is.Audio.Queue.Aborted()) {
                break;
            }
            if (size < 0) {
                is.Audio.Block = kSilence;
                is.Audio.BlockSilent.store(true);
                is.Audio.BlockSize.store(kSilenceBytes);
            } else {
                if (is.ShowMode.load() != 0) {
                    CopyToVisualisation(is, size);
                }
                is.Audio.Block = is.Audio.Buffer.data();
                is.Audio.BlockSilent.store(false);
                is.Audio.BlockSize.store(CorrectLength(is, size));
            }
            is.Audio.BlockIndex.store(0);
        }
        const int index = is.Audio.BlockIndex.load();
        const int n = std::min(len, is.Audio.BlockSize.load() - index);
        if (!is.Player->Mute()) {
            ff::SDL_MixAudioFormat(stream, is.Audio.Block + index, AUDIO_S16SYS,
                                   static_cast<Uint32>(n),
                                   static_cast<int>(is.Player->AudioVolume()));
        }
        is.Audio.BlockIndex.store(index + n);
        stream += n;
        len -= n;
    }
}

// ---------------------------------------------------------------------------
// Clocks

double AudioClock(TPlayContext& is) {
    double clock = is.AudioClockValue.load();
    if (is.Audio.Index.load() < 0) {
        return clock;
    }
    const double rate = is.Audio.BytesPerSecond;
    const int unplayed = is.Audio.BlockSilent.load()
                             ? 0
                             : std::max(0, is.Audio.BlockSize.load() - is.Audio.BlockIndex.load());
    // What the callback has handed over is heard one device buffer later.
    const double device = static_cast<double>(is.Audio.DeviceFormat.size) / rate;
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
    const bool has_audio = is.Audio.Index.load() >= 0;
    const bool has_video = is.Video.Index.load() >= 0;
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
        is.Settings.SyncMode == 1 || (is.Settings.SyncMode == 0 && is.Audio.Index.load() < 0);
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
