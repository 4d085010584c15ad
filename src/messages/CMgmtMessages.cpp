#include "messages/CMgmtMessages.h"

#include "log/LogManager.h"
#include "messages/CArchiveReader.h"
#include "messages/CArchiveWriter.h"
#include "messages/CMMSRecord.h"
#include "messages/CSMSRecord.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <new>
#include <sys/stat.h>
#include <unordered_set>

namespace {

constexpr const char* kSerializeLocation = "CMgmtMessages::Serialize";
constexpr const char* kFolderVersion = "TWD353";
constexpr const char* kOldFolderVersion = "TWD350";
// Longest version text quoted in the log when a file has an unknown version.
constexpr std::size_t kMaxQuotedVersion = 64;

void Enter(const char* location) {
    Log(location, "Enter", LOG_CAT_DATA, LOG_SEV_TRACE);
}

std::string JoinPath(const std::string& folder, const char* name) {
    if (folder.empty()) {
        return name;
    }
    if (folder.back() == '/') {
        return folder + name;
    }
    return folder + "/" + name;
}

// Reads one record of the class `T` into a scratch record and appends it to the folder.
template <typename T> bool ReadEntry(CArchiveReader& archive, MessageRecordList& records) {
    auto scratch = std::make_unique<T>();
    if (!scratch->Serialize(archive)) {
        return false;
    }
    records.push_back(std::move(scratch));
    return true;
}

} // namespace

CMgmtMessages::CMgmtMessages(const std::string& dataFolder, StoreOptions options)
    : m_options(options) {
    std::string folder = platform::ToNativePath(dataFolder);
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    m_dataFolder = folder;
    m_outboxPath = JoinPath(folder, "outbox.dat");
    m_sentboxPath = JoinPath(folder, "sentbox.dat");
    m_loaded = SerializeOutbox(ArchiveMode::Load) && SerializeSentbox(ArchiveMode::Load);
    RepairAfterLoad();
    if (m_dirty != 0) {
        SaveDirty(false);
    }
    if (m_options.saveDelay.count() > 0) {
        m_saver = std::thread([this] { SaverLoop(); });
    }
}

CMgmtMessages::~CMgmtMessages() {
    try {
        if (m_saver.joinable()) {
            {
                std::lock_guard<std::mutex> guard(m_saverMutex);
                m_saverStop = true;
            }
            m_saverWake.notify_all();
            m_saver.join();
        }
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        if (!m_persistence.load()) {
            SaveAll();
        } else if (m_dirty != 0) {
            SaveDirty(false);
        }
        m_outbox.clear();
        m_sentbox.clear();
    } catch (...) {
        Log("CMgmtMessages::~CMgmtMessages", "Unknown exception caught.", LOG_CAT_DATA,
            LOG_SEV_ERROR);
    }
}

std::uint64_t CMgmtMessages::ChangeGeneration() const {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_generation;
}

std::uint64_t CMgmtMessages::SavedGeneration() const {
    return m_savedGeneration.load();
}

void CMgmtMessages::SetSaveListener(std::function<void(std::uint64_t)> listener) {
    std::lock_guard<std::mutex> guard(m_listenerLock);
    m_listener = std::move(listener);
}

std::vector<std::string> CMgmtMessages::DamagedFiles() const {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return m_damaged;
}

bool CMgmtMessages::Changed(unsigned bits) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    ++m_generation;
    m_dirty |= bits;
    if (m_options.saveDelay.count() <= 0) {
        return SaveDirty(false);
    }
    {
        std::lock_guard<std::mutex> saver(m_saverMutex);
        if (m_firstDirty == std::chrono::steady_clock::time_point{}) {
            m_firstDirty = std::chrono::steady_clock::now();
        }
    }
    m_saverWake.notify_one();
    return true;
}

bool CMgmtMessages::Flush() {
    Enter("CMgmtMessages::Flush");
    return SaveDirty(false);
}

