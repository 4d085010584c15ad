#include "hook/Hook.h"

#include "hook/LogStream.h"
#include "hook/OeHookDll.h"
#include "hook/SubClassHandler.h"
#include "hook/TwoxExports.h"
#include "hook/support/Exception/QException.h"

#include <cerrno>
#include <dlfcn.h>

Hook::Hook(OeHookDll& dll) : m_dll(dll) {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&TwoxGetMsgProc), &info) != 0 &&
        info.dli_fname != nullptr) {
        m_selfReference = ::dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
    }
    m_dll.OpenLog("Hook");
    logging::LogStream(m_dll.GetLog(), "Hook::Hook") << "Log opened";
    logging::LogStream(m_dll.GetLog(), "Hook::Hook") << m_dll.Shared().Describe();
}

Hook::~Hook() {
    logging::LogStream(m_dll.GetLog(), "Hook::~Hook") << "Hook destructor";
    logging::LogStream(m_dll.GetLog(), "Hook::Destroy") << "Enter";
    m_subClass.reset();
    if (m_hook != 0) {
        // The platform keeps this library loaded while its hook exists, so a hook still in
        // place here means the mail client is ending with it. Removing it now would unload
        // the library under the code that is running; it goes with the process instead.
        logging::LogStream(m_dll.GetLog(), "Hook::Destroy") << "Hook left to the ending process";
        m_hook = 0;
        m_selfReference = nullptr; // kept until the process is gone
    }
    UnHook();
}

win::LRESULT Hook::GetMsgProc(int code, win::WPARAM wParam, win::LPARAM lParam) {
    if (code == win::HC_ACTION && !m_subClass) {
        m_hook = m_dll.Shared().HookHandle();
        try {
            m_subClass = std::make_unique<SubClassHandler>(m_dll.Shared().TargetWindow(),
                                                           m_dll.Shared().CallbackWindow());
        } catch (const qsupport::QException& e) {
            logging::LogStream(m_dll.GetLog(), "Hook::GetMsgProc")
                << "Failed to create SubClassHandler (needed for all subsequent subclassing)";
            logging::LogStream(m_dll.GetLog(), "Hook::GetMsgProc")
                << "Caught QException: " << e.Describe();
        }
    }
    return win::CallNextHookEx(m_hook, code, wParam, lParam);
}

void Hook::UnHook() {
    const char* const where = "Hook::UnHook";
    logging::LogStream(m_dll.GetLog(), where) << "Remove hook";
    if (m_hook != 0) {
        logging::LogStream(m_dll.GetLog(), where) << "It exists";
        errno = 0;
        const bool removed = win::UnhookWindowsHookEx(m_hook);
        const int error = errno;
        logging::LogStream(m_dll.GetLog(), where) << "After";
        if (!removed) {
            logging::LogStream(m_dll.GetLog(), where) << "Error";
            logging::LogStream(m_dll.GetLog(), where)
                << "Failed to unhook window, ErrorCode:" << error;
        }
        m_hook = 0;
    }
    logging::LogStream(m_dll.GetLog(), where) << "Leave";
    // The platform still holds the library until the mail client's next message.
    if (m_selfReference != nullptr) {
        ::dlclose(m_selfReference);
        m_selfReference = nullptr;
    }
}
