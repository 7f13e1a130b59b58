// Starting, pausing, resuming, stopping and ending conversions, on the
// caller's thread and on worker threads, with real files.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <system_error>
#include <thread>

#include "AudioAnalysis.h"
#include "FFmpegLogger.h"
#include "MainThread.h"
#include "MyUtils.h"
#include "RunTestSupport.h"
#include "SafeFiles.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using fixtures::AnalyzeAudio;
using fixtures::AudioAnalysis;
using test::Fixture;
using test::kToneWav;

constexpr auto kRunTimeout = 60s;
// How long a worker that should hold still is watched for a sign of life:
// several report intervals of a paced run, so that one that goes on shows.
constexpr auto kStillnessWatch = 1s;

bool AnyReport(const test::ProgressReport&) {
    return true;
}

class RunControlTest : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        recorder_.Attach(*engine_);
    }

    // The standard task: the tone into an MP3, at real-time pace when paced.
    void Prepare(bool paced) {
        if (paced) {
            engine_->SetOption("re", "1");
        }
        test::PrepareTask(*engine_, Fixture(kToneWav), output_);
    }

    bool WaitForRun() const { return engine_->RunDoneEvent().WaitFor(kRunTimeout); }

    // Pauses the worker right at the first report that meets the condition.
    bool PauseAtReport(test::ReportCondition when) {
        return test::PauseAtReport(*engine_, recorder_, std::move(when), kRunTimeout);
    }

    std::vector<std::string> QuietLines() { return TextsAt(llQuiet); }

    test::RunRecorder recorder_;
    test::TempDir dir_{"engine-run"};
    fs::path output_ = dir_.Path() / "out.mp3";
};

void ExpectSameAudio(const AudioAnalysis& got, const AudioAnalysis& want) {
    EXPECT_EQ(got.samples, want.samples);
    EXPECT_EQ(got.sample_rate, want.sample_rate);
    ASSERT_EQ(got.channel.size(), want.channel.size());
    for (size_t c = 0; c < got.channel.size(); ++c) {
        EXPECT_NEAR(got.channel[c].frequency_hz, want.channel[c].frequency_hz, 1.0);
        EXPECT_NEAR(got.channel[c].rms_dbfs, want.channel[c].rms_dbfs, 0.01);
    }
}

TEST_F(RunControlTest, SynchronousStartRunsToTheEndOnTheCallersThreadAndOnlyOnce) {
    Prepare(false);
    EXPECT_EQ(engine_->StartTranscode(false, tpNormal), nullptr);

    EXPECT_TRUE(engine_->Terminated());
    EXPECT_FALSE(engine_->Running());
    EXPECT_TRUE(engine_->Completed());
    EXPECT_FALSE(engine_->HasError()) << engine_->ErrorMessage();
    EXPECT_EQ(recorder_.Terminations(), 1);
    EXPECT_EQ(recorder_.TerminateThread(), CurrentThreadId());
    const auto reports = recorder_.Reports();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().FileIndex, -1);
    for (const test::ProgressReport& report : reports) {
        EXPECT_EQ(report.Thread, CurrentThreadId());
    }
    EXPECT_TRUE(engine_->RunDoneEvent().IsSet());

    const AudioAnalysis audio = AnalyzeAudio(output_);
    EXPECT_EQ(audio.codec_name, "mp3");
    EXPECT_NEAR(audio.duration_s, 3.0, 0.05);
    EXPECT_NEAR(audio.Loudest().frequency_hz, 1000.0, 5.0);

    // A terminated engine refuses a second start of either kind.
    const auto written = fs::last_write_time(output_);
    EXPECT_EQ(engine_->StartTranscode(false, tpNormal), nullptr);
    EXPECT_EQ(engine_->StartTranscode(true, tpNormal), nullptr);
    EXPECT_EQ(recorder_.Terminations(), 1);
    EXPECT_EQ(recorder_.Reports().size(), reports.size());
    EXPECT_EQ(fs::last_write_time(output_), written);
}

