#include "CliRun.h"

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "AudioTracks.h"
#include "AVProbe.h"
#include "BatchRunner.h"
#include "FFConverter.h"
#include "CliJson.h"
#include "FailureText.h"
#include "SplitPoints.h"
#include "FileList.h"
#include "LoudnessPlan.h"
#include "Format.h"
#include "MyUtils.h"
#include "ProbePool.h"
#include "Settings.h"
#include "SafeFiles.h"
#include "SourceFile.h"

namespace v2m::cli {

namespace {

using Clock = std::chrono::steady_clock;

inline constexpr const char* kLibraryFolder = "LibAV";
inline constexpr auto kLiveLineInterval = std::chrono::milliseconds(200);

// One file of the batch, from the expanded inputs.
struct TBatchFile {
    std::string Input;
    std::string Root;       // the folder given on the command line, when --recursive found it
    std::string Output;     // empty until its task has an output
    int64_t Media = -1;     // the file's length in microseconds, from the probe
    int64_t Duration = -1;  // the task's: twice the file's with a measuring pass
    int64_t Position = 0;   // microseconds of the task reached, from progress
    bool Started = false;
    bool Ended = false;
    bool Converted = false;
    bool Failed = false;
    bool Skipped = false;  // its outputs were there already
    bool Copied = false;   // its audio packets are copied, not encoded
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
          json_(options.JsonProgress),
          progress_(!options.Quiet && !json_),
          live_(progress_ && ::isatty(STDERR_FILENO) == 1),
          loudness_({options.NormalizeAlbum, options.ReplayGain,
                     options.LoudnessTarget.value_or(request.LoudnessTarget)}) {}

    int Run();
    // The files as they are, instead of the inputs expanded.
    void UseFiles(const std::vector<TListedFile>& files);
    std::vector<TFileOutcome> Outcomes() const;

private:
    void ExpandInputs();
    bool listed_ = false;
    void Serve();
    TBatchEvents Events();
    std::string Prepare(size_t index, const TSourceFile& source, TJobRequest& request,
                        bool make_folders = true);

    void Started(size_t index);
    void Ended(size_t index, const TTerminateInfo& info);
    // --dry-run: what each file would give, nothing written.
    int DryRun();
    // The request of the file with its audio track chosen, saying nothing.
    TJobRequest TrackRequest(const TSourceFile& source) const;
    // The files' sources probed into `inputs`, each file measured (or read
    // from the cache); false when interrupted.
    bool MeasureFirst(std::vector<TBatchInput>& inputs);
    // --analyze: the table, nothing converted.
    int Analyze();
    void PlanFile(size_t index, const TSourceFile& source, std::set<std::string>& names);

    void Fail(size_t index, const std::string& message);
    // The file's probe; a file that cannot be read fails with the reason.
    TSourcePtr ProbeOrFail(TAVProbe& probe, size_t index);
    // Lines on standard error step around the live line.
    void Line(const std::string& text);
    // A message of the run: a text line, or a "warning" object for scripts.
    void Note(const std::string& text, const std::string& file = "");
    void Json(const TJsonLine& line);
    void JsonEnded(size_t index, const char* status, const std::string& error);
    void JsonProgress();
    void DrawLiveLine();
    void ClearLiveLine();
    std::string Tag(size_t index) const;
    // "28 files: 27 converted, 1 failed in 12.3 s, 215x real time".
    struct TCounts {
        size_t Converted = 0;
        size_t Failed = 0;
        size_t Skipped = 0;
        size_t Stopped = 0;
        double Media = 0.0;  // seconds of the converted files
        double Wall = 0.0;   // seconds since the run began
    };
    TCounts Counts() const;
    std::string SummaryText() const;
    void JsonSummary();
    // The batch's share done: every ended file whole, the others by their progress.
    double TotalFraction() const;

    const TCliOptions& options_;
    TJobRequest request_;
    std::shared_ptr<QueuedMainThread> main_thread_;
    const std::atomic<bool>& interrupted_;
    const bool json_;
    const bool progress_;
    const bool live_;

