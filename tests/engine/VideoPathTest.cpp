// Whole conversions through the video and subtitle paths: frame-rate
// conversion, crop, pad and scale with and without filter graphs, pictures
// that change size, deinterlacing, the custom hook, plug-in hooks, preview
// bitmaps and subtitle encoding.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <stdexcept>
#include <thread>

#include "FFmpegLoader.h"
#include "MediaOwners.h"
#include "Previewer.h"
#include "TranscodeSupport.h"

namespace v2m::test {
namespace {

namespace fs = std::filesystem;

// What a decoded video stream shows: its frame count and size, and the
// planes of one picture.
struct VideoFacts {
    int frames = 0;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> y;  // of the sampled picture, width x height
    int Y(int x, int row) const { return y.at(static_cast<size_t>(row * width + x)); }
};

VideoFacts ReadVideo(const fs::path& file, int sampled = 10) {
    VideoFacts facts;
    AVFormatContext* opened = nullptr;
    if (ff::avformat_open_input(&opened, file.c_str(), nullptr, nullptr) < 0) {
        ADD_FAILURE() << "cannot open " << file;
        return facts;
    }
    InputContextPtr input(opened);
    ff::avformat_find_stream_info(input.get(), nullptr);
    int index = -1;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        if (input->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            index = static_cast<int>(i);
        }
    }
    if (index < 0) {
        ADD_FAILURE() << "no video in " << file;
        return facts;
    }
    const AVCodecParameters* par = input->streams[index]->codecpar;
    CodecContextPtr decoder(ff::avcodec_alloc_context3(ff::avcodec_find_decoder(par->codec_id)));
    ff::avcodec_parameters_to_context(decoder.get(), par);
    if (ff::avcodec_open2(decoder.get(), decoder->codec, nullptr) < 0) {
        ADD_FAILURE() << "cannot decode " << file;
        return facts;
    }
    PacketPtr packet(ff::av_packet_alloc());
    FramePtr frame(ff::av_frame_alloc());
    auto receive = [&] {
        while (ff::avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            if (facts.frames++ == sampled || facts.y.empty()) {
                facts.width = frame->width;
                facts.height = frame->height;
                facts.y.resize(static_cast<size_t>(frame->width * frame->height));
                for (int row = 0; row < frame->height; ++row) {
                    std::copy_n(frame->data[0] + row * frame->linesize[0], frame->width,
                                facts.y.begin() + row * frame->width);
                }
            }
            ff::av_frame_unref(frame.get());
        }
    };
    while (ff::av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == index) {
            ff::avcodec_send_packet(decoder.get(), packet.get());
            receive();
        }
        ff::av_packet_unref(packet.get());
    }
    ff::avcodec_send_packet(decoder.get(), nullptr);
    receive();
    return facts;
}

// Timestamps of the packets of a file's first stream of the type, in seconds.
std::vector<double> PacketTimes(const fs::path& file, AVMediaType type, std::string* codec) {
    std::vector<double> times;
    AVFormatContext* opened = nullptr;
    if (ff::avformat_open_input(&opened, file.c_str(), nullptr, nullptr) < 0) {
        ADD_FAILURE() << "cannot open " << file;
        return times;
    }
    InputContextPtr input(opened);
    ff::avformat_find_stream_info(input.get(), nullptr);
    const int index = ff::av_find_best_stream(input.get(), type, -1, -1, nullptr, 0);
    if (index < 0) {
        ADD_FAILURE() << "no stream of the type in " << file;
        return times;
    }
    *codec = ff::avcodec_get_name(input->streams[index]->codecpar->codec_id);
    PacketPtr packet(ff::av_packet_alloc());
    while (ff::av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == index) {
            times.push_back(static_cast<double>(packet->pts) *
                            av_q2d(input->streams[index]->time_base));
        }
        ff::av_packet_unref(packet.get());
    }
    return times;
}

class VideoPathTest : public TranscodeTest {};

struct RateCase {
    const char* input;
    const char* rate;
    const char* vsync;
    const char* output;
};