TEST_F(RunControlTest, ThreadedStartRunsOnlyOnceTheThreadIsStarted) {
    Prepare(false);
    const std::shared_ptr<TConvertThread> thread = engine_->StartTranscode(true, tpNormal);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(engine_->WorkerThread(), thread);
    EXPECT_FALSE(thread->Started());
    EXPECT_TRUE(engine_->Running());
    EXPECT_FALSE(engine_->RunDoneEvent().IsSet());
    // A running engine refuses another start.
    EXPECT_EQ(engine_->StartTranscode(true, tpNormal), nullptr);

    EXPECT_FALSE(recorder_.WaitForReport(AnyReport, kStillnessWatch))
        << "a worker that was never started reports nothing";
    EXPECT_EQ(recorder_.Terminations(), 0);
    EXPECT_FALSE(fs::exists(PartialName(output_.string())))
        << "nothing is created before the start";

    thread->Start();
    ASSERT_TRUE(WaitForRun());
    EXPECT_EQ(recorder_.Terminations(), 1);
    EXPECT_NE(recorder_.TerminateThread(), CurrentThreadId());
    EXPECT_EQ(engine_->WorkerThread(), nullptr);
    EXPECT_TRUE(thread->Finished());
    EXPECT_TRUE(engine_->Completed());
    EXPECT_FALSE(engine_->HasError()) << engine_->ErrorMessage();
    EXPECT_NEAR(AnalyzeAudio(output_).duration_s, 3.0, 0.05);

    // Controls after the end touch nothing that has ended.
    thread->Join();
    engine_->PauseTranscode();
    EXPECT_FALSE(engine_->Paused());
    engine_->ResumeTranscode();
    engine_->StopTranscode(true);
    engine_->TerminateTranscode(true);
    thread->Start();
    EXPECT_EQ(recorder_.Terminations(), 1);
    EXPECT_TRUE(engine_->TerminateDoneEvent().IsSet()) << "no end notification was started";
}

TEST_F(RunControlTest, StartChecksEndTheTaskThroughTheTerminateCallback) {
    struct Case {
        bool input;
        bool output;
        std::string message;
    };
    const Case cases[] = {
        {false, false, "At least one output file must be specified"},
        {true, false, "At least one output file must be specified"},
        {false, true, "At least one input file must be specified"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message + (c.input ? " (with input)" : ""));
        engine_ = std::make_unique<TFFmpeg>(20);
        engine_->Prepare();
        test::RunRecorder recorder;
        recorder.Attach(*engine_);
        ClearLog();
        if (c.input) {
            ASSERT_TRUE(engine_->OpenInputFile(Fixture(kToneWav).string()));
        }
        if (c.output) {
            ASSERT_GT(engine_->OpenOutputFile(output_.string(), false), 0);
        }

        EXPECT_EQ(engine_->StartTranscode(true, tpNormal), nullptr);
        EXPECT_EQ(recorder.Terminations(), 1);
        EXPECT_EQ(recorder.TerminateThread(), CurrentThreadId());
        EXPECT_TRUE(engine_->HasError());
        EXPECT_EQ(engine_->ErrorMessage(), c.message);
        EXPECT_TRUE(engine_->Terminated());
        EXPECT_FALSE(engine_->Running());
        EXPECT_EQ(engine_->WorkerThread(), nullptr);
        EXPECT_EQ(engine_->InputFileCount(), 0) << "the files are freed";
        EXPECT_EQ(engine_->OutputFileCount(), 0);
        const auto quiet = QuietLines();
        EXPECT_EQ(std::count(quiet.begin(), quiet.end(), c.message), 1);

        EXPECT_EQ(engine_->StartTranscode(false, tpNormal), nullptr);
        EXPECT_EQ(recorder.Terminations(), 1);
        engine_.reset();
    }
}

