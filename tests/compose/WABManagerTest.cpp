// The address-book manager over the vCard fixtures: opening, validation, lists and their
// members, FetchMSISDN, and the address-book location setting.
#include "ComposeTestUtil.h"
#include "compose/CAddressBookLocation.h"
#include "compose/CWABManager.h"
#include "config/CQVRegClass.h"
#include "platform/Paths.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using twtest::CopyFixture;
using twtest::FakeConverter;
using twtest::MakeTempDir;
using twtest::WriteFile;

std::vector<std::string> Names(const std::vector<CWABRecord>& records) {
    std::vector<std::string> names;
    for (const CWABRecord& record : records) {
        names.push_back(record.displayName);
    }
    return names;
}

class WABManagerTest : public ::testing::Test {
protected:
    void Open(const std::string& fixture) {
        wab.SetNumberConverter(&converter);
        ASSERT_TRUE(wab.Initialize(CopyFixture(fixture)));
        wab.ValidateWAB(count);
    }
    CWABRecord Record(const std::string& displayText) {
        CWABRecord record;
        EXPECT_TRUE(wab.Lookup(displayText, record)) << displayText;
        return record;
    }

    FakeConverter converter;
    CWABManager wab;
    int count = 0;
};

TEST_F(WABManagerTest, ContactsAreValidatedThroughTheConverter) {
    Open("contacts-21.vcf");
    ASSERT_EQ(wab.Records().size(), 5u);
    const CWABRecord anna = wab.Records()[0];
    EXPECT_FALSE(anna.isDistributionList);
    EXPECT_TRUE(anna.valid);
    EXPECT_EQ(anna.count, 1);
    EXPECT_EQ(anna.mobile, "0170 1111111");
    EXPECT_EQ(anna.msisdn, "+491701111111");
    EXPECT_EQ(anna.firstName, "Anna");
    EXPECT_EQ(anna.lastName, "Becker");
    EXPECT_EQ(anna.entryId, "anna-21");
    EXPECT_EQ(anna.DisplayText(), "Anna Becker (+491701111111)");

    const CWABRecord werner = Record("Werner Festnetz ()");
    EXPECT_FALSE(werner.valid);
    EXPECT_EQ(werner.count, 0);
    EXPECT_EQ(count, 4);
    // Lookup ignores letter case, also outside ASCII.
    EXPECT_EQ(Record("j\xc3\xbcRGEN m\xc3\x9c"
                     "ller (+491712222222)")
                  .entryId,
              "juergen-21");
}

TEST_F(WABManagerTest, ListsCountTheirValidMembersAndNeedAllValid) {
    Open("contacts-40.vcf");
    struct Expect {
        const char* name;
        bool valid;
        int count;
    };
    const Expect expected[] = {{"Friends", true, 2}, {"Family", false, 1}, {"Middle", true, 3},
                               {"Outer", true, 4},   {"Loop A", true, 2},  {"Loop B", true, 2},
                               {"Nobody", true, 0}};
    for (const Expect& e : expected) {
        const CWABRecord list = Record(e.name);
        EXPECT_TRUE(list.isDistributionList) << e.name;
        EXPECT_EQ(list.valid, e.valid) << e.name;
        EXPECT_EQ(list.count, e.count) << e.name;
        EXPECT_EQ(list.DisplayText(), e.name);
    }
    EXPECT_FALSE(Record("Carol Clark ()").valid);
    EXPECT_EQ(Record("Bob Baker (+491601000002)").mobile, "+49-160-1000002");
}

TEST_F(WABManagerTest, MembersOfAList) {
    Open("contacts-40.vcf");
    std::vector<CWABRecord> members;
    ASSERT_TRUE(wab.GetMembers("family", members));
    EXPECT_EQ(Names(members), (std::vector<std::string>{"Alice Archer", "Carol Clark"}));
    members.clear();
    // Unknown member references are skipped; a member named by e-mail is found.
    ASSERT_TRUE(wab.GetMembers("Outer", members));
    EXPECT_EQ(Names(members), (std::vector<std::string>{"Middle", "Dave Dunn"}));
    EXPECT_FALSE(wab.GetMembers("Alice Archer", members)); // a contact is no list
    EXPECT_FALSE(wab.GetMembers("No such list", members));
}

TEST_F(WABManagerTest, FetchMSISDN) {
    Open("contacts-40.vcf");
    std::vector<CWABRecord> contacts;
    EXPECT_EQ(wab.FetchMSISDN("alice archer (+491601000001)", contacts, true), 1);
    EXPECT_EQ(wab.FetchMSISDN("Carol Clark ()", contacts, true), 0);
    EXPECT_EQ(wab.FetchMSISDN("Alice Archer", contacts, true), 0); // not a display text
    EXPECT_EQ(Names(contacts), std::vector<std::string>{"Alice Archer"});

    // Nested two deep, duplicates kept: Outer = Middle (Friends + Dave) + Dave.
    contacts.clear();
    EXPECT_EQ(wab.FetchMSISDN("Outer", contacts, true), 4);
    EXPECT_EQ(Names(contacts),
              (std::vector<std::string>{"Alice Archer", "Bob Baker", "Dave Dunn", "Dave Dunn"}));
    // A list with a member without number gives its other members.
    contacts.clear();
    EXPECT_EQ(wab.FetchMSISDN("Family", contacts, true), 1);
    // A cycle ends.
    contacts.clear();
    EXPECT_EQ(wab.FetchMSISDN("Loop B", contacts, true), 2);
    EXPECT_EQ(Names(contacts), (std::vector<std::string>{"Alice Archer", "Bob Baker"}));

    // Without expanding, a valid list stands for itself; an invalid one for nothing.
    contacts.clear();
    EXPECT_EQ(wab.FetchMSISDN("Friends", contacts, false), 1);
    EXPECT_EQ(wab.FetchMSISDN("Family", contacts, false), 0);
    ASSERT_EQ(contacts.size(), 1u);
    EXPECT_TRUE(contacts[0].isDistributionList);
}