bool CMgmtMessages::SaveDirty(bool force) {
    std::unique_lock<std::recursive_mutex> data(m_lock);
    if (!force && !m_persistence.load()) {
        return true;
    }
    const unsigned wanted = force ? (kOutboxBit | kSentboxBit) : m_dirty;
    const unsigned todo = wanted & ~m_blocked;
    const std::uint64_t generation = m_generation;
    std::string sentBytes;
    std::string outBytes;
    bool ok = true;
    // The snapshot is taken under the data lock; the files are written after it is let go
    // (unless the caller holds it), in snapshot order.
    if ((todo & kSentboxBit) != 0 && !WriteFolderData(m_sentbox, sentBytes)) {
        Log(kSerializeLocation, "Failed to store message record data to file.", LOG_CAT_DATA,
            LOG_SEV_ERROR);
        ok = false;
    }
    if ((todo & kOutboxBit) != 0 && !WriteFolderData(m_outbox, outBytes)) {
        Log(kSerializeLocation, "Failed to store message record data to file.", LOG_CAT_DATA,
            LOG_SEV_ERROR);
        ok = false;
    }
    if (!ok) {
        return false;
    }
    // A folder whose unreadable file is kept in place is never written.
    ok = (wanted & m_blocked) == 0;
    m_dirty &= ~wanted;
    {
        std::lock_guard<std::mutex> saver(m_saverMutex);
        m_firstDirty = {};
    }
    std::unique_lock<std::mutex> saving(m_saveLock);
    data.unlock();
    unsigned failed = 0;
    // The sentbox first: a record moving out of the outbox is never on disk in neither.
    if ((todo & kSentboxBit) != 0) {
        if (WriteBytes(sentBytes, m_sentboxPath)) {
            ++m_sentboxSaves;
        } else {
            failed |= kSentboxBit;
        }
    }
    if ((todo & kOutboxBit) != 0 && failed == 0) {
        if (WriteBytes(outBytes, m_outboxPath)) {
            ++m_outboxSaves;
        } else {
            failed |= kOutboxBit;
        }
    } else if ((todo & kOutboxBit) != 0) {
        failed |= kOutboxBit;
    }
    if (failed != 0) {
        saving.unlock();
        std::lock_guard<std::recursive_mutex> again(m_lock);
        m_dirty |= failed; // the next save writes them; memory is unchanged
        return false;
    }
    std::uint64_t saved = m_savedGeneration.load();
    while (saved < generation && !m_savedGeneration.compare_exchange_weak(saved, generation)) {
    }
    saving.unlock();
    std::function<void(std::uint64_t)> listener;
    {
        std::lock_guard<std::mutex> guard(m_listenerLock);
        listener = m_listener;
    }
    if (listener) {
        listener(m_savedGeneration.load());
    }
    return ok;
}

void CMgmtMessages::SaverLoop() {
    using Clock = std::chrono::steady_clock;
    std::unique_lock<std::mutex> lock(m_saverMutex);
    Clock::time_point lastSave{};
    for (;;) {
        m_saverWake.wait(lock, [&] { return m_saverStop || m_firstDirty != Clock::time_point{}; });
        if (m_saverStop) {
            return;
        }
        // Changes within the delay of the first one share the save, and saves are at least
        // one delay apart.
        Clock::time_point due = m_firstDirty + m_options.saveDelay;
        if (lastSave != Clock::time_point{}) {
            due = std::max(due, lastSave + m_options.saveDelay);
        }
        if (m_saverWake.wait_until(lock, due, [&] { return m_saverStop; })) {
            return; // the destructor saves what is left
        }
        if (m_firstDirty == Clock::time_point{}) {
            continue; // a Flush got there first
        }
        lastSave = Clock::now();
        lock.unlock();
        bool ok = SaveDirty(false);
        lock.lock();
        if (!ok && m_firstDirty == Clock::time_point{}) {
            // Failed (disk full, ...): try again a while later.
            m_firstDirty = Clock::now() + std::chrono::seconds(1);
        }
    }
}

