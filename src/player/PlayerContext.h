#pragma once
// The working state of one open file, shared by the player's threads: a
// record for each kind of stream (its decoder, the packets between the reader
// and it, its own thread's state), the picture and subtitle queues towards
// the display, and the clocks and controls every thread shares.

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FFPlay.h"
#include "FFmpegApi.h"
#include "ManualResetEvent.h"
#include "MediaOwners.h"
#include "SDLApi.h"

namespace v2m {

// Seconds of the monotonic clock.
double NowSeconds();
int64_t NowMicroseconds();

// Packets on their way from the read thread to one decoder. A flush marker
// tells the decoder that a seek happened: drop what it holds.
class TPacketQueue {
public:
    struct TEntry {
        PacketPtr Packet;  // null for a flush marker
        bool Flush = false;
    };
    // Takes over the packet's data. False when no memory is left.
    bool Put(AVPacket* packet);
    void PutFlush();
    // 1 with an entry, 0 when empty and not blocking, -1 once aborted.
    int Get(TEntry& entry, bool block);
    void Flush();
    void Abort();
    void Start();
    bool Aborted() const { return aborted_.load(); }
    int Count();
    int64_t Size();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<TEntry> entries_;
    int64_t size_ = 0;
    std::atomic<bool> aborted_{false};
};

struct TQueuedPicture {
    double Pts = 0.0;     // seconds
    double Target = 0.0;  // wall time, seconds, at which it is due
    int64_t Pos = -1;     // byte position in the file
    FramePtr Frame;       // planar YUV 4:2:0
    int Width = 0;
    int Height = 0;
    AVRational SampleAspect{0, 1};
};

struct TQueuedSubtitle {
    double Pts = 0.0;
    SubtitlePtr Subtitle;
};

inline constexpr size_t kPictureSlots = 2;
inline constexpr size_t kSubtitleSlots = 4;
inline constexpr size_t kVisualisationSamples = 0x20000;

// Events the player sends to its own play thread.
enum TPlayerEventCode {
    pePicture = 0,
    peRefresh = 1,
    peQuit = 2,
    peReopenDisplay = 3,
    peResize = 4,
    peExpose = 5,
    peCount = 6
};
uint32_t PlayerEventType(TPlayerEventCode code);

struct TxFree {
    void operator()(AVTXContext* context) const { ff::av_tx_uninit(&context); }
};

struct SdlWindowFree {
    void operator()(SDL_Window* window) const { ff::SDL_DestroyWindow(window); }
};
struct SdlRendererFree {
    void operator()(SDL_Renderer* renderer) const { ff::SDL_DestroyRenderer(renderer); }
};
struct SdlTextureFree {
    void operator()(SDL_Texture* texture) const { ff::SDL_DestroyTexture(texture); }
};
using SdlWindowPtr = std::unique_ptr<SDL_Window, SdlWindowFree>;
using SdlRendererPtr = std::unique_ptr<SDL_Renderer, SdlRendererFree>;
using SdlTexturePtr = std::unique_ptr<SDL_Texture, SdlTextureFree>;

// The display, owned by the play thread. Members go in reverse order:
// textures before their renderer, the renderer before its window.
struct TDisplay {
    SdlWindowPtr Window;
    SdlRendererPtr Renderer;
    SdlTexturePtr Picture;  // the picture shown, IYUV
    int PictureWidth = 0;
    int PictureHeight = 0;
    SDL_Rect PictureRect{};
    bool HasPicture = false;  // the texture holds the picture to show
    TQueuedPicture Last;      // kept to draw again after the renderer is remade
    SdlTexturePtr Canvas;     // the sound drawn; kept between refreshes
    int CanvasWidth = 0;
    int CanvasHeight = 0;
    std::vector<uint32_t> CanvasPixels;
    bool ShowingCanvas = false;
    int Width = 0;  // display size
    int Height = 0;
    int64_t LastStart = 0;
    int NextColumn = 0;
    std::unique_ptr<AVTXContext, TxFree> Tx;
    av_tx_fn TxFunction = nullptr;
    int TxBits = 0;
    std::vector<float> TxInput;                         // kept: the spectrum is drawn
    std::vector<std::vector<AVComplexFloat>> TxOutput;  // at every refresh
    ScalerContextPtr ToBitmap;
    std::shared_ptr<const TBitmap24> Bitmap;  // bitmap output: the latest made
};

// Converts pictures for the host's hook and back; the video thread's own.
struct THookBridge {
    TBitmap24 Bitmap;
    ScalerContextPtr ToRgb;
    ScalerContextPtr FromRgb;
};

// What every stream played has: its number in the file (-1 while it is not
// played, which tells the other threads), its decoder, and the packets on
// their way from the read thread to it. The read thread opens and closes it.
struct TStreamState {
    std::atomic<int> Index{-1};
    AVStream* Stream = nullptr;
    OpenedCodecContextPtr Decoder;
    TPacketQueue Queue;
};

// The sound. The audio callback owns all of it but the device id, which the
// read thread opens and closes around it.
struct TAudioState : TStreamState {
    int64_t Duration = -1;  // the stream's own, microseconds
    SDL_AudioDeviceID Device = 0;
    SDL_AudioSpec DeviceFormat{};
    int BytesPerSecond = 1;
    int FrameBytes = 4;
    std::vector<uint8_t> Buffer;
    const uint8_t* Block = nullptr;
    std::atomic<int> BlockSize{0};
    std::atomic<int> BlockIndex{0};
    // The block is silence made while paused or starved: nothing of the file
    // waits in it, so the audio clock does not count it.
    std::atomic<bool> BlockSilent{false};
    bool PacketPending = false;  // the decoder may have frames ready
    FramePtr Frame;
    ResamplerPtr Resampler;
    AVSampleFormat ResamplerFormat = AV_SAMPLE_FMT_NONE;
    int ResamplerRate = 0;
    AVChannelLayout ResamplerLayout{};
    double DiffCumulative = 0.0;
    double DiffFactor = 0.0;
    double DiffThreshold = 0.0;
    int DiffCount = 0;
    // The latest samples, for the display to draw the sound.
    std::vector<int16_t> Visualisation;
    std::atomic<size_t> VisualisationIndex{0};

