#pragma once
// Small routines shared by the media components: texts for sizes, durations and
// media types, date conversion, file and environment access by UTF-8 path,
// main-thread calls, and two helpers around library data.
//
// Names keep the "Wide" prefix the components know them by; on this platform
// paths are UTF-8 text and "/" is the only separator (there are no drive
// letters, so ":" is an ordinary character).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "FFmpegApi.h"
#include "MediaOwners.h"

namespace v2m {

// Above 1 GiB "%.2f GB", above 1 MiB "%.2f MB", above 1 KiB "%.2f KB", else
// "%d Byte" (negative sizes too). The decimal separator is the one of the
// C library's numeric locale, i.e. the user's once the program has called
// setlocale(LC_ALL, "") at start-up, and "." before that.
std::string FileSizeText(int64_t size);
// The same with an explicit decimal separator.
std::string FileSizeText(int64_t size, std::string_view decimal_separator);

// "hh:mm:ss.zzz" of a time in microseconds, hours not wrapped at 24; "N/A" for
// AV_NOPTS_VALUE. Fields truncate toward zero.
std::string DurationText(int64_t time);

// "Video", "Audio", "Data", "Subtitle", "Attachment", else "Unknown".
std::string MediaTypeName(int media_type);

// Date-time values count days since 1899-12-30; the fraction is the time of day.
// The local zone's standard offset from UTC in days: daylight saving time is
// never applied, whatever the season.
double TimeZoneBias();
// Seconds since 1970-01-01 UTC to a local (standard time) date-time value.
double UnixTimeToLocal(int64_t seconds);
// Formats a date-time value by a pattern such as "yyyy-mm-dd hh:nn:ss". Tokens
// (any letter case): yy / yyyy year (y as yy, three or more as yyyy), m / mm
// month, mmm / mmmm month name, d / dd day, ddd / dddd weekday name, h / hh
// hour, n / nn minute, s / ss second, z / zzz millisecond. "m" or "mm" whose
// previous token is an hour means minutes. Text in single or double quotes is copied without its
// quotes; every other character, ":" and "/" included, is copied as it is. Names come from the C
// library's time locale. A value that is not a date from the year 1 to 9999 gives the empty text.
std::string DateTimeText(const std::string& pattern, double date_time);

// The text up to and including the last "/"; empty when there is none.
std::string WideExtractFilePath(const std::string& path);
// The text after the last "/"; all of it when there is none.
std::string WideExtractFileName(const std::string& path);
// The path with "/" appended unless it already ends with one.
std::string WideIncludeTrailingBackslash(const std::string& path);
// The path names something that exists and is not a folder.
bool WideFileExists(const std::string& path);
// The full 64-bit size of a file; -1 for folders and names that do not exist.
int64_t WideFileSize(const std::string& path);
// An unset variable gives the empty text.
std::string WideGetEnv(const std::string& name);
// Empty when the current folder cannot be read.
std::string WideGetCurrentDir();
bool WideSetCurrentDir(const std::string& folder);
// The folder of the running program, with a trailing "/".
std::string ProgramFolder();
// The folder of the program's data (profiles, skin, guide), with a trailing
// "/": the program's own folder when the data is beside it (a build tree),
// else "share/video2mp3/" of the prefix the program is installed under
// (/usr/bin/video2mp3 reads /usr/share/video2mp3/).
std::string DataFolder();

// The text of `source` before the first `separator`; with `remove`, `source`
// becomes the text after it. Without a separator in `source` (or with an empty
// separator) the result is all of `source` and, with `remove`, `source` becomes
// empty.
std::string SplitFirst(std::string& source, const std::string& separator, bool remove);

// Serves pending main-thread work; nothing off the main thread.
void ProcessPendingMessages();
// Runs the call on the main thread and returns once it has run.
void RunInMainThread(std::function<void()> call);

// Files larger than this are not read whole.
inline constexpr int64_t kReadWholeFileLimit = 256 * 1024 * 1024;

// Reads a whole file through the C runtime into a buffer from av_malloc, with a
// zero byte after the contents; *size counts that zero byte. Returns 0; -1 when
// the file cannot be opened, sized or read, or is larger than
// kReadWholeFileLimit; AVERROR(ENOMEM) when the buffer cannot be allocated. On
// failure *buffer is null and *size 0. The caller frees the buffer with av_free.
int ReadWholeFile(const char* file_name, uint8_t** buffer, int* size);
// The same, with the buffer owned by `buffer`.
int ReadWholeFile(const std::string& file_name, AVMemory& buffer, int& size);

// The value of the first tag whose key matches `key` (the library's default
// matching, which ignores letter case), else `default_value`.
std::string MetadataValue(const AVDictionary* metadata, const std::string& key,
                          const std::string& default_value);

}  // namespace v2m
