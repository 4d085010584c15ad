#include "countrycodes/CUserLocale.h"

#include <cstdlib>

namespace countrycodes {

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool IsPlainLocale(const std::string& name) {
    return name.empty() || name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0;
}

struct LocaleParts {
    std::string language;
    std::string territory;
    std::string modifier;
};

// language[_territory][.codeset][@modifier]
LocaleParts Split(const std::string& name) {
    LocaleParts parts;
    std::string rest = name;
    if (auto at = rest.find('@'); at != std::string::npos) {
        parts.modifier = rest.substr(at + 1);
        rest.erase(at);
    }
    if (auto dot = rest.find('.'); dot != std::string::npos) {
        rest.erase(dot);
    }
    if (auto underscore = rest.find('_'); underscore != std::string::npos) {
        parts.territory = rest.substr(underscore + 1);
        rest.erase(underscore);
    }
    parts.language = rest;
    return parts;
}

} // namespace

std::string CUserLocale::LocaleName() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        std::string value = Env(name);
        if (!value.empty()) {
            return value;
        }
    }
    return {};
}

std::vector<std::string> CUserLocale::CatalogueNames(const std::string& localeName) {
    const LocaleParts parts = Split(localeName);
    std::vector<std::string> names;
    if (parts.language.empty()) {
        return names;
    }
    auto add = [&names](const std::string& name) {
        for (const auto& known : names) {
            if (known == name) {
                return;
            }
        }
        names.push_back(name);
    };
    const std::string modifier = parts.modifier.empty() ? "" : "@" + parts.modifier;
    if (!parts.territory.empty()) {
        if (!modifier.empty()) {
            add(parts.language + "_" + parts.territory + modifier);
        }
        add(parts.language + "_" + parts.territory);
    }
    if (!modifier.empty()) {
        add(parts.language + modifier);
    }
    add(parts.language);
    return names;
}

std::vector<std::string> CUserLocale::MessageLanguages() {
    const std::string locale = LocaleName();
    if (IsPlainLocale(locale)) {
        return {};
    }
    std::vector<std::string> languages;
    const std::string list = Env("LANGUAGE");
    std::size_t start = 0;
    while (start <= list.size() && !list.empty()) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos) {
            end = list.size();
        }
        for (auto& name : CatalogueNames(list.substr(start, end - start))) {
            languages.push_back(std::move(name));
        }
        start = end + 1;
    }
    if (languages.empty()) {
        languages = CatalogueNames(locale);
    }
    return languages;
}

std::string CUserLocale::TerritoryOf(const std::string& localeName) {
    std::string territory = Split(localeName).territory;
    if (territory.size() != 2) {
        return {};
    }
    for (char& c : territory) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        } else if (c < 'A' || c > 'Z') {
            return {};
        }
    }
    return territory;
}

std::string CUserLocale::Territory() {
    return TerritoryOf(LocaleName());
}

} // namespace countrycodes
