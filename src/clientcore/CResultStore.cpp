#include "clientcore/CResultStore.h"

#include <cstring>

std::string CResultStore::Key(const std::string& guid, std::size_t kind) {
    return std::to_string(kind) + ":" + guid;
}

const char* CResultStore::Put(const std::string& guid, CoreResult result) {
    auto text = std::make_unique<char[]>(guid.size() + 1);
    std::memcpy(text.get(), guid.c_str(), guid.size() + 1);
    const char* pointer = text.get();

    std::lock_guard<std::mutex> guard(m_lock);
    PurgeRetired();
    std::string key = Key(guid, result.index());
    auto it = m_results.find(key);
    if (it != m_results.end()) {
        // The earlier event may not have been handled yet: its text must outlive it.
        Retire(std::move(it->second.text));
        it->second = Entry{std::move(result), std::move(text)};
    } else {
        m_results.emplace(std::move(key), Entry{std::move(result), std::move(text)});
    }
    return pointer;
}

std::int32_t CResultStore::FetchAny(const std::string& key,
                                    const std::function<std::int32_t(const CoreResult&)>& fill) {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_results.find(key);
    if (it == m_results.end()) {
        return 0;
    }
    std::int32_t rc = fill(it->second.result);
    if (rc == 1) {
        Retire(std::move(it->second.text));
        m_results.erase(it);
    }
    PurgeRetired();
    return rc;
}

void CResultStore::Retire(std::unique_ptr<char[]> text) {
    if (text) {
        m_retired.emplace_back(Clock::now() + kRetireDelay, std::move(text));
    }
}

void CResultStore::PurgeRetired() {
    auto now = Clock::now();
    while (!m_retired.empty() && m_retired.front().first <= now) {
        m_retired.pop_front();
    }
}

void CResultStore::Discard(const std::string& guid, std::size_t kind) {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_results.find(Key(guid, kind));
    if (it != m_results.end()) {
        Retire(std::move(it->second.text));
        m_results.erase(it);
    }
}

void CResultStore::Clear() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_results.clear();
    m_retired.clear();
}

std::size_t CResultStore::PendingResults() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_results.size();
}

std::size_t CResultStore::HeldTexts() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_results.size() + m_retired.size();
}
