// The rules of the compose dialog that need no window: the length limit and the counters,
// the originator box and its check, name placeholders, and the saved window rectangle.
// Qt-free; the dialog calls them with the texts of its controls.
#pragma once

#include "compose/CComposeSettings.h"
#include "compose/IRecipientSource.h"

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct TextCount {
    std::size_t characters = 0; // in the units of the text's alphabet
    std::size_t parts = 1;
    std::size_t maximum = 0;   // units allowed by the truncation mode
    bool tooLong = false;      // the text must be cut to `keepBytes`
    std::size_t keepBytes = 0; // bytes of the text that stay
};

// The translated suffixes that mark the three originator entries.
struct OriginatorSuffixes {
    std::string mobile;  // "(replies to your mobile)"
    std::string inbox;   // "(replies to your inbox)"
    std::string noReply; // "(no reply)"
};

struct OriginatorEntry {
    std::string text;  // shown in the box: the account text, a blank and the suffix
    std::string value; // stored as the record's originator
};

struct OriginatorCheck {
    bool ok = false;
    std::string value;    // the record's originator when ok
    std::string alertKey; // message to show when not ok (empty: stop silently)
};

class CComposeRules {
public:
    // Counts a body text (carriage returns already removed) under the settings and the
    // dialog's truncation mode (0 one SMS, otherwise long messages).
    static TextCount CountText(const std::string& text, const CComposeSettings& settings,
                               int truncationMode);

    // The entries of the originator box, in order; only those whose account text is set.
    static std::vector<OriginatorEntry> OriginatorEntries(const CComposeSettings& settings,
                                                          const OriginatorSuffixes& suffixes);
    // The originator of a message from the box's text. `convert` gives the international
    // form of a number or an empty text.
    static OriginatorCheck
    CheckOriginator(const std::string& boxText, const CComposeSettings& settings,
                    const OriginatorSuffixes& suffixes,
                    const std::function<std::string(const std::string&)>& convert);

    // Rewrites every "<name>", "<firstname>" and "<lastname>" (any letter case) in lower
    // case; true when the text holds any.
    static bool NormalizePlaceholders(std::string& text);
    // The text for one contact: the (normalised) placeholders replaced by its names.
    static std::string FillPlaceholders(const std::string& text, const RecipientContact& contact);

    // "left-top-right-bottom" of NewMessageSize; nothing when it is not four numbers.
    static std::optional<std::array<int, 4>> ParseWindowRect(const std::string& text);
    // The text to save for a window rectangle; nothing when any coordinate is -6 or less
    // (a window pushed off the screen is not remembered).
    static std::optional<std::string> FormatWindowRect(int left, int top, int right, int bottom);

    // The text with every "\r" removed.
    static std::string WithoutCarriageReturns(const std::string& text);
};
