#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "BitmapBridge.h"
#include "FFmpegLogger.h"
#include "FrameHooks.h"
#include "MainThread.h"
#include "Previewer.h"
#include "TestSupport.h"

namespace v2m {
namespace {

using namespace std::chrono_literals;

// The counters every test hook keeps (TestHookPlugin.c).
struct HookStats {
    int loads, configures, processes, releases, last_argc, last_slot;
    int64_t last_pts;
    int order[16];
};

// The counters of a hook the chain has loaded; none when it is not loaded.
std::optional<HookStats> StatsOf(const std::string& path) {
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_LOCAL);
    if (handle == nullptr) {
        return std::nullopt;
    }
    auto stats = reinterpret_cast<const HookStats* (*)()>(::dlsym(handle, "TestHookStats"));
    std::optional<HookStats> copy;
    if (stats != nullptr) {
        copy = *stats();
    }
    ::dlclose(handle);
    return copy;
}

// A hook command line as the engine hands it over: 64 slots, null after the last.
struct HookArgs {
    explicit HookArgs(std::vector<std::string> tokens) : tokens_(std::move(tokens)) {
        for (size_t i = 0; i < tokens_.size(); ++i)
            slots_[i] = tokens_[i].data();
    }
    int Count() const { return static_cast<int>(tokens_.size()); }
    char** Slots() { return slots_.data(); }

private:
    std::vector<std::string> tokens_;
    std::array<char*, 64> slots_{};
};

int ChainLength(const TFrameHookChain& chain) {
    int n = 0;
    for (const TFrameHookEntry* e = chain.First(); e != nullptr; e = e->Next)
        ++n;
    return n;
}

// A picture in plain memory: planes of w x h (luma or packed) and the half-size chroma.
struct Picture {
    Picture(int width, int height, int pixel_bytes, int padding, bool chroma, uint8_t fill) {
        linesize[0] = width * pixel_bytes + padding;
        planes[0].assign(static_cast<size_t>(linesize[0]) * height, fill);
        if (chroma) {
            for (int p = 1; p < 3; ++p) {
                linesize[p] = (width + 1) / 2;
                planes[p].assign(static_cast<size_t>(linesize[p]) * ((height + 1) / 2), fill);
            }
        }
        for (int p = 0; p < 3; ++p)
            data[p] = planes[p].empty() ? nullptr : planes[p].data();
    }
    uint8_t& At(int plane, int x, int y) { return planes[plane][y * linesize[plane] + x]; }
    V2MHookPicture Hook() const {
        V2MHookPicture p{};
        for (int i = 0; i < 4; ++i) {
            p.data[i] = data[i];
            p.linesize[i] = linesize[i];
        }
        return p;
    }

    std::vector<uint8_t> planes[3];
    uint8_t* data[4] = {};
    int linesize[4] = {};
};

class VideoHooksTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::LoadConverterLibs();
        FFLoggerInstance().SetTriggerEventInMainThread(false);
        FFLoggerInstance().SetOnLog(
            [this](TFFBaseComponent*, uint32_t, TLogLevel level, const std::string& text) {
                std::lock_guard lock(mutex_);
                if (level == llError)
                    errors_.push_back(text);
            });
    }
    void TearDown() override {
        FFLoggerInstance().SetOnLog(nullptr);
        FFLoggerInstance().SetTriggerEventInMainThread(true);
    }
    std::vector<std::string> TakeErrors() {
        std::lock_guard lock(mutex_);
        return std::exchange(errors_, {});
    }

    std::mutex mutex_;
    std::vector<std::string> errors_;
};

