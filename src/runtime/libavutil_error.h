#pragma once
// The user-facing text for a media library error code, prefixed with the file
// it concerns.

#include <string>

namespace v2m {

// "<file name>: <text>". Codes are matched by their symbolic meaning, so the
// texts stay right whatever numbers the platform gives its error codes; an
// unknown code reads "Error number <code> occurred".
std::string AVErrorText(const std::string& file_name, int code);

// The libraries' own text for a code (what a full disk or a refused write
// reports), for messages that pass it on as it is.
std::string LibraryErrorText(int code);

}  // namespace v2m
