// Child windows: notifications to the ancestors, destruction order, lookup by class and id,
// geometry, and subclass chains restored in any order.
#include "platform/WinChildren.h"
#include "platform/Win.h"
#include "platform/WinSubclass.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace win;

namespace {

struct Event {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const Event&) const = default;
};

// Records the messages of every window it made, in the order they arrive.
class Tree {
public:
    HWND Make(const std::string& className, HWND parent, int id = 0, int x = 0, int y = 0,
              int width = 100, int height = 50) {
        WindowDesc desc;
        desc.className = className;
        desc.title = className;
        desc.parent = parent;
        desc.controlId = id;
        desc.x = x;
        desc.y = y;
        desc.width = width;
        desc.height = height;
        return CreateWindow(desc, [this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            if (m == WM_PARENTNOTIFY || m == WM_DESTROY || m == WM_CHILDACTIVATE) {
                events.push_back(Event{h, m, w, l});
            }
            return 0;
        });
    }
    std::vector<Event> events;
};

} // namespace

TEST(WinChildren, ParentNotifyReachesEveryAncestorAndChildrenGoFirst) {
    Tree t;
    HWND top = t.Make("Top", 0);
    HWND middle = t.Make("Middle", top, 7);
    HWND leaf = t.Make("Leaf", middle, 2101);
    const LPARAM leafL = static_cast<LPARAM>(leaf);
    EXPECT_EQ(t.events,
              (std::vector<Event>{
                  {top, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, 7), static_cast<LPARAM>(middle)},
                  {middle, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, 2101), leafL},
                  {top, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, 2101), leafL},
              }));
    t.events.clear();
    ASSERT_TRUE(DestroyWindow(middle));
    EXPECT_EQ(t.events,
              (std::vector<Event>{
                  {top, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, 7), static_cast<LPARAM>(middle)},
                  {middle, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, 2101), leafL},
                  {top, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, 2101), leafL},
                  {leaf, WM_DESTROY, 0, 0},
                  {middle, WM_DESTROY, 0, 0},
              }));
    EXPECT_FALSE(IsWindow(leaf));
    EXPECT_TRUE(IsWindow(top));
    t.events.clear();
    DestroyWindow(top);
    EXPECT_EQ(t.events, (std::vector<Event>{{top, WM_DESTROY, 0, 0}})) << "no child left";
}

TEST(WinChildren, LookupByClassIdAndOrder) {
    Tree t;
    HWND main = t.Make("Outlook Express Browser Class", 0);
    HWND rebarBox = t.Make("SizableRebar", main, 1);
    HWND rebar = t.Make("RebarWindow32", rebarBox, 2);
    HWND first = t.Make("ToolbarWindow32", rebar, 2100);
    HWND second = t.Make("ToolbarWindow32", rebar, 2101);
    HWND view = t.Make("Outlook Express Message View", main, 3);

    EXPECT_EQ(FindWindowEx(main, 0, "sizablerebar", ""), rebarBox) << "no regard to case";
    EXPECT_EQ(FindWindowEx(main, 0, "RebarWindow32", ""), 0u) << "direct children only";
    EXPECT_EQ(FindWindowEx(rebar, 0, "ToolbarWindow32", ""), first) << "creation order";
    EXPECT_EQ(FindWindowEx(rebar, first, "ToolbarWindow32", ""), second);
    EXPECT_EQ(FindWindowEx(rebar, second, "ToolbarWindow32", ""), 0u);
    EXPECT_EQ(FindWindowEx(0, 0, "Outlook Express Browser Class", ""), main);
    EXPECT_EQ(GetDlgCtrlID(second), 2101);
    EXPECT_EQ(GetDlgItem(rebar, 2101), second);
    EXPECT_EQ(GetDlgItem(rebar, 9), 0u);
    EXPECT_EQ(GetChildWindows(main), (std::vector<HWND>{rebarBox, view}));
    EXPECT_EQ(FindChildWindows(main, "ToolbarWindow32", true), (std::vector<HWND>{first, second}));
    EXPECT_TRUE(FindChildWindows(main, "ToolbarWindow32", false).empty());
    std::vector<HWND> walked;
    EnumChildWindows(main, [&](HWND h) {
        walked.push_back(h);
        return h != first; // stops there
    });
    EXPECT_EQ(walked, (std::vector<HWND>{rebarBox, rebar, first}));
    EXPECT_EQ(SetWindowLongPtr(second, GWLP_ID, 42), 2101);
    EXPECT_EQ(GetWindowLongPtr(second, GWLP_ID), 42);
    EXPECT_TRUE(IsWindowUnicode(second));
    DestroyWindow(main);
    EXPECT_FALSE(IsWindow(second));
    EXPECT_EQ(FindWindowEx(0, 0, "Outlook Express Browser Class", ""), 0u);
}

