// The core manager's settings, read and written through the configuration store.
#pragma once

#include "config/CQVRegClass.h"
#include "core/ICoreSettings.h"

class CCoreRegSettings : public ICoreSettings {
public:
    explicit CCoreRegSettings(const CQVRegClass& reg) : m_reg(reg) {}

    std::string GetDefaultAccount() override { return m_reg.GetDefaultAccount(); }
    std::string GetMsisdnOriginator() override { return m_reg.GetMsisdnOriginator(); }
    std::string GetLanguage() override { return m_reg.GetLanguage(); }
    std::uint32_t GetSplitUpType() override { return m_reg.GetSplitUpType(); }
    bool CreateUserKey(const std::string& path) override { return m_reg.CreateUserKey(path); }
    bool SetDefaultAccount(const std::string& accountId) override {
        return m_reg.SetDefaultAccount(accountId) == 1;
    }
    // The account key is computed from the current account at each call, so values written
    // right after SetDefaultAccount land in the new account's key. With no current account
    // nothing is written (the values would otherwise land in the accounts key itself).
    bool SetAccountString(const std::string& name, const std::string& value) override {
        return m_reg.WriteAccountString(value, name) == 1;
    }
    bool SetAccountDWORD(const std::string& name, std::uint32_t value) override {
        return m_reg.WriteAccountDWORD(value, name) == 1;
    }

private:
    const CQVRegClass& m_reg;
};
