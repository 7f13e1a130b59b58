#pragma once
// printf-style formatting into std::string, for the system's fixed message texts.

#include <cstdarg>
#include <string>

namespace v2m {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* format, va_list args);

}  // namespace v2m
