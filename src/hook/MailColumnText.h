// What the hook library recognises in the column texts of the mail client's message list: an
// SMS address (the sender of a mail that came in as the reply to an SMS) and a date.
//
// IsSmsAddress: "+"? digits "@" domain, the domain compared exactly (an empty domain matches
// nothing, and there must be at least one digit); the number is the part before "@".
//
// IsDateTimeText: whether a text is a date and time, as a message list shows one. The whole text
// must be one of these forms (day, month and hour may have one digit; the day must exist in
// its month):
//   dd/mm/yyyy hh:mm[:ss]   dd.mm.yyyy hh:mm[:ss]   yyyy-mm-dd hh:mm[:ss]
//   dd/mm/yyyy              dd.mm.yyyy              yyyy-mm-dd
//   Www, dd Mmm yyyy hh:mm[:ss]   dd Mmm yyyy hh:mm[:ss]   (English names)
// Parsed with strptime in the "C" locale, so the user's locale does not change the answer.
#pragma once

#include <string>

namespace oetext {

bool IsSmsAddress(const std::string& text, const std::string& domain, std::string* number);
bool IsDateTimeText(const std::string& text);

} // namespace oetext
