#include "FFPlay.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <system_error>

#include "FFmpegLoader.h"
#include "FFmpegLogger.h"
#include "Format.h"
#include "MainThread.h"
#include "PlayerContext.h"

namespace v2m {

namespace {

// A thread that waits on the main thread keeps serving it: events and log
// lines that the threads it waits for deliver there must not stall.
void ServeOrSleep(std::chrono::milliseconds pause) {
    auto main_thread = MainThread();
    if (main_thread->IsMainThread()) {
        main_thread->ServeCalls();
    }
    std::this_thread::sleep_for(pause);
}

const char* AudioDriverName(TAudioDriver driver) {
    switch (driver) {
        case adDirectSound:
            return "pulseaudio";
        case adWaveOut:
            return "alsa";
        default:
            return "";
    }
}

const char* VideoDriverName(TVideoDriver driver) {
    switch (driver) {
        case vdDirectDraw:
            return "x11";
        case vdGDI:
            return "wayland";
        default:
            return "";
    }
}

}  // namespace

std::thread NamedThread(const char* name, std::function<void()> body) {
    std::thread thread(std::move(body));
    ::pthread_setname_np(thread.native_handle(), name);
    return thread;
}

void TPlaybackSettings::ResetPerFile() {
    const TPlaybackSettings defaults;
    WantedStream = defaults.WantedStream;
    StartTime = defaults.StartTime;
    PlayDuration = defaults.PlayDuration;
    EndAction = defaults.EndAction;
    FlipVertical = defaults.FlipVertical;
}

TCustomPlayer::TCustomPlayer() : probe_(std::make_unique<TAVProbe>()) {}

TCustomPlayer::~TCustomPlayer() {
    EndPlayback();
}

void TCustomPlayer::EndPlayback() {
    {
        std::lock_guard lock(handler_mutex_);
        on_position_ = nullptr;
        on_state_ = nullptr;
        on_hook_ = nullptr;
    }
    {
        std::lock_guard lock(pictures_->Mutex);
        pictures_->Handler = nullptr;
        pictures_->Pending.reset();
    }
    Stop(true);
    JoinEndedThreads(true);
}

bool TCustomPlayer::AVLibLoaded() const {
    return FFLoader().LibrariesLoaded(PlayerLibs);
}

bool TCustomPlayer::LoadAVLib(const std::string& folder) {
    TFFmpegLoader& loader = FFLoader();
    loader.SetLibraryPath(folder);
    if (loader.LoadLibraries(PlayerLibs)) {
        return true;
    }
    SetLastError(loader.LastError());
    return false;
}

std::string TCustomPlayer::LastError() const {
    std::lock_guard lock(text_mutex_);
    return last_error_;
}

std::string TCustomPlayer::FileName() const {
    std::lock_guard lock(text_mutex_);
    return file_name_;
}

void TCustomPlayer::SetLastError(const std::string& text) {
    std::lock_guard lock(text_mutex_);
    last_error_ = text;
}

THookEvent TCustomPlayer::HookHandler() {
    std::lock_guard lock(handler_mutex_);
    return on_hook_;
}

void TCustomPlayer::PushPosition(int64_t position) {
    {
        std::lock_guard lock(handler_mutex_);
        if (!on_position_) {
            return;
        }
    }
    PushEvent({1, psPlay, position});
}

void TCustomPlayer::CountPicture(bool shown, double error) {
    (shown ? shown_ : dropped_).fetch_add(1);
    if (shown) {
        const auto us = static_cast<int64_t>(error * 1e6);
        error_sum_us_.fetch_add(us);
        int64_t max = error_max_us_.load();
        while (us > max && !error_max_us_.compare_exchange_weak(max, us)) {
        }
    }
}

void TCustomPlayer::SetOnFileOpen(TFileOpenEvent handler) {
    std::lock_guard lock(handler_mutex_);
    on_file_open_ = std::move(handler);
}

void TCustomPlayer::SetOnHook(THookEvent handler) {
    std::lock_guard lock(handler_mutex_);
    on_hook_ = std::move(handler);
}

void TCustomPlayer::SetOnPosition(TPositionEvent handler) {
    std::lock_guard lock(handler_mutex_);
    on_position_ = std::move(handler);
}

void TCustomPlayer::SetOnState(TPlayStateEvent handler) {
    std::lock_guard lock(handler_mutex_);
    on_state_ = std::move(handler);
}

void TCustomPlayer::SetOnPicture(TPictureEvent handler) {
    std::lock_guard lock(pictures_->Mutex);
    pictures_->Handler = std::move(handler);
    pictures_->Sender = this;
}

void TCustomPlayer::DeliverPicture(std::shared_ptr<const TBitmap24> picture) {
    auto mailbox = pictures_;
    {
        std::lock_guard lock(mailbox->Mutex);
        if (!mailbox->Handler) {
            return;
        }
        // A picture the host has not taken yet is replaced: a slow host
        // never makes the display wait or pile up.
        mailbox->Pending = std::move(picture);
        if (mailbox->Posted) {
            return;
        }
        mailbox->Posted = true;
    }
    MainThread()->PostToMainThread([mailbox] {
        TPictureEvent handler;
        std::shared_ptr<const TBitmap24> latest;
        {
            std::lock_guard lock(mailbox->Mutex);
            mailbox->Posted = false;
            handler = mailbox->Handler;
            latest = std::move(mailbox->Pending);
        }
        if (handler && latest) {
            handler(mailbox->Sender, latest);
        }
    });
}

void TCustomPlayer::NotifyResize(int width, int height) {
    screen_width_.store(width);
    screen_height_.store(height);
    if (auto context = OpenContext()) {
        PushPlayerEvent(*context, peResize,
                        static_cast<intptr_t>((static_cast<uint64_t>(width) << 20) |
                                              static_cast<uint64_t>(height & 0xfffff)));
    }
}

void TCustomPlayer::NotifyExpose() {
    if (auto context = OpenContext()) {
        PushPlayerEvent(*context, peExpose);
    }
}

void TCustomPlayer::ReportError(const std::string& message, bool keep) {
    FFLoggerInstance().Log(this, llError, message);
    if (keep) {
        SetLastError(message);
    }
}

bool TCustomPlayer::FileIsOpen() const {
    return file_open_.load();
}

std::shared_ptr<TPlayContext> TCustomPlayer::OpenContext() const {
    std::lock_guard lock(context_mutex_);
    return context_;
}

void TCustomPlayer::SetAspectRatio(float value) {
    if (aspect_ratio_.exchange(value) == value) {
        return;
    }
    if (auto context = OpenContext()) {
        PushPlayerEvent(*context, peReopenDisplay);
    }
}

TPlayerClocks TCustomPlayer::Clocks() {
    TPlayerClocks clocks;
    auto context = OpenContext();
    if (!context) {
        return clocks;
    }
    clocks.Open = true;
    clocks.HasAudio = context->Audio.Index.load() >= 0;
    clocks.HasVideo = context->Video.Index.load() >= 0;
    clocks.Audio = AudioClock(*context);
    clocks.Video = VideoClock(*context);
    clocks.Master = MasterClock(*context);
    return clocks;
}

TDisplayStats TCustomPlayer::DisplayStats() const {
    TDisplayStats stats;
    stats.Shown = shown_.load();
    stats.Dropped = dropped_.load();
    if (stats.Shown > 0) {
        stats.MeanError =
            static_cast<double>(error_sum_us_.load()) / 1e6 / static_cast<double>(stats.Shown);
    }
    stats.MaxError = static_cast<double>(error_max_us_.load()) / 1e6;
    return stats;
}

// ---------------------------------------------------------------------------
// Opening and stopping

bool TCustomPlayer::Open(const std::string& FileName, TWindowHandle ScreenHandle, bool Paused) {
    if (!AVLibLoaded()) {
        ReportError("libav or libsdl not loaded.", true);
        return false;
    }
    // Closing the open file sets the per-file settings back to their
    // defaults; the ones the host has just set are for this file.
    const TPlaybackSettings wanted = *this;
    Stop(true);
    static_cast<TPlaybackSettings&>(*this) = wanted;

    {
        std::lock_guard lock(pictures_->Mutex);
        bitmap_output_ = ScreenHandle == 0 && !disable_display_ && pictures_->Handler != nullptr;
    }
    for (auto* counter : {&shown_, &dropped_, &error_sum_us_, &error_max_us_}) {
        counter->store(0);
    }
    if (!StartSDL(ScreenHandle)) {
        ReportError(Format("Could not initialize SDL with ScreenHandle(%u): %s",
                           static_cast<unsigned>(ScreenHandle), ff::SDL_GetError()),
                    true);
        ResetPerFile();
        return false;
    }
    if (disable_display_) {
        disable_video_ = true;
    } else if (!bitmap_output_) {
        SDL_DisplayMode mode{};
        if (ff::SDL_GetDesktopDisplayMode(0, &mode) != 0) {
            ReportError("SDL_GetVideoInfo() failed", true);
            QuitSDL();
            ResetPerFile();
            return false;
        }
        screen_mode_width_ = mode.w;
        screen_mode_height_ = mode.h;
    }
    ff::SDL_EventState(SDL_MOUSEMOTION, SDL_IGNORE);

    if (!OpenFile(FileName, ScreenHandle, Paused, wanted)) {
        QuitSDL();
        ResetPerFile();
        return false;
    }
    {
        std::lock_guard lock(text_mutex_);
        file_name_ = FileName;
    }
    screen_handle_.store(ScreenHandle);
    auto context = OpenContext();
    if (context) {
        probe_->AttachContext(context->Format.get());
    }
    if (trigger_in_main_) {
        MainThread()->RunInMainThread([this] { FileOpenNotification(); });
    } else {
        FileOpenNotification();
    }

    auto play_ended = std::make_shared<std::atomic<bool>>(false);
    auto event_ended = std::make_shared<std::atomic<bool>>(false);
    play_finished_ = play_ended;
    event_threads_.push_back({NamedThread("v2m-event",
                                          [this, event_ended] {
                                              RunEventThread();
                                              event_ended->store(true);
                                          }),
                              event_ended});
    play_threads_.push_back({NamedThread("v2m-play",
                                         [this, context, play_ended] {
                                             RunPlayThread(context.get());
                                             play_ended->store(true);
                                         }),
                             play_ended});
    return true;
}

void TCustomPlayer::FileOpenNotification() {
    auto context = OpenContext();
    if (!context) {
        return;
    }
    TFileOpenEvent handler;
    {
        std::lock_guard lock(handler_mutex_);
        handler = on_file_open_;
    }
    if (handler) {
        int width = -1;
        int height = -1;
        if (context->Video.Decoder && context->Video.Decoder->width > 0) {
            width = context->Video.Decoder->width;
            height = context->Video.Decoder->height;
        }
        const int64_t duration = context->ImageSequence ? 0 : context->Duration;
        int screen_width = screen_width_.load();
        int screen_height = screen_height_.load();
        handler_depth_.fetch_add(1);
        handler(this, duration, width, height, screen_width, screen_height);
        handler_depth_.fetch_sub(1);
        screen_width_.store(screen_width);
        screen_height_.store(screen_height);
    }
}

void TCustomPlayer::Stop(bool WaitForEnd) {
    {
        // An open still waiting for its file gives up.
        std::lock_guard lock(context_mutex_);
        if (opening_) {
            opening_->Abort.store(true);
        }
    }
    if (auto context = OpenContext()) {
        StopFile(*context);
    }
    if (WaitForEnd) {
        WaitForPlayThread();
        JoinEndedThreads(handler_depth_.load() == 0);
        QuitSDL();
    }
}

void TCustomPlayer::StopFile(TPlayContext& is) {
    is.Stopping.store(true);
    if (is.Paused.load()) {
        TogglePauseOf(is);
    }
    PushPlayerEvent(is, peQuit);
}

void TCustomPlayer::WaitForPlayThread() {
    auto finished = play_finished_;
    if (!finished) {
        return;
    }
    for (auto& owned : play_threads_) {
        if (owned.Ended == finished && owned.Thread.get_id() == std::this_thread::get_id()) {
            return;  // the play thread cannot wait for itself
        }
    }
    int counter = 1;
    while (!finished->load()) {
        ServeOrSleep(std::chrono::milliseconds(10));
        if (finished->load()) {
            break;
        }
        auto context = OpenContext();
        if (!context) {
            continue;  // closed; the play thread is on its way out
        }
        // Polled rather than a timed wait: the play thread holds it only for
        // one event at a time.
        std::unique_lock lock(player_mutex_, std::defer_lock);
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
        while (!lock.try_lock() && std::chrono::steady_clock::now() < give_up) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (!lock.owns_lock()) {
            continue;
        }
        ++counter;
        if (counter <= 20 && (counter <= 10 || !context->ReadInProgress.load())) {
            PushPlayerEvent(*context, peQuit);
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(90));
            continue;
        }
        CloseFile();
    }
    JoinEndedThreads(false);
}

