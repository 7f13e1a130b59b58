// The window's preview on generated clips, played in real time: selecting a
// row opens it paused, the bar seeks and follows playback, the end goes back
// to the start, Stop, Remove and Clear close it, and the volume controls
// decide what reaches the audio device (SDL's disk driver writes it to a file).

#include <QAction>
#include <QCheckBox>
#include <QImage>
#include <QItemSelectionModel>
#include <QLabel>
#include <QRegularExpression>
#include <QSlider>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <QGuiApplication>
#include <QScreen>

#include <numbers>
#include <string_view>
#include <tuple>

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "AudioAnalysis.h"
#include "AuxWindows.h"
#include "FixtureGenerator.h"
#include "PreviewPanel.h"
#include "SplitPoints.h"
#include "WindowTestSupport.h"

namespace v2m {
namespace {

namespace fs = std::filesystem;
using test::Find;

constexpr int kRate = 32000;

// 16-bit stereo, as -1..1 per channel; from the first to the last audible
// sample only, since the device plays silence while the preview waits paused.
std::vector<std::vector<float>> AudibleCapture(const fs::path& file) {
    std::vector<int16_t> codes(fs::file_size(file) / sizeof(int16_t));
    std::ifstream(file, std::ios::binary)
        .read(reinterpret_cast<char*>(codes.data()), std::ssize(codes) * 2);
    const auto audible = [](int16_t code) { return std::abs(code) > 328; };  // 0.01 of full scale
    const size_t first = std::find_if(codes.begin(), codes.end(), audible) - codes.begin();
    const size_t end = codes.rend() - std::find_if(codes.rbegin(), codes.rend(), audible);
    std::vector<std::vector<float>> channels(2);
    for (size_t i = first & ~size_t{1}; i + 1 < codes.size() && i < end; ++i) {
        channels[i % 2].push_back(static_cast<float>(codes[i] / 32768.0));
    }
    return channels;
}

class PreviewWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        // Drawn by SDL itself: predictable on any X server, and no GL driver
        // threads for the thread checker to trip over.
        ::setenv("SDL_RENDER_DRIVER", "software", 1);
        ::setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 1);
        CaptureTo("device.raw");
        form_ = test::MakeForm(program_, services_);
        ASSERT_TRUE(form_->StartupComplete()) << Log();
        form_->show();
        view_ = Find<QTableView>(*form_, "lvFiles");
        bar_ = Find<QSlider>(*form_, "trkPlay");
        play_ = Find<QAction>(*form_, "actPlay");
        stop_ = Find<QAction>(*form_, "actStop");
    }

    // Read when the device opens, that is when a file opens.
    fs::path CaptureTo(const std::string& name) {
        ::setenv("SDL_DISKAUDIOFILE", (temp_.Path() / name).c_str(), 1);
        return temp_.Path() / name;
    }
    // Solid red with a 1 kHz tone: any pixel and any stretch of sound tells where it came from.
    fs::path Clip(const std::string& name, double seconds) {
        fixtures::StreamRecipe video = fixtures::Video("mpeg4", 320, 240, {25, 1});
        std::tie(video.solid_y, video.solid_u, video.solid_v) = std::tuple(81, 90, 240);
        fixtures::WriteClip(
            temp_.Path() / name,
            {.duration_s = seconds,
             .streams = {video, fixtures::Audio("pcm_s16le", kRate, 2, 1000.0, 0.5)}});
        return temp_.Path() / name;
    }
    void Add(const std::vector<fs::path>& files) {
        services_->FileAnswers.emplace_back();
        for (const fs::path& file : files) {
            services_->FileAnswers.back().append(QString::fromStdString(file.string()));
        }
        Find<QAction>(*form_, "actAddFiles")->trigger();
        ASSERT_TRUE(test::WaitUntilAdded(*form_));
    }
    void Select(int row,
                QItemSelectionModel::SelectionFlags how = QItemSelectionModel::ClearAndSelect) {
        view_->selectionModel()->select(view_->model()->index(row, 0),
                                        how | QItemSelectionModel::Rows);
    }
    // Selects the row alone, as a click does (a row that stays selected is not
    // selected anew), and waits until the player has settled paused on it.
    void Preview(int row) {
        const qsizetype pauses = Count("Pause");
        view_->clearSelection();
        Select(row);
        ASSERT_TRUE(WaitForLine("Pause", pauses + 1)) << Log();
    }
    bool WaitForLine(const char* line, qsizetype count, int timeout_ms = 5000) {
        return QTest::qWaitFor([&] { return Count(line) >= count; }, timeout_ms);
    }
    qsizetype Count(const char* line) const { return form_->LogLines().count(QLatin1String(line)); }
    std::string Log() const { return form_->LogLines().join('\n').toStdString(); }
    bool Shown(const char* name) { return Find<QWidget>(*form_, name)->isVisibleTo(form_.get()); }
    int64_t Position() const { return form_->Player().CurrentPosition(); }

    test::TUserFolders user_;
    test::TProgramFolder program_;
    test::TempDir temp_{"preview"};
    std::shared_ptr<test::TScriptedServices> services_ =
        std::make_shared<test::TScriptedServices>();
    std::unique_ptr<TForm1> form_;
    QTableView* view_ = nullptr;
    QSlider* bar_ = nullptr;
    QAction* play_ = nullptr;  // the pause button's
    QAction* stop_ = nullptr;
};

