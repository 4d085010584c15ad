#include "gui/CQtEventPump.h"

#include "log/LogManager.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QMetaObject>

namespace {
CQtEventPump* g_pump = nullptr;
constexpr int kBatch = 256;
} // namespace

CQtEventPump::CQtEventPump(QObject* parent)
    : QObject(parent), m_shared(std::make_shared<Shared>()), m_threadId(win::GetCurrentThreadId()) {
    g_pump = this;
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { Drain(); });

    // Runs on the thread that queued the message: only wakes the GUI loop, once per batch.
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
                    static_cast<CQtEventPump*>(self)->Drain();
                }
            },
            Qt::QueuedConnection);
    });

    // A timer set by code running in the Qt loop does not wake anyone: look again before the
    // loop goes to sleep.
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

CQtEventPump::~CQtEventPump() {
    m_shared->alive = false;
    win::SetQueueWakeHook(m_threadId, nullptr);
    if (g_pump == this) {
        g_pump = nullptr;
    }
}

CQtEventPump* CQtEventPump::Instance() {
    return g_pump;
}

void CQtEventPump::ScheduleDrain() {
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

void CQtEventPump::Drain() {
    int handled = 0;
    win::MSG msg;
    while (handled < kBatch && win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE)) {
        ++handled;
        if (msg.message == win::WM_QUIT) {
            m_quitSeen = true;
            m_quitCode = static_cast<int>(msg.wParam);
            // Ends the main loop and every nested loop open now.
            QCoreApplication::exit(m_quitCode);
            continue;
        }
        try {
            win::DispatchMessage(msg);
        } catch (const std::exception& e) {
            Log("CQtEventPump::Drain", std::string("Caught exception. ") + e.what(), LOG_CAT_GUI,
                LOG_SEV_ERROR);
        } catch (...) {
            Log("CQtEventPump::Drain", "Unknown exception caught.", LOG_CAT_GUI, LOG_SEV_ERROR);
        }
    }
    if (handled == kBatch || win::HasPendingMessages()) {
        ScheduleDrain();
    } else {
        ArmTimer();
    }
}

void CQtEventPump::ArmTimer() {
    win::DWORD delay = win::NextTimerDelay();
    if (delay == 0xFFFFFFFF) {
        m_timer.stop();
        return;
    }
    int ms = delay > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(delay);
    if (!m_timer.isActive() || m_timer.remainingTime() > ms) {
        m_timer.start(ms);
    }
}
