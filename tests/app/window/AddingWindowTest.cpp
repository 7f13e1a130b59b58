// Adding a large folder from the main window: the command returns at once,
// the status line counts, the rows come in the folder's order, and Esc,
// closing and destroying the window each stop the workers part-way.

#include <QAction>
#include <QApplication>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <chrono>

#include "FixtureGenerator.h"
#include "WindowTestSupport.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using test::Find;

std::vector<std::string> Names(TForm1& form) {
    std::vector<std::string> names;
    for (const auto& row : test::ListTexts(form)) {
        names.push_back(row[0]);
    }
    return names;
}

class AddingWindowTest : public ::testing::Test {
protected:
    test::TUserFolders user_;
    test::TProgramFolder program_;
    std::shared_ptr<test::TScriptedServices> services_ =
        std::make_shared<test::TScriptedServices>();
};

// The folder's 200 clips, every tenth of which cannot be read; the names of
// the readable ones, in order.
std::vector<std::string> FillClipFolder(const fs::path& folder) {
    std::vector<std::string> readable;
    for (int i = 100; i < 300; ++i) {
        const std::string name = "clip_" + std::to_string(i) + ".avi";
        const bool unreadable = i % 10 == 9;
        fs::copy_file(test::Fixture(unreadable ? fixtures::kNotMedia : "avi_mpeg4_mp2.avi"),
                      folder / name);
        if (!unreadable) {
            readable.push_back(name);
        }
    }
    return readable;
}

enum class TAddingEnd { Finish, Escape, Close, Destroy };

// A window whose adding has ended as `end` made it: its status, log and rows.
void ExpectAddingEnded(TForm1& form, TAddingEnd end, const std::vector<std::string>& readable,
                       const std::vector<std::string>& listed) {
    EXPECT_FALSE(form.Adding());
    // The files that could not be read are counted where the user looks.
    const qsizetype unread = form.LogLines().filter(QStringLiteral("***File load error: ")).size();
    if (unread == 0 || end == TAddingEnd::Close) {
        EXPECT_EQ(form.StatusText(), QString());
    } else {
        EXPECT_EQ(form.StatusText(), QStringLiteral("%1 file%2 could not be added - see the log")
                                         .arg(unread)
                                         .arg(unread == 1 ? "" : "s"));
    }
    EXPECT_EQ(Find<QAction>(form, "actAddFolder")->isEnabled(), end != TAddingEnd::Close);
    if (end == TAddingEnd::Finish) {
        EXPECT_EQ(Names(form), readable);
        const QStringList failures = form.LogLines().filter(QStringLiteral("***File load error: "));
        ASSERT_EQ(failures.size(), 20);
        for (int k = 0; k < 20; ++k) {
            const QString name = QStringLiteral("clip_%1.avi").arg(100 + 10 * k + 9);
            EXPECT_TRUE(failures[k].contains(name)) << failures[k].toStdString();
        }
    } else {
        // Part-way: what was listed stays, and nothing more comes.
        QTest::qWait(200);
        EXPECT_EQ(Names(form), listed);
        EXPECT_LT(listed.size(), readable.size());
    }
}

TEST_F(AddingWindowTest, ALargeFolderComesInOrderWithoutBlockingAndStopsWhenAsked) {
    // Every tenth file cannot be read. Its probe logs, and here a worker that
    // logs waits for the window's thread, so the workers never run far ahead
    // of the rows listed and the adding can be stopped halfway.
    test::TempDir folder("adding");
    const std::vector<std::string> readable = FillClipFolder(folder.Path());
    const QRegularExpression counting(QStringLiteral("^Adding (\\d+) of 200 files\\.\\.\\.$"));

    for (const TAddingEnd end :
         {TAddingEnd::Finish, TAddingEnd::Escape, TAddingEnd::Close, TAddingEnd::Destroy}) {
        SCOPED_TRACE(static_cast<int>(end));
        const test::TFreshStateFolder state;
        auto form = test::MakeForm(program_, services_);
        FFLoggerInstance().SetComponentMessagesWait(true);
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        services_->FolderAnswers.push_back(QString::fromStdString(folder.Path().string()));
        Find<QAction>(*form, "actAddFolder")->trigger();
        // The command is back before a single file is listed.
        EXPECT_TRUE(form->Adding());
        EXPECT_TRUE(form->FileList().Empty());
        for (const char* name : {"actAddFiles", "actAddFolder", "actStartConvert"}) {
            EXPECT_FALSE(Find<QAction>(*form, name)->isEnabled()) << name;
        }

        // Rows come while the status line counts, always in the folder's order.
        bool counted = false;
        bool ordered = true;
        const auto listed_some = [&] {
            const QRegularExpressionMatch match = counting.match(form->StatusText());
            counted = counted || (match.hasMatch() && match.captured(1).toInt() < 200);
            const std::vector<std::string> names = Names(*form);
            ordered = ordered && names.size() <= readable.size() &&
                      std::equal(names.begin(), names.end(), readable.begin());
            return counted && (!names.empty() || !form->Adding());
        };
        ASSERT_TRUE(QTest::qWaitFor(listed_some, 60000));
        const std::vector<std::string> listed = Names(*form);

        const auto stop_started = std::chrono::steady_clock::now();
        if (end == TAddingEnd::Finish) {
            ASSERT_TRUE(QTest::qWaitFor(
                [&] {
                    listed_some();
                    return !form->Adding();
                },
                60000));
        } else if (end == TAddingEnd::Escape) {
            QTest::keyClick(form.get(), Qt::Key_Escape);
        } else if (end == TAddingEnd::Close) {
            form->close();
        } else {
            form.reset();
            // Whatever was on its way to the window goes with it.
            QTest::qWait(100);
        }
        EXPECT_LT(std::chrono::steady_clock::now() - stop_started, std::chrono::seconds(20));
        EXPECT_TRUE(counted);
        EXPECT_TRUE(ordered);
        if (!form) {
            continue;
        }
        ExpectAddingEnded(*form, end, readable, listed);
    }
}

}  // namespace
}  // namespace v2m
