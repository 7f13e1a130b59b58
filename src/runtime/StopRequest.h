#pragma once
// A stop asked of the whole process, by a signal: every open, analysis,
// measuring pass and name search of the media layers gives up within moments,
// whichever thread it runs on, so that the program can end cleanly.

#include <atomic>

#include "FFmpegApi.h"

namespace v2m {

// Safe inside a signal handler. There is no way back: the process is ending.
void RequestProcessStop() noexcept;
bool ProcessStopRequested() noexcept;

// For the libraries' blocking calls (opening, analysing, reading): they give
// up once the process stops or `*flag` holds. A process stop sets `*flag`
// too, so that whoever owns it ends as stopped, not as finished early. The
// flag may be null and must outlive the context that carries the callback.
AVIOInterruptCB StopInterrupt(std::atomic<bool>* flag);

}  // namespace v2m
