#include "BatchRunner.h"

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "AudioTracks.h"
#include "Format.h"
#include "MainThread.h"
#include "Mp4Freeform.h"
#include "MyUtils.h"
#include "StopRequest.h"

namespace v2m {

namespace {

// Long enough to smooth the reports of a few tasks, short enough that a
// pause or a change of pace shows within seconds.
constexpr auto kSpeedWindow = std::chrono::seconds(5);
constexpr size_t kMinRoundSize = 16;
// A running task waits for the main thread with its progress and log lines:
// a slice longer than a few files' building would leave the jobs idle.
constexpr auto kBuildSlice = std::chrono::milliseconds(2);

std::string TimeLeftText(double seconds) {
    const auto total = static_cast<int64_t>(std::llround(seconds));
    if (total < 60) {
        return Format("%d s", static_cast<int>(std::max<int64_t>(total, 1)));
    }
    const int64_t minutes = (total + 30) / 60;
    if (minutes < 60) {
        return Format("%d min", static_cast<int>(minutes));
    }
    return Format("%d h %d min", static_cast<int>(minutes / 60), static_cast<int>(minutes % 60));
}

}  // namespace

std::string BatchStatusText(size_t ended, size_t total, double speed, double seconds_left) {
    std::string text = Format("%zu of %zu files", ended, total);
    if (speed > 0.0) {
        text += Format(speed >= 10.0 ? " - %.0fx real time" : " - %.1fx real time", speed);
    }
    if (seconds_left >= 0.0) {
        text += " - about " + TimeLeftText(seconds_left) + " left";
    }
    return text;
}

TBatchRunner::TBatchRunner(TCustomFFConverter& converter) : converter_(converter) {}

TBatchRunner::~TBatchRunner() {
    generation_.reset();
    if (active_) {
        for (size_t round = 0; round < rounds_.size(); ++round) {
            if (round == 0 || second_) {
                TCustomFFConverter& converter = Converter(round);
                converter.SetOnProgress(nullptr);
                converter.SetOnTerminate(nullptr);
                converter.Stop(true);
                converter.ClearTasks();
            }
        }
    }
}

size_t TBatchRunner::RoundSize(int jobs) {
    return std::max(kMinRoundSize, static_cast<size_t>(std::max(jobs, 1)) * 4);
}

size_t TBatchRunner::FirstRoundSize(int jobs, bool refuse_whole_start) {
    return refuse_whole_start || jobs <= 1 ? RoundSize(jobs) : static_cast<size_t>(jobs);
}

namespace {

// The tasks the descriptors left free can hold: each keeps its input open
// until it runs, and a running one opens its output and a few more.
size_t RoundWithinDescriptors(size_t wanted, int jobs) {
    rlimit limit{};
    std::error_code error;
    std::filesystem::directory_iterator open_files("/proc/self/fd", error);
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || error) {
        return wanted;
    }
    const auto open = static_cast<rlim_t>(std::distance(open_files, {}));
    const rlim_t reserve = open + 4 * static_cast<rlim_t>(jobs) + 8;
    const rlim_t room = limit.rlim_cur > reserve ? limit.rlim_cur - reserve : 0;
    return std::clamp<size_t>(static_cast<size_t>(room), 1, wanted);
}

}  // namespace

TStartResult TBatchRunner::Start(std::vector<TBatchInput> files, const TJobRequest& request,
                                 int jobs, TBatchEvents events, bool refuse_whole_start) {
    items_.clear();
    items_.reserve(files.size());
    for (TBatchInput& file : files) {
        TItem item;
        item.Input = std::move(file.Path);
        item.Source = std::move(file.Source);
        items_.push_back(std::move(item));
    }
    events_ = std::move(events);
    request_ = request;
    jobs_ = std::max(jobs, 1);
    refuse_whole_start_ = refuse_whole_start;
    names_.clear();
    rounds_ = {};
    newest_ = 0;
    tasks_started_ = 0;
    samples_.clear();
    media_left_.reset();
    next_ = 0;
    ended_ = 0;
    left_ = items_.size();
    tasks_built_ = 0;
    media_before_round_ = 0;
    paused_ = false;
    stopping_ = false;
    building_ = false;
    generation_ = std::make_shared<int>(0);
    Connect(0);

    switch (BuildFirstRound()) {
        case TBuilt::Refused:
            converter_.ClearTasks();
            generation_.reset();
            return TStartResult::Refused;
        case TBuilt::Empty:
            generation_.reset();
            return TStartResult::NothingToDo;
        case TBuilt::Built:
            break;
    }
    active_ = true;
    samples_.emplace_back(Clock::now(), 0);
    StartRound();
    Advance();
    return TStartResult::Started;
}

