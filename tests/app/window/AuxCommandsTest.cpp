// The main window's commands beside conversion: the log and its window, the
// about window, the user guide and home page, the skin choice, the
// shortcuts, and files dropped onto the list or named on the command line.

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <functional>
#include <thread>

#include "AuxWindows.h"
#include "FFmpegLogger.h"
#include "FixtureGenerator.h"
#include "MainThread.h"
#include "SkinManager.h"
#include "UiServices.h"
#include "WindowTestSupport.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using test::Find;
using test::Path;

// Runs `inspect` on the modal window `open` shows, then closes that window
// unless `inspect` has.
void WithModal(const std::function<void()>& open, const std::function<void(QDialog&)>& inspect) {
    bool seen = false;
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || seen) {
            return;
        }
        seen = true;
        poll->stop();
        inspect(*dialog);
        if (dialog->isVisible()) {
            dialog->reject();
        }
    });
    poll->start();
    open();
    delete poll;
    EXPECT_TRUE(seen) << "no modal window was shown";
}

class AuxCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        form_ = test::MakeForm(program_, services_);
        ASSERT_TRUE(form_->StartupComplete()) << form_->LogLines().join('\n').toStdString();
    }

    void Trigger(const char* action) { Find<QAction>(*form_, action)->trigger(); }

    test::TUserFolders user_;
    test::TProgramFolder program_;
    std::shared_ptr<test::TScriptedServices> services_ =
        std::make_shared<test::TScriptedServices>();
    std::unique_ptr<TForm1> form_;
};

TEST_F(AuxCommandsTest, LoggerLinesCarryTheDeliveringThreadAndTheLevelNumber) {
    const struct {
        TLogLevel level;
        const char* number;
    } levels[] = {{llPanic, "1"}, {llFatal, "2"}, {llError, "3"}, {llWarning, "4"}, {llInfo, "5"}};
    for (const auto& c : levels) {
        for (const bool worker : {false, true}) {
            SCOPED_TRACE(std::string(c.number) + (worker ? " worker" : " main"));
            const std::string message = std::string("level test ") + c.number;
            std::atomic<uint32_t> thread_id{0};
            std::atomic<bool> done{false};
            auto log = [&] {
                thread_id = CurrentThreadId();
                FFLoggerInstance().Log(nullptr, c.level, message);
                done = true;
            };
            if (worker) {
                // The worker goes on at once; the line follows on the window's thread.
                std::thread thread(log);
                thread.join();
                EXPECT_NE(thread_id.load(), CurrentThreadId());
            } else {
                log();
            }
            const QString expected = QStringLiteral("#%1.%2: %3")
                                         .arg(thread_id.load())
                                         .arg(QLatin1String(c.number))
                                         .arg(QString::fromStdString(message));
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return form_->LogLines().last() == expected; }, 10000))
                << form_->LogLines().last().toStdString();
        }
    }
    // Above the logger's level nothing reaches the log.
    const qsizetype before = form_->LogLines().size();
    FFLoggerInstance().Log(nullptr, llDebug, "too detailed");
    EXPECT_EQ(form_->LogLines().size(), before);
}

TEST_F(AuxCommandsTest, TheLogWindowShowsTheLogOfItsMoment) {
    FFLoggerInstance().Log(nullptr, llError, "first");
    QString shown;
    WithModal([&] { Trigger("actViewLog"); },
              [&](QDialog& dialog) {
                  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Log"));
                  EXPECT_EQ(dialog.size(), QSize(437, 364));
                  auto* memo = Find<QPlainTextEdit>(dialog, "mmoLog");
                  ASSERT_NE(memo, nullptr);
                  EXPECT_TRUE(memo->isReadOnly());
                  EXPECT_EQ(memo->size(), QSize(417, 329));
                  EXPECT_EQ(memo->toPlainText(), form_->LogLines().join('\n'));
                  // A line logged meanwhile stays out of the open window.
                  FFLoggerInstance().Log(nullptr, llError, "second");
                  shown = memo->toPlainText();
              });
    EXPECT_FALSE(shown.contains(QStringLiteral("second")));
    EXPECT_TRUE(shown.contains(QStringLiteral("first")));
    ASSERT_TRUE(form_->LogLines().last().endsWith(QStringLiteral(": second")));
    // Closing it cleared nothing, and the next one shows the new line.
    WithModal([&] { Trigger("actViewLog"); },
              [&](QDialog& dialog) {
                  EXPECT_EQ(Find<QPlainTextEdit>(dialog, "mmoLog")->toPlainText(),
                            form_->LogLines().join('\n'));
              });
}

