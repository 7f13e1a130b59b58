// The option table, the value rules and the hand-over of every other name to
// the libraries' own option system.

#include <algorithm>
#include <cmath>
#include <ctime>
#include <string_view>

#include "FFmpeg.h"
#include "FFmpegLoader.h"
#include "OptionParser.h"
#include "Format.h"
#include "MyUtils.h"
#include "OptionValues.h"

namespace v2m::engine {

// How SetOption reads a value before the entry applies it.
enum class TOptionValueKind {
    kAny,    // not read
    kText,   // as given
    kInt,    // 32-bit integer
    kInt64,  // 64-bit integer
    kFloat,  // decimal number
    kBool,   // false only for "0"
    kFlag,   // always true
    kTime,   // a duration, in microseconds
    kDate,   // a date, in microseconds since 1970
};

struct TOptionParser::TOptionValue {
    const std::string& Name;
    const std::string& Text;
    int64_t Int = 0;  // kInt, kInt64, kTime, kDate
    double Float = 0.0;
    bool Bool = false;  // kBool, kFlag

    int32_t Int32() const { return static_cast<int32_t>(Int); }
};

struct TOptionParser::TOptionEntry {
    std::string_view Name;
    TOptionValueKind Kind;
    void (*Apply)(TOptionParser& parser, const TOptionValue& value);
};

namespace {

// Media-type parameter masks tried on the codec templates, by media type.
constexpr int kTypeParamMask[kMediaTypeCount] = {AV_OPT_FLAG_VIDEO_PARAM, AV_OPT_FLAG_AUDIO_PARAM,
                                                 0, AV_OPT_FLAG_SUBTITLE_PARAM, 0};

int64_t ParseTime(const std::string& name, const std::string& text, bool duration) {
    int64_t microseconds = kNoTime;
    if (ff::av_parse_time(&microseconds, text.c_str(), duration ? 1 : 0) < 0 ||
        microseconds == kNoTime) {
        throw FFmpegException(Format("Invalid %s specification for %s: %s",
                                     duration ? "duration" : "date", name.c_str(), text.c_str()));
    }
    return microseconds;
}

// The classic vocabulary knows "b" as the video bit rate only ("ab" is the
// audio one); the current library also marks it as an audio option, which
// would let a video bit rate reach audio encoders.
bool ClassicVideoOnly(const char* name) {
    return std::string_view(name) == "b";
}

// Copies one option's value from a template to a real context when the option
// has every flag of flag_mask.
void CopyRecordedOption(void* target, void* from, const char* name, int flag_mask) {
    const AVOption* option = ff::av_opt_find(from, name, nullptr, 0, 0);
    uint8_t* text = nullptr;
    if (option == nullptr || ff::av_opt_get(from, name, 0, &text) < 0 || text == nullptr) {
        return;
    }
    AVMemory owned(text);
    if ((option->flags & flag_mask) == flag_mask) {
        ff::av_opt_set(target, name, reinterpret_cast<const char*>(text), 0);
    }
}

}  // namespace

std::span<const TOptionParser::TOptionEntry> TOptionParser::OptionTable() {
    using K = TOptionValueKind;
    using E = TOptionParser;
    using V = TOptionValue;
    static const TOptionEntry kTable[] = {
        {"L", K::kAny, [](E& e, const V& v) { e.LogDoNothing(v.Name); }},
        {"h", K::kAny, [](E& e, const V& v) { e.LogDoNothing(v.Name); }},
        {"version", K::kAny, [](E& e, const V& v) { e.LogDoNothing(v.Name); }},
        {"formats", K::kAny, [](E& e, const V& v) { e.LogDoNothing(v.Name); }},
        {"codecs", K::kAny, [](E& e, const V& v) { e.LogDoNothing(v.Name); }},
        {"bsfs", K::kAny, [](E& e, const V& v) { e.LogDoNothing(v.Name); }},
        {"protocols", K::kAny, [](E& e, const V& v) { e.LogDoNothing(v.Name); }},
        {"filters", K::kAny, [](E& e, const V& v) { e.LogDoNothing(v.Name); }},
        {"loglevel", K::kText,
         [](E&, const V& v) { FFLoggerInstance().SetLogLevelByName(v.Text); }},
        {"f", K::kText, [](E& e, const V& v) { e.SetFormatOption(v.Text); }},
        // Inputs are opened by OpenInputFile; outputs are always overwritten.
        {"i", K::kAny, [](E& e, const V& v) { e.LogDoNothing(v.Name); }},
        {"y", K::kAny, [](E& e, const V& v) { e.LogDoNothing(v.Name); }},
        {"map", K::kText, [](E& e, const V& v) { e.AddStreamMap(v.Text); }},
        {"map_meta_data", K::kText, [](E& e, const V& v) { e.AddMetaDataMap(v.Text); }},
        {"t", K::kTime,
         [](E& e, const V& v) {
             e.options_.RecordingTime = v.Int;
             e.host_.SetExpectedDuration(v.Int);
         }},
        {"fs", K::kInt64, [](E& e, const V& v) { e.options_.LimitFileSize = v.Int; }},
        {"ss", K::kTime, [](E& e, const V& v) { e.options_.StartTime = v.Int; }},
        {"itsoffset", K::kTime, [](E& e, const V& v) { e.options_.InputTsOffset = v.Int; }},
        {"itsscale", K::kText, [](E& e, const V& v) { e.SetInputTsScale(v.Text); }},
        {"timestamp", K::kDate,
         [](E& e, const V& v) {
             // Nearest second, ties to even.
             e.options_.RecordingTimestamp = std::llrint(static_cast<double>(v.Int) / 1000000.0);
         }},
        {"metadata", K::kText, [](E& e, const V& v) { e.AddMetadataOption(v.Text); }},
        {"dframes", K::kInt, [](E& e, const V& v) { e.options_.MaxFrames[mfData] = v.Int32(); }},
        {"benchmark", K::kAny, [](E& e, const V& v) { e.LogDoNothing(v.Name); }},
        // No processor time limit is set on this platform either: the option
        // only warns, in the words it has always used.
        {"timelimit", K::kAny,
         [](E& e, const V&) { e.Log(llWarning, "Warning: -timelimit not implemented on Windows"); }},
        {"dump", K::kBool, [](E& e, const V& v) { e.options_.DoPktDump = v.Bool; }},
        {"hex", K::kBool, [](E& e, const V& v) { e.options_.DoHexDump = v.Bool; }},
        {"re", K::kBool, [](E& e, const V& v) { e.options_.RateEmu = v.Bool; }},
        {"loop_input", K::kBool, [](E& e, const V& v) { e.options_.LoopInput = v.Bool; }},
        {"loop_output", K::kInt, [](E& e, const V& v) { e.options_.LoopOutput = v.Int32(); }},
        {"v", K::kInt, [](E& e, const V& v) { e.options_.Verbose = v.Int32(); }},
        {"target", K::kText, [](E& e, const V& v) { e.SetTargetOption(v.Text); }},
        // Codecs always run with one thread each (ThreadCount stays 1), so a
        // thread count is refused, in the words the option has always used.
        {"threads", K::kAny,
         [](E&, const V& v) { throw FFmpegException("TODO: option - " + v.Name); }},
        {"vsync", K::kInt, [](E& e, const V& v) { e.options_.VideoSyncMethod = v.Int32(); }},
        {"async", K::kInt, [](E& e, const V& v) { e.options_.AudioSyncMethod = v.Int32(); }},
        {"adrift_threshold", K::kFloat,
         [](E& e, const V& v) { e.options_.AudioDriftThreshold = static_cast<float>(v.Float); }},
        {"vglobal", K::kInt, [](E& e, const V& v) { e.options_.VideoGlobalHeader = v.Int32(); }},
        {"copyts", K::kFlag, [](E& e, const V& v) { e.options_.CopyTs = v.Bool; }},
        {"shortest", K::kBool, [](E& e, const V& v) { e.options_.Shortest = v.Bool; }},
        {"dts_delta_threshold", K::kFloat,
         [](E& e, const V& v) { e.options_.DtsDeltaThreshold = static_cast<float>(v.Float); }},
        {"programid", K::kInt, [](E& e, const V& v) { e.options_.ProgramId = v.Int32(); }},
        {"xerror", K::kFlag, [](E& e, const V& v) { e.options_.ExitOnError = v.Bool; }},
        {"copyinkf", K::kInt,
         [](E& e, const V& v) { e.options_.CopyInitialNonKeyframes = v.Int32(); }},

        // Video.
        {"b", K::kText, [](E& e, const V& v) { e.SetBitRateOption(v.Name, v.Text); }},
        {"vb", K::kText, [](E& e, const V& v) { e.SetBitRateOption(v.Name, v.Text); }},
        {"vframes", K::kInt, [](E& e, const V& v) { e.options_.MaxFrames[mfVideo] = v.Int32(); }},
        {"r", K::kText, [](E& e, const V& v) { e.SetFrameRate(v.Text); }},
        {"s", K::kText, [](E& e, const V& v) { e.SetFrameSize(v.Text); }},
        {"aspect", K::kText, [](E& e, const V& v) { e.SetAspect(v.Text); }},
        {"pix_fmt", K::kText, [](E& e, const V& v) { e.SetPixelFormatOption(v.Text); }},
        {"croptop", K::kInt, [](E& e, const V& v) { e.SetCropTop(v.Int32()); }},
        {"cropbottom", K::kInt, [](E& e, const V& v) { e.SetCropBottom(v.Int32()); }},
        {"cropleft", K::kInt, [](E& e, const V& v) { e.SetCropLeft(v.Int32()); }},
        {"cropright", K::kInt, [](E& e, const V& v) { e.SetCropRight(v.Int32()); }},
        {"padtop", K::kInt, [](E& e, const V& v) { e.SetPadTop(v.Int32()); }},
        {"padbottom", K::kInt, [](E& e, const V& v) { e.SetPadBottom(v.Int32()); }},
        {"padleft", K::kInt, [](E& e, const V& v) { e.SetPadLeft(v.Int32()); }},
        {"padright", K::kInt, [](E& e, const V& v) { e.SetPadRight(v.Int32()); }},
        {"padcolor", K::kInt, [](E& e, const V& v) { e.SetPadColor(v.Int32()); }},
        {"intra", K::kBool, [](E& e, const V& v) { e.options_.IntraOnly = v.Bool; }},
        {"vn", K::kBool, [](E& e, const V& v) { e.options_.VideoDisable = v.Bool; }},
        {"vdt", K::kInt, [](E& e, const V& v) { e.options_.VideoDiscard = v.Int32(); }},
        {"qscale", K::kFloat, [](E& e, const V& v) { e.SetQScaleOption(v.Float); }},
        // Its syntax is checked where a stream takes it.
        {"rc_override", K::kText, [](E& e, const V& v) { e.options_.VideoRcOverride = v.Text; }},
        {"vcodec", K::kText, [](E& e, const V& v) { e.SetCodecName(AVMEDIA_TYPE_VIDEO, v.Text); }},
        {"me_threshold", K::kInt, [](E& e, const V& v) { e.options_.MeThreshold = v.Int32(); }},
        {"sameq", K::kBool, [](E& e, const V& v) { e.options_.SameQuality = v.Bool; }},
        {"pass", K::kInt,
         [](E& e, const V& v) {
             if (v.Int != 1 && v.Int != 2) {
                 throw FFmpegException("pass number can be only 1 or 2");
             }
             e.options_.DoPass = v.Int32();
         }},
        {"passlogfile", K::kText, [](E& e, const V& v) { e.options_.PassLogFilePrefix = v.Text; }},
        {"deinterlace", K::kBool, [](E& e, const V& v) { e.options_.Deinterlace = v.Bool; }},
        {"psnr", K::kBool, [](E& e, const V& v) { e.options_.DoPsnr = v.Bool; }},
        {"vstats", K::kAny, [](E& e, const V&) { e.GenerateVStatsFileName(); }},
        {"vstats_file", K::kText, [](E& e, const V& v) { e.options_.VStatsFileName = v.Text; }},
        {"vhook", K::kText, [](E& e, const V& v) { e.AddVideoHook(v.Text); }},
        {"vfilters", K::kText, [](E& e, const V& v) { e.SetVideoFilters(v.Text); }},
        {"intra_matrix", K::kText,
         [](E& e, const V& v) { e.SetMatrixOption(e.options_.IntraMatrix, v.Text); }},
        {"inter_matrix", K::kText,
         [](E& e, const V& v) { e.SetMatrixOption(e.options_.InterMatrix, v.Text); }},
        {"top", K::kInt, [](E& e, const V& v) { e.options_.TopFieldFirst = v.Int32(); }},
        {"dc", K::kInt, [](E& e, const V& v) { e.options_.IntraDcPrecision = v.Int32(); }},
        {"vtag", K::kText, [](E& e, const V& v) { e.SetCodecTag(AVMEDIA_TYPE_VIDEO, v.Text); }},
        {"newvideo", K::kAny, [](E& e, const V&) { e.NewStreamOption(AVMEDIA_TYPE_VIDEO); }},
        {"vlang", K::kText, [](E& e, const V& v) { e.options_.VideoLanguage = v.Text; }},
        {"qphist", K::kBool, [](E& e, const V& v) { e.options_.QpHist = v.Bool; }},
        {"force_fps", K::kBool, [](E& e, const V& v) { e.options_.ForceFps = v.Bool; }},

        // Audio.
        {"ab", K::kText, [](E& e, const V& v) { e.SetBitRateOption(v.Name, v.Text); }},
        {"aframes", K::kInt, [](E& e, const V& v) { e.options_.MaxFrames[mfAudio] = v.Int32(); }},
        {"aq", K::kFloat,
         [](E& e, const V& v) { e.options_.AudioQScale = static_cast<float>(v.Float); }},
        {"ar", K::kInt, [](E& e, const V& v) { e.SetAudioSampleRate(v.Int32()); }},
        {"ac", K::kInt, [](E& e, const V& v) { e.SetAudioChannels(v.Int32()); }},
        {"an", K::kBool, [](E& e, const V& v) { e.options_.AudioDisable = v.Bool; }},
        {"acodec", K::kText, [](E& e, const V& v) { e.SetCodecName(AVMEDIA_TYPE_AUDIO, v.Text); }},
        {"atag", K::kText, [](E& e, const V& v) { e.SetCodecTag(AVMEDIA_TYPE_AUDIO, v.Text); }},
        // Only the direct setter ignores negative volumes.
        {"vol", K::kInt, [](E& e, const V& v) { e.options_.AudioVolume = v.Int32(); }},
        {"loudness_target", K::kFloat,
         [](E& e, const V& v) { e.SetLoudnessTarget(v.Float); }},
        {"newaudio", K::kAny, [](E& e, const V&) { e.NewStreamOption(AVMEDIA_TYPE_AUDIO); }},
        {"alang", K::kText, [](E& e, const V& v) { e.options_.AudioLanguage = v.Text; }},
        {"sample_fmt", K::kText, [](E& e, const V& v) { e.SetSampleFormatOption(v.Text); }},

        // Subtitles.
        {"sn", K::kBool, [](E& e, const V& v) { e.options_.SubtitleDisable = v.Bool; }},
        {"scodec", K::kText,
         [](E& e, const V& v) { e.SetCodecName(AVMEDIA_TYPE_SUBTITLE, v.Text); }},
        {"newsubtitle", K::kAny,
         [](E& e, const V&) { e.NewStreamOption(AVMEDIA_TYPE_SUBTITLE); }},
        {"slang", K::kText, [](E& e, const V& v) { e.options_.SubtitleLanguage = v.Text; }},
        {"stag", K::kText,
         [](E& e, const V& v) { e.SetCodecTag(AVMEDIA_TYPE_SUBTITLE, v.Text); }},

        // Grabbing and muxing.
        {"vc", K::kInt, [](E& e, const V& v) { e.options_.VideoChannel = v.Int32(); }},
        {"tvstd", K::kText, [](E& e, const V& v) { e.options_.VideoStandard = v.Text; }},
        {"isync", K::kBool, [](E& e, const V& v) { e.options_.InputSync = v.Bool; }},
        {"muxdelay", K::kFloat,
         [](E& e, const V& v) { e.options_.MuxMaxDelay = static_cast<float>(v.Float); }},
        {"muxpreload", K::kFloat,
         [](E& e, const V& v) { e.options_.MuxPreload = static_cast<float>(v.Float); }},
        {"absf", K::kText,
         [](E& e, const V& v) { e.AddBitstreamFilter(AVMEDIA_TYPE_AUDIO, v.Text); }},
        {"vbsf", K::kText,
         [](E& e, const V& v) { e.AddBitstreamFilter(AVMEDIA_TYPE_VIDEO, v.Text); }},
        {"sbsf", K::kText,
         [](E& e, const V& v) { e.AddBitstreamFilter(AVMEDIA_TYPE_SUBTITLE, v.Text); }},
        {"apre", K::kText, [](E& e, const V& v) { e.ApplyPreset(v.Name, v.Text); }},
        {"vpre", K::kText, [](E& e, const V& v) { e.ApplyPreset(v.Name, v.Text); }},
        {"spre", K::kText, [](E& e, const V& v) { e.ApplyPreset(v.Name, v.Text); }},
        {"fpre", K::kText, [](E& e, const V& v) { e.ApplyPreset(v.Name, v.Text); }},
    };
    return kTable;
}

void TOptionParser::SetOption(const std::string& name, const std::string& value) {
    for (const TOptionEntry& entry : OptionTable()) {
        if (entry.Name != name) {
            continue;
        }
        TOptionValue parsed{name, value};
        switch (entry.Kind) {
            case TOptionValueKind::kAny:
            case TOptionValueKind::kText:
                break;
            case TOptionValueKind::kInt:
                parsed.Int = StrToInt(value);
                break;
            case TOptionValueKind::kInt64:
                parsed.Int = StrToInt64(value);
                break;
            case TOptionValueKind::kFloat:
                parsed.Float = StrToFloat(value);
                break;
            case TOptionValueKind::kBool:
                parsed.Bool = value != "0";
                break;
            case TOptionValueKind::kFlag:
                parsed.Bool = true;
                break;
            case TOptionValueKind::kTime:
                parsed.Int = ParseTime(name, value, true);
                break;
            case TOptionValueKind::kDate:
                parsed.Int = ParseTime(name, value, false);
                break;
        }
        entry.Apply(*this, parsed);
        return;
    }
    // Unknown names and rejected values leave only the libraries' log line;
    // a name no template knows may still be a setting of the next output's
    // muxer (the MP3 muxer's tag version, say).
    SetMuxerOption(name, value);
}

void TOptionParser::LogDoNothing(const std::string& name) {
    Log(llInfo, "Do nothing: option - " + name);
}

void TOptionParser::SetFormatOption(const std::string& value) {
    if (value.empty()) {
        return;
    }
    if (value == "pgmyuv") {
        options_.FormatName = "image2";
        options_.PgmYuvCompat = true;
        Log(llInfo, "pgmyuv format is deprecated, use image2");
        return;
    }
    options_.FormatName = value;
}

void TOptionParser::AddStreamMap(const std::string& value) {
    if (stream_maps_.size() >= static_cast<size_t>(max_files_) * kMaxStreams) {
        throw FFmpegException("Too many stream maps");
    }
    const char* cursor = value.c_str();
    // Each number may be followed by one separator of any kind.
    auto next = [&cursor] {
        const auto number = static_cast<int32_t>(ReadIntPrefix(cursor));
        if (*cursor != '\0') {
            ++cursor;
        }
        return number;
    };
    TStreamMap map;
    map.FileIndex = next();
    map.StreamIndex = next();
    if (*cursor != '\0') {
        map.SyncFileIndex = next();
        map.SyncStreamIndex = next();
    } else {
        map.SyncFileIndex = map.FileIndex;
        map.SyncStreamIndex = map.StreamIndex;
    }
    stream_maps_.push_back(map);
}

void TOptionParser::AddMetaDataMap(const std::string& value) {
    if (meta_data_maps_.size() >= static_cast<size_t>(max_files_)) {
        throw FFmpegException("Too many meta data maps");
    }
    const char* cursor = value.c_str();
    TMetaDataMap map;
    map.OutFile = static_cast<int32_t>(ReadIntPrefix(cursor));
    if (*cursor != '\0') {
        ++cursor;
    }
    map.InFile = static_cast<int32_t>(ReadIntPrefix(cursor));
    meta_data_maps_.push_back(map);
}

void TOptionParser::SetInputTsScale(const std::string& value) {
    const char* cursor = value.c_str();
    const long stream = ReadIntPrefix(cursor);
    if (*cursor != '\0') {
        ++cursor;
    }
    const double scale = ReadFloatPrefix(cursor);
    if (stream < 0 || stream >= kMaxStreams) {
        throw FFmpegException(Format("stream index over MAX_STREAMS(%d)", kMaxStreams));
    }
    // With every input slot taken there is no next input to scale.
    if (const int next = host_.InputFileCount(); next < max_files_) {
        input_ts_scales_[static_cast<size_t>(next) * kMaxStreams + static_cast<size_t>(stream)] =
            scale;
    }
}

void TOptionParser::AddMetadataOption(const std::string& value) {
    const size_t equals = value.find('=');
    if (equals == std::string::npos) {
        throw FFmpegException("Missing =");
    }
    AddMetadata(value.substr(0, equals), value.substr(equals + 1));
}

void TOptionParser::SetTargetOption(const std::string& value) {
    std::string type = TrimBlanks(value);
    std::string norm;
    for (const char* prefix : {"pal-", "ntsc-", "film-"}) {
        const std::string_view p(prefix);
        if (type.compare(0, p.size(), p) == 0) {
            norm = std::string(p.substr(0, p.size() - 1));
            type.erase(0, p.size());
            break;
        }
    }
    SetTarget(type, norm, "ntsc");
}

void TOptionParser::GenerateVStatsFileName() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char stamp[16] = {};
    std::strftime(stamp, sizeof stamp, "%H%M%S", &local);
    options_.VStatsFileName = Format("%svstats_%s.log", ProgramFolder().c_str(), stamp);
}

