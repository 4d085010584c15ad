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

// The base64 alphabet, written by the encoder; the decoder reads it through the table of values.
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

char Base64Char(std::uint32_t sextet) {
    return kBase64Alphabet[sextet & 0x3F];
}

// The value of a base64 character, -1 for one outside the alphabet.
int Base64Value(unsigned char c) {
    return kBase64Values[c];
}

using platform::IsAscii;

// Windows-1252 characters of 0x80..0x9F; 0 where the code page leaves a hole.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

enum class Charset { Utf8, Latin1, Cp1252 };

struct CharsetName {
    std::string_view name;
    Charset set;
};

// The names read as a single-byte set; any other name (or none) is read as UTF-8. US-ASCII
// mail with stray 8-bit bytes is nearly always Latin-1 in practice.
constexpr std::array<CharsetName, 8> kCharsetNames = {{{"iso-8859-1", Charset::Latin1},
                                                       {"iso8859-1", Charset::Latin1},
                                                       {"latin1", Charset::Latin1},
                                                       {"iso-8859-15", Charset::Latin1},
                                                       {"us-ascii", Charset::Latin1},
                                                       {"ascii", Charset::Latin1},
                                                       {"windows-1252", Charset::Cp1252},
                                                       {"cp1252", Charset::Cp1252}}};

Charset CharsetOf(std::string_view name) {
    const std::string_view trimmed = platform::TrimView(name);
    for (const CharsetName& known : kCharsetNames) {
        if (platform::EqualsNoCase(trimmed, known.name)) {
            return known.set;
        }
    }
    return Charset::Utf8;
}

// Appends `bytes` (which need converting: not pure ASCII, and not valid UTF-8 when `set` is
// UTF-8) as UTF-8. Runs that stay as they are are appended in one piece.
void AppendConverted(std::string& out, std::string_view bytes, Charset set) {
    out.reserve(out.size() + bytes.size() + bytes.size() / 2);
    std::size_t run = 0;
    std::size_t pos = 0;
    if (set != Charset::Utf8) {
        for (; pos < bytes.size(); ++pos) {
            const auto b = static_cast<unsigned char>(bytes[pos]);
            if (b < 0x80) {
                continue;
            }
            out.append(bytes.substr(run, pos - run));
            run = pos + 1;
            char32_t cp = b;
            if (set == Charset::Cp1252 && b < 0xA0) {
                cp = kCp1252High[b - 0x80] != 0 ? kCp1252High[b - 0x80] : 0xFFFD;
            }
            platform::AppendUtf8(out, cp);
        }
        out.append(bytes.substr(run));
        return;
    }
    while (pos < bytes.size()) {
        char32_t cp = 0;
        std::size_t length = 1;
        if (!platform::DecodeUtf8(bytes, pos, cp, length)) {
            out.append(bytes.substr(run, pos - run));
            platform::AppendUtf8(out, 0xFFFD);
            run = pos + length;
        }
        pos += length;
    }
    out.append(bytes.substr(run));
}

// True when `bytes` read in `set` are already the UTF-8 text ToUtf8 gives.
bool IsUtf8As(std::string_view bytes, Charset set) {
    return IsAscii(bytes) || (set == Charset::Utf8 && platform::IsValidUtf8(bytes));
}

// Whether a byte ends a run of text the quoted-printable decoder copies as it stands.
bool IsQuotedPrintableSpecial(char c, bool headerForm) {
    return c == '=' || (headerForm && c == '_');
}

} // namespace

void AppendQuotedPrintable(std::string& out, std::string_view text, bool headerForm) {
    out.reserve(out.size() + text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t run = i;
        while (run < text.size() && !IsQuotedPrintableSpecial(text[run], headerForm)) {
            ++run;
        }
        out.append(text.substr(i, run - i));
        i = run;
        if (i >= text.size()) {
            break;
        }
        if (text[i] == '_') {
            out.push_back(' ');
            ++i;
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
            i = j + 1;
            continue;
        }
        if (i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 3;
            continue;
        }
        out.push_back('=');
        ++i;
    }
}

std::string DecodeQuotedPrintable(std::string_view text, bool headerForm) {
    std::string out;
    AppendQuotedPrintable(out, text, headerForm);
    return out;
}

