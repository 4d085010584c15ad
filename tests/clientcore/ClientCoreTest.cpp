// The client core through its C interface, with the embedded service on a test clock.
#include "CoreHarness.h"

#include "common/TestEnv.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using cctest::Harness;
using cctest::StatusReport;

namespace {

class ClientCore : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(core.Start()) << QVGetLastErrorText(); }
    Harness core;
};

std::string Repeat(char c, std::size_t n) {
    return std::string(n, c);
}

TEST_F(ClientCore, RegistrationGivesANewPrepaidAccount) {
    std::string first = core.Register();
    std::string second = core.Register();
    ASSERT_FALSE(first.empty());
    EXPECT_LT(first.size(), 32u);
    EXPECT_NE(first, second);

    cctest::AccountData a = core.Account(first);
    ASSERT_EQ(a.rc, 1);
    EXPECT_EQ(a.accountId, first);
    EXPECT_EQ(a.accountType, "prepaid");
    EXPECT_EQ(a.prepaidBalance, "50");
    EXPECT_EQ(a.messageLength, 160);
    EXPECT_EQ(a.allowedToSend, 1);
    EXPECT_EQ(a.allowOriginator, 1);
    EXPECT_EQ(a.allowMsIsdnOriginator, 1);
    EXPECT_EQ(a.msisdnOriginator.rfind("+", 0), 0u);
    EXPECT_EQ(a.msisdn, a.msisdnOriginator);
    EXPECT_FALSE(a.textOriginator.empty());
    EXPECT_FALSE(a.replyOriginator.empty());
    EXPECT_FALSE(a.replyEmailSenderDomain.empty());
    EXPECT_EQ(a.errorFlag, 0);
    EXPECT_TRUE(a.errorLabel.empty());
    EXPECT_EQ(core.wrongWindow, 0);
}

TEST_F(ClientCore, UnknownAccountsAreReportedAsSuch) {
    // A query for an account the service does not know is answered like any other, with the
    // error label the program acts on (it offers the signup again).
    cctest::AccountData data = core.Account("TW-nobody");
    EXPECT_EQ(data.rc, 1);
    EXPECT_NE(data.errorFlag, 0);
    EXPECT_EQ(data.errorLabel, "Unknown account");
    EXPECT_NE(data.errorMessage.find("TW-nobody"), std::string::npos);
    char guid[QV_GUID_BUFFER_SIZE] = {};
    QVAccountQuery q{sizeof(QVAccountQuery), "", "TWD", "en", "", 0, 0, guid, 37};
    EXPECT_EQ(QVQueryAccountStatus(&q), 0);
}

TEST_F(ClientCore, ChangingTheEmailAddress) {
    std::string id = core.Register();
    char first[QV_CHANGE_FIRST_BUFFER_SIZE] = {};
    char label[QV_CHANGE_LABEL_BUFFER_SIZE] = {};
    char last[QV_CHANGE_LABEL_BUFFER_SIZE] = {};
    QVChangeRequest req{sizeof(QVChangeRequest), id.c_str(), "TWD", "en", "",
                        "ann@example.org",       0,          0,     0};
    QVChangeResult res{sizeof(QVChangeResult), first, 1, label, last};
    ASSERT_EQ(QVChangeAccountDetails(&req, &res), 1);
    EXPECT_EQ(res.errorFlag, 0);
    EXPECT_EQ(core.Account(id).userEmail, "ann@example.org");

    req.userEmail = "not an address";
    ASSERT_EQ(QVChangeAccountDetails(&req, &res), 1);
    EXPECT_NE(res.errorFlag, 0);
    EXPECT_STRNE(label, "");
    EXPECT_EQ(core.Account(id).userEmail, "ann@example.org");

    req.accountId = "TW-nobody";
    req.userEmail = "bob@example.org";
    ASSERT_EQ(QVChangeAccountDetails(&req, &res), 1);
    EXPECT_NE(res.errorFlag, 0);
}

