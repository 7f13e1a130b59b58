// Operations of the engine whose features are built separately: targets and
// presets, stream creation in output files, and the video hook plug-in chain.
// Until each is in place, the options that reach it fail with a clear text
// instead of appearing to work.

#include "FFmpeg.h"

namespace v2m {

void TCustomFFmpeg::SetTarget(const std::string& type, const std::string&, const std::string&) {
    throw FFmpegException("Target \"" + type + "\" cannot be applied: targets are not available");
}

void TCustomFFmpeg::ApplyPreset(const std::string& option_name, const std::string& value) {
    if (option_name.empty() || value.empty()) {
        return;
    }
    throw FFmpegException("Preset \"" + value + "\" cannot be applied: presets are not available");
}

void TCustomFFmpeg::NewVideoStream(AVFormatContext*) {
    throw FFmpegException("Streams cannot be added: stream creation is not available");
}

void TCustomFFmpeg::NewAudioStream(AVFormatContext*) {
    throw FFmpegException("Streams cannot be added: stream creation is not available");
}

void TCustomFFmpeg::NewSubtitleStream(AVFormatContext*) {
    throw FFmpegException("Streams cannot be added: stream creation is not available");
}

int TCustomFFmpeg::AddVideoHookPlugin(int, char*[], int) {
    return AVERROR(ENOSYS);
}

}  // namespace v2m
