#include "SplitPoints.h"

#include <fcntl.h>
#include <libcue.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <mutex>

#include "AsciiText.h"
#include "SafeFiles.h"

namespace v2m {
namespace {

constexpr int64_t kSecond = 1'000'000;
// Cue sheets count in CD frames.
constexpr int64_t kCueFramesPerSecond = 75;
// A list of points is a few kilobytes; anything far larger is the wrong file
// and reading it whole would only cost memory.
constexpr size_t kMaxListBytes = 16 << 20;
// More digits than any real time has; keeps the arithmetic below from overflowing.
constexpr size_t kMaxFieldDigits = 9;

bool IsAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}
bool IsAsciiAlnum(char c) {
    return IsAsciiDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string_view TrimAsciiSpaces(std::string_view text) {
    while (!text.empty() && IsAsciiSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsAsciiSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<int64_t> DigitsValue(std::string_view digits) {
    if (digits.empty() || digits.size() > kMaxFieldDigits) {
        return std::nullopt;
    }
    int64_t value = 0;
    for (const char c : digits) {
        if (!IsAsciiDigit(c)) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

// "ss" or "ss.fff" in microseconds.
std::optional<int64_t> SecondsValue(std::string_view text, int64_t* whole_seconds) {
    const size_t dot = text.find('.');
    const auto whole = DigitsValue(text.substr(0, dot));
    if (!whole) {
        return std::nullopt;
    }
    *whole_seconds = *whole;
    int64_t fraction = 0;
    if (dot != std::string_view::npos) {
        const std::string_view digits = text.substr(dot + 1);
        if (digits.empty()) {
            return std::nullopt;
        }
        int64_t scale = kSecond / 10;
        for (size_t i = 0; i < digits.size(); ++i) {
            if (!IsAsciiDigit(digits[i])) {
                return std::nullopt;
            }
            if (scale > 0) {
                fraction += (digits[i] - '0') * scale;
                scale /= 10;
            } else if (i == 6 && digits[i] >= '5') {
                ++fraction;
            }
        }
    }
    return *whole * kSecond + fraction;
}

// Skips what people put between a time and its title: spaces, dashes,
// colons, bars, and the no-break space pasted from web pages.
std::string_view SkipSeparators(std::string_view text) {
    static constexpr std::string_view kSeparators[] = {
        " ",       "\t", "-", ":", "|", "\xE2\x80\x93" /* en dash */, "\xE2\x80\x94" /* em dash */,
        "\xC2\xA0" /* no-break space */};
    for (bool skipped = true; skipped && !text.empty();) {
        skipped = false;
        for (const std::string_view separator : kSeparators) {
            if (text.starts_with(separator)) {
                text.remove_prefix(separator.size());
                skipped = true;
            }
        }
    }
    return text;
}

// The line without the number of a numbered list: "1. 0:00 Title",
// "2) 3:10 Title".
std::string_view SkipListNumber(std::string_view line) {
    size_t digits = 0;
    while (digits < line.size() && IsAsciiDigit(line[digits])) {
        ++digits;
    }
    if (digits > 0 && digits + 1 < line.size() && (line[digits] == '.' || line[digits] == ')') &&
        IsAsciiSpace(line[digits + 1])) {
        return TrimAsciiSpaces(line.substr(digits + 2));
    }
    return line;
}

// The point a line of a pasted list gives, if it starts with a time.
std::optional<TSplitPoint> PointOfLine(std::string_view line) {
    line = SkipListNumber(TrimAsciiSpaces(line));
    char closing = 0;
    if (!line.empty() && (line.front() == '[' || line.front() == '(')) {
        closing = line.front() == '[' ? ']' : ')';
        line = TrimAsciiSpaces(line.substr(1));
    }
    size_t end = 0;
    while (end < line.size() && (IsAsciiDigit(line[end]) || line[end] == ':' || line[end] == '.')) {
        ++end;
    }
    std::string_view time = line.substr(0, end);
    // "0:00. Intro", "0:00: Intro": the punctuation belongs to the separator.
    while (!time.empty() && (time.back() == '.' || time.back() == ':')) {
        time.remove_suffix(1);
    }
    std::string_view rest = line.substr(end);
    if (closing != 0) {
        rest = TrimAsciiSpaces(rest);
        if (rest.empty() || rest.front() != closing) {
            return std::nullopt;
        }
        rest.remove_prefix(1);
    } else if (!rest.empty() && IsAsciiAlnum(rest.front())) {
        return std::nullopt;  // "3:00pm", "10.5kg": not a time stamp
    }
    if (time.find(':') == std::string_view::npos) {
        return std::nullopt;
    }
    const auto start = ParseTimeText(time);
    if (!start) {
        return std::nullopt;
    }
    TSplitPoint point;
    point.Start = *start;
    point.Title = std::string(TrimAsciiSpaces(SkipSeparators(rest)));
    return point;
}

// Where "Artist - Title" divides: the first dash, of either kind, or npos.
size_t PerformerDash(const std::string& title, size_t* dash_size) {
    size_t first = std::string::npos;
    for (const std::string_view dash : {" - ", " \xE2\x80\x93 "}) {
        const size_t at = title.find(dash);
        if (at < first) {
            first = at;
            *dash_size = dash.size();
        }
    }
    return first;
}

// A list whose every title has a dash is a list of "Artist - Title"; one
// where only some do has titles with dashes in them ("Intro - live").
void SplitPerformers(std::vector<TSplitPoint>& points) {
    int titled = 0;
    for (const TSplitPoint& point : points) {
        size_t dash_size = 0;
        if (point.Title.empty()) {
            continue;
        }
        if (PerformerDash(point.Title, &dash_size) == std::string::npos) {
            return;
        }
        ++titled;
    }
    if (titled < 2) {
        return;
    }
    for (TSplitPoint& point : points) {
        size_t dash_size = 0;
        const size_t at = PerformerDash(point.Title, &dash_size);
        if (at == std::string::npos) {
            continue;
        }
        const std::string whole = point.Title;
        point.Performer = TrimAsciiSpaces(std::string_view(whole).substr(0, at));
        point.Title = TrimAsciiSpaces(std::string_view(whole).substr(at + dash_size));
    }
}

std::string_view WithoutByteOrderMark(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    return text;
}

// The file's bytes; refuses what is not a regular file, since a pipe or a
// device could keep the read waiting for ever.
std::string ReadListFile(const std::string& path) {
    const std::string shown = EscapedFileName(path);
    if (!IsRegularFile(path)) {
        throw ESplitPointsError(shown + ": cannot be read: it is not a file");
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw ESplitPointsError(shown + ": cannot be read: " + SystemErrorText(errno));
    }
    std::string text;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            throw ESplitPointsError(shown + ": cannot be read: " + SystemErrorText(error));
        }
        if (got == 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(got));
        if (text.size() > kMaxListBytes) {
            ::close(fd);
            throw ESplitPointsError(shown + ": is too large for a list of split points");
        }
    }
    ::close(fd);
    return text;
}

struct TCdDeleter {
    void operator()(Cd* cd) const { cd_delete(cd); }
};
using TCdOwner = std::unique_ptr<Cd, TCdDeleter>;

// libcue keeps its parser's state in globals.
std::mutex cue_parser_mutex;

// The 1-based line of each track's first "INDEX 01", in track order; 0 for
// a track without one. libcue does not say where it found anything.
std::vector<int> IndexOneLines(std::string_view text) {
    std::vector<int> lines;
    int line_number = 0;
    while (!text.empty()) {
        const size_t newline = text.find('\n');
        const std::string_view line = TrimAsciiSpaces(text.substr(0, newline));
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        ++line_number;
        if (line.starts_with("TRACK") && (line.size() == 5 || IsAsciiSpace(line[5]))) {
            lines.push_back(0);
        } else if (!lines.empty() && lines.back() == 0 && line.starts_with("INDEX")) {
            const std::string_view number = TrimAsciiSpaces(line.substr(5));
            if (number.starts_with("01") && (number.size() == 2 || IsAsciiSpace(number[2]))) {
                lines.back() = line_number;
            }
        }
    }
    return lines;
}

std::string CdText(Cdtext* text, Pti what) {
    const char* value = text != nullptr ? cdtext_get(what, text) : nullptr;
    return value != nullptr ? std::string(value) : std::string();
}

std::vector<TSplitPoint> CueSheetPoints(std::string_view sheet, const std::string& path) {
    const std::string shown = EscapedFileName(path);
    // The parser refuses a last line without its line feed.
    const std::string text = std::string(WithoutByteOrderMark(sheet)) + "\n";
    TCdOwner cd;
    {
        const std::lock_guard lock(cue_parser_mutex);
        cd.reset(cue_parse_string(text.c_str()));
    }
    if (!cd) {
        throw ESplitPointsError(shown + ": is not a cue sheet that can be read");
    }
    const int tracks = cd_get_ntrack(cd.get());
    if (tracks <= 0) {
        throw ESplitPointsError(shown + ": the cue sheet holds no track");
    }
    const std::vector<int> lines = IndexOneLines(text);
    const std::string disc_performer = CdText(cd_get_cdtext(cd.get()), PTI_PERFORMER);
    std::vector<TSplitPoint> points;
    std::string audio_file;
    for (int i = 1; i <= tracks; ++i) {
        const Track* track = cd_get_track(cd.get(), i);
        if (track == nullptr) {
            continue;
        }
        const char* file = track_get_filename(track);
        const std::string track_file = file != nullptr ? file : "";
        if (i == 1) {
            audio_file = track_file;
        } else if (track_file != audio_file) {
            throw ESplitPointsError(shown +
                                    ": the cue sheet's tracks lie in more than one audio file");
        }
        const long frames = track_get_index(track, 1);
        if (frames < 0) {
            throw ESplitPointsError(shown + ": track " + std::to_string(i) + " has no INDEX 01");
        }
        TSplitPoint point;
        point.Start = (static_cast<int64_t>(frames) * kSecond + kCueFramesPerSecond / 2) /
                      kCueFramesPerSecond;
        point.Title = CdText(track_get_cdtext(track), PTI_TITLE);
        point.Performer = CdText(track_get_cdtext(track), PTI_PERFORMER);
        if (point.Performer.empty()) {
            point.Performer = disc_performer;
        }
        // i counts from 1 (the library's track numbers).
        const auto number = static_cast<size_t>(i);
        point.Line = number <= lines.size() ? lines[number - 1] : 0;
        points.push_back(std::move(point));
    }
    if (points.empty()) {
        throw ESplitPointsError(shown + ": the cue sheet holds no track");
    }
    return points;
}

// A cue sheet opens with one of its own commands; a pasted list does not
// start with an upper-case word like these.
bool LooksLikeCueSheet(std::string_view text) {
    text = WithoutByteOrderMark(text);
    while (!text.empty()) {
        const size_t newline = text.find('\n');
        const std::string_view line = TrimAsciiSpaces(text.substr(0, newline));
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        if (line.empty()) {
            continue;
        }
        for (const std::string_view command : {"REM", "FILE", "TRACK", "TITLE", "PERFORMER",
                                               "CATALOG", "CDTEXTFILE", "SONGWRITER"}) {
            if (line.starts_with(command) && line.size() > command.size() &&
                IsAsciiSpace(line[command.size()])) {
                return true;
            }
        }
        return false;
    }
    return false;
}

bool HasCueExtension(const std::string& path) {
    if (path.size() < 4) {
        return false;
    }
    return SameTextAscii(std::string_view(path).substr(path.size() - 4), ".cue");
}

std::string PointName(const TSplitPoint& point, size_t index) {
    return point.Line > 0 ? "line " + std::to_string(point.Line)
                          : "point " + std::to_string(index + 1);
}

}  // namespace

std::optional<int64_t> ParseTimeText(std::string_view text) {
    text = TrimAsciiSpaces(text);
    std::vector<std::string_view> fields;
    for (;;) {
        const size_t colon = text.find(':');
        fields.push_back(text.substr(0, colon));
        if (colon == std::string_view::npos) {
            break;
        }
        text.remove_prefix(colon + 1);
    }
    if (fields.size() > 3) {
        return std::nullopt;
    }
    int64_t whole_seconds = 0;
    const auto seconds = SecondsValue(fields.back(), &whole_seconds);
    if (!seconds || (fields.size() > 1 && whole_seconds >= 60)) {
        return std::nullopt;
    }
    int64_t total = *seconds;
    int64_t unit = 60 * kSecond;
    for (size_t i = fields.size() - 1; i-- > 0; unit *= 60) {
        const auto value = DigitsValue(fields[i]);
        // Minutes under hours stay under 60; the highest field may run on.
        if (!value || (i > 0 && *value >= 60)) {
            return std::nullopt;
        }
        total += *value * unit;
    }
    return total;
}

std::string TimeText(int64_t microseconds) {
    std::string text;
    if (microseconds < 0) {
        text = "-";
        microseconds = -microseconds;
    }
    const int64_t all_ms = (microseconds + 500) / 1000;
    const int64_t ms = all_ms % 1000;
    const int64_t seconds = all_ms / 1000 % 60;
    const int64_t minutes = all_ms / 60000 % 60;
    const int64_t hours = all_ms / 3600000;
    const auto two = [](int64_t value) { return (value < 10 ? "0" : "") + std::to_string(value); };
    if (hours > 0) {
        text += std::to_string(hours) + ":" + two(minutes);
    } else {
        text += std::to_string(minutes);
    }
    text += ":" + two(seconds);
    if (ms > 0) {
        const std::string digits = std::to_string(ms);
        text += "." + std::string(3 - digits.size(), '0') + digits;
    }
    return text;
}

std::vector<TSplitPoint> ParseTimestampList(const std::string& text) {
    std::vector<TSplitPoint> points;
    std::string_view rest = WithoutByteOrderMark(text);
    for (int line_number = 1; !rest.empty(); ++line_number) {
        const size_t newline = rest.find('\n');
        auto point = PointOfLine(rest.substr(0, newline));
        rest = newline == std::string_view::npos ? std::string_view() : rest.substr(newline + 1);
        if (point) {
            point->Line = line_number;
            points.push_back(std::move(*point));
        }
    }
    if (points.empty()) {
        throw ESplitPointsError("the list holds no time stamps");
    }
    SplitPerformers(points);
    return points;
}

std::vector<TSplitPoint> ReadCueSheet(const std::string& path) {
    return CueSheetPoints(ReadListFile(path), path);
}

std::vector<TSplitPoint> ReadSplitPointsFile(const std::string& path) {
    const std::string text = ReadListFile(path);
    if (HasCueExtension(path) || LooksLikeCueSheet(text)) {
        return CueSheetPoints(text, path);
    }
    try {
        return ParseTimestampList(text);
    } catch (const ESplitPointsError& error) {
        throw ESplitPointsError(EscapedFileName(path) + ": " + error.what());
    }
}

std::vector<TPiece> PiecesFromPoints(const std::vector<TSplitPoint>& points, int64_t duration) {
    if (points.empty()) {
        throw ESplitPointsError("there are no points to split at");
    }
    for (size_t i = 0; i < points.size(); ++i) {
        const TSplitPoint& point = points[i];
        const std::string where = PointName(point, i) + ": " + TimeText(point.Start);
        if (point.Start < 0) {
            throw ESplitPointsError(where + " is before the start of the file");
        }
        if (i > 0 && point.Start < points[i - 1].Start) {
            throw ESplitPointsError(where + " comes before the point above it (" +
                                    TimeText(points[i - 1].Start) + ")");
        }
        if (i > 0 && point.Start == points[i - 1].Start) {
            throw ESplitPointsError(where + " repeats the point above it");
        }
        if (duration >= 0 && point.Start >= duration) {
            throw ESplitPointsError(where + (point.Start == duration ? " is at" : " is past") +
                                    " the end of the file (" + TimeText(duration) + ")");
        }
    }
    std::vector<TPiece> pieces;
    const int total = static_cast<int>(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
        TPiece piece;
        piece.Start = points[i].Start;
        piece.Length = i + 1 < points.size() ? points[i + 1].Start - piece.Start : -1;
        piece.Number = static_cast<int>(i) + 1;  // below total, an int
        piece.Title =
            points[i].Title.empty() ? "Chapter " + std::to_string(piece.Number) : points[i].Title;
        piece.Performer = points[i].Performer;
        piece.Total = total;
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

std::vector<TPiece> PiecesFromChapters(const std::vector<TChapterMark>& chapters,
                                       int64_t duration) {
    std::vector<TPiece> pieces;
    // Where the last piece kept ends; nothing may start before it.
    int64_t covered = 0;
    for (size_t i = 0; i < chapters.size(); ++i) {
        int64_t start = std::max<int64_t>(chapters[i].Start, covered);
        int64_t end = chapters[i].End;
        if (end < 0 && i + 1 < chapters.size()) {
            end = chapters[i + 1].Start;
        }
        if (duration >= 0) {
            end = end < 0 ? duration : std::min(end, duration);
        }
        if ((duration >= 0 && start >= duration) || (end >= 0 && end <= start)) {
            continue;
        }
        TPiece piece;
        piece.Start = start;
        piece.Length = end < 0 ? -1 : end - start;
        piece.Title = chapters[i].Title;
        pieces.push_back(std::move(piece));
        covered = end;
    }
    const int total = static_cast<int>(pieces.size());
    int number = 0;
    for (TPiece& piece : pieces) {
        piece.Number = ++number;
        piece.Total = total;
        if (piece.Title.empty()) {
            piece.Title = "Chapter " + std::to_string(piece.Number);
        }
    }
    return pieces;
}

}  // namespace v2m
