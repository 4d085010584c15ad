// The get-message hook chain of a thread: its entries and the walk along them. An entry is a
// functional hook (win::SetGetMessageHook), a C procedure of this process, or a procedure named
// by module file and symbol that the hooked thread loads on the first call. The thread state
// keeps the entries; a retrieval takes a copy of the list (newest first) and walks it here, so
// an entry removed meanwhile is skipped but nothing it uses goes away during the walk.
//
// CallNextHookEx continues the walk the calling thread is in (walks nest when a hook procedure
// retrieves messages itself).
#pragma once

#include "platform/WinHookModule.h"
#include "platform/WinHooks.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace win::detail {

class WinHookEntry {
public:
    // A functional hook.
    WinHookEntry(HHOOK id, GetMessageHookProc function);
    // A C procedure of this process.
    WinHookEntry(HHOOK id, HOOKPROC proc);
    // A procedure the hooked thread loads from `modulePath` by `procName`.
    WinHookEntry(HHOOK id, std::string modulePath, std::string procName);
    WinHookEntry(const WinHookEntry&) = delete;
    WinHookEntry& operator=(const WinHookEntry&) = delete;

    HHOOK Id() const { return m_id; }

    // The connection of the installing process in another process; removing the entry shuts
    // it down, which tells the installer and ends the thread that serves it.
    void SetConnection(int fd);
    // Called by the serving thread before it closes the connection.
    void ClearConnection();
    // Marks the entry removed (skipped by walks still running) and shuts its connection down.
    void Removed();
    bool IsRemoved() const { return m_removed.load(); }

    // --- On the hooked thread only -------------------------------------------------------
    // Calls the entry; *passOn is set when the walk goes on to the next entry by itself (a
    // functional hook, or an entry that cannot be called).
    LRESULT Call(int code, WPARAM wParam, LPARAM lParam, bool* passOn);

private:
    // The procedure, loading the module on first use; null when it cannot be had.
    HOOKPROC Resolve();

    const HHOOK m_id;
    const GetMessageHookProc m_function;
    HOOKPROC m_proc = nullptr;
    const std::string m_modulePath;
    const std::string m_procName;
    std::shared_ptr<WinHookModule> m_module;
    bool m_failed = false;
    std::atomic<bool> m_removed{false};
    std::mutex m_connectionMutex;
    int m_connection = -1;
};

using WinHookList = std::vector<std::shared_ptr<WinHookEntry>>;

// Walks `chain` (newest first) for one retrieved message.
void RunGetMessageHooks(const WinHookList& chain, MSG& msg);
// Passes the call on along the walk the calling thread is in; 0 outside one.
LRESULT CallNextInChain(int code, WPARAM wParam, LPARAM lParam);
// True while the calling thread runs a hook procedure.
bool InHookCall();

} // namespace win::detail