void TBatchRunner::Connect(size_t round) {
    TCustomFFConverter& converter = Converter(round);
    const std::weak_ptr<int> alive = generation_;
    // The batch only takes note of a report: its task need not wait for that.
    converter.SetProgressWaits(false);
    converter.SetOnProgress([this, alive, round](TFFBaseComponent*, PProgressInfo info) {
        if (alive.lock()) {
            OnProgress(round, *info);
        }
    });
    // Ends come on the component's own thread; the batch is the main
    // thread's, and takes them in the order they came.
    converter.SetOnTerminate([this, alive, round](TFFBaseComponent*, TTerminateInfo info) {
        MainThread()->PostToMainThread([this, alive, round, info = std::move(info)] {
            if (alive.lock()) {
                OnTerminate(round, info);
            }
        });
    });
}

TBatchRunner::TBuilt TBatchRunner::BuildFirstRound() {
    converter_.ClearTasks();
    std::vector<TTaskOf>& tasks = rounds_[newest_].Tasks;
    round_size_ = RoundWithinDescriptors(FirstRoundSize(jobs_, refuse_whole_start_), jobs_);
    // A stopping process ends the batch; its files are not failures.
    while (tasks.size() < round_size_ && next_ < items_.size() && !ProcessStopRequested()) {
        if (!BuildTask(next_++, true)) {
            return TBuilt::Refused;
        }
    }
    return tasks.empty() ? TBuilt::Empty : TBuilt::Built;
}

TSourcePtr TBatchRunner::CurrentSource(size_t index) {
    TItem& item = items_[index];
    // What was read of the file when it was listed, unless it changed since.
    TSourcePtr source = std::move(item.Source);
    if (source != nullptr && SourceStillCurrent(*source)) {
        return source;
    }
    std::string error;
    source = ProbeSource(converter_.Probe(), item.Input, error);
    if (source == nullptr && !ProcessStopRequested()) {  // when stopped: given up, not unreadable
        SetItemState(item, TItemState::Skipped);
        if (events_.BuildFailed) {
            events_.BuildFailed(index, TBuildFailure::Load, error);
        }
    }
    return source;
}

std::string TBatchRunner::BuildJobs(const TJobRequest& request, const TSourceFile& source,
                                    std::vector<TPiece>& pieces, std::vector<TJob>& jobs) {
    try {
        pieces = PiecesOfFile(request, &source, source.Duration);
        if (pieces.empty()) {
            jobs.push_back(BuildJob(request, names_, &source));
        }
        for (const TPiece& piece : pieces) {
            TJobRequest one = request;
            one.Piece = piece;
            jobs.push_back(BuildJob(one, names_, &source));
        }
    } catch (const EJobError& error) {
        return error.what();
    }
    return {};
}

void TBatchRunner::SetParts(TItem& item, const std::vector<TPiece>& pieces,
                            const std::vector<TJob>& jobs, int64_t duration) {
    item.Parts.clear();
    for (size_t n = 0; n < jobs.size(); ++n) {
        TPart part;
        part.Length = pieces.empty() ? duration : PieceLength(pieces[n], duration);
        part.Output = jobs[n].Output.FileName;
        part.State = jobs[n].AlreadyDone ? TItemState::Done : TItemState::Built;
        item.Parts.push_back(std::move(part));
    }
    if (!pieces.empty()) {
        int64_t length = 0;
        for (const TPart& part : item.Parts) {
            length = length < 0 || part.Length < 0 ? -1 : length + part.Length;
        }
        item.Duration = length;
    }
}

