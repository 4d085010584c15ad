#include "compose/CWABManager.h"

#include "compose/CAddressBookLocation.h"
#include "compose/CTextFold.h"
#include "compose/ICountryCodes.h"
#include "config/CQVRegClass.h"
#include "log/LogManager.h"

#include <exception>

namespace {

const char* const kInitialize = "CWABManager::Initialize";
const char* const kUninitialize = "CWABManager::Uninitialize()";
const char* const kLoadContacts = "CWABManager::LoadContacts";
const char* const kFetch = "CWABManager::FetchMSISDN";

enum : int { kUnvisited = 0, kInProgress = 1, kDone = 2 };

} // namespace

CWABManager::~CWABManager() {
    if (m_opened) {
        Uninitialize();
    }
}

bool CWABManager::Initialize(const std::string& path) {
    Log(kInitialize, "Enter", LOG_CAT_WAB, LOG_SEV_TRACE);
    try {
        m_path = path.empty() ? CAddressBookLocation::Resolve(CQVRegClass()) : path;
        m_initialized = true;
        return OpenBook();
    } catch (const std::exception&) {
        Log(kInitialize, "Error: Exception caught while initializing WAB handling", LOG_CAT_WAB,
            LOG_SEV_ERROR);
    }
    m_opened = false;
    m_records.clear();
    RebuildDisplayIndex();
    return false;
}

void CWABManager::Uninitialize() {
    Log(kUninitialize, "Enter", LOG_CAT_WAB, LOG_SEV_TRACE);
    m_opened = false;
    m_initialized = false;
    m_book.CreateEmpty(m_path);
    m_records.clear();
    RebuildDisplayIndex();
}

bool CWABManager::OpenBook() {
    const CVCardBook::LoadResult result = m_book.Load(m_path);
    m_opened = result == CVCardBook::LoadResult::Ok;
    if (result == CVCardBook::LoadResult::Missing) {
        Log(kInitialize, "No address book at \"" + m_path + "\"", LOG_CAT_WAB, LOG_SEV_INFO);
    }
    BuildRecords();
    return m_opened;
}

bool CWABManager::LoadContacts() {
    if (!m_opened) {
        // A book that was missing or unreadable at start may be there by now.
        return m_initialized && OpenBook();
    }
    if (m_book.Load(m_path) != CVCardBook::LoadResult::Ok) {
        Log(kLoadContacts, "The address book \"" + m_path + "\" cannot be read", LOG_CAT_WAB,
            LOG_SEV_ERROR);
    }
    BuildRecords();
    return true;
}

void CWABManager::BuildRecords() {
    m_records.clear();
    m_records.reserve(m_book.Cards().size());
    for (std::size_t i = 0; i < m_book.Cards().size(); ++i) {
        const CVCard& card = m_book.Cards()[i];
        CWABRecord record;
        record.isDistributionList = card.IsGroup();
        record.displayName = card.DisplayName();
        if (!record.isDistributionList) {
            record.mobile = card.Mobile();
            record.firstName = card.GivenName();
            record.lastName = card.FamilyName();
        }
        record.entryId = m_book.IdAt(i);
        m_records.push_back(std::move(record));
    }
    RebuildDisplayIndex();
}

void CWABManager::RebuildDisplayIndex() {
    m_byDisplayText.clear();
    m_listByName.clear();
    m_byDisplayText.reserve(m_records.size());
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        const CWABRecord& record = m_records[i];
        // The first of equal texts wins, as a search from the start would find it.
        m_byDisplayText.emplace(CTextFold::Fold(record.DisplayText()), i);
        if (record.isDistributionList) {
            m_listByName.emplace(CTextFold::Fold(record.displayName), i);
        }
    }
}

bool CWABManager::MembersOf(std::size_t listIndex, std::vector<int>& members) const {
    if (listIndex >= m_records.size() || !m_records[listIndex].isDistributionList) {
        return false;
    }
    return m_book.Members(listIndex, members);
}

bool CWABManager::GetMembers(const std::string& displayName,
                             std::vector<CWABRecord>& members) const {
    const auto it = m_listByName.find(CTextFold::Fold(displayName));
    if (it == m_listByName.end()) {
        return false;
    }
    std::vector<int> indexes;
    if (!MembersOf(it->second, indexes)) {
        return false;
    }
    for (const int index : indexes) {
        members.push_back(m_records[static_cast<std::size_t>(index)]);
    }
    return true;
}

