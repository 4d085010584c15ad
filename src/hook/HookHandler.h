// The program-side half of the hook library: watches for the mail client's main window
// ("Outlook Express Browser Class") and keeps one HookWindow for it, which hooks the mail
// client and turns its events into "QVShowOeWindow" messages to the program's window.
//
// Construction (on the first export call that needs it) opens "HookHandler.log", registers
// "MSG_WINDOWHOOK_SHUTDOWN" into the shared block, registers "QVShowOeWindow" and the window
// class "TwoxHook", and starts the search thread. A failure raises a qsupport::QException and
// leaves nothing running.
//
// Threads: the search thread calls WindowAdd/WindowRemove; the exports (program's main
// thread) call SetCallbackWindow, GetHookWindowTarget and StopSearch; the hook window's
// thread calls SendToProgram. The hook window is guarded by one lock, the callback window is
// atomic; a hook window being removed is taken out under the lock and ended outside it.
#pragma once

#include "hook/WindowSearchListener.h"
#include "hook/support/Synchronization/QEvent.h"
#include "hook/support/Window/QWinClass.h"

#include <atomic>
#include <memory>
#include <mutex>

class HookWindow;
class OeHookDll;
class SmsMessage;
class WindowSearchThread;

class HookHandler : public WindowSearchListener {
public:
    static constexpr const char* kTargetClass = "Outlook Express Browser Class";
    static constexpr const char* kHookWindowClass = "TwoxHook";
    // Wait after the mail client's window went before the hook window is ended.
    static constexpr win::DWORD kRemoveDelayMs = 1000;

    explicit HookHandler(OeHookDll& dll);
    ~HookHandler() override;

    void WindowAdd(win::HWND window) override;
    void WindowRemove(win::HWND window) override;

    void SetCallbackWindow(win::HWND window) { m_callback.store(window); }
    win::HWND CallbackWindow() const { return m_callback.load(); }
    // The mail client's main window of the current hook window, 0 when there is none.
    win::HWND GetHookWindowTarget() const;
    // The hook window itself, 0 when there is none.
    win::HWND GetHookWindowHandle() const;
    // Stops and deletes the search thread; an existing hook window stays.
    void StopSearch();
    // Sends "QVShowOeWindow" (wParam = action, lParam = message or 0) to the program's window
    // and waits for it to be handled; does nothing before a callback window is set.
    void SendToProgram(int action, const SmsMessage* message);

    win::UINT ProgramMessage() const { return m_programMessage; }
    OeHookDll& Dll() { return m_dll; }

private:
    OeHookDll& m_dll;
    qsupport::QWinClass m_windowClass;
    mutable std::mutex m_windowLock;
    std::unique_ptr<HookWindow> m_hookWindow;
    std::unique_ptr<WindowSearchThread> m_searchThread;
    // Set when the search stops: a removal waiting its delay goes on at once.
    qsupport::QEvent m_stopping;
    std::atomic<win::HWND> m_callback{0};
    win::UINT m_programMessage = 0;
};
