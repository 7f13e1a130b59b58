#pragma once
// Finds, loads and binds the media libraries at run time, and keeps the state
// of each library for the components that query it.

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <stdexcept>
#include <string>

#include "FFmpegApi.h"

namespace v2m {

// Order is the load order and the bit order of a set. Kinds added later go at
// the end so the earlier indices keep their meaning.
enum TLibraryKind : int {
    lkAVCodec = 0,
    lkAVDevice = 1,
    lkAVFilter = 2,
    lkAVFormat = 3,
    lkAVUtil = 4,
    lkSwScale = 5,
    lkMSVCRT = 6,  // the C runtime
    lkSDL = 7,
    lkSwResample = 8,
};
inline constexpr int kLibraryKindCount = 9;

// The kind as a position in per-kind arrays.
constexpr std::size_t Index(TLibraryKind kind) {
    return static_cast<std::size_t>(kind);
}

class TLibraryKinds {
public:
    constexpr TLibraryKinds() = default;
    constexpr TLibraryKinds(std::initializer_list<TLibraryKind> kinds) {
        for (TLibraryKind k : kinds)
            bits_ |= 1u << k;
    }
    constexpr bool Contains(TLibraryKind k) const { return (bits_ >> k) & 1u; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr uint32_t Bits() const { return bits_; }
    constexpr TLibraryKinds operator+(TLibraryKinds other) const {
        TLibraryKinds r;
        r.bits_ = bits_ | other.bits_;
        return r;
    }
    constexpr bool operator==(const TLibraryKinds&) const = default;

private:
    uint32_t bits_ = 0;
};

inline constexpr TLibraryKinds ConverterLibs{lkAVCodec, lkAVFilter, lkAVFormat,  lkAVUtil,
                                             lkSwScale, lkMSVCRT,   lkSwResample};
inline constexpr TLibraryKinds PlayerLibs = ConverterLibs + TLibraryKinds{lkSDL};

// A failure while binding: its text becomes the loader's LastError.
class LoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One exported name of a library and how to store it into its typed slot.
struct EntryPoint {
    const char* name;
    void (*assign)(void* address);
    bool required;
    bool variable;
};

// Binds every entry of the list from the module; raises LoadError with the
// "Load function" / "Load variable" text at the first required name missing.
// Names bound before the failure keep their address until the list is unbound.
void BindEntries(std::span<const EntryPoint> entries, const std::string& file_name, void* handle);
void UnbindEntries(std::span<const EntryPoint> entries);

struct TLibraryItem {
    TLibraryKind Kind;
    std::string Name;  // base name, as in the file name
    int Version;       // -1: the file name carries no version
    void (*Bind)(const std::string& file_name, void* handle);
    void (*Unbind)();
};

struct TLibraryStatus {
    TLibraryKind Kind;
    std::string FileName;  // replaces the default file name when not empty
    void* Handle = nullptr;
    bool Bound = false;
};

// What UnloadLib and UnloadLibraries leave in LastError when they refuse.
inline constexpr const char* kUnloadWhileInUseError =
    "The media libraries cannot be unloaded while a conversion or playback is running.";

// Any thread may call the loader. Slots are bound once and stay bound while a
// TLibraryUse holds their library, so workers read them without a lock.
class TFFmpegLoader {
public:
    TFFmpegLoader();
    ~TFFmpegLoader();
    TFFmpegLoader(const TFFmpegLoader&) = delete;
    TFFmpegLoader& operator=(const TFFmpegLoader&) = delete;

    void SetLibraryPath(std::string path);
    std::string LibraryPath() const;
    std::string LastError() const;

    std::string LibFileName(TLibraryKind kind) const;
    void SetLibFileName(TLibraryKind kind, std::string file_name);
    const TLibraryItem& Item(TLibraryKind kind) const { return items_[Index(kind)]; }
    TLibraryStatus Status(TLibraryKind kind) const;

    bool LoadLib(TLibraryKind kind);
    // False, with kUnloadWhileInUseError in LastError, while the library is in use.
    bool UnloadLib(TLibraryKind kind);
    bool LoadLibraries(TLibraryKinds kinds);
    bool LibrariesLoaded(TLibraryKinds kinds) const;
    bool LibraryLoaded(TLibraryKind kind) const;
    // All of them, or none while any of them is in use (false, as UnloadLib).
    bool UnloadLibraries(TLibraryKinds kinds);

    // Held for as long as a conversion or a playback calls into the libraries
    // of `kinds`: until it goes, the process's loader refuses to unload them.
    class TUse {
    public:
        explicit TUse(TLibraryKinds kinds);
        ~TUse();
        TUse(const TUse&) = delete;
        TUse& operator=(const TUse&) = delete;

    private:
        TFFmpegLoader& loader_;
        TLibraryKinds kinds_;
    };

private:
    void AddUse(TLibraryKinds kinds);
    void EndUse(TLibraryKinds kinds);

    // The callers hold mutex_.
    std::string FileNameLocked(TLibraryKind kind) const;
    bool LoadLocked(TLibraryKind kind);
    void UnloadLocked(TLibraryKind kind);
    bool LoadedLocked(TLibraryKind kind) const;
    bool InUseLocked(TLibraryKinds kinds) const;

    std::array<TLibraryItem, kLibraryKindCount> items_;  // fixed at construction

    mutable std::mutex mutex_;
    std::array<TLibraryStatus, kLibraryKindCount> status_;
    std::array<int, kLibraryKindCount> users_{};
    std::string library_path_;
    std::string last_error_;
};

// Loads Folder + File when the folder holds it, first loading the folder's own
// copies of the libraries it depends on, so that no second copy of a library
// enters the process; otherwise loads File through the system's search order.
// Returns the handle, or null with the system's message in `error`.
void* OpenLibraryFile(const std::string& folder, const std::string& file, std::string& error);

// Loads a plug-in by its absolute path, resolving all its names now and
// keeping them out of the process's global scope, so that two plug-ins may
// export the same names. Null with the system's message in `error`.
void* OpenPluginModule(const std::string& absolute_path, std::string& error);

// The one loader of the process; exists while a MediaRuntime does.
TFFmpegLoader& FFLoader();

using TLibraryUse = TFFmpegLoader::TUse;

// Serialises opening and closing codecs (and stream analysis) process-wide.
// Holding it is known per thread, so that code which would otherwise wait for
// the main thread can tell that the main thread may be waiting for this lock.
class AVCodecLock {
public:
    AVCodecLock();
    ~AVCodecLock();
    AVCodecLock(const AVCodecLock&) = delete;
    AVCodecLock& operator=(const AVCodecLock&) = delete;
};
bool ThisThreadHoldsAVCodecLock();

// Process start-up and shutdown of the runtime services: the floating-point
// environment, the loader, the logger's thread list. One per process, made in
// main() before anything else and destroyed last. Libraries stay loaded.
class MediaRuntime {
public:
    MediaRuntime();
    ~MediaRuntime();
    MediaRuntime(const MediaRuntime&) = delete;
    MediaRuntime& operator=(const MediaRuntime&) = delete;

private:
    struct Saved;
    std::unique_ptr<Saved> saved_;
};

}  // namespace v2m
