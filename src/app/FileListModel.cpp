#include "FileListModel.h"

#include <QCollator>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <numeric>

#include "JobBuilding.h"
#include "ListJournal.h"
#include "MyUtils.h"
#include "Translations.h"

namespace v2m {

namespace {

constexpr int kOriginalSizeColumn = 2;
constexpr int kOutputColumn = 3;
constexpr int kOutputSizeColumn = 5;
constexpr int kAudioColumn = 6;
constexpr int kPartsColumn = 7;
constexpr int kLoudnessColumn = 8;

std::string ColumnText(const TFileRow& row, int column) {
    switch (column) {
        case 0:
            return row.Name;
        case 1:
            return row.Duration;
        case 2:
            return row.OriginalSize;
        case 3:
            return TFileListModel::OutputName(row);
        case 4:
            return row.Progress;
        case 5:
            return row.OutputSize;
        case kAudioColumn:
            return row.Audio;
        case kPartsColumn:
            return row.Parts;
        case kLoudnessColumn:
            return row.Loudness;
        default:
            return row.Peak;
    }
}

// The core writes sizes as "9.50MB" for the journal and the sorting; the list
// shows them in the user's number format, "9,50 MB" in German.
QString ShownSize(const std::string& text) {
    if (!text.ends_with("MB")) {
        return ShownText(text);
    }
    bool number = false;
    const double megabytes =
        QString::fromStdString(text.substr(0, text.size() - 2)).toDouble(&number);
    if (!number) {
        return QString::fromStdString(text);
    }
    // Where the point is the decimal sign the core's text is already right.
    const QLocale locale;
    const size_t point = text.find('.');
    if (locale.decimalPoint() == QLatin1String(".") || point == std::string::npos) {
        return QString::fromStdString(text);
    }
    const int decimals = static_cast<int>(text.size() - point - 3);
    return TFileListModel::tr("%1 MB").arg(locale.toString(megabytes, 'f', decimals));
}

// A core text with numbers in it ("it is 5000x20 pixels, more than 4096 a
// side"), translated as one entry with the numbers as %1, %2 and so on.
QString ShownWithNumbers(const std::string& english) {
    static const QRegularExpression kNumber(QStringLiteral("\\d+"));
    const QString text = QString::fromStdString(english);
    QString pattern;
    QStringList numbers;
    qsizetype from = 0;
    for (const QRegularExpressionMatch& number : kNumber.globalMatch(text)) {
        numbers.append(number.captured());
        pattern += text.mid(from, number.capturedStart() - from) + QLatin1Char('%') +
                   QString::number(numbers.size());
        from = number.capturedEnd();
    }
    pattern += text.mid(from);
    QString shown = ShownText(pattern.toStdString());
    // Lowest place marker first, wherever the translation put it.
    for (const QString& number : numbers) {
        shown = shown.arg(number);
    }
    return shown;
}

}  // namespace

QString TFileListModel::ShownWarning(const std::string& text) {
    if (!text.starts_with(kCoverLeftOutWarning)) {
        return ShownText(text);
    }
    return ShownText(std::string(kCoverLeftOutWarning) + "%1")
        .arg(ShownWithNumbers(text.substr(kCoverLeftOutWarning.size())));
}

QString TFileListModel::ShownParts(const std::string& text) {
    // The core builds the text from a count and a time; the words around
    // them follow the user's language, the count its plural forms.
    static const QRegularExpression kParts(
        QStringLiteral("^(?:(\\d+) pieces?)?(?:(?:, )?cut (from )?(\\S+))?$"));
    const QRegularExpressionMatch match = kParts.match(QString::fromStdString(text));
    if (text.empty() || !match.hasMatch()) {
        return ShownText(text);
    }
    // English is the source language and has no translation to pick its
    // plural from: the core's words stand.
    if (tr("%n piece(s)", nullptr, 1) == QLatin1String("1 piece(s)")) {
        return QString::fromStdString(text);
    }
    QStringList said;
    if (match.hasCaptured(1)) {
        said.append(tr("%n piece(s)", nullptr, match.captured(1).toInt()));
    }
    if (match.hasCaptured(3)) {
        said.append(match.hasCaptured(2) ? tr("cut from %1").arg(match.captured(3))
                                         : tr("cut %1").arg(match.captured(3)));
    }
    return said.join(tr(", "));
}

QString TFileListModel::ShownOutputName(const TFileRow& row) {
    if (row.Data.OutputFile.empty() || row.Data.OutputCount < 2) {
        return QString::fromStdString(OutputName(row));
    }
    return tr("%1 + %n more", nullptr, static_cast<int>(row.Data.OutputCount - 1))
        .arg(QString::fromStdString(WideExtractFileName(row.Data.OutputFile)));
}

QString TFileListModel::SpokenRow(const TFileRow& row) {
    // The Progress column holds a percentage while the file waits or runs,
    // else the word for how it ended.
    const bool running = row.Progress.ends_with('%');
    const QString state = !running                ? ShownText(row.Progress)
                          : row.Data.Progress > 0 ? tr("Converting")
                                                  : ShownText(kWaitingProgressText);
    return tr("%1, %2, %3, %4 percent")
        .arg(QString::fromStdString(row.Name), ShownText(row.Duration), state,
             QLocale().toString(row.Data.Progress));
}

TFileListModel::TFileListModel(QObject* parent) : QAbstractTableModel(parent) {}

int TFileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(list_.Count());
}

int TFileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(kFileListColumns.size());
}

