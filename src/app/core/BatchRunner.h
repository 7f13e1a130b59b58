#pragma once
// One batch of conversions, for the window and the command-line front end
// alike: the files of the list become tasks round by round (so memory and
// open files stay those of one round, however long the list), several may
// run at once, every task is mapped back to its file, and progress, speed
// and time left are kept for the whole batch.
//
// With several jobs the rounds take turns on two components, the front end's
// and a second one like it: the next round is built while the current one
// runs, and its tasks start as those of the current one end, so that as
// many tasks run as there are jobs while files are left, never more.
// Memory and open files are then those of two rounds.
//
// Everything here runs on the main thread (the thread that installed the
// main-thread services): the events, Start, Pause, Resume, Stop and Poll.

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "FFConverter.h"
#include "JobBuilding.h"
#include "SourceFile.h"

namespace v2m {

// How a file of the batch ended.
// Done: every output it would write is there already, complete (SkipExisting).
enum class TItemState { Waiting, Skipped, Built, Running, Finished, Failed, Stopped, Done };

// Why a file could not become a task; the front ends word each their way.
enum class TBuildFailure {
    Load,     // the probe cannot read it
    Open,     // AddTask refused it
    Output,   // SetOutputFile refused it
    Request,  // the front end's per-file settings do not fit it
};

struct TBatchEvents {
    // Adjusts the request to one file (its audio track, its output folder)
    // from what was read of it; a returned text fails the file alone.
    std::function<std::string(size_t item, const TSourceFile& file, TJobRequest& request)> Prepare;
    // A file that vanished or cannot be read is passed over.
    std::function<void(size_t item, TBuildFailure kind, const std::string& error)> BuildFailed;
    // The file is a task now (or, split, several); its first output's name as chosen.
    std::function<void(size_t item, const std::string& output)> Added;
    // Nothing to do for the file: its outputs are there already.
    std::function<void(size_t item, const std::vector<std::string>& outputs)> AlreadyDone;
    // The task leaves out something of the file (a damaged cover); it still runs.
    std::function<void(size_t item, const std::string& warning)> Warned;
    std::function<void(size_t item)> Started;
    // For a file split into pieces, Time and TotalDuration are the whole
    // file's: every piece counts. The TaskIndex of these infos, as of those
    // of Ended, numbers the tasks of the batch (ItemOfTask maps it back), not
    // those of one component.
    std::function<void(size_t item, const TProgressInfo& info)> Progress;
    // Once per file, when its last task ended. OutputFiles of the info holds
    // the names the outputs were written under, in the order of the pieces;
    // a file fails when one of its pieces does.
    std::function<void(size_t item, const TTerminateInfo& info)> Ended;
    // The whole batch is over, stopped or not.
    std::function<void(bool stopped)> Over;
};

// A file of a batch, with what was read of it when it was listed: it is
// opened again only when that is missing or the file changed since.
struct TBatchInput {
    // A path alone: the file is read when its task is built.
    TBatchInput(std::string path, TSourcePtr source = nullptr)
        : Path(std::move(path)), Source(std::move(source)) {}
    std::string Path;
    TSourcePtr Source;
};

enum class TStartResult {
    Started,
    NothingToDo,  // no file became a task
    Refused,      // the first round could not be built: nothing runs
};

class TBatchRunner {
public:
    using Clock = std::chrono::steady_clock;

    explicit TBatchRunner(TCustomFFConverter& converter);
    ~TBatchRunner();
    TBatchRunner(const TBatchRunner&) = delete;
    TBatchRunner& operator=(const TBatchRunner&) = delete;

    // A round holds at most this many tasks: max(16, 4 x jobs), fewer when
    // the open-file limit leaves no room for as many inputs (at least one).
    // With several jobs two rounds may exist at a time.
    static size_t RoundSize(int jobs);
    // The first round: a full one where a refusal in it ends the whole start
    // (or with one job); otherwise one task per job, so the jobs begin at
    // once and the next round is built beside them.
    static size_t FirstRoundSize(int jobs, bool refuse_whole_start);

