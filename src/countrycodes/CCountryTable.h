// The countries the library offers: every region libphonenumber supports, keyed by its
// ISO 3166-1 alpha-2 code, with its calling code, international and national prefixes
// (from libphonenumber) and its name (from the iso-codes package, in the user's language
// where iso-codes has a translation).
//
// The table is built once and then only read; names are translated at each request with the
// language the environment names at that moment (catalogues are read once per language and
// kept). All members may be called from any thread.
#pragma once

#include "countrycodes/CMoCatalog.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace countrycodes {

struct CountryEntry {
    std::string key;                 // "GB"
    std::string englishName;         // the common name where iso-codes has one, "Bolivia"
    std::string isoName;             // the ISO name, "Bolivia, Plurinational State of"
    std::string callingCode;         // "44"
    std::string internationalPrefix; // "00"; empty where libphonenumber knows no single one
    std::string nationalPrefix;      // "0"; empty where the country has none
};

class CCountryTable {
public:
    static constexpr const char* kIsoCodesJson = "/usr/share/iso-codes/json/iso_3166-1.json";
    static constexpr const char* kLocaleFolder = "/usr/share/locale";
    // gettext domain of the iso-codes country names.
    static constexpr const char* kDomain = "iso_3166-1";

    // Builds the table. A missing or damaged names file leaves every name at its key (and the
    // three regions iso-codes does not list at their built-in English names).
    explicit CCountryTable(const std::string& isoCodesJson = kIsoCodesJson,
                           std::string localeFolder = kLocaleFolder);

    bool Empty() const { return m_entries.empty(); }
    std::size_t Count() const { return m_entries.size(); }
    // The keys in alphabetical order joined by ";".
    const std::string& KeysText() const { return m_keysText; }
    const std::vector<CountryEntry>& Entries() const { return m_entries; }

    // The entry of a key in any letter case; null when unknown.
    const CountryEntry* Find(std::string_view key) const;
    // The entry whose name in the user's language (also as cut to QV_COUNTRY_NAME_SIZE), English
    // name, ISO name or key equals `name` (ASCII letters in any case); null when none does.
    const CountryEntry* FindByName(std::string_view name) const;

    // The country's name in the user's language; the English name when there is no
    // translation.
    std::string LocalName(const CountryEntry& entry) const;
    std::string LocalName(const CountryEntry& entry,
                          const std::vector<std::string>& languages) const;

private:
    std::shared_ptr<const CMoCatalog> Catalogue(const std::string& language) const;

    std::vector<CountryEntry> m_entries; // sorted by key
    std::string m_keysText;
    std::string m_localeFolder;
    mutable std::mutex m_lock; // guards m_catalogues
    mutable std::map<std::string, std::shared_ptr<const CMoCatalog>> m_catalogues;
};

} // namespace countrycodes
