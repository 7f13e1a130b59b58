// Targets and presets: norm detection from real inputs, the settings of each
// target reaching real encoders and muxers, and preset lookup and syntax.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "EngineMedia.h"
#include "EngineTestSupport.h"
#include "FFmpegLoader.h"
#include "TestSupport.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using test::EngineTest;
using test::Fixture;
using test::SpecialClip;

class TargetTest : public EngineTest {
protected:
    AVCodecContext* VideoTemplate() {
        return engine_->OptionContexts().Codecs[AVMEDIA_TYPE_VIDEO].get();
    }
    AVCodecContext* AudioTemplate() {
        return engine_->OptionContexts().Codecs[AVMEDIA_TYPE_AUDIO].get();
    }
    int Verbose(const std::string& text) {
        int count = 0;
        for (const std::string& line : TextsAt(llVerbose)) {
            count += line == text ? 1 : 0;
        }
        return count;
    }
    static int OpenEncoder(TOutputStream* record) {
        AVCodecLock lock;
        return ff::avcodec_open2(record->Codec.get(), record->Encoder, nullptr);
    }
    fs::path WriteText(const std::string& name, const std::string& text) {
        const fs::path path = dir_.Path() / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    test::TempDir dir_{"engine-target"};
};

TEST_F(TargetTest, NormFromTheOptionOrTheInput) {
    struct Case {
        const char* input;  // null: no input
        const char* target;
        int width, height;
        AVRational rate;
        const char* assumed;  // the verbose line, or null when the norm was given
    };
    const std::string pal25 = Fixture("avi_mpeg4_mp2.avi").string();
    const std::string ntsc = SpecialClip(test::kNtscVideo).string();
    const std::string fps15 = SpecialClip(test::kVideo15Fps).string();
    const Case cases[] = {
        {nullptr, "pal-dvd", 720, 576, {25, 1}, nullptr},
        {nullptr, "ntsc-svcd", 480, 480, {30000, 1001}, nullptr},
        {nullptr, "film-vcd", 352, 240, {24000, 1001}, nullptr},
        {pal25.c_str(), "dvd", 720, 576, {25, 1}, "Assuming PAL for target."},
        {ntsc.c_str(), "dvd", 720, 480, {30000, 1001}, "Assuming NTSC for target."},
        // 15 frames per second decide nothing; the option's default norm is NTSC.
        {fps15.c_str(), "vcd", 352, 240, {30000, 1001}, "Assuming NTSC for target."},
        {pal25.c_str(), " ntsc-vcd ", 352, 240, {30000, 1001}, nullptr},
    };
    FFLoggerInstance().SetLogLevel(llVerbose);
    for (const Case& c : cases) {
        engine_->Prepare();
        if (c.input != nullptr) {
            ASSERT_TRUE(engine_->OpenInputFile(c.input)) << engine_->LastErrorText();
        }
        ClearLog();
        engine_->SetOption("target", c.target);
        const TEngineOptions& o = options();
        EXPECT_EQ(o.FrameWidth, c.width) << c.target;
        EXPECT_EQ(o.FrameHeight, c.height) << c.target;
        EXPECT_EQ(o.FrameRate.num, c.rate.num) << c.target;
        EXPECT_EQ(o.FrameRate.den, c.rate.den) << c.target;
        if (c.assumed != nullptr) {
            EXPECT_EQ(Verbose(c.assumed), 1) << c.target;
        } else {
            EXPECT_EQ(Verbose("Assuming PAL for target.") + Verbose("Assuming NTSC for target."),
                      0);
        }
    }
}

TEST_F(TargetTest, DirectCallTakesItsOwnDefaultNorm) {
    const std::string input = SpecialClip(test::kVideo15Fps).string();
    ASSERT_TRUE(engine_->OpenInputFile(input));
    engine_->SetTarget("dvd", "", "pal");
    EXPECT_EQ(options().FrameHeight, 576);
    engine_->Prepare();
    ASSERT_TRUE(engine_->OpenInputFile(input));
    engine_->SetTarget("dvd", "auto", "film");
    EXPECT_EQ(options().FrameRate.num, 24000);
    EXPECT_EQ(options().FrameHeight, 480);
}

TEST_F(TargetTest, Failures) {
    struct Case {
        const char* input;
        const char* target;
        std::string error;
    };
    const Case cases[] = {
        {"wav_pcm_44k_stereo.wav", "dvd", "frame_rate is invalid."},
        {"avi_mpeg4_mp2.avi", "cd", "Unknown target type"},
        {"wav_pcm_44k_stereo.wav", "pal-cd", "Unknown target type"},
    };
    for (const Case& c : cases) {
        engine_->Prepare();
        ASSERT_TRUE(engine_->OpenInputFile(Fixture(c.input).string()));
        EXPECT_EQ(test::MessageOf<FFmpegException>([&] { engine_->SetOption("target", c.target); }),
                  c.error);
        // Nothing of any target was applied.
        EXPECT_TRUE(options().FormatName.empty());
        EXPECT_TRUE(options().VideoCodecName.empty());
    }
}

TEST_F(TargetTest, CamcorderFormats) {
    struct Case {
        const char* target;
        AVPixelFormat format;
        AVRational rate;
        int height;
    };
    const Case cases[] = {
        {"film-dv", AV_PIX_FMT_YUV411P, {24000, 1001}, 480},
        {"film-dv50", AV_PIX_FMT_YUV422P, {24000, 1001}, 480},
        {"pal-dv", AV_PIX_FMT_YUV420P, {25, 1}, 576},
        {"ntsc-dv", AV_PIX_FMT_YUV411P, {30000, 1001}, 480},
    };
    for (const Case& c : cases) {
        engine_->Prepare();
        engine_->SetOption("ac", "6");
        engine_->SetOption("target", c.target);
        const TEngineOptions& o = options();
        EXPECT_EQ(o.FramePixFmt, c.format) << c.target;
        EXPECT_EQ(o.FrameRate.num, c.rate.num) << c.target;
        EXPECT_EQ(o.FrameRate.den, c.rate.den) << c.target;
        EXPECT_EQ(o.FrameWidth, 720) << c.target;
        EXPECT_EQ(o.FrameHeight, c.height) << c.target;
        EXPECT_EQ(o.FormatName, "dv");
        EXPECT_EQ(o.AudioSampleRate, 48000);
        EXPECT_EQ(o.AudioChannels, 2);
        EXPECT_EQ(o.FrameAspectRatio, 0.0f);  // no default aspect for camcorders
    }
}

TEST_F(TargetTest, SvcdAndDvdKeepMoreThanOneChannel) {
    struct Case {
        const char* target;
        const char* channels;
        int expected;
    };
    const Case cases[] = {{"pal-svcd", "6", 6},
                          {"pal-svcd", "1", 2},
                          {"pal-dvd", "1", 2},
                          {"pal-dvd", "6", 6},
                          {"pal-vcd", "6", 2}};
    for (const Case& c : cases) {
        engine_->Prepare();
        engine_->SetOption("ac", c.channels);
        engine_->SetOption("target", c.target);
        EXPECT_EQ(options().AudioChannels, c.expected) << c.target << " " << c.channels;
    }
}

TEST_F(TargetTest, DiscSettingsReachEncodersAndMuxer) {
    struct Case {
        const char* target;
        const char* format;
        const char *video, *audio;
        int64_t bit_rate, max_rate, min_rate;
        int buffer, gop, audio_rate, sample_rate, packet_size;
        int64_t mux_rate;  // 0: the muxer's own
        int64_t preload;
        bool scan_offset;
    };
    const Case cases[] = {
        {"pal-vcd", "vcd", "mpeg1video", "mp2", 1150000, 1150000, 1150000, 327680, 15, 224000,
         44100, 2324, 1411200, 440000, false},
        {"ntsc-svcd", "svcd", "mpeg2video", "mp2", 2040000, 2516000, 0, 1835008, 18, 224000, 44100,
         2324, 0, 500000, true},
        {"pal-dvd", "dvd", "mpeg2video", "ac3", 6000000, 9000000, 0, 1835008, 15, 448000, 48000,
         2048, 10080000, 500000, false},
    };
    for (const Case& c : cases) {
        engine_->Prepare();
        ASSERT_TRUE(engine_->OpenInputFile(Fixture("avi_mpeg4_mp2.avi").string()));
        engine_->SetOption("target", c.target);
        EXPECT_EQ(options().FormatName, c.format);
        EXPECT_EQ(options().VideoCodecName, c.video);
        EXPECT_EQ(options().AudioCodecName, c.audio);
        const std::string name = (dir_.Path() / (std::string(c.target) + ".mpg")).string();
        ASSERT_EQ(engine_->OpenOutputFile(name, false), 1) << engine_->LastErrorText();
        AVFormatContext* output = engine_->OutputFile(0);
        EXPECT_STREQ(output->oformat->name, c.format);
        EXPECT_EQ(output->packet_size, c.packet_size) << c.target;
        int64_t value = -1;
        ASSERT_GE(ff::av_opt_get_int(output->priv_data, "muxrate", 0, &value), 0);
        EXPECT_EQ(value, c.mux_rate) << c.target;
        ASSERT_GE(ff::av_opt_get_int(output->priv_data, "preload", 0, &value), 0);
        EXPECT_EQ(value, c.preload) << c.target;

        ASSERT_EQ(output->nb_streams, 2u);
        TOutputStream* video = engine_->FindOutputStream(output, 0);
        TOutputStream* audio = engine_->FindOutputStream(output, 1);
        const AVCodecContext* v = video->Codec.get();
        EXPECT_STREQ(video->Encoder->name, c.video);
        EXPECT_EQ(v->bit_rate, c.bit_rate) << c.target;
        EXPECT_EQ(v->rc_max_rate, c.max_rate) << c.target;
        EXPECT_EQ(v->rc_min_rate, c.min_rate) << c.target;
        EXPECT_EQ(v->rc_buffer_size, c.buffer) << c.target;
        EXPECT_EQ(v->gop_size, c.gop) << c.target;
        ASSERT_GE(ff::av_opt_get_int(video->Codec->priv_data, "scan_offset", 0, &value), 0);
        EXPECT_EQ(value != 0, c.scan_offset) << c.target;
        EXPECT_STREQ(audio->Encoder->name, c.audio);
        EXPECT_EQ(audio->Codec->bit_rate, c.audio_rate) << c.target;
        EXPECT_EQ(audio->Codec->sample_rate, c.sample_rate) << c.target;
        // The disc's 4:3 picture of the 320x240 input.
        EXPECT_NEAR(av_q2d(v->sample_aspect_ratio) * v->width / v->height, 4.0 / 3.0, 0.02);
        EXPECT_EQ(OpenEncoder(video), 0) << c.target;
        EXPECT_EQ(OpenEncoder(audio), 0) << c.target;
    }
}

TEST_F(TargetTest, DefaultAspectWithoutAnInputPicture) {
    struct Case {
        const char* target;
        float aspect;
        const char* line;
    };
    const Case cases[] = {{"pal-dvd", 16.0f / 9.0f, "Assuming 16:9 for aspect ratio"},
                          {"pal-vcd", 4.0f / 3.0f, "Assuming 4:3 for aspect ratio"},
                          {"pal-svcd", 4.0f / 3.0f, "Assuming 4:3 for aspect ratio"}};
    for (const Case& c : cases) {
        engine_->Prepare();
        ClearLog();
        engine_->SetOption("target", c.target);
        EXPECT_FLOAT_EQ(options().FrameAspectRatio, c.aspect);
        const auto lines = TextsAt(llInfo);
        EXPECT_NE(std::find(lines.begin(), lines.end(), c.line), lines.end()) << c.target;
    }
    // An input's picture keeps its own aspect.
    engine_->Prepare();
    ASSERT_TRUE(engine_->OpenInputFile(SpecialClip(test::kPalSar16x15).string()));
    engine_->SetOption("target", "dvd");
    EXPECT_NEAR(options().FrameAspectRatio, 720.0f * 16 / 15 / 576, 1e-4);
}

// --- Presets --------------------------------------------------------------

TEST_F(TargetTest, PresetLookup) {
    // A name of the table, found through the pending codec name, in any case.
    engine_->SetOption("vcodec", "libx264");
    engine_->SetOption("vpre", "fast");
    EXPECT_EQ(VideoTemplate()->refs, 2);
    EXPECT_EQ(VideoTemplate()->me_subpel_quality, 6);

    engine_->Prepare();
    engine_->SetOption("vcodec", "libx264");
    engine_->SetOption("vpre", "LIBX264-Slow");
    EXPECT_EQ(VideoTemplate()->refs, 5);

    // Found by its full name whatever codec is pending; the other codec then
    // lacks the x264 options.
    engine_->Prepare();
    engine_->SetOption("vcodec", "mpeg4");
    EXPECT_EQ(
        test::MessageOf<FFmpegException>([&] { engine_->SetOption("vpre", "libx264-baseline"); }),
        "libx264-baseline: Invalid option or argument: \"coder=0\", parsed as \"coder\" "
        "= \"0\"");

    engine_->Prepare();
    EXPECT_EQ(test::MessageOf<FFmpegException>([&] { engine_->SetOption("vpre", "fast"); }),
              "Preset \"fast\" not found");
    // Presets of the table serve the video options only when their type's codec is named.
    engine_->SetOption("acodec", "libmp3lame");
    EXPECT_EQ(test::MessageOf<FFmpegException>([&] { engine_->SetOption("apre", "fast"); }),
              "Preset \"fast\" not found");
    // Empty names and values do nothing.
    engine_->ApplyPreset("", "fast");
    engine_->ApplyPreset("vpre", "");
}

TEST_F(TargetTest, PresetFiles) {
    struct Case {
        std::string text;
        std::string error;  // "" = applies; "%s" stands for the file's path
        int qmax;           // the video template's qmax afterwards
    };
    const Case cases[] = {
        {"qmax=51\n\n", "", 51},
        {"  qmin=3\r\nqmax=40\r\n", "", 40},
        {"qmin=3\rqmax=41", "", 41},
        {"qmax=45\nqmax", "%s: Invalid syntax: \"qmax\"", 45},
        {"=5", "%s: Invalid syntax: \"=5\"", 31},
        {"qmax=", "%s: Invalid syntax: \"qmax=\"", 31},
        {"qmax=42\nno_such_option=1",
         "%s: Invalid option or argument: \"no_such_option=1\", parsed as \"no_such_option\" = "
         "\"1\"",
         42},
        {"qmax=abc", "%s: Invalid option or argument: \"qmax=abc\", parsed as \"qmax\" = \"abc\"",
         31},
    };
    int index = 0;
    for (const Case& c : cases) {
        engine_->Prepare();
        const fs::path path = WriteText("preset" + std::to_string(index++) + ".txt", c.text);
        if (c.error.empty()) {
            engine_->SetOption("fpre", path.string());
        } else {
            std::string expected = c.error;
            expected.replace(expected.find("%s"), 2, path.string());
            EXPECT_EQ(test::MessageOf<FFmpegException>(
                          [&] { engine_->SetOption("fpre", path.string()); }),
                      expected);
        }
        EXPECT_EQ(VideoTemplate()->qmax, c.qmax) << c.text;
    }

    // Codec lines set the pending names; file presets serve the typed options too.
    engine_->Prepare();
    const fs::path codecs = WriteText("codecs.txt", "ACodec=libmp3lame\nvcodec=copy\n");
    engine_->SetOption("apre", codecs.string());
    EXPECT_EQ(options().AudioCodecName, "libmp3lame");
    EXPECT_TRUE(options().VideoStreamCopy);
    // fpre reads files only, never the table.
    EXPECT_EQ(
        test::MessageOf<FFmpegException>([&] { engine_->SetOption("fpre", "libx264-default"); }),
        "Preset \"libx264-default\" not found");
}

// The profile of the first H.264 sequence parameter set in the encoder's
// global header (start-code form); 0 without one.
int SequenceProfile(const AVCodecContext* codec) {
    const uint8_t* data = codec->extradata;
    for (int i = 0; data != nullptr && i + 4 < codec->extradata_size; ++i) {
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && (data[i + 3] & 0x1f) == 7) {
            return data[i + 4];
        }
    }
    return 0;
}

