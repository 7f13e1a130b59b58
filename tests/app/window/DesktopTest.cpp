// What the window tells the desktop and keeps between runs: the sleep lock
// and the taskbar progress of a batch (over a private bus with a stand-in
// login manager and taskbar), profiles the libraries cannot serve, and the
// layout as it was left.

#include <QAction>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QVariantMap>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "DesktopManners.h"
#include "FixtureGenerator.h"
#include "WindowTestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

namespace v2m {
namespace {

namespace fs = std::filesystem;
using test::Find;

// A bus of the tests' own, standing for both the system and the session bus.
// Started before main: the application must connect to it and to no other.
class TPrivateBus {
public:
    TPrivateBus() {
        FILE* out = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
        char line[512] = {};
        if (out != nullptr && std::fgets(line, sizeof line, out) != nullptr) {
            address_ = QString::fromLocal8Bit(line).trimmed();
            if (std::fgets(line, sizeof line, out) != nullptr) {
                pid_ = std::atoi(line);
            }
        }
        if (out != nullptr) {
            ::pclose(out);
        }
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.toLocal8Bit().constData(), 1);
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address_.toLocal8Bit().constData(), 1);
    }
    ~TPrivateBus() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
        }
    }
    const QString& Address() const { return address_; }

private:
    QString address_;
    pid_t pid_ = 0;
};
const TPrivateBus private_bus;

// The login manager's Inhibit, each lock a pipe whose far end the test
// watches, and the taskbar's ear for the progress.
class TFakeDesktop final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    ~TFakeDesktop() override {
        for (const int end : lock_ends_) {
            ::close(end);
        }
    }
    // The lock's holder has closed every copy of its end.
    bool Released(size_t lock) const {
        pollfd watched{lock_ends_.at(lock), POLLIN, 0};
        char byte = 0;
        return ::poll(&watched, 1, 0) == 1 && ::read(watched.fd, &byte, 1) == 0;
    }
    std::vector<QStringList> Inhibits;
    std::vector<QVariantMap> Updates;
    QStringList UpdatedApps;

public Q_SLOTS:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode) {
        Inhibits.push_back({what, who, why, mode});
        int ends[2] = {-1, -1};
        EXPECT_EQ(::pipe2(ends, O_CLOEXEC), 0);
        lock_ends_.push_back(ends[0]);
        QDBusUnixFileDescriptor handed(ends[1]);  // a copy of its own
        ::close(ends[1]);
        return handed;
    }
    void Update(const QString& app, const QVariantMap& properties) {
        UpdatedApps.append(app);
        Updates.push_back(properties);
    }

private:
    std::vector<int> lock_ends_;
};

class DesktopTest : public ::testing::Test {
protected:
    std::unique_ptr<TForm1> Open(std::function<TProfileNeeds(const TConvertProfile&)> needs = {}) {
        auto form = std::make_unique<TForm1>(
            TFormSurroundings{program_.Folder(), {}, services_, std::move(needs)});
        EXPECT_TRUE(form->StartupComplete());
        return form;
    }
    QAction* Action(TForm1& form, const char* name) { return Find<QAction>(form, name); }

    test::TUserFolders user_;
    test::TProgramFolder program_;
    test::TempDir in_{"desktop-in"};
    test::TempDir out_{"desktop-out"};
    std::shared_ptr<test::TScriptedServices> services_ =
        std::make_shared<test::TScriptedServices>();
};

