#include "folders/CDlgMessageStatus.h"

#include "folders/CFolderUi.h"
#include "folders/CStatusRows.h"
#include "gui/CGuiText.h"
#include "language/CMgmtBranding.h"
#include "messages/CMgmtMessages.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
// Text-table row of the help link.
constexpr int kHelpRow = 264;
} // namespace

CDlgMessageStatus::CDlgMessageStatus(IFolderHost& host, const CMessageRecord& record,
                                     QWidget* parent)
    : CDlgBase(parent, "TWD_MESSAGESTATUS"), m_host(host),
      m_record(CMgmtMessages::CopyRecord(record)) {
    if (!m_record) {
        m_record = std::make_unique<CMessageRecord>(record);
    }
    m_online = m_host.IsInternetAvailable();
    SetTitle(CGuiText::Tr("MessageStatus.txtDialogName", "Message Status"));
    setWindowIcon(CMgmtBranding::Instance().GetIcon(6, 32, 32));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setSizeGripEnabled(true);

    m_list = new QTreeWidget(this);
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({CGuiText::QTr("MessageStatus.listColumnRecipients", "Recipients"),
                             CGuiText::QTr("MessageStatus.listColumnStatus", "Status")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->header()->setStretchLastSection(true);
    m_list->setColumnWidth(0, 160);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(CGuiText::QTr("MessageStatus.btnClose", "Close"),
                                            QDialogButtonBox::RejectRole);
    close->setDefault(true);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    resize(420, 260);

    UpdateList();
    if (PlatformWindow() != 0) {
        win::SetTimer(PlatformWindow(), TIMER_STATUS, STATUS_PERIOD_MS);
    }
}

CDlgMessageStatus::~CDlgMessageStatus() {
    if (PlatformWindow() != 0) {
        win::KillTimer(PlatformWindow(), TIMER_STATUS);
    }
}

int CDlgMessageStatus::DoModal(IFolderHost& host, const CMessageRecord& record, QWidget* parent) {
    CDlgMessageStatus dialog(host, record, parent);
    dialog.setModal(true);
    return dialog.exec();
}

void CDlgMessageStatus::UpdateList() {
    CMgmtMessages& store = m_host.Store();
    std::unique_ptr<CMessageRecord> found = store.SentboxGetRecord(m_record->GUID);
    if (!found) {
        found = store.OutboxGetRecord(m_record->GUID);
    }
    if (!found) {
        // The message has left both folders: keep what is shown.
        if (m_list->topLevelItemCount() > 0) {
            return;
        }
    } else {
        m_record = std::move(found);
    }
    m_list->clear();
    for (const auto& [number, status] :
         CStatusRows::Build(*m_record, m_online, CStatusRows::TranslatedTexts())) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, CGuiText::Q(number));
        item->setText(1, CGuiText::Q(status));
    }
}

void CDlgMessageStatus::OnPlatformTimer(win::UINT_PTR id) {
    if (id == TIMER_STATUS) {
        UpdateList();
    }
}

void CDlgMessageStatus::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        CFolderUi::OpenTranslatedLink("Help.MessageStatus", kHelpRow);
        event->accept();
        return;
    }
    CDlgBase::keyPressEvent(event);
}
