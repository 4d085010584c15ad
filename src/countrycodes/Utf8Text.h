// Copying library texts into the callers' fixed-size C buffers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace countrycodes {

// Copies `text` into `out` (`size` bytes, terminator included), always terminated. A text
// that does not fit is cut at the last UTF-8 character boundary that fits, so no character
// is ever split. Nothing is written when `out` is null or `size` is 0. True when the whole
// text fitted.
bool CopyUtf8(char* out, std::size_t size, std::string_view text);

// The longest start of `text` that fits in `size` bytes with a terminator, cut at a UTF-8
// character boundary: what CopyUtf8 would leave in such a buffer.
std::string CutUtf8(std::string_view text, std::size_t size);

// ASCII letters compared without regard to case; other bytes exactly.
bool EqualsAsciiNoCase(std::string_view a, std::string_view b);

} // namespace countrycodes
