// Adding files to the list. The probing runs on worker threads; this thread
// only lists what they found, a slice at a time, so that the window answers
// throughout, however large the folder.

#include <QFileInfo>
#include <QHeaderView>
#include <QMetaObject>
#include <QTableView>
#include <QTimer>

#include <chrono>

#include "Converter.h"
#include "FileListModel.h"

namespace v2m {

namespace {

// The work one slice may do before the window's other events get their turn.
constexpr std::chrono::milliseconds kAddingSlice{4};
// The least time from news to its slice. Every insertion redraws the whole
// list, which costs more than listing the rows; in groups at this pace the
// window redraws twenty times a second, whatever the number of files.
constexpr std::chrono::milliseconds kAddingPace{50};
// Results taken at a time; each group is one insertion into the view.
constexpr size_t kAddingGroup = 32;

}  // namespace

bool TForm1::CanAdd() const {
    return startup_complete_ && !closed_ && FConvertState == cvIdle && !adding_;
}

void TForm1::actAddFilesExecute() {
    if (!CanAdd()) {
        return;
    }
    // A command counts its own failures; the parts of one drop count together.
    adding_failures_ = 0;
    AddChosenFiles(services_->OpenFiles(
        this, tr("Open file"), QString::fromStdString(FAddFilesFolder), add_files_filter_));
}

void TForm1::AddChosenFiles(const QStringList& chosen) {
    if (chosen.isEmpty() || !CanAdd()) {
        return;
    }
    std::vector<std::string> paths;
    paths.reserve(static_cast<size_t>(chosen.size()));
    for (const QString& path : chosen) {
        paths.push_back(path.toStdString());
    }
    TFileAdder adder(TAddCommand::AddFiles, FileList());
    std::vector<std::string> plan = AddFilesPlan(adder, paths);
    StartAdding(std::move(adder), [plan = std::move(plan)]() mutable { return std::move(plan); });
}

void TForm1::actAddFolderExecute() {
    if (!CanAdd()) {
        return;
    }
    bool sub_folders = include_sub_folders_;
    const std::optional<QString> folder = services_->ChooseFolderTree(
        this, tr("Select folder"), QString::fromStdString(add_folder_dialog_folder_), sub_folders);
    if (!folder) {
        return;
    }
    SetIncludeSubFolders(sub_folders);
    add_folder_dialog_folder_ = folder->toStdString();
    adding_failures_ = 0;
    AddChosenFolder(add_folder_dialog_folder_);
}

void TForm1::AddChosenFolder(const std::string& folder) {
    if (!CanAdd()) {
        return;
    }
    const bool tree = include_sub_folders_;
    StartAdding(TFileAdder(TAddCommand::AddFolder, FileList()),
                [folder, tree] { return AddFolderPlan(folder, tree); });
    // The rows of a tree remember where it starts, to recreate it.
    if (tree) {
        adding_->Root = AbsoluteFileName(folder);
    }
}

void TForm1::AddPaths(const QStringList& paths) {
    // Neighbouring files make one "Add Files", as if chosen together; each
    // folder is an "Add Folder" of its own.
    for (const QString& path : paths) {
        const bool folder = QFileInfo(path).isDir();
        if (!folder && !pending_adding_.empty() && !pending_adding_.back().Folder) {
            pending_adding_.back().Paths.append(path);
        } else {
            pending_adding_.push_back({folder, {path}});
        }
    }
    if (!Adding()) {
        adding_failures_ = 0;
        StartPendingAdding();
    }
}

void TForm1::StartPendingAdding() {
    while (!pending_adding_.empty() && !Adding()) {
        if (!CanAdd()) {
            pending_adding_.clear();
            return;
        }
        const TPendingAdding next = pending_adding_.front();
        pending_adding_.erase(pending_adding_.begin());
        if (next.Folder) {
            AddChosenFolder(next.Paths.front().toStdString());
        } else {
            AddChosenFiles(next.Paths);
        }
    }
}

void TForm1::actCancelAddingExecute() {
    // Esc stops the whole drop, not just its current part.
    pending_adding_.clear();
    EndAdding();
}

void TForm1::CreateAddingPace() {
    adding_pace_ = new QTimer(this);
    adding_pace_->setSingleShot(true);
    connect(adding_pace_, &QTimer::timeout, this, [this] { ServeAdding(); });
}

void TForm1::StartAdding(TFileAdder adder, std::function<std::vector<std::string>()> plan) {
    adding_ = std::make_unique<TAdding>(TAdding{std::move(adder), nullptr, false});
    // The news comes from a worker; the slice runs here. A slice still on its
    // way when the window goes is dropped with the window.
    adding_->Pool = std::make_unique<TProbePool>(std::move(plan), [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (adding_ && !adding_->Ending && !adding_pace_->isActive()) {
                    adding_pace_->start(kAddingPace);
                }
            },
            Qt::QueuedConnection);
    });
    ActionList1Update();
}

