// The program's core manager with the real client core sending through a real Kannel to the
// SMSC simulator (the CTest fixture "gateway" runs them): recipients end delivered,
// undeliverable or rejected as the simulator decides by number, a stopped gateway keeps the
// message in the outbox until it is back, forged reports change nothing, and a restart between
// submit and report still ends final.
#include "CoreTestFixture.h"

#include "clientcore/QVClientCoreTesting.h"
#include "common/TestEnv.h"
#include "core/CQVClientCoreLib.h"
#include "platform/Registry.h"
#include "platform/UniqueFd.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace coretest {
namespace {

const char* const kCoreKey = "Software\\Quorvane\\Tidewell Windows\\2.0\\Core";

template <class Condition> bool WaitUntil(Condition condition, int ms = 20000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return condition();
}

// What the fixture wrote about the gateway it started.
std::map<std::string, std::string> GatewayEnv() {
    std::map<std::string, std::string> env;
    std::ifstream in(std::string(TW_GATEWAY_DIR) + "/gateway.env");
    std::string line;
    while (std::getline(in, line)) {
        auto eq = line.find('=');
        if (eq != std::string::npos) {
            env[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return env;
}

bool Fixture(const char* command) {
    std::string line =
        std::string(TW_PERL) + " " + TW_GATEWAY_SCRIPT + " " + command + " " + TW_GATEWAY_DIR;
    return std::system(line.c_str()) == 0;
}

// Submits the simulator accepted for a destination (digits only, as SMPP carries it).
int Submits(const std::string& digits) {
    std::string log = twtest::ReadFile(std::string(TW_GATEWAY_DIR) + "/smsc_sim.log");
    std::string needle = " to " + digits + "\n";
    int count = 0;
    for (auto at = log.find(needle); at != std::string::npos; at = log.find(needle, at + 1)) {
        auto start = log.rfind('\n', at);
        if (log.compare(start + 1 + 9, 15, "accepted submit") == 0) {
            ++count;
        }
    }
    return count;
}

// A plain HTTP GET on loopback; the status code, 0 when there is no answer.
int HttpGet(int port, const std::string& target) {
    platform::UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<std::uint16_t>(port));
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (!fd || ::connect(fd.Get(), reinterpret_cast<sockaddr*>(&where), sizeof where) != 0) {
        return 0;
    }
    std::string request = "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    if (::write(fd.Get(), request.data(), request.size()) != static_cast<ssize_t>(request.size())) {
        return 0;
    }
    char buf[64] = {};
    ssize_t n = ::read(fd.Get(), buf, sizeof buf - 1);
    if (n < 12) {
        return 0;
    }
    return std::atoi(buf + 9);
}

class Gateway : public CoreFixture {
protected:
    void SetUp() override {
        CoreFixture::SetUp();
        QVTestSetEventSink(nullptr, nullptr);
        env = GatewayEnv();
        ASSERT_FALSE(env["SENDSMS_URL"].empty()) << "the gateway fixture did not run";
        settings->defaultAccount.clear();
        SetCore("RemoteHost", env["SENDSMS_URL"]);
        SetCore("GatewayUser", env["USER"]);
        SetCore("GatewayPassword", env["PASSWORD"]);
        SetCore("ReportPort", env["REPORT_PORT"]);
        SetCore("GatewaySender", "Tidewell");
    }

    void SetCore(const char* name, const std::string& value) {
        platform::RegKey key;
        ASSERT_TRUE(key.Create(platform::RegRoot::CurrentUser, kCoreKey));
        ASSERT_TRUE(key.SetString(name, value));
    }

    void StartReal() {
        CoreOptions options;
        options.localAddress = std::make_shared<std::string>("127.0.0.1");
        manager =
            std::make_unique<CMgmtCore>(settings, store, nullptr, kProduct, kAppId, kAccountsKey,
                                        std::make_shared<CQVClientCoreLib>(), options);
        ASSERT_TRUE(manager->IsInitialised());
    }

    std::string Register() {
        std::size_t before = settings->Writes().size();
        EXPECT_TRUE(manager->CORE_RegisterEx());
        EXPECT_TRUE(WaitUntil([&] { return settings->Writes().size() >= before + 22; }));
        return settings->defaultAccount;
    }

    std::string Account(const std::string& name) {
        std::string value;
        for (const auto& w : settings->Writes()) {
            if (w.name == name) {
                value = w.value;
            }
        }
        return value;
    }

    // Text "hello <key>" and whatever `more` adds; truncate mode 1 splits or joins (by the
    // split-up setting), 0 rejects a long text.
    void Send(const std::string& guid, const std::string& account, const std::string& to,
              const std::string& more = {}, std::int32_t truncateMode = 1) {
        CSMSRecord r = Sms(guid, to, MSGSTATUS_NOT_SENT);
        r.AccountID = account;
        r.TruncateMode = truncateMode;
        r.MessageText = "hello " + guid + more; // the program gives the record a GUID of its own
        ASSERT_TRUE(store->OutboxAddRecord(r));
        manager->SignalOutboxUpdate();
    }

    std::unique_ptr<CMessageRecord> Sent(const std::string& guid) {
        MessageRecordList list;
        store->SentboxGetRecords(list, 0);
        for (auto& r : list) {
            auto* sms = dynamic_cast<CSMSRecord*>(r.get());
            if (sms != nullptr && sms->MessageText.rfind("hello " + guid, 0) == 0) {
                return std::move(r);
            }
        }
        return nullptr;
    }
    bool IsFinal(const std::string& guid) {
        auto r = Sent(guid);
        return r && r->Status == MSGSTATUS_FINAL;
    }
    // The record's state, for failure messages.
    std::string Describe(const std::string& guid) {
        auto r = Sent(guid);
        if (!r) {
            MessageRecordList list;
            store->OutboxGetRecords(list, 0);
            std::string text = "not in the sentbox; outbox:";
            for (const auto& o : list) {
                text += " " + o->GUID + " status " + std::to_string(o->Status) + " " + o->ErrorText;
            }
            return text;
        }
        std::string text = "status " + std::to_string(r->Status);
        for (const auto& recipient : r->Recipients) {
            text += "; " + recipient.Number + ": " + recipient.StatusText;
        }
        return text;
    }
    std::int32_t OutboxCount(std::int32_t status) {
        MessageRecordList list;
        return store->OutboxGetRecords(list, status);
    }

    std::map<std::string, std::string> env;
};

TEST_F(Gateway, AGatewayAccountIsAnInvoiceAccountBoundToTheSettings) {
    StartReal();
    std::string id = Register();
    ASSERT_EQ(id.rfind("GW", 0), 0u) << id;
    EXPECT_EQ(Account("AccountType"), "invoice");
    EXPECT_EQ(Account("MessageLength"), "160");
    EXPECT_EQ(Account("MsisdnOriginator"), "Tidewell");
    EXPECT_EQ(Account("AllowOriginator"), "1");
}

TEST_F(Gateway, TwoRecipientsEndFinalOneDeliveredOneUndeliverable) {
    StartReal();
    std::string id = Register();
    Send("TWO", id, "+447700900111,+447700900001");
    ASSERT_TRUE(WaitUntil([&] { return IsFinal("TWO"); })) << Describe("TWO");
    auto r = Sent("TWO");
    ASSERT_EQ(r->Recipients.size(), 2u);
    EXPECT_EQ(r->Recipients[0].StatusText.rfind("Delivered", 0), 0u) << r->Recipients[0].StatusText;
    EXPECT_EQ(r->Recipients[1].StatusText.rfind("Not delivered: the number is not reachable", 0),
              0u)
        << r->Recipients[1].StatusText;
    // Kannel's words come along with the readable text.
    EXPECT_NE(r->Recipients[1].StatusText.find("stat:UNDELIV"), std::string::npos);
    EXPECT_EQ(OutboxCount(0), 0);
}

TEST_F(Gateway, EnRouteShowsAWaitingStatusBeforeTheFinalOne) {
    StartReal();
    std::string id = Register();
    Send("ENROUTE", id, "+447700900008");
    ASSERT_TRUE(WaitUntil([&] {
        auto r = Sent("ENROUTE");
        return r && r->Status != MSGSTATUS_FINAL && !r->Recipients.empty() &&
               r->Recipients[0].StatusText.rfind("Waiting:", 0) == 0;
    }));
    ASSERT_TRUE(WaitUntil([&] { return IsFinal("ENROUTE"); }));
    EXPECT_EQ(Sent("ENROUTE")->Recipients[0].StatusText.rfind("Delivered", 0), 0u);
}

TEST_F(Gateway, AnSmscRejectionIsAFinalFailure) {
    StartReal();
    std::string id = Register();
    Send("REJECT", id, "+447700900016");
    ASSERT_TRUE(WaitUntil([&] { return IsFinal("REJECT"); }));
    auto r = Sent("REJECT");
    EXPECT_EQ(r->Recipients[0].StatusText.rfind("Not delivered: the operator's message centre "
                                                "refused the message",
                                                0),
              0u)
        << r->Recipients[0].StatusText;
}

TEST_F(Gateway, LongTextsAreSplitJoinedOrRefusedBeforeTheGateway) {
    StartReal();
    std::string id = Register();
    const std::string longText(200, 'x');
    settings->splitUpType = 0; // separate messages: one request per SMS
    Send("SPLIT", id, "+447700900141", longText);
    ASSERT_TRUE(WaitUntil([&] { return IsFinal("SPLIT"); })) << Describe("SPLIT");
    EXPECT_EQ(Sent("SPLIT")->Recipients[0].StatusText.rfind("Delivered", 0), 0u);
    EXPECT_EQ(Submits("447700900141"), 2);

    settings->splitUpType = 1; // joined: one request, Kannel cuts and joins the parts
    Send("JOINED", id, "+447700900151", longText);
    ASSERT_TRUE(WaitUntil([&] { return IsFinal("JOINED"); })) << Describe("JOINED");
    EXPECT_EQ(Submits("447700900151"), 2);

    // Kannel would cut the text silently: the core refuses it itself.
    Send("TOOLONG", id, "+447700900161", longText, 0);
    ASSERT_TRUE(WaitUntil([&] { return boxes->CallCount() == 1; }));
    EXPECT_NE(boxes->Calls()[0].text.find("one SMS holds 160"), std::string::npos)
        << boxes->Calls()[0].text;
    EXPECT_EQ(Submits("447700900161"), 0);
}

TEST_F(Gateway, WrongCredentialsAreNotAllowedToSend) {
    StartReal();
    std::string id = Register();
    manager.reset();
    SetCore("GatewayPassword", "not-the-password");
    StartReal();
    Send("DENIED", id, "+447700900121");
    ASSERT_TRUE(WaitUntil([&] { return boxes->CallCount() == 1; }));
    EXPECT_NE(boxes->Calls()[0].text.find("Not allowed to send"), std::string::npos)
        << boxes->Calls()[0].text;
    EXPECT_EQ(OutboxCount(MSGSTATUS_ERROR), 1);
    EXPECT_EQ(Submits("447700900121"), 0);
}

TEST_F(Gateway, AStoppedGatewayKeepsTheMessageUntilItIsBackAndSendsItOnce) {
    StartReal();
    std::string id = Register();
    ASSERT_TRUE(Fixture("stop-kannel"));
    Send("OUTAGE", id, "+447700900131");
    ASSERT_TRUE(WaitUntil([&] {
        MessageRecordList waiting;
        store->OutboxGetRecords(waiting, MSGSTATUS_NOT_SENT);
        return waiting.size() == 1 && waiting[0]->ErrorText == "Awaiting server connection...";
    }));
    ASSERT_TRUE(Fixture("start-kannel"));
    manager->SignalOutboxUpdate();
    ASSERT_TRUE(WaitUntil([&] { return IsFinal("OUTAGE"); }));
    EXPECT_EQ(Sent("OUTAGE")->Recipients[0].StatusText.rfind("Delivered", 0), 0u);
    EXPECT_EQ(Submits("447700900131"), 1);
    EXPECT_EQ(boxes->CallCount(), 0u);
}

TEST_F(Gateway, AForgedDeliveryReportChangesNothing) {
    StartReal();
    std::string id = Register();
    Send("FORGED", id, "+447700900009"); // delivered only after a while
    ASSERT_TRUE(WaitUntil([&] {
        auto r = Sent("FORGED");
        return r && !r->Recipients.empty() && !r->Recipients[0].StatusText.empty();
    }));
    int port = std::stoi(env["REPORT_PORT"]);
    const std::string report = "/dlr?m=" + Sent("FORGED")->GUID + "&n=0&p=%2B447700900009&t=1&a=x";
    EXPECT_EQ(HttpGet(port, report + "&s=0123456789abcdef0123456789abcdef"), 403);
    EXPECT_EQ(HttpGet(port, report), 403); // no secret at all
    EXPECT_EQ(HttpGet(port, "/dlr?m=nonsense"), 400);
    auto r = Sent("FORGED");
    EXPECT_NE(r->Status, MSGSTATUS_FINAL);
    EXPECT_EQ(r->Recipients[0].StatusText.rfind("Waiting:", 0), 0u) << r->Recipients[0].StatusText;
    EXPECT_NE(twtest::ReadFile(std::string(std::getenv("TMPDIR")) + "/Quorvane/clientcore.log")
                  .find("wrong secret"),
              std::string::npos);
    ASSERT_TRUE(WaitUntil([&] { return IsFinal("FORGED"); }));
}

TEST_F(Gateway, ARestartBetweenSubmitAndReportStillEndsFinal) {
    StartReal();
    std::string id = Register();
    Send("RESTART", id, "+447700910009");
    ASSERT_TRUE(WaitUntil([&] { return Sent("RESTART") != nullptr; }));
    manager.reset(); // the final report comes while the program is away or just back
    store = std::make_shared<CMgmtSMS>(folder);
    settings->defaultAccount = id;
    StartReal();
    ASSERT_TRUE(WaitUntil([&] { return IsFinal("RESTART"); }, 30000));
    EXPECT_EQ(Sent("RESTART")->Recipients[0].StatusText.rfind("Delivered", 0), 0u);
    EXPECT_EQ(Submits("447700910009"), 1);
}

} // namespace
} // namespace coretest
