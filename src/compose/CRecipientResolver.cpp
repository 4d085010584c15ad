#include "compose/CRecipientResolver.h"

#include "compose/CRememberedEntries.h"
#include "compose/CTextFold.h"
#include "compose/CWABManager.h"
#include "compose/ICountryCodes.h"

CRecipientResolver::CRecipientResolver(CWABManager& wab, CRememberedEntries& remembered,
                                       const ICountryCodes* converter)
    : m_wab(wab), m_remembered(remembered), m_converter(converter) {}

std::string CRecipientResolver::Convert(const std::string& text) const {
    if (m_converter == nullptr || text.empty()) {
        return {};
    }
    return m_converter->ConvertToMsisdn(text);
}

void CRecipientResolver::FillKnownEntries() {
    m_known.Clear();
    m_wab.LoadContacts();
    int count = 0;
    m_wab.ValidateWAB(count);
    for (const CWABRecord& record : m_wab.Records()) {
        if (!record.valid) {
            continue;
        }
        CKnownEntry entry;
        entry.text = record.DisplayText();
        entry.kind = record.isDistributionList ? EntryKind::DistributionList : EntryKind::Contact;
        entry.valid = true;
        entry.entryId = record.entryId;
        m_known.Add(std::move(entry));
    }
    for (std::string& text : m_remembered.Entries()) {
        CKnownEntry entry;
        entry.text = std::move(text);
        entry.kind = EntryKind::Remembered;
        entry.valid = true;
        m_known.Add(std::move(entry));
    }
}

void CRecipientResolver::Split(std::string_view text, std::vector<std::string>& valid,
                               std::vector<std::string>& invalid) const {
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(';', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view piece = CTextFold::Trim(text.substr(start, end - start));
        if (!piece.empty()) {
            (m_known.Contains(piece) ? valid : invalid).emplace_back(piece);
        }
        start = end + 1;
    }
}

int CRecipientResolver::Count(const std::vector<std::string>& valid) const {
    int count = 0;
    CWABRecord record;
    for (const std::string& entry : valid) {
        count += m_wab.Lookup(entry, record) ? record.count : 1;
    }
    return count;
}

void CRecipientResolver::Resolve(const std::vector<std::string>& valid,
                                 std::vector<CWABRecord>& contacts,
                                 std::vector<std::string>& numbers, bool expand) const {
    for (const std::string& entry : valid) {
        if (m_wab.FetchMSISDN(entry, contacts, expand) >= 1) {
            continue;
        }
        std::string number = Convert(entry);
        if (!number.empty()) {
            numbers.push_back(std::move(number));
        }
    }
}

std::string CRecipientResolver::RecipientText(const std::vector<CWABRecord>& contacts,
                                              const std::vector<std::string>& numbers) {
    std::string text;
    for (const CWABRecord& contact : contacts) {
        text += contact.msisdn;
        text += ';';
    }
    for (const std::string& number : numbers) {
        text += number;
        text += ';';
    }
    return text;
}

bool CRecipientResolver::AcceptTypedEntry(const std::string& text) {
    const std::string_view trimmed = CTextFold::Trim(text);
    if (trimmed.empty() || Convert(std::string(trimmed)).empty()) {
        return false;
    }
    CKnownEntry entry;
    entry.text = std::string(trimmed);
    entry.kind = EntryKind::Typed;
    entry.valid = true;
    m_known.Add(entry);
    m_remembered.Add(entry.text);
    return true;
}

bool CRecipientResolver::RemoveEntry(std::string_view text) {
    const bool known = m_known.Remove(text);
    const bool remembered = m_remembered.Remove(text);
    return known || remembered;
}
