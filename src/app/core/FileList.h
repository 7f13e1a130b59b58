#pragma once
// The file list: the rows the user has added, their column texts and records,
// the folder scan and the adding of files through the media probe.
//
// The list holds the rows themselves; a window shows them and a command-line
// front end prints them, and both add, remove and clear through this class so
// the rules (duplicates, texts, failures) are the same everywhere.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "AudioTracks.h"

namespace v2m {

class TCustomAVProbe;
struct TSourceFile;

// The record of one row.
struct TConvertFileData {
    std::string FileName;    // full path, exactly as the dialog or the folder scan gave it
    std::string OutputFile;  // output of the last conversion start; empty until then
    int32_t Progress = 0;    // 0 to 100; 100 when converted
    std::vector<TAudioTrack> AudioTracks;
    int AudioStream = -1;  // the track the user chose (stream index); -1: the default
    // The folder "Add Folder" entered with its sub-folders: the output
    // recreates the way from there. Empty for every other row.
    std::string Root;
    int64_t Duration = -1;  // microseconds, as the probe found it
    // What "Split by Chapters" makes of the file (its chapters, else a cue
    // sheet beside it), found when it was added; empty: it stays whole.
    std::vector<TPiece> ChapterPieces;
    // The row's own "Split by Chapters"; none: the Convert menu's.
    std::optional<bool> SplitChapters;
    // A cue sheet or timestamp list chosen for the row, and its pieces as
    // read when it was chosen.
    std::string SplitPointsFile;
    std::vector<TPiece> PointsPieces;
    // The row's cut, microseconds; -1: the file's start, its end.
    int64_t CutStart = -1;
    int64_t CutEnd = -1;
    // How many files the last conversion wrote (a split's pieces).
    size_t OutputCount = 0;
    // What adding the file read of it, for building its conversion without
    // opening it again; none for a row restored from an earlier session.
    std::shared_ptr<const TSourceFile> Source;
};

// One row: the texts of the six columns and the row's record.
struct TFileRow {
    std::string Name;          // "Name": the file name without folder
    std::string Duration;      // "Duration"
    std::string OriginalSize;  // "Original Size"
    std::string Output;        // "Output": the selected profile's Ext
    std::string Progress;      // "Progress"
    std::string OutputSize;    // "Output Size"
    std::string Audio;         // "Audio": the track converted, "1: eng AAC 5.1"
    std::string Parts;         // "Parts": "3 pieces", "cut 3:25"; empty: the whole file
    std::string Loudness;      // "Loudness": integrated, "-14.2 LUFS"; empty until measured
    std::string Peak;          // "Peak": true peak, "-0.8 dBTP"
    // Why the row's last conversion failed; shown with its "Failed".
    std::string FailureReason;
    // What the row's last conversion left out (a damaged cover); in its tooltip.
    std::string Warning;
    TConvertFileData Data;
};

inline constexpr std::array<std::string_view, 10> kFileListColumns = {
    "Name",        "Duration", "Original Size", "Output",   "Progress",
    "Output Size", "Audio",    "Parts",         "Loudness", "Peak"};
inline constexpr std::array<int, 10> kFileListColumnWidths = {100, 70,  70, 110, 80,
                                                              90,  130, 80, 90,  80};

// How a row came in; the two commands start "Output Size" differently.
enum class TAddCommand { AddFiles, AddFolder };

// "%.2d:%.2d:%.2d" (hours not limited to 24) of whole seconds of a duration in
// microseconds; "N/A" unless the duration is greater than 0.
std::string DurationColumnText(int64_t duration);
// "%.2fMB" of (size div 1024) / 1024: whole KiB first, then the fraction.
std::string SizeColumnText(int64_t file_size);
// "0.0MB" after "Add Files", "0" after "Add Folder".
std::string InitialOutputSizeText(TAddCommand command);
inline constexpr const char* kInitialProgressText = "0%";
inline constexpr const char* kFailedProgressText = "Failed";
inline constexpr const char* kCompletedProgressText = "Completed";
// Every output the file would give is there already ("Skip Files Already
// Converted"): nothing was written, and nothing failed.
inline constexpr const char* kSkippedProgressText = "Skipped";
inline constexpr const char* kStoppedProgressText = "Stopped";
// A file without any audio track, while an audio profile is chosen: nothing
// to convert, so the batch passes it over without counting it as a failure.
inline constexpr const char* kNoAudioProgressText = "No audio";

// What the probe found out about one file.
struct TProbedFile {
    bool Loaded = false;
    int64_t Duration = -1;  // microseconds
    int64_t FileSize = -1;
    std::string Error;  // the probe's LastError when not loaded
    std::vector<TAudioTrack> AudioTracks;
    // The pieces its chapters or a cue sheet beside it make (see TConvertFileData).
    std::vector<TPiece> ChapterPieces;
    std::shared_ptr<const TSourceFile> Source;  // all that was read; none when not loaded
};
using TFileProber = std::function<TProbedFile(const std::string& path)>;

// Opens files with the given probe. A probe that cannot work because the
// media libraries are not loaded reports that as the file's load failure.
TFileProber ProbeWith(TCustomAVProbe& probe);

// The three log lines of a file that cannot be read.
std::vector<std::string> FileLoadErrorLines(const std::string& error);

class TFileList {
public:
    const std::vector<TFileRow>& Rows() const { return rows_; }
    TFileRow& Row(size_t index) { return rows_.at(index); }
    size_t Count() const { return rows_.size(); }
    bool Empty() const { return rows_.empty(); }