void TOptionParser::AddVideoHook(const std::string& value) {
    std::vector<std::string> tokens = SplitHookCommand(value);
    // The plug-in reads its arguments from a fixed table, null after the last.
    std::array<char*, kHookArgSlots> argv{};
    const size_t count = std::min(tokens.size(), static_cast<size_t>(kMaxHookTokens));
    for (size_t i = 0; i < count; ++i) {
        argv[i] = tokens[i].data();
    }
    if (AddFrameHook(host_.FrameHooks(), static_cast<int>(count), argv.data()) != 0) {
        throw FFmpegException("Failed to add video hook function: " + value);
    }
    options_.UsingVHook = true;
}

void TOptionParser::NewStreamOption(AVMediaType type) {
    host_.NewStreamInLastOutput(type);
}

const std::string& TOptionParser::PendingCodecName(AVMediaType type) const {
    static const std::string kNone;
    switch (type) {
        case AVMEDIA_TYPE_VIDEO:
            return options_.VideoCodecName;
        case AVMEDIA_TYPE_AUDIO:
            return options_.AudioCodecName;
        case AVMEDIA_TYPE_SUBTITLE:
            return options_.SubtitleCodecName;
        default:
            return kNone;
    }
}

AVCodecContext* TOptionParser::FindEncoderTemplate(const AVCodec* encoder) const {
    for (const engine::CodecContextPtr& context : option_contexts_->EncoderTemplates) {
        if (context->codec == encoder) {
            return context.get();
        }
    }
    return nullptr;
}

