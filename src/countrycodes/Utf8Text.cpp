#include "countrycodes/Utf8Text.h"

#include <cstring>

namespace countrycodes {

namespace {

// Bytes of `text` kept in a buffer of `size` bytes (size > 0).
std::size_t KeptLength(std::string_view text, std::size_t size) {
    if (text.size() < size) {
        return text.size();
    }
    std::size_t length = size - 1;
    // Step back over continuation bytes (10xxxxxx): the byte at `length` must begin a
    // character, so the kept part ends on a boundary.
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
        --length;
    }
    return length;
}

} // namespace

bool CopyUtf8(char* out, std::size_t size, std::string_view text) {
    if (out == nullptr || size == 0) {
        return text.empty();
    }
    const std::size_t length = KeptLength(text, size);
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
    return length == text.size();
}

std::string CutUtf8(std::string_view text, std::size_t size) {
    return size == 0 ? std::string() : std::string(text.substr(0, KeptLength(text, size)));
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace countrycodes
