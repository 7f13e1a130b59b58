#include "RunTestSupport.h"

#include <thread>

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
        std::lock_guard lock(mutex_);
        reports_.push_back(report);
    });
    engine.SetTerminateCallback([this](TCustomFFmpeg*) {
        std::lock_guard lock(mutex_);
        ++terminations_;
        terminate_thread_ = CurrentThreadId();
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

bool RunRecorder::WaitForReport(const std::function<bool(const ProgressReport&)>& wanted,
                                std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        for (const ProgressReport& report : Reports()) {
            if (wanted(report)) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

int64_t FileSize(const std::filesystem::path& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<int64_t>(size);
}

}  // namespace v2m::test
