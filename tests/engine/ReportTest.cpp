// Progress reports of real conversions, the report values and texts of video
// outputs, the quantiser histogram, and the video statistics file.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "AudioAnalysis.h"
#include "FFmpegLoader.h"
#include "FFmpegReport.h"
#include "Format.h"
#include "RunTestSupport.h"
#include "UnicodeProtocol.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using fixtures::AnalyzeAudio;
using test::Fixture;
using test::kToneWav;
using test::LogLine;

constexpr int64_t kSecond = 1000000;

// An engine whose report can be asked for directly, as the main loop does.
class ReportEngine : public TFFmpeg {
public:
    using TCustomFFmpeg::DoVideoStats;
    using TCustomFFmpeg::MutableTranscodeState;
    using TCustomFFmpeg::PrintReport;
    using TFFmpeg::TFFmpeg;
};

class ReportTest : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        FFLoggerInstance().SetLogLevel(llVerbose);
        auto engine = std::make_unique<ReportEngine>(20);
        report_engine_ = engine.get();
        engine_ = std::move(engine);
        engine_->Prepare();
    }

    // An output with one video stream (and the default audio stream of AVI)
    // made from a video fixture; the video stream's record.
    TOutputStream* OpenVideoOutput() {
        EXPECT_TRUE(engine_->OpenInputFile(Fixture("avi_mpeg4_mp2.avi").string()));
        EXPECT_GT(engine_->OpenOutputFile((dir_.Path() / "video.avi").string(), false), 0)
            << engine_->LastErrorText();
        TOutputStream* record = engine_->FindOutputStream(engine_->OutputFile(0), 0);
        EXPECT_NE(record, nullptr);
        record->Stream->time_base = AVRational{1, 1000};
        return record;
    }

    static TTranscodeOutputStream Entry(TOutputStream* record, int frames,
                                        int64_t position_ms = 2000) {
        TTranscodeOutputStream ost;
        ost.Output = record;
        ost.Stream = record->Stream;
        ost.EncodingNeeded = record->StreamCopy ? 0 : 1;
        ost.Active = 1;
        ost.FrameNumber = frames;
        record->RunningPts = position_ms;
        return ost;
    }

    void Elapsed(int64_t microseconds) {
        report_engine_->MutableTranscodeState().TimerStart = EngineClock() - microseconds;
    }

    // The report as the log receives it: the last verbose line.
    std::string LoggedReport(std::span<const TTranscodeOutputStream> streams, bool final = false) {
        ClearLog();
        report_engine_->PrintReport(final, 0, streams);
        const auto lines = TextsAt(llVerbose);
        return lines.empty() ? std::string() : lines.front();
    }

    ReportEngine* report_engine_ = nullptr;
    test::TempDir dir_{"engine-report"};
};

