// The entry points of libqvcountrycodes. Each checks its arguments, works on the one
// country table and home-country store of the process, and never lets an exception out.
#include "countrycodes/CCountryTable.h"
#include "countrycodes/CHomeCountryStore.h"
#include "countrycodes/CNumberConverter.h"
#include "countrycodes/Utf8Text.h"
#include "platform/VersionInfo.h"

#include <cstring>
#include <mutex>

// Only the entry points (and the version) leave the library.
#pragma GCC visibility push(default)
#include "countrycodes/QVCountryCodes.h"
extern "C" const TwVersionInfo tw_version_info;
#pragma GCC visibility pop

extern "C" const TwVersionInfo tw_version_info = {
    TW_VERSION_MAJOR, TW_VERSION_MINOR, TW_VERSION_BUILD,
    "Country codes and number conversion (libphonenumber, iso-codes)"};

namespace {

using countrycodes::CCountryTable;
using countrycodes::CHomeCountryStore;
using countrycodes::CNumberConverter;
using countrycodes::CopyUtf8;

// Longest text read from a caller's name or key argument.
constexpr std::size_t kMaxNameLength = 1024;

const CCountryTable& Table() {
    static std::once_flag once;
    static std::unique_ptr<CCountryTable> table;
    // libphonenumber's own logger stays as it is: a logger object of this library would be
    // left behind in libphonenumber (which stays loaded) when this library is unloaded.
    std::call_once(once, [] { table = std::make_unique<CCountryTable>(); });
    return *table;
}

CHomeCountryStore& Home() {
    static CHomeCountryStore store(
        [](const std::string& key) { return Table().Find(key) != nullptr; });
    return store;
}

void Clear(char* buffer) {
    if (buffer != nullptr) {
        buffer[0] = '\0';
    }
}

} // namespace

extern "C" int QVCountryInit(const char* registryRoot) {
    try {
        if (registryRoot == nullptr || registryRoot[0] == '\0') {
            return QV_CC_FAILED;
        }
        Home().SetRoot(std::string(registryRoot, ::strnlen(registryRoot, kMaxNameLength)));
        return Table().Empty() ? QV_CC_FAILED : QV_CC_OK;
    } catch (...) {
        return QV_CC_FAILED;
    }
}

extern "C" int QVGetHomeCountry(QVHomeCountry* home) {
    if (home == nullptr) {
        return QV_CC_FAILED;
    }
    *home = QVHomeCountry{};
    try {
        CopyUtf8(home->text, sizeof home->text, Home().Get());
        return QV_CC_OK;
    } catch (...) {
        return QV_CC_FAILED;
    }
}

extern "C" int QVConvertToMsisdn(const char* text, const QVHomeCountry* home, char* out,
                                 int outSize) {
    if (out == nullptr || outSize <= 0) {
        return QV_CC_FAILED;
    }
    out[0] = '\0';
    if (text == nullptr) {
        return QV_CC_FAILED;
    }
    try {
        // One byte more than the converter takes, so an overlong text is seen as such.
        const std::string_view typed(text, ::strnlen(text, CNumberConverter::kMaxInputLength + 1));
        const std::string_view region =
            home != nullptr ? std::string_view(home->text, ::strnlen(home->text, sizeof home->text))
                            : std::string_view();
        const std::string number = CNumberConverter::Convert(typed, region);
        // A number is never handed out cut short.
        if (number.empty() || number.size() >= static_cast<std::size_t>(outSize)) {
            return QV_CC_FAILED;
        }
        CopyUtf8(out, static_cast<std::size_t>(outSize), number);
        return QV_CC_OK;
    } catch (...) {
        out[0] = '\0';
        return QV_CC_FAILED;
    }
}

extern "C" const char* QVGetCountries(int* count) {
    try {
        const CCountryTable& table = Table();
        if (count != nullptr) {
            *count = static_cast<int>(table.Count());
        }
        return table.KeysText().c_str();
    } catch (...) {
        if (count != nullptr) {
            *count = 0;
        }
        return "";
    }
}

extern "C" int QVGetCountryInfo(const char* key, char* keyOut, char* name, char* callingCode,
                                char* internationalPrefix, char* nationalPrefix) {
    for (char* buffer : {keyOut, name, callingCode, internationalPrefix, nationalPrefix}) {
        Clear(buffer);
    }
    if (key == nullptr || keyOut == nullptr || name == nullptr || callingCode == nullptr ||
        internationalPrefix == nullptr || nationalPrefix == nullptr) {
        return QV_CC_FAILED;
    }
    try {
        const CCountryTable& table = Table();
        const auto* entry = table.Find(std::string_view(key, ::strnlen(key, QV_COUNTRY_KEY_SIZE)));
        if (entry == nullptr) {
            return QV_CC_FAILED;
        }
        CopyUtf8(keyOut, QV_COUNTRY_KEY_SIZE, entry->key);
        CopyUtf8(name, QV_COUNTRY_NAME_SIZE, table.LocalName(*entry));
        CopyUtf8(callingCode, QV_COUNTRY_CODE_SIZE, entry->callingCode);
        CopyUtf8(internationalPrefix, QV_COUNTRY_INTL_SIZE, entry->internationalPrefix);
        CopyUtf8(nationalPrefix, QV_COUNTRY_NATIONAL_SIZE, entry->nationalPrefix);
        return QV_CC_OK;
    } catch (...) {
        for (char* buffer : {keyOut, name, callingCode, internationalPrefix, nationalPrefix}) {
            Clear(buffer);
        }
        return QV_CC_FAILED;
    }
}

extern "C" int QVGetCountryOnName(const char* name, QVCountryRecord* record) {
    if (record == nullptr) {
        return QV_CC_FAILED;
    }
    *record = QVCountryRecord{};
    if (name == nullptr) {
        return QV_CC_FAILED;
    }
    try {
        const auto* entry =
            Table().FindByName(std::string_view(name, ::strnlen(name, kMaxNameLength)));
        if (entry == nullptr) {
            return QV_CC_FAILED;
        }
        record->tag[0] = 'Q';
        record->tag[1] = 'C';
        CopyUtf8(record->key, sizeof record->key, entry->key);
        return QV_CC_OK;
    } catch (...) {
        *record = QVCountryRecord{};
        return QV_CC_FAILED;
    }
}

extern "C" int QVSetHomeCountry(const QVCountryRecord* record) {
    if (record == nullptr || record->tag[0] != 'Q' || record->tag[1] != 'C') {
        return QV_CC_FAILED;
    }
    try {
        return Home().Set(std::string(record->key, ::strnlen(record->key, sizeof record->key)));
    } catch (...) {
        return QV_CC_FAILED;
    }
}