TEST_F(RunControlTest, PauseHoldsTheOutputAndResumeFinishesItAsIfNeverPaused) {
    // Uncompressed output fills the byte stream's buffer quickly, so that a
    // worker that went on writing would show on disk.
    output_ = dir_.Path() / "out.wav";
    // The same task without a pause, for comparison.
    const fs::path reference = dir_.Path() / "reference.wav";
    {
        TFFmpeg engine(20);
        engine.Prepare();
        test::PrepareTask(engine, Fixture(kToneWav), reference);
        engine.StartTranscode(false, tpNormal);
        ASSERT_TRUE(engine.Completed());
    }

    Prepare(true);
    engine_->SetReportInterval(100000);
    engine_->StartTranscode(true, tpNormal)->Start();
    // Paused at a report, the worker handles no further packet: what it has
    // handed to the byte stream and the disk so far must stay as it is.
    ASSERT_TRUE(PauseAtReport([](const test::ProgressReport& r) { return r.Size > 0; }));
    EXPECT_TRUE(engine_->Paused());
    const AVIOContext* pb = engine_->OutputFile(0)->pb;
    auto handed_over = [pb] { return pb->pos + (pb->buf_ptr - pb->buffer); };
    const int64_t paused_size = test::FileSize(output_);
    const int64_t paused_position = handed_over();
    const size_t paused_reports = recorder_.Reports().size();
    EXPECT_FALSE(recorder_.WaitForReportCount(paused_reports + 1, kStillnessWatch))
        << "a paused worker reports nothing";
    EXPECT_TRUE(engine_->Paused());
    EXPECT_EQ(test::FileSize(output_), paused_size);
    EXPECT_EQ(handed_over(), paused_position);
    EXPECT_EQ(recorder_.Reports().size(), paused_reports);
    EXPECT_TRUE(engine_->Running());

    engine_->ResumeTranscode();
    EXPECT_FALSE(engine_->Paused());
    ASSERT_TRUE(WaitForRun());
    EXPECT_TRUE(engine_->Completed());
    EXPECT_FALSE(engine_->HasError()) << engine_->ErrorMessage();
    EXPECT_GT(test::FileSize(output_), paused_size);
    ExpectSameAudio(AnalyzeAudio(output_), AnalyzeAudio(reference));
}

TEST_F(RunControlTest, StopWhilePausedEndsWithAValidPartialFile) {
    Prepare(true);
    engine_->StartTranscode(true, tpNormal)->Start();
    ASSERT_TRUE(PauseAtReport([](const test::ProgressReport& r) { return r.Time >= 500000; }));
    EXPECT_TRUE(engine_->Paused());

    engine_->StopTranscode(true);
    EXPECT_TRUE(engine_->RunDoneEvent().IsSet());
    EXPECT_TRUE(engine_->Terminated());
    EXPECT_FALSE(engine_->Completed());
    EXPECT_FALSE(engine_->HasError()) << engine_->ErrorMessage();
    EXPECT_EQ(recorder_.Terminations(), 1);
    EXPECT_EQ(recorder_.Reports().back().FileIndex, -1) << "a stopped run still reports";

    // Valid, but only part of the input: it never takes the final name.
    EXPECT_FALSE(fs::exists(output_));
    const AudioAnalysis audio = AnalyzeAudio(PartialName(output_.string()));
    EXPECT_EQ(audio.decode_errors, 0);
    EXPECT_GT(audio.duration_s, 0.4);
    EXPECT_LT(audio.duration_s, 2.5);
    EXPECT_NEAR(audio.Loudest().frequency_hz, 1000.0, 5.0);
}

TEST_F(RunControlTest, StopRightAfterTheStartWaitsForTheWholeTask) {
    for (const bool started : {true, false}) {
        SCOPED_TRACE(started ? "thread started" : "thread never started");
        engine_ = std::make_unique<TFFmpeg>(20);
        engine_->Prepare();
        test::RunRecorder recorder;
        recorder.Attach(*engine_);
        Prepare(false);
        const auto thread = engine_->StartTranscode(true, tpNormal);
        if (started) {
            thread->Start();
        }
        // Stopping resumes a thread that was never started, so that it can end.
        engine_->StopTranscode(true);
        EXPECT_EQ(recorder.Terminations(), 1);
        EXPECT_TRUE(engine_->Terminated());
        EXPECT_TRUE(thread->Finished());
        EXPECT_FALSE(engine_->Completed());
        EXPECT_FALSE(engine_->HasError()) << engine_->ErrorMessage();
        engine_.reset();
    }
}

