// The audio output path: volume, the resampler and sample-format converter,
// audio sync, the encoder-side FIFO cut into encoder frames, encoding, and
// WriteFrame, the single exit of every packet.

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "CodecStages.h"
#include "FFmpegTranscoder.h"
#include "Format.h"
#include "libavutil_error.h"

namespace v2m::engine {

namespace {

__extension__ typedef __int128 Int128;

// Integer samples: (sample x volume + 128) >> 8, clamped to [low, high].
template <typename Sample, typename Wide>
void ScaleIntegers(uint8_t* data, int count, int volume, Wide low, Wide high) {
    auto* samples = reinterpret_cast<Sample*>(data);
    for (int i = 0; i < count; ++i) {
        const Wide scaled = (static_cast<Wide>(samples[i]) * volume + 128) >> 8;
        samples[i] = static_cast<Sample>(std::clamp(scaled, low, high));
    }
}

template <typename Sample>
void ScaleFloats(uint8_t* data, int count, Sample factor) {
    auto* samples = reinterpret_cast<Sample*>(data);
    for (int i = 0; i < count; ++i) {
        samples[i] = std::clamp(samples[i] * factor, Sample{-1}, Sample{1});
    }
}

void ScaleUnsigned8(uint8_t* data, int count, int volume) {
    for (int i = 0; i < count; ++i) {
        const int scaled = ((static_cast<int>(data[i]) - 128) * volume + 128) >> 8;
        data[i] = static_cast<uint8_t>(std::clamp(scaled, -128, 127) + 128);
    }
}

bool FixedFrames(const AVCodecContext* enc) {
    return enc->frame_size > 1 &&
           (enc->codec == nullptr ||
            (enc->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) == 0);
}

// The layout to resample from or to: a layout that names only its channel
// count is taken as the usual one for that count.
void UsableLayout(AVChannelLayout& layout, const AVChannelLayout& given) {
    if (given.order == AV_CHANNEL_ORDER_UNSPEC) {
        ff::av_channel_layout_default(&layout, given.nb_channels);
    } else if (const int error = ff::av_channel_layout_copy(&layout, &given); error < 0) {
        throw LibraryCallFailed("av_channel_layout_copy", error);
    }
}

// Mono goes unchanged to the front pair (to every channel of a layout
// without one).
std::vector<double> MonoUpmix(const AVChannelLayout& out) {
    std::vector<double> matrix(static_cast<size_t>(out.nb_channels), 0.0);
    bool front_pair = false;
    for (unsigned c = 0; c < matrix.size(); ++c) {
        const AVChannel channel = ff::av_channel_layout_channel_from_index(&out, c);
        if (channel == AV_CHAN_FRONT_LEFT || channel == AV_CHAN_FRONT_RIGHT) {
            matrix[c] = 1.0;
            front_pair = true;
        }
    }
    if (!front_pair) {
        std::fill(matrix.begin(), matrix.end(), 1.0);
    }
    return matrix;
}

uint64_t NativeMask(const AVChannelLayout& layout) {
    return layout.order == AV_CHANNEL_ORDER_NATIVE ? layout.u.mask : 0;
}

// A frame able to hold `samples` of the encoder's format; it only grows.
void EnsureCapacity(AVFrame* frame, int& capacity, const AVCodecContext* enc, int samples) {
    if (capacity >= samples && frame->format == enc->sample_fmt &&
        frame->ch_layout.nb_channels == enc->ch_layout.nb_channels) {
        return;
    }
    const int wanted = std::max(samples, capacity);
    ff::av_frame_unref(frame);
    frame->format = enc->sample_fmt;
    frame->sample_rate = enc->sample_rate;
    if (const int error = ff::av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout);
        error < 0) {
        throw LibraryCallFailed("av_channel_layout_copy", error);
    }
    frame->nb_samples = wanted;
    if (ff::av_frame_get_buffer(frame, 0) < 0) {
        capacity = 0;
        throw FFmpegException("Out of memory in do_audio_out");
    }
    capacity = wanted;
}

}  // namespace

