#include "countrycodes/CNumberConverter.h"

#include <phonenumbers/phonenumberutil.h>

#include <array>

namespace countrycodes {

namespace {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

// Multi-byte separators found in exported address books: no-break space, narrow no-break
// space, hyphen, non-breaking hyphen, figure dash, en dash, em dash, horizontal bar, minus.
constexpr std::array<std::string_view, 9> kWideSeparators = {
    "\xC2\xA0",     "\xE2\x80\xAF", "\xE2\x80\x90", "\xE2\x80\x91", "\xE2\x80\x92",
    "\xE2\x80\x93", "\xE2\x80\x94", "\xE2\x80\x95", "\xE2\x88\x92"};

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == '-' || c == '.' || c == '/' || c == '(' || c == ')';
}

// Types of numbers a text message can reach.
bool TakesTextMessages(PhoneNumberUtil::PhoneNumberType type) {
    switch (type) {
    case PhoneNumberUtil::MOBILE:
    case PhoneNumberUtil::FIXED_LINE_OR_MOBILE:
    case PhoneNumberUtil::PERSONAL_NUMBER:
    case PhoneNumberUtil::VOIP:
        return true;
    default:
        return false;
    }
}

} // namespace

bool CNumberConverter::HasOnlyNumberCharacters(std::string_view text) {
    bool digit = false;
    bool plusAllowed = true; // only before the first digit, once
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digit = true;
            plusAllowed = false;
            ++i;
            continue;
        }
        if (c == '+' && plusAllowed) {
            plusAllowed = false;
            ++i;
            continue;
        }
        if (IsSeparator(c)) {
            ++i;
            continue;
        }
        bool wide = false;
        for (std::string_view separator : kWideSeparators) {
            if (text.substr(i, separator.size()) == separator) {
                i += separator.size();
                wide = true;
                break;
            }
        }
        if (!wide) {
            return false;
        }
    }
    return digit;
}

std::string CNumberConverter::Convert(std::string_view text, std::string_view homeRegion) {
    if (text.size() > kMaxInputLength || !HasOnlyNumberCharacters(text)) {
        return {};
    }
    const PhoneNumberUtil& util = *PhoneNumberUtil::GetInstance();
    // "ZZ" is libphonenumber's unknown region: only numbers with "+" parse.
    std::string region = homeRegion.empty() ? "ZZ" : std::string(homeRegion);
    for (char& c : region) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        }
    }
    if (region != "ZZ" && util.GetCountryCodeForRegion(region) == 0) {
        region = "ZZ";
    }
    PhoneNumber number;
    if (util.Parse(std::string(text), region, &number) != PhoneNumberUtil::NO_PARSING_ERROR) {
        return {};
    }
    if (!util.IsValidNumber(number) || !TakesTextMessages(util.GetNumberType(number))) {
        return {};
    }
    std::string international;
    util.Format(number, PhoneNumberUtil::E164, &international);
    return international;
}

} // namespace countrycodes
