// Turns a phone number as the user typed it or as the address book stores it into the
// international number (MSISDN, with a leading "+") that messages are sent to. The country-code
// library decides what is a valid number; an empty result means the text is not one. A converter
// that cannot convert anything (no library) returns empty texts for every input.
#pragma once

#include <string>

class INumberConverter {
public:
    virtual ~INumberConverter() = default;
    // The international number, or an empty text when `text` is not a valid number.
    virtual std::string ConvertToMsisdn(const std::string& text) const = 0;
};
