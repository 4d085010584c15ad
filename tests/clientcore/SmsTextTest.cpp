// Message counting: GSM 7-bit and UCS-2 texts in the three truncate modes.
#include "clientcore/CSmsText.h"

#include <gtest/gtest.h>
#include <string>

namespace {

std::size_t Parts(const std::string& text, CSmsText::Mode mode) {
    auto measured = CSmsText::Measure(text);
    EXPECT_TRUE(measured.has_value());
    return measured ? measured->Parts(mode) : 0;
}

std::string Repeat(const std::string& unit, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) {
        text += unit;
    }
    return text;
}

TEST(SmsText, GsmTextsAtTheLimits) {
    using M = CSmsText::Mode;
    EXPECT_EQ(Parts("", M::Reject), 1u);
    EXPECT_EQ(Parts(Repeat("a", 160), M::Reject), 1u);
    EXPECT_EQ(Parts(Repeat("a", 161), M::Reject), 0u);
    EXPECT_EQ(Parts(Repeat("a", 161), M::Split), 2u);
    EXPECT_EQ(Parts(Repeat("a", 320), M::Split), 2u);
    EXPECT_EQ(Parts(Repeat("a", 321), M::Split), 3u);
    EXPECT_EQ(Parts(Repeat("a", 161), M::Concat), 2u);
    EXPECT_EQ(Parts(Repeat("a", 306), M::Concat), 2u);
    EXPECT_EQ(Parts(Repeat("a", 307), M::Concat), 3u);
}

TEST(SmsText, GsmAccentsStayGsmAndExtensionCharactersCountTwice) {
    auto accents = CSmsText::Measure("\xC3\xA9t\xC3\xA9 \xC3\xA0 \xC3\x9C"
                                     "ber \xC2\xA3");
    ASSERT_TRUE(accents);
    EXPECT_FALSE(accents->IsUcs2());

    auto euro = CSmsText::Measure(Repeat("\xE2\x82\xAC", 80)); // 80 euro signs
    ASSERT_TRUE(euro);
    EXPECT_FALSE(euro->IsUcs2());
    EXPECT_EQ(euro->Length(), 160u);
    EXPECT_EQ(euro->Parts(CSmsText::Mode::Reject), 1u);
    // An escaped character is never cut between two parts: 76 fit in 153 septets.
    EXPECT_EQ(Parts(Repeat("{", 153), CSmsText::Mode::Concat), 3u);
    EXPECT_EQ(Parts("a" + Repeat("[", 80), CSmsText::Mode::Reject), 0u);
}

TEST(SmsText, TextsOutsideTheGsmAlphabetUseUcs2) {
    using M = CSmsText::Mode;
    std::string cyrillic = "\xD0\x96"; // one character outside the GSM alphabet
    auto one = CSmsText::Measure(cyrillic);
    ASSERT_TRUE(one);
    EXPECT_TRUE(one->IsUcs2());
    EXPECT_EQ(one->SingleLimit(), 70u);
    EXPECT_EQ(Parts(Repeat("a", 69) + cyrillic, M::Reject), 1u);
    EXPECT_EQ(Parts(Repeat("a", 70) + cyrillic, M::Reject), 0u);
    EXPECT_EQ(Parts(Repeat("a", 70) + cyrillic, M::Split), 2u);
    EXPECT_EQ(Parts(Repeat("a", 133) + cyrillic, M::Concat), 2u); // 134 = 2 x 67
    EXPECT_EQ(Parts(Repeat("a", 134) + cyrillic, M::Concat), 3u);
    EXPECT_TRUE(CSmsText::Measure("`")->IsUcs2()); // the grave accent is not GSM
    // A character beyond the basic plane takes two UTF-16 units.
    auto emoji = CSmsText::Measure(Repeat("\xF0\x9F\x98\x80", 35));
    ASSERT_TRUE(emoji);
    EXPECT_EQ(emoji->Length(), 70u);
    EXPECT_EQ(Parts(Repeat("\xF0\x9F\x98\x80", 36), M::Reject), 0u);
}

TEST(SmsText, InvalidUtf8IsRefused) {
    EXPECT_FALSE(CSmsText::Measure("abc\xFF"));
    EXPECT_FALSE(CSmsText::Measure("\xC3"));             // cut short
    EXPECT_FALSE(CSmsText::Measure("\xC0\xAF"));         // overlong
    EXPECT_FALSE(CSmsText::Measure("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(CSmsText::Measure("\xF4\x90\x80\x80")); // above U+10FFFF
}

TEST(SmsText, ModeNamesAreExact) {
    EXPECT_EQ(CSmsText::ParseMode("reject"), CSmsText::Mode::Reject);
    EXPECT_EQ(CSmsText::ParseMode("split"), CSmsText::Mode::Split);
    EXPECT_EQ(CSmsText::ParseMode("concat"), CSmsText::Mode::Concat);
    EXPECT_FALSE(CSmsText::ParseMode("Split"));
    EXPECT_FALSE(CSmsText::ParseMode(""));
}

} // namespace
