// The sample mail folder of the mail-client edition (tests/oe/Inbox.mbox, also what
// scripts/run --mail-client shows): each SMS reply mail in it comes from a number the program
// can answer. The library hands the sender's number from the mail's address to the reply
// dialog, whose recipients field draws an entry as invalid unless the number converter turns
// it into an international number; a sample sender in a range the converter refuses (the
// reserved drama numbers 07700 900xxx, say) would greet every new user with a red recipient.
#include "countrycodes/CNumberConverter.h"
#include "hook/MailColumnText.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr const char* kReplyDomain = "sms.tidewell.invalid";

// The address of every "From:" header of the folder.
std::vector<std::string> Senders(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> senders;
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("From: ", 0) != 0) {
            continue;
        }
        std::string address = line.substr(6);
        const std::size_t open = address.find('<');
        if (open != std::string::npos) {
            address = address.substr(open + 1, address.find('>', open) - open - 1);
        }
        senders.push_back(address);
    }
    return senders;
}

TEST(SampleFolder, EverySmsReplyComesFromANumberTheReplyDialogAccepts) {
    int sms = 0;
    for (const std::string& sender : Senders(std::string(TW_OE_TEST_DATA) + "/Inbox.mbox")) {
        std::string number;
        if (!oetext::IsSmsAddress(sender, kReplyDomain, &number)) {
            continue;
        }
        ++sms;
        // With and without a home country: the number is written in international form.
        EXPECT_EQ(countrycodes::CNumberConverter::Convert(number, ""), number) << sender;
        EXPECT_EQ(countrycodes::CNumberConverter::Convert(number, "GB"), number) << sender;
    }
    EXPECT_GE(sms, 1) << "the sample folder holds no SMS reply mail";
}

} // namespace
