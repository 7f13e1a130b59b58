// Options that describe one stream: geometry, formats, crop, pad colour,
// quality, codecs, tags, matrices, bitstream filters and bit rates.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Assertions.h"
#include "EngineTestSupport.h"

namespace v2m {
namespace {

using test::EngineTest;
using test::MessageOf;

constexpr const char* kVerticalCrop =
    "Vertical crop dimensions are outside the range of the original image.\n"
    "Remember to crop first and scale second.";
constexpr const char* kHorizontalCrop =
    "Horizontal crop dimensions are outside the range of the original image.\n"
    "Remember to crop first and scale second.";

TEST_F(EngineTest, FrameRatesAreNumbersFractionsOrAbbreviations) {
    const std::tuple<const char*, int, int> rates[] = {
        {"25", 25, 1},   {"30000/1001", 30000, 1001}, {"ntsc", 30000, 1001}, {"pal", 25, 1},
        {"film", 24, 1},
    };
    for (const auto& [text, num, den] : rates) {
        SCOPED_TRACE(text);
        engine_->SetOption("r", text);
        EXPECT_EQ(options().FrameRate.num, num);
        EXPECT_EQ(options().FrameRate.den, den);
    }
    engine_->SetOption("r", "");
    EXPECT_EQ(options().FrameRate.num, 24);
    for (const char* bad : {"fast", "-25", "25/0x"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(MessageOf<FFmpegException>([&] { engine_->SetOption("r", bad); }),
                  "Incorrect frame rate");
    }
    EXPECT_EQ(options().FrameRate.num, 24);
}

TEST_F(EngineTest, FrameSizesAreWidthByHeightOrAbbreviations) {
    const std::tuple<const char*, int, int> sizes[] = {
        {"640x480", 640, 480},
        {"vga", 640, 480},
        {"pal", 720, 576},
        {"hd720", 1280, 720},
    };
    for (const auto& [text, width, height] : sizes) {
        SCOPED_TRACE(text);
        engine_->SetOption("s", text);
        EXPECT_EQ(options().FrameWidth, width);
        EXPECT_EQ(options().FrameHeight, height);
    }
    engine_->SetOption("s", "");
    EXPECT_EQ(options().FrameWidth, 1280);
    for (const char* bad : {"640y", "huge", "x480"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(MessageOf<FFmpegException>([&] { engine_->SetOption("s", bad); }),
                  "Incorrect frame size");
    }
    EXPECT_EQ(options().FrameWidth, 1280);
    EXPECT_EQ(options().FrameHeight, 720);
}

TEST_F(EngineTest, AspectRatiosAreRatiosOrDecimals) {
    const std::pair<const char*, float> good[] = {
        {"16:9", 16.0f / 9.0f},   {"4:3", 4.0f / 3.0f}, {"1.85", 1.85f},
        {"$10:$9", 16.0f / 9.0f}, {"2.35", 2.35f},
    };
    for (const auto& [text, ratio] : good) {
        SCOPED_TRACE(text);
        engine_->SetOption("aspect", text);
        EXPECT_FLOAT_EQ(options().FrameAspectRatio, ratio);
    }
    EXPECT_NEAR(options().FrameAspectRatio, 2.35, 1e-6);
    engine_->SetOption("aspect", "");
    EXPECT_FLOAT_EQ(options().FrameAspectRatio, 2.35f);
    for (const char* bad : {"16:0", "0:9", "16:-9", "wide", "a:b", "16:", "0"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(MessageOf<FFmpegException>([&] { engine_->SetOption("aspect", bad); }),
                  "Incorrect aspect ratio specification.");
    }
    EXPECT_FLOAT_EQ(options().FrameAspectRatio, 2.35f);
    engine_->SetAspect("16:9");
    EXPECT_NEAR(options().FrameAspectRatio, 1.7778, 1e-4);
}

TEST_F(EngineTest, PixelAndSampleFormatsAreLookedUpByName) {
    engine_->SetOption("pix_fmt", "yuv422p");
    EXPECT_EQ(options().FramePixFmt, AV_PIX_FMT_YUV422P);
    EXPECT_EQ(MessageOf<FFmpegException>([&] { engine_->SetOption("pix_fmt", "yuv999"); }),
              "Unknown pixel format requested: yuv999");
    EXPECT_EQ(options().FramePixFmt, AV_PIX_FMT_YUV422P);

    engine_->SetOption("sample_fmt", "s16");
    EXPECT_EQ(options().AudioSampleFmt, AV_SAMPLE_FMT_S16);
    engine_->SetOption("sample_fmt", "fltp");
    EXPECT_EQ(options().AudioSampleFmt, AV_SAMPLE_FMT_FLTP);
    // Unknown sample formats are stored as "none" without complaint.
    engine_->SetOption("sample_fmt", "s17");
    EXPECT_EQ(options().AudioSampleFmt, -1);
}

// Lines a listing wrote: a header first, then one per format, trimmed.
void ExpectListing(const std::vector<std::string>& lines, const std::string& header, size_t formats,
                   const std::string& one_format) {
    ASSERT_EQ(lines.size(), formats + 1);
    EXPECT_EQ(lines.front(), header);
    bool found = false;
    for (const std::string& line : lines) {
        ASSERT_FALSE(line.empty());
        EXPECT_NE(line.front(), ' ');
        EXPECT_NE(line.back(), ' ');
        found = found || line.rfind(one_format + " ", 0) == 0;
    }
    EXPECT_TRUE(found) << one_format;
}

TEST_F(EngineTest, FormatListingsLogEveryFormatTheLibraryKnows) {
    engine_->SetOption("pix_fmt", "rgb24");
    ClearLog();
    engine_->SetOption("pix_fmt", "list");
    // The library describes every format number below its count.
    ExpectListing(TextsAt(llInfo), "name nb_components nb_bits", AV_PIX_FMT_NB, "yuv420p");
    EXPECT_EQ(options().FramePixFmt, AV_PIX_FMT_RGB24);

    engine_->SetOption("sample_fmt", "u8");
    ClearLog();
    engine_->SetOption("sample_fmt", "list");
    ExpectListing(TextsAt(llInfo), "name   depth", AV_SAMPLE_FMT_NB, "s16");
    EXPECT_EQ(options().AudioSampleFmt, AV_SAMPLE_FMT_U8);
}

TEST_F(EngineTest, CropBandsShrinkTheFrameAndMustStayInsideIt) {
    // No video input yet: the frame is 0 high, so even 0 is outside.
    EXPECT_EQ(MessageOf<FFmpegException>([&] { engine_->SetOption("croptop", "0"); }),
              kVerticalCrop);
    EXPECT_EQ(MessageOf<FFmpegException>([&] { engine_->SetOption("cropleft", "0"); }),
              kHorizontalCrop);

    engine_->SetOption("s", "720x576");
    engine_->SetOption("cropleft", "8");
    EXPECT_EQ(options().FrameWidth, 712);
    EXPECT_EQ(options().CropLeft, 8);
    engine_->SetOption("cropright", "12");
    EXPECT_EQ(options().FrameWidth, 700);
    engine_->SetOption("croptop", "16");
    engine_->SetOption("cropbottom", "10");
    EXPECT_EQ(options().FrameHeight, 550);
    EXPECT_EQ(options().CropTop, 16);
    EXPECT_EQ(options().CropBottom, 10);

    struct Failure {
        const char* name;
        const char* value;
        const char* message;
    };
    const Failure failures[] = {
        {"cropright", "700", kHorizontalCrop},
        {"cropleft", "701", kHorizontalCrop},
        {"croptop", "550", kVerticalCrop},
        {"cropbottom", "9999", kVerticalCrop},
    };
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.name);
        EXPECT_EQ(MessageOf<FFmpegException>([&] { engine_->SetOption(f.name, f.value); }),
                  f.message);
    }
    engine_->SetOption("croptop", "-4");
    EXPECT_EQ(options().FrameWidth, 700);
    EXPECT_EQ(options().FrameHeight, 550);
    EXPECT_EQ(options().CropTop, 16);
    EXPECT_EQ(options().CropRight, 12);
}

TEST_F(EngineTest, PadColourBecomesFullRangeLumaAndChroma) {
    EXPECT_EQ(options().PadColorY, 16);
    struct Case {
        const char* value;
        int y, u, v;
    };
    const Case cases[] = {
        {"0", 0, 128, 128},           // black
        {"16777215", 255, 128, 128},  // white
        {"255", 76, 85, 255},         // red, in the lowest byte
        {"$00FF00", 150, 43, 21},     // green
        {"$FF0000", 29, 255, 107},    // blue
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        engine_->SetOption("padcolor", c.value);
        EXPECT_EQ(options().PadColorY, c.y);
        EXPECT_EQ(options().PadColorU, c.u);
        EXPECT_EQ(options().PadColorV, c.v);
    }
}

TEST_F(EngineTest, PadColourFollowsTheExactConversionWithinOneStep) {
    for (int r = 0; r < 256; r += 15) {
        for (int g = 0; g < 256; g += 17) {
            for (int b = 0; b < 256; b += 51) {
                engine_->SetPadColor(r | (g << 8) | (b << 16));
                const double y = 0.299 * r + 0.587 * g + 0.114 * b;
                const double u = -0.16874 * r - 0.33126 * g + 0.5 * b + 128;
                const double v = 0.5 * r - 0.41869 * g - 0.08131 * b + 128;
                ASSERT_LE(std::abs(options().PadColorY - y), 1.0) << r << "," << g << "," << b;
                ASSERT_LE(std::abs(options().PadColorU - u), 1.0) << r << "," << g << "," << b;
                ASSERT_LE(std::abs(options().PadColorV - v), 1.0) << r << "," << g << "," << b;
            }
        }
    }
    // Bits above blue are not part of the colour.
    engine_->SetPadColor(static_cast<int32_t>(0x7F000000));
    EXPECT_EQ(options().PadColorY, 0);
}

TEST_F(EngineTest, QScaleMustLieAboveZeroAndUpTo255) {
    for (const char* good : {"0.5", "31", "255"}) {
        engine_->SetOption("qscale", good);
        EXPECT_FLOAT_EQ(options().VideoQScale, std::stof(good));
    }
    for (const char* bad : {"0", "-1", "255.5", "1000"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(MessageOf<FFmpegException>([&] { engine_->SetOption("qscale", bad); }),
                  "qscale must be > 0.0 and <= 255");
    }
    EXPECT_FLOAT_EQ(options().VideoQScale, 255.0f);
}

TEST_F(EngineTest, CodecChoiceKeepsCopyModeOnceGiven) {
    struct Case {
        const char* option;
        std::string TEngineOptions::*name;
        bool TEngineOptions::*copy;
    };
    const Case cases[] = {
        {"vcodec", &TEngineOptions::VideoCodecName, &TEngineOptions::VideoStreamCopy},
        {"acodec", &TEngineOptions::AudioCodecName, &TEngineOptions::AudioStreamCopy},
        {"scodec", &TEngineOptions::SubtitleCodecName, &TEngineOptions::SubtitleStreamCopy},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        TEngineOptions& o = options();
        engine_->SetOption(c.option, "first");
        EXPECT_EQ(o.*c.name, "first");
        engine_->SetOption(c.option, "");
        EXPECT_EQ(o.*c.name, "first");
        EXPECT_FALSE(o.*c.copy);
        engine_->SetOption(c.option, "copy");
        EXPECT_EQ(o.*c.name, "");
        EXPECT_TRUE(o.*c.copy);
        // Names are checked only where a stream uses them.
        engine_->SetOption(c.option, "no-such-codec");
        EXPECT_EQ(o.*c.name, "no-such-codec");
        EXPECT_TRUE(o.*c.copy);
    }
}

TEST_F(EngineTest, CodecTagsAreFourCharactersFirstInTheLowestByte) {
    struct Case {
        const char* option;
        uint32_t TEngineOptions::*tag;
        const char* kind;
    };
    const Case cases[] = {
        {"vtag", &TEngineOptions::VideoCodecTag, "video"},
        {"atag", &TEngineOptions::AudioCodecTag, "audio"},
        {"stag", &TEngineOptions::SubtitleCodecTag, "subtitle"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        engine_->SetOption(c.option, "XVID");
        EXPECT_EQ(options().*c.tag, 0x44495658u);
        engine_->SetOption(c.option, "");
        EXPECT_EQ(options().*c.tag, 0x44495658u);
        for (const char* bad : {"XVI", "XVIDX"}) {
            try {
                engine_->SetOption(c.option, bad);
                ADD_FAILURE() << "no error for " << bad;
            } catch (const FFmpegException& e) {
                EXPECT_EQ(std::string(e.what()).rfind(
                              std::string(c.kind) + " tag parameter must be 4 chars", 0),
                          0u)
                    << e.what();
            }
        }
        EXPECT_EQ(options().*c.tag, 0x44495658u);
    }
}

TEST_F(EngineTest, QuantiserMatricesTakeSixtyFourCommaSeparatedCoefficients) {
    engine_->SetOption("intra_matrix", test::MatrixText(64) + ",99,garbage");
    ASSERT_TRUE(options().IntraMatrix.has_value());
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ((*options().IntraMatrix)[i], i + 1);
    }
    engine_->SetOption("inter_matrix", " 8, 9," + test::MatrixText(62, 10));
    ASSERT_TRUE(options().InterMatrix.has_value());
    EXPECT_EQ((*options().InterMatrix)[0], 8);
    EXPECT_EQ((*options().InterMatrix)[63], 71);

    struct Failure {
        std::string value;
        int coefficient;
    };
    const Failure failures[] = {
        {test::MatrixText(63), 62},
        {"1,2;3", 1},
        {"", 0},
        {test::MatrixText(10) + " ,11", 9},
    };
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.value);
        EXPECT_EQ(
            MessageOf<FFmpegException>([&] { engine_->SetOption("intra_matrix", f.value); }),
            "Syntax error in matrix \"" + f.value + "\" at coeff " + std::to_string(f.coefficient));
    }
    // The failed matrix was zeroed and keeps what was read before the error.
    const TQuantMatrix& kept = *options().IntraMatrix;
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(kept[i], i < 10 ? i + 1 : 0) << i;
    }
}

std::vector<std::string> FilterNames(const TBitstreamFilterChain& chain) {
    std::vector<std::string> names;
    for (const engine::BitstreamFilterPtr& filter : chain) {
        names.push_back(filter->filter->name);
    }
    return names;
}

TEST_F(EngineTest, BitstreamFiltersAppendToTheirTypesChain) {
    engine_->SetOption("vbsf", "null");
    engine_->SetOption("vbsf", "h264_mp4toannexb=ignored");
    engine_->SetOption("vbsf", "=null");
    engine_->SetOption("vbsf", "");
    engine_->SetOption("absf", "aac_adtstoasc");
    engine_->SetOption("sbsf", "null");
    EXPECT_EQ(FilterNames(options().VideoBitstreamFilters),
              (std::vector<std::string>{"null", "h264_mp4toannexb"}));
    EXPECT_EQ(FilterNames(options().AudioBitstreamFilters),
              std::vector<std::string>{"aac_adtstoasc"});
    EXPECT_EQ(FilterNames(options().SubtitleBitstreamFilters), std::vector<std::string>{"null"});

    EXPECT_EQ(MessageOf<FFmpegException>([&] { engine_->SetOption("absf", "  nosuchbsf "); }),
              "Unknown bitstream filter nosuchbsf");
    EXPECT_EQ(MessageOf<FFmpegException>([&] { engine_->SetOption("vbsf", "bogus=x"); }),
              "Unknown bitstream filter bogus=x");
    EXPECT_EQ(options().AudioBitstreamFilters.size(), 1u);
    EXPECT_EQ(options().VideoBitstreamFilters.size(), 2u);
}

TEST_F(EngineTest, BitRatesBelowOneKilobitAreKeptWithAWarning) {
    const char* kWarning =
        "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s";
    struct Case {
        const char* option;
        const char* value;
        AVMediaType reads;
        int64_t bit_rate;
        bool warns;
    };
    const Case cases[] = {
        {"ab", "64", AVMEDIA_TYPE_AUDIO, 64, true},
        {"ab", "128000", AVMEDIA_TYPE_AUDIO, 128000, false},
        {"vb", "999", AVMEDIA_TYPE_VIDEO, 999, true},
        {"b", "1000", AVMEDIA_TYPE_VIDEO, 1000, false},
        {"b", "400k", AVMEDIA_TYPE_VIDEO, 400000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.option) + "=" + c.value);
        ClearLog();
        engine_->SetOption(c.option, c.value);
        EXPECT_EQ(engine_->OptionContexts().Codecs[c.reads]->bit_rate, c.bit_rate);
        EXPECT_EQ(TextsAt(llWarning),
                  c.warns ? std::vector<std::string>{kWarning} : std::vector<std::string>{});
    }
    // Nothing happens without a value, and a rejected value warns of nothing.
    ClearLog();
    engine_->SetOption("ab", "");
    engine_->SetOption("ab", "loud");
    EXPECT_TRUE(TextsAt(llWarning).empty());
    EXPECT_EQ(engine_->OptionContexts().Codecs[AVMEDIA_TYPE_AUDIO]->bit_rate, 128000);
}

}  // namespace
}  // namespace v2m
