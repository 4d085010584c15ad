#include "core/CConnectivity.h"

#include <algorithm>
#include <fstream>
#include <ifaddrs.h>
#include <net/if.h>
#include <sstream>

namespace {

constexpr unsigned kRouteUp = 0x0001; // RTF_UP

std::string ReadWholeFile(const char* path) {
    std::ifstream in(path);
    if (!in) {
        return {};
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

} // namespace

bool CConnectivity::IsModemName(const std::string& name) {
    return StartsWith(name, "ppp") || StartsWith(name, "wwan");
}

std::vector<std::string> CConnectivity::DefaultRouteInterfaces(const std::string& ipv4Routes,
                                                               const std::string& ipv6Routes) {
    std::vector<std::string> names;
    auto add = [&names](const std::string& name) {
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) {
            names.push_back(name);
        }
    };

    // Iface Destination Gateway Flags RefCnt Use Metric Mask ... (hex fields, header line).
    std::istringstream v4(ipv4Routes);
    std::string line;
    while (std::getline(v4, line)) {
        std::istringstream fields(line);
        std::string iface, destination, gateway, flags, refCnt, use, metric, mask;
        if (!(fields >> iface >> destination >> gateway >> flags >> refCnt >> use >> metric >>
              mask)) {
            continue;
        }
        if (iface == "Iface") {
            continue;
        }
        unsigned long flagValue = 0;
        try {
            flagValue = std::stoul(flags, nullptr, 16);
        } catch (...) {
            continue;
        }
        if (destination == "00000000" && mask == "00000000" && (flagValue & kRouteUp) != 0) {
            add(iface);
        }
    }

    // destination prefix-length source source-length next-hop metric refcnt use flags iface
    std::istringstream v6(ipv6Routes);
    while (std::getline(v6, line)) {
        std::istringstream fields(line);
        std::string destination, prefix, source, sourcePrefix, nextHop, metric, refCnt, use, flags,
            iface;
        if (!(fields >> destination >> prefix >> source >> sourcePrefix >> nextHop >> metric >>
              refCnt >> use >> flags >> iface)) {
            continue;
        }
        unsigned long flagValue = 0;
        try {
            flagValue = std::stoul(flags, nullptr, 16);
        } catch (...) {
            continue;
        }
        if (destination == std::string(32, '0') && prefix == "00" && (flagValue & kRouteUp) != 0 &&
            iface != "lo") {
            add(iface);
        }
    }
    return names;
}

CConnectivity::State CConnectivity::Evaluate(const std::vector<Interface>& interfaces,
                                             const std::string& ipv4Routes,
                                             const std::string& ipv6Routes) {
    State state;
    std::vector<std::string> routed = DefaultRouteInterfaces(ipv4Routes, ipv6Routes);
    for (const Interface& itf : interfaces) {
        if (!itf.up || itf.loopback) {
            continue;
        }
        bool modem = itf.pointToPoint && IsModemName(itf.name);
        if (std::find(routed.begin(), routed.end(), itf.name) != routed.end()) {
            state.connected = true;
            state.modem = state.modem || modem;
        } else if (modem) {
            // A dial-up link that is up but not (yet) routed still says "modem".
            state.modem = true;
        }
    }
    return state;
}

CConnectivity::State CConnectivity::Query() const {
    std::vector<Interface> interfaces;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) == 0) {
        for (ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
            if (entry->ifa_name == nullptr) {
                continue;
            }
            std::string name = entry->ifa_name;
            auto known = std::find_if(interfaces.begin(), interfaces.end(),
                                      [&name](const Interface& i) { return i.name == name; });
            if (known != interfaces.end()) {
                continue; // getifaddrs lists an interface once per address family
            }
            Interface itf;
            itf.name = name;
            itf.up = (entry->ifa_flags & IFF_UP) != 0;
            itf.loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0;
            itf.pointToPoint = (entry->ifa_flags & IFF_POINTOPOINT) != 0;
            interfaces.push_back(itf);
        }
        ::freeifaddrs(list);
    }
    return Evaluate(interfaces, ReadWholeFile("/proc/net/route"),
                    ReadWholeFile("/proc/net/ipv6_route"));
}
