// Job building: the records and output names a row becomes, and real
// conversions of a generated video with the records it builds, through every
// shipped profile.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "AudioAnalysis.h"
#include "ConversionTestSupport.h"
#include "CoreTestSupport.h"
#include "FFConverter.h"
#include "FFmpegLogger.h"
#include "JobBuilding.h"
#include "MainThread.h"
#include "Profiles.h"
#include "TestSupport.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;
using test::WriteText;

TOptionChoice Choice(TOptionList list, int index) {
    const auto items = OptionListInfo(list).Items;
    return {index, std::string(items[static_cast<size_t>(index)])};
}

// A request for `source` into `folder` with every list at "Auto".
TJobRequest Request(const std::string& ext, const std::string& source, const std::string& folder) {
    TJobRequest request;
    request.ProfileExt = ext;
    request.SampleRate = Choice(olQuality, 0);
    request.Channel = Choice(olChannels, 0);
    request.BitRate = Choice(olBitRates, 0);
    request.Volume = Choice(olVolume, 0);
    request.OutputFolder = folder;
    request.SourceFileName = source;
    return request;
}

TEST(JobBuildingTest, AllAutoMp3CarriesOnlyTheNameAndNoSubtitles) {
    ScratchDir out("job-auto");
    std::set<std::string> batch;
    const TJob job = BuildJob(Request("MP3", "/videos/clip.avi", out.Folder()), batch);

    EXPECT_EQ(job.Input.FileName, "/videos/clip.avi");
    EXPECT_EQ(job.Input.FileFormat, "");
    EXPECT_EQ(job.Input.ExtOptions, "vn=1");

    TOutputOptions expected;
    expected.FileName = out.Folder() + "clip.mp3";
    expected.DisableSubtitle = true;
    const TOutputOptions& got = job.Output;
    EXPECT_EQ(got.FileName, expected.FileName);
    EXPECT_TRUE(got.DisableSubtitle);
    // Everything else keeps its "not set" value, for the engine to choose.
    EXPECT_EQ(got.AudioChannels, expected.AudioChannels);
    EXPECT_EQ(got.AudioSampleRate, expected.AudioSampleRate);
    EXPECT_EQ(got.AudioBitrate, expected.AudioBitrate);
    EXPECT_EQ(got.AudioVolume, expected.AudioVolume);
    EXPECT_EQ(got.AudioCodec, expected.AudioCodec);
    EXPECT_EQ(got.VideoCodec, expected.VideoCodec);
    EXPECT_EQ(got.FileFormat, expected.FileFormat);
    EXPECT_EQ(got.TargetType, expected.TargetType);
    EXPECT_EQ(got.FrameSize, expected.FrameSize);
    EXPECT_EQ(got.ExtOptions, expected.ExtOptions);
}

