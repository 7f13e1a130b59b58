#include "CliOptions.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "AsciiText.h"
#include "NameTemplate.h"
#include "SplitPoints.h"

namespace v2m::cli {

namespace {

constexpr std::array<TOptionList, kOptionListCount> kListsInHelpOrder = {olQuality, olChannels,
                                                                         olBitRates, olVolume};

std::string AllowedItems(TOptionList list) {
    std::string text;
    for (size_t i = 0; i < OptionListInfo(list).Items.size(); ++i) {
        text += (i == 0 ? "" : ", ") + ListItemText(list, i);
    }
    return text;
}

int ParseListItem(TOptionList list, const std::string& value) {
    const std::string wanted = LowerCaseAscii(value);
    for (size_t i = 0; i < OptionListInfo(list).Items.size(); ++i) {
        if (ListItemText(list, i) == wanted) {
            return static_cast<int>(i);
        }
    }
    throw EUsageError("--" + std::string(ListOptionName(list)) + " '" + value +
                      "' is not an item of the list; allowed: " + AllowedItems(list));
}

double ParseLoudnessTarget(const std::string& value) {
    int lufs = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), lufs);
    const bool whole = !value.empty() && error == std::errc() && end == value.data() + value.size();
    for (const double target : kLoudnessTargets) {
        if (whole && lufs == target) {
            return target;
        }
    }
    throw EUsageError("--normalize '" + value + "': the target is -23, -18, -16 or -14 (LUFS)");
}

int ParseJobs(const std::string& value) {
    int jobs = -1;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), jobs);
    if (value.empty() || error != std::errc() || end != value.data() + value.size() || jobs < 0 ||
        jobs > 256) {
        throw EUsageError("--jobs '" + value +
                          "' is not a number of tasks; allowed: 0 (one per processor) to 256");
    }
    return jobs;
}

int ParseAudioTrack(const std::string& value) {
    int track = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), track);
    if (value.empty() || error != std::errc() || end != value.data() + value.size() || track < 1) {
        throw EUsageError("--audio-track '" + value + "' is not a track number (1, 2, ...)");
    }
    return track;
}

std::string ParseLanguage(const std::string& value) {
    const bool letters = std::all_of(value.begin(), value.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    });
    if (!letters || value.size() < 2 || value.size() > 3) {
        throw EUsageError("--audio-lang '" + value +
                          "' is not a language code (ISO 639, as \"eng\" or \"de\")");
    }
    return LowerCaseAscii(value);
}

int64_t ParseTimeOption(const std::string& name, const std::string& value) {
    const std::optional<int64_t> time = ParseTimeText(value);
    if (!time) {
        throw EUsageError(name + " '" + value +
                          "' is not a time; write h:mm:ss.xxx, mm:ss or seconds");
    }
    return *time;
}

// The setters of the option table.

template <TCommand Command>
void SetCommand(TCliOptions& options, const std::string&, const std::string&) {
    options.Command = Command;
}

template <bool TCliOptions::*Field, bool Value = true>
void SetSwitch(TCliOptions& options, const std::string&, const std::string&) {
    options.*Field = Value;
}

template <TOptionList List>
void SetListItem(TCliOptions& options, const std::string&, const std::string& value) {
    options.Lists[List] = ParseListItem(List, value);
}

template <std::optional<int64_t> TCliOptions::*Field>
void SetTime(TCliOptions& options, const std::string& name, const std::string& value) {
    options.*Field = ParseTimeOption(name, value);
}

template <double TCliOptions::*Field>
void SetWatchSeconds(TCliOptions& options, const std::string& name, const std::string& value) {
    double seconds = -1.0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (value.empty() || error != std::errc() || end != value.data() + value.size() ||
        seconds < 0.0 || seconds > 86400.0) {
        throw EUsageError(name + " '" + value + "' is not a number of seconds (0 to 86400)");
    }
    options.*Field = seconds;
}

