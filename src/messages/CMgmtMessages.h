// The outbox and the sentbox: owns every record of both folders, saves each folder to its own
// file after every change, loads both at construction and tells one subscribed window when the
// data has changed. Safe to call from any thread; one recursive lock guards both folders, both
// files and the persistence switch. Records go in and out as copies.
#pragma once

#include "messages/CMessageRecord.h"
#include "platform/Win.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

using MessageRecordList = std::vector<std::unique_ptr<CMessageRecord>>;

class CMgmtMessages {
public:
    enum class ArchiveMode { Load, Store };

    // `dataFolder` holds outbox.dat and sentbox.dat; it is created on the first save.
    explicit CMgmtMessages(const std::string& dataFolder);
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
    // when moved and both saves succeeded.
    bool OutboxMoveToSentbox(const std::string& guid);

    // Switches saving after each change on or off; returns the previous setting.
    bool SetPersistence(bool persistence);
    // Saves both folders, even while persistence is off. True when both saves succeeded.
    bool SaveAll();
    bool SerializeOutbox(ArchiveMode mode);
    bool SerializeSentbox(ArchiveMode mode);

    // Both folders were loaded at construction.
    bool IsLoaded() const { return m_loaded; }
    const std::string& OutboxPath() const { return m_outboxPath; }
    const std::string& SentboxPath() const { return m_sentboxPath; }

    // A new copy of the class the MessageType names (CSMSRecord for 0, CMMSRecord for 1);
    // null for any other type.
    static std::unique_ptr<CMessageRecord> CopyRecord(const CMessageRecord& record);

    // The folder file format, in memory. ReadFolderData fills `records` and returns true, or
    // returns false with the reason in `error` and `records` empty.
    static bool ReadFolderData(std::string_view bytes, MessageRecordList& records,
                               std::string& error);
    // Appends the folder file for `records` to `out`. False when a record cannot be stored.
    static bool WriteFolderData(const MessageRecordList& records, std::string& out);

protected:
    using Folder = MessageRecordList;

    bool DelRecord(Folder& folder, const std::string& guid);
    bool ModifyRecord(Folder& folder, const CMessageRecord& record, const std::string* guid);
    bool Serialize(Folder& folder, const std::string& path, ArchiveMode mode, bool force = false);
    static Folder::iterator FindByGuid(Folder& folder, const std::string& guid);
    std::int32_t GetRecords(const Folder& folder, MessageRecordList& list,
                            std::int32_t statusFilter);

    mutable std::recursive_mutex m_lock;
    Folder m_outbox;
    Folder m_sentbox;

private:
    bool Load(Folder& folder, const std::string& path);
    bool Store(const Folder& folder, const std::string& path);

    bool m_loaded = false;
    std::atomic<bool> m_persistence{true};
    std::atomic<win::HWND> m_notifyWindow{0};
    std::atomic<win::UINT> m_notifyMessage{0};
    std::string m_dataFolder;
    std::string m_outboxPath;
    std::string m_sentboxPath;
};
