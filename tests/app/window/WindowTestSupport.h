#pragma once
// Helpers of the main window tests: a program folder of the test's own, a
// user's folders, dialogs answered by the test, and controls found by name.

#include <gtest/gtest.h>

#include <QApplication>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Converter.h"
#include "TestSupport.h"
#include "UiServices.h"

namespace v2m::test {

// Dialogs and the desktop as the test scripts them. A dialog nobody scripted
// fails the test.
class TScriptedServices final : public TUiServices {
public:
    struct TDialogCall {
        QString Title;
        QString Folder;
        QList<TFileFilter> Filters;
    };

    TMessageResult MessageBox(QWidget* parent, const QString& title, const QString& text,
                              TMessageButtons buttons, TMessageIcon icon) override;
    QStringList OpenFiles(QWidget* parent, const QString& title, const QString& folder,
                          const QList<TFileFilter>& filters) override;
    std::optional<QString> ChooseFolder(QWidget* parent, const QString& title,
                                        const QString& folder) override;
    bool ShellOpen(const QString& target) override;

    std::deque<QStringList> FileAnswers;  // an empty list cancels
    std::deque<QString> FolderAnswers;    // an empty text cancels
    std::vector<TDialogCall> FileCalls;
    std::vector<TDialogCall> FolderCalls;
    std::vector<QString> Opened;
    // Message boxes the test expects, answered in order; any box beyond them
    // fails the test. Each shown box is kept as "title: text".
    std::deque<TMessageResult> MessageAnswers;
    std::vector<QString> Messages;
    // What ShellOpen answers: false stands for a desktop that cannot open it.
    bool ShellOpenSucceeds = true;
};

// A folder that stands for the program's: its profiles, its "LibAV" folder
// and its default skin. Starts with the shipped profiles and skin.
class TProgramFolder {
public:
    TProgramFolder();
    std::string Folder() const { return dir_.Path().string() + "/"; }
    const std::filesystem::path& Path() const { return dir_.Path(); }

    // Replaces the shipped profiles with these files ("name" -> text) and an
    // index listing `listed` in order.
    void WriteProfiles(const std::map<std::string, std::string>& files,
                       const std::vector<std::string>& listed);
    // A library file in "LibAV" that is no library at all.
    void PutBrokenLibrary(const std::string& file_name);
    void RemoveDefaultSkin();

private:
    TempDir dir_;
};

// A user with a home folder (holding "Desktop") and a configuration folder,
// set in the process's environment for as long as the object lives.
class TUserFolders {
public:
    TUserFolders();
    ~TUserFolders();
    TUserFolders(const TUserFolders&) = delete;
    TUserFolders& operator=(const TUserFolders&) = delete;

    std::string Home() const { return dir_.Path().string() + "/home/"; }
    std::string Desktop() const { return Home() + "Desktop/"; }
    std::string Config() const { return dir_.Path().string() + "/config/"; }
    std::string State() const { return dir_.Path().string() + "/state/"; }
    std::filesystem::path SettingsFile() const;
    // Points XDG_CONFIG_HOME somewhere no folder can be made.
    void MakeConfigUnavailable();

private:
    TempDir dir_;
    std::map<std::string, std::optional<std::string>> saved_;
};

// A state folder of its own while the object lives: a window made then
// starts with an empty list, whatever the windows before it kept.
class TFreshStateFolder {
public:
    TFreshStateFolder();
    ~TFreshStateFolder();
    TFreshStateFolder(const TFreshStateFolder&) = delete;
    TFreshStateFolder& operator=(const TFreshStateFolder&) = delete;

private:
    TempDir dir_;
    std::optional<std::string> saved_;
};

// A part a test binary plays when started again by one of its own tests:
// "--child-role=NAME ARG..." runs the role registered under NAME instead of
// the tests, and the process ends with its result.
using TChildRole = int (*)(const std::vector<std::string>& args);
bool RegisterChildRole(const std::string& name, TChildRole role);
std::optional<int> RunChildRole(int argc, char** argv);

// Makes sure the process has not loaded the media libraries, so that the
// next window loads them itself.
void UnloadMediaLibraries();

std::unique_ptr<TForm1> MakeForm(const TProgramFolder& folder,
                                 std::shared_ptr<TScriptedServices> services);

// Lets queued calls and window events run.
void ServeEvents();
// Serves events until the window's adding has listed its last file; false
// when it still has not after the timeout.
bool WaitUntilAdded(const TForm1& form, int timeout_ms = 60000);

template <typename Widget>
Widget* Find(QWidget& form, const char* name) {
    auto* widget = form.findChild<Widget*>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << "no control named " << name;
    return widget;
}

// A file's path as a dialog of the window gives it.
QString Path(const std::filesystem::path& path);

// Where a control is in the window's client area; empty when either is missing.
QRect ClientRect(QWidget& form, QWidget* widget);
QRect ClientRect(QWidget& form, const char* name);

// The column texts of the window's file list, row by row, as the view shows them.
std::vector<std::vector<std::string>> ListTexts(QWidget& form);

// The visible texts of `root` that do not have the room they need: labels,
// group titles, buttons and the lists' headings, which cannot shorten what
// they show. A control with a tool tip counts as eliding on purpose; lists'
// cells and combo boxes elide.
std::vector<QString> ClippedTexts(QWidget& root);

std::string ReadSetting(const std::filesystem::path& file, const std::string& key);

}  // namespace v2m::test
