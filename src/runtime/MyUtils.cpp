#include "MyUtils.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cinttypes>
#include <clocale>
#include <cmath>
#include <ctime>
#include <iterator>

#include "AsciiText.h"
#include "Format.h"
#include "MainThread.h"

namespace v2m {

namespace {

constexpr int64_t kMillisecondsPerDay = 86400000;
// Days from 1899-12-30, where date-time values count from, to 1970-01-01.
constexpr int64_t kUnixEpochDays = 25569;
// The values that name a day from 0001-01-01 to 9999-12-31.
constexpr double kFirstDateTime = -693593.0;
constexpr double kEndDateTime = 2958466.0;

std::string FixedTwoDecimals(double value, std::string_view decimal_separator) {
    // to_chars never looks at the locale, so the separator is ours to place.
    char digits[64];
    const auto [end, error] =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 2);
    std::string text(digits, error == std::errc() ? end : digits);
    if (const size_t point = text.find('.'); point != std::string::npos) {
        text.replace(point, 1, decimal_separator);
    }
    return text;
}

struct DateTimeParts {
    int year = 0;
    unsigned month = 0;    // 1..12
    unsigned day = 0;      // 1..31
    unsigned weekday = 0;  // 0 = Sunday
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// The whole part of a value is the day, counted toward zero; the time of day is
// the absolute fraction, so -1.25 is 1899-12-29 06:00. Rounding to whole
// milliseconds happens before the split, so 23:59:59.9996 is the next midnight.
DateTimeParts DecodeDateTime(double value) {
    DateTimeParts parts;
    const auto total = static_cast<int64_t>(std::llround(value * kMillisecondsPerDay));
    const int64_t day = total / kMillisecondsPerDay;
    int64_t time = total % kMillisecondsPerDay;
    if (time < 0) {
        time = -time;
    }
    using namespace std::chrono;
    const sys_days date{days{day - kUnixEpochDays}};
    const year_month_day ymd{date};
    parts.year = static_cast<int>(ymd.year());
    parts.month = static_cast<unsigned>(ymd.month());
    parts.day = static_cast<unsigned>(ymd.day());
    parts.weekday = weekday{date}.c_encoding();
    parts.hour = static_cast<int>(time / 3600000);
    parts.minute = static_cast<int>(time / 60000 % 60);
    parts.second = static_cast<int>(time / 1000 % 60);
    parts.millisecond = static_cast<int>(time % 1000);
    return parts;
}

std::string LocaleName(const char* conversion, const DateTimeParts& parts) {
    std::tm tm{};
    tm.tm_year = parts.year - 1900;
    tm.tm_mon = static_cast<int>(parts.month) - 1;
    tm.tm_mday = static_cast<int>(parts.day);
    tm.tm_wday = static_cast<int>(parts.weekday);
    char name[128];
    const size_t length = std::strftime(name, sizeof name, conversion, &tm);
    return std::string(name, length);
}

std::string Number(int value, int digits) {
    return Format("%0*d", digits, value);
}

// One field of a date pattern: `count` letters `token` (lower case); an "m"
// right after an hour is the minute.
std::string DateTimeField(char token, size_t count, char last_token, const DateTimeParts& parts) {
    const int width = count >= 2 ? 2 : 1;
    switch (token) {
        case 'y':
            return count <= 2 ? Number(parts.year % 100, 2) : Number(parts.year, 4);
        case 'm':
            if (last_token == 'h' && count <= 2) {
                return Number(parts.minute, width);
            }
            if (count <= 2) {
                return Number(static_cast<int>(parts.month), width);
            }
            return LocaleName(count == 3 ? "%b" : "%B", parts);
        case 'd':
            if (count <= 2) {
                return Number(static_cast<int>(parts.day), width);
            }
            return LocaleName(count == 3 ? "%a" : "%A", parts);
        case 'h':
            return Number(parts.hour, width);
        case 'n':
            return Number(parts.minute, width);
        case 's':
            return Number(parts.second, width);
        case 'z':
            return Number(parts.millisecond, count >= 3 ? 3 : 1);
        default:
            return {};
    }
}

}  // namespace

std::string FileSizeText(int64_t size, std::string_view decimal_separator) {
    constexpr int64_t kKiB = int64_t{1} << 10;
    constexpr int64_t kMiB = int64_t{1} << 20;
    constexpr int64_t kGiB = int64_t{1} << 30;
    if (size > kGiB) {
        return FixedTwoDecimals(static_cast<double>(size) / kGiB, decimal_separator) + " GB";
    }
    if (size > kMiB) {
        return FixedTwoDecimals(static_cast<double>(size) / kMiB, decimal_separator) + " MB";
    }
    if (size > kKiB) {
        return FixedTwoDecimals(static_cast<double>(size) / kKiB, decimal_separator) + " KB";
    }
    return Format("%" PRId64 " Byte", size);
}

std::string FileSizeText(int64_t size) {
    const std::lconv* numeric = std::localeconv();
    const char* point =
        numeric != nullptr && numeric->decimal_point != nullptr && *numeric->decimal_point != '\0'
            ? numeric->decimal_point
            : ".";
    return FileSizeText(size, point);
}

std::string DurationText(int64_t time) {
    if (time == AV_NOPTS_VALUE) {
        return "N/A";
    }
    constexpr int64_t kMicroseconds = 1000000;
    const int64_t hours = time / kMicroseconds / 60 / 60;
    const int64_t minutes = time / kMicroseconds / 60 % 60;
    const int64_t seconds = time / kMicroseconds % 60;
    const int64_t milliseconds = time % kMicroseconds * 1000 / kMicroseconds;
    return Format("%.2" PRId64 ":%.2" PRId64 ":%.2" PRId64 ".%.3" PRId64, hours, minutes, seconds,
                  milliseconds);
}

std::string MediaTypeName(int media_type) {
    static const char* const kNames[] = {"Video", "Audio", "Data", "Subtitle", "Attachment"};
    if (media_type < 0 || media_type >= static_cast<int>(std::size(kNames))) {
        return "Unknown";
    }
    return kNames[media_type];
}

double TimeZoneBias() {
    // After tzset(), `timezone` holds the zone's standard offset (seconds west of
    // UTC) whatever the season. Sampling the offset at a fixed date instead would
    // catch summer time wherever January falls in it.
    ::tzset();
    return -static_cast<double>(::timezone) / 86400.0;
}

double UnixTimeToLocal(int64_t seconds) {
    return TimeZoneBias() + static_cast<double>(seconds) / 86400.0 +
           static_cast<double>(kUnixEpochDays);
}

std::string DateTimeText(const std::string& pattern, double date_time) {
    // Also keeps NaN and huge values away from the integer conversions below.
    if (!(date_time > kFirstDateTime - 1.0 && date_time < kEndDateTime)) {
        return {};
    }
    const DateTimeParts parts = DecodeDateTime(date_time);
    std::string text;
    char last_token = '\0';
    size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c == '\'' || c == '"') {
            const size_t close = pattern.find(c, i + 1);
            const size_t end = close == std::string::npos ? pattern.size() : close;
            text.append(pattern, i + 1, end - i - 1);
            i = end == pattern.size() ? end : end + 1;
            continue;
        }
        const char token = LowerAscii(c);
        if (std::string_view("ymdhnsz").find(token) == std::string_view::npos) {
            text += c;
            ++i;
            continue;
        }
        size_t count = 1;
        while (i + count < pattern.size() && LowerAscii(pattern[i + count]) == token) {
            ++count;
        }
        i += count;
        text += DateTimeField(token, count, last_token, parts);
        last_token = token;
    }
    return text;
}

