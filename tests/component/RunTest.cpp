// Running tasks: one after another or several at once on worker threads, the
// order and threads of the events, pause, resume and stop, and the lifetime
// of tasks and threads around the run.

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "AudioAnalysis.h"
#include "ComponentTestSupport.h"
#include "FFmpegLoader.h"
#include "FFmpegLogger.h"
#include "Previewer.h"
#include "SafeFiles.h"

namespace v2m::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class RunTest : public ComponentTest {
protected:
    // Samples which tasks run while the run goes on, until the final
    // notification. Keeps every worker thread object seen, so that two tasks
    // can only share one if they really ran on the same thread.
    struct RunSample {
        int most_running = 0;
        std::map<int, std::shared_ptr<TConvertThread>> workers;
        std::vector<int> start_order;
        // For each task: how many others had ended when it was first seen running.
        std::map<int, int> ended_before_start;
    };

    RunSample WatchRun(int task_count) {
        RunSample sample;
        const bool done = ServeUntil([&] {
            int running = 0;
            int ended = 0;
            for (int i = 0; i < task_count; ++i) {
                ended += converter_->Task(i)->Terminated() ? 1 : 0;
            }
            for (int i = 0; i < task_count; ++i) {
                TFFmpegTask* task = converter_->Task(i);
                if (!task->Running()) {
                    continue;
                }
                ++running;
                if (std::shared_ptr<TConvertThread> worker = task->WorkerThread()) {
                    sample.workers.emplace(i, worker);
                }
                if (!sample.ended_before_start.contains(i)) {
                    sample.ended_before_start[i] = ended;
                    sample.start_order.push_back(i);
                }
            }
            sample.most_running = std::max(sample.most_running, running);
            return FinalSeen();
        });
        EXPECT_TRUE(done) << "no final notification";
        return sample;
    }

    void ExpectEndsInOrder(const std::vector<int>& indexes) {
        std::vector<TerminateRecord> records = Terminates();
        ASSERT_EQ(records.size(), indexes.size() + 1);
        for (size_t i = 0; i < indexes.size(); ++i) {
            EXPECT_EQ(records[i].info.TaskIndex, indexes[i]);
        }
        EXPECT_EQ(records.back().info.TaskIndex, -1);
        EXPECT_TRUE(records.back().info.Finished);
        EXPECT_FALSE(records.back().info.Failed);
        EXPECT_TRUE(records.back().info.ErrorMessage.empty());
    }

    // Filled by handlers that do more than record; read once the run is over.
    std::vector<TerminateRecord> records_;

    // Lets the component go at the end of a scope, before the locals its
    // handlers refer to, however the scope is left.
    struct ComponentReset {
        std::unique_ptr<TFFConverter>& owner;
        ~ComponentReset() { owner.reset(); }
    };
};

TEST_F(RunTest, OneAtATimeRunsTasksStrictlyInTurnEachOnItsOwnThread) {
    for (int i = 0; i < 3; ++i) {
        AddJob(kTone3s, "mp3");
    }
    RecordTerminates();
    converter_->StartTask(1);
    EXPECT_TRUE(converter_->Background());
    const RunSample sample = WatchRun(3);

    EXPECT_EQ(sample.most_running, 1);
    EXPECT_EQ(sample.start_order, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(sample.ended_before_start.at(1), 1);
    EXPECT_EQ(sample.ended_before_start.at(2), 2);
    ASSERT_EQ(sample.workers.size(), 3u);
    std::set<TConvertThread*> distinct;
    for (const auto& [index, worker] : sample.workers) {
        distinct.insert(worker.get());
    }
    EXPECT_EQ(distinct.size(), 3u);

    ExpectEndsInOrder({0, 1, 2});
    for (const TerminateRecord& record : Terminates()) {
        EXPECT_NE(record.thread, main_thread_) << "background ends run off the main thread";
        if (record.info.TaskIndex >= 0) {
            EXPECT_TRUE(record.info.Finished);
            EXPECT_FALSE(record.info.Failed) << record.info.ErrorMessage;
        }
    }
    EXPECT_TRUE(Terminates().back().finalized) << "the final handler may clear the list";
    EXPECT_EQ(converter_->FinishedCount(), 3);
    EXPECT_EQ(converter_->TasksLeft(), 0);
    EXPECT_EQ(converter_->NextTask(), 3);
    EXPECT_TRUE(converter_->Working());
}

TEST_F(RunTest, TwoAtATimeStartsTheThirdWhenOneEnds) {
    for (int i = 0; i < 3; ++i) {
        AddJob(kTone20s, "mp3");
    }
    RecordTerminates();
    converter_->StartTask(2);
    EXPECT_TRUE(converter_->Task(0)->Running());
    EXPECT_TRUE(converter_->Task(1)->Running());
    EXPECT_FALSE(converter_->Task(2)->Running());
    EXPECT_FALSE(converter_->Task(2)->Terminated());
    EXPECT_EQ(converter_->TasksLeft(), 1);
    EXPECT_EQ(converter_->NextTask(), 2);

    const RunSample sample = WatchRun(3);
    EXPECT_EQ(sample.most_running, 2);
    EXPECT_GE(sample.ended_before_start.at(2), 1);
    const std::vector<TerminateRecord> records = Terminates();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records.back().info.TaskIndex, -1);
    std::set<int> ended;
    for (size_t i = 0; i < 3; ++i) {
        ended.insert(records[i].info.TaskIndex);
        EXPECT_TRUE(records[i].info.Finished);
    }
    EXPECT_EQ(ended, (std::set<int>{0, 1, 2}));
}

