// Child windows, window geometry, and the messages a window receives about its children,
// the mouse, the keyboard and menus.
//
// A child window has a parent (WindowDesc.parent) and a control id; it lives in the same
// process as its parent, and the calls here reach only windows of the calling process. When a
// child is created or destroyed, WM_PARENTNOTIFY goes to its parent and on to every ancestor
// (wParam: low word WM_CREATE or WM_DESTROY, high word the child's control id; lParam: the
// child), on the creating or destroying thread. Destroying a window destroys its children
// first (each notifies as above), then the window gets WM_DESTROY.
//
// Geometry: each window has a rectangle relative to its parent's client area (a top-level
// window's is relative to the screen); the client area is the whole rectangle, without
// borders. Children are listed in creation order.
#pragma once

#include "platform/Win.h"

#include <functional>
#include <string>
#include <vector>

namespace win {

using WORD = std::uint16_t;
using BYTE = std::uint8_t;
using LONG = std::int32_t;
using LONG_PTR = std::intptr_t;
using DWORD_PTR = std::uintptr_t;
using INT_PTR = std::intptr_t;
using WCHAR = char16_t; // UTF-16 code unit, as on the system the programs were written for
using COLORREF = std::uint32_t;
// A module handle; the platform has no resources to load, so it is only ever null.
using HINSTANCE = void*;

constexpr WORD LOWORD(std::uintptr_t v) {
    return static_cast<WORD>(v & 0xFFFF);
}
constexpr WORD HIWORD(std::uintptr_t v) {
    return static_cast<WORD>((v >> 16) & 0xFFFF);
}
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) {
    return static_cast<WPARAM>(static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16));
}
// Packs two 16-bit values (coordinates may be negative) as a 32-bit value, sign-extended.
constexpr LPARAM MAKELPARAM(int low, int high) {
    return static_cast<LPARAM>(static_cast<std::int32_t>(
        (static_cast<DWORD>(low) & 0xFFFF) | ((static_cast<DWORD>(high) & 0xFFFF) << 16)));
}
constexpr int GET_X_LPARAM(LPARAM l) {
    return static_cast<std::int16_t>(l & 0xFFFF);
}
constexpr int GET_Y_LPARAM(LPARAM l) {
    return static_cast<std::int16_t>((l >> 16) & 0xFFFF);
}

constexpr UINT WM_CHILDACTIVATE = 0x0022;
constexpr UINT WM_NOTIFY = 0x004E;
constexpr UINT WM_CONTEXTMENU = 0x007B;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_INITMENU = 0x0116;
constexpr UINT WM_INITMENUPOPUP = 0x0117;
constexpr UINT WM_MENUSELECT = 0x011F;
constexpr UINT WM_UNINITMENUPOPUP = 0x0125;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_PARENTNOTIFY = 0x0210;

constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;

constexpr UINT VK_RETURN = 0x0D;
constexpr UINT VK_ESCAPE = 0x1B;
constexpr UINT VK_DELETE = 0x2E;
constexpr UINT VK_APPS = 0x5D;

// lParam of WM_CONTEXTMENU when the menu key, not the mouse, asked for the menu.
constexpr LPARAM CONTEXTMENU_FROM_KEYBOARD = -1;

struct POINT {
    LONG x = 0;
    LONG y = 0;
};

struct RECT {
    LONG left = 0;
    LONG top = 0;
    LONG right = 0;
    LONG bottom = 0;
};

// Header of every WM_NOTIFY (lParam points at it; wParam is the sender's control id).
struct NMHDR {
    HWND hwndFrom = 0;
    UINT_PTR idFrom = 0;
    UINT code = 0;
};

// Common notification codes (negative numbers, as UINT).
constexpr UINT NM_FIRST = 0U - 0U;
constexpr UINT NM_CLICK = NM_FIRST - 2;
constexpr UINT NM_DBLCLK = NM_FIRST - 3;
constexpr UINT NM_RETURN = NM_FIRST - 4;
constexpr UINT NM_RCLICK = NM_FIRST - 5;

