#include "Settings.h"

#include <algorithm>
#include <thread>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "Format.h"
#include "JobBuilding.h"
#include "MyUtils.h"

namespace v2m {

namespace {

namespace fs = std::filesystem;

bool IsAbsolute(const std::string& path) {
    return !path.empty() && path.front() == '/';
}

bool IsFolder(const std::string& path) {
    std::error_code error;
    return IsAbsolute(path) && fs::is_directory(path, error);
}

std::string PasswordHome() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::string buffer(size > 0 ? static_cast<size_t>(size) : 16384, '\0');
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr) {
        return {};
    }
    return found->pw_dir;
}

// The value of a line `XDG_DESKTOP_DIR="..."`, as the shell would read it:
// "$HOME" at the start stands for the home folder, a backslash escapes the
// next character. Only "$HOME/..." and absolute paths are valid values.
std::optional<std::string> DesktopLine(const std::string& line, const std::string& home) {
    constexpr std::string_view kName = "XDG_DESKTOP_DIR";
    size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos || line.compare(at, kName.size(), kName) != 0) {
        return std::nullopt;
    }
    at = line.find_first_not_of(" \t", at + kName.size());
    if (at == std::string::npos || line[at] != '=') {
        return std::nullopt;
    }
    at = line.find_first_not_of(" \t", at + 1);
    if (at == std::string::npos || line[at] != '"') {
        return std::nullopt;
    }
    std::string value;
    bool closed = false;
    for (size_t i = at + 1; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            value += line[++i];
        } else if (line[i] == '"') {
            closed = true;
            break;
        } else {
            value += line[i];
        }
    }
    if (!closed) {
        return std::nullopt;
    }
    constexpr std::string_view kHome = "$HOME";
    if (value.compare(0, kHome.size(), kHome) == 0 &&
        (value.size() == kHome.size() || value[kHome.size()] == '/')) {
        if (home.empty()) {
            return std::nullopt;
        }
        return home + value.substr(std::min(value.size(), kHome.size() + 1));
    }
    if (IsAbsolute(value)) {
        return value;
    }
    return std::nullopt;
}

}  // namespace

TEnvironment ProcessEnvironment() {
    return [](const std::string& name) {
        std::string value = WideGetEnv(name);
        if (name == "HOME" && value.empty()) {
            value = PasswordHome();
        }
        return value;
    };
}

std::string HomeFolder(const TEnvironment& env) {
    const std::string home = env("HOME");
    return IsAbsolute(home) ? WideIncludeTrailingBackslash(home) : std::string();
}

std::string ConfigFolder(const TEnvironment& env) {
    const std::string config = env("XDG_CONFIG_HOME");
    if (IsAbsolute(config)) {
        return WideIncludeTrailingBackslash(config);
    }
    const std::string home = HomeFolder(env);
    return home.empty() ? std::string() : home + ".config/";
}

std::string StateFolder(const TEnvironment& env) {
    const std::string state = env("XDG_STATE_HOME");
    if (IsAbsolute(state)) {
        return WideIncludeTrailingBackslash(state) + "video2mp3/";
    }
    const std::string home = HomeFolder(env);
    return home.empty() ? std::string() : home + ".local/state/video2mp3/";
}

std::string CacheFolder(const TEnvironment& env) {
    const std::string cache = env("XDG_CACHE_HOME");
    if (IsAbsolute(cache)) {
        return WideIncludeTrailingBackslash(cache) + "video2mp3/";
    }
    const std::string home = HomeFolder(env);
    return home.empty() ? std::string() : home + ".cache/video2mp3/";
}

std::string SettingsFolderPath(const TEnvironment& env) {
    const std::string config = ConfigFolder(env);
    if (config.empty()) {
        return {};
    }
    return config + kCompanyFolder + "/" + kProductFolder + "/";
}

std::string PrepareSettingsFolder(const TEnvironment& env) {
    const std::string folder = SettingsFolderPath(env);
    if (folder.empty()) {
        return {};
    }
    std::error_code error;
    fs::create_directories(folder, error);
    return IsFolder(folder) ? folder : std::string();
}

std::optional<TIniFile> OpenSettings(const TEnvironment& env) {
    const std::string folder = PrepareSettingsFolder(env);
    if (folder.empty()) {
        return std::nullopt;
    }
    return TIniFile(folder + kSettingsFileName);
}

std::string DesktopFolder(const TEnvironment& env) {
    const std::string home = HomeFolder(env);
    std::string desktop;
    if (const std::string config = ConfigFolder(env); !config.empty()) {
        std::ifstream in(config + "user-dirs.dirs");
        std::string line;
        // Like the shell reading the file, a later line wins.
        while (std::getline(in, line)) {
            if (auto value = DesktopLine(line, home)) {
                desktop = std::move(*value);
            }
        }
    }
    if (desktop.empty()) {
        const std::string from_env = env("XDG_DESKTOP_DIR");
        if (IsAbsolute(from_env)) {
            desktop = from_env;
        } else if (!home.empty()) {
            desktop = home + "Desktop";
        }
    }
    if (IsFolder(desktop)) {
        return WideIncludeTrailingBackslash(desktop);
    }
    return home;
}

