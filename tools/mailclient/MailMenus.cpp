#include "MailMenus.h"

#include "MailCommands.h"

#include <array>

namespace mailclient {

namespace {

constexpr std::array<const char*, kMenuPopupCount> kPopups = {"&File",  "&Edit",    "&View",
                                                              "&Tools", "&Message", "&Help"};

struct MenuEntry {
    int popup;
    win::UINT id; // 0: a separator
    const char* text;
};

constexpr MenuEntry kEntries[] = {
    {0, kCmdNewMail, "&New Mail\tCtrl+N"},
    {0, kCmdOpen, "&Open\tCtrl+O"},
    {0, kCmdSaveAs, "Save &As..."},
    {0, 0, ""},
    {0, kCmdPrint, "&Print...\tCtrl+P"},
    {0, 0, ""},
    {0, kCmdProperties, "P&roperties\tAlt+Enter"},
    {0, 0, ""},
    {0, kCmdExit, "E&xit"},
    {1, kCmdCopy, "&Copy\tCtrl+C"},
    {1, kCmdSelectAll, "Select &All\tCtrl+A"},
    {1, 0, ""},
    {1, kCmdDelete, "&Delete\tCtrl+D"},
    {1, 0, ""},
    {1, kCmdMarkRead, "Mar&k as Read\tCtrl+Q"},
    {1, kCmdMarkUnread, "Mark as U&nread"},
    {1, 0, ""},
    {1, kCmdFind, "&Find...\tCtrl+Shift+F"},
    {2, kCmdCurrentView, "Current &View"},
    {2, kCmdColumns, "&Columns..."},
    {2, kCmdLayout, "&Layout..."},
    {2, 0, ""},
    {2, kCmdGoToFolder, "&Go to Folder...\tCtrl+Y"},
    {2, 0, ""},
    {2, kCmdRefresh, "&Refresh\tF5"},
    {3, kCmdSendReceive, "&Send and Receive\tCtrl+M"},
    {3, 0, ""},
    {3, kCmdAddressBook, "&Address Book...\tCtrl+Shift+B"},
    {3, kCmdMessageRules, "Message &Rules..."},
    {3, 0, ""},
    {3, kCmdOptions, "&Options..."},
    {4, kCmdNewMail, "&New Message\tCtrl+N"},
    {4, 0, ""},
    {4, kCmdReply, "&Reply to Sender\tCtrl+R"},
    {4, kCmdReplyAll, "Reply to &All\tCtrl+Shift+R"},
    {4, kCmdReplyGroup, "Reply to &Group\tCtrl+G"},
    {4, kCmdForward, "&Forward\tCtrl+F"},
    {4, 0, ""},
    {4, kCmdFlag, "F&lag Message"},
    {5, kCmdHelpContents, "&Contents and Index"},
    {5, 0, ""},
    {5, kCmdAbout, "&About Mail"},
};

} // namespace

win::HMENU BuildMenuBar() {
    const win::HMENU bar = win::CreateMenu();
    if (bar == 0) {
        return 0;
    }
    for (int p = 0; p < kMenuPopupCount; ++p) {
        const win::HMENU popup = win::CreatePopupMenu();
        for (const MenuEntry& entry : kEntries) {
            if (entry.popup != p) {
                continue;
            }
            win::AppendMenu(popup, entry.id == 0 ? win::MF_SEPARATOR : win::MF_STRING, entry.id,
                            entry.text);
        }
        win::AppendMenu(bar, win::MF_POPUP, popup, kPopups[static_cast<std::size_t>(p)]);
    }
    return bar;
}

void PrepareMenuPopup(win::HMENU popup, bool mailSelected, bool selectedRead) {
    const int count = win::GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
        const win::UINT id = win::GetMenuItemID(popup, i);
        const MailCommandInfo* info = FindMailCommand(id);
        if (info == nullptr) {
            continue; // separators, and the items of others
        }
        bool enabled = !info->needsSelection || mailSelected;
        if (info->kind == MailAction::MarkRead && selectedRead) {
            enabled = false;
        }
        if (info->kind == MailAction::MarkUnread && mailSelected && !selectedRead) {
            enabled = false;
        }
        win::EnableMenuItem(popup, static_cast<win::UINT>(i),
                            win::MF_BYPOSITION | (enabled ? win::MF_ENABLED : win::MF_GRAYED));
    }
}

} // namespace mailclient
