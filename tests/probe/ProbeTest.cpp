#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <numeric>
#include <regex>
#include <vector>

#include "AVProbe.h"
#include "FFmpegLoader.h"
#include "FFmpegLogger.h"
#include "FixtureGenerator.h"
#include "Format.h"
#include "MemoryIO.h"
#include "MyUtils.h"
#include "TestSupport.h"
#include "UnicodeProtocol.h"
#include "libavutil_error.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using fixtures::Audio;
using fixtures::ClipRecipe;
using fixtures::NamedClip;
using fixtures::Video;

constexpr AVRational kNtsc{30000, 1001};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
    return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Index of every stream line, in the order the text shows them.
std::vector<int> StreamLineOrder(const std::vector<std::string>& lines) {
    static const std::regex kStream(R"(^Stream #(\d+).*)");
    std::vector<int> order;
    std::smatch m;
    for (const std::string& line : lines) {
        if (std::regex_match(line, m, kStream)) {
            order.push_back(std::stoi(m[1]));
        }
    }
    return order;
}

std::string StreamLine(const std::vector<std::string>& lines, int index) {
    const std::string head = "Stream #" + std::to_string(index);
    for (const std::string& line : lines) {
        if (line.rfind(head, 0) == 0 &&
            (line.size() == head.size() || !isdigit(line[head.size()]))) {
            return line;
        }
    }
    return {};
}

struct LogEvent {
    TLogLevel level;
    std::string text;
};

// Every test starts with the conversion libraries loaded and sees what the
// probe logs. The files only some tests need are written on first use.
class ProbeTest : public ::testing::Test {
protected:
    static void TearDownTestSuite() {
        if (!dir_.empty()) {
            fs::remove_all(dir_);
        }
    }

    static std::string Special(const std::string& name) {
        if (dir_.empty()) {
            dir_ = test::MakeTempDir("probe");
        }
        const fs::path path = dir_ / name;
        if (!fs::exists(path)) {
            WriteSpecial(name, path);
        }
        return path.string();
    }

    static void WriteSpecial(const std::string& name, const fs::path& path) {
        ClipRecipe clip;
        if (name == "shared_stream.ts") {
            clip.streams = {Video("mpeg2video", 320, 240, kNtsc), Audio("mp2", 48000, 2, 1000, 0.5),
                            Audio("mp2", 48000, 2, 500, 0.5)};
            clip.streams[2].tags = {{"language", "eng"}};
            clip.programs = {{1, {0, 1}, {{"service_name", "First"}}},
                             {2, {0, 2}, {{"service_name", "Second"}}}};
        } else if (name == "tables_only.ts") {
            // The muxer starts with its service and program tables, one 188-byte
            // packet each: cut after two, the file names programs but no stream.
            const fs::path source = Special("shared_stream.ts");
            fixtures::WriteTruncated(source, path,
                                     376.5 / static_cast<double>(fs::file_size(source)));
            return;
        } else if (name == "dated.mp4") {
            clip.streams = {Video("libx264", 320, 240, {25, 1}), Audio("aac", 48000, 2, 440, 0.5)};
            clip.tags = {{"creation_time", "2021-03-04T05:06:07.000000Z"},
                         {"date", "2019-05-01"},
                         {"track", "7/12"}};
        } else if (name == "raw_keys.mkv") {
            clip.streams = {Audio("mp2", 44100, 2, 1000, 0.5)};
            clip.tags = {{"TCOM", "A Composer"}, {"TP1", "A Performer"}, {"TYER", "1999"}};
        }
        ASSERT_FALSE(clip.streams.empty()) << name;
        fixtures::WriteClip(path, clip);
    }

    void SetUp() override {
        test::LoadConverterLibs();
        FFLoggerInstance().SetTriggerEventInMainThread(false);
        FFLoggerInstance().SetOnLog(
            [this](TFFBaseComponent* sender, uint32_t, TLogLevel level, const std::string& text) {
                if (sender == &probe_) {
                    events_.push_back({level, text});
                }
            });
    }
    void TearDown() override {
        FFLoggerInstance().SetOnLog(nullptr);
        FFLoggerInstance().SetTriggerEventInMainThread(true);
    }

