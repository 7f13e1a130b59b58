// Building tasks: the records, their mapping to engine options in a fixed
// order, the task list and the component's properties.

#include "FFConverter.h"

#include <sys/resource.h>

#include <array>
#include <cmath>
#include <ctime>
#include <utility>

#include "FFmpegLoader.h"
#include "FFmpegLogger.h"
#include "Format.h"
#include "MainThread.h"
#include "MyUtils.h"

namespace v2m {

namespace {

// The days from 1899-12-30 to 1970-01-01.
constexpr double kUnixEpochDays = 25569.0;

constexpr TColor Rgb(int red, int green, int blue) {
    return static_cast<TColor>(red | (green << 8) | (blue << 16));
}

// The platform has no system-colour table, so the roles a designer is likely
// to pick resolve to the classic desktop defaults, by role number: scroll bar,
// desktop, active and inactive caption, menu, window, window frame, menu text,
// window text, caption text, active and inactive border, application
// workspace, highlight, highlight text, button face, button shadow, grey text,
// button text, inactive caption text, button highlight, dark and light 3D
// shadow, tooltip text and tooltip background. Unknown roles are black.
constexpr std::array<TColor, 25> kSystemColors = {
    Rgb(200, 200, 200), Rgb(0, 0, 0),       Rgb(153, 180, 209), Rgb(191, 205, 219),
    Rgb(240, 240, 240), Rgb(255, 255, 255), Rgb(100, 100, 100), Rgb(0, 0, 0),
    Rgb(0, 0, 0),       Rgb(0, 0, 0),       Rgb(180, 180, 180), Rgb(244, 247, 252),
    Rgb(171, 171, 171), Rgb(0, 120, 215),   Rgb(255, 255, 255), Rgb(240, 240, 240),
    Rgb(160, 160, 160), Rgb(109, 109, 109), Rgb(0, 0, 0),       Rgb(0, 0, 0),
    Rgb(255, 255, 255), Rgb(105, 105, 105), Rgb(227, 227, 227), Rgb(0, 0, 0),
    Rgb(255, 255, 225),
};

const char* TargetName(int32_t type) {
    switch (type) {
        case 1:
            return "vcd";
        case 2:
            return "svcd";
        case 3:
            return "dvd";
        default:
            return nullptr;
    }
}

const char* NormName(int32_t norm) {
    switch (norm) {
        case 1:
            return "pal";
        case 2:
            return "ntsc";
        default:
            return "auto";
    }
}

// Seconds since 1970-01-01 UTC of a local date-time value; the local offset is
// the zone's standard one, daylight saving never applied.
int64_t LocalToUnixTime(TDateTime value) {
    return std::llround((value - kUnixEpochDays - TimeZoneBias()) * 86400.0);
}

// The steps of ApplyOutputOptions, each a group of the record's fields.

// A library option given by a positive number; 0 and below leave it unset.
void SetPositiveGeneric(TFFmpegTask& task, const char* name, int32_t value) {
    if (value > 0) {
        task.SetGenericIntOption(name, value);
    }
}

void ApplyCodecNamesAndPresets(TFFmpegTask& task, const TOutputOptions& o) {
    task.ApplyOptionText(o.ExtOptions, TOptionPhase::CodecNames);
    if (!o.AudioCodec.empty()) {
        task.SetAudioCodec(o.AudioCodec);
    }
    if (!o.VideoCodec.empty()) {
        task.SetVideoCodec(o.VideoCodec);
    }
    if (!o.SubtitleCodec.empty()) {
        task.SetSubtitleCodec(o.SubtitleCodec);
    }
    task.ApplyOptionText(o.ExtOptions, TOptionPhase::Presets);
    if (!o.AudioPreset.empty()) {
        task.ApplyPreset("apre", o.AudioPreset);
    }
    if (!o.VideoPreset.empty()) {
        task.ApplyPreset("vpre", o.VideoPreset);
    }
    if (!o.SubtitlePreset.empty()) {
        task.ApplyPreset("spre", o.SubtitlePreset);
    }
}

void ApplyMuxerFields(TFFmpegTask& task, const TOutputOptions& o) {
    if (!o.FileFormat.empty()) {
        task.SetFormat(o.FileFormat);
    }
    SetPositiveGeneric(task, "packetsize", o.PacketSize);
    SetPositiveGeneric(task, "muxrate", o.MuxRate);
    if (o.MuxDelay > 0) {
        task.SetMuxMaxDelay(o.MuxDelay);
    }
    if (o.MuxPreload > 0) {
        task.SetMuxPreload(o.MuxPreload);
    }
}

void ApplyAudioFields(TFFmpegTask& task, const TOutputOptions& o) {
    if (o.DisableAudio) {
        task.Options().AudioDisable = true;
    }
    task.SetAudioVolume(o.AudioVolume);
    task.SetAudioChannels(o.AudioChannels);
    task.SetAudioSampleRate(o.AudioSampleRate);
    // The engine's own bit-rate option also checks the value's unit.
    if (o.AudioBitrate > 0) {
        task.SetOption("ab", std::to_string(o.AudioBitrate));
    }
    SetPositiveGeneric(task, "abt", o.AudioBitrateTolerance);
    task.Options().AudioLanguage = o.AudioLanguage;
    task.SetAudioSyncMethod(o.AudioSync);
    if (!o.AudioTag.empty()) {
        task.SetAudioTag(o.AudioTag);
    }
}

void ApplyVideoFields(TFFmpegTask& task, const TOutputOptions& o) {
    if (o.DisableVideo) {
        task.Options().VideoDisable = true;
    }
    task.SetFrameRate(o.FrameRate);
    task.SetAspect(o.FrameAspectRatio);
    task.SetCropTop(o.CropTop);
    task.SetCropBottom(o.CropBottom);
    task.SetCropLeft(o.CropLeft);
    task.SetCropRight(o.CropRight);
    task.SetPadTop(o.PadTop);
    task.SetPadBottom(o.PadBottom);
    task.SetPadLeft(o.PadLeft);
    task.SetPadRight(o.PadRight);
    task.SetPadColor(ResolveColor(o.PadColor));
    SetPositiveGeneric(task, "g", o.GOPSize);
    if (o.VideoBitrate > 0) {
        task.SetOption("vb", std::to_string(o.VideoBitrate));
    }
    SetPositiveGeneric(task, "maxrate", o.VideoMaxRate);
    SetPositiveGeneric(task, "minrate", o.VideoMinRate);
    SetPositiveGeneric(task, "bt", o.VideoBitrateTolerance);
    SetPositiveGeneric(task, "bufsize", o.VideoBufSize);
    task.SetVideoSyncMethod(o.VideoSync);
    if (!o.VideoTag.empty()) {
        task.SetVideoTag(o.VideoTag);
    }
    task.Options().VideoLanguage = o.VideoLanguage;
}

// The subtitle fields and the timing of the whole output.
void ApplyTimingFields(TFFmpegTask& task, const TOutputOptions& o) {
    TEngineOptions& engine = task.Options();
    if (o.DisableSubtitle) {
        engine.SubtitleDisable = true;
    }
    engine.SubtitleLanguage = o.SubtitleLanguage;
    engine.InputSync = o.InputSync;
    if (o.CopyTimestamps) {
        engine.CopyTs = true;
    }
    if (o.StartTime != kNoTime) {
        task.SetStartTime(o.StartTime);
    }
    if (o.RecordingTime != kNoTime) {
        task.SetRecordingTime(o.RecordingTime);
    }
}

void ApplyStreamInfo(TFFmpegTask& task, const TStreamInfo& info) {
    if (info.Timestamp == 0.0) {
        task.Options().RecordingTimestamp = static_cast<int64_t>(std::time(nullptr));
    } else if (info.Timestamp > 0.0) {
        task.Options().RecordingTimestamp = LocalToUnixTime(info.Timestamp);
    }
    if (info.Year > 0) {
        task.AddMetadata("year", std::to_string(info.Year));
    }
    if (info.Track > 0) {
        task.AddMetadata("track", std::to_string(info.Track));
    }
    const std::pair<const char*, const std::string*> texts[] = {
        {"title", &info.Title},     {"author", &info.Author}, {"copyright", &info.Copyright},
        {"comment", &info.Comment}, {"album", &info.Album},   {"genre", &info.Genre},
    };
    for (const auto& [key, value] : texts) {
        if (!value->empty()) {
            task.AddMetadata(key, *value);
        }
    }
}

}  // namespace

TColor ResolveColor(TColor color) {
    if ((static_cast<uint32_t>(color) & 0xFF000000u) == 0) {
        return color;
    }
    if ((static_cast<uint32_t>(color) & 0xFF000000u) == static_cast<uint32_t>(kSystemColorFlag)) {
        const auto role = static_cast<size_t>(color & 0xFF);
        return role < kSystemColors.size() ? kSystemColors[role] : Rgb(0, 0, 0);
    }
    // Any other high byte carries no colour of its own: keep red, green and blue.
    return color & 0x00FFFFFF;
}

int64_t RaiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return -1;
    }
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) {
            limit = raised;
        }
    }
    return limit.rlim_cur == RLIM_INFINITY ? std::numeric_limits<int64_t>::max()
                                           : static_cast<int64_t>(limit.rlim_cur);
}

