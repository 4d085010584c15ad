// Group commit on one service database: units of work handed over by any thread share
// transactions, so that one commit (one series of WAL writes and locks) carries the writes of
// many messages and reports. Run() queues the unit and returns once the transaction holding it
// is committed or has failed. Whichever waiting thread finds no batch under way runs every unit
// queued at that moment: it takes the store's lock, opens one transaction, runs each unit in its
// own savepoint (a unit that returns false is undone alone and reported as failed) and commits
// once; the others wait meanwhile and their units go into the next batch.
//
// A unit runs with the store's lock held, possibly on another thread than the one that handed
// it over (that one waits meanwhile, so the unit may use its caller's variables). It must not
// take the store's lock itself nor call Run(). Its in-memory effects stand only when Run()
// returns true; on false the caller undoes them.
#pragma once

#include "clientcore/CServiceStore.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

class CGroupCommit {
public:
    // Writes into the open transaction; false when its writes must be undone.
    using Unit = std::function<bool()>;

    CGroupCommit(CServiceStore& store, std::mutex& storeLock);
    CGroupCommit(const CGroupCommit&) = delete;
    CGroupCommit& operator=(const CGroupCommit&) = delete;

    // True once the unit's writes are committed; false when the unit failed, the store is
    // closed, or the transaction could not begin or commit (nothing of the unit is then written).
    bool Run(const Unit& unit);

    // Test seams: units handed over and waiting for a batch to take them; whether a batch is
    // under way.
    std::size_t Queued();
    bool BatchUnderWay();

    // Benchmark seam: transactions committed so far by every group commit of the process, and
    // the units they carried.
    static void Counts(std::uint64_t& commits, std::uint64_t& units);

private:
    struct Ticket {
        const Unit* unit;
        bool done = false;
        bool ok = false;
    };

    // Runs the batch in one transaction and sets each ticket's outcome (not `done`).
    void RunBatch(const std::vector<Ticket*>& batch);

    CServiceStore& m_store;
    std::mutex& m_storeLock;

    std::mutex m_lock; // guards everything below
    std::condition_variable m_finished;
    std::vector<Ticket*> m_queue;
    bool m_leading = false;
};
