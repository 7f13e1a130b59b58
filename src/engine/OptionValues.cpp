#include "OptionValues.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <type_traits>

#include "Format.h"

namespace v2m {

namespace {

template <typename T>
std::optional<T> ParseWholeInteger(std::string_view text) {
    using Unsigned = std::make_unsigned_t<T>;
    const char* first = text.data();
    const char* last = first + text.size();
    bool negative = false;
    if (first != last && (*first == '+' || *first == '-')) {
        negative = *first == '-';
        ++first;
    }
    bool hexadecimal = false;
    if (first != last && *first == '$') {
        hexadecimal = true;
        ++first;
    }
    if (first == last) {
        return std::nullopt;
    }
    Unsigned magnitude = 0;
    const auto [end, error] = std::from_chars(first, last, magnitude, hexadecimal ? 16 : 10);
    if (error != std::errc() || end != last) {
        return std::nullopt;
    }
    if (!hexadecimal) {
        // Decimal text names the value itself, so it must fit the signed range.
        const auto limit = static_cast<Unsigned>(std::numeric_limits<T>::max());
        if (magnitude > limit + (negative ? 1u : 0u)) {
            return std::nullopt;
        }
    }
    // Conversion to the signed type is modular, which gives "$FFFFFFFF" its
    // meaning of -1.
    return static_cast<T>(negative ? static_cast<Unsigned>(Unsigned{0} - magnitude) : magnitude);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The number at `first`, without blanks or a plus sign; from_chars alone never
// looks at the locale.
std::optional<double> ParseUnsignedFloat(const char* first, const char* last, const char** end) {
    if (first == last || !(IsAsciiDigit(*first) || *first == '.')) {
        return std::nullopt;
    }
    double value = 0.0;
    const auto [stop, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error != std::errc() || !std::isfinite(value)) {
        return std::nullopt;
    }
    *end = stop;
    return value;
}

}  // namespace

std::optional<int32_t> TryStrToInt(std::string_view text) {
    return ParseWholeInteger<int32_t>(text);
}

std::optional<int64_t> TryStrToInt64(std::string_view text) {
    return ParseWholeInteger<int64_t>(text);
}

int32_t StrToInt(const std::string& text) {
    if (auto value = TryStrToInt(text)) {
        return *value;
    }
    throw std::invalid_argument(Format("'%s' is not a valid integer value", text.c_str()));
}

int64_t StrToInt64(const std::string& text) {
    if (auto value = TryStrToInt64(text)) {
        return *value;
    }
    throw std::invalid_argument(Format("'%s' is not a valid integer value", text.c_str()));
}

std::optional<double> TryStrToFloat(std::string_view text) {
    const char* first = text.data();
    const char* last = first + text.size();
    while (first != last && IsBlank(*first)) {
        ++first;
    }
    while (last != first && IsBlank(last[-1])) {
        --last;
    }
    bool negative = false;
    if (first != last && (*first == '+' || *first == '-')) {
        negative = *first == '-';
        ++first;
    }
    const char* end = nullptr;
    const std::optional<double> value = ParseUnsignedFloat(first, last, &end);
    if (!value || end != last) {
        return std::nullopt;
    }
    return negative ? -*value : *value;
}

double StrToFloat(const std::string& text) {
    if (auto value = TryStrToFloat(text)) {
        return *value;
    }
    throw std::invalid_argument(Format("'%s' is not a valid floating point value", text.c_str()));
}

long ReadIntPrefix(const char*& cursor) {
    char* end = nullptr;
    const long value = std::strtol(cursor, &end, 0);
    cursor = end;
    return value;
}

double ReadFloatPrefix(const char*& cursor) {
    const char* p = cursor;
    while (*p != '\0' && std::isspace(static_cast<unsigned char>(*p))) {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    const char* end = nullptr;
    const std::optional<double> value = ParseUnsignedFloat(p, p + std::strlen(p), &end);
    if (!value) {
        return 0.0;
    }
    cursor = end;
    return negative ? -*value : *value;
}

std::string TrimBlanks(std::string_view text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') {
        ++first;
    }
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') {
        --last;
    }
    return std::string(text.substr(first, last - first));
}

std::vector<std::string> SplitHookCommand(const std::string& command) {
    const char separator = command.find('|') != std::string::npos ? '|' : ' ';
    std::vector<std::string> tokens;
    size_t start = 0;
    while (start <= command.size() && static_cast<int>(tokens.size()) < kMaxHookTokens) {
        size_t stop = command.find(separator, start);
        if (stop == std::string::npos) {
            stop = command.size();
        }
        if (stop > start) {
            tokens.push_back(command.substr(start, stop - start));
        }
        start = stop + 1;
    }
    return tokens;
}

}  // namespace v2m
