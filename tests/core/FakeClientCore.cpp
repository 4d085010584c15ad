#include "FakeClientCore.h"

#include "platform/Win.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace coretest {

namespace {

std::string Text(const char* p) {
    return p != nullptr ? std::string(p) : std::string();
}

// The fetch protocol: n when the longest text does not fit, else every text copied.
std::int32_t Fill(std::int32_t bufferSize,
                  std::initializer_list<std::pair<char*, const std::string*>> texts) {
    std::size_t longest = 0;
    for (const auto& t : texts) {
        longest = std::max(longest, t.second->size());
    }
    if (static_cast<std::int32_t>(longest) + 1 > bufferSize) {
        return static_cast<std::int32_t>(longest);
    }
    for (const auto& t : texts) {
        if (t.first == nullptr) {
            return 0;
        }
        std::memcpy(t.first, t.second->c_str(), t.second->size() + 1);
    }
    return 1;
}

} // namespace

std::int32_t FakeClientCore::Initialize(const char* product, win::HWND window,
                                        std::int32_t /*reserved*/) {
    std::lock_guard<std::mutex> guard(m_lock);
    ++initializeCalls;
    productName = Text(product);
    callbackWindow = window;
    return initializeResult;
}

std::int32_t FakeClientCore::StartShutdown() {
    std::lock_guard<std::mutex> guard(m_lock);
    ++startShutdownCalls;
    if (startShutdownResult == 1 && postShutdownEvent) {
        win::PostMessage(callbackWindow, WM_CORE_EVENT, QVShutdownID, 0);
    }
    return startShutdownResult;
}

std::int32_t FakeClientCore::Shutdown() {
    std::lock_guard<std::mutex> guard(m_lock);
    ++shutdownCalls;
    return shutdownResult;
}

std::int32_t FakeClientCore::SendMessage(QVSendRequest* r) {
    if (beforeSend) {
        beforeSend();
    }
    std::lock_guard<std::mutex> guard(m_lock);
    if (r == nullptr || r->size != static_cast<std::int32_t>(sizeof(QVSendRequest))) {
        return 0;
    }
    SentMessage m{Text(r->accountId),  Text(r->applicationId), Text(r->language),
                  Text(r->ipAddress),  Text(r->messageText),   Text(r->recipients),
                  Text(r->originator), Text(r->truncateMode),  Text(r->flashMode),
                  std::string(),       std::string()};
    if (r->guidBuffer != nullptr) {
        m.key = std::string(r->guidBuffer, ::strnlen(r->guidBuffer, QV_GUID_BUFFER_SIZE));
    }
    if (sendResult != 1) {
        m_sent.push_back(m);
        return sendResult;
    }
    char guid[QV_GUID_BUFFER_SIZE];
    std::snprintf(guid, sizeof(guid), "00000000-0000-4000-8000-%012d", ++m_guidCounter);
    if (honourKeys && m.key.size() == QV_GUID_BUFFER_SIZE - 1) {
        std::memcpy(guid, m.key.c_str(), QV_GUID_BUFFER_SIZE);
    }
    if (r->guidBuffer == nullptr || r->guidBufferSize < QV_GUID_BUFFER_SIZE) {
        return 0;
    }
    std::memcpy(r->guidBuffer, guid, QV_GUID_BUFFER_SIZE);
    m.guid = guid;
    m_sent.push_back(m);
    return 1;
}

std::int32_t FakeClientCore::GetStatusSendMessageInfo(QVSendResult* r) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (r == nullptr || r->size != static_cast<std::int32_t>(sizeof(QVSendResult))) {
        return 0;
    }
    m_fetchSizes.push_back(r->bufferSize);
    auto it = sendResults.find(Text(r->guid));
    if (it == sendResults.end() || it->second.rc != 1) {
        return it == sendResults.end() ? 0 : it->second.rc;
    }
    const ScriptedSendResult& s = it->second;
    std::int32_t rc =
        Fill(r->bufferSize, {{r->errorLabel, &s.label}, {r->errorDescription, &s.description}});
    if (rc == 1) {
        r->highId = s.highId;
        r->lowId = s.lowId;
        r->errorFlag = s.errorFlag;
    }
    return rc;
}

