// Inputs and outputs over byte streams the caller made: the same opening as
// for named files, with the caller's I/O context in place of a file.

#include "FFmpeg.h"
#include "OutputBuilder.h"

namespace v2m {

namespace {

// Sets the slot for the duration of one opening, whatever way it ends.
class CallerIOScope {
public:
    CallerIOScope(AVIOContext*& slot, AVIOContext* io) : slot_(slot) { slot_ = io; }
    ~CallerIOScope() { slot_ = nullptr; }
    CallerIOScope(const CallerIOScope&) = delete;
    CallerIOScope& operator=(const CallerIOScope&) = delete;

private:
    AVIOContext*& slot_;
};

}  // namespace

bool TCustomFFmpeg::OpenInputFromIO(AVIOContext* io, const std::string& FileName) {
    if (io == nullptr) {
        last_error_text_ = "No byte stream to read " + FileName + " from";
        return false;
    }
    CallerIOScope scope(caller_input_io_, io);
    return OpenInputFile(FileName);
}

int TCustomFFmpeg::OpenOutputToIO(AVIOContext* io, const std::string& FileName) {
    return outputs_.OpenOutputToIO(io, FileName);
}

int engine::TOutputBuilder::OpenOutputToIO(AVIOContext* io, const std::string& FileName) {
    if (io == nullptr) {
        host_.SetLastErrorText("No byte stream to write " + FileName + " into");
        return -1;
    }
    const int count = [&] {
        CallerIOScope scope(caller_output_io_, io);
        return OpenOutputFile(FileName, false);
    }();
    if (count > 0) {
        // Format options given for the output ("fflags") replace its flags
        // wholesale; the mark that keeps the engine from closing the stream
        // must survive them.
        OutputFile(count - 1)->flags |= AVFMT_FLAG_CUSTOM_IO;
    }
    return count;
}

bool engine::TOutputBuilder::UseCallerOutput(AVFormatContext* file) {
    if (caller_output_io_ == nullptr) {
        return false;
    }
    // Nothing to create, name or settle at the end: the bytes are the caller's.
    file->pb = caller_output_io_;
    file->flags |= AVFMT_FLAG_CUSTOM_IO;
    return true;
}

}  // namespace v2m
