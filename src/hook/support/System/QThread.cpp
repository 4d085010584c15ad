#include "hook/support/System/QThread.h"

#include "hook/support/Exception/QWinException.h"

#include <cerrno>
#include <exception>
#include <new>

namespace qsupport {

QThread::QThread() : m_objectEvent(std::make_unique<QEvent>()) {}

QThread::~QThread() {
    // No forced termination: a thread still running here is waited for.
    Wait();
}

bool QThread::CreateThread(void*, std::size_t, win::DWORD flags, void* parameter) {
    if (IsAlive()) {
        return true;
    }
    // A thread object that ended before is released before the next start.
    m_thread.reset();
    try {
        m_started = std::make_unique<QEvent>();
        m_go = std::make_unique<QEvent>();
        m_resume = std::make_unique<QEvent>((flags & kCreateSuspended) == 0);
    } catch (const std::bad_alloc&) {
        m_started.reset();
        m_go.reset();
        m_resume.reset();
        throw QWinException(kWinSyncEvents, "QThread::CreateThread", ENOMEM);
    }
    m_aborted = false;
    m_ended = false;
    m_running = true;
    try {
        m_thread = std::make_unique<win::Thread>([this, parameter] { return Body(parameter); });
    } catch (const std::exception&) {
        const int error = errno;
        m_running = false;
        m_started.reset();
        m_go.reset();
        m_resume.reset();
        throw QWinException(kWinThreadCreate, "QThread::CreateThread",
                            static_cast<win::DWORD>(error));
    }
    m_started->Wait();
    if (m_aborted) {
        m_go->Set();
        m_thread->Join();
        m_thread.reset();
        m_running = false;
        throw QWinException(kWinThreadAborted, "QThread::CreateThread", 0);
    }
    m_go->Set();
    return true;
}

win::DWORD QThread::Body(void* parameter) {
    m_threadId = win::GetCurrentThreadId();
    bool ok = false;
    try {
        ok = InitInstance(parameter);
    } catch (...) {
        // A start that raises is an aborted start; the creator raises 7003.
        ok = false;
    }
    if (!ok) {
        m_aborted = true;
        m_exitCode = -2;
        m_ended = true;
        m_started->Set();
        m_go->Wait();
        return static_cast<win::DWORD>(-2);
    }
    m_started->Set();
    m_go->Wait();
    m_resume->Wait();
    int code = -1;
    try {
        code = Run();
    } catch (...) {
        code = -1;
    }
    try {
        ExitInstance();
    } catch (...) {
        // Nothing can be passed on from the end of a thread.
    }
    m_exitCode = code;
    m_running = false;
    m_ended = true;
    return static_cast<win::DWORD>(code);
}

void QThread::ResumeThread() {
    if (m_resume) {
        m_resume->Set();
    }
}

void QThread::Stop() {
    m_running = false;
    m_objectEvent->Set();
    // A thread in the message loop ends with the quit message.
    if (IsAlive() && m_threadId.load() != 0) {
        win::PostThreadMessage(m_threadId.load(), win::WM_QUIT, 0, 0);
    }
}

bool QThread::Wait(win::DWORD timeoutMs) {
    if (!m_thread) {
        return true;
    }
    // A suspended thread could never end otherwise.
    ResumeThread();
    return m_thread->Join(timeoutMs);
}

bool QThread::WaitHandlingSentMessages(win::DWORD timeoutMs) {
    if (!m_thread) {
        return true;
    }
    ResumeThread();
    win::Waitable* objects[] = {m_thread.get()};
    // No wake mask: only the thread's end returns, sent messages are handled on the way.
    return win::MsgWaitForMultipleObjects(objects, false, timeoutMs, 0) == win::WAIT_OBJECT_0;
}

bool QThread::IsAlive() const {
    return m_thread != nullptr && !m_ended.load();
}

int QThread::Run() {
    win::MSG msg;
    while (win::GetMessage(&msg)) {
        // The platform has no accelerator tables or dialog navigation: every message is
        // dispatched to its window procedure.
        (void)m_acceleratorWindow;
        win::DispatchMessage(msg);
    }
    return static_cast<int>(msg.wParam);
}

bool QThread::InitInstance(void*) {
    return true;
}

void QThread::ExitInstance() {}

} // namespace qsupport
