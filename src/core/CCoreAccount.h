// The service account: registration of a new account, requests for fresh account data, the
// change of the user's e-mail address, and the handler of the account data event (event 2),
// which writes every field into the settings.
#pragma once

#include <cstdint>
#include <string>

class CCoreContext;

class CCoreAccount {
public:
    explicit CCoreAccount(CCoreContext& context) : m_context(context) {}

    bool CORE_RegisterEx();
    bool CORE_RequestAccountUpdate();
    bool CORE_ChangeAccountDetails(const std::string& userEmail);
    int OnQVStatusAccountInfoID(const std::string& guid);

    // The prepaid balance text as a number: its leading decimal digits (0 when it does not
    // start with a digit; values above the 32-bit range stay at the largest value).
    static std::uint32_t BalanceToNumber(const std::string& text);

private:
    // QVQueryAccountStatus for `accountId`; true when the core accepted the query.
    bool QueryAccountStatus(const std::string& accountId);

    CCoreContext& m_context;
};
