// Batch conversion from the main window: real conversions of generated media
// with the message boxes and the desktop answered by the test.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QMenu>
#include <QProgressBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>

#include "AudioAnalysis.h"
#include "FixtureGenerator.h"
#include "SafeFiles.h"
#include "WindowTestSupport.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using test::Find;
using test::TProgramFolder;
using test::TUserFolders;

constexpr int kProgressColumn = 4;
constexpr int kOutputSizeColumn = 5;

struct TMessageCall {
    QString Title;
    QString Text;
    TMessageButtons Buttons;
    TMessageIcon Icon;
};

// Questions take the scripted answers in order; an OK box is simply closed.
class TAnsweringServices final : public TUiServices {
public:
    TMessageResult MessageBox(QWidget*, const QString& title, const QString& text,
                              TMessageButtons buttons, TMessageIcon icon) override {
        Messages.push_back({title, text, buttons, icon});
        if (buttons == TMessageButtons::Ok) {
            return TMessageResult::Ok;
        }
        if (Answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text.toStdString();
            return TMessageResult::No;
        }
        const TMessageResult answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    QStringList OpenFiles(QWidget*, const QString&, const QString&,
                          const QList<TFileFilter>&) override {
        QStringList answer = FileAnswers.front();
        FileAnswers.pop_front();
        return answer;
    }
    std::optional<QString> ChooseFolder(QWidget*, const QString&, const QString&) override {
        ADD_FAILURE() << "unexpected folder dialog";
        return std::nullopt;
    }
    // Add Folder's dialog: the folder, and "Include Sub-folders" ticked.
    std::optional<QString> ChooseFolderTree(QWidget*, const QString&, const QString&,
                                            bool& sub_folders) override {
        if (FolderAnswers.empty()) {
            ADD_FAILURE() << "unexpected folder dialog";
            return std::nullopt;
        }
        sub_folders = true;
        const QString answer = FolderAnswers.front();
        FolderAnswers.pop_front();
        return answer;
    }
    std::deque<QString> FolderAnswers;
    bool ShellOpen(const QString& target) override {
        Opened.push_back(target);
        return true;
    }
    void Notify(const QString&, const QString& body) override { Notes.push_back(body); }
    bool ShowFailures(QWidget*, const QString&, const QString& text,
                      const QStringList& failures) override {
        FailureSummaries.push_back(text);
        FailureLists.push_back(failures);
        return false;
    }
    std::vector<QString> FailureSummaries;
    std::vector<QStringList> FailureLists;
    std::vector<QString> Notes;
    size_t CountTitled(const QString& title) const {
        return static_cast<size_t>(std::count_if(Messages.begin(), Messages.end(),
                                                 [&](const auto& m) { return m.Title == title; }));
    }

    std::deque<TMessageResult> Answers;
    std::deque<QStringList> FileAnswers;
    std::vector<TMessageCall> Messages;
    std::vector<QString> Opened;
};

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const QString kCompleted = QStringLiteral("Convert completed.");

class ConversionTest : public ::testing::Test {
protected:
    void SetUp() override {
        form_ = std::make_unique<TForm1>(TFormSurroundings{program_.Folder(), {}, services_});
        ASSERT_TRUE(form_->StartupComplete());
        Find<QComboBox>(*form_, "cmbProfile")->setCurrentIndex(0);  // MP3, all "Auto"
        SetOutputFolder(out_.Path().string());
    }
    void TearDown() override {
        if (form_) {
            form_->close();
            form_.reset();
        }
    }

    void SetOutputFolder(const std::string& text) {
        Find<QComboBox>(*form_, "edtOutPath")->setEditText(QString::fromStdString(text));
    }
    std::string OutputFolderText() {
        return Find<QComboBox>(*form_, "edtOutPath")->currentText().toStdString();
    }
    void Add(const std::vector<fs::path>& files) {
        QStringList paths;
        for (const fs::path& file : files) {
            paths.append(QString::fromStdString(file.string()));
        }
        services_->FileAnswers.push_back(paths);
        form_->actAddFilesExecute();
        ASSERT_TRUE(test::WaitUntilAdded(*form_));
        ASSERT_EQ(form_->FileList().Count(), static_cast<size_t>(paths.size()));
    }
    // A copy of a fixture under another name (the list takes a path once).
    fs::path Copy(const std::string& fixture, const fs::path& target) {
        fs::create_directories(target.parent_path());
        fs::copy_file(test::Fixture(fixture), target, fs::copy_options::overwrite_existing);
        return target;
    }
    fs::path LongClip(const std::string& name, double seconds = 120.0) {
        const fs::path path = in_.Path() / name;
        fixtures::ClipRecipe recipe;
        recipe.duration_s = seconds;
        recipe.streams = {fixtures::Audio("pcm_s16le", 44100, 2, 1000.0, 0.5)};
        fixtures::WriteClip(path, recipe);
        return path;
    }
    QAction* Action(const char* name) { return Find<QAction>(*form_, name); }
    bool WaitFor(const std::function<bool()>& done, int seconds = 60) {
        return QTest::qWaitFor(done, seconds * 1000);
    }
    bool WaitForCompletionQuestion() {
        return WaitFor([&] { return services_->CountTitled(kCompleted) > 0; });
    }
    // The run is over, whatever its end: each row shows its result.
    bool WaitForRunEnd() {
        return WaitFor([&] { return form_->ConvertState() == cvIdle; });
    }
    std::string Cell(size_t row, int column) {
        return test::ListTexts(*form_).at(row).at(static_cast<size_t>(column));
    }
    const TConvertFileData& Data(size_t row) { return form_->FileList().Rows().at(row).Data; }
    int Total() { return Find<QProgressBar>(*form_, "prgTotalProgress")->value(); }
    void ExpectDecodes(const std::string& file, double seconds) {
        ASSERT_TRUE(fs::exists(file)) << file;
        const fixtures::AudioAnalysis got = fixtures::AnalyzeAudio(file);
        EXPECT_EQ(got.codec_name, "mp3");
        EXPECT_NEAR(got.duration_s, seconds, 0.15) << file;
        EXPECT_EQ(got.decode_errors, 0);
    }
    int LogCount(const QString& line) { return static_cast<int>(form_->LogLines().count(line)); }

