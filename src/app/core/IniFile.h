#pragma once
// Settings and profile files: named sections of name=value lines.
//
// Every call goes to the file itself: a read parses the file as it is now and a
// write replaces the file before it returns, so two objects on one file, or a
// file edited by hand while the program runs, always agree. The files are a few
// hundred bytes, so the cost does not matter.
//
// Rules of the text:
// - "[name]" starts a section; blanks around the name are ignored.
// - "name=value": the name is trimmed of blanks; the value is every byte after
//   the first "=" up to the end of the line (a CR before the LF is not part of
//   it), kept exactly as written.
// - Section and key names are compared without regard to ASCII letter case;
//   the first of several equal keys in a section is the one read and written.
// - Lines starting with ";" or "#", blank lines and lines without "=" are
//   comments; lines before the first section belong to no section.
// A write keeps every other line of the file, comments included, in its place.
// Booleans are stored as integers: 0 is false, any other integer true.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AsciiText.h"

namespace v2m {

// The one section the program's own files use.
inline constexpr const char* kGeneralSection = "General";

class TIniFile {
public:
    explicit TIniFile(std::string file_name);

    const std::string& FileName() const { return file_name_; }

    // A missing or unreadable file reads as empty, so every key gives its default.
    std::string ReadString(std::string_view section, std::string_view key,
                           const std::string& default_value) const;
    // Decimal with an optional sign, or hexadecimal after "0x" or "$", with blanks
    // around it allowed; anything else, or a number outside 32 bits, gives the default.
    int32_t ReadInteger(std::string_view section, std::string_view key,
                        int32_t default_value) const;
    bool ReadBool(std::string_view section, std::string_view key, bool default_value) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    // Section names in file order, and the key names of one section in file order.
    std::vector<std::string> ReadSections() const;
    std::vector<std::string> ReadSectionKeys(std::string_view section) const;

    // False when the value holds a line break or the file cannot be written (its
    // folder must exist); the file is then unchanged and LastError says why.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInteger(std::string_view section, std::string_view key, int32_t value);
    bool WriteBool(std::string_view section, std::string_view key, bool value);

    const std::string& LastError() const { return last_error_; }

private:
    std::vector<std::string> ReadLines() const;
    bool WriteLines(const std::vector<std::string>& lines);

    std::string file_name_;
    std::string last_error_;
};

// Parses the number rule of ReadInteger; empty when the text is not such a number.
std::optional<int32_t> ParseIniInteger(std::string_view text);

}  // namespace v2m
