// The file list: column texts, masks, the folder scan on real folders, and
// adding generated media through the real probe.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "AVProbe.h"
#include "CoreTestSupport.h"
#include "FFmpegLoader.h"
#include "FileList.h"
#include "FixtureGenerator.h"
#include "TestSupport.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;
using test::WriteText;

constexpr int64_t kSecond = 1000000;

TEST(FileListTextTest, DurationIsWholeHoursMinutesAndSeconds) {
    struct Case {
        int64_t duration;
        const char* expected;
    };
    const Case cases[] = {
        {(3 * 3600 + 5 * 60 + 7) * kSecond + 900000, "03:05:07"},
        {100 * 3600 * kSecond, "100:00:00"},
        {24 * 3600 * kSecond, "24:00:00"},
        {59 * kSecond + 999999, "00:00:59"},
        {60 * kSecond, "00:01:00"},
        {1, "00:00:00"},
        {0, "N/A"},
        {-1, "N/A"},
        {std::numeric_limits<int64_t>::min(), "N/A"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DurationColumnText(c.duration), c.expected) << c.duration;
    }
}

TEST(FileListTextTest, SizeCountsWholeKibibytesFirst) {
    struct Case {
        int64_t size;
        const char* expected;
    };
    const Case cases[] = {
        {1572864, "1.50MB"},
        {0, "0.00MB"},
        {1023, "0.00MB"},
        // Five whole KiB are 0.0049 MiB; the 1023 bytes beyond them are dropped
        // before the second division, so the text does not round up to 0.01.
        {5 * 1024 + 1023, "0.00MB"},
        {1048576 + 1023, "1.00MB"},
        // 1023 whole KiB are 0.99902 MiB, which "%.2f" rounds to 1.00.
        {1048575, "1.00MB"},
        {int64_t{10} * 1024 * 1024 * 1024, "10240.00MB"},
        {-1, "0.00MB"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SizeColumnText(c.size), c.expected) << c.size;
    }
    EXPECT_EQ(InitialOutputSizeText(TAddCommand::AddFiles), "0.0MB");
    EXPECT_EQ(InitialOutputSizeText(TAddCommand::AddFolder), "0");
}

TEST(MaskTest, MatchesWholeNamesWithoutRegardToCase) {
    struct Case {
        const char* name;
        const char* mask;
        bool matches;
    };
    const Case cases[] = {
        {"clip.avi", "*.AVI", true},      {"CLIP.Avi", "*.avi", true},
        {"clip.avi.txt", "*.AVI", false}, {"clip.avi", "*.AVI.TXT", false},
        {"a.rmvb", "*.RM", false},        {"a.rmvb", "*.RMVB", true},
        {".avi", "*.AVI", true},          {"avi", "*.AVI", false},
        {"x.ts", "?.TS", true},           {"xy.ts", "?.TS", false},
        {"a.b.c", "*.*", true},           {"noext", "*.*", false},
        {"anything", "*", true},          {"", "*", true},
        {"aaa.mpg", "*a*a*.MPG", true},   {"ab.mpeg", "*.MPG", false},
        {"Ünïcode.MKV", "*.mkv", true},   {"file.3gp", "*.3GP", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MatchesMask(c.name, c.mask), c.matches) << c.name << " vs " << c.mask;
    }
}

TEST(MaskTest, PatternTextsSplitIntoTheVideoMasks) {
    const std::vector<std::string>& masks = VideoFileMasks();
    ASSERT_EQ(masks.size(), 27u);
    for (const std::string& mask : masks) {
        EXPECT_EQ(mask.rfind("*.", 0), 0u) << mask;
    }
    const std::vector<TDialogFilter> filter = ParseDialogFilter(kAddFilesFilter);
    ASSERT_EQ(filter.size(), 2u);
    EXPECT_EQ(filter[0].Caption, "Video Files");
    EXPECT_EQ(filter[0].Masks, masks);
    EXPECT_EQ(filter[1].Caption, "All Files");
    EXPECT_EQ(filter[1].Masks, std::vector<std::string>{"*.*"});
    EXPECT_EQ(SplitMasks(";;*.A;;*.B"), (std::vector<std::string>{"*.A", "*.B"}));

    const std::pair<const char*, const char*> folded[] = {
        {"*.AVI", "*.[aA][vV][iI]"}, {"*.3gp", "*.3[gG][pP]"}, {"?.*", "?.*"}, {"", ""}};
    for (const auto& [mask, expected] : folded) {
        EXPECT_EQ(CaseFoldedMask(mask), expected) << mask;
    }
}

