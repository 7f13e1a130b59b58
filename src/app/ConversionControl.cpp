// The main window's conversion control: building one task per row, starting,
// pausing, resuming and cancelling the batch, per-row and total progress, and
// what happens when the run ends.

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "Converter.h"
#include "FileListModel.h"
#include "JobBuilding.h"
#include "MyUtils.h"

namespace v2m {

namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

TOptionChoice ChoiceOf(const QComboBox* list) {
    return {list->currentIndex(), list->currentText().toStdString()};
}

// The output folder is made only when the user says so: a folder that went
// away may be a drive not mounted yet.
bool IsFolder(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_directory(path, error);
}

}  // namespace

void TForm1::ConnectConversion() {
    connect(actStartConvert, &QAction::triggered, this, [this] { actStartConvertExecute(); });
    connect(actPauseConvert, &QAction::triggered, this, [this] { actPauseConvertExecute(); });
    connect(actStopConvert, &QAction::triggered, this, [this] { actStopConvertExecute(); });
    for (const auto& [action, setting] : jobs_actions_) {
        connect(action, &QAction::triggered, this,
                [this, setting = setting] { SetSimultaneousConversions(setting); });
    }
    SetSimultaneousConversions(FSettings ? ReadJobsSetting(*FSettings) : 1);
    actCopyTags->setChecked(FSettings ? ReadCopyTagsSetting(*FSettings) : true);
    actCoverFromVideo->setChecked(FSettings ? ReadCoverFromVideoSetting(*FSettings) : false);
    connect(actCoverFromVideo, &QAction::toggled, this, [this](bool on) {
        if (FSettings) {
            WriteCoverFromVideoSetting(*FSettings, on);
        }
    });
    connect(actCopyTags, &QAction::toggled, this, [this](bool on) {
        if (FSettings) {
            WriteCopyTagsSetting(*FSettings, on);
        }
    });
    connect(actNormalizeLoudness, &QAction::triggered, this, [this](bool checked) {
        SetLoudness({checked, loudness_.Target});
    });
    for (const auto& [action, target] : loudness_actions_) {
        connect(action, &QAction::triggered, this, [this, target = target] {
            SetLoudness({loudness_.Normalize, target});
        });
    }
    SetLoudness(FSettings ? ReadLoudnessSetting(*FSettings) : TLoudnessSetting{});
    // The status line follows the batch: files done, speed, time left.
    status_timer_ = new QTimer(this);
    status_timer_->setInterval(500);
    connect(status_timer_, &QTimer::timeout, this, [this] { ShowRunStatus(); });
    // The commands follow the state whenever the application runs out of
    // work: once per idle moment, however many events came before it.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                [this] { ActionList1Update(); });
    }
}

void TForm1::SetSimultaneousConversions(int setting) {
    jobs_setting_ = setting;
    for (const auto& [action, value] : jobs_actions_) {
        action->setChecked(value == setting);
    }
    if (FSettings && ReadJobsSetting(*FSettings) != setting) {
        WriteJobsSetting(*FSettings, setting);
    }
}

void TForm1::SetLoudness(const TLoudnessSetting& setting) {
    loudness_ = setting;
    actNormalizeLoudness->setChecked(setting.Normalize);
    for (const auto& [action, target] : loudness_actions_) {
        action->setChecked(target == setting.Target);
    }
    if (FSettings) {
        const TLoudnessSetting stored = ReadLoudnessSetting(*FSettings);
        if (stored.Normalize != setting.Normalize || stored.Target != setting.Target) {
            WriteLoudnessSetting(*FSettings, setting);
        }
    }
}

TJobRequest TForm1::JobRequest() {
    TJobRequest request;
    request.ProfileExt = SelectedProfileExt();
    const TConvertProfile* profile = SelectedProfile();
    request.KeepVideo = profile != nullptr && IsVideoProfile(*profile);
    request.Channel = ChoiceOf(cmbChannel);
    request.SampleRate = ChoiceOf(cmbQuality);
    request.Volume = ChoiceOf(cmbVolume);
    request.BitRate = ChoiceOf(cmbBitRates);
    request.SameFolderAsInput = chkSameInput->isChecked();
    request.OutputFolder = edtOutPath->currentText().toStdString();
    request.CopyTags = actCopyTags->isChecked();
    request.CoverFromVideo = actCoverFromVideo->isChecked();
    request.CopyAudioWhenPossible = CopyAudioWhenPossible();
    request.NormalizeLoudness = loudness_.Normalize;
    request.LoudnessTarget = loudness_.Target;
    return request;
}

