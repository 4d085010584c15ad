// The script protocol's fields: what one side writes, the other reads back unchanged.
#include "mailclient/ScriptProtocol.h"

#include <gtest/gtest.h>

using namespace mailclient;

TEST(ScriptProtocol, QuotedFieldsRoundTripAndRecordsSplitOnBareBars) {
    const std::vector<std::string> texts = {
        "plain",        "", "two words", "say \"hi\"", "back\\slash", "line\nbreak\ttab", "|",
        "&Open\tCtrl+O"};
    std::string line = "ok " + std::to_string(texts.size());
    for (const std::string& t : texts) {
        line += " | " + QuoteField(t);
    }
    std::vector<std::vector<std::string>> records = SplitRecords(line);
    ASSERT_EQ(records.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        ASSERT_EQ(records[i].size(), 1u);
        EXPECT_EQ(records[i][0], texts[i]);
    }
    EXPECT_EQ(SplitFields("menu  4\t40176 "), (std::vector<std::string>{"menu", "4", "40176"}));
    EXPECT_EQ(SplitFields("x \"open quote"), (std::vector<std::string>{"x", "open quote"}));
    EXPECT_TRUE(SplitFields("   ").empty());
    EXPECT_EQ(QuoteField("plain"), "plain");
}
