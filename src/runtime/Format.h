#pragma once
// printf-style formatting into std::string, for the system's fixed message texts.

#include <cstdarg>
#include <string>
#include <string_view>

namespace v2m {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* format, va_list args);

// The length of the well-formed UTF-8 character at `at`; 0 when the byte
// there does not start one (overlong forms, surrogates and code points past
// U+10FFFF included).
size_t Utf8CharLength(std::string_view text, size_t at);

}  // namespace v2m
