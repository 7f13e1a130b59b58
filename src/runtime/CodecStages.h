#pragma once
// The decode and encode steps every media layer takes: hand a packet (or a
// frame) to a codec, then take back everything it has ready. One error
// policy for all of them:
// - sending to a codec that is already drained is not an error (a second
//   drain, a packet after the end);
// - "needs more input" and "drained" end a receive loop normally;
// - any other error ends it as a failure, with the library's code.
// The callbacks may throw: what they were handed is unreferenced first.

#include "FFmpegApi.h"
#include "FFmpegLoader.h"

namespace v2m {

enum class TReceived {
    Wanting,  // the codec needs more input
    Drained,  // the codec gave all it had after a drain
    Kept,     // the callback kept the last item (left referenced for the caller)
    Failed,   // the codec reported an error (see the code)
};

struct TStageResult {
    TReceived How = TReceived::Wanting;
    int Error = 0;  // the library's code when Failed

    bool Failed() const { return How == TReceived::Failed; }
};

namespace stage_detail {

// Unreferences what a callback was handed unless it was kept.
template <typename T, void (*Unref)(T*)>
struct TUnrefGuard {
    T* Item;
    bool Keep = false;
    ~TUnrefGuard() {
        if (!Keep) {
            Unref(Item);
        }
    }
};

inline void UnrefFrame(AVFrame* frame) {
    ff::av_frame_unref(frame);
}
inline void UnrefPacket(AVPacket* packet) {
    ff::av_packet_unref(packet);
}

inline bool Ends(int code, TStageResult& result) {
    if (code == AVERROR(EAGAIN)) {
        result.How = TReceived::Wanting;
        return true;
    }
    if (code == AVERROR_EOF) {
        result.How = TReceived::Drained;
        return true;
    }
    if (code < 0) {
        result = {TReceived::Failed, code};
        return true;
    }
    return false;
}

}  // namespace stage_detail

// Sends one packet, or a drain for nullptr; 0 or the library's error code.
inline int SendPacket(AVCodecContext* decoder, const AVPacket* packet) {
    const int sent = ff::avcodec_send_packet(decoder, packet);
    return sent == AVERROR_EOF ? 0 : sent;
}

// Takes every frame the decoder has ready. `take(AVFrame&)` returns true to
// go on (the frame is unreferenced after it) or false to keep that frame and
// stop (Kept); a later call goes on where this one stopped.
template <typename Take>
TStageResult ReceiveFrames(AVCodecContext* decoder, AVFrame* frame, Take&& take) {
    TStageResult result;
    for (;;) {
        if (stage_detail::Ends(ff::avcodec_receive_frame(decoder, frame), result)) {
            return result;
        }
        stage_detail::TUnrefGuard<AVFrame, stage_detail::UnrefFrame> guard{frame};
        if (!take(*frame)) {
            guard.Keep = true;
            return {TReceived::Kept, 0};
        }
    }
}

// Sends `packet` (nullptr drains) and takes every frame that follows. A
// packet the decoder refuses fails without receiving.
template <typename Take>
TStageResult DecodePacket(AVCodecContext* decoder, const AVPacket* packet, AVFrame* frame,
                          Take&& take) {
    if (const int sent = SendPacket(decoder, packet); sent < 0) {
        return {TReceived::Failed, sent};
    }
    return ReceiveFrames(decoder, frame, take);
}

// Sends `frame` (nullptr drains) to the encoder and hands every packet it has
// ready to `take(AVPacket&)`; each is unreferenced after. Wanting or Drained
// on success.
template <typename Take>
TStageResult EncodeFrame(AVCodecContext* encoder, const AVFrame* frame, AVPacket* packet,
                         Take&& take) {
    const int sent = ff::avcodec_send_frame(encoder, frame);
    if (sent < 0 && !(frame == nullptr && sent == AVERROR_EOF)) {
        return {TReceived::Failed, sent};
    }
    TStageResult result;
    for (;;) {
        if (stage_detail::Ends(ff::avcodec_receive_packet(encoder, packet), result)) {
            return result;
        }
        stage_detail::TUnrefGuard<AVPacket, stage_detail::UnrefPacket> guard{packet};
        take(*packet);
    }
}

}  // namespace v2m
