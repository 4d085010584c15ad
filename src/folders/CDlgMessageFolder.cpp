#include "folders/CDlgMessageFolder.h"

#include "config/CQVRegClass.h"
#include "folders/CDlgMessageStatus.h"
#include "folders/CFolderRows.h"
#include "folders/CFolderUi.h"
#include "folders/CSortListCtrl.h"
#include "gui/CDlgAbout.h"
#include "gui/CGuiMessages.h"
#include "gui/CGuiText.h"
#include "gui/GuiDefs.h"
#include "language/CMgmtBranding.h"
#include "log/LogManager.h"
#include "messages/CMgmtMessages.h"
#include "messages/CSMSRecord.h"
#include "platform/MsgBox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kMinWidth = 500;
constexpr int kMinHeight = 200;
constexpr size_t kMaxGuidChars = 259;

// Shows the wait cursor while it lives.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Stops a widget from repainting while it lives.
class NoRedraw {
public:
    explicit NoRedraw(QWidget* widget) : m_widget(widget) { m_widget->setUpdatesEnabled(false); }
    ~NoRedraw() { m_widget->setUpdatesEnabled(true); }
    NoRedraw(const NoRedraw&) = delete;
    NoRedraw& operator=(const NoRedraw&) = delete;

private:
    QWidget* m_widget;
};

} // namespace

CDlgMessageFolder::CDlgMessageFolder(IFolderHost& host, QWidget* parent)
    : CDlgBase(parent, "TWD_FOLDERS"), m_host(host) {
    Log("CDlgMessageFolder::Create", "Enter", LOG_CAT_GUI, LOG_SEV_TRACE);
    SetTitle(CGuiText::Tr("MessageFolder.txtDialogName", "Message Folders"));
    setWindowIcon(CMgmtBranding::Instance().GetIcon(2, 32, 32));
    setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setMinimumSize(kMinWidth, kMinHeight);
    setSizeGripEnabled(true);

    BuildControls();
    BuildMenus();

    // The columns: To, Message, Sent, the hidden GUID and Comment.
    const std::string layout = CGuiText::Tr("MessageFolder.ListColumnTo", "To") + ",150;" +
                               CGuiText::Tr("MessageFolder.ListColumnMessage", "Message") +
                               ",210;" + CGuiText::Tr("MessageFolder.ListColumnSent", "Sent") +
                               ",150;" + "GUID,0;" +
                               CGuiText::Tr("MessageFolder.ListColumnComment", "Comment") + ",210;";
    m_list->SetColumns(layout);
    m_list->SetIcons(CFolderUi::ListIcons());
    m_folder->addItem(CGuiText::QTr("MessageFolder.comboSentSMS", "Sent"));
    m_folder->addItem(CGuiText::QTr("MessageFolder.comboSMSOutbox", "Outbox"));
    m_folder->setCurrentIndex(FOLDER_SENT);

    if (PlatformWindow() != 0) {
        m_host.Store().SubscribeNotifyWnd(PlatformWindow(), WM_STORE_DATACHANGED);
        m_subscribed = true;
    }
    m_list->SetListColumnWidth(COL_COMMENT, 210);
    ReadAlertFlags();

    connect(m_folder, &QComboBox::currentIndexChanged, this, [this] { UpdateList(); });
    UpdateList();
    if (PlatformWindow() != 0) {
        win::SetTimer(PlatformWindow(), TIMER_REFRESH, REFRESH_PERIOD_MS);
    }
    resize(760, 420);
}

CDlgMessageFolder::~CDlgMessageFolder() {
    Unsubscribe();
}