    // `request` is filled per file with its name and format as probed. When
    // `refuse_whole_start` holds, a file of the first round that AddTask or
    // SetOutputFile refuses ends the start (nothing runs); otherwise, and in
    // later rounds, it fails alone.
    TStartResult Start(std::vector<TBatchInput> files, const TJobRequest& request, int jobs,
                       TBatchEvents events, bool refuse_whole_start);
    void Pause();
    void Resume();
    // Ends the batch: running tasks stop, no further round is built; the Over
    // event follows (within this call when waiting).
    void Stop(bool Wait);
    // Announces tasks that have started and takes a speed sample; call it
    // now and then (a few times a second).
    void Poll();

    bool Active() const { return active_; }
    int Jobs() const { return jobs_; }
    bool Paused() const { return paused_; }
    size_t Count() const { return items_.size(); }
    TItemState State(size_t item) const { return items_[item].State; }
    // The tasks converting at this moment, of every round: never more than
    // the jobs.
    size_t RunningTasks() const;
    // Files that ended (finished or failed), and the files of the batch.
    size_t EndedCount() const { return ended_; }
    // Files waiting, built or running; kept as states change, since the
    // window asks at every progress event.
    size_t LeftCount() const { return left_; }
    // The window's total: every ended task counts 100, a running one its
    // percentage, each divided by the number of files.
    int TotalPercent() const;
    // Media time converted per second of wall time over the last seconds; 0
    // while unknown.
    double Speed() const;
    // Seconds until the batch is over at that speed; negative while unknown.
    double SecondsLeft() const;
    // The file a task converts, by the TaskIndex of the events above;
    // Count() when its round is over, or none has it.
    size_t ItemOfTask(int32_t TaskIndex) const;
    // How many tasks the batch built before this file's: the place of its
    // task had every task been in one list.
    int32_t TaskNumber(size_t item) const { return items_[item].TaskNumber; }
    const std::string& Output(size_t item) const { return items_[item].Output; }
    // Every output of the file, a split's pieces in order.
    std::vector<std::string> Outputs(size_t item) const;
    // Every task of the file copies the audio packets, none encodes them.
    bool Copied(size_t item) const;
    // How many outputs the file gives: its pieces; 0 until it is built.
    size_t PieceCount(size_t item) const { return items_[item].Parts.size(); }
    // The file's length in microseconds as the probe found it (-1: unknown),
    // until a report says its task is longer (a measuring pass).
    int64_t Duration(size_t item) const { return items_[item].Duration; }
    // "3 of 120 files - 45x real time - about 2 min left".
    std::string StatusText() const;

private:
    // One task of a file: the whole file, or one of its pieces.
    struct TPart {
        std::string Output;
        TItemState State = TItemState::Built;
        int64_t Length = -1;   // microseconds; -1: unknown
        int64_t Position = 0;  // microseconds reached
        TFFmpegTask* Engine = nullptr;
        std::shared_ptr<TCoverFolder> MadeFiles;  // kept while its task may read them
        std::string Error;
        bool Copied = false;
    };
    struct TItem {
        std::string Input;
        std::string Output;
        TItemState State = TItemState::Waiting;
        int64_t Duration = -1;  // microseconds
        int64_t Position = 0;   // microseconds reached
        int32_t Percent = 0;
        int32_t TaskNumber = -1;
        std::vector<TPart> Parts;
        TSourcePtr Source;  // until its task is built
    };
    struct TTaskOf {
        size_t Item = 0;
        size_t Part = 0;
    };
    // A round on one of the two components.
    struct TRound {
        std::vector<TTaskOf> Tasks;  // item and piece by the component's task index
        int32_t Base = 0;            // the batch's number of its first task
        size_t Ended = 0;            // ends of its tasks taken so far
        int Limit = 0;               // how many of its tasks may run at once
        bool Live = false;           // started, and its final notification not taken
    };

