// The window's list across sessions: a window killed outright in the middle
// of a batch, started again, goes on with the rest and leaves nothing behind;
// a kept list that cannot be read is set aside, never lost.

#include <QComboBox>
#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "AudioAnalysis.h"
#include "FixtureGenerator.h"
#include "ListJournal.h"
#include "WindowTestSupport.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;

constexpr const char* kKilledRole = "batch-until-killed";
constexpr double kClipSeconds = 60.0;
constexpr int kClips = 5;

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The child: a window that starts converting its clips and goes on until it
// is killed. Arguments: state folder, program folder, output folder, clips.
int ConvertUntilKilled(const std::vector<std::string>& args) {
    ::setenv("XDG_STATE_HOME", args.at(0).c_str(), 1);
    auto services = std::make_shared<test::TScriptedServices>();
    TForm1 form(TFormSurroundings{args.at(1), {}, services});
    form.findChild<QComboBox*>(QStringLiteral("cmbProfile"))->setCurrentIndex(0);
    form.findChild<QComboBox*>(QStringLiteral("edtOutPath"))
        ->setEditText(QString::fromStdString(args.at(2)));
    QStringList clips;
    for (size_t i = 3; i < args.size(); ++i) {
        clips.append(QString::fromStdString(args[i]));
    }
    form.AddPaths(clips);
    if (!test::WaitUntilAdded(form)) {
        return 3;
    }
    form.actStartConvertExecute();
    QTest::qWait(600000);
    return 4;  // never killed
}
const bool kRegistered = test::RegisterChildRole(kKilledRole, ConvertUntilKilled);

struct TOutputs {
    std::vector<fs::path> Finished;
    size_t Partial = 0;
    // Partial files with something written: their creation is on record.
    size_t Written = 0;
};

TOutputs OutputsIn(const fs::path& folder) {
    TOutputs outputs;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".part")) {
            ++outputs.Partial;
            std::error_code error;
            outputs.Written += fs::file_size(entry.path(), error) > 0 && !error ? 1 : 0;
        } else if (name.ends_with(".mp3")) {
            outputs.Finished.push_back(entry.path());
        }
    }
    std::sort(outputs.Finished.begin(), outputs.Finished.end());
    return outputs;
}

// The clips, written into `in` and named on the child's command line. They
// are made with the libraries a window loads; that window leaves an empty
// list behind.
void WriteClips(const fs::path& in, const test::TProgramFolder& program, QStringList& arguments) {
    auto maker = test::MakeForm(program, std::make_shared<test::TScriptedServices>());
    for (int i = 0; i < kClips; ++i) {
        const fs::path clip = in / ("clip" + std::to_string(i) + ".mkv");
        fixtures::ClipRecipe recipe;
        recipe.duration_s = kClipSeconds;
        recipe.streams = {fixtures::Audio("pcm_s16le", 44100, 2, 440.0 * (i + 1), 0.5)};
        fixtures::WriteClip(clip, recipe);
        arguments.append(QString::fromStdString(clip.string()));
    }
    maker->close();
    maker.reset();
}

// One output a clip, each whole, nothing numbered twice, nothing half done.
void ExpectOneWholeOutputPerClip(const fs::path& out) {
    const TOutputs outputs = OutputsIn(out);
    EXPECT_EQ(outputs.Partial, 0U);
    ASSERT_EQ(outputs.Finished.size(), static_cast<size_t>(kClips) + 1);
    for (int i = 0; i < kClips; ++i) {
        const fs::path output = out / ("clip" + std::to_string(i) + ".mp3");
        SCOPED_TRACE(output.string());
        const fixtures::AudioAnalysis analysis = fixtures::AnalyzeAudio(output);
        EXPECT_NEAR(analysis.duration_s, kClipSeconds, 0.2);
        EXPECT_EQ(analysis.decode_errors, 0);
        EXPECT_NEAR(analysis.Loudest().frequency_hz, 440.0 * (i + 1), 10.0);
    }
}