    inline static fs::path dir_;
    TAVProbe probe_;
    std::vector<LogEvent> events_;
};

// A context the test opens itself, as the conversion component does.
struct OpenedInput {
    OpenedInput() = default;
    explicit OpenedInput(const std::string& name) {
        if (OpenInputContext(&context, name, nullptr, nullptr) >= 0) {
            ff::avformat_find_stream_info(context, nullptr);
        }
    }
    ~OpenedInput() { CloseInputContext(&context); }
    AVFormatContext* context = nullptr;
};

// ---------------------------------------------------------------------------

class StandardClipProbeTest : public ProbeTest, public ::testing::WithParamInterface<NamedClip> {
protected:
    void ExpectStreamCounts(const ClipRecipe& recipe) {
        // Counters and first indexes follow the streams as written.
        int first[3] = {-1, -1, -1};
        int count[3] = {0, 0, 0};
        for (size_t i = 0; i < recipe.streams.size(); ++i) {
            const int type = recipe.streams[i].type == AVMEDIA_TYPE_VIDEO ? 0 : 1;
            ++count[type];
            if (first[type] < 0) {
                first[type] = static_cast<int>(i);
            }
        }
        EXPECT_EQ(probe_.StreamCount(), static_cast<int>(recipe.streams.size()));
        EXPECT_EQ(probe_.VideoStreamCount(), count[0]);
        EXPECT_EQ(probe_.AudioStreamCount(), count[1]);
        EXPECT_EQ(probe_.SubtitleStreamCount(), 0);
        EXPECT_EQ(probe_.FirstVideoStream(), first[0]);
        EXPECT_EQ(probe_.FirstAudioStream(), first[1]);
        EXPECT_EQ(probe_.FirstSubtitleStream(), -1);
        EXPECT_EQ(probe_.DefaultStream(), first[0] >= 0 ? first[0] : first[1]);
    }

    void ExpectStreamLines(const std::vector<std::string>& lines, const ClipRecipe& recipe,
                           const std::string& extension) {
        const bool ts = extension == ".ts";
        // One line per stream (programs of their own come from the special files).
        EXPECT_EQ(StreamLineOrder(lines).size(), recipe.streams.size());
        static const std::regex kStream(
            R"(^Stream #(\d+)(\[0x([0-9a-f]+)\])?(\((\w+)\))?, (\d+)/(\d+): (Video|Audio): .*)");
        const std::map<std::string, std::string> kTbn = {
            {".avi", "25"}, {".mp4", "12800"}, {".mkv", "1k"}, {".ts", "90k"}};
        for (size_t i = 0; i < recipe.streams.size(); ++i) {
            const std::string line = StreamLine(lines, static_cast<int>(i));
            std::smatch m;
            ASSERT_TRUE(std::regex_match(line, m, kStream)) << line;
            const AVRational tb = probe_.Context()->streams[i]->time_base;
            const int64_t num = std::stoll(m[6]);
            const int64_t den = std::stoll(m[7]);
            EXPECT_EQ(std::gcd(num, den), 1) << line;
            EXPECT_EQ(num * tb.den, den * tb.num) << line;
            // Transport streams show their PIDs, MP4 its track ids; the others no id.
            std::string id;
            if (ts) {
                id = Format("%zx", 0x100 + i);
            }
            if (extension == ".mp4" || extension == ".m4a") {
                id = Format("%zx", i + 1);
            }
            // A cover is a picture in the file's tags, not a track of its own.
            const bool cover = recipe.streams[i].attached_picture;
            if (cover) {
                EXPECT_EQ(m[8], "Video");
                continue;
            }
            EXPECT_EQ(m[3].str(), id) << line;
            const auto language = recipe.streams[i].tags.find("language");
            if (language != recipe.streams[i].tags.end()) {
                EXPECT_EQ(m[5].str(), language->second) << line;
            }
            const bool video = recipe.streams[i].type == AVMEDIA_TYPE_VIDEO;
            EXPECT_EQ(m[8], video ? "Video" : "Audio");
            EXPECT_EQ(line.find(", 25 fps, 25 tbr") != std::string::npos, video) << line;
            if (video && kTbn.count(extension)) {
                EXPECT_NE(line.find(", " + kTbn.at(extension) + " tbn, "), std::string::npos)
                    << line;
            }
            EXPECT_EQ(line.find(" tbc"), std::string::npos) << line;
        }
    }
};

