// Whole conversions through Transcode: the audio of every fixture container
// into MP3 and of one video into every audio format, the choice of sources,
// stream copy, start and recording time, and the failures of set-up and
// teardown with what they must leave behind.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "FFmpegLoader.h"
#include "FixtureGenerator.h"
#include "MediaOwners.h"
#include "TestSupport.h"
#include "SafeFiles.h"
#include "TranscodeSupport.h"

namespace v2m::test {
namespace {

namespace fs = std::filesystem;
using fixtures::AnalyzeAudio;
using fixtures::AudioAnalysis;

constexpr int kMp3Frame = 1152;
constexpr int kLameDelay = 1105;

// Packets per stream type of a file, read with the libraries.
struct StreamCounts {
    int streams = 0;
    std::map<AVMediaType, int> packets;
    std::map<AVMediaType, std::string> codecs;
};

StreamCounts CountPackets(const fs::path& file) {
    StreamCounts counts;
    AVFormatContext* opened = nullptr;
    if (ff::avformat_open_input(&opened, file.c_str(), nullptr, nullptr) < 0) {
        ADD_FAILURE() << "cannot open " << file;
        return counts;
    }
    InputContextPtr input(opened);
    ff::avformat_find_stream_info(input.get(), nullptr);
    counts.streams = static_cast<int>(input->nb_streams);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVCodecParameters* par = input->streams[i]->codecpar;
        counts.codecs[par->codec_type] = ff::avcodec_get_name(par->codec_id);
    }
    PacketPtr packet(ff::av_packet_alloc());
    while (ff::av_read_frame(input.get(), packet.get()) >= 0) {
        ++counts.packets[input->streams[packet->stream_index]->codecpar->codec_type];
        ff::av_packet_unref(packet.get());
    }
    return counts;
}

struct Mp3Case {
    const char* source;
    int rate;
    int channels;
};

class Mp3FromContainer : public TranscodeTest, public ::testing::WithParamInterface<Mp3Case> {};

// Every container of the fixture set gives its sound as MP3 with the asked
// rate and channels, the source's length, tone and level.
TEST_P(Mp3FromContainer, KeepsToneLevelAndLength) {
    const Mp3Case& c = GetParam();
    const fs::path source = Fixture(c.source);
    const fs::path output = Out("out.mp3");
    Run({{source},
         {{"vn", "1"}},
         {{"ar", std::to_string(c.rate)}, {"ac", std::to_string(c.channels)}, {"ab", "320k"}},
         output});
    ASSERT_TRUE(fs::exists(output));
    const AudioAnalysis in = AnalyzeAudio(source);
    const AudioAnalysis out = AnalyzeAudio(output);
    EXPECT_EQ(out.codec_name, "mp3");
    EXPECT_EQ(out.sample_rate, c.rate);
    EXPECT_EQ(out.channels, c.channels);
    EXPECT_EQ(out.decode_errors, 0);
    EXPECT_NEAR(out.duration_s, in.duration_s, EncoderSlack(kMp3Frame, kLameDelay, c.rate));
    const double bit_rate = static_cast<double>(fs::file_size(output)) * 8.0 / out.duration_s;
    EXPECT_NEAR(bit_rate, 320000.0, 320000.0 * 0.05);
    for (const auto& channel : out.channel) {
        EXPECT_NEAR(channel.frequency_hz, in.Loudest().frequency_hz, 1.0) << channel.name;
        EXPECT_NEAR(channel.rms_dbfs, in.Loudest().rms_dbfs, 0.15) << channel.name;
    }
    EXPECT_TRUE(engine_->Completed());
    EXPECT_TRUE(TextsAt(llError).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Containers, Mp3FromContainer,
    ::testing::Values(Mp3Case{"avi_mpeg4_mp2.avi", 44100, 2},
                      Mp3Case{"mp4_h264_aac.mp4", 44100, 2},          // 48 kHz resampled
                      Mp3Case{"mkv_ac3_51_two_audio.mkv", 48000, 2},  // 5.1 mixed down
                      Mp3Case{"mkv_ac3_51_two_audio.mkv", 44100, 2},  // and resampled
                      Mp3Case{"wav_pcm_44k_stereo.wav", 44100, 2},
                      Mp3Case{"wav_pcm_44k_stereo.wav", 44100, 1},  // stereo to mono
                      Mp3Case{"wav_pcm_48k_mono.wav", 48000, 1},
                      Mp3Case{"mono_mp2_48k.avi", 44100, 2},  // mono to stereo, resampled
                      Mp3Case{"ts_start_10s.ts", 48000, 2},   // timestamps from 10 s
                      Mp3Case{"flac_48k_stereo.flac", 44100, 2},
                      Mp3Case{"ogg_vorbis_44k_stereo.ogg", 44100, 2}));

struct FormatCase {
    const char* extension;
    const char* codec;
    int rate;
    double slack_s;   // one encoder frame plus its delay, generously
    double level_db;  // lossy encoders at their default settings lose some level
};

class EveryAudioFormat : public TranscodeTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(EveryAudioFormat, ConvertsAndDecodesBack) {
    const FormatCase& c = GetParam();
    const fs::path source = Fixture("avi_mpeg4_mp2.avi");
    const fs::path output = Out(std::string("out.") + c.extension);
    Run({{source}, {{"vn", "1"}}, {}, output});
    const AudioAnalysis in = AnalyzeAudio(source);
    const AudioAnalysis out = AnalyzeAudio(output);
    EXPECT_EQ(out.codec_name, c.codec);
    EXPECT_EQ(out.sample_rate, c.rate);
    EXPECT_EQ(out.channels, 2);
    EXPECT_EQ(out.decode_errors, 0);
    EXPECT_NEAR(out.duration_s, in.duration_s, c.slack_s);
    EXPECT_NEAR(out.Loudest().frequency_hz, 1000.0, 1.0);
    // MP3 at the encoder's default (variable) rate measures about half a
    // decibel low on a pure tone.
    EXPECT_NEAR(out.Loudest().rms_dbfs, in.Loudest().rms_dbfs, c.level_db);
    EXPECT_TRUE(TextsAt(llError).empty());
}

INSTANTIATE_TEST_SUITE_P(Formats, EveryAudioFormat,
                         ::testing::Values(FormatCase{"wav", "pcm_s16le", 44100, 1.0 / 44100, 0.01},
                                           FormatCase{"au", "pcm_s16be", 44100, 1.0 / 44100, 0.01},
                                           FormatCase{"flac", "flac", 44100, 1.0 / 44100, 0.01},
                                           FormatCase{"mp3", "mp3", 44100, 0.06, 0.6},
                                           FormatCase{"ogg", "vorbis", 44100, 0.06, 0.3},
                                           FormatCase{"wma", "wmav2", 44100, 0.1, 0.3},
                                           FormatCase{"m4a", "aac", 44100, 0.06, 0.3},
                                           FormatCase{"ac3", "ac3", 44100, 0.06, 0.3},
                                           FormatCase{"mp2", "mp2", 44100, 0.06, 0.3},
                                           FormatCase{"opus", "opus", 48000, 0.06, 0.3}));

TEST_F(TranscodeTest, AudioOfAVideoFeedsTheAudioOutput) {
    // vn given for the output only: the input's video stays readable but no
    // output takes it.
    Run({{Fixture("avi_mpeg4_mp2.avi")}, {}, {{"vn", "1"}}, Out("out.mp3")});
    const auto verbose = TextsAt(llVerbose);
    EXPECT_TRUE(Contains(verbose, "Stream mapping:"));
    EXPECT_TRUE(Contains(verbose, "  Stream #0.1 -> #0.0 (Audio)"));
    EXPECT_FALSE(Contains(verbose, "  Stream #0.0 -> "));
    EXPECT_NEAR(AnalyzeAudio(Out("out.mp3")).duration_s, 3.0, 0.06);
}

struct ChoiceCase {
    const char* first;
    const char* second;
    double tone;
    double duration;
};

// Without maps the stream with the most frames feeds the output; equal
// counts keep the first.
TEST_F(TranscodeTest, SourceIsTheStreamWithMostFrames) {
    const ChoiceCase cases[] = {{kShort500, kLong1000, 1000.0, 3.0},
                                {kLong1000, kShort500, 1000.0, 3.0},
                                {kLong1000, kLong500, 1000.0, 3.0},
                                {kLong500, kLong1000, 500.0, 3.0}};
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " + " + c.second);
        engine_->Prepare();
        Run({{TranscodeClip(c.first), TranscodeClip(c.second)}, {}, {}, Out("choice.mp3")});
        const AudioAnalysis out = AnalyzeAudio(Out("choice.mp3"));
        EXPECT_NEAR(out.Loudest().frequency_hz, c.tone, 1.0);
        EXPECT_NEAR(out.duration_s, c.duration, 0.1);
    }
}