TEST_F(VideoHooksTest, AddFrameHookResultsAndMessages) {
    const std::string missing = (std::filesystem::current_path() / "no_such_hook.so").string();
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int result;
        std::string message;  // the one error line; empty: none
    };
    const Case cases[] = {
        {"all entries, with arguments", {V2M_TEST_HOOK_FULL, "-a", "1"}, 0, ""},
        {"no Configure, file name only", {V2M_TEST_HOOK_NO_CONFIGURE}, 0, ""},
        {"no Configure, with arguments",
         {V2M_TEST_HOOK_NO_CONFIGURE, "-a"},
         -2,
         std::string("Failed to find Configure entrypoint in ") + V2M_TEST_HOOK_NO_CONFIGURE},
        {"no Process",
         {V2M_TEST_HOOK_NO_PROCESS},
         -2,
         std::string("Failed to find Process entrypoint in ") + V2M_TEST_HOOK_NO_PROCESS},
        {"Configure fails",
         {V2M_TEST_HOOK_FAILING, "-a"},
         -22,
         std::string("Failed to Configure ") + V2M_TEST_HOOK_FAILING},
        {"no arguments", {}, -2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TFrameHookChain chain;
        HookArgs args(c.args);
        EXPECT_EQ(AddFrameHook(chain, args.Count(), args.Slots()), c.result);
        EXPECT_EQ(ChainLength(chain), c.result == 0 ? 1 : 0);
        const std::vector<std::string> errors = TakeErrors();
        EXPECT_EQ(errors, c.message.empty() ? std::vector<std::string>{}
                                            : std::vector<std::string>{c.message});
    }
    // The failed Configure's context went back to the plug-in.
    EXPECT_EQ(StatsOf(V2M_TEST_HOOK_FAILING)->releases, 1);

    TFrameHookChain chain;
    HookArgs args({missing});
    EXPECT_EQ(AddFrameHook(chain, args.Count(), args.Slots()), -1);
    const std::vector<std::string> errors = TakeErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(missing), std::string::npos) << errors[0];
}

TEST_F(VideoHooksTest, OneModulePerFileEachEntryWithItsOwnContext) {
    const std::string absolute = V2M_TEST_HOOK_FULL;
    const std::string cwd = std::filesystem::current_path().string();
    const std::string path_before = std::getenv("PATH") ? std::getenv("PATH") : "";
    const std::string relative =
        std::filesystem::relative(absolute, std::filesystem::current_path()).string();
    ASSERT_NE(relative, absolute);

    TFrameHookChain chain;
    HookArgs first({relative, "-a", "1"});
    HookArgs second({absolute});
    ASSERT_EQ(AddFrameHook(chain, first.Count(), first.Slots()), 0);
    const HookStats before = *StatsOf(absolute);
    EXPECT_EQ(before.last_argc, 3);
    EXPECT_EQ(before.last_slot, 63);
    ASSERT_EQ(AddFrameHook(chain, second.Count(), second.Slots()), 0);
    EXPECT_EQ(std::filesystem::current_path().string(), cwd);
    EXPECT_EQ(std::getenv("PATH") ? std::getenv("PATH") : "", path_before);
    ASSERT_EQ(ChainLength(chain), 2);
    EXPECT_NE(chain.First()->Context, chain.First()->Next->Context);

    Picture picture(8, 8, 1, 0, true, 10);
    V2MHookPicture hook = picture.Hook();
    ProcessFrameHooks(chain, &hook, AV_PIX_FMT_YUV420P, 8, 8, 1234567);
    const HookStats after = *StatsOf(absolute);
    EXPECT_EQ(after.loads, 1) << "loaded once for both names";
    EXPECT_EQ(after.configures, before.configures + 1);
    ASSERT_EQ(after.processes, before.processes + 2);
    EXPECT_EQ(after.order[before.processes % 16], before.configures) << "first entry first";
    EXPECT_EQ(after.order[(before.processes + 1) % 16], after.configures);
    EXPECT_EQ(after.last_pts, 1234567);
    EXPECT_EQ(picture.At(0, 0, 0), 12) << "each entry changed the picture in place";

    ReleaseFrameHooks(chain);
    EXPECT_TRUE(chain.Empty());
    EXPECT_EQ(StatsOf(absolute)->releases, after.releases + 2);
}

