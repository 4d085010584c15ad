// The automation object's algorithm: the record it parks and the key it announces.
#include "automation/AutomationIds.h"
#include "automation/CQVApplication.h"
#include "common/FakeCountryCodes.h"

#include <gtest/gtest.h>

namespace {

// Runs ShowDlgSMS against a fake application: numbers convert through the fake library, the
// reference map is a list, and announcements are recorded.
struct Harness {
    twtest::FakeCountryCodes codes;
    std::vector<CSMSRecord> parked;
    std::vector<std::uint32_t> announced;
    bool mapFails = false;

    std::int32_t Call(const std::string& names, const std::string& numbers,
                      const std::string& message) {
        CQVApplication::Host host;
        host.convertNumber = [this](const std::string& n) { return codes.ConvertToMsisdn(n); };
        host.msgRefAdd = [this](const CMessageRecord& record) -> std::uint32_t {
            if (mapFails) {
                return 0;
            }
            parked.push_back(static_cast<const CSMSRecord&>(record));
            return static_cast<std::uint32_t>(parked.size());
        };
        host.announce = [this](std::uint32_t key) { announced.push_back(key); };
        CQVApplication object(std::move(host));
        return object.ShowDlgSMS(names, numbers, message);
    }
    std::vector<std::string> Recipients(std::size_t i = 0) const {
        std::vector<std::string> list;
        for (const MessageRecipient& r : parked.at(i).Recipients) {
            list.push_back(r.Number);
        }
        return list;
    }
};

using Texts = std::vector<std::string>;

} // namespace

TEST(QVApplication, TwoNamesAndThreeNumbersWithAnEmptyPart) {
    Harness h;
    h.codes.numbers = {{"07700 900123", "+447700900123"}, {"07700 900456", "+447700900456"}};
    EXPECT_EQ(h.Call("Ann;Bob", "07700 900123;;07700 900456; +447700900789 ", "Hello"), 0);
    ASSERT_EQ(h.parked.size(), 1u);
    // The third number did not convert (not in the fake's table): kept as given, trimmed.
    EXPECT_EQ(h.Recipients(),
              (Texts{"Ann (+447700900123)", "Bob (+447700900456)", "+447700900789"}));
    EXPECT_EQ(h.parked[0].MessageText, "Hello");
    EXPECT_EQ(h.announced, (std::vector<std::uint32_t>{1}));
}

TEST(QVApplication, DigitsLeaveTheNamesAndADigitOnlyNameLeavesTheNumberBare) {
    Harness h;
    EXPECT_EQ(h.Call("R2D2 Droid;4711; Cara 3 ", "+491511;+491512;+491513", ""), 0);
    EXPECT_EQ(h.Recipients(), (Texts{"RD Droid (+491511)", "+491512", "Cara (+491513)"}));
}

TEST(QVApplication, EmptyNumbersGiveARecordWithoutRecipientsThatStillOpens) {
    Harness h;
    EXPECT_EQ(h.Call("Ann;Bob", "", "Only the text"), 0);
    ASSERT_EQ(h.parked.size(), 1u);
    EXPECT_TRUE(h.parked[0].Recipients.empty());
    EXPECT_EQ(h.parked[0].MessageText, "Only the text");
    EXPECT_EQ(h.announced.size(), 1u) << "the dialog still opens with the text";
    EXPECT_EQ(h.Call("", " ; ;", "x"), 0);
    EXPECT_TRUE(h.parked[1].Recipients.empty());
}

TEST(QVApplication, NamesArePaddedOrCutToTheNumbers) {
    EXPECT_EQ(CQVApplication::SplitNames("A;B;C", 2), (Texts{"A", "B"}));
    EXPECT_EQ(CQVApplication::SplitNames("A", 3), (Texts{"A", "", ""}));
    EXPECT_EQ(CQVApplication::SplitNames(";B", 2), (Texts{"", "B"})) << "empty names keep places";
    EXPECT_EQ(CQVApplication::SplitNames("A;B", 0), Texts{});
    EXPECT_EQ(CQVApplication::RecipientText({"A", ""}, {"+1", "+2"}), "A (+1);+2;");
}

