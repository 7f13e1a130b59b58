// The batch converter's entry: the command line, the profiles, the output
// folder check, Ctrl-C, and the batch itself.

#include <malloc.h>
#include <time.h>

#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "CliOptions.h"
#include "CliDoctor.h"
#include "CliRun.h"
#include "CliWatch.h"
#include "FFmpegLoader.h"
#include "FileList.h"
#include "MainThread.h"
#include "MyUtils.h"
#include "StopRequest.h"

namespace {

using namespace v2m;
using namespace v2m::cli;

// Set by the signal handler and nothing else; the main thread does the stopping.
std::atomic<bool> g_interrupted{false};
std::atomic<int> g_signal_number{0};
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);

// When the first signal came, in milliseconds of the monotonic clock.
std::atomic<int64_t> g_first_signal_ms{0};
static_assert(std::atomic<int64_t>::is_always_lock_free);
// A wrapper such as timeout(1) signals the child and then its whole process
// group, so one request can arrive twice within moments; a person pressing
// Ctrl-C again takes longer than this.
constexpr int64_t kRepeatSignalMs = 500;

int64_t MonotonicMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);  // safe in a signal handler
    return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

extern "C" void OnInterrupt(int signal_number) {
    // Whatever the main thread is waiting for (an open, an analysis) gives up.
    RequestProcessStop();
    int none = 0;
    g_signal_number.compare_exchange_strong(none, signal_number);
    const int64_t now = MonotonicMs();
    int64_t first = 0;
    const bool is_first = g_first_signal_ms.compare_exchange_strong(first, now);
    g_interrupted.store(true);
    if (!is_first && now - first >= kRepeatSignalMs) {
        // A second Ctrl-C while the first is being handled: the user wants out
        // now, even if that leaves a partial file.
        std::signal(signal_number, SIG_DFL);
        std::raise(signal_number);
    }
}

void CatchInterrupt() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // Restarted calls: a Ctrl-C must not make a write or a read fail half-way.
    action.sa_flags = SA_RESTART;
    // A logout or a system shutdown (SIGHUP, SIGTERM) is handled as Ctrl-C
    // is: nothing unfinished is left under an output's name.
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal_number, &action, nullptr);
    }
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n%s", kProgramName, message.c_str(), UsageText().c_str());
    return kExitUsage;
}

bool IsFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

int Main(const std::vector<std::string>& args) {
    TCliOptions options;
    try {
        options = ParseCommandLine(args);
    } catch (const EUsageError& error) {
        return UsageError(error.what());
    }
    if (options.Command == TCommand::Help) {
        std::fputs(HelpText().c_str(), stdout);
        return kExitConverted;
    }
    if (options.Command == TCommand::Version) {
        std::printf("%s %s\n", kProgramName, V2M_VERSION);
        return kExitConverted;
    }
    const std::vector<TConvertProfile> profiles = LoadProfiles(DataFolder());
    if (options.Command == TCommand::Doctor) {
        MediaRuntime runtime;
        return RunDoctor(profiles);
    }
    if (options.Command == TCommand::ListProfiles) {
        if (profiles.empty()) {
            std::fprintf(stderr, "%s: no profiles in %s%s\n", kProgramName, DataFolder().c_str(),
                         kProfilesFolder);
            return kExitFailed;
        }
        std::fputs(ProfileListText(profiles).c_str(), stdout);
        return kExitConverted;
    }

    size_t profile = 0;
    try {
        if (!options.Profile.empty() || profiles.empty()) {
            profile = FindProfile(profiles, options.Profile);
        }
    } catch (const EUsageError& error) {
        return UsageError(error.what());
    }
    const std::string folder =
        AbsoluteFileName(options.OutputFolder ? *options.OutputFolder : WideGetCurrentDir());
    // Checked as the window checks it, even for --same-folder.
    if (!IsFolder(folder)) {
        return UsageError("--out '" + folder +
                          "': Output folder is unavailable. Please select another folder.");
    }
    std::vector<std::string> notes;
    TJobRequest request = RequestTemplate(profiles[profile], options, notes);
    request.OutputFolder = folder;
    for (const std::string& note : notes) {
        std::fprintf(stderr, "%s: %s\n", kProgramName, note.c_str());
    }

    CatchInterrupt();
    MediaRuntime runtime;
    auto main_thread = std::make_shared<QueuedMainThread>();
    InstallMainThreadServices(main_thread);
    int status = kExitFailed;
    try {
        status = options.WatchFolders.empty()
                     ? RunBatch(options, request, main_thread, g_interrupted)
                     : RunWatch(options, request, main_thread, g_interrupted);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", kProgramName, error.what());
    }
    InstallMainThreadServices(nullptr);
    // Ended by a signal: the shell's convention, 128 and its number.
    if (status == kExitInterrupted && g_signal_number.load() != 0) {
        return 128 + g_signal_number.load();
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    // Every task runs on a thread of its own; with an allocation arena per
    // thread, memory freed by ended tasks stays with arenas no thread uses
    // any more, and a batch of thousands of files would hold it all. A few
    // arenas still let two conversions allocate without waiting on each other.
    ::mallopt(M_ARENA_MAX, 4);
    std::vector<std::string> args(argv + 1, argv + argc);
    return Main(args);
}
