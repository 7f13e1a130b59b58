#include "libavutil_error.h"

#include <cerrno>
#include <cstring>

#include "FFmpegApi.h"
#include "Format.h"
#include "SafeFiles.h"

namespace v2m {

namespace {

struct ErrorText {
    int code;
    const char* text;
};

// The library's own texts (av_strerror) differ between versions and are not
// what our users have always been shown, so the known codes keep fixed texts.
const ErrorText kErrorTexts[] = {
    {AVERROR_PATCHWELCOME, "Not yet implemented in FFmpeg"},
    {AVERROR(EPROTONOSUPPORT), "Unsupported network protocol"},
    {AVERROR_DEMUXER_NOT_FOUND, "Unknown format"},
    {AVERROR(ENOSYS), "Operation not supported"},
    {AVERROR(EDOM), "Number syntax expected in filename"},
    {AVERROR_EOF, "End of file"},
    {AVERROR_INVALIDDATA, "Invalid data found when processing input"},
    {AVERROR(ENOMEM), "Not enough memory"},
    {AVERROR(EIO), "I/O error"},
    {AVERROR(ENOENT), "No such file or directory"},
    {kNotRegularFileError, "not a regular file"},
};

}  // namespace

std::string AVErrorText(const std::string& file_name, int code) {
    for (const ErrorText& entry : kErrorTexts) {
        if (entry.code == code) {
            return file_name + ": " + entry.text;
        }
    }
    // A system error (permission denied, no space left, read-only file
    // system) says what happened in the system's words.
    if (code < 0 && code > -4096 && ::strerrorname_np(-code) != nullptr) {
        return file_name + ": " + SystemErrorText(-code);
    }
    return file_name + ": " + Format("Error number %d occurred", code);
}

std::string LibraryErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    if (ff::av_strerror(code, text, sizeof text) < 0) {
        if (code < 0 && code > -4096 && ::strerrorname_np(-code) != nullptr) {
            return SystemErrorText(-code);
        }
        return Format("Error number %d occurred", code);
    }
    return text;
}

}  // namespace v2m
