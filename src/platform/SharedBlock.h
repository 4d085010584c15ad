// A small block of memory that every process of the user's session sees: the stand-in for a
// shared data section of a library. The block lives in a file "<name>" in the session's
// runtime folder ("$XDG_RUNTIME_DIR/Quorvane", mode 0700), the same folder that scopes window
// handles, so exactly the processes that can reach each other's windows share one block.
//
// The file is opened without following a link, must be a regular file of this user, and is
// created with mode 0600 and zero-filled to the block's size. A file found shorter than the
// block (never written completely) is extended with zeros; its first bytes are kept. The
// object owns its descriptor and its mapping and releases both when it goes; the file itself
// stays, so that a process that maps the block later sees what earlier ones wrote.
//
// Reads and writes of the bytes are not synchronised; callers keep each field to one writer.
#pragma once

#include "platform/UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

class SharedBlock {
public:
    SharedBlock() = default;
    ~SharedBlock();
    SharedBlock(const SharedBlock&) = delete;
    SharedBlock& operator=(const SharedBlock&) = delete;

    // Maps the block `name` (a plain file name, no "/") of `size` bytes. Unmaps a block
    // mapped before. False when the runtime folder or the file is refused or the mapping
    // fails (errno tells); the object is then unmapped.
    bool Open(const std::string& name, std::size_t size);
    void Close();

    bool IsOpen() const { return m_data != nullptr; }
    std::size_t Size() const { return m_size; }
    // The mapped bytes; null while not open.
    std::uint8_t* Data() const { return static_cast<std::uint8_t*>(m_data); }
    // Full path of the file behind the block (empty while not open).
    const std::string& Path() const { return m_path; }

    // Little-endian 32-bit field at `offset` (which must lie inside the block); 0 while the
    // block is not open, and a write is then dropped.
    std::uint32_t ReadU32(std::size_t offset) const;
    void WriteU32(std::size_t offset, std::uint32_t value);
    std::uint8_t ReadU8(std::size_t offset) const;
    void WriteU8(std::size_t offset, std::uint8_t value);

private:
    UniqueFd m_fd;
    void* m_data = nullptr;
    std::size_t m_size = 0;
    std::string m_path;
};

} // namespace platform
