#pragma once
// Character classes for the text the core parses (templates, lists of times,
// cue sheets). <cctype>'s change with the locale and take no plain char.

namespace v2m {

inline bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace v2m
