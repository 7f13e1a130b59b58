// A batch of 1,000 tasks built from short clips, as a user adding a large
// folder would make: every task keeps its input and output open until it
// runs, so the batch lives on the raised open-file limit. The figures are
// printed for the record.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "AudioAnalysis.h"
#include "ComponentTestSupport.h"

namespace v2m::test {
namespace {

using namespace std::chrono_literals;

// A field of /proc/self/status in KiB ("VmHWM", "VmRSS").
long StatusKiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::stol(line.substr(field.size() + 1));
        }
    }
    return -1;
}

class BatchTest : public ComponentTest {};

TEST_F(BatchTest, AThousandTasksBuildWithinTheRaisedFileLimitAndRun) {
    constexpr int kTasks = 1000;
    const int64_t limit = RaiseOpenFileLimit();
    rlimit hard{};
    ::getrlimit(RLIMIT_NOFILE, &hard);
    EXPECT_EQ(static_cast<rlim_t>(limit), hard.rlim_cur);
    EXPECT_EQ(hard.rlim_cur, hard.rlim_max) << "the soft limit is raised to the hard one";
    if (limit < 2 * kTasks + 100) {
        GTEST_SKIP() << "the hard open-file limit " << limit << " cannot hold the batch";
    }

    SharedClip(kBlip);
    const int descriptors_before = DescriptorCount();
    const long rss_before = StatusKiB("VmRSS");
    const auto build_start = std::chrono::steady_clock::now();
    for (int i = 0; i < kTasks; ++i) {
        ASSERT_EQ(AddJob(kBlip, "wav"), i) << converter_->LastError();
    }
    const double build_s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - build_start).count();
    const int descriptors = DescriptorCount() - descriptors_before;
    const long rss_after = StatusKiB("VmRSS");
    const long peak = StatusKiB("VmHWM");
    // Each task holds its input open; its output is only created when it runs.
    EXPECT_GE(descriptors, kTasks);

    RecordTerminates();
    const auto run_start = std::chrono::steady_clock::now();
    converter_->StartTask(2);
    ASSERT_TRUE(ServeUntil([&] { return FinalSeen(); }, 600s));
    const double run_s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - run_start).count();
    const std::vector<TerminateRecord> records = Terminates();
    ASSERT_EQ(records.size(), static_cast<size_t>(kTasks + 1));
    int finished = 0;
    for (const TerminateRecord& record : records) {
        finished += record.info.TaskIndex >= 0 && record.info.Finished ? 1 : 0;
    }
    EXPECT_EQ(finished, kTasks);
    EXPECT_EQ(records.back().info.TaskIndex, -1);
    // The files closed as each task ended.
    EXPECT_LE(DescriptorCount() - descriptors_before, 10);
    converter_->ClearTasks();
    EXPECT_NEAR(fixtures::AnalyzeAudio(Out("out999.wav")).duration_s, 0.2, 0.01);

    std::printf(
        "batch of %d tasks: open-file limit %lld; %d descriptors held after building; "
        "resident memory %ld KiB before, %ld KiB after building (peak %ld KiB, %.1f KiB per "
        "task); built in %.2f s (%.2f ms per task); ran 2 at a time in %.2f s\n",
        kTasks, static_cast<long long>(limit), descriptors, rss_before, rss_after, peak,
        static_cast<double>(rss_after - rss_before) / kTasks, build_s, build_s * 1000 / kTasks,
        run_s);
    RecordProperty("descriptors", descriptors);
    RecordProperty("rss_growth_kib", static_cast<int>(rss_after - rss_before));
    RecordProperty("build_ms", static_cast<int>(build_s * 1000));
}

}  // namespace
}  // namespace v2m::test
