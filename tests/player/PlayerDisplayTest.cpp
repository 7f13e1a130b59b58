// What the player shows, read back from the pictures it hands to a host that
// draws them itself: the picture's colour and shape in the display, the host's
// hook, redrawing after a resize, and the order of its events.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "FFPlay.h"
#include "FixtureGenerator.h"
#include "MainThread.h"
#include "TestSupport.h"

namespace v2m::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct Rgb {
    int r, g, b;
};

Rgb PixelAt(const TBitmap24& bitmap, int x, int y) {
    const uint8_t* p = bitmap.Row(y) + x * 3;
    return {p[2], p[1], p[0]};
}

bool Near(Rgb a, Rgb b, int tolerance = 24) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kGreen{0, 255, 0};

class PlayerDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        LoadConverterLibs();
        main_ = std::make_shared<QueuedMainThread>();
        InstallMainThreadServices(main_);
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        // Drawn by SDL itself: predictable on any X server, and no GL driver
        // threads for the thread checker to trip over.
        ::setenv("SDL_RENDER_DRIVER", "software", 1);
        ::setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 1);
        ::setenv("SDL_DISKAUDIOFILE", (temp_.Path() / "device.raw").c_str(), 1);
        player_ = std::make_unique<TFFPlayer>();
        ASSERT_TRUE(player_->LoadAVLib("")) << player_->LastError();
        player_->SetOnPicture([this](TFFBaseComponent*, std::shared_ptr<const TBitmap24> p) {
            picture_ = std::move(p);
            ++pictures_;
        });
        player_->SetOnState([this](TFFBaseComponent*, TPlayState s) { states_.push_back(s); });
        player_->SetOnPosition([this](TFFBaseComponent*, int64_t p) { positions_.push_back(p); });
    }
    void TearDown() override {
        player_.reset();
        main_->ProcessPendingMessages();
        InstallMainThreadServices(nullptr);
    }

    // A red 4:3 clip with a tone, solid so that any pixel of the picture tells.
    fs::path RedClip(double seconds = 2.0) {
        const fs::path path = temp_.Path() / "red.avi";
        if (!fs::exists(path)) {
            fixtures::StreamRecipe video = fixtures::Video("mpeg4", 320, 240, {25, 1});
            video.solid_y = 81;
            video.solid_u = 90;
            video.solid_v = 240;
            fixtures::WriteClip(
                path, {.duration_s = seconds,
                       .streams = {video, fixtures::Audio("pcm_s16le", 32000, 2, 1000.0, 0.5)}});
        }
        return path;
    }

    // Opens the clip paused in a 200 x 200 display and waits for its picture.
    void OpenPaused(const fs::path& clip) {
        player_->SetScreenWidth(200);
        player_->SetScreenHeight(200);
        ASSERT_TRUE(player_->Open(clip.string(), 0, true)) << player_->LastError();
        ASSERT_TRUE(main_->ServeUntil([&] { return picture_ != nullptr; }, 3s)) << "no picture";
    }

    TempDir temp_{"player-display"};
    std::shared_ptr<QueuedMainThread> main_;
    std::unique_ptr<TFFPlayer> player_;
    std::shared_ptr<const TBitmap24> picture_;
    int pictures_ = 0;
    std::vector<TPlayState> states_;
    std::vector<int64_t> positions_;
};

// The picture keeps its shape with black bars, or fills the display when told.
TEST_F(PlayerDisplayTest, PictureFillsTheDisplayAsTheAspectSays) {
    struct Case {
        float aspect;
        Rgb top;  // a pixel in the bars a 4:3 picture leaves in a square display
    };
    for (const Case& c : {Case{0.0f, kBlack}, Case{-1.0f, kRed}}) {
        SCOPED_TRACE(c.aspect);
        picture_.reset();
        player_->SetAspectRatio(c.aspect);
        ASSERT_NO_FATAL_FAILURE(OpenPaused(RedClip()));
        ASSERT_EQ(picture_->Width(), 200);
        ASSERT_EQ(picture_->Height(), 200);
        EXPECT_TRUE(Near(PixelAt(*picture_, 100, 100), kRed));
        // 4:3 in 200 x 200: 200 x 150, so rows 25..174 hold the picture.
        EXPECT_TRUE(Near(PixelAt(*picture_, 100, 10), c.top));
        EXPECT_TRUE(Near(PixelAt(*picture_, 100, 30), kRed));
        player_->Stop(true);
    }
}

// What the host draws in its hook is what is shown.
TEST_F(PlayerDisplayTest, HookDrawingIsShown) {
    player_->SetHook(true);
    player_->SetOnHook([](TFFBaseComponent*, TBitmap24* bitmap, int64_t) {
        for (int y = 0; y < bitmap->Height() / 2; ++y) {
            uint8_t* row = bitmap->Row(y);
            for (int x = 0; x < bitmap->Width() / 2; ++x) {
                row[x * 3] = 0;
                row[x * 3 + 1] = 255;
                row[x * 3 + 2] = 0;
            }
        }
    });
    player_->SetAspectRatio(-1.0f);
    ASSERT_NO_FATAL_FAILURE(OpenPaused(RedClip()));
    EXPECT_TRUE(Near(PixelAt(*picture_, 50, 50), kGreen, 40));
    EXPECT_TRUE(Near(PixelAt(*picture_, 150, 150), kRed, 40));
}

