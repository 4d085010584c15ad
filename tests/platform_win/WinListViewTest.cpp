// The list-view control: columns, texts cut to the caller's buffer, selection, hit tests and
// the user's double-click, Enter and right-click as a subclass sees them; control messages
// that claim to come from another process.
#include "platform/WinListView.h"
#include "platform/Win.h"
#include "platform/WinControlClass.h"
#include "platform/WinSubclass.h"
#include "platform/WinThreadState.h"
#include "platform/WinToolbar.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace win;

namespace {

// A message list window holding a list view, as a mail client builds it.
struct List {
    explicit List(const std::string& className = "SysListView32") {
        WindowDesc desc;
        desc.className = "Outlook Express Message List";
        desc.x = 100;
        desc.y = 200;
        parent = CreateWindow(desc, [this](HWND, UINT m, WPARAM, LPARAM l) -> LRESULT {
            if (m == WM_NOTIFY) {
                notified.push_back(reinterpret_cast<const NMHDR*>(l)->code);
            }
            if (m == WM_CONTEXTMENU) {
                parentMenus.push_back(l);
            }
            return 0;
        });
        desc.className = className;
        desc.parent = parent;
        desc.x = 10;
        desc.y = 20;
        desc.width = 400;
        desc.height = 300;
        list = CreateWindow(desc, nullptr);
    }
    ~List() { DestroyWindow(parent); }
    template <typename T> LRESULT Send(UINT m, WPARAM w, T* p) {
        return SendMessage(list, m, w, reinterpret_cast<LPARAM>(p));
    }
    LRESULT Send(UINT m, WPARAM w = 0, LPARAM l = 0) { return SendMessage(list, m, w, l); }
    void AddColumn(const char* title, int width) {
        LVCOLUMN c;
        c.mask = LVCF_TEXT | LVCF_WIDTH;
        c.pszText = const_cast<char*>(title);
        c.cx = width;
        Send(LVM_INSERTCOLUMN, static_cast<WPARAM>(Send(HDM_GETITEMCOUNT)), &c);
    }
    int AddRow(const std::vector<std::string>& texts) {
        LVITEM item;
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(Send(LVM_GETITEMCOUNT));
        item.pszText = const_cast<char*>(texts[0].c_str());
        const int row = static_cast<int>(Send(LVM_INSERTITEM, 0, &item));
        for (std::size_t c = 1; c < texts.size(); ++c) {
            LVITEM sub;
            sub.iSubItem = static_cast<int>(c);
            sub.pszText = const_cast<char*>(texts[c].c_str());
            Send(LVM_SETITEMTEXT, static_cast<WPARAM>(row), &sub);
        }
        return row;
    }
    std::string Text(int row, int column, int bufferSize) {
        std::vector<char> buffer(static_cast<std::size_t>(bufferSize) + 8, '#');
        LVITEM item;
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = bufferSize;
        const LRESULT n = Send(LVM_GETITEMTEXT, static_cast<WPARAM>(row), &item);
        EXPECT_EQ(buffer[static_cast<std::size_t>(bufferSize)], '#') << "wrote past the buffer";
        EXPECT_EQ(static_cast<std::size_t>(n), std::string(buffer.data()).size());
        return std::string(buffer.data());
    }

    HWND parent = 0;
    HWND list = 0;
    std::vector<UINT> notified;
    std::vector<LPARAM> parentMenus;
};

} // namespace

TEST(WinListView, ColumnsAndTextsAreCutToTheCallersBuffer) {
    List l;
    ASSERT_NE(l.list, 0u);
    HWND header = static_cast<HWND>(l.Send(LVM_GETHEADER));
    ASSERT_NE(header, 0u);
    EXPECT_EQ(GetParent(header), l.list);
    l.AddColumn("From", 150);
    l.AddColumn("Subject", 200);
    l.AddColumn("Received", 100);
    EXPECT_EQ(SendMessage(header, HDM_GETITEMCOUNT, 0, 0), 3);
    char title[5];
    LVCOLUMN c;
    c.mask = LVCF_TEXT | LVCF_WIDTH;
    c.pszText = title;
    c.cchTextMax = sizeof title;
    ASSERT_EQ(l.Send(LVM_GETCOLUMN, 1, &c), 1);
    EXPECT_STREQ(title, "Subj");
    EXPECT_EQ(c.cx, 200);
    EXPECT_EQ(l.Send(LVM_GETCOLUMN, 3, &c), 0);

    // A column text longer than the 1023 characters a reader takes, ending in a two-byte
    // character that straddles the cut.
    const std::string longText = std::string(1022, 'm') + "\xC3\xA9" + "rest";
    l.AddRow({"+4915112345678@sms.example.com", longText, "2024-03-01 12:00"});
    l.AddRow({"friend@example.com", "Hello"});
    EXPECT_EQ(l.Send(LVM_GETITEMCOUNT), 2);
    EXPECT_EQ(l.Text(0, 0, 1024), "+4915112345678@sms.example.com");
    EXPECT_EQ(l.Text(0, 1, 1024), std::string(1022, 'm')) << "no half character";
    EXPECT_EQ(l.Text(0, 1, 1027), std::string(1022, 'm') + "\xC3\xA9" + "re");
    EXPECT_EQ(l.Text(0, 2, 6), "2024-");
    EXPECT_EQ(l.Text(1, 2, 1024), "") << "a column never set is empty";
    EXPECT_EQ(l.Text(1, 7, 1024), "");
    EXPECT_EQ(l.Text(0, 0, 1), "");
    LVITEM none;
    none.pszText = nullptr;
    none.cchTextMax = 100;
    EXPECT_EQ(l.Send(LVM_GETITEMTEXT, 0, &none), 0) << "no buffer";
    EXPECT_EQ(l.Send(LVM_GETITEMTEXT, 5, &none), 0) << "no row";

    EXPECT_EQ(l.Send(LVM_DELETEITEM, 0), 1);
    EXPECT_EQ(l.Text(0, 0, 100), "friend@example.com");
    EXPECT_EQ(l.Send(LVM_DELETEITEM, 4), 0);
    EXPECT_EQ(l.Send(LVM_DELETEALLITEMS), 1);
    EXPECT_EQ(l.Send(LVM_GETITEMCOUNT), 0);
}

