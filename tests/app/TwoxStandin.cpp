// A stand-in for the mail-client hook library: just enough exports for the wrapper's tests.
#include "platform/VersionInfo.h"

#include <cstdint>

namespace {
std::uint32_t g_window = 0;
}

extern "C" {
extern __attribute__((visibility("default")))
const TwVersionInfo tw_version_info = {2, 0, 7, "stand-in hook library"};

__attribute__((visibility("default"))) void RegisterCallbackWindow(std::uint32_t window) {
    g_window = window;
}
__attribute__((visibility("default"))) std::uint32_t GetOeWindow() {
    return g_window + 1;
}
// How often DllShutdown was called, for a test that keeps the library loaded.
__attribute__((visibility("default"))) int tw_standin_shutdowns = 0;

__attribute__((visibility("default"))) void DllShutdown() {
    g_window = 0;
    ++tw_standin_shutdowns;
}
}
