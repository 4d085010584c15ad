#include "hook/MainWindowSubClass.h"

#include "hook/HookMessages.h"
#include "hook/LogStream.h"
#include "hook/MessageViewSubClass.h"
#include "hook/OeHookDll.h"
#include "hook/OeWindows.h"
#include "hook/RebarSubClass.h"

#include <string>

namespace {

struct CommandEvent {
    win::UINT command;
    win::UINT event;
    const char* function;
};

constexpr CommandEvent kCommandEvents[] = {
    {oewin::kCmdNewSms, hookmsg::kNewSms, "MainWindowSubClass::OnNewSmsClick"},
    {oewin::kCmdSmsOutbox, hookmsg::kFolderOutbox, "MainWindowSubClass::OnSmsOutboxClick"},
    {oewin::kCmdSentSms, hookmsg::kFolderSent, "MainWindowSubClass::OnSentSmsClick"},
    {oewin::kCmdSmsOptions, hookmsg::kSmsOptions, "MainWindowSubClass::OnSmsOptionsClick"},
    {oewin::kCmdSmsAbout, hookmsg::kSmsAbout, "MainWindowSubClass::OnSmsAboutClick"},
    {oewin::kCmdSmsHelp, hookmsg::kSmsHelp, "MainWindowSubClass::OnSmsHelpClick"},
    {oewin::kCmdNewMms, hookmsg::kNewMms, "MainWindowSubClass::OnNewMmsClick"},
};

// The library's items of the menu-bar popups; the first item of an index is the one that
// tells whether the popup was filled before.
struct MenuAddition {
    int index;
    win::UINT command;
    const char* key;
    const char* fallback;
    bool mmsOnly;
};

constexpr MenuAddition kMenuAdditions[] = {
    {2, oewin::kCmdSentSms, "Outlook.SMSMenuSentSMSText", "Sent SMS", false},
    {2, oewin::kCmdSmsOutbox, "Outlook.SMSMenuSMSOutboxText", "SMS Outbox", false},
    {3, oewin::kCmdSmsOptions, "Outlook.SMSMenuSMSOptionsText", "SMS Options...", false},
    {4, oewin::kCmdNewSms, "Outlook.SMSMenuNewSMSText", "New SMS", false},
    {4, oewin::kCmdNewMms, "Outlook.SMSMenuNewMMSText", "New MMS", true},
    {5, oewin::kCmdSmsHelp, "Outlook.SMSMenuOnlineHelpText", "<appname> Online Help", false},
    {5, oewin::kCmdSmsAbout, "Outlook.SMSMenuAboutText", "About <appname>", false},
};

constexpr int kFirstMenuIndex = 2;
constexpr int kLastMenuIndex = 5;

std::string MenuText(const MenuAddition& item) {
    OeHookDll* dll = OeHookDll::Instance();
    if (dll == nullptr) {
        return item.fallback;
    }
    OeTextTable& texts = dll->Texts();
    const std::string appName = texts.Translate("TWD.AppName", "Tidewell Outlook Express");
    return texts.TranslateTokens(item.key, {{"appname", appName}}, item.fallback);
}

win::UINT ShutdownMessage() {
    OeHookDll* dll = OeHookDll::Instance();
    return dll != nullptr ? dll->Shared().ShutdownMessage() : 0;
}

// The child of `parent` with that class name, or 0 (and a log line under `where`).
win::HWND FindChild(win::HWND parent, const char* className, const char* where) {
    const win::HWND child = parent == 0 ? 0 : win::FindWindowEx(parent, 0, className, "");
    if (child == 0 || win::GetClassName(child) != className) {
        logging::LogStream(HookLog(), where) << "Failed to find window: " << className;
        return 0;
    }
    return child;
}

} // namespace

MainWindowSubClass::MainWindowSubClass(SubClassListener& listener, win::HWND window)
    : SubClassWindow(window, "MainWindowSubClass"), m_listener(listener) {
    const win::HWND view =
        FindChild(window, oewin::kMessageViewClass, "MainWindowSubClass::MainWindowSubClass");
    if (view != 0) {
        SubclassMessageView(view);
    }
    SubclassRebar();
}

MainWindowSubClass::~MainWindowSubClass() {
    m_rebar.reset();
    m_views.clear();
}

void MainWindowSubClass::SubclassMessageView(win::HWND view) {
    const char* const where = "MainWindowSubClass::SubclassMessageView";
    m_views.erase(view);
    const win::HWND messageList = FindChild(view, oewin::kMessageListClass, where);
    const win::HWND listControl =
        messageList == 0 ? 0 : FindChild(messageList, oewin::kListControlClass, where);
    m_views[view] =
        listControl == 0 ? nullptr : std::make_unique<MessageViewSubClass>(m_listener, listControl);
}

