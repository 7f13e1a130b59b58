// Copying the audio packets against decoding and encoding them again: the
// same MP3-in-AVI video through the batch converter, once with the copy the
// "MP3 (Auto)" profile allows and once with --no-copy. Both run as whole
// child processes, alternating.
//
//   bench_copy [minutes] [work folder] [runs]
//
// Defaults: a 10-minute video, the system's temporary folder (also for an
// empty folder argument), 2 runs.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "FixtureGenerator.h"

using namespace v2m::bench;
namespace fs = std::filesystem;

namespace {

fs::path Mp3InAvi(const fs::path& folder, double seconds) {
    fs::create_directories(folder);
    const fs::path video = folder / ("mp3_" + std::to_string(static_cast<int>(seconds)) + "s.avi");
    if (!fs::exists(video)) {
        std::printf("Writing %s ...\n", video.c_str());
        std::fflush(stdout);
        RunForked([&] {
            v2m::fixtures::ClipRecipe clip;
            clip.duration_s = seconds;
            // A small, slow picture: the audio is what is measured.
            clip.streams = {v2m::fixtures::Video("mpeg4", 160, 120, AVRational{5, 1}),
                            v2m::fixtures::Audio("libmp3lame", 44100, 2, 1000.0, 0.5)};
            v2m::fixtures::WriteClip(video, clip);
        });
    }
    return video;
}

}  // namespace

int main(int argc, char** argv) {
    const double minutes = argc > 1 ? std::atof(argv[1]) : 10.0;
    const fs::path folder =
        argc > 2 && *argv[2] != '\0' ? fs::path(argv[2]) : fs::temp_directory_path() / "v2m-bench";
    const int runs = argc > 3 ? std::max(std::atoi(argv[3]), 1) : 2;
    try {
        const fs::path video = Mp3InAvi(folder, minutes * 60.0);
        const fs::path out = folder / "copy-out";
        std::vector<double> copy;
        std::vector<double> encode;
        for (int run = 0; run < runs; ++run) {
            for (const bool copying : {true, false}) {
                fs::remove_all(out);
                fs::create_directories(out);
                std::vector<std::string> args = {V2M_CLI_PROGRAM, "--quiet", "--profile",
                                                 "MP3 (Auto)",    "--out",   out.string()};
                if (!copying) {
                    args.push_back("--no-copy");
                }
                args.push_back(video.string());
                (copying ? copy : encode).push_back(RunProgram(args).wall);
            }
            std::printf("run %d: copy %.3f s, re-encode %.3f s\n", run + 1, copy.back(),
                        encode.back());
            std::fflush(stdout);
        }
        fs::remove_all(out);
        const double copy_median = Median(copy);
        const double encode_median = Median(encode);
        std::printf("\ncopy %.3f s, re-encode %.3f s (medians): %.1fx faster (goal: 20x)\n",
                    copy_median, encode_median,
                    copy_median > 0.0 ? encode_median / copy_median : 0.0);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_copy: %s\n", error.what());
        return 1;
    }
    return 0;
}
