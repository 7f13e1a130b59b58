#pragma once
// A 24-bit picture laid out as the window systems keep their bitmaps: rows of
// blue, green, red bytes, each row padded to a multiple of 4 bytes, top row
// first. A GUI can wrap the pixels for drawing without copying them. The
// drawing lock guards the pixels while someone draws on them, so that a
// handler on one thread and a painter on another never meet mid-picture.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace v2m {

class TBitmap24 {
public:
    TBitmap24() = default;
    TBitmap24(int width, int height) { SetSize(width, height); }
    TBitmap24(const TBitmap24&) = delete;
    TBitmap24& operator=(const TBitmap24&) = delete;

    // Negative sizes count as 0. New pixels are black; kept rows are not moved
    // to their new places.
    void SetSize(int width, int height) {
        width_ = width > 0 ? width : 0;
        height_ = height > 0 ? height : 0;
        pixels_.assign(static_cast<size_t>(RowBytes()) * static_cast<size_t>(height_), 0);
    }

    int Width() const { return width_; }
    int Height() const { return height_; }
    static int RowBytesFor(int width) { return (width * 3 + 3) & ~3; }
    int RowBytes() const { return RowBytesFor(width_); }
    size_t SizeBytes() const { return pixels_.size(); }

    uint8_t* Bits() { return pixels_.data(); }
    const uint8_t* Bits() const { return pixels_.data(); }
    // Rows lie inside the picture, so y and the row length are not negative.
    uint8_t* Row(int y) { return pixels_.data() + RowOffset(y); }
    const uint8_t* Row(int y) const { return pixels_.data() + RowOffset(y); }

    // The drawing surface's lock.
    // Taking it does not change the picture, so a reader with a const bitmap
    // may hold it while it copies the pixels.
    void Lock() const { canvas_lock_.lock(); }
    void Unlock() const { canvas_lock_.unlock(); }
    bool TryLock() const { return canvas_lock_.try_lock(); }
    // For std::lock_guard and friends.
    void lock() const { Lock(); }
    void unlock() const { Unlock(); }

private:
    size_t RowOffset(int y) const {
        return static_cast<size_t>(y) * static_cast<size_t>(RowBytes());
    }

    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> pixels_;
    mutable std::mutex canvas_lock_;
};

}  // namespace v2m
