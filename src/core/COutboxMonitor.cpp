#include "core/COutboxMonitor.h"

#include "core/CCoreContext.h"
#include "log/LogManager.h"
#include "messages/CMMSRecord.h"
#include "messages/CMgmtMessages.h"
#include "messages/CSMSRecord.h"

#include <string>
#include <vector>

win::DWORD COutboxMonitor::ThreadProcOutboxMonitor(std::shared_ptr<CCoreContext> context) {
    Log("ThreadProcOutboxMonitor", "Thread started", LOG_CAT_CORE, LOG_SEV_TRACE);
    win::DWORD result = 0;
    try {
        result = ThreadSessionOutboxMonitor(*context);
    } catch (...) {
        Log("ThreadProcOutboxMonitor", "Error: Unknown exception caught", LOG_CAT_CORE,
            LOG_SEV_ERROR);
        result = 1;
    }
    Log("ThreadProcOutboxMonitor", "Thread ended", LOG_CAT_CORE, LOG_SEV_TRACE);
    return result;
}

win::DWORD COutboxMonitor::ThreadSessionOutboxMonitor(CCoreContext& context) {
    const char* const where = "CMgmtCore::ThreadSessionOutboxMonitor";
    Log(where, "Enter", LOG_CAT_CORE, LOG_SEV_TRACE);
    context.IsInternetAvalible(nullptr);
    Reconcile(context);
    context.monitorUpdate.Set(); // the first scan runs at once

    win::Waitable* objects[] = {&context.monitorStop, &context.monitorUpdate};
    for (;;) {
        win::DWORD wait =
            win::WaitForMultipleObjects(objects, false, context.Options().monitorIntervalMs);
        if (wait == win::WAIT_OBJECT_0) {
            Log(where, "Responding to stop event.", LOG_CAT_CORE, LOG_SEV_TRACE);
            break;
        }
        if (context.monitorStopRequested) {
            break;
        }
        if (wait == win::WAIT_OBJECT_0 + 1) {
            Log(where, "Responding to update event.", LOG_CAT_CORE, LOG_SEV_TRACE);
            Scan(context);
            ++context.scansDone;
        } else if (wait == win::WAIT_TIMEOUT) {
            Scan(context);
            ++context.scansDone;
        }
    }
    return 0;
}

int COutboxMonitor::Reconcile(CCoreContext& context) {
    // A record waiting for its message id was handed to the core under its send key before
    // the program stopped; handing it over again under the same key tells the core to post
    // its send result again (the core charges nothing for a key it knows), or sends it now
    // when the first hand-over never reached the core.
    int reconciled = 0;
    MessageRecordList records;
    context.Store().OutboxGetRecords(records, MSGSTATUS_AWAITING_ID);
    for (auto& record : records) {
        if (context.monitorStopRequested) {
            break;
        }
        if (record->MessageType != MSGTYPE_SMS) {
            continue;
        }
        const std::string key = record->GUID;
        if (!CCoreContext::IsSendKey(key)) {
            // No key to ask about: it may have gone out, so it is never sent again by itself.
            continue;
        }
        std::lock_guard<std::mutex> guard(context.SendLock());
        if (context.SendMessage(static_cast<CSMSRecord&>(*record))) {
            if (record->GUID != key) {
                context.Store().OutboxModifyRecord(key, *record);
            }
            ++reconciled;
        } else {
            record->Status = MSGSTATUS_NOT_SENT;
            context.Store().OutboxModifyRecord(key, *record);
        }
    }
    Log("CMgmtCore::ReconcileOutbox",
        "Outbox records awaiting their message id handed over again: " + std::to_string(reconciled),
        LOG_CAT_CORE, LOG_SEV_TRACE);
    return reconciled;
}

int COutboxMonitor::Scan(CCoreContext& context) {
    int accepted = 0;
    MessageRecordList records;
    context.Store().OutboxGetRecords(records, MSGSTATUS_NOT_SENT);

    // Every due SMS gets a fresh send key, saved (with status "awaiting message id") before
    // anything is handed to the core, so that a stop at any instant never sends it twice.
    struct Keyed {
        CMessageRecord* record;
        std::string previousGuid;
    };
    std::vector<Keyed> keyed;
    for (auto& record : records) {
        if (!record->IsDue() || record->MessageType != MSGTYPE_SMS) {
            continue;
        }
        const std::string previous = record->GUID;
        record->GUID = CCoreContext::NewSendKey();
        record->Status = MSGSTATUS_AWAITING_ID;
        if (context.Store().OutboxModifyRecord(previous, *record)) {
            keyed.push_back({record.get(), previous});
        }
    }
    if (!keyed.empty() && !context.Store().Flush()) {
        // The keys are not on disk: nothing is handed over now, and the records are back as
        // they were before the line below tells so.
        for (Keyed& k : keyed) {
            const std::string key = k.record->GUID;
            k.record->GUID = k.previousGuid;
            k.record->Status = MSGSTATUS_NOT_SENT;
            context.Store().OutboxModifyRecord(key, *k.record);
        }
        Log("CMgmtCore::ThreadSessionOutboxMonitor",
            "Error: The outbox could not be saved; sending waits for the next scan", LOG_CAT_CORE,
            LOG_SEV_ERROR);
        return 0;
    }

    for (std::size_t i = 0; i < keyed.size(); ++i) {
        if (context.monitorStopRequested) {
            // Shutdown is waiting; the rest is reconciled at the next start.
            break;
        }
        CMessageRecord* record = keyed[i].record;
        const std::string key = record->GUID;
        std::lock_guard<std::mutex> guard(context.SendLock());
        if (context.SendMessage(static_cast<CSMSRecord&>(*record))) {
            if (record->GUID != key) {
                context.Store().OutboxModifyRecord(key, *record);
            }
            ++accepted;
        } else {
            // Refused: the core never took the key, so the record goes back as it was.
            record->GUID = keyed[i].previousGuid;
            record->Status = MSGSTATUS_NOT_SENT;
            context.Store().OutboxModifyRecord(key, *record);
        }
    }
    // MMS messages are offered too; they are never handed over and stay in the outbox.
    for (auto& record : records) {
        if (record->MessageType == MSGTYPE_MMS && record->IsDue()) {
            const std::string guid = record->GUID;
            if (context.SendMMSMessage(static_cast<CMMSRecord&>(*record))) {
                context.Store().OutboxModifyRecord(guid, *record);
                ++accepted;
            }
        }
    }
    return accepted;
}