// 25 to 50 fps: the first two pictures once, every later one twice. 30 to
// 25 fps: about one picture in six dropped. Either way every input picture
// is accounted for by the counters. A variable-rate container never gets
// duplicates under the automatic method.
TEST_F(VideoPathTest, FrameRateConversionDuplicatesAndDrops) {
    for (const RateCase& c :
         {RateCase{kVideo25, "50", "1", "rate.avi"}, RateCase{kVideo30, "25", "1", "rate.avi"},
          RateCase{kVideo25, "50", "-1", "rate.mkv"}}) {
        SCOPED_TRACE(std::string(c.input) + " vsync " + c.vsync);
        engine_->Prepare();
        const fs::path input = TranscodeClip(c.input);
        const int in_frames = ReadVideo(input).frames;
        Run({{input}, {}, {{"r", c.rate}, {"vsync", c.vsync}, {"vcodec", "mpeg4"}}, Out(c.output)});
        const TTranscodeState& state = engine_->TranscodeState();
        const int out_frames = ReadVideo(Out(c.output)).frames;
        EXPECT_EQ(out_frames, in_frames + state.FramesDup - state.FramesDrop);
        if (std::string(c.vsync) == "-1") {
            EXPECT_EQ(state.FramesDup, 0);
            EXPECT_EQ(state.FramesDrop, 0);
        } else if (std::string(c.rate) == "50") {
            EXPECT_EQ(state.FramesDup, in_frames - 2);
            EXPECT_EQ(state.FramesDrop, 0);
        } else {
            EXPECT_EQ(state.FramesDup, 0);
            EXPECT_NEAR(state.FramesDrop, in_frames / 6.0, 1.5);
        }
    }
}

struct GeometryCase {
    const char* name;
    OptionList options;
    int width;
    int height;
    int border_y;  // luma at (4, 4); -1: the picture's own
};

// Every picture arrives, at the size asked for; padding shows its colour.
TEST_F(VideoPathTest, CropPadScaleAndFiltersGiveTheRequestedPicture) {
    const GeometryCase cases[] = {
        {"scale", {{"s", "160x120"}}, 160, 120, -1},
        {"crop", {{"croptop", "40"}, {"cropbottom", "40"}}, 320, 160, -1},
        {"pad", {{"padtop", "16"}, {"padbottom", "16"}}, 320, 272, 16},
        {"crop, pad and scale",
         {{"cropleft", "32"}, {"padleft", "16"}, {"padright", "16"}, {"s", "144x120"}},
         176,
         120,
         16},
        {"filter text", {{"vfilters", "hflip"}}, 320, 240, -1},
        {"filters, crop and scale",
         {{"vfilters", "hflip"}, {"croptop", "40"}, {"s", "160x100"}},
         160,
         100,
         -1},
        {"filters and pad", {{"vfilters", "vflip"}, {"padleft", "32"}}, 352, 240, 16},
        {"deinterlace", {{"deinterlace", "1"}}, 320, 240, -1},
    };
    const fs::path input = TranscodeClip(kGreyVideo);
    const int in_frames = ReadVideo(input).frames;
    for (const GeometryCase& c : cases) {
        SCOPED_TRACE(c.name);
        engine_->Prepare();
        OptionList options{{"vcodec", "mpeg4"}, {"qscale", "2"}};
        options.insert(options.end(), c.options.begin(), c.options.end());
        Run({{input}, {}, options, Out("geometry.avi")});
        const VideoFacts out = ReadVideo(Out("geometry.avi"));
        EXPECT_EQ(out.frames, in_frames);
        EXPECT_EQ(out.width, c.width);
        EXPECT_EQ(out.height, c.height);
        if (out.y.empty()) {
            continue;
        }
        EXPECT_NEAR(out.Y(c.width / 2, c.height / 2), 200, 6);
        EXPECT_NEAR(out.Y(4, 4), c.border_y < 0 ? 200 : c.border_y, 6);
    }
}

// Joined videos give every picture of each, also through a filter graph,
// which the seam ends and the next segment makes anew.
TEST_F(VideoPathTest, JoinedVideosKeepEveryPicture) {
    const fs::path input = TranscodeClip(kVideo25);
    const int in_frames = ReadVideo(input).frames;
    for (const OptionList& extra : {OptionList{}, OptionList{{"vfilters", "hflip"}}}) {
        SCOPED_TRACE(extra.empty() ? "no graph" : "graph");
        engine_->Prepare();
        OptionList options{{"vcodec", "mpeg4"}, {"an", "1"}};
        options.insert(options.end(), extra.begin(), extra.end());
        TranscodeJob job{{input, input}, {}, options, Out("joined.avi")};
        job.join = true;
        Run(job);
        EXPECT_NEAR(ReadVideo(Out("joined.avi")).frames, 2 * in_frames, 2);
    }
}

struct SizeChangeCase {
    const char* name;
    OptionList options;
};

