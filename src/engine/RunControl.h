#pragma once
// The state that controls one engine's run, shared between the thread that
// runs it and whoever starts, pauses, resumes or stops it: whether it runs
// and how it ended, its failure, the pause and the stop, and what progress
// reports and the end notification go to. The threads themselves stay the
// engine's (FFmpegRun.cpp).

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "FFmpegRun.h"

namespace v2m::engine {

class TRunControl {
public:
    bool Running() const { return running_.load(); }
    bool Completed() const { return completed_.load(); }
    bool Terminated() const { return terminated_.load(); }
    bool HasError() const { return has_error_.load(); }
    void SetCompleted(bool completed) { completed_ = completed; }
    // A new task: not running, not stopped, neither completed nor terminated.
    void Reset();
    // A run starts: running, and none of the flags of an earlier run.
    void Begin();
    // The task has ended: no longer running, and terminated.
    void End();
    // No pause, without waking anyone: for the end of a task.
    void ClearPause();

    bool StopRequested() const { return stop_requested_.load(); }
    // The flag the libraries' blocking calls of the run give up on.
    std::atomic<bool>* StopFlag() { return &stop_requested_; }
    void RequestStop() { stop_requested_ = true; }
    void Pause();
    // Ends a pause and wakes whoever waits in WaitWhilePaused.
    void Resume();
    bool Paused() const;
    // Returns once the run is resumed or stopped.
    void WaitWhilePaused();

    // Keeps the failure as the task's error.
    void RecordError(const std::string& message);
    std::string ErrorMessage() const;

    int64_t ReportInterval() const { return report_interval_.load(); }
    // Below 100 ms reports would cost the conversion time: shorter intervals become 100 ms.
    void SetReportInterval(int64_t microseconds);
    TProgressCallback ProgressCallback() const;
    void SetProgressCallback(TProgressCallback callback);
    TTerminateCallback TerminateCallback() const;
    void SetTerminateCallback(TTerminateCallback callback);
    // Media time a measuring pass before the conversion counts for in the
    // progress reports (microseconds); 0 without one. The run's thread alone
    // sets and reads it.
    int64_t MeasuredSpan() const { return measured_span_; }
    void SetMeasuredSpan(int64_t span) { measured_span_ = span; }

private:
    std::atomic<bool> running_{false};
    std::atomic<bool> stop_requested_{false};
    std::atomic<bool> completed_{false};
    std::atomic<bool> terminated_{false};
    std::atomic<bool> has_error_{false};
    std::string error_message_;  // guarded by error_mutex_
    mutable std::mutex error_mutex_;
    std::atomic<int64_t> report_interval_{500000};  // microseconds
    mutable std::mutex pause_mutex_;
    std::condition_variable pause_changed_;
    // Written under pause_mutex_, so a waiter cannot miss its change; read
    // without it by the main loop's pause point, which runs once per packet.
    std::atomic<bool> paused_{false};
    mutable std::mutex callback_mutex_;
    TProgressCallback progress_callback_;
    TTerminateCallback terminate_callback_;
    int64_t measured_span_ = 0;
};

}  // namespace v2m::engine
