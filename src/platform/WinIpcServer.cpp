#include "platform/WinIpcServer.h"

#include "platform/Diagnostics.h"
#include "platform/Sync.h"
#include "platform/UniqueFd.h"
#include "platform/WinHandleAllocator.h"
#include "platform/WinHookServer.h"
#include "platform/WinIpcMessages.h"
#include "platform/WinIpcWire.h"
#include "platform/WinWindowTable.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace win::detail {

namespace {

// How long a connected peer may take to send its request.
constexpr int kRequestTimeoutMs = 10000;

} // namespace

WinIpcServer& WinIpcServer::Instance() {
    static WinIpcServer* server = new WinIpcServer;
    return *server;
}

bool WinIpcServer::Listen(UINT slot, const std::string& folder) {
    const std::string path = folder + "/" + WinIpcWire::SocketName(slot);
    platform::UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd) {
        platform::ReportDiagnostic("win::Listen", std::string("socket: ") + std::strerror(errno));
        return false;
    }
    sockaddr_un addr{};
    unsigned len = 0;
    int rawFolderFd = -1;
    if (!WinIpcWire::MakeAddress(path, &addr, &len, &rawFolderFd)) {
        platform::ReportDiagnostic("win::Listen", "Socket path too long: " + path);
        return false;
    }
    platform::UniqueFd folderFd(rawFolderFd); // keeps a long path's folder open while binding
    // We hold the slot's lock, so a socket left here belongs to a process that has ended.
    ::unlink(path.c_str());
    if (::bind(fd.Get(), reinterpret_cast<sockaddr*>(&addr), static_cast<socklen_t>(len)) != 0 ||
        ::listen(fd.Get(), 64) != 0) {
        platform::ReportDiagnostic("win::Listen",
                                   "Cannot listen on " + path + ": " + std::strerror(errno));
        return false;
    }
    folderFd.Reset();
    ::chmod(path.c_str(), 0600);

    std::lock_guard<std::mutex> lock(m_mutex);
    m_listeners.push_back(fd.Release());
    m_paths.push_back(path);
    if (!m_started) {
        if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
            platform::ReportDiagnostic("win::Listen", "Cannot create wake pipe");
            return false;
        }
        try {
            std::thread(&WinIpcServer::Run, this).detach();
            m_started = true;
            // Tidy up at exit; a process that is killed leaves its sockets behind, and the
            // next search removes them.
            static const pid_t owner = ::getpid();
            std::atexit([] {
                if (::getpid() != owner) {
                    return; // a forked child leaves its parent's sockets alone
                }
                WinIpcServer& s = WinIpcServer::Instance();
                std::lock_guard<std::mutex> l(s.m_mutex);
                for (const std::string& p : s.m_paths) {
                    ::unlink(p.c_str());
                }
            });
        } catch (...) {
            platform::ReportDiagnostic("win::Listen", "Cannot start the listener thread");
            return false;
        }
    } else {
        char c = 1;
        ssize_t n = ::write(m_wake[1], &c, 1);
        (void)n;
    }
    return true;
}

void WinIpcServer::Run() {
    for (;;) {
        std::vector<pollfd> fds;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            fds.push_back(pollfd{m_wake[0], POLLIN, 0});
            for (int fd : m_listeners) {
                fds.push_back(pollfd{fd, POLLIN, 0});
            }
        }
        int n = ::poll(fds.data(), fds.size(), -1);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            platform::ReportDiagnostic("win::Listener",
                                       std::string("poll: ") + std::strerror(errno));
            return;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            char buf[64];
            while (::read(m_wake[0], buf, sizeof buf) > 0) {
            }
        }
        for (std::size_t i = 1; i < fds.size(); ++i) {
            if ((fds[i].revents & POLLIN) == 0) {
                continue;
            }
            platform::UniqueFd conn(::accept4(fds[i].fd, nullptr, nullptr, SOCK_CLOEXEC));
            if (!conn) {
                if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                    // Out of descriptors: the pending connection stays queued, so wait a
                    // little instead of spinning on it.
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                }
                continue;
            }
            if (!WinIpcWire::PeerIsUser(conn.Get(), "win::Listener")) {
                continue;
            }
            try {
                // The thread owns the connection from here on.
                std::thread(&WinIpcServer::Serve, conn.Get()).detach();
                conn.Release();
            } catch (...) {
                platform::ReportDiagnostic("win::Listener", "Cannot start a connection thread");
            }
        }
    }
}

