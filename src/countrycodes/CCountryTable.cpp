#include "countrycodes/CCountryTable.h"

#include "countrycodes/CUserLocale.h"
#include "countrycodes/QVCountryCodes.h"
#include "countrycodes/Utf8Text.h"

#include <phonenumbers/phonenumberutil.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

namespace countrycodes {

namespace {

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberUtil;

struct CountryNames {
    std::string common;
    std::string iso;
};

// Regions with their own calling code that ISO 3166-1 does not list.
const std::map<std::string, CountryNames, std::less<>> kUnlistedRegions = {
    {"AC", {"Ascension Island", "Ascension Island"}},
    {"TA", {"Tristan da Cunha", "Tristan da Cunha"}},
    {"XK", {"Kosovo", "Kosovo"}},
};

// alpha-2 code -> names, from the iso-codes file; empty when it cannot be read.
std::map<std::string, CountryNames, std::less<>> ReadIsoNames(const std::string& path) {
    std::map<std::string, CountryNames, std::less<>> names;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return names;
    }
    std::stringstream text;
    text << file.rdbuf();
    const nlohmann::json document =
        nlohmann::json::parse(text.str(), nullptr, /*allow_exceptions=*/false);
    if (!document.is_object()) {
        return names;
    }
    auto list = document.find("3166-1");
    if (list == document.end() || !list->is_array()) {
        return names;
    }
    auto field = [](const nlohmann::json& entry, const char* name) {
        auto it = entry.find(name);
        return it != entry.end() && it->is_string() ? it->get<std::string>() : std::string();
    };
    for (const auto& entry : *list) {
        if (!entry.is_object()) {
            continue;
        }
        std::string key = field(entry, "alpha_2");
        std::string iso = field(entry, "name");
        if (key.empty() || iso.empty()) {
            continue;
        }
        std::string common = field(entry, "common_name");
        names[key] = {common.empty() ? iso : common, iso};
    }
    return names;
}

// The international prefix dialled from `region`, read off libphonenumber's formatting of a
// number of another calling code as dialled from there ("00 1 201-555-0123" gives "00").
// Empty where libphonenumber knows no single prefix (it then formats with "+").
std::string InternationalPrefix(const PhoneNumberUtil& util, const std::string& region) {
    PhoneNumber foreign;
    const std::string other = util.GetCountryCodeForRegion(region) == 1 ? "GB" : "US";
    if (!util.GetExampleNumber(other, &foreign)) {
        return {};
    }
    std::string dialled;
    util.FormatOutOfCountryCallingNumber(foreign, region, &dialled);
    const std::string code = std::to_string(foreign.country_code());
    const std::size_t blank = dialled.find(' ');
    if (dialled.empty() || dialled[0] == '+' || blank == std::string::npos ||
        dialled.compare(blank + 1, code.size() + 1, code + " ") != 0) {
        return {};
    }
    return dialled.substr(0, blank);
}

} // namespace

CCountryTable::CCountryTable(const std::string& isoCodesJson, std::string localeFolder)
    : m_localeFolder(std::move(localeFolder)) {
    const PhoneNumberUtil& util = *PhoneNumberUtil::GetInstance();
    std::set<std::string> regions;
    util.GetSupportedRegions(&regions);
    const auto isoNames = ReadIsoNames(isoCodesJson);

    for (const std::string& region : regions) {
        CountryEntry entry;
        entry.key = region;
        if (auto it = isoNames.find(region); it != isoNames.end()) {
            entry.englishName = it->second.common;
            entry.isoName = it->second.iso;
        } else if (auto extra = kUnlistedRegions.find(region); extra != kUnlistedRegions.end()) {
            entry.englishName = extra->second.common;
            entry.isoName = extra->second.iso;
        } else {
            entry.englishName = region;
            entry.isoName = region;
        }
        entry.callingCode = std::to_string(util.GetCountryCodeForRegion(region));
        entry.internationalPrefix = InternationalPrefix(util, region);
        util.GetNddPrefixForRegion(region, /*strip_non_digits=*/true, &entry.nationalPrefix);
        m_entries.push_back(std::move(entry));
    }
    // std::set already sorted them by key.
    for (const auto& entry : m_entries) {
        if (!m_keysText.empty()) {
            m_keysText += ';';
        }
        m_keysText += entry.key;
    }
}

const CountryEntry* CCountryTable::Find(std::string_view key) const {
    if (key.size() != 2) {
        return nullptr;
    }
    std::string upper(key);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        }
    }
    auto it =
        std::lower_bound(m_entries.begin(), m_entries.end(), upper,
                         [](const CountryEntry& e, const std::string& k) { return e.key < k; });
    return it != m_entries.end() && it->key == upper ? &*it : nullptr;
}

const CountryEntry* CCountryTable::FindByName(std::string_view name) const {
    if (name.empty()) {
        return nullptr;
    }
    const std::vector<std::string> languages = CUserLocale::MessageLanguages();
    for (const auto& entry : m_entries) {
        // The program may hand back a name as it received it, cut to its buffer.
        const std::string local = LocalName(entry, languages);
        if (EqualsAsciiNoCase(local, name) ||
            (local.size() >= QV_COUNTRY_NAME_SIZE &&
             EqualsAsciiNoCase(CutUtf8(local, QV_COUNTRY_NAME_SIZE), name)) ||
            EqualsAsciiNoCase(entry.englishName, name) || EqualsAsciiNoCase(entry.isoName, name)) {
            return &entry;
        }
    }
    return Find(name);
}

std::string CCountryTable::LocalName(const CountryEntry& entry) const {
    return LocalName(entry, CUserLocale::MessageLanguages());
}

std::string CCountryTable::LocalName(const CountryEntry& entry,
                                     const std::vector<std::string>& languages) const {
    for (const auto& language : languages) {
        auto catalogue = Catalogue(language);
        if (!catalogue) {
            continue;
        }
        // iso-codes translates both the common and the ISO name.
        if (const std::string* text = catalogue->Find(entry.englishName)) {
            return *text;
        }
        if (const std::string* text = catalogue->Find(entry.isoName)) {
            return *text;
        }
    }
    return entry.englishName;
}

std::shared_ptr<const CMoCatalog> CCountryTable::Catalogue(const std::string& language) const {
    std::lock_guard lock(m_lock);
    if (auto it = m_catalogues.find(language); it != m_catalogues.end()) {
        return it->second;
    }
    std::shared_ptr<const CMoCatalog> loaded;
    // A language name is a plain word: never let it walk out of the locale folder.
    if (!language.empty() && language.find('/') == std::string::npos && language != "." &&
        language != "..") {
        auto catalogue = std::make_shared<CMoCatalog>();
        if (catalogue->Load(m_localeFolder + "/" + language + "/LC_MESSAGES/" + kDomain + ".mo")) {
            loaded = std::move(catalogue);
        }
    }
    m_catalogues.emplace(language, loaded);
    return loaded;
}

} // namespace countrycodes