AVCodecContext* TOptionParser::EncoderTemplate(const AVCodec* encoder) {
    if (AVCodecContext* existing = FindEncoderTemplate(encoder)) {
        return existing;
    }
    // A context made for the encoder carries its private options with their defaults.
    engine::CodecContextPtr context(ff::avcodec_alloc_context3(encoder));
    if (!context) {
        throw std::bad_alloc();
    }
    option_contexts_->EncoderTemplates.push_back(std::move(context));
    return option_contexts_->EncoderTemplates.back().get();
}

// What SetGenericOption found for a name and where it set the value.
struct TOptionParser::TGenericSetting {
    const char* Key;
    const char* Text;
    const AVOption* Found = nullptr;
    int Result = 0;
    uint32_t Templates = 0;
    std::vector<TPrivateOption> PrivateOptions;
};

bool TOptionParser::SetGenericOption(const std::string& name, const std::string& value) {
    if (TrimBlanks(name).empty() || TrimBlanks(value).empty()) {
        return false;
    }
    TOptionContexts& contexts = *option_contexts_;
    if (!contexts.Codecs[0] || !contexts.Format || !contexts.Scaler) {
        return false;  // not prepared, or freed
    }
    TGenericSetting setting{name.c_str(), value.c_str()};
    SetTemplateOption(setting);
    if (setting.Found == nullptr) {
        SetEncoderPrivateOption(setting);
    }
    if (setting.Found == nullptr) {
        SetPrefixedOption(setting);
    }
    if (setting.Found == nullptr) {
        return false;
    }
    if (setting.Result < 0) {
        ff::av_log(nullptr, AV_LOG_ERROR, "Invalid value \"%s\" for option \"%s\"\n", setting.Text,
                   setting.Key);
        return false;
    }
    if (!setting.PrivateOptions.empty()) {
        contexts.PrivateOptions.insert(contexts.PrivateOptions.end(),
                                       setting.PrivateOptions.begin(),
                                       setting.PrivateOptions.end());
    } else {
        contexts.Names.push_back({setting.Found->name, setting.Templates});
    }
    if (contexts.Codecs[AVMEDIA_TYPE_VIDEO]->debug != 0 || contexts.Format->debug != 0) {
        FFLoggerInstance().SetLogLevel(llDebug);
    }
    return true;
}

