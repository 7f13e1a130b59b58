#pragma once
// What a long batch owes the desktop: the computer does not go to sleep under
// it, and the taskbar entry shows how far it has come.
//
// Both go over D-Bus: the sleep lock is asked of the login manager on the
// system bus, the taskbar progress is a signal on the session bus. A desktop
// without either is no fault: the batch runs the same, and the log says so
// once.

#include <QDBusUnixFileDescriptor>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>

namespace v2m {

// Where the taskbar entry's progress is sent from, and the entry it is for.
inline constexpr const char* kLauncherObjectPath = "/com/tolvexsoft/video2mp3";
inline constexpr const char* kLauncherAppUri = "application://com.tolvexsoft.video2mp3.desktop";

class TDesktopManners final : public QObject {
public:
    using TLog = std::function<void(const std::string& line)>;
    // `program` names who holds the sleep lock, as the desktop lists it.
    TDesktopManners(QString program, TLog log, QObject* parent = nullptr);
    ~TDesktopManners() override;
    TDesktopManners(const TDesktopManners&) = delete;
    TDesktopManners& operator=(const TDesktopManners&) = delete;

    // A batch of `files` runs (started or resumed): sleep is held off, and
    // the taskbar shows its progress.
    void Running(size_t files, double progress, int64_t files_left);
    // Paused: the computer may sleep again; the progress stays on show.
    void Paused();
    // Over, stopped or closed: the lock goes and the taskbar entry is plain again.
    void Over();
    // 0..1 of the batch; sent a few times a second at most.
    void Progress(double progress, int64_t files_left);

    // A sleep lock is held (or asked for and not yet answered).
    bool HoldsLock() const { return lock_wanted_; }

private:
    void TakeLock(size_t files);
    void ReleaseLock();
    void SendProgress(double progress, int64_t files_left, bool visible);
    void LogOnce(bool& told, const std::string& line);

    const QString program_;
    const TLog log_;
    bool lock_wanted_ = false;
    // Answers to an earlier request that come after a release are not kept.
    unsigned lock_request_ = 0;
    QDBusUnixFileDescriptor lock_;
    bool showing_ = false;
    QElapsedTimer last_sent_;
    bool no_system_bus_ = false;
    bool no_session_bus_ = false;
    bool told_no_lock_ = false;
    bool told_no_session_ = false;
};

}  // namespace v2m
