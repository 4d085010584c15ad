#include "clientcore/CGroupCommit.h"

#include "clientcore/CStoreSavepoint.h"
#include "clientcore/CStoreTransaction.h"

#include <atomic>
#include <utility>

namespace {

std::atomic<std::uint64_t> g_commits{0};
std::atomic<std::uint64_t> g_units{0};

} // namespace

CGroupCommit::CGroupCommit(CServiceStore& store, std::mutex& storeLock)
    : m_store(store), m_storeLock(storeLock) {}

bool CGroupCommit::Run(const Unit& unit) {
    Ticket ticket{&unit};
    std::unique_lock<std::mutex> lock(m_lock);
    m_queue.push_back(&ticket);
    while (!ticket.done) {
        if (m_leading) {
            m_finished.wait(lock);
            continue;
        }
        // No batch under way: this thread runs everything queued, its own unit among it.
        m_leading = true;
        std::vector<Ticket*> batch = std::exchange(m_queue, {});
        lock.unlock();
        RunBatch(batch);
        lock.lock();
        for (Ticket* t : batch) {
            t->done = true;
        }
        m_leading = false;
        m_finished.notify_all();
    }
    return ticket.ok;
}

void CGroupCommit::RunBatch(const std::vector<Ticket*>& batch) {
    std::lock_guard<std::mutex> store(m_storeLock);
    for (Ticket* t : batch) {
        t->ok = false;
    }
    if (!m_store.IsOpen()) {
        return;
    }
    CStoreTransaction write(m_store);
    if (!write.IsOpen()) {
        return;
    }
    for (Ticket* t : batch) {
        // After some failures SQLite ends the transaction itself; what would follow would no
        // longer be part of it, so nothing more runs.
        if (!m_store.InTransaction()) {
            break;
        }
        CStoreSavepoint savepoint(m_store);
        t->ok = savepoint.IsOpen() && (*t->unit)() && savepoint.Release();
    }
    if (!m_store.InTransaction() || !write.Commit()) {
        for (Ticket* t : batch) {
            t->ok = false;
        }
        return;
    }
    g_commits.fetch_add(1, std::memory_order_relaxed);
    g_units.fetch_add(batch.size(), std::memory_order_relaxed);
}

std::size_t CGroupCommit::Queued() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_queue.size();
}

bool CGroupCommit::BatchUnderWay() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_leading;
}

void CGroupCommit::Counts(std::uint64_t& commits, std::uint64_t& units) {
    commits = g_commits.load(std::memory_order_relaxed);
    units = g_units.load(std::memory_order_relaxed);
}
