#include "UiServices.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusInterface>

#include <QDesktopServices>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QUrl>

#include "FileList.h"
#include "Translations.h"

namespace v2m {

namespace {

class TQtUiServices final : public TUiServices {
    Q_DECLARE_TR_FUNCTIONS(v2m::TQtUiServices)

public:
    void Notify(const QString& summary, const QString& body) override {
        QDBusInterface notifications(QStringLiteral("org.freedesktop.Notifications"),
                                     QStringLiteral("/org/freedesktop/Notifications"),
                                     QStringLiteral("org.freedesktop.Notifications"),
                                     QDBusConnection::sessionBus());
        if (!notifications.isValid()) {
            return;
        }
        // Not waited for: a slow notification service must not hold the window.
        notifications.call(QDBus::NoBlock, QStringLiteral("Notify"),
                           QCoreApplication::applicationName(), 0u,
                           QStringLiteral("com.tolvexsoft.video2mp3"), summary, body, QStringList(),
                           QVariantMap(), -1);
    }

    TMessageResult MessageBox(QWidget* parent, const QString& title, const QString& text,
                              TMessageButtons buttons, TMessageIcon icon) override {
        QMessageBox box(
            icon == TMessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon, title,
            text,
            buttons == TMessageButtons::YesNo ? QMessageBox::Yes | QMessageBox::No
                                              : QMessageBox::Ok,
            parent);
        // A path or an address in the text can be copied from it.
        box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        switch (box.exec()) {
            case QMessageBox::Yes:
                return TMessageResult::Yes;
            case QMessageBox::No:
                return TMessageResult::No;
            default:
                return TMessageResult::Ok;
        }
    }

    bool ShowFailures(QWidget* parent, const QString& title, const QString& text,
                      const QStringList& failures) override {
        QDialog dialog(parent);
        dialog.setWindowTitle(title);
        auto* layout = new QVBoxLayout(&dialog);
        auto* label = new QLabel(text, &dialog);
        label->setWordWrap(true);
        layout->addWidget(label);
        // Selectable, so that the names and reasons can be copied.
        auto* list = new QPlainTextEdit(failures.join(QLatin1Char('\n')), &dialog);
        list->setReadOnly(true);
        list->setLineWrapMode(QPlainTextEdit::NoWrap);
        list->setObjectName(QStringLiteral("mmoFailures"));
        list->setAccessibleName(text);
        layout->addWidget(list);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
        buttons->setAccessibleName(tr("Dialog Buttons"));
        QPushButton* show_log = buttons->addButton(tr("Show &Log"), QDialogButtonBox::ActionRole);
        bool log_wanted = false;
        QObject::connect(show_log, &QPushButton::clicked, &dialog, [&] {
            log_wanted = true;
            dialog.accept();
        });
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        layout->addWidget(buttons);
        dialog.resize(560, 320);
        dialog.exec();
        return log_wanted;
    }

    QStringList OpenFiles(QWidget* parent, const QString& title, const QString& folder,
                          const QList<TFileFilter>& filters) override {
        QFileDialog dialog(parent, title, folder);
        ConfigureOpenFilesDialog(dialog, filters);
        if (dialog.exec() != QDialog::Accepted) {
            return {};
        }
        return dialog.selectedFiles();
    }

    std::optional<QString> ChooseFolder(QWidget* parent, const QString& title,
                                        const QString& folder) override {
        QFileDialog dialog(parent, title, folder);
        ConfigureFolderDialog(dialog);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        return dialog.selectedFiles().front();
    }

    std::optional<QString> ChooseFolderTree(QWidget* parent, const QString& title,
                                            const QString& folder, bool& sub_folders) override {
        QFileDialog dialog(parent, title, folder);
        ConfigureFolderDialog(dialog);
        auto* box = new QCheckBox(tr("Include Sub-folders"), &dialog);
        box->setObjectName(QStringLiteral("chkSubFolders"));
        box->setChecked(sub_folders);
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
            grid->addWidget(box, grid->rowCount(), 0, 1, -1);
        }
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        sub_folders = box->isChecked();
        return dialog.selectedFiles().front();
    }

    bool ShellOpen(const QString& target) override {
        // Addresses carry their scheme; everything else is a path on this machine.
        const QUrl url =
            target.contains(QStringLiteral("://")) || target.startsWith(QStringLiteral("mailto:"))
                ? QUrl(target)
                : QUrl::fromLocalFile(target);
        return QDesktopServices::openUrl(url);
    }
};

}  // namespace

QList<TFileFilter> FileFiltersOf(std::string_view filter) {
    QList<TFileFilter> filters;
    for (const TDialogFilter& entry : ParseDialogFilter(filter)) {
        TFileFilter converted{ShownText(entry.Caption), {}};
        for (const std::string& mask : entry.Masks) {
            converted.Masks.append(QString::fromStdString(mask));
        }
        filters.append(converted);
    }
    return filters;
}

std::shared_ptr<TUiServices> QtUiServices() {
    return std::make_shared<TQtUiServices>();
}

QStringList QtNameFilters(const QList<TFileFilter>& filters) {
    QStringList name_filters;
    for (const TFileFilter& filter : filters) {
        QStringList masks;
        for (const QString& mask : filter.Masks) {
            masks.append(mask == QLatin1String("*.*") ? QStringLiteral("*") : mask.toLower());
        }
        name_filters.append(filter.Caption + QStringLiteral(" (") + masks.join(QLatin1Char(' ')) +
                            QLatin1Char(')'));
    }
    return name_filters;
}

void ConfigureFolderDialog(QFileDialog& dialog) {
    // Qt's own dialog, like the one for files: it wears the window's skin,
    // which a desktop's native dialog never does.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
}

void ConfigureOpenFilesDialog(QFileDialog& dialog, const QList<TFileFilter>& filters) {
    // The desktop's own dialogs match the masks with letter case heeded;
    // Qt's dialog lists through a model that ignores case unless told not to.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.setNameFilters(QtNameFilters(filters));
}

}  // namespace v2m
