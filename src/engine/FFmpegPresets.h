#pragma once
// The built-in presets: named option texts for the x264 encoder.

#include <span>
#include <string_view>

namespace v2m {

// One built-in preset: its name and its option text, lines of "key=value"
// separated by line feeds.
struct TOptionsPreset {
    const char* Name;
    const char* Text;
};

namespace engine {

// All built-in presets, in table order.
std::span<const TOptionsPreset> BuiltinPresets();

// The option text of the preset of that name (any letter case), or null.
const char* FindBuiltinPreset(std::string_view name);

}  // namespace engine

}  // namespace v2m
