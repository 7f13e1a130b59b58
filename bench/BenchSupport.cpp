#include "BenchSupport.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>

#include "FFmpegLoader.h"
#include "FixtureGenerator.h"

namespace v2m::bench {

namespace {

using Clock = std::chrono::steady_clock;

TMeasure WaitFor(pid_t child, Clock::time_point start, const std::string& what) {
    int status = 0;
    rusage usage{};
    if (::wait4(child, &status, 0, &usage) != child) {
        throw std::runtime_error(what + ": wait failed");
    }
    TMeasure measure;
    measure.wall = std::chrono::duration<double>(Clock::now() - start).count();
    measure.cpu = CpuSeconds(usage);
    measure.peak_mib = static_cast<double>(usage.ru_maxrss) / 1024.0;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(what + " failed");
    }
    return measure;
}

}  // namespace

double CpuSeconds(const rusage& usage) {
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double ProcessCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return CpuSeconds(usage);
}

std::filesystem::path GeneratedVideo(const std::filesystem::path& folder, double seconds,
                                     const std::string& stem) {
    std::filesystem::create_directories(folder);
    const std::filesystem::path video =
        folder / (stem + "_" + std::to_string(static_cast<int>(seconds)) + "s.mp4");
    if (!std::filesystem::exists(video)) {
        std::printf("Writing %s ...\n", video.c_str());
        std::fflush(stdout);
        // In a child, so that this process stays as light as when it started.
        RunForked([&] {
            fixtures::ClipRecipe clip;
            clip.duration_s = seconds;
            clip.streams = {fixtures::Video("libx264", 640, 360, AVRational{25, 1}),
                            fixtures::Audio("aac", 48000, 2, 1000.0, 0.5)};
            fixtures::WriteClip(video, clip);
        });
    }
    return video;
}

TMeasure RunProgram(const std::vector<std::string>& args) {
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (std::string& arg : copy) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const auto start = Clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        // The output paths it prints are not figures.
        if (const int null = ::open("/dev/null", O_WRONLY); null >= 0) {
            ::dup2(null, STDOUT_FILENO);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return WaitFor(child, start, args.front());
}

TMeasure RunForked(const std::function<void()>& call) {
    const auto start = Clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        int status = 0;
        try {
            MediaRuntime runtime;
            if (!FFLoader().LoadLibraries(ConverterLibs)) {
                throw std::runtime_error(FFLoader().LastError());
            }
            call();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s\n", error.what());
            status = 1;
        }
        ::_exit(status);
    }
    return WaitFor(child, start, "child");
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

}  // namespace v2m::bench
