// Whether a watcher that runs for days keeps its memory: `video2mp3-cli
// --watch` given one-second clips in chunks, its resident memory read after
// the first chunk and after the last.
//
//   bench_watch [files] [work folder] [chunk]
//
// Defaults: 5,000 files in chunks of 500, the system's temporary folder.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "FixtureGenerator.h"

using namespace v2m;
using namespace v2m::bench;
namespace fs = std::filesystem;

namespace {

double ResidentMiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) {
            return std::atof(line.c_str() + 6) / 1024.0;
        }
    }
    return -1.0;
}

size_t CountFiles(const fs::path& folder) {
    size_t count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        count += entry.path().extension() == ".mp3" ? 1 : 0;
    }
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 && *argv[1] != '\0' ? std::max(std::atoi(argv[1]), 1) : 5000;
    const fs::path folder =
        argc > 2 && *argv[2] != '\0' ? fs::path(argv[2]) : fs::temp_directory_path() / "v2m-bench";
    const int chunk = argc > 3 ? std::max(std::atoi(argv[3]), 1) : 500;
    try {
        const fs::path clip = folder / "one_second.mp4";
        fs::create_directories(folder);
        if (!fs::exists(clip)) {
            RunForked([&] {
                fixtures::ClipRecipe recipe;
                recipe.duration_s = 1.0;
                recipe.streams = {fixtures::Audio("aac", 44100, 2, 1000.0, 0.3)};
                fixtures::WriteClip(clip, recipe);
            });
        }
        const fs::path in = folder / "watch-in";
        const fs::path out = folder / "watch-out";
        const fs::path state = folder / "watch-state";
        for (const fs::path& made : {in, out, state}) {
            fs::remove_all(made);
            fs::create_directories(made);
        }
        const pid_t watcher = ::fork();
        if (watcher == 0) {
            ::setenv("XDG_STATE_HOME", state.c_str(), 1);
            // The outputs' names are not the figures.
            if (std::FILE* null = std::freopen("/dev/null", "w", stdout); null == nullptr) {
                ::_exit(127);
            }
            ::execl(V2M_CLI_PROGRAM, V2M_CLI_PROGRAM, "--quiet", "--jobs", "0", "--watch",
                    in.c_str(), "--watch-settle", "0.2", "--out", out.c_str(), nullptr);
            ::_exit(127);
        }
        const auto start = std::chrono::steady_clock::now();
        double first = 0.0;
        for (int done = 0; done < files;) {
            const int next = std::min(files, done + chunk);
            for (int n = done; n < next; ++n) {
                fs::copy_file(clip, in / ("clip " + std::to_string(n) + ".mp4"));
            }
            done = next;
            while (CountFiles(out) < static_cast<size_t>(done)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                if (::waitpid(watcher, nullptr, WNOHANG) == watcher) {
                    throw std::runtime_error("the watcher ended early");
                }
            }
            const double resident = ResidentMiB(watcher);
            if (first == 0.0) {
                first = resident;
            }
            std::printf("%d files converted: %.1f MiB resident\n", done, resident);
            std::fflush(stdout);
        }
        const double last = ResidentMiB(watcher);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ::kill(watcher, SIGTERM);
        ::waitpid(watcher, nullptr, 0);
        std::printf(
            "watch: %d files in %.0f s; resident %.1f MiB after %d, %.1f MiB after %d: "
            "growth %.1f %% (goal <= 10 %%)\n",
            files, seconds, first, std::min(chunk, files), last, files,
            (last / first - 1.0) * 100.0);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_watch: %s\n", error.what());
        return 1;
    }
    return 0;
}
