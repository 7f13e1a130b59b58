#pragma once
// Owners for the library objects the engine keeps: the shared media owners
// under the engine's names, and the open state of its codecs.

#include <memory>

#include "FFmpegLoader.h"
#include "MediaOwners.h"

namespace v2m::engine {

using v2m::AudioFifoPtr;
using v2m::BitstreamFilterPtr;
using v2m::CFilePtr;
using v2m::CodecContextPtr;
using v2m::FilterGraphPtr;
using v2m::FilterInOutPtr;
using v2m::FormatContextPtr;
using v2m::FramePtr;
using v2m::InputContextPtr;
using v2m::OutputContextClose;
using v2m::ResamplerPtr;
using v2m::ScalerContextPtr;

// The open state of a codec whose context belongs to someone else: the
// engine's records own the contexts for as long as their files are open, a
// run owns only the time they are open. Closing takes AVCodecLock, as opening
// did, and the context forgets the pass-2 statistics it was lent.
struct CodecClose {
    void operator()(AVCodecContext* context) const {
        AVCodecLock lock;
        ff::avcodec_close(context);
        context->stats_in = nullptr;
    }
};
using OpenCodecPtr = std::unique_ptr<AVCodecContext, CodecClose>;

// Opens the context under AVCodecLock; the owner returned closes it. Null when
// the library refuses, with its code in `result`; the context then forgets its
// pass-2 statistics as it would on closing.
inline OpenCodecPtr OpenCodec(AVCodecContext* context, const AVCodec* codec, AVDictionary** options,
                              int& result) {
    AVCodecLock lock;
    result = ff::avcodec_open2(context, codec, options);
    if (result < 0) {
        context->stats_in = nullptr;
        return nullptr;
    }
    return OpenCodecPtr(context);
}

}  // namespace v2m::engine
