#pragma once
// The records of one conversion run: what the engine knows about every input
// stream and every output stream while it transcodes, with the open state of
// their codecs, and the counters that outlive the run.

#include <cstdint>
#include <memory>
#include <vector>

#include "EngineOwners.h"
#include "FFmpegApi.h"

namespace v2m {

struct TOutputStream;

struct TTranscodeInputFile {
    int32_t EofReached = 0;   // reading returned end of file or an error
    int32_t FirstStream = 0;  // input stream index of the file's stream 0
    int32_t StreamCount = 0;
};

struct TTranscodeInputStream {
    int32_t FileIndex = 0;
    int32_t StreamIndex = 0;
    AVStream* Stream = nullptr;       // the demuxer's stream
    AVCodecContext* Codec = nullptr;  // its decoder settings, kept by the engine
    engine::OpenCodecPtr Decoder;     // Codec while it is open
    int32_t Discard = 1;              // no output stream takes it
    int32_t DecodingNeeded = 0;
    int64_t ReadStartClock = 0;        // microseconds; rate emulation only
    int64_t NextPts = AV_NOPTS_VALUE;  // microseconds
    int64_t Pts = 0;                   // microseconds
    int32_t IsStart = 1;               // no sync drop or pad has happened yet
    int32_t MultiPacketWarned = 0;
    int32_t PastRecordingTime = 0;
    int32_t Flushed = 0;  // join mode: drained at the end of its file
    // Channels the audio encoders fed from it want; the decoder is asked to
    // downmix to that count when it can. 0: no request.
    int32_t RequestedChannels = 0;
    int32_t Quality = 0;  // of the last decoded picture
};

// The parameters a resampler was made for; a block with others needs a new one.
struct TResamplerInput {
    int32_t Format = AV_SAMPLE_FMT_NONE;
    int32_t Rate = 0;
    int32_t Channels = 0;
    uint64_t Mask = 0;  // channel mask of a native layout, else 0
};

struct TTranscodeOutputStream {
    int32_t FileIndex = 0;  // index into OutputFiles (the block in join mode)
    int32_t StreamIndex = 0;
    int32_t SourceIndex = 0;  // input stream index of its source
    AVStream* Stream = nullptr;
    // The engine's record of the stream: encoder settings and running position.
    // Join blocks share the record of their stream.
    TOutputStream* Output = nullptr;
    int32_t EncodingNeeded = 0;
    int32_t FrameNumber = 0;  // frames encoded (packets for stream copy)
    TTranscodeInputStream* SyncInput = nullptr;
    int64_t SyncOpts = 0;  // output position in encoder time-base units
    // Where the next frame given to the encoder starts, in samples: it only
    // grows, so packets stay in order whatever the input clock does.
    int64_t EncoderPts = 0;

    // Audio.
    int32_t AudioResample = 0;       // rate or channel count change
    engine::ResamplerPtr Resampler;  // resamples and converts sample formats
    TResamplerInput ResamplerInput;
    int32_t ReformatPair = -6;  // encoder format + 5 x decoder format of the converter
    engine::AudioFifoPtr Fifo;  // encoder-side samples, in the encoder's format

    // Video. Sizes are those of the pictures the decoder gives, bands and
    // pads those in use (crop bands follow a change of picture size).
    int32_t VideoResample = 0;     // the picture is scaled or converted
    engine::FramePtr TempPicture;  // scaled and/or padded picture, output size and format
    engine::ScalerContextPtr ScaleContext;
    int32_t ResampleHeight = 0;  // cropped input geometry the scaler was made for
    int32_t ResampleWidth = 0;
    int32_t ResamplePixFmt = AV_PIX_FMT_NONE;
    int32_t FirstFrameHeight = 0;
    int32_t FirstFrameWidth = 0;
    int32_t VideoCrop = 0;
    int32_t TopBand = 0;
    int32_t BottomBand = 0;
    int32_t LeftBand = 0;
    int32_t RightBand = 0;
    int32_t ConfiguredTopBand = 0;
    int32_t ConfiguredBottomBand = 0;
    int32_t ConfiguredLeftBand = 0;
    int32_t ConfiguredRightBand = 0;
    int32_t VideoPad = 0;
    int32_t PadTop = 0;
    int32_t PadBottom = 0;
    int32_t PadLeft = 0;
    int32_t PadRight = 0;
    // The filter graph of this stream, and the picture geometry it was built for.
    engine::FilterGraphPtr FilterGraph;
    AVFilterContext* FilterInput = nullptr;   // "src", owned by the graph
    AVFilterContext* FilterOutput = nullptr;  // "out", owned by the graph
    int32_t FilterWidth = 0;
    int32_t FilterHeight = 0;
    int32_t FilterPixFmt = AV_PIX_FMT_NONE;

    engine::CFilePtr LogFile;  // pass-1 statistics
    // Pass-2 statistics, lent to the encoder while it opens. Declared before
    // Encoder so that they outlive the open encoder.
    AVMemory PassStats;
    // The encoder (Output->Codec) while it is open; only the stream that owns
    // the record holds it (block 0 in join mode).
    engine::OpenCodecPtr Encoder;
    int32_t SavedCodecId = 0;  // join mode: restored before each re-open
    int32_t Active = 0;        // 0 once its join segment has ended

    // Packets enter WriteFrame in the first time base (the encoder's, or the
    // source stream's for a copy) and leave its filter chain in the second.
    AVRational SourceTimeBase{0, 1};
    AVRational PacketTimeBase{0, 1};
};

// What a run counts; the counters feed the progress report.
struct TTranscodeState {
    int64_t TimerStart = 0;  // steady clock, microseconds
    int64_t VideoSize = 0;   // bytes
    int64_t AudioSize = 0;
    int64_t ExtraSize = 0;  // encoders' global headers
    int32_t FramesDup = 0;
    int32_t FramesDrop = 0;
    bool DupDropChanged = false;
};

// Microseconds of a steady clock: rate emulation, report intervals and elapsed time.
int64_t EngineClock();

}  // namespace v2m
