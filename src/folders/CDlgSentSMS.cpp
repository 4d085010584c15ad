#include "folders/CDlgSentSMS.h"

#include "folders/CDlgMessageStatus.h"
#include "folders/CFolderUi.h"
#include "gui/CGuiMessages.h"
#include "gui/CGuiText.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QToolButton>

CDlgSentSMS::CDlgSentSMS(IFolderHost& host, std::uint32_t key, QWidget* parent)
    : CDlgViewerBase(host, key,
                     Texts{"TWD_SENTSMS", CGuiText::Tr("SentSMS.txtDialogName", "Sent SMS"),
                           CGuiText::Tr("SentSMS.LabelSent", "Sent"), "Help.SentSMS", 266, 5},
                     parent) {
    Build();
}

void CDlgSentSMS::AddOwnButtons(QHBoxLayout* row) {
    QToolButton* forward =
        CFolderUi::MakeButton(this, 11, CGuiText::QTr("MessageFolder.btnForward", "Forward"),
                              CGuiText::QTr("MessageFolder.btntoolTipSMSForward", "Forward SMS"));
    QToolButton* status = CFolderUi::MakeButton(
        this, 6, CGuiText::QTr("MessageFolder.btnStatus", "Status"),
        CGuiText::QTr("MessageFolder.btntoolTipMessageStatus", "Message status"));
    connect(forward, &QToolButton::clicked, this, [this] { OnForward(); });
    connect(status, &QToolButton::clicked, this, [this] { OnStatus(); });
    row->addWidget(forward);
    row->addWidget(status);
}

void CDlgSentSMS::AddOwnViewItems(QMenu* view) {
    QAction* status = CFolderUi::AddMenuItem(view, "MessageFolder.MenuViewMessagestatus",
                                             "Message Status...", nullptr, QKeySequence(), this);
    connect(status, &QAction::triggered, this, [this] { OnStatus(); });
    view->addSeparator();
}

bool CDlgSentSMS::HandleOwnKey(QKeyEvent* event) {
    if (event->key() == Qt::Key_B && (event->modifiers() & Qt::ControlModifier) &&
        (event->modifiers() & Qt::ShiftModifier)) {
        CFolderUi::Broadcast(CGuiMessages::Get().showAddressBook);
        return true;
    }
    return false;
}

void CDlgSentSMS::OnStatus() {
    CDlgMessageStatus::DoModal(m_host, m_record, this);
}
