// The window's pieces, cuts and output names: "Split by Chapters" and "Skip
// Files Already Converted" for the list, a row's own split, split points and
// cut, the "File Name" template, and the plan a row's tooltip shows.

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>

#include <algorithm>
#include <set>

#include "AVProbe.h"
#include "AuxWindows.h"
#include "Converter.h"
#include "FailureText.h"
#include "FileListModel.h"
#include "MyUtils.h"
#include "NameTemplate.h"
#include "Translations.h"

namespace v2m {

namespace {

// The output's name as the user finds it under the output folder: with the
// sub-folders a template made.
std::string ShownOutputName(const std::string& output, const std::string& folder) {
    const std::string base = WideIncludeTrailingBackslash(folder);
    return output.starts_with(base) ? output.substr(base.size()) : WideExtractFileName(output);
}

}  // namespace

void TForm1::ConnectPieceChoices() {
    actSplitChapters->setChecked(FSettings && ReadSplitChaptersSetting(*FSettings));
    actSkipExisting->setChecked(FSettings && ReadSkipExistingSetting(*FSettings));
    connect(actSplitChapters, &QAction::toggled, this, [this](bool on) {
        if (FSettings) {
            WriteSplitChaptersSetting(*FSettings, on);
        }
        RefreshAudioColumn();
    });
    connect(actSkipExisting, &QAction::toggled, this, [this](bool on) {
        if (FSettings) {
            WriteSkipExistingSetting(*FSettings, on);
        }
    });
    cmbNameTemplate->setEditText(
        Text(FSettings ? ReadNameTemplateSetting(*FSettings) : std::string("{name}")));
    // Kept once the user is done typing or picks a preset, not at every key.
    const auto keep = [this] {
        if (FSettings) {
            WriteNameTemplateSetting(*FSettings, cmbNameTemplate->currentText().toStdString());
        }
    };
    connect(cmbNameTemplate->lineEdit(), &QLineEdit::editingFinished, this, keep);
    connect(cmbNameTemplate, &QComboBox::activated, this, keep);
    file_list_->SetPlanSource([this](size_t row) { return PlanText(row); });
}

bool TForm1::CheckNameTemplate() {
    const std::string typed = cmbNameTemplate->currentText().toStdString();
    const std::string problem = NameTemplateProblem(typed);
    if (problem.empty()) {
        if (FSettings && ReadNameTemplateSetting(*FSettings) != typed) {
            WriteNameTemplateSetting(*FSettings, typed);
        }
        return true;
    }
    services_->MessageBox(
        this, tr("Warning"),
        tr("The file name \"%1\" cannot be used: %2.").arg(Text(typed), ShownReason(problem)),
        TMessageButtons::Ok, TMessageIcon::Exclamation);
    return false;
}

std::vector<size_t> TForm1::MenuRows(int row) const {
    if (row < 0 || static_cast<size_t>(row) >= FileList().Count()) {
        return {};
    }
    const std::vector<int> selected = SelectedRows();
    if (std::find(selected.begin(), selected.end(), row) == selected.end()) {
        return {static_cast<size_t>(row)};
    }
    std::vector<size_t> rows;
    for (const int r : selected) {
        rows.push_back(static_cast<size_t>(r));
    }
    return rows;
}

void TForm1::AddRowChoices(QMenu& menu, int row) {
    const std::vector<size_t> rows = MenuRows(row);
    if (rows.empty()) {
        return;
    }
    const TConvertFileData& file = FileList().Rows()[static_cast<size_t>(row)].Data;
    menu.addSeparator();
    QAction* split = menu.addAction(tr("Split by &Chapters"));
    split->setObjectName(QStringLiteral("actRowSplitChapters"));
    split->setCheckable(true);
    split->setChecked(file.SplitChapters.value_or(actSplitChapters->isChecked()));
    connect(split, &QAction::triggered, this,
            [this, rows](bool on) { SetRowSplitChapters(rows, on); });
    QAction* points = menu.addAction(tr("Split &Points from File..."));
    points->setObjectName(QStringLiteral("actRowSplitPoints"));
    connect(points, &QAction::triggered, this, [this, rows] {
        const std::string& first = FileList().Rows()[rows.front()].Data.FileName;
        const QStringList chosen = services_->OpenFiles(
            this, tr("Split Points from File"), Text(WideExtractFilePath(first)),
            FileFiltersOf("Cue Sheets|*.cue|Text Files|*.txt|All Files|*.*"));
        if (!chosen.isEmpty()) {
            SetRowSplitPoints(rows, chosen.front().toStdString());
        }
    });
    QAction* clear = menu.addAction(tr("C&lear Split Points"));
    clear->setObjectName(QStringLiteral("actRowClearSplitPoints"));
    clear->setEnabled(!file.SplitPointsFile.empty());
    connect(clear, &QAction::triggered, this, [this, rows] { ClearRowSplitPoints(rows); });
    QAction* analyze = menu.addAction(tr("Analyze &Loudness"));
    analyze->setObjectName(QStringLiteral("actRowAnalyzeLoudness"));
    analyze->setEnabled(!Measuring());
    connect(analyze, &QAction::triggered, this, [this, rows] { AnalyzeLoudness(rows); });
    QAction* cut = menu.addAction(tr("C&ut..."));
    cut->setObjectName(QStringLiteral("actRowCut"));
    connect(cut, &QAction::triggered, this, [this, rows] { EditRowCut(rows); });
    QAction* uncut = menu.addAction(tr("&Remove Cut"));
    uncut->setObjectName(QStringLiteral("actRowRemoveCut"));
    uncut->setEnabled(file.CutStart >= 0 || file.CutEnd >= 0);
    connect(uncut, &QAction::triggered, this, [this, rows] { SetRowCut(rows, -1, -1); });
}

void TForm1::SetRowSplitChapters(const std::vector<size_t>& rows, bool on) {
    const TJobRequest request = JobRequest();
    for (const size_t row : rows) {
        file_list_->UpdateRow(row, [on, &request](TFileRow& r) {
            r.Data.SplitChapters = on;
            UpdateAudioText(r, request);
        });
    }
}

bool TForm1::SetRowSplitPoints(const std::vector<size_t>& rows, const std::string& path) {
    // Every row's pieces first: one file too short for the points sets none.
    std::vector<std::vector<TPiece>> pieces;
    try {
        const std::vector<TSplitPoint> points = ReadSplitPointsFile(path);
        for (const size_t row : rows) {
            pieces.push_back(PiecesFromPoints(points, FileList().Rows().at(row).Data.Duration));
        }
    } catch (const ESplitPointsError& error) {
        std::string text = error.what();
        if (!text.starts_with(path)) {
            text = path + ": " + text;
        }
        services_->MessageBox(this, tr("Warning"), ShownReason(text), TMessageButtons::Ok,
                              TMessageIcon::Exclamation);
        return false;
    }
    const TJobRequest request = JobRequest();
    for (size_t i = 0; i < rows.size(); ++i) {
        file_list_->UpdateRow(rows[i], [&](TFileRow& r) {
            r.Data.SplitPointsFile = path;
            r.Data.PointsPieces = pieces[i];
            UpdateAudioText(r, request);
        });
    }
    return true;
}

void TForm1::ClearRowSplitPoints(const std::vector<size_t>& rows) {
    const TJobRequest request = JobRequest();
    for (const size_t row : rows) {
        file_list_->UpdateRow(row, [&request](TFileRow& r) {
            r.Data.SplitPointsFile.clear();
            r.Data.PointsPieces.clear();
            UpdateAudioText(r, request);
        });
    }
}

void TForm1::SetRowCut(const std::vector<size_t>& rows, int64_t start, int64_t end) {
    const TJobRequest request = JobRequest();
    for (const size_t row : rows) {
        file_list_->UpdateRow(row, [&](TFileRow& r) {
            r.Data.CutStart = start;
            r.Data.CutEnd = end;
            UpdateAudioText(r, request);
        });
    }
}

void TForm1::EditRowCut(const std::vector<size_t>& rows) {
    if (rows.empty() || rows.front() >= FileList().Count()) {
        return;
    }
    const TConvertFileData& file = FileList().Rows()[rows.front()].Data;
    const std::string name = file.FileName;
    // The preview's position is a time of the file it shows.
    auto position = [this, name]() -> std::optional<int64_t> {
        if (FPreviewState == pvNone || FPreviewFile != name) {
            return std::nullopt;
        }
        return std::max<int64_t>(FFPlayer.CurrentPosition(), 0);
    };
    TCutDialog dialog(file.CutStart, file.CutEnd, file.Duration, position, this);
    if (dialog.exec() == QDialog::Accepted) {
        SetRowCut(rows, dialog.Start(), dialog.End());
    }
}

QString TForm1::PlanText(size_t row) {
    if (row >= FileList().Count() || FConvertState != cvIdle || !startup_complete_) {
        return {};
    }
    // The reason is the core's English, shown in the user's language as the
    // failed row's own tooltip shows it.
    const auto cannot = [](const std::string& reason) {
        return tr("Cannot be converted: %1").arg(ShownReason(reason));
    };
    const TConvertFileData& file = FileList().Rows()[row].Data;
    // In the words the batch uses for a file that went, not the system's.
    if (!WideFileExists(file.FileName)) {
        return cannot("no such file");
    }
    TSourcePtr source = file.Source;
    if (source == nullptr || !SourceStillCurrent(*source)) {
        TAVProbe probe;
        std::string error;
        source = ProbeSource(probe, file.FileName, error);
        if (source == nullptr) {
            return cannot(PlainLoadFailure(error, file.FileName));
        }
    }
    TJobRequest request = JobRequest();
    request.SourceFileName = source->FileName;
    request.SourceFormatName = source->FormatName;
    ApplyRowChoices(file, request);
    // Where the batch would put it, without making the folder.
    if (!request.SameFolderAsInput) {
        request.OutputFolder = TreeOutputFolder(WideIncludeTrailingBackslash(request.OutputFolder),
                                                file.Root, file.FileName);
    }
    ResolveAudioTrack(source.get(), request);
    std::vector<TPlannedOutput> plan;
    try {
        std::set<std::string> names;
        plan = PlanOutputs(request, source.get(), source->Duration, names);
    } catch (const EJobError& failure) {
        return cannot(PlainFailureReason(failure.what()));
    }
    const std::string folder =
        request.SameFolderAsInput ? WideExtractFilePath(file.FileName) : request.OutputFolder;
    QString text = plan.size() == 1 ? tr("Gives:")
                                    : tr("Gives %n files:", nullptr, static_cast<int>(plan.size()));
    // Two spaces part a name from what is said of it: names may hold single ones.
    const QString gap = QStringLiteral("  ");
    for (const TPlannedOutput& output : plan) {
        text += QLatin1Char('\n') + gap + Text(ShownOutputName(output.FileName, folder));
        if (output.Piece) {
            const int64_t length =
                std::max<int64_t>(PieceLength(*output.Piece, source->Duration), 0);
            //: A piece's start and its length: "(0:02 for 0:30)".
            text +=
                gap +
                tr("(%1 for %2)").arg(Text(TimeText(output.Piece->Start)), Text(TimeText(length)));
        }
        if (output.AlreadyDone) {
            text += gap + tr("there already: skipped");
        } else if (output.Copied) {
            text += gap + tr("audio copied");
        }
    }
    return text;
}

}  // namespace v2m
