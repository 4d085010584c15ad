#include "compose/CVCardWriter.h"

namespace {

constexpr std::size_t kFoldWidth = 75;   // bytes per physical line, 3.0 and 4.0
constexpr std::size_t kQuotedWidth = 74; // encoded bytes per line before a soft break

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

bool IsToken(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (const char c : text) {
        if (!IsNameChar(c)) {
            return false;
        }
    }
    return true;
}

void WriteParamValue(std::string_view value, std::string& out) {
    bool quote = false;
    for (const char c : value) {
        quote = quote || c == ',' || c == ';' || c == ':';
    }
    // Quoted values cannot hold a double quote, plain ones cannot start with one, and no value
    // can hold a line break: such characters are left out.
    if (quote) {
        out.push_back('"');
    }
    bool first = true;
    for (const char c : value) {
        if (c == '\r' || c == '\n' || (c == '"' && (quote || first))) {
            continue;
        }
        out.push_back(c);
        first = false;
    }
    if (quote) {
        out.push_back('"');
    }
}

// Appends "group.NAME;params" of the property.
void AppendHead(const CVCardProperty& property, bool old, std::string& head) {
    if (!property.group.empty()) {
        head += property.group;
        head.push_back('.');
    }
    head += property.name;
    const std::vector<CVCardParam>& params = property.params;
    for (std::size_t i = 0; i < params.size(); ++i) {
        const CVCardParam& param = params[i];
        const bool list = i + 1 < params.size() && params[i + 1].joined;
        head.push_back(';');
        // vCard 2.1 writes a single type bare ("TEL;CELL:"), as its readers expect.
        if (old && !list && param.name == "TYPE" && IsToken(param.value) &&
            !CVCardProperty::IsEncodingWord(param.value)) {
            head += param.value;
            continue;
        }
        head += param.name;
        head.push_back('=');
        WriteParamValue(param.value, head);
        while (i + 1 < params.size() && params[i + 1].joined) {
            head.push_back(',');
            WriteParamValue(params[++i].value, head);
        }
    }
}

bool NeedsQuotedPrintable(std::string_view value, bool old) {
    for (const char c : value) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (c == '\r' || c == '\n' || (old && b >= 0x80)) {
            return true;
        }
    }
    return false;
}

// Folds a line at kFoldWidth bytes, never inside a UTF-8 character.
void AppendFolded(std::string_view line, std::string_view lineEnd, std::string& out) {
    std::size_t pos = 0;
    std::size_t width = kFoldWidth;
    while (line.size() - pos > width) {
        std::size_t cut = pos + width;
        while (cut > pos + 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        out.append(line.substr(pos, cut - pos));
        out.append(lineEnd);
        out.push_back(' ');
        pos = cut;
        width = kFoldWidth - 1;
    }
    out.append(line.substr(pos));
    out.append(lineEnd);
}

// Quoted-printable value with soft line breaks. A continuation line never starts with white
// space (it would read as a folded line) nor with "E" (it could read as END:VCARD).
void AppendQuotedPrintable(std::string_view value, std::string_view lineEnd, std::size_t used,
                           std::string& out) {
    static const char* const kHex = "0123456789ABCDEF";
    std::size_t lineLength = used;
    bool lineStart = false;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(value[i]);
        const bool last = i + 1 == value.size();
        bool encode = b < 0x20 || b >= 0x7F || b == '=';
        if ((b == ' ' || b == '\t') && (last || lineStart)) {
            encode = true;
        }
        if (lineStart && (b == 'E' || b == 'e')) {
            encode = true;
        }
        const std::size_t width = encode ? 3 : 1;
        if (lineLength + width > kQuotedWidth) {
            out.push_back('=');
            out.append(lineEnd);
            lineLength = 0;
            lineStart = true;
            --i; // the character is written on the new line, where it may need encoding
            continue;
        }
        if (encode) {
            out.push_back('=');
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 0x0F]);
        } else {
            out.push_back(static_cast<char>(b));
        }
        lineLength += width;
        lineStart = false;
    }
    out.append(lineEnd);
}

} // namespace

namespace {

// Appends one formatted content line (with its line end).
void AppendProperty(const CVCardProperty& property, std::string_view version,
                    std::string_view lineEnd, std::string& out) {
    const bool old = version == "2.1";
    if (NeedsQuotedPrintable(property.value, old)) {
        const std::size_t lineStart = out.size();
        AppendHead(property, old, out);
        out += ";ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:";
        AppendQuotedPrintable(property.value, lineEnd, out.size() - lineStart, out);
        return;
    }
    if (old) {
        AppendHead(property, old, out);
        out.push_back(':');
        out += property.value;
        out.append(lineEnd);
        return;
    }
    // The line is written in place and folded only when it is too long.
    const std::size_t lineStart = out.size();
    AppendHead(property, old, out);
    out.push_back(':');
    out += property.value;
    if (out.size() - lineStart <= kFoldWidth) {
        out.append(lineEnd);
        return;
    }
    const std::string line = out.substr(lineStart);
    out.resize(lineStart);
    AppendFolded(line, lineEnd, out);
}

} // namespace

std::string CVCardWriter::FormatProperty(const CVCardProperty& property, std::string_view version,
                                         std::string_view lineEnd) {
    std::string out;
    AppendProperty(property, version, lineEnd, out);
    return out;
}

void CVCardWriter::WriteCard(const CVCard& card, std::string& out) {
    if (!card.IsModified()) {
        out += card.Raw();
        return;
    }
    const std::string& lineEnd = card.LineEnd();
    out += "BEGIN:VCARD";
    out += lineEnd;
    for (const CVCardProperty& property : card.Properties()) {
        if (!property.raw.empty()) {
            out += property.raw;
        } else {
            AppendProperty(property, card.Version(), lineEnd, out);
        }
    }
    out += "END:VCARD";
    out += lineEnd;
}

std::string CVCardWriter::Write(const std::vector<CVCard>& cards) {
    // Room for the original bytes and some for the lines the writer formats.
    std::size_t room = 0;
    for (const CVCard& card : cards) {
        if (!card.IsModified()) {
            room += card.Raw().size() + 2;
            continue;
        }
        room += 32;
        for (const CVCardProperty& property : card.Properties()) {
            room += property.raw.empty() ? property.value.size() * 2 + 64 : property.raw.size();
        }
    }
    std::string out;
    out.reserve(room);
    for (const CVCard& card : cards) {
        if (!out.empty() && out.back() != '\n' && out.back() != '\r') {
            out += card.LineEnd();
        }
        WriteCard(card, out);
    }
    return out;
}
