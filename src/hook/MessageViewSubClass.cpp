#include "hook/MessageViewSubClass.h"

#include "hook/LogStream.h"
#include "hook/MailColumnText.h"
#include "hook/OeHookDll.h"
#include "hook/OeWindows.h"

#include "oebridge/SmsMessage.h"
#include "platform/WinListView.h"
#include "platform/WinMenu.h"

#include <algorithm>

namespace {

constexpr MessageViewSubClass::CommandRoute kRoutes[] = {
    {oewin::kCmdOpen, oewin::kCmdOpen, "OnOpenClick", &MessageViewSubClass::Open},
    {oewin::kCmdReplyFirst, oewin::kCmdReplyLast, "OnReplyClick", &MessageViewSubClass::Reply},
    {oewin::kCmdForward, oewin::kCmdForward, "OnForwardClick", &MessageViewSubClass::Forward},
};

struct ContextItem {
    win::UINT id; // 0: a separator
    const char* key;
    const char* fallback;
};

constexpr ContextItem kContextMenu[] = {
    {oewin::kCmdOpen, "Outlook.ContextMenuOpen", "Open"},
    {0, "", ""},
    {oewin::kCmdReplyFirst, "Outlook.ContextMenuReply", "SMS Reply"},
    {oewin::kCmdForward, "Outlook.ContextMenuForward", "SMS Forward"},
    {0, "", ""},
    {oewin::kCmdMarkRead, "Outlook.ContextMenuRead", "Mark as Read"},
    {oewin::kCmdMarkUnread, "Outlook.ContextMenuUnRead", "Mark as UnRead"},
};

// A popup menu that is destroyed with the scope.
class PopupMenu {
public:
    PopupMenu() : m_menu(win::CreatePopupMenu()) {}
    ~PopupMenu() {
        if (m_menu != 0) {
            win::DestroyMenu(m_menu);
        }
    }
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;
    win::HMENU Handle() const { return m_menu; }

private:
    win::HMENU m_menu;
};

} // namespace

MessageViewSubClass::MessageViewSubClass(SubClassListener& listener, win::HWND listControl)
    : SubClassWindow(listControl, "MessageViewSubClass"), m_listener(listener) {}

const MessageViewSubClass::CommandRoute* MessageViewSubClass::FindCommandRoute(win::UINT command) {
    for (const CommandRoute& route : kRoutes) {
        if (command >= route.first && command <= route.last) {
            return &route;
        }
    }
    return nullptr;
}

std::string MessageViewSubClass::ReplyDomain() {
    OeHookDll* dll = OeHookDll::Instance();
    if (dll == nullptr) {
        return {};
    }
    QVRegistry& registry = dll->Registry();
    return registry.GetReplyEmailSenderDomain(registry.GetDefaultAccount());
}

int MessageViewSubClass::SelectedItem() const {
    if (win::SendMessage(Window(), win::LVM_GETSELECTEDCOUNT, 0, 0) != 1) {
        return -1;
    }
    return static_cast<int>(win::SendMessage(Window(), win::LVM_GETNEXTITEM,
                                             static_cast<win::WPARAM>(-1), win::LVNI_SELECTED));
}

std::vector<std::string> MessageViewSubClass::ColumnTexts(int item) const {
    std::vector<std::string> texts;
    const auto header =
        static_cast<win::HWND>(win::SendMessage(Window(), win::LVM_GETHEADER, 0, 0));
    const auto columns = header == 0 ? 0 : win::SendMessage(header, win::HDM_GETITEMCOUNT, 0, 0);
    for (win::LRESULT column = 0; column < columns; ++column) {
        char buffer[kMaxColumnText + 1] = {};
        win::LVITEM request;
        request.iSubItem = static_cast<int>(column);
        request.pszText = buffer;
        request.cchTextMax = static_cast<int>(sizeof buffer);
        win::SendMessage(Window(), win::LVM_GETITEMTEXT, static_cast<win::WPARAM>(item),
                         reinterpret_cast<win::LPARAM>(&request));
        buffer[kMaxColumnText] = '\0';
        texts.emplace_back(buffer);
    }
    return texts;
}

bool MessageViewSubClass::IsSmsSelected() const {
    const int item = SelectedItem();
    if (item < 0) {
        return false;
    }
    const std::string domain = ReplyDomain();
    const std::vector<std::string> texts = ColumnTexts(item);
    return std::any_of(texts.begin(), texts.end(), [&domain](const std::string& text) {
        return oetext::IsSmsAddress(text, domain, nullptr);
    });
}