void TCustomPlayer::JoinEndedThreads(bool wait_for_events) {
    const auto self = std::this_thread::get_id();
    if (wait_for_events) {
        for (;;) {
            bool running = false;
            for (auto& owned : event_threads_) {
                if (owned.Thread.get_id() != self && !owned.Ended->load()) {
                    running = true;
                }
            }
            if (!running) {
                break;
            }
            // Each ends by itself once it has delivered its file's last state.
            ServeOrSleep(std::chrono::milliseconds(10));
        }
    }
    for (auto* list : {&play_threads_, &event_threads_}) {
        for (auto it = list->begin(); it != list->end();) {
            if (it->Ended->load() && it->Thread.get_id() != self) {
                it->Thread.join();
                it = list->erase(it);
            } else {
                ++it;
            }
        }
    }
}

bool TCustomPlayer::StartSDL(TWindowHandle window) {
    // SDL must never take over the program's own signal handling.
    ff::SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Only a non-default choice is set, and as a hint: the environment wins.
    if (*AudioDriverName(audio_driver_) != '\0') {
        ff::SDL_SetHint(SDL_HINT_AUDIODRIVER, AudioDriverName(audio_driver_));
    }
    if (*VideoDriverName(video_driver_) != '\0') {
        ff::SDL_SetHint(SDL_HINT_VIDEODRIVER, VideoDriverName(video_driver_));
    }
    Uint32 flags = SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_EVENTS;
    if (!disable_display_ && !bitmap_output_) {
        flags |= SDL_INIT_VIDEO;
    }
    // Without a sound device the picture still plays; opening the audio
    // stream then fails and says so.
    if (ff::SDL_Init(flags) != 0 && ff::SDL_Init(flags & ~Uint32{SDL_INIT_AUDIO}) != 0) {
        return false;
    }
    sdl_started_ = true;
    if (window != 0) {
        const char* audio = ff::SDL_GetCurrentAudioDriver();
        const char* video = ff::SDL_GetCurrentVideoDriver();
        ff::av_log(nullptr, AV_LOG_DEBUG, "using audio driver: %s\n", audio ? audio : "");
        ff::av_log(nullptr, AV_LOG_DEBUG, "using video driver: %s\n", video ? video : "");
    }
    return true;
}