TEST_F(ClientCore, NormalNumbersGetASendResultThenPendingThenFinalReports) {
    std::string id = core.Register();
    std::string guid;
    ASSERT_EQ(core.Send(id, "Hello there", "+447700900111,+447700900222", "reject", &guid), 1);
    EXPECT_EQ(guid.size(), 36u);
    EXPECT_EQ(guid[8], '-');
    EXPECT_EQ(guid[14], '4');

    core.Advance(199);
    EXPECT_TRUE(core.TakeEvents().empty());
    core.Advance(1);
    auto events = core.TakeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].code, QVStatusSendMessageInfoID);
    EXPECT_EQ(events[0].guid, guid);
    cctest::SendOutcome result = core.FetchSendResult(guid);
    ASSERT_EQ(result.rc, 1);
    EXPECT_EQ(result.errorFlag, 0);
    EXPECT_TRUE(result.highId != 0 || result.lowId != 0);
    // A result is released once fetched.
    EXPECT_EQ(core.FetchSendResult(guid).rc, 0);

    core.Advance(800);
    auto pending = core.Reports();
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending[0].code, "Pdelivering");
    EXPECT_EQ(pending[0].text, "Delivering...");
    EXPECT_EQ(pending[0].recipients, "+447700900111,+447700900222");
    EXPECT_EQ(pending[0].highId, result.highId);
    EXPECT_EQ(pending[0].lowId, result.lowId);
    EXPECT_EQ(pending[0].time.size(), 20u);

    core.Subscribe(pending[0].Id());
    core.Advance(3999);
    EXPECT_TRUE(core.Reports().empty());
    core.Advance(1);
    auto final = core.Reports();
    ASSERT_EQ(final.size(), 1u);
    EXPECT_EQ(final[0].code, "Fdelivered");
    EXPECT_EQ(final[0].text, "Delivered");
    EXPECT_EQ(final[0].recipients, "+447700900111,+447700900222");
    EXPECT_EQ(core.Balance(id), 48);
}

TEST_F(ClientCore, ChargesOneUnitPerMessagePartAndRecipient) {
    std::string id = core.Register();
    const std::string two = "+447700900111,+447700900222";
    EXPECT_EQ(core.SendAndResult(id, Repeat('a', 160), two, "reject").errorFlag, 0);
    EXPECT_EQ(core.Balance(id), 48);
    EXPECT_EQ(core.SendAndResult(id, Repeat('a', 161), two, "split").errorFlag, 0);
    EXPECT_EQ(core.Balance(id), 44);
    EXPECT_EQ(core.SendAndResult(id, Repeat('a', 307), "+447700900111", "concat").errorFlag, 0);
    EXPECT_EQ(core.Balance(id), 41);
    EXPECT_EQ(core.SendAndResult(id, Repeat('a', 320), "+447700900111", "split").errorFlag, 0);
    EXPECT_EQ(core.Balance(id), 39);
    // Seventy-one Cyrillic letters: UCS-2, 67 per concatenated part.
    std::string cyrillic;
    for (int i = 0; i < 71; ++i) {
        cyrillic += "\xD0\x96";
    }
    EXPECT_EQ(core.SendAndResult(id, cyrillic, "+447700900111", "concat").errorFlag, 0);
    EXPECT_EQ(core.Balance(id), 37);
}

TEST_F(ClientCore, RejectModeRefusesALongTextWithAReadableError) {
    std::string id = core.Register();
    cctest::SendOutcome r = core.SendAndResult(id, Repeat('a', 161), "+447700900111", "reject");
    ASSERT_EQ(r.rc, 1);
    EXPECT_NE(r.errorFlag, 0);
    EXPECT_EQ(r.highId, 0);
    EXPECT_EQ(r.lowId, 0);
    EXPECT_EQ(r.label, "Message too long");
    EXPECT_NE(r.description.find("161"), std::string::npos);
    EXPECT_NE(r.description.find("160"), std::string::npos);

    std::string ucs2 = Repeat('a', 70) + "\xD0\x96";
    r = core.SendAndResult(id, ucs2, "+447700900111", "reject");
    EXPECT_EQ(r.label, "Message too long");
    EXPECT_NE(r.description.find("70"), std::string::npos);
    EXPECT_EQ(core.Balance(id), 50);
    core.Advance(10000);
    EXPECT_TRUE(core.Reports().empty()); // a refused message has no recipients to report on
}

TEST_F(ClientCore, ContentErrorsComeAsSendResults) {
    std::string id = core.Register();
    cctest::SendOutcome r = core.SendAndResult(id, "hi", "+447700900111,call me", "concat");
    EXPECT_EQ(r.label, "Invalid recipient");
    EXPECT_NE(r.description.find("call me"), std::string::npos);
    EXPECT_EQ(core.SendAndResult(id, "hi", "", "concat").label, "Invalid recipient");
    EXPECT_EQ(core.SendAndResult("TW-nobody", "hi", "+447700900111", "concat").label,
              "Unknown account");
    EXPECT_EQ(core.SendAndResult(id, "bad \xFF", "+447700900111", "concat").label, "Invalid text");
    EXPECT_EQ(core.Balance(id), 50);
}

