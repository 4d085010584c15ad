// Recipient resolution: known entries, splitting, counting, resolving and typed entries, over
// the address-book fixtures.
#include "ComposeTestUtil.h"
#include "compose/CRecipientResolver.h"
#include "compose/CRememberedEntries.h"
#include "compose/CWABManager.h"

#include <gtest/gtest.h>

namespace {

using Texts = std::vector<std::string>;

class ResolverTest : public ::testing::Test {
protected:
    void SetUp() override {
        wab.SetNumberConverter(&converter);
        ASSERT_TRUE(wab.Initialize(twtest::CopyFixture("contacts-40.vcf")));
        remembered.Add("0151 7654321");
        resolver.FillKnownEntries();
    }
    std::pair<Texts, Texts> Split(const std::string& text) const {
        Texts valid;
        Texts invalid;
        resolver.Split(text, valid, invalid);
        return {valid, invalid};
    }
    std::string Send(const std::string& text) const {
        std::vector<CWABRecord> contacts;
        Texts numbers;
        resolver.Resolve(Split(text).first, contacts, numbers);
        return CRecipientResolver::RecipientText(contacts, numbers);
    }

    twtest::FakeConverter converter;
    CWABManager wab;
    CRememberedEntries remembered;
    CRecipientResolver resolver{wab, remembered, &converter};
};

TEST_F(ResolverTest, KnownEntriesAreValidAddressBookEntriesThenRememberedOnes) {
    Texts texts;
    for (const CKnownEntry& entry : resolver.KnownEntries().Entries()) {
        texts.push_back(entry.text);
        EXPECT_TRUE(entry.valid);
    }
    EXPECT_EQ(texts, (Texts{"Alice Archer (+491601000001)", "Bob Baker (+491601000002)",
                            "Dave Dunn (+491601000004)", "Friends", "Outer", "Middle", "Loop A",
                            "Loop B", "Nobody", "0151 7654321"}));
    const CKnownEntry* friends = resolver.KnownEntries().Find("FRIENDS");
    ASSERT_NE(friends, nullptr);
    EXPECT_EQ(friends->kind, EntryKind::DistributionList);
    EXPECT_EQ(friends->entryId, "b0000000-0000-4000-8000-000000000001");
    EXPECT_EQ(resolver.KnownEntries().Find("0151 7654321")->kind, EntryKind::Remembered);
    // A list with a member without a number is not offered as valid.
    EXPECT_FALSE(resolver.IsKnown("Family"));
    EXPECT_EQ(resolver.KnownEntries().Classify("Family").valid, false);
}

TEST_F(ResolverTest, SplitTrimsDropsBlanksKeepsOrderAndDuplicates) {
    const auto [valid, invalid] =
        Split(" alice archer (+491601000001) ;   ;0151 7654321; Alice Archer;Family;"
              "0151 7654321;");
    EXPECT_EQ(valid, (Texts{"alice archer (+491601000001)", "0151 7654321", "0151 7654321"}));
    // The bare display name is not an entry; neither is a list that is not fully valid.
    EXPECT_EQ(invalid, (Texts{"Alice Archer", "Family"}));
    EXPECT_EQ(Split("").first.size() + Split(" ; ;; ").second.size(), 0u);
}

TEST_F(ResolverTest, CountCountsListMembersAndTypedNumbers) {
    EXPECT_EQ(resolver.Count(Split("Outer;Friends;0151 7654321;Nobody;").first), 4 + 2 + 1 + 0);
    EXPECT_EQ(resolver.Count(Split("Dave Dunn (+491601000004);Loop A;").first), 1 + 2);
}

TEST_F(ResolverTest, ResolveExpandsListsAndKeepsDuplicates) {
    EXPECT_EQ(Send("Friends;0151 7654321;Dave Dunn (+491601000004);0151 7654321;"),
              "+491601000001;+491601000002;+491601000004;+491517654321;+491517654321;");
    EXPECT_EQ(Send("Outer"), "+491601000001;+491601000002;+491601000004;+491601000004;");
    EXPECT_EQ(Send("Nobody;Loop A"), "+491601000002;+491601000001;");

    // Without expanding, lists stay whole (the picker's view of the recipients).
    std::vector<CWABRecord> contacts;
    Texts numbers;
    resolver.Resolve(Split("Friends;Bob Baker (+491601000002);0151 7654321").first, contacts,
                     numbers, false);
    ASSERT_EQ(contacts.size(), 2u);
    EXPECT_TRUE(contacts[0].isDistributionList);
    EXPECT_EQ(numbers, Texts{"+491517654321"});
}

TEST_F(ResolverTest, TypedEntriesThatConvertBecomeKnownAndRemembered) {
    EXPECT_FALSE(resolver.IsKnown("0170 1234567"));
    EXPECT_TRUE(resolver.AcceptTypedEntry("0170 1234567"));
    EXPECT_TRUE(resolver.IsKnown("0170 1234567"));
    EXPECT_EQ(resolver.KnownEntries().Find("0170 1234567")->kind, EntryKind::Typed);
    EXPECT_TRUE(remembered.Contains("0170 1234567"));
    EXPECT_EQ(Split("0170 1234567;").first, Texts{"0170 1234567"});

    EXPECT_FALSE(resolver.AcceptTypedEntry("call me maybe"));
    EXPECT_FALSE(resolver.AcceptTypedEntry("12"));
    EXPECT_FALSE(resolver.IsKnown("call me maybe"));
    EXPECT_EQ(remembered.Size(), 2u);

    // Removing forgets it in both lists.
    EXPECT_TRUE(resolver.RemoveEntry("0170 1234567"));
    EXPECT_FALSE(resolver.IsKnown("0170 1234567"));
    EXPECT_FALSE(remembered.Contains("0170 1234567"));
    EXPECT_FALSE(resolver.RemoveEntry("0170 1234567"));
}

TEST_F(ResolverTest, WithoutTheCountryCodeLibraryNothingCanBeSent) {
    wab.SetNumberConverter(nullptr);
    CRecipientResolver none(wab, remembered, nullptr);
    none.FillKnownEntries();
    // Only the list without members and the remembered text are left; neither gives a number.
    EXPECT_EQ(none.KnownEntries().Size(), 2u);
    EXPECT_FALSE(none.AcceptTypedEntry("0170 1234567"));
    std::vector<CWABRecord> contacts;
    Texts numbers;
    Texts valid;
    Texts invalid;
    none.Split("Nobody;0151 7654321;Friends", valid, invalid);
    none.Resolve(valid, contacts, numbers);
    EXPECT_TRUE(contacts.empty());
    EXPECT_TRUE(numbers.empty());
}

} // namespace