// A folder with videos, near-misses, a sub-folder and things that are no files.
class FolderScanTest : public ::testing::Test {
protected:
    FolderScanTest() : dir_("scan") {
        const fs::path& d = dir_.Path();
        for (const char* name : {"clip.avi", "CLIP2.MP4", "clip.avi.txt", "notes.txt",
                                 ".hidden.mkv", "movie.Rmvb", "noext"}) {
            WriteText(d / name, "x");
        }
        fs::create_directories(d / "sub");
        WriteText(d / "sub" / "inner.avi", "x");
        fs::create_directories(d / "folder.avi");
        fs::create_symlink(d / "clip.avi", d / "link.wmv");
        fs::create_symlink(d / "gone.avi", d / "dangling.avi");
        fs::create_symlink(d / "sub", d / "linked_folder.mpg");
        ::mkfifo((d / "pipe.avi").c_str(), 0600);
    }

    std::vector<std::string> Paths(std::initializer_list<const char*> names) const {
        std::vector<std::string> paths;
        for (const char* name : names) {
            paths.push_back(dir_.Folder() + name);
        }
        return paths;
    }

    ScratchDir dir_;
};

TEST_F(FolderScanTest, FindsVideoFilesDirectlyInTheFolderOnly) {
    const std::vector<std::string> expected =
        Paths({".hidden.mkv", "CLIP2.MP4", "clip.avi", "link.wmv", "movie.Rmvb"});
    // With and without the trailing slash, the paths carry exactly one.
    for (const std::string& folder : {dir_.Path().string(), dir_.Folder()}) {
        const auto found = ScanVideoFolder(folder);
        ASSERT_TRUE(found.has_value()) << folder;
        EXPECT_EQ(*found, expected) << folder;
    }
}

TEST_F(FolderScanTest, ListsEveryPlainFileForStarDotStar) {
    const auto all = ListFolderFiles(dir_.Path().string(), "*.*");
    ASSERT_TRUE(all.has_value());
    EXPECT_EQ(*all, Paths({".hidden.mkv", "CLIP2.MP4", "clip.avi", "clip.avi.txt", "link.wmv",
                           "movie.Rmvb", "noext", "notes.txt"}));
    const auto texts = ListFolderFiles(dir_.Path().string(), "*.TXT");
    ASSERT_TRUE(texts.has_value());
    EXPECT_EQ(*texts, Paths({"clip.avi.txt", "notes.txt"}));
}

TEST_F(FolderScanTest, TreeScanEntersSubFoldersButNotLinkedOnes) {
    fs::create_directories(dir_.Path() / "sub" / "deeper");
    WriteText(dir_.Path() / "sub" / "deeper" / "deep.mkv", "x");
    std::vector<std::string> expected =
        Paths({".hidden.mkv", "CLIP2.MP4", "clip.avi", "link.wmv", "movie.Rmvb", "sub/inner.avi",
               "sub/deeper/deep.mkv"});
    EXPECT_EQ(ScanVideoTree(dir_.Path().string()), expected);
    EXPECT_EQ(AddFolderPlan(dir_.Path().string(), false).size(), 5u);
}

