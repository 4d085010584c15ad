// The program's handle on the country-code library: the real library end to end (home
// country stored and defaulted, conversions with it), and a missing library or missing
// entry points giving the documented empty answers.
#include "compose/CDllHandler.h"

#include "CountryCodesTestEnv.h"
#include "log/LogManager.h"
#include "common/TestEnv.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using twtest::ScopedEnv;

namespace {

const char* const kRoot = "Software\\Quorvane\\Tidewell Windows\\2.0";

std::string StoredHomeCountry(const std::string& root) {
    platform::RegKey key;
    if (!key.Open(platform::RegRoot::CurrentUser, root)) {
        return "(no key)";
    }
    return key.QueryString("HomeCountry").value_or("(no value)");
}

void StoreHomeCountry(const std::string& root, const std::string& value) {
    platform::RegKey key;
    ASSERT_TRUE(key.Create(platform::RegRoot::CurrentUser, root));
    ASSERT_TRUE(key.SetString("HomeCountry", value));
}

int Occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST(DllHandlerTest, HomeCountryRoundTripsThroughTheSettings) {
    ScopedEnv locale{{"LC_ALL", "en_GB.UTF-8"}, {"LANGUAGE", std::nullopt}};
    const std::string root = std::string(kRoot) + "\\RoundTrip";
    CDllHandler handler(twtest::BinDir());
    ASSERT_TRUE(handler.Load());
    EXPECT_NE(twtest::ReadFile(CLogManager::Instance().FilePath())
                  .find("libqvcountrycodes.so version " + std::to_string(TW_VERSION_MAJOR) + "."),
              std::string::npos);
    ASSERT_EQ(handler.Init(root), 0);
    ASSERT_TRUE(handler.RefreshHomeCountry());
    EXPECT_EQ(handler.HomeCountry(), "GB");
    EXPECT_EQ(handler.ConvertToMsisdn("07400 123456"), "+447400123456");

    EXPECT_EQ(handler.SetHomeCountry("Germany"), 0);
    EXPECT_EQ(handler.HomeCountry(), "DE");
    EXPECT_EQ(StoredHomeCountry(root), "DE");
    EXPECT_EQ(handler.ConvertToMsisdn("0151 23456789"), "+4915123456789");
    EXPECT_EQ(handler.ConvertToMsisdn("07400 123456"), "");

    // An unknown name changes nothing.
    EXPECT_NE(handler.SetHomeCountry("Atlantis"), 0);
    EXPECT_EQ(handler.HomeCountry(), "DE");
    EXPECT_EQ(StoredHomeCountry(root), "DE");

    // The next start finds it again.
    handler.Free();
    EXPECT_EQ(handler.HomeCountry(), "");
    CDllHandler next(twtest::BinDir());
    ASSERT_TRUE(next.Load());
    ASSERT_EQ(next.Init(root), 0);
    ASSERT_TRUE(next.RefreshHomeCountry());
    EXPECT_EQ(next.HomeCountry(), "DE");

    // The name the library lists for a country chooses it, in the user's language too.
    ScopedEnv french{{"LC_ALL", "fr_FR.UTF-8"}};
    const auto us = next.CountryInfo("US");
    ASSERT_TRUE(us.has_value());
    EXPECT_EQ(us->name, "\xC3\x89tats-Unis");
    EXPECT_EQ(next.SetHomeCountry(us->name), 0);
    EXPECT_EQ(next.HomeCountry(), "US");
    EXPECT_EQ(next.ConvertToMsisdn("(201) 555-0123"), "+12015550123");
}

TEST(DllHandlerTest, NewUsersGetTheTerritoryOfTheirLocale) {
    CDllHandler handler(twtest::BinDir());
    ASSERT_TRUE(handler.Load());
    struct Case {
        const char* locale;
        const char* stored; // null: nothing stored
        const char* expected;
    };
    const Case cases[] = {
        {"fr_FR.UTF-8", nullptr, "FR"},
        {"en_IN", nullptr, "IN"},
        {"de_DE.UTF-8@euro", nullptr, "DE"},
        {"C.UTF-8", nullptr, "GB"},     // no territory: the fallback
        {"en_QQ.UTF-8", nullptr, "GB"}, // no such country
        {"fr_FR.UTF-8", "de", "DE"},    // a stored value in any case wins
        {"fr_FR.UTF-8", "ZZ", "FR"},    // an unknown stored value is ignored
        {"fr_FR.UTF-8", "", "FR"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string root = std::string(kRoot) + "\\Case" + std::to_string(n++);
        if (c.stored != nullptr) {
            StoreHomeCountry(root, c.stored);
        }
        ScopedEnv locale{
            {"LC_ALL", c.locale}, {"LC_MESSAGES", std::nullopt}, {"LANG", std::nullopt}};
        ASSERT_EQ(handler.Init(root), 0);
        ASSERT_TRUE(handler.RefreshHomeCountry());
        EXPECT_EQ(handler.HomeCountry(), c.expected)
            << c.locale << " " << (c.stored ? c.stored : "-");
    }
    // The default is not written: a later change of locale still counts.
    EXPECT_EQ(StoredHomeCountry(std::string(kRoot) + "\\Case0"), "(no key)");
}

TEST(DllHandlerTest, AHomeCountryThatCannotBeStoredIsReported) {
    CDllHandler handler(twtest::BinDir());
    ASSERT_TRUE(handler.Load());
    ASSERT_EQ(handler.Init(kRoot), 0);
    ASSERT_EQ(handler.SetHomeCountry("FR"), 0);
    // A settings folder below a plain file can never be created.
    const std::string blocker = twtest::MakeTempDir("blocked") + "/file";
    twtest::WriteFile(blocker, "x");
    ScopedEnv unwritable{{"XDG_CONFIG_HOME", blocker + "/config"}};
    EXPECT_EQ(handler.SetHomeCountry("IN"), QV_CC_NOT_STORED);
    EXPECT_EQ(handler.HomeCountry(), "FR");
}

TEST(DllHandlerTest, ListsCountriesWithDetails) {
    ScopedEnv english{{"LC_ALL", "en_US.UTF-8"}, {"LANGUAGE", std::nullopt}};
    CDllHandler handler(twtest::BinDir());
    ASSERT_TRUE(handler.Load());
    const std::vector<std::string> keys = handler.Countries();
    ASSERT_GT(keys.size(), 200u);
    for (const auto& key : keys) {
        const auto details = handler.CountryInfo(key);
        ASSERT_TRUE(details.has_value()) << key;
        EXPECT_EQ(details->key, key);
        EXPECT_FALSE(details->name.empty()) << key;
        EXPECT_FALSE(details->callingCode.empty()) << key;
    }
    const auto gb = handler.CountryInfo("GB");
    EXPECT_EQ(gb->name, "United Kingdom");
    EXPECT_EQ(gb->callingCode, "44");
    EXPECT_EQ(gb->internationalPrefix, "00");
    EXPECT_EQ(gb->nationalPrefix, "0");
    EXPECT_FALSE(handler.CountryInfo("ZZ").has_value());
}

TEST(DllHandlerTest, ConversionsRunWhileTheHomeCountryChanges) {
    CDllHandler handler(twtest::BinDir());
    ASSERT_TRUE(handler.Load());
    ASSERT_EQ(handler.Init(kRoot), 0);
    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0};
    std::atomic<int> rounds{0};
    std::thread converter([&] {
        while (!stop) {
            if (handler.ConvertToMsisdn("+44 7400 123456") != "+447400123456") {
                ++wrong;
            }
            const std::string national = handler.ConvertToMsisdn("0151 23456789");
            if (!national.empty() && national != "+4915123456789") {
                ++wrong;
            }
            ++rounds;
        }
    });
    for (int i = 0; i < 20 || rounds < 20; ++i) {
        ASSERT_EQ(handler.SetHomeCountry(i % 2 == 0 ? "DE" : "GB"), 0);
    }
    stop = true;
    converter.join();
    EXPECT_EQ(wrong, 0);
}

TEST(DllHandlerTest, WithoutTheLibraryEverythingIsEmpty) {
    CDllHandler handler(twtest::MakeTempDir("nolib"));
    EXPECT_FALSE(handler.Load());
    EXPECT_FALSE(handler.IsLoaded());
    EXPECT_EQ(handler.Init(kRoot), 1);
    EXPECT_FALSE(handler.RefreshHomeCountry());
    EXPECT_EQ(handler.HomeCountry(), "");
    EXPECT_EQ(handler.ConvertToMsisdn("+44 7400 123456"), "");
    EXPECT_TRUE(handler.Countries().empty());
    EXPECT_FALSE(handler.CountryInfo("GB").has_value());
    EXPECT_EQ(handler.SetHomeCountry("Germany"), 1);
    QVCountryRecord record{};
    EXPECT_EQ(handler.GetCountryOnName("Germany", record), 1);
    EXPECT_EQ(handler.SetHomeCountryRecord(record), 1);
}

TEST(DllHandlerTest, MissingEntryPointsGiveTheEmptyAnswersAndAreLoggedOnce) {
    CDllHandler handler(twtest::BinDir(), "libtwcc_partial.so");
    ASSERT_TRUE(handler.Load());
    // Present entry points are used: a failed initialisation is passed on, the rest goes on.
    EXPECT_EQ(handler.Init(kRoot), 7);
    EXPECT_TRUE(handler.RefreshHomeCountry());
    EXPECT_EQ(handler.HomeCountry(), "NZ");
    // Missing ones give the empty answers.
    EXPECT_EQ(handler.ConvertToMsisdn("+44 7400 123456"), "");
    EXPECT_EQ(handler.ConvertToMsisdn("+64 21 123 4567"), "");
    EXPECT_TRUE(handler.Countries().empty());
    EXPECT_FALSE(handler.CountryInfo("NZ").has_value());
    EXPECT_EQ(handler.SetHomeCountry("Germany"), 1);
    EXPECT_EQ(handler.HomeCountry(), "NZ");

    const std::string log = twtest::ReadFile(CLogManager::Instance().FilePath());
    EXPECT_EQ(Occurrences(log, "has no entry point QVConvertToMsisdn"), 1) << log;
    EXPECT_EQ(Occurrences(log, "has no entry point QVGetCountries"), 1);
    EXPECT_EQ(Occurrences(log, "has no entry point QVGetCountryOnName"), 1);

    handler.Free();
    EXPECT_EQ(handler.HomeCountry(), "");
    EXPECT_EQ(handler.Init(kRoot), 1);
}

} // namespace
