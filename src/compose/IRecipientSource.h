// What the compose dialog needs to know about recipients: which typed entries are valid, how
// many SMS recipients they stand for, and the numbers (and address-book contacts) a message
// goes to. Entries are the pieces of the recipients text between ";". Implementations: the
// address-book resolution, and CTypedRecipients for typed numbers only. Qt-free.
#pragma once

#include <string>
#include <vector>

// One address-book contact a message goes to; the name fields fill the placeholders.
struct RecipientContact {
    std::string msisdn; // international number with "+"
    std::string displayName;
    std::string firstName;
    std::string lastName;
};

struct RecipientResolution {
    std::vector<RecipientContact> contacts; // in resolution order
    std::vector<std::string> numbers;       // typed numbers, converted
};

class IRecipientSource {
public:
    virtual ~IRecipientSource() = default;

    // Builds the known entries afresh (a compose dialog starts): the address book is read
    // again and validated, and the remembered entries join.
    virtual void FillKnownEntries() {}
    // The texts the recipients field accepts as valid entries (suggestions).
    virtual std::vector<std::string> KnownEntries() = 0;
    // Cuts the text at ";", trims the pieces and drops empty ones; pieces equal to a known
    // entry (any letter case) are valid, the others invalid. Order and duplicates are kept.
    virtual void Split(const std::string& text, std::vector<std::string>& valid,
                       std::vector<std::string>& invalid) = 0;
    // SMS recipients the valid entries stand for (a group counts its members).
    virtual int Count(const std::vector<std::string>& valid) = 0;
    // The contacts (groups expanded) and plain numbers of the valid entries.
    virtual RecipientResolution Resolve(const std::vector<std::string>& valid) = 0;
    // International form of a typed number, or an empty text when it is no valid number.
    virtual std::string ConvertToMsisdn(const std::string& text) = 0;
    // An entry the user typed that is not known: true (and known and remembered from now on)
    // when it is a valid number.
    virtual bool AcceptTypedEntry(const std::string& entry) = 0;
    // The user removed a suggestion: forget it.
    virtual bool RemoveEntry(const std::string& entry) = 0;
};
