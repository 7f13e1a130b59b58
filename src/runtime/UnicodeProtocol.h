#pragma once
// File names on their way to the libraries. Local names are UTF-8 already and
// pass unchanged; the "unicode:utf8:" URL form remains the way components hand
// each other a name that must be opened by our own file access, and is served
// through a custom I/O context.

#include <string>

#include "FFmpegApi.h"

namespace v2m {

inline constexpr const char* kUnicodeURLPrefix = "unicode:utf8:";
inline constexpr const char* kFilePrefix = "file:";

bool NeedsUnicodeURL(const std::string& name);
bool IsUnicodeURL(const std::string& text);
std::string ToLibraryFileName(const std::string& name);
std::string FromLibraryFileName(const char* text);

// Enables the URL form; true only on the call that enabled it.
bool RegisterUnicodeProtocol();
bool UnicodeProtocolRegistered();

// True when the name is to be read or written as a local file, with that
// file's path: the URL form, the "file:" form, a name that exists on disk, or
// one the libraries would not take for a URL of another protocol.
bool IsLocalFileName(const std::string& url, std::string* path);

// Opens an input: plain names and URLs through the libraries, the URL form
// through our own file access. Same contract as avformat_open_input: *context
// is null or a context from avformat_alloc_context that the caller has set up;
// on failure *context is null, a context passed in is freed and nothing is
// left open. A context that comes with a byte stream (pb) is read from that
// stream, which stays the caller's: the name then only labels it.
int OpenInputContext(AVFormatContext** context, const std::string& url, const AVInputFormat* format,
                     AVDictionary** options);
// Closes an input opened with OpenInputContext, including our own I/O context.
void CloseInputContext(AVFormatContext** context);

// Opens an output byte stream for writing: a URL through the libraries, the
// URL form as a new file (never an existing one). Same results as avio_open.
int OpenOutputIO(AVIOContext** io, const std::string& url);
// A byte stream writing into a file the caller opened; it owns the descriptor
// from here, also on failure.
int OpenOutputIOOnFile(AVIOContext** io, int fd);
// Flushes and closes it; returns the first write or close error, else 0.
int CloseOutputIO(AVIOContext** io);

// The URL form's own file access, as the libraries call it through an I/O
// context; exposed so tests can drive it directly.
namespace unicode_file {
enum Mode { kRead = 0, kWrite = 1, kReadWrite = 2 };
// 0 and an open file, or the system's error as AVERROR(errno).
int Open(const std::string& url, int mode, int* fd);
int Read(void* opaque, uint8_t* buffer, int size);
int Write(void* opaque, uint8_t* buffer, int size);
int64_t Seek(void* opaque, int64_t position, int whence);
void Close(int fd);
}  // namespace unicode_file

}  // namespace v2m
