#include "MainThread.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <future>

namespace v2m {

uint32_t CurrentThreadId() {
    thread_local const uint32_t id = static_cast<uint32_t>(::syscall(SYS_gettid));
    return id;
}

bool IsProcessInitialThread() {
    return CurrentThreadId() == static_cast<uint32_t>(::getpid());
}

QueuedMainThread::QueuedMainThread() : main_thread_(CurrentThreadId()) {}

QueuedMainThread::QueuedMainThread(uint32_t main_thread_id) : main_thread_(main_thread_id) {}

bool QueuedMainThread::IsMainThread() const {
    return CurrentThreadId() == main_thread_;
}

void QueuedMainThread::RunInMainThread(std::function<void()> call) {
    if (IsMainThread()) {
        call();
        return;
    }
    std::packaged_task<void()> task(std::move(call));
    std::future<void> done = task.get_future();
    PostToMainThread([&task] { task(); });
    // Rethrows on this thread whatever the call threw on the main thread.
    done.get();
}

void QueuedMainThread::PostToMainThread(std::function<void()> call) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(call));
    }
    changed_.notify_all();
}

void QueuedMainThread::ProcessPendingMessages() {
    if (!IsMainThread()) {
        return;
    }
    for (;;) {
        std::function<void()> call;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) {
                return;
            }
            call = std::move(queue_.front());
            queue_.pop_front();
        }
        call();
    }
}

bool QueuedMainThread::ServeUntil(const std::function<bool()>& done,
                                  std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        ProcessPendingMessages();
        if (done()) {
            return true;
        }
        std::unique_lock lock(mutex_);
        if (queue_.empty()) {
            // Short slices: `done` may depend on state that nobody signals here.
            const auto slice =
                std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(5));
            changed_.wait_until(lock, slice);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            lock.unlock();
            ProcessPendingMessages();
            return done();
        }
    }
}

void QueuedMainThread::Wake() {
    changed_.notify_all();
}

namespace {

std::mutex g_services_mutex;

std::shared_ptr<MainThreadServices>& ServicesSlot() {
    static std::shared_ptr<MainThreadServices> services;
    return services;
}

}  // namespace

std::shared_ptr<MainThreadServices> MainThread() {
    std::lock_guard lock(g_services_mutex);
    auto& services = ServicesSlot();
    if (!services) {
        services = std::make_shared<QueuedMainThread>(static_cast<uint32_t>(::getpid()));
    }
    return services;
}

void InstallMainThreadServices(std::shared_ptr<MainThreadServices> services) {
    std::lock_guard lock(g_services_mutex);
    ServicesSlot() = std::move(services);
}

}  // namespace v2m