bool TBatchRunner::BuildTask(size_t index, bool first) {
    TItem& item = items_[index];
    // A file that went away since it was listed is passed over silently.
    if (!WideFileExists(item.Input)) {
        SetItemState(item, TItemState::Skipped);
        return true;
    }
    const TSourcePtr source = CurrentSource(index);
    if (source == nullptr) {
        return true;
    }
    TJobRequest request = request_;
    request.SourceFileName = source->FileName;
    request.SourceFormatName = source->FormatName;
    item.Duration = source->Duration;
    std::string unfit;
    if (events_.Prepare) {
        unfit = events_.Prepare(index, *source, request);
    }
    ResolveAudioTrack(source.get(), request);
    std::vector<TPiece> pieces;
    std::vector<TJob> jobs;
    if (unfit.empty()) {
        unfit = BuildJobs(request, *source, pieces, jobs);
    }
    if (!unfit.empty()) {
        if (events_.BuildFailed) {
            events_.BuildFailed(index, TBuildFailure::Request, unfit);
        }
        SetItemState(item, TItemState::Failed);
        ++ended_;
        return true;
    }
    SetParts(item, pieces, jobs, source->Duration);
    return AddTasks(index, first, jobs);
}

bool TBatchRunner::AddTasks(size_t index, bool first, std::vector<TJob>& jobs) {
    TCustomFFConverter& converter = Converter(newest_);
    const size_t round_before = rounds_[newest_].Tasks.size();
    std::vector<std::string> warnings;
    for (size_t n = 0; n < jobs.size(); ++n) {
        TJob& job = jobs[n];
        if (job.AlreadyDone) {
            continue;
        }
        if (const auto failure = AddJob(index, n, job)) {
            return RefuseTasks(index, first, round_before, *failure, converter.LastError());
        }
        if (!job.Warning.empty() &&
            std::find(warnings.begin(), warnings.end(), job.Warning) == warnings.end()) {
            warnings.push_back(job.Warning);
        }
    }
    ItemBuilt(index, round_before, warnings);
    return true;
}

std::optional<TBuildFailure> TBatchRunner::AddJob(size_t index, size_t n, TJob& job) {
    TCustomFFConverter& converter = Converter(newest_);
    const int task = converter.AddTask(job.Input.FileName, &job.Input);
    if (task < 0) {
        return TBuildFailure::Open;
    }
    rounds_[newest_].Tasks.push_back({index, n});
    for (TInputOptions& more : job.MoreInputs) {
        if (!converter.AddInputFile(task, more.FileName, &more)) {
            return TBuildFailure::Open;
        }
    }
    if (!converter.SetOutputFile(task, job.Output.FileName, &job.Output)) {
        return TBuildFailure::Output;
    }
    TPart& part = items_[index].Parts[n];
    part.MadeFiles = std::move(job.MadeFiles);
    part.Copied = job.Output.AudioCodec == "copy";
    part.Engine = converter.Task(task);
    if (!job.FreeformTags.empty() && part.Engine != nullptr) {
        part.Engine->SetOutputFinisher(
            [tags = std::move(job.FreeformTags)](const std::string& partial) {
                return AddFreeformTags(partial, tags);
            });
    }
    return std::nullopt;
}

// A refusal takes back the file's tasks of this round: it fails whole.
bool TBatchRunner::RefuseTasks(size_t index, bool first, size_t round_before, TBuildFailure kind,
                               const std::string& error) {
    TCustomFFConverter& converter = Converter(newest_);
    std::vector<TTaskOf>& round = rounds_[newest_].Tasks;
    while (round.size() > round_before) {
        converter.RemoveTask(static_cast<int>(round.size()) - 1);
        round.pop_back();
    }
    if (ProcessStopRequested()) {
        return true;
    }
    if (events_.BuildFailed) {
        events_.BuildFailed(index, kind, error);
    }
    if (first && refuse_whole_start_) {
        return false;
    }
    TItem& item = items_[index];
    SetItemState(item, TItemState::Failed);
    ++ended_;
    return true;
}

