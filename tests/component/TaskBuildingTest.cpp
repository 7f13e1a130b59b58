// Building tasks from records: what each field does to the engine and to the
// files it creates, the order of the option phases, the list and its limits.

#include <cmath>
#include <ctime>
#include <functional>

#include "AudioAnalysis.h"
#include "ComponentTestSupport.h"
#include "FixtureGenerator.h"
#include "MyUtils.h"

namespace v2m::test {
namespace {

using fixtures::AnalyzeAudio;

std::string MetadataOf(const AVFormatContext* file, const char* key) {
    const AVDictionaryEntry* entry = ff::av_dict_get(file->metadata, key, nullptr, 0);
    return entry != nullptr ? entry->value : "";
}

const AVCodecContext* FirstEncoder(TFFmpegTask* task) {
    const TOutputStream* stream = task->FindOutputStream(task->OutputFile(0), 0);
    return stream != nullptr ? stream->Codec.get() : nullptr;
}

class TaskBuildingTest : public ComponentTest {};

TEST_F(TaskBuildingTest, AddTaskFillsTheRecordAndAttachesAProbeToTheInput) {
    TInputOptions input;
    const std::string clip = SharedClip(kTone3s).string();
    const int index = converter_->AddTask(clip, &input);
    ASSERT_EQ(index, 0) << converter_->LastError();
    EXPECT_EQ(input.FileName, clip);

    TFFmpegTask* task = converter_->Task(index);
    ASSERT_NE(task, nullptr);
    EXPECT_EQ(task->MaxFiles(), 20);
    ASSERT_NE(task->InputRecord(0), nullptr);
    EXPECT_EQ(task->InputRecord(0)->FileName, clip);
    TAVProbe* probe = task->Probe(0);
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(probe->Context(), task->InputFile(0));
    EXPECT_FALSE(probe->OwnsContext());
    EXPECT_EQ(probe->AudioStreamCount(), 1);
    TFileStreamInfo info;
    probe->GetFileStreamInfo(info);
    EXPECT_NEAR(static_cast<double>(info.Duration) / 1e6, 3.0, 0.05);
}

TEST_F(TaskBuildingTest, InputExtOptionsApplyBeforeTheInputOpens) {
    // "vn" belongs to the last phase and still reaches the input.
    for (const bool disable : {false, true}) {
        SCOPED_TRACE(disable);
        TInputOptions input;
        input.ExtOptions = disable ? "vn=1" : "";
        const int index = converter_->AddTask(SharedClip(kVideoClip).string(), &input);
        ASSERT_GE(index, 0) << converter_->LastError();
        const AVFormatContext* file = converter_->Task(index)->InputFile(0);
        int video_seen = 0;
        for (unsigned i = 0; i < file->nb_streams; ++i) {
            if (file->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
                ++video_seen;
                EXPECT_EQ(file->streams[i]->discard == AVDISCARD_ALL, disable);
            }
        }
        EXPECT_EQ(video_seen, 1);
    }
}

struct MappingCase {
    const char* name;
    std::function<void(TOutputOptions&)> fill;
    std::function<void(TFFmpegTask*, const AVCodecContext*)> check;
};

TEST_F(TaskBuildingTest, OutputFieldsAndPhasesReachTheCreatedOutput) {
    const std::vector<MappingCase> cases = {
        {"defaults leave the input's format", [](TOutputOptions&) {},
         [](TFFmpegTask* task, const AVCodecContext* codec) {
             EXPECT_EQ(codec->sample_rate, 44100);
             EXPECT_EQ(codec->ch_layout.nb_channels, 2);
             EXPECT_EQ(task->Options().AudioVolume, 256);
             EXPECT_EQ(task->ExpectedDuration(), 3000000);
             EXPECT_EQ(task->Options().RecordingTimestamp, 0);
         }},
        {"rate, channels and bit rate",
         [](TOutputOptions& o) {
             o.AudioSampleRate = 22050;
             o.AudioChannels = 1;
             o.AudioBitrate = 96000;
         },
         [](TFFmpegTask*, const AVCodecContext* codec) {
             EXPECT_EQ(codec->sample_rate, 22050);
             EXPECT_EQ(codec->ch_layout.nb_channels, 1);
             EXPECT_EQ(codec->bit_rate, 96000);
         }},
        {"codec and bit rate lines of one text take their own phases",
         [](TOutputOptions& o) { o.ExtOptions = "acodec=mp2<CRLF>ab=64000"; },
         [](TFFmpegTask*, const AVCodecContext* codec) {
             EXPECT_EQ(codec->codec_id, AV_CODEC_ID_MP2);
             EXPECT_EQ(codec->bit_rate, 64000);
         }},
        {"the codec field overrides the text's codec",
         [](TOutputOptions& o) {
             o.ExtOptions = "acodec=mp2<CRLF>ab=64000";
             o.AudioCodec = "libmp3lame";
         },
         [](TFFmpegTask*, const AVCodecContext* codec) {
             EXPECT_EQ(codec->codec_id, AV_CODEC_ID_MP3);
             EXPECT_EQ(codec->bit_rate, 64000);
         }},
        {"fields come after the text's last phase",
         [](TOutputOptions& o) {
             o.ExtOptions = "ac=1\r\nar=8000";
             o.AudioChannels = 2;
         },
         [](TFFmpegTask*, const AVCodecContext* codec) {
             EXPECT_EQ(codec->ch_layout.nb_channels, 2);
             EXPECT_EQ(codec->sample_rate, 8000);
         }},
        {"a capital NEWAUDIO adds a stream once the output exists",
         [](TOutputOptions& o) { o.ExtOptions = "NEWAUDIO="; },
         [](TFFmpegTask* task, const AVCodecContext*) {
             EXPECT_EQ(task->OutputFile(0)->nb_streams, 2u);
         }},
        {"volume 0 is applied", [](TOutputOptions& o) { o.AudioVolume = 0; },
         [](TFFmpegTask* task, const AVCodecContext*) {
             EXPECT_EQ(task->Options().AudioVolume, 0);
         }},
        {"recording time is the task's duration",
         [](TOutputOptions& o) { o.RecordingTime = 1000000; },
         [](TFFmpegTask* task, const AVCodecContext*) {
             EXPECT_EQ(task->ExpectedDuration(), 1000000);
             EXPECT_EQ(task->Options().RecordingTime, 1000000);
         }},
        {"stream info becomes the output's tags",
         [](TOutputOptions& o) {
             o.Info.Year = 2019;
             o.Info.Track = 7;
             o.Info.Title = "Title";
             o.Info.Author = "Author";
             o.Info.Album = "Album";
             o.Info.Genre = "Genre";
         },
         [](TFFmpegTask* task, const AVCodecContext*) {
             const AVFormatContext* file = task->OutputFile(0);
             EXPECT_EQ(MetadataOf(file, "year"), "2019");
             EXPECT_EQ(MetadataOf(file, "track"), "7");
             EXPECT_EQ(MetadataOf(file, "title"), "Title");
             EXPECT_EQ(MetadataOf(file, "author"), "Author");
             EXPECT_EQ(MetadataOf(file, "album"), "Album");
             EXPECT_EQ(MetadataOf(file, "genre"), "Genre");
             EXPECT_EQ(MetadataOf(file, "comment"), "");
         }},
        {"languages and sync go through as given",
         [](TOutputOptions& o) {
             o.AudioLanguage = "eng";
             o.AudioSync = 1;
             o.InputSync = true;
             o.CopyTimestamps = true;
         },
         [](TFFmpegTask* task, const AVCodecContext*) {
             EXPECT_EQ(task->Options().AudioSyncMethod, 1);
             EXPECT_TRUE(task->Options().InputSync);
             EXPECT_TRUE(task->Options().CopyTs);
             const AVStream* stream = task->OutputFile(0)->streams[0];
             const AVDictionaryEntry* language =
                 ff::av_dict_get(stream->metadata, "language", nullptr, 0);
             ASSERT_NE(language, nullptr);
             EXPECT_STREQ(language->value, "eng");
         }},
    };
    for (const MappingCase& c : cases) {
        SCOPED_TRACE(c.name);
        TOutputOptions output;
        c.fill(output);
        const int index = AddJob(kTone3s, "mkv", &output);
        ASSERT_GE(index, 0);
        TFFmpegTask* task = converter_->Task(index);
        ASSERT_NE(task->OutputRecord(0), nullptr);
        EXPECT_FALSE(task->OutputRecord(0)->FileName.empty());
        const AVCodecContext* codec = FirstEncoder(task);
        ASSERT_NE(codec, nullptr);
        c.check(task, codec);
    }
}

TEST_F(TaskBuildingTest, TimestampStampsTheTimeOfSetOutputFile) {
    const int64_t stamp = 1600000000;
    struct Case {
        TDateTime value;
        bool now;  // the time of SetOutputFile
        int64_t expected;
    };
    for (const Case& c :
         {Case{0.0, true, 0}, Case{UnixTimeToLocal(stamp), false, stamp}, Case{-1.0, false, 0}}) {
        SCOPED_TRACE(c.value);
        TOutputOptions output;
        output.Info.Timestamp = c.value;
        const int64_t before = std::time(nullptr);
        const int index = AddJob(kTone3s, "mkv", &output);
        const int64_t after = std::time(nullptr);
        ASSERT_GE(index, 0);
        const int64_t sent = converter_->Task(index)->Options().RecordingTimestamp;
        if (c.now) {
            EXPECT_GE(sent, before);
            EXPECT_LE(sent, after);
        } else {
            EXPECT_EQ(sent, c.expected);
        }
        EXPECT_EQ(MetadataOf(converter_->Task(index)->OutputFile(0), "creation_time").empty(),
                  c.value < 0);
    }
}

TEST_F(TaskBuildingTest, SystemColoursResolveLikeTheirPlainValue) {
    struct Case {
        TColor color;
        TColor plain;
    };
    const std::vector<Case> cases = {
        {0x0000FF, 0x0000FF},                // red stays red
        {kSystemColorFlag | 5, 0xFFFFFF},    // window: white
        {kSystemColorFlag | 15, 0xF0F0F0},   // button face
        {kSystemColorFlag | 8, 0x000000},    // window text
        {kSystemColorFlag | 200, 0x000000},  // unknown role
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.color);
        EXPECT_EQ(ResolveColor(c.color), c.plain);
        TOutputOptions with_color;
        with_color.PadColor = c.color;
        TOutputOptions plain;
        plain.PadColor = c.plain;
        const TEngineOptions& a = converter_->Task(AddJob(kTone3s, "mkv", &with_color))->Options();
        const TEngineOptions& b = converter_->Task(AddJob(kTone3s, "mkv", &plain))->Options();
        EXPECT_EQ(a.PadColorY, b.PadColorY);
        EXPECT_EQ(a.PadColorU, b.PadColorU);
        EXPECT_EQ(a.PadColorV, b.PadColorV);
    }
}

TEST_F(TaskBuildingTest, RemovingTaskZeroShiftsTheOthersDown) {
    std::vector<TFFmpegTask*> tasks;
    for (int i = 0; i < 3; ++i) {
        tasks.push_back(converter_->Task(AddJob(kTone3s, "mkv")));
    }
    converter_->RemoveTask(0);
    ASSERT_EQ(converter_->TaskCount(), 2);
    EXPECT_EQ(converter_->Task(0), tasks[1]);
    EXPECT_EQ(converter_->Task(1), tasks[2]);
    EXPECT_EQ(tasks[1]->TaskIndex(), 0);
    EXPECT_EQ(tasks[2]->TaskIndex(), 1);
    // Out of range: no effect.
    converter_->RemoveTask(2);
    converter_->RemoveTask(-1);
    EXPECT_EQ(converter_->TaskCount(), 2);
}

TEST_F(TaskBuildingTest, FailuresReportByResultAndLastError) {
    const int good = AddJob(kTone3s, "mkv");
    struct Case {
        const char* name;
        std::function<bool()> call;  // true when the operation succeeded
        std::string error;           // expected LastError; "*" any non-empty text
    };
    const std::vector<Case> cases = {
        {"missing input", [&] { return converter_->AddTask(Out("missing.wav").string()) >= 0; },
         "*"},
        {"input claiming 1 Hz",
         [&] { return converter_->AddTask(Fixture(fixtures::kOneHertzWav).string()) >= 0; },
         Fixture(fixtures::kOneHertzWav).string() +
             ": Unsupported sample rate 1 Hz: not a media file we can play or convert"},
        {"malformed input option",
         [&] {
             TInputOptions input;
             input.ExtOptions = "ss=not-a-time";
             return converter_->AddTask(SharedClip(kTone3s).string(), &input) >= 0;
         },
         "*"},
        {"index past the list", [&] { return converter_->SetOutputFile(7, Out("x.mkv").string()); },
         "Task index 7 out of range"},
        {"negative index", [&] { return converter_->SetOutputFile(-1, Out("x.mkv").string()); },
         "Task index -1 out of range"},
        {"unknown output format",
         [&] {
             TOutputOptions o;
             o.FileFormat = "no-such-format";
             return converter_->SetOutputFile(good, Out("x.mkv").string(), &o);
         },
         "Requested output format 'no-such-format' is not a suitable output format"},
        {"malformed output option",
         [&] {
             TOutputOptions o;
             o.ExtOptions = "ar=abc";
             return converter_->SetOutputFile(good, Out("y.mkv").string(), &o);
         },
         "*"},
        {"output folder missing",
         [&] {
             TOutputOptions o;
             o.AudioCodec = "flac";
             o.AudioSampleRate = 8000;
             return converter_->SetOutputFile(good, Out("none/z.mka").string(), &o);
         },
         "Could not open '" + Out("none/z.mka").string() + "': No such file or directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(c.call());
        if (c.error == "*") {
            EXPECT_FALSE(converter_->LastError().empty());
        } else {
            EXPECT_EQ(converter_->LastError(), c.error);
        }
    }
    // The failed outputs left the task as it was, and in the list.
    EXPECT_EQ(converter_->TaskCount(), 1);
    EXPECT_EQ(converter_->Task(good)->OutputFileCount(), 1);
    // Nor do their settings reach the next output of the task.
    ASSERT_TRUE(converter_->SetOutputFile(good, Out("next.mp3").string()))
        << converter_->LastError();
    const TOutputStream* next =
        converter_->Task(good)->FindOutputStream(converter_->Task(good)->OutputFile(1), 0);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->Codec->codec_id, AV_CODEC_ID_MP3);
    EXPECT_NE(next->Codec->sample_rate, 8000);

    // The limit, on a fresh task.
    const int full = AddJob(kTone3s, "mkv");
    for (int i = 1; i < 20; ++i) {
        ASSERT_TRUE(converter_->SetOutputFile(full, Out(std::to_string(i) + ".mkv").string()))
            << converter_->LastError();
    }
    EXPECT_FALSE(converter_->SetOutputFile(full, Out("21.mkv").string()));
    EXPECT_EQ(converter_->LastError(), "max output files 20 reached");
}

TEST_F(TaskBuildingTest, ACodecTagOfTheWrongLengthIsAnOptionError) {
    const int task = AddJob(kTone3s, "mkv");
    struct Case {
        const char* name;
        std::function<void(TOutputOptions&)> fill;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"record field, short", [](TOutputOptions& o) { o.AudioTag = "mp3"; },
         "audio tag parameter must be 4 chars: \"mp3\""},
        {"record field, long", [](TOutputOptions& o) { o.VideoTag = "XVID1"; },
         "video tag parameter must be 4 chars: \"XVID1\""},
        {"option text", [](TOutputOptions& o) { o.ExtOptions = "ar=8000\natag=ab"; },
         "audio tag parameter must be 4 chars: \"ab\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TOutputOptions o;
        c.fill(o);
        EXPECT_FALSE(converter_->SetOutputFile(task, Out("tag.mka").string(), &o));
        EXPECT_EQ(converter_->LastError(), c.error);
        EXPECT_EQ(converter_->Task(task)->OutputFileCount(), 1);
    }
    // Nothing of the refused outputs reaches the next one.
    ASSERT_TRUE(converter_->SetOutputFile(task, Out("next.mka").string()))
        << converter_->LastError();
    const TOutputStream* next =
        converter_->Task(task)->FindOutputStream(converter_->Task(task)->OutputFile(1), 0);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->Codec->codec_tag, 0u);
    EXPECT_NE(next->Codec->sample_rate, 8000);
}

