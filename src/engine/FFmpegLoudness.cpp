// The loudness measuring pass. Before the conversion proper, the source of the
// audio output is read once more, from its start, and measured as ITU-R
// BS.1770 (EBU R128) defines it: integrated loudness through the K-weighting
// and the two gates, and the true peak by 4x oversampling. The volume of the
// run is then set so that the conversion lands on the target loudness without
// its true peak passing the ceiling. The pass runs on the conversion's own
// thread, so pause, stop and progress work as in the main loop, and a failure
// fails the task like any other.
//
// libavfilter's meter measures the same, but its true-peak mode resamples all
// to 192 kHz, and even without that it costs more than twice what this does:
// the pass must stay a small part of the conversion.

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "FFmpegLoader.h"
#include "FFmpegTranscoder.h"
#include "Format.h"
#include "MediaOwners.h"
#include "StopRequest.h"
#include "UnicodeProtocol.h"
#include "libavutil_error.h"

namespace v2m {

void TCustomFFmpeg::ReportMeasuring(int64_t position) {
    TProgressCallback callback;
    {
        std::lock_guard lock(callback_mutex_);
        callback = progress_callback_;
    }
    if (!callback) {
        return;
    }
    const int64_t duration = ExpectedDuration();
    callback(this, 0, -1, -1, -1.0f, 0.0f, 0, position,
             duration > 0 ? duration + measured_span_ : duration);
}

namespace engine {

namespace {

// dBTP no normalised output may exceed.
constexpr double kLoudnessCeiling = -1.0;
// The meter's integrated loudness while no block has passed its absolute gate.
constexpr double kAbsoluteGate = -70.0;
// Gains beyond this would only amplify noise, or mute.
constexpr double kLargestGain = 60.0;
constexpr const char* kMeasureFailure = "Loudness cannot be measured: ";

struct TLoudness {
    double Integrated = kAbsoluteGate;  // LUFS
    double TruePeak = -HUGE_VAL;        // dBTP
};

// Decoded samples of one channel as -1..1, appended to x.
template <typename T>
void Append(const AVFrame* frame, int ch, double scale, double offset, std::vector<float>& x) {
    const bool planar =
        ff::av_sample_fmt_is_planar(static_cast<AVSampleFormat>(frame->format)) != 0;
    const int channels = frame->ch_layout.nb_channels;
    const auto* data = reinterpret_cast<const T*>(frame->extended_data[planar ? ch : 0]);
    const int step = planar ? 1 : channels;
    const int first = planar ? 0 : ch;
    for (int i = 0; i < frame->nb_samples; ++i) {
        x.push_back(
            static_cast<float>((static_cast<double>(data[first + i * step]) - offset) * scale));
    }
}

void AppendChannel(const AVFrame* frame, int ch, std::vector<float>& x) {
    switch (static_cast<AVSampleFormat>(frame->format)) {
        case AV_SAMPLE_FMT_U8:
        case AV_SAMPLE_FMT_U8P:
            Append<uint8_t>(frame, ch, 1.0 / 128.0, 128.0, x);
            break;
        case AV_SAMPLE_FMT_S16:
        case AV_SAMPLE_FMT_S16P:
            Append<int16_t>(frame, ch, 1.0 / 32768.0, 0.0, x);
            break;
        case AV_SAMPLE_FMT_S32:
        case AV_SAMPLE_FMT_S32P:
            Append<int32_t>(frame, ch, 1.0 / 2147483648.0, 0.0, x);
            break;
        case AV_SAMPLE_FMT_S64:
        case AV_SAMPLE_FMT_S64P:
            Append<int64_t>(frame, ch, 1.0 / 9223372036854775808.0, 0.0, x);
            break;
        case AV_SAMPLE_FMT_FLT:
        case AV_SAMPLE_FMT_FLTP:
            Append<float>(frame, ch, 1.0, 0.0, x);
            break;
        case AV_SAMPLE_FMT_DBL:
        case AV_SAMPLE_FMT_DBLP:
            Append<double>(frame, ch, 1.0, 0.0, x);
            break;
        default:
            throw FFmpegException(std::string(kMeasureFailure) + "unknown sample format");
    }
}

// The true peak by 4x oversampling (a windowed-sinc interpolator of 4 phases
// x 12 taps). The meter's own true-peak mode resamples everything to 192 kHz
// and would cost more than the conversion itself; here the interpolator only
// runs beside samples that are a local maximum within 6 dB of the peak so far,
// which is where a band-limited signal's peaks between samples lie.
class TTruePeakMeter {
public:
    TTruePeakMeter() {
        const double pi = std::acos(-1.0);
        for (int p = 0; p < kPhases; ++p) {
            for (int k = 0; k < kTaps; ++k) {
                const double t = static_cast<double>(p) / kPhases + kTaps / 2 - 1 - k;
                const double sinc = t == 0.0 ? 1.0 : std::sin(pi * t) / (pi * t);
                const double window = 0.5 + 0.5 * std::cos(pi * t / (kTaps / 2));
                taps_[static_cast<size_t>(p)][static_cast<size_t>(k)] = sinc * window;
            }
        }
    }