void TCustomPlayer::QuitSDL() {
    if (sdl_started_ && ff::SDL_Quit != nullptr) {
        ff::SDL_Quit();
    }
    sdl_started_ = false;
}

bool TCustomPlayer::OpenFile(const std::string& file_name, TWindowHandle window, bool paused,
                             const TPlaybackSettings& settings) {
    auto context = std::make_shared<TPlayContext>();
    TPlayContext& is = *context;
    is.Player = this;
    is.Host = this;
    is.Generation = generation_.fetch_add(1) + 1;
    is.Settings = settings;
    is.FileName = file_name;
    is.DisableAudio = disable_audio_;
    is.DisableVideo = disable_video_;
    is.DisableDisplay = disable_display_;
    is.FrameWidth = frame_width_;
    is.FrameHeight = frame_height_;
    is.Window = window;
    is.BitmapOutput = bitmap_output_;
    is.ScreenModeWidth = screen_mode_width_;
    is.ScreenModeHeight = screen_mode_height_;
    if (paused) {
        is.Paused.store(true);
        is.OpenPausedStep.store(1);
    }
    {
        std::lock_guard lock(context_mutex_);
        opening_ = context;
    }
    try {
        is.ReadThread = NamedThread("v2m-read", [&is] { ReadThread(is); });
    } catch (const std::system_error&) {
        std::lock_guard lock(context_mutex_);
        opening_.reset();
        ReportError("SDL_CreateThread() failed.", true);
        return false;
    }
    while (is.OpenStatus.load() == 0) {
        ServeOrSleep(std::chrono::milliseconds(10));
    }
    if (is.OpenStatus.load() == 1) {
        {
            std::lock_guard lock(context_mutex_);
            opening_.reset();
            context_ = context;
        }
        file_open_.store(true);
        if (is.Video.Index.load() < 0 && !is.DisableDisplay) {
            is.ShowMode.store(settings.AudioShowMode);
        }
        ResetExternalClock(is);
        is.RefreshThread = NamedThread("v2m-refresh", [&is] { RefreshThread(is); });
        return true;
    }
    while (is.OpenStatus.load() != -2) {
        ServeOrSleep(std::chrono::milliseconds(10));
    }
    is.ReadThread.join();
    {
        std::lock_guard lock(context_mutex_);
        opening_.reset();
    }
    SetLastError(is.OpenError);
    return false;
}

