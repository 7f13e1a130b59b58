// The main window's conversion control: building one task per row, starting,
// pausing, resuming and cancelling the batch, per-row and total progress, and
// what happens when the run ends.

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLocale>
#include <QProgressBar>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "Converter.h"
#include "DesktopManners.h"
#include "FailureText.h"
#include "FileListModel.h"
#include "JobBuilding.h"
#include "MyUtils.h"
#include "Translations.h"

namespace v2m {

namespace {

TOptionChoice ChoiceOf(const QComboBox* list) {
    return {list->currentIndex(), list->currentData().toString().toStdString()};
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
    connect(actConvertAllAgain, &QAction::triggered, this, [this] { actConvertAllAgainExecute(); });
    start_caption_ = actStartConvert->text();
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
        TLoudnessSetting setting = loudness_;
        setting.Normalize = checked;
        SetLoudness(setting);
    });
    for (const auto& [action, target] : loudness_actions_) {
        connect(action, &QAction::triggered, this, [this, target = target] {
            TLoudnessSetting setting = loudness_;
            setting.Target = target;
            SetLoudness(setting);
        });
    }
    connect(actNormalizeAlbum, &QAction::triggered, this, [this](bool checked) {
        TLoudnessSetting setting = loudness_;
        setting.Album = checked;
        SetLoudness(setting);
    });
    connect(actLoudnessTagsOnly, &QAction::triggered, this, [this](bool checked) {
        TLoudnessSetting setting = loudness_;
        setting.TagsOnly = checked;
        SetLoudness(setting);
    });
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
    actNormalizeAlbum->setChecked(setting.Album);
    actLoudnessTagsOnly->setChecked(setting.TagsOnly);
    for (const auto& [action, target] : loudness_actions_) {
        action->setChecked(target == setting.Target);
    }
    if (FSettings) {
        if (ReadLoudnessSetting(*FSettings) != setting) {
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
    // Album gain and tags replace the per-file pass, even for a file whose
    // reading failed.
    request.NormalizeLoudness = loudness_.Normalize && !loudness_.Album && !loudness_.TagsOnly;
    request.LoudnessTarget = loudness_.Target;
    request.SplitChapters = actSplitChapters->isChecked();
    request.SkipExisting = actSkipExisting->isChecked();
    // "{name}" is today's naming, under which a split's pieces get their own
    // default names; only an empty template gives them.
    const std::string name_template = cmbNameTemplate->currentText().trimmed().toStdString();
    request.NameTemplate = name_template == "{name}" ? std::string() : name_template;
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
                this, tr("Warning"),
                tr("The output folder \"%1\" does not exist. Create it?").arg(Text(folder)),
                TMessageButtons::YesNo, TMessageIcon::Exclamation) != TMessageResult::Yes) {
            return false;
        }
        std::filesystem::create_directories(folder, error);
        if (IsFolder(folder)) {
            return true;
        }
        services_->MessageBox(this, tr("Warning"),
                              tr("The output folder could not be created: %1. Please "
                                 "select another folder.")
                                  .arg(ShownReason(error ? error.message() : "not a folder")),
                              TMessageButtons::Ok, TMessageIcon::Exclamation);
        return false;
    }
    services_->MessageBox(this, tr("Warning"),
                          tr("Output folder is unavailable. Please select another folder."),
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
    if (FConvertState == cvConverting && runner_.Active()) {
        manners_->Progress(prgTotalProgress->value() / 100.0, FilesLeft());
    }
    // Seen on the task bar while the window is behind others or minimised.
    setWindowTitle(runner_.Active() ? QStringLiteral("%1% - %2")
                                          .arg(prgTotalProgress->value())
                                          .arg(QLatin1String(kMainWindowCaption))
                                    : QLatin1String(kMainWindowCaption));
}

int64_t TForm1::FilesLeft() const {
    return static_cast<int64_t>(runner_.LeftCount());
}

void TForm1::ResetRow(size_t row) {
    file_list_->UpdateRow(row, [](TFileRow& r) {
        r.Data.Progress = 0;
        r.Progress = kInitialProgressText;
        r.OutputSize = InitialOutputSizeText(TAddCommand::AddFiles);
    });
}

