#include "clientcore/CServiceStore.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kSchemaVersion = 3;

enum Statement {
    kInsertAccount,
    kLoadAccount,
    kUpdateUsage,
    kUpdateEmail,
    kReadCounter,
    kWriteCounter,
    kInsertMessage,
    kInsertRecipient,
    kDueResults,
    kMarkResult,
    kDueErrorReports,
    kClearErrorReport,
    kDueRecipients,
    kUpdateRecipient,
    kReportableAll,
    kReportableFrom,
    kMarkReported,
    kNextDue,
    kCountMessages,
    kPruneRecipients,
    kPruneMessages,
    kBegin,
    kCommit,
    kRollback,
    kLoadMessageState,
    kDeleteMessage,
    kRepostResult,
    kConfirmResult,
    kConfirmErrorReport,
    kConfirmReported,
    kUnpostResults,
    kUnpostErrorReports,
    kUnpostReports,
    kInsertGateway,
    kInsertGatewayPart,
    kNextSubmission,
    kSetGatewayState,
    kRecipientNumbers,
    kSetResult,
    kDeleteRecipients,
    kLoadGateway,
    kRaisePartRank,
    kPartRanks,
    kSetRecipientStatus,
    kInFlight,
    kDeleteGateway,
    kDeleteGatewayParts,
    kDeleteGatewayRanks,
    kPruneGateway,
    kPruneGatewayParts,
    kPruneGatewayRanks,
    kNextRetry,
    kSavepoint,
    kReleaseSavepoint,
    kRollbackToSavepoint,
    kStatementCount
};

