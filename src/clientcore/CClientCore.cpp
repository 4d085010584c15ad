#include "clientcore/CClientCore.h"

#include "clientcore/CCoreLog.h"
#include "clientcore/CCoreSettings.h"
#include "platform/Paths.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <initializer_list>

namespace {

thread_local std::string t_lastError;
std::atomic<QVEventSinkFn> g_sink{nullptr};
std::atomic<void*> g_sinkContext{nullptr};

struct TextOut {
    char* buffer;
    const std::string& text;
};

// The fetch rule: every text must fit its buffer of `bufferSize` bytes with its NUL. When one
// does not, nothing is written and the length of the longest text (at least 2) is returned.
// Buffers the caller left null are not wanted and are skipped.
std::int32_t FillTexts(std::int32_t bufferSize, std::initializer_list<TextOut> outs) {
    std::size_t longest = 0;
    for (const TextOut& out : outs) {
        if (out.buffer != nullptr) {
            longest = std::max(longest, out.text.size());
        }
    }
    if (bufferSize < 0 || longest + 1 > static_cast<std::size_t>(bufferSize)) {
        std::size_t needed = std::clamp<std::size_t>(longest, 2, INT32_MAX - 1);
        return static_cast<std::int32_t>(needed);
    }
    for (const TextOut& out : outs) {
        if (out.buffer != nullptr) {
            std::memcpy(out.buffer, out.text.c_str(), out.text.size() + 1);
        }
    }
    return 1;
}

// Copies as much of the text as fits, always terminated.
void CopyCut(char* buffer, std::size_t size, const std::string& text) {
    if (buffer == nullptr || size == 0) {
        return;
    }
    std::size_t n = std::min(size - 1, text.size());
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

template <class T> bool CheckSize(const T* record, const char* name) {
    if (record == nullptr) {
        CClientCore::SetLastError(std::string("no ") + name + " record given");
        return false;
    }
    if (record->size != static_cast<std::int32_t>(sizeof(T))) {
        CClientCore::SetLastError(std::string(name) + " has size " + std::to_string(record->size) +
                                  ", expected " + std::to_string(sizeof(T)));
        return false;
    }
    return true;
}

std::string Text(const char* text) {
    return text != nullptr ? std::string(text) : std::string();
}

// Looks the result up under the record's GUID and fills the record with `fill`.
template <class Data, class Record, class Fill>
std::int32_t FetchInto(CResultStore& results, Record* record, const char* name, Fill fill) {
    if (!CheckSize(record, name)) {
        return 0;
    }
    if (record->guid == nullptr) {
        CClientCore::SetLastError(std::string(name) + " names no GUID");
        return 0;
    }
    std::int32_t rc = results.template Fetch<Data>(
        record->guid, [&](const Data& data) -> std::int32_t { return fill(data); });
    if (rc == 0) {
        CClientCore::SetLastError(std::string("no ") + name + " is waiting for GUID \"" +
                                  record->guid + "\"");
    } else if (rc > 1) {
        CClientCore::SetLastError("the buffers are too small: " + std::to_string(rc + 1) +
                                  " bytes needed");
    }
    return rc;
}

} // namespace

CClientCore& CClientCore::Instance() {
    static CClientCore* core = new CClientCore(); // never destroyed: may be used at exit
    return *core;
}

void CClientCore::SetLastError(std::string text) {
    t_lastError = std::move(text);
}

const char* CClientCore::LastError() {
    return t_lastError.c_str();
}

void CClientCore::SetEventSink(QVEventSinkFn sink, void* context) {
    g_sinkContext = context;
    g_sink = sink;
}

bool CClientCore::Post(QVHWND window, std::uintptr_t code, const char* text) {
    QVEventSinkFn sink = g_sink;
    auto lParam = reinterpret_cast<std::intptr_t>(text);
    if (sink != nullptr) {
        sink(g_sinkContext, window, WM_CORE_EVENT, code, lParam);
        return true;
    }
    return win::PostMessage(window, WM_CORE_EVENT, code, lParam);
}

std::int32_t CClientCore::Initialize(const char* productName, QVHWND window) {
    std::unique_lock<std::shared_mutex> guard(m_lock);
    if (m_engine) {
        SetLastError("the core is already initialised; call QVShutdown first");
        return 0;
    }
    if (productName == nullptr || *productName == '\0') {
        SetLastError("no product name given");
        return 0;
    }
    if (window == 0) {
        SetLastError("no callback window given");
        return 0;
    }
    std::string product = productName;
    // A RemoteHost selects the network transport; all of its settings must be there.
    std::optional<GatewaySettings> gateway;
    if (!CCoreSettings::RemoteHost(product).empty()) {
        GatewaySettings settings;
        std::string why;
        if (!CCoreSettings::Gateway(product, settings, why)) {
            SetLastError("the network transport cannot start: " + why);
            return 0;
        }
        gateway = std::move(settings);
    }
    std::string folder = platform::AppDataFolder() + "/TWD";
    if (!platform::CreateFolder(folder)) {
        SetLastError("cannot create the data folder \"" + folder + "\"");
        return 0;
    }
    auto engine = std::make_unique<CServiceEngine>(
        m_results,
        [this, window](std::uintptr_t code, const char* text) { return Post(window, code, text); });
    std::unique_ptr<CGatewayTransport> transport;
    if (gateway) {
        CServiceEngine::GatewayAccount account{gateway->user, gateway->sender,
                                               gateway->allowOriginator};
        transport = std::make_unique<CGatewayTransport>(*engine, *gateway, &CCoreLog::Write);
        engine->UseGateway(std::move(account), [t = transport.get()] { t->Wake(); });
    }
    std::string error;
    if (!engine->Start(folder + "/service.db", error)) {
        SetLastError(std::string(gateway ? "the client core" : "the embedded service") +
                     " cannot start: " + error);
        return 0;
    }
    if (transport && !transport->Start(error)) {
        engine->Stop();
        SetLastError("the network transport cannot start: " + error);
        return 0;
    }
    m_engine = std::move(engine);
    m_transport = std::move(transport);
    m_product = std::move(product);
    m_window = window;
    return 1;
}

std::int32_t CClientCore::StartShutdown() {
    std::shared_lock<std::shared_mutex> guard(m_lock);
    if (!m_engine) {
        SetLastError("the core is not initialised");
        return 0;
    }
    m_engine->RequestShutdown();
    return 1;
}

std::int32_t CClientCore::Shutdown() {
    std::unique_ptr<CServiceEngine> engine;
    std::unique_ptr<CGatewayTransport> transport;
    {
        std::unique_lock<std::shared_mutex> guard(m_lock);
        engine = std::move(m_engine);
        transport = std::move(m_transport);
        m_product.clear();
        m_window = 0;
    }
    if (transport) {
        transport->Stop(); // before the engine it feeds
    }
    if (engine) {
        engine->Stop();
    }
    m_results.Clear();
    return 1;
}

std::int32_t CClientCore::SendMessage(QVSendRequest* request) {
    if (!CheckSize(request, "QVSendRequest")) {
        return 0;
    }
    if (request->messageText == nullptr || request->recipients == nullptr) {
        SetLastError("the send request has no message text or no recipients");
        return 0;
    }
    auto mode = CSmsText::ParseMode(Text(request->truncateMode));
    if (!mode) {
        SetLastError("unknown truncate mode \"" + Text(request->truncateMode) +
                     "\"; expected \"reject\", \"split\" or \"concat\"");
        return 0;
    }
    if (request->guidBuffer == nullptr || request->guidBufferSize < QV_GUID_BUFFER_SIZE) {
        SetLastError("the GUID buffer must hold " + std::to_string(QV_GUID_BUFFER_SIZE) + " bytes");
        return 0;
    }
    std::shared_lock<std::shared_mutex> guard(m_lock);
    if (!m_engine) {
        SetLastError("the core is not initialised");
        return 0;
    }
    CServiceEngine::SendInput input;
    // A send key in the GUID buffer names the message: handing it over again never sends it
    // twice. Anything else in the buffer is ignored.
    std::string key(request->guidBuffer,
                    ::strnlen(request->guidBuffer, static_cast<std::size_t>(QV_GUID_BUFFER_SIZE)));
    if (CServiceEngine::IsGuid(key)) {
        input.key = std::move(key);
    }
    input.accountId = Text(request->accountId);
    input.text = request->messageText;
    input.recipients = request->recipients;
    input.originator = Text(request->originator);
    input.mode = *mode;
    input.flash = Text(request->flashMode) == "16";
    input.outage = CCoreSettings::SimulateOutage(m_product);
    input.delayPercent = CCoreSettings::DelayPercent(m_product);
    std::string guid;
    std::string error;
    if (!m_engine->Send(input, guid, error)) {
        SetLastError(error);
        return 0;
    }
    CopyCut(request->guidBuffer, static_cast<std::size_t>(request->guidBufferSize), guid);
    return 1;
}

std::int32_t CClientCore::GetSendResult(QVSendResult* r) {
    return FetchInto<SendResultData>(m_results, r, "QVSendResult", [&](const auto& d) {
        std::int32_t rc = FillTexts(r->bufferSize, {{r->errorLabel, d.errorLabel},
                                                    {r->errorDescription, d.errorDescription}});
        if (rc == 1) {
            r->highId = d.highId;
            r->lowId = d.lowId;
            r->errorFlag = d.errorFlag;
        }
        return rc;
    });
}

std::int32_t CClientCore::GetErrorReport(QVErrorReport* r) {
    return FetchInto<ErrorReportData>(m_results, r, "QVErrorReport", [&](const auto& d) {
        return FillTexts(r->bufferSize, {{r->errorLabel, d.errorLabel},
                                         {r->errorDescription, d.errorDescription}});
    });
}

std::int32_t CClientCore::GetMessageStatus(QVMessageStatus* r) {
    static const std::string kEmpty;
    return FetchInto<MessageStatusData>(m_results, r, "QVMessageStatus", [&](const auto& d) {
        std::int32_t rc = FillTexts(r->bufferSize, {{r->statusCode, d.statusCode},
                                                    {r->statusText, d.statusText},
                                                    {r->recipients, d.recipients},
                                                    {r->fifthBuffer, d.statusTime},
                                                    {r->sixthBuffer, kEmpty}});
        if (rc == 1) {
            r->highId = d.highId;
            r->lowId = d.lowId;
            r->errorFlag = d.errorFlag;
        }
        return rc;
    });
}

std::int32_t CClientCore::GetAccountStatus(QVAccountStatus* r) {
    return FetchInto<AccountStatusData>(m_results, r, "QVAccountStatus", [&](const auto& d) {
        std::int32_t rc =
            FillTexts(r->bufferSize, {{r->accountId, d.accountId},
                                      {r->accountType, d.accountType},
                                      {r->msisdnOriginator, d.msisdnOriginator},
                                      {r->msisdn, d.msisdn},
                                      {r->groupId, d.groupId},
                                      {r->userName, d.userName},
                                      {r->userEmail, d.userEmail},
                                      {r->prepaidBalance, d.prepaidBalance},
                                      {r->msgsTotal, d.msgsTotal},
                                      {r->msgsPeriod, d.msgsPeriod},
                                      {r->period, d.period},
                                      {r->replyOriginator, d.replyOriginator},
                                      {r->textOriginator, d.textOriginator},
                                      {r->replyEmailSenderDomain, d.replyEmailSenderDomain},
                                      {r->replyType, d.replyType},
                                      {r->errorLabel, d.errorLabel},
                                      {r->errorMessage, d.errorMessage}});
        if (rc == 1) {
            r->messageLength = d.messageLength;
            r->allowedToSend = d.allowedToSend;
            r->allowOriginator = d.allowOriginator;
            r->allowMsIsdnOriginator = d.allowMsIsdnOriginator;
            r->allowSignup = d.allowSignup;
            r->errorFlag = d.errorFlag;
        }
        return rc;
    });
}

std::int32_t CClientCore::UpdateMsgId(std::int32_t lowId, std::int32_t highId) {
    std::shared_lock<std::shared_mutex> guard(m_lock);
    if (!m_engine) {
        SetLastError("the core is not initialised");
        return 0;
    }
    std::uint64_t id = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(highId)) << 32) |
                       static_cast<std::uint32_t>(lowId);
    m_engine->Subscribe(id == 0 ? std::nullopt : std::optional<std::uint64_t>(id));
    return 1;
}

