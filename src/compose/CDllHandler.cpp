#include "compose/CDllHandler.h"

#include "log/LogManager.h"
#include "platform/VersionInfo.h"

#include <cstring>

namespace {

const char* const kLoad = "CDllHandler::Load";
const char* const kEntry = "CDllHandler::EntryPoint";

// Splits "GB;DE;US" at ";" and drops empty pieces.
std::vector<std::string> SplitKeys(const char* text) {
    std::vector<std::string> keys;
    if (text == nullptr) {
        return keys;
    }
    const char* start = text;
    for (const char* p = text;; ++p) {
        if (*p == ';' || *p == '\0') {
            if (p != start) {
                keys.emplace_back(start, p);
            }
            if (*p == '\0') {
                break;
            }
            start = p + 1;
        }
    }
    return keys;
}

} // namespace

CDllHandler::CDllHandler(const std::string& programFolder, const std::string& fileName)
    : m_path(programFolder + "/" + fileName) {}

CDllHandler::~CDllHandler() {
    Free();
}

bool CDllHandler::Load() {
    std::lock_guard lock(m_lock);
    if (m_library.IsOpen()) {
        return true;
    }
    m_reported.clear();
    if (!m_library.Open(m_path)) {
        Log(kLoad,
            "Could not load the country-code library " + m_path + ": " + m_library.Error() +
                "; numbers cannot be converted",
            LOG_CAT_APPLICATION, LOG_SEV_ERROR);
        return false;
    }
    std::string version;
    if (const auto* info = static_cast<const TwVersionInfo*>(m_library.Symbol(TW_VERSION_SYMBOL))) {
        version = " version " + std::to_string(info->major) + "." + std::to_string(info->minor) +
                  "." + std::to_string(info->build);
    }
    Log(kLoad, "Loaded " + m_path + version, LOG_CAT_APPLICATION, LOG_SEV_INFO);
    return true;
}

bool CDllHandler::IsLoaded() const {
    std::lock_guard lock(m_lock);
    return m_library.IsOpen();
}

void CDllHandler::Free() {
    std::lock_guard lock(m_lock);
    if (!m_library.IsOpen()) {
        return;
    }
    m_library.Close();
    m_home = QVHomeCountry{};
    Log("CDllHandler::Free", "Unloaded " + m_path, LOG_CAT_APPLICATION, LOG_SEV_TRACE);
}

void* CDllHandler::EntryPoint(const char* name) const {
    std::lock_guard lock(m_lock);
    if (!m_library.IsOpen()) {
        if (m_reported.insert("").second) {
            Log(kEntry, std::string("No country-code library loaded; ") + name + " not called",
                LOG_CAT_APPLICATION, LOG_SEV_ERROR);
        }
        return nullptr;
    }
    void* symbol = m_library.Symbol(name);
    if (symbol == nullptr && m_reported.insert(name).second) {
        Log(kEntry, std::string("The country-code library has no entry point ") + name,
            LOG_CAT_APPLICATION, LOG_SEV_ERROR);
    }
    return symbol;
}

int CDllHandler::Init(const std::string& registryRoot) {
    auto init = Entry<QVCountryInitFn>("QVCountryInit");
    if (init == nullptr) {
        return QV_CC_FAILED;
    }
    const int result = init(registryRoot.c_str());
    if (result != QV_CC_OK) {
        Log("CDllHandler::Init",
            "QVCountryInit(" + registryRoot + ") failed with " + std::to_string(result),
            LOG_CAT_APPLICATION, LOG_SEV_ERROR);
    }
    return result;
}

bool CDllHandler::RefreshHomeCountry() {
    auto get = Entry<QVGetHomeCountryFn>("QVGetHomeCountry");
    if (get == nullptr) {
        return false;
    }
    QVHomeCountry home{};
    if (get(&home) != QV_CC_OK) {
        Log("CDllHandler::RefreshHomeCountry", "QVGetHomeCountry failed", LOG_CAT_APPLICATION,
            LOG_SEV_ERROR);
        return false;
    }
    home.text[sizeof home.text - 1] = '\0';
    std::lock_guard lock(m_lock);
    m_home = home;
    return true;
}

std::string CDllHandler::HomeCountry() const {
    std::lock_guard lock(m_lock);
    return std::string(m_home.text, ::strnlen(m_home.text, sizeof m_home.text));
}

std::string CDllHandler::ConvertToMsisdn(const std::string& text) const {
    auto convert = Entry<QVConvertToMsisdnFn>("QVConvertToMsisdn");
    if (convert == nullptr) {
        return {};
    }
    QVHomeCountry home{};
    {
        std::lock_guard lock(m_lock);
        home = m_home;
    }
    char out[QV_MSISDN_SIZE] = {};
    if (convert(text.c_str(), &home, out, static_cast<int>(sizeof out)) != QV_CC_OK) {
        return {};
    }
    return std::string(out, ::strnlen(out, sizeof out));
}

std::vector<std::string> CDllHandler::Countries() const {
    auto get = Entry<QVGetCountriesFn>("QVGetCountries");
    if (get == nullptr) {
        return {};
    }
    int count = 0;
    return SplitKeys(get(&count));
}

std::optional<CountryDetails> CDllHandler::CountryInfo(const std::string& key) const {
    auto get = Entry<QVGetCountryInfoFn>("QVGetCountryInfo");
    if (get == nullptr) {
        return std::nullopt;
    }
    char keyOut[QV_COUNTRY_KEY_SIZE] = {};
    char name[QV_COUNTRY_NAME_SIZE] = {};
    char code[QV_COUNTRY_CODE_SIZE] = {};
    char intl[QV_COUNTRY_INTL_SIZE] = {};
    char national[QV_COUNTRY_NATIONAL_SIZE] = {};
    if (get(key.c_str(), keyOut, name, code, intl, national) != QV_CC_OK) {
        return std::nullopt;
    }
    auto text = [](const char* buffer, std::size_t size) {
        return std::string(buffer, ::strnlen(buffer, size));
    };
    return CountryDetails{text(keyOut, sizeof keyOut), text(name, sizeof name),
                          text(code, sizeof code), text(intl, sizeof intl),
                          text(national, sizeof national)};
}

int CDllHandler::GetCountryOnName(const std::string& name, QVCountryRecord& record) const {
    record = QVCountryRecord{};
    auto find = Entry<QVGetCountryOnNameFn>("QVGetCountryOnName");
    if (find == nullptr) {
        return QV_CC_FAILED;
    }
    return find(name.c_str(), &record);
}

int CDllHandler::SetHomeCountryRecord(const QVCountryRecord& record) {
    auto set = Entry<QVSetHomeCountryFn>("QVSetHomeCountry");
    if (set == nullptr) {
        return QV_CC_FAILED;
    }
    return set(&record);
}

int CDllHandler::SetHomeCountry(const std::string& name) {
    QVCountryRecord record{};
    int result = GetCountryOnName(name, record);
    if (result != QV_CC_OK) {
        Log("CDllHandler::SetHomeCountry", "No country named \"" + name + "\"", LOG_CAT_APPLICATION,
            LOG_SEV_ERROR);
        return result;
    }
    result = SetHomeCountryRecord(record);
    if (result != QV_CC_OK) {
        Log("CDllHandler::SetHomeCountry",
            "The home country \"" + name + "\" was not stored (" + std::to_string(result) + ")",
            LOG_CAT_APPLICATION, LOG_SEV_ERROR);
        return result;
    }
    RefreshHomeCountry();
    return QV_CC_OK;
}