QVariant TFileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) {
        return {};
    }
    const TFileRow& row = list_.Rows()[static_cast<size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole:
            // The row states are the core's words; names, times and sizes
            // pass through as they are.
            switch (index.column()) {
                case 0:
                    return QString::fromStdString(row.Name);
                case kOriginalSizeColumn:
                case kOutputSizeColumn:
                    return ShownSize(ColumnText(row, index.column()));
                case kOutputColumn:
                    return ShownOutputName(row);
                case kPartsColumn:
                    return ShownParts(row.Parts);
                default:
                    return ShownText(ColumnText(row, index.column()));
            }
        case Qt::AccessibleTextRole:
            // A screen reader reads the row from its first cell: what a
            // sighted user takes in at a glance.
            return index.column() == 0 ? SpokenRow(row) : data(index, Qt::DisplayRole);
        case Qt::ToolTipRole:
            // A failed row says why where it says "Failed".
            if (index.column() == 4 && !row.FailureReason.empty()) {
                return ShownReason(row.FailureReason);
            }
            if (index.column() == kPartsColumn && !row.Parts.empty()) {
                return tr("re-encoded: pieces are cut to the sample");
            }
            {
                QString text = QString::fromStdString(row.Data.FileName);
                if (!row.Warning.empty()) {
                    text += QLatin1Char('\n') + ShownWarning(row.Warning);
                }
                // Asked for only when the user points at the row: the plan
                // opens the file.
                if (plan_) {
                    if (const QString plan = plan_(static_cast<size_t>(index.row()));
                        !plan.isEmpty()) {
                        text += QLatin1Char('\n') + plan;
                    }
                }
                return text;
            }
        default:
            return {};
    }
}

QVariant TFileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= columnCount()) {
        return {};
    }
    return ShownText(kFileListColumns[static_cast<size_t>(section)]);
}

void TFileListModel::AppendRows(std::vector<TFileRow> rows) {
    if (rows.empty()) {
        return;
    }
    const int before = rowCount();
    beginInsertRows(QModelIndex(), before, before + static_cast<int>(rows.size()) - 1);
    for (TFileRow& row : rows) {
        list_.Append(std::move(row));
    }
    endInsertRows();
}

void TFileListModel::RemoveRows(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // From the back, so the rows still to go keep their numbers.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        if (*it < 0 || *it >= rowCount()) {
            continue;
        }
        beginRemoveRows(QModelIndex(), *it, *it);
        list_.Remove({static_cast<size_t>(*it)});
        endRemoveRows();
    }
}

void TFileListModel::Clear() {
    beginResetModel();
    list_.Clear();
    endResetModel();
}

void TFileListModel::UpdateRow(size_t row, const std::function<void(TFileRow&)>& change) {
    if (row >= list_.Count()) {
        return;
    }
    change(list_.Row(row));
    const int r = static_cast<int>(row);
    emit dataChanged(index(r, 0), index(r, columnCount() - 1), {Qt::DisplayRole});
}

void TFileListModel::SetOutputExt(const std::string& ext) {
    list_.SetOutputExt(ext);
    if (rowCount() > 0) {
        emit dataChanged(index(0, kOutputColumn), index(rowCount() - 1, kOutputColumn),
                         {Qt::DisplayRole});
    }
}

std::string TFileListModel::OutputName(const TFileRow& row) {
    if (!row.Data.OutputFile.empty()) {
        std::string name = WideExtractFileName(row.Data.OutputFile);
        if (row.Data.OutputCount > 1) {
            name += " + " + std::to_string(row.Data.OutputCount - 1) + " more";
        }
        return name;
    }
    if (row.Output.empty()) {
        return {};
    }
    const size_t dot = row.Name.rfind('.');
    return (dot == std::string::npos || dot == 0 ? row.Name : row.Name.substr(0, dot)) + "." +
           row.Output;
}

void TFileListModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= columnCount() || rowCount() < 2) {
        return;
    }
    // "9.5MB" before "12.0MB", "clip 2" before "clip 10", letter case aside.
    QCollator collator;
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<QString> keys;
    for (const TFileRow& row : list_.Rows()) {
        keys.push_back(QString::fromStdString(ColumnText(row, column)));
    }
    std::vector<size_t> order_of(list_.Count());
    std::iota(order_of.begin(), order_of.end(), size_t{0});
    std::stable_sort(order_of.begin(), order_of.end(), [&](size_t a, size_t b) {
        const int compared = collator.compare(keys[a], keys[b]);
        return order == Qt::AscendingOrder ? compared < 0 : compared > 0;
    });
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<TFileRow> rows;
    rows.reserve(order_of.size());
    std::vector<int> new_row(order_of.size());
    for (size_t i = 0; i < order_of.size(); ++i) {
        rows.push_back(std::move(list_.Row(order_of[i])));
        new_row[order_of[i]] = static_cast<int>(i);
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        list_.Row(i) = std::move(rows[i]);
    }
    QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    for (const QModelIndex& index : from) {
        to.append(index.isValid()
                      ? this->index(new_row[static_cast<size_t>(index.row())], index.column())
                      : QModelIndex());
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TFileListModel::UpdateAudioTexts(const TJobRequest& request) {
    list_.UpdateAudioTexts(request);
    if (rowCount() > 0) {
        emit dataChanged(index(0, kAudioColumn), index(rowCount() - 1, kPartsColumn),
                         {Qt::DisplayRole});
    }
}

size_t TFileListModel::ChooseAudioLanguage(const std::string& language) {
    return list_.ChooseAudioLanguage(language);
}

}  // namespace v2m