    ~TAudioState();
};

// The pictures, decoded on the video thread, which alone keeps these counts.
struct TVideoState : TStreamState {
    std::thread Thread;
    int FrameSkipCounter = 0;
    int64_t FaultyPts = 0;
    int64_t FaultyDts = 0;
    int64_t LastPts = INT64_MIN;
    int64_t LastDts = INT64_MIN;
};

struct TSubtitleState : TStreamState {
    std::thread Thread;
};

struct TPlayContext {
    // First, so that it goes last: every thread of the file and the state they
    // share call into the libraries until then.
    TLibraryUse LibraryUse{PlayerLibs};
    TCustomPlayer* Player = nullptr;
    TPlayerHost* Host = nullptr;  // the same player, as its threads see it
    uint64_t Generation = 0;
    TPlaybackSettings Settings;  // as they were at Open
    std::string FileName;
    bool DisableAudio = false;
    bool DisableVideo = false;
    bool DisableDisplay = false;
    int FrameWidth = 0;
    int FrameHeight = 0;

    std::thread ReadThread;
    std::thread RefreshThread;

    std::atomic<bool> Abort{false};
    // Stop was asked: the pause is lifted so that every thread can end, but
    // nothing more is heard.
    std::atomic<bool> Stopping{false};
    TManualResetEvent SeekSettled{true};
    TManualResetEvent PictureReady{true};
    TManualResetEvent Wake{false};  // an event for the play thread is waiting
    std::atomic<bool> Paused{false};
    bool LastPaused = false;  // read thread only
    std::atomic<int> ReadPauseResult{0};

    std::mutex SeekMutex;
    std::atomic<bool> SeekRequest{false};
    int SeekFlags = 0;
    int64_t SeekPos = 0;
    int64_t SeekRel = 0;
    // Counts the seeks asked for: one asked while another is being carried
    // out is not lost, it follows.
    uint64_t SeekSerial = 0;

    InputContextPtr Format;  // the read thread's own
    std::atomic<int> OpenStatus{0};
    std::string OpenError;               // set by the read thread before the status changes
    int64_t StartTime = AV_NOPTS_VALUE;  // microseconds
    int64_t Duration = -1;               // microseconds
    bool ImageSequence = false;
    bool CaptureDevice = false;

    TAudioState Audio;
    TVideoState Video;
    TSubtitleState Subtitle;