TEST_F(AuxCommandsTest, CommandsOpenTheirAddressesAndAFailedOpenIsLoggedAndShown) {
    const QString help =
        QUrl::fromLocalFile(QString::fromStdString(program_.Folder() + "help/index.html"))
            .toString();
    const struct {
        const char* action;
        QString target;
        // What the user is shown to copy: a path, not a file address.
        QString shown;
    } cases[] = {
        {"actHelp", help, QString::fromStdString(program_.Folder() + "help/index.html")},
        {"actVisitWebsite", QLatin1String(kHomePage), QLatin1String(kHomePage)},
    };
    for (const auto& c : cases) {
        for (const bool succeeds : {true, false}) {
            SCOPED_TRACE(std::string(c.action) + (succeeds ? " opened" : " failed"));
            services_->Opened.clear();
            services_->Messages.clear();
            services_->ShellOpenSucceeds = succeeds;
            if (!succeeds) {
                services_->MessageAnswers.push_back(TMessageResult::Ok);
            }
            const qsizetype before = form_->LogLines().size();
            Trigger(c.action);
            ASSERT_EQ(services_->Opened.size(), 1u);
            EXPECT_EQ(services_->Opened[0], c.target);
            const QStringList added = form_->LogLines().mid(before);
            if (succeeds) {
                EXPECT_TRUE(added.isEmpty()) << added.join('\n').toStdString();
                EXPECT_TRUE(services_->Messages.empty());
            } else {
                ASSERT_EQ(added.size(), 1);
                EXPECT_TRUE(added[0].contains(c.target)) << added[0].toStdString();
                ASSERT_EQ(services_->Messages.size(), 1u);
                EXPECT_TRUE(services_->Messages[0].endsWith(QLatin1Char('\n') + c.shown))
                    << services_->Messages[0].toStdString();
            }
        }
    }
    EXPECT_TRUE(help.startsWith(QStringLiteral("file:///")));
}

TEST_F(AuxCommandsTest, TheAboutWindowIsMadeOnceAndItsLinksOpenTheAddresses) {
    QDialog* first = nullptr;
    const struct {
        const char* link;
        QString target;
    } links[] = {
        {"lnkHome", QLatin1String(kHomePage)},
        {"lnkSupport", QStringLiteral("mailto:") + QLatin1String(kSupportMail)},
    };
    for (const auto& link : links) {
        services_->Opened.clear();
        WithModal([&] { Trigger("actAbout"); },
                  [&](QDialog& dialog) {
                      if (first == nullptr) {
                          first = &dialog;
                      }
                      EXPECT_EQ(&dialog, first) << "made again";
                      EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About"));
                      EXPECT_EQ(dialog.size(), QSize(382, 200));
                      const QString title = Find<QLabel>(dialog, "lblTitle")->text();
                      EXPECT_EQ(title, QLatin1String(kMainWindowCaption) + QLatin1Char(' ') +
                                           ProgramVersion());
                      auto* label = Find<QLabel>(dialog, link.link);
                      ASSERT_NE(label, nullptr);
                      EXPECT_TRUE(label->text().contains(link.target));
                      emit label->linkActivated(link.target);
                  });
        ASSERT_EQ(services_->Opened.size(), 1u) << link.link;
        EXPECT_EQ(services_->Opened[0], link.target);
    }
}

TEST_F(AuxCommandsTest, ChoosingASkinAppliesItAndCancelBringsBackThePrevious) {
    const auto Shown = [&] {
        return form_->Skins().SystemSkinSelected() ? 5 : form_->Skins().CurrentBuiltInIndex();
    };
    const QStringList& names = TSkinManager::BuiltInSkinNames();
    ASSERT_EQ(names.size(), 5);
    // Each step: the row highlighted, whether OK is pressed, the skin after
    // (5: the system's look, listed last).
    const struct {
        int row;
        bool ok;
        int after;
    } steps[] = {{2, true, 2}, {4, false, 2}, {1, true, 1}, {3, false, 1},
                 {5, true, 5}, {4, false, 5}, {0, true, 0}};
    const QPalette skinned = QApplication::palette();
    int current = -2;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.row);
        WithModal([&] { Trigger("actSelectSkin"); },
                  [&](QDialog& dialog) {
                      EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Select skin"));
                      auto* list = Find<QListWidget>(dialog, "lstSkins");
                      ASSERT_NE(list, nullptr);
                      QStringList shown;
                      for (int i = 0; i < list->count(); ++i) {
                          shown.append(list->item(i)->text());
                      }
                      // The skins' own captions, not their file names.
                      EXPECT_EQ(shown, QStringList({"Vantel Aero", "Silver Ext", "Blue Ext",
                                                    "Black Ext", "Black Aero", "System"}));
                      if (current >= 0) {
                          EXPECT_EQ(list->currentRow(), current);
                      }
                      list->setCurrentRow(step.row);
                      // The highlighted skin is shown at once.
                      EXPECT_EQ(Shown(), step.row);
                      if (step.ok) {
                          dialog.accept();
                      } else {
                          dialog.reject();
                      }
                  });
        EXPECT_EQ(Shown(), step.after);
        if (step.after == 5) {
            // The desktop's palette, not a skin's, and no style sheet over it.
            EXPECT_TRUE(qApp->styleSheet().isEmpty());
            EXPECT_NE(QApplication::palette().color(QPalette::Window),
                      skinned.color(QPalette::Window));
            EXPECT_EQ(QApplication::palette().resolveMask(), 0u) << "a palette of our own";
        }
        current = step.after;
    }
}

