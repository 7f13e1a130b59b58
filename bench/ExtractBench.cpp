// One long extraction through the batch converter, side by side with the
// bare loop of the same libraries and settings (MP3, 44100 Hz, stereo,
// 128 kbit/s). Both run as whole child processes, library loading included,
// alternating, so that both see the same state of the machine.
//
//   bench_extract [minutes] [work folder] [runs]
//
// Defaults: a 10-minute 640x360 video, the system's temporary folder (also for an
// empty folder argument), 5 runs.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BareLoop.h"
#include "BenchSupport.h"

using namespace v2m::bench;
namespace fs = std::filesystem;

int main(int argc, char** argv) {
    const double minutes = argc > 1 ? std::atof(argv[1]) : 10.0;
    const fs::path folder =
        argc > 2 && *argv[2] != '\0' ? fs::path(argv[2]) : fs::temp_directory_path() / "v2m-bench";
    const int runs = argc > 3 ? std::max(std::atoi(argv[3]), 1) : 5;
    try {
        const fs::path video = GeneratedVideo(folder, minutes * 60.0);
        const fs::path out = folder / "cli-out";
        std::vector<TMeasure> bare;
        std::vector<TMeasure> cli;
        for (int run = 0; run < runs; ++run) {
            bare.push_back(
                RunForked([&] { BareLoop(video.string(), (folder / "bare.mp3").string()); }));
            fs::remove_all(out);
            fs::create_directories(out);
            cli.push_back(
                RunProgram({V2M_CLI_PROGRAM, "--quiet", "--rate", "44100", "--channels", "stereo",
                            "--bitrate", "128", "--out", out.string(), video.string()}));
            std::printf(
                "run %d: bare loop %.3f s (cpu %.3f s), video2mp3-cli %.3f s (cpu %.3f s)\n",
                run + 1, bare.back().wall, bare.back().cpu, cli.back().wall, cli.back().cpu);
            std::fflush(stdout);
        }
        auto column = [](const std::vector<TMeasure>& of, double TMeasure::*field) {
            std::vector<double> values;
            for (const TMeasure& m : of) {
                values.push_back(m.*field);
            }
            return values;
        };
        auto peak = [&](const std::vector<TMeasure>& of) {
            const std::vector<double> values = column(of, &TMeasure::peak_mib);
            return *std::max_element(values.begin(), values.end());
        };
        std::printf("\n%-14s %10s %10s %14s\n", "", "wall med", "cpu med", "peak RSS (MiB)");
        std::printf("%-14s %10.3f %10.3f %14.1f\n", "bare loop",
                    Median(column(bare, &TMeasure::wall)), Median(column(bare, &TMeasure::cpu)),
                    peak(bare));
        std::printf("%-14s %10.3f %10.3f %14.1f\n", "video2mp3-cli",
                    Median(column(cli, &TMeasure::wall)), Median(column(cli, &TMeasure::cpu)),
                    peak(cli));
        std::printf(
            "video2mp3-cli / bare loop: wall median %.3f, cpu median %.3f (goal <= 1.05); "
            "peak %.1f MiB (goal <= 64)\n",
            Median(column(cli, &TMeasure::wall)) / Median(column(bare, &TMeasure::wall)),
            Median(column(cli, &TMeasure::cpu)) / Median(column(bare, &TMeasure::cpu)), peak(cli));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_extract: %s\n", error.what());
        return 1;
    }
    return 0;
}