TEST(JobBuildingTest, ListsAndExtensionsGiveTheirSettings) {
    struct Case {
        const char* ext;
        int quality, channels, bit_rate;
        int32_t rate, channel_count, bits;  // expected
        const char* audio_codec;
        const char* video_codec;
        const char* suffix;
        int target;
    };
    // quality 4 is "44100", channels 2 "Stereo", bit rate 9 "128".
    const Case cases[] = {
        {"mp3", 4, 2, 9, 44100, 2, 128000, "", "", ".mp3", 0},
        {"mp3", 1, 1, 1, 8000, 1, 32000, "", "", ".mp3", 0},
        {"wav", 4, 2, 0, -1, 2, -1, "", "", ".wav", 0},
        {"AU", 5, 0, 0, -1, -1, -1, "", "", ".au", 0},
        {"3gp", 4, 2, 9, 8000, 1, 7400, "aac", "", ".3gp", 0},
        {"ogg", 0, 0, 0, -1, -1, -1, "libvorbis", "libtheora", ".ogg", 0},
        {"wma", 0, 0, 0, -1, -1, -1, "wmav2", "", ".wma", 0},
        {"wmv", 0, 0, 0, -1, -1, -1, "wmav2", "wmv2", ".wmv", 0},
        {"psp", 4, 0, 0, 24000, -1, -1, "aac", "mpeg4", "_psp.mp4", 0},
        {"ipod", 0, 0, 0, -1, -1, -1, "aac", "mpeg4", "_ipod.mp4", 0},
        {"rm10", 0, 0, 0, -1, -1, -1, "", "rv10", "_rv10.rm", 0},
        {"rm20", 0, 0, 0, -1, -1, -1, "", "rv20", "_rv20.rm", 0},
        {"mkv", 0, 0, 0, -1, -1, -1, "", "libx264", ".mkv", 0},
        {"mp4", 0, 0, 0, -1, -1, -1, "", "", ".mp4", 0},
        {"vcd", 0, 0, 0, -1, -1, -1, "", "", "_vcd_auto.mpg", 1},
        {"SVCD", 0, 0, 0, -1, -1, -1, "", "", "_svcd_auto.mpg", 2},
        {"dvd", 0, 0, 0, -1, -1, -1, "", "", "_dvd_auto.mpg", 3},
        // The empty extension's key "." lies inside the family's text.
        {"", 0, 0, 0, -1, -1, -1, "", "", "__auto.mpg", 3},
        {"d", 0, 0, 0, -1, -1, -1, "", "", "_d_auto.mpg", 3},
        {"cd", 0, 0, 0, -1, -1, -1, "", "", ".cd", 0},
    };
    ScratchDir out("job-ext");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ext);
        TJobRequest request = Request(c.ext, "/in/clip.avi", out.Folder());
        request.SampleRate = Choice(olQuality, c.quality);
        request.Channel = Choice(olChannels, c.channels);
        request.BitRate = Choice(olBitRates, c.bit_rate);
        std::set<std::string> batch;
        const TOutputOptions got = BuildOutputOptions(request, batch);
        EXPECT_EQ(got.AudioSampleRate, c.rate);
        EXPECT_EQ(got.AudioChannels, c.channel_count);
        EXPECT_EQ(got.AudioBitrate, c.bits);
        EXPECT_EQ(got.AudioCodec, c.audio_codec);
        EXPECT_EQ(got.VideoCodec, c.video_codec);
        EXPECT_EQ(got.FileName, out.Folder() + "clip" + c.suffix);
        EXPECT_EQ(got.TargetType, c.target);
        EXPECT_EQ(got.TargetNorm, 0);
        EXPECT_EQ(got.TargetDefaultNorm, 1);
        EXPECT_TRUE(got.DisableSubtitle);
        // Only a video profile lets the input's pictures through.
        for (const bool video : {false, true}) {
            request.KeepVideo = video;
            EXPECT_EQ(BuildInputOptions(request).ExtOptions, video ? "" : "vn=1");
        }
    }
}

