// The player on real files and the real libraries: what reaches the audio
// device (SDL's disk driver writes it to a file), its threads, the order of its
// events, seeking, and how well it keeps time. Playback runs in real time.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <numbers>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "AudioAnalysis.h"
#include "FFPlay.h"
#include "FFmpegLogger.h"
#include "FixtureGenerator.h"
#include "Format.h"
#include "MainThread.h"
#include "TestSupport.h"

namespace v2m::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

// At 32 kHz a device block of 1024 frames lasts exactly 32 ms, so the disk
// driver's whole-millisecond pacing keeps the capture in real time.
constexpr int kRate = 32000;
constexpr int64_t kBlock = 1024;
constexpr double kToneSeconds = 2.0;

// Under a sanitizer the timings say nothing about the player; they are only printed.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr bool kTimingsHold = false;
#else
constexpr bool kTimingsHold = true;
#endif

const fixtures::ClipRecipe& RecipeOf(const std::string& name) {
    using fixtures::Audio;
    using fixtures::Video;
    const auto tone = Audio("pcm_s16le", kRate, 2, 1000.0, 0.5);
    static const std::map<std::string, fixtures::ClipRecipe> recipes = {
        {"tone.wav", {.duration_s = kToneSeconds, .streams = {tone}}},
        {"tone.flac",
         {.duration_s = kToneSeconds, .streams = {Audio("flac", kRate, 2, 1000.0, 0.5)}}},
        // Near full scale: folding six channels into two without scaling would clip.
        {"surround.ac3",
         {.duration_s = kToneSeconds, .streams = {Audio("ac3", kRate, 6, 1000.0, 0.9)}}},
        {"two_tracks.mkv",
         {.duration_s = 1.5, .streams = {tone, Audio("pcm_s16le", kRate, 2, 440.0, 0.5)}}},
        {"video.avi", {.duration_s = 3.0, .streams = {Video("mpeg4", 320, 240, {25, 1}), tone}}},
        {"video360.avi", {.duration_s = 3.0, .streams = {Video("mpeg4", 640, 360, {25, 1}), tone}}},
    };
    return recipes.at(name);
}

// What the device was given, as the disk driver writes it: 16-bit native-endian
// samples, two channels interleaved, no header; here -1..1 per channel.
using Channels = std::vector<std::vector<float>>;

Channels ReadCapture(const fs::path& file) {
    std::vector<int16_t> codes(fs::file_size(file) / sizeof(int16_t));
    std::ifstream(file, std::ios::binary)
        .read(reinterpret_cast<char*>(codes.data()), std::ssize(codes) * 2);
    Channels channels(2);
    for (size_t i = 0; i + 1 < codes.size(); i += 2) {
        channels[0].push_back(static_cast<float>(codes[i] / 32768.0));
        channels[1].push_back(static_cast<float>(codes[i + 1] / 32768.0));
    }
    return channels;
}

int64_t Frames(const Channels& channels) {
    return std::ssize(channels.front());
}

Channels Slice(const Channels& channels, int64_t begin, int64_t end) {
    begin = std::clamp<int64_t>(begin, 0, Frames(channels));
    end = std::clamp<int64_t>(end, begin, Frames(channels));
    Channels part;
    for (const std::vector<float>& channel : channels) {
        part.emplace_back(channel.begin() + begin, channel.begin() + end);
    }
    return part;
}

// Frames from the first to just past the last sample louder than the
// threshold, {0, 0} when none is; threshold 0 finds all but digital silence.
std::pair<int64_t, int64_t> SoundExtent(const Channels& channels, double threshold) {
    int64_t first = Frames(channels);
    int64_t last = -1;
    for (const std::vector<float>& channel : channels) {
        for (int64_t i = 0; i < std::ssize(channel); ++i) {
            if (std::fabs(channel[i]) > threshold) {
                first = std::min(first, i);
                last = std::max(last, i);
            }
        }
    }
    return last < 0 ? std::pair<int64_t, int64_t>{0, 0} : std::pair{first, last + 1};
}

