#pragma once
// Turning one file of the list into the records of one conversion task: the
// input record, the output record and the output file's name.
//
// Nothing here reads a control: the window hands over what its controls show,
// and a command-line front end hands over what it was told, so both build the
// very same tasks.
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "FFConverter.h"
#include "SplitPoints.h"

namespace v2m {

// One of the four option lists as the user left it: the selected index (0 is
// "Auto") and that item's text.
struct TOptionChoice {
    int Index = 0;
    std::string Item;
};

// The gain tags of one stretch of a file: a piece of a split, or a cut.
struct TStretchGainTags {
    int64_t Start = 0;    // microseconds, as TPiece's
    int64_t Length = -1;  // -1: to the end of the file
    std::vector<std::pair<std::string, std::string>> Tags;
};

// Everything a task is built from.
struct TJobRequest {
    std::string ProfileExt;    // the selected profile's Ext, without the dot
    TOptionChoice Channel;     // "Auto", "Mono", "Stereo"
    TOptionChoice SampleRate;  // Hz
    TOptionChoice Volume;      // per cent
    TOptionChoice BitRate;     // kbit/s
    bool SameFolderAsInput = false;
    // The output folder as typed; "/" is appended when it lacks one.
    std::string OutputFolder;
    // The probe's FileName and FormatName for the file of the row.
    std::string SourceFileName;
    std::string SourceFormatName;
    // A video profile: the input's pictures are converted too.
    bool KeepVideo = false;

    // The input's audio stream to convert (its index among all the file's
    // streams); -1: the file's default audio track, else its first.
    int AudioStream = -1;
    // Packets of the chosen track are copied, not re-encoded, when its codec
    // is already the output's and nothing asks for decoding.
    bool CopyAudioWhenPossible = true;
    // The input's tags (title, artist, album, ...) become the output's.
    bool CopyTags = true;
    // Without an attached picture, a frame of the video becomes the cover.
    bool CoverFromVideo = false;
    // Two passes: measure the track's loudness, then convert at the target.
    bool NormalizeLoudness = false;
    double LoudnessTarget = -16.0;  // LUFS: -23, -18, -16 or -14
    // One gain (dB) for the samples, measured beforehand for the file's
    // whole album; replaces the Volume list and NormalizeLoudness.
    std::optional<double> FixedGain;
    // Tags the output takes beside the input's, whatever CopyTags says: the
    // gain for players to apply (ReplayGain or R128, see GainTags). These
    // describe the whole file; the output of a piece (Piece set) takes those
    // of its own stretch from PieceGainTags instead, or none.
    std::vector<std::pair<std::string, std::string>> GainTags;
    std::vector<TStretchGainTags> PieceGainTags;

    // Pieces: the file is split at its own chapters, else at a cue sheet
    // beside it (the same name with ".cue"); without either it stays whole.
    bool SplitChapters = false;
    // A cue sheet or a timestamp list to split at, whatever the file holds;
    // "{name}" in it stands for the file's name without its extension.
    std::string SplitPointsFile;
    // A cut, in microseconds from the file's beginning; -1: its start, its end.
    int64_t CutStart = -1;
    int64_t CutEnd = -1;
    // How outputs are named (see ExpandNameTemplate); empty: after the input,
    // and a split's pieces after the input, their number and title.
    std::string NameTemplate;
    // A file whose output name is taken by a complete file is not converted.
    bool SkipExisting = false;

    // The stretch one job converts, set per piece by whoever splits the file;
    // unset: the whole file. A piece with a title is one of a split, and is
    // tagged as a track of its own. Anything but the whole file is
    // re-encoded: packets cannot be cut to the sample.
    std::optional<TPiece> Piece;

