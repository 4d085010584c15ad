// A country-code library for tests: conversions from a table (or a function), a fixed
// country list and a home country that SetHomeCountry changes. Link twcountrycodes_if.
#pragma once

#include "compose/ICountryCodes.h"

#include <functional>
#include <map>
#include <mutex>

namespace twtest {

class FakeCountryCodes : public ICountryCodes {
public:
    // Typed text -> international number; a text not in the table converts to nothing.
    std::map<std::string, std::string> numbers;
    // When set, used instead of the table.
    std::function<std::string(const std::string&)> convert;
    std::vector<CountryDetails> countries{{"GB", "United Kingdom", "44", "00", "0"},
                                          {"DE", "Germany", "49", "00", "0"},
                                          {"US", "United States", "1", "011", "1"}};
    std::string home = "GB";
    mutable int conversions = 0; // ConvertToMsisdn calls so far

    std::string ConvertToMsisdn(const std::string& text) const override {
        std::lock_guard lock(m_lock);
        ++conversions;
        if (convert) {
            return convert(text);
        }
        auto it = numbers.find(text);
        return it != numbers.end() ? it->second : std::string();
    }
    std::vector<std::string> Countries() const override {
        std::vector<std::string> keys;
        for (const auto& c : countries) {
            keys.push_back(c.key);
        }
        return keys;
    }
    std::optional<CountryDetails> CountryInfo(const std::string& key) const override {
        for (const auto& c : countries) {
            if (c.key == key) {
                return c;
            }
        }
        return std::nullopt;
    }
    std::string HomeCountry() const override {
        std::lock_guard lock(m_lock);
        return home;
    }
    int SetHomeCountry(const std::string& name) override {
        std::lock_guard lock(m_lock);
        for (const auto& c : countries) {
            if (c.name == name || c.key == name) {
                home = c.key;
                return 0;
            }
        }
        return 1;
    }
    bool RefreshHomeCountry() override { return true; }

private:
    mutable std::mutex m_lock;
};

} // namespace twtest
