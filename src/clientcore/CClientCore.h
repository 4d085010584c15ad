// The state behind the C interface of the client core: the running engine, the results waiting
// to be fetched, and the callback window. One instance per process.
#pragma once

#include "clientcore/CGatewayTransport.h"
#include "clientcore/CResultStore.h"
#include "clientcore/CServiceEngine.h"
#include "clientcore/QVClientCore.h"
#include "clientcore/QVClientCoreTesting.h"

#include <memory>
#include <shared_mutex>
#include <string>

class CClientCore {
public:
    static CClientCore& Instance();

    std::int32_t Initialize(const char* productName, QVHWND window);
    std::int32_t StartShutdown();
    std::int32_t Shutdown();

    std::int32_t SendMessage(QVSendRequest* request);
    std::int32_t GetSendResult(QVSendResult* result);
    std::int32_t GetErrorReport(QVErrorReport* report);
    std::int32_t GetMessageStatus(QVMessageStatus* status);
    std::int32_t UpdateMsgId(std::int32_t lowId, std::int32_t highId);
    std::int32_t Register(QVRegisterRequest* request);
    std::int32_t QueryAccount(QVAccountQuery* query);
    std::int32_t ChangeAccount(QVChangeRequest* request, QVChangeResult* result);
    std::int32_t GetAccountStatus(QVAccountStatus* status);
    std::int32_t ConfirmEvent(std::int32_t code, const char* guid);
    std::int32_t RunDue();

    static void SetEventSink(QVEventSinkFn sink, void* context);

    // The calling thread's reason for its last failure.
    static void SetLastError(std::string text);
    static const char* LastError();

    CResultStore& Results() { return m_results; }

private:
    CClientCore() = default;
    bool Post(QVHWND window, std::uintptr_t code, const char* text);

    std::shared_mutex m_lock; // shared by requests, exclusive for start and stop
    std::unique_ptr<CServiceEngine> m_engine;
    std::unique_ptr<CGatewayTransport> m_transport; // with a remote gateway only
    std::string m_product;
    QVHWND m_window = 0;
    CResultStore m_results;
};
