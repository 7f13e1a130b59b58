// The window in the user's language: the language the environment asks for,
// every finished translation fitting the window on a real X server (kept as
// screenshots), a row's tool tip, and a German window that converts as the
// English one does while its log stays in English.

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QTranslator>
#include <QUrl>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "CoverPicture.h"
#include "FailureText.h"
#include "FileListModel.h"
#include "FixtureGenerator.h"
#include "Translations.h"
#include "WindowTestSupport.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using test::Find;

TEST(MessageLanguagesTest, TheEnvironmentNamesTheLanguagesAsGettextReadsIt) {
    const struct {
        std::map<std::string, std::string> environment;
        QStringList languages;
    } cases[] = {
        {{}, {}},
        {{{"LANG", "de_DE.UTF-8"}}, {"de_DE"}},
        {{{"LANG", "C.UTF-8"}, {"LANGUAGE", "fr"}}, {}},
        {{{"LC_ALL", "pt_BR.UTF-8"}, {"LC_MESSAGES", "ru_RU"}, {"LANG", "de_DE"}}, {"pt_BR"}},
        {{{"LANGUAGE", "ja:zh_CN::de"}, {"LANG", "de_DE.UTF-8@euro"}},
         {"ja", "zh_CN", "de", "de_DE"}},
        {{{"LANGUAGE", "pl"}, {"LC_ALL", ""}, {"LANG", "pl_PL.UTF-8"}}, {"pl", "pl_PL"}},
    };
    for (const auto& c : cases) {
        const QStringList got = MessageLanguages([&c](const char* name) -> const char* {
            const auto found = c.environment.find(name);
            return found == c.environment.end() ? nullptr : found->second.c_str();
        });
        EXPECT_EQ(got, c.languages) << c.languages.join(QLatin1Char(',')).toStdString();
    }
}

