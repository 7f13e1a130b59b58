// Adding a large folder from the main window: the command returns at once,
// the status line counts, the rows come in the folder's order, and Esc,
// closing and destroying the window each stop the workers part-way.

#include <QAction>
#include <QApplication>
#include <QRegularExpression>
#include <QTest>

#include <chrono>
#include <cstdio>

#include "FixtureGenerator.h"
#include "WindowTestSupport.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using test::Find;

constexpr int kFiles = 200;

// Every tenth file cannot be read. Its probe logs, and a worker that logs
// waits for the window's thread, so the workers can never run far ahead of
// the rows listed.
bool Unreadable(int i) {
    return i % 10 == 9;
}

std::string NameOf(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "clip_%03d.avi", i);
    return name;
}

std::vector<std::string> Names(TForm1& form) {
    std::vector<std::string> names;
    for (const auto& row : test::ListTexts(form)) {
        names.push_back(row[0]);
    }
    return names;
}

bool StartsWith(const std::vector<std::string>& all, const std::vector<std::string>& part) {
    return part.size() <= all.size() && std::equal(part.begin(), part.end(), all.begin());
}

class AddingWindowTest : public ::testing::Test {
protected:
    test::TUserFolders user_;
    test::TProgramFolder program_;
    std::shared_ptr<test::TScriptedServices> services_ =
        std::make_shared<test::TScriptedServices>();
};

TEST_F(AddingWindowTest, ALargeFolderComesInOrderWithoutBlockingAndStopsWhenAsked) {
    test::TempDir folder("adding");
    std::vector<std::string> readable;
    for (int i = 0; i < kFiles; ++i) {
        fs::copy_file(test::Fixture(Unreadable(i) ? fixtures::kNotMedia : "avi_mpeg4_mp2.avi"),
                      folder.Path() / NameOf(i));
        if (!Unreadable(i)) {
            readable.push_back(NameOf(i));
        }
    }
    const QRegularExpression counting(QStringLiteral("^Adding (\\d+) of 200 files\\.\\.\\.$"));

    enum class TEnd { Finish, Escape, Close, Destroy };
    const struct {
        const char* what;
        TEnd end;
    } cases[] = {{"to the end", TEnd::Finish},
                 {"Esc", TEnd::Escape},
                 {"closing", TEnd::Close},
                 {"destroying", TEnd::Destroy}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto form = test::MakeForm(program_, services_);
        ASSERT_TRUE(form->StartupComplete());
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
            counted = counted || (match.hasMatch() && match.captured(1).toInt() < kFiles);
            ordered = ordered && StartsWith(readable, Names(*form));
            return counted && (!form->FileList().Empty() || !form->Adding());
        };
        ASSERT_TRUE(QTest::qWaitFor(listed_some, 60000));
        const std::vector<std::string> before_end = Names(*form);

        const auto stop_started = std::chrono::steady_clock::now();
        switch (c.end) {
            case TEnd::Finish:
                ASSERT_TRUE(QTest::qWaitFor(
                    [&] {
                        listed_some();
                        return !form->Adding();
                    },
                    60000));
                break;
            case TEnd::Escape:
                QTest::keyClick(form.get(), Qt::Key_Escape);
                break;
            case TEnd::Close:
                form->close();
                break;
            case TEnd::Destroy:
                form.reset();
                break;
        }
        EXPECT_LT(std::chrono::steady_clock::now() - stop_started, std::chrono::seconds(20));
        EXPECT_TRUE(counted);
        EXPECT_TRUE(ordered);
        if (!form) {
            // Whatever was still on its way to the window goes with it.
            QTest::qWait(100);
            continue;
        }
        EXPECT_FALSE(form->Adding());
        EXPECT_EQ(form->StatusText(), QString());
        const std::vector<std::string> names = Names(*form);
        if (c.end == TEnd::Finish) {
            EXPECT_EQ(names, readable);
            const QStringList failures =
                form->LogLines().filter(QStringLiteral("***File load error: "));
            ASSERT_EQ(failures.size(), kFiles / 10);
            for (int k = 0; k < failures.size(); ++k) {
                EXPECT_TRUE(failures[k].contains(QString::fromStdString(NameOf(10 * k + 9))))
                    << failures[k].toStdString();
            }
            EXPECT_TRUE(Find<QAction>(*form, "actStartConvert")->isEnabled());
        } else {
            // Part-way: what was listed stays, nothing more comes.
            EXPECT_EQ(names, before_end);
            EXPECT_LT(names.size(), readable.size());
            QTest::qWait(200);
            EXPECT_EQ(Names(*form), before_end);
        }
        EXPECT_EQ(Find<QAction>(*form, "actAddFolder")->isEnabled(), c.end != TEnd::Close);
        form->close();
        EXPECT_EQ(test::ReadSetting(user_.SettingsFile(), "AddFolderPath"), folder.Path().string());
    }
}

}  // namespace
}  // namespace v2m