struct SourceFormatCase {
    const char* name;
    OptionList options;  // beside vn
    int rate;
    int channels;
    double tone;
};

// Rate and channels left unset are those of the track converted, not of the
// input's last audio track; a rate or count set by hand wins, even one that
// happens to equal the last track's.
TEST_F(TranscodeTest, UnsetRateAndChannelsAreThoseOfTheConvertedTrack) {
    const SourceFormatCase cases[] = {
        {"first track", {}, 48000, 2, 1000.0},
        {"commentary by map", {{"map", "0:2"}}, 22050, 1, 500.0},
        {"rate set", {{"ar", "22050"}}, 22050, 2, 1000.0},
        {"channels set, commentary by map", {{"map", "0:2"}, {"ac", "2"}}, 22050, 2, 500.0},
    };
    for (const SourceFormatCase& c : cases) {
        SCOPED_TRACE(c.name);
        engine_->Prepare();
        OptionList options{{"vn", "1"}};
        options.insert(options.end(), c.options.begin(), c.options.end());
        Run({{TranscodeClip(kFilmWithCommentary)}, {}, options, Out("film.mp3")});
        const AudioAnalysis out = AnalyzeAudio(Out("film.mp3"));
        EXPECT_EQ(out.sample_rate, c.rate);
        EXPECT_EQ(out.channels, c.channels);
        EXPECT_NEAR(out.duration_s, 2.0, EncoderSlack(kMp3Frame, kLameDelay, c.rate) + 0.03);
        for (const auto& channel : out.channel) {
            EXPECT_NEAR(channel.frequency_hz, c.tone, 1.0) << channel.name;
        }
    }
}

