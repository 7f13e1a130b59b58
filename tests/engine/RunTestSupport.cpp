#include "RunTestSupport.h"

#include "MainThread.h"

namespace v2m::test {

void PrepareTask(TCustomFFmpeg& engine, const std::filesystem::path& input,
                 const std::filesystem::path& output,
                 const std::vector<std::pair<std::string, std::string>>& output_options) {
    ASSERT_TRUE(engine.OpenInputFile(input.string())) << engine.LastErrorText();
    for (const auto& [name, value] : output_options) {
        engine.SetOption(name, value);
    }
    ASSERT_GT(engine.OpenOutputFile(output.string(), false), 0) << engine.LastErrorText();
}

void RunRecorder::Attach(TCustomFFmpeg& engine) {
    engine.SetProgressCallback([this](TCustomFFmpeg*, int32_t file_index, int32_t frame_number,
                                      int32_t fps, float quality, float bit_rate, int64_t size,
                                      int64_t time, int64_t total_duration) {
        ProgressReport report{file_index,
                              frame_number,
                              fps,
                              quality,
                              bit_rate,
                              size,
                              time,
                              total_duration,
                              std::chrono::steady_clock::now(),
                              CurrentThreadId()};
        std::unique_lock lock(mutex_);
        reports_.push_back(report);
        if (hold_when_ && hold_when_(report)) {
            hold_when_ = nullptr;
            holding_ = true;
            changed_.notify_all();
            // Bounded, so that a test which fails before releasing still lets
            // its engine end.
            changed_.wait_for(lock, std::chrono::minutes(1), [this] { return !holding_; });
            holding_ = false;
        }
        changed_.notify_all();
    });
    engine.SetTerminateCallback([this](TCustomFFmpeg*) {
        std::lock_guard lock(mutex_);
        ++terminations_;
        terminate_thread_ = CurrentThreadId();
        changed_.notify_all();
    });
}

std::vector<ProgressReport> RunRecorder::Reports() const {
    std::lock_guard lock(mutex_);
    return reports_;
}

int RunRecorder::Terminations() const {
    std::lock_guard lock(mutex_);
    return terminations_;
}

uint32_t RunRecorder::TerminateThread() const {
    std::lock_guard lock(mutex_);
    return terminate_thread_;
}

bool RunRecorder::WaitForReport(const ReportCondition& wanted,
                                std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    size_t seen = 0;
    return changed_.wait_for(lock, timeout, [&] {
        for (; seen < reports_.size(); ++seen) {
            if (wanted(reports_[seen])) {
                return true;
            }
        }
        return false;
    });
}

bool RunRecorder::WaitForReportCount(size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return reports_.size() >= count; });
}

void RunRecorder::HoldAt(ReportCondition when) {
    std::lock_guard lock(mutex_);
    hold_when_ = std::move(when);
}

bool RunRecorder::WaitUntilHeld(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return holding_; });
}

void RunRecorder::Release() {
    std::lock_guard lock(mutex_);
    hold_when_ = nullptr;
    holding_ = false;
    changed_.notify_all();
}

bool PauseAtReport(TCustomFFmpeg& engine, RunRecorder& recorder, ReportCondition when,
                   std::chrono::milliseconds timeout) {
    recorder.HoldAt(std::move(when));
    const bool held = recorder.WaitUntilHeld(timeout);
    if (held) {
        engine.PauseTranscode();
    }
    recorder.Release();
    return held;
}

int64_t FileSize(const std::filesystem::path& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<int64_t>(size);
}

}  // namespace v2m::test