TEST_F(PreviewWindowTest, SelectingOneRowOpensItPausedAndNothingElseDoes) {
    const fs::path clip = Clip("red.avi", 3.0);
    Add({clip, Clip("other.avi", 2.0)});
    Select(0);
    // Until the player has settled there is nothing to pause or resume.
    EXPECT_FALSE(play_->isEnabled());
    ASSERT_TRUE(WaitForLine("Pause", 1)) << Log();
    EXPECT_TRUE(play_->isEnabled() && stop_->isEnabled());

    // The probe's description, the open's own line, then the states.
    const QStringList log = form_->LogLines();
    const qsizetype info = log.indexOf("File Name: " + QString::fromStdString(clip.string()));
    const qsizetype opened = log.indexOf(QRegularExpression("duration: .*"));
    ASSERT_GE(info, 0) << Log();
    ASSERT_GT(opened, info);
    const auto numbers =
        QRegularExpression(R"(^duration: (\d+\.\d{6}), frame size: 320x240$)").match(log[opened]);
    ASSERT_TRUE(numbers.hasMatch()) << log[opened].toStdString();
    EXPECT_NEAR(numbers.captured(1).toDouble(), 3.0, 0.1);
    EXPECT_EQ(log.mid(opened + 1).filter(QRegularExpression("^(Play|Pause|Resume|Stop|End)$")),
              QStringList({"Play", "Pause"}));
    EXPECT_EQ(Find<QLabel>(*form_, "lblVideoName")->text(), "red.avi");
    EXPECT_EQ(form_->PreviewState(), pvPaused);
    EXPECT_TRUE(Shown("pnlPreview") && !Shown("imgPreview"));
    EXPECT_EQ(bar_->maximum(), bar_->width());

    const std::pair<const char*, std::function<void()>> others[] = {
        {"the previewed row again", [&] { Select(0); }},
        {"a second row besides it", [&] { Select(1, QItemSelectionModel::Select); }},
    };
    for (const auto& [name, select] : others) {
        SCOPED_TRACE(name);
        const qsizetype opens = form_->LogLines().filter(QRegularExpression("^duration: ")).size();
        select();
        QTest::qWait(300);
        EXPECT_EQ(form_->LogLines().filter(QRegularExpression("^duration: ")).size(), opens);
        EXPECT_EQ(form_->PreviewFile(), clip.string());
        EXPECT_TRUE(form_->Player().FileIsOpen());
    }
}

TEST_F(PreviewWindowTest, PanelShowsTheClipsPictureAndBlackOnceStopped) {
    Add({Clip("red.avi", 2.0)});
    ASSERT_NO_FATAL_FAILURE(Preview(0));
    auto* panel = dynamic_cast<TPreviewPanel*>(Find<QWidget>(*form_, "pnlPreview"));
    ASSERT_TRUE(panel != nullptr && !panel->DrawnByPlayer()) << "offscreen, nothing to embed in";
    if (!QTest::qWaitFor([&] { return panel->Picture() != nullptr; }, 2000)) {
        GTEST_SKIP() << "the player handed the panel no picture within 2 s";
    }
    EXPECT_EQ(QSize(panel->Picture()->Width(), panel->Picture()->Height()), panel->DeviceSize());
    const auto middle = [&] { return panel->grab().toImage().pixelColor(panel->rect().center()); };
    EXPECT_GT(middle().red(), 200) << middle().name().toStdString();
    EXPECT_LT(std::max(middle().green(), middle().blue()), 60) << middle().name().toStdString();

    stop_->trigger();
    ASSERT_TRUE(WaitForLine("Stop", 1)) << Log();
    EXPECT_EQ(panel->Picture(), nullptr);
    EXPECT_EQ(middle(), QColor(Qt::black));
}

