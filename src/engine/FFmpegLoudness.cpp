// The loudness measuring pass. Before the conversion proper, the source of the
// audio output is read once more, from its start, through libavfilter's EBU
// R128 meter; the volume of the run is then set so that the conversion lands
// on the target loudness without its true peak passing the ceiling. The pass
// runs on the conversion's own thread, so pause, stop and progress work as in
// the main loop, and a failure fails the task like any other.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "FFmpegLoader.h"
#include "FFmpegTranscoder.h"
#include "Format.h"
#include "MediaOwners.h"
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

// The running values the meter attaches to each 100 ms it lets through: the
// integrated loudness so far (LUFS), and each channel's true peak so far (as
// a linear amplitude).
void ReadMeterValues(const AVFrame* frame, TLoudness& loudness) {
    const AVDictionaryEntry* entry = ff::av_dict_get(frame->metadata, "lavfi.r128.I", nullptr, 0);
    if (entry != nullptr) {
        loudness.Integrated = std::strtod(entry->value, nullptr);
    }
    entry = nullptr;
    while ((entry = ff::av_dict_get(frame->metadata, "lavfi.r128.true_peaks_ch", entry,
                                    AV_DICT_IGNORE_SUFFIX)) != nullptr) {
        const double peak = std::strtod(entry->value, nullptr);
        if (peak > 0.0) {
            loudness.TruePeak = std::max(loudness.TruePeak, 20.0 * std::log10(peak));
        }
    }
}

// abuffer -> ebur128 -> abuffersink, set up for the format of the first frame.
class TLoudnessMeter {
public:
    explicit TLoudnessMeter() : out_(ff::av_frame_alloc()) {
        if (!out_) {
            throw FFmpegException("Out of memory");
        }
    }

    void Add(AVFrame* frame) {
        if (!graph_) {
            Build(frame);
        }
        // The source takes the frame's buffers and leaves it empty.
        if (const int error = ff::av_buffersrc_add_frame(source_, frame); error < 0) {
            throw LibraryCallFailed("av_buffersrc_add_frame", error);
        }
        Drain();
    }

    void Finish() {
        if (!graph_) {
            return;
        }
        if (const int error = ff::av_buffersrc_add_frame(source_, nullptr); error < 0) {
            throw LibraryCallFailed("av_buffersrc_add_frame", error);
        }
        Drain();
    }

    bool Measured() const { return graph_ != nullptr; }
    const TLoudness& Result() const { return result_; }

private:
    void Build(const AVFrame* frame) {
        // A source that names no channels (plain PCM, say) is metered as the
        // usual layout of its channel count.
        AVChannelLayout named = frame->ch_layout;
        if (named.order == AV_CHANNEL_ORDER_UNSPEC) {
            ff::av_channel_layout_default(&named, frame->ch_layout.nb_channels);
        }
        char layout[128] = {};
        if (ff::av_channel_layout_describe(&named, layout, sizeof layout) < 0) {
            throw FFmpegException(std::string(kMeasureFailure) + "unknown channel layout");
        }
        const char* format = ff::av_get_sample_fmt_name(static_cast<AVSampleFormat>(frame->format));
        if (format == nullptr || frame->sample_rate <= 0) {
            throw FFmpegException(std::string(kMeasureFailure) + "unknown sample format");
        }
        graph_.reset(ff::avfilter_graph_alloc());
        if (!graph_) {
            throw FFmpegException("Out of memory");
        }
        const std::string source_args =
            Format("time_base=1/%d:sample_rate=%d:sample_fmt=%s:channel_layout=%s",
                   frame->sample_rate, frame->sample_rate, format, layout);
        source_ = Create("abuffer", "in", source_args.c_str());
        // The per-block log lines would flood the log at its usual level.
        AVFilterContext* meter =
            Create("ebur128", "meter", "peak=true:metadata=1:framelog=verbose");
        sink_ = Create("abuffersink", "out", nullptr);
        Link(source_, meter);
        Link(meter, sink_);
        if (const int error = ff::avfilter_graph_config(graph_.get(), nullptr); error < 0) {
            throw LibraryCallFailed("avfilter_graph_config", error);
        }
    }

