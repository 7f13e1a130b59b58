// Where the settings live, the desktop fallback, and the settings read at
// start-up and written at close, on real folders and files.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "CoreTestSupport.h"
#include "MyUtils.h"
#include "Settings.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using test::EnvironmentOf;
using test::ReadText;
using test::ScratchDir;
using test::WriteText;

constexpr const char* kProductPath = "TolvexSoft/Tolvex Video To MP3 Converter Free/";

TEST(SettingsFolderTest, ComesFromTheXdgConfigFolderOrHome) {
    struct Case {
        const char* what;
        std::map<std::string, std::string> env;
        std::string expected;
    };
    const Case cases[] = {
        {"XDG_CONFIG_HOME wins",
         {{"XDG_CONFIG_HOME", "/cfg"}, {"HOME", "/home/u"}},
         std::string("/cfg/") + kProductPath},
        {"trailing slash kept single",
         {{"XDG_CONFIG_HOME", "/cfg/"}},
         std::string("/cfg/") + kProductPath},
        {"HOME/.config by default",
         {{"HOME", "/home/u"}},
         std::string("/home/u/.config/") + kProductPath},
        {"relative XDG_CONFIG_HOME ignored",
         {{"XDG_CONFIG_HOME", "cfg"}, {"HOME", "/home/u"}},
         std::string("/home/u/.config/") + kProductPath},
        {"relative HOME: unavailable", {{"HOME", "home/u"}}, ""},
        {"nothing set: unavailable", {}, ""},
        {"only a relative XDG_CONFIG_HOME: unavailable", {{"XDG_CONFIG_HOME", "cfg"}}, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SettingsFolderPath(EnvironmentOf(c.env)), c.expected) << c.what;
    }
}

TEST(SettingsFolderTest, IsCreatedWithItsParents) {
    ScratchDir dir("settings-create");
    const TEnvironment env = EnvironmentOf({{"HOME", dir.Path().string()}});
    const std::string folder = PrepareSettingsFolder(env);
    EXPECT_EQ(folder, dir.Folder() + ".config/" + kProductPath);
    EXPECT_TRUE(fs::is_directory(folder));

    std::optional<TIniFile> settings = OpenSettings(env);
    ASSERT_TRUE(settings.has_value());
    EXPECT_EQ(settings->FileName(), folder + "Settings.ini");
    ASSERT_TRUE(settings->WriteString("General", "AddFilesFolder", "/x/"));
    EXPECT_EQ(ReadText(folder + "Settings.ini"), "[General]\nAddFilesFolder=/x/\n");
}

