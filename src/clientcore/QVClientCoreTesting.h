/* Test hooks of the messaging client core. Not for the program: they let tests run the
 * embedded service's timeline on a clock of their own and watch the events it posts.
 *
 * The settings made here stay in force across QVShutdown/QVInitialize until changed again.
 */
#ifndef QVCLIENTCORETESTING_H
#define QVCLIENTCORETESTING_H

#include "clientcore/QVClientCore.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Engine time in milliseconds since 1970. */
typedef int64_t (*QVClockFn)(void* context);

/* Replaces the engine's time source; NULL restores the system clock. With a clock of its own
 * the engine no longer sleeps towards the next due item: it does the work that is due when a
 * request arrives or when QVTestRunDue is called. */
QVCORE_API void QVTestSetClock(QVClockFn clock, void* context);

/* Delays of the embedded service, in engine milliseconds after a message was accepted: the send
 * result (default 200), the pending delivery report (default 1000) and the final one (default
 * 5000). A negative value keeps the current delay. */
QVCORE_API void QVTestSetDelays(int32_t sendResultMs, int32_t pendingMs, int32_t finalMs);

/* Makes the engine do everything that is due at the current engine time and returns once it
 * has, with every resulting event posted. 0 when the core does not run. */
QVCORE_API int32_t QVTestRunDue(void);

/* Receives every event in place of the window message; NULL restores posting to the window.
 * Called on the engine thread. */
typedef void (*QVEventSinkFn)(void* context, QVHWND window, uint32_t message, uintptr_t wParam,
                              intptr_t lParam);
QVCORE_API void QVTestSetEventSink(QVEventSinkFn sink, void* context);

/* Transactions the core's database has committed in this process so far, and the units of
 * work (stored messages, gateway answers, report batches, engine passes) they carried. */
QVCORE_API void QVTestCommitCounts(uint64_t* commits, uint64_t* units);

#ifdef __cplusplus
}
#endif

#endif /* QVCLIENTCORETESTING_H */
