// A second process for the window-message tests. It creates a top-level window and answers:
//   WM_USER + 1 (w, l)      -> returns w * 2 + l
//   WM_USER + 2 (posted)    -> writes "posted <w> <l>" to standard output
//   WM_COPYDATA             -> writes "copy <dwData> <bytes>", returns the byte count
//   registered "TestBroadcast" -> writes "broadcast <w>"
//   WM_USER + 3             -> exits at once without cleaning up (a process that dies)
//   WM_USER + 4 (w = hwnd)  -> sends WM_USER + 5 back to window w and returns its answer + 1
//   WM_USER + 6             -> returns 1 when the message came from another process
//   WM_USER + 7 (posted)    -> writes "origin <1 when from another process, else 0>"
//   WM_CLOSE                -> ends the message loop
// At start it prints "ready <hwnd> <registered TestBroadcast number>".
// With a control class name ("ToolbarWindow32", "SysListView32") the window is that control,
// the answers above taking precedence over its own.
// Usage: tw_win_helper <title> [class]
#include "platform/Win.h"
#include "platform/WinControlClass.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

using namespace win;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <title> [class]\n", argv[0]);
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const UINT broadcast = RegisterWindowMessage("TestBroadcast");
    WindowDesc desc;
    desc.title = argv[1];
    desc.className = argc > 2 ? argv[2] : "TestHelper";
    // With a control's class name the window is that control, with this procedure on top.
    WNDPROC control;
    const bool isControl = !ControlClassOf(desc.className).empty();
    WNDPROC proc = [&](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_USER + 1) {
            return static_cast<LRESULT>(w) * 2 + l;
        }
        if (m == WM_USER + 2) {
            std::printf("posted %lu %ld\n", static_cast<unsigned long>(w), static_cast<long>(l));
            return 0;
        }
        if (m == WM_COPYDATA) {
            auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(l);
            std::string bytes(static_cast<const char*>(copy->lpData), copy->cbData);
            std::printf("copy %lu %s\n", static_cast<unsigned long>(copy->dwData), bytes.c_str());
            return static_cast<LRESULT>(copy->cbData);
        }
        if (m == broadcast && broadcast != 0) {
            std::printf("broadcast %lu\n", static_cast<unsigned long>(w));
            return 0;
        }
        if (m == WM_USER + 3) {
            ::_exit(3);
        }
        if (m == WM_USER + 4) {
            return SendMessage(static_cast<HWND>(w), WM_USER + 5, 0, 0) + 1;
        }
        if (m == WM_USER + 6) {
            return InMessageFromOtherProcess() ? 1 : 0;
        }
        if (m == WM_USER + 7) {
            std::printf("origin %d\n", InMessageFromOtherProcess() ? 1 : 0);
            return 0;
        }
        if (m == WM_CLOSE) {
            PostQuitMessage(0);
        }
        return control ? control(h, m, w, l) : 0;
    };
    HWND hwnd = CreateWindow(desc, isControl ? WNDPROC() : proc);
    if (isControl && hwnd != 0) {
        control = SetWindowProc(hwnd, proc);
    }
    if (hwnd == 0) {
        std::printf("failed\n");
        return 1;
    }
    std::printf("ready %u %u\n", hwnd, broadcast);
    MSG msg;
    while (GetMessage(&msg)) {
        DispatchMessage(msg);
    }
    DestroyWindow(hwnd);
    std::printf("bye\n");
    return 0;
}
