// Writes the fuzzer's seed corpus: very short clips in several containers,
// small enough for the fuzzer's input size limit, from the fixture generator.

#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "FFmpegLoader.h"
#include "FixtureGenerator.h"

namespace {

using v2m::fixtures::Audio;
using v2m::fixtures::ClipRecipe;
using v2m::fixtures::Video;

ClipRecipe Clip(std::vector<v2m::fixtures::StreamRecipe> streams) {
    ClipRecipe recipe;
    recipe.duration_s = 0.25;
    recipe.streams = std::move(streams);
    return recipe;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: v2m_fuzz_seeds CORPUS_FOLDER\n";
        return 2;
    }
    v2m::MediaRuntime runtime;
    v2m::TFFmpegLoader& loader = v2m::FFLoader();
    if (!loader.LoadLibraries(v2m::ConverterLibs)) {
        std::cerr << "v2m_fuzz_seeds: " << loader.LastError() << '\n';
        return 1;
    }
    ff::av_log_set_level(AV_LOG_ERROR);
    const AVRational fps{10, 1};
    const std::vector<std::pair<std::string, ClipRecipe>> seeds = {
        {"pcm.wav", Clip({Audio("pcm_s16le", 8000, 1, 1000.0, 0.5)})},
        {"mp3.mp3", Clip({Audio("libmp3lame", 22050, 1, 1000.0, 0.5)})},
        {"flac.flac", Clip({Audio("flac", 8000, 2, 440.0, 0.5)})},
        {"vorbis.ogg", Clip({Audio("libvorbis", 22050, 1, 440.0, 0.5)})},
        {"aac.m4a", Clip({Audio("aac", 22050, 1, 1000.0, 0.5)})},
        {"mp2.ts", Clip({Audio("mp2", 22050, 1, 1000.0, 0.5)})},
        {"ac3.mka", Clip({Audio("ac3", 48000, 2, 1000.0, 0.5)})},
        {"mpeg4_mp2.avi", Clip({Video("mpeg4", 64, 48, fps), Audio("mp2", 22050, 1, 500.0, 0.5)})},
        {"mpeg4_aac.mp4", Clip({Video("mpeg4", 64, 48, fps), Audio("aac", 22050, 1, 500.0, 0.5)})},
        {"mpeg2_mp2.mpg", Clip({Video("mpeg2video", 64, 48, AVRational{25, 1}),
                                Audio("mp2", 48000, 1, 500.0, 0.5)})},
    };
    const std::filesystem::path folder = argv[1];
    try {
        std::filesystem::create_directories(folder);
        for (const auto& [name, recipe] : seeds) {
            // A name already there is left as it is: it may not be ours to replace.
            std::error_code error;
            if (std::filesystem::symlink_status(folder / name, error).type() !=
                std::filesystem::file_type::not_found) {
                continue;
            }
            v2m::fixtures::WriteClip(folder / name, recipe);
        }
    } catch (const std::exception& error) {
        std::cerr << "v2m_fuzz_seeds: " << error.what() << '\n';
        return 1;
    }
    std::cout << "v2m_fuzz_seeds: wrote " << seeds.size() << " clips to " << folder.string()
              << '\n';
    return 0;
}
