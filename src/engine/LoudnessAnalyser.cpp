// The loudness measurement: a reading of its own of one audio stream, decoded
// through the shared decode step into the integrated meter and the true-peak
// meter.

#include "LoudnessAnalyser.h"

#include <algorithm>
#include <array>
#include <utility>

#include "CodecStages.h"
#include "EngineOwners.h"
#include "FFmpeg.h"
#include "FFmpegLoader.h"
#include "FFmpegTranscode.h"
#include "MediaOwners.h"
#include "StopRequest.h"
#include "UnicodeProtocol.h"
#include "libavutil_error.h"

namespace v2m::engine {

namespace {

constexpr const char* kMeasureFailure = "Loudness cannot be measured: ";
constexpr AVRational kMeasureMicroseconds{1, 1000000};

struct TMeasuredPacketUnref {
    AVPacket* Packet;
    ~TMeasuredPacketUnref() { ff::av_packet_unref(Packet); }
};

double Lufs(double power) {
    return -0.691 + 10.0 * std::log10(power);
}

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
        const size_t count = channels.empty() ? 0 : channels.front().size();
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

    // The mean square of every window of `span` steps, a step apart: the
    // 400 ms blocks are four steps, the short-term windows thirty.
    std::vector<double> Windows(size_t span) const {
        std::vector<double> windows;
        for (size_t j = 0; j + span <= steps_.size(); ++j) {
            double energy = 0.0;
            int64_t samples = 0;
            for (size_t k = j; k < j + span; ++k) {
                energy += steps_[k].Energy;
                samples += steps_[k].Samples;
            }
            windows.push_back(energy / static_cast<double>(samples));
        }
        return windows;
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

// One stream of a file opened for measuring, with its decoder.
class TMeasuredStream {
public:
    TMeasuredStream(const TLoudnessSource& source, std::atomic<bool>* stop_flag) {
        Open(source, stop_flag);
        OpenDecoder(source);
    }

    AVFormatContext* Input() const { return input_.get(); }
    const AVStream* Stream() const { return stream_; }
    AVCodecContext* Decoder() const { return decoder_.get(); }

private:
    void Open(const TLoudnessSource& source, std::atomic<bool>* stop_flag) {
        AVFormatContext* opening = ff::avformat_alloc_context();
        if (opening == nullptr) {
            throw FFmpegException("Out of memory");
        }
        opening->interrupt_callback = StopInterrupt(stop_flag);
        const int opened = OpenInputContext(&opening, source.Url, source.Format, nullptr);
        if (opened < 0) {
            throw FFmpegException(kMeasureFailure +
                                  AVErrorText(FromLibraryFileName(source.Url.c_str()), opened));
        }
        input_.reset(opening);
        {
            AVCodecLock lock;
            ff::avformat_find_stream_info(input_.get(), nullptr);
        }
        const int index = source.StreamIndex;
        if (index < 0 || index >= static_cast<int>(input_->nb_streams)) {
            throw FFmpegException(std::string(kMeasureFailure) + "the audio track is gone");
        }
        stream_ = input_->streams[index];
        for (unsigned s = 0; s < input_->nb_streams; ++s) {
            input_->streams[s]->discard =
                static_cast<int>(s) == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
        }
    }

    void OpenDecoder(const TLoudnessSource& source) {
        const AVCodec* codec = ff::avcodec_find_decoder(stream_->codecpar->codec_id);
        if (codec == nullptr) {
            throw FFmpegException(std::string(kMeasureFailure) + "no decoder for the audio track");
        }
        decoder_.reset(ff::avcodec_alloc_context3(codec));
        if (!decoder_) {
            throw FFmpegException("Out of memory");
        }
        if (const int error = ff::avcodec_parameters_to_context(decoder_.get(), stream_->codecpar);
            error < 0) {
            throw LibraryCallFailed("avcodec_parameters_to_context", error);
        }
        decoder_->pkt_timebase = stream_->time_base;
        AVCodecLock lock;
        if (const int error = ff::avcodec_open2(decoder_.get(), codec, nullptr); error < 0) {
            throw FFmpegException(kMeasureFailure +
                                  AVErrorText(FromLibraryFileName(source.Url.c_str()), error));
        }
    }

    InputContextPtr input_;
    const AVStream* stream_ = nullptr;
    OpenedCodecContextPtr decoder_;
};

// The reading of one stretch: which timestamps belong to it, and where in it
// a packet lies.
struct TMeasuredStretch {
    int64_t From = 0;
    int64_t To = 0;
    int64_t FileStart = 0;
    int64_t Span = 0;
    bool Cut = false;  // a part of the file, not all of it

    TMeasuredStretch(const TLoudnessSource& source, const AVFormatContext* input)
        : FileStart(input->start_time != AV_NOPTS_VALUE ? input->start_time : 0),
          Span(source.Span) {
        From = source.From + (source.FromFileStart ? FileStart : 0);
        To = source.Length != std::numeric_limits<int64_t>::max()
                 ? From + source.Length
                 : std::numeric_limits<int64_t>::max();
        Cut = From > FileStart || source.Length != std::numeric_limits<int64_t>::max();
    }

    // The samples [first, last) of a frame starting at `at` that lie in the
    // stretch: a frame across one of its ends counts only in part, so that a
    // piece is measured by its own samples, as its output holds them.
    std::pair<int, int> Inside(int64_t at, int samples, int rate) const {
        if (!Cut || rate <= 0) {
            return {0, samples};
        }
        const auto offset = [&](int64_t time) {
            return static_cast<int>(std::clamp<int64_t>(
                ff::av_rescale_q(time - at, kMeasureMicroseconds, AVRational{1, rate}), 0,
                samples));
        };
        return {offset(From), To == std::numeric_limits<int64_t>::max() ? samples : offset(To)};
    }
    // The progress position of a packet at `at`.
    int64_t Position(int64_t at) const {
        return std::clamp<int64_t>(at - (Cut ? From : FileStart), 0, Span);
    }
};

// Both meters, fed with the decoded frames of the stretch.
class TLoudnessMeters {
public:
    // The frame's samples [first, last).
    void Add(const AVFrame& frame, int first, int last) {
        samples_.resize(static_cast<size_t>(frame.ch_layout.nb_channels));
        for (size_t ch = 0; ch < samples_.size(); ++ch) {
            samples_[ch].clear();
            AppendChannel(&frame, static_cast<int>(ch), samples_[ch]);
            samples_[ch].resize(static_cast<size_t>(last));
            samples_[ch].erase(samples_[ch].begin(), samples_[ch].begin() + first);
        }
        integrated_.Add(&frame, samples_);
        peaks_.Add(samples_);
    }

    bool Measured() const { return integrated_.Measured(); }

    TLoudness Result() const {
        TLoudness loudness;
        loudness.Blocks = integrated_.Windows(4);
        loudness.ShortTerm = integrated_.Windows(30);
        loudness.Integrated = TLoudnessAnalyser::GatedLoudness(loudness.Blocks);
        loudness.TruePeak = peaks_.PeakDb();
        return loudness;
    }

private:
    TIntegratedMeter integrated_;
    TTruePeakMeter peaks_;
    std::vector<std::vector<float>> samples_;
};

// Decodes one packet (null drains) into the meters, leaving out what lies
// outside the stretch. A damaged packet is left out, as the conversion leaves
// it out.
void DecodeMeasured(const TMeasuredStream& stream, const TMeasuredStretch& stretch,
                    const AVPacket* packet, AVFrame* frame, TLoudnessMeters& meters) {
    const AVRational tb = stream.Stream()->time_base;
    DecodePacket(stream.Decoder(), packet, frame, [&](AVFrame& decoded) {
        const int64_t stamp = decoded.best_effort_timestamp;
        const auto [first, last] =
            stamp == AV_NOPTS_VALUE
                ? std::pair{0, decoded.nb_samples}
                : stretch.Inside(ff::av_rescale_q(stamp, tb, kMeasureMicroseconds),
                                 decoded.nb_samples, decoded.sample_rate);
        if (first < last) {
            meters.Add(decoded, first, last);
        }
        return true;
    });
}

}  // namespace

TLoudnessAnalyser::TLoudnessAnalyser(TLoudnessHooks hooks) : hooks_(std::move(hooks)) {}

double TLoudnessAnalyser::GatedLoudness(std::span<const double> blocks) {
    const auto gated_mean = [blocks](double gate) {
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

std::optional<TLoudness> TLoudnessAnalyser::Measure(const TLoudnessSource& source) {
    TMeasuredStream stream(source, hooks_.StopFlag);
    AVFormatContext* input = stream.Input();
    const TMeasuredStretch stretch(source, input);
    if (stretch.From > stretch.FileStart) {
        ff::av_seek_frame(input, -1, stretch.From, AVSEEK_FLAG_BACKWARD);
        ff::avcodec_flush_buffers(stream.Decoder());
    }
    PacketPtr packet(ff::av_packet_alloc());
    FramePtr frame(ff::av_frame_alloc());
    if (!packet || !frame) {
        throw FFmpegException("Out of memory");
    }
    const AVRational tb = stream.Stream()->time_base;
    TLoudnessMeters meters;
    int64_t last_report = 0;
    int64_t position = 0;
    for (;;) {
        // The same pause point as the conversion's: between whole packets.
        hooks_.WaitWhilePaused();
        if (hooks_.StopRequested()) {
            return std::nullopt;
        }
        const int read = ff::av_read_frame(input, packet.get());
        if (read == AVERROR(EAGAIN)) {
            continue;
        }
        // A damaged end ends the reading, as it ends the conversion.
        if (read < 0) {
            break;
        }
        TMeasuredPacketUnref unref{packet.get()};
        if (packet->stream_index == stream.Stream()->index) {
            if (packet->pts != AV_NOPTS_VALUE) {
                const int64_t at = ff::av_rescale_q(packet->pts, tb, kMeasureMicroseconds);
                if (at >= stretch.To) {
                    break;
                }
                position = stretch.Position(at);
            }
            DecodeMeasured(stream, stretch, packet.get(), frame.get(), meters);
        }
        if (const int64_t now = EngineClock(); now - last_report >= hooks_.ReportInterval) {
            last_report = now;
            hooks_.Progress(position);
        }
    }
    if (hooks_.StopRequested()) {
        return std::nullopt;
    }
    DecodeMeasured(stream, stretch, nullptr, frame.get(), meters);
    if (!meters.Measured()) {
        throw FFmpegException(std::string(kMeasureFailure) + "no audio could be decoded");
    }
    hooks_.Progress(stretch.Span);
    return meters.Result();
}

}  // namespace v2m::engine