// The longest run of frames of digital silence on every channel.
int64_t LongestSilence(const Channels& channels) {
    int64_t longest = 0;
    int64_t run = 0;
    for (int64_t i = 0; i < Frames(channels); ++i) {
        const bool silent = std::all_of(channels.begin(), channels.end(),
                                        [i](const std::vector<float>& c) { return c[i] == 0.0f; });
        run = silent ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

std::multiset<std::string> PlayerThreads() {
    std::multiset<std::string> names;
    std::error_code error;
    for (const auto& task : fs::directory_iterator("/proc/self/task", error)) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        if (std::getline(comm, name) && name.starts_with("v2m-")) {
            names.insert(name);
        }
    }
    return names;
}

// A joined thread can linger in /proc for a moment after its join returned.
bool NoPlayerThreadLeft() {
    const auto until = SteadyClock::now() + std::chrono::milliseconds(200);
    while (!PlayerThreads().empty()) {
        if (SteadyClock::now() > until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

double Seconds(SteadyClock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

double ProcessCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<size_t>(std::ceil(fraction * static_cast<double>(values.size())));
    return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

void Report(const std::string& name, double value, const char* unit) {
    std::printf("[ measured ] %s: %.1f %s\n", name.c_str(), value, unit);
    ::testing::Test::RecordProperty(name, std::to_string(value));
}

struct Position {
    int64_t us;
    SteadyClock::time_point at;
};

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        LoadConverterLibs();
        main_ = std::make_shared<QueuedMainThread>();
        InstallMainThreadServices(main_);
        // Read when the device opens: each test hears only itself.
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        // Drawn by SDL itself: predictable on any X server, and no GL driver
        // threads for the thread checker to trip over.
        ::setenv("SDL_RENDER_DRIVER", "software", 1);
        ::setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 1);
        ::setenv("SDL_DISKAUDIOFILE", capture_file_.c_str(), 1);
        NewPlayer();
    }

    void TearDown() override {
        player_.reset();
        EXPECT_TRUE(NoPlayerThreadLeft()) << "threads outlived their player";
        main_->ProcessPendingMessages();
        InstallMainThreadServices(nullptr);
    }

    void NewPlayer() {
        player_.reset();
        EXPECT_TRUE(NoPlayerThreadLeft());
        main_->ProcessPendingMessages();
        states_.clear();
        positions_.clear();
        player_ = std::make_unique<TFFPlayer>();
        ASSERT_TRUE(player_->LoadAVLib("")) << player_->LastError();
        player_->SetOnState([this](TFFBaseComponent*, TPlayState state) {
            EXPECT_TRUE(main_->IsMainThread());
            states_.push_back(state);
        });
        player_->SetOnPosition([this](TFFBaseComponent*, int64_t us) {
            EXPECT_TRUE(main_->IsMainThread());
            positions_.push_back({us, SteadyClock::now()});
        });
    }

    fs::path Clip(const std::string& name) {
        const fs::path path = temp_.Path() / name;
        if (!fs::exists(path)) {
            fixtures::WriteClip(path, RecipeOf(name));
        }
        return path;
    }

    void ServeFor(std::chrono::milliseconds time) {
        main_->ServeUntil([] { return false; }, time);
    }
    size_t Count(TPlayState state) const {
        return std::count(states_.begin(), states_.end(), state);
    }
    bool WaitState(TPlayState state, size_t count, std::chrono::milliseconds timeout = 5s) {
        return main_->ServeUntil([&] { return Count(state) >= count; }, timeout);
    }
    bool WaitPosition(int64_t at_least_us) {
        return main_->ServeUntil(
            [&] { return !positions_.empty() && positions_.back().us >= at_least_us; }, 5s);
    }

    // Opens the file and serves events until it plays. Without pictures to
    // show, no window is needed.
    void Play(const fs::path& file, bool display = false) {
        player_->SetDisableDisplay(!display);
        const size_t plays = Count(psPlay) + 1;
        ASSERT_TRUE(player_->Open(file.string(), 0, false)) << player_->LastError();
        ASSERT_TRUE(WaitState(psPlay, plays)) << "no psPlay for " << file;
    }
    // Plays the file to its end and closes it, which flushes the capture.
    void PlayToEnd(const fs::path& file) {
        const size_t ends = Count(psEnd) + 1;
        ASSERT_NO_FATAL_FAILURE(Play(file));
        ASSERT_TRUE(WaitState(psEnd, ends, 8s)) << "no psEnd for " << file;
        player_->Stop(true);
    }

    int64_t CapturedFrames() const {
        return static_cast<int64_t>(fs::file_size(capture_file_) / 4);
    }

    TempDir temp_{"player"};
    fs::path capture_file_ = temp_.Path() / "device.raw";
    std::shared_ptr<QueuedMainThread> main_;
    std::unique_ptr<TFFPlayer> player_;
    std::vector<TPlayState> states_;
    std::vector<Position> positions_;
};

// Pictures need a display; scripts/test gives the tests one under Xvfb.
class PlayerVideoTest : public PlayerTest {
protected:
    void SetUp() override {
        PlayerTest::SetUp();
        if (const char* display = std::getenv("DISPLAY"); display == nullptr || *display == '\0') {
            GTEST_SKIP() << "needs a display";
        }
    }
};

// The tone at its frequency and level, scaled by the volume, as long as the
// clip; surround folded into two channels without clipping (read as stereo, a
// capture of more channels would show neither the frequency nor the length).
TEST_F(PlayerTest, DevicePlaysTheToneAtItsLevelForTheClipsLength) {
    struct Case {
        const char* clip;
        TAudioVolume volume;
        bool level_known;  // the downmix sets the surround clip's level
    };
    for (const Case& c : {Case{"tone.wav", 128, true}, Case{"tone.wav", 64, true},
                          Case{"tone.flac", 128, true}, Case{"surround.ac3", 128, false}}) {
        SCOPED_TRACE(std::string(c.clip) + " at volume " + std::to_string(c.volume));
        player_->SetAudioVolume(c.volume);
        ASSERT_NO_FATAL_FAILURE(PlayToEnd(Clip(c.clip)));
        const Channels capture = ReadCapture(capture_file_);
        // The device writes silence before the first and after the last sound.
        const auto [begin, end] = SoundExtent(capture, 0.01);
        EXPECT_NEAR(static_cast<double>(end - begin) / kRate, kToneSeconds, 0.1);
        const double level = fixtures::AmplitudeToDb(0.5 / std::numbers::sqrt2 * c.volume / 128.0);
        const auto played = fixtures::AnalyzeSamples(Slice(capture, begin, end), kRate);
        for (const fixtures::ChannelAnalysis& channel : played.channel) {
            SCOPED_TRACE(channel.name);
            EXPECT_NEAR(channel.frequency_hz, 1000.0, 20.0);
            EXPECT_LT(channel.peak_dbfs, -0.1);
            if (c.level_known) {
                EXPECT_NEAR(channel.rms_dbfs, level, 0.5);
            }
        }
    }
}

// Both silence the device at once; muted playback goes on, paused stands still.
TEST_F(PlayerTest, MuteAndPauseSilenceTheDevice) {
    struct Case {
        const char* name;
        std::function<void(TFFPlayer&)> act;
        bool clock_runs;
    };
    const Case cases[] = {{"mute", [](TFFPlayer& p) { p.SetMute(true); }, true},
                          {"pause", [](TFFPlayer& p) { p.Pause(); }, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(NewPlayer());
        ASSERT_NO_FATAL_FAILURE(Play(Clip("tone.wav")));
        ASSERT_TRUE(WaitPosition(400'000));
        const int64_t heard = CapturedFrames();
        c.act(*player_);
        ServeFor(100ms);
        const double clock_before = player_->Clocks().Audio;
        ServeFor(300ms);
        const double clock_after = player_->Clocks().Audio;
        player_->Stop(true);

        const Channels capture = ReadCapture(capture_file_);
        EXPECT_GT(SoundExtent(Slice(capture, 0, heard - kBlock), 0.01).second, 0) << "no tone";
        // The file may lag the device by the block the C library buffers, and
        // one block may have been mixed before the change.
        const Channels after = Slice(capture, heard + 2 * kBlock, Frames(capture));
        EXPECT_GT(Frames(after), kRate / 4);
        EXPECT_EQ(SoundExtent(after, 0.0).second, 0) << "sound after the change";
        if (c.clock_runs) {
            EXPECT_NEAR(clock_after - clock_before, 0.3, 0.1);
        } else {
            EXPECT_NEAR(clock_after, clock_before, 0.001);
        }
    }
}

TEST_F(PlayerTest, MissingFileFailsNamingItAndStartsNoThread) {
    const fs::path missing = temp_.Path() / "no such clip.avi";
    EXPECT_FALSE(player_->Open(missing.string(), 0, false));
    EXPECT_NE(player_->LastError().find(missing.filename().string()), std::string::npos)
        << player_->LastError();
    EXPECT_FALSE(player_->FileIsOpen());
    EXPECT_TRUE(NoPlayerThreadLeft());
}

// A header claiming fewer than 1000 samples a second is refused at the open,
// naming the rate; at 1000 the device's buffers stay short enough that
// closing never waits long for them.
TEST_F(PlayerTest, SampleRatesBelow1000HzAreRefusedAndClosingStaysQuick) {
    for (const int rate : {1, 999, 1000}) {
        SCOPED_TRACE(rate);
        const fs::path wav = temp_.Path() / ("claims " + std::to_string(rate) + ".wav");
        fixtures::WriteWavClaimingRate(wav, rate);
        if (rate < 1000) {
            EXPECT_FALSE(player_->Open(wav.string(), 0, false));
            EXPECT_NE(player_->LastError().find(Format("Unsupported sample rate %d Hz", rate)),
                      std::string::npos)
                << player_->LastError();
            continue;
        }
        ASSERT_NO_FATAL_FAILURE(Play(wav));
        const auto stopping = SteadyClock::now();
        player_->Stop(true);
        EXPECT_LT(SteadyClock::now() - stopping, 2s);
    }
}

// Each thread once while a file plays, the video decoder only for pictures;
// none once Stop has waited or the player is gone.
TEST_F(PlayerVideoTest, ThreadsFollowTheStreamsOfTheFile) {
    for (const auto& [clip, video] : {std::pair{"tone.wav", false}, std::pair{"video.avi", true}}) {
        SCOPED_TRACE(clip);
        ASSERT_NO_FATAL_FAILURE(NewPlayer());
        ASSERT_NO_FATAL_FAILURE(Play(Clip(clip), video));
        for (const char* name : {"v2m-read", "v2m-refresh", "v2m-play", "v2m-event"}) {
            EXPECT_EQ(PlayerThreads().count(name), 1u) << name;
        }
        EXPECT_EQ(PlayerThreads().count("v2m-video"), video ? 1u : 0u);
        if (video) {
            player_.reset();
        } else {
            player_->Stop(true);
        }
        EXPECT_TRUE(NoPlayerThreadLeft());
    }
}

TEST_F(PlayerTest, SecondOpenStopsTheFirstFileBeforeItPlays) {
    ASSERT_NO_FATAL_FAILURE(Play(Clip("tone.wav")));
    ASSERT_NO_FATAL_FAILURE(Play(Clip("tone.flac")));
    EXPECT_EQ(states_, (std::vector<TPlayState>{psPlay, psStop, psPlay}));
    EXPECT_EQ(PlayerThreads().count("v2m-read"), 1u);
}

TEST_F(PlayerTest, StopWithoutWaitingReturnsAtOnceAndStopFollows) {
    ASSERT_NO_FATAL_FAILURE(Play(Clip("tone.wav")));
    const auto start = SteadyClock::now();
    player_->Stop(false);
    EXPECT_LT(SteadyClock::now() - start, 20ms);
    EXPECT_TRUE(WaitState(psStop, 1, 2s));
}

// However the file closes, what was set for it is gone.
TEST_F(PlayerTest, PerFileSettingsReturnToDefaultsWhenTheFileCloses) {
    const TPlaybackSettings defaults;
    for (const bool play_to_end : {false, true}) {
        SCOPED_TRACE(play_to_end ? "played to its end" : "stopped");
        player_->StartTime = 200'000;
        player_->PlayDuration = play_to_end ? 300'000 : INT64_MIN;
        player_->EndAction = play_to_end ? 1 : 2;
        player_->FlipVertical = true;
        player_->WantedStream[AVMEDIA_TYPE_AUDIO + 1] = 0;
        const size_t stops = Count(psStop) + 1;
        const auto start = SteadyClock::now();
        ASSERT_NO_FATAL_FAILURE(Play(Clip("tone.wav")));
        if (play_to_end) {
            ASSERT_TRUE(WaitState(psStop, stops, 3s));
            // The clip lasts 2 s: only the play duration ends it this soon.
            EXPECT_LT(SteadyClock::now() - start, 1500ms);
        } else {
            player_->Stop(true);
        }
        EXPECT_EQ(player_->StartTime, defaults.StartTime);
        EXPECT_EQ(player_->PlayDuration, defaults.PlayDuration);
        EXPECT_EQ(player_->EndAction, defaults.EndAction);
        EXPECT_EQ(player_->FlipVertical, defaults.FlipVertical);
        EXPECT_EQ(player_->WantedStream, defaults.WantedStream);
    }
}

TEST_F(PlayerTest, SeekBeyondTheEndEndsPlayback) {
    ASSERT_NO_FATAL_FAILURE(Play(Clip("tone.wav")));
    ASSERT_TRUE(WaitPosition(200'000));
    const auto start = SteadyClock::now();
    player_->Seek(0, 60'000'000);
    ASSERT_TRUE(WaitState(psEnd, 1, 3s));
    // Played on, the clip would have needed another 1.8 s.
    EXPECT_LT(SteadyClock::now() - start, 1s);
}

// Positions count from the file's first timestamp (10 s here), and seeking to
// 0 goes there.
TEST_F(PlayerVideoTest, PositionsCountFromTheStartOfTheFile) {
    ASSERT_NO_FATAL_FAILURE(Play(Fixture("ts_start_10s.ts"), true));
    ASSERT_TRUE(WaitPosition(1'000'000));
    for (const Position& position : positions_) {
        ASSERT_LT(position.us, 3'500'000) << "the clip lasts 3 s";
    }
    const size_t mark = positions_.size();
    player_->Seek(0, 0);
    ASSERT_TRUE(main_->ServeUntil([&] { return positions_.size() > mark; }, 3s));
    EXPECT_GT(positions_[mark].us, -100'000);
    EXPECT_LT(positions_[mark].us, 500'000);
}

TEST_F(PlayerTest, WantedStreamChoosesTheAudioTrack) {
    for (const auto& [wanted, tone_hz] : {std::pair{0, 1000.0}, std::pair{1, 440.0}}) {
        SCOPED_TRACE("audio stream " + std::to_string(wanted));
        player_->WantedStream[AVMEDIA_TYPE_AUDIO + 1] = wanted;
        ASSERT_NO_FATAL_FAILURE(PlayToEnd(Clip("two_tracks.mkv")));
        const Channels capture = ReadCapture(capture_file_);
        const auto [begin, end] = SoundExtent(capture, 0.01);
        const auto played = fixtures::AnalyzeSamples(Slice(capture, begin, end), kRate);
        for (const fixtures::ChannelAnalysis& channel : played.channel) {
            EXPECT_NEAR(channel.frequency_hz, tone_hz, tone_hz * 0.02) << channel.name;
        }
    }
}

// The header promises more sound than the pipe brings, and the pipe stays
// open, so the player's read waits. Opened for reading and writing, the FIFO
// holds what is written before the player opens it: enough for the stream
// analysis, which reads 50 packets (some 200 KB) of a WAV without timestamps.
// Should Stop never return, the test hangs rather than fails.
TEST_F(PlayerTest, StopEndsAReadThatWaitsForData) {
    const fs::path fifo = temp_.Path() / "stream.wav";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int fd = ::open(fifo.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    std::string head(240'000, '\0');  // 1.875 s of the 2 s the header announces
    ASSERT_GE(::fcntl(fd, F_SETPIPE_SZ, 256 * 1024), std::ssize(head));
    std::ifstream(Clip("tone.wav"), std::ios::binary).read(head.data(), std::ssize(head));
    ASSERT_EQ(::write(fd, head.data(), head.size()), std::ssize(head));
    ASSERT_NO_FATAL_FAILURE(Play(fifo));
    ServeFor(300ms);  // the reader has taken all there is and waits for more
    const auto start = SteadyClock::now();
    player_->Stop(true);
    EXPECT_LT(SteadyClock::now() - start, 1s);
}

// Twenty seeks back and forth: the first position reported after each is near
// its target, never one left from before it; how soon it comes is measured.
TEST_F(PlayerVideoTest, SeeksReportOnlyNewPositions) {
    ASSERT_NO_FATAL_FAILURE(Play(Clip("video.avi"), true));
    ASSERT_TRUE(WaitPosition(200'000));
    std::vector<double> latencies;
    for (int i = 0; i < 20; ++i) {
        const int64_t target = i % 2 == 0 ? 2'300'000 : 300'000;
        const size_t mark = positions_.size();
        const auto start = SteadyClock::now();
        player_->Seek(0, target);
        ASSERT_TRUE(main_->ServeUntil([&] { return positions_.size() > mark; }, 3s))
            << "seek " << i;
        for (size_t k = mark; k < positions_.size(); ++k) {
            // Key frames come once a second: a seek may land up to one early.
            EXPECT_GE(positions_[k].us, target - 1'050'000) << "seek " << i;
            EXPECT_LE(positions_[k].us, target + 600'000) << "seek " << i;
        }
        latencies.push_back(Seconds(positions_[mark].at - start));
    }
    const double median = Percentile(latencies, 0.5);
    Report("seek_latency_median_ms", median * 1000, "ms (target 150)");
    Report("seek_latency_p95_ms", Percentile(latencies, 0.95) * 1000, "ms");
    if (kTimingsHold) {
        EXPECT_LE(median, 0.5);
    }
}

// How far apart the audio and video clocks run, and what playing a 640x360
// clip costs the processor.
TEST_F(PlayerVideoTest, MeasurePlayback) {
    ASSERT_NO_FATAL_FAILURE(Play(Clip("video360.avi"), true));
    const double cpu_start = ProcessCpuSeconds();
    const auto start = SteadyClock::now();
    std::vector<double> gaps;
    while (Count(psEnd) == 0 && SteadyClock::now() - start < 8s) {
        ServeFor(20ms);
        const TPlayerClocks clocks = player_->Clocks();
        // The first pictures may still be on their way when the sound starts.
        if (SteadyClock::now() - start > 300ms && clocks.HasAudio && clocks.HasVideo &&
            std::isfinite(clocks.Audio) && std::isfinite(clocks.Video)) {
            gaps.push_back(std::fabs(clocks.Audio - clocks.Video));
        }
    }
    const double wall = Seconds(SteadyClock::now() - start);
    ASSERT_GE(gaps.size(), 50u) << "the clip did not play with both clocks";
    const double p95 = Percentile(gaps, 0.95);
    Report("av_gap_mean_ms", std::accumulate(gaps.begin(), gaps.end(), 0.0) / gaps.size() * 1000,
           "ms");
    Report("av_gap_p95_ms", p95 * 1000, "ms (target 45)");
    Report("cpu_640x360_percent", 100.0 * (ProcessCpuSeconds() - cpu_start) / wall,
           "% of one core");
    const TDisplayStats shown = player_->DisplayStats();
    Report("pictures_shown", static_cast<double>(shown.Shown), "");
    Report("pictures_dropped", static_cast<double>(shown.Dropped), "");
    Report("present_error_mean_ms", shown.MeanError * 1000, "ms");
    Report("present_error_max_ms", shown.MaxError * 1000, "ms");
    if (kTimingsHold) {
        EXPECT_LE(p95, 0.09);
        // Paced by the clip's own time: neither racing through it nor falling behind.
        EXPECT_NEAR(wall, 3.0, 0.5);
    }
}

// After a seek the device hears the rest of the clip from the target on: the
// first position reported is the target, and the sound that follows lasts as
// long as the clip has left from there, still the tone.
TEST_F(PlayerTest, SeekPlaysTheRestOfTheClipFromTheTarget) {
    struct Case {
        const char* clip;
        int64_t from_us;
        int64_t target_us;
    };
    for (const Case& c :
         {Case{"tone.wav", 300'000, 1'200'000}, Case{"tone.wav", 1'200'000, 400'000},
          Case{"tone.flac", 300'000, 1'500'000}, Case{"tone.flac", 1'000'000, 200'000}}) {
        SCOPED_TRACE(Format("%s from %lld to %lld us", c.clip, static_cast<long long>(c.from_us),
                            static_cast<long long>(c.target_us)));
        ASSERT_NO_FATAL_FAILURE(NewPlayer());
        ASSERT_NO_FATAL_FAILURE(Play(Clip(c.clip)));
        ASSERT_TRUE(WaitPosition(c.from_us));
        const int64_t mark = CapturedFrames();
        const size_t seen = positions_.size();
        player_->Seek(0, c.target_us);
        ASSERT_TRUE(main_->ServeUntil([&] { return positions_.size() > seen; }, 3s));
        EXPECT_NEAR(static_cast<double>(positions_[seen].us), static_cast<double>(c.target_us),
                    150'000);
        ASSERT_TRUE(WaitState(psEnd, 1, 4s));
        player_->Stop(true);
        const Channels after = Slice(ReadCapture(capture_file_), mark, INT64_MAX);
        const auto [begin, end] = SoundExtent(after, 0.01);
        // What was under way when the seek came still plays: a block or two.
        const double left = kToneSeconds - static_cast<double>(c.target_us) / 1e6;
        EXPECT_GT(static_cast<double>(end - begin) / kRate, left - 0.05);
        EXPECT_LT(static_cast<double>(end - begin) / kRate, left + 0.15);
        for (const auto& channel :
             fixtures::AnalyzeSamples(Slice(after, begin, end), kRate).channel) {
            EXPECT_NEAR(channel.frequency_hz, 1000.0, 20.0) << channel.name;
        }
    }
}

// A pause holds the clip where it was: the device hears all of it, once, with
// a silence as long as the pause inside, and the end comes that much later,
// once, with the clip's duration as the last position.
TEST_F(PlayerTest, PauseDelaysTheEndByItsLengthAndTheEndComesOnce) {
    struct Case {
        const char* clip;
        int at_us;
        std::chrono::milliseconds pause;
    };
    for (const Case& c : {Case{"tone.wav", 400'000, 300ms}, Case{"tone.flac", 1'200'000, 700ms},
                          Case{"surround.ac3", 800'000, 500ms}}) {
        SCOPED_TRACE(Format("%s paused at %d us", c.clip, c.at_us));
        ASSERT_NO_FATAL_FAILURE(NewPlayer());
        ASSERT_NO_FATAL_FAILURE(Play(Clip(c.clip)));
        const auto start = SteadyClock::now();
        ASSERT_TRUE(WaitPosition(c.at_us));
        player_->Pause();
        ServeFor(c.pause);
        player_->TogglePause();
        ASSERT_TRUE(WaitState(psEnd, 1, 4s));
        const double wall = Seconds(SteadyClock::now() - start);
        ServeFor(300ms);
        player_->Stop(true);
        EXPECT_EQ(Count(psEnd), 1u);
        EXPECT_NEAR(static_cast<double>(positions_.back().us), kToneSeconds * 1e6, 50'000);
        const double paused = Seconds(c.pause);
        const Channels capture = ReadCapture(capture_file_);
        const auto [begin, end] = SoundExtent(capture, 0.01);
        EXPECT_NEAR(static_cast<double>(end - begin) / kRate, kToneSeconds + paused, 0.15);
        const Channels played = Slice(capture, begin, end);
        EXPECT_NEAR(static_cast<double>(LongestSilence(played)) / kRate, paused, 0.1);
        if (kTimingsHold) {
            EXPECT_NEAR(wall, kToneSeconds + paused, 0.3);
        }
    }
}

// A file cut short or overwritten in its middle plays what can be decoded
// and ends like any other: no hang, no crash, the sound before the damage heard.
TEST_F(PlayerVideoTest, ADamagedFilePlaysWhatItCanAndEnds) {
    struct Case {
        const char* clip;
        double duration_s;
        double damage_from;  // fractions of the file's bytes
        double damage_to;    // 1: cut there
    };
    for (const Case& c :
         {Case{"tone.flac", kToneSeconds, 0.5, 1.0}, Case{"tone.flac", kToneSeconds, 0.4, 0.6},
          Case{"surround.ac3", kToneSeconds, 0.4, 0.6}, Case{"video.avi", 3.0, 0.5, 1.0},
          Case{"video.avi", 3.0, 0.4, 0.6}}) {
        SCOPED_TRACE(Format("%s damaged from %.1f to %.1f", c.clip, c.damage_from, c.damage_to));
        ASSERT_NO_FATAL_FAILURE(NewPlayer());
        const fs::path damaged = temp_.Path() / ("damaged " + std::string(c.clip));
        fs::copy_file(Clip(c.clip), damaged, fs::copy_options::overwrite_existing);
        const auto size = static_cast<double>(fs::file_size(damaged));
        const auto from = static_cast<std::streamoff>(size * c.damage_from);
        if (c.damage_to >= 1.0) {
            fs::resize_file(damaged, static_cast<uintmax_t>(from));
        } else {
            std::string garbage(static_cast<size_t>(size * (c.damage_to - c.damage_from)), '\0');
            std::mt19937 random(7);
            std::generate(garbage.begin(), garbage.end(),
                          [&] { return static_cast<char>(random()); });
            std::fstream file(damaged, std::ios::binary | std::ios::in | std::ios::out);
            file.seekp(from);
            file.write(garbage.data(), std::ssize(garbage));
        }
        ASSERT_NO_FATAL_FAILURE(Play(damaged, std::string(c.clip).ends_with(".avi")));
        EXPECT_TRUE(WaitState(psEnd, 1, 6s));
        player_->Stop(true);
        const auto [begin, end] = SoundExtent(ReadCapture(capture_file_), 0.01);
        const double heard = static_cast<double>(end - begin) / kRate;
        // Headers and indexes take their share of the bytes: the time before
        // the damage is not in proportion to them, but at least half of it plays.
        EXPECT_GT(heard, c.duration_s * c.damage_from / 2);
        EXPECT_LT(heard, c.duration_s + 0.15);
    }
}

// A failure inside the read thread ends the file, not the program: it is kept
// as the last error, the file closes and its threads end.
TEST_F(PlayerTest, AFailureWhileReadingClosesTheFileAndKeepsTheError) {
    TFFLogger& logger = FFLoggerInstance();
    const struct Restore {
        TFFLogger& logger;
        TLogLevel level = logger.LogLevel();
        bool in_main = logger.TriggerEventInMainThread();
        ~Restore() {
            logger.SetOnLog(nullptr);
            logger.SetLogLevel(level);
            logger.SetTriggerEventInMainThread(in_main);
        }
    } restore{logger};
    logger.SetLogLevel(llInfo);
    logger.SetTriggerEventInMainThread(false);
    const std::pair<const char*, std::function<void()>> failures[] = {
        {"no memory", [] { throw std::bad_alloc(); }},
        {"a library error",
         [] { throw std::runtime_error("Invalid data found when processing input"); }}};
    for (const auto& [name, fail] : failures) {
        SCOPED_TRACE(name);
        ASSERT_NO_FATAL_FAILURE(NewPlayer());
        // The read thread's report of the end is the hook: it is made inside its loop.
        logger.SetOnLog([&fail](TFFBaseComponent*, uint32_t, TLogLevel, const std::string& text) {
            char thread[16] = {};
            ::pthread_getname_np(::pthread_self(), thread, sizeof thread);
            if (text.starts_with("reach end of file") && std::string(thread) == "v2m-read") {
                fail();
            }
        });
        ASSERT_NO_FATAL_FAILURE(Play(Clip("tone.wav")));
        EXPECT_TRUE(WaitState(psStop, 1, 3s));
        EXPECT_FALSE(player_->FileIsOpen());
        EXPECT_EQ(PlayerThreads().count("v2m-read"), 0u);
        EXPECT_NE(player_->LastError().find("error while reading file"), std::string::npos)
            << player_->LastError();
        player_->Stop(true);
    }
}

}  // namespace
}  // namespace v2m::test
