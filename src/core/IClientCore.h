// The calls the core manager makes into the messaging client core, one virtual method per
// call. The program uses CQVClientCoreLib, which calls libqvclientcore; tests drive the manager
// with a scripted implementation of their own.
#pragma once

#include "clientcore/QVClientCore.h"

#include <cstdint>
#include <string>

class IClientCore {
public:
    virtual ~IClientCore() = default;

    virtual std::int32_t Initialize(const char* productName, win::HWND callbackWindow,
                                    std::int32_t reserved) = 0;
    virtual std::int32_t StartShutdown() = 0;
    virtual std::int32_t Shutdown() = 0;

    virtual std::int32_t SendMessage(QVSendRequest* request) = 0;
    virtual std::int32_t GetStatusSendMessageInfo(QVSendResult* result) = 0;
    virtual std::int32_t GetStatusError(QVErrorReport* report) = 0;
    virtual std::int32_t GetMessageStatus(QVMessageStatus* status) = 0;
    virtual std::int32_t UpdateMsgId(std::int32_t lowId, std::int32_t highId, const char* language,
                                     const char* ipAddress, const char* applicationId,
                                     const char* accountId) = 0;

    virtual std::int32_t RegisterEx(QVRegisterRequest* request) = 0;
    virtual std::int32_t QueryAccountStatus(QVAccountQuery* query) = 0;
    virtual std::int32_t ChangeAccountDetails(QVChangeRequest* request, QVChangeResult* result) = 0;
    virtual std::int32_t GetAccountStatus(QVAccountStatus* status) = 0;

    // The program has stored what it fetched for event `code` under `guid`: the core need not
    // post it again.
    virtual std::int32_t ConfirmEvent(std::int32_t code, const char* guid) = 0;

    // Why the calling thread's last call failed (empty when unknown).
    virtual std::string GetLastErrorText() = 0;
};
