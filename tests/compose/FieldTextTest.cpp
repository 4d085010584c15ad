// Suggestions and the editing rules of the recipients field, on plain texts.
#include "compose/CKnownEntries.h"
#include "compose/CRecipientFieldText.h"

#include <gtest/gtest.h>

namespace {

using Field = CRecipientFieldText;

std::u16string U(std::string_view text) {
    return Field::ToUtf16(text);
}

class FieldTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* text : {"Anna Becker (+491701111111)", "anton (+491702222222)", "Friends",
                                 "0151 7654321", "\xc3\x84rzte"}) {
            known.Add({text, EntryKind::Contact, true, {}});
        }
        isValid = [this](std::u16string_view entry) {
            return known.Contains(Field::ToUtf8(entry));
        };
    }
    std::vector<std::string> Suggest(std::string_view prefix) const {
        std::vector<std::string> texts;
        for (const CKnownEntry* entry : known.Suggestions(prefix)) {
            texts.push_back(entry->text);
        }
        return texts;
    }

    CKnownEntries known;
    Field::IsValidFn isValid;
};

TEST_F(FieldTextTest, SuggestionsArePrefixMatchesInSortedOrder) {
    EXPECT_EQ(Suggest("an"),
              (std::vector<std::string>{"Anna Becker (+491701111111)", "anton (+491702222222)"}));
    EXPECT_EQ(Suggest("ANNA B"), std::vector<std::string>{"Anna Becker (+491701111111)"});
    EXPECT_EQ(Suggest("\xc3\xa4"), std::vector<std::string>{"\xc3\x84rzte"});
    EXPECT_EQ(Suggest("0151"), std::vector<std::string>{"0151 7654321"});
    EXPECT_TRUE(Suggest("").empty());
    EXPECT_TRUE(Suggest("x").empty());
    // No duplicates, and a removed entry is no longer suggested.
    EXPECT_FALSE(known.Add({"FRIENDS", EntryKind::Remembered, true, {}}));
    EXPECT_TRUE(known.Remove("anna becker (+491701111111)"));
    EXPECT_EQ(Suggest("an"), std::vector<std::string>{"anton (+491702222222)"});
    EXPECT_TRUE(known.Contains("Friends"));
}

TEST_F(FieldTextTest, SuggestionPrefixIsTheCurrentEntryUpToTheCaret) {
    const std::u16string text = u"Friends;  an";
    EXPECT_EQ(Field::SuggestionPrefix(text, text.size()), u"an");
    EXPECT_EQ(Field::SuggestionPrefix(text, 9), u"");
    EXPECT_EQ(Field::SuggestionPrefix(u"Fri", 2), u"Fr");
}

TEST_F(FieldTextTest, TakingASuggestionReplacesTheEntryAndCompletesIt) {
    const std::u16string text = u"Friends; an;0151 7654321;";
    const Field::Edit edit =
        Field::TakeSuggestion(text, 11, U("Anna Becker (+491701111111)"), isValid);
    EXPECT_EQ(edit.text, U("Friends; Anna Becker (+491701111111);0151 7654321;"));
    EXPECT_EQ(edit.caret, 37u);
    EXPECT_TRUE(edit.valid);
    EXPECT_EQ(edit.entry, (Field::Range{9, 36}));
}

TEST_F(FieldTextTest, CompletingAnEntry) {
    // A bare name is completed but invalid; a separator is added after it.
    Field::Edit edit = Field::CompleteEntry(u"Friends;Anna Becker", 19, isValid);
    EXPECT_EQ(edit.text, u"Friends;Anna Becker;");
    EXPECT_FALSE(edit.valid);
    EXPECT_EQ(edit.caret, 20u);
    EXPECT_TRUE(edit.changed);
    // Case does not matter; an existing separator is reused.
    edit = Field::CompleteEntry(u"friends ; x", 7, isValid);
    EXPECT_EQ(edit.text, u"friends ; x");
    EXPECT_TRUE(edit.valid);
    EXPECT_EQ(edit.caret, 9u);
    // Stepping back over spaces and separators finds the entry before the caret.
    edit = Field::CompleteEntry(u"Friends;  ", 10, isValid);
    EXPECT_EQ(edit.entry, (Field::Range{0, 7}));
    EXPECT_EQ(edit.caret, 8u);
    // Nothing to complete.
    edit = Field::CompleteEntry(u" ; ", 3, isValid);
    EXPECT_FALSE(edit.changed);
    EXPECT_TRUE(edit.entry.Empty());
}

TEST_F(FieldTextTest, ValidEntriesMoveAndDeleteAsAWhole) {
    const std::u16string text = u"Friends; typo;0151 7654321;";
    // Right from the start of a valid entry jumps to its end, inside an invalid one by one.
    EXPECT_EQ(Field::MoveCaret(text, 0, true, isValid), 7u);
    EXPECT_EQ(Field::MoveCaret(text, 7, true, isValid), 8u);
    EXPECT_EQ(Field::MoveCaret(text, 10, true, isValid), 11u);
    EXPECT_EQ(Field::MoveCaret(text, 26, false, isValid), 14u);
    EXPECT_EQ(Field::MoveCaret(text, 0, false, isValid), 0u);

    // A caret inside a valid entry selects it; a selection touching two widens over both.
    EXPECT_EQ(Field::WidenSelection(text, {3, 3}, isValid, false), (Field::Range{0, 7}));
    EXPECT_EQ(Field::WidenSelection(text, {5, 16}, isValid, false), (Field::Range{0, 26}));
    EXPECT_EQ(Field::WidenSelection(text, {5, 5}, isValid, true), (Field::Range{0, 9}));
    EXPECT_EQ(Field::WidenSelection(text, {10, 11}, isValid, true), (Field::Range{10, 11}));

    // Backspace right after the separator of a valid entry takes the whole entry.
    EXPECT_EQ(Field::BackspaceRange(text, 27, isValid), (Field::Range{14, 27}));
    EXPECT_EQ(Field::BackspaceRange(text, 14, isValid), std::nullopt); // after "typo;"
    EXPECT_EQ(Field::BackspaceRange(text, 6, isValid), std::nullopt);
}

TEST(FieldText, Utf16Conversion) {
    const std::string text = "A\xc3\xa4\xe2\x82\xac\xf0\x9f\x93\xb1";
    const std::u16string wide = Field::ToUtf16(text);
    EXPECT_EQ(wide.size(), 5u); // the phone emoji takes two units
    EXPECT_EQ(Field::ToUtf8(wide), text);
    EXPECT_EQ(Field::ToUtf16("\xff"), u"\xfffd");
    EXPECT_EQ(Field::ToUtf8(u"\xd800"), "\xef\xbf\xbd");
}

} // namespace
