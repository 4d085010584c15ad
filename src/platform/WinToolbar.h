// The toolbar control: windows of class "ToolbarWindow32" (TOOLBARCLASSNAME) get the
// platform's toolbar procedure when CreateWindow is given no procedure of its own. It holds a
// row of buttons (TBBUTTON), a list of button texts, and a normal and a hot image list (not
// owned: the caller destroys them). Buttons sit side by side from the left of the client
// area, each TOOLBAR_BUTTON_WIDTH wide (a separator TOOLBAR_SEPARATOR_WIDTH) and
// TOOLBAR_BUTTON_HEIGHT high.
//
// A click (WM_LBUTTONUP on an enabled, visible button) sends WM_COMMAND(MAKEWPARAM(id,
// BN_CLICKED), toolbar) to the toolbar's parent. The button messages carry pointers, so
// they are answered only inside the toolbar's own process: sent from another process they
// are refused (answer 0, and a log line); only TB_BUTTONCOUNT is answered there.
// Texts are UTF-8 (the narrow messages); TB_ADDSTRINGW takes UTF-16.
#pragma once

#include "platform/WinImageList.h"

#include <string>

namespace win {

constexpr const char* TOOLBARCLASSNAME = "ToolbarWindow32";

constexpr int TOOLBAR_BUTTON_WIDTH = 24;
constexpr int TOOLBAR_BUTTON_HEIGHT = 22;
constexpr int TOOLBAR_SEPARATOR_WIDTH = 8;

struct TBBUTTON {
    int iBitmap = 0;
    int idCommand = 0;
    BYTE fsState = 0;
    BYTE fsStyle = 0;
    BYTE bReserved[6] = {};
    DWORD_PTR dwData = 0;
    // Index into the toolbar's texts (TB_ADDSTRING), -1 for none, or (at 0x10000 and up) a
    // pointer to a UTF-8 text that is copied when the button is added.
    INT_PTR iString = -1;
};

constexpr BYTE TBSTATE_CHECKED = 0x01;
constexpr BYTE TBSTATE_PRESSED = 0x02;
constexpr BYTE TBSTATE_ENABLED = 0x04;
constexpr BYTE TBSTATE_HIDDEN = 0x08;
constexpr BYTE TBSTATE_INDETERMINATE = 0x10;
constexpr BYTE TBSTATE_WRAP = 0x20;

constexpr BYTE TBSTYLE_BUTTON = 0x00;
constexpr BYTE TBSTYLE_SEP = 0x01;
constexpr BYTE TBSTYLE_CHECK = 0x02;
constexpr BYTE BTNS_BUTTON = TBSTYLE_BUTTON;
constexpr BYTE BTNS_SEP = TBSTYLE_SEP;

constexpr WORD BN_CLICKED = 0;

// wParam / lParam / answer of each message.
constexpr UINT TB_ENABLEBUTTON = WM_USER + 1;    // id / MAKELONG(enable, 0) / TRUE
constexpr UINT TB_ISBUTTONENABLED = WM_USER + 9; // id / 0 / nonzero when enabled
constexpr UINT TB_SETSTATE = WM_USER + 17;       // id / MAKELONG(state, 0) / TRUE, FALSE
constexpr UINT TB_GETSTATE = WM_USER + 18;       // id / 0 / state, -1 when absent
constexpr UINT TB_ADDBUTTONSA = WM_USER + 20;    // count / TBBUTTON* / TRUE
constexpr UINT TB_INSERTBUTTONA = WM_USER + 21;  // index (past end: append) / TBBUTTON* / TRUE
constexpr UINT TB_DELETEBUTTON = WM_USER + 22;   // index / 0 / TRUE, FALSE
constexpr UINT TB_GETBUTTON = WM_USER + 23;      // index / TBBUTTON* / TRUE, FALSE
constexpr UINT TB_BUTTONCOUNT = WM_USER + 24;    // 0 / 0 / count
constexpr UINT TB_COMMANDTOINDEX = WM_USER + 25; // id / 0 / index, -1
// 0 / UTF-8 texts, each terminated, the list ending with an empty one / first new index, -1
constexpr UINT TB_ADDSTRINGA = WM_USER + 28;
constexpr UINT TB_GETITEMRECT = WM_USER + 29;      // index / RECT* / TRUE, FALSE
constexpr UINT TB_BUTTONSTRUCTSIZE = WM_USER + 30; // sizeof(TBBUTTON) / 0 / 0
// id / char* (null: ask the length) / length in bytes, -1 when absent. The buffer must
// hold the length + 1; ToolbarGetButtonText is the safe form.
constexpr UINT TB_GETBUTTONTEXTA = WM_USER + 45;
constexpr UINT TB_SETIMAGELIST = WM_USER + 48;    // 0 / HIMAGELIST / previous
constexpr UINT TB_GETIMAGELIST = WM_USER + 49;    // 0 / 0 / HIMAGELIST
constexpr UINT TB_SETHOTIMAGELIST = WM_USER + 52; // 0 / HIMAGELIST / previous
constexpr UINT TB_GETHOTIMAGELIST = WM_USER + 53; // 0 / 0 / HIMAGELIST
constexpr UINT TB_INSERTBUTTONW = WM_USER + 67;
constexpr UINT TB_ADDBUTTONSW = WM_USER + 68;
// 0 / UTF-16 texts, each terminated, ending with an empty one / first new index, -1
constexpr UINT TB_ADDSTRINGW = WM_USER + 77;
constexpr UINT TB_ADDBUTTONS = TB_ADDBUTTONSA;
constexpr UINT TB_INSERTBUTTON = TB_INSERTBUTTONA;
constexpr UINT TB_ADDSTRING = TB_ADDSTRINGA;
constexpr UINT TB_GETBUTTONTEXT = TB_GETBUTTONTEXTA;

// Toolbar notifications (WM_NOTIFY to the parent).
constexpr UINT TBN_FIRST = 0U - 700U;
constexpr UINT TBN_HOTITEMCHANGE = TBN_FIRST - 13;

// --- What a user does -------------------------------------------------------------------

// Clicks the button at `index` as a user would: moves the cursor onto it and sends
// WM_LBUTTONDOWN and WM_LBUTTONUP at its centre to the toolbar (through any subclass). False
// when there is no such button.
bool ToolbarClickButton(HWND toolbar, int index);
// Asks the toolbar's parent for the tooltip of the button at `index` (WM_NOTIFY
// TTN_GETDISPINFOW, idFrom = its command id, hwndFrom = the toolbar) and returns the answer
// as UTF-8, at most 79 UTF-16 code units of it. Empty when there is no answer or no button.
std::string ToolbarGetTooltip(HWND toolbar, int index);
// The text of the button at `index` (empty without one).
std::string ToolbarGetButtonText(HWND toolbar, int index);

} // namespace win
