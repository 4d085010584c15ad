// Base of the hook library's subclasses of mail-client windows. Construction replaces the
// window's procedure by one procedure shared by every subclass and keeps the previous one;
// destruction puts the previous procedure back. A process-wide map from window to object lets
// the shared procedure find the object: for a window it does not know it answers 0, else it
// calls the object's WndProc and, unless that set `handled`, the previous procedure. Nothing
// raised inside reaches the mail client: an exception is logged and answers 0.
//
// Everything runs on the thread that owns the windows (the mail client's user-interface
// thread). A window that the mail client destroyed while it was subclassed loses its procedures
// with it; the object then only leaves the map when it is deleted.
#pragma once

#include "platform/WinSubclass.h"

#include <string>

class SubClassWindow {
public:
    // `name` is the class's name for the log ("MainWindowSubClass").
    SubClassWindow(win::HWND window, const std::string& name);
    virtual ~SubClassWindow();
    SubClassWindow(const SubClassWindow&) = delete;
    SubClassWindow& operator=(const SubClassWindow&) = delete;

    win::HWND Window() const { return m_window; }
    bool IsSubclassed() const { return m_previous != 0; }

    // The object that subclasses `window`, null for none.
    static SubClassWindow* Find(win::HWND window);

protected:
    virtual win::LRESULT WndProc(win::HWND window, win::UINT message, win::WPARAM wParam,
                                 win::LPARAM lParam, bool& handled) = 0;
    // Lets the window's previous procedure handle the message now.
    win::LRESULT CallPrevious(win::HWND window, win::UINT message, win::WPARAM wParam,
                              win::LPARAM lParam) const;

private:
    static win::LRESULT SharedWndProc(win::HWND window, win::UINT message, win::WPARAM wParam,
                                      win::LPARAM lParam);

    win::HWND m_window;
    win::LONG_PTR m_previous = 0;
};
