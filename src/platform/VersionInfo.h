// Version information compiled into a deliverable. Each shared library of the system
// exports one object of this type under the C name "tw_version_info", so the program can
// read a library's version without loading any code of it beyond the symbol.
#pragma once

#include <cstdint>

extern "C" {
struct TwVersionInfo {
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t build;
    const char* comments;  // free text ("Comments"); may be empty, never null
};
}

#define TW_VERSION_SYMBOL "tw_version_info"