    void Add(const std::vector<std::vector<float>>& channels) {
        if (channels_.size() != channels.size()) {
            channels_.assign(channels.size(), {});
        }
        for (size_t ch = 0; ch < channels.size(); ++ch) {
            std::vector<float>& x = channels_[ch];
            const size_t carried = x.size();
            x.insert(x.end(), channels[ch].begin(), channels[ch].end());
            for (size_t n = carried; n < x.size(); ++n) {
                sample_peak_ = std::max(sample_peak_, std::abs(static_cast<double>(x[n])));
            }
            Scan(x);
        }
    }

    double PeakDb() const {
        const double peak = std::max(sample_peak_, between_peak_);
        return peak > 0.0 ? 20.0 * std::log10(peak) : -HUGE_VAL;
    }

private:
    static constexpr int kPhases = 4;
    static constexpr int kTaps = 12;
    static constexpr size_t kHalf = kTaps / 2;
    // Samples kept from one frame to the next, so no peak near a frame's
    // edge is missed.
    static constexpr size_t kCarry = kTaps + 2;

    // The value a quarter, a half or three quarters of the way from x[m] to x[m + 1].
    double Between(const std::vector<float>& x, size_t m, int p) const {
        double sum = 0.0;
        const auto& taps = taps_[static_cast<size_t>(p)];
        for (size_t k = 0; k < static_cast<size_t>(kTaps); ++k) {
            sum += taps[k] * x[m + 1 - kHalf + k];
        }
        return std::abs(sum);
    }

    void Scan(std::vector<float>& x) {
        if (x.size() < 2 * kCarry) {
            return;
        }
        for (size_t n = kHalf + 1; n + kHalf + 1 < x.size(); ++n) {
            const double here = std::abs(static_cast<double>(x[n]));
            if (here < std::abs(x[n - 1]) || here < std::abs(x[n + 1]) ||
                here < 0.5 * std::max(sample_peak_, between_peak_)) {
                continue;
            }
            for (int p = 1; p < kPhases; ++p) {
                between_peak_ = std::max({between_peak_, Between(x, n - 1, p), Between(x, n, p)});
            }
        }
        // What follows the last scanned sample starts the next round.
        x.erase(x.begin(), x.end() - static_cast<std::ptrdiff_t>(kCarry));
    }

    std::array<std::array<double, kTaps>, kPhases> taps_{};
    std::vector<std::vector<float>> channels_;
    double sample_peak_ = 0.0;
    double between_peak_ = 0.0;
};

// Integrated loudness: each channel K-weighted (a high shelf for the head,
// then a high-pass), its squares summed with the channel's weight into 100 ms
// steps; a block is four steps (400 ms, overlapping by 75 %); blocks under the
// absolute gate (-70 LUFS) and then under the relative gate (10 LU below the
// loudness of the remaining blocks) are left out.
class TIntegratedMeter {
public:
    void Add(const AVFrame* frame, const std::vector<std::vector<float>>& channels) {
        if (rate_ == 0) {
            Start(frame);
        }
        const size_t count = static_cast<size_t>(frame->nb_samples);
        squares_.assign(count, 0.0);
        for (size_t ch = 0; ch < channels.size() && ch < weights_.size(); ++ch) {
            if (weights_[ch] == 0.0) {
                continue;
            }
            // Both stages in one loop, in transposed direct form II: the
            // second stage's work on a sample overlaps the first's on the next.
            const TBiquad& f = stages_[0];
            const TBiquad& g = stages_[1];
            auto& state = states_[ch];
            double f1 = state[0][0], f2 = state[0][1], g1 = state[1][0], g2 = state[1][1];
            const float* x = channels[ch].data();
            const double weight = weights_[ch];
            for (size_t i = 0; i < count; ++i) {
                const double in = x[i];
                const double mid = f.b0 * in + f1;
                f1 = f.b1 * in - f.a1 * mid + f2;
                f2 = f.b2 * in - f.a2 * mid;
                const double out = g.b0 * mid + g1;
                g1 = g.b1 * mid - g.a1 * out + g2;
                g2 = g.b2 * mid - g.a2 * out;
                squares_[i] += weight * out * out;
            }
            state = {{{f1, f2}, {g1, g2}}};
        }
        for (size_t i = 0; i < count; ++i) {
            step_energy_ += squares_[i];
            if (++position_ == step_end_) {
                steps_.push_back({step_energy_, position_ - step_start_});
                step_energy_ = 0.0;
                step_start_ = position_;
                step_end_ = StepEnd(steps_.size());
            }
        }
    }