void ApplyVolume(AVFrame* frame, int volume) {
    if (volume == 256) {
        return;
    }
    const auto format = static_cast<AVSampleFormat>(frame->format);
    const bool planar = ff::av_sample_fmt_is_planar(format) != 0;
    const int channels = frame->ch_layout.nb_channels;
    const int planes = planar ? channels : 1;
    const int count = frame->nb_samples * (planar ? 1 : channels);
    const float float_factor = static_cast<float>(volume) / 256.0f;
    const double double_factor = static_cast<double>(volume) / 256.0;
    for (int p = 0; p < planes; ++p) {
        uint8_t* data = frame->extended_data[p];
        switch (format) {
            case AV_SAMPLE_FMT_U8:
            case AV_SAMPLE_FMT_U8P:
                ScaleUnsigned8(data, count, volume);
                break;
            case AV_SAMPLE_FMT_S16:
            case AV_SAMPLE_FMT_S16P:
                ScaleIntegers<int16_t, int64_t>(data, count, volume, INT16_MIN, INT16_MAX);
                break;
            case AV_SAMPLE_FMT_S32:
            case AV_SAMPLE_FMT_S32P:
                ScaleIntegers<int32_t, int64_t>(data, count, volume, INT32_MIN, INT32_MAX);
                break;
            case AV_SAMPLE_FMT_S64:
            case AV_SAMPLE_FMT_S64P:
                ScaleIntegers<int64_t, Int128>(data, count, volume, INT64_MIN, INT64_MAX);
                break;
            case AV_SAMPLE_FMT_FLT:
            case AV_SAMPLE_FMT_FLTP:
                ScaleFloats<float>(data, count, float_factor);
                break;
            case AV_SAMPLE_FMT_DBL:
            case AV_SAMPLE_FMT_DBLP:
                ScaleFloats<double>(data, count, double_factor);
                break;
            default:
                break;
        }
    }
}

namespace {

// The work buffers are sized from each block; a block whose resampled size
// does not fit the libraries' sizes is refused rather than overflowed.
void CheckAudioBufferSize(const AVCodecContext* enc, const AVFrame* frame, int64_t in_samples) {
    const int64_t osize = ff::av_get_bytes_per_sample(enc->sample_fmt);
    const int64_t out_samples =
        (in_samples * enc->sample_rate + frame->sample_rate) / frame->sample_rate * 2 + 10000;
    if (out_samples * osize * enc->ch_layout.nb_channels > INT_MAX) {
        throw FFmpegException("Buffer sizes too large in do_audio_out");
    }
}

}  // namespace

void TTranscoder::DoAudioOut(AVFormatContext* os, TTranscodeOutputStream& ost,
                             TTranscodeInputStream& ist, AVFrame* frame) {
    const AVCodecContext* enc = EncoderOf(ost);
    const int enc_rate = enc->sample_rate;
    const int in_channels = frame->ch_layout.nb_channels;
    if (in_channels <= 0 || frame->sample_rate <= 0 || enc_rate <= 0) {
        return;
    }
    int samples = frame->nb_samples;
    CheckAudioBufferSize(enc, frame, samples);

    if (enc->ch_layout.nb_channels != in_channels) {
        ost.AudioResample = 1;
    }
    PrepareResampler(ost, frame);

    const bool planar = ff::av_sample_fmt_is_planar(static_cast<AVSampleFormat>(frame->format));
    planes_.assign(frame->extended_data, frame->extended_data + (planar ? in_channels : 1));
    const int64_t fifo_samples = ff::av_audio_fifo_size(ost.Fifo.get());
    const double sync_ipts =
        static_cast<double>(ost.SyncInput->Pts - options_.StartTime) / 1000000.0;

    if (options_.AudioSyncMethod != 0) {
        // In output samples; a drop or pad moves whole sample frames of the input.
        const double delta = sync_ipts * enc_rate - static_cast<double>(ost.SyncOpts) -
                             static_cast<double>(fifo_samples);
        if (!KeepAudioInSync(os, ost, ist, frame, delta, samples)) {
            return;
        }
    } else {
        ost.SyncOpts = std::llround(sync_ipts * enc_rate) - fifo_samples;
    }

    PushSamples(os, ost, planes_.data(), samples, in_channels);
    EncodeFifo(os, ost);
}

