#include "Format.h"

#include <cstdio>

namespace v2m {

std::string FormatV(const char* format, va_list args) {
    va_list probe;
    va_copy(probe, args);
    const int length = std::vsnprintf(nullptr, 0, format, probe);
    va_end(probe);
    if (length <= 0) {
        return {};
    }
    std::string text(static_cast<size_t>(length), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    return text;
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);
    return text;
}

}  // namespace v2m
