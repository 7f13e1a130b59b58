// What a screen reader and a translator see of the window and its dialogs:
// every interactive element and every group has a name, and every text shown
// went through the translations (a translator that marks every text it gives
// leaves no unmarked text but data: file names, profile names, numbers).

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QTimer>
#include <QTranslator>

#include <functional>
#include <set>

#include "AuxWindows.h"
#include "WindowTestSupport.h"

namespace v2m {
namespace {

using test::Find;

const QString kMark = QStringLiteral("\u00ab");

class TMarkingTranslator final : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char*, const char* source, const char*, int) const override {
        return source == nullptr || *source == '\0'
                   ? QString()
                   : kMark + QString::fromUtf8(source) + QStringLiteral("\u00bb");
    }
};

// Every element a user can reach or act on, and every group, must be named.
// Scroll bars are left out: screen readers call them by their orientation.
const std::set<QAccessible::Role> kNamedRoles = {
    QAccessible::PushButton,     QAccessible::CheckBox,     QAccessible::RadioButton,
    QAccessible::ComboBox,       QAccessible::EditableText, QAccessible::Slider,
    QAccessible::SpinBox,        QAccessible::ProgressBar,  QAccessible::List,
    QAccessible::Table,          QAccessible::MenuItem,     QAccessible::ButtonMenu,
    QAccessible::ButtonDropDown, QAccessible::Link,         QAccessible::PageTab,
    QAccessible::Grouping,       QAccessible::ListItem,     QAccessible::ColumnHeader,
};

void ExpectNamed(QAccessibleInterface* element, const QString& path) {
    if (element == nullptr || element->state().invisible) {
        return;
    }
    const QString here =
        path + QLatin1Char('/') + QString::number(element->role(), 16) + QLatin1Char(':') +
        (element->object() != nullptr ? element->object()->objectName() : QString());
    if (kNamedRoles.contains(element->role())) {
        EXPECT_FALSE(element->text(QAccessible::Name).trimmed().isEmpty())
            << "no accessible name: " << here.toStdString();
    }
    // A table's cells are its data; the table and its headings are named.
    if (element->role() == QAccessible::Table) {
        return;
    }
    for (int i = 0; i < element->childCount(); ++i) {
        ExpectNamed(element->child(i), here);
    }
}

// Shown texts of the widget's tree that the marking translator did not give,
// other than those of the controls in `data`.
QStringList UnmarkedTexts(QWidget& root, const std::set<QString>& data) {
    QStringList unmarked;
    const auto check = [&](const QObject* owner, const QString& text) {
        if (!text.isEmpty() && !text.contains(kMark) && !data.contains(owner->objectName())) {
            unmarked.append(owner->objectName() + QStringLiteral(": ") + text);
        }
    };
    for (QWidget* widget : root.findChildren<QWidget*>()) {
        check(widget, widget->toolTip());
        if (const auto* label = qobject_cast<QLabel*>(widget)) {
            check(label, label->text());
        } else if (const auto* button = qobject_cast<QAbstractButton*>(widget)) {
            check(button, button->text());
        } else if (const auto* group = qobject_cast<QGroupBox*>(widget)) {
            check(group, group->title());
        } else if (const auto* field = qobject_cast<QLineEdit*>(widget)) {
            check(field, field->placeholderText());
        } else if (auto* combo = qobject_cast<QComboBox*>(widget); combo && !combo->isEditable()) {
            for (int i = 0; i < combo->count(); ++i) {
                check(combo, combo->itemText(i));
            }
        }
    }
    for (const QMenu* menu : root.findChildren<QMenu*>()) {
        check(menu, menu->title());
        for (const QAction* action : menu->actions()) {
            check(menu, action->text());
        }
    }
    return unmarked;
}

class AccessibilityTest : public ::testing::Test {
protected:
    void SetUp() override {
        QCoreApplication::installTranslator(&marking_);
        form_ = test::MakeForm(program_, services_);
        form_->show();
        test::ServeEvents();
    }
    void TearDown() override {
        form_->close();
        form_.reset();
        QCoreApplication::removeTranslator(&marking_);
    }
    // Checks the dialog the command opens, then closes it.
    void CheckModal(const std::function<void()>& open, const std::set<QString>& data) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            seen = true;
            CheckDialog(*dialog, data);
            dialog->close();
        });
        open();
        EXPECT_TRUE(seen);
    }
    static void CheckDialog(QWidget& dialog, const std::set<QString>& data) {
        SCOPED_TRACE(dialog.objectName().toStdString());
        EXPECT_TRUE(dialog.windowTitle().contains(kMark)) << dialog.windowTitle().toStdString();
        EXPECT_EQ(UnmarkedTexts(dialog, data), QStringList());
        ExpectNamed(QAccessible::queryAccessibleInterface(&dialog), dialog.objectName());
    }

    test::TUserFolders user_;
    test::TFreshStateFolder state_;
    test::TProgramFolder program_;
    TMarkingTranslator marking_;
    std::shared_ptr<test::TScriptedServices> services_ =
        std::make_shared<test::TScriptedServices>();
    std::unique_ptr<TForm1> form_;
};

TEST_F(AccessibilityTest, TheMainWindowNamesEveryControlAndTranslatesEveryText) {
    // The profiles' names, the folders and the name templates are the user's data.
    EXPECT_EQ(UnmarkedTexts(*form_, {"cmbProfile", "lblVideoName", "lblPlayTime"}), QStringList());
    const QAbstractItemModel* list = Find<QTableView>(*form_, "lvFiles")->model();
    for (int column = 0; column < list->columnCount(); ++column) {
        EXPECT_TRUE(list->headerData(column, Qt::Horizontal).toString().contains(kMark)) << column;
    }
    // The list is hidden while empty: a row makes it part of the tree.
    services_->FileAnswers.push_back({test::Path(test::Fixture("avi_mpeg4_mp2.avi"))});
    form_->actAddFilesExecute();
    ASSERT_TRUE(test::WaitUntilAdded(*form_));
    ExpectNamed(QAccessible::queryAccessibleInterface(form_.get()), QStringLiteral("window"));
    // A row reads as one line: name, duration, state, progress.
    const QString row = list->index(0, 0).data(Qt::AccessibleTextRole).toString();
    EXPECT_TRUE(row.startsWith(kMark + QStringLiteral("avi_mpeg4_mp2.avi, ")) &&
                row.contains(QStringLiteral("Waiting")) &&
                row.endsWith(QStringLiteral(" percent\u00bb")))
        << row.toStdString() << " | " << list->index(0, 0).data().toString().toStdString();
}

TEST_F(AccessibilityTest, EveryDialogNamesEveryControlAndTranslatesEveryText) {
    TLogForm log({QStringLiteral("a line")}, form_.get());
    CheckDialog(log, {});
    // The title, the addresses and the legal notice stay as they are registered.
    TAboutForm about(
        QStringLiteral("Title"), [](const QString&) {}, form_.get());
    CheckDialog(about, {"lblTitle", "lnkHome", "lnkSupport", "lblRights"});
    TCutDialog cut(
        -1, -1, 10'000'000, [] { return std::optional<int64_t>(0); }, form_.get());
    CheckDialog(cut, {});
    // The skins are named by their files.
    CheckModal([&] { form_->actSelectSkinExecute(); }, {"lstSkins"});
    CheckModal(
        [&] {
            QtUiServices()->ShowFailures(form_.get(), form_->tr("Title"), form_->tr("Failed"),
                                         {QStringLiteral("a.mkv: no audio")});
        },
        {"mmoFailures"});
}

}  // namespace
}  // namespace v2m
