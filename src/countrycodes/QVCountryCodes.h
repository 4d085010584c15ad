/* The country-code library (libqvcountrycodes.so): turns the phone numbers people type into
 * international numbers (E.164 with a leading "+"), keeps the user's home country and lists
 * the countries it knows. The program loads it at run time from its own folder and looks
 * every entry point up by the name below when it calls it; this header is the one
 * declaration of those names, their signatures and the records both sides exchange.
 *
 * Conversion. A number may be written internationally ("+44 7400 123456", or with the home
 * country's international call prefix: "0044 7400 123456" in GB, "011 44 7400 123456" in the
 * US) or nationally with or without the home country's trunk prefix ("07400 123456"), with
 * blanks, tabs, dashes, dots, slashes and parentheses between the digits ("+44 (0)7400
 * 123456" too). Any other character (letters, "*", "#", an extension) makes the text
 * invalid, as does a number that libphonenumber does not judge valid for its country. An
 * SMS reaches mobile phones only, so a valid number is accepted when libphonenumber gives
 * it one of the types MOBILE, FIXED_LINE_OR_MOBILE (the North American plan does not tell
 * them apart), PERSONAL_NUMBER or VOIP (both commonly forward texts to a mobile); fixed
 * lines, toll-free, premium-rate, shared-cost, UAN, voicemail and pager numbers are refused.
 *
 * Countries. Their keys are the ISO 3166-1 alpha-2 codes of every region libphonenumber
 * supports ("GB", "DE", "US", ...). Names come from the iso-codes package, translated into
 * the user's language where iso-codes has a translation (language from LANGUAGE, LC_ALL,
 * LC_MESSAGES, LANG as gettext reads them); without one the English name is used.
 *
 * Home country. Kept as the text value "HomeCountry" (the country key) under the settings
 * key the library is given at QVCountryInit, in the current user's hive. While no valid
 * value is stored, the home country is the territory of the user's locale (LC_ALL,
 * LC_MESSAGES, LANG; "en_GB.UTF-8" gives "GB") when libphonenumber supports it, else "GB".
 *
 * Every entry point may be called from any thread. Output texts are UTF-8, always
 * terminated, and never longer than the size given or documented here: a text that does not
 * fit is cut at a character boundary. No entry point keeps a caller's pointer.
 */
#ifndef QVCOUNTRYCODES_H
#define QVCOUNTRYCODES_H

