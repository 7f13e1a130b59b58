#pragma once
// An event that stays signalled until it is reset, releasing every waiter:
// what the engine's runs and the player's threads wait on.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace v2m {

class TManualResetEvent {
public:
    explicit TManualResetEvent(bool signalled) : signalled_(signalled) {}
    TManualResetEvent(const TManualResetEvent&) = delete;
    TManualResetEvent& operator=(const TManualResetEvent&) = delete;

    void Set() {
        {
            std::lock_guard lock(mutex_);
            signalled_ = true;
        }
        changed_.notify_all();
    }
    void Reset() {
        std::lock_guard lock(mutex_);
        signalled_ = false;
    }
    bool IsSet() const {
        std::lock_guard lock(mutex_);
        return signalled_;
    }
    // True when the event was signalled within the timeout.
    bool WaitFor(std::chrono::milliseconds timeout) const {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [this] { return signalled_; });
    }
    void Wait() const {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return signalled_; });
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool signalled_;
};

}  // namespace v2m