void SetProfile(TCliOptions& options, const std::string&, const std::string& value) {
    options.Profile = value;
}

void SetOutputFolder(TCliOptions& options, const std::string&, const std::string& value) {
    if (value.empty()) {
        throw EUsageError("--out needs a folder");
    }
    options.OutputFolder = value;
}

void SetJobs(TCliOptions& options, const std::string&, const std::string& value) {
    options.Jobs = ParseJobs(value);
}

void SetLoudness(TCliOptions& options, const std::string&, const std::string& value) {
    options.LoudnessTarget = ParseLoudnessTarget(value);
}

void SetAudioTrack(TCliOptions& options, const std::string&, const std::string& value) {
    options.AudioTrack = ParseAudioTrack(value);
}

void SetAudioLanguage(TCliOptions& options, const std::string&, const std::string& value) {
    options.AudioLanguage = ParseLanguage(value);
}

void SetChaptersFrom(TCliOptions& options, const std::string&, const std::string& value) {
    options.ChaptersFrom = value;
}

void SetNameTemplate(TCliOptions& options, const std::string&, const std::string& value) {
    if (const std::string problem = NameTemplateProblem(value); !problem.empty() || value.empty()) {
        throw EUsageError("--name '" + value +
                          "': " + (problem.empty() ? "the template is empty" : problem));
    }
    options.NameTemplate = value;
}

void SetProgress(TCliOptions& options, const std::string&, const std::string& value) {
    if (value != "json" && value != "text") {
        throw EUsageError("--progress '" + value + "': the format is json or text");
    }
    options.JsonProgress = value == "json";
}

void SetFilesFrom(TCliOptions& options, const std::string&, const std::string& value) {
    if (value.empty()) {
        throw EUsageError("--files-from needs a file, or - for standard input");
    }
    options.FilesFrom = value;
}

void AddWatchFolder(TCliOptions& options, const std::string&, const std::string& value) {
    options.WatchFolders.push_back(value);
}

using enum TOptionArg;
using enum TOptionHelp;