    // Some row's FileName equals `path` (exact, case-sensitive).
    bool FileInList(const std::string& path) const;
    void Append(TFileRow row);
    // Deletes the rows at the given indexes (any order, duplicates allowed).
    void Remove(std::vector<size_t> indexes);
    void Clear() { rows_.clear(); }
    // Every row's "Output" becomes the newly selected profile's extension.
    void SetOutputExt(const std::string& ext);
    // Some row has Progress 100.
    bool AnyConverted() const;
    // Every row has Progress 100; true for an empty list.
    bool AllConverted() const;
    // Every row's "Audio" for the settings of the next conversion: the
    // chosen track, and "copy" when its packets would be copied.
    void UpdateAudioTexts(const TJobRequest& request);
    // The track in that language for every row that has one; the others
    // keep theirs. The number of rows that have it.
    size_t ChooseAudioLanguage(const std::string& language);

private:
    std::vector<TFileRow> rows_;
};

// The row's "Audio" for the settings of the next conversion, and "No audio"
// as its state when an audio profile would find nothing to convert.
void UpdateAudioText(TFileRow& row, const TJobRequest& request);
// The row has nothing an audio profile could convert.
bool HasNoAudio(const TFileRow& row);

// The row's own choices on top of the window's: its track, its split and its cut.
void ApplyRowChoices(const TConvertFileData& data, TJobRequest& request);
// The pieces the row gives with these settings, as far as the list knows
// them without opening the file; empty: the file is converted whole.
std::vector<TPiece> RowPieces(const TConvertFileData& data, const TJobRequest& request);
// The "Parts" text: "3 pieces", "1 piece", "cut 3:25", "2 pieces, cut 3:25";
// empty for a whole file.
std::string PartsColumnText(const TConvertFileData& data, const TJobRequest& request);

// A row for a probed file: the row the commands add.
TFileRow MakeFileRow(const std::string& path, const TProbedFile& probed, const std::string& ext,
                     TAddCommand command);

struct TAddResult {
    size_t Added = 0;
    size_t Failed = 0;
    std::vector<std::string> LogLines;  // three for every file that could not be read
    // Folder (with "/") of the last file "Add Files" added; empty when none was.
    std::string LastAddedFolder;
};

// The rules of one adding command, for files probed one by one in the order
// the command goes through them: which file gets a row, which is skipped and
// what is logged. Probing may happen anywhere, even ahead on other threads;
// only the order in which the files are taken here counts.
class TFileAdder {
public:
    // `list`: the rows there are as the command starts.
    TFileAdder(TAddCommand command, const TFileList& list);