TEST_F(FolderScanTest, TreeOutputFoldersAreMadeWithoutTouchingWhatExists) {
    const std::string out = dir_.Folder() + "out/";
    fs::create_directories(out + "a");
    WriteText(out + "a/kept.mp3", "mine");
    const std::string root = "/videos";
    EXPECT_EQ(TreeOutputFolder(out, root, "/videos/top.avi"), out);
    EXPECT_EQ(TreeOutputFolder(out, root, "/elsewhere/x.avi"), out);
    TJobRequest request;
    request.OutputFolder = out;
    EXPECT_EQ(PrepareTreeOutput(request, root, "/videos/a/b/c/deep.avi"), "");
    EXPECT_EQ(request.OutputFolder, out + "a/b/c");
    EXPECT_TRUE(fs::is_directory(out + "a/b/c"));
    EXPECT_EQ(test::ReadText(out + "a/kept.mp3"), "mine");
    // A link or a file where a folder of the tree goes is never written through.
    fs::create_symlink(dir_.Path() / "sub", out + "linked");
    WriteText(out + "plain", "x");
    for (const char* file : {"/videos/linked/x.avi", "/videos/plain/x.avi"}) {
        TJobRequest refused;
        refused.OutputFolder = out;
        EXPECT_NE(PrepareTreeOutput(refused, root, file), "") << file;
        EXPECT_EQ(refused.OutputFolder, out);
    }
    EXPECT_FALSE(fs::exists(dir_.Path() / "sub" / "x.avi"));
}

TEST_F(FolderScanTest, MissingFolderGivesNoList) {
    EXPECT_FALSE(ScanVideoFolder(dir_.Folder() + "gone").has_value());
    EXPECT_FALSE(ScanVideoFolder(dir_.Folder() + "clip.avi").has_value());
    EXPECT_FALSE(ScanVideoFolder("").has_value());
}

TEST(AudioTrackTest, LanguagesMatchInAnyOfTheirCodeForms) {
    std::vector<TAudioTrack> tracks(3);
    tracks[0].Language = "und";
    tracks[1].Language = "GER";
    tracks[2].Language = "fra";
    struct Case {
        const char* wanted;
        int track;
    };
    const Case cases[] = {{"ger", 1}, {"deu", 1},  {"de", 1}, {"fre", 2}, {"FR", 2},
                          {"und", 0}, {"eng", -1}, {"d", -1}, {"", -1}};
    for (const Case& c : cases) {
        EXPECT_EQ(TrackOfLanguage(tracks, c.wanted), c.track) << c.wanted;
    }
    // Without a track marked default, the first is.
    EXPECT_EQ(DefaultAudioTrack(tracks), 0);
    tracks[2].Default = true;
    EXPECT_EQ(DefaultAudioTrack(tracks), 2);
    EXPECT_EQ(DefaultAudioTrack({}), -1);
}

TEST(FileListTest, RemovesRowsByIndexAndTracksConversion) {
    TFileList list;
    for (const char* name : {"/a.avi", "/b.avi", "/c.avi", "/d.avi"}) {
        TProbedFile probed{true, kSecond, 1024, ""};
        list.Append(MakeFileRow(name, probed, "mp3", TAddCommand::AddFiles));
    }
    EXPECT_FALSE(list.AnyConverted());
    EXPECT_FALSE(list.AllConverted());
    list.Row(1).Data.Progress = 100;
    EXPECT_TRUE(list.AnyConverted());

    list.Remove({3, 0, 3, 99});
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.Rows()[0].Data.FileName, "/b.avi");
    EXPECT_EQ(list.Rows()[1].Data.FileName, "/c.avi");

    list.SetOutputExt("wav");
    for (const TFileRow& row : list.Rows()) {
        EXPECT_EQ(row.Output, "wav");
    }
    list.Row(1).Data.Progress = 100;
    EXPECT_TRUE(list.AllConverted());
    list.Clear();
    EXPECT_TRUE(list.Empty());
    EXPECT_TRUE(list.AllConverted());
    EXPECT_FALSE(list.AnyConverted());
}

