// The local host's address as the service requests carry it: the host name resolved to its
// first IPv4 address, "%d.%d.%d.%d"; an empty text when the name cannot be resolved.
#pragma once

#include <string>

class CLocalAddress {
public:
    static std::string Lookup();
    // The address of `hostName`, or an empty text.
    static std::string Resolve(const std::string& hostName);
};
