#pragma once
// The window's list kept between sessions: its rows and the batch that runs,
// in a small text file in the state folder, replaced whole (temporary file,
// flush, rename), so a crash leaves the last state or the one before, never
// half of one. The outputs the batch creates and finishes are told in a
// second file, a line appended for each, so that a long batch does not write
// its whole list once per file. A lock beside them keeps a second window from
// writing over the first one's list.

#include <sys/types.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "FileList.h"
#include "SafeFiles.h"

namespace v2m {

inline constexpr const char* kListJournalName = "list.journal";
inline constexpr const char* kListFilesName = "list.journal.files";
inline constexpr int kListJournalVersion = 1;
// A row of a batch that was cut short, as the list shows it until it runs again.
inline constexpr const char* kWaitingProgressText = "Waiting";

// A process told apart from a later one that got its number: its start time
// in clock ticks after boot.
struct TProcessIdentity {
    int64_t Pid = 0;
    uint64_t StartTime = 0;

    bool operator==(const TProcessIdentity&) const = default;
};

TProcessIdentity ThisProcess();
// The process still runs (and is the one that started then).
bool ProcessAlive(const TProcessIdentity& process);

struct TJournalRow {
    TFileRow Row;
    // Part of the running batch and not through it yet.
    bool Waiting = false;
};

// A row the running batch finished, with the names its outputs were written
// under: recorded as it ends, before the list is saved again.
struct TFinishedRow {
    size_t Row = 0;
    std::string Source;
    std::vector<std::string> Outputs;
};

struct TListJournal {
    TProcessIdentity Owner;
    bool BatchRunning = false;
    // The batch's settings by name, in the order the window wrote them.
    std::vector<std::pair<std::string, std::string>> Settings;
    std::vector<TJournalRow> Rows;
    // Outputs being written when this was saved.
    std::vector<TCreatedFile> Partials;
    // Outputs the running batch has finished, under their final names: a
    // row's own record of it may not have been saved before a crash.
    std::vector<TCreatedFile> Published;
    std::vector<TFinishedRow> Finished;

    // The value of a setting; empty when it is not kept.
    std::string Setting(const std::string& name) const;
    size_t WaitingCount() const;
};

std::string JournalText(const TListJournal& journal);
// Nothing, with the fault in `error`, for a text this version cannot take
// whole: damaged, cut short, or written by a newer version.
std::optional<TListJournal> ParseJournal(std::string_view text, std::string& error);

// The file records appended for `owner`, as they would be after the records
// in `text`; a line cut short by a kill ends them. Records of another owner
// are not this list's and are left out.
void ApplyFileRecords(std::string_view text, TListJournal& journal);

// The recorded partial files that still are the very files recorded (path,
// device and inode) are removed; anything else is left alone. The paths removed.
std::vector<std::string> RemoveLeftPartials(const std::vector<TCreatedFile>& partials);

// The journal file of one window. Thread-safe: the list is saved from the
// window's thread, the partial files are recorded from the conversions'.
class TListJournalFile {
public:
    enum class TOpenResult {
        Opened,       // the journal is this window's
        Held,         // another window keeps it
        Unavailable,  // no state folder, or no lock can be taken there
    };
    struct TLoadResult {
        std::optional<TListJournal> Journal;  // none: there was nothing to read
        // A journal that could not be read was moved here; empty otherwise.
        std::string SetAsidePath;
        std::string Problem;
        // Why the journal could not be read, for a notice worded elsewhere.
        std::string Fault;
    };

    TListJournalFile() = default;
    ~TListJournalFile();
    TListJournalFile(const TListJournalFile&) = delete;
    TListJournalFile& operator=(const TListJournalFile&) = delete;

    // Makes the folder (ending with "/") when missing and takes the lock
    // beside the journal.
    TOpenResult Open(const std::string& folder, std::string& problem);
    bool IsOpen() const { return lock_fd_ >= 0; }
    std::string Path() const { return folder_ + kListJournalName; }

    std::string FilesPath() const { return folder_ + kListFilesName; }

    // What the last session left. A journal that cannot be read is set
    // aside under a free name, never removed.
    TLoadResult Load();
    // The list as it is now; written only when it differs from what was
    // written last. The owner is this file's own. Once no batch runs, the
    // file records are cut down to the partial files still open.
    bool SaveList(TListJournal list, std::string& problem);
    // Recorded at once: a run killed right after still has it on record.
    // Only kills are provided for, not a power cut: records are not flushed.
    void PartialCreated(const TCreatedFile& file);
    void PartialRemoved(const TCreatedFile& file);
    // Under its final name, until the batch is over.
    void PartialPublished(const TCreatedFile& file);
    // Until the list is saved with the batch over.
    void RowFinished(const TFinishedRow& finished);

private:
    void AppendRecordLocked(const std::string& record);
    void RewriteRecordsLocked();
    void CompactRecordsLocked();

    std::string folder_;
    int lock_fd_ = -1;
    std::mutex mutex_;
    TListJournal current_;
    // Taken before mutex_ when both are: whoever saves the list holds it.
    std::mutex save_mutex_;
    std::string written_;  // under save_mutex_
    // The file records: appended to while open; rewritten when it is not.
    int files_fd_ = -1;
    // The records on disk say more than the partial files still open.
    bool files_stale_ = false;
    std::vector<TCreatedFile> partials_;
    std::vector<TCreatedFile> published_;
    std::vector<TFinishedRow> finished_;
};

}  // namespace v2m
