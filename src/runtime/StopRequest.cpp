#include "StopRequest.h"

namespace v2m {

namespace {

std::atomic<bool> g_process_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" int StopInterruptCallback(void* opaque) {
    auto* flag = static_cast<std::atomic<bool>*>(opaque);
    if (g_process_stop.load()) {
        if (flag != nullptr) {
            flag->store(true);
        }
        return 1;
    }
    return flag != nullptr && flag->load() ? 1 : 0;
}

}  // namespace

void RequestProcessStop() noexcept {
    g_process_stop.store(true);
}

bool ProcessStopRequested() noexcept {
    return g_process_stop.load();
}

AVIOInterruptCB StopInterrupt(std::atomic<bool>* flag) {
    return AVIOInterruptCB{StopInterruptCallback, flag};
}

}  // namespace v2m
