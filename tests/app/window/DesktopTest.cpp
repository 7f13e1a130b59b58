// What the window tells the desktop and keeps between runs: the sleep lock
// and the taskbar progress of a batch (over a private bus with a stand-in
// login manager and taskbar), greyed profiles, and the layout as it was left.

#include <QAction>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

#include <cstdio>

#include "DesktopManners.h"
#include "FixtureGenerator.h"
#include "WindowTestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

namespace v2m {
namespace {

using test::Find;

// One bus of the tests' own stands for both the system and the session bus.
// Started before main: the application must connect to it and to no other.
struct TPrivateBus {
    TPrivateBus() {
        FILE* out = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
        char address[512] = {};
        char pid[32] = {};
        if (out != nullptr && std::fgets(address, sizeof address, out) != nullptr &&
            std::fgets(pid, sizeof pid, out) != nullptr) {
            Address = QString::fromLocal8Bit(address).trimmed();
            Pid = std::atoi(pid);
        }
        if (out != nullptr) {
            ::pclose(out);
        }
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", Address.toLocal8Bit().constData(), 1);
        ::setenv("DBUS_SESSION_BUS_ADDRESS", Address.toLocal8Bit().constData(), 1);
    }
    ~TPrivateBus() {
        if (Pid > 0) {
            ::kill(Pid, SIGTERM);
        }
    }
    QString Address;
    pid_t Pid = 0;
};
const TPrivateBus private_bus;

// Each lock handed out is a pipe whose other end the test keeps.
class TFakeDesktop final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    ~TFakeDesktop() override {
        for (const int end : lock_ends_) {
            ::close(end);
        }
    }
    // Every copy of the lock's end is closed.
    bool Released(size_t lock) const {
        pollfd watched{lock_ends_.at(lock), POLLIN, 0};
        char byte = 0;
        return ::poll(&watched, 1, 0) == 1 && ::read(watched.fd, &byte, 1) == 0;
    }
    std::vector<QStringList> Inhibits;
    std::vector<QVariantMap> Updates;
    QStringList Apps;

public Q_SLOTS:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode) {
        Inhibits.push_back({what, who, why, mode});
        int ends[2] = {-1, -1};
        EXPECT_EQ(::pipe2(ends, O_CLOEXEC), 0);
        lock_ends_.push_back(ends[0]);
        const QDBusUnixFileDescriptor handed(ends[1]);  // a copy of its own
        ::close(ends[1]);
        return handed;
    }
    void Update(const QString& app, const QVariantMap& properties) {
        Apps.append(app);
        Updates.push_back(properties);
    }

private:
    std::vector<int> lock_ends_;
};

class DesktopTest : public ::testing::Test {
protected:
    std::unique_ptr<TForm1> Open(std::function<TProfileNeeds(const TConvertProfile&)> needs = {}) {
        return std::make_unique<TForm1>(
            TFormSurroundings{program_.Folder(), {}, services_, std::move(needs)});
    }
    static bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
        return QTest::qWaitFor(done, ms);
    }

    test::TUserFolders user_;
    test::TProgramFolder program_;
    test::TempDir in_{"desktop-in"};
    std::shared_ptr<test::TScriptedServices> services_ =
        std::make_shared<test::TScriptedServices>();
};