TEST_P(StandardClipProbeTest, DescribesTheClipAsWritten) {
    const ClipRecipe& recipe = GetParam().recipe;
    const std::string path = test::Fixture(GetParam().name).string();
    const std::string extension = fs::path(path).extension().string();
    const bool ts = extension == ".ts";
    ASSERT_TRUE(probe_.LoadFile(path)) << probe_.LastError();
    EXPECT_TRUE(probe_.OwnsContext());

    ExpectStreamCounts(recipe);
    // A transport stream always carries at least one program.
    EXPECT_EQ(probe_.ProgramCount(), std::max<int>(recipe.programs.size(), ts ? 1 : 0));
    const int64_t size = static_cast<int64_t>(fs::file_size(path));
    EXPECT_EQ(probe_.FileSize(), size);

    TFileStreamInfo info;
    probe_.GetFileStreamInfo(info);
    EXPECT_NEAR(info.Duration, recipe.duration_s * 1e6, 60'000);
    EXPECT_NEAR(info.StartTime, recipe.start_time_us, 50'000);
    EXPECT_NEAR(info.BitRate, size * 8 / recipe.duration_s, 0.1 * size * 8 / recipe.duration_s);
    const auto tag = [&](const char* key) {
        auto it = recipe.tags.find(key);
        return it == recipe.tags.end() ? std::string() : it->second;
    };
    EXPECT_EQ(info.Title, tag("title"));
    EXPECT_EQ(info.Author, tag("artist"));
    EXPECT_EQ(info.Timestamp, 0);
    EXPECT_EQ(info.Year, tag("date").empty() ? 0 : std::stoi(tag("date")));
    EXPECT_EQ(info.Track, tag("track").empty() ? 0 : std::stoi(tag("track")));
    const AVStream* default_stream = probe_.Context()->streams[probe_.DefaultStream()];
    EXPECT_NEAR(av_q2d(default_stream->time_base) * probe_.DefaultStartTime(),
                recipe.start_time_us / 1e6, 0.05);

    const std::vector<std::string> lines = Lines(probe_.FileInfoText());
    const std::map<std::string, std::string> kFormat = {
        {".avi", "avi"},   {".mp4", "mp4"}, {".mkv", "matroska"}, {".wav", "wav"}, {".mp3", "mp3"},
        {".flac", "flac"}, {".ogg", "ogg"}, {".ts", "mpegts"},    {".m4a", "mp4"}};
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], "File Name: " + path);
    EXPECT_NE(lines[1].find(kFormat.at(extension)), std::string::npos) << lines[1];
    EXPECT_EQ(lines[3], "File Size: " + FileSizeText(size));
    EXPECT_EQ(lines[4], "Duration: " + DurationText(info.Duration));
    const std::string start_line =
        Format("StartTime: %d.%.6d", static_cast<int>(info.StartTime / 1000000),
               static_cast<int>(info.StartTime % 1000000));
    EXPECT_EQ(Contains(lines, start_line), info.StartTime >= 0) << start_line;
    EXPECT_TRUE(Contains(lines, Format("Bit Rate: %d kb/s", info.BitRate / 1000)));
    for (const auto& [key, value] : recipe.tags) {
        EXPECT_TRUE(Contains(lines, Format("  %-16s: %s", key.c_str(), value.c_str()))) << key;
    }

    ExpectStreamLines(lines, recipe, extension);
    EXPECT_TRUE(events_.empty());
}

