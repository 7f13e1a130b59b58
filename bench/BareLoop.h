#pragma once
// The plainest extraction the media libraries allow (read, decode, resample,
// cut into encoder frames, encode, write), with the settings of an MP3 job at
// 44100 Hz, stereo, 128 kbit/s: the yardstick the benchmarks measure against.
// The libraries must be loaded. Throws std::runtime_error on a failure.

#include <cstdint>
#include <string>

#include "MediaOwners.h"

namespace v2m::bench {

inline constexpr int kBareRate = 44100;
inline constexpr int kBareChannels = 2;
inline constexpr int64_t kBareBitRate = 128000;

void BareLoop(const std::string& source, const std::string& target);

// The plainest copy of the first audio stream's packets into a new file of
// the container the target's name asks for, nothing decoded.
void BareCopy(const std::string& source, const std::string& target);

// The source opened with its first stream of the type and that stream's
// decoder (`threads` as the codec context takes it: 0 lets the library
// choose); every other stream discarded.
struct TBareInput {
    InputContextPtr File;
    int Stream = -1;
    CodecContextPtr Decoder;
};
TBareInput OpenBareInput(const std::string& source, AVMediaType type, int threads = 1);

// Throws std::runtime_error naming `what` for a negative library result.
void CheckBare(int result, const char* what);

}  // namespace v2m::bench
