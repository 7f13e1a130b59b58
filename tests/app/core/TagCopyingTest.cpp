// The input's tags and cover picture in real conversions of generated clips,
// read back with the probe.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <set>

#include "AVProbe.h"
#include "AudioAnalysis.h"
#include "ConversionTestSupport.h"
#include "CoreTestSupport.h"
#include "FFConverter.h"
#include "FFmpegLogger.h"
#include "FixtureGenerator.h"
#include "JobBuilding.h"
#include "MediaOwners.h"
#include "MainThread.h"
#include "TestSupport.h"

namespace v2m {
namespace {

using fixtures::Audio;
using fixtures::ClipRecipe;
using fixtures::Video;
using fixtures::WriteClip;
using test::ScratchDir;

// Every tag a music player shows, as the fixture's album clip carries them.
const std::map<std::string, std::string>& AlbumTags() {
    return fixtures::FindStandardClip("m4a_aac_cover.m4a")->recipe.tags;
}

TJobRequest Request(const std::string& ext, const std::string& source, const std::string& folder) {
    TJobRequest request;
    request.ProfileExt = ext;
    request.OutputFolder = folder;
    request.SourceFileName = source;
    return request;
}

// What the probe finds in a converted file.
struct TReadBack {
    std::map<std::string, std::string> Tags;  // the file's and its audio stream's
    int Covers = 0;                           // attached pictures
    int MovingVideo = 0;                      // video streams that are not covers
    int VideoWidth = 0;                       // of the last of them
    int VideoHeight = 0;
    AVRational VideoRate{0, 1};
    int CoverWidth = 0;
    AVCodecID CoverCodec = AV_CODEC_ID_NONE;
    int DecodedWidth = 0;  // the cover as its decoder gives it
    int DecodedHeight = 0;
};

// Decodes a cover's picture, so that a cover that only claims a size fails.
void DecodeCover(const AVStream& stream, TReadBack& got) {
    const AVCodec* codec = ff::avcodec_find_decoder(stream.codecpar->codec_id);
    ASSERT_NE(codec, nullptr);
    OpenedCodecContextPtr decoder(ff::avcodec_alloc_context3(codec));
    ASSERT_GE(ff::avcodec_parameters_to_context(decoder.get(), stream.codecpar), 0);
    {
        AVCodecLock lock;
        ASSERT_GE(ff::avcodec_open2(decoder.get(), codec, nullptr), 0);
    }
    PacketPtr packet(ff::av_packet_alloc());
    ASSERT_GE(ff::av_packet_ref(packet.get(), &stream.attached_pic), 0);
    FramePtr frame(ff::av_frame_alloc());
    ASSERT_GE(ff::avcodec_send_packet(decoder.get(), packet.get()), 0);
    ff::avcodec_send_packet(decoder.get(), nullptr);
    ASSERT_GE(ff::avcodec_receive_frame(decoder.get(), frame.get()), 0);
    got.DecodedWidth = frame->width;
    got.DecodedHeight = frame->height;
}

TReadBack ReadBack(const std::string& file) {
    TReadBack got;
    TAVProbe probe;
    if (!probe.LoadFile(file)) {
        ADD_FAILURE() << probe.LastError();
        return got;
    }
    const AVFormatContext* context = probe.Context();
    auto take = [&got](const AVDictionary* tags) {
        const AVDictionaryEntry* e = nullptr;
        while ((e = ff::av_dict_get(tags, "", e, AV_DICT_IGNORE_SUFFIX)) != nullptr) {
            std::string key = e->key;
            for (char& c : key) {
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            got.Tags.emplace(key, e->value);
        }
    };
    take(context->metadata);
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            take(stream->metadata);
        } else if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            if ((stream->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0) {
                ++got.Covers;
                got.CoverWidth = stream->codecpar->width;
                got.CoverCodec = stream->codecpar->codec_id;
                DecodeCover(*stream, got);
            } else {
                ++got.MovingVideo;
                got.VideoWidth = stream->codecpar->width;
                got.VideoHeight = stream->codecpar->height;
                got.VideoRate = stream->avg_frame_rate;
            }
        }
    }
    return got;
}

class TagCopyingTest : public test::ConvertingTest {
protected:
    // Builds and converts one job; the output's name.
    std::string Convert(const TJobRequest& request) {
        const TJob job = BuildJob(request, batch_);
        TFFConverter converter;
        TTerminateInfo result;
        result.ErrorMessage = "no notification";
        converter.SetOnTerminate([&](TFFBaseComponent*, TTerminateInfo info) { result = info; });
        EXPECT_TRUE(converter.Probe().LoadFile(job.Input.FileName));
        TInputOptions input = job.Input;
        TOutputOptions output = job.Output;
        const int task = converter.AddTask(input.FileName, &input);
        for (TInputOptions more : job.MoreInputs) {
            EXPECT_TRUE(converter.AddInputFile(task, more.FileName, &more))
                << converter.LastError();
        }
        EXPECT_TRUE(converter.SetOutputFile(task, output.FileName, &output))
            << converter.LastError();
        converter.StartTask(task);
        EXPECT_TRUE(result.Finished && !result.Failed) << result.ErrorMessage;
        warning_ = job.Warning;
        return job.Output.FileName;
    }

