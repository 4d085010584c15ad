// Where the library keeps the user's home country: the text value "HomeCountry" (a country
// key such as "GB") under the settings key given at initialisation, in the current user's
// hive. While no valid value is stored, the home country is the territory of the user's
// locale when it is a known country, else "GB". Safe to use from any thread.
#pragma once

#include <functional>
#include <mutex>
#include <string>

namespace countrycodes {

class CHomeCountryStore {
public:
    static constexpr const char* kValueName = "HomeCountry";
    static constexpr const char* kFallback = "GB";

    // Tells whether a key (in capitals) is a country the library knows.
    using KnownCountry = std::function<bool(const std::string&)>;

    explicit CHomeCountryStore(KnownCountry known) : m_known(std::move(known)) {}

    // The settings key below the current user's hive root; empty until set.
    void SetRoot(const std::string& root);
    std::string Root() const;

    // The stored home country when it is a known key, else DefaultCountry().
    std::string Get() const;
    // Stores a known key. 0 when stored, 1 for an unknown key or no root yet, 2 when the
    // hive could not be written.
    int Set(const std::string& key);

    // The locale's territory when known, else kFallback.
    std::string DefaultCountry() const;

private:
    KnownCountry m_known;
    mutable std::mutex m_lock;
    std::string m_root;
};

} // namespace countrycodes
