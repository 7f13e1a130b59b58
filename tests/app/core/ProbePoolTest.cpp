// The probe pool on generated media: the files' order whatever the workers,
// failures logged as adding one file after the other logs them, folder scans
// and empty lists, and a stop that ends the workers even while they wait for
// the main thread.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <tuple>

#include "AVProbe.h"
#include "CoreTestSupport.h"
#include "FFmpegLogger.h"
#include "FileList.h"
#include "FixtureGenerator.h"
#include "MainThread.h"
#include "ProbePool.h"
#include "TestSupport.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ScratchDir;

class ProbePoolTest : public ::testing::Test {
protected:
    ProbePoolTest() : dir_("probe-pool") {}

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(test::LoadConverterLibs());
        // With a handler the probe's messages wait for the main thread, as
        // they do in the window.
        FFLoggerInstance().SetOnLog([this](TFFBaseComponent*, uint32_t, TLogLevel,
                                           const std::string& line) { log_.push_back(line); });
    }
    void TearDown() override { FFLoggerInstance().SetOnLog(nullptr); }

    // A copy of the fixture in the test's folder; no fixture: a path to nothing.
    std::string Put(const char* fixture, const std::string& name) {
        if (fixture != nullptr) {
            fs::copy_file(test::Fixture(fixture), dir_.Path() / name);
        }
        return dir_.Folder() + name;
    }

    std::unique_ptr<TProbePool> Pool(TProbePool::TPathSource paths, size_t workers) {
        return std::make_unique<TProbePool>(
            std::move(paths),
            [this] {
                news_.store(true);
                Main().Wake();
            },
            workers);
    }

    // Everything the pool hands over, taken `group` at a time whenever it has
    // news, serving the main thread meanwhile: the window's way.
    std::vector<TProbeResult> TakeAll(TProbePool& pool, size_t group) {
        std::vector<TProbeResult> taken;
        while (!pool.Finished()) {
            // Only news wakes this loop, as only news wakes the window: a
            // lost one leaves it waiting.
            if (!Main().ServeUntil([this] { return news_.exchange(false); }, 30s)) {
                ADD_FAILURE() << "no news for 30 s, " << pool.Taken() << " taken";
                break;
            }
            for (;;) {
                std::vector<TProbeResult> ready = pool.TakeReady(group);
                EXPECT_LE(ready.size(), group);
                const bool full = ready.size() == group;
                for (TProbeResult& result : ready) {
                    taken.push_back(std::move(result));
                }
                if (!full) {
                    break;
                }
            }
        }
        return taken;
    }

    static QueuedMainThread& Main() { return dynamic_cast<QueuedMainThread&>(*MainThread()); }

    ScratchDir dir_;
    std::vector<std::string> log_;  // written on the main thread only
    std::atomic<bool> news_{false};
};

using TRowTexts = std::tuple<std::string, std::string, std::string, std::string>;

std::vector<TRowTexts> Texts(const TFileList& list) {
    std::vector<TRowTexts> texts;
    for (const TFileRow& row : list.Rows()) {
        texts.emplace_back(row.Data.FileName, row.Name, row.Duration, row.OriginalSize);
    }
    return texts;
}

