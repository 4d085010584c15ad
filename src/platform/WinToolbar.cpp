// The toolbar control's procedure and the user actions on a toolbar.
#include "platform/WinToolbar.h"

#include "platform/Diagnostics.h"
#include "platform/WinWindowEvents.h"

#include <cstring>
#include <memory>
#include <vector>

namespace win {

namespace {

// Bounds on what one message may add: a damaged count or text list stops here.
constexpr WPARAM kMaxButtonsPerMessage = 4096;
constexpr std::size_t kMaxStringsPerMessage = 4096;
constexpr std::size_t kMaxTextBytes = 64 * 1024;
// iString values from here up are pointers to texts, below are indexes.
constexpr INT_PTR kFirstTextPointer = 0x10000;
constexpr LRESULT kTrue = 1;
constexpr LRESULT kFalse = 0;

struct Button {
    TBBUTTON data;
    bool ownText = false; // the text came with the button (iString was a pointer)
    std::string text;
};

class Toolbar {
public:
    LRESULT Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

private:
    Button* ByCommand(WPARAM id, int* index = nullptr);
    Button* ByIndex(WPARAM index);
    bool Insert(std::size_t index, const TBBUTTON* button);
    LRESULT AddStrings(const char* list);
    LRESULT AddWideStrings(const char16_t* list);
    std::string TextOf(const Button& b) const;
    bool ItemRect(std::size_t index, RECT* rect) const;
    int HitTest(LPARAM point) const;
    void Click(HWND hwnd, LPARAM point);

