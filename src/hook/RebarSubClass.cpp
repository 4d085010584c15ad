#include "hook/RebarSubClass.h"

#include "hook/LogStream.h"
#include "hook/OeHookDll.h"
#include "hook/OeWindows.h"
#include "hook/ToolbarSubClass.h"

#include "platform/WinToolbar.h"

namespace {

bool IsOurToolbar(win::HWND window) {
    return window != 0 && win::GetClassName(window) == oewin::kToolbarClass &&
           win::GetDlgCtrlID(window) == oewin::kToolbarId;
}

struct Tooltip {
    win::UINT command;
    const char* key;
    const char* fallback;
};

constexpr Tooltip kTooltips[] = {
    {oewin::kCmdNewSms, "Outlook.NewSMSButtonToolTipText", "Write SMS Message"},
    {oewin::kCmdNewMms, "Outlook.NewMMSButtonToolTipText", "Write MMS Message"},
};

} // namespace

RebarSubClass::RebarSubClass(win::HWND rebar) : SubClassWindow(rebar, "RebarSubClass") {
    SubclassToolbar();
}

RebarSubClass::~RebarSubClass() {
    m_toolbar.reset();
}

void RebarSubClass::SubclassToolbar() {
    const char* const where = "RebarSubClass::SubclassToolbar";
    if (m_toolbar) {
        logging::LogStream(HookLog(), where) << "Already subclassed!";
        return;
    }
    const win::HWND toolbar = win::FindWindowEx(Window(), 0, oewin::kToolbarClass, "");
    if (!IsOurToolbar(toolbar)) {
        logging::LogStream(HookLog(), where) << "Failed to find window: " << oewin::kToolbarClass;
        return;
    }
    m_toolbar = std::make_unique<ToolbarSubClass>(toolbar);
}

win::LRESULT RebarSubClass::WndProc(win::HWND, win::UINT message, win::WPARAM wParam,
                                    win::LPARAM lParam, bool& handled) {
    switch (message) {
    case win::WM_PARENTNOTIFY:
        OnParentNotify(wParam, lParam);
        return 0;
    case win::WM_CHILDACTIVATE:
        logging::LogStream(HookLog(), "RebarSubClass::OnChildActivate") << "Enter";
        if (!m_toolbar) {
            SubclassToolbar();
        }
        return 0;
    case win::WM_NOTIFY:
        OnNotify(lParam, handled);
        return 0;
    default:
        return 0;
    }
}

void RebarSubClass::OnParentNotify(win::WPARAM wParam, win::LPARAM lParam) {
    const auto child = static_cast<win::HWND>(lParam);
    if (win::LOWORD(wParam) == win::WM_CREATE) {
        const char* const where = "RebarSubClass::OnParentNotifyCreate";
        logging::LogStream(HookLog(), where) << "HWND: " << child;
        if (IsOurToolbar(child)) {
            // The mail client is rebuilding its toolbar: the old subclass is of no use now.
            logging::LogStream(HookLog(), where) << "My kind of toolbar!";
            m_toolbar.reset();
        }
    } else if (win::LOWORD(wParam) == win::WM_DESTROY) {
        logging::LogStream(HookLog(), "RebarSubClass::OnParentNotifyDestroy") << "HWND: " << child;
        if (!m_toolbar) {
            SubclassToolbar();
        }
    }
}

void RebarSubClass::OnNotify(win::LPARAM lParam, bool& handled) {
    // Another process's notification is a number, never a pointer to read.
    if (lParam == 0 || win::InMessageFromOtherProcess()) {
        return;
    }
    const auto* header = reinterpret_cast<const win::NMHDR*>(lParam);
    const char* const where = "RebarSubClass::OnNotify";
    if (header->code == win::TBN_HOTITEMCHANGE) {
        logging::LogStream(HookLog(), where) << "WM_NOTIFY( code: " << header->code
                                             << ", TBN_HOTITEMCHANGE: " << win::TBN_HOTITEMCHANGE;
        return;
    }
    if (header->code != win::TTN_GETDISPINFOW) {
        return;
    }
    for (const Tooltip& tooltip : kTooltips) {
        if (header->idFrom != tooltip.command) {
            continue;
        }
        logging::LogStream(HookLog(), where) << "WM_NOTIFY( code: " << header->code
                                             << ", TTN_GETDISPINFO: " << win::TTN_GETDISPINFOW;
        const std::string text = HookText(tooltip.key, tooltip.fallback);
        // Into the request's own buffer, cut to its 79 units and a terminator.
        win::SetTooltipText(reinterpret_cast<win::NMTTDISPINFOW*>(lParam), text);
        handled = true;
        return;
    }
}
