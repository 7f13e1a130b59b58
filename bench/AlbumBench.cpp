// What album gain and the loudness cache cost: the batch converter on a
// folder of short AAC files at different levels, as whole child processes,
// alternating: per-file normalisation against album mode (both measure every
// file once), and a plain conversion against album mode whose readings all
// come from the cache of an earlier run.
//
//   bench_album [files] [seconds] [work folder] [runs]
//
// Defaults: 20 files of 30 s, the system's temporary folder (also for an
// empty folder argument), 2 runs.

#include <algorithm>
#include <cmath>
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
    const int files = argc > 1 && *argv[1] != '\0' ? std::max(std::atoi(argv[1]), 1) : 20;
    const double seconds = argc > 2 && *argv[2] != '\0' ? std::atof(argv[2]) : 30.0;
    const fs::path folder =
        argc > 3 && *argv[3] != '\0' ? fs::path(argv[3]) : fs::temp_directory_path() / "v2m-bench";
    const int runs = argc > 4 ? std::max(std::atoi(argv[4]), 1) : 2;
    try {
        const fs::path album = folder / ("album_" + std::to_string(files) + "x" +
                                         std::to_string(static_cast<int>(seconds)));
        fs::create_directories(album);
        for (int n = 0; n < files; ++n) {
            const fs::path input = album / ("track" + std::to_string(n + 1) + ".mp4");
            if (!fs::exists(input)) {
                RunForked([&] {
                    fixtures::ClipRecipe clip;
                    clip.duration_s = seconds;
                    // From about -32 to -8 LUFS.
                    const double level = std::pow(10.0, (-32.0 + 24.0 * n / files) / 20.0);
                    clip.streams = {fixtures::Audio("aac", 48000, 2, 440.0 + 20.0 * n, level)};
                    fixtures::WriteClip(input, clip);
                });
            }
        }
        const fs::path cache = folder / "album-cache";
        ::setenv("XDG_CACHE_HOME", cache.c_str(), 1);
        const auto convert = [&](const std::vector<std::string>& options) {
            const fs::path out = folder / "album-out";
            fs::remove_all(out);
            fs::create_directories(out);
            std::vector<std::string> args = {V2M_CLI_PROGRAM, "--quiet", "--out", out.string()};
            args.insert(args.end(), options.begin(), options.end());
            args.push_back(album.string());
            return RunProgram(args).wall;
        };
        std::vector<double> plain, track, measured, cached;
        for (int run = 0; run < runs; ++run) {
            plain.push_back(convert({}));
            track.push_back(convert({"--normalize"}));
            fs::remove_all(cache);
            measured.push_back(convert({"--normalize-album"}));
            cached.push_back(convert({"--normalize-album"}));
            std::printf("run %d: plain %.3f s, track %.3f s, album %.3f s, album cached %.3f s\n",
                        run + 1, plain.back(), track.back(), measured.back(), cached.back());
            std::fflush(stdout);
        }
        std::printf("album / track: wall median %.3f (goal <= 1.1)\n",
                    Median(measured) / Median(track));
        std::printf("album cached / plain: wall median %.3f (goal <= 1.05)\n",
                    Median(cached) / Median(plain));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_album: %s\n", error.what());
        return 1;
    }
    return 0;
}
