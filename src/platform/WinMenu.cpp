// Menus of this process: a table of menus and items under one lock, and the window messages
// of opening, choosing and tracking, sent with the lock released.
#include "platform/WinMenu.h"

#include "platform/Diagnostics.h"
#include "platform/WinWindowEvents.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace win {

namespace {

constexpr UINT kStateBits = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_DEFAULT | MF_HILITE;

struct Item {
    UINT flags = 0; // MF_POPUP or MF_SEPARATOR, and the state bits
    UINT id = 0;
    HMENU submenu = 0;
    std::string text;
};

struct Menu {
    bool popup = false;
    std::vector<Item> items;
};

// Where an item is: its menu and position there.
struct Place {
    HMENU menu = 0;
    std::size_t index = 0;
};

class MenuTable {
public:
    std::mutex mutex;
    std::unordered_map<HMENU, Menu> menus;
    std::unordered_map<HWND, HMENU> bars;
    HMENU next = 0x00010001;
    PopupMenuChooser chooser;

    HMENU AddLocked(bool popup) {
        while (next == 0 || menus.count(next) != 0) {
            ++next;
        }
        HMENU handle = next++;
        menus[handle].popup = popup;
        return handle;
    }

    Menu* Get(HMENU menu) {
        auto it = menus.find(menu);
        return it == menus.end() ? nullptr : &it->second;
    }

    // By command: depth first, the menu's own items before those of its submenus (the order
    // the original system searches in); the depth bound guards against cycles.
    bool FindLocked(HMENU menu, UINT item, UINT flags, Place* place, int depth = 0) {
        Menu* m = Get(menu);
        if (m == nullptr || depth > 64) {
            return false;
        }
        if ((flags & MF_BYPOSITION) != 0) {
            if (item >= m->items.size()) {
                return false;
            }
            *place = Place{menu, item};
            return true;
        }
        for (std::size_t i = 0; i < m->items.size(); ++i) {
            const Item& it = m->items[i];
            if ((it.flags & (MF_POPUP | MF_SEPARATOR)) == 0 && it.id == item) {
                *place = Place{menu, i};
                return true;
            }
        }
        for (const Item& it : m->items) {
            if ((it.flags & MF_POPUP) != 0 &&
                FindLocked(it.submenu, item, flags, place, depth + 1)) {
                return true;
            }
        }
        return false;
    }

    Item* ItemAt(const Place& place) { return &menus[place.menu].items[place.index]; }

    bool ContainsLocked(HMENU outer, HMENU inner, int depth = 0) {
        if (outer == inner) {
            return true;
        }
        Menu* m = Get(outer);
        if (m == nullptr || depth > 64) {
            return false;
        }
        for (const Item& it : m->items) {
            if ((it.flags & MF_POPUP) != 0 && ContainsLocked(it.submenu, inner, depth + 1)) {
                return true;
            }
        }
        return false;
    }

    void DestroyLocked(HMENU menu, int depth = 0) {
        auto it = menus.find(menu);
        if (it == menus.end() || depth > 64) {
            return;
        }
        std::vector<Item> items = std::move(it->second.items);
        menus.erase(it);
        for (const Item& item : items) {
            if ((item.flags & MF_POPUP) != 0) {
                DestroyLocked(item.submenu, depth + 1);
            }
        }
        std::erase_if(bars, [menu](const auto& entry) { return entry.second == menu; });
    }

