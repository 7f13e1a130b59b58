// The main window's list across sessions: what the journal in the state
// folder gives back at start-up, what is written to it as the list changes,
// and the batch a killed session left half done.

#include <QCheckBox>
#include <QComboBox>
#include <QTimer>

#include <algorithm>
#include <chrono>

#include "Converter.h"
#include "FileListModel.h"
#include "ListJournal.h"
#include "MyUtils.h"
#include "Translations.h"

namespace v2m {

namespace {

// Writes are gathered: a busy batch changes rows far more often than that.
constexpr int kJournalPaceMs = 250;
constexpr int64_t kJournalPaceFactor = 50;
constexpr int64_t kJournalPaceMaxMs = 5000;

// Rows that are through with their batch one way or another.
bool RowSettled(const TFileRow& row) {
    return row.Data.Progress == 100 || row.Progress == kFailedProgressText ||
           row.Progress == kNoAudioProgressText || row.Progress == kStoppedProgressText ||
           row.Progress == kSkippedProgressText;
}

// The outputs of a row the batch finished before the list was saved again:
// on record as finished, or, for a row of one output, given its final name
// by the batch (the row heard of it after). Every output must still be there.
std::vector<std::string> FinishedUnseen(size_t index, const TFileRow& row,
                                        const std::vector<TCreatedFile>& published,
                                        const std::vector<TFinishedRow>& finished) {
    const TConvertFileData& data = row.Data;
    for (const TFinishedRow& done : finished) {
        if (done.Row == index && done.Source == data.FileName && !done.Outputs.empty() &&
            std::all_of(done.Outputs.begin(), done.Outputs.end(),
                        [](const std::string& output) { return WideFileSize(output) >= 0; })) {
            return done.Outputs;
        }
    }
    if (data.OutputFile.empty() || !data.ChapterPieces.empty() || !data.PointsPieces.empty()) {
        return {};
    }
    const bool published_whole =
        std::any_of(published.begin(), published.end(), [&data](const TCreatedFile& file) {
            return file.Path == data.OutputFile && StillCreatedFile(file);
        });
    return published_whole ? std::vector<std::string>{data.OutputFile} : std::vector<std::string>();
}

}  // namespace

void TForm1::OpenListJournal() {
    auto journal = std::make_shared<TListJournalFile>();
    std::string problem;
    switch (journal->Open(StateFolder(environment_), problem)) {
        case TListJournalFile::TOpenResult::Opened:
            break;
        case TListJournalFile::TOpenResult::Held:
            AppendLog(
                {"", "***Another window keeps the file list; this one's list is not saved.", ""});
            return;
        case TListJournalFile::TOpenResult::Unavailable:
            AppendLog({"", "***The file list cannot be saved: " + problem, ""});
            return;
    }
    const TListJournalFile::TLoadResult loaded = journal->Load();
    if (!loaded.Problem.empty()) {
        AppendLog({"", "***" + loaded.Problem, ""});
        journal_notice_ =
            loaded.SetAsidePath.empty()
                ? tr("The saved file list %1 cannot be read (%2) nor set aside; the list starts "
                     "empty and is not saved.")
                      .arg(Text(journal->Path()), ShownReason(loaded.Fault))
                : tr("The saved file list %1 cannot be read (%2); it was kept as %3 and the list "
                     "starts empty.")
                      .arg(Text(journal->Path()), ShownReason(loaded.Fault),
                           Text(loaded.SetAsidePath));
    }
    if (!journal->IsOpen()) {
        return;
    }
    journal_ = journal;
    SetPartialObserver([journal](TPartialEvent event, const TCreatedFile& file) {
        switch (event) {
            case TPartialEvent::Created:
                journal->PartialCreated(file);
                break;
            case TPartialEvent::Published:
                journal->PartialPublished(file);
                break;
            case TPartialEvent::Removed:
                journal->PartialRemoved(file);
                break;
        }
    });
    journal_timer_ = new QTimer(this);
    journal_timer_->setSingleShot(true);
    journal_timer_->setInterval(kJournalPaceMs);
    connect(journal_timer_, &QTimer::timeout, this, [this] { SaveList(false); });
    const auto changed = [this] { ScheduleListSave(); };
    connect(file_list_, &QAbstractItemModel::rowsInserted, this, changed);
    connect(file_list_, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(file_list_, &QAbstractItemModel::modelReset, this, changed);
    connect(file_list_, &QAbstractItemModel::dataChanged, this, changed);
    connect(file_list_, &QAbstractItemModel::layoutChanged, this, changed);
    if (loaded.Journal) {
        RestoreList(*loaded.Journal);
    }
    SaveList(false);
}

void TForm1::RestoreList(const TListJournal& journal) {
    const bool owner_gone = !ProcessAlive(journal.Owner);
    if (owner_gone) {
        // A session killed outright could not remove what it was writing.
        for (const std::string& path : RemoveLeftPartials(journal.Partials)) {
            AppendLog("***Removed the unfinished output " + path);
        }
    }
    std::vector<TFileRow> rows;
    std::vector<bool> waiting;
    for (const TJournalRow& kept : journal.Rows) {
        TFileRow row = kept.Row;
        const std::vector<std::string> outputs =
            kept.Waiting && owner_gone
                ? FinishedUnseen(rows.size(), row, journal.Published, journal.Finished)
                : std::vector<std::string>();
        if (!outputs.empty()) {
            // Written whole before the crash, which came before the list was saved again.
            int64_t size = 0;
            for (const std::string& output : outputs) {
                size += std::max<int64_t>(WideFileSize(output), 0);
            }
            row.Data.Progress = 100;
            row.Data.OutputFile = outputs.front();
            row.Data.OutputCount = outputs.size();
            row.Progress = kCompletedProgressText;
            row.OutputSize = SizeColumnText(size);
            row.FailureReason.clear();
            waiting.push_back(false);
            rows.push_back(std::move(row));
            continue;
        }
        waiting.push_back(kept.Waiting);
        if (kept.Waiting) {
            row.Data.Progress = 0;
            row.Data.OutputFile.clear();
            row.Data.OutputCount = 0;
            row.Progress = kWaitingProgressText;
            row.OutputSize = InitialOutputSizeText(TAddCommand::AddFiles);
            row.FailureReason.clear();
        }
        ShowKnownLoudness(row);
        rows.push_back(std::move(row));
    }
    file_list_->AppendRows(std::move(rows));
    file_list_->SetOutputExt(SelectedProfileExt());
    RefreshAudioColumn();
    ShowFileList();
    if (!journal.BatchRunning || !owner_gone) {
        return;
    }
    for (size_t row = 0; row < waiting.size(); ++row) {
        if (waiting[row]) {
            resume_rows_.push_back(row);
        }
    }
    resume_settings_ = journal.Settings;
}

void TForm1::OfferResume() {
    if (closed_) {
        return;
    }
    if (!journal_notice_.isEmpty()) {
        services_->MessageBox(this, QLatin1String(kApplicationTitle), journal_notice_,
                              TMessageButtons::Ok, TMessageIcon::Exclamation);
        journal_notice_.clear();
    }
    if (resume_rows_.empty()) {
        return;
    }
    const std::vector<size_t> rows = std::exchange(resume_rows_, {});
    if (services_->MessageBox(
            this, QLatin1String(kApplicationTitle),
            tr("The last conversion was interrupted. Resume the %L1 remaining files?")
                .arg(rows.size()),
            TMessageButtons::YesNo, TMessageIcon::None) != TMessageResult::Yes) {
        return;
    }
    // The batch goes on as it was set up, whatever the controls were left at.
    const auto setting = [this](const char* name) {
        for (const auto& [key, value] : resume_settings_) {
            if (key == name) {
                return std::optional<std::string>(value);
            }
        }
        return std::optional<std::string>();
    };
    if (const auto profile = setting("profile")) {
        const int index = cmbProfile->findText(Text(*profile));
        if (index >= 0) {
            cmbProfile->setCurrentIndex(index);
        }
    }
    QComboBox* const lists[] = {cmbQuality, cmbChannel, cmbBitRates, cmbVolume};
    const char* const names[] = {"quality", "channel", "bitrate", "volume"};
    for (size_t i = 0; i < std::size(lists); ++i) {
        if (const auto text = setting(names[i])) {
            const int index = lists[i]->findData(Text(*text));
            if (index >= 0) {
                lists[i]->setCurrentIndex(index);
            }
        }
    }
    if (const auto folder = setting("output-folder")) {
        edtOutPath->setEditText(Text(*folder));
    }
    if (const auto same = setting("same-folder-as-input")) {
        chkSameInput->setChecked(*same == "1");
    }
    if (const auto name_template = setting("name-template")) {
        cmbNameTemplate->setEditText(Text(*name_template));
    }
    StartConversion(false, &rows);
}

void TForm1::ScheduleListSave() {
    if (journal_timer_ != nullptr && !journal_timer_->isActive()) {
        journal_timer_->start();
    }
}

void TForm1::SaveList(bool closing) {
    if (!journal_) {
        return;
    }
    if (journal_timer_ != nullptr) {
        journal_timer_->stop();
    }
    const auto began = std::chrono::steady_clock::now();
    TListJournal list;
    // Closing stops the batch: nothing is left to resume.
    list.BatchRunning = FConvertState != cvIdle && !closing;
    if (list.BatchRunning) {
        list.Settings = {
            {"profile", cmbProfile->currentText().toStdString()},
            {"quality", cmbQuality->currentData().toString().toStdString()},
            {"channel", cmbChannel->currentData().toString().toStdString()},
            {"bitrate", cmbBitRates->currentData().toString().toStdString()},
            {"volume", cmbVolume->currentData().toString().toStdString()},
            {"output-folder", edtOutPath->currentText().toStdString()},
            {"same-folder-as-input", chkSameInput->isChecked() ? "1" : "0"},
            {"name-template", cmbNameTemplate->currentText().toStdString()},
        };
    }
    std::vector<bool> in_batch(FileList().Count(), false);
    if (FConvertState != cvIdle) {
        for (const size_t row : run_rows_) {
            if (row < in_batch.size()) {
                in_batch[row] = true;
            }
        }
    }
    list.Rows.reserve(FileList().Count());
    for (size_t row = 0; row < FileList().Count(); ++row) {
        TJournalRow kept{FileList().Rows()[row], false};
        if (in_batch[row] && !RowSettled(kept.Row)) {
            kept.Waiting = !closing;
            if (closing) {
                kept.Row.Progress = kStoppedProgressText;
            } else {
                // As it comes back, so a running row's progress alone is no change.
                kept.Row.Data.Progress = 0;
                kept.Row.Progress = kWaitingProgressText;
                kept.Row.OutputSize = InitialOutputSizeText(TAddCommand::AddFiles);
            }
        }
        list.Rows.push_back(std::move(kept));
    }
    std::string problem;
    if (!journal_->SaveList(std::move(list), problem) && !journal_failed_) {
        // Said once: the next change would only say it again.
        journal_failed_ = true;
        AppendLog({"", "***The file list could not be saved: " + problem, ""});
    }
    if (journal_timer_ != nullptr) {
        // A long list is saved less often, so that saving it never takes
        // more than 2 % of the window's time: the thread that saves is the one
        // that hands a batch of many short files its tasks.
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - began);
        journal_timer_->setInterval(static_cast<int>(std::clamp<int64_t>(
            took.count() * kJournalPaceFactor, kJournalPaceMs, kJournalPaceMaxMs)));
    }
}

void TForm1::CloseListJournal() {
    if (!journal_) {
        return;
    }
    SaveList(true);
    SetPartialObserver(nullptr);
    journal_.reset();
}

}  // namespace v2m