TEST_F(DesktopTest, ABatchHoldsOffSleepWhileRunningAndShowsItsProgressOnTheTaskbar) {
    TFakeDesktop desktop;
    QDBusConnection bus = QDBusConnection::connectToBus(private_bus.Address, "fake-desktop");
    ASSERT_TRUE(bus.registerService("org.freedesktop.login1"));
    ASSERT_TRUE(
        bus.registerObject("/org/freedesktop/login1", &desktop, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus.connect({}, kLauncherObjectPath, "com.canonical.Unity.LauncherEntry", "Update",
                            &desktop, SLOT(Update(QString, QVariantMap))));
    auto form = Open();  // loads the libraries the clip is written with
    fixtures::ClipRecipe recipe;
    recipe.duration_s = 300.0;
    recipe.streams = {fixtures::Audio("pcm_s16le", 44100, 2, 1000.0, 0.5)};
    fixtures::WriteClip(in_.Path() / "long.wav", recipe);
    Find<QComboBox>(*form, "edtOutPath")->setEditText(QString::fromStdString(in_.Path()));
    services_->FileAnswers.push_back({QString::fromStdString(in_.Path() / "long.wav")});
    form->actAddFilesExecute();
    ASSERT_TRUE(test::WaitUntilAdded(*form));

    Find<QAction>(*form, "actStartConvert")->trigger();
    ASSERT_TRUE(WaitFor([&] { return desktop.Inhibits.size() == 1; }));
    EXPECT_EQ(desktop.Inhibits[0],
              (QStringList{"sleep:idle", kApplicationTitle, "Converting 1 files", "block"}));
    ASSERT_TRUE(WaitFor([&] { return desktop.Updates.size() >= 3; }, 30000));
    EXPECT_FALSE(desktop.Released(0));
    Find<QAction>(*form, "actPauseConvert")->trigger();
    EXPECT_TRUE(WaitFor([&] { return desktop.Released(0); }));
    services_->MessageAnswers = {TMessageResult::No};    // no look at the output folder
    Find<QAction>(*form, "actStartConvert")->trigger();  // resumes
    ASSERT_TRUE(WaitFor([&] { return desktop.Inhibits.size() == 2; }));
    EXPECT_FALSE(desktop.Released(1));
    ASSERT_TRUE(WaitFor([&] { return form->ConvertState() == cvIdle; }, 120000));
    EXPECT_TRUE(WaitFor([&] { return desktop.Released(1); }));
    ASSERT_TRUE(WaitFor([&] { return !desktop.Updates.back()["progress-visible"].toBool(); }));

    // Every update but the last shows the one file left and a growing share.
    EXPECT_FALSE(desktop.Updates.back()["count-visible"].toBool());
    desktop.Updates.pop_back();
    std::vector<double> shown;
    for (const QVariantMap& update : desktop.Updates) {
        EXPECT_TRUE(update["progress-visible"].toBool() && update["count-visible"].toBool());
        EXPECT_EQ(update["count"].toLongLong(), 1);
        shown.push_back(update["progress"].toDouble());
    }
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_EQ(shown.front(), 0.0);
    EXPECT_GT(shown.back(), 0.0);
    EXPECT_EQ(desktop.Apps.count(kLauncherAppUri), desktop.Apps.size());
    QDBusConnection::disconnectFromBus("fake-desktop");
}

TEST_F(DesktopTest, AProfileTheLibrariesCannotServeIsGreyedWithItsReason) {
    auto form = Open([](const TConvertProfile& profile) {
        TProfileNeeds needs;
        if (profile.Caption == "MP3 (Auto)") {
            needs.Missing = {"no audio encoder libnothing"};
        }
        return needs;
    });
    ASSERT_EQ(form->Profiles().at(0).Caption, "MP3 (Auto)");
    auto* list = Find<QComboBox>(*form, "cmbProfile");
    const auto* items = qobject_cast<const QStandardItemModel*>(list->model());
    ASSERT_NE(items, nullptr);
    EXPECT_FALSE(items->item(0)->isEnabled());
    EXPECT_EQ(items->item(0)->toolTip(), "no audio encoder libnothing");
    EXPECT_TRUE(items->item(1)->isEnabled());
    // It would have been selected: the next one that works is.
    EXPECT_EQ(list->currentIndex(), 1);
    EXPECT_EQ(form->LogLines().filter("libnothing").size(), 1);
    list->setCurrentIndex(0);
    EXPECT_EQ(list->currentIndex(), 1);
}

TEST_F(DesktopTest, TheLayoutOutputFoldersAndProfileComeBackAsTheyWereLeft) {
    const std::vector<std::pair<const char*, std::function<QString(TForm1&)>>> remembered = {
        {"place", [](TForm1& form) { return QTest::toString(form.geometry()); }},
        {"column",
         [](TForm1& form) {
             return QString::number(
                 Find<QTableView>(form, "lvFiles")->horizontalHeader()->sectionSize(2));
         }},
        {"output folders",
         [](TForm1& form) {
             auto* list = Find<QComboBox>(form, "edtOutPath");
             QStringList items;
             for (int i = 0; i < list->count(); ++i) {
                 items.append(list->itemText(i));
             }
             return items.join('|');
         }},
        {"profile",
         [](TForm1& form) { return Find<QComboBox>(form, "cmbProfile")->currentText(); }},
    };
    auto read_all = [&](TForm1& form) {
        std::vector<QString> values;
        for (const auto& row : remembered) {
            values.push_back(row.second(form));
        }
        return values;
    };
    std::vector<QString> fresh;
    std::vector<QString> left;
    {
        auto form = Open();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        fresh = read_all(*form);
        form->setGeometry(QRect(150, 90, 990, 690));
        auto* header = Find<QTableView>(*form, "lvFiles")->horizontalHeader();
        header->resizeSection(2, header->sectionSize(2) + 17);
        services_->FolderAnswers = {QString::fromStdString(in_.Path()), "/tmp"};
        form->btnBrowseClick();
        form->btnBrowseClick();
        Find<QComboBox>(*form, "cmbProfile")->setCurrentIndex(2);
        left = read_all(*form);
        form->close();
    }
    auto form = Open();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const std::vector<QString> back = read_all(*form);
    for (size_t i = 0; i < remembered.size(); ++i) {
        SCOPED_TRACE(remembered[i].first);
        EXPECT_NE(left[i], fresh[i]);
        EXPECT_EQ(back[i], left[i]);
    }
}

}  // namespace
}  // namespace v2m

#include "DesktopTest.moc"
