// The service database at start: a file that another process holds is only busy, not damaged,
// and is neither changed nor moved aside (it opens once the other process lets go); a
// version-1 file is upgraded with its messages kept.
#include "clientcore/CServiceStore.h"
#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sqlite3.h>
#include <string>

namespace {

// A version-3 file with two messages in it, as the core writes it.
const char* const kVersion3 =
    "PRAGMA journal_mode=WAL;"
    "CREATE TABLE meta(key TEXT PRIMARY KEY, value INTEGER NOT NULL);"
    "CREATE TABLE accounts(id TEXT PRIMARY KEY, account_type TEXT NOT NULL,"
    " msisdn TEXT NOT NULL, group_id TEXT NOT NULL, user_name TEXT NOT NULL,"
    " user_email TEXT NOT NULL, message_length INTEGER NOT NULL, balance INTEGER NOT NULL,"
    " sms_total INTEGER NOT NULL, allowed_to_send INTEGER NOT NULL,"
    " allow_originator INTEGER NOT NULL, allow_msisdn_originator INTEGER NOT NULL,"
    " allow_signup INTEGER NOT NULL, reply_originator TEXT NOT NULL,"
    " text_originator TEXT NOT NULL, reply_domain TEXT NOT NULL, reply_type TEXT NOT NULL,"
    " created_ms INTEGER NOT NULL);"
    "CREATE TABLE messages(guid TEXT PRIMARY KEY, account_id TEXT NOT NULL,"
    " service_id INTEGER UNIQUE, accepted_ms INTEGER NOT NULL, result_due_ms INTEGER NOT NULL,"
    " result_posted INTEGER NOT NULL, error_label TEXT NOT NULL,"
    " error_description TEXT NOT NULL, parts INTEGER NOT NULL, error_report_due_ms INTEGER,"
    " error_report_label TEXT NOT NULL, error_report_description TEXT NOT NULL,"
    " error_report_posted INTEGER NOT NULL DEFAULT 0);"
    "CREATE INDEX messages_result_due ON messages(result_due_ms) WHERE result_posted = 0;"
    "CREATE TABLE recipients(message_guid TEXT NOT NULL, idx INTEGER NOT NULL,"
    " service_id INTEGER NOT NULL, number TEXT NOT NULL, stage INTEGER NOT NULL,"
    " code TEXT NOT NULL, text TEXT NOT NULL, status_ms INTEGER NOT NULL, due_ms INTEGER,"
    " first_code TEXT NOT NULL, first_text TEXT NOT NULL, second_due_ms INTEGER,"
    " second_code TEXT NOT NULL, second_text TEXT NOT NULL, reported INTEGER NOT NULL,"
    " announced INTEGER NOT NULL, PRIMARY KEY(message_guid, idx));"
    "CREATE INDEX recipients_due ON recipients(due_ms) WHERE due_ms IS NOT NULL;"
    "CREATE TABLE gateway_messages(guid TEXT PRIMARY KEY, secret TEXT NOT NULL,"
    " originator TEXT NOT NULL, flash INTEGER NOT NULL, ucs2 INTEGER NOT NULL,"
    " requests INTEGER NOT NULL, state INTEGER NOT NULL, next_part INTEGER NOT NULL,"
    " retry_ms INTEGER NOT NULL);"
    "CREATE INDEX gateway_waiting ON gateway_messages(state) WHERE state < 2;"
    "CREATE TABLE gateway_parts(guid TEXT NOT NULL, part INTEGER NOT NULL,"
    " text TEXT NOT NULL, PRIMARY KEY(guid, part));"
    "CREATE TABLE gateway_ranks(guid TEXT NOT NULL, idx INTEGER NOT NULL,"
    " part INTEGER NOT NULL, rank INTEGER NOT NULL, type INTEGER NOT NULL,"
    " PRIMARY KEY(guid, idx, part));"
    // Two waiting messages, one with a delivered first part.
    "INSERT INTO messages VALUES('bbbbbbbb-0000-4000-8000-000000000001','TWD',1001,10,10,2,'',"
    "'',2,NULL,'','',0);"
    "INSERT INTO messages VALUES('aaaaaaaa-0000-4000-8000-000000000002','TWD',1002,11,11,2,'',"
    "'',2,NULL,'','',0);"
    "INSERT INTO recipients VALUES('bbbbbbbb-0000-4000-8000-000000000001',0,1001,'+4477001',0,"
    "'','',10,NULL,'','',NULL,'','',1,0);"
    "INSERT INTO recipients VALUES('aaaaaaaa-0000-4000-8000-000000000002',0,1002,'+4477002',0,"
    "'','',11,NULL,'','',NULL,'','',1,0);"
    "INSERT INTO gateway_messages VALUES('bbbbbbbb-0000-4000-8000-000000000001','s1','TW',0,0,2,"
    "0,0,0);"
    "INSERT INTO gateway_messages VALUES('aaaaaaaa-0000-4000-8000-000000000002','s2','TW',0,0,2,"
    "0,1,0);"
    "INSERT INTO gateway_parts VALUES('bbbbbbbb-0000-4000-8000-000000000001',0,'first b');"
    "INSERT INTO gateway_parts VALUES('bbbbbbbb-0000-4000-8000-000000000001',1,'second b');"
    "INSERT INTO gateway_parts VALUES('aaaaaaaa-0000-4000-8000-000000000002',0,'first a');"
    "INSERT INTO gateway_parts VALUES('aaaaaaaa-0000-4000-8000-000000000002',1,'second a');"
    "INSERT INTO gateway_ranks VALUES('aaaaaaaa-0000-4000-8000-000000000002',0,0,3,1);"
    "PRAGMA user_version=3;";

// A raw connection of its own, as another process would have.
class CRawDb {
public:
    explicit CRawDb(const std::string& path) { sqlite3_open(path.c_str(), &m_db); }
    ~CRawDb() { sqlite3_close(m_db); }
    CRawDb(const CRawDb&) = delete;
    CRawDb& operator=(const CRawDb&) = delete;

