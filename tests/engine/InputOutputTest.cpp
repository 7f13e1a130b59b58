// Opening input files and creating output files with their streams, on
// generated media.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "EngineMedia.h"
#include "EngineTestSupport.h"
#include "FFmpegLoader.h"
#include "AudioAnalysis.h"
#include "FixtureGenerator.h"
#include "MediaOwners.h"
#include "MemoryIO.h"
#include "MyUtils.h"
#include "SafeFiles.h"
#include "TestSupport.h"
#include "UnicodeProtocol.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using test::EngineTest;
using test::Fixture;
using test::SpecialClip;

constexpr int64_t kSecond = 1000000;

class FilesTest : public EngineTest {
protected:
    bool OpenInput(const fs::path& path) { return engine_->OpenInputFile(path.string()); }
    int OpenOutput(const std::string& name, bool join = false) {
        return engine_->OpenOutputFile((dir_.Path() / name).string(), join);
    }
    std::string OutputPath(const std::string& name) const { return (dir_.Path() / name).string(); }
    AVStream* OutputStreamAt(int file, int stream) {
        AVFormatContext* output = engine_->OutputFile(file);
        return output != nullptr && stream < static_cast<int>(output->nb_streams)
                   ? output->streams[stream]
                   : nullptr;
    }
    TOutputStream* Record(int file, int stream) {
        return engine_->FindOutputStream(engine_->OutputFile(file), stream);
    }
    static int OpenEncoder(TOutputStream* record) {
        AVCodecLock lock;
        return ff::avcodec_open2(record->Codec.get(), record->Encoder, nullptr);
    }
    test::TempDir dir_{"engine-io"};
};

// --- Byte streams in memory -----------------------------------------------

