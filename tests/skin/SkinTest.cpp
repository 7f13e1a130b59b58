// Skins on a real application: the built-in skins, the two file forms, and
// files that cannot be used.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <vector>

#include "SkinFile.h"
#include "SkinManager.h"

namespace v2m {
namespace {

QByteArray ReadAll(const QString& file_name) {
    QFile file(file_name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file_name.toStdString();
    return file.readAll();
}

void WriteAll(const QString& file_name, const QByteArray& data) {
    QFile file(file_name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << file_name.toStdString();
    ASSERT_EQ(file.write(data), data.size());
}

// The text of a built-in skin, from the program's resources.
QByteArray BuiltInText(const QString& name) {
    QByteArray text;
    QString error;
    EXPECT_TRUE(UnpackSkinData(ReadAll(TSkinManager::BuiltInSkinPath(name)), text, error))
        << name.toStdString() << ": " << error.toStdString();
    return text;
}

// What the user sees: a panel of the window's kinds of controls, drawn with
// whatever look the application has now.
QImage RenderSamplePanel() {
    QWidget panel;
    auto* layout = new QVBoxLayout(&panel);
    auto* group = new QGroupBox(QStringLiteral("Profile Settings"));
    auto* group_layout = new QVBoxLayout(group);
    auto* combo = new QComboBox;
    combo->addItems({QStringLiteral("Auto"), QStringLiteral("44100")});
    group_layout->addWidget(combo);
    group_layout->addWidget(new QCheckBox(QStringLiteral("Same folder as input ")));
    layout->addWidget(group);
    auto* tree = new QTreeWidget;
    tree->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Duration")});
    tree->addTopLevelItem(
        new QTreeWidgetItem({QStringLiteral("clip.avi"), QStringLiteral("00:01:00")}));
    tree->setCurrentItem(tree->topLevelItem(0));
    layout->addWidget(tree);
    auto* progress = new QProgressBar;
    progress->setValue(60);
    layout->addWidget(progress);
    layout->addWidget(new QPushButton(QStringLiteral("Browse")));
    panel.resize(320, 300);
    panel.show();
    QApplication::processEvents();
    return panel.grab().toImage();
}

// The look the application has, as far as a skin sets it.
struct Look {
    QPalette palette;
    QString style_sheet;
    bool operator==(const Look& other) const {
        return palette == other.palette && style_sheet == other.style_sheet;
    }
};

Look CurrentLook() {
    return {QApplication::palette(), qApp->styleSheet()};
}

TEST(BuiltInSkinTest, FirstSkinIsSelectedAtStart) {
    TSkinManager skins;
    EXPECT_EQ(skins.CurrentBuiltInIndex(), 0);
    EXPECT_EQ(skins.CurrentSource(), QStringLiteral(":/skins/Vantel_Aero.skn"));
    EXPECT_TRUE(skins.LastError().isEmpty()) << skins.LastError().toStdString();
    EXPECT_EQ(TSkinManager::BuiltInSkinNames(),
              (QStringList{"Vantel_Aero.skn", "Silver_Ext.skn", "Blue_Ext.skn", "black_Ext.skn",
                           "Black_Aero.skn"}));
}

TEST(BuiltInSkinTest, EachLoadsAppliesAndLooksDifferent) {
    TSkinManager skins;
    std::vector<TSkin> loaded;
    std::vector<QImage> images;
    const QStringList& names = TSkinManager::BuiltInSkinNames();
    for (int i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i].toStdString());
        ASSERT_TRUE(skins.SelectBuiltInSkin(names[i])) << skins.LastError().toStdString();
        EXPECT_EQ(skins.CurrentBuiltInIndex(), i);
        const TSkin& skin = skins.CurrentSkin();
        EXPECT_FALSE(skin.Name.isEmpty());
        EXPECT_FALSE(skin.StyleSheet.isEmpty());
        // Applied to the whole application.
        EXPECT_EQ(QApplication::palette().color(QPalette::Window),
                  skin.Palette.color(QPalette::Window));
        EXPECT_EQ(QApplication::palette().color(QPalette::Highlight),
                  skin.Palette.color(QPalette::Highlight));
        EXPECT_EQ(qApp->styleSheet(), skin.StyleSheet);
        // Disabled text is told apart from enabled text.
        EXPECT_NE(skin.Palette.color(QPalette::Disabled, QPalette::WindowText),
                  skin.Palette.color(QPalette::Active, QPalette::WindowText));
        loaded.push_back(skin);
        images.push_back(RenderSamplePanel());
        ASSERT_FALSE(images.back().isNull());
    }
    for (size_t a = 0; a < loaded.size(); ++a) {
        for (size_t b = a + 1; b < loaded.size(); ++b) {
            SCOPED_TRACE(
                (names[static_cast<int>(a)] + " / " + names[static_cast<int>(b)]).toStdString());
            EXPECT_NE(loaded[a].Name, loaded[b].Name);
            EXPECT_NE(loaded[a].Palette.color(QPalette::Window),
                      loaded[b].Palette.color(QPalette::Window));
            EXPECT_NE(loaded[a].Palette.color(QPalette::Highlight),
                      loaded[b].Palette.color(QPalette::Highlight));
            EXPECT_NE(images[a], images[b]);
        }
    }
    // Selection ignores letter case, as the names differ only in it.
    ASSERT_TRUE(skins.SelectBuiltInSkin(QStringLiteral("BLACK_EXT.SKN")));
    EXPECT_EQ(skins.CurrentBuiltInIndex(), 3);
}

TEST(SkinFileTest, CompressedAndPlainFormsLoadTheSameSkin) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TSkinManager skins;
    for (const QString& name : TSkinManager::BuiltInSkinNames()) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(skins.SelectBuiltInSkin(name));
        const TSkin built_in = skins.CurrentSkin();
        const QString base = dir.filePath(QFileInfo(name).completeBaseName());

