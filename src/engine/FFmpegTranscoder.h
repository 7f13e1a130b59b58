#pragma once
// One run of TCustomFFmpeg::Transcode: the set-up of the stream tables, the
// main loop that reads, decodes and distributes packets, the audio output path
// and the single exit of every packet. The object lives for one run; its
// tables and work buffers go with it.

#include <cstdint>
#include <string>
#include <vector>

#include "FFmpeg.h"
#include "FFmpegTranscode.h"

namespace v2m::engine {

// Scales decoded audio in its own sample format by volume / 256: integer
// formats as ((sample x volume + 128) >> 8) clamped to the format's range
// (unsigned 8-bit around its midpoint 128), floating-point formats by the
// factor clamped to [-1, 1]. 256 leaves every sample as it is.
void ApplyVolume(AVFrame* frame, int volume);

class TTranscoder {
public:
    explicit TTranscoder(TCustomFFmpeg& ffmpeg);
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
    void SetStreamParameters();
    void SetCopyParameters(TTranscodeOutputStream& ost, const TTranscodeInputStream& ist);
    void OpenPassLogFile(TTranscodeOutputStream& ost, int number);
    void OpenEncoders();
    void OpenDecoders();
    void CreateFifos();
    void InitTimestamps();
    void CopyMetadata();
    void CopyChapters();
    void InitBitstreamFilters();
    void WriteHeaders();
    void LogStreamMapping();
    void DumpOutputFile(int file_index);
    [[noreturn]] void FailAfterMapping(const std::string& message, bool log_error);
    bool OwnsStream(const TTranscodeOutputStream& ost) const;
    int ForcedDecoderIndex(const TTranscodeInputStream& ist) const;
    TBitstreamFilterChain& ChainOf(const TTranscodeOutputStream& ost);
    AVMediaType OutputType(const TTranscodeOutputStream& ost) const;
    AVMediaType InputType(const TTranscodeInputStream& ist) const;

    // Main loop and teardown (FFmpegLoop.cpp).
    void MainLoop();
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

    AVFormatContext* OutputFileOf(const TTranscodeOutputStream& ost) const;
    AVCodecContext* EncoderOf(const TTranscodeOutputStream& ost) const;
    void Log(TLogLevel level, const std::string& text) const;

    TCustomFFmpeg& ffmpeg_;
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
};

}  // namespace v2m::engine
