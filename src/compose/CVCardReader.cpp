#include "compose/CVCardReader.h"
#include "platform/AsciiScan.h"
#include "platform/StringUtil.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>

namespace {

using namespace std::string_view_literals;

// Windows-1252 characters 0x80..0x9F; the five unassigned bytes keep their C1 code points.
constexpr std::array<char16_t, 32> kWindows1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// 8-bit text of a single-byte character set to UTF-8.
std::string FromSingleByte(std::string_view text, bool windows1252) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (const char c : text) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out.push_back(c);
        } else if (windows1252 && b < 0xA0) {
            platform::AppendUtf8(out, kWindows1252[b - 0x80]);
        } else {
            platform::AppendUtf8(out, b);
        }
    }
    return out;
}

using platform::EqualsNoCase;

// The text in ASCII upper case, into `out` (its buffer is reused).
void AssignUpperAscii(std::string_view text, std::string& out) {
    out.assign(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        }
    }
}

using platform::IsAscii;

// Any text to valid UTF-8, into `out`: the named character set where it is a single-byte
// one, else the text as it is when it is valid UTF-8, else Windows-1252.
void ToUtf8(std::string_view text, std::string_view charset, std::string& out) {
    if (IsAscii(text)) {
        out.assign(text); // the same in every character set the reader knows
        return;
    }
    if (EqualsNoCase(charset, "ISO-8859-1") || EqualsNoCase(charset, "LATIN1") ||
        EqualsNoCase(charset, "ISO_8859-1")) {
        out = FromSingleByte(text, false);
        return;
    }
    if (EqualsNoCase(charset, "WINDOWS-1252") || EqualsNoCase(charset, "CP1252")) {
        out = FromSingleByte(text, true);
        return;
    }
    if (platform::IsValidUtf8(text)) {
        out.assign(text);
        return;
    }
    out = FromSingleByte(text, true);
}

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

// Quoted-printable to bytes, in place (the bytes are never longer than their encoding). An "="
// not followed by two hex digits stays as it is.
void DecodeQuotedPrintable(std::string& text) {
    const void* first = std::memchr(text.data(), '=', text.size());
    if (first == nullptr) {
        return;
    }
    std::size_t out = static_cast<std::size_t>(static_cast<const char*>(first) - text.data());
    std::size_t i = out;
    while (i < text.size()) {
        // text[i] is an "="; the bytes up to the next one are moved as they are.
        if (i + 2 < text.size()) {
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                text[out++] = static_cast<char>(high * 16 + low);
                i += 3;
            } else {
                text[out++] = text[i++];
            }
        } else {
            text[out++] = text[i++];
        }
        const void* next =
            i < text.size() ? std::memchr(text.data() + i, '=', text.size() - i) : nullptr;
        const std::size_t until =
            next == nullptr
                ? text.size()
                : static_cast<std::size_t>(static_cast<const char*>(next) - text.data());
        if (out != i) {
            std::memmove(text.data() + out, text.data() + i, until - i);
        }
        out += until - i;
        i = until;
    }
    text.resize(out);
}

// Letters, digits, "-" and "_": the characters of property, group and parameter names.
constexpr std::array<bool, 256> kNameChars = [] {
    std::array<bool, 256> table{};
    for (int c = 0; c < 256; ++c) {
        table[static_cast<std::size_t>(c)] = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                             (c >= '0' && c <= '9') || c == '-' || c == '_';
    }
    return table;
}();

// The end of the name that starts at `from`.
std::size_t NameEnd(std::string_view line, std::size_t from) {
    const char* p = line.data() + from;
    const char* const end = line.data() + line.size();
    while (p != end && kNameChars[static_cast<unsigned char>(*p)]) {
        ++p;
    }
    return static_cast<std::size_t>(p - line.data());
}

// One physical line: its content (without line end) and where the next line starts.
struct PhysicalLine {
    std::size_t start = 0;
    std::size_t contentEnd = 0;
    std::size_t next = 0; // after the line end
};

PhysicalLine LineAt(std::string_view text, std::size_t pos) {
    PhysicalLine line;
    line.start = pos;
    // The line feed first, then a carriage return before it (the library's searches are
    // faster than a loop over the bytes).
    const std::size_t rest = text.size() - pos;
    const void* lf = rest == 0 ? nullptr : std::memchr(text.data() + pos, '\n', rest);
    std::size_t i = lf == nullptr ? text.size() : static_cast<const char*>(lf) - text.data();
    const void* cr = i == pos ? nullptr : std::memchr(text.data() + pos, '\r', i - pos);
    if (cr != nullptr) {
        i = static_cast<const char*>(cr) - text.data();
    }
    line.contentEnd = i;
    if (i < text.size()) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            i += 2;
        } else {
            ++i;
        }
    }
    line.next = i;
    return line;
}

