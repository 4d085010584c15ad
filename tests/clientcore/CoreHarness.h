// Drives the client core from tests: a clock the test moves, an event sink that records every
// event the way the program's handler would (copying the GUID text at once), and helpers that
// fetch results with the buffer negotiation the program uses.
#pragma once

#include "clientcore/QVClientCore.h"
#include "clientcore/QVClientCoreTesting.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace cctest {

struct Event {
    std::uintptr_t code = 0;
    std::string guid;
    const char* pointer = nullptr; // the library's text, checked to stay readable
};

struct SendOutcome {
    std::int32_t rc = 0;
    std::int32_t highId = 0;
    std::int32_t lowId = 0;
    std::int32_t errorFlag = 0;
    std::string label;
    std::string description;
};

struct StatusReport {
    std::int32_t rc = 0;
    std::int32_t highId = 0;
    std::int32_t lowId = 0;
    std::int32_t errorFlag = 0;
    std::string code;
    std::string text;
    std::string recipients;
    std::string time;
    std::uint64_t Id() const {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(highId)) << 32) |
               static_cast<std::uint32_t>(lowId);
    }
};

struct AccountData {
    std::int32_t rc = 0;
    std::string accountId, accountType, msisdnOriginator, msisdn, groupId, userName, userEmail;
    std::int32_t messageLength = 0;
    std::string prepaidBalance, msgsTotal, msgsPeriod, period;
    std::int32_t allowedToSend = 0, allowOriginator = 0, allowMsIsdnOriginator = 0, allowSignup = 0;
    std::string replyOriginator, textOriginator, replyEmailSenderDomain, replyType;
    std::int32_t errorFlag = 0;
    std::string errorLabel, errorMessage;
};

class Harness {
public:
    static constexpr const char* kProduct = "Tidewell Windows";
    static constexpr QVHWND kWindow = 0x1234;

    // Installs the clock and the sink; the core is not started.
    Harness();
    ~Harness();

    bool Start();
    void Stop();

    // Moves engine time and lets the engine do what became due.
    void Advance(std::int64_t ms);
    void RunDue();

    std::vector<Event> TakeEvents();
    std::vector<Event> TakeEvents(std::uintptr_t code);

    std::string Register();
    // Account data through QVQueryAccountStatus and event 2.
    AccountData Account(const std::string& accountId);
    // 1 with the GUID, or the result of QVSendMessage. A GUID text in *guid on the call is
    // handed over as the send key.
    std::int32_t Send(const std::string& accountId, const std::string& text,
                      const std::string& recipients, const std::string& mode, std::string* guid,
                      const std::string& originator = "");
    // Sends, runs to the send result and fetches it.
    SendOutcome SendAndResult(const std::string& accountId, const std::string& text,
                              const std::string& recipients, const std::string& mode = "concat");

    SendOutcome FetchSendResult(const std::string& guid, std::int32_t firstSize = 1024);
    StatusReport FetchStatus(const std::string& guid, std::int32_t firstSize = 1024);
    AccountData FetchAccount(const std::string& guid, std::int32_t firstSize = 1024);
    // Every delivery report posted since the last call, fetched.
    std::vector<StatusReport> Reports();
    // The prepaid balance of the account as a number.
    long Balance(const std::string& accountId);

    void Subscribe(std::uint64_t id);

    static void Sink(void* context, QVHWND window, std::uint32_t message, std::uintptr_t wParam,
                     std::intptr_t lParam);
    static std::int64_t Clock(void* context);

    std::atomic<std::int64_t> now{1'800'000'000'000};
    // Fetched send results and reports are confirmed at once, as a program that has stored
    // them would; off, they are posted again after the next start.
    bool confirmFetched = true;
    std::atomic<int> wrongWindow{0};

private:
    std::mutex m_lock;
    std::vector<Event> m_events;
    bool m_started = false;
};

// Writes the core setting into the user hive.
void SetCoreDword(const std::string& name, std::uint32_t value);
void SetCoreString(const std::string& name, const std::string& value);
// A loopback port nobody listens on at the moment of the call.
std::uint16_t FreePort();
// A loopback port a socket of this process listens on until it ends.
std::uint16_t TakenPort();

} // namespace cctest