// Adding generated clips through the real probe.
class AddMediaTest : public ::testing::Test {
protected:
    AddMediaTest() : dir_("add-media") {}

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(test::LoadConverterLibs());
        // Copies under new names, so the folder holds exactly what the test needs.
        Copy("avi_mpeg4_mp2.avi", "first.avi");
        Copy("mp4_h264_aac.mp4", "second.MP4");
        Copy(fixtures::kNotMedia, "broken.avi");
    }

    void Copy(const std::string& fixture, const std::string& name) {
        ASSERT_TRUE(fs::exists(test::Fixture(fixture))) << fixture;
        fs::copy_file(test::Fixture(fixture), dir_.Path() / name);
    }
    std::string PathOf(const std::string& name) const { return dir_.Folder() + name; }

    ScratchDir dir_;
    TAVProbe probe_;
};

// The seconds a "hh:mm:ss" text stands for.
int64_t SecondsOf(const std::string& text) {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    EXPECT_EQ(std::sscanf(text.c_str(), "%d:%d:%d", &hours, &minutes, &seconds), 3) << text;
    return hours * 3600 + minutes * 60 + seconds;
}

TEST_F(AddMediaTest, RowsShowTheProbedDurationAndSize) {
    TFileList list;
    const std::vector<std::string> paths = {PathOf("first.avi"), PathOf("second.MP4")};
    const TAddResult result = AddFiles(list, paths, ProbeWith(probe_), "mp3");
    EXPECT_EQ(result.Added, 2u);
    EXPECT_TRUE(result.LogLines.empty());
    EXPECT_EQ(result.LastAddedFolder, dir_.Folder());
    ASSERT_EQ(list.Count(), 2u);

    const struct {
        const char* fixture;
        const char* name;
    } expected[] = {{"avi_mpeg4_mp2.avi", "first.avi"}, {"mp4_h264_aac.mp4", "second.MP4"}};
    for (size_t i = 0; i < 2; ++i) {
        const TFileRow& row = list.Rows()[i];
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(row.Name, expected[i].name);
        EXPECT_EQ(row.Data.FileName, PathOf(expected[i].name));
        EXPECT_EQ(row.Data.OutputFile, "");
        EXPECT_EQ(row.Data.Progress, 0);
        const double clip_seconds =
            fixtures::FindStandardClip(expected[i].fixture)->recipe.duration_s;
        EXPECT_NEAR(static_cast<double>(SecondsOf(row.Duration)), clip_seconds, 1.0);
        const double megabytes =
            static_cast<double>(fs::file_size(row.Data.FileName)) / (1024.0 * 1024.0);
        double shown = 0;
        ASSERT_EQ(std::sscanf(row.OriginalSize.c_str(), "%lfMB", &shown), 1) << row.OriginalSize;
        EXPECT_NEAR(shown, megabytes, 0.006);
        EXPECT_EQ(row.OriginalSize.substr(row.OriginalSize.size() - 2), "MB");
        EXPECT_EQ(row.Output, "mp3");
        EXPECT_EQ(row.Progress, "0%");
        EXPECT_EQ(row.OutputSize, "0.0MB");
    }
}

TEST_F(AddMediaTest, AddFilesSkipsListedFilesAndAddFolderListsThemAgain) {
    TFileList list;
    const std::vector<std::string> twice = {PathOf("first.avi"), PathOf("first.avi")};
    EXPECT_EQ(AddFiles(list, twice, ProbeWith(probe_), "mp3").Added, 1u);
    const std::vector<std::string> again = {PathOf("first.avi")};
    const TAddResult repeat = AddFiles(list, again, ProbeWith(probe_), "mp3");
    EXPECT_EQ(repeat.Added, 0u);
    EXPECT_EQ(repeat.LastAddedFolder, "");
    ASSERT_EQ(list.Count(), 1u);

    const TAddResult folder = AddFolder(list, dir_.Path().string(), ProbeWith(probe_), "wav");
    // Both videos of the folder, the first one a second time; the broken one is logged.
    EXPECT_EQ(folder.Added, 2u);
    EXPECT_EQ(folder.Failed, 1u);
    std::vector<std::string> names;
    for (const TFileRow& row : list.Rows()) {
        names.push_back(row.Name + " " + row.OutputSize + " " + row.Output);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"first.avi 0.0MB mp3", "first.avi 0 wav",
                                               "second.MP4 0 wav"}));
    EXPECT_TRUE(list.FileInList(PathOf("second.MP4")));
    EXPECT_FALSE(list.FileInList(PathOf("SECOND.MP4")));
}

