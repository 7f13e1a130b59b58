#pragma once
// Running whole conversions in the engine tests: a job (inputs, options,
// output), the clips the conversion tests need beyond the standard set, and
// the process state a failed conversion must leave as it found it.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "AudioAnalysis.h"
#include "EngineTestSupport.h"
#include "TestSupport.h"

namespace v2m::test {

using OptionList = std::vector<std::pair<std::string, std::string>>;

struct TranscodeJob {
    std::vector<std::filesystem::path> inputs;
    OptionList input_options;  // applied before every input
    OptionList output_options;
    std::filesystem::path output;
    bool join = false;
};

// Clips written once per test program into a temporary folder.
inline constexpr const char* kTone10s = "tone_10s.wav";    // 44.1 kHz stereo, 1 kHz
inline constexpr const char* kTone5s = "tone_5s.wav";      // 44.1 kHz stereo, 1 kHz
inline constexpr const char* kLoudWav = "loud.wav";        // s16, 1 kHz at 0.75
inline constexpr const char* kLoudM4a = "loud.m4a";        // AAC (decodes to float), 0.75
inline constexpr const char* kShort500 = "short_500.mp4";  // AAC 1 s, 500 Hz
inline constexpr const char* kLong1000 = "long_1000.mp4";  // AAC 3 s, 1 kHz
inline constexpr const char* kLong500 = "long_500.mp4";    // AAC 3 s, 500 Hz
// Two MPEG-TS files of 2 s each, byte-wise one after the other: the second
// restarts its timestamps and switches from 48 kHz stereo to 44.1 kHz mono.
inline constexpr const char* kSplicedTs = "spliced.ts";
// Vorbis audio in Matroska with one packet in the middle overwritten.
inline constexpr const char* kCorruptMkv = "corrupt.mkv";
inline constexpr const char* kSubtitles = "subtitles.srt";
// 2 s of video, then 48 kHz stereo at 1 kHz and a 22.05 kHz mono commentary at 500 Hz.
inline constexpr const char* kFilmWithCommentary = "film_commentary.mkv";

// Video clips, 2 s each: MPEG-4 in AVI at 25 and at 30 fps; one flat grey
// picture (Y 200); MPEG-2 in MPEG-TS whose pictures grow from 320x240 to
// 352x288 after 1 s; DVD bitmap subtitles (one a second, lasting it) beside
// the video in Matroska.
inline constexpr const char* kVideo25 = "video_25.avi";
inline constexpr const char* kVideo30 = "video_30.avi";
inline constexpr const char* kGreyVideo = "grey.avi";
inline constexpr const char* kGrowingTs = "growing.ts";
inline constexpr const char* kDvdSubtitles = "dvdsub.mkv";

std::filesystem::path TranscodeClip(const std::string& name);

// Entries in /proc/self/fd.
int OpenDescriptorCount();

// Whether any of `texts` (log lines, say) has `wanted` in it.
bool Contains(const std::vector<std::string>& texts, const std::string& wanted);

class TranscodeTest : public EngineTest {
protected:
    void SetUp() override;

    std::filesystem::path Out(const std::string& name) const { return temp_.Path() / name; }

    // Opens the job's files; fails the test when one does not open.
    void Open(const TranscodeJob& job);
    // Opens and transcodes, then ends the task as a run does (codecs, files).
    void Run(const TranscodeJob& job);
    // The FFmpegException text of a job that must fail (empty when it did not).
    std::string RunFailing(const TranscodeJob& job);
    void EndTask();

    std::vector<std::string> LogTexts();

    TempDir temp_{"transcode"};
};

// Samples of one encoder frame plus the encoder's delay, at a rate.
double EncoderSlack(int frame_size, int delay, int rate);

}  // namespace v2m::test
