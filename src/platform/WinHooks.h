// Get-message hooks in the Windows shape, on a thread of this process or of another process of
// the user's session.
//
// A hook procedure is a plain C function (HOOKPROC). It is called on the hooked thread for every
// message that thread retrieves with GetMessage or PeekMessage(PM_REMOVE), before the message is
// returned (and so before it is dispatched); sent messages are not retrieved and never hooked.
// It gets code = HC_ACTION, wParam = PM_REMOVE and lParam = a pointer to the MSG about to be
// returned, which it may change. The chain of a thread runs newest hook first; each procedure
// passes the call on with CallNextHookEx, and a procedure that does not ends the chain for that
// message (the message is still returned). The functional hooks of win::SetGetMessageHook sit in
// the same chain and always pass the call on.
//
// A module is named by a shared library file and an exported symbol in it: SetWindowsHookEx
// takes the procedure's address, finds the file the address was loaded from and the exported
// name at that address (dladdr), and the hooked process loads that same file (dlopen) and looks
// up that same name (dlsym). A procedure that is not an exported symbol of a shared library can
// hook threads of the calling process only. HMODULE is the load address of a module (dladdr's
// dli_fbase, as GetModuleHandleFromAddress answers), or null for "the module of the procedure".
//
// The hooked thread is known by its id (the kernel thread id, which is unique on the machine
// while the thread runs); its process follows from the id, and it must be a process of the same
// user that has windows (it is reached through the runtime folder like every window). In the
// hooked process the module is loaded on the hooked thread itself, when the hook is first
// called, so its static initialisation runs there; one load per module serves all its hooks.
// The module is closed on the hooked thread at its next message retrieval after its last hook
// went, never while one of its hook procedures runs. A module that cannot be loaded, or has no
// such symbol, removes its hook (reported once).
//
// Hook handles are unique in the session. UnhookWindowsHookEx works in the installing process
// and in the hooked process (a hook procedure may unhook its own hook; the removal takes effect
// for the next message). The installer holds one connection per hook to the hooked process:
// when the installer ends, however it ends, its hooks are removed there and their modules
// closed; when the hooked process ends, the installer's UnhookWindowsHookEx answers false.
#pragma once

#include "platform/Win.h"

#include <string>

namespace win {

using HMODULE = void*;
using HOOKPROC = LRESULT (*)(int code, WPARAM wParam, LPARAM lParam);

constexpr int WH_GETMESSAGE = 3;
constexpr int HC_ACTION = 0;

// The load address of the shared library (or program) that holds `address`; null when the
// address belongs to no loaded file.
HMODULE GetModuleHandleFromAddress(const void* address);

// Installs a get-message hook on thread `threadId` (0: the calling thread). `module` is null or
// the module that holds `proc`. Returns the hook handle, 0 on failure (reported): unknown hook
// kind, no such thread, a thread of a process that cannot be reached, or a procedure that
// another process could not find.
HHOOK SetWindowsHookEx(int idHook, HOOKPROC proc, HMODULE module, DWORD threadId);
// The same with the module named directly: the shared library at `modulePath` and its exported
// C symbol `procName`, loaded by the hooked thread (also in this process) on first use.
HHOOK SetWindowsHookEx(int idHook, const std::string& modulePath, const std::string& procName,
                       DWORD threadId);

// Passes the call on to the next hook of the calling thread's chain and returns its result; 0
// at the end of the chain or outside a hook call. The chain position is the calling thread's
// own, so `hook` may be 0 (the procedure may not know its handle yet).
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);

// Removes the hook; false when it is unknown, already gone, or its process has ended.
bool UnhookWindowsHookEx(HHOOK hook);

} // namespace win
