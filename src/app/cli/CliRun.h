#pragma once
// One batch of the command-line converter: the inputs expanded into files,
// one task per file built by the window's job building, run through the
// conversion component, with progress and results reported as they come.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "CliOptions.h"
#include "MainThread.h"

namespace v2m::cli {

inline constexpr int kExitConverted = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

// Converts every input and returns the exit status. `request` carries the
// profile and list settings and the output folder; `interrupted` is watched
// on this thread, which must be the main thread that `main_thread` serves.
int RunBatch(const TCliOptions& options, const TJobRequest& request,
             const std::shared_ptr<QueuedMainThread>& main_thread,
             const std::atomic<bool>& interrupted);

// A file handed over as it is, not found from an input; under `Root` (when
// not empty) its output goes into the same sub-folder of the output folder.
struct TListedFile {
    std::string Path;
    std::string Root;
};
enum class TFileOutcome { Converted, Failed, Skipped, Stopped };

// One batch of exactly these files, reported as RunBatch reports; the
// outcome of each, in order, and the exit status.
int RunFiles(const TCliOptions& options, const TJobRequest& request,
             const std::shared_ptr<QueuedMainThread>& main_thread,
             const std::atomic<bool>& interrupted, const std::vector<TListedFile>& files,
             std::vector<TFileOutcome>& outcomes);

}  // namespace v2m::cli
