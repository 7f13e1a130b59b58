// What loudness normalisation costs: the batch converter on one long AAC
// file, plainly and with --normalize (a measuring pass, then the conversion),
// alternating, as whole child processes.
//
//   bench_loudness [minutes] [work folder] [runs]
//
// Defaults: a 5-minute 48 kHz stereo AAC file, the system's temporary folder
// (also for an empty folder argument), 2 runs: under a minute in all.

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
    const double minutes = argc > 1 && *argv[1] != '\0' ? std::atof(argv[1]) : 5.0;
    const fs::path folder =
        argc > 2 && *argv[2] != '\0' ? fs::path(argv[2]) : fs::temp_directory_path() / "v2m-bench";
    const int runs = argc > 3 ? std::max(std::atoi(argv[3]), 1) : 2;
    try {
        fs::create_directories(folder);
        const fs::path input =
            folder / ("tone_" + std::to_string(static_cast<int>(minutes * 60.0)) + "s.m4a");
        if (!fs::exists(input)) {
            std::printf("Writing %s ...\n", input.c_str());
            std::fflush(stdout);
            RunForked([&] {
                fixtures::ClipRecipe clip;
                clip.duration_s = minutes * 60.0;
                clip.streams = {fixtures::Audio("aac", 48000, 2, 1000.0, 0.1)};
                fixtures::WriteClip(input, clip);
            });
        }
        std::vector<double> plain;
        std::vector<double> normalized;
        for (int run = 0; run < runs; ++run) {
            for (const bool normalize : {false, true}) {
                const fs::path out = folder / "loudness-out";
                fs::remove_all(out);
                fs::create_directories(out);
                std::vector<std::string> args = {V2M_CLI_PROGRAM, "--quiet", "--out", out.string(),
                                                 input.string()};
                if (normalize) {
                    args.insert(args.begin() + 1, "--normalize");
                }
                (normalize ? normalized : plain).push_back(RunProgram(args).wall);
            }
            std::printf("run %d: plain %.3f s, normalised %.3f s\n", run + 1, plain.back(),
                        normalized.back());
            std::fflush(stdout);
        }
        std::printf("normalised / plain: wall median %.3f (goal <= 1.3)\n",
                    Median(normalized) / Median(plain));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_loudness: %s\n", error.what());
        return 1;
    }
    return 0;
}
