#pragma once
// One run of TCustomFFmpeg::Transcode, which sees the engine through
// TTranscodeContext alone: the set-up of the stream tables, the
// main loop that reads, decodes and distributes packets, the audio output path
// and the single exit of every packet. The object lives for one run; its
// tables and work buffers go with it.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "BitmapBridge.h"
#include "FFmpeg.h"
#include "FFmpegTranscode.h"
#include "LoudnessAnalyser.h"

namespace v2m::engine {

// Microseconds as a time base, the one the stream records' Pts and NextPts
// count in: AV_TIME_BASE_Q, whose compound literal is C only.
inline constexpr AVRational kMicroseconds{1, 1000000};

// Scales decoded audio in its own sample format by volume / 256: integer
// formats as ((sample x volume + 128) >> 8) clamped to the format's range
// (unsigned 8-bit around its midpoint 128), floating-point formats by the
// factor clamped to [-1, 1]. 256 leaves every sample as it is.
void ApplyVolume(AVFrame* frame, int volume);

class TVideoGraphBuilder;

class TTranscoder {
public:
    explicit TTranscoder(TTranscodeContext& context);
    ~TTranscoder();
    TTranscoder(const TTranscoder&) = delete;
    TTranscoder& operator=(const TTranscoder&) = delete;

    // Set-up, main loop and teardown. Failures raise FFmpegException.
    void Run();

private:
    // Set-up (FFmpegTranscode.cpp).
    void SetUp();
    void BuildInputTables();
    void BuildOutputTable();
    void ChooseSources();
    int FindSource(const TTranscodeOutputStream& ost, AVMediaType type) const;
    bool InProgram(const TTranscodeInputStream& ist, int program_id) const;
    // Whether the stream may be the source of that output by the automatic choice.
    bool CanFeed(const TTranscodeInputStream& ist, const TTranscodeOutputStream& ost,
                 AVMediaType type) const;
    static bool IsCoverPicture(const TTranscodeInputStream& ist);
    bool IsStillImageFile(const TTranscodeInputStream& ist) const;
    void SetStreamParameters();
    void DropStaleGainTags(TTranscodeOutputStream& ost) const;
    void SetCopyParameters(TTranscodeOutputStream& ost, const TTranscodeInputStream& ist);
    // Raises the failure of a copy that would lose what needs decoded frames.
    void CheckCopyAllowed(AVMediaType type) const;
    void SetCopyTimeBase(TTranscodeOutputStream& ost, const TTranscodeInputStream& ist,
                         AVMediaType type);
    void OpenPassLogFile(TTranscodeOutputStream& ost, int number);
    void OpenEncoders();
    // The codec's share of the processors, for codecs that can use several.
    void ShareProcessors(AVCodecContext* context, const AVCodec* codec, const char* role);
    void OpenDecoders();
    void CreateFifos();
    void InitTimestamps();
    void CopyMetadata();
    void CopyChapters();
    void InitBitstreamFilters();
    void WriteHeaders();
    void LogStreamMapping();
    // The measuring pass (FFmpegLoudness.cpp): sets the volume that brings
    // the audio output's source to the loudness target.
    void NormalizeLoudness();
    // The audio output whose loudness is normalised; null when none is.
    const TTranscodeOutputStream* NormalizedOutput() const;
    // Nothing when a stop cut the measurement short.
    std::optional<TLoudness> MeasureLoudness(const TTranscodeInputStream& ist);
    void DumpOutputFile(int file_index);
    [[noreturn]] void FailAfterMapping(const std::string& message, bool log_error);
    bool OwnsStream(const TTranscodeOutputStream& ost) const;
    int ForcedDecoderIndex(const TTranscodeInputStream& ist) const;
    TBitstreamFilterChain& ChainOf(const TTranscodeOutputStream& ost);
    AVMediaType OutputType(const TTranscodeOutputStream& ost) const;
    AVMediaType InputType(const TTranscodeInputStream& ist) const;