// The window's translations for a language while the object lives.
class TLanguageSession {
public:
    explicit TLanguageSession(const QString& language) {
        language_ = InstallTranslations(*qApp, {language}, QStringLiteral(V2M_OUTPUT_DIR "/"));
    }
    ~TLanguageSession() {
        for (QTranslator* translator : qApp->findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
        QLocale::setDefault(QLocale::c());
    }
    TLanguageSession(const TLanguageSession&) = delete;
    TLanguageSession& operator=(const TLanguageSession&) = delete;
    const QString& Language() const { return language_; }

private:
    QString language_;
};

// The core's counted words in the list, each language with its plural forms;
// English keeps the core's own.
TEST(LanguageWindowTest, ListCountsAndFailuresFollowTheLanguage) {
    const struct {
        const char* language;
        std::string parts;
        size_t outputs;
        QString shown_parts;
        QString shown_output;
    } cases[] = {
        {"en_US", "1 piece, cut 3:25", 2, "1 piece, cut 3:25", "a.mp3 + 1 more"},
        {"ru_RU", "1 piece", 2, "1 часть", "a.mp3 и ещё 1 файл"},
        {"ru_RU", "3 pieces, cut 3:25", 3, "3 части, обрезка 3:25", "a.mp3 и ещё 2 файла"},
        {"ru_RU", "cut from 1:02:03", 12, "обрезка с 1:02:03", "a.mp3 и ещё 11 файлов"},
        {"pl_PL", "22 pieces", 6, "22 części", "a.mp3 + 5 kolejnych"},
        {"ja_JP", "2 pieces, cut 0:30", 1, "2 パート、トリミング 0:30", "a.mp3"},
        {"de_DE", "cut does not fit", 2, "Ausschnitt passt nicht", "a.mp3 + 1 weitere"},
        {"fr_FR", "has no audio track", 3, "n'a pas de piste audio", "a.mp3 + 2 autres"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language + (" " + c.parts));
        const TLanguageSession session{QLatin1String(c.language)};
        TFileRow row;
        row.Data.OutputFile = "/out/a.mp3";
        row.Data.OutputCount = c.outputs;
        EXPECT_EQ(TFileListModel::ShownParts(c.parts), c.shown_parts);
        EXPECT_EQ(TFileListModel::ShownOutputName(row), c.shown_output);
    }
}

// The core's reasons for a file that cannot be converted, in the user's words
// around the times, names and counts they name, however odd the names.
TEST(LanguageWindowTest, ReasonsKeepTheirValuesInTheUsersWords) {
    const struct {
        const char* language;
        std::string reason;
        QString shown;
    } cases[] = {
        {"de_DE", "The cut ends at 0:05, not after its start at 1:02:10",
         "Der Ausschnitt endet bei 0:05, nicht nach seinem Anfang bei 1:02:10"},
        {"ru_RU", "No free output name: /out/a and %1.mp3 and 99 numbered names are taken",
         "Нет свободного имени для вывода: /out/a and %1.mp3 и нумерованные имена (99) заняты"},
        {"fr_FR", "/in/cut: 1.txt: Permission denied", "/in/cut: 1.txt: Permission refusée"},
        {"ja_JP", "the libraries' own words", "the libraries' own words"},
        {"de_DE", "/in/points.txt: line 3: 0:05 comes before the point above it (0:10)",
         "/in/points.txt: Zeile 3: 0:05 liegt vor dem Punkt darüber (0:10)"},
        {"pl_PL", "File name template: {n:05x}: write the width as :01 to :09",
         "Szablon nazwy pliku: {n:05x}: podaj szerokość jako :01 do :09"},
        {"en_US", "File name too long: /out/x.mp3", "File name too long: /out/x.mp3"},
        // The engine's words as a row keeps them, plain.
        {"de_DE",
         PlainFailureReason("Error while opening encoder for output stream #0.0 (libmp3lame) - "
                            "maybe incorrect parameters such as bit_rate, rate, width or height"),
         "der Encoder startet mit diesen Einstellungen nicht"},
        {"es_ES", PlainFailureReason("Unsupported codec for output stream #0.1 (aac)"),
         "las bibliotecas de este sistema no tienen codificador para este perfil"},
        {"it_IT", "line 1: written by a newer version (7)",
         "riga 1: scritto da una versione più recente (7)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language + (" " + c.reason));
        const TLanguageSession session{QLatin1String(c.language)};
        EXPECT_EQ(ShownReason(c.reason), c.shown);
    }
}

// Help opens the entry page in the window's language, which leads into the
// English guide; a language without a page of its own opens the guide.
TEST(LanguageWindowTest, HelpOpensThePageOfTheWindowsLanguage) {
    const struct {
        const char* language;
        const char* page;
    } cases[] = {
        {"de_DE", "index.de.html"}, {"pt_BR", "index.pt_BR.html"}, {"zh_CN", "index.zh_CN.html"},
        {"ru_RU", "index.ru.html"}, {"ja_JP", "index.ja.html"},    {"en_GB", "index.html"},
    };
    test::TUserFolders user;
    test::TFreshStateFolder state;
    test::TProgramFolder program;
    fs::copy(fs::path(V2M_OUTPUT_DIR) / "help", program.Path() / "help");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        const TLanguageSession session{QLatin1String(c.language)};
        auto services = std::make_shared<test::TScriptedServices>();
        const std::unique_ptr<TForm1> form = test::MakeForm(program, services);
        form->actHelpExecute();
        ASSERT_EQ(services->Opened.size(), 1u);
        EXPECT_EQ(services->Opened[0],
                  QUrl::fromLocalFile(QString::fromStdString(program.Folder() + "help/") +
                                      QLatin1String(c.page))
                      .toString());
    }
}

// Longer texts widen their controls or are elided with the whole text as the
// tool tip; none is cut off unseen.
void ExpectTextsFit(QWidget& window) {
    for (const QString& text : test::ClippedTexts(window)) {
        ADD_FAILURE() << "cut off: " << text.toStdString();
    }
}

// The list holds a file already.
void ExpectGermanConversion(TForm1& form, test::TScriptedServices& services) {
    test::TempDir out("german-out");
    QStringList menus;
    for (QAction* menu : Find<QMenuBar>(form, "MainMenu")->actions()) {
        menus.append(menu->text());
    }
    EXPECT_EQ(menus, QStringList({"&Datei", "&Bearbeiten", "&Konvertieren", "&Über"}));
    EXPECT_EQ(Find<QPushButton>(form, "btnBrowse")->text(), QStringLiteral("Durchsuchen"));
    Find<QComboBox>(form, "edtOutPath")->setEditText(QString::fromStdString(out.Path().string()));
    services.MessageAnswers.push_back(TMessageResult::No);  // not opening the folder
    form.actStartConvertExecute();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.ConvertState() == cvIdle; }, 60000));

    EXPECT_EQ(form.FileList().Rows().at(0).Progress, kCompletedProgressText);
    EXPECT_EQ(test::ListTexts(form).at(0).at(4), "Fertig");
    // Sizes in the German number format: "0,42 MB".
    EXPECT_TRUE(QString::fromStdString(test::ListTexts(form).at(0).at(2))
                    .contains(QRegularExpression(QStringLiteral("^\\d+,\\d\\d MB$"))))
        << test::ListTexts(form).at(0).at(2);
    EXPECT_TRUE(fs::exists(out.Path() / "avi_mpeg4_mp2.mp3"));
    ASSERT_EQ(services.Messages.size(), 1u);
    EXPECT_TRUE(services.Messages[0].startsWith("Konvertierung abgeschlossen"))
        << services.Messages[0].toStdString();
    EXPECT_EQ(Find<QLabel>(form, "lblStatus")->text(), QStringLiteral("1 konvertiert"));
    // Whoever gives support reads the log in English.
    EXPECT_TRUE(form.LogLines().contains(QStringLiteral("***File has been added to convert list.")))
        << form.LogLines().join('\n').toStdString();
}