std::string FolderOrDesktop(const std::string& path, const TEnvironment& env) {
    return IsFolder(path) ? path : DesktopFolder(env);
}

TStartupFolders ReadStartupSettings(const TIniFile& settings, const TEnvironment& env) {
    TStartupFolders folders;
    folders.AddFilesFolder =
        FolderOrDesktop(settings.ReadString(kGeneralSection, "AddFilesFolder", ""), env);
    folders.AddFolderPath =
        FolderOrDesktop(settings.ReadString(kGeneralSection, "AddFolderPath", ""), env);
    for (int i = 0; i < kOutputFolderCount; ++i) {
        std::string folder = settings.ReadString(kGeneralSection, Format("OutputFolder%d", i), "");
        if (!folder.empty()) {
            folders.OutputFolders.push_back(std::move(folder));
        }
    }
    if (folders.OutputFolders.empty()) {
        if (std::string desktop = FolderOrDesktop("", env); !desktop.empty()) {
            folders.OutputFolders.push_back(std::move(desktop));
        }
    }
    return folders;
}

int ReadJobsSetting(const TIniFile& settings) {
    const int32_t value = settings.ReadInteger("Convert", "Jobs", 1);
    return value == 0 || value == 1 || value == 2 || value == 4 ? value : 1;
}

bool WriteJobsSetting(TIniFile& settings, int setting) {
    return settings.WriteInteger("Convert", "Jobs", setting);
}

bool ReadCopyTagsSetting(const TIniFile& settings) {
    return settings.ReadBool("Convert", "CopyTags", true);
}

bool WriteCopyTagsSetting(TIniFile& settings, bool on) {
    return settings.WriteBool("Convert", "CopyTags", on);
}

bool ReadCoverFromVideoSetting(const TIniFile& settings) {
    return settings.ReadBool("Convert", "CoverFromVideo", false);
}

bool WriteCoverFromVideoSetting(TIniFile& settings, bool on) {
    return settings.WriteBool("Convert", "CoverFromVideo", on);
}

bool ReadCopyAudioSetting(const TIniFile& settings) {
    return settings.ReadBool("Convert", "CopyAudio", true);
}

bool WriteCopyAudioSetting(TIniFile& settings, bool on) {
    return settings.WriteBool("Convert", "CopyAudio", on);
}

bool ReadSubFoldersSetting(const TIniFile& settings) {
    return settings.ReadBool("Convert", "SubFolders", false);
}

bool WriteSubFoldersSetting(TIniFile& settings, bool on) {
    return settings.WriteBool("Convert", "SubFolders", on);
}

bool ReadSplitChaptersSetting(const TIniFile& settings) {
    return settings.ReadBool("Convert", "SplitChapters", false);
}

bool WriteSplitChaptersSetting(TIniFile& settings, bool on) {
    return settings.WriteBool("Convert", "SplitChapters", on);
}

bool ReadSkipExistingSetting(const TIniFile& settings) {
    return settings.ReadBool("Convert", "SkipExisting", false);
}

bool WriteSkipExistingSetting(TIniFile& settings, bool on) {
    return settings.WriteBool("Convert", "SkipExisting", on);
}

std::string ReadProfileSetting(const TIniFile& settings) {
    return settings.ReadString("Convert", "Profile", "");
}

bool WriteProfileSetting(TIniFile& settings, const std::string& caption) {
    return settings.WriteString("Convert", "Profile", caption);
}

std::string ReadNameTemplateSetting(const TIniFile& settings) {
    return settings.ReadString("Convert", "NameTemplate", "{name}");
}

bool WriteNameTemplateSetting(TIniFile& settings, const std::string& name_template) {
    return settings.WriteString("Convert", "NameTemplate", name_template);
}

