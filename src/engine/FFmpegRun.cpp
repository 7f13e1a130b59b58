// Run control: starting a task on a worker thread or on the caller's thread,
// the run that always cleans up, pause and resume at the main loop's safe
// point, stop, and the end notification of a task that never ran.

#include "FFmpegRun.h"

#include <sys/resource.h>

#include <cerrno>
#include <system_error>

#include "FFmpeg.h"
#include "FFmpegLoader.h"
#include "Format.h"
#include "MainThread.h"

namespace v2m {

namespace {

constexpr auto kWaitSlice = std::chrono::milliseconds(20);

// Runs one step of a run so that a failure in it does not keep the next
// steps from cleaning up.
template <typename Step>
void Guarded(engine::TEngineThreadHost& engine, Step&& step) {
    try {
        step();
    } catch (const std::exception& e) {
        engine.RecordFailure(e.what());
    } catch (...) {
        engine.RecordFailure("Unknown failure");
    }
}

}  // namespace

int ThreadPriorityNiceValue(TThreadPriority priority) {
    switch (priority) {
        case tpIdle:
            return 19;
        case tpLowest:
            return 10;
        case tpLower:
            return 5;
        case tpNormal:
            return 0;
        case tpHigher:
            return -5;
        case tpHighest:
            return -10;
        case tpTimeCritical:
            return -20;
    }
    return 0;
}

TEngineThread::TEngineThread(engine::TEngineThreadHost& engine,
                             std::shared_ptr<TManualResetEvent> done)
    : engine_(engine), done_(std::move(done)) {}

TEngineThread::~TEngineThread() {
    std::lock_guard lock(mutex_);
    if (!thread_.joinable()) {
        return;
    }
    if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach();
    } else {
        thread_.join();
    }
}

bool TEngineThread::Started() const {
    std::lock_guard lock(mutex_);
    return started_;
}

bool TEngineThread::IsCurrent() const {
    std::lock_guard lock(mutex_);
    return started_ && id_ == std::this_thread::get_id();
}

void TEngineThread::Launch() {
    std::string failure;
    {
        std::lock_guard lock(mutex_);
        if (started_) {
            return;
        }
        started_ = true;
        try {
            // The thread keeps its object alive: it may outlast every other owner.
            thread_ = std::thread([self = shared_from_this()] { self->Body(); });
            id_ = thread_.get_id();
            return;
        } catch (const std::system_error& e) {
            failure = e.what();
        }
    }
    // Without a thread the work cannot be done, but its end must still be
    // told, or whoever waits for it would wait forever.
    Abandon(failure);
    finished_ = true;
    done_->Set();
}

void TEngineThread::Body() {
    Execute();
    finished_ = true;
    done_->Set();
}

void TEngineThread::Join() {
    // The thread never takes join_mutex_, so joining while holding it cannot
    // block the thread; it keeps a second caller from returning before the end.
    std::lock_guard join_lock(join_mutex_);
    std::thread thread;
    {
        std::lock_guard lock(mutex_);
        if (!thread_.joinable() || id_ == std::this_thread::get_id()) {
            return;
        }
        thread = std::move(thread_);
    }
    thread.join();
}

void TConvertThread::Execute() {
    ApplyPriority();
    engine_.RunTask();
}

void TConvertThread::Abandon(const std::string& reason) {
    engine_.RecordFailure("Cannot create the worker thread: " + reason);
    Guarded(engine_, [this] { engine_.FreeTaskFiles(); });
    Guarded(engine_, [this] { engine_.EndTask(); });
}

void TConvertThread::ApplyPriority() {
    const int wanted = ThreadPriorityNiceValue(priority_);
    const auto id = static_cast<id_t>(CurrentThreadId());
    errno = 0;
    const int current = ::getpriority(PRIO_PROCESS, id);
    if (errno == 0 && current == wanted) {
        return;
    }
    // Nice values belong to each thread on this system, so this moves the worker alone.
    if (::setpriority(PRIO_PROCESS, id, wanted) != 0) {
        const int error = errno;
        engine_.Log(llVerbose,
                    Format("Thread priority %d (nice %d) refused, running at normal priority: %s",
                           static_cast<int>(priority_), wanted,
                           std::error_code(error, std::generic_category()).message().c_str()));
    }
}

void TDoTerminateThread::Execute() {
    Guarded(engine_, [this] { engine_.EndTask(); });
}

void TDoTerminateThread::Abandon(const std::string&) {
    Execute();
}

void TCustomFFmpeg::RecordFailure(const std::string& message) {
    Log(llQuiet, message);
    run_.RecordError(message);
}

std::string TCustomFFmpeg::ErrorMessage() const {
    return run_.ErrorMessage();
}

std::shared_ptr<TConvertThread> TCustomFFmpeg::WorkerThread() const {
    std::lock_guard lock(worker_mutex_);
    return worker_thread_;
}

void TCustomFFmpeg::SetReportInterval(int64_t microseconds) {
    run_.SetReportInterval(microseconds);
}

void TCustomFFmpeg::SetProgressCallback(TProgressCallback callback) {
    run_.SetProgressCallback(std::move(callback));
}

void TCustomFFmpeg::SetTerminateCallback(TTerminateCallback callback) {
    run_.SetTerminateCallback(std::move(callback));
}

