// The "unicode:utf8:" URL form end to end: generated media read through our
// own file access, output written through it, and the name conversions.

#include <fcntl.h>
#include <sys/stat.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FixtureGenerator.h"
#include "MyUtils.h"
#include "TestSupport.h"
#include "MediaOwners.h"
#include "UnicodeProtocol.h"
#include "libavutil_error.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;

constexpr const char* kWavClip = "wav_pcm_44k_stereo.wav";
constexpr const char* kUnicodeClip = "видео_тест ñ.avi";

std::string URLOf(const fs::path& path) {
    return kUnicodeURLPrefix + path.string();
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

int CountOpenFds() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

using test::TempDir;

// What a pass over the packets of an open input saw.
struct PacketPass {
    int packets = 0;
    int64_t bytes = 0;
    double first_audio_s = -1.0;  // time of the first audio packet
    double audio_end_s = 0.0;     // end of the last audio packet
};

// Reads packets to the end, or only up to the first audio packet.
PacketPass ReadPackets(AVFormatContext* context, int audio_index, bool first_audio_only) {
    PacketPass pass;
    PacketPtr packet(ff::av_packet_alloc());
    if (!packet) {
        ADD_FAILURE() << "no packet";
        return pass;
    }
    while (ff::av_read_frame(context, packet.get()) >= 0) {
        ++pass.packets;
        pass.bytes += packet->size;
        if (packet->stream_index == audio_index && packet->pts != AV_NOPTS_VALUE) {
            const double base = av_q2d(context->streams[audio_index]->time_base);
            const double start = static_cast<double>(packet->pts) * base;
            if (pass.first_audio_s < 0) {
                pass.first_audio_s = start;
            }
            pass.audio_end_s =
                std::max(pass.audio_end_s, start + static_cast<double>(packet->duration) * base);
            if (first_audio_only) {
                ff::av_packet_unref(packet.get());
                break;
            }
        }
        ff::av_packet_unref(packet.get());
    }
    return pass;
}

int FirstAudioStream(const AVFormatContext* context) {
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        if (context->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

class UnicodeProtocolTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(test::LoadConverterLibs());
        ASSERT_TRUE(UnicodeProtocolRegistered());
    }
};

TEST_F(UnicodeProtocolTest, ReadsSeeksAndSizesMediaThroughTheURLForm) {
    for (const char* name : {kWavClip, kUnicodeClip}) {
        SCOPED_TRACE(name);
        const fs::path path = test::Fixture(name);
        ASSERT_TRUE(fs::is_regular_file(path)) << path;
        const fixtures::NamedClip* clip = fixtures::FindStandardClip(name);
        ASSERT_NE(clip, nullptr);
        const auto file_size = static_cast<int64_t>(fs::file_size(path));

        AVFormatContext* raw = nullptr;
        ASSERT_EQ(OpenInputContext(&raw, URLOf(path), nullptr, nullptr), 0);
        InputContextPtr input(raw);
        ASSERT_TRUE(input->flags & AVFMT_FLAG_CUSTOM_IO);
        ASSERT_GE(ff::avformat_find_stream_info(input.get(), nullptr), 0);
        EXPECT_EQ(FromLibraryFileName(input->url), path.string());

        // The size query, through the library and straight through our callback.
        EXPECT_EQ(ff::avio_size(input->pb), file_size);
        EXPECT_EQ(unicode_file::Seek(input->pb->opaque, 0, AVSEEK_SIZE), file_size);

        ASSERT_EQ(input->nb_streams, clip->recipe.streams.size());
        const int audio = FirstAudioStream(input.get());
        ASSERT_GE(audio, 0);
        const AVCodecParameters* params = input->streams[audio]->codecpar;
        const fixtures::StreamRecipe* audio_recipe = nullptr;
        for (const auto& s : clip->recipe.streams) {
            if (s.type == AVMEDIA_TYPE_AUDIO) {
                audio_recipe = &s;
                break;
            }
        }
        ASSERT_NE(audio_recipe, nullptr);
        EXPECT_EQ(params->sample_rate, audio_recipe->sample_rate);
        EXPECT_EQ(params->ch_layout.nb_channels, audio_recipe->channels);

        const PacketPass whole = ReadPackets(input.get(), audio, false);
        EXPECT_GT(whole.packets, 0);
        EXPECT_NEAR(whole.audio_end_s, clip->recipe.duration_s, 0.15);

        // Back to the middle: the next audio packet starts near it, never after it.
        const double middle_s = clip->recipe.duration_s / 2;
        ASSERT_GE(ff::av_seek_frame(input.get(), -1, static_cast<int64_t>(middle_s * AV_TIME_BASE),
                                    AVSEEK_FLAG_BACKWARD),
                  0);
        const PacketPass after_seek = ReadPackets(input.get(), audio, true);
        EXPECT_LE(after_seek.first_audio_s, middle_s + 0.05);
        EXPECT_GE(after_seek.first_audio_s, middle_s - 1.0);

        // Back to the start: the same packets once more.
        ASSERT_GE(ff::av_seek_frame(input.get(), -1, 0, AVSEEK_FLAG_BACKWARD), 0);
        const PacketPass again = ReadPackets(input.get(), audio, false);
        EXPECT_EQ(again.packets, whole.packets);
        EXPECT_EQ(again.bytes, whole.bytes);

        // The libraries' own file access, given the plain name, sees the same stream.
        ASSERT_EQ(ToLibraryFileName(path.string()), path.string());
        AVFormatContext* plain_raw = nullptr;
        ASSERT_EQ(OpenInputContext(&plain_raw, ToLibraryFileName(path.string()), nullptr, nullptr),
                  0);
        InputContextPtr plain(plain_raw);
        EXPECT_FALSE(plain->flags & AVFMT_FLAG_CUSTOM_IO);
        const PacketPass plain_pass = ReadPackets(plain.get(), audio, false);
        EXPECT_EQ(plain_pass.packets, whole.packets);
        EXPECT_EQ(plain_pass.bytes, whole.bytes);
    }
}

TEST_F(UnicodeProtocolTest, OutputReplacesAnExistingFile) {
    TempDir dir("unicode-out");
    std::string pattern(3000, '\0');
    for (size_t i = 0; i < pattern.size(); ++i) {
        pattern[i] = static_cast<char>(i % 251);
    }
    std::string expected = pattern;
    expected.replace(100, 4, "ABCD");

    struct Case {
        const char* file;
        bool url_form;
    };
    const Case cases[] = {
        {"выход: ñ.bin", true},
        {"plain.bin", true},
        {"выход: ñ.bin", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + (c.url_form ? " (URL form)" : " (plain)"));
        const fs::path path = dir.Path() / c.file;
        ASSERT_NO_FATAL_FAILURE(WriteFile(path, std::string(10000, 'x')));

        // Another's file is never opened for writing, nor replaced.
        AVIOContext* io = nullptr;
        const std::string name = c.url_form ? URLOf(path) : path.string();
        EXPECT_EQ(OpenOutputIO(&io, name), AVERROR(EEXIST));
        EXPECT_EQ(io, nullptr);
        EXPECT_EQ(fs::file_size(path), 10000u);
        fs::remove(path);
        ASSERT_EQ(OpenOutputIO(&io, name), 0);
        ASSERT_NE(io, nullptr);
        ff::avio_write(io, reinterpret_cast<const unsigned char*>(pattern.data()),
                       static_cast<int>(pattern.size()));
        // Going back over written bytes goes through the seek callback.
        EXPECT_EQ(ff::avio_seek(io, 100, SEEK_SET), 100);
        ff::avio_write(io, reinterpret_cast<const unsigned char*>("ABCD"), 4);
        EXPECT_EQ(CloseOutputIO(&io), 0);
        EXPECT_EQ(io, nullptr);

        EXPECT_EQ(fs::file_size(path), pattern.size());
        EXPECT_EQ(ReadFile(path), expected);
    }
}

TEST_F(UnicodeProtocolTest, OpenModesKeepOrReplaceContents) {
    TempDir dir("unicode-modes");
    const fs::path existing = dir.Path() / "есть: ñ.txt";
    const std::string contents = "keep me";

    struct Case {
        fs::path path;
        bool make_first;
        int mode;
        int result;
        std::optional<std::string> contents_after_open;  // nullopt: no file
    };
    const Case cases[] = {
        {existing, true, unicode_file::kRead, 0, contents},
        {existing, true, unicode_file::kReadWrite, 0, contents},
        // Writing makes a new file only: what is there stays as it was.
        {existing, true, unicode_file::kWrite, AVERROR(EEXIST), contents},
        {dir.Path() / "dangling", false, unicode_file::kWrite, AVERROR(EEXIST), std::nullopt},
        {dir.Path() / "fifo", false, unicode_file::kRead, kNotRegularFileError, std::nullopt},
        {dir.Path() / "new-read.txt", false, unicode_file::kRead, AVERROR(ENOENT), std::nullopt},
        {dir.Path() / "new-rw.txt", false, unicode_file::kReadWrite, 0, ""},
        {dir.Path() / "new-w.txt", false, unicode_file::kWrite, 0, ""},
        {dir.Path(), false, unicode_file::kRead, AVERROR(EISDIR), std::nullopt},
        {dir.Path(), false, unicode_file::kReadWrite, AVERROR(EISDIR), std::nullopt},
        {dir.Path() / "no-folder" / "a.txt", false, unicode_file::kWrite, AVERROR(ENOENT),
         std::nullopt},
    };
    ASSERT_EQ(::symlink((dir.Path() / "nowhere").c_str(), (dir.Path() / "dangling").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir.Path() / "fifo").c_str(), 0600), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.string() + " mode " + std::to_string(c.mode));
        if (c.make_first) {
            ASSERT_NO_FATAL_FAILURE(WriteFile(c.path, contents));
        }
        int fd = 12345;
        EXPECT_EQ(unicode_file::Open(URLOf(c.path), c.mode, &fd), c.result);
        if (c.result != 0) {
            EXPECT_EQ(fd, -1);
            if (c.make_first) {
                EXPECT_EQ(ReadFile(c.path), contents);
            } else {
                EXPECT_EQ(fs::is_regular_file(c.path), false);
            }
            continue;
        }
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(c.contents_after_open.has_value());
        EXPECT_EQ(ReadFile(c.path), *c.contents_after_open);
        const int access = ::fcntl(fd, F_GETFL) & O_ACCMODE;
        if (c.mode == unicode_file::kReadWrite) {
            // Reads what was there, and appends after it.
            char buffer[32] = {};
            EXPECT_EQ(::read(fd, buffer, sizeof buffer),
                      static_cast<ssize_t>(c.contents_after_open->size()));
            EXPECT_EQ(::write(fd, "+", 1), 1);
            EXPECT_EQ(ReadFile(c.path), *c.contents_after_open + "+");
        }
        EXPECT_EQ(access, c.mode == unicode_file::kRead    ? O_RDONLY
                          : c.mode == unicode_file::kWrite ? O_WRONLY
                                                           : O_RDWR);
        unicode_file::Close(fd);
    }
}