// Lightness (0-255) of a window's own background, at its corners, where its
// margins keep its children away.
int CornerLightness(QWidget& window) {
    const QImage image = window.grab().toImage();
    const int right = image.width() - 3;
    const int bottom = image.height() - 3;
    return (QColor(image.pixel(2, 2)).lightness() +
            QColor(image.pixel(right, bottom)).lightness()) /
           2;
}

TEST_F(AuxCommandsTest, TheChosenSkinReachesMessageBoxesAndTheFileAndFolderDialogs) {
    // The real dialogs, as the window shows them; none of them knows the skin.
    const std::shared_ptr<TUiServices> real = QtUiServices();
    const std::pair<const char*, std::function<void()>> dialogs[] = {
        {"message box",
         [&] {
             real->MessageBox(form_.get(), QStringLiteral("Video to MP3"),
                              QStringLiteral("Convert?"), TMessageButtons::YesNo,
                              TMessageIcon::Exclamation);
         }},
        {"file dialog",
         [&] {
             real->OpenFiles(form_.get(), QStringLiteral("Add Files"),
                             QString::fromStdString(user_.Home()),
                             FileFiltersOf("Video Files|*.mp4;*.avi"));
         }},
        {"folder dialog",
         [&] {
             real->ChooseFolder(form_.get(), QStringLiteral("Add Folder"),
                                QString::fromStdString(user_.Home()));
         }},
    };
    const QStringList& names = TSkinManager::BuiltInSkinNames();
    int dark_skins = 0;
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(form_->Skins().SelectBuiltInSkin(name));
        const QPalette& palette = form_->Skins().CurrentSkin().Palette;
        const bool dark = palette.color(QPalette::Window).lightness() < 128;
        dark_skins += dark ? 1 : 0;
        for (const auto& [what, show] : dialogs) {
            SCOPED_TRACE(what);
            WithModal(show, [&](QDialog& dialog) {
                // The style sheet paints backgrounds; the other roles are the palette's.
                EXPECT_EQ(dialog.palette().color(QPalette::Highlight),
                          palette.color(QPalette::Highlight));
                // Drawn in the skin's tone, not only given its palette.
                EXPECT_EQ(CornerLightness(dialog) < 128, dark) << CornerLightness(dialog);
            });
        }
    }
    // A light default would pass for every light skin: the dark ones tell.
    EXPECT_GT(dark_skins, 0);
}

// The rows of a window after adding `files` and then `folder`: through the
// commands, through one drop, or through the command line.
class AddingPathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::copy_file(test::Fixture("avi_mpeg4_mp2.avi"), folder_.Path() / "b.AVI");
        fs::copy_file(test::Fixture("mp4_h264_aac.mp4"), folder_.Path() / "a.mp4");
        fs::copy_file(test::Fixture(fixtures::kNotMedia), folder_.Path() / "c.avi");
        files_ = {Path(test::Fixture("mp4_h264_aac.mp4")), Path(test::Fixture(fixtures::kNotMedia)),
                  Path(test::Fixture("avi_mpeg4_mp2.avi"))};
    }

    std::vector<std::vector<std::string>> Rows(const std::function<void(TForm1&)>& add) {
        auto services = std::make_shared<test::TScriptedServices>();
        services->FileAnswers.push_back(files_);
        services->FolderAnswers.push_back(Path(folder_.Path()));
        // Each way of adding starts from an empty list.
        const test::TFreshStateFolder state;
        auto form = test::MakeForm(program_, services);
        EXPECT_TRUE(form->StartupComplete());
        add(*form);
        EXPECT_TRUE(test::WaitUntilAdded(*form));
        status_ = form->StatusText();
        return test::ListTexts(*form);
    }

    test::TUserFolders user_;
    test::TProgramFolder program_;
    test::TempDir folder_{"dropped"};
    QStringList files_;
    QString status_;
};

