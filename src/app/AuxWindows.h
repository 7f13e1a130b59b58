#pragma once
// The small windows the main window opens: the log, the about box and the
// skin choice.

#include <QCoreApplication>
#include <QDialog>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace v2m {

class TSkinManager;

// The product's addresses and rights, kept together so that the about box,
// the "Visit Website" command and the help agree.
inline constexpr const char* kHomePage = "https://www.tolvexsoft.com/video-to-mp3/";
inline constexpr const char* kSupportMail = "support@tolvexsoft.com";
inline constexpr const char* kRightsLine = "Copyright (C) TolvexSoft. All rights reserved.";
// The user guide, beside the program.
inline constexpr const char* kHelpDocument = "help/index.html";

// The program's version, as the build names it.
QString ProgramVersion();

// A read-only copy of the log as it was when the window opened: lines logged
// while it is open stay out, so reading is not disturbed by a running batch.
class TLogForm final : public QDialog {
    Q_DECLARE_TR_FUNCTIONS(v2m::TLogForm)

public:
    TLogForm(const QStringList& lines, QWidget* parent);
    QPlainTextEdit* Memo() const { return mmoLog; }

private:
    QPlainTextEdit* mmoLog = nullptr;
};

class TAboutForm final : public QDialog {
    Q_DECLARE_TR_FUNCTIONS(v2m::TAboutForm)

public:
    // `title`: the main window's caption, which the version follows. The
    // links go to `open`, so that the window's shell and its log see them.
    TAboutForm(const QString& title, std::function<void(const QString&)> open, QWidget* parent);
};

// Lists the built-in skins and shows the highlighted one at once; OK keeps
// it, Cancel (or closing) brings back the skin there was before.
class TSkinDialog final : public QDialog {
    Q_DECLARE_TR_FUNCTIONS(v2m::TSkinDialog)

public:
    TSkinDialog(TSkinManager& skins, QWidget* parent);

    void done(int result) override;

private:
    void Preview(int row);
    void Restore();

    TSkinManager& skins_;
    // What to go back to: a built-in skin's index, the file it came from, or
    // the system's look.
    int previous_index_ = -1;
    QString previous_source_;
    bool previous_system_ = false;
    QListWidget* lstSkins = nullptr;
};

// "Cut": the stretch of one file to convert, typed as h:mm:ss.xxx or taken
// from where the preview stands. An empty field is the file's start or end.
class TCutDialog final : public QDialog {
    Q_DECLARE_TR_FUNCTIONS(v2m::TCutDialog)

public:
    // Times in microseconds, -1: unset. `duration` (-1: unknown) lets a start
    // past the end be refused here rather than when the batch runs.
    // `preview_position` tells where the preview of this file stands; without
    // one the buttons that take it are disabled.
    TCutDialog(int64_t start, int64_t end, int64_t duration,
               std::function<std::optional<int64_t>()> preview_position, QWidget* parent);

    int64_t Start() const { return start_; }
    int64_t End() const { return end_; }
    void accept() override;

private:
    // The field as a time; -1 when empty, nullopt when it is no time.
    static std::optional<int64_t> FieldTime(const QLineEdit* field);

    int64_t start_;
    int64_t end_;
    int64_t duration_;
    QLineEdit* edtCutStart = nullptr;
    QLineEdit* edtCutEnd = nullptr;
    QLabel* lblCutProblem = nullptr;
};

}  // namespace v2m