// Pictures that grow mid-stream keep the output's size, through a new scaler
// or a new graph; the change is logged.
TEST_F(VideoPathTest, PictureSizeChangeKeepsTheOutputSize) {
    const SizeChangeCase cases[] = {
        {"scaler", {{"s", "160x120"}}},
        {"scaler with crop", {{"croptop", "20"}, {"s", "160x120"}}},
        {"filter graph", {{"s", "160x120"}, {"vfilters", "hflip"}}},
    };
    for (const SizeChangeCase& c : cases) {
        SCOPED_TRACE(c.name);
        engine_->Prepare();
        ClearLog();
        OptionList options{{"vcodec", "mpeg4"}};
        options.insert(options.end(), c.options.begin(), c.options.end());
        Run({{TranscodeClip(kGrowingTs)}, {}, options, Out("grown.avi")});
        const VideoFacts out = ReadVideo(Out("grown.avi"));
        EXPECT_EQ(out.width, 160);
        EXPECT_EQ(out.height, 120);
        EXPECT_GE(out.frames, 45);
        bool logged = false;
        for (const std::string& text : TextsAt(llQuiet)) {
            logged = logged || text.find("frame size changed to 352x288") != std::string::npos;
        }
        EXPECT_TRUE(logged);
    }
    engine_->Prepare();
    const std::string message =
        RunFailing({{TranscodeClip(kGrowingTs)}, {}, {{"vcodec", "mpeg4"}}, Out("fixed.avi")});
    EXPECT_NE(message.find("changed its picture size"), std::string::npos) << message;
}

// The hook draws a white square into the top left corner of every picture.
TEST_F(VideoPathTest, CustomHookDrawsIntoTheEncodedPicture) {
    int calls = 0;
    engine_->SetCustomHookCallback(
        [&](TCustomFFmpeg*, TBitmap24* bitmap, int32_t frame, int64_t, bool& update, bool&) {
            EXPECT_EQ(frame, ++calls);
            for (int row = 0; row < 40; ++row) {
                std::fill_n(bitmap->Row(row), 40 * 3, 255);
            }
            update = true;
        });
    Run({{TranscodeClip(kGreyVideo)}, {}, {{"vcodec", "mpeg4"}, {"qscale", "2"}}, Out("hook.avi")});
    const VideoFacts out = ReadVideo(Out("hook.avi"));
    EXPECT_EQ(calls, out.frames);
    EXPECT_GT(out.Y(20, 20), 225);
    EXPECT_NEAR(out.Y(200, 200), 200, 6);
}

struct HookEndCase {
    const char* name;
    bool throws;
    int expected_calls;  // 0: every picture
};

// A hook that stops is not called again; one that throws is logged and its
// picture passes as decoded. Every picture is encoded either way.
TEST_F(VideoPathTest, StoppingOrFailingCustomHookLeavesThePicturesFlowing) {
    for (const HookEndCase& c :
         {HookEndCase{"stop at 10", false, 10}, HookEndCase{"throw", true, 0}}) {
        SCOPED_TRACE(c.name);
        engine_->Prepare();
        ClearLog();
        int calls = 0;
        engine_->SetCustomHookCallback(
            [&](TCustomFFmpeg*, TBitmap24* bitmap, int32_t frame, int64_t, bool&, bool& stop) {
                ++calls;
                std::fill_n(bitmap->Row(0), bitmap->RowBytes(), 0);
                if (c.throws) {
                    throw std::runtime_error("boom");
                }
                stop = frame == 10;
            });
        const fs::path input = TranscodeClip(kGreyVideo);
        Run({{input}, {}, {{"vcodec", "mpeg4"}}, Out("hook.avi")});
        engine_->SetCustomHookCallback(nullptr);
        const VideoFacts out = ReadVideo(Out("hook.avi"));
        EXPECT_EQ(out.frames, ReadVideo(input).frames);
        EXPECT_EQ(calls, c.expected_calls > 0 ? c.expected_calls : out.frames);
        bool logged = false;
        for (const std::string& text : TextsAt(llError)) {
            logged = logged || text == "Error occurs OnCustomHook: boom";
        }
        EXPECT_EQ(logged, c.throws);
        if (c.throws) {
            EXPECT_NEAR(out.Y(100, 0), 200, 8);  // the handler's drawing was not taken
        }
    }
}

// The sample plug-in stamps its black box at the place given; a plug-in
// whose Configure fails is refused by the option.
TEST_F(VideoPathTest, VideoHookPlugInsRunOnEveryPicture) {
    engine_->SetOption("vhook", std::string(V2M_TIMESTAMP_BOX) + " -x 8 -y 8");
    EXPECT_TRUE(engine_->Options().UsingVHook);
    Run({{TranscodeClip(kGreyVideo)},
         {},
         {{"vcodec", "mpeg4"}, {"qscale", "2"}},
         Out("vhook.avi")});
    const VideoFacts out = ReadVideo(Out("vhook.avi"));
    EXPECT_LT(out.Y(9, 9), 60);
    EXPECT_NEAR(out.Y(200, 200), 200, 6);

    engine_->Prepare();
    const std::string failing = V2M_FAILING_HOOK;
    try {
        engine_->SetOption("vhook", failing);
        ADD_FAILURE() << "the hook was added";
    } catch (const FFmpegException& error) {
        EXPECT_EQ(std::string(error.what()), "Failed to add video hook function: " + failing);
    }
    EXPECT_FALSE(engine_->Options().UsingVHook);
}

