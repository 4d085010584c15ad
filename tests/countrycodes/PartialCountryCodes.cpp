// A country-code library with only some entry points, for the tests of the program's
// handling of missing ones: initialisation reports failure 7, the home country is "NZ",
// and conversion, the country list, details, look-up by name and storing are absent.
#include "countrycodes/QVCountryCodes.h"

#include <cstring>

extern "C" int QVCountryInit(const char*) {
    return 7;
}

extern "C" int QVGetHomeCountry(QVHomeCountry* home) {
    std::memset(home, 0, sizeof *home);
    std::strcpy(home->text, "NZ");
    return QV_CC_OK;
}