// A row's tool tip in the window's language: the plan with its count's
// plural and its pieces, the cover left out with its numbers, and the reason
// a file that went cannot be converted.
TEST(LanguageWindowTest, ARowsPlanAndWarningFollowTheLanguage) {
    const auto says = [](const char* context, const char* english, int count = -1) {
        const QString text = QCoreApplication::translate(context, english, nullptr, count);
        EXPECT_NE(text, QString::fromLatin1(english).replace("%n", QString::number(count)));
        return text;
    };
    for (const char* language : {"de_DE", "ru_RU"}) {
        SCOPED_TRACE(language);
        test::TUserFolders user;
        test::TFreshStateFolder state;
        test::TProgramFolder program;
        test::TempDir in("plan-in");
        test::TempDir out("plan-out");
        const TLanguageSession session{QLatin1String(language)};
        auto services = std::make_shared<test::TScriptedServices>();
        const std::unique_ptr<TForm1> form = test::MakeForm(program, services);
        const fs::path split = in.Path() / "split.mp3";
        const fs::path cover = in.Path() / "cover.mp3";
        fs::copy_file(test::Fixture("mp3_44k_stereo.mp3"), split);
        fixtures::WriteMp3WithCover(split, cover, fixtures::PngPicture(kMaxCoverSide + 4, 8),
                                    "image/png");
        std::ofstream(in.Path() / "points.txt") << "0:00 A\n0:01 B\n0:02 C\n";
        services->FileAnswers.push_back({test::Path(split), test::Path(cover)});
        form->actAddFilesExecute();
        ASSERT_TRUE(test::WaitUntilAdded(*form));
        ASSERT_TRUE(form->SetRowSplitPoints({0}, (in.Path() / "points.txt").string()));
        const auto tip = [&form](int row) {
            const QAbstractItemModel* model = Find<QTableView>(*form, "lvFiles")->model();
            return model->data(model->index(row, 0), Qt::ToolTipRole).toString();
        };
        EXPECT_TRUE(tip(0).contains(says("v2m::TForm1", "Gives %n files:", 3)))
            << tip(0).toStdString();
        EXPECT_TRUE(tip(0).contains(says("v2m::TForm1", "(%1 for %2)").arg("0:01", "0:01")));

        Find<QComboBox>(*form, "edtOutPath")
            ->setEditText(QString::fromStdString(out.Path().string()));
        services->MessageAnswers.push_back(TMessageResult::No);  // not opening the folder
        form->actStartConvertExecute();
        ASSERT_TRUE(QTest::qWaitFor([&] { return form->ConvertState() == cvIdle; }, 60000));
        const QString too_wide =
            says("v2m::TCoreTexts", "it is %1x%2 pixels, more than %3 a side")
                .arg(QString::number(kMaxCoverSide + 4), "8", QString::number(kMaxCoverSide));
        EXPECT_TRUE(tip(1).contains(
            says("v2m::TCoreTexts", "The cover picture is left out: %1").arg(too_wide)))
            << tip(1).toStdString();
        fs::remove(split);
        EXPECT_TRUE(tip(0).contains(says("v2m::TForm1", "Cannot be converted: %1")
                                        .arg(says("v2m::TCoreTexts", "no such file"))))
            << tip(0).toStdString();
    }
}

// Every finished translation fits the window (its screenshot is kept), and
// the German one converts as the English one does.
TEST(LanguageWindowTest, TranslationsFitTheWindowAndGermanConvertsAsEnglish) {
    for (const std::string language :
         {"fr_FR", "es_ES", "it_IT", "pt_BR", "ru_RU", "pl_PL", "zh_CN", "ja_JP", "de_DE"}) {
        SCOPED_TRACE(language);
        test::TUserFolders user;
        test::TFreshStateFolder state;
        test::TProgramFolder program;
        const TLanguageSession session{QString::fromStdString(language)};
        ASSERT_EQ(session.Language().toStdString(), language);
        auto services = std::make_shared<test::TScriptedServices>();
        const std::unique_ptr<TForm1> form = test::MakeForm(program, services);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        // A file in the list, so that its headings show.
        services->FileAnswers.push_back({test::Path(test::Fixture("avi_mpeg4_mp2.avi"))});
        form->actAddFilesExecute();
        ASSERT_TRUE(test::WaitUntilAdded(*form));
        ExpectTextsFit(*form);
        // A key given in brackets belongs to the menus, not under the icons.
        for (QAction* action : form->findChild<QToolBar*>()->actions()) {
            EXPECT_FALSE(action->iconText().contains(QRegularExpression(R"(\(\w\))")))
                << action->iconText().toStdString();
        }
        const fs::path shots = fs::path(V2M_SCREENSHOT_DIR);
        fs::create_directories(shots);
        const fs::path shot = shots / ("video2mp3-window-" + language + ".png");
        EXPECT_TRUE(form->grab().save(QString::fromStdString(shot.string()))) << shot;
        if (language == "de_DE") {
            ExpectGermanConversion(*form, *services);
        }
        form->close();
    }
}

}  // namespace
}  // namespace v2m
