// The date column of the mail list. A mail's Date header ("Tue, 8 Dec 2026 14:05:33 +0000")
// is shown in the short form "dd/mm/yyyy hh:mm", in the time of the mail's own zone (the zone
// is not converted, so the list shows the same text on every machine). A header that is not a
// date in the mail form is shown as it stands.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mailclient {

struct MailDate {
    int year = 0;
    int month = 0; // 1..12
    int day = 0;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Reads "[Day,] d Mon yyyy hh:mm[:ss] [zone]" (two-digit years are 19xx from 50, else 20xx).
// Empty when the text is not such a date or a field is out of range.
std::optional<MailDate> ParseMailDate(std::string_view header);

// "dd/mm/yyyy hh:mm".
std::string FormatListDate(const MailDate& date);

// The text of the date column for a Date header: the short form, or the header itself (blanks
// trimmed) when it is not a date.
std::string ListDateText(std::string_view header);

} // namespace mailclient
