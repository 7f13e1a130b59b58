#pragma once
// The main-thread seam of the media layers, served by Qt's event loop: calls
// from media threads travel as queued invocations to an object that lives on
// the thread running the application.

#include <QObject>
#include <QThread>

#include <functional>
#include <memory>

#include "MainThread.h"

namespace v2m {

class TQtMainThread final : public MainThreadServices {
public:
    // The calling thread, which must be the one that runs the application's
    // event loop, becomes the main thread.
    TQtMainThread();
    ~TQtMainThread() override;
    TQtMainThread(const TQtMainThread&) = delete;
    TQtMainThread& operator=(const TQtMainThread&) = delete;

    bool IsMainThread() const override;
    // Blocks until the main thread has run the call; what the call throws is
    // thrown again here.
    void RunInMainThread(std::function<void()> call) override;
    void PostToMainThread(std::function<void()> call) override;
    void ProcessPendingMessages() override;
    void ServeCalls() override;

private:
    QThread* main_thread_;
    std::unique_ptr<QObject> receiver_;
};

}  // namespace v2m
