#include "SafeFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "Format.h"

namespace v2m {

namespace {

// What a numbered alternative adds at most ("_(new_" and six digits and
// ")"), and what its partial name adds ("." and ".part").
constexpr size_t kNumberRoom = 13;
constexpr size_t kPartialRoom = 6;

long FolderLimit(const std::string& folder, int name, long fallback) {
    errno = 0;
    const long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), name);
    return limit > 0 ? limit : fallback;
}

// The length of the longest start of `text` that ends on a character
// boundary and takes at most `bytes` bytes.
size_t Utf8Prefix(const std::string& text, size_t bytes) {
    if (text.size() <= bytes) {
        return text.size();
    }
    size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return end;
}

struct NameParts {
    std::string Folder;  // with its trailing "/", or empty
    std::string Stem;    // without any "_(new_n)"
    std::string Extension;
    int Number = 0;
};

NameParts SplitName(const std::string& path) {
    NameParts parts;
    const size_t slash = path.rfind('/');
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    parts.Folder = path.substr(0, start);
    std::string file = path.substr(start);
    const size_t dot = file.rfind('.');
    // A leading dot names a hidden file; it starts no extension.
    if (dot != std::string::npos && dot > 0) {
        parts.Extension = file.substr(dot);
        file.erase(dot);
    }
    static constexpr const char kOpen[] = "_(new_";
    const size_t open = file.rfind(kOpen);
    if (open != std::string::npos && file.size() > open + 7 && file.back() == ')') {
        const std::string digits = file.substr(open + 6, file.size() - open - 7);
        const bool numeric = !digits.empty() && digits.size() < 9 && digits[0] != '0' &&
                             digits.find_first_not_of("0123456789") == std::string::npos;
        if (numeric) {
            parts.Number = std::stoi(digits);
            file.erase(open);
        }
    }
    parts.Stem = file;
    return parts;
}

bool SameFile(const struct stat& st, const TCreatedFile& file) {
    return S_ISREG(st.st_mode) && st.st_dev == file.Device && st.st_ino == file.Inode;
}

// Renames without replacing; the link and unlink pair serves file systems
// that do not know the flag.
int RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        return -errno;
    }
    if (::link(from.c_str(), to.c_str()) != 0) {
        return -errno;
    }
    ::unlink(from.c_str());
    return 0;
}

std::mutex g_observer_mutex;
std::shared_ptr<const TPartialObserver> g_observer;

void TellObserver(TPartialEvent event, const TCreatedFile& file) {
    std::shared_ptr<const TPartialObserver> observer;
    {
        std::lock_guard lock(g_observer_mutex);
        observer = g_observer;
    }
    if (observer && *observer) {
        (*observer)(event, file);
    }
}

}  // namespace

void SetPartialObserver(TPartialObserver observer) {
    auto shared =
        observer ? std::make_shared<const TPartialObserver>(std::move(observer)) : nullptr;
    std::lock_guard lock(g_observer_mutex);
    g_observer = std::move(shared);
}

bool NameTaken(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

std::string NumberedName(const std::string& path, int n) {
    const NameParts parts = SplitName(path);
    return parts.Folder + parts.Stem + "_(new_" + std::to_string(n) + ")" + parts.Extension;
}

int NameNumber(const std::string& path) {
    return SplitName(path).Number;
}

std::string PartialName(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(0, start) + "." + path.substr(start) + ".part";
}

int CreateExclusive(const std::string& path, TCreatedFile* created) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return -errno;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        return -error;
    }
    if (created != nullptr) {
        *created = TCreatedFile{path, st.st_dev, st.st_ino};
    }
    return fd;
}

