// What the window calls of Win.cpp hand on to the child-window, menu and control parts: the
// control procedure for a class name, the parent notifications, and the clean-up when a
// window goes away. All run on the window's own thread.
#pragma once

#include "platform/Win.h"

namespace win::detail {

// The procedure of the control class `className` names (a fresh control each call); empty
// when it names none.
WNDPROC ControlProcFor(const std::string& className);
// Sends WM_PARENTNOTIFY(MAKEWPARAM(event, id), child) to the child's parent and every
// ancestor; nothing for a top-level window.
void NotifyAncestors(HWND child, UINT event);
// The window is gone from the table: drops what other parts keep for it (its menu bar).
void OnWindowRemoved(HWND hwnd);

} // namespace win::detail
