// What the hook library recognises in the mail client's column texts: SMS addresses of the
// account's reply domain, and dates in the forms a message list shows.
#include "hook/MailColumnText.h"

#include <clocale>
#include <gtest/gtest.h>

namespace {

using oetext::IsDateTimeText;
using oetext::IsSmsAddress;

TEST(MailColumnText, AnSmsAddressIsAPlusAndDigitsAtExactlyTheReplyDomain) {
    const std::string domain = "sms.example.net";
    std::string number;
    EXPECT_TRUE(IsSmsAddress("+4791234567@sms.example.net", domain, &number));
    EXPECT_EQ(number, "+4791234567");
    EXPECT_TRUE(IsSmsAddress("4791234567@sms.example.net", domain, &number));
    EXPECT_EQ(number, "4791234567");

    number = "unchanged";
    for (const char* text : {
             "+4791234567@other.example.net", // another domain
             "+4791234567@sms.example.net.",  // not exactly the domain
             "+4791234567@SMS.example.net",   // compared exactly
             "+47912a4567@sms.example.net",   // a letter
             "+47 91234567@sms.example.net",  // a blank
             "++4791234567@sms.example.net",  // a second plus
             "4791+234567@sms.example.net",   // a plus inside
             "+@sms.example.net",             // no digits
             "@sms.example.net",              //
             "4791234567",                    // no "@"
             "Alice <4791234567@sms.example.net>",
             "",
         }) {
        EXPECT_FALSE(IsSmsAddress(text, domain, &number)) << text;
    }
    EXPECT_EQ(number, "unchanged");
    // Without a configured domain nothing is an SMS.
    EXPECT_FALSE(IsSmsAddress("4791234567@", "", &number));
}

TEST(MailColumnText, DatesAreWholeTextsOfTheListsForms) {
    for (const char* text :
         {"08/12/2026 14:05", "8/12/2026 14:05", "08/12/2026 14:05:59", "29/02/2028 00:00",
          "08.12.2026 14:05", "2026-12-08 14:05", "2026-12-08 14:05:00", "08/12/2026", "2026-12-08",
          "Tue, 08 Dec 2026 14:05:00", "8 Dec 2026 14:05"}) {
        EXPECT_TRUE(IsDateTimeText(text)) << text;
    }
    for (const char* text :
         {"", "Running late", "08/12/2026 14:05 and more", " 08/12/2026 14:05", "08/12/2026 14:05 ",
          "31/02/2026 10:00", "29/02/2027 10:00", "08/13/2026 10:00", "08/12/2026 25:00", "14:05",
          "2026", "+4791234567@sms.example.net"}) {
        EXPECT_FALSE(IsDateTimeText(text)) << text;
    }
}

TEST(MailColumnText, TheUsersLocaleDoesNotChangeWhatIsADate) {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    // Whatever locale the mail client runs in (here: whichever the machine has), English month
    // names are read as such.
    std::setlocale(LC_ALL, "");
    EXPECT_TRUE(IsDateTimeText("Tue, 08 Dec 2026 14:05:00"));
    std::setlocale(LC_ALL, saved.c_str());
}

} // namespace
