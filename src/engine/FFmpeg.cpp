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

namespace {

int CheckedMaxFiles(int max_files) {
    Assert(max_files >= 1 && max_files <= kMaxFilesLimit, "Assertion failure", "FFmpeg");
    return max_files;
}

}  // namespace

TCustomFFmpeg::TCustomFFmpeg(int MaxFiles)
    : max_files_(CheckedMaxFiles(MaxFiles)),
      parser_(max_files_, options_, *this),
      outputs_(max_files_, options_, parser_, *this) {
    const auto files = static_cast<size_t>(max_files_);
    input_files_.reserve(files);
    input_ts_offsets_.reserve(files);
    input_codecs_.reserve(files * kMaxStreams);
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
    outputs_.LeaveJoinMode();
    run_.Reset();
    expected_duration_ = -1;
    parser_.AllocateTemplates();
}

void TCustomFFmpeg::ResetOptions() {
    // The pending chains, matrices and texts are owned by the fields, so
    // resetting them cannot leak what an earlier task left pending.
    options_ = TEngineOptions{};
    input_files_.clear();
    input_ts_offsets_.clear();
    input_codecs_.clear();
    input_stream_codecs_.clear();
    outputs_.CloseFiles();
    parser_.Reset();
}

void TCustomFFmpeg::FreeFiles() {
    if (!FFLoader().LibrariesLoaded(ConverterLibs)) {
        return;
    }
    parser_.FreeTemplates();
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
    outputs_.CloseFiles();
    parser_.PendingMuxerOptions().clear();
    // Closed, the outputs can get their final names (or go, after a failure).
    SettleOutputs();
    outputs_.ClearBitstreamFilters();
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

void TCustomFFmpeg::SettleOutputs() {
    const std::string failure =
        outputs_.SettleOutputs(run_.Completed(), run_.HasError(), run_.Running());
    if (!failure.empty()) {
        run_.SetCompleted(false);
        RecordFailure(failure);
    }
}

TPendingOutputOptions TCustomFFmpeg::SavePendingOutputOptions() const {
    return TPendingOutputOptions{options_, parser_.Metadata(), parser_.PendingMuxerOptions()};
}

void TCustomFFmpeg::RestorePendingOutputOptions(const TPendingOutputOptions& saved) {
    static_cast<TEngineValues&>(options_) = saved.Values;
    options_.VideoBitstreamFilters.clear();
    options_.AudioBitstreamFilters.clear();
    options_.SubtitleBitstreamFilters.clear();
    parser_.Metadata() = saved.Metadata;
    parser_.PendingMuxerOptions() = saved.MuxerOptions;
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

namespace {

template <typename Callback>
std::shared_ptr<const Callback> SharedCallback(Callback callback) {
    if (!callback) {
        return nullptr;
    }
    return std::make_shared<const Callback>(std::move(callback));
}

}  // namespace

void TCustomFFmpeg::SetCustomHookCallback(TCustomHookCallback callback) {
    std::shared_ptr<const TCustomHookCallback> shared = SharedCallback(std::move(callback));
    std::lock_guard lock(hook_mutex_);
    custom_hook_.swap(shared);
}

void TCustomFFmpeg::SetPreviewBitmapCallback(TPreviewBitmapCallback callback) {
    std::shared_ptr<const TPreviewBitmapCallback> shared = SharedCallback(std::move(callback));
    std::lock_guard lock(hook_mutex_);
    preview_bitmap_.swap(shared);
}

bool TCustomFFmpeg::HasCustomHook() const {
    std::lock_guard lock(hook_mutex_);
    return custom_hook_ != nullptr;
}

void TCustomFFmpeg::CustomHook(TBitmap24* Bitmap, int32_t FrameNumber, int64_t PTS, bool& Update,
                               bool& StopHook) {
    std::shared_ptr<const TCustomHookCallback> callback;
    {
        std::lock_guard lock(hook_mutex_);
        callback = custom_hook_;
    }
    if (callback) {
        (*callback)(this, Bitmap, FrameNumber, PTS, Update, StopHook);
    }
}

void TCustomFFmpeg::PreviewBitmap(TBitmap24* Bitmap, int32_t FrameNumber, int64_t PTS) {
    std::shared_ptr<const TPreviewBitmapCallback> callback;
    {
        std::lock_guard lock(hook_mutex_);
        callback = preview_bitmap_;
    }
    if (callback) {
        (*callback)(this, Bitmap, FrameNumber, PTS);
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

}  // namespace v2m
