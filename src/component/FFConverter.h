#pragma once
// The conversion component: a list of tasks, each one engine with its input
// and output files, described by plain records; running them one after another
// or on worker threads; pause, resume and stop; and the progress, terminate,
// hook and preview events.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "AVProbe.h"
#include "Bitmap24.h"
#include "FFBaseComponent.h"
#include "FFmpeg.h"

namespace v2m {

// Misuse while a run is in progress: "Cannot %s while working." and "Cannot
// ClearTasks while working.". Everything else reports by result and LastError.
class EFFConverterError : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// A colour value: red in the lowest byte, then green, then blue. A value whose
// highest byte is set names a system colour role by its low byte (see
// ResolveColor).
using TColor = int32_t;
inline constexpr TColor kSystemColorFlag = static_cast<TColor>(0xFF000000u);

// The plain red, green and blue of a colour value; a system colour resolves
// through a fixed table of the common roles.
TColor ResolveColor(TColor color);

// A date-time value: days since 1899-12-30, the fraction being the time of day.
using TDateTime = double;

// One input file of a task. Every field has a "not set" default.
struct TInputOptions {
    std::string FileName;    // empty: the name given to AddTask
    std::string FileFormat;  // "f"; empty: detected
    int64_t StartTime = kNoTime;
    int32_t ProgramID = -1;
    std::string ExtOptions;  // one name=value line each, applied by phase
};

// Metadata written into an output.
struct TStreamInfo {
    // 0: the time of SetOutputFile; above 0: this time; below 0: none.
    TDateTime Timestamp = -1.0;
    int32_t Year = -1;
    int32_t Track = -1;
    std::string Title;
    std::string Author;
    std::string Copyright;
    std::string Comment;
    std::string Album;
    std::string Genre;
};

// One output file of a task.
struct TOutputOptions {
    std::string FileName;  // empty: the name given to SetOutputFile
    std::string FileFormat;
    int32_t PacketSize = -1;
    int32_t MuxRate = -1;
    float MuxDelay = -1.0f;    // seconds
    float MuxPreload = -1.0f;  // seconds
    std::string AudioCodec;
    std::string AudioPreset;
    bool DisableAudio = false;
    int32_t AudioVolume = -1;  // 256: unchanged
    int32_t AudioChannels = -1;
    int32_t AudioSampleRate = -1;
    int32_t AudioBitrate = -1;  // bits per second
    int32_t AudioBitrateTolerance = -1;
    std::string AudioLanguage;
    int32_t AudioSync = 0;
    std::string AudioTag;
    std::string VideoCodec;
    std::string VideoPreset;
    bool DisableVideo = false;
    std::string FrameRate;
    std::string FrameSize;
    std::string FrameAspectRatio;
    int32_t CropTop = -1;
    int32_t CropBottom = -1;
    int32_t CropLeft = -1;
    int32_t CropRight = -1;
    int32_t PadTop = -1;
    int32_t PadBottom = -1;
    int32_t PadLeft = -1;
    int32_t PadRight = -1;
    TColor PadColor = 0;  // black
    int32_t GOPSize = -1;
    int32_t VideoBitrate = -1;
    int32_t VideoMaxRate = -1;
    int32_t VideoMinRate = -1;
    int32_t VideoBitrateTolerance = -1;
    int32_t VideoBufSize = -1;
    int32_t VideoSync = -1;
    std::string VideoTag;
    std::string VideoFilters;
    std::string VideoLanguage;
    std::string SubtitleCodec;
    std::string SubtitlePreset;
    bool DisableSubtitle = false;
    std::string SubtitleLanguage;
    bool InputSync = false;
    bool CopyTimestamps = false;
    int64_t StartTime = kNoTime;
    int64_t RecordingTime = kNoTime;
    TStreamInfo Info;
    int32_t TargetType = 0;         // 0 none, 1 "vcd", 2 "svcd", 3 "dvd"
    int32_t TargetNorm = 0;         // 0 "auto", 1 "pal", 2 "ntsc"
    int32_t TargetDefaultNorm = 1;  // 1 "pal", else "ntsc"
    bool CustomHook = false;
    bool Join = false;
    std::string ExtOptions;
};

struct TProgressInfo {
    int32_t TaskIndex = 0;
    int32_t FileIndex = 0;  // -1 in the final report
    int32_t FrameNumber = 0;
    int32_t FPS = 0;
    float Quality = 0.0f;
    float BitRate = 0.0f;  // kbit/s
    int64_t Size = 0;      // bytes
    int64_t Time = 0;      // microseconds
    int64_t TotalDuration = 0;
};
using PProgressInfo = TProgressInfo*;

struct TTerminateInfo {
    int32_t TaskIndex = 0;  // -1: the final notification
    bool Finished = false;
    bool Failed = false;
    std::string ErrorMessage;
    // The names the task's outputs were written under, once finished: a name
    // taken meanwhile by someone else moves the output to the next free one.
    std::vector<std::string> OutputFiles;
};

struct THookInfo {
    int32_t TaskIndex = 0;
    TBitmap24* Bitmap = nullptr;  // owned by the engine; the handler may draw on it
    int32_t FrameNumber = 0;
    int64_t PTS = 0;        // microseconds
    bool Update = true;     // the handler clears it to leave the frame as it was
    bool StopHook = false;  // the handler sets it to stop the hook for this task
};
using PHookInfo = THookInfo*;

struct TPreviewInfo {
    int32_t TaskIndex = 0;
    TBitmap24* Bitmap = nullptr;
    int32_t FrameNumber = 0;
    int64_t PTS = 0;
};

using TProgressEvent = std::function<void(TFFBaseComponent* Sender, PProgressInfo AProgressInfo)>;
using TTerminateEvent =
    std::function<void(TFFBaseComponent* Sender, TTerminateInfo ATerminateInfo)>;
using TCustomHookEvent = std::function<void(TFFBaseComponent* Sender, PHookInfo AHookInfo)>;
using TPreviewBitmapEvent =
    std::function<void(TFFBaseComponent* Sender, TPreviewInfo APreviewInfo)>;

class TFFmpegList;
class TCustomFFConverter;

// What the component that runs a task keeps about it across its threads.
struct TTaskRunState {
    // How the component has claimed the task's start.
    enum TStartClaim : int { kNotClaimed = 0, kStartClaimed = 1, kStopClaimed = 2 };
    std::atomic<int> StartClaim{kNotClaimed};
    std::atomic<bool> EndReported{false};
    int64_t CountedRun = -1;  // guarded by the component's terminate lock
    int64_t StartedRun = -1;  // the same
};

// One task: an engine for 20 input and 20 output files, the records it was
// given per file index, and per input a probe attached to the opened input.
class TFFmpegTask final : public TFFmpeg {
public:
    static constexpr int kMaxFiles = 20;