INSTANTIATE_TEST_SUITE_P(Generated, StandardClipProbeTest,
                         ::testing::ValuesIn(fixtures::StandardClips()),
                         [](const auto& clip) { return "Clip" + std::to_string(clip.index); });

TEST_F(ProbeTest, StreamInTwoProgramsIsShownUnderBothAndNotAgain) {
    ASSERT_TRUE(probe_.LoadFile(Special("shared_stream.ts")));
    const std::vector<std::string> lines = Lines(probe_.FileInfoText());
    EXPECT_EQ(StreamLineOrder(lines), (std::vector<int>{0, 1, 0, 2}));
    const auto at = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) - lines.begin();
    };
    // No provider or name tags: the demuxer calls them service_*.
    EXPECT_LT(at("Program 1 N/A@N/A"), at("  Metadata:"));
    EXPECT_LT(at("Program 1 N/A@N/A"), at("Program 2 N/A@N/A"));
    EXPECT_TRUE(Contains(lines, "    service_name    : Second"));
    // A language alone makes no tag block of its own.
    const std::string third = StreamLine(lines, 2);
    EXPECT_NE(third.find("[0x102](eng), 1/90000: Audio: "), std::string::npos) << third;
    EXPECT_EQ(lines.back(), third);
    const std::string video = StreamLine(lines, 0);
    EXPECT_NE(video.find(", 29.97 fps, 29.97 tbr, 90k tbn, StartTime: "), std::string::npos)
        << video;
}

TEST_F(ProbeTest, CreationDateYearAndTrackComeFromTheTags) {
    ASSERT_TRUE(probe_.LoadFile(Special("dated.mp4")));
    TFileStreamInfo info;
    probe_.GetFileStreamInfo(info);
    EXPECT_EQ(info.Timestamp, 1614834367);  // 2021-03-04 05:06:07 UTC
    EXPECT_EQ(info.Year, 2019);
    EXPECT_EQ(info.Track, 7);
    const std::vector<std::string> lines = Lines(probe_.FileInfoText());
    EXPECT_TRUE(Contains(
        lines, "Time Stamp: " + DateTimeText("yyyy-mm-dd hh:nn:ss", UnixTimeToLocal(1614834367))));
}

TEST_F(ProbeTest, RawTagKeysAreShownUnderTheirReadableNames) {
    ASSERT_TRUE(probe_.LoadFile(Special("raw_keys.mkv")));
    const std::vector<std::string> lines = Lines(probe_.FileInfoText());
    EXPECT_TRUE(Contains(lines, "  composer        : A Composer"));
    EXPECT_TRUE(Contains(lines, "  artist          : A Performer"));
    EXPECT_TRUE(Contains(lines, "  year            : 1999"));

    // Keys compare exactly; the first match of the table wins.
    OpenedInput input(test::Fixture("ts_start_10s.ts").string());
    ASSERT_NE(input.context, nullptr);
    const std::pair<const char*, const char*> kKeys[] = {
        {"TAL", "album"}, {"TALB", "album"},  {"TSOP", "authorsort"},
        {"tcom", "tcom"}, {"TCOMX", "TCOMX"}, {"TLAN", "language"}};
    for (const auto& [key, shown] : kKeys) {
        ff::av_dict_set(&input.context->metadata, key, "v", 0);
        probe_.AttachContext(input.context);
        EXPECT_TRUE(Contains(Lines(probe_.FileInfoText()), Format("  %-16s: v", shown))) << key;
        ff::av_dict_free(&input.context->metadata);
    }
}

