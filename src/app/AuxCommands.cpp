// The commands beside conversion: the log and about windows, the user guide,
// the home page, the skin choice, and files dropped onto the list.

#include <QCheckBox>
#include <QGroupBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QTableView>
#include <QToolButton>
#include <QUrl>

#include <memory>

#include "AuxWindows.h"
#include "Converter.h"
#include "Translations.h"

namespace v2m {

namespace {

// The guide is in English; a translated language has a short entry page in
// its own words that leads into the guide's sections. "pt_BR" takes its own
// page, "de_AT" the German one.
QString HelpPage(const QString& program_folder, const QString& language) {
    for (const QString& name : {language, language.section(QLatin1Char('_'), 0, 0)}) {
        const QString page = program_folder + QStringLiteral("help/index.%1.html").arg(name);
        if (!name.isEmpty() && QFileInfo::exists(page)) {
            return page;
        }
    }
    return program_folder + QLatin1String(kHelpDocument);
}

}  // namespace

void TForm1::actViewLogExecute() {
    // Made for each look and gone after it, so it holds the log of its moment.
    TLogForm form(LogLines(), this);
    form.exec();
}

void TForm1::actAboutExecute() {
    if (about_form_ == nullptr) {
        about_form_ = new TAboutForm(
            QLatin1String(kMainWindowCaption),
            [this](const QString& target) { OpenWithShell(target); }, this);
    }
    about_form_->exec();
}

void TForm1::actHelpExecute() {
    OpenWithShell(
        QUrl::fromLocalFile(HelpPage(QString::fromStdString(program_folder_), WindowLanguage()))
            .toString());
}

void TForm1::actVisitWebsiteExecute() {
    OpenWithShell(QLatin1String(kHomePage));
}

void TForm1::actSelectSkinExecute() {
    TSkinDialog dialog(skins_, this);
    dialog.exec();
}

bool TForm1::OpenWithShell(const QString& target) {
    if (services_->ShellOpen(target)) {
        return true;
    }
    AppendLog("Could not open \"" + target.toStdString() +
              "\": the desktop has no program for it or it does not exist.");
    // A local file is named by its path, which any program can be given.
    const QUrl url(target);
    const QString shown = url.isLocalFile() ? url.toLocalFile() : target;
    services_->MessageBox(this, QLatin1String(kApplicationTitle),
                          tr("The desktop could not open this. Copy it into a browser or a file "
                             "manager:\n\n%1")
                              .arg(shown),
                          TMessageButtons::Ok, TMessageIcon::Exclamation);
    return false;
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_ && event->type() == QEvent::Resize) {
        LayOutControls();
        return false;
    }
    // A skin's font or indicator changes how much room the texts need.
    if ((watched == static_cast<QObject*>(chkMute) ||
         watched == static_cast<QObject*>(chkSameInput)) &&
        (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange)) {
        FitTextControls(grpProfile->width() - 521, chkMute->y());
        return false;
    }
    if (watched == static_cast<QObject*>(lvFiles->horizontalHeader()) &&
        (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange)) {
        FitColumnHeadings();
        return false;
    }
    if (watched == static_cast<QObject*>(btnPause) && event->type() == QEvent::PaletteChange) {
        ShowPausePicture(pause_picture_);
        return false;
    }
    if (watched == lvFiles->viewport() && event->type() == QEvent::Resize) {
        FitNameColumn();
    }
    if (watched == lvFiles && event->type() == QEvent::KeyPress) {
        return ListKeyPress(*static_cast<QKeyEvent*>(event));
    }
    if (watched != lvFiles->viewport() && watched != static_cast<QObject*>(ImgStart)) {
        return QMainWindow::eventFilter(watched, event);
    }
    return DragAndDropEvent(watched, event);
}

bool TForm1::ListKeyPress(const QKeyEvent& key) {
    // Ctrl+Tab leaves the list too, as it leaves any control that keeps Tab.
    if ((key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab) &&
        key.modifiers().testFlag(Qt::ControlModifier)) {
        focusNextPrevChild(key.key() == Qt::Key_Tab &&
                           !key.modifiers().testFlag(Qt::ShiftModifier));
        return true;
    }
    return false;
}

bool TForm1::DragAndDropEvent(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (drag->mimeData()->hasUrls() && CanAdd()) {
                drag->acceptProposedAction();
            } else {
                drag->ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            QStringList paths;
            for (const QUrl& url : drop->mimeData()->urls()) {
                if (url.isLocalFile()) {
                    paths.append(url.toLocalFile());
                }
            }
            if (paths.isEmpty() || !CanAdd()) {
                drop->ignore();
                return true;
            }
            drop->acceptProposedAction();
            AddPaths(paths);
            return true;
        }
        default:
            return QMainWindow::eventFilter(watched, event);
    }
}

}  // namespace v2m