#ifdef __cplusplus
extern "C" {
#endif

/* File name of the library in the program folder. */
#define QV_COUNTRYCODES_LIBRARY "libqvcountrycodes.so"

/* Sizes, terminator included. */
#define QV_MSISDN_SIZE 32          /* a converted number: "+" and up to 15 digits fit */
#define QV_COUNTRY_KEY_SIZE 8      /* QVGetCountryInfo: key */
#define QV_COUNTRY_NAME_SIZE 64    /* QVGetCountryInfo: name */
#define QV_COUNTRY_CODE_SIZE 8     /* QVGetCountryInfo: calling code, e.g. "44" */
#define QV_COUNTRY_INTL_SIZE 8     /* QVGetCountryInfo: international prefix, e.g. "00" */
#define QV_COUNTRY_NATIONAL_SIZE 8 /* QVGetCountryInfo: national (trunk) prefix, e.g. "0" */
#define QV_COUNTRY_RECORD_SIZE 10  /* QVCountryRecord */
#define QV_HOME_COUNTRY_SIZE 260   /* QVHomeCountry */

/* Result codes. */
#define QV_CC_OK 0
#define QV_CC_FAILED 1     /* not done: bad argument, unknown country, invalid number */
#define QV_CC_NOT_STORED 2 /* QVSetHomeCountry: the settings hive could not be written */

/* A country chosen by name (QVGetCountryOnName) and handed to QVSetHomeCountry.
 * Bytes 0-1: the tag "QC"; bytes 2-9: the country key, zero-padded (a key is at most 7
 * bytes, so it is always terminated). */
typedef struct QVCountryRecord {
    char tag[2];
    char key[QV_COUNTRY_RECORD_SIZE - 2];
} QVCountryRecord;

/* The home country as the program passes it to every conversion. It holds the home
 * country's key as a terminated text ("GB"), zero-padded; so the program may also hand
 * `text` to QVGetCountryInfo to name the home country. An empty record (never filled)
 * converts only numbers written internationally. */
typedef struct QVHomeCountry {
    char text[QV_HOME_COUNTRY_SIZE];
} QVHomeCountry;

/* Remembers the settings key (a path below the current user's hive root such as
 * "Software\Quorvane\Tidewell Windows\2.0") where the home country is stored, and loads the
 * country data. QV_CC_OK, or QV_CC_FAILED for a null or empty path or when libphonenumber
 * knows no region. */
int QVCountryInit(const char* registryRoot);
typedef int (*QVCountryInitFn)(const char* registryRoot);

/* Fills the record with the current home country (stored value, else the locale's
 * territory, else "GB"). QV_CC_OK, or QV_CC_FAILED for a null record. */
int QVGetHomeCountry(QVHomeCountry* home);
typedef int (*QVGetHomeCountryFn)(QVHomeCountry* home);

/* Converts a typed number with the home country's rules. Writes the international number
 * ("+447400123456") into `out` and returns QV_CC_OK; an invalid number, a null argument or
 * a result that would not fit in `outSize` bytes leaves `out` empty (when outSize > 0) and
 * returns QV_CC_FAILED. `home` may be null: then only international numbers convert. */
int QVConvertToMsisdn(const char* text, const QVHomeCountry* home, char* out, int outSize);
typedef int (*QVConvertToMsisdnFn)(const char* text, const QVHomeCountry* home, char* out,
                                   int outSize);

/* The country keys in alphabetical order, joined by ";" ("AC;AD;AE;..."), and
 * their number in *count (when count is not null). The text belongs to the library and
 * stays valid until it is unloaded. */
const char* QVGetCountries(int* count);
typedef const char* (*QVGetCountriesFn)(int* count);

/* Fills the five buffers (sizes QV_COUNTRY_KEY_SIZE, QV_COUNTRY_NAME_SIZE,
 * QV_COUNTRY_CODE_SIZE, QV_COUNTRY_INTL_SIZE, QV_COUNTRY_NATIONAL_SIZE) for the country
 * `key` (any letter case): its key, its name in the user's language, its calling code, its
 * preferred international call prefix and its national trunk prefix (empty where the
 * country has none). QV_CC_OK, or QV_CC_FAILED for an unknown key or a null argument (the
 * buffers given are then emptied). */
int QVGetCountryInfo(const char* key, char* keyOut, char* name, char* callingCode,
                     char* internationalPrefix, char* nationalPrefix);
typedef int (*QVGetCountryInfoFn)(const char* key, char* keyOut, char* name, char* callingCode,
                                  char* internationalPrefix, char* nationalPrefix);

/* Finds a country by its name as QVGetCountryInfo gives it (also when cut to its buffer),
 * by its English or ISO name or by its key (ASCII letters in any case) and fills the record.
 * QV_CC_OK, or QV_CC_FAILED when no country has that name (the record is then zeroed). */
int QVGetCountryOnName(const char* name, QVCountryRecord* record);
typedef int (*QVGetCountryOnNameFn)(const char* name, QVCountryRecord* record);

/* Stores the record's country as the home country. QV_CC_OK when stored; QV_CC_FAILED for
 * a null or damaged record, an unknown country or before QVCountryInit; QV_CC_NOT_STORED
 * when the settings hive could not be written. */
int QVSetHomeCountry(const QVCountryRecord* record);
typedef int (*QVSetHomeCountryFn)(const QVCountryRecord* record);

#ifdef __cplusplus
}
#endif

#endif /* QVCOUNTRYCODES_H */
