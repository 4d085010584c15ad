#include "platform/SharedBlock.h"

#include "platform/Paths.h"
#include "platform/SafeFile.h"

#include <atomic>
#include <cerrno>
#include <sys/mman.h>
#include <sys/stat.h>

namespace platform {

SharedBlock::~SharedBlock() {
    Close();
}

void SharedBlock::Close() {
    if (m_data != nullptr) {
        ::munmap(m_data, m_size);
    }
    m_data = nullptr;
    m_size = 0;
    m_fd.Reset();
    m_path.clear();
}

bool SharedBlock::Open(const std::string& name, std::size_t size) {
    Close();
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == ".." ||
        size == 0) {
        errno = EINVAL;
        return false;
    }
    std::string folder = RuntimeFolder();
    if (folder.empty()) {
        errno = ENOENT;
        return false;
    }
    if (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    folder += "/Quorvane";
    const std::string path = folder + "/" + name;
    // The opener checks the folder (ours, 0700, no link) and the file (regular, ours, no link);
    // a new file is created empty with mode 0600.
    UniqueFd fd = OpenPrivateFile(path, PrivateOpen::Append);
    if (!fd) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        return false;
    }
    // Two processes may create the file at once: both extend it to the same size, which
    // keeps whatever either already wrote. ftruncate fills the new bytes with zeros.
    if (static_cast<std::size_t>(st.st_size) < size &&
        ::ftruncate(fd.Get(), static_cast<off_t>(size)) != 0) {
        return false;
    }
    void* data = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd.Get(), 0);
    if (data == MAP_FAILED) {
        return false;
    }
    m_fd = std::move(fd);
    m_data = data;
    m_size = size;
    m_path = path;
    return true;
}

std::uint32_t SharedBlock::ReadU32(std::size_t offset) const {
    if (m_data == nullptr || offset + 4 > m_size) {
        return 0;
    }
    const std::uint8_t* p = Data() + offset;
    std::atomic_thread_fence(std::memory_order_acquire);
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void SharedBlock::WriteU32(std::size_t offset, std::uint32_t value) {
    if (m_data == nullptr || offset + 4 > m_size) {
        return;
    }
    std::uint8_t* p = Data() + offset;
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
    p[2] = static_cast<std::uint8_t>(value >> 16);
    p[3] = static_cast<std::uint8_t>(value >> 24);
    std::atomic_thread_fence(std::memory_order_release);
}

std::uint8_t SharedBlock::ReadU8(std::size_t offset) const {
    return m_data != nullptr && offset < m_size ? Data()[offset] : 0;
}

void SharedBlock::WriteU8(std::size_t offset, std::uint8_t value) {
    if (m_data != nullptr && offset < m_size) {
        Data()[offset] = value;
    }
}

} // namespace platform