// The loops below walk pointers rather than counts: a fuzz build traces every integer
// comparison, and these run once per character.
void AppendBase64(std::string& out, std::string_view bytes) {
    const std::size_t at = out.size();
    out.resize(at + (bytes.size() + 2) / 3 * 4);
    char* o = out.data() + at;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const groups = p + bytes.size() / 3 * 3;
    for (; p != groups; p += 3) {
        const std::uint32_t group =
            static_cast<std::uint32_t>(p[0]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[2];
        o[0] = Base64Char(group >> 18);
        o[1] = Base64Char(group >> 12);
        o[2] = Base64Char(group >> 6);
        o[3] = Base64Char(group);
        o += 4;
    }
    const std::size_t left = bytes.size() % 3;
    if (left > 0) {
        std::uint32_t group = static_cast<std::uint32_t>(p[0]) << 16;
        if (left == 2) {
            group |= static_cast<std::uint32_t>(p[1]) << 8;
        }
        o[0] = Base64Char(group >> 18);
        o[1] = Base64Char(group >> 12);
        o[2] = left == 2 ? Base64Char(group >> 6) : '=';
        o[3] = '=';
    }
}

std::string EncodeBase64(std::string_view bytes) {
    std::string out;
    AppendBase64(out, bytes);
    return out;
}

void AppendDecodedBase64(std::string& out, std::string_view text) {
    // The decoding stops at the first "=".
    text = text.substr(0, text.find('='));
    const std::size_t at = out.size();
    // At most three bytes for every four characters, and one for a cut-off group.
    out.resize(at + text.size() / 4 * 3 + 3);
    char* const begin = out.data() + at;
    char* o = begin;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = p + text.size();
    std::uint32_t bits = 0;
    int count = 0;
    while (p != end) {
        // Four characters of the alphabet at a group boundary are three bytes (the usual case
        // of a line of base64).
        if (count == 0 && end - p >= 4) {
            const int a = Base64Value(p[0]);
            const int b = Base64Value(p[1]);
            const int c = Base64Value(p[2]);
            const int d = Base64Value(p[3]);
            if ((a | b | c | d) >= 0) {
                const auto group = static_cast<std::uint32_t>(a << 18 | b << 12 | c << 6 | d);
                o[0] = static_cast<char>(group >> 16);
                o[1] = static_cast<char>((group >> 8) & 0xFF);
                o[2] = static_cast<char>(group & 0xFF);
                o += 3;
                p += 4;
                continue;
            }
        }
        const int v = Base64Value(*p++);
        if (v < 0) {
            continue;
        }
        bits = (bits << 6) | static_cast<std::uint32_t>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            *o++ = static_cast<char>((bits >> count) & 0xFF);
        }
    }
    out.resize(at + static_cast<std::size_t>(o - begin));
}

std::string DecodeBase64(std::string_view text) {
    std::string out;
    AppendDecodedBase64(out, text);
    return out;
}

void AppendToUtf8(std::string& out, std::string_view bytes, std::string_view charset) {
    // ASCII is the same in every known character set; most headers and bodies are ASCII.
    if (IsAscii(bytes)) {
        out.append(bytes);
        return;
    }
    const Charset set = CharsetOf(charset);
    if (IsUtf8As(bytes, set)) {
        out.append(bytes);
        return;
    }
    AppendConverted(out, bytes, set);
}

std::string ToUtf8(std::string_view bytes, std::string_view charset) {
    std::string out;
    AppendToUtf8(out, bytes, charset);
    return out;
}

void ConvertToUtf8From(std::string& text, std::size_t from, std::string_view charset) {
    const std::string_view tail = std::string_view(text).substr(from);
    if (IsAscii(tail)) {
        return;
    }
    const Charset set = CharsetOf(charset);
    if (IsUtf8As(tail, set)) {
        return;
    }
    const std::string bytes(tail);
    text.resize(from);
    AppendConverted(text, bytes, set);
}

void AppendEncodedWords(std::string& out, std::string_view value) {
    std::size_t pos = 0;
    // Blanks after an encoded word are held back until we know whether another word follows.
    std::string_view pendingBlanks;
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
            out.append(pendingBlanks);
            pendingBlanks = {};
            out.append(value.substr(pos));
            break;
        }
        const std::string_view between = value.substr(pos, start - pos);
        const bool onlyBlanks = platform::TrimView(between).empty();
        if (!(lastWasEncoded && onlyBlanks)) {
            out.append(pendingBlanks);
            out.append(between);
        }
        pendingBlanks = {};
        const std::string_view charset = value.substr(start + 2, q1 - start - 2);
        const char kind = platform::LowerAscii(value[q1 + 1]);
        const std::string_view payload = value.substr(q2 + 1, end - q2 - 1);
        if (kind == 'q' || kind == 'b') {
            // Decoded in place, then converted from its character set ("charset*language"
            // names a language after the star).
            const std::size_t at = out.size();
            if (kind == 'q') {
                AppendQuotedPrintable(out, payload, true);
            } else {
                AppendDecodedBase64(out, payload);
            }
            ConvertToUtf8From(out, at, charset.substr(0, charset.find('*')));
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
            pendingBlanks = value.substr(pos, blanks - pos);
            pos = blanks;
        }
    }
    out.append(pendingBlanks);
}

std::string DecodeEncodedWords(std::string_view value) {
    std::string out;
    AppendEncodedWords(out, value);
    return out;
}

} // namespace mailclient
