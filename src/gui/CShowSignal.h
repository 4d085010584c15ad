// An auto-reset show signal shared by the dialog sessions of one kind. A signal wakes exactly
// one waiting session (the one that has waited longest) and is then spent; a signal with no
// session waiting stays pending until the next session starts waiting, which takes it.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>

class CShowSignal {
public:
    // Signals. Returns the session woken, or nothing when none waits (the signal stays
    // pending). The woken session waits again afterwards, behind the others.
    std::optional<uint32_t> Set();
    // A session starts waiting. True when it took a pending signal at once.
    bool AddWaiter(uint32_t session);
    void RemoveWaiter(uint32_t session);
    bool IsPending() const { return m_pending; }
    size_t WaiterCount() const { return m_waiters.size(); }

private:
    std::deque<uint32_t> m_waiters;
    bool m_pending = false;
};
