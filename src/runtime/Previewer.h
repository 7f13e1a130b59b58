#pragma once
// The encoding preview window: a small window, above the others, that shows
// the pictures a conversion is encoding. The media layers know it only
// through this interface; the application installs a factory that makes the
// real window, and without one no preview is shown.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "Bitmap24.h"

namespace v2m {

// A window made and used on the main thread only.
class TPreviewWindow {
public:
    virtual ~TPreviewWindow() = default;
    // Shows the bitmap with the time as caption; the window takes the
    // bitmap's size the first time.
    virtual void ShowBitmap(const TBitmap24& bitmap, int32_t frame_number, int64_t pts) = 0;
    // True once the user has closed the window.
    virtual bool Closed() const = 0;
};

using TPreviewWindowFactory = std::function<std::unique_ptr<TPreviewWindow>()>;
// Installed by the host; an empty factory takes the window away again.
void InstallPreviewWindowFactory(TPreviewWindowFactory factory);

// Used by a conversion's worker thread; every window operation runs on the
// main thread while the worker waits.
class TPreviewer {
public:
    TPreviewer() = default;
    // Destroys the window on the main thread.
    ~TPreviewer();
    TPreviewer(const TPreviewer&) = delete;
    TPreviewer& operator=(const TPreviewer&) = delete;

    // False once the user has closed the window (or no window can be made);
    // nothing is shown then.
    bool ShowFrame(const TBitmap24& bitmap, int32_t frame_number, int64_t pts);

private:
    std::unique_ptr<TPreviewWindow> window_;  // main thread only
    bool closed_ = false;                     // main thread only
};

}  // namespace v2m
