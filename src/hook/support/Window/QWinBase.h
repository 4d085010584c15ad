// One window and its message dispatch.
//
// CreateWin creates a window of a class registered with QWinClass; the class's procedure is
// normally QWinBase::WindowProc, the dispatching procedure: it finds the object of the window
// (a process-wide table window -> object, filled while CreateWin runs, so that WM_CREATE
// already reaches the object) and calls its OnMessage. When OnMessage reports the message as
// not handled, the platform's default processing runs.
//
// The dispatching procedure is a boundary: an exception raised by a handler is caught there,
// passed to the exception sink (the hook library logs it) and the message is answered with 0.
// Windows belong to the thread that created them; only that thread may destroy them.
#pragma once

#include "platform/Win.h"

#include <string>

namespace qsupport {

class QException;

class QWinBase {
public:
    // Style bits kept with the window (the platform does not draw frames).
    static constexpr win::DWORD kStyleCaption = 0x00C00000;
    static constexpr win::DWORD kStyleSysMenu = 0x00080000;
    static constexpr win::DWORD kStyleMinimizeBox = 0x00020000;
    static constexpr int kUseDefault = static_cast<int>(0x80000000);

    QWinBase() = default;
    virtual ~QWinBase();
    QWinBase(const QWinBase&) = delete;
    QWinBase& operator=(const QWinBase&) = delete;

    // Creates the window; raises QWinException 3502 when the class is not registered or the
    // platform refuses the window.
    void CreateWin(const std::string& className, const std::string& windowName, win::DWORD style,
                   int x, int y, int width, int height, win::HWND parent = 0);
    // Destroys the window (on its own thread); raises 3506 when the platform refuses.
    void DestroyWin();

    win::HWND GetHwnd() const { return m_hwnd; }
    win::DWORD GetStyle() const { return m_style; }

    // The dispatching window procedure (the default procedure of QWinClass).
    static win::LRESULT WindowProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam,
                                   win::LPARAM lParam);
    // The object of a window created by CreateWin, or null.
    static QWinBase* FromHandle(win::HWND hwnd);

    using ExceptionSink = void (*)(const char* where, const std::string& description);
    // Where the dispatching procedure reports exceptions it caught (null: dropped).
    static void SetExceptionSink(ExceptionSink sink);

protected:
    // Handles one message; true with `result` set when handled, false for default processing.
    virtual bool OnMessage(win::UINT message, win::WPARAM wParam, win::LPARAM lParam,
                           win::LRESULT& result);

private:
    static void Bind(win::HWND hwnd, QWinBase* object);
    static void Unbind(win::HWND hwnd);

    win::HWND m_hwnd = 0;
    win::DWORD m_style = 0;
    int m_x = 0;
    int m_y = 0;
    int m_width = 0;
    int m_height = 0;
};

} // namespace qsupport
