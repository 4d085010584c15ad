// A prepared SQLite statement that finalizes itself. Move-only; an empty one holds no statement.
// Use() lends the statement for one execution: when the returned scope ends, the statement is
// reset and its bindings cleared, so a statement kept prepared for the life of a database is
// ready again whatever path the caller leaves by.
#pragma once

#include <sqlite3.h>

#include <string>
#include <utility>

class CSqlStatement {
public:
    // One execution of the statement; converts to the raw handle for binding and stepping.
    class Use {
    public:
        explicit Use(sqlite3_stmt* stmt) : m_stmt(stmt) {}
        ~Use() {
            if (m_stmt != nullptr) {
                sqlite3_reset(m_stmt);
                sqlite3_clear_bindings(m_stmt);
            }
        }
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;
        operator sqlite3_stmt*() const { return m_stmt; }

    private:
        sqlite3_stmt* m_stmt;
    };

    CSqlStatement() = default;
    ~CSqlStatement() { sqlite3_finalize(m_stmt); }
    CSqlStatement(CSqlStatement&& other) noexcept : m_stmt(std::exchange(other.m_stmt, nullptr)) {}
    CSqlStatement& operator=(CSqlStatement&& other) noexcept {
        if (this != &other) {
            sqlite3_finalize(std::exchange(m_stmt, std::exchange(other.m_stmt, nullptr)));
        }
        return *this;
    }
    CSqlStatement(const CSqlStatement&) = delete;
    CSqlStatement& operator=(const CSqlStatement&) = delete;

    // Compiles `sql`; an empty statement when it does not compile (sqlite3_errmsg tells why).
    // `flags` are sqlite3_prepare_v3's, e.g. SQLITE_PREPARE_PERSISTENT for statements kept.
    static CSqlStatement Prepare(sqlite3* db, const char* sql, unsigned flags = 0) {
        CSqlStatement statement;
        if (sqlite3_prepare_v3(db, sql, -1, flags, &statement.m_stmt, nullptr) != SQLITE_OK) {
            sqlite3_finalize(std::exchange(statement.m_stmt, nullptr));
        }
        return statement;
    }

    explicit operator bool() const { return m_stmt != nullptr; }
    sqlite3_stmt* Get() const { return m_stmt; }
    Use Lend() const { return Use(m_stmt); }

private:
    sqlite3_stmt* m_stmt = nullptr;
};
