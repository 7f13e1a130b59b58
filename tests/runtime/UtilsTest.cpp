// The shared small routines: error, size, duration and date texts, path and
// file routines on real files, main-thread calls, and the two helpers around
// library data driven through the loaded libraries.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

#include "MainThread.h"
#include "MyUtils.h"
#include "TestSupport.h"
#include "libavutil_error.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

// A file of the given length that occupies no disk space.
void WriteSparseFile(const fs::path& path, int64_t length) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    const int result = ::ftruncate(fd, static_cast<off_t>(length));
    const int error = errno;
    ::close(fd);
    ASSERT_EQ(result, 0) << std::strerror(error);
}

using test::TempDir;

TEST(AVErrorTextTest, NamesTheFileAndTheMeaningOfTheCode) {
    struct Case {
        const char* file;
        int code;
        std::string expected;
    };
    const Case cases[] = {
        {"a.avi", -2, "a.avi: No such file or directory"},
        {"a.avi", -1000, "a.avi: Error number -1000 occurred"},
        {"a.avi", AVERROR_PATCHWELCOME, "a.avi: Not yet implemented in FFmpeg"},
        {"a.avi", AVERROR(EPROTONOSUPPORT), "a.avi: Unsupported network protocol"},
        {"a.avi", AVERROR_DEMUXER_NOT_FOUND, "a.avi: Unknown format"},
        {"a.avi", AVERROR(ENOSYS), "a.avi: Operation not supported"},
        {"a.avi", AVERROR(EDOM), "a.avi: Number syntax expected in filename"},
        {"a.avi", AVERROR_EOF, "a.avi: End of file"},
        {"a.avi", AVERROR_INVALIDDATA, "a.avi: Invalid data found when processing input"},
        {"a.avi", AVERROR(ENOMEM), "a.avi: Not enough memory"},
        {"a.avi", AVERROR(EIO), "a.avi: I/O error"},
        {"a.avi", AVERROR(ENOENT), "a.avi: No such file or directory"},
        // Codes outside the table, including ones the library itself knows.
        {"a.avi", 0, "a.avi: Error number 0 occurred"},
        {"a.avi", AVERROR_EXIT,
         "a.avi: Error number " + std::to_string(AVERROR_EXIT) + " occurred"},
        {"a.avi", INT_MIN, "a.avi: Error number -2147483648 occurred"},
        {"a.avi", 2, "a.avi: Error number 2 occurred"},
        // System errors a user meets, in the system's words.
        {"a.mp3", AVERROR(EACCES), "a.mp3: Permission denied"},
        {"a.mp3", AVERROR(ENOSPC), "a.mp3: No space left on device"},
        {"a.mp3", AVERROR(EROFS), "a.mp3: Read-only file system"},
        {"a.mp3", AVERROR(ENAMETOOLONG), "a.mp3: File name too long"},
        {"a.mp3", AVERROR(EISDIR), "a.mp3: Is a directory"},
        {"fifo", kNotRegularFileError, "fifo: not a regular file"},
        {"/tmp/видео ñ.avi", AVERROR(EIO), "/tmp/видео ñ.avi: I/O error"},
        {"", AVERROR_EOF, ": End of file"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AVErrorText(c.file, c.code), c.expected) << "code " << c.code;
    }
}

TEST(FileSizeTextTest, PicksTheUnitAboveEachExclusiveThreshold) {
    struct Case {
        int64_t size;
        const char* expected;
    };
    const Case cases[] = {
        {0, "0 Byte"},
        {1024, "1024 Byte"},
        {1025, "1.00 KB"},
        {1536, "1.50 KB"},
        {1048576, "1024.00 KB"},
        {1048577, "1.00 MB"},
        {1073741824, "1024.00 MB"},
        {1073741825, "1.00 GB"},
        {5368709120, "5.00 GB"},
        {INT64_MAX, "8589934592.00 GB"},
        {-1, "-1 Byte"},
        {-5368709120, "-5368709120 Byte"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileSizeText(c.size, "."), c.expected) << c.size;
        // This program never sets a locale, so the numeric one is "C".
        EXPECT_EQ(FileSizeText(c.size), c.expected) << c.size;
    }
}

