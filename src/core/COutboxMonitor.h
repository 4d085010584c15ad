// The outbox monitor thread: scans the outbox at once, then every monitor interval or when
// signalled, and hands every due record that is not yet sent to the client core.
#pragma once

#include "platform/Win.h"

#include <memory>

class CCoreContext;

class COutboxMonitor {
public:
    // The thread body; `context` is co-owned for as long as the thread runs.
    static win::DWORD ThreadProcOutboxMonitor(std::shared_ptr<CCoreContext> context);
    // One scan of the outbox. Returns how many records the core accepted.
    static int Scan(CCoreContext& context);

private:
    static win::DWORD ThreadSessionOutboxMonitor(CCoreContext& context);
};
