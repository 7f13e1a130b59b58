// Split points from pasted lists and from cue sheets on disk (through libcue),
// the refusals a user has to act on, and the pieces a file's chapters make.

#include <gtest/gtest.h>

#include <vector>

#include "CoreTestSupport.h"
#include "SplitPoints.h"

namespace v2m {
namespace {

using test::ScratchDir;
using test::WriteText;

constexpr int64_t kS = 1'000'000;

TEST(SplitPointsTest, TimesReadAndWrite) {
    const struct {
        const char* text;
        std::optional<int64_t> micro;
    } cases[] = {
        {"1:02:10.5", 3730 * kS + 500'000},
        {"03:25", 205 * kS},
        {"75.25", 75 * kS + 250'000},
        {"0:00", 0},
        {"90:00", 5400 * kS},  // minutes may run on when they are the highest field
        {"0:00.0000005", 1},
        {"-0:05", std::nullopt},
        {"1:60", std::nullopt},
        {"1:60:00", std::nullopt},
        {"1:2:3:4", std::nullopt},
        {"1.5:00", std::nullopt},
        {"12:3x", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseTimeText(c.text), c.micro) << c.text;
    }
    for (const char* text : {"1:02:10.500", "3:25", "58:31", "0:00.001", "10:00:00"}) {
        const auto micro = ParseTimeText(text);
        ASSERT_TRUE(micro) << text;
        EXPECT_EQ(TimeText(*micro), text);
    }
}

TEST(SplitPointsTest, ListSpellingsGiveTheSamePieces) {
    const char* spellings[] = {
        "Tracklist:\n0:00 Intro\n03:25 - Song Two\n1:02:10 Encore\n",
        "\xEF\xBB\xBF[0:00] Intro\r\n[3:25] Song Two\r\nSee you in 2019 at 8:00pm\r\n"
        "[1:02:10] Encore",
        "1. (00:00) | Intro\n2. (03:25) \xE2\x80\x93 Song Two\n\n3. (1:02:10): Encore\n",
    };
    for (const char* text : spellings) {
        const auto pieces = PiecesFromPoints(ParseTimestampList(text), 4000 * kS);
        ASSERT_EQ(pieces.size(), 3u) << text;
        const std::vector<std::pair<int64_t, int64_t>> stretches = {
            {0, 205 * kS}, {205 * kS, 3525 * kS}, {3730 * kS, -1}};
        const char* titles[] = {"Intro", "Song Two", "Encore"};
        for (size_t i = 0; i < pieces.size(); ++i) {
            EXPECT_EQ(std::make_pair(pieces[i].Start, pieces[i].Length), stretches[i]) << text;
            EXPECT_EQ(pieces[i].Title, titles[i]) << text;
            EXPECT_EQ(pieces[i].Number, static_cast<int>(i) + 1);
            EXPECT_EQ(pieces[i].Total, 3);
        }
    }
}

TEST(SplitPointsTest, PerformersOnlyWhenEveryTitleHasOne) {
    const struct {
        const char* text;
        std::vector<std::string> titles, performers;
    } cases[] = {
        {"0:00 Ann - One\n4:00 Bob \xE2\x80\x93 Two - Live\n",
         {"One", "Two - Live"},
         {"Ann", "Bob"}},
        {"0:00 Intro - live\n4:00 Outro\n6:00\n", {"Intro - live", "Outro", ""}, {"", "", ""}},
    };
    for (const auto& c : cases) {
        const auto points = ParseTimestampList(c.text);
        ASSERT_EQ(points.size(), c.titles.size()) << c.text;
        for (size_t i = 0; i < points.size(); ++i) {
            EXPECT_EQ(points[i].Title, c.titles[i]) << c.text;
            EXPECT_EQ(points[i].Performer, c.performers[i]) << c.text;
        }
    }
    EXPECT_THROW(ParseTimestampList("Thanks for watching!\n2019 tour\n"), ESplitPointsError);
}

TEST(SplitPointsTest, CueSheetsOnDisk) {
    ScratchDir dir("split-cue");
    const std::string sheet =
        "REM DATE 2001\n"
        "PERFORMER \"Disc Band\"\n"
        "TITLE \"Album\"\n"
        "FILE \"concert.wav\" WAVE\n"
        "  TRACK 01 AUDIO\n"
        "    TITLE \"Opening\"\n"
        "    INDEX 01 00:00:00\n"
        "  TRACK 02 AUDIO\n"
        "    TITLE \"Guest Song\"\n"
        "    PERFORMER \"Guest Singer\"\n"
        "    INDEX 00 03:20:00\n"
        "    INDEX 01 03:22:37\n"
        "  TRACK 03 AUDIO\n"
        "    INDEX 01 10:00:00";
    // By extension, and by content under a name that says nothing.
    for (const char* name : {"concert.CUE", "tracks.txt"}) {
        WriteText(dir.Path() / name, sheet);
        const auto points = ReadSplitPointsFile((dir.Path() / name).string());
        ASSERT_EQ(points.size(), 3u) << name;
        EXPECT_EQ(points[1].Start, 202 * kS + 493'333) << "37 of 75 frames after 3:22";
        EXPECT_EQ(points[2].Start, 600 * kS);
        EXPECT_EQ(points[0].Title, "Opening");
        EXPECT_EQ(points[2].Title, "");
        EXPECT_EQ(points[0].Performer, "Disc Band");
        EXPECT_EQ(points[1].Performer, "Guest Singer");
        EXPECT_EQ(points[2].Performer, "Disc Band");
        EXPECT_EQ(points[0].Line, 7);
        EXPECT_EQ(points[1].Line, 12);
        const auto pieces = PiecesFromPoints(points, 900 * kS);
        EXPECT_EQ(pieces[2].Title, "Chapter 3");
    }
    const struct {
        const char* name;
        const char* text;
    } faulty[] = {
        {"garbage.cue", "this is no cue sheet\n"},
        {"no-tracks.cue", "PERFORMER \"x\"\nFILE \"a.wav\" WAVE\n"},
        {"no-index.cue", "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 00 00:01:00\n"},
        {"two-files.cue",
         "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
         "FILE \"b.wav\" WAVE\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n"},
        {"absent.cue", nullptr},
    };
    for (const auto& f : faulty) {
        const auto path = dir.Path() / f.name;
        if (f.text != nullptr) {
            WriteText(path, f.text);
        }
        try {
            ReadCueSheet(path.string());
            ADD_FAILURE() << f.name << " was read";
        } catch (const ESplitPointsError& error) {
            EXPECT_NE(std::string(error.what()).find(f.name), std::string::npos) << error.what();
        }
    }
}

TEST(SplitPointsTest, RefusalsNameTheLine) {
    const struct {
        std::vector<TSplitPoint> points;
        int64_t duration;
        const char* message;
    } cases[] = {
        {ParseTimestampList("Tracks:\n0:00 A\n\n58:00 B\n1:02:10 C\n"), 3511 * kS,
         "line 5: 1:02:10 is past the end of the file (58:31)"},
        {ParseTimestampList("0:00 A\n58:31 B\n"), 3511 * kS,
         "line 2: 58:31 is at the end of the file (58:31)"},
        {ParseTimestampList("0:00 A\nmore text\n13:05 B\n12:00 C\n"), -1,
         "line 4: 12:00 comes before the point above it (13:05)"},
        {ParseTimestampList("0:00 A\n13:05 B\n\n13:05 C\n"), -1,
         "line 4: 13:05 repeats the point above it"},
        {{{0, "", "", 0}, {10 * kS, "", "", 0}, {5 * kS, "", "", 0}},
         -1,
         "point 3: 0:05 comes before the point above it (0:10)"},
    };
    for (const auto& c : cases) {
        try {
            PiecesFromPoints(c.points, c.duration);
            ADD_FAILURE() << c.message << ": accepted";
        } catch (const ESplitPointsError& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}

TEST(SplitPointsTest, ChaptersNeverOverlap) {
    const struct {
        std::vector<TChapterMark> chapters;
        int64_t duration;
        std::vector<std::pair<int64_t, int64_t>> stretches;
        std::vector<std::string> titles;
    } cases[] = {
        {{{0, 10 * kS, "A"},
          {8 * kS, 20 * kS, ""},
          {20 * kS, 20 * kS, "Empty"},
          {20 * kS, -1, "D"},
          {30 * kS, 50 * kS, "E"},
          {45 * kS, 60 * kS, "Beyond"}},
         40 * kS,
         {{0, 10 * kS}, {10 * kS, 10 * kS}, {20 * kS, 10 * kS}, {30 * kS, 10 * kS}},
         {"A", "Chapter 2", "D", "E"}},
        {{{0, -1, ""}, {5 * kS, -1, ""}},
         -1,
         {{0, 5 * kS}, {5 * kS, -1}},
         {"Chapter 1", "Chapter 2"}},
    };
    for (const auto& c : cases) {
        const auto pieces = PiecesFromChapters(c.chapters, c.duration);
        ASSERT_EQ(pieces.size(), c.stretches.size());
        for (size_t i = 0; i < pieces.size(); ++i) {
            EXPECT_EQ(std::make_pair(pieces[i].Start, pieces[i].Length), c.stretches[i]) << i;
            EXPECT_EQ(pieces[i].Title, c.titles[i]);
            EXPECT_EQ(pieces[i].Total, static_cast<int>(pieces.size()));
        }
    }
}

}  // namespace
}  // namespace v2m
