#pragma once
// Character classes and case for the text we parse and compare (option
// names, keys of settings files, extensions, templates, cue sheets).
// <cctype>'s functions change with the locale, which a window program sets
// from the environment, and would then touch the bytes of UTF-8 names.

#include <algorithm>
#include <string>
#include <string_view>

namespace v2m {

inline bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

inline char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string LowerCaseAscii(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), LowerAscii);
    return lower;
}

// Equal but for the case of ASCII letters.
inline bool SameTextAscii(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

}  // namespace v2m
