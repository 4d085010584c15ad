// Text helpers of the support library: replacing every occurrence of a text, and the number
// formats the hook library's logs use.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qsupport {

class QStringTools {
public:
    // Replaces every occurrence of `from` (not empty) by `to`, scanning left to right; the
    // replacement is not scanned again.
    static std::string ReplaceAll(std::string_view text, std::string_view from,
                                  std::string_view to);
    // "0x" and 8 hexadecimal digits, zero-filled, upper case.
    static std::string Hex8(std::uint32_t value);
};

} // namespace qsupport
