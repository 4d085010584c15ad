// Registered window message numbers. The names live in the file "messages" of the runtime
// folder, one "<hex number> <name>" line each, read and extended under an exclusive lock, so
// every process of the session gets the same number for the same name.
#pragma once

#include "platform/Win.h"

#include <mutex>
#include <string>
#include <unordered_map>

namespace win::detail {

class WinMessageNames {
public:
    static constexpr UINT kFirst = 0xC000;
    static constexpr UINT kLast = 0xFFFF;

    static WinMessageNames& Instance();
    // 0 for an empty name or one holding a line break or NUL.
    UINT Register(const std::string& name);

private:
    WinMessageNames() = default;
    UINT RegisterInFile(const std::string& path, const std::string& name, const std::string& key);

    std::mutex m_mutex;
    std::unordered_map<std::string, UINT> m_cache; // lower-case name -> number
    UINT m_nextPrivate = kLast;                    // numbers used without a runtime folder
};

} // namespace win::detail
