// Transcode set-up: the stream tables, the source of every output stream, the
// stream parameters for copying and encoding, the two-pass files, the encoders
// and decoders, metadata and chapters, the headers and the stream mapping.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <new>
#include <thread>

#include "FFmpegFiles.h"
#include "FFmpegLoader.h"
#include "AsciiText.h"
#include "FFmpegTranscoder.h"
#include "Format.h"
#include "MyUtils.h"
#include "OptionValues.h"
#include "Previewer.h"
#include "libavutil_error.h"

namespace v2m {

int64_t EngineClock() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void TCustomFFmpeg::Transcode() {
    engine::TTranscoder transcoder(static_cast<engine::TTranscodeContext&>(*this));
    transcoder.Run();
}

int64_t& TCustomFFmpeg::TsOffsetOf(int file) {
    return input_ts_offsets_[static_cast<size_t>(file)];
}

TBitstreamFilterChain& TCustomFFmpeg::BitstreamFiltersOf(const AVFormatContext* file, int stream) {
    return outputs_.BitstreamFiltersOf(file, stream);
}

int64_t TCustomFFmpeg::ScalerFlags() const {
    int64_t flags = options_.SwsFlags;
    ff::av_opt_get_int(parser_.OptionContexts().Scaler.get(), "sws_flags", 0, &flags);
    return flags;
}

void TCustomFFmpeg::SetLastErrorText(const std::string& text) {
    last_error_text_ = text;
}

std::shared_ptr<TPreviewer> TCustomFFmpeg::PreviewWindow() {
    if (!preview_window_) {
        preview_window_ = std::make_shared<TPreviewer>();
    }
    return preview_window_;
}

TFrameHookChain& TCustomFFmpeg::FrameHooks() {
    return frame_hooks_;
}

std::atomic<bool>* TCustomFFmpeg::StopFlag() {
    return run_.StopFlag();
}

void TCustomFFmpeg::SetCompleted(bool completed) {
    run_.SetCompleted(completed);
}

void TCustomFFmpeg::SetMeasuredSpan(int64_t span) {
    run_.SetMeasuredSpan(span);
}

namespace engine {

namespace {

// A chapter made for an output, until the output's list holds it.
struct ChapterFree {
    void operator()(AVChapter* chapter) const {
        ff::av_dict_free(&chapter->metadata);
        ff::av_free(chapter);
    }
};

constexpr int kSdpSize = 2048;
constexpr int kLogNameLimit = 1023;

}  // namespace

TTranscoder::TTranscoder(TTranscodeContext& context)
    : context_(context), options_(context.Options()), state_(context.MutableTranscodeState()) {}

// The stream records close their codecs as they go, also after a failure.
TTranscoder::~TTranscoder() = default;

void TTranscoder::Run() {
    SetUp();
    MainLoop();
    Teardown();
}

void TTranscoder::Log(TLogLevel level, const std::string& text) const {
    context_.Log(level, text);
}

AVFormatContext* TTranscoder::OutputFileOf(const TTranscodeOutputStream& ost) const {
    return context_.OutputFile(ost.FileIndex);
}

AVCodecContext* TTranscoder::EncoderOf(const TTranscodeOutputStream& ost) const {
    return ost.Output->Codec.get();
}

AVMediaType TTranscoder::OutputType(const TTranscodeOutputStream& ost) const {
    return EncoderOf(ost)->codec_type;
}

AVMediaType TTranscoder::InputType(const TTranscodeInputStream& ist) const {
    return ist.Stream->codecpar->codec_type;
}

bool TTranscoder::OwnsStream(const TTranscodeOutputStream& ost) const {
    return !context_.JoinMode() || ost.FileIndex == 0;
}

TBitstreamFilterChain& TTranscoder::ChainOf(const TTranscodeOutputStream& ost) {
    // A join block writes through the chain of the one output file they share.
    return context_.BitstreamFiltersOf(OutputFileOf(ost), ost.StreamIndex);
}

void TTranscoder::SetUp() {
    state_.TimerStart = 0;
    state_.VideoSize = 0;
    state_.AudioSize = 0;
    state_.ExtraSize = 0;
    state_.FramesDup = 0;
    state_.FramesDrop = 0;
    state_.DupDropChanged = false;
    no_packet_.assign(static_cast<size_t>(context_.MaxFiles()), 0);
    no_packet_count_ = 0;

    BuildInputTables();
    BuildOutputTable();
    ChooseSources();
    SetStreamParameters();
    NormalizeLoudness();
    OpenEncoders();
    CreateFifos();
    OpenDecoders();
    InitTimestamps();
    CopyMetadata();
    CopyChapters();
    InitBitstreamFilters();
    WriteHeaders();
    LogStreamMapping();

    packet_.reset(ff::av_packet_alloc());
    out_packet_.reset(ff::av_packet_alloc());
    decoded_.reset(ff::av_frame_alloc());
    resampled_.reset(ff::av_frame_alloc());
    encode_frame_.reset(ff::av_frame_alloc());
    if (!packet_ || !out_packet_ || !decoded_ || !resampled_ || !encode_frame_) {
        throw std::bad_alloc();
    }
    state_.TimerStart = EngineClock();
    std::fill(no_packet_.begin(), no_packet_.end(), 0);
    no_packet_count_ = 0;
}

void TTranscoder::BuildInputTables() {
    const int files = context_.InputFileCount();
    int first = 0;
    input_files_.reserve(static_cast<size_t>(files));
    for (int i = 0; i < files; ++i) {
        const AVFormatContext* ic = context_.InputFile(i);
        input_files_.push_back({0, first, static_cast<int32_t>(ic->nb_streams)});
        first += static_cast<int>(ic->nb_streams);
    }
    // Records are referred to by address (sync inputs): the table never grows later.
    input_streams_.reserve(static_cast<size_t>(first));
    const int64_t now = options_.RateEmu ? EngineClock() : 0;
    for (int i = 0; i < files; ++i) {
        AVFormatContext* ic = context_.InputFile(i);
        for (unsigned s = 0; s < ic->nb_streams; ++s) {
            TTranscodeInputStream ist;
            ist.FileIndex = i;
            ist.StreamIndex = static_cast<int32_t>(s);
            ist.Stream = ic->streams[s];
            ist.Codec = context_.InputStreamCodec(i, static_cast<int>(s));
            if (ist.Codec == nullptr) {
                throw FFmpegException("invalid codec_type");
            }
            ist.ReadStartClock = now;
            input_streams_.push_back(std::move(ist));
        }
    }
}

void TTranscoder::BuildOutputTable() {
    const int files = context_.OutputFileCount();
    int total = 0;
    for (int j = 0; j < files; ++j) {
        const AVFormatContext* os = context_.OutputFile(j);
        if (os->nb_streams == 0) {
            DumpOutputFile(j);
            throw FFmpegException(Format("Output file #%d does not contain any stream", j));
        }
        total += static_cast<int>(os->nb_streams);
    }
    block_size_ = files > 0 ? static_cast<int>(context_.OutputFile(0)->nb_streams) : 0;

    const int maps = context_.StreamMapCount();
    if (maps > 0 && maps != total) {
        throw FFmpegException("Number of stream maps must match number of output streams");
    }
    const int inputs = static_cast<int>(input_files_.size());
    auto valid = [&](int file, int stream) {
        return file >= 0 && file < inputs && stream >= 0 &&
               stream < input_files_[static_cast<size_t>(file)].StreamCount;
    };
    for (const TStreamMap& map : context_.StreamMaps()) {
        if (!valid(map.FileIndex, map.StreamIndex)) {
            throw FFmpegException(
                Format("Could not find input stream #%d.%d", map.FileIndex, map.StreamIndex));
        }
        if (!valid(map.SyncFileIndex, map.SyncStreamIndex)) {
            throw FFmpegException(Format("Could not find sync stream #%d.%d", map.SyncFileIndex,
                                         map.SyncStreamIndex));
        }
    }

    output_streams_.resize(static_cast<size_t>(total));
    size_t n = 0;
    for (int j = 0; j < files; ++j) {
        AVFormatContext* os = context_.OutputFile(j);
        for (unsigned k = 0; k < os->nb_streams; ++k, ++n) {
            TTranscodeOutputStream& ost = output_streams_[n];
            ost.FileIndex = j;
            ost.StreamIndex = static_cast<int32_t>(k);
            ost.Stream = os->streams[k];
            ost.Output = context_.FindOutputStream(os, static_cast<int>(k));
            if (ost.Output == nullptr || !ost.Output->Codec) {
                throw FFmpegException("invalid codec_type of output stream");
            }
        }
    }
}

void TTranscoder::ChooseSources() {
    const auto maps = context_.StreamMaps();
    for (size_t n = 0; n < output_streams_.size(); ++n) {
        TTranscodeOutputStream& ost = output_streams_[n];
        const AVMediaType type = OutputType(ost);
        int source = -1;
        int sync = -1;
        if (!maps.empty()) {
            const TStreamMap& map = maps[n];
            source = input_files_[static_cast<size_t>(map.FileIndex)].FirstStream + map.StreamIndex;
            sync = input_files_[static_cast<size_t>(map.SyncFileIndex)].FirstStream +
                   map.SyncStreamIndex;
            const TTranscodeInputStream& ist = input_streams_[static_cast<size_t>(source)];
            if (InputType(ist) != type) {
                DumpOutputFile(ost.FileIndex);
                throw FFmpegException(
                    Format("Codec type mismatch for mapping #%d.%d (%s) -> #%d.%d (%s)",
                           map.FileIndex, map.StreamIndex, MediaTypeName(InputType(ist)).c_str(),
                           ost.FileIndex, ost.StreamIndex, MediaTypeName(type).c_str()));
            }
        } else {
            source = FindSource(ost, type);
            if (source < 0) {
                DumpOutputFile(ost.FileIndex);
                throw FFmpegException(
                    Format("Could not find input stream matching output stream #%d.%d (%s)",
                           ost.FileIndex, ost.StreamIndex, MediaTypeName(type).c_str()));
            }
            sync = source;
        }
        ost.SourceIndex = source;
        input_streams_[static_cast<size_t>(source)].Discard = 0;
        ost.SyncInput = &input_streams_[static_cast<size_t>(sync)];
        ost.Active = 1;
    }
    // The demuxer need not even read what no output takes.
    for (TTranscodeInputStream& ist : input_streams_) {
        if (ist.Discard != 0) {
            ist.Stream->discard = AVDISCARD_ALL;
        }
    }
}

// A cover is one still picture: as the source of a moving picture it would
// give a one-frame video, so only an explicit map takes it.
bool TTranscoder::IsCoverPicture(const TTranscodeInputStream& ist) {
    return (ist.Stream->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0;
}

// A picture file given as an input of its own (a cover made elsewhere) is
// the cover of the output: the audio containers keep only pictures marked so.
bool TTranscoder::IsStillImageFile(const TTranscodeInputStream& ist) const {
    const AVFormatContext* ic = context_.InputFile(ist.FileIndex);
    if (ic == nullptr || ic->iformat == nullptr || ic->nb_streams != 1 ||
        InputType(ist) != AVMEDIA_TYPE_VIDEO) {
        return false;
    }
    const std::string_view name = ic->iformat->name;
    return name == "image2" || (name.size() > 5 && name.substr(name.size() - 5) == "_pipe");
}

bool TTranscoder::InProgram(const TTranscodeInputStream& ist, int program_id) const {
    const AVFormatContext* ic = context_.InputFile(ist.FileIndex);
    for (unsigned p = 0; p < ic->nb_programs; ++p) {
        const AVProgram* program = ic->programs[p];
        if (program->id != program_id) {
            continue;
        }
        for (unsigned s = 0; s < program->nb_stream_indexes; ++s) {
            if (program->stream_index[s] == static_cast<unsigned>(ist.StreamIndex)) {
                return true;
            }
        }
    }
    return false;
}

bool TTranscoder::CanFeed(const TTranscodeInputStream& ist, const TTranscodeOutputStream& ost,
                          AVMediaType type) const {
    if (ist.Discard == 0 || ist.Stream->discard == AVDISCARD_ALL || InputType(ist) != type ||
        IsCoverPicture(ist)) {
        return false;
    }
    if (options_.ProgramId != 0 && !InProgram(ist, options_.ProgramId)) {
        return false;
    }
    return !context_.JoinMode() || ist.FileIndex == ost.FileIndex;
}

int TTranscoder::FindSource(const TTranscodeOutputStream& ost, AVMediaType type) const {
    // The frames a stream is known to hold stand for the frames the analysis
    // saw, which the libraries no longer report; ties keep the earlier stream.
    int best = -1;
    int64_t best_frames = -1;
    for (size_t i = 0; i < input_streams_.size(); ++i) {
        const TTranscodeInputStream& ist = input_streams_[i];
        if (CanFeed(ist, ost, type) && ist.Stream->nb_frames > best_frames) {
            best = static_cast<int>(i);
            best_frames = ist.Stream->nb_frames;
        }
    }
    if (best < 0 && options_.ProgramId == 0 && !context_.JoinMode()) {
        for (size_t i = input_streams_.size(); i-- > 0;) {
            const TTranscodeInputStream& ist = input_streams_[i];
            if (InputType(ist) == type && ist.Stream->discard != AVDISCARD_ALL &&
                !IsCoverPicture(ist)) {
                return static_cast<int>(i);
            }
        }
    }
    return best;
}

namespace {

bool IsGainTagKey(std::string_view key) {
    const auto starts = [key](std::string_view prefix) {
        return key.size() >= prefix.size() && SameTextAscii(key.substr(0, prefix.size()), prefix);
    };
    return starts("replaygain_") || starts("r128_");
}

bool HasGainTags(const AVDictionary* metadata) {
    const AVDictionaryEntry* entry = nullptr;
    while ((entry = ff::av_dict_get(metadata, "", entry, AV_DICT_IGNORE_SUFFIX)) != nullptr) {
        if (IsGainTagKey(entry->key)) {
            return true;
        }
    }
    return false;
}

}  // namespace

// The gain tags an audio stream carries over (Ogg and FLAC keep them with
// the stream) describe the source's samples: wrong once the gain changes
// them or only a part of them is written (a piece, a cut), and stale beside
// the output's own gain tags, which would lose to them in a muxer that
// prefers the stream's.
void TTranscoder::DropStaleGainTags(TTranscodeOutputStream& ost) const {
    const bool samples_change = options_.AudioVolume != 256 || options_.NormalizeLoudness;
    const bool part = options_.StartTime > 0 || options_.RecordingTime != kUnlimitedTime;
    if (!samples_change && !part && !HasGainTags(context_.OutputFile(ost.FileIndex)->metadata)) {
        return;
    }
    std::vector<std::string> stale;
    const AVDictionaryEntry* entry = nullptr;
    while ((entry = ff::av_dict_get(ost.Stream->metadata, "", entry, AV_DICT_IGNORE_SUFFIX)) !=
           nullptr) {
        if (IsGainTagKey(entry->key)) {
            stale.emplace_back(entry->key);
        }
    }
    for (const std::string& key : stale) {
        ff::av_dict_set(&ost.Stream->metadata, key.c_str(), nullptr, AV_DICT_MATCH_CASE);
    }
}

void TTranscoder::SetStreamParameters() {
    for (size_t n = 0; n < output_streams_.size(); ++n) {
        TTranscodeOutputStream& ost = output_streams_[n];
        TTranscodeInputStream& ist = input_streams_[static_cast<size_t>(ost.SourceIndex)];
        AVCodecContext* enc = EncoderOf(ost);
        const AVMediaType type = OutputType(ost);
        const bool owner = OwnsStream(ost);
        if (owner) {
            ff::av_dict_copy(&ost.Stream->metadata, ist.Stream->metadata, AV_DICT_DONT_OVERWRITE);
            if (type == AVMEDIA_TYPE_AUDIO) {
                DropStaleGainTags(ost);
            }
            ost.Stream->disposition = ist.Stream->disposition;
            if (IsStillImageFile(ist)) {
                ost.Stream->disposition |= AV_DISPOSITION_ATTACHED_PIC;
            }
            enc->bits_per_raw_sample = ist.Stream->codecpar->bits_per_raw_sample;
            enc->chroma_sample_location = ist.Stream->codecpar->chroma_location;
        }
        if (ost.Output->StreamCopy) {
            SetCopyParameters(ost, ist);
            continue;
        }
        switch (type) {
            case AVMEDIA_TYPE_AUDIO:
                if (owner) {
                    context_.TakeSourceAudioFormat(*ost.Output, *ist.Codec);
                }
                // A count without a layout (WAV without a channel mask, say)
                // is the usual layout of that count: some encoders refuse a
                // bare count.
                if (owner && enc->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC &&
                    enc->ch_layout.nb_channels > 0) {
                    const int channels = enc->ch_layout.nb_channels;
                    ff::av_channel_layout_uninit(&enc->ch_layout);
                    ff::av_channel_layout_default(&enc->ch_layout, channels);
                }
                ost.ReformatPair = -6;
                ost.AudioResample =
                    ist.Codec->sample_rate != enc->sample_rate || options_.AudioSyncMethod > 1 ? 1
                                                                                               : 0;
                // Where one input feeds several outputs, the decoder keeps the
                // most channels any of them wants.
                ist.RequestedChannels = std::max(ist.RequestedChannels, enc->ch_layout.nb_channels);
                ist.DecodingNeeded = 1;
                ost.EncodingNeeded = 1;
                break;
            case AVMEDIA_TYPE_VIDEO:
                SetVideoEncoding(ost, ist);
                break;
            case AVMEDIA_TYPE_SUBTITLE:
                SetSubtitleEncoding(ost, ist);
                break;
            default:
                throw FFmpegException("invalid codec_type of output stream");
        }
        if (owner && (enc->flags & (AV_CODEC_FLAG_PASS1 | AV_CODEC_FLAG_PASS2)) != 0) {
            OpenPassLogFile(ost, static_cast<int>(n));
        }
    }
}

void TTranscoder::CheckCopyAllowed(AVMediaType type) const {
    switch (type) {
        case AVMEDIA_TYPE_AUDIO:
            if (options_.AudioVolume != 256) {
                throw FFmpegException(
                    "-acodec copy and -vol are incompatible (frames are not decoded)");
            }
            break;
        case AVMEDIA_TYPE_VIDEO:
            if (context_.HasCustomHook()) {
                throw FFmpegException(
                    "-vcodec copy and CustomHook are incompatible (frames are not decoded)");
            }
            if (options_.UsingVHook) {
                throw FFmpegException(
                    "-vcodec copy and -vhook are incompatible (frames are not decoded)");
            }
            if (context_.PreviewFlags() != 0) {
                throw FFmpegException(
                    "-vcodec copy and PostHooks are incompatible (frames are not decoded)");
            }
            break;
        case AVMEDIA_TYPE_SUBTITLE:
            break;
        default:
            throw FFmpegException("invalid codec_type of output stream");
    }
}

void TTranscoder::SetCopyParameters(TTranscodeOutputStream& ost, const TTranscodeInputStream& ist) {
    const AVMediaType type = OutputType(ost);
    CheckCopyAllowed(type);
    if (!OwnsStream(ost)) {
        return;
    }
    AVCodecContext* enc = EncoderOf(ost);
    AVCodecParameters* par = ost.Stream->codecpar;
    const AVCodecParameters* in = ist.Stream->codecpar;
    // A tag given for the output (atag, vtag) wins; the input's is kept only
    // where the muxer does not give that codec another one.
    const uint32_t given_tag = enc->codec_tag;
    if (const int error = ff::avcodec_parameters_copy(par, in); error < 0) {
        throw LibraryCallFailed("avcodec_parameters_copy", error);
    }
    const AVCodecTag* const* tags = OutputFileOf(ost)->oformat->codec_tag;
    if (given_tag != 0) {
        par->codec_tag = given_tag;
    } else if (tags != nullptr && ff::av_codec_get_id(tags, in->codec_tag) != in->codec_id &&
               ff::av_codec_get_tag(tags, in->codec_id) != 0) {
        par->codec_tag = 0;
    }
    if (type == AVMEDIA_TYPE_AUDIO &&
        ((par->block_align == 1 && par->codec_id == AV_CODEC_ID_MP3) ||
         par->codec_id == AV_CODEC_ID_AC3)) {
        par->block_align = 0;
    }
    SetCopyTimeBase(ost, ist, type);
}

void TTranscoder::SetCopyTimeBase(TTranscodeOutputStream& ost, const TTranscodeInputStream& ist,
                                  AVMediaType type) {
    const AVRational stream_tb = ist.Stream->time_base;
    const AVRational codec_tb = ist.Codec->time_base;
    const int ticks = std::max(ist.Codec->ticks_per_frame, 1);
    AVRational tb = stream_tb;
    if (codec_tb.num > 0 && codec_tb.den > 0 && av_q2d(codec_tb) * ticks > av_q2d(stream_tb) &&
        av_q2d(stream_tb) < 0.001) {
        tb = AVRational{codec_tb.num * ticks, codec_tb.den};
    }
    ost.Stream->time_base = tb;
    EncoderOf(ost)->time_base = tb;
    if (type == AVMEDIA_TYPE_VIDEO) {
        ost.Stream->avg_frame_rate = ist.Stream->avg_frame_rate;
        ost.Stream->r_frame_rate = ist.Stream->r_frame_rate;
    }
    ost.SourceTimeBase = stream_tb;
}

void TTranscoder::OpenPassLogFile(TTranscodeOutputStream& ost, int number) {
    const std::string& prefix = options_.PassLogFilePrefix;
    std::string name = (prefix.empty() ? std::string("ffmpeg2pass") : prefix) + "-" +
                       std::to_string(number) + ".log";
    if (name.size() > static_cast<size_t>(kLogNameLimit)) {
        name.resize(static_cast<size_t>(kLogNameLimit));
    }
    AVCodecContext* enc = EncoderOf(ost);
    if ((enc->flags & AV_CODEC_FLAG_PASS1) != 0) {
        FILE* file = ff::fopen(name.c_str(), "w");
        if (file == nullptr) {
            throw FFmpegException(
                Format("Cannot write log file %s for pass-1 encoding", name.c_str()));
        }
        ost.LogFile.reset(file);
    }
    if ((enc->flags & AV_CODEC_FLAG_PASS2) != 0) {
        AVMemory text;
        int size = 0;
        const int read = ReadWholeFile(name, text, size);
        if (read == AVERROR(ENOMEM)) {
            throw FFmpegException(Format(
                "Could not allocate file buffer: Error reading log file \"%s\" for pass-2 encoding",
                name.c_str()));
        }
        if (read < 0) {
            throw FFmpegException(
                Format("Cannot read file: Error reading log file \"%s\" for pass-2 encoding",
                       name.c_str()));
        }
        ost.PassStats = std::move(text);
    }
}

void TTranscoder::OpenEncoders() {
    for (TTranscodeOutputStream& ost : output_streams_) {
        if (ost.EncodingNeeded == 0) {
            continue;
        }
        if (!OwnsStream(ost)) {
            // A later join block writes through the encoder of block 0.
            const TTranscodeOutputStream& owner =
                output_streams_[static_cast<size_t>(ost.StreamIndex)];
            ost.SourceTimeBase = owner.SourceTimeBase;
            continue;
        }
        AVCodecContext* enc = EncoderOf(ost);
        const std::string type = MediaTypeName(OutputType(ost));
        const AVCodec* codec = ost.Output->Encoder != nullptr
                                   ? ost.Output->Encoder
                                   : ff::avcodec_find_encoder(enc->codec_id);
        if (codec == nullptr) {
            FailAfterMapping(
                Format("Encoder (codec id %d) not found for output stream #%d.%d (%s): the "
                       "libraries have no %s encoder",
                       static_cast<int>(enc->codec_id), ost.FileIndex, ost.StreamIndex,
                       type.c_str(), ff::avcodec_get_name(enc->codec_id)),
                true);
        }
        if (context_.JoinMode()) {
            ost.SavedCodecId = enc->codec_id;
        }
        if (OutputType(ost) == AVMEDIA_TYPE_SUBTITLE) {
            TakeSubtitleHeader(ost);
        }
        enc->stats_in = reinterpret_cast<char*>(ost.PassStats.get());
        ShareProcessors(enc, codec, "encoder");
        int opened = 0;
        ost.Encoder = OpenCodec(enc, codec, nullptr, opened);
        if (opened < 0) {
            FailAfterMapping(
                Format("Error while opening encoder for output stream #%d.%d (%s) - maybe "
                       "incorrect parameters such as bit_rate, rate, width or height. Please "
                       "check error log message to find out more detail information.",
                       ost.FileIndex, ost.StreamIndex, type.c_str()),
                true);
        }
        state_.ExtraSize += enc->extradata_size;
        if (const int error = ff::avcodec_parameters_from_context(ost.Stream->codecpar, enc);
            error < 0) {
            throw LibraryCallFailed("avcodec_parameters_from_context", error);
        }
        ost.Stream->time_base = enc->time_base;
        ost.SourceTimeBase = enc->time_base;
    }
}

// The libraries' codec threads hand pictures to each other through atomics
// inside libraries the thread checker cannot see, which it reports as races:
// a build checked by it keeps to one thread a codec.
#if defined(__SANITIZE_THREAD__)
constexpr bool kCodecThreads = false;
#else
constexpr bool kCodecThreads = true;
#endif

void TTranscoder::ShareProcessors(AVCodecContext* context, const AVCodec* codec, const char* role) {
    const int capabilities = codec->capabilities;
    if (!kCodecThreads || (capabilities & (AV_CODEC_CAP_FRAME_THREADS | AV_CODEC_CAP_SLICE_THREADS |
                                           AV_CODEC_CAP_OTHER_THREADS)) == 0) {
        return;
    }
    const int processors = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int threads = std::max(1, processors / context_.ConcurrentTasks());
    if (threads <= 1) {
        return;
    }
    context->thread_count = threads;
    context->thread_type =
        ((capabilities & AV_CODEC_CAP_FRAME_THREADS) != 0 ? FF_THREAD_FRAME : 0) |
        ((capabilities & AV_CODEC_CAP_SLICE_THREADS) != 0 ? FF_THREAD_SLICE : 0);
    Log(llVerbose, Format("%s %s: %d threads", codec->name, role, threads));
}

void TTranscoder::CreateFifos() {
    for (TTranscodeOutputStream& ost : output_streams_) {
        if (ost.EncodingNeeded == 0 || OutputType(ost) != AVMEDIA_TYPE_AUDIO) {
            continue;
        }
        const AVCodecContext* enc = EncoderOf(ost);
        ost.Fifo.reset(ff::av_audio_fifo_alloc(enc->sample_fmt, enc->ch_layout.nb_channels, 1024));
        if (!ost.Fifo) {
            throw FFmpegException("av_fifo_alloc fail");
        }
    }
}

int TTranscoder::ForcedDecoderIndex(const TTranscodeInputStream& ist) const {
    // The forced decoders are listed per stream in file order, without data
    // streams, which never get an entry.
    int index = 0;
    for (const TTranscodeInputStream& other : input_streams_) {
        if (&other == &ist) {
            return index;
        }
        if (InputType(other) != AVMEDIA_TYPE_DATA) {
            ++index;
        }
    }
    return -1;
}

void TTranscoder::OpenDecoders() {
    for (TTranscodeInputStream& ist : input_streams_) {
        if (ist.DecodingNeeded == 0) {
            continue;
        }
        const std::string type = MediaTypeName(InputType(ist));
        const AVCodec* codec = context_.InputCodec(ForcedDecoderIndex(ist));
        if (codec == nullptr) {
            codec = ff::avcodec_find_decoder(ist.Codec->codec_id);
        }
        if (codec == nullptr) {
            // A stream the demuxer could not name has no codec to look for.
            const std::string why = ist.Codec->codec_id == AV_CODEC_ID_NONE
                                        ? "its codec is unknown (the file may be damaged)"
                                        : Format("the libraries have no %s decoder",
                                                 ff::avcodec_get_name(ist.Codec->codec_id));
            FailAfterMapping(Format("Decoder (codec id %d) not found for input stream #%d.%d "
                                    "(%s): %s",
                                    static_cast<int>(ist.Codec->codec_id), ist.FileIndex,
                                    ist.StreamIndex, type.c_str(), why.c_str()),
                             true);
        }
        // Decoders that can mix down do it with their own coefficients.
        DictionaryPtr settings;
        if (ist.RequestedChannels > 0 && ist.RequestedChannels < ist.Codec->ch_layout.nb_channels) {
            AVDictionary* entries = nullptr;
            ff::av_dict_set(&entries, "downmix", ChannelLayoutText(ist.RequestedChannels).c_str(),
                            0);
            settings.reset(entries);
        }
        ShareProcessors(ist.Codec, codec, "decoder");
        int opened = 0;
        AVDictionary* entries = settings.release();
        ist.Decoder = OpenCodec(ist.Codec, codec, &entries, opened);
        if (opened < 0 && ist.Codec->codec_id == AV_CODEC_ID_FLAC &&
            ist.Codec->extradata != nullptr) {
            // The decoder refuses a stream description without block size or
            // rate; FLAC frames carry their own, and decode without one.
            ReplaceLibraryField(ist.Codec->extradata, AVOwned<uint8_t>());
            ist.Codec->extradata_size = 0;
            ist.Decoder = OpenCodec(ist.Codec, codec, &entries, opened);
        }
        settings.reset(entries);
        if (opened < 0) {
            FailAfterMapping(Format("Error while opening decoder for input stream #%d.%d (%s)",
                                    ist.FileIndex, ist.StreamIndex, type.c_str()),
                             true);
        }
    }
}

void TTranscoder::InitTimestamps() {
    for (TTranscodeInputStream& ist : input_streams_) {
        const AVRational rate = ist.Stream->avg_frame_rate;
        ist.Pts = 0;
        if (rate.num != 0 && rate.den != 0) {
            ist.Pts = -std::llround(static_cast<double>(ist.Codec->has_b_frames) * 1000000.0 *
                                    rate.den / rate.num);
        }
        ist.NextPts = AV_NOPTS_VALUE;
        ist.IsStart = 1;
    }
}

void TTranscoder::CopyMetadata() {
    for (const TMetaDataMap& map : context_.MetaDataMaps()) {
        if (map.OutFile < 0 || map.OutFile >= context_.OutputFileCount()) {
            FailAfterMapping(Format("Invalid output file index %d map_meta_data(%d,%d)",
                                    map.OutFile, map.OutFile, map.InFile),
                             false);
        }
        if (map.InFile < 0 || map.InFile >= context_.InputFileCount()) {
            FailAfterMapping(Format("Invalid input file index %d map_meta_data(%d,%d)", map.InFile,
                                    map.OutFile, map.InFile),
                             false);
        }
        AVFormatContext* out = context_.OutputFile(map.OutFile);
        const AVFormatContext* in = context_.InputFile(map.InFile);
        ff::av_dict_copy(&out->metadata, in->metadata, AV_DICT_DONT_OVERWRITE);
    }
}

void TTranscoder::CopyChapters() {
    const bool unlimited = options_.RecordingTime == kUnlimitedTime;
    for (int i = 0; i < context_.InputFileCount(); ++i) {
        const AVFormatContext* ic = context_.InputFile(i);
        if (ic->nb_chapters == 0) {
            continue;
        }
        for (int j = 0; j < context_.OutputFileCount(); ++j) {
            AVFormatContext* os = context_.OutputFile(j);
            // Join entries repeat one output; it takes the chapters once.
            if (j > 0 && os == context_.OutputFile(j - 1)) {
                continue;
            }
            for (unsigned c = 0; c < ic->nb_chapters; ++c) {
                const AVChapter* chapter = ic->chapters[c];
                const int64_t ts_off =
                    ff::av_rescale_q(options_.StartTime - context_.InputFileTsOffset(i),
                                     kMicroseconds, chapter->time_base);
                const int64_t rt = unlimited ? INT64_MAX
                                             : ff::av_rescale_q(options_.RecordingTime,
                                                                kMicroseconds, chapter->time_base);
                if (chapter->end < ts_off) {
                    continue;
                }
                if (!unlimited && chapter->start > rt + ts_off) {
                    break;
                }
                std::unique_ptr<AVChapter, ChapterFree> copy(
                    static_cast<AVChapter*>(ff::av_mallocz(sizeof(AVChapter))));
                if (copy == nullptr) {
                    throw FFmpegException("av_mallocz fail");
                }
                copy->id = chapter->id;
                copy->time_base = chapter->time_base;
                copy->start = std::max<int64_t>(0, chapter->start - ts_off);
                copy->end = std::min(rt, chapter->end - ts_off);
                ff::av_dict_copy(&copy->metadata, chapter->metadata, 0);
                void* grown =
                    ff::av_realloc_array(os->chapters, os->nb_chapters + 1, sizeof(AVChapter*));
                if (grown == nullptr) {
                    throw FFmpegException("av_realloc fail");
                }
                os->chapters = static_cast<AVChapter**>(grown);
                os->chapters[os->nb_chapters++] = copy.release();  // the output's now
            }
        }
    }
}

void TTranscoder::InitBitstreamFilters() {
    size_t longest = 0;
    for (TTranscodeOutputStream& ost : output_streams_) {
        if (!OwnsStream(ost)) {
            const TTranscodeOutputStream& owner =
                output_streams_[static_cast<size_t>(ost.StreamIndex)];
            ost.PacketTimeBase = owner.PacketTimeBase;
            if (ost.Output->StreamCopy) {
                ost.SourceTimeBase = owner.SourceTimeBase;
            }
            continue;
        }
        TBitstreamFilterChain& chain = ChainOf(ost);
        const AVCodecParameters* par = ost.Stream->codecpar;
        AVRational tb = ost.SourceTimeBase;
        for (BitstreamFilterPtr& filter : chain) {
            if (const int error = ff::avcodec_parameters_copy(filter->par_in, par); error < 0) {
                throw LibraryCallFailed("avcodec_parameters_copy", error);
            }
            filter->time_base_in = tb;
            const int ready = ff::av_bsf_init(filter.get());
            if (ready < 0) {
                throw FFmpegException(AVErrorText(
                    Format("%s failed for stream %d, codec %s", filter->filter->name,
                           ost.StreamIndex,
                           ost.Output->StreamCopy ? "copy" : EncoderOf(ost)->codec->name),
                    ready));
            }
            par = filter->par_out;
            tb = filter->time_base_out;
        }
        if (!chain.empty()) {
            if (const int error = ff::avcodec_parameters_copy(ost.Stream->codecpar, par);
                error < 0) {
                throw LibraryCallFailed("avcodec_parameters_copy", error);
            }
            ost.Stream->time_base = tb;
        }
        ost.PacketTimeBase = tb;
        longest = std::max(longest, chain.size());
    }
    filtered_.clear();
    for (size_t i = 0; i < longest; ++i) {
        filtered_.emplace_back(ff::av_packet_alloc());
        if (!filtered_.back()) {
            throw std::bad_alloc();
        }
    }
}

void TTranscoder::WriteHeaders() {
    std::vector<AVFormatContext*> written;
    for (int j = 0; j < context_.OutputFileCount(); ++j) {
        if (context_.JoinMode() && j > 0) {
            break;
        }
        AVFormatContext* os = context_.OutputFile(j);
        if ((os->oformat->flags & AVFMT_NOFILE) == 0 && os->pb == nullptr) {
            context_.CreateOutputBytes(os);
        }
        if (ff::avformat_write_header(os, nullptr) < 0) {
            FailAfterMapping(
                Format("Could not write header for output file #%d (incorrect codec parameters ?)",
                       j),
                true);
        }
        written.push_back(os);
    }
    const bool all_rtp =
        !written.empty() && std::all_of(written.begin(), written.end(), [](AVFormatContext* os) {
            return std::string(os->oformat->name) == "rtp";
        });
    if (all_rtp) {
        char sdp[kSdpSize] = {};
        ff::av_sdp_create(written.data(), static_cast<int>(written.size()), sdp, sizeof sdp);
        Log(llInfo, "SDP:\r\n" + TrimBlanks(sdp));
    }
}

void TTranscoder::DumpOutputFile(int file_index) {
    AVFormatContext* os = context_.OutputFile(file_index);
    ff::av_dump_format(os, file_index, os->url != nullptr ? os->url : "", 1);
}

void TTranscoder::LogStreamMapping() {
    const bool join = context_.JoinMode();
    for (int j = 0; j < context_.OutputFileCount(); ++j) {
        if (join && j > 0) {
            break;
        }
        DumpOutputFile(j);
    }
    if (options_.Verbose < 0) {
        return;
    }
    Log(llVerbose, "Stream mapping:");
    for (const TTranscodeOutputStream& ost : output_streams_) {
        const TTranscodeInputStream& ist = input_streams_[static_cast<size_t>(ost.SourceIndex)];
        Log(llVerbose, Format("  Stream #%d.%d -> #%d.%d (%s)", ist.FileIndex, ist.StreamIndex,
                              join ? 0 : ost.FileIndex, ost.StreamIndex,
                              MediaTypeName(OutputType(ost)).c_str()));
        if (ost.SyncInput != nullptr && ost.SyncInput != &ist) {
            Log(llVerbose,
                Format(" [sync #%d.%d (%s)]", ost.SyncInput->FileIndex, ost.SyncInput->StreamIndex,
                       MediaTypeName(InputType(*ost.SyncInput)).c_str()));
        }
    }
}

void TTranscoder::FailAfterMapping(const std::string& message, bool log_error) {
    LogStreamMapping();
    if (log_error) {
        Log(llError, message);
    }
    throw FFmpegException(message);
}

}  // namespace engine
}  // namespace v2m
