// Small text helpers the whole program shares. Texts are 8-bit (UTF-8); letter case is folded
// for ASCII letters only, so multi-byte characters pass unchanged (names of keys, values,
// windows, verbs and settings are ASCII).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// True for blank, tab, CR, LF, vertical tab and form feed. One comparison for the common case
// of a character above the blank (a fuzz build traces each comparison), then a bit of the set.
inline bool IsSpace(char c) {
    constexpr unsigned long long kSpaces =
        1ULL << ' ' | 1ULL << '\t' | 1ULL << '\r' | 1ULL << '\n' | 1ULL << '\v' | 1ULL << '\f';
    const auto u = static_cast<unsigned char>(c);
    return u <= ' ' && ((kSpaces >> u) & 1) != 0;
}

inline char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The part of `text` without leading / trailing / surrounding white space (IsSpace).
inline std::string_view TrimLeftView(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size() && IsSpace(text[begin])) {
        ++begin;
    }
    return text.substr(begin);
}

inline std::string_view TrimRightView(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && IsSpace(text[end - 1])) {
        --end;
    }
    return text.substr(0, end);
}

inline std::string_view TrimView(std::string_view text) {
    return TrimLeftView(TrimRightView(text));
}

inline std::string TrimLeft(std::string_view text) {
    return std::string(TrimLeftView(text));
}

inline std::string TrimRight(std::string_view text) {
    return std::string(TrimRightView(text));
}

inline std::string Trim(std::string_view text) {
    return std::string(TrimView(text));
}

inline std::string ToLower(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = LowerAscii(c);
    }
    return result;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace platform
