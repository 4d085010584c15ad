#include "compose/CVCard.h"

#include "compose/CTextFold.h"

#include <cstdint>
#include <random>

namespace {

bool StartsWithAsciiNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

std::string RandomUuid() {
    static thread_local std::mt19937_64 engine{std::random_device{}()};
    const std::uint64_t high = engine();
    const std::uint64_t low = engine();
    unsigned char bytes[16];
    for (int i = 0; i < 8; ++i) {
        bytes[i] = static_cast<unsigned char>(high >> (8 * i));
        bytes[8 + i] = static_cast<unsigned char>(low >> (8 * i));
    }
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40); // version 4
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    static const char* const kHex = "0123456789abcdef";
    std::string out;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            out.push_back('-');
        }
        out.push_back(kHex[bytes[i] >> 4]);
        out.push_back(kHex[bytes[i] & 0x0F]);
    }
    return out;
}

// 64-bit FNV-1a.
std::uint64_t Hash(std::string_view text, std::uint64_t hash = 14695981039346656037ULL) {
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    return hash;
}

std::string Hex64(std::uint64_t value) {
    static const char* const kHex = "0123456789abcdef";
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i) {
        out[static_cast<std::size_t>(i)] = kHex[value & 0x0F];
        value >>= 4;
    }
    return out;
}

constexpr std::string_view kUrnUuid = "urn:uuid:";

} // namespace

CVCard CVCard::NewCard(std::string_view version, bool group) {
    CVCard card;
    card.m_version = version.empty() ? "3.0" : std::string(version);
    CVCardProperty versionLine;
    versionLine.name = "VERSION";
    versionLine.value = card.m_version;
    card.m_properties.push_back(versionLine);
    CVCardProperty uid;
    uid.name = "UID";
    uid.value = card.m_version == "4.0" ? std::string(kUrnUuid) + RandomUuid() : RandomUuid();
    card.m_properties.push_back(uid);
    if (group) {
        CVCardProperty kind;
        kind.name = card.m_version == "4.0" ? "KIND" : "X-ADDRESSBOOKSERVER-KIND";
        kind.value = "group";
        card.m_properties.push_back(kind);
    }
    return card;
}

const CVCardProperty* CVCard::Find(std::string_view name) const {
    for (const CVCardProperty& property : m_properties) {
        if (property.name == name) {
            return &property;
        }
    }
    return nullptr;
}

std::string CVCard::TextOf(const CVCardProperty& property) const {
    return std::string(CTextFold::Trim(property.Text(m_version)));
}

std::string CVCard::Uid() const {
    const CVCardProperty* uid = Find("UID");
    return uid != nullptr ? TextOf(*uid) : std::string();
}

std::string CVCard::EntryId() const {
    std::string uid = Uid();
    if (StartsWithAsciiNoCase(uid, kUrnUuid)) {
        uid.erase(0, kUrnUuid.size());
    }
    if (!uid.empty()) {
        return uid;
    }
    // No UID: an identifier from what the card says, stable as long as the card is unchanged.
    std::uint64_t hash = Hash(FormattedName());
    hash = Hash("\x1f", hash);
    if (const CVCardProperty* n = Find("N")) {
        hash = Hash(n->value, hash);
    }
    for (const CVCardProperty& property : m_properties) {
        if (property.name == "TEL" || property.name == "EMAIL") {
            hash = Hash("\x1f", hash);
            hash = Hash(property.value, hash);
        }
    }
    return "x-tw-" + Hex64(hash);
}

std::string CVCard::FormattedName() const {
    const CVCardProperty* fn = Find("FN");
    return fn != nullptr ? TextOf(*fn) : std::string();
}

std::string CVCard::FamilyName() const {
    const CVCardProperty* n = Find("N");
    if (n == nullptr) {
        return {};
    }
    const std::vector<std::string> pieces = n->Components(m_version);
    return pieces.empty() ? std::string() : std::string(CTextFold::Trim(pieces[0]));
}

