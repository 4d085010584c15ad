// What the hook library knows of the mail client's windows, declared once for every subclass:
// the class names by which its windows are found, the toolbar's control id, the command ids the
// library adds to the mail client's menus and toolbar, and the mail client's own command ids
// that the library intercepts or issues.
#pragma once

#include "platform/Win.h"

namespace oewin {

constexpr const char* kMainWindowClass = "Outlook Express Browser Class";
constexpr const char* kMessageViewClass = "Outlook Express Message View";
constexpr const char* kMessageListClass = "Outlook Express Message List";
constexpr const char* kListControlClass = "ATL:SysListView32";
constexpr const char* kSizableRebarClass = "SizableRebar";
constexpr const char* kRebarClass = "RebarWindow32";
constexpr const char* kToolbarClass = "ToolbarWindow32";
// The toolbar is accepted only with this control id.
constexpr int kToolbarId = 2101;

// Commands the library adds.
enum AddedCommand : win::UINT {
    kCmdNewSms = 33988,
    kCmdSmsOutbox = 33989,
    kCmdSentSms = 33990,
    kCmdSmsOptions = 33991,
    kCmdSmsAbout = 33992,
    kCmdSmsHelp = 33993,
    kCmdNewMms = 33994,
};

// The mail client's commands.
enum MailCommand : win::UINT {
    kCmdOpen = 40100,
    kCmdReplyFirst = 40176,
    kCmdReplyLast = 40178,
    kCmdForward = 40180,
    kCmdMarkRead = 40186,
    kCmdMarkUnread = 40187,
};

// The image index of the library's toolbar buttons, whatever the toolbar's image lists hold.
constexpr int kButtonImageIndex = 61;

} // namespace oewin
