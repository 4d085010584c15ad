// The core settings of a product: values of the key "Software\Quorvane\<product>\2.0\Core" in
// the user hive. Read at the moment of use, so that a change takes effect at the next request.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

// What the network transport needs: the gateway's sendsms address and credentials, where the
// core listens for delivery reports and the address the gateway calls back.
// Most sendsms requests the transport makes at once ("GatewayRequests"), and the default: each
// request waits for its answer to be stored before the worker takes the next, so it takes this
// many to keep a gateway as busy as a plain client does with a few (bench/gateway).
constexpr int kMaxGatewayRequests = 32;

struct GatewaySettings {
    std::string sendUrl;                // "RemoteHost": http:// or https:// address of sendsms
    std::string user;                   // "GatewayUser"
    std::string password;               // "GatewayPassword"
    std::string reportAddress;          // "ReportAddress": IPv4 address to listen on
    std::uint16_t reportPort = 0;       // "ReportPort"
    std::string callbackUrl;            // "ReportCallbackUrl": base of the gateway's dlr-url
    std::string sender;                 // "GatewaySender": the account's own originator
    bool allowOriginator = true;        // "GatewayAllowOriginator": may the user pick another one
    int requests = kMaxGatewayRequests; // "GatewayRequests": sendsms requests made at once
};

class CCoreSettings {
public:
    // Path of the Core key of the product.
    static std::string KeyPath(const std::string& product);

    // "RemoteHost": the service host; empty selects the embedded service.
    static std::string RemoteHost(const std::string& product);
    // "SimulateOutage": 0 normal, 1 "server not found", 2 "server not available".
    static std::uint32_t SimulateOutage(const std::string& product);
    // "ServiceDelayPercent": the embedded service's delays in percent of the usual ones
    // (100 when absent or 0; at most 10000). Lets tests and demonstrations run faster.
    static std::uint32_t DelayPercent(const std::string& product);

    // The network transport's settings, read now. False with the reason (naming the setting
    // that is missing or wrong) when they are incomplete.
    static bool Gateway(const std::string& product, GatewaySettings& settings, std::string& error);

    // Test seam: a value given here replaces the hive's value of that name (any product);
    // nothing removes the replacement.
    static void Override(const std::string& name, std::optional<std::string> value);

private:
    // The one place that reads the hive: the text of a string value or the decimal text of a
    // DWORD value, nothing when absent.
    static std::optional<std::string> Read(const std::string& product, const std::string& name);

    static std::mutex s_lock;
    static std::map<std::string, std::string> s_overrides;
};
