// Lets the Qt event loop of the main thread run that thread's platform message queue too, so
// the mail client's windows and the Qt mirror share the thread. A message queued for the
// thread (from any thread or process) wakes the loop through the queue's wake hook; the loop
// then takes the waiting messages with PeekMessage(PM_REMOVE), so that a get-message hook on
// the thread sees each of them exactly as under GetMessage, and dispatches them. Platform
// timers are served by a Qt timer set to the next one due. WM_QUIT ends the Qt loop.
#pragma once

#include "platform/Win.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>

namespace mailclient {

class CPlatformPump : public QObject {
    Q_OBJECT

public:
    // For the calling thread, which must be the thread of the QApplication.
    explicit CPlatformPump(QObject* parent = nullptr);
    ~CPlatformPump() override;
    CPlatformPump(const CPlatformPump&) = delete;
    CPlatformPump& operator=(const CPlatformPump&) = delete;

    // Dispatches what is waiting now (a batch at most, so Qt's own events keep moving).
    void Drain();

    // Dispatches the messages waiting on the calling thread's platform queue until it is
    // empty (at most `limit`, so a message that queues itself again cannot hold the caller),
    // for a caller that must see their effect at once (a picture of the windows). A WM_QUIT
    // found is queued again and ends the dispatching; false then.
    static bool DispatchWaiting(int limit = 1024);

private:
    void ScheduleDrain();
    void ArmTimer();

    struct Shared {
        std::atomic<bool> alive{true};
        std::atomic<bool> drainQueued{false};
    };
    std::shared_ptr<Shared> m_shared;
    win::DWORD m_threadId = 0;
    QTimer m_timer;
};

} // namespace mailclient
