#include "Previewer.h"

#include <utility>

#include "MainThread.h"

namespace v2m {

namespace {

std::mutex g_factory_mutex;
TPreviewWindowFactory& Factory() {
    static TPreviewWindowFactory factory;
    return factory;
}

TPreviewWindowFactory CurrentFactory() {
    std::lock_guard lock(g_factory_mutex);
    return Factory();
}

}  // namespace

void InstallPreviewWindowFactory(TPreviewWindowFactory factory) {
    std::lock_guard lock(g_factory_mutex);
    Factory() = std::move(factory);
}

TPreviewer::~TPreviewer() {
    // Only the worker's own ShowFrame calls set the window, and each of them
    // returned after the main thread had run it, so the test is safe here.
    if (window_) {
        MainThread()->RunInMainThread([this] { window_.reset(); });
    }
}

bool TPreviewer::ShowFrame(const TBitmap24& bitmap, int32_t frame_number, int64_t pts) {
    bool open = false;
    MainThread()->RunInMainThread([&] {
        if (closed_) {
            return;
        }
        if (!window_) {
            // A host without a window (or whose factory makes none) shows
            // nothing, and the conversion stops asking.
            const TPreviewWindowFactory factory = CurrentFactory();
            if (factory) {
                window_ = factory();
            }
            if (!window_) {
                closed_ = true;
                return;
            }
        }
        if (window_->Closed()) {
            closed_ = true;
            return;
        }
        window_->ShowBitmap(bitmap, frame_number, pts);
        open = true;
    });
    return open;
}

}  // namespace v2m
