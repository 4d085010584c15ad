// Menus: building and changing them, the messages of opening a menu-bar popup, and tracked
// popups with the test's chooser.
#include "platform/WinMenu.h"
#include "platform/Win.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace win;

namespace {

struct Seen {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Seen&) const = default;
};

HWND MakeOwner(std::vector<Seen>* seen) {
    WindowDesc desc;
    desc.className = "MenuOwner";
    return CreateWindow(desc, [seen](HWND, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_INITMENU || m == WM_MENUSELECT || m == WM_INITMENUPOPUP || m == WM_COMMAND) {
            seen->push_back(Seen{m, w, l});
        }
        return 0;
    });
}

// Restores the process's chooser when a test ends, however it ends.
class ChooserScope {
public:
    explicit ChooserScope(PopupMenuChooser c) : m_previous(SetPopupMenuChooser(std::move(c))) {}
    ~ChooserScope() { SetPopupMenuChooser(std::move(m_previous)); }

private:
    PopupMenuChooser m_previous;
};

} // namespace

TEST(WinMenu, ItemsAreAppendedInsertedFoundEnabledAndRemoved) {
    HMENU popup = CreatePopupMenu();
    ASSERT_NE(popup, 0u);
    ASSERT_TRUE(AppendMenu(popup, MF_STRING, 40100, "Open"));
    ASSERT_TRUE(AppendMenu(popup, MF_SEPARATOR, 0, ""));
    ASSERT_TRUE(AppendMenu(popup, MF_STRING | MF_GRAYED, 33990, "Sent SMS"));
    ASSERT_TRUE(InsertMenu(popup, 33990, MF_BYCOMMAND | MF_STRING, 33989, "SMS Outbox"));
    ASSERT_TRUE(InsertMenu(popup, 99, MF_BYPOSITION | MF_STRING, 40187, "Mark as Unread"));
    EXPECT_FALSE(InsertMenu(popup, 12345, MF_BYCOMMAND, 1, "x")) << "no item to insert before";
    EXPECT_EQ(GetMenuItemCount(popup), 5);
    EXPECT_EQ(GetMenuItemID(popup, 1), 0u) << "separator";
    EXPECT_EQ(GetMenuItemID(popup, 2), 33989u);
    EXPECT_EQ(GetMenuItemID(popup, 4), 40187u) << "past the end appends";
    EXPECT_EQ(GetMenuItemID(popup, 5), MENU_ITEM_ABSENT);
    EXPECT_EQ(GetMenuItemPosition(popup, 33990), 3);
    EXPECT_EQ(GetMenuItemPosition(popup, 1), -1);
    EXPECT_EQ(GetMenuString(popup, 33989, MF_BYCOMMAND), "SMS Outbox");
    EXPECT_EQ(GetMenuState(popup, 1, MF_BYPOSITION), MF_SEPARATOR);

    EXPECT_EQ(EnableMenuItem(popup, 33990, MF_BYCOMMAND | MF_ENABLED), static_cast<int>(MF_GRAYED));
    EXPECT_EQ(EnableMenuItem(popup, 33990, MF_BYCOMMAND | MF_GRAYED), 0);
    EXPECT_EQ(GetMenuState(popup, 3, MF_BYPOSITION), MF_GRAYED);
    EXPECT_EQ(EnableMenuItem(popup, 4242, MF_BYCOMMAND | MF_ENABLED), -1);
    EXPECT_EQ(GetMenuState(popup, 4242, MF_BYCOMMAND), MENU_ITEM_ABSENT);

    // A text cut to the buffer never ends inside a character.
    ASSERT_TRUE(AppendMenu(popup, MF_STRING, 7, "Tidewell \xC3\xA9t\xC3\xA9"));
    char buffer[11];
    EXPECT_EQ(GetMenuString(popup, 7, buffer, sizeof buffer, MF_BYCOMMAND), 9);
    EXPECT_STREQ(buffer, "Tidewell ");
    EXPECT_EQ(GetMenuString(popup, 7, nullptr, 0, MF_BYCOMMAND), 14);

    EXPECT_TRUE(DeleteMenu(popup, 33989, MF_BYCOMMAND));
    EXPECT_EQ(GetMenuItemPosition(popup, 33989), -1);
    EXPECT_TRUE(RemoveMenu(popup, 0, MF_BYPOSITION));
    EXPECT_EQ(GetMenuItemID(popup, 0), 0u);
    EXPECT_TRUE(DestroyMenu(popup));
    EXPECT_FALSE(IsMenu(popup));
    EXPECT_EQ(GetMenuItemCount(popup), -1);
    EXPECT_FALSE(AppendMenu(popup, MF_STRING, 1, "gone"));
}