        WriteAll(base + ".ini", BuiltInText(name));
        WriteAll(base + ".skn", ReadAll(TSkinManager::BuiltInSkinPath(name)));
        WriteAll(base + "_upper.SKN", PackSkinText(BuiltInText(name)));
        for (const QString& file : {base + ".ini", base + ".skn", base + "_upper.SKN"}) {
            ASSERT_TRUE(skins.SelectBuiltInSkin(TSkinManager::BuiltInSkinNames().last() == name
                                                    ? TSkinManager::BuiltInSkinNames().first()
                                                    : TSkinManager::BuiltInSkinNames().last()));
            ASSERT_TRUE(skins.LoadSkinFile(file)) << skins.LastError().toStdString();
            EXPECT_EQ(skins.CurrentSkin(), built_in) << file.toStdString();
            EXPECT_EQ(skins.CurrentSource(), file);
            EXPECT_EQ(skins.CurrentBuiltInIndex(), -1);
            EXPECT_EQ(CurrentLook(), (Look{built_in.Palette, built_in.StyleSheet}));
        }
        // The committed source is what the program carries.
        TSkin source;
        QString error;
        ASSERT_TRUE(ReadSkinFile(
            QStringLiteral(V2M_SKINS_SOURCE_DIR "/") + QFileInfo(name).completeBaseName() + ".ini",
            source, error))
            << error.toStdString();
        EXPECT_EQ(source, built_in);
    }
}

TEST(SkinFileTest, DefaultSkinIsInstalledBesideThePrograms) {
    TSkinManager skins;
    const TSkin built_in = skins.CurrentSkin();
    ASSERT_TRUE(skins.SelectBuiltInSkin(QStringLiteral("Blue_Ext.skn")));
    ASSERT_TRUE(skins.LoadSkinFile(QStringLiteral(V2M_OUTPUT_DIR "/Vantel_Aero.skn")))
        << skins.LastError().toStdString();
    EXPECT_EQ(skins.CurrentSkin(), built_in);
}

TEST(SkinFileTest, CompressedFormIsALengthThenAZlibStream) {
    const QByteArray text = BuiltInText(QStringLiteral("Vantel_Aero.skn"));
    const QByteArray packed =
        ReadAll(TSkinManager::BuiltInSkinPath(QStringLiteral("Vantel_Aero.skn")));
    ASSERT_GT(packed.size(), 6);
    const auto byte = [&packed](int i) {
        return static_cast<quint32>(static_cast<uchar>(packed[i]));
    };
    EXPECT_EQ((byte(0) << 24) | (byte(1) << 16) | (byte(2) << 8) | byte(3),
              static_cast<quint32>(text.size()));
    EXPECT_EQ(byte(4) & 0x0f, 8u) << "deflate";
    EXPECT_EQ(((byte(4) << 8) | byte(5)) % 31, 0u) << "zlib header check";
    EXPECT_LT(packed.size(), text.size());
}

