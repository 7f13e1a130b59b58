// The batch runner on real conversions: rounds, failures in a round, a stop
// in the second round, several conversions at once, and rounds side by side.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "AVProbe.h"
#include "AudioAnalysis.h"
#include "BatchRunner.h"
#include "FixtureGenerator.h"
#include "MainThread.h"
#include "SourceFile.h"
#include "TestSupport.h"

namespace v2m::test {
namespace {

namespace fs = std::filesystem;

class BatchRunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        LoadConverterLibs();
        main_ = std::make_shared<QueuedMainThread>();
        InstallMainThreadServices(main_);
        request_.ProfileExt = "mp3";
        request_.OutputFolder = out_.string();
    }
    void TearDown() override { InstallMainThreadServices(nullptr); }

    // `count` copies of a clip of `seconds`, alternately in two folders, so
    // that names repeat; the ones in `damaged` are cut short and unreadable.
    std::vector<std::string> Files(size_t count, double seconds, std::set<size_t> damaged = {}) {
        fixtures::ClipRecipe clip;
        clip.duration_s = seconds;
        clip.streams = {fixtures::Audio("aac", 44100, 2, 1000.0, 0.5)};
        const fs::path source = dir_.Path() / "source.mp4";
        if (!fs::exists(source)) {
            fixtures::WriteClip(source, clip);
        }
        std::vector<std::string> files;
        for (size_t i = 0; i < count; ++i) {
            const fs::path folder = dir_.Path() / (i % 2 == 0 ? "a" : "b");
            fs::create_directories(folder);
            const fs::path file = folder / ("clip" + std::to_string(i / 2) + ".mp4");
            if (damaged.contains(i)) {
                fs::copy_file(Fixture(fixtures::kTruncatedMp4), file);
            } else {
                fs::copy_file(source, file);
            }
            files.push_back(file.string());
        }
        return files;
    }

    // Starts the batch and serves it to its end; `on_ended`, and `on_turn`
    // between the main thread's turns, may act on it.
    bool Run(const std::vector<std::string>& files, int jobs,
             const std::function<void(size_t)>& on_ended = {},
             const std::function<void()>& on_turn = {}) {
        events_.Ended = [this, on_ended](size_t item, const TTerminateInfo& info) {
            ended_[item] = info;
            if (on_ended) {
                on_ended(item);
            }
        };
        events_.Over = [this](bool stopped) {
            over_ = true;
            stopped_ = stopped;
        };
        if (runner_.Start({files.begin(), files.end()}, request_, jobs, events_, false) !=
            TStartResult::Started) {
            ADD_FAILURE() << "not started";
            return false;
        }
        return main_->ServeUntil(
            [&] {
                runner_.Poll();
                if (on_turn) {
                    on_turn();
                }
                return over_;
            },
            std::chrono::seconds(120));
    }

    TempDir dir_{"batch-runner"};
    fs::path out_ = [this] {
        fs::create_directories(dir_.Path() / "out");
        return dir_.Path() / "out";
    }();
    std::shared_ptr<QueuedMainThread> main_;
    TFFConverter converter_;
    TBatchRunner runner_{converter_};
    TJobRequest request_;
    TBatchEvents events_;
    // Another batch in the same test: no file, output or end of the last one.
    void StartAfresh() {
        fs::remove_all(dir_.Path() / "a");
        fs::remove_all(dir_.Path() / "b");
        fs::remove_all(out_);
        fs::create_directories(out_);
        ended_.clear();
        over_ = false;
    }

    std::map<size_t, TTerminateInfo> ended_;
    bool over_ = false;
    bool stopped_ = false;
};