// ---------------------------------------------------------------------------
// TFFmpegTask

TFFmpegTask::TFFmpegTask() : TFFmpeg(kMaxFiles) {}

TFFmpegTask::~TFFmpegTask() {
    // The engine's threads read this task's own fields while they report its
    // end; those fields go before the engine's destructor would wait.
    WaitForEngineThreads();
}

const TInputOptions* TFFmpegTask::InputRecord(int index) const {
    if (index < 0 || index >= static_cast<int>(input_records_.size())) {
        return nullptr;
    }
    return &input_records_[static_cast<size_t>(index)];
}

const TOutputOptions* TFFmpegTask::OutputRecord(int index) const {
    if (index < 0 || index >= static_cast<int>(output_records_.size())) {
        return nullptr;
    }
    return &output_records_[static_cast<size_t>(index)];
}

TAVProbe* TFFmpegTask::Probe(int index) const {
    if (index < 0 || index >= static_cast<int>(probes_.size())) {
        return nullptr;
    }
    return probes_[static_cast<size_t>(index)].get();
}

void TFFmpegTask::KeepInputRecord(int index, const TInputOptions& record) {
    if (static_cast<int>(input_records_.size()) <= index) {
        input_records_.resize(static_cast<size_t>(index) + 1);
    }
    input_records_[static_cast<size_t>(index)] = record;
}

