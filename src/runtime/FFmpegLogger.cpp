#include "FFmpegLogger.h"

#include <strings.h>

#include <charconv>
#include <memory>
#include <stdexcept>
#include <vector>

#include "Assertions.h"
#include "FFmpegApi.h"
#include "FFmpegLoader.h"
#include "Format.h"
#include "MainThread.h"

namespace v2m {

namespace {

std::atomic<int> g_library_level{AV_LOG_INFO};

std::recursive_mutex g_instance_mutex;
TFFLogger* g_instance = nullptr;
std::unique_ptr<TFFLogger> g_owned_instance;  // made on demand, without owner

// Text a thread has sent to the libraries' log and not yet ended with a line
// feed. Per thread, so fragments of two threads never mix, and it dies with
// its thread, so a reused thread id starts clean.
thread_local std::string t_pending_text;

constexpr size_t kFormatBufferSize = 2048;

// Runs on the main thread: the handler is read at the moment of the call, so a
// handler detached in the meantime is not called.
void DeliverNow(const TLogInfo& info) {
    {
        std::lock_guard lock(g_instance_mutex);
        if (g_instance == nullptr || !g_instance->HasOnLog()) {
            return;
        }
    }
    FFLoggerInstance().DeliverLog(info, false);
}

// Lines on their way to the main thread, in the order they were logged. One
// posted call takes every line that came meanwhile: a conversion logs a few
// dozen lines, and a call each kept the main thread busy with them.
std::mutex g_pending_mutex;
std::vector<TLogInfo> g_pending;

void DeliverPending() {
    std::vector<TLogInfo> lines;
    {
        std::lock_guard lock(g_pending_mutex);
        lines.swap(g_pending);
    }
    for (const TLogInfo& info : lines) {
        DeliverNow(info);
    }
}

void PostLine(MainThreadServices& main_thread, TLogInfo info) {
    // Posted under the lock: a line queued after this one, and anything its
    // thread hands to the main thread next, comes after this call.
    std::lock_guard lock(g_pending_mutex);
    g_pending.push_back(std::move(info));
    if (g_pending.size() == 1) {
        main_thread.PostToMainThread(DeliverPending);
    }
}

}  // namespace

int LogLevelToLibrary(TLogLevel level) {
    return (static_cast<int>(level) - 1) * 8;
}

TLogLevel LibraryToLogLevel(int library_level) {
    const int t = library_level / 8 + 1;  // division truncates toward zero
    if (t < 0) {
        return llQuiet;
    }
    if (t >= 7) {
        return llDebug;
    }
    return static_cast<TLogLevel>(t);
}

int LibraryLevel() {
    return g_library_level.load(std::memory_order_relaxed);
}

TFFLogger::TFFLogger() : log_level_(LibraryToLogLevel(LibraryLevel())) {
    std::lock_guard lock(g_instance_mutex);
    Assert(g_instance == nullptr, "Allow creating only one instance of TFFLogger.", "FFmpegLogger");
    g_instance = this;
}

TFFLogger::~TFFLogger() {
    std::lock_guard lock(g_instance_mutex);
    if (g_instance == this) {
        g_instance = nullptr;
    }
}

void TFFLogger::SetLogLevel(TLogLevel level) {
    if (log_level_.exchange(level) != level) {
        ApplyLogLevel();
    }
}

void TFFLogger::SetOnLog(TLogEvent handler) {
    std::lock_guard lock(handler_mutex_);
    on_log_ = std::move(handler);
}

bool TFFLogger::HasOnLog() const {
    std::lock_guard lock(handler_mutex_);
    return static_cast<bool>(on_log_);
}

void TFFLogger::InstallLogCallback() {
    Assert(ff::av_log_set_callback != nullptr, "Assertion failure", "FFmpegLogger");
    Assert(ff::av_log_set_level != nullptr, "Assertion failure", "FFmpegLogger");
    ff::av_log_set_callback(FFmpegLogCallback);
    ApplyLogLevel();
}

void TFFLogger::ApplyLogLevel() {
    if (ff::av_log_set_level == nullptr) {
        return;
    }
    g_library_level.store(LogLevelToLibrary(LogLevel()));
    ff::av_log_set_level(LibraryLevel());
}

void TFFLogger::SetLogLevelByName(const std::string& text) {
    static const char* const kNames[] = {"quiet",   "panic", "fatal",   "error",
                                         "warning", "info",  "verbose", "debug"};
    int library_level = 0;
    bool named = false;
    for (int i = 0; i < 8; ++i) {
        if (::strcasecmp(text.c_str(), kNames[i]) == 0) {
            library_level = LogLevelToLibrary(static_cast<TLogLevel>(i));
            named = true;
            break;
        }
    }
    if (!named) {
        const char* first = text.data();
        const char* last = first + text.size();
        if (first != last && *first == '+') {
            ++first;
        }
        auto [end, error] = std::from_chars(first, last, library_level);
        if (error != std::errc() || end != last || first == last) {
            throw std::invalid_argument(Format("'%s' is not a valid integer value", text.c_str()));
        }
    }
    SetLogLevel(LibraryToLogLevel(library_level));
}

bool TFFLogger::Accepts(TLogLevel level) const {
    const TLogLevel limit = LogLevel();
    return level <= limit || (level == llVerbose && limit != llQuiet);
}

void TFFLogger::Log(TFFBaseComponent* Sender, TLogLevel Level, const std::string& Msg) {
    if (!HasOnLog() || !Accepts(Level)) {
        return;
    }
    DeliverLog(TLogInfo{Sender, CurrentThreadId(), Level, Msg}, true);
}

void TFFLogger::LogFmt(TFFBaseComponent* Sender, TLogLevel Level, const char* Format, ...) {
    if (!HasOnLog() || !Accepts(Level)) {
        return;
    }
    va_list args;
    va_start(args, Format);
    std::string text = FormatV(Format, args);
    va_end(args);
    DeliverLog(TLogInfo{Sender, CurrentThreadId(), Level, std::move(text)}, true);
}

void TFFLogger::DeliverLog(TLogInfo info, bool wait_for_main_thread) {
    auto main_thread = MainThread();
    if (TriggerEventInMainThread() && !main_thread->IsMainThread()) {
        // The call carries its own copy of the values.
        if (wait_for_main_thread && ComponentMessagesWait() && !ThisThreadHoldsAVCodecLock()) {
            main_thread->RunInMainThread([info] { DeliverNow(info); });
        } else {
            PostLine(*main_thread, std::move(info));
        }
        return;
    }
    TLogEvent handler;
    {
        std::lock_guard lock(handler_mutex_);
        handler = on_log_;
    }
    if (handler) {
        handler(info.Sender, info.ThreadID, info.LogLevel, info.LogMsg);
    }
}

void TFFLogger::LibraryUnloading() {
    if (ff::av_log_set_callback != nullptr && ff::av_log_default_callback != nullptr) {
        ff::av_log_set_callback(ff::av_log_default_callback);
    }
}

TFFLogger& FFLoggerInstance() {
    std::lock_guard lock(g_instance_mutex);
    if (g_instance == nullptr) {
        g_owned_instance = std::make_unique<TFFLogger>();
    }
    return *g_instance;
}

void FFmpegLogCallback(void* context, int level, const char* format, va_list args) {
    // Called at every level check of the libraries: leave before any work.
    if (level > LibraryLevel()) {
        return;
    }
    std::string prefix;
    if (context != nullptr) {
        const AVClass* av_class = *static_cast<const AVClass* const*>(context);
        if (av_class != nullptr && av_class->item_name != nullptr) {
            prefix = Format("[%s @ %p]", av_class->item_name(context), context);
        }
    }
    char buffer[kFormatBufferSize] = {};
    // Bounded: a longer message is cut at 2047 bytes, keeping its line feed so
    // the cut line still ends and does not swallow the thread's next one.
    const int length = ff::vsnprintf != nullptr
                           ? ff::vsnprintf(buffer, sizeof buffer, format, args)
                           : std::vsnprintf(buffer, sizeof buffer, format, args);
    if (length >= static_cast<int>(sizeof buffer)) {
        const size_t format_length = std::strlen(format);
        if (format_length > 0 && format[format_length - 1] == '\n') {
            buffer[sizeof buffer - 2] = '\n';
        }
    }

    std::string& pending = t_pending_text;
    if (pending.empty()) {
        pending = prefix + buffer;
    } else {
        pending += buffer;
    }
    size_t feed;
    while ((feed = pending.find('\n')) != std::string::npos) {
        std::string line = pending.substr(0, feed);
        pending.erase(0, feed + 1);
        TFFLogger& logger = FFLoggerInstance();
        if (!logger.HasOnLog()) {
            continue;
        }
        logger.DeliverLog(
            TLogInfo{&logger, CurrentThreadId(), LibraryToLogLevel(level), std::move(line)}, false);
    }
}

void StartLoggerServices() {
    g_library_level.store(AV_LOG_INFO);
    t_pending_text.clear();
}

void StopLoggerServices() {
    std::lock_guard lock(g_instance_mutex);
    if (ff::av_log_set_callback != nullptr && ff::av_log_default_callback != nullptr) {
        ff::av_log_set_callback(ff::av_log_default_callback);
    }
    g_owned_instance.reset();
}

}  // namespace v2m
