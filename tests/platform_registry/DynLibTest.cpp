// Loading a library at run time and looking up its exports.
#include "platform/DynLib.h"
#include "common/TestEnv.h"

#include <gtest/gtest.h>

TEST(DynLibTest, OpensLooksUpAndCloses) {
    platform::DynLib lib;
    ASSERT_TRUE(lib.Open(twtest::BinDir() + "/libtwreg_sample.so")) << lib.Error();
    auto add = lib.Function<int (*)(int, int)>("TwSampleAdd");
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(2, 3), 5);
    EXPECT_EQ(lib.Symbol("NoSuchExport"), nullptr);
    EXPECT_NE(lib.Error().find("NoSuchExport"), std::string::npos) << lib.Error();
    auto name = lib.Function<const char* (*)()>("TwSampleName");
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name(), "sample");
    EXPECT_TRUE(lib.Error().empty());

    platform::DynLib moved = std::move(lib);
    EXPECT_FALSE(lib.IsOpen());
    EXPECT_TRUE(moved.IsOpen());
    EXPECT_NE(moved.Symbol("TwSampleAdd"), nullptr);
    moved.Close();
    EXPECT_FALSE(moved.IsOpen());
    EXPECT_EQ(moved.Symbol("TwSampleAdd"), nullptr);
}

TEST(DynLibTest, MissingLibraryGivesAnError) {
    platform::DynLib lib;
    EXPECT_FALSE(lib.Open(twtest::BinDir() + "/libdoes_not_exist.so"));
    EXPECT_FALSE(lib.IsOpen());
    EXPECT_FALSE(lib.Error().empty());
    EXPECT_FALSE(lib.Open(""));
}
