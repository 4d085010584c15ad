// Answers other processes of the session: finds this process's top-level windows, delivers
// posted and sent messages (with WM_COPYDATA bytes) to its windows, and installs and removes
// hooks on its threads (WinHookServer). It listens on
// one Unix socket per handle slot ("win-<slot>.sock" in the runtime folder) and serves each
// connection on a thread of its own, so that a sent message that takes long never holds up
// the others.
#pragma once

#include "platform/Win.h"

#include <mutex>
#include <string>
#include <vector>

namespace win::detail {

class WinIpcServer {
public:
    static WinIpcServer& Instance();
    // Starts listening for the slot's handles; false (reported) when the socket cannot be made.
    bool Listen(UINT slot, const std::string& folder);

private:
    WinIpcServer() = default;
    void Run();
    static void Serve(int fd);
    // The reply to one request; false when the request took the connection over (a hook).
    static bool Handle(int fd, const std::string& request, std::string* reply);

    std::mutex m_mutex;
    std::vector<int> m_listeners;
    std::vector<std::string> m_paths;
    int m_wake[2] = {-1, -1};
    bool m_started = false;
};

} // namespace win::detail
