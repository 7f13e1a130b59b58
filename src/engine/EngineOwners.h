#pragma once
// Owners for the library objects the engine keeps: the shared media owners
// under the engine's names, and the two the engine alone needs.

#include <sys/types.h>

#include <cstdio>
#include <memory>
#include <optional>
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

// The regular file that OpenOutputFile created for an output. Device and
// inode tell it apart from anything put under its name later.
struct CreatedOutputFile {
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
};

// Frees a created output file: closes its byte stream when the muxer writes
// one, frees the context with its streams and metadata, then removes the file
// when this engine created it and nothing was written into it. Devices, files
// that existed before and files the muxer opened itself are never removed.
struct OutputFileCloser {
    std::optional<CreatedOutputFile> created;

    void operator()(AVFormatContext* context) const;
};

}  // namespace v2m::engine
