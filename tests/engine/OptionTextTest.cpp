// Option texts: lines, names and values, and the phase each line belongs to.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "EngineTestSupport.h"

namespace v2m {
namespace {

using test::EngineTest;
using test::MessageOf;
using Applied = std::vector<std::pair<std::string, std::string>>;

// An engine that notes every option the text hands on and then applies none.
class RecordingEngine : public TFFmpeg {
public:
    RecordingEngine() : TFFmpeg(20) {}
    void SetOption(const std::string& name, const std::string& value) override {
        applied.emplace_back(name, value);
    }
    Applied applied;
};

TEST(OptionTextPhaseTest, EveryLineBelongsToExactlyOnePhase) {
    const std::string text =
        "NEWAUDIO=\nnewvideo=1\nNewSubtitle\n"
        "apre=a\nVPRE=v\nspre=s\n"
        "acodec=libmp3lame\nVcodec=mpeg4\nscodec=copy\n"
        "S=640x480\n"
        "vfilters=hflip\n"
        "ab=128000\nfpre=x.ffpreset\nsize=1\nvf=x\nnewaudio2=1\n\nar=22050";
    const Applied expected[6] = {
        {{"newaudio", ""}, {"newvideo", "1"}, {"newsubtitle", ""}},
        {{"apre", "a"}, {"vpre", "v"}, {"spre", "s"}},
        {{"acodec", "libmp3lame"}, {"vcodec", "mpeg4"}, {"scodec", "copy"}},
        {{"s", "640x480"}},
        {{"vfilters", "hflip"}},
        {{"ab", "128000"},
         {"fpre", "x.ffpreset"},
         {"size", "1"},
         {"vf", "x"},
         {"newaudio2", "1"},
         {"", ""},
         {"ar", "22050"}},
    };
    for (int phase = 0; phase < 6; ++phase) {
        SCOPED_TRACE(phase);
        RecordingEngine engine;
        engine.ApplyOptionText(text, static_cast<TOptionPhase>(phase));
        EXPECT_EQ(engine.applied, expected[phase]);
    }
    RecordingEngine none;
    none.ApplyOptionText(text, static_cast<TOptionPhase>(6));
    EXPECT_TRUE(none.applied.empty());
}

TEST(OptionTextPhaseTest, LinesSplitAtEveryLineBreakFormAndAtCRLFMarks) {
    struct Case {
        std::string text;
        Applied lines;
    };
    const Case cases[] = {
        {"a=1\r\nb=2\rc=3\nd=4", {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}}},
        {"ab=64<CRLF>ar=22050", {{"ab", "64"}, {"ar", "22050"}}},
        {"  \t a=1<CRLF><CRLF>b=2 \r\n ", {{"a", "1"}, {"", ""}, {"b", "2"}}},
        {"title=x=y<crlf>", {{"title", "x=y<crlf>"}}},  // the mark is case-sensitive
        {" name = value ", {{"name ", " value"}}},      // only the whole text is trimmed
        {"metadata=comment=a=b", {{"metadata", "comment=a=b"}}},
        {"", {}},
        {" \r\n ", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        RecordingEngine engine;
        engine.ApplyOptionText(c.text, TOptionPhase::Others);
        EXPECT_EQ(engine.applied, c.lines);
    }
}

TEST_F(EngineTest, OptionTextLinesReachTheEngineInTheirPhase) {
    const std::string text = "ab=64<CRLF>ar=22050";
    for (int phase = 0; phase < 5; ++phase) {
        engine_->ApplyOptionText(text, static_cast<TOptionPhase>(phase));
    }
    EXPECT_EQ(options().AudioSampleRate, 44100);
    EXPECT_EQ(engine_->OptionContexts().NameCount(), 0u);

    engine_->ApplyOptionText(text, TOptionPhase::Others);
    EXPECT_EQ(options().AudioSampleRate, 22050);
    EXPECT_EQ(engine_->OptionContexts().Codecs[AVMEDIA_TYPE_AUDIO]->bit_rate, 64);

    engine_->ApplyOptionText("VN\nVCODEC=MPEG4\nvlang= eng", TOptionPhase::Others);
    EXPECT_TRUE(options().VideoDisable);  // no "=": an empty value, which is true
    EXPECT_EQ(options().VideoLanguage, " eng");
    EXPECT_EQ(options().VideoCodecName, "");
    engine_->ApplyOptionText("VCODEC=MPEG4", TOptionPhase::CodecNames);
    EXPECT_EQ(options().VideoCodecName, "MPEG4");  // values keep their case
}

TEST_F(EngineTest, OptionTextFailuresStopAtTheFailingLine) {
    EXPECT_EQ(MessageOf<FFmpegException>(
                  [&] { engine_->ApplyOptionText("ar=8000\npass=3\nac=1", TOptionPhase::Others); }),
              "pass number can be only 1 or 2");
    EXPECT_EQ(options().AudioSampleRate, 8000);
    EXPECT_EQ(options().AudioChannels, 2);
    EXPECT_EQ(MessageOf<FFmpegException>(
                  [&] { engine_->ApplyOptionText("NEWAUDIO=", TOptionPhase::NewStreams); }),
              "At least one output file must be specified");
    EXPECT_NO_THROW(engine_->ApplyOptionText("NEWAUDIO=", TOptionPhase::Others));
}

}  // namespace
}  // namespace v2m
