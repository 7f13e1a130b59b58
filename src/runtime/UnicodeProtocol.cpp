#include "UnicodeProtocol.h"

#include "MediaOwners.h"
#include "SafeFiles.h"
#include "StopRequest.h"
#include "libavutil_error.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

namespace v2m {

namespace {

std::atomic<bool> g_registered{false};

constexpr int kIOBufferSize = 64 * 1024;

// What our I/O contexts carry as their opaque pointer.
struct UnicodeFile {
    int fd = -1;
};

std::string FileNameOfURL(const std::string& url) {
    // Everything up to and including the second ':' is the protocol part.
    const size_t first = url.find(':');
    if (first == std::string::npos) {
        return url;
    }
    const size_t second = url.find(':', first + 1);
    return second == std::string::npos ? url.substr(first + 1) : url.substr(second + 1);
}

bool IsOurInput(const AVIOContext* io) {
    return io != nullptr && io->read_packet == unicode_file::Read;
}

bool IsOurOutput(const AVIOContext* io) {
    return io != nullptr && io->write_packet == unicode_file::Write;
}

// Frees an I/O context we made, its buffer and its file; returns the close error.
int FreeOurIO(AVIOContext** io) {
    // The context was the format context's; its file was the context's.
    const std::unique_ptr<UnicodeFile> file(static_cast<UnicodeFile*>((*io)->opaque));
    IOContextPtr owned(std::exchange(*io, nullptr));
    owned.reset();
    if (file != nullptr && file->fd >= 0 && ::close(file->fd) != 0) {
        return AVERROR(errno);
    }
    return 0;
}

// The context owns the file from now on, and FreeOurIO frees both.
AVIOContext* MakeOurIO(int fd, bool writing) {
    auto file = std::make_unique<UnicodeFile>();
    file->fd = fd;
    IOContextPtr io =
        MakeIOContext(kIOBufferSize, writing, file.get(), writing ? nullptr : unicode_file::Read,
                      writing ? unicode_file::Write : nullptr, unicode_file::Seek);
    if (io == nullptr) {
        return nullptr;
    }
    static_cast<void>(file.release());
    return io.release();
}

}  // namespace

bool NeedsUnicodeURL(const std::string& /*name*/) {
    // Local names are UTF-8, which the libraries' own file access opens as they are.
    return false;
}

bool IsUnicodeURL(const std::string& text) {
    return text.size() >= 14 && text.compare(0, 13, kUnicodeURLPrefix) == 0;
}

std::string ToLibraryFileName(const std::string& name) {
    return NeedsUnicodeURL(name) ? kUnicodeURLPrefix + name : name;
}

std::string FromLibraryFileName(const char* text) {
    if (text == nullptr) {
        return {};
    }
    const std::string value(text);
    if (value.starts_with(kFilePrefix)) {
        return value.substr(std::char_traits<char>::length(kFilePrefix));
    }
    return IsUnicodeURL(value) ? FileNameOfURL(value) : value;
}

bool RegisterUnicodeProtocol() {
    return !g_registered.exchange(true);
}

bool UnicodeProtocolRegistered() {
    return g_registered.load();
}

namespace unicode_file {

int Open(const std::string& url, int mode, int* fd) {
    const std::string name = FileNameOfURL(url);
    int flags = O_RDONLY;
    if (mode == kReadWrite) {
        flags = O_RDWR | O_CREAT;  // an existing file keeps its contents
    } else if (mode == kWrite) {
        // A new file only: whatever is at the name is someone's, and a link
        // there is not followed to write somewhere else.
        flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW;
    } else {
        // A FIFO would block this open until a writer comes.
        flags |= O_NONBLOCK;
    }
    *fd = ::open(name.c_str(), flags | O_CLOEXEC, 0666);
    if (*fd < 0) {
        return AVERROR(errno);
    }
    // A folder opens for reading here, and would then fail every read as an
    // I/O error; it is refused with the error a folder gives where it cannot
    // be opened, so the user is told what the name really is.
    struct stat st {};
    const int error = ::fstat(*fd, &st) != 0 ? AVERROR(errno)
                      : S_ISDIR(st.st_mode)  ? AVERROR(EISDIR)
                                             : 0;
    if (error != 0) {
        ::close(*fd);
        *fd = -1;
        return error;
    }
    if (mode == kRead) {
        if (!S_ISREG(st.st_mode)) {
            ::close(*fd);
            *fd = -1;
            return kNotRegularFileError;
        }
        ::fcntl(*fd, F_SETFL, ::fcntl(*fd, F_GETFL) & ~O_NONBLOCK);
    }
    return 0;
}

int Read(void* opaque, uint8_t* buffer, int size) {
    const auto* file = static_cast<UnicodeFile*>(opaque);
    ssize_t n;
    do {
        n = ::read(file->fd, buffer, static_cast<size_t>(size));
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        return AVERROR(errno);
    }
    return n == 0 ? AVERROR_EOF : static_cast<int>(n);
}

int Write(void* opaque, uint8_t* buffer, int size) {
    const auto* file = static_cast<UnicodeFile*>(opaque);
    int done = 0;
    while (done < size) {
        const ssize_t n = ::write(file->fd, buffer + done, static_cast<size_t>(size - done));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return AVERROR(errno);
        }
        done += static_cast<int>(n);
    }
    return done;
}

int64_t Seek(void* opaque, int64_t position, int whence) {
    const auto* file = static_cast<UnicodeFile*>(opaque);
    if (whence & AVSEEK_SIZE) {
        struct stat st {};
        return ::fstat(file->fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : AVERROR(errno);
    }
    const off_t result = ::lseek(file->fd, position, whence & ~AVSEEK_FORCE);
    return result < 0 ? AVERROR(errno) : static_cast<int64_t>(result);
}

void Close(int fd) {
    if (fd >= 0) {
        ::close(fd);
    }
}

}  // namespace unicode_file

bool IsLocalFileName(const std::string& url, std::string* path) {
    std::string local;
    if (IsUnicodeURL(url)) {
        local = FileNameOfURL(url);
    } else if (url.starts_with(kFilePrefix)) {
        local = url.substr(std::char_traits<char>::length(kFilePrefix));
    } else {
        // A name on disk is a file whatever it looks like ("data:clip.mp4");
        // otherwise the libraries' reading decides between URL and file.
        struct stat st {};
        const char* protocol = ff::avio_find_protocol_name(url.c_str());
        if (::lstat(url.c_str(), &st) != 0 && protocol != nullptr &&
            std::strcmp(protocol, "file") != 0) {
            return false;
        }
        local = url;
    }
    if (path != nullptr) {
        *path = local;
    }
    return true;
}

namespace {

// Like the library's open, one of ours frees the caller's context when it fails.
int DropContext(AVFormatContext** context, int error) {
    const FormatContextPtr dropped(std::exchange(*context, nullptr));
    return error;
}

// A name in our Unicode protocol made into our own I/O context.
struct OurIOFree {
    void operator()(AVIOContext* io) const { FreeOurIO(&io); }
};

// A file name or URL of the library's own protocols.
int OpenPlainInput(AVFormatContext** context, const std::string& url, const AVInputFormat* format,
                   AVDictionary** options) {
    std::string path;
    std::string name = url;
    if (IsLocalFileName(url, &path)) {
        // Checked before the library opens it: a FIFO or a device could
        // keep that open waiting for ever.
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            return DropContext(context, kNotRegularFileError);
        }
        // The explicit form keeps a ':' in a file name from being read
        // as a protocol.
        if (!url.starts_with(kFilePrefix)) {
            const char* protocol = ff::avio_find_protocol_name(url.c_str());
            if (protocol == nullptr || std::strcmp(protocol, "file") != 0) {
                name = kFilePrefix + url;
            }
        }
    }
    return ff::avformat_open_input(context, name.c_str(), format, options);
}

// A name in our Unicode protocol, opened through our I/O.
int OpenUnicodeInput(AVFormatContext** context, const std::string& url, const AVInputFormat* format,
                     AVDictionary** options) {
    // Like the library, take a context the caller made (with its flags and
    // settings), and free it on failure.
    FormatContextPtr ctx(std::exchange(*context, nullptr));
    if (!UnicodeProtocolRegistered()) {
        return AVERROR_PROTOCOL_NOT_FOUND;
    }
    int fd = -1;
    if (int error = unicode_file::Open(url, unicode_file::kRead, &fd); error < 0) {
        return error;
    }
    std::unique_ptr<AVIOContext, OurIOFree> io(MakeOurIO(fd, false));
    if (io == nullptr) {
        unicode_file::Close(fd);
        return AVERROR(ENOMEM);
    }
    if (ctx == nullptr) {
        ctx.reset(ff::avformat_alloc_context());
        if (ctx == nullptr) {
            return AVERROR(ENOMEM);
        }
    }
    ctx->pb = io.get();
    ctx->flags |= AVFMT_FLAG_CUSTOM_IO;
    // On failure the library frees the context, but never an I/O context it was given.
    AVFormatContext* opening = ctx.release();
    const int result = ff::avformat_open_input(&opening, url.c_str(), format, options);
    if (result < 0) {
        return result;
    }
    static_cast<void>(io.release());  // closed with the context (CloseInputContext)
    *context = opening;
    return result;
}

}  // namespace

