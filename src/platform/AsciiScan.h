// A fast test for pure ASCII text, for readers that can pass such text through unchanged
// instead of converting it byte by byte.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace platform {

// True when every byte is below 0x80; looks at eight bytes at a time. The loops compare
// pointers, not counts: a fuzz build traces every integer comparison, not those of pointers.
inline bool IsAscii(std::string_view text) {
    std::uint64_t any = 0;
    const char* p = text.data();
    const char* const words = p + (text.size() & ~std::size_t{7});
    const char* const end = p + text.size();
    for (; p != words; p += 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        any |= word;
    }
    for (; p != end; ++p) {
        any |= static_cast<unsigned char>(*p);
    }
    return (any & 0x8080808080808080ULL) == 0;
}

} // namespace platform
