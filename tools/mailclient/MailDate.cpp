#include "MailDate.h"

#include "platform/StringUtil.h"

#include <array>
#include <cstdio>
#include <vector>

namespace mailclient {

namespace {

constexpr std::array<const char*, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                 "jul", "aug", "sep", "oct", "nov", "dec"};

// Splits at blanks and commas; commas only separate.
std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (platform::IsSpace(c) || c == ',') {
            if (!word.empty()) {
                words.push_back(word);
                word.clear();
            }
        } else {
            word.push_back(c);
        }
    }
    if (!word.empty()) {
        words.push_back(word);
    }
    return words;
}

// A number of 1..`maxDigits` digits, nothing else; -1 otherwise.
int Number(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) {
        return -1;
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return -1;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

int DaysInMonth(int year, int month) {
    static constexpr std::array<int, 12> days = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[static_cast<std::size_t>(month - 1)];
}

} // namespace

std::optional<MailDate> ParseMailDate(std::string_view header) {
    std::vector<std::string> words = Words(header);
    std::size_t i = 0;
    // An optional day name ("Tue").
    if (i < words.size() && Number(words[i], 2) < 0) {
        ++i;
    }
    if (words.size() < i + 4) {
        return std::nullopt;
    }
    MailDate date;
    date.day = Number(words[i], 2);
    const std::string month = platform::ToLower(words[i + 1]);
    for (std::size_t m = 0; m < kMonths.size(); ++m) {
        if (month.size() >= 3 && month.compare(0, 3, kMonths[m]) == 0) {
            date.month = static_cast<int>(m) + 1;
        }
    }
    date.year = Number(words[i + 2], 4);
    if (words[i + 2].size() == 2 && date.year >= 0) {
        date.year += date.year >= 50 ? 1900 : 2000;
    }
    const std::string& time = words[i + 3];
    const std::size_t c1 = time.find(':');
    const std::size_t c2 = c1 == std::string::npos ? c1 : time.find(':', c1 + 1);
    if (c1 == std::string::npos) {
        return std::nullopt;
    }
    date.hour = Number(std::string_view(time).substr(0, c1), 2);
    date.minute = Number(std::string_view(time).substr(
                             c1 + 1, c2 == std::string::npos ? std::string::npos : c2 - c1 - 1),
                         2);
    date.second = c2 == std::string::npos ? 0 : Number(std::string_view(time).substr(c2 + 1), 2);
    if (date.month == 0 || date.year < 1900 || date.hour < 0 || date.hour > 23 || date.minute < 0 ||
        date.minute > 59 || date.second < 0 || date.second > 60 || date.day < 1 ||
        date.day > DaysInMonth(date.year, date.month)) {
        return std::nullopt;
    }
    return date;
}

std::string FormatListDate(const MailDate& date) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d", date.day, date.month, date.year,
                  date.hour, date.minute);
    return text;
}

std::string ListDateText(std::string_view header) {
    if (std::optional<MailDate> date = ParseMailDate(header)) {
        return FormatListDate(*date);
    }
    return platform::Trim(header);
}

} // namespace mailclient
