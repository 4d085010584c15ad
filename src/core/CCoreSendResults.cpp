#include "core/CCoreSendResults.h"

#include "core/CCoreContext.h"
#include "core/CFetchBuffers.h"
#include "log/LogManager.h"
#include "messages/CMgmtMessages.h"
#include "messages/CSMSRecord.h"
#include "platform/MsgBox.h"

#include <cstdint>
#include <memory>
#include <stdexcept>

namespace {

const char* const kGeneralError = "An error occured while sending the message";
const char* const kAwaitingServer = "Awaiting server connection...";

const char* const kUnknownAccount = "Unknown account";

// Tells the core, when the handler is done, that the fetched result may be confirmed once the
// folders are saved.
struct ConfirmOnExit {
    CCoreContext& context;
    std::int32_t code;
    const std::string& guid;
    ~ConfirmOnExit() {
        try {
            context.ConfirmWhenSaved(code, guid);
        } catch (...) {
            // Not confirmed: the core posts it again at the next start.
        }
    }
};

std::string NotSentLine(const std::string& message, const CMessageRecord& record) {
    return "Message was not sent due to an error. Core reports: " + message + "Message data:\n" +
           record.Dump();
}

} // namespace

CCoreSendResults::Classification CCoreSendResults::Classify(const std::string& label,
                                                            const std::string& description) const {
    struct Row {
        const char* label;
        const char* key;
        bool resend;
    };
    static const Row kRows[] = {
        {"Parse Error", "sendMessage.parseErrorMsg", false},
        {"Bad server responce", "sendMessage.BadResponceErrorMsg", false},
        {"Server Error", "sendMessage.ServerErrErrorMsg", false},
        {"Server not found", "sendMessage.ServerNotFoundErrorMsg", true},
        {"Server not avail", "sendMessage.ServerNotAvailErrorMsg", true},
    };
    Classification result;
    for (const Row& row : kRows) {
        if (label == row.label) {
            result.errorText =
                m_context.Translate(row.key, row.resend ? kAwaitingServer : kGeneralError);
            result.message = label;
            result.resend = row.resend;
            return result;
        }
    }
    result.errorText = m_context.Translate("sendMessage.GeneralErrorMsg", kGeneralError);
    result.message = description.empty() ? "No error description avalible" : description;
    return result;
}

int CCoreSendResults::OnQVStatusSendMessageInfoID(const std::string& guid) {
    const char* const where = "CMgmtCore::OnQVStatusSendMessageInfoID";
    Log(where, "Enter", LOG_CAT_CORE, LOG_SEV_TRACE);
    try {
        CFetchBuffers buffers(2);
        QVSendResult result{};
        std::int32_t rc = buffers.Negotiate([&] {
            result = QVSendResult{};
            result.size = static_cast<std::int32_t>(sizeof(QVSendResult));
            result.bufferSize = buffers.Size();
            result.errorLabel = buffers[0];
            result.errorDescription = buffers[1];
            result.guid = guid.c_str();
            result.guidLength = static_cast<std::int32_t>(guid.size() + 1);
            return m_context.Core().GetStatusSendMessageInfo(&result);
        });
        if (rc != 1) {
            return LogFailure(where, "The call to QVGetStatusSendMessageInfo failed", LOG_CAT_CORE);
        }
        {
            // The monitor stores the GUID right after the core accepted the message; wait
            // until it has.
            std::lock_guard<std::mutex> guard(m_context.SendLock());
        }
        // Whatever follows, the result has been fetched: it counts as delivered once its
        // effect on the folders is on disk.
        ConfirmOnExit confirm{m_context, QVStatusSendMessageInfoID, guid};
        std::unique_ptr<CMessageRecord> record = m_context.Store().OutboxGetRecord(guid);
        if (record == nullptr) {
            return LogFailure(where,
                              "Warning: No matching outbox record found for the given GUID. "
                              "Message might have been removed.",
                              LOG_CAT_CORE);
        }
        if (result.errorFlag == 0 && (result.lowId != 0 || result.highId != 0)) {
            record->iLowID = result.lowId;
            record->HighID = result.highId;
            record->Status = MSGSTATUS_AWAITING_STATUS;
            // Replaced and moved in one step, so no save can catch it half-way.
            m_context.Store().OutboxMoveToSentbox(guid, *record);
            return 0;
        }

        record->Status = MSGSTATUS_ERROR;
        Classification c = Classify(buffers[0], buffers[1]);
        record->ErrorText = c.errorText;
        Log(where, NotSentLine(c.message, *record), LOG_CAT_CORE, LOG_SEV_ERROR);
        if (std::string(buffers[0]) == kUnknownAccount) {
            m_context.ForgetUnknownAccount(record->AccountID);
        }
        if (c.resend) {
            Log(where, "Attempting to resend the message", LOG_CAT_CORE, LOG_SEV_ERROR);
            record->Status = MSGSTATUS_NOT_SENT;
        } else {
            // Stored before the box is shown: the box waits for the user.
            m_context.Store().OutboxModifyRecord(guid, *record);
            m_context.ShowMessageBox(c.message, win::MB_OK);
            return 0;
        }
        m_context.Store().OutboxModifyRecord(guid, *record);
    } catch (...) {
        Log(where, "Error: Unknown exception caught", LOG_CAT_CORE, LOG_SEV_ERROR);
    }
    return 0;
}