TEST(UnicodeNamesTest, LocalNamesAndOtherProtocolsPassUnchanged) {
    const char* names[] = {
        "http://example.com/a.avi",
        "udp://239.0.0.1:1234",
        "rtp://127.0.0.1:5004",
        "tcp://host:1",
        "pipe:0",
        "gopher://host/a",
        "stream:a",
        "unicode:utf8:/tmp/a.avi",
        "/tmp/видео/a.avi",
        "/tmp/a:b.avi",
        "C:\\video\\a.avi",
        "relative.avi",
        "",
    };
    for (const char* name : names) {
        EXPECT_FALSE(NeedsUnicodeURL(name)) << name;
        EXPECT_EQ(ToLibraryFileName(name), name);
    }
}

TEST(UnicodeNamesTest, RecognisesTheURLPrefix) {
    struct Case {
        const char* text;
        bool is_url;
    };
    const Case cases[] = {
        {"unicode:utf8:a", true},
        {"unicode:utf8:/tmp/видео.avi", true},
        {"unicode:utf8:", false},  // nothing after the prefix
        {"Unicode:utf8:a", false},
        {"unicode:utf16:a", false},
        {"unicode:a", false},
        {"/tmp/unicode:utf8:a", false},
        {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsUnicodeURL(c.text), c.is_url) << c.text;
    }
}

