// The progress report of a running transcode, its final summary, the video
// statistics file and the process-wide quantiser histogram.

#include "FFmpegReport.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <mutex>

#include "Format.h"

namespace v2m {

namespace {

// The report line is kept within the length that log receivers were made for.
constexpr size_t kReportLineLimit = 1023;
constexpr double kNoPosition = 1e10;  // seconds; above any real output position
constexpr double kShortestPosition = 0.01;
constexpr size_t kHistogramShown = 32;

std::mutex& HistogramLock() {
    static std::mutex lock;
    return lock;
}

TQuantiserHistogram& Histogram() {
    static TQuantiserHistogram histogram{};
    return histogram;
}

// Counts a reported quantiser and gives the histogram's first counters, each
// as the hexadecimal digit of its magnitude.
std::string CountQuantiser(long quantiser) {
    std::lock_guard lock(HistogramLock());
    TQuantiserHistogram& histogram = Histogram();
    if (quantiser >= 0 && quantiser < kQuantiserCount) {
        ++histogram[static_cast<size_t>(quantiser)];
    }
    std::string text;
    for (size_t j = 0; j < kHistogramShown; ++j) {
        const double magnitude = std::log2(static_cast<double>(histogram[j]) + 1.0);
        text += Format("%X", static_cast<unsigned>(std::lrint(magnitude)));
    }
    return text;
}

double Psnr(double normalised_error) {
    return -10.0 * std::log10(normalised_error);
}

// The quantiser of the stream's last coded frame; -1 for a copied stream or
// before the encoder has said anything.
float StreamQuality(const TTranscodeOutputStream& ost) {
    const TOutputStream& record = *ost.Output;
    if (record.StreamCopy || ost.EncodingNeeded == 0 || record.CodedQuality < 0) {
        return -1.0f;
    }
    return static_cast<float>(record.CodedQuality) / static_cast<float>(FF_QP2LAMBDA);
}

// Y, U and V, then all planes together. The last coded frame, or in the final
// report everything the encoder has coded.
std::string PsnrText(const TTranscodeOutputStream& ost, const AVCodecContext* enc, bool final) {
    static constexpr char kPlanes[] = "YUV";
    std::string text = "PSNR=";
    double error_sum = 0.0;
    double scale_sum = 0.0;
    for (size_t j = 0; j < 3; ++j) {
        const double error = static_cast<double>(final ? enc->error[j] : ost.Output->CodedError[j]);
        double scale = static_cast<double>(enc->width) * enc->height * 255.0 * 255.0;
        if (final) {
            scale *= ost.FrameNumber;
        }
        if (j > 0) {
            scale /= 4.0;
        }
        error_sum += error;
        scale_sum += scale;
        text += Format("%c:%2.2f ", kPlanes[j], Psnr(error / scale));
    }
    text += Format("*:%2.2f ", Psnr(error_sum / scale_sum));
    return text;
}

uint64_t ReadLittleEndian(const uint8_t* data, int bytes) {
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = (value << 8) | data[i];
    }
    return value;
}

// The output position of a stream in seconds; 0 before it has written anything.
double OutputPosition(const TTranscodeOutputStream& ost) {
    const int64_t position = ost.Output->RunningPts;
    if (position == AV_NOPTS_VALUE || ost.Stream == nullptr) {
        return 0.0;
    }
    return static_cast<double>(position) * av_q2d(ost.Stream->time_base);
}

// The bytes written to an output so far; 0 before it has a byte stream.
int64_t WrittenSize(const AVFormatContext* file) {
    if (file == nullptr || file->pb == nullptr) {
        return 0;
    }
    const int64_t size = ff::avio_size(file->pb);
    return size >= 0 ? size : std::max<int64_t>(ff::avio_seek(file->pb, 0, SEEK_CUR), 0);
}

// The last line of the final report: what was encoded, and what the file adds to it.
std::string SummaryText(const TTranscodeState& state, int64_t size) {
    const int64_t raw = state.VideoSize + state.AudioSize + state.ExtraSize;
    // Nothing encoded leaves nothing to compare the file with.
    const double overhead =
        raw > 0 ? static_cast<double>(size - raw) * 100.0 / static_cast<double>(raw) : 0.0;
    return Format("video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%\r\n",
                  static_cast<double>(state.VideoSize) / 1024.0,
                  static_cast<double>(state.AudioSize) / 1024.0,
                  static_cast<double>(state.ExtraSize) / 1024.0, overhead);
}

}  // namespace

TQuantiserHistogram QuantiserHistogram() {
    std::lock_guard lock(HistogramLock());
    return Histogram();
}

void RecordCodedFrame(TOutputStream& stream, const AVPacket* packet) {
    size_t size = 0;
    const uint8_t* data = ff::av_packet_get_side_data(packet, AV_PKT_DATA_QUALITY_STATS, &size);
    // Quality (4 bytes), picture type, error count, 2 reserved bytes, then the errors.
    if (data == nullptr || size < 6) {
        return;
    }
    stream.CodedQuality = static_cast<int32_t>(ReadLittleEndian(data, 4));
    stream.CodedPictType = data[4];
    const size_t errors = std::min<size_t>(data[5], stream.CodedError.size());
    for (size_t j = 0; j < errors && 8 + 8 * (j + 1) <= size; ++j) {
        stream.CodedError[j] = ReadLittleEndian(data + 8 + 8 * j, 8);
    }
}

