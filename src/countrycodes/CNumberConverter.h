// Turns a typed phone number into an international number (E.164 with a leading "+") with
// the rules of the home country, through libphonenumber.
//
// Accepted: digits with an optional leading "+", and between them blanks, tabs, dashes,
// dots, slashes and parentheses (also the no-break space and the Unicode dashes address
// books export). Anything else - letters (libphonenumber would read "1-800-FLOWERS" as
// digits), "*", "#", extensions - makes the text invalid, as does a text longer than
// kMaxInputLength bytes. The number must be valid for its country and of a type that takes
// text messages (MOBILE, FIXED_LINE_OR_MOBILE, PERSONAL_NUMBER, VOIP).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace countrycodes {

class CNumberConverter {
public:
    static constexpr std::size_t kMaxInputLength = 100;

    // The international number, or an empty text when `text` is not a valid mobile number.
    // `homeRegion` is an alpha-2 key ("GB"); an empty or unknown one accepts only numbers
    // written with "+".
    static std::string Convert(std::string_view text, std::string_view homeRegion);

    // True when the text holds only digits, a leading "+" and the separators above, and at
    // least one digit.
    static bool HasOnlyNumberCharacters(std::string_view text);
};

} // namespace countrycodes