TEST(WinMenu, SubmenusAreSearchedByCommandAndCannotHoldThemselves) {
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    HMENU recent = CreatePopupMenu();
    ASSERT_TRUE(AppendMenu(recent, MF_STRING, 501, "one.txt"));
    ASSERT_TRUE(AppendMenu(file, MF_POPUP, recent, "Recent"));
    ASSERT_TRUE(AppendMenu(bar, MF_POPUP, file, "File"));
    EXPECT_FALSE(AppendMenu(recent, MF_POPUP, bar, "loop")) << "a menu cannot contain itself";
    EXPECT_EQ(GetSubMenu(bar, 0), file);
    EXPECT_EQ(GetSubMenu(file, 0), recent);
    EXPECT_EQ(GetMenuItemID(bar, 0), MENU_ITEM_ABSENT) << "a popup has no command id";
    EXPECT_EQ(GetMenuState(bar, 0, MF_BYPOSITION), MF_POPUP | (1u << 8));
    EXPECT_EQ(EnableMenuItem(bar, 501, MF_BYCOMMAND | MF_GRAYED), 0) << "found in a submenu";
    EXPECT_EQ(GetMenuState(recent, 501, MF_BYCOMMAND), MF_GRAYED);
    EXPECT_TRUE(DeleteMenu(bar, 0, MF_BYPOSITION));
    EXPECT_FALSE(IsMenu(file)) << "deleting a popup item destroys its submenus";
    EXPECT_FALSE(IsMenu(recent));
    DestroyMenu(bar);
}

TEST(WinMenu, OpeningABarPopupAndChoosingSendTheOwnerItsMessages) {
    std::vector<Seen> seen;
    HWND owner = MakeOwner(&seen);
    HMENU bar = CreateMenu();
    std::vector<HMENU> popups;
    for (int i = 0; i < 6; ++i) {
        popups.push_back(CreatePopupMenu());
        ASSERT_TRUE(AppendMenu(bar, MF_POPUP, popups.back(), "Menu " + std::to_string(i)));
    }
    ASSERT_TRUE(AppendMenu(popups[4], MF_STRING, 33988, "New SMS"));
    ASSERT_TRUE(AppendMenu(popups[4], MF_STRING | MF_GRAYED, 33994, "New MMS"));
    ASSERT_TRUE(SetMenu(owner, bar));
    EXPECT_EQ(GetMenu(owner), bar);

    EXPECT_EQ(OpenMenuBarPopup(owner, 4), popups[4]);
    EXPECT_EQ(seen,
              (std::vector<Seen>{
                  {WM_INITMENU, bar, 0},
                  {WM_MENUSELECT, MAKEWPARAM(4, MF_POPUP | MF_HILITE), static_cast<LPARAM>(bar)},
                  {WM_INITMENUPOPUP, popups[4], MAKELPARAM(4, 0)},
              }));
    EXPECT_EQ(OpenMenuBarPopup(owner, 6), 0u);
    seen.clear();
    EXPECT_TRUE(ChooseMenuCommand(owner, 33988));
    EXPECT_FALSE(ChooseMenuCommand(owner, 33994)) << "grayed";
    EXPECT_FALSE(ChooseMenuCommand(owner, 1)) << "absent";
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1], (Seen{WM_COMMAND, MAKEWPARAM(33988, 0), 0}));

    DestroyWindow(owner);
    EXPECT_FALSE(IsMenu(bar)) << "a window's bar goes with it";
    EXPECT_FALSE(IsMenu(popups[4]));
}

TEST(WinMenu, TrackedPopupsReturnTheChosenCommandOrNothing) {
    std::vector<Seen> seen;
    HWND owner = MakeOwner(&seen);
    HMENU popup = CreatePopupMenu();
    ASSERT_TRUE(AppendMenu(popup, MF_STRING, 40100, "Open"));
    ASSERT_TRUE(AppendMenu(popup, MF_STRING | MF_GRAYED, 40180, "SMS Forward"));
    ASSERT_TRUE(SetMenuDefaultItem(popup, 40100, false));
    EXPECT_EQ(GetMenuDefaultItem(popup), 40100u);
    {
        ChooserScope none(nullptr);
        EXPECT_EQ(TrackPopupMenu(popup, TPM_RETURNCMD, 10, 20, 0, owner), 0) << "cancelled";
    }
    PopupMenuRequest asked;
    UINT answer = 40100;
    ChooserScope chooser([&](const PopupMenuRequest& r) {
        asked = r;
        return answer;
    });
    seen.clear();
    EXPECT_EQ(TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, 10, 20, 0, owner), 40100);
    EXPECT_EQ(asked.menu, popup);
    EXPECT_EQ(asked.x, 10);
    EXPECT_EQ(asked.y, 20);
    EXPECT_EQ(asked.owner, owner);
    EXPECT_EQ(seen, (std::vector<Seen>{{WM_INITMENUPOPUP, popup, 0}}));
    EXPECT_TRUE(seen.size() == 1) << "with TPM_RETURNCMD no WM_COMMAND is posted";
    answer = 40180;
    EXPECT_EQ(TrackPopupMenu(popup, TPM_RETURNCMD, 0, 0, 0, owner), 0) << "grayed: cancelled";
    answer = 777;
    EXPECT_EQ(TrackPopupMenu(popup, TPM_RETURNCMD, 0, 0, 0, owner), 0) << "not in the popup";

    // Without TPM_RETURNCMD the command is posted to the owner.
    answer = 40100;
    seen.clear();
    EXPECT_NE(TrackPopupMenu(popup, TPM_NONOTIFY, 0, 0, 0, owner), 0);
    EXPECT_TRUE(seen.empty()) << "TPM_NONOTIFY: nothing sent, nothing posted";
    EXPECT_NE(TrackPopupMenu(popup, 0, 0, 0, 0, owner), 0);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, owner, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(msg.wParam, MAKEWPARAM(40100, 0));
    EXPECT_EQ(TrackPopupMenu(0xDEAD, TPM_RETURNCMD, 0, 0, 0, owner), 0) << "no such menu";
    DestroyMenu(popup);
    DestroyWindow(owner);
}
