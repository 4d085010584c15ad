// Lets the Qt event loop of the GUI thread also run that thread's platform message queue.
// A message posted or sent to a window of the GUI thread, from any thread or process, wakes
// the loop through the queue's wake hook; the loop then dispatches every waiting message.
// Platform timers of the GUI thread are served by a Qt timer set to the next one due. Nested
// loops (modal dialogs, message boxes) run the same dispatcher, so the queue keeps moving
// while they are open. The stand-in mail client runs its windows and its Qt mirror through
// the same pump.
#pragma once

#include "platform/Win.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>

class CQtEventPump : public QObject {
    Q_OBJECT

public:
    // Installs the pump for the calling thread, which must be the thread of the QApplication.
    explicit CQtEventPump(QObject* parent = nullptr);
    ~CQtEventPump() override;
    CQtEventPump(const CQtEventPump&) = delete;
    CQtEventPump& operator=(const CQtEventPump&) = delete;

    // Dispatches the messages waiting in the queue now (at most a batch, so that Qt's own
    // events are never starved; the rest follows in the next turn of the loop). A WM_QUIT
    // ends the Qt loop with its exit code.
    void Drain();

    // True once a WM_QUIT was taken from the queue; its exit code.
    bool QuitSeen() const { return m_quitSeen; }
    int QuitCode() const { return m_quitCode; }

    // The pump of the GUI thread, null when none is installed.
    static CQtEventPump* Instance();

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
    bool m_quitSeen = false;
    int m_quitCode = 0;
};