TEST_F(AddMediaTest, AudioColumnShowsTheChosenTrackAndCopy) {
    Copy("mkv_ac3_51_two_audio.mkv", "two.mkv");
    TFileList list;
    const std::vector<std::string> paths = {PathOf("first.avi"), PathOf("two.mkv")};
    ASSERT_EQ(AddFiles(list, paths, ProbeWith(probe_), "mp2").Added, 2u);
    EXPECT_EQ(list.Rows()[0].Audio, "1: und MP2 stereo");
    EXPECT_TRUE(list.Rows()[1].Audio.starts_with("1: und AC3 5.1")) << list.Rows()[1].Audio;

    // Only the rows that have the language change their track.
    EXPECT_EQ(list.ChooseAudioLanguage("GER"), 1u);
    TJobRequest request;
    request.ProfileExt = "mp2";
    list.UpdateAudioTexts(request);
    EXPECT_EQ(list.Rows()[0].Audio, "1: und MP2 stereo copy");
    EXPECT_EQ(list.Rows()[1].Audio, "2: ger MP2 stereo copy");
    request.Volume.Index = 1;
    list.UpdateAudioTexts(request);
    EXPECT_EQ(list.Rows()[1].Audio, "2: ger MP2 stereo");
}

TEST_F(AddMediaTest, UnreadableFileIsLoggedAndTheCommandGoesOn) {
    TFileList list;
    const std::vector<std::string> paths = {PathOf("first.avi"), PathOf("broken.avi"),
                                            PathOf("missing.avi"), PathOf("second.MP4")};
    const TAddResult result = AddFiles(list, paths, ProbeWith(probe_), "mp3");
    EXPECT_EQ(result.Added, 2u);
    EXPECT_EQ(result.Failed, 2u);
    EXPECT_EQ(result.LastAddedFolder, dir_.Folder());
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.Rows()[1].Name, "second.MP4");

    ASSERT_EQ(result.LogLines.size(), 6u);
    for (size_t i = 0; i < result.LogLines.size(); i += 3) {
        EXPECT_EQ(result.LogLines[i], "");
        EXPECT_EQ(result.LogLines[i + 1].rfind("***File load error: ", 0), 0u)
            << result.LogLines[i + 1];
        EXPECT_GT(result.LogLines[i + 1].size(), std::string("***File load error: ").size());
        EXPECT_EQ(result.LogLines[i + 2], "");
    }
    EXPECT_NE(result.LogLines[4].find("missing.avi"), std::string::npos) << result.LogLines[4];
}

TEST_F(AddMediaTest, FolderThatVanishedAddsNothing) {
    TFileList list;
    const TAddResult result = AddFolder(list, dir_.Folder() + "gone", ProbeWith(probe_), "mp3");
    EXPECT_EQ(result.Added + result.Failed, 0u);
    EXPECT_TRUE(list.Empty());
}

TEST(ProbeWithoutLibrariesTest, NotLoadedLibrariesAreALoadFailure) {
    FFLoader().UnloadLibraries(ConverterLibs);
    TAVProbe probe;
    TFileList list;
    const std::vector<std::string> paths = {test::Fixture("avi_mpeg4_mp2.avi").string()};
    const TAddResult result = AddFiles(list, paths, ProbeWith(probe), "mp3");
    EXPECT_TRUE(list.Empty());
    ASSERT_EQ(result.LogLines.size(), 3u);
    EXPECT_NE(result.LogLines[1].find("not loaded"), std::string::npos) << result.LogLines[1];
}

}  // namespace
}  // namespace v2m
