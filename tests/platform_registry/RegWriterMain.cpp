// Writes `count` DWORD values named <prefix><n> into the key "Software\Race" of the user hive,
// one write at a time, so that several of these processes race on one hive.
#include "platform/Registry.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: twreg_writer <prefix> <count>\n");
        return 2;
    }
    std::string prefix = argv[1];
    int count = std::atoi(argv[2]);
    platform::RegKey key;
    if (!key.Create(platform::RegRoot::CurrentUser, "Software\\Race")) {
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        if (!key.SetDWORD(prefix + std::to_string(i), static_cast<std::uint32_t>(i))) {
            return 1;
        }
    }
    return 0;
}