TEST_F(ClientCore, TestNumbers) {
    std::string id = core.Register();
    std::string guid;
    ASSERT_EQ(
        core.Send(id, "x", "+15550000001,+15550000002,+15550000003,+15550000004", "concat", &guid),
        1);
    core.Advance(200);
    ASSERT_EQ(core.FetchSendResult(guid).errorFlag, 0);
    core.Advance(800);
    auto first = core.Reports();
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0].code, "Pdelivering");
    EXPECT_EQ(first[0].recipients, "+15550000001,+15550000002");
    EXPECT_EQ(first[1].code, "Funknownsender");
    EXPECT_EQ(first[1].recipients, "+15550000003");
    EXPECT_EQ(first[2].code, "Finsufficientbalance");
    EXPECT_EQ(first[2].recipients, "+15550000004");

    core.Subscribe(first[0].Id());
    core.Advance(4000);
    auto later = core.Reports();
    ASSERT_EQ(later.size(), 2u);
    EXPECT_EQ(later[0].code, "Fundeliverable");
    EXPECT_EQ(later[0].text, "Not delivered: the number is not reachable");
    EXPECT_EQ(later[0].recipients, "+15550000001");
    EXPECT_NE(later[1].code[0], 'F'); // 0002 never becomes final
    EXPECT_EQ(later[1].recipients, "+15550000002");
    core.Advance(24LL * 3600 * 1000);
    EXPECT_TRUE(core.Reports().empty());
    // Only the two numbers that reached the network are charged.
    EXPECT_EQ(core.Balance(id), 48);
}

TEST_F(ClientCore, ErrorReportTestNumber) {
    std::string id = core.Register();
    std::string guid;
    ASSERT_EQ(core.Send(id, "x", "+15550000005", "concat", &guid), 1);
    core.Advance(1000);
    auto errors = core.TakeEvents(QVStatusErrorID);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].guid, guid);
    char label[1024];
    char description[1024];
    QVErrorReport e{sizeof(QVErrorReport), 1024, label, description, guid.c_str(), 37};
    ASSERT_EQ(QVGetStatusError(&e), 1);
    EXPECT_STREQ(label, "Server Error");
    EXPECT_STRNE(description, "");
}

TEST_F(ClientCore, BalanceRunsOut) {
    std::string id = core.Register();
    const std::string tenParts = Repeat('a', 153 * 10);
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(core.SendAndResult(id, tenParts, "+447700900111").errorFlag, 0);
    }
    EXPECT_EQ(core.Balance(id), 0);
    core.Advance(1000);
    core.Reports();
    std::string guid;
    ASSERT_EQ(core.Send(id, "one more", "+447700900111", "concat", &guid), 1);
    core.Advance(200);
    EXPECT_EQ(core.FetchSendResult(guid).errorFlag, 0);
    core.Advance(800);
    auto reports = core.Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].code, "Finsufficientbalance");
    EXPECT_EQ(core.Balance(id), 0);
}

TEST_F(ClientCore, SimulatedOutageIsReadAtEachSend) {
    std::string id = core.Register();
    cctest::SetCoreDword("SimulateOutage", 1);
    cctest::SendOutcome r = core.SendAndResult(id, "x", "+447700900111");
    EXPECT_NE(r.errorFlag, 0);
    EXPECT_EQ(r.label, "Server not found");
    EXPECT_EQ(r.highId | r.lowId, 0);
    cctest::SetCoreDword("SimulateOutage", 2);
    EXPECT_EQ(core.SendAndResult(id, "x", "+447700900111").label, "Server not avail");
    cctest::SetCoreDword("SimulateOutage", 0);
    r = core.SendAndResult(id, "x", "+447700900111");
    EXPECT_EQ(r.errorFlag, 0);
    EXPECT_TRUE(r.label.empty());
    EXPECT_EQ(core.Balance(id), 49);
}

TEST_F(ClientCore, FetchNegotiatesTheBufferSize) {
    std::string id = core.Register();
    std::string guid;
    ASSERT_EQ(core.Send(id, Repeat('a', 161), "+447700900111", "reject", &guid), 1);
    core.Advance(200);
    char label[4];
    char description[4];
    QVSendResult r{sizeof(QVSendResult), 4, 7, 7, 0, 0, label, description, guid.c_str(), 37};
    std::strcpy(label, "");
    std::int32_t need = QVGetStatusSendMessageInfo(&r);
    ASSERT_GE(need, 2);
    EXPECT_EQ(r.highId, 7); // nothing filled
    EXPECT_STREQ(label, "");
    // The same GUID can be fetched again, once the buffers are large enough.
    EXPECT_EQ(QVGetStatusSendMessageInfo(&r), need);
    cctest::SendOutcome ok = core.FetchSendResult(guid, need + 1);
    ASSERT_EQ(ok.rc, 1);
    EXPECT_EQ(static_cast<std::int32_t>(ok.description.size()), need);

    // Account data and delivery reports follow the same rule, from a 1-byte start.
    EXPECT_EQ(core.FetchAccount("no-such-guid", 1).rc, 0);
    char qguid[QV_GUID_BUFFER_SIZE];
    QVAccountQuery q{sizeof(QVAccountQuery), id.c_str(), "TWD", "en", "", 0, 0, qguid, 37};
    ASSERT_EQ(QVQueryAccountStatus(&q), 1);
    core.RunDue();
    auto events = core.TakeEvents(QVStatusAccountInfoID);
    ASSERT_EQ(events.size(), 1u);
    cctest::AccountData a = core.FetchAccount(events[0].guid, 1);
    ASSERT_EQ(a.rc, 1);
    EXPECT_EQ(a.accountId, id);
}