std::vector<uint8_t> FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A file held in memory converts into memory as it would from and to disk: the
// first second of its tone, at its rate and channels; no file is made under the
// output's name, and both byte streams stay the caller's.
TEST_F(FilesTest, ConvertsFromMemoryIntoMemory) {
    struct Case {
        const char* input;
        const char* output;
        int rate;
        int channels;
    };
    const Case cases[] = {
        {"wav_pcm_48k_mono.wav", "out.wav", 48000, 1},
        {"mp3_44k_stereo.mp3", "out.wav", 44100, 2},
        {"mp4_h264_aac.mp4", "out.flac", 48000, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        const std::vector<uint8_t> bytes = FileBytes(Fixture(c.input));
        const fixtures::AudioAnalysis source = fixtures::AnalyzeAudio(Fixture(c.input));
        MemoryReader reader(bytes);
        MemoryWriter writer(true);
        ASSERT_NE(reader.IO(), nullptr);
        ASSERT_NE(writer.IO(), nullptr);
        engine_ = std::make_unique<TFFmpeg>(20);
        engine_->Prepare();
        ASSERT_TRUE(engine_->OpenInputFromIO(reader.IO(), c.input)) << engine_->LastErrorText();
        engine_->SetOption("t", "1");
        engine_->SetOption("vn", "1");
        ASSERT_EQ(engine_->OpenOutputToIO(writer.IO(), OutputPath(c.output)), 1)
            << engine_->LastErrorText();
        engine_->StartTranscode(false, tpNormal);
        EXPECT_TRUE(engine_->Completed()) << engine_->ErrorMessage();
        engine_.reset();
        EXPECT_FALSE(fs::exists(OutputPath(c.output)));
        EXPECT_TRUE(fs::is_empty(dir_.Path()));

        // The bytes, put on disk by the test, are a whole file.
        const std::vector<uint8_t>& written = writer.Bytes();
        ASSERT_EQ(static_cast<int64_t>(written.size()), writer.Size());
        const fs::path copy = dir_.Path() / c.output;
        std::ofstream(copy, std::ios::binary)
            .write(reinterpret_cast<const char*>(written.data()),
                   static_cast<std::streamsize>(written.size()));
        const fixtures::AudioAnalysis audio = fixtures::AnalyzeAudio(copy);
        EXPECT_EQ(audio.decode_errors, 0);
        EXPECT_NEAR(audio.duration_s, 1.0, 0.05);
        EXPECT_EQ(audio.sample_rate, c.rate);
        ASSERT_EQ(audio.channel.size(), static_cast<size_t>(c.channels));
        EXPECT_NEAR(audio.Loudest().frequency_hz, source.Loudest().frequency_hz, 5.0);
        fs::remove(copy);
        // Both streams are still usable: the engine closed neither.
        EXPECT_EQ(ff::avio_seek(reader.IO(), 0, SEEK_SET), 0);
        EXPECT_EQ(ff::avio_seek(writer.IO(), 0, SEEK_SET), 0);
    }
}

TEST_F(FilesTest, BytesThatAreNoMediaFailInMemoryAndLeaveTheStreamToTheCaller) {
    const std::vector<uint8_t> text = FileBytes(Fixture(fixtures::kNotMedia));
    MemoryReader reader(text);
    ASSERT_NE(reader.IO(), nullptr);
    EXPECT_FALSE(engine_->OpenInputFromIO(reader.IO(), "memory.avi"));
    EXPECT_FALSE(engine_->LastErrorText().empty());
    EXPECT_EQ(engine_->InputFileCount(), 0);
    EXPECT_EQ(ff::avio_seek(reader.IO(), 0, SEEK_SET), 0);
    EXPECT_FALSE(engine_->OpenInputFromIO(nullptr, "memory.avi"));
    EXPECT_EQ(engine_->OpenOutputToIO(nullptr, OutputPath("out.wav")), -1);
}

// --- Inputs ---------------------------------------------------------------

TEST_F(FilesTest, ForcedFormatsAndDecoders) {
    struct Case {
        std::vector<std::pair<const char*, const char*>> options;
        bool opened;
        std::string error;  // LastErrorText after a failure
    };
    const Case cases[] = {
        {{{"f", "avi"}}, true, ""},
        {{{"acodec", "mp2"}, {"vcodec", "mpeg4"}}, true, ""},
        {{{"acodec", "mpeg4"}}, false, "Invalid decoder type 'mpeg4'"},
        {{{"vcodec", "no_such_decoder"}}, false, "Unknown decoder 'no_such_decoder'"},
        // The video name is checked first.
        {{{"vcodec", "mp2"}, {"acodec", "no_such_decoder"}}, false, "Invalid decoder type 'mp2'"},
    };
    for (const Case& c : cases) {
        engine_->Prepare();
        for (const auto& [name, value] : c.options) {
            engine_->SetOption(name, value);
        }
        EXPECT_EQ(OpenInput(Fixture("avi_mpeg4_mp2.avi")), c.opened) << c.error;
        EXPECT_EQ(engine_->InputFileCount(), c.opened ? 1 : 0);
        EXPECT_TRUE(options().FormatName.empty());
        EXPECT_TRUE(options().VideoCodecName.empty());
        EXPECT_TRUE(options().AudioCodecName.empty());
        if (!c.opened) {
            EXPECT_EQ(engine_->LastErrorText(), c.error);
        }
    }
    // The forced audio decoder is recorded for the audio stream only.
    EXPECT_EQ(engine_->InputCodecCount(), 0);
    engine_->Prepare();
    engine_->SetOption("acodec", "mp2");
    ASSERT_TRUE(OpenInput(Fixture("avi_mpeg4_mp2.avi")));
    ASSERT_EQ(engine_->InputCodecCount(), 2);
    EXPECT_EQ(engine_->InputCodec(0), nullptr);
    ASSERT_NE(engine_->InputCodec(1), nullptr);
    EXPECT_STREQ(engine_->InputCodec(1)->name, "mp2");
}

TEST_F(FilesTest, RawFormatsTakeThePendingHints) {
    struct Case {
        const char* name;
        size_t bytes;
        std::vector<std::pair<const char*, const char*>> options;
        std::function<void(const TEngineOptions&, const AVFormatContext*)> check;
    };
    const Case cases[] = {
        {"tone.raw",
         22050 * 2,
         {{"f", "s16le"}, {"ar", "22050"}, {"ac", "1"}},
         [](const TEngineOptions& o, const AVFormatContext* input) {
             EXPECT_EQ(o.AudioSampleRate, 22050);
             EXPECT_EQ(o.AudioChannels, 1);
             EXPECT_NEAR(static_cast<double>(input->duration) / kSecond, 1.0, 0.01);
         }},
        {"stereo.raw",
         48000 * 2 * 2,
         {{"f", "s16le"}, {"ar", "48000"}, {"ac", "2"}},
         [](const TEngineOptions& o, const AVFormatContext* input) {
             EXPECT_EQ(o.AudioSampleRate, 48000);
             EXPECT_EQ(o.AudioChannels, 2);
             EXPECT_NEAR(static_cast<double>(input->duration) / kSecond, 1.0, 0.01);
         }},
        // The picture size includes the pending pad bands.
        {"pictures.yuv",
         64 * 48 * 10,
         {{"f", "rawvideo"},
          {"s", "64x40"},
          {"padtop", "4"},
          {"padbottom", "4"},
          {"pix_fmt", "gray"},
          {"r", "10"}},
         [](const TEngineOptions& o, const AVFormatContext* input) {
             EXPECT_EQ(o.FrameWidth, 64);
             EXPECT_EQ(o.FrameHeight, 48);
             EXPECT_EQ(o.FramePixFmt, AV_PIX_FMT_GRAY8);
             EXPECT_EQ(o.FrameRate.num, 10);
             EXPECT_EQ(o.FrameRate.den, 1);
             EXPECT_NEAR(static_cast<double>(input->duration) / kSecond, 1.0, 0.01);
         }},
    };
    for (const Case& c : cases) {
        engine_->Prepare();
        const fs::path path = dir_.Path() / c.name;
        std::ofstream(path, std::ios::binary) << std::string(c.bytes, '\x10');
        for (const auto& [name, value] : c.options) {
            engine_->SetOption(name, value);
        }
        ASSERT_TRUE(OpenInput(path)) << engine_->LastErrorText();
        c.check(options(), engine_->InputFile(0));
    }
}

TEST_F(FilesTest, UnknownInputFormatRaisesAndStaysPending) {
    engine_->SetOption("f", "no_such_format");
    EXPECT_EQ(test::MessageOf<FFmpegException>([&] { OpenInput(Fixture("avi_mpeg4_mp2.avi")); }),
              "Unknown input format: \"no_such_format\"");
    EXPECT_EQ(options().FormatName, "no_such_format");
    EXPECT_EQ(engine_->InputFileCount(), 0);
}

TEST_F(FilesTest, OpenFailuresNameTheFile) {
    struct Case {
        fs::path path;
        std::string text;
    };
    const Case cases[] = {
        {dir_.Path() / "missing.avi", "No such file or directory"},
        {Fixture(fixtures::kNotMedia), "Invalid data found when processing input"},
    };
    for (const Case& c : cases) {
        engine_->SetOption("vcodec", "mpeg4");
        engine_->SetOption("vc", "3");
        EXPECT_FALSE(OpenInput(c.path));
        EXPECT_EQ(engine_->LastErrorText(), c.path.string() + ": " + c.text);
        EXPECT_TRUE(options().VideoCodecName.empty());
        EXPECT_EQ(options().VideoChannel, 0);
    }
    EXPECT_EQ(engine_->InputFileCount(), 0);
}

TEST_F(FilesTest, ProgramSelection) {
    const fs::path ts = Fixture("ts_two_programs.ts");
    engine_->SetOption("programid", "3");
    EXPECT_FALSE(OpenInput(ts));
    EXPECT_EQ(engine_->LastErrorText(), "Specified program id not found");

    engine_->Prepare();
    engine_->SetOption("programid", "2");
    ASSERT_TRUE(OpenInput(ts));
    EXPECT_EQ(options().ProgramId, 0);
    const AVFormatContext* input = engine_->InputFile(0);
    for (unsigned p = 0; p < input->nb_programs; ++p) {
        const AVProgram* program = input->programs[p];
        EXPECT_EQ(program->discard == AVDISCARD_ALL, program->id != 2);
        for (unsigned s = 0; s < program->nb_stream_indexes; ++s) {
            EXPECT_EQ(input->streams[program->stream_index[s]]->discard,
                      program->id == 2 ? AVDISCARD_DEFAULT : AVDISCARD_ALL)
                << "program " << program->id << " stream " << program->stream_index[s];
        }
    }
    // Only the quieter second audio stream is kept.
    int kept = 0;
    for (unsigned s = 0; s < input->nb_streams; ++s) {
        kept += input->streams[s]->discard == AVDISCARD_DEFAULT ? 1 : 0;
    }
    EXPECT_EQ(kept, 1);
}

TEST_F(FilesTest, GeometryAndAudioFieldsDescribeTheLastStreams) {
    struct Case {
        fs::path path;
        int width, height;
        AVRational rate;
        float aspect;
        int sample_rate, channels;
    };
    const Case cases[] = {
        // 720 x 16/15 / 576
        {SpecialClip(test::kPalSar16x15), 720, 576, {25, 1}, 720.0f * 16 / 15 / 576, 0, 0},
        {Fixture("avi_mpeg4_mp2.avi"), 320, 240, {25, 1}, 320.0f / 240, 44100, 2},
        {SpecialClip(test::kNtscVideo), 320, 240, {30000, 1001}, 320.0f / 240, 48000, 2},
        // Of a 5.1 AC-3 and a stereo MP2 stream the later one counts.
        {Fixture("mkv_ac3_51_two_audio.mkv"), 320, 240, {25, 1}, 320.0f / 240, 44100, 2},
        {Fixture("wav_pcm_48k_mono.wav"), 0, 0, {0, 0}, 0.0f, 48000, 1},
    };
    for (const Case& c : cases) {
        engine_->Prepare();
        ASSERT_TRUE(OpenInput(c.path)) << engine_->LastErrorText();
        const TEngineOptions& o = options();
        EXPECT_EQ(o.FrameWidth, c.width) << c.path;
        EXPECT_EQ(o.FrameHeight, c.height) << c.path;
        EXPECT_EQ(o.FrameRate.num, c.rate.num) << c.path;
        EXPECT_EQ(o.FrameRate.den, c.rate.den) << c.path;
        EXPECT_NEAR(o.FrameAspectRatio, c.aspect, 1e-4) << c.path;
        if (c.sample_rate != 0) {
            EXPECT_EQ(o.AudioSampleRate, c.sample_rate) << c.path;
            EXPECT_EQ(o.AudioChannels, c.channels) << c.path;
            EXPECT_GE(o.AudioSampleFmt, 0) << c.path;
        }
        if (c.width != 0) {
            EXPECT_EQ(o.FramePixFmt, AV_PIX_FMT_YUV420P) << c.path;
        }
    }
}

TEST_F(FilesTest, PictureWithoutSizeOrAspectIsTakenAsFourThree) {
    // A forced raw demuxer on text finds a stream it cannot size; a negative
    // verbosity lets the failed analysis pass.
    engine_->SetOption("v", "-1");
    engine_->SetOption("f", "mjpeg");
    ASSERT_TRUE(OpenInput(Fixture(fixtures::kNotMedia))) << engine_->LastErrorText();
    EXPECT_EQ(options().FrameWidth, 0);
    EXPECT_FLOAT_EQ(options().FrameAspectRatio, 4.0f / 3.0f);
}

TEST_F(FilesTest, AFailedStreamAnalysisOpensWhateverTheVerbosity) {
    // The forced raw demuxer's analysis of text fails; the open goes on with
    // the unsized picture stream at every verbosity.
    for (const char* verbose : {"-1", "0", "1", "3"}) {
        SCOPED_TRACE(verbose);
        engine_->Prepare();
        engine_->SetOption("v", verbose);
        engine_->SetOption("f", "mjpeg");
        ASSERT_TRUE(OpenInput(Fixture(fixtures::kNotMedia))) << engine_->LastErrorText();
        EXPECT_EQ(engine_->InputFileCount(), 1);
        EXPECT_EQ(options().FrameWidth, 0);
        EXPECT_FLOAT_EQ(options().FrameAspectRatio, 4.0f / 3.0f);
    }
}

TEST_F(FilesTest, StartPositionAndTimestampOffset) {
    const fs::path ts = Fixture("ts_start_10s.ts");
    struct Case {
        const char* start;  // ss, or null
        bool copy_ts;
    };
    const Case cases[] = {{"5", false}, {"5", true}, {nullptr, false}};
    for (const Case& c : cases) {
        engine_->Prepare();
        engine_->SetOption("itsoffset", "2");
        if (c.start != nullptr) {
            engine_->SetOption("ss", c.start);
        }
        if (c.copy_ts) {
            engine_->SetOption("copyts", "");
        }
        ASSERT_TRUE(OpenInput(ts)) << engine_->LastErrorText();
        EXPECT_EQ(options().StartTime, 0);
        const AVFormatContext* input = engine_->InputFile(0);
        const int64_t file_start = input->start_time;
        EXPECT_NEAR(static_cast<double>(file_start) / kSecond, 10.0, 1.5);
        const int64_t start = c.start != nullptr ? 5 * kSecond : 0;
        const int64_t expected = c.copy_ts ? 2 * kSecond : 2 * kSecond - (start + file_start);
        EXPECT_EQ(engine_->InputFileTsOffset(0), expected);

        // Positioned before start + file start (backwards, to a key frame), or not at all.
        PacketPtr packet(ff::av_packet_alloc());
        ASSERT_GE(ff::av_read_frame(engine_->InputFile(0), packet.get()), 0);
        const AVStream* stream = input->streams[packet->stream_index];
        const double at = static_cast<double>(packet->dts) * av_q2d(stream->time_base);
        const double target = static_cast<double>(start + file_start) / kSecond;
        EXPECT_LE(at, target + 0.1);
        if (start != 0) {
            EXPECT_GE(at, target - 3.0);
            EXPECT_GT(at, static_cast<double>(file_start) / kSecond + 1.0);
        } else {
            EXPECT_NEAR(at, target, 1.0);
        }
    }
}

TEST_F(FilesTest, DataStreamsGetNoDecoderEntry) {
    ASSERT_TRUE(OpenInput(SpecialClip(test::kDataBetween))) << engine_->LastErrorText();
    const AVFormatContext* input = engine_->InputFile(0);
    ASSERT_EQ(input->nb_streams, 3u);
    EXPECT_EQ(input->streams[1]->codecpar->codec_type, AVMEDIA_TYPE_DATA);
    EXPECT_EQ(engine_->InputCodecCount(), 2);
    // Every stream still has its decoder settings, made from its parameters.
    for (int s = 0; s < 3; ++s) {
        const AVCodecContext* codec = engine_->InputStreamCodec(0, s);
        ASSERT_NE(codec, nullptr);
        EXPECT_EQ(codec->codec_id, input->streams[s]->codecpar->codec_id);
    }
}

TEST_F(FilesTest, DecoderSettingsOpenAndDecode) {
    ASSERT_TRUE(OpenInput(Fixture("mp4_h264_aac.mp4")));
    AVFormatContext* input = engine_->InputFile(0);
    for (unsigned s = 0; s < input->nb_streams; ++s) {
        AVCodecContext* codec = engine_->InputStreamCodec(0, static_cast<int>(s));
        ASSERT_NE(codec, nullptr);
        EXPECT_EQ(codec->thread_count, 1);
        AVCodecLock lock;
        EXPECT_EQ(ff::avcodec_open2(codec, ff::avcodec_find_decoder(codec->codec_id), nullptr), 0);
    }
    // The audio decoder turns the first packets into frames at the input's rate.
    PacketPtr packet(ff::av_packet_alloc());
    FramePtr frame(ff::av_frame_alloc());
    int frames = 0;
    while (frames == 0 && ff::av_read_frame(input, packet.get()) >= 0) {
        AVCodecContext* codec = engine_->InputStreamCodec(0, packet->stream_index);
        if (codec->codec_type == AVMEDIA_TYPE_AUDIO &&
            ff::avcodec_send_packet(codec, packet.get()) >= 0 &&
            ff::avcodec_receive_frame(codec, frame.get()) >= 0) {
            EXPECT_EQ(frame->sample_rate, 48000);
            ++frames;
        }
        ff::av_packet_unref(packet.get());
    }
    EXPECT_EQ(frames, 1);
}

TEST_F(FilesTest, ExpectedDurationIsTheLongestInput) {
    const std::vector<std::vector<const char*>> orders = {{test::kShortWav, test::kLongWav},
                                                          {test::kLongWav, test::kShortWav}};
    for (const auto& order : orders) {
        engine_->Prepare();
        for (const char* name : order) {
            ASSERT_TRUE(OpenInput(SpecialClip(name)));
        }
        EXPECT_NEAR(static_cast<double>(engine_->ExpectedDuration()) / kSecond, 4.0, 0.05);
    }
}

TEST_F(FilesTest, DisabledVideoIsDiscardedButStillDescribed) {
    engine_->SetOption("vn", "1");
    ASSERT_TRUE(OpenInput(Fixture("avi_mpeg4_mp2.avi")));
    const AVFormatContext* input = engine_->InputFile(0);
    EXPECT_EQ(input->streams[0]->discard, AVDISCARD_ALL);
    EXPECT_NE(input->streams[1]->discard, AVDISCARD_ALL);
    EXPECT_EQ(options().FrameWidth, 320);
    EXPECT_EQ(options().FrameHeight, 240);
    EXPECT_EQ(options().FrameRate.num, 25);
    EXPECT_TRUE(options().VideoDisable);  // not consumed by the input
}

TEST_F(FilesTest, NonAsciiNames) {
    const fs::path source = Fixture("видео_тест ñ.avi");
    ASSERT_TRUE(OpenInput(source)) << engine_->LastErrorText();
    engine_->SetOption("vn", "1");
    ASSERT_EQ(OpenOutput("вывод ü.mp3"), 1) << engine_->LastErrorText();
    EXPECT_EQ(FromLibraryFileName(engine_->OutputFile(0)->url), OutputPath("вывод ü.mp3"));
    EXPECT_EQ(engine_->InputFile(0)->nb_streams, 2u);
}

TEST_F(FilesTest, TooManyInputs) {
    TFFmpeg engine(2);
    engine.Prepare();
    const std::string path = Fixture("wav_pcm_44k_stereo.wav").string();
    EXPECT_TRUE(engine.OpenInputFile(path));
    EXPECT_TRUE(engine.OpenInputFile(path));
    EXPECT_FALSE(engine.OpenInputFile(path));
    EXPECT_EQ(engine.InputFileCount(), 2);
}

// --- Outputs --------------------------------------------------------------

TEST_F(FilesTest, OutputFormatErrors) {
    ASSERT_TRUE(OpenInput(Fixture("wav_pcm_44k_stereo.wav")));
    EXPECT_EQ(OpenOutput("out.no_such_extension"), -1);
    EXPECT_EQ(engine_->LastErrorText(), "Unable to find a suitable output format for '" +
                                            OutputPath("out.no_such_extension") + "'");
    engine_->SetOption("f", "no_such_muxer");
    EXPECT_EQ(OpenOutput("out.mp3"), -1);
    EXPECT_EQ(engine_->LastErrorText(),
              "Requested output format 'no_such_muxer' is not a suitable output format");
    EXPECT_EQ(options().FormatName, "no_such_muxer");
    EXPECT_EQ(engine_->OutputFileCount(), 0);
    EXPECT_FALSE(fs::exists(dir_.Path() / "out.mp3"));

    // A muxer that needs a number in the name.
    engine_->SetOption("f", "webm_chunk");
    EXPECT_EQ(OpenOutput("chunk.chk"), -1);
    EXPECT_EQ(engine_->LastErrorText(),
              OutputPath("chunk.chk") + ": Number syntax expected in filename");
    EXPECT_EQ(engine_->OutputFileCount(), 0);
    EXPECT_EQ(engine_->OutputStreamCount(), 0);

    // A folder that does not exist.
    const std::string nowhere = (dir_.Path() / "no_folder" / "out.mp3").string();
    EXPECT_EQ(engine_->OpenOutputFile(nowhere, false), -1);
    EXPECT_EQ(engine_->LastErrorText(),
              "Could not open '" + nowhere + "': No such file or directory");
    EXPECT_EQ(engine_->OutputFileCount(), 0);
    EXPECT_EQ(engine_->OutputCodecCount(), 0);
}

TEST_F(FilesTest, StreamTypesOfTheOutput) {
    struct Case {
        const char* input;
        std::vector<std::pair<const char*, const char*>> options;  // before the output
        const char* output;
        std::vector<AVMediaType> types;
    };
    const Case cases[] = {
        {"avi_mpeg4_mp2.avi", {{"vn", "1"}}, "a.mp3", {AVMEDIA_TYPE_AUDIO}},
        {"wav_pcm_44k_stereo.wav", {}, "b.mp3", {AVMEDIA_TYPE_AUDIO}},
        {"avi_mpeg4_mp2.avi", {}, "c.avi", {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO}},
        {"avi_mpeg4_mp2.avi", {{"an", "1"}}, "d.mkv", {AVMEDIA_TYPE_VIDEO}},
        // A subtitle name makes no subtitle stream from an input without subtitles.
        {"avi_mpeg4_mp2.avi",
         {{"scodec", "mov_text"}},
         "e.mp4",
         {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO}},
    };
    for (const Case& c : cases) {
        engine_->Prepare();
        ASSERT_TRUE(OpenInput(Fixture(c.input)));
        for (const auto& [name, value] : c.options) {
            engine_->SetOption(name, value);
        }
        ASSERT_EQ(OpenOutput(c.output), 1) << engine_->LastErrorText();
        const AVFormatContext* output = engine_->OutputFile(0);
        ASSERT_EQ(output->nb_streams, c.types.size()) << c.output;
        for (size_t s = 0; s < c.types.size(); ++s) {
            const TOutputStream* record = Record(0, static_cast<int>(s));
            ASSERT_NE(record, nullptr);
            EXPECT_EQ(record->Codec->codec_type, c.types[s]) << c.output;
        }
        // The flags are consumed by the streams they let through only.
        EXPECT_EQ(engine_->OutputCodecCount(), static_cast<int>(c.types.size()));
    }
}

TEST_F(FilesTest, Mp3OutputTakesTheDefaultEncoderAndOpens) {
    ASSERT_TRUE(OpenInput(Fixture("avi_mpeg4_mp2.avi")));
    engine_->SetOption("vn", "1");
    engine_->SetOption("ab", "128000");
    ASSERT_EQ(OpenOutput("out.mp3"), 1);
    TOutputStream* record = Record(0, 0);
    ASSERT_NE(record, nullptr);
    ASSERT_NE(record->Encoder, nullptr);
    EXPECT_EQ(record->Encoder->id, AV_CODEC_ID_MP3);
    EXPECT_EQ(engine_->OutputCodec(0), nullptr);  // none was named
    EXPECT_FALSE(record->StreamCopy);
    EXPECT_EQ(record->Codec->bit_rate, 128000);
    EXPECT_EQ(record->Codec->sample_rate, 44100);
    EXPECT_EQ(record->Codec->ch_layout.nb_channels, 2);
    EXPECT_EQ(OpenEncoder(record), 0);
    EXPECT_EQ(record->Codec->frame_size, 1152);
    // Only a video stream consumes the flag, and the output got none.
    EXPECT_TRUE(options().VideoDisable);
}

TEST_F(FilesTest, EncoderChoiceFitsWhatTheEncoderSupports) {
    struct Case {
        fs::path input;
        int rate;
        int channels;
        std::string layout;
        bool logged;
    };
    const Case cases[] = {
        // 5.1 into MP3 is mixed down to stereo.
        {SpecialClip(test::kAc3Surround), 48000, 2, "stereo", true},
        // 96 kHz is beyond MP3; the nearest rate it knows is 48 kHz.
        {SpecialClip(test::kPcm96k), 48000, 2, "stereo", true},
        {Fixture("wav_pcm_48k_mono.wav"), 48000, 1, "mono", false},
        {Fixture("wav_pcm_44k_stereo.wav"), 44100, 2, "stereo", false},
    };
    FFLoggerInstance().SetLogLevel(llVerbose);
    for (const Case& c : cases) {
        engine_->Prepare();
        ASSERT_TRUE(OpenInput(c.input));
        ClearLog();
        ASSERT_EQ(OpenOutput("out.mp3"), 1) << engine_->LastErrorText();
        TOutputStream* record = Record(0, 0);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->Codec->sample_rate, c.rate) << c.input;
        EXPECT_EQ(record->Codec->time_base.den, c.rate) << c.input;
        EXPECT_EQ(record->Codec->ch_layout.nb_channels, c.channels) << c.input;
        char layout[64] = {};
        ff::av_channel_layout_describe(&record->Codec->ch_layout, layout, sizeof layout);
        EXPECT_EQ(std::string(layout), c.layout) << c.input;
        int choices = 0;
        for (const std::string& text : TextsAt(llVerbose)) {
            choices += text.find("does not support") != std::string::npos ? 1 : 0;
        }
        EXPECT_EQ(choices, c.logged ? 1 : 0) << c.input;
        EXPECT_EQ(OpenEncoder(record), 0) << c.input;
    }
}

