#include "messages/CMgmtSMS.h"

#include "messages/CMessageRecord.h"
#include "messages/MessagesLog.h"

bool CMgmtSMS::OutboxIsMessagesPending() {
    messages::LogData("CMgmtSMS::OutboxIsMessagesPending", "Enter", 0);
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    for (const auto& record : m_outbox) {
        if (record->Status == MSGSTATUS_NOT_SENT) {
            return true;
        }
    }
    return false;
}