void TFFmpegTask::KeepOutputRecord(int index, const TOutputOptions& record) {
    if (static_cast<int>(output_records_.size()) <= index) {
        output_records_.resize(static_cast<size_t>(index) + 1);
    }
    output_records_[static_cast<size_t>(index)] = record;
}

void TFFmpegTask::AttachProbe(int index) {
    if (static_cast<int>(probes_.size()) <= index) {
        probes_.resize(static_cast<size_t>(index) + 1);
    }
    auto& probe = probes_[static_cast<size_t>(index)];
    if (!probe) {
        probe = std::make_unique<TAVProbe>();
    }
    probe->AttachContext(InputFile(index));
}

// ---------------------------------------------------------------------------
// TFFmpegList

int TFFmpegList::Add(TaskPtr task) {
    task->SetTaskIndex(Count());
    tasks_.push_back(std::move(task));
    return Count() - 1;
}

TFFmpegList::TaskPtr TFFmpegList::Delete(int index) {
    if (index < 0 || index >= Count()) {
        return nullptr;
    }
    TaskPtr task = std::move(tasks_[static_cast<size_t>(index)]);
    tasks_.erase(tasks_.begin() + index);
    Renumber(index);
    return task;
}

TFFmpegTask* TFFmpegList::Get(int index) const {
    if (index < 0 || index >= Count()) {
        return nullptr;
    }
    return tasks_[static_cast<size_t>(index)].get();
}

