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

int TFFmpeg::OptionPhase(const std::string& name) {
    // New streams need the output file, presets need the codec names, and the
    // frame size and filters come after everything they depend on.
    static const std::pair<std::string_view, int> kPhases[] = {
        {"newvideo", 0}, {"newaudio", 0}, {"newsubtitle", 0}, {"apre", 1},
        {"vpre", 1},     {"spre", 1},     {"acodec", 2},      {"vcodec", 2},
        {"scodec", 2},   {"s", 3},        {"vfilters", 4},
    };
    for (const auto& [option, phase] : kPhases) {
        if (option == name) {
            return phase;
        }
    }
    return 5;
}

void TFFmpeg::ApplyOptionText(const std::string& text, int phase) {
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
