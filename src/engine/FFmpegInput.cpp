// Opening input files: the demuxer with the pending hints, the stream
// analysis, the start position and what later steps need of every stream.

#include <new>
#include <optional>
#include <utility>

#include "FFmpeg.h"
#include "FFmpegFiles.h"
#include "FFmpegLoader.h"
#include "Format.h"
#include "StopRequest.h"
#include "UnicodeProtocol.h"
#include "libavutil_error.h"

namespace v2m {

namespace {

constexpr int kVideoDecoding = AV_OPT_FLAG_DECODING_PARAM | AV_OPT_FLAG_VIDEO_PARAM;
constexpr int kAudioDecoding = AV_OPT_FLAG_DECODING_PARAM | AV_OPT_FLAG_AUDIO_PARAM;

// The hints for raw formats and capture devices, as the demuxer options that
// carry them. A forced demuxer is given only those it has; a probed one
// leaves the names it lacks unused.
class TInputHints {
public:
    explicit TInputHints(const AVInputFormat* format)
        : format_(format), own_(format != nullptr ? format->priv_class : nullptr) {}

    bool Takes(const char* name) const {
        return format_ == nullptr || engine::ClassHasOption(own_, name);
    }
    void Set(const char* key, const std::string& value) {
        AVDictionary* hints = hints_.release();
        ff::av_dict_set(&hints, key, value.c_str(), 0);
        hints_.reset(hints);
    }
    DictionaryPtr Release() { return std::move(hints_); }

private:
    const AVInputFormat* format_;
    const AVClass* own_;
    DictionaryPtr hints_;
};

void AddVideoHints(const TEngineOptions& o, TInputHints& hints) {
    if (o.FrameRate.num != 0 && o.FrameRate.den != 0 && hints.Takes("framerate")) {
        hints.Set("framerate", Format("%d/%d", o.FrameRate.num, o.FrameRate.den));
    }
    const int width = o.FrameWidth + o.PadLeft + o.PadRight;
    const int height = o.FrameHeight + o.PadTop + o.PadBottom;
    if (width > 0 && height > 0 && hints.Takes("video_size")) {
        hints.Set("video_size", Format("%dx%d", width, height));
    }
    if (o.FramePixFmt >= 0 && hints.Takes("pixel_format")) {
        if (const char* name = ff::av_get_pix_fmt_name(static_cast<AVPixelFormat>(o.FramePixFmt))) {
            hints.Set("pixel_format", name);
        }
    }
}

void AddAudioHints(const TEngineOptions& o, TInputHints& hints) {
    if (o.AudioSampleRate > 0 && hints.Takes("sample_rate")) {
        hints.Set("sample_rate", std::to_string(o.AudioSampleRate));
    }
    if (o.AudioChannels > 0) {
        // The layout option replaces the older channel count where a demuxer has both.
        if (hints.Takes("ch_layout")) {
            hints.Set("ch_layout", engine::ChannelLayoutText(o.AudioChannels));
        } else if (hints.Takes("channels")) {
            hints.Set("channels", std::to_string(o.AudioChannels));
        }
    }
}

DictionaryPtr InputHints(const TEngineOptions& o, const AVInputFormat* format) {
    TInputHints hints(format);
    AddVideoHints(o, hints);
    AddAudioHints(o, hints);
    if (o.VideoChannel != 0 && hints.Takes("channel")) {
        hints.Set("channel", std::to_string(o.VideoChannel));
    }
    if (o.VideoStandard && hints.Takes("standard")) {
        hints.Set("standard", *o.VideoStandard);
    }
    return hints.Release();
}

}  // namespace

void TCustomFFmpeg::ConsumeInputFileOptions() {
    options_.VideoChannel = 0;
    options_.VideoCodecName.clear();
    options_.AudioCodecName.clear();
    options_.SubtitleCodecName.clear();
}

namespace {

void ApplyForcedDecoders(AVFormatContext& context, const TInputDecoders& forced, bool pgm_yuv) {
    context.video_codec_id = forced.VideoId;
    context.audio_codec_id = forced.AudioId;
    context.subtitle_codec_id = forced.SubtitleId;
    // The identifiers alone would let the library pick another decoder of the
    // same codec while it analyses the streams.
    context.video_codec = forced.Video;
    context.audio_codec = forced.Audio;
    context.subtitle_codec = forced.Subtitle;
    context.flags |= AVFMT_FLAG_NONBLOCK;
    if (pgm_yuv) {
        context.video_codec_id = AV_CODEC_ID_PGMYUV;
        context.video_codec = nullptr;
    }
}

// Keeps only the streams of the program; false when the input has no such program.
bool SelectProgram(AVFormatContext& input, int program_id) {
    for (unsigned i = 0; i < input.nb_streams; ++i) {
        input.streams[i]->discard = AVDISCARD_ALL;
    }
    bool found = false;
    for (unsigned p = 0; p < input.nb_programs; ++p) {
        AVProgram* program = input.programs[p];
        if (program->id != program_id) {
            program->discard = AVDISCARD_ALL;
            continue;
        }
        found = true;
        for (unsigned s = 0; s < program->nb_stream_indexes; ++s) {
            if (program->stream_index[s] < input.nb_streams) {
                input.streams[program->stream_index[s]]->discard = AVDISCARD_DEFAULT;
            }
        }
    }
    return found;
}

// The display aspect of a picture stream; 4:3 for one without size or aspect.
float DisplayAspect(const AVStream& stream, const AVCodecContext& codec) {
    const AVRational sample_aspect = stream.sample_aspect_ratio.num != 0
                                         ? stream.sample_aspect_ratio
                                         : codec.sample_aspect_ratio;
    const float s =
        sample_aspect.num != 0 && sample_aspect.den != 0
            ? static_cast<float>(sample_aspect.num) / static_cast<float>(sample_aspect.den)
            : 0.0f;
    const int width = codec.width;
    const int height = codec.height;
    if (static_cast<int64_t>(width) * height != 0) {
        return s != 0.0f ? static_cast<float>(width) * s / static_cast<float>(height)
                         : static_cast<float>(width) / static_cast<float>(height);
    }
    return s != 0.0f ? s : 4.0f / 3.0f;
}

void DescribeAudioStream(TEngineOptions& o, const AVCodecContext& codec) {
    o.ChannelLayout = codec.ch_layout.order == AV_CHANNEL_ORDER_NATIVE
                          ? static_cast<int64_t>(codec.ch_layout.u.mask)
                          : 0;
    o.AudioChannels = codec.ch_layout.nb_channels;
    o.AudioSampleRate = codec.sample_rate;
    o.AudioChannelsFromInput = true;
    o.AudioSampleRateFromInput = true;
    o.AudioSampleFmt = codec.sample_fmt;
}

}  // namespace

const AVInputFormat* TCustomFFmpeg::ForcedInputFormat() {
    if (options_.FormatName.empty()) {
        return nullptr;
    }
    const AVInputFormat* format = ff::av_find_input_format(options_.FormatName.c_str());
    if (format == nullptr) {
        throw FFmpegException(Format("Unknown input format: \"%s\"", options_.FormatName.c_str()));
    }
    options_.FormatName.clear();
    return format;
}

bool TCustomFFmpeg::FindForcedDecoders(TInputDecoders& forced) {
    // Checked in this order; the first failure ends the open.
    return FindCodecByName(options_.VideoCodecName, AVMEDIA_TYPE_VIDEO, false, forced.VideoId,
                           &forced.Video) &&
           FindCodecByName(options_.AudioCodecName, AVMEDIA_TYPE_AUDIO, false, forced.AudioId,
                           &forced.Audio) &&
           FindCodecByName(options_.SubtitleCodecName, AVMEDIA_TYPE_SUBTITLE, false,
                           forced.SubtitleId, &forced.Subtitle);
}

bool TCustomFFmpeg::OpenInputFile(const std::string& FileName) {
    const AVInputFormat* format = ForcedInputFormat();
    engine::FormatContextPtr context(ff::avformat_alloc_context());
    if (!context) {
        throw FFmpegException("avformat_alloc_context failed");
    }
    // A stop gives up the open and analysis here, and later any read.
    context->interrupt_callback = StopInterrupt(run_.StopFlag());
    auto fail = [this](std::string text) {
        last_error_text_ = std::move(text);
        ConsumeInputFileOptions();
        return false;
    };
    if (InputFileCount() >= max_files_) {
        return fail(Format("Too many input files (at most %d)", max_files_));
    }

    DictionaryPtr hints = InputHints(options_, format);
    CopyContextOptions(context.get(), parser_.OptionContexts().Format.get(),
                       AV_OPT_FLAG_DECODING_PARAM);
    TInputDecoders forced;
    if (!FindForcedDecoders(forced)) {
        return fail(last_error_text_);
    }
    ApplyForcedDecoders(*context, forced, options_.PgmYuvCompat);

    AVFormatContext* opening = context.release();
    opening->pb = caller_input_io_;
    AVDictionary* unused_hints = hints.release();
    const int opened =
        OpenInputContext(&opening, ToLibraryFileName(FileName), format, &unused_hints);
    hints.reset(unused_hints);
    if (opened < 0) {
        return fail(InputOpenErrorText(FileName, opened));
    }
    engine::InputContextPtr input(opening);

    if (options_.ProgramId != 0) {
        if (!SelectProgram(*input, options_.ProgramId)) {
            return fail("Specified program id not found");
        }
        options_.ProgramId = 0;
    }
    // Only demuxers that can repeat their input know the setting.
    if (input->priv_data != nullptr && input->iformat->priv_class != nullptr &&
        engine::ClassHasOption(input->iformat->priv_class, "loop")) {
        ff::av_opt_set_int(input->priv_data, "loop", options_.LoopInput ? 1 : 0, 0);
    }
    AnalyseStreams(input.get(), FileName);
    std::string refusal = SampleRateRefusal(FileName, input.get());
    if (refusal.empty() && caller_input_io_ == nullptr) {
        refusal = EmptyFileRefusal(FileName);
    }
    if (!refusal.empty()) {
        return fail(std::move(refusal));
    }
    const int64_t timestamp = SeekToStart(input.get(), FileName);
    std::vector<engine::CodecContextPtr> stream_codecs;
    std::vector<const AVCodec*> decoders;
    DescribeInputStreams(input.get(), forced, stream_codecs, decoders);
    AddInput(std::move(input), FileName, timestamp);
    input_codecs_.insert(input_codecs_.end(), decoders.begin(), decoders.end());
    input_stream_codecs_.push_back(std::move(stream_codecs));
    ConsumeInputFileOptions();
    return true;
}

void TCustomFFmpeg::AnalyseStreams(AVFormatContext* input, const std::string& FileName) {
    // Not under AVCodecLock: the libraries serialise by themselves the codec
    // set-ups that are not safe to run at once, and a batch of short files
    // spent a fifth of its work analysing under the lock, so that its jobs
    // mostly took turns.
    const int analysed = ff::avformat_find_stream_info(input, nullptr);
    // Whatever the verbosity, the open goes on with what the demuxer found: a
    // stream the analysis could not complete is told apart later, where a
    // stream needs what it lacks.
    if (analysed < 0 && options_.Verbose >= 0) {
        Log(llWarning, Format("%s: could not find codec parameters", FileName.c_str()));
    }
}

int64_t TCustomFFmpeg::SeekToStart(AVFormatContext* input, const std::string& FileName) {
    int64_t timestamp = options_.StartTime;
    if (input->start_time != AV_NOPTS_VALUE) {
        timestamp += input->start_time;
    }
    if (options_.StartTime != 0) {
        if (ff::av_seek_frame(input, -1, timestamp, AVSEEK_FLAG_BACKWARD) < 0 &&
            options_.Verbose > 0) {
            Log(llVerbose, Format("%s: could not seek to position %0.3f", FileName.c_str(),
                                  static_cast<double>(timestamp) / 1000000.0));
        }
        options_.StartTime = 0;
    }
    return timestamp;
}

void TCustomFFmpeg::DescribeInputStreams(AVFormatContext* input, const TInputDecoders& forced,
                                         std::vector<engine::CodecContextPtr>& stream_codecs,
                                         std::vector<const AVCodec*>& decoders) {
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        AVStream* stream = input->streams[i];
        // Decoder settings made from the stream's parameters; set-up opens them.
        engine::CodecContextPtr codec(ff::avcodec_alloc_context3(nullptr));
        if (!codec) {
            throw std::bad_alloc();
        }
        if (const int error = ff::avcodec_parameters_to_context(codec.get(), stream->codecpar);
            error < 0) {
            throw LibraryCallFailed("avcodec_parameters_to_context", error);
        }
        codec->pkt_timebase = stream->time_base;
        codec->thread_count = options_.ThreadCount;
        if (const auto decoder =
                DescribeInputStream(stream, static_cast<int>(i), codec.get(), forced)) {
            decoders.push_back(*decoder);
        }
        stream_codecs.push_back(std::move(codec));
    }
}