int CCoreSendResults::OnQVStatusErrorID(const std::string& guid) {
    const char* const where = "CMgmtCore::OnQVStatusErrorID";
    Log(where, "Enter", LOG_CAT_CORE, LOG_SEV_TRACE);
    try {
        Log(where, "Calling QVGetStatusError", LOG_CAT_CORE, LOG_SEV_TRACE);
        CFetchBuffers buffers(2);
        QVErrorReport report{};
        std::int32_t rc = buffers.Negotiate([&] {
            report = QVErrorReport{};
            report.size = static_cast<std::int32_t>(sizeof(QVErrorReport));
            report.bufferSize = buffers.Size();
            report.errorLabel = buffers[0];
            report.errorDescription = buffers[1];
            report.guid = guid.c_str();
            report.guidLength = static_cast<std::int32_t>(guid.size() + 1);
            return m_context.Core().GetStatusError(&report);
        });
        if (rc != 1) {
            return LogFailure(where, "Error: Call to QVGetStatusError failed", LOG_CAT_CORE);
        }
        ConfirmOnExit confirm{m_context, QVStatusErrorID, guid};

        bool inOutbox = false;
        std::unique_ptr<CMessageRecord> record;
        if (!guid.empty()) {
            std::lock_guard<std::mutex> guard(m_context.SendLock());
            record = m_context.Store().OutboxGetRecord(guid);
            inOutbox = record != nullptr;
            if (record == nullptr) {
                record = m_context.Store().SentboxGetRecord(guid);
            }
        }
        bool found = record != nullptr;
        if (!found) {
            Log(where,
                "Warning: Cannot find a record that matches the GUID. It might have been "
                "deleted or core error message does not correspond to a specific record.",
                LOG_CAT_CORE, LOG_SEV_ERROR);
            record = std::make_unique<CSMSRecord>();
        }

        record->Status = MSGSTATUS_ERROR;
        Classification c = Classify(buffers[0], buffers[1]);
        record->ErrorText = c.errorText;
        if (!found) {
            Log(where,
                "Core is reporting an error that does not correspond to a message or the "
                "message has been deleted:\n" +
                    c.message,
                LOG_CAT_CORE, LOG_SEV_ERROR);
            return 0;
        }

        Log(where, NotSentLine(c.message, *record), LOG_CAT_CORE, LOG_SEV_ERROR);
        if (std::string(buffers[0]) == kUnknownAccount) {
            m_context.ForgetUnknownAccount(record->AccountID);
        }
        if (c.resend) {
            Log(where, "Attempting to resend the message if message is in outbox", LOG_CAT_CORE,
                LOG_SEV_ERROR);
            record->Status = MSGSTATUS_NOT_SENT;
        }
        // Stored before any box is shown: the box waits for the user.
        if (inOutbox) {
            m_context.Store().OutboxModifyRecord(guid, *record);
        } else {
            record->Status = MSGSTATUS_ERROR; // a sentbox record never goes back
            m_context.Store().SentboxModifyRecord(*record);
        }
        if (!c.resend) {
            m_context.ShowMessageBox(c.message, win::MB_OK);
        }
    } catch (...) {
        Log(where, "Error: Unknown exception caught", LOG_CAT_CORE, LOG_SEV_ERROR);
    }
    return 0;
}

