// Child windows, geometry, the cursor and the UTF-16 texts of notifications.
#include "platform/WinChildren.h"

#include "platform/StringUtil.h"
#include "platform/Utf8.h"
#include "platform/WinWindowEvents.h"
#include "platform/WinWindowTable.h"

#include <algorithm>
#include <mutex>

namespace win {

using detail::WinWindowInfo;
using detail::WinWindowTable;

namespace {

bool LocalInfo(HWND hwnd, WinWindowInfo* info) {
    return hwnd != 0 && WinWindowTable::Instance().Info(hwnd, info);
}

bool Matches(const WinWindowInfo& info, const std::string& className, const std::string& title) {
    return (className.empty() || platform::EqualsNoCase(info.className, className)) &&
           (title.empty() || platform::EqualsNoCase(info.title, title));
}

// Screen position of the window's client-area origin. The depth bound guards against a
// damaged parent chain.
bool ClientOrigin(HWND hwnd, POINT* origin) {
    POINT p;
    WinWindowInfo info;
    if (!LocalInfo(hwnd, &info)) {
        return false;
    }
    for (int depth = 0; depth < 4096; ++depth) {
        p.x += info.x;
        p.y += info.y;
        if (info.parent == 0) {
            *origin = p;
            return true;
        }
        if (!LocalInfo(info.parent, &info)) {
            return false;
        }
    }
    return false;
}

bool EnumDescendants(HWND parent, const WNDENUMPROC& callback, int depth) {
    if (depth > 4096) {
        return false;
    }
    for (HWND child : WinWindowTable::Instance().Children(parent)) {
        if (!callback(child) || !EnumDescendants(child, callback, depth + 1)) {
            return false;
        }
    }
    return true;
}

std::mutex g_cursorMutex;
POINT g_cursor;

constexpr std::size_t kTooltipMaxUnits = TOOLTIP_TEXT_CAPACITY - 1;

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Cuts UTF-16 text to at most `max` code units, never between the halves of a pair.
std::u16string_view CutUtf16(std::u16string_view text, std::size_t max) {
    if (text.size() <= max) {
        return text;
    }
    std::size_t n = max;
    if (n > 0 && IsHighSurrogate(text[n - 1])) {
        --n;
    }
    return text.substr(0, n);
}

} // namespace

// --- Texts ------------------------------------------------------------------------------

int CopyUtf8ToBuffer(const std::string& text, char* buffer, int bufferSize) {
    if (buffer == nullptr || bufferSize <= 0) {
        return 0;
    }
    std::size_t n = std::min(text.size(), static_cast<std::size_t>(bufferSize) - 1);
    // Never end inside a character: step back over continuation bytes.
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) {
        --n;
    }
    text.copy(buffer, n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

std::u16string Utf8ToUtf16(const std::string& text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t cp = 0xFFFD;
        std::size_t length = 1;
        if (!platform::DecodeUtf8(text, pos, cp, length)) {
            cp = 0xFFFD;
        }
        pos += length;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            cp = 0x10000 + ((static_cast<char32_t>(text[i]) - 0xD800) << 10) +
                 (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
            cp = 0xFFFD; // a lone half of a pair
        }
        platform::AppendUtf8(out, cp);
    }
    return out;
}

void SetTooltipText(NMTTDISPINFOW* info, const std::string& text) {
    if (info == nullptr) {
        return;
    }
    std::u16string wide = Utf8ToUtf16(text);
    std::u16string_view cut = CutUtf16(wide, kTooltipMaxUnits);
    std::copy(cut.begin(), cut.end(), info->szText);
    info->szText[cut.size()] = 0;
    info->lpszText = info->szText;
    info->hinst = nullptr;
}

std::string TooltipTextOf(const NMTTDISPINFOW& info) {
    const WCHAR* source = info.lpszText;
    if (source == nullptr || source == info.szText) {
        source = info.szText;
    } else if (info.hinst != nullptr || reinterpret_cast<std::uintptr_t>(source) < 0x10000) {
        return std::string(); // a resource number: there are no resources to load it from
    }
    // Read at most 79 units plus one more to see whether the text goes on (the answer's own
    // buffer has 80); a pair cut in two at the end is dropped.
    std::size_t n = 0;
    while (n < kTooltipMaxUnits + 1 && source[n] != 0) {
        ++n;
    }
    return Utf16ToUtf8(CutUtf16(std::u16string_view(source, n), kTooltipMaxUnits));
}

// --- Children ---------------------------------------------------------------------------

int GetDlgCtrlID(HWND hwnd) {
    WinWindowInfo info;
    return LocalInfo(hwnd, &info) ? info.controlId : 0;
}

HWND GetDlgItem(HWND parent, int controlId) {
    for (HWND child : WinWindowTable::Instance().Children(parent)) {
        if (GetDlgCtrlID(child) == controlId) {
            return child;
        }
    }
    return 0;
}

HWND FindWindowEx(HWND parent, HWND childAfter, const std::string& className,
                  const std::string& title) {
    std::vector<HWND> candidates =
        parent == 0 ? WinWindowTable::Instance().FindTopLevel(std::string(), std::string(), false)
                    : WinWindowTable::Instance().Children(parent);
    bool started = childAfter == 0;
    for (HWND hwnd : candidates) {
        if (!started) {
            started = hwnd == childAfter;
            continue;
        }
        WinWindowInfo info;
        if (LocalInfo(hwnd, &info) && Matches(info, className, title)) {
            return hwnd;
        }
    }
    return 0;
}

std::vector<HWND> GetChildWindows(HWND parent) {
    if (parent == 0) {
        return {};
    }
    return WinWindowTable::Instance().Children(parent);
}

std::vector<HWND> FindChildWindows(HWND parent, const std::string& className, bool recursive) {
    std::vector<HWND> out;
    if (parent == 0) {
        return out;
    }
    auto take = [&](HWND hwnd) {
        WinWindowInfo info;
        if (LocalInfo(hwnd, &info) && Matches(info, className, std::string())) {
            out.push_back(hwnd);
        }
        return true;
    };
    if (recursive) {
        EnumDescendants(parent, take, 0);
    } else {
        for (HWND child : WinWindowTable::Instance().Children(parent)) {
            take(child);
        }
    }
    return out;
}

bool EnumChildWindows(HWND parent, const WNDENUMPROC& callback) {
    if (parent == 0 || !callback) {
        return false;
    }
    return EnumDescendants(parent, callback, 0);
}

bool IsWindowUnicode(HWND hwnd) {
    return IsWindow(hwnd);
}

// --- Geometry and the cursor ------------------------------------------------------------

bool MoveWindow(HWND hwnd, int x, int y, int width, int height, bool) {
    if (width < 0 || height < 0 ||
        !WinWindowTable::Instance().SetGeometry(hwnd, x, y, width, height)) {
        return false;
    }
    if (GetParent(hwnd) != 0) {
        SendMessage(hwnd, WM_CHILDACTIVATE, 0, 0);
    }
    return true;
}

bool GetWindowRect(HWND hwnd, RECT* rect) {
    WinWindowInfo info;
    POINT origin;
    if (rect == nullptr || !LocalInfo(hwnd, &info) || !ClientOrigin(hwnd, &origin)) {
        return false;
    }
    *rect = RECT{origin.x, origin.y, origin.x + info.width, origin.y + info.height};
    return true;
}

bool GetClientRect(HWND hwnd, RECT* rect) {
    WinWindowInfo info;
    if (rect == nullptr || !LocalInfo(hwnd, &info)) {
        return false;
    }
    *rect = RECT{0, 0, info.width, info.height};
    return true;
}

bool ScreenToClient(HWND hwnd, POINT* point) {
    POINT origin;
    if (point == nullptr || !ClientOrigin(hwnd, &origin)) {
        return false;
    }
    point->x -= origin.x;
    point->y -= origin.y;
    return true;
}

bool ClientToScreen(HWND hwnd, POINT* point) {
    POINT origin;
    if (point == nullptr || !ClientOrigin(hwnd, &origin)) {
        return false;
    }
    point->x += origin.x;
    point->y += origin.y;
    return true;
}

bool GetCursorPos(POINT* point) {
    if (point == nullptr) {
        return false;
    }
    std::lock_guard<std::mutex> lock(g_cursorMutex);
    *point = g_cursor;
    return true;
}

bool SetCursorPos(int x, int y) {
    std::lock_guard<std::mutex> lock(g_cursorMutex);
    g_cursor = POINT{x, y};
    return true;
}

namespace detail {

void NotifyAncestors(HWND child, UINT event) {
    WinWindowInfo info;
    if (!LocalInfo(child, &info) || info.parent == 0) {
        return;
    }
    const WPARAM wParam = MAKEWPARAM(static_cast<WORD>(event), static_cast<WORD>(info.controlId));
    HWND ancestor = info.parent;
    for (int depth = 0; ancestor != 0 && depth < 4096; ++depth) {
        SendMessage(ancestor, WM_PARENTNOTIFY, wParam, static_cast<LPARAM>(child));
        WinWindowInfo up;
        if (!LocalInfo(ancestor, &up)) {
            break;
        }
        ancestor = up.parent;
    }
}

} // namespace detail

} // namespace win