void TCustomPlayer::CloseFile() {
    auto context = OpenContext();
    if (!context) {
        return;
    }
    TPlayContext& is = *context;
    is.Abort.store(true);
    probe_->AttachContext(nullptr);
    if (is.ReadThread.joinable()) {
        is.ReadThread.join();
    }
    is.SeekSettled.Set();
    if (is.RefreshThread.joinable()) {
        is.RefreshThread.join();
    }
    CloseDisplay(is);
    {
        std::lock_guard lock(is.PictureMutex);
        for (auto& picture : is.Pictures) {
            picture.Frame.reset();
        }
        is.PictureCount = 0;
    }
    {
        std::lock_guard lock(is.SubtitleMutex);
        for (auto& subtitle : is.Subtitles) {
            subtitle.Subtitle.reset();
        }
        is.SubtitleCount = 0;
    }
    {
        std::lock_guard lock(context_mutex_);
        context_.reset();
    }
    file_open_.store(false);
    ResetPerFile();
    current_position_.store(-1);
}

// ---------------------------------------------------------------------------
// Pause and seek

void TCustomPlayer::TogglePauseOf(TPlayContext& is) {
    if (!is.SeekSettled.WaitFor(std::chrono::milliseconds(250))) {
        is.SeekSettled.Set();
    }
    if (is.Abort.load()) {
        return;
    }
    if (is.Paused.load()) {
        {
            std::lock_guard lock(is.ClockMutex);
            const double now = NowSeconds();
            is.FrameTimer += now + is.CurrentPtsDrift - is.CurrentPts;
            if (is.ReadPauseResult.load() != AVERROR(ENOSYS)) {
                is.CurrentPts = is.CurrentPtsDrift + now;
            }
            is.CurrentPtsDrift = is.CurrentPts - now;
            is.ExternalBaseTime = NowMicroseconds();
        }
        is.Paused.store(false);
        return;
    }
    if (is.Video.Index.load() >= 0) {
        if (!is.PictureReady.WaitFor(std::chrono::milliseconds(250))) {
            is.PictureReady.Set();
        }
        if (is.Abort.load()) {
            return;
        }
    }
    {
        std::lock_guard lock(is.ClockMutex);
        is.ExternalBase = ExternalClockLocked(is);
        is.ExternalBaseTime = NowMicroseconds();
    }
    is.Paused.store(true);
}

