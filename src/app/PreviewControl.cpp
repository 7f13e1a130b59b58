// The "Preview" group: the selected file in the player, the position bar, the
// volume, and the player's events feeding the bar and the log.

#include <QAction>
#include <QCheckBox>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QScreen>
#include <QSlider>
#include <QTableView>
#include <QToolButton>

#include <algorithm>

#include "Converter.h"
#include "Format.h"
#include "MyUtils.h"
#include "Pictures.h"
#include "PreviewPanel.h"

namespace v2m {

namespace {

const char* StateName(TPlayState state) {
    switch (state) {
        case psPlay:
            return "Play";
        case psPause:
            return "Pause";
        case psResume:
            return "Resume";
        case psStep:
            return "Step";
        case psStop:
            return "Stop";
        case psEnd:
            return "End";
    }
    return "";
}

// The probe joins its lines with CR LF; the log keeps one line per entry.
std::vector<std::string> TextLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (end < text.size() || !line.empty()) {
            lines.push_back(std::move(line));
        }
        start = end + 1;
    }
    return lines;
}

// Sets the flag for as long as the program moves the bar itself.
class TUpdatingTrack {
public:
    explicit TUpdatingTrack(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
    ~TUpdatingTrack() { flag_ = was_; }
    TUpdatingTrack(const TUpdatingTrack&) = delete;
    TUpdatingTrack& operator=(const TUpdatingTrack&) = delete;

private:
    bool& flag_;
    const bool was_;
};

}  // namespace

void TForm1::ConnectPreview() {
    FFPlayer.SetOnFileOpen([this](TFFBaseComponent* sender, int64_t duration, int frame_width,
                                  int frame_height, int& screen_width, int& screen_height) {
        FFPlayerFileOpen(sender, duration, frame_width, frame_height, screen_width, screen_height);
    });
    FFPlayer.SetOnPosition(
        [this](TFFBaseComponent* sender, int64_t pts) { FFPlayerPosition(sender, pts); });
    FFPlayer.SetOnState(
        [this](TFFBaseComponent* sender, TPlayState state) { FFPlayerState(sender, state); });
    if (!pnlPreview->DrawnByPlayer()) {
        FFPlayer.SetOnPicture([this](TFFBaseComponent*, std::shared_ptr<const TBitmap24> picture) {
            pnlPreview->ShowPicture(std::move(picture));
        });
    }
    pnlPreview->SetPlayer(&FFPlayer);
    pnlPreview->SetOnClick([this] { pnlPreviewClick(); });

    connect(actPlay, &QAction::triggered, this, [this] { actPlayExecute(); });
    connect(actStop, &QAction::triggered, this, [this] { actStopExecute(); });
    connect(trkPlay, &QSlider::valueChanged, this, [this] { trkPlayChange(); });
    connect(trkVolume, &QSlider::valueChanged, this, [this] { trkVolumeChange(); });
    connect(chkMute, &QCheckBox::toggled, this, [this] { chkMuteClick(); });
    connect(lvFiles->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection&) {
                for (const QModelIndex& index : selected.indexes()) {
                    if (index.column() == 0) {
                        lvFilesSelectItem(index.row(), true);
                    }
                }
            });
}

void TForm1::ClosePlayer() {
    FFPlayer.SetOnFileOpen(nullptr);
    FFPlayer.SetOnPosition(nullptr);
    FFPlayer.SetOnState(nullptr);
    FFPlayer.SetOnPicture(nullptr);
    FFPlayer.Stop(true);
    pnlPreview->SetPlayer(nullptr);
}

void TForm1::lvFilesSelectItem(int row, bool selected) {
    if (!selected || SelectedRows().size() > 1 || row < 0 ||
        static_cast<size_t>(row) >= FileList().Count()) {
        return;
    }
    const std::string file = FileList().Rows()[static_cast<size_t>(row)].Data.FileName;
    if (file == FPreviewFile) {
        return;
    }
    OpenPreview(file);
    ShowPausePicture(0);
    lblVideoName->setText(QString::fromStdString(WideExtractFileName(file)));
    FPreviewState = pvPaused;
    ShowPreviewPanel();
    ActionList1Update();
}

