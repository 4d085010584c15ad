#include "compose/CRecipientPaste.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string Trim(const std::string& text) {
    size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) {
        ++first;
    }
    size_t last = text.size();
    while (last > first && IsBlank(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
}

// Cuts `text` at every character for which `isCut` holds; trimmed pieces, empty ones dropped.
template <typename Pred> std::vector<std::string> Cut(const std::string& text, Pred isCut) {
    std::vector<std::string> pieces;
    std::string current;
    auto flush = [&] {
        std::string piece = Trim(current);
        if (!piece.empty()) {
            pieces.push_back(piece);
        }
        current.clear();
    };
    for (char c : text) {
        if (isCut(c)) {
            flush();
        } else {
            current += c;
        }
    }
    flush();
    return pieces;
}

} // namespace

bool CRecipientPaste::IsWholeNumber(const std::string& token) {
    size_t digits = 0;
    for (size_t i = 0; i < token.size(); ++i) {
        char c = token[i];
        if (c >= '0' && c <= '9') {
            ++digits;
        } else if (c == '+' && i == 0) {
            continue;
        } else if (c != '-' && c != '/' && c != '.' && c != '(' && c != ')') {
            return false;
        }
    }
    return digits >= kMinNumberDigits;
}

std::vector<std::string> CRecipientPaste::Split(const std::string& text) {
    std::vector<std::string> entries;
    for (const std::string& piece : Cut(text, [](char c) { return c == ';' || c == '\n'; })) {
        std::vector<std::string> tokens = Cut(piece, [](char c) { return c == ',' || IsBlank(c); });
        bool allNumbers = tokens.size() > 1;
        for (const std::string& token : tokens) {
            allNumbers = allNumbers && IsWholeNumber(token);
        }
        if (allNumbers) {
            entries.insert(entries.end(), tokens.begin(), tokens.end());
        } else {
            entries.push_back(piece);
        }
    }
    return entries;
}
