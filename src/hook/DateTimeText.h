// Whether a text is a date and time, as a mail client's message list shows one. The whole text
// must be one of these forms (day, month and hour may have one digit; the day must exist in
// its month):
//   dd/mm/yyyy hh:mm[:ss]   dd.mm.yyyy hh:mm[:ss]   yyyy-mm-dd hh:mm[:ss]
//   dd/mm/yyyy              dd.mm.yyyy              yyyy-mm-dd
//   Www, dd Mmm yyyy hh:mm[:ss]   dd Mmm yyyy hh:mm[:ss]   (English names)
// Parsed with strptime in the "C" locale, so the user's locale does not change the answer.
#pragma once

#include <string>

namespace oedate {

bool IsDateTimeText(const std::string& text);

} // namespace oedate
