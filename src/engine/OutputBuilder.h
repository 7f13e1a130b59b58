#pragma once
// The outputs of an engine: the output files, the streams created in them
// with their encoder settings, the byte stream each is written to and the
// partial files this engine created, until they get their final names.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "EngineOwners.h"
#include "FFmpegApi.h"
#include "FFmpegLogger.h"
#include "SafeFiles.h"

namespace v2m {

struct TEngineOptions;
struct TOutputStream;
using TBitstreamFilterChain = std::vector<engine::BitstreamFilterPtr>;

namespace engine {

class TOptionParser;

// Called with each partial output of a run that ended well, before it takes
// its final name; a returned text fails the run.
using TOutputFinisher = std::function<std::string(const std::string& partial)>;

// What the output side needs of the engine that owns it: the inputs (which
// stream types an output gets, a join's duration), the encoder lookup, the
// last error text every failed step leaves, the expected duration and the
// log. The engine implements it privately.
class TOutputHost {
public:
    virtual int InputFileCount() const = 0;
    virtual AVFormatContext* InputFile(int index) const = 0;
    // FindCodecByName for an encoder.
    virtual bool FindEncoder(const std::string& name, AVMediaType type, AVCodecID& id,
                             const AVCodec** codec) = 0;
    virtual const std::string& LastErrorText() const = 0;
    virtual void SetLastErrorText(const std::string& text) = 0;
    virtual void SetExpectedDuration(int64_t duration) = 0;
    virtual void Log(TLogLevel level, const std::string& text) = 0;

protected:
    ~TOutputHost() = default;
};

class TOutputBuilder {
public:
    TOutputBuilder(int max_files, TEngineOptions& options, TOptionParser& parser,
                   TOutputHost& host);
    ~TOutputBuilder();
    TOutputBuilder(const TOutputBuilder&) = delete;
    TOutputBuilder& operator=(const TOutputBuilder&) = delete;

    // The engine's public output calls; see TCustomFFmpeg.
    int OpenOutputFile(const std::string& FileName, bool Join);
    int OpenOutputToIO(AVIOContext* io, const std::string& FileName);
    void NewVideoStream(AVFormatContext* file);
    void NewAudioStream(AVFormatContext* file);
    void NewSubtitleStream(AVFormatContext* file);
    // A stream of the type in the last output opened.
    void NewStreamInLastOutput(AVMediaType type);

    AVFormatContext* OutputFile(int index) const;
    const AVCodec* OutputCodec(int index) const;
    TOutputStream* FindOutputStream(const AVFormatContext* file, int stream) const;
    int OutputFileCount() const { return static_cast<int>(output_files_.size()); }
    int OutputCodecCount() const { return static_cast<int>(output_codecs_.size()); }
    int OutputStreamCount() const { return static_cast<int>(output_streams_.size()); }
    bool JoinMode() const { return join_mode_; }
    void LeaveJoinMode() { join_mode_ = false; }
    TBitstreamFilterChain& BitstreamFiltersOf(const AVFormatContext* file, int stream);
    // The rate and channels left to the source become the source's, as far as
    // the encoder supports them.
    void TakeSourceAudioFormat(TOutputStream& stream, const AVCodecContext& source);

    // Lets go of the output files and their stream records; an output shared
    // by several join entries goes with its last one.
    void CloseFiles();
    void ClearBitstreamFilters();

