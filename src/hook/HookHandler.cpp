#include "hook/HookHandler.h"

#include "hook/HookMessages.h"
#include "hook/HookWindow.h"
#include "hook/LogStream.h"
#include "hook/OeHookDll.h"
#include "hook/WindowSearchThread.h"
#include "hook/support/Exception/QGenException.h"

#include "oebridge/SmsMessage.h"

#include <cerrno>

namespace {
const char* const kConstructor = "HookHandler::HookHandler";
}

HookHandler::HookHandler(OeHookDll& dll) : m_dll(dll) {
    m_dll.OpenLog("HookHandler.log");
    logging::LogStream(m_dll.GetLog(), kConstructor) << "Log opened";
    if (!m_dll.Shared().IsMapped() && !m_dll.Shared().Map()) {
        logging::LogStream(m_dll.GetLog(), kConstructor) << "Shared data not available";
        throw qsupport::QGenException(qsupport::kGenSharedBlock, "Shared data not available",
                                      kConstructor, static_cast<win::DWORD>(errno));
    }
    m_dll.Shared().SetShutdownMessage(win::RegisterWindowMessage(hookmsg::kShutdownMessageName));
    logging::LogStream(m_dll.GetLog(), kConstructor) << m_dll.Shared().Describe();
    m_programMessage = win::RegisterWindowMessage(hookmsg::kProgramMessageName);
    m_windowClass.Register(kHookWindowClass, &m_dll);
    try {
        auto search = std::make_unique<WindowSearchThread>(kTargetClass, std::string());
        search->SetListener(this);
        search->CreateThread();
        m_searchThread = std::move(search);
    } catch (const qsupport::QException& e) {
        logging::LogStream(m_dll.GetLog(), kConstructor)
            << "Failed to create WindowSearchThread (search for oe window)";
        logging::LogStream(m_dll.GetLog(), kConstructor) << "Caught QException: " << e.Describe();
    }
}

HookHandler::~HookHandler() {
    StopSearch();
    std::unique_ptr<HookWindow> window;
    {
        std::lock_guard<std::mutex> guard(m_windowLock);
        window = std::move(m_hookWindow);
    }
    window.reset(); // ends its thread and tells the mail client to unhook
}

void HookHandler::StopSearch() {
    m_stopping.Set();
    if (m_searchThread) {
        // The search may be ending a hook window whose thread is still sending a click to the
        // program's window on this thread: take such messages while waiting, or neither
        // thread could go on.
        m_searchThread->Stop();
        m_searchThread->WaitHandlingSentMessages();
        m_searchThread.reset();
    }
}

win::HWND HookHandler::GetHookWindowTarget() const {
    std::lock_guard<std::mutex> guard(m_windowLock);
    return m_hookWindow ? m_hookWindow->Target() : 0;
}

win::HWND HookHandler::GetHookWindowHandle() const {
    std::lock_guard<std::mutex> guard(m_windowLock);
    return m_hookWindow ? m_hookWindow->GetHwnd() : 0;
}

void HookHandler::WindowAdd(win::HWND window) {
    logging::LogStream(m_dll.GetLog(), "HookHandler::WindowAdd") << "Add window, HWND:" << window;
    std::lock_guard<std::mutex> guard(m_windowLock);
    if (m_hookWindow) {
        return;
    }
    try {
        auto hookWindow = std::make_unique<HookWindow>(*this, window);
        hookWindow->CreateThread();
        logging::LogStream(m_dll.GetLog(), "HookHandler::WindowAdd")
            << "Hook window HWND:" << hookWindow->GetHwnd() << " serves HWND:" << window;
        m_hookWindow = std::move(hookWindow);
    } catch (const qsupport::QException& e) {
        logging::LogStream(m_dll.GetLog(), "HookHandler::WindowAdd")
            << "Failed to create HookWindow (used to receive messages from oe)";
        logging::LogStream(m_dll.GetLog(), "HookHandler::WindowAdd")
            << "Caught QException: " << e.Describe();
    }
}

void HookHandler::WindowRemove(win::HWND window) {
    logging::LogStream(m_dll.GetLog(), "HookHandler::WindowRemove")
        << "Remove window, HWND:" << window;
    {
        std::lock_guard<std::mutex> guard(m_windowLock);
        if (!m_hookWindow || m_hookWindow->Target() != window) {
            return;
        }
    }
    // The mail client may still be tidying up its windows; the hook window stays a moment
    // (shortened when the search is being stopped).
    m_stopping.Wait(kRemoveDelayMs);
    std::unique_ptr<HookWindow> gone;
    {
        std::lock_guard<std::mutex> guard(m_windowLock);
        if (m_hookWindow && m_hookWindow->Target() == window) {
            gone = std::move(m_hookWindow);
        }
    }
    if (gone) {
        gone->End();
        gone.reset();
    }
}

void HookHandler::SendToProgram(int action, const SmsMessage* message) {
    const win::HWND callback = m_callback.load();
    if (callback == 0) {
        return;
    }
    win::SendMessage(callback, m_programMessage, static_cast<win::WPARAM>(action),
                     reinterpret_cast<win::LPARAM>(message));
}