int OpenInputContext(AVFormatContext** context, const std::string& url, const AVInputFormat* format,
                     AVDictionary** options) {
    // Every input gives up its open and analysis when the process stops,
    // also one whose owner set no stop of its own.
    if (*context == nullptr) {
        *context = ff::avformat_alloc_context();
        if (*context == nullptr) {
            return AVERROR(ENOMEM);
        }
    }
    if ((*context)->interrupt_callback.callback == nullptr) {
        (*context)->interrupt_callback = StopInterrupt(nullptr);
    }
    if (ProcessStopRequested()) {
        return DropContext(context, AVERROR_EXIT);
    }
    if (*context != nullptr && (*context)->pb != nullptr) {
        // Marked so that neither a failed open nor the close frees it.
        (*context)->flags |= AVFMT_FLAG_CUSTOM_IO;
        return ff::avformat_open_input(context, url.c_str(), format, options);
    }
    return IsUnicodeURL(url) ? OpenUnicodeInput(context, url, format, options)
                             : OpenPlainInput(context, url, format, options);
}

void CloseInputContext(AVFormatContext** context) {
    if (context == nullptr || *context == nullptr) {
        return;
    }
    AVIOContext* io = (*context)->pb;
    const bool ours = ((*context)->flags & AVFMT_FLAG_CUSTOM_IO) && IsOurInput(io);
    ff::avformat_close_input(context);
    if (ours) {
        FreeOurIO(&io);
    }
}

