#include "QtMainThread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QtGlobal>

#include <exception>

namespace v2m {

TQtMainThread::TQtMainThread()
    : main_thread_(QThread::currentThread()), receiver_(std::make_unique<QObject>()) {}

TQtMainThread::~TQtMainThread() = default;

bool TQtMainThread::IsMainThread() const {
    return QThread::currentThread() == main_thread_;
}

void TQtMainThread::RunInMainThread(std::function<void()> call) {
    if (IsMainThread()) {
        call();
        return;
    }
    // An exception must not cross Qt's event loop: it is carried back to the
    // waiting thread instead.
    std::exception_ptr failure;
    QMetaObject::invokeMethod(
        receiver_.get(),
        [&call, &failure] {
            try {
                call();
            } catch (...) {
                failure = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void TQtMainThread::PostToMainThread(std::function<void()> call) {
    // Queued invocations to one object run in the order they were posted.
    QMetaObject::invokeMethod(
        receiver_.get(),
        [call = std::move(call)] {
            // Nobody waits for a posted call, and an exception must not cross
            // Qt's event loop: say what was lost rather than lose it quietly.
            try {
                call();
            } catch (const std::exception& error) {
                qCritical("A call posted to the main thread failed: %s", error.what());
            } catch (...) {
                qCritical("A call posted to the main thread failed.");
            }
        },
        Qt::QueuedConnection);
}

void TQtMainThread::ServeCalls() {
    if (!IsMainThread()) {
        return;
    }
    // Queued and blocking invocations reach the receiver as posted meta-call
    // events; nothing else is delivered here.
    QCoreApplication::sendPostedEvents(receiver_.get(), QEvent::MetaCall);
}

void TQtMainThread::ProcessPendingMessages() {
    if (!IsMainThread()) {
        return;
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace v2m
