// Cost of what a hook library does on every message of a subclassed window (a send through a
// chain of subclasses) and of the list-view and lookup calls it makes per user action.
#include "platform/Win.h"
#include "platform/WinChildren.h"
#include "platform/WinListView.h"
#include "platform/WinSubclass.h"

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

using namespace win;

namespace {

LONG_PTR g_previous[8];

template <int N> LRESULT PassOn(HWND h, UINT m, WPARAM w, LPARAM l) {
    return CallWindowProc(g_previous[N], h, m, w, l);
}
constexpr WNDPROCFN kPassOn[8] = {&PassOn<0>, &PassOn<1>, &PassOn<2>, &PassOn<3>,
                                  &PassOn<4>, &PassOn<5>, &PassOn<6>, &PassOn<7>};

void BM_SendThroughSubclassChain(benchmark::State& state) {
    WindowDesc desc;
    desc.className = "Bench";
    HWND hwnd = CreateWindow(
        desc, [](HWND, UINT, WPARAM w, LPARAM) -> LRESULT { return static_cast<LRESULT>(w); });
    const int links = static_cast<int>(state.range(0));
    for (int n = 0; n < links; ++n) {
        g_previous[n] =
            SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(kPassOn[n]));
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(SendMessage(hwnd, WM_USER, 1, 0));
    }
    DestroyWindow(hwnd);
}
BENCHMARK(BM_SendThroughSubclassChain)->Arg(0)->Arg(1)->Arg(3)->Arg(8);

// Reading every column of the selected one of 10000 mails, as a context-menu check does.
void BM_ListViewSelectedItemColumns(benchmark::State& state) {
    WindowDesc desc;
    desc.className = WC_LISTVIEW;
    HWND list = CreateWindow(desc, nullptr);
    for (int c = 0; c < 5; ++c) {
        LVCOLUMN column;
        column.mask = LVCF_WIDTH;
        column.cx = 100;
        SendMessage(list, LVM_INSERTCOLUMN, static_cast<WPARAM>(c),
                    reinterpret_cast<LPARAM>(&column));
    }
    const std::string text(200, 'x');
    for (int i = 0; i < 10000; ++i) {
        LVITEM item;
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<char*>(text.c_str());
        SendMessage(list, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item));
        for (int c = 1; c < 5; ++c) {
            LVITEM sub;
            sub.iSubItem = c;
            sub.pszText = const_cast<char*>(text.c_str());
            SendMessage(list, LVM_SETITEMTEXT, static_cast<WPARAM>(i),
                        reinterpret_cast<LPARAM>(&sub));
        }
    }
    LVITEM selected;
    selected.stateMask = LVIS_SELECTED;
    selected.state = LVIS_SELECTED;
    SendMessage(list, LVM_SETITEMSTATE, 9999, reinterpret_cast<LPARAM>(&selected));
    std::vector<char> buffer(1024);
    for (auto _ : state) {
        const LRESULT row =
            SendMessage(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
        for (int c = 0; c < 5; ++c) {
            LVITEM item;
            item.iSubItem = c;
            item.pszText = buffer.data();
            item.cchTextMax = static_cast<int>(buffer.size());
            benchmark::DoNotOptimize(SendMessage(list, LVM_GETITEMTEXT, static_cast<WPARAM>(row),
                                                 reinterpret_cast<LPARAM>(&item)));
        }
    }
    DestroyWindow(list);
}
BENCHMARK(BM_ListViewSelectedItemColumns);

// Finding the last of 100 children by class.
void BM_FindWindowExAmongChildren(benchmark::State& state) {
    WindowDesc desc;
    desc.className = "Parent";
    HWND parent = CreateWindow(desc, DefWindowProc);
    desc.parent = parent;
    for (int i = 0; i < 100; ++i) {
        desc.className = i == 99 ? "Outlook Express Message View" : "Other";
        CreateWindow(desc, DefWindowProc);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(FindWindowEx(parent, 0, "Outlook Express Message View", ""));
    }
    DestroyWindow(parent);
}
BENCHMARK(BM_FindWindowExAmongChildren);

} // namespace
