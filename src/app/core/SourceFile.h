#pragma once
// What building a conversion needs to know of an input, read while the probe
// has the file open. Adding a file keeps it with the row, so that starting
// the file's conversion does not open it again: only the engine does.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "AudioTracks.h"
#include "SplitPoints.h"
#include "TagCopying.h"

namespace v2m {

class TCustomAVProbe;

// Size and modification time of a file on disk, to tell when it changed.
struct TFileStamp {
    int64_t Size = -1;
    int64_t Modified = -1;  // nanoseconds since the epoch

    bool operator==(const TFileStamp&) const = default;
};

struct TSourceFile {
    std::string FileName;    // as the probe opened it
    std::string FormatName;  // the demuxer asked for; empty: found by probing
    int64_t Duration = -1;   // microseconds
    int64_t FileSize = -1;   // as the probe reports it
    TFileStamp Stamp;        // taken before the file was opened
    std::vector<TAudioTrack> AudioTracks;
    int VideoStream = -1;  // the first stream of moving pictures; -1: none
    std::vector<TChapterMark> Chapters;
    TSourceTagInfo Tags;
    // Why its attached picture cannot be an output's cover; empty when it can
    // or when there is none.
    std::string CoverProblem;
};

using TSourcePtr = std::shared_ptr<const TSourceFile>;

// The stamp of the file now; none (Size -1) when it cannot be read.
TFileStamp FileStampOf(const std::string& path);

// Opens the file with the probe, reads all of the above and closes it again.
// None when it cannot be read, with the probe's message (which names the
// file) in `error`. `format_name` forces a demuxer.
TSourcePtr ProbeSource(TCustomAVProbe& probe, const std::string& path, std::string& error,
                       const std::string& format_name = "");

// What was read of the file can still be trusted: the file has the size and
// modification time it had then.
bool SourceStillCurrent(const TSourceFile& source);

}  // namespace v2m
