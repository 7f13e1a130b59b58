// The main window's list across sessions: what the journal in the state
// folder gives back at start-up, what is written to it as the list changes,
// and the batch a killed session left half done.

#include <QCheckBox>
#include <QComboBox>
#include <QTimer>

#include <algorithm>

#include "Converter.h"
#include "FileListModel.h"
#include "ListJournal.h"
#include "MyUtils.h"

namespace v2m {

namespace {

// Writes are gathered: a busy batch changes rows far more often than that.
constexpr int kJournalPaceMs = 250;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// Rows that are through with their batch one way or another.
bool RowSettled(const TFileRow& row) {
    return row.Data.Progress == 100 || row.Progress == kFailedProgressText ||
           row.Progress == kNoAudioProgressText || row.Progress == kStoppedProgressText ||
           row.Progress == kSkippedProgressText;
}

// The row's one output was given its final name by the batch, and that
// name still holds the very file. Rows of several pieces are not taken
// for done by their first one.
bool FinishedUnseen(const TFileRow& row, const std::vector<TCreatedFile>& published) {
    const TConvertFileData& data = row.Data;
    if (data.OutputFile.empty() || !data.ChapterPieces.empty() || !data.PointsPieces.empty()) {
        return false;
    }
    return std::any_of(published.begin(), published.end(), [&data](const TCreatedFile& file) {
        return file.Path == data.OutputFile && StillCreatedFile(file);
    });
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
        journal_notice_ = loaded.Problem;
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
        if (kept.Waiting && owner_gone && FinishedUnseen(row, journal.Published)) {
            // Written whole before the crash, which came before the row heard of it.
            row.Data.Progress = 100;
            row.Data.OutputCount = 1;
            row.Progress = kCompletedProgressText;
            row.OutputSize =
                SizeColumnText(std::max<int64_t>(WideFileSize(row.Data.OutputFile), 0));
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
    if (!journal_notice_.empty()) {
        services_->MessageBox(this, QLatin1String(kApplicationTitle), Text(journal_notice_),
                              TMessageButtons::Ok, TMessageIcon::Exclamation);
        journal_notice_.clear();
    }
    if (resume_rows_.empty()) {
        return;
    }
    const std::vector<size_t> rows = std::exchange(resume_rows_, {});
    if (services_->MessageBox(
            this, QLatin1String(kApplicationTitle),
            QStringLiteral("The last conversion was interrupted. Resume the %1 remaining files?")
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
            const int index = lists[i]->findText(Text(*text));
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
    TListJournal list;
    // Closing stops the batch: nothing is left to resume.
    list.BatchRunning = FConvertState != cvIdle && !closing;
    if (list.BatchRunning) {
        list.Settings = {
            {"profile", cmbProfile->currentText().toStdString()},
            {"quality", cmbQuality->currentText().toStdString()},
            {"channel", cmbChannel->currentText().toStdString()},
            {"bitrate", cmbBitRates->currentText().toStdString()},
            {"volume", cmbVolume->currentText().toStdString()},
            {"output-folder", edtOutPath->currentText().toStdString()},
            {"same-folder-as-input", chkSameInput->isChecked() ? "1" : "0"},
            {"name-template", cmbNameTemplate->currentText().toStdString()},
        };
    }
    const bool batch = FConvertState != cvIdle;
    for (size_t row = 0; row < FileList().Count(); ++row) {
        TJournalRow kept{FileList().Rows()[row], false};
        const bool in_batch =
            batch && std::find(run_rows_.begin(), run_rows_.end(), row) != run_rows_.end();
        if (in_batch && !RowSettled(kept.Row)) {
            kept.Waiting = !closing;
            if (closing) {
                kept.Row.Progress = kStoppedProgressText;
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
