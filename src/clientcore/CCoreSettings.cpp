#include "clientcore/CCoreSettings.h"
#include "platform/StringUtil.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#ifndef TW_CLIENTCORE_NO_REGISTRY
#include "platform/Registry.h"
#endif

std::mutex CCoreSettings::s_lock;
std::map<std::string, std::string> CCoreSettings::s_overrides;

namespace {

std::string Lower(const std::string& text) {
    return platform::ToLower(text);
}

} // namespace

std::string CCoreSettings::KeyPath(const std::string& product) {
    return "Software\\Quorvane\\" + product + "\\2.0\\Core";
}

std::optional<std::string> CCoreSettings::Read(const std::string& product,
                                               const std::string& name) {
    {
        std::lock_guard<std::mutex> guard(s_lock);
        auto it = s_overrides.find(Lower(name));
        if (it != s_overrides.end()) {
            return it->second;
        }
    }
#ifndef TW_CLIENTCORE_NO_REGISTRY
    platform::RegKey key;
    if (!key.Open(platform::RegRoot::CurrentUser, KeyPath(product))) {
        return std::nullopt;
    }
    if (auto text = key.QueryString(name)) {
        return text;
    }
    if (auto number = key.QueryDWORD(name)) {
        return std::to_string(*number);
    }
#else
    (void)product;
#endif
    return std::nullopt;
}

std::string CCoreSettings::RemoteHost(const std::string& product) {
    std::string host = Read(product, "RemoteHost").value_or("");
    // Surrounding blanks are a typing slip, not a host.
    auto first = host.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "";
    }
    auto last = host.find_last_not_of(" \t");
    return host.substr(first, last - first + 1);
}

std::uint32_t CCoreSettings::SimulateOutage(const std::string& product) {
    std::string text = Read(product, "SimulateOutage").value_or("0");
    std::uint32_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return 0;
    }
    return value;
}

std::uint32_t CCoreSettings::DelayPercent(const std::string& product) {
    std::string text = Read(product, "ServiceDelayPercent").value_or("100");
    std::uint32_t value = 100;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value == 0) {
        return 100;
    }
    return std::min<std::uint32_t>(value, 10000);
}

void CCoreSettings::Override(const std::string& name, std::optional<std::string> value) {
    std::lock_guard<std::mutex> guard(s_lock);
    if (value) {
        s_overrides[Lower(name)] = *value;
    } else {
        s_overrides.erase(Lower(name));
    }
}
