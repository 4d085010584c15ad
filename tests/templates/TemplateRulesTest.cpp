// The rules of the template dialogs on a real store: limits, renumbering, moves, renames,
// the signature, the counter.
#include "common/TestEnv.h"
#include "templates/CTemplateRules.h"

#include <gtest/gtest.h>

namespace {

class TemplateRules : public ::testing::Test {
protected:
    // Templates "T0" ... "T<n-1>" with texts "text i", saved; "T<sig>" is the signature.
    void Fill(int n, int signature = -1) {
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(CTemplateRules::Add(store, "T" + std::to_string(i),
                                          "text " + std::to_string(i), i == signature),
                      TemplateResult::Ok);
        }
    }
    // The names in list order, as a reader of the file sees them.
    std::vector<std::string> Names() {
        CTemplateHandler reader(folder);
        std::vector<std::string> names;
        for (const CTemplateRecord& record : CTemplateRules::InListOrder(reader)) {
            names.push_back(record.TemplateName);
        }
        return names;
    }

    std::string folder = twtest::MakeTempDir("rules");
    CTemplateHandler store{folder};
};

TEST(TemplateCounter, CharactersAndParts) {
    EXPECT_EQ(CTemplateRules::CounterText(0), "0 [1]");
    EXPECT_EQ(CTemplateRules::CounterText(45), "45 [1]");
    EXPECT_EQ(CTemplateRules::CounterText(160), "160 [1]");
    EXPECT_EQ(CTemplateRules::CounterText(161), "161 [2]");
    EXPECT_EQ(CTemplateRules::CounterText(321), "321 [2]");
    EXPECT_EQ(CTemplateRules::CounterText(322), "322 [3]");
    EXPECT_EQ(CTemplateRules::AddLimit(0, 640), 160u);
    EXPECT_EQ(CTemplateRules::AddLimit(1, 640), 640u);
    EXPECT_EQ(CTemplateRules::AddLimit(3, 0), 32367u);
    EXPECT_EQ(CTemplateRules::EditLimit(0), 32367u);
    EXPECT_EQ(CTemplateRules::EditLimit(500), 500u);
    EXPECT_EQ(CTemplateRules::ListText("a\r\nb\nc\r"), "a b c");
}

TEST_F(TemplateRules, AddKeepsTheLimits) {
    EXPECT_EQ(CTemplateRules::Add(store, "  First  ", "Hello  \n", false), TemplateResult::Ok);
    CTemplateRecord first = store.GetTemplate("First");
    EXPECT_EQ(first.TemplateIndex, "0");
    EXPECT_EQ(first.TemplateText, "Hello");
    EXPECT_EQ(first.TemplateSignature, "NO");
    EXPECT_EQ(CTemplateRules::Add(store, " ", "x", false), TemplateResult::Empty);
    EXPECT_EQ(CTemplateRules::Add(store, "Name", " \n ", false), TemplateResult::Empty);
    EXPECT_EQ(CTemplateRules::Add(store, "First", "other", false), TemplateResult::NameExists);
    Fill(9);
    EXPECT_EQ(store.GetTemplateCount(), 10);
    EXPECT_EQ(CTemplateRules::Add(store, "Eleventh", "x", false), TemplateResult::Full);
    EXPECT_EQ(Names().size(), 10u);
    EXPECT_EQ(Names().back(), "T8");
}

TEST_F(TemplateRules, RemoveRenumbersTheLaterTemplates) {
    Fill(4);
    CTemplateRules::Remove(store, "T1");
    EXPECT_EQ(Names(), (std::vector<std::string>{"T0", "T2", "T3"}));
    CTemplateHandler reader(folder);
    reader.LoadTemplates();
    EXPECT_EQ(reader.GetTemplate("T2").TemplateIndex, "1");
    EXPECT_EQ(reader.GetTemplate("T3").TemplateIndex, "2");
    CTemplateRules::Remove(store, "nobody");
    EXPECT_EQ(Names().size(), 3u);
}

TEST_F(TemplateRules, MovesSwapWithTheNeighbourAndStopAtTheEnds) {
    Fill(3);
    EXPECT_EQ(CTemplateRules::Move(store, "T0", -1), std::nullopt);
    EXPECT_EQ(CTemplateRules::Move(store, "T2", +1), std::nullopt);
    EXPECT_EQ(Names(), (std::vector<std::string>{"T0", "T1", "T2"}));
    EXPECT_EQ(CTemplateRules::Move(store, "T2", -1), 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"T0", "T2", "T1"}));
    EXPECT_EQ(CTemplateRules::Move(store, "T0", +1), 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"T2", "T0", "T1"}));
}

TEST_F(TemplateRules, RenamesKeepThePlaceAndRefuseTakenNames) {
    Fill(3, 2);
    EXPECT_EQ(CTemplateRules::Edit(store, "T1", "1", "T0", "x", false), TemplateResult::NameExists);
    // The own name with a new text is fine.
    EXPECT_EQ(CTemplateRules::Edit(store, "T1", "1", "T1", "new text", false), TemplateResult::Ok);
    EXPECT_EQ(store.GetTemplate("T1").TemplateText, "new text");
    EXPECT_EQ(CTemplateRules::Edit(store, "T1", "1", "Renamed", "new text", false),
              TemplateResult::Ok);
    EXPECT_EQ(Names(), (std::vector<std::string>{"T0", "Renamed", "T2"}));
    EXPECT_TRUE(store.GetTemplate("T1").IsEmpty());
    EXPECT_EQ(CTemplateRules::Edit(store, "Renamed", "1", "", "x", false), TemplateResult::Empty);
    // The signature stays a signature when its text changes.
    EXPECT_EQ(CTemplateRules::Edit(store, "T2", "2", "T2", "-- Ann", true), TemplateResult::Ok);
    EXPECT_EQ(CTemplateRules::FindSignature(store)->TemplateText, "-- Ann");
}

TEST_F(TemplateRules, ReplacingTheSignatureTakesItsPlace) {
    Fill(3, 1);
    std::optional<CTemplateRecord> old = CTemplateRules::FindSignature(store);
    ASSERT_TRUE(old);
    // A name another template has would overwrite that one: refused, nothing changes.
    EXPECT_EQ(CTemplateRules::Add(store, "T2", "Bye", true, old), TemplateResult::NameExists);
    EXPECT_EQ(Names(), (std::vector<std::string>{"T0", "T1", "T2"}));
    EXPECT_EQ(CTemplateRules::Add(store, "New sig", "Regards, Ann", true, old), TemplateResult::Ok);
    EXPECT_EQ(Names(), (std::vector<std::string>{"T0", "New sig", "T2"}));
    EXPECT_EQ(CTemplateRules::FindSignature(store)->TemplateName, "New sig");
    // The old signature's own name may be taken over.
    old = CTemplateRules::FindSignature(store);
    EXPECT_EQ(CTemplateRules::Add(store, "New sig", "Cheers", true, old), TemplateResult::Ok);
    EXPECT_EQ(store.GetTemplate("New sig").TemplateText, "Cheers");
    EXPECT_EQ(store.GetTemplateCount(), 3);
}

} // namespace
