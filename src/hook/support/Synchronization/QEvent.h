// A manual-reset event: once Set it stays signalled until Reset. Waiting threads and the
// platform's multiple-object waits see it through Handle().
#pragma once

#include "platform/Sync.h"

namespace qsupport {

class QEvent {
public:
    explicit QEvent(bool initiallySet = false) : m_event(true, initiallySet) {}
    QEvent(const QEvent&) = delete;
    QEvent& operator=(const QEvent&) = delete;

    void Set() { m_event.Set(); }
    void Reset() { m_event.Reset(); }
    // True when the event was (or became) signalled within `timeoutMs`.
    bool Wait(win::DWORD timeoutMs = win::INFINITE) {
        return win::WaitForSingleObject(m_event, timeoutMs) == win::WAIT_OBJECT_0;
    }
    bool IsSet() { return Wait(0); }
    win::Event& Handle() { return m_event; }

private:
    win::Event m_event;
};

} // namespace qsupport