TEST_F(PreviewWindowTest, MovingTheBarSeeksAndTheEndWaitsPausedAtTheStart) {
    constexpr int64_t kDuration = 6'000'000;
    Add({Clip("long.avi", 6.0)});
    ASSERT_NO_FATAL_FAILURE(Preview(0));
    play_->trigger();
    ASSERT_TRUE(WaitForLine("Resume", 1)) << Log();
    EXPECT_EQ(form_->PreviewState(), pvPlaying);

    // As a drag does: with tracking, the value follows the slider's position.
    bar_->setSliderPosition(bar_->maximum() / 2);
    // Played on from the start, the clip would take 2.5 s to get there.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Position() >= kDuration / 2 - 100'000; }, 1500))
        << "at " << Position() << " us";
    EXPECT_LT(Position(), kDuration * 3 / 4);
    QTest::qWait(200);
    EXPECT_NEAR(bar_->value(), bar_->maximum() * Position() / kDuration, 6);

    const qsizetype pauses = Count("Pause");
    ASSERT_TRUE(WaitForLine("End", 1, 6000)) << Log();
    ASSERT_TRUE(WaitForLine("Pause", pauses + 1)) << Log();
    // Playback goes on for the moment the pause takes to settle after the seek.
    constexpr int64_t kSettling = 300'000;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return bar_->value() <= bar_->maximum() * kSettling / kDuration + 1; }, 2000))
        << bar_->value();
    QTest::qWait(300);
    const int64_t waiting_at = Position();
    EXPECT_LT(waiting_at, kSettling);
    QTest::qWait(500);
    EXPECT_EQ(Position(), waiting_at) << "not paused";
    // The end changes neither the button's picture nor the preview's state.
    EXPECT_EQ(form_->PreviewState(), pvPlaying);
}

TEST_F(PreviewWindowTest, StopRemoveAndClearCloseThePreview) {
    const std::vector<fs::path> clips = {Clip("a.avi", 2.0), Clip("b.avi", 2.0)};
    // Rows not converted yet: Clear asks first.
    const auto clear = [&] {
        if (!form_->FileList().Empty()) {
            services_->MessageAnswers.push_back(TMessageResult::Yes);
        }
        Find<QAction>(*form_, "actClear")->trigger();
    };
    const std::pair<const char*, std::function<void()>> closings[] = {
        {"Stop", [&] { stop_->trigger(); }},
        // Not the previewed row: any Remove closes the preview.
        {"Remove",
         [&] {
             Select(1, QItemSelectionModel::Select);
             Select(0, QItemSelectionModel::Deselect);
             Find<QAction>(*form_, "actRemove")->trigger();
         }},
        {"Clear", clear},
    };
    for (const auto& [name, close] : closings) {
        SCOPED_TRACE(name);
        clear();
        ASSERT_NO_FATAL_FAILURE(Add(clips));
        ASSERT_NO_FATAL_FAILURE(Preview(0));
        const qsizetype stops = Count("Stop");
        close();
        EXPECT_EQ(form_->PreviewState(), pvNone);
        EXPECT_TRUE(form_->PreviewFile().empty());
        EXPECT_TRUE(Shown("imgPreview") && !Shown("pnlPreview"));
        EXPECT_TRUE(Find<QLabel>(*form_, "lblVideoName")->text().isEmpty());
        ASSERT_TRUE(WaitForLine("Stop", stops + 1)) << Log();
        EXPECT_FALSE(form_->Player().FileIsOpen());
        // Only Stop leaves a row selected, for Play to open again.
        EXPECT_EQ(play_->isEnabled(), std::string_view(name) == "Stop");
        EXPECT_FALSE(stop_->isEnabled());
        EXPECT_TRUE(Find<QLabel>(*form_, "lblPlayTime")->text().isEmpty());
    }
}