    TFFConverter converter_;
    TBatchRunner runner_{converter_};
    TBatchLoudness loudness_;
    std::vector<TBatchFile> files_;
    std::vector<size_t> batch_files_;  // file index by the runner's item
    bool any_failed_ = false;
    bool stopping_ = false;
    bool live_shown_ = false;
    Clock::time_point run_start_;
    Clock::time_point live_drawn_;
    Clock::time_point json_progress_;
};

void TBatch::Json(const TJsonLine& line) {
    std::fprintf(stderr, "%s\n", line.Str().c_str());
    std::fflush(stderr);
}

void TBatch::Note(const std::string& text, const std::string& file) {
    if (!json_) {
        Line(text);
        return;
    }
    TJsonLine line("warning");
    if (!file.empty()) {
        line.FileName("file", file);
    }
    Json(line.Text("message", text));
}

void TBatch::JsonEnded(size_t index, const char* status, const std::string& error) {
    const TBatchFile& file = files_[index];
    TJsonLine line("ended");
    line.FileName("file", file.Input).FileName("output", file.Output).Text("status", status);
    if (!error.empty()) {
        line.Text("error", error);
    }
    Json(line);
}

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
    files_[index].Failed = true;
    if (json_) {
        JsonEnded(index, "failed", message);
        return;
    }
    // Failures are reported even when progress is not.
    Line(Tag(index) + " failed " + files_[index].Input + ": " + message);
}

TBatch::TCounts TBatch::Counts() const {
    TCounts counts;
    for (const TBatchFile& file : files_) {
        if (file.Converted) {
            ++counts.Converted;
            counts.Media += static_cast<double>(std::max<int64_t>(file.Media, 0)) / 1e6;
        } else if (file.Failed) {
            ++counts.Failed;
        } else if (file.Skipped) {
            ++counts.Skipped;
        }
    }
    counts.Stopped = files_.size() - counts.Converted - counts.Failed - counts.Skipped;
    counts.Wall = std::chrono::duration<double>(Clock::now() - run_start_).count();
    return counts;
}

std::string TBatch::SummaryText() const {
    const TCounts counts = Counts();
    std::string text = Format("%zu %s: %zu converted", files_.size(),
                              files_.size() == 1 ? "file" : "files", counts.Converted);
    if (counts.Failed > 0) {
        text += Format(", %zu failed", counts.Failed);
    }
    if (counts.Skipped > 0) {
        text += Format(", %zu skipped", counts.Skipped);
    }
    if (counts.Stopped > 0) {
        text += Format(", %zu stopped", counts.Stopped);
    }
    text += " in " + Seconds(counts.Wall);
    if (counts.Media > 0.0 && counts.Wall > 0.0) {
        const double speed = counts.Media / counts.Wall;
        text += Format(speed >= 10.0 ? ", %.0fx real time" : ", %.1fx real time", speed);
    }
    return text;
}

void TBatch::JsonSummary() {
    const TCounts counts = Counts();
    Json(TJsonLine("summary")
             .Integer("files", static_cast<int64_t>(files_.size()))
             .Integer("converted", static_cast<int64_t>(counts.Converted))
             .Integer("failed", static_cast<int64_t>(counts.Failed))
             .Integer("skipped", static_cast<int64_t>(counts.Skipped))
             .Integer("stopped", static_cast<int64_t>(counts.Stopped))
             .Number("wall_seconds", counts.Wall)
             .Number("speed", counts.Wall > 0.0 ? counts.Media / counts.Wall : 0.0));
}

double TBatch::TotalFraction() const {
    double fraction = 0.0;
    for (const TBatchFile& file : files_) {
        if (file.Ended) {
            fraction += 1.0;
        } else if (file.Started && file.Duration > 0) {
            fraction += static_cast<double>(std::clamp<int64_t>(file.Position, 0, file.Duration)) /
                        static_cast<double>(file.Duration);
        }
    }
    return files_.empty() ? 0.0 : fraction / static_cast<double>(files_.size());
}

void TBatch::JsonProgress() {
    constexpr auto kInterval = std::chrono::milliseconds(500);
    if (!json_ || stopping_ || Clock::now() - json_progress_ < kInterval) {
        return;
    }
    json_progress_ = Clock::now();
    const double total = TotalFraction() * 100.0;
    for (const TBatchFile& file : files_) {
        if (!file.Started || file.Ended) {
            continue;
        }
        const double wall = std::chrono::duration<double>(Clock::now() - file.StartTime).count();
        const double done = static_cast<double>(std::max<int64_t>(file.Position, 0)) / 1e6;
        const double speed = wall > 0.0 ? done / wall : 0.0;
        double percent = -1.0;
        double eta = -1.0;
        if (file.Duration > 0) {
            const double length = static_cast<double>(file.Duration) / 1e6;
            percent = std::clamp(done / length * 100.0, 0.0, 100.0);
            eta = speed > 0.0 ? std::max(length - done, 0.0) / speed : -1.0;
        }
        Json(TJsonLine("progress")
                 .FileName("file", file.Input)
                 .Number("percent", percent)
                 .Number("speed", speed)
                 .Number("eta", eta)
                 .Number("total_percent", total));
    }
}

// The names a --files-from list holds: one a line, or NUL-separated, where a
// name may hold anything, line breaks included. Empty entries are none.
std::optional<std::vector<std::string>> ReadFileList(const std::string& path, bool null) {
    std::string text;
    std::FILE* file = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return std::nullopt;
    }
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        text.append(buffer, n);
    }
    const bool failed = std::ferror(file) != 0;
    if (file != stdin) {
        std::fclose(file);
    }
    if (failed) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    const char separator = null ? '\0' : '\n';
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(separator, start);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (end > start) {
            names.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return names;
}

