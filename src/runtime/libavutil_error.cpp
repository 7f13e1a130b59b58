#include "libavutil_error.h"

#include <sys/stat.h>

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

std::string EmptyFileRefusal(const std::string& file_name) {
    struct stat status {};
    if (::stat(file_name.c_str(), &status) == 0 && S_ISREG(status.st_mode) && status.st_size == 0) {
        return file_name + ": the file is empty";
    }
    return {};
}

std::string InputOpenErrorText(const std::string& file_name, int code) {
    if (std::string empty = EmptyFileRefusal(file_name); !empty.empty()) {
        return empty;
    }
    if (code == AVERROR(EIO) || code == AVERROR(EINVAL) || code == AVERROR_EOF) {
        return file_name + ": the file ends too early or is damaged (" +
               AVErrorText("", code).substr(2) + ")";
    }
    return AVErrorText(file_name, code);
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

std::string SampleRateRefusal(const std::string& file_name, const AVFormatContext* context) {
    for (unsigned i = 0; context != nullptr && i < context->nb_streams; ++i) {
        const AVCodecParameters* audio = context->streams[i]->codecpar;
        if (audio->codec_type == AVMEDIA_TYPE_AUDIO && audio->sample_rate > 0 &&
            audio->sample_rate < kLowestSampleRate) {
            return Format(
                "%s: Unsupported sample rate %d Hz: not a media file we can play or convert",
                file_name.c_str(), audio->sample_rate);
        }
    }
    return {};
}

}  // namespace v2m
