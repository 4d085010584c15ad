// The list-view control's procedure (report view), its header, and the user actions on a
// list view.
#include "platform/WinListView.h"

#include "platform/Diagnostics.h"
#include "platform/WinWindowEvents.h"

#include <cstring>
#include <memory>
#include <vector>

namespace win {

namespace {

constexpr LRESULT kTrue = 1;
constexpr LRESULT kFalse = 0;
// Bounds that keep a damaged request from growing the control without end.
constexpr std::size_t kMaxTextBytes = 1024 * 1024;
constexpr int kMaxColumns = 256;
constexpr std::size_t kMaxItems = 1000000;
// pszText value asking the parent for the text; there is no such callback here: empty.
const char* const kTextCallback = reinterpret_cast<const char*>(static_cast<std::intptr_t>(-1));

struct Column {
    int fmt = 0;
    int cx = 100;
    std::string text;
    int subItem = 0;
};

struct Item {
    std::vector<std::string> texts;
    UINT state = 0;
    LPARAM param = 0;
    int image = 0;
};

std::string TextFrom(const char* text) {
    if (text == nullptr || text == kTextCallback) {
        return std::string();
    }
    return std::string(text, ::strnlen(text, kMaxTextBytes));
}

class ListView : public std::enable_shared_from_this<ListView> {
public:
    LRESULT Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    int ColumnCount() const { return static_cast<int>(m_columns.size()); }

private:
    Item* At(WPARAM index) {
        return static_cast<std::size_t>(index) < m_items.size() ? &m_items[index] : nullptr;
    }
    bool SetText(Item& item, int subItem, const char* text);
    void SetState(std::size_t index, UINT state, UINT mask);
    LRESULT Insert(const LVITEM* in);
    LRESULT GetItem(LVITEM* io);
    LRESULT SetItem(const LVITEM* in);
    LRESULT NextItem(WPARAM start, UINT flags) const;
    LRESULT HitTest(HWND hwnd, LVHITTESTINFO* info) const;
    void Notify(HWND hwnd, UINT code, LPARAM point) const;
    void ClickSelect(HWND hwnd, LPARAM point);

