// Loudness beyond one file at a time: "Analyze Loudness" on the rows, and the
// measuring a batch in album or tag-only mode needs before its first task.
// The files are measured on worker threads; the window takes the readings as
// they come and stays responsive, and Stop ends the measuring.

#include <QAction>
#include <QMenu>
#include <QMetaObject>

#include "Converter.h"
#include "Format.h"
#include "SourceFile.h"

namespace v2m {

TLoudnessMeter& TForm1::Meter() {
    if (!loudness_meter_) {
        loudness_cache_ = std::make_unique<TLoudnessCache>(LoudnessCachePath(ProcessEnvironment()));
        loudness_meter_ = std::make_unique<TLoudnessMeter>(loudness_cache_.get());
    }
    return *loudness_meter_;
}

void TForm1::SaveLoudnessCache() {
    std::string problem;
    if (loudness_cache_ && !loudness_cache_->Path().empty() && !loudness_cache_->Save(problem)) {
        // Only an aid: the next run measures again.
        AppendLog({"", "***Loudness readings are not kept: " + problem, ""});
    }
}

void TForm1::AnalyzeLoudness(const std::vector<size_t>& rows) {
    if (Measuring() || rows.empty()) {
        return;
    }
    StartMeasuring(rows, false);
}

void TForm1::StartMeasuring(const std::vector<size_t>& rows, bool convert,
                            std::vector<TBatchInput> files) {
    std::vector<std::vector<TLoudnessSubject>> subjects;
    auto measuring = std::make_unique<TMeasuring>();
    // The columns describe the file, so analysing reads it whole; a
    // conversion's gain is that of each output it writes.
    const TJobRequest batch_request = convert ? JobRequest() : TJobRequest();
    for (const size_t row : rows) {
        const TConvertFileData& file = FileList().Rows()[row].Data;
        TJobRequest request = batch_request;
        request.AudioStream = file.AudioStream;
        if (convert) {
            ApplyRowChoices(file, request);
        }
        if (!file.Source) {
            subjects.push_back({TLoudnessSubject{file.FileName, "", -1, -1}});
        } else if (convert) {
            subjects.push_back(LoudnessSubjectsOf(*file.Source, request));
        } else {
            subjects.push_back({LoudnessSubjectOf(*file.Source, request)});
        }
        measuring->Left.push_back(subjects.back().size());
    }
    batch_loudness_ = TBatchLoudness({loudness_.Album, loudness_.TagsOnly, loudness_.Target});
    batch_loudness_.Plan(std::move(subjects));
    measuring->Convert = convert;
    measuring->Files = std::move(files);
    // The news comes from a worker; the readings are taken here.
    measuring->Pool = std::make_unique<TLoudnessPool>(
        Meter(), batch_loudness_.Subjects(),
        [this] {
            QMetaObject::invokeMethod(
                this, [this] { ServeMeasuring(); }, Qt::QueuedConnection);
        },
        ProbeWorkerCount());
    measuring_ = std::move(measuring);
    if (convert) {
        FConvertState = cvConverting;
        SetTotalProgress(0);
    }
    ShowStatus(tr("Measuring loudness: 0 of %1 files").arg(rows.size()));
    ActionList1Update();
}

namespace {

void SetLoudnessTexts(TFileRow& row, const TLoudnessReading& reading) {
    row.Loudness = reading.Integrated <= -70.0 ? std::string("silent")
                                               : Format("%.1f LUFS", reading.Integrated);
    row.Peak =
        reading.TruePeak <= -199.0 ? std::string("-inf") : Format("%.1f dBTP", reading.TruePeak);
}

}  // namespace

void TForm1::ShowLoudness(const std::string& path, const TLoudnessReading& reading) {
    for (size_t row = 0; row < FileList().Count(); ++row) {
        if (FileList().Rows()[row].Data.FileName == path) {
            file_list_->UpdateRow(row, [&](TFileRow& r) { SetLoudnessTexts(r, reading); });
        }
    }
}

void TForm1::ShowKnownLoudness(TFileRow& row) {
    if (!row.Data.Source) {
        return;
    }
    TJobRequest request;
    request.AudioStream = row.Data.AudioStream;
    const TLoudnessSubject subject = LoudnessSubjectOf(*row.Data.Source, request);
    Meter();
    const std::optional<TLoudnessKey> key =
        subject.Stream < 0 ? std::nullopt : LoudnessKeyOf(subject.Path, subject.Stream);
    if (key) {
        if (const std::optional<TLoudnessReading> reading = loudness_cache_->Find(*key)) {
            SetLoudnessTexts(row, *reading);
        }
    }
}

void TForm1::ServeMeasuring() {
    if (!measuring_ || closed_) {
        return;
    }
    TMeasuring& measuring = *measuring_;
    for (TLoudnessPool::TResult& result : measuring.Pool->TakeReady()) {
        const TLoudnessSubject& subject = batch_loudness_.Subjects()[result.Index];
        const size_t file = batch_loudness_.FileOf(result.Index);
        if (result.Reading && subject.Whole()) {
            ShowLoudness(subject.Path, *result.Reading);
        } else if (!result.Reading && !batch_loudness_.Failures().contains(file)) {
            AppendLog(
                {"", "***Loudness cannot be measured: " + subject.Path + ": " + result.Error, ""});
        }
        batch_loudness_.SetReading(result.Index, std::move(result.Reading), result.Error);
        if (--measuring.Left[file] == 0) {
            ++measuring.Done;
        }
    }
    const size_t total = measuring.Left.size();
    if (measuring.Convert && total > 0) {
        SetTotalProgress(static_cast<int>(measuring.Done * 100 / total));
    }
    ShowStatus(tr("Measuring loudness: %1 of %2 files").arg(measuring.Done).arg(total));
    if (!measuring.Pool->Finished()) {
        return;
    }
    const std::unique_ptr<TMeasuring> done = std::move(measuring_);
    SaveLoudnessCache();
    if (!done->Convert) {
        ShowStatus(tr("Loudness measured: %1 files").arg(done->Done));
        ActionList1Update();
        return;
    }
    batch_loudness_.FindAlbums();
    FConvertState = cvIdle;
    RunStarted(runner_.Start(std::move(done->Files), JobRequest(), JobsOfSetting(jobs_setting_),
                             RunEvents(), true));
}

void TForm1::StopMeasuring() {
    if (!measuring_) {
        return;
    }
    const std::unique_ptr<TMeasuring> stopped = std::move(measuring_);
    stopped->Pool->Stop();
    SaveLoudnessCache();
    if (stopped->Convert) {
        FConvertState = cvIdle;
        SetTotalProgress(0);
    }
    ShowStatus(tr("Loudness measuring stopped"));
    ActionList1Update();
}

}  // namespace v2m
