#include "compose/CVCardProperty.h"
#include "platform/StringUtil.h"

#include <array>

namespace {

using platform::EqualsNoCase;

bool IsOldVersion(std::string_view version) {
    return version == "2.1";
}

// Appends the unescaped form of `escaped` (one piece, no structural ";" handling).
void Unescape(std::string_view escaped, std::string_view version, std::string& out) {
    const bool old = IsOldVersion(version);
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        const char c = escaped[i];
        if (c != '\\' || i + 1 >= escaped.size()) {
            out.push_back(c);
            continue;
        }
        const char next = escaped[i + 1];
        if (next == ';' || next == '\\') {
            out.push_back(next);
            ++i;
        } else if (!old && next == ',') {
            out.push_back(',');
            ++i;
        } else if (!old && (next == 'n' || next == 'N')) {
            out.push_back('\n');
            ++i;
        } else {
            out.push_back(c);
        }
    }
}

} // namespace

bool CVCardProperty::IsEncodingWord(std::string_view word) {
    static constexpr std::array<std::string_view, 4> kEncodingWords = {"QUOTED-PRINTABLE", "BASE64",
                                                                       "8BIT", "7BIT"};
    for (const std::string_view known : kEncodingWords) {
        if (EqualsNoCase(word, known)) {
            return true;
        }
    }
    return false;
}

bool CVCardProperty::HasType(std::string_view type) const {
    for (const CVCardParam& param : params) {
        if (param.name == "TYPE" && EqualsNoCase(param.value, type)) {
            return true;
        }
    }
    return false;
}

bool CVCardProperty::IsPreferred() const {
    if (HasType("pref")) {
        return true;
    }
    for (const CVCardParam& param : params) {
        if (param.name == "PREF") {
            return true;
        }
    }
    return false;
}

std::vector<std::string> CVCardProperty::ParamValues(std::string_view paramName) const {
    std::vector<std::string> values;
    for (const CVCardParam& param : params) {
        if (param.name == paramName) {
            values.push_back(param.value);
        }
    }
    return values;
}

std::string CVCardProperty::Text(std::string_view version) const {
    std::string out;
    out.reserve(value.size());
    Unescape(value, version, out);
    return out;
}

std::vector<std::string> CVCardProperty::Components(std::string_view version) const {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= value.size(); ++i) {
        if (i + 1 < value.size() && value[i] == '\\') {
            ++i; // the escaped character never splits
            continue;
        }
        if (i == value.size() || value[i] == ';') {
            std::string piece;
            Unescape(std::string_view(value).substr(start, i - start), version, piece);
            pieces.push_back(std::move(piece));
            start = i + 1;
        }
    }
    return pieces;
}

std::string CVCardProperty::Escape(std::string_view text, std::string_view version) {
    const bool old = IsOldVersion(version);
    std::string out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case ';':
            out += "\\;";
            break;
        case ',':
            out += old ? "," : "\\,";
            break;
        case '\n':
            // vCard 2.1 keeps line breaks and writes the value quoted-printable.
            out += old ? "\n" : "\\n";
            break;
        case '\r':
            if (old) {
                out.push_back('\r');
            }
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

std::string CVCardProperty::JoinComponents(const std::vector<std::string>& pieces,
                                           std::string_view version) {
    std::string out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) {
            out.push_back(';');
        }
        out += Escape(pieces[i], version);
    }
    return out;
}