// A background run may begin with fewer tasks running than share the
// processors, or none, and be let run more as it goes; a stop ends the tasks
// that never ran.
TEST_F(RunTest, TheRunningLimitHoldsStartsUntilItIsRaised) {
    struct Case {
        int limit;
        int raised;  // -1: stopped instead
        int most;
    };
    const Case cases[] = {{0, 2, 2}, {1, 1, 1}, {1, 2, 2}, {0, -1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.limit << " then " << c.raised);
        converter_->ClearTasks();
        ClearRecords();
        for (int i = 0; i < 3; ++i) {
            AddJob(kTone20s, "mp3");
        }
        RecordTerminates();
        converter_->StartTask(2, c.limit);
        EXPECT_EQ(converter_->TasksLeft(), 3 - c.limit);
        if (c.limit == 0) {
            std::this_thread::sleep_for(100ms);
            EXPECT_FALSE(converter_->Task(0)->Running() || converter_->Task(0)->Terminated());
        }
        if (c.raised < 0) {
            converter_->Stop(true);
        } else {
            converter_->SetRunningLimit(c.raised);
        }
        const RunSample sample = WatchRun(3);
        EXPECT_EQ(sample.most_running, c.most);
        const std::vector<TerminateRecord> records = Terminates();
        ASSERT_EQ(records.size(), 4u);
        EXPECT_EQ(records.back().info.TaskIndex, -1);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(records[i].info.Finished, c.raised > 0);
            EXPECT_FALSE(records[i].info.Failed) << records[i].info.ErrorMessage;
        }
    }
}

TEST_F(RunTest, ForegroundReturnsAfterEveryTaskAndEventOnTheCallingThread) {
    for (int i = 0; i < 3; ++i) {
        AddJob(kBlip, "wav");
    }
    std::string clear_error;
    const TTerminateEvent record_only = [this, &clear_error](TFFBaseComponent*,
                                                             TTerminateInfo info) {
        if (info.TaskIndex == -1) {
            try {
                converter_->ClearTasks();
            } catch (const EFFConverterError& e) {
                clear_error = e.what();
            }
        }
    };
    // Record first, then try to clear.
    converter_->SetOnTerminate([this, record_only](TFFBaseComponent* sender, TTerminateInfo info) {
        TerminateRecord record{info, CurrentThreadId(), converter_->Finalized()};
        records_.push_back(record);
        record_only(sender, std::move(info));
    });
    converter_->StartTask(0);

    EXPECT_FALSE(converter_->Background());
    ASSERT_EQ(records_.size(), 4u) << "every event ran before StartTask returned";
    for (size_t i = 0; i < records_.size(); ++i) {
        EXPECT_EQ(records_[i].thread, main_thread_);
        EXPECT_EQ(records_[i].info.TaskIndex, i < 3 ? static_cast<int>(i) : -1);
    }
    EXPECT_FALSE(records_.back().finalized);
    EXPECT_EQ(clear_error, "Cannot ClearTasks while working.");
    EXPECT_TRUE(converter_->Finalized());
    EXPECT_EQ(converter_->TaskCount(), 3);
}

TEST_F(RunTest, StopBeforeAnyStartEndsEveryTaskThenTheRun) {
    for (const bool wait : {true, false}) {
        SCOPED_TRACE(wait);
        for (int i = 0; i < 3; ++i) {
            AddJob(kTone3s, "mp3");
        }
        RecordTerminates();
        converter_->Stop(wait);
        if (wait) {
            // Waiting, the tasks end one after another and all is delivered on return.
            ExpectEndsInOrder({0, 1, 2});
        } else {
            // The ends race each other; the final one still comes last.
            ASSERT_TRUE(ServeUntil([&] { return FinalSeen(); }));
            const std::vector<TerminateRecord> records = Terminates();
            ASSERT_EQ(records.size(), 4u);
            EXPECT_EQ(records.back().info.TaskIndex, -1);
            std::set<int> ended;
            for (size_t i = 0; i < 3; ++i) {
                ended.insert(records[i].info.TaskIndex);
            }
            EXPECT_EQ(ended, (std::set<int>{0, 1, 2}));
        }
        for (const TerminateRecord& record : Terminates()) {
            if (record.info.TaskIndex >= 0) {
                EXPECT_FALSE(record.info.Finished);
                EXPECT_FALSE(record.info.Failed);
            }
        }
        EXPECT_TRUE(converter_->Finalized());
        EXPECT_FALSE(converter_->Working());
        // Nothing was written: the unstarted outputs go with their tasks.
        const std::string first = converter_->Task(0)->OutputFile(0)->url;
        converter_->ClearTasks();
        EXPECT_FALSE(fs::exists(first));
        ClearRecords();
    }
}