TEST(UnicodeNamesTest, FromLibraryFileNameGivesBackTheExactName) {
    const char* names[] = {
        "/tmp/видео_тест ñ.avi", "/tmp/a:b/c: d.avi", "rel:x", "/", "日本語/ファイル.mp4", "x",
        "unicode:utf8:/nested",
    };
    for (const char* name : names) {
        EXPECT_EQ(FromLibraryFileName((kUnicodeURLPrefix + std::string(name)).c_str()), name);
        if (!IsUnicodeURL(name)) {
            EXPECT_EQ(FromLibraryFileName(ToLibraryFileName(name).c_str()), name);
        }
    }
    // Anything that is not the URL form comes back as it is, colons and all.
    EXPECT_EQ(FromLibraryFileName("/tmp/a:b:c.avi"), "/tmp/a:b:c.avi");
    EXPECT_EQ(FromLibraryFileName("unicode:utf8:"), "unicode:utf8:");
    EXPECT_EQ(FromLibraryFileName("http://host/a.avi"), "http://host/a.avi");
    EXPECT_EQ(FromLibraryFileName(nullptr), "");
}

TEST_F(UnicodeProtocolTest, ACallerMadeContextKeepsItsSettings) {
    const fs::path path = test::Fixture(kWavClip);
    for (const std::string& name : {URLOf(path), path.string()}) {
        SCOPED_TRACE(name);
        AVFormatContext* made = ff::avformat_alloc_context();
        ASSERT_NE(made, nullptr);
        made->flags |= AVFMT_FLAG_GENPTS;
        made->max_analyze_duration = 123456;
        AVFormatContext* context = made;
        ASSERT_EQ(OpenInputContext(&context, name, nullptr, nullptr), 0);
        InputContextPtr input(context);
        EXPECT_EQ(context, made);
        EXPECT_TRUE(input->flags & AVFMT_FLAG_GENPTS);
        EXPECT_EQ(input->max_analyze_duration, 123456);
        EXPECT_GT(ReadPackets(input.get(), -1, false).packets, 0);
    }
}

