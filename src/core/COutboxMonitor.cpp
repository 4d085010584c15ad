#include "core/COutboxMonitor.h"

#include "log/LogManager.h"
#include "core/CCoreContext.h"
#include "messages/CMMSRecord.h"
#include "messages/CMgmtMessages.h"
#include "messages/CSMSRecord.h"

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
        } else if (wait == win::WAIT_TIMEOUT) {
            Scan(context);
        }
    }
    return 0;
}

int COutboxMonitor::Scan(CCoreContext& context) {
    int accepted = 0;
    MessageRecordList records;
    context.Store().OutboxGetRecords(records, MSGSTATUS_NOT_SENT);
    for (auto& record : records) {
        if (context.monitorStopRequested) {
            break; // shutdown is waiting; the rest goes at the next start
        }
        if (!record->IsDue()) {
            continue;
        }
        std::string guid = record->GUID;
        std::lock_guard<std::mutex> guard(context.SendLock());
        bool handedOver = false;
        if (record->MessageType == MSGTYPE_SMS) {
            handedOver = context.SendMessage(static_cast<CSMSRecord&>(*record));
        } else if (record->MessageType == MSGTYPE_MMS) {
            handedOver = context.SendMMSMessage(static_cast<CMMSRecord&>(*record));
        }
        if (handedOver) {
            context.Store().OutboxModifyRecord(guid, *record);
            ++accepted;
        }
    }
    return accepted;
}