void CMgmtMessages::RepairAfterLoad() {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    std::unordered_set<std::string> inSentbox;
    for (const auto& record : m_sentbox) {
        inSentbox.insert(record->GUID);
    }
    for (auto it = m_outbox.begin(); it != m_outbox.end();) {
        const CMessageRecord& record = **it;
        const bool handedOver =
            record.Status == MSGSTATUS_AWAITING_ID || record.Status == MSGSTATUS_AWAITING_STATUS;
        if (handedOver && !record.GUID.empty() && inSentbox.count(record.GUID) != 0) {
            Log("CMgmtMessages::RepairAfterLoad",
                "A message stood in both folders; the sentbox copy is kept: " + record.GUID,
                LOG_CAT_DATA, LOG_SEV_ERROR);
            it = m_outbox.erase(it);
            m_dirty |= kOutboxBit;
            continue;
        }
        if (record.Status == MSGSTATUS_AWAITING_STATUS &&
            (record.iLowID != 0 || record.HighID != 0)) {
            // Accepted by the service, but the move to the sentbox never reached the disk.
            Log("CMgmtMessages::RepairAfterLoad",
                "An accepted message is moved on to the sentbox: " + record.GUID, LOG_CAT_DATA,
                LOG_SEV_ERROR);
            inSentbox.insert(record.GUID);
            m_sentbox.push_back(std::move(*it));
            it = m_outbox.erase(it);
            m_dirty |= kOutboxBit | kSentboxBit;
            continue;
        }
        ++it;
    }
}

void CMgmtMessages::SubscribeNotifyWnd(win::HWND window, win::UINT message) {
    Enter("CMgmtMessages::SubscribeNotifyWnd");
    m_notifyWindow.store(window);
    m_notifyMessage.store(message);
}

void CMgmtMessages::UnSubscribeNotifyWnd() {
    Enter("CMgmtMessages::UnSubscribeNotifyWnd");
    m_notifyWindow.store(0);
    m_notifyMessage.store(0);
}

void CMgmtMessages::NotifyDataChange() {
    Enter("CMgmtMessages::NotifyDataChange");
    const win::HWND window = m_notifyWindow.load();
    if (window != 0) {
        win::PostMessage(window, m_notifyMessage.load(), 0, 0);
    }
}

std::unique_ptr<CMessageRecord> CMgmtMessages::CopyRecord(const CMessageRecord& record) {
    if (record.MessageType == MSGTYPE_SMS) {
        if (const auto* sms = dynamic_cast<const CSMSRecord*>(&record)) {
            return std::make_unique<CSMSRecord>(*sms);
        }
        return std::make_unique<CSMSRecord>(CSMSRecord::FromBase(record));
    }
    if (record.MessageType == MSGTYPE_MMS) {
        if (const auto* mms = dynamic_cast<const CMMSRecord*>(&record)) {
            return std::make_unique<CMMSRecord>(*mms);
        }
        return std::make_unique<CMMSRecord>(CMMSRecord::FromBase(record));
    }
    return nullptr;
}

CMgmtMessages::Folder::iterator CMgmtMessages::FindByGuid(Folder& folder, const std::string& guid) {
    for (auto it = folder.begin(); it != folder.end(); ++it) {
        if ((*it)->GUID == guid) {
            return it;
        }
    }
    return folder.end();
}

std::int32_t CMgmtMessages::GetRecords(const Folder& folder, MessageRecordList& list,
                                       std::int32_t statusFilter) {
    list.clear();
    for (const auto& record : folder) {
        if (statusFilter == 0 || record->Status == statusFilter) {
            if (auto copy = CopyRecord(*record)) {
                list.push_back(std::move(copy));
            }
        }
    }
    return static_cast<std::int32_t>(list.size());
}

namespace {

std::int32_t CountStatus(const MessageRecordList& folder, std::int32_t statusFilter) {
    return static_cast<std::int32_t>(
        std::count_if(folder.begin(), folder.end(), [statusFilter](const auto& record) {
            return statusFilter == 0 || record->Status == statusFilter;
        }));
}

} // namespace

std::int32_t CMgmtMessages::OutboxCount(std::int32_t statusFilter) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return CountStatus(m_outbox, statusFilter);
}

std::int32_t CMgmtMessages::SentboxCount(std::int32_t statusFilter) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return CountStatus(m_sentbox, statusFilter);
}

std::int32_t CMgmtMessages::OutboxGetRecords(MessageRecordList& list, std::int32_t statusFilter) {
    Enter("CMgmtMessages::OutboxGetRecords");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return GetRecords(m_outbox, list, statusFilter);
}

std::int32_t CMgmtMessages::SentboxGetRecords(MessageRecordList& list, std::int32_t statusFilter) {
    Enter("CMgmtMessages::SentboxGetRecords");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return GetRecords(m_sentbox, list, statusFilter);
}

