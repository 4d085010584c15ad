#include "CPlatformPump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QMetaObject>

namespace mailclient {

namespace {
constexpr int kBatch = 128;
}

CPlatformPump::CPlatformPump(QObject* parent)
    : QObject(parent), m_shared(std::make_shared<Shared>()), m_threadId(win::GetCurrentThreadId()) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { Drain(); });
    // Runs on the thread that queued the message: it only wakes the loop, once per batch.
    std::shared_ptr<Shared> shared = m_shared;
    QObject* self = this;
    win::SetQueueWakeHook(m_threadId, [shared, self] {
        if (!shared->alive || shared->drainQueued.exchange(true)) {
            return;
        }
        QMetaObject::invokeMethod(
            self,
            [shared, self] {
                shared->drainQueued = false;
                if (shared->alive) {
                    static_cast<CPlatformPump*>(self)->Drain();
                }
            },
            Qt::QueuedConnection);
    });
    // Something the Qt side did may have queued a message or set a timer without waking
    // anyone: look again before the loop sleeps.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            if (win::HasPendingMessages()) {
                ScheduleDrain();
            } else {
                ArmTimer();
            }
        });
    }
    ScheduleDrain();
}

CPlatformPump::~CPlatformPump() {
    m_shared->alive = false;
    win::SetQueueWakeHook(m_threadId, nullptr);
}

void CPlatformPump::ScheduleDrain() {
    if (m_shared->drainQueued.exchange(true)) {
        return;
    }
    std::shared_ptr<Shared> shared = m_shared;
    QMetaObject::invokeMethod(
        this,
        [this, shared] {
            shared->drainQueued = false;
            Drain();
        },
        Qt::QueuedConnection);
}

void CPlatformPump::Drain() {
    int handled = 0;
    win::MSG msg;
    while (handled < kBatch && win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE)) {
        ++handled;
        if (msg.message == win::WM_QUIT) {
            QCoreApplication::exit(static_cast<int>(msg.wParam));
            return;
        }
        win::DispatchMessage(msg);
    }
    if (handled == kBatch || win::HasPendingMessages()) {
        ScheduleDrain();
    } else {
        ArmTimer();
    }
}

bool CPlatformPump::DispatchWaiting(int limit) {
    win::MSG msg;
    for (int handled = 0; handled < limit && win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE);
         ++handled) {
        if (msg.message == win::WM_QUIT) {
            win::PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        win::DispatchMessage(msg);
    }
    return true;
}

void CPlatformPump::ArmTimer() {
    const win::DWORD delay = win::NextTimerDelay();
    if (delay == 0xFFFFFFFF) {
        m_timer.stop();
        return;
    }
    const int ms = delay > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(delay);
    if (!m_timer.isActive() || m_timer.remainingTime() > ms) {
        m_timer.start(ms);
    }
}

} // namespace mailclient
