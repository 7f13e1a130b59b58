#pragma once
// The per-user settings: where they live, the folders the program falls back
// to, and the values read at start-up and written at close.
//
// Folders are resolved from an environment given by the caller, so that the
// tests (and a front end started with another environment) decide what HOME
// and the XDG variables are. Folder results end with "/".

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "IniFile.h"

namespace v2m {

// Looks up one environment variable; an unset variable gives the empty text.
using TEnvironment = std::function<std::string(const std::string& name)>;

// The process's environment; HOME falls back to the user's entry in the
// password database when the variable is unset or empty.
TEnvironment ProcessEnvironment();

inline constexpr const char* kCompanyFolder = "TolvexSoft";
inline constexpr const char* kProductFolder = "Tolvex Video To MP3 Converter Free";
inline constexpr const char* kSettingsFileName = "Settings.ini";
inline constexpr int kOutputFolderCount = 5;

// The home folder; empty when HOME is not an absolute path.
std::string HomeFolder(const TEnvironment& env);

// $XDG_CONFIG_HOME when it is an absolute path, else HOME + ".config/"; empty
// when neither can be resolved. A relative value is never used: it would put
// the settings wherever the program happened to be started.
std::string ConfigFolder(const TEnvironment& env);

// $XDG_STATE_HOME when it is an absolute path, else HOME + ".local/state/",
// then "video2mp3/": what the program keeps between runs that is neither a
// setting nor a file of the user's. Empty when it cannot be resolved.
std::string StateFolder(const TEnvironment& env);
// What the program keeps only to save work ("$XDG_CACHE_HOME/video2mp3/",
// else "~/.cache/video2mp3/"); empty without a home.
std::string CacheFolder(const TEnvironment& env);

// ConfigFolder + "TolvexSoft/Tolvex Video To MP3 Converter Free/"; empty when
// the per-user folder cannot be resolved.
std::string SettingsFolderPath(const TEnvironment& env);

// SettingsFolderPath, created with any missing parents. Empty ("settings
// folder unavailable") when it cannot be resolved or is not a folder afterwards.
std::string PrepareSettingsFolder(const TEnvironment& env);

// The settings file in the prepared folder; empty when the folder is unavailable.
std::optional<TIniFile> OpenSettings(const TEnvironment& env);

// The user's desktop: XDG_DESKTOP_DIR from "user-dirs.dirs" in ConfigFolder
// (or from the environment when the file does not set it), else HOME +
// "Desktop"; the home folder when that folder does not exist; empty when not
// even the home folder can be resolved.
std::string DesktopFolder(const TEnvironment& env);

// `path` unchanged when it names an existing folder, else DesktopFolder.
std::string FolderOrDesktop(const std::string& path, const TEnvironment& env);

// The folders as start-up leaves them.
struct TStartupFolders {
    std::string AddFilesFolder;  // start folder of "Add Files"
    std::string AddFolderPath;   // start folder of "Add Folder"
    // The output folder history, newest first; never empty (the desktop when
    // nothing is stored). Item 0 is selected and is the output folder text.
    std::vector<std::string> OutputFolders;
};

// Reads the section General: AddFilesFolder and AddFolderPath through
// FolderOrDesktop, and the non-empty values of OutputFolder0 to OutputFolder4
// in key order.
TStartupFolders ReadStartupSettings(const TIniFile& settings, const TEnvironment& env);

// "Simultaneous Conversions", section Convert, key Jobs: 1, 2, 4, or 0 for one
// per processor; anything else reads as 1 (one after another).
int ReadJobsSetting(const TIniFile& settings);
bool WriteJobsSetting(TIniFile& settings, int setting);
// "Copy tags", section Convert, key CopyTags: on unless stored off.
bool ReadCopyTagsSetting(const TIniFile& settings);
bool WriteCopyTagsSetting(TIniFile& settings, bool on);
// "Use a video frame as cover", key CoverFromVideo: off unless stored on.
bool ReadCoverFromVideoSetting(const TIniFile& settings);
bool WriteCoverFromVideoSetting(TIniFile& settings, bool on);

// The number of conversions a setting runs at once.
int JobsOfSetting(int setting);

// "Copy Audio When Possible" (section Convert, key CopyAudio, default on) and
// Add Folder's "Include Sub-folders" (section Convert, key SubFolders,
// default off).
bool ReadCopyAudioSetting(const TIniFile& settings);
bool WriteCopyAudioSetting(TIniFile& settings, bool on);
bool ReadSubFoldersSetting(const TIniFile& settings);
bool WriteSubFoldersSetting(TIniFile& settings, bool on);
// "Split by Chapters" (section Convert, key SplitChapters) and "Skip Files
// Already Converted" (key SkipExisting): both default off, so that a list
// converts as it always did until the user asks otherwise.
bool ReadSplitChaptersSetting(const TIniFile& settings);
bool WriteSplitChaptersSetting(TIniFile& settings, bool on);
bool ReadSkipExistingSetting(const TIniFile& settings);
bool WriteSkipExistingSetting(TIniFile& settings, bool on);
// The profile last chosen, by its caption (section Convert, key Profile);
// empty when none is stored.
std::string ReadProfileSetting(const TIniFile& settings);
bool WriteProfileSetting(TIniFile& settings, const std::string& caption);
// The "File Name" template as typed (section Convert, key NameTemplate,
// default "{name}").
std::string ReadNameTemplateSetting(const TIniFile& settings);
bool WriteNameTemplateSetting(TIniFile& settings, const std::string& name_template);
// "Normalize Loudness" and its target, section Convert, keys NormalizeLoudness
// (off unless set) and LoudnessTarget (LUFS: -23, -18, -16 or -14; anything
// else reads as -16); "Normalize as Album" and "Loudness: Tag Only", keys
// NormalizeAlbum and LoudnessTagsOnly (off unless set).
struct TLoudnessSetting {
    bool Normalize = false;
    double Target = -16.0;
    bool Album = false;
    bool TagsOnly = false;

