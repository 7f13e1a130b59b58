#pragma once
// Plays one media file at a time into a window that the host owns: sound
// through SDL's audio device, pictures through SDL into the host window, audio
// and video kept in step, and what happens reported through four events.

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AVProbe.h"
#include "Bitmap24.h"
#include "FFBaseComponent.h"

union SDL_Event;

namespace v2m {

enum TPlayState : uint8_t {
    psPlay = 0,
    psPause = 1,
    psResume = 2,
    psStep = 3,
    psStop = 4,
    psEnd = 5
};

// On Linux: the system's choice, PulseAudio, ALSA.
enum TAudioDriver { adDefault, adDirectSound, adWaveOut };
// On Linux: the system's choice, X11, Wayland.
enum TVideoDriver { vdDefault, vdDirectDraw, vdGDI };

using TAudioVolume = uint32_t;  // 0..128, 128 is the full mixing volume

// Seek flags; a set is their bitwise or.
enum TSeekFlag : uint32_t { sfBackward = 1, sfByte = 2, sfAny = 4, sfFrame = 8 };
using TSeekFlags = uint32_t;

// A native window handle (an X11 window id); 0 for none.
using TWindowHandle = uintptr_t;

using TFileOpenEvent =
    std::function<void(TFFBaseComponent* Sender, int64_t ADuration, int AFrameWidth,
                       int AFrameHeight, int& AScreenWidth, int& AScreenHeight)>;
using THookEvent = std::function<void(TFFBaseComponent* Sender, TBitmap24* ABitmap, int64_t APTS)>;
using TPositionEvent = std::function<void(TFFBaseComponent* Sender, int64_t APTS)>;
using TPlayStateEvent = std::function<void(TFFBaseComponent* Sender, TPlayState AState)>;
// A finished picture for a host that draws it itself: ScreenWidth x
// ScreenHeight, the picture placed in it as on a native display.
using TPictureEvent =
    std::function<void(TFFBaseComponent* Sender, std::shared_ptr<const TBitmap24> APicture)>;

// Media type as the libraries number it, from unknown (-1) to attachment (4).
inline constexpr int kWantedStreamTypes = 7;

// The playback settings a host may set before each Open. Those marked per file
// return to their defaults whenever a file is closed.
struct TPlaybackSettings {
    std::string ForcedFormat;  // demuxer name; empty: detect
    int FramePixelFormat = -1;
    // Indexed by media type + 1; -1 chooses the best stream of the type. Per file.
    std::array<int, kWantedStreamTypes> WantedStream{-1, -1, -1, -1, -1, -1, -1};
    int SyncMode = 0;                  // master clock: 0 audio, 1 video, 2 external
    int64_t StartTime = INT64_MIN;     // microseconds; INT64_MIN: none. Per file.
    int64_t PlayDuration = INT64_MIN;  // microseconds; INT64_MIN: none. Per file.
    int EndAction = 1;                 // 1 stop, 2 seek back and go on. Per file.
    bool FlipVertical = false;         // per file
    int WorkaroundBugs = 1;
    int ErrorRecognition = 1;
    int ErrorConcealment = 3;
    int DecodeDebug = 0;
    int DebugMV = 0;
    int LowRes = 0;
    int IdctAlgo = 0;
    int SkipFrame = 0;
    int SkipIdct = 0;
    int SkipLoopFilter = 0;
    bool FastDecode = false;
    bool GeneratePts = false;
    int DecoderReorderPts = -1;  // 1 the frame's pts, 0 the packet's dts, -1 best effort
    int FrameDrop = 1;
    int RdftSpeed = 20;  // milliseconds between refreshes of the audio visualisation
    std::string VideoFilters;
    bool FullScreen = false;
    int AudioShowMode = 1;  // 1 waveform, 2 spectrum

    void ResetPerFile();
};

// Clock readings in seconds, for hosts that show them and for measurements.
struct TPlayerClocks {
    bool Open = false;
    bool HasAudio = false;
    bool HasVideo = false;
    double Audio = 0.0;
    double Video = 0.0;
    double Master = 0.0;
};

// How the display kept up since the file opened.
struct TDisplayStats {
    int64_t Shown = 0;    // pictures shown
    int64_t Dropped = 0;  // pictures dropped as late
    // |picture time - audio clock| when each picture was shown, seconds.
    double MeanError = 0.0;
    double MaxError = 0.0;
};

struct TPlayContext;

// What the player's threads ask of the player that runs them; the player
// answers for itself, its own state staying its own.
class TPlayerHost {
public:
    virtual void Report(const std::string& message, bool keep) = 0;
    virtual void SetState(TPlayState state) = 0;
    // Closes this file as Stop does; an event left for a file already
    // replaced by another is ignored.
    virtual void StopFile(TPlayContext& is) = 0;
    virtual void SetCurrentPosition(int64_t position) = 0;
    virtual void PushPosition(int64_t position) = 0;
    virtual THookEvent HookHandler() = 0;
    virtual void SetLastError(const std::string& text) = 0;
    virtual void CountPicture(bool shown, double error) = 0;
    virtual void DeliverPicture(std::shared_ptr<const TBitmap24> picture) = 0;

protected:
    ~TPlayerHost() = default;
};

class TCustomPlayer : public TFFBaseComponent, public TPlaybackSettings, private TPlayerHost {
public:
    TCustomPlayer();
    ~TCustomPlayer() override;