// Across rounds names stay distinct, never more than a round of tasks exists,
// and an unreadable file in a round fails alone; one at a time or two.
TEST_F(BatchRunnerTest, RoundsKeepNamesDistinctAndFailuresAlone) {
    for (const int jobs : {1, 2}) {
        SCOPED_TRACE(jobs);
        StartAfresh();
        const std::vector<std::string> files = Files(40, 0.3, {5, 25});
        size_t most_tasks = 0;
        std::set<size_t> failed;
        events_ = {};
        events_.Added = [&](size_t, const std::string&) {
            most_tasks = std::max(most_tasks, static_cast<size_t>(converter_.TaskCount()));
        };
        events_.BuildFailed = [&](size_t item, TBuildFailure, const std::string&) {
            failed.insert(item);
        };
        ASSERT_TRUE(Run(files, jobs));
        EXPECT_FALSE(stopped_);
        EXPECT_LE(most_tasks, TBatchRunner::RoundSize(jobs));
        EXPECT_EQ(failed, (std::set<size_t>{5, 25}));
        std::set<std::string> outputs;
        for (size_t item = 0; item < files.size(); ++item) {
            if (failed.contains(item)) {
                continue;
            }
            ASSERT_TRUE(ended_.contains(item)) << item;
            EXPECT_TRUE(ended_[item].Finished);
            EXPECT_EQ(runner_.State(item), TItemState::Finished);
            EXPECT_TRUE(outputs.insert(runner_.Output(item)).second) << runner_.Output(item);
            const fixtures::AudioAnalysis audio = fixtures::AnalyzeAudio(runner_.Output(item));
            EXPECT_NEAR(audio.duration_s, 0.3, 0.12) << runner_.Output(item);
        }
        EXPECT_EQ(outputs.size(), 38u);
        EXPECT_EQ(static_cast<size_t>(std::distance(fs::directory_iterator(out_), {})), 38u);
    }
}

// A file whose cover is left out says so once, and still converts.
TEST_F(BatchRunnerTest, AFileWithABadCoverWarnsOnceAndConverts) {
    const fs::path clean = Fixture("mp3_44k_stereo.mp3");
    const fs::path bad = dir_.Path() / "bad cover.mp3";
    fixtures::WriteMp3WithCover(clean, bad, fixtures::PngPicture(64, 64, true), "image/png");
    std::vector<std::pair<size_t, std::string>> warnings;
    events_.Warned = [&](size_t item, const std::string& warning) {
        warnings.emplace_back(item, warning);
    };
    ASSERT_TRUE(Run({clean.string(), bad.string()}, 1));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].first, 1u);
    EXPECT_TRUE(warnings[0].second.starts_with("The cover picture is left out: "))
        << warnings[0].second;
    EXPECT_EQ(runner_.State(1), TItemState::Finished);
    EXPECT_NEAR(fixtures::AnalyzeAudio(runner_.Output(1)).duration_s, 3.0, 0.1);
}

// A stop in the second round ends the batch there: finished outputs stay,
// unfinished ones of this run go, and nothing else in the folder is touched.
TEST_F(BatchRunnerTest, StopInTheSecondRoundRemovesOnlyThisRunsUnfinishedOutputs) {
    const std::vector<std::string> files = Files(24, 2.0);
    const fs::path users = out_ / "clip9.mp3";  // a name an output would take
    { std::ofstream(users) << "keep"; }
    ASSERT_TRUE(Run(files, 1, [&](size_t item) {
        if (item == TBatchRunner::RoundSize(1)) {
            runner_.Stop(false);
        }
    }));
    EXPECT_TRUE(stopped_);
    size_t finished = 0;
    for (const auto& [item, info] : ended_) {
        if (info.Finished) {
            ++finished;
            EXPECT_TRUE(fs::exists(runner_.Output(item)));
        }
    }
    EXPECT_GT(finished, TBatchRunner::RoundSize(1));
    EXPECT_LT(finished, files.size());
    // The outputs of finished files and the user's file, nothing else.
    EXPECT_EQ(static_cast<size_t>(std::distance(fs::directory_iterator(out_), {})), finished + 1);
    EXPECT_EQ(fs::file_size(users), 4u);
}

