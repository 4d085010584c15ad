// The outbox and the sentbox: owns every record of both folders, saves each folder to its own
// file, loads both at construction and tells one subscribed window when the data has changed.
// Safe to call from any thread; one recursive lock guards both folders and the persistence
// switch. Records go in and out as copies.
//
// Saving: a change marks its folder dirty; changes that arrive within the save delay share one
// atomic save of each dirty folder, done by a saver thread (a delay of 0 saves within the
// call). A new outbox record is saved before OutboxAddRecord returns, and Flush saves every
// pending change at once. The sentbox is always saved before the outbox, so a record moving
// between them is never on disk in neither; at load a record found in both (a move cut short)
// keeps its sentbox copy. Every change has a generation number; the save listener hears which
// generation is on disk after each save, so that callers can wait for their change to be safe.
//
// A folder file that exists but cannot be read (damage, a version this build does not know)
// is moved aside to "<file>.damaged" before anything is saved over it; DamagedFiles tells
// which, so that the user can be told once. When it cannot be moved, that folder is not saved.
#pragma once

#include "messages/CMessageRecord.h"
#include "platform/Win.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

using MessageRecordList = std::vector<std::unique_ptr<CMessageRecord>>;

struct StoreOptions {
    // Changes within this time share one save of each folder; 0 saves within every call.
    std::chrono::milliseconds saveDelay{100};
};

class CMgmtMessages {
public:
    enum class ArchiveMode { Load, Store };

    // `dataFolder` holds outbox.dat and sentbox.dat; it is created on the first save.
    explicit CMgmtMessages(const std::string& dataFolder, StoreOptions options = {});
    virtual ~CMgmtMessages();
    CMgmtMessages(const CMgmtMessages&) = delete;
    CMgmtMessages& operator=(const CMgmtMessages&) = delete;

    // Change notification: the message is posted (both parameters 0) to the window after
    // every change. One subscriber at a time.
    void SubscribeNotifyWnd(win::HWND window, win::UINT message);
    void UnSubscribeNotifyWnd();
    void NotifyDataChange();

    // Replace the list's contents by copies of the folder's records whose Status equals
    // `statusFilter` (every record for 0), in folder order. Return the list's size.
    std::int32_t OutboxGetRecords(MessageRecordList& list, std::int32_t statusFilter);
    std::int32_t SentboxGetRecords(MessageRecordList& list, std::int32_t statusFilter);
    // How many records of the folder have Status `statusFilter` (every record for 0), without
    // copying any.
    std::int32_t OutboxCount(std::int32_t statusFilter);
    std::int32_t SentboxCount(std::int32_t statusFilter);

    // Copy of the first record with that GUID, or null.
    std::unique_ptr<CMessageRecord> OutboxGetRecord(const std::string& guid);
    std::unique_ptr<CMessageRecord> SentboxGetRecord(const std::string& guid);
    // Copy of the first sentbox record with both service ids, or null.
    std::unique_ptr<CMessageRecord> GetRecord(std::int32_t lowId, std::int32_t highId);

    // Ids of the sentbox record awaiting delivery reports with the lowest service id. False,
    // leaving the outputs alone, when there is none.
    bool SentboxGetLowestNotFinalID(std::int32_t& lowId, std::int32_t& highId);

    // Appends a copy to the outbox, saves it and notifies. The save result.
    bool OutboxAddRecord(const CMessageRecord& record);
    // Delete the first record with that GUID, save the folder and notify. False when there is
    // no such record or the save failed.
    bool OutboxDelRecord(const std::string& guid);
    bool SentboxDelRecord(const std::string& guid);
    // Replace the outbox record with `guid` (or with the record's own GUID) by a copy of the
    // record, which moves to the end of the folder, and save. True when replaced and saved.
    bool OutboxModifyRecord(const CMessageRecord& record);
    bool OutboxModifyRecord(const std::string& guid, const CMessageRecord& record);
    // The same for the sentbox record with the record's own GUID.
    bool SentboxModifyRecord(const CMessageRecord& record);
    // Moves the record from the outbox to the end of the sentbox and saves both folders. True
    // when moved (and, with a save delay of 0, both saves succeeded).
    bool OutboxMoveToSentbox(const std::string& guid);
    // One transition: the outbox record with `guid` is replaced by a copy of `updated`, which
    // goes to the end of the sentbox. False when there is no such outbox record.
    bool OutboxMoveToSentbox(const std::string& guid, const CMessageRecord& updated);

    // Switches saving after each change on or off; returns the previous setting.
    bool SetPersistence(bool persistence);
    // Saves both folders, even while persistence is off. True when both saves succeeded.
    bool SaveAll();
    bool SerializeOutbox(ArchiveMode mode);
    bool SerializeSentbox(ArchiveMode mode);