// The gateway's queries repeat the condition of the partial index gateway_waiting ("state < 2"):
// SQLite uses a partial index only for a query whose WHERE names the index's own condition, and
// without it every take would scan and sort all the messages of the last 30 days.
const char* const kSql[kStatementCount] = {
    "INSERT INTO accounts(id, account_type, msisdn, group_id, user_name, user_email,"
    " message_length, balance, sms_total, allowed_to_send, allow_originator,"
    " allow_msisdn_originator, allow_signup, reply_originator, text_originator, reply_domain,"
    " reply_type, created_ms) VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14,?15,?16,"
    "?17,?18)",
    "SELECT id, account_type, msisdn, group_id, user_name, user_email, message_length, balance,"
    " sms_total, allowed_to_send, allow_originator, allow_msisdn_originator, allow_signup,"
    " reply_originator, text_originator, reply_domain, reply_type, created_ms FROM accounts"
    " WHERE id = ?1",
    "UPDATE accounts SET balance = ?2, sms_total = ?3 WHERE id = ?1",
    "UPDATE accounts SET user_email = ?2 WHERE id = ?1",
    "SELECT value FROM meta WHERE key = 'next_service_id'",
    "INSERT OR REPLACE INTO meta(key, value) VALUES('next_service_id', ?1)",
    "INSERT INTO messages(guid, account_id, service_id, accepted_ms, result_due_ms,"
    " result_posted, error_label, error_description, parts, error_report_due_ms,"
    " error_report_label, error_report_description) VALUES(?1,?2,?3,?4,?5,0,?6,?7,?8,?9,?10,"
    "?11)",
    "INSERT INTO recipients(message_guid, idx, service_id, number, stage, code, text, status_ms,"
    " due_ms, first_code, first_text, second_due_ms, second_code, second_text, reported,"
    " announced) VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14,?15,?16)",
    "SELECT guid, account_id, service_id, accepted_ms, result_due_ms, error_label,"
    " error_description, parts FROM messages WHERE result_posted = 0 AND result_due_ms <= ?1"
    " ORDER BY result_due_ms, rowid LIMIT ?2",
    "UPDATE messages SET result_posted = 2 WHERE guid = ?1",
    "SELECT guid, account_id, service_id, error_report_due_ms, error_report_label,"
    " error_report_description FROM messages WHERE error_report_due_ms IS NOT NULL AND"
    " error_report_posted = 0 AND error_report_due_ms <= ?1 ORDER BY error_report_due_ms"
    " LIMIT ?2",
    "UPDATE messages SET error_report_posted = 1 WHERE guid = ?1",
    "SELECT message_guid, idx, service_id, number, stage, code, text, status_ms, due_ms,"
    " first_code, first_text, second_due_ms, second_code, second_text, reported, announced"
    " FROM recipients WHERE due_ms IS NOT NULL AND due_ms <= ?1 ORDER BY due_ms LIMIT ?2",
    "UPDATE recipients SET stage = ?3, code = ?4, text = ?5, status_ms = ?6, due_ms = ?7,"
    " reported = ?8, announced = ?9 WHERE message_guid = ?1 AND idx = ?2",
    "SELECT message_guid, idx, service_id, number, stage, code, text, status_ms, due_ms,"
    " first_code, first_text, second_due_ms, second_code, second_text, reported, announced"
    " FROM recipients WHERE reported = 0 AND announced = 0 ORDER BY service_id, idx",
    "SELECT message_guid, idx, service_id, number, stage, code, text, status_ms, due_ms,"
    " first_code, first_text, second_due_ms, second_code, second_text, reported, announced"
    " FROM recipients WHERE reported = 0 AND (announced = 0 OR service_id >= ?1)"
    " ORDER BY service_id, idx",
    "UPDATE recipients SET reported = 2 WHERE message_guid = ?1 AND idx = ?2",
    "SELECT MIN(t) FROM ("
    " SELECT MIN(result_due_ms) AS t FROM messages WHERE result_posted = 0"
    " UNION ALL SELECT MIN(error_report_due_ms) FROM messages WHERE error_report_due_ms IS NOT"
    " NULL AND error_report_posted = 0"
    " UNION ALL SELECT MIN(due_ms) FROM recipients WHERE due_ms IS NOT NULL)",
    "SELECT COUNT(*) FROM messages WHERE service_id IS NOT NULL",
    "DELETE FROM recipients WHERE message_guid IN (SELECT guid FROM messages m WHERE"
    " m.accepted_ms < ?1 AND m.result_posted = 1 AND m.error_report_due_ms IS NULL AND NOT"
    " EXISTS (SELECT 1 FROM recipients r WHERE r.message_guid = m.guid AND"
    " (r.due_ms IS NOT NULL OR r.reported <> 1)))",
    "DELETE FROM messages WHERE accepted_ms < ?1 AND result_posted = 1 AND"
    " error_report_due_ms IS NULL AND NOT EXISTS (SELECT 1 FROM recipients r WHERE"
    " r.message_guid = messages.guid)",
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
    "SELECT service_id, result_posted FROM messages WHERE guid = ?1",
    "DELETE FROM messages WHERE guid = ?1",
    "UPDATE messages SET result_posted = 0 WHERE guid = ?1 AND result_posted = 1",
    "UPDATE messages SET result_posted = 1 WHERE guid = ?1 AND result_posted = 2",
    "UPDATE messages SET error_report_due_ms = NULL, error_report_posted = 0 WHERE guid = ?1"
    " AND error_report_posted = 1",
    "UPDATE recipients SET reported = 1, announced = 1 WHERE message_guid = ?1 AND idx = ?2"
    " AND stage = ?3 AND reported = 2",
    "UPDATE messages SET result_posted = 0 WHERE result_posted = 2",
    "UPDATE messages SET error_report_posted = 0 WHERE error_report_posted = 1",
    "UPDATE recipients SET reported = 0 WHERE reported = 2",
    "INSERT INTO gateway_messages(guid, secret, originator, flash, ucs2, requests, state,"
    " next_part, retry_ms) VALUES(?1,?2,?3,?4,?5,?6,0,0,0)",
    "INSERT INTO gateway_parts(guid, part, text) VALUES(?1,?2,?3)",
    "SELECT g.guid, g.secret, g.originator, g.flash, g.ucs2, g.requests, g.next_part, p.text"
    " FROM gateway_messages g JOIN gateway_parts p ON p.guid = g.guid AND p.part = g.next_part"
    " WHERE g.state < 2 AND g.state = 0 AND g.retry_ms <= ?1 ORDER BY g.rowid LIMIT 1",
    "UPDATE gateway_messages SET state = ?2, next_part = ?3, retry_ms = ?4 WHERE guid = ?1",
    "SELECT idx, number FROM recipients WHERE message_guid = ?1 ORDER BY idx",
    "UPDATE messages SET result_due_ms = ?2, error_label = ?3, error_description = ?4,"
    " service_id = CASE WHEN ?3 = '' THEN service_id ELSE NULL END WHERE guid = ?1",
    "DELETE FROM recipients WHERE message_guid = ?1",
    "SELECT g.secret, g.requests FROM gateway_messages g JOIN messages m ON m.guid = g.guid"
    " WHERE g.guid = ?1 AND m.service_id IS NOT NULL",
    "INSERT INTO gateway_ranks(guid, idx, part, rank, type) VALUES(?1,?2,?3,?4,?5)"
    " ON CONFLICT(guid, idx, part) DO UPDATE SET rank = excluded.rank, type = excluded.type"
    " WHERE excluded.rank > gateway_ranks.rank",
    "SELECT part, rank, type FROM gateway_ranks WHERE guid = ?1 AND idx = ?2",
    "UPDATE recipients SET stage = stage + 1, code = ?3, text = ?4, status_ms = ?5,"
    " reported = 0 WHERE message_guid = ?1 AND idx = ?2",
    "SELECT guid, next_part, requests FROM gateway_messages WHERE state < 2 AND state = 1",
    "DELETE FROM gateway_messages WHERE guid = ?1",
    "DELETE FROM gateway_parts WHERE guid = ?1",
    "DELETE FROM gateway_ranks WHERE guid = ?1",
    "DELETE FROM gateway_messages WHERE guid NOT IN (SELECT guid FROM messages)",
    "DELETE FROM gateway_parts WHERE guid NOT IN (SELECT guid FROM messages)",
    "DELETE FROM gateway_ranks WHERE guid NOT IN (SELECT guid FROM messages)",
    "SELECT MIN(retry_ms) FROM gateway_messages WHERE state < 2 AND state = 0",
    "SAVEPOINT unit",
    "RELEASE unit",
    "ROLLBACK TO unit",
};

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS accounts(id TEXT PRIMARY KEY, account_type TEXT NOT NULL,"
    " msisdn TEXT NOT NULL, group_id TEXT NOT NULL, user_name TEXT NOT NULL,"
    " user_email TEXT NOT NULL, message_length INTEGER NOT NULL, balance INTEGER NOT NULL,"
    " sms_total INTEGER NOT NULL, allowed_to_send INTEGER NOT NULL,"
    " allow_originator INTEGER NOT NULL, allow_msisdn_originator INTEGER NOT NULL,"
    " allow_signup INTEGER NOT NULL, reply_originator TEXT NOT NULL,"
    " text_originator TEXT NOT NULL, reply_domain TEXT NOT NULL, reply_type TEXT NOT NULL,"
    " created_ms INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS messages(guid TEXT PRIMARY KEY, account_id TEXT NOT NULL,"
    " service_id INTEGER UNIQUE, accepted_ms INTEGER NOT NULL, result_due_ms INTEGER NOT NULL,"
    " result_posted INTEGER NOT NULL, error_label TEXT NOT NULL,"
    " error_description TEXT NOT NULL, parts INTEGER NOT NULL, error_report_due_ms INTEGER,"
    " error_report_label TEXT NOT NULL, error_report_description TEXT NOT NULL,"
    " error_report_posted INTEGER NOT NULL DEFAULT 0);"
    "CREATE INDEX IF NOT EXISTS messages_result_due ON messages(result_due_ms)"
    " WHERE result_posted = 0;"
    "CREATE INDEX IF NOT EXISTS messages_error_due ON messages(error_report_due_ms)"
    " WHERE error_report_due_ms IS NOT NULL;"
    "CREATE TABLE IF NOT EXISTS recipients(message_guid TEXT NOT NULL, idx INTEGER NOT NULL,"
    " service_id INTEGER NOT NULL, number TEXT NOT NULL, stage INTEGER NOT NULL,"
    " code TEXT NOT NULL, text TEXT NOT NULL, status_ms INTEGER NOT NULL, due_ms INTEGER,"
    " first_code TEXT NOT NULL, first_text TEXT NOT NULL, second_due_ms INTEGER,"
    " second_code TEXT NOT NULL, second_text TEXT NOT NULL, reported INTEGER NOT NULL,"
    " announced INTEGER NOT NULL, PRIMARY KEY(message_guid, idx));"
    "CREATE INDEX IF NOT EXISTS recipients_due ON recipients(due_ms) WHERE due_ms IS NOT NULL;"
    "CREATE INDEX IF NOT EXISTS recipients_unreported ON recipients(service_id)"
    " WHERE reported = 0;"
    // Messages sent through a gateway: what is left to submit (one request per part) and the
    // secret their delivery reports must carry; state 0 waits, 1 is being submitted, 2 is
    // submitted, 3 was refused.
    "CREATE TABLE IF NOT EXISTS gateway_messages(guid TEXT PRIMARY KEY, secret TEXT NOT NULL,"
    " originator TEXT NOT NULL, flash INTEGER NOT NULL, ucs2 INTEGER NOT NULL,"
    " requests INTEGER NOT NULL, state INTEGER NOT NULL, next_part INTEGER NOT NULL,"
    " retry_ms INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS gateway_waiting ON gateway_messages(state) WHERE state < 2;"
    "CREATE TABLE IF NOT EXISTS gateway_parts(guid TEXT NOT NULL, part INTEGER NOT NULL,"
    " text TEXT NOT NULL, PRIMARY KEY(guid, part));"
    // The highest report so far of each recipient and part.
    "CREATE TABLE IF NOT EXISTS gateway_ranks(guid TEXT NOT NULL, idx INTEGER NOT NULL,"
    " part INTEGER NOT NULL, rank INTEGER NOT NULL, type INTEGER NOT NULL,"
    " PRIMARY KEY(guid, idx, part));";

// Binds text; SQLite copies it.
void BindText(sqlite3_stmt* s, int i, const std::string& text) {
    sqlite3_bind_text(s, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void BindOptional(sqlite3_stmt* s, int i, const std::optional<std::int64_t>& value) {
    if (value) {
        sqlite3_bind_int64(s, i, *value);
    } else {
        sqlite3_bind_null(s, i);
    }
}

std::string ColumnText(sqlite3_stmt* s, int i) {
    const unsigned char* text = sqlite3_column_text(s, i);
    if (text == nullptr) {
        return {};
    }
    return std::string(reinterpret_cast<const char*>(text),
                       static_cast<std::size_t>(sqlite3_column_bytes(s, i)));
}

std::optional<std::int64_t> ColumnOptional(sqlite3_stmt* s, int i) {
    if (sqlite3_column_type(s, i) == SQLITE_NULL) {
        return std::nullopt;
    }
    return sqlite3_column_int64(s, i);
}

// Runs a statement that returns no rows.
bool Done(sqlite3_stmt* s) {
    return sqlite3_step(s) == SQLITE_DONE;
}

RecipientRow ReadRecipient(sqlite3_stmt* s) {
    RecipientRow r;
    r.messageGuid = ColumnText(s, 0);
    r.index = sqlite3_column_int(s, 1);
    r.serviceId = static_cast<std::uint64_t>(sqlite3_column_int64(s, 2));
    r.number = ColumnText(s, 3);
    r.stage = sqlite3_column_int(s, 4);
    r.code = ColumnText(s, 5);
    r.text = ColumnText(s, 6);
    r.statusMs = sqlite3_column_int64(s, 7);
    r.dueMs = ColumnOptional(s, 8);
    r.firstCode = ColumnText(s, 9);
    r.firstText = ColumnText(s, 10);
    r.secondDueMs = ColumnOptional(s, 11);
    r.secondCode = ColumnText(s, 12);
    r.secondText = ColumnText(s, 13);
    r.reported = sqlite3_column_int(s, 14) != 0;
    r.announced = sqlite3_column_int(s, 15) != 0;
    return r;
}

std::vector<RecipientRow> ReadRecipients(sqlite3_stmt* s) {
    std::vector<RecipientRow> rows;
    while (sqlite3_step(s) == SQLITE_ROW) {
        rows.push_back(ReadRecipient(s));
    }
    return rows;
}

// Makes sure the file exists with mode 0600 before SQLite opens it (SQLite gives its
// journal files the same mode).
bool PrepareFile(const std::string& path) {
    platform::UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd) {
        return false;
    }
    ::fchmod(fd.Get(), 0600);
    return true;
}

// The first column of the first row of a one-row query, as text; empty when there is none.
std::string QueryText(sqlite3* db, const char* sql) {
    CSqlStatement statement = CSqlStatement::Prepare(db, sql);
    if (!statement || sqlite3_step(statement.Get()) != SQLITE_ROW) {
        return {};
    }
    return ColumnText(statement.Get(), 0);
}

} // namespace

CServiceStore::~CServiceStore() {
    Close();
}

void CServiceStore::DbCloser::operator()(sqlite3* db) const {
    sqlite3_close_v2(db);
}

bool CServiceStore::Exec(const char* sql) {
    return sqlite3_exec(m_db.get(), sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

CSqlStatement::Use CServiceStore::Stmt(int which) {
    return m_stmts[static_cast<std::size_t>(which)].Lend();
}

bool CServiceStore::Prepare() {
    m_stmts.clear();
    m_stmts.reserve(kStatementCount);
    for (int i = 0; i < kStatementCount; ++i) {
        m_stmts.push_back(CSqlStatement::Prepare(m_db.get(), kSql[i], SQLITE_PREPARE_PERSISTENT));
        if (!m_stmts.back()) {
            return false;
        }
    }
    return true;
}

bool CServiceStore::CreateSchema(std::string& error, bool& damaged) {
    damaged = false;
    // Only what SQLite itself calls damage moves the file aside; a file that is busy, locked,
    // on a full disk or unreadable for now keeps its messages for the next start.
    auto fail = [&](std::string what) {
        const int code = sqlite3_errcode(m_db.get()) & 0xff;
        damaged = damaged || code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
        error = std::move(what) + ": " + sqlite3_errmsg(m_db.get());
        return false;
    };
    sqlite3_busy_timeout(m_db.get(), 5000);
    // Savepoints keep what they may undo in memory: no temporary files while writing.
    // A commit in WAL mode with synchronous=NORMAL writes the log without waiting for the disk
    // (a crash of the process loses nothing committed); the disk is flushed at checkpoints,
    // which run inside a commit with the store's lock held. Checkpointing every 4000 pages
    // instead of every 1000 stalls the senders a quarter as often; the log is cut back to 16 MiB
    // after each checkpoint.
    if (!Exec("PRAGMA journal_mode=WAL") || !Exec("PRAGMA synchronous=NORMAL") ||
        !Exec("PRAGMA temp_store=MEMORY") || !Exec("PRAGMA wal_autocheckpoint=4000") ||
        !Exec("PRAGMA journal_size_limit=16777216")) {
        return fail("cannot set up the database");
    }
    {
        CSqlStatement check = CSqlStatement::Prepare(m_db.get(), "PRAGMA quick_check");
        if (!check || sqlite3_step(check.Get()) != SQLITE_ROW) {
            return fail("cannot check the database");
        }
        if (ColumnText(check.Get(), 0) != "ok") {
            damaged = true;
            error = "the database is damaged";
            return false;
        }
    }
    int version = std::atoi(QueryText(m_db.get(), "PRAGMA user_version").c_str());
    if (version > kSchemaVersion) {
        error = "the database was written by a newer version of the client core";
        return false;
    }
    // The upgrade, the schema and the new version are written together or not at all: a file
    // that cannot be written now (the disk is full, another process holds it) stays as it is,
    // with its messages, for the next start, and an upgrade cut short is never half done.
    if (!Exec("BEGIN IMMEDIATE")) {
        return fail("cannot write the database");
    }
    // Version 1 files lack the column that tells a posted error report from a due one.
    const bool upgraded =
        (version != 1 ||
         Exec("ALTER TABLE messages ADD COLUMN error_report_posted INTEGER NOT NULL DEFAULT 0")) &&
        Exec(kSchema) && Exec(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
    if (!upgraded || !Exec("COMMIT")) {
        fail("cannot bring the database to version " + std::to_string(kSchemaVersion));
        Exec("ROLLBACK");
        return false;
    }
    if (!Prepare()) {
        // Our version number without our tables: not a file this core can use.
        damaged = true;
        return fail("the database does not have the expected tables");
    }
    return true;
}

bool CServiceStore::Open(const std::string& path, std::string& error) {
    Close();
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!PrepareFile(path)) {
            error = "cannot create \"" + path + "\"";
            return false;
        }
        sqlite3* db = nullptr;
        int rc = sqlite3_open_v2(path.c_str(), &db,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                 nullptr);
        m_db.reset(db); // owned even when the open failed
        std::string reason;
        bool damaged = false;
        if (rc == SQLITE_OK && CreateSchema(reason, damaged)) {
            return true;
        }
        if (reason.empty()) {
            reason = m_db ? sqlite3_errmsg(m_db.get()) : "out of memory";
        }
        Close();
        if (!damaged || attempt == 1) {
            error = "cannot open \"" + path + "\": " + reason;
            return false;
        }
        // Keep the damaged file for inspection and start with an empty database.
        std::string aside = path + ".damaged";
        if (::rename(path.c_str(), aside.c_str()) != 0) {
            error = "cannot open \"" + path + "\": " + reason;
            return false;
        }
        ::unlink((path + "-wal").c_str());
        ::unlink((path + "-shm").c_str());
    }
    return false;
}

void CServiceStore::Close() {
    m_stmts.clear(); // statements go before their database
    m_db.reset();
}

bool CServiceStore::Begin() {
    auto s = Stmt(kBegin);
    return Done(s);
}

bool CServiceStore::Commit() {
    auto s = Stmt(kCommit);
    return Done(s);
}

bool CServiceStore::InTransaction() const {
    return m_db && sqlite3_get_autocommit(m_db.get()) == 0;
}

bool CServiceStore::Savepoint() {
    auto s = Stmt(kSavepoint);
    return Done(s);
}

bool CServiceStore::ReleaseSavepoint() {
    auto s = Stmt(kReleaseSavepoint);
    return Done(s);
}

void CServiceStore::RollbackToSavepoint() {
    if (!InTransaction()) {
        return; // the whole transaction is gone already
    }
    {
        auto undo = Stmt(kRollbackToSavepoint);
        Done(undo);
    }
    // ROLLBACK TO keeps the savepoint itself; it is dropped too.
    auto drop = Stmt(kReleaseSavepoint);
    Done(drop);
}

void CServiceStore::Rollback() {
    if (!sqlite3_get_autocommit(m_db.get())) {
        auto s = Stmt(kRollback);
        Done(s);
    }
}

bool CServiceStore::InsertAccount(const AccountRow& a) {
    auto s = Stmt(kInsertAccount);
    BindText(s, 1, a.id);
    BindText(s, 2, a.accountType);
    BindText(s, 3, a.msisdn);
    BindText(s, 4, a.groupId);
    BindText(s, 5, a.userName);
    BindText(s, 6, a.userEmail);
    sqlite3_bind_int(s, 7, a.messageLength);
    sqlite3_bind_int64(s, 8, a.balance);
    sqlite3_bind_int64(s, 9, a.smsTotal);
    sqlite3_bind_int(s, 10, a.allowedToSend);
    sqlite3_bind_int(s, 11, a.allowOriginator);
    sqlite3_bind_int(s, 12, a.allowMsIsdnOriginator);
    sqlite3_bind_int(s, 13, a.allowSignup);
    BindText(s, 14, a.replyOriginator);
    BindText(s, 15, a.textOriginator);
    BindText(s, 16, a.replyDomain);
    BindText(s, 17, a.replyType);
    sqlite3_bind_int64(s, 18, a.createdMs);
    return Done(s);
}

std::optional<AccountRow> CServiceStore::LoadAccount(const std::string& id) {
    auto s = Stmt(kLoadAccount);
    BindText(s, 1, id);
    std::optional<AccountRow> row;
    if (sqlite3_step(s) == SQLITE_ROW) {
        AccountRow a;
        a.id = ColumnText(s, 0);
        a.accountType = ColumnText(s, 1);
        a.msisdn = ColumnText(s, 2);
        a.groupId = ColumnText(s, 3);
        a.userName = ColumnText(s, 4);
        a.userEmail = ColumnText(s, 5);
        a.messageLength = sqlite3_column_int(s, 6);
        a.balance = sqlite3_column_int64(s, 7);
        a.smsTotal = sqlite3_column_int64(s, 8);
        a.allowedToSend = sqlite3_column_int(s, 9);
        a.allowOriginator = sqlite3_column_int(s, 10);
        a.allowMsIsdnOriginator = sqlite3_column_int(s, 11);
        a.allowSignup = sqlite3_column_int(s, 12);
        a.replyOriginator = ColumnText(s, 13);
        a.textOriginator = ColumnText(s, 14);
        a.replyDomain = ColumnText(s, 15);
        a.replyType = ColumnText(s, 16);
        a.createdMs = sqlite3_column_int64(s, 17);
        row = std::move(a);
    }
    return row;
}

bool CServiceStore::UpdateAccountUsage(const std::string& id, std::int64_t balance,
                                       std::int64_t smsTotal) {
    auto s = Stmt(kUpdateUsage);
    BindText(s, 1, id);
    sqlite3_bind_int64(s, 2, balance);
    sqlite3_bind_int64(s, 3, smsTotal);
    return Done(s) && sqlite3_changes(m_db.get()) == 1;
}

bool CServiceStore::UpdateAccountEmail(const std::string& id, const std::string& email) {
    auto s = Stmt(kUpdateEmail);
    BindText(s, 1, id);
    BindText(s, 2, email);
    return Done(s) && sqlite3_changes(m_db.get()) == 1;
}

std::uint64_t CServiceStore::AllocateServiceId(std::uint64_t floor) {
    std::uint64_t next = 1;
    {
        auto read = Stmt(kReadCounter); // reset before the write below
        if (sqlite3_step(read) == SQLITE_ROW) {
            next = static_cast<std::uint64_t>(sqlite3_column_int64(read, 0));
        }
    }
    next = std::max(next, floor);
    if (next == 0) {
        next = 1; // the pair (0, 0) means "no id" to the program
    }
    auto write = Stmt(kWriteCounter);
    sqlite3_bind_int64(write, 1, static_cast<std::int64_t>(next + 1));
    if (!Done(write)) {
        return 0;
    }
    return next;
}

bool CServiceStore::InsertMessage(const MessageRow& m) {
    auto s = Stmt(kInsertMessage);
    BindText(s, 1, m.guid);
    BindText(s, 2, m.accountId);
    if (m.serviceId != 0) {
        sqlite3_bind_int64(s, 3, static_cast<std::int64_t>(m.serviceId));
    } else {
        sqlite3_bind_null(s, 3);
    }
    sqlite3_bind_int64(s, 4, m.acceptedMs);
    sqlite3_bind_int64(s, 5, m.resultDueMs);
    BindText(s, 6, m.errorLabel);
    BindText(s, 7, m.errorDescription);
    sqlite3_bind_int(s, 8, m.parts);
    BindOptional(s, 9, m.errorReportDueMs);
    BindText(s, 10, m.errorReportLabel);
    BindText(s, 11, m.errorReportDescription);
    return Done(s);
}

bool CServiceStore::InsertRecipient(const RecipientRow& r) {
    auto s = Stmt(kInsertRecipient);
    BindText(s, 1, r.messageGuid);
    sqlite3_bind_int(s, 2, r.index);
    sqlite3_bind_int64(s, 3, static_cast<std::int64_t>(r.serviceId));
    BindText(s, 4, r.number);
    sqlite3_bind_int(s, 5, r.stage);
    BindText(s, 6, r.code);
    BindText(s, 7, r.text);
    sqlite3_bind_int64(s, 8, r.statusMs);
    BindOptional(s, 9, r.dueMs);
    BindText(s, 10, r.firstCode);
    BindText(s, 11, r.firstText);
    BindOptional(s, 12, r.secondDueMs);
    BindText(s, 13, r.secondCode);
    BindText(s, 14, r.secondText);
    sqlite3_bind_int(s, 15, r.reported ? 1 : 0);
    sqlite3_bind_int(s, 16, r.announced ? 1 : 0);
    return Done(s);
}

std::vector<MessageRow> CServiceStore::DueResults(std::int64_t now, int limit) {
    auto s = Stmt(kDueResults);
    sqlite3_bind_int64(s, 1, now);
    sqlite3_bind_int(s, 2, limit);
    std::vector<MessageRow> rows;
    while (sqlite3_step(s) == SQLITE_ROW) {
        MessageRow m;
        m.guid = ColumnText(s, 0);
        m.accountId = ColumnText(s, 1);
        m.serviceId = static_cast<std::uint64_t>(sqlite3_column_int64(s, 2));
        m.acceptedMs = sqlite3_column_int64(s, 3);
        m.resultDueMs = sqlite3_column_int64(s, 4);
        m.errorLabel = ColumnText(s, 5);
        m.errorDescription = ColumnText(s, 6);
        m.parts = sqlite3_column_int(s, 7);
        rows.push_back(std::move(m));
    }
    return rows;
}

bool CServiceStore::MarkResultPosted(const std::string& guid) {
    auto s = Stmt(kMarkResult);
    BindText(s, 1, guid);
    return Done(s);
}

std::vector<MessageRow> CServiceStore::DueErrorReports(std::int64_t now, int limit) {
    auto s = Stmt(kDueErrorReports);
    sqlite3_bind_int64(s, 1, now);
    sqlite3_bind_int(s, 2, limit);
    std::vector<MessageRow> rows;
    while (sqlite3_step(s) == SQLITE_ROW) {
        MessageRow m;
        m.guid = ColumnText(s, 0);
        m.accountId = ColumnText(s, 1);
        m.serviceId = static_cast<std::uint64_t>(sqlite3_column_int64(s, 2));
        m.errorReportDueMs = ColumnOptional(s, 3);
        m.errorReportLabel = ColumnText(s, 4);
        m.errorReportDescription = ColumnText(s, 5);
        rows.push_back(std::move(m));
    }
    return rows;
}

bool CServiceStore::ClearErrorReport(const std::string& guid) {
    auto s = Stmt(kClearErrorReport);
    BindText(s, 1, guid);
    return Done(s);
}

std::vector<RecipientRow> CServiceStore::DueRecipients(std::int64_t now, int limit) {
    auto s = Stmt(kDueRecipients);
    sqlite3_bind_int64(s, 1, now);
    sqlite3_bind_int(s, 2, limit);
    return ReadRecipients(s);
}

bool CServiceStore::UpdateRecipient(const RecipientRow& r) {
    auto s = Stmt(kUpdateRecipient);
    BindText(s, 1, r.messageGuid);
    sqlite3_bind_int(s, 2, r.index);
    sqlite3_bind_int(s, 3, r.stage);
    BindText(s, 4, r.code);
    BindText(s, 5, r.text);
    sqlite3_bind_int64(s, 6, r.statusMs);
    BindOptional(s, 7, r.dueMs);
    sqlite3_bind_int(s, 8, r.reported ? 1 : 0);
    sqlite3_bind_int(s, 9, r.announced ? 1 : 0);
    return Done(s);
}

std::vector<RecipientRow> CServiceStore::Reportable(std::optional<std::uint64_t> fromId) {
    if (!fromId) {
        auto s = Stmt(kReportableAll);
        return ReadRecipients(s);
    }
    auto s = Stmt(kReportableFrom);
    sqlite3_bind_int64(s, 1, static_cast<std::int64_t>(*fromId));
    return ReadRecipients(s);
}

bool CServiceStore::MarkReported(const std::string& guid, std::int32_t index) {
    auto s = Stmt(kMarkReported);
    BindText(s, 1, guid);
    sqlite3_bind_int(s, 2, index);
    return Done(s);
}

std::optional<std::int64_t> CServiceStore::NextDue() {
    auto s = Stmt(kNextDue);
    std::optional<std::int64_t> due;
    if (sqlite3_step(s) == SQLITE_ROW) {
        due = ColumnOptional(s, 0);
    }
    return due;
}

int CServiceStore::PruneFinished(std::int64_t cutoffMs) {
    auto recipients = Stmt(kPruneRecipients);
    sqlite3_bind_int64(recipients, 1, cutoffMs);
    if (!Done(recipients)) {
        return 0;
    }
    auto messages = Stmt(kPruneMessages);
    sqlite3_bind_int64(messages, 1, cutoffMs);
    if (!Done(messages)) {
        return 0;
    }
    int forgotten = sqlite3_changes(m_db.get());
    for (int which : {kPruneGateway, kPruneGatewayParts, kPruneGatewayRanks}) {
        auto s = Stmt(which);
        Done(s);
    }
    return forgotten;
}

std::int64_t CServiceStore::CountMessages() {
    auto s = Stmt(kCountMessages);
    std::int64_t count = 0;
    if (sqlite3_step(s) == SQLITE_ROW) {
        count = sqlite3_column_int64(s, 0);
    }
    return count;
}

std::optional<CServiceStore::MessageState>
CServiceStore::LoadMessageState(const std::string& guid) {
    auto s = Stmt(kLoadMessageState);
    BindText(s, 1, guid);
    std::optional<MessageState> state;
    if (sqlite3_step(s) == SQLITE_ROW) {
        MessageState m;
        m.serviceId = sqlite3_column_type(s, 0) == SQLITE_NULL
                          ? 0
                          : static_cast<std::uint64_t>(sqlite3_column_int64(s, 0));
        m.resultPosted = sqlite3_column_int(s, 1);
        state = m;
    }
    return state;
}

bool CServiceStore::DeleteMessage(const std::string& guid) {
    auto s = Stmt(kDeleteMessage);
    BindText(s, 1, guid);
    return Done(s);
}

bool CServiceStore::RepostResult(const std::string& guid) {
    auto s = Stmt(kRepostResult);
    BindText(s, 1, guid);
    return Done(s);
}

bool CServiceStore::ConfirmResult(const std::string& guid) {
    auto s = Stmt(kConfirmResult);
    BindText(s, 1, guid);
    return Done(s);
}

bool CServiceStore::ConfirmErrorReport(const std::string& guid) {
    auto s = Stmt(kConfirmErrorReport);
    BindText(s, 1, guid);
    return Done(s);
}

bool CServiceStore::ConfirmReported(const std::string& guid, std::int32_t index,
                                    std::int32_t stage) {
    auto s = Stmt(kConfirmReported);
    BindText(s, 1, guid);
    sqlite3_bind_int(s, 2, index);
    sqlite3_bind_int(s, 3, stage);
    return Done(s);
}

bool CServiceStore::InsertGateway(const GatewayRow& g, const std::vector<std::string>& parts) {
    {
        auto s = Stmt(kInsertGateway);
        BindText(s, 1, g.guid);
        BindText(s, 2, g.secret);
        BindText(s, 3, g.originator);
        sqlite3_bind_int(s, 4, g.flash ? 1 : 0);
        sqlite3_bind_int(s, 5, g.ucs2 ? 1 : 0);
        sqlite3_bind_int(s, 6, static_cast<int>(parts.size()));
        if (!Done(s)) {
            return false;
        }
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        auto s = Stmt(kInsertGatewayPart);
        BindText(s, 1, g.guid);
        sqlite3_bind_int(s, 2, static_cast<int>(i));
        BindText(s, 3, parts[i]);
        if (!Done(s)) {
            return false;
        }
    }
    return true;
}

std::optional<GatewayRow> CServiceStore::NextSubmission(std::int64_t now) {
    std::optional<GatewayRow> row;
    {
        auto s = Stmt(kNextSubmission);
        sqlite3_bind_int64(s, 1, now);
        if (sqlite3_step(s) != SQLITE_ROW) {
            return row;
        }
        GatewayRow g;
        g.guid = ColumnText(s, 0);
        g.secret = ColumnText(s, 1);
        g.originator = ColumnText(s, 2);
        g.flash = sqlite3_column_int(s, 3) != 0;
        g.ucs2 = sqlite3_column_int(s, 4) != 0;
        g.requests = sqlite3_column_int(s, 5);
        g.part = sqlite3_column_int(s, 6);
        g.text = ColumnText(s, 7);
        row = std::move(g);
    }
    auto s = Stmt(kRecipientNumbers);
    BindText(s, 1, row->guid);
    while (sqlite3_step(s) == SQLITE_ROW) {
        row->numbers.push_back(ColumnText(s, 1));
    }
    return row;
}

bool CServiceStore::SetGatewayState(const std::string& guid, std::int32_t state,
                                    std::int32_t nextPart, std::int64_t retryMs) {
    auto s = Stmt(kSetGatewayState);
    BindText(s, 1, guid);
    sqlite3_bind_int(s, 2, state);
    sqlite3_bind_int(s, 3, nextPart);
    sqlite3_bind_int64(s, 4, retryMs);
    return Done(s);
}

std::optional<std::int64_t> CServiceStore::NextRetry() {
    auto s = Stmt(kNextRetry);
    if (sqlite3_step(s) != SQLITE_ROW) {
        return std::nullopt;
    }
    return ColumnOptional(s, 0);
}

bool CServiceStore::SetResult(const std::string& guid, std::int64_t dueMs, const std::string& label,
                              const std::string& description) {
    auto s = Stmt(kSetResult);
    BindText(s, 1, guid);
    sqlite3_bind_int64(s, 2, dueMs);
    BindText(s, 3, label);
    BindText(s, 4, description);
    return Done(s);
}

bool CServiceStore::DeleteRecipients(const std::string& guid) {
    auto s = Stmt(kDeleteRecipients);
    BindText(s, 1, guid);
    return Done(s);
}

std::optional<std::pair<std::string, std::int32_t>>
CServiceStore::LoadGatewaySecret(const std::string& guid) {
    auto s = Stmt(kLoadGateway);
    BindText(s, 1, guid);
    if (sqlite3_step(s) != SQLITE_ROW) {
        return std::nullopt;
    }
    return std::make_pair(ColumnText(s, 0), sqlite3_column_int(s, 1));
}

std::vector<std::pair<std::int32_t, std::string>>
CServiceStore::RecipientNumbers(const std::string& guid) {
    auto s = Stmt(kRecipientNumbers);
    BindText(s, 1, guid);
    std::vector<std::pair<std::int32_t, std::string>> numbers;
    while (sqlite3_step(s) == SQLITE_ROW) {
        numbers.emplace_back(sqlite3_column_int(s, 0), ColumnText(s, 1));
    }
    return numbers;
}

bool CServiceStore::RaisePartRank(const std::string& guid, std::int32_t index, std::int32_t part,
                                  std::int32_t rank, std::int32_t type, bool& raised) {
    auto s = Stmt(kRaisePartRank);
    BindText(s, 1, guid);
    sqlite3_bind_int(s, 2, index);
    sqlite3_bind_int(s, 3, part);
    sqlite3_bind_int(s, 4, rank);
    sqlite3_bind_int(s, 5, type);
    if (!Done(s)) {
        return false;
    }
    raised = sqlite3_changes(m_db.get()) == 1;
    return true;
}

std::vector<CServiceStore::PartRank> CServiceStore::PartRanks(const std::string& guid,
                                                              std::int32_t index) {
    auto s = Stmt(kPartRanks);
    BindText(s, 1, guid);
    sqlite3_bind_int(s, 2, index);
    std::vector<PartRank> ranks;
    while (sqlite3_step(s) == SQLITE_ROW) {
        ranks.push_back(
            {sqlite3_column_int(s, 0), sqlite3_column_int(s, 1), sqlite3_column_int(s, 2)});
    }
    return ranks;
}

bool CServiceStore::SetRecipientStatus(const std::string& guid, std::int32_t index,
                                       const std::string& code, const std::string& text,
                                       std::int64_t statusMs) {
    auto s = Stmt(kSetRecipientStatus);
    BindText(s, 1, guid);
    sqlite3_bind_int(s, 2, index);
    BindText(s, 3, code);
    BindText(s, 4, text);
    sqlite3_bind_int64(s, 5, statusMs);
    return Done(s);
}

std::vector<CServiceStore::InFlight> CServiceStore::InFlightSubmissions() {
    auto s = Stmt(kInFlight);
    std::vector<InFlight> rows;
    while (sqlite3_step(s) == SQLITE_ROW) {
        rows.push_back({ColumnText(s, 0), sqlite3_column_int(s, 1), sqlite3_column_int(s, 2)});
    }
    return rows;
}

bool CServiceStore::DeleteGateway(const std::string& guid) {
    for (int which : {kDeleteGateway, kDeleteGatewayParts, kDeleteGatewayRanks}) {
        auto s = Stmt(which);
        BindText(s, 1, guid);
        if (!Done(s)) {
            return false;
        }
    }
    return true;
}

bool CServiceStore::UnpostUnconfirmed() {
    for (int which : {kUnpostResults, kUnpostErrorReports, kUnpostReports}) {
        auto s = Stmt(which);
        if (!Done(s)) {
            return false;
        }
    }
    return true;
}
