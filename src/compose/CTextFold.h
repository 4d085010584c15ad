// Comparison of UTF-8 texts without regard to letter case, as the recipients field and the
// address book compare names and entries. Letters of ASCII, Latin-1, Latin Extended-A, Greek
// and Cyrillic fold to lower case; every other byte compares as it is. Invalid UTF-8 bytes are
// compared as single bytes, so any input is accepted.
#pragma once

#include <string>
#include <string_view>

class CTextFold {
public:
    // The folded (lower-case) form of `text`; two texts are equal without regard to case when
    // their folded forms are equal.
    static std::string Fold(std::string_view text);
    static bool EqualsNoCase(std::string_view a, std::string_view b);
    // True when `text` begins with `prefix` without regard to case (an empty prefix matches).
    static bool StartsWithNoCase(std::string_view text, std::string_view prefix);
    // Ordering without regard to case (folded forms compared byte by byte), ties broken by
    // the texts themselves so that the order is total.
    static int CompareNoCase(std::string_view a, std::string_view b);
    // Removes white space (space, tab, CR, LF, VT, FF) at both ends.
    static std::string_view Trim(std::string_view text);
};
