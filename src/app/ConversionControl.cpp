// The main window's conversion control: building one task per row, starting,
// pausing, resuming and cancelling the batch, per-row and total progress, and
// what happens when the run ends.

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QTableView>

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

// The output folder is never made here: the user chose it, and a folder that
// went away is the user's to bring back.
bool IsFolder(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_directory(path, error);
}

}  // namespace

void TForm1::ConnectConversion() {
    connect(actStartConvert, &QAction::triggered, this, [this] { actStartConvertExecute(); });
    connect(actPauseConvert, &QAction::triggered, this, [this] { actPauseConvertExecute(); });
    connect(actStopConvert, &QAction::triggered, this, [this] { actStopConvertExecute(); });
    FFConverter.SetOnProgress([this](TFFBaseComponent* sender, PProgressInfo info) {
        FFConverterProgress(sender, info);
    });
    FFConverter.SetOnTerminate([this](TFFBaseComponent* sender, TTerminateInfo info) {
        FFConverterTerminate(sender, std::move(info));
    });
    // The commands follow the state whenever the application runs out of
    // work: once per idle moment, however many events came before it.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                [this] { ActionList1Update(); });
    }
}

TJobRequest TForm1::JobRequest() {
    TJobRequest request;
    request.ProfileExt = SelectedProfileExt();
    request.Channel = ChoiceOf(cmbChannel);
    request.Quality = ChoiceOf(cmbQuality);
    request.Volume = ChoiceOf(cmbVolume);
    request.BitRate = ChoiceOf(cmbBitRates);
    request.SameFolderAsInput = chkSameInput->isChecked();
    request.OutputFolder = edtOutPath->currentText().toStdString();
    TAVProbe& probe = FFConverter.Probe();
    request.SourceFileName = probe.FileName();
    request.SourceFormatName = probe.FormatName();
    return request;
}

void TForm1::BuildInputOptions(TInputOptions& options) {
    options = v2m::BuildInputOptions(JobRequest());
}

void TForm1::BuildOutputOptions(TOutputOptions& options) {
    const TJobRequest request = JobRequest();
    options = v2m::BuildOutputOptions(request, batch_names_);
    if (!request.SameFolderAsInput) {
        const std::string folder = WideIncludeTrailingBackslash(request.OutputFolder);
        if (folder != request.OutputFolder) {
            edtOutPath->setEditText(Text(folder));
        }
    }
}