TEST_F(ProbeTest, AttachedContextIsDescribedButNeverClosed) {
    const std::string path = test::Fixture("avi_mpeg4_mp2.avi").string();
    OpenedInput input(path);
    ASSERT_NE(input.context, nullptr);
    AVStream* video = input.context->streams[0];
    video->time_base = {2, 50};
    video->sample_aspect_ratio = {4, 3};  // the codec says 1:1
    input.context->duration = AV_NOPTS_VALUE;
    input.context->start_time = AV_NOPTS_VALUE;
    input.context->bit_rate = 0;
    {
        TAVProbe probe;
        probe.AttachContext(input.context);
        EXPECT_FALSE(probe.OwnsContext());
        EXPECT_EQ(probe.Context(), input.context);
        EXPECT_EQ(probe.FileName(), path);
        EXPECT_EQ(probe.StreamCount(), 2);
        TFileStreamInfo info;
        probe.GetFileStreamInfo(info);
        EXPECT_EQ(info.Duration, -1);
        EXPECT_EQ(info.StartTime, -1);
        EXPECT_EQ(info.BitRate, 0);
        const std::vector<std::string> lines = Lines(probe.FileInfoText());
        EXPECT_EQ(lines[4], "Duration: N/A");
        EXPECT_EQ(lines[5], "Bit Rate: N/A");
        const std::string line = StreamLine(lines, 0);
        EXPECT_NE(line.find("Stream #0, 1/25: Video: "), std::string::npos) << line;
        EXPECT_NE(line.find(", PAR 4:3 DAR 16:9, 25 fps, 25 tbr, 25 tbn, "), std::string::npos)
            << line;
        probe.CloseFile();
        EXPECT_EQ(probe.Context(), nullptr);
        probe.AttachContext(input.context);
        ASSERT_TRUE(probe.LoadFile(test::Fixture("wav_pcm_44k_stereo.wav").string()));
        EXPECT_TRUE(probe.OwnsContext());
        probe.AttachContext(input.context);
    }
    // Still open and readable after the probe forgot it three times and died.
    AVPacket* packet = ff::av_packet_alloc();
    EXPECT_EQ(ff::av_read_frame(input.context, packet), 0);
    ff::av_packet_free(&packet);
}

TEST_F(ProbeTest, LanguageAloneMakesNoContainerTagBlock) {
    OpenedInput input(test::Fixture("ts_start_10s.ts").string());
    ASSERT_NE(input.context, nullptr);
    ff::av_dict_set(&input.context->metadata, "language", "fre", 0);
    probe_.AttachContext(input.context);
    EXPECT_FALSE(Contains(Lines(probe_.FileInfoText()), "Metadata:"));
    ff::av_dict_set(&input.context->metadata, "comment", "c", 0);
    const std::vector<std::string> lines = Lines(probe_.FileInfoText());
    EXPECT_TRUE(Contains(lines, "Metadata:"));
    EXPECT_TRUE(Contains(lines, "  comment         : c"));
    EXPECT_FALSE(Contains(lines, "  language        : fre"));
}

// An input read through the caller's own I/O that cannot seek: no size there.
int ReadFile(void* opaque, uint8_t* buffer, int size) {
    const size_t n = std::fread(buffer, 1, static_cast<size_t>(size), static_cast<FILE*>(opaque));
    return n == 0 ? AVERROR_EOF : static_cast<int>(n);
}

// An I/O context of the caller's, freed with its buffer.
struct CallerIO {
    ~CallerIO() {
        if (io != nullptr) {
            ff::av_freep(&io->buffer);
            ff::avio_context_free(&io);
        }
    }
    AVIOContext* io = nullptr;
};

TEST_F(ProbeTest, SizeUnknownToTheContextIsTakenFromTheDisk) {
    const std::string path = test::Fixture("ts_start_10s.ts").string();
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    ASSERT_TRUE(file);
    constexpr int kBufferSize = 4096;
    CallerIO caller;
    caller.io = ff::avio_alloc_context(static_cast<unsigned char*>(ff::av_malloc(kBufferSize)),
                                       kBufferSize, 0, file.get(), ReadFile, nullptr, nullptr);
    ASSERT_NE(caller.io, nullptr);
    EXPECT_LT(ff::avio_size(caller.io), 0);
    OpenedInput input;
    input.context = ff::avformat_alloc_context();
    input.context->pb = caller.io;
    input.context->flags |= AVFMT_FLAG_CUSTOM_IO;
    ASSERT_EQ(ff::avformat_open_input(&input.context, path.c_str(), nullptr, nullptr), 0);
    ASSERT_GE(ff::avformat_find_stream_info(input.context, nullptr), 0);

    probe_.AttachContext(input.context);
    const int64_t size = static_cast<int64_t>(fs::file_size(path));
    EXPECT_EQ(probe_.FileSize(), size);
    EXPECT_EQ(Lines(probe_.FileInfoText())[3], "File Size: " + FileSizeText(size));
}