void TBatch::ExpandInputs() {
    std::set<std::string> seen;
    std::vector<std::string> inputs = options_.Inputs;
    if (options_.FilesFrom) {
        const std::optional<std::vector<std::string>> listed =
            ReadFileList(*options_.FilesFrom, options_.NullSeparated);
        if (!listed) {
            Note(std::string(kProgramName) + ": cannot read the list " + *options_.FilesFrom +
                 ": " + SystemErrorText(errno));
        } else {
            inputs.insert(inputs.end(), listed->begin(), listed->end());
        }
    }
    for (const std::string& input : inputs) {
        std::error_code error;
        if (std::filesystem::is_directory(input, error)) {
            const std::string root = AbsoluteFileName(input);
            const std::optional<std::vector<std::string>> found =
                options_.Recursive ? ScanVideoTree(root) : ScanVideoFolder(root);
            if (!found || found->empty()) {
                Note(std::string(kProgramName) + ": no video file in folder " + input);
                continue;
            }
            for (const std::string& file : *found) {
                if (!IsRegularFile(file)) {
                    // A FIFO or a device could block the whole batch.
                    Note(std::string(kProgramName) + ": skipped " + file + ": not a regular file",
                         file);
                    continue;
                }
                if (seen.insert(file).second) {
                    files_.push_back(TBatchFile{file, options_.Recursive ? root : ""});
                }
            }
        } else if (const std::string file = AbsoluteFileName(input); seen.insert(file).second) {
            // A listed file is taken whatever its name, as "Add Files" takes it.
            files_.push_back(TBatchFile{file});
        }
    }
}

void TBatch::Started(size_t index) {
    TBatchFile& file = files_[index];
    if (file.Started) {
        return;
    }
    file.Started = true;
    file.StartTime = Clock::now();
    if (progress_ && !stopping_) {
        Line(Tag(index) + " start  " + file.Input);
    }
    if (json_) {
        Json(TJsonLine("started")
                 .FileName("file", file.Input)
                 .FileName("output", file.Output)
                 .Text("mode", file.Copied ? "copy" : "encode"));
    }
}

void TBatch::Ended(size_t index, const TTerminateInfo& info) {
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
        // One path a line, whatever characters the name holds; on a terminal
        // that shows both streams, never inside the progress line.
        ClearLiveLine();
        for (const std::string& output : info.OutputFiles) {
            std::printf("%s\n", EscapedFileName(output).c_str());
        }
        std::fflush(stdout);
        if (json_) {
            JsonEnded(index, "completed", "");
        }
        if (progress_) {
            const double wall =
                std::chrono::duration<double>(Clock::now() - file.StartTime).count();
            const double media = static_cast<double>(std::max<int64_t>(
                                     file.Media > 0 ? file.Media : file.Position, 0)) /
                                 1e6;
            Line(Tag(index) + " done   " + file.Input + " (" + Seconds(media) + " in " +
                 Seconds(wall) + ")");
        }
    } else if (stopping_) {
        file.Ended = true;
        if (file.Started && progress_) {
            Line(Tag(index) + " stopped " + file.Input);
        }
        if (json_) {
            JsonEnded(index, "stopped", "");
        }
    } else {
        Fail(index, info.ErrorMessage.empty() ? "the conversion did not finish"
                                              : PlainFailureReason(info.ErrorMessage));
    }
}