TEST_F(DesktopTest, ABatchHoldsOffSleepWhileRunningAndShowsItsProgressOnTheTaskbar) {
    TFakeDesktop desktop;
    QDBusConnection bus = QDBusConnection::connectToBus(private_bus.Address(), "fake-desktop");
    ASSERT_TRUE(bus.isConnected());
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.login1")));
    ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/login1"), &desktop,
                                   QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus.connect(
        {}, QLatin1String(kLauncherObjectPath), QStringLiteral("com.canonical.Unity.LauncherEntry"),
        QStringLiteral("Update"), &desktop, SLOT(Update(QString, QVariantMap))));

    auto form = Open();  // loads the libraries the clip is written with
    const fs::path clip = in_.Path() / "long.wav";
    fixtures::ClipRecipe recipe;
    recipe.duration_s = 300.0;
    recipe.streams = {fixtures::Audio("pcm_s16le", 44100, 2, 1000.0, 0.5)};
    fixtures::WriteClip(clip, recipe);
    Find<QComboBox>(*form, "edtOutPath")->setEditText(QString::fromStdString(out_.Path().string()));
    services_->FileAnswers.push_back({QString::fromStdString(clip.string())});
    form->actAddFilesExecute();
    ASSERT_TRUE(test::WaitUntilAdded(*form));

    Action(*form, "actStartConvert")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.Inhibits.size() == 1; }, 5000));
    EXPECT_EQ(desktop.Inhibits[0], (QStringList{"sleep:idle", QLatin1String(kApplicationTitle),
                                                "Converting 1 files", "block"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.Updates.size() >= 3; }, 30000));
    EXPECT_FALSE(desktop.Released(0));

    Action(*form, "actPauseConvert")->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return desktop.Released(0); }, 5000));
    services_->MessageAnswers = {TMessageResult::No};  // no look at the output folder
    Action(*form, "actStartConvert")->trigger();       // resumes
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.Inhibits.size() == 2; }, 5000));
    EXPECT_FALSE(desktop.Released(1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->ConvertState() == cvIdle; }, 120000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return desktop.Released(1); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !desktop.Updates.back().value("progress-visible").toBool(); }, 5000));

    std::vector<double> shown;
    for (size_t i = 0; i + 1 < desktop.Updates.size(); ++i) {
        const QVariantMap& update = desktop.Updates[i];
        EXPECT_TRUE(update.value("progress-visible").toBool());
        EXPECT_TRUE(update.value("count-visible").toBool());
        EXPECT_EQ(update.value("count").toLongLong(), 1);
        shown.push_back(update.value("progress").toDouble());
    }
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_EQ(shown.front(), 0.0);
    EXPECT_GT(shown.back(), 0.0);
    EXPECT_LE(shown.back(), 1.0);
    EXPECT_FALSE(desktop.Updates.back().value("count-visible").toBool());
    EXPECT_EQ(desktop.UpdatedApps.count(QLatin1String(kLauncherAppUri)),
              desktop.UpdatedApps.size());
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
    // It was what would have been selected: the next one that works is.
    EXPECT_EQ(list->currentIndex(), 1);
    EXPECT_EQ(form->LogLines().filter("libnothing").size(), 1);
    list->setCurrentIndex(0);
    EXPECT_EQ(list->currentIndex(), 1);
}

TEST_F(DesktopTest, TheLayoutFoldersAndProfileComeBackAsTheyWereLeft) {
    const test::TempDir first("desktop-first");
    const test::TempDir second("desktop-second");
    using TRead = std::function<QString(TForm1&)>;
    auto column = [](int index) {
        return [index](TForm1& form) {
            return QString::number(
                Find<QTableView>(form, "lvFiles")->horizontalHeader()->sectionSize(index));
        };
    };
    const std::vector<std::pair<const char*, TRead>> remembered = {
        {"place", [](TForm1& form) { return QTest::toString(form.geometry()); }},
        {"column 2", column(2)},
        {"column 4", column(4)},
        {"Add Files folder",
         [](TForm1& form) { return QString::fromStdString(form.AddFilesFolder()); }},
        {"output folders",
         [](TForm1& form) {
             QStringList items;
             auto* list = Find<QComboBox>(form, "edtOutPath");
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
        for (const auto& [name, read] : remembered) {
            values.push_back(read(form));
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
        header->resizeSection(4, header->sectionSize(4) + 9);
        services_->FileAnswers.push_back(
            {QString::fromStdString(test::Fixture("avi_mpeg4_mp2.avi").string())});
        form->actAddFilesExecute();
        ASSERT_TRUE(test::WaitUntilAdded(*form));
        services_->FolderAnswers = {QString::fromStdString(first.Path().string()),
                                    QString::fromStdString(second.Path().string())};
        form->btnBrowseClick();
        form->btnBrowseClick();
        Find<QComboBox>(*form, "cmbProfile")->setCurrentIndex(2);
        QTest::qWait(100);
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
