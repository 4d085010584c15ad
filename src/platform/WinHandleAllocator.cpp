#include "platform/WinHandleAllocator.h"
#include "platform/UniqueFd.h"

#include "platform/WinIpcServer.h"
#include "platform/WinRuntimeFolder.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win::detail {

namespace {
constexpr UINT kIndexMask = (1u << WinHandleAllocator::kIndexBits) - 1;
// Handles are reserved in steps, so that the lock file is written rarely.
constexpr UINT kReserveStep = 256;
// Slot 0 never clashes with HWND_BROADCAST (0xFFFF) or small numbers.
constexpr UINT kPrivateFirstIndex = 0x10000;
} // namespace

WinHandleAllocator& WinHandleAllocator::Instance() {
    static WinHandleAllocator* allocator = new WinHandleAllocator;
    return *allocator;
}

std::string WinHandleAllocator::LockFileName(UINT slot) {
    return "slot-" + std::to_string(slot) + ".lock";
}

void WinHandleAllocator::ReserveLocked(Slot& slot) {
    if (slot.lockFd < 0 || slot.next < slot.reserved) {
        return;
    }
    slot.reserved = std::min<UINT>(slot.next + kReserveStep, kIndexMask + 1);
    std::string text = std::to_string(slot.reserved) + "\n";
    if (::ftruncate(slot.lockFd, 0) == 0) {
        ssize_t n = ::pwrite(slot.lockFd, text.data(), text.size(), 0);
        (void)n;
    }
}

bool WinHandleAllocator::ClaimSlotLocked() {
    std::string dir = WinRuntimeFolder::Path();
    if (!dir.empty()) {
        for (UINT number = 1; number <= kMaxSlot; ++number) {
            if (std::any_of(m_slots.begin(), m_slots.end(),
                            [&](const Slot& s) { return s.number == number; })) {
                continue;
            }
            std::string path = dir + "/" + LockFileName(number);
            platform::UniqueFd owner(
                ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
            const int fd = owner.Get();
            if (fd < 0) {
                continue;
            }
            struct stat st {};
            if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
                ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                continue;
            }
            // The slot is ours. Continue after the last handle any earlier owner reserved.
            char buf[32] = {};
            ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
            UINT start = 1;
            if (n > 0) {
                unsigned long value = std::strtoul(buf, nullptr, 10);
                if (value >= 1 && value <= kIndexMask) {
                    start = static_cast<UINT>(value);
                }
            }
            if (start > kIndexMask - kReserveStep) {
                // This slot is used up; try the next one.
                continue;
            }
            Slot slot;
            slot.number = number;
            slot.lockFd = owner.Release(); // held for the life of the process
            slot.next = start;
            slot.reserved = start;
            ReserveLocked(slot);
            m_slots.push_back(slot);
            // Other processes reach the windows of this slot through its socket.
            WinIpcServer::Instance().Listen(number, dir);
            return true;
        }
        WinRuntimeFolder::ReportOnce("win::CreateWindow", "No free window handle slot in " + dir);
    }
    if (std::any_of(m_slots.begin(), m_slots.end(), [](const Slot& s) { return s.number == 0; })) {
        return false;
    }
    Slot slot;
    slot.number = 0;
    slot.next = kPrivateFirstIndex;
    m_slots.push_back(slot);
    return true;
}

HWND WinHandleAllocator::Allocate() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_slots.empty() || m_slots.back().next > kIndexMask) {
        if (!ClaimSlotLocked()) {
            return 0;
        }
    }
    Slot& slot = m_slots.back();
    ReserveLocked(slot);
    HWND hwnd = (slot.number << kIndexBits) | slot.next;
    ++slot.next;
    return hwnd;
}

bool WinHandleAllocator::IsLocal(HWND hwnd) {
    return OwnsSlot(SlotOf(hwnd));
}

bool WinHandleAllocator::OwnsSlot(UINT slot) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::any_of(m_slots.begin(), m_slots.end(),
                       [&](const Slot& s) { return s.number == slot; });
}

} // namespace win::detail
