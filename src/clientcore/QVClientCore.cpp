// The exported functions: each clears the calling thread's error text, hands the call to the
// process's CClientCore, and turns anything thrown into a failure with a reason.
#include "clientcore/QVClientCore.h"
#include "clientcore/CGroupCommit.h"

#include "clientcore/CClientCore.h"
#include "clientcore/CCoreSettings.h"
#include "clientcore/CServiceEngine.h"
#include "clientcore/QVClientCoreTesting.h"

#include <exception>

namespace {

template <class F> std::int32_t Guarded(F&& call) {
    CClientCore::SetLastError("");
    try {
        return call();
    } catch (const std::exception& e) {
        CClientCore::SetLastError(std::string("internal error: ") + e.what());
    } catch (...) {
        CClientCore::SetLastError("internal error");
    }
    return 0;
}

CClientCore& Core() {
    return CClientCore::Instance();
}

} // namespace

extern "C" {

int32_t QVInitialize(const char* productName, QVHWND callbackWindow, int32_t /*reserved*/) {
    return Guarded([&] { return Core().Initialize(productName, callbackWindow); });
}

int32_t QVStartShutdown(void) {
    return Guarded([&] { return Core().StartShutdown(); });
}

int32_t QVShutdown(void) {
    return Guarded([&] { return Core().Shutdown(); });
}

int32_t QVSendMessage(QVSendRequest* request) {
    return Guarded([&] { return Core().SendMessage(request); });
}

int32_t QVGetStatusSendMessageInfo(QVSendResult* result) {
    return Guarded([&] { return Core().GetSendResult(result); });
}

int32_t QVGetStatusError(QVErrorReport* report) {
    return Guarded([&] { return Core().GetErrorReport(report); });
}

int32_t QVGetMessageStatus(QVMessageStatus* status) {
    return Guarded([&] { return Core().GetMessageStatus(status); });
}

int32_t QVUpdateMsgId(int32_t lowId, int32_t highId, const char* /*language*/,
                      const char* /*ipAddress*/, const char* /*applicationId*/,
                      const char* /*accountId*/) {
    return Guarded([&] { return Core().UpdateMsgId(lowId, highId); });
}

int32_t QVRegisterEx(QVRegisterRequest* request) {
    return Guarded([&] { return Core().Register(request); });
}

int32_t QVQueryAccountStatus(QVAccountQuery* query) {
    return Guarded([&] { return Core().QueryAccount(query); });
}

int32_t QVChangeAccountDetails(QVChangeRequest* request, QVChangeResult* result) {
    return Guarded([&] { return Core().ChangeAccount(request, result); });
}

int32_t QVGetAccountStatus(QVAccountStatus* status) {
    return Guarded([&] { return Core().GetAccountStatus(status); });
}

int32_t QVConfirmEvent(int32_t code, const char* guid) {
    return Guarded([&] { return Core().ConfirmEvent(code, guid); });
}

const char* QVGetLastErrorText(void) {
    return CClientCore::LastError();
}

void QVTestSetClock(QVClockFn clock, void* context) {
    CServiceEngine::SetClock(clock, context);
}

void QVTestSetDelays(int32_t sendResultMs, int32_t pendingMs, int32_t finalMs) {
    CServiceEngine::SetDelays(sendResultMs, pendingMs, finalMs);
}

int32_t QVTestRunDue(void) {
    return Guarded([&] { return Core().RunDue(); });
}

void QVTestSetEventSink(QVEventSinkFn sink, void* context) {
    CClientCore::SetEventSink(sink, context);
}

void QVTestCommitCounts(uint64_t* commits, uint64_t* units) {
    std::uint64_t c = 0;
    std::uint64_t u = 0;
    CGroupCommit::Counts(c, u);
    if (commits != nullptr) {
        *commits = c;
    }
    if (units != nullptr) {
        *units = u;
    }
}

} // extern "C"
