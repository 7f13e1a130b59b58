#pragma once
// Owners for the media libraries' objects. Every deleter frees through the
// bound slots, so an owner may only outlive its object's library when it is
// empty.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <utility>

#include "FFmpegApi.h"
#include "FFmpegLoader.h"
#include "UnicodeProtocol.h"

namespace v2m {

struct CodecContextFree {
    void operator()(AVCodecContext* context) const { ff::avcodec_free_context(&context); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;

// A context that may have been opened: freeing an open one closes it, which
// takes AVCodecLock as opening did.
struct OpenedCodecContextFree {
    void operator()(AVCodecContext* context) const {
        if (context != nullptr) {
            AVCodecLock lock;
            ff::avcodec_free_context(&context);
        }
    }
};
using OpenedCodecContextPtr = std::unique_ptr<AVCodecContext, OpenedCodecContextFree>;

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
// closed, then the context is freed with its streams. A shared owner calls
// it even for a null pointer.
struct OutputContextClose {
    void operator()(AVFormatContext* context) const {
        if (context == nullptr) {
            return;
        }
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

struct ResamplerFree {
    void operator()(SwrContext* context) const { ff::swr_free(&context); }
};
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerFree>;

struct AudioFifoFree {
    void operator()(AVAudioFifo* fifo) const { ff::av_audio_fifo_free(fifo); }
};
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoFree>;

struct FilterGraphFree {
    void operator()(AVFilterGraph* graph) const { ff::avfilter_graph_free(&graph); }
};
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphFree>;

struct FilterInOutFree {
    void operator()(AVFilterInOut* list) const { ff::avfilter_inout_free(&list); }
};
using FilterInOutPtr = std::unique_ptr<AVFilterInOut, FilterInOutFree>;

// A subtitle the decoder filled: its rectangles go with it.
struct SubtitleFree {
    void operator()(AVSubtitle* subtitle) const {
        ff::avsubtitle_free(subtitle);
        delete subtitle;
    }
};
using SubtitlePtr = std::unique_ptr<AVSubtitle, SubtitleFree>;

// Memory the media libraries allocated.
struct AVMemoryDeleter {
    void operator()(void* memory) const {
        if (memory != nullptr) {
            ff::av_free(memory);
        }
    }
};
using AVMemory = std::unique_ptr<uint8_t[], AVMemoryDeleter>;
template <class T>
using AVOwned = std::unique_ptr<T, AVMemoryDeleter>;

// A field of a library structure owns what it points to, and the structure
// frees it with itself: the new value (library memory, or none) takes the
// place of the old one, which is freed now.
template <class T>
void ReplaceLibraryField(T*& field, AVOwned<T> value) {
    ff::av_freep(&field);
    field = value.release();
}
// The same for a text, copied into library memory; false when none was left.
inline bool ReplaceLibraryText(char*& field, const char* text) {
    AVOwned<char> copy(ff::av_strdup(text));
    if (copy == nullptr) {
        return false;
    }
    ReplaceLibraryField(field, std::move(copy));
    return true;
}

// An I/O context over our own callbacks, with the buffer it goes through.
// The libraries may swap that buffer for one of their own, so the deleter
// frees whichever it holds then. The opaque state stays its maker's.
struct IOContextFree {
    void operator()(AVIOContext* io) const {
        ff::av_freep(&io->buffer);
        ff::avio_context_free(&io);
    }
};
using IOContextPtr = std::unique_ptr<AVIOContext, IOContextFree>;

// Null when no memory was left.
inline IOContextPtr MakeIOContext(int buffer_size, bool writing, void* opaque,
                                  int (*read)(void*, uint8_t*, int),
                                  int (*write)(void*, uint8_t*, int),
                                  int64_t (*seek)(void*, int64_t, int)) {
    AVMemory buffer(static_cast<uint8_t*>(ff::av_malloc(static_cast<size_t>(buffer_size))));
    if (buffer == nullptr) {
        return nullptr;
    }
    IOContextPtr io(ff::avio_alloc_context(buffer.get(), buffer_size, writing ? 1 : 0, opaque, read,
                                           write, seek));
    if (io != nullptr) {
        static_cast<void>(buffer.release());  // the context's from now on
    }
    return io;
}

// Files read or written through the C runtime the libraries use.
struct CFileClose {
    void operator()(FILE* file) const { ff::fclose(file); }
};
using CFilePtr = std::unique_ptr<FILE, CFileClose>;

}  // namespace v2m