TEST_F(RunTest, StopWithWaitDeliversEveryEndBeforeReturningEvenWhenTheListIsCleared) {
    for (int i = 0; i < 3; ++i) {
        AddJob(kTone20s, "mp3");
    }
    std::atomic<bool> cleared{false};
    converter_->SetOnTerminate([this, &cleared](TFFBaseComponent*, TTerminateInfo info) {
        records_.push_back({info, CurrentThreadId(), converter_->Finalized()});
        if (info.TaskIndex == -1) {
            // The stop below is still waiting on these tasks.
            converter_->ClearTasks();
            cleared = true;
        }
    });
    converter_->StartTask(1);
    ASSERT_TRUE(ServeUntil([&] { return converter_->Task(0)->Running(); }));
    converter_->Stop(true);

    EXPECT_TRUE(cleared) << "the final notification was delivered before Stop returned";
    ASSERT_EQ(records_.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(records_[static_cast<size_t>(i)].info.TaskIndex, i);
        EXPECT_FALSE(records_[static_cast<size_t>(i)].info.Finished);
    }
    EXPECT_EQ(records_.back().info.TaskIndex, -1);
    EXPECT_EQ(converter_->TaskCount(), 0);
    EXPECT_FALSE(converter_->Working());
}

TEST_F(RunTest, ClearingFromTheFinalHandlerLetsTheNextRunStart) {
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        for (int i = 0; i < 3; ++i) {
            AddJob(kBlip, "wav");
        }
        std::atomic<bool> cleared{false};
        std::string error;
        converter_->SetOnTerminate([&](TFFBaseComponent*, TTerminateInfo info) {
            if (info.TaskIndex != -1) {
                return;
            }
            try {
                converter_->ClearTasks();
            } catch (const std::exception& e) {
                error = e.what();
            }
            cleared = true;
        });
        converter_->StartTask(1);
        ASSERT_TRUE(ServeUntil([&] { return cleared.load(); }));
        EXPECT_EQ(error, "");
        EXPECT_EQ(converter_->TaskCount(), 0);
        EXPECT_FALSE(converter_->Working());
    }
}

TEST_F(RunTest, StartWithoutTasksIssuesTheFinalNotificationAtOnce) {
    for (const int threads : {0, 1}) {
        SCOPED_TRACE(threads);
        RecordTerminates();
        converter_->StartTask(threads);
        ASSERT_TRUE(ServeUntil([&] { return FinalSeen(); }, 5s));
        EXPECT_TRUE(converter_->Finalized());
        converter_->ClearTasks();
    }
}

TEST_F(RunTest, ProgressIntervalHasAFloorOf100) {
    EXPECT_EQ(converter_->ProgressInterval(), 500);
    for (const auto& [set, read] : std::vector<std::pair<int, int>>{
             {50, 100}, {100, 100}, {-5, 100}, {101, 101}, {2000, 2000}}) {
        converter_->SetProgressInterval(set);
        EXPECT_EQ(converter_->ProgressInterval(), read);
    }
}

// With ProgressWaits the worker is held in each delivery; without, the
// handler gets copies on the main thread, in order, and the final report
// still comes before what the task's end hands to the main thread.
TEST_F(RunTest, ProgressRunsOnTheMainThreadWaitedForOrPosted) {
    for (const bool waits : {true, false}) {
        SCOPED_TRACE(waits ? "waits" : "posted");
        converter_ = std::make_unique<TFFConverter>();
        ClearRecords();
        converter_->SetProgressWaits(waits);
        // Read at the clip's own pace, so that the run lasts its 3 s whatever the machine.
        TInputOptions paced;
        paced.ExtOptions = "re=1";
        ASSERT_EQ(converter_->AddTask(SharedClip(kTone3s).string(), &paced), 0);
        ASSERT_TRUE(
            converter_->SetOutputFile(0, Out(waits ? "waited.mp3" : "posted.mp3").string()));
        converter_->SetProgressInterval(100);
        std::vector<TProgressInfo> reports;
        bool worker_was_running = true;
        bool ended_meanwhile = false;
        converter_->SetOnProgress([&](TFFBaseComponent*, PProgressInfo info) {
            EXPECT_EQ(CurrentThreadId(), main_thread_);
            reports.push_back(*info);
            const TFFmpegTask& task = *converter_->Task(info->TaskIndex);
            // A waiting worker is held in this delivery: the task cannot have ended.
            worker_was_running = worker_was_running && task.Running();
            if (!waits && info->FileIndex == -1) {
                // Held here, the final report's handler sees its task end all the same.
                const auto deadline = std::chrono::steady_clock::now() + 20s;
                while (task.Running() && std::chrono::steady_clock::now() < deadline) {
                    std::this_thread::sleep_for(1ms);
                }
                ended_meanwhile = !task.Running();
            }
        });
        std::optional<size_t> reports_at_end;
        RecordTerminates([&](const TTerminateInfo& info) {
            if (info.TaskIndex == 0) {
                MainThread()->PostToMainThread([&] { reports_at_end = reports.size(); });
            }
        });
        const ComponentReset reset{converter_};
        converter_->StartTask(1);
        ASSERT_TRUE(ServeUntil([&] { return FinalSeen() && reports_at_end.has_value(); }));
        EXPECT_TRUE(waits ? worker_was_running : ended_meanwhile);
        ASSERT_GE(reports.size(), 10u) << "one report per 100 ms";
        EXPECT_EQ(*reports_at_end, reports.size()) << "every report came before the end";
        EXPECT_EQ(reports.back().FileIndex, -1) << "the final report";
        for (size_t i = 0; i < reports.size(); ++i) {
            EXPECT_EQ(reports[i].TaskIndex, 0);
            EXPECT_EQ(reports[i].FrameNumber, -1);
            EXPECT_EQ(reports[i].TotalDuration, 3000000);
            EXPECT_LE(i == 0 ? 0 : reports[i - 1].Time, reports[i].Time) << "in order";
        }
        EXPECT_NEAR(static_cast<double>(reports.back().Time) / 1e6, 3.0, 0.1);
    }
}