void TBatchRunner::ItemBuilt(size_t index, size_t round_before,
                             const std::vector<std::string>& warnings) {
    TItem& item = items_[index];
    item.Output = item.Parts.empty() ? std::string() : item.Parts.front().Output;
    item.TaskNumber = tasks_built_++;
    if (rounds_[newest_].Tasks.size() == round_before) {
        // Every output is there already.
        SetItemState(item, TItemState::Done);
        ++ended_;
        if (events_.AlreadyDone) {
            events_.AlreadyDone(index, Outputs(index));
        }
        return;
    }
    SetItemState(item, TItemState::Built);
    if (events_.Added) {
        events_.Added(index, item.Output);
    }
    for (const std::string& warning : warnings) {
        if (events_.Warned) {
            events_.Warned(index, warning);
        }
    }
}

bool TBatchRunner::Copied(size_t item) const {
    const std::vector<TPart>& parts = items_[item].Parts;
    return !parts.empty() &&
           std::all_of(parts.begin(), parts.end(), [](const TPart& part) { return part.Copied; });
}

std::vector<std::string> TBatchRunner::Outputs(size_t item) const {
    std::vector<std::string> outputs;
    for (const TPart& part : items_[item].Parts) {
        outputs.push_back(part.Output);
    }
    return outputs;
}

void TBatchRunner::StartRound() {
    TRound& round = rounds_[newest_];
    round.Base = tasks_started_;
    tasks_started_ += static_cast<int32_t>(round.Tasks.size());
    round.Ended = 0;
    round.Limit = RunningLimit();
    round.Live = true;
    // The codecs share the processors among all the jobs, whichever round
    // their tasks are of.
    TCustomFFConverter& converter = Converter(newest_);
    converter.StartTask(jobs_, round.Limit);
    if (paused_) {
        converter.Pause();
    }
}

int TBatchRunner::RunningLimit() const {
    const TRound& older = rounds_[1 - newest_];
    // Every task of the older round has started; those whose ends were not
    // taken yet still count, so that never more than the jobs run.
    const size_t running = older.Live ? older.Tasks.size() - older.Ended : 0;
    // jobs_ is at least 1 (Start), so neither cast changes the value.
    const auto jobs = static_cast<size_t>(jobs_);
    return static_cast<int>(jobs - std::min(running, jobs));
}

void TBatchRunner::Advance() {
    // A pause holds the starts as well: a task started now would run.
    if (!active_ || stopping_ || paused_) {
        return;
    }
    // Waiting for the component's lock serves the main thread's other work,
    // ends among it: the limit they call for is set by this loop once the
    // call returns, not by a call from inside it that this one would undo.
    if (!limiting_) {
        limiting_ = true;
        while (active_ && !stopping_ && !paused_ && rounds_[newest_].Live &&
               RunningLimit() != rounds_[newest_].Limit) {
            rounds_[newest_].Limit = RunningLimit();
            Converter(newest_).SetRunningLimit(rounds_[newest_].Limit);
        }
        limiting_ = false;
        if (!active_ || stopping_ || paused_) {
            return;
        }
    }
    // One job has no room beside a round's last task; two rounds running
    // are all there may be; with none, the end of the last builds the next.
    // The next round is built as soon as the one running has started, not
    // when its last task has: building a round of short files takes longer
    // than its last tasks run, and the jobs would wait for it.
    if (jobs_ == 1 || building_ || next_ >= items_.size() || ProcessStopRequested() ||
        rounds_[0].Live == rounds_[1].Live) {
        return;
    }
    BeginRound(rounds_[0].Live ? 1 : 0);
}

