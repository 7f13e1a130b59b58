#include "JobBuilding.h"

#include <charconv>
#include <string_view>

#include "MyUtils.h"
#include "SafeFiles.h"

namespace v2m {

namespace {

// The keys of the VCD family are found inside this text, so any part of it
// (even a lone ".") selects a target.
constexpr std::string_view kTargetKeys = ".vcd.svcd.dvd";

// The name without its extension; a dot in a folder name does not count.
std::string WithoutExtension(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return path;
    }
    return path.substr(0, dot);
}

// The per-extension settings, in the order they are tested. Returns the suffix.
std::string ApplyExtensionSettings(const std::string& key, TOutputOptions& options) {
    if (key == ".ogg") {
        options.AudioCodec = "libvorbis";
        options.VideoCodec = "libtheora";
    } else if (key == ".psp") {
        options.FileFormat = "psp";
        options.VideoCodec = "mpeg4";
        options.AudioCodec = "aac";
        options.AudioSampleRate = 24000;
        options.FrameRate = "15000/1001";
        return "_psp.mp4";
    } else if (key == ".ipod") {
        options.VideoCodec = "mpeg4";
        options.AudioCodec = "aac";
        options.FrameSize = "320x240";
        return "_ipod.mp4";
    } else if (key == ".rm10") {
        options.VideoCodec = "rv10";
        return "_rv10.rm";
    } else if (key == ".rm20") {
        options.VideoCodec = "rv20";
        return "_rv20.rm";
    } else if (key == ".mp4") {
        // The container's own defaults.
    } else if (key == ".wmv") {
        options.VideoCodec = "wmv2";
        options.AudioCodec = "wmav2";
    } else if (key == ".mkv") {
        options.VideoCodec = "libx264";
        options.VideoPreset = "libx264-default";
    } else if (key == ".wma") {
        options.DisableVideo = true;
        options.AudioCodec = "wmav2";
    } else if (key == ".3gp") {
        // The container's usual AMR-NB encoder is not in the shipped
        // libraries; AAC is the other sound codec every 3GP player knows.
        options.AudioCodec = "aac";
        options.AudioChannels = 1;
        options.AudioSampleRate = 8000;
        options.AudioBitrate = 7400;
        options.FrameSize = "128x96";
    } else if (kTargetKeys.find(key) != std::string_view::npos) {
        options.TargetType = key == ".vcd" ? 1 : key == ".svcd" ? 2 : 3;
        options.TargetDefaultNorm = 1;
        const char* norm = options.TargetNorm == 1   ? "_pal.mpg"
                           : options.TargetNorm == 2 ? "_ntsc.mpg"
                                                     : "_auto.mpg";
        return "_" + key.substr(1) + norm;
    }
    return key;
}

bool NameTaken(const std::string& name, const std::set<std::string>& batch_names) {
    // A folder or a link (even a dangling one) is someone's as much as a
    // file is; a partial name in use means another run is writing it.
    return v2m::NameTaken(name) || v2m::NameTaken(PartialName(name)) || batch_names.contains(name);
}

}  // namespace

std::string ExtensionKey(const std::string& ext) {
    std::string key = "." + ext;
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return key;
}

int32_t OptionItemValue(const std::string& item, int32_t fallback) {
    std::string_view text = item;
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return fallback;
    }
    return value;
}

int32_t VolumeOfPercent(int32_t percent) {
    // 256 per 100 keeps "100" at the source's level, as the list promises.
    return static_cast<int32_t>(static_cast<int64_t>(percent) * 256 / 100);
}

TInputOptions BuildInputOptions(const TJobRequest& request) {
    TInputOptions options;
    options.FileName = request.SourceFileName;
    options.FileFormat = request.SourceFormatName;
    // An audio job never decodes the input's pictures.
    if (!request.KeepVideo) {
        options.ExtOptions = "vn=1";
    }
    return options;
}

TOutputOptions BuildOutputOptions(const TJobRequest& request, std::set<std::string>& batch_names) {
    TOutputOptions options;
    const std::string key = ExtensionKey(request.ProfileExt);
    if (request.Channel.Index > 0) {
        options.AudioChannels = request.Channel.Index;
    }
    // PCM containers take the source's rate.
    if (request.SampleRate.Index > 0 && key != ".au" && key != ".wav") {
        options.AudioSampleRate = OptionItemValue(request.SampleRate.Item, 22050);
    }
    if (request.Volume.Index > 0 && !request.NormalizeLoudness) {
        options.AudioVolume = VolumeOfPercent(OptionItemValue(request.Volume.Item, 100));
    }
    if (request.BitRate.Index > 0) {
        options.AudioBitrate = OptionItemValue(request.BitRate.Item, 64) * 1000;
    }
    // Normalising sets the volume itself, from what its first pass measures.
    if (request.NormalizeLoudness) {
        char target[32] = {};
        const auto written = std::to_chars(target, target + sizeof target, request.LoudnessTarget);
        options.ExtOptions += (options.ExtOptions.empty() ? "" : "\n") +
                              std::string("loudness_target=") + std::string(target, written.ptr);
    }
    // After the lists, so that a container's fixed settings win.
    const std::string suffix = ApplyExtensionSettings(key, options);

    const std::string base =
        request.SameFolderAsInput
            ? WithoutExtension(request.SourceFileName)
            : WideIncludeTrailingBackslash(request.OutputFolder) +
                  WithoutExtension(WideExtractFileName(request.SourceFileName));
    std::string name = base + suffix;
    for (int n = 1; NameTaken(name, batch_names); ++n) {
        name = base + "_(new_" + std::to_string(n) + ")" + suffix;
    }
    batch_names.insert(name);
    options.FileName = name;
    options.DisableSubtitle = true;
    return options;
}

TJob BuildJob(const TJobRequest& request, std::set<std::string>& batch_names) {
    TJob job;
    job.Input = BuildInputOptions(request);
    job.Output = BuildOutputOptions(request, batch_names);
    job.OutputFolder = request.SameFolderAsInput
                           ? request.OutputFolder
                           : WideIncludeTrailingBackslash(request.OutputFolder);
    return job;
}

}  // namespace v2m
