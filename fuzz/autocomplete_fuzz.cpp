// Reads "autocomplete.dat" bytes from the fuzz input: whatever entries are read (all of them,
// or those before the damage) are written and read back unchanged.
#include "compose/CRememberedEntries.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> entries;
    std::string error;
    const bool ok = CRememberedEntries::Deserialize(bytes, entries, error);
    if (ok != error.empty()) {
        std::abort();
    }
    std::string written;
    if (!CRememberedEntries::Serialize(entries, written)) {
        std::abort();
    }
    std::vector<std::string> again;
    if (!CRememberedEntries::Deserialize(written, again, error) || again != entries) {
        std::abort();
    }
    std::string rewritten;
    if (!CRememberedEntries::Serialize(again, rewritten) || rewritten != written) {
        std::abort();
    }
    return 0;
}
