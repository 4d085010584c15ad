// One vCard (2.1, 3.0 or 4.0) as read from the address book: its properties in file order,
// the original bytes of the card, and what the program needs of it - the name, the mobile
// number, the identifier, whether it is a group and which cards are its members.
//
// Mobile number: the first TEL typed "cell" (a preferred one first), else the first TEL
// without any type. A value "tel:+49..." (vCard 4.0 URI) gives the number without "tel:" and
// without URI parameters.
//
// Groups: KIND:group (4.0) or X-ADDRESSBOOKSERVER-KIND:group (3.0); members are MEMBER or
// X-ADDRESSBOOKSERVER-MEMBER values ("urn:uuid:..." or a UID).
//
// Changes (SetFormattedName, SetName, SetMobile, SetMemberUris) replace only the properties
// concerned; every other property keeps its bytes. A changed card without UID is given one, so
// that its identifier stays the same after the change.
#pragma once

#include "compose/CVCardProperty.h"

#include <string>
#include <string_view>
#include <vector>

class CVCard {
public:
    CVCard() = default;
    // A new card of the given version ("3.0" when empty) with a fresh random UID.
    static CVCard NewCard(std::string_view version, bool group);

    const std::string& Version() const { return m_version; }
    const std::vector<CVCardProperty>& Properties() const { return m_properties; }
    // First property of that (upper-case) name, or nullptr.
    const CVCardProperty* Find(std::string_view name) const;

    // The UID value as written (unescaped), empty when none.
    std::string Uid() const;
    // The identifier the program knows the card by: the UID without a "urn:uuid:" prefix,
    // else "x-tw-" and a hash of the card's name and numbers.
    std::string EntryId() const;
    std::string FormattedName() const;
    std::string FamilyName() const;
    std::string GivenName() const;
    // FN; else given and family name of N; else ORG; else the first EMAIL; else the first TEL.
    std::string DisplayName() const;
    std::string Mobile() const;
    bool IsGroup() const;
    // Member references as written: "urn:uuid:…", a UID, "mailto:…".
    std::vector<std::string> MemberUris() const;
    // E-mail addresses (to resolve "mailto:" members).
    std::vector<std::string> Emails() const;

    void SetFormattedName(const std::string& name);
    void SetName(const std::string& family, const std::string& given);
    // Empty removes the mobile number.
    void SetMobile(const std::string& number);
    void SetMemberUris(const std::vector<std::string>& uris);
    // Gives the card a UID when it has none: `id`, or the current entry id when empty.
    void EnsureUid(const std::string& id = {});

    // The card as read, from "BEGIN:VCARD" to the line end after "END:VCARD"; empty for a
    // new or changed card.
    const std::string& Raw() const { return m_raw; }
    bool IsModified() const { return m_raw.empty(); }
    // Line end used when the program formats lines of this card ("\r\n" unless the card
    // was read with bare line feeds).
    const std::string& LineEnd() const { return m_lineEnd; }

    // Used by the reader.
    void Assign(std::string version, std::vector<CVCardProperty> properties, std::string raw,
                std::string lineEnd);
    // Marks the card as changed by hand: the writer formats BEGIN/END and changed lines.
    void Touch() { m_raw.clear(); }
    std::vector<CVCardProperty>& MutableProperties() {
        Touch();
        return m_properties;
    }

    // Same meaning: same version and properties (raw bytes not compared).
    bool SameMeaning(const CVCard& other) const;

private:
    // Index of the property Mobile() reads, or -1.
    int MobileIndex() const;
    // Sets the value of the first property `name` (keeping its group and parameters), or
    // appends one with `params`.
    void SetFirst(std::string_view name, std::string value, std::vector<CVCardParam> params);
    // The property's text value, trimmed.
    std::string TextOf(const CVCardProperty& property) const;

    std::string m_version = "3.0";
    std::vector<CVCardProperty> m_properties;
    std::string m_raw;
    std::string m_lineEnd = "\r\n";
};