TEST_F(ProbeTest, UnicodeFormOpensThroughOurOwnFileAccess) {
    const std::string path = test::Fixture("видео_тест ñ.avi").string();
    ASSERT_TRUE(probe_.LoadFile(kUnicodeURLPrefix + path)) << probe_.LastError();
    EXPECT_EQ(probe_.FileName(), path);
    EXPECT_EQ(probe_.FileSize(), static_cast<int64_t>(fs::file_size(path)));
    EXPECT_EQ(Lines(probe_.FileInfoText())[0], "File Name: " + path);
}

std::vector<uint8_t> FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A file held in memory is described as the same file on disk is, and the
// byte stream stays the caller's: it outlives the probe's file and is read
// again (a probe that freed it would fail the sanitizer build).
TEST_F(ProbeTest, FileInMemoryIsDescribedAsOnDisk) {
    for (const char* name : {"wav_pcm_44k_stereo.wav", "mp3_44k_stereo.mp3", "mp4_h264_aac.mp4",
                             "mkv_ac3_51_two_audio.mkv", "ts_start_10s.ts"}) {
        SCOPED_TRACE(name);
        const fs::path path = test::Fixture(name);
        if (!fs::exists(path)) {
            ADD_FAILURE() << "no such fixture";
            continue;
        }
        ASSERT_TRUE(probe_.LoadFile(path.string())) << probe_.LastError();
        const TFileStreamInfo from_disk = [this] {
            TFileStreamInfo info;
            probe_.GetFileStreamInfo(info);
            return info;
        }();
        const int32_t audio = probe_.AudioStreamCount();
        const int32_t video = probe_.VideoStreamCount();
        const int32_t first_audio = probe_.FirstAudioStream();
        probe_.CloseFile();

        const std::vector<uint8_t> bytes = FileBytes(path);
        MemoryReader reader(bytes);
        ASSERT_NE(reader.IO(), nullptr);
        for (int round = 0; round < 2; ++round) {
            ASSERT_EQ(ff::avio_seek(reader.IO(), 0, SEEK_SET), 0);
            ASSERT_TRUE(probe_.LoadFromIO(reader.IO(), name)) << probe_.LastError();
            EXPECT_FALSE(probe_.FileInfoText().empty());
            TFileStreamInfo info;
            probe_.GetFileStreamInfo(info);
            EXPECT_EQ(info.Duration, from_disk.Duration);
            EXPECT_EQ(info.StartTime, from_disk.StartTime);
            EXPECT_EQ(probe_.FileSize(), static_cast<int64_t>(bytes.size()));
            EXPECT_EQ(probe_.AudioStreamCount(), audio);
            EXPECT_EQ(probe_.VideoStreamCount(), video);
            EXPECT_EQ(probe_.FirstAudioStream(), first_audio);
            probe_.CloseFile();
        }
    }
}

TEST_F(ProbeTest, BytesThatAreNoMediaFailInMemoryAndLeaveTheStreamToTheCaller) {
    const std::vector<uint8_t> wav = FileBytes(test::Fixture("wav_pcm_44k_stereo.wav"));
    const std::vector<uint8_t> cases[] = {
        {},
        FileBytes(test::Fixture(fixtures::kNotMedia)),
        // The start of a WAV header, cut before its format chunk.
        std::vector<uint8_t>(wav.begin(), wav.begin() + 12),
    };
    for (const std::vector<uint8_t>& bytes : cases) {
        SCOPED_TRACE(bytes.size());
        MemoryReader reader(bytes);
        ASSERT_NE(reader.IO(), nullptr);
        EXPECT_FALSE(probe_.LoadFromIO(reader.IO(), "memory"));
        EXPECT_EQ(probe_.Context(), nullptr);
        EXPECT_FALSE(probe_.LastError().empty());
        // Still the caller's, and still usable.
        EXPECT_EQ(ff::avio_seek(reader.IO(), 0, SEEK_SET), 0);
    }
    EXPECT_FALSE(probe_.LoadFromIO(nullptr, "memory"));
}