    std::vector<Button> m_buttons;
    std::vector<std::string> m_strings;
    HIMAGELIST m_images = 0;
    HIMAGELIST m_hotImages = 0;
    int m_pressed = -1;
};

Button* Toolbar::ByCommand(WPARAM id, int* index) {
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        if (static_cast<WPARAM>(static_cast<UINT>(m_buttons[i].data.idCommand)) ==
                (id & 0xFFFFFFFFu) &&
            (m_buttons[i].data.fsStyle & TBSTYLE_SEP) == 0) {
            if (index != nullptr) {
                *index = static_cast<int>(i);
            }
            return &m_buttons[i];
        }
    }
    return nullptr;
}

Button* Toolbar::ByIndex(WPARAM index) {
    return index < m_buttons.size() ? &m_buttons[index] : nullptr;
}

bool Toolbar::Insert(std::size_t index, const TBBUTTON* button) {
    if (button == nullptr) {
        return false;
    }
    Button b;
    b.data = *button;
    if (b.data.iString >= kFirstTextPointer) {
        const char* text = reinterpret_cast<const char*>(b.data.iString);
        b.text.assign(text, ::strnlen(text, kMaxTextBytes));
        b.ownText = true;
    }
    index = std::min(index, m_buttons.size());
    m_buttons.insert(m_buttons.begin() + static_cast<std::ptrdiff_t>(index), std::move(b));
    return true;
}

LRESULT Toolbar::AddStrings(const char* list) {
    if (list == nullptr) {
        return -1;
    }
    const LRESULT first = static_cast<LRESULT>(m_strings.size());
    for (std::size_t n = 0; n < kMaxStringsPerMessage && *list != '\0'; ++n) {
        std::size_t length = ::strnlen(list, kMaxTextBytes);
        m_strings.emplace_back(list, length);
        list += length + 1;
    }
    return static_cast<LRESULT>(m_strings.size()) > first ? first : -1;
}

LRESULT Toolbar::AddWideStrings(const char16_t* list) {
    if (list == nullptr) {
        return -1;
    }
    const LRESULT first = static_cast<LRESULT>(m_strings.size());
    for (std::size_t n = 0; n < kMaxStringsPerMessage && *list != 0; ++n) {
        std::size_t length = 0;
        while (length < kMaxTextBytes && list[length] != 0) {
            ++length;
        }
        m_strings.push_back(Utf16ToUtf8(std::u16string_view(list, length)));
        list += length + 1;
    }
    return static_cast<LRESULT>(m_strings.size()) > first ? first : -1;
}

std::string Toolbar::TextOf(const Button& b) const {
    if (b.ownText) {
        return b.text;
    }
    if (b.data.iString >= 0 && static_cast<std::size_t>(b.data.iString) < m_strings.size()) {
        return m_strings[static_cast<std::size_t>(b.data.iString)];
    }
    return std::string();
}

bool Toolbar::ItemRect(std::size_t index, RECT* rect) const {
    if (index >= m_buttons.size()) {
        return false;
    }
    LONG left = 0;
    for (std::size_t i = 0; i <= index; ++i) {
        const TBBUTTON& b = m_buttons[i].data;
        LONG width = (b.fsState & TBSTATE_HIDDEN) != 0 ? 0
                     : (b.fsStyle & TBSTYLE_SEP) != 0  ? TOOLBAR_SEPARATOR_WIDTH
                                                       : TOOLBAR_BUTTON_WIDTH;
        if (i == index) {
            *rect = RECT{left, 0, left + width, TOOLBAR_BUTTON_HEIGHT};
            return true;
        }
        left += width;
    }
    return false;
}

int Toolbar::HitTest(LPARAM point) const {
    const int x = GET_X_LPARAM(point);
    const int y = GET_Y_LPARAM(point);
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        RECT r;
        if (ItemRect(i, &r) && x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void Toolbar::Click(HWND hwnd, LPARAM point) {
    const int index = HitTest(point);
    const bool same = index >= 0 && index == m_pressed;
    m_pressed = -1;
    if (!same) {
        return;
    }
    const TBBUTTON b = m_buttons[static_cast<std::size_t>(index)].data;
    if ((b.fsStyle & TBSTYLE_SEP) != 0 || (b.fsState & TBSTATE_ENABLED) == 0 ||
        (b.fsState & TBSTATE_HIDDEN) != 0) {
        return;
    }
    HWND parent = GetParent(hwnd);
    if (parent != 0) {
        SendMessage(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(b.idCommand), BN_CLICKED),
                    static_cast<LPARAM>(hwnd));
    }
}

// Failure answers of the refused messages.
LRESULT RefusedAnswer(UINT msg) {
    return msg == TB_GETSTATE || msg == TB_COMMANDTOINDEX || msg == TB_ADDSTRINGA ||
                   msg == TB_ADDSTRINGW || msg == TB_GETBUTTONTEXTA
               ? -1
               : 0;
}

LRESULT Toolbar::Handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= WM_USER && msg < WM_USER + 0x100 && msg != TB_BUTTONCOUNT &&
        InMessageFromOtherProcess()) {
        platform::ReportDiagnostic("win::Toolbar", "Refused toolbar message " +
                                                       std::to_string(msg - WM_USER) +
                                                       " from another process");
        return RefusedAnswer(msg);
    }
    switch (msg) {
    case TB_BUTTONSTRUCTSIZE:
        return 0;
    case TB_BUTTONCOUNT:
        return static_cast<LRESULT>(m_buttons.size());
    case TB_ADDBUTTONSA:
    case TB_ADDBUTTONSW: {
        const auto* buttons = reinterpret_cast<const TBBUTTON*>(lParam);
        if (buttons == nullptr || wParam > kMaxButtonsPerMessage) {
            return kFalse;
        }
        for (WPARAM i = 0; i < wParam; ++i) {
            Insert(m_buttons.size(), &buttons[i]);
        }
        return kTrue;
    }
    case TB_INSERTBUTTONA:
    case TB_INSERTBUTTONW:
        return Insert(static_cast<std::size_t>(wParam), reinterpret_cast<const TBBUTTON*>(lParam))
                   ? kTrue
                   : kFalse;
    case TB_DELETEBUTTON:
        if (wParam >= m_buttons.size()) {
            return kFalse;
        }
        m_buttons.erase(m_buttons.begin() + static_cast<std::ptrdiff_t>(wParam));
        return kTrue;
    case TB_GETBUTTON: {
        auto* out = reinterpret_cast<TBBUTTON*>(lParam);
        const Button* b = ByIndex(wParam);
        if (b == nullptr || out == nullptr) {
            return kFalse;
        }
        *out = b->data;
        if (b->ownText) {
            out->iString = reinterpret_cast<INT_PTR>(b->text.c_str());
        }
        return kTrue;
    }
    case TB_COMMANDTOINDEX: {
        int index = -1;
        ByCommand(wParam, &index);
        return index;
    }
    case TB_SETSTATE: {
        Button* b = ByCommand(wParam);
        if (b == nullptr) {
            return kFalse;
        }
        b->data.fsState = static_cast<BYTE>(LOWORD(static_cast<std::uintptr_t>(lParam)));
        return kTrue;
    }
    case TB_GETSTATE: {
        const Button* b = ByCommand(wParam);
        return b == nullptr ? -1 : b->data.fsState;
    }
    case TB_ENABLEBUTTON: {
        Button* b = ByCommand(wParam);
        if (b == nullptr) {
            return kFalse;
        }
        if (LOWORD(static_cast<std::uintptr_t>(lParam)) != 0) {
            b->data.fsState |= TBSTATE_ENABLED;
        } else {
            b->data.fsState &= static_cast<BYTE>(~TBSTATE_ENABLED);
        }
        return kTrue;
    }
    case TB_ISBUTTONENABLED: {
        const Button* b = ByCommand(wParam);
        return b != nullptr && (b->data.fsState & TBSTATE_ENABLED) != 0 ? kTrue : kFalse;
    }
    case TB_ADDSTRINGA:
        return wParam != 0 ? -1 : AddStrings(reinterpret_cast<const char*>(lParam));
    case TB_ADDSTRINGW:
        return wParam != 0 ? -1 : AddWideStrings(reinterpret_cast<const char16_t*>(lParam));
    case TB_GETBUTTONTEXTA: {
        const Button* b = ByCommand(wParam);
        if (b == nullptr) {
            return -1;
        }
        std::string text = TextOf(*b);
        if (lParam != 0) {
            auto* out = reinterpret_cast<char*>(lParam);
            text.copy(out, text.size());
            out[text.size()] = '\0';
        }
        return static_cast<LRESULT>(text.size());
    }
    case TB_GETITEMRECT: {
        auto* out = reinterpret_cast<RECT*>(lParam);
        return out != nullptr && ItemRect(static_cast<std::size_t>(wParam), out) ? kTrue : kFalse;
    }
    case TB_SETIMAGELIST: {
        HIMAGELIST previous = m_images;
        m_images = static_cast<HIMAGELIST>(lParam);
        return static_cast<LRESULT>(previous);
    }
    case TB_GETIMAGELIST:
        return static_cast<LRESULT>(m_images);
    case TB_SETHOTIMAGELIST: {
        HIMAGELIST previous = m_hotImages;
        m_hotImages = static_cast<HIMAGELIST>(lParam);
        return static_cast<LRESULT>(previous);
    }
    case TB_GETHOTIMAGELIST:
        return static_cast<LRESULT>(m_hotImages);
    case WM_LBUTTONDOWN:
        m_pressed = HitTest(lParam);
        return 0;
    case WM_LBUTTONUP:
        Click(hwnd, lParam);
        return 0;
    default:
        return DefWindowProc(hwnd, msg, wParam, lParam);
    }
}

} // namespace

