// The subclass of the mail client's main window. For now it only catches the shutdown
// message ("MSG_WINDOWHOOK_SHUTDOWN", from the shared block) and hands it to its listener;
// every other message goes to the window's previous procedure. Installed on the thread that
// owns the window (the hook runs there); the destructor puts the previous procedure back.
#pragma once

#include "hook/SubClassListener.h"

#include "platform/Win.h"

class MainWindowSubClass {
public:
    MainWindowSubClass(win::HWND window, win::UINT shutdownMessage, SubClassListener& listener);
    ~MainWindowSubClass();
    MainWindowSubClass(const MainWindowSubClass&) = delete;
    MainWindowSubClass& operator=(const MainWindowSubClass&) = delete;

    win::HWND Window() const { return m_window; }
    bool IsSubclassed() const { return static_cast<bool>(m_previous); }

private:
    win::LRESULT WindowProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam,
                            win::LPARAM lParam);

    win::HWND m_window;
    win::UINT m_shutdownMessage;
    SubClassListener& m_listener;
    win::WNDPROC m_previous;
};
