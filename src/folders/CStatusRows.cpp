#include "folders/CStatusRows.h"

#include "gui/CGuiText.h"

std::vector<CStatusRows::Row> CStatusRows::Build(const CMessageRecord& record, bool online,
                                                 const StatusFallbackTexts& texts) {
    const std::string* fallback = &texts.awaitingConnection;
    if (!record.IsDue()) {
        fallback = &texts.scheduled;
    } else if (record.Status != MSGSTATUS_NOT_SENT || online) {
        fallback = &texts.notAvailable;
    }
    std::vector<Row> rows;
    rows.reserve(record.Recipients.size());
    for (const MessageRecipient& recipient : record.Recipients) {
        rows.emplace_back(recipient.Number,
                          recipient.StatusText.empty() ? *fallback : recipient.StatusText);
    }
    return rows;
}

StatusFallbackTexts CStatusRows::TranslatedTexts() {
    StatusFallbackTexts t;
    t.scheduled = CGuiText::Tr("sendMessage.LabelScheduled", "Scheduled");
    t.notAvailable = CGuiText::Tr("sendMessage.LabelRecipientStatusNotAvail", "Not avalible");
    t.awaitingConnection =
        CGuiText::Tr("sendMessage.LabelAwaitingInetConn", "Awaiting internet connection...");
    return t;
}
