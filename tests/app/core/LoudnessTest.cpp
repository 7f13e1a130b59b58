// Loudness normalisation on real conversions, from the job request to the
// written file, measured by the test support's own BS.1770 analysis.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "AudioAnalysis.h"
#include "BatchRunner.h"
#include "FixtureGenerator.h"
#include "MainThread.h"
#include "TestSupport.h"

namespace v2m::test {
namespace {

namespace fs = std::filesystem;

// A stereo sine's loudness in LUFS is its peak in dBFS near 1 kHz.
double LevelOfLoudness(double lufs) {
    return std::pow(10.0, lufs / 20.0);
}

class LoudnessTest : public ::testing::Test {
protected:
    void SetUp() override {
        LoadConverterLibs();
        main_ = std::make_shared<QueuedMainThread>();
        InstallMainThreadServices(main_);
        fs::create_directories(out_);
        request_.OutputFolder = out_.string();
        request_.NormalizeLoudness = true;
        converter_.SetProgressInterval(100);
    }
    void TearDown() override { InstallMainThreadServices(nullptr); }

    fs::path Clip(const std::string& name, const fixtures::StreamRecipe& audio, double seconds) {
        fixtures::ClipRecipe clip;
        clip.duration_s = seconds;
        clip.streams = {audio};
        const fs::path file = dir_.Path() / name;
        fixtures::WriteClip(file, clip);
        return file;
    }

    // Converts one file; the output's name, empty when the task failed.
    std::string Convert(const fs::path& file) {
        bool over = false;
        std::string output;
        TBatchEvents events;
        events.Progress = [this](size_t, const TProgressInfo& info) { reports_.push_back(info); };
        events.Ended = [&](size_t item, const TTerminateInfo& info) {
            error_ = info.ErrorMessage;
            if (info.Finished && !info.Failed) {
                output = runner_.Output(item);
            }
        };
        events.Over = [&](bool) { over = true; };
        if (runner_.Start({file.string()}, request_, 1, events, false) != TStartResult::Started) {
            ADD_FAILURE() << "not started";
            return {};
        }
        EXPECT_TRUE(main_->ServeUntil(
            [&] {
                runner_.Poll();
                return over;
            },
            std::chrono::seconds(120)));
        return output;
    }