// Unloading the libraries is refused for as long as a run goes on: while a
// task converts (its progress handler holds the worker) and between two tasks
// (the first one's end). The run still converts both files whole, and once it
// is over the libraries unload.
TEST_F(RunTest, UnloadingIsRefusedWhileARunGoesOn) {
    struct Case {
        const char* name;
        int threads;
    };
    for (const Case& c : {Case{"background", 1}, Case{"foreground", 0}}) {
        SCOPED_TRACE(c.name);
        converter_->ClearTasks();
        ClearRecords();
        const int first = AddJob(kTone3s, "mp3");
        AddJob(kTone3s, "mp3");
        std::mutex mutex;
        std::vector<std::string> answers;  // LastError of every refusal; "unloaded" otherwise
        auto try_unload = [&] {
            TFFmpegLoader& loader = FFLoader();
            const bool unloaded = loader.UnloadLibraries(ConverterLibs);
            std::lock_guard lock(mutex);
            answers.push_back(unloaded ? "unloaded" : loader.LastError());
        };
        converter_->SetOnProgress([&](TFFBaseComponent*, PProgressInfo) { try_unload(); });
        RecordTerminates([&](const TTerminateInfo& info) {
            if (info.TaskIndex == first) {
                try_unload();
            }
        });
        converter_->StartTask(c.threads);
        ASSERT_TRUE(ServeUntil([&] { return FinalSeen(); }));
        converter_->SetOnProgress(nullptr);

        {
            std::lock_guard lock(mutex);
            EXPECT_GE(answers.size(), 3u) << "a final report per task and one end";
            for (const std::string& answer : answers) {
                EXPECT_EQ(answer, kUnloadWhileInUseError);
            }
        }
        EXPECT_TRUE(FFLoader().UnloadLibraries(ConverterLibs)) << FFLoader().LastError();
        EXPECT_FALSE(converter_->AVLibLoaded());
        LoadConverterLibs();

        const std::vector<TerminateRecord> records = Terminates();
        ASSERT_EQ(records.size(), 3u);
        for (size_t i = 0; i < 2; ++i) {
            EXPECT_TRUE(records[i].info.Finished);
            EXPECT_FALSE(records[i].info.Failed) << records[i].info.ErrorMessage;
            ASSERT_EQ(records[i].info.OutputFiles.size(), 1u);
            const fixtures::AudioAnalysis audio =
                fixtures::AnalyzeAudio(records[i].info.OutputFiles[0]);
            EXPECT_NEAR(audio.duration_s, 3.0, 0.1);
            EXPECT_EQ(audio.channels, 2);
            ASSERT_FALSE(audio.channel.empty());
            EXPECT_NEAR(audio.Loudest().frequency_hz, 1000.0, 5.0);
        }
    }
}

TEST_F(RunTest, AFailingTaskReportsItsErrorAndTheRunGoesOn) {
    AddJob(kBlip, "wav");
    TOutputOptions wrong;
    wrong.AudioCodec = "pcm_s16le";  // the MP3 muxer takes MP3 only
    AddJob(kBlip, "mp3", &wrong);
    // A task without output is refused by its engine at the start.
    ASSERT_EQ(converter_->AddTask(SharedClip(kBlip).string()), 2) << converter_->LastError();
    AddJob(kBlip, "wav");
    RecordTerminates();
    converter_->StartTask(1);
    ASSERT_TRUE(ServeUntil([&] { return FinalSeen(); }));
    ExpectEndsInOrder({0, 1, 2, 3});
    const std::vector<TerminateRecord> records = Terminates();
    EXPECT_TRUE(records[0].info.Finished);
    EXPECT_FALSE(records[0].info.Failed);
    EXPECT_TRUE(records[1].info.Failed);
    EXPECT_FALSE(records[1].info.ErrorMessage.empty());
    EXPECT_TRUE(records[2].info.Failed);
    EXPECT_EQ(records[2].info.ErrorMessage, "At least one output file must be specified");
    EXPECT_TRUE(records[3].info.Finished);
    EXPECT_FALSE(records[3].info.Failed);
}

TEST_F(RunTest, ATaskWhoseEngineRefusesTheStartIsCountedOnceAndTheRunGoesOn) {
    AddJob(kBlip, "wav");
    AddJob(kBlip, "wav");
    // Run outside the component: its engine refuses any later start.
    converter_->Task(0)->StartTranscode(false);
    ASSERT_TRUE(converter_->Task(0)->Terminated());
    RecordTerminates();
    converter_->StartTask(1);
    ASSERT_TRUE(ServeUntil([&] { return FinalSeen(); }));
    ExpectEndsInOrder({0, 1});
    EXPECT_TRUE(Terminates()[0].info.Finished) << "its earlier end is reported";
    EXPECT_TRUE(Terminates()[1].info.Finished);
    EXPECT_EQ(converter_->FinishedCount(), 2);
}

