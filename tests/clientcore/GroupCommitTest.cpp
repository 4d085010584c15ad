// Group commit on the service database: units handed over while a batch is under way share the
// next transaction, a unit that fails is undone without its neighbours, and a closed store
// writes nothing.
#include "clientcore/CGroupCommit.h"
#include "clientcore/CServiceStore.h"
#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

class GroupCommit : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(m_store.Open(twtest::MakeTempDir("groupcommit") + "/service.db", error))
            << error;
    }

    bool Insert(const std::string& id) {
        AccountRow a;
        a.id = id;
        a.accountType = "prepaid";
        return m_store.InsertAccount(a);
    }

    bool Stored(const std::string& id) {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_store.LoadAccount(id).has_value();
    }

    // Runs `units` from threads of their own so that they all go into one batch: the first
    // thread's batch waits for the store while the others queue behind it.
    std::vector<bool> RunTogether(const std::vector<CGroupCommit::Unit>& units) {
        std::vector<char> ok(units.size() + 1, 0);
        std::vector<std::thread> threads;
        {
            std::unique_lock<std::mutex> hold(m_lock);
            threads.emplace_back([&] { ok[0] = m_commit.Run([&] { return Insert("first"); }); });
            while (!m_commit.BatchUnderWay()) {
                std::this_thread::yield(); // the first thread leads a batch of its own
            }
            for (std::size_t i = 0; i < units.size(); ++i) {
                threads.emplace_back([&, i] { ok[i + 1] = m_commit.Run(units[i]); });
            }
            while (m_commit.Queued() != units.size()) {
                std::this_thread::yield();
            }
        }
        for (std::thread& t : threads) {
            t.join();
        }
        EXPECT_TRUE(ok[0]);
        return {ok.begin() + 1, ok.end()};
    }

    CServiceStore m_store;
    std::mutex m_lock;
    CGroupCommit m_commit{m_store, m_lock};
};

TEST_F(GroupCommit, UnitsHandedOverTogetherShareOneTransaction) {
    std::uint64_t commits = 0, units = 0;
    CGroupCommit::Counts(commits, units);
    std::vector<CGroupCommit::Unit> batch;
    for (int i = 0; i < 6; ++i) {
        batch.push_back([this, i] { return Insert("unit" + std::to_string(i)); });
    }
    for (bool ok : RunTogether(batch)) {
        EXPECT_TRUE(ok);
    }
    std::uint64_t commitsAfter = 0, unitsAfter = 0;
    CGroupCommit::Counts(commitsAfter, unitsAfter);
    EXPECT_EQ(commitsAfter - commits, 2u); // the first unit alone, then the six together
    EXPECT_EQ(unitsAfter - units, 7u);
    EXPECT_TRUE(Stored("first"));
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(Stored("unit" + std::to_string(i))) << i;
    }
}

TEST_F(GroupCommit, AFailingUnitIsUndoneAloneAndItsNeighboursAreKept) {
    ASSERT_TRUE(m_commit.Run([this] { return Insert("taken"); }));
    std::vector<bool> ok = RunTogether({
        [this] { return Insert("before"); },
        [this] { return Insert("half") && false; }, // wrote, then failed
        [this] { return Insert("taken"); },         // the write itself fails
        [this] { return Insert("after"); },
    });
    EXPECT_EQ(ok, (std::vector<bool>{true, false, false, true}));
    EXPECT_TRUE(Stored("before"));
    EXPECT_FALSE(Stored("half"));
    EXPECT_TRUE(Stored("after"));
    // The transaction goes on afterwards as before.
    EXPECT_TRUE(m_commit.Run([this] { return Insert("later"); }));
    EXPECT_TRUE(Stored("later"));
}

TEST_F(GroupCommit, AClosedStoreRunsNothing) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_store.Close();
    }
    bool ran = false;
    EXPECT_FALSE(m_commit.Run([&] { return ran = true; }));
    EXPECT_FALSE(ran);
}

} // namespace