TEST_F(ClientCore, SubscriptionSelectsWhichLaterReportsArePosted) {
    std::string id = core.Register();
    std::string a, b;
    ASSERT_EQ(core.Send(id, "first", "+447700900111", "concat", &a), 1);
    core.Advance(100);
    ASSERT_EQ(core.Send(id, "second", "+447700900222", "concat", &b), 1);
    core.Advance(1500);
    auto firstReports = core.Reports(); // first reports come without a subscription
    ASSERT_EQ(firstReports.size(), 2u);
    std::uint64_t idA = firstReports[0].Id();
    std::uint64_t idB = firstReports[1].Id();
    EXPECT_LT(idA, idB);

    core.Advance(5000); // both final now, nobody subscribed
    EXPECT_TRUE(core.Reports().empty());

    core.Subscribe(idB); // the later message only
    core.RunDue();
    auto onB = core.Reports();
    ASSERT_EQ(onB.size(), 1u);
    EXPECT_EQ(onB[0].Id(), idB);
    EXPECT_EQ(onB[0].code, "Fdelivered");

    core.Subscribe(idA); // at or above the older one: only the unreported status of A
    core.RunDue();
    auto onA = core.Reports();
    ASSERT_EQ(onA.size(), 1u);
    EXPECT_EQ(onA[0].Id(), idA);

    // Stopped: later changes wait until the next subscription.
    core.Subscribe(0);
    std::string c;
    ASSERT_EQ(core.Send(id, "third", "+447700900333", "concat", &c), 1);
    core.Advance(1000);
    auto onC = core.Reports();
    ASSERT_EQ(onC.size(), 1u);
    core.Advance(5000);
    EXPECT_TRUE(core.Reports().empty());
    core.Subscribe(onC[0].Id());
    core.RunDue();
    auto finalC = core.Reports();
    ASSERT_EQ(finalC.size(), 1u);
    EXPECT_EQ(finalC[0].code, "Fdelivered");
}

TEST_F(ClientCore, ReportsContinueAfterARestart) {
    std::string id = core.Register();
    std::string early, late;
    ASSERT_EQ(core.Send(id, "early", "+447700900111", "concat", &early), 1);
    core.Advance(1000);
    ASSERT_EQ(core.FetchSendResult(early).rc, 1);
    auto pending = core.Reports();
    ASSERT_EQ(pending.size(), 1u);
    // Accepted just before the exit: its send result is not out yet.
    ASSERT_EQ(core.Send(id, "late", "+447700900222", "concat", &late), 1);
    core.Stop();
    core.TakeEvents(); // what the program saw before the exit

    core.now += 60000;
    ASSERT_TRUE(core.Start()) << QVGetLastErrorText();
    core.RunDue();
    auto results = core.TakeEvents(QVStatusSendMessageInfoID);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].guid, late);
    cctest::SendOutcome lateResult = core.FetchSendResult(late);
    EXPECT_EQ(lateResult.errorFlag, 0);
    auto firstOfLate = core.Reports(); // the late message's first report, now final
    ASSERT_EQ(firstOfLate.size(), 1u);
    EXPECT_EQ(firstOfLate[0].code, "Fdelivered");
    EXPECT_EQ(firstOfLate[0].recipients, "+447700900222");

    core.Subscribe(pending[0].Id());
    core.RunDue();
    auto final = core.Reports();
    ASSERT_EQ(final.size(), 1u);
    EXPECT_EQ(final[0].Id(), pending[0].Id());
    EXPECT_EQ(final[0].code, "Fdelivered");
    EXPECT_EQ(core.Balance(id), 48);

    // The next message gets a new, higher id: the counter survived.
    std::string next;
    ASSERT_EQ(core.Send(id, "next", "+447700900333", "concat", &next), 1);
    core.Advance(200);
    cctest::SendOutcome n = core.FetchSendResult(next);
    EXPECT_GT(static_cast<std::uint32_t>(n.lowId), static_cast<std::uint32_t>(lateResult.lowId));
}