TEST_F(ReportTest, AudioConversionReportsCarryNoVideoValuesAndEndAtTheOutputPosition) {
    test::RunRecorder recorder;
    recorder.Attach(*engine_);
    const fs::path output = dir_.Path() / "out.mp3";
    engine_->SetOption("re", "1");
    test::PrepareTask(*engine_, Fixture(kToneWav), output);
    engine_->SetReportInterval(100000);
    const int64_t expected = engine_->ExpectedDuration();
    ASSERT_GT(expected, 0);

    engine_->StartTranscode(false, tpNormal);
    ASSERT_TRUE(engine_->Completed()) << engine_->ErrorMessage();

    const auto reports = recorder.Reports();
    ASSERT_GE(reports.size(), 10u) << "3 s at real pace, one report per 100 ms";
    for (size_t i = 0; i < reports.size(); ++i) {
        const test::ProgressReport& r = reports[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(r.FrameNumber, -1);
        EXPECT_EQ(r.FPS, -1);
        EXPECT_EQ(r.Quality, -1.0f);
        EXPECT_EQ(r.TotalDuration, expected);
        EXPECT_EQ(r.FileIndex, i + 1 == reports.size() ? -1 : 0);
        if (i > 0) {
            EXPECT_GE(r.Time, reports[i - 1].Time);
            EXPECT_GE(r.Size, reports[i - 1].Size);
        }
    }
    // No more often than the interval: the engine measures it before each
    // report, the recorder a moment after, so single gaps may look a little shorter.
    const auto span = reports[reports.size() - 2].At - reports.front().At;
    EXPECT_LE(reports.size() - 2, static_cast<size_t>((span + 50ms) / 100ms));
    for (size_t i = 1; i + 1 < reports.size(); ++i) {
        EXPECT_GE(reports[i].At - reports[i - 1].At, 50ms) << i;
    }
    const test::ProgressReport& last = reports.back();
    EXPECT_EQ(last.Size, test::FileSize(output));
    EXPECT_NEAR(static_cast<double>(last.Time) / kSecond, AnalyzeAudio(output).duration_s, 0.06);
    EXPECT_NEAR(last.BitRate, last.Size * 8.0 / (static_cast<double>(last.Time) / kSecond) / 1000,
                last.BitRate * 0.001);
}

TEST_F(ReportTest, WithoutCallbackTheReportsGoToTheLogAsVerbosityAllows) {
    const std::regex report_line(R"(size=\s*\d+kB time=\d+\.\d\d bitrate=\s*\d+\.\dkbits/s)");
    const std::regex summary(
        "video:0kB audio:\\d+kB global headers:\\d+kB muxing overhead -?\\d+\\.\\d{6}%\r\n");
    struct Case {
        int verbose;
        bool paced;
        bool interim;  // reports before the final one are logged
        bool final;    // the final line and the summary are logged
    };
    for (const Case c :
         {Case{1, true, true, true}, Case{0, false, false, true}, Case{-1, false, false, false}}) {
        SCOPED_TRACE(c.verbose);
        engine_ = std::make_unique<ReportEngine>(20);  // a task per engine
        engine_->Prepare();
        if (c.paced) {
            engine_->SetOption("re", "1");
        }
        engine_->SetVerbose(c.verbose);
        test::PrepareTask(*engine_, Fixture(kToneWav), dir_.Path() / "out.mp3");
        engine_->SetReportInterval(100000);
        ClearLog();
        engine_->StartTranscode(false, tpNormal);
        ASSERT_TRUE(engine_->Completed());

        std::vector<std::string> reports;
        std::vector<std::string> summaries;
        for (const std::string& line : TextsAt(llVerbose)) {
            if (std::regex_match(line, report_line)) {
                reports.push_back(line);
            } else if (std::regex_match(line, summary)) {
                summaries.push_back(line);
            }
        }
        const size_t expected_reports = c.final ? 1 : 0;
        if (c.interim) {
            EXPECT_GT(reports.size(), 5u);
        } else {
            EXPECT_EQ(reports.size(), expected_reports);
        }
        EXPECT_EQ(summaries.size(), expected_reports);
    }
}

TEST_F(ReportTest, TheFirstActiveVideoStreamGivesFramesRateAndQuantiser) {
    TOutputStream* video = OpenVideoOutput();
    struct Case {
        int frames;
        int64_t elapsed;  // microseconds since the loop began
        int32_t coded_quality;
        bool copy;
        bool final;
        int fps;
        float quality;
        std::string prefix;  // of the logged line
    };
    const Case cases[] = {
        {250, 10 * kSecond, 2 * FF_QP2LAMBDA, false, false, 25, 2.0f,
         "frame=  250 fps= 25 q=2.0 size="},
        {250, 800000, 2 * FF_QP2LAMBDA, false, false, 0, 2.0f, "frame=  250 fps=  0 q=2.0 size="},
        {1, 10 * kSecond, 31 * FF_QP2LAMBDA, false, true, 0, 31.0f,
         "frame=    1 fps=  0 q=31.0 Lsize="},
        {12346, 2 * kSecond, -1, false, false, 6173, -1.0f, "frame=12346 fps=6173 q=-1.0 size="},
        {50, 2 * kSecond, 5 * FF_QP2LAMBDA, true, false, 25, -1.0f,
         "frame=   50 fps= 25 q=-1.0 size="},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prefix);
        video->CodedQuality = c.coded_quality;
        video->StreamCopy = c.copy;
        const TTranscodeOutputStream streams[] = {Entry(video, c.frames)};

        engine_->SetProgressCallback(nullptr);
        Elapsed(c.elapsed);
        const std::string line = LoggedReport(streams, c.final);
        EXPECT_EQ(line.rfind(c.prefix, 0), 0u) << line;

        test::RunRecorder recorder;
        recorder.Attach(*engine_);
        Elapsed(c.elapsed);
        report_engine_->PrintReport(c.final, 3, streams);
        const auto reports = recorder.Reports();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].FileIndex, c.final ? -1 : 3);
        EXPECT_EQ(reports[0].FrameNumber, c.frames);
        EXPECT_EQ(reports[0].FPS, c.fps);
        EXPECT_EQ(reports[0].Quality, c.quality);
        EXPECT_EQ(reports[0].Time, 2 * kSecond);
    }
    video->StreamCopy = false;

    // Before the first coded frame nothing is reported, not even the final summary.
    TOutputStream* audio = engine_->FindOutputStream(engine_->OutputFile(0), 1);
    const TTranscodeOutputStream unstarted[] = {Entry(audio, 40), Entry(video, 0)};
    test::RunRecorder recorder;
    for (const bool final : {false, true}) {
        engine_->SetProgressCallback(nullptr);
        EXPECT_EQ(LoggedReport(unstarted, final), "");
        recorder.Attach(*engine_);
        report_engine_->PrintReport(final, 0, unstarted);
        EXPECT_TRUE(recorder.Reports().empty());
    }
}