// Every built-in preset, with an encoder of its own, and the profile each one
// leads the encoder to.
TEST_F(TargetTest, EveryBuiltinPresetOpensTheEncoder) {
    const char* const kNames[] = {
        "libx264-baseline",
        "libx264-default",
        "libx264-fast",
        "libx264-fast_firstpass",
        "libx264-faster",
        "libx264-faster_firstpass",
        "libx264-fastfirstpass",
        "libx264-hq",
        "libx264-ipod320",
        "libx264-ipod640",
        "libx264-lossless_fast",
        "libx264-lossless_max",
        "libx264-lossless_medium",
        "libx264-lossless_slow",
        "libx264-lossless_slower",
        "libx264-lossless_ultrafast",
        "libx264-main",
        "libx264-max",
        "libx264-medium",
        "libx264-medium_firstpass",
        "libx264-normal",
        "libx264-placebo",
        "libx264-placebo_firstpass",
        "libx264-slow",
        "libx264-slow_firstpass",
        "libx264-slower",
        "libx264-slower_firstpass",
        "libx264-slowfirstpass",
        "libx264-superfast",
        "libx264-superfast_firstpass",
        "libx264-ultrafast",
        "libx264-ultrafast_firstpass",
        "libx264-veryfast",
        "libx264-veryfast_firstpass",
        "libx264-veryslow",
        "libx264-veryslow_firstpass",
    };
    // H.264 profile numbers: constrained baseline 66, main 77, high 100, high 4:4:4 244.
    const std::pair<const char*, int> kProfiles[] = {
        {"libx264-baseline", 66}, {"libx264-ipod320", 66},        {"libx264-main", 77},
        {"libx264-default", 100}, {"libx264-lossless_slow", 244}, {"libx264-ultrafast", 66},
    };
    const std::string input = Fixture("avi_mpeg4_mp2.avi").string();
    int index = 0;
    for (const char* name : kNames) {
        engine_->Prepare();
        ASSERT_TRUE(engine_->OpenInputFile(input));
        engine_->SetOption("an", "1");
        engine_->SetOption("vcodec", "libx264");
        engine_->SetOption("vpre", name);
        const std::string output =
            (dir_.Path() / ("p" + std::to_string(index++) + ".mkv")).string();
        ASSERT_EQ(engine_->OpenOutputFile(output, false), 1) << name;
        TOutputStream* video = engine_->FindOutputStream(engine_->OutputFile(0), 0);
        ASSERT_NE(video, nullptr);
        ASSERT_EQ(OpenEncoder(video), 0) << name;
        // Matroska wants the headers up front; the sequence parameter set names the profile.
        const int profile = SequenceProfile(video->Codec.get());
        ASSERT_GT(profile, 0) << name;
        for (const auto& [preset, expected] : kProfiles) {
            if (std::string(preset) == name) {
                EXPECT_EQ(profile, expected) << name;
            }
        }
    }
}

}  // namespace
}  // namespace v2m
