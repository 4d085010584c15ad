// Reaches the windows of other processes of the session through their sockets in the
// runtime folder. Sockets of processes that have ended are removed when they are met.
#pragma once

#include "platform/UniqueFd.h"
#include "platform/WinThreadState.h"
#include "platform/WinWindowTable.h"

#include <memory>
#include <string>
#include <vector>

namespace win::detail {

class WinIpcClient {
public:
    // Slots of other live processes that have windows.
    static std::vector<UINT> PeerSlots();
    // Top-level windows of other processes matching the class name and title (empty: any).
    static std::vector<HWND> Find(const std::string& className, const std::string& title,
                                  bool firstOnly);
    static bool Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // Posts to every top-level window of every other process.
    static void BroadcastPost(UINT msg, WPARAM wParam, LPARAM lParam);
    static bool Info(HWND hwnd, WinWindowInfo* info);
    static bool SetText(HWND hwnd, const std::string& title);
    // Starts delivering a sent message to another process; the record is completed when the
    // answer arrives or the peer goes away. `copy` (for WM_COPYDATA) is copied at once.
    static bool StartSend(const std::shared_ptr<WinSendRecord>& record, const COPYDATASTRUCT* copy);
    // A connection to the listener of process `processId`, recognised among the peers by the
    // credentials of its socket; invalid when no peer is that process.
    static platform::UniqueFd ConnectProcess(DWORD processId, int timeoutMs);
    // Asks the process that holds the hook to remove it.
    static bool Unhook(HHOOK hook);

private:
    // One request and its reply; false when the peer cannot be reached or answers nothing.
    static bool Request(UINT slot, const std::string& request, std::string* reply, int timeoutMs);
    static platform::UniqueFd Connect(const std::string& folder, UINT slot, int timeoutMs);
    static void RemoveIfStale(const std::string& folder, UINT slot);
};

} // namespace win::detail
