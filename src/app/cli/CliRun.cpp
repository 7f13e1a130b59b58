#include "CliRun.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "FFConverter.h"
#include "FileList.h"
#include "Format.h"
#include "MyUtils.h"
#include "SafeFiles.h"

namespace v2m::cli {

namespace {

using Clock = std::chrono::steady_clock;

inline constexpr const char* kLibraryFolder = "LibAV";
inline constexpr auto kLiveLineInterval = std::chrono::milliseconds(200);
inline constexpr size_t kMinRoundSize = 16;

// One file of the batch, from the expanded inputs.
struct TBatchFile {
    std::string Input;
    std::string Output;             // empty until its task has an output
    int Task = -1;                  // index in the component's list
    TFFmpegTask* Engine = nullptr;  // for reading its run state
    int64_t Duration = -1;          // microseconds, from the probe
    int64_t Position = 0;           // microseconds reached, from progress
    bool Started = false;
    bool Ended = false;
    bool Converted = false;
    Clock::time_point StartTime;
};

std::string Seconds(double seconds) {
    return Format("%.1f s", seconds);
}

std::string ClockText(double seconds) {
    const auto total = static_cast<int64_t>(std::max(seconds, 0.0) + 0.5);
    return Format("%d:%02d:%02d", static_cast<int>(total / 3600), static_cast<int>(total / 60 % 60),
                  static_cast<int>(total % 60));
}

class TBatch {
public:
    TBatch(const TCliOptions& options, const TJobRequest& request,
           std::shared_ptr<QueuedMainThread> main_thread, const std::atomic<bool>& interrupted)
        : options_(options),
          request_(request),
          main_thread_(std::move(main_thread)),
          interrupted_(interrupted),
          progress_(!options.Quiet),
          live_(!options.Quiet && ::isatty(STDERR_FILENO) == 1) {}

    int Run();

private:
    void ExpandInputs();
    bool BuildTasks(size_t first, size_t end);
    void BuildTask(size_t index);
    void Serve();
    void StopRun();

    void Progress(const TProgressInfo& info);
    void Ended(const TTerminateInfo& info);
    void AnnounceStarts();

    void Fail(size_t index, const std::string& message);
    // Lines on standard error step around the live line.
    void Line(const std::string& text);
    void DrawLiveLine();
    void ClearLiveLine();
    std::string Tag(size_t index) const;

    const TCliOptions& options_;
    TJobRequest request_;
    std::shared_ptr<QueuedMainThread> main_thread_;
    const std::atomic<bool>& interrupted_;
    const bool progress_;
    const bool live_;

