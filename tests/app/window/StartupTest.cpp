// The main window from start-up to close: its controls, the libraries, the
// profiles, the settings folder and the skin.

#include <unistd.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

#include "FFmpegLoader.h"
#include "WindowTestSupport.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using test::ClientRect;
using test::Find;
using test::TProgramFolder;
using test::TScriptedServices;
using test::TUserFolders;

QStringList Items(QComboBox* combo) {
    QStringList items;
    for (int i = 0; combo != nullptr && i < combo->count(); ++i) {
        items.append(combo->itemText(i));
    }
    return items;
}

QStringList MenuEntries(QMenu* menu) {
    QStringList entries;
    for (QAction* action : menu->actions()) {
        entries.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return entries;
}

class StartupTest : public ::testing::Test {
protected:
    TUserFolders user_;
    TProgramFolder program_;
    std::shared_ptr<TScriptedServices> services_ = std::make_shared<TScriptedServices>();
};

// Where the layout puts each control, and that none leaves the client area.
void ExpectPlaces(TForm1& form) {
    struct Place {
        const char* name;
        QRect expected;  // only the coordinates the layout fixes are compared
        bool left, top, width, height;
    };
    const Place places[] = {
        {"MainMenu", {0, 0, 812, 25}, true, true, false, true},
        {"ToolBar1", {0, 24, 812, 65}, true, true, false, true},
        {"lvFiles", {0, 96, 521, 273}, false, true, true, true},
        {"ImgStart", {0, 96, 521, 273}, false, true, true, true},
        {"grpPreview", {544, 96, 257, 281}, true, true, true, true},
        {"pnlPreview", {0, 0, 257, 177}, false, false, true, true},
        {"imgPreview", {0, 0, 257, 177}, false, false, true, true},
        {"grpProfile", {0, 384, 521, 153}, false, true, true, true},
        {"grpProfileSettings", {544, 384, 257, 153}, true, true, true, true},
        {"lblStatus", {12, 540, 789, 18}, true, true, true, true},
    };
    for (const Place& place : places) {
        const QRect actual = ClientRect(form, place.name);
        if (place.left) {
            EXPECT_EQ(actual.left(), place.expected.left()) << place.name;
        }
        if (place.top) {
            EXPECT_EQ(actual.top(), place.expected.top()) << place.name;
        }
        if (place.width) {
            EXPECT_EQ(actual.width(), place.expected.width()) << place.name;
        }
        if (place.height) {
            EXPECT_EQ(actual.height(), place.expected.height()) << place.name;
        }
    }
    // The list and its picture share one place, the preview and its still picture another;
    // the left column lines up, and every control stays inside the client area.
    EXPECT_EQ(ClientRect(form, "lvFiles"), ClientRect(form, "ImgStart"));
    EXPECT_EQ(ClientRect(form, "pnlPreview"), ClientRect(form, "imgPreview"));
    EXPECT_EQ(ClientRect(form, "lvFiles").left(), ClientRect(form, "grpProfile").left());
    auto* client = Find<QWidget>(form, "client");
    for (QWidget* widget : client->findChildren<QWidget*>()) {
        if (!widget->objectName().isEmpty() && widget->isVisibleTo(&form)) {
            const QRect rect = ClientRect(form, widget);
            EXPECT_TRUE(QRect(0, 0, 812, 561).contains(rect)) << widget->objectName().toStdString();
        }
    }
}

// The captions of the buttons, groups and labels.
void ExpectCaptions(TForm1& form) {
    const std::pair<const char*, const char*> captions[] = {
        {"btnBrowse", "Browse"},
        {"btnOpenFolder", "Open"},
        {"chkSameInput", "Same folder as input "},
        {"chkMute", "Mute"},
    };
    for (const auto& [name, caption] : captions) {
        auto* button = Find<QAbstractButton>(form, name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QLatin1String(caption)) << name;
    }
    const std::pair<const char*, const char*> groups[] = {
        {"grpPreview", "Preview"},
        {"grpProfile", "Profile"},
        {"grpProfileSettings", "Profile Settings"}};
    for (const auto& [name, title] : groups) {
        EXPECT_EQ(Find<QGroupBox>(form, name)->title(), QLatin1String(title)) << name;
    }
    const std::pair<const char*, QStringList> labels[] = {
        {"grpProfile", {"Profile", "Output Folder", "File Name", "Progress"}},
        {"grpProfileSettings", {"Quality", "Channels", "Bit Rates (Kbps)", "Volume (%)"}}};
    for (const auto& [group, texts] : labels) {
        QStringList found;
        for (QLabel* label : Find<QGroupBox>(form, group)->findChildren<QLabel*>()) {
            found.append(label->text());
        }
        for (const QString& text : texts) {
            EXPECT_TRUE(found.contains(text)) << group << ": " << text.toStdString();
        }
    }
    EXPECT_TRUE(Find<QWidget>(form, "mmoLog")->isHidden());
}

// The menus' entries and the tool bar's buttons.
void ExpectMenusAndToolBar(TForm1& form) {
    auto* menu_bar = Find<QMenuBar>(form, "MainMenu");
    ASSERT_NE(menu_bar, nullptr);
    const std::pair<QString, QStringList> menus[] = {
        {"&File", {"&Add Files...", "Add F&older...", "-", "&Skin", "View &Log", "-", "E&xit"}},
        {"&Edit", {"&Remove", "&Clear"}},
        {"&Convert",
         {"&Start", "&Pause", "St&op", "Convert All A&gain", "-", "Si&multaneous Conversions",
          "Copy &Tags", "Use a &Video Frame as Cover", "&Copy Audio When Possible", "-",
          "&Normalize Loudness", "Loudness T&arget", "&Loudness", "-", "Split by C&hapters",
          "S&kip Files Already Converted"}},
        {"&About", {"&Help Content", "-", "&About", "&Visit Website"}},
    };
    const QList<QAction*> tops = menu_bar->actions();
    ASSERT_EQ(tops.size(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(tops[i]->text(), menus[i].first);
        EXPECT_EQ(MenuEntries(tops[i]->menu()), menus[i].second) << menus[i].first.toStdString();
    }
    EXPECT_EQ(Find<QAction>(form, "actRemove")->shortcut(), QKeySequence(Qt::Key_Delete));
    QStringList buttons;
    for (QAction* action : Find<QToolBar>(form, "ToolBar1")->actions()) {
        if (!action->isSeparator()) {
            buttons.append(action->iconText());
            EXPECT_FALSE(action->icon().isNull()) << action->iconText().toStdString();
        }
    }
    EXPECT_EQ(buttons, QStringList({"Add Files", "Remove", "Clear", "Start", "Pause", "Stop",
                                    "Help", "Visit Home"}));
}

TEST_F(StartupTest, WindowHasItsControlsCaptionsAndPlaces) {
    auto form = test::MakeForm(program_, services_);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Tolvex Video to MP3 Converter Free"));
    // The classic 812 x 541, and a status line below the groups: the size it
    // opens at and the smallest it takes on a screen with room for it.
    EXPECT_EQ(form->size(), QSize(812, 561));
    EXPECT_EQ(form->minimumSize(), QSize(812, 561));
    EXPECT_GT(form->maximumSize().width(), 812);
    EXPECT_GT(form->maximumSize().height(), 561);

    ExpectPlaces(*form);
    ExpectCaptions(*form);
    ExpectMenusAndToolBar(*form);
}

TEST_F(StartupTest, LibrariesComeFromTheSystemWhenTheFolderHasNone) {
    struct Case {
        const char* what;
        bool empty_library_folder;
        bool skin_file;
    };
    const Case cases[] = {{"no LibAV folder", false, true},
                          {"an empty LibAV folder", true, true},
                          {"no skin file beside the program", false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TProgramFolder program;
        if (c.empty_library_folder) {
            fs::create_directories(program.Path() / kLibraryFolder);
        }
        if (!c.skin_file) {
            program.RemoveDefaultSkin();
        }
        auto form = test::MakeForm(program, services_);
        EXPECT_TRUE(form->StartupComplete());
        const QStringList log = form->LogLines();
        for (const QString& line : log) {
            EXPECT_FALSE(line.startsWith(QStringLiteral("Load library"))) << line.toStdString();
        }
        EXPECT_EQ(Items(Find<QComboBox>(*form, "cmbChannel")),
                  QStringList({"Auto", "Mono", "Stereo"}));
        EXPECT_EQ(Items(Find<QComboBox>(*form, "cmbQuality")).size(), 6);
        EXPECT_EQ(Items(Find<QComboBox>(*form, "cmbBitRates")).size(), 15);
        EXPECT_EQ(Items(Find<QComboBox>(*form, "cmbVolume")).size(), 9);
        EXPECT_EQ(Find<QComboBox>(*form, "cmbProfile")->count(),
                  static_cast<int>(form->Profiles().size()));
        EXPECT_GT(form->Profiles().size(), 0u);
        EXPECT_EQ(Find<QSlider>(*form, "trkVolume")->maximum(), 128);
        EXPECT_EQ(Find<QSlider>(*form, "trkVolume")->value(), 128);
        EXPECT_FALSE(Find<QToolButton>(*form, "btnPause")->icon().isNull());
        EXPECT_TRUE(Find<QAction>(*form, "actAddFiles")->isEnabled());
        EXPECT_TRUE(Find<QAction>(*form, "actAddFolder")->isEnabled());
        EXPECT_FALSE(Find<QAction>(*form, "actClear")->isEnabled());
        EXPECT_TRUE(Find<QWidget>(*form, "lvFiles")->isHidden());
        EXPECT_FALSE(Find<QWidget>(*form, "ImgStart")->isHidden());
        EXPECT_TRUE(Find<QWidget>(*form, "pnlPreview")->isHidden());
        if (c.skin_file) {
            EXPECT_EQ(form->Skins().CurrentSource().toStdString(),
                      program.Folder() + kDefaultSkinFile);
            EXPECT_TRUE(log.filter(QStringLiteral("Cannot load skin")).isEmpty());
        } else {
            // The built-in default stays, and the log says why the file was not used.
            EXPECT_EQ(form->Skins().CurrentBuiltInIndex(), 0);
            ASSERT_EQ(log.filter(QStringLiteral("Cannot load skin")).size(), 1);
        }
    }
}

TEST_F(StartupTest, BrokenLibraryStopsStartUpWithTheLoadersLine) {
    test::UnloadMediaLibraries();
    const std::string library = FFLoader().LibFileName(lkAVCodec);
    program_.PutBrokenLibrary(library);
    auto form = test::MakeForm(program_, services_);

    const QStringList log = form->LogLines();
    ASSERT_EQ(log.size(), 1) << log.join('\n').toStdString();
    const std::string expected_start =
        "Load library " + program_.Folder() + kLibraryFolder + "/" + library + " error: ";
    EXPECT_EQ(log[0].toStdString().rfind(expected_start, 0), 0u) << log[0].toStdString();
    EXPECT_FALSE(form->StartupComplete());
    // The profiles were read; nothing after the libraries was set up.
    EXPECT_GT(form->Profiles().size(), 0u);
    for (const char* name :
         {"cmbProfile", "cmbQuality", "cmbChannel", "cmbBitRates", "cmbVolume", "edtOutPath"}) {
        EXPECT_EQ(Find<QComboBox>(*form, name)->count(), 0) << name;
    }
    EXPECT_FALSE(form->Settings().has_value());
    EXPECT_EQ(form->Skins().CurrentBuiltInIndex(), 0);
    for (const char* name : {"actAddFiles", "actAddFolder", "actStartConvert", "actRemove"}) {
        EXPECT_FALSE(Find<QAction>(*form, name)->isEnabled()) << name;
    }
    // Even called directly the adding commands open no dialog (the scripted
    // services fail the test on any).
    form->actAddFilesExecute();
    form->actAddFolderExecute();
    form->close();
    EXPECT_FALSE(fs::exists(user_.SettingsFile().parent_path()));
}

TEST_F(StartupTest, SettingsFolderDecidesWhatIsReadAndWritten) {
    struct Case {
        const char* what;
        int setup;  // 0 writable, 1 blocked by a file, 2 no absolute folder at all
    };
    for (const Case& c : {Case{"writable", 0}, Case{"blocked", 1}, Case{"unresolved", 2}}) {
        SCOPED_TRACE(c.what);
        TUserFolders user;
        test::TempDir current("cwd");
        const std::string previous = fs::current_path().string();
        fs::current_path(current.Path());
        if (c.setup == 1) {
            user.MakeConfigUnavailable();
        } else if (c.setup == 2) {
            ::setenv("HOME", "relative-home", 1);
            ::setenv("XDG_CONFIG_HOME", "relative-config", 1);
        }
        auto form = test::MakeForm(program_, services_);
        auto* out_path = Find<QComboBox>(*form, "edtOutPath");
        EXPECT_TRUE(form->StartupComplete());
        if (c.setup == 0) {
            ASSERT_TRUE(form->Settings().has_value());
            EXPECT_EQ(Items(out_path), QStringList({QString::fromStdString(user.Desktop())}));
            EXPECT_EQ(out_path->currentText().toStdString(), user.Desktop());
        } else {
            EXPECT_FALSE(form->Settings().has_value());
            EXPECT_EQ(out_path->count(), 0);
        }
        form->close();
        fs::current_path(previous);
        if (c.setup == 0) {
            EXPECT_EQ(test::ReadSetting(user.SettingsFile(), "OutputFolder0"), user.Desktop());
            EXPECT_EQ(test::ReadSetting(user.SettingsFile(), "AddFilesFolder"), user.Desktop());
            EXPECT_EQ(test::ReadSetting(user.SettingsFile(), "OutputFolder4"), "");
        } else {
            EXPECT_FALSE(fs::exists(user.SettingsFile()));
        }
        // Never a settings folder relative to wherever the program was started.
        EXPECT_TRUE(fs::is_empty(current.Path()));
    }
}

TEST_F(StartupTest, StoredFoldersComeBackAndAreWrittenBackAtClose) {
    test::TempDir first("out1");
    test::TempDir second("out2");
    test::TempDir add_folder("addfolder");
    fs::create_directories(user_.SettingsFile().parent_path());
    {
        TIniFile settings(user_.SettingsFile().string());
        settings.WriteString(kGeneralSection, "AddFilesFolder", "/no/such/folder/");
        settings.WriteString(kGeneralSection, "AddFolderPath", add_folder.Path().string());
        settings.WriteString(kGeneralSection, "OutputFolder0", "");
        settings.WriteString(kGeneralSection, "OutputFolder1", first.Path().string() + "/");
        settings.WriteString(kGeneralSection, "OutputFolder2", second.Path().string() + "/");
    }
    auto form = test::MakeForm(program_, services_);
    auto* out_path = Find<QComboBox>(*form, "edtOutPath");
    const QStringList stored = {QString::fromStdString(first.Path().string() + "/"),
                                QString::fromStdString(second.Path().string() + "/")};
    EXPECT_EQ(Items(out_path), stored);
    EXPECT_EQ(out_path->currentText(), stored[0]);
    // A folder that is gone is replaced by the desktop.
    EXPECT_EQ(form->AddFilesFolder(), user_.Desktop());

    // A typed folder that was never chosen is not an item, so it is not kept.
    out_path->setEditText(QStringLiteral("/typed/only/"));
    form->close();
    const fs::path file = user_.SettingsFile();
    EXPECT_EQ(test::ReadSetting(file, "AddFilesFolder"), user_.Desktop());
    EXPECT_EQ(test::ReadSetting(file, "AddFolderPath"), add_folder.Path().string());
    EXPECT_EQ(test::ReadSetting(file, "OutputFolder0"), stored[0].toStdString());
    EXPECT_EQ(test::ReadSetting(file, "OutputFolder1"), stored[1].toStdString());
    for (const char* key : {"OutputFolder2", "OutputFolder3", "OutputFolder4"}) {
        EXPECT_EQ(test::ReadSetting(file, key), "") << key;
    }
}

TEST_F(StartupTest, ProfilesPresetAndLockTheOptionLists) {
    program_.WriteProfiles(
        {{"voice.ini",
          "[General]\nCaption=Voice\nExt=mp3\nVolumeSwitch=0\nVolumeIndex=4\n"
          "ChannelsSwitch=0\nChannelsIndex=1\n"},
         {"wave.ini", "[General]\nCaption=Wave\nExt=wav\nQualityIndex=99\nBitRatesIndex=-3\n"}},
        {"voice.ini", "wave.ini", "missing.ini"});
    auto form = test::MakeForm(program_, services_);
    auto* profile = Find<QComboBox>(*form, "cmbProfile");
    EXPECT_EQ(Items(profile), QStringList({"Voice", "Wave", ""}));
    EXPECT_EQ(profile->currentIndex(), 0);

    struct Expected {
        const char* list;
        QString item;
        bool enabled;
    };
    const std::pair<int, std::vector<Expected>> cases[] = {
        {0,
         {{"cmbVolume", "100", false},
          {"cmbChannel", "Mono", false},
          {"cmbQuality", "Auto", true},
          {"cmbBitRates", "Auto", true}}},
        // Indexes outside a list are brought to its nearest end.
        {1,
         {{"cmbQuality", "48000", true},
          {"cmbBitRates", "Auto", true},
          {"cmbVolume", "Auto", true}}},
        // A listed profile whose file is missing: every list free at "Auto".
        {2,
         {{"cmbQuality", "Auto", true}, {"cmbChannel", "Auto", true}, {"cmbVolume", "Auto", true}}},
        {0, {{"cmbVolume", "100", false}, {"cmbChannel", "Mono", false}}},
    };
    for (const auto& [index, lists] : cases) {
        profile->setCurrentIndex(index);
        for (const Expected& e : lists) {
            auto* combo = Find<QComboBox>(*form, e.list);
            EXPECT_EQ(combo->currentText(), e.item) << "profile " << index << " " << e.list;
            EXPECT_EQ(combo->isEnabled(), e.enabled) << "profile " << index << " " << e.list;
        }
    }
}

TEST_F(StartupTest, NoProfileIndexLeavesTheProfileListEmptyAndTheListsLocked) {
    fs::remove(program_.Path() / "profiles" / "profiles.ini");
    auto form = test::MakeForm(program_, services_);
    EXPECT_TRUE(form->StartupComplete());
    EXPECT_EQ(Find<QComboBox>(*form, "cmbProfile")->count(), 0);
    for (const char* name : {"cmbQuality", "cmbChannel", "cmbBitRates", "cmbVolume"}) {
        EXPECT_FALSE(Find<QComboBox>(*form, name)->isEnabled()) << name;
    }
    EXPECT_FALSE(Find<QAction>(*form, "actStartConvert")->isEnabled());
}

}  // namespace
}  // namespace v2m
