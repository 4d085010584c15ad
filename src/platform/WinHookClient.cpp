#include "platform/WinHookClient.h"

#include "platform/Diagnostics.h"
#include "platform/UniqueFd.h"
#include "platform/WinIpcClient.h"
#include "platform/WinIpcWire.h"

#include <mutex>
#include <unordered_map>

namespace win::detail {

namespace {

// The hooked process answers a hook request at once.
constexpr int kAnswerTimeoutMs = 5000;

struct Installed {
    std::mutex mutex;
    std::unordered_map<HHOOK, platform::UniqueFd> connections;
};

// Never destroyed: the connections stay open until the process ends.
Installed& TheInstalled() {
    static Installed* installed = new Installed;
    return *installed;
}

} // namespace

HHOOK WinHookClient::Install(DWORD processId, const WinIpcHookRequest& request) {
    platform::UniqueFd fd = WinIpcClient::ConnectProcess(processId, kAnswerTimeoutMs);
    if (!fd) {
        platform::ReportDiagnostic("win::SetWindowsHookEx",
                                   "Process " + std::to_string(processId) + " of thread " +
                                       std::to_string(request.threadId) +
                                       " cannot be reached (it has no windows)");
        return 0;
    }
    std::string reply;
    WinIpcHookReply answer;
    if (!WinIpcWire::WriteFrame(fd.Get(), WinIpcEncodeRequest(request)) ||
        !WinIpcWire::ReadFrame(fd.Get(), &reply) || !WinIpcDecodeReply(std::move(reply), &answer) ||
        answer.hook == 0) {
        platform::ReportDiagnostic("win::SetWindowsHookEx", "Process " + std::to_string(processId) +
                                                                " refused the hook on thread " +
                                                                std::to_string(request.threadId));
        return 0;
    }
    Installed& installed = TheInstalled();
    std::lock_guard<std::mutex> lock(installed.mutex);
    installed.connections[answer.hook] = std::move(fd);
    return answer.hook;
}

bool WinHookClient::Unhook(HHOOK hook, bool* known) {
    platform::UniqueFd fd;
    {
        Installed& installed = TheInstalled();
        std::lock_guard<std::mutex> lock(installed.mutex);
        auto it = installed.connections.find(hook);
        *known = it != installed.connections.end();
        if (!*known) {
            return false;
        }
        fd = std::move(it->second);
        installed.connections.erase(it);
    }
    WinIpcUnhookRequest request;
    request.hook = hook;
    std::string reply;
    WinIpcUnhookReply answer;
    // A hook that went in the other process has its connection shut down: nothing answers.
    return WinIpcWire::WriteFrame(fd.Get(), WinIpcEncodeRequest(request)) &&
           WinIpcWire::ReadFrame(fd.Get(), &reply) &&
           WinIpcDecodeReply(std::move(reply), &answer) && answer.ok;
}

} // namespace win::detail
