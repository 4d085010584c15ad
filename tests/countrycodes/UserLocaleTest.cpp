// The user's language and territory as the environment names them.
#include "countrycodes/CUserLocale.h"

#include "CountryCodesTestEnv.h"

#include <gtest/gtest.h>

using countrycodes::CUserLocale;
using twtest::ScopedEnv;

namespace {

using Names = std::vector<std::string>;

TEST(UserLocaleTest, CatalogueNamesDropTheCodesetAndWidenStepByStep) {
    EXPECT_EQ(CUserLocale::CatalogueNames("de_AT.UTF-8@euro"),
              (Names{"de_AT@euro", "de_AT", "de@euro", "de"}));
    EXPECT_EQ(CUserLocale::CatalogueNames("pt_BR.UTF-8"), (Names{"pt_BR", "pt"}));
    EXPECT_EQ(CUserLocale::CatalogueNames("sr@latin"), (Names{"sr@latin", "sr"}));
    EXPECT_EQ(CUserLocale::CatalogueNames("fr"), (Names{"fr"}));
    EXPECT_EQ(CUserLocale::CatalogueNames(""), Names{});
    EXPECT_EQ(CUserLocale::CatalogueNames(".UTF-8"), Names{});
}

TEST(UserLocaleTest, TerritoryIsTwoLettersInCapitals) {
    EXPECT_EQ(CUserLocale::TerritoryOf("en_GB.UTF-8"), "GB");
    EXPECT_EQ(CUserLocale::TerritoryOf("de_at@euro"), "AT");
    EXPECT_EQ(CUserLocale::TerritoryOf("es_419.UTF-8"), ""); // a region, not a country
    EXPECT_EQ(CUserLocale::TerritoryOf("fr"), "");
    EXPECT_EQ(CUserLocale::TerritoryOf("C.UTF-8"), "");
    EXPECT_EQ(CUserLocale::TerritoryOf("POSIX"), "");
}

TEST(UserLocaleTest, LocaleVariablesInGettextOrder) {
    ScopedEnv env{{"LC_ALL", std::nullopt},
                  {"LC_MESSAGES", "fr_FR.UTF-8"},
                  {"LANG", "de_DE.UTF-8"},
                  {"LANGUAGE", std::nullopt}};
    EXPECT_EQ(CUserLocale::LocaleName(), "fr_FR.UTF-8");
    EXPECT_EQ(CUserLocale::Territory(), "FR");
    EXPECT_EQ(CUserLocale::MessageLanguages(), (Names{"fr_FR", "fr"}));
    {
        ScopedEnv all{{"LC_ALL", "en_IN.UTF-8"}};
        EXPECT_EQ(CUserLocale::Territory(), "IN");
        EXPECT_EQ(CUserLocale::MessageLanguages(), (Names{"en_IN", "en"}));
    }
    {
        // LANGUAGE overrides the language, not the territory.
        ScopedEnv language{{"LANGUAGE", "ja:de_CH"}};
        EXPECT_EQ(CUserLocale::MessageLanguages(), (Names{"ja", "de_CH", "de"}));
        EXPECT_EQ(CUserLocale::Territory(), "FR");
    }
    {
        // ... except in the plain C locale, which is never translated.
        ScopedEnv plain{{"LC_ALL", "C.UTF-8"}, {"LANGUAGE", "de"}};
        EXPECT_EQ(CUserLocale::MessageLanguages(), Names{});
        EXPECT_EQ(CUserLocale::Territory(), "");
    }
    ScopedEnv none{{"LC_MESSAGES", std::nullopt}, {"LANG", std::nullopt}};
    EXPECT_EQ(CUserLocale::LocaleName(), "");
    EXPECT_EQ(CUserLocale::MessageLanguages(), Names{});
}

} // namespace
