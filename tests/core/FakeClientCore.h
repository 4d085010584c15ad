// A scripted client core and a recording settings store for the core manager's tests.
#pragma once

#include "core/IClientCore.h"
#include "core/ICoreSettings.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace coretest {

struct SentMessage {
    std::string accountId, applicationId, language, ipAddress, messageText, recipients, originator,
        truncateMode, flashMode, guid;
    std::string key; // what the GUID buffer held on the call (the send key)
};

struct ScriptedSendResult {
    std::int32_t rc = 1;
    std::int32_t highId = 0;
    std::int32_t lowId = 0;
    std::int32_t errorFlag = 0;
    std::string label;
    std::string description;
};

struct ScriptedStatus {
    std::int32_t rc = 1;
    std::int32_t highId = 0;
    std::int32_t lowId = 0;
    std::string code;
    std::string text;
    std::string recipients;
    std::int32_t errorFlag = 0;
};

struct ScriptedAccount {
    std::int32_t rc = 1;
    std::string accountId, accountType, msisdnOriginator, msisdn, groupId, userName, userEmail;
    std::int32_t messageLength = 160;
    std::string prepaidBalance, msgsTotal, msgsPeriod, period;
    std::int32_t allowedToSend = 1, allowOriginator = 1, allowMsIsdnOriginator = 0, allowSignup = 0;
    std::string replyOriginator, textOriginator, replyEmailSenderDomain, replyType;
    std::int32_t errorFlag = 0;
    std::string errorLabel, errorMessage;
};

struct UpdateCall {
    std::int32_t lowId = 0;
    std::int32_t highId = 0;
    std::string language, ipAddress, applicationId, accountId;
    bool nullTexts = false;
};

class FakeClientCore : public IClientCore {
public:
    std::int32_t Initialize(const char* productName, win::HWND callbackWindow,
                            std::int32_t reserved) override;
    std::int32_t StartShutdown() override;
    std::int32_t Shutdown() override;
    std::int32_t SendMessage(QVSendRequest* request) override;
    std::int32_t GetStatusSendMessageInfo(QVSendResult* result) override;
    std::int32_t GetStatusError(QVErrorReport* report) override;
    std::int32_t GetMessageStatus(QVMessageStatus* status) override;
    std::int32_t UpdateMsgId(std::int32_t lowId, std::int32_t highId, const char* language,
                             const char* ipAddress, const char* applicationId,
                             const char* accountId) override;
    std::int32_t RegisterEx(QVRegisterRequest* request) override;
    std::int32_t QueryAccountStatus(QVAccountQuery* query) override;
    std::int32_t ChangeAccountDetails(QVChangeRequest* request, QVChangeResult* result) override;
    std::int32_t GetAccountStatus(QVAccountStatus* status) override;
    std::int32_t ConfirmEvent(std::int32_t code, const char* guid) override;
    std::string GetLastErrorText() override { return "scripted failure"; }

    // Script (set before the call that uses it).
    std::int32_t initializeResult = 1;
    std::int32_t startShutdownResult = 1;
    std::int32_t shutdownResult = 1;
    std::int32_t sendResult = 1;
    std::int32_t updateResult = 1;
    std::int32_t registerResult = 1;
    std::string registerAccountId = "4711";
    std::int32_t queryResult = 1;
    std::int32_t changeResult = 1;
    std::int32_t changeErrorFlag = 0;
    std::string changeErrorLabel;
    // Called (outside the fake's lock) at the start of every SendMessage.
    std::function<void()> beforeSend;
    // Event 99 is posted to the callback window when StartShutdown succeeds.
    bool postShutdownEvent = true;
    std::map<std::string, ScriptedSendResult> sendResults;
    std::map<std::string, ScriptedSendResult> errorReports;
    std::map<std::string, ScriptedStatus> statusReports;
    std::map<std::string, ScriptedAccount> accounts;

    // Record.
    std::vector<SentMessage> Sent() const;
    std::vector<UpdateCall> Updates() const;
    std::vector<std::string> Queries() const;
    std::vector<std::int32_t> FetchSizes() const; // buffer sizes of every fetch call
    std::vector<std::pair<std::int32_t, std::string>> Confirmed() const;
    // Answers a send key it has seen with the same GUID (as the real core does); off by
    // default, so that scripted GUIDs keep their order.
    bool honourKeys = false;
    int initializeCalls = 0;
    int startShutdownCalls = 0;
    int shutdownCalls = 0;
    win::HWND callbackWindow = 0;
    std::string productName;
    std::string lastChangeEmail;

private:
    mutable std::mutex m_lock;
    int m_guidCounter = 0;
    std::vector<SentMessage> m_sent;
    std::vector<UpdateCall> m_updates;
    std::vector<std::string> m_queries;
    std::vector<std::int32_t> m_fetchSizes;
    std::vector<std::pair<std::int32_t, std::string>> m_confirmed;
};

// Settings in memory; every write is recorded in order.
class RecordingSettings : public ICoreSettings {
public:
    std::string GetDefaultAccount() override;
    std::string GetMsisdnOriginator() override;
    std::string GetLanguage() override;
    std::uint32_t GetSplitUpType() override;
    bool CreateUserKey(const std::string& path) override;
    bool SetDefaultAccount(const std::string& accountId) override;
    bool SetAccountString(const std::string& name, const std::string& value) override;
    bool SetAccountDWORD(const std::string& name, std::uint32_t value) override;

    struct Write {
        std::string account; // the current account at the time of the write
        std::string name;
        std::string value;
        bool dword = false;
    };
    std::vector<Write> Writes() const;
    std::vector<std::string> CreatedKeys() const;

    std::string defaultAccount;
    std::string msisdnOriginator;
    std::string language;
    std::uint32_t splitUpType = 0;
    bool createKeyResult = true;

private:
    mutable std::mutex m_lock;
    std::vector<Write> m_writes;
    std::vector<std::string> m_keys;
};

} // namespace coretest
