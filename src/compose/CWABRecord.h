// One address-book entry as the address-book manager caches it: a contact with its mobile
// number or a distribution list (a contact group). The manager's validation fills `valid`,
// `count` and `msisdn`; everything else comes from the address book.
#pragma once

#include <cstdint>
#include <string>

class CWABRecord {
public:
    bool isDistributionList = false;
    // The entry can be sent to: a contact whose mobile converts to a number, a list whose
    // members are all valid.
    bool valid = false;
    // SMS recipients the entry stands for: 1 for a contact, the sum over the valid members
    // for a list.
    std::int32_t count = 0;
    // The mobile number in international form; empty when invalid.
    std::string msisdn;
    // The mobile number as stored in the address book.
    std::string mobile;
    std::string firstName;
    std::string lastName;
    std::string displayName;
    // The address book's identifier of the entry (the vCard's UID without a "urn:uuid:"
    // prefix, or an identifier derived from the card's content when it has none).
    std::string entryId;

    // The text by which the recipients field knows the entry: "Name (+4917012345)" for a
    // contact (display name and converted number), the display name alone for a list.
    std::string DisplayText() const;

    bool operator==(const CWABRecord&) const = default;
};