std::optional<const AVCodec*> TCustomFFmpeg::DescribeInputStream(AVStream* stream, int index,
                                                                 AVCodecContext* codec,
                                                                 const TInputDecoders& forced) {
    switch (stream->codecpar->codec_type) {
        case AVMEDIA_TYPE_VIDEO:
            CopyContextOptions(codec, parser_.OptionContexts().Codecs[AVMEDIA_TYPE_VIDEO].get(),
                               kVideoDecoding);
            DescribeVideoStream(stream, index, codec);
            if (options_.VideoDisable) {
                stream->discard = AVDISCARD_ALL;
            } else if (options_.VideoDiscard != 0) {
                stream->discard = static_cast<AVDiscard>(options_.VideoDiscard);
            }
            return forced.Video;
        case AVMEDIA_TYPE_AUDIO:
            CopyContextOptions(codec, parser_.OptionContexts().Codecs[AVMEDIA_TYPE_AUDIO].get(),
                               kAudioDecoding);
            DescribeAudioStream(options_, *codec);
            if (options_.AudioDisable) {
                stream->discard = AVDISCARD_ALL;
            }
            return forced.Audio;
        case AVMEDIA_TYPE_DATA:
            return std::nullopt;  // no decoder entry
        case AVMEDIA_TYPE_SUBTITLE:
            if (options_.SubtitleDisable) {
                stream->discard = AVDISCARD_ALL;
            }
            return forced.Subtitle;
        case AVMEDIA_TYPE_ATTACHMENT:
        case AVMEDIA_TYPE_UNKNOWN:
            return nullptr;
        default:
            throw FFmpegException("invalid codec_type");
    }
}

