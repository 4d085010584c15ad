// Results wait under their GUID until fetched; the event texts outlive the fetch.
#include "clientcore/CResultStore.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

std::function<std::int32_t(const SendResultData&)> Answer(std::int32_t rc) {
    return [rc](const SendResultData&) { return rc; };
}

TEST(ResultStore, ResultIsKeptUntilAFetchSucceeds) {
    CResultStore store;
    const char* text = store.Put("guid-1", SendResultData{0, 5, 0, "", ""});
    EXPECT_STREQ(text, "guid-1");
    EXPECT_EQ(store.Fetch<SendResultData>("guid-1", Answer(9)), 9); // too small: kept
    EXPECT_EQ(store.PendingResults(), 1u);
    EXPECT_EQ(store.Fetch<SendResultData>("guid-1", Answer(1)), 1);
    EXPECT_EQ(store.PendingResults(), 0u);
    EXPECT_EQ(store.Fetch<SendResultData>("guid-1", Answer(1)), 0);
    // The text is retired, not freed, so a late reader of the event still finds it.
    EXPECT_STREQ(text, "guid-1");
    EXPECT_EQ(store.HeldTexts(), 1u);
    store.Clear();
    EXPECT_EQ(store.HeldTexts(), 0u);
}

TEST(ResultStore, KindsAreSeparateAndAReplacedResultKeepsItsOldText) {
    CResultStore store;
    const char* first = store.Put("g", SendResultData{});
    store.Put("g", ErrorReportData{"Server Error", "x"});
    EXPECT_EQ(store.PendingResults(), 2u);
    EXPECT_EQ(store.Fetch<MessageStatusData>("g", [](const MessageStatusData&) { return 1; }), 0);
    std::string label;
    EXPECT_EQ(store.Fetch<ErrorReportData>("g",
                                           [&](const ErrorReportData& e) {
                                               label = e.errorLabel;
                                               return 1;
                                           }),
              1);
    EXPECT_EQ(label, "Server Error");
    const char* second = store.Put("g", SendResultData{1, 2, 0, "", ""});
    EXPECT_NE(first, second);
    EXPECT_STREQ(first, "g"); // the unhandled first event may still read it
    EXPECT_EQ(store.PendingResults(), 1u);
}

} // namespace
