#include "compose/CTextFold.h"
#include "platform/Utf8.h"

#include <cstdint>

namespace {

// Upper-case letters of the scripts the address books of our users hold, and their lower case.
// Every mapping keeps the length of the character's UTF-8 form, so a folded text has the same
// byte length as the original and prefixes of both line up.
struct FoldRange {
    char32_t first;
    char32_t last;
    int offset;       // added to fold
    bool alternating; // upper and lower case alternate: the code points at even distance
                      // from `first` are upper case and fold by +1
};

constexpr FoldRange kFoldRanges[] = {
    {U'A', U'Z', 32, false},     {0x00C0, 0x00D6, 32, false}, {0x00D8, 0x00DE, 32, false},
    {0x0100, 0x012F, 1, true},   {0x0132, 0x0137, 1, true},   {0x014A, 0x0177, 1, true},
    {0x0391, 0x03A1, 32, false}, {0x03A3, 0x03AB, 32, false}, {0x0400, 0x040F, 80, false},
    {0x0410, 0x042F, 32, false}, {0x0460, 0x0481, 1, true},   {0x048A, 0x04BF, 1, true},
    {0x04D0, 0x052F, 1, true},
};

char32_t FoldChar(char32_t cp) {
    if (cp < 0x80) {
        return (cp >= U'A' && cp <= U'Z') ? cp + 32 : cp;
    }
    // Latin Extended-A 0x0139..0x0148 and 0x0179..0x017E: the odd code points are upper case.
    if ((cp >= 0x0139 && cp <= 0x0148) || (cp >= 0x0179 && cp <= 0x017E)) {
        return (cp % 2 == 1) ? cp + 1 : cp;
    }
    if (cp == 0x0178) {
        return 0x00FF;
    }
    for (const FoldRange& range : kFoldRanges) {
        if (cp < range.first || cp > range.last) {
            continue;
        }
        if (range.alternating) {
            return ((cp - range.first) % 2 == 0) ? cp + 1 : cp;
        }
        return cp + static_cast<char32_t>(range.offset);
    }
    return cp;
}

// Appends the folded form of the character at `pos` and advances `pos`.
void FoldNext(std::string_view text, std::size_t& pos, std::string& out) {
    char32_t cp = 0;
    std::size_t length = 1;
    if (platform::DecodeUtf8(text, pos, cp, length)) {
        platform::AppendUtf8(out, FoldChar(cp));
    } else {
        out.push_back(text[pos]);
    }
    pos += length;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

} // namespace

std::string CTextFold::Fold(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[pos]);
        if (c < 0x80) {
            out.push_back(static_cast<char>((c >= 'A' && c <= 'Z') ? c + 32 : c));
            ++pos;
        } else {
            FoldNext(text, pos, out);
        }
    }
    return out;
}

bool CTextFold::EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && Fold(a) == Fold(b);
}

bool CTextFold::StartsWithNoCase(std::string_view text, std::string_view prefix) {
    // Folding keeps byte lengths, so the prefix covers as many bytes of the text.
    return text.size() >= prefix.size() && Fold(text.substr(0, prefix.size())) == Fold(prefix);
}

int CTextFold::CompareNoCase(std::string_view a, std::string_view b) {
    int result = Fold(a).compare(Fold(b));
    if (result == 0) {
        result = a.compare(b);
    }
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

std::string_view CTextFold::Trim(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsSpace(text[begin])) {
        ++begin;
    }
    while (end > begin && IsSpace(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}
