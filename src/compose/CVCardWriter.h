// Writes vCards. A card that was not changed is written with its original bytes; a changed
// card gets BEGIN/END lines of its own and keeps the original bytes of every property that was
// not changed. Properties the program formats are escaped for the card's version, folded at 75
// bytes (3.0, 4.0; never inside a UTF-8 character), and written quoted-printable with
// CHARSET=UTF-8 where vCard 2.1 needs it (texts that are not plain ASCII or hold line breaks).
#pragma once

#include "compose/CVCard.h"

#include <string>
#include <vector>

class CVCardWriter {
public:
    static std::string Write(const std::vector<CVCard>& cards);
    static void WriteCard(const CVCard& card, std::string& out);
    // One formatted content line (with its line end) of a property of a card of `version`.
    static std::string FormatProperty(const CVCardProperty& property, std::string_view version,
                                      std::string_view lineEnd);
};
