#include "DesktopManners.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include <algorithm>
#include <utility>

namespace v2m {

namespace {

// A few updates a second keep the bar moving without flooding the bus.
constexpr qint64 kProgressInterval_ms = 250;

}  // namespace

TDesktopManners::TDesktopManners(QString program, TLog log, QObject* parent)
    : QObject(parent), program_(std::move(program)), log_(std::move(log)) {}

TDesktopManners::~TDesktopManners() {
    Over();
}

void TDesktopManners::Running(size_t files, double progress, int64_t files_left) {
    TakeLock(files);
    showing_ = true;
    SendProgress(progress, files_left, true);
}

void TDesktopManners::Paused() {
    ReleaseLock();
}

void TDesktopManners::Over() {
    ReleaseLock();
    if (showing_) {
        showing_ = false;
        SendProgress(0.0, 0, false);
    }
}

void TDesktopManners::Progress(double progress, int64_t files_left) {
    if (!showing_ || (last_sent_.isValid() && last_sent_.elapsed() < kProgressInterval_ms)) {
        return;
    }
    SendProgress(progress, files_left, true);
}

void TDesktopManners::TakeLock(size_t files) {
    if (lock_wanted_) {
        return;
    }
    lock_wanted_ = true;
    // A bus that was not there is not looked for again on every batch.
    if (no_system_bus_) {
        return;
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        no_system_bus_ = true;
        LogOnce(told_no_lock_, "Sleep is not held off during conversions: no system bus");
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep:idle") << program_
         << QCoreApplication::translate("v2m::TForm1", "Converting %1 files").arg(files)
         << QStringLiteral("block");
    // Asked without waiting: a slow or absent login manager must not hold up the window.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    const unsigned request = ++lock_request_;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, request] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
        if (reply.isError()) {
            LogOnce(told_no_lock_, "Sleep is not held off during conversions: " +
                                       reply.error().message().toStdString());
            return;
        }
        // Paused or over meanwhile: the lock goes with the reply.
        if (request == lock_request_ && lock_wanted_) {
            lock_ = reply.value();
        }
    });
}

void TDesktopManners::ReleaseLock() {
    lock_wanted_ = false;
    ++lock_request_;
    // The login manager lets go when the last copy of the descriptor closes.
    lock_ = QDBusUnixFileDescriptor();
}

void TDesktopManners::SendProgress(double progress, int64_t files_left, bool visible) {
    if (no_session_bus_) {
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        no_session_bus_ = true;
        LogOnce(told_no_session_, "The taskbar does not show the progress: no session bus");
        return;
    }
    QDBusMessage update = QDBusMessage::createSignal(
        QLatin1String(kLauncherObjectPath), QStringLiteral("com.canonical.Unity.LauncherEntry"),
        QStringLiteral("Update"));
    QVariantMap properties;
    properties.insert(QStringLiteral("progress"), std::clamp(progress, 0.0, 1.0));
    properties.insert(QStringLiteral("progress-visible"), visible);
    properties.insert(QStringLiteral("count"), qint64{files_left});
    properties.insert(QStringLiteral("count-visible"), visible);
    update << QLatin1String(kLauncherAppUri) << properties;
    bus.send(update);
    last_sent_.start();
}

void TDesktopManners::LogOnce(bool& told, const std::string& line) {
    if (!told && log_) {
        log_(line);
    }
    told = true;
}

}  // namespace v2m
