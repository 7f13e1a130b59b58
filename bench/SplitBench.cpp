// What splitting costs: the batch converter on one long AAC file with
// chapters, converted whole and split into one output per chapter,
// alternating, as whole child processes.
//
//   bench_split [minutes] [work folder] [runs] [chapters]
//
// Defaults: a 60-minute 48 kHz stereo AAC file in 20 chapters, the system's
// temporary folder (also for an empty folder argument), 2 runs.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "FixtureGenerator.h"

using namespace v2m;
using namespace v2m::bench;
namespace fs = std::filesystem;

int main(int argc, char** argv) {
    const double minutes = argc > 1 && *argv[1] != '\0' ? std::atof(argv[1]) : 60.0;
    const fs::path folder =
        argc > 2 && *argv[2] != '\0' ? fs::path(argv[2]) : fs::temp_directory_path() / "v2m-bench";
    const int runs = argc > 3 ? std::max(std::atoi(argv[3]), 1) : 2;
    const int chapters = argc > 4 ? std::max(std::atoi(argv[4]), 1) : 20;
    try {
        fs::create_directories(folder);
        const double seconds = minutes * 60.0;
        const fs::path input = folder / ("chapters_" + std::to_string(static_cast<int>(seconds)) +
                                         "s_" + std::to_string(chapters) + ".m4a");
        if (!fs::exists(input)) {
            std::printf("Writing %s ...\n", input.c_str());
            std::fflush(stdout);
            RunForked([&] {
                fixtures::ClipRecipe clip;
                clip.duration_s = seconds;
                clip.streams = {fixtures::Audio("aac", 48000, 2, 1000.0, 0.1)};
                for (int n = 0; n < chapters; ++n) {
                    clip.chapters.push_back({seconds * n / chapters, seconds * (n + 1) / chapters,
                                             "Part " + std::to_string(n + 1)});
                }
                fixtures::WriteClip(input, clip);
            });
        }
        std::vector<double> whole;
        std::vector<double> split;
        for (int run = 0; run < runs; ++run) {
            for (const bool pieces : {false, true}) {
                const fs::path out = folder / "split-out";
                fs::remove_all(out);
                fs::create_directories(out);
                std::vector<std::string> args = {V2M_CLI_PROGRAM, "--quiet", "--out", out.string(),
                                                 input.string()};
                if (pieces) {
                    args.insert(args.begin() + 1, "--split-chapters");
                }
                (pieces ? split : whole).push_back(RunProgram(args).wall);
            }
            std::printf("run %d: whole %.3f s, split %.3f s\n", run + 1, whole.back(),
                        split.back());
            std::fflush(stdout);
        }
        std::printf("split into %d / whole: wall median %.3f (goal <= 1.1)\n", chapters,
                    Median(split) / Median(whole));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_split: %s\n", error.what());
        return 1;
    }
    return 0;
}
