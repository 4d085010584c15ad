#include "hook/MailColumnText.h"

#include <algorithm>
#include <clocale>
#include <ctime>
#include <locale.h>

namespace oetext {

namespace {

constexpr const char* kFormats[] = {
    "%d/%m/%Y %H:%M",
    "%d/%m/%Y %H:%M:%S",
    "%d.%m.%Y %H:%M",
    "%d.%m.%Y %H:%M:%S",
    "%Y-%m-%d %H:%M",
    "%Y-%m-%d %H:%M:%S",
    "%d/%m/%Y",
    "%d.%m.%Y",
    "%Y-%m-%d",
    "%a, %d %b %Y %H:%M",
    "%a, %d %b %Y %H:%M:%S",
    "%d %b %Y %H:%M",
    "%d %b %Y %H:%M:%S",
};

// The day exists in its month (strptime takes 31/02 as it stands).
bool IsRealDay(const std::tm& parsed) {
    std::tm copy = parsed;
    copy.tm_isdst = 0;
    const std::time_t t = timegm(&copy);
    std::tm back{};
    if (gmtime_r(&t, &back) == nullptr) {
        return false;
    }
    return back.tm_year == parsed.tm_year && back.tm_mon == parsed.tm_mon &&
           back.tm_mday == parsed.tm_mday;
}

// strptime skips blanks wherever a format has one, and at the start of a number; a date with
// blanks around it is not what a list column shows.
bool HasOuterBlanks(const std::string& text) {
    return text.empty() || text.front() == ' ' || text.back() == ' ' || text.front() == '\t' ||
           text.back() == '\t';
}

} // namespace

bool IsSmsAddress(const std::string& text, const std::string& domain, std::string* number) {
    const std::size_t at = text.find('@');
    if (at == std::string::npos || domain.empty() ||
        text.compare(at + 1, std::string::npos, domain) != 0) {
        return false;
    }
    const std::size_t digitsFrom = text[0] == '+' ? 1 : 0;
    if (at <= digitsFrom) {
        return false; // no digits at all
    }
    const bool allDigits = std::all_of(text.begin() + static_cast<std::ptrdiff_t>(digitsFrom),
                                       text.begin() + static_cast<std::ptrdiff_t>(at),
                                       [](char c) { return c >= '0' && c <= '9'; });
    if (!allDigits) {
        return false;
    }
    if (number != nullptr) {
        *number = text.substr(0, at);
    }
    return true;
}

bool IsDateTimeText(const std::string& text) {
    if (HasOuterBlanks(text) || text.size() > 64) {
        return false;
    }
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    if (cLocale == static_cast<locale_t>(0)) {
        return false;
    }
    const locale_t previous = uselocale(cLocale);
    bool found = false;
    for (const char* format : kFormats) {
        std::tm parsed{};
        const char* end = strptime(text.c_str(), format, &parsed);
        if (end != nullptr && *end == '\0' && IsRealDay(parsed)) {
            found = true;
            break;
        }
    }
    uselocale(previous);
    return found;
}

} // namespace oetext