TEST_F(PreviewWindowTest, AfterStopPlayAndAClickOnTheRowOpenItAgainFromTheStart) {
    const fs::path clip = Clip("red.avi", 3.0);
    Add({clip});
    ASSERT_NO_FATAL_FAILURE(Preview(0));
    auto* time = Find<QLabel>(*form_, "lblPlayTime");
    EXPECT_EQ(time->text(), "0:00 / 0:03");
    play_->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Position() >= 1'100'000; }, 4000)) << Log();
    EXPECT_TRUE(QTest::qWaitFor([&] { return time->text() == "0:01 / 0:03"; }, 1000))
        << time->text().toStdString();

    const std::pair<const char*, std::function<void()>> reopenings[] = {
        // Play plays at once; a click opens the row paused, as selecting it does.
        {"Play", [&] { play_->trigger(); }},
        {"a click on the selected row", [&] { emit view_->clicked(view_->model()->index(0, 0)); }},
    };
    for (const auto& [name, reopen] : reopenings) {
        SCOPED_TRACE(name);
        const qsizetype stops = Count("Stop");
        const qsizetype opens = form_->LogLines().filter(QRegularExpression("^duration: ")).size();
        // A file opened playing can be stopped and paused once it plays.
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return stop_->isEnabled() && play_->isEnabled(); }, 3000));
        stop_->trigger();
        ASSERT_TRUE(WaitForLine("Stop", stops + 1)) << Log();
        ASSERT_TRUE(play_->isEnabled());
        reopen();
        EXPECT_EQ(form_->PreviewFile(), clip.string());
        EXPECT_EQ(form_->PreviewState(), std::string_view(name) == "Play" ? pvPlaying : pvPaused);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return form_->LogLines().filter(QRegularExpression("^duration: ")).size() > opens;
            },
            3000))
            << Log();
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return Position() >= 0 && Position() < 1'000'000; }, 2000))
            << "not from the start: " << Position();
    }
}

// The tone at the level the volume bar sets, or nothing when muted.
TEST_F(PreviewWindowTest, DeviceGetsTheClipsToneAtTheChosenVolume) {
    Add({Clip("tone.avi", 3.0)});
    for (const auto& [volume, mute] : {std::pair{128, false}, {64, false}, {128, true}}) {
        const std::string name = "volume " + std::to_string(volume) + (mute ? " muted" : "");
        SCOPED_TRACE(name);
        const fs::path capture = CaptureTo(name);
        Find<QSlider>(*form_, "trkVolume")->setValue(volume);
        Find<QCheckBox>(*form_, "chkMute")->setChecked(mute);
        ASSERT_NO_FATAL_FAILURE(Preview(0));
        play_->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return Position() >= 1'500'000; }, 4000));
        const qsizetype stops = Count("Stop");
        stop_->trigger();
        ASSERT_TRUE(WaitForLine("Stop", stops + 1)) << Log();

        ASSERT_TRUE(fs::exists(capture)) << "the device never opened";
        const auto heard = AudibleCapture(capture);
        if (mute) {
            EXPECT_TRUE(heard[0].empty()) << heard[0].size() << " audible samples";
            EXPECT_GT(fs::file_size(capture), 4u * kRate) << "the device ran less than a second";
            continue;
        }
        EXPECT_GT(static_cast<double>(heard[0].size()) / kRate, 1.2);
        const double level = fixtures::AmplitudeToDb(0.5 / std::numbers::sqrt2 * volume / 128.0);
        for (const auto& channel : fixtures::AnalyzeSamples(heard, kRate).channel) {
            EXPECT_NEAR(channel.frequency_hz, 1000.0, 20.0) << channel.name;
            EXPECT_NEAR(channel.rms_dbfs, level, 0.5) << channel.name;
        }
    }
}

// Without any sound device the picture still plays, and the panel says why
// there is no sound.
TEST_F(PreviewWindowTest, WithoutASoundDeviceThePanelSaysPictureOnly) {
    ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    Add({Clip("red.avi", 2.0)});
    ASSERT_NO_FATAL_FAILURE(Preview(0));
    auto* note = Find<QLabel>(*form_, "lblPreviewNote");
    EXPECT_TRUE(QTest::qWaitFor([&] { return note->isVisibleTo(form_.get()); }, 2000)) << Log();
    EXPECT_EQ(note->text(), "No sound device - picture only");
    EXPECT_TRUE(form_->Player().FileIsOpen());
    stop_->trigger();
    EXPECT_FALSE(note->isVisibleTo(form_.get()));
}

