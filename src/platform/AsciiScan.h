// A fast test for pure ASCII text, for readers that can pass such text through unchanged
// instead of converting it byte by byte.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace platform {

// True when every byte is below 0x80; looks at eight bytes at a time.
inline bool IsAscii(std::string_view text) {
    std::uint64_t any = 0;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        any |= word;
    }
    for (; i < text.size(); ++i) {
        any |= static_cast<unsigned char>(text[i]);
    }
    return (any & 0x8080808080808080ULL) == 0;
}

} // namespace platform