bool TForm1::CheckOutputFolder() {
    // Checked even for "same folder as input": the folder is also where the
    // completion question points.
    const std::string folder = edtOutPath->currentText().toStdString();
    if (IsFolder(folder)) {
        return true;
    }
    std::error_code error;
    if (!folder.empty() && folder.front() == '/' &&
        !std::filesystem::exists(std::filesystem::symlink_status(folder, error))) {
        if (services_->MessageBox(
                this, QStringLiteral("Warning"),
                QStringLiteral("The output folder \"%1\" does not exist. Create it?")
                    .arg(Text(folder)),
                TMessageButtons::YesNo, TMessageIcon::Exclamation) != TMessageResult::Yes) {
            return false;
        }
        std::filesystem::create_directories(folder, error);
        if (IsFolder(folder)) {
            return true;
        }
        services_->MessageBox(this, QStringLiteral("Warning"),
                              QStringLiteral("The output folder could not be created: %1. Please "
                                             "select another folder.")
                                  .arg(Text(error ? error.message() : "not a folder")),
                              TMessageButtons::Ok, TMessageIcon::Exclamation);
        return false;
    }
    services_->MessageBox(
        this, QStringLiteral("Warning"),
        QStringLiteral("Output folder is unavailable. Please select another folder."),
        TMessageButtons::Ok, TMessageIcon::Exclamation);
    return false;
}

bool TForm1::AnyConverted() const {
    return FileList().AnyConverted();
}

bool TForm1::AllConverted() const {
    return FileList().AllConverted();
}

void TForm1::SetTotalProgress(int value) {
    prgTotalProgress->setValue(std::clamp(value, 0, 100));
}

void TForm1::ResetRow(size_t row) {
    file_list_->UpdateRow(row, [](TFileRow& r) {
        r.Data.Progress = 0;
        r.Progress = kInitialProgressText;
        r.OutputSize = InitialOutputSizeText(TAddCommand::AddFiles);
    });
}

void TForm1::actStartConvertExecute() {
    if (closed_) {
        return;
    }
    if (FConvertState == cvPaused) {
        runner_.Resume();
        FConvertState = cvConverting;
        ActionList1Update();
        return;
    }
    // The list is not complete while files are still being added.
    if (FConvertState != cvIdle || Adding() || FileList().Empty() || !CheckOutputFolder()) {
        return;
    }
    if (AnyConverted() &&
        services_->MessageBox(
            this, QStringLiteral("Warning"),
            QStringLiteral(
                "Some items have been converted already, do you want to re-convert them?"),
            TMessageButtons::YesNo, TMessageIcon::Exclamation) != TMessageResult::Yes) {
        return;
    }
    // Nothing of an earlier run may be taken for this one's: not its outputs
    // and not its completion.
    std::vector<std::string> files;
    files.reserve(FileList().Count());
    for (size_t row = 0; row < FileList().Count(); ++row) {
        file_list_->UpdateRow(row, [](TFileRow& r) {
            r.Data.OutputFile.clear();
            r.Data.Progress = 0;
            r.FailureReason.clear();
        });
        files.push_back(FileList().Rows()[row].Data.FileName);
    }
    if (!chkSameInput->isChecked()) {
        // The outputs go inside the folder: the text shows the separator.
        const std::string typed = edtOutPath->currentText().toStdString();
        const std::string folder = WideIncludeTrailingBackslash(typed);
        if (folder != typed) {
            edtOutPath->setEditText(Text(folder));
        }
    }

    TBatchEvents events;
    events.BuildFailed = [this](size_t row, TBuildFailure kind, const std::string& error) {
        BuildFailed(row, kind, error);
    };
    // Each row's own track, and its place in a folder tree.
    events.Prepare = [this](size_t row, TAVProbe&, TJobRequest& request) {
        if (row >= FileList().Count()) {
            return std::string();
        }
        const TConvertFileData& file = FileList().Rows()[row].Data;
        request.AudioStream = file.AudioStream;
        return PrepareTreeOutput(request, file.Root, file.FileName);
    };
    events.Added = [this](size_t row, const std::string& output) { TaskAdded(row, output); };
    events.Progress = [this](size_t, const TProgressInfo& info) {
        TProgressInfo copy = info;
        FFConverterProgress(&FFConverter, &copy);
    };
    events.Ended = [this](size_t row, const TTerminateInfo& info) { TaskEnded(row, info); };
    events.Over = [this](bool) { RunOver(); };
    const TStartResult started =
        runner_.Start(std::move(files), JobRequest(), JobsOfSetting(jobs_setting_), events, true);
    if (started == TStartResult::Refused) {
        // The tasks built so far never start, and took their outputs along.
        ShowStatus(QStringLiteral("The conversion could not be started - see the log"));
        ActionList1Update();
        return;
    }
    if (started == TStartResult::NothingToDo) {
        // Nothing would ever end, so nothing would bring the window back.
        AppendLog({"", "***No file has been added to convert list.", ""});
        ShowStatus(QStringLiteral("No file could be converted - see the log"));
        ActionList1Update();
        return;
    }
    SetTotalProgress(0);
    FConvertState = cvConverting;
    status_timer_->start();
    ShowRunStatus();
    ActionList1Update();
}

