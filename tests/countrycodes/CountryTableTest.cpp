// The country table: keys from libphonenumber, prefixes, names from iso-codes and their
// translations, look-up by key and by name.
#include "countrycodes/CCountryTable.h"

#include "CountryCodesTestEnv.h"
#include "common/TestEnv.h"

#include <gtest/gtest.h>

using countrycodes::CCountryTable;
using countrycodes::CountryEntry;
using twtest::ScopedEnv;

namespace {

const CCountryTable& Table() {
    static const CCountryTable table;
    return table;
}

struct Expected {
    const char* key;
    const char* name;
    const char* code;
    const char* international;
    const char* national;
};

TEST(CountryTableTest, KnowsEveryRegionWithItsPrefixes) {
    ScopedEnv english{{"LC_ALL", "C"}, {"LANGUAGE", std::nullopt}};
    const CCountryTable& table = Table();
    ASSERT_GT(table.Count(), 200u);
    const Expected expected[] = {
        {"GB", "United Kingdom", "44", "00", "0"},
        {"DE", "Germany", "49", "00", "0"},
        {"US", "United States", "1", "011", "1"},
        {"FR", "France", "33", "00", "0"},
        {"IN", "India", "91", "00", "0"},
        {"AU", "Australia", "61", "0011", "0"},
        {"RU", "Russian Federation", "7", "8~10", "8"},
        {"IT", "Italy", "39", "00", ""},             // no trunk prefix
        {"BR", "Brazil", "55", "", "0"},             // carrier-dependent international prefix
        {"BO", "Bolivia", "591", "", "0"},           // common name rather than the ISO name
        {"AC", "Ascension Island", "247", "00", ""}, // not in ISO 3166-1
        {"XK", "Kosovo", "383", "00", "0"},
    };
    for (const auto& e : expected) {
        const CountryEntry* entry = table.Find(e.key);
        ASSERT_NE(entry, nullptr) << e.key;
        EXPECT_EQ(entry->key, e.key);
        EXPECT_EQ(table.LocalName(*entry), e.name) << e.key;
        EXPECT_EQ(entry->callingCode, e.code) << e.key;
        EXPECT_EQ(entry->internationalPrefix, e.international) << e.key;
        EXPECT_EQ(entry->nationalPrefix, e.national) << e.key;
    }
}

TEST(CountryTableTest, KeysTextListsEveryEntryInOrder) {
    const CCountryTable& table = Table();
    std::string joined;
    std::string previous;
    for (const auto& entry : table.Entries()) {
        EXPECT_EQ(entry.key.size(), 2u);
        EXPECT_LT(previous, entry.key);
        previous = entry.key;
        joined += (joined.empty() ? "" : ";") + entry.key;
    }
    EXPECT_EQ(table.KeysText(), joined);
    EXPECT_EQ(table.Find("001"), nullptr); // non-geographic entities are no countries
}

TEST(CountryTableTest, FindsKeysInAnyCaseAndNothingElse) {
    const CCountryTable& table = Table();
    ASSERT_NE(table.Find("gb"), nullptr);
    EXPECT_EQ(table.Find("gb")->key, "GB");
    EXPECT_EQ(table.Find("Gb")->key, "GB");
    EXPECT_EQ(table.Find("GBR"), nullptr);
    EXPECT_EQ(table.Find("G"), nullptr);
    EXPECT_EQ(table.Find(""), nullptr);
    EXPECT_EQ(table.Find("ZZ"), nullptr);
}

TEST(CountryTableTest, NamesFollowTheUsersLanguage) {
    const CCountryTable& table = Table();
    const CountryEntry& germany = *table.Find("DE");
    {
        ScopedEnv german{{"LC_ALL", "de_DE.UTF-8"}, {"LANGUAGE", std::nullopt}};
        EXPECT_EQ(table.LocalName(germany), "Deutschland");
        EXPECT_EQ(table.LocalName(*table.Find("GB")), "Vereinigtes K\xC3\xB6nigreich");
        EXPECT_EQ(table.LocalName(*table.Find("XK")), "Kosovo"); // no translation
    }
    {
        ScopedEnv french{{"LC_ALL", "fr_CA.UTF-8"}, {"LANGUAGE", std::nullopt}};
        EXPECT_EQ(table.LocalName(germany), "Allemagne"); // from the "fr" catalogue
    }
    {
        ScopedEnv list{{"LC_ALL", "en_US.UTF-8"}, {"LANGUAGE", "xx:fr"}};
        EXPECT_EQ(table.LocalName(germany), "Allemagne"); // the first language with a catalogue
    }
    {
        // A language name is never a path ("/de" would otherwise reach ".../locale//de").
        ScopedEnv hostile{{"LC_ALL", "en_US.UTF-8"}, {"LANGUAGE", "/de"}};
        EXPECT_EQ(table.LocalName(germany), "Germany");
    }
    ScopedEnv plain{{"LC_ALL", "C"}, {"LANGUAGE", "de"}};
    EXPECT_EQ(table.LocalName(germany), "Germany");
}

TEST(CountryTableTest, FindsCountriesByAnyOfTheirNames) {
    const CCountryTable& table = Table();
    ScopedEnv german{{"LC_ALL", "de_DE.UTF-8"}, {"LANGUAGE", std::nullopt}};
    auto key = [&table](const std::string& name) {
        const CountryEntry* entry = table.FindByName(name);
        return entry != nullptr ? entry->key : std::string("-");
    };
    EXPECT_EQ(key("Deutschland"), "DE");
    EXPECT_EQ(key("DEUTSCHLAND"), "DE");
    EXPECT_EQ(key("Germany"), "DE");
    EXPECT_EQ(key("Korea, Republic of"), "KR");
    EXPECT_EQ(key("South Korea"), "KR");
    EXPECT_EQ(key("gb"), "GB");
    EXPECT_EQ(key("Atlantis"), "-");
    EXPECT_EQ(key(""), "-");
}

TEST(CountryTableTest, LongTranslatedNamesAreFoundAsCutForTheNameBuffer) {
    const CCountryTable& table = Table();
    ScopedEnv russian{{"LC_ALL", "ru_RU.UTF-8"}, {"LANGUAGE", std::nullopt}};
    const std::string full = table.LocalName(*table.Find("SH"));
    ASSERT_GT(full.size(), 63u) << "the Russian name of Saint Helena is expected to be long";
    // What a 64-byte buffer holds: at most 63 bytes, ending on a character boundary.
    std::size_t cut = 63;
    while ((static_cast<unsigned char>(full[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    ASSERT_NE(table.FindByName(full.substr(0, cut)), nullptr);
    EXPECT_EQ(table.FindByName(full.substr(0, cut))->key, "SH");
    EXPECT_EQ(table.FindByName(full)->key, "SH");
    EXPECT_EQ(table.FindByName(full.substr(0, cut - 2)), nullptr);
}

TEST(CountryTableTest, MissingOrDamagedNamesFileLeavesKeysAsNames) {
    const std::string folder = twtest::MakeTempDir("isocodes");
    twtest::WriteFile(folder + "/damaged.json", "{\"3166-1\": [ {\"alpha_2\": \"DE\", \"na");
    twtest::WriteFile(folder + "/odd.json",
                      "{\"3166-1\": [1, {\"alpha_2\": 5}, {\"alpha_2\": \"DE\", \"name\": "
                      "\"Germany\"}]}");
    ScopedEnv english{{"LC_ALL", "C"}};
    for (const char* file : {"/missing.json", "/damaged.json"}) {
        const CCountryTable table(folder + file);
        ASSERT_NE(table.Find("DE"), nullptr) << file;
        EXPECT_EQ(table.LocalName(*table.Find("DE")), "DE") << file;
        EXPECT_EQ(table.LocalName(*table.Find("XK")), "Kosovo") << file;
        EXPECT_EQ(table.Find("DE")->callingCode, "49") << file;
    }
    const CCountryTable odd(folder + "/odd.json");
    EXPECT_EQ(odd.LocalName(*odd.Find("DE")), "Germany");
    EXPECT_EQ(odd.LocalName(*odd.Find("FR")), "FR");
}

} // namespace