void CDlgMessageFolder::BuildControls() {
    const GuiMessageIds& ids = CGuiMessages::Get();

    m_btnNewSms =
        CFolderUi::MakeButton(this, 3, CGuiText::QTr("MessageFolder.btnNewSMS", "New SMS"),
                              CGuiText::QTr("MessageFolder.btntoolTipNewSMS", "New SMS"));
    // The program composes no MMS; the button exists for editions that do and stays hidden.
    m_btnNewMms = CFolderUi::MakeButton(this, 3, QStringLiteral("MMS"), QString());
    m_btnNewMms->setVisible(false);
    m_btnForward =
        CFolderUi::MakeButton(this, 11, CGuiText::QTr("MessageFolder.btnForward", "Forward"),
                              CGuiText::QTr("MessageFolder.btntoolTipSMSForward", "Forward SMS"));
    m_btnStatus = CFolderUi::MakeButton(
        this, 6, CGuiText::QTr("MessageFolder.btnStatus", "Status"),
        CGuiText::QTr("MessageFolder.btntoolTipMessageStatus", "Message status"));
    m_btnMsgOptions = CFolderUi::MakeButton(
        this, 7, QString(),
        CGuiText::QTr("NewMessage.btnToolTipMessageOptions", "Message options"));
    m_btnAddressBook =
        CFolderUi::MakeButton(this, 1, QString(), CGuiText::QTr("WAB.tooltipWAB", "Address book"));
    m_btnOptions = CFolderUi::MakeButton(
        this, 15, QString(), CGuiText::QTr("MessageFolder.btntoolTipSMSOptions", "Options"));
    m_btnLogo = CFolderUi::MakeLogoButton(this);

    connect(m_btnNewSms, &QToolButton::clicked, this,
            [ids] { CFolderUi::Broadcast(ids.showNewSMS); });
    connect(m_btnNewMms, &QToolButton::clicked, this,
            [ids] { CFolderUi::Broadcast(ids.showNewMMS); });
    connect(m_btnForward, &QToolButton::clicked, this, [this] { OnForward(); });
    connect(m_btnStatus, &QToolButton::clicked, this, [this] { OnViewMessagestatus(); });
    connect(m_btnMsgOptions, &QToolButton::clicked, this, [this] { OnMessageOptions(); });
    connect(m_btnAddressBook, &QToolButton::clicked, this,
            [ids] { CFolderUi::Broadcast(ids.showAddressBook); });
    connect(m_btnOptions, &QToolButton::clicked, this,
            [ids] { CFolderUi::Broadcast(ids.showOptions); });

    auto* toolbar = new QHBoxLayout;
    toolbar->setSpacing(2);
    toolbar->addWidget(m_btnNewSms);
    toolbar->addWidget(m_btnNewMms);
    toolbar->addWidget(m_btnForward);
    toolbar->addWidget(m_btnStatus);
    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::VLine);
    separator->setFrameShadow(QFrame::Sunken);
    toolbar->addSpacing(4);
    toolbar->addWidget(separator);
    toolbar->addSpacing(4);
    toolbar->addWidget(m_btnMsgOptions);
    toolbar->addWidget(m_btnAddressBook);
    toolbar->addWidget(m_btnOptions);
    toolbar->addStretch(1);
    toolbar->addWidget(m_btnLogo);

    m_folderLabel = new QLabel(CGuiText::QTr("MessageFolder.labelFolders", "Folder"), this);
    m_folder = new QComboBox(this);
    m_folder->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_folder->setMinimumWidth(140);
    m_folderLabel->setBuddy(m_folder);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(m_folderLabel);
    folderRow->addWidget(m_folder);
    folderRow->addStretch(1);

    m_list = new CSortListCtrl(&m_host.Reg(), this);
    connect(m_list, &CSortListCtrl::SelectionChanged, this, [this] { UpdateGUIStatus(); });
    connect(m_list, &QAbstractItemView::doubleClicked, this, [this] { OnDblclkViewSentSMS(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 8);
    layout->setSpacing(6);
    layout->addLayout(toolbar);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);
    layout->addLayout(folderRow);
    layout->addWidget(m_list, 1);
}

