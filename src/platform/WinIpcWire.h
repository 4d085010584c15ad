// Wire format between the processes of a session: each request and each reply is one frame,
// a 32-bit little-endian length followed by that many bytes. Inside a frame, numbers are
// little-endian and texts are a 32-bit length followed by the bytes.
#pragma once

#include "platform/Win.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace win::detail {

// The type byte that opens a request frame (the requests themselves: WinIpcMessages.h).
enum class WinIpcRequest : std::uint8_t {
    Find = 1,
    Post = 2,
    Send = 3,
    Info = 4,
    SetText = 5,
    // Hooks: an installation keeps its connection open for the life of the hook.
    Hook = 0x10,
    Unhook = 0x11,
};

class WinIpcWire {
public:
    static constexpr std::size_t kMaxFrame = 64u * 1024u * 1024u;
    static constexpr std::size_t kMaxText = 1024u * 1024u;

    WinIpcWire() = default;
    explicit WinIpcWire(std::string data) : m_data(std::move(data)) {}

    void PutU8(std::uint8_t v);
    void PutU32(std::uint32_t v);
    void PutU64(std::uint64_t v);
    void PutText(const std::string& text);
    void PutBytes(const void* data, std::size_t size);
    const std::string& Data() const { return m_data; }

    bool GetU8(std::uint8_t* v);
    bool GetU32(std::uint32_t* v);
    bool GetU64(std::uint64_t* v);
    bool GetText(std::string* text, std::size_t maxSize = kMaxText);
    bool AtEnd() const { return m_pos == m_data.size(); }
    std::size_t Remaining() const { return m_data.size() - m_pos; }

    // Frame I/O on a connected socket; false on error, end of stream or a frame too big.
    static bool WriteFrame(int fd, const std::string& payload);
    static bool ReadFrame(int fd, std::string* payload);
    // Limits every later read and write on the socket to `ms` milliseconds; 0 removes the limit.
    static void SetTimeouts(int fd, int ms);
    // True when the peer of the socket runs as the same user; a refusal is reported.
    static bool PeerIsUser(int fd, const char* location);
    // Fills a Unix socket address for `path`; long paths go through an open folder handle
    // (returned in *folderFd, to be closed after bind or connect).
    static bool MakeAddress(const std::string& path, void* address, unsigned* length,
                            int* folderFd);
    static std::string SocketName(UINT slot);

private:
    std::string m_data;
    std::size_t m_pos = 0;
};

} // namespace win::detail