std::unique_ptr<CMessageRecord> CMgmtMessages::OutboxGetRecord(const std::string& guid) {
    Enter("CMgmtMessages::OutboxGetRecord");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    auto it = FindByGuid(m_outbox, guid);
    if (it == m_outbox.end()) {
        Log("CMgmtMessages::OutboxGetRecord",
            "Warning: A record with that GUID could not be found.", LOG_CAT_DATA, LOG_SEV_TRACE);
        return nullptr;
    }
    return CopyRecord(**it);
}

std::unique_ptr<CMessageRecord> CMgmtMessages::SentboxGetRecord(const std::string& guid) {
    Enter("CMgmtMessages::SentboxGetRecord");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    auto it = FindByGuid(m_sentbox, guid);
    if (it == m_sentbox.end()) {
        Log("CMgmtMessages::SentboxGetRecord",
            "Warning: A record with that GUID could not be found.", LOG_CAT_DATA, LOG_SEV_TRACE);
        return nullptr;
    }
    return CopyRecord(**it);
}

std::unique_ptr<CMessageRecord> CMgmtMessages::GetRecord(std::int32_t lowId, std::int32_t highId) {
    Enter("CMgmtMessages::GetRecord");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    for (const auto& record : m_sentbox) {
        if (record->iLowID == lowId && record->HighID == highId) {
            return CopyRecord(*record);
        }
    }
    Log("CMgmtMessages::GetRecord", "Warning: A record with that ID could not be found.",
        LOG_CAT_DATA, LOG_SEV_TRACE);
    return nullptr;
}

bool CMgmtMessages::SentboxGetLowestNotFinalID(std::int32_t& lowId, std::int32_t& highId) {
    Enter("CMgmtMessages::SentboxGetLowestNotFinalID");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    // The id is HighID * 2^32 + iLowID with iLowID taken as signed, compared as signed; 0
    // means "nothing found yet", so a record whose id is 0 is never chosen.
    std::int64_t lowest = 0;
    const CMessageRecord* chosen = nullptr;
    for (const auto& record : m_sentbox) {
        if (record->Status != MSGSTATUS_AWAITING_STATUS) {
            continue;
        }
        const std::int64_t id = static_cast<std::int64_t>(
            static_cast<std::uint64_t>(static_cast<std::int64_t>(record->HighID)) * 4294967296ull +
            static_cast<std::uint64_t>(static_cast<std::int64_t>(record->iLowID)));
        if (id != 0 && (lowest == 0 || id < lowest)) {
            lowest = id;
            chosen = record.get();
        }
    }
    if (chosen == nullptr) {
        return false;
    }
    // Hand out the record's own words, so that the ids name the record even when its low word
    // is negative (where the high 32 bits of the sum would be one less than HighID).
    lowId = chosen->iLowID;
    highId = chosen->HighID;
    return true;
}

std::unique_ptr<CMessageRecord> CMgmtMessages::CopyOrLog(const CMessageRecord& record,
                                                         const char* where) {
    try {
        std::unique_ptr<CMessageRecord> copy = CopyRecord(record);
        if (!copy) {
            Log(where, "Error: The record has an invalid message type.", LOG_CAT_DATA,
                LOG_SEV_ERROR);
        }
        return copy;
    } catch (const std::bad_alloc&) {
        Log(where, "Error: Out of memory.", LOG_CAT_DATA, LOG_SEV_ERROR);
        return nullptr;
    }
}

bool CMgmtMessages::OutboxAddRecord(const CMessageRecord& record) {
    Enter("CMgmtMessages::OutboxAddRecord");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    std::unique_ptr<CMessageRecord> copy = CopyOrLog(record, "CMgmtMessages::OutboxAddRecord");
    if (!copy) {
        return false;
    }
    m_outbox.push_back(std::move(copy));
    ++m_generation;
    m_dirty |= kOutboxBit;
    // A composed message is on disk before the caller reports it sent.
    const bool saved = SaveDirty(false);
    NotifyDataChange();
    return saved;
}

bool CMgmtMessages::DelRecord(Folder& folder, const std::string& guid) {
    Enter("CMgmtMessages::DelRecord");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    auto it = FindByGuid(folder, guid);
    if (it == folder.end()) {
        return false;
    }
    folder.erase(it);
    return true;
}