// Bitmap subtitles are blended into the picture while they last.
TEST_F(PlayerDisplayTest, SubtitlesAreBlendedIn) {
    const fs::path clip = temp_.Path() / "subtitled.mkv";
    fixtures::StreamRecipe video = fixtures::Video("mpeg4", 320, 240, {25, 1});
    video.solid_y = 81;
    video.solid_u = 90;
    video.solid_v = 240;
    fixtures::WriteClip(
        clip, {.duration_s = 2.0, .streams = {video, fixtures::Subtitles("dvdsub", 320, 240)}});
    player_->SetAspectRatio(-1.0f);
    player_->SetScreenWidth(200);
    player_->SetScreenHeight(200);
    ASSERT_TRUE(player_->Open(clip.string(), 0, false)) << player_->LastError();
    // The box covers x 107..213 and y 180..209 of the picture: 67..133 and
    // 150..174 of the display.
    const bool seen = main_->ServeUntil(
        [&] {
            return picture_ && Near(PixelAt(*picture_, 100, 162), {255, 255, 255}, 40);
        },
        2s);
    ASSERT_TRUE(picture_);
    EXPECT_TRUE(seen) << "no subtitle in the picture";
    EXPECT_TRUE(Near(PixelAt(*picture_, 100, 60), kRed));
}

// A paused picture is drawn again at the new size soon after a resize.
TEST_F(PlayerDisplayTest, ResizeWhilePausedRedraws) {
    ASSERT_NO_FATAL_FAILURE(OpenPaused(RedClip()));
    const auto asked = std::chrono::steady_clock::now();
    player_->NotifyResize(300, 120);
    ASSERT_TRUE(main_->ServeUntil([&] { return picture_->Width() == 300; }, 2s));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 100ms);
    EXPECT_EQ(picture_->Height(), 120);
    // 4:3 in 300 x 120: 160 x 120, centred.
    EXPECT_TRUE(Near(PixelAt(*picture_, 150, 60), kRed));
    EXPECT_TRUE(Near(PixelAt(*picture_, 20, 60), kBlack));
}

// Sound without pictures is drawn: a white waveform or a coloured spectrum.
TEST_F(PlayerDisplayTest, SoundAloneIsDrawn) {
    const fs::path tone = temp_.Path() / "tone.wav";
    fixtures::WriteClip(
        tone, {.duration_s = 2.0, .streams = {fixtures::Audio("pcm_s16le", 32000, 2, 440.0, 0.8)}});
    for (const int mode : {1, 2}) {
        SCOPED_TRACE(mode);
        picture_.reset();
        player_->AudioShowMode = mode;
        player_->SetScreenWidth(128);
        player_->SetScreenHeight(64);
        ASSERT_TRUE(player_->Open(tone.string(), 0, false)) << player_->LastError();
        // Drawn from what was played: give the device a moment first.
        main_->ServeUntil([] { return false; }, 500ms);
        ASSERT_TRUE(main_->ServeUntil([&] { return picture_ != nullptr; }, 2s));
        int lit = 0;
        for (int y = 0; y < picture_->Height(); ++y) {
            for (int x = 0; x < picture_->Width(); ++x) {
                lit += !Near(PixelAt(*picture_, x, y), kBlack, 8);
            }
        }
        EXPECT_GT(lit, picture_->Width()) << "nothing drawn";
        player_->Stop(true);
    }
}

// Positions rise to the duration, the end is reported once, and a flood of
// state changes that the host does not take in time never loses the stop.
TEST_F(PlayerDisplayTest, EventsKeepTheirOrderAndTheEnd) {
    ASSERT_TRUE(player_->Open(RedClip(1.0).string(), 0, false)) << player_->LastError();
    ASSERT_TRUE(main_->ServeUntil([&] { return !states_.empty() && states_.back() == psEnd; }, 4s));
    main_->ServeUntil([] { return false; }, 300ms);
    ASSERT_GE(positions_.size(), 10u);
    EXPECT_TRUE(std::is_sorted(positions_.begin(), positions_.end()));
    EXPECT_NEAR(static_cast<double>(positions_.back()), 1e6, 1e4);
    EXPECT_EQ(std::count(states_.begin(), states_.end(), psEnd), 1);

    states_.clear();
    for (int i = 0; i < 25; ++i) {
        player_->TogglePause();  // not served: the events pile up
    }
    player_->Stop(true);
    ASSERT_FALSE(states_.empty());
    EXPECT_EQ(states_.back(), psStop);
    EXPECT_GE(states_.size(), 25u) << "state changes were dropped";
}

}  // namespace
}  // namespace v2m::test