std::shared_ptr<TConvertThread> TCustomFFmpeg::StartTranscode(bool Threaded,
                                                              TThreadPriority Priority) {
    if (run_.Running() || run_.Terminated()) {
        return nullptr;
    }
    const char* refusal = nullptr;
    if (OutputFileCount() <= 0) {
        refusal = "At least one output file must be specified";
    } else if (InputFileCount() == 0) {
        refusal = "At least one input file must be specified";
    }
    if (refusal != nullptr) {
        Guarded(*this, [this] { FreeFiles(); });
        RecordFailure(refusal);
        Guarded(*this, [this] { DoTerminate(); });
        return nullptr;
    }

    run_.Begin();
    library_use_.emplace(ConverterLibs);
    if (!Threaded) {
        // Nothing of this engine may be touched after Run: its terminate
        // callback is free to destroy it.
        Run();
        return nullptr;
    }
    // Reset here, before the thread exists, so that a stop that waits right
    // after this start cannot see the event of an earlier state.
    run_done_->Reset();
    std::shared_ptr<TConvertThread> thread(new TConvertThread(*this, Priority, run_done_));
    std::lock_guard lock(worker_mutex_);
    worker_thread_ = thread;
    run_thread_ = thread;
    return thread;
}

void TCustomFFmpeg::Run() {
    Guarded(*this, [this] {
        run_.SetCompleted(false);
        Transcode();
    });
    // Closed, the outputs get their final names (or go, after a failure).
    Guarded(*this, [this] { FreeFiles(); });
    // Before the end is reported: whoever hears of it may unload the libraries.
    library_use_.reset();
    // The last step: the terminate callback may destroy this engine.
    Guarded(*this, [this] { DoTerminate(); });
}

void TCustomFFmpeg::DoTerminate() {
    run_.End();
    {
        std::lock_guard lock(worker_mutex_);
        worker_thread_.reset();
    }
    run_.ClearPause();
    const TTerminateCallback callback = run_.TerminateCallback();
    if (callback) {
        callback(this);
    }
}

void TCustomFFmpeg::WakeWorker() {
    std::shared_ptr<TConvertThread> worker = WorkerThread();
    if (worker && !worker->Started()) {
        worker->Start();
    }
    run_.Resume();
}

void TCustomFFmpeg::StopTranscode(bool Wait) {
    run_.RequestStop();
    WakeWorker();
    if (!Wait) {
        return;
    }
    std::shared_ptr<TConvertThread> thread;
    {
        std::lock_guard lock(worker_mutex_);
        thread = run_thread_;
    }
    // A worker that stops itself (from a callback) cannot wait for its own end.
    if (thread && thread->IsCurrent()) {
        return;
    }
    WaitServingMainThread(*run_done_);
    if (thread) {
        thread->Join();
    }
}

void TCustomFFmpeg::TerminateTranscode(bool Wait) {
    if (run_.Running()) {
        StopTranscode(Wait);
        return;
    }
    if (run_.Terminated()) {
        return;
    }
    std::shared_ptr<TDoTerminateThread> thread;
    {
        std::lock_guard lock(worker_mutex_);
        // One end notification per engine, however often this is asked for.
        if (!terminate_thread_) {
            terminate_done_->Reset();
            terminate_thread_.reset(new TDoTerminateThread(*this, terminate_done_));
            terminate_thread_->Start();
        }
        thread = terminate_thread_;
    }
    if (!Wait || thread->IsCurrent()) {
        return;
    }
    WaitServingMainThread(*terminate_done_);
    thread->Join();
}

void TCustomFFmpeg::PauseTranscode() {
    std::shared_ptr<TConvertThread> worker = WorkerThread();
    // A worker made without running is suspended already.
    if (!worker || !worker->Started() || worker->Finished()) {
        return;
    }
    run_.Pause();
}

void TCustomFFmpeg::ResumeTranscode() {
    if (WorkerThread()) {
        WakeWorker();
    }
}

bool TCustomFFmpeg::Paused() const {
    return run_.Paused();
}

void TCustomFFmpeg::WaitWhilePaused() {
    run_.WaitWhilePaused();
}

void TCustomFFmpeg::WaitServingMainThread(const TManualResetEvent& event) const {
    const std::shared_ptr<MainThreadServices> main_thread = MainThread();
    while (!event.WaitFor(kWaitSlice)) {
        // The worker may be waiting for the main thread to run one of its
        // calls (a log line, a progress event): serve them, or both wait forever.
        if (main_thread->IsMainThread()) {
            main_thread->ProcessPendingMessages();
        }
    }
}

void TCustomFFmpeg::EndRunControl() {
    std::shared_ptr<TConvertThread> run;
    std::shared_ptr<TDoTerminateThread> terminate;
    {
        std::lock_guard lock(worker_mutex_);
        run = run_thread_;
        terminate = terminate_thread_;
    }
    if (run) {
        run_.RequestStop();
        WakeWorker();
        if (!run->IsCurrent()) {
            WaitServingMainThread(*run_done_);
            run->Join();
        }
    }
    if (terminate && !terminate->IsCurrent()) {
        WaitServingMainThread(*terminate_done_);
        terminate->Join();
    }
}

}  // namespace v2m