size_t TBatchRunner::ItemOfTask(int32_t TaskIndex) const {
    for (const TRound& round : rounds_) {
        if (round.Live && TaskIndex >= round.Base &&
            static_cast<size_t>(TaskIndex - round.Base) < round.Tasks.size()) {
            return round.Tasks[static_cast<size_t>(TaskIndex - round.Base)].Item;
        }
    }
    return items_.size();
}

void TBatchRunner::UpdateItemProgress(TItem& item) const {
    int64_t position = 0;
    int64_t duration = 0;
    for (const TPart& part : item.Parts) {
        const bool done = part.State == TItemState::Finished || part.State == TItemState::Done;
        position += done ? std::max<int64_t>(part.Length, 0) : part.Position;
        duration = duration < 0 || part.Length < 0 ? -1 : duration + part.Length;
    }
    item.Position = position;
    if (duration > 0) {
        item.Duration = duration;
    }
    item.Percent = item.Duration > 0 ? static_cast<int32_t>(position * 100 / item.Duration) : 0;
}

void TBatchRunner::OnProgress(size_t round, const TProgressInfo& reported) {
    const TRound& tasks = rounds_[round];
    if (!tasks.Live || reported.TaskIndex < 0 ||
        static_cast<size_t>(reported.TaskIndex) >= tasks.Tasks.size()) {
        return;
    }
    const TTaskOf task = tasks.Tasks[static_cast<size_t>(reported.TaskIndex)];
    TProgressInfo info = reported;
    info.TaskIndex += tasks.Base;
    TItem& item = items_[task.Item];
    TPart& part = item.Parts[task.Part];
    if (item.State == TItemState::Built) {
        SetItemState(item, TItemState::Running);
        if (events_.Started) {
            events_.Started(task.Item);
        }
    }
    if (part.State == TItemState::Built) {
        part.State = TItemState::Running;
    }
    if (item.Parts.size() == 1) {
        item.Position = part.Position = info.Time;
        // A measuring pass before the conversion makes the task longer than the file.
        if (info.TotalDuration > item.Duration) {
            item.Duration = part.Length = info.TotalDuration;
        }
        item.Percent =
            info.TotalDuration > 0 ? static_cast<int32_t>(info.Time * 100 / info.TotalDuration) : 0;
        if (events_.Progress) {
            events_.Progress(task.Item, info);
        }
        return;
    }
    // A piece's time counts from its own start.
    part.Position = part.Length > 0 ? std::clamp<int64_t>(info.Time, 0, part.Length)
                                    : std::max<int64_t>(info.Time, 0);
    UpdateItemProgress(item);
    if (events_.Progress) {
        TProgressInfo whole = info;
        whole.Time = item.Position;
        whole.TotalDuration = item.Duration;
        events_.Progress(task.Item, whole);
    }
}

void TBatchRunner::OnTerminate(size_t round, const TTerminateInfo& reported) {
    if (reported.TaskIndex < 0) {
        RoundOver(round);
        return;
    }
    TRound& tasks = rounds_[round];
    if (!tasks.Live || static_cast<size_t>(reported.TaskIndex) >= tasks.Tasks.size()) {
        return;
    }
    ++tasks.Ended;
    TTerminateInfo info = reported;
    info.TaskIndex += tasks.Base;
    const std::weak_ptr<int> alive = generation_;
    TaskEnded(tasks.Tasks[static_cast<size_t>(reported.TaskIndex)], info);
    if (alive.lock()) {
        Advance();
    }
}

void TBatchRunner::TaskEnded(TTaskOf task, const TTerminateInfo& info) {
    TItem& item = items_[task.Item];
    TPart& part = item.Parts[task.Part];
    if (item.State == TItemState::Built && (info.Finished || info.Failed) && events_.Started) {
        SetItemState(item, TItemState::Running);
        events_.Started(task.Item);
    }
    EndPart(part, info);
    if (item.Parts.size() == 1) {
        SetItemState(item, part.State);
        if (info.Finished && !info.Failed) {
            item.Output = part.Output;
            item.Position = std::max(item.Position, item.Duration);
        }
        if (info.Finished || info.Failed) {
            ++ended_;
        }
        if (events_.Ended) {
            events_.Ended(task.Item, info);
        }
        return;
    }
    PiecesEnded(task.Item, info);
}

