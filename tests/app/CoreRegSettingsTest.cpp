// The core's view of the settings: per-account values need a current account.
#include "app/CCoreRegSettings.h"
#include "config/CQVRegClass.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

namespace {

TEST(CoreRegSettings, AccountValuesWithoutAnAccountAreRefusedAndNotWrittenAtTheRoot) {
    CQVRegClass reg;
    CCoreRegSettings settings(reg);
    ASSERT_EQ(reg.GetAccountKey(), "");
    EXPECT_FALSE(settings.SetAccountString("UserEmail", "a@example.org"));
    EXPECT_FALSE(settings.SetAccountDWORD("PrepaidBalance", 30));
    platform::RegKey root;
    if (root.Open(platform::RegRoot::CurrentUser, reg.GetRootPaths().accounts)) {
        EXPECT_FALSE(root.QueryString("UserEmail"));
        EXPECT_FALSE(root.QueryDWORD("PrepaidBalance"));
    }

    ASSERT_TRUE(settings.SetDefaultAccount("A1"));
    EXPECT_TRUE(settings.SetAccountString("UserEmail", "a@example.org"));
    EXPECT_EQ(reg.GetUserEmail(), "a@example.org");
}

} // namespace
