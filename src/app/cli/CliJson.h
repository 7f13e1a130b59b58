#pragma once
// Progress for scripts: one JSON object a line, keys and value types fixed.
//
// Texts are UTF-8. A file name that is not (Linux names are any bytes but
// "/" and NUL) is given as well as it can be, the bytes that are not UTF-8
// replaced by U+FFFD, and beside it in full under the same key with "_hex"
// appended: two hexadecimal digits a byte.
#include <cstdint>
#include <string>
#include <string_view>

namespace v2m::cli {

class TJsonLine {
public:
    explicit TJsonLine(std::string_view event);
    TJsonLine& Text(std::string_view key, std::string_view value);
    // A file name: its "_hex" twin follows when it is not UTF-8.
    TJsonLine& FileName(std::string_view key, std::string_view value);
    TJsonLine& Number(std::string_view key, double value);
    TJsonLine& Integer(std::string_view key, int64_t value);
    // The object, closed, without a line break.
    std::string Str() const { return text_ + "}"; }

private:
    void Key(std::string_view key);
    std::string text_;
};

// A JSON string literal of the text, quotes included; bytes that are not
// UTF-8 become U+FFFD.
std::string JsonString(std::string_view text);
bool IsUtf8(std::string_view text);

}  // namespace v2m::cli
