#include "CliOptions.h"

#include <algorithm>
#include <charconv>
#include <functional>
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

// The options that cut a file into pieces and name the outputs; false when
// `name` is none of them.
bool ParsePieceOption(const std::string& name, const std::function<std::string()>& value,
                      const std::function<void()>& no_value, TCliOptions& options) {
    if (name == "--split-chapters") {
        no_value();
        options.SplitChapters = true;
    } else if (name == "--chapters-from") {
        options.ChaptersFrom = value();
    } else if (name == "--start") {
        options.Start = ParseTimeOption(name, value());
    } else if (name == "--end") {
        options.End = ParseTimeOption(name, value());
    } else if (name == "--duration") {
        options.Duration = ParseTimeOption(name, value());
    } else if (name == "--name") {
        options.NameTemplate = value();
        if (const std::string problem = NameTemplateProblem(*options.NameTemplate);
            !problem.empty() || options.NameTemplate->empty()) {
            throw EUsageError("--name '" + *options.NameTemplate +
                              "': " + (problem.empty() ? "the template is empty" : problem));
        }
    } else if (name == "--skip-existing") {
        no_value();
        options.SkipExisting = true;
    } else if (name == "--dry-run") {
        no_value();
        options.DryRun = true;
    } else {
        return false;
    }
    return true;
}

// The options for scripts; false when `name` is none of them.
bool ParseScriptOption(const std::string& name, const std::function<std::string()>& value,
                       const std::function<void()>& no_value, TCliOptions& options) {
    if (name == "--progress") {
        const std::string format = value();
        if (format != "json" && format != "text") {
            throw EUsageError("--progress '" + format + "': the format is json or text");
        }
        options.JsonProgress = format == "json";
    } else if (name == "--files-from") {
        options.FilesFrom = value();
        if (options.FilesFrom->empty()) {
            throw EUsageError("--files-from needs a file, or - for standard input");
        }
    } else if (name == "--null" || name == "-0") {
        no_value();
        options.NullSeparated = true;
    } else if (name == "--watch") {
        options.WatchFolders.push_back(value());
    } else if (name == "--watch-new-only") {
        no_value();
        options.WatchNewOnly = true;
    } else if (name == "--watch-settle" || name == "--watch-rescan") {
        const std::string text = value();
        double seconds = -1.0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
        if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
            seconds < 0.0 || seconds > 86400.0) {
            throw EUsageError(name + " '" + text + "' is not a number of seconds (0 to 86400)");
        }
        (name == "--watch-settle" ? options.WatchSettle : options.WatchRescan) = seconds;
    } else {
        return false;
    }
    return true;
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
        const auto value = [&]() -> std::string {
            if (inline_value) {
                return *inline_value;
            }
            if (i + 1 >= args.size()) {
                throw EUsageError(name + " needs a value");
            }
            return args[++i];
        };
        const auto no_value = [&] {
            if (inline_value) {
                throw EUsageError(name + " takes no value");
            }
        };

        bool list_option = false;
        for (TOptionList list : kListsInHelpOrder) {
            if (name == "--" + std::string(ListOptionName(list))) {
                options.Lists[list] = ParseListItem(list, value());
                list_option = true;
            }
        }
        if (list_option) {
            continue;
        }
        if (name == "--help" || name == "-h") {
            no_value();
            options.Command = TCommand::Help;
        } else if (name == "--version") {
            no_value();
            options.Command = TCommand::Version;
        } else if (name == "--list-profiles") {
            no_value();
            options.Command = TCommand::ListProfiles;
        } else if (name == "--doctor") {
            no_value();
            options.Command = TCommand::Doctor;
        } else if (name == "--profile") {
            options.Profile = value();
        } else if (name == "--out") {
            options.OutputFolder = value();
            if (options.OutputFolder->empty()) {
                throw EUsageError("--out needs a folder");
            }
        } else if (name == "--same-folder") {
            no_value();
            options.SameFolder = true;
        } else if (name == "--jobs" || name == "-j") {
            options.Jobs = ParseJobs(value());
        } else if (name == "--normalize") {
            // Only "--normalize=LUFS" carries a value: a bare one may precede an input.
            options.LoudnessTarget = ParseLoudnessTarget(inline_value.value_or("-16"));
        } else if (name == "--quiet" || name == "-q") {
            no_value();
            options.Quiet = true;
        } else if (name == "--no-tags") {
            no_value();
            options.CopyTags = false;
        } else if (name == "--cover-from-video") {
            no_value();
            options.CoverFromVideo = true;
        } else if (name == "--audio-track") {
            options.AudioTrack = ParseAudioTrack(value());
        } else if (name == "--audio-lang") {
            options.AudioLanguage = ParseLanguage(value());
        } else if (name == "--no-copy") {
            no_value();
            options.NoCopy = true;
        } else if (name == "--recursive" || name == "-r") {
            no_value();
            options.Recursive = true;
        } else if (!ParsePieceOption(name, value, no_value, options) &&
                   !ParseScriptOption(name, value, no_value, options)) {
            throw EUsageError("unknown option " + name);
        }
    }
    if (options.Command != TCommand::Convert) {
        return options;
    }
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
    if (!options.WatchFolders.empty()) {
        if (!options.Inputs.empty() || options.FilesFrom || options.DryRun) {
            throw EUsageError("--watch takes no inputs, --files-from or --dry-run");
        }
        return options;
    }
    if (options.Inputs.empty() && !options.FilesFrom) {
        throw EUsageError("no input file or folder");
    }
    return options;
}

