// A write transaction on the service database that rolls itself back unless committed. Open
// one per unit of work; when the function leaves by any path before Commit() succeeds, nothing
// of the unit reaches the file.
#pragma once

#include "clientcore/CServiceStore.h"

class CStoreTransaction {
public:
    explicit CStoreTransaction(CServiceStore& store)
        : m_store(store), m_open(store.IsOpen() && store.Begin()) {}
    ~CStoreTransaction() {
        if (m_open) {
            m_store.Rollback();
        }
    }
    CStoreTransaction(const CStoreTransaction&) = delete;
    CStoreTransaction& operator=(const CStoreTransaction&) = delete;

    // False when the transaction could not begin (the file is busy or failing).
    bool IsOpen() const { return m_open; }
    // Writes the unit; false (and rolled back) when the commit fails or it never began.
    bool Commit() {
        if (!m_open) {
            return false;
        }
        m_open = false;
        if (m_store.Commit()) {
            return true;
        }
        m_store.Rollback();
        return false;
    }

private:
    CServiceStore& m_store;
    bool m_open;
};