    // Saves every pending change now, the sentbox first. True when nothing failed.
    bool Flush();
    // Number of the latest change, and the number up to which every change is on disk.
    std::uint64_t ChangeGeneration() const;
    std::uint64_t SavedGeneration() const;
    // Called on the saving thread after each save with the saved generation; null removes it.
    void SetSaveListener(std::function<void(std::uint64_t savedGeneration)> listener);
    // Files moved aside as damaged at construction.
    std::vector<std::string> DamagedFiles() const;
    // How many times each folder file has been written (statistics).
    std::uint64_t OutboxSaveCount() const { return m_outboxSaves.load(); }
    std::uint64_t SentboxSaveCount() const { return m_sentboxSaves.load(); }

    // Both folders were loaded at construction.
    bool IsLoaded() const { return m_loaded; }
    const std::string& OutboxPath() const { return m_outboxPath; }
    const std::string& SentboxPath() const { return m_sentboxPath; }

    // A new copy of the class the MessageType names (CSMSRecord for 0, CMMSRecord for 1);
    // null for any other type.
    static std::unique_ptr<CMessageRecord> CopyRecord(const CMessageRecord& record);
    // CopyRecord for a record that goes into a folder: null, logged under `where`, when the type
    // is invalid or memory runs out.
    static std::unique_ptr<CMessageRecord> CopyOrLog(const CMessageRecord& record,
                                                     const char* where);

    // The folder file format, in memory. ReadFolderData fills `records` and returns true, or
    // returns false with the reason in `error` and `records` empty.
    static bool ReadFolderData(std::string_view bytes, MessageRecordList& records,
                               std::string& error);
    // Appends the folder file for `records` to `out`. False when a record cannot be stored.
    static bool WriteFolderData(const MessageRecordList& records, std::string& out);

protected:
    using Folder = MessageRecordList;

    bool DelRecord(Folder& folder, const std::string& guid);
    // Removes the record, logs `notFound` when it is absent, saves and notifies.
    bool DelRecordAndSave(Folder& folder, unsigned bit, const char* where, const char* notFound,
                          const std::string& guid);
    bool ModifyRecord(Folder& folder, const CMessageRecord& record, const std::string* guid);
    bool Serialize(Folder& folder, const std::string& path, ArchiveMode mode, bool force = false);
    static Folder::iterator FindByGuid(Folder& folder, const std::string& guid);
    std::int32_t GetRecords(const Folder& folder, MessageRecordList& list,
                            std::int32_t statusFilter);

    mutable std::recursive_mutex m_lock;
    Folder m_outbox;
    Folder m_sentbox;

private:
    enum FolderBit : unsigned { kOutboxBit = 1, kSentboxBit = 2 };

    bool Load(Folder& folder, const std::string& path);
    bool Store(const Folder& folder, const std::string& path);
    bool WriteBytes(const std::string& bytes, const std::string& path);
    // Keeps an unreadable file as "<path>.damaged"; false when it could not be moved.
    bool MoveAside(const std::string& path);
    // Drops outbox copies of records the sentbox holds (a move cut short by a crash).
    void RepairAfterLoad();
    // A change of the folders in `bits`; saves at once without a save delay. The result of
    // that save, true when the save is left to the saver.
    bool Changed(unsigned bits);
    // Saves every dirty folder (`force`: both, even with persistence off), the sentbox first.
    bool SaveDirty(bool force);
    void SaverLoop();

    StoreOptions m_options;
    bool m_loaded = false;
    std::atomic<bool> m_persistence{true};
    std::atomic<win::HWND> m_notifyWindow{0};
    std::atomic<win::UINT> m_notifyMessage{0};
    std::string m_dataFolder;
    std::string m_outboxPath;
    std::string m_sentboxPath;

    // Guarded by m_lock.
    unsigned m_dirty = 0;
    unsigned m_blocked = 0; // folders whose damaged file could not be moved aside
    std::uint64_t m_generation = 0;
    std::chrono::steady_clock::time_point m_firstDirty;
    std::vector<std::string> m_damaged;

    std::mutex m_saveLock; // one save at a time, in the order the snapshots were taken
    std::atomic<std::uint64_t> m_savedGeneration{0};
    std::atomic<std::uint64_t> m_outboxSaves{0};
    std::atomic<std::uint64_t> m_sentboxSaves{0};
    std::mutex m_listenerLock;
    std::function<void(std::uint64_t)> m_listener;

    std::mutex m_saverMutex;
    std::condition_variable m_saverWake;
    bool m_saverStop = false;
    std::chrono::steady_clock::time_point m_lastSave;
    std::thread m_saver;
};
