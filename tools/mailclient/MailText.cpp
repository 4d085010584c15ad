#include "MailText.h"

#include "platform/AsciiScan.h"
#include "platform/StringUtil.h"
#include "platform/Utf8.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace mailclient {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// The base64 alphabet, read by the decoder and written by the encoder.
constexpr std::string_view kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<signed char, 256> kBase64Values = [] {
    std::array<signed char, 256> values{};
    values.fill(-1);
    for (std::size_t i = 0; i < kBase64Alphabet.size(); ++i) {
        values[static_cast<unsigned char>(kBase64Alphabet[i])] = static_cast<signed char>(i);
    }
    return values;
}();

int Base64Value(char c) {
    return kBase64Values[static_cast<unsigned char>(c)];
}

using platform::IsAscii;

// Windows-1252 characters of 0x80..0x9F; 0 where the code page leaves a hole.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

enum class Charset { Utf8, Latin1, Cp1252 };

Charset CharsetOf(std::string_view name) {
    const std::string lower = platform::ToLower(platform::TrimView(name));
    if (lower == "iso-8859-1" || lower == "iso8859-1" || lower == "latin1" ||
        lower == "iso-8859-15" || lower == "us-ascii" || lower == "ascii") {
        // US-ASCII mail with stray 8-bit bytes is nearly always Latin-1 in practice.
        return Charset::Latin1;
    }
    if (lower == "windows-1252" || lower == "cp1252") {
        return Charset::Cp1252;
    }
    return Charset::Utf8;
}

} // namespace

std::string DecodeQuotedPrintable(std::string_view text, bool headerForm) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (headerForm && c == '_') {
            out.push_back(' ');
            continue;
        }
        if (c != '=') {
            out.push_back(c);
            continue;
        }
        // A soft line break: "=" followed by optional blanks and the end of the line.
        std::size_t j = i + 1;
        while (j < text.size() && (text[j] == ' ' || text[j] == '\t')) {
            ++j;
        }
        if (j < text.size() && (text[j] == '\r' || text[j] == '\n')) {
            if (text[j] == '\r' && j + 1 < text.size() && text[j + 1] == '\n') {
                ++j;
            }
            i = j;
            continue;
        }
        if (i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
            continue;
        }
        out.push_back(c);
    }
    return out;
}

std::string EncodeBase64(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t group =
            static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16 |
            static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8 |
            static_cast<unsigned char>(bytes[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6) {
            out.push_back(kBase64Alphabet[(group >> shift) & 0x3F]);
        }
    }
    const std::size_t left = bytes.size() - i;
    if (left > 0) {
        std::uint32_t group = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]))
                              << 16;
        if (left == 2) {
            group |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        }
        out.push_back(kBase64Alphabet[(group >> 18) & 0x3F]);
        out.push_back(kBase64Alphabet[(group >> 12) & 0x3F]);
        out.push_back(left == 2 ? kBase64Alphabet[(group >> 6) & 0x3F] : '=');
        out.push_back('=');
    }
    return out;
}

std::string DecodeBase64(std::string_view text) {
    std::string out;
    out.reserve(text.size() / 4 * 3);
    std::uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        if (c == '=') {
            break;
        }
        const int v = Base64Value(c);
        if (v < 0) {
            continue;
        }
        bits = (bits << 6) | static_cast<std::uint32_t>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out.push_back(static_cast<char>((bits >> count) & 0xFF));
        }
    }
    return out;
}

std::string ToUtf8(std::string_view bytes, std::string_view charset) {
    // ASCII is the same in every known character set; most headers and bodies are ASCII.
    if (IsAscii(bytes)) {
        return std::string(bytes);
    }
    const Charset set = CharsetOf(charset);
    std::string out;
    out.reserve(bytes.size());
    if (set != Charset::Utf8) {
        for (char c : bytes) {
            const auto b = static_cast<unsigned char>(c);
            char32_t cp = b;
            if (set == Charset::Cp1252 && b >= 0x80 && b < 0xA0) {
                cp = kCp1252High[b - 0x80] != 0 ? kCp1252High[b - 0x80] : 0xFFFD;
            }
            platform::AppendUtf8(out, cp);
        }
        return out;
    }
    if (platform::IsValidUtf8(bytes)) {
        return std::string(bytes);
    }
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        char32_t cp = 0;
        std::size_t length = 1;
        if (platform::DecodeUtf8(bytes, pos, cp, length)) {
            out.append(bytes.substr(pos, length));
        } else {
            platform::AppendUtf8(out, 0xFFFD);
        }
        pos += length;
    }
    return out;
}

std::string DecodeEncodedWords(std::string_view value) {
    std::string out;
    std::size_t pos = 0;
    // Blanks after an encoded word are held back until we know whether another word follows.
    std::string pendingBlanks;
    bool lastWasEncoded = false;
    while (pos < value.size()) {
        const std::size_t start = value.find("=?", pos);
        std::size_t q1 = std::string_view::npos;
        std::size_t q2 = std::string_view::npos;
        std::size_t end = std::string_view::npos;
        if (start != std::string_view::npos) {
            q1 = value.find('?', start + 2);
            if (q1 != std::string_view::npos && q1 + 2 < value.size() && value[q1 + 2] == '?') {
                q2 = q1 + 2;
                end = value.find("?=", q2 + 1);
            }
        }
        if (end == std::string_view::npos) {
            out += pendingBlanks;
            pendingBlanks.clear();
            out.append(value.substr(pos));
            break;
        }
        std::string_view between = value.substr(pos, start - pos);
        const bool onlyBlanks = platform::TrimView(between).empty();
        if (!(lastWasEncoded && onlyBlanks)) {
            out += pendingBlanks;
            out.append(between);
        }
        pendingBlanks.clear();
        const std::string_view charset = value.substr(start + 2, q1 - start - 2);
        const char kind = platform::LowerAscii(value[q1 + 1]);
        const std::string_view payload = value.substr(q2 + 1, end - q2 - 1);
        if (kind == 'q' || kind == 'b') {
            const std::string raw =
                kind == 'q' ? DecodeQuotedPrintable(payload, true) : DecodeBase64(payload);
            // "charset*language" names a language after the star.
            out += ToUtf8(raw, charset.substr(0, charset.find('*')));
            lastWasEncoded = true;
        } else {
            out.append(value.substr(start, end + 2 - start));
            lastWasEncoded = false;
        }
        pos = end + 2;
        std::size_t blanks = pos;
        while (blanks < value.size() && (value[blanks] == ' ' || value[blanks] == '\t')) {
            ++blanks;
        }
        if (lastWasEncoded) {
            pendingBlanks = std::string(value.substr(pos, blanks - pos));
            pos = blanks;
        }
    }
    out += pendingBlanks;
    return out;
}

} // namespace mailclient
