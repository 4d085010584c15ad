#include "language/CLangTranslator.h"

#include "platform/Paths.h"
#include "platform/SafeFile.h"

#include "language/LangStrings.h"
#include "log/LogManager.h"

#include <ctime>
#include <exception>
#include <iterator>

namespace {

// Start and end banners carry the local date and time in the locale's formats.
std::string SessionBanner(const char* what) {
    char date[64] = "";
    char time[64] = "";
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) != nullptr) {
        std::strftime(date, sizeof date, "%x", &local);
        std::strftime(time, sizeof time, "%X", &local);
    }
    return std::string("***************** LOGSESSION ") + what + "  " + date + " : " + time +
           " *****************";
}

} // namespace

std::string CLangTranslator::DefaultLogPath() {
    const std::string folder = lang::QuorvaneTempFolder();
    return folder.empty() ? std::string() : folder + "/language.log";
}

CLangTranslator::CLangTranslator(const CLangEdition& edition, const std::string& logPath)
    : m_edition(edition), m_logPath(logPath.empty() ? DefaultLogPath() : logPath) {
    if (!m_logPath.empty()) {
        m_log = platform::OpenPrivateFile(m_logPath, platform::PrivateOpen::Truncate);
    }
    if (!m_log) {
        ::Log("CLangTranslator::CLangTranslator", "Error: Failed to open logfile " + m_logPath,
              LOG_CAT_LANGUAGE, LOG_SEV_ERROR);
        return;
    }
    Log(SessionBanner("STARTED"));
}

CLangTranslator::CLangTranslator(const CLangEdition& edition, NoLog)
    : m_edition(edition), m_quiet(true) {}

CLangTranslator::~CLangTranslator() {
    if (m_log) {
        std::string banner = "\n";
        banner += SessionBanner("ENDED");
        Log(banner);
        m_log.Reset();
    }
    std::unique_lock lock(m_entriesLock);
    m_entries.clear();
}

void CLangTranslator::Log(const std::string& message) const {
    if (m_quiet)
        return;
    std::lock_guard lock(m_logLock);
    if (!m_log) {
        ::Log("CLangTranslator::Log", "Error: Language logfile not open", LOG_CAT_LANGUAGE,
              LOG_SEV_ERROR);
        return;
    }
    const std::string line = message + '\n';
    platform::WriteAll(m_log.Get(), line.data(), line.size());
}

void CLangTranslator::SetHookVersion(const std::string& text) {
    std::lock_guard lock(m_editionLock);
    m_edition.SetHookVersion(text);
}

size_t CLangTranslator::EntryCount() const {
    std::shared_lock lock(m_entriesLock);
    return m_entries.size();
}