TEST_F(WABManagerTest, AppleGroupsAndUidCase) {
    Open("contacts-30.vcf");
    const CWABRecord team = Record("Team 30");
    EXPECT_TRUE(team.valid);
    EXPECT_EQ(team.count, 2);
}

TEST_F(WABManagerTest, ConversionsAreRememberedUntilTheHomeCountryChanges) {
    Open("contacts-21.vcf");
    const int first = converter.conversions;
    EXPECT_EQ(first, 4); // one per contact with a mobile
    wab.LoadContacts();
    wab.ValidateWAB(count);
    EXPECT_EQ(converter.conversions, first);
    // Another home country: numbers convert anew, with the new rules.
    converter.home = "DE";
    converter.convert = [](const std::string&) { return std::string("+4930"); };
    wab.ValidateWAB(count);
    EXPECT_EQ(converter.conversions, 2 * first);
    EXPECT_EQ(wab.Records()[0].msisdn, "+4930");
}

TEST_F(WABManagerTest, WithoutConverterNothingIsValid) {
    ASSERT_TRUE(wab.Initialize(CopyFixture("contacts-40.vcf")));
    EXPECT_FALSE(wab.ValidateWAB(count));
    EXPECT_EQ(count, 0);
    for (const CWABRecord& record : wab.Records()) {
        EXPECT_EQ(record.valid,
                  record.isDistributionList && record.count == 0 && record.displayName == "Nobody")
            << record.displayName;
    }
}

TEST_F(WABManagerTest, AMissingOrDamagedBookLeavesTheManagerClosed) {
    twtest::LogCapture log;
    const std::string folder = MakeTempDir("closed");
    const std::string path = folder + "/contacts.vcf";
    wab.SetNumberConverter(&converter);
    EXPECT_FALSE(wab.Initialize(path));
    EXPECT_FALSE(wab.IsOpen());
    EXPECT_TRUE(wab.Records().empty());
    CWABRecord record;
    EXPECT_FALSE(wab.Lookup("Anything", record));
    std::vector<CWABRecord> contacts;
    EXPECT_EQ(wab.FetchMSISDN("Anything", contacts, true), 0);
    bool detailsShown = false;
    wab.SetDetailsHandler([&](const CWABRecord&, win::HWND) { detailsShown = true; });
    wab.Details(record, 0);
    EXPECT_FALSE(detailsShown);

    // A book that appears later is picked up by the next reload.
    WriteFile(path, twtest::Fixture("contacts-21.vcf"));
    EXPECT_TRUE(wab.LoadContacts());
    EXPECT_TRUE(wab.IsOpen());
    EXPECT_EQ(wab.Records().size(), 5u);
    wab.Details(wab.Records()[0], 0);
    EXPECT_TRUE(detailsShown);

    // A file without a single card: closed, and logged.
    WriteFile(path, "garbage\n");
    CWABManager other;
    EXPECT_FALSE(other.Initialize(path));
    EXPECT_EQ(twtest::ErrorsContaining(log, "No readable card"), 1);
}

TEST_F(WABManagerTest, DamagedCardsAreSkippedAndLogged) {
    twtest::LogCapture log;
    Open("damaged.vcf");
    EXPECT_EQ(wab.Records().size(), 2u);
    EXPECT_EQ(twtest::ErrorsContaining(log, "Damaged card skipped"), 4);
}

TEST(AddressBookLocation, SettingOrDefault) {
    CQVRegClass reg;
    EXPECT_EQ(CAddressBookLocation::Resolve(reg), platform::AppDataFolder() + "/TWD/contacts.vcf");
    ASSERT_TRUE(CAddressBookLocation::Store(reg, "~/Contacts/"));
    EXPECT_EQ(CAddressBookLocation::Resolve(reg), platform::HomeFolder() + "/Contacts/");
    ASSERT_TRUE(CAddressBookLocation::Store(reg, "/srv/book.vcf"));
    EXPECT_EQ(CAddressBookLocation::Resolve(reg), "/srv/book.vcf");
    // Initialize without a path uses the setting.
    const std::string path = CopyFixture("contacts-21.vcf");
    ASSERT_TRUE(CAddressBookLocation::Store(reg, path));
    CWABManager wab;
    EXPECT_TRUE(wab.Initialize());
    EXPECT_EQ(wab.BookPath(), path);
    ASSERT_TRUE(CAddressBookLocation::Store(reg, ""));
}

} // namespace