    enum class TBuilt { Built, Empty, Refused };
    TCustomFFConverter& Converter(size_t round) { return round == 0 ? converter_ : *second_; }
    void Connect(size_t round);
    TBuilt BuildFirstRound();
    // One file; false when the whole start is refused.
    bool BuildTask(size_t index, bool first);
    // The parts of BuildTask. CurrentSource: the file as listed or probed
    // again, null when it is passed over (its state and event set);
    // BuildJobs: the jobs of the file's request and its pieces, or why it
    // cannot be converted; SetParts: a part of the item for each job.
    TSourcePtr CurrentSource(size_t index);
    std::string BuildJobs(const TJobRequest& request, const TSourceFile& source,
                          std::vector<TPiece>& pieces, std::vector<TJob>& jobs);
    static void SetParts(TItem& item, const std::vector<TPiece>& pieces,
                         const std::vector<TJob>& jobs, int64_t duration);
    // The jobs of a probed file; false when the whole start is refused.
    bool AddTasks(size_t index, bool first, std::vector<TJob>& jobs);
    // The parts of AddTasks. AddJob: one job's task on the newest round,
    // nothing when it is added, else what failed (the converter says why);
    // RefuseTasks: the file's tasks of this round taken back, false when
    // the whole start is refused; ItemBuilt: the file's state and events
    // once its tasks are added.
    std::optional<TBuildFailure> AddJob(size_t index, size_t n, TJob& job);
    bool RefuseTasks(size_t index, bool first, size_t round_before, TBuildFailure kind,
                     const std::string& error);
    void ItemBuilt(size_t index, size_t round_before, const std::vector<std::string>& warnings);
    void SetItemState(TItem& item, TItemState state);
    void ItemEnded(size_t index);
    void UpdateItemProgress(TItem& item) const;
    void BeginRound(size_t round);
    void ContinueRound();
    void StartRound();
    // How many tasks the newest round may run: the jobs the older one leaves.
    int RunningLimit() const;
    // Lets the newest round run what the older one leaves, and builds the
    // next round beside the one running.
    void Advance();
    void OnProgress(size_t round, const TProgressInfo& info);
    void OnTerminate(size_t round, const TTerminateInfo& info);
    void TaskEnded(TTaskOf task, const TTerminateInfo& info);
    // The parts of TaskEnded: how the part itself ended, and the file of
    // several pieces once the last of them has.
    static void EndPart(TPart& part, const TTerminateInfo& info);
    void PiecesEnded(size_t index, const TTerminateInfo& info);
    void RoundOver(size_t round);
    void Finish();
    // The media time reached by the files of a round, each counted once.
    int64_t RoundMedia(const TRound& round) const;
    int64_t MediaDone() const;
    int64_t MediaLeft() const;

    TCustomFFConverter& converter_;
    // Made when a batch with several jobs first needs it.
    std::unique_ptr<TCustomFFConverter> second_;
    TBatchEvents events_;
    TJobRequest request_;
    std::vector<TItem> items_;
    std::array<TRound, 2> rounds_;  // by component: the front end's, the second
    size_t newest_ = 0;             // the round built or being built last
    int32_t tasks_started_ = 0;     // tasks of the rounds started so far
    std::set<std::string> names_;
    size_t next_ = 0;
    size_t round_size_ = 0;  // RoundSize within the descriptors free as the round began
    size_t ended_ = 0;
    size_t left_ = 0;
    int32_t tasks_built_ = 0;
    int jobs_ = 1;
    bool refuse_whole_start_ = false;
    bool active_ = false;
    bool paused_ = false;
    bool stopping_ = false;
    bool building_ = false;  // the newest round is being built, in slices
    bool limiting_ = false;  // a running limit is being set
    // Nothing of a batch that was replaced or destroyed may act later.
    std::shared_ptr<int> generation_;

    // Media time done at moments of the last seconds, for the speed.
    std::deque<std::pair<Clock::time_point, int64_t>> samples_;
    // The media left to convert, in microseconds (-1: unknown), and when it
    // was summed.
    static constexpr auto kMediaLeftAge = std::chrono::milliseconds(250);
    mutable std::optional<std::pair<Clock::time_point, int64_t>> media_left_;
    int64_t media_before_round_ = 0;  // of tasks of earlier rounds
};

// "%d of %d files - %sx real time - about %s left", leaving out what is not
// known yet.
std::string BatchStatusText(size_t ended, size_t total, double speed, double seconds_left);

}  // namespace v2m