    // Main loop and teardown (FFmpegLoop.cpp).
    void MainLoop();
    void ClearNoPacket();
    bool FileSizeLimitReached() const;
    // Decodes and distributes the packet just read from input `chosen`, and
    // unreferences it; false when its decoding failed (and was only logged).
    bool HandlePacket(int chosen);
    int ChooseInputFile(int current) const;
    double RunningTime(const TTranscodeOutputStream& ost) const;
    bool FrameLimitReached(const TTranscodeOutputStream& ost) const;
    void AdjustTimestamps(AVPacket* packet, TTranscodeInputStream& ist);
    // False when the loop ends with this input.
    bool EndOfInput(int file, int read_error, int& current);
    // The longest delay a re-made encoder puts before its first sample, in microseconds.
    int64_t ReopenJoinEncoders();
    void Teardown();
    void CheckAudioEncoded() const;
    void FinishOutputFiles();
    void CloseOutputFiles();
    // 0, or -1 when decoding failed. Without a packet, flushes the stream.
    int OutputPacket(TTranscodeInputStream& ist, int ist_index, const AVPacket* packet);
    int DecodeAudio(TTranscodeInputStream& ist, int ist_index, const AVPacket* packet);
    void DistributeFrame(TTranscodeInputStream& ist, int ist_index, AVFrame* frame);
    bool TrimAudioFrame(TTranscodeInputStream& ist, AVFrame* frame) const;
    void EmulateRate(const TTranscodeInputStream& ist) const;
    void AdvanceWithoutDecoding(TTranscodeInputStream& ist, const AVPacket* packet);
    void CopyPacket(TTranscodeOutputStream& ost, const TTranscodeInputStream& ist,
                    const AVPacket* packet, int64_t packet_pts);
    void FlushOutputs(int ist_index);

    // Audio output path (FFmpegAudioOut.cpp).
    void DoAudioOut(AVFormatContext* os, TTranscodeOutputStream& ost, TTranscodeInputStream& ist,
                    AVFrame* frame);
    // Makes (or remakes, for new input parameters) the converter a block
    // needs; false when the block goes to the FIFO as it is.
    // Drops, pads or stretches the block so the output keeps to the input's
    // clock; false when nothing of the block is left to encode.
    bool KeepAudioInSync(AVFormatContext* os, TTranscodeOutputStream& ost,
                         TTranscodeInputStream& ist, AVFrame* frame, double delta, int& samples);
    bool PrepareResampler(TTranscodeOutputStream& ost, const AVFrame* frame);
    void PushSamples(AVFormatContext* os, TTranscodeOutputStream& ost, const uint8_t* const* data,
                     int samples, int input_channels);
    void PushSilence(AVFormatContext* os, TTranscodeOutputStream& ost, const AVFrame* like,
                     int samples);
    void DrainResampler(TTranscodeOutputStream& ost);
    void EncodeFifo(AVFormatContext* os, TTranscodeOutputStream& ost);
    void EncodeFifoRemainder(AVFormatContext* os, TTranscodeOutputStream& ost);
    void EncodeSamples(AVFormatContext* os, TTranscodeOutputStream& ost, int samples, int padded);
    void SendToEncoder(AVFormatContext* os, TTranscodeOutputStream& ost, const AVFrame* frame);
    void WriteFrame(AVFormatContext* os, AVPacket* packet, AVCodecContext* avctx,
                    TBitstreamFilterChain& chain, TTranscodeOutputStream& ost);
    void FilterPacket(AVFormatContext* os, AVPacket* packet, AVCodecContext* avctx,
                      TBitstreamFilterChain& chain, size_t index, TTranscodeOutputStream& ost);
    void WritePacket(AVFormatContext* os, AVPacket* packet, TTranscodeOutputStream& ost);