// A logical line: physical lines joined by unfolding. `content` views the text itself when
// the line is not folded, else `joined`, which is reused from line to line.
struct LogicalLine {
    std::string_view content;
    std::string joined;
    std::size_t next = 0;
};

void ReadLogical(std::string_view text, std::size_t pos, LogicalLine& logical) {
    PhysicalLine line = LineAt(text, pos);
    logical.content = text.substr(line.start, line.contentEnd - line.start);
    std::size_t next = line.next;
    // A line end followed by a space or tab continues the line.
    if (next < text.size() && next > line.contentEnd && (text[next] == ' ' || text[next] == '\t')) {
        logical.joined.assign(logical.content);
        while (next < text.size() && next > line.contentEnd &&
               (text[next] == ' ' || text[next] == '\t')) {
            line = LineAt(text, next);
            logical.joined.append(text.substr(line.start + 1, line.contentEnd - line.start - 1));
            next = line.next;
        }
        logical.content = logical.joined;
    }
    logical.next = next;
}

bool IsMarker(std::string_view content, std::string_view marker) {
    // Most lines are told apart by their first letter.
    if (content.empty() || (content[0] | 0x20) != (marker[0] | 0x20)) {
        return false;
    }
    std::size_t end = content.size();
    while (end > 0 && (content[end - 1] == ' ' || content[end - 1] == '\t')) {
        --end;
    }
    return EqualsNoCase(content.substr(0, end), marker);
}

// Parses "group.NAME;params" (everything before the value) and finds the ":" that starts the
// value. False when the line is not a well-formed content line.
bool ParseHead(std::string_view line, CVCardProperty& property, std::size_t& valueStart,
               std::string& reason) {
    std::size_t i = NameEnd(line, 0);
    std::string_view name = line.substr(0, i);
    if (i < line.size() && line[i] == '.') {
        // A group has a name: ".BEGIN:VCARD" would be written back as a BEGIN line.
        if (name.empty()) {
            reason = "a line without group name";
            return false;
        }
        property.group.assign(name);
        const std::size_t nameStart = i + 1;
        i = NameEnd(line, nameStart);
        name = line.substr(nameStart, i - nameStart);
    }
    if (name.empty()) {
        reason = "a line without property name";
        return false;
    }
    AssignUpperAscii(name, property.name);
    // One entry per value: at most one for each ";" and "," before the value.
    if (i < line.size() && line[i] == ';') {
        const std::string_view head = line.substr(i, line.find(':', i) - i);
        property.params.reserve(static_cast<std::size_t>(
            std::count_if(head.begin(), head.end(), [](char c) { return c == ';' || c == ','; })));
    }
    while (i < line.size() && line[i] == ';') {
        ++i;
        const std::size_t paramStart = i;
        i = NameEnd(line, paramStart);
        const std::string_view paramName = line.substr(paramStart, i - paramStart);
        if (i < line.size() && line[i] == '=') {
            if (paramName.empty()) {
                reason = "a parameter without name";
                return false;
            }
            const std::size_t first = property.params.size();
            AssignUpperAscii(paramName, property.params.emplace_back().name);
            const bool type = property.params[first].name == "TYPE"sv;
            bool firstValue = true;
            // Appends one value as an entry of the parameter (the first one has its entry).
            const auto addValue = [&](std::string_view value) {
                if (!firstValue) {
                    property.params.push_back({property.params[first].name, {}, true});
                }
                firstValue = false;
                ToUtf8(value, {}, property.params.back().value);
            };
            ++i;
            // Values separated by ",", each plain or in double quotes.
            while (true) {
                std::string_view value;
                if (i < line.size() && line[i] == '"') {
                    const std::size_t close = line.find('"', i + 1);
                    if (close == std::string_view::npos) {
                        reason = "an unclosed quoted parameter";
                        return false;
                    }
                    value = line.substr(i + 1, close - i - 1);
                    i = close + 1;
                } else {
                    const std::size_t valueBegin = i;
                    i = line.find_first_of(",;:", i);
                    if (i == std::string_view::npos) {
                        i = line.size();
                    }
                    value = line.substr(valueBegin, i - valueBegin);
                }
                if (type) {
                    // vCard 4.0 quotes type lists: TYPE="cell,voice" is two types.
                    std::size_t from = 0;
                    while (true) {
                        const std::size_t comma = value.find(',', from);
                        addValue(value.substr(from, comma - from));
                        if (comma == std::string_view::npos) {
                            break;
                        }
                        from = comma + 1;
                    }
                } else {
                    addValue(value);
                }
                if (i < line.size() && line[i] == ',') {
                    ++i;
                    continue;
                }
                break;
            }
        } else {
            // A vCard 2.1 bare parameter: "TEL;CELL;VOICE:", "NOTE;QUOTED-PRINTABLE:".
            if (paramName.empty()) {
                reason = "an empty parameter";
                return false;
            }
            property.params.push_back(
                {CVCardProperty::IsEncodingWord(paramName) ? "ENCODING" : "TYPE",
                 std::string(paramName)});
        }
        if (i < line.size() && line[i] != ';' && line[i] != ':') {
            reason = "a damaged parameter";
            return false;
        }
    }
    if (i >= line.size() || line[i] != ':') {
        reason = "a line without \":\"";
        return false;
    }
    valueStart = i + 1;
    return true;
}