void TCustomFFmpeg::PrintReport(bool final, int file_index,
                                std::span<const TTranscodeOutputStream> streams) {
    const int64_t size = WrittenSize(OutputFile(0));
    TReportFigures figures;
    figures.Position = kNoPosition;
    if (!DescribeReportStreams(final, streams, figures)) {
        return;
    }
    // Before any stream has a position there is no time to report, and no
    // rate to compute from it.
    const bool positioned = figures.Position < kNoPosition;
    const double ti1 = positioned ? std::max(figures.Position, kShortestPosition) : 0.0;
    // A measuring pass before the conversion counts as the first part.
    const auto time = static_cast<int64_t>(ti1 * 1000000.0) + run_.MeasuredSpan();

    const TProgressCallback callback = run_.ProgressCallback();
    if (!callback && options_.Verbose <= 0 && !final) {
        return;
    }
    std::string& line = figures.Line;
    const double bitrate = positioned ? static_cast<double>(size) * 8.0 / ti1 / 1000.0 : 0.0;
    line += Format("size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s",
                   static_cast<double>(size) / 1024.0, ti1, bitrate);
    if (transcode_.FramesDup != 0 || transcode_.FramesDrop != 0) {
        line += Format(" dup=%d drop=%d", transcode_.FramesDup, transcode_.FramesDrop);
        // Duplications and drops reach the log even while progress goes to the callback.
        if (transcode_.DupDropChanged && options_.Verbose >= 0 && callback) {
            transcode_.DupDropChanged = false;
            Log(llVerbose, line.substr(0, kReportLineLimit));
        }
    }
    line.resize(std::min(line.size(), kReportLineLimit));
    if (callback) {
        callback(
            this, final ? -1 : file_index, figures.FrameNumber, figures.Fps, figures.Quality,
            static_cast<float>(bitrate), size, time,
            ExpectedDuration() > 0 ? ExpectedDuration() + run_.MeasuredSpan() : ExpectedDuration());
    } else if (options_.Verbose >= 0) {
        Log(llVerbose, line);
    }
    if (final && options_.Verbose >= 0) {
        Log(llVerbose, SummaryText(transcode_, size));
    }
}

bool TCustomFFmpeg::DescribeReportStreams(bool final,
                                          std::span<const TTranscodeOutputStream> streams,
                                          TReportFigures& figures) {
    bool video_seen = false;
    for (const TTranscodeOutputStream& ost : streams) {
        const AVCodecContext* enc = ost.Output->Codec.get();
        if (enc->codec_type == AVMEDIA_TYPE_VIDEO) {
            const float q = StreamQuality(ost);
            if (video_seen) {
                figures.Line += Format("q=%2.1f ", q);
            } else if (ost.Active == 1) {
                video_seen = true;
                // Nothing coded yet: a report would only say nothing.
                if (ost.FrameNumber < 1) {
                    return false;
                }
                DescribeReportVideo(final, ost, q, figures);
            }
        }
        const double ti = OutputPosition(ost);
        if (ti > 0.0 && ti < figures.Position) {
            figures.Position = ti;
        }
    }
    return true;
}

void TCustomFFmpeg::DescribeReportVideo(bool final, const TTranscodeOutputStream& ost, float q,
                                        TReportFigures& figures) {
    const AVCodecContext* enc = ost.Output->Codec.get();
    figures.FrameNumber = ost.FrameNumber;
    const double elapsed = static_cast<double>(EngineClock() - transcode_.TimerStart) / 1000000.0;
    figures.Fps = elapsed > 1.0 ? static_cast<int32_t>(figures.FrameNumber / elapsed + 0.5) : 0;
    figures.Quality = q;
    std::string& line = figures.Line;
    line += Format("frame=%5d fps=%3d q=%3.1f ", figures.FrameNumber, figures.Fps, q);
    if (final) {
        line += "L";
    }
    if (options_.QpHist) {
        line += CountQuantiser(std::lrint(q));
    }
    if ((enc->flags & AV_CODEC_FLAG_PSNR) != 0) {
        line += PsnrText(ost, enc, final);
    }
}

void TCustomFFmpeg::DoVideoStats(AVFormatContext*, const TTranscodeOutputStream& ost,
                                 int frame_size) {
    if (!vstats_file_) {
        const std::string name = options_.VStatsFileName.value_or(std::string());
        vstats_file_.reset(ff::fopen(name.c_str(), "w"));
        if (!vstats_file_) {
            throw FFmpegException("fopen fail: " + name);
        }
    }
    const AVCodecContext* enc = ost.Output->Codec.get();
    if (enc->codec_type != AVMEDIA_TYPE_VIDEO) {
        return;
    }
    const TOutputStream& record = *ost.Output;
    std::string line = Format("frame= %5d q= %2.1f ", ost.FrameNumber, StreamQuality(ost));
    if ((enc->flags & AV_CODEC_FLAG_PSNR) != 0) {
        const double scale = static_cast<double>(enc->width) * enc->height * 255.0 * 255.0;
        line += Format("PSNR= %6.2f ", Psnr(static_cast<double>(record.CodedError[0]) / scale));
    }
    line += Format("f_size= %6d ", frame_size);
    const double tick = av_q2d(enc->time_base);
    const double ti1 = std::max(static_cast<double>(ost.SyncOpts) * tick, kShortestPosition);
    const double bitrate = frame_size * 8.0 / tick / 1000.0;
    const double average = static_cast<double>(transcode_.VideoSize) * 8.0 / ti1 / 1000.0;
    line += Format("s_size= %8.0fkB time= %0.3f br= %7.1fkbits/s avg_br= %7.1fkbits/s ",
                   static_cast<double>(transcode_.VideoSize) / 1024.0, ti1, bitrate, average);
    line += Format("type= %c\n",
                   ff::av_get_picture_type_char(static_cast<AVPictureType>(record.CodedPictType)));
    ff::fputs(line.c_str(), vstats_file_.get());
}

}  // namespace v2m