TEST(FileSizeTextTest, UsesTheGivenDecimalSeparator) {
    EXPECT_EQ(FileSizeText(1025, ","), "1,00 KB");
    EXPECT_EQ(FileSizeText(1048577 + 524288, "٫"), "1٫50 MB");
}

TEST(DurationTextTest, SplitsMicrosecondsIntoClockFields) {
    struct Case {
        int64_t time;
        const char* expected;
    };
    const Case cases[] = {
        {3723004000, "01:02:03.004"},    {90000000000, "25:00:00.000"},
        {AV_NOPTS_VALUE, "N/A"},         {0, "00:00:00.000"},
        {999, "00:00:00.000"},           {1999999, "00:00:01.999"},
        {59999999, "00:00:59.999"},      {60000000, "00:01:00.000"},
        {360000000000, "100:00:00.000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DurationText(c.time), c.expected) << c.time;
    }
}

TEST(MediaTypeNameTest, NamesTheLibraryMediaTypes) {
    struct Case {
        int type;
        const char* expected;
    };
    const Case cases[] = {
        {AVMEDIA_TYPE_VIDEO, "Video"},
        {AVMEDIA_TYPE_AUDIO, "Audio"},
        {AVMEDIA_TYPE_DATA, "Data"},
        {AVMEDIA_TYPE_SUBTITLE, "Subtitle"},
        {AVMEDIA_TYPE_ATTACHMENT, "Attachment"},
        {AVMEDIA_TYPE_UNKNOWN, "Unknown"},
        {AVMEDIA_TYPE_NB, "Unknown"},
        {1000, "Unknown"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MediaTypeName(c.type), c.expected) << c.type;
    }
}

// Puts the process in a time zone for one test and restores the previous one.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            saved_ = old;
        }
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTimeZone() {
        if (saved_) {
            ::setenv("TZ", saved_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

private:
    std::optional<std::string> saved_;
};

// The C library's UTC text of a Unix time.
std::string UtcText(int64_t seconds) {
    const time_t t = static_cast<time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[64];
    return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm));
}

TEST(TimeZoneTest, BiasIsTheStandardOffsetWhateverTheSeason) {
    struct Case {
        const char* zone;
        double hours_east;
    };
    const Case cases[] = {
        {"UTC", 0.0},
        {"Europe/Berlin", 1.0},
        {"America/New_York", -5.0},
        // Summer time in January: a January sample would read +11.
        {"Australia/Sydney", 10.0},
        {"Asia/Kolkata", 5.5},
    };
    for (const Case& c : cases) {
        ScopedTimeZone zone(c.zone);
        EXPECT_DOUBLE_EQ(TimeZoneBias() * 24.0, c.hours_east) << c.zone;
    }
}

TEST(TimeZoneTest, UnixTimeBecomesLocalStandardTime) {
    constexpr int64_t kNovember2023 = 1700000000;  // 2023-11-14 22:13:20 UTC
    constexpr int64_t kJuly2023 = 1688169600;      // 2023-07-01 00:00:00 UTC
    const char* pattern = "yyyy-mm-dd hh:nn:ss";
    {
        ScopedTimeZone zone("UTC");
        EXPECT_DOUBLE_EQ(UnixTimeToLocal(0), 25569.0);
        EXPECT_EQ(DateTimeText(pattern, UnixTimeToLocal(kNovember2023)), "2023-11-14 22:13:20");
        EXPECT_EQ(DateTimeText(pattern, UnixTimeToLocal(kJuly2023)), "2023-07-01 00:00:00");
    }
    {
        ScopedTimeZone zone("Europe/Berlin");
        EXPECT_EQ(DateTimeText(pattern, UnixTimeToLocal(kNovember2023)), "2023-11-14 23:13:20");
        // Standard time in summer too: one hour ahead of UTC, not the wall clock's two.
        EXPECT_EQ(DateTimeText(pattern, UnixTimeToLocal(kJuly2023)), "2023-07-01 01:00:00");
    }
}