// In the order of the help.
constexpr TOptionRow kOptions[] = {
    {"--profile", "", Value, " NAME", "", SetProfile, Own,
     "a profile caption or extension (see --list-profiles);\n"
     "default: the first profile"},
    {"--list-profiles", "", None, "", "", SetCommand<TCommand::ListProfiles>, Own,
     "print the profiles and their preset items, then exit"},
    {"--doctor", "", None, "", "", SetCommand<TCommand::Doctor>, Own,
     "print the media libraries found (file, version), what\n"
     "each profile needs of them and whether it is there, the\n"
     "sound drivers, and the settings and state folders; exit\n"
     "status 1 when a profile cannot work"},
    {"--rate", "", Value, " R", "", SetListItem<olQuality>, Own, "sample rate in Hz"},
    {"--channels", "", Value, " C", "", SetListItem<olChannels>, Own, "channel count"},
    {"--bitrate", "", Value, " B", "", SetListItem<olBitRates>, Own, "bit rate in kbit/s"},
    {"--volume", "", Value, " V", "", SetListItem<olVolume>, Own,
     "volume in per cent (100: the source's level)\n"
     "A list that the profile fixes keeps the profile's item.\n"
     "Unset lists take the profile's item."},
    {"--out", "", Value, " DIR", "", SetOutputFolder, Own,
     "write the outputs into DIR, an existing folder;\n"
     "default: the current folder"},
    {"--same-folder", "", None, "", "", SetSwitch<&TCliOptions::SameFolder>, Own,
     "write each output beside its input"},
    {"--jobs", "-j", Value, " N", "", SetJobs, Own,
     "convert N files at a time (default 1; 0: one per processor)"},
    {"--quiet", "-q", None, "", "", SetSwitch<&TCliOptions::Quiet>, Own,
     "no progress on standard error"},
    {"--no-tags", "", None, "", "", SetSwitch<&TCliOptions::CopyTags, false>, Own,
     "the outputs take no tags (title, artist, album, ...) of\n"
     "their inputs; by default they do, an untitled input\n"
     "giving its file name as the title"},
    {"--cover-from-video", "", None, "", "", SetSwitch<&TCliOptions::CoverFromVideo>, Own,
     "a video without a cover picture gives the MP3, M4A,\n"
     "FLAC or Ogg output a frame at a tenth of its length\n"
     "as the cover (at most 600 pixels wide or high)"},
    {"--audio-track", "", Value, " N", "", SetAudioTrack, Own,
     "convert the N-th audio track (1, 2, ...) of each file; a\n"
     "file without it fails alone"},
    {"--audio-lang", "", Value, " LANG", "", SetAudioLanguage, Own,
     "convert the first audio track in language LANG (ISO 639\n"
     "code, as \"eng\"; \"de\", \"deu\" and \"ger\" are one); a file\n"
     "without one converts its default track, with a warning;\n"
     "default: the default track"},
    {"--no-copy", "", None, "", "", SetSwitch<&TCliOptions::NoCopy>, Own,
     "always decode and encode; by default the audio is copied\n"
     "unchanged when it is already in the output's codec and\n"
     "every list is \"auto\""},
    {"--recursive", "-r", None, "", "", SetSwitch<&TCliOptions::Recursive>, Own,
     "folders: enter sub-folders too, and recreate their\n"
     "structure under the output folder"},
    // Only "--normalize=LUFS" carries a value: a bare one may precede an input.
    {"--normalize", "", InlineOnly, "[=LUFS]", "-16", SetLoudness, Own,
     "normalise the loudness (EBU R128) to -16 LUFS, or to -23,\n"
     "-18 or -14, with true peaks at most -1 dBTP: each file is\n"
     "measured first, then converted; replaces --volume"},
    {"--normalize-album", "", None, "", "", SetSwitch<&TCliOptions::NormalizeAlbum>, Own,
     "album mode: the files that share a folder (the pieces of a\n"
     "split file always) are measured first, then all take one\n"
     "gain, min(target - the album's loudness, -1 dBTP - its\n"
     "highest true peak), so they keep their own differences;\n"
     "the target is --normalize's (default -16 LUFS)"},
    {"--replaygain", "", None, "", "", SetSwitch<&TCliOptions::ReplayGain>, Own,
     "gain as tags that players apply, the samples untouched\n"
     "(a copied track keeps its packets): ReplayGain 2.0 track\n"
     "gain and peak (reference -18 LUFS) in MP3, FLAC, Ogg and\n"
     "M4A, R128_TRACK_GAIN (Q7.8, -23 LUFS) in Opus; album\n"
     "values too with --normalize-album"},
    {"--analyze", "", None, "", "", SetSwitch<&TCliOptions::Analyze>, Own,
     "print each file's integrated loudness (LUFS), loudness\n"
     "range (LU), true peak (dBTP) and the gain to the target;\n"
     "nothing is converted. Readings are kept in\n"
     "$XDG_CACHE_HOME/video2mp3/, so a file unchanged since is\n"
     "not measured again (nor by the two options above)"},
    {"--split-chapters", "", None, "", "", SetSwitch<&TCliOptions::SplitChapters>, Own,
     "one output per chapter of each file (a cue sheet beside\n"
     "a file without chapters, \"NAME.cue\", gives the points);\n"
     "each piece is tagged: title the chapter's, track N/total,\n"
     "album the file's title. Pieces are cut to the sample, so\n"
     "they are always re-encoded, never copied"},
    {"--chapters-from", "", Value, " FILE", "", SetChaptersFrom, Own,
     "split at the points of FILE: a cue sheet, or a list of\n"
     "times as video descriptions give them, one a line\n"
     "(\"0:00 Intro\", \"03:25 - Artist - Title\", \"1:02:10 Encore\");\n"
     "\"{name}\" in FILE stands for each input's name. Points past\n"
     "the end, out of order or repeated fail that file alone"},
    {"--start", "", Value, " T", "", SetTime<&TCliOptions::Start>, WithNext, ""},
    {"--end", "", Value, " T", "", SetTime<&TCliOptions::End>, WithNext, ""},
    {"--duration", "", Value, " T", "", SetTime<&TCliOptions::Duration>, Own,
     "convert only the stretch from T (h:mm:ss.xxx, mm:ss or\n"
     "seconds) to the end time or for the duration; with a\n"
     "split, the pieces within it. Re-encoded, exact to the sample"},
    {"--name", "", Value, " TEMPLATE", "", SetNameTemplate, Own,
     "name the outputs from their tags: {name} (the input's\n"
     "name, the default), {title}, {artist}, {album},\n"
     "{albumartist}, {track}, {date}, {year}, {genre},\n"
     "{chapter}, {n} (the piece's number), {profile}; \":02\"\n"
     "pads a number ({n:02}); \"/\" makes sub-folders of the\n"
     "output folder. Missing tags give \"Unknown Artist\" and the\n"
     "like; characters no file name may hold are replaced.\n"
     "Pieces default to \"{name} - {n:02} - {chapter}\""},
    {"--skip-existing", "", None, "", "", SetSwitch<&TCliOptions::SkipExisting>, Own,
     "a file whose output is there already (complete, not\n"
     "empty) is not converted; it counts as skipped"},
    {"--dry-run", "", None, "", "", SetSwitch<&TCliOptions::DryRun>, Own,
     "print what each input would give (outputs, copied or\n"
     "encoded, track, pieces, skipped) and write nothing"},
    {"--progress", "", Value, "=json", "", SetProgress, Own,
     "standard error gets one JSON object a line instead of\n"
     "text: \"added\", \"started\", \"progress\", \"ended\", \"warning\"\n"
     "and \"summary\" events (see the manual page)"},
    {"--files-from", "", Value, " FILE", "", SetFilesFrom, Own,
     "more inputs from FILE (\"-\": standard input), one a line;\n"
     "with --null (-0) separated by NUL characters instead, as\n"
     "\"find ... -print0\" writes them"},
    {"--null", "-0", None, "", "", SetSwitch<&TCliOptions::NullSeparated>, InText, ""},
    {"--watch", "", Value, " DIR", "", AddWatchFolder, Own,
     "run until signalled, converting each video file that\n"
     "appears in DIR (with --recursive, in its sub-folders too)\n"
     "once it is complete: unchanged for --watch-settle seconds\n"
     "(default 5) and open for writing nowhere. A file is\n"
     "converted once; one that is replaced or changed, again.\n"
     "What was converted is kept in $XDG_STATE_HOME/video2mp3/.\n"
     "Folders are looked through in full every --watch-rescan\n"
     "seconds (default 30), for file systems that report no\n"
     "changes. Files there at start are converted too, unless\n"
     "--watch-new-only"},
    {"--watch-new-only", "", None, "", "", SetSwitch<&TCliOptions::WatchNewOnly>, InText, ""},
    {"--watch-settle", "", Value, " S", "", SetWatchSeconds<&TCliOptions::WatchSettle>, InText, ""},
    {"--watch-rescan", "", Value, " S", "", SetWatchSeconds<&TCliOptions::WatchRescan>, InText, ""},
    {"--help", "-h", None, "", "", SetCommand<TCommand::Help>, Own, "print this text, then exit"},
    {"--version", "", None, "", "", SetCommand<TCommand::Version>, Own,
     "print the program's version, then exit"},
};