void TForm1::actStartConvertExecute() {
    StartConversion(false);
}

void TForm1::actConvertAllAgainExecute() {
    StartConversion(true);
}

size_t TForm1::RowOfItem(size_t item) const {
    return item < run_rows_.size() ? run_rows_[item] : FileList().Count();
}

void TForm1::StartConversion(bool every_row, const std::vector<size_t>* only_rows) {
    if (closed_) {
        return;
    }
    // An analysis under way gives way to the conversion.
    if (measuring_ && !measuring_->Convert) {
        StopMeasuring();
    }
    if (FConvertState == cvPaused && !every_row) {
        ResumeConversion();
        return;
    }
    if (!CanStartConversion(every_row)) {
        return;
    }
    // An album is the rows marked, else the whole list, by folder.
    std::vector<size_t> album_rows;
    if (loudness_.Album && only_rows == nullptr) {
        album_rows = MarkedRows();
        if (!album_rows.empty()) {
            only_rows = &album_rows;
        }
    }
    std::vector<TBatchInput> files = TakeRunRows(every_row, only_rows);
    if (files.empty()) {
        ShowStatus(tr("Nothing to convert: no file of the list has audio"));
        return;
    }
    ShowOutputFolderSeparator();
    // Album gain and tags need every reading before the first task.
    if (loudness_.Album || loudness_.TagsOnly) {
        StartMeasuring(run_rows_, true, std::move(files));
        return;
    }
    batch_loudness_ = TBatchLoudness(TLoudnessChoice{});
    RunStarted(runner_.Start(std::move(files), JobRequest(), JobsOfSetting(jobs_setting_),
                             RunEvents(), true));
}

void TForm1::ResumeConversion() {
    runner_.Resume();
    FConvertState = cvConverting;
    manners_->Running(run_rows_.size(), prgTotalProgress->value() / 100.0, FilesLeft());
    ShowRunStatus();
    ActionList1Update();
}

bool TForm1::CanStartConversion(bool& every_row) {
    // The list is not complete while files are still being added.
    return FConvertState == cvIdle && !Adding() && !FileList().Empty() && CheckNameTemplate() &&
           CheckOutputFolder() && ConfirmConvertingAgain(every_row);
}

std::vector<size_t> TForm1::MarkedRows() const {
    std::vector<size_t> rows;
    for (const int row : SelectedRows()) {
        rows.push_back(static_cast<size_t>(row));
    }
    return rows;
}

void TForm1::ShowOutputFolderSeparator() {
    if (chkSameInput->isChecked()) {
        return;
    }
    // The outputs go inside the folder: the text shows the separator.
    const std::string typed = edtOutPath->currentText().toStdString();
    const std::string folder = WideIncludeTrailingBackslash(typed);
    if (folder != typed) {
        edtOutPath->setEditText(Text(folder));
    }
}

bool TForm1::ConfirmConvertingAgain(bool& every_row) {
    // "Start" leaves what is converted alone; with nothing else left it
    // offers to convert it all again.
    const bool rest_converted =
        std::all_of(FileList().Rows().begin(), FileList().Rows().end(), [](const TFileRow& r) {
            return r.Data.Progress == 100 || r.Progress == kNoAudioProgressText;
        });
    if ((every_row || rest_converted) && AnyConverted()) {
        if (services_->MessageBox(
                this, tr("Warning"),
                tr("Some items have been converted already, do you want to re-convert them?"),
                TMessageButtons::YesNo, TMessageIcon::Exclamation) != TMessageResult::Yes) {
            return false;
        }
        every_row = true;
    }
    return true;
}

