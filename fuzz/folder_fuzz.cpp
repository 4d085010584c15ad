// Folder files ("outbox.dat", "sentbox.dat") in the current layout: whatever reads is written,
// and what is written reads back to the same records and writes the same bytes again.
#include "FolderRoundTrip.h"
#include "FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::CheckFolderRoundTrip(fuzz::Bytes(data, size));
    return 0;
}
