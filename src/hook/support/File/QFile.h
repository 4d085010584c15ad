// A file opened for reading, read whole. Open and ReadAll raise QFileException on failure;
// the descriptor closes itself. A file larger than kMaxSize is refused (a text file of the
// hook library is a few kilobytes; a damaged or foreign file must not exhaust memory).
#pragma once

#include "platform/UniqueFd.h"
#include "platform/Win.h"

#include <cstddef>
#include <string>

namespace qsupport {

class QFile {
public:
    static constexpr win::DWORD kGenericRead = 0x80000000;
    static constexpr win::DWORD kShareRead = 0x00000001;
    static constexpr win::DWORD kOpenExisting = 3;
    static constexpr std::size_t kMaxSize = 16u * 1024u * 1024u;

    QFile() = default;
    QFile(const QFile&) = delete;
    QFile& operator=(const QFile&) = delete;

    // Opens an existing file for reading. Access, sharing, creation and attributes are the
    // values callers pass for reading an existing file; other values are refused (EINVAL).
    void Open(const std::string& path, win::DWORD access = kGenericRead,
              win::DWORD sharing = kShareRead, win::DWORD creation = kOpenExisting,
              win::DWORD attributes = 0);
    // The whole content, from the start.
    std::string ReadAll();
    void Close() { m_fd.Reset(); }
    bool IsOpen() const { return m_fd.IsValid(); }
    const std::string& Path() const { return m_path; }

private:
    platform::UniqueFd m_fd;
    std::string m_path;
};

} // namespace qsupport