TEST_F(ReportTest, LaterVideoStreamsAddTheirQuantiserAndInactiveOnesAreSkipped) {
    TOutputStream* first = OpenVideoOutput();
    engine_->SetOption("newvideo", "");
    AVFormatContext* file = engine_->OutputFile(0);
    TOutputStream* second = engine_->FindOutputStream(file, static_cast<int>(file->nb_streams) - 1);
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(second->Codec->codec_type, AVMEDIA_TYPE_VIDEO);
    second->Stream->time_base = AVRational{1, 1000};
    first->CodedQuality = 4 * FF_QP2LAMBDA;
    second->CodedQuality = 7 * FF_QP2LAMBDA;
    Elapsed(10 * kSecond);

    const TTranscodeOutputStream both[] = {Entry(first, 100), Entry(second, 90)};
    EXPECT_EQ(LoggedReport(both).rfind("frame=  100 fps= 10 q=4.0 q=7.0 size=", 0), 0u);

    TTranscodeOutputStream ended = Entry(first, 100);
    ended.Active = 0;
    const TTranscodeOutputStream after_seam[] = {std::move(ended), Entry(second, 90)};
    EXPECT_EQ(LoggedReport(after_seam).rfind("frame=   90 fps=  9 q=7.0 size=", 0), 0u);
}

TEST_F(ReportTest, TimeIsTheEarliestPositivePositionAndTheRateUsesIt) {
    TOutputStream* video = OpenVideoOutput();
    TOutputStream* audio = engine_->FindOutputStream(engine_->OutputFile(0), 1);
    audio->Stream->time_base = AVRational{1, 44100};
    video->CodedQuality = FF_QP2LAMBDA;
    // 10 kB already in the file (made here: a run would make it at its start).
    ASSERT_EQ(OpenOutputIO(&engine_->OutputFile(0)->pb, (dir_.Path() / "sized.bin").string()), 0);
    AVIOContext* pb = engine_->OutputFile(0)->pb;
    const std::vector<uint8_t> bytes(10240, 0x55);
    ff::avio_write(pb, bytes.data(), static_cast<int>(bytes.size()));
    ff::avio_flush(pb);

    struct Case {
        int64_t video_ms;
        int64_t audio_samples;
        int64_t time;
        float bitrate;
    };
    const Case cases[] = {
        {2000, 44100 * 3, 2 * kSecond, 40.96f},  // 10240 x 8 / 2 s
        {4000, 44100, kSecond, 81.92f},
        {0, 22050, kSecond / 2, 163.84f},           // a stream at 0 does not count
        {5, AV_NOPTS_VALUE, 10000, 8192.0f},        // 5 ms counts as 10 ms
        {AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0, 0.0f},  // nothing written yet: no time
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        test::RunRecorder recorder;
        recorder.Attach(*engine_);
        TTranscodeOutputStream streams[] = {Entry(video, 10), Entry(audio, 20)};
        video->RunningPts = c.video_ms;
        audio->RunningPts = c.audio_samples;
        report_engine_->PrintReport(false, 0, streams);
        ASSERT_EQ(recorder.Reports().size(), 1u);
        const test::ProgressReport r = recorder.Reports()[0];
        EXPECT_EQ(r.Size, 10240);
        EXPECT_EQ(r.Time, c.time);
        EXPECT_NEAR(r.BitRate, c.bitrate, 0.01);
    }
}

