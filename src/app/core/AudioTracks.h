#pragma once
// The audio tracks of a file as the user chooses among them: a short label
// for each, the track the engine takes when nobody chooses, and the choice
// by number or by language.

#include <string>
#include <vector>

#include "JobBuilding.h"

struct AVFormatContext;

namespace v2m {

struct TSourceFile;

struct TAudioTrack {
    int StreamIndex = -1;  // among all the file's streams
    std::string Language;  // the stream's tag; "und" when it has none
    std::string Codec;     // the codec's short name ("aac", "mp3")
    std::string Layout;    // "stereo", "5.1"
    int SampleRate = 0;
    int Channels = 0;
    bool Default = false;  // marked as the file's default track
    // Its packets can go into an output as they are (a stream description
    // players need is there).
    bool Copyable = true;
};

// The audio streams of an open file, in stream order.
std::vector<TAudioTrack> AudioTracksOf(const AVFormatContext* context);

// The track (an index into `tracks`) marked as default, else the first; -1
// when there is none.
int DefaultAudioTrack(const std::vector<TAudioTrack>& tracks);
// The track of the stream index; -1 when no track has it.
int TrackOfStream(const std::vector<TAudioTrack>& tracks, int stream_index);
// The first track in that language (ISO 639 code, ASCII case ignored; the
// two- and three-letter forms of a common language are one); -1 when none is.
int TrackOfLanguage(const std::vector<TAudioTrack>& tracks, const std::string& language);

// "1: eng AAC 5.1": the 1-based number, language, codec and layout; "copy"
// follows when the packets are copied.
std::string AudioTrackText(const std::vector<TAudioTrack>& tracks, int track, bool copied);

// The track the request converts: its own when it names one, else the
// default. -1 when the file has no audio.
int ChosenAudioTrack(const std::vector<TAudioTrack>& tracks, const TJobRequest& request);

// Completes the request for one file: a file of several tracks gets its
// track named (so that the converted track is the one the list shows), and
// the chosen track's codec and the video stream go into the request for the
// output's stream maps and the copy decision.
void ResolveAudioTrack(const TSourceFile* file, TJobRequest& request);

}  // namespace v2m
