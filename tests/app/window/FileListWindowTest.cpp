// The file list of the main window, driven through its commands with
// generated media: adding files and folders, failures, removing and clearing,
// the output folder history.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>

#include <cmath>

#include "FixtureGenerator.h"
#include "WindowTestSupport.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using test::Find;
using test::Path;
using test::TProgramFolder;
using test::TScriptedServices;
using test::TUserFolders;

// The whole seconds of a generated clip, as the duration column shows them.
std::string ClipDurationText(const std::string& name) {
    const fixtures::NamedClip* clip = fixtures::FindStandardClip(name);
    EXPECT_NE(clip, nullptr) << name;
    const int seconds = clip ? static_cast<int>(clip->recipe.duration_s) : -1;
    char text[16];
    std::snprintf(text, sizeof text, "00:00:%02d", seconds);
    return text;
}

// The "Original Size" column read back as a number of MiB.
void ExpectSizeText(const std::string& text, const fs::path& file) {
    ASSERT_GE(text.size(), 3u);
    EXPECT_EQ(text.substr(text.size() - 2), "MB");
    const double shown = std::stod(text.substr(0, text.size() - 2));
    EXPECT_NEAR(shown, static_cast<double>(fs::file_size(file)) / 1048576.0, 0.0051) << text;
}

// The log holds exactly one failure line, for this file, framed by empty
// lines. The probe's and the libraries' own lines about it come before.
void ExpectOneLoadFailure(const QStringList& log, const std::string& file) {
    const QString prefix = QStringLiteral("***File load error: ");
    const QStringList failures = log.filter(prefix);
    ASSERT_EQ(failures.size(), 1) << log.join('\n').toStdString();
    const qsizetype at = log.indexOf(failures[0]);
    EXPECT_TRUE(failures[0].startsWith(prefix)) << failures[0].toStdString();
    EXPECT_TRUE(failures[0].contains(QString::fromStdString(file))) << failures[0].toStdString();
    ASSERT_GT(at, 0);
    ASSERT_LT(at + 1, log.size());
    EXPECT_EQ(log[at - 1], QString());
    EXPECT_EQ(log[at + 1], QString());
}

// The "Add Files" dialog shows its masks as written and matches names
// without regard to letter case.
TEST(AddFilesDialogFilterTest, ShowsReadableMasksAndMatchesAnyCase) {
    QFileDialog dialog;
    ConfigureOpenFilesDialog(dialog, FileFiltersOf(kAddFilesFilter));
    const QStringList filters = dialog.nameFilters();
    ASSERT_EQ(filters.size(), 2);
    EXPECT_TRUE(filters[0].startsWith(QStringLiteral("Video Files (*.3gp *.asf *.avi ")))
        << filters[0].toStdString();
    EXPECT_EQ(filters[1], QStringLiteral("All Files (*)"));
    EXPECT_FALSE(dialog.filter().testFlag(QDir::CaseSensitive));
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    auto matches = [&](int filter, const QString& name) {
        // The dialog's own reading: the masks between the parentheses,
        // blank-separated, matched with the case rule it was given.
        const QString text = filters[filter];
        const QString masks = text.mid(text.indexOf('(') + 1).chopped(1);
        const Qt::CaseSensitivity cs =
            dialog.filter().testFlag(QDir::CaseSensitive) ? Qt::CaseSensitive : Qt::CaseInsensitive;
        for (const QString& mask : masks.split(' ', Qt::SkipEmptyParts)) {
            if (QRegularExpression::fromWildcard(mask, cs).match(name).hasMatch()) {
                return true;
            }
        }
        return false;
    };
    const struct {
        const char* name;
        bool video;
    } cases[] = {
        {"clip.avi", true},   {"CLIP.AVI", true},  {"Clip.Mp4", true},
        {"movie.RMVB", true}, {"x.ts", true},      {"clip.avi.txt", false},
        {"clip.aviX", false}, {"song.mp3", false}, {"README", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(matches(0, c.name), c.video) << c.name;
        // "All Files" takes any name, with or without a dot.
        EXPECT_TRUE(matches(1, c.name)) << c.name;
    }
}

class FileListWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        form_ = test::MakeForm(program_, services_);
        ASSERT_TRUE(form_->StartupComplete()) << form_->LogLines().join('\n').toStdString();
        // The first profile of the shipped set makes MP3.
        ASSERT_EQ(form_->Profiles().at(0).Ext, "mp3");
    }

    void AddFiles(const QStringList& paths) {
        services_->FileAnswers.push_back(paths);
        Find<QAction>(*form_, "actAddFiles")->trigger();
        ASSERT_TRUE(test::WaitUntilAdded(*form_));
    }
    void AddFolder() {
        Find<QAction>(*form_, "actAddFolder")->trigger();
        ASSERT_TRUE(test::WaitUntilAdded(*form_));
    }

    TUserFolders user_;
    TProgramFolder program_;
    std::shared_ptr<TScriptedServices> services_ = std::make_shared<TScriptedServices>();
    std::unique_ptr<TForm1> form_;
};