    TempDir dir_{"loudness"};
    fs::path out_ = dir_.Path() / "out";
    std::shared_ptr<QueuedMainThread> main_;
    TFFConverter converter_;
    TBatchRunner runner_{converter_};
    TJobRequest request_;
    std::vector<TProgressInfo> reports_;
    std::string error_;
};

// Quiet and loud inputs land on the target, in MP3 and AAC, at two targets,
// whatever the Volume list says; the true peak stays under the ceiling.
TEST_F(LoudnessTest, QuietAndLoudInputsReachTheTarget) {
    struct Case {
        double input_lufs;
        double target;
        const char* ext;
    };
    request_.Volume = {3, "50"};
    for (const Case& c : {Case{-30.0, -16.0, "mp3"}, Case{-8.0, -16.0, "m4a"},
                          Case{-8.0, -23.0, "m4a"}, Case{-30.0, -14.0, "mp3"}}) {
        SCOPED_TRACE(std::to_string(c.input_lufs) + " LUFS to " + std::to_string(c.target) + " " +
                     c.ext);
        const fs::path input =
            Clip("in" + std::to_string(static_cast<int>(c.input_lufs)) + ".mp4",
                 fixtures::Audio("aac", 44100, 2, 1000.0, LevelOfLoudness(c.input_lufs)), 4.0);
        ASSERT_NEAR(fixtures::AnalyzeLoudness(input).integrated_lufs, c.input_lufs, 0.5);
        request_.ProfileExt = c.ext;
        request_.LoudnessTarget = c.target;
        const std::string output = Convert(input);
        ASSERT_FALSE(output.empty()) << error_;
        const fixtures::LoudnessAnalysis measured = fixtures::AnalyzeLoudness(output);
        EXPECT_NEAR(measured.integrated_lufs, c.target, 0.5);
        EXPECT_LE(measured.true_peak_dbtp, -1.0);
        EXPECT_NEAR(fixtures::AnalyzeAudio(output).duration_s, 4.0, 0.2);
    }
}

// A 10 Hz tone is almost inaudible to the K-weighting: reaching the target
// would push it far past full scale, so the ceiling sets the gain instead.
TEST_F(LoudnessTest, TruePeakCeilingHoldsTheGainDown) {
    const fs::path input =
        Clip("rumble.wav", fixtures::Audio("pcm_s16le", 48000, 2, 10.0, 0.1), 4.0);
    request_.ProfileExt = "wav";
    const std::string output = Convert(input);
    ASSERT_FALSE(output.empty()) << error_;
    const fixtures::LoudnessAnalysis measured = fixtures::AnalyzeLoudness(output);
    EXPECT_LE(measured.true_peak_dbtp, -1.0);
    EXPECT_GE(measured.true_peak_dbtp, -1.5);
    EXPECT_LT(measured.integrated_lufs, -20.0);
}

// Silence has nothing to measure: it stays silent, and the file converts.
TEST_F(LoudnessTest, SilenceIsLeftAlone) {
    const fs::path input =
        Clip("silence.wav", fixtures::Audio("pcm_s16le", 48000, 2, 1000.0, 0.0), 2.0);
    request_.ProfileExt = "mp3";
    const std::string output = Convert(input);
    ASSERT_FALSE(output.empty()) << error_;
    EXPECT_LT(fixtures::AnalyzeAudio(output).Loudest().peak_dbfs, -90.0);
}

// The measuring pass is the first half of the file's progress, the conversion
// the second, and the reports never go back.
TEST_F(LoudnessTest, ProgressCoversBothPassesInOrder) {
    const fs::path input = Clip("long.mp4", fixtures::Audio("aac", 44100, 2, 1000.0, 0.2), 30.0);
    request_.ProfileExt = "mp3";
    ASSERT_FALSE(Convert(input).empty()) << error_;
    ASSERT_GE(reports_.size(), 2u);
    const int64_t twice = reports_.front().TotalDuration;
    EXPECT_NEAR(static_cast<double>(twice), 60e6, 1e6);
    bool measuring_seen = false;
    bool converting_seen = false;
    for (size_t n = 0; n < reports_.size(); ++n) {
        EXPECT_EQ(reports_[n].TotalDuration, twice);
        if (n > 0) {
            EXPECT_GE(reports_[n].Time, reports_[n - 1].Time);
        }
        measuring_seen |= reports_[n].Time <= twice / 2;
        converting_seen |= reports_[n].Time > twice / 2 && measuring_seen;
    }
    EXPECT_TRUE(measuring_seen);
    EXPECT_TRUE(converting_seen);
    EXPECT_GE(reports_.back().Time, twice * 9 / 10);
}

// Pause holds the measuring pass where it is, resume finishes the file, and a
// stop in that pass ends it with nothing written.
TEST_F(LoudnessTest, PauseAndStopHoldTheMeasuringPass) {
    const fs::path input = Clip("long.mp4", fixtures::Audio("aac", 44100, 2, 1000.0, 0.2), 300.0);
    request_.ProfileExt = "m4a";
    for (const bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "stop" : "pause");
        fs::remove_all(out_);
        fs::create_directories(out_);
        reports_.clear();
        bool over = false;
        bool held = false;
        TItemState state = TItemState::Waiting;
        TBatchEvents events;
        events.Progress = [&](size_t, const TProgressInfo& info) {
            reports_.push_back(info);
            if (!held) {
                held = true;
                stop ? runner_.Stop(false) : runner_.Pause();
            }
        };
        events.Ended = [&](size_t item, const TTerminateInfo&) { state = runner_.State(item); };
        events.Over = [&](bool) { over = true; };
        ASSERT_EQ(runner_.Start({input.string()}, request_, 1, events, false),
                  TStartResult::Started);
        ASSERT_TRUE(main_->ServeUntil([&] { return held; }, std::chrono::seconds(60)));
        if (!stop) {
            // Reports sent before the pause may still arrive; then none.
            const auto settle = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
            main_->ServeUntil([&] { return std::chrono::steady_clock::now() > settle; },
                              std::chrono::seconds(5));
            const size_t seen = reports_.size();
            const auto wait = std::chrono::steady_clock::now() + std::chrono::milliseconds(800);
            main_->ServeUntil([&] { return std::chrono::steady_clock::now() > wait; },
                              std::chrono::seconds(5));
            EXPECT_EQ(reports_.size(), seen);
            EXPECT_LT(reports_.back().Time, reports_.back().TotalDuration / 2) << "still measuring";
            runner_.Resume();
        }
        ASSERT_TRUE(main_->ServeUntil(
            [&] {
                runner_.Poll();
                return over;
            },
            std::chrono::seconds(120)));
        EXPECT_EQ(state, stop ? TItemState::Stopped : TItemState::Finished);
        EXPECT_EQ(static_cast<size_t>(std::distance(fs::directory_iterator(out_), {})),
                  stop ? 0u : 1u);
    }
}

// A file that went away after its task was built cannot be measured: that
// file fails, saying why, and the others convert.
TEST_F(LoudnessTest, AFileThatCannotBeMeasuredFailsAlone) {
    const fs::path first = Clip("first.mp4", fixtures::Audio("aac", 44100, 2, 1000.0, 0.2), 20.0);
    const fs::path second = Clip("second.mp4", fixtures::Audio("aac", 44100, 2, 1000.0, 0.2), 2.0);
    request_.ProfileExt = "mp3";
    bool over = false;
    std::map<size_t, TTerminateInfo> ended;
    TBatchEvents events;
    events.Ended = [&](size_t item, const TTerminateInfo& info) { ended[item] = info; };
    events.Over = [&](bool) { over = true; };
    ASSERT_EQ(runner_.Start({first.string(), second.string()}, request_, 1, events, false),
              TStartResult::Started);
    // Both tasks hold their input open; the second's name is gone.
    fs::remove(second);
    ASSERT_TRUE(main_->ServeUntil(
        [&] {
            runner_.Poll();
            return over;
        },
        std::chrono::seconds(120)));
    EXPECT_EQ(runner_.State(0), TItemState::Finished);
    ASSERT_EQ(runner_.State(1), TItemState::Failed);
    EXPECT_EQ(ended[1].ErrorMessage.rfind("Loudness cannot be measured: " + second.string(), 0), 0u)
        << ended[1].ErrorMessage;
}

}  // namespace
}  // namespace v2m::test
