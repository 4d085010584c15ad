// The library's entry points called as the program calls them, through the loaded
// libqvcountrycodes.so: buffer limits, null arguments and records.
#include "countrycodes/QVCountryCodes.h"

#include "CountryCodesTestEnv.h"
#include "common/TestEnv.h"
#include "platform/DynLib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using twtest::ScopedEnv;

namespace {

class EntryPointTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_lib.Open(twtest::BinDir() + "/" QV_COUNTRYCODES_LIBRARY)) << m_lib.Error();
        init = m_lib.Function<QVCountryInitFn>("QVCountryInit");
        getHome = m_lib.Function<QVGetHomeCountryFn>("QVGetHomeCountry");
        convert = m_lib.Function<QVConvertToMsisdnFn>("QVConvertToMsisdn");
        countries = m_lib.Function<QVGetCountriesFn>("QVGetCountries");
        info = m_lib.Function<QVGetCountryInfoFn>("QVGetCountryInfo");
        onName = m_lib.Function<QVGetCountryOnNameFn>("QVGetCountryOnName");
        setHome = m_lib.Function<QVSetHomeCountryFn>("QVSetHomeCountry");
        ASSERT_TRUE(init && getHome && convert && countries && info && onName && setHome);
        ASSERT_EQ(init("Software\\Quorvane\\Tidewell Windows\\2.0"), QV_CC_OK);
    }

    QVCountryInitFn init = nullptr;
    QVGetHomeCountryFn getHome = nullptr;
    QVConvertToMsisdnFn convert = nullptr;
    QVGetCountriesFn countries = nullptr;
    QVGetCountryInfoFn info = nullptr;
    QVGetCountryOnNameFn onName = nullptr;
    QVSetHomeCountryFn setHome = nullptr;

private:
    platform::DynLib m_lib;
};

// A buffer of `size` bytes followed by guard bytes that must stay untouched.
class GuardedBuffer {
public:
    explicit GuardedBuffer(std::size_t size) : m_size(size), m_bytes(size + kGuard, '\x7F') {}
    char* data() { return m_bytes.data(); }
    int size() const { return static_cast<int>(m_size); }
    std::string text() const {
        return std::string(m_bytes.data(), ::strnlen(m_bytes.data(), m_size));
    }
    bool terminated() const { return ::strnlen(m_bytes.data(), m_size) < m_size; }
    bool guardIntact() const { return m_bytes.substr(m_size) == std::string(kGuard, '\x7F'); }

private:
    static constexpr std::size_t kGuard = 16;
    std::size_t m_size;
    std::string m_bytes;
};