    TFFmpegTask();
    ~TFFmpegTask() override;

    const TInputOptions* InputRecord(int index) const;
    const TOutputOptions* OutputRecord(int index) const;
    // Null outside the inputs.
    TAVProbe* Probe(int index) const;

    // The task's position in the component's list; -1 outside it. The list
    // numbers its tasks.
    int32_t TaskIndex() const { return index_.load(); }
    void SetTaskIndex(int32_t index) { index_ = index; }

    // The records the component was given for the file indexes, and a probe
    // of each opened input.
    void KeepInputRecord(int index, const TInputOptions& record);
    void KeepOutputRecord(int index, const TOutputOptions& record);
    void AttachProbe(int index);
    // Waits, serving the main thread, until no thread of this engine runs.
    void WaitForEngineThreads();

    TTaskRunState& RunState() { return run_state_; }

private:
    std::vector<TInputOptions> input_records_;
    std::vector<TOutputOptions> output_records_;
    std::vector<std::unique_ptr<TAVProbe>> probes_;

    std::atomic<int32_t> index_{-1};
    TTaskRunState run_state_;
};

// The owning task list. Indexes are task indexes, in order of addition;
// deleting a task shifts the later ones down. Tasks are shared so that an
// operation waiting on a task keeps it alive when the list lets it go.
class TFFmpegList {
public:
    using TaskPtr = std::shared_ptr<TFFmpegTask>;

    int Add(TaskPtr task);
    void Clear() { tasks_.clear(); }
    // Removes and returns the task; null outside the list.
    TaskPtr Delete(int index);
    TFFmpegTask* Get(int index) const;
    int IndexOf(const TFFmpegTask* task) const;
    int Count() const { return static_cast<int>(tasks_.size()); }
    const std::vector<TaskPtr>& Items() const { return tasks_; }
    std::vector<TaskPtr> TakeAll();

    // Broadcasts to every task in list order.
    void Pause() const;
    void Resume() const;
    void SetPreviewFlags(uint8_t flags) const;

private:
    void Renumber(int from);

    std::vector<TaskPtr> tasks_;
};

// Raises the process's open-file limit to its hard maximum, so that a batch of
// a thousand tasks (two files open each) fits. Returns the limit in force.
int64_t RaiseOpenFileLimit();

class TCustomFFConverter : public TFFBaseComponent {
public:
    TCustomFFConverter();
    ~TCustomFFConverter() override;

