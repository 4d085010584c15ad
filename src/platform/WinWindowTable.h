// The windows of this process: handle, class, title, parent, owning thread and procedure.
// Handles come from WinHandleAllocator, so they are unique in the user's session.
#pragma once

#include "platform/WinProcChain.h"
#include "platform/WinThreadState.h"

#include <memory>
#include <shared_mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace win::detail {

// A copy of a window's public attributes.
struct WinWindowInfo {
    HWND hwnd = 0;
    std::string className;
    std::string title;
    HWND parent = 0;
    int controlId = 0;
    DWORD threadId = 0;
    DWORD processId = 0;
    // Rectangle relative to the parent's client area (the screen for a top-level window).
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    LONG_PTR userData = 0;
};

class WinWindowTable {
public:
    static WinWindowTable& Instance();

    // Adds a window owned by `owner`; 0 when no handle could be allocated.
    HWND Add(const WindowDesc& desc, WNDPROC proc, const std::shared_ptr<WinThreadState>& owner);
    // Removes the window; true when it existed.
    bool Remove(HWND hwnd);
    bool Exists(HWND hwnd) const;
    bool Info(HWND hwnd, WinWindowInfo* info) const;
    // Owner and procedure, for delivering a message.
    bool Target(HWND hwnd, std::shared_ptr<WinThreadState>* owner,
                std::shared_ptr<const WNDPROC>* proc) const;
    std::shared_ptr<WinThreadState> Owner(HWND hwnd) const;
    bool SetTitle(HWND hwnd, const std::string& title);
    // Installs `proc` and returns the previous procedure; false when the window is unknown.
    bool ReplaceProc(HWND hwnd, WNDPROC proc, WNDPROC* previous);
    // The window's chain of procedures; null when the window is unknown.
    std::shared_ptr<WinProcChain> Chain(HWND hwnd) const;
    bool SetGeometry(HWND hwnd, int x, int y, int width, int height);
    // Sets the control id or the user data, giving back the previous value.
    bool SetControlId(HWND hwnd, int controlId, int* previous);
    bool SetUserData(HWND hwnd, LONG_PTR value, LONG_PTR* previous);
    // Marks the window as being destroyed; false when it is already (or unknown).
    bool BeginDestroy(HWND hwnd);
    // True when `hwnd` is `ancestor` or one of its descendants.
    bool IsSelfOrDescendant(HWND hwnd, HWND ancestor) const;
    // Direct children in creation order.
    std::vector<HWND> Children(HWND parent) const;
    std::vector<HWND> WindowsOfThread(DWORD threadId) const;
    // Top-level windows matching the class name and title (empty: any).
    std::vector<HWND> FindTopLevel(const std::string& className, const std::string& title,
                                   bool firstOnly) const;

private:
    struct Window {
        WinWindowInfo info;
        std::shared_ptr<WinThreadState> owner;
        std::shared_ptr<WinProcChain> chain;
        // Calls the top of the chain (and keeps the chain alive during a call).
        std::shared_ptr<const WNDPROC> proc;
        std::uint64_t seq = 0;
        bool destroying = false;
    };
    WinWindowTable() = default;

    mutable std::shared_mutex m_mutex;
    std::unordered_map<HWND, Window> m_windows;
    std::vector<HWND> m_order; // creation order of top-level windows, for searches
    std::uint64_t m_nextSeq = 1;
};

} // namespace win::detail