const TOptionRow* FindOption(const std::string& name) {
    for (const TOptionRow& row : kOptions) {
        if (name == row.Long || (!row.Short.empty() && name == row.Short)) {
            return &row;
        }
    }
    return nullptr;
}

// The option's value: after "=", else the next argument (which is consumed).
std::string TakeValue(const TOptionRow& row, const std::string& name,
                      const std::optional<std::string>& inline_value,
                      const std::vector<std::string>& args, size_t& i) {
    switch (row.Arg) {
        case None:
            if (inline_value) {
                throw EUsageError(name + " takes no value");
            }
            return {};
        case InlineOnly:
            return inline_value.value_or(std::string(row.BareValue));
        case Value:
            break;
    }
    if (inline_value) {
        return *inline_value;
    }
    if (i + 1 >= args.size()) {
        throw EUsageError(name + " needs a value");
    }
    return args[++i];
}

// The help's label of a row: "--jobs N, -j N".
std::string OptionLabel(const TOptionRow& row) {
    std::string label = std::string(row.Long) + std::string(row.ArgLabel);
    if (!row.Short.empty()) {
        label += ", " + std::string(row.Short) + std::string(row.ArgLabel);
    }
    return label;
}

// The option entries of the help: the label in a column of its own, the text
// beside it, or below it when the label does not leave it room.
std::string OptionHelp() {
    constexpr size_t kTextColumn = 20;
    const std::string indent(kTextColumn, ' ');
    std::string text;
    std::string label;
    for (const TOptionRow& row : kOptions) {
        if (row.Help == InText) {
            continue;
        }
        label += (label.empty() ? "" : ", ") + OptionLabel(row);
        if (row.Help == WithNext) {
            continue;
        }
        text += "  " + label;
        if (2 + label.size() < kTextColumn) {
            text += std::string(kTextColumn - 2 - label.size(), ' ');
        } else {
            text += "\n" + indent;
        }
        for (const char c : row.Text) {
            text += c;
            if (c == '\n') {
                text += indent;
            }
        }
        text += "\n";
        label.clear();
    }
    return text;
}

