// The list-view control (report view): windows of class "SysListView32" (WC_LISTVIEW), or of
// a class name registered as its alias (RegisterControlClassAlias), get the platform's
// list-view procedure when CreateWindow is given no procedure of its own. It holds columns
// (a header child window of class "SysHeader32" counts them), items with one UTF-8 text per
// column, and a state per item (LVIS_SELECTED, LVIS_FOCUSED).
//
// Layout of the client area: the header takes the top LISTVIEW_HEADER_HEIGHT pixels; item n
// is the row from LISTVIEW_HEADER_HEIGHT + n * LISTVIEW_ROW_HEIGHT, as wide as the window.
//
// Texts are copied into caller buffers cut at a UTF-8 character boundary, always
// terminated. The messages carry pointers, so they are answered only inside the control's
// own process: sent from another process they are refused (answer 0 or -1 as for a failure,
// and a log line); LVM_GETITEMCOUNT and LVM_GETSELECTEDCOUNT are answered there.
//
// Default handling: WM_LBUTTONDBLCLK sends WM_NOTIFY NM_DBLCLK, WM_KEYDOWN VK_RETURN sends
// NM_RETURN, and WM_CONTEXTMENU is passed to the parent.
#pragma once

#include "platform/WinChildren.h"

#include <string>

namespace win {

constexpr const char* WC_LISTVIEW = "SysListView32";
constexpr const char* WC_HEADER = "SysHeader32";

constexpr int LISTVIEW_HEADER_HEIGHT = 20;
constexpr int LISTVIEW_ROW_HEIGHT = 18;

constexpr UINT LVCF_FMT = 0x0001;
constexpr UINT LVCF_WIDTH = 0x0002;
constexpr UINT LVCF_TEXT = 0x0004;
constexpr UINT LVCF_SUBITEM = 0x0008;

struct LVCOLUMN {
    UINT mask = 0;
    int fmt = 0;
    int cx = 0;
    char* pszText = nullptr; // UTF-8; when reading, a buffer of cchTextMax bytes
    int cchTextMax = 0;
    int iSubItem = 0;
};

constexpr UINT LVIF_TEXT = 0x0001;
constexpr UINT LVIF_IMAGE = 0x0002;
constexpr UINT LVIF_PARAM = 0x0004;
constexpr UINT LVIF_STATE = 0x0008;

constexpr UINT LVIS_FOCUSED = 0x0001;
constexpr UINT LVIS_SELECTED = 0x0002;

struct LVITEM {
    UINT mask = 0;
    int iItem = 0;
    int iSubItem = 0;
    UINT state = 0;
    UINT stateMask = 0;
    char* pszText = nullptr; // UTF-8; when reading, a buffer of cchTextMax bytes
    int cchTextMax = 0;
    int iImage = 0;
    LPARAM lParam = 0;
};

constexpr UINT LVNI_ALL = 0x0000;
constexpr UINT LVNI_FOCUSED = 0x0001;
constexpr UINT LVNI_SELECTED = 0x0002;

constexpr UINT LVHT_NOWHERE = 0x0001;
constexpr UINT LVHT_ONITEMICON = 0x0002;
constexpr UINT LVHT_ONITEMLABEL = 0x0004;
constexpr UINT LVHT_ONITEMSTATEICON = 0x0008;
constexpr UINT LVHT_ONITEM = LVHT_ONITEMICON | LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON;

struct LVHITTESTINFO {
    POINT pt; // client coordinates
    UINT flags = 0;
    int iItem = -1;
    int iSubItem = 0;
};

constexpr int LVIR_BOUNDS = 0;

// NM_DBLCLK from a list view (WM_NOTIFY to its parent).
struct NMITEMACTIVATE {
    NMHDR hdr;
    int iItem = -1;
    int iSubItem = 0;
    UINT uNewState = 0;
    UINT uOldState = 0;
    UINT uChanged = 0;
    POINT ptAction; // client coordinates
    LPARAM lParam = 0;
    UINT uKeyFlags = 0;
};

// wParam / lParam / answer of each message.
constexpr UINT LVM_FIRST = 0x1000;
constexpr UINT LVM_GETITEMCOUNT = LVM_FIRST + 4;   // 0 / 0 / count
constexpr UINT LVM_GETITEMA = LVM_FIRST + 5;       // 0 / LVITEM* / TRUE, FALSE
constexpr UINT LVM_SETITEMA = LVM_FIRST + 6;       // 0 / LVITEM* / TRUE, FALSE
constexpr UINT LVM_INSERTITEMA = LVM_FIRST + 7;    // 0 / LVITEM* (iSubItem 0) / index, -1
constexpr UINT LVM_DELETEITEM = LVM_FIRST + 8;     // index / 0 / TRUE, FALSE
constexpr UINT LVM_DELETEALLITEMS = LVM_FIRST + 9; // 0 / 0 / TRUE
constexpr UINT LVM_GETNEXTITEM = LVM_FIRST + 12;   // start (-1: from the first) / LVNI_ / index, -1
// index / RECT* (left = LVIR_BOUNDS) / TRUE, FALSE; client coordinates
constexpr UINT LVM_GETITEMRECT = LVM_FIRST + 14;
constexpr UINT LVM_HITTEST = LVM_FIRST + 18;       // 0 / LVHITTESTINFO* / index, -1
constexpr UINT LVM_GETCOLUMNA = LVM_FIRST + 25;    // column / LVCOLUMN* / TRUE, FALSE
constexpr UINT LVM_INSERTCOLUMNA = LVM_FIRST + 27; // column / LVCOLUMN* / index, -1
constexpr UINT LVM_GETHEADER = LVM_FIRST + 31;     // 0 / 0 / header HWND
constexpr UINT LVM_SETITEMSTATE = LVM_FIRST + 43;  // index (-1: all) / LVITEM* / TRUE, FALSE
constexpr UINT LVM_GETITEMSTATE = LVM_FIRST + 44;  // index / mask / state & mask
// index / LVITEM* (iSubItem, pszText, cchTextMax) / bytes copied (without terminator)
constexpr UINT LVM_GETITEMTEXTA = LVM_FIRST + 45;
constexpr UINT LVM_SETITEMTEXTA = LVM_FIRST + 46;     // index / LVITEM* / TRUE, FALSE
constexpr UINT LVM_GETSELECTEDCOUNT = LVM_FIRST + 50; // 0 / 0 / count
constexpr UINT LVM_GETITEM = LVM_GETITEMA;
constexpr UINT LVM_SETITEM = LVM_SETITEMA;
constexpr UINT LVM_INSERTITEM = LVM_INSERTITEMA;
constexpr UINT LVM_GETCOLUMN = LVM_GETCOLUMNA;
constexpr UINT LVM_INSERTCOLUMN = LVM_INSERTCOLUMNA;
constexpr UINT LVM_GETITEMTEXT = LVM_GETITEMTEXTA;
constexpr UINT LVM_SETITEMTEXT = LVM_SETITEMTEXTA;

constexpr UINT HDM_FIRST = 0x1200;
constexpr UINT HDM_GETITEMCOUNT = HDM_FIRST + 0; // 0 / 0 / column count

// --- What a user does (row `index`; false when there is no such row) --------------------

// Selects and focuses only that row, moves the cursor onto it and sends WM_LBUTTONDOWN,
// WM_LBUTTONUP and WM_LBUTTONDBLCLK (MK_LBUTTON, client point of the row) to the control.
bool ListViewDoubleClickItem(HWND listView, int index);
// Selects and focuses only that row (as a single click does; no message is sent).
bool ListViewSelectItem(HWND listView, int index);
// Sends WM_KEYDOWN(key, repeat count 1) and WM_KEYUP to the control.
bool ListViewPressKey(HWND listView, UINT key);
// Right-click on a row: selects it unless it is already selected, moves the cursor onto it
// and sends WM_CONTEXTMENU(control, screen point of the row) to the control.
bool ListViewRightClickItem(HWND listView, int index);
// The context-menu key: WM_CONTEXTMENU(control, CONTEXTMENU_FROM_KEYBOARD).
bool ListViewContextMenuKey(HWND listView);
// Client point inside row `index` (its middle, a few pixels from the left).
POINT ListViewRowPoint(int index);

} // namespace win
