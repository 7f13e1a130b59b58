#pragma once
// Library pictures to 24-bit bitmaps and back, for the custom hook and the
// encoding preview. The bridge keeps its scalers and its RGB buffer between
// pictures, so a stream of same-sized pictures costs one conversion each.

#include <cstdint>
#include <memory>

#include "Bitmap24.h"
#include "FFmpegApi.h"
#include "MediaOwners.h"

namespace v2m {

struct TBitmapBridge {
    AVPixelFormat RGBFormat = AV_PIX_FMT_BGR24;
    std::unique_ptr<TBitmap24> Bitmap;
    AVMemory RGBBuffer;  // library memory
    int RGBBufferSize = 0;
    uint8_t* RGBData[4] = {};
    int RGBLinesize[4] = {};
    // The picture the bitmap was last filled from: RGBData/RGBLinesize, or the
    // caller's picture when that was already a BGR picture with the bitmap's rows.
    uint8_t* const* ReferenceData = nullptr;
    const int* ReferenceLinesize = nullptr;
    ScalerContextPtr ToRGB;
    ScalerContextPtr FromRGB;
};

// Fills the bridge's bitmap (made or resized to width x height) from the
// picture; false when no scaler to RGB can be made.
bool PictureToBitmap(TBitmapBridge& bridge, uint8_t* const data[4], const int linesize[4],
                     AVPixelFormat format, int height, int width);
// The way back: the bitmap's rows into the picture the bitmap was made from,
// then, when the picture is not BGR, converted into the caller's picture.
// False when no scaler from RGB can be made.
bool BitmapToPicture(TBitmapBridge& bridge, uint8_t* const data[4], const int linesize[4],
                     AVPixelFormat format, int height, int width);
void ReleaseBridge(TBitmapBridge& bridge);

}  // namespace v2m
