// Free-form option texts of the conversion component's records, applied in phases.

#include <string_view>
#include <utility>

#include "FFmpeg.h"
#include "MyUtils.h"
#include "OptionValues.h"

namespace v2m {

namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

}  // namespace

TOptionPhase TFFmpeg::OptionPhase(const std::string& name) {
    using P = TOptionPhase;
    static const std::pair<std::string_view, TOptionPhase> kPhases[] = {
        {"newvideo", P::NewStreams}, {"newaudio", P::NewStreams},   {"newsubtitle", P::NewStreams},
        {"apre", P::Presets},        {"vpre", P::Presets},          {"spre", P::Presets},
        {"acodec", P::CodecNames},   {"vcodec", P::CodecNames},     {"scodec", P::CodecNames},
        {"s", P::FrameSize},         {"vfilters", P::VideoFilters},
    };
    for (const auto& [option, phase] : kPhases) {
        if (option == name) {
            return phase;
        }
    }
    return P::Others;
}

void TFFmpeg::ApplyOptionText(const std::string& text, TOptionPhase phase) {
    std::string lines = TrimBlanks(text);
    ReplaceAll(lines, "\r\n", "\n");
    ReplaceAll(lines, "\r", "\n");
    ReplaceAll(lines, "<CRLF>", "\n");
    while (!lines.empty()) {
        std::string value = SplitFirst(lines, "\n", true);
        // Everything after the first "=" is the value, further "=" included;
        // neither part is trimmed.
        const std::string name = LowerCaseAscii(SplitFirst(value, "=", true));
        if (OptionPhase(name) == phase) {
            SetOption(name, value);
        }
    }
}

}  // namespace v2m