void CDlgMessageFolder::BuildMenus() {
    const GuiMessageIds& ids = CGuiMessages::Get();
    auto* bar = new QMenuBar(this);

    QMenu* file = bar->addMenu(CGuiText::QTr("MessageFolder.MenuFile", "File"));
    m_actNewSms = CFolderUi::AddMenuItem(file, "MenuString.NewSMS", "New SMS", "Ctrl+N",
                                         QKeySequence(Qt::CTRL | Qt::Key_N), this);
    m_actForward = CFolderUi::AddMenuItem(file, "MessageFolder.MenuFileForward", "Forward",
                                          "Ctrl+F", QKeySequence(Qt::CTRL | Qt::Key_F), this);
    file->addSeparator();
    m_actClose = CFolderUi::AddMenuItem(file, "MessageFolder.MenuFileClose", "Close", "Alt+F4",
                                        QKeySequence(), this);

    QMenu* edit = bar->addMenu(CGuiText::QTr("MessageFolder.MenuEdit", "Edit"));
    m_actDelete = CFolderUi::AddMenuItem(edit, "MenuString.Delete", "Delete", "Del",
                                         QKeySequence(Qt::Key_Delete), this);
    m_actSelectAll = CFolderUi::AddMenuItem(edit, "MenuString.SelectAll", "Select All", "Ctrl+A",
                                            QKeySequence(Qt::CTRL | Qt::Key_A), this);

    QMenu* view = bar->addMenu(CGuiText::QTr("MessageFolder.MenuView", "View"));
    QMenu* folder = view->addMenu(CGuiText::QTr("MessageFolder.MenuViewFolder", "Folder"));
    m_actOutbox = CFolderUi::AddMenuItem(folder, "MessageFolder.comboSMSOutbox", "Outbox", nullptr,
                                         QKeySequence(), this);
    m_actSent = CFolderUi::AddMenuItem(folder, "MessageFolder.comboSentSMS", "Sent", nullptr,
                                       QKeySequence(), this);
    m_actOutbox->setCheckable(true);
    m_actSent->setCheckable(true);
    m_actStatus = CFolderUi::AddMenuItem(view, "MessageFolder.MenuViewMessagestatus",
                                         "Message Status...", nullptr, QKeySequence(), this);
    view->addSeparator();
    m_actAddressBook =
        CFolderUi::AddMenuItem(view, "MenuString.AddressBook", "Address Book", "Ctrl+Shift+B",
                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B), this);
    m_actOptions = CFolderUi::AddMenuItem(view, "MenuString.Options", "Options...", nullptr,
                                          QKeySequence(), this);

    QMenu* help = bar->addMenu(CGuiText::QTr("MessageFolder.MenuHelp", "Help"));
    m_actHelp = CFolderUi::AddMenuItem(help, "MessageFolder.MenuHelpOnline", "Online Help", nullptr,
                                       QKeySequence(Qt::Key_F1), this);
    m_actAbout = CFolderUi::AddMenuItem(help, "MessageFolder.MenuHelpAbout", "About <appname>...",
                                        nullptr, QKeySequence(), this);

    connect(m_actNewSms, &QAction::triggered, this,
            [ids] { CFolderUi::Broadcast(ids.showNewSMS); });
    connect(m_actForward, &QAction::triggered, this, [this] { OnForward(); });
    connect(m_actClose, &QAction::triggered, this, [this] { OnClose(); });
    connect(m_actDelete, &QAction::triggered, this, [this] { OnEditDelete(); });
    connect(m_actSelectAll, &QAction::triggered, this, [this] { OnEditSelectall(); });
    connect(m_actOutbox, &QAction::triggered, this, [this] { SelectFolder(FOLDER_OUTBOX); });
    connect(m_actSent, &QAction::triggered, this, [this] { SelectFolder(FOLDER_SENT); });
    connect(m_actStatus, &QAction::triggered, this, [this] { OnViewMessagestatus(); });
    connect(m_actAddressBook, &QAction::triggered, this,
            [ids] { CFolderUi::Broadcast(ids.showAddressBook); });
    connect(m_actOptions, &QAction::triggered, this,
            [ids] { CFolderUi::Broadcast(ids.showOptions); });
    connect(m_actHelp, &QAction::triggered, this,
            [] { CFolderUi::OpenTranslatedLink("Help.MessageFolder", 261); });
    connect(m_actAbout, &QAction::triggered, this, [this] { ShowAbout(); });

    // The shortcuts work wherever the focus is in the window.
    for (QAction* action :
         {m_actNewSms, m_actForward, m_actDelete, m_actSelectAll, m_actAddressBook, m_actHelp}) {
        addAction(action);
    }
    layout()->setMenuBar(bar);
}

