#include "hook/WindowSearchThread.h"

#include "hook/LogStream.h"
#include "hook/OeHookDll.h"

WindowSearchThread::WindowSearchThread(std::string className, std::string windowName)
    : m_className(std::move(className)), m_windowName(std::move(windowName)) {}

WindowSearchThread::~WindowSearchThread() {
    StopAndWait();
}

int WindowSearchThread::Run() {
    while (m_running) {
        Pass();
        ObjectEvent().Wait(kIntervalMs);
    }
    return 0;
}

void WindowSearchThread::Pass() {
    bool seen = m_current == 0;
    for (win::HWND window : win::EnumWindowsByClass(m_className)) {
        if (!m_windowName.empty() && win::GetWindowText(window) != m_windowName) {
            continue;
        }
        if (window == m_current) {
            seen = true;
        } else if (m_current != 0) {
            logging::LogStream(HookLog(), "WindowSearchThread::Search")
                << "PROBLEM: Found a second window, we only support one!";
        } else {
            m_current = window;
            if (m_listener != nullptr) {
                m_listener->WindowAdd(window);
            }
        }
    }
    if (!seen) {
        const win::HWND gone = m_current;
        m_current = 0;
        if (m_listener != nullptr) {
            m_listener->WindowRemove(gone);
        }
    }
}
