#include <gtest/gtest.h>

#include <barrier>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "Assertions.h"
#include "FFmpegApi.h"
#include "FFmpegLoader.h"
#include "FFmpegLogger.h"
#include "MainThread.h"
#include "TestSupport.h"
#include "UnicodeProtocol.h"

namespace v2m {
namespace {

using namespace std::chrono_literals;

struct Event {
    TFFBaseComponent* sender;
    uint32_t thread;
    TLogLevel level;
    std::string text;
    bool on_main_thread;
};

// Collects what the logger delivers; the logger is the process's one instance.
class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::LoadConverterLibs();
        main_ = std::make_shared<QueuedMainThread>();
        InstallMainThreadServices(main_);
        logger().SetTriggerEventInMainThread(false);
        logger().SetLogLevel(llInfo);
        logger().SetOnLog([this](TFFBaseComponent* sender, uint32_t thread, TLogLevel level,
                                 const std::string& text) {
            std::lock_guard lock(mutex_);
            events_.push_back({sender, thread, level, text, main_->IsMainThread()});
        });
    }
    void TearDown() override {
        logger().SetOnLog(nullptr);
        logger().SetTriggerEventInMainThread(true);
        logger().SetLogLevel(llInfo);
        InstallMainThreadServices(nullptr);
    }
    static TFFLogger& logger() { return FFLoggerInstance(); }
    std::vector<Event> Events() {
        std::lock_guard lock(mutex_);
        return events_;
    }
    std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        for (const Event& e : Events())
            texts.push_back(e.text);
        return texts;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        events_.clear();
    }

    std::shared_ptr<QueuedMainThread> main_;
    std::mutex mutex_;
    std::vector<Event> events_;
};

// Hands a message to the callback the way the libraries do.
void LibraryLog(void* context, int level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    FFmpegLogCallback(context, level, format, args);
    va_end(args);
}

TEST(LogLevelTest, ConvertsBetweenOurLevelsAndTheLibraries) {
    const std::vector<std::pair<TLogLevel, int>> to_library = {
        {llQuiet, -8},   {llPanic, 0}, {llFatal, 8},    {llError, 16},
        {llWarning, 24}, {llInfo, 32}, {llVerbose, 40}, {llDebug, 48}};
    for (const auto& [level, library] : to_library) {
        EXPECT_EQ(LogLevelToLibrary(level), library);
        EXPECT_EQ(LibraryToLogLevel(library), level);
    }
    const std::vector<std::pair<int, TLogLevel>> from_library = {
        {-100, llQuiet}, {-9, llQuiet}, {-8, llQuiet},  {-7, llPanic},   {-1, llPanic},
        {7, llPanic},    {15, llFatal}, {23, llError},  {31, llWarning}, {39, llInfo},
        {47, llVerbose}, {56, llDebug}, {1000, llDebug}};
    for (const auto& [library, level] : from_library) {
        EXPECT_EQ(LibraryToLogLevel(library), level) << library;
    }
}

TEST_F(LoggerTest, SetLogLevelByNameAcceptsNamesAndNumbers) {
    const std::vector<std::pair<std::string, TLogLevel>> cases = {
        {"Warning", llWarning}, {"WARNING", llWarning}, {"quiet", llQuiet}, {"Debug", llDebug},
        {"20", llError},        {"-1", llPanic},        {"100", llDebug},   {"info", llInfo}};
    for (const auto& [text, level] : cases) {
        SCOPED_TRACE(text);
        logger().SetLogLevelByName(text);
        EXPECT_EQ(logger().LogLevel(), level);
        EXPECT_EQ(ff::av_log_get_level(), LogLevelToLibrary(level)) << "applied to the libraries";
        EXPECT_EQ(LibraryLevel(), LogLevelToLibrary(level));
    }
    for (const std::string text : {"loud", "", "12x"}) {
        try {
            logger().SetLogLevelByName(text);
            ADD_FAILURE() << text << " accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(e.what(), "'" + text + "' is not a valid integer value");
        }
    }
}

TEST_F(LoggerTest, ComponentMessagesAreFilteredByLevelWithTheVerboseException) {
    struct Case {
        TLogLevel limit;
        std::vector<TLogLevel> delivered;
    };
    const std::vector<TLogLevel> all = {llQuiet,   llPanic, llFatal,   llError,
                                        llWarning, llInfo,  llVerbose, llDebug};
    const Case cases[] = {
        {llQuiet, {llQuiet}},
        {llError, {llQuiet, llPanic, llFatal, llError, llVerbose}},
        {llInfo, {llQuiet, llPanic, llFatal, llError, llWarning, llInfo, llVerbose}},
        {llDebug, all},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.limit));
        Clear();
        logger().SetLogLevel(c.limit);
        for (TLogLevel level : all) {
            logger().Log(&logger(), level, "m" + std::to_string(level));
        }
        std::vector<TLogLevel> got;
        for (const Event& e : Events()) {
            got.push_back(e.level);
            EXPECT_EQ(e.text, "m" + std::to_string(e.level));
            EXPECT_EQ(e.thread, CurrentThreadId());
            EXPECT_EQ(e.sender, &logger());
        }
        EXPECT_EQ(got, c.delivered);
    }
    EXPECT_EQ(ff::av_log_get_level(), LogLevelToLibrary(llDebug));
    logger().SetLogLevel(llQuiet);
    EXPECT_EQ(ff::av_log_get_level(), -8);
}