void MainWindowSubClass::SubclassRebar() {
    const char* const where = "MainWindowSubClass::SubclassRebar";
    if (m_rebar) {
        logging::LogStream(HookLog(), where) << "Already subclassed!";
        return;
    }
    const win::HWND sizable = FindChild(Window(), oewin::kSizableRebarClass, where);
    const win::HWND rebar = sizable == 0 ? 0 : FindChild(sizable, oewin::kRebarClass, where);
    if (rebar != 0) {
        m_rebar = std::make_unique<RebarSubClass>(rebar);
    }
}

win::LRESULT MainWindowSubClass::WndProc(win::HWND window, win::UINT message, win::WPARAM wParam,
                                         win::LPARAM lParam, bool& handled) {
    const win::UINT shutdown = ShutdownMessage();
    if (shutdown != 0 && message == shutdown) {
        logging::LogStream(HookLog(), "MainWindowSubClass::OnShutdownMsg")
            << "Shutdown message: " << message;
        m_listener.SubClassEvent(message, wParam, lParam);
        handled = true;
        return 0;
    }
    switch (message) {
    case win::WM_COMMAND:
        OnCommand(win::LOWORD(wParam), handled);
        return 0;
    case win::WM_MENUSELECT:
        m_menuIndex = win::LOWORD(wParam);
        return 0;
    case win::WM_INITMENUPOPUP: {
        const int index = m_menuIndex;
        m_menuIndex = -1;
        if (index < kFirstMenuIndex || index > kLastMenuIndex) {
            return 0;
        }
        // The mail client prepares its popup first; the library's items follow its own.
        const win::LRESULT result = CallPrevious(window, message, wParam, lParam);
        AddMenuItems(static_cast<win::HMENU>(wParam), index);
        handled = true;
        return result;
    }
    case win::WM_PARENTNOTIFY:
        OnParentNotify(wParam, lParam);
        return 0;
    default:
        return 0;
    }
}

void MainWindowSubClass::OnCommand(win::UINT command, bool& handled) {
    for (const CommandEvent& row : kCommandEvents) {
        if (row.command == command) {
            logging::LogStream(HookLog(), row.function) << "Command: " << command;
            m_listener.SubClassEvent(row.event, 0, 0);
            handled = true;
            return;
        }
    }
    const MessageViewSubClass::CommandRoute* route = MessageViewSubClass::FindCommandRoute(command);
    if (route == nullptr) {
        return;
    }
    logging::LogStream(HookLog(), std::string("MainWindowSubClass::") + route->logName)
        << "Command: " << command;
    for (auto& [view, subclass] : m_views) {
        if (subclass) {
            ((*subclass).*(route->action))(handled);
            return;
        }
    }
}

void MainWindowSubClass::OnParentNotify(win::WPARAM wParam, win::LPARAM lParam) {
    const auto child = static_cast<win::HWND>(lParam);
    if (win::LOWORD(wParam) == win::WM_CREATE) {
        const char* const where = "MainWindowSubClass::OnParentNotifyCreate";
        logging::LogStream(HookLog(), where) << "WM_CREATE";
        logging::LogStream(HookLog(), where) << "HWND: " << child;
        if (win::GetClassName(child) == oewin::kMessageViewClass) {
            logging::LogStream(HookLog(), where) << "My kind of toolbar!";
            SubclassMessageView(child);
        }
    } else if (win::LOWORD(wParam) == win::WM_DESTROY) {
        const char* const where = "MainWindowSubClass::OnParentNotifyDestroy";
        logging::LogStream(HookLog(), where) << "WM_DESTROY";
        logging::LogStream(HookLog(), where) << "HWND: " << child;
        m_views.erase(child);
    }
}

void MainWindowSubClass::AddMenuItems(win::HMENU popup, int index) const {
    const MenuAddition* first = nullptr;
    for (const MenuAddition& item : kMenuAdditions) {
        if (item.index == index) {
            first = &item;
            break;
        }
    }
    if (first == nullptr) {
        return;
    }
    const bool mms = HookMmsMode();
    // Filled before: the mail client may have greyed the items it does not know.
    const bool filled = win::GetMenuItemPosition(popup, first->command) >= 0;
    if (!filled) {
        win::AppendMenu(popup, win::MF_SEPARATOR, 0, "");
    }
    for (const MenuAddition& item : kMenuAdditions) {
        if (item.index != index || (item.mmsOnly && !mms)) {
            continue;
        }
        if (filled) {
            win::EnableMenuItem(popup, item.command, win::MF_BYCOMMAND | win::MF_ENABLED);
        } else {
            win::AppendMenu(popup, win::MF_STRING, item.command, MenuText(item));
        }
    }
}
