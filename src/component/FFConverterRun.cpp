// Running the tasks: starting them one at a time or on worker threads, pause,
// resume and stop, and the delivery of the four events.
//
// Ends of tasks are counted under the terminate lock and their notifications
// go through one ordered queue, so that the final notification always comes
// after every task's own, however the threads that report the ends interleave.

#include <chrono>
#include <exception>

#include "FFConverter.h"
#include "FFmpegLogger.h"
#include "MainThread.h"
#include "MyUtils.h"

namespace v2m {

namespace {

constexpr auto kWaitSlice = std::chrono::milliseconds(20);

// The task whose end this thread is reporting: freeing it from a handler must
// not wait for the very thread that runs the handler.
thread_local const TFFmpegTask* t_ending_task = nullptr;

class EndingTaskScope {
public:
    explicit EndingTaskScope(const TFFmpegTask* task) : saved_(t_ending_task) {
        t_ending_task = task;
    }
    ~EndingTaskScope() { t_ending_task = saved_; }
    EndingTaskScope(const EndingTaskScope&) = delete;
    EndingTaskScope& operator=(const EndingTaskScope&) = delete;

private:
    const TFFmpegTask* saved_;
};

// The components whose handlers this thread is running, innermost first.
struct HandlerFrame {
    const TCustomFFConverter* owner;
    const HandlerFrame* outer;
};
thread_local const HandlerFrame* t_handler = nullptr;

// Marks this thread as running one of the owner's event handlers.
class HandlerScope {
public:
    explicit HandlerScope(const TCustomFFConverter* owner) : frame_{owner, t_handler} {
        t_handler = &frame_;
    }
    ~HandlerScope() { t_handler = frame_.outer; }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