    // An enabled command item with that id in the menu or its submenus.
    bool IsChoosableLocked(HMENU menu, UINT id) {
        Place place;
        if (id == 0 || !FindLocked(menu, id, MF_BYCOMMAND, &place)) {
            return false;
        }
        return (ItemAt(place)->flags & (MF_GRAYED | MF_DISABLED)) == 0;
    }
};

MenuTable& Table() {
    // Never destroyed: windows removed during process exit still drop their bars.
    static MenuTable* table = new MenuTable;
    return *table;
}

bool MakeItem(MenuTable& t, UINT flags, UINT_PTR idOrPopup, const std::string& text, Item* out) {
    Item item;
    item.flags = flags & (kStateBits | MF_POPUP | MF_SEPARATOR);
    if ((flags & MF_SEPARATOR) != 0) {
        item.flags = MF_SEPARATOR;
    } else if ((flags & MF_POPUP) != 0) {
        item.submenu = static_cast<HMENU>(idOrPopup);
        if (t.Get(item.submenu) == nullptr) {
            return false;
        }
        item.text = text;
    } else {
        item.id = static_cast<UINT>(idOrPopup);
        item.text = text;
    }
    *out = std::move(item);
    return true;
}

bool InsertAt(HMENU menu, std::size_t position, UINT flags, UINT_PTR idOrPopup,
              const std::string& text) {
    MenuTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    Menu* m = t.Get(menu);
    Item item;
    if (m == nullptr || !MakeItem(t, flags, idOrPopup, text, &item)) {
        return false;
    }
    if ((item.flags & MF_POPUP) != 0 && t.ContainsLocked(item.submenu, menu)) {
        platform::ReportDiagnostic("win::AppendMenu", "A menu cannot contain itself");
        return false;
    }
    m = t.Get(menu);
    position = std::min(position, m->items.size());
    m->items.insert(m->items.begin() + static_cast<std::ptrdiff_t>(position), std::move(item));
    return true;
}

bool TakeItem(HMENU menu, UINT item, UINT flags, bool destroySubmenu) {
    MenuTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    Place place;
    if (!t.FindLocked(menu, item, flags, &place)) {
        return false;
    }
    Menu& m = t.menus[place.menu];
    Item taken = std::move(m.items[place.index]);
    m.items.erase(m.items.begin() + static_cast<std::ptrdiff_t>(place.index));
    if (destroySubmenu && (taken.flags & MF_POPUP) != 0) {
        t.DestroyLocked(taken.submenu);
    }
    return true;
}

// Changes the state bits `mask` of an item to `bits`; the previous bits, -1 when absent.
int ChangeState(HMENU menu, UINT item, UINT flags, UINT mask, UINT bits) {
    MenuTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    Place place;
    if (!t.FindLocked(menu, item, flags, &place)) {
        return -1;
    }
    Item* it = t.ItemAt(place);
    UINT previous = it->flags & mask;
    it->flags = (it->flags & ~mask) | (bits & mask);
    return static_cast<int>(previous);
}

} // namespace

HMENU CreateMenu() {
    MenuTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    return t.AddLocked(false);
}

HMENU CreatePopupMenu() {
    MenuTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    return t.AddLocked(true);
}

bool DestroyMenu(HMENU menu) {
    MenuTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    if (t.Get(menu) == nullptr) {
        return false;
    }
    // A submenu destroyed on its own leaves no dangling item in its parent.
    for (auto& [handle, m] : t.menus) {
        std::erase_if(m.items, [menu](const Item& it) {
            return (it.flags & MF_POPUP) != 0 && it.submenu == menu;
        });
    }
    t.DestroyLocked(menu);
    return true;
}

bool IsMenu(HMENU menu) {
    MenuTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    return t.Get(menu) != nullptr;
}

bool SetMenu(HWND hwnd, HMENU menu) {
    if (!IsWindow(hwnd)) {
        return false;
    }
    MenuTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    if (menu == 0) {
        t.bars.erase(hwnd);
        return true;
    }
    if (t.Get(menu) == nullptr) {
        return false;
    }
    t.bars[hwnd] = menu;
    return true;
}

HMENU GetMenu(HWND hwnd) {
    MenuTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.bars.find(hwnd);
    return it == t.bars.end() ? 0 : it->second;
}

HMENU GetSubMenu(HMENU menu, int position) {
    MenuTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    Menu* m = t.Get(menu);
    if (m == nullptr || position < 0 || static_cast<std::size_t>(position) >= m->items.size()) {
        return 0;
    }
    const Item& it = m->items[static_cast<std::size_t>(position)];
    return (it.flags & MF_POPUP) != 0 ? it.submenu : 0;
}

int GetMenuItemCount(HMENU menu) {
    MenuTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    Menu* m = t.Get(menu);
    return m == nullptr ? -1 : static_cast<int>(m->items.size());
}

