// The compose dialog's rules without a window: placeholders, the originator check, the window
// rectangle and typed recipients.
#include "compose/CComposeRules.h"
#include "compose/CTypedRecipients.h"

#include <gtest/gtest.h>

TEST(ComposeRules, PlaceholdersAnyCaseAndOnePass) {
    std::string text = "Hi <NAME>, <FirstName> <lastNAME> <name <nam>";
    EXPECT_TRUE(CComposeRules::NormalizePlaceholders(text));
    EXPECT_EQ(text, "Hi <name>, <firstname> <lastname> <name <nam>");
    std::string none = "1 < 2 > 0";
    EXPECT_FALSE(CComposeRules::NormalizePlaceholders(none));
    // A name that reads like a placeholder is not replaced again.
    RecipientContact odd{"+1", "<firstname>", "Ann", "Lee"};
    EXPECT_EQ(CComposeRules::FillPlaceholders("<name>/<firstname>/<lastname>", odd),
              "<firstname>/Ann/Lee");
}

TEST(ComposeRules, WindowRectangle) {
    EXPECT_EQ(CComposeRules::ParseWindowRect("86-95-670-487"),
              (std::array<int, 4>{86, 95, 670, 487}));
    EXPECT_EQ(CComposeRules::ParseWindowRect("-5--5-600-400"),
              (std::array<int, 4>{-5, -5, 600, 400}));
    EXPECT_FALSE(CComposeRules::ParseWindowRect("86-95-670"));
    EXPECT_EQ(CComposeRules::FormatWindowRect(-5, 0, 10, 10), "-5-0-10-10");
    EXPECT_FALSE(CComposeRules::FormatWindowRect(-6, 0, 10, 10));
    EXPECT_FALSE(CComposeRules::FormatWindowRect(0, 0, 10, -32000));
}

TEST(ComposeRules, TypedRecipients) {
    EXPECT_EQ(CTypedRecipients::Pieces(" a ;  ; b;c ;"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(CTypedRecipients::InternationalOnly("+49 (170) 123-4567"), "+491701234567");
    EXPECT_EQ(CTypedRecipients::InternationalOnly("0049 170 1234567"), "+491701234567");
    EXPECT_EQ(CTypedRecipients::InternationalOnly("0170 1234567"), "");
    EXPECT_EQ(CTypedRecipients::InternationalOnly("+49 170 12x"), "");
    EXPECT_EQ(CTypedRecipients::InternationalOnly("+123"), "");
    CTypedRecipients typed(&CTypedRecipients::InternationalOnly);
    EXPECT_TRUE(typed.AcceptTypedEntry("+4917011111"));
    EXPECT_FALSE(typed.AcceptTypedEntry("Ann"));
    std::vector<std::string> valid;
    std::vector<std::string> invalid;
    typed.Split("+4917011111; Ann; +4917011111", valid, invalid);
    EXPECT_EQ(valid.size(), 2u) << "duplicates are kept";
    EXPECT_EQ(invalid, std::vector<std::string>{"Ann"});
    EXPECT_EQ(typed.Resolve(valid).numbers.size(), 2u);
    EXPECT_TRUE(typed.RemoveEntry("+4917011111"));
    EXPECT_FALSE(typed.RemoveEntry("+4917011111"));
}

TEST(ComposeRules, CountTextCutsWhatDoesNotFit) {
    CComposeSettings settings;
    auto count = CComposeRules::CountText(std::string(200, 'a'), settings, 0);
    EXPECT_TRUE(count.tooLong);
    EXPECT_EQ(count.keepBytes, 160u);
    EXPECT_EQ(count.characters, 160u);
    count = CComposeRules::CountText(std::string(200, 'a'), settings, 1);
    EXPECT_FALSE(count.tooLong);
    EXPECT_EQ(count.parts, 2u);
    settings.splitUpCharLimit = 150;
    count = CComposeRules::CountText(std::string(200, 'a'), settings, 1);
    EXPECT_EQ(count.keepBytes, 150u);
    // An account with shorter messages.
    settings.messageLength = 100;
    count = CComposeRules::CountText(std::string(101, 'a'), settings, 0);
    EXPECT_EQ(count.keepBytes, 100u);
}
