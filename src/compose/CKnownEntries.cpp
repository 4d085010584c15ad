#include "compose/CKnownEntries.h"

#include "compose/CTextFold.h"

#include <algorithm>

void CKnownEntries::Clear() {
    m_entries.clear();
    m_folded.clear();
    m_index.clear();
    m_sorted.clear();
    m_sortedValid = true;
}

bool CKnownEntries::Add(CKnownEntry entry) {
    std::string folded = CTextFold::Fold(entry.text);
    if (m_index.count(folded) != 0) {
        return false;
    }
    const std::size_t index = m_entries.size();
    m_index.emplace(folded, index);
    m_folded.push_back(std::move(folded));
    m_entries.push_back(std::move(entry));
    if (m_sortedValid) {
        // Keep the sorted index: one insertion instead of sorting again.
        const auto at = std::lower_bound(
            m_sorted.begin(), m_sorted.end(), m_folded[index],
            [this](std::size_t i, const std::string& key) { return m_folded[i] < key; });
        m_sorted.insert(at, index);
    }
    return true;
}

bool CKnownEntries::Remove(std::string_view text) {
    const auto it = m_index.find(CTextFold::Fold(text));
    if (it == m_index.end()) {
        return false;
    }
    const std::size_t removed = it->second;
    m_index.erase(it);
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(removed));
    m_folded.erase(m_folded.begin() + static_cast<std::ptrdiff_t>(removed));
    for (auto& [key, index] : m_index) {
        if (index > removed) {
            --index;
        }
    }
    m_sortedValid = false;
    return true;
}

const CKnownEntry* CKnownEntries::Find(std::string_view text) const {
    const auto it = m_index.find(CTextFold::Fold(text));
    return it == m_index.end() ? nullptr : &m_entries[it->second];
}

CKnownEntry CKnownEntries::Classify(std::string_view text) const {
    if (const CKnownEntry* entry = Find(text)) {
        return *entry;
    }
    CKnownEntry unknown;
    unknown.text = std::string(text);
    unknown.kind = EntryKind::Typed;
    unknown.valid = false;
    return unknown;
}

void CKnownEntries::EnsureSorted() const {
    if (m_sortedValid) {
        return;
    }
    m_sorted.resize(m_entries.size());
    for (std::size_t i = 0; i < m_sorted.size(); ++i) {
        m_sorted[i] = i;
    }
    // Folded texts are unique, so their order is total.
    std::sort(m_sorted.begin(), m_sorted.end(),
              [this](std::size_t a, std::size_t b) { return m_folded[a] < m_folded[b]; });
    m_sortedValid = true;
}

std::vector<const CKnownEntry*> CKnownEntries::Suggestions(std::string_view prefix) const {
    std::vector<const CKnownEntry*> candidates;
    if (prefix.empty()) {
        return candidates;
    }
    EnsureSorted();
    const std::string folded = CTextFold::Fold(prefix);
    // Texts beginning with the folded prefix form one run in folded order.
    auto it = std::lower_bound(
        m_sorted.begin(), m_sorted.end(), folded,
        [this](std::size_t index, const std::string& key) { return m_folded[index] < key; });
    for (; it != m_sorted.end(); ++it) {
        const std::string& text = m_folded[*it];
        if (text.compare(0, folded.size(), folded) != 0) {
            break;
        }
        candidates.push_back(&m_entries[*it]);
    }
    return candidates;
}
