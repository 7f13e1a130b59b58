// The transcode main loop: choosing the input to read, timestamp offsets,
// scales and discontinuities, the recording limit, decoding and distributing
// each packet, the end of every input (with the join seam), and the teardown
// that flushes and writes the trailers.

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdlib>
#include <new>
#include <thread>

#include "CodecStages.h"
#include "FFmpegLoader.h"
#include "FFmpegTranscoder.h"
#include "Format.h"
#include "MyUtils.h"
#include "UnicodeProtocol.h"
#include "libavutil_error.h"

namespace v2m::engine {

namespace {

constexpr auto kNoPacketBackOff = std::chrono::milliseconds(10);

// Unreferences the packet read when its handling ends, whichever way.
struct TPacketRelease {
    AVPacket* Packet;
    ~TPacketRelease() { ff::av_packet_unref(Packet); }
};

// Everything a re-made encoder needs to open as the first one did.
void CopyEncoderSettings(AVCodecContext* to, const AVCodecContext* from) {
    ff::av_opt_copy(to, from);
    if (to->priv_data != nullptr && from->priv_data != nullptr && to->codec == from->codec) {
        ff::av_opt_copy(to->priv_data, from->priv_data);
    }
    to->codec_type = from->codec_type;
    to->codec_id = from->codec_id;
    to->codec_tag = from->codec_tag;
    to->bit_rate = from->bit_rate;
    to->flags = from->flags;
    to->flags2 = from->flags2;
    to->global_quality = from->global_quality;
    to->compression_level = from->compression_level;
    to->thread_count = from->thread_count;
    to->time_base = from->time_base;
    to->sample_rate = from->sample_rate;
    to->sample_fmt = from->sample_fmt;
    to->bits_per_raw_sample = from->bits_per_raw_sample;
    to->width = from->width;
    to->height = from->height;
    to->pix_fmt = from->pix_fmt;
    to->sample_aspect_ratio = from->sample_aspect_ratio;
    to->framerate = from->framerate;
    to->gop_size = from->gop_size;
    to->max_b_frames = from->max_b_frames;
    ff::av_channel_layout_uninit(&to->ch_layout);
    if (const int error = ff::av_channel_layout_copy(&to->ch_layout, &from->ch_layout); error < 0) {
        throw LibraryCallFailed("av_channel_layout_copy", error);
    }
}

}  // namespace

double TTranscoder::RunningTime(const TTranscodeOutputStream& ost) const {
    const int64_t position = ost.Output->RunningPts;
    if (position == AV_NOPTS_VALUE) {
        return 0.0;
    }
    return static_cast<double>(position) * av_q2d(ost.Stream->time_base);
}

bool TTranscoder::FrameLimitReached(const TTranscodeOutputStream& ost) const {
    const int type = OutputType(ost);
    return type >= 0 && type < static_cast<int>(options_.MaxFrames.size()) &&
           ost.FrameNumber >= options_.MaxFrames[static_cast<size_t>(type)];
}

void TTranscoder::MainLoop() {
    const bool join = context_.JoinMode();
    int current = 0;
    int64_t last_report = state_.TimerStart;
    do {
        // Pause point of run control: between iterations no packet is half
        // handled, so a paused run loses nothing. A stop request ends the pause.
        context_.WaitWhilePaused();
        const int chosen = ChooseInputFile(current);
        if (chosen < 0) {
            if (join || no_packet_count_ == 0) {
                break;
            }
            ClearNoPacket();
            std::this_thread::sleep_for(kNoPacketBackOff);
            continue;
        }
        if (FileSizeLimitReached()) {
            break;
        }
        const int read = ff::av_read_frame(context_.InputFile(chosen), packet_.get());
        if (read == AVERROR(EAGAIN)) {
            no_packet_[static_cast<size_t>(chosen)] = 1;
            ++no_packet_count_;
            continue;
        }
        if (read < 0) {
            if (!EndOfInput(chosen, read, current)) {
                break;
            }
            continue;
        }
        ClearNoPacket();
        if (!HandlePacket(chosen)) {
            continue;
        }
        const int64_t now = EngineClock();
        if (now - last_report > context_.ReportInterval()) {
            last_report = now;
            context_.PrintReport(false, join ? current : chosen, output_streams_);
        }
    } while (!context_.StopRequested());
}

void TTranscoder::ClearNoPacket() {
    std::fill(no_packet_.begin(), no_packet_.end(), 0);
    no_packet_count_ = 0;
}

bool TTranscoder::FileSizeLimitReached() const {
    if (options_.LimitFileSize == 0) {
        return false;
    }
    const AVFormatContext* first = context_.OutputFile(0);
    return first != nullptr && first->pb != nullptr &&
           ff::avio_seek(first->pb, 0, SEEK_CUR) > options_.LimitFileSize;
}

bool TTranscoder::HandlePacket(int chosen) {
    const TPacketRelease release{packet_.get()};
    const TTranscodeInputFile& file = input_files_[static_cast<size_t>(chosen)];
    const int index = packet_->stream_index;
    if (index < 0 || index >= file.StreamCount) {
        return true;
    }
    if (options_.DoPktDump) {
        ff::av_pkt_dump_log2(nullptr, AV_LOG_DEBUG, packet_.get(), options_.DoHexDump ? 1 : 0,
                             context_.InputFile(chosen)->streams[index]);
    }
    const int ist_index = file.FirstStream + index;
    TTranscodeInputStream& ist = input_streams_[static_cast<size_t>(ist_index)];
    if (ist.Discard != 0) {
        return true;
    }
    AdjustTimestamps(packet_.get(), ist);
    if (options_.RecordingTime != kUnlimitedTime && packet_->dts != AV_NOPTS_VALUE &&
        ff::av_compare_ts(packet_->dts, ist.Stream->time_base,
                          options_.RecordingTime + options_.StartTime, kMicroseconds) >= 0) {
        ist.PastRecordingTime = 1;
        return true;
    }
    if (OutputPacket(ist, ist_index, packet_.get()) >= 0) {
        return true;
    }
    const std::string text = Format("Error while decoding stream #%d.%d (%s)", ist.FileIndex,
                                    ist.StreamIndex, MediaTypeName(InputType(ist)).c_str());
    if (options_.ExitOnError) {
        throw FFmpegException(text);
    }
    if (options_.Verbose >= 0) {
        Log(llVerbose, text);
    }
    return false;
}

int TTranscoder::ChooseInputFile(int current) const {
    if (context_.JoinMode()) {
        const size_t first = static_cast<size_t>(current) * static_cast<size_t>(block_size_);
        for (size_t n = first; n < first + static_cast<size_t>(block_size_); ++n) {
            if (FrameLimitReached(output_streams_[n])) {
                return -1;
            }
        }
        return current;
    }
    int chosen = -1;
    double ipts_min = 1e100;
    double opts_min = 1e100;
    for (const TTranscodeOutputStream& ost : output_streams_) {
        const TTranscodeInputStream& ist = input_streams_[static_cast<size_t>(ost.SourceIndex)];
        if (ist.PastRecordingTime != 0 || no_packet_[static_cast<size_t>(ist.FileIndex)] != 0) {
            continue;
        }
        const double opts = RunningTime(ost);
        const auto ipts = static_cast<double>(ist.Pts);
        if (input_files_[static_cast<size_t>(ist.FileIndex)].EofReached == 0) {
            if (ipts < ipts_min) {
                ipts_min = ipts;
                if (options_.InputSync) {
                    chosen = ist.FileIndex;
                }
            }
            if (opts < opts_min) {
                opts_min = opts;
                if (!options_.InputSync) {
                    chosen = ist.FileIndex;
                }
            }
        }
        if (FrameLimitReached(ost)) {
            return -1;
        }
    }
    return chosen;
}

void TTranscoder::AdjustTimestamps(AVPacket* packet, TTranscodeInputStream& ist) {
    const AVRational tb = ist.Stream->time_base;
    int64_t& offset = context_.TsOffsetOf(ist.FileIndex);
    const int64_t shift = ff::av_rescale_q(offset, kMicroseconds, tb);
    if (packet->dts != AV_NOPTS_VALUE) {
        packet->dts += shift;
    }
    if (packet->pts != AV_NOPTS_VALUE) {
        packet->pts += shift;
    }

    const double scale = context_.InputTsScale(ist.FileIndex, ist.StreamIndex);
    if (scale != 0.0) {
        if (packet->pts != AV_NOPTS_VALUE) {
            packet->pts = std::llround(static_cast<double>(packet->pts) * scale);
        }
        if (packet->dts != AV_NOPTS_VALUE) {
            packet->dts = std::llround(static_cast<double>(packet->dts) * scale);
        }
    }

    const AVFormatContext* ic = context_.InputFile(ist.FileIndex);
    if (packet->dts == AV_NOPTS_VALUE || ist.NextPts == AV_NOPTS_VALUE ||
        (ic->iformat->flags & AVFMT_TS_DISCONT) == 0 || options_.CopyTs) {
        return;
    }
    const int64_t packet_dts = ff::av_rescale_q(packet->dts, tb, kMicroseconds);
    const int64_t delta = packet_dts - ist.NextPts;
    if (static_cast<double>(std::llabs(delta)) >
            static_cast<double>(options_.DtsDeltaThreshold) * 1000000.0 ||
        packet_dts + 1 < ist.Pts) {
        offset -= delta;
        if (options_.Verbose > 2) {
            Log(llVerbose,
                Format("timestamp discontinuity %" PRId64 ", new offset= %" PRId64, delta, offset));
        }
        const int64_t back = ff::av_rescale_q(delta, kMicroseconds, tb);
        packet->dts -= back;
        if (packet->pts != AV_NOPTS_VALUE) {
            packet->pts -= back;
        }
    }
}

bool TTranscoder::EndOfInput(int file, int read_error, int& current) {
    if (read_error != AVERROR_EOF) {
        // A damaged file ends its input too, but not without a trace.
        const AVFormatContext* ic = context_.InputFile(file);
        Log(llError, AVErrorText(FromLibraryFileName(ic->url), read_error));
    }
    input_files_[static_cast<size_t>(file)].EofReached = 1;
    if (!context_.JoinMode()) {
        return !options_.Shortest;
    }

    const TTranscodeInputFile& entry = input_files_[static_cast<size_t>(file)];
    for (int i = entry.FirstStream; i < entry.FirstStream + entry.StreamCount; ++i) {
        TTranscodeInputStream& ist = input_streams_[static_cast<size_t>(i)];
        if (ist.DecodingNeeded == 0) {
            continue;
        }
        OutputPacket(ist, i, nullptr);
        ff::avcodec_flush_buffers(ist.Codec);
        ist.Flushed = 1;
    }
    for (int k = 0; k < block_size_; ++k) {
        const TTranscodeOutputStream& ost = output_streams_[static_cast<size_t>(k)];
        AVCodecContext* enc = EncoderOf(ost);
        // Encoders that cannot be flushed say so in the log; they are made anew below.
        if (ost.EncodingNeeded != 0 && enc->codec != nullptr &&
            (enc->codec->capabilities & AV_CODEC_CAP_ENCODER_FLUSH) != 0) {
            ff::avcodec_flush_buffers(enc);
        }
    }
    const bool last = file + 1 >= context_.InputFileCount();
    int64_t seam_delay = 0;
    if (!last) {
        seam_delay = ReopenJoinEncoders();
    }
    const int blocks = static_cast<int>(output_streams_.size()) / std::max(block_size_, 1);
    for (int b = file + 1; b < blocks; ++b) {
        for (int k = 0; k < block_size_; ++k) {
            TTranscodeOutputStream& later =
                output_streams_[static_cast<size_t>(b * block_size_ + k)];
            const TTranscodeOutputStream& earlier =
                output_streams_[static_cast<size_t>((b - 1) * block_size_ + k)];
            later.SyncOpts = earlier.SyncOpts;
            later.FrameNumber = earlier.FrameNumber;
            later.EncoderPts = earlier.EncoderPts;
            if (b == file + 1 && later.EncodingNeeded != 0) {
                // The re-made encoder's first packet lies its own delay before
                // its first sample: it starts after the last packet written.
                const AVCodecContext* enc = EncoderOf(later);
                const int64_t written = later.Output->RunningPts;
                if (written != AV_NOPTS_VALUE && enc->sample_rate > 0) {
                    const int64_t after = ff::av_rescale_q(written, later.Stream->time_base,
                                                           AVRational{1, enc->sample_rate}) +
                                          std::max(enc->initial_padding, 0);
                    later.EncoderPts = std::max(later.EncoderPts, after);
                }
            }
        }
    }
    if (last) {
        return false;
    }
    double segment_end = 0.0;
    for (int k = 0; k < block_size_; ++k) {
        TTranscodeOutputStream& ost = output_streams_[static_cast<size_t>(file * block_size_ + k)];
        segment_end = std::max(segment_end, RunningTime(ost));
        ost.Active = 0;
    }
    context_.TsOffsetOf(file + 1) += std::llround(segment_end * 1000000.0) + seam_delay;
    current = file + 1;
    return true;
}

int64_t TTranscoder::ReopenJoinEncoders() {
    int64_t seam_delay = 0;
    for (int k = 0; k < block_size_; ++k) {
        TTranscodeOutputStream& ost = output_streams_[static_cast<size_t>(k)];
        if (ost.EncodingNeeded == 0) {
            continue;
        }
        TOutputStream& record = *ost.Output;
        AVCodecContext* old = record.Codec.get();
        const std::string type = MediaTypeName(OutputType(ost));
        const AVCodec* codec =
            record.Encoder != nullptr
                ? record.Encoder
                : ff::avcodec_find_encoder(static_cast<AVCodecID>(ost.SavedCodecId));
        if (codec == nullptr) {
            throw FFmpegException(Format("Unsupported codec for output stream #%d.%d (%s)",
                                         ost.FileIndex, ost.StreamIndex, type.c_str()));
        }
        // A drained encoder cannot take samples again, and a context is opened
        // only once: the next segment gets a new one with the same settings.
        CodecContextPtr fresh(ff::avcodec_alloc_context3(codec));
        if (!fresh) {
            throw std::bad_alloc();
        }
        CopyEncoderSettings(fresh.get(), old);
        ost.Encoder.reset();
        fresh->codec_id = static_cast<AVCodecID>(ost.SavedCodecId);
        fresh->stats_in = reinterpret_cast<char*>(ost.PassStats.get());
        int opened = 0;
        ost.Encoder = OpenCodec(fresh.get(), codec, nullptr, opened);
        record.Codec = std::move(fresh);
        if (opened < 0) {
            throw FFmpegException(
                Format("Error while opening codec for output stream #%d.%d (%s) - maybe incorrect "
                       "parameters such as bit_rate, rate, width or height",
                       ost.FileIndex, ost.StreamIndex, type.c_str()));
        }
        // The new encoder's first packet starts its own delay before its first
        // sample; the next segment starts that much later so that it cannot
        // overlap the last packet of the one before.
        const AVCodecContext* enc = record.Codec.get();
        if (enc->sample_rate > 0 && enc->initial_padding > 0) {
            seam_delay = std::max(
                seam_delay, ff::av_rescale_q(enc->initial_padding, AVRational{1, enc->sample_rate},
                                             kMicroseconds));
        }
    }
    return seam_delay;
}

void TTranscoder::Teardown() {
    for (size_t i = 0; i < input_streams_.size(); ++i) {
        TTranscodeInputStream& ist = input_streams_[i];
        if (ist.DecodingNeeded != 0 && ist.Flushed == 0) {
            OutputPacket(ist, static_cast<int>(i), nullptr);
        }
    }
    if (!context_.StopRequested()) {
        CheckAudioEncoded();
    }
    FinishOutputFiles();
    context_.PrintReport(true, -1, output_streams_);
    CloseOutputFiles();
    context_.SetCompleted(!context_.StopRequested());
}

void TTranscoder::CheckAudioEncoded() const {
    // A header without a single audio frame is no conversion: say so instead
    // of reporting a finished file.
    for (const TTranscodeOutputStream& ost : output_streams_) {
        if (ost.EncodingNeeded == 0 || OutputType(ost) != AVMEDIA_TYPE_AUDIO) {
            continue;
        }
        bool encoded = false;
        for (const TTranscodeOutputStream& other : output_streams_) {
            encoded = encoded || (other.Stream == ost.Stream && other.FrameNumber > 0);
        }
        if (!encoded) {
            throw FFmpegException(
                Format("No audio was encoded for output stream #%d.%d: the input gave none",
                       context_.JoinMode() ? 0 : ost.FileIndex, ost.StreamIndex));
        }
    }
}

void TTranscoder::FinishOutputFiles() {
    for (int j = 0; j < context_.OutputFileCount(); ++j) {
        if (context_.JoinMode() && j > 0) {
            break;
        }
        AVFormatContext* os = context_.OutputFile(j);
        int result = ff::av_write_trailer(os);
        if (result >= 0 && os->pb != nullptr) {
            ff::avio_flush(os->pb);
            result = os->pb->error;
        }
        if (result < 0) {
            throw FFmpegException(Format("Could not write output file #%d (%s): %s", j,
                                         FromLibraryFileName(os->url).c_str(),
                                         LibraryErrorText(result).c_str()));
        }
    }
}

void TTranscoder::CloseOutputFiles() {
    for (int j = 0; j < context_.OutputFileCount(); ++j) {
        if (context_.JoinMode() && j > 0) {
            break;
        }
        AVFormatContext* os = context_.OutputFile(j);
        if (!ClosesItsByteStream(os)) {
            continue;
        }
        const int closed = CloseOutputIO(&os->pb);
        if (closed < 0) {
            throw FFmpegException(Format("Could not write output file #%d (%s): %s", j,
                                         FromLibraryFileName(os->url).c_str(),
                                         LibraryErrorText(closed).c_str()));
        }
    }
}

int TTranscoder::OutputPacket(TTranscodeInputStream& ist, int ist_index, const AVPacket* packet) {
    if (ist.NextPts == AV_NOPTS_VALUE) {
        ist.NextPts = ist.Pts;
    }
    if (packet != nullptr && packet->dts != AV_NOPTS_VALUE) {
        ist.Pts = ist.NextPts = ff::av_rescale_q(packet->dts, ist.Stream->time_base, kMicroseconds);
    }
    const int64_t packet_pts = ist.Pts;

    if (ist.DecodingNeeded != 0) {
        int decoded = -1;
        switch (InputType(ist)) {
            case AVMEDIA_TYPE_AUDIO:
                decoded = DecodeAudio(ist, ist_index, packet);
                break;
            case AVMEDIA_TYPE_VIDEO:
                decoded = DecodeVideo(ist, ist_index, packet);
                break;
            case AVMEDIA_TYPE_SUBTITLE:
                decoded = DecodeSubtitle(ist, ist_index, packet);
                break;
            default:
                break;
        }
        if (decoded < 0) {
            return -1;
        }
    } else if (packet != nullptr) {
        AdvanceWithoutDecoding(ist, packet);
    }

    // A still picture (a cover) stands outside the timeline: a cut keeps it.
    const bool still = IsCoverPicture(ist) || IsStillImageFile(ist);
    if (packet != nullptr &&
        (options_.StartTime == 0 || packet_pts >= options_.StartTime || still)) {
        for (TTranscodeOutputStream& ost : output_streams_) {
            if (ost.SourceIndex == ist_index && ost.EncodingNeeded == 0) {
                CopyPacket(ost, ist, packet, packet_pts);
            }
        }
    }
    if (packet == nullptr) {
        FlushOutputs(ist_index);
    }
    return 0;
}

int TTranscoder::DecodeAudio(TTranscodeInputStream& ist, int ist_index, const AVPacket* packet) {
    int frames = 0;
    const TStageResult result =
        DecodePacket(ist.Codec, packet, decoded_.get(), [&](AVFrame& frame) {
            ++frames;
            if (packet != nullptr && frames > 1 &&
                ((ist.MultiPacketWarned == 0 && options_.Verbose > 0) || options_.Verbose > 1)) {
                Log(llError,
                    Format("Multiple frames in a packet from stream %d", packet->stream_index));
                ist.MultiPacketWarned = 1;
            }
            // A decoder that holds frames back gives them the time of their own
            // packet; without one the block follows the one before.
            ist.Pts = ist.NextPts;
            const int64_t stamp = frame.best_effort_timestamp;
            if (stamp != AV_NOPTS_VALUE && ist.Codec->pkt_timebase.num != 0) {
                ist.Pts = ff::av_rescale_q(stamp, ist.Codec->pkt_timebase, kMicroseconds);
            }
            if (frame.sample_rate > 0) {
                ist.NextPts =
                    ist.Pts + static_cast<int64_t>(frame.nb_samples) * 1000000 / frame.sample_rate;
            }
            DistributeFrame(ist, ist_index, &frame);
            return true;
        });
    return result.Failed() ? -1 : 0;
}

void TTranscoder::DistributeFrame(TTranscodeInputStream& ist, int ist_index, AVFrame* frame) {
    if (options_.AudioVolume != 256) {
        if (const int error = ff::av_frame_make_writable(frame); error < 0) {
            throw LibraryCallFailed("av_frame_make_writable", error);
        }
        ApplyVolume(frame, options_.AudioVolume);
    }
    if (options_.RateEmu) {
        EmulateRate(ist);
    }
    if (!TrimAudioFrame(ist, frame)) {
        return;
    }
    for (TTranscodeOutputStream& ost : output_streams_) {
        if (ost.SourceIndex == ist_index && ost.EncodingNeeded != 0) {
            DoAudioOut(OutputFileOf(ost), ost, ist, frame);
        }
    }
}

bool TTranscoder::TrimAudioFrame(TTranscodeInputStream& ist, AVFrame* frame) const {
    const bool limited = options_.RecordingTime != kUnlimitedTime;
    if (options_.StartTime == 0 && !limited) {
        return true;
    }
    const int rate = frame->sample_rate;
    if (rate <= 0 || frame->nb_samples <= 0) {
        return options_.StartTime == 0 || ist.Pts >= options_.StartTime;
    }
    // Cut on the sample nearest each time, counted on one grid from the
    // start of the timeline, so that pieces cut at the same time meet
    // without a gap or a repeated sample.
    auto sample_at = [rate](int64_t microseconds) {
        return static_cast<int64_t>(
            std::llround(static_cast<long double>(microseconds) * rate / 1000000.0L));
    };
    const int64_t first = sample_at(ist.Pts);
    const int64_t begin = std::max<int64_t>(sample_at(options_.StartTime) - first, 0);
    int64_t end = frame->nb_samples;
    if (limited) {
        end = std::min(end, sample_at(options_.StartTime + options_.RecordingTime) - first);
    }
    if (begin >= end) {
        return false;
    }
    if (begin > 0) {
        const auto format = static_cast<AVSampleFormat>(frame->format);
        const int channels = frame->ch_layout.nb_channels;
        const bool planar = ff::av_sample_fmt_is_planar(format) != 0;
        const int64_t step = begin * ff::av_get_bytes_per_sample(format) * (planar ? 1 : channels);
        const int planes = planar ? channels : 1;
        for (int plane = 0; plane < planes; ++plane) {
            frame->extended_data[plane] += step;
            if (plane < AV_NUM_DATA_POINTERS) {
                frame->data[plane] = frame->extended_data[plane];
            }
        }
        // What follows reads the block's time from the stream.
        ist.Pts += begin * 1000000 / rate;
    }
    frame->nb_samples = static_cast<int>(end - begin);
    return true;
}

void TTranscoder::EmulateRate(const TTranscodeInputStream& ist) const {
    const int64_t wait = ist.Pts - (EngineClock() - ist.ReadStartClock);
    if (wait > 1000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(wait / 1000));
    }
}

