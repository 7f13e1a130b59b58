#include "ProbePool.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <exception>
#include <memory>
#include <utility>

#include "AVProbe.h"
#include "MainThread.h"

namespace v2m {

size_t ProbeWorkerCount() {
    return std::max<size_t>(2, std::thread::hardware_concurrency());
}

TProbePool::TProbePool(TPathSource paths, TNotify on_ready, size_t workers)
    : source_(std::move(paths)), on_ready_(std::move(on_ready)) {
    workers = std::max<size_t>(workers, 1);
    workers_.reserve(workers);
    for (size_t i = 0; i < workers; ++i) {
        running_.fetch_add(1);
        try {
            workers_.emplace_back([this] { Work(); });
        } catch (...) {
            // The destructor does not run for a pool whose construction failed.
            running_.fetch_sub(1);
            Stop();
            throw;
        }
    }
}

TProbePool::~TProbePool() {
    Stop();
}

std::optional<size_t> TProbePool::Total() const {
    std::lock_guard lock(mutex_);
    return paths_ ? std::optional<size_t>(paths_->size()) : std::nullopt;
}

size_t TProbePool::Taken() const {
    std::lock_guard lock(mutex_);
    return taken_;
}

bool TProbePool::Finished() const {
    if (stopped_.load()) {
        return true;
    }
    std::lock_guard lock(mutex_);
    return paths_ && taken_ == paths_->size();
}

std::vector<TProbeResult> TProbePool::TakeReady(size_t max) {
    // Cleared before looking, so that a result stored after this look is
    // announced again.
    notified_.store(false);
    std::vector<TProbeResult> ready;
    if (stopped_.load()) {
        return ready;
    }
    std::lock_guard lock(mutex_);
    if (!paths_) {
        return ready;
    }
    while (ready.size() < max && taken_ < results_.size() && results_[taken_]) {
        // The worker that probed this file is done with its name.
        ready.push_back({std::move((*paths_)[taken_]), std::move(*results_[taken_])});
        results_[taken_].reset();
        ++taken_;
    }
    return ready;
}

void TProbePool::Stop() {
    stopped_.store(true);
    const std::shared_ptr<MainThreadServices> main_thread = MainThread();
    if (main_thread->IsMainThread()) {
        while (running_.load() > 0) {
            main_thread->ProcessPendingMessages();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    for (std::thread& worker : workers_) {
        if (worker.joinable()) {
            worker.join();
        }
    }
}

void TProbePool::ListPaths() {
    std::vector<std::string> paths;
    try {
        paths = source_();
    } catch (const std::exception&) {
        // A list that could not be made is a list without files: the pool
        // still finishes, and the caller is not left waiting.
        paths.clear();
    }
    std::lock_guard lock(mutex_);
    results_.resize(paths.size());
    paths_ = std::move(paths);
}

void TProbePool::Notify() {
    if (!notified_.exchange(true) && on_ready_) {
        on_ready_();
    }
}

void TProbePool::Work() {
    // Named, so that a profile or a debugger tells the probes apart.
    ::pthread_setname_np(::pthread_self(), "v2m-probe");
    {
        bool listed_here = false;
        std::call_once(listed_once_, [&] {
            ListPaths();
            listed_here = true;
        });
        if (listed_here) {
            Notify();
        }
        // Neither the list nor its size changes once the source has answered,
        // and every worker has passed call_once by now.
        const std::vector<std::string>& paths = *paths_;
        TAVProbe probe;
        const TFileProber prober = ProbeWith(probe);
        while (!stopped_.load()) {
            const size_t index = next_.fetch_add(1);
            if (index >= paths.size()) {
                break;
            }
            TProbedFile probed;
            try {
                probed = prober(paths[index]);
            } catch (const std::exception& error) {
                probed = TProbedFile{};
                probed.Error = error.what();
            }
            {
                std::lock_guard lock(mutex_);
                results_[index] = std::move(probed);
            }
            Notify();
        }
    }
    // Counted down only after the probe has closed its file.
    running_.fetch_sub(1);
}

}  // namespace v2m