TEST(SettingsFolderTest, UnavailableFolderNeverFallsBackToTheCurrentFolder) {
    ScratchDir dir("settings-unavailable");
    // A file where the configuration folder should be: nothing can be created.
    WriteText(dir.Path() / "blocked", "");
    const std::string previous = WideGetCurrentDir();
    ASSERT_TRUE(WideSetCurrentDir(dir.Path().string()));
    const std::map<std::string, std::string> environments[] = {
        {{"HOME", "relative/home"}},
        {{"XDG_CONFIG_HOME", "relative"}},
        {},
        {{"XDG_CONFIG_HOME", (dir.Path() / "blocked").string()}},
    };
    for (const auto& variables : environments) {
        const TEnvironment env = EnvironmentOf(variables);
        EXPECT_EQ(PrepareSettingsFolder(env), "");
        EXPECT_FALSE(OpenSettings(env).has_value());
    }
    ASSERT_TRUE(WideSetCurrentDir(previous));
    // Only the blocking file is there: no relative settings folder was made.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(DesktopFolderTest, FollowsTheUserDirsFileThenHomeDesktopThenHome) {
    struct Case {
        const char* what;
        std::string user_dirs;             // empty: no file
        std::vector<std::string> folders;  // made under the home folder
        std::string desktop_env;           // XDG_DESKTOP_DIR; "@" stands for the scratch root
        std::string expected;              // relative to the home folder; "@" for the root
    };
    const Case cases[] = {
        {"the file's $HOME path",
         "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n",
         {"Schreibtisch", "Desktop"},
         "",
         "Schreibtisch/"},
        {"escaped quote and blanks",
         "XDG_DESKTOP_DIR=\"$HOME/My \\\"Desk\\\"\"\n",
         {"My \"Desk\""},
         "",
         "My \"Desk\"/"},
        {"a later line wins",
         "XDG_DESKTOP_DIR=\"$HOME/A\"\n  XDG_DESKTOP_DIR = \"$HOME/B\"\n",
         {"A", "B"},
         "",
         "B/"},
        {"other lines and comments ignored",
         "# XDG_DESKTOP_DIR=\"$HOME/C\"\nXDG_MUSIC_DIR=\"$HOME/C\"\n",
         {"C", "Desktop"},
         "",
         "Desktop/"},
        {"a relative value is not valid",
         "XDG_DESKTOP_DIR=\"C\"\n",
         {"C", "Desktop"},
         "",
         "Desktop/"},
        {"$HOME alone is the home folder", "XDG_DESKTOP_DIR=\"$HOME\"\n", {"Desktop"}, "", ""},
        {"a missing folder falls back to home",
         "XDG_DESKTOP_DIR=\"$HOME/Gone\"\n",
         {"Desktop"},
         "",
         ""},
        {"no file: HOME/Desktop", "", {"Desktop"}, "", "Desktop/"},
        {"no file and no Desktop: home", "", {}, "", ""},
        {"no file: the environment's value", "", {"Desktop"}, "@", "@"},
        {"the file wins over the environment", "XDG_DESKTOP_DIR=\"$HOME/D\"\n", {"D"}, "@", "D/"},
    };
    for (const Case& c : cases) {
        ScratchDir dir("desktop");
        const fs::path home = dir.Path() / "home";
        fs::create_directories(home / ".config");
        for (const std::string& folder : c.folders) {
            fs::create_directories(home / folder);
        }
        if (!c.user_dirs.empty()) {
            WriteText(home / ".config" / "user-dirs.dirs", c.user_dirs);
        }
        std::map<std::string, std::string> variables{{"HOME", home.string()}};
        if (c.desktop_env == "@") {
            variables["XDG_DESKTOP_DIR"] = dir.Path().string();
        }
        const std::string expected =
            c.expected == "@" ? dir.Folder() : home.string() + "/" + c.expected;
        EXPECT_EQ(DesktopFolder(EnvironmentOf(variables)), expected) << c.what;
    }
}

TEST(DesktopFolderTest, ReadsTheUserDirsFileFromXdgConfigHome) {
    ScratchDir dir("desktop-config");
    fs::create_directories(dir.Path() / "home" / "Bureau");
    fs::create_directories(dir.Path() / "cfg");
    WriteText(dir.Path() / "cfg" / "user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n");
    const TEnvironment env = EnvironmentOf({{"HOME", (dir.Path() / "home").string()},
                                            {"XDG_CONFIG_HOME", (dir.Path() / "cfg").string()}});
    EXPECT_EQ(DesktopFolder(env), dir.Folder() + "home/Bureau/");
    EXPECT_EQ(DesktopFolder(EnvironmentOf({})), "");
}

// A home folder with a desktop and a settings file, as start-up finds them.
class StartupSettingsTest : public ::testing::Test {
protected:
    StartupSettingsTest()
        : dir_("startup"), env_(EnvironmentOf({{"HOME", (dir_.Path() / "home").string()}})) {
        fs::create_directories(dir_.Path() / "home" / "Desktop");
        fs::create_directories(dir_.Path() / "videos");
        fs::create_directories(dir_.Path() / "music");
    }

    std::string Desktop() const { return dir_.Folder() + "home/Desktop/"; }
    std::string Existing(const char* name) const { return dir_.Folder() + name; }
    TIniFile Settings() const { return TIniFile((dir_.Path() / "Settings.ini").string()); }
    void WriteSettings(const std::string& general) const {
        WriteText(dir_.Path() / "Settings.ini", "[General]\n" + general);
    }

    ScratchDir dir_;
    TEnvironment env_;
};