bool CMgmtMessages::DelRecordAndSave(Folder& folder, unsigned bit, const char* where,
                                     const char* notFound, const std::string& guid) {
    Enter(where);
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!DelRecord(folder, guid)) {
        Log(where, notFound, LOG_CAT_DATA, LOG_SEV_ERROR);
        return false;
    }
    const bool saved = Changed(bit);
    NotifyDataChange();
    return saved;
}

bool CMgmtMessages::OutboxDelRecord(const std::string& guid) {
    return DelRecordAndSave(m_outbox, kOutboxBit, "CMgmtMessages::OutboxDelRecord",
                            "Warning: A Outbox message with that GUID could not be found.", guid);
}

bool CMgmtMessages::SentboxDelRecord(const std::string& guid) {
    return DelRecordAndSave(m_sentbox, kSentboxBit, "CMgmtMessages::SentboxDelRecord",
                            "Warning: A Sentbox message with that GUID could not be found.", guid);
}

bool CMgmtMessages::ModifyRecord(Folder& folder, const CMessageRecord& record,
                                 const std::string* guid) {
    Enter("CMgmtMessages::ModifyRecord");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    const std::string& key = guid != nullptr ? *guid : record.GUID;
    auto it = FindByGuid(folder, key);
    if (it == folder.end()) {
        Log("CMgmtMessages::ModifyRecord", "Warning: A message with that GUID could not be found.",
            LOG_CAT_DATA, LOG_SEV_ERROR);
        return false;
    }
    std::unique_ptr<CMessageRecord> copy = CopyOrLog(record, "CMgmtMessages::ModifyRecord");
    if (!copy) {
        return false;
    }
    folder.erase(it);
    folder.push_back(std::move(copy));
    NotifyDataChange();
    return true;
}

bool CMgmtMessages::OutboxModifyRecord(const CMessageRecord& record) {
    Enter("CMgmtMessages::OutboxModifyRecord");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!ModifyRecord(m_outbox, record, nullptr)) {
        return false;
    }
    return Changed(kOutboxBit);
}

bool CMgmtMessages::OutboxModifyRecord(const std::string& guid, const CMessageRecord& record) {
    Enter("CMgmtMessages::OutboxModifyRecord");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!ModifyRecord(m_outbox, record, &guid)) {
        return false;
    }
    return Changed(kOutboxBit);
}

bool CMgmtMessages::SentboxModifyRecord(const CMessageRecord& record) {
    Enter("CMgmtMessages::SentboxModifyRecord");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!ModifyRecord(m_sentbox, record, nullptr)) {
        return false;
    }
    return Changed(kSentboxBit);
}

bool CMgmtMessages::OutboxMoveToSentbox(const std::string& guid) {
    Enter("CMgmtMessages::OutboxMoveToSentbox");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    auto it = FindByGuid(m_outbox, guid);
    if (it == m_outbox.end()) {
        Log("CMgmtMessages::OutboxMoveToSentbox",
            "Warning: A scheduled message with that GUID could not be found.", LOG_CAT_DATA,
            LOG_SEV_ERROR);
        return false;
    }
    m_sentbox.push_back(std::move(*it));
    m_outbox.erase(it);
    // Both folders change in one step; the save writes the sentbox first, so a stop in
    // between leaves the record in both folders (repaired at the next load), never in neither.
    const bool saved = Changed(kOutboxBit | kSentboxBit);
    NotifyDataChange();
    return saved;
}

bool CMgmtMessages::OutboxMoveToSentbox(const std::string& guid, const CMessageRecord& updated) {
    Enter("CMgmtMessages::OutboxMoveToSentbox");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    auto it = FindByGuid(m_outbox, guid);
    if (it == m_outbox.end()) {
        Log("CMgmtMessages::OutboxMoveToSentbox",
            "Warning: A scheduled message with that GUID could not be found.", LOG_CAT_DATA,
            LOG_SEV_ERROR);
        return false;
    }
    std::unique_ptr<CMessageRecord> copy = CopyOrLog(updated, "CMgmtMessages::OutboxMoveToSentbox");
    if (!copy) {
        return false;
    }
    m_outbox.erase(it);
    m_sentbox.push_back(std::move(copy));
    const bool saved = Changed(kOutboxBit | kSentboxBit);
    NotifyDataChange();
    return saved;
}