    // kAbsoluteGate when no block passes the gates (silence, or under 400 ms).
    double Integrated() const {
        std::vector<double> blocks;
        for (size_t j = 0; j + 4 <= steps_.size(); ++j) {
            double energy = 0.0;
            int64_t samples = 0;
            for (size_t k = j; k < j + 4; ++k) {
                energy += steps_[k].Energy;
                samples += steps_[k].Samples;
            }
            blocks.push_back(energy / static_cast<double>(samples));
        }
        const auto gated_mean = [&blocks](double gate) {
            double sum = 0.0;
            size_t passed = 0;
            for (const double block : blocks) {
                if (block > 0.0 && Lufs(block) > gate) {
                    sum += block;
                    ++passed;
                }
            }
            return passed == 0 ? 0.0 : sum / static_cast<double>(passed);
        };
        const double absolute = gated_mean(kAbsoluteGate);
        if (absolute <= 0.0) {
            return kAbsoluteGate;
        }
        return Lufs(gated_mean(Lufs(absolute) - 10.0));
    }

    bool Measured() const { return rate_ != 0; }

private:
    struct TBiquad {
        double b0, b1, b2, a1, a2;
    };
    struct TStep {
        double Energy;
        int64_t Samples;
    };

    static double Lufs(double power) { return -0.691 + 10.0 * std::log10(power); }

    // Steps end at whole samples nearest to each tenth of a second, so rates
    // that are no multiple of 10 lose nothing.
    int64_t StepEnd(size_t step) const { return static_cast<int64_t>(step + 1) * rate_ / 10; }

    void Start(const AVFrame* frame) {
        rate_ = frame->sample_rate;
        if (rate_ <= 0) {
            throw FFmpegException(std::string(kMeasureFailure) + "unknown sample rate");
        }
        step_end_ = StepEnd(0);
        // The analogue prototypes of the standard's 48 kHz coefficients,
        // through the bilinear transform at this rate.
        const double pi = std::acos(-1.0);
        double k = std::tan(pi * 1681.974450955533 / rate_);
        double q = 0.7071752369554196;
        const double vh = std::pow(10.0, 3.999843853973347 / 20.0);
        const double vb = std::pow(vh, 0.4996667741545416);
        double a0 = 1.0 + k / q + k * k;
        stages_[0] = {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0,
                      (vh - vb * k / q + k * k) / a0, 2.0 * (k * k - 1.0) / a0,
                      (1.0 - k / q + k * k) / a0};
        k = std::tan(pi * 38.13547087602444 / rate_);
        q = 0.5003270373238773;
        a0 = 1.0 + k / q + k * k;
        stages_[1] = {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};

        const int channels = frame->ch_layout.nb_channels;
        states_.assign(static_cast<size_t>(channels), {});
        weights_.assign(static_cast<size_t>(channels), 1.0);
        for (int ch = 0; ch < channels; ++ch) {
            switch (ff::av_channel_layout_channel_from_index(&frame->ch_layout,
                                                             static_cast<unsigned>(ch))) {
                case AV_CHAN_LOW_FREQUENCY:
                case AV_CHAN_LOW_FREQUENCY_2:
                    weights_[static_cast<size_t>(ch)] = 0.0;
                    break;
                case AV_CHAN_SIDE_LEFT:
                case AV_CHAN_SIDE_RIGHT:
                case AV_CHAN_BACK_LEFT:
                case AV_CHAN_BACK_RIGHT:
                    weights_[static_cast<size_t>(ch)] = 1.41;
                    break;
                default:
                    break;
            }
        }
    }