    TUserFolders user_;
    TProgramFolder program_;
    test::TempDir in_{"conversion-in"};
    test::TempDir out_{"conversion-out"};
    std::shared_ptr<TAnsweringServices> services_ = std::make_shared<TAnsweringServices>();
    std::unique_ptr<TForm1> form_;
};

TEST_F(ConversionTest, CommandsFollowTheStateOfTheRun) {
    for (const auto& [name, caption] :
         {std::pair{"actStartConvert", "Start"}, std::pair{"actPauseConvert", "Pause"},
          std::pair{"actStopConvert", "Stop"}}) {
        // The tool bar's caption; the menu's carries its key letter.
        EXPECT_EQ(Action(name)->iconText().toStdString(), caption);
        EXPECT_FALSE(Action(name)->isEnabled()) << name << " without rows";
    }
    Add({LongClip("long.wav")});
    // The update runs whenever the application has nothing else to do, so a
    // command that went wrong is put right at the next idle moment.
    Action("actStartConvert")->setEnabled(false);
    {
        QEventLoop loop;
        QObject::connect(Action("actStartConvert"), &QAction::enabledChanged, &loop,
                         &QEventLoop::quit);
        QTimer::singleShot(5000, &loop, [&] { loop.exit(1); });
        EXPECT_EQ(loop.exec(), 0) << "no update when idle";
    }
    // No profile, no start: there would be no format to convert to.
    Find<QComboBox>(*form_, "cmbProfile")->setCurrentIndex(-1);
    EXPECT_TRUE(WaitFor([&] { return !Action("actStartConvert")->isEnabled(); }));
    Find<QComboBox>(*form_, "cmbProfile")->setCurrentIndex(0);
    EXPECT_TRUE(WaitFor([&] { return Action("actStartConvert")->isEnabled(); }));
    struct Expected {
        bool start, pause, stop, add, profile;
    };
    auto expect = [&](const Expected& e, const char* state) {
        SCOPED_TRACE(state);
        EXPECT_EQ(Action("actStartConvert")->isEnabled(), e.start);
        EXPECT_EQ(Action("actPauseConvert")->isEnabled(), e.pause);
        EXPECT_EQ(Action("actStopConvert")->isEnabled(), e.stop);
        EXPECT_EQ(Action("actAddFiles")->isEnabled(), e.add);
        EXPECT_EQ(Action("actClear")->isEnabled(), e.add);
        EXPECT_EQ(Find<QComboBox>(*form_, "cmbProfile")->isEnabled(), e.profile);
        EXPECT_EQ(Find<QComboBox>(*form_, "edtOutPath")->isEnabled(), e.profile);
    };
    expect({true, false, false, true, true}, "idle");
    Action("actStartConvert")->trigger();
    expect({false, true, true, false, false}, "converting");
    EXPECT_TRUE(form_->windowTitle().contains(QStringLiteral("% - "))) << "progress in the title";
    Action("actPauseConvert")->trigger();
    EXPECT_EQ(form_->ConvertState(), cvPaused);
    expect({true, false, true, false, false}, "paused");
    EXPECT_EQ(Action("actStartConvert")->iconText(), QStringLiteral("Resume"));
    EXPECT_TRUE(form_->StatusText().startsWith(QStringLiteral("Paused")));
    // "Stop" answered No leaves a paused run paused...
    services_->Answers = {TMessageResult::No};
    Action("actStopConvert")->trigger();
    ASSERT_EQ(services_->Messages.size(), 1u);
    EXPECT_EQ(services_->Messages[0].Title, "Cancel Conversion.");
    EXPECT_EQ(services_->Messages[0].Text, "Are you sure you want to cancel conversion?");
    EXPECT_EQ(services_->Messages[0].Buttons, TMessageButtons::YesNo);
    EXPECT_EQ(form_->ConvertState(), cvPaused);
    // ...and "Start" resumes it.
    Action("actStartConvert")->trigger();
    EXPECT_EQ(form_->ConvertState(), cvConverting);
    expect({false, true, true, false, false}, "resumed");
    services_->Answers = {TMessageResult::Yes};
    Action("actStopConvert")->trigger();
    EXPECT_EQ(form_->ConvertState(), cvIdle);
    ASSERT_TRUE(WaitForRunEnd());
    expect({true, false, false, true, true}, "cancelled");
    EXPECT_EQ(Action("actStartConvert")->iconText(), QStringLiteral("Start"));
    EXPECT_FALSE(form_->windowTitle().contains(QLatin1Char('%')));
}

TEST_F(ConversionTest, ABatchOfThreeConvertsAndOffersTheOutputFolder) {
    const std::vector<std::string> names = {"avi_mpeg4_mp2.avi", "mp4_h264_aac.mp4",
                                            "mono_mp2_48k.avi"};
    std::vector<fs::path> files;
    for (const std::string& name : names) {
        files.push_back(test::Fixture(name));
    }
    Add(files);
    // Typed without its separator: job building adds it, in the control too.
    services_->Answers = {TMessageResult::Yes};
    Action("actStartConvert")->trigger();
    EXPECT_EQ(OutputFolderText(), out_.Path().string() + "/");
    EXPECT_EQ(LogCount(QStringLiteral("***File has been added to convert list.")), 3);
    ASSERT_TRUE(WaitForCompletionQuestion());

    const TMessageCall& question = services_->Messages.back();
    EXPECT_EQ(question.Text, "Do you want to open output folder?");
    EXPECT_EQ(question.Buttons, TMessageButtons::YesNo);
    ASSERT_EQ(services_->Opened.size(), 1u);
    EXPECT_EQ(services_->Opened[0].toStdString(), out_.Path().string() + "/");
    EXPECT_EQ(services_->Messages.size(), 1u) << "no failure, no other question";
    EXPECT_EQ(Total(), 100);
    EXPECT_EQ(form_->ConvertState(), cvIdle);
    for (size_t row = 0; row < names.size(); ++row) {
        SCOPED_TRACE(names[row]);
        EXPECT_EQ(Cell(row, kProgressColumn), "Completed");
        EXPECT_EQ(Data(row).Progress, 100);
        const std::string stem = fs::path(names[row]).stem().string();
        EXPECT_EQ(Data(row).OutputFile, out_.Path().string() + "/" + stem + ".mp3");
        const fixtures::NamedClip* clip = fixtures::FindStandardClip(names[row]);
        ASSERT_NE(clip, nullptr);
        ExpectDecodes(Data(row).OutputFile, clip->recipe.duration_s);
        // The last report showed the output's size.
        EXPECT_NE(Cell(row, kOutputSizeColumn), "0.0MB");
    }
}

// Names at the file system's limit: the outputs get shortened names that
// leave room for a numbered alternative's hidden partial name.
TEST_F(ConversionTest, NamesAtTheLengthLimitConvertUnderShortenedNames) {
    std::string japanese;
    while (japanese.size() + 3 <= 251) {
        japanese += "\xe6\x97\xa5";
    }
    const std::vector<std::string> stems = {std::string(251, 'n'), japanese};
    std::vector<fs::path> files;
    for (const std::string& stem : stems) {
        files.push_back(Copy("avi_mpeg4_mp2.avi", in_.Path() / (stem + ".avi")));
    }
    Add(files);
    services_->Answers = {TMessageResult::No};
    Action("actStartConvert")->trigger();
    ASSERT_TRUE(WaitForCompletionQuestion());
    for (size_t row = 0; row < stems.size(); ++row) {
        const std::string name = fs::path(Data(row).OutputFile).filename().string();
        SCOPED_TRACE(name);
        EXPECT_EQ(Cell(row, kProgressColumn), "Completed");
        EXPECT_LE(name.size() + 19, 255u);
        EXPECT_TRUE(stems[row].starts_with(name.substr(0, name.size() - 4)));
        ExpectDecodes(Data(row).OutputFile,
                      fixtures::FindStandardClip("avi_mpeg4_mp2.avi")->recipe.duration_s);
    }
}

TEST_F(ConversionTest, ReconvertQuestionAnsweredNoChangesNothing) {
    const fs::path clip = Copy("avi_mpeg4_mp2.avi", in_.Path() / "same" / "clip.avi");
    Add({clip});
    Find<QCheckBox>(*form_, "chkSameInput")->setChecked(true);
    services_->Answers = {TMessageResult::Yes};
    Action("actStartConvert")->trigger();
    ASSERT_TRUE(WaitForCompletionQuestion());
    // With "same folder as input" the first row's folder is offered.
    ASSERT_EQ(services_->Opened.size(), 1u);
    EXPECT_EQ(services_->Opened[0].toStdString(), (in_.Path() / "same").string() + "/");
    const fs::path first = in_.Path() / "same" / "clip.mp3";
    ExpectDecodes(first.string(), 3.0);

    const QStringList log = form_->LogLines();
    const auto texts = test::ListTexts(*form_);
    services_->Answers = {TMessageResult::No};
    Action("actStartConvert")->trigger();
    const TMessageCall& question = services_->Messages.back();
    EXPECT_EQ(question.Title, "Warning");
    EXPECT_EQ(question.Text,
              "Some items have been converted already, do you want to re-convert them?");
    EXPECT_EQ(question.Icon, TMessageIcon::Exclamation);
    EXPECT_EQ(form_->ConvertState(), cvIdle);
    EXPECT_EQ(form_->LogLines(), log);
    EXPECT_EQ(test::ListTexts(*form_), texts);
    EXPECT_EQ(Data(0).Progress, 100);
    EXPECT_EQ(Data(0).OutputFile, first.string());

    // Yes converts again, beside the first output rather than over it.
    services_->Answers = {TMessageResult::Yes, TMessageResult::No};
    Action("actStartConvert")->trigger();
    ASSERT_TRUE(WaitFor([&] { return services_->CountTitled(kCompleted) == 2; }));
    EXPECT_EQ(Data(0).OutputFile, (in_.Path() / "same" / "clip_(new_1).mp3").string());
    ExpectDecodes(Data(0).OutputFile, 3.0);
    ExpectDecodes(first.string(), 3.0);
    EXPECT_EQ(services_->Opened.size(), 1u) << "answered No";
}

TEST_F(ConversionTest, ProgressShowsPerRowAndTotal) {
    Add({test::Fixture("avi_mpeg4_mp2.avi"), test::Fixture("mp4_h264_aac.mp4"),
         test::Fixture("mono_mp2_48k.avi")});
    Action("actStartConvert")->trigger();
    Action("actPauseConvert")->trigger();

    struct Case {
        int64_t time, total_duration, size;
        const char* column;
        int32_t stored;
        int total;
    };
    constexpr int64_t kMiB = 1048576;
    const Case cases[] = {
        // The second task done, the third halfway: 2 * 100 div 3 + 50 div 3.
        {1500000, 3000000, kMiB + kMiB / 2, "50%", 50, 82},
        // No expected duration: nothing for itself.
        {1500000, 0, 1023, "N/A", 0, 66},
        // Past the expected duration until the task ends.
        {3300000, 3000000, 5 * kMiB, "110%", 99, 100},
        // A whole report is not a converted file yet.
        {3000000, 3000000, 5 * kMiB, "100%", 99, 99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        TProgressInfo info;
        info.TaskIndex = 2;
        info.Time = c.time;
        info.TotalDuration = c.total_duration;
        info.Size = c.size;
        form_->FFConverterProgress(nullptr, &info);
        EXPECT_EQ(Total(), c.total);
        EXPECT_EQ(Cell(2, kProgressColumn), c.column);
        EXPECT_EQ(Data(2).Progress, c.stored);
        EXPECT_EQ(Cell(2, kOutputSizeColumn), SizeColumnText(c.size));
    }
    EXPECT_FALSE(form_->AnyConverted());
    services_->Answers = {TMessageResult::Yes};
    Action("actStopConvert")->trigger();
    EXPECT_EQ(Total(), 0);
    ASSERT_TRUE(WaitForRunEnd());
}

TEST_F(ConversionTest, PauseFreezesTheOutputAndResumeFinishesIt) {
    Add({LongClip("long.wav", 300.0)});
    Action("actStartConvert")->trigger();
    const std::string output = Data(0).OutputFile;
    // Written under its partial name until it is complete.
    const std::string partial = PartialName(output);
    auto size_on_disk = [&] {
        std::error_code error;
        const auto size = fs::file_size(partial, error);
        return error ? 0 : size;
    };
    // Encoded sound has reached the file.
    ASSERT_TRUE(WaitFor([&] { return size_on_disk() > 4096; }));
    Action("actPauseConvert")->trigger();
    // A report sent before the pause may still be on its way; after it the
    // file and the row stay as they are.
    QTest::qWait(100);
    const auto size = size_on_disk();
    const auto texts = test::ListTexts(*form_);
    QTest::qWait(1500);  // three report intervals
    EXPECT_EQ(size_on_disk(), size);
    EXPECT_EQ(test::ListTexts(*form_), texts);
    EXPECT_EQ(form_->ConvertState(), cvPaused);

    services_->Answers = {TMessageResult::No};
    Action("actStartConvert")->trigger();
    EXPECT_EQ(form_->ConvertState(), cvConverting);
    ASSERT_TRUE(WaitForCompletionQuestion());
    EXPECT_FALSE(fs::exists(partial));
    EXPECT_GT(fs::file_size(output), size);
    ExpectDecodes(output, 300.0);
}

TEST_F(ConversionTest, CancelDeletesOnlyUnfinishedOutputsOfThisRun) {
    // A file of the user's that has the long file's output name.
    const fs::path users = out_.Path() / "long.mp3";
    { std::ofstream(users) << "keep"; }
    Add({test::Fixture("avi_mpeg4_mp2.avi"), LongClip("long.wav", 300.0)});
    Action("actStartConvert")->trigger();
    const std::string output = Data(1).OutputFile;
    EXPECT_EQ(output, (out_.Path() / "long_(new_1).mp3").string());
    const std::string partial = PartialName(output);
    auto size_on_disk = [&] {
        std::error_code error;
        const auto size = fs::file_size(partial, error);
        return error ? 0 : size;
    };
    ASSERT_TRUE(WaitFor([&] { return Cell(0, kProgressColumn) == "Completed"; }));
    ASSERT_TRUE(WaitFor([&] { return size_on_disk() > 4096; }));

    // No: the conversion goes on where it was.
    services_->Answers = {TMessageResult::No};
    Action("actStopConvert")->trigger();
    EXPECT_EQ(form_->ConvertState(), cvConverting);
    const auto before = size_on_disk();
    ASSERT_TRUE(WaitFor([&] { return size_on_disk() > before; }));

    services_->Answers = {TMessageResult::Yes};
    Action("actStopConvert")->trigger();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_FALSE(fs::exists(output)) << "unfinished";
    EXPECT_FALSE(fs::exists(partial)) << "unfinished";
    EXPECT_EQ(ReadText(users), "keep");
    // Finished in this run: kept on disk and in the list; the other says
    // it was stopped, and the total and the status line say how it went.
    ExpectDecodes((out_.Path() / "avi_mpeg4_mp2.mp3").string(), 3.0);
    EXPECT_EQ(Cell(0, kProgressColumn), "Completed");
    EXPECT_EQ(Data(0).Progress, 100);
    EXPECT_NE(Cell(0, kOutputSizeColumn), "0.0MB");
    EXPECT_EQ(Cell(1, kProgressColumn), "Stopped");
    EXPECT_EQ(Total(), 50);
    EXPECT_EQ(form_->StatusText(), QStringLiteral("1 converted, 1 stopped"));
    EXPECT_EQ(services_->CountTitled(kCompleted), 0u);
}

// A batch with failures: no box while it runs, every row keeps its result,
// one summary at the end; "Start" then converts only what is not converted.
TEST_F(ConversionTest, FailuresAreToldOnceAndResultsStayForTheNextStart) {
    const fs::path vanishing = Copy("mp4_h264_aac.mp4", in_.Path() / "vanishing.mp4");
    const fs::path damaged = Copy("mp4_h264_aac.mp4", in_.Path() / "damaged.mp4");
    Add({test::Fixture("video_only.avi"), vanishing, damaged, test::Fixture("avi_mpeg4_mp2.avi")});
    // Nothing to convert for an audio profile: passed over, not a failure.
    EXPECT_EQ(Cell(0, kProgressColumn), "No audio");
    fs::remove(vanishing);
    // Cut after it was listed: it no longer opens.
    Copy(fixtures::kTruncatedMp4, damaged);

    Action("actStartConvert")->trigger();
    EXPECT_EQ(form_->LogLines().filter(QStringLiteral("***File load error: ")).size(), 1);
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_TRUE(services_->Messages.empty()) << services_->Messages.front().Text.toStdString();
    ASSERT_EQ(services_->FailureLists.size(), 1u);
    EXPECT_EQ(services_->FailureSummaries[0],
              QStringLiteral("2 of 3 files could not be converted:"));
    EXPECT_EQ(
        services_->FailureLists[0],
        (QStringList{QString::fromStdString(vanishing.string() + ": no such file"),
                     QString::fromStdString(damaged.string() +
                                            ": is not a media file the libraries can read")}));
    const std::vector<std::string> states = {"No audio", "Failed", "Failed", "Completed"};
    const QAbstractItemModel* model = Find<QTableView>(*form_, "lvFiles")->model();
    for (size_t row = 0; row < states.size(); ++row) {
        EXPECT_EQ(Cell(row, kProgressColumn), states[row]) << row;
    }
    EXPECT_EQ(model->data(model->index(1, kProgressColumn), Qt::ToolTipRole).toString(),
              QStringLiteral("no such file"));
    EXPECT_EQ(form_->StatusText(), QStringLiteral("1 converted, 2 failed"));
    EXPECT_FALSE(fs::exists(out_.Path() / "video_only.mp3"));
    const std::string converted = (out_.Path() / "avi_mpeg4_mp2.mp3").string();
    ExpectDecodes(converted, 3.0);
    // The window is not in front (offscreen): the desktop is told how it went.
    ASSERT_EQ(services_->Notes.size(), 1u);
    EXPECT_EQ(services_->Notes.front(), QStringLiteral("1 file converted, 2 failed"));

    // Mended, the two failed files convert; the converted one is left alone.
    Copy("mp4_h264_aac.mp4", vanishing);
    Copy("mp4_h264_aac.mp4", damaged);
    services_->Answers = {TMessageResult::No};
    Action("actStartConvert")->trigger();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(services_->CountTitled(kCompleted), 1u);
    for (size_t row = 1; row < states.size(); ++row) {
        EXPECT_EQ(Cell(row, kProgressColumn), "Completed") << row;
    }
    EXPECT_EQ(Cell(0, kProgressColumn), "No audio");
    EXPECT_EQ(Data(3).OutputFile, converted);
    EXPECT_FALSE(fs::exists(out_.Path() / "avi_mpeg4_mp2_(new_1).mp3")) << "converted twice";
    // A video profile converts the pictures of a file without sound.
    Find<QComboBox>(*form_, "cmbProfile")
        ->setCurrentIndex(Find<QComboBox>(*form_, "cmbProfile")
                              ->findText(QStringLiteral("MKV"), Qt::MatchContains));
    EXPECT_EQ(Cell(0, kProgressColumn), "0%");
}

// "Simultaneous Conversions": the choice is kept in the settings, and with
// "2" two rows convert at once, each with its own progress, to the end.
TEST_F(ConversionTest, TwoSimultaneousConversionsRunABatchToTheEnd) {
    Action("actJobs2")->trigger();
    EXPECT_EQ(form_->SimultaneousConversions(), 2);
    ASSERT_TRUE(form_->Settings().has_value());
    EXPECT_EQ(ReadJobsSetting(*form_->Settings()), 2);
    TearDown();
    SetUp();
    EXPECT_EQ(form_->SimultaneousConversions(), 2) << "read back at start-up";
    EXPECT_TRUE(Action("actJobs2")->isChecked());

    Add({LongClip("first.wav", 200.0), LongClip("second.wav", 200.0),
         test::Fixture("avi_mpeg4_mp2.avi")});
    services_->Answers = {TMessageResult::No};
    Action("actStartConvert")->trigger();
    auto moving = [&](size_t row) {
        const std::string text = Cell(row, kProgressColumn);
        return text.ends_with("%") && text != "0%";
    };
    EXPECT_TRUE(WaitFor([&] { return moving(0) && moving(1); })) << "both rows at once";
    EXPECT_TRUE(form_->StatusText().startsWith(QStringLiteral("0 of 3 files")))
        << form_->StatusText().toStdString();
    ASSERT_TRUE(WaitForCompletionQuestion());
    for (size_t row = 0; row < 3; ++row) {
        EXPECT_EQ(Cell(row, kProgressColumn), "Completed");
    }
    ExpectDecodes(Data(0).OutputFile, 200.0);
    ExpectDecodes(Data(1).OutputFile, 200.0);
    ExpectDecodes(Data(2).OutputFile, 3.0);
    EXPECT_EQ(Total(), 100);
    EXPECT_EQ(form_->StatusText(), QStringLiteral("3 converted"));
}

// "Normalize Loudness" and its target are kept in the settings and reach the
// conversion: a tone at -6 LUFS comes out near -23 (the precision is the
// core tests'; MP3 costs a pure tone some 0.4 dB).
TEST_F(ConversionTest, NormalizeLoudnessIsKeptAndReachesTheConversion) {
    EXPECT_FALSE(Action("actNormalizeLoudness")->isChecked()) << "off by default";
    EXPECT_TRUE(Action("actLoudness16")->isChecked());
    Action("actNormalizeLoudness")->trigger();
    Action("actLoudness23")->trigger();
    ASSERT_TRUE(form_->Settings().has_value());
    EXPECT_TRUE(ReadLoudnessSetting(*form_->Settings()).Normalize);
    EXPECT_EQ(ReadLoudnessSetting(*form_->Settings()).Target, -23.0);
    TearDown();
    SetUp();
    EXPECT_TRUE(Action("actNormalizeLoudness")->isChecked()) << "read back at start-up";
    EXPECT_TRUE(Action("actLoudness23")->isChecked());
    EXPECT_FALSE(Action("actLoudness16")->isChecked());

    Add({LongClip("tone.wav", 5.0)});
    services_->Answers = {TMessageResult::No};
    Action("actStartConvert")->trigger();
    ASSERT_TRUE(WaitForCompletionQuestion());
    ExpectDecodes(Data(0).OutputFile, 5.0);
    EXPECT_NEAR(fixtures::AnalyzeLoudness(Data(0).OutputFile).integrated_lufs, -23.0, 1.0);
}

// "Analyze Loudness" fills the rows' columns in the background; "Normalize
// as Album", kept in the settings like "Loudness: Tag Only", gives the
// folder's files one gain, so they keep their difference.
TEST_F(ConversionTest, AlbumGainAndAnalysisFromTheWindow) {
    const std::vector<double> levels = {-30.0, -12.0};
    std::vector<fs::path> clips;
    for (const double level : levels) {
        fixtures::ClipRecipe recipe;
        recipe.duration_s = 3.0;
        recipe.streams = {
            fixtures::Audio("pcm_s16le", 44100, 2, 1000.0, std::pow(10.0, level / 20.0))};
        clips.push_back(in_.Path() / (std::to_string(static_cast<int>(-level)) + ".wav"));
        fixtures::WriteClip(clips.back(), recipe);
    }
    Add(clips);
    const int loudness_column = 8;
    Find<QTableView>(*form_, "lvFiles")->selectAll();
    form_->FileListMenu(0)->findChild<QAction*>(QStringLiteral("actRowAnalyzeLoudness"))->trigger();
    ASSERT_TRUE(WaitFor([&] { return !form_->Measuring(); }));
    for (size_t row = 0; row < levels.size(); ++row) {
        EXPECT_NEAR(std::stod(Cell(row, loudness_column)), levels[row], 0.3);
        EXPECT_NEAR(std::stod(Cell(row, loudness_column + 1)), levels[row], 0.3);
    }

    Action("actNormalizeAlbum")->trigger();
    Action("actLoudnessTagsOnly")->trigger();
    Action("actLoudnessTagsOnly")->trigger();
    EXPECT_EQ(ReadLoudnessSetting(*form_->Settings()),
              (TLoudnessSetting{false, -16.0, true, false}));
    services_->Answers = {TMessageResult::No};
    Action("actStartConvert")->trigger();
    ASSERT_TRUE(WaitForCompletionQuestion());
    const double quiet = fixtures::AnalyzeLoudness(Data(0).OutputFile).integrated_lufs;
    const double loud = fixtures::AnalyzeLoudness(Data(1).OutputFile).integrated_lufs;
    EXPECT_NEAR(loud - quiet, levels[1] - levels[0], 0.2);
    EXPECT_LT(loud, levels[1]) << "the loud track takes the album's gain, under its own level";

    // Listed again, the files show what was measured of them.
    ASSERT_TRUE(WaitForRunEnd());
    Action("actClear")->trigger();
    ASSERT_EQ(form_->FileList().Count(), 0u);
    Add(clips);
    for (size_t row = 0; row < levels.size(); ++row) {
        EXPECT_NEAR(std::stod(Cell(row, loudness_column)), levels[row], 0.3);
    }
}

TEST_F(ConversionTest, AStartWithoutAnyFileReturnsToIdle) {
    const fs::path gone = Copy("avi_mpeg4_mp2.avi", in_.Path() / "gone.avi");
    Add({gone});
    fs::remove(gone);
    const qsizetype lines = form_->LogLines().size();
    Action("actStartConvert")->trigger();
    EXPECT_EQ(form_->ConvertState(), cvIdle);
    EXPECT_TRUE(Action("actStartConvert")->isEnabled());
    const QStringList log = form_->LogLines().mid(lines);
    EXPECT_EQ(log, QStringList({"", "***No file has been added to convert list.", ""}));
    EXPECT_TRUE(services_->Messages.empty());
}

// A file of the first round that the converter refuses to open ends the
// whole start: the log says so, the row says "Failed", and the task built
// before it leaves nothing in the folder.
TEST_F(ConversionTest, ARefusalInTheFirstRoundEndsTheWholeStart) {
    const fs::path good = Copy("avi_mpeg4_mp2.avi", in_.Path() / "good.avi");
    const fs::path bad = Copy("mp4_h264_aac.mp4", in_.Path() / "bad.mp4");
    Add({good, bad});
    // Spoilt in place after it was read, with its size and time kept, so
    // what was read of it when listed still stands.
    const auto time = fs::last_write_time(bad);
    std::fstream(bad, std::ios::in | std::ios::out | std::ios::binary)
        << std::string(fs::file_size(bad), 'x');
    fs::last_write_time(bad, time);

    Action("actStartConvert")->trigger();
    EXPECT_EQ(form_->ConvertState(), cvIdle);
    EXPECT_EQ(form_->LogLines().filter(QStringLiteral("***File open error: ")).size(), 1)
        << form_->LogLines().join('|').toStdString();
    EXPECT_EQ(form_->StatusText(),
              QStringLiteral("The conversion could not be started - see the log"));
    EXPECT_EQ(Cell(1, kProgressColumn), "Failed");
    EXPECT_TRUE(Action("actStartConvert")->isEnabled());
    EXPECT_TRUE(fs::is_empty(out_.Path())) << "the first task's output was taken back";
}

TEST_F(ConversionTest, AMissingOutputFolderIsMadeOnlyWhenTheUserSaysSo) {
    Add({test::Fixture("avi_mpeg4_mp2.avi")});
    const fs::path file = out_.Path() / "a file";
    std::ofstream(file) << "kept";
    const struct {
        const char* name;
        bool same_folder;
        fs::path folder;
        TMessageResult answer;
        bool made;
    } cases[] = {
        // Checked even for the inputs' folder: the completion question points there.
        {"declined", false, out_.Path() / "missing", TMessageResult::No, false},
        {"declined for the inputs' folder", true, out_.Path() / "missing", TMessageResult::No,
         false},
        {"under a file", false, file / "inner", TMessageResult::Yes, false},
        {"accepted", false, out_.Path() / "new" / "deeper", TMessageResult::Yes, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        services_->Messages.clear();
        services_->Answers = {c.answer};
        Find<QCheckBox>(*form_, "chkSameInput")->setChecked(c.same_folder);
        SetOutputFolder(c.folder.string());
        const QStringList log = form_->LogLines();
        Action("actStartConvert")->trigger();
        ASSERT_GE(services_->Messages.size(), 1u);
        EXPECT_EQ(services_->Messages[0].Text, QStringLiteral("The output folder \"%1\" does not "
                                                              "exist. Create it?")
                                                   .arg(QString::fromStdString(c.folder.string())));
        EXPECT_EQ(services_->Messages[0].Buttons, TMessageButtons::YesNo);
        EXPECT_EQ(fs::is_directory(c.folder), c.made);
        EXPECT_EQ(fs::file_size(file), 4u);
        if (!c.made) {
            // A folder that cannot be made is reported, and nothing starts.
            EXPECT_EQ(services_->Messages.size(), c.answer == TMessageResult::Yes ? 2u : 1u);
            EXPECT_EQ(form_->ConvertState(), cvIdle);
            EXPECT_EQ(form_->LogLines(), log);
            EXPECT_TRUE(Data(0).OutputFile.empty());
            continue;
        }
        services_->Answers = {TMessageResult::No};
        ASSERT_TRUE(WaitForCompletionQuestion());
        EXPECT_EQ(fs::path(Data(0).OutputFile).parent_path(), c.folder);
    }
}

// Closing while converting asks first; stopping then (or on a logout's
// signal, without asking) leaves nothing unfinished behind.
TEST_F(ConversionTest, ClosingDuringAConversionAsksAndCleansUp) {
    std::optional<test::TFreshStateFolder> state;
    for (const bool by_signal : {false, true}) {
        SCOPED_TRACE(by_signal ? "signal" : "user");
        Add({LongClip(by_signal ? "long2.wav" : "long.wav")});
        Action("actStartConvert")->trigger();
        const std::string partial = PartialName(Data(0).OutputFile);
        ASSERT_TRUE(WaitFor([&] { return fs::exists(partial) && fs::file_size(partial) > 0; }));
        if (by_signal) {
            form_->CloseBySignal();
        } else {
            services_->Answers = {TMessageResult::No, TMessageResult::Yes};
            form_->close();
            EXPECT_EQ(form_->ConvertState(), cvConverting) << "No goes back";
            form_->close();
            EXPECT_EQ(services_->CountTitled(QLatin1String(kApplicationTitle)), 2u);
            EXPECT_EQ(services_->Messages.back().Text,
                      QStringLiteral("A conversion is running. Stop it and quit?"));
        }
        test::ServeEvents();
        form_.reset();
        EXPECT_FALSE(fs::exists(partial));
        EXPECT_TRUE(fs::is_empty(out_.Path()));
        services_->Messages.clear();
        // The next round starts from an empty list, not the one this window kept.
        state.emplace();
        SetUp();
    }
}

TEST_F(ConversionTest, ChosenAudioTracksAndFolderTreesAreConverted) {
    constexpr size_t kAudioColumn = 6;
    const fs::path tree = in_.Path() / "tree";
    Copy("mkv_ac3_51_two_audio.mkv", tree / "a" / "b" / "two.mkv");
    Copy("avi_mpeg4_mp2.avi", tree / "one.avi");
    services_->FolderAnswers.push_back(QString::fromStdString(tree.string()));
    Action("actAddFolder")->trigger();
    ASSERT_TRUE(test::WaitUntilAdded(*form_));
    ASSERT_EQ(form_->FileList().Count(), 2u);
    EXPECT_TRUE(form_->IncludeSubFolders());
    EXPECT_TRUE(ReadSubFoldersSetting(*form_->Settings()));
    // On by default; turning it off is kept.
    EXPECT_TRUE(Action("actCopyAudio")->isChecked());
    Action("actCopyAudio")->trigger();
    EXPECT_FALSE(ReadCopyAudioSetting(*form_->Settings()));
    EXPECT_EQ(test::ListTexts(*form_).at(0).at(kAudioColumn), "1: und MP2 stereo");
    EXPECT_TRUE(Cell(1, kAudioColumn).starts_with("1: und AC3")) << Cell(1, kAudioColumn);

    // "Audio Track for All" lists the languages there are; a row without
    // the language keeps its track.
    std::unique_ptr<QMenu> menu = form_->FileListMenu(1);
    ASSERT_NE(menu, nullptr);
    auto* all = menu->findChild<QMenu*>(QStringLiteral("mnuAudioTrackForAll"));
    ASSERT_NE(all, nullptr);
    ASSERT_EQ(all->actions().size(), 1);
    EXPECT_EQ(all->actions().front()->text(), QStringLiteral("ger"));
    all->actions().front()->trigger();
    EXPECT_EQ(Cell(0, kAudioColumn), "1: und MP2 stereo");
    EXPECT_EQ(Cell(1, kAudioColumn), "2: ger MP2 stereo");

    services_->Answers = {TMessageResult::No};
    Action("actStartConvert")->trigger();
    ASSERT_TRUE(WaitForCompletionQuestion());
    const fs::path deep = out_.Path() / "a" / "b" / "two.mp3";
    EXPECT_EQ(Data(1).OutputFile, deep.string());
    const fixtures::AudioAnalysis audio = fixtures::AnalyzeAudio(deep);
    EXPECT_NEAR(audio.Loudest().frequency_hz, 500.0, 5.0);
    EXPECT_EQ(audio.channels, 2);
    ExpectDecodes((out_.Path() / "one.mp3").string(),
                  fixtures::FindStandardClip("avi_mpeg4_mp2.avi")->recipe.duration_s);
}

// Six seconds of tone in three chapters, tagged for names made from tags.
fs::path ChapterClip(const fs::path& path) {
    fixtures::ClipRecipe recipe;
    recipe.duration_s = 6.0;
    recipe.streams = {fixtures::Audio("pcm_s16le", 44100, 2, 1000.0, 0.5)};
    recipe.chapters = {{0.0, 2.0, "Intro"}, {2.0, 4.0, "Song"}, {4.0, 6.0, "Outro"}};
    recipe.tags = {{"artist", "Ann"}, {"title", "Tune"}};
    fixtures::WriteClip(path, recipe);
    return path;
}

constexpr int kOutputColumn = 3;
constexpr int kPartsColumn = 7;

TEST_F(ConversionTest, SplitByChaptersFollowsTheMenuAndTheRowsOwnChoice) {
    Add({ChapterClip(in_.Path() / "album.mkv")});
    auto row_split = [&] {
        std::unique_ptr<QMenu> menu = form_->FileListMenu(0);
        menu->findChild<QAction*>(QStringLiteral("actRowSplitChapters"))->trigger();
    };
    EXPECT_FALSE(Action("actSplitChapters")->isChecked()) << "off unless chosen";
    EXPECT_EQ(Cell(0, kPartsColumn), "");
    struct Step {
        const char* what;
        std::function<void()> act;
        const char* parts;
    };
    const Step steps[] = {
        {"the menu", [&] { Action("actSplitChapters")->trigger(); }, "3 pieces"},
        {"the row off", row_split, ""},
        {"the menu off", [&] { Action("actSplitChapters")->trigger(); }, ""},
        {"the row on", row_split, "3 pieces"},
    };
    for (const Step& step : steps) {
        step.act();
        EXPECT_EQ(Cell(0, kPartsColumn), step.parts) << step.what;
    }
    EXPECT_EQ(form_->Settings()->ReadString("Convert", "SplitChapters", ""), "0");
    const QAbstractItemModel* model = Find<QTableView>(*form_, "lvFiles")->model();
    EXPECT_EQ(model->data(model->index(0, kPartsColumn), Qt::ToolTipRole).toString(),
              QStringLiteral("re-encoded: pieces are cut to the sample"));
    // The tooltip plans without writing anything.
    const QString plan = model->data(model->index(0, 0), Qt::ToolTipRole).toString();
    EXPECT_TRUE(plan.contains(QStringLiteral("album - 02 - Song.mp3  (0:02 for 0:02)")))
        << plan.toStdString();
    EXPECT_TRUE(fs::is_empty(out_.Path()));

    services_->Answers = {TMessageResult::No};
    Action("actStartConvert")->trigger();
    ASSERT_TRUE(WaitForCompletionQuestion());
    EXPECT_EQ(Cell(0, kProgressColumn), "Completed");
    EXPECT_EQ(Cell(0, kOutputColumn), "album - 01 - Intro.mp3 + 2 more");
    int64_t size = 0;
    for (const char* title : {"01 - Intro", "02 - Song", "03 - Outro"}) {
        const fs::path piece = out_.Path() / (std::string("album - ") + title + ".mp3");
        ExpectDecodes(piece.string(), 2.0);
        size += static_cast<int64_t>(fs::file_size(piece));
    }
    EXPECT_EQ(Cell(0, kOutputSizeColumn), SizeColumnText(size));
}

TEST_F(ConversionTest, TheFileNameTemplateNamesTheOutputsAndAFaultyOneIsRefused) {
    Add({ChapterClip(in_.Path() / "tagged.mkv")});
    auto* names = Find<QComboBox>(*form_, "cmbNameTemplate");
    EXPECT_EQ(names->currentText(), QStringLiteral("{name}"));
    names->setEditText(QStringLiteral("{artist}/{nope}"));
    Action("actStartConvert")->trigger();
    ASSERT_EQ(services_->Messages.size(), 1u);
    EXPECT_TRUE(services_->Messages[0].Text.contains(QStringLiteral("{nope}")))
        << services_->Messages[0].Text.toStdString();
    EXPECT_EQ(form_->ConvertState(), cvIdle);

    names->setEditText(QStringLiteral("{artist}/{title}"));
    services_->Answers = {TMessageResult::No};
    Action("actStartConvert")->trigger();
    ASSERT_TRUE(WaitForCompletionQuestion());
    EXPECT_EQ(Data(0).OutputFile, (out_.Path() / "Ann" / "Tune.mp3").string());
    ExpectDecodes(Data(0).OutputFile, 6.0);
    EXPECT_EQ(form_->Settings()->ReadString("Convert", "NameTemplate", ""), "{artist}/{title}");
}

TEST_F(ConversionTest, SkipFilesAlreadyConvertedMarksTheRowSkippedWithoutWriting) {
    Add({test::Fixture("avi_mpeg4_mp2.avi")});
    services_->Answers = {TMessageResult::No};
    Action("actStartConvert")->trigger();
    ASSERT_TRUE(WaitForCompletionQuestion());
    const fs::path output = Data(0).OutputFile;
    const std::string before = ReadText(output);
    const auto written = fs::last_write_time(output);

    Action("actSkipExisting")->trigger();
    EXPECT_EQ(form_->Settings()->ReadString("Convert", "SkipExisting", ""), "1");
    services_->Answers = {TMessageResult::Yes};  // convert it again
    Action("actConvertAllAgain")->trigger();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Cell(0, kProgressColumn), "Skipped");
    EXPECT_EQ(form_->StatusText(), QStringLiteral("0 converted, 1 skipped"));
    EXPECT_EQ(services_->CountTitled(kCompleted), 1u) << "nothing new to open";
    EXPECT_EQ(ReadText(output), before);
    EXPECT_EQ(fs::last_write_time(output), written);
    EXPECT_EQ(std::distance(fs::directory_iterator(out_.Path()), fs::directory_iterator()), 1);
}

TEST_F(ConversionTest, SplitPointsFromAFileAreReadAtOnceAndAFaultyLineIsNamed) {
    const fs::path clip = ChapterClip(in_.Path() / "talk.mkv");
    Add({clip});
    const fs::path bad = in_.Path() / "bad.txt";
    const fs::path good = in_.Path() / "good.txt";
    std::ofstream(bad) << "0:00 Start\n0:03 Middle\n0:09 Past the end\n";
    std::ofstream(good) << "0:00 Start\n0:01.5 Middle\n0:03 Last\n";
    auto choose = [&](const fs::path& file) {
        services_->FileAnswers.push_back({QString::fromStdString(file.string())});
        form_->FileListMenu(0)->findChild<QAction*>(QStringLiteral("actRowSplitPoints"))->trigger();
    };
    choose(bad);
    ASSERT_EQ(services_->Messages.size(), 1u);
    EXPECT_TRUE(services_->Messages[0].Text.contains(QStringLiteral("line 3")))
        << services_->Messages[0].Text.toStdString();
    EXPECT_EQ(Data(0).SplitPointsFile, "");
    choose(good);
    EXPECT_EQ(Data(0).SplitPointsFile, good.string());
    EXPECT_EQ(Cell(0, kPartsColumn), "3 pieces");
    // A cut keeps the pieces within it.
    form_->SetRowCut({0}, 2'000'000, 4'000'000);
    EXPECT_EQ(Cell(0, kPartsColumn), "2 pieces, cut 0:02");
    form_->FileListMenu(0)
        ->findChild<QAction*>(QStringLiteral("actRowClearSplitPoints"))
        ->trigger();
    EXPECT_EQ(Cell(0, kPartsColumn), "cut 0:02");

    services_->Answers = {TMessageResult::No};
    Action("actStartConvert")->trigger();
    ASSERT_TRUE(WaitForCompletionQuestion());
    ExpectDecodes(Data(0).OutputFile, 2.0);
}

}  // namespace
}  // namespace v2m
