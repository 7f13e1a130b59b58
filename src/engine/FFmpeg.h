#pragma once
// The transcoding engine: one conversion task, configured through the classic
// command-line option vocabulary, from its options to finished output files.
//
// Options fill pending fields; the next file operation consumes them. The
// option state lives in TEngineOptions, which the engine owns and its option
// parser (OptionParser.h) fills; the outputs and their streams are made by its
// output builder (OutputBuilder.h); the inputs and the run stay with the
// engine itself.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Bitmap24.h"
#include "EngineOwners.h"
#include "FFBaseComponent.h"
#include "SafeFiles.h"
#include "FFmpegApi.h"
#include "FFmpegLogger.h"
#include "FFmpegRun.h"
#include "FFmpegTranscode.h"
#include "FrameHooks.h"
#include "OptionParser.h"
#include "OutputBuilder.h"
#include "RunControl.h"

namespace v2m {

// Every failure of the engine's options and file operations. Carries its text only.
class FFmpegException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The failure of a library call that returned an error code: "<call> failed:
// <the libraries' text for the code>".
FFmpegException LibraryCallFailed(const char* call, int code);

// Streams per file; the libraries' limit, named MAX_STREAMS in messages.
inline constexpr int kMaxStreams = 20;
inline constexpr int kMaxFilesLimit = 512;
// The libraries' no-time value.
inline constexpr int64_t kNoTime = std::numeric_limits<int64_t>::min();
inline constexpr int64_t kUnlimitedTime = std::numeric_limits<int64_t>::max();

// Media types as the engine indexes them (the libraries' own numbering).
inline constexpr int kMediaTypeCount = 5;  // video, audio, data, subtitle, attachment

// Indexes of TEngineOptions::MaxFrames.
enum TMaxFramesIndex { mfVideo = 0, mfAudio = 1, mfData = 2, mfSubtitle = 3 };

// The preview flags byte.
inline constexpr uint8_t kPreviewWindowFlag = 1;  // show frames in the preview window
inline constexpr uint8_t kPreviewBitmapFlag = 2;  // deliver preview bitmaps

struct TStreamMap {
    int32_t FileIndex = 0;
    int32_t StreamIndex = 0;
    int32_t SyncFileIndex = 0;
    int32_t SyncStreamIndex = 0;
};

struct TMetaDataMap {
    int32_t OutFile = 0;
    int32_t InFile = 0;
};

// A chain of bitstream filters in the order the options gave them. The
// contexts are allocated, not initialised: a stream's parameters complete them.
using TBitstreamFilterChain = std::vector<engine::BitstreamFilterPtr>;

// 64 quantiser coefficients in the libraries' order.
using TQuantMatrix = std::array<uint16_t, 64>;

// Every field an option can set, with its default. Text fields that may be
// "none" as opposed to empty are optional; codec names are empty when none is
// pending (a given name is never empty).
struct TEngineValues {
    std::string FormatName;
    bool PgmYuvCompat = false;
    int32_t Verbose = 1;
    bool ExitOnError = false;
    bool DoPktDump = false;
    bool DoHexDump = false;
    bool RateEmu = false;
    bool LoopInput = false;
    int32_t LoopOutput = -1;    // no loop
    int32_t ProgramId = 0;      // none
    int64_t LimitFileSize = 0;  // bytes; no limit
    int32_t ThreadCount = 1;
    bool InputSync = false;
    bool CopyTs = false;
    bool Shortest = false;
    int32_t VideoSyncMethod = -1;  // automatic
    int32_t AudioSyncMethod = 0;
    float AudioDriftThreshold = 0.1f;  // seconds
    float DtsDeltaThreshold = 10.0f;   // seconds
    int32_t CopyInitialNonKeyframes = 0;
    float MuxPreload = 0.5f;                 // seconds
    float MuxMaxDelay = 0.7f;                // seconds
    int64_t RecordingTime = kUnlimitedTime;  // microseconds
    int64_t StartTime = 0;                   // microseconds
    int64_t RecordingTimestamp = 0;          // seconds since 1970
    int64_t InputTsOffset = 0;               // microseconds
    std::array<int32_t, 4> MaxFrames{
        std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max(),
        std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max()};
    int32_t DoPass = 0;
    std::string PassLogFilePrefix;
    bool DoPsnr = false;
    bool QpHist = false;
    std::optional<std::string> VStatsFileName;
    bool UsingVHook = false;

