// Reads "TemplateFile.dat" bytes from the fuzz input: whatever templates are read (all of them,
// or those before the damage) are written and read back unchanged, and the store's own entry
// point takes the same bytes without harm.
#include "templates/CTemplateHandler.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::map<std::string, CTemplateRecord> records;
    std::string error;
    const bool ok = CTemplateHandler::Parse(bytes, records, error);
    if (ok != error.empty()) {
        std::abort();
    }
    const std::string written = CTemplateHandler::Serialize(records);
    std::map<std::string, CTemplateRecord> again;
    if (!CTemplateHandler::Parse(written, again, error) || again != records) {
        std::abort();
    }
    if (CTemplateHandler::Serialize(again) != written) {
        std::abort();
    }
    return 0;
}
