// The settings the core manager reads and writes: the identity it copies at start, the split
// mode of long messages, and the account data the service hands out. The program uses
// CCoreRegSettings over the configuration store; tests record the calls.
#pragma once

#include <cstdint>
#include <string>

class ICoreSettings {
public:
    virtual ~ICoreSettings() = default;

    // The current account id (empty when there is none).
    virtual std::string GetDefaultAccount() = 0;
    virtual std::string GetMsisdnOriginator() = 0;
    virtual std::string GetLanguage() = 0;
    virtual std::uint32_t GetSplitUpType() = 0;

    // Creates the key `path` (below the user scope) if it does not exist. True when it exists
    // afterwards.
    virtual bool CreateUserKey(const std::string& path) = 0;
    // Makes `accountId` the current account.
    virtual bool SetDefaultAccount(const std::string& accountId) = 0;
    // One value of the current account's key, by its setting name ("AccountType",
    // "MessageLength", ...). False when the name is unknown or the write failed.
    virtual bool SetAccountString(const std::string& name, const std::string& value) = 0;
    virtual bool SetAccountDWORD(const std::string& name, std::uint32_t value) = 0;
};