// Preview bitmaps of the encoded pictures reach their callback at most once
// per preview interval.
TEST_F(VideoPathTest, PreviewBitmapsAreRateLimited) {
    std::vector<int64_t> times;
    engine_->SetPreviewFlags(kPreviewBitmapFlag);
    engine_->SetPreviewBitmapCallback([&](TCustomFFmpeg*, TBitmap24* bitmap, int32_t, int64_t) {
        times.push_back(EngineClock());
        EXPECT_EQ(bitmap->Width(), 320);
        EXPECT_EQ(bitmap->Height(), 240);
    });
    Run({{TranscodeClip(kVideo25)}, {{"re", "1"}}, {{"vcodec", "mpeg4"}}, Out("preview.avi")});
    engine_->SetPreviewFlags(0);
    EXPECT_GE(times.size(), 5u);
    EXPECT_LE(times.size(), 21u);
    // The engine times a picture before converting it, the callback here
    // after: the conversion's varying length (long under the sanitizers)
    // shortens some gaps seen here. Without the limit they would be 40 ms.
    for (size_t i = 1; i < times.size(); ++i) {
        EXPECT_GT(times[i] - times[i - 1], kPreviewInterval * 9 / 10);
    }
}

// A preview window that the user closes after three pictures, and that
// checks that the conversion does not hold the preview lock while the
// window shows a picture: setting Preview on the main thread takes it.
class ClosingWindow : public TPreviewWindow {
public:
    explicit ClosingWindow(int& shown) : shown_(shown) {}
    void ShowBitmap(const TBitmap24&, int32_t, int64_t) override {
        bool free = false;
        std::thread([&free] {
            free = PreviewLock().try_lock();
            if (free) {
                PreviewLock().unlock();
            }
        }).join();
        EXPECT_TRUE(free);
        ++shown_;
    }
    bool Closed() const override { return shown_ >= 3; }

private:
    int& shown_;
};

TEST_F(VideoPathTest, PreviewWindowShowsWithoutThePreviewLockUntilClosed) {
    int shown = 0;
    InstallPreviewWindowFactory([&shown] { return std::make_unique<ClosingWindow>(shown); });
    engine_->SetPreviewFlags(kPreviewWindowFlag);
    Run({{TranscodeClip(kVideo25)}, {{"re", "1"}}, {{"vcodec", "mpeg4"}}, Out("window.avi")});
    InstallPreviewWindowFactory(nullptr);
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(engine_->PreviewFlags(), 0);
}

// DVB subtitles go out as a start and an end packet, the end one the
// display time later; text subtitles as one packet each.
TEST_F(VideoPathTest, SubtitlesAreEncoded) {
    std::string codec;
    const std::vector<double> events =
        PacketTimes(TranscodeClip(kDvdSubtitles), AVMEDIA_TYPE_SUBTITLE, &codec);
    Run({{TranscodeClip(kDvdSubtitles)}, {}, {{"vn", "1"}, {"scodec", "dvbsub"}}, Out("dvb.ts")});
    const std::vector<double> dvb = PacketTimes(Out("dvb.ts"), AVMEDIA_TYPE_SUBTITLE, &codec);
    EXPECT_EQ(codec, "dvb_subtitle");
    ASSERT_EQ(dvb.size(), 2 * events.size());
    for (size_t i = 0; i + 1 < dvb.size(); i += 2) {
        EXPECT_NEAR(dvb[i + 1] - dvb[i], 1.0, 0.1);
        EXPECT_NEAR(dvb[i] - dvb[0], events[i / 2] - events[0], 0.01);
    }

    engine_->Prepare();
    Run({{TranscodeClip(kSubtitles)}, {}, {{"scodec", "ass"}}, Out("text.mkv")});
    const std::vector<double> text = PacketTimes(Out("text.mkv"), AVMEDIA_TYPE_SUBTITLE, &codec);
    EXPECT_EQ(codec, "ass");
    ASSERT_EQ(text.size(), 2u);
    EXPECT_NEAR(text[1] - text[0], 1.5, 0.01);
}

}  // namespace
}  // namespace v2m::test
