#include "FrameHooks.h"

#include <dlfcn.h>

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <system_error>

#include "FFmpegApi.h"
#include "FFmpegLoader.h"

namespace v2m {

namespace {

// Plug-ins are built against the numbers of the published header alone.
static_assert(int{V2M_HOOK_PIX_FMT_YUV420P} == int{AV_PIX_FMT_YUV420P});
static_assert(int{V2M_HOOK_PIX_FMT_RGB24} == int{AV_PIX_FMT_RGB24});
static_assert(int{V2M_HOOK_PIX_FMT_BGR24} == int{AV_PIX_FMT_BGR24});
static_assert(int{V2M_HOOK_PIX_FMT_YUV422P} == int{AV_PIX_FMT_YUV422P});
static_assert(int{V2M_HOOK_PIX_FMT_YUV444P} == int{AV_PIX_FMT_YUV444P});
static_assert(int{V2M_HOOK_PIX_FMT_YUVJ420P} == int{AV_PIX_FMT_YUVJ420P});

// The callers hand Configure an argument array of 64 slots; this is the index
// of its last one.
constexpr int kLastArgumentSlot = 63;

// Modules loaded by absolute name. A plug-in's code may still be referenced by
// a context another engine keeps, so a module is never unloaded.
std::mutex g_modules_mutex;
std::map<std::string, void*>& Modules() {
    static std::map<std::string, void*> modules;
    return modules;
}

// Relative names are taken against the current directory as it is now; the
// directory is only read, never changed.
std::string AbsoluteName(const char* file_name) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(file_name, error);
    if (error) {
        return file_name;
    }
    return path.lexically_normal().string();
}

void* ModuleFor(const std::string& name) {
    std::lock_guard lock(g_modules_mutex);
    auto found = Modules().find(name);
    if (found != Modules().end()) {
        return found->second;
    }
    std::string error;
    void* handle = OpenPluginModule(name, error);
    if (handle == nullptr) {
        ff::av_log(nullptr, AV_LOG_ERROR, "%s\n", error.c_str());
        return nullptr;
    }
    Modules().emplace(name, handle);
    return handle;
}

// An entry not yet in a chain: freed with library memory, as the chain frees it.
struct EntryFree {
    void operator()(TFrameHookEntry* entry) const {
        entry->~TFrameHookEntry();
        ff::av_free(entry);
    }
};
using EntryPtr = std::unique_ptr<TFrameHookEntry, EntryFree>;

EntryPtr NewEntry() {
    void* memory = ff::av_mallocz(sizeof(TFrameHookEntry));
    if (memory == nullptr) {
        return nullptr;
    }
    return EntryPtr(new (memory) TFrameHookEntry());
}

template <typename Function>
Function Lookup(void* module, const char* name) {
    return reinterpret_cast<Function>(::dlsym(module, name));
}

}  // namespace

TFrameHookChain::~TFrameHookChain() {
    Release();
}

int AddFrameHook(TFrameHookChain& chain, int argc, char** argv) {
    return chain.Add(argc, argv);
}

int TFrameHookChain::Add(int argc, char** argv) {
    if (argc <= 0 || argv == nullptr || argv[0] == nullptr) {
        return -2;
    }
    const std::string name = AbsoluteName(argv[0]);
    void* module = ModuleFor(name);
    if (module == nullptr) {
        return -1;
    }
    EntryPtr entry = NewEntry();
    if (!entry) {
        return -12;
    }
    entry->Configure = Lookup<V2MHookConfigure>(module, "Configure");
    entry->Process = Lookup<V2MHookProcess>(module, "Process");
    entry->Release = Lookup<V2MHookRelease>(module, "Release");
    if (entry->Process == nullptr) {
        ff::av_log(nullptr, AV_LOG_ERROR, "Failed to find Process entrypoint in %s\n", argv[0]);
        return -2;
    }
    if (entry->Configure == nullptr && argc > 1) {
        ff::av_log(nullptr, AV_LOG_ERROR, "Failed to find Configure entrypoint in %s\n", argv[0]);
        return -2;
    }
    if (entry->Configure != nullptr &&
        entry->Configure(&entry->Context, argc, argv, kLastArgumentSlot) != 0) {
        ff::av_log(nullptr, AV_LOG_ERROR, "Failed to Configure %s\n", argv[0]);
        // Whatever the plug-in made before it gave up is its to free.
        if (entry->Context != nullptr && entry->Release != nullptr) {
            entry->Release(entry->Context);
        }
        return -22;
    }
    TFrameHookEntry** last = &first_;
    while (*last != nullptr) {
        last = &(*last)->Next;
    }
    *last = entry.release();
    return 0;
}

void ProcessFrameHooks(const TFrameHookChain& chain, V2MHookPicture* picture, int pix_fmt,
                       int width, int height, int64_t pts) {
    for (TFrameHookEntry* entry = chain.First(); entry != nullptr; entry = entry->Next) {
        entry->Process(entry->Context, picture, pix_fmt, width, height, pts);
    }
}

void ReleaseFrameHooks(TFrameHookChain& chain) {
    chain.Release();
}

void TFrameHookChain::Release() {
    while (first_ != nullptr) {
        EntryPtr entry(first_);
        first_ = entry->Next;
        if (entry->Release != nullptr) {
            entry->Release(entry->Context);
        }
    }
}

}  // namespace v2m