    std::vector<Column> m_columns;
    std::vector<Item> m_items;
    HWND m_header = 0;
};

bool ListView::SetText(Item& item, int subItem, const char* text) {
    if (subItem < 0 || subItem >= kMaxColumns) {
        return false;
    }
    if (item.texts.size() <= static_cast<std::size_t>(subItem)) {
        item.texts.resize(static_cast<std::size_t>(subItem) + 1);
    }
    item.texts[static_cast<std::size_t>(subItem)] = TextFrom(text);
    return true;
}

void ListView::SetState(std::size_t index, UINT state, UINT mask) {
    if ((mask & state & LVIS_FOCUSED) != 0) {
        for (Item& other : m_items) {
            other.state &= ~LVIS_FOCUSED; // one focused item at most
        }
    }
    Item& item = m_items[index];
    item.state = (item.state & ~mask) | (state & mask);
}

LRESULT ListView::Insert(const LVITEM* in) {
    if (in == nullptr || in->iSubItem != 0 || m_items.size() >= kMaxItems) {
        return -1;
    }
    const std::size_t index = in->iItem < 0
                                  ? m_items.size()
                                  : std::min(static_cast<std::size_t>(in->iItem), m_items.size());
    Item item;
    if ((in->mask & LVIF_TEXT) != 0) {
        SetText(item, 0, in->pszText);
    }
    if ((in->mask & LVIF_PARAM) != 0) {
        item.param = in->lParam;
    }
    if ((in->mask & LVIF_IMAGE) != 0) {
        item.image = in->iImage;
    }
    m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
    if ((in->mask & LVIF_STATE) != 0) {
        SetState(index, in->state, in->stateMask);
    }
    return static_cast<LRESULT>(index);
}

LRESULT ListView::GetItem(LVITEM* io) {
    Item* item = io == nullptr || io->iItem < 0 ? nullptr : At(static_cast<WPARAM>(io->iItem));
    if (item == nullptr) {
        return kFalse;
    }
    if ((io->mask & LVIF_TEXT) != 0) {
        const std::size_t sub = static_cast<std::size_t>(std::max(io->iSubItem, 0));
        CopyUtf8ToBuffer(sub < item->texts.size() ? item->texts[sub] : std::string(), io->pszText,
                         io->cchTextMax);
    }
    if ((io->mask & LVIF_STATE) != 0) {
        io->state = item->state & io->stateMask;
    }
    if ((io->mask & LVIF_PARAM) != 0) {
        io->lParam = item->param;
    }
    if ((io->mask & LVIF_IMAGE) != 0) {
        io->iImage = item->image;
    }
    return kTrue;
}

LRESULT ListView::SetItem(const LVITEM* in) {
    Item* item = in == nullptr || in->iItem < 0 ? nullptr : At(static_cast<WPARAM>(in->iItem));
    if (item == nullptr) {
        return kFalse;
    }
    if ((in->mask & LVIF_TEXT) != 0 && !SetText(*item, in->iSubItem, in->pszText)) {
        return kFalse;
    }
    if ((in->mask & LVIF_PARAM) != 0) {
        item->param = in->lParam;
    }
    if ((in->mask & LVIF_IMAGE) != 0) {
        item->image = in->iImage;
    }
    if ((in->mask & LVIF_STATE) != 0) {
        SetState(static_cast<std::size_t>(in->iItem), in->state, in->stateMask);
    }
    return kTrue;
}

LRESULT ListView::NextItem(WPARAM start, UINT flags) const {
    const auto from = static_cast<std::intptr_t>(start);
    UINT want = 0;
    if ((flags & LVNI_SELECTED) != 0) {
        want |= LVIS_SELECTED;
    }
    if ((flags & LVNI_FOCUSED) != 0) {
        want |= LVIS_FOCUSED;
    }
    for (std::size_t i = from < 0 ? 0 : static_cast<std::size_t>(from) + 1; i < m_items.size();
         ++i) {
        if ((m_items[i].state & want) == want) {
            return static_cast<LRESULT>(i);
        }
    }
    return -1;
}

LRESULT ListView::HitTest(HWND hwnd, LVHITTESTINFO* info) const {
    if (info == nullptr) {
        return -1;
    }
    RECT client;
    GetClientRect(hwnd, &client);
    info->iItem = -1;
    info->iSubItem = 0;
    info->flags = LVHT_NOWHERE;
    const LONG x = info->pt.x;
    const LONG y = info->pt.y - LISTVIEW_HEADER_HEIGHT;
    // A window without a size yet counts as unbounded to the right.
    if (x < 0 || y < 0 || (client.right > 0 && x >= client.right)) {
        return -1;
    }
    const std::size_t row = static_cast<std::size_t>(y / LISTVIEW_ROW_HEIGHT);
    if (row >= m_items.size()) {
        return -1;
    }
    info->iItem = static_cast<int>(row);
    info->flags = LVHT_ONITEMLABEL;
    LONG left = 0;
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
        if (x >= left && x < left + m_columns[c].cx) {
            info->iSubItem = static_cast<int>(c);
            break;
        }
        left += m_columns[c].cx;
    }
    return info->iItem;
}

void ListView::Notify(HWND hwnd, UINT code, LPARAM point) const {
    HWND parent = GetParent(hwnd);
    if (parent == 0) {
        return;
    }
    NMITEMACTIVATE info;
    info.hdr.hwndFrom = hwnd;
    info.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd));
    info.hdr.code = code;
    info.ptAction = POINT{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    LVHITTESTINFO hit;
    hit.pt = info.ptAction;
    info.iItem = static_cast<int>(HitTest(hwnd, &hit));
    info.iSubItem = hit.iSubItem;
    SendMessage(parent, WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
}

void ListView::ClickSelect(HWND hwnd, LPARAM point) {
    LVHITTESTINFO hit;
    hit.pt = POINT{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    const LRESULT row = HitTest(hwnd, &hit);
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        m_items[i].state &= ~(LVIS_SELECTED | LVIS_FOCUSED);
    }
    if (row >= 0) {
        m_items[static_cast<std::size_t>(row)].state |= LVIS_SELECTED | LVIS_FOCUSED;
    }
}

// Messages answered for another process too (they carry no pointer).
bool AnsweredForOtherProcess(UINT msg) {
    return msg == LVM_GETITEMCOUNT || msg == LVM_GETSELECTEDCOUNT;
}

LRESULT RefusedAnswer(UINT msg) {
    switch (msg) {
    case LVM_INSERTITEMA:
    case LVM_INSERTCOLUMNA:
    case LVM_GETNEXTITEM:
    case LVM_HITTEST:
        return -1;
    default:
        return 0;
    }
}

LRESULT ListView::Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= LVM_FIRST && msg < LVM_FIRST + 0x100 && !AnsweredForOtherProcess(msg) &&
        InMessageFromOtherProcess()) {
        platform::ReportDiagnostic("win::ListView", "Refused list-view message " +
                                                        std::to_string(msg - LVM_FIRST) +
                                                        " from another process");
        return RefusedAnswer(msg);
    }
    switch (msg) {
    case WM_CREATE: {
        RECT client;
        GetClientRect(hwnd, &client);
        WindowDesc desc;
        desc.className = WC_HEADER;
        desc.parent = hwnd;
        desc.width = client.right;
        desc.height = LISTVIEW_HEADER_HEIGHT;
        std::weak_ptr<ListView> self = weak_from_this();
        m_header = CreateWindow(desc, [self](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m != HDM_GETITEMCOUNT) {
                return DefWindowProc(h, m, w, l);
            }
            std::shared_ptr<ListView> list = self.lock();
            return list ? list->ColumnCount() : 0;
        });
        return 0;
    }
    case LVM_GETITEMCOUNT:
        return static_cast<LRESULT>(m_items.size());
    case LVM_GETSELECTEDCOUNT: {
        LRESULT n = 0;
        for (const Item& item : m_items) {
            n += (item.state & LVIS_SELECTED) != 0 ? 1 : 0;
        }
        return n;
    }
    case LVM_INSERTITEMA:
        return Insert(reinterpret_cast<const LVITEM*>(lParam));
    case LVM_GETITEMA:
        return GetItem(reinterpret_cast<LVITEM*>(lParam));
    case LVM_SETITEMA:
        return SetItem(reinterpret_cast<const LVITEM*>(lParam));
    case LVM_DELETEITEM:
        if (At(wParam) == nullptr) {
            return kFalse;
        }
        m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(wParam));
        return kTrue;
    case LVM_DELETEALLITEMS:
        m_items.clear();
        return kTrue;
    case LVM_GETNEXTITEM:
        return NextItem(wParam, LOWORD(static_cast<std::uintptr_t>(lParam)));
    case LVM_GETITEMRECT: {
        auto* rect = reinterpret_cast<RECT*>(lParam);
        if (rect == nullptr || At(wParam) == nullptr) {
            return kFalse;
        }
        RECT client;
        GetClientRect(hwnd, &client);
        const LONG top = LISTVIEW_HEADER_HEIGHT + static_cast<LONG>(wParam) * LISTVIEW_ROW_HEIGHT;
        *rect = RECT{0, top, client.right, top + LISTVIEW_ROW_HEIGHT};
        return kTrue;
    }
    case LVM_HITTEST:
        return HitTest(hwnd, reinterpret_cast<LVHITTESTINFO*>(lParam));
    case LVM_INSERTCOLUMNA: {
        const auto* in = reinterpret_cast<const LVCOLUMN*>(lParam);
        if (in == nullptr || ColumnCount() >= kMaxColumns) {
            return -1;
        }
        Column c;
        c.fmt = (in->mask & LVCF_FMT) != 0 ? in->fmt : 0;
        c.cx = (in->mask & LVCF_WIDTH) != 0 ? in->cx : c.cx;
        c.text = (in->mask & LVCF_TEXT) != 0 ? TextFrom(in->pszText) : std::string();
        c.subItem = (in->mask & LVCF_SUBITEM) != 0 ? in->iSubItem : ColumnCount();
        const std::size_t at = std::min(static_cast<std::size_t>(wParam), m_columns.size());
        m_columns.insert(m_columns.begin() + static_cast<std::ptrdiff_t>(at), std::move(c));
        return static_cast<LRESULT>(at);
    }
    case LVM_GETCOLUMNA: {
        auto* io = reinterpret_cast<LVCOLUMN*>(lParam);
        if (io == nullptr || wParam >= m_columns.size()) {
            return kFalse;
        }
        const Column& c = m_columns[wParam];
        if ((io->mask & LVCF_FMT) != 0) {
            io->fmt = c.fmt;
        }
        if ((io->mask & LVCF_WIDTH) != 0) {
            io->cx = c.cx;
        }
        if ((io->mask & LVCF_TEXT) != 0) {
            CopyUtf8ToBuffer(c.text, io->pszText, io->cchTextMax);
        }
        if ((io->mask & LVCF_SUBITEM) != 0) {
            io->iSubItem = c.subItem;
        }
        return kTrue;
    }
    case LVM_GETHEADER:
        return static_cast<LRESULT>(m_header);
    case LVM_SETITEMSTATE: {
        const auto* in = reinterpret_cast<const LVITEM*>(lParam);
        if (in == nullptr) {
            return kFalse;
        }
        if (static_cast<std::intptr_t>(wParam) == -1) {
            for (std::size_t i = 0; i < m_items.size(); ++i) {
                // Focus cannot go to every item at once.
                SetState(i, in->state & ~LVIS_FOCUSED, in->stateMask & ~LVIS_FOCUSED);
            }
            return kTrue;
        }
        if (At(wParam) == nullptr) {
            return kFalse;
        }
        SetState(wParam, in->state, in->stateMask);
        return kTrue;
    }
    case LVM_GETITEMSTATE: {
        const Item* item = At(wParam);
        return item == nullptr ? 0 : static_cast<LRESULT>(item->state & static_cast<UINT>(lParam));
    }
    case LVM_GETITEMTEXTA: {
        auto* io = reinterpret_cast<LVITEM*>(lParam);
        const Item* item = At(wParam);
        if (io == nullptr || item == nullptr || io->iSubItem < 0) {
            return 0;
        }
        const auto sub = static_cast<std::size_t>(io->iSubItem);
        return CopyUtf8ToBuffer(sub < item->texts.size() ? item->texts[sub] : std::string(),
                                io->pszText, io->cchTextMax);
    }
    case LVM_SETITEMTEXTA: {
        const auto* in = reinterpret_cast<const LVITEM*>(lParam);
        Item* item = At(wParam);
        return in != nullptr && item != nullptr && SetText(*item, in->iSubItem, in->pszText)
                   ? kTrue
                   : kFalse;
    }
    case WM_LBUTTONDOWN:
        ClickSelect(hwnd, lParam);
        return 0;
    case WM_LBUTTONDBLCLK:
        Notify(hwnd, NM_DBLCLK, lParam);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            Notify(hwnd, NM_RETURN, 0);
        }
        return 0;
    case WM_CONTEXTMENU: {
        HWND parent = GetParent(hwnd);
        return parent != 0 ? SendMessage(parent, WM_CONTEXTMENU, wParam, lParam) : 0;
    }
    default:
        return DefWindowProc(hwnd, msg, wParam, lParam);
    }
}