namespace detail {

WNDPROC MakeToolbarProc() {
    auto toolbar = std::make_shared<Toolbar>();
    return [toolbar](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        return toolbar->Handle(hwnd, msg, wParam, lParam);
    };
}

} // namespace detail

bool ToolbarClickButton(HWND toolbar, int index) {
    RECT r;
    if (index < 0 || SendMessage(toolbar, TB_GETITEMRECT, static_cast<WPARAM>(index),
                                 reinterpret_cast<LPARAM>(&r)) == kFalse) {
        return false;
    }
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    const LPARAM client = MAKELPARAM(p.x, p.y);
    if (ClientToScreen(toolbar, &p)) {
        SetCursorPos(p.x, p.y);
    }
    SendMessage(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, client);
    SendMessage(toolbar, WM_LBUTTONUP, 0, client);
    return true;
}

std::string ToolbarGetTooltip(HWND toolbar, int index) {
    TBBUTTON button;
    HWND parent = GetParent(toolbar);
    if (index < 0 || parent == 0 ||
        SendMessage(toolbar, TB_GETBUTTON, static_cast<WPARAM>(index),
                    reinterpret_cast<LPARAM>(&button)) == kFalse) {
        return std::string();
    }
    NMTTDISPINFOW info;
    info.hdr.hwndFrom = toolbar;
    info.hdr.idFrom = static_cast<UINT_PTR>(static_cast<UINT>(button.idCommand));
    info.hdr.code = TTN_GETDISPINFOW;
    info.lpszText = info.szText;
    SendMessage(parent, WM_NOTIFY, static_cast<WPARAM>(GetDlgCtrlID(toolbar)),
                reinterpret_cast<LPARAM>(&info));
    return TooltipTextOf(info);
}

std::string ToolbarGetButtonText(HWND toolbar, int index) {
    TBBUTTON button;
    if (index < 0 || SendMessage(toolbar, TB_GETBUTTON, static_cast<WPARAM>(index),
                                 reinterpret_cast<LPARAM>(&button)) == kFalse) {
        return std::string();
    }
    const WPARAM id = static_cast<WPARAM>(static_cast<UINT>(button.idCommand));
    LRESULT length = SendMessage(toolbar, TB_GETBUTTONTEXTA, id, 0);
    if (length <= 0 || static_cast<std::size_t>(length) > kMaxTextBytes) {
        return std::string();
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    length = SendMessage(toolbar, TB_GETBUTTONTEXTA, id, reinterpret_cast<LPARAM>(text.data()));
    text.resize(length > 0 && static_cast<std::size_t>(length) < text.size()
                    ? static_cast<std::size_t>(length)
                    : 0);
    return text;
}

} // namespace win