int TFFmpegList::IndexOf(const TFFmpegTask* task) const {
    // The task's own number is right unless the list changed under it.
    const int hint = task->TaskIndex();
    if (hint >= 0 && hint < Count() && tasks_[static_cast<size_t>(hint)].get() == task) {
        return hint;
    }
    for (int i = 0; i < Count(); ++i) {
        if (tasks_[static_cast<size_t>(i)].get() == task) {
            return i;
        }
    }
    return -1;
}

std::vector<TFFmpegList::TaskPtr> TFFmpegList::TakeAll() {
    std::vector<TaskPtr> all = std::move(tasks_);
    tasks_.clear();
    for (const TaskPtr& task : all) {
        task->SetTaskIndex(-1);
    }
    return all;
}

void TFFmpegList::Pause() const {
    for (const TaskPtr& task : tasks_) {
        task->PauseTranscode();
    }
}

void TFFmpegList::Resume() const {
    for (const TaskPtr& task : tasks_) {
        task->ResumeTranscode();
    }
}

void TFFmpegList::SetPreviewFlags(uint8_t flags) const {
    for (const TaskPtr& task : tasks_) {
        task->SetPreviewFlags(flags);
    }
}

void TFFmpegList::Renumber(int from) {
    for (int i = from; i < Count(); ++i) {
        tasks_[static_cast<size_t>(i)]->SetTaskIndex(i);
    }
}

// ---------------------------------------------------------------------------
// TCustomFFConverter: libraries, task building and properties

bool TCustomFFConverter::AVLibLoaded() const {
    return FFLoader().LibrariesLoaded(ConverterLibs);
}

bool TCustomFFConverter::LoadAVLib(const std::string& folder) {
    if (Designing()) {
        return true;
    }
    TFFmpegLoader& loader = FFLoader();
    loader.SetLibraryPath(folder);
    if (loader.LoadLibraries(ConverterLibs)) {
        return true;
    }
    SetLastError(loader.LastError());
    return false;
}

std::string TCustomFFConverter::LastError() const {
    std::lock_guard lock(error_mutex_);
    return last_error_;
}

void TCustomFFConverter::SetLastError(std::string text) {
    std::lock_guard lock(error_mutex_);
    last_error_ = std::move(text);
}

void TCustomFFConverter::Log(TLogLevel level, const std::string& text) {
    FFLoggerInstance().Log(this, level, text);
}

void TCustomFFConverter::CheckNotWorking(const char* operation) const {
    if (working_) {
        throw EFFConverterError(Format("Cannot %s while working.", operation));
    }
}

uint8_t TCustomFFConverter::PreviewFlags() const {
    return static_cast<uint8_t>((preview_ ? kPreviewWindowFlag : 0) |
                                (preview_bitmap_ ? kPreviewBitmapFlag : 0));
}

void TCustomFFConverter::SetPreview(bool value) {
    std::lock_guard lock(terminate_lock_);
    preview_ = value;
    tasks_.SetPreviewFlags(PreviewFlags());
}

void TCustomFFConverter::SetPreviewBitmap(bool value) {
    std::lock_guard lock(terminate_lock_);
    preview_bitmap_ = value;
    tasks_.SetPreviewFlags(PreviewFlags());
}

void TCustomFFConverter::SetProgressInterval(int32_t milliseconds) {
    // Shorter intervals would cost the conversion more than they tell the user.
    progress_interval_ = milliseconds <= 100 ? 100 : milliseconds;
}