    // The partial files of the run. Created when the run writes the header:
    // a task that never runs leaves nothing.
    void CreateOutputBytes(AVFormatContext* file);
    // When the outputs are closed: after a completed run they get their final
    // names, after a failed one they go; a stopped run leaves them to
    // DiscardUnfinishedOutputs. Returns the failure to publish one, if any.
    std::string SettleOutputs(bool completed, bool has_error, bool running);
    void DiscardUnfinishedOutputs();
    std::vector<std::string> WrittenOutputNames() const;
    void SetKeepUnfinishedOutputs(bool keep) { keep_unfinished_outputs_ = keep; }
    bool KeepUnfinishedOutputs() const { return keep_unfinished_outputs_.load(); }
    void SetOutputFinisher(TOutputFinisher finisher) { output_finisher_ = std::move(finisher); }

private:
    int CreateOutputFile(const std::string& FileName, bool Join);
    // The steps of CreateOutputFile; a false or null result leaves the last error text set.
    struct TOutputStreamTypes {
        bool Video = false;
        bool Audio = false;
        bool Subtitle = false;
    };
    const AVOutputFormat* ChooseMuxer(const std::string& FileName, const std::string& url);
    bool ChooseOutputStreamTypes(const AVOutputFormat& muxer, bool Join, TOutputStreamTypes& types);
    // The types the inputs offer (the first alone in join mode).
    bool FindInputStreamTypes(bool Join, TOutputStreamTypes& inputs);
    bool CreateOutputStreams(AVFormatContext* file, const TOutputStreamTypes& types);
    void SetOutputMetadata(AVFormatContext* file);
    void ApplyMuxerSettings(AVFormatContext* file, const AVOutputFormat& muxer);
    void EnterJoinMode(const std::shared_ptr<AVFormatContext>& file);
    // The byte stream of a new output. Its name is chosen (a taken name
    // moves on to the next numbered one) and tried when the output is made,
    // but the file is only created, exclusively and under its partial name,
    // when the run writes the header.
    int OpenOutputBytes(AVFormatContext* file, const std::string& FileName);
    void NameOutput(AVFormatContext* file, const std::string& path, const std::string& wanted);
    // Gives the new output the caller's byte stream, if there is one.
    bool UseCallerOutput(AVFormatContext* file);
    // Removes unpublished partial outputs from `first` on; `only_empty`
    // spares those with content.
    void RemoveUnfinishedOutputs(size_t first, bool only_empty);
    int OutputFileRow(const AVFormatContext* file) const;
    TOutputStream& AddOutputStream(AVFormatContext* file, AVStream* stream, AVMediaType type,
                                   const AVCodec* encoder, TBitstreamFilterChain& pending_filters);
    // The encoder a new stream is made for: the one named, else the muxer's
    // default for the media type; none in copy mode.
    struct TEncoderChoice {
        const AVCodec* ByName = nullptr;
        AVCodecID Id = AV_CODEC_ID_NONE;
        const AVCodec* Encoder = nullptr;
        bool NameFound = true;
    };
    TEncoderChoice ChooseEncoder(AVFormatContext* file, AVMediaType type, const std::string& name,
                                 bool copy);
    void SetVideoHeaderFlags(AVCodecContext* codec, const AVOutputFormat& muxer);
    void SetVideoFrameFormat(TOutputStream& record, const AVCodec* encoder);
    void SetVideoQuality(TOutputStream& record);
    void SetAudioEncoding(TOutputStream& record, const AVCodec* encoder);
    void ApplyRcOverride(AVCodecContext* codec);
    void ChooseSupportedRateAndLayout(TOutputStream& stream);

    const int max_files_;
    TEngineOptions& options_;
    TOptionParser& parser_;
    TOutputHost& host_;

    // Owned with OutputContextClose as deleter (the file itself is settled by
    // SettleOutputs); in join mode one output appears once per input and goes
    // with its last entry.
    std::vector<std::shared_ptr<AVFormatContext>> output_files_;
    std::vector<const AVCodec*> output_codecs_;
    std::vector<std::unique_ptr<TOutputStream>> output_streams_;  // in creation order
    std::vector<TBitstreamFilterChain> bitstream_filters_;        // MaxFiles x 20
    bool join_mode_ = false;
    // Outputs this engine created, with the final names they are meant for.
    struct TCreatedOutput {
        const AVFormatContext* File = nullptr;
        TCreatedFile Partial;  // empty until the run creates it
        std::string FinalName;
        bool Published = false;
    };
    std::vector<TCreatedOutput> created_outputs_;  // guarded by created_mutex_
    mutable std::mutex created_mutex_;
    std::atomic<bool> keep_unfinished_outputs_{false};
    TOutputFinisher output_finisher_;
    // The caller's byte stream for the output being opened, while
    // OpenOutputToIO runs.
    AVIOContext* caller_output_io_ = nullptr;
};

}  // namespace engine

}  // namespace v2m
