// The editing rules of the recipients field on its text, without any widget: where entries
// begin and end, the suggestion prefix, completing an entry, taking a suggestion, and how the
// caret and selections treat valid entries as a whole. The widget keeps only the drawing and
// the key dispatch.
//
// Texts and positions are UTF-16 code units, as a QString holds them (pass
// std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), s.size())). Entries are
// separated by ";"; an entry's range excludes the spaces around it and the separator. Whether
// an entry is valid is asked through a callback, so that the widget can ask its parent to
// accept a typed number before answering.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CRecipientFieldText {
public:
    static constexpr char16_t kSeparator = u';';
    // The suggestion list shows at most this many rows before it scrolls.
    static constexpr int kMaxVisibleSuggestions = 7;

    struct Range {
        std::size_t start = 0;
        std::size_t end = 0; // one past the last unit
        bool Empty() const { return start >= end; }
        bool operator==(const Range&) const = default;
    };

    struct Piece {
        Range text;                           // the entry without surrounding spaces
        std::size_t rawStart = 0;             // first unit after the previous separator (or 0)
        std::optional<std::size_t> separator; // position of the ";" that ends it
    };

    // The result of an edit: the new text, the caret, and the entry concerned.
    struct Edit {
        std::u16string text;
        std::size_t caret = 0;
        Range entry;
        bool valid = false;
        bool changed = false; // the text differs from before
    };

    using IsValidFn = std::function<bool(std::u16string_view entry)>;

    // Every non-empty entry of the text, in order.
    static std::vector<Piece> Pieces(std::u16string_view text);

    // The text from after the last ";" before the caret up to the caret, without leading
    // spaces.
    static std::u16string_view SuggestionPrefix(std::u16string_view text, std::size_t caret);

    // The entry around the caret, found by stepping back over spaces and ";" to its end, then
    // back to the previous ";", then over leading spaces. Empty when there is none.
    static Range CurrentEntry(std::u16string_view text, std::size_t caret);

    // Completes the entry around the caret: asks whether it is valid, adds a ";" after it when
    // none follows and puts the caret after that ";". No entry: nothing changes.
    static Edit CompleteEntry(std::u16string_view text, std::size_t caret,
                              const IsValidFn& isValid);
    // Replaces the entry at the caret (from after the previous ";" to the next ";" or the end)
    // by the suggestion followed by ";", then completes it.
    static Edit TakeSuggestion(std::u16string_view text, std::size_t caret,
                               std::u16string_view suggestion, const IsValidFn& isValid);

    // Widens the selection to cover every valid entry it touches (an empty selection: the
    // valid entry at the caret). With `withSeparator` the entries' separators are covered too
    // (for deleting them). Returns the selection unchanged when it touches no valid entry.
    static Range WidenSelection(std::u16string_view text, Range selection, const IsValidFn& isValid,
                                bool withSeparator);
    // The caret after Left (`right` false) or Right: over a whole valid entry when the caret
    // is inside or at the edge of one, else one unit.
    static std::size_t MoveCaret(std::u16string_view text, std::size_t caret, bool right,
                                 const IsValidFn& isValid);
    // For Backspace: when the caret stands right after the ";" of a valid entry, the range to
    // delete (the entry from after the previous separator, with its own separator).
    static std::optional<Range> BackspaceRange(std::u16string_view text, std::size_t caret,
                                               const IsValidFn& isValid);

    static std::string ToUtf8(std::u16string_view text);
    static std::u16string ToUtf16(std::string_view text);
};