UINT GetMenuItemID(HMENU menu, int position) {
    MenuTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    Menu* m = t.Get(menu);
    if (m == nullptr || position < 0 || static_cast<std::size_t>(position) >= m->items.size()) {
        return MENU_ITEM_ABSENT;
    }
    const Item& it = m->items[static_cast<std::size_t>(position)];
    if ((it.flags & MF_POPUP) != 0) {
        return MENU_ITEM_ABSENT;
    }
    return (it.flags & MF_SEPARATOR) != 0 ? 0 : it.id;
}

int GetMenuItemPosition(HMENU menu, UINT commandId) {
    MenuTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    Menu* m = t.Get(menu);
    if (m == nullptr) {
        return -1;
    }
    for (std::size_t i = 0; i < m->items.size(); ++i) {
        const Item& it = m->items[i];
        if ((it.flags & (MF_POPUP | MF_SEPARATOR)) == 0 && it.id == commandId) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool AppendMenu(HMENU menu, UINT flags, UINT_PTR idOrPopup, const std::string& text) {
    return InsertAt(menu, static_cast<std::size_t>(-1), flags, idOrPopup, text);
}

bool InsertMenu(HMENU menu, UINT item, UINT flags, UINT_PTR idOrPopup, const std::string& text) {
    std::size_t position = item;
    if ((flags & MF_BYPOSITION) == 0) {
        MenuTable& t = Table();
        std::unique_lock<std::mutex> lock(t.mutex);
        Place place;
        if (!t.FindLocked(menu, item, MF_BYCOMMAND, &place)) {
            return false;
        }
        lock.unlock();
        // The item may sit in a submenu: insert there, before it.
        return InsertAt(place.menu, place.index, flags & ~MF_BYPOSITION, idOrPopup, text);
    }
    return InsertAt(menu, position, flags, idOrPopup, text);
}

bool DeleteMenu(HMENU menu, UINT item, UINT flags) {
    return TakeItem(menu, item, flags, true);
}

bool RemoveMenu(HMENU menu, UINT item, UINT flags) {
    return TakeItem(menu, item, flags, false);
}

int EnableMenuItem(HMENU menu, UINT item, UINT flags) {
    return ChangeState(menu, item, flags, MF_GRAYED | MF_DISABLED,
                       flags & (MF_GRAYED | MF_DISABLED));
}

int CheckMenuItem(HMENU menu, UINT item, UINT flags) {
    return ChangeState(menu, item, flags, MF_CHECKED, flags & MF_CHECKED);
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
    MenuTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    Place place;
    if (!t.FindLocked(menu, item, flags, &place)) {
        return MENU_ITEM_ABSENT;
    }
    const Item* it = t.ItemAt(place);
    UINT state = it->flags & (kStateBits | MF_POPUP | MF_SEPARATOR);
    if ((it->flags & MF_POPUP) != 0) {
        Menu* sub = t.Get(it->submenu);
        std::size_t count = sub == nullptr ? 0 : std::min<std::size_t>(sub->items.size(), 0xFF);
        state = (state & 0xFF) | (static_cast<UINT>(count) << 8);
    }
    return state;
}

std::string GetMenuString(HMENU menu, UINT item, UINT flags) {
    MenuTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    Place place;
    if (!t.FindLocked(menu, item, flags, &place)) {
        return std::string();
    }
    return t.ItemAt(place)->text;
}

int GetMenuString(HMENU menu, UINT item, char* buffer, int bufferSize, UINT flags) {
    std::string text = GetMenuString(menu, item, flags);
    if (buffer == nullptr) {
        return static_cast<int>(text.size());
    }
    return CopyUtf8ToBuffer(text, buffer, bufferSize);
}

bool SetMenuDefaultItem(HMENU menu, UINT item, bool byPosition) {
    MenuTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    Menu* m = t.Get(menu);
    if (m == nullptr) {
        return false;
    }
    std::size_t index = m->items.size();
    for (std::size_t i = 0; i < m->items.size(); ++i) {
        const Item& it = m->items[i];
        if (byPosition ? i == item
                       : ((it.flags & (MF_POPUP | MF_SEPARATOR)) == 0 && it.id == item)) {
            index = i;
            break;
        }
    }
    if (index == m->items.size() && item != MENU_ITEM_ABSENT) {
        return false;
    }
    for (std::size_t i = 0; i < m->items.size(); ++i) {
        m->items[i].flags =
            i == index ? (m->items[i].flags | MF_DEFAULT) : (m->items[i].flags & ~MF_DEFAULT);
    }
    return true;
}

UINT GetMenuDefaultItem(HMENU menu) {
    MenuTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    Menu* m = t.Get(menu);
    if (m == nullptr) {
        return MENU_ITEM_ABSENT;
    }
    for (const Item& it : m->items) {
        if ((it.flags & MF_DEFAULT) != 0 && (it.flags & (MF_POPUP | MF_SEPARATOR)) == 0) {
            return it.id;
        }
    }
    return MENU_ITEM_ABSENT;
}

HMENU OpenMenuBarPopup(HWND hwnd, int index) {
    HMENU bar = GetMenu(hwnd);
    HMENU popup = bar == 0 ? 0 : GetSubMenu(bar, index);
    if (popup == 0) {
        return 0;
    }
    SendMessage(hwnd, WM_INITMENU, static_cast<WPARAM>(bar), 0);
    SendMessage(hwnd, WM_MENUSELECT,
                MAKEWPARAM(static_cast<WORD>(index), static_cast<WORD>(MF_POPUP | MF_HILITE)),
                static_cast<LPARAM>(bar));
    SendMessage(hwnd, WM_INITMENUPOPUP, static_cast<WPARAM>(popup), MAKELPARAM(index, 0));
    return popup;
}

bool ChooseMenuCommand(HWND hwnd, UINT commandId) {
    HMENU bar = GetMenu(hwnd);
    {
        MenuTable& t = Table();
        std::lock_guard<std::mutex> lock(t.mutex);
        if (bar == 0 || !t.IsChoosableLocked(bar, commandId)) {
            return false;
        }
    }
    SendMessage(hwnd, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    SendMessage(hwnd, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(commandId), 0), 0);
    return true;
}

PopupMenuChooser SetPopupMenuChooser(PopupMenuChooser chooser) {
    MenuTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    PopupMenuChooser previous = std::move(t.chooser);
    t.chooser = std::move(chooser);
    return previous;
}

int TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
    if (!IsMenu(menu)) {
        platform::ReportDiagnostic("win::TrackPopupMenu", "No menu " + std::to_string(menu));
        return 0;
    }
    if ((flags & TPM_NONOTIFY) == 0 && owner != 0) {
        SendMessage(owner, WM_INITMENUPOPUP, static_cast<WPARAM>(menu), MAKELPARAM(0, 0));
    }
    MenuTable& t = Table();
    PopupMenuChooser chooser;
    {
        std::lock_guard<std::mutex> lock(t.mutex);
        chooser = t.chooser;
    }
    UINT chosen = 0;
    if (chooser) {
        try {
            chosen = chooser(PopupMenuRequest{menu, flags, x, y, owner});
        } catch (...) {
            platform::ReportDiagnostic("win::TrackPopupMenu", "The popup chooser failed");
            chosen = 0;
        }
    }
    {
        std::lock_guard<std::mutex> lock(t.mutex);
        if (!t.IsChoosableLocked(menu, chosen)) {
            chosen = 0;
        }
    }
    if ((flags & TPM_RETURNCMD) != 0) {
        return static_cast<int>(chosen);
    }
    if (chosen == 0) {
        return 0;
    }
    if ((flags & TPM_NONOTIFY) == 0 && owner != 0) {
        PostMessage(owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(chosen), 0), 0);
    }
    return 1;
}

namespace detail {

void OnWindowRemoved(HWND hwnd) {
    MenuTable& t = Table();
    std::lock_guard<std::mutex> lock(t.mutex);
    auto it = t.bars.find(hwnd);
    if (it == t.bars.end()) {
        return;
    }
    HMENU bar = it->second;
    t.bars.erase(it);
    t.DestroyLocked(bar);
}

} // namespace detail

} // namespace win
