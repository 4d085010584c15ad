// The hooked side of a hook between processes. A hook request names a thread of this process,
// the module file and the procedure's exported name; the hook goes into that thread's chain
// (the thread loads the module when the hook is first called) and its handle goes back to the
// installer. The connection then stays open for as long as the hook lives: an unhook request
// on it, or its closing (the installer unhooked or ended, however it ended), removes the hook;
// a removal here (the hooked process unhooked it, or the thread ended) shuts the connection
// down, so the installer learns that the hook is gone.
#pragma once

#include "platform/WinIpcMessages.h"

namespace win::detail {

class WinHookServer {
public:
    // Serves the connection `fd` (owned by the caller) that brought `request`, until the hook
    // ends.
    static void Serve(int fd, const WinIpcHookRequest& request);
    // Removes a hook of this process; false when there is none with that handle.
    static bool Unhook(HHOOK hook);
};

} // namespace win::detail
