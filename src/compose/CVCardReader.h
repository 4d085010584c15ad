// Reads vCards (2.1, 3.0, 4.0) from text: unfolds lines (CRLF or LF followed by a space or
// tab), joins quoted-printable soft line breaks, decodes quoted-printable values, converts the
// character set (UTF-8, US-ASCII, ISO-8859-1, Windows-1252; text that is not valid UTF-8 is read
// as Windows-1252) and parses parameters of every dialect.
//
// A damaged card - no END:VCARD, a line without ":" or with a bad property name, an unclosed
// quoted parameter - is skipped and reported; the cards around it are read. Text outside
// BEGIN:VCARD ... END:VCARD is ignored. Nothing in the input can make the reader fail other
// than by skipping cards, and its work grows linearly with the input.
#pragma once

#include "compose/CVCard.h"

#include <string>
#include <string_view>
#include <vector>

class CVCardReader {
public:
    struct Damage {
        int line = 0; // 1-based line of the card's BEGIN
        std::string reason;
    };

    // Appends the cards read from `text` to `cards`; damaged cards go to `damage`. With `gaps`,
    // the bytes around the cards are kept too: gaps[i] holds what stands before the i-th card
    // read (text outside cards, damaged cards) and the last entry what follows the last card,
    // so that the gaps and the cards' raw bytes put together give `text` again.
    static void Parse(std::string_view text, std::vector<CVCard>& cards,
                      std::vector<Damage>& damage, std::vector<std::string>* gaps = nullptr);
    // True when `text` holds "BEGIN:VCARD" at the start of a line (any case).
    static bool LooksLikeVCard(std::string_view text);
};