int CCoreSendResults::OnQVStatusMessageInfoID(const std::string& guid) {
    const char* const where = "CMgmtCore::OnQVStatusMessageInfoID";
    Log(where, "Enter", LOG_CAT_CORE, LOG_SEV_TRACE);
    try {
        Log(where, "Calling QVGetMessageStatus", LOG_CAT_CORE, LOG_SEV_TRACE);
        CFetchBuffers buffers(5);
        QVMessageStatus status{};
        std::int32_t rc = buffers.Negotiate([&] {
            status = QVMessageStatus{};
            status.size = static_cast<std::int32_t>(sizeof(QVMessageStatus));
            status.bufferSize = buffers.Size();
            status.statusCode = buffers[0];
            status.statusText = buffers[1];
            status.recipients = buffers[2];
            status.fifthBuffer = buffers[3];
            status.sixthBuffer = buffers[4];
            status.guid = guid.c_str();
            status.guidLength = static_cast<std::int32_t>(guid.size() + 1);
            return m_context.Core().GetMessageStatus(&status);
        });
        if (rc != 1) {
            return LogFailure(where, "Call to QVGetMessageStatus failed", LOG_CAT_CORE);
        }
        ConfirmOnExit confirm{m_context, QVStatusMessageInfoID, guid};

        if (status.errorFlag != 0) {
            Log(where,
                "A communication Error has occurred between the DLL and the VTP has "
                "occured.\nCalling QVUpdateMsgId to turn subscription off",
                LOG_CAT_CORE, LOG_SEV_ERROR);
            if (m_context.Core().UpdateMsgId(0, 0, nullptr, nullptr, nullptr, nullptr) != 1) {
                Log(where, "The call to QVUpdateMsgId failed", LOG_CAT_CORE, LOG_SEV_ERROR);
            }
            return 0;
        }

        std::unique_ptr<CMessageRecord> record =
            m_context.Store().GetRecord(status.lowId, status.highId);
        if (record == nullptr) {
            return LogFailure(where,
                              "Warning: Could not find a message with the corresponding ID in "
                              "sentbox. It might have been deleted",
                              LOG_CAT_CORE);
        }
        if (record->Status == MSGSTATUS_FINAL) {
            return LogFailure(where, "Message status is already final", LOG_CAT_CORE);
        }
        std::string code = buffers[0];
        record->UpdateRecipientStatus(buffers[2], buffers[1], code, m_context.Translator());
        m_context.Store().SentboxModifyRecord(*record);

        if (code == "Funknownsender") {
            Log(where, "StatusLabel is Funknownsender", LOG_CAT_CORE, LOG_SEV_ERROR);
            m_context.ShowMessageBox(
                m_context.Translate("ErrorHandler.InvalidSender",
                                    "Your originator cellular phone number is not recognized "
                                    "by the system"),
                win::MB_OK);
        } else if (code == "Finsufficientbalance") {
            Log(where, "StatusLabel is BalanceInsufficient", LOG_CAT_CORE, LOG_SEV_ERROR);
            m_context.ShowMessageBox(
                m_context.Translate("ErrorHandler.BalanceInsufficient",
                                    "You do not have sufficient balance to send the message"),
                win::MB_OK);
        }
        MoveSubscription();
    } catch (...) {
        Log(where, "Error: Unknown exception caught", LOG_CAT_CORE, LOG_SEV_ERROR);
    }
    return 0;
}

void CCoreSendResults::MoveSubscription() {
    const char* const where = "CMgmtCore::OnQVStatusMessageInfoID";
    std::int32_t lowId = 0;
    std::int32_t highId = 0;
    if (m_context.Store().SentboxGetLowestNotFinalID(lowId, highId)) {
        Log(where, "Calling QVUpdateMsgId", LOG_CAT_CORE, LOG_SEV_TRACE);
        CoreIdentity identity = m_context.Identity();
        if (m_context.Core().UpdateMsgId(
                lowId, highId, identity.language.c_str(), identity.ipAddress.c_str(),
                m_context.ApplicationId().c_str(), identity.accountId.c_str()) != 1) {
            Log(where, "Error: Call to QVUpdateMsgId failed", LOG_CAT_CORE, LOG_SEV_ERROR);
        }
        return;
    }
    Log(where, "Calling QVUpdateMsgId to turn subscription off", LOG_CAT_CORE, LOG_SEV_TRACE);
    if (m_context.Core().UpdateMsgId(0, 0, nullptr, nullptr, nullptr, nullptr) != 1) {
        Log(where, "Call to QVUpdateMsgId (to turn subscription off) failed", LOG_CAT_CORE,
            LOG_SEV_ERROR);
    }
}

void CCoreSendResults::ResumeSubscription() {
    const char* const where = "CMgmtCore::ResumeSubscription";
    std::int32_t lowId = 0;
    std::int32_t highId = 0;
    if (!m_context.Store().SentboxGetLowestNotFinalID(lowId, highId)) {
        return;
    }
    Log(where, "Calling QVUpdateMsgId", LOG_CAT_CORE, LOG_SEV_TRACE);
    CoreIdentity identity = m_context.Identity();
    if (m_context.Core().UpdateMsgId(lowId, highId, identity.language.c_str(),
                                     identity.ipAddress.c_str(), m_context.ApplicationId().c_str(),
                                     identity.accountId.c_str()) != 1) {
        Log(where, "Error: Call to QVUpdateMsgId failed", LOG_CAT_CORE, LOG_SEV_ERROR);
    }
}