    // Video.
    int32_t FrameWidth = 0;
    int32_t FrameHeight = 0;
    float FrameAspectRatio = 0.0f;  // display aspect; 0 = unknown
    int32_t FramePixFmt = -1;       // none
    AVRational FrameRate{0, 0};     // unset
    int32_t CropTop = 0;
    int32_t CropBottom = 0;
    int32_t CropLeft = 0;
    int32_t CropRight = 0;
    int32_t PadTop = 0;
    int32_t PadBottom = 0;
    int32_t PadLeft = 0;
    int32_t PadRight = 0;
    int32_t PadColorY = 16;
    int32_t PadColorU = 128;
    int32_t PadColorV = 128;
    float VideoQScale = 0.0f;  // none
    std::optional<TQuantMatrix> IntraMatrix;
    std::optional<TQuantMatrix> InterMatrix;
    std::optional<std::string> VideoRcOverride;
    bool VideoDisable = false;
    int32_t VideoDiscard = 0;
    std::string VideoCodecName;
    bool VideoStreamCopy = false;
    uint32_t VideoCodecTag = 0;
    std::string VideoLanguage;
    bool SameQuality = false;
    bool Deinterlace = false;
    int32_t TopFieldFirst = -1;  // automatic
    int32_t MeThreshold = 0;
    int32_t IntraDcPrecision = 8;  // bits
    bool IntraOnly = false;
    int32_t VideoGlobalHeader = 0;
    int32_t VideoChannel = 0;
    std::optional<std::string> VideoStandard;
    bool ForceFps = false;
    std::string VideoFilters;
    bool UseFilters = false;

    // Audio.
    int32_t AudioSampleRate = 44100;
    int32_t AudioChannels = 2;
    // The rate and count above are those of the last audio stream an input
    // opened, not the user's: an input may hold several, so each output
    // stream takes its own source's instead once its source is known.
    bool AudioSampleRateFromInput = false;
    bool AudioChannelsFromInput = false;
    int64_t ChannelLayout = 0;      // channel mask
    int32_t AudioSampleFmt = -1;    // none
    float AudioQScale = -99999.0f;  // none
    bool AudioDisable = false;
    std::string AudioCodecName;
    bool AudioStreamCopy = false;
    uint32_t AudioCodecTag = 0;
    std::string AudioLanguage;
    int32_t AudioVolume = 256;  // unchanged
    // A first pass measures the source's loudness; the volume then brings it
    // to the target (LUFS) without its true peak passing -1 dBTP.
    bool NormalizeLoudness = false;
    double LoudnessTarget = -16.0;

    // Subtitles.
    bool SubtitleDisable = false;
    std::string SubtitleCodecName;
    bool SubtitleStreamCopy = false;
    uint32_t SubtitleCodecTag = 0;
    std::string SubtitleLanguage;

    int32_t SwsFlags = 4;  // bicubic
};

// The values can be copied (to go back to them when an output cannot be
// made); the filter chains own library objects and cannot.
struct TEngineOptions : TEngineValues {
    TBitstreamFilterChain VideoBitstreamFilters;
    TBitstreamFilterChain AudioBitstreamFilters;
    TBitstreamFilterChain SubtitleBitstreamFilters;
};

// The options pending for the next output, as they were at one moment.
struct TPendingOutputOptions {
    TEngineValues Values;
    std::vector<std::pair<std::string, std::string>> Metadata;
    std::vector<std::pair<std::string, std::string>> MuxerOptions;
};

// An option of an encoder's private class, recorded for the encoder that the
// pending codec name of its media type named when it was given.
struct TPrivateOption {
    AVMediaType Type = AVMEDIA_TYPE_UNKNOWN;
    std::string Encoder;
    std::string Name;  // canonical
};

// A library option given to SetGenericOption, by its canonical name, with the
// templates that took its value.
struct TRecordedOption {
    std::string Name;
    uint32_t Templates = 0;  // TemplateBit of each template set
};

// Bits of TRecordedOption::Templates: the codec template of media type t is
// bit t; the format and scaler templates follow.
constexpr uint32_t TemplateBit(int media_type) {
    return 1u << media_type;
}
inline constexpr uint32_t kFormatTemplateBit = 1u << kMediaTypeCount;
inline constexpr uint32_t kScalerTemplateBit = 1u << (kMediaTypeCount + 1);

// Library options that are not in the option table. Their values are kept in
// template contexts; the recorded names say which to copy to real contexts.
struct TOptionContexts {
    std::vector<TRecordedOption> Names;  // in the order given
    // Indexed by media type: video, audio, data, subtitle, attachment.
    std::array<engine::CodecContextPtr, kMediaTypeCount> Codecs;
    engine::FormatContextPtr Format;
    engine::ScalerContextPtr Scaler;
    // Encoder-private options live on a context made for that encoder.
    std::vector<TPrivateOption> PrivateOptions;
    std::vector<engine::CodecContextPtr> EncoderTemplates;