void TBatchRunner::EndPart(TPart& part, const TTerminateInfo& info) {
    if (info.Finished && !info.Failed) {
        part.State = TItemState::Finished;
        if (!info.OutputFiles.empty()) {
            part.Output = info.OutputFiles.front();
        }
    } else if (info.Failed) {
        part.State = TItemState::Failed;
        part.Error = info.ErrorMessage;
    } else {
        part.State = TItemState::Stopped;
    }
    if (info.Finished || info.Failed) {
        part.MadeFiles.reset();
    }
}

void TBatchRunner::PiecesEnded(size_t index, const TTerminateInfo& info) {
    TItem& item = items_[index];
    UpdateItemProgress(item);
    for (const TPart& other : item.Parts) {
        if (other.State == TItemState::Built || other.State == TItemState::Running) {
            return;  // the file's other pieces are still to come
        }
    }
    TTerminateInfo whole = info;
    whole.OutputFiles.clear();
    bool failed = false;
    bool stopped = false;
    for (const TPart& other : item.Parts) {
        if (other.State == TItemState::Failed && !failed) {
            failed = true;
            whole.ErrorMessage = other.Error;
        }
        stopped = stopped || other.State == TItemState::Stopped;
        if (other.State == TItemState::Finished || other.State == TItemState::Done) {
            whole.OutputFiles.push_back(other.Output);
        }
    }
    whole.Failed = failed;
    whole.Finished = !failed && !stopped;
    SetItemState(item, failed    ? TItemState::Failed
                       : stopped ? TItemState::Stopped
                                 : TItemState::Finished);
    item.Output = item.Parts.front().Output;
    if (!stopped || failed) {
        ++ended_;
    }
    if (events_.Ended) {
        events_.Ended(index, whole);
    }
}

void TBatchRunner::RoundOver(size_t round) {
    TRound& over = rounds_[round];
    if (!active_ || !over.Live) {
        return;
    }
    media_before_round_ += RoundMedia(over);
    over = {};
    Converter(round).ClearTasks();
    if (rounds_[1 - round].Live) {
        // The other round goes on alone: with every job, or beside the next.
        Advance();
        return;
    }
    if (building_) {
        return;  // the next round starts once it is built
    }
    if (stopping_ || next_ >= items_.size()) {
        Finish();
        return;
    }
    BeginRound(jobs_ > 1 ? 1 - round : round);
}

void TBatchRunner::BeginRound(size_t round) {
    if (round == 1) {
        if (!second_) {
            second_ = std::make_unique<TCustomFFConverter>();
        }
        // What the front end set on its component. Hook and preview handlers
        // cannot be read back; the front ends set none.
        second_->SetPreview(converter_.Preview());
        second_->SetPreviewBitmap(converter_.PreviewBitmap());
        second_->SetProgressInterval(converter_.ProgressInterval());
        second_->SetThreadPriority(converter_.ThreadPriority());
        second_->SetTriggerEventInMainThread(converter_.TriggerEventInMainThread());
        second_->SetKeepUnfinishedOutputs(converter_.KeepUnfinishedOutputs());
    }
    Connect(round);
    Converter(round).ClearTasks();
    rounds_[round] = {};
    newest_ = round;
    round_size_ = RoundWithinDescriptors(RoundSize(jobs_), jobs_);
    building_ = true;
    ContinueRound();
}