std::vector<TBatchInput> TForm1::TakeRunRows(bool every_row, const std::vector<size_t>* only_rows) {
    // Nothing of an earlier run may be taken for this one's: not its outputs
    // and not its completion.
    std::vector<TBatchInput> files;
    run_rows_.clear();
    run_stopped_ = false;
    for (size_t row = 0; row < FileList().Count(); ++row) {
        const TFileRow& r = FileList().Rows()[row];
        if ((!every_row && r.Data.Progress == 100) || r.Progress == kNoAudioProgressText ||
            (only_rows != nullptr &&
             std::find(only_rows->begin(), only_rows->end(), row) == only_rows->end())) {
            continue;
        }
        file_list_->UpdateRow(row, [](TFileRow& changed) {
            changed.Data.OutputFile.clear();
            changed.Data.OutputCount = 0;
            changed.Data.Progress = 0;
            changed.FailureReason.clear();
            changed.Warning.clear();
            changed.Progress = kInitialProgressText;
            changed.OutputSize = InitialOutputSizeText(TAddCommand::AddFiles);
        });
        files.push_back({r.Data.FileName, r.Data.Source});
        run_rows_.push_back(row);
    }
    return files;
}

TBatchEvents TForm1::RunEvents() {
    TBatchEvents events;
    events.BuildFailed = [this](size_t item, TBuildFailure kind, const std::string& error) {
        BuildFailed(RowOfItem(item), kind, error);
    };
    // Each row's own track, split and cut, and its place in a folder tree.
    events.Prepare = [this](size_t item, const TSourceFile&, TJobRequest& request) {
        const size_t row = RowOfItem(item);
        if (row >= FileList().Count()) {
            return std::string();
        }
        const TConvertFileData& file = FileList().Rows()[row].Data;
        ApplyRowChoices(file, request);
        batch_loudness_.Apply(item, request);
        return PrepareTreeOutput(request, file.Root, file.FileName);
    };
    events.AlreadyDone = [this](size_t item, const std::vector<std::string>& outputs) {
        TaskAlreadyDone(item, outputs);
    };
    events.Added = [this](size_t item, const std::string& output) {
        TaskAdded(RowOfItem(item), output);
    };
    events.Warned = [this](size_t item, const std::string& warning) {
        const size_t row = RowOfItem(item);
        if (row < FileList().Count()) {
            AppendLog({"", "***Warning: " + FileList().Rows()[row].Name + ": " + warning, ""});
            file_list_->UpdateRow(row, [&warning](TFileRow& r) { r.Warning = warning; });
        }
    };
    events.Progress = [this](size_t, const TProgressInfo& info) {
        TProgressInfo copy = info;
        FFConverterProgress(&FFConverter, &copy);
    };
    events.Ended = [this](size_t item, const TTerminateInfo& info) { TaskEnded(item, info); };
    events.Over = [this](bool stopped) {
        run_stopped_ = stopped;
        RunOver();
    };
    return events;
}

void TForm1::RunStarted(TStartResult started) {
    if (started == TStartResult::Refused) {
        // The tasks built so far never start, and took their outputs along.
        ShowStatus(tr("The conversion could not be started - see the log"));
        ActionList1Update();
        return;
    }
    bool any_done = false;
    for (size_t item = 0; item < runner_.Count(); ++item) {
        any_done = any_done || runner_.State(item) == TItemState::Done;
    }
    if (started == TStartResult::NothingToDo && any_done) {
        // Every output was there already: a run that is over at once.
        RunOver();
        return;
    }
    if (started == TStartResult::NothingToDo) {
        // Nothing would ever end, so nothing would bring the window back.
        AppendLog({"", "***No file has been added to convert list.", ""});
        ShowStatus(tr("No file could be converted - see the log"));
        ActionList1Update();
        return;
    }
    SetTotalProgress(0);
    FConvertState = cvConverting;
    // Kept before any output is begun: a session killed from here on is resumed.
    SaveList(false);
    manners_->Running(run_rows_.size(), 0.0, FilesLeft());
    status_timer_->start();
    ShowRunStatus();
    ActionList1Update();
}

