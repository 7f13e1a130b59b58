// The engine's life cycle, its lists and the setters the conversion component calls.

#include "FFmpeg.h"

#include "Previewer.h"

#include <cstdio>
#include <new>

#include "Assertions.h"
#include "FFmpegLoader.h"
#include "Format.h"
#include "MyUtils.h"
#include "UnicodeProtocol.h"
#include "libavutil_error.h"

namespace v2m {

FFmpegException LibraryCallFailed(const char* call, int code) {
    return FFmpegException(Format("%s failed: %s", call, LibraryErrorText(code).c_str()));
}

std::mutex& PreviewLock() {
    static std::mutex lock;
    return lock;
}

TCustomFFmpeg::TCustomFFmpeg(int MaxFiles) : max_files_(MaxFiles) {
    Assert(MaxFiles >= 1 && MaxFiles <= kMaxFilesLimit, "Assertion failure", "FFmpeg");
    const auto files = static_cast<size_t>(max_files_);
    input_files_.reserve(files);
    input_ts_offsets_.reserve(files);
    input_ts_scales_.assign(files * kMaxStreams, 0.0);
    input_codecs_.reserve(files * kMaxStreams);
    output_files_.reserve(files);
    output_codecs_.reserve(files * kMaxStreams);
    bitstream_filters_.resize(files * kMaxStreams);
    stream_maps_.reserve(files * kMaxStreams);
    meta_data_maps_.reserve(files);
    ResetOptions();
}

TCustomFFmpeg::~TCustomFFmpeg() {
    // A running conversion is stopped and its thread waited for before the
    // files it works on go.
    EndRunControl();
    FreeFiles();
    DiscardUnfinishedOutputs();
}

void TCustomFFmpeg::Prepare() {
    if (!FFLoader().LibrariesLoaded(ConverterLibs)) {
        return;
    }
    FreeFiles();
    DiscardUnfinishedOutputs();
    ResetOptions();
    join_mode_ = false;
    run_.Reset();
    expected_duration_ = -1;
    AllocateOptionTemplates();
}

void TCustomFFmpeg::AllocateOptionTemplates() {
    TOptionContexts contexts;
    for (size_t type = 0; type < contexts.Codecs.size(); ++type) {
        contexts.Codecs[type].reset(ff::avcodec_alloc_context3(nullptr));
        if (!contexts.Codecs[type]) {
            throw std::bad_alloc();
        }
        contexts.Codecs[type]->codec_type = static_cast<AVMediaType>(type);
    }
    contexts.Format.reset(ff::avformat_alloc_context());
    contexts.Scaler.reset(ff::sws_alloc_context());
    if (!contexts.Format || !contexts.Scaler) {
        throw std::bad_alloc();
    }
    ff::av_opt_set_int(contexts.Scaler.get(), "sws_flags", options_.SwsFlags, 0);
    option_contexts_ = std::move(contexts);
}

void TCustomFFmpeg::ResetOptions() {
    // The pending chains, matrices and texts are owned by the fields, so
    // resetting them cannot leak what an earlier task left pending.
    options_ = TEngineOptions{};
    input_files_.clear();
    input_ts_offsets_.clear();
    input_codecs_.clear();
    input_stream_codecs_.clear();
    output_streams_.clear();
    output_files_.clear();
    output_codecs_.clear();
    pending_muxer_options_.clear();
    stream_maps_.clear();
    meta_data_maps_.clear();
    metadata_.clear();
    std::fill(input_ts_scales_.begin(), input_ts_scales_.end(), 0.0);
}

void TCustomFFmpeg::FreeFiles() {
    if (!FFLoader().LibrariesLoaded(ConverterLibs)) {
        return;
    }
    option_contexts_ = TOptionContexts{};
    ReleaseFrameHooks(frame_hooks_);
    options_.UsingVHook = false;
    {
        // Its end waits for the main thread, which may be waiting for the lock.
        std::shared_ptr<TPreviewer> closing;
        {
            std::lock_guard lock(PreviewLock());
            closing = std::move(preview_window_);
        }
    }

    // Outputs first: an output shared by several join entries goes with its
    // last one, and one that stayed empty is removed with it.
    output_streams_.clear();
    output_files_.clear();
    output_codecs_.clear();
    pending_muxer_options_.clear();
    // Closed, the outputs can get their final names (or go, after a failure).
    SettleOutputs();
    for (TBitstreamFilterChain& chain : bitstream_filters_) {
        chain.clear();
    }
    input_stream_codecs_.clear();
    input_files_.clear();
    input_ts_offsets_.clear();
    input_codecs_.clear();

    options_.IntraMatrix.reset();
    options_.InterMatrix.reset();
    vstats_file_.reset();
    options_.VStatsFileName.reset();
    options_.VideoCodecName.clear();
    options_.AudioCodecName.clear();
    options_.SubtitleCodecName.clear();
    options_.VideoStandard.reset();
    options_.VideoRcOverride.reset();
    options_.VideoLanguage.clear();
    options_.AudioLanguage.clear();
    options_.SubtitleLanguage.clear();
    options_.SubtitleCodecTag = 0;
}

double TCustomFFmpeg::InputTsScale(int file, int stream) const {
    if (file < 0 || file >= max_files_ || stream < 0 || stream >= kMaxStreams) {
        return 0.0;
    }
    // Both indexes are in range, checked above.
    return input_ts_scales_[static_cast<size_t>(file * kMaxStreams + stream)];
}

void TCustomFFmpeg::AddMetadata(const std::string& key, const std::string& value) {
    metadata_.emplace_back(key, value);
}

void TCustomFFmpeg::SetPreviewFlags(uint8_t flags) {
    std::shared_ptr<TPreviewer> closing;
    {
        std::lock_guard lock(PreviewLock());
        closing = StorePreviewFlags(flags);
    }
}

std::shared_ptr<TPreviewer> TCustomFFmpeg::StorePreviewFlags(uint8_t flags) {
    std::shared_ptr<TPreviewer> closing;
    const uint8_t current = preview_flags_.load();
    if ((current & kPreviewWindowFlag) != 0 && (flags & kPreviewWindowFlag) == 0) {
        closing = std::move(preview_window_);
    }
    preview_flags_.store(flags);
    return closing;
}

void TCustomFFmpeg::SetCustomHookCallback(TCustomHookCallback callback) {
    std::lock_guard lock(hook_mutex_);
    custom_hook_ = std::move(callback);
}

void TCustomFFmpeg::SetPreviewBitmapCallback(TPreviewBitmapCallback callback) {
    std::lock_guard lock(hook_mutex_);
    preview_bitmap_ = std::move(callback);
}

bool TCustomFFmpeg::HasCustomHook() const {
    std::lock_guard lock(hook_mutex_);
    return static_cast<bool>(custom_hook_);
}

void TCustomFFmpeg::CustomHook(TBitmap24* Bitmap, int32_t FrameNumber, int64_t PTS, bool& Update,
                               bool& StopHook) {
    TCustomHookCallback callback;
    {
        std::lock_guard lock(hook_mutex_);
        callback = custom_hook_;
    }
    if (callback) {
        callback(this, Bitmap, FrameNumber, PTS, Update, StopHook);
    }
}

void TCustomFFmpeg::PreviewBitmap(TBitmap24* Bitmap, int32_t FrameNumber, int64_t PTS) {
    TPreviewBitmapCallback callback;
    {
        std::lock_guard lock(hook_mutex_);
        callback = preview_bitmap_;
    }
    if (callback) {
        callback(this, Bitmap, FrameNumber, PTS);
    }
}

bool TCustomFFmpeg::FindCodecByName(const std::string& name, AVMediaType type, bool encoder,
                                    AVCodecID& id, const AVCodec** codec) {
    id = AV_CODEC_ID_NONE;
    if (codec != nullptr) {
        *codec = nullptr;
    }
    if (name.empty()) {
        return true;
    }
    const char* kind = encoder ? "encoder" : "decoder";
    const AVCodec* found = encoder ? ff::avcodec_find_encoder_by_name(name.c_str())
                                   : ff::avcodec_find_decoder_by_name(name.c_str());
    if (found == nullptr) {
        last_error_text_ = Format("Unknown %s '%s'", kind, name.c_str());
        return false;
    }
    if (found->type != type) {
        last_error_text_ = Format("Invalid %s type '%s'", kind, name.c_str());
        return false;
    }
    id = found->id;
    if (codec != nullptr) {
        *codec = found;
    }
    return true;
}

void TCustomFFmpeg::Log(TLogLevel level, const std::string& text) {
    FFLoggerInstance().Log(this, level, text);
}

void TCustomFFmpeg::SetFormat(const std::string& text) {
    if (!text.empty()) {
        SetFormatOption(text);
    }
}

void TCustomFFmpeg::SetVerbose(int32_t n) {
    options_.Verbose = n;
}

void TCustomFFmpeg::SetStartTime(int64_t t) {
    if (t != kNoTime) {
        options_.StartTime = t;
    }
}

void TCustomFFmpeg::SetRecordingTime(int64_t t) {
    if (t != kNoTime) {
        options_.RecordingTime = t;
        expected_duration_ = t;
    }
}

void TCustomFFmpeg::SetProgramId(int32_t n) {
    if (n >= 0) {
        options_.ProgramId = n;
    }
}

void TCustomFFmpeg::SetGenericIntOption(const std::string& name, int64_t n) {
    SetGenericOption(name, std::to_string(n));
}

void TCustomFFmpeg::SetAudioVolume(int32_t n) {
    if (n >= 0) {
        options_.AudioVolume = n;
    }
}

void TCustomFFmpeg::SetLoudnessTarget(double lufs) {
    // Below the absolute gate nothing would count as loud enough to measure.
    if (!(lufs >= -70.0 && lufs <= 0.0)) {
        throw FFmpegException(Format("Invalid loudness target: %g LUFS", lufs));
    }
    options_.NormalizeLoudness = true;
    options_.LoudnessTarget = lufs;
}

void TCustomFFmpeg::SetAudioChannels(int32_t n) {
    if (n > 0) {
        options_.AudioChannels = n;
        options_.AudioChannelsFromInput = false;
    }
}

void TCustomFFmpeg::SetAudioSampleRate(int32_t n) {
    if (n > 0) {
        options_.AudioSampleRate = n;
        options_.AudioSampleRateFromInput = false;
    }
}

void TCustomFFmpeg::SetAudioSyncMethod(int32_t n) {
    options_.AudioSyncMethod = n;
}

void TCustomFFmpeg::SetVideoSyncMethod(int32_t n) {
    options_.VideoSyncMethod = n;
}

void TCustomFFmpeg::SetMuxMaxDelay(double x) {
    if (x > 0) {
        options_.MuxMaxDelay = static_cast<float>(x);
    }
}

void TCustomFFmpeg::SetMuxPreload(double x) {
    if (x > 0) {
        options_.MuxPreload = static_cast<float>(x);
    }
}

void TCustomFFmpeg::SetPadTop(int32_t n) {
    if (n >= 0) {
        options_.PadTop = n;
    }
}

void TCustomFFmpeg::SetPadBottom(int32_t n) {
    if (n >= 0) {
        options_.PadBottom = n;
    }
}

void TCustomFFmpeg::SetPadLeft(int32_t n) {
    if (n >= 0) {
        options_.PadLeft = n;
    }
}

void TCustomFFmpeg::SetPadRight(int32_t n) {
    if (n >= 0) {
        options_.PadRight = n;
    }
}

void TCustomFFmpeg::SetAudioCodec(const std::string& text) {
    SetCodecName(AVMEDIA_TYPE_AUDIO, text);
}

void TCustomFFmpeg::SetVideoCodec(const std::string& text) {
    SetCodecName(AVMEDIA_TYPE_VIDEO, text);
}

void TCustomFFmpeg::SetSubtitleCodec(const std::string& text) {
    SetCodecName(AVMEDIA_TYPE_SUBTITLE, text);
}

void TCustomFFmpeg::SetAudioTag(const std::string& text) {
    SetCodecTag(AVMEDIA_TYPE_AUDIO, text);
}

void TCustomFFmpeg::SetVideoTag(const std::string& text) {
    SetCodecTag(AVMEDIA_TYPE_VIDEO, text);
}

void TCustomFFmpeg::SetVideoFilters(const std::string& text) {
    if (!text.empty()) {
        options_.VideoFilters = text;
    }
}

}  // namespace v2m
