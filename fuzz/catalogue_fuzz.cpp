// libFuzzer target for the message catalogue reader and the number converter's character
// check: any bytes, never a read outside them.
#include "countrycodes/CMoCatalog.h"
#include "countrycodes/CNumberConverter.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    countrycodes::CMoCatalog catalogue;
    if (catalogue.Parse(bytes)) {
        catalogue.Find("Germany");
    }
    countrycodes::CNumberConverter::HasOnlyNumberCharacters(bytes);
    return 0;
}
