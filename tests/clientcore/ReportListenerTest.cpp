// The delivery-report listener over HTTP on loopback: the request target as sent reaches the
// report reader, and every other request gets its status at once.
#include "clientcore/CReportListener.h"

#include "platform/UniqueFd.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A port nobody listens on right now.
std::uint16_t FreePort() {
    platform::UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof where;
    if (!fd || ::bind(fd.Get(), reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 ||
        ::getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&where), &size) != 0) {
        return 0;
    }
    return ntohs(where.sin_port);
}

// Sends one request; the status code of the answer, 0 when there is none.
int Request(std::uint16_t port, const std::string& method, const std::string& target) {
    platform::UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(port);
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (!fd || ::connect(fd.Get(), reinterpret_cast<sockaddr*>(&where), sizeof where) != 0) {
        return 0;
    }
    const std::string request =
        method + " " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\n\r\n";
    if (::write(fd.Get(), request.data(), request.size()) != static_cast<ssize_t>(request.size())) {
        return 0;
    }
    char answer[64] = {};
    std::size_t got = 0;
    while (got < 12) {
        const ssize_t n = ::read(fd.Get(), answer + got, sizeof answer - 1 - got);
        if (n <= 0) {
            return 0;
        }
        got += static_cast<std::size_t>(n);
    }
    return std::atoi(answer + 9);
}

TEST(ReportListener, ReadsTheCallAsSentAndAnswersOtherRequestsAtOnce) {
    std::mutex lock;
    std::vector<CKannelProtocol::Report> taken;
    CReportListener listener;
    std::string error;
    const std::uint16_t port = FreePort();
    ASSERT_NE(port, 0);
    ASSERT_TRUE(listener.Start(
        "127.0.0.1", port,
        [&](const std::vector<CKannelProtocol::Report>& reports) {
            std::lock_guard<std::mutex> guard(lock);
            taken.insert(taken.end(), reports.begin(), reports.end());
            return std::vector<int>(reports.size(), 200);
        },
        error))
        << error;
    const std::string guid = "0f8fad5b-d9cb-469f-a165-70867728950e";
    EXPECT_EQ(Request(port, "GET",
                      "/dlr?m=" + guid + "&s=abc&n=1&p=%2B49+170&t=8&a=id%3A7%26x+stat%3AACCEPTD"),
              200);
    EXPECT_EQ(Request(port, "GET", "/other?m=" + guid), 404);
    EXPECT_EQ(Request(port, "POST", "/dlr?m=" + guid), 405);
    EXPECT_EQ(Request(port, "GET", "/dlr?m=nonsense"), 400);
    EXPECT_EQ(Request(port, "GET", "/dlr?m=" + guid + "&n=1&p=5%00&t=1"), 400);
    EXPECT_EQ(listener.Malformed(), 2u);
    listener.Stop();
    std::lock_guard<std::mutex> guard(lock);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].guid, guid);
    EXPECT_EQ(taken[0].part, 1);
    EXPECT_EQ(taken[0].number, "+49 170");
    EXPECT_EQ(taken[0].type, 8);
    EXPECT_EQ(taken[0].answer, "id:7&x stat:ACCEPTD");
}

} // namespace
