// Reading numbers and splitting texts, without any engine.

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "OptionValues.h"

namespace v2m {
namespace {

using test::MessageOf;

TEST(OptionValuesTest, IntegersAreWholeDecimalOrDollarHexadecimalTexts) {
    struct Case {
        std::string text;
        std::optional<int32_t> value;
    };
    const Case cases[] = {
        {"0", 0},
        {"42", 42},
        {"-17", -17},
        {"+8", 8},
        {"$1F", 31},
        {"$ff", 255},
        {"-$10", -16},
        {"$FFFFFFFF", -1},  // the bit pattern of the type
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},
        {"$100000000", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"$", std::nullopt},
        {"12a", std::nullopt},
        {" 12", std::nullopt},
        {"0x10", std::nullopt},
        {"1.0", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TryStrToInt(c.text), c.value);
        if (c.value) {
            EXPECT_EQ(StrToInt(c.text), *c.value);
        } else {
            EXPECT_EQ(MessageOf<std::invalid_argument>([&] { StrToInt(c.text); }),
                      "'" + c.text + "' is not a valid integer value");
        }
    }
}

TEST(OptionValuesTest, SixtyFourBitIntegersTakeTheirWholeRange) {
    EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(StrToInt64("5000000000"), 5000000000LL);
    EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
    EXPECT_EQ(MessageOf<std::invalid_argument>([] { StrToInt64("9223372036854775808"); }),
              "'9223372036854775808' is not a valid integer value");
}

TEST(OptionValuesTest, FloatsUseThePointWhateverTheLocale) {
    struct Case {
        std::string text;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"1.5", 1.5},         {"-0.25", -0.25},       {"+2", 2.0},           {".5", 0.5},
        {"5.", 5.0},          {"1e3", 1000.0},        {" 0.7 ", 0.7},        {"1,5", std::nullopt},
        {"", std::nullopt},   {"abc", std::nullopt},  {"inf", std::nullopt}, {"nan", std::nullopt},
        {"1e", std::nullopt}, {"1.5x", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TryStrToFloat(c.text), c.value);
        if (!c.value) {
            EXPECT_EQ(MessageOf<std::invalid_argument>([&] { StrToFloat(c.text); }),
                      "'" + c.text + "' is not a valid floating point value");
        }
    }
}

TEST(OptionValuesTest, PrefixesAreReadLikeTheCLibraryReadsThem) {
    struct Case {
        const char* text;
        long value;
        size_t consumed;
    };
    const Case integers[] = {
        {"12.3", 12, 2}, {"0x1f:", 31, 4}, {"010", 8, 3}, {" -4x", -4, 3}, {"x", 0, 0}, {"", 0, 0},
    };
    for (const Case& c : integers) {
        SCOPED_TRACE(c.text);
        const char* cursor = c.text;
        EXPECT_EQ(ReadIntPrefix(cursor), c.value);
        EXPECT_EQ(static_cast<size_t>(cursor - c.text), c.consumed);
    }
    struct FloatCase {
        const char* text;
        double value;
        size_t consumed;
    };
    const FloatCase floats[] = {
        {"0.5", 0.5, 3}, {" 2.25:", 2.25, 5}, {"-1e2x", -100.0, 4},
        {"+.5", 0.5, 3}, {"x", 0.0, 0},       {"", 0.0, 0},
    };
    for (const FloatCase& c : floats) {
        SCOPED_TRACE(c.text);
        const char* cursor = c.text;
        EXPECT_DOUBLE_EQ(ReadFloatPrefix(cursor), c.value);
        EXPECT_EQ(static_cast<size_t>(cursor - c.text), c.consumed);
    }
}

TEST(OptionValuesTest, TrimmingRemovesBlanksAndControlCharacters) {
    EXPECT_EQ(TrimBlanks(" \t\r\n ab c\x01 "), "ab c");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(LowerCaseAscii("NewAudio=X"), "newaudio=x");
}

TEST(OptionValuesTest, HookCommandLinesSplitAtBarsOrElseAtSpaces) {
    struct Case {
        std::string command;
        std::vector<std::string> tokens;
    };
    const Case cases[] = {
        {"plugin.so -a 1", {"plugin.so", "-a", "1"}},
        {"  plugin.so   -a  ", {"plugin.so", "-a"}},
        {"/my dir/p.so|text with spaces||x", {"/my dir/p.so", "text with spaces", "x"}},
        {"|", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        EXPECT_EQ(SplitHookCommand(c.command), c.tokens);
    }
}

TEST(OptionValuesTest, HookCommandLinesKeepAtMostSixtyThreeTokens) {
    std::string command = "p.so";
    for (int i = 1; i < 80; ++i) {
        command += " a" + std::to_string(i);
    }
    const std::vector<std::string> tokens = SplitHookCommand(command);
    ASSERT_EQ(tokens.size(), 63u);
    EXPECT_EQ(tokens.front(), "p.so");
    EXPECT_EQ(tokens.back(), "a62");
}

}  // namespace
}  // namespace v2m
