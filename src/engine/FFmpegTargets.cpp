// Targets (disc and camcorder formats) and presets (named lists of codec
// options): grouped options that fill the pending state for the next output.

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

#include "FFmpeg.h"
#include "OptionParser.h"
#include "FFmpegFiles.h"
#include "FFmpegPresets.h"
#include "Format.h"
#include "MyUtils.h"
#include "OptionValues.h"

namespace v2m::engine {

namespace {

enum class TNorm { kPal, kNtsc, kFilm };

TNorm NormOfMilliRate(int64_t milli_rate, bool& decided) {
    decided = true;
    if (milli_rate == 25000) {
        return TNorm::kPal;
    }
    if (milli_rate == 29970 || milli_rate == 23976) {
        return TNorm::kNtsc;
    }
    decided = false;
    return TNorm::kPal;
}

const char* NormRate(TNorm norm) {
    switch (norm) {
        case TNorm::kPal:
            return "25";
        case TNorm::kNtsc:
            return "30000/1001";
        case TNorm::kFilm:
            break;
    }
    return "24000/1001";
}

std::string ReplaceLineBreaks(std::string text) {
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            result += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            result += text[i];
        }
    }
    return result;
}

// A setting a target gives, as the libraries' codec or format option of that
// name (or, with Muxer, the muxer's own); Ntsc null: as for PAL.
struct TTargetSetting {
    const char* Name;
    const char* Pal;
    const char* Ntsc = nullptr;
    bool Muxer = false;
};

// What a target sets, field by field; null texts set nothing.
struct TTarget {
    std::string_view Type;
    const char* VideoCodec;
    const char* AudioCodec;
    const char* Format;
    const char* PalSize;
    const char* NtscSize;
    const char* PalPixelFormat;
    const char* NtscPixelFormat;
    std::vector<TTargetSetting> Settings;  // in this order
    int32_t SampleRate;
    bool AtLeastStereo;  // the count in force, never mono: a later source may not lower it
    float MuxPreload;    // seconds; 0 = unchanged
    const char* Aspect;  // assumed when none is set
};

const TTarget* FindTarget(std::string_view type) {
    static const TTarget kTargets[] = {
        {"vcd",
         "mpeg1video",
         "mp2",
         "vcd",
         "352x288",
         "352x240",
         nullptr,
         nullptr,
         {{"g", "15", "18"},
          {"b", "1150000"},
          {"maxrate", "1150000"},
          {"minrate", "1150000"},
          {"bufsize", "327680"},
          {"ab", "224000"},
          {"packetsize", "2324"},
          {"muxrate", "1411200", nullptr, true}},
         44100,
         false,
         0.44f,
         "4:3"},
        {"svcd",
         "mpeg2video",
         "mp2",
         "svcd",
         "480x576",
         "480x480",
         nullptr,
         nullptr,
         {{"g", "15", "18"},
          {"b", "2040000"},
          {"maxrate", "2516000"},
          {"minrate", "0"},
          {"bufsize", "1835008"},
          // The scan offset flag is an option of the MPEG-2 encoder itself now.
          {"scan_offset", "1"},
          {"ab", "224000"},
          {"packetsize", "2324"}},
         44100,
         true,
         0.0f,
         "4:3"},
        {"dvd",
         "mpeg2video",
         "ac3",
         "dvd",
         "720x576",
         "720x480",
         nullptr,
         nullptr,
         {{"g", "15", "18"},
          {"b", "6000000"},
          {"maxrate", "9000000"},
          {"minrate", "0"},
          {"bufsize", "1835008"},
          {"packetsize", "2048"},
          {"muxrate", "10080000", nullptr, true},
          {"ab", "448000"}},
         48000,
         true,
         0.0f,
         "16:9"},
        {"dv",
         nullptr,
         nullptr,
         "dv",
         "720x576",
         "720x480",
         "yuv420p",
         "yuv411p",
         {},
         48000,
         false,
         0.0f,
         nullptr},
        {"dv50",
         nullptr,
         nullptr,
         "dv",
         "720x576",
         "720x480",
         "yuv422p",
         "yuv422p",
         {},
         48000,
         false,
         0.0f,
         nullptr},
    };
    for (const TTarget& target : kTargets) {
        if (target.Type == type) {
            return &target;
        }
    }
    return nullptr;
}

// The norm of the first known frame rate: the pending one, else that of the
// inputs' video streams at the rate their decoders will report.
TNorm NormOfRates(const TEngineOptions& o, const TOptionHost& host,
                  const std::string& default_norm) {
    if (o.FrameRate.den == 0) {
        throw FFmpegException("frame_rate is invalid.");
    }
    bool decided = false;
    TNorm chosen = NormOfMilliRate(MilliFrameRate(o.FrameRate), decided);
    for (int f = 0; f < host.InputFileCount(); ++f) {
        const AVFormatContext* input = host.InputFile(f);
        for (unsigned s = 0; !decided && s < input->nb_streams; ++s) {
            const AVStream* stream = input->streams[s];
            if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
                chosen = NormOfMilliRate(MilliFrameRate(stream->avg_frame_rate), decided);
            }
        }
        if (decided) {
            return chosen;
        }
    }
    return default_norm == "film"   ? TNorm::kFilm
           : default_norm == "ntsc" ? TNorm::kNtsc
                                    : TNorm::kPal;
}

}  // namespace

