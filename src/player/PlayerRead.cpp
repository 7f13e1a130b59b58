// Opening a file, choosing its streams, reading packets into the queues,
// seeking, and decoding pictures and subtitles on their own threads.

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "CodecStages.h"
#include "FFmpegLoader.h"
#include "FFmpegLogger.h"
#include "MediaOwners.h"
#include "Format.h"
#include "PlayerContext.h"
#include "UnicodeProtocol.h"
#include "libavutil_error.h"

namespace v2m {

namespace {

constexpr int64_t kMaxQueueBytes = 15 * 1024 * 1024;
constexpr int64_t kEnoughAudioBytes = 0x50000;
constexpr int kEnoughPackets = 5;

void Sleep(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int InterruptCallback(void* opaque) {
    return static_cast<TPlayContext*>(opaque)->Abort.load() ? 1 : 0;
}

// A pipe or a device is read through our own byte stream: the read waits in
// short steps, so that closing the file never hangs on a writer that has
// nothing more to say (or never came).
struct TWaitingReader {
    int Fd = -1;
    TPlayContext* Context = nullptr;
    bool WriterSeen = false;
};

int WaitingRead(void* opaque, uint8_t* buffer, int size) {
    auto* reader = static_cast<TWaitingReader*>(opaque);
    for (;;) {
        if (reader->Context->Abort.load()) {
            return AVERROR_EXIT;
        }
        pollfd polled{reader->Fd, POLLIN, 0};
        const int ready = ::poll(&polled, 1, 100);
        if (ready < 0 && errno != EINTR) {
            return AVERROR(errno);
        }
        if (ready <= 0) {
            continue;
        }
        const ssize_t got = ::read(reader->Fd, buffer, static_cast<size_t>(size));
        if (got > 0) {
            reader->WriterSeen = true;
            return static_cast<int>(got);
        }
        if (got < 0 && errno != EAGAIN && errno != EINTR) {
            return AVERROR(errno);
        }
        if (got == 0) {
            if (reader->WriterSeen) {
                return AVERROR_EOF;
            }
            Sleep(10);  // no writer yet
        }
    }
}

struct TWaitingInput {
    TWaitingReader Reader;
    IOContextPtr IO;
    TWaitingInput() = default;
    TWaitingInput(const TWaitingInput&) = delete;
    TWaitingInput& operator=(const TWaitingInput&) = delete;
    ~TWaitingInput() {
        if (Reader.Fd >= 0) {
            ::close(Reader.Fd);
        }
    }
};

int OpenInput(TPlayContext& is, AVFormatContext** format, const AVInputFormat* forced,
              AVDictionary** options, std::unique_ptr<TWaitingInput>& waiting) {
    std::string path;
    struct stat st {};
    if (IsLocalFileName(is.FileName, &path) && ::stat(path.c_str(), &st) == 0 &&
        (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode) || S_ISSOCK(st.st_mode))) {
        waiting = std::make_unique<TWaitingInput>();
        waiting->Reader.Context = &is;
        waiting->Reader.Fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (waiting->Reader.Fd < 0) {
            const int code = AVERROR(errno);
            const FormatContextPtr dropped(std::exchange(*format, nullptr));
            return code;
        }
        constexpr int kBufferSize = 32768;
        waiting->IO =
            MakeIOContext(kBufferSize, false, &waiting->Reader, WaitingRead, nullptr, nullptr);
        if (waiting->IO == nullptr) {
            const FormatContextPtr dropped(std::exchange(*format, nullptr));
            return AVERROR(ENOMEM);
        }
        waiting->IO->seekable = 0;
        (*format)->pb = waiting->IO.get();
        (*format)->flags |= AVFMT_FLAG_CUSTOM_IO;
        return ff::avformat_open_input(format, "", forced, options);
    }
    return OpenInputContext(format, ToLibraryFileName(is.FileName), forced, options);
}

// Lends an owned dictionary to a call that may replace or free it, and takes
// back whatever the call left, also when the caller throws afterwards.
class TLentDictionary {
public:
    explicit TLentDictionary(DictionaryPtr& owner) : owner_(owner), entries_(owner.release()) {}
    ~TLentDictionary() { owner_.reset(entries_); }
    TLentDictionary(const TLentDictionary&) = delete;
    TLentDictionary& operator=(const TLentDictionary&) = delete;
    AVDictionary** Get() { return &entries_; }

private:
    DictionaryPtr& owner_;
    AVDictionary* entries_;
};

void SetOption(DictionaryPtr& options, const char* key, const std::string& value) {
    ff::av_dict_set(TLentDictionary(options).Get(), key, value.c_str(), 0);
}

AVMediaType StreamType(const AVStream* stream) {
    return stream->codecpar->codec_type;
}

// The stream of each kind to play: the wanted one by its number among the
// streams of its kind, or the libraries' best choice; never cover art.
void ChooseStreams(TPlayContext& is, AVFormatContext* format, int chosen[AVMEDIA_TYPE_NB]) {
    for (int type = 0; type < AVMEDIA_TYPE_NB; ++type) {
        chosen[type] = -1;
    }
    int counter[AVMEDIA_TYPE_NB] = {};
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        AVStream* stream = format->streams[i];
        stream->discard = AVDISCARD_ALL;
        const int type = StreamType(stream);
        if (type < 0 || type >= AVMEDIA_TYPE_NB) {
            continue;
        }
        const int wanted = is.Settings.WantedStream[static_cast<size_t>(type) + 1];
        if (wanted >= 0 && wanted == counter[type] &&
            (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) == 0) {
            chosen[type] = static_cast<int>(i);
        }
        ++counter[type];
    }
    for (const AVMediaType type : {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_SUBTITLE}) {
        if (is.Settings.WantedStream[static_cast<size_t>(type) + 1] >= 0) {
            continue;
        }
        const int related = type == AVMEDIA_TYPE_AUDIO      ? chosen[AVMEDIA_TYPE_VIDEO]
                            : type == AVMEDIA_TYPE_SUBTITLE ? chosen[AVMEDIA_TYPE_VIDEO]
                                                            : -1;
        const int best = ff::av_find_best_stream(format, type, -1, related, nullptr, 0);
        if (best >= 0 && (format->streams[best]->disposition & AV_DISPOSITION_ATTACHED_PIC) == 0) {
            chosen[type] = best;
        }
    }
    if (is.DisableAudio) {
        chosen[AVMEDIA_TYPE_AUDIO] = -1;
    }
    if (is.DisableVideo) {
        chosen[AVMEDIA_TYPE_VIDEO] = -1;
        chosen[AVMEDIA_TYPE_SUBTITLE] = -1;
    }
}

int ErrorRecognitionFlags(int level) {
    if (level <= 0) {
        return 0;
    }
    int flags = AV_EF_CAREFUL;
    if (level >= 2) {
        flags |= AV_EF_COMPLIANT;
    }
    if (level >= 3) {
        flags |= AV_EF_AGGRESSIVE;
    }
    return flags;
}

// The decoder for a stream, opened with the playback settings; empty when the
// stream cannot be decoded.
OpenedCodecContextPtr OpenDecoder(const TPlaybackSettings& s, AVStream* stream) {
    const AVCodec* codec = ff::avcodec_find_decoder(stream->codecpar->codec_id);
    OpenedCodecContextPtr decoder(ff::avcodec_alloc_context3(codec));
    if (codec == nullptr || !decoder ||
        ff::avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0) {
        return nullptr;
    }
    decoder->pkt_timebase = stream->time_base;
    decoder->debug = s.DecodeDebug;
    decoder->workaround_bugs = s.WorkaroundBugs;
    decoder->idct_algo = s.IdctAlgo;
    if (s.FastDecode) {
        decoder->flags2 |= AV_CODEC_FLAG2_FAST;
    }
    decoder->skip_frame = static_cast<AVDiscard>(s.SkipFrame);
    decoder->skip_idct = static_cast<AVDiscard>(s.SkipIdct);
    decoder->skip_loop_filter = static_cast<AVDiscard>(s.SkipLoopFilter);
    decoder->err_recognition = ErrorRecognitionFlags(s.ErrorRecognition);
    decoder->error_concealment = s.ErrorConcealment;
    decoder->thread_count = 1;
    DictionaryPtr options;
    if (s.LowRes != 0) {
        SetOption(options, "lowres", std::to_string(s.LowRes));
    }
    if (s.DebugMV != 0) {
        SetOption(options, "debug_mv", std::to_string(s.DebugMV));
    }
    int opened;
    {
        AVCodecLock lock;
        opened = ff::avcodec_open2(decoder.get(), codec, TLentDictionary(options).Get());
    }
    return opened >= 0 ? std::move(decoder) : nullptr;
}

// Hands an opened decoder to its stream's queue and thread.
// The queue opened with a flush marker first, so that the decoder starts as
// after a seek; the index last: it tells the other threads the stream plays.
void StartQueue(TStreamState& state, AVStream* stream, OpenedCodecContextPtr decoder, int index) {
    state.Stream = stream;
    state.Decoder = std::move(decoder);
    state.Queue.Start();
    state.Queue.PutFlush();
    state.Index.store(index);
}

void StartComponent(TPlayContext& is, AVStream* stream, OpenedCodecContextPtr decoder, int index) {
    switch (StreamType(stream)) {
        case AVMEDIA_TYPE_VIDEO:
            StartQueue(is.Video, stream, std::move(decoder), index);
            is.Video.Thread = NamedThread("v2m-video", [&is] { VideoThread(is); });
            break;
        case AVMEDIA_TYPE_AUDIO: {
            TAudioState& audio = is.Audio;
            audio.Duration = stream->duration != AV_NOPTS_VALUE
                                 ? ff::av_rescale_q(stream->duration, stream->time_base,
                                                    AVRational{1, AV_TIME_BASE})
                                 : -1;
            audio.BlockSize.store(0);
            audio.BlockIndex.store(0);
            // A difference's weight falls to 1 % after 20 blocks.
            audio.DiffFactor = std::exp(std::log(0.01) / 20.0);
            audio.DiffCount = 0;
            audio.DiffThreshold = 2.0 * 1024.0 / audio.DeviceFormat.freq;
            StartQueue(audio, stream, std::move(decoder), index);
            ff::SDL_PauseAudioDevice(audio.Device, 0);
            break;
        }
        default:  // subtitles: the only other type a caller opens
            StartQueue(is.Subtitle, stream, std::move(decoder), index);
            is.Subtitle.Thread = NamedThread("v2m-subtitle", [&is] { SubtitleThread(is); });
            break;
    }
}

int OpenComponent(TPlayContext& is, AVFormatContext* format, int index) {
    if (index < 0 || static_cast<unsigned>(index) >= format->nb_streams) {
        return -1;
    }
    AVStream* stream = format->streams[index];
    const AVMediaType type = StreamType(stream);
    if (type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO && type != AVMEDIA_TYPE_SUBTITLE) {
        stream->discard = AVDISCARD_ALL;
        return -1;
    }
    OpenedCodecContextPtr decoder = OpenDecoder(is.Settings, stream);
    if (!decoder) {
        is.Host->Report("avcodec_open() failed.", false);
        return -1;
    }
    if (type == AVMEDIA_TYPE_AUDIO && !OpenAudioDevice(is, decoder.get())) {
        is.Host->Report(std::string("SDL_OpenAudio() failed: ") + ff::SDL_GetError(), false);
        return -1;  // the decoder closes with its owner
    }
    stream->discard = AVDISCARD_DEFAULT;
    StartComponent(is, stream, std::move(decoder), index);
    return 0;
}

// The queue emptied, the decoder freed, and the stream forgotten with its
// packets discarded again.
void ForgetComponent(TStreamState& state) {
    state.Queue.Flush();
    state.Decoder.reset();
    state.Index.store(-1);
    if (state.Stream != nullptr) {
        state.Stream->discard = AVDISCARD_ALL;
        state.Stream = nullptr;
    }
}

void JoinDecoderThread(std::thread& thread) {
    if (thread.joinable()) {
        thread.join();
    }
}

void CloseComponent(TPlayContext& is, AVMediaType type) {
    switch (type) {
        case AVMEDIA_TYPE_VIDEO:
            if (is.Video.Index.load() < 0) {
                return;
            }
            is.Video.Queue.Abort();
            {
                std::lock_guard lock(is.PictureMutex);
                is.PictureChanged.notify_all();
            }
            JoinDecoderThread(is.Video.Thread);
            ForgetComponent(is.Video);
            break;
        case AVMEDIA_TYPE_AUDIO:
            if (is.Audio.Index.load() < 0) {
                return;
            }
            is.Audio.Queue.Abort();
            ff::SDL_CloseAudioDevice(is.Audio.Device);  // returns once the callback has left
            is.Audio.Device = 0;
            is.Audio.Resampler.reset();
            ForgetComponent(is.Audio);
            is.Audio.Duration = -1;
            break;
        case AVMEDIA_TYPE_SUBTITLE:
            if (is.Subtitle.Index.load() < 0) {
                return;
            }
            is.Subtitle.Queue.Abort();
            {
                std::lock_guard lock(is.SubtitleMutex);
                is.SubtitleFlushRequested = true;
                is.SubtitleChanged.notify_all();
            }
            JoinDecoderThread(is.Subtitle.Thread);
            ForgetComponent(is.Subtitle);
            break;
        default:
            return;
    }
}

// Inputs that cannot tell their picture size or pixel format take the
// user's.
DictionaryPtr RawInputOptions(const TPlayContext& is) {
    const TPlaybackSettings& s = is.Settings;
    DictionaryPtr options;
    if (is.FrameWidth > 0 && is.FrameHeight > 0) {
        SetOption(options, "video_size", Format("%dx%d", is.FrameWidth, is.FrameHeight));
    }
    if (s.FramePixelFormat >= 0) {
        const char* name = ff::av_get_pix_fmt_name(static_cast<AVPixelFormat>(s.FramePixelFormat));
        if (name != nullptr) {
            SetOption(options, "pixel_format", name);
        }
    }
    return options;
}

// A start time that cannot be reached is only reported: the file still plays.
void SeekToStartTime(TPlayContext& is, AVFormatContext* format) {
    const TPlaybackSettings& s = is.Settings;
    if (s.StartTime == INT64_MIN) {
        return;
    }
    int64_t target = s.StartTime;
    if (is.StartTime != AV_NOPTS_VALUE) {
        target += is.StartTime;
    }
    if (ff::avformat_seek_file(format, -1, INT64_MIN, target, INT64_MAX, 0) < 0) {
        is.Host->Report(Format("%s: could not seek to position %0.3f", is.FileName.c_str(),
                               static_cast<double>(target) / AV_TIME_BASE),
                        false);
    }
}

// Without a picture stream, the sound is shown as a visualisation instead.
void OpenChosenStreams(TPlayContext& is, AVFormatContext* format) {
    int chosen[AVMEDIA_TYPE_NB];
    ChooseStreams(is, format, chosen);
    if (chosen[AVMEDIA_TYPE_AUDIO] >= 0) {
        OpenComponent(is, format, chosen[AVMEDIA_TYPE_AUDIO]);
    }
    if (chosen[AVMEDIA_TYPE_VIDEO] >= 0) {
        OpenComponent(is, format, chosen[AVMEDIA_TYPE_VIDEO]);
    }
    if (is.Video.Index.load() < 0 && !is.DisableDisplay) {
        is.ShowMode.store(2);
    }
    if (chosen[AVMEDIA_TYPE_SUBTITLE] >= 0) {
        OpenComponent(is, format, chosen[AVMEDIA_TYPE_SUBTITLE]);
    }
}

bool OpenAndAnalyse(TPlayContext& is, std::unique_ptr<TWaitingInput>& waiting) {
    const TPlaybackSettings& s = is.Settings;
    AVFormatContext* format = ff::avformat_alloc_context();
    if (format == nullptr) {
        is.OpenError = AVErrorText(is.FileName, AVERROR(ENOMEM));
        return false;
    }
    format->interrupt_callback = AVIOInterruptCB{InterruptCallback, &is};
    DictionaryPtr options = RawInputOptions(is);
    const AVInputFormat* forced =
        s.ForcedFormat.empty() ? nullptr : ff::av_find_input_format(s.ForcedFormat.c_str());
    const int opened = OpenInput(is, &format, forced, TLentDictionary(options).Get(), waiting);
    if (opened < 0) {
        is.OpenError = InputOpenErrorText(is.FileName, opened);
        return false;
    }
    is.Format.reset(format);
    if (s.GeneratePts) {
        format->flags |= AVFMT_FLAG_GENPTS;
    }
    if (ff::avformat_find_stream_info(format, nullptr) < 0) {
        is.OpenError = Format("%s: could not find codec parameters", is.FileName.c_str());
        return false;
    }
    is.OpenError = SampleRateRefusal(is.FileName, format);
    if (!is.OpenError.empty()) {
        return false;
    }
    if (format->pb != nullptr) {
        format->pb->eof_reached = 0;
    }
    const std::string name = format->iformat->name;
    is.ImageSequence = name == "image2";
    is.CaptureDevice = name == "video4linux2,v4l2" || name == "x11grab" || name == "vfwcap";
    is.StartTime = format->start_time;
    is.Duration = format->duration != AV_NOPTS_VALUE ? format->duration : -1;

    SeekToStartTime(is, format);
    OpenChosenStreams(is, format);
    if (is.Video.Index.load() < 0 && is.Audio.Index.load() < 0) {
        is.OpenError = Format("%s: could not open codecs, no stream to play.", is.FileName.c_str());
        return false;
    }
    return true;
}

void CarryOutSeek(TPlayContext& is, AVFormatContext* format) {
    int64_t target;
    int64_t relative;
    int flags;
    uint64_t serial;
    {
        std::lock_guard lock(is.SeekMutex);
        target = is.SeekPos;
        relative = is.SeekRel;
        flags = is.SeekFlags;
        serial = is.SeekSerial;
    }
    // The window always holds the target itself.
    const int64_t lowest = relative > 0 ? target - relative : INT64_MIN;
    const int64_t highest = relative < 0 ? target - relative : INT64_MAX;
    int result = ff::avformat_seek_file(format, -1, lowest, target, highest, flags);
    if (result < 0) {
        result = ff::av_seek_frame(format, -1, target, flags);
    }
    if (result < 0) {
        result = ff::av_seek_frame(format, -1, target, flags ^ AVSEEK_FLAG_BACKWARD);
    }
    if (result < 0) {
        is.Host->Report(Format("%s: error while seeking", is.FileName.c_str()), false);
        if (is.Video.Index.load() >= 0) {
            is.PictureReady.Set();
        }
    } else {
        // Set before the flush markers go out: the video thread may take its
        // marker at once, and must find these already changed.
        if (is.Video.Index.load() >= 0) {
            is.FlushSeen.store(false);
            is.PictureReady.Reset();
        }
        is.AfterSeek.store(true);
        if (is.Audio.Index.load() >= 0) {
            is.Audio.Queue.Flush();
            is.Audio.Queue.PutFlush();
        }
        if (is.Subtitle.Index.load() >= 0) {
            is.Subtitle.Queue.Flush();
            is.Subtitle.Queue.PutFlush();
        }
        if (is.Video.Index.load() >= 0) {
            is.Video.Queue.Flush();
            is.Video.Queue.PutFlush();
        }
        if ((flags & AVSEEK_FLAG_BYTE) == 0) {
            // Until the first sound after the seek is decoded (not before
            // the pause ends), the audio clock tells where the seek went.
            if (is.Audio.Index.load() >= 0) {
                is.AudioClockValue.store(static_cast<double>(target) / AV_TIME_BASE);
            }
            std::lock_guard lock(is.ClockMutex);
            is.ExternalBase = static_cast<double>(target) / AV_TIME_BASE;
            is.ExternalBaseTime = NowMicroseconds();
        }
    }
    is.EndAnnounced.store(false);
    is.EndReached.store(false);
    is.EndReported.store(false);
    is.AfterSeek.store(true);
    std::lock_guard lock(is.SeekMutex);
    // A seek asked for meanwhile stays asked for, and is carried out next.
    if (is.SeekSerial == serial) {
        is.SeekRequest.store(false);
        is.SeekSettled.Set();
    }
}

// Whether the decoders have enough waiting for now.
bool QueuesFull(TPlayContext& is) {
    const int64_t queued = is.Audio.Queue.Size() + is.Video.Queue.Size() + is.Subtitle.Queue.Size();
    return queued > kMaxQueueBytes ||
           ((is.Audio.Index.load() < 0 || is.Audio.Queue.Size() > kEnoughAudioBytes) &&
            (is.Video.Index.load() < 0 || is.Video.Queue.Count() > kEnoughPackets) &&
            (is.Subtitle.Index.load() < 0 || is.Subtitle.Queue.Count() > kEnoughPackets));
}

// An empty packet makes each decoder give up what it still holds.
void SendDrainPackets(TPlayContext& is) {
    if (is.Video.Index.load() >= 0) {
        PacketPtr empty(ff::av_packet_alloc());
        if (empty) {
            empty->stream_index = is.Video.Index.load();
            is.Video.Queue.Put(empty.get());
        }
        is.PictureReady.Set();
    }
    if (is.Audio.Index.load() >= 0) {
        PacketPtr empty(ff::av_packet_alloc());
        if (empty) {
            empty->stream_index = is.Audio.Index.load();
            is.Audio.Queue.Put(empty.get());
        }
    }
}

// Announces the end of the file or a read error once. Returns whether
// reading must stop for good.
bool OnReadFailure(TPlayContext& is, AVFormatContext* format, int result, bool& end_of_file) {
    if (is.Video.Index.load() >= 0) {
        is.PictureReady.Set();
    }
    if (!is.ImageSequence && !is.EndAnnounced.load()) {
        is.EndAnnounced.store(true);
        if (result == AVERROR_EOF) {
            FFLoggerInstance().Log(is.Player, llInfo,
                                   Format("reach end of file: %s", is.FileName.c_str()));
        } else {
            is.Host->Report(Format("error #%d while reading file: %s", result, is.FileName.c_str()),
                            false);
        }
    }
    if (result == AVERROR_EOF) {
        end_of_file = true;
    }
    return format->pb != nullptr && format->pb->error != 0;
}

void QueuePacket(TPlayContext& is, AVPacket* packet) {
    if (packet->stream_index == is.Audio.Index.load()) {
        is.Audio.Queue.Put(packet);
    } else if (packet->stream_index == is.Video.Index.load()) {
        is.Video.Queue.Put(packet);
    } else if (packet->stream_index == is.Subtitle.Index.load()) {
        is.Subtitle.Queue.Put(packet);
    }
}

void ReadLoop(TPlayContext& is) {
    AVFormatContext* format = is.Format.get();
    PacketPtr packet(ff::av_packet_alloc());
    if (!packet) {
        return;
    }
    bool end_of_file = false;
    bool drain_sent = false;  // the decoders were told the file ended
    while (!is.Abort.load()) {
        const bool paused = is.Paused.load();
        if (paused != is.LastPaused) {
            is.LastPaused = paused;
            is.ReadPauseResult.store(paused ? ff::av_read_pause(format) : ff::av_read_play(format));
        }
        if (is.SeekRequest.load()) {
            CarryOutSeek(is, format);
            end_of_file = false;
            drain_sent = false;
        }
        if (QueuesFull(is)) {
            Sleep(10);
            continue;
        }
        // Only the demuxer knows the end: the byte stream may be exhausted
        // while parsed packets still wait inside it.
        if (end_of_file) {
            if (!drain_sent) {
                drain_sent = true;
                SendDrainPackets(is);
            }
            Sleep(10);
            if (is.Audio.Queue.Count() == 0 && is.Video.Queue.Count() == 0 &&
                is.Subtitle.Queue.Count() == 0) {
                is.EndReached.store(true);
            }
            continue;
        }
        is.ReadInProgress.store(true);
        const int result = ff::av_read_frame(format, packet.get());
        is.ReadInProgress.store(false);
        if (is.Abort.load()) {
            ff::av_packet_unref(packet.get());
            break;
        }
        if (result == AVERROR(EAGAIN)) {
            Sleep(10);
        } else if (result < 0) {
            if (OnReadFailure(is, format, result, end_of_file)) {
                break;
            }
            Sleep(100);
        } else {
            QueuePacket(is, packet.get());
            ff::av_packet_unref(packet.get());
        }
    }
}

// The read loop failing in itself (no memory left to queue a packet, a
// library error thrown on the way) ends this file, never the program: the
// failure is reported and kept as the last error, and the refresh thread
// closes the file, which ends every thread of it as a stop does.
void GuardedReadLoop(TPlayContext& is) {
    std::string failure;
    try {
        ReadLoop(is);
        return;
    } catch (const std::exception& error) {
        failure = error.what();
    } catch (...) {
        failure = "unknown failure";
    }
    try {
        is.Host->Report(
            Format("error while reading file: %s: %s", is.FileName.c_str(), failure.c_str()), true);
    } catch (...) {
        // The report could not be made (no memory, a log handler that throws
        // again): the file is closed all the same.
    }
    is.SeekSettled.Set();
    is.ReadFailed.store(true);
}

}  // namespace

