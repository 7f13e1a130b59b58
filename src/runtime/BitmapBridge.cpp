#include "BitmapBridge.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace v2m {

namespace {

// Only a row's pixels are copied: a picture's lines may be longer than the
// bitmap's padded rows, and the bitmap's padding longer than a tight line.
void CopyRowsToBitmap(TBitmap24& bitmap, const uint8_t* source, int linesize, int rows) {
    const size_t bytes = static_cast<size_t>(bitmap.Width()) * 3;
    for (int y = 0; y < rows; ++y) {
        std::memcpy(bitmap.Row(y), source + static_cast<ptrdiff_t>(y) * linesize, bytes);
    }
}

void CopyRowsFromBitmap(const TBitmap24& bitmap, uint8_t* target, int linesize, int rows,
                        int width) {
    const size_t bytes = static_cast<size_t>(std::min(width, bitmap.Width())) * 3;
    for (int y = 0; y < rows; ++y) {
        std::memcpy(target + static_cast<ptrdiff_t>(y) * linesize, bitmap.Row(y), bytes);
    }
}

}  // namespace

bool PictureToBitmap(TBitmapBridge& bridge, uint8_t* const data[4], const int linesize[4],
                     AVPixelFormat format, int height, int width) {
    if (!bridge.Bitmap) {
        bridge.Bitmap = std::make_unique<TBitmap24>();
    }
    TBitmap24& bitmap = *bridge.Bitmap;
    std::lock_guard lock(bitmap);
    if (bitmap.Width() != width || bitmap.Height() != height) {
        bitmap.SetSize(width, height);
    }
    const bool direct = format == bridge.RGBFormat && width % 2 == 0 && height % 2 == 0 &&
                        linesize[0] == TBitmap24::RowBytesFor(width);
    if (direct) {
        bridge.ReferenceData = data;
        bridge.ReferenceLinesize = linesize;
    } else {
        const int size = ff::av_image_get_buffer_size(bridge.RGBFormat, width, height, 1);
        if (size < 0) {
            return false;
        }
        if (!bridge.RGBBuffer || bridge.RGBBufferSize < size) {
            bridge.RGBBuffer.reset(static_cast<uint8_t*>(ff::av_malloc(static_cast<size_t>(size))));
            bridge.RGBBufferSize = bridge.RGBBuffer ? size : 0;
            if (!bridge.RGBBuffer) {
                return false;
            }
        }
        if (ff::av_image_fill_arrays(bridge.RGBData, bridge.RGBLinesize, bridge.RGBBuffer.get(),
                                     bridge.RGBFormat, width, height, 1) < 0) {
            return false;
        }
        // The cached context is freed by the call when it cannot be reused.
        bridge.ToRGB.reset(ff::sws_getCachedContext(bridge.ToRGB.release(), width, height, format,
                                                    width, height, bridge.RGBFormat, SWS_BICUBIC,
                                                    nullptr, nullptr, nullptr));
        if (!bridge.ToRGB) {
            return false;
        }
        ff::sws_scale(bridge.ToRGB.get(), data, linesize, 0, height, bridge.RGBData,
                      bridge.RGBLinesize);
        bridge.ReferenceData = bridge.RGBData;
        bridge.ReferenceLinesize = bridge.RGBLinesize;
    }
    CopyRowsToBitmap(bitmap, bridge.ReferenceData[0], bridge.ReferenceLinesize[0], height);
    return true;
}

bool BitmapToPicture(TBitmapBridge& bridge, uint8_t* const data[4], const int linesize[4],
                     AVPixelFormat format, int height, int width) {
    if (!bridge.Bitmap || bridge.ReferenceData == nullptr) {
        return false;
    }
    const TBitmap24& bitmap = *bridge.Bitmap;
    std::lock_guard lock(bitmap);
    const int rows = std::min(height, bitmap.Height());
    // A BGR picture takes the rows itself, whether the bitmap was made from it
    // in place or through the RGB picture (odd size, other line size).
    if (format == bridge.RGBFormat) {
        CopyRowsFromBitmap(bitmap, data[0], linesize[0], rows, width);
        return true;
    }
    if (bridge.RGBData[0] == nullptr) {
        return false;
    }
    CopyRowsFromBitmap(bitmap, bridge.RGBData[0], bridge.RGBLinesize[0], rows, width);
    bridge.FromRGB.reset(ff::sws_getCachedContext(bridge.FromRGB.release(), width, height,
                                                  bridge.RGBFormat, width, height, format,
                                                  SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!bridge.FromRGB) {
        return false;
    }
    ff::sws_scale(bridge.FromRGB.get(), bridge.RGBData, bridge.RGBLinesize, 0, height, data,
                  linesize);
    return true;
}

void ReleaseBridge(TBitmapBridge& bridge) {
    bridge.Bitmap.reset();
    bridge.RGBBuffer.reset();
    bridge.RGBBufferSize = 0;
    bridge.ToRGB.reset();
    bridge.FromRGB.reset();
    bridge.RGBFormat = AV_PIX_FMT_BGR24;
    std::fill(std::begin(bridge.RGBData), std::end(bridge.RGBData), nullptr);
    std::fill(std::begin(bridge.RGBLinesize), std::end(bridge.RGBLinesize), 0);
    bridge.ReferenceData = nullptr;
    bridge.ReferenceLinesize = nullptr;
}

}  // namespace v2m
