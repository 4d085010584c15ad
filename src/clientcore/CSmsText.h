// Length of an SMS text as the mobile network counts it, and the number of messages it takes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class CSmsText {
public:
    enum class Mode { Reject, Split, Concat };

    // Parses "reject", "split" or "concat".
    static std::optional<Mode> ParseMode(const std::string& text);

    // Measures a UTF-8 text. Nothing when the text is not valid UTF-8.
    static std::optional<CSmsText> Measure(const std::string& utf8);

    // True when the text needs UCS-2 (a character outside the GSM 7-bit alphabet).
    bool IsUcs2() const { return m_ucs2; }
    // Length in the units of its alphabet: septets (extension characters count 2) or UTF-16
    // code units (characters outside the basic plane count 2).
    std::size_t Length() const { return m_length; }
    // Characters one single message holds: 160 in GSM 7-bit, 70 in UCS-2.
    std::size_t SingleLimit() const;
    // Messages the text takes in the mode; Reject gives 1 when the text fits one message and 0
    // when it does not.
    std::size_t Parts(Mode mode) const;

private:
    CSmsText() = default;
    // Fills parts of `capacity` units without cutting a character.
    std::size_t CountParts(std::size_t capacity) const;

    bool m_ucs2 = false;
    std::size_t m_length = 0;
    std::vector<unsigned char> m_widths; // units of every character
};
