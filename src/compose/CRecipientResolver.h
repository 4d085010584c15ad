// Recipient resolution for a compose dialog: builds the known entries of the recipients field
// from the address book and the remembered entries, splits the field's text into valid and
// invalid entries, counts the SMS recipients they stand for, resolves them into address-book
// contacts and plain international numbers, and decides whether a typed entry is accepted.
//
// A text is a valid number when the converter turns it into a non-empty international number;
// without a converter nothing is valid. The resolver uses the application's address-book
// manager and remembered entries, which outlive it.
#pragma once

#include "compose/CKnownEntries.h"
#include "compose/CWABRecord.h"

#include <string>
#include <string_view>
#include <vector>

class CWABManager;
class CRememberedEntries;
class ICountryCodes;

class CRecipientResolver {
public:
    // `converter` may be null (no country-code library).
    CRecipientResolver(CWABManager& wab, CRememberedEntries& remembered,
                       const ICountryCodes* converter);

    // Reloads and validates the address book, then fills the known entries with the display
    // text of every valid record followed by every remembered entry.
    void FillKnownEntries();
    const CKnownEntries& KnownEntries() const { return m_known; }
    bool IsKnown(std::string_view text) const { return m_known.Contains(text); }

    // Cuts `text` at every ";", trims each piece, drops empty ones; a piece equal to a known
    // entry (case-insensitive) is valid, any other invalid. Order and duplicates are kept.
    void Split(std::string_view text, std::vector<std::string>& valid,
               std::vector<std::string>& invalid) const;
    // SMS recipients the valid entries stand for: a list counts its valid members, anything
    // not in the address book (a typed number) counts 1.
    int Count(const std::vector<std::string>& valid) const;

    // Address-book contacts and plain numbers for the valid entries, in order; entries that
    // give neither are dropped. With `expand`, lists give their members.
    void Resolve(const std::vector<std::string>& valid, std::vector<CWABRecord>& contacts,
                 std::vector<std::string>& numbers, bool expand = true) const;
    // The recipient text of a message: each contact's msisdn, then each number, each followed
    // by ";".
    static std::string RecipientText(const std::vector<CWABRecord>& contacts,
                                     const std::vector<std::string>& numbers);

    // The recipients field reports an entry it does not know: when it converts to a number it
    // becomes a known (Typed) and a remembered entry. True when accepted.
    bool AcceptTypedEntry(const std::string& text);
    // The field asks to forget an entry: it leaves the known and the remembered entries.
    // True when it was known or remembered.
    bool RemoveEntry(std::string_view text);

    // The converted number, empty when `text` is not a valid number.
    std::string Convert(const std::string& text) const;

private:
    CWABManager& m_wab;
    CRememberedEntries& m_remembered;
    const ICountryCodes* m_converter;
    CKnownEntries m_known;
};
