#pragma once
// Probes many files at once on worker threads and hands the results over in
// the order the files were given, so that adding a large folder never holds up
// the thread that shows the list.

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "FileList.h"

namespace v2m {

// One probed file, as the pool hands it over.
struct TProbeResult {
    std::string Path;
    TProbedFile Probed;
};

// The workers a pool starts: one per processor, and never fewer than two, so
// that one slow file does not hold up every other.
size_t ProbeWorkerCount();

class TProbePool {
public:
    // The files to probe, in order. Called once, on a worker: a folder scan
    // can take a while too.
    using TPathSource = std::function<std::vector<std::string>()>;
    // Called on a worker when there is news (the files are known, a result is
    // ready) and nobody has been told since the last TakeReady. It must only
    // pass the news on; it is never called once Stop has returned.
    using TNotify = std::function<void()>;

    // Starts at once, each worker with a probe of its own.
    TProbePool(TPathSource paths, TNotify on_ready, size_t workers = ProbeWorkerCount());
    ~TProbePool();
    TProbePool(const TProbePool&) = delete;
    TProbePool& operator=(const TProbePool&) = delete;

    // How many files there are to probe; none until the source has answered.
    std::optional<size_t> Total() const;
    // The results handed over so far.
    size_t Taken() const;
    // Every result has been handed over, or the pool was stopped.
    bool Finished() const;

    // The next results in the files' order, as many as are ready but at most
    // `max`. Never waits.
    std::vector<TProbeResult> TakeReady(size_t max);

    // No file is started after this and nothing more is handed over; returns
    // once every worker has ended. The probe's messages wait for the main
    // thread, so a stop there serves it meanwhile.
    void Stop();

private:
    void Work();
    void ListPaths();
    void Notify();

    TPathSource source_;
    const TNotify on_ready_;
    std::once_flag listed_once_;

    mutable std::mutex mutex_;
    // Both set once by the source's answer; results_ filled by the workers.
    std::optional<std::vector<std::string>> paths_;
    std::vector<std::optional<TProbedFile>> results_;
    size_t taken_ = 0;

    std::atomic<size_t> next_{0};  // the next file a worker claims
    std::atomic<bool> stopped_{false};
    std::atomic<bool> notified_{false};
    std::atomic<size_t> running_{0};
    std::vector<std::thread> workers_;
};

}  // namespace v2m
