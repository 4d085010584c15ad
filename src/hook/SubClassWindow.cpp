#include "hook/SubClassWindow.h"

#include "hook/LogStream.h"
#include "hook/OeHookDll.h"
#include "hook/support/Exception/QException.h"

#include <map>
#include <mutex>
#include <new>

namespace {

// Window -> its subclass. Used on the windows' thread; the lock only keeps a look-up from
// another thread safe, and no procedure runs under it. The map is never destroyed: subclasses
// are deleted by the library's own teardown, whose place among the static destructors (at
// unload or at the mail client's exit) is not this file's to choose. It is empty by then.
using WindowMap = std::map<win::HWND, SubClassWindow*>;
std::mutex g_mapLock;
WindowMap& Map() {
    alignas(WindowMap) static unsigned char storage[sizeof(WindowMap)];
    static WindowMap* map = new (storage) WindowMap();
    return *map;
}

} // namespace

SubClassWindow::SubClassWindow(win::HWND window, const std::string& name) : m_window(window) {
    logging::LogStream(HookLog(), name + "::" + name) << "Constructor, Target HWND: " << window;
    {
        std::lock_guard<std::mutex> guard(g_mapLock);
        Map()[m_window] = this;
    }
    // Every window of the platform is a Unicode window; the narrow setter serves the others.
    const auto proc = reinterpret_cast<win::LONG_PTR>(&SubClassWindow::SharedWndProc);
    m_previous = win::IsWindowUnicode(window)
                     ? win::SetWindowLongPtrW(window, win::GWLP_WNDPROC, proc)
                     : win::SetWindowLongPtrA(window, win::GWLP_WNDPROC, proc);
    if (m_previous == 0) {
        logging::LogStream(HookLog(), name + "::" + name) << "Failed to subclass HWND: " << window;
    }
}

SubClassWindow::~SubClassWindow() {
    if (m_previous != 0 && win::IsWindow(m_window)) {
        win::SetWindowLongPtrW(m_window, win::GWLP_WNDPROC, m_previous);
    }
    std::lock_guard<std::mutex> guard(g_mapLock);
    auto it = Map().find(m_window);
    if (it != Map().end() && it->second == this) {
        Map().erase(it);
    }
}

SubClassWindow* SubClassWindow::Find(win::HWND window) {
    std::lock_guard<std::mutex> guard(g_mapLock);
    auto it = Map().find(window);
    return it == Map().end() ? nullptr : it->second;
}

win::LRESULT SubClassWindow::CallPrevious(win::HWND window, win::UINT message, win::WPARAM wParam,
                                          win::LPARAM lParam) const {
    return m_previous == 0 ? win::DefWindowProc(window, message, wParam, lParam)
                           : win::CallWindowProcW(m_previous, window, message, wParam, lParam);
}

win::LRESULT SubClassWindow::SharedWndProc(win::HWND window, win::UINT message, win::WPARAM wParam,
                                           win::LPARAM lParam) {
    // A window procedure is a boundary: nothing raised goes back to the mail client.
    try {
        SubClassWindow* object = Find(window);
        if (object == nullptr) {
            return 0;
        }
        // Taken before the call: what the message sets off may delete the object, and the
        // previous procedure still gets the message then.
        const win::LONG_PTR previous = object->m_previous;
        bool handled = false;
        const win::LRESULT result = object->WndProc(window, message, wParam, lParam, handled);
        if (handled) {
            return result;
        }
        return previous == 0 ? win::DefWindowProc(window, message, wParam, lParam)
                             : win::CallWindowProcW(previous, window, message, wParam, lParam);
    } catch (const qsupport::QException& e) {
        logging::LogStream(HookLog(), "SubClassWindow::WndProc")
            << "Caught QException: " << e.Describe();
    } catch (const std::exception& e) {
        logging::LogStream(HookLog(), "SubClassWindow::WndProc")
            << "Caught exception: " << e.what();
    } catch (...) {
        logging::LogStream(HookLog(), "SubClassWindow::WndProc") << "Unknown exception caught.";
    }
    return 0;
}
