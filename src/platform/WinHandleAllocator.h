// Hands out window handles that are unique in the user's session. A process claims a slot
// (a lock file "slot-<n>.lock" in the runtime folder, held with flock for the process's
// life); its handles are the slot number in the top 12 bits and a counter below. The lock
// file remembers how far the counter got, so a later owner of the slot does not hand out the
// handles of a process that has ended. Without a usable runtime folder the process uses slot
// 0, which is never shared.
#pragma once

#include "platform/Win.h"

#include <mutex>
#include <string>
#include <vector>

namespace win::detail {

class WinHandleAllocator {
public:
    static constexpr unsigned kIndexBits = 20;
    static constexpr UINT kMaxSlot = (1u << (32 - kIndexBits)) - 1;

    static WinHandleAllocator& Instance();
    static UINT SlotOf(HWND hwnd) { return hwnd >> kIndexBits; }
    static std::string LockFileName(UINT slot);

    // A new handle; 0 when none can be made.
    HWND Allocate();
    // True when the handle belongs to a slot of this process.
    bool IsLocal(HWND hwnd);
    // True when `slot` is one of this process's slots.
    bool OwnsSlot(UINT slot);

private:
    struct Slot {
        UINT number = 0;
        int lockFd = -1;
        UINT next = 1;
        UINT reserved = 0;
    };
    WinHandleAllocator() = default;
    bool ClaimSlotLocked();
    void ReserveLocked(Slot& slot);

    std::mutex m_mutex;
    std::vector<Slot> m_slots; // the last one is in use
};

} // namespace win::detail