struct FailureCase {
    const char* name;
    std::vector<fs::path> inputs;
    OptionList input_options;
    OptionList output_options;
    const char* output;
    const char* message;
};

std::vector<FailureCase> SetUpFailures() {
    const fs::path avi = Fixture("avi_mpeg4_mp2.avi");
    return {
        {"maps",
         {avi},
         {},
         {{"vn", "1"}, {"map", "0:1"}, {"map", "0:1"}},
         "a.mp3",
         "Number of stream maps must match number of output streams"},
        {"map type",
         {avi},
         {},
         {{"vn", "1"}, {"map", "0:0"}},
         "a.mp3",
         "Codec type mismatch for mapping #0.0 (Video) -> #0.0 (Audio)"},
        {"map stream",
         {avi},
         {},
         {{"vn", "1"}, {"map", "0:5"}},
         "a.mp3",
         "Could not find input stream #0.5"},
        {"copy and volume",
         {avi},
         {},
         {{"vn", "1"}, {"acodec", "copy"}, {"vol", "512"}},
         "a.mka",
         "-acodec copy and -vol are incompatible (frames are not decoded)"},
        {"filter text",
         {avi},
         {},
         {{"an", "1"}, {"vfilters", "nosuchfilter"}},
         "a.avi",
         "Error opening filters: nosuchfilter: Invalid argument"},
        {"encoder",
         {avi},
         {},
         {{"vn", "1"}, {"acodec", "mp2"}, {"ab", "1000"}},
         "a.mp2",
         "Error while opening encoder for output stream #0.0 (Audio) - maybe incorrect parameters "
         "such as bit_rate, rate, width or height. Please check error log message to find out "
         "more detail information."},
        {"decoder",
         {avi},
         {{"acodec", "vorbis"}},
         {{"vn", "1"}},
         "a.mp3",
         "Error while opening decoder for input stream #0.1 (Audio)"},
        {"metadata map",
         {avi},
         {},
         {{"vn", "1"}, {"map_meta_data", "3:0"}},
         "a.mp3",
         "Invalid output file index 3 map_meta_data(3,0)"},
        {"header",
         {avi},
         {},
         {{"vn", "1"}, {"acodec", "mp2"}},
         "a.mp3",
         "Could not write header for output file #0 (incorrect codec parameters ?)"},
    };
}

