// The message reference map: a record cannot travel between threads as a pointer, so a copy
// is kept here under a small key, and the key travels in the window message.
#pragma once

#include "messages/CMMSRecord.h"
#include "messages/CSMSRecord.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

class CMsgRefMap {
public:
    CMsgRefMap() = default;
    CMsgRefMap(const CMsgRefMap&) = delete;
    CMsgRefMap& operator=(const CMsgRefMap&) = delete;

    // Stores a copy (an SMS for message type 0, an MMS otherwise) under the smallest free
    // key counting from 1. 0 on failure.
    std::uint32_t Add(const CMessageRecord& record);
    // True when the key was present and its copy deleted.
    bool Remove(std::uint32_t key);
    // Copies the stored record into `out`; false when the key is absent or the entry is of
    // the other message type. The entry stays in the map.
    bool Get(std::uint32_t key, CSMSRecord& out) const;
    bool Get(std::uint32_t key, CMMSRecord& out) const;
    std::size_t Size() const;
    void Clear();

private:
    template <typename T> bool GetAs(std::uint32_t key, T& out) const;

    mutable std::mutex m_lock;
    std::map<std::uint32_t, std::unique_ptr<CMessageRecord>> m_entries;
};
