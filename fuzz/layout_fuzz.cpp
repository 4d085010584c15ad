// Dialog layout files ("about.cfg", "firststart.cfg"): what reads is formatted and reads
// back to the same values.
#include "FuzzCheck.h"

#include "language/CLayoutFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CLayoutFile::Values values;
    CLayoutFile::Parse(fuzz::Bytes(data, size), values);
    CLayoutFile::Values again;
    CLayoutFile::Parse(CLayoutFile::Format(values), again);
    fuzz::Check(again == values, "a formatted layout reads back the same");
    return 0;
}