TEST(TimeZoneTest, DatesAgreeWithTheCLibraryFrom1900To2100) {
    // Leap years, century years and times before 1970 alike.
    ScopedTimeZone zone("UTC");
    constexpr int64_t kFirst = -2208988800;  // 1900-01-01
    constexpr int64_t kLast = 4102444800;    // 2100-01-01
    constexpr int64_t kStep = 37 * 86400 + 3541;
    for (int64_t t = kFirst; t < kLast; t += kStep) {
        ASSERT_EQ(DateTimeText("yyyy-mm-dd hh:nn:ss", UnixTimeToLocal(t)), UtcText(t)) << t;
    }
    const int64_t leap_days[] = {951782400 /* 2000-02-29 */, -2203891200 /* 1900-03-01 */,
                                 4107542400 /* 2100-03-01 */};
    for (int64_t t : leap_days) {
        EXPECT_EQ(DateTimeText("yyyy-mm-dd hh:nn:ss", UnixTimeToLocal(t)), UtcText(t)) << t;
    }
}

// The date-time value of a calendar date and time of day.
double DateTimeValue(std::chrono::year_month_day date, int hour, int minute, int second,
                     int millisecond) {
    using namespace std::chrono;
    const auto day = (sys_days{date} - sys_days{1899y / December / 30}).count();
    return static_cast<double>(day) +
           (((hour * 60 + minute) * 60 + second) * 1000 + millisecond) / 86400000.0;
}

TEST(DateTimeTextTest, FormatsEveryToken) {
    using namespace std::chrono;
    // A Tuesday.
    const double value = DateTimeValue(2024y / March / 5, 7, 8, 9, 45);
    struct Case {
        const char* pattern;
        const char* expected;
    };
    const Case cases[] = {
        {"yyyy-mm-dd hh:nn:ss", "2024-03-05 07:08:09"},
        {"yyyy-mm-dd hh:nn:ss.zzz", "2024-03-05 07:08:09.045"},
        {"YYYY-MM-DD HH:NN:SS", "2024-03-05 07:08:09"},
        {"yy/m/d h:n:s.z", "24/3/5 7:8:9.45"},
        {"y", "24"},
        {"yyy", "2024"},
        {"mm/dd", "03/05"},
        {"dd.mm.yyyy", "05.03.2024"},
        // Minutes when an hour comes first, even with text in between.
        {"hh:mm", "07:08"},
        {"h:m", "7:8"},
        {"yyyy-mm-dd 'at' hh:mm", "2024-03-05 at 07:08"},
        {"mm hh mm", "03 07 08"},
        {"'hh' hh \"nn\" nn", "hh 07 nn 08"},
        {"'unclosed", "unclosed"},
        {"mmm mmmm ddd dddd", "Mar March Tue Tuesday"},
        {"[ss]", "[09]"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DateTimeText(c.pattern, value), c.expected) << c.pattern;
    }
}

TEST(DateTimeTextTest, HandlesTheEdgesOfTheDayCount) {
    using namespace std::chrono;
    const char* pattern = "yyyy-mm-dd hh:nn:ss.zzz";
    EXPECT_EQ(DateTimeText(pattern, 0.0), "1899-12-30 00:00:00.000");
    // Before the epoch the day counts toward zero and the time runs forward.
    EXPECT_EQ(DateTimeText(pattern, -1.25), "1899-12-29 06:00:00.000");
    // Rounding to whole milliseconds carries into the next day.
    const double almost_midnight =
        DateTimeValue(2023y / December / 31, 23, 59, 59, 999) + 0.0006 / 86400.0;
    EXPECT_EQ(DateTimeText(pattern, almost_midnight), "2024-01-01 00:00:00.000");
    EXPECT_EQ(DateTimeText(pattern, DateTimeValue(2024y / February / 29, 12, 0, 0, 0)),
              "2024-02-29 12:00:00.000");
    EXPECT_EQ(DateTimeText(pattern, DateTimeValue(1y / January / 1, 0, 0, 0, 0)),
              "0001-01-01 00:00:00.000");
    EXPECT_EQ(DateTimeText(pattern, DateTimeValue(9999y / December / 31, 23, 59, 59, 999)),
              "9999-12-31 23:59:59.999");
    // Nothing to show for what is no date at all.
    EXPECT_EQ(DateTimeText(pattern, DateTimeValue(10000y / January / 1, 0, 0, 0, 0)), "");
    EXPECT_EQ(DateTimeText(pattern, std::nan("")), "");
    EXPECT_EQ(DateTimeText(pattern, -1e300), "");
}

