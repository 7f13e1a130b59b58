#pragma once
// Running one conversion of an engine on a thread of its own: the threads,
// their priorities and the events that say a run or an end notification is
// over.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "FFmpegLogger.h"
#include "ManualResetEvent.h"

namespace v2m {

class TCustomFFmpeg;

namespace engine {

// What the engine's threads may do with the engine that made them: run its
// task, or, when no thread could be had, end the task without running it.
// The engine implements it privately and hands itself to its threads as this
// alone.
class TEngineThreadHost {
public:
    // The run of a started task (the engine's Run).
    virtual void RunTask() = 0;
    // The engine's FreeFiles and DoTerminate.
    virtual void FreeTaskFiles() = 0;
    virtual void EndTask() = 0;
    // Logs a caught failure at quiet level and keeps it as the task's error.
    virtual void RecordFailure(const std::string& message) = 0;
    virtual void Log(TLogLevel level, const std::string& text) = 0;

protected:
    ~TEngineThreadHost() = default;
};

}  // namespace engine

// Priorities a worker thread can run at, lowest first.
enum TThreadPriority : uint8_t {
    tpIdle,
    tpLowest,
    tpLower,
    tpNormal,
    tpHigher,
    tpHighest,
    tpTimeCritical,
};

// The scheduler's nice value a worker thread asks for at each priority.
int ThreadPriorityNiceValue(TThreadPriority priority);

// A thread that works for one engine. It runs its body once launched and then
// signals its event. The thread is joined by whoever lets go of the object
// last, or by an explicit Join; when that is the thread itself (an engine
// freed from its own terminate callback) it is let go of instead, because the
// thread only touches this object and its event after the engine's work.
class TEngineThread : public std::enable_shared_from_this<TEngineThread> {
public:
    virtual ~TEngineThread();
    TEngineThread(const TEngineThread&) = delete;
    TEngineThread& operator=(const TEngineThread&) = delete;

    bool Started() const;
    // The body has returned.
    bool Finished() const { return finished_.load(); }
    // The caller is this thread.
    bool IsCurrent() const;
    // Waits for the thread to end; does nothing on the thread itself or when
    // the thread was never launched or is already joined.
    void Join();

protected:
    TEngineThread(engine::TEngineThreadHost& engine, std::shared_ptr<TManualResetEvent> done);
    // Creates the thread; later calls do nothing.
    void Launch();
    virtual void Execute() = 0;
    // The system refused the thread: end the work on the caller's thread.
    virtual void Abandon(const std::string& reason) = 0;

    engine::TEngineThreadHost& engine_;

private:
    void Body();

    mutable std::mutex mutex_;
    std::mutex join_mutex_;
    std::thread thread_;
    std::thread::id id_;
    bool started_ = false;
    std::atomic<bool> finished_{false};
    std::shared_ptr<TManualResetEvent> done_;
};

// The worker thread of a threaded start. It is made without running: the
// caller of StartTranscode starts it. It runs the engine's Run at its
// priority and then signals the engine's RunDoneEvent.
class TConvertThread final : public TEngineThread {
public:
    // Made without running: the engine starts it.
    TConvertThread(engine::TEngineThreadHost& engine, TThreadPriority priority,
                   std::shared_ptr<TManualResetEvent> done)
        : TEngineThread(engine, std::move(done)), priority_(priority) {}
    // Begins the run; later calls do nothing.
    void Start() { Launch(); }
    TThreadPriority Priority() const { return priority_; }

private:
    void Execute() override;
    void Abandon(const std::string& reason) override;
    void ApplyPriority();

    const TThreadPriority priority_;
};

// Delivers the end of a task that never ran: calls the engine's DoTerminate
// on its own thread, at once, and then signals TerminateDoneEvent.
class TDoTerminateThread final : public TEngineThread {
public:
    TDoTerminateThread(engine::TEngineThreadHost& engine, std::shared_ptr<TManualResetEvent> done)
        : TEngineThread(engine, std::move(done)) {}
    void Start() { Launch(); }

private:
    void Execute() override;
    void Abandon(const std::string& reason) override;
};

// Called on the thread that makes each progress report, with the engine as
// sender; the values are those of TProgressInfo after its task index.
using TProgressCallback = std::function<void(
    TCustomFFmpeg* Sender, int32_t FileIndex, int32_t FrameNumber, int32_t FPS, float Quality,
    float BitRate, int64_t Size, int64_t Time, int64_t TotalDuration)>;

// Called once when the task has ended, on the thread that ended it.
using TTerminateCallback = std::function<void(TCustomFFmpeg* Sender)>;

}  // namespace v2m
