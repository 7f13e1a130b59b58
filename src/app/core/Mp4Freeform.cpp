#include "Mp4Freeform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>

#include "SafeFiles.h"

namespace v2m {

namespace {

using TBytes = std::vector<uint8_t>;

constexpr size_t kBoxHeader = 8;
constexpr size_t kFullBoxHeader = 12;  // a header, then version and flags

uint32_t Get32(const TBytes& data, size_t at) {
    return static_cast<uint32_t>(data[at]) << 24 | static_cast<uint32_t>(data[at + 1]) << 16 |
           static_cast<uint32_t>(data[at + 2]) << 8 | static_cast<uint32_t>(data[at + 3]);
}

void Set32(TBytes& data, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) {
        data[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
    }
}

void Put32(TBytes& out, uint32_t value) {
    out.resize(out.size() + 4);
    Set32(out, out.size() - 4, value);
}

void PutText(TBytes& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

// A box of the type holding `body`; `full` adds version and flags (zero).
TBytes Box(const char* type, const TBytes& body, bool full = false) {
    TBytes box;
    Put32(box, static_cast<uint32_t>(kBoxHeader + (full ? 4 : 0) + body.size()));
    PutText(box, std::string(type, 4));
    if (full) {
        Put32(box, 0);
    }
    box.insert(box.end(), body.begin(), body.end());
    return box;
}

TBytes Freeform(const std::string& name, const std::string& value) {
    TBytes mean;
    PutText(mean, "com.apple.iTunes");
    TBytes label;
    PutText(label, name);
    TBytes data;
    Put32(data, 1);  // UTF-8 text
    Put32(data, 0);  // no locale
    PutText(data, value);
    TBytes body = Box("mean", mean, true);
    const TBytes name_box = Box("name", label, true);
    const TBytes data_box = Box("data", data);
    body.insert(body.end(), name_box.begin(), name_box.end());
    body.insert(body.end(), data_box.begin(), data_box.end());
    return Box("----", body);
}

// A box within moov as it is edited: where it starts, where its children do.
struct TPlace {
    size_t At = 0;
    size_t Children = 0;
};

class TMoovEditor {
public:
    explicit TMoovEditor(TBytes moov) : moov_(std::move(moov)) {}

    // The child of the type within the innermost box of the path, made at
    // its end (from `fresh`) when there is none; the path grows by it.
    bool Enter(const char* type, const TBytes& fresh, size_t children_offset) {
        const TPlace parent = path_.empty() ? TPlace{0, kBoxHeader} : path_.back();
        const size_t end = parent.At + Get32(moov_, parent.At);
        for (size_t at = parent.Children; at + kBoxHeader <= end;) {
            const size_t size = Get32(moov_, at);
            if (size < kBoxHeader || at + size > end) {
                return false;  // 64-bit or damaged: nothing here is changed
            }
            if (std::memcmp(&moov_[at + 4], type, 4) == 0) {
                path_.push_back({at, at + children_offset});
                return true;
            }
            at += size;
        }
        Insert(end, fresh);
        path_.push_back({end, end + children_offset});
        return true;
    }

    // Appends to the innermost box of the path.
    void Append(const TBytes& bytes) {
        Insert(path_.back().At + Get32(moov_, path_.back().At), bytes);
    }

    const TBytes& Moov() const { return moov_; }

private:
    void Insert(size_t at, const TBytes& bytes) {
        moov_.insert(moov_.begin() + static_cast<ptrdiff_t>(at), bytes.begin(), bytes.end());
        Set32(moov_, 0, Get32(moov_, 0) + static_cast<uint32_t>(bytes.size()));
        for (const TPlace& box : path_) {
            Set32(moov_, box.At, Get32(moov_, box.At) + static_cast<uint32_t>(bytes.size()));
        }
    }

    TBytes moov_;
    std::vector<TPlace> path_;  // below moov
};

TBytes EmptyMeta() {
    TBytes handler;
    Put32(handler, 0);  // pre-defined
    PutText(handler, "mdirappl");
    Put32(handler, 0);
    Put32(handler, 0);
    handler.push_back(0);  // an empty name
    TBytes body = Box("hdlr", handler, true);
    const TBytes list = Box("ilst", {});
    body.insert(body.end(), list.begin(), list.end());
    return Box("meta", body, true);
}

bool ReadAt(int fd, TBytes& out, size_t size, off_t at) {
    out.resize(size);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = pread(fd, out.data() + done, size - done, at + static_cast<off_t>(done));
        if (n <= 0) {
            if (n < 0 && errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool WriteAt(int fd, const TBytes& data, off_t at) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n =
            pwrite(fd, data.data() + done, data.size() - done, at + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

struct TCloser {
    int Fd;
    ~TCloser() {
        if (Fd >= 0) {
            close(Fd);
        }
    }
};

// Where the movie box lies in the file.
struct TMoovPlace {
    uint64_t At = 0;
    uint64_t Size = 0;
};

// A box's size from its header: a 64-bit size follows the type when the
// 32-bit one is 1, and 0 means the box runs to the end of the file.
uint64_t BoxSize(const TBytes& header, uint64_t at, uint64_t size) {
    uint64_t box = Get32(header, 0);
    if (box == 1 && at + 16 <= size) {
        box = static_cast<uint64_t>(Get32(header, 8)) << 32 | Get32(header, 12);
    } else if (box == 0) {
        box = size - at;
    }
    return box;
}

// Walks the top-level boxes; the last movie box found wins. Empty, or the
// error text.
std::string LocateMoov(int fd, uint64_t size, TMoovPlace& place) {
    std::optional<uint64_t> moov_at;
    uint64_t moov_size = 0;
    TBytes header;
    for (uint64_t at = 0; at + kBoxHeader <= size;) {
        if (!ReadAt(fd, header, 16, static_cast<off_t>(at)) && at + 16 <= size) {
            return "The tags cannot be written: " + SystemErrorText(errno);
        }
        const uint64_t box = BoxSize(header, at, size);
        if (box < kBoxHeader || at + box > size) {
            return "The tags cannot be written: the file's boxes are damaged";
        }
        if (std::memcmp(&header[4], "moov", 4) == 0) {
            moov_at = at;
            moov_size = box;
        }
        at += box;
    }
    if (!moov_at || moov_size > UINT32_MAX / 2) {
        return "The tags cannot be written: the file has no movie box";
    }
    place.At = *moov_at;
    place.Size = moov_size;
    return {};
}

// Writes the grown movie box back: in place when it ends the file, else
// after the end, the old one turned into free space. Empty, or the error text.
std::string WriteMoov(int fd, uint64_t size, const TMoovPlace& place, const TBytes& moov) {
    const bool last = place.At + place.Size == size;
    const uint64_t write_at = last ? place.At : size;
    if (!last) {
        // Offsets into the media stay true: the old box keeps its room.
        TBytes free_type;
        PutText(free_type, "free");
        if (!WriteAt(fd, free_type, static_cast<off_t>(place.At + 4))) {
            return "The tags cannot be written: " + SystemErrorText(errno);
        }
    }
    if (!WriteAt(fd, moov, static_cast<off_t>(write_at)) ||
        ftruncate(fd, static_cast<off_t>(write_at + moov.size())) != 0) {
        return "The tags cannot be written: " + SystemErrorText(errno);
    }
    return {};
}

}  // namespace

std::string AddFreeformTags(const std::string& path,
                            const std::vector<std::pair<std::string, std::string>>& tags) {
    if (tags.empty()) {
        return {};
    }
    const TCloser file{open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC)};
    struct stat info {};
    if (file.Fd < 0 || fstat(file.Fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return "The tags cannot be written: " + SystemErrorText(errno);
    }
    const auto size = static_cast<uint64_t>(info.st_size);
    TMoovPlace place;
    if (std::string error = LocateMoov(file.Fd, size, place); !error.empty()) {
        return error;
    }
    TBytes moov;
    if (!ReadAt(file.Fd, moov, place.Size, static_cast<off_t>(place.At)) ||
        Get32(moov, 0) != place.Size) {
        return "The tags cannot be written: the movie box cannot be read";
    }
    TMoovEditor editor(std::move(moov));
    if (!editor.Enter("udta", Box("udta", {}), kBoxHeader) ||
        !editor.Enter("meta", EmptyMeta(), kFullBoxHeader) ||
        !editor.Enter("ilst", Box("ilst", {}), kBoxHeader)) {
        return "The tags cannot be written: the movie box is damaged";
    }
    for (const auto& [name, value] : tags) {
        editor.Append(Freeform(name, value));
    }
    return WriteMoov(file.Fd, size, place, editor.Moov());
}

}  // namespace v2m