void TForm1::ServeAdding() {
    if (!adding_ || adding_->Ending) {
        return;
    }
    TProbePool& pool = *adding_->Pool;
    const auto deadline = std::chrono::steady_clock::now() + kAddingSlice;
    // Rows take the profile chosen now: a change meanwhile has rewritten the
    // rows already listed too.
    const std::string ext = SelectedProfileExt();
    const TJobRequest request = JobRequest();
    bool more = false;
    for (;;) {
        std::vector<TProbeResult> ready = pool.TakeReady(kAddingGroup);
        std::vector<TFileRow> rows;
        rows.reserve(ready.size());
        for (const TProbeResult& result : ready) {
            if (std::optional<TFileRow> row =
                    adding_->Adder.Take(result.Path, result.Probed, ext)) {
                row->Data.Root = adding_->Root;
                UpdateAudioText(*row, request);
                ShowKnownLoudness(*row);
                rows.push_back(std::move(*row));
            }
        }
        file_list_->AppendRows(std::move(rows));
        AppendLog(adding_->Adder.TakeLogLines());
        if (ready.size() < kAddingGroup) {
            // Nothing more is ready; the workers say when there is.
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            more = true;
            break;
        }
    }
    if (pool.Finished()) {
        EndAdding();
        StartPendingAdding();
        return;
    }
    if (const std::optional<size_t> total = pool.Total()) {
        ShowStatus(tr("Adding %L1 of %L2 files...").arg(pool.Taken()).arg(*total));
    }
    ShowFileList();
    if (more) {
        adding_pace_->start(0);
    }
}

void TForm1::EndAdding() {
    // The stop below serves events. A slice or another stop among them finds
    // the adding ending, and no other adding starts before this one is gone.
    if (!adding_ || adding_->Ending) {
        return;
    }
    adding_->Ending = true;
    adding_pace_->stop();
    adding_->Pool->Stop();
    const std::string folder = adding_->Adder.Result().LastAddedFolder;
    adding_failures_ += adding_->Adder.Result().Failed;
    adding_.reset();
    if (!folder.empty()) {
        FAddFilesFolder = folder;
    }
    if (adding_failures_ == 0 || closed_) {
        ShowStatus(QString());
    } else {
        const int failures = static_cast<int>(adding_failures_);
        QString text = tr("%Ln file(s) could not be added - see the log", nullptr, failures);
        // English is the source language, with no translation to pick its
        // plural from.
        if (text.contains(QLatin1String("file(s)"))) {
            text = failures == 1
                       ? QStringLiteral("1 file could not be added - see the log")
                       : QStringLiteral("%L1 files could not be added - see the log").arg(failures);
        }
        ShowStatus(text);
    }
    ShowFileList();
    // The new rows take their places in the order the list is shown in.
    if (!closed_) {
        SortFileList();
    }
    ActionList1Update();
}

void TForm1::SortFileList() {
    if (FConvertState != cvIdle || Adding()) {
        return;
    }
    const QHeaderView* header = lvFiles->horizontalHeader();
    file_list_->sort(header->sortIndicatorSection(), header->sortIndicatorOrder());
}

}  // namespace v2m