TEST_F(ReportTest, DuplicatedAndDroppedFramesAreCountedAndReachTheLog) {
    TOutputStream* video = OpenVideoOutput();
    video->CodedQuality = FF_QP2LAMBDA;
    TTranscodeState& state = report_engine_->MutableTranscodeState();
    state.FramesDup = 2;
    state.FramesDrop = 1;
    state.DupDropChanged = true;
    const TTranscodeOutputStream streams[] = {Entry(video, 10)};
    test::RunRecorder recorder;
    recorder.Attach(*engine_);

    // With a callback, the line is logged once per change.
    for (int round = 0; round < 2; ++round) {
        ClearLog();
        report_engine_->PrintReport(false, 0, streams);
        const auto lines = TextsAt(llVerbose);
        if (round == 0) {
            ASSERT_EQ(lines.size(), 1u);
            EXPECT_NE(lines[0].find(" dup=2 drop=1"), std::string::npos) << lines[0];
            EXPECT_EQ(lines[0].size() - lines[0].rfind(" dup=2 drop=1"), 13u) << "at the end";
        } else {
            EXPECT_TRUE(lines.empty());
        }
        EXPECT_FALSE(state.DupDropChanged);
    }
    EXPECT_EQ(recorder.Reports().size(), 2u);

    engine_->SetProgressCallback(nullptr);
    EXPECT_NE(LoggedReport(streams).find(" dup=2 drop=1"), std::string::npos);
    state.FramesDup = 0;
    state.FramesDrop = 0;
    EXPECT_EQ(LoggedReport(streams).find("dup="), std::string::npos);
}

TEST_F(ReportTest, PsnrOfTheLastFrameAndOfTheWholeRun) {
    TOutputStream* video = OpenVideoOutput();
    AVCodecContext* enc = video->Codec.get();
    enc->flags |= AV_CODEC_FLAG_PSNR;
    video->CodedQuality = FF_QP2LAMBDA;
    const double frame_scale = static_cast<double>(enc->width) * enc->height * 255.0 * 255.0;
    // 40, 30 and 20 dB for Y, U and V; chroma planes are a quarter of the picture.
    video->CodedError = {static_cast<uint64_t>(frame_scale * 1e-4),
                         static_cast<uint64_t>(frame_scale / 4 * 1e-3),
                         static_cast<uint64_t>(frame_scale / 4 * 1e-2), 0};
    const int frames = 10;
    for (int j = 0; j < 3; ++j) {
        enc->error[j] = video->CodedError[j] * frames * 10;  // 10 dB worse over the run
    }
    const TTranscodeOutputStream streams[] = {Entry(video, frames)};
    // All planes: the errors' sum over 1.5 pictures of scale.
    const double frame_error =
        static_cast<double>(video->CodedError[0] + video->CodedError[1] + video->CodedError[2]);
    const double frame_total = -10.0 * std::log10(frame_error / (frame_scale * 1.5));
    Elapsed(kSecond / 2);
    const std::string current = LoggedReport(streams);
    const std::string expected_current =
        "q=1.0 PSNR=Y:40.00 U:30.00 V:20.00 *:" + Format("%2.2f ", frame_total);
    EXPECT_NE(current.find(expected_current), std::string::npos) << current;
    const std::string whole = LoggedReport(streams, true);
    const std::string expected_whole =
        "q=1.0 LPSNR=Y:30.00 U:20.00 V:10.00 *:" + Format("%2.2f ", frame_total - 10.0);
    EXPECT_NE(whole.find(expected_whole), std::string::npos) << whole;
}

