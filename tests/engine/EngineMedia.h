#pragma once
// Media the file tests need beyond the standard fixture set, written once per
// test program into a temporary folder.

#include <filesystem>
#include <string>

namespace v2m::test {

// Clip names of SpecialClip.
inline constexpr const char* kPalSar16x15 = "pal_720x576_sar16_15.mkv";  // mpeg4, 25 fps
inline constexpr const char* kNtscVideo = "ntsc_30000_1001.avi";         // mpeg4 and mp2
inline constexpr const char* kVideo15Fps = "video_15fps.avi";            // mpeg4 and mp2
inline constexpr const char* kAc3Surround = "ac3_51.mkv";                // AC-3 5.1, 48 kHz
inline constexpr const char* kPcm96k = "pcm_96k.wav";                    // stereo, 96 kHz
inline constexpr const char* kShortWav = "tone_2s.wav";                  // 2 s
inline constexpr const char* kLongWav = "tone_4s.wav";                   // 4 s
inline constexpr const char* kPcm44k = "tone_1s.wav";                    // 1 s, 44.1 kHz
// MPEG-TS whose streams are video, data (KLV), audio, in that order.
inline constexpr const char* kDataBetween = "data_between.ts";

// The path of the named clip, written on first use. The libraries must be loaded.
std::filesystem::path SpecialClip(const std::string& name);

}  // namespace v2m::test