void CloseStreams(TPlayContext& is) {
    CloseComponent(is, AVMEDIA_TYPE_AUDIO);
    CloseComponent(is, AVMEDIA_TYPE_VIDEO);
    CloseComponent(is, AVMEDIA_TYPE_SUBTITLE);
}

void ReadThread(TPlayContext& is) {
    std::unique_ptr<TWaitingInput> waiting;
    bool opened = false;
    try {
        opened = OpenAndAnalyse(is, waiting);
    } catch (const std::exception& error) {
        is.OpenError = error.what();
    }
    if (opened) {
        is.OpenStatus.store(1);
        GuardedReadLoop(is);
        while (!is.Abort.load()) {
            Sleep(100);
        }
    } else {
        is.OpenStatus.store(-1);
    }
    CloseStreams(is);
    is.Format.reset();
    waiting.reset();
    if (!opened) {
        is.OpenStatus.store(-2);
    }
}

// ---------------------------------------------------------------------------
// Video

namespace {

struct TVideoFilters {
    FilterGraphPtr Graph;
    AVFilterContext* Source = nullptr;
    AVFilterContext* Sink = nullptr;
    int Width = -1;
    int Height = -1;
    int PixelFormat = -2;
};

struct InOutFree {
    void operator()(AVFilterInOut* inout) const { ff::avfilter_inout_free(&inout); }
};

bool ConfigureFilters(TPlayContext& is, TVideoFilters& filters, const AVFrame* frame) {
    filters = TVideoFilters{};
    filters.Graph.reset(ff::avfilter_graph_alloc());
    if (!filters.Graph) {
        return false;
    }
    AVFilterGraph* graph = filters.Graph.get();
    graph->scale_sws_opts = ff::av_strdup("flags=bilinear");
    graph->nb_threads = 1;
    const AVRational time_base = is.Video.Stream->time_base;
    AVRational aspect = frame->sample_aspect_ratio;
    if (aspect.num <= 0 || aspect.den <= 0) {
        aspect = AVRational{0, 1};
    }
    const std::string source_args =
        Format("video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", frame->width,
               frame->height, frame->format, time_base.num, time_base.den, aspect.num, aspect.den);
    if (ff::avfilter_graph_create_filter(&filters.Source, ff::avfilter_get_by_name("buffer"), "src",
                                         source_args.c_str(), nullptr, graph) < 0 ||
        ff::avfilter_graph_create_filter(&filters.Sink, ff::avfilter_get_by_name("buffersink"),
                                         "out", nullptr, nullptr, graph) < 0) {
        return false;
    }
    const AVPixelFormat formats[] = {AV_PIX_FMT_YUV420P};
    if (ff::av_opt_set_bin(filters.Sink, "pix_fmts", reinterpret_cast<const uint8_t*>(formats),
                           sizeof formats, AV_OPT_SEARCH_CHILDREN) < 0) {
        return false;
    }
    int linked;
    if (is.Settings.VideoFilters.empty()) {
        linked = ff::avfilter_link(filters.Source, 0, filters.Sink, 0);
    } else {
        std::unique_ptr<AVFilterInOut, InOutFree> outputs(ff::avfilter_inout_alloc());
        std::unique_ptr<AVFilterInOut, InOutFree> inputs(ff::avfilter_inout_alloc());
        if (!outputs || !inputs) {
            return false;
        }
        outputs->name = ff::av_strdup("in");
        outputs->filter_ctx = filters.Source;
        outputs->pad_idx = 0;
        inputs->name = ff::av_strdup("out");
        inputs->filter_ctx = filters.Sink;
        inputs->pad_idx = 0;
        // The parse takes the lists and hands back what it left unlinked.
        AVFilterInOut* in = inputs.release();
        AVFilterInOut* out = outputs.release();
        linked = ff::avfilter_graph_parse_ptr(graph, is.Settings.VideoFilters.c_str(), &in, &out,
                                              nullptr);
        inputs.reset(in);
        outputs.reset(out);
    }
    if (linked < 0 || ff::avfilter_graph_config(graph, nullptr) < 0) {
        return false;
    }
    filters.Width = frame->width;
    filters.Height = frame->height;
    filters.PixelFormat = frame->format;
    return true;
}

// After a seek: forget every picture and timing of before it.
void FlushVideo(TPlayContext& is) {
    ff::avcodec_flush_buffers(is.Video.Decoder.get());
    {
        std::unique_lock lock(is.PictureMutex);
        for (auto& picture : is.Pictures) {
            picture.Target = 0.0;
        }
        is.PictureChanged.wait(lock,
                               [&is] { return is.PictureCount == 0 || is.Video.Queue.Aborted(); });
        is.FrameSkip = 1.0;
    }
    {
        std::lock_guard lock(is.ClockMutex);
        is.CurrentPos = -1;
        is.FrameLastPts = -1.0;
        is.FrameLastDelay = 0.0;
        is.FrameTimer = NowSeconds();
    }
    is.Video.LastPts = INT64_MIN;
    is.Video.LastDts = INT64_MIN;
    is.Video.FrameSkipCounter = 0;
    is.FlushSeen.store(true);
}

// Times a decoded picture and decides whether it is shown or skipped to
// catch up; true to show it.
bool ShowsDecodedPicture(TPlayContext& is, AVFrame& frame) {
    if (frame.pts != AV_NOPTS_VALUE) {
        is.Video.FaultyPts += frame.pts <= is.Video.LastPts;
        is.Video.LastPts = frame.pts;
    }
    if (frame.pkt_dts != AV_NOPTS_VALUE) {
        is.Video.FaultyDts += frame.pkt_dts <= is.Video.LastDts;
        is.Video.LastDts = frame.pkt_dts;
    }
    switch (is.Settings.DecoderReorderPts) {
        case 1:
            break;
        case 0:
            frame.pts = frame.pkt_dts;
            break;
        default:
            frame.pts = frame.best_effort_timestamp;
            break;
    }
    double skip;
    {
        std::lock_guard lock(is.PictureMutex);
        skip = is.FrameSkip;
    }
    ++is.Video.FrameSkipCounter;
    if (is.Video.FrameSkipCounter >= skip) {
        is.Video.FrameSkipCounter -= static_cast<int>(std::max(skip, 1.0));
        return true;
    }
    return false;
}

// 1 with a picture to show, 0 with none for now, -1 once the queue is aborted.
int DecodeVideo(TPlayContext& is, AVFrame* frame, bool& drained) {
    AVCodecContext* decoder = is.Video.Decoder.get();
    for (;;) {
        const TStageResult got = ReceiveFrames(
            decoder, frame, [&is](AVFrame& decoded) { return !ShowsDecodedPicture(is, decoded); });
        if (got.How == TReceived::Kept) {
            return 1;
        }
        // A decoding error loses that picture only: the next packet may decode.
        if (got.How == TReceived::Drained && drained && !is.EndReported.load()) {
            UpdatePosition(is);
        }
        TPacketQueue::TEntry entry;
        if (is.Video.Queue.Get(entry, true) < 0) {
            return -1;
        }
        if (entry.Flush) {
            FlushVideo(is);
            drained = false;
            return 0;
        }
        drained = entry.Packet->data == nullptr;
        // A packet refused is lost like one that fails to decode.
        SendPacket(decoder, drained ? nullptr : entry.Packet.get());
    }
}

// Paused, the thread still decodes up to the first picture after a seek (the
// pause may have come before the seek was carried out).
void WaitWhilePausedForVideo(TPlayContext& is) {
    while (is.Paused.load() && !is.Video.Queue.Aborted() && !is.PausedAtSeek.load() &&
           !is.AfterSeek.load() && is.OpenPausedStep.load() == 0) {
        Sleep(10);
    }
}

bool FiltersFitFrame(const TVideoFilters& filters, const AVFrame& frame) {
    return frame.width == filters.Width && frame.height == filters.Height &&
           frame.format == filters.PixelFormat;
}

// Opened paused, the pause is announced at the second picture, and not
// before playback has started.
void AdvanceOpenPausedStep(TPlayContext& is) {
    const int step = is.OpenPausedStep.load();
    if (step == 1) {
        is.OpenPausedStep.store(2);
    } else if (step == 2) {
        while (!is.PlayStarted.load() && !is.Video.Queue.Aborted()) {
            Sleep(5);
        }
        is.OpenPausedStep.store(0);
        is.Host->SetState(psPause);
    }
}

// False once the picture queue refuses a picture: the thread must stop.
bool QueueFilteredPictures(TPlayContext& is, const TVideoFilters& filters, AVFrame* filtered,
                           int64_t position) {
    const AVRational time_base = ff::av_buffersink_get_time_base(filters.Sink);
    while (ff::av_buffersink_get_frame(filters.Sink, filtered) >= 0) {
        if (is.AfterSeek.load() && is.FlushSeen.load()) {
            is.AfterSeek.store(false);
            is.PausedAtSeek.store(false);
        }
        // A picture without a time (NaN) is timed by the video clock.
        const double pts = filtered->pts == AV_NOPTS_VALUE
                               ? std::nan("")
                               : static_cast<double>(filtered->pts) * av_q2d(time_base);
        const bool queued = QueuePicture(is, filtered, position, pts) >= 0;
        if (queued) {
            is.PictureReady.Set();
            is.EndReported.store(false);
            AdvanceOpenPausedStep(is);
        }
        ff::av_frame_unref(filtered);
        if (!queued) {
            return false;
        }
    }
    return true;
}

}  // namespace