TEST_F(FilesTest, DuplicateMetadataKeepsTheFirstValue) {
    ASSERT_TRUE(OpenInput(Fixture("wav_pcm_44k_stereo.wav")));
    engine_->SetOption("metadata", "title=A");
    engine_->SetOption("metadata", "artist=Somebody");
    engine_->SetOption("metadata", "title=B");
    engine_->SetOption("timestamp", "2010-06-01 12:00:00");
    ASSERT_EQ(OpenOutput("tags.mp3"), 1);
    const AVDictionary* tags = engine_->OutputFile(0)->metadata;
    EXPECT_EQ(MetadataValue(tags, "title", ""), "A");
    EXPECT_EQ(MetadataValue(tags, "artist", ""), "Somebody");
    EXPECT_EQ(MetadataValue(tags, "creation_time", "").substr(0, 10), "2010-06-01");
    EXPECT_EQ(engine_->MetadataCount(), 0);
}

TEST_F(FilesTest, JoinMode) {
    const std::vector<fs::path> inputs = {SpecialClip(test::kShortWav), SpecialClip(test::kLongWav),
                                          SpecialClip(test::kShortWav)};
    for (const fs::path& input : inputs) {
        ASSERT_TRUE(OpenInput(input));
    }
    ASSERT_EQ(OpenOutput("joined.mp3", true), 3);
    EXPECT_TRUE(engine_->JoinMode());
    EXPECT_EQ(engine_->OutputFile(0), engine_->OutputFile(1));
    EXPECT_EQ(engine_->OutputFile(0), engine_->OutputFile(2));
    int64_t sum = 0;
    for (int i = 0; i < 3; ++i) {
        sum += engine_->InputFile(i)->duration;
    }
    EXPECT_EQ(engine_->ExpectedDuration(), sum);
    EXPECT_NEAR(static_cast<double>(sum) / kSecond, 8.0, 0.1);

    EXPECT_EQ(OpenOutput("second.mp3"), -1);
    EXPECT_EQ(engine_->LastErrorText(), "Cannot join more than one output file.");
    EXPECT_EQ(engine_->OutputFileCount(), 3);

    // One input: an ordinary output.
    engine_->Prepare();
    ASSERT_TRUE(OpenInput(SpecialClip(test::kLongWav)));
    ASSERT_EQ(OpenOutput("single.mp3", true), 1);
    EXPECT_FALSE(engine_->JoinMode());
    EXPECT_EQ(OpenOutput("another.mp3"), 2);
}