TEST(WinChildren, PositionsAddUpTheParentChainAndMovingAChildActivatesIt) {
    Tree t;
    HWND top = t.Make("Top", 0, 0, 100, 200, 800, 600);
    HWND child = t.Make("Child", top, 1, 10, 20, 300, 300);
    HWND grandchild = t.Make("Grandchild", child, 2, 5, 6, 50, 50);
    POINT p{0, 0};
    ASSERT_TRUE(ClientToScreen(grandchild, &p));
    EXPECT_EQ(p.x, 115);
    EXPECT_EQ(p.y, 226);
    ASSERT_TRUE(ScreenToClient(grandchild, &p));
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    RECT r;
    ASSERT_TRUE(GetWindowRect(child, &r));
    EXPECT_EQ(r.left, 110);
    EXPECT_EQ(r.bottom, 220 + 300);
    ASSERT_TRUE(GetClientRect(child, &r));
    EXPECT_EQ(r.right, 300);
    t.events.clear();
    ASSERT_TRUE(MoveWindow(child, 0, 0, 10, 10));
    EXPECT_EQ(t.events, (std::vector<Event>{{child, WM_CHILDACTIVATE, 0, 0}}));
    ASSERT_TRUE(SetCursorPos(-5, 7));
    ASSERT_TRUE(GetCursorPos(&p));
    EXPECT_EQ(p.x, -5);
    EXPECT_EQ(p.y, 7);
    EXPECT_EQ(GET_X_LPARAM(MAKELPARAM(-5, 7)), -5) << "negative screen points survive packing";
    DestroyWindow(top);
    EXPECT_FALSE(ScreenToClient(grandchild, &p));
}

namespace {

// Three subclasses of one window, each adding its digit to the answer of the ones below it.
// The plain functions find their previous procedure in these slots, as a hook library does.
LONG_PTR g_previous[3];

template <int N> LRESULT Digit(HWND h, UINT m, WPARAM w, LPARAM l) {
    LRESULT below = CallWindowProc(g_previous[N], h, m, w, l);
    return m == WM_USER ? below * 10 + (N + 1) : below;
}

constexpr WNDPROCFN kDigits[3] = {&Digit<0>, &Digit<1>, &Digit<2>};

} // namespace

TEST(WinChildren, SubclassChainsRestoreInAnyOrder) {
    // Every order of taking the three subclasses off again.
    const int orders[6][3] = {{2, 1, 0}, {0, 1, 2}, {1, 0, 2}, {1, 2, 0}, {0, 2, 1}, {2, 0, 1}};
    for (const auto& order : orders) {
        WindowDesc desc;
        desc.className = "Subclassed";
        HWND hwnd = CreateWindow(
            desc, [](HWND, UINT m, WPARAM, LPARAM) -> LRESULT { return m == WM_USER ? 9 : 0; });
        const LONG_PTR original = GetWindowLongPtr(hwnd, GWLP_WNDPROC);
        for (int n = 0; n < 3; ++n) {
            g_previous[n] =
                SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(kDigits[n]));
            ASSERT_NE(g_previous[n], 0);
        }
        EXPECT_EQ(g_previous[0], original);
        EXPECT_EQ(SendMessage(hwnd, WM_USER, 0, 0), 9123);
        bool in[3] = {true, true, true};
        for (int step = 0; step < 3; ++step) {
            const int n = order[step];
            EXPECT_NE(SetWindowLongPtrW(hwnd, GWLP_WNDPROC, g_previous[n]), 0);
            in[n] = false;
            LRESULT expected = 9;
            for (int k = 0; k < 3; ++k) {
                if (in[k]) {
                    expected = expected * 10 + (k + 1);
                }
            }
            EXPECT_EQ(SendMessage(hwnd, WM_USER, 0, 0), expected)
                << "order " << order[0] << order[1] << order[2] << ", step " << step;
        }
        EXPECT_EQ(GetWindowLongPtr(hwnd, GWLP_WNDPROC), original);
        DestroyWindow(hwnd);
        EXPECT_EQ(CallWindowProc(g_previous[1], hwnd, WM_USER, 0, 0), 0)
            << "a link of a destroyed window is no procedure any more";
    }
}

TEST(WinChildren, FunctionSubclassesAndPlainSubclassesShareOneChain) {
    WindowDesc desc;
    desc.className = "Mixed";
    HWND hwnd = CreateWindow(
        desc, [](HWND, UINT m, WPARAM, LPARAM) -> LRESULT { return m == WM_USER ? 9 : 0; });
    g_previous[0] = SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(kDigits[0]));
    WNDPROC below;
    below = SetWindowProc(hwnd, [&below](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        LRESULT r = below(h, m, w, l);
        return m == WM_USER ? r * 10 + 5 : r;
    });
    EXPECT_EQ(SendMessage(hwnd, WM_USER, 0, 0), 915);
    // The lower subclass leaves first: the upper one still reaches the original.
    EXPECT_NE(SetWindowLongPtr(hwnd, GWLP_WNDPROC, g_previous[0]), 0);
    EXPECT_EQ(SendMessage(hwnd, WM_USER, 0, 0), 95);
    EXPECT_TRUE(SetWindowProc(hwnd, below));
    EXPECT_EQ(SendMessage(hwnd, WM_USER, 0, 0), 9);
    EXPECT_EQ(CallWindowProc(12345, hwnd, WM_USER, 0, 0), 0) << "no such procedure";
    DestroyWindow(hwnd);
}
