#pragma once
// The window's conversations with the user and the desktop: message boxes, the
// file and folder dialogs and the desktop's "open". They sit behind one
// interface so that the window tests can answer them without a person.

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <string_view>

class QFileDialog;
class QWidget;

namespace v2m {

enum class TMessageButtons { Ok, YesNo };
enum class TMessageIcon { None, Exclamation };
enum class TMessageResult { Ok, Yes, No };

// One entry of a file dialog's filter: what the user reads, and the masks.
struct TFileFilter {
    QString Caption;
    QStringList Masks;

    bool operator==(const TFileFilter&) const = default;
};

// "Caption|mask;mask|Caption|mask" into its entries.
QList<TFileFilter> FileFiltersOf(std::string_view filter);

class TUiServices {
public:
    virtual ~TUiServices() = default;

    virtual TMessageResult MessageBox(QWidget* parent, const QString& title, const QString& text,
                                      TMessageButtons buttons, TMessageIcon icon) = 0;
    // Several existing files, in the dialog's order; empty when cancelled.
    virtual QStringList OpenFiles(QWidget* parent, const QString& title, const QString& folder,
                                  const QList<TFileFilter>& filters) = 0;
    // One folder; nothing when cancelled.
    virtual std::optional<QString> ChooseFolder(QWidget* parent, const QString& title,
                                                const QString& folder) = 0;
    // One folder and whether its sub-folders are wanted too: the dialog shows
    // "Include Sub-folders" as `sub_folders` says and leaves the answer there.
    // A dialog without the box asks for the folder alone.
    virtual std::optional<QString> ChooseFolderTree(QWidget* parent, const QString& title,
                                                    const QString& folder, bool& sub_folders) {
        static_cast<void>(sub_folders);
        return ChooseFolder(parent, title, folder);
    }
    // The files a batch could not convert, one "name: reason" a line, in a
    // list the user can select and copy. True when the user asks for the log.
    virtual bool ShowFailures(QWidget* parent, const QString& title, const QString& text,
                              const QStringList& failures) {
        MessageBox(parent, title, text + QLatin1Char('\n') + failures.join(QLatin1Char('\n')),
                   TMessageButtons::Ok, TMessageIcon::Exclamation);
        return false;
    }
    // Opens a folder, a document or a web address the way the desktop does.
    virtual bool ShellOpen(const QString& target) = 0;
    // A passing note from the desktop (a notification bubble); a desktop
    // without one shows nothing, which is no failure.
    virtual void Notify(const QString& /*summary*/, const QString& /*body*/) {}
};

// The Qt dialogs and the desktop's services.
std::shared_ptr<TUiServices> QtUiServices();

// The filters as Qt's file dialog takes them and the user reads them:
// "Caption (mask mask)", masks in lower case; "*.*" becomes "*", since a file
// name here need not have a dot.
QStringList QtNameFilters(const QList<TFileFilter>& filters);

// Sets up an "open files" dialog with these filters so that a mask matches a
// name whatever its letter case ("*.avi" lists "CLIP.AVI").
void ConfigureOpenFilesDialog(QFileDialog& dialog, const QList<TFileFilter>& filters);
// Sets up a "choose folder" dialog: folders only, drawn by Qt so that the skin
// styles it as it styles every other window.
void ConfigureFolderDialog(QFileDialog& dialog);

}  // namespace v2m