// Nothing found at an output's name is opened, followed or replaced: the
// output takes the next numbered name. Nothing is created before a run
// writes the output, so outputs that never run leave nothing behind.
TEST_F(FilesTest, TakenNamesAreLeftAloneAndNothingIsCreatedBeforeTheRun) {
    ASSERT_TRUE(OpenInput(Fixture("wav_pcm_44k_stereo.wav")));
    {
        std::ofstream existing(OutputPath("existing.mp3"));
        existing << "old contents";
    }
    ASSERT_EQ(::symlink("/dev/null", OutputPath("device.mp3").c_str()), 0);
    ASSERT_EQ(::symlink(OutputPath("nowhere").c_str(), OutputPath("dangling.mp3").c_str()), 0);
    fs::create_directory(OutputPath("folder.mp3"));
    ASSERT_EQ(::mkdir(OutputPath(".busy.mp3.part").c_str(), 0700), 0);  // another run's
    const auto before = std::distance(fs::directory_iterator(dir_.Path()), {});
    struct Case {
        const char* name;
        const char* written;
    };
    const Case cases[] = {
        {"new.mp3", "new.mp3"},
        {"existing.mp3", "existing_(new_1).mp3"},
        {"device.mp3", "device_(new_1).mp3"},
        {"dangling.mp3", "dangling_(new_1).mp3"},
        {"folder.mp3", "folder_(new_1).mp3"},
        {"busy.mp3", "busy_(new_1).mp3"},
        {"x_(new_4).mp3", "x_(new_4).mp3"},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(OpenOutput(c.name), ++index) << engine_->LastErrorText();
        EXPECT_EQ(FromLibraryFileName(engine_->OutputFile(index - 1)->url), OutputPath(c.written));
        EXPECT_EQ(engine_->OutputFile(index - 1)->pb, nullptr);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.Path()), {}), before);
    engine_->FreeFiles();
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.Path()), {}), before);
    EXPECT_EQ(fs::file_size(OutputPath("existing.mp3")), 12u);
    EXPECT_EQ(fs::read_symlink(OutputPath("device.mp3")), "/dev/null");
    EXPECT_TRUE(fs::is_symlink(OutputPath("dangling.mp3")));
    EXPECT_TRUE(fs::is_directory(OutputPath("folder.mp3")));
    EXPECT_TRUE(fs::is_directory(OutputPath(".busy.mp3.part")));
    EXPECT_EQ(engine_->OutputFileCount(), 0);
}