TEST_F(RunControlTest, TerminateBeforeAnyStartDeliversTheEndOnItsOwnThread) {
    for (const bool wait : {true, false}) {
        SCOPED_TRACE(wait ? "waiting" : "not waiting");
        engine_ = std::make_unique<TFFmpeg>(20);
        engine_->Prepare();
        test::RunRecorder recorder;
        recorder.Attach(*engine_);
        Prepare(false);

        engine_->TerminateTranscode(wait);
        if (wait) {
            EXPECT_EQ(recorder.Terminations(), 1) << "a waiting call returns after the end";
            EXPECT_TRUE(engine_->TerminateDoneEvent().IsSet());
        } else {
            ASSERT_TRUE(engine_->TerminateDoneEvent().WaitFor(kRunTimeout));
            EXPECT_EQ(recorder.Terminations(), 1);
        }
        EXPECT_NE(recorder.TerminateThread(), CurrentThreadId());
        EXPECT_TRUE(engine_->Terminated());
        EXPECT_FALSE(engine_->Completed());
        EXPECT_FALSE(engine_->HasError());
        EXPECT_TRUE(recorder.Reports().empty());

        engine_->TerminateTranscode(true);
        EXPECT_EQ(engine_->StartTranscode(true, tpNormal), nullptr);
        EXPECT_EQ(recorder.Terminations(), 1);
        engine_.reset();
    }
}

