#include "NameTemplate.h"

#include "AsciiText.h"
#include "Format.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace v2m {
namespace {

// The longest name a Linux file system takes for one folder or file.
constexpr size_t kMaxComponentBytes = 255;
// Track numbers beyond this are not numbers anybody meant.
constexpr size_t kMaxNumberDigits = 9;

constexpr std::string_view kPlaceholders[] = {"name",        "title",   "artist", "album",
                                              "albumartist", "track",   "date",   "year",
                                              "genre",       "chapter", "n",      "profile"};

// A stretch of literal text, or a placeholder when Field is set.
struct TToken {
    std::string Literal;
    std::string Field;
    size_t Width = 0;  // zero-pad to this many digits
};

// The placeholder between braces ("n:02"); empty, or what is wrong with it.
std::string ReadPlaceholder(const std::string& inside, TToken& token) {
    const size_t colon = inside.find(':');
    token.Field = inside.substr(0, colon);
    if (std::find(std::begin(kPlaceholders), std::end(kPlaceholders), token.Field) ==
        std::end(kPlaceholders)) {
        return "unknown placeholder {" + inside + "}";
    }
    if (colon != std::string::npos) {
        const std::string width = inside.substr(colon + 1);
        if (token.Field != "track" && token.Field != "n") {
            return "{" + inside + "}: only {track} and {n} can be padded";
        }
        if (width.size() != 2 || width[0] != '0' || width[1] < '1' || width[1] > '9') {
            return "{" + inside + "}: write the width as :01 to :09";
        }
        token.Width = static_cast<size_t>(width[1] - '0');
    }
    return {};
}

std::string Tokenise(const std::string& name_template, std::vector<TToken>* tokens) {
    if (name_template.empty()) {
        return "the name template is empty";
    }
    std::string literal;
    for (size_t i = 0; i < name_template.size(); ++i) {
        const char c = name_template[i];
        const bool doubled = i + 1 < name_template.size() && name_template[i + 1] == c;
        if ((c == '{' || c == '}') && doubled) {
            literal += c;
            ++i;
            continue;
        }
        if (c == '}') {
            return "unmatched } (write }} for a brace)";
        }
        if (c != '{') {
            literal += c;
            continue;
        }
        const size_t close = name_template.find_first_of("{}", i + 1);
        if (close == std::string::npos || name_template[close] == '{') {
            return "unclosed { (write {{ for a brace)";
        }
        const std::string inside = name_template.substr(i + 1, close - i - 1);
        TToken token;
        if (std::string problem = ReadPlaceholder(inside, token); !problem.empty()) {
            return problem;
        }
        if (tokens != nullptr) {
            if (!literal.empty()) {
                tokens->push_back(TToken{std::move(literal), {}, 0});
                literal.clear();
            }
            tokens->push_back(std::move(token));
        }
        i = close;
    }
    if (tokens != nullptr && !literal.empty()) {
        tokens->push_back(TToken{std::move(literal), {}, 0});
    }
    return {};
}

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

// Text every file system and terminal takes: UTF-8 without control
// characters; a value's slashes are not folders the user asked for.
std::string Cleaned(std::string_view text, bool keep_slashes) {
    std::string clean;
    clean.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t length = Utf8CharLength(text, i);
        const char c = text[i];
        if (length == 0 || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            clean += '_';
            ++i;
        } else if (c == '\\' || (c == '/' && !keep_slashes)) {
            clean += '-';
            ++i;
        } else {
            clean.append(text.substr(i, length));
            i += length;
        }
    }
    return clean;
}

