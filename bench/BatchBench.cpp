// A batch of videos through the batch converter with one task at a time and
// with two, for the throughput two processors give.
//
//   bench_batch [minutes per video] [videos] [work folder] [runs]
//
// Defaults: eight 2-minute 640x360 videos, the system's temporary folder, 3 runs.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"

using namespace v2m::bench;
namespace fs = std::filesystem;

int main(int argc, char** argv) {
    const double minutes = argc > 1 ? std::atof(argv[1]) : 2.0;
    const int count = argc > 2 ? std::max(std::atoi(argv[2]), 1) : 8;
    const fs::path work =
        argc > 3 && *argv[3] != '\0' ? fs::path(argv[3]) : fs::temp_directory_path() / "v2m-bench";
    const int runs = argc > 4 ? std::max(std::atoi(argv[4]), 1) : 3;
    try {
        const fs::path in = work / ("batch_" + std::to_string(count));
        // One generated video, copied: the batch converts them all the same.
        const fs::path video = GeneratedVideo(work, minutes * 60.0);
        fs::create_directories(in);
        for (int i = 0; i < count; ++i) {
            const fs::path copy = in / ("video_" + std::to_string(i + 1) + ".mp4");
            if (!fs::exists(copy)) {
                fs::copy_file(video, copy);
            }
        }
        const fs::path out = work / "batch-out";
        auto run_with = [&](int jobs) {
            fs::remove_all(out);
            fs::create_directories(out);
            return RunProgram({V2M_CLI_PROGRAM, "--quiet", "--jobs", std::to_string(jobs), "--out",
                               out.string(), in.string()});
        };
        std::vector<double> one;
        std::vector<double> two;
        double peak_two = 0.0;
        for (int run = 0; run < runs; ++run) {
            const TMeasure a = run_with(1);
            const TMeasure b = run_with(2);
            one.push_back(a.wall);
            two.push_back(b.wall);
            peak_two = std::max(peak_two, b.peak_mib);
            std::printf("run %d: --jobs 1 %.3f s (cpu %.3f s), --jobs 2 %.3f s (cpu %.3f s)\n",
                        run + 1, a.wall, a.cpu, b.wall, b.cpu);
            std::fflush(stdout);
        }
        std::printf(
            "\n%d x %.1f min on %u processors: --jobs 2 throughput / --jobs 1 = %.3f "
            "(goal >= 1.9); peak RSS with --jobs 2 %.1f MiB\n",
            count, minutes, std::thread::hardware_concurrency(), Median(one) / Median(two),
            peak_two);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_batch: %s\n", error.what());
        return 1;
    }
    return 0;
}
