#pragma once
// Loudness beyond one file at a time: readings taken once and kept
// (TLoudnessCache), albums (the files of a batch that share a folder) given
// one gain so that their tracks keep their differences, and the gain written
// as tags that players apply instead of changing the samples.

#include <atomic>
#include <mutex>
#include <thread>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "JobBuilding.h"
#include "LoudnessCache.h"

namespace v2m {

// dBTP no gain may push a true peak past.
inline constexpr double kGainCeiling = -1.0;
// The references of the two tag families: ReplayGain 2.0 and Opus' R128 tags.
inline constexpr double kReplayGainReference = -18.0;
inline constexpr double kR128Reference = -23.0;

// The audio stream of a file to measure.
struct TLoudnessSubject {
    std::string Path;
    std::string FormatName;  // the demuxer; empty: probed
    int Stream = -1;         // among all the file's streams
    int64_t Duration = -1;   // microseconds, for progress; -1: unknown
    // The stretch an output holds, in microseconds from the file's beginning
    // (a piece's or a cut's Start and Length); -1: to the end.
    int64_t From = 0;
    int64_t Length = -1;

    bool Whole() const { return From == 0 && Length < 0; }
};

// Takes readings of a subject's stretch through the engine's analyser, or
// from the cache when the file is unchanged since that stretch was
// measured. Safe to use from several threads.
class TLoudnessMeter {
public:
    // Progress of one measurement: microseconds read of the stretch's length.
    using TProgress = std::function<void(int64_t position, int64_t length)>;

    // A null cache keeps nothing.
    explicit TLoudnessMeter(TLoudnessCache* cache) : cache_(cache) {}

    // None when `stopped` cut it short, or when the file cannot be measured
    // (the reason in `error`).
    std::optional<TLoudnessReading> Read(const TLoudnessSubject& subject,
                                         const std::function<bool()>& stopped,
                                         const TProgress& progress, std::string& error);
    // How many stretches the analyser read: a reading from the cache is no run.
    int Runs() const { return runs_.load(); }

private:
    TLoudnessCache* cache_;
    std::atomic<int> runs_{0};
};

// The reading of an analyser's result: `blocks` are the mean squares of the
// 400 ms gating blocks, `short_term` those of the 3 s windows, in time order.
TLoudnessReading ReadingOfBlocks(double integrated, double true_peak,
                                 std::span<const double> blocks,
                                 std::span<const double> short_term);

// The tracks as one: the loudness of their pooled gating blocks (not the mean
// of their loudness), the highest true peak, and every block.
TLoudnessReading AlbumReading(std::span<const TLoudnessReading> tracks);

// The gain (dB) that brings a reading to the target, held down so that its
// true peak stays at kGainCeiling; 0 for silence.
double GainToTarget(const TLoudnessReading& reading, double target);

// The album of each path: the files that share a folder. Keys are the
// folders, values the indexes of `paths`, in order.
std::map<std::string, std::vector<size_t>> AlbumsOf(const std::vector<std::string>& paths);

// The tags an output takes for its gain: ReplayGain 2.0 (track, and album
// when given) as "-3.21 dB" and peaks as a linear ratio, or for Opus the
// R128 gains as Q7.8 integers. Keys in upper case, as players write them.
std::vector<std::pair<std::string, std::string>> GainTags(const TLoudnessReading& track,
                                                          const TLoudnessReading* album, bool opus);

// A tag of a gain: ReplayGain or R128 under any letter case.
bool IsGainTag(const std::string& key);

// What a batch does with loudness beyond normalising each file on its own.
struct TLoudnessChoice {
    bool Album = false;     // the files sharing a folder take one gain
    bool TagsOnly = false;  // gain as tags for players, the samples untouched
    double Target = -16.0;  // LUFS

    bool MeasuresFirst() const { return Album || TagsOnly; }
};

// The stream of the file a request converts, the whole file; Stream -1 when
// it has none.
struct TSourceFile;
TLoudnessSubject LoudnessSubjectOf(const TSourceFile& source, const TJobRequest& request);
// One subject per output the request makes of the file: each piece of a
// split, its cut, else the whole file. Pieces that do not fit the file leave
// the whole file, whose conversion then fails with the reason.
std::vector<TLoudnessSubject> LoudnessSubjectsOf(const TSourceFile& source,
                                                 const TJobRequest& request);

// A batch's measuring before its conversions: every output of every file
// (the cache's readings first), then each album, and what each file's
// request takes.
class TBatchLoudness {
public:
    // (subject, subjects, position, length): the stretch being measured
    // among all the files' and how far.
    using TProgress = std::function<void(size_t, size_t, int64_t, int64_t)>;