int TCustomFFConverter::TaskCount() const {
    std::lock_guard lock(terminate_lock_);
    return tasks_.Count();
}

TFFmpegTask* TCustomFFConverter::Task(int TaskIndex) const {
    std::lock_guard lock(terminate_lock_);
    return tasks_.Get(TaskIndex);
}

bool TCustomFFConverter::OpenTaskInput(TFFmpegTask& task, const std::string& FileName,
                                       TInputOptions* Options) {
    const int input_index = task.InputFileCount();
    if (Options != nullptr) {
        if (Options->FileName.empty()) {
            Options->FileName = FileName;
        }
        task.KeepInputRecord(input_index, *Options);
        task.ApplyOptionText(Options->ExtOptions, TOptionPhase::Others);
        task.ApplyOptionText(Options->ExtOptions, TOptionPhase::CodecNames);
        // A picture size tells a demuxer of pictures what it reads (raw
        // video, or a picture after an input of another size).
        task.ApplyOptionText(Options->ExtOptions, TOptionPhase::FrameSize);
        if (!Options->FileFormat.empty()) {
            task.SetFormat(Options->FileFormat);
        }
        if (Options->StartTime != kNoTime) {
            task.SetStartTime(Options->StartTime);
        }
        if (Options->ProgramID >= 0) {
            task.SetProgramId(Options->ProgramID);
        }
    }
    if (!task.OpenInputFile(FileName)) {
        SetLastError(task.LastErrorText());
        return false;
    }
    task.AttachProbe(input_index);
    return true;
}

bool TCustomFFConverter::AddInputFile(int TaskIndex, const std::string& FileName,
                                      TInputOptions* Options) {
    CheckNotWorking("AddInputFile");
    TFFmpegTask* task = Task(TaskIndex);
    if (task == nullptr) {
        SetLastError("Invalid task index " + std::to_string(TaskIndex) + ".");
        return false;
    }
    try {
        return OpenTaskInput(*task, FileName, Options);
    } catch (const std::exception& e) {
        SetLastError(e.what());
        return false;
    }
}

int TCustomFFConverter::AddTask(const std::string& FileName, TInputOptions* Options) {
    CheckNotWorking("AddTask");
    if (!AVLibLoaded()) {
        SetLastError("The conversion libraries are not loaded.");
        return -1;
    }
    auto task = std::make_shared<TFFmpegTask>();
    try {
        task->Prepare();
        task->SetVerbose(1);
        task->SetPreviewFlags(PreviewFlags());
        task->SetKeepUnfinishedOutputs(keep_unfinished_.load());
        TFFmpegTask* raw = task.get();
        task->SetPreviewBitmapCallback(
            [this, raw](TCustomFFmpeg*, TBitmap24* bitmap, int32_t frame, int64_t pts) {
                DeliverPreview(*raw, bitmap, frame, pts);
            });
        if (!OpenTaskInput(*task, FileName, Options)) {
            return -1;
        }
        ConnectTask(*task);
    } catch (const std::exception& e) {
        SetLastError(e.what());
        return -1;
    }
    std::lock_guard lock(terminate_lock_);
    return tasks_.Add(std::move(task));
}

void TCustomFFConverter::SetKeepUnfinishedOutputs(bool value) {
    keep_unfinished_ = value;
    std::lock_guard lock(terminate_lock_);
    for (const TaskPtr& task : tasks_.Items()) {
        task->SetKeepUnfinishedOutputs(value);
    }
}