// ---------------------------------------------------------------------------
// Failures

TEST_F(ProbeTest, MissingLibraryRaisesItsTextInOrder) {
    TFFmpegLoader& loader = FFLoader();
    loader.UnloadLibraries(ConverterLibs);
    const std::pair<TLibraryKind, const char*> kSteps[] = {
        {lkAVCodec, "LibAVCodec not loaded."},
        {lkAVFormat, "LibAVFormat not loaded."},
        {lkAVUtil, "LibAVUtil not loaded."},
        {lkSwScale, "LibSwScale not loaded."},
    };
    for (const auto& [kind, text] : kSteps) {
        for (bool attach : {false, true}) {
            try {
                attach ? probe_.AttachContext(nullptr)
                       : static_cast<void>(
                             probe_.LoadFile(test::Fixture("avi_mpeg4_mp2.avi").string()));
                ADD_FAILURE() << "nothing raised before " << text;
            } catch (const EAVProbeError& error) {
                EXPECT_STREQ(error.what(), text);
            }
        }
        ASSERT_TRUE(loader.LoadLib(kind)) << loader.LastError();
    }
    EXPECT_TRUE(probe_.LoadFile(test::Fixture("avi_mpeg4_mp2.avi").string()));
    EXPECT_TRUE(events_.empty());
}

TEST_F(ProbeTest, UnknownFormatNameLeavesThePreviousFileClosed) {
    ASSERT_TRUE(probe_.LoadFile(test::Fixture("avi_mpeg4_mp2.avi").string(), "avi"));
    EXPECT_EQ(probe_.FormatName(), "avi");
    EXPECT_FALSE(probe_.LoadFile(test::Fixture("mp3_44k_stereo.mp3").string(), "no_such_format"));
    EXPECT_EQ(probe_.LastError(), "Unknown input format: no_such_format");
    EXPECT_EQ(probe_.Context(), nullptr);
    EXPECT_EQ(probe_.FormatName(), "");
    EXPECT_EQ(probe_.StreamCount(), -1);
    EXPECT_EQ(probe_.FileSize(), -1);
    EXPECT_TRUE(events_.empty());
}

TEST_F(ProbeTest, UnopenableFileIsLoggedAsAnError) {
    const std::string missing = (test::FixturesDir() / "no_such_file.avi").string();
    const std::string not_media = test::Fixture(fixtures::kNotMedia).string();
    const std::pair<std::string, std::string> kCases[] = {
        {missing, AVErrorText(missing, AVERROR(ENOENT))},
        {kUnicodeURLPrefix + missing, AVErrorText(kUnicodeURLPrefix + missing, AVERROR(ENOENT))},
        {not_media, AVErrorText(not_media, AVERROR_INVALIDDATA)},
    };
    for (const auto& [name, text] : kCases) {
        events_.clear();
        ASSERT_TRUE(probe_.LoadFile(test::Fixture("avi_mpeg4_mp2.avi").string()));
        EXPECT_FALSE(probe_.LoadFile(name));
        EXPECT_EQ(probe_.LastError(), text);
        EXPECT_EQ(probe_.Context(), nullptr);
        ASSERT_EQ(events_.size(), 1u);
        EXPECT_EQ(events_[0].level, llError);
        EXPECT_EQ(events_[0].text, text);
    }
}