// Takes ENCODING=QUOTED-PRINTABLE and CHARSET out of the parameters; tells what they said (the
// first CHARSET counts).
void TakeTransportParams(CVCardProperty& property, bool& quotedPrintable, std::string& charset) {
    quotedPrintable = false;
    charset.clear();
    if (property.params.empty()) {
        return; // most lines
    }
    bool charsetSeen = false;
    bool listKept = false; // an entry of the current list is kept
    std::vector<CVCardParam>& params = property.params;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < params.size(); ++i) {
        CVCardParam& param = params[i];
        if (!param.joined) {
            listKept = false;
        }
        if (param.name == "CHARSET"sv) {
            if (!charsetSeen) {
                charset = param.value;
                charsetSeen = true;
            }
            continue;
        }
        if (param.name == "ENCODING"sv && EqualsNoCase(param.value, "QUOTED-PRINTABLE")) {
            quotedPrintable = true;
            continue;
        }
        // The first value kept of a list ("ENCODING=QUOTED-PRINTABLE,8BIT") starts it.
        param.joined = param.joined && listKept;
        listKept = true;
        if (kept != i) {
            params[kept] = std::move(param);
        }
        ++kept;
    }
    params.resize(kept);
}

class CardParser {
public:
    CardParser(std::string_view text, std::vector<CVCard>& cards,
               std::vector<CVCardReader::Damage>& damage, std::vector<std::string>* gaps)
        : m_text(text), m_cards(cards), m_damage(damage), m_gaps(gaps) {
        m_properties.reserve(8); // room for a small card; a larger one grows the table
    }

    void Run() {
        std::size_t pos = 0;
        std::size_t gapStart = 0;
        // A UTF-8 byte order mark (Windows exports) stays in the first gap.
        if (m_text.substr(0, 3) == "\xEF\xBB\xBF") {
            pos = 3;
        }
        LogicalLine line;
        while (pos < m_text.size()) {
            ReadLogical(m_text, pos, line);
            if (!IsMarker(line.content, "BEGIN:VCARD")) {
                pos = line.next;
                continue;
            }
            std::string version;
            std::string reason;
            std::size_t cardEnd = 0;
            m_properties.clear();
            const ParseResult result = ParseCard(line.next, version, m_properties, cardEnd, reason);
            if (result == ParseResult::Ok) {
                if (m_gaps != nullptr) {
                    m_gaps->emplace_back(m_text.substr(gapStart, pos - gapStart));
                }
                // The card gets a table of its own size; the parser's one keeps its room for
                // the next card.
                std::vector<CVCardProperty> properties(
                    std::make_move_iterator(m_properties.begin()),
                    std::make_move_iterator(m_properties.end()));
                CVCard card;
                card.Assign(std::move(version), std::move(properties),
                            std::string(m_text.substr(pos, cardEnd - pos)), LineEndOf(pos));
                m_cards.push_back(std::move(card));
                gapStart = cardEnd;
                pos = cardEnd;
            } else {
                m_damage.push_back({LineNumber(pos), reason});
                // The damaged card stays in the gap; reading goes on after its END line or,
                // when it has none, at the next BEGIN.
                pos = cardEnd;
            }
        }
        if (m_gaps != nullptr) {
            m_gaps->emplace_back(m_text.substr(gapStart));
        }
    }

private:
    enum class ParseResult { Ok, Damaged };