TEST_F(FileListWindowTest, AddFilesListsReadableFilesAndLogsTheOthers) {
    const fs::path mp4 = test::Fixture("mp4_h264_aac.mp4");
    const fs::path avi = test::Fixture("avi_mpeg4_mp2.avi");
    const fs::path unicode = test::Fixture("видео_тест ñ.avi");
    const fs::path broken = test::Fixture(fixtures::kNotMedia);
    AddFiles({Path(mp4), Path(broken), Path(avi), Path(unicode)});

    ASSERT_EQ(services_->FileCalls.size(), 1u);
    const auto& call = services_->FileCalls[0];
    EXPECT_EQ(call.Title, QStringLiteral("Open file"));
    EXPECT_EQ(call.Folder.toStdString(), user_.Desktop());
    ASSERT_EQ(call.Filters.size(), 2);
    EXPECT_EQ(call.Filters[0].Caption, QStringLiteral("Video Files"));
    EXPECT_EQ(call.Filters[0].Masks.size(), 27);
    EXPECT_EQ(call.Filters[1], (TFileFilter{"All Files", {"*.*"}}));

    // The unreadable file in the middle costs its own row only.
    const auto rows = test::ListTexts(*form_);
    ASSERT_EQ(rows.size(), 3u);
    const fs::path files[] = {mp4, avi, unicode};
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(files[i].string());
        EXPECT_EQ(rows[i][0], files[i].filename().string());
        EXPECT_EQ(rows[i][1], ClipDurationText(files[i].filename().string()));
        ExpectSizeText(rows[i][2], files[i]);
        // The name a start tries first: the file's own with the profile's extension.
        EXPECT_EQ(rows[i][3], files[i].stem().string() + ".mp3");
        EXPECT_EQ(rows[i][4], "0%");
        EXPECT_EQ(rows[i][5], "0.0MB");
        EXPECT_EQ(form_->FileList().Rows()[i].Data.FileName, files[i].string());
        EXPECT_EQ(form_->FileList().Rows()[i].Data.Progress, 0);
        EXPECT_EQ(form_->FileList().Rows()[i].Data.OutputFile, "");
    }
    ExpectOneLoadFailure(form_->LogLines(), broken.filename().string());
    EXPECT_FALSE(Find<QWidget>(*form_, "lvFiles")->isHidden());
    EXPECT_TRUE(Find<QWidget>(*form_, "ImgStart")->isHidden());
    EXPECT_EQ(form_->AddFilesFolder(), test::FixturesDir().string() + "/");

    // A listed file is skipped; a cancelled dialog changes nothing.
    AddFiles({Path(avi)});
    AddFiles({});
    EXPECT_EQ(test::ListTexts(*form_).size(), 3u);
    EXPECT_EQ(services_->FileCalls.size(), 3u);
    EXPECT_EQ(services_->FileCalls[1].Folder.toStdString(), test::FixturesDir().string() + "/");

    // Choosing another profile rewrites every row's output extension.
    auto* profile = Find<QComboBox>(*form_, "cmbProfile");
    const auto& profiles = form_->Profiles();
    const auto other = std::find_if(profiles.begin(), profiles.end(),
                                    [](const TConvertProfile& p) { return p.Ext != "mp3"; });
    ASSERT_NE(other, profiles.end());
    profile->setCurrentIndex(static_cast<int>(other - profiles.begin()));
    for (const auto& row : test::ListTexts(*form_)) {
        EXPECT_EQ(row[3], fs::path(row[0]).stem().string() + "." + other->Ext);
    }

    form_->close();
    EXPECT_EQ(test::ReadSetting(user_.SettingsFile(), "AddFilesFolder"),
              test::FixturesDir().string() + "/");
}

TEST_F(FileListWindowTest, AddFolderListsTheMatchingFilesDirectlyInIt) {
    test::TempDir folder("videos");
    fs::copy_file(test::Fixture("avi_mpeg4_mp2.avi"), folder.Path() / "clip.AVI");
    fs::copy_file(test::Fixture("mp4_h264_aac.mp4"), folder.Path() / "Movie.Mp4");
    fs::copy_file(test::Fixture(fixtures::kNotMedia), folder.Path() / "broken.avi");
    fs::copy_file(test::Fixture("avi_mpeg4_mp2.avi"), folder.Path() / "clip.avi.txt");
    fs::create_directories(folder.Path() / "sub");
    fs::copy_file(test::Fixture("avi_mpeg4_mp2.avi"), folder.Path() / "sub" / "inner.avi");

    services_->FolderAnswers.push_back(Path(folder.Path()));
    AddFolder();
    ASSERT_EQ(services_->FolderCalls.size(), 1u);
    EXPECT_EQ(services_->FolderCalls[0].Title, QStringLiteral("Select folder"));
    EXPECT_EQ(services_->FolderCalls[0].Folder.toStdString(), user_.Desktop());

    auto names = [&] {
        std::vector<std::string> result;
        for (const auto& row : test::ListTexts(*form_)) {
            result.push_back(row[0]);
        }
        return result;
    };
    // The broken file is logged and the files after it are still added.
    EXPECT_EQ(names(), (std::vector<std::string>{"Movie.Mp4", "clip.AVI"}));
    for (const auto& row : test::ListTexts(*form_)) {
        EXPECT_EQ(row[5], "0");
    }
    ExpectOneLoadFailure(form_->LogLines(), "broken.avi");

    // The same folder again lists its files twice; a cancelled dialog adds nothing.
    services_->FolderAnswers.push_back(Path(folder.Path()));
    services_->FolderAnswers.push_back(QString());
    AddFolder();
    AddFolder();
    EXPECT_EQ(names(),
              (std::vector<std::string>{"Movie.Mp4", "clip.AVI", "Movie.Mp4", "clip.AVI"}));
    EXPECT_EQ(services_->FolderCalls.back().Folder, Path(folder.Path()));

    form_->close();
    EXPECT_EQ(test::ReadSetting(user_.SettingsFile(), "AddFolderPath"), folder.Path().string());
}

