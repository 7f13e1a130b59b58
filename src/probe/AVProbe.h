#pragma once
// Opens a media file read-only and describes it: format, duration, size, tags,
// programs and streams. The probe never decodes.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "FFBaseComponent.h"
#include "FFmpegApi.h"
#include "FFmpegLogger.h"
#include "MediaOwners.h"

namespace v2m {

// Raised when a library the probe needs is not loaded; carries the user's text.
class EAVProbeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The container's information. Every number is -1 and every text empty when
// nothing is open.
struct TFileStreamInfo {
    int64_t StartTime = -1;  // microseconds; -1 when the container gives none
    int64_t Duration = -1;   // microseconds; -1 when the container gives none
    int32_t BitRate = -1;    // bits per second; 0 when the container gives none
    int64_t Timestamp = -1;  // creation time, seconds since 1970-01-01 UTC; 0 when absent
    int32_t Year = -1;       // 0 when absent
    int32_t Track = -1;      // 0 when absent
    std::string Title;
    std::string Author;
    std::string Copyright;
    std::string Comment;
    std::string Album;
    std::string Genre;
};

class TCustomAVProbe : public TFFBaseComponent {
public:
    TCustomAVProbe();
    ~TCustomAVProbe() override;

    // Opens the file (UTF-8 name, or the "unicode:utf8:" form); an empty format
    // name detects the format. Raises EAVProbeError when a library is missing.
    bool LoadFile(const std::string& file_name, const std::string& format_name = "");
    // The same over a byte stream the caller made (reading memory, say); the
    // name only labels it. The stream stays the caller's and must outlive the
    // open file (until CloseFile or the probe's end).
    bool LoadFromIO(AVIOContext* io, const std::string& name, const std::string& format_name = "");

    // Recomputes every field from the context.
    virtual void ParseInfo();
    // Describes a context opened elsewhere; the probe never closes it.
    virtual void AttachContext(AVFormatContext* context);
    // Closes an owned context; an attached one is only forgotten.
    virtual void CloseFile();

    std::string FileName();
    void GetFileStreamInfo(TFileStreamInfo& info);
    // Lines joined by CR LF.
    std::string FileInfoText();

    AVFormatContext* Context() const { return context_; }
    bool OwnsContext() const { return owned_context_ != nullptr; }
    const std::string& LastError() const { return last_error_; }
    const std::string& FormatName() const { return format_name_; }
    int64_t FileSize() const { return file_size_; }
    int32_t StreamCount() const { return stream_count_; }
    int32_t ProgramCount() const { return program_count_; }
    int32_t AudioStreamCount() const { return audio_stream_count_; }
    int32_t VideoStreamCount() const { return video_stream_count_; }
    int32_t SubtitleStreamCount() const { return subtitle_stream_count_; }
    int32_t FirstAudioStream() const { return first_audio_stream_; }
    int32_t FirstVideoStream() const { return first_video_stream_; }
    int32_t FirstSubtitleStream() const { return first_subtitle_stream_; }

protected:
    // Logs the text with this probe as sender and keeps it as LastError.
    void Report(TLogLevel level, const std::string& text);
    // Raises EAVProbeError naming the first of the needed libraries not loaded.
    static void CheckLibraries();

private:
    // LoadFile and LoadFromIO: `io` null opens the named file.
    bool Load(AVIOContext* io, const std::string& file_name, const std::string& format_name);
    std::string StreamLine(unsigned index) const;
    bool ReportWhenNothingOpen();

    AVFormatContext* context_ = nullptr;  // the open context, owned or attached
    InputContextPtr owned_context_;       // set only when the probe opened it
    std::string last_error_;
    std::string format_name_;
    int64_t file_size_ = -1;
    int32_t stream_count_ = -1;
    int32_t program_count_ = -1;
    int32_t audio_stream_count_ = -1;
    int32_t video_stream_count_ = -1;
    int32_t subtitle_stream_count_ = -1;
    int32_t first_audio_stream_ = -1;
    int32_t first_video_stream_ = -1;
    int32_t first_subtitle_stream_ = -1;
};

class TAVProbe : public TCustomAVProbe {
public:
    TAVProbe();
    ~TAVProbe() override;

    void ParseInfo() override;
    void CloseFile() override;

    // The first video stream, else the first audio stream, else -1.
    int32_t DefaultStream() const { return default_stream_; }
    // In the default stream's time base, or the file's start in microseconds
    // when there is no default stream; 0 when the libraries give none.
    int64_t DefaultStartTime() const { return default_start_time_; }

protected:
    // For descendants that read and decode packets; the probe itself never
    // fills these, it only releases them when the file closes.
    OpenedCodecContextPtr decoder_;
    PacketPtr packet_;
    int64_t read_position_ = AV_NOPTS_VALUE;
    bool end_of_file_ = false;

private:
    int32_t default_stream_ = -1;
    int64_t default_start_time_ = 0;
};

}  // namespace v2m
