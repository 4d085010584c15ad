// The user's locale as the environment gives it, read the way gettext reads it: the first
// non-empty of LC_ALL, LC_MESSAGES and LANG names the locale ("de_AT.UTF-8@euro"); LANGUAGE
// (a ":"-separated list) overrides the language unless the locale is "C" or "POSIX".
#pragma once

#include <string>
#include <vector>

namespace countrycodes {

class CUserLocale {
public:
    // The first non-empty of LC_ALL, LC_MESSAGES, LANG; empty when none is set.
    static std::string LocaleName();

    // Catalogue names to try for translated texts, most preferred first; empty for the
    // "C"/"POSIX" locale or no locale at all (untranslated texts).
    static std::vector<std::string> MessageLanguages();

    // The locale's territory in capitals ("en_GB.UTF-8" -> "GB"); empty when it names none.
    static std::string Territory();

    // The catalogue names one locale name stands for: "de_AT.UTF-8@euro" gives "de_AT@euro",
    // "de_AT", "de@euro", "de" (the codeset never matters for catalogues).
    static std::vector<std::string> CatalogueNames(const std::string& localeName);
    // The territory part of one locale name, in capitals; empty when there is none or it is
    // not two letters.
    static std::string TerritoryOf(const std::string& localeName);
};

} // namespace countrycodes
