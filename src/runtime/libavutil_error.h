#pragma once
// The user-facing text for a media library error code, prefixed with the file
// it concerns.

#include <string>

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

// The libraries' own text for a code (what a full disk or a refused write
// reports), for messages that pass it on as it is.
std::string LibraryErrorText(int code);

}  // namespace v2m