// A failure at any step of set-up raises its text, leaves no codec open, and
// no file open once the task's files go.
TEST_F(TranscodeTest, SetUpFailuresLeaveNothingOpen) {
    const int descriptors = OpenDescriptorCount();
    for (const FailureCase& c : SetUpFailures()) {
        SCOPED_TRACE(c.name);
        engine_->Prepare();
        ClearLog();
        EXPECT_EQ(RunFailing({c.inputs, c.input_options, c.output_options, Out(c.output)}),
                  c.message);
        for (int f = 0; f < engine_->InputFileCount(); ++f) {
            for (unsigned s = 0; s < engine_->InputFile(f)->nb_streams; ++s) {
                EXPECT_EQ(ff::avcodec_is_open(engine_->InputStreamCodec(f, static_cast<int>(s))),
                          0);
            }
        }
        const AVFormatContext* output = engine_->OutputFile(0);
        for (unsigned s = 0; s < output->nb_streams; ++s) {
            const TOutputStream* stream = engine_->FindOutputStream(output, static_cast<int>(s));
            ASSERT_NE(stream, nullptr);
            EXPECT_EQ(ff::avcodec_is_open(stream->Codec.get()), 0);
        }
        EXPECT_FALSE(engine_->Completed());
        engine_->FreeFiles();
        EXPECT_EQ(OpenDescriptorCount(), descriptors);
    }
}

TEST_F(TranscodeTest, StreamCopy) {
    const fs::path avi = Fixture("avi_mpeg4_mp2.avi");
    {
        SCOPED_TRACE("audio copied");
        Run({{avi}, {}, {{"vn", "1"}, {"acodec", "copy"}}, Out("copy.mka")});
        const AudioAnalysis in = AnalyzeAudio(avi);
        const AudioAnalysis out = AnalyzeAudio(Out("copy.mka"));
        EXPECT_EQ(out.codec_name, "mp2");
        EXPECT_EQ(out.samples, in.samples);
        EXPECT_NEAR(out.Loudest().rms_dbfs, in.Loudest().rms_dbfs, 0.001);
    }
    {
        SCOPED_TRACE("video copied beside encoded audio");
        engine_->Prepare();
        Run({{avi}, {}, {{"vcodec", "copy"}, {"acodec", "libmp3lame"}}, Out("copy.avi")});
        const StreamCounts counts = CountPackets(Out("copy.avi"));
        EXPECT_EQ(counts.codecs.at(AVMEDIA_TYPE_VIDEO), "mpeg4");
        EXPECT_EQ(counts.packets.at(AVMEDIA_TYPE_VIDEO),
                  CountPackets(avi).packets.at(AVMEDIA_TYPE_VIDEO));
        const AudioAnalysis out = AnalyzeAudio(Out("copy.avi"));
        EXPECT_EQ(out.codec_name, "mp3");
        EXPECT_NEAR(out.Loudest().frequency_hz, 1000.0, 1.0);
    }
    {
        SCOPED_TRACE("subtitles copied");
        engine_->Prepare();
        Run({{avi, TranscodeClip(kSubtitles)},
             {},
             {{"vn", "1"}, {"scodec", "copy"}},
             Out("subtitles.mkv")});
        const StreamCounts counts = CountPackets(Out("subtitles.mkv"));
        EXPECT_EQ(counts.codecs.at(AVMEDIA_TYPE_SUBTITLE), "subrip");
        EXPECT_EQ(counts.packets.at(AVMEDIA_TYPE_SUBTITLE), 2);
        EXPECT_NEAR(AnalyzeAudio(Out("subtitles.mkv")).duration_s, 3.0, 0.06);
    }
}

