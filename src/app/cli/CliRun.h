#pragma once
// One batch of the command-line converter: the inputs expanded into files,
// one task per file built by the window's job building, run through the
// conversion component, with progress and results reported as they come.

#include <atomic>
#include <memory>

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

}  // namespace v2m::cli
