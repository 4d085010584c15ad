#include "app/CMsgRefMap.h"

#include <gtest/gtest.h>
#include <set>
#include <thread>
#include <vector>

namespace {
CSMSRecord Sms(const std::string& guid) {
    CSMSRecord r;
    r.GUID = guid;
    r.MessageText = "text of " + guid;
    r.SetRecipients("+111,+222");
    return r;
}
} // namespace

TEST(MsgRefMap, SmallestFreeKeyFromOne) {
    CMsgRefMap map;
    EXPECT_EQ(map.Add(Sms("a")), 1u);
    EXPECT_EQ(map.Add(Sms("b")), 2u);
    EXPECT_EQ(map.Add(Sms("c")), 3u);
    EXPECT_EQ(map.Add(Sms("d")), 4u);
    EXPECT_TRUE(map.Remove(3));
    EXPECT_EQ(map.Add(Sms("e")), 3u) << "keys 1, 2 and 4 in use give 3";
    EXPECT_TRUE(map.Remove(1));
    EXPECT_EQ(map.Add(Sms("f")), 1u);
    EXPECT_FALSE(map.Remove(99));
    EXPECT_EQ(map.Size(), 4u);
}

TEST(MsgRefMap, StoresOwnedCopiesOfTheRightType) {
    CMsgRefMap map;
    CSMSRecord sms = Sms("guid-1");
    std::uint32_t key = map.Add(sms);
    sms.MessageText = "changed after the hand-over";

    CSMSRecord out;
    ASSERT_TRUE(map.Get(key, out));
    EXPECT_EQ(out.GUID, "guid-1");
    EXPECT_EQ(out.MessageText, "text of guid-1");
    EXPECT_EQ(out.GetRecipients(','), "+111,+222");
    CMMSRecord wrongType;
    EXPECT_FALSE(map.Get(key, wrongType));
    EXPECT_TRUE(map.Get(key, out)) << "a read leaves the entry in place";

    CMMSRecord mms;
    mms.GUID = "mms-1";
    mms.MMSValue1 = 7;
    std::uint32_t mkey = map.Add(mms);
    CMMSRecord mout;
    ASSERT_TRUE(map.Get(mkey, mout));
    EXPECT_EQ(mout.MMSValue1, 7);
    EXPECT_FALSE(map.Get(mkey, out));

    EXPECT_TRUE(map.Remove(key));
    EXPECT_FALSE(map.Get(key, out));
}

TEST(MsgRefMap, ConcurrentAddReadRemoveNeverSharesAKey) {
    CMsgRefMap map;
    const int threads = 6, rounds = 400;
    std::vector<std::thread> pool;
    std::atomic<int> failures{0};
    for (int t = 0; t < threads; ++t) {
        pool.emplace_back([&, t] {
            for (int i = 0; i < rounds; ++i) {
                std::string guid = std::to_string(t) + "-" + std::to_string(i);
                std::uint32_t key = map.Add(Sms(guid));
                CSMSRecord out;
                if (key == 0 || !map.Get(key, out) || out.GUID != guid || !map.Remove(key)) {
                    ++failures;
                }
            }
        });
    }
    for (auto& th : pool) {
        th.join();
    }
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(map.Size(), 0u);
}