// While it lives, no thread can be made: the default stack asked of every new
// thread is larger than the address space, as a process at its memory limit
// would find.
class NoNewThreads {
public:
    NoNewThreads() {
        ::pthread_getattr_default_np(&saved_);
        pthread_attr_t huge;
        ::pthread_attr_init(&huge);
        ::pthread_attr_setstacksize(&huge, size_t{1} << 47);
        ::pthread_setattr_default_np(&huge);
        ::pthread_attr_destroy(&huge);
    }
    ~NoNewThreads() {
        ::pthread_setattr_default_np(&saved_);
        ::pthread_attr_destroy(&saved_);
    }
    NoNewThreads(const NoNewThreads&) = delete;
    NoNewThreads& operator=(const NoNewThreads&) = delete;

private:
    pthread_attr_t saved_;
};

TEST_F(RunTest, TasksWhoseThreadsCannotBeMadeFailWithTheReasonAndTheRunEnds) {
#ifdef __SANITIZE_THREAD__
    GTEST_SKIP() << "the sanitizer's own threads would be refused as well";
#endif
    HangGuard guard("a run without threads", 60s);
    for (int i = 0; i < 5; ++i) {
        AddJob(kBlip, "wav");
    }
    RecordTerminates();
    {
        NoNewThreads limit;
        converter_->StartTask(2);
        ASSERT_TRUE(ServeUntil([&] { return FinalSeen(); }, 30s));
    }
    const std::vector<TerminateRecord> records = Terminates();
    ASSERT_EQ(records.size(), 6u);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_TRUE(records[i].info.Failed);
        EXPECT_EQ(records[i].info.ErrorMessage.rfind("Cannot create the worker thread: ", 0), 0u)
            << records[i].info.ErrorMessage;
    }
    // With threads back, the component runs again.
    converter_->ClearTasks();
    ClearRecords();
    AddJob(kBlip, "wav");
    converter_->StartTask(2);
    ASSERT_TRUE(ServeUntil([&] { return FinalSeen(); }));
    EXPECT_TRUE(Terminates().front().info.Finished);
}

TEST_F(RunTest, PauseHoldsTheTaskWithoutLosingData) {
    AddJob(kTone20s, "mp3");
    const fs::path out = Out("out0.mp3");
    // Written under its partial name until it is complete.
    const fs::path part = PartialName(out.string());
    RecordTerminates();
    converter_->StartTask(1);
    ASSERT_TRUE(ServeUntil([&] { return fs::exists(part) && fs::file_size(part) > 0; }));
    EXPECT_FALSE(fs::exists(out));
    converter_->Pause();
    ServeUntil([] { return false; }, 200ms);
    const auto held = fs::file_size(part);
    ServeUntil([] { return false; }, 400ms);
    EXPECT_EQ(fs::file_size(part), held);
    EXPECT_TRUE(converter_->Task(0)->Running());
    EXPECT_FALSE(FinalSeen());
    EXPECT_TRUE(converter_->Working());
    converter_->Resume();
    ASSERT_TRUE(ServeUntil([&] { return FinalSeen(); }));
    EXPECT_TRUE(Terminates().front().info.Finished);
    EXPECT_EQ(Terminates().front().info.OutputFiles, std::vector<std::string>{out.string()});
    EXPECT_FALSE(fs::exists(part));
    EXPECT_NEAR(fixtures::AnalyzeAudio(out).duration_s, 20.0, 0.1);
}