    // Libraries.
    bool AVLibLoaded() const;
    bool LoadAVLib(const std::string& folder);

    // Building the task list.
    int AddTask(const std::string& FileName, TInputOptions* Options = nullptr);
    // Another input of a task (a cover picture, say); its streams are
    // numbered after those of the task's earlier inputs, and maps name it
    // by its place among them (1 for the first one added here).
    bool AddInputFile(int TaskIndex, const std::string& FileName, TInputOptions* Options = nullptr);
    bool SetOutputFile(int TaskIndex, const std::string& FileName,
                       TOutputOptions* Options = nullptr);
    void RemoveTask(int TaskIndex);
    void ClearTasks();
    int TaskCount() const;
    // The task's engine, for reading its state; null outside the list.
    TFFmpegTask* Task(int TaskIndex) const;
    std::string LastError() const;

    // Running. With a ThreadCount of 0 the tasks run one after another on
    // this thread; otherwise on worker threads, at most `Running` at a time
    // (ThreadCount when negative), while ThreadCount is how many the codecs
    // share the processors with.
    void StartTask(int ThreadCount, int Running = -1);
    // How many tasks of a background run may run at once from now on: raised,
    // more of the tasks left start at once; lowered, the running ones go on
    // and no other starts until fewer run. Lets a run begin while another
    // component's tasks still hold the processors.
    void SetRunningLimit(int Running);
    void Pause();
    void Resume();
    // Stops every task. With Wait, returns once each has ended and every
    // notification has been delivered. Asked from inside one of this
    // component's own handlers it does not wait, since the thread that raised
    // the event may be the very one it would wait for: the tasks are stopped
    // and the ends reported as usual, and a foreground StartTask finishes the
    // wait before it returns.
    void Stop(bool Wait);

    // Run state; safe to read from any handler, as they never wait for a lock.
    bool Working() const { return working_.load(); }
    bool Background() const { return background_.load(); }
    int32_t TasksLeft() const { return tasks_left_.load(); }
    int32_t NextTask() const { return next_task_.load(); }
    int32_t FinishedCount() const { return finished_count_.load(); }
    bool Finalized() const { return finalized_.load(); }

    // Published properties.
    std::string About() const { return about_; }
    void SetAbout(const std::string&) {}  // the text is fixed; a designer may write it
    static std::string Version() { return "3.2a"; }
    bool Preview() const { return preview_.load(); }
    void SetPreview(bool value);
    bool PreviewBitmap() const { return preview_bitmap_.load(); }
    void SetPreviewBitmap(bool value);
    int32_t ProgressInterval() const { return progress_interval_.load(); }
    void SetProgressInterval(int32_t milliseconds);
    TThreadPriority ThreadPriority() const { return thread_priority_.load(); }
    void SetThreadPriority(TThreadPriority value) { thread_priority_.store(value); }
    bool TriggerEventInMainThread() const { return trigger_in_main_.load(); }
    // Partial outputs of stopped tasks normally go with their tasks; kept,
    // the ones with content stay under their hidden partial names (closing
    // the program mid-conversion keeps the work done so far).
    void SetKeepUnfinishedOutputs(bool value);
    bool KeepUnfinishedOutputs() const { return keep_unfinished_.load(); }
    void SetTriggerEventInMainThread(bool value) { trigger_in_main_.store(value); }
    // Whether a task whose report goes to the main thread waits there until
    // the OnProgress handler has run (the default). A handler that only
    // records the report lets the task go on at once: it gets a copy, still
    // on the main thread, in the order the reports were made and before
    // anything the task's end hands to the main thread. With many short
    // tasks those waits leave processors idle.
    bool ProgressWaits() const { return progress_waits_.load(); }
    void SetProgressWaits(bool value) { progress_waits_.store(value); }

    // Events. A handler may be changed or detached at any time; a delivery
    // reads it at the moment of the call.
    void SetOnProgress(TProgressEvent handler);
    void SetOnTerminate(TTerminateEvent handler);
    void SetOnCustomHook(TCustomHookEvent handler);
    void SetOnPreviewBitmap(TPreviewBitmapEvent handler);

    // The probe for the application's own use (adding files to its list).
    TAVProbe& Probe() { return *probe_; }

protected:
    // Logs with this component as sender.
    void Log(TLogLevel level, const std::string& text);

private:
    using TaskPtr = TFFmpegList::TaskPtr;
    class TTerminateQueue;
    class TDoTerminateThread;

