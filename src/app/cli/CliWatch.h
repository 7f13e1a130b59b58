#pragma once
// Watch folders: converts each video file that lands in the folders once it
// is complete, through the same batches as the command line, until signalled.

#include <atomic>
#include <memory>

#include "CliRun.h"

namespace v2m::cli {

// Returns the exit status when the watch ends (a signal: kExitInterrupted).
int RunWatch(const TCliOptions& options, const TJobRequest& request,
             const std::shared_ptr<QueuedMainThread>& main_thread,
             const std::atomic<bool>& interrupted);

}  // namespace v2m::cli