void TCustomPlayer::Pause() {
    auto context = OpenContext();
    if (context && !context->Paused.load()) {
        TogglePauseOf(*context);
        SetState(psPause);
    }
}

void TCustomPlayer::TogglePause() {
    auto context = OpenContext();
    if (context) {
        TogglePauseOf(*context);
        SetState(context->Paused.load() ? psPause : psResume);
    }
}

void TCustomPlayer::Seek(TSeekFlags Flags, int64_t Position) {
    auto context = OpenContext();
    if (!context) {
        return;
    }
    TPlayContext& is = *context;
    int64_t target = Position;
    int64_t relative = 0;
    if ((Flags & sfByte) == 0) {
        // An unknown duration (-1) limits nothing.
        if (is.Duration > 0 && target > is.Duration) {
            target = is.Duration;
        }
        if (is.StartTime != AV_NOPTS_VALUE) {
            target += is.StartTime;
        }
        relative = Position <= 0 ? -1 : 0;
    }
    // The newest seek wins over one not carried out yet: a dragged bar
    // ends where it was let go.
    std::lock_guard lock(is.SeekMutex);
    ++is.SeekSerial;
    is.SeekPos = target;
    is.SeekRel = relative;
    is.SeekFlags = static_cast<int>(Flags);
    // A paused file still decodes the first picture after the seek, so the
    // new place is shown and reported.
    is.PausedAtSeek.store(is.Paused.load());
    is.SeekSettled.Reset();
    is.SeekRequest.store(true);
}

