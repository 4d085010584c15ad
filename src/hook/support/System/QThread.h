// One platform thread with a start-up handshake.
//
// CreateThread starts the thread and returns only after InitInstance has run on it: the new
// thread signals "started" when InitInstance is done and waits for "go" before it goes on, so
// whatever InitInstance sets up (a window, a hook) exists when the creator continues. When
// InitInstance answers false (or raises), the start is aborted: the thread ends with -2 and
// CreateThread raises QWinException 7003. Failures to create the handshake events or the
// thread raise 7001 and 7002.
//
// After a successful start the thread runs Run() (by default the platform message loop,
// ending with the quit message's exit code), then ExitInstance(). The owner stops it with
// Stop() (clears the running flag, signals the object's event, which a Run() override
// waits on, and posts the quit message that ends the message loop), and then waits with
// Wait(). There is no forced
// termination: the destructor waits for a thread that still runs, so a derived class must
// make its thread end before its own members go (call StopAndWait in its destructor).
#pragma once

#include "hook/support/Synchronization/QEvent.h"
#include "platform/Sync.h"
#include "platform/Win.h"

#include <atomic>
#include <cstddef>
#include <memory>

namespace qsupport {

class QThread {
public:
    // CreateThread flag: the thread waits after the handshake until ResumeThread().
    static constexpr win::DWORD kCreateSuspended = 0x00000004;

    QThread();
    virtual ~QThread();
    QThread(const QThread&) = delete;
    QThread& operator=(const QThread&) = delete;

    // Starts the thread with the handshake above; `parameter` goes to InitInstance and stays
    // the caller's. `security` and `stackSize` are accepted for the callers' sake; the
    // platform's thread has its default stack. True when the thread runs.
    bool CreateThread(void* security = nullptr, std::size_t stackSize = 0, win::DWORD flags = 0,
                      void* parameter = nullptr);
    // Lets a thread created with kCreateSuspended go on into Run().
    void ResumeThread();

    // The running flag is cleared, the object's event signalled and a quit message posted to
    // the thread (which ends the default message loop).
    void Stop();
    // Waits for the thread to end; true when it has ended (or never ran).
    bool Wait(win::DWORD timeoutMs = win::INFINITE);
    bool StopAndWait(win::DWORD timeoutMs = win::INFINITE) {
        Stop();
        return Wait(timeoutMs);
    }
    // As Wait, but messages sent to the calling thread's windows are handled meanwhile, so a
    // thread that sends to them (directly or through another thread) can still end.
    bool WaitHandlingSentMessages(win::DWORD timeoutMs = win::INFINITE);

    bool IsRunning() const { return m_running.load(); }
    // True between a successful CreateThread and the end of the thread.
    bool IsAlive() const;
    win::DWORD GetThreadId() const { return m_threadId.load(); }
    // The exit code of the ended thread (Run()'s result, -2 for an aborted start).
    int ExitCode() const { return m_exitCode.load(); }
    // Signalled by Stop(); a Run() override waits on it.
    QEvent& ObjectEvent() { return *m_objectEvent; }

protected:
    // The message loop: gets and dispatches messages until the quit message; returns its
    // exit code. Messages for the accelerator window (SetAcceleratorWindow) go there first.
    virtual int Run();
    // Runs on the new thread before CreateThread returns; false aborts the start.
    virtual bool InitInstance(void* parameter);
    // Runs on the thread after Run().
    virtual void ExitInstance();

    void SetAcceleratorWindow(win::HWND hwnd) { m_acceleratorWindow = hwnd; }

    std::atomic<bool> m_running{false};

private:
    win::DWORD Body(void* parameter);

    std::unique_ptr<win::Thread> m_thread;
    std::unique_ptr<QEvent> m_objectEvent;
    std::unique_ptr<QEvent> m_started;
    std::unique_ptr<QEvent> m_go;
    std::unique_ptr<QEvent> m_resume;
    std::atomic<bool> m_aborted{false};
    std::atomic<bool> m_ended{false};
    std::atomic<win::DWORD> m_threadId{0};
    std::atomic<int> m_exitCode{0};
    win::HWND m_acceleratorWindow = 0;
};

} // namespace qsupport