TEST(PathTest, SplitsAtTheLastSlashOnly) {
    struct Case {
        const char* path;
        const char* folder;
        const char* name;
        const char* with_slash;
    };
    const Case cases[] = {
        {"/a/b/c.avi", "/a/b/", "c.avi", "/a/b/c.avi/"},
        {"/a/b", "/a/", "b", "/a/b/"},
        {"/a/b/", "/a/b/", "", "/a/b/"},
        {"c.avi", "", "c.avi", "c.avi/"},
        {"/c.avi", "/", "c.avi", "/c.avi/"},
        {"/", "/", "", "/"},
        {"", "", "", "/"},
        // No drive letters here: a colon is part of the name.
        {"C:file.txt", "", "C:file.txt", "C:file.txt/"},
        {"/tmp/видео: тест/ñ.avi", "/tmp/видео: тест/", "ñ.avi", "/tmp/видео: тест/ñ.avi/"},
        {"a\\b", "", "a\\b", "a\\b/"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WideExtractFilePath(c.path), c.folder) << c.path;
        EXPECT_EQ(WideExtractFileName(c.path), c.name) << c.path;
        EXPECT_EQ(WideIncludeTrailingBackslash(c.path), c.with_slash) << c.path;
        if (std::strchr(c.path, '/') != nullptr) {
            EXPECT_EQ(WideExtractFilePath(c.path) + WideExtractFileName(c.path), c.path);
        }
    }
}

TEST(FileTest, ExistenceAndSizeOfRealFiles) {
    TempDir dir("utils-files");
    const fs::path folder = dir.Path() / "папка ñ";
    fs::create_directories(folder);
    const fs::path empty = folder / "empty.bin";
    const fs::path small = folder / "файл: 1.bin";
    const fs::path sparse = folder / "big.bin";
    const fs::path link = folder / "link.bin";
    const fs::path dangling = folder / "dangling.bin";
    ASSERT_NO_FATAL_FAILURE(WriteFile(empty, ""));
    ASSERT_NO_FATAL_FAILURE(WriteFile(small, std::string(12345, 'x')));
    // Past 4 GiB: neither 32 bits nor a signed 32-bit low part can hold it.
    constexpr int64_t kBig = (int64_t{5} << 30) + 7;
    ASSERT_NO_FATAL_FAILURE(WriteSparseFile(sparse, kBig));
    fs::create_symlink(small, link);
    fs::create_symlink(folder / "nowhere", dangling);

    struct Case {
        fs::path path;
        bool exists;
        int64_t size;
    };
    const Case cases[] = {
        {folder, false, -1}, {dir.Path(), false, -1}, {folder / "missing.bin", false, -1},
        {empty, true, 0},    {small, true, 12345},    {sparse, true, kBig},
        {link, true, 12345}, {dangling, false, -1},   {"", false, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WideFileExists(c.path.string()), c.exists) << c.path;
        EXPECT_EQ(WideFileSize(c.path.string()), c.size) << c.path;
    }
}

