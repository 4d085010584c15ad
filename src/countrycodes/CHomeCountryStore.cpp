#include "countrycodes/CHomeCountryStore.h"

#include "countrycodes/CUserLocale.h"
#include "countrycodes/QVCountryCodes.h"
#include "platform/Registry.h"

namespace countrycodes {

namespace {

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        }
    }
    return text;
}

} // namespace

void CHomeCountryStore::SetRoot(const std::string& root) {
    std::lock_guard lock(m_lock);
    m_root = root;
}

std::string CHomeCountryStore::Root() const {
    std::lock_guard lock(m_lock);
    return m_root;
}

std::string CHomeCountryStore::DefaultCountry() const {
    const std::string territory = CUserLocale::Territory();
    return !territory.empty() && m_known(territory) ? territory : kFallback;
}

std::string CHomeCountryStore::Get() const {
    const std::string root = Root();
    if (!root.empty()) {
        platform::RegKey key;
        if (key.Open(platform::RegRoot::CurrentUser, root)) {
            if (auto stored = key.QueryString(kValueName)) {
                std::string country = Upper(*stored);
                if (m_known(country)) {
                    return country;
                }
            }
        }
    }
    return DefaultCountry();
}

int CHomeCountryStore::Set(const std::string& keyText) {
    const std::string country = Upper(keyText);
    const std::string root = Root();
    if (root.empty() || !m_known(country)) {
        return QV_CC_FAILED;
    }
    platform::RegKey key;
    if (!key.Create(platform::RegRoot::CurrentUser, root) || !key.SetString(kValueName, country)) {
        return QV_CC_NOT_STORED;
    }
    return QV_CC_OK;
}

} // namespace countrycodes
