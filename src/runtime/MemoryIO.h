#pragma once
// Byte streams over memory, for the probe and the engine to read a file held
// in memory and to write an output that never reaches the disk: the fuzzing
// harness and the tests use them. Made and freed through the bound slots.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "FFmpegApi.h"
#include "MediaOwners.h"

namespace v2m {

// An I/O context with its buffer; its state object (the opaque pointer) is
// owned by the MemoryReader or MemoryWriter that made it.
using MemoryIOPtr = IOContextPtr;

// Reads the bytes given, which must outlive the reader; seekable, with a size.
class MemoryReader {
public:
    explicit MemoryReader(std::span<const uint8_t> bytes);
    MemoryReader(const MemoryReader&) = delete;
    MemoryReader& operator=(const MemoryReader&) = delete;

    // Null when the libraries could not allocate it.
    AVIOContext* IO() const { return io_.get(); }

    struct State {
        std::span<const uint8_t> bytes;
        size_t position = 0;
    };

private:
    State state_;
    MemoryIOPtr io_;
};

// Takes whatever is written, seeks included (muxers patch their headers at
// the end). Keeps the bytes when asked to, else only counts them.
class MemoryWriter {
public:
    explicit MemoryWriter(bool keep);
    MemoryWriter(const MemoryWriter&) = delete;
    MemoryWriter& operator=(const MemoryWriter&) = delete;

    AVIOContext* IO() const { return io_.get(); }
    // The size of the file written so far (the furthest byte reached).
    int64_t Size() const { return state_.size; }
    // Empty unless kept. Flushes the context's buffer first.
    const std::vector<uint8_t>& Bytes();

    struct State {
        bool keep = false;
        std::vector<uint8_t> bytes;
        int64_t position = 0;
        int64_t size = 0;
    };

private:
    State state_;
    MemoryIOPtr io_;
};

}  // namespace v2m
