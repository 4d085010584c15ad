#include "hook/ToolbarSubClass.h"

#include "hook/LogStream.h"
#include "hook/OeHookDll.h"
#include "hook/OeWindows.h"
#include "hook/ToolbarButton.h"

#include "platform/WinToolbar.h"

namespace {

struct ButtonSpec {
    win::UINT command;
    int position;
    const char* textKey;
    const char* textFallback;
    const char* bitmapKey;
    const char* bitmapFallback;
};

constexpr ButtonSpec kSmsButton = {oewin::kCmdNewSms,          1,
                                   "Outlook.NewSMSButtonText", "Create SMS",
                                   "Outlook.NewSMSBitmap",     "bitmaps\\btnCreateSms"};
constexpr ButtonSpec kMmsButton = {oewin::kCmdNewMms,          2,
                                   "Outlook.NewMMSButtonText", "Create MMS",
                                   "Outlook.NewMMSBitmap",     "bitmaps\\btnCreateMms"};

std::unique_ptr<ToolbarButton> MakeButton(win::HWND toolbar, const ButtonSpec& spec) {
    return std::make_unique<ToolbarButton>(toolbar, spec.command, spec.position,
                                           HookText(spec.textKey, spec.textFallback),
                                           HookText(spec.bitmapKey, spec.bitmapFallback));
}

} // namespace

ToolbarSubClass::ToolbarSubClass(win::HWND toolbar) : SubClassWindow(toolbar, "ToolbarSubClass") {
    AddSmsButton();
    AddMmsButton();
}

ToolbarSubClass::~ToolbarSubClass() {
    m_mms.reset();
    m_sms.reset();
}

void ToolbarSubClass::AddSmsButton() {
    m_sms.reset();
    m_sms = MakeButton(Window(), kSmsButton);
}

void ToolbarSubClass::AddMmsButton() {
    m_mms.reset();
    if (HookMmsMode()) {
        m_mms = MakeButton(Window(), kMmsButton);
    }
}

bool ToolbarSubClass::ButtonsInPlace() const {
    const auto at = [this](const ButtonSpec& spec) {
        return win::SendMessage(Window(), win::TB_COMMANDTOINDEX, spec.command, 0) == spec.position;
    };
    return at(kSmsButton) && (!HookMmsMode() || at(kMmsButton));
}

win::LRESULT ToolbarSubClass::WndProc(win::HWND window, win::UINT message, win::WPARAM wParam,
                                      win::LPARAM lParam, bool& handled) {
    switch (message) {
    case win::TB_SETSTATE:
        if (wParam == oewin::kCmdNewSms || wParam == oewin::kCmdNewMms) {
            handled = true;
            return CallPrevious(window, message, wParam, win::MAKELPARAM(win::TBSTATE_ENABLED, 0));
        }
        return 0;
    case win::TB_BUTTONCOUNT:
        if (!m_readding && !ButtonsInPlace()) {
            m_readding = true;
            AddSmsButton();
            AddMmsButton();
            m_readding = false;
        }
        return 0;
    case win::WM_NOTIFY:
        if (lParam != 0 && !win::InMessageFromOtherProcess() &&
            reinterpret_cast<const win::NMHDR*>(lParam)->idFrom == oewin::kCmdNewSms) {
            logging::LogStream(HookLog(), "ToolbarSubClass::OnNotify")
                << "WM_NOTIFY( code: " << reinterpret_cast<const win::NMHDR*>(lParam)->code;
        }
        return 0;
    default:
        return 0;
    }
}