void TForm1::BuildFailed(size_t row, TBuildFailure kind, const std::string& error) {
    switch (kind) {
        case TBuildFailure::Load:
            AppendLog({"", "***File load error: " + error, ""});
            break;
        case TBuildFailure::Open:
            AppendLog({"", "***File open error: " + error, ""});
            break;
        case TBuildFailure::Output:
        case TBuildFailure::Request:
            AppendLog({"", "***Cannot do convert, error: " + error, ""});
            break;
    }
    // The row says so, in the first round as in later ones: the log keeps
    // the libraries' words, the row the plain ones.
    if (row < FileList().Count()) {
        const std::string reason = PlainLoadFailure(error, FileList().Rows()[row].Data.FileName);
        file_list_->UpdateRow(row, [&reason](TFileRow& r) {
            r.Progress = kFailedProgressText;
            r.FailureReason = reason;
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
    manners_->Paused();
    // The row that is held is the one to see.
    for (size_t item = 0; item < run_rows_.size(); ++item) {
        if (runner_.State(item) == TItemState::Running && run_rows_[item] < FileList().Count()) {
            lvFiles->scrollTo(lvFiles->model()->index(static_cast<int>(run_rows_[item]), 0));
            break;
        }
    }
    ShowRunStatus();
    ActionList1Update();
}

void TForm1::actStopConvertExecute() {
    if (Measuring()) {
        StopMeasuring();
        return;
    }
    if (FConvertState == cvIdle) {
        return;
    }
    runner_.Pause();
    const TMessageResult answer = services_->MessageBox(
        this, tr("Cancel Conversion."), tr("Are you sure you want to cancel conversion?"),
        TMessageButtons::YesNo, TMessageIcon::None);
    if (answer != TMessageResult::Yes) {
        // A run that was paused before the question stays paused.
        if (FConvertState == cvConverting) {
            runner_.Resume();
        }
        return;
    }
    // The end of the batch shows each row's result and the total.
    runner_.Stop(true);
    manners_->Over();
    FConvertState = cvIdle;
    ActionList1Update();
}

void TForm1::FFConverterProgress(TFFBaseComponent*, PProgressInfo AProgressInfo) {
    const TProgressInfo& info = *AProgressInfo;
    if (closed_) {
        return;
    }
    const size_t item = runner_.ItemOfTask(info.TaskIndex);
    const size_t row = RowOfItem(item);
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
    const auto rows = static_cast<int64_t>(run_rows_.size());
    if (runner_.Jobs() == 1) {
        // One at a time: every task before this one is over.
        SetTotalProgress(
            static_cast<int>(int64_t{runner_.TaskNumber(item)} * 100 / rows + percent / rows));
    } else {
        SetTotalProgress(runner_.TotalPercent());
    }
    lvFiles->viewport()->update();
    prgTotalProgress->update();
}

void TForm1::TaskEnded(size_t item, const TTerminateInfo& info) {
    const size_t row = RowOfItem(item);
    if (closed_ || row >= FileList().Count()) {
        return;
    }
    if (info.Finished && !info.Failed) {
        // The names they were written under: another program may have taken
        // the chosen ones meanwhile.
        const std::vector<std::string> outputs = runner_.Outputs(item);
        int64_t size = 0;
        for (const std::string& output : outputs) {
            size += std::max<int64_t>(WideFileSize(output), 0);
        }
        file_list_->UpdateRow(row, [&outputs, size](TFileRow& r) {
            r.Data.Progress = 100;
            r.Data.OutputFile = outputs.empty() ? std::string() : outputs.front();
            r.Data.OutputCount = outputs.size();
            r.Progress = kCompletedProgressText;
            // The whole output (every piece), not the last report's share of it.
            r.OutputSize = SizeColumnText(size);
        });
        if (journal_) {
            // A line, not the whole list: a session killed now must not
            // convert it again.
            journal_->RowFinished({row, FileList().Rows()[row].Data.FileName, outputs});
        }
    } else if (info.Failed) {
        const std::string& name = FileList().Rows()[row].Data.FileName;
        AppendLog({"", "***Conversion failed: " + name + ": " + info.ErrorMessage, ""});
        file_list_->UpdateRow(row, [&info](TFileRow& r) {
            r.Progress = kFailedProgressText;
            r.FailureReason = PlainFailureReason(info.ErrorMessage);
        });
    }
    // A failure is told in its row now and once more, with the others, when
    // the batch is over: never in a box that would hold the batch up.
    lvFiles->viewport()->update();
    ShowRunStatus();
    ActionList1Update();
}

void TForm1::TaskAlreadyDone(size_t item, const std::vector<std::string>& outputs) {
    const size_t row = RowOfItem(item);
    if (closed_ || row >= FileList().Count()) {
        return;
    }
    int64_t size = 0;
    for (const std::string& output : outputs) {
        size += std::max<int64_t>(WideFileSize(output), 0);
    }
    AppendLog({"",
               "***Skipped " + FileList().Rows()[row].Data.FileName + ": " +
                   (outputs.size() == 1 ? "its output is" : "its outputs are") + " there already",
               ""});
    // Its outputs are there: done as far as the next "Start" is concerned.
    file_list_->UpdateRow(row, [&outputs, size](TFileRow& r) {
        r.Data.Progress = 100;
        r.Data.OutputFile = outputs.empty() ? std::string() : outputs.front();
        r.Data.OutputCount = outputs.size();
        r.Progress = kSkippedProgressText;
        r.OutputSize = SizeColumnText(size);
    });
    lvFiles->viewport()->update();
}

namespace {

// How the rows of a batch ended.
struct TRunCounts {
    size_t Converted = 0;
    size_t Failed = 0;
    size_t Stopped = 0;
    size_t Skipped = 0;
};

// "3 of 120 files - 45x real time - about 2 min left", in the user's language
// and number format.
QString BatchStatus(size_t ended, size_t total, double speed, double seconds_left) {
    const QLocale locale;
    QString text = TForm1::tr("%1 of %2 files")
                       .arg(locale.toString(static_cast<qulonglong>(ended)),
                            locale.toString(static_cast<qulonglong>(total)));
    if (speed > 0.0) {
        text +=
            TForm1::tr(" - %1x real time").arg(locale.toString(speed, 'f', speed >= 10.0 ? 0 : 1));
    }
    if (seconds_left >= 0.0) {
        const auto seconds = static_cast<qlonglong>(std::llround(seconds_left));
        const qlonglong minutes = (seconds + 30) / 60;
        const QString left =
            seconds < 60 ? TForm1::tr("%1 s").arg(locale.toString(std::max<qlonglong>(seconds, 1)))
            : minutes < 60 ? TForm1::tr("%1 min").arg(locale.toString(minutes))
                           : TForm1::tr("%1 h %2 min")
                                 .arg(locale.toString(minutes / 60), locale.toString(minutes % 60));
        text += TForm1::tr(" - about %1 left").arg(left);
    }
    return text;
}

// "25 converted, 2 failed, 1 stopped, 3 skipped", leaving out what did not happen.
QString RunCountsText(const TRunCounts& counts) {
    QString text = TForm1::tr("%L1 converted").arg(counts.Converted);
    if (counts.Skipped > 0) {
        text += TForm1::tr(", %L1 skipped").arg(counts.Skipped);
    }
    if (counts.Failed > 0) {
        text += TForm1::tr(", %L1 failed").arg(counts.Failed);
    }
    if (counts.Stopped > 0) {
        text += TForm1::tr(", %L1 stopped").arg(counts.Stopped);
    }
    return text;
}

}  // namespace

void TForm1::ShowRunResults() {
    for (size_t item = 0; item < run_rows_.size(); ++item) {
        const size_t row = run_rows_[item];
        if (row >= FileList().Count()) {
            continue;
        }
        const TFileRow& r = FileList().Rows()[row];
        if (r.Data.Progress == 100 || r.Progress == kFailedProgressText) {
            continue;
        }
        // Passed over because it was gone by the time its turn came.
        if (runner_.State(item) == TItemState::Skipped && !WideFileExists(r.Data.FileName)) {
            file_list_->UpdateRow(row, [](TFileRow& changed) {
                changed.Progress = kFailedProgressText;
                changed.FailureReason = "no such file";
            });
            continue;
        }
        file_list_->UpdateRow(row,
                              [](TFileRow& changed) { changed.Progress = kStoppedProgressText; });
    }
}

void TForm1::NotifyRunEnd() {
    if (isActiveWindow()) {
        return;  // the user is watching
    }
    size_t converted = 0;
    size_t failed = 0;
    size_t skipped = 0;
    for (const size_t row : run_rows_) {
        if (row >= FileList().Count()) {
            continue;
        }
        const TFileRow& r = FileList().Rows()[row];
        if (r.Progress == kFailedProgressText) {
            ++failed;
        } else if (r.Progress == kSkippedProgressText) {
            ++skipped;
        } else if (r.Data.Progress == 100) {
            ++converted;
        }
    }
    QString text = converted == 1 ? tr("%L1 file converted").arg(converted)
                                  : tr("%L1 files converted").arg(converted);
    if (skipped > 0) {
        text += tr(", %L1 skipped").arg(skipped);
    }
    if (failed > 0) {
        text += tr(", %L1 failed").arg(failed);
    }
    services_->Notify(QLatin1String(kApplicationTitle), text);
}

void TForm1::ShowFailureSummary() {
    QStringList failures;
    for (const size_t row : run_rows_) {
        if (row < FileList().Count() && FileList().Rows()[row].Progress == kFailedProgressText) {
            const TFileRow& r = FileList().Rows()[row];
            failures.append(Text(r.Data.FileName + ": ") + ShownReason(r.FailureReason));
        }
    }
    if (failures.empty()) {
        return;
    }
    if (run_rows_.size() == 1) {
        services_->MessageBox(this, QLatin1String(kApplicationTitle), failures.front(),
                              TMessageButtons::Ok, TMessageIcon::Exclamation);
        return;
    }
    const QString text =
        tr("%L1 of %L2 files could not be converted:").arg(failures.size()).arg(run_rows_.size());
    if (services_->ShowFailures(this, QLatin1String(kApplicationTitle), text, failures)) {
        actViewLogExecute();
    }
}

void TForm1::RunOver() {
    status_timer_->stop();
    manners_->Over();
    if (closed_) {
        // Closing takes the batch down with the window.
        ShowStatus({});
        return;
    }
    // The batch cleared its tasks, and they took their unfinished outputs
    // along: failed ones went when they failed, stopped ones with their
    // tasks. What each row achieved stays on show until the next start.
    ShowRunResults();
    TRunCounts counts;
    for (const size_t row : run_rows_) {
        if (row >= FileList().Count()) {
            continue;
        }
        const TFileRow& r = FileList().Rows()[row];
        if (r.Progress == kSkippedProgressText) {
            ++counts.Skipped;
        } else if (r.Data.Progress == 100) {
            ++counts.Converted;
        } else if (r.Progress == kFailedProgressText) {
            ++counts.Failed;
        } else {
            ++counts.Stopped;
        }
    }
    FConvertState = cvIdle;
    SaveList(false);
    const size_t total = std::max<size_t>(run_rows_.size(), 1);
    SetTotalProgress(static_cast<int>((counts.Converted + counts.Skipped) * 100 / total));
    ShowStatus(RunCountsText(counts));
    NotifyRunEnd();
    ActionList1Update();
    lvFiles->viewport()->update();
    if (counts.Failed > 0) {
        ShowFailureSummary();
    } else if (counts.Stopped == 0 && counts.Converted > 0) {
        std::string folder = edtOutPath->currentText().toStdString();
        if (chkSameInput->isChecked() && !run_rows_.empty()) {
            folder = WideExtractFilePath(FileList().Rows()[run_rows_.front()].Data.OutputFile);
        }
        if (services_->MessageBox(this, tr("Convert completed."),
                                  tr("Do you want to open output folder?"), TMessageButtons::YesNo,
                                  TMessageIcon::None) == TMessageResult::Yes) {
            OpenWithShell(Text(folder));
        }
    }
    ActionList1Update();
}

void TForm1::ShowRunStatus() {
    if (!runner_.Active()) {
        return;
    }
    runner_.Poll();
    const QString status =
        BatchStatus(runner_.EndedCount(), runner_.Count(), runner_.Speed(), runner_.SecondsLeft());
    ShowStatus(runner_.Paused() ? tr("Paused - ") + status : status);
}

}  // namespace v2m