// ---------------------------------------------------------------------------
// States and the event thread

void TCustomPlayer::SetState(TPlayState state) {
    state_.store(state);
    bool has_handler;
    {
        std::lock_guard lock(handler_mutex_);
        has_handler = static_cast<bool>(on_state_);
    }
    if (has_handler) {
        PushEvent({2, state, 0});
    } else if (state == psStop) {
        PushEvent({3, state, 0});
    }
}

void TCustomPlayer::PushEvent(const TPlayerEvent& event) {
    constexpr size_t kQueueLength = 10;
    {
        std::lock_guard lock(event_mutex_);
        // Positions collapse into the newest; a state repeated before the
        // host saw the first adds nothing. No other state is ever dropped.
        const bool collapse =
            !events_.empty() && events_.back().Kind == event.Kind &&
            (event.Kind == 1 || (event.Kind == 2 && events_.back().State == event.State));
        if (collapse) {
            events_.back() = event;
        } else {
            events_.push_back(event);
        }
        while (events_.size() > kQueueLength) {
            auto oldest_position = std::find_if(events_.begin(), events_.end(),
                                                [](const TPlayerEvent& e) { return e.Kind == 1; });
            if (oldest_position == events_.end()) {
                break;
            }
            events_.erase(oldest_position);
        }
    }
    event_signal_.notify_all();
}

TCustomPlayer::TPlayerEvent TCustomPlayer::PopEvent(std::chrono::milliseconds wait) {
    std::unique_lock lock(event_mutex_);
    event_signal_.wait_for(lock, wait, [this] { return !events_.empty(); });
    if (events_.empty()) {
        return {};
    }
    TPlayerEvent event = events_.front();
    events_.pop_front();
    return event;
}