std::int32_t FakeClientCore::GetStatusError(QVErrorReport* r) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (r == nullptr || r->size != static_cast<std::int32_t>(sizeof(QVErrorReport))) {
        return 0;
    }
    m_fetchSizes.push_back(r->bufferSize);
    auto it = errorReports.find(Text(r->guid));
    if (it == errorReports.end() || it->second.rc != 1) {
        return it == errorReports.end() ? 0 : it->second.rc;
    }
    return Fill(r->bufferSize, {{r->errorLabel, &it->second.label},
                                {r->errorDescription, &it->second.description}});
}

std::int32_t FakeClientCore::GetMessageStatus(QVMessageStatus* r) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (r == nullptr || r->size != static_cast<std::int32_t>(sizeof(QVMessageStatus))) {
        return 0;
    }
    m_fetchSizes.push_back(r->bufferSize);
    auto it = statusReports.find(Text(r->guid));
    if (it == statusReports.end() || it->second.rc != 1) {
        return it == statusReports.end() ? 0 : it->second.rc;
    }
    const ScriptedStatus& s = it->second;
    static const std::string empty;
    std::int32_t rc = Fill(r->bufferSize, {{r->statusCode, &s.code},
                                           {r->statusText, &s.text},
                                           {r->recipients, &s.recipients},
                                           {r->fifthBuffer, &empty},
                                           {r->sixthBuffer, &empty}});
    if (rc == 1) {
        r->highId = s.highId;
        r->lowId = s.lowId;
        r->errorFlag = s.errorFlag;
    }
    return rc;
}

std::int32_t FakeClientCore::UpdateMsgId(std::int32_t lowId, std::int32_t highId,
                                         const char* language, const char* ipAddress,
                                         const char* applicationId, const char* accountId) {
    std::lock_guard<std::mutex> guard(m_lock);
    UpdateCall c{lowId,
                 highId,
                 Text(language),
                 Text(ipAddress),
                 Text(applicationId),
                 Text(accountId),
                 language == nullptr && ipAddress == nullptr && applicationId == nullptr &&
                     accountId == nullptr};
    m_updates.push_back(c);
    return updateResult;
}

std::int32_t FakeClientCore::RegisterEx(QVRegisterRequest* r) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (r == nullptr || r->size != static_cast<std::int32_t>(sizeof(QVRegisterRequest))) {
        return 0;
    }
    if (registerResult == 1) {
        std::snprintf(r->accountIdBuffer, QV_ACCOUNT_ID_BUFFER_SIZE, "%s",
                      registerAccountId.c_str());
        std::snprintf(r->secondBuffer, QV_REGISTER_SECOND_BUFFER_SIZE, "+447700900123");
    }
    return registerResult;
}

std::int32_t FakeClientCore::QueryAccountStatus(QVAccountQuery* q) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (q == nullptr || q->size != static_cast<std::int32_t>(sizeof(QVAccountQuery))) {
        return 0;
    }
    m_queries.push_back(Text(q->accountId));
    if (queryResult == 1 && q->requestGuidBuffer != nullptr) {
        std::snprintf(q->requestGuidBuffer, static_cast<std::size_t>(q->requestGuidBufferSize),
                      "11111111-0000-4000-8000-%012zu", m_queries.size());
    }
    return queryResult;
}

std::int32_t FakeClientCore::ChangeAccountDetails(QVChangeRequest* request,
                                                  QVChangeResult* result) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (request == nullptr || result == nullptr ||
        request->size != static_cast<std::int32_t>(sizeof(QVChangeRequest)) ||
        result->size != static_cast<std::int32_t>(sizeof(QVChangeResult))) {
        return 0;
    }
    lastChangeEmail = Text(request->userEmail);
    result->errorFlag = changeErrorFlag;
    std::snprintf(result->errorLabel, QV_CHANGE_LABEL_BUFFER_SIZE, "%s", changeErrorLabel.c_str());
    return changeResult;
}

