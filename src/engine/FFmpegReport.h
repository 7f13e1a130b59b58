#pragma once
// What the progress report and the video statistics read besides the engine:
// the encoder's account of each coded frame, and the quantiser histogram that
// every engine of the process adds to.

#include <array>
#include <cstdint>

#include "FFmpeg.h"

namespace v2m {

inline constexpr int kQuantiserCount = 52;
using TQuantiserHistogram = std::array<int64_t, kQuantiserCount>;

// A copy of the process-wide histogram of reported video quantisers.
TQuantiserHistogram QuantiserHistogram();

// Takes the quality, picture type and plane errors that an encoder attached
// to a packet it made into the record of the packet's stream. Packets without
// that information leave the record as it was.
void RecordCodedFrame(TOutputStream& stream, const AVPacket* packet);

}  // namespace v2m
