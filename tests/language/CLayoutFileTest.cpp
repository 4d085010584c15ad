#include "language/CLayoutFile.h"

#include "common/TestEnv.h"
#include "platform/MsgBox.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(LayoutFile, KeysTakeTheValueLinesInOrder) {
    const std::string dir = twtest::MakeTempDir("layout");
    const std::string path = CLayoutFile::PathFor(dir, "about.cfg");
    EXPECT_EQ(path, dir + "/about.cfg");
    twtest::WriteFile(path, "lblTitle, lblVersion,lblInfo3\r\n10,10,200,20\r\n10,40,200,20\r\n");
    CLayoutFile::Values values{{"stale", "x"}};
    ASSERT_TRUE(CLayoutFile::Read(path, values));
    EXPECT_EQ(values,
              (CLayoutFile::Values{{"lblTitle", "10,10,200,20"}, {"lblVersion", "10,40,200,20"}}));
}

TEST(LayoutFile, SurplusValueLinesAreIgnored) {
    const std::string dir = twtest::MakeTempDir("layout");
    twtest::WriteFile(dir + "/firststart.cfg", "a,b\n1\n2\n3\n4\n");
    CLayoutFile::Values values;
    ASSERT_TRUE(CLayoutFile::Read(dir + "/firststart.cfg", values));
    EXPECT_EQ(values, (CLayoutFile::Values{{"a", "1"}, {"b", "2"}}));

    twtest::WriteFile(dir + "/empty.cfg", "");
    ASSERT_TRUE(CLayoutFile::Read(dir + "/empty.cfg", values));
    EXPECT_TRUE(values.empty());
}

TEST(LayoutFile, MissingFileShowsTheFileErrorAndLeavesTheMapEmpty) {
    auto boxes = std::make_shared<win::ScriptedMessageBox>();
    win::SetMessageBoxBackend(boxes);
    const std::string path = twtest::MakeTempDir("layout") + "/about.cfg";
    CLayoutFile::Values values{{"stale", "x"}};
    EXPECT_FALSE(CLayoutFile::Read(path, values, "Tidewell Windows"));
    win::SetMessageBoxBackend(nullptr);
    EXPECT_TRUE(values.empty());
    ASSERT_EQ(boxes->CallCount(), 1u);
    const auto call = boxes->Calls()[0];
    EXPECT_EQ(call.text, CLayoutFile::FileErrorText(path));
    EXPECT_NE(call.text.find(path), std::string::npos);
    EXPECT_EQ(call.caption, "Tidewell Windows");
}

} // namespace

namespace {

TEST(LayoutFile, FormattedValuesReadBackTheSame) {
    CLayoutFile::Values values;
    CLayoutFile::Parse("a, ,b\r\n1\r\nskipped\r\n2,\r3\r\n", values);
    EXPECT_EQ(values, (CLayoutFile::Values{{"a", "1"}, {"b", "2,\r3"}}));
    CLayoutFile::Values again;
    CLayoutFile::Parse(CLayoutFile::Format(values), again);
    EXPECT_EQ(again, values);
    CLayoutFile::Parse(CLayoutFile::Format({}), again);
    EXPECT_TRUE(again.empty());
}

} // namespace