TEST(JobBuildingTest, AudioIsCopiedOnlyWhenNothingNeedsDecoding) {
    test::LoadConverterLibs();
    ScratchDir out("job-copy");
    struct Case {
        std::string ext;
        std::string codec;  // the chosen track's
        void (*change)(TJobRequest&);
        bool copied;
        bool adts_filter;
    };
    const auto none = [](TJobRequest&) {};
    const std::vector<Case> cases = {
        {"mp3", "mp3", none, true, false},
        {"m4a", "aac", none, true, true},
        {"ogg", "vorbis", none, true, false},
        {"wav", "pcm_s16le", none, true, false},
        {"mp3", "aac", none, false, false},
        {"m4a", "mp3", none, false, false},
        {"mp3", "", none, false, false},
        {"3gp", "aac", none, false, false},  // the container fixes mono at 8 kHz
        {"mp3", "mp3", [](TJobRequest& r) { r.Volume = Choice(olVolume, 1); }, false, false},
        {"mp3", "mp3", [](TJobRequest& r) { r.SampleRate = Choice(olQuality, 1); }, false, false},
        {"mp3", "mp3", [](TJobRequest& r) { r.Channel = Choice(olChannels, 1); }, false, false},
        {"mp3", "mp3", [](TJobRequest& r) { r.BitRate = Choice(olBitRates, 1); }, false, false},
        {"mp3", "mp3", [](TJobRequest& r) { r.NormalizeLoudness = true; }, false, false},
        {"mp3", "mp3", [](TJobRequest& r) { r.CopyAudioWhenPossible = false; }, false, false},
        {"mp3", "mp3", [](TJobRequest& r) { r.KeepVideo = true; }, false, false},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        TJobRequest request = Request(cases[i].ext, "/videos/clip.avi", out.Folder());
        request.AudioCodecName = cases[i].codec;
        cases[i].change(request);
        std::set<std::string> batch;
        const TOutputOptions output = BuildJob(request, batch).Output;
        EXPECT_EQ(AudioCopyPossible(request), cases[i].copied);
        EXPECT_EQ(output.AudioCodec == "copy", cases[i].copied);
        EXPECT_EQ(output.ExtOptions.find("absf=aac_adtstoasc") != std::string::npos,
                  cases[i].adts_filter);
    }
}

TEST(JobBuildingTest, ANamedTrackMapsEveryOutputStream) {
    TJobRequest request = Request("mp3", "/videos/clip.mkv", "/out/");
    EXPECT_EQ(OutputStreamMaps(request), "");
    request.AudioStream = 2;
    EXPECT_EQ(OutputStreamMaps(request), "map=0:2\n");
    // A video profile maps the picture first, as the engine makes it first.
    request.KeepVideo = true;
    request.VideoStream = 0;
    EXPECT_EQ(OutputStreamMaps(request), "map=0:0\nmap=0:2\n");
}

TEST(JobBuildingTest, VolumeItemsScaleTheSourceLevel) {
    ScratchDir out("job-volume");
    // 256 is the source's own level, so "100" must leave it alone.
    const int32_t expected[] = {-1, 64, 128, 192, 256, 320, 384, 448, 512};
    for (size_t i = 0; i < kVolumeItems.size(); ++i) {
        TJobRequest request = Request("mp3", "/in/a.avi", out.Folder());
        request.Volume = Choice(olVolume, static_cast<int>(i));
        std::set<std::string> batch;
        EXPECT_EQ(BuildOutputOptions(request, batch).AudioVolume, expected[i]) << kVolumeItems[i];
    }
}

// Normalising hands the target to the engine and leaves the volume to it,
// whatever the Volume list says.
TEST(JobBuildingTest, NormalisationReplacesTheVolumeItem) {
    ScratchDir out("job-loudness");
    for (const double target : kLoudnessTargets) {
        TJobRequest request = Request("mp3", "/in/a.avi", out.Folder());
        request.Volume = Choice(olVolume, 2);
        request.NormalizeLoudness = true;
        request.LoudnessTarget = target;
        std::set<std::string> batch;
        const TOutputOptions got = BuildOutputOptions(request, batch);
        EXPECT_EQ(got.AudioVolume, -1);
        EXPECT_EQ(got.ExtOptions, "loudness_target=" + std::to_string(static_cast<int>(target)));
    }
}

TEST(JobBuildingTest, ItemsThatAreNotNumbersFallBack) {
    struct Case {
        const char* item;
        int32_t fallback, expected;
    };
    const Case cases[] = {{"44100", 1, 44100},  {"x", 22050, 22050}, {"", 64, 64},
                          {"12k", 100, 100},    {"+7", 0, 7},        {"-3", 0, -3},
                          {"99999999999", 5, 5}};
    for (const Case& c : cases) {
        EXPECT_EQ(OptionItemValue(c.item, c.fallback), c.expected) << c.item;
    }
    TJobRequest request = Request("mp3", "/in/a.avi", "/tmp/");
    request.SampleRate = {3, "fast"};
    request.Volume = {2, "loud"};
    request.BitRate = {1, "best"};
    std::set<std::string> batch;
    const TOutputOptions got = BuildOutputOptions(request, batch);
    EXPECT_EQ(got.AudioSampleRate, 22050);
    EXPECT_EQ(got.AudioVolume, 256);
    EXPECT_EQ(got.AudioBitrate, 64000);
}

