#include "messages/CSmsText.h"

#include <algorithm>
#include <cstdint>
#include <numeric>

namespace {

// Characters of the GSM 7-bit default alphabet outside printable ASCII.
constexpr char32_t kGsmExtraBasic[] = {
    U'\n',  U'\r',  0x00A1, 0x00A3, 0x00A4, 0x00A5, 0x00A7, 0x00BF, 0x00C4, 0x00C5, 0x00C6,
    0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00D8, 0x00DC, 0x00DF, 0x00E0, 0x00E4, 0x00E5, 0x00E6,
    0x00E8, 0x00E9, 0x00EC, 0x00F1, 0x00F2, 0x00F6, 0x00F8, 0x00F9, 0x00FC, 0x0393, 0x0394,
    0x0398, 0x039B, 0x039E, 0x03A0, 0x03A3, 0x03A6, 0x03A8, 0x03A9};

// Characters of the extension table: each takes an escape and itself, two septets.
constexpr char32_t kGsmExtension[] = {U'\f', U'^', U'{', U'}', U'\\',
                                      U'[',  U'~', U']', U'|', 0x20AC};

bool IsExtension(char32_t c) {
    return std::find(std::begin(kGsmExtension), std::end(kGsmExtension), c) !=
           std::end(kGsmExtension);
}

bool IsBasic(char32_t c) {
    if (c >= 0x20 && c < 0x7F) {
        return c != U'`' && !IsExtension(c);
    }
    return std::find(std::begin(kGsmExtraBasic), std::end(kGsmExtraBasic), c) !=
           std::end(kGsmExtraBasic);
}

// Decodes UTF-8, refusing overlong forms, surrogates and values above U+10FFFF. With
// `lenient`, a byte that starts no valid character is taken as a character of its own (a
// value that is not GSM). `sizes` receives the byte length of every character.
bool DecodeUtf8(const std::string& text, std::vector<char32_t>& out,
                std::vector<unsigned char>& sizes, bool lenient = false) {
    const auto* start = reinterpret_cast<const unsigned char*>(text.data());
    const auto* p = start;
    const auto* end = p + text.size();
    while (p < end) {
        const auto* first = p;
        unsigned char b = *p++;
        if (b < 0x80) {
            out.push_back(b);
            sizes.push_back(1);
            continue;
        }
        auto invalid = [&] {
            if (!lenient) {
                return false;
            }
            p = first + 1;
            out.push_back(0xFFFD);
            sizes.push_back(1);
            return true;
        };
        int extra = 0;
        char32_t c = 0;
        char32_t min = 0;
        if ((b & 0xE0) == 0xC0) {
            extra = 1;
            c = b & 0x1F;
            min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2;
            c = b & 0x0F;
            min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3;
            c = b & 0x07;
            min = 0x10000;
        } else {
            if (invalid()) {
                continue;
            }
            return false;
        }
        if (end - p < extra) {
            if (invalid()) {
                continue;
            }
            return false;
        }
        bool broken = false;
        for (int i = 0; i < extra && !broken; ++i) {
            unsigned char cont = *p++;
            broken = (cont & 0xC0) != 0x80;
            c = (c << 6) | (cont & 0x3F);
        }
        if (broken || c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            if (invalid()) {
                continue;
            }
            return false;
        }
        out.push_back(c);
        sizes.push_back(static_cast<unsigned char>(extra + 1));
    }
    return true;
}

} // namespace

std::optional<CSmsText::Mode> CSmsText::ParseMode(const std::string& text) {
    if (text == "reject") {
        return Mode::Reject;
    }
    if (text == "split") {
        return Mode::Split;
    }
    if (text == "concat") {
        return Mode::Concat;
    }
    return std::nullopt;
}

std::optional<CSmsText> CSmsText::Measure(const std::string& utf8) {
    std::vector<char32_t> chars;
    CSmsText result;
    chars.reserve(utf8.size());
    result.m_bytes.reserve(utf8.size());
    if (!DecodeUtf8(utf8, chars, result.m_bytes)) {
        return std::nullopt;
    }
    result.Fill(chars);
    return result;
}

CSmsText CSmsText::MeasureLenient(const std::string& utf8) {
    std::vector<char32_t> chars;
    CSmsText result;
    chars.reserve(utf8.size());
    result.m_bytes.reserve(utf8.size());
    DecodeUtf8(utf8, chars, result.m_bytes, true);
    result.Fill(chars);
    return result;
}

void CSmsText::Fill(const std::vector<char32_t>& chars) {
    CSmsText& result = *this;
    result.m_ucs2 = !std::all_of(chars.begin(), chars.end(),
                                 [](char32_t c) { return IsBasic(c) || IsExtension(c); });
    result.m_widths.reserve(chars.size());
    result.m_gsm.reserve(chars.size());
    for (char32_t c : chars) {
        result.m_gsm.push_back(IsExtension(c) ? 2 : IsBasic(c) ? 1 : 0);
        unsigned char width = 1;
        if (result.m_ucs2) {
            width = c > 0xFFFF ? 2 : 1;
        } else if (IsExtension(c)) {
            width = 2;
        }
        result.m_widths.push_back(width);
        result.m_length += width;
    }
}

std::size_t CSmsText::SingleLimit() const {
    return m_ucs2 ? 70 : 160;
}

