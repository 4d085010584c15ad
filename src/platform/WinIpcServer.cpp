#include "platform/WinIpcServer.h"

#include "platform/Diagnostics.h"
#include "platform/Sync.h"
#include "platform/UniqueFd.h"
#include "platform/WinHandleAllocator.h"
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

void SetTimeouts(int fd, int ms) {
    timeval tv{};
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

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
        SetTimeouts(fd, kRequestTimeoutMs);
        std::string request;
        if (WinIpcWire::ReadFrame(fd, &request)) {
            std::string reply = Handle(request);
            // A sent message may have taken long; the reply is written without a time limit.
            SetTimeouts(fd, 0);
            WinIpcWire::WriteFrame(fd, reply);
        }
    } catch (const std::exception& e) {
        platform::ReportDiagnostic("win::Listener", std::string("Request failed: ") + e.what());
    } catch (...) {
        platform::ReportDiagnostic("win::Listener", "Unknown exception caught.");
    }
}

std::string WinIpcServer::Handle(const std::string& request) {
    WinIpcWire in(request);
    WinIpcWire out;
    std::uint8_t type = 0;
    if (!in.GetU8(&type)) {
        return out.Data();
    }
    WinWindowTable& table = WinWindowTable::Instance();
    WinHandleAllocator& handles = WinHandleAllocator::Instance();
    // Everything posted or sent on from here came from another process.
    PeerOriginScope origin;
    switch (static_cast<WinIpcRequest>(type)) {
    case WinIpcRequest::Find: {
        std::string className;
        std::string title;
        std::uint8_t firstOnly = 0;
        if (!in.GetText(&className) || !in.GetText(&title) || !in.GetU8(&firstOnly)) {
            break;
        }
        std::vector<HWND> found = table.FindTopLevel(className, title, firstOnly != 0);
        out.PutU32(static_cast<std::uint32_t>(found.size()));
        for (HWND h : found) {
            out.PutU32(h);
        }
        break;
    }
    case WinIpcRequest::Post: {
        std::uint32_t hwnd = 0;
        std::uint32_t msg = 0;
        std::uint64_t wp = 0;
        std::uint64_t lp = 0;
        if (!in.GetU32(&hwnd) || !in.GetU32(&msg) || !in.GetU64(&wp) || !in.GetU64(&lp)) {
            break;
        }
        bool ok = false;
        if (hwnd == HWND_BROADCAST) {
            for (HWND h : table.FindTopLevel(std::string(), std::string(), false)) {
                ok = win::PostMessage(h, msg, static_cast<WPARAM>(wp), static_cast<LPARAM>(lp)) ||
                     ok;
            }
            ok = true;
        } else if (handles.IsLocal(hwnd)) {
            ok = win::PostMessage(hwnd, msg, static_cast<WPARAM>(wp), static_cast<LPARAM>(lp));
        }
        out.PutU8(ok ? 1 : 0);
        break;
    }
    case WinIpcRequest::Send: {
        std::uint32_t hwnd = 0;
        std::uint32_t msg = 0;
        std::uint64_t wp = 0;
        std::uint64_t lp = 0;
        std::uint8_t hasCopy = 0;
        if (!in.GetU32(&hwnd) || !in.GetU32(&msg) || !in.GetU64(&wp) || !in.GetU64(&lp) ||
            !in.GetU8(&hasCopy)) {
            break;
        }
        COPYDATASTRUCT copy;
        std::string bytes;
        if (hasCopy != 0) {
            std::uint64_t dwData = 0;
            if (!in.GetU64(&dwData) || !in.GetText(&bytes, WinIpcWire::kMaxFrame)) {
                break;
            }
            copy.dwData = static_cast<std::uintptr_t>(dwData);
            copy.cbData = static_cast<DWORD>(bytes.size());
            copy.lpData = bytes.empty() ? nullptr : bytes.data();
            lp = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&copy));
        }
        LRESULT result = 0;
        bool ok = false;
        if (handles.IsLocal(hwnd) && table.Exists(hwnd)) {
            ok = win::SendMessageTimeout(hwnd, msg, static_cast<WPARAM>(wp),
                                         static_cast<LPARAM>(lp), INFINITE, &result);
        }
        out.PutU8(ok ? 1 : 0);
        out.PutU64(static_cast<std::uint64_t>(result));
        break;
    }
    case WinIpcRequest::Info: {
        std::uint32_t hwnd = 0;
        WinWindowInfo info;
        if (!in.GetU32(&hwnd)) {
            break;
        }
        bool exists = handles.IsLocal(hwnd) && table.Info(hwnd, &info);
        out.PutU8(exists ? 1 : 0);
        out.PutU32(info.threadId);
        out.PutU32(info.processId);
        out.PutU32(info.parent);
        out.PutText(info.className);
        out.PutText(info.title);
        break;
    }
    case WinIpcRequest::SetText: {
        std::uint32_t hwnd = 0;
        std::string title;
        if (!in.GetU32(&hwnd) || !in.GetText(&title)) {
            break;
        }
        out.PutU8(handles.IsLocal(hwnd) && table.SetTitle(hwnd, title) ? 1 : 0);
        break;
    }
    default:
        platform::ReportDiagnostic("win::Listener",
                                   "Unknown request " + std::to_string(type) + " ignored");
        break;
    }
    return out.Data();
}

} // namespace win::detail
