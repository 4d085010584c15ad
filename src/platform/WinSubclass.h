// Subclassing in the shape of the system the hook library was written for:
// SetWindowLongPtr(GWLP_WNDPROC) installs a procedure and returns a number standing for the
// previous one, CallWindowProc(previous, ...) calls it.
//
// Each window keeps a chain of procedures, newest first; the one it was created with is the
// last. Installing a procedure adds a link on top and returns the number of the link below
// it. Setting GWLP_WNDPROC to the number of a link of the window's chain restores: the link
// directly above that one leaves the chain (in order, that is the top link; out of order it
// is a link in the middle). A removed link's number stays valid while the window exists and
// passes calls on to the link below it, so a subclass above a removed one still reaches the
// rest of the chain, and restoring in any order ends with the original procedure alone.
// (The original system simply stores the number given, which cuts off every subclass
// installed after the one that restores out of order.)
//
// Numbers of links are unique in the process while their window exists; CallWindowProc with
// a number that is no link (or whose window is gone) answers 0 and logs. A procedure may be a
// plain function (its address is taken, as `reinterpret_cast<LONG_PTR>(fn)`) or, through
// SetWindowProc, a std::function. The wide and narrow setters are the same: every window is a
// Unicode window. Everything here is for windows of the calling thread.
#pragma once

#include "platform/WinChildren.h"

namespace win {

using WNDPROCFN = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

constexpr int GWLP_WNDPROC = -4;
constexpr int GWLP_HINSTANCE = -6;
constexpr int GWLP_ID = -12;
constexpr int GWLP_USERDATA = -21;

// GWLP_WNDPROC: `value` is a link number of this window (restore) or a WNDPROCFN's address
// (install); returns the previous link number (see above), 0 on failure. GWLP_ID sets the
// control id, GWLP_USERDATA a free value; both return the previous value.
LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value);
LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value);
LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
// GWLP_WNDPROC: the number of the top link; GWLP_ID, GWLP_USERDATA as set; 0 otherwise.
LONG_PTR GetWindowLongPtr(HWND hwnd, int index);
LONG_PTR GetWindowLongPtrW(HWND hwnd, int index);
LONG_PTR GetWindowLongPtrA(HWND hwnd, int index);

// Calls the link `previous` of the window's chain (with removed links passed over). An
// exception thrown by it is logged and answers 0.
LRESULT CallWindowProc(LONG_PTR previous, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcW(LONG_PTR previous, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcA(LONG_PTR previous, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// SetWindowProc (Win.h) works on the same chain: it installs a link and returns a
// std::function that calls the link below it. Passing that function back to SetWindowProc
// restores (as setting GWLP_WNDPROC to the link's number does).

} // namespace win
