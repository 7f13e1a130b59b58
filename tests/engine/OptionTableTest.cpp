// The option table: each family of options with its value rule and messages.

#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <stdexcept>

#include "EngineTestSupport.h"
#include "MyUtils.h"

namespace v2m {
namespace {

using test::EngineTest;
using test::MessageOf;

using OptionsInt = std::function<int64_t(const TEngineOptions&)>;

TEST_F(EngineTest, InformationalOptionsOnlyLogThatTheyDoNothing) {
    const char* names[] = {"L",         "h",       "version", "formats", "codecs",   "bsfs",
                           "protocols", "filters", "i",       "y",       "benchmark"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        ClearLog();
        engine_->SetOption(name, "anything");
        const std::vector<test::LogLine> lines = Lines();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].text, std::string("Do nothing: option - ") + name);
        EXPECT_EQ(lines[0].level, llInfo);
        EXPECT_EQ(lines[0].sender, engine_.get());
    }
    ClearLog();
    engine_->SetOption("timelimit", "10");
    EXPECT_EQ(TextsAt(llWarning),
              std::vector<std::string>{"Warning: -timelimit not implemented on Windows"});
}

TEST_F(EngineTest, ThreadsAlwaysFailsAndKeepsOneThread) {
    for (const char* value : {"", "4", "auto"}) {
        EXPECT_EQ(MessageOf<FFmpegException>([&] { engine_->SetOption("threads", value); }),
                  "TODO: option - threads");
    }
    EXPECT_EQ(options().ThreadCount, 1);
}

