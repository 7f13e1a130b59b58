#pragma once
// The conversion component on the loaded libraries, with the test thread as
// its main thread: events handed to the main thread run when the test serves
// them. Clips are written once per test program.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FFConverter.h"
#include "MainThread.h"
#include "TestSupport.h"

namespace v2m::test {

// Clips of SharedClip, all 1 kHz at half scale.
inline constexpr const char* kBlip = "blip.wav";                // 0.2 s, 44.1 kHz stereo
inline constexpr const char* kTone3s = "tone_3s.wav";           // 3 s, 44.1 kHz stereo
inline constexpr const char* kTone20s = "tone_20s.wav";         // 20 s, 44.1 kHz stereo
inline constexpr const char* kVideoClip = "avi_mpeg4_mp2.avi";  // standard set
inline constexpr const char* kVideo20s = "video_20s.avi";       // MPEG-4 320x240 25 fps, no sound

// The clip, written on first use (standard clips come from the fixture set).
std::filesystem::path SharedClip(const std::string& name);

// Threads of this process.
int ThreadCount();
// Open descriptors of this process.
int DescriptorCount();

// Ends the test program with a failure when the scope is still open after its
// time: a deadlock then fails the test, where the test itself could not.
class HangGuard {
public:
    HangGuard(std::string what, std::chrono::seconds limit);
    ~HangGuard();
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable closed_;
    bool done_ = false;
    std::thread watcher_;
};

struct TerminateRecord {
    TTerminateInfo info;
    uint32_t thread = 0;
    bool finalized = false;  // the component's Finalized during the handler
};

class ComponentTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path Out(const std::string& name) const { return temp_.Path() / name; }

    // Adds one task from `input` with one output named "<stem><index>.<ext>";
    // fails the test when either is refused. Returns the task index.
    int AddJob(const std::string& input, const std::string& ext, TOutputOptions* output = nullptr,
               TInputOptions* input_options = nullptr);

    // Records every OnTerminate delivery, then hands it to `then`, if given.
    void RecordTerminates(std::function<void(const TTerminateInfo&)> then = nullptr);
    std::vector<TerminateRecord> Terminates();
    bool FinalSeen();
    void ClearRecords();

    // Serves the main thread until `done` holds; false on timeout.
    bool ServeUntil(const std::function<bool()>& done,
                    std::chrono::milliseconds timeout = std::chrono::seconds(60));

    std::shared_ptr<QueuedMainThread> main_;
    std::unique_ptr<TFFConverter> converter_;
    TempDir temp_{"component"};
    uint32_t main_thread_ = 0;

private:
    std::mutex mutex_;
    std::vector<TerminateRecord> terminates_;
    int job_counter_ = 0;
};

}  // namespace v2m::test
