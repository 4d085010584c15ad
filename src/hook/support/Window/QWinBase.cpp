#include "hook/support/Window/QWinBase.h"

#include "hook/support/Exception/QWinException.h"
#include "hook/support/Window/QWinClass.h"

#include <atomic>
#include <cerrno>
#include <exception>
#include <map>
#include <mutex>

namespace qsupport {

namespace {

struct ObjectTable {
    std::mutex lock;
    std::map<win::HWND, QWinBase*> objects;
};

ObjectTable& Objects() {
    // Made by the library's entry before its object, so it goes after it at unload.
    static ObjectTable table;
    return table;
}

// The object whose CreateWin runs on this thread: messages sent while the platform creates
// the window (WM_CREATE) arrive before CreateWindow has returned the handle.
thread_local QWinBase* t_creating = nullptr;

std::atomic<QWinBase::ExceptionSink> g_sink{nullptr};

void ReportCaught(const std::string& description) {
    if (QWinBase::ExceptionSink sink = g_sink.load()) {
        sink("QWinBase::WindowProc", description);
    }
}

} // namespace

QWinBase::~QWinBase() {
    if (m_hwnd != 0) {
        Unbind(m_hwnd);
    }
}

void QWinBase::SetExceptionSink(ExceptionSink sink) {
    g_sink = sink;
}

void QWinBase::Bind(win::HWND hwnd, QWinBase* object) {
    ObjectTable& table = Objects();
    std::lock_guard<std::mutex> guard(table.lock);
    table.objects[hwnd] = object;
}

void QWinBase::Unbind(win::HWND hwnd) {
    ObjectTable& table = Objects();
    std::lock_guard<std::mutex> guard(table.lock);
    table.objects.erase(hwnd);
}

QWinBase* QWinBase::FromHandle(win::HWND hwnd) {
    ObjectTable& table = Objects();
    std::lock_guard<std::mutex> guard(table.lock);
    auto it = table.objects.find(hwnd);
    return it != table.objects.end() ? it->second : nullptr;
}

void QWinBase::CreateWin(const std::string& className, const std::string& windowName,
                         win::DWORD style, int x, int y, int width, int height, win::HWND parent) {
    win::WNDPROC procedure = QWinClass::Lookup(className);
    if (!procedure || m_hwnd != 0) {
        throw QWinException(kWinCreateWindow, "QWinBase::CreateWin", m_hwnd != 0 ? EEXIST : ENOENT);
    }
    m_style = style;
    m_x = x;
    m_y = y;
    m_width = width;
    m_height = height;
    win::WindowDesc desc;
    desc.className = className;
    desc.title = windowName;
    desc.parent = parent;
    QWinBase* const outer = t_creating;
    t_creating = this;
    errno = 0;
    const win::HWND hwnd = win::CreateWindow(desc, procedure);
    const int error = errno;
    t_creating = outer;
    if (hwnd == 0) {
        if (m_hwnd != 0) {
            Unbind(m_hwnd);
            m_hwnd = 0;
        }
        throw QWinException(kWinCreateWindow, "QWinBase::CreateWin",
                            static_cast<win::DWORD>(error));
    }
    m_hwnd = hwnd;
    Bind(hwnd, this);
}

void QWinBase::DestroyWin() {
    if (m_hwnd == 0) {
        return;
    }
    const win::HWND hwnd = m_hwnd;
    if (!win::DestroyWindow(hwnd)) {
        throw QWinException(kWinDestroyWindow, "QWinBase::DestroyWin",
                            static_cast<win::DWORD>(errno));
    }
    Unbind(hwnd);
    m_hwnd = 0;
}

win::LRESULT QWinBase::WindowProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam,
                                  win::LPARAM lParam) {
    QWinBase* object = FromHandle(hwnd);
    if (object == nullptr && t_creating != nullptr && t_creating->m_hwnd == 0) {
        // First message of a window being created on this thread.
        object = t_creating;
        object->m_hwnd = hwnd;
        Bind(hwnd, object);
    }
    if (object != nullptr) {
        try {
            win::LRESULT result = 0;
            if (object->OnMessage(message, wParam, lParam, result)) {
                return result;
            }
        } catch (const QException& e) {
            ReportCaught(e.Describe());
            return 0;
        } catch (const std::exception& e) {
            ReportCaught(e.what());
            return 0;
        } catch (...) {
            ReportCaught("Unknown exception caught.");
            return 0;
        }
    }
    return win::DefWindowProc(hwnd, message, wParam, lParam);
}

bool QWinBase::OnMessage(win::UINT, win::WPARAM, win::LPARAM, win::LRESULT&) {
    return false;
}

} // namespace qsupport