void CheckPieceOptions(const TCliOptions& options) {
    if (options.End && options.Duration) {
        throw EUsageError("--end and --duration exclude each other");
    }
    if (options.End && *options.End <= options.Start.value_or(0)) {
        throw EUsageError("--end must come after --start");
    }
    if (options.Duration && *options.Duration <= 0) {
        throw EUsageError("--duration must be longer than 0");
    }
}

// The options of a conversion that do not go together, and the inputs.
void CheckConversionOptions(const TCliOptions& options) {
    if (options.OutputFolder && options.SameFolder) {
        throw EUsageError("--out and --same-folder exclude each other");
    }
    if (options.AudioTrack && options.AudioLanguage) {
        throw EUsageError("--audio-track and --audio-lang exclude each other");
    }
    CheckPieceOptions(options);
    if (options.NullSeparated && !options.FilesFrom) {
        throw EUsageError("--null goes with --files-from");
    }
    if (options.Analyze && (options.DryRun || !options.WatchFolders.empty())) {
        throw EUsageError("--analyze converts nothing: it takes no --dry-run or --watch");
    }
    if (!options.WatchFolders.empty()) {
        if (options.NormalizeAlbum || options.ReplayGain) {
            throw EUsageError(
                "--watch converts files one by one: no --normalize-album or --replaygain");
        }
        if (!options.Inputs.empty() || options.FilesFrom || options.DryRun) {
            throw EUsageError("--watch takes no inputs, --files-from or --dry-run");
        }
        return;
    }
    if (options.Inputs.empty() && !options.FilesFrom) {
        throw EUsageError("no input file or folder");
    }
}

}  // namespace

const char* ListOptionName(TOptionList list) {
    switch (list) {
        case olQuality:
            return "rate";
        case olChannels:
            return "channels";
        case olBitRates:
            return "bitrate";
        case olVolume:
            return "volume";
    }
    return "";
}

