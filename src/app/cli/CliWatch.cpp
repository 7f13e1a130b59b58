#include "CliWatch.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <system_error>

#include "FileList.h"
#include "Format.h"
#include "MyUtils.h"
#include "SafeFiles.h"
#include "Settings.h"

namespace v2m::cli {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kStateHeader = "video2mp3 watch state 1";
// How long a complete-looking file still open for writing waits before it is looked at again.
constexpr auto kOpenRecheck = std::chrono::seconds(2);

// What a file was when it was last converted (or given up on).
struct TSeen {
    int64_t Size = 0;
    int64_t ModifiedNs = 0;
    std::string Outcome;  // "converted", "failed", "skipped", "present"
    std::string Path;
};

using TFileKey = std::pair<uint64_t, uint64_t>;  // device, inode

struct TFileStat {
    TFileKey Key;
    int64_t Size = 0;
    int64_t ModifiedNs = 0;
};

std::optional<TFileStat> StatRegular(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    return TFileStat{{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)},
                     static_cast<int64_t>(st.st_size),
                     ModifiedNanoseconds(st)};
}

// Which files were converted, kept between runs: one line a file,
// "device inode size mtime_ns outcome path" (the path last, and escaped, so
// that any name fits on its line).
class TWatchState {
public:
    explicit TWatchState(std::string path) : path_(std::move(path)) {}

    // False with `problem` set when the file exists but cannot be read as a
    // state; it is then set aside, never deleted.
    bool Load(std::string& problem) {
        std::ifstream in(path_, std::ios::binary);
        if (!in) {
            return true;  // the first run
        }
        std::string line;
        if (!std::getline(in, line) || line != kStateHeader) {
            return SetAside(problem);
        }
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            uint64_t device = 0;
            uint64_t inode = 0;
            TSeen seen;
            if (!(fields >> device >> inode >> seen.Size >> seen.ModifiedNs >> seen.Outcome)) {
                entries_.clear();
                return SetAside(problem);
            }
            std::getline(fields >> std::ws, seen.Path);
            entries_[{device, inode}] = std::move(seen);
        }
        return true;
    }

    const TSeen* Find(const TFileKey& key) const {
        const auto found = entries_.find(key);
        return found == entries_.end() ? nullptr : &found->second;
    }

    void Set(const TFileStat& stat, const std::string& outcome, const std::string& path) {
        entries_[stat.Key] = TSeen{stat.Size, stat.ModifiedNs, outcome, path};
    }

    // Written whole under a temporary name, flushed to the disk and renamed:
    // a crash leaves the old state or the new one, never half of one.
    bool Save(std::string& problem) const {
        std::string text = std::string(kStateHeader) + "\n";
        for (const auto& [key, seen] : entries_) {
            text += std::to_string(key.first) + " " + std::to_string(key.second) + " " +
                    std::to_string(seen.Size) + " " + std::to_string(seen.ModifiedNs) + " " +
                    seen.Outcome + " " + EscapedFileName(seen.Path) + "\n";
        }
        return WriteFileAtomically(path_, text, problem);
    }

private:
    bool SetAside(std::string& problem) {
        std::string aside;
        for (int n = 1; n < 1000; ++n) {
            aside = path_ + ".damaged-" + std::to_string(n);
            if (::link(path_.c_str(), aside.c_str()) == 0) {
                ::unlink(path_.c_str());
                problem = "the state " + path_ + " cannot be read; it was set aside as " + aside +
                          " and every file is looked at afresh";
                return false;
            }
        }
        problem = "the state " + path_ + " cannot be read nor set aside";
        return false;
    }

    std::string path_;
    std::map<TFileKey, TSeen> entries_;
};

// The files some process we may look at has open for writing: they are still
// being written, whatever their sizes say. One pass over every process, so
// it is made once for all the files that wait.
std::set<std::string> FilesOpenForWriting() {
    std::set<std::string> written;
    std::error_code error;
    for (const auto& process : fs::directory_iterator("/proc", error)) {
        const std::string pid = process.path().filename().string();
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::error_code fd_error;
        for (const auto& fd : fs::directory_iterator(process.path() / "fd", fd_error)) {
            std::error_code link_error;
            const fs::path target = fs::read_symlink(fd.path(), link_error);
            if (link_error || target.empty() || target.native().front() != '/') {
                continue;  // sockets, pipes, anonymous files
            }
            std::ifstream info(process.path() / "fdinfo" / fd.path().filename());
            for (std::string line; std::getline(info, line);) {
                if (line.starts_with("flags:")) {
                    const unsigned long flags = std::strtoul(line.c_str() + 6, nullptr, 8);
                    if ((flags & O_ACCMODE) != O_RDONLY) {
                        written.insert(target.native());
                    }
                    break;
                }
            }
        }
    }
    return written;
}

