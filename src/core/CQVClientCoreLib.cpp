#include "core/CQVClientCoreLib.h"

std::int32_t CQVClientCoreLib::Initialize(const char* productName, win::HWND callbackWindow,
                                          std::int32_t reserved) {
    return QVInitialize(productName, callbackWindow, reserved);
}

std::int32_t CQVClientCoreLib::StartShutdown() {
    return QVStartShutdown();
}

std::int32_t CQVClientCoreLib::Shutdown() {
    return QVShutdown();
}

std::int32_t CQVClientCoreLib::SendMessage(QVSendRequest* request) {
    return QVSendMessage(request);
}

std::int32_t CQVClientCoreLib::GetStatusSendMessageInfo(QVSendResult* result) {
    return QVGetStatusSendMessageInfo(result);
}

std::int32_t CQVClientCoreLib::GetStatusError(QVErrorReport* report) {
    return QVGetStatusError(report);
}

std::int32_t CQVClientCoreLib::GetMessageStatus(QVMessageStatus* status) {
    return QVGetMessageStatus(status);
}

std::int32_t CQVClientCoreLib::UpdateMsgId(std::int32_t lowId, std::int32_t highId,
                                           const char* language, const char* ipAddress,
                                           const char* applicationId, const char* accountId) {
    return QVUpdateMsgId(lowId, highId, language, ipAddress, applicationId, accountId);
}

std::int32_t CQVClientCoreLib::RegisterEx(QVRegisterRequest* request) {
    return QVRegisterEx(request);
}

std::int32_t CQVClientCoreLib::QueryAccountStatus(QVAccountQuery* query) {
    return QVQueryAccountStatus(query);
}

std::int32_t CQVClientCoreLib::ChangeAccountDetails(QVChangeRequest* request,
                                                    QVChangeResult* result) {
    return QVChangeAccountDetails(request, result);
}

std::int32_t CQVClientCoreLib::GetAccountStatus(QVAccountStatus* status) {
    return QVGetAccountStatus(status);
}

std::int32_t CQVClientCoreLib::ConfirmEvent(std::int32_t code, const char* guid) {
    return QVConfirmEvent(code, guid);
}

std::string CQVClientCoreLib::GetLastErrorText() {
    const char* text = QVGetLastErrorText();
    return text != nullptr ? std::string(text) : std::string();
}