TEST_F(FilesTest, NewStreamOptions) {
    EXPECT_EQ(test::MessageOf<FFmpegException>([&] { engine_->SetOption("newaudio", ""); }),
              "At least one output file must be specified");
    ASSERT_TRUE(OpenInput(Fixture("mkv_ac3_51_two_audio.mkv")));
    engine_->SetOption("vn", "1");
    ASSERT_EQ(OpenOutput("two.mka"), 1);
    engine_->SetOption("alang", "ger");
    engine_->SetOption("acodec", "mp2");
    engine_->SetOption("newaudio", "");
    const AVFormatContext* output = engine_->OutputFile(0);
    ASSERT_EQ(output->nb_streams, 2u);
    EXPECT_EQ(MetadataValue(output->streams[1]->metadata, "language", ""), "ger");
    EXPECT_TRUE(options().AudioLanguage.empty());
    EXPECT_TRUE(options().AudioCodecName.empty());
    ASSERT_EQ(engine_->OutputCodecCount(), 2);
    ASSERT_NE(engine_->OutputCodec(1), nullptr);
    EXPECT_STREQ(engine_->OutputCodec(1)->name, "mp2");
    EXPECT_EQ(Record(0, 1)->Codec->codec_id, AV_CODEC_ID_MP2);

    // A failing name arrives as raised through the option.
    engine_->SetOption("acodec", "no_such_encoder");
    EXPECT_EQ(test::MessageOf<FFmpegException>([&] { engine_->SetOption("newaudio", ""); }),
              "Unknown encoder 'no_such_encoder'");
    EXPECT_TRUE(options().AudioCodecName.empty());
}

