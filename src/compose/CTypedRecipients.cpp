#include "compose/CTypedRecipients.h"

#include <algorithm>
#include <cctype>

CTypedRecipients::CTypedRecipients(Converter convert, std::vector<std::string> known)
    : m_convert(std::move(convert)), m_known(std::move(known)) {}

bool CTypedRecipients::EqualsNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

std::vector<std::string> CTypedRecipients::Pieces(const std::string& text) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(';', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::size_t first = start;
        std::size_t last = end;
        while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) {
            ++first;
        }
        while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) {
            --last;
        }
        if (last > first) {
            pieces.push_back(text.substr(first, last - first));
        }
        start = end + 1;
    }
    return pieces;
}

std::string CTypedRecipients::InternationalOnly(const std::string& text) {
    std::string digits;
    bool plus = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            digits += c;
        } else if (c == '+' && digits.empty() && !plus) {
            plus = true;
        } else if (c != ' ' && c != '-' && c != '/' && c != '.' && c != '(' && c != ')') {
            return {};
        }
    }
    if (!plus) {
        if (digits.size() < 2 || digits.compare(0, 2, "00") != 0) {
            return {};
        }
        digits.erase(0, 2);
    }
    if (digits.size() < 7 || digits.size() > 15 || digits[0] == '0') {
        return {};
    }
    return "+" + digits;
}

bool CTypedRecipients::IsKnown(const std::string& entry) const {
    return std::any_of(m_known.begin(), m_known.end(),
                       [&](const std::string& known) { return EqualsNoCase(known, entry); });
}

std::vector<std::string> CTypedRecipients::KnownEntries() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_known;
}

void CTypedRecipients::Split(const std::string& text, std::vector<std::string>& valid,
                             std::vector<std::string>& invalid) {
    std::lock_guard<std::mutex> lock(m_lock);
    for (std::string& piece : Pieces(text)) {
        (IsKnown(piece) ? valid : invalid).push_back(std::move(piece));
    }
}

int CTypedRecipients::Count(const std::vector<std::string>& valid) {
    return static_cast<int>(valid.size());
}

RecipientResolution CTypedRecipients::Resolve(const std::vector<std::string>& valid) {
    RecipientResolution result;
    for (const std::string& entry : valid) {
        std::string number = ConvertToMsisdn(entry);
        if (!number.empty()) {
            result.numbers.push_back(std::move(number));
        }
    }
    return result;
}

std::string CTypedRecipients::ConvertToMsisdn(const std::string& text) {
    return m_convert ? m_convert(text) : std::string();
}

bool CTypedRecipients::AcceptTypedEntry(const std::string& entry) {
    if (ConvertToMsisdn(entry).empty()) {
        return false;
    }
    std::lock_guard<std::mutex> lock(m_lock);
    if (!IsKnown(entry)) {
        m_known.push_back(entry);
    }
    return true;
}

bool CTypedRecipients::RemoveEntry(const std::string& entry) {
    std::lock_guard<std::mutex> lock(m_lock);
    auto it = std::find_if(m_known.begin(), m_known.end(),
                           [&](const std::string& known) { return EqualsNoCase(known, entry); });
    if (it == m_known.end()) {
        return false;
    }
    m_known.erase(it);
    return true;
}
