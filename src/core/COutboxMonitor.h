// The outbox monitor thread: reconciles the records a stopped program left waiting for their
// message id, scans the outbox at once, then every monitor interval or when signalled, and
// hands every due record that is not yet sent to the client core under a send key that is on
// disk before the call.
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
    // At start: hands every record still waiting for its message id over again under its
    // send key. Returns how many the core accepted.
    static int Reconcile(CCoreContext& context);

private:
    static win::DWORD ThreadSessionOutboxMonitor(CCoreContext& context);
};