void TBatchRunner::ContinueRound() {
    // A round is built in slices between which the main thread serves its
    // other work: opening a round's files at once could hold it too long.
    const Clock::time_point slice_end = Clock::now() + kBuildSlice;
    const std::weak_ptr<int> alive = generation_;
    const size_t size = round_size_;
    const std::vector<TTaskOf>& tasks = rounds_[newest_].Tasks;
    while (!stopping_ && tasks.size() < size && next_ < items_.size() && Clock::now() < slice_end &&
           !ProcessStopRequested()) {
        BuildTask(next_++, false);
        if (!alive.lock()) {
            return;  // a handler ended the batch
        }
    }
    if (!building_) {
        return;  // a handler stopped the batch, and the stop saw to the rest
    }
    if (!stopping_ && tasks.size() < size && next_ < items_.size() && !ProcessStopRequested()) {
        MainThread()->PostToMainThread([this, alive] {
            if (alive.lock() && building_) {
                ContinueRound();
            }
        });
        return;
    }
    building_ = false;
    if (stopping_ || tasks.empty()) {
        // With a round still running, its end finishes the batch.
        if (!rounds_[1 - newest_].Live) {
            Finish();
        }
        return;
    }
    StartRound();
    Advance();
}

void TBatchRunner::Finish() {
    if (!active_) {
        return;
    }
    active_ = false;
    rounds_ = {};
    // The tasks take their unfinished outputs along, and nothing else.
    converter_.ClearTasks();
    if (second_) {
        second_->ClearTasks();
    }
    for (TItem& item : items_) {
        for (TPart& part : item.Parts) {
            part.MadeFiles.reset();
        }
    }
    if (events_.Over) {
        events_.Over(stopping_);
    }
}

void TBatchRunner::Pause() {
    paused_ = true;
    for (size_t round = 0; round < rounds_.size(); ++round) {
        if (rounds_[round].Live) {
            Converter(round).Pause();
        }
    }
    samples_.clear();
}

void TBatchRunner::Resume() {
    paused_ = false;
    for (size_t round = 0; round < rounds_.size(); ++round) {
        if (rounds_[round].Live) {
            Converter(round).Resume();
        }
    }
    // Speed is that of the last seconds of work, not of the pause.
    samples_.clear();
    samples_.emplace_back(Clock::now(), MediaDone());
    // What the older round left while paused is the newer one's now.
    Advance();
}

void TBatchRunner::Stop(bool Wait) {
    if (!active_) {
        return;
    }
    stopping_ = true;
    if (building_) {
        // Its tasks never started; they go, taking their outputs along.
        building_ = false;
        rounds_[newest_] = {};
        Converter(newest_).ClearTasks();
    }
    if (!rounds_[0].Live && !rounds_[1].Live) {
        // Nothing runs, so no end would come to finish it.
        Finish();
        return;
    }
    if (Wait && rounds_[0].Live && rounds_[1].Live) {
        // Neither round starts a task while the other is waited for.
        converter_.Stop(false);
        second_->Stop(false);
    }
    for (size_t round = 0; round < rounds_.size(); ++round) {
        if (rounds_[round].Live) {
            Converter(round).Stop(Wait);
        }
    }
    if (Wait) {
        // The ends were handed over while waiting; take them now.
        MainThread()->ProcessPendingMessages();
    }
}

void TBatchRunner::Poll() {
    if (!active_) {
        return;
    }
    for (const TRound& round : rounds_) {
        if (!round.Live) {
            continue;
        }
        for (const TTaskOf& task : round.Tasks) {
            TItem& item = items_[task.Item];
            const TFFmpegTask* engine = item.Parts[task.Part].Engine;
            if (item.State == TItemState::Built && engine != nullptr &&
                (engine->Running() || engine->Terminated())) {
                SetItemState(item, TItemState::Running);
                if (events_.Started) {
                    events_.Started(task.Item);
                }
            }
        }
    }
    if (paused_) {
        return;
    }
    const Clock::time_point now = Clock::now();
    samples_.emplace_back(now, MediaDone());
    while (samples_.size() > 2 && now - samples_[1].first > kSpeedWindow) {
        samples_.pop_front();
    }
}

