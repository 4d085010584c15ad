#include "gui/CLayoutVisibility.h"

#include "log/LogManager.h"
#include "language/CLayoutFile.h"
#include "language/LangStrings.h"

#include <cstdio>
#include <filesystem>

CLayoutVisibility CLayoutVisibility::Load(const std::string& installRoot, const std::string& name) {
    if (lang::Trim(installRoot).empty()) {
        return {};
    }
    std::string path = CLayoutFile::PathFor(installRoot, name);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        Log("CLayoutVisibility::Load", "No layout file " + path + ", using the default layout",
            LOG_CAT_GUI, LOG_SEV_INFO);
        return {};
    }
    CLayoutFile::Values values;
    if (!CLayoutFile::Read(path, values)) {
        return {};
    }
    return CLayoutVisibility(std::move(values));
}

bool CLayoutVisibility::ValueShows(const std::string& value) {
    std::string v = lang::Trim(value);
    if (v.empty() || v == "0") {
        return false;
    }
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    char rest = 0;
    if (std::sscanf(v.c_str(), "%d,%d,%d,%d%c", &x, &y, &w, &h, &rest) == 4) {
        return w > 0 && h > 0;
    }
    return true;
}

bool CLayoutVisibility::Shows(const std::string& line) const {
    if (!m_haveFile) {
        return true;
    }
    for (const auto& [key, value] : m_values) {
        if (lang::EqualsNoCase(lang::Trim(key), line)) {
            return ValueShows(value);
        }
    }
    return false;
}