    // Filled per file from its probe (ResolveAudioTrack): the chosen track's
    // codec (short name; empty: unknown, never copied) and, for a video
    // profile, the video stream converted beside it.
    std::string AudioCodecName;
    int VideoStream = -1;
};

// A file that cannot become a task (no output name fits); it fails alone.
class EJobError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TCoverFolder;
// The loudness targets offered, in LUFS.
inline constexpr double kLoudnessTargets[] = {-23.0, -18.0, -16.0, -14.0};

// How a job's warning about a cover it leaves out begins; the reason follows.
inline constexpr std::string_view kCoverLeftOutWarning = "The cover picture is left out: ";

struct TJob {
    TInputOptions Input;
    // Inputs after the first, in the order the output's maps number them
    // (a cover picture made from the video).
    std::vector<TInputOptions> MoreInputs;
    // Holds the files of MoreInputs that were made for this job; they go
    // when the last copy of the job's folder does, so whoever runs the task
    // keeps it until the task has ended.
    std::shared_ptr<TCoverFolder> MadeFiles;
    TOutputOptions Output;  // Output.FileName is the chosen output name
    // The output folder text with its separator; the window shows it.
    std::string OutputFolder;
    // What the job leaves out that the user may miss (a damaged cover).
    std::string Warning;
    // Nothing to do: Output.FileName is there already, complete (SkipExisting).
    bool AlreadyDone = false;
    // Tags the output's muxer cannot write (iTunes freeform atoms of an M4A),
    // added to the finished file before it takes its name (AddFreeformTags).
    std::vector<std::pair<std::string, std::string>> FreeformTags;
};

// "." followed by the extension in ASCII lower case.
std::string ExtensionKey(const std::string& ext);

// The item read as a whole decimal integer; `fallback` when it is not one.
int32_t OptionItemValue(const std::string& item, int32_t fallback);

// The engine's volume for a per-cent item: 256 is the source's own level.
int32_t VolumeOfPercent(int32_t percent);
// The engine's volume for a gain in dB, never above it.
int32_t VolumeOfGain(double gain);

// The input record: the probe's name and format, the input's video off
// unless the profile converts video.
TInputOptions BuildInputOptions(const TJobRequest& request);

// The output record and its file name. The name avoids every existing file
// and every name in `batch_names` (the outputs chosen earlier in the same
// run), and is added to `batch_names`; it is shortened to what the folder's
// file system takes. Throws EJobError when no name can be made.
// Throws EJobError when no name can be made. `source` gives the tags a name
// template may use (a piece's, see TagsOfPiece). With SkipExisting and
// `already_done`, a complete file of the name is the output itself: the name
// is returned as it is and `*already_done` set. Nothing is created.
struct TSourceTagInfo;
struct TSourceFile;
TOutputOptions BuildOutputOptions(const TJobRequest& request, std::set<std::string>& batch_names,
                                  const TSourceTagInfo* source = nullptr,
                                  bool* already_done = nullptr);

// The pieces the request makes of the file (its chapters, a cue sheet or a
// list of points, a cut), whose audio lasts `duration` microseconds (-1:
// unknown); empty: the file is converted whole. Throws EJobError, naming the
// fault, when the points or the cut do not fit the file.
std::vector<TPiece> PiecesOfFile(const TJobRequest& request, const TSourceFile* file,
                                 int64_t duration);
// How long a piece of a file `duration` microseconds long lasts: its own
// length, else up to the file's end; -1 when neither is known.
int64_t PieceLength(const TPiece& piece, int64_t duration);
// The pieces within a cut (CutStart, CutEnd as in TJobRequest) of a file
// `duration` microseconds long: those across its ends shortened, those
// outside it gone; the cut itself when there are no pieces. Throws EJobError
// as PiecesOfFile does.
std::vector<TPiece> CutPieces(std::vector<TPiece> pieces, int64_t cut_start, int64_t cut_end,
                              int64_t duration);

// The output's stream maps as option lines ("map=0:N"), one per output
// stream in the order the engine creates them; empty when the engine's own
// choice stands (no track named).
std::string OutputStreamMaps(const TJobRequest& request);

// The chosen track goes into the output as it is: its codec is already the
// output's, and nothing asks for decoding (every list "Auto", no loudness
// normalisation, an audio profile, the container fixing nothing).
bool AudioCopyPossible(const TJobRequest& request);

// What a profile needs of the media libraries, and what of it they lack.
struct TProfileNeeds {
    std::string Muxer;         // the container's short name ("mp3", "matroska")
    std::string AudioEncoder;  // "libmp3lame"
    std::string VideoEncoder;  // empty for an audio profile
    // "no encoder libmp3lame", "no muxer ipod": empty when the profile can work.
    std::vector<std::string> Missing;
};
// The libraries must be loaded.
TProfileNeeds ProfileNeeds(const std::string& profile_ext, bool keep_video);

// One output a file would give, as a plan shows it.
struct TPlannedOutput {
    std::string FileName;
    bool Copied = false;       // the audio packets go in as they are
    bool AlreadyDone = false;  // there already, complete: skipped
    std::optional<TPiece> Piece;
};

// What converting the file would write, nothing created or changed:
// its pieces and their outputs' names as the folders are now. The names
// join `batch_names`. Throws EJobError as the conversion would fail.
std::vector<TPlannedOutput> PlanOutputs(const TJobRequest& request, const TSourceFile* file,
                                        int64_t duration, std::set<std::string>& batch_names);

// Both records, for one row. `source` is what the caller read of the file
// (its tags and cover come from there); without it the file is opened once
// for them.
TJob BuildJob(const TJobRequest& request, std::set<std::string>& batch_names,
              const TSourceFile* source = nullptr);

}  // namespace v2m