bool TTranscoder::KeepAudioInSync(AVFormatContext* os, TTranscodeOutputStream& ost,
                                  TTranscodeInputStream& ist, AVFrame* frame, double delta,
                                  int& samples) {
    const AVCodecContext* enc = EncoderOf(ost);
    const int enc_rate = enc->sample_rate;
    const int in_rate = frame->sample_rate;
    if (std::fabs(delta) <= 50) {
        return true;
    }
    const auto sample_delta = static_cast<int64_t>(delta * in_rate / enc_rate);
    // Sample rates lie far below 2^24: a float holds them exactly.
    if (ist.IsStart != 0 ||
        std::fabs(delta) > options_.AudioDriftThreshold * static_cast<float>(enc_rate)) {
        if (sample_delta < 0) {
            const auto in_format = static_cast<AVSampleFormat>(frame->format);
            const bool planar = ff::av_sample_fmt_is_planar(in_format) != 0;
            const int drop = static_cast<int>(std::min<int64_t>(-sample_delta, samples));
            const size_t step = static_cast<size_t>(drop) *
                                static_cast<size_t>(ff::av_get_bytes_per_sample(in_format)) *
                                static_cast<size_t>(planar ? 1 : frame->ch_layout.nb_channels);
            for (const uint8_t*& plane : planes_) {
                plane += step;
            }
            samples -= drop;
            if (options_.Verbose > 2) {
                Log(llVerbose, Format("discarding %d audio samples", static_cast<int>(-delta)));
            }
            if (samples == 0) {
                return false;
            }
            ist.IsStart = 0;
        } else if (sample_delta > 0) {
            CheckAudioBufferSize(enc, frame, sample_delta + samples);
            ist.IsStart = 0;
            PushSilence(os, ost, frame, static_cast<int>(sample_delta));
            if (options_.Verbose > 2) {
                Log(llVerbose,
                    Format("adding %d audio samples of silence", static_cast<int>(delta)));
            }
        }
    } else if (options_.AudioSyncMethod > 1) {
        const int limit = options_.AudioSyncMethod;
        const int comp = std::clamp(static_cast<int>(delta), -limit, limit);
        if (options_.Verbose > 2) {
            Log(llVerbose, Format("compensating audio timestamp drift:%f compensation:%d in:%d",
                                  delta, comp, enc_rate));
        }
        if (ost.Resampler) {
            ff::swr_set_compensation(ost.Resampler.get(), comp, enc_rate);
        }
    }
    return true;
}