bool TCustomFFConverter::SetOutputFile(int TaskIndex, const std::string& FileName,
                                       TOutputOptions* Options) {
    CheckNotWorking("SetOutputFile");
    TFFmpegTask* task = Task(TaskIndex);
    if (task == nullptr) {
        SetLastError(Format("Task index %d out of range", TaskIndex));
        return false;
    }
    if (task->OutputFileCount() >= TFFmpegTask::kMaxFiles) {
        SetLastError(Format("max output files %d reached", TFFmpegTask::kMaxFiles));
        return false;
    }
    const int output_index = task->OutputFileCount();
    const TPendingOutputOptions before = task->SavePendingOutputOptions();
    try {
        bool join = false;
        if (Options != nullptr) {
            if (Options->FileName.empty()) {
                Options->FileName = FileName;
            }
            task->KeepOutputRecord(output_index, *Options);
            ApplyOutputOptions(*task, *Options);
            join = Options->Join;
        } else {
            task->KeepOutputRecord(output_index, TOutputOptions{});
        }
        if (task->OpenOutputFile(FileName, join) < 0) {
            SetLastError(task->LastErrorText());
            task->KeepOutputRecord(output_index, TOutputOptions{});
            task->RestorePendingOutputOptions(before);
            return false;
        }
        if (Options != nullptr) {
            // Streams added by these options need the output to exist.
            task->ApplyOptionText(Options->ExtOptions, TOptionPhase::NewStreams);
        }
    } catch (const std::exception& e) {
        SetLastError(e.what());
        if (task->OutputFileCount() == output_index) {
            task->KeepOutputRecord(output_index, TOutputOptions{});
            task->RestorePendingOutputOptions(before);
        }
        return false;
    }
    return true;
}

void TCustomFFConverter::ApplyOutputOptions(TFFmpegTask& task, const TOutputOptions& o) {
    // The order matters: a target sets defaults that the fields refine, codec
    // names come before the presets that are looked up by codec, and the
    // frame size and filters come after everything they depend on.
    if (const char* target = TargetName(o.TargetType); target != nullptr) {
        task.SetTarget(target, NormName(o.TargetNorm), o.TargetDefaultNorm == 1 ? "pal" : "ntsc");
    }
    ApplyCodecNamesAndPresets(task, o);
    task.ApplyOptionText(o.ExtOptions, TOptionPhase::Others);
    ApplyMuxerFields(task, o);
    ApplyAudioFields(task, o);
    ApplyVideoFields(task, o);
    ApplyTimingFields(task, o);
    ApplyStreamInfo(task, o.Info);

    task.ApplyOptionText(o.ExtOptions, TOptionPhase::FrameSize);
    task.SetFrameSize(o.FrameSize);

    task.ApplyOptionText(o.ExtOptions, TOptionPhase::VideoFilters);
    if (!o.VideoFilters.empty()) {
        task.SetVideoFilters(o.VideoFilters);
    }

    if (o.CustomHook) {
        TFFmpegTask* raw = &task;
        task.SetCustomHookCallback(
            [this, raw](TCustomFFmpeg*, TBitmap24* bitmap, int32_t frame, int64_t pts, bool& update,
                        bool& stop) { DeliverCustomHook(*raw, bitmap, frame, pts, update, stop); });
    }
}

void TCustomFFConverter::RemoveTask(int TaskIndex) {
    CheckNotWorking("RemoveTask");
    TaskPtr removed;
    {
        std::lock_guard lock(terminate_lock_);
        removed = tasks_.Delete(TaskIndex);
    }
    // Freed outside the lock: a task waits for its threads, which may need it.
    removed.reset();
}

void TCustomFFConverter::ClearTasks() {
    std::vector<TaskPtr> cleared;
    {
        std::lock_guard lock(terminate_lock_);
        if (working_ && !finalized_) {
            throw EFFConverterError("Cannot ClearTasks while working.");
        }
        cleared = tasks_.TakeAll();
        SetLastError("");
        finished_count_ = 0;
        next_task_ = -1;
        tasks_left_ = 0;
        finalized_ = false;
        final_posted_ = false;
        background_ = false;
        working_ = false;
        running_ = 0;
        ++run_id_;
    }
    cleared.clear();
}

}  // namespace v2m