uint64_t Fnv1a(const std::string& text) {
    uint64_t hash = 1469598103934665603ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

class TWatcher {
public:
    TWatcher(const TCliOptions& options, const TJobRequest& request,
             std::shared_ptr<QueuedMainThread> main_thread, const std::atomic<bool>& interrupted)
        : options_(options),
          request_(request),
          main_thread_(std::move(main_thread)),
          interrupted_(interrupted) {}

    ~TWatcher() {
        if (inotify_ >= 0) {
            ::close(inotify_);
        }
    }
    TWatcher(const TWatcher&) = delete;
    TWatcher& operator=(const TWatcher&) = delete;

    int Run();

private:
    struct TCandidate {
        TFileStat Stat;
        Clock::time_point Since;  // unchanged from then on
        std::string Root;
        Clock::time_point NextOpenCheck{};
    };

    void Say(const std::string& text) const {
        std::fprintf(stderr, "%s: %s\n", kProgramName, text.c_str());
        std::fflush(stderr);
    }
    bool Excluded(const std::string& path) const;
    void WatchTree(const std::string& folder, const std::string& root);
    void Scan(bool at_start);
    void Consider(const std::string& path, const std::string& root);
    void ReadEvents();
    std::vector<TListedFile> ReadyFiles();
    int Convert(const std::vector<TListedFile>& files);

    const TCliOptions& options_;
    TJobRequest request_;
    std::shared_ptr<QueuedMainThread> main_thread_;
    const std::atomic<bool>& interrupted_;
    std::unique_ptr<TWatchState> state_;
    int inotify_ = -1;
    std::map<int, std::pair<std::string, std::string>> watches_;  // folder and root by watch
    std::vector<std::string> roots_;
    std::map<std::string, TCandidate> candidates_;
    bool any_failed_ = false;
};

bool TWatcher::Excluded(const std::string& path) const {
    // The outputs are never inputs: a video profile would convert its own outputs.
    const std::string out = WideIncludeTrailingBackslash(request_.OutputFolder);
    return !request_.SameFolderAsInput && path.starts_with(out);
}

void TWatcher::WatchTree(const std::string& folder, const std::string& root) {
    if (Excluded(WideIncludeTrailingBackslash(folder))) {
        return;
    }
    if (inotify_ >= 0) {
        const int watch = ::inotify_add_watch(
            inotify_, folder.c_str(),
            IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_ONLYDIR | IN_EXCL_UNLINK);
        if (watch >= 0) {
            watches_[watch] = {folder, root};
        }
    }
    if (!options_.Recursive) {
        return;
    }
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        std::error_code kind_error;
        if (entry.is_directory(kind_error) && !entry.is_symlink(kind_error)) {
            WatchTree(entry.path().string(), root);
        }
    }
}

void TWatcher::Consider(const std::string& path, const std::string& root) {
    const std::string name = WideExtractFileName(path);
    if (Excluded(path) || name.starts_with(".") || !MatchesAnyMask(name, VideoFileMasks())) {
        return;
    }
    const std::optional<TFileStat> stat = StatRegular(path);
    if (!stat) {
        candidates_.erase(path);
        return;
    }
    if (const TSeen* seen = state_->Find(stat->Key);
        seen != nullptr && seen->Size == stat->Size && seen->ModifiedNs == stat->ModifiedNs) {
        return;  // converted, or given up on, as it is now
    }
    auto [found, added] = candidates_.try_emplace(path, TCandidate{*stat, Clock::now(), root});
    if (!added && (found->second.Stat.Size != stat->Size ||
                   found->second.Stat.ModifiedNs != stat->ModifiedNs ||
                   found->second.Stat.Key != stat->Key)) {
        found->second = TCandidate{*stat, Clock::now(), root};
    }
}

void TWatcher::Scan(bool at_start) {
    for (const std::string& root : roots_) {
        const std::optional<std::vector<std::string>> files =
            options_.Recursive ? ScanVideoTree(root) : ScanVideoFolder(root);
        for (const std::string& file : files.value_or(std::vector<std::string>{})) {
            if (at_start && options_.WatchNewOnly) {
                // Left as they are: only what comes, or changes, later is converted.
                if (const std::optional<TFileStat> stat = StatRegular(file);
                    stat && state_->Find(stat->Key) == nullptr) {
                    state_->Set(*stat, "present", file);
                }
                continue;
            }
            Consider(file, options_.Recursive ? root : "");
        }
    }
}

void TWatcher::ReadEvents() {
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t length = ::read(inotify_, buffer, sizeof buffer);
        if (length <= 0) {
            return;
        }
        for (ssize_t at = 0; at < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if ((event->mask & IN_Q_OVERFLOW) != 0) {
                Scan(false);  // events were lost: look at everything
                continue;
            }
            const auto watch = watches_.find(event->wd);
            if (watch == watches_.end() || event->len == 0) {
                continue;
            }
            const std::string path = watch->second.first + "/" + event->name;
            const std::string& root = watch->second.second;
            if ((event->mask & IN_ISDIR) != 0) {
                if (options_.Recursive) {
                    WatchTree(path, root);
                    // What landed in it before its watch began.
                    for (const std::string& file :
                         ScanVideoTree(path).value_or(std::vector<std::string>{})) {
                        Consider(file, root);
                    }
                }
                continue;
            }
            Consider(path, options_.Recursive ? root : "");
        }
    }
}

