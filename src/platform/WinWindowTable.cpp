#include "platform/WinWindowTable.h"
#include "platform/StringUtil.h"

#include "platform/WinHandleAllocator.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <unistd.h>

namespace win::detail {

namespace {
// Class names and titles compare without regard to (ASCII) letter case.
bool SameText(const std::string& a, const std::string& b) {
    return platform::EqualsNoCase(a, b);
}
} // namespace

WinWindowTable& WinWindowTable::Instance() {
    // Never destroyed: threads ending during process exit still remove their windows.
    static WinWindowTable* table = new WinWindowTable;
    return *table;
}

HWND WinWindowTable::Add(const WindowDesc& desc, WNDPROC proc,
                         const std::shared_ptr<WinThreadState>& owner) {
    HWND hwnd = WinHandleAllocator::Instance().Allocate();
    if (hwnd == 0) {
        return 0;
    }
    Window w;
    w.info.hwnd = hwnd;
    w.info.className = desc.className;
    w.info.title = desc.title;
    w.info.parent = desc.parent;
    w.info.controlId = desc.controlId;
    w.info.x = desc.x;
    w.info.y = desc.y;
    w.info.width = desc.width;
    w.info.height = desc.height;
    w.info.threadId = owner->Id();
    w.info.processId = static_cast<DWORD>(::getpid());
    w.owner = owner;
    w.chain = WinProcChain::Create(std::move(proc));
    w.proc = std::make_shared<const WNDPROC>(
        [chain = w.chain](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
            return chain->CallTop(h, m, wp, lp);
        });
    std::unique_lock<std::shared_mutex> lock(m_mutex);
    w.seq = m_nextSeq++;
    if (desc.parent != 0 && m_windows.find(desc.parent) == m_windows.end()) {
        return 0;
    }
    m_windows.emplace(hwnd, std::move(w));
    if (desc.parent == 0) {
        m_order.push_back(hwnd);
    }
    return hwnd;
}

bool WinWindowTable::Remove(HWND hwnd) {
    Window gone; // its procedures go after the lock is released
    std::unique_lock<std::shared_mutex> lock(m_mutex);
    auto it = m_windows.find(hwnd);
    if (it == m_windows.end()) {
        return false;
    }
    if (it->second.info.parent == 0) {
        std::erase(m_order, hwnd);
    }
    gone = std::move(it->second);
    m_windows.erase(it);
    lock.unlock();
    return true;
}

bool WinWindowTable::Exists(HWND hwnd) const {
    std::shared_lock<std::shared_mutex> lock(m_mutex);
    return m_windows.find(hwnd) != m_windows.end();
}

bool WinWindowTable::Info(HWND hwnd, WinWindowInfo* info) const {
    std::shared_lock<std::shared_mutex> lock(m_mutex);
    auto it = m_windows.find(hwnd);
    if (it == m_windows.end()) {
        return false;
    }
    if (info != nullptr) {
        *info = it->second.info;
    }
    return true;
}

bool WinWindowTable::Target(HWND hwnd, std::shared_ptr<WinThreadState>* owner,
                            std::shared_ptr<const WNDPROC>* proc) const {
    std::shared_lock<std::shared_mutex> lock(m_mutex);
    auto it = m_windows.find(hwnd);
    if (it == m_windows.end()) {
        return false;
    }
    if (owner != nullptr) {
        *owner = it->second.owner;
    }
    if (proc != nullptr) {
        *proc = it->second.proc;
    }
    return true;
}

std::shared_ptr<WinThreadState> WinWindowTable::Owner(HWND hwnd) const {
    std::shared_lock<std::shared_mutex> lock(m_mutex);
    auto it = m_windows.find(hwnd);
    return it == m_windows.end() ? nullptr : it->second.owner;
}

bool WinWindowTable::SetTitle(HWND hwnd, const std::string& title) {
    std::unique_lock<std::shared_mutex> lock(m_mutex);
    auto it = m_windows.find(hwnd);
    if (it == m_windows.end()) {
        return false;
    }
    it->second.info.title = title;
    return true;
}

bool WinWindowTable::ReplaceProc(HWND hwnd, WNDPROC proc, WNDPROC* previous) {
    std::shared_ptr<WinProcChain> chain = Chain(hwnd);
    if (!chain) {
        return false;
    }
    // A link of this chain handed back restores it; anything else is a new subclass.
    if (const auto* call = proc.target<WinChainCall>();
        call != nullptr && call->chain.lock() == chain && chain->Contains(call->link)) {
        LONG_PTR removed = chain->Restore(call->link);
        if (previous != nullptr) {
            *previous = removed != 0 ? WNDPROC(WinChainCall{chain, removed}) : WNDPROC();
        }
        return true;
    }
    LONG_PTR below = chain->Install(std::move(proc));
    if (previous != nullptr) {
        *previous = WinChainCall{chain, below};
    }
    return true;
}

std::shared_ptr<WinProcChain> WinWindowTable::Chain(HWND hwnd) const {
    std::shared_lock<std::shared_mutex> lock(m_mutex);
    auto it = m_windows.find(hwnd);
    return it == m_windows.end() ? nullptr : it->second.chain;
}

bool WinWindowTable::SetGeometry(HWND hwnd, int x, int y, int width, int height) {
    std::unique_lock<std::shared_mutex> lock(m_mutex);
    auto it = m_windows.find(hwnd);
    if (it == m_windows.end()) {
        return false;
    }
    it->second.info.x = x;
    it->second.info.y = y;
    it->second.info.width = width;
    it->second.info.height = height;
    return true;
}

bool WinWindowTable::SetControlId(HWND hwnd, int controlId, int* previous) {
    std::unique_lock<std::shared_mutex> lock(m_mutex);
    auto it = m_windows.find(hwnd);
    if (it == m_windows.end()) {
        return false;
    }
    if (previous != nullptr) {
        *previous = it->second.info.controlId;
    }
    it->second.info.controlId = controlId;
    return true;
}

bool WinWindowTable::SetUserData(HWND hwnd, LONG_PTR value, LONG_PTR* previous) {
    std::unique_lock<std::shared_mutex> lock(m_mutex);
    auto it = m_windows.find(hwnd);
    if (it == m_windows.end()) {
        return false;
    }
    if (previous != nullptr) {
        *previous = it->second.info.userData;
    }
    it->second.info.userData = value;
    return true;
}

bool WinWindowTable::BeginDestroy(HWND hwnd) {
    std::unique_lock<std::shared_mutex> lock(m_mutex);
    auto it = m_windows.find(hwnd);
    if (it == m_windows.end() || it->second.destroying) {
        return false;
    }
    it->second.destroying = true;
    return true;
}

bool WinWindowTable::IsSelfOrDescendant(HWND hwnd, HWND ancestor) const {
    std::shared_lock<std::shared_mutex> lock(m_mutex);
    // Parents always exist before their children, so the chain ends; the bound guards
    // against a damaged chain all the same.
    for (std::size_t depth = 0; hwnd != 0 && depth <= m_windows.size(); ++depth) {
        if (hwnd == ancestor) {
            return true;
        }
        auto it = m_windows.find(hwnd);
        if (it == m_windows.end()) {
            return false;
        }
        hwnd = it->second.info.parent;
    }
    return false;
}

std::vector<HWND> WinWindowTable::Children(HWND parent) const {
    std::vector<std::pair<std::uint64_t, HWND>> found;
    {
        std::shared_lock<std::shared_mutex> lock(m_mutex);
        for (const auto& [hwnd, w] : m_windows) {
            if (w.info.parent == parent) {
                found.emplace_back(w.seq, hwnd);
            }
        }
    }
    std::sort(found.begin(), found.end());
    std::vector<HWND> out;
    out.reserve(found.size());
    for (const auto& entry : found) {
        out.push_back(entry.second);
    }
    return out;
}

std::vector<HWND> WinWindowTable::WindowsOfThread(DWORD threadId) const {
    std::vector<HWND> out;
    std::shared_lock<std::shared_mutex> lock(m_mutex);
    for (const auto& [hwnd, w] : m_windows) {
        if (w.info.threadId == threadId) {
            out.push_back(hwnd);
        }
    }
    return out;
}

std::vector<HWND> WinWindowTable::FindTopLevel(const std::string& className,
                                               const std::string& title, bool firstOnly) const {
    std::vector<HWND> out;
    std::shared_lock<std::shared_mutex> lock(m_mutex);
    for (HWND hwnd : m_order) {
        auto it = m_windows.find(hwnd);
        if (it == m_windows.end()) {
            continue;
        }
        const WinWindowInfo& info = it->second.info;
        if ((className.empty() || SameText(info.className, className)) &&
            (title.empty() || SameText(info.title, title))) {
            out.push_back(hwnd);
            if (firstOnly) {
                break;
            }
        }
    }
    return out;
}

} // namespace win::detail