    // False for a file "Add Files" skips: listed, or added by this command already.
    bool Wanted(const std::string& path) const;
    // The row for a probed file; none when it is skipped or cannot be read
    // (its three log lines are kept then).
    std::optional<TFileRow> Take(const std::string& path, const TProbedFile& probed,
                                 const std::string& ext);
    // The log lines kept since the last call, oldest first.
    std::vector<std::string> TakeLogLines();
    // What the command did so far; its log lines are those not taken yet.
    const TAddResult& Result() const { return result_; }

private:
    TAddCommand command_;
    // The names "Add Files" must not list twice; a set, so that a large list
    // does not make each file's check slower.
    std::unordered_set<std::string> listed_;
    TAddResult result_;
};

// What "Add Files" probes, in order: the names from the root folder of the
// paths not listed yet. A path given twice stays twice; the adder decides.
std::vector<std::string> AddFilesPlan(const TFileAdder& adder, std::span<const std::string> paths);
// What "Add Folder" probes, in order: what ScanVideoFolder finds; nothing when
// the folder does not exist.
std::vector<std::string> AddFolderPlan(const std::string& folder);

// "Add Files": each path in order, skipping any already listed. A file the
// probe cannot read gets no row and its three log lines; the command goes on
// with the next file, so one bad file does not silently drop the rest.
TAddResult AddFiles(TFileList& list, std::span<const std::string> paths, const TFileProber& prober,
                    const std::string& ext);

// "Add Folder": every file ScanVideoFolder finds, without a duplicate check.
// Adds nothing when the folder does not exist.
TAddResult AddFolder(TFileList& list, const std::string& folder, const TFileProber& prober,
                     const std::string& ext);

// The patterns of the video files, as one text and as its 27 masks: every
// type the desktop entry says the program opens.
inline constexpr const char* kVideoFilePatterns =
    "*.3GP;*.ASF;*.AVI;*.AVM;*.AVS;*.DAT;*.FLV;*.MKV;*.MOV;*.MP4;*.MPEG;*.MPG;*.NSV;*.OGM;*.RM;"
    "*.RMVB;*.TP;*.TS;*.VOB;*.WMV;*.WEBM;*.M4V;*.MTS;*.M2TS;*.OGV;*.3G2;*.DV;";
// The filter of the "Add Files" dialog: caption and patterns, alternately.
inline constexpr const char* kAddFilesFilter =
    "Video Files|*.3GP;*.ASF;*.AVI;*.AVM;*.AVS;*.DAT;*.FLV;*.MKV;*.MOV;*.MP4;*.MPEG;*.MPG;*.NSV;"
    "*.OGM;*.RM;*.RMVB;*.TP;*.TS;*.VOB;*.WMV;*.WEBM;*.M4V;*.MTS;*.M2TS;*.OGV;*.3G2;*.DV;"
    "|All Files|*.*";

// The patterns split at ";" (empty pieces dropped).
std::vector<std::string> SplitMasks(std::string_view patterns);
const std::vector<std::string>& VideoFileMasks();

// One entry of a dialog filter.
struct TDialogFilter {
    std::string Caption;
    std::vector<std::string> Masks;
};
// "Caption|mask;mask|Caption|mask" into its entries.
std::vector<TDialogFilter> ParseDialogFilter(std::string_view filter);

// Wildcard match of a whole name without regard to ASCII letter case: "*" is
// any run of characters, "?" exactly one.
bool MatchesMask(std::string_view name, std::string_view mask);
bool MatchesAnyMask(std::string_view name, std::span<const std::string> masks);
// The mask with every ASCII letter written as the set of both its cases
// ("*.AVI" gives "*.[aA][vV][iI]"), for file dialogs whose own matching heeds case.
std::string CaseFoldedMask(std::string_view mask);

// Full paths of the plain files directly in `folder` whose names match `mask`
// ("*.*" and "*" match every name, with or without a dot), sorted by name.
// Sub-folders are never entered; hidden files are included; entries that are
// not regular files (folders, devices, pipes, dangling links) are left out.
// Empty when the folder does not exist.
std::optional<std::vector<std::string>> ListFolderFiles(const std::string& folder,
                                                        std::string_view mask);

// The name from the root folder: relative names get the current folder.
std::string AbsoluteFileName(const std::string& path);

// The files directly in `folder` that match one of the video file masks.
std::optional<std::vector<std::string>> ScanVideoFolder(const std::string& folder);

// ScanVideoFolder of the folder, then of each sub-folder, depth first in name
// order. Linked folders are not entered: a link back up would never end.
std::optional<std::vector<std::string>> ScanVideoTree(const std::string& folder);

// "Add Folder" with sub-folders: ScanVideoTree, else ScanVideoFolder.
std::vector<std::string> AddFolderPlan(const std::string& folder, bool sub_folders);

// The output folder of a file found under `root` (see TreeOutputFolder), made
// when missing, becomes the request's; an error text when it cannot be.
std::string PrepareTreeOutput(TJobRequest& request, const std::string& root,
                              const std::string& file);

// The folder an output of `file`, found under `root`, goes to: `output_folder`
// followed by the file's folder relative to `root`. `output_folder` itself
// when the file is not under `root`.
std::string TreeOutputFolder(const std::string& output_folder, const std::string& root,
                             const std::string& file);

// Creates the missing folders of `folder` below the existing `base`; what
// exists stays as it is. An error text when a part is not a folder or is a
// link (an output written there would land outside the tree); empty when
// the folder is ready.
std::string MakeTreeFolder(const std::string& base, const std::string& folder);

}  // namespace v2m