TEST(EnvironmentTest, ReadsVariablesOfAnyLength) {
    const std::string long_value(5000, 'v');
    struct Case {
        const char* name;
        std::optional<std::string> value;
    };
    const Case cases[] = {
        {"V2M_UTILS_TEST_SHORT", "värde 1"},
        {"V2M_UTILS_TEST_LONG", long_value},
        {"V2M_UTILS_TEST_EMPTY", ""},
        {"V2M_UTILS_TEST_UNSET", std::nullopt},
    };
    for (const Case& c : cases) {
        if (c.value) {
            ::setenv(c.name, c.value->c_str(), 1);
        } else {
            ::unsetenv(c.name);
        }
        EXPECT_EQ(WideGetEnv(c.name), c.value.value_or("")) << c.name;
        ::unsetenv(c.name);
    }
}

TEST(EnvironmentTest, ChangesAndReadsTheCurrentFolder) {
    TempDir dir("utils-cwd");
    const fs::path target = fs::canonical(dir.Path()) / "текущая ñ";
    fs::create_directories(target);
    const std::string before = WideGetCurrentDir();
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(fs::path(before), fs::current_path());

    EXPECT_TRUE(WideSetCurrentDir(target.string()));
    EXPECT_EQ(WideGetCurrentDir(), target.string());
    EXPECT_FALSE(WideSetCurrentDir((target / "missing").string()));
    EXPECT_EQ(WideGetCurrentDir(), target.string());
    ASSERT_TRUE(WideSetCurrentDir(before));
    EXPECT_EQ(WideGetCurrentDir(), before);
}

TEST(EnvironmentTest, ProgramFolderHoldsThisProgram) {
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.front(), '/');
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(WideFileExists(folder + program_invocation_short_name)) << folder;
}

TEST(SplitFirstTest, CutsAtTheFirstSeparator) {
    struct Case {
        const char* source;
        const char* separator;
        bool remove;
        const char* result;
        const char* rest;
    };
    const Case cases[] = {
        {"abc", "\n", true, "abc", ""},
        {"abc", "\n", false, "abc", "abc"},
        {"a\nb\nc", "\n", true, "a", "b\nc"},
        {"a\nb\nc", "\n", false, "a", "a\nb\nc"},
        {"\nabc", "\n", true, "", "abc"},
        {"abc\n", "\n", true, "abc", ""},
        {"key=>value=>x", "=>", true, "key", "value=>x"},
        {"", "\n", true, "", ""},
        {"abc", "", true, "abc", ""},
        {"видео\nñ", "\n", true, "видео", "ñ"},
    };
    for (const Case& c : cases) {
        std::string source = c.source;
        EXPECT_EQ(SplitFirst(source, c.separator, c.remove), c.result) << c.source;
        EXPECT_EQ(source, c.rest) << c.source;
    }
}

TEST(SplitFirstTest, CutsATextIntoLines) {
    std::string text = "one\ntwo\n\nthree";
    std::vector<std::string> lines;
    while (!text.empty()) {
        lines.push_back(SplitFirst(text, "\n", true));
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "", "three"}));
}

TEST(MainThreadCallTest, RunsOnTheMainThreadAndWaits) {
    ASSERT_TRUE(MainThread()->IsMainThread());
    const uint32_t main_id = CurrentThreadId();

    uint32_t ran_on = 0;
    RunInMainThread([&] { ran_on = CurrentThreadId(); });
    EXPECT_EQ(ran_on, main_id);

    std::atomic<uint32_t> worker_ran_on{0};
    std::atomic<bool> call_done_before_return{false};
    std::atomic<bool> worker_done{false};
    std::thread worker([&] {
        bool ran = false;
        RunInMainThread([&] {
            worker_ran_on = CurrentThreadId();
            ran = true;
        });
        call_done_before_return = ran;
        worker_done = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!worker_done && std::chrono::steady_clock::now() < deadline) {
        ProcessPendingMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    worker.join();
    EXPECT_EQ(worker_ran_on.load(), main_id);
    EXPECT_TRUE(call_done_before_return);
}

class LibraryDataTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(test::LoadConverterLibs()); }
};

