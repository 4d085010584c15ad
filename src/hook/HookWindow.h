// The hidden window "TwoxHook" in the program's process, on a thread of its own, serving one
// mail-client main window (the target).
//
// When its window exists (before CreateThread returns) it installs a get-message hook on the
// thread that owns the target window, with the library's hook procedure, and writes the hook
// handle, its own window and the target into the shared block; a hook that cannot be
// installed is logged ("Failed to hook") and the window stays, receiving nothing.
//
// Its window receives the mail client's events (HookMessages.h) and sends each on to the
// program as "QVShowOeWindow" through the handler; a copy-data event is unpacked into a local
// SmsMessage that lives until the program has returned. WM_DESTROY ends its message loop.
//
// End() sends WM_DESTROY to the window and waits for the thread. The destructor ends a thread
// still running, logs, and sends the shutdown message to the target window so that the mail
// client removes its hook (with a time limit, so a hung mail client cannot hold it).
#pragma once

#include "hook/support/Window/QWinThread.h"

#include <atomic>

class HookHandler;

class HookWindow : public qsupport::QWinThread {
public:
    static constexpr int kWidth = 200;
    static constexpr int kHeight = 150;
    // How long the destructor waits for the mail client to take the shutdown message.
    static constexpr win::DWORD kShutdownTimeoutMs = 5000;

    HookWindow(HookHandler& handler, win::HWND target);
    ~HookWindow() override;

    win::HWND Target() const { return m_target; }
    bool IsHooked() const { return m_hooked.load(); }
    void End();

protected:
    void PreCreate(CreateParams& params) override;
    void OnWindowCreated() override;
    bool OnMessage(win::UINT message, win::WPARAM wParam, win::LPARAM lParam,
                   win::LRESULT& result) override;

private:
    void CreateHook();
    void OnSmsCopyData(win::LPARAM lParam);
    void OnDestroy();

    HookHandler& m_handler;
    const win::HWND m_target;
    // The window, kept for the log after it is gone.
    std::atomic<win::HWND> m_window{0};
    std::atomic<bool> m_hooked{false};
    std::atomic<bool> m_destroySeen{false};
};