    std::atomic<bool> EndAnnounced{false};
    std::atomic<bool> EndReported{false};
    std::atomic<bool> EndReached{false};
    std::atomic<bool> ReadInProgress{false};
    // The read loop failed and gave up: the file is to be closed.
    std::atomic<bool> ReadFailed{false};
    std::atomic<int> OpenPausedStep{0};
    std::atomic<bool> PlayStarted{false};  // psPlay is out: later states may follow
    std::atomic<bool> PausedAtSeek{false};
    std::atomic<bool> AfterSeek{false};
    std::atomic<bool> FlushSeen{false};

    // The audio clock: the time of the sound last handed to the device, and
    // when the device last asked for more.
    std::atomic<double> AudioClockValue{0.0};
    std::atomic<int64_t> AudioCallbackTime{0};
    std::atomic<int> ShowMode{0};  // 0 none, 1 waveform, 2 spectrum

    // Video clock; the play thread, the video thread and the pause toggle all
    // change it.
    std::mutex ClockMutex;
    double FrameTimer = 0.0;
    double FrameLastPts = -1.0;  // < 0: unset
    double FrameLastDelay = 0.04;
    double VideoClockValue = 0.0;
    double CurrentPts = 0.0;
    double CurrentPtsDrift = 0.0;
    int64_t CurrentPos = -1;
    std::mutex PositionMutex;
    int64_t LastReportedPosition = INT64_MIN;  // INT64_MIN: nothing reported yet
    double FrameSkip = 1.0;
    double ExternalBase = 0.0;
    int64_t ExternalBaseTime = 0;

    std::mutex PictureMutex;
    std::condition_variable PictureChanged;
    std::array<TQueuedPicture, kPictureSlots> Pictures;
    size_t PictureRead = 0;   // play thread
    size_t PictureWrite = 0;  // video thread
    size_t PictureCount = 0;
    std::atomic<bool> RefreshPending{false};
    std::atomic<int> LastPictureWidth{0};
    std::atomic<int> LastPictureHeight{0};

    TWindowHandle Window = 0;
    bool BitmapOutput = false;  // no native display: pictures go to the host as bitmaps
    int ScreenModeWidth = 0;
    int ScreenModeHeight = 0;
    TDisplay Display;
    THookBridge Hook;

    std::mutex SubtitleMutex;
    std::condition_variable SubtitleChanged;
    std::array<TQueuedSubtitle, kSubtitleSlots> Subtitles;
    size_t SubtitleRead = 0;
    size_t SubtitleWrite = 0;
    size_t SubtitleCount = 0;
    bool SubtitleFlushRequested = false;
};

// Reading and decoding.
void ReadThread(TPlayContext& is);
void VideoThread(TPlayContext& is);
void SubtitleThread(TPlayContext& is);
void CloseStreams(TPlayContext& is);

// Audio and clocks.
void AudioCallback(void* opaque, Uint8* stream, int len);
bool OpenAudioDevice(TPlayContext& is, AVCodecContext* decoder);
double AudioClock(TPlayContext& is);
double VideoClock(TPlayContext& is);
double ExternalClock(TPlayContext& is);
double ExternalClockLocked(TPlayContext& is);  // with ClockMutex held
double MasterClock(TPlayContext& is);
double PictureTargetTime(TPlayContext& is, double pts);
void ResetExternalClock(TPlayContext& is);

// Display side: the picture queue, refresh and position updates.
int QueuePicture(TPlayContext& is, AVFrame* frame, int64_t pos, double pts);
void Refresh(TPlayContext& is, bool consume);
void UpdatePosition(TPlayContext& is);
void RefreshThread(TPlayContext& is);
void PushPlayerEvent(TPlayContext& is, TPlayerEventCode code, intptr_t value = 0);

// The display, on the play thread.
bool OpenDisplay(TPlayContext& is, bool force);
void CloseDisplay(TPlayContext& is);
// Draws the display: with upload, the picture due (or the sound) first.
void Display(TPlayContext& is, bool upload);
void ResizeDisplay(TPlayContext& is, int width, int height);
// The window was uncovered or resized: paused, the picture due is shown
// without being taken; playing, the display is drawn again as it is.
void Redraw(TPlayContext& is);
// The host's hook on a picture about to be queued; may replace the frame.
void RunHook(TPlayContext& is, FramePtr& frame, double pts);

// Starts a thread under its name, named before anyone can look at it.
std::thread NamedThread(const char* name, std::function<void()> body);

}  // namespace v2m