void TTranscoder::AdvanceWithoutDecoding(TTranscodeInputStream& ist, const AVPacket* packet) {
    const AVCodecParameters* par = ist.Stream->codecpar;
    const int64_t duration =
        packet->duration > 0
            ? ff::av_rescale_q(packet->duration, ist.Stream->time_base, kMicroseconds)
            : 0;
    switch (par->codec_type) {
        case AVMEDIA_TYPE_AUDIO:
            if (par->frame_size > 0 && par->sample_rate > 0) {
                ist.NextPts += static_cast<int64_t>(par->frame_size) * 1000000 / par->sample_rate;
            } else {
                ist.NextPts += duration;
            }
            break;
        case AVMEDIA_TYPE_VIDEO: {
            // The libraries give each packet its duration; the frame rate stands in without one.
            const AVRational rate = ist.Stream->r_frame_rate;
            if (duration > 0) {
                ist.NextPts += duration;
            } else if (rate.num > 0 && rate.den > 0) {
                ist.NextPts += static_cast<int64_t>(rate.den) * 1000000 / rate.num;
            }
            break;
        }
        default:
            break;
    }
}

void TTranscoder::CopyPacket(TTranscodeOutputStream& ost, const TTranscodeInputStream& ist,
                             const AVPacket* packet, int64_t packet_pts) {
    if (ost.FrameNumber == 0 && (packet->flags & AV_PKT_FLAG_KEY) == 0 &&
        options_.CopyInitialNonKeyframes == 0) {
        return;
    }
    AVPacket* copy = out_packet_.get();
    if (const int error = ff::av_packet_ref(copy, packet); error < 0) {
        throw LibraryCallFailed("av_packet_ref", error);
    }
    const AVRational in_tb = ist.Stream->time_base;
    const AVRational out_tb = ost.SourceTimeBase;
    const int64_t start = ff::av_rescale_q(options_.StartTime, kMicroseconds, out_tb);
    copy->pts = packet->pts != AV_NOPTS_VALUE ? ff::av_rescale_q(packet->pts, in_tb, out_tb) - start
                                              : AV_NOPTS_VALUE;
    const int64_t dts = packet->dts != AV_NOPTS_VALUE
                            ? ff::av_rescale_q(packet->dts, in_tb, out_tb)
                            : ff::av_rescale_q(packet_pts, kMicroseconds, out_tb);
    copy->dts = dts - start;
    if (IsCoverPicture(ist) || IsStillImageFile(ist)) {
        // Before the cut's start it would move the whole output's times.
        copy->pts = copy->pts != AV_NOPTS_VALUE ? std::max<int64_t>(copy->pts, 0) : AV_NOPTS_VALUE;
        copy->dts = std::max<int64_t>(copy->dts, 0);
    }
    copy->duration = ff::av_rescale_q(packet->duration, in_tb, out_tb);
    copy->stream_index = ost.StreamIndex;
    switch (OutputType(ost)) {
        case AVMEDIA_TYPE_AUDIO:
            state_.AudioSize += copy->size;
            break;
        case AVMEDIA_TYPE_VIDEO:
            state_.VideoSize += copy->size;
            ++ost.SyncOpts;
            break;
        default:
            break;
    }
    WriteFrame(OutputFileOf(ost), copy, nullptr, ChainOf(ost), ost);
    ff::av_packet_unref(copy);
    ++ost.FrameNumber;
}

void TTranscoder::FlushOutputs(int ist_index) {
    for (TTranscodeOutputStream& ost : output_streams_) {
        if (ost.SourceIndex != ist_index || ost.EncodingNeeded == 0) {
            continue;
        }
        if (OutputType(ost) == AVMEDIA_TYPE_AUDIO) {
            EncodeFifoRemainder(OutputFileOf(ost), ost);
        } else if (OutputType(ost) == AVMEDIA_TYPE_VIDEO) {
            FlushVideo(OutputFileOf(ost), ost, input_streams_[static_cast<size_t>(ist_index)]);
        }
    }
}

}  // namespace v2m::engine