// Two at a time: both rows move, and the total counts each file by its part.
TEST_F(BatchRunnerTest, ParallelRowsShowTheirOwnProgressAndTheTotal) {
    const std::vector<std::string> files = Files(4, 3.0);
    std::set<size_t> moving;
    std::vector<int> totals;
    events_.Progress = [&](size_t item, const TProgressInfo& info) {
        if (info.Time > 0 && runner_.State(item) == TItemState::Running) {
            moving.insert(item);
        }
        totals.push_back(runner_.TotalPercent());
    };
    converter_.SetProgressInterval(100);
    ASSERT_TRUE(Run(files, 2));
    EXPECT_EQ(moving.size(), 4u);
    ASSERT_FALSE(totals.empty());
    EXPECT_TRUE(
        std::all_of(totals.begin(), totals.end(), [](int t) { return t >= 0 && t <= 100; }));
    EXPECT_EQ(runner_.TotalPercent(), 100);
    EXPECT_EQ(runner_.EndedCount(), 4u);
}

// A file that lasts long beside the others: two minutes of tone.
fs::path WriteLongClip(const fs::path& dir) {
    const fs::path long_file = dir / "long.wav";
    fixtures::ClipRecipe recipe;
    recipe.duration_s = 120.0;
    recipe.streams = {fixtures::Audio("pcm_s16le", 44100, 2, 1000.0, 0.5)};
    fixtures::WriteClip(long_file, recipe);
    return long_file;
}

// The last file of the first round is long: with two jobs the next rounds
// run beside it, the farthest two rounds apart when the second is over
// before it; with one job nothing runs beside anything. The jobs are used,
// never more, and a pause, a resume and a stop while paused act on every
// round.
TEST_F(BatchRunnerTest, TheNextRoundRunsBesideTheLastTasksOfARound) {
    enum class Act { None, PauseAndResume, StopWhilePaused };
    struct Case {
        int jobs;
        size_t files;
        Act act;
        // Rounds that ran side by side were at least this far apart. How many
        // later rounds pass beside the long file depends on the machine's
        // load, so only the first is counted on.
        size_t apart;
    };
    const Case cases[] = {{1, 20, Act::None, 0},
                          {2, 40, Act::None, 1},
                          {2, 24, Act::PauseAndResume, 1},
                          {2, 24, Act::StopWhilePaused, 1}};
    const fs::path long_file = WriteLongClip(dir_.Path());
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.jobs << " jobs, " << c.files << " files");
        StartAfresh();
        const size_t first = TBatchRunner::FirstRoundSize(c.jobs, false);
        const size_t round = TBatchRunner::RoundSize(c.jobs);
        const auto round_of = [&](size_t item) {
            return item < first ? 0 : 1 + (item - first) / round;
        };
        std::vector<std::string> files = Files(c.files, 0.3);
        files[first - 1] = long_file.string();
        std::set<size_t> started;  // and not ended
        size_t most = 0;
        size_t apart = 0;
        events_ = {};
        events_.Started = [&](size_t item) {
            most = std::max(most, runner_.RunningTasks());
            for (const size_t other : started) {
                const size_t a = round_of(item);
                const size_t b = round_of(other);
                apart = std::max(apart, a > b ? a - b : b - a);
            }
            started.insert(item);
        };
        // Once rounds run side by side, the batch is paused, then resumed or
        // stopped.
        std::optional<std::chrono::steady_clock::time_point> paused_at;
        const auto turn = [&] {
            most = std::max(most, runner_.RunningTasks());
            if (c.act != Act::None && apart > 0 && !paused_at) {
                paused_at = std::chrono::steady_clock::now();
                runner_.Pause();
                if (c.act == Act::StopWhilePaused) {
                    runner_.Stop(true);
                    EXPECT_TRUE(over_) << "the waiting stop is over with the batch";
                }
            } else if (runner_.Paused() && std::chrono::steady_clock::now() - *paused_at >
                                               std::chrono::milliseconds(300)) {
                runner_.Resume();
            }
        };
        ASSERT_TRUE(Run(
            files, c.jobs, [&](size_t item) { started.erase(item); }, turn));
        EXPECT_EQ(most, static_cast<size_t>(c.jobs));
        EXPECT_GE(apart, c.apart);
        EXPECT_EQ(apart > 0, c.apart > 0);
        EXPECT_TRUE(started.empty()) << "every file that started ended";
        size_t finished = 0;
        for (const auto& [item, info] : ended_) {
            finished += info.Finished ? 1 : 0;
            EXPECT_EQ(fs::exists(runner_.Output(item)), info.Finished) << item;
        }
        // Only what finished is there: nothing of a stopped file is left.
        EXPECT_EQ(static_cast<size_t>(std::distance(fs::directory_iterator(out_), {})), finished);
        EXPECT_EQ(stopped_, c.act == Act::StopWhilePaused);
        if (c.act != Act::StopWhilePaused) {
            EXPECT_EQ(finished, c.files);
            EXPECT_EQ(runner_.EndedCount(), c.files);
            EXPECT_EQ(runner_.TotalPercent(), 100);
        }
    }
}