TEST(WinListView, SelectionFocusAndHitTests) {
    EXPECT_EQ(ControlClassOf("ATL:SysListView32x"), "");
    ASSERT_TRUE(RegisterControlClassAlias("ATL:SysListView32", "SysListView32"));
    EXPECT_TRUE(RegisterControlClassAlias("atl:syslistview32", "SysListView32"));
    EXPECT_FALSE(RegisterControlClassAlias("ATL:SysListView32", "ToolbarWindow32"));
    EXPECT_FALSE(RegisterControlClassAlias("Anything", "NoSuchControl"));
    EXPECT_EQ(ControlClassOf("ATL:SYSLISTVIEW32"), "SysListView32");
    List a("ATL:SysListView32");
    ASSERT_NE(a.list, 0u);
    for (int i = 0; i < 5; ++i) {
        a.AddRow({"row " + std::to_string(i)});
    }
    EXPECT_EQ(a.Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), -1);
    LVITEM sel;
    sel.stateMask = LVIS_SELECTED;
    sel.state = LVIS_SELECTED;
    a.Send(LVM_SETITEMSTATE, 1, &sel);
    a.Send(LVM_SETITEMSTATE, 3, &sel);
    EXPECT_EQ(a.Send(LVM_GETSELECTEDCOUNT), 2);
    EXPECT_EQ(a.Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 1);
    EXPECT_EQ(a.Send(LVM_GETNEXTITEM, 1, LVNI_SELECTED), 3);
    EXPECT_EQ(a.Send(LVM_GETNEXTITEM, 3, LVNI_SELECTED), -1);
    EXPECT_EQ(a.Send(LVM_GETNEXTITEM, 3, LVNI_ALL), 4);
    LVITEM focus;
    focus.stateMask = LVIS_FOCUSED;
    focus.state = LVIS_FOCUSED;
    a.Send(LVM_SETITEMSTATE, 0, &focus);
    a.Send(LVM_SETITEMSTATE, 2, &focus);
    EXPECT_EQ(a.Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 2) << "one focus";
    EXPECT_EQ(a.Send(LVM_GETITEMSTATE, 0, LVIS_FOCUSED | LVIS_SELECTED), 0);
    LVITEM clear;
    clear.stateMask = LVIS_SELECTED;
    a.Send(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), &clear);
    EXPECT_EQ(a.Send(LVM_GETSELECTEDCOUNT), 0);

    for (int row = 0; row < 5; ++row) {
        LVHITTESTINFO hit;
        hit.pt = ListViewRowPoint(row);
        EXPECT_EQ(a.Send(LVM_HITTEST, 0, &hit), row);
        EXPECT_NE(hit.flags & LVHT_ONITEM, 0u);
        RECT r;
        ASSERT_EQ(a.Send(LVM_GETITEMRECT, static_cast<WPARAM>(row), &r), 1);
        EXPECT_TRUE(hit.pt.y >= r.top && hit.pt.y < r.bottom);
        EXPECT_EQ(r.right, 400);
    }
    LVHITTESTINFO below;
    below.pt = ListViewRowPoint(5);
    EXPECT_EQ(a.Send(LVM_HITTEST, 0, &below), -1);
    EXPECT_EQ(below.flags, LVHT_NOWHERE);
    LVHITTESTINFO onHeader;
    onHeader.pt = POINT{4, 3};
    EXPECT_EQ(a.Send(LVM_HITTEST, 0, &onHeader), -1);
    LVHITTESTINFO right;
    right.pt = POINT{450, ListViewRowPoint(0).y};
    EXPECT_EQ(a.Send(LVM_HITTEST, 0, &right), -1) << "right of the window";
}