void CDlgMessageFolder::ReadAlertFlags() {
    m_alerts = m_host.Reg().GetAlertListboxFlags();
}

void CDlgMessageFolder::SelectFolder(int folder) {
    if (m_folder->currentIndex() == folder) {
        UpdateList();
    } else {
        m_folder->setCurrentIndex(folder); // lists it through the change signal
    }
}

void CDlgMessageFolder::UpdateList() {
    ++m_refreshCount;
    CMgmtMessages& store = m_host.Store();
    MessageRecordList records;
    const int folder = m_folder->currentIndex();
    if (folder == FOLDER_SENT) {
        store.SentboxGetRecords(records, 0);
        m_list->SetListColumnWidth(COL_SENT, 330);
        m_list->SetListColumnWidth(COL_COMMENT, 0);
    } else if (folder == FOLDER_OUTBOX) {
        store.OutboxGetRecords(records, 0);
        m_list->SetListColumnWidth(COL_SENT, 120);
        m_list->SetListColumnWidth(COL_COMMENT, 210);
    } else {
        Log("CDlgMessageFolder::UpdateList", "Unrecognized folder selection", LOG_CAT_GUI,
            LOG_SEV_ERROR);
        return;
    }
    const FolderCommentTexts texts = CFolderRows::TranslatedTexts();
    const int mmsOffset = CFolderUi::MmsIconOffset();
    std::vector<FolderRow> rows;
    rows.reserve(records.size());
    for (const auto& record : records) {
        rows.push_back(CFolderRows::Build(*record, mmsOffset, texts));
    }
    records.clear();
    {
        NoRedraw noRedraw(m_list);
        m_list->SetRows(std::move(rows));
    }
    UpdateGUIStatus();
}

void CDlgMessageFolder::UpdateGUIStatus() {
    const int selected = m_list->SelectedCount();
    const int folder = m_folder->currentIndex();
    m_actOutbox->setChecked(folder == FOLDER_OUTBOX);
    m_actSent->setChecked(folder == FOLDER_SENT);

    const bool one = selected == 1;
    bool reschedulable = false;
    if (one && folder == FOLDER_OUTBOX) {
        auto record = m_host.Store().OutboxGetRecord(FirstSelectedGuid());
        reschedulable = record && record->MessageType == MSGTYPE_SMS && !record->IsDue();
    }
    // Commands that act on one message are on only while exactly one is selected.
    m_actDelete->setEnabled(selected > 0);
    m_actStatus->setEnabled(one);
    m_btnStatus->setEnabled(one);
    m_actForward->setEnabled(one && folder == FOLDER_SENT);
    m_btnForward->setEnabled(one && folder == FOLDER_SENT);
    m_btnMsgOptions->setEnabled(reschedulable);
}

std::string CDlgMessageFolder::FirstSelectedGuid() const {
    const int row = m_list->FirstSelectedRow();
    if (row < 0) {
        return {};
    }
    std::string guid = m_list->Cell(row, COL_GUID);
    if (guid.size() > kMaxGuidChars) {
        guid.resize(kMaxGuidChars);
    }
    return guid;
}

std::unique_ptr<CMessageRecord> CDlgMessageFolder::FindRecord(const std::string& guid,
                                                              bool sentboxFirst) {
    CMgmtMessages& store = m_host.Store();
    std::unique_ptr<CMessageRecord> record =
        sentboxFirst ? store.SentboxGetRecord(guid) : store.OutboxGetRecord(guid);
    if (!record) {
        record = sentboxFirst ? store.OutboxGetRecord(guid) : store.SentboxGetRecord(guid);
    }
    return record;
}

void CDlgMessageFolder::PostWithReference(const CMessageRecord& record, win::UINT message,
                                          const char* location, const char* failure) {
    const std::uint32_t key = m_host.MSGRefAdd(record);
    if (key == 0) {
        Log(location, failure, LOG_CAT_GUI, LOG_SEV_ERROR);
        return;
    }
    CFolderUi::Broadcast(message, key, 0);
}