TEST(QVApplication, ACommaInANameDoesNotSplitItsRecipient) {
    Harness h;
    EXPECT_EQ(h.Call("Smith, John;Doe,Jane", "+441;+442", ""), 0);
    EXPECT_EQ(h.Recipients(), (Texts{"Smith John (+441)", "Doe Jane (+442)"}));
}

TEST(QVApplication, WithoutAKeyNothingIsAnnouncedAndTheCallStillSucceeds) {
    Harness h;
    h.mapFails = true;
    EXPECT_EQ(h.Call("Ann", "+441", "x"), 0);
    EXPECT_TRUE(h.announced.empty());
}

TEST(QVApplication, WithoutACountryCodeLibraryNumbersStayAsGiven) {
    CSMSRecord record = CQVApplication::BuildRecord("Ann", " 07700 900123 ", "t", nullptr);
    ASSERT_EQ(record.Recipients.size(), 1u);
    EXPECT_EQ(record.Recipients[0].Number, "Ann (07700 900123)");
}

TEST(QVApplication, MegabyteTextsAreHandled) {
    Harness h;
    h.codes.convert = [](const std::string& n) { return "+44" + n; };
    const std::string message(4 << 20, 'x');
    // Four megabytes of names for two numbers: the names beyond them are never split.
    std::string names;
    while (names.size() < (4u << 20)) {
        names += "Name 42;";
    }
    EXPECT_EQ(h.Call(names, "1;2", message), 0);
    EXPECT_EQ(h.Recipients(), (Texts{"Name (+441)", "Name (+442)"}));
    // The text is cut where the compose dialog would cut it at the latest.
    EXPECT_EQ(h.parked[0].MessageText, message.substr(0, 32767));
    EXPECT_EQ(h.codes.conversions, 2);

    // A megabyte of numbers is more than any message can go to: refused before a single
    // conversion, nothing parked, nothing announced.
    std::string numbers;
    for (int i = 0; numbers.size() < (1u << 20); ++i) {
        numbers += std::to_string(i) + ";";
    }
    const int before = h.codes.conversions;
    EXPECT_EQ(h.Call("", numbers, ""), automation::kInvalidArgument);
    EXPECT_EQ(h.codes.conversions, before);
    EXPECT_EQ(h.parked.size(), 1u);
    EXPECT_EQ(h.announced.size(), 1u);
}

TEST(QVApplication, TextsAreCutBetweenCharacters) {
    EXPECT_EQ(CQVApplication::CutCharacters("h\xC3\xA9llo \xF0\x9F\x98\x80!", 7),
              "h\xC3\xA9llo \xF0\x9F\x98\x80");
    EXPECT_EQ(CQVApplication::CutCharacters("h\xC3\xA9llo", 2), "h\xC3\xA9");
    EXPECT_EQ(CQVApplication::CutCharacters("abc", 3), "abc");
    EXPECT_EQ(CQVApplication::CutCharacters("abc", 0), "");
    CSMSRecord record = CQVApplication::BuildRecord("", "", std::string(40000, 'a'), nullptr);
    EXPECT_EQ(record.MessageText.size(), 32767u);
}

TEST(QVApplication, AsManyRecipientsAsOneMessageTakesAndNotOneMore) {
    Harness h;
    h.codes.convert = [](const std::string& n) { return "+44" + n; };
    std::string numbers = " ; ;"; // empty parts do not count
    for (unsigned i = 0; i < automation::kMaxRecipients; ++i) {
        numbers += std::to_string(i) + ";";
    }
    EXPECT_EQ(h.Call("", numbers, ""), automation::kSuccess);
    ASSERT_EQ(h.parked.size(), 1u);
    EXPECT_EQ(h.parked[0].Recipients.size(), automation::kMaxRecipients);
    EXPECT_EQ(h.Call("", numbers + "x", ""), automation::kInvalidArgument);
    EXPECT_EQ(h.parked.size(), 1u);
    EXPECT_EQ(CQVApplication::CountNumbers("1; ;2;;3", 10), 3u);
    EXPECT_EQ(CQVApplication::CountNumbers("1;2;3;4;5", 2), 3u) << "stops past the limit";
}
