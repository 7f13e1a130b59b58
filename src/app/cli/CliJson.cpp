#include "CliJson.h"

#include <cmath>
#include <cstdio>

#include "Format.h"

namespace v2m::cli {

bool IsUtf8(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        const size_t length = Utf8CharLength(text, at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (size_t at = 0; at < text.size();) {
        const size_t length = Utf8CharLength(text, at);
        if (length == 0) {
            out += "\\ufffd";
            ++at;
            continue;
        }
        const auto c = static_cast<unsigned char>(text[at]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out.append(text.substr(at, length));
        }
        at += length;
    }
    return out + "\"";
}

TJsonLine::TJsonLine(std::string_view event) : text_("{\"event\":" + JsonString(event)) {}

void TJsonLine::Key(std::string_view key) {
    text_ += "," + JsonString(key) + ":";
}

TJsonLine& TJsonLine::Text(std::string_view key, std::string_view value) {
    Key(key);
    text_ += JsonString(value);
    return *this;
}

TJsonLine& TJsonLine::FileName(std::string_view key, std::string_view value) {
    Text(key, value);
    if (!IsUtf8(value)) {
        std::string hex;
        for (const char c : value) {
            char digits[3];
            std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(c));
            hex += digits;
        }
        Text(std::string(key) + "_hex", hex);
    }
    return *this;
}

TJsonLine& TJsonLine::Number(std::string_view key, double value) {
    Key(key);
    // JSON has no infinity or NaN; an unknown figure is -1.
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.3f", std::isfinite(value) ? value : -1.0);
    text_ += digits;
    return *this;
}

TJsonLine& TJsonLine::Integer(std::string_view key, int64_t value) {
    Key(key);
    text_ += std::to_string(value);
    return *this;
}

}  // namespace v2m::cli
