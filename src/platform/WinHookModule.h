// A shared library loaded for hook procedures in the hooked process. One load per file serves
// every hook of the process that names it; the load happens on the hooked thread that first
// calls one of its procedures, so the library's static initialisation runs there. When the last
// reference goes (the last hook is removed and no walk that calls it is running), closing is
// handed to that same thread, which closes it the next time it retrieves a message outside a
// hook call; once that thread has ended, it is closed at once.
#pragma once

#include "platform/DynLib.h"

#include <memory>
#include <string>

namespace win::detail {

class WinThreadState;

class WinHookModule {
public:
    // The module at `path` (an absolute path), loaded on the calling thread unless this process
    // already has it loaded for hooks; null with *error set when it cannot be loaded.
    static std::shared_ptr<WinHookModule> Load(const std::string& path, std::string* error);

    ~WinHookModule();
    WinHookModule(const WinHookModule&) = delete;
    WinHookModule& operator=(const WinHookModule&) = delete;

    // The exported symbol; null with *error set when absent.
    void* Symbol(const std::string& name, std::string* error) const;

private:
    WinHookModule(platform::DynLib library, std::weak_ptr<WinThreadState> thread);
    // Deleter of the shared references: closes on the loading thread.
    static void Release(WinHookModule* module);

    platform::DynLib m_library;
    std::weak_ptr<WinThreadState> m_thread;
};

} // namespace win::detail