std::size_t CSmsText::CountParts(std::size_t capacity) const {
    std::size_t parts = 1;
    std::size_t used = 0;
    for (unsigned char width : m_widths) {
        if (used + width > capacity) {
            ++parts;
            used = 0;
        }
        used += width;
    }
    return parts;
}

std::size_t CSmsText::Parts(Mode mode) const {
    if (m_length <= SingleLimit()) {
        return 1;
    }
    switch (mode) {
    case Mode::Reject:
        return 0;
    case Mode::Split:
        return CountParts(SingleLimit());
    case Mode::Concat:
        // Each part of a concatenated message gives room to the header that joins them.
        return CountParts(m_ucs2 ? 67 : 153);
    }
    return 0;
}

std::size_t CSmsText::SingleLimit(const Limits& limits) const {
    return m_ucs2 ? std::min<std::size_t>(limits.messageLength, 70) : limits.messageLength;
}

std::size_t CSmsText::Parts(const Limits& limits) const {
    const std::size_t single = std::max<std::size_t>(SingleLimit(limits), 1);
    if (m_length <= single) {
        return 1;
    }
    if (!limits.concat) {
        return CountParts(single);
    }
    const std::size_t joined =
        m_ucs2 ? std::min<std::size_t>(limits.concatLength, 67) : limits.concatLength;
    return CountParts(std::max<std::size_t>(joined, 1));
}

std::size_t CSmsText::PrefixBytes(std::size_t units) const {
    std::size_t used = 0;
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < m_widths.size(); ++i) {
        if (used + m_widths[i] > units) {
            break;
        }
        used += m_widths[i];
        bytes += m_bytes[i];
    }
    return bytes;
}

std::size_t CSmsText::FitBytes(std::size_t gsmUnits, std::size_t ucs2Units) const {
    // The longest all-GSM beginning within gsmUnits, and the longest beginning of any kind
    // within ucs2Units counted in UTF-16 units; the longer one wins.
    std::size_t gsmBytes = 0;
    std::size_t used = 0;
    for (std::size_t i = 0; i < m_gsm.size(); ++i) {
        if (m_gsm[i] == 0 || used + m_gsm[i] > gsmUnits) {
            break;
        }
        used += m_gsm[i];
        gsmBytes += m_bytes[i];
    }
    if (gsmBytes == std::accumulate(m_bytes.begin(), m_bytes.end(), std::size_t{0})) {
        return gsmBytes; // the whole text is GSM and fits
    }
    std::size_t ucsBytes = 0;
    used = 0;
    for (std::size_t i = 0; i < m_bytes.size(); ++i) {
        const std::size_t width = m_bytes[i] == 4 ? 2 : 1;
        if (used + width > ucs2Units) {
            break;
        }
        used += width;
        ucsBytes += m_bytes[i];
    }
    return std::max(gsmBytes, ucsBytes);
}

CSmsText::Scan CSmsText::ScanLenient(const std::string& utf8) {
    Scan scan;
    std::size_t gsmUnits = 0;
    std::size_t ucsUnits = 0;
    bool extension = false;
    bool astral = false;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    while (p < end) {
        char32_t c = *p;
        if (c < 0x80 && c >= 0x20 && c != U'`') {
            // Printable ASCII, the common case.
            ++p;
            const bool ext = IsExtension(c);
            gsmUnits += ext ? 2 : 1;
            extension = extension || ext;
            ++ucsUnits;
            continue;
        }
        // Anything else: decode one character the lenient way.
        std::vector<char32_t> one;
        std::vector<unsigned char> size;
        const std::size_t offset =
            static_cast<std::size_t>(p - reinterpret_cast<const unsigned char*>(utf8.data()));
        std::size_t take = 1;
        if (c >= 0xF0) {
            take = 4;
        } else if (c >= 0xE0) {
            take = 3;
        } else if (c >= 0xC0) {
            take = 2;
        }
        take = std::min<std::size_t>(take, static_cast<std::size_t>(end - p));
        DecodeUtf8(utf8.substr(offset, take), one, size, true);
        const std::size_t consumed = size.empty() ? 1 : size[0];
        c = one.empty() ? 0xFFFD : one[0];
        p += consumed;
        if (IsExtension(c)) {
            gsmUnits += 2;
            extension = true;
        } else if (IsBasic(c)) {
            gsmUnits += 1;
        } else {
            scan.ucs2 = true;
        }
        const bool wide = c > 0xFFFF;
        ucsUnits += wide ? 2 : 1;
        astral = astral || wide;
    }
    scan.length = scan.ucs2 ? ucsUnits : gsmUnits;
    scan.uniform = scan.ucs2 ? !astral : !extension;
    return scan;
}

std::size_t CSmsText::UniformParts(std::size_t length, bool ucs2, const Limits& limits) {
    const std::size_t single = std::max<std::size_t>(
        ucs2 ? std::min<std::size_t>(limits.messageLength, 70) : limits.messageLength, 1);
    if (length <= single) {
        return 1;
    }
    std::size_t capacity = single;
    if (limits.concat) {
        capacity = std::max<std::size_t>(
            ucs2 ? std::min<std::size_t>(limits.concatLength, 67) : limits.concatLength, 1);
    }
    return (length + capacity - 1) / capacity;
}
