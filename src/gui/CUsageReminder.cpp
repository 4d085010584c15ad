#include "gui/CUsageReminder.h"

#include <cmath>
#include <cstdio>
#include <sstream>
#include <vector>

namespace {
constexpr int kAppNotUsedAlert = 8;
}

std::optional<std::time_t> CUsageReminder::ParseLastUsed(const std::string& text) {
    int day = 0;
    int month = 0;
    int year = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%d", &day, &month, &year) != 3) {
        return std::nullopt;
    }
    if (year < 1970 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31) {
        return std::nullopt;
    }
    std::tm tm{};
    tm.tm_mday = day;
    tm.tm_mon = month - 1;
    tm.tm_year = year - 1900;
    tm.tm_isdst = -1;
    std::tm check = tm;
    std::time_t t = std::mktime(&check);
    if (t == static_cast<std::time_t>(-1)) {
        return std::nullopt;
    }
    // mktime normalises 31-2 into March; such a text is not a date.
    if (check.tm_mday != day || check.tm_mon != month - 1 || check.tm_year != year - 1900) {
        return std::nullopt;
    }
    return t;
}

long CUsageReminder::WholeDaysBetween(std::time_t from, std::time_t to) {
    double seconds = std::difftime(to, from);
    return static_cast<long>(std::trunc((seconds + 0.5) / 86400.0));
}

int CUsageReminder::AlertFlag(const std::string& alertListbox, int position) {
    std::vector<int> flags;
    std::istringstream in(alertListbox);
    std::string item;
    while (std::getline(in, item, ',')) {
        int value = 0;
        if (std::sscanf(item.c_str(), "%d", &value) != 1) {
            break;
        }
        flags.push_back(value);
    }
    if (position < 0 || static_cast<size_t>(position) >= flags.size()) {
        return 1;
    }
    return flags[static_cast<size_t>(position)];
}

CUsageReminder::Decision CUsageReminder::Decide(const UsageReminderSettings& settings,
                                                std::time_t now) {
    if (settings.disable != "0") {
        return Decision::Disabled;
    }
    if (AlertFlag(settings.alertListbox, kAppNotUsedAlert) == 0) {
        return Decision::AlertOff;
    }
    std::optional<std::time_t> last = ParseLastUsed(settings.lastUsed);
    if (!last) {
        return Decision::NoLastUsed;
    }
    long days = WholeDaysBetween(*last, now);
    if (settings.timeSpanDays < 1 || days < settings.timeSpanDays) {
        return Decision::TooSoon;
    }
    return Decision::Remind;
}

std::string CUsageReminder::FormatLastUsed(std::time_t when) {
    std::tm tm{};
    localtime_r(&when, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d-%d-%d %d:%d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900,
                  tm.tm_hour, tm.tm_min);
    return buf;
}
