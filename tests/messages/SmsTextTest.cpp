// Message counting: GSM 7-bit and UCS-2 texts in the three truncate modes.
#include "messages/CSmsText.h"

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

std::size_t DialogParts(const std::string& text, bool concat, std::size_t messageLength = 160) {
    CSmsText::Limits limits;
    limits.messageLength = messageLength;
    limits.concat = concat;
    return CSmsText::MeasureLenient(text).Parts(limits);
}

TEST(SmsText, DialogPartsAtTheBoundaries) {
    // One message each, or one joined message of 153-character parts.
    EXPECT_EQ(DialogParts("", false), 1u);
    EXPECT_EQ(DialogParts(Repeat("a", 160), false), 1u);
    EXPECT_EQ(DialogParts(Repeat("a", 161), false), 2u);
    EXPECT_EQ(DialogParts(Repeat("a", 321), false), 3u);
    EXPECT_EQ(DialogParts(Repeat("a", 160), true), 1u);
    EXPECT_EQ(DialogParts(Repeat("a", 161), true), 2u);
    EXPECT_EQ(DialogParts(Repeat("a", 306), true), 2u);
    EXPECT_EQ(DialogParts(Repeat("a", 307), true), 3u);
    // An account with shorter messages.
    EXPECT_EQ(DialogParts(Repeat("a", 101), false, 100), 2u);
    // Extension characters take two units: 80 euro signs fill one message, 81 do not.
    EXPECT_EQ(CSmsText::MeasureLenient(Repeat("\xE2\x82\xAC", 80)).Length(), 160u);
    EXPECT_EQ(DialogParts(Repeat("\xE2\x82\xAC", 81), false), 2u);
    EXPECT_EQ(DialogParts("x" + Repeat("|", 80), true), 2u);
    // UCS-2: 70 and 67, whatever the account's GSM length.
    const std::string omega = "\xCF\x89"; // not in the GSM alphabet
    EXPECT_EQ(DialogParts(Repeat(omega, 70), false), 1u);
    EXPECT_EQ(DialogParts(Repeat(omega, 71), false), 2u);
    EXPECT_EQ(DialogParts(Repeat(omega, 134), true), 2u);
    EXPECT_EQ(DialogParts(Repeat(omega, 135), true), 3u);
    // One emoji turns a GSM text into UCS-2 and takes two units itself.
    EXPECT_EQ(DialogParts(Repeat("a", 68) + "\xF0\x9F\x98\x80", false), 1u);
    EXPECT_EQ(DialogParts(Repeat("a", 69) + "\xF0\x9F\x98\x80", false), 2u);
}

TEST(SmsText, DialogAndServiceAgree) {
    // What the dialog shows for a joined message is what the service charges in concat mode.
    for (const std::string& unit : {std::string("a"), std::string("{"), std::string("\xCF\x89"),
                                    std::string("\xF0\x9F\x98\x80")}) {
        for (std::size_t n : {1u, 67u, 70u, 80u, 153u, 160u, 161u, 400u}) {
            const std::string text = Repeat(unit, n);
            CSmsText::Limits limits;
            limits.concat = true;
            EXPECT_EQ(CSmsText::MeasureLenient(text).Parts(limits),
                      CSmsText::Measure(text)->Parts(CSmsText::Mode::Concat))
                << n << " x " << unit;
        }
    }
}

TEST(SmsText, PrefixNeverCutsACharacter) {
    auto text = CSmsText::MeasureLenient("ab\xE2\x82\xAC"
                                         "c");
    EXPECT_EQ(text.Length(), 5u);
    EXPECT_EQ(text.PrefixBytes(3), 2u); // the euro sign needs two units
    EXPECT_EQ(text.PrefixBytes(4), 5u);
    EXPECT_EQ(text.PrefixBytes(100), 6u);
    auto emoji = CSmsText::MeasureLenient("a\xF0\x9F\x98\x80");
    EXPECT_EQ(emoji.PrefixBytes(2), 1u);
    EXPECT_EQ(emoji.PrefixBytes(3), 5u);
    // Damaged bytes are counted, not refused.
    auto damaged = CSmsText::MeasureLenient("a\xFF\xC3");
    EXPECT_TRUE(damaged.IsUcs2());
    EXPECT_EQ(damaged.Length(), 3u);
    EXPECT_EQ(damaged.PrefixBytes(2), 2u);
}

TEST(SmsText, FitCutsTheCharacterThatWouldNotFit) {
    // 100 GSM characters and an emoji: the emoji would make the text UCS-2 (70 at most), so
    // the GSM beginning stays whole and the emoji goes.
    auto mixed = CSmsText::MeasureLenient(Repeat("a", 100) + "\xF0\x9F\x98\x80");
    EXPECT_EQ(mixed.FitBytes(160, 70), 100u);
    // A UCS-2 text from its first character: 70 units.
    auto omega = CSmsText::MeasureLenient(Repeat("\xCF\x89", 100));
    EXPECT_EQ(omega.FitBytes(160, 70), 140u);
    // A GSM text: the GSM limit, extension characters counting two.
    auto braces = CSmsText::MeasureLenient(Repeat("{", 100));
    EXPECT_EQ(braces.FitBytes(160, 70), 80u);
    // Everything fits.
    EXPECT_EQ(CSmsText::MeasureLenient("abc").FitBytes(160, 70), 3u);
}

TEST(SmsText, QuickScanAgreesWithTheFullMeasure) {
    for (const std::string& text :
         {std::string(""), Repeat("a", 161), Repeat("{", 81), Repeat("\xCF\x89", 71),
          "a\n\r`b" + Repeat("\xE2\x82\xAC", 3), Repeat("\xF0\x9F\x98\x80", 40),
          std::string("ab\xFF\xC3") + "c", Repeat("a", 153) + "[" + Repeat("b", 200)}) {
        const CSmsText full = CSmsText::MeasureLenient(text);
        const CSmsText::Scan scan = CSmsText::ScanLenient(text);
        EXPECT_EQ(scan.ucs2, full.IsUcs2()) << text;
        EXPECT_EQ(scan.length, full.Length()) << text;
        for (bool concat : {false, true}) {
            CSmsText::Limits limits;
            limits.concat = concat;
            if (scan.uniform) {
                EXPECT_EQ(CSmsText::UniformParts(scan.length, scan.ucs2, limits),
                          full.Parts(limits))
                    << text;
            }
        }
    }
}

} // namespace
