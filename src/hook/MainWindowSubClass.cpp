#include "hook/MainWindowSubClass.h"

#include "hook/LogStream.h"
#include "hook/OeHookDll.h"
#include "hook/support/Exception/QException.h"

MainWindowSubClass::MainWindowSubClass(win::HWND window, win::UINT shutdownMessage,
                                       SubClassListener& listener)
    : m_window(window), m_shutdownMessage(shutdownMessage), m_listener(listener) {
    m_previous = win::SetWindowProc(
        m_window, [this](win::HWND hwnd, win::UINT message, win::WPARAM wParam,
                         win::LPARAM lParam) { return WindowProc(hwnd, message, wParam, lParam); });
}

MainWindowSubClass::~MainWindowSubClass() {
    if (m_previous && win::IsWindow(m_window)) {
        win::SetWindowProc(m_window, m_previous);
    }
}

win::LRESULT MainWindowSubClass::WindowProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam,
                                            win::LPARAM lParam) {
    if (message == m_shutdownMessage && m_shutdownMessage != 0) {
        // A window procedure is a boundary: nothing raised goes back to the mail client.
        try {
            m_listener.SubClassEvent(message, wParam, lParam);
        } catch (const qsupport::QException& e) {
            logging::LogStream(HookLog(), "MainWindowSubClass::WindowProc")
                << "Caught QException: " << e.Describe();
        } catch (...) {
            logging::LogStream(HookLog(), "MainWindowSubClass::WindowProc")
                << "Unknown exception caught.";
        }
        return 0;
    }
    return m_previous ? m_previous(hwnd, message, wParam, lParam)
                      : win::DefWindowProc(hwnd, message, wParam, lParam);
}
