#include "FailureText.h"

#include <cerrno>
#include <string_view>
#include <utility>

#include "SafeFiles.h"

namespace v2m {

std::string PlainFailureReason(const std::string& error) {
    static constexpr std::pair<std::string_view, const char*> kPlain[] = {
        {"does not contain any stream", "has no audio track"},
        {"could not find codec parameters", "is not a media file the libraries can read"},
        {"Invalid data found when processing input", "is not a media file the libraries can read"},
        {"Error while opening decoder for input stream", "a track of it cannot be decoded"},
        {"Error while opening encoder for output stream",
         "the encoder does not start with these settings"},
        {"Error while opening codec for output stream",
         "the encoder does not start with these settings"},
        {"Unsupported codec for output stream", "the libraries here have no encoder for this profile"},
        {"Audio encoding failed", "encoding failed"},
        {"Video encoding failed", "encoding failed"},
    };
    for (const auto& [engine_words, plain] : kPlain) {
        if (error.find(engine_words) != std::string::npos) {
            return plain;
        }
    }
    // What the system said about the disk or the folder is all a user needs;
    // the file and stream numbers around it are not.
    for (const int code : {ENOSPC, EDQUOT, EROFS, EACCES, EFBIG, EIO}) {
        const std::string words = SystemErrorText(code);
        if (error.ends_with(": " + words)) {
            return words;
        }
    }
    return error;
}

std::string PlainLoadFailure(const std::string& error, const std::string& file_name) {
    const std::string named = file_name + ": ";
    return PlainFailureReason(error.starts_with(named) ? error.substr(named.size()) : error);
}

}  // namespace v2m