TEST_F(FileListWindowTest, DeleteKeyRemovesTheSelectedRowsAndClearEmptiesTheList) {
    const QStringList files = {Path(test::Fixture("avi_mpeg4_mp2.avi")),
                               Path(test::Fixture("mp4_h264_aac.mp4")),
                               Path(test::Fixture("mono_mp2_48k.avi"))};
    AddFiles(files);
    ASSERT_EQ(test::ListTexts(*form_).size(), 3u);
    auto* remove = Find<QAction>(*form_, "actRemove");
    auto* clear = Find<QAction>(*form_, "actClear");
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_TRUE(clear->isEnabled());

    auto* view = Find<QTableView>(*form_, "lvFiles");
    form_->show();
    QApplication::setActiveWindow(form_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    view->setFocus();
    auto* selection = view->selectionModel();
    selection->select(view->model()->index(0, 0),
                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->select(view->model()->index(2, 0),
                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_TRUE(remove->isEnabled());
    QTest::keyClick(view, Qt::Key_Delete);

    ASSERT_EQ(form_->FileList().Count(), 1u);
    EXPECT_EQ(form_->FileList().Rows()[0].Data.FileName, files[1].toStdString());
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_FALSE(view->isHidden());

    // The row is not converted yet: Clear asks, and No keeps it.
    for (const TMessageResult answer : {TMessageResult::No, TMessageResult::Yes}) {
        services_->MessageAnswers.push_back(answer);
        clear->trigger();
        EXPECT_TRUE(services_->MessageAnswers.empty());
        EXPECT_EQ(form_->FileList().Count(), answer == TMessageResult::No ? 1u : 0u);
    }
    EXPECT_TRUE(view->isHidden());
    EXPECT_FALSE(Find<QWidget>(*form_, "ImgStart")->isHidden());
    EXPECT_FALSE(clear->isEnabled());
    EXPECT_EQ(form_->PreviewState(), pvNone);
    EXPECT_FALSE(Find<QWidget>(*form_, "imgPreview")->isHidden());
}

TEST_F(FileListWindowTest, BrowseKeepsTheFiveNewestFoldersAndCloseSavesThem) {
    test::TempDir base("browse");
    auto* out_path = Find<QComboBox>(*form_, "edtOutPath");
    auto* browse = Find<QPushButton>(*form_, "btnBrowse");
    std::vector<std::string> chosen;
    for (int i = 0; i < 6; ++i) {
        chosen.push_back((base.Path() / ("f" + std::to_string(i))).string());
        services_->FolderAnswers.push_back(QString::fromStdString(chosen.back()));
    }
    // The last one twice: a folder already listed is listed again.
    services_->FolderAnswers.push_back(QString::fromStdString(chosen.back()));
    services_->FolderAnswers.push_back(QString());
    out_path->setEditText(QString::fromStdString(base.Path().string()));
    for (int i = 0; i < 8; ++i) {
        browse->click();
    }
    // The dialog opens at the text with its "/" added.
    EXPECT_EQ(services_->FolderCalls[0].Folder.toStdString(), base.Path().string() + "/");
    EXPECT_EQ(services_->FolderCalls[1].Folder.toStdString(), chosen[0] + "/");
    QStringList expected;
    for (int i : {5, 5, 4, 3, 2}) {
        expected.append(QString::fromStdString(chosen[static_cast<size_t>(i)] + "/"));
    }
    QStringList items;
    for (int i = 0; i < out_path->count(); ++i) {
        items.append(out_path->itemText(i));
    }
    EXPECT_EQ(items, expected);
    EXPECT_EQ(out_path->currentText(), expected[0]);

    Find<QPushButton>(*form_, "btnOpenFolder")->click();
    EXPECT_EQ(services_->Opened, std::vector<QString>{expected[0]});
    // With the input's own folder, the output folder controls are off.
    Find<QCheckBox>(*form_, "chkSameInput")->setChecked(true);
    EXPECT_FALSE(browse->isEnabled());
    EXPECT_FALSE(out_path->isEnabled());
    form_->btnOpenFolderClick();
    EXPECT_EQ(services_->Opened.size(), 1u);

    form_->close();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(test::ReadSetting(user_.SettingsFile(), "OutputFolder" + std::to_string(i)),
                  expected[i].toStdString());
    }
}

}  // namespace
}  // namespace v2m
