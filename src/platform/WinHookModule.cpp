#include "platform/WinHookModule.h"

#include "platform/WinThreadState.h"

#include <map>
#include <mutex>

namespace win::detail {

namespace {

struct Loaded {
    std::mutex mutex;
    std::map<std::string, std::weak_ptr<WinHookModule>> modules;
};

// Never destroyed: modules may be released while the process exits.
Loaded& TheLoaded() {
    static Loaded* loaded = new Loaded;
    return *loaded;
}

} // namespace

WinHookModule::WinHookModule(platform::DynLib library, std::weak_ptr<WinThreadState> thread)
    : m_library(std::move(library)), m_thread(std::move(thread)) {}

WinHookModule::~WinHookModule() = default;

std::shared_ptr<WinHookModule> WinHookModule::Load(const std::string& path, std::string* error) {
    if (path.empty() || path.front() != '/') {
        *error = "the module path is not absolute: \"" + path + "\"";
        return nullptr;
    }
    Loaded& loaded = TheLoaded();
    {
        std::lock_guard<std::mutex> lock(loaded.mutex);
        auto it = loaded.modules.find(path);
        if (it != loaded.modules.end()) {
            if (std::shared_ptr<WinHookModule> module = it->second.lock()) {
                return module;
            }
        }
    }
    // Loaded without the lock: the library's initialisation may itself retrieve messages and
    // so call hooks. A load whose close is still pending only raises the loader's own count,
    // so the pending close leaves this one loaded.
    platform::DynLib library;
    if (!library.Open(path)) {
        *error = "cannot load " + path + ": " + library.Error();
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(loaded.mutex);
    std::weak_ptr<WinHookModule>& slot = loaded.modules[path];
    if (std::shared_ptr<WinHookModule> other = slot.lock()) {
        return other; // loaded meanwhile (by a nested call): ours just lowers the count again
    }
    std::shared_ptr<WinHookModule> module(
        new WinHookModule(std::move(library), WinThreadState::Current()), &WinHookModule::Release);
    slot = module;
    return module;
}

void* WinHookModule::Symbol(const std::string& name, std::string* error) const {
    void* address = m_library.Symbol(name);
    if (address == nullptr) {
        *error = "no symbol \"" + name + "\" in " + m_library.Path() + ": " + m_library.Error();
    }
    return address;
}

void WinHookModule::Release(WinHookModule* module) {
    {
        // Forget expired entries, so the table does not grow with every module ever used.
        Loaded& loaded = TheLoaded();
        std::lock_guard<std::mutex> lock(loaded.mutex);
        std::erase_if(loaded.modules, [](const auto& entry) { return entry.second.expired(); });
    }
    std::shared_ptr<WinThreadState> thread = module->m_thread.lock();
    if (thread && thread->QueueAction([module] { delete module; })) {
        return;
    }
    delete module;
}

} // namespace win::detail
