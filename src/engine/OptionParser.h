#pragma once
// The engine's option vocabulary: option texts by name, the direct setters,
// targets and presets. The parser fills the engine's options record and the
// lists that only options fill; the few effects that reach beyond them go
// through TOptionHost.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "FFmpegApi.h"
#include "FFmpegLogger.h"
#include "FrameHooks.h"

namespace v2m {

struct TEngineOptions;
struct TOptionContexts;
struct TStreamMap;
struct TMetaDataMap;
using TQuantMatrix = std::array<uint16_t, 64>;

namespace engine {

// What option parsing needs of the engine that owns it: the inputs already
// opened (a target's norm, the row of a time-stamp scale), the last output
// (new streams), the expected duration a recording time sets, the hooks and
// the log. The engine implements it privately.
class TOptionHost {
public:
    virtual int InputFileCount() const = 0;
    virtual AVFormatContext* InputFile(int index) const = 0;
    virtual void SetExpectedDuration(int64_t duration) = 0;
    // A stream of the type in the last output opened.
    virtual void NewStreamInLastOutput(AVMediaType type) = 0;
    virtual TFrameHookChain& FrameHooks() = 0;
    virtual void Log(TLogLevel level, const std::string& text) = 0;

protected:
    ~TOptionHost() = default;
};

using TTextPairs = std::vector<std::pair<std::string, std::string>>;

class TOptionParser {
public:
    TOptionParser(int max_files, TEngineOptions& options, TOptionHost& host);
    ~TOptionParser();
    TOptionParser(const TOptionParser&) = delete;
    TOptionParser& operator=(const TOptionParser&) = delete;

    // The lists and scales to their empty state; the record is the engine's to reset.
    void Reset();
    // The library contexts that keep generic option values; made once per task.
    void AllocateTemplates();
    void FreeTemplates();

    // The engine's public option calls; see TCustomFFmpeg.
    void SetOption(const std::string& name, const std::string& value);
    bool SetGenericOption(const std::string& name, const std::string& value);
    void CopyContextOptions(AVCodecContext* target, const AVCodecContext* source, int flag_mask);
    void CopyContextOptions(AVFormatContext* target, const AVFormatContext* source, int flag_mask);
    void AddMetadata(const std::string& key, const std::string& value);
    void SetTarget(const std::string& type, const std::string& norm,
                   const std::string& default_norm);
    void ApplyPreset(const std::string& option_name, const std::string& value);

    void SetFormat(const std::string& text);
    void SetVerbose(int32_t n);
    void SetStartTime(int64_t t);
    void SetRecordingTime(int64_t t);
    void SetProgramId(int32_t n);
    void SetGenericIntOption(const std::string& name, int64_t n);
    void SetAudioVolume(int32_t n);
    void SetAudioChannels(int32_t n);
    void SetAudioSampleRate(int32_t n);
    void SetAudioSyncMethod(int32_t n);
    void SetVideoSyncMethod(int32_t n);
    void SetMuxMaxDelay(double x);
    void SetMuxPreload(double x);
    void SetFrameRate(const std::string& text);
    void SetFrameSize(const std::string& text);
    void SetAspect(const std::string& text);
    void SetLoudnessTarget(double lufs);
    void SetCropTop(int32_t n);
    void SetCropBottom(int32_t n);
    void SetCropLeft(int32_t n);
    void SetCropRight(int32_t n);
    void SetPadTop(int32_t n);
    void SetPadBottom(int32_t n);
    void SetPadLeft(int32_t n);
    void SetPadRight(int32_t n);
    void SetPadColor(int32_t colour);
    void SetCodecName(AVMediaType type, const std::string& value);
    void SetCodecTag(AVMediaType type, const std::string& value);
    void SetVideoFilters(const std::string& text);

    // What the options filled, for the files and the run.
    const TOptionContexts& OptionContexts() const { return *option_contexts_; }
    TOptionContexts& OptionContexts() { return *option_contexts_; }
    std::span<const TStreamMap> StreamMaps() const;
    std::span<const TMetaDataMap> MetaDataMaps() const;
    // Pending for the next output, which takes them.
    TTextPairs& Metadata() { return metadata_; }
    const TTextPairs& Metadata() const { return metadata_; }
    TTextPairs& PendingMuxerOptions() { return pending_muxer_options_; }
    const TTextPairs& PendingMuxerOptions() const { return pending_muxer_options_; }
    double InputTsScale(int file, int stream) const;
    const std::string& PendingCodecName(AVMediaType type) const;

private:
    struct TOptionValue;
    struct TOptionEntry;
    static std::span<const TOptionEntry> OptionTable();

    void Log(TLogLevel level, const std::string& text) { host_.Log(level, text); }

    AVCodecContext* EncoderTemplate(const AVCodec* encoder);
    AVCodecContext* FindEncoderTemplate(const AVCodec* encoder) const;
    void CopyGenericOptions(void* target, const void* source, uint32_t source_bit, int flag_mask);
    // The steps of SetGenericOption: the templates, then the pending encoders'
    // private options, then the names with a media type prefix.
    struct TGenericSetting;
    void SetTemplateOption(TGenericSetting& setting);
    void SetEncoderPrivateOption(TGenericSetting& setting);
    void SetPrefixedOption(TGenericSetting& setting);
    void CopyPrivateOptions(AVCodecContext* target, AVMediaType type, int flag_mask);

    // Option handlers with more to them than a field.
    void LogDoNothing(const std::string& name);
    void SetFormatOption(const std::string& value);
    void AddStreamMap(const std::string& value);
    void AddMetaDataMap(const std::string& value);
    void SetInputTsScale(const std::string& value);
    void AddMetadataOption(const std::string& value);
    void SetTargetOption(const std::string& value);
    void GenerateVStatsFileName();
    void AddVideoHook(const std::string& value);
    void NewStreamOption(AVMediaType type);
    void SetMuxerOption(const std::string& name, const std::string& value);

    // Per-stream options.
    void SetBitRateOption(const std::string& name, const std::string& value);
    void SetPixelFormatOption(const std::string& value);
    void SetSampleFormatOption(const std::string& value);
    void SetQScaleOption(double value);
    void SetMatrixOption(std::optional<TQuantMatrix>& matrix, const std::string& value);
    void AddBitstreamFilter(AVMediaType type, const std::string& value);
    void ListFormats(bool pixel_formats);
    // The steps of ApplyPreset: the text of the preset (built in, else the
    // file), with `lookup` the name it was found by; then each of its lines.
    std::string PresetText(const std::string& option_name, const std::string& value,
                           std::string& lookup);
    void ApplyPresetLine(const std::string& lookup, const std::string& line);

    const int max_files_;
    TEngineOptions& options_;
    TOptionHost& host_;
    // Library options that are not in the option table, in their templates;
    // never null.
    std::unique_ptr<TOptionContexts> option_contexts_;
    std::vector<TStreamMap> stream_maps_;
    std::vector<TMetaDataMap> meta_data_maps_;
    TTextPairs metadata_;
    // Settings of the muxer itself given by a target, for the next output.
    TTextPairs pending_muxer_options_;
    std::vector<double> input_ts_scales_;  // MaxFiles x 20
};

}  // namespace engine

}  // namespace v2m