void TForm1::OpenPreview(const std::string& path) {
    if (!FFPlayer.AVLibLoaded() && !FFPlayer.LoadAVLib(program_folder_ + kLibraryFolder)) {
        AppendLog(FFPlayer.LastError());
        return;
    }
    FFPlayer.SetDisableAudio(false);
    FFPlayer.SetDisableVideo(false);
    FFPlayer.SetDisableDisplay(false);
    FFPlayer.VideoFilters.clear();
    FFPlayer.SetVideoDriver(vdDefault);
    FFPlayer.SetAudioDriver(adDefault);

    FPreviewControl = pnlPreview;
    // SDL takes the window's size and visual as it finds them when the file
    // opens: the panel is on screen before that.
    imgPreview->hide();
    pnlPreview->show();
    const TWindowHandle window = FPreviewControl->BeginFile();
    const bool opened = FFPlayer.Open(path, window, true);
    FPreviewControl->EndOpen(opened);
    if (!opened) {
        AppendLog(FFPlayer.LastError());
    }
    // Even a file that failed: selecting it again would only fail again.
    FPreviewFile = path;
}

void TForm1::ShowPreviewPanel() {
    imgPreview->setVisible(FPreviewState == pvNone);
    pnlPreview->setVisible(FPreviewState != pvNone);
}

void TForm1::ShowPausePicture(int picture) {
    pause_picture_ = picture;
    btnPause->setIcon(PictureIcon(picture == 1 ? TPicture::PreviewPause : TPicture::Play));
}

void TForm1::actPlayExecute() {
    FFPlayer.TogglePause();
    if (pause_picture_ == 1) {
        ShowPausePicture(0);
        FPreviewState = pvPaused;
    } else {
        ShowPausePicture(1);
        FPreviewState = pvPlaying;
    }
    ShowPreviewPanel();
}

void TForm1::actStopExecute() {
    FPreviewFile.clear();
    // The player closes the file on its own threads; its "Stop" clears the panel.
    FFPlayer.Stop(false);
    ShowPausePicture(0);
    lblVideoName->clear();
    FPreviewState = pvNone;
    ShowPreviewPanel();
}

void TForm1::trkPlayChange() {
    const int maximum = trkPlay->maximum();
    if (FUpdatingTrack || maximum <= 0 || FPreviewDuration <= 0) {
        return;
    }
    FFPlayer.Seek(0, FPreviewDuration * trkPlay->value() / maximum);
}

void TForm1::trkVolumeChange() {
    FFPlayer.SetAudioVolume(static_cast<TAudioVolume>(std::max(0, trkVolume->value())));
}

void TForm1::chkMuteClick() {
    FFPlayer.SetMute(chkMute->isChecked());
}

void TForm1::FFPlayerFileOpen(TFFBaseComponent*, int64_t ADuration, int AFrameWidth,
                              int AFrameHeight, int& AScreenWidth, int& AScreenHeight) {
    AppendLog(TextLines(FFPlayer.Probe().FileInfoText()));
    AppendLog(Format("duration: %f, frame size: %dx%d", static_cast<double>(ADuration) / 1000000.0,
                     AFrameWidth, AFrameHeight));
    QSize display;
    if (FPreviewControl != nullptr) {
        display = FPreviewControl->DeviceSize();
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        display = screen->geometry().size() * screen->devicePixelRatio();
    }
    if (!display.isEmpty()) {
        AScreenWidth = display.width();
        AScreenHeight = display.height();
    }
    FPreviewDuration = ADuration;
    const TUpdatingTrack updating(FUpdatingTrack);
    trkPlay->setMaximum(trkPlay->width());
    trkPlay->setValue(0);
}

void TForm1::FFPlayerPosition(TFFBaseComponent*, int64_t APTS) {
    // While the user holds the bar, the bar is where the user puts it.
    if (APTS < 0 || FPreviewDuration <= 0 || trkPlay->isSliderDown()) {
        return;
    }
    const TUpdatingTrack updating(FUpdatingTrack);
    trkPlay->setValue(static_cast<int>(trkPlay->maximum() * APTS / FPreviewDuration));
}

void TForm1::FFPlayerState(TFFBaseComponent*, TPlayState AState) {
    AppendLog(StateName(AState));
    FPlayerState = AState;
    if (AState == psStop && FPreviewControl != nullptr) {
        FPreviewControl->FileClosed();
    } else if (AState == psEnd) {
        // Back to the start, waiting for the user.
        FFPlayer.Seek(0, 0);
        FFPlayer.Pause();
    }
    ActionList1Update();
}

}  // namespace v2m
