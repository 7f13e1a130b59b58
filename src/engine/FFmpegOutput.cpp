// Output files and the streams created in them: the muxer, the stream types,
// each stream's encoder settings or copy mode, the metadata, the byte stream
// and the muxer's settings.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

#include "FFmpeg.h"
#include "OutputBuilder.h"
#include "FFmpegFiles.h"
#include "Format.h"
#include "MyUtils.h"
#include "SafeFiles.h"
#include "StopRequest.h"
#include "UnicodeProtocol.h"
#include "libavutil_error.h"

namespace v2m::engine {

namespace {

constexpr int kVideoEncoding = AV_OPT_FLAG_ENCODING_PARAM | AV_OPT_FLAG_VIDEO_PARAM;
constexpr int kAudioEncoding = AV_OPT_FLAG_ENCODING_PARAM | AV_OPT_FLAG_AUDIO_PARAM;
constexpr int kSubtitleEncoding = AV_OPT_FLAG_ENCODING_PARAM | AV_OPT_FLAG_SUBTITLE_PARAM;

AVStream* AddStream(AVFormatContext* file) {
    // The per-file tables hold kMaxStreams streams.
    if (file->nb_streams >= static_cast<unsigned>(kMaxStreams)) {
        return nullptr;
    }
    AVStream* stream = ff::avformat_new_stream(file, nullptr);
    if (stream != nullptr) {
        stream->id = static_cast<int>(file->nb_streams) - 1;
    }
    return stream;
}

void ChoosePixelFormat(AVCodecContext* codec, const AVCodec* encoder) {
    if (encoder == nullptr || encoder->pix_fmts == nullptr) {
        return;
    }
    for (const AVPixelFormat* format = encoder->pix_fmts; *format != AV_PIX_FMT_NONE; ++format) {
        if (*format == codec->pix_fmt) {
            return;
        }
    }
    // Unofficial MJPEG takes the limited-range formats too.
    if (encoder->id == AV_CODEC_ID_MJPEG &&
        codec->strict_std_compliance <= FF_COMPLIANCE_UNOFFICIAL &&
        (codec->pix_fmt == AV_PIX_FMT_YUV420P || codec->pix_fmt == AV_PIX_FMT_YUV422P)) {
        return;
    }
    codec->pix_fmt = encoder->pix_fmts[0];
}

void ChooseSampleFormat(AVCodecContext* codec, const AVCodec* encoder) {
    if (encoder == nullptr || encoder->sample_fmts == nullptr) {
        return;
    }
    for (const AVSampleFormat* format = encoder->sample_fmts; *format != AV_SAMPLE_FMT_NONE;
         ++format) {
        if (*format == codec->sample_fmt) {
            return;
        }
    }
    codec->sample_fmt = encoder->sample_fmts[0];
}

void SetUnspecifiedLayout(AVCodecContext* codec, int channels) {
    ff::av_channel_layout_uninit(&codec->ch_layout);
    codec->ch_layout.order = AV_CHANNEL_ORDER_UNSPEC;
    codec->ch_layout.nb_channels = channels;
}

// The codec's layout becomes a copy of `layout`.
void ReplaceLayout(AVCodecContext* codec, const AVChannelLayout& layout) {
    AVChannelLayout copy{};
    if (const int error = ff::av_channel_layout_copy(&copy, &layout); error < 0) {
        throw LibraryCallFailed("av_channel_layout_copy", error);
    }
    ff::av_channel_layout_uninit(&codec->ch_layout);
    codec->ch_layout = copy;
}

// A pending language goes to the new stream and is used up.
void TakeLanguage(AVStream* stream, std::string& language) {
    if (!language.empty()) {
        ff::av_dict_set(&stream->metadata, "language", language.c_str(), 0);
        language.clear();
    }
}

std::string LayoutText(const AVChannelLayout& layout) {
    char text[64] = {};
    ff::av_channel_layout_describe(&layout, text, sizeof text);
    return text;
}

uint16_t* CopyMatrix(const TQuantMatrix& matrix) {
    auto* copy = static_cast<uint16_t*>(ff::av_malloc(sizeof(uint16_t) * matrix.size()));
    if (copy == nullptr) {
        throw std::bad_alloc();
    }
    std::memcpy(copy, matrix.data(), sizeof(uint16_t) * matrix.size());
    return copy;
}

// ISO 8601 in UTC, the form muxers read their creation time in.
std::string CreationTimeText(int64_t seconds) {
    const auto time = static_cast<std::time_t>(seconds);
    std::tm utc{};
    ::gmtime_r(&time, &utc);
    char text[40] = {};
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S.000000Z", &utc);
    return text;
}

// The listed rate nearest to `pending` (0-terminated list); `pending` when listed.
int NearestListedRate(const int* rates, int pending) {
    int nearest = rates[0];
    for (const int* rate = rates; *rate != 0; ++rate) {
        if (*rate == pending) {
            return pending;
        }
        if (std::abs(static_cast<int64_t>(*rate) - pending) <
            std::abs(static_cast<int64_t>(nearest) - pending)) {
            nearest = *rate;
        }
    }
    return nearest;
}

struct TLayoutChoice {
    const AVChannelLayout* Chosen = nullptr;  // null: the pending layout is listed
    bool Substitute = false;                  // another layout than the one asked for
};

// The layout an encoder with these layouts (ended by one of no channels)
// takes for the pending one: that one when listed; for a count alone, a
// listed layout of that count; else the one with most channels not above the
// count, or the one with fewest.
TLayoutChoice ChooseListedLayout(const AVChannelLayout* layouts, const AVChannelLayout& pending) {
    const int channels = pending.nb_channels;
    const bool unspecified = pending.order == AV_CHANNEL_ORDER_UNSPEC;
    const AVChannelLayout* same_count = nullptr;
    const AVChannelLayout* below = nullptr;
    const AVChannelLayout* fewest = nullptr;
    for (const AVChannelLayout* layout = layouts; layout->nb_channels != 0; ++layout) {
        if (!unspecified && ff::av_channel_layout_compare(layout, &pending) == 0) {
            return {};
        }
        if (same_count == nullptr && layout->nb_channels == channels) {
            same_count = layout;
        }
        if (layout->nb_channels <= channels &&
            (below == nullptr || layout->nb_channels > below->nb_channels)) {
            below = layout;
        }
        if (fewest == nullptr || layout->nb_channels < fewest->nb_channels) {
            fewest = layout;
        }
    }
    if (unspecified && same_count != nullptr) {
        return {same_count, false};  // the count alone was pending; the encoder names its layout
    }
    return {below != nullptr ? below : fewest, true};
}

}  // namespace

TOutputBuilder::TOutputBuilder(int max_files, TEngineOptions& options, TOptionParser& parser,
                               TOutputHost& host)
    : max_files_(max_files), options_(options), parser_(parser), host_(host) {
    const auto files = static_cast<size_t>(max_files_);
    output_files_.reserve(files);
    output_codecs_.reserve(files * kMaxStreams);
    bitstream_filters_.resize(files * kMaxStreams);
}

TOutputBuilder::~TOutputBuilder() = default;

void TOutputBuilder::CloseFiles() {
    output_streams_.clear();
    output_files_.clear();
    output_codecs_.clear();
}

void TOutputBuilder::ClearBitstreamFilters() {
    for (TBitstreamFilterChain& chain : bitstream_filters_) {
        chain.clear();
    }
}

TBitstreamFilterChain& TOutputBuilder::BitstreamFiltersOf(const AVFormatContext* file, int stream) {
    const auto row = static_cast<size_t>(OutputFileRow(file));
    return bitstream_filters_[row * kMaxStreams + static_cast<size_t>(stream)];
}

TOutputStream& TOutputBuilder::AddOutputStream(AVFormatContext* file, AVStream* stream,
                                               AVMediaType type, const AVCodec* encoder,
                                               TBitstreamFilterChain& pending_filters) {
    auto record = std::make_unique<TOutputStream>();
    record->File = file;
    record->Stream = stream;
    record->Encoder = encoder;
    // A context made for its encoder starts from that encoder's defaults and
    // can take its private options.
    record->Codec.reset(ff::avcodec_alloc_context3(encoder));
    if (!record->Codec) {
        throw std::bad_alloc();
    }
    record->Codec->codec_type = type;
    const size_t slot =
        static_cast<size_t>(OutputFileRow(file)) * kMaxStreams + static_cast<size_t>(stream->index);
    bitstream_filters_[slot] = std::move(pending_filters);
    pending_filters.clear();
    output_streams_.push_back(std::move(record));
    return *output_streams_.back();
}

int TOutputBuilder::OutputFileRow(const AVFormatContext* file) const {
    for (size_t i = 0; i < output_files_.size(); ++i) {
        if (output_files_[i].get() == file) {
            return static_cast<int>(i);
        }
    }
    // A file still being created takes the next row.
    return OutputFileCount();
}

TOutputBuilder::TEncoderChoice TOutputBuilder::ChooseEncoder(AVFormatContext* file,
                                                             AVMediaType type,
                                                             const std::string& name, bool copy) {
    // The encoder is chosen first so the settings are made for it; a name
    // that names none fails later, where the encoder is taken.
    TEncoderChoice choice;
    if (!copy) {
        if (!name.empty()) {
            choice.NameFound = host_.FindEncoder(name, type, choice.Id, &choice.ByName);
        } else {
            choice.Id = ff::av_guess_codec(file->oformat, nullptr, file->url, nullptr, type);
        }
    }
    choice.Encoder = choice.ByName;
    if (choice.Encoder == nullptr && choice.Id != AV_CODEC_ID_NONE) {
        choice.Encoder = ff::avcodec_find_encoder(choice.Id);
    }
    return choice;
}

void TOutputBuilder::NewVideoStream(AVFormatContext* file) {
    TEngineOptions& o = options_;
    AVStream* stream = AddStream(file);
    if (stream == nullptr) {
        o.VideoCodecName.clear();
        throw FFmpegException("Could not alloc stream");
    }
    const bool copy = o.VideoStreamCopy;
    const TEncoderChoice choice = ChooseEncoder(file, AVMEDIA_TYPE_VIDEO, o.VideoCodecName, copy);
    TOutputStream& record =
        AddOutputStream(file, stream, AVMEDIA_TYPE_VIDEO, choice.Encoder, o.VideoBitstreamFilters);
    AVCodecContext* codec = record.Codec.get();
    codec->thread_count = o.ThreadCount;
    if (o.VideoCodecTag != 0) {
        codec->codec_tag = o.VideoCodecTag;
    }
    SetVideoHeaderFlags(codec, *file->oformat);

    if (copy) {
        record.StreamCopy = true;
        codec->codec_type = AVMEDIA_TYPE_VIDEO;
        const AVRational aspect =
            engine::SampleAspectFor(o.FrameWidth, o.FrameHeight, o.FrameAspectRatio);
        stream->sample_aspect_ratio = aspect;
        codec->sample_aspect_ratio = aspect;
    } else {
        if (!choice.NameFound) {
            o.VideoCodecName.clear();
            throw FFmpegException(host_.LastErrorText());
        }
        codec->codec_id = choice.Id;
        parser_.CopyContextOptions(codec, parser_.OptionContexts().Codecs[AVMEDIA_TYPE_VIDEO].get(),
                                   kVideoEncoding);
        SetVideoFrameFormat(record, choice.Encoder);
        SetVideoQuality(record);
    }
    output_codecs_.push_back(copy ? nullptr : choice.ByName);

    TakeLanguage(stream, o.VideoLanguage);
    o.VideoDisable = false;
    o.VideoCodecName.clear();
    o.VideoStreamCopy = false;
    o.FramePixFmt = -1;
}

void TOutputBuilder::SetVideoHeaderFlags(AVCodecContext* codec, const AVOutputFormat& muxer) {
    const int32_t global_header = options_.VideoGlobalHeader;
    AVCodecContext* video_template = parser_.OptionContexts().Codecs[AVMEDIA_TYPE_VIDEO].get();
    if ((global_header & 1) != 0 ||
        (global_header == 0 && (muxer.flags & AVFMT_GLOBALHEADER) != 0)) {
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (video_template != nullptr) {
            video_template->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        }
    }
    if ((global_header & 2) != 0) {
        codec->flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;
        if (video_template != nullptr) {
            video_template->flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;
        }
    }
}

void TOutputBuilder::SetVideoFrameFormat(TOutputStream& record, const AVCodec* encoder) {
    const TEngineOptions& o = options_;
    AVCodecContext* codec = record.Codec.get();
    AVRational rate = o.FrameRate.num != 0 ? o.FrameRate : AVRational{25, 1};
    if (encoder != nullptr && encoder->supported_framerates != nullptr && !o.ForceFps &&
        rate.den != 0) {
        rate = encoder->supported_framerates[ff::av_find_nearest_q_idx(
            rate, encoder->supported_framerates)];
    }
    codec->time_base = AVRational{rate.den, rate.num};
    codec->framerate = rate;
    codec->width = o.FrameWidth + o.PadRight + o.PadLeft;
    codec->height = o.FrameHeight + o.PadTop + o.PadBottom;
    const AVRational aspect =
        engine::SampleAspectFor(codec->width, codec->height, o.FrameAspectRatio);
    codec->sample_aspect_ratio = aspect;
    record.Stream->sample_aspect_ratio = aspect;
    codec->pix_fmt = static_cast<AVPixelFormat>(o.FramePixFmt);
    ChoosePixelFormat(codec, encoder);
}

void TOutputBuilder::SetVideoQuality(TOutputStream& record) {
    const TEngineOptions& o = options_;
    AVCodecContext* codec = record.Codec.get();
    if (o.IntraOnly) {
        codec->gop_size = 0;
    }
    if (o.VideoQScale != 0.0f || o.SameQuality) {
        codec->flags |= AV_CODEC_FLAG_QSCALE;
        record.Quality = static_cast<float>(FF_QP2LAMBDA) * o.VideoQScale;
        codec->global_quality = static_cast<int>(record.Quality);
    }
    if (o.IntraMatrix) {
        codec->intra_matrix = CopyMatrix(*o.IntraMatrix);
    }
    if (o.InterMatrix) {
        codec->inter_matrix = CopyMatrix(*o.InterMatrix);
    }
    ApplyRcOverride(codec);
    if (codec->rc_initial_buffer_occupancy == 0) {
        codec->rc_initial_buffer_occupancy = codec->rc_buffer_size * 3 / 4;
    }
    codec->intra_dc_precision = o.IntraDcPrecision - 8;
    if (o.DoPsnr) {
        codec->flags |= AV_CODEC_FLAG_PSNR;
    }
    if (o.DoPass == 1) {
        codec->flags |= AV_CODEC_FLAG_PASS1;
    } else if (o.DoPass == 2) {
        codec->flags |= AV_CODEC_FLAG_PASS2;
    }
}

void TOutputBuilder::ApplyRcOverride(AVCodecContext* codec) {
    if (!options_.VideoRcOverride) {
        codec->rc_override_count = 0;
        return;
    }
    std::vector<RcOverride> entries;
    const char* cursor = options_.VideoRcOverride->c_str();
    // Start and end frame must each be followed by one more character (the comma).
    auto read_bound = [this, &cursor] {
        char* end = nullptr;
        const long value = std::strtol(cursor, &end, 10);
        if (end == cursor || *end == '\0') {
            options_.VideoCodecName.clear();
            throw FFmpegException("error parsing rc_override");
        }
        cursor = end + 1;
        return static_cast<int>(value);
    };
    for (;;) {
        RcOverride entry{};
        entry.start_frame = read_bound();
        entry.end_frame = read_bound();
        const int q = static_cast<int>(std::strtol(cursor, nullptr, 10));
        if (q > 0) {
            entry.qscale = q;
            entry.quality_factor = 1.0f;
        } else {
            entry.qscale = 0;
            entry.quality_factor = static_cast<float>(-q) / 100.0f;
        }
        entries.push_back(entry);
        const char* slash = std::strchr(cursor, '/');
        if (slash == nullptr) {
            break;
        }
        cursor = slash + 1;
    }
    AVOwned<RcOverride> table(
        static_cast<RcOverride*>(ff::av_malloc(sizeof(RcOverride) * entries.size())));
    if (table == nullptr) {
        throw std::bad_alloc();
    }
    std::memcpy(table.get(), entries.data(), sizeof(RcOverride) * entries.size());
    ReplaceLibraryField(codec->rc_override, std::move(table));
    codec->rc_override_count = static_cast<int>(entries.size());
}

void TOutputBuilder::NewAudioStream(AVFormatContext* file) {
    TEngineOptions& o = options_;
    AVStream* stream = AddStream(file);
    if (stream == nullptr) {
        o.AudioCodecName.clear();
        o.AudioLanguage.clear();
        throw FFmpegException("Could not alloc stream");
    }
    const bool copy = o.AudioStreamCopy;
    const TEncoderChoice choice = ChooseEncoder(file, AVMEDIA_TYPE_AUDIO, o.AudioCodecName, copy);
    TOutputStream& record =
        AddOutputStream(file, stream, AVMEDIA_TYPE_AUDIO, choice.Encoder, o.AudioBitstreamFilters);
    AVCodecContext* codec = record.Codec.get();
    codec->thread_count = o.ThreadCount;
    codec->codec_type = AVMEDIA_TYPE_AUDIO;
    if (o.AudioCodecTag != 0) {
        codec->codec_tag = o.AudioCodecTag;
    }
    if ((file->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (AVCodecContext* audio_template =
                parser_.OptionContexts().Codecs[AVMEDIA_TYPE_AUDIO].get()) {
            audio_template->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        }
    }

    if (copy) {
        record.StreamCopy = true;
        SetUnspecifiedLayout(codec, o.AudioChannels);
    } else {
        parser_.CopyContextOptions(codec, parser_.OptionContexts().Codecs[AVMEDIA_TYPE_AUDIO].get(),
                                   kAudioEncoding);
        if (!choice.NameFound) {
            o.AudioCodecName.clear();
            throw FFmpegException(host_.LastErrorText());
        }
        codec->codec_id = choice.Id;
        SetAudioEncoding(record, choice.Encoder);
    }
    output_codecs_.push_back(copy ? nullptr : choice.ByName);

    codec->sample_rate = o.AudioSampleRate;
    codec->time_base = AVRational{1, o.AudioSampleRate};
    if (!copy) {
        record.SourceSampleRate = o.AudioSampleRateFromInput;
        record.SourceChannels = o.AudioChannelsFromInput;
        ChooseSupportedRateAndLayout(record);
    }

    TakeLanguage(stream, o.AudioLanguage);
    o.AudioDisable = false;
    o.AudioCodecName.clear();
    o.AudioStreamCopy = false;
}

void TOutputBuilder::SetAudioEncoding(TOutputStream& record, const AVCodec* encoder) {
    const TEngineOptions& o = options_;
    AVCodecContext* codec = record.Codec.get();
    if (o.AudioQScale > -99999.0f) {
        codec->flags |= AV_CODEC_FLAG_QSCALE;
        record.Quality = static_cast<float>(FF_QP2LAMBDA) * o.AudioQScale;
        codec->global_quality = static_cast<int>(record.Quality);
    }
    // A layout whose channel count disagrees leaves only the count.
    const auto mask = static_cast<uint64_t>(o.ChannelLayout);
    if (mask != 0 && std::popcount(mask) == o.AudioChannels) {
        ff::av_channel_layout_uninit(&codec->ch_layout);
        ff::av_channel_layout_from_mask(&codec->ch_layout, mask);
    } else {
        SetUnspecifiedLayout(codec, o.AudioChannels);
    }
    codec->sample_fmt = static_cast<AVSampleFormat>(o.AudioSampleFmt);
    ChooseSampleFormat(codec, encoder);
}

void TOutputBuilder::ChooseSupportedRateAndLayout(TOutputStream& record) {
    const AVCodec* encoder = record.Encoder;
    AVCodecContext* codec = record.Codec.get();
    if (encoder == nullptr) {
        return;
    }
    // The input's own rate and channel count are taken unchecked by default,
    // and an encoder refuses to open with values it does not support.
    if (const int* rates = encoder->supported_samplerates; rates != nullptr && *rates != 0) {
        const int pending = codec->sample_rate;
        if (const int nearest = NearestListedRate(rates, pending); nearest != pending) {
            host_.Log(llVerbose, Format("Encoder %s does not support %d Hz; using %d Hz",
                                        encoder->name, pending, nearest));
            codec->sample_rate = nearest;
            codec->time_base = AVRational{1, nearest};
        }
    }
    const AVChannelLayout* layouts = encoder->ch_layouts;
    if (layouts == nullptr || layouts[0].nb_channels == 0) {
        return;
    }
    const TLayoutChoice choice = ChooseListedLayout(layouts, codec->ch_layout);
    if (choice.Chosen == nullptr) {
        return;
    }
    if (choice.Substitute) {
        host_.Log(llVerbose, Format("Encoder %s does not support the channel layout %s; using %s",
                                    encoder->name, LayoutText(codec->ch_layout).c_str(),
                                    LayoutText(*choice.Chosen).c_str()));
    }
    ReplaceLayout(codec, *choice.Chosen);
}

void TOutputBuilder::TakeSourceAudioFormat(TOutputStream& record, const AVCodecContext& source) {
    AVCodecContext* codec = record.Codec.get();
    bool changed = false;
    if (record.SourceSampleRate && source.sample_rate > 0) {
        codec->sample_rate = source.sample_rate;
        codec->time_base = AVRational{1, source.sample_rate};
        changed = true;
    }
    if (record.SourceChannels && source.ch_layout.nb_channels > 0) {
        if (source.ch_layout.order == AV_CHANNEL_ORDER_NATIVE) {
            ReplaceLayout(codec, source.ch_layout);
        } else {
            SetUnspecifiedLayout(codec, source.ch_layout.nb_channels);
        }
        changed = true;
    }
    if (changed) {
        ChooseSupportedRateAndLayout(record);
    }
}

void TOutputBuilder::NewSubtitleStream(AVFormatContext* file) {
    TEngineOptions& o = options_;
    AVStream* stream = AddStream(file);
    if (stream == nullptr) {
        o.SubtitleCodecName.clear();
        o.SubtitleLanguage.clear();
        throw FFmpegException("Could not alloc stream");
    }
    const bool copy = o.SubtitleStreamCopy;
    const AVCodec* by_name = nullptr;
    AVCodecID codec_id = AV_CODEC_ID_NONE;
    bool name_found = true;
    if (!copy) {
        name_found =
            host_.FindEncoder(o.SubtitleCodecName, AVMEDIA_TYPE_SUBTITLE, codec_id, &by_name);
    }
    TOutputStream& record =
        AddOutputStream(file, stream, AVMEDIA_TYPE_SUBTITLE, by_name, o.SubtitleBitstreamFilters);
    AVCodecContext* codec = record.Codec.get();
    codec->codec_type = AVMEDIA_TYPE_SUBTITLE;
    if (o.SubtitleCodecTag != 0) {
        codec->codec_tag = o.SubtitleCodecTag;
    }
    if (copy) {
        record.StreamCopy = true;
    } else {
        parser_.CopyContextOptions(
            codec, parser_.OptionContexts().Codecs[AVMEDIA_TYPE_SUBTITLE].get(), kSubtitleEncoding);
        if (!name_found) {
            o.SubtitleCodecName.clear();
            throw FFmpegException(host_.LastErrorText());
        }
        codec->codec_id = codec_id;
    }
    output_codecs_.push_back(copy ? nullptr : by_name);

    TakeLanguage(stream, o.SubtitleLanguage);
    o.SubtitleDisable = false;
    o.SubtitleCodecName.clear();
    o.SubtitleStreamCopy = false;
}

void TOutputBuilder::NewStreamInLastOutput(AVMediaType type) {
    if (output_files_.empty()) {
        throw FFmpegException("At least one output file must be specified");
    }
    AVFormatContext* file = output_files_.back().get();
    switch (type) {
        case AVMEDIA_TYPE_VIDEO:
            NewVideoStream(file);
            break;
        case AVMEDIA_TYPE_AUDIO:
            NewAudioStream(file);
            break;
        default:
            NewSubtitleStream(file);
            break;
    }
}

int TOutputBuilder::OpenOutputFile(const std::string& FileName, bool Join) {
    const size_t files_before = output_files_.size();
    const size_t streams_before = output_streams_.size();
    const size_t codecs_before = output_codecs_.size();
    size_t created_before = 0;
    {
        std::lock_guard lock(created_mutex_);
        created_before = created_outputs_.size();
    }
    // A failed output leaves nothing behind: no entry, no stream records, no
    // encoder entries and no filter chains of its row.
    auto roll_back = [&] {
        output_streams_.resize(streams_before);
        output_codecs_.resize(codecs_before);
        if (files_before < static_cast<size_t>(max_files_)) {
            for (int i = 0; i < kMaxStreams; ++i) {
                bitstream_filters_[files_before * kMaxStreams + static_cast<size_t>(i)].clear();
            }
        }
        output_files_.resize(files_before);
        // Closed first, then the partial file it made goes.
        RemoveUnfinishedOutputs(created_before, false);
    };
    try {
        const int result = CreateOutputFile(FileName, Join);
        if (result < 0) {
            roll_back();
        }
        return result;
    } catch (...) {
        roll_back();
        throw;
    }
}

int TOutputBuilder::CreateOutputFile(const std::string& FileName, bool Join) {
    TEngineOptions& o = options_;
    if (join_mode_) {
        host_.SetLastErrorText("Cannot join more than one output file.");
        return -1;
    }
    o.UseFilters = !o.VideoFilters.empty();
    const bool joining = Join && host_.InputFileCount() > 1;
    const int entries = joining ? host_.InputFileCount() : 1;
    if (OutputFileCount() + entries > max_files_) {
        host_.SetLastErrorText(Format("Too many output files (at most %d)", max_files_));
        return -1;
    }

    const std::string url = ToLibraryFileName(FileName);
    const AVOutputFormat* muxer = ChooseMuxer(FileName, url);
    if (muxer == nullptr) {
        return -1;
    }
    // Made for its muxer, the context carries the muxer's own options; the
    // whole name is kept.
    AVFormatContext* made = nullptr;
    if (ff::avformat_alloc_output_context2(&made, muxer, nullptr, url.c_str()) < 0 ||
        made == nullptr) {
        throw FFmpegException("avformat_alloc_context failed");
    }
    std::shared_ptr<AVFormatContext> file(made, engine::OutputContextClose{});

    TOutputStreamTypes types;
    if (!ChooseOutputStreamTypes(*muxer, Join, types) || !CreateOutputStreams(file.get(), types)) {
        return -1;
    }
    SetOutputMetadata(file.get());
    output_files_.push_back(file);

    if ((muxer->flags & AVFMT_NEEDNUMBER) != 0 && ff::av_filename_number_test(file->url) == 0) {
        host_.SetLastErrorText(AVErrorText(FileName, AVERROR(EDOM)));
        return -1;
    }
    if ((muxer->flags & AVFMT_NOFILE) == 0 && OpenOutputBytes(file.get(), FileName) < 0) {
        return -1;
    }
    ApplyMuxerSettings(file.get(), *muxer);
    if (joining) {
        EnterJoinMode(file);
    }
    return OutputFileCount();
}

const AVOutputFormat* TOutputBuilder::ChooseMuxer(const std::string& FileName,
                                                  const std::string& url) {
    TEngineOptions& o = options_;
    if (o.FormatName.empty()) {
        const AVOutputFormat* muxer = ff::av_guess_format(nullptr, url.c_str(), nullptr);
        if (muxer == nullptr) {
            host_.SetLastErrorText(
                Format("Unable to find a suitable output format for '%s'", FileName.c_str()));
        }
        return muxer;
    }
    const AVOutputFormat* muxer = ff::av_guess_format(o.FormatName.c_str(), nullptr, nullptr);
    if (muxer == nullptr) {
        host_.SetLastErrorText(Format(
            "Requested output format '%s' is not a suitable output format", o.FormatName.c_str()));
        return nullptr;
    }
    o.FormatName.clear();
    return muxer;
}

bool TOutputBuilder::ChooseOutputStreamTypes(const AVOutputFormat& muxer, bool Join,
                                             TOutputStreamTypes& types) {
    const TEngineOptions& o = options_;
    types.Video =
        o.VideoStreamCopy || muxer.video_codec != AV_CODEC_ID_NONE || !o.VideoCodecName.empty();
    types.Audio =
        o.AudioStreamCopy || muxer.audio_codec != AV_CODEC_ID_NONE || !o.AudioCodecName.empty();
    types.Subtitle = o.SubtitleStreamCopy || muxer.subtitle_codec != AV_CODEC_ID_NONE ||
                     !o.SubtitleCodecName.empty();
    if (host_.InputFileCount() > 0) {
        // Only the types the inputs have.
        TOutputStreamTypes inputs;
        if (!FindInputStreamTypes(Join, inputs)) {
            return false;
        }
        types.Video = types.Video && inputs.Video;
        types.Audio = types.Audio && inputs.Audio;
        types.Subtitle = types.Subtitle && inputs.Subtitle;
    }
    types.Video = types.Video && !o.VideoDisable;
    types.Audio = types.Audio && !o.AudioDisable;
    types.Subtitle = types.Subtitle && !o.SubtitleDisable;
    return true;
}

bool TOutputBuilder::FindInputStreamTypes(bool Join, TOutputStreamTypes& inputs) {
    const int examined = Join ? 1 : host_.InputFileCount();
    for (int f = 0; f < examined; ++f) {
        const AVFormatContext* input = host_.InputFile(f);
        for (unsigned s = 0; s < input->nb_streams; ++s) {
            const int type = input->streams[s]->codecpar->codec_type;
            if (type < AVMEDIA_TYPE_UNKNOWN || type > AVMEDIA_TYPE_ATTACHMENT) {
                host_.SetLastErrorText(
                    "check_audio_video_sub_inputs fail: invalid codec_type of "
                    "input file");
                return false;
            }
            // A cover picture makes a picture stream only where a map
            // asks for it: the source choice never takes it otherwise.
            const bool cover = (input->streams[s]->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0;
            inputs.Video = inputs.Video || (type == AVMEDIA_TYPE_VIDEO &&
                                            (!cover || !parser_.StreamMaps().empty()));
            inputs.Audio = inputs.Audio || type == AVMEDIA_TYPE_AUDIO;
            inputs.Subtitle = inputs.Subtitle || type == AVMEDIA_TYPE_SUBTITLE;
        }
    }
    return true;
}

bool TOutputBuilder::CreateOutputStreams(AVFormatContext* file, const TOutputStreamTypes& types) {
    struct TStreamStep {
        bool Wanted;
        void (TOutputBuilder::*Create)(AVFormatContext*);
        const char* Name;
    };
    const TStreamStep steps[] = {
        {types.Video, &TOutputBuilder::NewVideoStream, "new_video_stream"},
        {types.Audio, &TOutputBuilder::NewAudioStream, "new_audio_stream"},
        {types.Subtitle, &TOutputBuilder::NewSubtitleStream, "new_subtitle_stream"},
    };
    for (const TStreamStep& step : steps) {
        try {
            if (step.Wanted) {
                (this->*step.Create)(file);
            }
        } catch (const FFmpegException& error) {
            host_.SetLastErrorText(Format("%s fail: %s", step.Name, error.what()));
            return false;
        }
    }
    return true;
}

void TOutputBuilder::SetOutputMetadata(AVFormatContext* file) {
    if (options_.RecordingTimestamp != 0) {
        ff::av_dict_set(&file->metadata, "creation_time",
                        CreationTimeText(options_.RecordingTimestamp).c_str(), 0);
    }
    // Applied last first, so a key given twice keeps the value given first.
    engine::TTextPairs& metadata = parser_.Metadata();
    while (!metadata.empty()) {
        const auto& [key, value] = metadata.back();
        ff::av_dict_set(&file->metadata, key.c_str(), value.c_str(), 0);
        metadata.pop_back();
    }
}

void TOutputBuilder::ApplyMuxerSettings(AVFormatContext* file, const AVOutputFormat& muxer) {
    const TEngineOptions& o = options_;
    file->max_delay = static_cast<int>(o.MuxMaxDelay * 1000000.0f);
    if (file->priv_data != nullptr) {
        const AVClass* own = muxer.priv_class;
        if (engine::ClassHasOption(own, "preload")) {
            ff::av_opt_set_int(file->priv_data, "preload",
                               static_cast<int64_t>(o.MuxPreload * 1000000.0f), 0);
        }
        if (engine::ClassHasOption(own, "loop")) {
            ff::av_opt_set_int(file->priv_data, "loop", o.LoopOutput, 0);
        }
        for (const auto& [name, value] : parser_.PendingMuxerOptions()) {
            if (engine::ClassHasOption(own, name.c_str())) {
                ff::av_opt_set(file->priv_data, name.c_str(), value.c_str(), 0);
            }
        }
    }
    parser_.PendingMuxerOptions().clear();
    file->flags |= AVFMT_FLAG_NONBLOCK;
    parser_.CopyContextOptions(file, parser_.OptionContexts().Format.get(),
                               AV_OPT_FLAG_ENCODING_PARAM);
}

void TOutputBuilder::EnterJoinMode(const std::shared_ptr<AVFormatContext>& file) {
    join_mode_ = true;
    int64_t total = 0;
    for (int f = 0; f < host_.InputFileCount(); ++f) {
        if (const AVFormatContext* input = host_.InputFile(f); input->duration != AV_NOPTS_VALUE) {
            total += input->duration;
        }
    }
    host_.SetExpectedDuration(total != 0 ? total : -1);
    // The output appears once per input.
    for (int i = 1; i < host_.InputFileCount(); ++i) {
        output_files_.push_back(file);
    }
}

int TOutputBuilder::OpenOutputBytes(AVFormatContext* file, const std::string& FileName) {
    if (UseCallerOutput(file)) {
        return 0;
    }
    std::string path;
    if (!IsLocalFileName(file->url, &path)) {
        // Another protocol: the libraries' own access, as named.
        const int opened = OpenOutputIO(&file->pb, file->url);
        if (opened < 0) {
            host_.SetLastErrorText(Format("Could not open '%s': %s", FileName.c_str(),
                                          LibraryErrorText(opened).c_str()));
            return -1;
        }
        return 0;
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))) {
        // A device or a pipe named as the output is written as it is: there
        // is nothing there to replace and nothing to name at the end.
        const int opened = ff::avio_open(&file->pb, path.c_str(), AVIO_FLAG_WRITE);
        if (opened < 0) {
            host_.SetLastErrorText(Format("Could not open '%s': %s", FileName.c_str(),
                                          LibraryErrorText(opened).c_str()));
            return -1;
        }
        return 0;
    }
    // Tried now, so that a folder that cannot be written fails here.
    std::string wanted = path;
    TCreatedFile partial;
    const int fd =
        CreatePartialUnderFreeName(&wanted, &partial, [] { return ProcessStopRequested(); });
    if (fd < 0) {
        host_.SetLastErrorText(
            Format("Could not open '%s': %s", wanted.c_str(), SystemErrorText(-fd).c_str()));
        return -1;
    }
    ::close(fd);
    RemoveCreatedFile(partial);
    {
        std::lock_guard lock(created_mutex_);
        created_outputs_.push_back(TCreatedOutput{file, {}, wanted, false});
    }
    // Nobody reads a file of ours while it is written: it goes out in whole
    // buffers rather than one system call per packet (an option given for
    // the file still decides).
    file->flush_packets = 0;
    NameOutput(file, path, wanted);
    return 0;
}

void TOutputBuilder::NameOutput(AVFormatContext* file, const std::string& path,
                                const std::string& wanted) {
    if (wanted == path && FromLibraryFileName(file->url) == wanted) {
        return;
    }
    // Messages and the stream listing name the file that is written.
    if (!ReplaceLibraryText(file->url, ToLibraryFileName(wanted).c_str())) {
        throw std::bad_alloc();
    }
}

void TOutputBuilder::CreateOutputBytes(AVFormatContext* file) {
    std::lock_guard lock(created_mutex_);
    for (TCreatedOutput& output : created_outputs_) {
        if (output.File != file || !output.Partial.Empty() || output.Published) {
            continue;
        }
        std::string wanted = output.FinalName;
        TCreatedFile partial;
        // Not given up for a stop: a stopped run ends in its main loop, with
        // nothing to say of an output it never wrote.
        const int fd = CreatePartialUnderFreeName(&wanted, &partial);
        if (fd < 0) {
            throw FFmpegException(
                Format("Could not open '%s': %s", wanted.c_str(), SystemErrorText(-fd).c_str()));
        }
        output.Partial = partial;
        if (const int error = OpenOutputIOOnFile(&file->pb, fd); error < 0) {
            throw FFmpegException(
                Format("Could not open '%s': %s", wanted.c_str(), LibraryErrorText(error).c_str()));
        }
        NameOutput(file, output.FinalName, wanted);
        output.FinalName = wanted;
        return;
    }
}

void TOutputBuilder::RemoveUnfinishedOutputs(size_t first, bool only_empty) {
    std::lock_guard lock(created_mutex_);
    if (first >= created_outputs_.size()) {
        return;
    }
    std::vector<TCreatedOutput> kept(created_outputs_.begin(),
                                     created_outputs_.begin() + static_cast<ptrdiff_t>(first));
    for (size_t i = first; i < created_outputs_.size(); ++i) {
        TCreatedOutput& output = created_outputs_[i];
        if (output.Published) {
            kept.push_back(output);
            continue;
        }
        const int64_t size = CreatedFileSize(output.Partial);
        if (size < 0) {
            continue;  // gone, or no longer ours: nothing to do with it
        }
        if (size > 0 && only_empty) {
            kept.push_back(output);
            continue;
        }
        RemoveCreatedFile(output.Partial);
    }
    created_outputs_ = std::move(kept);
}

void TOutputBuilder::DiscardUnfinishedOutputs() {
    RemoveUnfinishedOutputs(0, keep_unfinished_outputs_.load());
    // Kept or removed, they are no longer this engine's.
    std::lock_guard lock(created_mutex_);
    std::erase_if(created_outputs_, [](const TCreatedOutput& output) { return !output.Published; });
}

std::string TOutputBuilder::SettleOutputs(bool completed, bool has_error, bool running) {
    const bool success = completed && !has_error;
    if (!success && !has_error) {
        // Stopped, or never run: what has content is the owner's to keep or
        // discard; what was never written goes now, unless a run still ends.
        if (!running) {
            RemoveUnfinishedOutputs(0, true);
        }
        return {};
    }
    std::string failure;
    {
        std::lock_guard lock(created_mutex_);
        for (TCreatedOutput& output : created_outputs_) {
            if (output.Published || output.Partial.Empty()) {
                continue;
            }
            if (!success) {
                RemoveCreatedFile(output.Partial);
                output.Partial = {};
                continue;
            }
            if (output_finisher_) {
                if (std::string problem = output_finisher_(output.Partial.Path); !problem.empty()) {
                    if (failure.empty()) {
                        failure = std::move(problem);
                    }
                    RemoveCreatedFile(output.Partial);
                    output.Partial = {};
                    continue;
                }
            }
            std::string written;
            const int result = PublishCreatedFile(output.Partial, output.FinalName, &written);
            if (result < 0) {
                if (failure.empty()) {
                    failure = Format("Could not write output file '%s': %s",
                                     output.FinalName.c_str(), SystemErrorText(-result).c_str());
                }
                RemoveCreatedFile(output.Partial);
                output.Partial = {};
                continue;
            }
            output.FinalName = written;
            output.Published = true;
        }
        std::erase_if(created_outputs_,
                      [](const TCreatedOutput& output) { return output.Partial.Empty(); });
    }
    return failure;
}

std::vector<std::string> TOutputBuilder::WrittenOutputNames() const {
    std::lock_guard lock(created_mutex_);
    std::vector<std::string> names;
    for (const TCreatedOutput& output : created_outputs_) {
        if (output.Published) {
            names.push_back(output.FinalName);
        }
    }
    return names;
}

AVFormatContext* TOutputBuilder::OutputFile(int index) const {
    if (index < 0 || index >= OutputFileCount()) {
        return nullptr;
    }
    return output_files_[static_cast<size_t>(index)].get();
}

const AVCodec* TOutputBuilder::OutputCodec(int index) const {
    if (index < 0 || index >= OutputCodecCount()) {
        return nullptr;
    }
    return output_codecs_[static_cast<size_t>(index)];
}

TOutputStream* TOutputBuilder::FindOutputStream(const AVFormatContext* file, int stream) const {
    for (const std::unique_ptr<TOutputStream>& record : output_streams_) {
        if (record->File == file && record->Stream->index == stream) {
            return record.get();
        }
    }
    return nullptr;
}

}  // namespace v2m::engine
