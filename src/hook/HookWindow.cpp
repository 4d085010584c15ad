#include "hook/HookWindow.h"

#include "hook/HookHandler.h"
#include "hook/HookMessages.h"
#include "hook/LogStream.h"
#include "hook/OeHookDll.h"
#include "hook/TwoxExports.h"

#include "oebridge/SmsMessage.h"
#include "platform/WinHooks.h"

HookWindow::HookWindow(HookHandler& handler, win::HWND target)
    : m_handler(handler), m_target(target) {
    logging::LogStream(HookLog(), "HookWindow::HookWindow") << "Constructor";
}

HookWindow::~HookWindow() {
    End();
    logging::LogStream(HookLog(), "HookWindow::~HookWindow")
        << "Destructor, Target HWND:" << m_target << ", Callback HWND:" << m_window.load();
    const win::UINT shutdown = m_handler.Dll().Shared().ShutdownMessage();
    if (shutdown != 0) {
        win::LRESULT ignored = 0;
        win::SendMessageTimeout(m_target, shutdown, 0, 0, kShutdownTimeoutMs, &ignored);
    }
}

void HookWindow::End() {
    if (IsAlive()) {
        win::SendMessage(m_window.load(), win::WM_DESTROY, 0, 0);
    }
    Wait();
}

void HookWindow::PreCreate(CreateParams& params) {
    params.className = HookHandler::kHookWindowClass;
    params.windowName.clear();
    params.style = kStyleCaption | kStyleSysMenu | kStyleMinimizeBox;
    params.x = kUseDefault;
    params.y = kUseDefault;
    params.width = kWidth;
    params.height = kHeight;
}

void HookWindow::OnWindowCreated() {
    m_window = GetHwnd();
    CreateHook();
}

void HookWindow::CreateHook() {
    const win::DWORD thread = win::GetWindowThreadProcessId(m_target, nullptr);
    const win::HHOOK hook =
        thread != 0 ? win::SetWindowsHookEx(win::WH_GETMESSAGE, &TwoxGetMsgProc, nullptr, thread)
                    : 0;
    if (hook == 0) {
        logging::LogStream(HookLog(), "HookWindow::CreateHook") << "Failed to hook";
        return;
    }
    m_handler.Dll().Shared().SetHook(hook, m_window.load(), m_target);
    m_hooked = true;
}

bool HookWindow::OnMessage(win::UINT message, win::WPARAM, win::LPARAM lParam,
                           win::LRESULT& result) {
    for (const hookmsg::EventRow& row : hookmsg::kEvents) {
        if (row.message == message) {
            logging::LogStream(HookLog(), row.function) << row.logText;
            m_handler.SendToProgram(row.action, nullptr);
            result = 0;
            return true;
        }
    }
    if (message == win::WM_COPYDATA) {
        OnSmsCopyData(lParam);
        result = 0;
        return true;
    }
    if (message == win::WM_DESTROY) {
        OnDestroy();
        result = 0;
        return true;
    }
    return false;
}

void HookWindow::OnSmsCopyData(win::LPARAM lParam) {
    logging::LogStream(HookLog(), "HookWindow::OnSmsCopyData") << "WM_COPYDATA";
    const auto* copy = reinterpret_cast<const win::COPYDATASTRUCT*>(lParam);
    if (copy == nullptr) {
        return;
    }
    SmsMessage sms;
    const std::uint32_t kind = sms.Unpack(*copy);
    for (const hookmsg::CopyRow& row : hookmsg::kCopyKinds) {
        if (row.kind == kind) {
            m_handler.SendToProgram(row.action, &sms);
            return;
        }
    }
}

void HookWindow::OnDestroy() {
    // WM_DESTROY comes twice: sent by End() to stop the loop, and once more when the thread
    // destroys the window on its way out.
    if (m_destroySeen.exchange(true)) {
        return;
    }
    logging::LogStream(HookLog(), "HookWindow::OnDestroy") << "WM_DESTROY";
    win::PostQuitMessage(0);
}
