// The embedded service's database: accounts, accepted messages, their recipients with the
// delivery timeline, and the service id counter; with a gateway also what is left to submit,
// each message's report secret and the reports of each recipient's parts. One SQLite file in
// WAL mode; every statement is prepared once. Not thread-safe: the owner serialises the calls.
#pragma once

#include "clientcore/CSqlStatement.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct AccountRow {
    std::string id;
    std::string accountType;
    std::string msisdn;
    std::string groupId;
    std::string userName;
    std::string userEmail;
    std::int32_t messageLength = 160;
    std::int64_t balance = 0;
    std::int64_t smsTotal = 0;
    std::int32_t allowedToSend = 1;
    std::int32_t allowOriginator = 1;
    std::int32_t allowMsIsdnOriginator = 1;
    std::int32_t allowSignup = 1;
    std::string replyOriginator;
    std::string textOriginator;
    std::string replyDomain;
    std::string replyType;
    std::int64_t createdMs = 0;
};

struct MessageRow {
    std::string guid;
    std::string accountId;
    std::uint64_t serviceId = 0; // 0: refused, no service id
    std::int64_t acceptedMs = 0;
    std::int64_t resultDueMs = 0;
    std::string errorLabel; // empty: accepted
    std::string errorDescription;
    std::int32_t parts = 0;
    std::optional<std::int64_t> errorReportDueMs;
    std::string errorReportLabel;
    std::string errorReportDescription;
};

// One recipient's timeline: stage 0 (accepted, nothing said yet) changes at dueMs to the first
// status; stage 1 changes at secondDueMs to the second status, when there is one.
struct RecipientRow {
    std::string messageGuid;
    std::int32_t index = 0;
    std::uint64_t serviceId = 0;
    std::string number;
    std::int32_t stage = 0;
    std::string code;
    std::string text;
    std::int64_t statusMs = 0;
    std::optional<std::int64_t> dueMs;
    std::string firstCode;
    std::string firstText;
    std::optional<std::int64_t> secondDueMs;
    std::string secondCode;
    std::string secondText;
    bool reported = true;   // the current status has been reported
    bool announced = false; // a report on this recipient has been made
};

// A message sent through a gateway, as the next request to make: the part to submit and what
// every request of the message shares.
struct GatewayRow {
    std::string guid;
    std::string secret;
    std::string originator;
    bool flash = false;
    bool ucs2 = false;
    std::int32_t requests = 1; // one request per part
    std::int32_t part = 0;     // the part this request carries
    std::string text;          // its text
    std::vector<std::string> numbers;
};

class CServiceStore {
public:
    CServiceStore() = default;
    ~CServiceStore();
    CServiceStore(const CServiceStore&) = delete;
    CServiceStore& operator=(const CServiceStore&) = delete;

    // Opens or creates the database. A file that is not a sound database of ours is moved
    // aside to "<path>.damaged" and a new one is created. False with a reason on failure.
    bool Open(const std::string& path, std::string& error);
    void Close();
    bool IsOpen() const { return m_db != nullptr; }

    // False when the id exists already or the write fails.
    bool InsertAccount(const AccountRow& row);
    std::optional<AccountRow> LoadAccount(const std::string& id);
    bool UpdateAccountUsage(const std::string& id, std::int64_t balance, std::int64_t smsTotal);
    bool UpdateAccountEmail(const std::string& id, const std::string& email);

    // The next service id: never 0, never below `floor`, never one handed out before by this
    // file; 0 on failure.
    std::uint64_t AllocateServiceId(std::uint64_t floor = 0);
    bool InsertMessage(const MessageRow& row);
    bool InsertRecipient(const RecipientRow& row);

    // Messages whose send result is due and not yet posted, oldest first.
    // Posting and confirming: a send result, error report or recipient status is due, then
    // posted (waiting for the program to confirm it has stored it), then confirmed. Whatever
    // was posted but never confirmed is due again after UnpostUnconfirmed (at start).
    std::vector<MessageRow> DueResults(std::int64_t now, int limit);
    bool MarkResultPosted(const std::string& guid);
    // Messages whose error report is due.
    std::vector<MessageRow> DueErrorReports(std::int64_t now, int limit);
    bool ClearErrorReport(const std::string& guid); // marks it posted
    bool ConfirmResult(const std::string& guid);
    bool ConfirmErrorReport(const std::string& guid);
    // Only while the recipient is still at `stage` with its report posted.
    bool ConfirmReported(const std::string& guid, std::int32_t index, std::int32_t stage);
    bool UnpostUnconfirmed();

