#pragma once
// Writing a user's folder without ever losing anything in it: outputs are
// created exclusively under a hidden temporary name, given their final name
// only when complete and without replacing anything, and removed only when
// they are still the very file this process created.

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>

namespace v2m {

// A regular file this process created. Device and inode tell it apart from
// anything put under its name later.
struct TCreatedFile {
    std::string Path;
    dev_t Device = 0;
    ino_t Inode = 0;

    bool Empty() const { return Path.empty(); }
};

// What becomes of a partial file: it was created, given its final name (the
// file then carries that name), or removed.
enum class TPartialEvent { Created, Published, Removed };
using TPartialObserver = std::function<void(TPartialEvent event, const TCreatedFile& file)>;

// Whoever must know of partial files so that a run killed outright can still
// be cleaned up after. Called on the thread that creates or settles the file,
// the creation before anything is written into it; null: nobody.
void SetPartialObserver(TPartialObserver observer);

// Any entry at the name (a file, a folder, a device, a link even when it
// dangles) makes it taken; so does a name that cannot be examined.
bool NameTaken(const std::string& path);

// The n-th alternative of a name: "dir/clip.mp3" gives "dir/clip_(new_n).mp3".
// A name that carries such a number already is numbered afresh, not twice.
std::string NumberedName(const std::string& path, int n);

// The number a name carries ("clip_(new_3).mp3" carries 3), 0 when none.
int NameNumber(const std::string& path);

// The hidden name an output is written under until it is complete:
// "dir/.clip.mp3.part".
std::string PartialName(const std::string& path);

// The most numbered alternatives a name has: a folder that answers "taken"
// for that many names is not searched further.
inline constexpr int kMostAlternatives = 100000;

// Shortens `stem` on a UTF-8 character boundary, when it must, so that the
// name `folder` + `stem` + `suffix`, each of its numbered alternatives and
// their partial names fit the folder's file system (its longest file name and
// longest path). `folder` ends with "/" or is empty. False when not even one
// character of the stem fits: the folder's own path is too long.
bool FitFileName(const std::string& folder, std::string& stem, const std::string& suffix);

// Creates a new regular file, never opening anything that exists and never
// following a link; returns the open descriptor, or -errno.
int CreateExclusive(const std::string& path, TCreatedFile* created);

// Creates the partial file of the first free name from `*name` on (the name,
// then its next numbered alternatives): a name is free when neither it nor
// its partial name is taken, so whoever took one (another run writing into
// the same folder included) keeps it. `*name` becomes the name chosen;
// returns the open descriptor, or -errno: a name that cannot be examined
// (too long, a folder that cannot be searched) ends the search with its
// reason, and so does a stop request seen through `stopped`.
int CreatePartialUnderFreeName(std::string* name, TCreatedFile* partial,
                               const std::function<bool()>& stopped = nullptr);

// True when the name still holds the very file that was created.
bool StillCreatedFile(const TCreatedFile& file);

// Size of the created file while it is still ours, else -1.
int64_t CreatedFileSize(const TCreatedFile& file);

// Removes the file only when the name still holds the file that was created;
// anything else found there is left alone. True when it was removed.
bool RemoveCreatedFile(const TCreatedFile& file);

// Gives a created file its final name without replacing anything: `wanted`,
// or when that is taken the next free NumberedName of it. On success
// `*written` is the name it now has. Returns 0 or -errno.
int PublishCreatedFile(const TCreatedFile& file, const std::string& wanted, std::string* written);

// True for a regular file, or a link to one: the only inputs that can be read
// without blocking forever (a FIFO or a device may never deliver anything).
bool IsRegularFile(const std::string& path);

// A file's modification time in nanoseconds since the epoch, as its stamp
// in caches and change checks.
int64_t ModifiedNanoseconds(const struct stat& status);

// The system's own words for an errno value ("No space left on device").
std::string SystemErrorText(int error_number);

// Replaces the program's own file `path` with `text` so that a crash or a
// power cut leaves the old text or the new one, never half of one: written
// whole under "path.new" (never through a link), flushed to the disk, then
// renamed over it. False, with the reason in `problem`, when it cannot be.
bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& problem);

// A name shown on one line: control characters and backslashes escaped.
std::string EscapedFileName(const std::string& name);

}  // namespace v2m
