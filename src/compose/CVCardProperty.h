// One content line of a vCard ("item1.TEL;TYPE=cell:+49 170 1234567"), in three forms:
//
//  - what it means: group, name (upper case), parameters and the value, after unfolding,
//    quoted-printable decoding and conversion of its character set to UTF-8. The value keeps
//    the vCard escapes (\, \; \n \\); Text() and Components() remove them.
//  - how it was written: the original bytes of all its physical lines, folding and line ends
//    included, so that a card is written back byte for byte where nothing was changed.
//  - ENCODING=QUOTED-PRINTABLE and CHARSET are transport details: they are taken out of the
//    parameters when read and chosen again when a changed property is written.
//
// Parameter values are split at commas outside quotes, and each value is one entry of the
// parameter list: "TYPE=cell,voice" reads as two TYPE entries, the second one marked as joined
// to the one before it, so that the writer gives the list again. vCard 2.1 bare parameters
// ("TEL;CELL:") read as TYPE values, a bare QUOTED-PRINTABLE, BASE64 or 8BIT as ENCODING.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct CVCardParam {
    std::string name; // upper case
    std::string value;
    bool joined = false; // a further value of the entry before it ("voice" of "TYPE=cell,voice")

    bool operator==(const CVCardParam&) const = default;
};

class CVCardProperty {
public:
    std::string group;               // "item1" of "item1.TEL"; empty when none
    std::string name;                // upper case: "FN", "TEL", "X-ADDRESSBOOKSERVER-MEMBER"
    std::vector<CVCardParam> params; // in file order, one entry per value
    std::string value;               // UTF-8, escapes kept
    // The original bytes (all physical lines with their line ends); empty for a property made
    // or changed by the program, which the writer then formats itself.
    std::string raw;

    // True when a TYPE value equals `type` without regard to ASCII case.
    bool HasType(std::string_view type) const;
    // True when the property is marked preferred (TYPE=pref or a PREF parameter).
    bool IsPreferred() const;
    // All values of the parameter `name` (upper case), empty when absent.
    std::vector<std::string> ParamValues(std::string_view paramName) const;

    // The value without escapes: "\n" and "\N" become a line feed, "\," "\;" "\\" their
    // characters (vCard 2.1 knows only "\;"; a backslash before anything else stays).
    std::string Text(std::string_view version) const;
    // A structured value (N, ADR) cut at unescaped ";" and unescaped piece by piece.
    std::vector<std::string> Components(std::string_view version) const;

    // The escaped form of a text for a value of the given version.
    static std::string Escape(std::string_view text, std::string_view version);
    // The escaped form of a structured value, pieces joined with ";".
    static std::string JoinComponents(const std::vector<std::string>& pieces,
                                      std::string_view version);

    // True for the vCard 2.1 bare parameters that name an encoding ("QUOTED-PRINTABLE",
    // "BASE64", "8BIT", "7BIT", any case); any other bare word is a type.
    static bool IsEncodingWord(std::string_view word);

    // Same meaning (the raw bytes are not compared).
    bool SameMeaning(const CVCardProperty& other) const {
        return group == other.group && name == other.name && params == other.params &&
               value == other.value;
    }
};
