// Operations of the engine whose features are built separately: the video
// hook plug-in chain. Until it is in place, the option that reaches it fails
// with a clear text instead of appearing to work.

#include "FFmpeg.h"

namespace v2m {

int TCustomFFmpeg::AddVideoHookPlugin(int, char*[], int) {
    return AVERROR(ENOSYS);
}

}  // namespace v2m
