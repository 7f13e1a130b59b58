#pragma once
// What the front end's benchmarks share: generated videos kept in a work
// folder, child processes measured by their own resource usage, medians.

#include <sys/resource.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace v2m::bench {

struct TMeasure {
    double wall = 0.0;  // seconds, from start to exit of the child
    double cpu = 0.0;   // user + system seconds of the child
    double peak_mib = 0.0;
};

// A 640x360 H.264 video at 25 fps with a 48 kHz stereo AAC tone, written once
// (the libraries are loaded for it in this process) and kept.
std::filesystem::path GeneratedVideo(const std::filesystem::path& folder, double seconds,
                                     const std::string& stem = "video");

// Runs a program to its end, its standard output discarded; throws when it fails.
TMeasure RunProgram(const std::vector<std::string>& args);
// Runs a call in a forked child with the media runtime set up and the
// conversion libraries loaded; throws when it fails.
TMeasure RunForked(const std::function<void()>& call);

double Median(std::vector<double> values);

// User + system seconds of a resource usage, and of this process so far.
double CpuSeconds(const rusage& usage);
double ProcessCpuSeconds();

}  // namespace v2m::bench