std::string TBatch::Prepare(size_t index, const TSourceFile& source, TJobRequest& request,
                            bool make_folders) {
    const TBatchFile& file = files_[index];
    if (options_.AudioTrack || options_.AudioLanguage) {
        const std::vector<TAudioTrack>& tracks = source.AudioTracks;
        if (options_.AudioTrack) {
            const auto wanted = static_cast<size_t>(*options_.AudioTrack);
            if (wanted > tracks.size()) {
                return Format("has no audio track %zu (it has %zu)", wanted, tracks.size());
            }
            request.AudioStream = tracks[wanted - 1].StreamIndex;
        } else if (const int track = TrackOfLanguage(tracks, *options_.AudioLanguage); track >= 0) {
            request.AudioStream = tracks[static_cast<size_t>(track)].StreamIndex;
        } else {
            Note(Tag(index) + " warning: " + file.Input + " has no audio track in \"" +
                     *options_.AudioLanguage + "\"; its default track is converted",
                 file.Input);
        }
    }
    if (!make_folders) {
        if (!request.SameFolderAsInput) {
            request.OutputFolder = TreeOutputFolder(
                WideIncludeTrailingBackslash(request.OutputFolder), file.Root, file.Input);
        }
        return "";
    }
    return PrepareTreeOutput(request, file.Root, file.Input);
}

TBatchEvents TBatch::Events() {
    TBatchEvents events;
    events.Prepare = [this](size_t item, const TSourceFile& source, TJobRequest& request) {
        loudness_.Apply(item, request);
        return Prepare(batch_files_[item], source, request);
    };
    events.BuildFailed = [this](size_t item, TBuildFailure, const std::string& message) {
        const size_t index = batch_files_[item];
        Fail(index, PlainLoadFailure(message, files_[index].Input));
    };
    events.Added = [this](size_t item, const std::string& output) {
        TBatchFile& file = files_[batch_files_[item]];
        file.Output = output;
        // Known from the probe: the percentage shows from the first report.
        file.Media = runner_.Duration(item);
        file.Duration = std::max(file.Duration, file.Media);
        file.Copied = runner_.Copied(item);
        if (json_) {
            Json(TJsonLine("added").FileName("file", file.Input).FileName("output", output));
        }
    };
    events.Warned = [this](size_t item, const std::string& warning) {
        const size_t index = batch_files_[item];
        Note(Tag(index) + " warning: " + files_[index].Input + ": " + warning, files_[index].Input);
    };
    events.AlreadyDone = [this](size_t item, const std::vector<std::string>& outputs) {
        const size_t index = batch_files_[item];
        files_[index].Ended = true;
        files_[index].Skipped = true;
        files_[index].Output = outputs.empty() ? std::string() : outputs.front();
        if (json_) {
            JsonEnded(index, "skipped", "");
        }
        if (progress_) {
            Line(Tag(index) + " skipped " + files_[index].Input + ": " +
                 (outputs.size() == 1 ? "its output is" : "its outputs are") + " there already");
        }
    };
    events.Started = [this](size_t item) { Started(batch_files_[item]); };
    events.Progress = [this](size_t item, const TProgressInfo& info) {
        TBatchFile& file = files_[batch_files_[item]];
        file.Position = info.Time;
        // A measuring pass before the conversion makes the task longer than the file.
        if (info.TotalDuration > file.Duration) {
            file.Duration = info.TotalDuration;
        }
    };
    events.Ended = [this](size_t item, const TTerminateInfo& info) {
        Ended(batch_files_[item], info);
    };
    return events;
}

