#pragma once
// The command line of the batch converter: what the user asked for, read and
// checked before any media library is touched.

#include <array>
#include <optional>
#include <stdexcept>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "JobBuilding.h"
#include "Profiles.h"

namespace v2m::cli {

inline constexpr const char* kProgramName = "video2mp3-cli";

// A command line that cannot be run: the message, printed with the short usage.
class EUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TCommand { Convert, Help, Version, ListProfiles, Doctor };

struct TCliOptions {
    TCommand Command = TCommand::Convert;
    std::string Profile;  // caption or extension; empty: the first profile
    // The item the user named for each option list (by TOptionList), as an
    // index into the list; unset: the profile's own item.
    std::array<std::optional<int>, kOptionListCount> Lists;
    std::optional<std::string> OutputFolder;
    bool SameFolder = false;
    int Jobs = 1;  // 0: one per processor
    bool Quiet = false;
    bool CopyTags = true;         // --no-tags: the outputs take no tags of their inputs
    bool CoverFromVideo = false;  // --cover-from-video
    // The audio track of every file: by number (1-based) or by language.
    std::optional<int> AudioTrack;
    std::optional<std::string> AudioLanguage;
    bool NoCopy = false;     // re-encode even what could be copied
    bool Recursive = false;  // folders: sub-folders too, the tree recreated
    // --normalize[=LUFS]: the loudness target; unset: no normalisation.
    std::optional<double> LoudnessTarget;
    bool NormalizeAlbum = false;  // --normalize-album: one gain per folder of files
    bool ReplayGain = false;      // --replaygain: gain as tags, the samples untouched
    bool Analyze = false;         // --analyze: a table of loudness, nothing converted
    // Pieces and names.
    bool SplitChapters = false;               // --split-chapters
    std::optional<std::string> ChaptersFrom;  // --chapters-from FILE
    std::optional<int64_t> Start;             // --start T, microseconds
    std::optional<int64_t> End;               // --end T
    std::optional<int64_t> Duration;          // --duration T
    std::optional<std::string> NameTemplate;  // --name TEMPLATE
    bool SkipExisting = false;                // --skip-existing
    bool DryRun = false;                      // --dry-run: print the plan, write nothing
    bool JsonProgress = false;                // --progress=json
    // --files-from FILE ("-": standard input): more inputs, one a line, or
    // separated by NUL with --null.
    std::optional<std::string> FilesFrom;
    bool NullSeparated = false;
    // --watch DIR (repeated): convert what lands in the folders until signalled.
    std::vector<std::string> WatchFolders;
    bool WatchNewOnly = false;  // --watch-new-only: what is there at start stays as it is
    double WatchSettle = 5.0;   // --watch-settle: seconds a file must stay unchanged
    double WatchRescan = 30.0;  // --watch-rescan: seconds between full looks
    std::vector<std::string> Inputs;

    bool operator==(const TCliOptions&) const = default;
};

// One option of the command line: how it is written, what it takes, what it
// sets and how the help describes it. The parser and the help both walk one
// table, so an option cannot be accepted and left undescribed, or the reverse.
enum class TOptionArg {
    None,        // a switch: "--name=value" is refused
    Value,       // "--name value" or "--name=value"
    InlineOnly,  // only "--name=value"; bare, it takes the row's BareValue
};

enum class TOptionHelp {
    Own,       // a help entry of its own
    WithNext,  // named in the label of the next row's entry
    InText,    // described in another entry's text
};

struct TOptionRow {
    std::string_view Long;   // "--jobs"
    std::string_view Short;  // "-j"; empty: none
    TOptionArg Arg = TOptionArg::None;
    std::string_view ArgLabel;   // after the name in the help: " N", "[=LUFS]"
    std::string_view BareValue;  // InlineOnly: the value when none is given
    // Checks `value` and sets it; `name` is the option as written, for messages.
    void (*Set)(TCliOptions& options, const std::string& name, const std::string& value);
    TOptionHelp Help = TOptionHelp::Own;
    std::string_view Text;  // the help entry's lines, without indentation
};

std::span<const TOptionRow> OptionTable();

// Reads the arguments (without the program name). Raises EUsageError.
TCliOptions ParseCommandLine(const std::vector<std::string>& args);

// The short usage printed after a usage error, and the full help.
std::string UsageText();
std::string HelpText();

// The profile a --profile value names: a caption first (ASCII letter case
// ignored), else the first profile with that extension. Raises EUsageError,
// listing what may be named, when none matches or there are no profiles.
size_t FindProfile(const std::vector<TConvertProfile>& profiles, const std::string& name);

// One line per profile: extension, caption, and each list's preset item,
// marked when the profile fixes it.
std::string ProfileListText(const std::vector<TConvertProfile>& profiles);

// The command-line name of each list's option ("rate", "channels", ...) and
// its items as typed on the command line ("auto", "mono", "8000", ...).
const char* ListOptionName(TOptionList list);
std::string ListItemText(TOptionList list, size_t index);

// The job settings for the chosen profile and the user's list choices; a list
// the profile fixes keeps the profile's item. `fixed_notes` receives one line
// for each list the user set but the profile fixes.
TJobRequest RequestTemplate(const TConvertProfile& profile, const TCliOptions& options,
                            std::vector<std::string>& fixed_notes);

}  // namespace v2m::cli
