#pragma once
// Video hook plug-ins: a chain of loaded plug-in entries, run on every decoded
// picture of a conversion. Plug-in modules are loaded once per process by
// absolute path and stay loaded; each engine owns its own chain.

#include <cstdint>
#include <memory>

#include "VideoHookPlugin.h"

namespace v2m {

struct TFrameHookEntry {
    TFrameHookEntry* Next = nullptr;
    V2MHookConfigure Configure = nullptr;
    V2MHookProcess Process = nullptr;
    V2MHookRelease Release = nullptr;
    void* Context = nullptr;  // filled by Configure
};

// One engine's chain. Releasing it (or destroying it) calls each entry's
// Release and frees the entries; the modules stay loaded.
class TFrameHookChain {
public:
    TFrameHookChain() = default;
    ~TFrameHookChain();
    TFrameHookChain(const TFrameHookChain&) = delete;
    TFrameHookChain& operator=(const TFrameHookChain&) = delete;

    TFrameHookEntry* First() const { return first_; }
    bool Empty() const { return first_ == nullptr; }
    // What AddFrameHook and ReleaseFrameHooks do.
    int Add(int argc, char** argv);
    void Release();

private:
    TFrameHookEntry* first_ = nullptr;
};

// argv[0] is the plug-in's file name; argv has kHookArgSlots slots, null after
// the last argument. 0, or a negative error: -1 the module cannot be loaded,
// -2 no arguments or a missing entry point, -12 no memory, -22 Configure failed.
int AddFrameHook(TFrameHookChain& chain, int argc, char** argv);
void ProcessFrameHooks(const TFrameHookChain& chain, V2MHookPicture* picture, int pix_fmt,
                       int width, int height, int64_t pts);
void ReleaseFrameHooks(TFrameHookChain& chain);

}  // namespace v2m