TEST_F(EngineTest, IntegerOptionsStoreTheirNumbers) {
    struct Case {
        const char* name;
        const char* value;
        OptionsInt field;
        int64_t expected;
    };
    const Case cases[] = {
        {"v", "-1", [](auto& o) { return o.Verbose; }, -1},
        {"loop_output", "3", [](auto& o) { return o.LoopOutput; }, 3},
        {"programid", "$10", [](auto& o) { return o.ProgramId; }, 16},
        {"fs", "5000000000", [](auto& o) { return o.LimitFileSize; }, 5000000000LL},
        {"vsync", "2", [](auto& o) { return o.VideoSyncMethod; }, 2},
        {"async", "1", [](auto& o) { return o.AudioSyncMethod; }, 1},
        {"vglobal", "3", [](auto& o) { return o.VideoGlobalHeader; }, 3},
        {"copyinkf", "1", [](auto& o) { return o.CopyInitialNonKeyframes; }, 1},
        {"vframes", "100", [](auto& o) { return o.MaxFrames[mfVideo]; }, 100},
        {"aframes", "200", [](auto& o) { return o.MaxFrames[mfAudio]; }, 200},
        {"dframes", "300", [](auto& o) { return o.MaxFrames[mfData]; }, 300},
        {"vdt", "48", [](auto& o) { return o.VideoDiscard; }, 48},
        {"me_threshold", "7", [](auto& o) { return o.MeThreshold; }, 7},
        {"top", "0", [](auto& o) { return o.TopFieldFirst; }, 0},
        {"dc", "10", [](auto& o) { return o.IntraDcPrecision; }, 10},
        {"vol", "-5", [](auto& o) { return o.AudioVolume; }, -5},
        {"vc", "2", [](auto& o) { return o.VideoChannel; }, 2},
        {"padtop", "8", [](auto& o) { return o.PadTop; }, 8},
        {"padbottom", "6", [](auto& o) { return o.PadBottom; }, 6},
        {"padleft", "4", [](auto& o) { return o.PadLeft; }, 4},
        {"padright", "2", [](auto& o) { return o.PadRight; }, 2},
        {"pass", "2", [](auto& o) { return o.DoPass; }, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engine_->SetOption(c.name, c.value);
        EXPECT_EQ(c.field(options()), c.expected);
        // A malformed number leaves the field as it was.
        EXPECT_EQ(MessageOf<std::invalid_argument>([&] { engine_->SetOption(c.name, "1.5x"); }),
                  "'1.5x' is not a valid integer value");
        EXPECT_EQ(c.field(options()), c.expected);
    }
}

// A loudness target turns normalisation on; one outside -70..0 LUFS is refused
// and changes nothing.
TEST_F(EngineTest, LoudnessTargetTurnsNormalisationOn) {
    EXPECT_FALSE(options().NormalizeLoudness);
    for (const char* value : {"5", "-71", "0.5"}) {
        SCOPED_TRACE(value);
        EXPECT_EQ(MessageOf<FFmpegException>([&] {
                      engine_->SetOption("loudness_target", value);
                  }).rfind("Invalid loudness target: ", 0),
                  0u);
        EXPECT_FALSE(options().NormalizeLoudness);
    }
    engine_->SetOption("loudness_target", "-23");
    EXPECT_TRUE(options().NormalizeLoudness);
    EXPECT_EQ(options().LoudnessTarget, -23.0);
}

TEST_F(EngineTest, IntegerOptionsWithGuardsIgnoreValuesOutsideThem) {
    struct Case {
        const char* name;
        const char* value;
        OptionsInt field;
        int64_t expected;
    };
    const Case cases[] = {
        {"ar", "0", [](auto& o) { return o.AudioSampleRate; }, 44100},
        {"ar", "-8000", [](auto& o) { return o.AudioSampleRate; }, 44100},
        {"ac", "-1", [](auto& o) { return o.AudioChannels; }, 2},
        {"ac", "0", [](auto& o) { return o.AudioChannels; }, 2},
        {"padtop", "-1", [](auto& o) { return o.PadTop; }, 0},
        {"padright", "-3", [](auto& o) { return o.PadRight; }, 0},
        {"ar", "22050", [](auto& o) { return o.AudioSampleRate; }, 22050},
        {"ac", "6", [](auto& o) { return o.AudioChannels; }, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "=" + c.value);
        engine_->SetOption(c.name, c.value);
        EXPECT_EQ(c.field(options()), c.expected);
    }
    for (const char* pass : {"0", "3", "-1"}) {
        EXPECT_EQ(MessageOf<FFmpegException>([&] { engine_->SetOption("pass", pass); }),
                  "pass number can be only 1 or 2");
    }
    EXPECT_EQ(options().DoPass, 0);
}

TEST_F(EngineTest, FloatOptionsReadDecimalNumbers) {
    struct Case {
        const char* name;
        std::function<float(const TEngineOptions&)> field;
    };
    const Case cases[] = {
        {"adrift_threshold", [](auto& o) { return o.AudioDriftThreshold; }},
        {"dts_delta_threshold", [](auto& o) { return o.DtsDeltaThreshold; }},
        {"aq", [](auto& o) { return o.AudioQScale; }},
        {"muxdelay", [](auto& o) { return o.MuxMaxDelay; }},
        {"muxpreload", [](auto& o) { return o.MuxPreload; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engine_->SetOption(c.name, "2.75");
        EXPECT_FLOAT_EQ(c.field(options()), 2.75f);
        EXPECT_EQ(MessageOf<std::invalid_argument>([&] { engine_->SetOption(c.name, "2,5"); }),
                  "'2,5' is not a valid floating point value");
        EXPECT_FLOAT_EQ(c.field(options()), 2.75f);
    }
}

TEST_F(EngineTest, BooleanOptionsAreFalseOnlyForZeroAndFlagsAlwaysTrue) {
    struct Case {
        const char* name;
        std::function<bool(const TEngineOptions&)> field;
        bool flag;
    };
    const Case cases[] = {
        {"dump", [](auto& o) { return o.DoPktDump; }, false},
        {"hex", [](auto& o) { return o.DoHexDump; }, false},
        {"re", [](auto& o) { return o.RateEmu; }, false},
        {"loop_input", [](auto& o) { return o.LoopInput; }, false},
        {"shortest", [](auto& o) { return o.Shortest; }, false},
        {"intra", [](auto& o) { return o.IntraOnly; }, false},
        {"vn", [](auto& o) { return o.VideoDisable; }, false},
        {"an", [](auto& o) { return o.AudioDisable; }, false},
        {"sn", [](auto& o) { return o.SubtitleDisable; }, false},
        {"sameq", [](auto& o) { return o.SameQuality; }, false},
        {"deinterlace", [](auto& o) { return o.Deinterlace; }, false},
        {"psnr", [](auto& o) { return o.DoPsnr; }, false},
        {"qphist", [](auto& o) { return o.QpHist; }, false},
        {"force_fps", [](auto& o) { return o.ForceFps; }, false},
        {"isync", [](auto& o) { return o.InputSync; }, false},
        {"copyts", [](auto& o) { return o.CopyTs; }, true},
        {"xerror", [](auto& o) { return o.ExitOnError; }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* value : {"", "1", "no", "false", "00"}) {
            engine_->SetOption(c.name, "0");
            EXPECT_EQ(c.field(options()), c.flag);
            engine_->SetOption(c.name, value);
            EXPECT_TRUE(c.field(options())) << "value '" << value << "'";
        }
    }
}

TEST_F(EngineTest, TimeOptionsTakeDurationsInMicroseconds) {
    struct Case {
        const char* name;
        OptionsInt field;
    };
    const Case cases[] = {
        {"t", [](auto& o) { return o.RecordingTime; }},
        {"ss", [](auto& o) { return o.StartTime; }},
        {"itsoffset", [](auto& o) { return o.InputTsOffset; }},
    };
    const std::pair<const char*, int64_t> durations[] = {
        {"90", 90000000}, {"2.5", 2500000}, {"1:30", 90000000}, {"01:00:00.25", 3600250000LL},
        {"-5", -5000000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& [text, microseconds] : durations) {
            engine_->SetOption(c.name, text);
            EXPECT_EQ(c.field(options()), microseconds) << text;
        }
        EXPECT_EQ(MessageOf<FFmpegException>([&] { engine_->SetOption(c.name, "ten"); }),
                  std::string("Invalid duration specification for ") + c.name + ": ten");
    }
    engine_->SetOption("t", "42");
    EXPECT_EQ(engine_->ExpectedDuration(), 42000000);
}

TEST_F(EngineTest, TimestampIsADateRoundedToTheNearestSecond) {
    const std::pair<const char*, int64_t> dates[] = {
        {"1970-01-02T00:00:00Z", 86400}, {"2010-06-01 12:00:00Z", 1275393600},
        {"1970-01-01T00:00:02.5Z", 2},  // ties go to the even second
        {"1970-01-01T00:00:03.5Z", 4},   {"1970-01-01T00:00:03.6Z", 4},
    };
    for (const auto& [text, seconds] : dates) {
        SCOPED_TRACE(text);
        engine_->SetOption("timestamp", text);
        EXPECT_EQ(options().RecordingTimestamp, seconds);
    }
    EXPECT_EQ(MessageOf<FFmpegException>([&] { engine_->SetOption("timestamp", "yesterday"); }),
              "Invalid date specification for timestamp: yesterday");
}

TEST_F(EngineTest, FormatOptionKeepsANameAndReplacesPgmYuv) {
    engine_->SetOption("f", "");
    EXPECT_EQ(options().FormatName, "");
    engine_->SetOption("f", "mp3");
    EXPECT_EQ(options().FormatName, "mp3");
    EXPECT_FALSE(options().PgmYuvCompat);
    engine_->SetOption("f", "");
    EXPECT_EQ(options().FormatName, "mp3");
    engine_->SetOption("f", "pgmyuv");
    EXPECT_EQ(options().FormatName, "image2");
    EXPECT_TRUE(options().PgmYuvCompat);
    EXPECT_EQ(TextsAt(llInfo), std::vector<std::string>{"pgmyuv format is deprecated, use image2"});
}

TEST_F(EngineTest, LogLevelChangesTheSharedLogger) {
    const std::pair<const char*, TLogLevel> levels[] = {
        {"debug", llDebug}, {"ERROR", llError}, {"Quiet", llQuiet},
        {"24", llWarning},  {"32", llInfo},
    };
    for (const auto& [text, level] : levels) {
        SCOPED_TRACE(text);
        engine_->SetOption("loglevel", text);
        EXPECT_EQ(FFLoggerInstance().LogLevel(), level);
    }
    EXPECT_EQ(MessageOf<std::invalid_argument>([&] { engine_->SetOption("loglevel", "loud"); }),
              "'loud' is not a valid integer value");
    EXPECT_EQ(FFLoggerInstance().LogLevel(), llInfo);
}

TEST_F(EngineTest, StreamMapsReadNumbersWithOneSeparatorAfterEach) {
    struct Case {
        const char* value;
        TStreamMap map;
    };
    const Case cases[] = {
        {"0.1", {0, 1, 0, 1}},     {"0.1:1.0", {0, 1, 1, 0}}, {"2:3", {2, 3, 2, 3}},
        {"0x1.010", {1, 8, 1, 8}},  // hexadecimal and octal as strtol reads them
        {"1.2,3.4", {1, 2, 3, 4}}, {"5", {5, 0, 5, 0}},
    };
    for (const Case& c : cases) {
        engine_->SetOption("map", c.value);
    }
    ASSERT_EQ(engine_->StreamMapCount(), static_cast<int>(std::size(cases)));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].value);
        const TStreamMap& map = engine_->StreamMaps()[i];
        EXPECT_EQ(map.FileIndex, cases[i].map.FileIndex);
        EXPECT_EQ(map.StreamIndex, cases[i].map.StreamIndex);
        EXPECT_EQ(map.SyncFileIndex, cases[i].map.SyncFileIndex);
        EXPECT_EQ(map.SyncStreamIndex, cases[i].map.SyncStreamIndex);
    }

    engine_->SetOption("map_meta_data", "1:0");
    engine_->SetOption("map_meta_data", "0");
    ASSERT_EQ(engine_->MetaDataMapCount(), 2);
    EXPECT_EQ(engine_->MetaDataMaps()[0].OutFile, 1);
    EXPECT_EQ(engine_->MetaDataMaps()[0].InFile, 0);
    EXPECT_EQ(engine_->MetaDataMaps()[1].OutFile, 0);
    EXPECT_EQ(engine_->MetaDataMaps()[1].InFile, 0);
}

