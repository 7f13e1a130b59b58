// Targets (disc and camcorder formats) and presets (named lists of codec
// options): grouped options that fill the pending state for the next output.

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string_view>

#include "FFmpeg.h"
#include "FFmpegFiles.h"
#include "FFmpegPresets.h"
#include "Format.h"
#include "MyUtils.h"
#include "OptionValues.h"

namespace v2m {

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

}  // namespace

void TCustomFFmpeg::SetTarget(const std::string& type, const std::string& norm,
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
        if (o.FrameRate.den == 0) {
            throw FFmpegException("frame_rate is invalid.");
        }
        bool decided = false;
        chosen = NormOfMilliRate(engine::MilliFrameRate(o.FrameRate), decided);
        // The inputs' video streams, at the rate their decoders will report.
        for (const engine::InputContextPtr& input : input_files_) {
            for (unsigned s = 0; !decided && s < input->nb_streams; ++s) {
                const AVStream* stream = input->streams[s];
                if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
                    chosen =
                        NormOfMilliRate(engine::MilliFrameRate(stream->avg_frame_rate), decided);
                }
            }
            if (decided) {
                break;
            }
        }
        if (!decided) {
            chosen = default_norm == "film"   ? TNorm::kFilm
                     : default_norm == "ntsc" ? TNorm::kNtsc
                                              : TNorm::kPal;
        }
        if (o.Verbose > 0) {
            Log(llVerbose,
                Format("Assuming %s for target.", chosen == TNorm::kPal ? "PAL" : "NTSC"));
        }
    }
    const bool pal = chosen == TNorm::kPal;
    const char* rate = NormRate(chosen);
    // Pairs the libraries take as codec or format options; what they refuse
    // changes nothing, as for any generic option.
    auto generic = [this](const char* name, const char* value) { SetGenericOption(name, value); };

    if (type == "vcd") {
        SetCodecName(AVMEDIA_TYPE_VIDEO, "mpeg1video");
        SetCodecName(AVMEDIA_TYPE_AUDIO, "mp2");
        SetFormatOption("vcd");
        SetFrameSize(pal ? "352x288" : "352x240");
        SetFrameRate(rate);
        generic("g", pal ? "15" : "18");
        generic("b", "1150000");
        generic("maxrate", "1150000");
        generic("minrate", "1150000");
        generic("bufsize", "327680");
        generic("ab", "224000");
        SetAudioSampleRate(44100);
        SetAudioChannels(2);
        generic("packetsize", "2324");
        SetMuxerOption("muxrate", "1411200");
        o.MuxPreload = 0.44f;
    } else if (type == "svcd") {
        SetCodecName(AVMEDIA_TYPE_VIDEO, "mpeg2video");
        SetCodecName(AVMEDIA_TYPE_AUDIO, "mp2");
        SetFormatOption("svcd");
        SetFrameSize(pal ? "480x576" : "480x480");
        SetFrameRate(rate);
        generic("g", pal ? "15" : "18");
        generic("b", "2040000");
        generic("maxrate", "2516000");
        generic("minrate", "0");
        generic("bufsize", "1835008");
        // The scan offset flag is an option of the MPEG-2 encoder itself now.
        generic("scan_offset", "1");
        generic("ab", "224000");
        SetAudioSampleRate(44100);
        generic("packetsize", "2324");
        // The count in force now, never mono: a later source may not lower it.
        SetAudioChannels(std::max(o.AudioChannels, 2));
    } else if (type == "dvd") {
        SetCodecName(AVMEDIA_TYPE_VIDEO, "mpeg2video");
        SetCodecName(AVMEDIA_TYPE_AUDIO, "ac3");
        SetFormatOption("dvd");
        SetFrameSize(pal ? "720x576" : "720x480");
        SetFrameRate(rate);
        generic("g", pal ? "15" : "18");
        generic("b", "6000000");
        generic("maxrate", "9000000");
        generic("minrate", "0");
        generic("bufsize", "1835008");
        generic("packetsize", "2048");
        SetMuxerOption("muxrate", "10080000");
        generic("ab", "448000");
        SetAudioSampleRate(48000);
        SetAudioChannels(std::max(o.AudioChannels, 2));
    } else if (type == "dv" || type == "dv50") {
        SetFormatOption("dv");
        SetFrameSize(pal ? "720x576" : "720x480");
        if (type == "dv50") {
            SetPixelFormatOption("yuv422p");
        } else {
            SetPixelFormatOption(pal ? "yuv420p" : "yuv411p");
        }
        SetFrameRate(rate);
        SetAudioSampleRate(48000);
        SetAudioChannels(2);
        return;
    } else {
        throw FFmpegException("Unknown target type");
    }

    if (o.FrameAspectRatio == 0.0f) {
        const bool wide = type == "dvd";
        Log(llInfo, wide ? "Assuming 16:9 for aspect ratio" : "Assuming 4:3 for aspect ratio");
        SetAspect(wide ? "16:9" : "4:3");
    }
}

void TCustomFFmpeg::SetMuxerOption(const std::string& name, const std::string& value) {
    // Muxer-private settings find no template; the next output's muxer takes
    // them when it has them.
    if (!SetGenericOption(name, value)) {
        pending_muxer_options_.emplace_back(name, value);
    }
}

void TCustomFFmpeg::ApplyPreset(const std::string& option_name, const std::string& value) {
    if (option_name.empty() || value.empty()) {
        return;
    }
    std::string lookup = value;
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
        builtin = engine::FindBuiltinPreset(lookup);
        const std::string& codec_name = PendingCodecName(type);
        if (builtin == nullptr && !codec_name.empty()) {
            lookup = codec_name + "-" + value;
            builtin = engine::FindBuiltinPreset(lookup);
        }
    }

    std::string text;
    if (builtin != nullptr) {
        text = builtin;
    } else {
        if (!WideFileExists(value)) {
            throw FFmpegException(Format("Preset \"%s\" not found", value.c_str()));
        }
        std::ifstream file(value, std::ios::binary);
        if (!file) {
            throw FFmpegException(Format("Preset \"%s\" not found", value.c_str()));
        }
        text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    std::string lines = ReplaceLineBreaks(TrimBlanks(text));
    while (!lines.empty()) {
        const std::string line = TrimBlanks(SplitFirst(lines, "\n", true));
        if (line.empty()) {
            continue;
        }
        const size_t equals = line.find('=');
        const std::string key = equals == std::string::npos ? line : line.substr(0, equals);
        const std::string option_value =
            equals == std::string::npos ? std::string() : line.substr(equals + 1);
        if (equals == std::string::npos || key.empty() || option_value.empty()) {
            throw FFmpegException(
                Format("%s: Invalid syntax: \"%s\"", lookup.c_str(), line.c_str()));
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
}

}  // namespace v2m