std::string UsageText() {
    std::string text = std::string("Usage: ") + kProgramName +
                       " [--profile NAME] [--rate R] [--channels C] [--bitrate B] [--volume V]\n"
                       "       [--out DIR | --same-folder] [--jobs N] [--quiet] [--no-tags]\n"
                       "       [--cover-from-video] [--audio-track N | --audio-lang LANG]\n"
                       "       [--no-copy] [--recursive] [--normalize[=LUFS]]\n"
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

  --profile NAME    a profile caption or extension (see --list-profiles);
                    default: the first profile
  --list-profiles   print the profiles and their preset items, then exit
  --doctor          print the media libraries found (file, version), what
                    each profile needs of them and whether it is there, the
                    sound drivers, and the settings and state folders; exit
                    status 1 when a profile cannot work
  --rate R          sample rate in Hz
  --channels C      channel count
  --bitrate B       bit rate in kbit/s
  --volume V        volume in per cent (100: the source's level)
                    A list that the profile fixes keeps the profile's item.
                    Unset lists take the profile's item.
  --out DIR         write the outputs into DIR, an existing folder;
                    default: the current folder
  --same-folder     write each output beside its input
  --jobs N          convert N files at a time (default 1; 0: one per processor)
  --quiet           no progress on standard error
  --no-tags         the outputs take no tags (title, artist, album, ...) of
                    their inputs; by default they do, an untitled input
                    giving its file name as the title
  --cover-from-video
                    a video without a cover picture gives the MP3, M4A,
                    FLAC or Ogg output a frame at a tenth of its length
                    as the cover (at most 600 pixels wide or high)
  --audio-track N   convert the N-th audio track (1, 2, ...) of each file; a
                    file without it fails alone
  --audio-lang LANG convert the first audio track in language LANG (ISO 639
                    code, as "eng"; "de", "deu" and "ger" are one); a file
                    without one converts its default track, with a warning;
                    default: the default track
  --no-copy         always decode and encode; by default the audio is copied
                    unchanged when it is already in the output's codec and
                    every list is "auto"
  --recursive, -r   folders: enter sub-folders too, and recreate their
                    structure under the output folder
  --normalize[=LUFS]
                    normalise the loudness (EBU R128) to -16 LUFS, or to -23,
                    -18 or -14, with true peaks at most -1 dBTP: each file is
                    measured first, then converted; replaces --volume
  --split-chapters  one output per chapter of each file (a cue sheet beside
                    a file without chapters, "NAME.cue", gives the points);
                    each piece is tagged: title the chapter's, track N/total,
                    album the file's title. Pieces are cut to the sample, so
                    they are always re-encoded, never copied
  --chapters-from FILE
                    split at the points of FILE: a cue sheet, or a list of
                    times as video descriptions give them, one a line
                    ("0:00 Intro", "03:25 - Artist - Title", "1:02:10 Encore");
                    "{name}" in FILE stands for each input's name. Points past
                    the end, out of order or repeated fail that file alone
  --start T, --end T, --duration T
                    convert only the stretch from T (h:mm:ss.xxx, mm:ss or
                    seconds) to the end time or for the duration; with a
                    split, the pieces within it. Re-encoded, exact to the sample
  --name TEMPLATE   name the outputs from their tags: {name} (the input's
                    name, the default), {title}, {artist}, {album},
                    {albumartist}, {track}, {date}, {year}, {genre},
                    {chapter}, {n} (the piece's number), {profile}; ":02"
                    pads a number ({n:02}); "/" makes sub-folders of the
                    output folder. Missing tags give "Unknown Artist" and the
                    like; characters no file name may hold are replaced.
                    Pieces default to "{name} - {n:02} - {chapter}"
  --skip-existing   a file whose output is there already (complete, not
                    empty) is not converted; it counts as skipped
  --dry-run         print what each input would give (outputs, copied or
                    encoded, track, pieces, skipped) and write nothing
  --progress=json   standard error gets one JSON object a line instead of
                    text: "added", "started", "progress", "ended", "warning"
                    and "summary" events (see the manual page)
  --files-from FILE more inputs from FILE ("-": standard input), one a line;
                    with --null (-0) separated by NUL characters instead, as
                    "find ... -print0" writes them
  --watch DIR       run until signalled, converting each video file that
                    appears in DIR (with --recursive, in its sub-folders too)
                    once it is complete: unchanged for --watch-settle seconds
                    (default 5) and open for writing nowhere. A file is
                    converted once; one that is replaced or changed, again.
                    What was converted is kept in $XDG_STATE_HOME/video2mp3/.
                    Folders are looked through in full every --watch-rescan
                    seconds (default 30), for file systems that report no
                    changes. Files there at start are converted too, unless
                    --watch-new-only
  --help            print this text, then exit
  --version         print the program's version, then exit

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
        return TOptionChoice{index, std::string(OptionListInfo(list).Items[index])};
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
    return request;
}

}  // namespace v2m::cli
