// The loudness analyser on generated tones of known level. A 1 kHz sine of
// peak A on both channels of a stereo stream reads 20 log10(A) LUFS (a mono
// one 3 dB less), and its true peak is 20 log10(A) dBTP.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "FFmpeg.h"
#include "FixtureGenerator.h"
#include "LoudnessAnalyser.h"
#include "TestSupport.h"

namespace v2m::test {
namespace {

using engine::TLoudness;
using engine::TLoudnessAnalyser;
using engine::TLoudnessHooks;
using engine::TLoudnessSource;

constexpr int64_t kSecond = 1000000;

class LoudnessAnalyserTest : public ::testing::Test {
protected:
    void SetUp() override { LoadConverterLibs(); }

    std::string Tone(const std::string& name, const char* codec, int rate, int channels,
                     double level, double seconds = 3.0) {
        const std::filesystem::path path = dir_.Path() / name;
        fixtures::ClipRecipe clip;
        clip.duration_s = seconds;
        clip.streams = {fixtures::Audio(codec, rate, channels, 1000.0, level)};
        fixtures::WriteClip(path, clip);
        return path.string();
    }

    // Progress positions are recorded; `stop` answers every stop check.
    TLoudnessHooks Hooks(bool stop = false) {
        TLoudnessHooks hooks;
        hooks.WaitWhilePaused = [] {};
        hooks.StopRequested = [stop] { return stop; };
        hooks.Progress = [this](int64_t position) { positions_.push_back(position); };
        hooks.ReportInterval = 0;
        return hooks;
    }

    TempDir dir_{"loudness-analyser"};
    std::vector<int64_t> positions_;
};

TEST_F(LoudnessAnalyserTest, TonesReadTheirLevelAndProgressRunsToTheSpan) {
    struct Case {
        const char* name;
        const char* codec;
        int rate;
        int channels;
        double level;
        int64_t from;  // microseconds; with a length of a second when not 0
        double lufs;
    };
    for (const Case& c : {Case{"s16-stereo.wav", "pcm_s16le", 48000, 2, 0.5, 0, -6.02},
                          Case{"s16-mono.wav", "pcm_s16le", 44100, 1, 0.25, 0, -15.05},
                          Case{"float-stereo.wav", "pcm_f32le", 32000, 2, 0.1, 0, -20.0},
                          Case{"flac-cut.flac", "flac", 44100, 2, 0.5, kSecond, -6.02}}) {
        SCOPED_TRACE(c.name);
        positions_.clear();
        TLoudnessSource source;
        source.Url = Tone(c.name, c.codec, c.rate, c.channels, c.level);
        source.From = c.from;
        if (c.from != 0) {
            source.Length = kSecond;
        }
        source.Span = 3 * kSecond;
        const std::optional<TLoudness> measured = TLoudnessAnalyser(Hooks()).Measure(source);
        ASSERT_TRUE(measured);
        EXPECT_NEAR(measured->Integrated, c.lufs, 0.5);
        EXPECT_NEAR(measured->TruePeak, 20.0 * std::log10(c.level), 0.5);
        ASSERT_FALSE(positions_.empty());
        EXPECT_TRUE(std::is_sorted(positions_.begin(), positions_.end()));
        EXPECT_EQ(positions_.back(), source.Span);
    }
}

// Blocks of two tracks pooled read as their energies' mean: equal lengths,
// both above the relative gate.
TEST_F(LoudnessAnalyserTest, PooledBlocksGiveTheJointLoudness) {
    TLoudnessSource loud;
    loud.Url = Tone("loud.wav", "pcm_s16le", 48000, 2, 0.5);
    TLoudnessSource quiet;
    quiet.Url = Tone("quiet.wav", "pcm_s16le", 48000, 2, 0.25);
    const std::optional<TLoudness> a = TLoudnessAnalyser(Hooks()).Measure(loud);
    const std::optional<TLoudness> b = TLoudnessAnalyser(Hooks()).Measure(quiet);
    ASSERT_TRUE(a && b);
    std::vector<double> pooled = a->Blocks;
    pooled.insert(pooled.end(), b->Blocks.begin(), b->Blocks.end());
    const double expected =
        10.0 *
        std::log10((std::pow(10.0, a->Integrated / 10.0) + std::pow(10.0, b->Integrated / 10.0)) /
                   2.0);
    EXPECT_NEAR(TLoudnessAnalyser::GatedLoudness(pooled), expected, 0.1);
    EXPECT_NEAR(TLoudnessAnalyser::GatedLoudness(a->Blocks), a->Integrated, 1e-9);
}

TEST_F(LoudnessAnalyserTest, AStoppedReadingGivesNoResultAndSilenceNoLoudness) {
    TLoudnessSource source;
    source.Url = Tone("stopped.wav", "pcm_s16le", 48000, 2, 0.5);
    EXPECT_FALSE(TLoudnessAnalyser(Hooks(true)).Measure(source));
    EXPECT_TRUE(positions_.empty());

    source.Url = Tone("silence.wav", "pcm_s16le", 48000, 2, 0.0);
    const std::optional<TLoudness> silence = TLoudnessAnalyser(Hooks()).Measure(source);
    ASSERT_TRUE(silence);
    EXPECT_EQ(silence->Integrated, engine::kAbsoluteGate);
}

}  // namespace
}  // namespace v2m::test