    TFFConverter converter_;
    std::vector<TBatchFile> files_;
    std::vector<size_t> task_files_;  // file index by task index, this round
    // Every output name chosen so far: names stay distinct across rounds.
    std::set<std::string> batch_names_;
    bool any_failed_ = false;
    bool final_seen_ = false;
    bool stopping_ = false;
    bool live_shown_ = false;
    Clock::time_point run_start_;
    Clock::time_point live_drawn_;
};

void TBatch::Line(const std::string& text) {
    ClearLiveLine();
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

void TBatch::ClearLiveLine() {
    if (live_shown_) {
        std::fputs("\r\033[K", stderr);
        live_shown_ = false;
    }
}

std::string TBatch::Tag(size_t index) const {
    return Format("[%zu/%zu]", index + 1, files_.size());
}

void TBatch::Fail(size_t index, const std::string& message) {
    any_failed_ = true;
    files_[index].Ended = true;
    // Failures are reported even when progress is not.
    Line(Tag(index) + " failed " + files_[index].Input + ": " + message);
}

void TBatch::ExpandInputs() {
    std::set<std::string> seen;
    for (const std::string& input : options_.Inputs) {
        std::error_code error;
        if (std::filesystem::is_directory(input, error)) {
            const std::optional<std::vector<std::string>> found =
                ScanVideoFolder(AbsoluteFileName(input));
            if (!found || found->empty()) {
                Line(std::string(kProgramName) + ": no video file in folder " + input);
                continue;
            }
            for (const std::string& file : *found) {
                if (!IsRegularFile(file)) {
                    // A FIFO or a device could block the whole batch.
                    Line(std::string(kProgramName) + ": skipped " + file + ": not a regular file");
                    continue;
                }
                if (seen.insert(file).second) {
                    files_.push_back(TBatchFile{file});
                }
            }
        } else if (const std::string file = AbsoluteFileName(input); seen.insert(file).second) {
            // A listed file is taken whatever its name, as "Add Files" takes it.
            files_.push_back(TBatchFile{file});
        }
    }
}

void TBatch::BuildTask(size_t index) {
    TBatchFile& file = files_[index];
    if (!WideFileExists(file.Input)) {
        Fail(index, "no such file");
        return;
    }
    if (!IsRegularFile(file.Input)) {
        Fail(index, "not a regular file");
        return;
    }
    TAVProbe& probe = converter_.Probe();
    if (!probe.LoadFile(file.Input)) {
        // The probe names the file; the line names it already.
        std::string error = probe.LastError();
        if (error.starts_with(file.Input + ": ")) {
            error.erase(0, file.Input.size() + 2);
        }
        Fail(index, error);
        return;
    }
    TJobRequest request = request_;
    request.SourceFileName = probe.FileName();
    request.SourceFormatName = probe.FormatName();
    TFileStreamInfo info;
    probe.GetFileStreamInfo(info);
    file.Duration = info.Duration;
    TJob job = BuildJob(request, batch_names_);
    probe.CloseFile();

    const int task = converter_.AddTask(job.Input.FileName, &job.Input);
    if (task < 0) {
        Fail(index, converter_.LastError());
        return;
    }
    file.Output = job.Output.FileName;
    if (!converter_.SetOutputFile(task, job.Output.FileName, &job.Output)) {
        const std::string error = converter_.LastError();
        converter_.RemoveTask(task);
        Fail(index, error);
        return;
    }
    file.Task = task;
    file.Engine = converter_.Task(task);
    task_files_.push_back(index);
}

bool TBatch::BuildTasks(size_t first, size_t end) {
    task_files_.clear();
    for (size_t i = first; i < end; ++i) {
        if (interrupted_.load()) {
            return false;
        }
        BuildTask(i);
    }
    return !interrupted_.load();
}

void TBatch::AnnounceStarts() {
    if (stopping_) {
        return;
    }
    for (size_t index : task_files_) {
        TBatchFile& file = files_[index];
        if (!file.Started && (file.Engine->Running() || file.Engine->Terminated())) {
            file.Started = true;
            file.StartTime = Clock::now();
            if (progress_) {
                Line(Tag(index) + " start  " + file.Input);
            }
        }
    }
}

void TBatch::Progress(const TProgressInfo& info) {
    if (info.TaskIndex < 0 || static_cast<size_t>(info.TaskIndex) >= task_files_.size()) {
        return;
    }
    TBatchFile& file = files_[task_files_[static_cast<size_t>(info.TaskIndex)]];
    file.Position = info.Time;
    if (file.Duration <= 0 && info.TotalDuration > 0) {
        file.Duration = info.TotalDuration;
    }
}

void TBatch::Ended(const TTerminateInfo& info) {
    if (info.TaskIndex < 0) {
        final_seen_ = true;
        return;
    }
    if (static_cast<size_t>(info.TaskIndex) >= task_files_.size()) {
        return;
    }
    AnnounceStarts();
    const size_t index = task_files_[static_cast<size_t>(info.TaskIndex)];
    TBatchFile& file = files_[index];
    if (info.Finished && !info.Failed) {
        file.Ended = true;
        file.Converted = true;
        if (file.Duration > 0) {
            file.Position = file.Duration;
        }
        if (!info.OutputFiles.empty()) {
            file.Output = info.OutputFiles.front();  // the name it was written under
        }
        // One path a line, whatever characters the name holds.
        std::printf("%s\n", EscapedFileName(file.Output).c_str());
        std::fflush(stdout);
        if (progress_) {
            const double wall =
                std::chrono::duration<double>(Clock::now() - file.StartTime).count();
            const double media = static_cast<double>(std::max<int64_t>(file.Position, 0)) / 1e6;
            Line(Tag(index) + " done   " + file.Input + " (" + Seconds(media) + " in " +
                 Seconds(wall) + ")");
        }
    } else if (stopping_) {
        file.Ended = true;
        if (file.Started && progress_) {
            Line(Tag(index) + " stopped " + file.Input);
        }
    } else {
        Fail(index,
             info.ErrorMessage.empty() ? "the conversion did not finish" : info.ErrorMessage);
    }
}

void TBatch::DrawLiveLine() {
    if (!live_ || stopping_ || Clock::now() - live_drawn_ < kLiveLineInterval) {
        return;
    }
    live_drawn_ = Clock::now();
    // The total counts files, each by the part of it done: later rounds'
    // durations are not known yet.
    double fraction = 0.0;
    int64_t media_done = 0;
    for (const TBatchFile& file : files_) {
        if (file.Ended) {
            fraction += 1.0;
        } else if (file.Started && file.Duration > 0) {
            fraction += static_cast<double>(std::clamp<int64_t>(file.Position, 0, file.Duration)) /
                        static_cast<double>(file.Duration);
        }
        if (file.Started) {
            media_done += std::max<int64_t>(file.Position, 0);
        }
    }
    fraction /= static_cast<double>(files_.size());
    std::string running;
    for (size_t index : task_files_) {
        const TBatchFile& file = files_[index];
        if (file.Started && !file.Ended) {
            running += " " + WideExtractFileName(file.Input) +
                       (file.Duration > 0
                            ? Format(" %d%%", static_cast<int>(std::clamp<int64_t>(
                                                  file.Position * 100 / file.Duration, 0, 100)))
                            : std::string(" ?%"));
        }
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - run_start_).count();
    const double speed = elapsed > 0.0 ? static_cast<double>(media_done) / 1e6 / elapsed : 0.0;
    std::string line = running.empty() ? std::string(" ...") : running;
    line += Format(" | total %d%% | %.1fx", static_cast<int>(fraction * 100.0), speed);
    if (fraction > 0.0) {
        line += " | " + ClockText(elapsed * (1.0 - fraction) / fraction) + " left";
    }
    // A line longer than the terminal would wrap and leave its head behind.
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1 &&
        line.size() >= size.ws_col) {
        line.resize(size.ws_col - 1);
    }
    std::fprintf(stderr, "\r%s\033[K", line.c_str());
    std::fflush(stderr);
    live_shown_ = true;
}

void TBatch::Serve() {
    while (!final_seen_) {
        main_thread_->ServeUntil([this] { return final_seen_ || interrupted_.load(); },
                                 kLiveLineInterval);
        AnnounceStarts();
        if (interrupted_.load() && !final_seen_) {
            StopRun();
            return;
        }
        DrawLiveLine();
    }
    ClearLiveLine();
}

void TBatch::StopRun() {
    ClearLiveLine();
    stopping_ = true;
    // Waiting here serves the progress deliveries; every end has been handed
    // over when it returns, and is reported below.
    converter_.Stop(true);
    main_thread_->ProcessPendingMessages();
}

int TBatch::Run() {
    ExpandInputs();
    if (files_.empty()) {
        Line(std::string(kProgramName) + ": no file to convert");
        return kExitFailed;
    }
    if (!converter_.LoadAVLib(ProgramFolder() + kLibraryFolder)) {
        Line(std::string(kProgramName) + ": " + converter_.LastError());
        return kExitFailed;
    }
    converter_.SetOnProgress([this](TFFBaseComponent*, PProgressInfo info) { Progress(*info); });
    // Ends arrive on the component's delivery thread; they are handled in
    // order on this one.
    converter_.SetOnTerminate([this](TFFBaseComponent*, TTerminateInfo info) {
        main_thread_->PostToMainThread([this, info] { Ended(info); });
    });

    int jobs = options_.Jobs;
    if (jobs == 0) {
        jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    }
    // Every task holds its input open from the moment it is added, so a
    // large batch runs in rounds: memory stays that of one round, whatever
    // the number of files.
    const size_t round = std::max<size_t>(kMinRoundSize, static_cast<size_t>(jobs) * 4);
    run_start_ = Clock::now();
    bool built = true;
    for (size_t first = 0; first < files_.size() && !stopping_; first += round) {
        built = BuildTasks(first, std::min(files_.size(), first + round));
        if (!built) {
            break;
        }
        if (task_files_.empty()) {
            continue;
        }
        final_seen_ = false;
        converter_.StartTask(jobs);
        Serve();
        if (!stopping_) {
            converter_.ClearTasks();
        }
    }
    // Nothing may be delivered to this object once it is gone.
    converter_.SetOnProgress(nullptr);
    converter_.SetOnTerminate(nullptr);
    if (converter_.Working()) {
        converter_.Stop(true);
    }
    main_thread_->ProcessPendingMessages();
    // The tasks take their unfinished outputs along (and nothing else):
    // failed ones went at their end, stopped ones go now.
    converter_.ClearTasks();

    if (!built || stopping_) {
        Line(std::string(kProgramName) + ": interrupted; unfinished outputs deleted");
        return kExitInterrupted;
    }
    return any_failed_ ? kExitFailed : kExitConverted;
}

}  // namespace

int RunBatch(const TCliOptions& options, const TJobRequest& request,
             const std::shared_ptr<QueuedMainThread>& main_thread,
             const std::atomic<bool>& interrupted) {
    TBatch batch(options, request, main_thread, interrupted);
    return batch.Run();
}

}  // namespace v2m::cli
