#include "gui/CShowSignal.h"

#include <algorithm>

std::optional<uint32_t> CShowSignal::Set() {
    if (m_waiters.empty()) {
        m_pending = true;
        return std::nullopt;
    }
    uint32_t woken = m_waiters.front();
    m_waiters.pop_front();
    m_waiters.push_back(woken);
    return woken;
}

bool CShowSignal::AddWaiter(uint32_t session) {
    if (std::find(m_waiters.begin(), m_waiters.end(), session) == m_waiters.end()) {
        m_waiters.push_back(session);
    }
    if (m_pending) {
        m_pending = false;
        return true;
    }
    return false;
}

void CShowSignal::RemoveWaiter(uint32_t session) {
    m_waiters.erase(std::remove(m_waiters.begin(), m_waiters.end(), session), m_waiters.end());
}
