// The known entries of the recipients field: the texts it accepts as valid entries, each with
// where it comes from (an address-book contact or list, a remembered number, a number typed
// in this dialog), the address-book entry id where there is one, and whether it can be sent
// to. Texts are compared without regard to case; an entry equal to one already known is not
// added twice.
//
// Suggestions: every known entry that begins with the prefix (without regard to case), in the
// order of a sorted list (case-insensitive); an empty prefix gives none. The entries are kept
// in a sorted index, so one keystroke costs a binary search plus the matches.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

enum class EntryKind {
    Contact,          // an address-book contact ("Name (+49...)")
    DistributionList, // an address-book contact group
    Remembered,       // a number remembered from earlier
    Typed             // a number typed in this dialog (also remembered from now on), or an
                      // unknown piece of text (then not valid)
};

struct CKnownEntry {
    std::string text;
    EntryKind kind = EntryKind::Typed;
    bool valid = false;
    std::string entryId; // address-book entry id; empty for numbers

    bool operator==(const CKnownEntry&) const = default;
};

class CKnownEntries {
public:
    void Clear();
    // False when an entry with an equal text is already known.
    bool Add(CKnownEntry entry);
    // Removes the entry with an equal text. True when removed.
    bool Remove(std::string_view text);
    bool Contains(std::string_view text) const { return Find(text) != nullptr; }
    // The entry with an equal text, or nullptr (valid until the next change).
    const CKnownEntry* Find(std::string_view text) const;
    // The known entry, or an invalid Typed entry holding `text` when it is not known.
    CKnownEntry Classify(std::string_view text) const;

    // In the order they were added.
    const std::vector<CKnownEntry>& Entries() const { return m_entries; }
    std::size_t Size() const { return m_entries.size(); }

    // The candidates for `prefix`, sorted; pointers valid until the next change.
    std::vector<const CKnownEntry*> Suggestions(std::string_view prefix) const;

private:
    void EnsureSorted() const;

    std::vector<CKnownEntry> m_entries;
    std::vector<std::string> m_folded;                    // folded text of each entry
    std::unordered_map<std::string, std::size_t> m_index; // folded text -> entry
    mutable std::vector<std::size_t> m_sorted;            // entries in folded order
    mutable bool m_sortedValid = true;
};
