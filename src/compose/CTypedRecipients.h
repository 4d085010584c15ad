// Recipients that are typed numbers only (no address book): an entry is valid when the number
// converter gives its international form. Known entries are the numbers accepted so far,
// compared without regard to letter case.
#pragma once

#include "compose/IRecipientSource.h"

#include <functional>
#include <mutex>

class CTypedRecipients : public IRecipientSource {
public:
    using Converter = std::function<std::string(const std::string&)>;

    explicit CTypedRecipients(Converter convert, std::vector<std::string> known = {});

    std::vector<std::string> KnownEntries() override;
    void Split(const std::string& text, std::vector<std::string>& valid,
               std::vector<std::string>& invalid) override;
    int Count(const std::vector<std::string>& valid) override;
    RecipientResolution Resolve(const std::vector<std::string>& valid) override;
    std::string ConvertToMsisdn(const std::string& text) override;
    bool AcceptTypedEntry(const std::string& entry) override;
    bool RemoveEntry(const std::string& entry) override;

    // The pieces of a recipients text: cut at ";", trimmed, empty ones dropped.
    static std::vector<std::string> Pieces(const std::string& text);
    static bool EqualsNoCase(const std::string& a, const std::string& b);

    // A converter for when no country-code library is there: international numbers only
    // ("+" or "00" and 7 to 15 digits, with blanks, "-", "/", "." and "()" allowed between).
    static std::string InternationalOnly(const std::string& text);

private:
    bool IsKnown(const std::string& entry) const;

    Converter m_convert;
    std::mutex m_lock;
    std::vector<std::string> m_known;
};
