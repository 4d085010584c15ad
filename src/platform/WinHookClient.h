// The installing side of a hook between processes: sends the hook request to the process of
// the hooked thread and keeps the request's connection, one per hook, for the life of the hook.
// Unhooking sends the unhook request on it; when this process ends, the closing connections
// remove its hooks in the other processes.
#pragma once

#include "platform/WinIpcMessages.h"

namespace win::detail {

class WinHookClient {
public:
    // Installs the hook in process `processId`; 0 (reported) on failure.
    static HHOOK Install(DWORD processId, const WinIpcHookRequest& request);
    // Removes a hook this process installed in another process. *known is false when this
    // process did not install it; the result is false when the hook had already gone there (or
    // its process ended).
    static bool Unhook(HHOOK hook, bool* known);
};

} // namespace win::detail