int JobsOfSetting(int setting) {
    if (setting > 0) {
        return setting;
    }
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

TLoudnessSetting ReadLoudnessSetting(const TIniFile& settings) {
    TLoudnessSetting setting;
    setting.Normalize = settings.ReadBool("Convert", "NormalizeLoudness", false);
    setting.Album = settings.ReadBool("Convert", "NormalizeAlbum", false);
    setting.TagsOnly = settings.ReadBool("Convert", "LoudnessTagsOnly", false);
    const int32_t target = settings.ReadInteger("Convert", "LoudnessTarget", -16);
    for (const double offered : kLoudnessTargets) {
        if (target == offered) {
            setting.Target = offered;
        }
    }
    return setting;
}

bool WriteLoudnessSetting(TIniFile& settings, const TLoudnessSetting& setting) {
    const bool written = settings.WriteBool("Convert", "NormalizeLoudness", setting.Normalize) &&
                         settings.WriteBool("Convert", "NormalizeAlbum", setting.Album) &&
                         settings.WriteBool("Convert", "LoudnessTagsOnly", setting.TagsOnly);
    return settings.WriteInteger("Convert", "LoudnessTarget",
                                 static_cast<int32_t>(setting.Target)) &&
           written;
}

namespace {

constexpr const char* kWindowSection = "Window";
// Far beyond any screen; a larger value is a damaged file, not a window.
constexpr int kLargestWindowValue = 100000;

}  // namespace

TWindowSetting ReadWindowSetting(const TIniFile& settings) {
    TWindowSetting setting;
    const auto in_range = [](int32_t value, int32_t low) {
        return value >= low && value <= kLargestWindowValue;
    };
    if (settings.ValueExists(kWindowSection, "Left") &&
        settings.ValueExists(kWindowSection, "Top")) {
        const int32_t left = settings.ReadInteger(kWindowSection, "Left", 0);
        const int32_t top = settings.ReadInteger(kWindowSection, "Top", 0);
        if (in_range(left, -kLargestWindowValue) && in_range(top, -kLargestWindowValue)) {
            setting.Position = std::pair{left, top};
        }
    }
    const int32_t width = settings.ReadInteger(kWindowSection, "Width", 0);
    const int32_t height = settings.ReadInteger(kWindowSection, "Height", 0);
    if (in_range(width, 1) && in_range(height, 1)) {
        setting.Width = width;
        setting.Height = height;
    }
    setting.Maximized = settings.ReadBool(kWindowSection, "Maximized", false);
    const std::string columns = settings.ReadString(kWindowSection, "Columns", "");
    for (size_t start = 0; !columns.empty() && start <= columns.size();) {
        const size_t end = std::min(columns.find(',', start), columns.size());
        const std::optional<int32_t> column_width =
            ParseIniInteger(std::string_view(columns).substr(start, end - start));
        if (!column_width || !in_range(*column_width, 1)) {
            // One damaged width would shift every later column: none are used.
            setting.ColumnWidths.clear();
            break;
        }
        setting.ColumnWidths.push_back(*column_width);
        start = end + 1;
    }
    const int32_t sort_column = settings.ReadInteger(kWindowSection, "SortColumn", -1);
    setting.SortColumn = in_range(sort_column, 0) ? sort_column : -1;
    setting.SortDescending = settings.ReadBool(kWindowSection, "SortDescending", false);
    return setting;
}

bool WriteWindowSetting(TIniFile& settings, const TWindowSetting& setting) {
    bool written = true;
    if (setting.Position) {
        written = settings.WriteInteger(kWindowSection, "Left", setting.Position->first) && written;
        written = settings.WriteInteger(kWindowSection, "Top", setting.Position->second) && written;
    }
    written = settings.WriteInteger(kWindowSection, "Width", setting.Width) && written;
    written = settings.WriteInteger(kWindowSection, "Height", setting.Height) && written;
    written = settings.WriteBool(kWindowSection, "Maximized", setting.Maximized) && written;
    std::string columns;
    for (const int column_width : setting.ColumnWidths) {
        columns += (columns.empty() ? "" : ",") + std::to_string(column_width);
    }
    written = settings.WriteString(kWindowSection, "Columns", columns) && written;
    written = settings.WriteInteger(kWindowSection, "SortColumn", setting.SortColumn) && written;
    return settings.WriteBool(kWindowSection, "SortDescending", setting.SortDescending) && written;
}

bool WriteClosingSettings(TIniFile& settings, const std::string& add_files_folder,
                          const std::string& add_folder_path,
                          std::span<const std::string> output_folders) {
    bool written = settings.WriteString(kGeneralSection, "AddFilesFolder", add_files_folder);
    written = settings.WriteString(kGeneralSection, "AddFolderPath", add_folder_path) && written;
    for (int i = 0; i < kOutputFolderCount; ++i) {
        const size_t item = static_cast<size_t>(i);
        const std::string value = item < output_folders.size() ? output_folders[item] : "";
        written =
            settings.WriteString(kGeneralSection, Format("OutputFolder%d", i), value) && written;
    }
    return written;
}

std::string BrowseStartFolder(const std::string& output_folder_text) {
    return output_folder_text.empty() ? output_folder_text
                                      : WideIncludeTrailingBackslash(output_folder_text);
}

void AddChosenOutputFolder(std::vector<std::string>& output_folders, const std::string& folder) {
    output_folders.insert(output_folders.begin(), WideIncludeTrailingBackslash(folder));
    if (output_folders.size() > static_cast<size_t>(kOutputFolderCount)) {
        output_folders.resize(kOutputFolderCount);
    }
}

}  // namespace v2m