void TForm1::BuildFailed(size_t row, TBuildFailure kind, const std::string& error) {
    switch (kind) {
        case TBuildFailure::Load:
            AppendLog({"", "***File load error: " + error, ""});
            return;
        case TBuildFailure::Open:
            AppendLog({"", "***File open error: " + error, ""});
            break;
        case TBuildFailure::Output:
        case TBuildFailure::Request:
            AppendLog({"", "***Cannot do convert, error: " + error, ""});
            break;
    }
    // Once the batch runs, a file of a later round that cannot become a task
    // fails alone.
    if (FConvertState != cvIdle && row < FileList().Count()) {
        file_list_->UpdateRow(row, [&error](TFileRow& r) {
            r.Progress = kFailedProgressText;
            r.FailureReason = error;
        });
    }
}

void TForm1::TaskAdded(size_t row, const std::string& output) {
    if (row >= FileList().Count()) {
        return;
    }
    file_list_->UpdateRow(row, [&output](TFileRow& r) {
        r.Data.OutputFile = output;
        r.Data.Progress = 0;
        r.Progress = kInitialProgressText;
        r.OutputSize = InitialOutputSizeText(TAddCommand::AddFiles);
    });
    AppendLog({"", "***File has been added to convert list.", ""});
}

void TForm1::actPauseConvertExecute() {
    if (FConvertState != cvConverting) {
        return;
    }
    runner_.Pause();
    FConvertState = cvPaused;
    ActionList1Update();
}

void TForm1::actStopConvertExecute() {
    if (FConvertState == cvIdle) {
        return;
    }
    runner_.Pause();
    const TMessageResult answer =
        services_->MessageBox(this, QStringLiteral("Cancel Conversion."),
                              QStringLiteral("Are you sure you want to cancel conversion?"),
                              TMessageButtons::YesNo, TMessageIcon::None);
    if (answer != TMessageResult::Yes) {
        // A run that was paused before the question stays paused.
        if (FConvertState == cvConverting) {
            runner_.Resume();
        }
        return;
    }
    runner_.Stop(true);
    FConvertState = cvIdle;
    SetTotalProgress(0);
    ActionList1Update();
}

