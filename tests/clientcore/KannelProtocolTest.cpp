// The Kannel conversation without a gateway: the request the core makes, how answers map to
// send result errors, and how delivery reports read.
#include "clientcore/CKannelProtocol.h"

#include <gtest/gtest.h>
#include <map>

namespace {

using P = CKannelProtocol;

std::string Param(const std::string& url, const std::string& name) {
    auto at = url.find("&" + name + "=");
    if (at == std::string::npos) {
        at = url.find("?" + name + "=");
    }
    if (at == std::string::npos) {
        return "<none>";
    }
    auto start = at + name.size() + 2;
    return url.substr(start, url.find('&', start) - start);
}

P::Submit Sample() {
    P::Submit s;
    s.sendUrl = "http://gw:13013/cgi-bin/sendsms";
    s.user = "desk";
    s.password = "p&ss word";
    s.from = "Tidewell";
    s.to = {"+447700900111", "+447700900001"};
    s.text = "Grüße & 100%";
    s.callbackUrl = "http://10.0.0.5:13080";
    s.guid = "0f8fad5b-d9cb-469f-a165-70867728950e";
    s.secret = "00112233445566778899aabbccddeeff";
    s.part = 2;
    return s;
}

TEST(KannelProtocol, TheRequestCarriesEveryRecipientAndAnEscapedReportAddress) {
    P::Submit s = Sample();
    std::string url = P::SubmitUrl(s);
    EXPECT_EQ(url.rfind("http://gw:13013/cgi-bin/sendsms?username=desk&", 0), 0u) << url;
    EXPECT_EQ(Param(url, "password"), "p%26ss%20word");
    EXPECT_EQ(Param(url, "to"), "%2B447700900111%20%2B447700900001");
    EXPECT_EQ(Param(url, "text"), "Gr%C3%BC%C3%9Fe%20%26%20100%25");
    EXPECT_EQ(Param(url, "from"), "Tidewell");
    EXPECT_EQ(Param(url, "coding"), "0");
    EXPECT_EQ(Param(url, "mclass"), "<none>");
    EXPECT_EQ(Param(url, "dlr-mask"), "31");
    // The report address names message, part and secret and leaves Kannel's placeholders.
    EXPECT_EQ(P::ReportUrl(s), "http://10.0.0.5:13080/dlr?m=0f8fad5b-d9cb-469f-a165-70867728950e"
                               "&s=00112233445566778899aabbccddeeff&n=2&p=%p&t=%d&a=%A");
    EXPECT_EQ(Param(url, "dlr-url"), P::Escape(P::ReportUrl(s)));

    s.flash = true;
    s.ucs2 = true;
    s.from.clear();
    url = P::SubmitUrl(s);
    EXPECT_EQ(Param(url, "mclass"), "0");
    EXPECT_EQ(Param(url, "coding"), "2");
    EXPECT_EQ(Param(url, "from"), "<none>"); // the gateway's own sender
}

TEST(KannelProtocol, AnswersMapToTheSendResultErrors) {
    struct Case {
        long status;
        const char* body;
        P::Failure failure;
        const char* label; // empty: accepted
    } cases[] = {
        {202, "0: Accepted for delivery", P::Failure::None, ""},
        {202, "3: Queued for later delivery", P::Failure::None, ""},
        {403, "Authorization failed for sendsms", P::Failure::None, "Not allowed to send"},
        {400, "Sender missing and no global set, rejected", P::Failure::None, "Refused by gateway"},
        {503, "Service unavailable", P::Failure::None, "Server not avail"},
        {202, "4: Rejected", P::Failure::None, "Refused by gateway"},
        {0, "", P::Failure::Unreachable, "Server not found"},
        {0, "", P::Failure::Dropped, "Server not avail"},
    };
    for (const Case& c : cases) {
        P::Answer a = P::MapAnswer(c.status, c.body, c.failure, "why");
        EXPECT_EQ(a.label, c.label) << c.status << " " << c.body;
        EXPECT_EQ(a.outcome == P::Outcome::Accepted, std::string(c.label).empty());
        if (c.failure == P::Failure::None && !std::string(c.label).empty()) {
            EXPECT_NE(a.description.find(c.body), std::string::npos) << a.description;
        }
    }
}

TEST(KannelProtocol, ReportsReadOnlyWhenWellFormedAndEveryTypeHasAStatus) {
    std::map<std::string, std::string> q = {{"m", "0f8fad5b-d9cb-469f-a165-70867728950e"},
                                            {"s", "abc"},
                                            {"n", "0"},
                                            {"p", "+447700900111"},
                                            {"t", "1"},
                                            {"a", "id:1 stat:DELIVRD"}};
    auto read = [&] {
        return P::ReadReport([&](const char* name) -> std::optional<std::string> {
            auto it = q.find(name);
            return it == q.end() ? std::nullopt : std::optional<std::string>(it->second);
        });
    };
    auto r = read();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->type, 1);
    EXPECT_EQ(r->answer, "id:1 stat:DELIVRD");
    q.erase("s"); // read, and refused later as forged
    ASSERT_TRUE(read());
    EXPECT_EQ(read()->secret, "");
    q["t"] = "%d"; // a gateway that did not fill the placeholder
    EXPECT_FALSE(read());
    q["t"] = "2";
    q["m"] = "not-a-guid";
    EXPECT_FALSE(read());

    for (int type : {1, 2, 4, 8, 16}) {
        const P::Status* s = P::StatusOf(type);
        ASSERT_NE(s, nullptr) << type;
        EXPECT_EQ(s->code[0] == 'F', s->rank == P::kFinalRank) << type;
    }
    EXPECT_EQ(P::StatusOf(32), nullptr);
    EXPECT_LT(P::StatusOf(8)->rank, P::StatusOf(4)->rank);

    EXPECT_TRUE(P::SameSecret("abc", "abc"));
    EXPECT_FALSE(P::SameSecret("abc", "abd"));
    EXPECT_FALSE(P::SameSecret("abc", ""));
    EXPECT_NE(P::NewSecret(), P::NewSecret());
    EXPECT_EQ(P::NewSecret().size(), 32u);
}

} // namespace
