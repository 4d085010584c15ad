#include "folders/CFolderRows.h"

#include "gui/CGuiText.h"
#include "log/LogManager.h"
#include "messages/CMMSRecord.h"
#include "messages/CSMSRecord.h"

#include <cstdio>

FolderRow CFolderRows::Build(const CMessageRecord& record, int mmsIconOffset,
                             const FolderCommentTexts& texts) {
    FolderRow row;
    row.cells[COL_TO] = record.GetRecipients(',');
    row.cells[COL_MESSAGE] = MessageCell(MessageTextOf(record));
    row.cells[COL_SENT] = record.DateTime;
    row.cells[COL_GUID] = record.GUID;

    const int base = record.MessageType == MSGTYPE_MMS ? mmsIconOffset : 0;
    int icon = ICON_MESSAGE;
    std::string& comment = row.cells[COL_COMMENT];
    switch (record.Status) {
    case MSGSTATUS_FINAL:
        comment = texts.sent;
        break;
    case MSGSTATUS_ERROR:
        icon = ICON_ERROR;
        comment = record.ErrorText;
        break;
    case MSGSTATUS_NOT_SENT:
        if (!record.IsDue()) {
            icon = ICON_SCHEDULED;
            comment = texts.scheduled;
        } else if (!record.ErrorText.empty()) {
            comment = record.ErrorText;
        } else {
            comment = texts.sending;
        }
        break;
    case MSGSTATUS_AWAITING_ID:
        comment = texts.sending;
        break;
    case MSGSTATUS_AWAITING_STATUS:
        comment = texts.awaitingStatus;
        break;
    default: {
        char text[96];
        std::snprintf(text, sizeof text, "Error: MSGSTATUS enum value of [%d] is not supported",
                      static_cast<int>(record.Status));
        Log("CDlgMessageFolder::UpdateList", text, LOG_CAT_GUI, LOG_SEV_ERROR);
        break;
    }
    }
    row.icon = base + icon;
    return row;
}

std::string CFolderRows::MessageCell(const std::string& text) {
    std::string cell;
    cell.reserve(text.size());
    for (char c : text) {
        cell.push_back(c == '\n' || c == '\r' ? ' ' : c);
    }
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    size_t first = 0;
    while (first < cell.size() && blank(cell[first])) {
        ++first;
    }
    size_t last = cell.size();
    while (last > first && blank(cell[last - 1])) {
        --last;
    }
    return cell.substr(first, last - first);
}

const std::string& CFolderRows::MessageTextOf(const CMessageRecord& record) {
    static const std::string kEmpty;
    if (const auto* sms = dynamic_cast<const CSMSRecord*>(&record)) {
        return sms->MessageText;
    }
    if (const auto* mms = dynamic_cast<const CMMSRecord*>(&record)) {
        return mms->MessageText;
    }
    return kEmpty;
}

FolderCommentTexts CFolderRows::TranslatedTexts() {
    FolderCommentTexts t;
    t.sent = CGuiText::Tr("sendMessage.LabelSent", "Sent");
    t.scheduled = CGuiText::Tr("sendMessage.LabelScheduled", "Scheduled");
    t.sending = CGuiText::Tr("sendMessage.LabelSending", "Sending...");
    t.awaitingStatus =
        CGuiText::Tr("sendMessage.LabelSentAwaitRecipientStatus", "Sent, awaiting status...");
    return t;
}