// On X11 the player draws into the panel's own native window through SDL;
// read back from the X server, the panel shows the clip's red.
TEST_F(PreviewWindowTest, NativeWindowShowsThePicture) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        GTEST_SKIP() << "needs an X display";
    }
    Add({Clip("red.avi", 2.0)});
    ASSERT_NO_FATAL_FAILURE(Preview(0));
    auto* surface = Find<QWidget>(*form_, "pnlPreviewSurface");
    ASSERT_TRUE(surface->isVisible());
    QColor centre;
    const bool red = QTest::qWaitFor(
        [&] {
            const QImage shot =
                QGuiApplication::primaryScreen()->grabWindow(surface->winId()).toImage();
            centre =
                shot.isNull() ? QColor() : shot.pixelColor(shot.width() / 2, shot.height() / 2);
            return centre.red() > 200 && centre.green() < 60 && centre.blue() < 60;
        },
        2000);
    EXPECT_TRUE(red) << centre.name().toStdString();
}

// "Cut...": where the preview of the row's file stands fills a field; an end
// not after the start is refused in the dialog, which stays open.
TEST_F(PreviewWindowTest, CutTakesThePreviewPositionAndRefusesAnEndBeforeTheStart) {
    Add({Clip("cut.avi", 4.0), Clip("other.avi", 2.0)});
    ASSERT_NO_FATAL_FAILURE(Preview(0));
    play_->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Position() >= 1'500'000; }, 4000)) << Log();
    play_->trigger();
    ASSERT_TRUE(WaitForLine("Pause", 2)) << Log();
    QTest::qWait(200);
    const int64_t at = Position();
    const QString at_text = QString::fromStdString(TimeText(at));

    // The dialog of the row, handled by `fill` once it is up.
    auto cut = [&](int row, const std::function<void(TCutDialog&)>& fill) {
        QTimer::singleShot(0, [&] {
            auto* dialog = dynamic_cast<TCutDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            fill(*dialog);
            if (dialog->isVisible()) {
                dialog->reject();
            }
        });
        form_->FileListMenu(row)->findChild<QAction*>(QStringLiteral("actRowCut"))->trigger();
    };
    struct Case {
        int row;
        bool previewed;
    };
    for (const Case c : {Case{0, true}, Case{1, false}}) {
        cut(c.row, [&](TCutDialog& dialog) {
            auto* from_preview = Find<QPushButton>(dialog, "btnCutStartFromPreview");
            EXPECT_EQ(from_preview->isEnabled(), c.previewed) << c.row;
            EXPECT_EQ(Find<QPushButton>(dialog, "btnCutEndFromPreview")->isEnabled(), c.previewed);
            if (!c.previewed) {
                return;
            }
            from_preview->click();
            EXPECT_EQ(Find<QLineEdit>(dialog, "edtCutStart")->text(), at_text);
            Find<QLineEdit>(dialog, "edtCutEnd")->setText(QStringLiteral("0:01"));
            dialog.accept();
            EXPECT_TRUE(dialog.isVisible()) << "an end before the start is taken";
            EXPECT_EQ(Find<QLabel>(dialog, "lblCutProblem")->text(),
                      QStringLiteral("The end must come after the start"));
            Find<QLineEdit>(dialog, "edtCutEnd")->clear();
            dialog.accept();
            EXPECT_FALSE(dialog.isVisible());
        });
    }
    const TConvertFileData& file = form_->FileList().Rows()[0].Data;
    EXPECT_EQ(file.CutStart, ParseTimeText(at_text.toStdString()));
    EXPECT_EQ(file.CutEnd, -1);
    EXPECT_EQ(form_->FileList().Rows()[1].Data.CutStart, -1) << "cancelled";
    form_->FileListMenu(0)->findChild<QAction*>(QStringLiteral("actRowRemoveCut"))->trigger();
    EXPECT_EQ(form_->FileList().Rows()[0].Data.CutStart, -1);
}

}  // namespace
}  // namespace v2m