std::int32_t FakeClientCore::GetAccountStatus(QVAccountStatus* r) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (r == nullptr || r->size != static_cast<std::int32_t>(sizeof(QVAccountStatus))) {
        return 0;
    }
    m_fetchSizes.push_back(r->bufferSize);
    auto it = accounts.find(Text(r->guid));
    if (it == accounts.end() || it->second.rc != 1) {
        return it == accounts.end() ? 0 : it->second.rc;
    }
    const ScriptedAccount& a = it->second;
    std::int32_t rc = Fill(r->bufferSize, {{r->accountId, &a.accountId},
                                           {r->accountType, &a.accountType},
                                           {r->msisdnOriginator, &a.msisdnOriginator},
                                           {r->msisdn, &a.msisdn},
                                           {r->groupId, &a.groupId},
                                           {r->userName, &a.userName},
                                           {r->userEmail, &a.userEmail},
                                           {r->prepaidBalance, &a.prepaidBalance},
                                           {r->msgsTotal, &a.msgsTotal},
                                           {r->msgsPeriod, &a.msgsPeriod},
                                           {r->period, &a.period},
                                           {r->replyOriginator, &a.replyOriginator},
                                           {r->textOriginator, &a.textOriginator},
                                           {r->replyEmailSenderDomain, &a.replyEmailSenderDomain},
                                           {r->replyType, &a.replyType},
                                           {r->errorLabel, &a.errorLabel},
                                           {r->errorMessage, &a.errorMessage}});
    if (rc == 1) {
        r->messageLength = a.messageLength;
        r->allowedToSend = a.allowedToSend;
        r->allowOriginator = a.allowOriginator;
        r->allowMsIsdnOriginator = a.allowMsIsdnOriginator;
        r->allowSignup = a.allowSignup;
        r->errorFlag = a.errorFlag;
    }
    return rc;
}

std::vector<SentMessage> FakeClientCore::Sent() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_sent;
}

std::vector<UpdateCall> FakeClientCore::Updates() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_updates;
}

std::vector<std::string> FakeClientCore::Queries() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_queries;
}

std::vector<std::int32_t> FakeClientCore::FetchSizes() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_fetchSizes;
}

std::string RecordingSettings::GetDefaultAccount() {
    std::lock_guard<std::mutex> guard(m_lock);
    return defaultAccount;
}

std::string RecordingSettings::GetMsisdnOriginator() {
    std::lock_guard<std::mutex> guard(m_lock);
    return msisdnOriginator;
}

std::string RecordingSettings::GetLanguage() {
    std::lock_guard<std::mutex> guard(m_lock);
    return language;
}

std::uint32_t RecordingSettings::GetSplitUpType() {
    std::lock_guard<std::mutex> guard(m_lock);
    return splitUpType;
}

bool RecordingSettings::CreateUserKey(const std::string& path) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (createKeyResult) {
        m_keys.push_back(path);
    }
    return createKeyResult;
}

bool RecordingSettings::SetDefaultAccount(const std::string& accountId) {
    std::lock_guard<std::mutex> guard(m_lock);
    defaultAccount = accountId;
    m_writes.push_back({accountId, "DefaultAccount", accountId, false});
    return true;
}

bool RecordingSettings::SetAccountString(const std::string& name, const std::string& value) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_writes.push_back({defaultAccount, name, value, false});
    return true;
}

bool RecordingSettings::SetAccountDWORD(const std::string& name, std::uint32_t value) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_writes.push_back({defaultAccount, name, std::to_string(value), true});
    return true;
}

std::vector<RecordingSettings::Write> RecordingSettings::Writes() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_writes;
}

std::vector<std::string> RecordingSettings::CreatedKeys() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_keys;
}

std::int32_t FakeClientCore::ConfirmEvent(std::int32_t code, const char* guid) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_confirmed.emplace_back(code, guid != nullptr ? guid : "");
    return 1;
}

std::vector<std::pair<std::int32_t, std::string>> FakeClientCore::Confirmed() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_confirmed;
}

} // namespace coretest