TEST_F(ReportTest, QuantiserHistogramIsSharedByConcurrentEngines) {
    constexpr int kReports = 500;
    // Each engine reports one quantiser; its last report is logged.
    auto run = [&](int quantiser, std::string& last_line) {
        ReportEngine engine(20);
        engine.Prepare();
        engine.SetOption("qphist", "1");
        ASSERT_TRUE(engine.OpenInputFile(Fixture("avi_mpeg4_mp2.avi").string()));
        ASSERT_GT(
            engine.OpenOutputFile((dir_.Path() / Format("hist%d.avi", quantiser)).string(), false),
            0);
        TOutputStream* video = engine.FindOutputStream(engine.OutputFile(0), 0);
        video->Stream->time_base = AVRational{1, 1000};
        video->CodedQuality = quantiser * FF_QP2LAMBDA;
        const TTranscodeOutputStream streams[] = {Entry(video, 10)};
        engine.SetProgressCallback([](TCustomFFmpeg*, int32_t, int32_t, int32_t, float, float,
                                      int64_t, int64_t, int64_t) {});
        for (int i = 1; i < kReports; ++i) {
            engine.PrintReport(false, 0, streams);
        }
        engine.SetProgressCallback(nullptr);
        engine.PrintReport(false, 0, streams);
        const std::string own = Format("q=%d.0 ", quantiser);
        for (const LogLine& line : Lines()) {
            if (line.sender == &engine && line.text.rfind("frame=", 0) == 0 &&
                line.text.find(own) != std::string::npos) {
                last_line = line.text;
            }
        }
    };
    const TQuantiserHistogram before = QuantiserHistogram();
    std::string line3;
    std::string line20;
    std::thread other([&] { run(3, line3); });
    run(20, line20);
    other.join();
    const TQuantiserHistogram after = QuantiserHistogram();
    EXPECT_EQ(after[3] - before[3], kReports);
    EXPECT_EQ(after[20] - before[20], kReports);
    for (int q = 0; q < kQuantiserCount; ++q) {
        if (q != 3 && q != 20) {
            EXPECT_EQ(after[q], before[q]) << q;
        }
    }
    // The first 32 counters follow the quantiser, each the hex digit of
    // log2(count + 1); an engine's last report saw its own count complete.
    for (const auto& [quantiser, line] : {std::pair{3, line3}, std::pair{20, line20}}) {
        SCOPED_TRACE(line);
        const std::string own = Format("q=%d.0 ", quantiser);
        const size_t at = line.find(own);
        ASSERT_NE(at, std::string::npos);
        const std::string histogram = line.substr(at + own.size(), 32);
        ASSERT_EQ(histogram.size(), 32u);
        EXPECT_EQ(histogram.find_first_not_of("0123456789ABCDEF"), std::string::npos);
        const double count = static_cast<double>(after[static_cast<size_t>(quantiser)]);
        EXPECT_EQ(histogram[static_cast<size_t>(quantiser)],
                  Format("%X", static_cast<unsigned>(std::lrint(std::log2(count + 1.0))))[0]);
        EXPECT_EQ(line.substr(at + own.size() + 32, 5), "size=");
    }
}

TEST_F(ReportTest, VideoStatisticsLinesFollowTheFileFormat) {
    TOutputStream* video = OpenVideoOutput();
    TOutputStream* audio = engine_->FindOutputStream(engine_->OutputFile(0), 1);
    const fs::path stats = dir_.Path() / "vstats.log";
    engine_->SetOption("vstats_file", stats.string());
    AVCodecContext* enc = video->Codec.get();
    enc->time_base = AVRational{1, 25};
    video->CodedQuality = 3 * FF_QP2LAMBDA;
    video->CodedPictType = AV_PICTURE_TYPE_I;
    report_engine_->MutableTranscodeState().VideoSize = 20480;
    TTranscodeOutputStream ost = Entry(video, 7);
    ost.SyncOpts = 50;  // 2 s at 25 frames per second

    // Audio streams open the file but write nothing.
    report_engine_->DoVideoStats(engine_->OutputFile(0), Entry(audio, 3), 100);
    report_engine_->DoVideoStats(engine_->OutputFile(0), ost, 4096);
    enc->flags |= AV_CODEC_FLAG_PSNR;
    video->CodedError[0] =
        static_cast<uint64_t>(static_cast<double>(enc->width) * enc->height * 255 * 255 * 1e-4);
    video->CodedPictType = AV_PICTURE_TYPE_P;
    ost.FrameNumber = 8;
    ost.SyncOpts = 0;  // too early for a time: 10 ms stands in
    report_engine_->DoVideoStats(engine_->OutputFile(0), ost, 1000);
    engine_->FreeFiles();  // closes the statistics file

    std::ifstream in(stats);
    std::stringstream text;
    text << in.rdbuf();
    // br = size x 8 x 25 / 1000; avg_br = 20480 x 8 / time / 1000.
    EXPECT_EQ(text.str(),
              "frame=     7 q= 3.0 f_size=   4096 s_size=       20kB time= 2.000 br=   819.2kbits/s"
              " avg_br=    81.9kbits/s type= I\n"
              "frame=     8 q= 3.0 PSNR=  40.00 f_size=   1000 s_size=       20kB time= 0.010 br="
              "   200.0kbits/s avg_br= 16384.0kbits/s type= P\n");
}