    // Video and subtitle paths (FFmpegVideoOut.cpp).
    void SetVideoEncoding(TTranscodeOutputStream& ost, TTranscodeInputStream& ist);
    void SetSubtitleEncoding(TTranscodeOutputStream& ost, TTranscodeInputStream& ist);
    // Gives a text subtitle encoder the header its source's decoder makes.
    void TakeSubtitleHeader(TTranscodeOutputStream& ost);
    // Builds the stream's graph for pictures of that geometry; 0 or -1.
    int ConfigureFilters(TTranscodeOutputStream& ost, int width, int height, int pix_fmt,
                         AVRational aspect, bool at_set_up);
    // The encoder takes the size the graph gives (at set-up), or must already
    // have it; false with the error text set when it differs.
    // Source, crop and scale, the user's filters and sink; false with the
    // builder's error text when a step fails.
    bool BuildVideoGraph(TVideoGraphBuilder& graph, const TTranscodeOutputStream& ost, int width,
                         int height, int pix_fmt, AVRational aspect) const;
    bool TakeFilteredSize(TTranscodeOutputStream& ost, const AVFilterContext* sink, bool at_set_up);
    int DecodeVideo(TTranscodeInputStream& ist, int ist_index, const AVPacket* packet);
    int DecodeSubtitle(TTranscodeInputStream& ist, int ist_index, const AVPacket* packet);
    // The picture the rest of the path uses: the decoded one, or the hook
    // buffer after deinterlacing and hooks.
    AVFrame* PreProcessVideoFrame(TTranscodeInputStream& ist, AVFrame* picture);
    // The hook buffer, writable and of the picture's geometry; null when it cannot be.
    AVFrame* HookBufferFor(const AVFrame* picture);
    void DoCustomHook(AVFrame* picture, int64_t pts);
    void DistributePicture(TTranscodeInputStream& ist, int ist_index, AVFrame* picture);
    // A null picture ends the graph's input and drains it.
    void FilterVideo(AVFormatContext* os, TTranscodeOutputStream& ost, TTranscodeInputStream& ist,
                     AVFrame* picture);
    void OutputVideo(AVFormatContext* os, TTranscodeOutputStream& ost, TTranscodeInputStream& ist,
                     AVFrame* picture);
    void DoVideoOut(AVFormatContext* os, TTranscodeOutputStream& ost, TTranscodeInputStream& ist,
                    AVFrame* picture, int& frame_size);
    // The crop view of the picture; null when it is skipped.
    AVFrame* CropView(const TTranscodeOutputStream& ost, const AVFrame* picture);
    // The picture scaled (or copied) into the padded work picture; null when it is skipped.
    AVFrame* ScaleAndPad(TTranscodeOutputStream& ost, const AVFrame* picture, bool scaled);
    // Encodes the final picture nb_frames times (duplicates), with the flags
    // of the decoded one; frame_size is the last encoded size.
    void EncodeCopies(AVFormatContext* os, TTranscodeOutputStream& ost,
                      const TTranscodeInputStream& ist, const AVFrame* picture,
                      const AVFrame* final_picture, int nb_frames, int& frame_size);
    int FramesToEncode(AVFormatContext* os, TTranscodeOutputStream& ost);
    void FollowPictureSize(TTranscodeOutputStream& ost, const TTranscodeInputStream& ist,
                           const AVFrame* picture);
    // Raises the failure with ExitOnError, else logs it: the picture or subtitle is skipped.
    void SkipOrFail(const char* message);
    // Sends one picture (null drains) and writes what comes out; the bytes written.
    int EncodeVideo(AVFormatContext* os, TTranscodeOutputStream& ost, const AVFrame* frame);
    void PreviewHook(const AVFrame* picture, const AVCodecContext* enc, int64_t pts);
    void FlushVideo(AVFormatContext* os, TTranscodeOutputStream& ost, TTranscodeInputStream& ist);
    void DoSubtitleOut(AVFormatContext* os, TTranscodeOutputStream& ost,
                       const TTranscodeInputStream& ist, const AVSubtitle* sub, int64_t pts);

    AVFormatContext* OutputFileOf(const TTranscodeOutputStream& ost) const;
    AVCodecContext* EncoderOf(const TTranscodeOutputStream& ost) const;
    void Log(TLogLevel level, const std::string& text) const;

    TTranscodeContext& context_;
    TEngineOptions& options_;
    TTranscodeState& state_;

    std::vector<TTranscodeInputFile> input_files_;
    std::vector<TTranscodeInputStream> input_streams_;
    std::vector<TTranscodeOutputStream> output_streams_;
    std::vector<uint8_t> no_packet_;  // per possible input file
    int no_packet_count_ = 0;
    int block_size_ = 0;  // output streams per join block

    // Work buffers: they only grow, and live for the run.
    PacketPtr packet_;                 // read from the inputs
    PacketPtr out_packet_;             // from an encoder, or a stream copy
    std::vector<PacketPtr> filtered_;  // out of each filter of a chain, by position
    FramePtr decoded_;                 // out of a decoder
    FramePtr resampled_;               // out of a resampler
    int resampled_capacity_ = 0;
    FramePtr encode_frame_;  // cut from a FIFO for an encoder
    int encode_capacity_ = 0;
    std::vector<const uint8_t*> planes_;  // a decoded block after dropped samples

    // Video work pictures. Each is made writable before it is written again:
    // an encoder may still hold the last one it was given.
    FramePtr hook_buffer_;  // deinterlaced or hooked picture, sized from the picture
    FramePtr crop_view_;    // the input picture seen through the crop bands
    FramePtr video_frame_;  // the reference given to an encoder
    FramePtr filter_in_;    // the reference given to a filter graph
    FramePtr filtered_picture_;
    int32_t hook_frame_count_ = 0;
    // A hook that asked to stop, or failed, is off for the rest of the run.
    bool custom_hook_on_ = true;
    bool vhook_on_ = true;
    TBitmapBridge hook_converter_;
    TBitmapBridge preview_converter_;
    int64_t last_preview_time_ = 0;  // steady clock, microseconds
    // The subtitle encoders' output buffer, made on first use.
    std::vector<uint8_t> subtitle_buffer_;
};

}  // namespace v2m::engine
