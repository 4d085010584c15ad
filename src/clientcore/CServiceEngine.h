// The embedded messaging service: accounts, message acceptance and charging, and the delivery
// timeline of every recipient, persisted in a CServiceStore. In gateway mode (UseGateway) the
// same engine keeps the accounts, messages and send keys, but the gateway decides: messages
// wait for the transport, their send results follow the gateway's answers and the recipients'
// statuses its delivery reports (CServiceEngineGateway.cpp). One engine thread does the
// timeline work; it sleeps until the next item is due or a request arrives. Every event is
// posted from the engine thread, in the order the work was done.
#pragma once

#include "clientcore/CGroupCommit.h"
#include "clientcore/CKannelProtocol.h"
#include "clientcore/CResultStore.h"
#include "clientcore/CServiceStore.h"
#include "messages/CSmsText.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

class CServiceEngine {
public:
    // Engine time in milliseconds since 1970.
    using ClockFn = std::int64_t (*)(void* context);
    // Posts one event: the code and the GUID text (null for event 99). False when the event
    // could not be posted (the window is gone).
    using PostFn = std::function<bool(std::uintptr_t code, const char* text)>;

    struct SendInput {
        std::string key; // the caller's send key (a GUID text), or empty for a new GUID
        std::string accountId;
        std::string text;
        std::string recipients;
        std::string originator;
        CSmsText::Mode mode = CSmsText::Mode::Reject;
        bool flash = false;
        std::uint32_t outage = 0;         // SimulateOutage at the time of the request
        std::uint32_t delayPercent = 100; // the delays below in percent of the usual ones
    };

    // The account of a gateway: bound to the gateway's user name, with the sender and
    // originator right the settings give.
    struct GatewayAccount {
        std::string user;
        std::string sender;
        bool allowOriginator = true;
    };

    // Test seams, shared by every engine of the process.
    static void SetClock(ClockFn clock, void* context);
    static void SetDelays(std::int32_t sendResultMs, std::int32_t pendingMs, std::int32_t finalMs);
    static std::int64_t Now();
    static bool HasOwnClock();

    // A random GUID text (36 characters).
    static std::string NewGuid();

    CServiceEngine(CResultStore& results, PostFn post);
    ~CServiceEngine();
    CServiceEngine(const CServiceEngine&) = delete;
    CServiceEngine& operator=(const CServiceEngine&) = delete;

    // Sends through a gateway instead of delivering by itself (call before Start): messages
    // wait in the database until the transport takes them (TakeSubmission), their send result
    // follows the gateway's answer and their reports the gateway's delivery reports. `wake` is
    // called whenever a request is waiting.
    void UseGateway(GatewayAccount account, std::function<void()> wake);
    bool IsGateway() const { return m_gateway.has_value(); }
    // The next request to make, marked in flight; nothing when none is due (then `retryAt` is
    // the earliest time one will be, if any).
    std::optional<GatewayRow> TakeSubmission(std::optional<std::int64_t>& retryAt);
    // Writes the gateway's answer to a request taken with TakeSubmission or returned here, and
    // when `takeNext` takes the next request in the same transaction (as TakeSubmission would;
    // nothing when the answer could not be written).
    std::optional<GatewayRow> FinishSubmission(const GatewayRow& request,
                                               const CKannelProtocol::Answer& answer, bool takeNext,
                                               std::optional<std::int64_t>& retryAt);
    // Applies delivery reports that arrived together in one transaction; for each the HTTP
    // status to answer (200 applied, 204 nothing new, 403 the secret is wrong, 404 no such
    // message, 400 malformed, 503 not stored: the gateway calls again). A report is answered
    // 200 or 204 only once the transaction holding it is committed. Nothing changes for a
    // report answered otherwise.
    std::vector<int> ApplyReports(const std::vector<CKannelProtocol::Report>& reports);

    // Opens the database and starts the engine thread.
    bool Start(const std::string& databasePath, std::string& error);
    // Stops taking requests; the thread finishes the work in hand, posts event 99 and ends.
    void RequestShutdown();
    // Ends the thread (without event 99 when RequestShutdown was not called) and closes the
    // database.
    void Stop();

    bool Register(AccountRow& account, std::string& error);
    // Accepts the message under its send key (or a new GUID). Content the service refuses is
    // still accepted: its send result then carries the error. A key that was accepted before
    // is answered with the same GUID and charged nothing, and its send result is posted again
    // when it was confirmed already; a key whose message was refused is a new attempt. False
    // only when the engine cannot take it.
    bool Send(const SendInput& input, std::string& guid, std::string& error);
    // The program has stored what it fetched for event `code` under `guid`; without this, the
    // result or report is posted again after the next Start.
    bool Confirm(std::uint32_t code, const std::string& guid);
    // A well-formed GUID text of 36 characters.
    static bool IsGuid(const std::string& text);
    // Takes a snapshot of the account; event 2 with the returned request GUID follows.
    bool QueryAccount(const std::string& accountId, std::string& guid, std::string& error);
    // False with a label and description when the change is refused.
    bool ChangeEmail(const std::string& accountId, const std::string& email, std::string& label,
                     std::string& description);
    // Reports on messages with a service id at least `fromId` whenever their status changes;
    // nothing stops the subscription.
    void Subscribe(std::optional<std::uint64_t> fromId);
    // Does all work due now; returns once the events are posted. False when not running.
    bool RunDue();

private:
    struct PendingPost {
        std::uintptr_t code;
        std::string guid;
        CoreResult result;
    };