void TOptionParser::SetTemplateOption(TGenericSetting& setting) {
    TOptionContexts& contexts = *option_contexts_;
    // All codec templates share one option table.
    AVCodecContext* table = contexts.Codecs[AVMEDIA_TYPE_VIDEO].get();
    for (int type = 0; type < kMediaTypeCount && setting.Result >= 0; ++type) {
        const AVOption* option =
            ff::av_opt_find(table, setting.Key, nullptr, kTypeParamMask[type], 0);
        if (option == nullptr || (ClassicVideoOnly(option->name) && type == AVMEDIA_TYPE_AUDIO)) {
            continue;
        }
        setting.Found = option;
        setting.Result = ff::av_opt_set(contexts.Codecs[static_cast<size_t>(type)].get(),
                                        setting.Key, setting.Text, 0);
        if (setting.Result >= 0) {
            setting.Templates |= TemplateBit(type);
        }
    }
    if (setting.Found != nullptr) {
        return;
    }
    const std::pair<void*, uint32_t> others[] = {{contexts.Format.get(), kFormatTemplateBit},
                                                 {contexts.Scaler.get(), kScalerTemplateBit}};
    for (const auto& [context, bit] : others) {
        if ((setting.Found = ff::av_opt_find(context, setting.Key, nullptr, 0, 0)) != nullptr) {
            setting.Result = ff::av_opt_set(context, setting.Key, setting.Text, 0);
            setting.Templates = bit;
            return;
        }
    }
}