TEST(JobBuildingTest, OutputNamesAvoidExistingFilesAndEarlierJobs) {
    ScratchDir out("job-names");
    const std::string typed = out.Path().string();  // no trailing "/"
    {
        std::set<std::string> batch;
        const TJob job = BuildJob(Request("mp3", "/in/clip.avi", typed), batch);
        EXPECT_EQ(job.OutputFolder, typed + "/");
        EXPECT_EQ(job.Output.FileName, typed + "/clip.mp3");
    }
    WriteText(out.Path() / "clip.mp3", "x");
    WriteText(out.Path() / "clip_(new_1).mp3", "x");
    // A folder of the name does not count as taken.
    fs::create_directory(out.Path() / "clip_(new_2).mp3.d");
    std::set<std::string> batch;
    EXPECT_EQ(BuildJob(Request("mp3", "/in/clip.avi", typed), batch).Output.FileName,
              typed + "/clip_(new_2).mp3");
    // Another folder's clip.avi in the same run must not overwrite the first.
    EXPECT_EQ(BuildJob(Request("mp3", "/other/clip.mov", typed), batch).Output.FileName,
              typed + "/clip_(new_3).mp3");
    EXPECT_EQ(batch.size(), 2u);
    // Existing files are never chosen.
    EXPECT_TRUE(fs::exists(out.Path() / "clip.mp3"));
    fs::create_directory(out.Path() / "sub");
    EXPECT_EQ(BuildJob(Request("mp3", "/in/clip.avi", typed + "/sub"), batch).Output.FileName,
              typed + "/sub/clip.mp3");
}

TEST(JobBuildingTest, SameFolderAsInputNamesTheOutputBesideItsInput) {
    ScratchDir in("job-same");
    struct Case {
        std::string source, expected;
    };
    const Case cases[] = {
        {in.Folder() + "clip.avi", in.Folder() + "clip.mp3"},
        {in.Folder() + "two.dots.mov", in.Folder() + "two.dots.mp3"},
        {in.Folder() + "noext", in.Folder() + "noext.mp3"},
        // A name that is all extension gives no hidden output.
        {in.Folder() + ".mp4", in.Folder() + "mp4.mp3"},
        {in.Folder() + ".hidden.avi", in.Folder() + "hidden.mp3"},
    };
    fs::create_directory(in.Path() / "dir.d");
    for (const Case& c : cases) {
        TJobRequest request = Request("mp3", c.source, "/does/not/matter");
        request.SameFolderAsInput = true;
        std::set<std::string> batch;
        const TJob job = BuildJob(request, batch);
        EXPECT_EQ(job.Output.FileName, c.expected);
        // The output folder text is left as it was.
        EXPECT_EQ(job.OutputFolder, "/does/not/matter");
    }
    TJobRequest request = Request("mp3", in.Folder() + "dir.d/noext", "");
    request.SameFolderAsInput = true;
    std::set<std::string> batch;
    EXPECT_EQ(BuildJob(request, batch).Output.FileName, in.Folder() + "dir.d/noext.mp3");
}