TEST_F(FilesTest, AFileHoldsTwentyStreams) {
    ASSERT_TRUE(OpenInput(Fixture("wav_pcm_44k_stereo.wav")));
    ASSERT_EQ(OpenOutput("many.mka"), 1);
    for (int i = 1; i < kMaxStreams; ++i) {
        engine_->SetOption("newaudio", "");
    }
    EXPECT_EQ(engine_->OutputFile(0)->nb_streams, static_cast<unsigned>(kMaxStreams));
    engine_->SetOption("acodec", "mp2");
    EXPECT_EQ(test::MessageOf<FFmpegException>([&] { engine_->SetOption("newaudio", ""); }),
              "Could not alloc stream");
    EXPECT_TRUE(options().AudioCodecName.empty());
    EXPECT_EQ(engine_->OutputCodecCount(), kMaxStreams);
}

TEST_F(FilesTest, StreamCreationFailuresAreWrapped) {
    struct Case {
        std::vector<std::pair<const char*, const char*>> options;
        std::string error;
    };
    const Case cases[] = {
        {{{"acodec", "no_such_encoder"}},
         "new_audio_stream fail: Unknown encoder 'no_such_encoder'"},
        {{{"acodec", "mpeg4"}}, "new_audio_stream fail: Invalid encoder type 'mpeg4'"},
        {{{"vcodec", "mp2"}}, "new_video_stream fail: Invalid encoder type 'mp2'"},
        {{{"rc_override", "10"}}, "new_video_stream fail: error parsing rc_override"},
    };
    for (const Case& c : cases) {
        engine_->Prepare();
        ASSERT_TRUE(OpenInput(Fixture("avi_mpeg4_mp2.avi")));
        for (const auto& [name, value] : c.options) {
            engine_->SetOption(name, value);
        }
        EXPECT_EQ(OpenOutput("fail.avi"), -1);
        EXPECT_EQ(engine_->LastErrorText(), c.error);
        EXPECT_EQ(engine_->OutputFileCount(), 0);
        EXPECT_EQ(engine_->OutputCodecCount(), 0);
        EXPECT_EQ(engine_->OutputStreamCount(), 0);
        EXPECT_FALSE(fs::exists(OutputPath("fail.avi")));
    }
}

