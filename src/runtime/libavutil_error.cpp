#include "libavutil_error.h"

#include <cerrno>

#include "FFmpegApi.h"
#include "Format.h"

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
};

}  // namespace

std::string AVErrorText(const std::string& file_name, int code) {
    for (const ErrorText& entry : kErrorTexts) {
        if (entry.code == code) {
            return file_name + ": " + entry.text;
        }
    }
    return file_name + ": " + Format("Error number %d occurred", code);
}

std::string LibraryErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    if (ff::av_strerror(code, text, sizeof text) < 0) {
        return Format("Error number %d occurred", code);
    }
    return text;
}

}  // namespace v2m
