// The main window's size and keyboard: it grows with the list taking the
// space, comes back as it was left, Tab goes round the controls without
// getting caught in the list, every control shows where the keyboard is, and
// every menu entry has a letter of its own. Built for the offscreen platform
// and for a real X server.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <set>

#include "IniFile.h"
#include "SkinManager.h"
#include "WindowTestSupport.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using test::ClientRect;
using test::Find;

class WindowLayoutTest : public ::testing::Test {
protected:
    std::string Setting(const char* key) const {
        return TIniFile(user_.SettingsFile().string()).ReadString("Window", key, "<missing>");
    }
    std::unique_ptr<TForm1> Open() {
        auto form = test::MakeForm(program_, services_);
        form->show();
        QApplication::setActiveWindow(form.get());
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        return form;
    }
    void Add(TForm1& form, const std::vector<std::string>& fixtures) {
        services_->FileAnswers.emplace_back();
        for (const std::string& name : fixtures) {
            services_->FileAnswers.back().append(
                QString::fromStdString(test::Fixture(name).string()));
        }
        Find<QAction>(form, "actAddFiles")->trigger();
        ASSERT_TRUE(test::WaitUntilAdded(form));
    }
    // Waits for the window system to give the window the size asked for.
    static bool Resized(TForm1& form, QSize size) {
        form.resize(size);
        return QTest::qWaitFor([&] { return form.size() == size; }, 3000);
    }

    test::TUserFolders user_;
    test::TProgramFolder program_;
    std::shared_ptr<test::TScriptedServices> services_ =
        std::make_shared<test::TScriptedServices>();
};

TEST(WindowSizeTest, TheSmallestSizeFollowsTheScreenDownToWhereControlsWouldOverlap) {
    const struct {
        QSize available;
        QSize smallest;
    } cases[] = {
        {{1920, 1080}, {812, 561}},
        // 200 % on a 1600 x 1000 screen, less a title bar.
        {{800, 470}, {800, 470}},
        {{640, 400}, {kSmallestClientWidth, kSmallestClientHeight}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MinimumClientSize(c.available), c.smallest)
            << c.available.width() << "x" << c.available.height();
    }
}

TEST_F(WindowLayoutTest, TheListTakesTheSpaceOfALargerOrSmallerWindow) {
    auto form = Open();
    Add(*form, {"avi_mpeg4_mp2.avi", "mp4_h264_aac.mp4"});
    const char* const names[] = {"lvFiles",   "grpPreview",         "grpProfile",
                                 "lblStatus", "grpProfileSettings", "ToolBar1"};
    std::map<std::string, QRect> classic;
    for (const char* name : names) {
        classic[name] = ClientRect(*form, name);
    }
    auto* view = Find<QTableView>(*form, "lvFiles");
    const auto name_fills_the_list = [&] {
        const QHeaderView* header = view->horizontalHeader();
        return header->length() >= view->viewport()->width() &&
               header->sectionSize(0) >= kFileListColumnWidths[0];
    };

    for (const QSize size : {QSize(1200, 900), QSize(760, 480)}) {
        SCOPED_TRACE(size.width());
        ASSERT_TRUE(Resized(*form, size.expandedTo(form->minimumSize())));
        const QSize change = form->size() - QSize(kClientWidth, kClientHeight);
        EXPECT_EQ(ClientRect(*form, "lvFiles").size(), classic["lvFiles"].size() + change);
        EXPECT_EQ(ClientRect(*form, "ToolBar1").width(), form->width());
        // The right-hand groups keep their width and their margin to the edge,
        // the bottom ones their margin to the status line.
        for (const char* name : {"grpPreview", "grpProfileSettings"}) {
            EXPECT_EQ(ClientRect(*form, name).width(), 257) << name;
            EXPECT_EQ(form->width() - ClientRect(*form, name).right(),
                      kClientWidth - classic[name].right())
                << name;
        }
        EXPECT_EQ(ClientRect(*form, "grpProfile").top(),
                  classic["grpProfile"].top() + change.height());
        EXPECT_EQ(ClientRect(*form, "lblStatus").bottom(),
                  classic["lblStatus"].bottom() + change.height());
        // Nothing overlaps: the list and the preview end above the groups below.
        EXPECT_LT(ClientRect(*form, "lvFiles").bottom(), ClientRect(*form, "grpProfile").top());
        EXPECT_LT(ClientRect(*form, "grpPreview").bottom(),
                  ClientRect(*form, "grpProfileSettings").top());
        EXPECT_LT(ClientRect(*form, "lvFiles").right(), ClientRect(*form, "grpPreview").left());
        EXPECT_TRUE(QTest::qWaitFor(name_fills_the_list, 1000))
            << view->horizontalHeader()->sectionSize(0);
    }
}

