// SetWindowLongPtr / CallWindowProc over the window's chain of procedures.
#include "platform/WinSubclass.h"

#include "platform/Diagnostics.h"
#include "platform/WinProcChain.h"
#include "platform/WinWindowTable.h"

#include <exception>

namespace win {

using detail::WinProcChain;
using detail::WinWindowTable;

namespace {

LONG_PTR SetProc(HWND hwnd, LONG_PTR value) {
    std::shared_ptr<WinProcChain> chain = WinWindowTable::Instance().Chain(hwnd);
    if (!chain || value == 0) {
        return 0;
    }
    if (chain->Contains(value)) {
        LONG_PTR removed = chain->Restore(value);
        // Putting back the top link itself changes nothing and answers it.
        return removed != 0 ? removed : chain->Top();
    }
    if (WinProcChain::Find(value)) {
        // A link of another window's chain (its class procedure, say): call through it.
        return chain->Install([value](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            return CallWindowProc(value, h, m, w, l);
        });
    }
    auto fn = reinterpret_cast<WNDPROCFN>(value);
    return chain->Install(
        [fn](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT { return fn(h, m, w, l); });
}

} // namespace

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
    WinWindowTable& table = WinWindowTable::Instance();
    switch (index) {
    case GWLP_WNDPROC:
        return SetProc(hwnd, value);
    case GWLP_ID: {
        int previous = 0;
        return table.SetControlId(hwnd, static_cast<int>(value), &previous) ? previous : 0;
    }
    case GWLP_USERDATA: {
        LONG_PTR previous = 0;
        return table.SetUserData(hwnd, value, &previous) ? previous : 0;
    }
    default:
        return 0;
    }
}

LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
    return SetWindowLongPtr(hwnd, index, value);
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
    return SetWindowLongPtr(hwnd, index, value);
}

LONG_PTR GetWindowLongPtr(HWND hwnd, int index) {
    WinWindowTable& table = WinWindowTable::Instance();
    if (index == GWLP_WNDPROC) {
        std::shared_ptr<WinProcChain> chain = table.Chain(hwnd);
        return chain ? chain->Top() : 0;
    }
    detail::WinWindowInfo info;
    if (!table.Info(hwnd, &info)) {
        return 0;
    }
    switch (index) {
    case GWLP_ID:
        return info.controlId;
    case GWLP_USERDATA:
        return info.userData;
    default:
        return 0;
    }
}

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) {
    return GetWindowLongPtr(hwnd, index);
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
    return GetWindowLongPtr(hwnd, index);
}

LRESULT CallWindowProc(LONG_PTR previous, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<WinProcChain> chain = WinProcChain::Find(previous);
    if (!chain) {
        platform::ReportDiagnostic("win::CallWindowProc",
                                   "No window procedure " + std::to_string(previous));
        return 0;
    }
    try {
        return chain->Call(previous, hwnd, msg, wParam, lParam);
    } catch (const std::exception& e) {
        platform::ReportDiagnostic("win::CallWindowProc",
                                   std::string("Caught exception in window procedure: ") +
                                       e.what());
    } catch (...) {
        platform::ReportDiagnostic("win::CallWindowProc", "Unknown exception caught.");
    }
    return 0;
}

LRESULT CallWindowProcW(LONG_PTR previous, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallWindowProc(previous, hwnd, msg, wParam, lParam);
}

LRESULT CallWindowProcA(LONG_PTR previous, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallWindowProc(previous, hwnd, msg, wParam, lParam);
}

} // namespace win