TEST_F(ClientCore, DatabaseFileIsPrivate) {
    std::string folder = platform::AppDataFolder() + "/TWD";
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat((folder + "/service.db").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(ClientCoreStart, DamagedDatabaseIsSetAsideAndTheCoreStarts) {
    std::string folder = platform::AppDataFolder() + "/TWD";
    std::filesystem::create_directories(folder);
    twtest::WriteFile(folder + "/service.db", std::string(8192, 'x'));
    Harness core;
    ASSERT_TRUE(core.Start()) << QVGetLastErrorText();
    EXPECT_TRUE(std::filesystem::exists(folder + "/service.db.damaged"));
    EXPECT_FALSE(core.Register().empty());
}

TEST(ClientCoreStart, ARemoteHostNeedsEveryGatewaySettingAndNamesTheMissingOne) {
    const std::string port = std::to_string(cctest::FreePort());
    // After each value is set, the start fails naming what is still missing or wrong.
    const struct {
        const char* name;
        std::string value;
        const char* named;
    } steps[] = {
        {"RemoteHost", "sms.example.org", "http://"},
        {"RemoteHost", "http://127.0.0.1:9/cgi-bin/sendsms", "GatewayUser"},
        {"GatewayUser", "desk", "GatewayPassword"},
        {"GatewayPassword", "secret", "ReportPort"},
        {"ReportPort", "70000", "ReportPort"},
        {"ReportPort", port, "ReportAddress"},
    };
    Harness core;
    cctest::SetCoreString("ReportAddress", "localhost");
    for (const auto& step : steps) {
        cctest::SetCoreString(step.name, step.value);
        EXPECT_FALSE(core.Start()) << step.name;
        EXPECT_NE(std::string(QVGetLastErrorText()).find(step.named), std::string::npos)
            << QVGetLastErrorText();
        core.Stop();
    }
    // Complete settings start the transport; the gateway itself is needed only once a message
    // goes out. A port taken by someone else is a failure that says so.
    cctest::SetCoreString("ReportAddress", "127.0.0.1");
    // The number of requests made at once may be left out; a wrong one is named.
    for (const char* wrong : {"0", "33", "four"}) {
        cctest::SetCoreString("GatewayRequests", wrong);
        EXPECT_FALSE(core.Start()) << wrong;
        EXPECT_NE(std::string(QVGetLastErrorText()).find("GatewayRequests"), std::string::npos)
            << QVGetLastErrorText();
        core.Stop();
    }
    cctest::SetCoreString("GatewayRequests", "8");
    EXPECT_TRUE(core.Start()) << QVGetLastErrorText();
    core.Stop();
    cctest::SetCoreString("ReportPort", std::to_string(cctest::TakenPort()));
    EXPECT_FALSE(core.Start());
    EXPECT_NE(std::string(QVGetLastErrorText()).find("delivery reports"), std::string::npos)
        << QVGetLastErrorText();
    for (const char* name : {"RemoteHost", "GatewayUser", "GatewayPassword", "ReportAddress",
                             "ReportPort", "GatewayRequests"}) {
        cctest::SetCoreString(name, "");
    }
    EXPECT_TRUE(core.Start()) << QVGetLastErrorText();
}

TEST(ClientCoreStart, BadArgumentsAndDoubleInitialisation) {
    Harness core;
    EXPECT_EQ(QVInitialize(nullptr, Harness::kWindow, 0), 0);
    EXPECT_EQ(QVInitialize("", Harness::kWindow, 0), 0);
    EXPECT_EQ(QVInitialize(Harness::kProduct, 0, 0), 0);
    ASSERT_TRUE(core.Start());
    EXPECT_EQ(QVInitialize(Harness::kProduct, Harness::kWindow, 0), 0);
    EXPECT_STRNE(QVGetLastErrorText(), "");
}

TEST(ClientCoreStart, CallsBeforeInitialisationFail) {
    std::string text = "x";
    char guid[37];
    QVSendRequest r{sizeof(QVSendRequest), "a", "",       "",  "",   "x",
                    "+447700900111",       "",  "concat", "0", guid, 37};
    EXPECT_EQ(QVSendMessage(&r), 0);
    EXPECT_EQ(QVUpdateMsgId(1, 0, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(QVStartShutdown(), 0);
    EXPECT_EQ(QVShutdown(), 1);
}

TEST_F(ClientCore, StartShutdownPostsEvent99AndRefusesNewWork) {
    std::string id = core.Register();
    std::string guid;
    ASSERT_EQ(core.Send(id, "x", "+447700900111", "concat", &guid), 1);
    ASSERT_EQ(QVStartShutdown(), 1);
    // Event 99 follows from the engine thread; wait for it without the clock.
    for (int i = 0; i < 500; ++i) {
        auto events = core.TakeEvents(QVShutdownID);
        if (!events.empty()) {
            EXPECT_EQ(events[0].pointer, nullptr);
            break;
        }
        ASSERT_LT(i, 499) << "no event 99";
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(core.Send(id, "x", "+447700900111", "concat", nullptr), 0);
    EXPECT_EQ(QVShutdown(), 1);
    core.Stop();
    ASSERT_TRUE(core.Start());
    core.Advance(200);
    EXPECT_EQ(core.FetchSendResult(guid).errorFlag, 0);
}

TEST_F(ClientCore, RecordsWithAWrongSizeAreRefused) {
    std::string id = core.Register();
    char buf[1024];
    char buf2[1024];
    QVSendRequest s{sizeof(QVSendRequest) - 4, id.c_str(), "",       "",  "",  "x",
                    "+447700900111",           "",         "concat", "0", buf, 37};
    EXPECT_EQ(QVSendMessage(&s), 0);
    EXPECT_NE(std::string(QVGetLastErrorText()).find("size"), std::string::npos);
    s.size = 48; // the size of the record on a 32-bit system
    EXPECT_EQ(QVSendMessage(&s), 0);
    s.size = sizeof(QVSendRequest);
    ASSERT_EQ(QVSendMessage(&s), 1);
    std::string guid = buf;
    core.Advance(200);

    QVSendResult r{40, 1024, 0, 0, 0, 0, buf, buf2, guid.c_str(), 37};
    EXPECT_EQ(QVGetStatusSendMessageInfo(&r), 0);
    QVErrorReport e{24, 1024, buf, buf2, guid.c_str(), 37};
    EXPECT_EQ(QVGetStatusError(&e), 0);
    QVMessageStatus m{48, 1024, 0, 0, buf, buf, buf, 0, buf, buf, guid.c_str(), 37};
    EXPECT_EQ(QVGetMessageStatus(&m), 0);
    QVAccountStatus a{};
    a.size = 108;
    a.guid = guid.c_str();
    EXPECT_EQ(QVGetAccountStatus(&a), 0);
    QVRegisterRequest g{24, "", "", "", buf, buf2};
    EXPECT_EQ(QVRegisterEx(&g), 0);
    QVAccountQuery q{36, id.c_str(), "", "", "", 0, 0, buf, 37};
    EXPECT_EQ(QVQueryAccountStatus(&q), 0);
    QVChangeRequest c{36, id.c_str(), "", "", "", "a@b.org", 0, 0, 0};
    QVChangeResult cr{sizeof(QVChangeResult), buf, 0, buf2, buf};
    EXPECT_EQ(QVChangeAccountDetails(&c, &cr), 0);
    c.size = sizeof(QVChangeRequest);
    cr.size = 20;
    EXPECT_EQ(QVChangeAccountDetails(&c, &cr), 0);
    EXPECT_EQ(QVSendMessage(nullptr), 0);
    EXPECT_EQ(QVGetStatusSendMessageInfo(nullptr), 0);
    // The refused fetch left the result in place.
    EXPECT_EQ(core.FetchSendResult(guid).rc, 1);
}

TEST_F(ClientCore, MalformedSendRequestsAreRefused) {
    std::string id = core.Register();
    char buf[37];
    QVSendRequest s{sizeof(QVSendRequest), id.c_str(), "",       "",  "",  "x",
                    "+447700900111",       "",         "concat", "0", buf, 37};
    s.truncateMode = "cut";
    EXPECT_EQ(QVSendMessage(&s), 0);
    s.truncateMode = nullptr;
    EXPECT_EQ(QVSendMessage(&s), 0);
    s.truncateMode = "concat";
    s.messageText = nullptr;
    EXPECT_EQ(QVSendMessage(&s), 0);
    s.messageText = "x";
    s.guidBufferSize = 36;
    EXPECT_EQ(QVSendMessage(&s), 0);
    s.guidBufferSize = 37;
    s.recipients = nullptr;
    EXPECT_EQ(QVSendMessage(&s), 0);
    core.Advance(10000);
    EXPECT_TRUE(core.TakeEvents().empty());
}

TEST_F(ClientCore, ManyThreadsSendingAtOnce) {
    std::string id = core.Register();
    constexpr int kThreads = 8;
    constexpr int kEach = 25;
    std::vector<std::vector<std::string>> guids(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                std::string guid;
                if (core.Send(id, "x", "+447700900111", "concat", &guid) == 1) {
                    guids[t].push_back(guid);
                }
                if (i % 5 == 0) {
                    QVUpdateMsgId(1, 0, "en", "", "TWD", id.c_str());
                }
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    std::set<std::string> unique;
    for (auto& list : guids) {
        EXPECT_EQ(list.size(), static_cast<std::size_t>(kEach));
        unique.insert(list.begin(), list.end());
    }
    ASSERT_EQ(unique.size(), static_cast<std::size_t>(kThreads * kEach));
    core.Advance(200);
    std::set<std::uint64_t> ids;
    auto events = core.TakeEvents(QVStatusSendMessageInfoID);
    EXPECT_EQ(events.size(), unique.size());
    for (const auto& e : events) {
        cctest::SendOutcome r = core.FetchSendResult(e.guid);
        ASSERT_EQ(r.rc, 1);
        EXPECT_EQ(r.errorFlag, 0);
        ids.insert((static_cast<std::uint64_t>(static_cast<std::uint32_t>(r.highId)) << 32) |
                   static_cast<std::uint32_t>(r.lowId));
    }
    EXPECT_EQ(ids.size(), unique.size());
    // The balance allowed 50 of the 200: the rest were told so.
    core.Advance(800);
    std::size_t insufficient = 0;
    for (const StatusReport& r : core.Reports()) {
        if (r.code == "Finsufficientbalance") {
            ++insufficient;
        }
    }
    EXPECT_EQ(insufficient, unique.size() - 50);
    EXPECT_EQ(core.Balance(id), 0);
}

} // namespace

namespace {

// On the system clock the engine sleeps until the next item is due and wakes by itself.
TEST(ClientCoreSystemClock, TimelineRunsByItself) {
    Harness core;
    QVTestSetClock(nullptr, nullptr);
    QVTestSetDelays(0, 30, 60);
    ASSERT_TRUE(core.Start());
    std::string id = core.Register();
    std::string guid;
    ASSERT_EQ(core.Send(id, "x", "+447700900111", "concat", &guid), 1);
    std::vector<std::string> codes;
    std::uint64_t subscribed = 0;
    for (int i = 0; i < 1000 && (codes.empty() || codes.back() != "Fdelivered"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        for (const auto& report : core.Reports()) {
            codes.push_back(report.code);
            if (subscribed == 0) {
                subscribed = report.Id();
                core.Subscribe(subscribed);
            }
        }
    }
    EXPECT_EQ(core.FetchSendResult(guid).errorFlag, 0);
    // A busy machine may wake the engine after both steps were due: then the first report
    // already carries the final status.
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.back(), "Fdelivered");
    ASSERT_LE(codes.size(), 2u);
    if (codes.size() == 2) {
        EXPECT_EQ(codes[0], "Pdelivering");
    }
    QVTestSetDelays(200, 1000, 5000);
}

} // namespace

namespace {

std::int64_t CountRows(const std::string& table) {
    std::string path = platform::AppDataFolder() + "/TWD/service.db";
    sqlite3* db = nullptr;
    std::int64_t count = -1;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* s = nullptr;
        std::string sql = "SELECT COUNT(*) FROM " + table;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW) {
            count = sqlite3_column_int64(s, 0);
        }
        sqlite3_finalize(s);
    }
    sqlite3_close(db);
    return count;
}

TEST_F(ClientCore, FinishedMessagesAreForgottenAfterAMonth) {
    std::string id = core.Register();
    std::string done, waiting, fresh;
    ASSERT_EQ(core.Send(id, "done", "+447700900111", "concat", &done), 1);
    ASSERT_EQ(core.Send(id, "waiting", "+447700900222,+15550000002", "concat", &waiting), 1);
    core.Advance(1000);
    // Only what the program fetched and confirmed can be forgotten.
    EXPECT_EQ(core.FetchSendResult(done).rc, 1);
    EXPECT_EQ(core.FetchSendResult(waiting).rc, 1);
    auto first = core.Reports();
    ASSERT_FALSE(first.empty());
    core.Subscribe(first[0].Id());
    core.Advance(5000);
    core.Reports();
    core.now += 31LL * 24 * 3600 * 1000;
    ASSERT_EQ(core.Send(id, "fresh", "+447700900333", "concat", &fresh), 1);
    core.Stop();
    ASSERT_TRUE(core.Start());
    core.Stop();
    EXPECT_EQ(CountRows("messages"), 1);
    EXPECT_EQ(CountRows("recipients"), 1);
    EXPECT_EQ(CountRows("accounts"), 1);
}

TEST_F(ClientCore, SendKeysMakeTheHandOverIdempotent) {
    std::string id = core.Register();
    const std::string key = "6f1c2d3e-4a5b-4c6d-8e7f-0123456789ab";
    std::string first = key;
    std::string again = key;
    ASSERT_EQ(core.Send(id, "once", "+447700900111", "concat", &first), 1);
    ASSERT_EQ(core.Send(id, "once", "+447700900111", "concat", &again), 1);
    EXPECT_EQ(first, key);
    EXPECT_EQ(again, key);
    core.Advance(200);
    EXPECT_EQ(core.TakeEvents(QVStatusSendMessageInfoID).size(), 1u);
    EXPECT_EQ(core.FetchSendResult(key).errorFlag, 0);
    EXPECT_EQ(core.Balance(id), 49) << "charged once";
    EXPECT_EQ(CountRows("messages"), 1);

    // Asked for again after its result was confirmed (the program lost it): posted again.
    std::string reconcile = key;
    ASSERT_EQ(core.Send(id, "once", "+447700900111", "concat", &reconcile), 1);
    core.RunDue();
    EXPECT_EQ(core.TakeEvents(QVStatusSendMessageInfoID).size(), 1u);
    EXPECT_EQ(core.Balance(id), 49);

    // A key whose message was refused is a new attempt, charged when it goes through.
    cctest::SetCoreDword("SimulateOutage", 1);
    const std::string retried = "7f1c2d3e-4a5b-4c6d-8e7f-0123456789ab";
    std::string attempt = retried;
    ASSERT_EQ(core.Send(id, "later", "+447700900222", "concat", &attempt), 1);
    core.Advance(200);
    EXPECT_EQ(core.FetchSendResult(retried).label, "Server not found");
    cctest::SetCoreDword("SimulateOutage", 0);
    attempt = retried;
    ASSERT_EQ(core.Send(id, "later", "+447700900222", "concat", &attempt), 1);
    core.Advance(200);
    cctest::SendOutcome outcome = core.FetchSendResult(retried);
    EXPECT_EQ(outcome.errorFlag, 0);
    EXPECT_NE(outcome.lowId, 0);
    EXPECT_EQ(core.Balance(id), 48);
}

TEST_F(ClientCore, WhatWasNotConfirmedIsPostedAgainAfterARestart) {
    std::string id = core.Register();
    core.confirmFetched = false;
    std::string guid;
    ASSERT_EQ(core.Send(id, "hello", "+447700900111", "concat", &guid), 1);
    core.Advance(1000);
    ASSERT_EQ(core.FetchSendResult(guid).rc, 1);
    auto reports = core.Reports();
    ASSERT_EQ(reports.size(), 1u);
    core.Stop();
    core.TakeEvents();

    // Fetched but never confirmed (the program stopped before saving): posted again.
    core.confirmFetched = true;
    ASSERT_TRUE(core.Start());
    core.RunDue();
    auto results = core.TakeEvents(QVStatusSendMessageInfoID);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].guid, guid);
    EXPECT_EQ(core.FetchSendResult(guid).errorFlag, 0);
    auto again = core.Reports();
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].code, "Pdelivering");
    core.Stop();
    core.TakeEvents();

    // Confirmed: nothing more after the next restart.
    ASSERT_TRUE(core.Start());
    core.RunDue();
    EXPECT_TRUE(core.TakeEvents().empty());
}

TEST_F(ClientCore, ServiceIdsNeverRepeatWhenTheDatabaseStartsAfresh) {
    std::string id = core.Register();
    cctest::SendOutcome before = core.SendAndResult(id, "before", "+447700900111");
    ASSERT_EQ(before.errorFlag, 0);
    core.Stop();
    twtest::WriteFile(platform::AppDataFolder() + "/TWD/service.db", "damaged beyond repair");
    ::unlink((platform::AppDataFolder() + "/TWD/service.db-wal").c_str());
    ASSERT_TRUE(core.Start()) << QVGetLastErrorText();
    // The old account went with the old file, and the service says so.
    cctest::AccountData gone = core.Account(id);
    EXPECT_EQ(gone.errorLabel, "Unknown account");
    std::string fresh = core.Register();
    core.now += 1000;
    cctest::SendOutcome after = core.SendAndResult(fresh, "after", "+447700900111");
    ASSERT_EQ(after.errorFlag, 0);
    auto id64 = [](const cctest::SendOutcome& o) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(o.highId)) << 32) |
               static_cast<std::uint32_t>(o.lowId);
    };
    EXPECT_GT(id64(after), id64(before));
}

} // namespace
