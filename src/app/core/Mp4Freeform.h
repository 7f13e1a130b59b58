#pragma once
// Tags of the MP4 family that the libraries' muxer cannot write: iTunes
// freeform atoms ('----' with mean "com.apple.iTunes" and a name), the form
// players read ReplayGain values from in M4A files.

#include <string>
#include <utility>
#include <vector>

namespace v2m {

// Adds a freeform atom for each tag to moov/udta/meta/ilst of the finished
// file at `path` (one this run wrote), making the boxes that are missing.
// When moov is the file's last box it is rewritten where it is; otherwise it
// moves to the end and its old place becomes a 'free' box, so the chunk
// offsets into mdat stay true. Empty on success, else the reason.
std::string AddFreeformTags(const std::string& path,
                            const std::vector<std::pair<std::string, std::string>>& tags);

}  // namespace v2m