std::vector<TListedFile> TWatcher::ReadyFiles() {
    const auto settle = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(options_.WatchSettle));
    std::vector<TListedFile> ready;
    std::optional<std::set<std::string>> written;
    const Clock::time_point now_time = Clock::now();
    for (auto it = candidates_.begin(); it != candidates_.end();) {
        const std::optional<TFileStat> now = StatRegular(it->first);
        if (!now) {
            it = candidates_.erase(it);
            continue;
        }
        TCandidate& candidate = it->second;
        if (now->Size != candidate.Stat.Size || now->ModifiedNs != candidate.Stat.ModifiedNs ||
            now->Key != candidate.Stat.Key) {
            candidate = TCandidate{*now, now_time, candidate.Root};
        } else if (now_time - candidate.Since >= settle && now_time >= candidate.NextOpenCheck) {
            if (!written) {
                written = FilesOpenForWriting();
            }
            if (written->contains(it->first)) {
                // A recording may stay open for hours: looked at less often.
                candidate.NextOpenCheck = now_time + kOpenRecheck;
            } else {
                ready.push_back(TListedFile{it->first, candidate.Root});
            }
        }
        ++it;
    }
    return ready;
}

int TWatcher::Convert(const std::vector<TListedFile>& files) {
    std::vector<TFileStat> stats;
    for (const TListedFile& file : files) {
        stats.push_back(candidates_.at(file.Path).Stat);
        candidates_.erase(file.Path);
    }
    std::vector<TFileOutcome> outcomes;
    const int status = RunFiles(options_, request_, main_thread_, interrupted_, files, outcomes);
    for (size_t n = 0; n < files.size() && n < outcomes.size(); ++n) {
        switch (outcomes[n]) {
            case TFileOutcome::Converted:
                state_->Set(stats[n], "converted", files[n].Path);
                break;
            case TFileOutcome::Failed:
                // Not tried again until it changes.
                any_failed_ = true;
                state_->Set(stats[n], "failed", files[n].Path);
                break;
            case TFileOutcome::Skipped:
                state_->Set(stats[n], "skipped", files[n].Path);
                break;
            case TFileOutcome::Stopped:
                break;  // looked at afresh next time
        }
    }
    if (std::string problem; !state_->Save(problem)) {
        Say("cannot keep what was converted: " + problem);
    }
    return status;
}

}  // namespace

int TWatcher::Run() {
    for (const std::string& folder : options_.WatchFolders) {
        const std::string root = AbsoluteFileName(folder);
        if (std::error_code kind; !fs::is_directory(root, kind)) {
            Say("--watch '" + folder + "': no such folder");
            return kExitUsage;
        }
        roots_.push_back(root);
    }
    const std::string state_folder = StateFolder(ProcessEnvironment());
    std::error_code error;
    if (state_folder.empty() || (fs::create_directories(state_folder, error), error)) {
        Say("no folder to keep what was converted in (" + state_folder + ")");
        return kExitFailed;
    }
    std::string key = request_.OutputFolder + "\n" + request_.ProfileExt;
    for (const std::string& root : roots_) {
        key += "\n" + root;
    }
    char name[40];
    std::snprintf(name, sizeof name, "watch-%016llx.state",
                  static_cast<unsigned long long>(Fnv1a(key)));
    state_ = std::make_unique<TWatchState>(state_folder + name);
    if (std::string problem; !state_->Load(problem)) {
        Say(problem);
    }
    inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ < 0) {
        Say("folders are looked through every " + Format("%g", options_.WatchRescan) +
            " s: changes cannot be followed (" + SystemErrorText(errno) + ")");
    }
    for (const std::string& root : roots_) {
        WatchTree(root, root);
        Say("watching " + root);
    }
    Scan(true);
    if (std::string problem; !state_->Save(problem)) {
        Say("cannot keep what was converted: " + problem);
    }
    const auto rescan = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(options_.WatchRescan));
    Clock::time_point scanned = Clock::now();
    while (!interrupted_.load()) {
        pollfd fd{inotify_, POLLIN, 0};
        ::poll(&fd, inotify_ >= 0 ? 1 : 0, 250);
        if (inotify_ >= 0) {
            ReadEvents();
        }
        if (Clock::now() - scanned >= rescan) {
            scanned = Clock::now();
            Scan(false);
        }
        if (const std::vector<TListedFile> ready = ReadyFiles(); !ready.empty()) {
            if (Convert(ready) == kExitInterrupted) {
                break;
            }
        }
    }
    return kExitInterrupted;
}

int RunWatch(const TCliOptions& options, const TJobRequest& request,
             const std::shared_ptr<QueuedMainThread>& main_thread,
             const std::atomic<bool>& interrupted) {
    TWatcher watcher(options, request, main_thread, interrupted);
    return watcher.Run();
}

}  // namespace v2m::cli