TEST(BatchStatusTextTest, SaysWhatIsKnown) {
    struct Case {
        size_t ended, total;
        double speed, left;
        const char* text;
    };
    const Case cases[] = {
        {3, 120, 45.2, 118.0, "3 of 120 files - 45x real time - about 2 min left"},
        {0, 2, 0.0, -1.0, "0 of 2 files"},
        {1, 2, 2.54, 20.4, "1 of 2 files - 2.5x real time - about 20 s left"},
        {5, 9, 12.0, 5000.0, "5 of 9 files - 12x real time - about 1 h 23 min left"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BatchStatusText(c.ended, c.total, c.speed, c.left), c.text);
    }
}

// What was read of a file when it was listed builds its task as long as the
// file is unchanged: the kept title names the output. A file changed since
// is read again, and its own title counts.
TEST_F(BatchRunnerTest, KeptReadingsServeUntilTheFileChanges) {
    struct Case {
        const char* name;
        bool touched;
        const char* output;
    };
    for (const Case& c : {Case{"unchanged", false, "Kept.mp3"}, Case{"touched", true, "Own.mp3"}}) {
        SCOPED_TRACE(c.name);
        StartAfresh();
        fixtures::ClipRecipe clip;
        clip.duration_s = 0.3;
        clip.streams = {fixtures::Audio("aac", 44100, 2, 1000.0, 0.5)};
        clip.tags = {{"title", "Own"}};
        const fs::path file = dir_.Path() / "a" / "tagged.mp4";
        fs::create_directories(file.parent_path());
        fixtures::WriteClip(file, clip);
        TAVProbe probe;
        std::string error;
        const TSourcePtr read = ProbeSource(probe, file.string(), error);
        ASSERT_NE(read, nullptr) << error;
        auto kept = std::make_shared<TSourceFile>(*read);
        kept->Tags.Tags = {{"title", "Kept"}};
        if (c.touched) {
            fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(2));
        }
        request_.NameTemplate = "{title}";
        events_ = {};
        events_.Ended = [this](size_t item, const TTerminateInfo& info) { ended_[item] = info; };
        events_.Over = [this](bool) { over_ = true; };
        ASSERT_EQ(runner_.Start({{file.string(), kept}}, request_, 1, events_, false),
                  TStartResult::Started);
        ASSERT_TRUE(main_->ServeUntil([&] { return over_; }, std::chrono::seconds(60)));
        request_.NameTemplate.clear();
        ASSERT_TRUE(ended_[0].Finished) << ended_[0].ErrorMessage;
        EXPECT_TRUE(fs::exists(out_ / c.output));
    }
}

}  // namespace
}  // namespace v2m::test
