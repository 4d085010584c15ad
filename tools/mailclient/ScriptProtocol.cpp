#include "ScriptProtocol.h"

namespace mailclient {

std::string QuoteField(std::string_view text) {
    bool plain = !text.empty();
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '"' || c == '\\' || c == '\n' || c == '\r' || c == '|') {
            plain = false;
            break;
        }
    }
    if (plain) {
        return std::string(text);
    }
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out.push_back(c);
        }
    }
    out.push_back('"');
    return out;
}

namespace {

struct Field {
    std::string text;
    bool quoted = false;
};

std::vector<Field> Tokenize(std::string_view line) {
    std::vector<Field> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() &&
               (line[i] == ' ' || line[i] == '\t' || line[i] == '\r' || line[i] == '\n')) {
            ++i;
        }
        if (i >= line.size()) {
            break;
        }
        Field field;
        if (line[i] == '"') {
            field.quoted = true;
            ++i;
            while (i < line.size() && line[i] != '"') {
                char c = line[i];
                if (c == '\\' && i + 1 < line.size()) {
                    ++i;
                    switch (line[i]) {
                    case 'n':
                        c = '\n';
                        break;
                    case 'r':
                        c = '\r';
                        break;
                    case 't':
                        c = '\t';
                        break;
                    default:
                        c = line[i];
                    }
                }
                field.text.push_back(c);
                ++i;
            }
            ++i; // the closing quote
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
                   line[i] != '\n') {
                field.text.push_back(line[i]);
                ++i;
            }
        }
        fields.push_back(std::move(field));
    }
    return fields;
}

} // namespace

std::vector<std::string> SplitFields(std::string_view line) {
    std::vector<std::string> fields;
    for (Field& field : Tokenize(line)) {
        fields.push_back(std::move(field.text));
    }
    return fields;
}

std::vector<std::vector<std::string>> SplitRecords(std::string_view line) {
    std::vector<std::vector<std::string>> records;
    for (Field& field : Tokenize(line)) {
        if (!field.quoted && field.text == "|") {
            records.emplace_back();
        } else if (!records.empty()) {
            records.back().push_back(std::move(field.text));
        }
    }
    return records;
}

} // namespace mailclient