struct TimeCase {
    const char* start;  // empty: none
    const char* length;
    double duration;
};

// A start time still pending when the conversion runs starts the output
// there; a recording time ends every stream that reaches it.
TEST_F(TranscodeTest, StartAndRecordingTime) {
    const TimeCase cases[] = {{"1", "", 2.0}, {"", "1.5", 1.5}, {"0.5", "1", 1.0}};
    for (const TimeCase& c : cases) {
        SCOPED_TRACE(std::string("ss ") + c.start + " t " + c.length);
        engine_->Prepare();
        OptionList options{{"vn", "1"}};
        if (*c.start != '\0') {
            options.emplace_back("ss", c.start);
        }
        if (*c.length != '\0') {
            options.emplace_back("t", c.length);
        }
        Run({{Fixture("wav_pcm_44k_stereo.wav")}, {}, options, Out("cut.wav")});
        EXPECT_NEAR(AnalyzeAudio(Out("cut.wav")).duration_s, c.duration, 0.05);
    }
}

// Two inputs of 1 s and 3 s into two outputs: the longer input is read to
// its end unless the loop is to end with the first input that does.
TEST_F(TranscodeTest, ShortestEndsWithTheFirstInput) {
    for (const bool shortest : {false, true}) {
        SCOPED_TRACE(shortest ? "shortest" : "every input to its end");
        engine_->Prepare();
        ASSERT_TRUE(engine_->OpenInputFile(TranscodeClip(kShort500).string()));
        ASSERT_TRUE(engine_->OpenInputFile(TranscodeClip(kLong1000).string()));
        engine_->SetOption("map", "0:0");
        engine_->SetOption("map", "1:0");
        if (shortest) {
            engine_->SetOption("shortest", "1");
        }
        const std::string tag = shortest ? "shortest-" : "";
        ASSERT_GT(engine_->OpenOutputFile(Out(tag + "first.mp3").string(), false), 0);
        ASSERT_GT(engine_->OpenOutputFile(Out(tag + "second.mp3").string(), false), 0);
        engine_->Transcode();
        EndTask();
        EXPECT_NEAR(AnalyzeAudio(Out(tag + "first.mp3")).duration_s, 1.0, 0.06);
        const AudioAnalysis second = AnalyzeAudio(Out(tag + "second.mp3"));
        EXPECT_NEAR(second.Loudest().frequency_hz, 1000.0, 1.0);
        // The loop reads whichever output is behind, so the longer one is at
        // most a few packets ahead when the shorter input ends.
        if (shortest) {
            EXPECT_LT(second.duration_s, 1.3);
        } else {
            EXPECT_NEAR(second.duration_s, 3.0, 0.06);
        }
    }
}

// A size limit ends the loop once the first output has passed it.
TEST_F(TranscodeTest, FileSizeLimit) {
    Run({{Fixture("wav_pcm_44k_stereo.wav")},
         {},
         {{"ab", "320k"}, {"fs", "30000"}},
         Out("limited.mp3")});
    const auto size = static_cast<double>(fs::file_size(Out("limited.mp3")));
    EXPECT_GE(size, 30000.0);
    // Beyond it: the frame that passed it, then what the teardown flushes (the
    // partial frame in the FIFO and the encoder's delay), 1045 bytes a frame.
    EXPECT_LT(size, 30000.0 + 5 * 1045);
    EXPECT_NEAR(AnalyzeAudio(Out("limited.mp3")).duration_s, 30000.0 * 8 / 320000, 0.1);
}