// Cut to `limit` bytes without splitting a character; never "." or "..",
// which would climb out of the output folder.
std::string FittedComponent(std::string_view component, size_t limit) {
    if (component.size() > limit) {
        size_t cut = limit;
        while (cut > 0 && (static_cast<unsigned char>(component[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        component = TrimSpaces(component.substr(0, cut));
    }
    if (component.empty() || component == "." || component == "..") {
        return "_";
    }
    return std::string(component);
}

std::string TagOf(const TNameFields& fields, const char* key) {
    const auto found = fields.Tags.find(key);
    return found == fields.Tags.end() ? std::string() : std::string(TrimSpaces(found->second));
}

// "3/12" -> "3", "07" -> "7"; empty when the text does not start with a number.
std::string LeadingNumber(std::string_view text) {
    size_t digits = 0;
    while (digits < text.size() && IsAsciiDigit(text[digits])) {
        ++digits;
    }
    text = text.substr(0, digits);
    while (text.size() > 1 && text.front() == '0') {
        text.remove_prefix(1);
    }
    return text.size() <= kMaxNumberDigits ? std::string(text) : std::string();
}

std::string YearOf(const std::string& date) {
    for (size_t i = 0; i + 4 <= date.size(); ++i) {
        const std::string_view four = std::string_view(date).substr(i, 4);
        if (std::all_of(four.begin(), four.end(), IsAsciiDigit)) {
            return std::string(four);
        }
    }
    return {};
}

std::string ValueOf(const std::string& field, const TNameFields& fields) {
    const auto either = [](std::string value, const char* fallback) {
        return value.empty() ? std::string(fallback) : value;
    };
    if (field == "name") {
        return fields.Name;
    }
    if (field == "title" || (field == "chapter" && fields.Chapter.empty())) {
        const std::string title = TagOf(fields, "title");
        return title.empty() ? fields.Name : title;
    }
    if (field == "chapter") {
        return fields.Chapter;
    }
    if (field == "artist") {
        return either(TagOf(fields, "artist"), "Unknown Artist");
    }
    if (field == "albumartist") {
        const std::string album_artist = TagOf(fields, "album_artist");
        return either(album_artist.empty() ? TagOf(fields, "artist") : album_artist,
                      "Unknown Artist");
    }
    if (field == "album") {
        return either(TagOf(fields, "album"), "Unknown Album");
    }
    if (field == "genre") {
        return either(TagOf(fields, "genre"), "Unknown Genre");
    }
    if (field == "date") {
        return either(TagOf(fields, "date"), "Unknown Year");
    }
    if (field == "year") {
        return either(YearOf(TagOf(fields, "date")), "Unknown Year");
    }
    if (field == "track") {
        return fields.Piece > 0 ? std::to_string(fields.Piece)
                                : either(LeadingNumber(TagOf(fields, "track")), "0");
    }
    if (field == "n") {
        return std::to_string(fields.Piece > 0 ? fields.Piece : 1);
    }
    return fields.Profile;
}

// The path's parts, cut to size; empty when nothing is left.
std::string FittedPath(const std::string& path, size_t stem_limit) {
    std::vector<std::string_view> components;
    std::string_view rest = path;
    while (!rest.empty()) {
        const size_t slash = rest.find('/');
        const std::string_view component = TrimSpaces(rest.substr(0, slash));
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (!component.empty()) {
            components.push_back(component);
        }
    }
    std::string fitted;
    for (size_t i = 0; i < components.size(); ++i) {
        const bool last = i + 1 == components.size();
        if (!fitted.empty()) {
            fitted += '/';
        }
        fitted += FittedComponent(components[i], last ? stem_limit : kMaxComponentBytes);
    }
    return fitted;
}

}  // namespace

std::string NameTemplateProblem(const std::string& name_template) {
    return Tokenise(name_template, nullptr);
}

std::string ExpandNameTemplate(const std::string& name_template, const TNameFields& fields,
                               size_t stem_limit) {
    std::vector<TToken> tokens;
    const std::string problem = Tokenise(name_template, &tokens);
    if (!problem.empty()) {
        throw std::invalid_argument(problem);
    }
    stem_limit = std::clamp<size_t>(stem_limit, 1, kMaxComponentBytes);
    std::string path;
    for (const TToken& token : tokens) {
        if (token.Field.empty()) {
            path += Cleaned(token.Literal, true);
            continue;
        }
        std::string value = ValueOf(token.Field, fields);
        if (value.size() < token.Width) {
            value.insert(0, token.Width - value.size(), '0');
        }
        path += Cleaned(value, false);
    }
    std::string fitted = FittedPath(path, stem_limit);
    if (fitted.empty()) {
        fitted = FittedPath(Cleaned(fields.Name, false), stem_limit);
    }
    return fitted.empty() ? "_" : fitted;
}

}  // namespace v2m
