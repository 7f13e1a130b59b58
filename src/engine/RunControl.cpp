#include "RunControl.h"

#include <algorithm>
#include <utility>

namespace v2m::engine {

namespace {

constexpr int64_t kShortestReportInterval = 100000;  // microseconds

}  // namespace

void TRunControl::Reset() {
    running_ = false;
    stop_requested_ = false;
    completed_ = false;
    terminated_ = false;
}

void TRunControl::Begin() {
    running_ = true;
    stop_requested_ = false;
    completed_ = false;
    terminated_ = false;
    std::lock_guard lock(pause_mutex_);
    paused_ = false;
}

void TRunControl::End() {
    running_ = false;
    terminated_ = true;
}

void TRunControl::ClearPause() {
    std::lock_guard lock(pause_mutex_);
    paused_ = false;
}

void TRunControl::Pause() {
    std::lock_guard lock(pause_mutex_);
    paused_ = true;
}

void TRunControl::Resume() {
    {
        std::lock_guard lock(pause_mutex_);
        paused_ = false;
    }
    pause_changed_.notify_all();
}

bool TRunControl::Paused() const {
    return paused_.load();
}

void TRunControl::WaitWhilePaused() {
    if (!paused_.load()) {
        return;
    }
    std::unique_lock lock(pause_mutex_);
    pause_changed_.wait(lock, [this] { return !paused_.load() || stop_requested_.load(); });
}

void TRunControl::RecordError(const std::string& message) {
    {
        std::lock_guard lock(error_mutex_);
        error_message_ = message;
    }
    has_error_ = true;
}

std::string TRunControl::ErrorMessage() const {
    std::lock_guard lock(error_mutex_);
    return error_message_;
}

void TRunControl::SetReportInterval(int64_t microseconds) {
    report_interval_ = std::max(microseconds, kShortestReportInterval);
}

TProgressCallback TRunControl::ProgressCallback() const {
    std::lock_guard lock(callback_mutex_);
    return progress_callback_;
}

void TRunControl::SetProgressCallback(TProgressCallback callback) {
    std::lock_guard lock(callback_mutex_);
    progress_callback_ = std::move(callback);
}

TTerminateCallback TRunControl::TerminateCallback() const {
    std::lock_guard lock(callback_mutex_);
    return terminate_callback_;
}

void TRunControl::SetTerminateCallback(TTerminateCallback callback) {
    std::lock_guard lock(callback_mutex_);
    terminate_callback_ = std::move(callback);
}

}  // namespace v2m::engine
