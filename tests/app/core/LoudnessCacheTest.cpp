// Loudness measurements kept between runs: found again while a file is
// unchanged, bounded, and a damaged cache costs nothing but its entries.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "CoreTestSupport.h"
#include "LoudnessCache.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;
using test::WriteText;

TLoudnessReading Reading(double integrated) {
    return {integrated, 6.5, -1.25, {{0, 3}, {4711, 120}, {7000, 1}}};
}

TLoudnessKey SyntheticKey(uint64_t inode) {
    TLoudnessKey key;
    key.Device = 1;
    key.Inode = inode;
    key.Size = 1000;
    key.Track = 1;
    return key;
}

// Saved and read back by another run while the file is unchanged; written
// to, or asked for another track, it is measured afresh.
TEST(LoudnessCacheTest, AReadingServesUntilTheFileChanges) {
    ScratchDir dir("loudness-cache");
    const fs::path media = dir.Path() / "clip.mp4";
    WriteText(media, "some media");
    const std::string path =
        LoudnessCachePath(test::EnvironmentOf({{"XDG_CACHE_HOME", dir.Folder() + "cache"}}));
    EXPECT_EQ(path, dir.Folder() + "cache/video2mp3/loudness.cache");
    const auto key = LoudnessKeyOf(media.string(), 1);
    ASSERT_TRUE(key.has_value());
    {
        TLoudnessCache cache(path);
        cache.Store(*key, Reading(-23.456789012345));
        std::string problem;
        ASSERT_TRUE(cache.Save(problem)) << problem;
    }
    TLoudnessCache again(path);
    EXPECT_EQ(again.Find(*key), Reading(-23.456789012345));
    EXPECT_FALSE(again.Find(*LoudnessKeyOf(media.string(), 2)).has_value());
    std::ofstream(media, std::ios::app) << "more";
    EXPECT_FALSE(again.Find(*LoudnessKeyOf(media.string(), 1)).has_value());
    EXPECT_FALSE(LoudnessKeyOf((dir.Path() / "gone.mp4").string(), 1).has_value());
}

// Past the bound the entries used longest ago go, in this run and the next.
TEST(LoudnessCacheTest, TheEntriesUsedLongestAgoGoPastTheBound) {
    ScratchDir dir("loudness-bound");
    const std::string path = (dir.Path() / "loudness.cache").string();
    TLoudnessCache cache(path);
    const uint64_t extra = 5;
    for (uint64_t n = 0; n < TLoudnessCache::kMostEntries + extra; ++n) {
        cache.Store(SyntheticKey(n), Reading(-20.0));
        if (n + 1 == TLoudnessCache::kMostEntries) {
            ASSERT_TRUE(cache.Find(SyntheticKey(0)).has_value());  // used again: kept
        }
    }
    std::string problem;
    ASSERT_TRUE(cache.Save(problem)) << problem;
    const auto check = [&](TLoudnessCache& one) {
        EXPECT_EQ(one.Size(), TLoudnessCache::kMostEntries);
        EXPECT_TRUE(one.Find(SyntheticKey(0)).has_value());
        for (uint64_t n = 1; n <= extra; ++n) {
            EXPECT_FALSE(one.Find(SyntheticKey(n)).has_value()) << n;
        }
        EXPECT_TRUE(one.Find(SyntheticKey(TLoudnessCache::kMostEntries + extra - 1)).has_value());
    };
    check(cache);
    TLoudnessCache next_run(path);
    check(next_run);
}

// Damage of every kind leaves out what it touches and nothing else; saving
// writes a whole cache again.
TEST(LoudnessCacheTest, ADamagedCacheIsReadForWhatIsWholeAndRebuilt) {
    const std::string good = "1 2 1000 0 1 -20 6.5 -1.25 1 4711:120";
    struct Case {
        const char* name;
        std::string text;
        size_t kept;
    };
    const Case cases[] = {
        {"another layout", "video2mp3 loudness cache 0\n" + good + "\n", 0},
        {"binary", std::string("\0\xff\x01garbage", 10), 0},
        {"bad lines among good",
         "video2mp3 loudness cache 1\nnot numbers at all\n" + good +
             "\n1 3 1000 0 1 -20 6.5 -1.25 2 4711:120\n1 4 1000 0 1 -20 x -1 0\n",
         1},
        {"a count no line holds", "video2mp3 loudness cache 1\n1 5 9 9 1 -20 6 -1 999999999999\n",
         0},
        {"cut off", "video2mp3 loudness cache 1\n" + good + "\n1 6 1000 0 1 -2", 1},
        {"damaged stretches",
         "video2mp3 loudness cache 1\n" + good +
             "\n1 2 1000 0 1 @5+9 -20 6.5 -1.25 1 4711:120\n1 7 1000 0 1 @5 -20 6 -1 0\n"
             "1 8 1000 0 1 @x+1 -20 6 -1 0\n1 9 1000 0 1 @0+-1 -20 6 -1 0\n"
             "1 10 1000 0 1 @-3+1 -20 6 -1 0\n",
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir("loudness-damaged");
        const std::string path = (dir.Path() / "loudness.cache").string();
        WriteText(path, c.text);
        TLoudnessCache cache(path);
        EXPECT_EQ(cache.Size(), c.kept);
        cache.Store(SyntheticKey(99), Reading(-14.0));
        std::string problem;
        ASSERT_TRUE(cache.Save(problem)) << problem;
        TLoudnessCache rebuilt(path);
        EXPECT_EQ(rebuilt.Size(), c.kept + 1);
        EXPECT_EQ(rebuilt.Find(SyntheticKey(99)), Reading(-14.0));
    }
}

}  // namespace
}  // namespace v2m