TEST_F(ProbePoolTest, KeepsTheOrderAndLogsFailuresAsAddingOneByOneDoes) {
    // Readable clips of several kinds between a text named like a video, a
    // missing file and an empty one, four rounds, so that workers overtake
    // each other.
    const char* const kinds[] = {"avi_mpeg4_mp2.avi",    fixtures::kNotMedia,
                                 "mp4_h264_aac.mp4",     nullptr,
                                 "wav_pcm_48k_mono.wav", fixtures::kEmptyFile,
                                 "ts_start_10s.ts",      "mkv_ac3_51_two_audio.mkv"};
    std::vector<std::string> paths;
    std::vector<std::string> unreadable;
    for (int i = 0; i < 32; ++i) {
        const char* kind = kinds[i % std::size(kinds)];
        char name[64];
        std::snprintf(name, sizeof name, "%02d_%s", i, kind ? kind : "missing.avi");
        paths.push_back(Put(kind, name));
        if (kind == nullptr || kind == fixtures::kNotMedia || kind == fixtures::kEmptyFile) {
            unreadable.push_back(paths.back());
        }
    }
    TFileList expected_list;
    TAVProbe probe;
    const TAddResult expected = AddFiles(expected_list, paths, ProbeWith(probe), "mp3");
    probe.CloseFile();
    ASSERT_EQ(expected.Failed, unreadable.size());
    ASSERT_EQ(expected.LogLines.size(), 3 * unreadable.size());
    for (size_t i = 0; i < unreadable.size(); ++i) {
        EXPECT_NE(expected.LogLines[3 * i + 1].find(unreadable[i]), std::string::npos)
            << expected.LogLines[3 * i + 1];
    }

    const struct {
        size_t workers;
        size_t group;
    } cases[] = {{1, 1}, {2, 3}, {3, 32}, {8, 1000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.workers << " workers, groups of " << c.group);
        log_.clear();
        auto pool = Pool([paths] { return paths; }, c.workers);
        const std::vector<TProbeResult> results = TakeAll(*pool, c.group);
        ASSERT_EQ(results.size(), paths.size());
        EXPECT_EQ(pool->Total(), paths.size());

        TFileList list;
        TFileAdder adder(TAddCommand::AddFiles, list);
        for (size_t i = 0; i < results.size(); ++i) {
            EXPECT_EQ(results[i].Path, paths[i]);
            if (std::optional<TFileRow> row =
                    adder.Take(results[i].Path, results[i].Probed, "mp3")) {
                list.Append(std::move(*row));
            }
        }
        EXPECT_EQ(Texts(list), Texts(expected_list));
        EXPECT_EQ(adder.Result().LogLines, expected.LogLines);
        // The probe's own words about each unreadable file reached the log.
        for (const std::string& path : unreadable) {
            EXPECT_TRUE(std::any_of(log_.begin(), log_.end(), [&](const std::string& line) {
                return line.rfind(path, 0) == 0;
            })) << path;
        }
    }
}

TEST_F(ProbePoolTest, ListsTheFolderOnAWorkerAndFinishesWithNothingToProbe) {
    const std::string first = Put("mp4_h264_aac.mp4", "a.MP4");
    const std::string second = Put("avi_mpeg4_mp2.avi", "b.avi");
    Put("avi_mpeg4_mp2.avi", "notes.txt");
    const std::string folder = dir_.Path().string();
    const struct {
        const char* what;
        TProbePool::TPathSource source;
        std::vector<std::string> expected;
    } cases[] = {
        {"folder", [folder] { return AddFolderPlan(folder); }, {first, second}},
        {"missing folder", [folder] { return AddFolderPlan(folder + "/gone"); }, {}},
        {"no files", [] { return std::vector<std::string>{}; }, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto pool = Pool(c.source, 2);
        std::vector<std::string> probed;
        for (const TProbeResult& result : TakeAll(*pool, 10)) {
            EXPECT_TRUE(result.Probed.Loaded) << result.Path;
            probed.push_back(result.Path);
        }
        EXPECT_EQ(probed, c.expected);
        EXPECT_EQ(pool->Total(), c.expected.size());
        EXPECT_TRUE(pool->Finished());
    }
}

TEST_F(ProbePoolTest, StopEndsTheWorkersWhileTheyWaitForTheMainThread) {
    // Every file makes its probe log, and so wait for the main thread.
    std::vector<std::string> paths;
    for (int i = 0; i < 200; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "broken_%03d.avi", i);
        paths.push_back(Put(fixtures::kNotMedia, name));
    }
    const struct {
        const char* what;
        size_t take_first;
    } cases[] = {{"at once", 0}, {"after some results", 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        log_.clear();
        auto pool = Pool([paths] { return paths; }, 2);
        while (pool->Taken() < c.take_first) {
            ASSERT_TRUE(Main().ServeUntil([this] { return news_.exchange(false); }, 30s));
            pool->TakeReady(c.take_first - pool->Taken());
        }
        pool->Stop();
        EXPECT_TRUE(pool->Finished());
        EXPECT_TRUE(pool->TakeReady(paths.size()).empty());
        EXPECT_EQ(pool->Taken(), c.take_first);
        // Each file probed said so; the others were never started.
        const auto probed = std::count_if(log_.begin(), log_.end(), [&](const std::string& line) {
            return line.rfind(dir_.Folder() + "broken_", 0) == 0;
        });
        EXPECT_GE(static_cast<size_t>(probed), c.take_first);
        EXPECT_LT(static_cast<size_t>(probed), paths.size());
    }
}

}  // namespace
}  // namespace v2m