TEST_F(LoggerTest, LogFmtFormatsWithTheSystemsOwnFormatting) {
    logger().LogFmt(nullptr, llWarning, "%s: %d of %.2f", "file.avi", 3, 1.5);
    ASSERT_EQ(Texts(), std::vector<std::string>{"file.avi: 3 of 1.50"});
    EXPECT_EQ(Events()[0].sender, nullptr);
}

TEST_F(LoggerTest, LibraryFragmentsBecomeWholeLines) {
    // A context whose class names it, as every library context has.
    static const AVClass kClass = {"TestContext", [](void*) { return "tester"; }, nullptr,
                                   LIBAVUTIL_VERSION_INT};
    struct Context {
        const AVClass* av_class = &kClass;
    } context;
    char address[64];
    std::snprintf(address, sizeof address, "%p", static_cast<void*>(&context));
    const std::string prefix = std::string("[tester @ ") + address + "]";

    struct Case {
        const char* name;
        std::function<void()> log;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"two fragments, one line",
         [&] {
             LibraryLog(&context, AV_LOG_WARNING, "first %d", 1);
             LibraryLog(&context, AV_LOG_WARNING, " second\n");
         },
         {prefix + "first 1 second"}},
        {"two feeds, the rest pending",
         [&] {
             LibraryLog(nullptr, AV_LOG_ERROR, "a\nb\nc");
             LibraryLog(nullptr, AV_LOG_ERROR, "d\n");
         },
         {"a", "b", "cd"}},
        {"empty line delivered",
         [&] { LibraryLog(nullptr, AV_LOG_INFO, "x\n\ny\n"); },
         {"x", "", "y"}},
        {"no context, no prefix", [&] { LibraryLog(nullptr, AV_LOG_INFO, "plain\n"); }, {"plain"}},
        {"prefix only at the start of a line",
         [&] { LibraryLog(&context, AV_LOG_INFO, "one\ntwo\n"); },
         {prefix + "one", "two"}},
        {"above the library level dropped",
         [&] {
             LibraryLog(nullptr, AV_LOG_DEBUG, "hidden\n");
             LibraryLog(nullptr, AV_LOG_VERBOSE, "hidden too\n");
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Clear();
        c.log();
        EXPECT_EQ(Texts(), c.lines);
        for (const Event& e : Events()) {
            EXPECT_EQ(e.sender, &logger());
            EXPECT_EQ(e.thread, CurrentThreadId());
        }
    }
}

TEST_F(LoggerTest, LibraryLevelsMapAndLongMessagesAreCut) {
    LibraryLog(nullptr, AV_LOG_ERROR, "e\n");
    LibraryLog(nullptr, AV_LOG_WARNING, "w\n");
    LibraryLog(nullptr, AV_LOG_WARNING + 4, "w2\n");
    LibraryLog(nullptr, AV_LOG_INFO, "i\n");
    const std::string long_text(5000, 'x');
    LibraryLog(nullptr, AV_LOG_INFO, "%s\n", long_text.c_str());
    const auto events = Events();
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].level, llError);
    EXPECT_EQ(events[1].level, llWarning);
    EXPECT_EQ(events[2].level, llWarning);
    EXPECT_EQ(events[3].level, llInfo);
    // Cut to the formatting buffer; the cut keeps the line's end.
    EXPECT_EQ(events[4].text, std::string(2046, 'x'));
}

TEST_F(LoggerTest, ThreadsLoggingFragmentsAtOnceKeepTheirOwnLines) {
    constexpr int kThreads = 2;
    constexpr int kLines = 200;
    std::barrier step(kThreads);
    auto work = [&](char tag) {
        for (int i = 0; i < kLines; ++i) {
            LibraryLog(nullptr, AV_LOG_INFO, "%c%d-", tag, i);
            step.arrive_and_wait();  // the other thread logs its fragment in between
            LibraryLog(nullptr, AV_LOG_INFO, "%c%d\n", tag, i);
            step.arrive_and_wait();
        }
    };
    std::thread a(work, 'a');
    std::thread b(work, 'b');
    a.join();
    b.join();
    std::map<uint32_t, std::vector<std::string>> by_thread;
    for (const Event& e : Events()) {
        by_thread[e.thread].push_back(e.text);
    }
    ASSERT_EQ(by_thread.size(), 2u);
    for (auto& [thread, lines] : by_thread) {
        ASSERT_EQ(lines.size(), static_cast<size_t>(kLines));
        const char tag = lines[0][0];
        for (int i = 0; i < kLines; ++i) {
            const std::string n = std::to_string(i);
            EXPECT_EQ(lines[i], tag + n + "-" + tag + n);
        }
    }
}