    static bool Inside(const TCustomFFConverter* owner) {
        for (const HandlerFrame* frame = t_handler; frame != nullptr; frame = frame->outer) {
            if (frame->owner == owner) {
                return true;
            }
        }
        return false;
    }

private:
    HandlerFrame frame_;
};

// Waits until `done` holds; a main thread serves its pending calls meanwhile,
// since the threads waited for may be waiting for it.
template <typename Done>
void WaitServing(Done&& done) {
    const std::shared_ptr<MainThreadServices> main_thread = MainThread();
    const bool on_main = main_thread->IsMainThread();
    while (!done()) {
        if (on_main) {
            main_thread->ProcessPendingMessages();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// Takes the lock, serving the main thread meanwhile: its holder may be a
// worker that waits for the main thread before it lets go.
template <typename Mutex>
std::unique_lock<Mutex> LockServing(Mutex& mutex) {
    std::unique_lock lock(mutex, std::try_to_lock);
    if (!lock.owns_lock()) {
        WaitServing([&lock] { return lock.try_lock(); });
    }
    return lock;
}

}  // namespace

// ---------------------------------------------------------------------------
// The delivery of OnTerminate

// One delivery thread of the component: it delivers what is queued, in order,
// and ends when the queue is empty. At most one exists at a time.
class TCustomFFConverter::TDoTerminateThread {
public:
    explicit TDoTerminateThread(TTerminateQueue& queue);
    ~TDoTerminateThread() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    TDoTerminateThread(const TDoTerminateThread&) = delete;
    TDoTerminateThread& operator=(const TDoTerminateThread&) = delete;

private:
    std::thread thread_;
};

class TCustomFFConverter::TTerminateQueue {
public:
    explicit TTerminateQueue(TCustomFFConverter& owner) : owner_(owner) {}
    ~TTerminateQueue() {
        Drain();
        std::unique_ptr<TDoTerminateThread> last;
        {
            std::lock_guard lock(mutex_);
            last = std::move(thread_);
        }
    }
    TTerminateQueue(const TTerminateQueue&) = delete;
    TTerminateQueue& operator=(const TTerminateQueue&) = delete;

    // With `finalize_after`, the component counts as finalized once the
    // handler has returned.
    void Post(TTerminateInfo info, bool finalize_after) {
        std::lock_guard lock(mutex_);
        items_.push_back({std::move(info), finalize_after});
    }

    // Delivers what is queued: on a delivery thread in background mode, on
    // this thread otherwise. Does nothing while another thread delivers, as
    // that one takes the new items too.
    void Deliver(bool background) {
        std::unique_ptr<TDoTerminateThread> finished;
        bool here = !background;
        {
            std::lock_guard lock(mutex_);
            if (serving_ || items_.empty()) {
                return;
            }
            serving_ = true;
            if (background) {
                // The previous delivery thread has left its loop and only
                // returns; the new one waits for this lock before it delivers.
                finished = std::move(thread_);
                try {
                    thread_ = std::make_unique<TDoTerminateThread>(*this);
                } catch (const std::exception&) {
                    // Out of threads (or of memory for one): undelivered, the
                    // ends would keep every wait for them waiting for ever.
                    here = true;
                }
            }
            if (here) {
                server_ = std::this_thread::get_id();
            }
        }
        finished.reset();
        if (here) {
            Serve();
        }
    }

    // Returns once every notification posted so far has been delivered. A
    // deliverer calling it (from a handler) returns at once.
    void Drain() {
        {
            std::lock_guard lock(mutex_);
            if (serving_ && server_ == std::this_thread::get_id()) {
                return;
            }
        }
        const std::shared_ptr<MainThreadServices> main_thread = MainThread();
        const bool on_main = main_thread->IsMainThread();
        std::unique_lock lock(mutex_);
        while (serving_ || !items_.empty()) {
            if (!serving_) {
                // Posted, and its poster is about to deliver it.
                lock.unlock();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                lock.lock();
                continue;
            }
            if (on_main) {
                lock.unlock();
                main_thread->ProcessPendingMessages();
                lock.lock();
            }
            idle_.wait_for(lock, kWaitSlice);
        }
    }

    // The delivery loop; serving_ is set on entry.
    void Serve() {
        {
            std::lock_guard lock(mutex_);
            server_ = std::this_thread::get_id();
        }
        for (;;) {
            Item item;
            {
                std::lock_guard lock(mutex_);
                if (items_.empty()) {
                    serving_ = false;
                    server_ = std::thread::id();
                    idle_.notify_all();
                    return;
                }
                item = std::move(items_.front());
                items_.pop_front();
            }
            owner_.DeliverTerminate(item.info);
            if (item.finalize_after) {
                owner_.finalized_ = true;
            }
        }
    }

private:
    struct Item {
        TTerminateInfo info;
        bool finalize_after = false;
    };

    TCustomFFConverter& owner_;
    std::mutex mutex_;
    std::condition_variable idle_;
    std::deque<Item> items_;
    bool serving_ = false;
    std::thread::id server_;
    std::unique_ptr<TDoTerminateThread> thread_;  // the latest delivery thread
};

TCustomFFConverter::TDoTerminateThread::TDoTerminateThread(TTerminateQueue& queue)
    : thread_([&queue] { queue.Serve(); }) {}

void TCustomFFConverter::DeliverTerminate(const TTerminateInfo& info) {
    TTerminateEvent handler;
    {
        std::lock_guard lock(handler_mutex_);
        handler = on_terminate_;
    }
    if (!handler) {
        return;
    }
    HandlerScope scope(this);
    try {
        handler(this, info);
    } catch (const std::exception& e) {
        // Nothing above a delivery could take it; the log keeps it.
        Log(llError, std::string("Error occurs OnTerminate: ") + e.what());
    } catch (...) {
        Log(llError, "Error occurs OnTerminate");
    }
}

// ---------------------------------------------------------------------------
// Life cycle

TCustomFFConverter::TCustomFFConverter()
    : terminate_queue_(std::make_unique<TTerminateQueue>(*this)),
      probe_(std::make_unique<TAVProbe>()) {
    // A batch keeps two files open per task until it runs.
    static std::once_flag raised;
    std::call_once(raised, [] { RaiseOpenFileLimit(); });
}

TCustomFFConverter::~TCustomFFConverter() {
    // Nothing may fire into a handler whose owner is going away with us.
    SetOnProgress(nullptr);
    SetOnTerminate(nullptr);
    SetOnCustomHook(nullptr);
    SetOnPreviewBitmap(nullptr);
    Stop(true);
    // No delivery is in progress past these.
    { std::lock_guard lock(hook_lock_); }
    { std::lock_guard lock(preview_lock_); }
    { std::lock_guard lock(progress_lock_); }
    std::vector<TaskPtr> tasks;
    {
        std::lock_guard lock(terminate_lock_);
        tasks = tasks_.TakeAll();
    }
    tasks.clear();
    terminate_queue_.reset();
    probe_.reset();
}

void TCustomFFConverter::SetOnProgress(TProgressEvent handler) {
    std::lock_guard lock(handler_mutex_);
    on_progress_ = std::move(handler);
}

void TCustomFFConverter::SetOnTerminate(TTerminateEvent handler) {
    std::lock_guard lock(handler_mutex_);
    on_terminate_ = std::move(handler);
}

void TCustomFFConverter::SetOnCustomHook(TCustomHookEvent handler) {
    std::lock_guard lock(handler_mutex_);
    on_custom_hook_ = std::move(handler);
}

void TCustomFFConverter::SetOnPreviewBitmap(TPreviewBitmapEvent handler) {
    std::lock_guard lock(handler_mutex_);
    on_preview_bitmap_ = std::move(handler);
}

void TCustomFFConverter::ConnectTask(TFFmpegTask& task) {
    TFFmpegTask* raw = &task;
    task.SetProgressCallback([this, raw](TCustomFFmpeg*, int32_t file_index, int32_t frame_number,
                                         int32_t fps, float quality, float bit_rate, int64_t size,
                                         int64_t time, int64_t total_duration) {
        DeliverProgress(*raw, file_index, frame_number, fps, quality, bit_rate, size, time,
                        total_duration);
    });
    task.SetTerminateCallback([this, raw](TCustomFFmpeg*) { TaskEnded(*raw); });
}

void TFFmpegTask::WaitForEngineThreads() {
    if (t_ending_task == this) {
        return;
    }
    std::shared_ptr<TConvertThread> worker = WorkerThread();
    if (worker && worker->IsCurrent()) {
        return;
    }
    if (Running()) {
        StopTranscode(false);
    }
    WaitServing([this] { return RunDoneEvent().IsSet() && TerminateDoneEvent().IsSet(); });
}

// ---------------------------------------------------------------------------
// Running

void TCustomFFConverter::StartTask(int ThreadCount, int Running) {
    std::unique_lock lock(terminate_lock_);
    CheckNotWorking("StartTask");
    ++run_id_;
    finished_count_ = 0;
    next_task_ = 0;
    tasks_left_ = tasks_.Count();
    finalized_ = false;
    final_posted_ = false;
    running_ = 0;
    running_limit_ = Running < 0 ? ThreadCount : Running;
    wait_owed_ = false;
    background_ = ThreadCount > 0;
    working_ = true;
    // The codecs of tasks that run side by side share the processors.
    const int side_by_side = std::max(1, std::min(ThreadCount, tasks_.Count()));
    for (const TaskPtr& task : tasks_.Items()) {
        task->SetConcurrentTasks(side_by_side);
    }
    library_use_.emplace(ConverterLibs);
    const bool background = background_;

    if (tasks_.Count() == 0) {
        // Nothing will end, so nothing else would issue it: the run is over.
        PostFinal();
    } else if (background) {
        StartNext();
    }
    lock.unlock();

    if (!background) {
        while (TasksLeft() > 0) {
            StartNext();
        }
    }
    terminate_queue_->Deliver(background);
    if (!background) {
        if (wait_owed_.exchange(false)) {
            // A handler stopped the run: the tasks it could not wait for end now.
            Stop(true);
        }
        // Ends reported by other threads (a stop) are delivered before returning.
        terminate_queue_->Drain();
    }
}

TCustomFFConverter::TaskPtr TCustomFFConverter::TakeNext() {
    std::lock_guard lock(terminate_lock_);
    if (tasks_left_ <= 0 || next_task_ < 0 || next_task_ >= tasks_.Count()) {
        tasks_left_ = 0;
        return nullptr;
    }
    --tasks_left_;
    return tasks_.Items()[static_cast<size_t>(next_task_++)];
}

void TCustomFFConverter::StartNext() {
    std::unique_lock lock(terminate_lock_);
    if (!background_) {
        TaskPtr task = TakeNext();
        lock.unlock();
        if (task) {
            // The task runs to its end here, its events included.
            StartOne(task);
            terminate_queue_->Deliver(false);
        }
        return;
    }
    // A task refused at its start reports its end at once, on this thread,
    // and asks for the next start from inside this one: the loop below makes
    // that start instead of nesting deeper.
    if (starting_) {
        return;
    }
    starting_ = true;
    while (running_ < running_limit_) {
        TaskPtr task = TakeNext();
        if (!task) {
            break;
        }
        task->RunState().StartedRun = run_id_;
        ++running_;
        StartOne(task);
    }
    starting_ = false;
}

void TCustomFFConverter::SetRunningLimit(int Running) {
    auto lock = LockServing(terminate_lock_);
    running_limit_ = std::max(Running, 0);
    if (working_ && background_ && tasks_left_ > 0) {
        StartNext();
    }
}

void TCustomFFConverter::StartOne(const TaskPtr& task) {
    int claim = TTaskRunState::kNotClaimed;
    if (!task->RunState().StartClaim.compare_exchange_strong(claim, TTaskRunState::kStartClaimed)) {
        // A stop got it first: it ends without running.
        EndUnstartable(*task, false);
        return;
    }
    task->SetReportInterval(static_cast<int64_t>(progress_interval_.load()) * 1000);
    if (background_) {
        if (std::shared_ptr<TConvertThread> thread = task->StartTranscode(true, thread_priority_)) {
            thread->Start();
            return;
        }
    } else {
        task->StartTranscode(false, thread_priority_);
    }
    // A synchronous run or a failed start check has reported the end already;
    // an engine that refused the start has not.
    EndUnstartable(*task, true);
}

void TCustomFFConverter::EndUnstartable(TFFmpegTask& task, bool refused) {
    std::lock_guard lock(terminate_lock_);
    const int index = tasks_.IndexOf(&task);
    if (index < 0) {
        return;
    }
    if (!task.RunState().EndReported.exchange(true)) {
        // The engine will never report it; a later report of its own is ignored.
        TTerminateInfo info = EndInfo(task, index);
        if (refused) {
            info.Failed = true;
            if (info.ErrorMessage.empty()) {
                info.ErrorMessage = "The task cannot be started.";
            }
        }
        CountEnd(task, std::move(info));
    } else if (task.RunState().CountedRun != run_id_) {
        // Ended before this run began (stopped before it started).
        CountEnd(task, EndInfo(task, index));
    }
}

TTerminateInfo TCustomFFConverter::EndInfo(const TFFmpegTask& task, int index) {
    return TTerminateInfo{index, task.Completed(), task.HasError(), task.ErrorMessage(),
                          task.WrittenOutputNames()};
}

void TCustomFFConverter::TaskEnded(TFFmpegTask& task) {
    EndingTaskScope scope(&task);
    bool background = false;
    {
        std::lock_guard lock(terminate_lock_);
        background = background_;
        if (!task.RunState().EndReported.exchange(true)) {
            const int index = tasks_.IndexOf(&task);
            if (index >= 0) {
                CountEnd(task, EndInfo(task, index));
            }
        }
    }
    terminate_queue_->Deliver(background);
}

void TCustomFFConverter::CountEnd(TFFmpegTask& task, TTerminateInfo info) {
    task.RunState().CountedRun = run_id_;
    // A task a stop ended before it started never held a place.
    if (task.RunState().StartedRun == run_id_) {
        --running_;
    }
    terminate_queue_->Post(std::move(info), false);
    ++finished_count_;
    if (tasks_left_ < 1) {
        if (finished_count_ >= tasks_.Count()) {
            PostFinal();
        }
    } else if (background_) {
        StartNext();
    }
    // In foreground mode the loop of StartTask starts the next task.
}

void TCustomFFConverter::PostFinal() {
    if (final_posted_) {
        return;
    }
    final_posted_ = true;
    // Its handler may unload the libraries.
    library_use_.reset();
    TTerminateInfo info{-1, true, false, std::string()};
    if (background_) {
        // Its handler may clear the list at once.
        finalized_ = true;
        terminate_queue_->Post(std::move(info), false);
    } else {
        terminate_queue_->Post(std::move(info), true);
    }
}

void TCustomFFConverter::Pause() {
    auto lock = LockServing(terminate_lock_);
    tasks_.Pause();
}

void TCustomFFConverter::Resume() {
    auto lock = LockServing(terminate_lock_);
    tasks_.Resume();
}

void TCustomFFConverter::Stop(bool Wait) {
    if (Wait && HandlerScope::Inside(this)) {
        // The thread that raised the event waits for this handler to return,
        // and it may be a worker this stop would wait for.
        Wait = false;
        wait_owed_ = true;
    }
    // The references kept here keep every task alive for the wait, whatever
    // a handler does to the list meanwhile.
    std::vector<TaskPtr> tasks;
    {
        auto lock = LockServing(terminate_lock_);
        tasks_left_ = 0;
        tasks = tasks_.Items();
    }
    for (const TaskPtr& task : tasks) {
        int claim = TTaskRunState::kNotClaimed;
        if (!task->RunState().StartClaim.compare_exchange_strong(claim,
                                                                 TTaskRunState::kStopClaimed) &&
            claim == TTaskRunState::kStartClaimed) {
            // Its start is under way on another thread: let the engine take it
            // first, so that its stop and its start cannot cross.
            TFFmpegTask* raw = task.get();
            WaitServing([raw] {
                return raw->Running() || raw->Terminated() || raw->RunState().EndReported.load();
            });
        }
        task->TerminateTranscode(Wait);
    }
    if (Wait) {
        // An earlier stop that did not wait (one asked from a handler) may have
        // left an end still on its way, which the engine waits for only once.
        for (const TaskPtr& task : tasks) {
            task->WaitForEngineThreads();
        }
        terminate_queue_->Drain();
    }
}

// ---------------------------------------------------------------------------
// Progress, hook and preview

void TCustomFFConverter::DeliverProgress(TFFmpegTask& task, int32_t FileIndex, int32_t FrameNumber,
                                         int32_t FPS, float Quality, float BitRate, int64_t Size,
                                         int64_t Time, int64_t TotalDuration) {
    {
        std::lock_guard lock(handler_mutex_);
        if (!on_progress_) {
            return;
        }
    }
    std::lock_guard progress_guard(progress_lock_);
    progress_info_ = TProgressInfo{task.TaskIndex(), FileIndex, FrameNumber, FPS,          Quality,
                                   BitRate,          Size,      Time,        TotalDuration};
    if (trigger_in_main_ && !progress_waits_ && !MainThread()->IsMainThread()) {
        PostProgress(progress_info_);
        return;
    }
    auto call = [this] {
        TProgressEvent handler;
        {
            std::lock_guard lock(handler_mutex_);
            handler = on_progress_;
        }
        if (handler) {
            HandlerScope scope(this);
            handler(this, &progress_info_);
        }
    };
    if (trigger_in_main_) {
        RunInMainThread(call);
    } else {
        call();
    }
}

void TCustomFFConverter::PostProgress(const TProgressInfo& info) {
    MainThread()->PostToMainThread([this, alive = std::weak_ptr<int>(alive_), info] {
        if (!alive.lock()) {
            return;
        }
        TProgressEvent handler;
        {
            std::lock_guard lock(handler_mutex_);
            handler = on_progress_;
        }
        if (!handler) {
            return;
        }
        // No task waits for this call, so a stop from the handler may wait.
        TProgressInfo copy = info;
        try {
            handler(this, &copy);
        } catch (const std::exception& e) {
            // The task has gone on; the log keeps what its handler met.
            Log(llError, std::string("Error occurs OnProgress: ") + e.what());
        } catch (...) {
            Log(llError, "Error occurs OnProgress");
        }
    });
}

void TCustomFFConverter::DeliverPreview(TFFmpegTask& task, TBitmap24* Bitmap, int32_t FrameNumber,
                                        int64_t PTS) {
    {
        std::lock_guard lock(handler_mutex_);
        if (!on_preview_bitmap_) {
            return;
        }
    }
    std::lock_guard preview_guard(preview_lock_);
    preview_info_ = TPreviewInfo{task.TaskIndex(), Bitmap, FrameNumber, PTS};
    auto call = [this] {
        TPreviewBitmapEvent handler;
        {
            std::lock_guard lock(handler_mutex_);
            handler = on_preview_bitmap_;
        }
        if (handler) {
            HandlerScope scope(this);
            handler(this, preview_info_);
        }
    };
    if (trigger_in_main_) {
        RunInMainThread(call);
    } else {
        call();
    }
}

void TCustomFFConverter::DeliverCustomHook(TFFmpegTask& task, TBitmap24* Bitmap,
                                           int32_t FrameNumber, int64_t PTS, bool& Update,
                                           bool& StopHook) {
    TCustomHookEvent handler;
    {
        std::lock_guard lock(handler_mutex_);
        handler = on_custom_hook_;
    }
    if (!handler) {
        return;
    }
    std::lock_guard lock(hook_lock_);
    hook_info_ = THookInfo{task.TaskIndex(), Bitmap, FrameNumber, PTS, Update, StopHook};
    {
        // Always on the worker thread: the picture is the worker's until it
        // goes back into the conversion.
        std::unique_lock<TBitmap24> canvas;
        if (Bitmap != nullptr) {
            canvas = std::unique_lock<TBitmap24>(*Bitmap);
        }
        HandlerScope scope(this);
        handler(this, &hook_info_);
    }
    Update = hook_info_.Update;
    StopHook = hook_info_.StopHook;
}

}  // namespace v2m