    struct MessageState {
        std::uint64_t serviceId = 0; // 0: refused
        int resultPosted = 0;        // 0 due, 1 confirmed, 2 posted
    };
    std::optional<MessageState> LoadMessageState(const std::string& guid);
    bool DeleteMessage(const std::string& guid);
    // Makes a confirmed send result due again (the program asks for it once more).
    bool RepostResult(const std::string& guid);

    std::vector<RecipientRow> DueRecipients(std::int64_t now, int limit);
    // Writes stage, status, due times and the reported flags.
    bool UpdateRecipient(const RecipientRow& row);
    // Recipients with a status not yet reported that were never reported on, or (when
    // `fromId` is set) whose message's service id is at least *fromId.
    std::vector<RecipientRow> Reportable(std::optional<std::uint64_t> fromId);
    bool MarkReported(const std::string& guid, std::int32_t index);

    // Gateway messages. A message waits with its parts until each is submitted; the piece being
    // submitted is state 1, so a start can tell what was in flight.
    bool InsertGateway(const GatewayRow& row, const std::vector<std::string>& parts);
    // The oldest request waiting whose retry time has come.
    std::optional<GatewayRow> NextSubmission(std::int64_t now);
    bool SetGatewayState(const std::string& guid, std::int32_t state, std::int32_t nextPart,
                         std::int64_t retryMs);
    // Earliest retry time of a waiting request.
    std::optional<std::int64_t> NextRetry();
    // Makes the send result due at `dueMs`; a label refuses the message (no service id).
    bool SetResult(const std::string& guid, std::int64_t dueMs, const std::string& label,
                   const std::string& description);
    bool DeleteRecipients(const std::string& guid);
    // The secret and number of requests of an accepted gateway message.
    std::optional<std::pair<std::string, std::int32_t>> LoadGatewaySecret(const std::string& guid);
    std::vector<std::pair<std::int32_t, std::string>> RecipientNumbers(const std::string& guid);
    // Records a report of a recipient's part unless one of a higher or equal rank is known;
    // `raised` tells whether it was recorded.
    bool RaisePartRank(const std::string& guid, std::int32_t index, std::int32_t part,
                       std::int32_t rank, std::int32_t type, bool& raised);
    struct PartRank {
        std::int32_t part, rank, type;
    };
    std::vector<PartRank> PartRanks(const std::string& guid, std::int32_t index);
    // A new status of a recipient, to be reported.
    bool SetRecipientStatus(const std::string& guid, std::int32_t index, const std::string& code,
                            const std::string& text, std::int64_t statusMs);
    struct InFlight {
        std::string guid;
        std::int32_t part, requests;
    };
    std::vector<InFlight> InFlightSubmissions();
    bool DeleteGateway(const std::string& guid);

    // Earliest due time of any pending work.
    std::optional<std::int64_t> NextDue();

    // Forgets messages accepted before `cutoffMs` that have nothing left to do: send result
    // posted, no error report or status change pending. Returns the number forgotten.
    int PruneFinished(std::int64_t cutoffMs);

    // Number of messages with a service id (statistics for tests and benchmarks).
    std::int64_t CountMessages();

    // Whether a transaction is open (SQLite ends one by itself after some failures).
    bool InTransaction() const;

private:
    // Transactions are opened through CStoreTransaction, which rolls back unless committed,
    // and savepoints through CStoreSavepoint.
    friend class CStoreTransaction;
    friend class CStoreSavepoint;
    bool Begin();
    bool Commit();
    void Rollback();
    bool Savepoint();
    bool ReleaseSavepoint();
    // Undoes the writes since the latest savepoint and drops it.
    void RollbackToSavepoint();

    struct DbCloser {
        void operator()(sqlite3* db) const;
    };

    bool Prepare();
    // Creates the tables, upgrading an older file in place. `damaged` tells that the failure
    // came from the file itself (not a database, or corrupt): only such a file is moved aside;
    // a newer, busy or not yet writable one stays as it is.
    bool CreateSchema(std::string& error, bool& damaged);
    bool Exec(const char* sql);
    CSqlStatement::Use Stmt(int which);

    std::unique_ptr<sqlite3, DbCloser> m_db; // declared first: closed after the statements
    std::vector<CSqlStatement> m_stmts;
};