TEST_F(TaskBuildingTest, AnOutputWithoutRecordKeepsTheDefaults) {
    const int index = AddJob(kTone3s, "mkv");
    const TOutputOptions* kept = converter_->Task(index)->OutputRecord(0);
    ASSERT_NE(kept, nullptr);
    EXPECT_FALSE(kept->Join);
    EXPECT_TRUE(kept->AudioCodec.empty());
    EXPECT_FALSE(converter_->Task(index)->JoinMode());
}

TEST_F(TaskBuildingTest, BuildingIsRefusedWhileWorkingUntilCleared) {
    AddJob(kBlip, "wav");
    converter_->StartTask(0);
    ASSERT_TRUE(converter_->Working());
    ASSERT_TRUE(converter_->Finalized());
    const std::vector<std::pair<std::string, std::function<void()>>> operations = {
        {"AddTask", [&] { converter_->AddTask(SharedClip(kBlip).string()); }},
        {"SetOutputFile", [&] { converter_->SetOutputFile(0, Out("again.wav").string()); }},
        {"RemoveTask", [&] { converter_->RemoveTask(0); }},
        {"StartTask", [&] { converter_->StartTask(0); }},
    };
    for (const auto& [name, call] : operations) {
        SCOPED_TRACE(name);
        try {
            call();
            ADD_FAILURE() << "nothing raised";
        } catch (const EFFConverterError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot " + name + " while working.");
        }
    }
    converter_->ClearTasks();
    EXPECT_FALSE(converter_->Working());
    EXPECT_EQ(converter_->TaskCount(), 0);
    EXPECT_EQ(converter_->NextTask(), -1);
    EXPECT_EQ(AddJob(kBlip, "wav"), 0);
}