TEST_F(VideoHooksTest, TimestampBoxStampsSupportedPictures) {
    struct Case {
        const char* name;
        AVPixelFormat format;
        int pixel_bytes;
        bool chroma;
        uint8_t paper;  // first byte of a box pixel; 0: untouched format
    };
    const Case cases[] = {
        {"YUV 4:2:0", AV_PIX_FMT_YUV420P, 1, true, 16},
        {"full-range YUV 4:2:0", AV_PIX_FMT_YUVJ420P, 1, true, 0},
        {"BGR", AV_PIX_FMT_BGR24, 3, false, 0},
        {"RGB", AV_PIX_FMT_RGB24, 3, false, 0},
        {"4:4:4 is left alone", AV_PIX_FMT_YUV444P, 1, true, 200},
    };
    // 12 characters of 4 x 2 columns, 5 x 2 columns of frame: 106 x 22 at (10, 6).
    const int x0 = 10, y0 = 6, box_w = 106, box_h = 22;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TFrameHookChain chain;
        HookArgs args({V2M_TIMESTAMP_BOX, "-x", "10", "-y", "6"});
        ASSERT_EQ(AddFrameHook(chain, args.Count(), args.Slots()), 0);
        Picture picture(160, 64, c.pixel_bytes, 4, c.chroma, 200);
        V2MHookPicture hook = picture.Hook();
        ProcessFrameHooks(chain, &hook, c.format, 160, 64, 3723456000);  // 01:02:03.456
        const bool stamped = c.paper != 200;
        const int b = c.pixel_bytes;
        EXPECT_EQ(picture.At(0, x0 * b, y0), c.paper) << "box corner";
        EXPECT_EQ(picture.At(0, (x0 + box_w - 1) * b, y0 + box_h - 1), c.paper) << "far corner";
        EXPECT_EQ(picture.At(0, (x0 - 1) * b, y0), 200) << "left of the box";
        EXPECT_EQ(picture.At(0, (x0 + box_w) * b, y0), 200) << "right of the box";
        EXPECT_EQ(picture.At(0, x0 * b, y0 + box_h), 200) << "below the box";
        int ink = 0;
        for (int y = y0; y < y0 + box_h; ++y)
            for (int x = x0 * b; x < (x0 + box_w) * b; ++x)
                ink += picture.At(0, x, y) >= 235;
        EXPECT_EQ(ink > 0, stamped) << "digits drawn";
        if (c.chroma) {
            EXPECT_EQ(picture.At(1, x0 / 2, y0 / 2), stamped ? 128 : 200);
        }
    }
    TFrameHookChain chain;
    HookArgs bad({V2M_TIMESTAMP_BOX, "-x", "left"});
    EXPECT_EQ(AddFrameHook(chain, bad.Count(), bad.Slots()), -22);
}

struct BridgeCase {
    const char* name;
    AVPixelFormat format;
    int width, height, padding;
    std::array<uint8_t, 3> fill;   // the picture's first plane values (YUV: Y, U, V)
    std::array<uint8_t, 3> bgr;    // the bitmap's pixels expected
    std::array<uint8_t, 3> drawn;  // painted into the bitmap
    std::array<uint8_t, 3> back;   // the picture's values expected after the way back
    bool direct;
    int tolerance;
};

// The picture filled with the case's values, as its format lays them out.
void FillPicture(Picture& picture, const BridgeCase& c) {
    const bool yuv = c.format == AV_PIX_FMT_YUV420P;
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            for (int k = 0; k < 3; ++k) {
                if (!yuv)
                    picture.At(0, x * 3 + k, y) = c.fill[k];
                else if (k == 0 || (x % 2 == 0 && y % 2 == 0))
                    picture.At(k, k == 0 ? x : x / 2, k == 0 ? y : y / 2) = c.fill[k];
            }
}

// To the bitmap and back: the pixels of each way, and nothing past them.
void ExpectBridgeRoundTrip(const BridgeCase& c) {
    const bool yuv = c.format == AV_PIX_FMT_YUV420P;
    Picture picture(c.width, c.height, yuv ? 1 : 3, c.padding, yuv, 0);
    FillPicture(picture, c);
    if (c.padding > 0)
        picture.At(0, c.width * 3, 0) = 77;  // a byte past the row's pixels
    TBitmapBridge bridge;
    ASSERT_TRUE(
        PictureToBitmap(bridge, picture.data, picture.linesize, c.format, c.height, c.width));
    TBitmap24& bitmap = *bridge.Bitmap;
    ASSERT_EQ(bitmap.Width(), c.width);
    ASSERT_EQ(bitmap.Height(), c.height);
    EXPECT_EQ(bridge.ReferenceData == picture.data, c.direct);
    EXPECT_EQ(bridge.ToRGB == nullptr, c.direct) << "a scaler only when needed";
    for (int y : {0, c.height / 2, c.height - 1})
        for (int x : {0, c.width - 1})
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(bitmap.Row(y)[x * 3 + k], c.bgr[k], c.tolerance) << x << "," << y;

    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            std::copy(c.drawn.begin(), c.drawn.end(), bitmap.Row(y) + x * 3);
    ASSERT_TRUE(
        BitmapToPicture(bridge, picture.data, picture.linesize, c.format, c.height, c.width));
    for (int y : {0, c.height - 1})
        for (int x : {0, c.width - 1})
            for (int k = 0; k < 3; ++k) {
                const uint8_t value = yuv ? picture.At(k, k == 0 ? x : x / 2, k == 0 ? y : y / 2)
                                          : picture.At(0, x * 3 + k, y);
                EXPECT_NEAR(value, c.back[k], c.tolerance) << x << "," << y;
            }
    if (c.padding > 0) {
        EXPECT_EQ(picture.At(0, c.width * 3, 0), 77) << "only the row's pixels copied";
    }
    ReleaseBridge(bridge);
    EXPECT_FALSE(bridge.Bitmap);
    EXPECT_EQ(bridge.RGBBufferSize, 0);
}

