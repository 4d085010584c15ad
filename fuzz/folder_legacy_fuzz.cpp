// Folder files in the legacy layout (version "TWD350": records without a type specifier): the
// input follows the legacy header, and whatever reads is written in the current layout and
// reads back the same.
#include "FolderRoundTrip.h"
#include "FuzzCheck.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The archived version text: its length byte, then "TWD350".
    std::string bytes("\x06TWD350");
    bytes.append(fuzz::Bytes(data, size));
    fuzz::CheckFolderRoundTrip(bytes);
    return 0;
}
