#pragma once
// What an output takes over from its input besides the sound: the tags a
// music player shows and the cover picture.
#include <string>
#include <utility>
#include <vector>

#include "JobBuilding.h"

namespace v2m {

// The tags an output takes over: what a music player shows.
inline constexpr const char* kContentTags[] = {"title", "album", "artist", "album_artist",
                                               "date",  "track", "genre",  "comment"};

// What the input file offers; read once per job.
struct TSourceTagInfo {
    bool Readable = false;  // false: the file could not be opened, nothing is copied
    bool HasTitle = false;
    // The tags that describe the content, under their lower-case names, in
    // the order of kContentTags; never a container's own (brands, versions).
    std::vector<std::pair<std::string, std::string>> Tags;
    int CoverStream = -1;   // the attached picture's stream index
    int DefaultAudio = -1;  // the audio track with the default mark, else the first
};

// What an open input offers; no file (one that could not be read) gives an
// unreadable record.
TSourceTagInfo SourceTagInfoOf(const AVFormatContext* file);

// A piece of a split is a track of its own: its title, its number of the
// pieces, the file's title (else its name) as the album, its performer when
// known. Anything else is the file's.
TSourceTagInfo TagsOfPiece(const TJobRequest& request, TSourceTagInfo source);

// The output's option lines for the tags: the input's content tags, the title taken
// from the file name when the input has none, the tag version MP3 players
// all read. Empty when tags are not to be copied.
std::string TagOptionLines(const TJobRequest& request, const TSourceTagInfo& source);

// True when the output's container keeps a cover picture of its own.
bool OutputKeepsCover(const TJobRequest& request);
// True for the Ogg outputs, whose comments carry the cover as text.
bool OutputTakesCoverComment(const TJobRequest& request);

// The output's option lines that carry the cover over: the picture copied as
// it is into a picture stream marked as the cover. The engine's maps follow
// the output's streams, the picture stream first, so the audio track's map
// comes after the cover's. Empty when there is no cover to carry.
std::string CoverMapLines(const TJobRequest& request, const TSourceTagInfo& source);
// The same for a picture that is the only stream of the job's second input.
std::string SecondInputCoverMapLines(const TJobRequest& request, const TSourceTagInfo& source);

}  // namespace v2m