TEST_F(ProbeTest, StreamInformationFailureIsReportedWithoutLogging) {
    const std::string path = Special("tables_only.ts");
    EXPECT_FALSE(probe_.LoadFile(path, "mpegts"));
    EXPECT_EQ(probe_.LastError(), path + ": could not find codec parameters");
    EXPECT_EQ(probe_.Context(), nullptr);
    EXPECT_EQ(probe_.StreamCount(), -1);
    EXPECT_TRUE(events_.empty());
}

TEST_F(ProbeTest, NothingOpenGivesEmptyValuesAndWarns) {
    const std::function<bool(TAVProbe&)> kQueries[] = {
        [](TAVProbe& p) { return p.FileName().empty(); },
        [](TAVProbe& p) { return p.FileInfoText().empty(); },
        [](TAVProbe& p) {
            TFileStreamInfo info;
            info.Title = "stale";
            p.GetFileStreamInfo(info);
            return info.StartTime == -1 && info.Duration == -1 && info.BitRate == -1 &&
                   info.Timestamp == -1 && info.Year == -1 && info.Track == -1 &&
                   info.Title.empty() && info.Author.empty() && info.Genre.empty();
        },
    };
    for (const auto& query : kQueries) {
        events_.clear();
        ASSERT_TRUE(probe_.LoadFile(test::Fixture("wav_pcm_48k_mono.wav")));
        probe_.CloseFile();
        EXPECT_EQ(probe_.DefaultStream(), -1);
        EXPECT_TRUE(query(probe_));
        EXPECT_EQ(probe_.LastError(), "file not loaded.");
        ASSERT_EQ(events_.size(), 1u);
        EXPECT_EQ(events_[0].level, llWarning);
        EXPECT_EQ(events_[0].text, "file not loaded.");
    }
}

// ---------------------------------------------------------------------------
// Resources and cost

int64_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    int64_t pages = 0;
    int64_t resident = 0;
    statm >> pages >> resident;
    return resident * ::sysconf(_SC_PAGESIZE);
}

size_t OpenDescriptors() {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

TEST_F(ProbeTest, ReopeningAThousandTimesKeepsMemoryAndDescriptorsFlat) {
    // Both ways of naming a file, ours with its own I/O context.
    const std::string path = test::Fixture("mp4_h264_aac.mp4").string();
    int count = 0;
    const auto cycle = [&] {
        ASSERT_TRUE(probe_.LoadFile(count++ % 2 == 0 ? path : kUnicodeURLPrefix + path));
        ASSERT_FALSE(probe_.FileInfoText().empty());
        probe_.CloseFile();
    };
    for (int i = 0; i < 50; ++i) {
        cycle();
    }
    const int64_t resident = ResidentBytes();
    const size_t in_use = mallinfo2().uordblks;
    const size_t descriptors = OpenDescriptors();
    for (int i = 0; i < 1000; ++i) {
        cycle();
    }
    EXPECT_EQ(OpenDescriptors(), descriptors);
#if defined(__SANITIZE_ADDRESS__)
    // Freed memory stays in quarantine here; the leak check at exit covers this run.
    static_cast<void>(resident);
    static_cast<void>(in_use);
#else
    EXPECT_LT(ResidentBytes() - resident, 8 << 20);
    EXPECT_LT(static_cast<int64_t>(mallinfo2().uordblks - in_use), 256 << 10);
#endif
}

TEST_F(ProbeTest, LoadAndDescribeAHundredFiles) {
    const auto& clips = fixtures::StandardClips();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(probe_.LoadFile(test::Fixture(clips[i % clips.size()].name).string()));
        ASSERT_FALSE(probe_.FileInfoText().empty());
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("LoadFile + FileInfoText of 100 fixtures: %.1f ms (%.2f ms each)\n", ms, ms / 100);
    RecordProperty("hundred_files_ms", static_cast<int>(ms));
}

}  // namespace

namespace fixtures {
// Names the clip when a parameterised test fails.
void PrintTo(const NamedClip& clip, std::ostream* out) {
    *out << clip.name;
}
}  // namespace fixtures

}  // namespace v2m
