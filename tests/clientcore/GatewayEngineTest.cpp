// The engine's gateway mode without a gateway: a batch of delivery reports stored through the
// group commit is answered report by report, and nothing is taken once the store is gone.
#include "clientcore/CResultStore.h"
#include "clientcore/CServiceEngine.h"
#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Report = CKannelProtocol::Report;

TEST(GatewayEngine, ABatchOfReportsIsAnsweredPerReportAndNotTakenWithoutAStore) {
    CResultStore results;
    CServiceEngine engine(results, [](std::uintptr_t, const char*) { return true; });
    engine.UseGateway({"desk", "Tidewell", true}, [] {});
    std::string error;
    ASSERT_TRUE(engine.Start(twtest::MakeTempDir("gatewayengine") + "/service.db", error)) << error;
    AccountRow account;
    ASSERT_TRUE(engine.Register(account, error)) << error;
    CServiceEngine::SendInput input;
    input.accountId = account.id;
    input.text = "Hello";
    input.recipients = "+447700900111,+447700900222";
    input.mode = CSmsText::Mode::Concat;
    std::string guid;
    ASSERT_TRUE(engine.Send(input, guid, error)) << error;

    std::optional<std::int64_t> retryAt;
    std::optional<GatewayRow> request = engine.TakeSubmission(retryAt);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->guid, guid);
    EXPECT_FALSE(engine.TakeSubmission(retryAt)); // in flight: never handed out twice
    CKannelProtocol::Answer accepted{CKannelProtocol::Outcome::Accepted, {}, {}};
    EXPECT_FALSE(engine.FinishSubmission(*request, accepted, true, retryAt)); // nothing waits

    const std::string secret = request->secret;
    const std::string forged(secret.size(), secret[0] == '0' ? '1' : '0');
    std::vector<Report> batch = {
        {guid, secret, 0, "+447700900111", 1, "DELIVRD"},
        {guid, secret, 0, "+447700900111", 8, ""}, // older than the report before it
        {guid, forged, 0, "+447700900222", 1, ""},
        {CServiceEngine::NewGuid(), secret, 0, "+447700900111", 1, ""},
        {guid, secret, 0, "+447700900333", 1, ""}, // no such recipient
        {guid, secret, 5, "+447700900222", 1, ""}, // no such part
    };
    EXPECT_EQ(engine.ApplyReports(batch), (std::vector<int>{200, 204, 403, 404, 404, 400}));
    // The forged report changed nothing: the true one for that recipient is still new.
    EXPECT_EQ(engine.ApplyReports({{guid, secret, 0, "+447700900222", 1, ""}, batch[0]}),
              (std::vector<int>{200, 204}));

    engine.Stop();
    // Nothing can be stored: the gateway is told to call again, never "taken".
    EXPECT_EQ(engine.ApplyReports({batch[0], batch[2]}), (std::vector<int>{503, 503}));
}

} // namespace