    size_t NameCount() const { return Names.size(); }
};

// A stream the engine created in an output file, with its encoder settings.
// Set-up completes them, opens the encoder (made for `Encoder`) and copies the
// parameters to the stream.
struct TOutputStream {
    AVFormatContext* File = nullptr;  // the output file that holds the stream
    AVStream* Stream = nullptr;       // owned by File
    engine::CodecContextPtr Codec;    // made for Encoder when there is one
    // The encoder named, else the muxer's default one; null in copy mode.
    const AVCodec* Encoder = nullptr;
    bool StreamCopy = false;
    float Quality = 0.0f;  // fixed quality, as a lambda; 0 = none
    // Audio: the rate and channel count were nobody's choice, so set-up
    // replaces them with those of the stream that feeds this one.
    bool SourceSampleRate = false;
    bool SourceChannels = false;
    // End of the last packet written, in the stream's time base: the running
    // output position that progress and the input choice read.
    int64_t RunningPts = AV_NOPTS_VALUE;
    // The encoder's account of its last coded frame, from the quality
    // statistics it attaches to its packets (RecordCodedFrame); the progress
    // report and the video statistics read it.
    int32_t CodedQuality = -1;  // lambda (quantiser x FF_QP2LAMBDA); -1: none yet
    int32_t CodedPictType = AV_PICTURE_TYPE_NONE;
    std::array<uint64_t, 4> CodedError{};  // per plane sum of squared differences
};

// Decoders forced by name for the next input, by media type.
struct TInputDecoders {
    AVCodecID VideoId = AV_CODEC_ID_NONE;
    AVCodecID AudioId = AV_CODEC_ID_NONE;
    AVCodecID SubtitleId = AV_CODEC_ID_NONE;
    const AVCodec* Video = nullptr;
    const AVCodec* Audio = nullptr;
    const AVCodec* Subtitle = nullptr;
};

// The preview window of the encoding preview; made by the video path.
class TPreviewer;

// Held by every engine's preview flag setter and by the video path's preview.
std::mutex& PreviewLock();

// Shortest time between two previews of a run, in microseconds.
inline constexpr int64_t kPreviewInterval = 100000;

class TCustomFFmpeg;

// What a task's video path calls with each picture: the custom hook (update
// and stop flags in and out) and the encoded-picture preview.
using TCustomHookCallback =
    std::function<void(TCustomFFmpeg* Sender, TBitmap24* Bitmap, int32_t FrameNumber, int64_t PTS,
                       bool& Update, bool& StopHook)>;
using TPreviewBitmapCallback =
    std::function<void(TCustomFFmpeg* Sender, TBitmap24* Bitmap, int32_t FrameNumber, int64_t PTS)>;

namespace engine {

// What one run of the conversion (TTranscoder) may use of the engine that
// owns it: the files and lists the options built, the few things the run
// writes back, the hooks and the preview, and run control. The engine
// implements it privately and hands itself to the run as this alone.
class TTranscodeContext {
public:
    // Options and counters of the run.
    virtual TEngineOptions& Options() = 0;
    virtual TTranscodeState& MutableTranscodeState() = 0;

    // The files and what the options made for them.
    virtual int MaxFiles() const = 0;
    virtual int InputFileCount() const = 0;
    virtual AVFormatContext* InputFile(int index) const = 0;
    virtual int64_t InputFileTsOffset(int index) const = 0;
    virtual const AVCodec* InputCodec(int index) const = 0;
    virtual AVCodecContext* InputStreamCodec(int file, int stream) const = 0;
    virtual double InputTsScale(int file, int stream) const = 0;
    virtual int OutputFileCount() const = 0;
    virtual AVFormatContext* OutputFile(int index) const = 0;
    virtual TOutputStream* FindOutputStream(const AVFormatContext* file, int stream) const = 0;
    virtual std::span<const TStreamMap> StreamMaps() const = 0;
    virtual int StreamMapCount() const = 0;
    virtual std::span<const TMetaDataMap> MetaDataMaps() const = 0;
    virtual bool JoinMode() const = 0;
    virtual int64_t ExpectedDuration() const = 0;
    virtual int ConcurrentTasks() const = 0;
    // The input's timestamp offset, which a discontinuity or a join seam moves.
    virtual int64_t& TsOffsetOf(int file) = 0;
    virtual TBitstreamFilterChain& BitstreamFiltersOf(const AVFormatContext* file, int stream) = 0;
    // The scaler flags: a generic sws_flags option wins over the record's.
    virtual int64_t ScalerFlags() const = 0;
    virtual void TakeSourceAudioFormat(TOutputStream& stream, const AVCodecContext& source) = 0;
    virtual void CreateOutputBytes(AVFormatContext* file) = 0;
    virtual const std::string& LastErrorText() const = 0;
    virtual void SetLastErrorText(const std::string& text) = 0;

