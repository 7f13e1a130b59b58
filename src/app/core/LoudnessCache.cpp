#include "LoudnessCache.h"

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>
#include <system_error>

#include "SafeFiles.h"

namespace v2m {

namespace {

// Changing the layout changes the first line: an older cache is then left
// unread and replaced, never misread. A stretch's entry only adds a word
// that an older reader takes for damage and leaves out, so it stays the same.
constexpr std::string_view kHeader = "video2mp3 loudness cache 1";

// Reads the words of one entry line in turn; any word that does not parse
// spoils the line.
class TLineReader {
public:
    explicit TLineReader(std::string_view line) : rest_(line) {}

    template <typename T>
    bool Next(T& value) {
        return Parse(Word(), value);
    }
    // One "bin:count" pair.
    bool NextBlock(std::pair<int32_t, uint32_t>& block) {
        const std::string_view word = Word();
        const size_t colon = word.find(':');
        if (colon == std::string_view::npos) {
            return false;
        }
        const char* first = word.data();
        const char* middle = first + colon;
        const char* last = first + word.size();
        const auto bin = std::from_chars(first, middle, block.first);
        const auto count = std::from_chars(middle + 1, last, block.second);
        return bin.ec == std::errc() && bin.ptr == middle && count.ec == std::errc() &&
               count.ptr == last && block.second > 0;
    }
    bool AtEnd() { return Word().empty(); }
    // A stretch, "@from+length", stands after the track; without it the
    // entry is the whole file's, as every entry was before stretches.
    bool NextStretch(TLoudnessKey& key) {
        const std::string_view rest = rest_;
        const std::string_view word = Word();
        if (word.empty() || word.front() != '@') {
            rest_ = rest;
            return true;
        }
        const size_t plus = word.find('+');
        if (plus == std::string_view::npos) {
            return false;
        }
        return Parse(word.substr(1, plus - 1), key.From) &&
               Parse(word.substr(plus + 1), key.Length) && key.From >= 0 && key.Length >= -1 &&
               !key.Whole();
    }

private:
    template <typename T>
    static bool Parse(std::string_view word, T& value) {
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        return !word.empty() && error == std::errc() && end == word.data() + word.size();
    }

    std::string_view Word() {
        const size_t start = rest_.find_first_not_of(' ');
        if (start == std::string_view::npos) {
            rest_ = {};
            return {};
        }
        rest_.remove_prefix(start);
        const size_t end = std::min(rest_.find(' '), rest_.size());
        const std::string_view word = rest_.substr(0, end);
        rest_.remove_prefix(end);
        return word;
    }

    std::string_view rest_;
};

std::optional<std::pair<TLoudnessKey, TLoudnessReading>> ParseEntry(std::string_view line) {
    TLineReader reader(line);
    TLoudnessKey key;
    TLoudnessReading reading;
    size_t blocks = 0;
    if (!reader.Next(key.Device) || !reader.Next(key.Inode) || !reader.Next(key.Size) ||
        !reader.Next(key.ModifiedNs) || !reader.Next(key.Track) || !reader.NextStretch(key) ||
        !reader.Next(reading.Integrated) || !reader.Next(reading.Range) ||
        !reader.Next(reading.TruePeak) || !reader.Next(blocks)) {
        return std::nullopt;
    }
    // A count no line could hold is damage, not a reason to reserve memory.
    if (blocks > line.size()) {
        return std::nullopt;
    }
    reading.Blocks.resize(blocks);
    for (auto& block : reading.Blocks) {
        if (!reader.NextBlock(block)) {
            return std::nullopt;
        }
    }
    if (!reader.AtEnd()) {
        return std::nullopt;
    }
    return std::pair{key, std::move(reading)};
}

template <typename T>
void Put(std::string& out, T value) {
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, error == std::errc() ? end : buffer);
}

std::string EntryLine(const TLoudnessKey& key, const TLoudnessReading& reading) {
    std::string line;
    Put(line, key.Device);
    line += ' ';
    Put(line, key.Inode);
    line += ' ';
    Put(line, key.Size);
    line += ' ';
    Put(line, key.ModifiedNs);
    line += ' ';
    Put(line, key.Track);
    if (!key.Whole()) {
        line += " @";
        Put(line, key.From);
        line += '+';
        Put(line, key.Length);
    }
    for (const double value : {reading.Integrated, reading.Range, reading.TruePeak}) {
        line += ' ';
        Put(line, value);
    }
    line += ' ';
    Put(line, reading.Blocks.size());
    for (const auto& [bin, count] : reading.Blocks) {
        line += ' ';
        Put(line, bin);
        line += ':';
        Put(line, count);
    }
    return line;
}

}  // namespace

std::optional<TLoudnessKey> LoudnessKeyOf(const std::string& path, int32_t track) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    TLoudnessKey key;
    key.Device = static_cast<uint64_t>(status.st_dev);
    key.Inode = static_cast<uint64_t>(status.st_ino);
    key.Size = static_cast<int64_t>(status.st_size);
    key.ModifiedNs = ModifiedNanoseconds(status);
    key.Track = track;
    return key;
}

TLoudnessCache::TLoudnessCache(std::string path) : path_(std::move(path)) {
    Load();
}

void TLoudnessCache::Load() {
    if (path_.empty() || !IsRegularFile(path_)) {
        return;
    }
    std::ifstream in(path_, std::ios::binary);
    std::string line;
    if (!std::getline(in, line) || line != kHeader) {
        return;
    }
    // Oldest first: the order they were last used in.
    while (std::getline(in, line)) {
        if (auto entry = ParseEntry(line)) {
            entries_[entry->first] = {std::move(entry->second), ++clock_};
        }
    }
    DropOldest();
}

size_t TLoudnessCache::Size() const {
    std::lock_guard guard(lock_);
    return entries_.size();
}

std::optional<TLoudnessReading> TLoudnessCache::Find(const TLoudnessKey& key) {
    std::lock_guard guard(lock_);
    const auto found = entries_.find(key);
    if (found == entries_.end()) {
        return std::nullopt;
    }
    found->second.Used = ++clock_;
    return found->second.Reading;
}

void TLoudnessCache::Store(const TLoudnessKey& key, TLoudnessReading reading) {
    std::lock_guard guard(lock_);
    entries_[key] = {std::move(reading), ++clock_};
    DropOldest();
}

void TLoudnessCache::DropOldest() {
    while (entries_.size() > kMostEntries) {
        entries_.erase(std::min_element(
            entries_.begin(), entries_.end(),
            [](const auto& a, const auto& b) { return a.second.Used < b.second.Used; }));
    }
}

bool TLoudnessCache::Save(std::string& problem) const {
    if (path_.empty()) {
        problem = "there is no folder to keep it in";
        return false;
    }
    std::vector<std::pair<uint64_t, std::string>> lines;
    {
        std::lock_guard guard(lock_);
        lines.reserve(entries_.size());
        for (const auto& [key, entry] : entries_) {
            lines.emplace_back(entry.Used, EntryLine(key, entry.Reading));
        }
    }
    std::sort(lines.begin(), lines.end());
    std::string text(kHeader);
    text += '\n';
    for (const auto& line : lines) {
        text += line.second;
        text += '\n';
    }
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), error);
    if (error) {
        problem = error.message();
        return false;
    }
    return WriteFileAtomically(path_, text, problem);
}

std::string LoudnessCachePath(const TEnvironment& env) {
    const std::string folder = CacheFolder(env);
    return folder.empty() ? std::string() : folder + "loudness.cache";
}

}  // namespace v2m
