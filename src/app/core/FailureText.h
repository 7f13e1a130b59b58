#pragma once
// Failures as a user reads them. The engine and the libraries speak of output
// file numbers and codec parameters; a row or a line of the command-line
// front end says what is wrong with the file, and the log keeps the original.
#include <string>

namespace v2m {

// "has no audio track", "is not a media file the libraries can read", a
// codec that does not start or work, the system's own words for a full disk
// or a refused folder; any other text as it is.
std::string PlainFailureReason(const std::string& error);
// The same for a file the probe cannot read, said where the file is named
// already: the probe's own "<file>: " goes.
std::string PlainLoadFailure(const std::string& error, const std::string& file_name);

}  // namespace v2m
