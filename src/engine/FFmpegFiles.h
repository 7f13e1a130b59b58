#pragma once
// Small helpers shared by the engine's input, output and target code.

#include <cstdint>
#include <string>

#include "FFmpegApi.h"

namespace v2m::engine {

// The fraction nearest to `value` whose terms do not exceed 255; 0/1 for 0.
AVRational NearestSampleAspect(double value);

// The sample aspect ratio that gives a picture of this size the display
// aspect `aspect`; without a size, `aspect` is taken for a 4:3 picture.
AVRational SampleAspectFor(int width, int height, float aspect);

// Frames per second times 1000, rounded to the nearest integer (ties to even);
// 0 for an unknown rate.
int64_t MilliFrameRate(AVRational rate);

// The name of the usual layout for that many channels ("stereo", "5.1", ...).
std::string ChannelLayoutText(int channels);

// Whether the class has an option of that name (a muxer's or demuxer's own).
bool ClassHasOption(const AVClass* option_class, const char* name);

}  // namespace v2m::engine
