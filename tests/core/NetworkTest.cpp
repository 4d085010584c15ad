// The connectivity decision and the local address lookup.
#include "core/CConnectivity.h"
#include "core/CFetchBuffers.h"
#include "core/CLocalAddress.h"

#include <gtest/gtest.h>
#include <regex>

namespace {

const char* const kRouteHeader =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

TEST(Connectivity, NeedsAnUpNonLoopbackInterfaceWithADefaultRoute) {
    std::string routes = std::string(kRouteHeader) +
                         "eth0\t00000000\t0102A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
                         "eth0\t0002A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n";
    std::vector<CConnectivity::Interface> up = {{"lo", true, true, false},
                                                {"eth0", true, false, false}};
    EXPECT_TRUE(CConnectivity::Evaluate(up, routes, "").connected);
    EXPECT_FALSE(CConnectivity::Evaluate(up, routes, "").modem);

    std::vector<CConnectivity::Interface> down = {{"lo", true, true, false},
                                                  {"eth0", false, false, false}};
    EXPECT_FALSE(CConnectivity::Evaluate(down, routes, "").connected);

    // A route for the local network only is no connection.
    std::string local = std::string(kRouteHeader) +
                        "eth0\t0002A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n";
    EXPECT_FALSE(CConnectivity::Evaluate(up, local, "").connected);
    EXPECT_FALSE(CConnectivity::Evaluate(up, "", "").connected);
    // A default route over the loopback interface does not count.
    std::string viaLo =
        std::string(kRouteHeader) + "lo\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n";
    EXPECT_FALSE(CConnectivity::Evaluate(up, viaLo, "").connected);
}

TEST(Connectivity, ModemAndIpv6DefaultRoutes) {
    std::string routes =
        std::string(kRouteHeader) + "ppp0\t00000000\t00000000\t0001\t0\t0\t0\t00000000\t0\t0\t0\n";
    std::vector<CConnectivity::Interface> interfaces = {{"ppp0", true, false, true}};
    CConnectivity::State s = CConnectivity::Evaluate(interfaces, routes, "");
    EXPECT_TRUE(s.connected);
    EXPECT_TRUE(s.modem);
    // A modem link that is up without a route: no connection, but a modem.
    s = CConnectivity::Evaluate({{"wwan0", true, false, true}}, "", "");
    EXPECT_FALSE(s.connected);
    EXPECT_TRUE(s.modem);

    std::string v6 = std::string(32, '0') + " 00 " + std::string(32, '0') + " 00 " +
                     "fe800000000000000000000000000001 00000400 00000001 00000000 00000003 "
                     "wlan0\n";
    EXPECT_TRUE(CConnectivity::Evaluate({{"wlan0", true, false, false}}, "", v6).connected);
    EXPECT_EQ(CConnectivity::DefaultRouteInterfaces("garbage\n\t\n", "x y\n"),
              std::vector<std::string>{});
}

TEST(LocalAddress, ResolvesToADottedQuadOrNothing) {
    EXPECT_EQ(CLocalAddress::Resolve("localhost"), "127.0.0.1");
    EXPECT_EQ(CLocalAddress::Resolve(""), "");
    EXPECT_EQ(CLocalAddress::Resolve("no-such-host.invalid"), "");
    std::string own = CLocalAddress::Lookup();
    if (!own.empty()) {
        EXPECT_TRUE(std::regex_match(own, std::regex(R"(\d+\.\d+\.\d+\.\d+)"))) << own;
    }
}

TEST(FetchBuffers, GrowsUntilFilledAndGivesUpOnAFaultyCore) {
    CFetchBuffers buffers(3);
    int calls = 0;
    std::int32_t rc = buffers.Negotiate([&] {
        ++calls;
        return buffers.Size() < 5000 ? 4999 : 1;
    });
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(buffers.Size(), 5000);
    EXPECT_EQ(buffers[2][0], '\0');

    // A core that keeps answering "too small" for a size that already fits is failing.
    CFetchBuffers stuck(1);
    calls = 0;
    EXPECT_EQ(stuck.Negotiate([&] {
        ++calls;
        return 10;
    }),
              0);
    EXPECT_EQ(calls, 1);
    CFetchBuffers negative(1);
    EXPECT_EQ(negative.Negotiate([] { return -3; }), 0);
    CFetchBuffers huge(1);
    EXPECT_EQ(huge.Negotiate([] { return 0x7FFFFFFF; }), 0);
}

} // namespace
