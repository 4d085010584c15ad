// Menus: menu bars, popup menus and their items, the messages an owner window gets when a
// user opens a popup of its menu bar or chooses an item, and popup menus tracked at a point.
//
// Menus live in the process that made them; their handles are unique in the process and
// never 0. A menu item is a command (MF_STRING: command id and UTF-8 text), a separator, or a
// popup (MF_POPUP: a submenu, whose handle the item owns). Items are addressed by position
// (MF_BYPOSITION) or by command id (MF_BYCOMMAND, the default; the first item with that id,
// searched in submenus too). All calls are safe from any thread; the messages they send go
// to the owner window through SendMessage.
//
// There is no screen to show a popup on: TrackPopupMenu asks the process's popup chooser
// (set by tests and scripts) which item the user picks; with no chooser the popup is
// cancelled.
#pragma once

#include "platform/WinChildren.h"

#include <functional>
#include <string>

namespace win {

using HMENU = std::uint32_t;

constexpr UINT MF_INSERT = 0x0000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_HILITE = 0x0080;
constexpr UINT MF_DEFAULT = 0x1000;
constexpr UINT MF_SEPARATOR = 0x0800;
// Answer of GetMenuState, GetMenuItemID for a missing item (and the latter for a popup).
constexpr UINT MENU_ITEM_ABSENT = 0xFFFFFFFF;

constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;

HMENU CreateMenu();
HMENU CreatePopupMenu();
// Destroys the menu and its submenus; a menu bar is taken off its window. False when unknown.
bool DestroyMenu(HMENU menu);
bool IsMenu(HMENU menu);

// Gives the window its menu bar (0: none); the previous bar is not destroyed. A window's bar
// is destroyed with the window.
bool SetMenu(HWND hwnd, HMENU menu);
HMENU GetMenu(HWND hwnd);

// The submenu at `position`; 0 when the item is not a popup.
HMENU GetSubMenu(HMENU menu, int position);
// -1 when the menu is unknown.
int GetMenuItemCount(HMENU menu);
// Command id of the item at `position`: 0 for a separator, MENU_ITEM_ABSENT for a popup or
// no item.
UINT GetMenuItemID(HMENU menu, int position);
// Position of the first direct item with that command id (submenus are not searched); -1.
int GetMenuItemPosition(HMENU menu, UINT commandId);

// `idOrPopup`: the command id, or with MF_POPUP the submenu's handle. Text is ignored for a
// separator. False when the menu (or the submenu) is unknown, or a submenu would contain its
// own parent.
bool AppendMenu(HMENU menu, UINT flags, UINT_PTR idOrPopup, const std::string& text);
// Inserts before the item at `item` (MF_BYPOSITION; a position past the end appends) or
// before the item with that command id.
bool InsertMenu(HMENU menu, UINT item, UINT flags, UINT_PTR idOrPopup, const std::string& text);
// Removes the item; DeleteMenu also destroys its submenu, RemoveMenu hands it back alive.
bool DeleteMenu(HMENU menu, UINT item, UINT flags);
bool RemoveMenu(HMENU menu, UINT item, UINT flags);
// `flags`: MF_BYCOMMAND or MF_BYPOSITION with MF_ENABLED, MF_GRAYED or MF_DISABLED. Returns
// the previous state (MF_GRAYED | MF_DISABLED bits), -1 when there is no such item.
int EnableMenuItem(HMENU menu, UINT item, UINT flags);
// Previous MF_CHECKED state, -1 when absent.
int CheckMenuItem(HMENU menu, UINT item, UINT flags);
// MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_POPUP, MF_SEPARATOR, MF_DEFAULT bits; for a popup
// the high byte holds its item count. MENU_ITEM_ABSENT when there is no such item.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
// Copies the item's text into `buffer` (UTF-8, cut at a character boundary to fit
// `bufferSize` with its terminator) and returns the bytes copied; with buffer null returns
// the full length. 0 when absent.
int GetMenuString(HMENU menu, UINT item, char* buffer, int bufferSize, UINT flags);
std::string GetMenuString(HMENU menu, UINT item, UINT flags);
bool SetMenuDefaultItem(HMENU menu, UINT item, bool byPosition);
// Command id of the default item, MENU_ITEM_ABSENT without one.
UINT GetMenuDefaultItem(HMENU menu);

// --- What a user does -------------------------------------------------------------------

// Opens the popup at `index` of the window's menu bar as a user clicking it would: sends
// WM_INITMENU(bar), WM_MENUSELECT(MAKEWPARAM(index, MF_POPUP | MF_HILITE), bar) and
// WM_INITMENUPOPUP(popup, MAKELPARAM(index, 0)) to the window. Returns the popup, 0 when the
// window has no bar or the item is no popup.
HMENU OpenMenuBarPopup(HWND hwnd, int index);
// Chooses the command in the window's menu bar as a user would: when an enabled command
// item with that id exists, sends WM_MENUSELECT(0xFFFF high word, menu closed) and
// WM_COMMAND(MAKEWPARAM(id, 0), 0) to the window and returns true.
bool ChooseMenuCommand(HWND hwnd, UINT commandId);

// What the chooser is asked: the popup about to be shown and where.
struct PopupMenuRequest {
    HMENU menu = 0;
    UINT flags = 0;
    int x = 0;
    int y = 0;
    HWND owner = 0;
};
// Answers the command id the user picks, 0 to cancel. Ids that are no enabled command item
// of the popup (or its submenus) count as cancelled.
using PopupMenuChooser = std::function<UINT(const PopupMenuRequest&)>;
// Sets the process's chooser (nullptr: every popup is cancelled); returns the previous one.
PopupMenuChooser SetPopupMenuChooser(PopupMenuChooser chooser);

// Shows the popup at the screen point for `owner`: sends WM_INITMENUPOPUP(menu, 0) to the
// owner (unless TPM_NONOTIFY), asks the chooser, and then with TPM_RETURNCMD returns the
// chosen command (0: cancelled); without it posts WM_COMMAND(MAKEWPARAM(id, 0), 0) to the
// owner and returns nonzero when an item was chosen. `reserved` and `rect` are unused.
int TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner,
                   const RECT* rect = nullptr);

} // namespace win