void TBatch::DrawLiveLine() {
    if (!live_ || stopping_ || Clock::now() - live_drawn_ < kLiveLineInterval) {
        return;
    }
    live_drawn_ = Clock::now();
    // The total counts files, each by the part of it done: later rounds'
    // durations are not known yet.
    const double fraction = TotalFraction();
    int64_t media_done = 0;
    for (const TBatchFile& file : files_) {
        if (file.Started) {
            media_done += std::max<int64_t>(file.Position, 0);
        }
    }
    std::string running;
    for (size_t index = 0; index < files_.size(); ++index) {
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
    while (runner_.Active()) {
        main_thread_->ServeUntil([this] { return !runner_.Active() || interrupted_.load(); },
                                 kLiveLineInterval);
        runner_.Poll();
        if (interrupted_.load() && runner_.Active()) {
            ClearLiveLine();
            stopping_ = true;
            // Waiting here serves the deliveries; every end has been handed
            // over, and reported, when it returns.
            runner_.Stop(true);
            return;
        }
        DrawLiveLine();
        JsonProgress();
    }
    ClearLiveLine();
}

void TBatch::UseFiles(const std::vector<TListedFile>& files) {
    listed_ = true;
    for (const TListedFile& file : files) {
        files_.push_back(TBatchFile{file.Path, file.Root});
    }
}

std::vector<TFileOutcome> TBatch::Outcomes() const {
    std::vector<TFileOutcome> outcomes;
    for (const TBatchFile& file : files_) {
        outcomes.push_back(file.Converted ? TFileOutcome::Converted
                           : file.Failed  ? TFileOutcome::Failed
                           : file.Skipped ? TFileOutcome::Skipped
                                          : TFileOutcome::Stopped);
    }
    return outcomes;
}

int TBatch::Run() {
    if (!listed_) {
        ExpandInputs();
    }
    if (files_.empty()) {
        Note(std::string(kProgramName) + ": no file to convert");
        return kExitFailed;
    }
    if (!converter_.LoadAVLib(ProgramFolder() + kLibraryFolder)) {
        Note(std::string(kProgramName) + ": " + converter_.LastError());
        return kExitFailed;
    }
    if (options_.DryRun) {
        return DryRun();
    }
    if (options_.Analyze) {
        return Analyze();
    }
    // What cannot be read at all is reported here; the rest is the batch's.
    std::vector<TBatchInput> inputs;
    for (size_t index = 0; index < files_.size(); ++index) {
        const std::string& input = files_[index].Input;
        struct stat status {};
        if (::stat(input.c_str(), &status) != 0 && errno != ENOENT) {
            // A loop of links, a folder that may not be searched: not "missing".
            Fail(index,
                 errno == ELOOP ? "its symbolic links go round in a loop" : SystemErrorText(errno));
        } else if (!WideFileExists(input)) {
            Fail(index, "no such file");
        } else if (!IsRegularFile(input)) {
            Fail(index, "not a regular file");
        } else {
            batch_files_.push_back(index);
            inputs.push_back({input, nullptr});
        }
    }
    run_start_ = Clock::now();
    if (!MeasureFirst(inputs)) {
        Note(std::string(kProgramName) + ": interrupted; nothing converted");
        return kExitInterrupted;
    }
    const TStartResult started =
        runner_.Start(std::move(inputs), request_, JobsOfSetting(options_.Jobs), Events(), false);
    if (started == TStartResult::Started) {
        Serve();
    }
    main_thread_->ProcessPendingMessages();
    if (progress_) {
        Line(SummaryText());
    }
    if (json_) {
        JsonSummary();
    }
    if (stopping_ || interrupted_.load()) {
        Note(std::string(kProgramName) + ": interrupted; unfinished outputs deleted");
        return kExitInterrupted;
    }
    return any_failed_ ? kExitFailed : kExitConverted;
}

TJobRequest TBatch::TrackRequest(const TSourceFile& source) const {
    TJobRequest request = request_;
    const std::vector<TAudioTrack>& tracks = source.AudioTracks;
    if (options_.AudioTrack && static_cast<size_t>(*options_.AudioTrack) <= tracks.size()) {
        request.AudioStream = tracks[static_cast<size_t>(*options_.AudioTrack) - 1].StreamIndex;
    } else if (options_.AudioLanguage) {
        if (const int track = TrackOfLanguage(tracks, *options_.AudioLanguage); track >= 0) {
            request.AudioStream = tracks[static_cast<size_t>(track)].StreamIndex;
        }
    }
    return request;
}

bool TBatch::MeasureFirst(std::vector<TBatchInput>& inputs) {
    if (!options_.NormalizeAlbum && !options_.ReplayGain) {
        return true;
    }
    std::vector<std::vector<TLoudnessSubject>> files;
    TAVProbe probe;
    for (size_t item = 0; item < inputs.size(); ++item) {
        std::string error;
        inputs[item].Source = ProbeSource(probe, inputs[item].Path, error);
        // What cannot be read fails in the batch, with its reason. Each
        // output's own stretch is measured: a piece's gain is its own.
        files.push_back(inputs[item].Source ? LoudnessSubjectsOf(*inputs[item].Source,
                                                                 TrackRequest(*inputs[item].Source))
                                            : std::vector<TLoudnessSubject>{TLoudnessSubject{}});
    }
    TLoudnessCache cache(LoudnessCachePath(ProcessEnvironment()));
    TLoudnessMeter meter(&cache);
    // Measured side by side, as many at once as the probe pool would open:
    // the album waits for its slowest file only.
    std::vector<size_t> left;
    for (const std::vector<TLoudnessSubject>& subjects : files) {
        left.push_back(subjects.size());
    }
    loudness_.Plan(std::move(files));
    const std::vector<TLoudnessSubject>& subjects = loudness_.Subjects();
    std::mutex news_lock;
    std::condition_variable news;
    bool told = false;
    TLoudnessPool pool(
        meter, subjects,
        [&] {
            const std::lock_guard lock(news_lock);
            told = true;
            news.notify_one();
        },
        std::max<size_t>(ProbeWorkerCount(), static_cast<size_t>(JobsOfSetting(options_.Jobs))));
    size_t done = 0;
    while (!pool.Finished() && !interrupted_.load()) {
        {
            std::unique_lock lock(news_lock);
            news.wait_for(lock, std::chrono::milliseconds(100), [&] { return told; });
            told = false;
        }
        for (TLoudnessPool::TResult& result : pool.TakeReady()) {
            // A file without audio fails in the batch, with its own reason.
            if (subjects[result.Index].Stream >= 0) {
                loudness_.SetReading(result.Index, std::move(result.Reading), result.Error);
            }
            const size_t item = loudness_.FileOf(result.Index);
            if (--left[item] > 0) {
                continue;
            }
            ++done;
            if (progress_) {
                Line(Format("loudness %zu of %zu: %s", done, inputs.size(),
                            EscapedFileName(inputs[item].Path).c_str()));
            }
            if (json_) {
                Json(TJsonLine("loudness")
                         .FileName("file", inputs[item].Path)
                         .Integer("done", static_cast<int64_t>(done))
                         .Integer("files", static_cast<int64_t>(inputs.size())));
            }
        }
    }
    pool.Stop();
    const bool measured = !interrupted_.load();
    loudness_.FindAlbums();
    if (progress_ && measured) {
        // A file split into pieces is read piece by piece.
        const auto runs = static_cast<size_t>(meter.Runs());
        Line(Format("loudness: %zu %s measured, %zu from the cache", runs,
                    subjects.size() == inputs.size() ? "files" : "pieces",
                    subjects.size() - std::min(runs, subjects.size())));
    }
    // With nothing new the file stays as it was: saving flushes it to the disk.
    std::string problem;
    if (meter.Runs() > 0 && !cache.Path().empty() && !cache.Save(problem)) {
        Note(std::string(kProgramName) +
             " warning: the loudness readings are not kept: " + problem);
    }
    for (const auto& [item, error] : loudness_.Failures()) {
        Note(Tag(batch_files_[item]) + " warning: " + inputs[item].Path +
                 ": its loudness cannot be measured; it is converted without a gain: " +
                 PlainFailureReason(error),
             inputs[item].Path);
    }
    return measured;
}

int TBatch::Analyze() {
    TLoudnessCache cache(LoudnessCachePath(ProcessEnvironment()));
    TLoudnessMeter meter(&cache);
    const double target = options_.LoudnessTarget.value_or(request_.LoudnessTarget);
    std::printf("%-8s %-6s %-8s %-8s %s\n", "LUFS", "LRA", "dBTP",
                Format("gain(%g)", target).c_str(), "file");
    TAVProbe probe;
    for (size_t index = 0; index < files_.size() && !interrupted_.load(); ++index) {
        const TBatchFile& file = files_[index];
        const TSourcePtr source = ProbeOrFail(probe, index);
        if (source == nullptr) {
            continue;
        }
        std::string error;
        const TLoudnessSubject subject = LoudnessSubjectOf(*source, TrackRequest(*source));
        if (subject.Stream < 0) {
            Fail(index, "has no audio track");
            continue;
        }
        const std::optional<TLoudnessReading> reading = meter.Read(
            subject, [this] { return interrupted_.load(); }, nullptr, error);
        if (!reading) {
            if (!interrupted_.load()) {
                Fail(index, PlainFailureReason(error));
            }
            continue;
        }
        const bool silent = reading->Integrated <= -70.0;
        std::printf(
            "%-8s %-6.1f %-8s %-+8.2f %s\n",
            silent ? "silent" : Format("%.1f", reading->Integrated).c_str(), reading->Range,
            reading->TruePeak <= -199.0 ? "-inf" : Format("%.1f", reading->TruePeak).c_str(),
            GainToTarget(*reading, target), EscapedFileName(file.Input).c_str());
        std::fflush(stdout);
    }
    // With nothing new the file stays as it was: saving flushes it to the disk.
    std::string problem;
    if (meter.Runs() > 0 && !cache.Path().empty() && !cache.Save(problem)) {
        Note(std::string(kProgramName) +
             " warning: the loudness readings are not kept: " + problem);
    }
    if (interrupted_.load()) {
        return kExitInterrupted;
    }
    return any_failed_ ? kExitFailed : kExitConverted;
}

int TBatch::DryRun() {
    std::set<std::string> names;
    TAVProbe probe;
    for (size_t index = 0; index < files_.size(); ++index) {
        if (const TSourcePtr source = ProbeOrFail(probe, index)) {
            PlanFile(index, *source, names);
        }
    }
    return any_failed_ ? kExitFailed : kExitConverted;
}

TSourcePtr TBatch::ProbeOrFail(TAVProbe& probe, size_t index) {
    const std::string& input = files_[index].Input;
    std::string error;
    TSourcePtr source = ProbeSource(probe, input, error);
    if (source == nullptr) {
        Fail(index, PlainLoadFailure(error, input));
    }
    return source;
}

void TBatch::PlanFile(size_t index, const TSourceFile& source, std::set<std::string>& names) {
    const TBatchFile& file = files_[index];
    TJobRequest request = request_;
    request.SourceFileName = source.FileName;
    request.SourceFormatName = source.FormatName;
    std::string unfit = Prepare(index, source, request, false);
    if (!unfit.empty()) {
        Fail(index, unfit);
        return;
    }
    ResolveAudioTrack(&source, request);
    std::vector<TPlannedOutput> plan;
    try {
        plan = PlanOutputs(request, &source, source.Duration, names);
    } catch (const EJobError& error) {
        Fail(index, PlainFailureReason(error.what()));
        return;
    }
    const std::vector<TAudioTrack>& tracks = source.AudioTracks;
    const int chosen = ChosenAudioTrack(tracks, request);
    const std::string track = chosen < 0
                                  ? std::string("no audio track")
                                  : Format("audio track %d of %zu (%s)", chosen + 1, tracks.size(),
                                           tracks[static_cast<size_t>(chosen)].Codec.c_str());
    ClearLiveLine();
    std::printf("%s: %s, %s\n", EscapedFileName(file.Input).c_str(), track.c_str(),
                plan.size() == 1 ? "1 output" : Format("%zu outputs", plan.size()).c_str());
    for (const TPlannedOutput& output : plan) {
        std::string stretch = "whole";
        if (output.Piece) {
            const int64_t length =
                std::max<int64_t>(PieceLength(*output.Piece, source.Duration), 0);
            stretch = TimeText(output.Piece->Start) + " +" + TimeText(length);
        }
        const char* action = output.AlreadyDone ? "skip  " : output.Copied ? "copy  " : "encode";
        std::printf("  %s %-22s %s\n", action, stretch.c_str(),
                    EscapedFileName(output.FileName).c_str());
    }
    std::fflush(stdout);
}

}  // namespace

int RunFiles(const TCliOptions& options, const TJobRequest& request,
             const std::shared_ptr<QueuedMainThread>& main_thread,
             const std::atomic<bool>& interrupted, const std::vector<TListedFile>& files,
             std::vector<TFileOutcome>& outcomes) {
    TBatch batch(options, request, main_thread, interrupted);
    batch.UseFiles(files);
    const int status = batch.Run();
    outcomes = batch.Outcomes();
    return status;
}

int RunBatch(const TCliOptions& options, const TJobRequest& request,
             const std::shared_ptr<QueuedMainThread>& main_thread,
             const std::atomic<bool>& interrupted) {
    TBatch batch(options, request, main_thread, interrupted);
    return batch.Run();
}

}  // namespace v2m::cli
