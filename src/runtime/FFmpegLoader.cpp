#include "FFmpegLoader.h"

#include <dlfcn.h>
#include <elf.h>
#include <fenv.h>
#include <sys/stat.h>

#include <fstream>
#include <set>
#include <vector>

#include "Assertions.h"
#include "FFmpegLogger.h"
#include "Format.h"
#include "SDLApi.h"
#include "UnicodeProtocol.h"

namespace v2m {

namespace {

// The kinds as indices of the loader's per-kind arrays.
constexpr size_t kKindSlots = kLibraryKindCount;

// Under the leak checker a library stays mapped after its last dlclose: the
// checker reads the call stacks of the blocks left at exit, and those of an
// unmapped library name no module, so neither we nor a suppression could tell
// whose they are. Elsewhere an unloaded library goes away as usual.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kOpenMode = RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE;
#else
constexpr int kOpenMode = RTLD_NOW | RTLD_LOCAL;
#endif

#define V2M_FUNCTION(n, need) \
    {#n, [](void* p) { ff::n = reinterpret_cast<decltype(ff::n)>(p); }, need, false},
#define V2M_VARIABLE(n, need) \
    {#n, [](void* p) { ff::n = reinterpret_cast<decltype(ff::n)>(p); }, need, true},
const EntryPoint kAVCodecEntries[] = {
#include "entries/avcodec.inc"
};
const EntryPoint kAVDeviceEntries[] = {
#include "entries/avdevice.inc"
};
const EntryPoint kAVFilterEntries[] = {
#include "entries/avfilter.inc"
};
const EntryPoint kAVFormatEntries[] = {
#include "entries/avformat.inc"
};
const EntryPoint kAVUtilEntries[] = {
#include "entries/avutil.inc"
};
const EntryPoint kSwScaleEntries[] = {
#include "entries/swscale.inc"
};
const EntryPoint kCRTEntries[] = {
#include "entries/crt.inc"
};
const EntryPoint kSDLEntries[] = {
#include "entries/sdl.inc"
};
const EntryPoint kSwResampleEntries[] = {
#include "entries/swresample.inc"
};
#undef V2M_FUNCTION
#undef V2M_VARIABLE

template <const auto& Entries>
void BindList(const std::string& file_name, void* handle) {
    BindEntries(Entries, file_name, handle);
}
template <const auto& Entries>
void UnbindList() {
    UnbindEntries(Entries);
}

void BindAVDevice(const std::string& file_name, void* handle) {
    BindEntries(kAVDeviceEntries, file_name, handle);
    // Devices are the one family that still needs registering.
    ff::avdevice_register_all();
}

std::string SharedObjectName(const std::string& base, int version) {
    std::string name = "lib" + base + ".so";
    if (version >= 0) {
        name += "." + std::to_string(version);
    }
    return name;
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The DT_NEEDED names of a 64-bit ELF shared object; empty when the file is
// not one (the loader then reports whatever the system says about it).
std::vector<std::string> NeededLibraries(const std::string& path) {
    std::vector<std::string> needed;
    std::ifstream in(path, std::ios::binary);
    Elf64_Ehdr header{};
    if (!in.read(reinterpret_cast<char*>(&header), sizeof header) ||
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_phentsize != sizeof(Elf64_Phdr)) {
        return needed;
    }
    std::vector<Elf64_Phdr> segments(header.e_phnum);
    in.seekg(static_cast<std::streamoff>(header.e_phoff));
    if (!in.read(reinterpret_cast<char*>(segments.data()),
                 static_cast<std::streamsize>(segments.size() * sizeof(Elf64_Phdr)))) {
        return needed;
    }
    auto file_offset = [&](uint64_t address) -> int64_t {
        for (const Elf64_Phdr& s : segments) {
            if (s.p_type == PT_LOAD && address >= s.p_vaddr && address < s.p_vaddr + s.p_filesz) {
                return static_cast<int64_t>(address - s.p_vaddr + s.p_offset);
            }
        }
        return -1;
    };
    for (const Elf64_Phdr& s : segments) {
        if (s.p_type != PT_DYNAMIC) {
            continue;
        }
        std::vector<Elf64_Dyn> dynamic(s.p_filesz / sizeof(Elf64_Dyn));
        in.seekg(static_cast<std::streamoff>(s.p_offset));
        if (!in.read(reinterpret_cast<char*>(dynamic.data()),
                     static_cast<std::streamsize>(dynamic.size() * sizeof(Elf64_Dyn)))) {
            return needed;
        }
        int64_t strings = -1;
        for (const Elf64_Dyn& d : dynamic) {
            if (d.d_tag == DT_STRTAB) {
                strings = file_offset(d.d_un.d_ptr);
            }
        }
        if (strings < 0) {
            return needed;
        }
        for (const Elf64_Dyn& d : dynamic) {
            if (d.d_tag == DT_NULL) {
                break;
            }
            if (d.d_tag == DT_NEEDED) {
                in.clear();
                in.seekg(strings + static_cast<int64_t>(d.d_un.d_val));
                std::string name;
                if (std::getline(in, name, '\0')) {
                    needed.push_back(name);
                }
            }
        }
    }
    return needed;
}

// Dependencies loaded from a library folder stay loaded for the life of the
// process, as the libraries themselves do.
std::mutex g_folder_mutex;
std::set<std::string> g_folder_loaded;
std::vector<void*> g_folder_handles;

bool LoadFolderDependencies(const std::string& folder, const std::string& file,
                            std::set<std::string>& visiting, std::string& error) {
    for (const std::string& dependency : NeededLibraries(folder + file)) {
        const std::string path = folder + dependency;
        if (g_folder_loaded.count(path) || visiting.count(path) || !IsRegularFile(path)) {
            continue;
        }
        visiting.insert(path);
        if (!LoadFolderDependencies(folder, dependency, visiting, error)) {
            return false;
        }
        void* handle = ::dlopen(path.c_str(), kOpenMode);
        if (!handle) {
            const char* message = ::dlerror();
            error = message ? message : "unknown error";
            return false;
        }
        g_folder_loaded.insert(path);
        g_folder_handles.push_back(handle);
    }
    return true;
}

// The loader the running MediaRuntime owns; null before it starts and after it ends.
TFFmpegLoader* g_loader = nullptr;

thread_local int t_codec_lock_depth = 0;
std::recursive_mutex& CodecMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

}  // namespace

void BindEntries(std::span<const EntryPoint> entries, const std::string& file_name, void* handle) {
    for (const EntryPoint& entry : entries) {
        ::dlerror();
        void* address = ::dlsym(handle, entry.name);
        if (!address) {
            if (!entry.required) {
                continue;
            }
            const char* message = ::dlerror();
            throw LoadError(Format(
                entry.variable ? "Load variable %s@%s error: %s" : "Load function %s@%s error: %s",
                entry.name, file_name.c_str(), message ? message : "symbol not found"));
        }
        entry.assign(address);
    }
}

void UnbindEntries(std::span<const EntryPoint> entries) {
    for (const EntryPoint& entry : entries) {
        entry.assign(nullptr);
    }
}

void* OpenLibraryFile(const std::string& folder, const std::string& file, std::string& error) {
    error.clear();
    std::string dir = folder;
    if (!dir.empty() && dir.back() != '/') {
        dir += '/';
    }
    void* handle = nullptr;
    if (!dir.empty() && IsRegularFile(dir + file)) {
        std::lock_guard lock(g_folder_mutex);
        std::set<std::string> visiting{dir + file};
        if (!LoadFolderDependencies(dir, file, visiting, error)) {
            return nullptr;
        }
        handle = ::dlopen((dir + file).c_str(), kOpenMode);
    } else {
        handle = ::dlopen(file.c_str(), kOpenMode);
    }
    if (!handle) {
        const char* message = ::dlerror();
        error = message ? message : "unknown error";
    }
    return handle;
}

void* OpenPluginModule(const std::string& absolute_path, std::string& error) {
    error.clear();
    void* handle = ::dlopen(absolute_path.c_str(), kOpenMode);
    if (!handle) {
        const char* message = ::dlerror();
        error = message ? message : "unknown error";
    }
    return handle;
}

TFFmpegLoader::TFFmpegLoader()
    : items_{{
          {lkAVCodec, "avcodec", LIBAVCODEC_VERSION_MAJOR, BindList<kAVCodecEntries>,
           UnbindList<kAVCodecEntries>},
          {lkAVDevice, "avdevice", LIBAVDEVICE_VERSION_MAJOR, BindAVDevice,
           UnbindList<kAVDeviceEntries>},
          {lkAVFilter, "avfilter", LIBAVFILTER_VERSION_MAJOR, BindList<kAVFilterEntries>,
           UnbindList<kAVFilterEntries>},
          {lkAVFormat, "avformat", LIBAVFORMAT_VERSION_MAJOR, BindList<kAVFormatEntries>,
           UnbindList<kAVFormatEntries>},
          {lkAVUtil, "avutil", LIBAVUTIL_VERSION_MAJOR, BindList<kAVUtilEntries>,
           UnbindList<kAVUtilEntries>},
          {lkSwScale, "swscale", LIBSWSCALE_VERSION_MAJOR, BindList<kSwScaleEntries>,
           UnbindList<kSwScaleEntries>},
          {lkMSVCRT, "c", 6, BindList<kCRTEntries>, UnbindList<kCRTEntries>},
          {lkSDL, "SDL2-2.0", 0, BindList<kSDLEntries>, UnbindList<kSDLEntries>},
          {lkSwResample, "swresample", LIBSWRESAMPLE_VERSION_MAJOR, BindList<kSwResampleEntries>,
           UnbindList<kSwResampleEntries>},
      }} {
    for (size_t k = 0; k < kKindSlots; ++k) {
        status_[k].Kind = static_cast<TLibraryKind>(k);
    }
}

TFFmpegLoader::~TFFmpegLoader() = default;

void TFFmpegLoader::SetLibraryPath(std::string path) {
    std::lock_guard lock(mutex_);
    library_path_ = std::move(path);
}

std::string TFFmpegLoader::LibraryPath() const {
    std::lock_guard lock(mutex_);
    return library_path_;
}

std::string TFFmpegLoader::LastError() const {
    std::lock_guard lock(mutex_);
    return last_error_;
}

std::string TFFmpegLoader::LibFileName(TLibraryKind kind) const {
    std::lock_guard lock(mutex_);
    return FileNameLocked(kind);
}

std::string TFFmpegLoader::FileNameLocked(TLibraryKind kind) const {
    if (!status_[Index(kind)].FileName.empty()) {
        return status_[Index(kind)].FileName;
    }
    return SharedObjectName(items_[Index(kind)].Name, items_[Index(kind)].Version);
}

void TFFmpegLoader::SetLibFileName(TLibraryKind kind, std::string file_name) {
    std::lock_guard lock(mutex_);
    status_[Index(kind)].FileName = std::move(file_name);
}

TLibraryStatus TFFmpegLoader::Status(TLibraryKind kind) const {
    std::lock_guard lock(mutex_);
    return status_[Index(kind)];
}

bool TFFmpegLoader::LoadLib(TLibraryKind kind) {
    std::lock_guard lock(mutex_);
    return LoadLocked(kind);
}

bool TFFmpegLoader::LoadLocked(TLibraryKind kind) {
    TLibraryStatus& status = status_[Index(kind)];
    const std::string file_name = FileNameLocked(kind);
    if (!status.Handle) {
        const size_t slash = file_name.rfind('/');
        std::string folder = slash == std::string::npos ? "" : file_name.substr(0, slash + 1);
        const std::string file =
            slash == std::string::npos ? file_name : file_name.substr(slash + 1);
        if (folder.empty() && !library_path_.empty()) {
            folder = library_path_;
            if (folder.back() != '/') {
                folder += '/';
            }
        }
        std::string error;
        void* handle = OpenLibraryFile(folder, file, error);
        if (!handle) {
            last_error_ =
                Format("Load library %s error: %s", (folder + file).c_str(), error.c_str());
            return false;
        }
        status.Handle = handle;
    }
    if (!status.Bound) {
        try {
            items_[Index(kind)].Bind(file_name, status.Handle);
            status.Bound = true;
        } catch (const LoadError& e) {
            last_error_ = e.what();
            // Names bound before the failure would point into a module about
            // to be freed.
            items_[Index(kind)].Unbind();
        }
    }
    if (!status.Bound) {
        UnloadLocked(kind);
        return false;
    }
    if (kind == lkAVUtil) {
        FFLoggerInstance().InstallLogCallback();
    }
    if (kind == lkAVFormat) {
        RegisterUnicodeProtocol();
    }
    return true;
}

bool TFFmpegLoader::UnloadLib(TLibraryKind kind) {
    std::lock_guard lock(mutex_);
    if (InUseLocked(TLibraryKinds{kind})) {
        last_error_ = kUnloadWhileInUseError;
        return false;
    }
    UnloadLocked(kind);
    return true;
}

void TFFmpegLoader::UnloadLocked(TLibraryKind kind) {
    TLibraryStatus& status = status_[Index(kind)];
    if (status.Bound) {
        if (kind == lkAVUtil) {
            // The callback lives in our code, but the library is about to go.
            FFLoggerInstance().LibraryUnloading();
        }
        items_[Index(kind)].Unbind();
        status.Bound = false;
    }
    if (status.Handle) {
        ::dlclose(status.Handle);
        status.Handle = nullptr;
    }
}

bool TFFmpegLoader::LoadLibraries(TLibraryKinds kinds) {
    Assert(!kinds.Empty(), "Assertion failure", "FFmpegLoader");
    std::lock_guard lock(mutex_);
    // Only what this call loads is undone on failure: a library that was ready
    // before may be in use by a running conversion.
    TLibraryKinds loaded_here;
    for (int k = 0; k < kLibraryKindCount; ++k) {
        const auto kind = static_cast<TLibraryKind>(k);
        if (!kinds.Contains(kind)) {
            continue;
        }
        const bool was_ready = LoadedLocked(kind);
        if (!LoadLocked(kind)) {
            // Nothing can be using what was not loaded before this call.
            for (int u = 0; u < kLibraryKindCount; ++u) {
                if (loaded_here.Contains(static_cast<TLibraryKind>(u))) {
                    UnloadLocked(static_cast<TLibraryKind>(u));
                }
            }
            return false;
        }
        if (!was_ready) {
            loaded_here = loaded_here + TLibraryKinds{kind};
        }
    }
    return true;
}

bool TFFmpegLoader::LibrariesLoaded(TLibraryKinds kinds) const {
    Assert(!kinds.Empty(), "Assertion failure", "FFmpegLoader");
    std::lock_guard lock(mutex_);
    for (int k = 0; k < kLibraryKindCount; ++k) {
        if (kinds.Contains(static_cast<TLibraryKind>(k)) &&
            !LoadedLocked(static_cast<TLibraryKind>(k))) {
            return false;
        }
    }
    return true;
}

bool TFFmpegLoader::LibraryLoaded(TLibraryKind kind) const {
    std::lock_guard lock(mutex_);
    return LoadedLocked(kind);
}

bool TFFmpegLoader::LoadedLocked(TLibraryKind kind) const {
    return status_[Index(kind)].Handle != nullptr && status_[Index(kind)].Bound;
}

bool TFFmpegLoader::UnloadLibraries(TLibraryKinds kinds) {
    Assert(!kinds.Empty(), "Assertion failure", "FFmpegLoader");
    std::lock_guard lock(mutex_);
    if (InUseLocked(kinds)) {
        last_error_ = kUnloadWhileInUseError;
        return false;
    }
    for (int k = 0; k < kLibraryKindCount; ++k) {
        if (kinds.Contains(static_cast<TLibraryKind>(k))) {
            UnloadLocked(static_cast<TLibraryKind>(k));
        }
    }
    return true;
}

bool TFFmpegLoader::InUseLocked(TLibraryKinds kinds) const {
    for (size_t k = 0; k < kKindSlots; ++k) {
        if (kinds.Contains(static_cast<TLibraryKind>(k)) && users_[k] > 0) {
            return true;
        }
    }
    return false;
}

void TFFmpegLoader::AddUse(TLibraryKinds kinds) {
    std::lock_guard lock(mutex_);
    for (size_t k = 0; k < kKindSlots; ++k) {
        users_[k] += kinds.Contains(static_cast<TLibraryKind>(k)) ? 1 : 0;
    }
}

void TFFmpegLoader::EndUse(TLibraryKinds kinds) {
    std::lock_guard lock(mutex_);
    for (size_t k = 0; k < kKindSlots; ++k) {
        users_[k] -= kinds.Contains(static_cast<TLibraryKind>(k)) ? 1 : 0;
    }
}

TFFmpegLoader& FFLoader() {
    Assert(g_loader != nullptr, "The media runtime has not been started.", "FFmpegLoader");
    return *g_loader;
}

TFFmpegLoader::TUse::TUse(TLibraryKinds kinds) : loader_(FFLoader()), kinds_(kinds) {
    loader_.AddUse(kinds_);
}

TFFmpegLoader::TUse::~TUse() {
    loader_.EndUse(kinds_);
}

AVCodecLock::AVCodecLock() {
    CodecMutex().lock();
    ++t_codec_lock_depth;
}

AVCodecLock::~AVCodecLock() {
    --t_codec_lock_depth;
    CodecMutex().unlock();
}

bool ThisThreadHoldsAVCodecLock() {
    return t_codec_lock_depth > 0;
}

struct MediaRuntime::Saved {
    fenv_t environment;
    std::unique_ptr<TFFmpegLoader> loader;
};

MediaRuntime::MediaRuntime() : saved_(std::make_unique<Saved>()) {
    Assert(g_loader == nullptr, "Only one media runtime may exist.", "FFmpegLoader");
    // The libraries expect every floating-point exception masked and rounding to
    // nearest, whatever the host program set.
    ::fegetenv(&saved_->environment);
    ::fedisableexcept(FE_ALL_EXCEPT);
    ::fesetround(FE_TONEAREST);
    StartLoggerServices();
    saved_->loader = std::make_unique<TFFmpegLoader>();
    g_loader = saved_->loader.get();
}

MediaRuntime::~MediaRuntime() {
    // The library keeps calling its log callback until the end of the process:
    // hand it back its own before our logger and thread list go away.
    StopLoggerServices();
    g_loader = nullptr;
    saved_->loader.reset();
    ::fesetenv(&saved_->environment);
}

}  // namespace v2m
