// Registration, account requests and the account data event against a scripted core.
#include "CoreTestFixture.h"

#include "core/CCoreAccount.h"

namespace coretest {
namespace {

class Account : public CoreFixture {};

TEST_F(Account, RegistrationResults) {
    Start();
    MarkLog();
    fake->registerResult = 0;
    EXPECT_FALSE(manager->CORE_RegisterEx());
    EXPECT_TRUE(Contains(NewLog(), "Call to QVRegisterEx failed: "));
    fake->registerResult = 2;
    EXPECT_FALSE(manager->CORE_RegisterEx());
    fake->registerResult = 3;
    EXPECT_FALSE(manager->CORE_RegisterEx());
    EXPECT_TRUE(Contains(NewLog(), "Unrecognized return value. QVRegisterEx returned 3"));
    EXPECT_TRUE(settings->Writes().empty());
    EXPECT_TRUE(settings->CreatedKeys().empty());
    // Only the start-up query for the account read at start (it checks the service knows it).
    EXPECT_EQ(fake->Queries(), std::vector<std::string>{"4711"});

    fake->registerResult = 1;
    fake->registerAccountId = "9001";
    EXPECT_TRUE(manager->CORE_RegisterEx());
    ASSERT_EQ(settings->CreatedKeys().size(), 1u);
    EXPECT_EQ(settings->CreatedKeys()[0], std::string(kAccountsKey) + "9001");
    EXPECT_EQ(settings->defaultAccount, "9001");
    EXPECT_EQ(fake->Queries(), (std::vector<std::string>{"4711", "9001"}));
    EXPECT_TRUE(Contains(NewLog(), "Registration success. Calling QVQueryAccountStatus"));

    // Until the account data arrives, requests carry the id read at start.
    EXPECT_TRUE(manager->CORE_RequestAccountUpdate());
    EXPECT_EQ(fake->Queries().back(), "4711");
}

TEST_F(Account, RegistrationWhoseKeyCannotBeCreatedKeepsTheAccount) {
    Start();
    settings->createKeyResult = false;
    fake->registerAccountId = "9001";
    MarkLog();
    EXPECT_FALSE(manager->CORE_RegisterEx());
    EXPECT_EQ(settings->defaultAccount, "4711");
    EXPECT_TRUE(Contains(NewLog(), "Error: Could not create account registry key \"" +
                                       std::string(kAccountsKey) + "9001\""));
    fake->queryResult = 0;
    settings->createKeyResult = true;
    EXPECT_FALSE(manager->CORE_RegisterEx());
    EXPECT_TRUE(Contains(NewLog(), "Call to QVQueryAccountStatus failed"));
}

TEST_F(Account, AccountDataIsWrittenInOrderWithTheBalanceAsANumber) {
    Start();
    ScriptedAccount a;
    a.accountId = "9001";
    a.accountType = "prepaid";
    a.msisdnOriginator = "+447700900555";
    a.msisdn = "+447700900555";
    a.groupId = "g";
    a.userName = "Ann";
    a.userEmail = "ann@example.org";
    a.messageLength = 160;
    a.prepaidBalance = "12.75";
    a.msgsTotal = "100";
    a.msgsPeriod = "10";
    a.period = "day";
    a.allowedToSend = 1;
    a.allowOriginator = 1;
    a.allowMsIsdnOriginator = 0;
    a.allowSignup = 0;
    a.replyOriginator = "+447700900000";
    a.textOriginator = "Tidewell";
    a.replyEmailSenderDomain = "sms.example.org";
    a.replyType = "sms";
    fake->accounts["Q1"] = a;
    MarkLog();
    Event(QVStatusAccountInfoID, "Q1");

    const std::vector<std::pair<std::string, std::string>> expected = {
        {"DefaultAccount", "9001"},
        {"AccountID", "9001"},
        {"MsisdnOriginator", "+447700900555"},
        {"GroupID", "g"},
        {"UserName", "Ann"},
        {"UserEmail", "ann@example.org"},
        {"MsgsTotal", "100"},
        {"MsgsPeriod", "10"},
        {"Period", "day"},
        {"ReplyOriginator", "+447700900000"},
        {"TextOriginator", "Tidewell"},
        {"ReplyEmailSenderDomain", "sms.example.org"},
        {"ReplyType", "sms"},
        {"ErrorLabel", ""},
        {"ErrorMessage", ""},
        {"MessageLength", "160"},
        {"PrepaidBalance", "12"},
        {"AllowOriginator", "1"},
        {"AllowMsIsdnOriginator", "0"},
        {"AllowedToSend", "1"},
        {"AllowSignup", "0"},
        // Last: a set account type tells readers the balance and the rest are in place.
        {"AccountType", "prepaid"},
    };
    auto writes = settings->Writes();
    ASSERT_EQ(writes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(writes[i].name, expected[i].first) << i;
        EXPECT_EQ(writes[i].value, expected[i].second) << i;
        EXPECT_EQ(writes[i].account, "9001") << i; // every value goes to the new account
    }
    EXPECT_TRUE(writes[16].dword && writes[17].dword && !writes[20].dword);
    EXPECT_EQ(manager->Identity().accountId, "9001");
    EXPECT_EQ(manager->Identity().msisdnOriginator, "+447700900555");
    std::string log = NewLog();
    EXPECT_TRUE(Contains(log, "Wrote the following account data to registry:\nAccountID: [9001]"));
    EXPECT_TRUE(Contains(log, "PrepaidBalance: [12.75]"));

    EXPECT_TRUE(manager->CORE_RequestAccountUpdate());
    EXPECT_EQ(fake->Queries().back(), "9001");
}

TEST_F(Account, AccountDataWithTheErrorFlagChangesNothing) {
    Start();
    ScriptedAccount a;
    a.accountId = "9001";
    a.errorFlag = 1;
    fake->accounts["Q1"] = a;
    MarkLog();
    Event(QVStatusAccountInfoID, "Q1");
    EXPECT_TRUE(settings->Writes().empty());
    ASSERT_EQ(fake->Updates().size(), 1u);
    EXPECT_TRUE(fake->Updates()[0].nullTexts);
    Event(QVStatusAccountInfoID, "MISSING");
    std::string log = NewLog();
    EXPECT_TRUE(Contains(log, "A communication error has occurred between the DLL and the VTP"));
    EXPECT_TRUE(Contains(log, "QVGetAccountStatus() call returned error"));
    EXPECT_EQ(manager->Identity().accountId, "4711");
}

TEST_F(Account, AccountDataWithoutAnAccountIdIsIgnored) {
    Start();
    fake->accounts["Q1"] = ScriptedAccount{};
    Event(QVStatusAccountInfoID, "Q1");
    EXPECT_TRUE(settings->Writes().empty());
    EXPECT_EQ(manager->Identity().accountId, "4711");
}

TEST(AccountBalance, LeadingDigitsOnly) {
    EXPECT_EQ(CCoreAccount::BalanceToNumber("12.75"), 12u);
    EXPECT_EQ(CCoreAccount::BalanceToNumber("50"), 50u);
    EXPECT_EQ(CCoreAccount::BalanceToNumber("abc"), 0u);
    EXPECT_EQ(CCoreAccount::BalanceToNumber(""), 0u);
    EXPECT_EQ(CCoreAccount::BalanceToNumber("-5"), 0u);
    EXPECT_EQ(CCoreAccount::BalanceToNumber("99999999999"), 0xFFFFFFFFu);
}

TEST_F(Account, ChangeOfDetails) {
    Start();
    MarkLog();
    EXPECT_TRUE(manager->CORE_ChangeAccountDetails("new@example.org"));
    EXPECT_EQ(fake->lastChangeEmail, "new@example.org");
    EXPECT_EQ(fake->Queries().back(), "4711");

    fake->changeErrorFlag = 1;
    fake->changeErrorLabel = "Server not avail";
    EXPECT_FALSE(manager->CORE_ChangeAccountDetails("x@example.org"));
    fake->changeErrorLabel = "Something else";
    EXPECT_FALSE(manager->CORE_ChangeAccountDetails("x@example.org"));
    fake->changeResult = 0;
    EXPECT_FALSE(manager->CORE_ChangeAccountDetails("x@example.org"));
    std::string log = NewLog();
    EXPECT_TRUE(Contains(log, "[CFTQVClientCoreW::FTQVChangeAccountDetails] A communication "
                              "error has occurred between the core and VTP. Server not avail"));
    EXPECT_TRUE(Contains(log, "between the core and VTP. No error description avalible"));
    EXPECT_TRUE(Contains(log, "Call to QVChangeAccountDetails failed"));
    EXPECT_EQ(fake->Queries().size(), 2u); // the start-up query and one after the change
}

} // namespace
} // namespace coretest