struct ConversionCase {
    const char* name;
    std::function<void(TOutputOptions&)> fill;
    std::function<void(const fixtures::AudioAnalysis&)> check;
};

TEST_F(TaskBuildingTest, RecordsShapeTheConvertedAudio) {
    const std::vector<ConversionCase> cases = {
        {"volume -1 leaves the level", [](TOutputOptions& o) { o.AudioVolume = -1; },
         [](const fixtures::AudioAnalysis& a) {
             EXPECT_NEAR(a.Loudest().peak_dbfs, fixtures::AmplitudeToDb(0.5), 0.5);
             EXPECT_NEAR(a.Loudest().frequency_hz, 1000.0, 10.0);
         }},
        {"volume 0 is silence", [](TOutputOptions& o) { o.AudioVolume = 0; },
         [](const fixtures::AudioAnalysis& a) {
             EXPECT_EQ(a.Loudest().peak_dbfs, fixtures::kSilenceDb);
         }},
        {"rate and channels",
         [](TOutputOptions& o) {
             o.AudioSampleRate = 22050;
             o.AudioChannels = 1;
         },
         [](const fixtures::AudioAnalysis& a) {
             EXPECT_EQ(a.sample_rate, 22050);
             EXPECT_EQ(a.channels, 1);
             EXPECT_NEAR(a.Loudest().frequency_hz, 1000.0, 10.0);
         }},
        {"start and recording time",
         [](TOutputOptions& o) {
             o.StartTime = 1000000;
             o.RecordingTime = 1000000;
         },
         [](const fixtures::AudioAnalysis& a) { EXPECT_NEAR(a.duration_s, 1.0, 0.05); }},
    };
    std::vector<std::string> outputs;
    for (const ConversionCase& c : cases) {
        TOutputOptions output;
        c.fill(output);
        const int index = AddJob(kTone3s, "wav", &output);
        ASSERT_GE(index, 0);
        outputs.push_back(converter_->Task(index)->OutputRecord(0)->FileName);
    }
    RecordTerminates();
    converter_->StartTask(0);
    for (const TerminateRecord& record : Terminates()) {
        EXPECT_FALSE(record.info.Failed) << record.info.ErrorMessage;
    }
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        cases[i].check(fixtures::AnalyzeAudio(outputs[i]));
    }
}

}  // namespace
}  // namespace v2m::test
