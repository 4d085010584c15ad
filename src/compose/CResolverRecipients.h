// The recipients of one compose dialog from the address book and the remembered entries:
// the recipient resolution (CRecipientResolver) behind the dialog's IRecipientSource.
// One per dialog, since the known entries grow with what the user types there; the
// address-book manager and the remembered entries are the application's and outlive it.
#pragma once

#include "compose/CRecipientResolver.h"
#include "compose/IRecipientSource.h"

class CResolverRecipients : public IRecipientSource {
public:
    CResolverRecipients(CWABManager& wab, CRememberedEntries& remembered,
                        const ICountryCodes* converter);

    void FillKnownEntries() override;
    std::vector<std::string> KnownEntries() override;
    void Split(const std::string& text, std::vector<std::string>& valid,
               std::vector<std::string>& invalid) override;
    int Count(const std::vector<std::string>& valid) override;
    RecipientResolution Resolve(const std::vector<std::string>& valid) override;
    std::string ConvertToMsisdn(const std::string& text) override;
    bool AcceptTypedEntry(const std::string& entry) override;
    bool RemoveEntry(const std::string& entry) override;

    // Contacts (groups not expanded) and plain numbers of a recipients text, for the picker.
    void ResolveForPicker(const std::string& text, std::vector<CWABRecord>& contacts,
                          std::vector<std::string>& numbers);

private:
    CRecipientResolver m_resolver;
};
