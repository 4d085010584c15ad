// Numbers shared by the dialog manager and everyone who asks it for a dialog.
#pragma once

#include "platform/Win.h"

namespace gui {

// Dialog kinds. The numbers are stored in settings (SysTrayDefaultAction) and passed by other
// processes, so they never change.
enum DialogType : int {
    DLG_NEWSMS = 0,
    DLG_FOLDERS = 1,
    DLG_SENTSMS = 2,
    DLG_OPTIONS = 3,
    DLG_FORWARDSMS = 4,
    DLG_MODIFYSMS = 5,
    DLG_NEWMMS = 6,
    DLG_REPLYSMS = 7,
    DLG_VIEWSMS = 8,
    DLG_SENTMMS = 9,
    DLG_FORWARDMMS = 10,
    DLG_MODIFYMMS = 11,
};

// Title (and class) of the dialog manager's hidden window, which a second start looks for.
constexpr const char* kHiddenWindowTitle = "TWD_HIDDEN_WND";

// Plain messages of the hidden window.
constexpr win::UINT WM_TW_SHUTDOWN = win::WM_USER + 99;        // orderly quit, may be refused
constexpr win::UINT WM_TW_FORCEDSHUTDOWN = win::WM_USER + 100; // quit without asking

// Timer of the hidden window that shows the usage-reminder balloon.
constexpr win::UINT_PTR TIMER_USAGE_REMINDER = 101;
constexpr win::UINT USAGE_REMINDER_DELAY_MS = 30000;

// Tray notifications carried in lParam of "QVTrayNotifyMsg".
constexpr win::LPARAM TRAY_LBUTTONDBLCLK = 0x0203;
constexpr win::LPARAM TRAY_RBUTTONUP = 0x0205;
constexpr win::LPARAM TRAY_CONTEXTMENU = 0x007B;
constexpr win::LPARAM TRAY_BALLOONUSERCLICK = win::WM_USER + 5;

// Commands of the tray menu.
enum TrayCommand : int {
    TRAY_CMD_NEWSMS = 1,
    TRAY_CMD_NEWMMS = 2,
    TRAY_CMD_FOLDERS = 3,
    TRAY_CMD_OPTIONS = 4,
    TRAY_CMD_ADDRESSBOOK = 5,
    TRAY_CMD_QUIT = 6,
};

// Commands (WM_COMMAND, wParam) the folders dialog understands: switch to the Outbox or to
// the Sent folder. The manager sends them to the folders dialog's window.
constexpr win::WPARAM CMD_FOLDERS_SHOW_OUTBOX = 32801;
constexpr win::WPARAM CMD_FOLDERS_SHOW_SENT = 32802;

// Mail-client actions carried in wParam of "QVShowOeWindow".
enum OeAction : int {
    OE_NEWSMS = 1,
    OE_VIEWSMS = 2,
    OE_REPLY = 3,
    OE_FORWARD = 4,
    OE_OUTBOX = 5,
    OE_SENT = 6,
    OE_HELP = 7,
    OE_ABOUT = 8,
    OE_OPTIONS = 9,
    OE_NEWMMS = 10,
};

} // namespace gui