// A plain name on disk is opened as the file it is: never as a protocol, and
// never when it is a FIFO or a folder, which could block or fail every read.
TEST_F(UnicodeProtocolTest, PlainNamesOpenOnlyRegularFiles) {
    TempDir dir("plain-inputs");
    ASSERT_EQ(::mkfifo((dir.Path() / "fifo.mp4").c_str(), 0600), 0);
    fs::copy_file(test::Fixture(kWavClip), dir.Path() / "data:clip.wav");
    struct Case {
        std::string name;
        int result;
    };
    const Case cases[] = {
        {(dir.Path() / "fifo.mp4").string(), kNotRegularFileError},
        {dir.Path().string(), kNotRegularFileError},
        {"data:clip.wav", 0},
    };
    const fs::path before = fs::current_path();
    fs::current_path(dir.Path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AVFormatContext* context = nullptr;
        EXPECT_EQ(OpenInputContext(&context, c.name, nullptr, nullptr), c.result);
        InputContextPtr input(context);
        if (c.result == 0) {
            ASSERT_NE(context, nullptr);
            EXPECT_EQ(FromLibraryFileName(context->url), c.name);
            EXPECT_GT(ReadPackets(input.get(), -1, false).packets, 0);
        }
    }
    fs::current_path(before);
}

