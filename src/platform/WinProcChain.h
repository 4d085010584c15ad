// The chain of window procedures of one window (see platform/WinSubclass.h for the rules).
// A link's number is the address of its record, which lives as long as the chain; the
// process-wide registry maps numbers to chains, so a number is only ever looked up, never
// followed as a pointer. The chain is called on the window's thread; the lock only guards the
// links against a lookup from another thread, and no procedure runs under it.
#pragma once

#include "platform/WinSubclass.h"

#include <memory>
#include <mutex>
#include <vector>

namespace win::detail {

class WinProcChain : public std::enable_shared_from_this<WinProcChain> {
public:
    // A chain whose only link is `original` (which may be empty: answers 0).
    static std::shared_ptr<WinProcChain> Create(WNDPROC original);
    ~WinProcChain();
    WinProcChain(const WinProcChain&) = delete;
    WinProcChain& operator=(const WinProcChain&) = delete;

    // Adds `proc` on top; returns the number of the link below it.
    LONG_PTR Install(WNDPROC proc);
    // Takes the link directly above `link` out of the chain and returns its number; 0 when
    // `link` is not of this chain or already the top (nothing changes then).
    LONG_PTR Restore(LONG_PTR link);
    bool Contains(LONG_PTR link) const;
    LONG_PTR Top() const;
    LRESULT CallTop(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // Calls `link` (or, when it was removed, the first link below it that is still in).
    LRESULT Call(LONG_PTR link, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    // The chain a link number belongs to; null when none.
    static std::shared_ptr<WinProcChain> Find(LONG_PTR link);

private:
    struct Link {
        std::shared_ptr<const WNDPROC> proc;
        Link* below = nullptr;
        bool removed = false;
    };
    WinProcChain() = default;
    Link* LinkOf(LONG_PTR number) const;
    static Link* Resolve(Link* link);
    static LONG_PTR NumberOf(const Link* link) { return reinterpret_cast<LONG_PTR>(link); }
    LONG_PTR AddLocked(WNDPROC proc);

    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<Link>> m_links;
    Link* m_top = nullptr;
};

// What SetWindowProc hands back: calls one link of a chain. Passing it back to SetWindowProc
// restores that link.
struct WinChainCall {
    std::weak_ptr<WinProcChain> chain;
    LONG_PTR link = 0;
    LRESULT operator()(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) const;
};

} // namespace win::detail