bool TTranscoder::PrepareResampler(TTranscodeOutputStream& ost, const AVFrame* frame) {
    const AVCodecContext* enc = EncoderOf(ost);
    const TResamplerInput wanted{frame->format, frame->sample_rate, frame->ch_layout.nb_channels,
                                 NativeMask(frame->ch_layout)};
    const bool needed = ost.AudioResample != 0 || frame->format != enc->sample_fmt;
    const bool same = ost.Resampler && ost.ResamplerInput.Format == wanted.Format &&
                      ost.ResamplerInput.Rate == wanted.Rate &&
                      ost.ResamplerInput.Channels == wanted.Channels &&
                      ost.ResamplerInput.Mask == wanted.Mask;
    if (same && needed) {
        return true;
    }
    if (ost.Resampler) {
        // The decoded audio changed (a broadcast switching from 2.0 to 5.1, say):
        // what the old converter still holds goes out first, then a new one
        // takes the new parameters.
        DrainResampler(ost);
        ost.Resampler.reset();
        Log(llVerbose,
            Format("Audio of output stream #%d.%d now comes as %d channels @ %d Hz (%s)",
                   ost.FileIndex, ost.StreamIndex, wanted.Channels, wanted.Rate,
                   ff::av_get_sample_fmt_name(static_cast<AVSampleFormat>(wanted.Format))));
    }
    if (!needed) {
        return false;
    }

    AVChannelLayout out_layout{};
    AVChannelLayout in_layout{};
    UsableLayout(out_layout, enc->ch_layout);
    // Equal counts keep each channel where it is, whatever the layouts call them.
    UsableLayout(in_layout, frame->ch_layout.nb_channels == enc->ch_layout.nb_channels
                                ? out_layout
                                : frame->ch_layout);
    SwrContext* made = nullptr;
    int result = ff::swr_alloc_set_opts2(&made, &out_layout, enc->sample_fmt, enc->sample_rate,
                                         &in_layout, static_cast<AVSampleFormat>(frame->format),
                                         frame->sample_rate, 0, nullptr);
    ResamplerPtr resampler(made);
    ff::av_channel_layout_uninit(&in_layout);
    if (result >= 0) {
        ff::av_opt_set_int(made, "filter_size", 16, 0);
        ff::av_opt_set_int(made, "phase_shift", 10, 0);
        ff::av_opt_set_int(made, "linear_interp", 0, 0);
        ff::av_opt_set(made, "cutoff", "0.8", 0);
        // Channels are mixed as the engine always mixed them: mono is copied to
        // every channel, and a mix never adds up to more than full scale
        // (stereo to mono is the mean, a tone present on every channel keeps
        // its level).
        ff::av_opt_set(made, "rematrix_maxval", "1", 0);
        if (frame->ch_layout.nb_channels == 1 && out_layout.nb_channels > 1) {
            result = ff::swr_set_matrix(made, MonoUpmix(out_layout).data(), 1);
        }
        if (result >= 0) {
            result = ff::swr_init(made);
        }
    }
    ff::av_channel_layout_uninit(&out_layout);
    if (result < 0) {
        if (ost.AudioResample != 0) {
            throw FFmpegException(
                Format("Can not resample %d channels @ %d Hz to %d channels @ %d Hz",
                       frame->ch_layout.nb_channels, frame->sample_rate, enc->ch_layout.nb_channels,
                       enc->sample_rate));
        }
        throw FFmpegException(
            Format("Cannot convert %s sample format to %s sample format",
                   ff::av_get_sample_fmt_name(static_cast<AVSampleFormat>(frame->format)),
                   ff::av_get_sample_fmt_name(enc->sample_fmt)));
    }
    ost.Resampler = std::move(resampler);
    ost.ResamplerInput = wanted;
    if (ost.AudioResample == 0) {
        ost.ReformatPair = enc->sample_fmt + 5 * frame->format;
    }
    return true;
}

void TTranscoder::PushSamples(AVFormatContext*, TTranscodeOutputStream& ost,
                              const uint8_t* const* data, int samples, int) {
    if (samples <= 0) {
        return;
    }
    if (!ost.Resampler) {
        if (ff::av_audio_fifo_write(ost.Fifo.get(),
                                    reinterpret_cast<void**>(const_cast<uint8_t**>(data)),
                                    samples) < samples) {
            throw FFmpegException("av_fifo_realloc2() failed");
        }
        return;
    }
    const AVCodecContext* enc = EncoderOf(ost);
    const int room = ff::swr_get_out_samples(ost.Resampler.get(), samples);
    int converted = room;
    if (room >= 0) {
        EnsureCapacity(resampled_.get(), resampled_capacity_, enc, room);
        converted =
            ff::swr_convert(ost.Resampler.get(), resampled_->extended_data, resampled_capacity_,
                            const_cast<const uint8_t**>(data), samples);
    }
    if (converted < 0) {
        // The block is lost; the run goes on unless every error must end it.
        if (options_.ExitOnError) {
            throw FFmpegException("av_audio_convert() failed");
        }
        Log(llError, "av_audio_convert() failed");
        return;
    }
    if (converted > 0 &&
        ff::av_audio_fifo_write(ost.Fifo.get(), reinterpret_cast<void**>(resampled_->extended_data),
                                converted) < converted) {
        throw FFmpegException("av_fifo_realloc2() failed");
    }
}