    void CheckNotWorking(const char* operation) const;
    void SetLastError(std::string text);
    uint8_t PreviewFlags() const;
    void ApplyOutputOptions(TFFmpegTask& task, const TOutputOptions& options);
    bool OpenTaskInput(TFFmpegTask& task, const std::string& FileName, TInputOptions* Options);
    void ConnectTask(TFFmpegTask& task);

    // Starts the next task, if any is left; in background mode as many as the
    // running limit lets run. In background mode the caller holds the
    // terminate lock.
    void StartNext();
    void StartOne(const TaskPtr& task);
    // A task that will not report its end by itself in this run (it ended
    // before, or its engine refused the start) is counted as ended now.
    void EndUnstartable(TFFmpegTask& task, bool refused);
    TaskPtr TakeNext();
    // The terminate callback of every task.
    void TaskEnded(TFFmpegTask& task);
    // Counts an ended task and posts its notification; caller holds the lock.
    void CountEnd(TFFmpegTask& task, TTerminateInfo info);
    static TTerminateInfo EndInfo(const TFFmpegTask& task, int index);
    void PostFinal();

    void DeliverProgress(TFFmpegTask& task, int32_t FileIndex, int32_t FrameNumber, int32_t FPS,
                         float Quality, float BitRate, int64_t Size, int64_t Time,
                         int64_t TotalDuration);
    void DeliverCustomHook(TFFmpegTask& task, TBitmap24* Bitmap, int32_t FrameNumber, int64_t PTS,
                           bool& Update, bool& StopHook);
    void PostProgress(const TProgressInfo& info);
    void DeliverPreview(TFFmpegTask& task, TBitmap24* Bitmap, int32_t FrameNumber, int64_t PTS);
    void DeliverTerminate(const TTerminateInfo& info);

    std::string about_ = "Audio and video conversion component";
    std::atomic<bool> preview_{false};
    std::atomic<bool> preview_bitmap_{false};
    std::atomic<int32_t> progress_interval_{500};
    std::atomic<TThreadPriority> thread_priority_{tpNormal};
    std::atomic<bool> trigger_in_main_{true};
    std::atomic<bool> keep_unfinished_{false};
    std::atomic<bool> progress_waits_{true};
    // Reports on their way to the main thread reach this component only
    // while it exists; it is destroyed on the main thread.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);

    mutable std::mutex error_mutex_;
    std::string last_error_;

    // The four event locks. The terminate lock also guards the task list and
    // the counters of the run; it is taken again by the thread that holds it
    // when a task refused at its start reports its end at once.
    std::mutex hook_lock_;
    std::mutex preview_lock_;
    std::mutex progress_lock_;
    mutable std::recursive_mutex terminate_lock_;

    TFFmpegList tasks_;
    std::atomic<bool> working_{false};
    // From the start of a run until its final notification is posted: between
    // one task and the next no engine holds the libraries. Under terminate_lock_.
    std::optional<TLibraryUse> library_use_;
    std::atomic<bool> background_{false};
    // Written under terminate_lock_ only. A worker holds that lock while it may
    // wait for the main thread (a log line of a task refused at its start), so
    // readers must not take it.
    std::atomic<int32_t> tasks_left_{0};
    std::atomic<int32_t> next_task_{-1};
    std::atomic<int32_t> finished_count_{0};
    // A Stop(true) from inside a handler left its wait to the foreground run.
    std::atomic<bool> wait_owed_{false};
    std::atomic<bool> finalized_{false};
    bool final_posted_ = false;
    // Each run (and each clearing) has its own number, so that a task that
    // ended before this run began is still counted in it.
    int64_t run_id_ = 0;
    // Tasks of the run started and not yet counted ended, and how many may
    // be. Under terminate_lock_.
    int32_t running_ = 0;
    int32_t running_limit_ = 0;
    // This thread is starting tasks: a start asked for meanwhile is its loop's.
    bool starting_ = false;

    // The records filled just before each delivery.
    TProgressInfo progress_info_;
    THookInfo hook_info_;
    TPreviewInfo preview_info_;

    mutable std::mutex handler_mutex_;
    TProgressEvent on_progress_;
    TTerminateEvent on_terminate_;
    TCustomHookEvent on_custom_hook_;
    TPreviewBitmapEvent on_preview_bitmap_;

    std::unique_ptr<TTerminateQueue> terminate_queue_;
    std::unique_ptr<TAVProbe> probe_;
};

class TFFConverter : public TCustomFFConverter {
public:
    TFFConverter() = default;
};

}  // namespace v2m