    void Run();
    // One pass over the due work, in one transaction with the confirmations gathered since the
    // last one; returns the next due time.
    std::optional<std::int64_t>
    Pass(std::int64_t now, bool sweep, std::optional<std::uint64_t> subscription,
         const std::vector<std::pair<std::uint32_t, std::string>>& confirms,
         std::vector<PendingPost>& posts);
    // The writes of a pass, as one unit of a shared transaction (under m_dbLock); `next` gets
    // the next due time. False when they must be undone.
    bool PassUnit(std::int64_t now, bool sweep, std::optional<std::uint64_t> subscription,
                  const std::vector<std::pair<std::uint32_t, std::string>>& confirms,
                  std::vector<PendingPost>& posts, std::optional<std::int64_t>& next);
    void Deliver(std::vector<PendingPost>& posts);
    // Writes the confirmations (the caller holds m_dbLock inside a transaction).
    bool ApplyConfirms(const std::vector<std::pair<std::uint32_t, std::string>>& confirms);
    AccountStatusData Snapshot(const AccountRow& account) const;
    // Gateway mode: requests in flight when the core stopped count as sent (the gateway may have
    // taken them); the caller holds m_dbLock inside a transaction.
    bool RecoverInFlight(std::int64_t now);
    // Gateway mode: stores an accepted message with the requests it takes (the caller holds
    // m_dbLock inside a transaction); its send result waits for the gateway's answer.
    bool StoreGatewayMessage(const SendInput& input, const CSmsText& text,
                             const std::vector<std::string>& numbers, MessageRow& message);
    // Gateway mode, inside a transaction under m_dbLock: the next waiting request marked in
    // flight in `row` (else `retryAt` says when one will be due; false when the take could not
    // be written); the answer to a request written.
    bool TakeNext(std::int64_t now, std::optional<GatewayRow>& row,
                  std::optional<std::int64_t>& retryAt);
    bool FinishOne(const GatewayRow& request, const CKannelProtocol::Answer& answer,
                   std::int64_t now);
    // Whether new work is taken (false once shutting down).
    bool Accepting();
    // Gateway mode: the status of a recipient from what each part reported.
    bool UpdateFromParts(const std::string& guid, std::int32_t index, std::int32_t requests,
                         const std::string& answer, std::int64_t now);
    // One report inside the batch's transaction: 200 applied, 204 nothing to apply, else the
    // refusal.
    int ApplyOne(const CKannelProtocol::Report& report, std::int64_t now);
    // Wakes the engine thread for a result or report that is due now.
    void Kick(bool sweep);
    std::string OriginatorFor(const std::string& originator) const;

    CResultStore& m_results;
    PostFn m_post;
    std::optional<GatewayAccount> m_gateway;
    std::function<void()> m_wakeSender;
    CServiceStore m_store;
    std::mutex m_dbLock; // guards m_store
    // Writes of messages, answers, reports and passes share transactions.
    CGroupCommit m_commit{m_store, m_dbLock};

    std::mutex m_lock; // guards everything below
    std::condition_variable m_wake;
    std::condition_variable m_passDone;
    std::thread m_thread;
    bool m_running = false;
    bool m_accepting = false;
    bool m_stop = false;
    bool m_announceShutdown = false;
    bool m_sweep = false;
    bool m_kick = false;
    bool m_gathering = false; // gateway mode: waiting for more work to pass with
    std::optional<std::uint64_t> m_subscription;
    std::optional<std::int64_t> m_plannedWake; // engine time of the next pass, if any
    std::optional<std::int64_t> m_newDue;      // earliest result stored since the pass began
    std::vector<PendingPost> m_queued;
    std::vector<std::pair<std::uint32_t, std::string>> m_confirms;
    // Which recipient statuses each posted delivery report carried (message GUID, index,
    // stage), so that its confirmation marks exactly those. Guarded by m_dbLock.
    struct ReportedStatus {
        std::string messageGuid;
        std::int32_t index;
        std::int32_t stage;
    };
    std::unordered_map<std::string, std::vector<ReportedStatus>> m_reports;
    std::uint64_t m_passRequested = 0;
    std::uint64_t m_passCompleted = 0;
};