// What the media libraries' own stream reader says of a file's streams, every
// frame decoded: per stream its fields by name.
using TStreamFields = std::map<std::string, std::string>;
std::vector<TStreamFields> IndependentStreamReport(const std::string& file) {
    const std::string command =
        "ffprobe -v error -count_frames -show_entries "
        "stream=codec_type,codec_name,width,height,r_frame_rate,nb_read_frames -of compact=p=0 '" +
        file + "' 2>&1";
    std::vector<TStreamFields> streams;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return streams;
    }
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::istringstream fields(line);
        TStreamFields stream;
        for (std::string field; std::getline(fields, field, '|');) {
            const size_t equals = field.find('=');
            if (equals != std::string::npos) {
                stream[field.substr(0, equals)] = field.substr(equals + 1);
            }
        }
        while (!stream.empty() && !stream.rbegin()->second.empty() &&
               stream.rbegin()->second.back() == '\n') {
            stream.rbegin()->second.pop_back();
        }
        streams.push_back(stream);
    }
    ::pclose(pipe);
    return streams;
}

// What a video profile's output must hold, for the 320x240 25 fps source.
struct TVideoExpectation {
    std::string video;  // codec name
    int width = 0;
    int height = 0;
    std::string rate;
    std::string audio;  // codec name
};

const std::map<std::string, TVideoExpectation>& VideoExpectations() {
    static const std::map<std::string, TVideoExpectation> expected = {
        {"psp", {"mpeg4", 320, 240, "15000/1001", "aac"}},
        {"ipod", {"mpeg4", 320, 240, "25/1", "aac"}},
        {"mkv", {"h264", 320, 240, "25/1", "vorbis"}},
        {"wmv", {"wmv2", 320, 240, "25/1", "wmav2"}},
        {"3gp", {"h263", 128, 96, "25/1", "aac"}},
        {"rm10", {"rv10", 320, 240, "25/1", "ac3"}},
        {"rm20", {"rv20", 320, 240, "25/1", "ac3"}},
        {"vcd", {"mpeg1video", 352, 288, "25/1", "mp2"}},
        {"svcd", {"mpeg2video", 480, 576, "25/1", "mp2"}},
        {"dvd", {"mpeg2video", 720, 576, "25/1", "ac3"}},
    };
    return expected;
}

void ExpectVideoStreams(const std::string& ext, const std::string& file, double seconds) {
    const auto found = VideoExpectations().find(ext);
    ASSERT_NE(found, VideoExpectations().end()) << "no expectation for the video profile " << ext;
    const TVideoExpectation& want = found->second;
    std::map<std::string, TStreamFields> by_type;
    std::map<std::string, int> counts;
    for (const TStreamFields& stream : IndependentStreamReport(file)) {
        const std::string type = stream.count("codec_type") ? stream.at("codec_type") : "?";
        by_type[type] = stream;
        ++counts[type];
    }
    ASSERT_EQ(counts["video"], 1) << ::testing::PrintToString(counts);
    ASSERT_EQ(counts["audio"], 1) << ::testing::PrintToString(counts);
    TStreamFields& video = by_type["video"];
    EXPECT_EQ(video["codec_name"], want.video);
    EXPECT_EQ(video["width"], std::to_string(want.width));
    EXPECT_EQ(video["height"], std::to_string(want.height));
    EXPECT_EQ(video["r_frame_rate"], want.rate);
    // Every picture decodes: as many as the source's time holds at the new rate.
    const size_t slash = want.rate.find('/');
    const double rate =
        std::stod(want.rate.substr(0, slash)) / std::stod(want.rate.substr(slash + 1));
    EXPECT_NEAR(std::atof(video["nb_read_frames"].c_str()), seconds * rate, 2.0);
    EXPECT_EQ(by_type["audio"]["codec_name"], want.audio);
    EXPECT_GT(std::atoi(by_type["audio"]["nb_read_frames"].c_str()), 0);
}