// A component message waits until its handler has run, unless the host says
// it need not; either way the lines arrive on the main thread in order.
TEST_F(LoggerTest, DeliveryOnTheMainThread) {
    logger().SetTriggerEventInMainThread(true);
    for (const bool waits : {true, false}) {
        SCOPED_TRACE(waits ? "waits" : "posted");
        Clear();
        logger().SetComponentMessagesWait(waits);
        std::atomic<bool> component_returned{false};
        std::thread worker([&] {
            LibraryLog(nullptr, AV_LOG_WARNING, "library line\n");
            logger().Log(nullptr, llInfo, "component message");
            // What the thread hands over next comes after its lines.
            main_->PostToMainThread([&] {
                std::lock_guard lock(mutex_);
                events_.push_back({nullptr, 0, llInfo, "posted after", true});
            });
            component_returned = true;
        });
        if (!waits) {
            worker.join();
            EXPECT_TRUE(Events().empty()) << "nothing ran before the main thread served";
        }
        ASSERT_TRUE(main_->ServeUntil(
            [&] { return component_returned.load() && Events().size() == 3; }, 10s));
        if (worker.joinable()) {
            worker.join();
        }
        auto events = Events();
        ASSERT_EQ(events.size(), 3u);
        EXPECT_EQ(events[0].text, "library line");
        EXPECT_EQ(events[1].text, "component message");
        EXPECT_EQ(events[2].text, "posted after");
        events.pop_back();
        for (const Event& e : events) {
            EXPECT_TRUE(e.on_main_thread);
            EXPECT_NE(e.thread, CurrentThreadId()) << "the logging thread is reported";
        }
    }
    logger().SetComponentMessagesWait(true);
}

// A thread holding the codec lock must not wait for a main thread that may be
// waiting for that very lock.
TEST_F(LoggerTest, LoggingUnderTheCodecLockNeverWaitsForTheMainThread) {
    logger().SetTriggerEventInMainThread(true);
    std::promise<void> locked;
    std::thread worker([&] {
        AVCodecLock lock;
        locked.set_value();
        std::this_thread::sleep_for(20ms);
        logger().Log(nullptr, llError, "encoder refused");
        LibraryLog(nullptr, AV_LOG_ERROR, "library refused\n");
    });
    locked.get_future().wait();
    {
        AVCodecLock lock;  // blocks until the worker lets go
    }
    worker.join();
    EXPECT_TRUE(Events().empty()) << "nothing ran before the main thread served its queue";
    main_->ProcessPendingMessages();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"encoder refused", "library refused"}));
}

TEST_F(LoggerTest, HandlerDetachedBeforeDeliveryIsNotCalled) {
    logger().SetTriggerEventInMainThread(true);
    std::thread worker([] { LibraryLog(nullptr, AV_LOG_ERROR, "late\n"); });
    worker.join();
    logger().SetOnLog(nullptr);
    main_->ProcessPendingMessages();
    EXPECT_TRUE(Events().empty());
}

TEST_F(LoggerTest, OnlyOneLoggerMayExist) {
    FFLoggerInstance();
    try {
        TFFLogger second;
        ADD_FAILURE() << "a second logger was created";
    } catch (const AssertionFailure& e) {
        EXPECT_STREQ(e.what(), "Allow creating only one instance of TFFLogger.");
        EXPECT_EQ(e.Source(), "FFmpegLogger");
    }
}

TEST_F(LoggerTest, RealLibraryLinesCarryTheContextPrefix) {
    ASSERT_TRUE(std::filesystem::exists(test::Fixture("truncated.mp4")));
    logger().SetLogLevel(llDebug);
    AVFormatContext* context = nullptr;
    const int result =
        OpenInputContext(&context, test::Fixture("truncated.mp4").string(), nullptr, nullptr);
    if (result >= 0) {
        ff::avformat_find_stream_info(context, nullptr);
        CloseInputContext(&context);
    }
    const auto events = Events();
    ASSERT_FALSE(events.empty());
    bool prefixed = false;
    for (const Event& e : events) {
        EXPECT_EQ(e.sender, &logger());
        if (e.text.rfind("[", 0) == 0 && e.text.find(" @ 0x") != std::string::npos) {
            prefixed = true;
        }
    }
    EXPECT_TRUE(prefixed);
    bool error_or_warning = false;
    for (const Event& e : events) {
        error_or_warning |= e.level == llError || e.level == llWarning;
    }
    EXPECT_TRUE(error_or_warning) << "a damaged file is reported above info level";
}

}  // namespace
}  // namespace v2m