std::int32_t CClientCore::Register(QVRegisterRequest* request) {
    if (!CheckSize(request, "QVRegisterRequest")) {
        return 0;
    }
    if (request->accountIdBuffer == nullptr) {
        SetLastError("the register request has no account id buffer");
        return 0;
    }
    std::shared_lock<std::shared_mutex> guard(m_lock);
    if (!m_engine) {
        SetLastError("the core is not initialised");
        return 0;
    }
    AccountRow account;
    std::string error;
    if (!m_engine->Register(account, error)) {
        SetLastError(error);
        return 0;
    }
    CopyCut(request->accountIdBuffer, QV_ACCOUNT_ID_BUFFER_SIZE, account.id);
    CopyCut(request->secondBuffer, QV_REGISTER_SECOND_BUFFER_SIZE, account.msisdn);
    return 1;
}

std::int32_t CClientCore::QueryAccount(QVAccountQuery* query) {
    if (!CheckSize(query, "QVAccountQuery")) {
        return 0;
    }
    if (query->accountId == nullptr || *query->accountId == '\0') {
        SetLastError("the account query names no account");
        return 0;
    }
    if (query->requestGuidBuffer != nullptr && query->requestGuidBufferSize < QV_GUID_BUFFER_SIZE) {
        SetLastError("the request GUID buffer must hold " + std::to_string(QV_GUID_BUFFER_SIZE) +
                     " bytes");
        return 0;
    }
    std::shared_lock<std::shared_mutex> guard(m_lock);
    if (!m_engine) {
        SetLastError("the core is not initialised");
        return 0;
    }
    std::string guid;
    std::string error;
    if (!m_engine->QueryAccount(query->accountId, guid, error)) {
        SetLastError(error);
        return 0;
    }
    CopyCut(query->requestGuidBuffer, static_cast<std::size_t>(query->requestGuidBufferSize), guid);
    return 1;
}

