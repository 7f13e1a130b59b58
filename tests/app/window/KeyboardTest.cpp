// A whole conversion with the keyboard alone, through the real dialogs: a file
// added by typing its path into the file dialog, a profile chosen, the batch
// started, its question answered and the log opened.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>

#include "WindowTestSupport.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using test::Find;

// Waits for a modal dialog of the type to come up, then hands it to `act`;
// the dialog's own event loop runs meanwhile.
template <typename Dialog>
void WhenShown(const std::function<void(Dialog&)>& act, bool& seen) {
    QTimer::singleShot(100, [act, &seen] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            WhenShown<Dialog>(act, seen);
            return;
        }
        seen = true;
        act(*dialog);
    });
}

QWidget* Focused(QWidget& window) {
    return window.focusWidget();
}

TEST(KeyboardTest, AFileIsAddedConvertedAndTheLogReadWithTheKeyboardAlone) {
    test::TUserFolders user;
    test::TFreshStateFolder state;
    test::TProgramFolder program;
    TForm1 form(TFormSurroundings{program.Folder(), {}, nullptr});
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    const fs::path clip = test::Fixture("avi_mpeg4_mp2.avi");

    // Ctrl+O, the path typed where the dialog puts the cursor, Enter.
    bool file_dialog = false;
    WhenShown<QFileDialog>(
        [&clip](QFileDialog& dialog) {
            QTest::keyClicks(dialog.focusWidget(), QString::fromStdString(clip.string()));
            QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
        },
        file_dialog);
    QTest::keyClick(Focused(form), Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(file_dialog);
    ASSERT_TRUE(test::WaitUntilAdded(form));
    ASSERT_EQ(form.FileList().Count(), 1u);
    // A window manager gives the window back its focus when the dialog goes;
    // the bare X server of the tests has none to do it.
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));

    // From the list, Tab reaches the profile, whose next item the arrow picks.
    auto* list = Find<QTableView>(form, "lvFiles");
    list->setFocus(Qt::TabFocusReason);
    QTest::keyClick(list, Qt::Key_Tab);
    auto* profile = Find<QComboBox>(form, "cmbProfile");
    ASSERT_EQ(Focused(form), profile);
    const int first = profile->currentIndex();
    QTest::keyClick(profile, Qt::Key_Down);
    EXPECT_EQ(profile->currentIndex(), first + 1);
    const QString ext = QString::fromStdString(form.FileList().Rows().at(0).Output);

    // Ctrl+Enter starts; Escape says no to opening the output folder.
    bool question = false;
    WhenShown<QMessageBox>([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); },
                           question);
    auto* start = Find<QAction>(form, "actStartConvert");
    ASSERT_TRUE(QTest::qWaitFor([start] { return start->isEnabled(); }, 5000));
    QTest::keyClick(Focused(form), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return question && form.ConvertState() == cvIdle; }, 60000));
    EXPECT_EQ(form.FileList().Rows().at(0).Progress, kCompletedProgressText);
    EXPECT_TRUE(fs::exists(fs::path(user.Desktop()) / ("avi_mpeg4_mp2." + ext.toStdString())))
        << ext.toStdString();

    // Ctrl+L shows the log, Escape closes it.
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    bool log_shown = false;
    QString log;
    WhenShown<QDialog>(
        [&log](QDialog& dialog) {
            log = Find<QPlainTextEdit>(dialog, "mmoLog")->toPlainText();
            QTest::keyClick(&dialog, Qt::Key_Escape);
        },
        log_shown);
    QTest::keyClick(Focused(form), Qt::Key_L, Qt::ControlModifier);
    EXPECT_TRUE(log_shown);
    EXPECT_TRUE(log.contains(QStringLiteral("***File has been added to convert list.")))
        << log.toStdString();
    form.close();
}

}  // namespace
}  // namespace v2m
