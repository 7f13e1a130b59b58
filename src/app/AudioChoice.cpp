// The window's audio track choice, the copy switch and Add Folder's
// sub-folders: what the user chooses per row or for the whole list, kept in
// the rows and the settings until a conversion builds its jobs from them.

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QTableView>

#include <set>

#include "Converter.h"
#include "FileListModel.h"

namespace v2m {

void TForm1::ConnectAudioChoice() {
    lvFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lvFiles, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = lvFiles->indexAt(at);
        if (std::unique_ptr<QMenu> menu = FileListMenu(index.isValid() ? index.row() : -1)) {
            menu->exec(lvFiles->viewport()->mapToGlobal(at));
        }
    });
    actCopyAudio->setChecked(FSettings ? ReadCopyAudioSetting(*FSettings) : true);
    connect(actCopyAudio, &QAction::toggled, this,
            [this](bool on) { SetCopyAudioWhenPossible(on); });
    include_sub_folders_ = FSettings && ReadSubFoldersSetting(*FSettings);
    for (QComboBox* list : {cmbProfile, cmbQuality, cmbChannel, cmbBitRates, cmbVolume}) {
        connect(list, &QComboBox::currentIndexChanged, this, [this] { RefreshAudioColumn(); });
    }
    RefreshAudioColumn();
}

void TForm1::RefreshAudioColumn() {
    file_list_->UpdateAudioTexts(JobRequest());
}

bool TForm1::CopyAudioWhenPossible() const {
    return actCopyAudio->isChecked();
}

void TForm1::SetCopyAudioWhenPossible(bool on) {
    if (actCopyAudio->isChecked() != on) {
        actCopyAudio->setChecked(on);  // comes back here through the toggle
        return;
    }
    if (FSettings && ReadCopyAudioSetting(*FSettings) != on) {
        WriteCopyAudioSetting(*FSettings, on);
    }
    RefreshAudioColumn();
}

void TForm1::SetIncludeSubFolders(bool on) {
    include_sub_folders_ = on;
    if (FSettings && ReadSubFoldersSetting(*FSettings) != on) {
        WriteSubFoldersSetting(*FSettings, on);
    }
}

void TForm1::SetRowAudioTrack(size_t row, int track) {
    if (row >= FileList().Count()) {
        return;
    }
    const std::vector<TAudioTrack>& tracks = FileList().Rows()[row].Data.AudioTracks;
    if (track < 0 || static_cast<size_t>(track) >= tracks.size()) {
        return;
    }
    const int stream = tracks[static_cast<size_t>(track)].StreamIndex;
    const TJobRequest request = JobRequest();
    file_list_->UpdateRow(row, [stream, &request](TFileRow& r) {
        r.Data.AudioStream = stream;
        UpdateAudioText(r, request);
    });
}

size_t TForm1::SetAudioTrackForAll(const std::string& language) {
    const size_t found = file_list_->ChooseAudioLanguage(language);
    RefreshAudioColumn();
    return found;
}

std::unique_ptr<QMenu> TForm1::FileListMenu(int row) {
    // The jobs of a running batch are built from the rows as they are.
    if (FConvertState != cvIdle || FileList().Empty()) {
        return nullptr;
    }
    auto menu = std::make_unique<QMenu>(this);
    if (row >= 0 && static_cast<size_t>(row) < FileList().Count()) {
        const TConvertFileData& file = FileList().Rows()[static_cast<size_t>(row)].Data;
        QMenu* tracks = menu->addMenu(tr("Audio &Track"));
        tracks->setObjectName(QStringLiteral("mnuAudioTrack"));
        TJobRequest request;
        request.AudioStream = file.AudioStream;
        const int chosen = ChosenAudioTrack(file.AudioTracks, request);
        for (size_t i = 0; i < file.AudioTracks.size(); ++i) {
            const int track = static_cast<int>(i);
            QAction* action = tracks->addAction(
                QString::fromStdString(AudioTrackText(file.AudioTracks, track, false)));
            action->setCheckable(true);
            action->setChecked(track == chosen);
            connect(action, &QAction::triggered, this,
                    [this, row, track] { SetRowAudioTrack(static_cast<size_t>(row), track); });
        }
        tracks->setEnabled(file.AudioTracks.size() > 1);
    }
    // Only languages some row has; an untagged track has none to pick by.
    std::set<std::string> languages;
    for (const TFileRow& r : FileList().Rows()) {
        for (const TAudioTrack& track : r.Data.AudioTracks) {
            if (track.Language != "und") {
                languages.insert(track.Language);
            }
        }
    }
    QMenu* all = menu->addMenu(tr("Audio Track for &All"));
    all->setObjectName(QStringLiteral("mnuAudioTrackForAll"));
    for (const std::string& language : languages) {
        QAction* action = all->addAction(QString::fromStdString(language));
        connect(action, &QAction::triggered, this,
                [this, language] { SetAudioTrackForAll(language); });
    }
    all->setEnabled(!languages.empty());
    AddRowChoices(*menu, row);
    return menu;
}

}  // namespace v2m
