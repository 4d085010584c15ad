// The exported functions of libtwox.so (declared in TwoxExports.h).
#include "hook/TwoxExports.h"

#include "platform/WinHooks.h"

#include "hook/Hook.h"
#include "hook/HookHandler.h"
#include "hook/LogStream.h"
#include "hook/OeHookDll.h"
#include "hook/support/Exception/QException.h"

extern "C" {

const TwVersionInfo tw_version_info = {TW_VERSION_MAJOR, TW_VERSION_MINOR, TW_VERSION_BUILD,
                                       "Tidewell Outlook Express integration"};

void RegisterCallbackWindow(win::HWND window) {
    try {
        if (OeHookDll* dll = OeHookDll::Instance()) {
            if (HookHandler* handler = dll->GetHookHandler()) {
                handler->SetCallbackWindow(window);
            }
        }
    } catch (const qsupport::QException& e) {
        logging::LogStream(HookLog(), "RegisterCallbackWindow")
            << "Caught QException: " << e.Describe();
    } catch (...) {
        logging::LogStream(HookLog(), "RegisterCallbackWindow") << "Unknown exception caught.";
    }
}

void SetMmsMode(std::int32_t mode) {
    try {
        if (OeHookDll* dll = OeHookDll::Instance()) {
            dll->Shared().SetMmsMode(static_cast<std::uint32_t>(mode));
        }
    } catch (const qsupport::QException& e) {
        logging::LogStream(HookLog(), "SetMmsMode") << "Caught QException: " << e.Describe();
    } catch (...) {
        logging::LogStream(HookLog(), "SetMmsMode") << "Unknown exception caught.";
    }
}

void DllShutdown() {
    try {
        if (OeHookDll* dll = OeHookDll::Instance()) {
            if (HookHandler* handler = dll->GetHookHandler()) {
                handler->StopSearch();
            }
        }
    } catch (const qsupport::QException& e) {
        logging::LogStream(HookLog(), "DllShutdown") << "Caught QException: " << e.Describe();
    } catch (...) {
        logging::LogStream(HookLog(), "DllShutdown") << "Unknown exception caught.";
    }
}

win::HWND GetOeWindow() {
    try {
        if (OeHookDll* dll = OeHookDll::Instance()) {
            if (HookHandler* handler = dll->GetHookHandler()) {
                return handler->GetHookWindowTarget();
            }
        }
    } catch (const qsupport::QException& e) {
        logging::LogStream(HookLog(), "GetOeWindow") << "Caught QException: " << e.Describe();
    } catch (...) {
        logging::LogStream(HookLog(), "GetOeWindow") << "Unknown exception caught.";
    }
    return 0;
}

std::uint32_t GetDllVersion() {
    // The library object exists from load on; the program reads tw_version_info.
    return tw_version_info.major << 16 | tw_version_info.minor;
}

win::LRESULT TwoxGetMsgProc(int code, win::WPARAM wParam, win::LPARAM lParam) {
    try {
        OeHookDll* dll = OeHookDll::Instance();
        if (Hook* hook = dll != nullptr ? dll->GetHook() : nullptr) {
            return hook->GetMsgProc(code, wParam, lParam);
        }
    } catch (const qsupport::QException& e) {
        logging::LogStream(HookLog(), "Hook::GetMsgProc") << "Caught QException: " << e.Describe();
    } catch (...) {
        logging::LogStream(HookLog(), "Hook::GetMsgProc") << "Unknown exception caught.";
    }
    return win::CallNextHookEx(0, code, wParam, lParam);
}

} // extern "C"
