#pragma once
// Reading option values from text. Numbers never depend on the user's locale:
// "." is the decimal separator everywhere.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AsciiText.h"

namespace v2m {

// A whole text as a signed integer: an optional sign, then decimal digits or
// "$" and hexadecimal digits (the two's complement pattern of the type, so
// "$FFFFFFFF" is -1). Anything else raises std::invalid_argument with
// "'%s' is not a valid integer value".
int32_t StrToInt(const std::string& text);
int64_t StrToInt64(const std::string& text);
std::optional<int32_t> TryStrToInt(std::string_view text);
std::optional<int64_t> TryStrToInt64(std::string_view text);

// A whole text as a finite decimal number (blanks around it allowed); anything
// else raises std::invalid_argument with "'%s' is not a valid floating point
// value".
double StrToFloat(const std::string& text);
std::optional<double> TryStrToFloat(std::string_view text);

// Reads a number at the front of `cursor` the way strtol (base 0) and strtod
// read one: leading blanks, a sign, the longest number that fits. Advances the
// cursor past what was read; reads 0 and leaves the cursor when there is none.
long ReadIntPrefix(const char*& cursor);
double ReadFloatPrefix(const char*& cursor);

// Removes blanks and control characters (every character up to the space) at
// both ends.
std::string TrimBlanks(std::string_view text);

// Splits a video hook plug-in command line: the separator is "|" when the text
// holds one, else the space; empty tokens are skipped; at most
// kMaxHookTokens tokens are taken and the rest is ignored.
inline constexpr int kHookArgSlots = 64;
inline constexpr int kMaxHookTokens = kHookArgSlots - 1;
std::vector<std::string> SplitHookCommand(const std::string& command);

}  // namespace v2m