bool CMgmtMessages::SetPersistence(bool persistence) {
    Enter("CMgmtMessages::SetPersistence");
    return m_persistence.exchange(persistence);
}

bool CMgmtMessages::SaveAll() {
    Enter("CMgmtMessages::SaveAll");
    return SaveDirty(true);
}

bool CMgmtMessages::SerializeOutbox(ArchiveMode mode) {
    Enter("CMgmtMessages::SerializeOutbox");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return Serialize(m_outbox, m_outboxPath, mode);
}

bool CMgmtMessages::SerializeSentbox(ArchiveMode mode) {
    Enter("CMgmtMessages::SerializeSentbox");
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    return Serialize(m_sentbox, m_sentboxPath, mode);
}

bool CMgmtMessages::Serialize(Folder& folder, const std::string& path, ArchiveMode mode,
                              bool force) {
    Enter(kSerializeLocation);
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!force && !m_persistence.load()) {
        return true;
    }
    return mode == ArchiveMode::Load ? Load(folder, path) : Store(folder, path);
}

bool CMgmtMessages::ReadFolderData(std::string_view bytes, MessageRecordList& records,
                                   std::string& error) {
    records.clear();
    try {
        CArchiveReader archive(bytes);
        std::string version;
        std::int32_t count = 0;
        if (!archive.ReadString(version)) {
            error = "Failed to read file data.";
            return false;
        }
        const bool current = version == kFolderVersion;
        if (!current && version != kOldFolderVersion) {
            if (version.size() > kMaxQuotedVersion) {
                version.resize(kMaxQuotedVersion);
            }
            error = "Fileversion not supported: \"" + version + "\"";
            return false;
        }
        if (!archive.ReadInt32(count)) {
            error = "Failed to read file data.";
            return false;
        }
        for (std::int32_t i = 0; i < count; ++i) {
            std::int32_t type = MSGTYPE_SMS;
            if (current && !archive.ReadInt32(type)) {
                records.clear();
                error = "Failed to read file data.";
                return false;
            }
            bool ok = false;
            if (type == MSGTYPE_SMS) {
                ok = ReadEntry<CSMSRecord>(archive, records);
            } else if (type == MSGTYPE_MMS) {
                ok = ReadEntry<CMMSRecord>(archive, records);
            } else {
                records.clear();
                error = "Invalid message type specifier read.";
                return false;
            }
            if (!ok) {
                records.clear();
                error = "Invalid file data read. Format error.";
                return false;
            }
        }
        return true;
    } catch (const std::exception&) {
        records.clear();
        error = "Failed to read file data.";
        return false;
    }
}

namespace {

// The exact number of bytes a record takes in a folder file (type specifier included), so that
// a save can serialise into one buffer allocated once.
std::size_t EntrySize(const CMessageRecord& record) {
    auto text = [](const std::string& s) { return CArchiveWriter::StringSize(s.size()); };
    std::size_t size = 4 + text("TWDMSG353") + 6 * 4;
    for (const std::string* s :
         {&record.AccountID, &record.DateTime, &record.ErrorText, &record.GUID, &record.Originator,
          &record.Sender, &record.StatusLabel}) {
        size += text(*s);
    }
    for (const MessageRecipient& r : record.Recipients) {
        size += 4 + text(r.Number) + text(r.SecondText) + text(r.StatusText);
    }
    if (const auto* sms = dynamic_cast<const CSMSRecord*>(&record)) {
        size += text("TWDSMS353") + text(sms->MessageText) + text(sms->FlashMode) + 4;
    } else if (const auto* mms = dynamic_cast<const CMMSRecord*>(&record)) {
        size += text("TWDMMS355") + text(mms->MessageText) + text(mms->MMSText2) + 8;
    }
    return size;
}

} // namespace

bool CMgmtMessages::WriteFolderData(const MessageRecordList& records, std::string& out) {
    std::size_t size = CArchiveWriter::StringSize(6) + 4;
    for (const auto& record : records) {
        size += EntrySize(*record);
    }
    const std::size_t start = out.size();
    CArchiveWriter archive(std::move(out));
    archive.Reserve(start + size);
    archive.WriteString(kFolderVersion);
    archive.WriteInt32(static_cast<std::int32_t>(records.size()));
    bool ok = true;
    for (const auto& record : records) {
        archive.WriteInt32(record->MessageType);
        if (!record->Serialize(archive)) {
            ok = false;
            break;
        }
    }
    out = archive.TakeData();
    if (!ok) {
        out.resize(start);
    }
    return ok;
}