    AVFilterContext* Create(const char* filter_name, const char* name, const char* args) {
        const AVFilter* filter = ff::avfilter_get_by_name(filter_name);
        if (filter == nullptr) {
            throw FFmpegException(
                Format("%sno filter '%s' in this libavfilter", kMeasureFailure, filter_name));
        }
        AVFilterContext* context = nullptr;
        if (const int error = ff::avfilter_graph_create_filter(&context, filter, name, args,
                                                               nullptr, graph_.get());
            error < 0) {
            throw LibraryCallFailed("avfilter_graph_create_filter", error);
        }
        return context;
    }

    static void Link(AVFilterContext* from, AVFilterContext* to) {
        if (const int error = ff::avfilter_link(from, 0, to, 0); error < 0) {
            throw LibraryCallFailed("avfilter_link", error);
        }
    }

    void Drain() {
        for (;;) {
            const int got = ff::av_buffersink_get_frame(sink_, out_.get());
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) {
                return;
            }
            if (got < 0) {
                throw LibraryCallFailed("av_buffersink_get_frame", got);
            }
            ReadMeterValues(out_.get(), result_);
            ff::av_frame_unref(out_.get());
        }
    }

    FilterGraphPtr graph_;
    AVFilterContext* source_ = nullptr;  // owned by the graph
    AVFilterContext* sink_ = nullptr;
    FramePtr out_;
    TLoudness result_;
};

// The engine's volume for a gain in dB; 256 is unity. A gain held down by the
// ceiling is rounded down, so rounding cannot lift the peak past it.
int32_t VolumeOfGain(double gain, bool peak_bound) {
    const double volume =
        256.0 * std::pow(10.0, std::clamp(gain, -kLargestGain, kLargestGain) / 20.0);
    return std::max<int32_t>(
        1, static_cast<int32_t>(peak_bound ? std::floor(volume) : std::lround(volume)));
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
    AVFormatContext* opening = nullptr;
    const int opened = OpenInputContext(&opening, source->url, source->iformat, nullptr);
    if (opened < 0) {
        throw FFmpegException(kMeasureFailure + AVErrorText(source->url, opened));
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
            throw FFmpegException(kMeasureFailure + AVErrorText(source->url, error));
        }
    }

    PacketPtr packet(ff::av_packet_alloc());
    FramePtr frame(ff::av_frame_alloc());
    if (!packet || !frame) {
        throw FFmpegException("Out of memory");
    }
    TLoudnessMeter meter;
    auto receive = [&] {
        while (ff::avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            meter.Add(frame.get());
            ff::av_frame_unref(frame.get());
        }
    };

    const int64_t duration = ffmpeg_.ExpectedDuration();
    ffmpeg_.measured_span_ = std::max<int64_t>(duration, 0);
    const int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
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
                position =
                    std::clamp<int64_t>(ff::av_rescale_q(packet->pts - start, stream->time_base,
                                                         AVRational{1, 1000000}),
                                        0, ffmpeg_.measured_span_);
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
    ff::avcodec_send_packet(decoder.get(), nullptr);
    receive();
    meter.Finish();
    if (!meter.Measured()) {
        throw FFmpegException(std::string(kMeasureFailure) + "no audio could be decoded");
    }
    ffmpeg_.ReportMeasuring(ffmpeg_.measured_span_);

    const TLoudness& loudness = meter.Result();
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
    Log(llInfo, Format("Loudness %.1f LUFS, true peak %.1f dBTP: gain %.2f dB (vol %d)",
                       loudness.Integrated, loudness.TruePeak, gain,
                       static_cast<int>(options_.AudioVolume)));
}

}  // namespace engine

}  // namespace v2m