TEST_F(RunTest, HooksRunOnTheWorkerOneAtATimeWithTheBitmapLocked) {
    TOutputOptions hooked;
    hooked.CustomHook = true;
    AddJob(kBlip, "wav", &hooked);
    AddJob(kBlip, "wav", &hooked);
    AddJob(kBlip, "wav");
    EXPECT_TRUE(converter_->Task(0)->HasCustomHook());
    EXPECT_FALSE(converter_->Task(2)->HasCustomHook());

    // Without a handler the engine's values stay.
    TBitmap24 bitmap(16, 8);
    bool update = true;
    bool stop = false;
    converter_->Task(0)->CustomHook(&bitmap, 1, 40000, update, stop);
    EXPECT_TRUE(update);
    EXPECT_FALSE(stop);

    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> calls{0};
    std::atomic<bool> locked_during_call{true};
    std::atomic<bool> on_main{false};
    converter_->SetOnCustomHook([&](TFFBaseComponent*, PHookInfo info) {
        if (++inside > 1) {
            ++overlaps;
        }
        on_main = on_main || CurrentThreadId() == main_thread_;
        std::thread probe([&] {
            if (info->Bitmap->TryLock()) {
                locked_during_call = false;
                info->Bitmap->Unlock();
            }
        });
        probe.join();
        std::this_thread::sleep_for(10ms);
        info->Update = info->FrameNumber % 2 == 0;
        info->StopHook = info->FrameNumber >= 3;
        ++calls;
        --inside;
    });
    struct Result {
        bool update = true;
        bool stop = false;
    };
    std::map<int, Result> results;
    std::mutex results_mutex;
    std::vector<std::thread> workers;
    for (int task = 0; task < 2; ++task) {
        workers.emplace_back([&, task] {
            TBitmap24 picture(32, 16);
            for (int frame = 1; frame <= 3; ++frame) {
                Result r;
                converter_->Task(task)->CustomHook(&picture, frame, frame * 40000, r.update,
                                                   r.stop);
                std::lock_guard lock(results_mutex);
                results[task * 10 + frame] = r;
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(calls, 6);
    EXPECT_EQ(overlaps, 0);
    EXPECT_TRUE(locked_during_call);
    EXPECT_FALSE(on_main) << "the hook never moves to the main thread";
    for (int task = 0; task < 2; ++task) {
        EXPECT_FALSE(results[task * 10 + 1].update);
        EXPECT_TRUE(results[task * 10 + 2].update);
        EXPECT_FALSE(results[task * 10 + 2].stop);
        EXPECT_TRUE(results[task * 10 + 3].stop);
    }

    converter_->SetOnCustomHook(
        [](TFFBaseComponent*, PHookInfo) { throw std::runtime_error("drawing failed"); });
    EXPECT_THROW(converter_->Task(0)->CustomHook(&bitmap, 4, 0, update, stop), std::runtime_error);
    EXPECT_TRUE(bitmap.TryLock()) << "the drawing lock is released after a failure";
    bitmap.Unlock();
}

TEST_F(RunTest, PreviewPicturesGoToTheMainThreadWithTheTaskIndex) {
    AddJob(kBlip, "wav");
    AddJob(kBlip, "wav");
    std::vector<std::pair<TPreviewInfo, uint32_t>> seen;
    converter_->SetOnPreviewBitmap(
        [&](TFFBaseComponent*, TPreviewInfo info) { seen.emplace_back(info, CurrentThreadId()); });
    TBitmap24 bitmap(8, 8);
    std::atomic<bool> delivered{false};
    std::thread worker([&] {
        converter_->Task(1)->PreviewBitmap(&bitmap, 5, 200000);
        delivered = true;
    });
    // The worker waits until the main thread has served its delivery.
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(delivered);
    ASSERT_TRUE(ServeUntil([&] { return delivered.load(); }, 5s));
    worker.join();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].first.TaskIndex, 1);
    EXPECT_EQ(seen[0].first.Bitmap, &bitmap);
    EXPECT_EQ(seen[0].first.FrameNumber, 5);
    EXPECT_EQ(seen[0].first.PTS, 200000);
    EXPECT_EQ(seen[0].second, main_thread_);

    converter_->SetTriggerEventInMainThread(false);
    converter_->Task(0)->PreviewBitmap(&bitmap, 6, 0);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].first.TaskIndex, 0);

    converter_->SetPreview(true);
    converter_->SetPreviewBitmap(true);
    EXPECT_EQ(converter_->Task(0)->PreviewFlags(), kPreviewWindowFlag | kPreviewBitmapFlag);
    converter_->SetPreview(false);
    EXPECT_EQ(converter_->Task(1)->PreviewFlags(), kPreviewBitmapFlag);
    EXPECT_EQ(converter_->Task(AddJob(kBlip, "wav"))->PreviewFlags(), kPreviewBitmapFlag);
}

// A preview window that only counts: made, shown and destroyed, and whether
// anything of it happened away from the main thread.
struct PreviewWindowCounts {
    std::atomic<int> made{0};
    std::atomic<int> destroyed{0};
    std::atomic<int> shown{0};
    std::atomic<int> off_main{0};
};

class CountingPreviewWindow : public TPreviewWindow {
public:
    CountingPreviewWindow(std::shared_ptr<PreviewWindowCounts> counts, uint32_t main_thread)
        : counts_(std::move(counts)), main_thread_(main_thread) {
        Note();
        ++counts_->made;
    }
    ~CountingPreviewWindow() override {
        Note();
        ++counts_->destroyed;
    }
    void ShowBitmap(const TBitmap24& bitmap, int32_t, int64_t) override {
        Note();
        counts_->shown += bitmap.Width() == 320 && bitmap.Height() == 240 ? 1 : 0;
    }
    bool Closed() const override { return false; }

private:
    void Note() const { counts_->off_main += CurrentThreadId() != main_thread_ ? 1 : 0; }
    std::shared_ptr<PreviewWindowCounts> counts_;
    uint32_t main_thread_;
};

