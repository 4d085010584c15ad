// What the program asks of the country-code library: converting typed numbers to
// international numbers, the home country and the list of countries. CDllHandler answers
// through the library loaded at run time; tests of recipient resolution, the compose dialog
// or the options page hand in a fake of their own (tests/common/FakeCountryCodes.h).
//
// Every call may come from any thread. Nothing throws: a missing library or entry point
// gives the empty answers documented per call.
#pragma once

#include <optional>
#include <string>
#include <vector>

// One country as the library describes it (UTF-8 texts; the name in the user's language).
struct CountryDetails {
    std::string key;                 // ISO 3166-1 alpha-2, "GB"
    std::string name;                // "United Kingdom"
    std::string callingCode;         // "44"
    std::string internationalPrefix; // "00"
    std::string nationalPrefix;      // "0", empty where the country has none
};

class ICountryCodes {
public:
    virtual ~ICountryCodes() = default;

    // The international number with a leading "+" ("+447400123456") for a number written in
    // any usual form with the home country's rules; an empty text when the text is not a
    // valid mobile number or no library is there.
    virtual std::string ConvertToMsisdn(const std::string& text) const = 0;

    // The country keys the library knows, in its order; empty without the library.
    virtual std::vector<std::string> Countries() const = 0;
    // Details of one country by key; nothing for an unknown key or without the library.
    virtual std::optional<CountryDetails> CountryInfo(const std::string& key) const = 0;

    // The home country's key as last fetched ("GB"); empty before the first fetch or
    // without the library.
    virtual std::string HomeCountry() const = 0;
    // Makes the country of that name (as CountryInfo names it) the home country and fetches
    // the home country again. 0 when stored; non-zero when not (1 without the library or
    // the entry points, or for an unknown name).
    virtual int SetHomeCountry(const std::string& name) = 0;
    // Fetches the home country from the library again. False without the library.
    virtual bool RefreshHomeCountry() = 0;
};
