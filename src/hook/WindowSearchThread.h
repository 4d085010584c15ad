// A thread that watches for one top-level window of a class (and title, when one is given)
// among the windows of every process of the session. Every 200 ms it makes one pass: the
// first window found becomes the current window (WindowAdd); a further window while one is
// current is logged ("PROBLEM: Found a second window, we only support one!") and ignored; a
// current window missing from a pass is given up (WindowRemove). Between passes it waits on
// its stop event, so Stop (QThread::Stop) ends it within one pass.
#pragma once

#include "hook/WindowSearchListener.h"
#include "hook/support/System/QThread.h"

#include <string>

class WindowSearchThread : public qsupport::QThread {
public:
    static constexpr win::DWORD kIntervalMs = 200;

    WindowSearchThread(std::string className, std::string windowName);
    ~WindowSearchThread() override;

    // Set before CreateThread; it must outlive the thread.
    void SetListener(WindowSearchListener* listener) { m_listener = listener; }
    // Waits on the stop event up to `timeoutMs`; true when stopped (for the listener's waits).
    bool WaitForStop(win::DWORD timeoutMs) { return ObjectEvent().Wait(timeoutMs); }

    // One pass (the thread calls it; public for the owner's first look).
    void Pass();

protected:
    int Run() override;

private:
    std::string m_className;
    std::string m_windowName;
    win::HWND m_current = 0;
    WindowSearchListener* m_listener = nullptr;
};