bool TForm1::CheckOutputFolder() {
    // Checked even for "same folder as input": the folder is also where the
    // completion question points.
    if (IsFolder(edtOutPath->currentText().toStdString())) {
        return true;
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
        FFConverter.Resume();
        FConvertState = cvConverting;
        ActionList1Update();
        return;
    }
    if (FConvertState != cvIdle || FileList().Empty() || !CheckOutputFolder()) {
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
    FFConverter.ClearTasks();
    run_tasks_.clear();
    batch_names_.clear();
    // Nothing of an earlier run may be taken for this one's: not its outputs
    // (the clean-up would delete them) and not its completion.
    for (size_t row = 0; row < FileList().Count(); ++row) {
        file_list_->UpdateRow(row, [](TFileRow& r) {
            r.Data.OutputFile.clear();
            r.Data.Progress = 0;
        });
    }

    TAVProbe& probe = FFConverter.Probe();
    for (size_t row = 0; row < FileList().Count(); ++row) {
        const std::string file_name = FileList().Rows()[row].Data.FileName;
        if (!WideFileExists(file_name)) {
            continue;
        }
        file_list_->UpdateRow(row, [](TFileRow& r) { r.FailureReason.clear(); });
        if (!probe.LoadFile(file_name)) {
            AppendLog({"", "***File load error: " + probe.LastError(), ""});
            continue;
        }
        TInputOptions input;
        TOutputOptions output;
        BuildInputOptions(input);
        BuildOutputOptions(output);
        probe.CloseFile();
        file_list_->UpdateRow(row, [&](TFileRow& r) { r.Data.OutputFile = output.FileName; });

        const int task = FFConverter.AddTask(input.FileName, &input);
        if (task < 0) {
            AppendLog({"", "***File open error: " + FFConverter.LastError(), ""});
            AbandonStart();
            return;
        }
        // Recorded before the output is opened: whatever it leaves on disk
        // belongs to this run.
        run_tasks_.push_back({row, output.FileName});
        if (!FFConverter.SetOutputFile(task, output.FileName, &output)) {
            const std::string error = FFConverter.LastError();
            FFConverter.RemoveTask(task);
            AppendLog({"", "***Cannot do convert, error: " + error, ""});
            AbandonStart();
            return;
        }
        AppendLog({"", "***File has been added to convert list.", ""});
        file_list_->UpdateRow(row, [](TFileRow& r) {
            r.Data.Progress = 0;
            r.Progress = kInitialProgressText;
            r.OutputSize = InitialOutputSizeText(TAddCommand::AddFiles);
        });
    }

    if (run_tasks_.empty()) {
        // Nothing would ever end, so nothing would bring the window back.
        AppendLog({"", "***No file has been added to convert list.", ""});
        ActionList1Update();
        return;
    }
    SetTotalProgress(0);
    FFConverter.StartTask(1);
    FConvertState = cvConverting;
    ActionList1Update();
}

void TForm1::AbandonStart() {
    // The tasks built so far never start. Their outputs were created empty
    // under partial names; the tasks take them along (and nothing else), so
    // the folder is left as the user had it.
    FFConverter.ClearTasks();
    run_tasks_.clear();
    batch_names_.clear();
    ActionList1Update();
}

void TForm1::actPauseConvertExecute() {
    if (FConvertState != cvConverting) {
        return;
    }
    FFConverter.Pause();
    FConvertState = cvPaused;
    ActionList1Update();
}

void TForm1::actStopConvertExecute() {
    if (FConvertState == cvIdle) {
        return;
    }
    FFConverter.Pause();
    const TMessageResult answer =
        services_->MessageBox(this, QStringLiteral("Cancel Conversion."),
                              QStringLiteral("Are you sure you want to cancel conversion?"),
                              TMessageButtons::YesNo, TMessageIcon::None);
    if (answer != TMessageResult::Yes) {
        // A run that was paused before the question stays paused.
        if (FConvertState == cvConverting) {
            FFConverter.Resume();
        }
        return;
    }
    FFConverter.Stop(true);
    FConvertState = cvIdle;
    SetTotalProgress(0);
    ActionList1Update();
}

void TForm1::FFConverterProgress(TFFBaseComponent*, PProgressInfo AProgressInfo) {
    const TProgressInfo& info = *AProgressInfo;
    if (closed_ || info.TaskIndex < 0 || static_cast<size_t>(info.TaskIndex) >= run_tasks_.size()) {
        return;
    }
    const size_t row = run_tasks_[static_cast<size_t>(info.TaskIndex)].Row;
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
    const int64_t tasks = static_cast<int64_t>(run_tasks_.size());
    SetTotalProgress(static_cast<int>(int64_t{info.TaskIndex} * 100 / tasks + percent / tasks));
    lvFiles->viewport()->update();
    prgTotalProgress->update();
}

void TForm1::FFConverterTerminate(TFFBaseComponent*, TTerminateInfo ATerminateInfo) {
    // Delivered on the component's own thread: the work is the window's and
    // is done on its thread, in the order the notifications came. A window
    // that is gone by then drops them.
    QMetaObject::invokeMethod(
        this, [this, info = std::move(ATerminateInfo)] { TaskTerminated(info); },
        Qt::QueuedConnection);
}

void TForm1::TaskTerminated(const TTerminateInfo& info) {
    if (closed_) {
        // Closing cancels without clean-up.
        return;
    }
    if (info.TaskIndex == -1) {
        FFConverter.ClearTasks();
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
                services_->ShellOpen(Text(folder));
            }
        } else {
            // Clearing the tasks took their unfinished outputs along: failed
            // ones went when they failed, stopped ones with their tasks.
            SetTotalProgress(0);
            for (size_t row = 0; row < FileList().Count(); ++row) {
                const bool failed = !FileList().Rows()[row].FailureReason.empty();
                ResetRow(row);
                if (failed) {
                    // "Failed" stays until the next start, with its reason.
                    file_list_->UpdateRow(row,
                                          [](TFileRow& r) { r.Progress = kFailedProgressText; });
                }
            }
            FConvertState = cvIdle;
        }
        run_tasks_.clear();
        batch_names_.clear();
    } else if (info.TaskIndex >= 0 && static_cast<size_t>(info.TaskIndex) < run_tasks_.size()) {
        TRunTask& task = run_tasks_[static_cast<size_t>(info.TaskIndex)];
        if (info.Finished && !info.Failed && !info.OutputFiles.empty()) {
            // The name it was written under: another program may have taken
            // the chosen one meanwhile.
            task.OutputFile = info.OutputFiles.front();
        }
        const size_t row = task.Row;
        if (row < FileList().Count()) {
            if (info.Finished && !info.Failed) {
                file_list_->UpdateRow(row, [&task](TFileRow& r) {
                    r.Data.Progress = 100;
                    r.Data.OutputFile = task.OutputFile;
                    r.Progress = "Completed";
                });
            } else if (info.Failed) {
                file_list_->UpdateRow(row, [&info](TFileRow& r) {
                    r.Progress = kFailedProgressText;
                    r.FailureReason = info.ErrorMessage;
                });
            }
            lvFiles->viewport()->update();
        }
    }
    if (info.Failed) {
        services_->MessageBox(this, QLatin1String(kApplicationTitle), Text(info.ErrorMessage),
                              TMessageButtons::Ok, TMessageIcon::Exclamation);
    }
    ActionList1Update();
}

}  // namespace v2m
