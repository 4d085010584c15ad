#include "core/CLocalAddress.h"

#include <arpa/inet.h>
#include <cstdio>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

std::string CLocalAddress::Lookup() {
    char name[257] = {};
    if (::gethostname(name, sizeof(name) - 1) != 0) {
        return {};
    }
    return Resolve(name);
}

std::string CLocalAddress::Resolve(const std::string& hostName) {
    if (hostName.empty()) {
        return {};
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (::getaddrinfo(hostName.c_str(), nullptr, &hints, &result) != 0 || result == nullptr) {
        return {};
    }
    std::string text;
    for (addrinfo* entry = result; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET || entry->ai_addr == nullptr) {
            continue;
        }
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
        const auto* bytes = reinterpret_cast<const unsigned char*>(&address->sin_addr.s_addr);
        char buffer[32];
        std::snprintf(buffer, sizeof(buffer), "%d.%d.%d.%d", bytes[0], bytes[1], bytes[2],
                      bytes[3]);
        text = buffer;
        break;
    }
    ::freeaddrinfo(result);
    return text;
}