void CDlgMessageFolder::OnEditDelete() {
    Log("CDlgMessageFolder::OnEditDelete", "Enter", LOG_CAT_GUI, LOG_SEV_TRACE);
    WaitCursor wait;
    CQVRegClass& reg = m_host.Reg();
    const CQVRegClass::DWORD alertBalance = reg.GetAlertPrepaidBalance();

    const std::vector<int> rows = m_list->SelectedRows();
    if (rows.empty()) {
        return;
    }
    if (m_alerts[ALERT_DELETE] != 0) {
        const int answer = win::MessageBox(
            PlatformWindow(),
            CGuiText::Tr("Alert.MessageDelete",
                         "Message will be permanantly deleted. Do you want to continue?"),
            CGuiText::Tr("Alert.txtMessageBoxTitle", "<appname>"),
            win::MB_OKCANCEL | win::MB_ICONQUESTION);
        if (answer != win::IDOK) {
            return;
        }
    }

    bool outboxDeleted = false;
    {
        NoRedraw noRedraw(m_list);
        CMgmtMessages& store = m_host.Store();
        // One save of each folder for the whole batch.
        const bool persistence = store.SetPersistence(false);
        for (int row : rows) {
            const std::string& guid = m_list->Cell(row, COL_GUID);
            if (store.OutboxDelRecord(guid)) {
                outboxDeleted = true;
            } else {
                store.SentboxDelRecord(guid);
            }
        }
        m_list->RemoveRows(rows);
        store.SetPersistence(persistence);
        store.SaveAll();
    }

    if (outboxDeleted && reg.GetAccountType() != "invoice" &&
        reg.GetPrepaidBalance() < alertBalance) {
        m_host.RequestAccountUpdate();
    }
    UpdateGUIStatus();
}

void CDlgMessageFolder::OnForward() {
    const std::string guid = FirstSelectedGuid();
    if (guid.empty()) {
        return;
    }
    auto record = FindRecord(guid, false);
    if (!record) {
        Log("CDlgMessageFolder::OnForward",
            "Warning: Could not find the requested SMS record. This is a temporary error but "
            "shuld not happen very often.",
            LOG_CAT_GUI, LOG_SEV_TRACE);
        return;
    }
    const GuiMessageIds& ids = CGuiMessages::Get();
    PostWithReference(
        *record, record->MessageType == MSGTYPE_MMS ? ids.showNewMMSForward : ids.showNewSMSForward,
        "CDlgMessageFolder::OnForward",
        "Could not add referece to SMS record GUID. Discarding request to forward "
        "message.");
}

void CDlgMessageFolder::OnDblclkViewSentSMS() {
    const std::string guid = FirstSelectedGuid();
    if (guid.empty()) {
        return;
    }
    auto record = FindRecord(guid, false);
    if (!record) {
        Log("CDlgMessageFolder::OnDblclkViewSentSMS",
            "Warning: Could not find the requested SMS record. This is a temporary error but "
            "shuld not happen very often.",
            LOG_CAT_GUI, LOG_SEV_TRACE);
        return;
    }
    const GuiMessageIds& ids = CGuiMessages::Get();
    const bool mms = record->MessageType == MSGTYPE_MMS;
    win::UINT message = 0;
    bool viewer = false;
    switch (m_folder->currentIndex()) {
    case FOLDER_SENT:
        message = mms ? ids.showSentMMS : ids.showSentSMS;
        viewer = true;
        break;
    case FOLDER_OUTBOX:
        message = mms ? ids.showNewMMSModify : ids.showNewSMSModify;
        break;
    default:
        return;
    }
    // A due outbox message is on its way to the core; only a scheduled or failed one opens.
    if (viewer || !record->IsDue() || record->Status == MSGSTATUS_ERROR) {
        PostWithReference(*record, message, "CDlgMessageFolder::OnDblclkViewSentSMS",
                          "Could not add referece to MSG record GUID. Discarding request to view "
                          "message in Send SMS/MMS dialog.");
    }
}

