#include "platform/WinHookServer.h"

#include "platform/Diagnostics.h"
#include "platform/WinHandleAllocator.h"
#include "platform/WinHookChain.h"
#include "platform/WinIpcWire.h"
#include "platform/WinThreadState.h"

#include <sys/socket.h>
#include <sys/time.h>

namespace win::detail {

namespace {

const char* const kLocation = "win::HookServer";

// The hook the request asks for, not yet in a chain; null (reported) when it is refused.
std::shared_ptr<WinHookEntry> MakeHook(const WinIpcHookRequest& request,
                                       std::shared_ptr<WinThreadState>* thread) {
    if (request.hookKind != static_cast<std::uint32_t>(WH_GETMESSAGE)) {
        platform::ReportDiagnostic(kLocation,
                                   "Hook kind " + std::to_string(request.hookKind) + " refused");
        return nullptr;
    }
    if (request.modulePath.empty() || request.modulePath.front() != '/' ||
        request.procName.empty()) {
        platform::ReportDiagnostic(kLocation, "Hook refused: the module must be named by an "
                                              "absolute path and an exported name");
        return nullptr;
    }
    *thread = request.threadId == 0 ? nullptr : WinThreadState::Find(request.threadId);
    if (!*thread) {
        platform::ReportDiagnostic(kLocation, "Hook refused: no thread " +
                                                  std::to_string(request.threadId) +
                                                  " with a message queue in this process");
        return nullptr;
    }
    HHOOK id = WinHandleAllocator::Instance().Allocate();
    if (id == 0) {
        return nullptr;
    }
    return std::make_shared<WinHookEntry>(id, request.modulePath, request.procName);
}

// True when `frame` asks to remove hook `id`.
bool IsUnhookOf(const std::string& frame, HHOOK id) {
    WinIpcAnyRequest request;
    if (!WinIpcDecodeRequest(frame, &request)) {
        return false;
    }
    const auto* unhook = std::get_if<WinIpcUnhookRequest>(&request);
    return unhook != nullptr && unhook->hook == id;
}

} // namespace

void WinHookServer::Serve(int fd, const WinIpcHookRequest& request) {
    std::shared_ptr<WinThreadState> thread;
    std::shared_ptr<WinHookEntry> entry = MakeHook(request, &thread);
    WinIpcHookReply reply;
    if (entry) {
        entry->SetConnection(fd);
        if (thread->AddHook(entry)) {
            reply.hook = entry->Id();
        }
    }
    if (!WinIpcWire::WriteFrame(fd, WinIpcEncodeReply(reply)) || reply.hook == 0) {
        if (entry) {
            entry->ClearConnection();
            WinThreadState::RemoveHook(entry->Id());
        }
        return;
    }
    // The hook lives as long as this connection: no time limit from here on.
    WinIpcWire::SetTimeouts(fd, 0);
    std::string frame;
    if (WinIpcWire::ReadFrame(fd, &frame) && IsUnhookOf(frame, entry->Id())) {
        // The answer still goes out on this connection: the removal must not shut it down.
        entry->ClearConnection();
        WinIpcUnhookReply unhooked;
        unhooked.ok = WinThreadState::RemoveHook(entry->Id()) != nullptr;
        WinIpcWire::WriteFrame(fd, WinIpcEncodeReply(unhooked));
    }
    // The installer unhooked, ended or sent something else; or the hook was removed here and
    // the connection shut down.
    entry->ClearConnection();
    WinThreadState::RemoveHook(entry->Id());
}

bool WinHookServer::Unhook(HHOOK hook) {
    return WinThreadState::RemoveHook(hook) != nullptr;
}

} // namespace win::detail
