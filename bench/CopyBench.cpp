// Copying the audio packets, against decoding and encoding them again and
// against the bare copy loop of the same libraries: an MP3-in-AVI video into
// .mp3 ("MP3 (Auto)") and an AAC-in-MP4 video into .m4a, each through the
// batch converter as a whole child process, alternating with the others.
//
//   bench_copy [minutes] [work folder] [runs]
//
// Defaults: 10-minute videos, the system's temporary folder (also for an
// empty folder argument), 2 runs.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BareLoop.h"
#include "BenchSupport.h"
#include "FixtureGenerator.h"

using namespace v2m::bench;
namespace fs = std::filesystem;

namespace {

// A small, slow picture beside the audio: the audio is what is measured.
fs::path Clip(const fs::path& folder, double seconds, const char* codec, const char* ext) {
    fs::create_directories(folder);
    const fs::path video = folder / (std::string(codec) + "_" +
                                     std::to_string(static_cast<int>(seconds)) + "s." + ext);
    if (!fs::exists(video)) {
        std::printf("Writing %s ...\n", video.c_str());
        std::fflush(stdout);
        RunForked([&] {
            v2m::fixtures::ClipRecipe clip;
            clip.duration_s = seconds;
            clip.streams = {v2m::fixtures::Video("mpeg4", 160, 120, AVRational{5, 1}),
                            v2m::fixtures::Audio(codec, 44100, 2, 1000.0, 0.5)};
            v2m::fixtures::WriteClip(video, clip);
        });
    }
    return video;
}

TMeasure Converter(const fs::path& video, const fs::path& out, const char* profile, bool copying) {
    fs::remove_all(out);
    fs::create_directories(out);
    std::vector<std::string> args = {V2M_CLI_PROGRAM, "--quiet", "--profile",
                                     profile,         "--out",   out.string()};
    if (!copying) {
        args.push_back("--no-copy");
    }
    args.push_back(video.string());
    return RunProgram(args);
}

}  // namespace

int main(int argc, char** argv) {
    const double minutes = argc > 1 ? std::atof(argv[1]) : 10.0;
    const fs::path folder =
        argc > 2 && *argv[2] != '\0' ? fs::path(argv[2]) : fs::temp_directory_path() / "v2m-bench";
    const int runs = argc > 3 ? std::max(std::atoi(argv[3]), 1) : 2;
    try {
        struct Case {
            fs::path video;
            const char* profile;
            const char* ext;
        };
        const Case cases[] = {
            {Clip(folder, minutes * 60.0, "libmp3lame", "avi"), "MP3 (Auto)", "mp3"},
            {Clip(folder, minutes * 60.0, "aac", "mp4"), "m4a", "m4a"}};
        const fs::path out = folder / "copy-out";
        for (const Case& c : cases) {
            std::vector<double> copy;
            std::vector<double> encode;
            std::vector<double> bare;
            const std::string bare_target = (folder / ("bare-copy." + std::string(c.ext))).string();
            for (int run = 0; run < runs; ++run) {
                copy.push_back(Converter(c.video, out, c.profile, true).wall);
                bare.push_back(RunForked([&] { BareCopy(c.video.string(), bare_target); }).wall);
                encode.push_back(Converter(c.video, out, c.profile, false).wall);
                std::printf("%s run %d: copy %.3f s, bare copy %.3f s, re-encode %.3f s\n",
                            c.video.filename().c_str(), run + 1, copy.back(), bare.back(),
                            encode.back());
                std::fflush(stdout);
            }
            fs::remove_all(out);
            fs::remove(bare_target);
            const double copy_median = Median(copy);
            std::printf(
                "%s into .%s: copy %.3f s, bare copy %.3f s, re-encode %.3f s (medians): "
                "video2mp3-cli copy / bare copy %.3f (goal <= 1.0); %.1fx faster than "
                "re-encoding (goal: 20x)\n",
                c.video.filename().c_str(), c.ext, copy_median, Median(bare), Median(encode),
                Median(bare) > 0.0 ? copy_median / Median(bare) : 0.0,
                copy_median > 0.0 ? Median(encode) / copy_median : 0.0);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_copy: %s\n", error.what());
        return 1;
    }
    return 0;
}
