#include "folders/CDlgViewerBase.h"

#include "folders/CFolderUi.h"
#include "gui/CDlgAbout.h"
#include "gui/CGuiMessages.h"
#include "gui/CGuiText.h"
#include "language/CMgmtBranding.h"
#include "log/LogManager.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int kMinWidth = 300;
constexpr int kMinHeight = 200;

// Runs an edit operation on the focused text field, whichever kind it is.
void EditFocused(const char* lineEditSlot, const char* textEditSlot) {
    QWidget* focus = QApplication::focusWidget();
    if (auto* line = qobject_cast<QLineEdit*>(focus)) {
        QMetaObject::invokeMethod(line, lineEditSlot);
    } else if (auto* text = qobject_cast<QTextEdit*>(focus)) {
        QMetaObject::invokeMethod(text, textEditSlot);
    }
}
} // namespace

CDlgViewerBase::CDlgViewerBase(IFolderHost& host, std::uint32_t key, const Texts& texts,
                               QWidget* parent)
    : CDlgBase(parent, texts.className), m_host(host), m_key(key), m_texts(texts) {}

CDlgViewerBase::~CDlgViewerBase() {
    // The window is going away: the reference it was opened with is no longer needed.
    if (m_key != 0) {
        m_host.MSGRefRemove(m_key);
    }
}

void CDlgViewerBase::Build() {
    SetTitle(m_texts.title);
    setWindowIcon(CMgmtBranding::Instance().GetIcon(m_texts.iconRow, 32, 32));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
    setSizeGripEnabled(true);
    m_help = CFolderUi::LinkText(m_texts.helpKey, m_texts.helpRow);
    const GuiMessageIds& ids = CGuiMessages::Get();

    // Buttons.
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    QToolButton* newSms =
        CFolderUi::MakeButton(this, 3, CGuiText::QTr("MessageFolder.btnNewSMS", "New SMS"),
                              CGuiText::QTr("MessageFolder.btntoolTipNewSMS", "New SMS"));
    connect(newSms, &QToolButton::clicked, this, [ids] { CFolderUi::Broadcast(ids.showNewSMS); });
    buttons->addWidget(newSms);
    AddOwnButtons(buttons);
    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::VLine);
    separator->setFrameShadow(QFrame::Sunken);
    buttons->addSpacing(4);
    buttons->addWidget(separator);
    buttons->addSpacing(4);
    QToolButton* book =
        CFolderUi::MakeButton(this, 1, QString(), CGuiText::QTr("WAB.tooltipWAB", "Address book"));
    QToolButton* folders = CFolderUi::MakeButton(
        this, 14, QString(), CGuiText::QTr("MenuString.Folders", "Message Folders"));
    QToolButton* options = CFolderUi::MakeButton(
        this, 15, QString(), CGuiText::QTr("MessageFolder.btntoolTipSMSOptions", "Options"));
    connect(book, &QToolButton::clicked, this,
            [ids] { CFolderUi::Broadcast(ids.showAddressBook); });
    connect(folders, &QToolButton::clicked, this, [ids] { CFolderUi::Broadcast(ids.showFolders); });
    connect(options, &QToolButton::clicked, this, [ids] { CFolderUi::Broadcast(ids.showOptions); });
    buttons->addWidget(book);
    buttons->addWidget(folders);
    buttons->addWidget(options);
    buttons->addStretch(1);
    buttons->addWidget(CFolderUi::MakeLogoButton(this));

    // Fields.
    m_from = new QLineEdit(this);
    m_to = new QLineEdit(this);
    m_date = new QLineEdit(this);
    for (QLineEdit* field : {m_from, m_to, m_date}) {
        field->setReadOnly(true);
    }
    m_message = new QTextEdit(this);
    m_message->setReadOnly(true);
    m_message->setAcceptRichText(false);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow(CGuiText::QTr("NewMessage.LabelFrom", "From:"), m_from);
    form->addRow(CGuiText::QTr("SentSMS.LabelTo", "To"), m_to);
    form->addRow(CGuiText::Q(m_texts.dateLabel), m_date);

    // Menus.
    auto* bar = new QMenuBar(this);
    QMenu* file = bar->addMenu(CGuiText::QTr("MessageFolder.MenuFile", "File"));
    QAction* newItem = CFolderUi::AddMenuItem(file, "MenuString.NewSMS", "New SMS", "Ctrl+N",
                                              QKeySequence(), this);
    connect(newItem, &QAction::triggered, this, [ids] { CFolderUi::Broadcast(ids.showNewSMS); });
    AddOwnFileItems(file);
    QAction* forward = CFolderUi::AddMenuItem(file, "MessageFolder.MenuFileForward", "Forward",
                                              "Ctrl+F", QKeySequence(), this);
    connect(forward, &QAction::triggered, this, [this] { OnForward(); });
    file->addSeparator();
    QAction* close = CFolderUi::AddMenuItem(file, "MessageFolder.MenuFileClose", "Close", "Alt+F4",
                                            QKeySequence(), this);
    connect(close, &QAction::triggered, this, [this] { this->close(); });

    BuildEditMenu(bar->addMenu(CGuiText::QTr("MessageFolder.MenuEdit", "Edit")));

    QMenu* view = bar->addMenu(CGuiText::QTr("MessageFolder.MenuView", "View"));
    AddOwnViewItems(view);
    QAction* bookItem = CFolderUi::AddMenuItem(view, "MenuString.AddressBook", "Address Book",
                                               "Ctrl+Shift+B", QKeySequence(), this);
    QAction* foldersItem = CFolderUi::AddMenuItem(view, "MenuString.Folders", "Message Folders",
                                                  nullptr, QKeySequence(), this);
    QAction* optionsItem = CFolderUi::AddMenuItem(view, "MenuString.Options", "Options...", nullptr,
                                                  QKeySequence(), this);
    connect(bookItem, &QAction::triggered, this,
            [ids] { CFolderUi::Broadcast(ids.showAddressBook); });
    connect(foldersItem, &QAction::triggered, this,
            [ids] { CFolderUi::Broadcast(ids.showFolders); });
    connect(optionsItem, &QAction::triggered, this,
            [ids] { CFolderUi::Broadcast(ids.showOptions); });

    QMenu* help = bar->addMenu(CGuiText::QTr("MessageFolder.MenuHelp", "Help"));
    QAction* online = CFolderUi::AddMenuItem(help, "MessageFolder.MenuHelpOnline", "Online Help",
                                             nullptr, QKeySequence(), this);
    QAction* about = CFolderUi::AddMenuItem(help, "MessageFolder.MenuHelpAbout",
                                            "About <appname>...", nullptr, QKeySequence(), this);
    connect(online, &QAction::triggered, this, [this] { OpenHelp(); });
    connect(about, &QAction::triggered, this, [this] {
        CDlgAbout dialog(m_host.GetInstallRoot(), this);
        dialog.setModal(true);
        dialog.exec();
    });

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(bar);
    layout->setContentsMargins(8, 4, 8, 8);
    layout->setSpacing(6);
    layout->addLayout(buttons);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);
    layout->addLayout(form);
    layout->addWidget(m_message, 1);

    SetMessageData();
    resize(460, 340);
    m_initialised = true;
    setMinimumSize(kMinWidth, kMinHeight);
}