TEST_F(ReportTest, AStatisticsFileThatCannotBeCreatedFailsTheRun) {
    TOutputStream* video = OpenVideoOutput();
    const std::string name = (dir_.Path() / "no-such-folder" / "vstats.log").string();
    engine_->SetOption("vstats_file", name);
    const std::string message = test::MessageOf<FFmpegException>(
        [&] { report_engine_->DoVideoStats(engine_->OutputFile(0), Entry(video, 1), 10); });
    EXPECT_EQ(message, "fopen fail: " + name);
}

TEST_F(ReportTest, CodedFrameStatisticsComeFromTheEncodersPackets) {
    const AVCodec* codec = ff::avcodec_find_encoder_by_name("mpeg4");
    ASSERT_NE(codec, nullptr);
    OpenedCodecContextPtr enc(ff::avcodec_alloc_context3(codec));
    enc->width = 64;
    enc->height = 48;
    enc->pix_fmt = AV_PIX_FMT_YUV420P;
    enc->time_base = AVRational{1, 25};
    enc->flags |= AV_CODEC_FLAG_PSNR | AV_CODEC_FLAG_QSCALE;
    enc->global_quality = 5 * FF_QP2LAMBDA;
    {
        AVCodecLock lock;
        ASSERT_GE(ff::avcodec_open2(enc.get(), codec, nullptr), 0);
    }
    FramePtr frame(ff::av_frame_alloc());
    frame->format = enc->pix_fmt;
    frame->width = enc->width;
    frame->height = enc->height;
    ASSERT_GE(ff::av_frame_get_buffer(frame.get(), 0), 0);
    for (int plane = 0; plane < 3; ++plane) {
        const int h = plane == 0 ? enc->height : enc->height / 2;
        const int w = plane == 0 ? enc->width : enc->width / 2;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                frame->data[plane][y * frame->linesize[plane] + x] =
                    static_cast<uint8_t>((x * 37 + y * 91 + plane * 50) % 256);
            }
        }
    }
    frame->pts = 0;
    frame->quality = enc->global_quality;
    ASSERT_GE(ff::avcodec_send_frame(enc.get(), frame.get()), 0);
    ASSERT_GE(ff::avcodec_send_frame(enc.get(), nullptr), 0);
    PacketPtr packet(ff::av_packet_alloc());
    ASSERT_GE(ff::avcodec_receive_packet(enc.get(), packet.get()), 0);

    TOutputStream record;
    RecordCodedFrame(record, packet.get());
    EXPECT_EQ(std::lrint(static_cast<double>(record.CodedQuality) / FF_QP2LAMBDA), 5);
    EXPECT_EQ(record.CodedPictType, AV_PICTURE_TYPE_I);
    for (int j = 0; j < 3; ++j) {
        EXPECT_GT(record.CodedError[j], 0u) << "a busy picture never codes without loss";
    }

    // A packet without statistics leaves the record as it was.
    PacketPtr bare(ff::av_packet_alloc());
    record.CodedQuality = 77;
    RecordCodedFrame(record, bare.get());
    EXPECT_EQ(record.CodedQuality, 77);
}

}  // namespace
}  // namespace v2m