CWABManager::Validation CWABManager::ValidateRecord(std::size_t index, std::vector<int>& state,
                                                    bool& sawCycle) {
    CWABRecord& record = m_records[index];
    if (state[index] == kDone) {
        return {record.valid, record.count};
    }
    if (!record.isDistributionList) {
        record.valid = false;
        record.count = 0;
        record.msisdn.clear();
        if (!record.mobile.empty() && m_converter != nullptr) {
            record.msisdn = Convert(record.mobile);
            if (!record.msisdn.empty()) {
                record.valid = true;
                record.count = 1;
            }
        }
        state[index] = kDone;
        return {record.valid, record.count};
    }
    Validation result{false, 0};
    std::vector<int> members;
    bool cycle = false;
    state[index] = kInProgress;
    if (MembersOf(index, members)) {
        result.valid = true;
        for (const int member : members) {
            const std::size_t m = static_cast<std::size_t>(member);
            if (state[m] == kInProgress) {
                cycle = true; // the list contains itself: its members are counted already
                continue;
            }
            const Validation sub = ValidateRecord(m, state, cycle);
            result.valid = sub.valid && result.valid;
            result.count += sub.count;
        }
    }
    if (cycle) {
        // Inside a cycle the result depends on where the expansion started: it is not kept,
        // and the list is evaluated again from wherever it is reached.
        state[index] = kUnvisited;
        sawCycle = true;
    } else {
        record.valid = result.valid;
        record.count = result.count;
        state[index] = kDone;
    }
    return result;
}

std::string CWABManager::Convert(const std::string& mobile) {
    const auto it = m_conversions.find(mobile);
    if (it != m_conversions.end()) {
        return it->second;
    }
    std::string msisdn = m_converter->ConvertToMsisdn(mobile);
    m_conversions.emplace(mobile, msisdn);
    return msisdn;
}

bool CWABManager::ValidateWAB(int& count) {
    // A number converts differently once the home country changed.
    const std::string home = m_converter != nullptr ? m_converter->HomeCountry() : std::string();
    if (m_converter != m_cacheConverter || home != m_cacheHome) {
        m_conversions.clear();
        m_cacheConverter = m_converter;
        m_cacheHome = home;
    }
    std::vector<int> state(m_records.size(), kUnvisited);
    bool allValid = true;
    std::int64_t total = 0;
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        bool cycle = false;
        const Validation result = ValidateRecord(i, state, cycle);
        // A list in a cycle keeps what it stands for when expanded from itself.
        m_records[i].valid = result.valid;
        m_records[i].count = result.count;
        allValid = result.valid && allValid;
        total += result.count;
    }
    count = static_cast<int>(total);
    RebuildDisplayIndex();
    return allValid;
}

int CWABManager::FindByDisplayText(std::string_view displayText) const {
    const auto it = m_byDisplayText.find(CTextFold::Fold(displayText));
    return it == m_byDisplayText.end() ? -1 : static_cast<int>(it->second);
}

bool CWABManager::Lookup(std::string_view displayText, CWABRecord& record) const {
    const int index = FindByDisplayText(displayText);
    if (index < 0) {
        return false;
    }
    record = m_records[static_cast<std::size_t>(index)];
    return true;
}

int CWABManager::FetchList(std::size_t index, std::vector<CWABRecord>& contacts,
                           std::vector<bool>& open) const {
    std::vector<int> members;
    if (!MembersOf(index, members)) {
        Log(kFetch,
            "Warning: WAB missbehaviur: The distribution list \"" + m_records[index].displayName +
                "\" was not found in addressbook.",
            LOG_CAT_WAB, LOG_SEV_ERROR);
        return 0;
    }
    open[index] = true;
    int added = 0;
    for (const int member : members) {
        const std::size_t m = static_cast<std::size_t>(member);
        const CWABRecord& record = m_records[m];
        if (record.isDistributionList) {
            if (!open[m]) {
                added += FetchList(m, contacts, open);
            }
        } else if (!record.msisdn.empty()) {
            contacts.push_back(record);
            ++added;
        }
    }
    open[index] = false;
    return added;
}

int CWABManager::FetchMSISDN(const std::string& name, std::vector<CWABRecord>& contacts,
                             bool expand) const {
    const int found = FindByDisplayText(name);
    if (found < 0) {
        return 0;
    }
    const std::size_t index = static_cast<std::size_t>(found);
    const CWABRecord& record = m_records[index];
    if (!record.isDistributionList) {
        if (record.msisdn.empty()) {
            return 0;
        }
        contacts.push_back(record);
        return 1;
    }
    if (expand) {
        std::vector<bool> open(m_records.size(), false);
        return FetchList(index, contacts, open);
    }
    if (record.valid) {
        contacts.push_back(record);
        return 1;
    }
    return 0;
}

void CWABManager::Details(const CWABRecord& record, win::HWND owner) const {
    if (m_opened && m_detailsHandler) {
        m_detailsHandler(record, owner);
    }
}