void TOptionParser::SetEncoderPrivateOption(TGenericSetting& setting) {
    // Encoder-private options (the current library keeps them off the generic
    // context): those of the encoders the pending codec names give.
    for (AVMediaType type : {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_SUBTITLE}) {
        if (setting.Result < 0 || PendingCodecName(type).empty()) {
            continue;
        }
        const AVCodec* encoder = ff::avcodec_find_encoder_by_name(PendingCodecName(type).c_str());
        if (encoder == nullptr || encoder->type != type || encoder->priv_class == nullptr) {
            continue;
        }
        const AVOption* option =
            ff::av_opt_find(const_cast<const AVClass**>(&encoder->priv_class), setting.Key, nullptr,
                            kTypeParamMask[type], AV_OPT_SEARCH_FAKE_OBJ);
        if (option == nullptr) {
            continue;
        }
        setting.Found = option;
        setting.Result =
            ff::av_opt_set(EncoderTemplate(encoder)->priv_data, setting.Key, setting.Text, 0);
        if (setting.Result >= 0) {
            setting.PrivateOptions.push_back({type, encoder->name, option->name});
        }
    }
}

void TOptionParser::SetPrefixedOption(TGenericSetting& setting) {
    // A classic prefix names the media type: "vmaxrate" is "maxrate" for video.
    const std::string_view name(setting.Key);
    if (name.size() <= 1) {
        return;
    }
    int type = -1;
    switch (name[0]) {
        case 'a':
            type = AVMEDIA_TYPE_AUDIO;
            break;
        case 'v':
            type = AVMEDIA_TYPE_VIDEO;
            break;
        case 's':
            type = AVMEDIA_TYPE_SUBTITLE;
            break;
    }
    if (type < 0) {
        return;
    }
    AVCodecContext* codec = option_contexts_->Codecs[static_cast<size_t>(type)].get();
    if ((setting.Found = ff::av_opt_find(codec, setting.Key + 1, nullptr, 0, 0)) != nullptr) {
        setting.Result = ff::av_opt_set(codec, setting.Key + 1, setting.Text, 0);
        setting.Templates = TemplateBit(type);
    }
}