TEST_F(TranscodeTest, NoAudioEncodedIsAFailure) {
    EXPECT_EQ(
        RunFailing({{Fixture("wav_pcm_44k_stereo.wav")}, {}, {{"ss", "10"}}, Out("none.mp3")}),
        "No audio was encoded for output stream #0.0: the input gave none");
    EXPECT_FALSE(engine_->Completed());
    EndTask();
}

struct WriteFailureCase {
    const char* format;
    const char* source;
    const char* length;
    const char* message;
};

// A full disk fails the task with the libraries' text, whether the refusal
// comes with a packet or only when the trailer is flushed.
TEST_F(TranscodeTest, FailedWritesFailTheTask) {
    const WriteFailureCase cases[] = {
        // Written out only when the trailer flushes the byte stream's buffer.
        {"wav", "wav_pcm_44k_stereo.wav", "0.05",
         "Could not write output file #0 (/dev/full): No space left on device"},
        // More than that buffer (256 KiB for files): refused with a packet.
        {"mp3", "", "", "av_interleaved_write_frame(): No space left on device"},
    };
    for (const WriteFailureCase& c : cases) {
        SCOPED_TRACE(c.format);
        engine_->Prepare();
        OptionList options{{"f", c.format}, {"ab", "320k"}};
        if (*c.length != '\0') {
            options.emplace_back("t", c.length);
        }
        const fs::path source = *c.source != '\0' ? Fixture(c.source) : TranscodeClip(kTone10s);
        EXPECT_EQ(RunFailing({{source}, {}, options, "/dev/full"}), c.message);
        EXPECT_FALSE(engine_->Completed());
        EndTask();
    }
    EXPECT_TRUE(fs::exists("/dev/full"));
}

// Reports: none needed to finish, one final with file index -1; a stop
// request ends the loop at once and still leaves a finished file.
class ReportingEngine : public TFFmpeg {
public:
    explicit ReportingEngine(bool stop) : TFFmpeg(20), stop_(stop) {}
    int interim = 0;
    int finals = 0;

protected:
    void PrintReport(bool final, int file_index,
                     std::span<const TTranscodeOutputStream> streams) override {
        EXPECT_FALSE(streams.empty());
        if (final) {
            EXPECT_EQ(file_index, -1);
            ++finals;
            return;
        }
        ++interim;
        if (stop_) {
            RequestStop();
        }
    }

private:
    bool stop_;
};

TEST_F(TranscodeTest, StopRequestStillFinishesTheFile) {
    for (const bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "stopped" : "to the end");
        ReportingEngine engine(stop);
        engine.Prepare();
        // Rate emulation makes the run take as long as the clip plays.
        engine.SetOption("re", "1");
        ASSERT_TRUE(engine.OpenInputFile(TranscodeClip(kLoudWav).string()));
        const fs::path output = Out(stop ? "stopped.mp3" : "whole.mp3");
        ASSERT_GT(engine.OpenOutputFile(output.string(), false), 0);
        engine.Transcode();
        engine.FreeFiles();
        EXPECT_EQ(engine.finals, 1);
        EXPECT_EQ(engine.Completed(), !stop);
        // A stopped output is complete as a file, but not the whole of its
        // input: it never takes the final name.
        EXPECT_EQ(fs::exists(output), !stop);
        EXPECT_EQ(fs::exists(PartialName(output.string())), stop);
        const AudioAnalysis out =
            AnalyzeAudio(stop ? fs::path(PartialName(output.string())) : output);
        EXPECT_EQ(out.decode_errors, 0);
        // The clip lasts 1 s; a report is due every 0.5 s.
        if (stop) {
            EXPECT_EQ(engine.interim, 1);
            EXPECT_GT(out.duration_s, 0.3);
            EXPECT_LT(out.duration_s, 0.9);
        } else {
            EXPECT_GE(engine.interim, 1);
            EXPECT_NEAR(out.duration_s, 1.0, 0.06);
        }
    }
}

}  // namespace
}  // namespace v2m::test
