#include "hook/SubClassHandler.h"

#include "hook/Hook.h"
#include "hook/LogStream.h"
#include "hook/MainWindowSubClass.h"
#include "hook/OeHookDll.h"

SubClassHandler::SubClassHandler(win::HWND target, win::HWND callback)
    : m_target(target), m_callback(callback) {
    logging::LogStream(HookLog(), "SubClassHandler::SubClassHandler")
        << "Constructor, Target HWND:" << target << ", Callback HWND:" << callback;
    m_mainSubClass = std::make_unique<MainWindowSubClass>(*this, target);
    InitMyAllowSetForegroundWindow();
}

SubClassHandler::~SubClassHandler() {
    m_mainSubClass.reset();
}

void SubClassHandler::InitMyAllowSetForegroundWindow() {
    const char* const where = "SubClassHandler::InitMyAllowSetForegroundWindow";
    logging::LogStream(HookLog(), where) << "user32.dll NOT found";
    logging::LogStream(HookLog(), where) << "AllowSetForegroundWindow NOT found";
    m_foregroundPermission = false;
}

void SubClassHandler::SubClassEvent(win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
    OeHookDll* dll = OeHookDll::Instance();
    if (dll != nullptr && message == dll->Shared().ShutdownMessage()) {
        if (Hook* hook = dll->GetHook()) {
            hook->UnHook();
        }
        return;
    }
    logging::LogStream(HookLog(), "SubClassHandler::SubClassEvent")
        << "SendMessage( HWND:" << m_callback << ", uiMsg:" << message << ", wParam:" << wParam
        << ", lParam:" << lParam << " )";
    win::SendMessage(m_callback, message, wParam, lParam);
}
