#pragma once
// Running whole conversions for the report and run-control tests: an engine
// with one input and one MP3 output, and recorders for what its callbacks
// deliver.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "EngineTestSupport.h"
#include "FFmpeg.h"
#include "TestSupport.h"

namespace v2m::test {

// A 3 s stereo tone at 44.1 kHz from the standard set.
inline constexpr const char* kToneWav = "wav_pcm_44k_stereo.wav";

// Opens the input and an output for it with the options given before each.
// Fails the test when either cannot be opened.
void PrepareTask(TCustomFFmpeg& engine, const std::filesystem::path& input,
                 const std::filesystem::path& output,
                 const std::vector<std::pair<std::string, std::string>>& output_options = {});

struct ProgressReport {
    int32_t FileIndex = 0;
    int32_t FrameNumber = 0;
    int32_t FPS = 0;
    float Quality = 0.0f;
    float BitRate = 0.0f;
    int64_t Size = 0;
    int64_t Time = 0;
    int64_t TotalDuration = 0;
    std::chrono::steady_clock::time_point At;
    uint32_t Thread = 0;
};

using ReportCondition = std::function<bool(const ProgressReport&)>;

// Keeps every report and every end an engine delivers, with the thread it came on.
class RunRecorder {
public:
    void Attach(TCustomFFmpeg& engine);

    std::vector<ProgressReport> Reports() const;
    int Terminations() const;
    uint32_t TerminateThread() const;
    // Waits until a report meets the condition; false on timeout.
    bool WaitForReport(const ReportCondition& wanted, std::chrono::milliseconds timeout) const;
    // Waits until at least `count` reports have come; false on timeout.
    bool WaitForReportCount(size_t count, std::chrono::milliseconds timeout) const;

    // The first report from now on that meets the condition keeps the
    // reporting thread inside its progress event until Release (or, should
    // the test never release it, for a minute). A report is the last thing of
    // an iteration of the main loop, so a worker held there has no packet
    // half handled and goes next to the loop's pause point.
    void HoldAt(ReportCondition when);
    // Waits until a report is being held; false on timeout.
    bool WaitUntilHeld(std::chrono::milliseconds timeout) const;
    // Lets a held report go, and forgets a condition no report has met yet.
    void Release();

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<ProgressReport> reports_;
    int terminations_ = 0;
    uint32_t terminate_thread_ = 0;
    ReportCondition hold_when_;
    bool holding_ = false;
};

// Pauses the engine's worker right at a report that meets the condition, from
// the calling thread: once this returns true the worker handles no further
// packet until it is resumed or stopped. False when no such report came.
bool PauseAtReport(TCustomFFmpeg& engine, RunRecorder& recorder, ReportCondition when,
                   std::chrono::milliseconds timeout);

// The size of a file on disk; -1 when it does not exist.
int64_t FileSize(const std::filesystem::path& path);

}  // namespace v2m::test