    bool LoadAVLib(const std::string& folder);
    bool AVLibLoaded() const;

    // Opens the file, shows it in the window and plays it; with Paused it opens
    // paused on its first picture. A file already open is closed first.
    bool Open(const std::string& FileName, TWindowHandle ScreenHandle, bool Paused);
    // Ends playback. Without waiting it only asks for the end; with waiting it
    // returns once the file is closed and its threads have ended.
    void Stop(bool WaitForEnd);
    void Pause();
    void TogglePause();
    void Seek(TSeekFlags Flags, int64_t Position);

    float AspectRatio() const { return aspect_ratio_.load(); }
    void SetAspectRatio(float value);
    TAudioDriver AudioDriver() const { return audio_driver_; }
    void SetAudioDriver(TAudioDriver value) { audio_driver_ = value; }
    TVideoDriver VideoDriver() const { return video_driver_; }
    void SetVideoDriver(TVideoDriver value) { video_driver_ = value; }
    TAudioVolume AudioVolume() const { return audio_volume_.load(); }
    void SetAudioVolume(TAudioVolume value) { audio_volume_.store(value > 128 ? 128 : value); }
    bool Mute() const { return mute_.load(); }
    void SetMute(bool value) { mute_.store(value); }
    bool DisableAudio() const { return disable_audio_; }
    void SetDisableAudio(bool value) { disable_audio_ = value; }
    bool DisableVideo() const { return disable_video_; }
    void SetDisableVideo(bool value) { disable_video_ = value; }
    bool DisableDisplay() const { return disable_display_; }
    void SetDisableDisplay(bool value) { disable_display_ = value; }
    int FrameWidth() const { return frame_width_; }
    void SetFrameWidth(int value) { frame_width_ = value; }
    int FrameHeight() const { return frame_height_; }
    void SetFrameHeight(int value) { frame_height_ = value; }
    bool Hook() const { return hook_.load(); }
    void SetHook(bool value) { hook_.store(value); }
    int ScreenWidth() const { return screen_width_.load(); }
    void SetScreenWidth(int value) { screen_width_.store(value); }
    int ScreenHeight() const { return screen_height_.load(); }
    void SetScreenHeight(int value) { screen_height_.store(value); }
    bool TriggerEventInMainThread() const { return trigger_in_main_.load(); }
    void SetTriggerEventInMainThread(bool value) { trigger_in_main_.store(value); }

    void SetOnFileOpen(TFileOpenEvent handler);
    void SetOnHook(THookEvent handler);
    void SetOnPosition(TPositionEvent handler);
    void SetOnState(TPlayStateEvent handler);
    // When assigned, a file opened without a window draws no native display:
    // every picture (or visualisation) is handed to the host instead, posted
    // to the main thread without waiting; a new one replaces one not yet shown.
    void SetOnPicture(TPictureEvent handler);

    // The host window was resized to this many pixels (device pixels), or
    // uncovered: the play thread sizes the display and draws it again.
    void NotifyResize(int width, int height);
    void NotifyExpose();

    std::string About() const { return "Media player component"; }
    std::string Version() const { return "2.2a"; }
    std::string LastError() const;
    std::string FileName() const;
    TWindowHandle ScreenHandle() const { return screen_handle_.load(); }
    TPlayState State() const { return state_.load(); }
    TAVProbe& Probe() { return *probe_; }
    bool FileIsOpen() const;
    // The latest position update, microseconds from the file's start; -1 before any.
    int64_t CurrentPosition() const { return current_position_.load(); }
    TPlayerClocks Clocks();
    TDisplayStats DisplayStats() const;

protected:
    // Forgets the host's handlers, closes the file and joins every thread;
    // safe to call again.
    void EndPlayback();

private:
    // For the player's threads.
    void Report(const std::string& message, bool keep) override { ReportError(message, keep); }
    void SetState(TPlayState state) override;
    void StopFile(TPlayContext& is) override;
    void SetCurrentPosition(int64_t position) override { current_position_.store(position); }
    void PushPosition(int64_t position) override;
    THookEvent HookHandler() override;
    void SetLastError(const std::string& text) override;
    void CountPicture(bool shown, double error) override;
    void DeliverPicture(std::shared_ptr<const TBitmap24> picture) override;