std::string CVCard::GivenName() const {
    const CVCardProperty* n = Find("N");
    if (n == nullptr) {
        return {};
    }
    const std::vector<std::string> pieces = n->Components(m_version);
    return pieces.size() < 2 ? std::string() : std::string(CTextFold::Trim(pieces[1]));
}

std::string CVCard::DisplayName() const {
    std::string name = FormattedName();
    if (!name.empty()) {
        return name;
    }
    const std::string given = GivenName();
    const std::string family = FamilyName();
    name = given;
    if (!given.empty() && !family.empty()) {
        name += ' ';
    }
    name += family;
    if (!name.empty()) {
        return name;
    }
    if (const CVCardProperty* org = Find("ORG")) {
        const std::vector<std::string> pieces = org->Components(m_version);
        if (!pieces.empty() && !CTextFold::Trim(pieces[0]).empty()) {
            return std::string(CTextFold::Trim(pieces[0]));
        }
    }
    for (const char* fallback : {"EMAIL", "TEL"}) {
        if (const CVCardProperty* property = Find(fallback)) {
            name = TextOf(*property);
            if (!name.empty()) {
                return name;
            }
        }
    }
    return {};
}

int CVCard::MobileIndex() const {
    int cell = -1;
    int untyped = -1;
    for (std::size_t i = 0; i < m_properties.size(); ++i) {
        const CVCardProperty& property = m_properties[i];
        if (property.name != "TEL") {
            continue;
        }
        if (property.HasType("cell")) {
            if (property.IsPreferred()) {
                return static_cast<int>(i);
            }
            if (cell < 0) {
                cell = static_cast<int>(i);
            }
        } else if (untyped < 0 && property.ParamValues("TYPE").empty()) {
            untyped = static_cast<int>(i);
        }
    }
    return cell >= 0 ? cell : untyped;
}

std::string CVCard::Mobile() const {
    const int index = MobileIndex();
    if (index < 0) {
        return {};
    }
    std::string number = TextOf(m_properties[static_cast<std::size_t>(index)]);
    if (StartsWithAsciiNoCase(number, "tel:")) {
        number.erase(0, 4);
        const std::size_t parameters = number.find(';');
        if (parameters != std::string::npos) {
            number.erase(parameters);
        }
    }
    return number;
}