void TCustomFFmpeg::DescribeVideoStream(const AVStream* stream, int index, AVCodecContext* codec) {
    if (codec->pix_fmt == AV_PIX_FMT_NONE) {
        codec->pix_fmt = AV_PIX_FMT_YUV420P;
    }
    // A cover picture is not a picture of the video: its size and rate must
    // not become those of the output's video.
    if ((stream->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0) {
        return;
    }
    options_.FrameHeight = codec->height;
    options_.FrameWidth = codec->width;
    options_.FrameAspectRatio = DisplayAspect(*stream, *codec);
    options_.FramePixFmt = codec->pix_fmt;
    if (codec->lowres != 0) {
        options_.FrameHeight >>= codec->lowres;
        options_.FrameWidth >>= codec->lowres;
    }
    // The codec's own rate is the average the analysis measured.
    const AVRational codec_rate = stream->avg_frame_rate;
    const AVRational real_rate = stream->r_frame_rate;
    if (codec_rate.num != 0 && codec_rate.den != 0 &&
        (codec_rate.num != real_rate.num || codec_rate.den != real_rate.den) &&
        options_.Verbose >= 0) {
        Log(llInfo,
            Format("Seems stream %d codec frame rate differs from container frame "
                   "rate: %2.2f (%d/%d) -> %2.2f (%d/%d)",
                   index, static_cast<double>(codec_rate.num) / codec_rate.den, codec_rate.num,
                   codec_rate.den,
                   real_rate.den != 0 ? static_cast<double>(real_rate.num) / real_rate.den : 0.0,
                   real_rate.num, real_rate.den));
    }
    options_.FrameRate = real_rate;
}

void TCustomFFmpeg::AddInput(engine::InputContextPtr input, const std::string& FileName,
                             int64_t timestamp) {
    if (input->duration != AV_NOPTS_VALUE && expected_duration_ < input->duration) {
        expected_duration_ = input->duration;
    }
    const int64_t offset =
        options_.CopyTs ? options_.InputTsOffset : options_.InputTsOffset - timestamp;
    if (options_.Verbose >= 0) {
        ff::av_dump_format(input.get(), InputFileCount(), FileName.c_str(), 0);
    }
    input_files_.push_back(std::move(input));
    input_ts_offsets_.push_back(offset);
}

AVFormatContext* TCustomFFmpeg::InputFile(int index) const {
    if (index < 0 || index >= InputFileCount()) {
        return nullptr;
    }
    return input_files_[static_cast<size_t>(index)].get();
}

int64_t TCustomFFmpeg::InputFileTsOffset(int index) const {
    if (index < 0 || index >= InputFileCount()) {
        return 0;
    }
    return input_ts_offsets_[static_cast<size_t>(index)];
}

const AVCodec* TCustomFFmpeg::InputCodec(int index) const {
    if (index < 0 || index >= InputCodecCount()) {
        return nullptr;
    }
    return input_codecs_[static_cast<size_t>(index)];
}

AVCodecContext* TCustomFFmpeg::InputStreamCodec(int file, int stream) const {
    if (file < 0 || file >= static_cast<int>(input_stream_codecs_.size())) {
        return nullptr;
    }
    const auto& codecs = input_stream_codecs_[static_cast<size_t>(file)];
    if (stream < 0 || stream >= static_cast<int>(codecs.size())) {
        return nullptr;
    }
    return codecs[static_cast<size_t>(stream)].get();
}

}  // namespace v2m