void TTranscoder::PushSilence(AVFormatContext* os, TTranscodeOutputStream& ost, const AVFrame* like,
                              int samples) {
    // Padding is rare (a late start, a gap): its buffer is made for the occasion.
    FramePtr silence(ff::av_frame_alloc());
    if (!silence) {
        throw FFmpegException("Out of memory in do_audio_out");
    }
    silence->format = like->format;
    silence->sample_rate = like->sample_rate;
    silence->nb_samples = samples;
    if (ff::av_channel_layout_copy(&silence->ch_layout, &like->ch_layout) < 0 ||
        ff::av_frame_get_buffer(silence.get(), 0) < 0) {
        throw FFmpegException("Out of memory in do_audio_out");
    }
    const int channels = like->ch_layout.nb_channels;
    ff::av_samples_set_silence(silence->extended_data, 0, samples, channels,
                               static_cast<AVSampleFormat>(like->format));
    const bool planar = ff::av_sample_fmt_is_planar(static_cast<AVSampleFormat>(like->format)) != 0;
    std::vector<const uint8_t*> planes(silence->extended_data,
                                       silence->extended_data + (planar ? channels : 1));
    PushSamples(os, ost, planes.data(), samples, channels);
}

void TTranscoder::DrainResampler(TTranscodeOutputStream& ost) {
    SwrContext* resampler = ost.Resampler.get();
    if (resampler == nullptr) {
        return;
    }
    const AVCodecContext* enc = EncoderOf(ost);
    for (;;) {
        const int room = ff::swr_get_out_samples(resampler, 0);
        if (room <= 0) {
            return;
        }
        EnsureCapacity(resampled_.get(), resampled_capacity_, enc, room);
        const int converted =
            ff::swr_convert(resampler, resampled_->extended_data, resampled_capacity_, nullptr, 0);
        if (converted <= 0) {
            return;
        }
        if (ff::av_audio_fifo_write(ost.Fifo.get(),
                                    reinterpret_cast<void**>(resampled_->extended_data),
                                    converted) < converted) {
            throw FFmpegException("av_fifo_realloc2() failed");
        }
    }
}

void TTranscoder::EncodeFifo(AVFormatContext* os, TTranscodeOutputStream& ost) {
    const AVCodecContext* enc = EncoderOf(ost);
    if (FixedFrames(enc)) {
        while (ff::av_audio_fifo_size(ost.Fifo.get()) >= enc->frame_size) {
            EncodeSamples(os, ost, enc->frame_size, enc->frame_size);
        }
        return;
    }
    // PCM and the like take every block as it is.
    const int samples = ff::av_audio_fifo_size(ost.Fifo.get());
    if (samples > 0) {
        EncodeSamples(os, ost, samples, samples);
    }
}

void TTranscoder::EncodeFifoRemainder(AVFormatContext* os, TTranscodeOutputStream& ost) {
    DrainResampler(ost);
    EncodeFifo(os, ost);
    const AVCodecContext* enc = EncoderOf(ost);
    const int left = ff::av_audio_fifo_size(ost.Fifo.get());
    if (left > 0) {
        // A whole frame of silence-padded samples where the encoder takes no
        // short last frame.
        const bool short_frame = enc->codec != nullptr &&
                                 (enc->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) != 0;
        EncodeSamples(os, ost, left, short_frame ? left : enc->frame_size);
    }
    SendToEncoder(os, ost, nullptr);
}

void TTranscoder::EncodeSamples(AVFormatContext* os, TTranscodeOutputStream& ost, int samples,
                                int padded) {
    const AVCodecContext* enc = EncoderOf(ost);
    AVFrame* frame = encode_frame_.get();
    EnsureCapacity(frame, encode_capacity_, enc, padded);
    // An encoder may still hold the last frame's buffer; a new one is made then.
    frame->nb_samples = encode_capacity_;
    if (const int error = ff::av_frame_make_writable(frame); error < 0) {
        throw LibraryCallFailed("av_frame_make_writable", error);
    }
    frame->nb_samples = padded;
    if (ff::av_audio_fifo_read(ost.Fifo.get(), reinterpret_cast<void**>(frame->extended_data),
                               samples) < samples) {
        throw FFmpegException("Audio encoding failed");
    }
    if (padded > samples) {
        ff::av_samples_set_silence(frame->extended_data, samples, padded - samples,
                                   enc->ch_layout.nb_channels, enc->sample_fmt);
    }
    frame->pts = ff::av_rescale_q(ost.EncoderPts, AVRational{1, enc->sample_rate}, enc->time_base);
    SendToEncoder(os, ost, frame);
    ost.EncoderPts += padded;
    ost.SyncOpts += padded;
    ++ost.FrameNumber;
}