TEST_F(StartupSettingsTest, FolderOrDesktopKeepsExistingFoldersOnly) {
    WriteText(dir_.Path() / "a file", "");
    struct Case {
        std::string path;
        std::string expected;
    };
    const Case cases[] = {
        {Existing("videos"), Existing("videos")},
        {Existing("videos/"), Existing("videos/")},
        {Existing("gone"), Desktop()},
        {"", Desktop()},
        {Existing("a file"), Desktop()},
        {"videos", Desktop()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FolderOrDesktop(c.path, env_), c.expected) << "'" << c.path << "'";
    }
}

TEST_F(StartupSettingsTest, StaleOrEmptyDialogFoldersBecomeTheDesktop) {
    struct Case {
        std::string stored;  // the General lines
        std::string add_files;
        std::string add_folder;
    };
    const Case cases[] = {
        {"AddFilesFolder=" + Existing("gone/") + "\nAddFolderPath=" + Existing("music/") + "\n",
         Desktop(), Existing("music/")},
        {"AddFilesFolder=\nAddFolderPath=" + Existing("gone") + "\n", Desktop(), Desktop()},
        {"AddFilesFolder=" + Existing("videos") + "\n", Existing("videos"), Desktop()},
        {"", Desktop(), Desktop()},
    };
    for (const Case& c : cases) {
        WriteSettings(c.stored);
        const TStartupFolders folders = ReadStartupSettings(Settings(), env_);
        EXPECT_EQ(folders.AddFilesFolder, c.add_files) << c.stored;
        EXPECT_EQ(folders.AddFolderPath, c.add_folder) << c.stored;
    }
}

TEST_F(StartupSettingsTest, OutputFoldersAreReadInKeyOrderSkippingEmptyValues) {
    struct Case {
        std::string stored;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"OutputFolder0=/a/\nOutputFolder1=\nOutputFolder2=/c/\n", {"/a/", "/c/"}},
        {"OutputFolder4=/e/\nOutputFolder0=/a/\n", {"/a/", "/e/"}},
        // Kept as stored: an output folder is checked only when a conversion starts.
        {"OutputFolder0=/gone/\n", {"/gone/"}},
        {"OutputFolder5=/f/\n", {Desktop()}},
        {"", {Desktop()}},
    };
    for (const Case& c : cases) {
        WriteSettings(c.stored);
        EXPECT_EQ(ReadStartupSettings(Settings(), env_).OutputFolders, c.expected) << c.stored;
    }
}

TEST_F(StartupSettingsTest, CopyTagsIsOnUntilStoredOff) {
    WriteSettings("");
    EXPECT_TRUE(ReadCopyTagsSetting(Settings()));
    TIniFile settings = Settings();
    ASSERT_TRUE(WriteCopyTagsSetting(settings, false));
    EXPECT_FALSE(ReadCopyTagsSetting(settings));
    ASSERT_TRUE(WriteCopyTagsSetting(settings, true));
    EXPECT_TRUE(ReadCopyTagsSetting(settings));
}

TEST_F(StartupSettingsTest, CoverFromVideoIsOffUntilStoredOn) {
    WriteSettings("");
    EXPECT_FALSE(ReadCoverFromVideoSetting(Settings()));
    TIniFile settings = Settings();
    ASSERT_TRUE(WriteCoverFromVideoSetting(settings, true));
    EXPECT_TRUE(ReadCoverFromVideoSetting(settings));
    EXPECT_TRUE(ReadCopyTagsSetting(settings)) << "a key of its own";
}

TEST_F(StartupSettingsTest, AGapInTheOutputKeysCloses) {
    WriteSettings("OutputFolder0=/a/\nOutputFolder1=\nOutputFolder2=/c/\n");
    TIniFile settings = Settings();
    const TStartupFolders folders = ReadStartupSettings(settings, env_);
    ASSERT_TRUE(WriteClosingSettings(settings, folders.AddFilesFolder, "/dialog/now/",
                                     folders.OutputFolders));
    const TIniFile reread = Settings();
    EXPECT_EQ(reread.ReadString("General", "OutputFolder0", "?"), "/a/");
    EXPECT_EQ(reread.ReadString("General", "OutputFolder1", "?"), "/c/");
    for (const char* key : {"OutputFolder2", "OutputFolder3", "OutputFolder4"}) {
        EXPECT_TRUE(reread.ValueExists("General", key)) << key;
        EXPECT_EQ(reread.ReadString("General", key, "?"), "") << key;
    }
    EXPECT_EQ(reread.ReadString("General", "AddFilesFolder", "?"), Desktop());
    EXPECT_EQ(reread.ReadString("General", "AddFolderPath", "?"), "/dialog/now/");
}

