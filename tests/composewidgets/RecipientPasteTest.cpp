// Pasted text into recipient entries.
#include "compose/CRecipientPaste.h"

#include <gtest/gtest.h>

using Entries = std::vector<std::string>;

TEST(RecipientPaste, ListsOfNumbersBecomeOneEntryPerNumber) {
    EXPECT_EQ(CRecipientPaste::Split("01701234567 01719876543"),
              Entries({"01701234567", "01719876543"}));
    EXPECT_EQ(CRecipientPaste::Split("+491701234567,+491719876543; 0171-9876543\r\n0172/555666\n"),
              Entries({"+491701234567", "+491719876543", "0171-9876543", "0172/555666"}));
    EXPECT_EQ(CRecipientPaste::Split(" 01701234567 ,\t01719876543 "),
              Entries({"01701234567", "01719876543"}));
}

TEST(RecipientPaste, NamesAndGroupedNumbersStayWhole) {
    // One number written in groups is not a list.
    EXPECT_EQ(CRecipientPaste::Split("+49 170 1234567"), Entries({"+49 170 1234567"}));
    EXPECT_EQ(CRecipientPaste::Split("0170 1234567"), Entries({"0170 1234567"}));
    // Commas and blanks inside names do not cut.
    EXPECT_EQ(CRecipientPaste::Split("Smith, Anna; Bob Jones (+491701234567)"),
              Entries({"Smith, Anna", "Bob Jones (+491701234567)"}));
    // A list mixing a name and a number is cut only at ";" and line breaks.
    EXPECT_EQ(CRecipientPaste::Split("Anna 01701234567\n01719876543"),
              Entries({"Anna 01701234567", "01719876543"}));
}

TEST(RecipientPaste, EmptyPiecesVanish) {
    EXPECT_TRUE(CRecipientPaste::Split("").empty());
    EXPECT_TRUE(CRecipientPaste::Split(" ;\n;; \r\n").empty());
    EXPECT_EQ(CRecipientPaste::Split(";;01701234567;;"), Entries({"01701234567"}));
}

TEST(RecipientPaste, WholeNumbers) {
    EXPECT_TRUE(CRecipientPaste::IsWholeNumber("+491701234567"));
    EXPECT_TRUE(CRecipientPaste::IsWholeNumber("(0170)123-456"));
    EXPECT_FALSE(CRecipientPaste::IsWholeNumber("12345"));      // too short
    EXPECT_FALSE(CRecipientPaste::IsWholeNumber("0170+12345")); // "+" only in front
    EXPECT_FALSE(CRecipientPaste::IsWholeNumber("0170abc1234"));
}