    // Hooks and preview.
    virtual bool HasCustomHook() const = 0;
    virtual void CustomHook(TBitmap24* Bitmap, int32_t FrameNumber, int64_t PTS, bool& Update,
                            bool& StopHook) = 0;
    virtual void PreviewBitmap(TBitmap24* Bitmap, int32_t FrameNumber, int64_t PTS) = 0;
    virtual uint8_t PreviewFlags() const = 0;
    // Both with PreviewLock() held.
    [[nodiscard]] virtual std::shared_ptr<TPreviewer> StorePreviewFlags(uint8_t flags) = 0;
    virtual std::shared_ptr<TPreviewer> PreviewWindow() = 0;  // made on first use
    virtual TFrameHookChain& FrameHooks() = 0;

    // Run control, progress and statistics.
    virtual void WaitWhilePaused() = 0;
    virtual bool StopRequested() const = 0;
    // The flag the libraries' blocking calls of the run give up on.
    virtual std::atomic<bool>* StopFlag() = 0;
    virtual void SetCompleted(bool completed) = 0;
    virtual int64_t ReportInterval() const = 0;
    virtual void PrintReport(bool final, int file_index,
                             std::span<const TTranscodeOutputStream> streams) = 0;
    virtual void SetMeasuredSpan(int64_t span) = 0;
    virtual void ReportMeasuring(int64_t position) = 0;
    virtual void DoVideoStats(AVFormatContext* os, const TTranscodeOutputStream& ost,
                              int frame_size) = 0;
    virtual void Log(TLogLevel level, const std::string& text) = 0;

protected:
    ~TTranscodeContext() = default;
};

}  // namespace engine

class TCustomFFmpeg : public TFFBaseComponent,
                      private engine::TTranscodeContext,
                      private engine::TOptionHost,
                      private engine::TOutputHost,
                      private engine::TEngineThreadHost {
public:
    // MaxFiles must lie in 1..512; anything else fails an assertion.
    explicit TCustomFFmpeg(int MaxFiles);
    ~TCustomFFmpeg() override;

    // Once per task, before any option: clears the files and options and makes
    // the option templates. Does nothing while the converter's libraries are
    // not loaded.
    void Prepare();
    // Every option field to its default; the file and map lists empty.
    void ResetOptions();
    // Closes and frees every file, template and pending library object.
    void FreeFiles();

    // One option: the name without its dash, the value as given. Failures raise
    // FFmpegException, malformed numbers std::invalid_argument.
    virtual void SetOption(const std::string& name, const std::string& value) {
        parser_.SetOption(name, value);
    }
    // Hands an option to the libraries' own option system; false when no
    // template knows it or the value is rejected.
    bool SetGenericOption(const std::string& name, const std::string& value) {
        return parser_.SetGenericOption(name, value);
    }
    // Copies every recorded option whose flags hold all bits of flag_mask
    // (AV_OPT_FLAG_*) from a template to a real context. A codec context made
    // for an encoder also receives that encoder's recorded private options.
    void CopyContextOptions(AVCodecContext* target, const AVCodecContext* source, int flag_mask) {
        parser_.CopyContextOptions(target, source, flag_mask);
    }
    void CopyContextOptions(AVFormatContext* target, const AVFormatContext* source, int flag_mask) {
        parser_.CopyContextOptions(target, source, flag_mask);
    }
    void AddMetadata(const std::string& key, const std::string& value) {
        parser_.AddMetadata(key, value);
    }
    void SetPreviewFlags(uint8_t flags);
    // The hooks of the video path; set before a run starts.
    void SetCustomHookCallback(TCustomHookCallback callback);
    void SetPreviewBitmapCallback(TPreviewBitmapCallback callback);
    bool HasCustomHook() const override;
    // The picture goes to the connected callback, if any. An exception of
    // the handler reaches the caller.
    void CustomHook(TBitmap24* Bitmap, int32_t FrameNumber, int64_t PTS, bool& Update,
                    bool& StopHook) override;
    void PreviewBitmap(TBitmap24* Bitmap, int32_t FrameNumber, int64_t PTS) override;
    // Checks a codec name for its media type; an empty name gives AV_CODEC_ID_NONE.
    // On failure LastErrorText says why.
    bool FindCodecByName(const std::string& name, AVMediaType type, bool encoder, AVCodecID& id,
                         const AVCodec** codec = nullptr);

    // Direct setters: the effect of the named option (after the name), under
    // the guard noted; the option parser does the work.
    // f, not empty; v; ss and t, not kNoTime; programid, n >= 0.
    void SetFormat(const std::string& text) { parser_.SetFormat(text); }
    void SetVerbose(int32_t n) { parser_.SetVerbose(n); }
    void SetStartTime(int64_t t) { parser_.SetStartTime(t); }
    void SetRecordingTime(int64_t t) { parser_.SetRecordingTime(t); }
    void SetProgramId(int32_t n) { parser_.SetProgramId(n); }
    // Callers pass n > 0.
    void SetGenericIntOption(const std::string& name, int64_t n) {
        parser_.SetGenericIntOption(name, n);
    }
    // vol, n >= 0; ac and ar, n > 0; async; vsync; muxdelay and muxpreload, x > 0.
    void SetAudioVolume(int32_t n) { parser_.SetAudioVolume(n); }
    void SetAudioChannels(int32_t n) { parser_.SetAudioChannels(n); }
    void SetAudioSampleRate(int32_t n) { parser_.SetAudioSampleRate(n); }
    void SetAudioSyncMethod(int32_t n) { parser_.SetAudioSyncMethod(n); }
    void SetVideoSyncMethod(int32_t n) { parser_.SetVideoSyncMethod(n); }
    void SetMuxMaxDelay(double x) { parser_.SetMuxMaxDelay(x); }
    void SetMuxPreload(double x) { parser_.SetMuxPreload(x); }
    // r, s and aspect; an empty text changes nothing.
    void SetFrameRate(const std::string& text) { parser_.SetFrameRate(text); }
    void SetFrameSize(const std::string& text) { parser_.SetFrameSize(text); }
    void SetAspect(const std::string& text) { parser_.SetAspect(text); }
    // loudness_target, in LUFS.
    void SetLoudnessTarget(double lufs) { parser_.SetLoudnessTarget(lufs); }
    // Crop and pad bands; negative values change nothing.
    void SetCropTop(int32_t n) { parser_.SetCropTop(n); }
    void SetCropBottom(int32_t n) { parser_.SetCropBottom(n); }
    void SetCropLeft(int32_t n) { parser_.SetCropLeft(n); }
    void SetCropRight(int32_t n) { parser_.SetCropRight(n); }
    void SetPadTop(int32_t n) { parser_.SetPadTop(n); }
    void SetPadBottom(int32_t n) { parser_.SetPadBottom(n); }
    void SetPadLeft(int32_t n) { parser_.SetPadLeft(n); }
    void SetPadRight(int32_t n) { parser_.SetPadRight(n); }
    // Red in the lowest byte.
    void SetPadColor(int32_t colour) { parser_.SetPadColor(colour); }
    // acodec, vcodec, scodec, atag, vtag and vfilters; an empty text changes nothing.
    void SetAudioCodec(const std::string& text) { parser_.SetCodecName(AVMEDIA_TYPE_AUDIO, text); }
    void SetVideoCodec(const std::string& text) { parser_.SetCodecName(AVMEDIA_TYPE_VIDEO, text); }
    void SetSubtitleCodec(const std::string& text) {
        parser_.SetCodecName(AVMEDIA_TYPE_SUBTITLE, text);
    }
    void SetAudioTag(const std::string& text) { parser_.SetCodecTag(AVMEDIA_TYPE_AUDIO, text); }
    void SetVideoTag(const std::string& text) { parser_.SetCodecTag(AVMEDIA_TYPE_VIDEO, text); }
    void SetVideoFilters(const std::string& text) { parser_.SetVideoFilters(text); }

    // Targets and presets.
    void SetTarget(const std::string& type, const std::string& norm,
                   const std::string& default_norm) {
        parser_.SetTarget(type, norm, default_norm);
    }
    void ApplyPreset(const std::string& option_name, const std::string& value) {
        parser_.ApplyPreset(option_name, value);
    }

    // Input and output files. OpenInputFile returns false and OpenOutputFile
    // -1 with LastErrorText set; a few failures raise FFmpegException.
    bool OpenInputFile(const std::string& FileName);
    int OpenOutputFile(const std::string& FileName, bool Join) {
        return outputs_.OpenOutputFile(FileName, Join);
    }
    // The same, over a byte stream the caller made (an I/O context reading or
    // writing memory, say) instead of a named file. The name only labels the
    // file in messages and, for an output, picks the muxer when no format is
    // set. The engine never closes or frees the byte stream and creates no
    // file for it; the caller keeps it until the engine has let go of its
    // files (FreeFiles, Prepare or the engine's end).
    bool OpenInputFromIO(AVIOContext* io, const std::string& FileName);
    int OpenOutputToIO(AVIOContext* io, const std::string& FileName);

    // Stream creation in an output file of this engine.
    void NewVideoStream(AVFormatContext* file) { outputs_.NewVideoStream(file); }
    void NewAudioStream(AVFormatContext* file) { outputs_.NewAudioStream(file); }
    void NewSubtitleStream(AVFormatContext* file) { outputs_.NewSubtitleStream(file); }

    // Files and streams; null (0 for offsets) outside the lists.
    AVFormatContext* InputFile(int index) const override;
    int64_t InputFileTsOffset(int index) const override;
    const AVCodec* InputCodec(int index) const override;
    // The decoder settings of an input stream, made from its parameters.
    AVCodecContext* InputStreamCodec(int file, int stream) const override;
    AVFormatContext* OutputFile(int index) const override { return outputs_.OutputFile(index); }
    const AVCodec* OutputCodec(int index) const { return outputs_.OutputCodec(index); }
    TOutputStream* FindOutputStream(const AVFormatContext* file, int stream) const override {
        return outputs_.FindOutputStream(file, stream);
    }
    int OutputStreamCount() const { return outputs_.OutputStreamCount(); }

    // State.
    int MaxFiles() const override { return max_files_; }
    TEngineOptions& Options() override { return options_; }
    const TEngineOptions& Options() const { return options_; }
    int InputFileCount() const override { return static_cast<int>(input_files_.size()); }
    int OutputFileCount() const override { return outputs_.OutputFileCount(); }
    int InputCodecCount() const { return static_cast<int>(input_codecs_.size()); }
    int OutputCodecCount() const { return outputs_.OutputCodecCount(); }
    std::span<const TStreamMap> StreamMaps() const override { return parser_.StreamMaps(); }
    int StreamMapCount() const override { return static_cast<int>(StreamMaps().size()); }
    std::span<const TMetaDataMap> MetaDataMaps() const override { return parser_.MetaDataMaps(); }
    int MetaDataMapCount() const { return static_cast<int>(MetaDataMaps().size()); }
    std::span<const std::pair<std::string, std::string>> Metadata() const {
        return parser_.Metadata();
    }
    int MetadataCount() const { return static_cast<int>(parser_.Metadata().size()); }
    // 0 when no scale is set for that input file and stream index.
    double InputTsScale(int file, int stream) const override {
        return parser_.InputTsScale(file, stream);
    }
    const TOptionContexts& OptionContexts() const { return parser_.OptionContexts(); }
    int64_t ExpectedDuration() const override { return expected_duration_; }
    const std::string& LastErrorText() const override { return last_error_text_; }
    bool JoinMode() const override { return outputs_.JoinMode(); }
    uint8_t PreviewFlags() const override { return preview_flags_.load(); }
    bool Running() const { return run_.Running(); }
    bool StopRequested() const override { return run_.StopRequested(); }
    bool Completed() const { return run_.Completed(); }
    bool Terminated() const { return run_.Terminated(); }
    bool HasError() const { return run_.HasError(); }
    // Microseconds between two progress reports.
    int64_t ReportInterval() const override { return run_.ReportInterval(); }

    // Outputs are written under a hidden partial name and get their final
    // name when the run ends well; a failed run removes them at its end. The
    // names the completed outputs were given, in order of creation.
    std::vector<std::string> WrittenOutputNames() const { return outputs_.WrittenOutputNames(); }

    // What is pending for the next output, and going back to it: an output
    // that cannot be made must not leave its settings to the next one.
    TPendingOutputOptions SavePendingOutputOptions() const;
    void RestorePendingOutputOptions(const TPendingOutputOptions& saved);
    // What is done with the partial outputs of a run that was stopped: by
    // default they go with the engine (or the next Prepare); kept, those with
    // content stay under their partial names.
    void SetKeepUnfinishedOutputs(bool keep) { outputs_.SetKeepUnfinishedOutputs(keep); }
    // Called with each partial output of a run that ended well, before it
    // takes its final name: what a muxer cannot write is added there. A
    // returned text fails the run. Set before the run starts.
    void SetOutputFinisher(engine::TOutputFinisher finisher) {
        outputs_.SetOutputFinisher(std::move(finisher));
    }
    // How many conversions run at once. Each codec that can work on several
    // threads takes its share of the processors, so that one conversion uses
    // the whole machine and several share it without crowding it.
    void SetConcurrentTasks(int count) { concurrent_tasks_ = count > 1 ? count : 1; }
    int ConcurrentTasks() const override { return concurrent_tasks_.load(); }
    bool KeepUnfinishedOutputs() const { return outputs_.KeepUnfinishedOutputs(); }
    // Removes every partial output of this engine that never got its final
    // name (those with content stay when they are to be kept).
    void DiscardUnfinishedOutputs() { outputs_.DiscardUnfinishedOutputs(); }

    // One conversion from the opened inputs into the created outputs: set-up,
    // main loop and teardown. Failures raise FFmpegException; every codec the
    // run opened is closed when it returns, whichever way.
    void Transcode();
    // Ends the main loop at the end of its current iteration.
    void RequestStop() { run_.RequestStop(); }
    const TTranscodeState& TranscodeState() const { return transcode_; }

    // Run control (FFmpegRun.cpp). StartTranscode returns the worker thread,
    // not yet running, for a threaded start, and null otherwise; a refused
    // start (running or terminated engine) returns null and does nothing.
    std::shared_ptr<TConvertThread> StartTranscode(bool Threaded,
                                                   TThreadPriority Priority = tpNormal);
    void StopTranscode(bool Wait);
    void TerminateTranscode(bool Wait);
    // The worker stops at the top of the main loop's next iteration.
    void PauseTranscode();
    void ResumeTranscode();
    bool Paused() const;
    // The body of the worker thread, or of a synchronous start.
    void Run();
    // Ends the task: the run flags, then the terminate callback.
    void DoTerminate();
    std::string ErrorMessage() const;
    std::shared_ptr<TConvertThread> WorkerThread() const;
    const TManualResetEvent& RunDoneEvent() const { return *run_done_; }
    const TManualResetEvent& TerminateDoneEvent() const { return *terminate_done_; }
    // Below 100 ms reports would cost the conversion time: shorter intervals become 100 ms.
    void SetReportInterval(int64_t microseconds);
    // Set before the start; the run calls what was set then.
    void SetProgressCallback(TProgressCallback callback);
    void SetTerminateCallback(TTerminateCallback callback);

protected:
    // Stops a run and waits for every thread of this engine, except the
    // caller's own. The destructor of the most derived engine calls it first:
    // the worker threads reach the engine through its virtual functions,
    // which must not change under them while a base destructor runs.
    void EndRunControl();
    void Log(TLogLevel level, const std::string& text) override;

    // The flag byte without taking PreviewLock; the caller holds it. When bit
    // 0 goes from set to clear the preview window is handed back, for the
    // caller to let go of once the lock is released: its end waits for the
    // main thread, which may be waiting for the lock.
    [[nodiscard]] std::shared_ptr<TPreviewer> StorePreviewFlags(uint8_t flags) override;

    // A progress report of the running transcode; the final one follows the
    // trailers, with file index -1.
    virtual void PrintReport(bool final, int file_index,
                             std::span<const TTranscodeOutputStream> streams) override;
    // What a progress report says of the streams: the first active video
    // stream's figures and the earliest output position (seconds).
    struct TReportFigures {
        std::string Line;
        int32_t FrameNumber = -1;
        int32_t Fps = -1;
        float Quality = -1.0f;
        double Position = 0.0;  // the report starts it above any real position
    };
    // False when the video has coded nothing yet and the report is left out.
    bool DescribeReportStreams(bool final, std::span<const TTranscodeOutputStream> streams,
                               TReportFigures& figures);
    void DescribeReportVideo(bool final, const TTranscodeOutputStream& ost, float q,
                             TReportFigures& figures);
    // Appends the line of one written video frame to the video statistics file.
    void DoVideoStats(AVFormatContext* os, const TTranscodeOutputStream& ost,
                      int frame_size) override;
    // The counters of the run, for whoever makes the run.
    TTranscodeState& MutableTranscodeState() override { return transcode_; }

private:
    // What the option parser reaches of the engine (TOptionHost).
    void SetExpectedDuration(int64_t duration) override { expected_duration_ = duration; }
    void NewStreamInLastOutput(AVMediaType type) override { outputs_.NewStreamInLastOutput(type); }
    // What the output builder reaches of the engine (TOutputHost).
    bool FindEncoder(const std::string& name, AVMediaType type, AVCodecID& id,
                     const AVCodec** codec) override {
        return FindCodecByName(name, type, true, id, codec);
    }

    // Input and output files.
    void ConsumeInputFileOptions();
    // The steps of OpenInputFile.
    const AVInputFormat* ForcedInputFormat();
    bool FindForcedDecoders(TInputDecoders& forced);
    void AnalyseStreams(AVFormatContext* input, const std::string& FileName);
    int64_t SeekToStart(AVFormatContext* input, const std::string& FileName);
    void DescribeInputStreams(AVFormatContext* input, const TInputDecoders& forced,
                              std::vector<engine::CodecContextPtr>& stream_codecs,
                              std::vector<const AVCodec*>& decoders);
    // The stream's decoder entry; none for a data stream.
    std::optional<const AVCodec*> DescribeInputStream(AVStream* stream, int index,
                                                      AVCodecContext* codec,
                                                      const TInputDecoders& forced);
    void DescribeVideoStream(const AVStream* stream, int index, AVCodecContext* codec);
    void AddInput(engine::InputContextPtr input, const std::string& FileName, int64_t timestamp);
    // The partial files are created when the run writes the headers.
    void CreateOutputBytes(AVFormatContext* file) override { outputs_.CreateOutputBytes(file); }
    // When the outputs are closed: after a completed run they get their final
    // names, after a failed one they go; a stopped run leaves them to
    // DiscardUnfinishedOutputs.
    void SettleOutputs();
    void TakeSourceAudioFormat(TOutputStream& stream, const AVCodecContext& source) override {
        outputs_.TakeSourceAudioFormat(stream, source);
    }

    const int max_files_;
    TEngineOptions options_;
    // Option texts, targets and presets; fills options_ and the option lists.
    engine::TOptionParser parser_;
    // Output files, their streams and the partial files the run writes.
    engine::TOutputBuilder outputs_;

    // Files and what belongs to their streams.
    std::vector<engine::InputContextPtr> input_files_;
    std::vector<int64_t> input_ts_offsets_;
    std::vector<const AVCodec*> input_codecs_;
    // Per input file, one decoder context per stream.
    std::vector<std::vector<engine::CodecContextPtr>> input_stream_codecs_;
    // The caller's byte stream for the input being opened, while
    // OpenInputFromIO runs (FFmpegCallerIO.cpp).
    AVIOContext* caller_input_io_ = nullptr;
    engine::CFilePtr vstats_file_;

    int64_t expected_duration_ = -1;
    std::string last_error_text_;

    std::atomic<uint8_t> preview_flags_{0};
    std::atomic<int> concurrent_tasks_{1};
    std::shared_ptr<TPreviewer> preview_window_;
    // The vhook plug-ins; released with the files.
    TFrameHookChain frame_hooks_;
    mutable std::mutex hook_mutex_;
    // Shared, so that each picture takes a reference rather than a copy of
    // the handler; null when none is connected.
    std::shared_ptr<const TCustomHookCallback> custom_hook_;
    std::shared_ptr<const TPreviewBitmapCallback> preview_bitmap_;

    // Run state: flags, failure, pause and stop, the report callbacks.
    engine::TRunControl run_;
    // From a start until the run has freed its files: the libraries stay
    // loaded for the worker. Set before the worker exists, cleared by it.
    std::optional<TLibraryUse> library_use_;

    // Run control (FFmpegRun.cpp). The engine's threads see it through
    // TEngineThreadHost: the run, the end of a task that cannot run, failures.
    void RunTask() override { Run(); }
    void FreeTaskFiles() override { FreeFiles(); }
    void EndTask() override { DoTerminate(); }
    void RecordFailure(const std::string& message) override;
    // The main loop's pause point: returns once the run is resumed or stopped.
    void WaitWhilePaused() override;
    // Starts a worker made without running, and ends a pause.
    void WakeWorker();
    // Waits for the event; a main thread serves its pending calls meanwhile.
    void WaitServingMainThread(const TManualResetEvent& event) const;

    std::shared_ptr<TManualResetEvent> run_done_ = std::make_shared<TManualResetEvent>(true);
    std::shared_ptr<TManualResetEvent> terminate_done_ = std::make_shared<TManualResetEvent>(true);
    mutable std::mutex worker_mutex_;
    std::shared_ptr<TConvertThread> worker_thread_;  // WorkerThread: cleared by DoTerminate
    std::shared_ptr<TConvertThread> run_thread_;     // kept until joined
    std::shared_ptr<TDoTerminateThread> terminate_thread_;

    // The run of Transcode sees the engine through TTranscodeContext; these
    // are the parts of it that are not public (FFmpegTranscode.cpp).
    int64_t& TsOffsetOf(int file) override;
    TBitstreamFilterChain& BitstreamFiltersOf(const AVFormatContext* file, int stream) override;
    int64_t ScalerFlags() const override;
    void SetLastErrorText(const std::string& text) override;
    std::shared_ptr<TPreviewer> PreviewWindow() override;
    TFrameHookChain& FrameHooks() override;
    std::atomic<bool>* StopFlag() override;
    void SetCompleted(bool completed) override;
    void SetMeasuredSpan(int64_t span) override;
    TTranscodeState transcode_;
    // A progress report of the measuring pass, at that position in the source.
    void ReportMeasuring(int64_t position) override;
};

// The steps in which a record's free-form option text is applied. Each comes
// where what it depends on is in place: new streams need the output file,
// presets need the codec names, and the frame size and filters come after
// everything they depend on.
enum class TOptionPhase {
    NewStreams,    // newvideo, newaudio, newsubtitle: once the output exists
    Presets,       // apre, vpre, spre
    CodecNames,    // acodec, vcodec, scodec
    FrameSize,     // s
    VideoFilters,  // vfilters
    Others,        // every other name, before the fields of the record
};

// One task of the conversion component; takes the free-form option texts of
// its input and output records.
class TFFmpeg : public TCustomFFmpeg {
public:
    explicit TFFmpeg(int MaxFiles) : TCustomFFmpeg(MaxFiles) {}
    ~TFFmpeg() override { EndRunControl(); }

    // Applies the lines of `text` that belong to `phase`. Lines are
    // "name=value"; "<CRLF>" separates lines too.
    void ApplyOptionText(const std::string& text, TOptionPhase phase);

    // The phase a (lower-case) option name belongs to.
    static TOptionPhase OptionPhase(const std::string& name);
};

}  // namespace v2m