TEST_F(RunControlTest, FailuresInsideTheTranscodeEndTheTaskWithTheirMessage) {
    struct Case {
        const char* output;
        std::vector<std::pair<std::string, std::string>> options;
        std::string message;  // the start of it
        bool failing_handler = false;
    };
    const Case cases[] = {
        // An experimental encoder refuses to open unless asked to be strict less.
        {"out.ogg", {{"acodec", "vorbis"}}, "Error while opening encoder for output stream #0.0"},
        {"out.wav",
         {{"acodec", "copy"}, {"vol", "512"}},
         "-acodec copy and -vol are incompatible (frames are not decoded)"},
        // A progress handler's failure ends the task like the engine's own.
        {"out.mp3", {}, "progress handler failed", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        engine_ = std::make_unique<TFFmpeg>(20);
        engine_->Prepare();
        test::RunRecorder recorder;
        recorder.Attach(*engine_);
        ClearLog();
        test::PrepareTask(*engine_, Fixture(kToneWav), dir_.Path() / c.output, c.options);
        if (c.failing_handler) {
            engine_->SetProgressCallback(
                [](TCustomFFmpeg*, int32_t, int32_t, int32_t, float, float, int64_t, int64_t,
                   int64_t) { throw std::runtime_error("progress handler failed"); });
        }

        engine_->StartTranscode(true, tpNormal)->Start();
        ASSERT_TRUE(WaitForRun());
        EXPECT_TRUE(engine_->HasError());
        EXPECT_EQ(engine_->ErrorMessage().rfind(c.message, 0), 0u) << engine_->ErrorMessage();
        EXPECT_FALSE(engine_->Completed());
        EXPECT_TRUE(engine_->Terminated());
        EXPECT_EQ(recorder.Terminations(), 1);
        const auto quiet = QuietLines();
        EXPECT_NE(std::find(quiet.begin(), quiet.end(), engine_->ErrorMessage()), quiet.end());
        EXPECT_EQ(engine_->OutputFileCount(), 0);
        engine_.reset();
    }
}

// The services in force, with an event that says another thread has started
// to wait for a call on the main thread.
class WatchedMainThread final : public MainThreadServices {
public:
    explicit WatchedMainThread(std::shared_ptr<MainThreadServices> inner)
        : inner_(std::move(inner)) {}

    bool IsMainThread() const override { return inner_->IsMainThread(); }
    void RunInMainThread(std::function<void()> call) override {
        if (!inner_->IsMainThread()) {
            waited_for_.Set();
        }
        inner_->RunInMainThread(std::move(call));
    }
    void PostToMainThread(std::function<void()> call) override {
        inner_->PostToMainThread(std::move(call));
    }
    void ProcessPendingMessages() override { inner_->ProcessPendingMessages(); }
    void ServeCalls() override { inner_->ServeCalls(); }

    const TManualResetEvent& WaitedFor() const { return waited_for_; }

private:
    std::shared_ptr<MainThreadServices> inner_;
    TManualResetEvent waited_for_{false};
};

// Installs the watched services for one test and puts the previous ones back.
class MainThreadWatch {
public:
    MainThreadWatch()
        : previous_(MainThread()), watched_(std::make_shared<WatchedMainThread>(previous_)) {
        InstallMainThreadServices(watched_);
    }
    ~MainThreadWatch() { InstallMainThreadServices(previous_); }
    MainThreadWatch(const MainThreadWatch&) = delete;
    MainThreadWatch& operator=(const MainThreadWatch&) = delete;

    const TManualResetEvent& WaitedFor() const { return watched_->WaitedFor(); }

private:
    std::shared_ptr<MainThreadServices> previous_;
    std::shared_ptr<WatchedMainThread> watched_;
};

TEST_F(RunControlTest, WaitingStopOnTheMainThreadServesTheWorkersMainThreadCalls) {
    ASSERT_TRUE(MainThread()->IsMainThread()) << "tests run on the process's main thread";
    const MainThreadWatch watch;
    // Engine log lines now go through the main thread as well.
    FFLoggerInstance().SetTriggerEventInMainThread(true);
    std::atomic<int> served{0};
    engine_->SetProgressCallback([&served](TCustomFFmpeg*, int32_t, int32_t, int32_t, float, float,
                                           int64_t, int64_t,
                                           int64_t) { RunInMainThread([&served] { ++served; }); });
    Prepare(true);
    engine_->SetReportInterval(100000);
    engine_->StartTranscode(true, tpNormal)->Start();
    // The worker is now blocked in its first call for the main thread (a log
    // line or its first progress event), waiting for this thread.
    ASSERT_TRUE(watch.WaitedFor().WaitFor(kRunTimeout));
    EXPECT_EQ(served.load(), 0);

    engine_->StopTranscode(true);
    EXPECT_TRUE(engine_->Terminated());
    EXPECT_GE(served.load(), 1);
    EXPECT_FALSE(engine_->Completed());
    EXPECT_FALSE(engine_->HasError()) << engine_->ErrorMessage();
}

// The partial output of a stopped run goes with its engine, unless it is to
// be kept; kept, it stays under its hidden name, a valid file.
TEST_F(RunControlTest, DestroyingAPausedEngineStopsItAndWaits) {
    for (const bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "kept" : "discarded");
        auto engine = std::make_unique<TFFmpeg>(20);
        engine->Prepare();
        test::RunRecorder recorder;
        recorder.Attach(*engine);
        engine->SetOption("re", "1");
        const fs::path output = dir_.Path() / (keep ? "kept.mp3" : "discarded.mp3");
        test::PrepareTask(*engine, Fixture(kToneWav), output);
        engine->SetKeepUnfinishedOutputs(keep);
        const auto thread = engine->StartTranscode(true, tpNormal);
        thread->Start();
        ASSERT_TRUE(test::PauseAtReport(
            *engine, recorder, [](const test::ProgressReport& r) { return r.Time >= 300000; },
            kRunTimeout));
        EXPECT_TRUE(engine->Paused());

        engine.reset();
        EXPECT_TRUE(thread->Finished());
        EXPECT_EQ(recorder.Terminations(), 1);
        EXPECT_FALSE(fs::exists(output));
        const fs::path partial = PartialName(output.string());
        ASSERT_EQ(fs::exists(partial), keep);
        if (keep) {
            const AudioAnalysis audio = AnalyzeAudio(partial);
            EXPECT_GT(audio.duration_s, 0.2);
            EXPECT_LT(audio.duration_s, 2.5);
        }
    }
}

TEST_F(RunControlTest, AnEngineFreedByItsOwnTerminateCallbackEndsCleanly) {
    Prepare(false);
    TFFmpeg* engine = engine_.release();
    std::atomic<bool> freed{false};
    engine->SetTerminateCallback([&freed](TCustomFFmpeg* sender) {
        delete sender;
        freed = true;
    });
    const std::shared_ptr<TConvertThread> thread = engine->StartTranscode(true, tpNormal);
    // The worker keeps its run's event alive for as long as this thread object lives.
    const TManualResetEvent& done = engine->RunDoneEvent();
    thread->Start();
    ASSERT_TRUE(done.WaitFor(kRunTimeout));
    EXPECT_TRUE(freed.load());
    EXPECT_TRUE(thread->Finished());
    EXPECT_NEAR(AnalyzeAudio(output_).duration_s, 3.0, 0.05);
}