TEST_F(VideoHooksTest, BitmapBridgeRoundTrips) {
    const BridgeCase cases[] = {
        {"BGR, even, rows as the bitmap's",
         AV_PIX_FMT_BGR24,
         64,
         48,
         0,
         {10, 20, 30},
         {10, 20, 30},
         {1, 2, 3},
         {1, 2, 3},
         true,
         0},
        {"BGR, odd width, longer lines",
         AV_PIX_FMT_BGR24,
         33,
         21,
         28,
         {10, 20, 30},
         {10, 20, 30},
         {1, 2, 3},
         {1, 2, 3},
         false,
         0},
        {"YUV through the scalers",
         AV_PIX_FMT_YUV420P,
         64,
         48,
         0,
         {81, 90, 240},
         {0, 0, 255},
         {0, 255, 0},
         {145, 54, 34},
         false,
         6},
    };
    for (const BridgeCase& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectBridgeRoundTrip(c);
    }
}

// A window that records what happens to it and on which thread.
struct FakeWindow : TPreviewWindow {
    struct Log {
        std::vector<int32_t> frames;
        std::vector<int64_t> pts;
        bool off_main = false;
        bool destroyed = false;
        bool closed = false;
    };
    explicit FakeWindow(Log& log) : log_(log) {}
    ~FakeWindow() override {
        log_.off_main |= !MainThread()->IsMainThread();
        log_.destroyed = true;
    }
    void ShowBitmap(const TBitmap24&, int32_t frame_number, int64_t pts) override {
        log_.off_main |= !MainThread()->IsMainThread();
        log_.frames.push_back(frame_number);
        log_.pts.push_back(pts);
    }
    bool Closed() const override { return log_.closed; }
    Log& log_;
};

TEST(PreviewerTest, ShowsOnTheMainThreadUntilClosed) {
    auto main = std::make_shared<QueuedMainThread>();
    InstallMainThreadServices(main);
    FakeWindow::Log log;
    InstallPreviewWindowFactory([&log] { return std::make_unique<FakeWindow>(log); });
    TBitmap24 bitmap(4, 4);
    std::vector<bool> results;
    bool done = false;
    std::thread worker([&] {
        auto previewer = std::make_unique<TPreviewer>();
        results.push_back(previewer->ShowFrame(bitmap, 1, 100));
        results.push_back(previewer->ShowFrame(bitmap, 2, 200));
        main->RunInMainThread([&] { log.closed = true; });  // the user closes it
        results.push_back(previewer->ShowFrame(bitmap, 3, 300));
        results.push_back(previewer->ShowFrame(bitmap, 4, 400));
        previewer.reset();
        main->RunInMainThread([&] { done = true; });
    });
    EXPECT_TRUE(main->ServeUntil([&] { return done; }, 10s));
    worker.join();
    EXPECT_EQ(results, (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(log.frames, (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(log.pts, (std::vector<int64_t>{100, 200}));
    EXPECT_TRUE(log.destroyed);
    EXPECT_FALSE(log.off_main);

    const TPreviewWindowFactory makes_none = [] { return std::unique_ptr<TPreviewWindow>(); };
    for (const TPreviewWindowFactory& factory : {TPreviewWindowFactory(), makes_none}) {
        SCOPED_TRACE(factory ? "a factory that makes no window" : "no factory");
        InstallPreviewWindowFactory(factory);
        TPreviewer previewer;
        EXPECT_FALSE(previewer.ShowFrame(bitmap, 1, 0));
        EXPECT_FALSE(previewer.ShowFrame(bitmap, 2, 0));
    }
    InstallPreviewWindowFactory(nullptr);
    InstallMainThreadServices(nullptr);
}

}  // namespace
}  // namespace v2m