// Real conversions of a generated video with the records job building makes.
class JobConversionTest : public test::ConvertingTest {
protected:
    // Converts one job on the calling thread; the terminate info of its task.
    TTerminateInfo Convert(TJob job) {
        TFFConverter converter;
        TTerminateInfo result;
        result.ErrorMessage = "no notification";
        converter.SetOnTerminate([&](TFFBaseComponent*, TTerminateInfo info) {
            if (info.TaskIndex == 0) {
                result = info;
            }
        });
        TAVProbe& probe = converter.Probe();
        EXPECT_TRUE(probe.LoadFile(job.Input.FileName)) << probe.LastError();
        const int task = converter.AddTask(job.Input.FileName, &job.Input);
        EXPECT_EQ(task, 0) << converter.LastError();
        EXPECT_TRUE(converter.SetOutputFile(task, job.Output.FileName, &job.Output))
            << converter.LastError();
        converter.StartTask(0);
        return result;
    }
};

TEST_F(JobConversionTest, EveryShippedProfileConvertsAVideo) {
    const std::vector<TConvertProfile> profiles = LoadProfiles(V2M_OUTPUT_DIR);
    ASSERT_FALSE(profiles.empty());
    const std::string source = test::Fixture("avi_mpeg4_mp2.avi").string();
    const fixtures::AudioAnalysis original = fixtures::AnalyzeAudio(source);
    ScratchDir out("job-profiles");
    std::set<std::string> batch;
    for (const TConvertProfile& profile : profiles) {
        SCOPED_TRACE(profile.Caption + " (" + profile.Ext + ")");
        const TProfileOptions options = ProfileOptions(profile);
        TJobRequest request = Request(profile.Ext, source, out.Folder());
        request.SampleRate = Choice(olQuality, options[olQuality].ItemIndex);
        request.Channel = Choice(olChannels, options[olChannels].ItemIndex);
        request.BitRate = Choice(olBitRates, options[olBitRates].ItemIndex);
        request.Volume = Choice(olVolume, options[olVolume].ItemIndex);
        request.KeepVideo = IsVideoProfile(profile);
        const TJob job = BuildJob(request, batch);
        const TTerminateInfo end = Convert(job);
        ASSERT_TRUE(end.Finished && !end.Failed) << end.ErrorMessage;
        if (request.KeepVideo) {
            ExpectVideoStreams(profile.Ext, job.Output.FileName, original.duration_s);
        }

        const fixtures::AudioAnalysis got = fixtures::AnalyzeAudio(job.Output.FileName);
        EXPECT_NEAR(got.duration_s, original.duration_s, 0.15);
        EXPECT_NEAR(got.Loudest().frequency_hz, 1000.0, 15.0);
        if (job.Output.AudioSampleRate > 0) {
            EXPECT_EQ(got.sample_rate, job.Output.AudioSampleRate);
        }
        if (job.Output.AudioChannels > 0) {
            EXPECT_EQ(got.channels, job.Output.AudioChannels);
        }
    }
}

TEST_F(JobConversionTest, VolumeHundredKeepsTheLevelAndFiftyHalvesIt) {
    const std::string source = test::Fixture("wav_pcm_44k_stereo.wav").string();
    const double original = fixtures::AnalyzeAudio(source).Loudest().rms_dbfs;
    ScratchDir out("job-level");
    std::set<std::string> batch;
    struct Case {
        int item;  // index in the volume list
        double gain_db;
    };
    // "50", "100", "Auto": half, unchanged, unchanged.
    for (const Case c : {Case{2, -6.02}, Case{4, 0.0}, Case{0, 0.0}}) {
        SCOPED_TRACE(kVolumeItems[static_cast<size_t>(c.item)]);
        TJobRequest request = Request("wav", source, out.Folder());
        request.Volume = Choice(olVolume, c.item);
        const TJob job = BuildJob(request, batch);
        const TTerminateInfo end = Convert(job);
        ASSERT_TRUE(end.Finished && !end.Failed) << end.ErrorMessage;
        const double level = fixtures::AnalyzeAudio(job.Output.FileName).Loudest().rms_dbfs;
        EXPECT_NEAR(level - original, c.gain_db, 0.3);
    }
}

}  // namespace
}  // namespace v2m
