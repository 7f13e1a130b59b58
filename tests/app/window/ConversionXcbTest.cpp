// One conversion from start to end in the real main window on a real X
// server: the user's settings name the output folder, a clip is added and
// converted, the real completion question appears and is answered, and the
// MP3 is on disk.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "AudioAnalysis.h"
#include "FFmpegLoader.h"
#include "MainThread.h"
#include "QtMainThread.h"
#include "WindowTestSupport.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;

// The real message boxes; the file dialog answers with the clip, and the
// desktop's "open" is only noted (no file manager is started on the test
// display).
class TRealBoxes final : public TUiServices {
public:
    explicit TRealBoxes(QString clip) : clip_(std::move(clip)) {}
    TMessageResult MessageBox(QWidget* parent, const QString& title, const QString& text,
                              TMessageButtons buttons, TMessageIcon icon) override {
        return real_->MessageBox(parent, title, text, buttons, icon);
    }
    QStringList OpenFiles(QWidget*, const QString&, const QString&,
                          const QList<TFileFilter>&) override {
        return {clip_};
    }
    std::optional<QString> ChooseFolder(QWidget*, const QString&, const QString&) override {
        return std::nullopt;
    }
    bool ShellOpen(const QString& target) override {
        Opened.append(target);
        return true;
    }
    QStringList Opened;

private:
    QString clip_;
    std::shared_ptr<TUiServices> real_ = QtUiServices();
};

// Answers the completion question with the button named, the moment it shows.
class TQuestionWatcher final : public QObject {
public:
    TQuestionWatcher(QString text, QMessageBox::StandardButton answer)
        : text_(std::move(text)), answer_(answer) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (box != nullptr && event->type() == QEvent::Show && box->text() == text_ && !seen_) {
            seen_ = true;
            title_ = box->windowTitle();
            QTimer::singleShot(0, box, [this, box] {
                box->button(answer_)->click();
                emit_answered_();
            });
        }
        return QObject::eventFilter(watched, event);
    }
    void OnAnswered(std::function<void()> call) { emit_answered_ = std::move(call); }
    bool Seen() const { return seen_; }
    const QString& Title() const { return title_; }

private:
    QString text_;
    QMessageBox::StandardButton answer_;
    bool seen_ = false;
    QString title_;
    std::function<void()> emit_answered_ = [] {};
};

TEST(ConversionOnXTest, AClipIsConvertedFromTheRealWindow) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    test::TUserFolders user;
    test::TProgramFolder program;
    test::TempDir out("xcb-out");
    fs::create_directories(user.SettingsFile().parent_path());
    {
        std::ofstream settings(user.SettingsFile());
        settings << "[General]\nOutputFolder0=" << out.Path().string() << "/\n";
    }
    const fs::path clip = test::Fixture("avi_mpeg4_mp2.avi");
    auto services = std::make_shared<TRealBoxes>(QString::fromStdString(clip.string()));
    TForm1 form(TFormSurroundings{program.Folder(), {}, services});
    ASSERT_TRUE(form.StartupComplete());
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    TQuestionWatcher watcher(QStringLiteral("Do you want to open output folder?"), QMessageBox::No);
    qApp->installEventFilter(&watcher);
    QEventLoop loop;
    watcher.OnAnswered([&] { loop.quit(); });
    // Only a run that never ends reaches this.
    QTimer::singleShot(std::chrono::minutes(2), &loop, [&] { loop.exit(1); });

    QTest::mouseClick(test::Find<QToolButton>(form, "tbAddFiles"), Qt::LeftButton);
    ASSERT_TRUE(test::WaitUntilAdded(form));
    ASSERT_EQ(form.FileList().Count(), 1u);
    QTest::mouseClick(test::Find<QToolButton>(form, "tbStartConvert"), Qt::LeftButton);
    ASSERT_EQ(form.ConvertState(), cvConverting);
    ASSERT_EQ(loop.exec(), 0) << "no completion question";
    qApp->removeEventFilter(&watcher);

    EXPECT_EQ(watcher.Title(), "Convert completed.");
    EXPECT_TRUE(services->Opened.isEmpty()) << "answered No";
    EXPECT_EQ(form.ConvertState(), cvIdle);
    EXPECT_EQ(test::ListTexts(form).at(0).at(4), "Completed");
    const fs::path mp3 = out.Path() / "avi_mpeg4_mp2.mp3";
    ASSERT_TRUE(fs::exists(mp3));
    const fixtures::AudioAnalysis got = fixtures::AnalyzeAudio(mp3);
    EXPECT_EQ(got.codec_name, "mp3");
    EXPECT_NEAR(got.duration_s, 3.0, 0.15);
    EXPECT_NEAR(got.Loudest().frequency_hz, 1000.0, 15.0);
    form.close();
}

}  // namespace
}  // namespace v2m
