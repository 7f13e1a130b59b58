#pragma once
// One receiver for all diagnostic text of the media side: the libraries' own
// log lines and the messages of our media components.

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "FFBaseComponent.h"

namespace v2m {

enum TLogLevel : uint8_t {
    llQuiet = 0,
    llPanic = 1,
    llFatal = 2,
    llError = 3,
    llWarning = 4,
    llInfo = 5,
    llVerbose = 6,
    llDebug = 7,
};

int LogLevelToLibrary(TLogLevel level);
TLogLevel LibraryToLogLevel(int library_level);
// The libraries' current level; their callback drops anything above it.
int LibraryLevel();

using TLogEvent = std::function<void(TFFBaseComponent* Sender, uint32_t AThreadID,
                                     TLogLevel ALogLevel, const std::string& ALogMsg)>;

struct TLogInfo {
    TFFBaseComponent* Sender = nullptr;
    uint32_t ThreadID = 0;
    TLogLevel LogLevel = llInfo;
    std::string LogMsg;
};

class TFFLogger : public TFFBaseComponent {
public:
    // At most one logger exists; a second one fails an assertion.
    TFFLogger();
    ~TFFLogger() override;

    TLogLevel LogLevel() const { return log_level_.load(); }
    void SetLogLevel(TLogLevel level);
    bool TriggerEventInMainThread() const { return trigger_in_main_.load(); }
    void SetTriggerEventInMainThread(bool value) { trigger_in_main_.store(value); }
    // Whether a component message handed to the main thread waits there until
    // its handler has run (the default). A host whose handler only records the
    // line lets the media threads go on at once: with many short tasks those
    // waits leave processors idle. Lines still arrive in the order logged.
    bool ComponentMessagesWait() const { return messages_wait_.load(); }
    void SetComponentMessagesWait(bool value) { messages_wait_.store(value); }
    void SetOnLog(TLogEvent handler);
    bool HasOnLog() const;

    void InstallLogCallback();
    void ApplyLogLevel();
    // A level name ("quiet" ... "debug", any letter case) or a decimal library level.
    void SetLogLevelByName(const std::string& text);

    void Log(TFFBaseComponent* Sender, TLogLevel Level, const std::string& Msg);
    void LogFmt(TFFBaseComponent* Sender, TLogLevel Level, const char* Format, ...)
        __attribute__((format(printf, 4, 5)));

    // Raises OnLog with these values: on the main thread when asked to, else here.
    // Library lines never wait for the main thread; component messages do,
    // unless this thread holds the codec lock the main thread may be waiting
    // for, or the host has said they need not.
    void DeliverLog(TLogInfo info, bool wait_for_main_thread);

    // avutil is about to be unloaded: give it back its own callback.
    void LibraryUnloading();

private:
    bool Accepts(TLogLevel level) const;

    std::atomic<TLogLevel> log_level_;
    std::atomic<bool> trigger_in_main_{true};
    std::atomic<bool> messages_wait_{true};
    mutable std::mutex handler_mutex_;
    TLogEvent on_log_;
};

// The logger; one without a handler is created when none exists.
TFFLogger& FFLoggerInstance();

// The callback the libraries log through.
void FFmpegLogCallback(void* context, int level, const char* format, va_list args);

// Start-up and shutdown of the logger's process-wide state (called by MediaRuntime).
void StartLoggerServices();
void StopLoggerServices();

}  // namespace v2m