    std::set<std::string> batch_;
    std::string warning_;  // of the last job converted
};

TEST_F(TagCopyingTest, TagsAndCoverReachEveryAudioContainer) {
    const std::string source = test::Fixture("m4a_aac_cover.m4a").string();
    ScratchDir out("tags-cover");
    struct Case {
        const char* ext;
        bool cover;
        const char* date;  // ID3v2.3 keeps the year only
    };
    for (const Case c : {Case{"mp3", true, "2021"}, Case{"m4a", true, "2021"},
                         Case{"flac", true, "2021"}, Case{"ogg", true, "2021"}}) {
        SCOPED_TRACE(c.ext);
        const std::string file = Convert(Request(c.ext, source, out.Folder()));
        const TReadBack got = ReadBack(file);
        for (const auto& [key, value] : AlbumTags()) {
            const auto found = got.Tags.find(key);
            ASSERT_NE(found, got.Tags.end()) << key;
            EXPECT_EQ(found->second.substr(0, key == "date" ? 4 : std::string::npos),
                      key == "date" ? c.date : value)
                << key;
        }
        // The source's container tags stay behind (an MP4-family output has
        // brands of its own).
        for (const char* key : {"major_brand", "minor_version", "compatible_brands"}) {
            EXPECT_TRUE(std::string(c.ext) == "m4a" || !got.Tags.contains(key)) << key;
        }
        EXPECT_EQ(got.Covers, c.cover ? 1 : 0);
        EXPECT_EQ(got.MovingVideo, 0);
        if (c.cover) {
            EXPECT_EQ(got.CoverWidth, 200);
        }
        if (std::string(c.ext) == "mp3") {
            std::ifstream in(file, std::ios::binary);
            char head[4] = {};
            in.read(head, 4);
            EXPECT_EQ(std::string(head, 3), "ID3");
            EXPECT_EQ(head[3], 3) << "ID3v2 major version";
        }
    }
}

// A cover that does not decode or is far too large is left out with a
// warning, and the sound converts in every container that takes covers.
TEST_F(TagCopyingTest, ABadCoverIsLeftOutWithAWarningAndTheSoundConverts) {
    ScratchDir out("bad-cover");
    std::string claims_20000 = fixtures::PngPicture(64, 64);
    for (const size_t at : {16u, 20u}) {  // IHDR width and height, big-endian
        claims_20000.replace(at, 4, std::string("\0\0\x4e\x20", 4));
    }
    struct Case {
        const char* name;
        std::string picture;
        const char* mime_type;
        bool kept;
    };
    const Case cases[] = {
        {"sound PNG", fixtures::PngPicture(64, 64), "image/png", true},
        {"text", std::string(2000, 't'), "image/jpeg", false},
        {"truncated PNG", fixtures::PngPicture(64, 64, true), "image/png", false},
        {"PNG claiming 20000x20000", claims_20000, "image/png", false},
        {"PNG 4100 wide", fixtures::PngPicture(4100, 8), "image/png", false},
    };
    const std::filesystem::path mp3 = test::Fixture("mp3_44k_stereo.mp3");
    int n = 0;
    for (const Case& c : cases) {
        const std::filesystem::path source = out.Path() / ("source" + std::to_string(n++) + ".mp3");
        fixtures::WriteMp3WithCover(mp3, source, c.picture, c.mime_type);
        for (const char* ext : {"mp3", "m4a", "flac", "ogg"}) {
            SCOPED_TRACE(std::string(c.name) + " to " + ext);
            const std::string file = Convert(Request(ext, source.string(), out.Folder()));
            EXPECT_EQ(ReadBack(file).Covers, c.kept ? 1 : 0);
            EXPECT_EQ(warning_.starts_with("The cover picture is left out: "), !c.kept) << warning_;
            const fixtures::AudioAnalysis audio = fixtures::AnalyzeAudio(file);
            EXPECT_NEAR(audio.duration_s, 3.0, 0.1);
            EXPECT_NEAR(audio.Loudest().frequency_hz, 1000.0, 10.0);
        }
    }
}

TEST_F(TagCopyingTest, UntitledInputIsTitledByItsFileNameAndSwitchOffCopiesNothing) {
    const std::string source = test::Fixture("avi_mpeg4_mp2.avi").string();
    ScratchDir out("tags-title");
    TJobRequest request = Request("mp3", source, out.Folder());
    EXPECT_EQ(ReadBack(Convert(request)).Tags["title"], "avi_mpeg4_mp2");

    request.SourceFileName = test::Fixture("m4a_aac_cover.m4a").string();
    request.CopyTags = false;
    const TReadBack got = ReadBack(Convert(request));
    for (const auto& [key, value] : AlbumTags()) {
        EXPECT_FALSE(got.Tags.contains(key)) << key;
    }
}

TEST_F(TagCopyingTest, CoverNeverBecomesTheVideoOfAVideoProfile) {
    const std::string source = test::Fixture("mp4_h264_aac_cover.mp4").string();
    ScratchDir out("tags-video");
    TJobRequest request = Request("mkv", source, out.Folder());
    request.KeepVideo = true;
    const TReadBack video = ReadBack(Convert(request));
    EXPECT_EQ(video.MovingVideo, 1);
    EXPECT_EQ(video.Covers, 0);
    // The video's own geometry and rate, not the 200x150 cover's.
    EXPECT_EQ(video.VideoWidth, 320);
    EXPECT_EQ(video.VideoHeight, 240);
    EXPECT_NEAR(av_q2d(video.VideoRate), 25.0, 0.01);

    // An audio output takes the picture as its cover only.
    const TReadBack audio = ReadBack(Convert(Request("mp3", source, out.Folder())));
    EXPECT_EQ(audio.MovingVideo, 0);
    EXPECT_EQ(audio.Covers, 1);
}

// A wide film frame and the temporary folder the run uses, to see it left empty.
class VideoFrameCoverTest : public TagCopyingTest {
protected:
    void SetUp() override {
        TagCopyingTest::SetUp();
        const char* old = std::getenv("TMPDIR");
        old_tmpdir_ = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
        setenv("TMPDIR", temp_.Path().c_str(), 1);
        WriteClip(film_.Path() / "wide.mp4",
                  ClipRecipe{.duration_s = 2.0,
                             .streams = {Video("mpeg4", 1280, 544, AVRational{25, 1}),
                                         Audio("aac", 44100, 2, 1000.0, 0.5)}});
    }
    void TearDown() override {
        if (old_tmpdir_) {
            setenv("TMPDIR", old_tmpdir_->c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
        TagCopyingTest::TearDown();
    }
    std::string Film() const { return (film_.Path() / "wide.mp4").string(); }
    bool TempEmpty() const { return std::filesystem::is_empty(temp_.Path()); }

    ScratchDir temp_{"cover-temp"};
    ScratchDir film_{"cover-film"};
    ScratchDir out_{"cover-out"};
    std::optional<std::string> old_tmpdir_;
};

TEST_F(VideoFrameCoverTest, AFrameBecomesASmallJpegCoverOnlyWhenAsked) {
    struct Case {
        const char* ext;
        bool on;
    };
    for (const Case c :
         {Case{"mp3", true}, Case{"m4a", true}, Case{"flac", true}, Case{"mp3", false}}) {
        SCOPED_TRACE(std::string(c.ext) + (c.on ? " on" : " off"));
        TJobRequest request = Request(c.ext, Film(), out_.Folder());
        request.CoverFromVideo = c.on;
        const TReadBack got = ReadBack(Convert(request));
        EXPECT_TRUE(TempEmpty());
        EXPECT_EQ(got.MovingVideo, 0);
        ASSERT_EQ(got.Covers, c.on ? 1 : 0);
        if (c.on) {
            EXPECT_EQ(got.CoverCodec, AV_CODEC_ID_MJPEG);
            EXPECT_EQ(std::max(got.DecodedWidth, got.DecodedHeight), 600);
            EXPECT_NEAR(double(got.DecodedWidth) / got.DecodedHeight, 1280.0 / 544.0, 0.03);
        }
    }
}

// The Ogg reader turns a picture comment back into a cover stream: one only
// appears when the comment's text and picture block are sound.
TEST_F(VideoFrameCoverTest, OggCarriesTheCoverAsAPictureComment) {
    struct Case {
        std::string source;
        bool from_video;
        int width, height;
    };
    const Case cases[] = {{test::Fixture("m4a_aac_cover.m4a").string(), false, 200, 150},
                          {Film(), true, 600, 256},
                          {Film(), false, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source + (c.from_video ? " from video" : ""));
        TJobRequest request = Request("ogg", c.source, out_.Folder());
        request.CoverFromVideo = c.from_video;
        const TReadBack got = ReadBack(Convert(request));
        EXPECT_TRUE(TempEmpty());
        ASSERT_EQ(got.Covers, c.width > 0 ? 1 : 0);
        EXPECT_EQ(got.DecodedWidth, c.width);
        EXPECT_EQ(got.DecodedHeight, c.height);
        EXPECT_EQ(got.Tags.count("metadata_block_picture"), 0u) << "left as a plain tag";
    }
}

}  // namespace
}  // namespace v2m