bool MessageViewSubClass::FillMessage(SmsMessage& message) const {
    const int item = SelectedItem();
    OeHookDll* dll = OeHookDll::Instance();
    if (item < 0 || dll == nullptr) {
        return false;
    }
    QVRegistry& registry = dll->Registry();
    const std::string account = registry.GetDefaultAccount();
    const std::string domain = registry.GetReplyEmailSenderDomain(account);
    message.SetRecipients(registry.GetUserEmail(account));
    // Columns in header order; a later column of the same kind overrides an earlier one.
    for (const std::string& text : ColumnTexts(item)) {
        std::string number;
        if (text.empty()) {
            continue;
        }
        if (oetext::IsSmsAddress(text, domain, &number)) {
            message.SetSender(number);
        } else if (oetext::IsDateTimeText(text)) {
            message.SetDate(text);
        } else {
            message.SetText(text);
        }
    }
    return true;
}

void MessageViewSubClass::Handle(std::uint32_t action, bool& handled) {
    logging::LogStream(HookLog(), "MessageViewSubClass::HandleSelectItemEvent")
        << "Command: " << action;
    if (!IsSmsSelected()) {
        return;
    }
    SmsMessage message;
    if (!FillMessage(message)) {
        return;
    }
    // The send waits until the program has taken the message, so the buffer outlives it.
    win::COPYDATASTRUCT descriptor = message.Pack(action);
    m_listener.SubClassEvent(win::WM_COPYDATA, static_cast<win::WPARAM>(Window()),
                             reinterpret_cast<win::LPARAM>(&descriptor));
    handled = true;
}

win::HWND MessageViewSubClass::MainWindow() const {
    // list control < message list < message view < main window
    return win::GetParent(win::GetParent(win::GetParent(Window())));
}

void MessageViewSubClass::Open(bool& handled) {
    // Only an SMS is marked read here; any other mail the mail client opens and marks itself.
    if (IsSmsSelected()) {
        win::SendMessage(MainWindow(), win::WM_COMMAND, win::MAKEWPARAM(oewin::kCmdMarkRead, 0), 0);
    }
    Handle(0, handled);
}

void MessageViewSubClass::Reply(bool& handled) {
    Handle(1, handled);
}

void MessageViewSubClass::Forward(bool& handled) {
    Handle(2, handled);
}

void MessageViewSubClass::OnContextMenu(win::LPARAM screenPoint, bool& handled) {
    const int selected = SelectedItem();
    if (selected < 0 || !IsSmsSelected()) {
        return;
    }
    win::POINT cursor;
    win::GetCursorPos(&cursor);
    if (screenPoint != win::CONTEXTMENU_FROM_KEYBOARD) {
        // Only a click on the selected mail itself opens the SMS menu.
        win::LVHITTESTINFO hit;
        hit.pt.x = win::GET_X_LPARAM(screenPoint);
        hit.pt.y = win::GET_Y_LPARAM(screenPoint);
        win::ScreenToClient(Window(), &hit.pt);
        const auto item =
            win::SendMessage(Window(), win::LVM_HITTEST, 0, reinterpret_cast<win::LPARAM>(&hit));
        if (item != selected) {
            return;
        }
    }
    PopupMenu menu;
    if (menu.Handle() == 0) {
        return;
    }
    for (const ContextItem& item : kContextMenu) {
        if (item.id == 0) {
            win::AppendMenu(menu.Handle(), win::MF_SEPARATOR, 0, "");
        } else {
            win::AppendMenu(menu.Handle(), win::MF_STRING, item.id,
                            HookText(item.key, item.fallback));
        }
    }
    win::SetMenuDefaultItem(menu.Handle(), oewin::kCmdOpen, false);
    handled = true;
    const int chosen = win::TrackPopupMenu(menu.Handle(), win::TPM_RETURNCMD | win::TPM_RIGHTBUTTON,
                                           cursor.x, cursor.y, 0, Window());
    if (chosen != 0) {
        win::SendMessage(MainWindow(), win::WM_COMMAND,
                         win::MAKEWPARAM(static_cast<win::WORD>(chosen), 0), 0);
    }
}

win::LRESULT MessageViewSubClass::WndProc(win::HWND, win::UINT message, win::WPARAM wParam,
                                          win::LPARAM lParam, bool& handled) {
    switch (message) {
    case win::WM_CONTEXTMENU:
        OnContextMenu(lParam, handled);
        return 0;
    case win::WM_KEYDOWN:
        if (wParam == win::VK_RETURN) {
            Handle(0, handled);
        }
        return 0;
    case win::WM_LBUTTONDBLCLK:
        Open(handled);
        return 0;
    case win::WM_COMMAND:
        if (const CommandRoute* route = FindCommandRoute(win::LOWORD(wParam))) {
            (this->*route->action)(handled);
        }
        return 0;
    default:
        return 0;
    }
}