TEST_F(RunTest, TogglingThePreviewAThousandTimesWhileConvertingNeitherHangsNorLeaks) {
    auto counts = std::make_shared<PreviewWindowCounts>();
    InstallPreviewWindowFactory(
        [&] { return std::make_unique<CountingPreviewWindow>(counts, main_thread_); });
    TOutputOptions video;
    video.VideoCodec = "mpeg4";
    // A hook that takes its time keeps the conversion going for all the toggles.
    video.CustomHook = true;
    AddJob(kVideo20s, "avi", &video);
    converter_->SetOnCustomHook(
        [](TFFBaseComponent*, PHookInfo) { std::this_thread::sleep_for(5ms); });
    std::atomic<int> bitmaps{0};
    std::atomic<int> bitmaps_off_main{0};
    converter_->SetOnPreviewBitmap([&](TFFBaseComponent*, TPreviewInfo info) {
        bitmaps_off_main += CurrentThreadId() != main_thread_ ? 1 : 0;
        bitmaps += info.Bitmap != nullptr && info.Bitmap->Width() == 320 ? 1 : 0;
    });
    RecordTerminates();
    {
        HangGuard guard("toggling the preview while converting", 180s);
        converter_->StartTask(1);
        int toggles = 0;
        while (toggles < 1000 && !FinalSeen()) {
            converter_->SetPreview(toggles++ % 2 == 0);
            ServeUntil([] { return false; }, 1ms);
        }
        EXPECT_EQ(toggles, 1000) << "the conversion ended before the toggling did";
        // Preview bitmaps take the place of the window while they are on.
        converter_->SetPreview(false);
        converter_->SetPreviewBitmap(true);
        ASSERT_TRUE(ServeUntil([&] { return FinalSeen(); }, 120s));
    }
    const std::vector<TerminateRecord> ends = Terminates();
    ASSERT_FALSE(ends.empty());
    EXPECT_TRUE(ends.front().info.Finished && !ends.front().info.Failed)
        << ends.front().info.ErrorMessage;
    converter_->ClearTasks();
    InstallPreviewWindowFactory(nullptr);
    EXPECT_GT(counts->shown, 0);
    EXPECT_EQ(counts->made, counts->destroyed) << "every preview window made is destroyed";
    EXPECT_EQ(counts->off_main, 0);
    EXPECT_GT(bitmaps, 0);
    EXPECT_EQ(bitmaps_off_main, 0);
}

TEST_F(RunTest, AHundredTasksLeaveNoThreadsOrDescriptorsBehind) {
    const int threads_before = ThreadCount();
    const int descriptors_before = DescriptorCount();
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(AddJob(kBlip, "wav"), i);
    }
    EXPECT_GE(DescriptorCount(), descriptors_before + 100) << "each task holds its input";
    RecordTerminates();
    converter_->SetProgressInterval(100);
    converter_->StartTask(1);
    ASSERT_TRUE(ServeUntil([&] { return FinalSeen(); }, 300s));
    const std::vector<TerminateRecord> records = Terminates();
    ASSERT_EQ(records.size(), 101u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(records[static_cast<size_t>(i)].info.TaskIndex, i);
        EXPECT_TRUE(records[static_cast<size_t>(i)].info.Finished);
    }
    converter_->ClearTasks();
    converter_.reset();
    EXPECT_TRUE(ServeUntil([&] { return ThreadCount() == threads_before; }, 5s))
        << ThreadCount() << " threads, " << threads_before << " before";
    EXPECT_EQ(DescriptorCount(), descriptors_before);
    EXPECT_NEAR(fixtures::AnalyzeAudio(Out("out99.wav")).duration_s, 0.2, 0.01);
}

TEST_F(RunTest, DestroyingTheComponentMidRunStopsAndWaitsForEverything) {
    const int threads_before = ThreadCount();
    for (int i = 0; i < 3; ++i) {
        AddJob(kTone20s, "mp3");
    }
    std::atomic<bool> destroyed{false};
    std::atomic<int> late_events{0};
    converter_->SetOnTerminate([&](TFFBaseComponent*, TTerminateInfo) {
        if (destroyed) {
            ++late_events;
        }
    });
    converter_->SetOnProgress([&](TFFBaseComponent*, PProgressInfo) {
        if (destroyed) {
            ++late_events;
        }
    });
    converter_->StartTask(2);
    ASSERT_TRUE(ServeUntil([&] { return converter_->Task(1)->Running(); }));
    converter_.reset();
    destroyed = true;
    EXPECT_EQ(ThreadCount(), threads_before);
    main_->ProcessPendingMessages();
    EXPECT_EQ(late_events, 0);
}

enum class EventKind { kProgress, kTerminate, kHook, kPreview };

struct StopFromHandlerCase {
    const char* name;
    EventKind kind;
    int threads;          // StartTask's count; 0 runs in the foreground
    bool in_main_thread;  // TriggerEventInMainThread
    bool progress_waits = true;
};

// Every task of the three ended once, the last one stopped before it ran,
// and the final notification came last.
void ExpectStoppedRunEnded(const std::vector<TerminateRecord>& records, TFFConverter& converter) {
    ASSERT_EQ(records.size(), 4u);
    std::set<int> ended_tasks;
    for (size_t i = 0; i < 3; ++i) {
        ended_tasks.insert(records[i].info.TaskIndex);
    }
    EXPECT_EQ(ended_tasks, (std::set<int>{0, 1, 2}));
    EXPECT_EQ(records.back().info.TaskIndex, -1);
    for (const TerminateRecord& record : records) {
        if (record.info.TaskIndex == 2) {
            EXPECT_FALSE(record.info.Finished) << "the last task was stopped before it ran";
        }
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(converter.Task(i)->Terminated()) << i;
    }
    EXPECT_EQ(converter.TasksLeft(), 0);
}

