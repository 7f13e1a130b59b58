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

// "m:ss", or "h:mm:ss" from an hour on, of whole seconds.
std::string ClockText(int64_t microseconds) {
    const int64_t seconds = std::max<int64_t>(microseconds, 0) / 1000000;
    if (seconds >= 3600) {
        return Format("%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                      static_cast<long long>(seconds / 60 % 60),
                      static_cast<long long>(seconds % 60));
    }
    return Format("%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
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

std::string PlayTimeText(int64_t position, int64_t duration) {
    if (duration <= 0) {
        return position > 0 ? ClockText(position) : std::string();
    }
    return ClockText(std::min(position, duration)) + " / " + ClockText(duration);
}

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
    // After Stop the selection stays as it was: a click on its row opens it again.
    connect(lvFiles, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (FPreviewState == pvNone && index.row() == PreviewRow()) {
            PreviewFileOf(index.row(), true);
        }
    });
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
    if (FileList().Rows()[static_cast<size_t>(row)].Data.FileName == FPreviewFile) {
        return;
    }
    PreviewFileOf(row, true);
}

int TForm1::PreviewRow() const {
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1 || rows[0] < 0 || static_cast<size_t>(rows[0]) >= FileList().Count()) {
        return -1;
    }
    return rows[0];
}

void TForm1::PreviewFileOf(int row, bool paused) {
    const std::string file = FileList().Rows()[static_cast<size_t>(row)].Data.FileName;
    OpenPreview(file, paused);
    ShowPausePicture(paused ? 0 : 1);
    lblVideoName->setText(QString::fromStdString(WideExtractFileName(file)));
    FPreviewState = paused ? pvPaused : pvPlaying;
    ShowPreviewPanel();
    ActionList1Update();
}

void TForm1::OpenPreview(const std::string& path, bool paused) {
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
    // Said again by this file's open when its sound cannot be played either.
    ShowPreviewNote(QString());
    FPreviewDuration = 0;
    ShowPlayTime(0);
    preview_opened_paused_ = paused;
    const bool opened = FFPlayer.Open(path, window, paused);
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
    // In the skin's button text colour, which the skin makes stand out on its buttons.
    const QColor glyph = btnPause->palette().color(QPalette::ButtonText);
    btnPause->setIcon(PictureIcon(picture == 1 ? TPicture::PreviewPause : TPicture::Play, glyph));
    btnStop->setIcon(PictureIcon(TPicture::PreviewStop, glyph));
}

void TForm1::ShowPlayTime(int64_t position) {
    lblPlayTime->setText(QString::fromStdString(PlayTimeText(position, FPreviewDuration)));
}

void TForm1::ShowPreviewNote(const QString& text) {
    lblPreviewNote->setText(text);
    lblPreviewNote->setVisible(!text.isEmpty());
    lblPreviewNote->raise();
}

void TForm1::actPlayExecute() {
    if (FPreviewState == pvNone) {
        // Stopped: the selected row plays again from its start.
        if (const int row = PreviewRow(); row >= 0) {
            PreviewFileOf(row, false);
        }
        return;
    }
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
    FPreviewDuration = 0;
    ShowPlayTime(0);
    ShowPreviewNote(QString());
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
    ShowPlayTime(0);
}

void TForm1::FFPlayerPosition(TFFBaseComponent*, int64_t APTS) {
    // While the user holds the bar, the bar is where the user puts it.
    if (APTS < 0 || FPreviewDuration <= 0 || trkPlay->isSliderDown()) {
        return;
    }
    const TUpdatingTrack updating(FUpdatingTrack);
    trkPlay->setValue(static_cast<int>(trkPlay->maximum() * APTS / FPreviewDuration));
    ShowPlayTime(APTS);
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