void VideoThread(TPlayContext& is) {
    FramePtr frame(ff::av_frame_alloc());
    FramePtr filtered(ff::av_frame_alloc());
    if (!frame || !filtered) {
        return;
    }
    TVideoFilters filters;
    bool drained = false;
    for (;;) {
        WaitWhilePausedForVideo(is);
        const int got = DecodeVideo(is, frame.get(), drained);
        if (got < 0) {
            break;
        }
        if (got == 0) {
            continue;
        }
        const int64_t position = frame->pkt_pos;
        if (!FiltersFitFrame(filters, *frame) && !ConfigureFilters(is, filters, frame.get())) {
            is.Host->Report("Cannot set up the video filters.", false);
            break;
        }
        if (ff::av_buffersrc_add_frame(filters.Source, frame.get()) < 0) {
            ff::av_frame_unref(frame.get());
            continue;
        }
        if (!QueueFilteredPictures(is, filters, filtered.get(), position)) {
            break;
        }
    }
}

// ---------------------------------------------------------------------------
// Subtitles

namespace {

// Bitmap subtitle palettes are turned from RGBA into studio-range YUVA.
void PaletteToYuv(AVSubtitleRect* rect) {
    if (rect->type != SUBTITLE_BITMAP || rect->data[1] == nullptr) {
        return;
    }
    auto* palette = reinterpret_cast<uint32_t*>(rect->data[1]);
    for (int i = 0; i < rect->nb_colors; ++i) {
        const uint32_t c = palette[i];
        const int a = static_cast<int>(c >> 24) & 0xff;
        const int r = static_cast<int>(c >> 16) & 0xff;
        const int g = static_cast<int>(c >> 8) & 0xff;
        const int b = static_cast<int>(c) & 0xff;
        const int y = (263 * r + 516 * g + 100 * b + 16896) >> 10;
        const int u = ((-152 * r - 298 * g + 450 * b + 511) >> 10) + 128;
        const int v = ((450 * r - 377 * g - 73 * b + 511) >> 10) + 128;
        palette[i] = (static_cast<uint32_t>(a) << 24) | (static_cast<uint32_t>(y) << 16) |
                     (static_cast<uint32_t>(u) << 8) | static_cast<uint32_t>(v);
    }
}

}  // namespace

