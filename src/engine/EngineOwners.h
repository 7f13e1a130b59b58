#pragma once
// Owners for the library objects the engine keeps: the shared media owners
// under the engine's names, and the two the engine alone needs.

#include <cstdio>
#include <memory>
#include <string>

#include "FFmpegApi.h"
#include "MediaOwners.h"

namespace v2m::engine {

using v2m::BitstreamFilterPtr;
using v2m::CodecContextPtr;
using v2m::FormatContextPtr;
using v2m::InputContextPtr;
using v2m::ScalerContextPtr;

// Files the engine writes itself go through the C runtime the libraries use.
struct CFileClose {
    void operator()(FILE* file) const { ff::fclose(file); }
};
using CFilePtr = std::unique_ptr<FILE, CFileClose>;

// Frees an output: closes its byte stream when the muxer writes one, then
// frees the context with its streams and metadata. The file itself is the
// engine's to settle (see TCustomFFmpeg::SettleOutputs).
struct OutputFileCloser {
    void operator()(AVFormatContext* context) const;
};

}  // namespace v2m::engine
