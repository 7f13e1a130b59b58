#include "MemoryIO.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace v2m {

namespace {

constexpr int kBufferSize = 32 * 1024;

// The new position of a seek, or -1 when it falls outside 0..limit.
int64_t SeekTarget(int64_t position, int64_t current, int64_t size, int whence, int64_t limit) {
    int64_t base = 0;
    switch (whence & ~AVSEEK_FORCE) {
        case SEEK_SET:
            base = 0;
            break;
        case SEEK_CUR:
            base = current;
            break;
        case SEEK_END:
            base = size;
            break;
        default:
            return -1;
    }
    // Offsets come from file contents: keep the sum from overflowing.
    if ((position > 0 && base > limit - position) || base + position < 0) {
        return -1;
    }
    const int64_t target = base + position;
    return target <= limit ? target : -1;
}

int ReadMemory(void* opaque, uint8_t* buffer, int size) {
    auto* state = static_cast<MemoryReader::State*>(opaque);
    const size_t left = state->bytes.size() - state->position;
    const size_t count = std::min(left, static_cast<size_t>(std::max(size, 0)));
    if (count == 0) {
        return AVERROR_EOF;
    }
    std::memcpy(buffer, state->bytes.data() + state->position, count);
    state->position += count;
    return static_cast<int>(count);
}

int64_t SeekMemory(void* opaque, int64_t position, int whence) {
    auto* state = static_cast<MemoryReader::State*>(opaque);
    const auto size = static_cast<int64_t>(state->bytes.size());
    if (whence & AVSEEK_SIZE) {
        return size;
    }
    const int64_t target =
        SeekTarget(position, static_cast<int64_t>(state->position), size, whence, size);
    if (target < 0) {
        return AVERROR(EINVAL);
    }
    state->position = static_cast<size_t>(target);
    return target;
}

int WriteMemory(void* opaque, uint8_t* buffer, int size) {
    auto* state = static_cast<MemoryWriter::State*>(opaque);
    if (size <= 0) {
        return 0;
    }
    if (state->keep) {
        const auto end = static_cast<size_t>(state->position) + static_cast<size_t>(size);
        if (state->bytes.size() < end) {
            state->bytes.resize(end);
        }
        std::memcpy(state->bytes.data() + state->position, buffer, static_cast<size_t>(size));
    }
    state->position += size;
    state->size = std::max(state->size, state->position);
    return size;
}

int64_t SeekWritten(void* opaque, int64_t position, int whence) {
    auto* state = static_cast<MemoryWriter::State*>(opaque);
    if (whence & AVSEEK_SIZE) {
        return state->size;
    }
    // Seeking past the end leaves a gap, as in a file; bounded so that a
    // kept file cannot be made to grow without limit by one seek.
    constexpr int64_t kLimit = std::numeric_limits<int32_t>::max();
    const int64_t target = SeekTarget(position, state->position, state->size, whence, kLimit);
    if (target < 0) {
        return AVERROR(EINVAL);
    }
    state->position = target;
    return target;
}

MemoryIOPtr MakeIO(void* state, bool writing) {
    return MakeIOContext(kBufferSize, writing, state, writing ? nullptr : ReadMemory,
                         writing ? WriteMemory : nullptr, writing ? SeekWritten : SeekMemory);
}

}  // namespace

MemoryReader::MemoryReader(std::span<const uint8_t> bytes)
    : state_{bytes, 0}, io_(MakeIO(&state_, false)) {}

MemoryWriter::MemoryWriter(bool keep) : io_(MakeIO(&state_, true)) {
    state_.keep = keep;
}

const std::vector<uint8_t>& MemoryWriter::Bytes() {
    if (io_) {
        ff::avio_flush(io_.get());
    }
    return state_.bytes;
}

}  // namespace v2m
