// A savepoint inside the open transaction of a service database that undoes itself unless
// released: the writes made since it was set are rolled back when the scope is left by any path
// before Release() succeeds, while the rest of the transaction stays. Lets one unit of a shared
// transaction fail alone (CGroupCommit, one report of a batch).
#pragma once

#include "clientcore/CServiceStore.h"

class CStoreSavepoint {
public:
    explicit CStoreSavepoint(CServiceStore& store)
        : m_store(store), m_open(store.InTransaction() && store.Savepoint()) {}
    ~CStoreSavepoint() {
        if (m_open) {
            m_store.RollbackToSavepoint();
        }
    }
    CStoreSavepoint(const CStoreSavepoint&) = delete;
    CStoreSavepoint& operator=(const CStoreSavepoint&) = delete;

    // False when no transaction is open or the savepoint could not be set.
    bool IsOpen() const { return m_open; }
    // Keeps the writes since the savepoint in the transaction; false (and undone) on failure.
    bool Release() {
        if (!m_open) {
            return false;
        }
        m_open = false;
        if (m_store.ReleaseSavepoint()) {
            return true;
        }
        m_store.RollbackToSavepoint();
        return false;
    }

private:
    CServiceStore& m_store;
    bool m_open;
};