TEST(WinListView, UserActionsReachASubclassAndTheDefaultsNotifyTheParent) {
    List l;
    l.AddRow({"a"});
    l.AddRow({"b"});
    l.AddRow({"c"});
    struct Seen {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    static std::vector<Seen> seen;
    static LONG_PTR previous = 0;
    static bool swallow = false;
    seen.clear();
    previous = SetWindowLongPtrW(
        l.list, GWLP_WNDPROC,
        reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM lp) -> LRESULT {
            if (m == WM_LBUTTONDBLCLK || m == WM_KEYDOWN || m == WM_CONTEXTMENU) {
                seen.push_back(Seen{m, w, lp});
                if (swallow) {
                    return 0;
                }
            }
            return CallWindowProc(previous, h, m, w, lp);
        }));

    ASSERT_TRUE(ListViewDoubleClickItem(l.list, 2));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].message, WM_LBUTTONDBLCLK);
    EXPECT_EQ(seen[0].wParam, MK_LBUTTON);
    LVHITTESTINFO hit;
    hit.pt = POINT{GET_X_LPARAM(seen[0].lParam), GET_Y_LPARAM(seen[0].lParam)};
    EXPECT_EQ(l.Send(LVM_HITTEST, 0, &hit), 2) << "the point is on the row";
    EXPECT_EQ(l.Send(LVM_GETSELECTEDCOUNT), 1);
    EXPECT_EQ(l.Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 2);
    EXPECT_EQ(l.notified, (std::vector<UINT>{NM_DBLCLK}));
    EXPECT_FALSE(ListViewDoubleClickItem(l.list, 3));

    ASSERT_TRUE(ListViewPressKey(l.list, VK_RETURN));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].message, WM_KEYDOWN);
    EXPECT_EQ(seen[1].wParam, VK_RETURN);
    EXPECT_EQ(l.notified.back(), NM_RETURN);

    // Right-click on a row that is not selected selects it; the point is on the screen and
    // the cursor is there.
    ASSERT_TRUE(ListViewRightClickItem(l.list, 0));
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2].message, WM_CONTEXTMENU);
    EXPECT_EQ(seen[2].wParam, static_cast<WPARAM>(l.list));
    POINT p{GET_X_LPARAM(seen[2].lParam), GET_Y_LPARAM(seen[2].lParam)};
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, p.x);
    EXPECT_EQ(cursor.y, p.y);
    EXPECT_EQ(p.x, 100 + 10 + ListViewRowPoint(0).x);
    ScreenToClient(l.list, &p);
    hit.pt = p;
    EXPECT_EQ(l.Send(LVM_HITTEST, 0, &hit), 0);
    EXPECT_EQ(l.Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 0);
    EXPECT_EQ(l.parentMenus.size(), 1u) << "unhandled, the menu request goes to the parent";

    // A subclass that handles the messages keeps them from the control's defaults.
    swallow = true;
    l.notified.clear();
    ListViewDoubleClickItem(l.list, 1);
    ListViewPressKey(l.list, VK_RETURN);
    ListViewContextMenuKey(l.list);
    EXPECT_TRUE(l.notified.empty());
    EXPECT_EQ(l.parentMenus.size(), 1u);
    EXPECT_EQ(seen.back().lParam, CONTEXTMENU_FROM_KEYBOARD);
    swallow = false;
    SetWindowLongPtrW(l.list, GWLP_WNDPROC, previous);
}

TEST(WinListView, ControlMessagesMarkedAsFromAnotherProcessAreRefused) {
    List l;
    l.AddRow({"kept"});
    // What the listener thread does for a message from another process: its lParam is a
    // number from there, which must never be read as a pointer.
    detail::PeerOriginScope foreign;
    const LPARAM bogus = 0x7FFF12345678;
    EXPECT_EQ(SendMessage(l.list, LVM_GETITEMTEXT, 0, bogus), 0);
    EXPECT_EQ(SendMessage(l.list, LVM_INSERTITEM, 0, bogus), -1);
    EXPECT_EQ(SendMessage(l.list, LVM_HITTEST, 0, bogus), -1);
    EXPECT_EQ(SendMessage(l.list, LVM_SETITEMSTATE, 0, bogus), 0);
    EXPECT_EQ(SendMessage(l.list, LVM_GETITEMCOUNT, 0, 0), 1) << "counts carry no pointer";
    HWND toolbar = 0;
    {
        WindowDesc desc;
        desc.className = "ToolbarWindow32";
        toolbar = CreateWindow(desc, nullptr);
    }
    EXPECT_EQ(SendMessage(toolbar, TB_INSERTBUTTON, 0, bogus), 0);
    EXPECT_EQ(SendMessage(toolbar, TB_ADDSTRING, 0, bogus), -1);
    EXPECT_EQ(SendMessage(toolbar, TB_BUTTONCOUNT, 0, 0), 0);
    DestroyWindow(toolbar);
}