void TTranscoder::SendToEncoder(AVFormatContext* os, TTranscodeOutputStream& ost,
                                const AVFrame* frame) {
    AVCodecContext* enc = EncoderOf(ost);
    const TStageResult result = EncodeFrame(enc, frame, out_packet_.get(), [&](AVPacket& packet) {
        state_.AudioSize += packet.size;
        if (ost.LogFile && enc->stats_out != nullptr) {
            ff::fputs(enc->stats_out, ost.LogFile.get());
        }
        packet.stream_index = ost.StreamIndex;
        packet.flags |= AV_PKT_FLAG_KEY;
        WriteFrame(os, &packet, enc, ChainOf(ost), ost);
    });
    if (result.Failed()) {
        throw FFmpegException("Audio encoding failed");
    }
}

void TTranscoder::WriteFrame(AVFormatContext* os, AVPacket* packet, AVCodecContext* avctx,
                             TBitstreamFilterChain& chain, TTranscodeOutputStream& ost) {
    if (chain.empty()) {
        WritePacket(os, packet, ost);
        return;
    }
    FilterPacket(os, packet, avctx, chain, 0, ost);
}

void TTranscoder::FilterPacket(AVFormatContext* os, AVPacket* packet, AVCodecContext* avctx,
                               TBitstreamFilterChain& chain, size_t index,
                               TTranscodeOutputStream& ost) {
    if (index == chain.size()) {
        WritePacket(os, packet, ost);
        return;
    }
    AVBSFContext* filter = chain[index].get();
    const int stream_index = packet->stream_index;
    auto failed = [&](int code) {
        const std::string text = AVErrorText(
            Format("%s failed for stream %d, codec %s", filter->filter->name, stream_index,
                   avctx != nullptr && avctx->codec != nullptr ? avctx->codec->name : "copy"),
            code);
        if (options_.ExitOnError) {
            throw FFmpegException(text);
        }
        Log(llError, text);
    };
    const int sent = ff::av_bsf_send_packet(filter, packet);
    if (sent < 0) {
        ff::av_packet_unref(packet);
        failed(sent);
        return;
    }
    AVPacket* out = filtered_[index].get();
    for (;;) {
        const int received = ff::av_bsf_receive_packet(filter, out);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
            return;
        }
        if (received < 0) {
            failed(received);
            return;
        }
        FilterPacket(os, out, avctx, chain, index + 1, ost);
        ff::av_packet_unref(out);
    }
}

void TTranscoder::WritePacket(AVFormatContext* os, AVPacket* packet, TTranscodeOutputStream& ost) {
    ff::av_packet_rescale_ts(packet, ost.PacketTimeBase, ost.Stream->time_base);
    packet->stream_index = ost.StreamIndex;
    const int64_t start = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (start != AV_NOPTS_VALUE) {
        const int64_t end = start + std::max<int64_t>(packet->duration, 0);
        int64_t& running = ost.Output->RunningPts;
        if (running == AV_NOPTS_VALUE || end > running) {
            running = end;
        }
    }
    int written = ff::av_interleaved_write_frame(os, packet);
    // A write the byte stream refused (a full disk) ends the task now, not
    // after the whole input has been converted into nothing.
    if (written >= 0 && os->pb != nullptr && os->pb->error < 0) {
        written = os->pb->error;
    }
    if (written < 0) {
        throw FFmpegException(AVErrorText("av_interleaved_write_frame()", written));
    }
}

}  // namespace v2m::engine