std::string ListItemText(TOptionList list, size_t index) {
    return LowerCaseAscii(OptionListInfo(list).Items[index]);
}

std::span<const TOptionRow> OptionTable() {
    return kOptions;
}

TCliOptions ParseCommandLine(const std::vector<std::string>& args) {
    TCliOptions options;
    bool only_inputs = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (only_inputs || arg.size() < 2 || arg[0] != '-') {
            options.Inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            only_inputs = true;
            continue;
        }
        // "--name=value" and "--name value" are both accepted.
        std::string name = arg;
        std::optional<std::string> inline_value;
        if (const size_t equals = arg.find('='); arg.starts_with("--") && equals != arg.npos) {
            name = arg.substr(0, equals);
            inline_value = arg.substr(equals + 1);
        }
        const TOptionRow* row = FindOption(name);
        if (row == nullptr) {
            throw EUsageError("unknown option " + name);
        }
        row->Set(options, name, TakeValue(*row, name, inline_value, args, i));
    }
    if (options.Command == TCommand::Convert) {
        CheckConversionOptions(options);
    }
    return options;
}

std::string UsageText() {
    std::string text = std::string("Usage: ") + kProgramName +
                       " [--profile NAME] [--rate R] [--channels C] [--bitrate B] [--volume V]\n"
                       "       [--out DIR | --same-folder] [--jobs N] [--quiet] [--no-tags]\n"
                       "       [--cover-from-video] [--audio-track N | --audio-lang LANG]\n"
                       "       [--no-copy] [--recursive] [--normalize[=LUFS]]\n"
                       "       [--normalize-album] [--replaygain] [--analyze]\n"
                       "       [--split-chapters] [--chapters-from FILE] [--start T]\n"
                       "       [--end T | --duration T] [--name TEMPLATE] [--skip-existing]\n"
                       "       [--dry-run] [--progress=json] [--files-from FILE [--null]]\n"
                       "       INPUT...\n"
                       "       " +
                       kProgramName +
                       " --watch DIR [--watch DIR...] [--recursive] [--watch-new-only]\n"
                       "       [--watch-settle S] [--watch-rescan S] [conversion options]\n"
                       "       " +
                       kProgramName + " --list-profiles | --doctor | --help | --version\n";
    for (TOptionList list : kListsInHelpOrder) {
        text += "  --" + std::string(ListOptionName(list)) + ": " + AllowedItems(list) + "\n";
    }
    return text;
}

std::string HelpText() {
    return UsageText() + R"HELP(
Extracts the audio of each INPUT with a conversion profile. An INPUT is a file,
or a folder whose video files directly inside are taken (the masks of the
window's "Add Folder"; sub-folders are entered only with --recursive).

)HELP" + OptionHelp() +
           R"HELP(
Outputs never replace anything: a taken name gets "_(new_N)" before the
extension; a name too long for the folder's file system is shortened before
the extension. An output is written under a hidden name (".NAME.part") and
gets its own name only when it is complete. Each written output's path is
printed on standard output once it is complete (control characters escaped);
progress and errors go to standard error.

Exit status: 0 every file converted; 1 some file failed (the others are still
converted); 2 usage error; 128 + the signal's number when interrupted (130
Ctrl-C, 129 SIGHUP, 143 SIGTERM): the running tasks are stopped and the
unfinished outputs of this run deleted; a second signal ends the program at
once, which may leave a hidden partial file.
)HELP";
}

size_t FindProfile(const std::vector<TConvertProfile>& profiles, const std::string& name) {
    const std::string wanted = LowerCaseAscii(name);
    for (size_t i = 0; i < profiles.size(); ++i) {
        if (LowerCaseAscii(profiles[i].Caption) == wanted) {
            return i;
        }
    }
    for (size_t i = 0; i < profiles.size(); ++i) {
        if (LowerCaseAscii(profiles[i].Ext) == wanted ||
            "." + LowerCaseAscii(profiles[i].Ext) == wanted) {
            return i;
        }
    }
    std::string allowed;
    for (const TConvertProfile& profile : profiles) {
        allowed += "\n  " + profile.Ext + "  \"" + profile.Caption + "\"";
    }
    throw EUsageError("--profile '" + name + "' names no profile; allowed (extension or caption):" +
                      (allowed.empty() ? std::string(" none installed") : allowed));
}