void SubtitleThread(TPlayContext& is) {
    for (;;) {
        while (is.Paused.load() && !is.Subtitle.Queue.Aborted() && !is.PausedAtSeek.load()) {
            Sleep(10);
        }
        TPacketQueue::TEntry entry;
        if (is.Subtitle.Queue.Get(entry, true) < 0) {
            return;
        }
        if (entry.Flush) {
            ff::avcodec_flush_buffers(is.Subtitle.Decoder.get());
            continue;
        }
        {
            std::unique_lock lock(is.SubtitleMutex);
            is.SubtitleChanged.wait(lock, [&is] {
                return is.SubtitleCount < kSubtitleSlots || is.Subtitle.Queue.Aborted();
            });
        }
        if (is.Subtitle.Queue.Aborted()) {
            return;
        }
        auto subtitle = SubtitlePtr(new AVSubtitle{});
        int got = 0;
        if (ff::avcodec_decode_subtitle2(is.Subtitle.Decoder.get(), subtitle.get(), &got,
                                         entry.Packet.get()) < 0 ||
            got == 0) {
            continue;
        }
        const double pts =
            entry.Packet->pts != AV_NOPTS_VALUE
                ? static_cast<double>(entry.Packet->pts) * av_q2d(is.Subtitle.Stream->time_base)
                : 0.0;
        for (unsigned i = 0; i < subtitle->num_rects; ++i) {
            PaletteToYuv(subtitle->rects[i]);
        }
        // Text subtitles are queued too, so that they are freed with the rest.
        std::lock_guard lock(is.SubtitleMutex);
        TQueuedSubtitle& slot = is.Subtitles[is.SubtitleWrite];
        slot.Pts = pts;
        slot.Subtitle = std::move(subtitle);
        is.SubtitleWrite = (is.SubtitleWrite + 1) % kSubtitleSlots;
        ++is.SubtitleCount;
    }
}

}  // namespace v2m