bool CMgmtMessages::Load(Folder& folder, const std::string& path) {
    Log(kSerializeLocation, "Reading data from file \"" + path + "\"", LOG_CAT_DATA, LOG_SEV_TRACE);
    folder.clear();
    bool unreadable = false;
    try {
        std::string bytes;
        switch (CArchiveReader::LoadFile(path, bytes)) {
        case CArchiveReader::LoadResult::OpenFailed: {
            // Absent is the first start; present but unopenable must not be saved over.
            struct stat info {};
            unreadable = ::stat(path.c_str(), &info) == 0;
            Log(kSerializeLocation, "Could not open the file.", LOG_CAT_DATA, LOG_SEV_ERROR);
            break;
        }
        case CArchiveReader::LoadResult::ReadFailed:
            unreadable = true;
            Log(kSerializeLocation, "Failed to read file data.", LOG_CAT_DATA, LOG_SEV_ERROR, true);
            break;
        case CArchiveReader::LoadResult::Ok: {
            std::string error;
            Folder loaded;
            if (!ReadFolderData(bytes, loaded, error)) {
                unreadable = true;
                Log(kSerializeLocation, error, LOG_CAT_DATA, LOG_SEV_ERROR);
            } else {
                folder = std::move(loaded);
            }
            break;
        }
        }
    } catch (...) {
        folder.clear();
        unreadable = true;
        Log(kSerializeLocation, "Failed to read file data.", LOG_CAT_DATA, LOG_SEV_ERROR, true);
    }
    if (unreadable && !MoveAside(path)) {
        const unsigned bit = path == m_outboxPath ? kOutboxBit : kSentboxBit;
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        m_blocked |= bit;
        Log(kSerializeLocation,
            "The unreadable file could not be moved aside; this folder is not "
            "saved, so the file is kept as it is: \"" +
                path + "\"",
            LOG_CAT_DATA, LOG_SEV_ERROR, true);
    }
    return true;
}

bool CMgmtMessages::MoveAside(const std::string& path) {
    std::string aside = path + ".damaged";
    struct stat info {};
    for (int n = 2; ::lstat(aside.c_str(), &info) == 0; ++n) {
        if (n > 1000) {
            return false;
        }
        aside = path + ".damaged." + std::to_string(n);
    }
    if (::rename(path.c_str(), aside.c_str()) != 0) {
        return false;
    }
    Log(kSerializeLocation, "The unreadable file was kept as \"" + aside + "\"", LOG_CAT_DATA,
        LOG_SEV_ERROR);
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    m_damaged.push_back(aside);
    return true;
}

bool CMgmtMessages::WriteBytes(const std::string& bytes, const std::string& path) {
    Log(kSerializeLocation, "Storing data to file \"" + path + "\"", LOG_CAT_DATA, LOG_SEV_TRACE);
    platform::CreateFolder(m_dataFolder);
    if (!platform::WriteFileAtomic(path, bytes)) {
        // The new file is written beside the old one, which stays whole on any failure.
        const int error = errno;
        const bool writeFailed =
            error == ENOSPC || error == EDQUOT || error == EIO || error == EFBIG;
        Log(kSerializeLocation,
            writeFailed ? "Failed to write file data." : "Could not open the file.", LOG_CAT_DATA,
            LOG_SEV_ERROR, true);
        return false;
    }
    return true;
}

bool CMgmtMessages::Store(const Folder& folder, const std::string& path) {
    try {
        if ((m_blocked & (path == m_outboxPath ? kOutboxBit : kSentboxBit)) != 0) {
            return false;
        }
        std::string bytes;
        if (!WriteFolderData(folder, bytes)) {
            Log(kSerializeLocation, "Failed to store message record data to file.", LOG_CAT_DATA,
                LOG_SEV_ERROR, true);
            return false;
        }
        return WriteBytes(bytes, path);
    } catch (...) {
        Log(kSerializeLocation, "Failed to write file data.", LOG_CAT_DATA, LOG_SEV_ERROR, true);
        return false;
    }
}