    explicit TBatchLoudness(TLoudnessChoice choice) : choice_(choice) {}

    // One subject per file of the batch (Stream -1: nothing to measure).
    // False when `stopped` ended it; a file that cannot be measured is
    // noted in Failures and converted without a gain of its own.
    bool Measure(TLoudnessMeter& meter, const std::vector<TLoudnessSubject>& subjects,
                 const std::function<bool()>& stopped, const TProgress& progress);
    // The same with each file's subjects, one per output (LoudnessSubjectsOf).
    bool Measure(TLoudnessMeter& meter, std::vector<std::vector<TLoudnessSubject>> files,
                 const std::function<bool()>& stopped, const TProgress& progress);
    // By file: the first stretch of it that could not be measured.
    const std::map<size_t, std::string>& Failures() const { return failures_; }
    // The reading of one of the file's outputs, in the order of its subjects.
    const std::optional<TLoudnessReading>& Track(size_t file, size_t piece = 0) const {
        return readings_[first_[file] + piece];
    }
    // The reading of the file's album; none outside album mode.
    const std::optional<TLoudnessReading>& Album(size_t file) const { return albums_[file]; }

    // The file's gain or tags into its request: a file of several outputs
    // gets tags for each of their stretches, and its album's gain.
    void Apply(size_t file, TJobRequest& request) const;

    // The same from readings taken elsewhere (a TLoudnessPool over
    // Subjects()): the files' subjects, each subject's reading or why there
    // is none, then the albums.
    void Plan(std::vector<std::vector<TLoudnessSubject>> files);
    // Every file's subjects in turn.
    const std::vector<TLoudnessSubject>& Subjects() const { return subjects_; }
    size_t FileOf(size_t subject) const { return owners_[subject]; }
    void SetReading(size_t subject, std::optional<TLoudnessReading> reading,
                    const std::string& error);
    void FindAlbums();

private:
    TLoudnessChoice choice_;
    std::vector<TLoudnessSubject> subjects_;
    std::vector<size_t> owners_;  // the file of each subject
    std::vector<size_t> first_;   // each file's first subject, then their count
    std::vector<std::optional<TLoudnessReading>> readings_;  // by subject
    std::vector<std::optional<TLoudnessReading>> albums_;    // by file
    std::map<size_t, std::string> failures_;
};

// Measures files on worker threads (as many as the probe pool's) and hands
// the readings over as they come, so that neither the window nor a long
// batch waits on one file.
class TLoudnessPool {
public:
    struct TResult {
        size_t Index = 0;  // into the subjects
        std::optional<TLoudnessReading> Reading;
        std::string Error;  // why there is no reading, unless stopped
    };
    // Called on a worker when a result is ready and nobody has been told
    // since the last TakeReady; it must only pass the news on.
    using TNotify = std::function<void()>;

    TLoudnessPool(TLoudnessMeter& meter, std::vector<TLoudnessSubject> subjects, TNotify on_ready,
                  size_t workers);
    ~TLoudnessPool();
    TLoudnessPool(const TLoudnessPool&) = delete;
    TLoudnessPool& operator=(const TLoudnessPool&) = delete;

    size_t Count() const { return subjects_.size(); }
    // The results not taken yet, in the order they came. Never waits.
    std::vector<TResult> TakeReady();
    // Every file measured (or stopped) and every result taken.
    bool Finished() const;
    // Measuring ends as soon as each worker notices; returns once all have.
    void Stop();

private:
    void Work();

    TLoudnessMeter& meter_;
    const std::vector<TLoudnessSubject> subjects_;
    const TNotify on_ready_;
    mutable std::mutex mutex_;
    std::vector<TResult> ready_;
    size_t handed_ = 0;
    std::atomic<size_t> next_{0};
    std::atomic<size_t> ended_{0};
    std::atomic<bool> stopped_{false};
    std::atomic<bool> notified_{false};
    std::vector<std::thread> workers_;
};

}  // namespace v2m
