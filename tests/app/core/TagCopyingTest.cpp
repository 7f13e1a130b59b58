// The input's tags and cover picture in real conversions of generated clips,
// read back with the probe.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>

#include "AVProbe.h"
#include "CoreTestSupport.h"
#include "FFConverter.h"
#include "FFmpegLogger.h"
#include "JobBuilding.h"
#include "MainThread.h"
#include "TestSupport.h"

namespace v2m {
namespace {

using test::ScratchDir;

const std::map<std::string, std::string> kAlbumTags = {{"title", "Cover Song"},
                                                       {"artist", "Fixture Band"},
                                                       {"album", "Generated Hits"},
                                                       {"album_artist", "Fixture Orchestra"},
                                                       {"date", "2021"},
                                                       {"track", "7"},
                                                       {"genre", "Ambient"},
                                                       {"comment", "made by the tests"}};

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
    int CoverWidth = 0;
};

TReadBack ReadBack(const std::string& file) {
    TReadBack got;
    TAVProbe probe;
    EXPECT_TRUE(probe.LoadFile(file)) << probe.LastError();
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
            } else {
                ++got.MovingVideo;
            }
        }
    }
    return got;
}

class TagCopyingTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::LoadConverterLibs();
        main_ = std::make_shared<QueuedMainThread>();
        InstallMainThreadServices(main_);
        FFLoggerInstance().SetTriggerEventInMainThread(false);
        FFLoggerInstance().SetLogLevel(llError);
    }
    void TearDown() override {
        FFLoggerInstance().SetLogLevel(llInfo);
        FFLoggerInstance().SetTriggerEventInMainThread(true);
        InstallMainThreadServices(nullptr);
    }

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
        EXPECT_TRUE(converter.SetOutputFile(task, output.FileName, &output))
            << converter.LastError();
        converter.StartTask(task);
        EXPECT_TRUE(result.Finished && !result.Failed) << result.ErrorMessage;
        return job.Output.FileName;
    }

    std::shared_ptr<QueuedMainThread> main_;
    std::set<std::string> batch_;
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
                         Case{"flac", true, "2021"}, Case{"ogg", false, "2021"}}) {
        SCOPED_TRACE(c.ext);
        const std::string file = Convert(Request(c.ext, source, out.Folder()));
        const TReadBack got = ReadBack(file);
        for (const auto& [key, value] : kAlbumTags) {
            const auto found = got.Tags.find(key);
            ASSERT_NE(found, got.Tags.end()) << key;
            EXPECT_EQ(found->second.substr(0, key == "date" ? 4 : std::string::npos),
                      key == "date" ? c.date : value)
                << key;
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

TEST_F(TagCopyingTest, UntitledInputIsTitledByItsFileNameAndSwitchOffCopiesNothing) {
    const std::string source = test::Fixture("avi_mpeg4_mp2.avi").string();
    ScratchDir out("tags-title");
    TJobRequest request = Request("mp3", source, out.Folder());
    EXPECT_EQ(ReadBack(Convert(request)).Tags["title"], "avi_mpeg4_mp2");

    request.SourceFileName = test::Fixture("m4a_aac_cover.m4a").string();
    request.CopyTags = false;
    const TReadBack got = ReadBack(Convert(request));
    for (const auto& [key, value] : kAlbumTags) {
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

    // An audio output takes the picture as its cover only.
    const TReadBack audio = ReadBack(Convert(Request("mp3", source, out.Folder())));
    EXPECT_EQ(audio.MovingVideo, 0);
    EXPECT_EQ(audio.Covers, 1);
}

}  // namespace
}  // namespace v2m
