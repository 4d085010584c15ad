// The gateway's delivery-report calls as the listener reads them: request targets as they
// stand in the request line, before any decoding.
#include "clientcore/CReportRequest.h"

#include "common/FuzzSeed.h"

#include <gtest/gtest.h>

namespace {

using R = CReportRequest;
using P = CKannelProtocol;

const std::string kGuid = "0f8fad5b-d9cb-469f-a165-70867728950e";

// Reads a target (and keeps it as a seed of the report fuzz target).
R::Reading Read(const std::string& target, P::Report& report) {
    twtest::SaveFuzzSeed("report", target);
    return R::Read(target, report);
}

// The call Kannel makes for a report of the submit: the dlr-url with its placeholders filled,
// each value percent-encoded.
std::string KannelCall(const P::Submit& s, const std::string& number, int type,
                       const std::string& answer) {
    std::string url = P::ReportUrl(s);
    auto fill = [&url](const std::string& placeholder, const std::string& value) {
        url.replace(url.find(placeholder), placeholder.size(), value);
    };
    fill("%p", P::Escape(number));
    fill("%d", std::to_string(type));
    fill("%A", P::Escape(answer));
    return url;
}

TEST(ReportRequest, TheCallKannelMakesForTheReportUrlReadsBackWhatTheSubmitNamed) {
    P::Submit s;
    s.guid = kGuid;
    s.secret = "00112233445566778899aabbccddeeff";
    s.part = 3;
    P::Report r;
    ASSERT_EQ(Read(KannelCall(s, "+447700900111", 16, "id:7 stat:REJECTD err:0b & 100%"), r),
              R::Reading::Report);
    EXPECT_EQ(r.guid, kGuid);
    EXPECT_EQ(r.secret, s.secret);
    EXPECT_EQ(r.part, 3);
    EXPECT_EQ(r.number, "+447700900111");
    EXPECT_EQ(r.type, 16);
    EXPECT_EQ(r.answer, "id:7 stat:REJECTD err:0b & 100%");

    // "+" is a blank in a query; a "%" without two hex digits stays as it is.
    ASSERT_EQ(Read("/dlr?m=" + kGuid + "&s=x&n=0&p=%2B49+170&t=1&a=stat:DELIVRD+100%+%4", r),
              R::Reading::Report);
    EXPECT_EQ(r.number, "+49 170");
    EXPECT_EQ(r.answer, "stat:DELIVRD 100% %4");
    // The path is compared decoded, as every HTTP server does.
    EXPECT_EQ(Read("/%64lr?m=" + kGuid + "&n=0&p=1&t=1", r), R::Reading::Report);
    EXPECT_EQ(r.secret, ""); // no secret: read, and refused later as forged
    EXPECT_EQ(r.answer, "");
}

TEST(ReportRequest, OtherPathsAreUnknownAndDamagedCallsMalformed) {
    P::Report r;
    for (const char* path : {"/", "", "/dlr/", "/DLR?m=1", "/dlrx?m=1", "dlr", "/%2Fdlr"}) {
        EXPECT_EQ(R::Read(path, r), R::Reading::UnknownPath) << path;
    }
    const std::string good = "/dlr?m=" + kGuid + "&s=abc&n=1&p=%2B447700900111&t=8";
    ASSERT_EQ(Read(good, r), R::Reading::Report);
    for (const std::string& target :
         {std::string("/dlr"), std::string("/dlr?"), std::string("/dlr?m=nonsense"),
          "/dlr?m=" + kGuid + "&n=1&p=&t=8",            // no number
          "/dlr?m=" + kGuid + "&n=1&p=5&t=%d",          // a placeholder Kannel did not fill
          "/dlr?m=" + kGuid + "&n=-1&p=5&t=1",          // negative part
          "/dlr?m=" + kGuid + "&n=99999999999&p=5&t=1", // part beyond 32 bits
          "/dlr?m=" + kGuid + "&n&n=1&p=5&t=1",         // the first "n" has no value
          "/dlr?m=" + kGuid + "&n=1&p=5%00&t=1"}) {     // a zero byte in the number
        EXPECT_EQ(Read(target, r), R::Reading::Malformed) << target;
    }
    // The first argument of a name counts, also when its name is encoded.
    ASSERT_EQ(Read(good + "&t=1&%74=2", r), R::Reading::Report);
    EXPECT_EQ(r.type, 8);
    ASSERT_EQ(Read("/dlr?%74=2&m=" + kGuid + "&s=abc&n=1&p=5&t=8", r), R::Reading::Report);
    EXPECT_EQ(r.type, 2);
    // A zero byte only in an argument the report does not read changes nothing.
    EXPECT_EQ(Read(good + "&x=%00", r), R::Reading::Report);
}

} // namespace
