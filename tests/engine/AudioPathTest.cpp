// The audio path on real conversions: volume in the decoded format, audio
// sync padding and dropping, join mode, timestamp discontinuities with a
// change of audio format, damaged packets and PCM written per block.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "FFmpegTranscoder.h"
#include "MediaOwners.h"
#include "TestSupport.h"
#include "TranscodeSupport.h"

namespace v2m::test {
namespace {

namespace fs = std::filesystem;
using fixtures::AnalyzeAudio;
using fixtures::AudioAnalysis;

constexpr double kHalfDb = -6.0206;  // 20 log10(0.5)

int CountContaining(const std::vector<std::string>& texts, const std::string& wanted) {
    int count = 0;
    for (const std::string& text : texts) {
        count += text.find(wanted) != std::string::npos ? 1 : 0;
    }
    return count;
}

// One frame of `format` holding `values` (on every channel of a planar
// format, interleaved over two channels of a packed one).
template <typename Sample>
FramePtr MakeFrame(AVSampleFormat format, const std::vector<Sample>& values) {
    FramePtr frame(ff::av_frame_alloc());
    frame->format = format;
    frame->sample_rate = 44100;
    ff::av_channel_layout_default(&frame->ch_layout, 2);
    const bool planar = ff::av_sample_fmt_is_planar(format) != 0;
    frame->nb_samples = static_cast<int>(planar ? values.size() : values.size() / 2);
    EXPECT_GE(ff::av_frame_get_buffer(frame.get(), 0), 0);
    for (int p = 0; p < (planar ? 2 : 1); ++p) {
        std::memcpy(frame->extended_data[p], values.data(), values.size() * sizeof(Sample));
    }
    return frame;
}

template <typename Sample>
std::vector<Sample> Plane(const AVFrame* frame, int plane, size_t count) {
    const auto* data = reinterpret_cast<const Sample*>(frame->extended_data[plane]);
    return std::vector<Sample>(data, data + count);
}

class AudioPathTest : public TranscodeTest {};

// Integer samples follow (sample x volume + 128) >> 8 with clipping, floats
// the factor with clipping to [-1, 1]; 256 changes nothing.
TEST_F(AudioPathTest, VolumeInEveryDecodedFormat) {
    {
        SCOPED_TRACE("s16, halved with rounding");
        const std::vector<int16_t> in{3, -3, 100, 32767, -32768, 1};
        const std::vector<int16_t> halved{2, -1, 50, 16384, -16384, 1};
        for (AVSampleFormat format : {AV_SAMPLE_FMT_S16, AV_SAMPLE_FMT_S16P}) {
            FramePtr frame = MakeFrame(format, in);
            engine::ApplyVolume(frame.get(), 128);
            EXPECT_EQ(Plane<int16_t>(frame.get(), 0, in.size()), halved);
        }
    }
    {
        SCOPED_TRACE("s16, doubled and clipped");
        const std::vector<int16_t> in{3, -3, 20000, -20000, 16383, -16384};
        const std::vector<int16_t> doubled{6, -6, 32767, -32768, 32766, -32768};
        FramePtr frame = MakeFrame(AV_SAMPLE_FMT_S16P, in);
        engine::ApplyVolume(frame.get(), 512);
        EXPECT_EQ(Plane<int16_t>(frame.get(), 1, in.size()), doubled);
    }
    {
        SCOPED_TRACE("s32 and u8");
        const std::vector<int32_t> in{3, -3, 2000000000, -2000000000};
        const std::vector<int32_t> doubled{6, -6, 2147483647, -2147483647 - 1};
        FramePtr frame = MakeFrame(AV_SAMPLE_FMT_S32, in);
        engine::ApplyVolume(frame.get(), 512);
        EXPECT_EQ(Plane<int32_t>(frame.get(), 0, in.size()), doubled);
        const std::vector<uint8_t> bytes{128, 131, 125, 255, 0, 200};
        const std::vector<uint8_t> halved_bytes{128, 130, 127, 192, 64, 164};
        FramePtr unsigned_frame = MakeFrame(AV_SAMPLE_FMT_U8P, bytes);
        engine::ApplyVolume(unsigned_frame.get(), 128);
        EXPECT_EQ(Plane<uint8_t>(unsigned_frame.get(), 0, bytes.size()), halved_bytes);
    }
    {
        SCOPED_TRACE("float and double");
        const std::vector<float> in{0.5f, -0.5f, 0.75f, -0.75f, 0.123f, 1.5f};
        FramePtr frame = MakeFrame(AV_SAMPLE_FMT_FLTP, in);
        engine::ApplyVolume(frame.get(), 512);
        EXPECT_EQ(Plane<float>(frame.get(), 1, in.size()),
                  (std::vector<float>{1.0f, -1.0f, 1.0f, -1.0f, 0.246f, 1.0f}));
        FramePtr same = MakeFrame(AV_SAMPLE_FMT_FLT, in);
        engine::ApplyVolume(same.get(), 256);
        EXPECT_EQ(Plane<float>(same.get(), 0, in.size()), in);
        const std::vector<double> wide{0.5, -0.25, 2.0};
        FramePtr doubles = MakeFrame(AV_SAMPLE_FMT_DBLP, wide);
        engine::ApplyVolume(doubles.get(), 128);
        EXPECT_EQ(Plane<double>(doubles.get(), 0, wide.size()),
                  (std::vector<double>{0.25, -0.125, 1.0}));
    }
}

struct VolumeCase {
    const char* source;  // decodes to s16 or to float
    const char* output;
};

class VolumeConversion : public AudioPathTest, public ::testing::WithParamInterface<VolumeCase> {};

// 128 halves the level (-6.02 dB), 512 doubles it and clips at full scale;
// 256 is the source's own level.
TEST_P(VolumeConversion, ScalesLinearlyAndClips) {
    const VolumeCase& c = GetParam();
    const fs::path source = TranscodeClip(c.source);
    AudioAnalysis level[3];
    const int volumes[3] = {256, 128, 512};
    for (int i = 0; i < 3; ++i) {
        engine_->Prepare();
        const fs::path output = Out("vol" + std::to_string(volumes[i]) + "." + c.output);
        Run({{source}, {}, {{"vol", std::to_string(volumes[i])}, {"ab", "320k"}}, output});
        level[i] = AnalyzeAudio(output);
    }
    const AudioAnalysis in = AnalyzeAudio(source);
    EXPECT_NEAR(level[0].Loudest().rms_dbfs, in.Loudest().rms_dbfs, 0.1);
    EXPECT_NEAR(level[1].Loudest().rms_dbfs - level[0].Loudest().rms_dbfs, kHalfDb, 0.1);
    EXPECT_NEAR(level[1].Loudest().frequency_hz, 1000.0, 1.0);
    // 0.75 doubled is beyond full scale: the peaks are cut there, so the
    // level rises by less than 6 dB.
    EXPECT_GT(level[2].Loudest().peak_dbfs, -0.3);
    const double rise = level[2].Loudest().rms_dbfs - level[0].Loudest().rms_dbfs;
    EXPECT_GT(rise, 2.0);
    EXPECT_LT(rise, -kHalfDb - 0.5);
}

INSTANTIATE_TEST_SUITE_P(Volumes, VolumeConversion,
                         ::testing::Values(VolumeCase{kLoudWav, "wav"}, VolumeCase{kLoudWav, "mp3"},
                                           VolumeCase{kLoudM4a, "wav"},
                                           VolumeCase{kLoudM4a, "mp3"}));

TEST_F(AudioPathTest, UnityVolumeAndPcmPerBlockAreBitExact) {
    const fs::path source = Fixture("wav_pcm_44k_stereo.wav");
    Run({{source}, {}, {}, Out("same.wav")});
    const AudioAnalysis in = AnalyzeAudio(source);
    const AudioAnalysis out = AnalyzeAudio(Out("same.wav"));
    EXPECT_EQ(out.samples, in.samples);
    EXPECT_EQ(out.Loudest().rms_dbfs, in.Loudest().rms_dbfs);
    EXPECT_EQ(out.Loudest().peak_dbfs, in.Loudest().peak_dbfs);
}

// Two inputs joined into one output: one header, one trailer, the second
// input shifted behind the first, the sound continuous, the packets in order
// also for a muxer that refuses any other (MP4).
TEST_F(AudioPathTest, JoinTwoInputsIntoOneOutput) {
    for (const char* name : {"joined.mp3", "joined.m4a"}) {
        SCOPED_TRACE(name);
        engine_->Prepare();
        ClearLog();
        Run({{TranscodeClip(kTone10s), TranscodeClip(kTone5s)}, {}, {}, Out(name), true});
        const auto verbose = TextsAt(llVerbose);
        EXPECT_TRUE(Contains(verbose, "  Stream #0.0 -> #0.0 (Audio)"));
        EXPECT_TRUE(Contains(verbose, "  Stream #1.0 -> #0.0 (Audio)"));
        const AudioAnalysis out = AnalyzeAudio(Out(name));
        EXPECT_EQ(out.decode_errors, 0);
        EXPECT_NEAR(out.duration_s, 15.0, 0.15);
        // The seam costs the first part's last partial frame and the encoder's
        // delay (some tens of milliseconds), which the tone's count of periods shows.
        EXPECT_NEAR(out.Loudest().frequency_hz, 1000.0, 5.0);
        EXPECT_NEAR(out.Loudest().rms_dbfs, -9.03, 0.6);
        EXPECT_TRUE(TextsAt(llError).empty());
    }
}

// The second part of a spliced MPEG-TS restarts its timestamps and changes
// from 48 kHz stereo to 44.1 kHz mono: the offset follows the jump (unless
// timestamps are copied), and the converter is remade for the new audio.
TEST_F(AudioPathTest, DiscontinuityAndFormatChangeInMpegTs) {
    for (const bool copy_ts : {false, true}) {
        SCOPED_TRACE(copy_ts ? "copyts" : "corrected");
        engine_->Prepare();
        ClearLog();
        OptionList options{{"v", "3"}};
        if (copy_ts) {
            options.emplace_back("copyts", "1");
        }
        Run({{TranscodeClip(kSplicedTs)},
             options,
             {{"ar", "48000"}, {"ac", "2"}},
             Out("spliced.mp3")});
        const auto verbose = TextsAt(llVerbose);
        EXPECT_EQ(Contains(verbose, "timestamp discontinuity"), !copy_ts);
        EXPECT_TRUE(Contains(verbose, "now comes as 1 channels @ 44100 Hz"));
        const AudioAnalysis out = AnalyzeAudio(Out("spliced.mp3"));
        EXPECT_EQ(out.channels, 2);
        EXPECT_NEAR(out.duration_s, 4.0, 0.1);
        // Each part starts its tone anew, which shifts the count of periods a little.
        EXPECT_NEAR(out.Loudest().frequency_hz, 1000.0, 5.0);
    }
}

struct SyncCase {
    const char* name;
    const char* offset;  // itsoffset of the input, seconds
    const char* method;  // async
    double duration;
    const char* logged;  // part of a verbose line, or empty
};

// Sync mode 1 pads a late start with silence and drops an early one (whole
// blocks when they lie entirely before the output start); mode 0 leaves the
// samples alone; above 1 the converter stretches by at most that many.
TEST_F(AudioPathTest, AudioSync) {
    const SyncCase cases[] = {
        {"late start padded", "2", "1", 5.0, "adding 88200 audio samples of silence"},
        {"late start untouched", "2", "0", 3.0, ""},
        {"early start dropped", "-2", "1", 1.0, "discarding "},
        {"stretching", "0", "100", 3.0, ""},
    };
    for (const SyncCase& c : cases) {
        SCOPED_TRACE(c.name);
        engine_->Prepare();
        ClearLog();
        Run({{Fixture("wav_pcm_44k_stereo.wav")},
             {{"itsoffset", c.offset}, {"v", "3"}},
             {{"async", c.method}},
             Out("sync.mp3")});
        const AudioAnalysis out = AnalyzeAudio(Out("sync.mp3"));
        EXPECT_NEAR(out.duration_s, c.duration, 0.06);
        EXPECT_NEAR(out.Loudest().frequency_hz, 1000.0, 1.0);
        const auto verbose = TextsAt(llVerbose);
        if (*c.logged != '\0') {
            EXPECT_TRUE(Contains(verbose, c.logged));
        } else {
            EXPECT_FALSE(Contains(verbose, "audio samples of silence"));
            EXPECT_FALSE(Contains(verbose, "discarding "));
        }
    }
}

// A damaged packet costs its own samples and a log line; with xerror it ends
// the task.
TEST_F(AudioPathTest, DamagedPacketInTheMiddle) {
    const fs::path source = TranscodeClip(kCorruptMkv);
    const std::string text = "Error while decoding stream #0.0 (Audio)";
    Run({{source}, {}, {}, Out("damaged.mp3")});
    EXPECT_EQ(CountContaining(TextsAt(llVerbose), text), 1);
    EXPECT_TRUE(engine_->Completed());
    // The analysis drops the same packet; the rest is all there.
    const AudioAnalysis out = AnalyzeAudio(Out("damaged.mp3"));
    EXPECT_NEAR(out.duration_s, AnalyzeAudio(source).duration_s, 0.05);
    EXPECT_NEAR(out.Loudest().frequency_hz, 1000.0, 1.0);

    engine_->Prepare();
    ClearLog();
    EXPECT_EQ(RunFailing({{source}, {{"xerror", "1"}}, {}, Out("stopped.mp3")}), text);
    EndTask();
}

}  // namespace
}  // namespace v2m::test
