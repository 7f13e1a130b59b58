// Extracting the sound of a long video to MP3 through the engine, side by
// side with the plainest loop the same libraries allow (read, decode,
// resample, cut into frames, encode, write) with the same settings. Each run
// is a child process, so that its peak memory is its own.
//
//   bench_transcode [minutes] [work folder] [runs]
//
// Each variant runs `runs` times (default 5), alternating; the figures are the
// processor time of each run (user + system, which other work on the machine
// hardly changes), its wall time and its peak resident memory.
//
// The video (H.264 320x240 at 25 fps, AAC 48 kHz stereo) is written once into
// the work folder (default: the system's temporary folder) and kept there.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "FFmpeg.h"
#include "FFmpegLoader.h"
#include "FixtureGenerator.h"
#include "BareLoop.h"
#include "BenchSupport.h"
#include "MediaOwners.h"
#include "UnicodeProtocol.h"

namespace {

namespace fs = std::filesystem;
using namespace v2m;

constexpr int kRate = bench::kBareRate;
constexpr int kChannels = bench::kBareChannels;
constexpr int64_t kBitRate = bench::kBareBitRate;

// The bare loop is shared with the front end's benchmark.
using bench::BareLoop;

void EngineJob(const std::string& source, const std::string& target) {
    TFFmpeg engine(20);
    engine.Prepare();
    engine.SetOption("vn", "1");  // as every job of the application
    if (!engine.OpenInputFile(source)) {
        throw std::runtime_error(engine.LastErrorText());
    }
    engine.SetOption("ar", std::to_string(kRate));
    engine.SetOption("ac", std::to_string(kChannels));
    engine.SetOption("ab", std::to_string(kBitRate));
    if (engine.OpenOutputFile(target, false) < 0) {
        throw std::runtime_error(engine.LastErrorText());
    }
    engine.Transcode();
    engine.FreeFiles();
}

struct Measure {
    double seconds = 0.0;  // wall
    double cpu = 0.0;      // user + system
    long peak_kib = 0;
};

enum class Variant { kLibrariesOnly, kBareLoop, kEngine };

const char* Name(Variant variant) {
    switch (variant) {
        case Variant::kLibrariesOnly:
            return "libraries only";
        case Variant::kBareLoop:
            return "bare loop";
        case Variant::kEngine:
            return "engine";
    }
    return "";
}

// Runs one variant in a child process: wall time from the child, processor
// time and peak resident memory from its resource usage.
Measure RunChild(Variant variant, const std::string& source, const std::string& target) {
    int pipe_ends[2];
    if (::pipe(pipe_ends) != 0) {
        throw std::runtime_error("pipe");
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe_ends[0]);
        double seconds = -1.0;
        try {
            MediaRuntime runtime;
            if (!FFLoader().LoadLibraries(ConverterLibs)) {
                throw std::runtime_error(FFLoader().LastError());
            }
            FFLoggerInstance().SetLogLevel(llError);
            const auto start = std::chrono::steady_clock::now();
            if (variant == Variant::kEngine) {
                EngineJob(source, target);
            } else if (variant == Variant::kBareLoop) {
                BareLoop(source, target);
            }
            seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s: %s\n", Name(variant), error.what());
        }
        if (::write(pipe_ends[1], &seconds, sizeof seconds) != sizeof seconds) {
            ::_exit(2);
        }
        ::_exit(seconds < 0 ? 1 : 0);
    }
    ::close(pipe_ends[1]);
    Measure measure;
    if (::read(pipe_ends[0], &measure.seconds, sizeof measure.seconds) != sizeof measure.seconds) {
        measure.seconds = -1.0;
    }
    ::close(pipe_ends[0]);
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    measure.peak_kib = usage.ru_maxrss;
    measure.cpu = bench::CpuSeconds(usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || measure.seconds < 0) {
        throw std::runtime_error(std::string(Name(variant)) + " failed");
    }
    return measure;
}

void WriteVideo(const fs::path& path, double minutes) {
    fixtures::ClipRecipe clip;
    clip.duration_s = minutes * 60.0;
    clip.streams = {fixtures::Video("libx264", 320, 240, AVRational{25, 1}),
                    fixtures::Audio("aac", 48000, 2, 1000.0, 0.5)};
    fixtures::WriteClip(path, clip);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const double minutes = argc > 1 ? std::atof(argv[1]) : 10.0;
    const fs::path folder = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "v2m-bench";
    const int runs = argc > 3 ? std::max(std::atoi(argv[3]), 1) : 5;
    try {
        fs::create_directories(folder);
        const fs::path video =
            folder / ("video_" + std::to_string(static_cast<int>(minutes * 60)) + "s.mp4");
        if (!fs::exists(video)) {
            std::printf("Writing %s ...\n", video.c_str());
            std::fflush(stdout);
            MediaRuntime runtime;
            if (!FFLoader().LoadLibraries(ConverterLibs)) {
                throw std::runtime_error(FFLoader().LastError());
            }
            WriteVideo(video, minutes);
        }
        std::vector<Measure> bare;
        std::vector<Measure> engine;
        // Alternating, so that both see the same state of the machine.
        for (int run = 0; run < runs; ++run) {
            bare.push_back(
                RunChild(Variant::kBareLoop, video.string(), (folder / "bare.mp3").string()));
            engine.push_back(
                RunChild(Variant::kEngine, video.string(), (folder / "engine.mp3").string()));
            std::printf("run %d: bare loop %.3f s (cpu %.3f s), engine %.3f s (cpu %.3f s)\n",
                        run + 1, bare.back().seconds, bare.back().cpu, engine.back().seconds,
                        engine.back().cpu);
            std::fflush(stdout);
        }
        auto column = [](const std::vector<Measure>& runs_of, double Measure::*field) {
            std::vector<double> values;
            for (const Measure& m : runs_of) {
                values.push_back(m.*field);
            }
            return values;
        };
        auto peak = [](const std::vector<Measure>& runs_of) {
            long most = 0;
            for (const Measure& m : runs_of) {
                most = std::max(most, m.peak_kib);
            }
            return most / 1024.0;
        };
        auto row = [&](const char* name, const std::vector<Measure>& runs_of) {
            const auto cpu = column(runs_of, &Measure::cpu);
            const auto wall = column(runs_of, &Measure::seconds);
            std::printf("%-10s %10.3f %10.3f %10.3f %10.3f %14.1f\n", name, Median(cpu),
                        *std::min_element(cpu.begin(), cpu.end()), Median(wall),
                        *std::min_element(wall.begin(), wall.end()), peak(runs_of));
        };
        std::printf("\n%-10s %10s %10s %10s %10s %14s\n", "", "cpu med", "cpu best", "wall med",
                    "wall best", "peak RSS (MiB)");
        row("bare loop", bare);
        row("engine", engine);
        // What loading the libraries alone costs, of the peaks above.
        const Measure loaded = RunChild(Variant::kLibrariesOnly, video.string(), "");
        std::printf("%-10s %54.1f\n", "libraries", loaded.peak_kib / 1024.0);
        const auto bare_cpu = column(bare, &Measure::cpu);
        const auto engine_cpu = column(engine, &Measure::cpu);
        std::printf("engine / bare loop: cpu median %.3f, cpu best %.3f\n",
                    Median(engine_cpu) / Median(bare_cpu),
                    *std::min_element(engine_cpu.begin(), engine_cpu.end()) /
                        *std::min_element(bare_cpu.begin(), bare_cpu.end()));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_transcode: %s\n", error.what());
        return 1;
    }
    return 0;
}
