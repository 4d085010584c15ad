// Conversion of typed numbers with the rules of five home countries: every usual way of
// writing a mobile number converts, anything else is refused.
#include "countrycodes/CNumberConverter.h"

#include <gtest/gtest.h>

using countrycodes::CNumberConverter;

namespace {

struct Case {
    const char* home;
    const char* typed;
    const char* expected; // "" = refused
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.home << " \"" << c.typed << "\"";
}

class NumberConverterTable : public ::testing::TestWithParam<Case> {};

TEST_P(NumberConverterTable, ConvertsOrRefuses) {
    const Case& c = GetParam();
    EXPECT_EQ(CNumberConverter::Convert(c.typed, c.home), c.expected);
}

const Case kGreatBritain[] = {
    {"GB", "07400 123456", "+447400123456"},
    {"GB", "07400123456", "+447400123456"},
    {"GB", "+44 7400 123456", "+447400123456"},
    {"GB", "+447400123456", "+447400123456"},
    {"GB", "0044 7400 123456", "+447400123456"},
    {"GB", "447400123456", "+447400123456"},     // the home calling code without "+"
    {"GB", "+44 07400 123456", "+447400123456"}, // trunk prefix kept after the code
    {"GB", "(+44) 7400 123456", "+447400123456"},
    {"GB", "+44 (0)7400 123456", "+447400123456"},
    {"GB", "(07400) 123-456", "+447400123456"},
    {"GB", "07400.123.456", "+447400123456"},
    {"GB", "07400/123456", "+447400123456"},
    {"GB", "\t07400 123456 ", "+447400123456"},
    {"GB",
     "07400\xC2\xA0"
     "123\xE2\x80\x93"
     "456",
     "+447400123456"}, // no-break space, en dash
    {"GB", "+49 151 23456789", "+4915123456789"},
    {"GB", "00 33 6 12 34 56 78", "+33612345678"},
    {"GB", "020 7946 0018", ""},        // fixed line
    {"GB", "0800 123 4567", ""},        // toll-free
    {"GB", "07700 900123", ""},         // reserved range, no real mobile
    {"GB", "07400 12345", ""},          // too short
    {"GB", "07400 1234567", ""},        // too long
    {"GB", "1-800-FLOWERS", ""},        // letters
    {"GB", "07400 123456 ext. 12", ""}, // extension
    {"GB", "07400*123456", ""},
    {"GB", "07400#123456", ""},
    {"GB", "++44 7400 123456", ""},
    {"GB", "07400 123456+", ""},
    {"GB", "", ""},
    {"GB", "   ", ""},
    {"GB", "+", ""},
    {"GB", "- / ()", ""},
};

const Case kGermany[] = {
    {"DE", "0151 23456789", "+4915123456789"},
    {"DE", "0151/23456789", "+4915123456789"},
    {"DE", "+49 151 23456789", "+4915123456789"},
    {"DE", "0049 (0)151-23456789", "+4915123456789"},
    {"DE", "0171 1234567", "+491711234567"},
    {"DE", "+44 7400 123456", "+447400123456"},
    {"DE", "030 1234567", ""}, // fixed line
    {"DE", "01511234", ""},
    {"DE", "0151 2345678x", ""},
};

const Case kUnitedStates[] = {
    {"US", "(201) 555-0123", "+12015550123"},
    {"US", "201.555.0123", "+12015550123"},
    {"US", "1 201 555 0123", "+12015550123"},
    {"US", "+1 (650) 253-0000", "+16502530000"},
    {"US", "011 44 7400 123456", "+447400123456"},
    {"US", "00 44 7400 123456", ""}, // not the US international prefix
    {"US", "555-0123", ""},          // no area code
    {"US", "800 555 0100", ""},      // toll-free
    {"US", "1-800-555-0199", ""},    // toll-free
    {"US", "(201) 555-01234", ""},
};

const Case kFrance[] = {
    {"FR", "06 12 34 56 78", "+33612345678"},
    {"FR", "06.12.34.56.78", "+33612345678"},
    {"FR", "+33 6 12 34 56 78", "+33612345678"},
    {"FR", "+33 (0)6 12 34 56 78", "+33612345678"},
    {"FR", "00 33 6 12 34 56 78", "+33612345678"},
    {"FR", "01 23 45 67 89", ""}, // fixed line
    {"FR", "06 12 34 56", ""},
};

const Case kIndia[] = {
    {"IN", "98765 43210", "+919876543210"},
    {"IN", "9876543210", "+919876543210"},
    {"IN", "098765 43210", "+919876543210"},
    {"IN", "+91 98765 43210", "+919876543210"},
    {"IN", "00 91 98765-43210", "+919876543210"},
    {"IN", "011 2345 6789", ""}, // fixed line, Delhi
    {"IN", "98765 4321", ""},
};

// Without a usable home country only numbers written internationally convert; the home
// key may come in any letter case.
const Case kNoHome[] = {
    {"", "+44 7400 123456", "+447400123456"},     {"", "07400 123456", ""},
    {"QQ", "+49 151 23456789", "+4915123456789"}, {"QQ", "0151 23456789", ""},
    {"gb", "07400 123456", "+447400123456"},
};

INSTANTIATE_TEST_SUITE_P(GreatBritain, NumberConverterTable, ::testing::ValuesIn(kGreatBritain));
INSTANTIATE_TEST_SUITE_P(Germany, NumberConverterTable, ::testing::ValuesIn(kGermany));
INSTANTIATE_TEST_SUITE_P(UnitedStates, NumberConverterTable, ::testing::ValuesIn(kUnitedStates));
INSTANTIATE_TEST_SUITE_P(France, NumberConverterTable, ::testing::ValuesIn(kFrance));
INSTANTIATE_TEST_SUITE_P(India, NumberConverterTable, ::testing::ValuesIn(kIndia));
INSTANTIATE_TEST_SUITE_P(NoHome, NumberConverterTable, ::testing::ValuesIn(kNoHome));

TEST(NumberConverterTest, RefusesOverlongInputBeforeParsing) {
    std::string padded = "07400 123456" + std::string(CNumberConverter::kMaxInputLength, ' ');
    EXPECT_EQ(CNumberConverter::Convert(padded, "GB"), "");
    EXPECT_EQ(CNumberConverter::Convert(std::string(5000, '7'), "GB"), "");
}

} // namespace