// Tooltip text request: sent as WM_NOTIFY to the window that owns the tool (for a toolbar
// button: the toolbar's parent, idFrom = the button's command id). The answer is either
// written into szText (at most 79 characters and a terminator), or lpszText pointed at a
// text that stays valid until the call returns. hinst with a resource number in lpszText is
// not supported (there are no resources) and reads as no text.
constexpr UINT TTN_FIRST = 0U - 520U;
constexpr UINT TTN_GETDISPINFOA = TTN_FIRST - 0;
constexpr UINT TTN_GETDISPINFOW = TTN_FIRST - 10;
constexpr UINT TTN_NEEDTEXTW = TTN_GETDISPINFOW;
constexpr std::size_t TOOLTIP_TEXT_CAPACITY = 80;

struct NMTTDISPINFOW {
    NMHDR hdr;
    WCHAR* lpszText = nullptr;
    WCHAR szText[TOOLTIP_TEXT_CAPACITY] = {};
    HINSTANCE hinst = nullptr;
    UINT uFlags = 0;
    LPARAM lParam = 0;
};

// Writes UTF-8 `text` into info->szText as UTF-16, cut to at most 79 code units without
// splitting a surrogate pair, always terminated; points lpszText at it and clears hinst.
// Invalid UTF-8 bytes become U+FFFD.
void SetTooltipText(NMTTDISPINFOW* info, const std::string& text);
// The answer of a tooltip request as UTF-8 (see NMTTDISPINFOW), at most 79 UTF-16 code
// units of it; never reads past the buffer.
std::string TooltipTextOf(const NMTTDISPINFOW& info);

// Copies `text` into a caller's buffer of `bufferSize` bytes, cut at a UTF-8 character
// boundary so that it fits with its terminator; returns the bytes copied (0 and nothing
// written when the buffer is null or has no room).
int CopyUtf8ToBuffer(const std::string& text, char* buffer, int bufferSize);

// UTF-16 <-> UTF-8 (invalid sequences become U+FFFD).
std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(std::u16string_view text);

// --- Children ---------------------------------------------------------------------------

int GetDlgCtrlID(HWND hwnd);
// The first direct child of `parent` with that control id; 0 when there is none.
HWND GetDlgItem(HWND parent, int controlId);
// The next direct child of `parent` after `childAfter` (0: from the first) whose class name
// and title match (empty: any; compared without regard to case). With parent 0 the
// top-level windows of this process are searched. 0 when none matches.
HWND FindWindowEx(HWND parent, HWND childAfter, const std::string& className,
                  const std::string& title);
// Direct children in creation order.
std::vector<HWND> GetChildWindows(HWND parent);
// Every descendant of `parent` (depth first, in creation order) of that class (empty: any).
std::vector<HWND> FindChildWindows(HWND parent, const std::string& className, bool recursive);
// Calls `callback` for every descendant, depth first; stops when it returns false.
using WNDENUMPROC = std::function<bool(HWND)>;
bool EnumChildWindows(HWND parent, const WNDENUMPROC& callback);
// Always true: every window takes UTF-8 text and Unicode messages.
bool IsWindowUnicode(HWND hwnd);

// --- Geometry and the cursor ----------------------------------------------------------

// Moves and sizes the window (relative to its parent); a child then gets WM_CHILDACTIVATE.
bool MoveWindow(HWND hwnd, int x, int y, int width, int height, bool repaint = true);
// The window's rectangle in screen coordinates.
bool GetWindowRect(HWND hwnd, RECT* rect);
// The client area: (0, 0, width, height).
bool GetClientRect(HWND hwnd, RECT* rect);
bool ScreenToClient(HWND hwnd, POINT* point);
bool ClientToScreen(HWND hwnd, POINT* point);
// The mouse position in screen coordinates. There is no mouse: it is wherever the last
// SetCursorPos (or a simulated user action) put it, (0, 0) at first. One per process.
bool GetCursorPos(POINT* point);
bool SetCursorPos(int x, int y);

} // namespace win