TEST_F(WindowLayoutTest, SizePlaceStateColumnsAndOrderComeBack) {
    {
        auto form = Open();
        ASSERT_TRUE(Resized(*form, QSize(1000, 700)));
        auto* header = Find<QTableView>(*form, "lvFiles")->horizontalHeader();
        header->resizeSection(2, 123);
        header->setSortIndicator(1, Qt::DescendingOrder);
        form->close();
    }
    EXPECT_EQ(Setting("Width"), "1000");
    EXPECT_EQ(Setting("Height"), "700");
    EXPECT_EQ(Setting("Maximized"), "0");
    {
        auto form = Open();
        EXPECT_EQ(form->size(), QSize(1000, 700));
        auto* view = Find<QTableView>(*form, "lvFiles");
        EXPECT_EQ(view->horizontalHeader()->sectionSize(2), 123);
        EXPECT_EQ(view->horizontalHeader()->sortIndicatorSection(), 1);
        EXPECT_EQ(view->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
        // Rows added later take their places in that order.
        Add(*form, {"mono_mp2_48k.avi", "mp4_h264_aac.mp4", "avi_mpeg4_mp2.avi"});
        std::vector<std::string> durations;
        for (const auto& row : test::ListTexts(*form)) {
            durations.push_back(row[1]);
        }
        EXPECT_TRUE(std::is_sorted(durations.rbegin(), durations.rend()));
        form->showMaximized();
        QTest::qWait(200);
        form->close();
    }
    EXPECT_EQ(Setting("Maximized"), "1");
    // Maximised, the normal size is what is kept.
    EXPECT_EQ(Setting("Width"), "1000");
    auto form = test::MakeForm(program_, services_);
    EXPECT_TRUE(form->windowState().testFlag(Qt::WindowMaximized));
}

TEST_F(WindowLayoutTest, TabGoesRoundTheControlsAndLeavesTheList) {
    auto form = Open();
    Add(*form, {"avi_mpeg4_mp2.avi", "mp4_h264_aac.mp4"});
    auto* view = Find<QTableView>(*form, "lvFiles");
    view->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->hasFocus(); }, 2000));

    // The order the controls are visited in, from the list round to it again.
    const std::vector<QString> order = {
        "lvFiles",      "cmbProfile",      "edtOutPath", "btnBrowse",  "btnOpenFolder",
        "chkSameInput", "cmbNameTemplate", "cmbQuality", "cmbChannel", "cmbBitRates",
        "cmbVolume",    "trkPlay",         "btnPause",   "btnStop",    "chkMute",
        "trkVolume",    "tbAddFiles",      "lvFiles"};
    const auto focused = [] {
        QWidget* widget = QApplication::focusWidget();
        // The folder box's text field stands for the box.
        while (widget != nullptr && widget->objectName().isEmpty()) {
            widget = widget->parentWidget();
        }
        return widget != nullptr ? widget->objectName() : QString();
    };
    std::vector<QString> visited = {focused()};
    for (int i = 0; i < 40 && (visited.size() == 1 || visited.back() != "lvFiles"); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(focused());
    }
    ASSERT_EQ(visited.back(), "lvFiles") << "Tab never came back to the list";
    // Disabled controls are passed over; the others come in the order above.
    auto next = order.begin();
    for (const QString& name : visited) {
        // The tool bar's buttons, as many as it has, come between the two.
        if (name.startsWith("tb") && name != "tbAddFiles") {
            continue;
        }
        next = std::find(next, order.end(), name);
        EXPECT_NE(next, order.end()) << name.toStdString() << " out of order";
    }
    EXPECT_EQ(visited[1], "cmbProfile");
    EXPECT_EQ(std::count(visited.begin(), visited.end(), "lvFiles"), 2);
    EXPECT_TRUE(std::find(visited.begin(), visited.end(), "tbAddFiles") != visited.end());

    // Back, and with Ctrl, out of the list as well.
    const std::pair<Qt::Key, Qt::KeyboardModifiers> leavings[] = {
        {Qt::Key_Backtab, Qt::ShiftModifier},
        {Qt::Key_Tab, Qt::ControlModifier},
        {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier},
    };
    for (const auto& [key, modifiers] : leavings) {
        view->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return view->hasFocus(); }, 2000));
        QTest::keyClick(view, key, modifiers);
        EXPECT_FALSE(view->hasFocus()) << key << " " << modifiers;
    }
}

TEST_F(WindowLayoutTest, EveryFocusableControlShowsTheFocusInEverySkin) {
    auto form = Open();
    Add(*form, {"avi_mpeg4_mp2.avi"});
    const char* const names[] = {"cmbProfile", "cmbQuality", "cmbChannel", "cmbBitRates",
                                 "cmbVolume",  "edtOutPath", "btnBrowse",  "chkSameInput",
                                 "lvFiles",    "tbAddFiles", "btnStop",    "trkVolume"};
    auto* elsewhere = Find<QWidget>(*form, "chkMute");
    for (const QString& skin : TSkinManager::BuiltInSkinNames()) {
        ASSERT_TRUE(form->Skins().SelectBuiltInSkin(skin));
        for (const char* name : names) {
            SCOPED_TRACE(skin.toStdString() + " " + name);
            auto* widget = Find<QWidget>(*form, name);
            // Lists a profile locks are enabled here: the look is what is tested.
            widget->setEnabled(true);
            elsewhere->setFocus();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !widget->hasFocus(); }, 1000));
            const QImage without = widget->grab().toImage();
            widget->setFocus(Qt::TabFocusReason);
            ASSERT_TRUE(QTest::qWaitFor([&] { return widget->hasFocus(); }, 1000));
            EXPECT_NE(widget->grab().toImage(), without);
        }
    }
}