// Row n's state: selected and focused alone.
bool SelectOnly(HWND listView, int index) {
    LVITEM none;
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    none.state = 0;
    LVITEM one;
    one.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    one.state = LVIS_SELECTED | LVIS_FOCUSED;
    return SendMessage(listView, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                       reinterpret_cast<LPARAM>(&none)) != 0 &&
           SendMessage(listView, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                       reinterpret_cast<LPARAM>(&one)) != 0;
}

bool HasRow(HWND listView, int index) {
    return index >= 0 && IsWindow(listView) &&
           index < static_cast<int>(SendMessage(listView, LVM_GETITEMCOUNT, 0, 0));
}

// Client point of row `index`, with the cursor moved onto it.
LPARAM PointAtRow(HWND listView, int index, POINT* screen) {
    POINT p = ListViewRowPoint(index);
    const LPARAM client = MAKELPARAM(p.x, p.y);
    ClientToScreen(listView, &p);
    SetCursorPos(p.x, p.y);
    if (screen != nullptr) {
        *screen = p;
    }
    return client;
}

} // namespace

namespace detail {

WNDPROC MakeListViewProc() {
    auto listView = std::make_shared<ListView>();
    return [listView](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        return listView->Handle(hwnd, msg, wParam, lParam);
    };
}

// A header on its own (not made by a list view) has no columns.
WNDPROC MakeHeaderProc() {
    return [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        return msg == HDM_GETITEMCOUNT ? 0 : DefWindowProc(hwnd, msg, wParam, lParam);
    };
}

} // namespace detail