void CDlgMessageFolder::OnMessageOptions() {
    const std::string guid = FirstSelectedGuid();
    if (guid.empty()) {
        return;
    }
    auto found = FindRecord(guid, true);
    if (!found || found->MessageType != MSGTYPE_SMS) {
        return;
    }
    const auto& shown = static_cast<const CSMSRecord&>(*found);
    MessageOptionsValues values;
    values.truncateMode = shown.TruncateMode;
    values.scheduled = !shown.IsDue();
    values.scheduleTime = shown.GetDateTime();
    if (!m_host.RunMessageOptions(this, values)) {
        return;
    }
    // The dialog was open for a while: the outbox monitor may have taken the message
    // meanwhile. Change only a message that is still waiting, and only its two options, so a
    // message the core already has is never put back into the outbox as unsent.
    auto current = m_host.Store().OutboxGetRecord(guid);
    if (!current || current->MessageType != MSGTYPE_SMS || current->Status != MSGSTATUS_NOT_SENT) {
        Log("CDlgMessageFolder::OnMessageOptions",
            "The message left the outbox or is being sent; its options were not changed",
            LOG_CAT_GUI, LOG_SEV_INFO);
        return;
    }
    auto& record = static_cast<CSMSRecord&>(*current);
    record.TruncateMode = values.truncateMode;
    if (values.scheduled) {
        record.SetDateTime(values.scheduleTime);
    } else {
        record.SetDateTime();
    }
    m_host.Store().OutboxModifyRecord(guid, record);
}

void CDlgMessageFolder::OnViewMessagestatus() {
    const std::string guid = FirstSelectedGuid();
    if (guid.empty()) {
        return;
    }
    auto record = FindRecord(guid, true);
    if (record) {
        CDlgMessageStatus::DoModal(m_host, *record, this);
    }
}

void CDlgMessageFolder::OnEditSelectall() {
    m_list->SelectAllRows();
    m_list->setFocus();
    UpdateGUIStatus();
}

void CDlgMessageFolder::Unsubscribe() {
    if (m_subscribed) {
        m_host.Store().UnSubscribeNotifyWnd();
        m_subscribed = false;
    }
    if (PlatformWindow() != 0) {
        win::KillTimer(PlatformWindow(), TIMER_REFRESH);
    }
}

void CDlgMessageFolder::OnClose() {
    Unsubscribe();
    if (!m_closed) {
        m_closed = true;
        close();
    }
}

void CDlgMessageFolder::closeEvent(QCloseEvent* event) {
    // Closing ends the window; QDialog's own handling would turn it into a reject.
    Unsubscribe();
    m_closed = true;
    event->accept();
}

void CDlgMessageFolder::reject() {
    OnClose();
}

void CDlgMessageFolder::ShowAbout() {
    CDlgAbout about(m_host.GetInstallRoot(), this);
    about.setModal(true);
    about.exec();
}

void CDlgMessageFolder::keyPressEvent(QKeyEvent* event) {
    // Enter does not close the dialog.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    CDlgBase::keyPressEvent(event);
}

win::LRESULT CDlgMessageFolder::OnPlatformMessage(win::UINT msg, win::WPARAM wParam,
                                                  win::LPARAM lParam) {
    if (msg == WM_STORE_DATACHANGED) {
        m_refreshPending = true;
        return 0;
    }
    return CDlgBase::OnPlatformMessage(msg, wParam, lParam);
}

void CDlgMessageFolder::OnPlatformTimer(win::UINT_PTR id) {
    if (id == TIMER_REFRESH && m_refreshPending) {
        m_refreshPending = false;
        UpdateList();
    }
}

void CDlgMessageFolder::OnCommand(win::WPARAM command) {
    if (command == gui::CMD_FOLDERS_SHOW_OUTBOX) {
        SelectFolder(FOLDER_OUTBOX);
    } else if (command == gui::CMD_FOLDERS_SHOW_SENT) {
        SelectFolder(FOLDER_SENT);
    }
}

void CDlgMessageFolder::OnNotifyChangeSettings() {
    ReadAlertFlags();
}