TEST_F(WindowLayoutTest, EveryMenuEntryHasALetterOfItsOwn) {
    auto form = test::MakeForm(program_, services_);
    for (QAction* top : Find<QMenuBar>(*form, "MainMenu")->actions()) {
        SCOPED_TRACE(top->text().toStdString());
        std::set<QChar> letters;
        for (QAction* action : top->menu()->actions()) {
            if (action->isSeparator()) {
                continue;
            }
            const QString text = action->text();
            const qsizetype at = text.indexOf(QLatin1Char('&'));
            ASSERT_TRUE(at >= 0 && at + 1 < text.size()) << text.toStdString();
            EXPECT_TRUE(letters.insert(text[at + 1].toLower()).second)
                << text.toStdString() << " repeats a letter";
        }
    }
}

TEST(PlayTimeTest, PositionAndLengthAsTheClockReadsThem) {
    const struct {
        int64_t position, duration;
        const char* text;
    } cases[] = {
        {42'400'000, 195'000'000, "0:42 / 3:15"},
        {0, 3'000'000, "0:00 / 0:03"},
        {3'700'000'000, 7'200'000'000, "1:01:40 / 2:00:00"},
        // Past the end (the last picture's time) and before any length is known.
        {5'000'000, 3'000'000, "0:03 / 0:03"},
        {61'000'000, 0, "1:01"},
        {0, 0, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PlayTimeText(c.position, c.duration), c.text) << c.position;
    }
}

TEST_F(WindowLayoutTest, NormalizingGreysOutTheVolumeList) {
    auto form = test::MakeForm(program_, services_);
    auto* volume = Find<QComboBox>(*form, "cmbVolume");
    auto* profiles = Find<QComboBox>(*form, "cmbProfile");
    // A profile that leaves the volume to the user.
    for (int i = 0; i < profiles->count() && !volume->isEnabled(); ++i) {
        profiles->setCurrentIndex(i);
    }
    ASSERT_TRUE(volume->isEnabled());
    auto* normalize = Find<QAction>(*form, "actNormalizeLoudness");
    for (const bool on : {true, false}) {
        if (normalize->isChecked() != on) {
            normalize->trigger();
        }
        form->ActionList1Update();
        EXPECT_EQ(volume->isEnabled(), !on);
        EXPECT_EQ(volume->toolTip().contains("Normalize Loudness"), on);
    }
}

// How much of the button's picture, in eighths, is in colours far from
// `colour` (enough to be seen on it), or else near it.
int Eighths(const QToolButton& button, const QColor& colour, bool far) {
    const QImage icon = button.icon().pixmap(16, 16).toImage();
    int counted = 0;
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width(); ++x) {
            const QColor pixel = icon.pixelColor(x, y);
            const int distance = std::abs(pixel.red() - colour.red()) +
                                 std::abs(pixel.green() - colour.green()) +
                                 std::abs(pixel.blue() - colour.blue());
            counted += pixel.alpha() > 128 && (distance > 150) == far ? 1 : 0;
        }
    }
    return counted * 8 / (icon.width() * icon.height());
}

TEST_F(WindowLayoutTest, PreviewButtonsStandOutOnEverySkinsButtons) {
    auto form = test::MakeForm(program_, services_);
    for (const QString& skin : TSkinManager::BuiltInSkinNames()) {
        ASSERT_TRUE(form->Skins().SelectBuiltInSkin(skin));
        for (const char* name : {"btnPause", "btnStop"}) {
            SCOPED_TRACE(skin.toStdString() + " " + name);
            auto* button = Find<QToolButton>(*form, name);
            EXPECT_GE(Eighths(*button, button->palette().color(QPalette::Button), true), 1);
        }
    }
}

// The System skin follows the desktop from light to dark with the window open,
// the window's own colours as much as its children's.
TEST_F(WindowLayoutTest, TheSystemSkinFollowsTheDesktopIntoDark) {
    auto form = Open();
    form->Skins().SelectSystemSkin();
    const QColor light(0xf0, 0xf0, 0xf0);
    const QColor dark(0x20, 0x20, 0x20);
    for (const auto& [button, text] : {std::pair(light, dark), std::pair(dark, light)}) {
        // What the platform does when the desktop's colours change.
        QPalette desktop(button, button);
        desktop.setColor(QPalette::ButtonText, text);
        QApplication::setPalette(desktop);
        EXPECT_EQ(form->palette().color(QPalette::Button).name(), button.name());
        for (const char* name : {"btnPause", "btnStop"}) {
            SCOPED_TRACE(button.name().toStdString() + " " + name);
            EXPECT_GE(Eighths(*Find<QToolButton>(*form, name), text, false), 1);
        }
    }
    form->Skins().SelectSystemSkin();
}

}  // namespace
}  // namespace v2m
