#include "folders/CDlgViewSMS.h"

#include "folders/CFolderUi.h"
#include "gui/CGuiMessages.h"
#include "gui/CGuiText.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>

CDlgViewSMS::CDlgViewSMS(IFolderHost& host, std::uint32_t key, QWidget* parent)
    : CDlgViewerBase(host, key,
                     Texts{"TWD_VIEWSMS", CGuiText::Tr("ViewSMS.txtDialogName", "Incoming SMS"),
                           CGuiText::Tr("ViewSMS.LabelReceived", "Date:"), "Help.ViewSMS", 274, 9},
                     parent) {
    Build();
    setWindowIcon(CFolderUi::Icon(9, 32, 5));
}

void CDlgViewSMS::AddOwnButtons(QHBoxLayout* row) {
    QToolButton* reply =
        CFolderUi::MakeButton(this, 12, CGuiText::QTr("ViewSMS.btnReply", "Reply"),
                              CGuiText::QTr("ViewSMS.btntoolTipSMSReply", "Reply by SMS"));
    QToolButton* forward =
        CFolderUi::MakeButton(this, 11, CGuiText::QTr("MessageFolder.btnForward", "Forward"),
                              CGuiText::QTr("MessageFolder.btntoolTipSMSForward", "Forward SMS"));
    // The reply icon belongs to the mail-client edition; elsewhere the new-message icon.
    reply->setIcon(CFolderUi::Icon(12, 16, 3));
    connect(reply, &QToolButton::clicked, this, [this] { OnReply(); });
    connect(forward, &QToolButton::clicked, this, [this] { OnForward(); });
    row->addWidget(reply);
    row->addWidget(forward);
}

void CDlgViewSMS::AddOwnFileItems(QMenu* file) {
    QAction* reply = CFolderUi::AddMenuItem(file, "ViewSMS.MenuFileReply", "Reply", "Ctrl+R",
                                            QKeySequence(Qt::CTRL | Qt::Key_R), this);
    addAction(reply);
    connect(reply, &QAction::triggered, this, [this] { OnReply(); });
}

void CDlgViewSMS::OnReply() {
    // Every number of the sender field, separated by ";" or ",", becomes a recipient.
    CSMSRecord reply;
    reply.SetRecipients(m_record.Sender);
    PostReference(reply, CGuiMessages::Get().showNewReply, "CDlgViewSMS::OnReply");
}