void TCustomPlayer::RunEventThread() {
    for (;;) {
        const TPlayerEvent event = PopEvent(std::chrono::milliseconds(100));
        if (event.Kind == 3) {
            return;
        }
        if (event.Kind != 1 && event.Kind != 2) {
            continue;
        }
        auto deliver = [this, event] {
            if (event.Kind == 1) {
                TPositionEvent handler;
                {
                    std::lock_guard lock(handler_mutex_);
                    handler = on_position_;
                }
                if (handler) {
                    handler_depth_.fetch_add(1);
                    handler(this, event.Position);
                    handler_depth_.fetch_sub(1);
                }
            } else {
                TPlayStateEvent handler;
                {
                    std::lock_guard lock(handler_mutex_);
                    handler = on_state_;
                }
                if (handler) {
                    handler_depth_.fetch_add(1);
                    handler(this, event.State);
                    handler_depth_.fetch_sub(1);
                }
            }
        };
        if (trigger_in_main_) {
            MainThread()->RunInMainThread(deliver);
        } else {
            deliver();
        }
        if (event.Kind == 2 && event.State == psStop) {
            return;
        }
    }
}

// ---------------------------------------------------------------------------
// The play thread

void TCustomPlayer::RunPlayThread(TPlayContext* context) {
    SetState(psPlay);
    context->PlayStarted.store(true);
    try {
        bool closed = false;
        while (!closed) {
            // SDL's own wait wakes only for windows it made: events sent for
            // a host's window would wait for the next timeout. The player
            // wakes this thread itself whenever it sends one.
            context->Wake.WaitFor(std::chrono::milliseconds(100));
            context->Wake.Reset();
            std::lock_guard lock(player_mutex_);
            if (OpenContext().get() != context) {
                break;  // closed from elsewhere
            }
            SDL_Event event{};
            while (!closed && ff::SDL_PollEvent(&event) != 0) {
                closed = HandlePlayEvent(*context, event);
            }
        }
    } catch (const std::exception& error) {
        FFLoggerInstance().Log(this, llFatal, std::string("PlayThread Exception: ") + error.what());
        std::lock_guard lock(player_mutex_);
        if (OpenContext().get() == context) {
            CloseFile();
        }
    }
    SetState(psStop);
}

bool TCustomPlayer::HandlePlayEvent(TPlayContext& context, const SDL_Event& event) {
    const bool ours = event.type >= PlayerEventType(pePicture) &&
                      event.type < PlayerEventType(pePicture) + peCount;
    if (ours && (event.user.data1 != &context || static_cast<uint32_t>(event.user.code) !=
                                                     static_cast<uint32_t>(context.Generation))) {
        return false;  // left over from a file closed before
    }
    if (event.type == SDL_QUIT || event.type == PlayerEventType(peQuit)) {
        CloseFile();
        return true;
    }
    if (event.type == PlayerEventType(peRefresh)) {
        Refresh(context, true);
        context.RefreshPending.store(false);
    } else if (event.type == PlayerEventType(peResize)) {
        const auto packed = reinterpret_cast<uintptr_t>(event.user.data2);
        ResizeDisplay(context, static_cast<int>(packed >> 20), static_cast<int>(packed & 0xfffff));
        Redraw(context);
    } else if (event.type == PlayerEventType(peExpose)) {
        Redraw(context);
    } else if (event.type == PlayerEventType(peReopenDisplay)) {
        OpenDisplay(context, true);
        Display(context, false);
    } else if (event.type == SDL_WINDOWEVENT && context.Window == 0) {
        // The display's own window, when the host gave none.
        if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
            ResizeDisplay(context, event.window.data1, event.window.data2);
            Redraw(context);
        } else if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
            Redraw(context);
        }
    }
    return false;
}

void TCustomPlayer::PushQuitRequest(TPlayContext* context) {
    PushPlayerEvent(*context, peQuit);
}

}  // namespace v2m