std::int32_t CClientCore::ChangeAccount(QVChangeRequest* request, QVChangeResult* result) {
    if (!CheckSize(request, "QVChangeRequest") || !CheckSize(result, "QVChangeResult")) {
        return 0;
    }
    if (request->accountId == nullptr || request->userEmail == nullptr) {
        SetLastError("the change request has no account id or no e-mail address");
        return 0;
    }
    std::shared_lock<std::shared_mutex> guard(m_lock);
    if (!m_engine) {
        SetLastError("the core is not initialised");
        return 0;
    }
    std::string label;
    std::string description;
    bool changed =
        m_engine->ChangeEmail(request->accountId, request->userEmail, label, description);
    result->errorFlag = changed ? 0 : 1;
    CopyCut(result->firstBuffer, QV_CHANGE_FIRST_BUFFER_SIZE, request->accountId);
    CopyCut(result->errorLabel, QV_CHANGE_LABEL_BUFFER_SIZE, label);
    CopyCut(result->lastBuffer, QV_CHANGE_LABEL_BUFFER_SIZE, description);
    return 1;
}

std::int32_t CClientCore::ConfirmEvent(std::int32_t code, const char* guid) {
    if (guid == nullptr || *guid == '\0') {
        SetLastError("the confirmation names no GUID");
        return 0;
    }
    std::shared_lock<std::shared_mutex> guard(m_lock);
    if (!m_engine) {
        SetLastError("the core is not initialised");
        return 0;
    }
    if (!m_engine->Confirm(static_cast<std::uint32_t>(code), guid)) {
        SetLastError("events of code " + std::to_string(code) + " are not confirmed");
        return 0;
    }
    return 1;
}

std::int32_t CClientCore::RunDue() {
    std::shared_lock<std::shared_mutex> guard(m_lock);
    if (!m_engine) {
        return 0;
    }
    return m_engine->RunDue() ? 1 : 0;
}
