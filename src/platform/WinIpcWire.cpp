#include "platform/WinIpcWire.h"

#include "platform/Diagnostics.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace win::detail {

void WinIpcWire::PutU8(std::uint8_t v) {
    m_data.push_back(static_cast<char>(v));
}

void WinIpcWire::PutU32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        m_data.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

void WinIpcWire::PutU64(std::uint64_t v) {
    for (int i = 0; i < 8; ++i) {
        m_data.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

void WinIpcWire::PutText(const std::string& text) {
    PutU32(static_cast<std::uint32_t>(text.size()));
    m_data.append(text);
}

void WinIpcWire::PutBytes(const void* data, std::size_t size) {
    PutU32(static_cast<std::uint32_t>(size));
    if (size > 0) {
        m_data.append(static_cast<const char*>(data), size);
    }
}

bool WinIpcWire::GetU8(std::uint8_t* v) {
    if (m_data.size() - m_pos < 1) {
        return false;
    }
    *v = static_cast<std::uint8_t>(m_data[m_pos++]);
    return true;
}

bool WinIpcWire::GetU32(std::uint32_t* v) {
    if (m_data.size() - m_pos < 4) {
        return false;
    }
    std::uint32_t out = 0;
    for (int i = 0; i < 4; ++i) {
        out |= static_cast<std::uint32_t>(static_cast<unsigned char>(m_data[m_pos++])) << (8 * i);
    }
    *v = out;
    return true;
}

bool WinIpcWire::GetU64(std::uint64_t* v) {
    if (m_data.size() - m_pos < 8) {
        return false;
    }
    std::uint64_t out = 0;
    for (int i = 0; i < 8; ++i) {
        out |= static_cast<std::uint64_t>(static_cast<unsigned char>(m_data[m_pos++])) << (8 * i);
    }
    *v = out;
    return true;
}

bool WinIpcWire::GetText(std::string* text, std::size_t maxSize) {
    std::uint32_t size = 0;
    if (!GetU32(&size) || size > maxSize || m_data.size() - m_pos < size) {
        return false;
    }
    text->assign(m_data, m_pos, size);
    m_pos += size;
    return true;
}

namespace {

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::recv(fd, data, size, 0);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

void WinIpcWire::SetTimeouts(int fd, int ms) {
    timeval tv{};
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

bool WinIpcWire::WriteFrame(int fd, const std::string& payload) {
    if (payload.size() > kMaxFrame) {
        return false;
    }
    WinIpcWire head;
    head.PutU32(static_cast<std::uint32_t>(payload.size()));
    std::string frame = head.Data() + payload;
    return WriteAll(fd, frame.data(), frame.size());
}

bool WinIpcWire::ReadFrame(int fd, std::string* payload) {
    char head[4];
    if (!ReadAll(fd, head, sizeof head)) {
        return false;
    }
    std::uint32_t size = 0;
    for (int i = 0; i < 4; ++i) {
        size |= static_cast<std::uint32_t>(static_cast<unsigned char>(head[i])) << (8 * i);
    }
    if (size > kMaxFrame) {
        return false;
    }
    payload->resize(size);
    return size == 0 || ReadAll(fd, payload->data(), size);
}

bool WinIpcWire::PeerIsUser(int fd, const char* location) {
    struct ucred cred {};
    socklen_t len = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) {
        platform::ReportDiagnostic(location, std::string("Cannot read peer credentials: ") +
                                                 std::strerror(errno));
        return false;
    }
    if (cred.uid != ::geteuid()) {
        platform::ReportDiagnostic(location, "Refused connection of process " +
                                                 std::to_string(cred.pid) + " of user " +
                                                 std::to_string(cred.uid));
        return false;
    }
    return true;
}

bool WinIpcWire::MakeAddress(const std::string& path, void* address, unsigned* length,
                             int* folderFd) {
    auto* addr = static_cast<sockaddr_un*>(address);
    std::memset(addr, 0, sizeof *addr);
    addr->sun_family = AF_UNIX;
    *folderFd = -1;
    std::string target = path;
    if (target.size() >= sizeof addr->sun_path) {
        std::size_t slash = path.find_last_of('/');
        if (slash == std::string::npos) {
            return false;
        }
        int fd = ::open(path.substr(0, slash).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            return false;
        }
        target = "/proc/self/fd/" + std::to_string(fd) + path.substr(slash);
        if (target.size() >= sizeof addr->sun_path) {
            ::close(fd);
            return false;
        }
        *folderFd = fd;
    }
    std::memcpy(addr->sun_path, target.c_str(), target.size());
    *length = static_cast<unsigned>(offsetof(sockaddr_un, sun_path) + target.size() + 1);
    return true;
}

std::string WinIpcWire::SocketName(UINT slot) {
    return "win-" + std::to_string(slot) + ".sock";
}

} // namespace win::detail