TEST_F(UnicodeProtocolTest, FailuresLeaveNothingOpen) {
    TempDir dir("unicode-fail");
    const fs::path missing = dir.Path() / "нет.avi";
    const fs::path not_media = test::Fixture(fixtures::kNotMedia);
    ASSERT_TRUE(fs::is_regular_file(not_media));

    struct Case {
        fs::path path;
        int error;  // 0: any error
    };
    const Case cases[] = {
        {missing, AVERROR(ENOENT)},
        {dir.Path(), AVERROR(EISDIR)},
        {not_media, 0},
    };
    for (const Case& c : cases) {
        for (bool made_by_caller : {false, true}) {
            SCOPED_TRACE(c.path.string() + (made_by_caller ? " (caller's context)" : ""));
            // A context the caller made is freed by the failed open.
            AVFormatContext* context = made_by_caller ? ff::avformat_alloc_context() : nullptr;
            const int result = OpenInputContext(&context, URLOf(c.path), nullptr, nullptr);
            if (c.error != 0) {
                EXPECT_EQ(result, c.error);
            } else {
                EXPECT_LT(result, 0);
            }
            EXPECT_EQ(context, nullptr);
        }
    }
    EXPECT_EQ(AVErrorText(missing.string(), AVERROR(ENOENT)),
              missing.string() + ": No such file or directory");

    AVIOContext* io = nullptr;
    EXPECT_EQ(OpenOutputIO(&io, URLOf(dir.Path() / "missing" / "out.mp3")), AVERROR(ENOENT));
    EXPECT_EQ(io, nullptr);

    // Closing nothing is harmless.
    CloseInputContext(nullptr);
    AVFormatContext* none = nullptr;
    CloseInputContext(&none);
    EXPECT_EQ(CloseOutputIO(nullptr), 0);
}

TEST_F(UnicodeProtocolTest, OpenFailuresSayWhatTheNameReallyIs) {
    TempDir dir("unicode-why");
    const fs::path missing = dir.Path() / "нет.avi";
    const fs::path folder = dir.Path() / "папка.avi";
    fs::create_directory(folder);
    const fs::path unreadable = dir.Path() / "закрыт.avi";
    fs::copy_file(test::Fixture(kWavClip), unreadable);
    fs::permissions(unreadable, fs::perms::none);

    struct Case {
        fs::path path;
        std::string text;
    };
    std::vector<Case> cases = {
        {missing, "No such file or directory"},
        {folder, "Is a directory"},
    };
    // The superuser reads any file, whatever its permissions say.
    if (::geteuid() != 0) {
        cases.push_back({unreadable, "Permission denied"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.string());
        AVFormatContext* context = nullptr;
        const int result = OpenInputContext(&context, URLOf(c.path), nullptr, nullptr);
        EXPECT_LT(result, 0);
        EXPECT_EQ(context, nullptr);
        EXPECT_EQ(AVErrorText(c.path.string(), result), c.path.string() + ": " + c.text);
    }
}

TEST_F(UnicodeProtocolTest, RepeatedOpenAndCloseLeakNoFiles) {
    TempDir dir("unicode-leak");
    const std::string wav = URLOf(test::Fixture(kWavClip));
    const std::string unicode = URLOf(test::Fixture(kUnicodeClip));
    const std::string not_media = URLOf(test::Fixture(fixtures::kNotMedia));
    const std::string output = URLOf(dir.Path() / "вывод.bin");

    auto cycle = [&](int i) {
        AVFormatContext* raw = nullptr;
        ASSERT_EQ(OpenInputContext(&raw, i % 2 == 0 ? wav : unicode, nullptr, nullptr), 0);
        InputContextPtr input(raw);
        ASSERT_GT(ReadPackets(input.get(), -1, false).packets, 0);
        input.reset();

        AVFormatContext* failed = i % 2 == 0 ? nullptr : ff::avformat_alloc_context();
        ASSERT_LT(OpenInputContext(&failed, not_media, nullptr, nullptr), 0);

        AVIOContext* io = nullptr;
        fs::remove(dir.Path() / "вывод.bin");
        ASSERT_EQ(OpenOutputIO(&io, output), 0);
        ff::avio_write(io, reinterpret_cast<const unsigned char*>("data"), 4);
        ASSERT_EQ(CloseOutputIO(&io), 0);
    };
    // The first round may open whatever the libraries keep for the process.
    ASSERT_NO_FATAL_FAILURE(cycle(0));
    const int before = CountOpenFds();
    for (int i = 0; i < 200; ++i) {
        ASSERT_NO_FATAL_FAILURE(cycle(i));
    }
    EXPECT_EQ(CountOpenFds(), before);
}

}  // namespace
}  // namespace v2m
