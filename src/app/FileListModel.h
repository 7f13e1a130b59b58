#pragma once
// The file list as the window's list view shows it: the rows of a TFileList,
// one column per column text. The list lives here, so every row and its
// record go exactly when the view's row goes.

#include <QAbstractTableModel>
#include <QCoreApplication>

#include <functional>
#include <string>
#include <vector>

#include "FileList.h"

namespace v2m {

class TFileListModel final : public QAbstractTableModel {
    Q_DECLARE_TR_FUNCTIONS(v2m::TFileListModel)

public:
    explicit TFileListModel(QObject* parent = nullptr);

    const TFileList& List() const { return list_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Appends the rows, telling the view of them as one insertion.
    void AppendRows(std::vector<TFileRow> rows);
    // Deletes the rows at these indexes (any order).
    void RemoveRows(std::vector<int> rows);
    void Clear();
    // Changes one row's texts and record and shows the change.
    void UpdateRow(size_t row, const std::function<void(TFileRow&)>& change);
    // The "Output" column of every row.
    void SetOutputExt(const std::string& ext);
    // Orders the rows by a column's texts (numbers by value); -1 leaves
    // them as they are. Selections and other kept places follow their rows.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // The file the row is written to: its last conversion's output, or
    // else its name with the profile's extension, the name a start tries first.
    static std::string OutputName(const TFileRow& row);
    // "clip.mkv, 00:03:25, Converting, 42 percent": the row for a screen reader.
    static QString SpokenRow(const TFileRow& row);
    // The Parts column's "2 pieces, cut 3:25" and the Output column's
    // "+ 2 more" in the window's language.
    static QString ShownParts(const std::string& text);
    static QString ShownOutputName(const TFileRow& row);
    // A row's warning (a cover left out and why) in the window's language.
    static QString ShownWarning(const std::string& text);
    // The "Audio" column of every row for these settings.
    void UpdateAudioTexts(const TJobRequest& request);
    // The track in that language for every row that has one (texts follow
    // with UpdateAudioTexts); the number of such rows.
    size_t ChooseAudioLanguage(const std::string& language);

    // What converting the row would write, as text; asked for by its tooltip.
    void SetPlanSource(std::function<QString(size_t row)> plan) { plan_ = std::move(plan); }

private:
    TFileList list_;
    std::function<QString(size_t row)> plan_;
};

}  // namespace v2m
