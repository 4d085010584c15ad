// Settings hive text (REGEDIT4): what reads is written as a save writes it, and that text reads
// without damage to the same text again.
#include "FuzzCheck.h"

#include "platform/Registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte picks the hive, so both root names are covered.
    if (size == 0) {
        return 0;
    }
    const platform::RegRoot root =
        (data[0] & 1) != 0 ? platform::RegRoot::LocalMachine : platform::RegRoot::CurrentUser;
    const std::string written = platform::RegRewriteHiveText(root, fuzz::Bytes(data + 1, size - 1));
    std::size_t damaged = 0;
    const std::string again = platform::RegRewriteHiveText(root, written, &damaged);
    fuzz::Check(damaged == 0, "a written hive has no damaged line");
    fuzz::Check(again == written, "a written hive reads and writes back the same");
    return 0;
}