TEST_F(EngineTest, TimestampScalesApplyToTheNextInputsStreams) {
    engine_->SetOption("itsscale", "1:0.5");
    EXPECT_DOUBLE_EQ(engine_->InputTsScale(0, 1), 0.5);
    engine_->SetOption("itsscale", "19:2");
    EXPECT_DOUBLE_EQ(engine_->InputTsScale(0, 19), 2.0);
    EXPECT_EQ(engine_->InputTsScale(0, 0), 0.0);
    EXPECT_EQ(engine_->InputTsScale(1, 1), 0.0);
    for (const char* bad : {"20:1", "-1:3", "100:0.5"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(MessageOf<FFmpegException>([&] { engine_->SetOption("itsscale", bad); }),
                  "stream index over MAX_STREAMS(20)");
    }
    EXPECT_DOUBLE_EQ(engine_->InputTsScale(0, 1), 0.5);
}

TEST_F(EngineTest, MetadataSplitsAtTheFirstEquals) {
    engine_->SetOption("metadata", "title=A=B");
    engine_->SetOption("metadata", "=no key");
    engine_->SetOption("metadata", "comment=");
    using Pair = std::pair<std::string, std::string>;
    const std::vector<Pair> expected = {{"title", "A=B"}, {"", "no key"}, {"comment", ""}};
    EXPECT_EQ(std::vector<Pair>(engine_->Metadata().begin(), engine_->Metadata().end()), expected);
    EXPECT_EQ(MessageOf<FFmpegException>([&] { engine_->SetOption("metadata", "title"); }),
              "Missing =");
    EXPECT_EQ(engine_->MetadataCount(), 3);
}

TEST_F(EngineTest, TextOptionsAreStoredAsGiven) {
    struct Case {
        const char* name;
        std::function<std::string(const TEngineOptions&)> field;
    };
    const Case cases[] = {
        {"passlogfile", [](auto& o) { return o.PassLogFilePrefix; }},
        {"vlang", [](auto& o) { return o.VideoLanguage; }},
        {"alang", [](auto& o) { return o.AudioLanguage; }},
        {"slang", [](auto& o) { return o.SubtitleLanguage; }},
        {"rc_override", [](auto& o) { return o.VideoRcOverride.value_or("<none>"); }},
        {"tvstd", [](auto& o) { return o.VideoStandard.value_or("<none>"); }},
        {"vstats_file", [](auto& o) { return o.VStatsFileName.value_or("<none>"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engine_->SetOption(c.name, " as given ");
        EXPECT_EQ(c.field(options()), " as given ");
        engine_->SetOption(c.name, "");
        EXPECT_EQ(c.field(options()), "");
    }
    engine_->SetOption("vfilters", "crop=100:100");
    engine_->SetOption("vfilters", "");
    EXPECT_EQ(options().VideoFilters, "crop=100:100");
}

TEST_F(EngineTest, VideoStatisticsNamesAreGeneratedBesideTheProgram) {
    engine_->SetOption("vstats", "");
    engine_->SetOption("vstats_file", "mine.log");
    EXPECT_EQ(options().VStatsFileName, "mine.log");
    engine_->SetOption("vstats", "ignored");
    engine_->SetOption("vstats", "");
    ASSERT_TRUE(options().VStatsFileName.has_value());
    const std::string& name = *options().VStatsFileName;
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(name.substr(0, folder.size()), folder);
    EXPECT_TRUE(
        std::regex_match(name.substr(folder.size()),
                         std::regex(R"(vstats_([01][0-9]|2[0-3])[0-5][0-9][0-5][0-9]\.log)")))
        << name;
}

TEST_F(EngineTest, VideoHooksFailUntilAPluginChainCanTakeThem) {
    for (const char* command : {"", "hook.so", "hook.so|a b|c"}) {
        SCOPED_TRACE(command);
        EXPECT_EQ(MessageOf<FFmpegException>([&] { engine_->SetOption("vhook", command); }),
                  std::string("Failed to add video hook function: ") + command);
    }
    EXPECT_FALSE(options().UsingVHook);
}

TEST_F(EngineTest, NewStreamsNeedAnOutputFile) {
    for (const char* name : {"newvideo", "newaudio", "newsubtitle"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(MessageOf<FFmpegException>([&] { engine_->SetOption(name, ""); }),
                  "At least one output file must be specified");
    }
}

TEST_F(EngineTest, UnknownNamesChangeNothingAndRaiseNothing) {
    const TEngineOptions before_defaults;
    for (const char* name : {"nosuchoption", "", "V", "Vn", "-vn"}) {
        SCOPED_TRACE(name);
        EXPECT_NO_THROW(engine_->SetOption(name, "1"));
    }
    EXPECT_EQ(engine_->OptionContexts().NameCount(), 0u);
    EXPECT_EQ(options().Verbose, before_defaults.Verbose);
    EXPECT_FALSE(options().VideoDisable);
    EXPECT_TRUE(Lines().empty());
}

}  // namespace
}  // namespace v2m
