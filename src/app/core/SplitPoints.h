#pragma once
// Where a file's audio is cut into pieces: the points a pasted list of time
// stamps or a cue sheet gives, the file's own chapters, and the pieces they
// make. Every refusal names the line it comes from, so a user can fix the
// list without guessing.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace v2m {

// Where a piece begins, as a timestamp list or a cue sheet gives it.
struct TSplitPoint {
    int64_t Start = 0;      // microseconds from the file's beginning
    std::string Title;      // may be empty
    std::string Performer;  // may be empty
    int Line = 0;           // 1-based line of the file it came from; 0: not from a file
};

// One output of a file: a stretch of its audio and what it is called.
struct TPiece {
    int64_t Start = 0;    // microseconds
    int64_t Length = -1;  // microseconds; -1: to the end of the file
    std::string Title;    // never empty once made ("Chapter N" when unnamed)
    std::string Performer;
    int Number = 1;  // 1-based
    int Total = 1;
};

class ESplitPointsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "1:02:10.5", "03:25", "1:02:10", "75.25" (seconds) as microseconds; nullopt
// when the text is not a time: a sign, junk, or minutes or seconds of 60 and
// more below a higher field. Digits past the microsecond are rounded.
std::optional<int64_t> ParseTimeText(std::string_view text);
// "m:ss" or "h:mm:ss", with ".mmm" only when there are milliseconds.
std::string TimeText(int64_t microseconds);

// A list as people paste it from a video's description: a time at the start
// of a line ("0:00 Intro", "03:25 - Song", "[12:30] Song", "(4:05) Song",
// "1. 0:00 Song"), then the title after any separator (" - ", ":", "|", dashes).
// When every titled line reads "Artist - Title" the part before the dash is
// the performer. Lines without a leading time are other text and are skipped;
// a time there needs a colon, since a description's lines often begin with a
// year or a count. Throws ESplitPointsError when no line has a time.
std::vector<TSplitPoint> ParseTimestampList(const std::string& text);

// A cue sheet read through libcue: each track's INDEX 01, its title and its
// performer (else the disc's). Line is the line of the track's INDEX 01.
// Throws ESplitPointsError naming the file when it cannot be read or parsed,
// holds no track, a track has no INDEX 01, or the tracks lie in more than one
// audio file (their times would not describe one file).
std::vector<TSplitPoint> ReadCueSheet(const std::string& path);

// A cue sheet (the ".cue" extension, or a first line that opens like one) or
// else a timestamp list. Throws ESplitPointsError naming the file when it
// cannot be read.
std::vector<TSplitPoint> ReadSplitPointsFile(const std::string& path);

// The pieces the points make of a file `duration` microseconds long (-1:
// unknown): piece N runs from point N to point N+1, the last to the end.
// Refuses points at or past the end, out of order or repeated, with a message
// that names the line ("line 4: ...") or, for points not from a file, the
// point ("point 3: ..."). Unnamed pieces are called "Chapter N".
std::vector<TPiece> PiecesFromPoints(const std::vector<TSplitPoint>& points, int64_t duration);

// A chapter as the container gives it, in microseconds; End -1: unknown.
struct TChapterMark {
    int64_t Start = 0;
    int64_t End = -1;
    std::string Title;
};
// The pieces a file's own chapters make. The container is trusted, but empty
// chapters are dropped and overlapping ones clipped so that no audio goes
// into two pieces; an unknown end is the next chapter's start; nothing runs
// past `duration` when it is known (-1: unknown).
std::vector<TPiece> PiecesFromChapters(const std::vector<TChapterMark>& chapters, int64_t duration);

}  // namespace v2m
