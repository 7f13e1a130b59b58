// Creating, preparing and clearing engines; the lists and their capacities;
// the preview flags; codec names.

#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <chrono>
#include <fstream>
#include <thread>

#include "Assertions.h"
#include "EngineTestSupport.h"
#include "TestSupport.h"

namespace v2m {
namespace {

using namespace std::chrono_literals;
using test::EngineTest;
using test::MessageOf;

TEST(EngineCreateTest, CapacityMustLieBetweenOneAnd512) {
    test::LoadConverterLibs();
    for (int bad : {-1, 0, 513, 100000}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(TFFmpeg engine(bad), AssertionFailure);
    }
    for (int good : {1, 20, 512}) {
        SCOPED_TRACE(good);
        TFFmpeg engine(good);
        EXPECT_EQ(engine.MaxFiles(), good);
        engine.Prepare();
        EXPECT_EQ(engine.InputFileCount(), 0);
        EXPECT_EQ(engine.OutputFileCount(), 0);
    }
    try {
        TFFmpeg engine(0);
    } catch (const AssertionFailure& e) {
        EXPECT_EQ(e.Source(), "FFmpeg");
    }
}

TEST_F(EngineTest, PrepareMakesOneTemplatePerMediaTypeAndFreeFilesReleasesThem) {
    const TOptionContexts& contexts = engine_->OptionContexts();
    const AVMediaType types[] = {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_DATA,
                                 AVMEDIA_TYPE_SUBTITLE, AVMEDIA_TYPE_ATTACHMENT};
    for (int t = 0; t < kMediaTypeCount; ++t) {
        ASSERT_NE(contexts.Codecs[t], nullptr);
        EXPECT_EQ(contexts.Codecs[t]->codec_type, types[t]);
    }
    ASSERT_NE(contexts.Format, nullptr);
    ASSERT_NE(contexts.Scaler, nullptr);
    int64_t sws_flags = 0;
    ff::av_opt_get_int(contexts.Scaler.get(), "sws_flags", 0, &sws_flags);
    EXPECT_EQ(sws_flags, options().SwsFlags);
    EXPECT_EQ(engine_->ExpectedDuration(), -1);

    EXPECT_TRUE(engine_->SetGenericOption("g", "30"));
    engine_->FreeFiles();
    EXPECT_EQ(contexts.Codecs[0], nullptr);
    EXPECT_EQ(contexts.Format, nullptr);
    EXPECT_EQ(contexts.NameCount(), 0u);
    // Without templates nothing can take a library option.
    EXPECT_FALSE(engine_->SetGenericOption("g", "30"));
}

TEST_F(EngineTest, PrepareRestoresTheDefaultsOfEveryOptionFamily) {
    // One option of each kind, each moved away from its default.
    const std::pair<const char*, const char*> changes[] = {
        {"f", "mp3"},
        {"v", "3"},
        {"xerror", ""},
        {"t", "10"},
        {"adrift_threshold", "1"},
        {"s", "640x480"},
        {"padcolor", "0"},
        {"vcodec", "copy"},
        {"vtag", "XVID"},
        {"ar", "22050"},
        {"aq", "4"},
        {"vbsf", "null"},
        {"map", "0.1"},
        {"map_meta_data", "0:0"},
        {"metadata", "title=x"},
        {"itsscale", "1:2"},
        {"inter_matrix", "1"},
    };
    for (const auto& [name, value] : changes) {
        try {
            engine_->SetOption(name, value);
        } catch (const FFmpegException&) {
            // The short matrix fails part way, which still leaves a matrix behind.
        }
    }
    engine_->Prepare();

    const TEngineOptions& o = options();
    EXPECT_EQ(o.FormatName, "");
    EXPECT_EQ(o.Verbose, 1);
    EXPECT_FALSE(o.ExitOnError);
    EXPECT_EQ(o.RecordingTime, INT64_MAX);
    EXPECT_FLOAT_EQ(o.AudioDriftThreshold, 0.1f);
    EXPECT_EQ(o.FrameWidth, 0);
    EXPECT_EQ(o.PadColorY, 16);
    EXPECT_FALSE(o.VideoStreamCopy);
    EXPECT_EQ(o.VideoCodecTag, 0u);
    EXPECT_EQ(o.AudioSampleRate, 44100);
    EXPECT_FLOAT_EQ(o.AudioQScale, -99999.0f);
    EXPECT_TRUE(o.VideoBitstreamFilters.empty());
    EXPECT_FALSE(o.InterMatrix.has_value());
    EXPECT_EQ(engine_->StreamMapCount(), 0);
    EXPECT_EQ(engine_->MetaDataMapCount(), 0);
    EXPECT_EQ(engine_->MetadataCount(), 0);
    EXPECT_EQ(engine_->InputTsScale(0, 1), 0.0);
    EXPECT_EQ(engine_->ExpectedDuration(), -1);
    EXPECT_FALSE(engine_->Running() || engine_->StopRequested() || engine_->Completed() ||
                 engine_->Terminated() || engine_->JoinMode());
}

TEST_F(EngineTest, FreeFilesDropsWhatBelongsToTheTasksFiles) {
    engine_->SetOption("vcodec", "mpeg4");
    engine_->SetOption("acodec", "mp2");
    engine_->SetOption("scodec", "dvbsub");
    engine_->SetOption("tvstd", "pal");
    engine_->SetOption("rc_override", "0,10,5");
    engine_->SetOption("vstats_file", "stats.log");
    engine_->SetOption("vlang", "eng");
    engine_->SetOption("alang", "ger");
    engine_->SetOption("slang", "fre");
    engine_->SetOption("stag", "abcd");
    engine_->SetOption("vtag", "XVID");
    engine_->SetOption("inter_matrix", test::MatrixText(64));
    engine_->SetOption("s", "320x240");
    engine_->FreeFiles();

    const TEngineOptions& o = options();
    EXPECT_EQ(o.VideoCodecName, "");
    EXPECT_EQ(o.AudioCodecName, "");
    EXPECT_EQ(o.SubtitleCodecName, "");
    EXPECT_FALSE(o.VideoStandard.has_value());
    EXPECT_FALSE(o.VideoRcOverride.has_value());
    EXPECT_FALSE(o.VStatsFileName.has_value());
    EXPECT_FALSE(o.InterMatrix.has_value());
    EXPECT_EQ(o.VideoLanguage, "");
    EXPECT_EQ(o.AudioLanguage, "");
    EXPECT_EQ(o.SubtitleLanguage, "");
    EXPECT_EQ(o.SubtitleCodecTag, 0u);
    // Other pending options stay for the next file.
    EXPECT_EQ(o.VideoCodecTag, 0x44495658u);
    EXPECT_EQ(o.FrameWidth, 320);
}

TEST(EngineCapacityTest, MapsAreRejectedOnceTheirListIsFull) {
    test::LoadConverterLibs();
    for (int files : {1, 3}) {
        SCOPED_TRACE(files);
        TFFmpeg engine(files);
        engine.Prepare();
        for (int i = 0; i < files * kMaxStreams; ++i) {
            engine.SetOption("map", "0." + std::to_string(i % kMaxStreams));
        }
        EXPECT_EQ(engine.StreamMapCount(), files * kMaxStreams);
        EXPECT_EQ(MessageOf<FFmpegException>([&] { engine.SetOption("map", "0.0"); }),
                  "Too many stream maps");
        EXPECT_EQ(engine.StreamMapCount(), files * kMaxStreams);

        for (int i = 0; i < files; ++i) {
            engine.SetOption("map_meta_data", std::to_string(i) + ":0");
        }
        EXPECT_EQ(MessageOf<FFmpegException>([&] { engine.SetOption("map_meta_data", "0:0"); }),
                  "Too many meta data maps");
        EXPECT_EQ(engine.MetaDataMapCount(), files);
    }
}

TEST_F(EngineTest, CodecNamesAreCheckedForTheirMediaType) {
    struct Case {
        std::string name;
        AVMediaType type;
        bool encoder;
        bool ok;
        std::string error;
    };
    const Case cases[] = {
        {"", AVMEDIA_TYPE_AUDIO, true, true, ""},
        {"mp2", AVMEDIA_TYPE_AUDIO, true, true, ""},
        {"mpeg4", AVMEDIA_TYPE_VIDEO, false, true, ""},
        {"nosuchcodec", AVMEDIA_TYPE_AUDIO, true, false, "Unknown encoder 'nosuchcodec'"},
        {"nosuchcodec", AVMEDIA_TYPE_AUDIO, false, false, "Unknown decoder 'nosuchcodec'"},
        {"mpeg4", AVMEDIA_TYPE_AUDIO, true, false, "Invalid encoder type 'mpeg4'"},
        {"mp3", AVMEDIA_TYPE_VIDEO, false, false, "Invalid decoder type 'mp3'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AVCodecID id = AV_CODEC_ID_PROBE;
        const AVCodec* codec = nullptr;
        EXPECT_EQ(engine_->FindCodecByName(c.name, c.type, c.encoder, id, &codec), c.ok);
        if (!c.ok) {
            EXPECT_EQ(engine_->LastErrorText(), c.error);
            EXPECT_EQ(id, AV_CODEC_ID_NONE);
        } else if (c.name.empty()) {
            EXPECT_EQ(id, AV_CODEC_ID_NONE);
            EXPECT_EQ(codec, nullptr);
        } else {
            ASSERT_NE(codec, nullptr);
            EXPECT_EQ(codec->id, id);
            EXPECT_EQ(codec->type, c.type);
        }
    }
}

TEST_F(EngineTest, DirectSettersApplyOnlyUnderTheirGuards) {
    using Options = TEngineOptions;
    struct Case {
        const char* what;
        std::function<void(TCustomFFmpeg&)> refused;
        std::function<void(TCustomFFmpeg&)> applied;
        std::function<int64_t(const Options&)> field;
        int64_t expected;
    };
    const Case cases[] = {
        {"StartTime", [](auto& e) { e.SetStartTime(kNoTime); },
         [](auto& e) { e.SetStartTime(1500000); }, [](auto& o) { return o.StartTime; }, 1500000},
        {"RecordingTime", [](auto& e) { e.SetRecordingTime(kNoTime); },
         [](auto& e) { e.SetRecordingTime(30000000); }, [](auto& o) { return o.RecordingTime; },
         30000000},
        {"ProgramId", [](auto& e) { e.SetProgramId(-1); }, [](auto& e) { e.SetProgramId(0); },
         [](auto& o) { return o.ProgramId; }, 0},
        {"AudioVolume", [](auto& e) { e.SetAudioVolume(-1); }, [](auto& e) { e.SetAudioVolume(0); },
         [](auto& o) { return o.AudioVolume; }, 0},
        {"AudioChannels", [](auto& e) { e.SetAudioChannels(0); },
         [](auto& e) { e.SetAudioChannels(1); }, [](auto& o) { return o.AudioChannels; }, 1},
        {"AudioSampleRate", [](auto& e) { e.SetAudioSampleRate(-1); },
         [](auto& e) { e.SetAudioSampleRate(48000); }, [](auto& o) { return o.AudioSampleRate; },
         48000},
        {"MuxMaxDelay", [](auto& e) { e.SetMuxMaxDelay(0); },
         [](auto& e) { e.SetMuxMaxDelay(1.25); },
         [](auto& o) { return std::llround(o.MuxMaxDelay * 100); }, 125},
        {"MuxPreload", [](auto& e) { e.SetMuxPreload(-1); }, [](auto& e) { e.SetMuxPreload(0.25); },
         [](auto& o) { return std::llround(o.MuxPreload * 100); }, 25},
        {"PadRight", [](auto& e) { e.SetPadRight(-1); }, [](auto& e) { e.SetPadRight(16); },
         [](auto& o) { return o.PadRight; }, 16},
        {"AudioCodecTag", [](auto& e) { e.SetAudioTag(""); },
         [](auto& e) { e.SetAudioTag("mp4a"); }, [](auto& o) { return o.AudioCodecTag; },
         0x6134706d},
        {"VideoFilters", [](auto& e) { e.SetVideoFilters(""); },
         [](auto& e) { e.SetVideoFilters("hflip"); },
         [](auto& o) { return static_cast<int64_t>(o.VideoFilters.size()); }, 5},
        {"FormatName", [](auto& e) { e.SetFormat(""); }, [](auto& e) { e.SetFormat("wav"); },
         [](auto& o) { return static_cast<int64_t>(o.FormatName.size()); }, 3},
        {"AudioCodecName", [](auto& e) { e.SetAudioCodec(""); },
         [](auto& e) { e.SetAudioCodec("mp2"); },
         [](auto& o) { return static_cast<int64_t>(o.AudioCodecName.size()); }, 3},
        {"AudioSyncMethod", [](auto&) {}, [](auto& e) { e.SetAudioSyncMethod(-3); },
         [](auto& o) { return o.AudioSyncMethod; }, -3},
        {"Verbose", [](auto&) {}, [](auto& e) { e.SetVerbose(-1); },
         [](auto& o) { return o.Verbose; }, -1},
    };
    const TEngineOptions defaults;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.refused(*engine_);
        EXPECT_EQ(c.field(options()), c.field(defaults));
        c.applied(*engine_);
        EXPECT_EQ(c.field(options()), c.expected);
    }
    EXPECT_EQ(engine_->ExpectedDuration(), 30000000);

    engine_->SetGenericIntOption("g", 48);
    EXPECT_EQ(engine_->OptionContexts().Codecs[AVMEDIA_TYPE_VIDEO]->gop_size, 48);
    engine_->AddMetadata("", "");
    engine_->AddMetadata("year", "2010");
    ASSERT_EQ(engine_->MetadataCount(), 2);
    EXPECT_EQ(engine_->Metadata()[1], std::make_pair(std::string("year"), std::string("2010")));
}

TEST_F(EngineTest, PreviewFlagsChangeOnlyUnderTheProcessWideLock) {
    std::unique_lock held(PreviewLock());
    std::atomic<bool> done{false};
    std::thread setter([&] {
        engine_->SetPreviewFlags(kPreviewWindowFlag | kPreviewBitmapFlag);
        done = true;
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(done.load());
    EXPECT_EQ(engine_->PreviewFlags(), 0);
    held.unlock();
    setter.join();
    EXPECT_EQ(engine_->PreviewFlags(), kPreviewWindowFlag | kPreviewBitmapFlag);
}

TEST_F(EngineTest, PreviewFlagsFromTwoThreadsStayWholeValues) {
    // Two engines share the lock; each thread toggles its own engine and the
    // other's, so both setters run against each other all the time.
    TFFmpeg other(20);
    other.Prepare();
    constexpr int kRounds = 20000;
    auto toggle = [&](uint8_t a, uint8_t b) {
        for (int i = 0; i < kRounds; ++i) {
            engine_->SetPreviewFlags(i % 2 == 0 ? a : b);
            other.SetPreviewFlags(i % 2 == 0 ? b : a);
        }
    };
    std::thread first(toggle, uint8_t{1}, uint8_t{2});
    std::thread second(toggle, uint8_t{3}, uint8_t{0});
    first.join();
    second.join();
    for (uint8_t flags : {engine_->PreviewFlags(), other.PreviewFlags()}) {
        EXPECT_TRUE(flags == 0 || flags == 1 || flags == 2 || flags == 3) << int(flags);
    }
    engine_->SetPreviewFlags(2);
    EXPECT_EQ(engine_->PreviewFlags(), 2);
}

size_t HeapInUse() {
    return ::mallinfo2().uordblks;
}

size_t ResidentPages() {
    std::ifstream statm("/proc/self/statm");
    size_t total = 0;
    size_t resident = 0;
    statm >> total >> resident;
    return resident;
}

TEST_F(EngineTest, RepeatedTasksDoNotGrowTheHeap) {
    auto one_task = [this] {
        engine_->Prepare();
        engine_->SetOption("g", "12");
        engine_->SetOption("ab", "128000");
        engine_->SetOption("vb", "400000");
        engine_->SetOption("acodec", "libmp3lame");
        engine_->SetOption("joint_stereo", "0");
        engine_->SetOption("vcodec", "mpeg4");
        engine_->SetOption("vbsf", "null");
        engine_->SetOption("absf", "null");
        engine_->SetOption("intra_matrix", test::MatrixText(64, 8));
        engine_->SetOption("metadata", "title=Test");
        engine_->SetOption("map", "0.1:0.1");
        engine_->SetOption("vstats", "");
        engine_->SetOption("rc_override", "0,10,5");
        engine_->SetOption("s", "640x480");
        engine_->FreeFiles();
    };
    auto attempt = [&](int rounds) {
        for (int i = 0; i < rounds; ++i) {
            one_task();
        }
    };
    attempt(500);  // warm-up: library caches, allocator arenas
    const size_t heap_before = HeapInUse();
    const size_t pages_before = ResidentPages();
    attempt(10000);
    const size_t heap_after = HeapInUse();
    const size_t pages_after = ResidentPages();
    const long page_kb = ::sysconf(_SC_PAGESIZE) / 1024;
    EXPECT_LT(heap_after, heap_before + 256 * 1024)
        << "heap grew from " << heap_before << " to " << heap_after << " bytes";
    EXPECT_LT(pages_after, pages_before + 1024 / page_kb * 2)
        << "resident set grew from " << pages_before << " to " << pages_after << " pages";
}

}  // namespace
}  // namespace v2m