    bool Exec(const char* sql) {
        return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    std::string Text(const std::string& sql) {
        sqlite3_stmt* s = nullptr;
        std::string out;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW && sqlite3_column_text(s, 0) != nullptr) {
            out = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
        }
        sqlite3_finalize(s);
        return out;
    }

private:
    sqlite3* m_db = nullptr;
};

TEST(StoreStart, ABusyFileIsNeitherChangedNorMovedAside) {
    const std::string path = twtest::MakeTempDir("storebusy") + "/service.db";
    CRawDb other(path);
    ASSERT_TRUE(other.Exec(kVersion3));
    // Another process holds the write lock: the start cannot write its schema.
    ASSERT_TRUE(other.Exec("BEGIN IMMEDIATE; UPDATE meta SET value = 0 WHERE 0;"));
    {
        CServiceStore store;
        std::string error;
        EXPECT_FALSE(store.Open(path, error));
        EXPECT_NE(error.find("cannot write the database"), std::string::npos) << error;
    }
    EXPECT_FALSE(std::filesystem::exists(path + ".damaged"));
    EXPECT_EQ(other.Text("SELECT count(*) FROM gateway_messages"), "2");

    // Once the other process lets go, the same file opens with its messages.
    ASSERT_TRUE(other.Exec("COMMIT"));
    CServiceStore store;
    std::string error;
    ASSERT_TRUE(store.Open(path, error)) << error;
    auto next = store.NextSubmission(100);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->guid, "bbbbbbbb-0000-4000-8000-000000000001");
    EXPECT_EQ(other.Text("PRAGMA user_version"), "3");
}

TEST(StoreStart, AVersion1FileIsUpgradedWithItsMessagesKept) {
    const std::string path = twtest::MakeTempDir("storev1") + "/service.db";
    {
        CRawDb old(path);
        ASSERT_TRUE(old.Exec(kVersion3));
        // Version 1 lacked the column for a posted error report.
        ASSERT_TRUE(old.Exec("ALTER TABLE messages DROP COLUMN error_report_posted;"
                             "PRAGMA user_version=1;"));
    }
    CServiceStore store;
    std::string error;
    ASSERT_TRUE(store.Open(path, error)) << error;
    auto state = store.LoadMessageState("aaaaaaaa-0000-4000-8000-000000000002");
    ASSERT_TRUE(state);
    EXPECT_EQ(state->serviceId, 1002u);
    store.Close();
    CRawDb upgraded(path);
    EXPECT_EQ(upgraded.Text("PRAGMA user_version"), "3");
    EXPECT_EQ(upgraded.Text("SELECT count(*) FROM pragma_table_info('messages')"
                            " WHERE name = 'error_report_posted'"),
              "1");
}

} // namespace