void TOptionParser::SetTarget(const std::string& type, const std::string& norm,
                              const std::string& default_norm) {
    TEngineOptions& o = options_;
    TNorm chosen = TNorm::kPal;
    if (norm == "pal") {
        chosen = TNorm::kPal;
    } else if (norm == "ntsc") {
        chosen = TNorm::kNtsc;
    } else if (norm == "film") {
        chosen = TNorm::kFilm;
    } else {
        chosen = NormOfRates(o, host_, default_norm);
        if (o.Verbose > 0) {
            Log(llVerbose,
                Format("Assuming %s for target.", chosen == TNorm::kPal ? "PAL" : "NTSC"));
        }
    }
    const TTarget* target = FindTarget(type);
    if (target == nullptr) {
        throw FFmpegException("Unknown target type");
    }
    const bool pal = chosen == TNorm::kPal;
    if (target->VideoCodec != nullptr) {
        SetCodecName(AVMEDIA_TYPE_VIDEO, target->VideoCodec);
        SetCodecName(AVMEDIA_TYPE_AUDIO, target->AudioCodec);
    }
    SetFormatOption(target->Format);
    SetFrameSize(pal ? target->PalSize : target->NtscSize);
    if (target->PalPixelFormat != nullptr) {
        SetPixelFormatOption(pal ? target->PalPixelFormat : target->NtscPixelFormat);
    }
    SetFrameRate(NormRate(chosen));
    for (const TTargetSetting& setting : target->Settings) {
        const char* value = !pal && setting.Ntsc != nullptr ? setting.Ntsc : setting.Pal;
        // What the libraries refuse changes nothing, as for any generic option.
        if (setting.Muxer) {
            SetMuxerOption(setting.Name, value);
        } else {
            SetGenericOption(setting.Name, value);
        }
    }
    SetAudioSampleRate(target->SampleRate);
    SetAudioChannels(target->AtLeastStereo ? std::max(o.AudioChannels, 2) : 2);
    if (target->MuxPreload > 0.0f) {
        o.MuxPreload = target->MuxPreload;
    }
    if (target->Aspect != nullptr && o.FrameAspectRatio == 0.0f) {
        Log(llInfo, Format("Assuming %s for aspect ratio", target->Aspect));
        SetAspect(target->Aspect);
    }
}

void TOptionParser::SetMuxerOption(const std::string& name, const std::string& value) {
    // Muxer-private settings find no template; the next output's muxer takes
    // them when it has them.
    if (!SetGenericOption(name, value)) {
        pending_muxer_options_.emplace_back(name, value);
    }
}

void TOptionParser::ApplyPreset(const std::string& option_name, const std::string& value) {
    if (option_name.empty() || value.empty()) {
        return;
    }
    std::string lookup = value;
    std::string lines = ReplaceLineBreaks(TrimBlanks(PresetText(option_name, value, lookup)));
    while (!lines.empty()) {
        const std::string line = TrimBlanks(SplitFirst(lines, "\n", true));
        if (!line.empty()) {
            ApplyPresetLine(lookup, line);
        }
    }
}

std::string TOptionParser::PresetText(const std::string& option_name, const std::string& value,
                                      std::string& lookup) {
    const char* builtin = nullptr;
    AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
    if (option_name == "apre") {
        type = AVMEDIA_TYPE_AUDIO;
    } else if (option_name == "vpre") {
        type = AVMEDIA_TYPE_VIDEO;
    } else if (option_name == "spre") {
        type = AVMEDIA_TYPE_SUBTITLE;
    }
    if (type != AVMEDIA_TYPE_UNKNOWN) {
        builtin = FindBuiltinPreset(lookup);
        const std::string& codec_name = PendingCodecName(type);
        if (builtin == nullptr && !codec_name.empty()) {
            lookup = codec_name + "-" + value;
            builtin = FindBuiltinPreset(lookup);
        }
    }
    if (builtin != nullptr) {
        return builtin;
    }
    if (!WideFileExists(value)) {
        throw FFmpegException(Format("Preset \"%s\" not found", value.c_str()));
    }
    std::ifstream file(value, std::ios::binary);
    if (!file) {
        throw FFmpegException(Format("Preset \"%s\" not found", value.c_str()));
    }
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void TOptionParser::ApplyPresetLine(const std::string& lookup, const std::string& line) {
    const size_t equals = line.find('=');
    const std::string key = equals == std::string::npos ? line : line.substr(0, equals);
    const std::string option_value =
        equals == std::string::npos ? std::string() : line.substr(equals + 1);
    if (equals == std::string::npos || key.empty() || option_value.empty()) {
        throw FFmpegException(Format("%s: Invalid syntax: \"%s\"", lookup.c_str(), line.c_str()));
    }
    const std::string lower_key = LowerCaseAscii(key);
    if (lower_key == "acodec") {
        SetCodecName(AVMEDIA_TYPE_AUDIO, option_value);
    } else if (lower_key == "vcodec") {
        SetCodecName(AVMEDIA_TYPE_VIDEO, option_value);
    } else if (lower_key == "scodec") {
        SetCodecName(AVMEDIA_TYPE_SUBTITLE, option_value);
    } else if (!SetGenericOption(key, option_value)) {
        throw FFmpegException(
            Format("%s: Invalid option or argument: \"%s\", parsed as \"%s\" = \"%s\"",
                   lookup.c_str(), line.c_str(), key.c_str(), option_value.c_str()));
    }
}

}  // namespace v2m::engine