    int rate_ = 0;
    std::array<TBiquad, 2> stages_{};
    std::vector<std::array<std::array<double, 2>, 2>> states_;
    std::vector<double> weights_;
    std::vector<double> squares_;
    std::vector<TStep> steps_;
    double step_energy_ = 0.0;
    int64_t position_ = 0;
    int64_t step_start_ = 0;
    int64_t step_end_ = 0;
};

// The engine's volume for a gain in dB; 256 is unity. Of the two whole
// volumes beside the gain the one nearer in dB is taken (a step is 0.2 dB at
// -15 dB), but never the upper one when the ceiling holds the gain down.
int32_t VolumeOfGain(double gain, bool peak_bound) {
    const double volume =
        256.0 * std::pow(10.0, std::clamp(gain, -kLargestGain, kLargestGain) / 20.0);
    const double lower = std::max(1.0, std::floor(volume));
    const double upper = lower + 1.0;
    const bool take_upper = !peak_bound && std::log(upper / volume) < std::log(volume / lower);
    return static_cast<int32_t>(take_upper ? upper : lower);
}

}  // namespace

void TTranscoder::NormalizeLoudness() {
    ffmpeg_.measured_span_ = 0;
    if (!options_.NormalizeLoudness) {
        return;
    }
    const TTranscodeOutputStream* audio = nullptr;
    for (const TTranscodeOutputStream& ost : output_streams_) {
        if (OutputType(ost) == AVMEDIA_TYPE_AUDIO && OwnsStream(ost)) {
            audio = &ost;
            break;
        }
    }
    if (audio == nullptr) {
        return;
    }
    if (audio->EncodingNeeded == 0) {
        throw FFmpegException("Loudness cannot be normalized while the audio is copied");
    }
    const TTranscodeInputStream& ist = input_streams_[static_cast<size_t>(audio->SourceIndex)];
    const AVFormatContext* source = ffmpeg_.InputFile(ist.FileIndex);
    const int index = ist.Stream->index;

    // A reading of its own: the conversion's input stays where it is.
    AVFormatContext* opening = ff::avformat_alloc_context();
    if (opening == nullptr) {
        throw FFmpegException("Out of memory");
    }
    opening->interrupt_callback = StopInterrupt(&ffmpeg_.stop_requested_);
    const int opened = OpenInputContext(&opening, source->url, source->iformat, nullptr);
    if (opened < 0) {
        throw FFmpegException(kMeasureFailure +
                              AVErrorText(FromLibraryFileName(source->url), opened));
    }
    InputContextPtr input(opening);
    {
        AVCodecLock lock;
        ff::avformat_find_stream_info(input.get(), nullptr);
    }
    if (index >= static_cast<int>(input->nb_streams)) {
        throw FFmpegException(std::string(kMeasureFailure) + "the audio track is gone");
    }
    const AVStream* stream = input->streams[index];
    for (unsigned s = 0; s < input->nb_streams; ++s) {
        input->streams[s]->discard =
            static_cast<int>(s) == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    }
    const AVCodec* codec = ff::avcodec_find_decoder(stream->codecpar->codec_id);
    if (codec == nullptr) {
        throw FFmpegException(std::string(kMeasureFailure) + "no decoder for the audio track");
    }
    OpenedCodecContextPtr decoder(ff::avcodec_alloc_context3(codec));
    if (!decoder) {
        throw FFmpegException("Out of memory");
    }
    if (const int error = ff::avcodec_parameters_to_context(decoder.get(), stream->codecpar);
        error < 0) {
        throw LibraryCallFailed("avcodec_parameters_to_context", error);
    }
    decoder->pkt_timebase = stream->time_base;
    {
        AVCodecLock lock;
        if (const int error = ff::avcodec_open2(decoder.get(), codec, nullptr); error < 0) {
            throw FFmpegException(kMeasureFailure +
                                  AVErrorText(FromLibraryFileName(source->url), error));
        }
    }

    PacketPtr packet(ff::av_packet_alloc());
    FramePtr frame(ff::av_frame_alloc());
    if (!packet || !frame) {
        throw FFmpegException("Out of memory");
    }
    TIntegratedMeter meter;
    TTruePeakMeter peaks;
    std::vector<std::vector<float>> samples;
    // A cut or a piece is measured alone, from where its reading starts: its
    // own loudness, without reading what goes before or after it.
    const int64_t from = options_.StartTime - ffmpeg_.InputFileTsOffset(ist.FileIndex);
    const int64_t to = options_.RecordingTime != kUnlimitedTime
                           ? from + options_.RecordingTime
                           : std::numeric_limits<int64_t>::max();
    const int64_t file_start = input->start_time != AV_NOPTS_VALUE ? input->start_time : 0;
    const bool stretch = from > file_start || options_.RecordingTime != kUnlimitedTime;
    if (from > file_start) {
        ff::av_seek_frame(input.get(), -1, from, AVSEEK_FLAG_BACKWARD);
        ff::avcodec_flush_buffers(decoder.get());
    }
    auto within = [&](int64_t timestamp) {
        if (!stretch || timestamp == AV_NOPTS_VALUE) {
            return true;
        }
        const int64_t at = ff::av_rescale_q(timestamp, stream->time_base, kMicroseconds);
        return at >= from && at < to;
    };
    auto receive = [&] {
        while (ff::avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            if (!within(frame->best_effort_timestamp)) {
                ff::av_frame_unref(frame.get());
                continue;
            }
            samples.resize(static_cast<size_t>(frame->ch_layout.nb_channels));
            for (size_t ch = 0; ch < samples.size(); ++ch) {
                samples[ch].clear();
                AppendChannel(frame.get(), static_cast<int>(ch), samples[ch]);
            }
            meter.Add(frame.get(), samples);
            peaks.Add(samples);
            ff::av_frame_unref(frame.get());
        }
    };

    const int64_t duration = ffmpeg_.ExpectedDuration();
    ffmpeg_.measured_span_ = std::max<int64_t>(duration, 0);
    int64_t last_report = 0;
    int64_t position = 0;
    for (;;) {
        // The same pause point as the main loop's: between whole packets.
        ffmpeg_.WaitWhilePaused();
        if (ffmpeg_.StopRequested()) {
            // The main loop sees the stop at once and ends the run.
            return;
        }
        const int read = ff::av_read_frame(input.get(), packet.get());
        if (read == AVERROR(EAGAIN)) {
            continue;
        }
        // A damaged end ends the reading, as it ends the conversion.
        if (read < 0) {
            break;
        }
        if (packet->stream_index == index) {
            if (packet->pts != AV_NOPTS_VALUE) {
                const int64_t at = ff::av_rescale_q(packet->pts, stream->time_base, kMicroseconds);
                if (at >= to) {
                    ff::av_packet_unref(packet.get());
                    break;
                }
                position = std::clamp<int64_t>(at - (stretch ? from : file_start), 0,
                                               ffmpeg_.measured_span_);
            }
            // A damaged packet is left out, as the conversion leaves it out.
            if (ff::avcodec_send_packet(decoder.get(), packet.get()) >= 0) {
                receive();
            }
        }
        ff::av_packet_unref(packet.get());
        const int64_t now = EngineClock();
        if (now - last_report >= ffmpeg_.ReportInterval()) {
            last_report = now;
            ffmpeg_.ReportMeasuring(position);
        }
    }
    // A read the stop cut short says nothing of the loudness.
    if (ffmpeg_.StopRequested()) {
        return;
    }
    ff::avcodec_send_packet(decoder.get(), nullptr);
    receive();
    if (!meter.Measured()) {
        throw FFmpegException(std::string(kMeasureFailure) + "no audio could be decoded");
    }
    ffmpeg_.ReportMeasuring(ffmpeg_.measured_span_);

    TLoudness loudness;
    loudness.Integrated = meter.Integrated();
    loudness.TruePeak = peaks.PeakDb();
    double gain = 0.0;
    bool peak_bound = false;
    // Silence has no gated block: there is nothing to bring to any level.
    if (loudness.Integrated > kAbsoluteGate) {
        gain = options_.LoudnessTarget - loudness.Integrated;
        if (kLoudnessCeiling - loudness.TruePeak < gain) {
            gain = kLoudnessCeiling - loudness.TruePeak;
            peak_bound = true;
        }
    }
    options_.AudioVolume = VolumeOfGain(gain, peak_bound);
    Log(llVerbose, Format("Loudness %.1f LUFS, true peak %.1f dBTP: gain %.2f dB (vol %d)",
                          loudness.Integrated, loudness.TruePeak, gain,
                          static_cast<int>(options_.AudioVolume)));
}

}  // namespace engine

}  // namespace v2m