void WinIpcServer::Serve(int rawFd) {
    platform::UniqueFd owner(rawFd);
    const int fd = owner.Get();
    try {
        WinIpcWire::SetTimeouts(fd, kRequestTimeoutMs);
        std::string request;
        std::string reply;
        if (WinIpcWire::ReadFrame(fd, &request) && Handle(fd, request, &reply)) {
            // A sent message may have taken long; the reply is written without a time limit.
            WinIpcWire::SetTimeouts(fd, 0);
            WinIpcWire::WriteFrame(fd, reply);
        }
    } catch (const std::exception& e) {
        platform::ReportDiagnostic("win::Listener", std::string("Request failed: ") + e.what());
    } catch (...) {
        platform::ReportDiagnostic("win::Listener", "Unknown exception caught.");
    }
}

namespace {

// One answer per request; everything posted or sent on from here came from another process.
std::string Answer(const WinIpcFindRequest& r) {
    WinIpcFindReply reply;
    reply.handles = WinWindowTable::Instance().FindTopLevel(r.className, r.title, r.firstOnly);
    return WinIpcEncodeReply(reply);
}

std::string Answer(const WinIpcPostRequest& r) {
    WinIpcPostReply reply;
    const WPARAM wp = static_cast<WPARAM>(r.wParam);
    const LPARAM lp = static_cast<LPARAM>(r.lParam);
    if (r.hwnd == HWND_BROADCAST) {
        for (HWND h :
             WinWindowTable::Instance().FindTopLevel(std::string(), std::string(), false)) {
            win::PostMessage(h, r.message, wp, lp);
        }
        reply.ok = true;
    } else if (WinHandleAllocator::Instance().IsLocal(r.hwnd)) {
        reply.ok = win::PostMessage(r.hwnd, r.message, wp, lp);
    }
    return WinIpcEncodeReply(reply);
}

std::string Answer(const WinIpcSendRequest& r) {
    WinIpcSendReply reply;
    std::uint64_t lp = r.lParam;
    COPYDATASTRUCT copy;
    if (r.copy.present) {
        copy.dwData = static_cast<std::uintptr_t>(r.copy.dwData);
        copy.cbData = static_cast<DWORD>(r.copy.bytes.size());
        copy.lpData = r.copy.bytes.empty() ? nullptr : r.copy.bytes.data();
        lp = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&copy));
    }
    LRESULT result = 0;
    if (WinHandleAllocator::Instance().IsLocal(r.hwnd) &&
        WinWindowTable::Instance().Exists(r.hwnd)) {
        reply.delivered = win::SendMessageTimeout(r.hwnd, r.message, static_cast<WPARAM>(r.wParam),
                                                  static_cast<LPARAM>(lp), INFINITE, &result);
    }
    reply.result = static_cast<std::uint64_t>(result);
    return WinIpcEncodeReply(reply);
}

std::string Answer(const WinIpcInfoRequest& r) {
    WinWindowInfo info;
    WinIpcInfoReply reply;
    reply.exists = WinHandleAllocator::Instance().IsLocal(r.hwnd) &&
                   WinWindowTable::Instance().Info(r.hwnd, &info);
    reply.threadId = info.threadId;
    reply.processId = info.processId;
    reply.parent = info.parent;
    reply.className = info.className;
    reply.title = info.title;
    return WinIpcEncodeReply(reply);
}

// Served by WinHookServer, which keeps the connection for the life of the hook.
std::string Answer(const WinIpcHookRequest&) {
    return std::string();
}

std::string Answer(const WinIpcUnhookRequest& r) {
    WinIpcUnhookReply reply;
    reply.ok = WinHandleAllocator::Instance().IsLocal(r.hook) && WinHookServer::Unhook(r.hook);
    return WinIpcEncodeReply(reply);
}

std::string Answer(const WinIpcSetTextRequest& r) {
    WinIpcSetTextReply reply;
    reply.ok = WinHandleAllocator::Instance().IsLocal(r.hwnd) &&
               WinWindowTable::Instance().SetTitle(r.hwnd, r.title);
    return WinIpcEncodeReply(reply);
}

} // namespace

bool WinIpcServer::Handle(int fd, const std::string& request, std::string* reply) {
    WinIpcAnyRequest decoded;
    bool unknownType = false;
    if (!WinIpcDecodeRequest(request, &decoded, &unknownType)) {
        if (unknownType) {
            platform::ReportDiagnostic("win::Listener",
                                       "Unknown request " +
                                           std::to_string(static_cast<unsigned char>(request[0])) +
                                           " ignored");
        }
        reply->clear();
        return true;
    }
    if (const auto* hook = std::get_if<WinIpcHookRequest>(&decoded)) {
        WinHookServer::Serve(fd, *hook);
        return false;
    }
    PeerOriginScope origin;
    *reply = std::visit([](const auto& r) { return Answer(r); }, decoded);
    return true;
}

} // namespace win::detail
