// Shared state of a waitable object: its signalled flag and the threads waiting for it.
// Every state is guarded by one process-wide lock (SyncState::Lock()); waiting threads
// register themselves here and are woken through their own thread state.
#pragma once

#include "platform/Sync.h"

#include <mutex>
#include <vector>

namespace win {

namespace detail {
class WinThreadState;
}

struct Waitable::State {
    bool signalled = false;
    bool manualReset = true;
    // Threads inside a wait that includes this object. Only touched under Lock().
    std::vector<detail::WinThreadState*> waiters;

    static std::mutex& Lock();
};

} // namespace win