bool CVCard::IsGroup() const {
    for (const CVCardProperty& property : m_properties) {
        if ((property.name == "KIND" || property.name == "X-ADDRESSBOOKSERVER-KIND") &&
            CTextFold::EqualsNoCase(TextOf(property), "group")) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> CVCard::MemberUris() const {
    std::vector<std::string> uris;
    for (const CVCardProperty& property : m_properties) {
        if (property.name == "MEMBER" || property.name == "X-ADDRESSBOOKSERVER-MEMBER") {
            std::string uri = TextOf(property);
            if (!uri.empty()) {
                uris.push_back(std::move(uri));
            }
        }
    }
    return uris;
}

std::vector<std::string> CVCard::Emails() const {
    std::vector<std::string> emails;
    for (const CVCardProperty& property : m_properties) {
        if (property.name == "EMAIL") {
            std::string email = TextOf(property);
            if (!email.empty()) {
                emails.push_back(std::move(email));
            }
        }
    }
    return emails;
}

void CVCard::SetFirst(std::string_view name, std::string value, std::vector<CVCardParam> params) {
    Touch();
    for (CVCardProperty& property : m_properties) {
        if (property.name == name) {
            property.value = std::move(value);
            property.raw.clear();
            return;
        }
    }
    CVCardProperty property;
    property.name = std::string(name);
    property.params = std::move(params);
    property.value = std::move(value);
    m_properties.push_back(std::move(property));
}

void CVCard::SetFormattedName(const std::string& name) {
    EnsureUid();
    SetFirst("FN", CVCardProperty::Escape(name, m_version), {});
}

void CVCard::SetName(const std::string& family, const std::string& given) {
    EnsureUid();
    std::vector<std::string> pieces;
    if (const CVCardProperty* n = Find("N")) {
        pieces = n->Components(m_version);
    }
    if (pieces.size() < 5) {
        pieces.resize(5);
    }
    pieces[0] = family;
    pieces[1] = given;
    SetFirst("N", CVCardProperty::JoinComponents(pieces, m_version), {});
}

void CVCard::SetMobile(const std::string& number) {
    EnsureUid();
    Touch();
    const int index = MobileIndex();
    if (number.empty()) {
        if (index >= 0) {
            m_properties.erase(m_properties.begin() + index);
        }
        return;
    }
    if (index >= 0) {
        CVCardProperty& property = m_properties[static_cast<std::size_t>(index)];
        const bool uri = StartsWithAsciiNoCase(TextOf(property), "tel:");
        property.value = (uri ? "tel:" : "") + CVCardProperty::Escape(number, m_version);
        property.raw.clear();
        return;
    }
    CVCardProperty property;
    property.name = "TEL";
    property.params.push_back({"TYPE", m_version == "4.0" ? "cell" : "CELL"});
    property.value = CVCardProperty::Escape(number, m_version);
    m_properties.push_back(std::move(property));
}

void CVCard::SetMemberUris(const std::vector<std::string>& uris) {
    EnsureUid();
    Touch();
    bool appleStyle = false;
    bool kind = false;
    for (const CVCardProperty& property : m_properties) {
        appleStyle = appleStyle || property.name == "X-ADDRESSBOOKSERVER-KIND";
        kind = kind || property.name == "KIND";
    }
    const std::string memberName = (appleStyle && !kind) ? "X-ADDRESSBOOKSERVER-MEMBER" : "MEMBER";
    std::size_t insertAt = m_properties.size();
    for (std::size_t i = m_properties.size(); i-- > 0;) {
        const std::string& name = m_properties[i].name;
        if (name == "MEMBER" || name == "X-ADDRESSBOOKSERVER-MEMBER") {
            m_properties.erase(m_properties.begin() + static_cast<std::ptrdiff_t>(i));
            insertAt = i;
        }
    }
    std::vector<CVCardProperty> members;
    for (const std::string& uri : uris) {
        CVCardProperty member;
        member.name = memberName;
        // A URI holds no line breaks; anything else in it is written as it stands.
        for (const char c : uri) {
            if (c != '\r' && c != '\n') {
                member.value.push_back(c);
            }
        }
        members.push_back(std::move(member));
    }
    m_properties.insert(m_properties.begin() + static_cast<std::ptrdiff_t>(insertAt),
                        members.begin(), members.end());
}

void CVCard::EnsureUid(const std::string& id) {
    if (!Uid().empty()) {
        return;
    }
    CVCardProperty uid;
    uid.name = "UID";
    uid.value = CVCardProperty::Escape(id.empty() ? EntryId() : id, m_version);
    Touch();
    // After VERSION, where readers expect the identifying lines.
    std::size_t at = 0;
    while (at < m_properties.size() && m_properties[at].name == "VERSION") {
        ++at;
    }
    m_properties.insert(m_properties.begin() + static_cast<std::ptrdiff_t>(at), std::move(uid));
}

void CVCard::Assign(std::string version, std::vector<CVCardProperty> properties, std::string raw,
                    std::string lineEnd) {
    m_version = std::move(version);
    m_properties = std::move(properties);
    m_raw = std::move(raw);
    m_lineEnd = std::move(lineEnd);
}

bool CVCard::SameMeaning(const CVCard& other) const {
    if (m_version != other.m_version || m_properties.size() != other.m_properties.size()) {
        return false;
    }
    for (std::size_t i = 0; i < m_properties.size(); ++i) {
        if (!m_properties[i].SameMeaning(other.m_properties[i])) {
            return false;
        }
    }
    return true;
}
