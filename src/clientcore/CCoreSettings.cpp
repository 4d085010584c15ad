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

namespace {

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    return platform::ToLower(text).rfind(prefix, 0) == 0;
}

// A dotted IPv4 address of four numbers up to 255.
bool IsIpv4(const std::string& text) {
    int parts = 0;
    std::size_t i = 0;
    while (i <= text.size()) {
        std::size_t dot = text.find('.', i);
        std::string part = text.substr(i, dot == std::string::npos ? std::string::npos : dot - i);
        unsigned value = 0;
        auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (part.empty() || part.size() > 3 || ec != std::errc() ||
            end != part.data() + part.size() || value > 255) {
            return false;
        }
        ++parts;
        if (dot == std::string::npos) {
            break;
        }
        i = dot + 1;
    }
    return parts == 4;
}

} // namespace

bool CCoreSettings::Gateway(const std::string& product, GatewaySettings& settings,
                            std::string& error) {
    // Built by appending: GCC 12 at -O2 warns falsely (-Wrestrict) on "..." + a temporary.
    std::string key = "\"";
    key += KeyPath(product);
    key += '"';
    auto text = [&](const char* name) { return platform::Trim(Read(product, name).value_or("")); };
    auto missing = [&](const char* name, const char* what) {
        error = std::string("the core setting ") + name + " (" + what + ") is missing in the key " +
                key;
        return false;
    };
    settings = GatewaySettings{};
    settings.sendUrl = RemoteHost(product);
    if (settings.sendUrl.empty()) {
        return missing("RemoteHost", "the gateway's sendsms address");
    }
    if (!StartsWithNoCase(settings.sendUrl, "http://") &&
        !StartsWithNoCase(settings.sendUrl, "https://")) {
        error = "the core setting RemoteHost must be the gateway's sendsms address, beginning "
                "with http:// or https:// (for example http://gateway:13013/cgi-bin/sendsms), "
                "not \"" +
                settings.sendUrl + "\"";
        return false;
    }
    settings.user = text("GatewayUser");
    if (settings.user.empty()) {
        return missing("GatewayUser", "the gateway's sendsms user name");
    }
    settings.password = Read(product, "GatewayPassword").value_or("");
    if (settings.password.empty()) {
        return missing("GatewayPassword", "the gateway's sendsms password");
    }
    std::string port = text("ReportPort");
    if (port.empty()) {
        return missing("ReportPort", "the port on which the core takes delivery reports");
    }
    unsigned value = 0;
    auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (ec != std::errc() || end != port.data() + port.size() || value == 0 || value > 65535) {
        error = "the core setting ReportPort must be a port number from 1 to 65535, not \"" + port +
                "\"";
        return false;
    }
    settings.reportPort = static_cast<std::uint16_t>(value);
    settings.reportAddress = text("ReportAddress");
    if (settings.reportAddress.empty()) {
        settings.reportAddress = "127.0.0.1";
    }
    if (!IsIpv4(settings.reportAddress)) {
        error = "the core setting ReportAddress must be an IPv4 address such as 127.0.0.1, not "
                "\"" +
                settings.reportAddress + "\"";
        return false;
    }
    settings.callbackUrl = text("ReportCallbackUrl");
    if (settings.callbackUrl.empty()) {
        std::string host =
            settings.reportAddress == "0.0.0.0" ? std::string("127.0.0.1") : settings.reportAddress;
        settings.callbackUrl = "http://" + host + ":" + std::to_string(settings.reportPort);
    }
    while (!settings.callbackUrl.empty() && settings.callbackUrl.back() == '/') {
        settings.callbackUrl.pop_back();
    }
    if (!StartsWithNoCase(settings.callbackUrl, "http://") &&
        !StartsWithNoCase(settings.callbackUrl, "https://")) {
        error = "the core setting ReportCallbackUrl must begin with http:// or https://, not \"" +
                settings.callbackUrl + "\"";
        return false;
    }
    settings.sender = text("GatewaySender");
    settings.allowOriginator = text("GatewayAllowOriginator") != "0";
    std::string requests = text("GatewayRequests");
    if (!requests.empty()) {
        unsigned count = 0;
        auto [last, bad] =
            std::from_chars(requests.data(), requests.data() + requests.size(), count);
        if (bad != std::errc() || last != requests.data() + requests.size() || count == 0 ||
            count > static_cast<unsigned>(kMaxGatewayRequests)) {
            error = "the core setting GatewayRequests must be a number of requests from 1 to " +
                    std::to_string(kMaxGatewayRequests) + ", not \"" + requests + "\"";
            return false;
        }
        settings.requests = static_cast<int>(count);
    }
    return true;
}
