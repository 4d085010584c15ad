// The messaging client core as the program uses it: every call goes to libqvclientcore.
#pragma once

#include "core/IClientCore.h"

class CQVClientCoreLib : public IClientCore {
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

    std::string GetLastErrorText() override;
};