TEST(SkinFileTest, UnusableFilesLeaveTheCurrentLookAndSayWhy) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray valid = BuiltInText(QStringLiteral("Silver_Ext.skn"));
    const QByteArray packed = PackSkinText(valid);
    QByteArray huge_claim = packed;
    huge_claim[0] = '\x40';  // claims a text of 1 GiB
    QByteArray damaged = packed;
    damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x55);

    struct Case {
        const char* what;
        QString name;
        std::optional<QByteArray> data;  // nothing: no file is written
        const char* reason;              // part of the reported text
    };
    const Case cases[] = {
        {"missing file", "gone.skn", std::nullopt, "not found"},
        {"empty compressed file", "empty.skn", QByteArray(), "not a compressed skin"},
        {"plain text named .skn", "plain.skn", valid, "not a compressed skin"},
        {"random bytes", "random.skn", QByteArray("\x12\x34\x56\x78\x9a\xbc\xde\xf0", 8),
         "not a compressed skin"},
        {"truncated", "truncated.skn", packed.left(packed.size() / 2), "damaged"},
        {"damaged stream", "damaged.skn", damaged, ""},
        {"absurd length", "huge.skn", huge_claim, "not a compressed skin"},
        {"compressed non-skin", "other.skn", PackSkinText("hello"), "no name"},
        {"unknown role", "role.ini", "[Skin]\nName=X\n[Colors]\nWindow=#fff\nWindw=#000\n",
         "line 5: unknown colour role 'Windw'"},
        {"bad colour", "colour.ini", "[Skin]\nName=X\n[Colors]\nWindow=#ggg\n",
         "line 4: invalid colour '#ggg'"},
        {"no name", "noname.ini", "[Colors]\nWindow=#fff\n", "no name"},
        {"no window colour", "nowindow.ini", "[Skin]\nName=X\n[Colors]\nButton=#fff\n",
         "no Window colour"},
        {"window only for one group", "group.ini", "[Skin]\nName=X\n[Colors.Active]\nWindow=#fff\n",
         "no Window colour"},
        {"broken header", "header.ini", "[Skin\nName=X\n", "line 1"},
        {"other extension", "skin.txt", valid, "unknown skin file type"},
        {"a folder", "folder.skn", std::nullopt, ""},
    };
    QDir(dir.path()).mkdir(QStringLiteral("folder.skn"));

    TSkinManager skins;
    ASSERT_TRUE(skins.SelectBuiltInSkin(QStringLiteral("Blue_Ext.skn")));
    const TSkin before = skins.CurrentSkin();
    const Look look = CurrentLook();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString file = dir.filePath(c.name);
        if (c.data) {
            WriteAll(file, *c.data);
        }
        EXPECT_FALSE(skins.LoadSkinFile(file));
        const QString error = skins.LastError();
        EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot load skin \"") + file + "\": "))
            << error.toStdString();
        EXPECT_TRUE(error.contains(QLatin1String(c.reason))) << error.toStdString();
        EXPECT_FALSE(error.contains(QLatin1Char('\n')));
        EXPECT_EQ(skins.CurrentSkin(), before);
        EXPECT_EQ(skins.CurrentBuiltInIndex(), 2);
        EXPECT_EQ(CurrentLook(), look);
    }
    EXPECT_FALSE(skins.SelectBuiltInSkin(QStringLiteral("Nope.skn")));
    EXPECT_FALSE(skins.LastError().isEmpty());
    EXPECT_EQ(CurrentLook(), look);
    // A success clears the reason.
    ASSERT_TRUE(skins.SelectBuiltInSkin(QStringLiteral("Silver_Ext.skn")));
    EXPECT_TRUE(skins.LastError().isEmpty());
}

TEST(SkinTextTest, GroupsRolesAndStyleSheet) {
    const QByteArray text =
        "# comment\n"
        "[skin]\r\n"
        "name = Test Skin \r\n"
        "Author=ignored\n"
        "[Unknown Section]\n"
        "anything goes here\n"
        "[colors]\n"
        "window=#102030\n"
        "HIGHLIGHT=orange\n"
        "[Colors.Disabled]\n"
        "Highlight=#808080\n"
        "[Colors.Inactive]\n"
        "WindowText=#00ff00\n"
        "[StyleSheet]\n"
        "QPushButton { color: red; }\n"
        "[not a section] { }\n"
        "QLabel { color: blue; }\n";
    TSkin skin;
    QString error;
    ASSERT_TRUE(ParseSkinText(text, skin, error)) << error.toStdString();
    EXPECT_EQ(skin.Name, QStringLiteral("Test Skin"));
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        EXPECT_EQ(skin.Palette.color(group, QPalette::Window), QColor(0x10, 0x20, 0x30)) << group;
    }
    EXPECT_EQ(skin.Palette.color(QPalette::Active, QPalette::Highlight), QColor("orange"));
    EXPECT_EQ(skin.Palette.color(QPalette::Inactive, QPalette::Highlight), QColor("orange"));
    EXPECT_EQ(skin.Palette.color(QPalette::Disabled, QPalette::Highlight), QColor("#808080"));
    EXPECT_EQ(skin.Palette.color(QPalette::Inactive, QPalette::WindowText), QColor("#00ff00"));
    EXPECT_NE(skin.Palette.color(QPalette::Active, QPalette::WindowText), QColor("#00ff00"));
    // Roles the skin leaves out come from its Window colour: a dark window gets light text.
    EXPECT_GT(skin.Palette.color(QPalette::Active, QPalette::WindowText).lightness(),
              skin.Palette.color(QPalette::Active, QPalette::Window).lightness());
    EXPECT_EQ(skin.StyleSheet, QStringLiteral("QPushButton { color: red; }\n"
                                              "[not a section] { }\n"
                                              "QLabel { color: blue; }"));

    TSkin unchanged = skin;
    EXPECT_FALSE(
        ParseSkinText("[Skin]\nName=Other\n[Colors]\nWindow=nocolour\n", unchanged, error));
    EXPECT_EQ(unchanged, skin);
}

}  // namespace
}  // namespace v2m