QMenu* CDlgViewerBase::BuildEditMenu(QMenu* edit) {
    struct Item {
        const char* key;
        const char* text;
        const char* shortcut;
        const char* lineSlot;
        const char* textSlot;
    };
    static const Item kItems[] = {
        {"MenuString.Undo", "Undo", "Ctrl+Z", "undo", "undo"},
        {"MenuString.Cut", "Cut", "Ctrl+X", "cut", "cut"},
        {"MenuString.Copy", "Copy", "Ctrl+C", "copy", "copy"},
        {"MenuString.Paste", "Paste", "Ctrl+V", "paste", "paste"},
        {"MenuString.SelectAll", "Select All", "Ctrl+A", "selectAll", "selectAll"},
    };
    for (const Item& item : kItems) {
        QAction* action =
            CFolderUi::AddMenuItem(edit, item.key, item.text, item.shortcut, QKeySequence(), this);
        connect(action, &QAction::triggered, this,
                [item] { EditFocused(item.lineSlot, item.textSlot); });
    }
    return edit;
}

void CDlgViewerBase::SetMessageData() {
    if (!m_host.SMSRefGetGuid(m_key, m_record)) {
        Log("CDlgViewerBase::SetMessageData", "No message data avalible due to previous error",
            LOG_CAT_GUI, LOG_SEV_ERROR);
        m_record = CSMSRecord();
    }
    m_from->setText(CGuiText::Q(m_record.Sender));
    m_to->setText(CGuiText::Q(m_record.GetRecipients(',')));
    m_date->setText(CGuiText::Q(m_record.DateTime));
    m_message->setPlainText(CGuiText::Q(m_record.MessageText));
    for (QLineEdit* field : {m_from, m_to, m_date}) {
        field->setCursorPosition(0);
    }
}

void CDlgViewerBase::PostReference(const CMessageRecord& record, win::UINT message,
                                   const char* location) {
    const std::uint32_t key = m_host.MSGRefAdd(record);
    if (key == 0) {
        Log(location, "Discarding request due to previous error", LOG_CAT_GUI, LOG_SEV_ERROR);
        return;
    }
    CFolderUi::Broadcast(message, key, 0);
}

void CDlgViewerBase::OnForward() {
    PostReference(m_record, CGuiMessages::Get().showNewSMSForward, "CDlgViewerBase::OnForward");
}

void CDlgViewerBase::OpenHelp() {
    if (!m_help.empty()) {
        CFolderUi::OpenTranslatedLink(m_texts.helpKey, m_texts.helpRow);
    }
}

void CDlgViewerBase::keyPressEvent(QKeyEvent* event) {
    const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
    const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
    if (ctrl && !shift && event->key() == Qt::Key_N) {
        CFolderUi::Broadcast(CGuiMessages::Get().showNewSMS);
    } else if (ctrl && !shift && event->key() == Qt::Key_F) {
        OnForward();
    } else if (event->key() == Qt::Key_F1) {
        OpenHelp();
    } else if (!HandleOwnKey(event)) {
        CDlgBase::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CDlgViewerBase::closeEvent(QCloseEvent* event) {
    event->accept();
}

void CDlgViewerBase::resizeEvent(QResizeEvent* event) {
    if (m_initialised) {
        setMinimumSize(kMinWidth, kMinHeight);
    }
    CDlgBase::resizeEvent(event);
}