POINT ListViewRowPoint(int index) {
    return POINT{4, LISTVIEW_HEADER_HEIGHT + index * LISTVIEW_ROW_HEIGHT + LISTVIEW_ROW_HEIGHT / 2};
}

bool ListViewSelectItem(HWND listView, int index) {
    return HasRow(listView, index) && SelectOnly(listView, index);
}

bool ListViewDoubleClickItem(HWND listView, int index) {
    if (!HasRow(listView, index) || !SelectOnly(listView, index)) {
        return false;
    }
    const LPARAM client = PointAtRow(listView, index, nullptr);
    SendMessage(listView, WM_LBUTTONDOWN, MK_LBUTTON, client);
    SendMessage(listView, WM_LBUTTONUP, 0, client);
    SendMessage(listView, WM_LBUTTONDBLCLK, MK_LBUTTON, client);
    return true;
}

bool ListViewPressKey(HWND listView, UINT key) {
    if (!IsWindow(listView)) {
        return false;
    }
    SendMessage(listView, WM_KEYDOWN, key, 1);
    SendMessage(listView, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
    return true;
}

bool ListViewRightClickItem(HWND listView, int index) {
    if (!HasRow(listView, index)) {
        return false;
    }
    if (SendMessage(listView, LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_SELECTED) == 0 &&
        !SelectOnly(listView, index)) {
        return false;
    }
    POINT screen;
    PointAtRow(listView, index, &screen);
    SendMessage(listView, WM_CONTEXTMENU, static_cast<WPARAM>(listView),
                MAKELPARAM(screen.x, screen.y));
    return true;
}

bool ListViewContextMenuKey(HWND listView) {
    if (!IsWindow(listView)) {
        return false;
    }
    SendMessage(listView, WM_CONTEXTMENU, static_cast<WPARAM>(listView), CONTEXTMENU_FROM_KEYBOARD);
    return true;
}

} // namespace win
