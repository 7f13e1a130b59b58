#pragma once
// Owners for the media libraries' objects. Every deleter frees through the
// bound slots, so an owner may only outlive its object's library when it is
// empty.

#include <memory>

#include "FFmpegApi.h"
#include "UnicodeProtocol.h"

namespace v2m {

struct CodecContextFree {
    void operator()(AVCodecContext* context) const { ff::avcodec_free_context(&context); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;

// A format context that was never opened as an input (an output, or one being set up).
struct FormatContextFree {
    void operator()(AVFormatContext* context) const { ff::avformat_free_context(context); }
};
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextFree>;

// An opened input, possibly read through our own file access for the URL form.
struct InputContextClose {
    void operator()(AVFormatContext* context) const { CloseInputContext(&context); }
};
using InputContextPtr = std::unique_ptr<AVFormatContext, InputContextClose>;

// Whether closing the output closes its byte stream as well: only when the
// muxer writes one and it is not a byte stream the caller made and keeps.
inline bool ClosesItsByteStream(const AVFormatContext* context) {
    return context->pb != nullptr && context->oformat != nullptr &&
           !(context->oformat->flags & AVFMT_NOFILE) && !(context->flags & AVFMT_FLAG_CUSTOM_IO);
}

// An output being written: its byte stream (when it is the output's own) is
// closed, then the context is freed with its streams.
struct OutputContextClose {
    void operator()(AVFormatContext* context) const {
        if (ClosesItsByteStream(context)) {
            CloseOutputIO(&context->pb);
        }
        ff::avformat_free_context(context);
    }
};
using OutputContextPtr = std::unique_ptr<AVFormatContext, OutputContextClose>;

struct FrameFree {
    void operator()(AVFrame* frame) const { ff::av_frame_free(&frame); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;

struct PacketFree {
    void operator()(AVPacket* packet) const { ff::av_packet_free(&packet); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

struct DictionaryFree {
    void operator()(AVDictionary* dictionary) const { ff::av_dict_free(&dictionary); }
};
using DictionaryPtr = std::unique_ptr<AVDictionary, DictionaryFree>;

struct ScalerContextFree {
    void operator()(SwsContext* context) const { ff::sws_freeContext(context); }
};
using ScalerContextPtr = std::unique_ptr<SwsContext, ScalerContextFree>;

struct BitstreamFilterFree {
    void operator()(AVBSFContext* context) const { ff::av_bsf_free(&context); }
};
using BitstreamFilterPtr = std::unique_ptr<AVBSFContext, BitstreamFilterFree>;

}  // namespace v2m