void TOptionParser::CopyGenericOptions(void* target, const void* source, uint32_t source_bit,
                                       int flag_mask) {
    void* from = const_cast<void*>(source);
    for (const TRecordedOption& recorded : option_contexts_->Names) {
        // A value is taken only from a template that received it.
        if (source_bit == 0 || (recorded.Templates & source_bit) != 0) {
            CopyRecordedOption(target, from, recorded.Name.c_str(), flag_mask);
        }
    }
}

void TOptionParser::CopyPrivateOptions(AVCodecContext* target, AVMediaType type, int flag_mask) {
    if (target->codec == nullptr || target->priv_data == nullptr) {
        return;
    }
    for (const TPrivateOption& recorded : option_contexts_->PrivateOptions) {
        if (recorded.Type != type || recorded.Encoder != target->codec->name) {
            continue;
        }
        AVCodecContext* encoder_template = FindEncoderTemplate(target->codec);
        if (encoder_template == nullptr) {
            continue;  // a decoder of the same name
        }
        CopyRecordedOption(target->priv_data, encoder_template->priv_data, recorded.Name.c_str(),
                           flag_mask);
    }
}

void TOptionParser::CopyContextOptions(AVCodecContext* target, const AVCodecContext* source,
                                       int flag_mask) {
    if (target == nullptr || source == nullptr) {
        return;
    }
    int source_type = -1;
    for (int type = 0; type < kMediaTypeCount; ++type) {
        if (option_contexts_->Codecs[static_cast<size_t>(type)].get() == source) {
            source_type = type;
        }
    }
    CopyGenericOptions(target, source, source_type >= 0 ? TemplateBit(source_type) : 0, flag_mask);
    if (source_type >= 0) {
        CopyPrivateOptions(target, static_cast<AVMediaType>(source_type), flag_mask);
    }
}

void TOptionParser::CopyContextOptions(AVFormatContext* target, const AVFormatContext* source,
                                       int flag_mask) {
    if (target == nullptr || source == nullptr) {
        return;
    }
    const uint32_t bit = source == option_contexts_->Format.get() ? kFormatTemplateBit : 0;
    CopyGenericOptions(target, source, bit, flag_mask);
}

}  // namespace v2m::engine
