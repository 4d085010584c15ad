// Whether the machine is connected: some interface that is up, is not the loopback interface
// and carries a default route. A connection over a point-to-point interface named "ppp..." or
// "wwan..." counts as a modem connection.
#pragma once

#include <string>
#include <vector>

class CConnectivity {
public:
    struct Interface {
        std::string name;
        bool up = false;
        bool loopback = false;
        bool pointToPoint = false;
    };

    struct State {
        bool connected = false;
        bool modem = false;
    };

    virtual ~CConnectivity() = default;

    // The machine's current state (interfaces from getifaddrs, routes from /proc/net).
    virtual State Query() const;

    // The decision itself, on given data: `ipv4Routes` in the format of /proc/net/route,
    // `ipv6Routes` in the format of /proc/net/ipv6_route (either may be empty).
    static State Evaluate(const std::vector<Interface>& interfaces, const std::string& ipv4Routes,
                          const std::string& ipv6Routes);
    // Names of the interfaces that carry a default route.
    static std::vector<std::string> DefaultRouteInterfaces(const std::string& ipv4Routes,
                                                           const std::string& ipv6Routes);
    static bool IsModemName(const std::string& name);
};
