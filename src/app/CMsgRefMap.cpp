#include "app/CMsgRefMap.h"

#include "log/LogManager.h"

namespace {

std::unique_ptr<CMessageRecord> OwnedCopy(const CMessageRecord& record) {
    if (record.MessageType == MSGTYPE_SMS) {
        if (auto* sms = dynamic_cast<const CSMSRecord*>(&record)) {
            return std::make_unique<CSMSRecord>(*sms);
        }
        return std::make_unique<CSMSRecord>(CSMSRecord::FromBase(record));
    }
    if (auto* mms = dynamic_cast<const CMMSRecord*>(&record)) {
        return std::make_unique<CMMSRecord>(*mms);
    }
    return std::make_unique<CMMSRecord>(CMMSRecord::FromBase(record));
}

} // namespace

std::uint32_t CMsgRefMap::Add(const CMessageRecord& record) {
    Log("CTidewellWindowsApp::MSGRefAdd", "Enter", LOG_CAT_APPLICATION, LOG_SEV_TRACE);
    try {
        auto copy = OwnedCopy(record);
        std::lock_guard<std::mutex> guard(m_lock);
        // Keys are ordered, so the first gap in 1, 2, 3, ... is the smallest free key.
        std::uint32_t key = 1;
        for (const auto& entry : m_entries) {
            if (entry.first != key) {
                break;
            }
            ++key;
        }
        if (key == 0 || !m_entries.emplace(key, std::move(copy)).second) {
            Log("CTidewellWindowsApp::MSGRefAdd",
                "Failed to add new entry to SMS record reference map.", LOG_CAT_APPLICATION,
                LOG_SEV_ERROR);
            return 0;
        }
        return key;
    } catch (...) {
        Log("CTidewellWindowsApp::MSGRefAdd",
            "Failed to add new entry to SMS record reference map.", LOG_CAT_APPLICATION,
            LOG_SEV_ERROR);
        return 0;
    }
}

bool CMsgRefMap::Remove(std::uint32_t key) {
    Log("CTidewellWindowsApp::MSGRefRemove", "Enter", LOG_CAT_APPLICATION, LOG_SEV_TRACE);
    std::unique_ptr<CMessageRecord> removed;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        auto it = m_entries.find(key);
        if (it == m_entries.end()) {
            return false;
        }
        removed = std::move(it->second);
        if (m_entries.erase(key) != 1) {
            Log("CTidewellWindowsApp::MSGRefRemove",
                "Problem removing entry from SMS record reference map.", LOG_CAT_APPLICATION,
                LOG_SEV_ERROR);
        }
    }
    return true;
}

template <typename T> bool CMsgRefMap::GetAs(std::uint32_t key, T& out) const {
    Log("CTidewellWindowsApp::SMSRefGetGuid", "Enter", LOG_CAT_APPLICATION, LOG_SEV_TRACE);
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_entries.find(key);
    if (it == m_entries.end()) {
        Log("CTidewellWindowsApp::SMSRefGetGuid",
            "Could not find the requested entry in SMS record reference map.", LOG_CAT_APPLICATION,
            LOG_SEV_ERROR);
        return false;
    }
    const T* stored = dynamic_cast<const T*>(it->second.get());
    if (stored == nullptr) {
        return false;
    }
    out = *stored;
    return true;
}

bool CMsgRefMap::Get(std::uint32_t key, CSMSRecord& out) const {
    return GetAs(key, out);
}
bool CMsgRefMap::Get(std::uint32_t key, CMMSRecord& out) const {
    return GetAs(key, out);
}

std::size_t CMsgRefMap::Size() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_entries.size();
}

void CMsgRefMap::Clear() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_entries.clear();
}
