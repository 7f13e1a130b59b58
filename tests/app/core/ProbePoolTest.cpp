// The probe pool on generated media: the files' order whatever the workers,
// the failure lines of adding one by one, and a stop that ends workers
// waiting for the main thread. (The window's tests add folders and lists
// with nothing to probe through it.)

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <tuple>

#include "AVProbe.h"
#include "CoreTestSupport.h"
#include "FFmpegLogger.h"
#include "FixtureGenerator.h"
#include "MainThread.h"
#include "ProbePool.h"
#include "TestSupport.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ProbePoolTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(test::LoadConverterLibs());
        // With a handler the probe's messages wait for the main thread, as in the window.
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
    bool AwaitNews() {
        return Main().ServeUntil([this] { return news_.exchange(false); }, 30s);
    }
    // Everything, `group` at a time whenever there is news: the window's way.
    // Only news wakes it, so a lost one fails the test.
    std::vector<TProbeResult> TakeAll(TProbePool& pool, size_t group) {
        std::vector<TProbeResult> taken;
        while (!pool.Finished() && AwaitNews()) {
            for (size_t got = group; got == group;) {
                std::vector<TProbeResult> ready = pool.TakeReady(group);
                got = ready.size();
                std::move(ready.begin(), ready.end(), std::back_inserter(taken));
            }
        }
        EXPECT_TRUE(pool.Finished()) << "no news for 30 s";
        return taken;
    }
    static QueuedMainThread& Main() { return dynamic_cast<QueuedMainThread&>(*MainThread()); }

    test::ScratchDir dir_{"probe-pool"};
    std::vector<std::string> log_;  // written on the main thread only
    std::atomic<bool> news_{false};
};

std::vector<std::tuple<std::string, std::string, std::string>> Texts(const TFileList& list) {
    std::vector<std::tuple<std::string, std::string, std::string>> texts;
    for (const TFileRow& row : list.Rows()) {
        texts.emplace_back(row.Data.FileName, row.Duration, row.OriginalSize);
    }
    return texts;
}

TEST_F(ProbePoolTest, KeepsTheOrderAndLogsFailuresAsAddingOneByOneDoes) {
    // Clips of several kinds between a text named like a video, a missing and
    // an empty file, four rounds, so that workers overtake each other.
    const char* const kinds[] = {"avi_mpeg4_mp2.avi",    fixtures::kNotMedia,
                                 "mp4_h264_aac.mp4",     nullptr,
                                 "wav_pcm_48k_mono.wav", fixtures::kEmptyFile,
                                 "ts_start_10s.ts",      "mkv_ac3_51_two_audio.mkv"};
    std::vector<std::string> paths;
    for (int i = 0; i < 32; ++i) {
        const char* kind = kinds[i % std::size(kinds)];
        paths.push_back(Put(kind, std::to_string(i) + "_" + (kind ? kind : "missing.avi")));
    }
    TFileList expected_list;
    TAVProbe probe;
    const TAddResult expected = AddFiles(expected_list, paths, ProbeWith(probe), "mp3");
    ASSERT_EQ(expected.Failed, 12u);

    const std::pair<size_t, size_t> cases[] = {{1, 1}, {2, 3}, {3, 32}, {8, 1000}};
    for (const auto& [workers, group] : cases) {
        SCOPED_TRACE(testing::Message() << workers << " workers, groups of " << group);
        log_.clear();
        auto pool = Pool([paths] { return paths; }, workers);
        TFileList list;
        TFileAdder adder(TAddCommand::AddFiles, list);
        std::vector<std::string> order;
        for (const TProbeResult& result : TakeAll(*pool, group)) {
            order.push_back(result.Path);
            if (std::optional<TFileRow> row = adder.Take(result.Path, result.Probed, "mp3")) {
                list.Append(std::move(*row));
            }
        }
        EXPECT_EQ(order, paths);
        EXPECT_EQ(pool->Total(), paths.size());
        EXPECT_EQ(Texts(list), Texts(expected_list));
        EXPECT_EQ(adder.Result().LogLines, expected.LogLines);
        // The probe's own words about the unreadable files reached the log.
        EXPECT_EQ(
            std::count_if(log_.begin(), log_.end(),
                          [&](const std::string& line) { return line.starts_with(dir_.Folder()); }),
            12);
    }
}

TEST_F(ProbePoolTest, StopEndsTheWorkersWhileTheyWaitForTheMainThread) {
    // Every file makes its probe log, and so wait for this thread.
    std::vector<std::string> paths;
    for (int i = 0; i < 200; ++i) {
        paths.push_back(Put(fixtures::kNotMedia, "broken_" + std::to_string(1000 + i) + ".avi"));
    }
    auto pool = Pool([paths] { return paths; }, 2);
    while (pool->Taken() < 5) {
        ASSERT_TRUE(AwaitNews());
        pool->TakeReady(5 - pool->Taken());
    }
    // A stop that only waited would wait for ever.
    pool->Stop();
    EXPECT_TRUE(pool->Finished());
    EXPECT_TRUE(pool->TakeReady(paths.size()).empty());
    EXPECT_EQ(pool->Taken(), 5u);
    // Each file probed said so; the rest were never started.
    const auto probed = std::count_if(log_.begin(), log_.end(), [&](const std::string& line) {
        return line.starts_with(dir_.Folder() + "broken_");
    });
    EXPECT_GE(probed, 5);
    EXPECT_LT(probed, 200);
}

}  // namespace
}  // namespace v2m