int OpenOutputIOOnFile(AVIOContext** io, int fd) {
    *io = MakeOurIO(fd, true);
    if (*io == nullptr) {
        unicode_file::Close(fd);
        return AVERROR(ENOMEM);
    }
    return 0;
}

int OpenOutputIO(AVIOContext** io, const std::string& url) {
    *io = nullptr;
    std::string path;
    if (IsUnicodeURL(url) && !UnicodeProtocolRegistered()) {
        return AVERROR_PROTOCOL_NOT_FOUND;
    }
    if (!IsLocalFileName(url, &path)) {
        return ff::avio_open(io, url.c_str(), AVIO_FLAG_WRITE);
    }
    const int fd = CreateExclusive(path, nullptr);
    if (fd < 0) {
        return AVERROR(-fd);
    }
    return OpenOutputIOOnFile(io, fd);
}

int CloseOutputIO(AVIOContext** io) {
    if (io == nullptr || *io == nullptr) {
        return 0;
    }
    ff::avio_flush(*io);
    const int write_error = (*io)->error;
    int close_error;
    if (IsOurOutput(*io)) {
        close_error = FreeOurIO(io);
    } else {
        close_error = ff::avio_closep(io);
    }
    return write_error < 0 ? write_error : close_error;
}

}  // namespace v2m
