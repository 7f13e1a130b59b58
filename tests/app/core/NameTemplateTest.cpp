// Output names from templates: placeholders, fallbacks and padding, and the
// hostile values (slashes, "..", control characters, overlong or broken
// UTF-8) that must never lead a name out of the output folder.

#include <gtest/gtest.h>

#include <stdexcept>

#include "NameTemplate.h"

namespace v2m {
namespace {

// Well-formed UTF-8 by the lead byte's count of continuation bytes; enough to
// catch a character cut in two or a stray byte let through.
bool IsUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if ((lead >= 0x80 && lead < 0xC2) || lead > 0xF4 || i + length > text.size()) {
            return false;
        }
        for (size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

TEST(NameTemplateTest, FillsInValuesAndFallbacks) {
    const TNameFields tagged{"clip",
                             {{"title", "Song"},
                              {"artist", "Ann"},
                              {"album", "Live"},
                              {"track", "3/12"},
                              {"date", "2019-05-01"},
                              {"genre", "Jazz"}},
                             "",
                             0,
                             "mp3"};
    const TNameFields bare{"clip", {{"title", "   "}}, "", 0, ""};
    const TNameFields piece{"clip", {{"title", "Whole Show"}}, "Intro", 7, "ogg"};
    const struct {
        const char* name_template;
        const TNameFields& fields;
        const char* expected;
    } cases[] = {
        {"{artist}/{album}/{track:02} {title}", tagged, "Ann/Live/03 Song"},
        {"{albumartist} {year} {date} {genre} {name}.{profile}", tagged,
         "Ann 2019 2019-05-01 Jazz clip.mp3"},
        {"{artist}/{album}/{track:02} {title}", bare, "Unknown Artist/Unknown Album/00 clip"},
        {"{albumartist}-{genre}-{year}-{chapter}-{n}", bare,
         "Unknown Artist-Unknown Genre-Unknown Year-clip-1"},
        {"{title}/{n:03} {chapter} ({track})", piece, "Whole Show/007 Intro (7)"},
        {"{{{name}}}", bare, "{clip}"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExpandNameTemplate(c.name_template, c.fields), c.expected) << c.name_template;
    }
}

TEST(NameTemplateTest, HostileValuesStayBelowTheOutputFolder) {
    const struct {
        const char* name_template;
        const char* title;
        const char* expected;
    } cases[] = {
        {"{title}", "AC/DC\\Live", "AC-DC-Live"},
        {"{title}/x", "..", "_/x"},
        {"/{artist}//./{title}", " ../.. ", "Unknown Artist/_/..-.."},
        {"a/{title}",
         "tab\there\x01\x7f"
         "end",
         "a/tab_here__end"},
        {"{title}", "caf\xC3 \xFF\xC0\xAF \xED\xA0\x80 ok", "caf_ ___ ___ ok"},
        {" / {title} /", "  ", "clip"},
        {"{title}", "/", "-"},
    };
    for (const auto& c : cases) {
        const TNameFields fields{"clip", {{"title", c.title}}, "", 0, ""};
        EXPECT_EQ(ExpandNameTemplate(c.name_template, fields), c.expected) << c.name_template;
    }
}

TEST(NameTemplateTest, LongValuesAreCutOnCharacterBoundaries) {
    std::string long_text;
    while (long_text.size() < 300) {
        long_text += "\xE2\x82\xAC";  // three bytes, so no limit falls on a boundary by chance
    }
    const TNameFields fields{"clip", {{"title", long_text}, {"album", long_text}}, "", 0, ""};
    for (const size_t stem_limit : {200u, 1u, 100u, 1000u}) {
        const std::string path = ExpandNameTemplate("{album}/{title}", fields, stem_limit);
        ASSERT_TRUE(IsUtf8(path)) << stem_limit;
        const size_t slash = path.find('/');
        ASSERT_NE(slash, std::string::npos);
        const std::string folder = path.substr(0, slash);
        const std::string stem = path.substr(slash + 1);
        EXPECT_LE(folder.size(), 255u);
        EXPECT_GT(folder.size(), 252u) << "cut no further than the character boundary";
        EXPECT_LE(stem.size(), std::min<size_t>(stem_limit, 255)) << stem_limit;
        EXPECT_FALSE(stem.empty());
        EXPECT_EQ(stem.find('/'), std::string::npos);
    }
}

TEST(NameTemplateTest, FaultyTemplatesAreNamed) {
    const struct {
        const char* name_template;
        const char* problem;  // the start of the text
    } cases[] = {
        {"{foo}", "unknown placeholder {foo}"},
        {"{artist}/{title", "unclosed {"},
        {"{ti{tle}", "unclosed {"},
        {"a}b", "unmatched }"},
        {"{title:02}", "{title:02}: only {track} and {n}"},
        {"{n:2}", "{n:2}: write the width"},
        {"{track:00}", "{track:00}: write the width"},
        {"{Title}", "unknown placeholder {Title}"},
        {"", "the name template is empty"},
    };
    for (const auto& c : cases) {
        const std::string problem = NameTemplateProblem(c.name_template);
        EXPECT_TRUE(problem.starts_with(c.problem)) << c.name_template << ": " << problem;
        try {
            ExpandNameTemplate(c.name_template, TNameFields{"clip", {}, "", 0, ""});
            ADD_FAILURE() << c.name_template << " was expanded";
        } catch (const std::invalid_argument& error) {
            EXPECT_EQ(error.what(), problem);
        }
    }
    EXPECT_EQ(NameTemplateProblem("{{{artist}/{track:09} }}"), "");
}

}  // namespace
}  // namespace v2m