    void ReportError(const std::string& message, bool keep);
    void WaitForPlayThread();
    void JoinEndedThreads(bool wait_for_events);
    void TogglePauseOf(TPlayContext& context);
    bool StartSDL(TWindowHandle window);
    void QuitSDL();
    bool OpenFile(const std::string& file_name, TWindowHandle window, bool paused,
                  const TPlaybackSettings& settings);
    void CloseFile();
    void FileOpenNotification();
    void RunPlayThread(TPlayContext* context);
    void RunEventThread();
    void PushQuitRequest(TPlayContext* context);
    // True once the event closed the file.
    bool HandlePlayEvent(TPlayContext& context, const ::SDL_Event& event);

    std::atomic<float> aspect_ratio_{0.0f};
    TAudioDriver audio_driver_ = adDefault;
    TVideoDriver video_driver_ = vdDefault;
    std::atomic<TAudioVolume> audio_volume_{128};
    std::atomic<bool> mute_{false};
    bool disable_audio_ = false;
    bool disable_video_ = false;
    bool disable_display_ = false;
    int frame_width_ = 0;
    int frame_height_ = 0;
    std::atomic<bool> hook_{false};
    std::atomic<int> screen_width_{0};
    std::atomic<int> screen_height_{0};
    std::atomic<bool> trigger_in_main_{true};

    mutable std::mutex handler_mutex_;
    TFileOpenEvent on_file_open_;
    THookEvent on_hook_;
    TPositionEvent on_position_;
    TPlayStateEvent on_state_;

    mutable std::mutex text_mutex_;
    std::string last_error_;
    std::string file_name_;
    std::atomic<TWindowHandle> screen_handle_{0};
    std::atomic<TPlayState> state_{psStop};
    std::atomic<int64_t> current_position_{-1};
    std::atomic<int64_t> shown_{0};
    std::atomic<int64_t> dropped_{0};
    std::atomic<int64_t> error_sum_us_{0};
    std::atomic<int64_t> error_max_us_{0};
    std::unique_ptr<TAVProbe> probe_;

    std::shared_ptr<TPlayContext> OpenContext() const;

    // Held by the play thread while it handles one event, and by whoever
    // closes the file.
    mutable std::mutex player_mutex_;
    // The open file and the one being opened; the host's calls hold their own
    // reference, so a file closed meanwhile is never freed under them.
    mutable std::mutex context_mutex_;
    std::shared_ptr<TPlayContext> context_;
    std::shared_ptr<TPlayContext> opening_;
    std::shared_ptr<std::atomic<bool>> play_finished_;
    std::atomic<bool> file_open_{false};
    std::atomic<uint64_t> generation_{0};
    bool sdl_started_ = false;
    bool bitmap_output_ = false;
    int screen_mode_width_ = 0;
    int screen_mode_height_ = 0;

    struct TPlayerEvent {
        int Kind = 0;  // 0 none, 1 position, 2 state, 3 terminate
        TPlayState State = psPlay;
        int64_t Position = 0;
    };
    void PushEvent(const TPlayerEvent& event);
    TPlayerEvent PopEvent(std::chrono::milliseconds wait);
    std::mutex event_mutex_;
    std::condition_variable event_signal_;
    std::deque<TPlayerEvent> events_;

    // Pictures on their way to a host that draws them itself; outlives the
    // player while a posted delivery is pending.
    struct TPictureMailbox {
        std::mutex Mutex;
        TPictureEvent Handler;
        std::shared_ptr<const TBitmap24> Pending;
        bool Posted = false;
        TFFBaseComponent* Sender = nullptr;
    };
    std::shared_ptr<TPictureMailbox> pictures_ = std::make_shared<TPictureMailbox>();

    // Threads of the files played so far; each is joined once it has ended.
    struct TOwnedThread {
        std::thread Thread;
        std::shared_ptr<std::atomic<bool>> Ended;
    };
    std::vector<TOwnedThread> play_threads_;
    std::vector<TOwnedThread> event_threads_;
    std::atomic<int> handler_depth_{0};
};

class TFFPlayer : public TCustomPlayer {
public:
    TFFPlayer() = default;
    // The threads call the player through its host interface: they end
    // before a base destructor changes what that interface dispatches to.
    ~TFFPlayer() override { EndPlayback(); }
};

}  // namespace v2m