std::string ProfileListText(const std::vector<TConvertProfile>& profiles) {
    size_t ext_width = 3;
    size_t caption_width = 7;
    for (const TConvertProfile& profile : profiles) {
        ext_width = std::max(ext_width, profile.Ext.size());
        caption_width = std::max(caption_width, profile.Caption.size());
    }
    const auto pad = [](std::string text, size_t width) {
        text.resize(std::max(width, text.size()), ' ');
        return text;
    };
    std::string text;
    for (size_t i = 0; i < profiles.size(); ++i) {
        const TProfileOptions lists = ProfileOptions(profiles[i]);
        std::string line =
            pad(profiles[i].Ext, ext_width) + "  " + pad(profiles[i].Caption, caption_width) + " ";
        for (TOptionList list : kListsInHelpOrder) {
            line += " " + std::string(ListOptionName(list)) + "=" +
                    ListItemText(list, static_cast<size_t>(lists[list].ItemIndex)) +
                    (lists[list].Switch ? "" : "(fixed)");
        }
        if (i == 0) {
            line += "  [default]";
        }
        text += line + "\n";
    }
    return text;
}

TJobRequest RequestTemplate(const TConvertProfile& profile, const TCliOptions& options,
                            std::vector<std::string>& fixed_notes) {
    const TProfileOptions lists = ProfileOptions(profile);
    TJobRequest request;
    request.ProfileExt = profile.Ext;
    request.KeepVideo = IsVideoProfile(profile);
    const auto choice = [&](TOptionList list) {
        int index = lists[list].ItemIndex;
        if (const std::optional<int>& wanted = options.Lists[list]) {
            if (lists[list].Switch) {
                index = *wanted;
            } else if (*wanted != index) {
                fixed_notes.push_back("the profile \"" + profile.Caption + "\" fixes --" +
                                      ListOptionName(list) + " at " +
                                      ListItemText(list, static_cast<size_t>(index)) +
                                      "; the value given is not used");
            }
        }
        return TOptionChoice{index,
                             std::string(OptionListInfo(list).Items[static_cast<size_t>(index)])};
    };
    request.SampleRate = choice(olQuality);
    request.Channel = choice(olChannels);
    request.BitRate = choice(olBitRates);
    request.Volume = choice(olVolume);
    request.SameFolderAsInput = options.SameFolder;
    request.CopyTags = options.CopyTags;
    request.CoverFromVideo = options.CoverFromVideo;
    request.CopyAudioWhenPossible = !options.NoCopy;
    request.SplitChapters = options.SplitChapters;
    request.SplitPointsFile = options.ChaptersFrom.value_or("");
    request.CutStart = options.Start.value_or(-1);
    if (options.End) {
        request.CutEnd = *options.End;
    } else if (options.Duration) {
        request.CutEnd = options.Start.value_or(0) + *options.Duration;
    }
    request.NameTemplate = options.NameTemplate.value_or("");
    request.SkipExisting = options.SkipExisting;
    if (options.LoudnessTarget) {
        request.NormalizeLoudness = true;
        request.LoudnessTarget = *options.LoudnessTarget;
        if (options.Lists[olVolume]) {
            fixed_notes.emplace_back("--normalize sets the volume; the --volume given is not used");
        }
    }
    // Album gain replaces the per-file pass; tags replace any gain.
    if (options.NormalizeAlbum || options.ReplayGain) {
        request.NormalizeLoudness = false;
    }
    return request;
}

}  // namespace v2m::cli