// True when every multi-byte sequence in `text` is complete.
bool IsWholeUtf8(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

QVHomeCountry Home(const char* key) {
    QVHomeCountry home{};
    std::strncpy(home.text, key, sizeof home.text - 1);
    return home;
}

TEST_F(EntryPointTest, ConversionNeverWritesPastTheBufferNorHandsOutACutNumber) {
    const QVHomeCountry gb = Home("GB");
    // "+447400123456" is 13 characters: it needs 14 bytes.
    for (int size : {1, 5, 13}) {
        GuardedBuffer out(static_cast<std::size_t>(size));
        EXPECT_EQ(convert("07400 123456", &gb, out.data(), out.size()), QV_CC_FAILED) << size;
        EXPECT_EQ(out.text(), "") << size;
        EXPECT_TRUE(out.guardIntact()) << size;
    }
    GuardedBuffer exact(14);
    EXPECT_EQ(convert("07400 123456", &gb, exact.data(), exact.size()), QV_CC_OK);
    EXPECT_EQ(exact.text(), "+447400123456");
    EXPECT_TRUE(exact.guardIntact());

    GuardedBuffer refused(QV_MSISDN_SIZE);
    EXPECT_EQ(convert("Bob", &gb, refused.data(), refused.size()), QV_CC_FAILED);
    EXPECT_EQ(refused.text(), "");
    EXPECT_TRUE(refused.terminated());
}

TEST_F(EntryPointTest, ConversionUsesTheHomeRecordAndSurvivesNullArguments) {
    char out[QV_MSISDN_SIZE] = "stale";
    const QVHomeCountry de = Home("DE");
    EXPECT_EQ(convert("0151 23456789", &de, out, sizeof out), QV_CC_OK);
    EXPECT_STREQ(out, "+4915123456789");
    // Without a home record only international numbers convert.
    EXPECT_EQ(convert("0151 23456789", nullptr, out, sizeof out), QV_CC_FAILED);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(convert("+49 151 23456789", nullptr, out, sizeof out), QV_CC_OK);
    EXPECT_STREQ(out, "+4915123456789");
    EXPECT_EQ(convert(nullptr, &de, out, sizeof out), QV_CC_FAILED);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(convert("+49 151 23456789", &de, nullptr, 32), QV_CC_FAILED);
    EXPECT_EQ(convert("+49 151 23456789", &de, out, 0), QV_CC_FAILED);
    EXPECT_EQ(convert("+49 151 23456789", &de, out, -1), QV_CC_FAILED);
    // A home record without a terminator is read only within its size.
    QVHomeCountry garbage;
    std::memset(garbage.text, 'G', sizeof garbage.text);
    EXPECT_EQ(convert("+49 151 23456789", &garbage, out, sizeof out), QV_CC_OK);
    EXPECT_EQ(convert("0151 23456789", &garbage, out, sizeof out), QV_CC_FAILED);
}

TEST_F(EntryPointTest, CountryInfoFillsFiveBuffersAndCutsNamesOnCharacterBoundaries) {
    ScopedEnv russian{{"LC_ALL", "ru_RU.UTF-8"}, {"LANGUAGE", std::nullopt}};
    GuardedBuffer key(QV_COUNTRY_KEY_SIZE), name(QV_COUNTRY_NAME_SIZE), code(QV_COUNTRY_CODE_SIZE),
        intl(QV_COUNTRY_INTL_SIZE), national(QV_COUNTRY_NATIONAL_SIZE);
    GuardedBuffer* all[] = {&key, &name, &code, &intl, &national};

    ASSERT_EQ(info("sh", key.data(), name.data(), code.data(), intl.data(), national.data()),
              QV_CC_OK);
    EXPECT_EQ(key.text(), "SH");
    EXPECT_EQ(code.text(), "290");
    // The Russian name of Saint Helena (over 100 bytes) is cut to whole characters.
    const std::string cut = name.text();
    EXPECT_GE(cut.size(), 60u);
    EXPECT_LE(cut.size(), 63u);
    EXPECT_EQ(cut.rfind("\xD0\x9E\xD1\x81\xD1\x82\xD1\x80\xD0\xBE\xD0\xB2", 0), 0u); // "Остров"
    EXPECT_TRUE(IsWholeUtf8(cut)) << cut;
    for (GuardedBuffer* buffer : all) {
        EXPECT_TRUE(buffer->terminated());
        EXPECT_TRUE(buffer->guardIntact());
    }

    // The cut name still finds its country.
    QVCountryRecord record{};
    EXPECT_EQ(onName(cut.c_str(), &record), QV_CC_OK);
    EXPECT_STREQ(record.key, "SH");

    // An unknown key empties every buffer.
    EXPECT_EQ(info("ZZ", key.data(), name.data(), code.data(), intl.data(), national.data()),
              QV_CC_FAILED);
    for (GuardedBuffer* buffer : all) {
        EXPECT_EQ(buffer->text(), "");
    }
    EXPECT_EQ(info(nullptr, key.data(), name.data(), code.data(), intl.data(), national.data()),
              QV_CC_FAILED);
    EXPECT_EQ(info("GB", key.data(), nullptr, code.data(), intl.data(), national.data()),
              QV_CC_FAILED);
    EXPECT_EQ(key.text(), "");
}

TEST_F(EntryPointTest, CountryListAndItsCount) {
    int count = -1;
    const std::string keys = countries(&count);
    EXPECT_EQ(count, static_cast<int>(std::count(keys.begin(), keys.end(), ';')) + 1);
    EXPECT_NE((";" + keys + ";").find(";GB;"), std::string::npos);
    EXPECT_NE((";" + keys + ";").find(";US;"), std::string::npos);
    // The text fits the buffer the program has always copied it into.
    EXPECT_LT(keys.size(), 1024u);
    EXPECT_STREQ(countries(nullptr), keys.c_str());
}

TEST_F(EntryPointTest, CountryRecordsAreCheckedBeforeUse) {
    QVCountryRecord record;
    std::memset(&record, 'x', sizeof record);
    EXPECT_EQ(onName("Atlantis", &record), QV_CC_FAILED);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&record), sizeof record),
              std::string(sizeof record, '\0'));
    EXPECT_EQ(onName(nullptr, &record), QV_CC_FAILED);
    EXPECT_EQ(onName("Germany", nullptr), QV_CC_FAILED);
    static_assert(sizeof(QVCountryRecord) == QV_COUNTRY_RECORD_SIZE);
    static_assert(sizeof(QVHomeCountry) == QV_HOME_COUNTRY_SIZE);

    ASSERT_EQ(onName("germany", &record), QV_CC_OK);
    EXPECT_EQ(std::string(record.tag, 2), "QC");
    EXPECT_STREQ(record.key, "DE");
    // A record that was never filled by the library, or names no country, is refused.
    QVCountryRecord forged = record;
    forged.tag[0] = 'X';
    EXPECT_EQ(setHome(&forged), QV_CC_FAILED);
    forged = record;
    std::strcpy(forged.key, "ZZ");
    EXPECT_EQ(setHome(&forged), QV_CC_FAILED);
    forged = record;
    std::memset(forged.key, 'D', sizeof forged.key); // no terminator
    EXPECT_EQ(setHome(&forged), QV_CC_FAILED);
    EXPECT_EQ(setHome(nullptr), QV_CC_FAILED);

    EXPECT_EQ(setHome(&record), QV_CC_OK);
    QVHomeCountry home;
    std::memset(&home, 'x', sizeof home);
    EXPECT_EQ(getHome(&home), QV_CC_OK);
    EXPECT_STREQ(home.text, "DE");
    EXPECT_EQ(home.text[sizeof home.text - 1], '\0');
    EXPECT_EQ(getHome(nullptr), QV_CC_FAILED);
    EXPECT_EQ(init(nullptr), QV_CC_FAILED);
    EXPECT_EQ(init(""), QV_CC_FAILED);
}

} // namespace
