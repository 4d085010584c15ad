#include "messages/CMgmtSMS.h"

#include "log/LogManager.h"
#include "messages/CMessageRecord.h"

bool CMgmtSMS::OutboxIsMessagesPending() {
    Log("CMgmtSMS::OutboxIsMessagesPending", "Enter", LOG_CAT_DATA, LOG_SEV_TRACE);
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    for (const auto& record : m_outbox) {
        if (record->Status == MSGSTATUS_NOT_SENT) {
            return true;
        }
    }
    return false;
}
