// The mail client's menu bar: popups File, Edit, View, Tools, Message and Help at positions 0
// to 5, so that View (the folder commands), Tools (the options), Message (the new-message
// commands) and Help stand at 2, 3, 4 and 5, where a hooked-in library adds its items. The
// items are declared once in a table; PrepareMenuPopup enables them for the current
// selection, as the mail client does each time a popup opens.
#pragma once

#include "platform/WinMenu.h"

namespace mailclient {

constexpr int kMenuPopupCount = 6;

// A new menu bar with the six popups. 0 when the platform cannot make menus.
win::HMENU BuildMenuBar();

// Greys the items that need a selected mail when none is selected, and the Mark as Read or
// Mark as Unread item that would change nothing.
void PrepareMenuPopup(win::HMENU popup, bool mailSelected, bool selectedRead);

} // namespace mailclient
