#include "compose/CAddressBookLocation.h"

#include "config/CQVRegClass.h"
#include "platform/Paths.h"
#include "platform/Registry.h"

#include <optional>

namespace {

std::optional<std::string> Query(platform::RegRoot root, const std::string& key) {
    platform::RegKey reg;
    if (!reg.Open(root, key)) {
        return std::nullopt;
    }
    std::optional<std::string> value = reg.QueryString(CAddressBookLocation::kValueName);
    if (value && value->empty()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::string CAddressBookLocation::Resolve(const CQVRegClass& reg) {
    const std::string key = reg.GetRootPaths().root;
    std::optional<std::string> path = Query(platform::RegRoot::CurrentUser, key);
    if (!path) {
        path = Query(platform::RegRoot::LocalMachine, key);
    }
    if (path) {
        std::string resolved = platform::ToNativePath(*path);
        if (resolved == "~" || resolved.rfind("~/", 0) == 0) {
            resolved.replace(0, 1, platform::HomeFolder());
        }
        return resolved;
    }
    const std::string folder = reg.GetDataFolder();
    return (folder.empty() ? std::string(".") : folder) + "/" + kDefaultFileName;
}

bool CAddressBookLocation::Store(const CQVRegClass& reg, const std::string& path) {
    platform::RegKey key;
    if (!key.Create(platform::RegRoot::CurrentUser, reg.GetRootPaths().root)) {
        return false;
    }
    return key.SetString(kValueName, path);
}
