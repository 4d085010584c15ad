// The options rules on real settings: alert boxes, truncation choice, sender box, e-mail
// check, the desktop start-up value.
#include "common/TestEnv.h"
#include "config/CQVRegClass.h"
#include "options/COptionsRules.h"

#include <gtest/gtest.h>

namespace {

class OptionsRules : public ::testing::Test {
protected:
    void SetUp() override {
        twtest::UsePrivateFolders(twtest::MakeTempDir("optrules"));
        reg.SetDefaultAccount("4711");
    }
    CQVRegClass reg;
};

TEST(OptionsAlerts, BoxesSkipPositionTwoWhichIsAlwaysOne) {
    EXPECT_EQ(COptionsRules::AlertListboxText({}), "0,0,1,0,0,0,0,0,0");
    std::array<bool, 8> all;
    all.fill(true);
    EXPECT_EQ(COptionsRules::AlertListboxText(all), "1,1,1,1,1,1,1,1,1");
    const std::array<bool, 8> boxes =
        COptionsRules::AlertBoxes({1, 0, 0, 1, 1, 1, 1, 0, 1}); // position 2 has no box
    EXPECT_EQ(boxes, (std::array<bool, 8>{true, false, true, true, true, true, false, true}));
    EXPECT_EQ(COptionsRules::AlertListboxText(boxes), "1,0,1,1,1,1,1,0,1");
}

TEST_F(OptionsRules, RememberLastUsedKeepsThePreviousMode) {
    reg.SetTruncationMode(1);
    EXPECT_EQ(COptionsRules::ChoiceOf(1), TruncationChoice::LongMessages);
    COptionsRules::ApplyTruncation(reg, TruncationChoice::RememberLastUsed);
    EXPECT_EQ(reg.GetTruncationMode(), 3u);
    EXPECT_EQ(reg.GetRememberTruncMode(), 1u);
    // Chosen again while already 3: the remembered mode stays.
    reg.SetRememberTruncMode(0);
    COptionsRules::ApplyTruncation(reg, TruncationChoice::RememberLastUsed);
    EXPECT_EQ(reg.GetRememberTruncMode(), 0u);
    EXPECT_EQ(COptionsRules::ChoiceOf(3), TruncationChoice::RememberLastUsed);
    EXPECT_EQ(COptionsRules::ChoiceOf(2), TruncationChoice::RememberLastUsed);
    COptionsRules::ApplyTruncation(reg, TruncationChoice::OneSms);
    EXPECT_EQ(reg.GetTruncationMode(), 0u);
    EXPECT_EQ(reg.GetRememberTruncMode(), 0u);
}

TEST_F(OptionsRules, SenderBoxAndWhatAChoiceWrites) {
    OriginatorTexts texts{"+4917099999", "", "Tidewell", "(mobile)", "(inbox)", "(none)", "Last"};
    OriginatorChoices box = COptionsRules::Originators(texts, false, 1);
    EXPECT_EQ(box.entries,
              (std::vector<std::string>{"+4917099999 (mobile)", "Tidewell (none)", "Last"}));
    EXPECT_EQ(box.rememberEntry, 2u);
    EXPECT_EQ(box.selected, 1u);
    EXPECT_EQ(COptionsRules::Originators(texts, true, 1).selected, 2u);
    EXPECT_EQ(COptionsRules::Originators(texts, false, 7).selected, 0u);
    COptionsRules::ApplyOriginator(reg, box, 2);
    EXPECT_EQ(reg.GetRememberOriginator(), 1u);
    COptionsRules::ApplyOriginator(reg, box, 1);
    EXPECT_EQ(reg.GetRememberOriginator(), 0u);
    EXPECT_EQ(reg.GetAccDefOriginator(), 1u);

    // One sender: no "remember" entry, even when the setting asks for it.
    texts.text.clear();
    box = COptionsRules::Originators(texts, true, 0);
    EXPECT_EQ(box.entries, std::vector<std::string>{"+4917099999 (mobile)"});
    EXPECT_FALSE(box.rememberEntry);
    EXPECT_EQ(box.selected, 0u);
    EXPECT_TRUE(COptionsRules::Originators(OriginatorTexts{}, false, 0).entries.empty());
}

TEST(OptionsEmail, WhatLooksLikeAnAddress) {
    for (const char* good : {"ann@example.com", "ann.smith+sms@mail.example.co.uk", "a@b.de",
                             "j\xC3\xBCrgen@m\xC3\xBCller.de"}) {
        EXPECT_TRUE(COptionsRules::LooksLikeEmail(good)) << good;
    }
    for (const char* bad :
         {"", "ann", "@example.com", "ann@", "ann@example", "ann@@example.com", "ann@exa mple.com",
          "ann smith@example.com", "ann@.example.com", "ann@example..com", "ann@example.com.",
          "ann@-example.com", "a<b>@example.com", "ann@example.com\n"}) {
        EXPECT_FALSE(COptionsRules::LooksLikeEmail(bad)) << bad;
    }
}

TEST_F(OptionsRules, StartWithDesktopDefaultsToOn) {
    EXPECT_TRUE(COptionsRules::GetStartWithDesktop(reg));
    EXPECT_EQ(COptionsRules::SetStartWithDesktop(reg, false), 1);
    EXPECT_FALSE(COptionsRules::GetStartWithDesktop(reg));
    EXPECT_EQ(reg.ReadDWORD(9, "Software\\Quorvane\\Tidewell Windows\\2.0", "StartWithDesktop"),
              0u);
}

} // namespace