size_t TBatchRunner::RunningTasks() const {
    size_t running = 0;
    for (const TRound& round : rounds_) {
        if (!round.Live) {
            continue;
        }
        // A round starts its tasks in order: read from the last, a task that
        // ends meanwhile and the one that takes its place count once at most.
        for (auto task = round.Tasks.rbegin(); task != round.Tasks.rend(); ++task) {
            const TFFmpegTask* engine = items_[task->Item].Parts[task->Part].Engine;
            if (engine != nullptr && engine->Running()) {
                ++running;
            }
        }
    }
    return running;
}

int64_t TBatchRunner::RoundMedia(const TRound& round) const {
    int64_t media = 0;
    const std::vector<TTaskOf>& tasks = round.Tasks;
    for (size_t n = 0; n < tasks.size(); ++n) {
        // A file's share, once for all of its pieces in the round.
        if (n == 0 || tasks[n].Item != tasks[n - 1].Item) {
            media += std::max<int64_t>(items_[tasks[n].Item].Position, 0);
        }
    }
    return media;
}

int64_t TBatchRunner::MediaDone() const {
    return media_before_round_ + RoundMedia(rounds_[0]) + RoundMedia(rounds_[1]);
}

int TBatchRunner::TotalPercent() const {
    if (items_.empty()) {
        return 0;
    }
    const auto n = static_cast<int64_t>(items_.size());
    int64_t total = static_cast<int64_t>(ended_) * 100 / n;
    for (const TRound& round : rounds_) {
        const std::vector<TTaskOf>& tasks = round.Tasks;
        for (size_t task = 0; task < tasks.size(); ++task) {
            const size_t index = tasks[task].Item;
            if ((task == 0 || index != tasks[task - 1].Item) &&
                items_[index].State == TItemState::Running) {
                total += items_[index].Percent / n;
            }
        }
    }
    return static_cast<int>(total);
}

double TBatchRunner::Speed() const {
    if (samples_.size() < 2) {
        return 0.0;
    }
    const double wall =
        std::chrono::duration<double>(samples_.back().first - samples_.front().first).count();
    if (wall < 0.5) {
        return 0.0;
    }
    const auto media = static_cast<double>(samples_.back().second - samples_.front().second);
    return std::max(media, 0.0) / 1e6 / wall;
}

void TBatchRunner::SetItemState(TItem& item, TItemState state) {
    const auto left = [](TItemState s) {
        return s == TItemState::Waiting || s == TItemState::Built || s == TItemState::Running;
    };
    left_ = left_ + (left(state) ? 1 : 0) - (left(item.State) ? 1 : 0);
    item.State = state;
}

double TBatchRunner::SecondsLeft() const {
    const double speed = Speed();
    if (speed <= 0.0) {
        return -1.0;
    }
    // A pass over the whole batch, and the window asks at every file's end:
    // a sum a moment old estimates as well.
    const Clock::time_point now = Clock::now();
    if (!media_left_ || now - media_left_->first > kMediaLeftAge) {
        media_left_ = {now, MediaLeft()};
    }
    const int64_t left = media_left_->second;
    return left < 0 ? -1.0 : static_cast<double>(left) / 1e6 / speed;
}

int64_t TBatchRunner::MediaLeft() const {
    // Files not probed yet are taken to be as long as those that were.
    int64_t known = 0;
    int64_t known_count = 0;
    for (const TItem& item : items_) {
        if (item.Duration > 0) {
            known += item.Duration;
            ++known_count;
        }
    }
    if (known_count == 0) {
        return -1;
    }
    const int64_t average = known / known_count;
    int64_t left = 0;
    for (const TItem& item : items_) {
        switch (item.State) {
            case TItemState::Waiting:
                left += item.Duration > 0 ? item.Duration : average;
                break;
            case TItemState::Built:
            case TItemState::Running:
                left += std::max<int64_t>((item.Duration > 0 ? item.Duration : average) -
                                              std::max<int64_t>(item.Position, 0),
                                          0);
                break;
            default:
                break;
        }
    }
    return left;
}

std::string TBatchRunner::StatusText() const {
    return BatchStatusText(ended_, items_.size(), Speed(), SecondsLeft());
}

}  // namespace v2m