// Stop(true) from inside a handler returns, even where the thread that raised
// the event is one the stop would wait for, and the run still ends with every
// task's notification and then the final one. Hook and preview are raised
// from a helper thread standing in for a video path, as an audio run has none.
TEST_F(RunTest, StopWithWaitFromAHandlerReturnsAndEndsTheRun) {
    const StopFromHandlerCase cases[] = {
        {"progress on the main thread", EventKind::kProgress, 1, true},
        {"progress posted to the main thread", EventKind::kProgress, 1, true, false},
        {"progress on two workers", EventKind::kProgress, 2, false},
        {"progress in the foreground", EventKind::kProgress, 0, true},
        {"terminate", EventKind::kTerminate, 1, true},
        {"terminate in the foreground", EventKind::kTerminate, 0, true},
        {"hook", EventKind::kHook, 1, true},
        {"preview", EventKind::kPreview, 1, true},
    };
    for (const StopFromHandlerCase& c : cases) {
        SCOPED_TRACE(c.name);
        HangGuard guard(std::string("Stop(true) from the handler, ") + c.name, 60s);
        converter_ = std::make_unique<TFFConverter>();
        ClearRecords();
        converter_->SetTriggerEventInMainThread(c.in_main_thread);
        converter_->SetProgressWaits(c.progress_waits);
        converter_->SetProgressInterval(100);
        // Paced, so that each task lasts its 3 s and a stop cuts it short.
        TInputOptions paced;
        paced.ExtOptions = "re=1";
        TOutputOptions hooked;
        hooked.CustomHook = true;
        for (int i = 0; i < 3; ++i) {
            AddJob(kTone3s, "mp3", &hooked, &paced);
        }

        std::atomic<bool> asked{false};
        std::atomic<bool> returned{false};
        auto stop_once = [&] {
            if (!asked.exchange(true)) {
                converter_->Stop(true);
                returned = true;
            }
        };
        RecordTerminates([&](const TTerminateInfo& info) {
            if (c.kind == EventKind::kTerminate && info.TaskIndex == 0) {
                stop_once();
            }
        });
        converter_->SetOnProgress([&](TFFBaseComponent*, PProgressInfo) {
            if (c.kind == EventKind::kProgress) {
                stop_once();
            }
        });
        converter_->SetOnCustomHook([&](TFFBaseComponent*, PHookInfo) { stop_once(); });
        converter_->SetOnPreviewBitmap([&](TFFBaseComponent*, TPreviewInfo) { stop_once(); });
        const ComponentReset reset{converter_};

        converter_->StartTask(c.threads);
        if (c.threads == 0) {
            EXPECT_TRUE(FinalSeen()) << "the foreground run finished the stop's wait";
        }
        std::thread raiser;
        if (c.kind == EventKind::kHook || c.kind == EventKind::kPreview) {
            ASSERT_TRUE(ServeUntil([&] { return converter_->Task(0)->Running(); }));
            raiser = std::thread([&] {
                TBitmap24 picture(16, 8);
                bool update = true;
                bool stop_hook = false;
                if (c.kind == EventKind::kHook) {
                    converter_->Task(0)->CustomHook(&picture, 1, 0, update, stop_hook);
                } else {
                    converter_->Task(0)->PreviewBitmap(&picture, 1, 0);
                }
            });
        }
        const bool ended = ServeUntil([&] { return FinalSeen(); });
        if (raiser.joinable()) {
            raiser.join();
        }
        ASSERT_TRUE(ended) << "no final notification";
        EXPECT_TRUE(returned);

        ExpectStoppedRunEnded(Terminates(), *converter_);
    }
}

// The run-state reads never wait for the terminate lock. A worker holds it
// while it starts the next task, and a start the engine refuses logs its
// reason through the main thread before the worker lets go: a log handler
// that read the state under that lock would never return.
TEST_F(RunTest, RunStateReadsFromAHandlerDoNotWaitForAWorker) {
    HangGuard guard("run-state reads from the log handler", 60s);
    AddJob(kBlip, "wav");
    // Without an output: refused by its engine when the worker starts it.
    ASSERT_EQ(converter_->AddTask(SharedClip(kBlip).string()), 1) << converter_->LastError();
    struct Reads {
        int32_t left = -1;
        int32_t next = -1;
        int32_t finished = -1;
        uint32_t thread = 0;
    };
    std::vector<Reads> reads;
    TFFLogger& logger = FFLoggerInstance();
    logger.SetTriggerEventInMainThread(true);
    logger.SetOnLog([&](TFFBaseComponent*, uint32_t, TLogLevel, const std::string& text) {
        if (text.find("At least one output file must be specified") != std::string::npos) {
            reads.push_back({converter_->TasksLeft(), converter_->NextTask(),
                             converter_->FinishedCount(), CurrentThreadId()});
        }
    });
    RecordTerminates();
    converter_->StartTask(1);
    ASSERT_TRUE(ServeUntil([&] { return FinalSeen(); }));
    logger.SetOnLog(nullptr);

    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].thread, main_thread_);
    // Read while the second task's start was under way: both are taken, one has ended.
    EXPECT_EQ(reads[0].left, 0);
    EXPECT_EQ(reads[0].next, 2);
    EXPECT_EQ(reads[0].finished, 1);
    ExpectEndsInOrder({0, 1});
    EXPECT_TRUE(Terminates()[1].info.Failed);
}

}  // namespace
}  // namespace v2m::test
