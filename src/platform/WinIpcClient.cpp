#include "platform/WinIpcClient.h"

#include "platform/Diagnostics.h"
#include "platform/UniqueFd.h"
#include "platform/WinHandleAllocator.h"
#include "platform/WinIpcMessages.h"
#include "platform/WinIpcWire.h"
#include "platform/WinRuntimeFolder.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace win::detail {

namespace {

// Requests that are answered at once (searches, posts) get this long.
constexpr int kQuickTimeoutMs = 5000;

} // namespace

void WinIpcClient::RemoveIfStale(const std::string& folder, UINT slot) {
    // A socket nobody listens on is stale only when its slot is no longer locked; otherwise
    // its owner may just be starting. The lock is held until the socket is gone.
    std::string lockPath = folder + "/" + WinHandleAllocator::LockFileName(slot);
    platform::UniqueFd lock(::open(lockPath.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
    if (lock && ::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0) {
        return;
    }
    ::unlink((folder + "/" + WinIpcWire::SocketName(slot)).c_str());
}

platform::UniqueFd WinIpcClient::Connect(const std::string& folder, UINT slot, int timeoutMs) {
    const std::string path = folder + "/" + WinIpcWire::SocketName(slot);
    platform::UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd) {
        return {};
    }
    sockaddr_un addr{};
    unsigned len = 0;
    int rawFolderFd = -1;
    if (!WinIpcWire::MakeAddress(path, &addr, &len, &rawFolderFd)) {
        return {};
    }
    platform::UniqueFd folderFd(rawFolderFd); // keeps a long path's folder open while connecting
    int rc = 0;
    do {
        rc = ::connect(fd.Get(), reinterpret_cast<sockaddr*>(&addr), static_cast<socklen_t>(len));
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        if (errno == ECONNREFUSED || errno == ENOENT) {
            RemoveIfStale(folder, slot);
        }
        return {};
    }
    if (!WinIpcWire::PeerIsUser(fd.Get(), "win::Connect")) {
        return {};
    }
    if (timeoutMs > 0) {
        WinIpcWire::SetTimeouts(fd.Get(), timeoutMs);
    }
    return fd;
}

bool WinIpcClient::Request(UINT slot, const std::string& request, std::string* reply,
                           int timeoutMs) {
    std::string folder = WinRuntimeFolder::Path();
    if (folder.empty()) {
        return false;
    }
    platform::UniqueFd fd = Connect(folder, slot, timeoutMs);
    if (!fd) {
        return false;
    }
    return WinIpcWire::WriteFrame(fd.Get(), request) && WinIpcWire::ReadFrame(fd.Get(), reply);
}

std::vector<UINT> WinIpcClient::PeerSlots() {
    std::vector<UINT> slots;
    std::string folder = WinRuntimeFolder::Path();
    if (folder.empty()) {
        return slots;
    }
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return slots;
    }
    WinHandleAllocator& handles = WinHandleAllocator::Instance();
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() <= 9 || name.compare(0, 4, "win-") != 0 ||
            name.compare(name.size() - 5, 5, ".sock") != 0) {
            continue;
        }
        std::string digits = name.substr(4, name.size() - 9);
        if (digits.empty() ||
            !std::all_of(digits.begin(), digits.end(),
                         [](char c) { return c >= '0' && c <= '9'; }) ||
            digits.size() > 5) {
            continue;
        }
        UINT slot = static_cast<UINT>(std::strtoul(digits.c_str(), nullptr, 10));
        if (slot == 0 || slot > WinHandleAllocator::kMaxSlot || handles.OwnsSlot(slot)) {
            continue;
        }
        slots.push_back(slot);
    }
    ::closedir(dir);
    std::sort(slots.begin(), slots.end());
    return slots;
}

std::vector<HWND> WinIpcClient::Find(const std::string& className, const std::string& title,
                                     bool firstOnly) {
    std::vector<HWND> found;
    WinIpcFindRequest request;
    request.className = className;
    request.title = title;
    request.firstOnly = firstOnly;
    const std::string frame = WinIpcEncodeRequest(request);
    for (UINT slot : PeerSlots()) {
        std::string reply;
        WinIpcFindReply answer;
        if (!Request(slot, frame, &reply, kQuickTimeoutMs) ||
            !WinIpcDecodeReply(std::move(reply), &answer)) {
            continue;
        }
        found.insert(found.end(), answer.handles.begin(), answer.handles.end());
        if (firstOnly && !found.empty()) {
            break;
        }
    }
    return found;
}

namespace {

WinIpcPostRequest PostRequest(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    WinIpcPostRequest request;
    request.hwnd = hwnd;
    request.message = msg;
    request.wParam = static_cast<std::uint64_t>(wParam);
    request.lParam = static_cast<std::uint64_t>(lParam);
    return request;
}

} // namespace

bool WinIpcClient::Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    std::string reply;
    if (!Request(WinHandleAllocator::SlotOf(hwnd),
                 WinIpcEncodeRequest(PostRequest(hwnd, msg, wParam, lParam)), &reply,
                 kQuickTimeoutMs)) {
        return false;
    }
    WinIpcPostReply answer;
    return WinIpcDecodeReply(std::move(reply), &answer) && answer.ok;
}

