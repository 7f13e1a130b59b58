#pragma once
// The window's list kept between sessions: its rows, the batch that runs and
// the partial outputs it has open, in a small text file in the state folder.
// The file is replaced whole (temporary file, flush, rename), so a crash
// leaves the last state or the one before, never half of one; a lock beside
// it keeps a second window from writing over the first one's list.

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

    // The value of a setting; empty when it is not kept.
    std::string Setting(const std::string& name) const;
    size_t WaitingCount() const;
};

std::string JournalText(const TListJournal& journal);
// Nothing, with the fault in `error`, for a text this version cannot take
// whole: damaged, cut short, or written by a newer version.
std::optional<TListJournal> ParseJournal(std::string_view text, std::string& error);

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

    // What the last session left. A journal that cannot be read is set
    // aside under a free name, never removed.
    TLoadResult Load();
    // The list as it is now; written only when it differs from what was
    // written last. The owner and the partial files are this file's own.
    bool SaveList(TListJournal list, std::string& problem);
    // Written at once: a run killed right after still has it on record.
    void PartialCreated(const TCreatedFile& file);
    // Left out from the next save on.
    void PartialRemoved(const TCreatedFile& file);
    // Written at once, under its final name, until the batch is over.
    void PartialPublished(const TCreatedFile& file);

private:
    bool WriteLocked(std::string& problem);

    std::string folder_;
    int lock_fd_ = -1;
    std::mutex mutex_;
    TListJournal current_;
    std::string written_;
};

}  // namespace v2m