std::string WideExtractFilePath(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string WideExtractFileName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WideIncludeTrailingBackslash(const std::string& path) {
    if (!path.empty() && path.back() == '/') {
        return path;
    }
    return path + '/';
}

bool WideFileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

int64_t WideFileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
        return -1;
    }
    return static_cast<int64_t>(st.st_size);
}

std::string WideGetEnv(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value != nullptr ? value : std::string();
}

std::string WideGetCurrentDir() {
    std::string buffer(256, '\0');
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
            buffer.resize(std::char_traits<char>::length(buffer.c_str()));
            return buffer;
        }
        if (errno != ERANGE) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool WideSetCurrentDir(const std::string& folder) {
    return ::chdir(folder.c_str()) == 0;
}

std::string ProgramFolder() {
    std::string buffer(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return {};
        }
        // A link that fills the buffer may have been cut short.
        if (static_cast<size_t>(length) < buffer.size()) {
            buffer.resize(static_cast<size_t>(length));
            return WideExtractFilePath(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string DataFolder() {
    const std::string program = ProgramFolder();
    const auto holds_profiles = [](const std::string& folder) {
        struct stat status {};
        return ::stat((folder + "profiles").c_str(), &status) == 0 && S_ISDIR(status.st_mode);
    };
    if (program.empty() || holds_profiles(program)) {
        return program;
    }
    // "prefix/bin/" gives "prefix/share/video2mp3/".
    const std::string prefix = WideExtractFilePath(program.substr(0, program.size() - 1));
    const std::string shared = prefix + "share/video2mp3/";
    return holds_profiles(shared) ? shared : program;
}

std::string SplitFirst(std::string& source, const std::string& separator, bool remove) {
    const size_t at = separator.empty() ? std::string::npos : source.find(separator);
    std::string result;
    if (at == std::string::npos) {
        result = source;
        if (remove) {
            source.clear();
        }
        return result;
    }
    result = source.substr(0, at);
    if (remove) {
        source.erase(0, at + separator.size());
    }
    return result;
}

void ProcessPendingMessages() {
    MainThread()->ProcessPendingMessages();
}

void RunInMainThread(std::function<void()> call) {
    MainThread()->RunInMainThread(std::move(call));
}

int ReadWholeFile(const char* file_name, uint8_t** buffer, int* size) {
    *buffer = nullptr;
    *size = 0;
    if (file_name == nullptr || ff::fopen == nullptr || ff::fseek == nullptr ||
        ff::ftell == nullptr || ff::fread == nullptr || ff::ferror == nullptr ||
        ff::fclose == nullptr || ff::av_malloc == nullptr || ff::av_free == nullptr) {
        return -1;
    }
    CFilePtr file(ff::fopen(file_name, "rb"));
    if (!file) {
        return -1;
    }
    // A folder opens like a file here; depending on the file system it then
    // fails the seek, reports an absurd length or fails the read.
    if (ff::fseek(file.get(), 0, SEEK_END) != 0) {
        return -1;
    }
    const long length = ff::ftell(file.get());
    if (length < 0 || length > kReadWholeFileLimit) {
        return -1;
    }
    if (ff::fseek(file.get(), 0, SEEK_SET) != 0) {
        return -1;
    }
    AVMemory data(static_cast<uint8_t*>(ff::av_malloc(static_cast<size_t>(length) + 1)));
    if (!data) {
        return AVERROR(ENOMEM);
    }
    // Never more than the length found above, even if the file has grown since.
    const size_t read = ff::fread(data.get(), 1, static_cast<size_t>(length), file.get());
    if (ff::ferror(file.get()) != 0) {
        return -1;
    }
    data[read] = 0;
    *size = static_cast<int>(read) + 1;
    *buffer = data.release();
    return 0;
}

int ReadWholeFile(const std::string& file_name, AVMemory& buffer, int& size) {
    uint8_t* data = nullptr;
    const int status = ReadWholeFile(file_name.c_str(), &data, &size);
    buffer.reset(data);
    return status;
}

std::string MetadataValue(const AVDictionary* metadata, const std::string& key,
                          const std::string& default_value) {
    if (metadata == nullptr) {
        return default_value;
    }
    const AVDictionaryEntry* tag = ff::av_dict_get(metadata, key.c_str(), nullptr, 0);
    return tag != nullptr && tag->value != nullptr ? std::string(tag->value) : default_value;
}

}  // namespace v2m