TEST_F(FilesTest, AudioCopyTakesThePendingChannelCount) {
    ASSERT_TRUE(OpenInput(Fixture("mono_mp2_48k.avi")));
    engine_->SetOption("vn", "1");
    engine_->SetOption("acodec", "copy");
    ASSERT_EQ(OpenOutput("copy.mka"), 1);
    const TOutputStream* record = Record(0, 0);
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(record->StreamCopy);
    EXPECT_EQ(record->Encoder, nullptr);
    EXPECT_EQ(record->Codec->ch_layout.nb_channels, 1);
    EXPECT_EQ(record->Codec->sample_rate, 48000);
    EXPECT_EQ(engine_->OutputCodec(0), nullptr);
    EXPECT_FALSE(options().AudioStreamCopy);
}

TEST_F(FilesTest, VideoStreamSettings) {
    ASSERT_TRUE(OpenInput(SpecialClip(test::kPalSar16x15)));
    engine_->SetOption("padtop", "8");
    engine_->SetOption("padbottom", "8");
    engine_->SetOption("qscale", "4");
    engine_->SetOption("intra", "1");
    engine_->SetOption("rc_override", "0,100,-20/200,300,5");
    engine_->SetOption("vlang", "eng");
    engine_->SetOption("vcodec", "mpeg2video");
    ASSERT_EQ(OpenOutput("video.mpg"), 1) << engine_->LastErrorText();
    const TOutputStream* record = Record(0, 0);
    ASSERT_NE(record, nullptr);
    const AVCodecContext* codec = record->Codec.get();
    EXPECT_EQ(codec->width, 720);
    EXPECT_EQ(codec->height, 592);
    // The display aspect stays that of the input (4:3): 592 x 4/3 / 720.
    EXPECT_NEAR(av_q2d(codec->sample_aspect_ratio), 592.0 * (720.0 * 16 / 15 / 576) / 720, 0.01);
    EXPECT_LE(codec->sample_aspect_ratio.num, 255);
    EXPECT_LE(codec->sample_aspect_ratio.den, 255);
    EXPECT_EQ(codec->time_base.num, 1);
    EXPECT_EQ(codec->time_base.den, 25);
    EXPECT_EQ(codec->pix_fmt, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(codec->gop_size, 0);
    EXPECT_TRUE(codec->flags & AV_CODEC_FLAG_QSCALE);
    EXPECT_FLOAT_EQ(record->Quality, 4.0f * FF_QP2LAMBDA);
    EXPECT_EQ(codec->global_quality, 4 * FF_QP2LAMBDA);
    ASSERT_EQ(codec->rc_override_count, 2);
    EXPECT_EQ(codec->rc_override[0].start_frame, 0);
    EXPECT_EQ(codec->rc_override[0].end_frame, 100);
    EXPECT_EQ(codec->rc_override[0].qscale, 0);
    EXPECT_FLOAT_EQ(codec->rc_override[0].quality_factor, 0.2f);
    EXPECT_EQ(codec->rc_override[1].qscale, 5);
    EXPECT_EQ(MetadataValue(engine_->OutputFile(0)->streams[0]->metadata, "language", ""), "eng");
    EXPECT_EQ(options().FramePixFmt, -1);
}

TEST_F(FilesTest, FiltersAreMarkedEvenWithoutVideo) {
    ASSERT_TRUE(OpenInput(Fixture("wav_pcm_44k_stereo.wav")));
    engine_->SetOption("vfilters", "null");
    ASSERT_EQ(OpenOutput("audio.mp3"), 1);
    EXPECT_TRUE(options().UseFilters);
}

TEST_F(FilesTest, MuxerSettings) {
    ASSERT_TRUE(OpenInput(Fixture("avi_mpeg4_mp2.avi")));
    engine_->SetOption("muxdelay", "0.25");
    engine_->SetOption("muxpreload", "0.3");
    ASSERT_EQ(OpenOutput("program.mpg"), 1);
    AVFormatContext* output = engine_->OutputFile(0);
    EXPECT_EQ(output->max_delay, 250000);
    int64_t preload = 0;
    ASSERT_GE(ff::av_opt_get_int(output->priv_data, "preload", 0, &preload), 0);
    EXPECT_EQ(preload, 300000);
    EXPECT_TRUE(output->flags & AVFMT_FLAG_NONBLOCK);
}

}  // namespace
}  // namespace v2m
