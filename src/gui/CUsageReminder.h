// The usage reminder's decision: whether the user has left the program unused long enough to
// be reminded. Plain arithmetic on the stored settings, so it is tested without widgets.
#pragma once

#include <ctime>
#include <optional>
#include <string>

struct UsageReminderSettings {
    std::string disable;      // UsageReminderDisable: only "0" lets the reminder run
    std::string alertListbox; // AlertListbox: nine comma-separated flags
    long timeSpanDays = 5;    // TimeSpan
    std::string lastUsed;     // LastUsed: "day-month-year hour:minute"
};

class CUsageReminder {
public:
    enum class Decision { Remind, Disabled, AlertOff, TooSoon, NoLastUsed };

    // Whether to remind now (`now` is the current time).
    static Decision Decide(const UsageReminderSettings& settings, std::time_t now);

    // The day of a LastUsed text ("%d-%d-%d", day, month, year; a time after it is ignored),
    // as local midnight. Nothing when the text does not hold a real date.
    static std::optional<std::time_t> ParseLastUsed(const std::string& text);
    // Whole days from `from` to `to`: the difference plus half a second, truncated toward
    // zero (negative when `to` lies before `from`).
    static long WholeDaysBetween(std::time_t from, std::time_t to);
    // The flag at `position` (from 0) of an AlertListbox text; 1 (the default of every flag)
    // when the text does not hold that many integers.
    static int AlertFlag(const std::string& alertListbox, int position);
    // The LastUsed text of a time: "%d-%d-%d %d:%d" of day, month, year, hour and minute.
    static std::string FormatLastUsed(std::time_t when);
};