TEST_F(AddingPathsTest, DroppedAndCommandLinePathsGiveTheRowsOfTheCommands) {
    const auto by_commands = Rows([](TForm1& form) {
        Find<QAction>(form, "actAddFiles")->trigger();
        ASSERT_TRUE(test::WaitUntilAdded(form));
        Find<QAction>(form, "actAddFolder")->trigger();
    });
    ASSERT_EQ(by_commands.size(), 4u);
    const QString commands_status = status_;
    EXPECT_EQ(commands_status, QStringLiteral("1 file could not be added - see the log"));

    QStringList paths = files_;
    paths.append(Path(folder_.Path()));
    const auto dropped = Rows([&](TForm1& form) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths) {
            urls.append(QUrl::fromLocalFile(path));
        }
        data.setUrls(urls);
        // The list is empty: its picture stands in its place.
        QWidget* target = Find<QWidget>(form, "ImgStart");
        ASSERT_TRUE(target->acceptDrops());
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        EXPECT_TRUE(drop.isAccepted());
    });
    EXPECT_EQ(dropped, by_commands);
    // One drop counts its failures together, as the two commands did apart.
    EXPECT_EQ(status_, QStringLiteral("2 files could not be added - see the log"));

    const auto from_command_line = Rows([&](TForm1& form) { form.AddPaths(paths); });
    EXPECT_EQ(from_command_line, by_commands);
}

TEST_F(AuxCommandsTest, ShortcutsTriggerTheirCommands) {
    form_->show();
    QApplication::setActiveWindow(form_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    const struct {
        QKeySequence keys;
        const char* action;
        bool enabled;  // with an empty list
    } cases[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_O), "actAddFiles", true},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), "actAddFolder", true},
        {QKeySequence(Qt::Key_F1), "actHelp", true},
        {QKeySequence(Qt::CTRL | Qt::Key_L), "actViewLog", true},
        {QKeySequence(Qt::CTRL | Qt::Key_Return), "actStartConvert", false},
        {QKeySequence(Qt::Key_Delete), "actRemove", false},
        {QKeySequence(Qt::CTRL | Qt::Key_Q), "mnuExit", true},
    };
    services_->FileAnswers.push_back({});
    services_->FolderAnswers.push_back(QString());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.action);
        QStringList owners;
        for (QAction* action : form_->findChildren<QAction*>()) {
            if (action->shortcuts().contains(c.keys)) {
                owners.append(action->objectName());
            }
        }
        EXPECT_EQ(owners, QStringList{QLatin1String(c.action)});
        auto* action = Find<QAction>(*form_, c.action);
        ASSERT_NE(action, nullptr);
        ASSERT_EQ(action->isEnabled(), c.enabled);
        if (!c.enabled) {
            continue;
        }
        // A modal window that has just closed may have taken the activation along.
        QApplication::setActiveWindow(form_.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
        QSignalSpy spy(action, &QAction::triggered);
        if (QLatin1String(c.action) == QLatin1String("actViewLog")) {
            WithModal([&] { QTest::keySequence(form_.get(), c.keys); }, [](QDialog&) {});
        } else {
            QTest::keySequence(form_.get(), c.keys);
        }
        EXPECT_EQ(spy.count(), 1);
    }
    EXPECT_FALSE(form_->isVisible()) << "Ctrl+Q closes the window";
    EXPECT_EQ(services_->Opened.size(), 1u) << "F1 opens the guide";
}

TEST_F(AuxCommandsTest, EveryMenuTitleHasAMnemonic) {
    auto* menu_bar = Find<QMenuBar>(*form_, "MainMenu");
    ASSERT_NE(menu_bar, nullptr);
    int titles = 0;
    std::function<void(const QList<QAction*>&)> check = [&](const QList<QAction*>& actions) {
        for (const QAction* action : actions) {
            if (const QMenu* menu = action->menu()) {
                ++titles;
                EXPECT_TRUE(menu->title().contains(QLatin1Char('&')))
                    << menu->title().toStdString();
                check(menu->actions());
            }
        }
    };
    check(menu_bar->actions());
    EXPECT_EQ(titles, 7);
}

}  // namespace
}  // namespace v2m
