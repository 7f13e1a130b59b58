// The window's main-thread seam and the log: calls from media threads run on
// the main thread, and the logger's lines reach the window's log in order.

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "FFmpegApi.h"
#include "FFmpegLogger.h"
#include "MainThread.h"
#include "WindowTestSupport.h"

namespace v2m {
namespace {

// Serves the main thread until the worker has finished.
void ServeUntilJoined(std::thread& worker, std::atomic<bool>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_TRUE(done.load()) << "the worker did not finish";
    worker.join();
    test::ServeEvents();
}

TEST(QtMainThreadTest, CallsFromOtherThreadsRunOnTheMainThread) {
    const std::shared_ptr<MainThreadServices> seam = MainThread();
    const uint32_t main_thread = CurrentThreadId();
    ASSERT_TRUE(seam->IsMainThread());

    std::vector<int> order;
    uint32_t waited_on = 0;
    bool worker_is_main = true;
    std::string rethrown;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        worker_is_main = seam->IsMainThread();
        for (int i = 0; i < 50; ++i) {
            seam->PostToMainThread([&order, i] { order.push_back(i); });
        }
        // Served off the main thread, nothing runs here.
        seam->ProcessPendingMessages();
        seam->RunInMainThread([&] { waited_on = CurrentThreadId(); });
        try {
            seam->RunInMainThread([] { throw std::runtime_error("raised on the main thread"); });
        } catch (const std::runtime_error& error) {
            rethrown = error.what();
        }
        done = true;
    });
    ServeUntilJoined(worker, done);

    EXPECT_FALSE(worker_is_main);
    EXPECT_EQ(waited_on, main_thread);
    EXPECT_EQ(rethrown, "raised on the main thread");
    ASSERT_EQ(order.size(), 50u);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(order[static_cast<size_t>(i)], i);
    }
    // On the main thread a call runs at once.
    bool ran = false;
    seam->RunInMainThread([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(QtMainThreadTest, LoggerLinesReachTheWindowsLog) {
    test::TUserFolders user;
    test::TProgramFolder program;
    auto form = test::MakeForm(program, std::make_shared<test::TScriptedServices>());
    ASSERT_TRUE(form->StartupComplete());
    const int before = static_cast<int>(form->LogLines().size());

    // A component's lines from another thread, each delivered before the next.
    uint32_t worker_id = 0;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        worker_id = CurrentThreadId();
        for (int i = 0; i < 3; ++i) {
            FFLoggerInstance().Log(nullptr, llWarning, "worker line " + std::to_string(i));
        }
        // Above the logger's level: never delivered.
        FFLoggerInstance().Log(nullptr, llDebug, "too detailed");
        done = true;
    });
    ServeUntilJoined(worker, done);
    // The libraries' own lines, here from the main thread.
    ff::av_log(nullptr, AV_LOG_ERROR, "library line %d\n", 7);

    const QStringList log = form->LogLines().mid(before);
    const QString worker_prefix = QStringLiteral("#%1.%2: ").arg(worker_id).arg(int{llWarning});
    ASSERT_EQ(log.size(), 4) << log.join('\n').toStdString();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(log[i], worker_prefix + QStringLiteral("worker line %1").arg(i));
    }
    EXPECT_EQ(log[3],
              QStringLiteral("#%1.%2: library line 7").arg(CurrentThreadId()).arg(int{llError}));

    // After the window closed, nothing is written to its log any more.
    form->close();
    FFLoggerInstance().Log(nullptr, llError, "after close");
    EXPECT_EQ(form->LogLines().size(), before + 4);
}

}  // namespace
}  // namespace v2m