TEST_F(RunControlTest, TheWorkerRunsAtTheNiceValueOfItsPriority) {
    errno = 0;
    const int inherited = ::getpriority(PRIO_PROCESS, static_cast<id_t>(CurrentThreadId()));
    ASSERT_EQ(errno, 0);
    struct Case {
        TThreadPriority priority;
        int nice;
    };
    const Case cases[] = {{tpIdle, 19},  {tpLowest, 10}, {tpLower, 5},
                          {tpNormal, 0}, {tpHigher, -5}, {tpTimeCritical, -20}};
    FFLoggerInstance().SetLogLevel(llVerbose);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nice);
        engine_ = std::make_unique<TFFmpeg>(20);
        engine_->Prepare();
        std::atomic<int> seen{1000};
        engine_->SetProgressCallback([&seen](TCustomFFmpeg*, int32_t, int32_t, int32_t, float,
                                             float, int64_t, int64_t, int64_t) {
            seen = ::getpriority(PRIO_PROCESS, static_cast<id_t>(CurrentThreadId()));
        });
        ClearLog();
        Prepare(false);
        const auto thread = engine_->StartTranscode(true, c.priority);
        EXPECT_EQ(thread->Priority(), c.priority);
        thread->Start();
        ASSERT_TRUE(WaitForRun());
        thread->Join();
        bool refused = false;
        for (const std::string& line : TextsAt(llVerbose)) {
            refused = refused || line.find("refused") != std::string::npos;
        }
        if (refused) {
            // Without the right to raise it, the worker keeps the priority it was given.
            EXPECT_LT(c.nice, inherited);
            EXPECT_EQ(seen.load(), inherited);
        } else {
            EXPECT_EQ(seen.load(), c.nice);
        }
        EXPECT_EQ(::getpriority(PRIO_PROCESS, static_cast<id_t>(CurrentThreadId())), inherited)
            << "the caller's own priority is left alone";
        engine_.reset();
    }
}

TEST_F(RunControlTest, AThreadTheSystemRefusesEndsTheTaskWithAnError) {
#ifdef __SANITIZE_THREAD__
    GTEST_SKIP() << "the sanitizer's own threads would be refused as well";
#else
    Prepare(false);
    const auto thread = engine_->StartTranscode(true, tpNormal);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NPROC, &saved), 0);
    rlimit none = saved;
    none.rlim_cur = 0;
    ASSERT_EQ(::setrlimit(RLIMIT_NPROC, &none), 0);
    bool refused = false;
    try {
        std::thread([] {}).join();
    } catch (const std::system_error&) {
        refused = true;
    }
    if (refused) {
        thread->Start();
    }
    ::setrlimit(RLIMIT_NPROC, &saved);
    if (!refused) {
        engine_->StopTranscode(true);
        GTEST_SKIP() << "this user may create threads beyond the limit";
    }
    EXPECT_TRUE(engine_->RunDoneEvent().IsSet()) << "a waiting stop would return";
    EXPECT_EQ(recorder_.Terminations(), 1);
    EXPECT_TRUE(engine_->Terminated());
    EXPECT_TRUE(engine_->HasError());
    EXPECT_EQ(engine_->ErrorMessage().rfind("Cannot create the worker thread: ", 0), 0u)
        << engine_->ErrorMessage();
    EXPECT_EQ(engine_->OutputFileCount(), 0);
#endif
}

TEST_F(RunControlTest, ReportIntervalStartsAtHalfASecondAndNeverGoesBelow100Ms) {
    EXPECT_EQ(engine_->ReportInterval(), 500000);
    struct Case {
        int64_t set;
        int64_t stored;
    };
    for (const Case c : {Case{250000, 250000}, Case{100000, 100000}, Case{99999, 100000},
                         Case{0, 100000}, Case{-5, 100000}}) {
        engine_->SetReportInterval(c.set);
        EXPECT_EQ(engine_->ReportInterval(), c.stored) << c.set;
    }
}

}  // namespace
}  // namespace v2m