bool FitFileName(const std::string& folder, std::string& stem, const std::string& suffix) {
    const auto name_max = static_cast<size_t>(FolderLimit(folder, _PC_NAME_MAX, 255));
    // The system's limit counts the terminating zero.
    const auto path_max = static_cast<size_t>(FolderLimit(folder, _PC_PATH_MAX, 4096)) - 1;
    const size_t room = suffix.size() + kNumberRoom + kPartialRoom;
    if (name_max <= room || path_max <= folder.size() + room) {
        return false;
    }
    const size_t most = std::min(name_max - room, path_max - folder.size() - room);
    stem.resize(Utf8Prefix(stem, most));
    return !stem.empty();
}

int CreatePartialUnderFreeName(std::string* name, TCreatedFile* partial,
                               const std::function<bool()>& stopped) {
    int number = NameNumber(*name);
    for (int attempt = 0; attempt < kMostAlternatives; ++attempt) {
        if (stopped && stopped()) {
            return -ECANCELED;
        }
        struct stat st {};
        const bool taken = ::lstat(name->c_str(), &st) == 0;
        if (!taken && errno != ENOENT) {
            // Every other name in that folder would fail alike.
            return -errno;
        }
        if (!taken) {
            const int fd = CreateExclusive(PartialName(*name), partial);
            if (fd >= 0 && partial != nullptr) {
                TellObserver(TPartialEvent::Created, *partial);
            }
            if (fd != -EEXIST) {
                return fd;
            }
        }
        *name = NumberedName(*name, ++number);
    }
    return -EEXIST;
}

bool StillCreatedFile(const TCreatedFile& file) {
    struct stat st {};
    return !file.Empty() && ::lstat(file.Path.c_str(), &st) == 0 && SameFile(st, file);
}

int64_t CreatedFileSize(const TCreatedFile& file) {
    struct stat st {};
    if (file.Empty() || ::lstat(file.Path.c_str(), &st) != 0 || !SameFile(st, file)) {
        return -1;
    }
    return static_cast<int64_t>(st.st_size);
}

bool RemoveCreatedFile(const TCreatedFile& file) {
    if (!StillCreatedFile(file) || ::unlink(file.Path.c_str()) != 0) {
        return false;
    }
    TellObserver(TPartialEvent::Removed, file);
    return true;
}

int PublishCreatedFile(const TCreatedFile& file, const std::string& wanted, std::string* written) {
    if (!StillCreatedFile(file)) {
        return -ENOENT;
    }
    const NameParts parts = SplitName(wanted);
    std::string name = wanted;
    for (int n = parts.Number + 1; n < parts.Number + kMostAlternatives; ++n) {
        const int result = RenameNoReplace(file.Path, name);
        if (result == 0) {
            TellObserver(TPartialEvent::Published, TCreatedFile{name, file.Device, file.Inode});
            if (written != nullptr) {
                *written = name;
            }
            return 0;
        }
        if (result != -EEXIST) {
            return result;
        }
        name = parts.Folder + parts.Stem + "_(new_" + std::to_string(n) + ")" + parts.Extension;
    }
    return -EEXIST;
}

int64_t ModifiedNanoseconds(const struct stat& status) {
    return static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 +
           static_cast<int64_t>(status.st_mtim.tv_nsec);
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string SystemErrorText(int error_number) {
    // The GNU form may return a fixed text instead of filling the buffer.
    char buffer[128] = {};
    const char* text = ::strerror_r(error_number, buffer, sizeof buffer);
    return text != nullptr ? text : "";
}

std::string EscapedFileName(const std::string& name) {
    std::string out;
    out.reserve(name.size());
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (byte < 0x20 || byte == 0x7f) {
            out += Format("\\x%02x", byte);
        } else {
            out += c;
        }
    }
    return out;
}

bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& problem) {
    const std::string temporary = path + ".new";
    // Left by a run that died before renaming it: ours to remove.
    ::unlink(temporary.c_str());
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        problem = temporary + ": " + SystemErrorText(errno);
        return false;
    }
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        written += static_cast<size_t>(n);
    }
    const bool complete = written == text.size() && ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    if (!complete || ::rename(temporary.c_str(), path.c_str()) != 0) {
        problem = path + ": " + SystemErrorText(complete ? errno : error);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace v2m
