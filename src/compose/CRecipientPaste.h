// How pasted text becomes recipient entries. Line breaks and ";" always end an entry. A piece
// that is a list of phone numbers separated by blanks or commas is split into one entry per
// number; a piece with any other text (a name such as "Smith, Anna", or one number written in
// groups such as "+49 170 1234567") stays one entry. Pieces are trimmed; empty ones vanish.
// Plain C++, no Qt: the recipients field calls it with the clipboard's text.
#pragma once

#include <string>
#include <vector>

class CRecipientPaste {
public:
    // The entries the pasted UTF-8 text stands for, in order.
    static std::vector<std::string> Split(const std::string& text);
    // True when `token` reads as one complete phone number: an optional leading "+", then
    // digits with at most the usual punctuation ("-", "/", ".", "(", ")"), at least
    // kMinNumberDigits digits.
    static bool IsWholeNumber(const std::string& token);

    static constexpr size_t kMinNumberDigits = 6;
};