void WinIpcClient::BroadcastPost(UINT msg, WPARAM wParam, LPARAM lParam) {
    const std::string frame = WinIpcEncodeRequest(PostRequest(HWND_BROADCAST, msg, wParam, lParam));
    for (UINT slot : PeerSlots()) {
        std::string reply;
        Request(slot, frame, &reply, kQuickTimeoutMs);
    }
}

bool WinIpcClient::Info(HWND hwnd, WinWindowInfo* info) {
    UINT slot = WinHandleAllocator::SlotOf(hwnd);
    if (slot == 0) {
        return false;
    }
    WinIpcInfoRequest request;
    request.hwnd = hwnd;
    std::string reply;
    if (!Request(slot, WinIpcEncodeRequest(request), &reply, kQuickTimeoutMs)) {
        return false;
    }
    WinIpcInfoReply answer;
    if (!WinIpcDecodeReply(std::move(reply), &answer) || !answer.exists) {
        return false;
    }
    if (info != nullptr) {
        info->hwnd = hwnd;
        info->threadId = answer.threadId;
        info->processId = answer.processId;
        info->parent = answer.parent;
        info->className = std::move(answer.className);
        info->title = std::move(answer.title);
    }
    return true;
}

bool WinIpcClient::SetText(HWND hwnd, const std::string& title) {
    UINT slot = WinHandleAllocator::SlotOf(hwnd);
    if (slot == 0) {
        return false;
    }
    WinIpcSetTextRequest request;
    request.hwnd = hwnd;
    request.title = title;
    std::string reply;
    if (!Request(slot, WinIpcEncodeRequest(request), &reply, kQuickTimeoutMs)) {
        return false;
    }
    WinIpcSetTextReply answer;
    return WinIpcDecodeReply(std::move(reply), &answer) && answer.ok;
}

bool WinIpcClient::StartSend(const std::shared_ptr<WinSendRecord>& record,
                             const COPYDATASTRUCT* copy) {
    UINT slot = WinHandleAllocator::SlotOf(record->hwnd);
    if (slot == 0) {
        return false;
    }
    WinIpcSendRequest request;
    request.hwnd = record->hwnd;
    request.message = record->message;
    request.wParam = static_cast<std::uint64_t>(record->wParam);
    request.lParam = copy != nullptr ? 0 : static_cast<std::uint64_t>(record->lParam);
    if (copy != nullptr) {
        if (copy->cbData > WinIpcWire::kMaxFrame - 64 ||
            (copy->cbData > 0 && copy->lpData == nullptr)) {
            return false;
        }
        request.copy.present = true;
        request.copy.dwData = static_cast<std::uint64_t>(copy->dwData);
        if (copy->cbData > 0) {
            request.copy.bytes.assign(static_cast<const char*>(copy->lpData), copy->cbData);
        }
    }
    try {
        // The sender keeps handling its own sent messages while this thread waits for the
        // answer; the thread ends when the peer answers or goes away.
        std::thread([record, frame = WinIpcEncodeRequest(request), slot] {
            std::string reply;
            bool ok = false;
            try {
                ok = Request(slot, frame, &reply, 0);
            } catch (...) {
                ok = false;
            }
            WinIpcSendReply answer;
            if (!ok || !WinIpcDecodeReply(std::move(reply), &answer)) {
                answer = WinIpcSendReply();
            }
            WinThreadState::Complete(*record, answer.delivered,
                                     answer.delivered ? static_cast<LRESULT>(answer.result) : 0);
        }).detach();
    } catch (...) {
        platform::ReportDiagnostic("win::SendMessage", "Cannot start a delivery thread");
        return false;
    }
    return true;
}

platform::UniqueFd WinIpcClient::ConnectProcess(DWORD processId, int timeoutMs) {
    std::string folder = WinRuntimeFolder::Path();
    if (folder.empty() || processId == 0) {
        return {};
    }
    for (UINT slot : PeerSlots()) {
        platform::UniqueFd fd = Connect(folder, slot, timeoutMs);
        if (!fd) {
            continue;
        }
        struct ucred cred {};
        socklen_t len = sizeof cred;
        if (::getsockopt(fd.Get(), SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0 &&
            static_cast<DWORD>(cred.pid) == processId) {
            return fd;
        }
    }
    return {};
}

bool WinIpcClient::Unhook(HHOOK hook) {
    UINT slot = WinHandleAllocator::SlotOf(hook);
    if (slot == 0) {
        return false;
    }
    WinIpcUnhookRequest request;
    request.hook = hook;
    std::string reply;
    if (!Request(slot, WinIpcEncodeRequest(request), &reply, kQuickTimeoutMs)) {
        return false;
    }
    WinIpcUnhookReply answer;
    return WinIpcDecodeReply(std::move(reply), &answer) && answer.ok;
}

} // namespace win::detail