void TForm1::FFConverterProgress(TFFBaseComponent*, PProgressInfo AProgressInfo) {
    const TProgressInfo& info = *AProgressInfo;
    if (closed_) {
        return;
    }
    const size_t row = runner_.ItemOfTask(info.TaskIndex);
    if (row >= FileList().Count()) {
        return;
    }
    int64_t percent = 0;
    std::string text = "N/A";
    if (info.TotalDuration > 0) {
        percent = info.Time * 100 / info.TotalDuration;
        text = std::to_string(percent) + "%";
    }
    file_list_->UpdateRow(row, [&](TFileRow& r) {
        // 100 is for a task that ended well; a report may only come close.
        r.Data.Progress = static_cast<int32_t>(std::clamp<int64_t>(percent, 0, 99));
        r.Progress = text;
        r.OutputSize = SizeColumnText(info.Size);
    });
    const auto rows = static_cast<int64_t>(FileList().Count());
    if (runner_.Jobs() == 1) {
        // One at a time: every task before this one is over.
        SetTotalProgress(
            static_cast<int>(int64_t{runner_.TaskNumber(row)} * 100 / rows + percent / rows));
    } else {
        SetTotalProgress(runner_.TotalPercent());
    }
    lvFiles->viewport()->update();
    prgTotalProgress->update();
}

void TForm1::TaskEnded(size_t row, const TTerminateInfo& info) {
    if (closed_ || row >= FileList().Count()) {
        return;
    }
    if (info.Finished && !info.Failed) {
        file_list_->UpdateRow(row, [this, row](TFileRow& r) {
            r.Data.Progress = 100;
            // The name it was written under: another program may have taken
            // the chosen one meanwhile.
            r.Data.OutputFile = runner_.Output(row);
            r.Progress = "Completed";
        });
    } else if (info.Failed) {
        file_list_->UpdateRow(row, [&info](TFileRow& r) {
            r.Progress = kFailedProgressText;
            r.FailureReason = info.ErrorMessage;
        });
    }
    lvFiles->viewport()->update();
    ShowRunStatus();
    if (info.Failed) {
        services_->MessageBox(this, QLatin1String(kApplicationTitle), Text(info.ErrorMessage),
                              TMessageButtons::Ok, TMessageIcon::Exclamation);
    }
    ActionList1Update();
}

void TForm1::NotifyRunEnd() {
    if (isActiveWindow()) {
        return;  // the user is watching
    }
    size_t converted = 0;
    size_t failed = 0;
    for (const TFileRow& row : FileList().Rows()) {
        if (!row.FailureReason.empty()) {
            ++failed;
        } else if (row.Data.Progress == 100) {
            ++converted;
        }
    }
    QString text = QStringLiteral("%1 %2 converted")
                       .arg(converted)
                       .arg(converted == 1 ? QStringLiteral("file") : QStringLiteral("files"));
    if (failed > 0) {
        text += QStringLiteral(", %1 failed").arg(failed);
    }
    services_->Notify(QLatin1String(kApplicationTitle), text);
}

void TForm1::RunOver() {
    status_timer_->stop();
    ShowStatus({});
    if (closed_) {
        // Closing cancels without clean-up.
        return;
    }
    NotifyRunEnd();
    // The batch cleared its tasks, and they took their unfinished outputs
    // along: failed ones went when they failed, stopped ones with their tasks.
    if (AllConverted()) {
        SetTotalProgress(100);
        FConvertState = cvIdle;
        ActionList1Update();
        std::string folder = edtOutPath->currentText().toStdString();
        if (chkSameInput->isChecked() && !FileList().Empty()) {
            folder = WideExtractFilePath(FileList().Rows()[0].Data.OutputFile);
        }
        if (services_->MessageBox(this, QStringLiteral("Convert completed."),
                                  QStringLiteral("Do you want to open output folder?"),
                                  TMessageButtons::YesNo,
                                  TMessageIcon::None) == TMessageResult::Yes) {
            OpenWithShell(Text(folder));
        }
    } else {
        SetTotalProgress(0);
        for (size_t row = 0; row < FileList().Count(); ++row) {
            const bool failed = !FileList().Rows()[row].FailureReason.empty();
            ResetRow(row);
            if (failed) {
                // "Failed" stays until the next start, with its reason.
                file_list_->UpdateRow(row, [](TFileRow& r) { r.Progress = kFailedProgressText; });
            }
        }
        FConvertState = cvIdle;
    }
    ActionList1Update();
}

void TForm1::ShowRunStatus() {
    if (!runner_.Active()) {
        return;
    }
    runner_.Poll();
    ShowStatus(QString::fromStdString(runner_.StatusText()));
}

}  // namespace v2m
