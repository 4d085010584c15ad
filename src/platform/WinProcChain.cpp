#include "platform/WinProcChain.h"

#include "platform/Diagnostics.h"

#include <unordered_map>

namespace win::detail {

namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_map<LONG_PTR, std::weak_ptr<WinProcChain>> chains;
};

Registry& TheRegistry() {
    // Never destroyed: windows removed during process exit still unregister their links.
    static Registry* registry = new Registry;
    return *registry;
}

void Register(LONG_PTR link, const std::weak_ptr<WinProcChain>& chain) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.chains[link] = chain;
}

} // namespace

std::shared_ptr<WinProcChain> WinProcChain::Create(WNDPROC original) {
    std::shared_ptr<WinProcChain> chain(new WinProcChain);
    LONG_PTR number = 0;
    {
        std::lock_guard<std::mutex> lock(chain->m_mutex);
        number = chain->AddLocked(std::move(original));
    }
    Register(number, chain);
    return chain;
}

WinProcChain::~WinProcChain() {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (const auto& link : m_links) {
        r.chains.erase(NumberOf(link.get()));
    }
}

LONG_PTR WinProcChain::AddLocked(WNDPROC proc) {
    auto link = std::make_unique<Link>();
    if (proc) {
        link->proc = std::make_shared<const WNDPROC>(std::move(proc));
    }
    link->below = m_top;
    m_top = link.get();
    m_links.push_back(std::move(link));
    return NumberOf(m_top);
}

LONG_PTR WinProcChain::Install(WNDPROC proc) {
    LONG_PTR below = 0;
    LONG_PTR added = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        below = NumberOf(m_top);
        added = AddLocked(std::move(proc));
    }
    Register(added, weak_from_this());
    return below;
}

WinProcChain::Link* WinProcChain::LinkOf(LONG_PTR number) const {
    for (const auto& link : m_links) {
        if (NumberOf(link.get()) == number) {
            return link.get();
        }
    }
    return nullptr;
}

WinProcChain::Link* WinProcChain::Resolve(Link* link) {
    while (link != nullptr && link->removed) {
        link = link->below;
    }
    return link;
}

LONG_PTR WinProcChain::Restore(LONG_PTR number) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Link* target = Resolve(LinkOf(number));
    if (target == nullptr || target == m_top) {
        return 0;
    }
    // Walk down from the top to the link whose next link in the chain is the target.
    for (Link* link = m_top; link != nullptr; link = Resolve(link->below)) {
        if (Resolve(link->below) == target) {
            link->removed = true;
            if (link == m_top) {
                m_top = target;
            }
            return NumberOf(link);
        }
    }
    return 0;
}

bool WinProcChain::Contains(LONG_PTR number) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return LinkOf(number) != nullptr;
}

LONG_PTR WinProcChain::Top() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return NumberOf(m_top);
}

LRESULT WinProcChain::CallTop(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return Call(Top(), hwnd, msg, wParam, lParam);
}

LRESULT WinProcChain::Call(LONG_PTR number, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<const WNDPROC> proc;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Link* link = Resolve(LinkOf(number));
        if (link == nullptr) {
            return 0;
        }
        proc = link->proc;
    }
    if (!proc || !*proc) {
        return 0;
    }
    // `proc` stays alive even when the procedure destroys its window (and with it the chain).
    return (*proc)(hwnd, msg, wParam, lParam);
}

std::shared_ptr<WinProcChain> WinProcChain::Find(LONG_PTR link) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.chains.find(link);
    return it == r.chains.end() ? nullptr : it->second.lock();
}

LRESULT WinChainCall::operator()(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) const {
    std::shared_ptr<WinProcChain> c = chain.lock();
    return c ? c->Call(link, hwnd, msg, wParam, lParam) : 0;
}

} // namespace win::detail