    bool operator==(const TLoudnessSetting&) const = default;
};
TLoudnessSetting ReadLoudnessSetting(const TIniFile& settings);
bool WriteLoudnessSetting(TIniFile& settings, const TLoudnessSetting& setting);

// The main window as it was closed, section Window: Left and Top (both or
// neither), Width and Height (the normal size, kept while maximised),
// Maximized (0 or 1), Columns (the file list's column widths, separated by
// commas), SortColumn (-1 for none) and SortDescending (0 or 1). A value
// missing or out of range reads as unset.
struct TWindowSetting {
    std::optional<std::pair<int, int>> Position;
    int Width = 0;  // 0: no size stored
    int Height = 0;
    bool Maximized = false;
    std::vector<int> ColumnWidths;
    int SortColumn = -1;
    bool SortDescending = false;

    bool operator==(const TWindowSetting&) const = default;
};
TWindowSetting ReadWindowSetting(const TIniFile& settings);
bool WriteWindowSetting(TIniFile& settings, const TWindowSetting& setting);

// Writes AddFilesFolder, AddFolderPath and OutputFolder0 to OutputFolder4:
// item i of `output_folders`, or empty text when there is no item i. Every key
// is written even after a failed one; false when any write failed.
bool WriteClosingSettings(TIniFile& settings, const std::string& add_files_folder,
                          const std::string& add_folder_path,
                          std::span<const std::string> output_folders);

// Where the folder dialog of "Browse" opens: the text with "/" appended
// unless it is empty or already ends with one.
std::string BrowseStartFolder(const std::string& output_folder_text);

// A folder confirmed in that dialog: "/" appended when missing, inserted as
// the newest item (item 0, which becomes the selection), the list cut to five
// items. A folder already listed is added again.
void AddChosenOutputFolder(std::vector<std::string>& output_folders, const std::string& folder);

}  // namespace v2m
