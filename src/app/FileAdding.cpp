// Adding files to the list. The probing runs on worker threads; this thread
// only lists what they found, a slice at a time, so that the window answers
// throughout, however large the folder.

#include <QMetaObject>
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
    const QStringList chosen =
        services_->OpenFiles(this, QStringLiteral("Open file"),
                             QString::fromStdString(FAddFilesFolder), add_files_filter_);
    if (chosen.isEmpty()) {
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
    const std::optional<QString> folder = services_->ChooseFolder(
        this, QStringLiteral("Select folder"), QString::fromStdString(add_folder_dialog_folder_));
    if (!folder) {
        return;
    }
    add_folder_dialog_folder_ = folder->toStdString();
    StartAdding(TFileAdder(TAddCommand::AddFolder, FileList()),
                [folder = add_folder_dialog_folder_] { return AddFolderPlan(folder); });
}

void TForm1::actCancelAddingExecute() {
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
    bool more = false;
    for (;;) {
        std::vector<TProbeResult> ready = pool.TakeReady(kAddingGroup);
        std::vector<TFileRow> rows;
        rows.reserve(ready.size());
        for (const TProbeResult& result : ready) {
            if (std::optional<TFileRow> row =
                    adding_->Adder.Take(result.Path, result.Probed, ext)) {
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
        return;
    }
    if (const std::optional<size_t> total = pool.Total()) {
        ShowStatus(QStringLiteral("Adding %1 of %2 files...").arg(pool.Taken()).arg(*total));
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
    adding_.reset();
    if (!folder.empty()) {
        FAddFilesFolder = folder;
    }
    ShowStatus(QString());
    ShowFileList();
    ActionList1Update();
}

}  // namespace v2m