TEST_F(LibraryDataTest, ReadsWholeFilesWithATrailingZero) {
    TempDir dir("utils-read");
    std::string binary;
    for (int i = 0; i < 256; ++i) {
        binary += static_cast<char>(i);
    }
    const fs::path text = dir.Path() / "preset.ffpreset";
    const fs::path bytes = dir.Path() / "все байты ñ.bin";
    const fs::path empty = dir.Path() / "empty.txt";
    const fs::path big = dir.Path() / "big.bin";
    ASSERT_NO_FATAL_FAILURE(WriteFile(text, "vcodec=mpeg4\nab=128k\n"));
    ASSERT_NO_FATAL_FAILURE(WriteFile(bytes, binary));
    ASSERT_NO_FATAL_FAILURE(WriteFile(empty, ""));
    ASSERT_NO_FATAL_FAILURE(WriteSparseFile(big, (int64_t{5} << 30) + 7));

    struct Case {
        fs::path path;
        int status;
        std::optional<std::string> contents;
    };
    const Case cases[] = {
        {text, 0, "vcodec=mpeg4\nab=128k\n"},
        {bytes, 0, binary},
        {empty, 0, ""},
        {dir.Path() / "missing.txt", -1, std::nullopt},
        {dir.Path(), -1, std::nullopt},
        {big, -1, std::nullopt},
    };
    for (const Case& c : cases) {
        uint8_t* buffer = reinterpret_cast<uint8_t*>(1);
        int size = -5;
        const int status = ReadWholeFile(c.path.c_str(), &buffer, &size);
        AVMemory owner(status == 0 ? buffer : nullptr);
        EXPECT_EQ(status, c.status) << c.path;
        if (!c.contents) {
            EXPECT_EQ(buffer, nullptr) << c.path;
            EXPECT_EQ(size, 0) << c.path;
            continue;
        }
        ASSERT_NE(buffer, nullptr) << c.path;
        ASSERT_EQ(size, static_cast<int>(c.contents->size()) + 1) << c.path;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer), c.contents->size()),
                  *c.contents)
            << c.path;
        EXPECT_EQ(buffer[c.contents->size()], 0) << c.path;
    }
}

TEST_F(LibraryDataTest, ReadWholeFileCanHandTheBufferToAnOwner) {
    TempDir dir("utils-read-owner");
    const fs::path path = dir.Path() / "a.txt";
    ASSERT_NO_FATAL_FAILURE(WriteFile(path, "abc"));
    AVMemory buffer;
    int size = 0;
    ASSERT_EQ(ReadWholeFile(path.string(), buffer, size), 0);
    ASSERT_EQ(size, 4);
    EXPECT_STREQ(reinterpret_cast<const char*>(buffer.get()), "abc");

    // A failed read leaves the owner empty, releasing what it held.
    EXPECT_EQ(ReadWholeFile((dir.Path() / "missing").string(), buffer, size), -1);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(size, 0);
}

struct DictionaryFree {
    void operator()(AVDictionary* dictionary) const { ff::av_dict_free(&dictionary); }
};

TEST_F(LibraryDataTest, MetadataValueFindsTheFirstMatchingTag) {
    AVDictionary* raw = nullptr;
    ASSERT_GE(ff::av_dict_set(&raw, "title", "Tëst ñ", 0), 0);
    ASSERT_GE(ff::av_dict_set(&raw, "genre", "first", 0), 0);
    ASSERT_GE(ff::av_dict_set(&raw, "genre", "second", AV_DICT_MULTIKEY), 0);
    ASSERT_GE(ff::av_dict_set(&raw, "comment", "", 0), 0);
    std::unique_ptr<AVDictionary, DictionaryFree> tags(raw);

    struct Case {
        const AVDictionary* metadata;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {tags.get(), "title", "Tëst ñ"}, {tags.get(), "TITLE", "Tëst ñ"},
        {tags.get(), "genre", "first"},  {tags.get(), "comment", ""},
        {tags.get(), "titl", "default"}, {tags.get(), "album", "default"},
        {nullptr, "title", "default"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MetadataValue(c.metadata, c.key, "default"), c.expected) << c.key;
    }
}

}  // namespace
}  // namespace v2m
