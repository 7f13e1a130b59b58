// Library options outside the table: their templates, their failures, and how
// they reach real encoders, decoders and format contexts.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "EngineTestSupport.h"
#include "FFmpegLoader.h"

namespace v2m {
namespace {

using test::EngineTest;

engine::CodecContextPtr ContextFor(const char* name, bool encoder) {
    const AVCodec* codec =
        encoder ? ff::avcodec_find_encoder_by_name(name) : ff::avcodec_find_decoder_by_name(name);
    EXPECT_NE(codec, nullptr) << name;
    return engine::CodecContextPtr(codec != nullptr ? ff::avcodec_alloc_context3(codec) : nullptr);
}

int Open(AVCodecContext* context) {
    AVCodecLock lock;
    return ff::avcodec_open2(context, context->codec, nullptr);
}

int64_t PrivateInt(AVCodecContext* context, const char* name) {
    int64_t value = -1;
    EXPECT_GE(ff::av_opt_get_int(context->priv_data, name, 0, &value), 0) << name;
    return value;
}

std::vector<std::string> RecordedNames(const TOptionContexts& contexts) {
    std::vector<std::string> names;
    for (const TRecordedOption& recorded : contexts.Names) {
        names.push_back(recorded.Name);
    }
    return names;
}

TEST_F(EngineTest, GenericOptionsFindTheTemplateThatKnowsThem) {
    const TOptionContexts& c = engine_->OptionContexts();
    struct Case {
        const char* name;
        const char* value;
        std::function<bool()> took;
    };
    const Case cases[] = {
        {"g", "30", [&] { return c.Codecs[AVMEDIA_TYPE_VIDEO]->gop_size == 30; }},
        {"maxrate", "800000", [&] { return c.Codecs[AVMEDIA_TYPE_VIDEO]->rc_max_rate == 800000; }},
        {"packetsize", "2324", [&] { return c.Format->packet_size == 2324; }},
        {"sws_flags", "bilinear",
         [&] {
             int64_t flags = 0;
             ff::av_opt_get_int(c.Scaler.get(), "sws_flags", 0, &flags);
             return flags == SWS_BILINEAR;
         }},
        // A media-type prefix in front of a codec option name.
        {"abt", "32000",
         [&] {
             return c.Codecs[AVMEDIA_TYPE_AUDIO]->bit_rate_tolerance == 32000 &&
                    c.Codecs[AVMEDIA_TYPE_VIDEO]->bit_rate_tolerance != 32000;
         }},
        {"vqmin", "3",
         [&] {
             return c.Codecs[AVMEDIA_TYPE_VIDEO]->qmin == 3 &&
                    c.Codecs[AVMEDIA_TYPE_AUDIO]->qmin != 3;
         }},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        EXPECT_TRUE(engine_->SetGenericOption(k.name, k.value));
        EXPECT_TRUE(k.took());
    }
    EXPECT_EQ(RecordedNames(c),
              (std::vector<std::string>{"g", "maxrate", "packetsize", "sws_flags", "bt", "qmin"}));
    EXPECT_TRUE(Lines().empty());
}

TEST_F(EngineTest, GenericOptionsRejectUnknownNamesAndBadValues) {
    const TOptionContexts& c = engine_->OptionContexts();
    const int gop = c.Codecs[AVMEDIA_TYPE_VIDEO]->gop_size;
    struct Case {
        const char* name;
        const char* value;
        const char* logged;  // the library's line, or none
    };
    const Case cases[] = {
        {"nosuchoption", "1", nullptr},
        {"", "1", nullptr},
        {"g", "", nullptr},
        {" ", "1", nullptr},
        {"g", "  ", nullptr},
        {"g", "abc", "Invalid value \"abc\" for option \"g\""},
        {"packetsize", "big", "Invalid value \"big\" for option \"packetsize\""},
        // Private options of an encoder need that encoder's name pending.
        {"joint_stereo", "0", nullptr},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ClearLog();
        EXPECT_FALSE(engine_->SetGenericOption(k.name, k.value));
        // The library may explain its refusal first; our line closes the report.
        const std::vector<std::string> errors = TextsAt(llError);
        if (k.logged == nullptr) {
            EXPECT_TRUE(errors.empty());
        } else {
            ASSERT_FALSE(errors.empty());
            EXPECT_EQ(errors.back(), k.logged);
            EXPECT_EQ(std::count(errors.begin(), errors.end(), k.logged), 1);
        }
    }
    EXPECT_EQ(c.Codecs[AVMEDIA_TYPE_VIDEO]->gop_size, gop);
    EXPECT_EQ(c.NameCount(), 0u);
    EXPECT_TRUE(c.PrivateOptions.empty());
}

TEST_F(EngineTest, DebugOptionsRaiseTheSharedLoggersLevel) {
    EXPECT_TRUE(engine_->SetGenericOption("g", "25"));
    EXPECT_EQ(FFLoggerInstance().LogLevel(), llInfo);
    EXPECT_TRUE(engine_->SetGenericOption("debug", "pict"));
    EXPECT_EQ(FFLoggerInstance().LogLevel(), llDebug);
}

TEST_F(EngineTest, GenericOptionsReachARealVideoEncoder) {
    engine_->SetOption("g", "12");
    engine_->SetOption("b", "400000");
    engine_->SetOption("flags", "+global_header");
    engine_->SetOption("bf", "0");
    engine_->SetOption("packetsize", "1000");
    const TOptionContexts& c = engine_->OptionContexts();

    engine::CodecContextPtr encoder = ContextFor("mpeg4", true);
    ASSERT_NE(encoder, nullptr);
    encoder->width = 320;
    encoder->height = 240;
    encoder->time_base = AVRational{1, 25};
    encoder->pix_fmt = AV_PIX_FMT_YUV420P;
    engine_->CopyContextOptions(encoder.get(), c.Codecs[AVMEDIA_TYPE_VIDEO].get(),
                                AV_OPT_FLAG_ENCODING_PARAM | AV_OPT_FLAG_VIDEO_PARAM);
    EXPECT_EQ(encoder->gop_size, 12);
    EXPECT_EQ(encoder->bit_rate, 400000);
    EXPECT_EQ(encoder->max_b_frames, 0);
    EXPECT_NE(encoder->flags & AV_CODEC_FLAG_GLOBAL_HEADER, 0);
    ASSERT_EQ(Open(encoder.get()), 0);
    EXPECT_EQ(encoder->gop_size, 12);
    EXPECT_EQ(encoder->bit_rate, 400000);
    EXPECT_GT(encoder->extradata_size, 0);  // global headers were asked for

    // A decoder takes only decoding options: none of these.
    engine::CodecContextPtr decoder = ContextFor("mpeg4", false);
    const int default_gop = decoder->gop_size;
    engine_->CopyContextOptions(decoder.get(), c.Codecs[AVMEDIA_TYPE_VIDEO].get(),
                                AV_OPT_FLAG_DECODING_PARAM | AV_OPT_FLAG_VIDEO_PARAM);
    EXPECT_EQ(decoder->gop_size, default_gop);
    EXPECT_NE(decoder->flags & AV_CODEC_FLAG_GLOBAL_HEADER, 0);  // "flags" serves both
}

TEST_F(EngineTest, VideoBitRatesStayOffAudioEncoders) {
    engine_->SetOption("vb", "900000");
    engine_->SetOption("b", "800000");
    engine_->SetOption("vmaxrate", "1000000");
    engine::CodecContextPtr audio = ContextFor("mp2", true);
    const int64_t default_rate = audio->bit_rate;
    engine_->CopyContextOptions(audio.get(),
                                engine_->OptionContexts().Codecs[AVMEDIA_TYPE_AUDIO].get(),
                                AV_OPT_FLAG_ENCODING_PARAM | AV_OPT_FLAG_AUDIO_PARAM);
    EXPECT_EQ(audio->bit_rate, default_rate);
    EXPECT_EQ(audio->rc_max_rate, 0);

    engine_->SetOption("ab", "192000");
    engine_->CopyContextOptions(audio.get(),
                                engine_->OptionContexts().Codecs[AVMEDIA_TYPE_AUDIO].get(),
                                AV_OPT_FLAG_ENCODING_PARAM | AV_OPT_FLAG_AUDIO_PARAM);
    EXPECT_EQ(audio->bit_rate, 192000);
}

TEST_F(EngineTest, EncoderPrivateOptionsReachTheNamedEncoder) {
    engine_->SetOption("acodec", "libmp3lame");
    EXPECT_TRUE(engine_->SetGenericOption("joint_stereo", "0"));
    EXPECT_TRUE(engine_->SetGenericOption("abr", "1"));
    ClearLog();
    EXPECT_FALSE(engine_->SetGenericOption("reservoir", "maybe"));
    ASSERT_FALSE(TextsAt(llError).empty());
    EXPECT_EQ(TextsAt(llError).back(), "Invalid value \"maybe\" for option \"reservoir\"");
    engine_->SetOption("ab", "128000");
    const TOptionContexts& c = engine_->OptionContexts();
    ASSERT_EQ(c.PrivateOptions.size(), 2u);
    EXPECT_EQ(c.PrivateOptions[0].Encoder, "libmp3lame");
    EXPECT_EQ(c.PrivateOptions[0].Name, "joint_stereo");

    engine::CodecContextPtr lame = ContextFor("libmp3lame", true);
    ASSERT_NE(lame, nullptr);
    EXPECT_EQ(PrivateInt(lame.get(), "joint_stereo"), 1);
    lame->sample_rate = 44100;
    lame->sample_fmt = AV_SAMPLE_FMT_S16P;
    ff::av_channel_layout_default(&lame->ch_layout, 2);
    engine_->CopyContextOptions(lame.get(), c.Codecs[AVMEDIA_TYPE_AUDIO].get(),
                                AV_OPT_FLAG_ENCODING_PARAM | AV_OPT_FLAG_AUDIO_PARAM);
    EXPECT_EQ(PrivateInt(lame.get(), "joint_stereo"), 0);
    EXPECT_EQ(PrivateInt(lame.get(), "abr"), 1);
    EXPECT_EQ(PrivateInt(lame.get(), "reservoir"), 1);
    EXPECT_EQ(lame->bit_rate, 128000);
    ASSERT_EQ(Open(lame.get()), 0);
    EXPECT_EQ(lame->frame_size, 1152);

    // The options belong to that encoder and its media type only.
    engine::CodecContextPtr lame_copy = ContextFor("libmp3lame", true);
    engine_->CopyContextOptions(lame_copy.get(), c.Codecs[AVMEDIA_TYPE_VIDEO].get(),
                                AV_OPT_FLAG_ENCODING_PARAM);
    EXPECT_EQ(PrivateInt(lame_copy.get(), "joint_stereo"), 1);

    // A name given later does not take options recorded for another encoder.
    engine_->SetOption("acodec", "mp2");
    EXPECT_FALSE(engine_->SetGenericOption("joint_stereo", "1"));
}

TEST_F(EngineTest, FormatOptionsReachOnlyContextsOfTheirDirection) {
    engine_->SetOption("packetsize", "2048");
    engine_->SetOption("g", "12");
    const AVFormatContext* format_template = engine_->OptionContexts().Format.get();
    engine::FormatContextPtr output(ff::avformat_alloc_context());
    engine::FormatContextPtr input(ff::avformat_alloc_context());
    engine_->CopyContextOptions(output.get(), format_template, AV_OPT_FLAG_ENCODING_PARAM);
    engine_->CopyContextOptions(input.get(), format_template, AV_OPT_FLAG_DECODING_PARAM);
    EXPECT_EQ(output->packet_size, 2048u);
    EXPECT_EQ(input->packet_size, 0u);
}

}  // namespace
}  // namespace v2m
