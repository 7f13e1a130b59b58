#pragma once
// The user-facing text for a media library error code, prefixed with the file
// it concerns.

#include <string>

struct AVFormatContext;

namespace v2m {

// "<file name>: <text>". Codes are matched by their symbolic meaning, so the
// texts stay right whatever numbers the platform gives its error codes; an
// system error without a text of its own reads as the system words it ("No
// space left on device"); any other code reads "Error number <code> occurred".
std::string AVErrorText(const std::string& file_name, int code);

// Our own code for a name that is no regular file (a folder, a FIFO, a
// device): opening one to read could block for ever.
inline constexpr int kNotRegularFileError =
    -static_cast<int>('N' | ('R' << 8) | ('E' << 16) | (static_cast<unsigned>('G') << 24));

// AVErrorText for a file that could not be opened as media, worded for what
// usually lies behind it: an empty file says so, and the codes a demuxer
// gives when the data runs out or makes no sense ("I/O error", "Invalid
// argument", "End of file") say the file is cut short or damaged.
std::string InputOpenErrorText(const std::string& file_name, int code);

// "<file name>: the file is empty" for a regular file of no bytes, which
// some demuxers open as a stream with nothing in it; empty otherwise.
std::string EmptyFileRefusal(const std::string& file_name);

// The libraries' own text for a code (what a full disk or a refused write
// reports), for messages that pass it on as it is.
std::string LibraryErrorText(int code);

// Nothing is worth playing or converting below this many samples a second; a
// header that claims such a rate is damaged or hostile, and taken at its word
// it makes every buffer of sound last minutes.
inline constexpr int kLowestSampleRate = 1000;

// "<file name>: Unsupported sample rate <n> Hz: not a media file we can play
// or convert" for the first audio stream whose rate is known and below
// kLowestSampleRate; empty when there is none.
std::string SampleRateRefusal(const std::string& file_name, const AVFormatContext* context);

}  // namespace v2m
