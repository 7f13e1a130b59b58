#pragma once
// The seam between the media layers and whatever GUI hosts them. The media
// layers never talk to a GUI framework; they ask this interface to run a call
// on the main thread, or to serve pending main-thread work while they wait.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace v2m {

// Kernel thread id of the calling thread, as the logger and events report it.
uint32_t CurrentThreadId();

class MainThreadServices {
public:
    virtual ~MainThreadServices() = default;

    virtual bool IsMainThread() const = 0;
    // Runs the call on the main thread and returns once it has run. On the main
    // thread itself the call runs at once.
    virtual void RunInMainThread(std::function<void()> call) = 0;
    // Queues the call for the main thread without waiting. Calls posted from one
    // thread run in the order they were posted.
    virtual void PostToMainThread(std::function<void()> call) = 0;
    // Serves whatever main-thread work is pending (queued calls, window events).
    // Only meaningful on the main thread; elsewhere it does nothing.
    virtual void ProcessPendingMessages() = 0;
    // Serves only the calls queued for the main thread, never user input: a
    // main thread waiting for a media thread must not re-enter the window.
    virtual void ServeCalls() { ProcessPendingMessages(); }
};

// A main thread without any GUI: calls are queued and run whenever the owning
// thread serves the queue. Used by tests and headless programs.
class QueuedMainThread final : public MainThreadServices {
public:
    // The calling thread becomes the main thread unless another is named.
    QueuedMainThread();
    explicit QueuedMainThread(uint32_t main_thread_id);

    bool IsMainThread() const override;
    void RunInMainThread(std::function<void()> call) override;
    void PostToMainThread(std::function<void()> call) override;
    void ProcessPendingMessages() override;

    // Serves the queue until `done` returns true or the timeout passes; true when
    // `done` became true. Waits without spinning while nothing is queued.
    bool ServeUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

    // Wakes a thread blocked in ServeUntil so it re-tests its condition.
    void Wake();

private:
    uint32_t main_thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> queue_;
};

// The services in force. Until a host installs its own, a QueuedMainThread whose
// main thread is the process's initial thread serves.
std::shared_ptr<MainThreadServices> MainThread();
void InstallMainThreadServices(std::shared_ptr<MainThreadServices> services);

// True on the process's initial thread.
bool IsProcessInitialThread();

}  // namespace v2m
