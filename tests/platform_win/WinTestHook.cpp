// A hook module for the hook tests (libtw_test_hook.so). It reports on standard output, one
// line each, unbuffered (a helper's standard output is read by the test):
//   "module loaded <thread>"    when it is loaded (static initialisation), with the thread id
//   "module unloaded"           when it is unloaded
//   "<name> <wParam> <thread> <hook wParam>" when a hook procedure sees WM_USER + 2
// TestHookFirst also turns a wParam of 7 into 70; TestHookStop does not pass the call on.
#include "platform/WinHooks.h"

#include <cstdio>
#include <unistd.h>

using namespace win;

namespace {

void Say(const char* text) {
    char line[160];
    int n = std::snprintf(line, sizeof line, "%s\n", text);
    if (n > 0) {
        ssize_t w = ::write(1, line, static_cast<std::size_t>(n));
        (void)w;
    }
}

struct Marker {
    Marker() {
        char text[64];
        std::snprintf(text, sizeof text, "module loaded %u", GetCurrentThreadId());
        Say(text);
    }
    ~Marker() { Say("module unloaded"); }
};

Marker g_marker;

void Report(const char* name, WPARAM wParam, LPARAM lParam) {
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    if (msg == nullptr || msg->message != WM_USER + 2) {
        return;
    }
    char text[128];
    std::snprintf(text, sizeof text, "%s %lu %u %lu", name, static_cast<unsigned long>(msg->wParam),
                  GetCurrentThreadId(), static_cast<unsigned long>(wParam));
    Say(text);
}

} // namespace

extern "C" LRESULT TestHookFirst(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        Report("first", wParam, lParam);
        auto* msg = reinterpret_cast<MSG*>(lParam);
        if (msg != nullptr && msg->message == WM_USER + 2 && msg->wParam == 7) {
            msg->wParam = 70;
        }
    }
    return CallNextHookEx(0, code, wParam, lParam);
}

extern "C" LRESULT TestHookSecond(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        Report("second", wParam, lParam);
    }
    return CallNextHookEx(0, code, wParam, lParam);
}

extern "C" LRESULT TestHookStop(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        Report("stop", wParam, lParam);
    }
    return 0;
}