TEST(ListJournalWindowTest, AWindowKilledInABatchGoesOnWhereItStopped) {
    ASSERT_TRUE(kRegistered);
    test::TUserFolders user;
    test::TProgramFolder program;
    test::TempDir dir("killed-batch");
    const fs::path in = dir.Path() / "in";
    const fs::path out = dir.Path() / "out";
    fs::create_directories(in);
    fs::create_directories(out);
    QStringList arguments = {
        QStringLiteral("--child-role=%1").arg(kKilledRole), QString::fromStdString(user.State()),
        QString::fromStdString(program.Folder()), QString::fromStdString(out.string() + "/")};
    WriteClips(in, program, arguments);
    // The user's own file among the outputs stays as it was.
    const fs::path users_file = out / "notes.mp3";
    std::ofstream(users_file) << "mine";
    struct stat before {};
    ASSERT_EQ(::stat(users_file.c_str(), &before), 0);

    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    ASSERT_TRUE(child.waitForStarted(10000));
    // Killed with one clip done and the next half written.
    const bool midway = QTest::qWaitFor(
        [&] {
            const TOutputs now = OutputsIn(out);
            return now.Finished.size() >= 2 && now.Written > 0;
        },
        120000);
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished(10000));
    ASSERT_TRUE(midway) << "the batch never got halfway: " << child.readAllStandardError().data();
    ASSERT_GT(OutputsIn(out).Partial, 0U);
    const size_t done_before = OutputsIn(out).Finished.size() - 1;  // the user's file

    auto services = std::make_shared<test::TScriptedServices>();
    services->MessageAnswers = {TMessageResult::Yes, TMessageResult::No};
    auto form = test::MakeForm(program, services);
    ASSERT_EQ(form->FileList().Count(), static_cast<size_t>(kClips));
    // The half-written output went before anything else could start.
    EXPECT_EQ(OutputsIn(out).Partial, 0U);
    ASSERT_TRUE(QTest::qWaitFor([&] { return services->MessageAnswers.empty(); }, 120000));
    ASSERT_GE(services->Messages.size(), 2U);
    EXPECT_TRUE(services->Messages[0].contains(
        QStringLiteral("The last conversion was interrupted. Resume the %1 remaining files?")
            .arg(kClips - done_before)))
        << services->Messages[0].toStdString();
    EXPECT_EQ(form->ConvertState(), cvIdle);
    for (const TFileRow& row : form->FileList().Rows()) {
        EXPECT_EQ(row.Progress, kCompletedProgressText) << row.Name;
    }
    form->close();

    ExpectOneWholeOutputPerClip(out);
    struct stat after {};
    ASSERT_EQ(::stat(users_file.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(ReadBytes(users_file), "mine");
}

TEST(ListJournalWindowTest, AListThatCannotBeReadIsSetAsideAndTheListStartsEmpty) {
    test::TUserFolders user;
    test::TProgramFolder program;
    const fs::path folder = fs::path(user.State()) / "video2mp3";
    fs::create_directories(folder);
    const std::string damaged("video2mp3-list-journal 1\nrow %ZZ\n\xff\x00 cut", 39);
    std::ofstream(folder / "list.journal", std::ios::binary) << damaged;
    // An older one set aside earlier is not written over.
    std::ofstream(folder / "list.journal.damaged-1") << "older";

    auto services = std::make_shared<test::TScriptedServices>();
    services->MessageAnswers = {TMessageResult::Ok};
    auto form = test::MakeForm(program, services);
    test::ServeEvents();
    EXPECT_TRUE(form->FileList().Empty());
    ASSERT_EQ(services->Messages.size(), 1U);
    const std::string told = services->Messages[0].toStdString();
    EXPECT_NE(told.find("list.journal.damaged-2"), std::string::npos) << told;
    EXPECT_TRUE(form->LogLines().join('\n').contains(QStringLiteral("damaged-2")));
    EXPECT_EQ(ReadBytes(folder / "list.journal.damaged-2"), damaged);
    EXPECT_EQ(ReadBytes(folder / "list.journal.damaged-1"), "older");
    form->close();
    // What is there now is a sound, empty list.
    std::string error;
    const std::optional<TListJournal> fresh =
        ParseJournal(ReadBytes(folder / "list.journal"), error);
    ASSERT_TRUE(fresh) << error;
    EXPECT_TRUE(fresh->Rows.empty());
}

}  // namespace
}  // namespace v2m