    // Reads the properties after a BEGIN line at `pos` up to END:VCARD. `end` receives where
    // reading goes on.
    ParseResult ParseCard(std::size_t pos, std::string& version,
                          std::vector<CVCardProperty>& properties, std::size_t& end,
                          std::string& reason) {
        bool damaged = false;
        LogicalLine line;
        std::string charset;
        std::string quoted;
        while (pos < m_text.size()) {
            ReadLogical(m_text, pos, line);
            if (IsMarker(line.content, "END:VCARD")) {
                end = line.next;
                return damaged ? ParseResult::Damaged : ParseResult::Ok;
            }
            if (IsMarker(line.content, "BEGIN:VCARD")) {
                reason = "no END:VCARD before the next card";
                end = pos;
                return ParseResult::Damaged;
            }
            if (line.content.empty()) {
                // Blank lines (the end of a vCard 2.1 BASE64 value) belong to the property
                // before them.
                if (!properties.empty() && !properties.back().raw.empty()) {
                    properties.back().raw.append(m_text.substr(pos, line.next - pos));
                }
                pos = line.next;
                continue;
            }
            // The property is read in its place in the table and taken out again when the
            // line turns out damaged.
            CVCardProperty& property = properties.emplace_back();
            std::size_t valueStart = 0;
            std::string lineReason;
            if (!ParseHead(line.content, property, valueStart, lineReason)) {
                properties.pop_back();
                if (!damaged) {
                    reason = lineReason;
                }
                damaged = true;
                pos = line.next;
                continue;
            }
            // BEGIN and END only mark cards; "END;CHARSET=x:VCARD" would be written back as
            // the card's end.
            if (property.group.empty() &&
                (property.name == "BEGIN"sv || property.name == "END"sv)) {
                properties.pop_back();
                if (!damaged) {
                    reason = "a damaged BEGIN or END line";
                }
                damaged = true;
                pos = line.next;
                continue;
            }
            bool quotedPrintable = false;
            TakeTransportParams(property, quotedPrintable, charset);
            std::string_view value = line.content.substr(valueStart);
            std::size_t next = line.next;
            if (quotedPrintable) {
                quoted.assign(value);
                // Soft line breaks: a line ending in "=" continues on the next physical line.
                while (!quoted.empty() && quoted.back() == '=' && next < m_text.size()) {
                    const PhysicalLine more = LineAt(m_text, next);
                    const std::string_view content =
                        m_text.substr(more.start, more.contentEnd - more.start);
                    if (IsMarker(content, "END:VCARD")) {
                        break;
                    }
                    quoted.pop_back();
                    quoted.append(content);
                    next = more.next;
                }
                if (!quoted.empty() && quoted.back() == '=') {
                    quoted.pop_back();
                }
                DecodeQuotedPrintable(quoted);
                value = quoted;
            }
            ToUtf8(value, charset, property.value);
            property.raw.assign(m_text.substr(pos, next - pos));
            if (property.name == "VERSION"sv && property.group.empty() && version.empty()) {
                std::string_view trimmed = property.value;
                while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t')) {
                    trimmed.remove_suffix(1);
                }
                version.assign(trimmed);
            }
            pos = next;
        }
        reason = "no END:VCARD";
        end = m_text.size();
        return ParseResult::Damaged;
    }

    std::string LineEndOf(std::size_t beginLine) const {
        const PhysicalLine line = LineAt(m_text, beginLine);
        if (line.next - line.contentEnd == 1 && m_text[line.contentEnd] == '\n') {
            return "\n";
        }
        return "\r\n";
    }

    int LineNumber(std::size_t pos) {
        // Counted incrementally: damage is reported in increasing order. The library's search
        // finds the line feeds; a loop over every byte of a large file costs far more.
        const std::size_t until = pos < m_text.size() ? pos : m_text.size();
        while (m_counted < until) {
            const void* lf = std::memchr(m_text.data() + m_counted, '\n', until - m_counted);
            if (lf == nullptr) {
                m_counted = until;
                break;
            }
            ++m_lines;
            m_counted = static_cast<std::size_t>(static_cast<const char*>(lf) - m_text.data()) + 1;
        }
        return m_lines;
    }

    std::string_view m_text;
    std::vector<CVCard>& m_cards;
    std::vector<CVCardReader::Damage>& m_damage;
    std::vector<std::string>* m_gaps;
    std::vector<CVCardProperty> m_properties; // of the card being read
    std::size_t m_counted = 0;
    int m_lines = 1;
};

} // namespace

void CVCardReader::Parse(std::string_view text, std::vector<CVCard>& cards,
                         std::vector<Damage>& damage, std::vector<std::string>* gaps) {
    CardParser(text, cards, damage, gaps).Run();
}

bool CVCardReader::LooksLikeVCard(std::string_view text) {
    std::size_t pos = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    while (pos < text.size()) {
        const PhysicalLine line = LineAt(text, pos);
        if (IsMarker(text.substr(line.start, line.contentEnd - line.start), "BEGIN:VCARD")) {
            return true;
        }
        pos = line.next;
    }
    return false;
}
