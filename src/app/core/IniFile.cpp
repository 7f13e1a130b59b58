#include "IniFile.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <system_error>

namespace v2m {

namespace {

namespace fs = std::filesystem;

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The name of a "[name]" line.
std::optional<std::string_view> SectionOf(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    const size_t close = line.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(line.substr(1, close - 1));
}

struct KeyLine {
    std::string_view name;
    std::string_view value;
};

std::optional<KeyLine> KeyOf(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#' ||
        trimmed.front() == '[') {
        return std::nullopt;
    }
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view name = Trim(line.substr(0, equals));
    if (name.empty()) {
        return std::nullopt;
    }
    return KeyLine{name, line.substr(equals + 1)};
}

// Where a section's lines are: [header, end) with `header` the "[name]" line.
struct SectionRange {
    size_t header;
    size_t end;
};

std::optional<SectionRange> FindSection(const std::vector<std::string>& lines,
                                        std::string_view section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto name = SectionOf(lines[i]);
        if (!name || !SameTextAscii(*name, section)) {
            continue;
        }
        size_t end = i + 1;
        while (end < lines.size() && !SectionOf(lines[end])) {
            ++end;
        }
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<size_t> FindKey(const std::vector<std::string>& lines, SectionRange range,
                              std::string_view key) {
    for (size_t i = range.header + 1; i < range.end; ++i) {
        const auto entry = KeyOf(lines[i]);
        if (entry && SameTextAscii(entry->name, key)) {
            return i;
        }
    }
    return std::nullopt;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

std::optional<int32_t> ParseIniInteger(std::string_view text) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    } else if (text.size() > 1 && text[0] == '$') {
        base = 16;
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    int64_t magnitude = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size() || magnitude < 0) {
        return std::nullopt;
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<int32_t>(value);
}

TIniFile::TIniFile(std::string file_name) : file_name_(std::move(file_name)) {}

std::vector<std::string> TIniFile::ReadLines() const {
    std::vector<std::string> lines;
    std::ifstream in(file_name_, std::ios::binary);
    if (!in) {
        return lines;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

bool TIniFile::WriteLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    // A link is followed, so the file it names is the one that changes.
    std::error_code error;
    fs::path target = file_name_;
    if (fs::is_symlink(target, error)) {
        const fs::path resolved = fs::weakly_canonical(target, error);
        if (!error) {
            target = resolved;
        }
    }
    // The new text replaces the file in one step: a reader never sees half of
    // it, and a failed write leaves the old file as it was.
    const fs::path temporary =
        target.string() + ".tmp" + std::to_string(static_cast<long>(::getpid()));
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            last_error_ = "cannot write " + file_name_ + ": " + std::strerror(errno);
            return false;
        }
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            last_error_ = "cannot write " + file_name_;
            fs::remove(temporary, error);
            return false;
        }
    }
    const fs::perms old_permissions = fs::status(target, error).permissions();
    if (!error && old_permissions != fs::perms::unknown) {
        fs::permissions(temporary, old_permissions, error);
    }
    fs::rename(temporary, target, error);
    if (error) {
        last_error_ = "cannot replace " + file_name_ + ": " + error.message();
        fs::remove(temporary, error);
        return false;
    }
    last_error_.clear();
    return true;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 const std::string& default_value) const {
    const std::vector<std::string> lines = ReadLines();
    const auto range = FindSection(lines, section);
    if (!range) {
        return default_value;
    }
    const auto at = FindKey(lines, *range, key);
    if (!at) {
        return default_value;
    }
    return std::string(KeyOf(lines[*at])->value);
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key,
                              int32_t default_value) const {
    // A missing key reads as empty text, which is no number either.
    return ParseIniInteger(ReadString(section, key, {})).value_or(default_value);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool default_value) const {
    return ReadInteger(section, key, default_value ? 1 : 0) != 0;
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
    const std::vector<std::string> lines = ReadLines();
    const auto range = FindSection(lines, section);
    return range && FindKey(lines, *range, key).has_value();
}

std::vector<std::string> TIniFile::ReadSections() const {
    std::vector<std::string> sections;
    for (const std::string& line : ReadLines()) {
        if (const auto name = SectionOf(line)) {
            sections.emplace_back(*name);
        }
    }
    return sections;
}

std::vector<std::string> TIniFile::ReadSectionKeys(std::string_view section) const {
    std::vector<std::string> keys;
    const std::vector<std::string> lines = ReadLines();
    const auto range = FindSection(lines, section);
    if (!range) {
        return keys;
    }
    for (size_t i = range->header + 1; i < range->end; ++i) {
        if (const auto entry = KeyOf(lines[i])) {
            keys.emplace_back(entry->name);
        }
    }
    return keys;
}

bool TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    if (HasLineBreak(section) || section.find(']') != std::string_view::npos ||
        Trim(section) != section) {
        last_error_ = "invalid section name";
        return false;
    }
    if (Trim(key).empty() || Trim(key) != key || HasLineBreak(key) ||
        key.find('=') != std::string_view::npos || key.front() == ';' || key.front() == '#' ||
        key.front() == '[') {
        last_error_ = "invalid key name";
        return false;
    }
    if (HasLineBreak(value)) {
        last_error_ = "a value cannot hold a line break";
        return false;
    }
    std::vector<std::string> lines = ReadLines();
    const auto range = FindSection(lines, section);
    if (!range) {
        if (!lines.empty() && !Trim(lines.back()).empty()) {
            lines.emplace_back();
        }
        lines.push_back("[" + std::string(section) + "]");
        lines.push_back(std::string(key) + "=" + std::string(value));
        return WriteLines(lines);
    }
    if (const auto at = FindKey(lines, *range, key)) {
        // The name keeps the spelling it has in the file.
        const std::string name(KeyOf(lines[*at])->name);
        lines[*at] = name + "=" + std::string(value);
        return WriteLines(lines);
    }
    // A new key goes after the section's last non-blank line, so the blank line
    // that separates it from the next section stays where it is.
    size_t insert_at = range->end;
    while (insert_at > range->header + 1 && Trim(lines[insert_at - 1]).empty()) {
        --insert_at;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insert_at),
                 std::string(key) + "=" + std::string(value));
    return WriteLines(lines);
}

bool TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
    return WriteString(section, key, std::to_string(value));
}

bool TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    return WriteInteger(section, key, value ? 1 : 0);
}

}  // namespace v2m