TEST_F(StartupSettingsTest, BrowseKeepsTheNewestFiveAndListsRepeatsAgain) {
    struct Case {
        const char* what;
        std::string stored;
        std::vector<std::string> chosen;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"six choices keep the newest five",
         "",
         {"/1", "/2", "/3", "/4", "/5", "/6"},
         {"/6/", "/5/", "/4/", "/3/", "/2/"}},
        {"the same folder twice is listed twice",
         "",
         {"/same/", "/same"},
         {"/same/", "/same/", Desktop()}},
        {"a stored list is pushed down",
         "OutputFolder0=/a/\nOutputFolder1=/b/\nOutputFolder2=/c/\nOutputFolder3=/d/"
         "\nOutputFolder4=/e/\n",
         {"/new"},
         {"/new/", "/a/", "/b/", "/c/", "/d/"}},
    };
    for (const Case& c : cases) {
        WriteSettings(c.stored);
        TIniFile settings = Settings();
        std::vector<std::string> list = ReadStartupSettings(settings, env_).OutputFolders;
        for (const std::string& folder : c.chosen) {
            AddChosenOutputFolder(list, folder);
            EXPECT_LE(list.size(), 5u) << c.what;
        }
        EXPECT_EQ(list, c.expected) << c.what;
        ASSERT_TRUE(WriteClosingSettings(settings, "", "", list));
        // The next start lists exactly what was saved.
        EXPECT_EQ(ReadStartupSettings(Settings(), env_).OutputFolders, c.expected) << c.what;
    }
}

TEST(BrowseStartFolderTest, GetsATrailingSlashUnlessEmpty) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""}, {"/a", "/a/"}, {"/a/", "/a/"}, {"/", "/"}};
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(BrowseStartFolder(text), expected) << text;
    }
}

TEST(ClosingSettingsTest, ReportsAFailedWriteButWritesTheRest) {
    ScratchDir dir("closing-fail");
    TIniFile nowhere((dir.Path() / "missing" / "Settings.ini").string());
    const std::vector<std::string> folders = {"/a/"};
    EXPECT_FALSE(WriteClosingSettings(nowhere, "/x/", "/y/", folders));
    EXPECT_FALSE(fs::exists(dir.Path() / "missing"));
}

// Only the offered targets read back; anything else is the default -16 LUFS.
TEST(LoudnessSettingTest, ReadsWhatWasWrittenAndOnlyOfferedTargets) {
    ScratchDir dir("loudness-setting");
    const std::string file = (dir.Path() / "Settings.ini").string();
    struct Case {
        std::string text;
        bool normalize;
        double target;
    };
    for (const Case& c :
         {Case{"", false, -16.0}, Case{"NormalizeLoudness=1\nLoudnessTarget=-23\n", true, -23.0},
          Case{"NormalizeLoudness=0\nLoudnessTarget=-20\n", false, -16.0},
          Case{"LoudnessTarget=loud\n", false, -16.0}}) {
        SCOPED_TRACE(c.text);
        WriteText(file, "[Convert]\n" + c.text);
        const TLoudnessSetting read = ReadLoudnessSetting(TIniFile(file));
        EXPECT_EQ(read.Normalize, c.normalize);
        EXPECT_EQ(read.Target, c.target);
    }
    TIniFile settings(file);
    ASSERT_TRUE(WriteLoudnessSetting(settings, {true, -14.0}));
    EXPECT_TRUE(ReadLoudnessSetting(TIniFile(file)).Normalize);
    EXPECT_EQ(ReadLoudnessSetting(TIniFile(file)).Target, -14.0);
    for (const TLoudnessSetting written :
         {TLoudnessSetting{false, -18.0, true, true}, TLoudnessSetting{true, -16.0, true, false}}) {
        ASSERT_TRUE(WriteLoudnessSetting(settings, written));
        EXPECT_EQ(ReadLoudnessSetting(TIniFile(file)), written);
    }
}

}  // namespace
}  // namespace v2m
