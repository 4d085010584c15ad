// UTF-8 coding shared by everything that converts text: one character appended as UTF-8, one
// character decoded strictly (overlong forms, surrogates and values past U+10FFFF are
// invalid), and a whole-text check built on the decoder (with a fast path for ASCII).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace platform {

// Appends `cp` (at most U+10FFFF) as UTF-8.
inline void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes the character at `pos` (which must be inside `text`) into `cp` and its byte count
// into `length`. False on invalid bytes; `length` is then 1 and `cp` is unchanged.
inline bool DecodeUtf8(std::string_view text, std::size_t pos, char32_t& cp, std::size_t& length) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char b0 = byte(pos);
    length = 1;
    if (b0 < 0x80) {
        cp = b0;
        return true;
    }
    std::size_t need = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((b0 & 0xE0) == 0xC0) {
        need = 1;
        value = b0 & 0x1F;
        minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        need = 2;
        value = b0 & 0x0F;
        minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        need = 3;
        value = b0 & 0x07;
        minimum = 0x10000;
    } else {
        return false;
    }
    if (pos + need >= text.size()) {
        return false;
    }
    for (std::size_t i = 1; i <= need; ++i) {
        const unsigned char b = byte(pos + i);
        if ((b & 0xC0) != 0x80) {
            return false;
        }
        value = (value << 6) | (b & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return false;
    }
    cp = value;
    length = need + 1;
    return true;
}

inline bool IsValidUtf8(std::string_view text) {
    char32_t cp = 0;
    std::size_t length = 0;
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    // Runs of ASCII, the common case, are passed eight bytes at a time while eight bytes are
    // left. The loop compares pointers: a fuzz build traces every integer comparison.
    const char* const words = text.size() >= 8 ? end - 7 : begin;
    const char* p = begin;
    while (p != end) {
        if (p < words) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            if ((word & 0x8080808080808080ULL) == 0) {
                p += 8;
                continue;
            }
        }
        if (!DecodeUtf8(text, static_cast<std::size_t>(p - begin), cp, length)) {
            return false;
        }
        p += length;
    }
    return true;
}

} // namespace platform
