// The display side of playback: decoded pictures wait in a two-slot queue
// until they are due, the refresh takes them off on the play thread, and the
// position update tells the host where playback stands.

#include <algorithm>
#include <cmath>
#include <mutex>

#include "FFmpegLoader.h"
#include "PlayerContext.h"

namespace v2m {

uint32_t PlayerEventType(TPlayerEventCode code) {
    static const uint32_t base = [] {
        const Uint32 registered = ff::SDL_RegisterEvents(peCount);
        return registered == static_cast<Uint32>(-1) ? static_cast<uint32_t>(SDL_USEREVENT)
                                                     : registered;
    }();
    return base + static_cast<uint32_t>(code);
}

void PushPlayerEvent(TPlayContext& is, TPlayerEventCode code, intptr_t value) {
    SDL_Event event{};
    event.type = PlayerEventType(code);
    // The file's generation: an event left over from a closed file is known.
    event.user.code = static_cast<Sint32>(is.Generation);
    event.user.data1 = &is;
    event.user.data2 = reinterpret_cast<void*>(value);
    ff::SDL_PushEvent(&event);
    is.Wake.Set();
}

void RefreshThread(TPlayContext& is) {
    bool closing = false;
    while (!is.Abort.load()) {
        if (!closing && is.ReadFailed.load()) {
            closing = true;
            is.Host->StopFile(is);
        }
        if (!is.RefreshPending.exchange(true)) {
            PushPlayerEvent(is, peRefresh);
        }
        const bool visualising = is.Audio.Index.load() >= 0 && is.ShowMode.load() != 0;
        std::this_thread::sleep_for(
            std::chrono::milliseconds(visualising ? std::max(is.Settings.RdftSpeed, 1) : 5));
    }
}

int QueuePicture(TPlayContext& is, AVFrame* frame, int64_t pos, double pts) {
    {
        std::lock_guard lock(is.ClockMutex);
        // Only a picture without a time takes the clock's: one at time 0
        // (the start, after a seek back) is not to be read as timeless.
        if (!std::isnan(pts)) {
            is.VideoClockValue = pts;
        } else {
            pts = is.VideoClockValue;
        }
        AVRational rate = is.Video.Stream->avg_frame_rate;
        if (rate.num <= 0 || rate.den <= 0) {
            rate = is.Video.Stream->r_frame_rate;
        }
        const double duration = rate.num > 0 && rate.den > 0 ? av_q2d(av_inv_q(rate)) : 0.04;
        is.VideoClockValue += duration * (1.0 + 0.5 * frame->repeat_pict);
    }
    std::unique_lock lock(is.PictureMutex);
    if (is.PictureCount >= kPictureSlots && !is.RefreshPending.load()) {
        is.FrameSkip = std::max(0.95, is.FrameSkip * 0.95);
    }
    is.PictureChanged.wait(
        lock, [&is] { return is.PictureCount < kPictureSlots || is.Video.Queue.Aborted(); });
    if (is.Video.Queue.Aborted()) {
        return -1;
    }
    lock.unlock();

    TQueuedPicture& slot = is.Pictures[is.PictureWrite];
    FramePtr copy(ff::av_frame_alloc());
    if (!copy || ff::av_frame_ref(copy.get(), frame) < 0) {
        return 0;  // not queued; the next picture may fare better
    }
    if (is.Settings.FlipVertical) {
        // Rows are read from the bottom up: each plane starts at its last row.
        for (int plane = 0; plane < 3; ++plane) {
            const int rows = plane == 0 ? copy->height : (copy->height + 1) / 2;
            copy->data[plane] += static_cast<ptrdiff_t>(copy->linesize[plane]) * (rows - 1);
            copy->linesize[plane] = -copy->linesize[plane];
        }
    }
    RunHook(is, copy, pts);
    is.LastPictureWidth.store(copy->width);
    is.LastPictureHeight.store(copy->height);
    slot.Width = copy->width & ~1;
    slot.Height = copy->height & ~1;
    slot.SampleAspect = copy->sample_aspect_ratio;
    slot.Frame = std::move(copy);
    slot.Pts = pts;
    slot.Pos = pos;
    is.PictureWrite = (is.PictureWrite + 1) % kPictureSlots;
    lock.lock();
    slot.Target = PictureTargetTime(is, pts);
    ++is.PictureCount;
    return 0;
}

namespace {

void TakePicture(TPlayContext& is) {
    std::lock_guard lock(is.PictureMutex);
    is.Pictures[is.PictureRead].Frame.reset();
    is.PictureRead = (is.PictureRead + 1) % kPictureSlots;
    --is.PictureCount;
    is.PictureChanged.notify_all();
}

void ExpireSubtitles(TPlayContext& is) {
    std::lock_guard lock(is.SubtitleMutex);
    if (is.SubtitleFlushRequested) {
        for (auto& subtitle : is.Subtitles) {
            subtitle.Subtitle.reset();
        }
        is.SubtitleCount = 0;
        is.SubtitleRead = is.SubtitleWrite = 0;
        is.SubtitleFlushRequested = false;
        is.SubtitleChanged.notify_all();
        return;
    }
    double current;
    {
        std::lock_guard clock(is.ClockMutex);
        current = is.CurrentPts;
    }
    while (is.SubtitleCount > 0) {
        const TQueuedSubtitle& oldest = is.Subtitles[is.SubtitleRead];
        const TQueuedSubtitle& next = is.Subtitles[(is.SubtitleRead + 1) % kSubtitleSlots];
        const bool over = current > oldest.Pts + oldest.Subtitle->end_display_time / 1000.0;
        const bool replaced =
            is.SubtitleCount > 1 && current > next.Pts + next.Subtitle->start_display_time / 1000.0;
        if (!over && !replaced) {
            break;
        }
        is.Subtitles[is.SubtitleRead].Subtitle.reset();
        is.SubtitleRead = (is.SubtitleRead + 1) % kSubtitleSlots;
        --is.SubtitleCount;
        is.SubtitleChanged.notify_all();
    }
}

// The oldest queued picture, copied out so that the queue lock is not held
// while it is judged.
struct TDuePicture {
    double Target;
    double NextTarget;
    double Pts;
    int64_t Pos;
    size_t Count;
};

size_t QueuedPictureCount(TPlayContext& is) {
    std::lock_guard lock(is.PictureMutex);
    return is.PictureCount;
}

TDuePicture PeekPicture(TPlayContext& is, size_t count) {
    std::lock_guard lock(is.PictureMutex);
    const TQueuedPicture& picture = is.Pictures[is.PictureRead];
    TDuePicture due{};
    due.Target = picture.Target;
    due.Pts = picture.Pts;
    due.Pos = picture.Pos;
    due.Count = count;
    due.NextTarget =
        count > 1 ? std::max(is.Pictures[(is.PictureRead + 1) % kPictureSlots].Target, due.Target)
                  : -1.0;
    return due;
}

// With no picture behind it, the next one is expected one picture duration
// after this one, as the video clock tells.
void AdvanceVideoClock(TPlayContext& is, TDuePicture& due, double now) {
    std::lock_guard lock(is.ClockMutex);
    is.CurrentPts = due.Pts;
    is.CurrentPtsDrift = due.Pts - now;
    is.CurrentPos = due.Pos;
    if (due.Count == 1) {
        due.NextTarget = due.Target + is.VideoClockValue - due.Pts;
    }
}

// A late picture makes the decoder skip more; it is dropped when another one
// is waiting, when it is badly late, or when it belongs before a seek.
bool DropsLatePicture(TPlayContext& is, const TDuePicture& due, double now) {
    const bool after_seek = is.AfterSeek.load();
    const bool late = is.Settings.FrameDrop != 0 && now > due.NextTarget && !is.CaptureDevice;
    if (!late && !after_seek) {
        return false;
    }
    std::lock_guard lock(is.PictureMutex);
    is.FrameSkip *= 1.05;
    return due.Count > 1 || now > due.NextTarget + 0.5 || after_seek;
}

void ShowPicture(TPlayContext& is, double pts, bool consume) {
    if (is.Subtitle.Index.load() >= 0) {
        ExpireSubtitles(is);
    }
    Display(is, true);
    if (is.Audio.Index.load() >= 0) {
        is.Host->CountPicture(true, std::fabs(pts - AudioClock(is)));
    }
    if (consume) {
        TakePicture(is);
    }
}

void RefreshVideo(TPlayContext& is, bool consume) {
    bool dropped = false;
    for (;;) {
        const size_t count = QueuedPictureCount(is);
        if (count == 0) {
            if (!consume) {
                Display(is, false);
            }
            break;
        }
        TDuePicture due = PeekPicture(is, count);
        const double now = NowSeconds();
        if (now < due.Target) {
            return;  // not due yet
        }
        AdvanceVideoClock(is, due, now);
        if (DropsLatePicture(is, due, now)) {
            is.Host->CountPicture(false, 0.0);
            TakePicture(is);
            dropped = true;
            continue;
        }
        ShowPicture(is, due.Pts, consume);
        break;
    }
    if (!dropped) {
        UpdatePosition(is);
    }
}

// False with neither a picture nor a sound stream to take the time from.
bool ClockPosition(TPlayContext& is, int64_t& p) {
    const int64_t start = is.StartTime != AV_NOPTS_VALUE ? is.StartTime : 0;
    if (is.Video.Index.load() >= 0) {
        p = std::llround(VideoClock(is) * 1e6) - start;
    } else if (is.Audio.Index.load() >= 0) {
        p = std::llround(AudioClock(is) * 1e6) - start;
        if (is.Audio.Duration > 0 && is.Audio.Duration <= p && is.Duration > p) {
            p = is.Duration;
        }
    } else {
        return false;
    }
    // Before the first sound has left the device the clock reads a little
    // before the start.
    p = std::max<int64_t>(p, 0);
    return true;
}

// Called with the position lock held; p comes back clamped to the duration.
void ReportPosition(TPlayContext& is, int64_t& p) {
    is.Host->SetCurrentPosition(p);
    if (is.Duration > 0 && is.Duration <= p) {
        p = is.Duration;
        if (is.LastReportedPosition != p) {
            is.LastReportedPosition = 0;  // the end is always reported
        }
    }
    if (is.LastReportedPosition == INT64_MIN || std::llabs(p - is.LastReportedPosition) > 10000) {
        is.LastReportedPosition = p;
        is.Host->PushPosition(p);
    }
    // Once for each time the end is reached: a seek, or a new picture, may
    // lead there again.
    if (!is.CaptureDevice && !is.EndReported.load() && is.EndReached.load()) {
        is.EndReported.store(true);
        is.Host->SetState(psEnd);
    }
}

// Stopping or looping is left to the player itself, outside the position lock.
void ApplyPlayDuration(TPlayContext& is, int64_t p) {
    const TPlaybackSettings& s = is.Settings;
    if (s.PlayDuration == INT64_MIN) {
        return;
    }
    const int64_t limit = s.StartTime != INT64_MIN ? s.StartTime + s.PlayDuration : s.PlayDuration;
    if (p < limit) {
        return;
    }
    TCustomPlayer& player = *is.Player;
    if (s.EndAction == 1) {
        player.Stop(false);
    } else if (s.EndAction == 2) {
        if (s.StartTime != INT64_MIN) {
            player.Seek(0, s.StartTime);
        } else {
            player.Seek(sfAny, 0);
        }
    }
}

}  // namespace

void Refresh(TPlayContext& is, bool consume) {
    if (is.Video.Index.load() >= 0) {
        RefreshVideo(is, consume);
        return;
    }
    if (is.Audio.Index.load() >= 0) {
        Display(is, true);
        UpdatePosition(is);
    }
}

void Redraw(TPlayContext& is) {
    if (is.Paused.load()) {
        Refresh(is, false);
    } else {
        Display(is, false);
    }
}

void UpdatePosition(TPlayContext& is) {
    // Until a seek asked for is carried out, the clocks still tell the old
    // place: reported now, it would read as where the seek went.
    if (is.ImageSequence || is.SeekRequest.load()) {
        return;
    }
    int64_t p;
    std::unique_lock lock(is.PositionMutex);
    if (!ClockPosition(is, p)) {
        return;
    }
    ReportPosition(is, p);
    lock.unlock();
    ApplyPlayDuration(is, p);
}

}  // namespace v2m
