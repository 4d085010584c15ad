#include "compose/CResolverRecipients.h"

CResolverRecipients::CResolverRecipients(CWABManager& wab, CRememberedEntries& remembered,
                                         const ICountryCodes* converter)
    : m_resolver(wab, remembered, converter) {}

void CResolverRecipients::FillKnownEntries() {
    m_resolver.FillKnownEntries();
}

std::vector<std::string> CResolverRecipients::KnownEntries() {
    std::vector<std::string> texts;
    for (const CKnownEntry& entry : m_resolver.KnownEntries().Entries()) {
        if (entry.valid) {
            texts.push_back(entry.text);
        }
    }
    return texts;
}

void CResolverRecipients::Split(const std::string& text, std::vector<std::string>& valid,
                                std::vector<std::string>& invalid) {
    m_resolver.Split(text, valid, invalid);
}

int CResolverRecipients::Count(const std::vector<std::string>& valid) {
    return m_resolver.Count(valid);
}

RecipientResolution CResolverRecipients::Resolve(const std::vector<std::string>& valid) {
    std::vector<CWABRecord> contacts;
    RecipientResolution result;
    m_resolver.Resolve(valid, contacts, result.numbers, true);
    for (const CWABRecord& record : contacts) {
        result.contacts.push_back(
            {record.msisdn, record.displayName, record.firstName, record.lastName});
    }
    return result;
}

std::string CResolverRecipients::ConvertToMsisdn(const std::string& text) {
    return m_resolver.Convert(text);
}

bool CResolverRecipients::AcceptTypedEntry(const std::string& entry) {
    return m_resolver.AcceptTypedEntry(entry);
}

bool CResolverRecipients::RemoveEntry(const std::string& entry) {
    return m_resolver.RemoveEntry(entry);
}

void CResolverRecipients::ResolveForPicker(const std::string& text,
                                           std::vector<CWABRecord>& contacts,
                                           std::vector<std::string>& numbers) {
    std::vector<std::string> valid;
    std::vector<std::string> invalid;
    m_resolver.Split(text, valid, invalid);
    m_resolver.Resolve(valid, contacts, numbers, false);
}