bool CLangTranslator::ParseFile(const std::string& path) {
    ::Log("CLangTranslator::ParseFile", "Enter", LOG_CAT_LANGUAGE, LOG_SEV_TRACE);
    Log("\n******* Started parsing file \"" + path +
        "\" ******************************************\n");

    std::ifstream file;
    if (lang::IsReadableFile(path))
        file.open(path, std::ios::in | std::ios::binary);
    if (!file.is_open()) {
        Log("Error: could not open file: " + path);
        return false;
    }

    bool result = true;
    try {
        const std::string text((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
        result = !file.bad() && ParseText(text, lang::FileNameOf(path));
    } catch (...) {
        result = false;
    }
    if (!result)
        Log("Error while trying to parse file: " + path);

    Log("\n******* Finished parsing file \"" + path +
        "\" ******************************************\n");
    return result;
}

bool CLangTranslator::ParseText(std::string_view text, const std::string& fileName) {
    try {
        size_t pos = 0;
        std::string key;
        while (pos < text.size()) {
            const size_t newline = text.find('\n', pos);
            const size_t end = newline == std::string_view::npos ? text.size() : newline;
            const std::string_view line = platform::TrimView(text.substr(pos, end - pos));
            pos = end + 1;
            if (line.empty() || line[0] == '#' || line[0] == '[')
                continue;
            const size_t equals = line.find('=');
            if (equals == std::string_view::npos || equals == 0) {
                if (!m_quiet)
                    Log("Warning: found an invalid line in file: " + fileName +
                        "\nLine:" + std::string(line));
                continue;
            }
            const std::string_view name = platform::TrimRightView(line.substr(0, equals));
            key.assign(name);
            for (char& c : key)
                c = platform::LowerAscii(c);
            const std::string_view value = platform::TrimLeftView(line.substr(equals + 1));
            if (value.empty() && !m_quiet)
                Log("Warning: empty translation for \"" + key + "\" in file: " + fileName);
            AddTranslation(key, value, fileName);
        }
    } catch (...) {
        return false;
    }
    return true;
}

std::vector<std::pair<std::string, std::string>> CLangTranslator::Entries() const {
    std::shared_lock lock(m_entriesLock);
    std::vector<std::pair<std::string, std::string>> entries;
    entries.reserve(m_entries.size());
    for (const auto& [key, entry] : m_entries)
        entries.emplace_back(key, entry.first);
    return entries;
}

void CLangTranslator::AddTranslation(const std::string& key, std::string_view value,
                                     const std::string& fileName) {
    std::unique_lock lock(m_entriesLock);
    auto [found, isNew] = m_entries.try_emplace(key);
    auto& [translation, source] = found->second;
    if (!isNew && !m_quiet) {
        const std::string newValue(value);
        if (source == fileName) {
            Log("Error: Duplicate entry found for \"" + key + "\" in: \"" + source +
                "\"\n\tPrevious entry translation:  \"" + translation +
                "\"\n\tDuplicate entry translation: \"" + newValue + "\"");
        } else {
            Log("Overriding translation for \"" + key + "\". Previously defined in: \"" + source +
                "\"\n\tPrevious translation: \"" + translation + "\"\n\tNew translation: \"" +
                newValue + "\"");
        }
    }
    translation.assign(value);
    if (source != fileName)
        source = fileName;
}

std::string CLangTranslator::Translate(const std::string& key,
                                       const std::string& defaultText) const {
    return TranslateImpl(key, &defaultText, false);
}

std::string CLangTranslator::Translate(const std::string& key, const char* defaultText) const {
    if (defaultText == nullptr)
        return TranslateImpl(key, nullptr, false);
    const std::string text(defaultText);
    return TranslateImpl(key, &text, false);
}

std::string CLangTranslator::TranslateImpl(const std::string& key, const std::string* defaultText,
                                           bool resolvingAppName) const {
    std::string result;
    bool found = false;
    {
        std::shared_lock lock(m_entriesLock);
        auto entry = m_entries.find(lang::ToLower(key));
        if (entry != m_entries.end()) {
            result = entry->second.first;
            found = true;
        }
    }
    if (!found) {
        if (defaultText != nullptr) {
            if (!m_quiet) {
                std::string shown = *defaultText;
                lang::ReplaceAll(shown, "\n", "<newline>");
                Log("Runtime warning: token not recognized: \"" + key +
                    "\", using hardcoded default: \"" + shown + "\"");
            }
            result = *defaultText;
        } else if (!m_quiet) {
            Log("Runtime error: token not recognized: \"" + key +
                "\", no hardcoded default value supplied");
        }
    }

    // Every token starts with "<"; most texts have none.
    if (result.find('<') == std::string::npos)
        return result;
    lang::ReplaceAll(result, "<newline>", "\n");

    std::string productName;
    std::string version;
    {
        std::lock_guard lock(m_editionLock);
        productName = m_edition.ProductName();
        version = m_edition.VersionToken();
    }
    if (result.find("<appname>") != std::string::npos) {
        // The application name may itself be translated to a text holding "<appname>"; inside
        // that lookup the token stands for the product name, so the replacement ends.
        const bool self = resolvingAppName || lang::EqualsNoCase(key, "TWD.AppName");
        const std::string appName =
            self ? productName : TranslateImpl("TWD.AppName", &productName, true);
        lang::ReplaceAll(result, "<appname>", appName);
    }
    lang::ReplaceAll(result, "<version>", version);
    return result;
}
