// Length of an SMS text as the mobile network counts it, and the number of messages it takes.
// The one measure of a text for everybody who counts: the compose dialog's counters and its
// length limit, and the client core's embedded service when it charges a message. Texts in the
// GSM 7-bit alphabet count one unit per character and two for the characters of its extension
// table; a text with any other character (emoji included) is sent as UCS-2 and counts UTF-16
// units, 70 to one message and 67 to each part of a joined message. Qt-free.
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

    // The compose dialog's measure. `messageLength` is what one message holds in the GSM
    // alphabet (the account's MessageLength), `concatLength` one part of a joined message;
    // UCS-2 texts hold at most 70 and 67.
    struct Limits {
        std::size_t messageLength = 160;
        std::size_t concatLength = 153;
        bool concat = false; // split type not 0: long texts go as one joined message
    };
    // Units one message holds for this text under the limits.
    std::size_t SingleLimit(const Limits& limits) const;
    // Messages the text takes: 1 for an empty text and for one that fits one message;
    // otherwise parts of one message each, or of one joined part each when `concat`.
    std::size_t Parts(const Limits& limits) const;
    // Byte length of the longest beginning of the text that takes at most `units` units,
    // never cutting a character.
    std::size_t PrefixBytes(std::size_t units) const;
    // Byte length of the longest beginning of the text that fits a limit: `gsmUnits` while
    // that beginning is all GSM, `ucs2Units` once it holds a character outside the alphabet.
    // So a character that would turn a full GSM text into UCS-2 is what gets cut, not the
    // text before it.
    std::size_t FitBytes(std::size_t gsmUnits, std::size_t ucs2Units) const;
    // Number of characters (code points).
    std::size_t Characters() const { return m_widths.size(); }

    // Measures any text: bytes that are not valid UTF-8 count one UCS-2 unit each.
    static CSmsText MeasureLenient(const std::string& utf8);

    // One quick pass over a text (as MeasureLenient reads it) without keeping anything per
    // character: its length in its alphabet, and whether every character takes one unit
    // (then its parts follow from the length alone).
    struct Scan {
        bool ucs2 = false;
        std::size_t length = 0;
        bool uniform = true;
    };
    static Scan ScanLenient(const std::string& utf8);
    // The parts of a text of `length` units that are all one unit wide.
    static std::size_t UniformParts(std::size_t length, bool ucs2, const Limits& limits);

private:
    CSmsText() = default;
    // Fills parts of `capacity` units without cutting a character.
    std::size_t CountParts(std::size_t capacity) const;
    void Fill(const std::vector<char32_t>& chars);

    bool m_ucs2 = false;
    std::size_t m_length = 0;
    std::vector<unsigned char> m_widths; // units of every character
    std::vector<unsigned char> m_bytes;  // UTF-8 bytes of every character
    std::vector<unsigned char> m_gsm;    // GSM units of every character, 0 outside the alphabet
};
