// The subclass of the mail client's main window, made by the SubClassHandler on the mail
// client's thread. At construction it subclasses the message view's list control and the
// rebar (whose subclass adds the toolbar buttons); message views the mail client makes later
// are caught as they are created (WM_PARENTNOTIFY) and dropped as they go.
//
// What it takes:
//   - the shutdown message ("MSG_WINDOWHOOK_SHUTDOWN", from the shared block): to the
//     listener, which unhooks;
//   - WM_COMMAND of the library's commands (33988..33994): one event each to the listener
//     (WM_USER + 1..7, see hook/HookMessages.h);
//   - WM_COMMAND Open (40100), the replies (40176..40178) and Forward (40180): offered to the
//     first message-view subclass, which takes them for an SMS;
//   - the popups Tools, Message, View and Help (menu-bar positions 2..5, remembered from
//     WM_MENUSELECT): after the mail client prepared one (WM_INITMENUPOPUP), the library's
//     items are appended once, and only enabled again every later time. "New MMS" only in MMS
//     mode (shared block).
// Everything else goes to the previous procedure. Deleting it deletes the rebar subclass
// (which takes the buttons off the toolbar) and every message-view subclass, then restores the
// main window's procedure.
#pragma once

#include "hook/SubClassListener.h"
#include "hook/SubClassWindow.h"

#include "platform/WinMenu.h"

#include <map>
#include <memory>

class MessageViewSubClass;
class RebarSubClass;

class MainWindowSubClass : public SubClassWindow {
public:
    MainWindowSubClass(SubClassListener& listener, win::HWND window);
    ~MainWindowSubClass() override;

    void SubclassMessageView(win::HWND view);
    void SubclassRebar();

    RebarSubClass* Rebar() const { return m_rebar.get(); }
    std::size_t MessageViewCount() const { return m_views.size(); }
    // The menu index remembered from WM_MENUSELECT, -1 for none.
    int MenuIndex() const { return m_menuIndex; }

protected:
    win::LRESULT WndProc(win::HWND window, win::UINT message, win::WPARAM wParam,
                         win::LPARAM lParam, bool& handled) override;

private:
    void OnCommand(win::UINT command, bool& handled);
    void OnParentNotify(win::WPARAM wParam, win::LPARAM lParam);
    void AddMenuItems(win::HMENU popup, int index) const;

    SubClassListener& m_listener;
    std::unique_ptr<RebarSubClass> m_rebar;
    // Message view -> the subclass of its list control (none when the list was not found).
    std::map<win::HWND, std::unique_ptr<MessageViewSubClass>> m_views;
    int m_menuIndex = -1;
};
