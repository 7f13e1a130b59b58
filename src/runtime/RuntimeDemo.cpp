// Loads the media libraries the way the application does and reports what it
// found: a quick check of a machine before the window is started.
#include <cstdio>

#include "FFmpegLoader.h"
#include "FFmpegLogger.h"
#include "SDLApi.h"

namespace {

const char* KindName(v2m::TLibraryKind kind) {
    static const char* const kNames[] = {"avcodec", "avdevice",  "avfilter", "avformat",  "avutil",
                                         "swscale", "C runtime", "SDL",      "swresample"};
    return kNames[kind];
}

}  // namespace

int main() {
    v2m::MediaRuntime runtime;
    v2m::TFFLogger logger;
    logger.SetTriggerEventInMainThread(false);
    logger.SetOnLog(
        [](v2m::TFFBaseComponent*, uint32_t thread, v2m::TLogLevel level, const std::string& text) {
            std::printf("#%u.%d: %s\n", thread, static_cast<int>(level), text.c_str());
        });

    v2m::TFFmpegLoader& loader = v2m::FFLoader();
    int status = 0;
    for (auto [name, set] :
         {std::pair{"conversion", v2m::ConverterLibs}, std::pair{"player", v2m::PlayerLibs}}) {
        if (loader.LoadLibraries(set)) {
            std::printf("%s libraries: loaded\n", name);
        } else {
            std::printf("%s libraries: %s\n", name, loader.LastError().c_str());
            status = 1;
        }
    }
    for (int k = 0; k < v2m::kLibraryKindCount; ++k) {
        const auto kind = static_cast<v2m::TLibraryKind>(k);
        std::printf("  %-10s %-22s %s\n", KindName(kind), loader.LibFileName(kind).c_str(),
                    loader.LibraryLoaded(kind) ? "ready" : "not loaded");
    }
    if (loader.LibraryLoaded(v2m::lkAVCodec)) {
        const unsigned v = ff::avcodec_version();
        std::printf("avcodec %u.%u.%u; MP3 encoder: %s\n", v >> 16, (v >> 8) & 0xff, v & 0xff,
                    ff::avcodec_find_encoder(AV_CODEC_ID_MP3) ? "yes" : "no");
    }
    ff::av_log(nullptr, AV_LOG_INFO, "library log lines reach the logger\n");
    return status;
}
