// Pictures of the folder dialog (both folders) and the three viewers, for a look by eye.
#include "FolderTestEnv.h"
#include "GuiTestEnv.h"

#include "folders/CDlgMessageFolder.h"
#include "folders/CDlgMessageStatus.h"
#include "folders/CDlgSentSMS.h"
#include "folders/CDlgViewSMS.h"
#include "folders/CSortListCtrl.h"

#include <QHeaderView>

#include <gtest/gtest.h>

using namespace foldertest;

namespace {

void Save(QWidget& widget, const std::string& name) {
    widget.show();
    guitest::SpinUntil([&] { return widget.isVisible(); });
    const std::string path = guitest::ScreenshotFolder() + "/" + name;
    EXPECT_TRUE(widget.grab().save(QString::fromStdString(path)));
}

TEST(Screenshots, FolderDialogAndViewers) {
    TestHost host;
    CMgmtMessages& store = host.Store();
    struct Row {
        const char* guid;
        const char* to;
        const char* text;
        const char* when;
        int status;
        const char* error;
        bool sent;
    } rows[] = {
        {"s1", "+4915112345678", "Meeting moved to 3 pm, room 4.12", "2026-01-09 09:41", 1, "",
         true},
        {"s2", "+4917611122233,+4917644455566", "Happy birthday! Dinner at eight?",
         "2026-01-08 18:02", 5, "", true},
        {"s3", "+447700900123", "Your parcel is at the front desk", "2026-01-07 11:15", 1, "",
         true},
        {"s4", "+33612345678", "Bonjour! Arrive demain matin.", "2026-01-05 07:30", 2,
         "Recipient number not valid", true},
        {"o1", "+4915112345678", "Reminder: dentist tomorrow at 10", "2026-01-11 08:00", 3, "",
         false},
        {"o2", "+14155550123", "Call me when you land", "2026-01-10 11:58", 3, "", false},
        {"o3", "+4930901820", "Invoice 2026-014 has been paid", "2026-01-10 11:40", 2,
         "An error occured while sending the message", false},
        {"o4", "+4917699988877", "On my way", "2026-01-10 11:59", 3,
         "Awaiting server connection...", false},
    };
    for (const Row& r : rows) {
        CSMSRecord record = Sms(r.guid, r.to, r.text, r.when, r.status);
        record.ErrorText = r.error;
        store.OutboxAddRecord(record);
        if (r.sent) {
            store.OutboxMoveToSentbox(r.guid);
        }
    }
    auto s2 = store.SentboxGetRecord("s2");
    s2->UpdateRecipientStatus("+4917611122233", "Delivered", "F");
    s2->Status = 5;
    store.SentboxModifyRecord(*s2);

    CDlgMessageFolder folders(host);
    folders.resize(860, 400);
    folders.List()->SelectKeys({"s2"});
    Save(folders, "folders_sent.png");
    QHeaderView* header = folders.List()->header();
    EXPECT_TRUE(
        header->grab()
            .scaled(header->width() * 2, header->height() * 2)
            .save(QString::fromStdString(guitest::ScreenshotFolder() + "/folders_header.png")));
    folders.SelectFolder(CDlgMessageFolder::FOLDER_OUTBOX);
    folders.List()->SelectKeys({"o1"});
    folders.UpdateGUIStatus();
    Save(folders, "folders_outbox.png");

    auto sent = store.SentboxGetRecord("s2");
    sent->Sender = "Tidewell";
    const std::uint32_t key = host.refs.Add(*sent);
    CDlgSentSMS sentViewer(host, key);
    Save(sentViewer, "viewer_sent.png");

    CSMSRecord incoming;
    incoming.Sender = "+4917611122233";
    incoming.SetRecipients("+4915112345678");
    incoming.DateTime = "2026-01-10 10:12";
    incoming.MessageText = "Thanks for the invitation!\nWe will be there at eight.";
    CDlgViewSMS viewViewer(host, host.refs.Add(incoming));
    Save(viewViewer, "viewer_incoming.png");

    CDlgMessageStatus status(host, *sent, nullptr);
    Save(status, "message_status.png");
}

} // namespace
