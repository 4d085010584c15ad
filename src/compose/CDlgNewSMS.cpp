#include "compose/CDlgNewSMS.h"

#include "compose/CAutoCompleteEdit.h"
#include "config/CQVRegClass.h"
#include "gui/CDialogFactory.h"
#include "gui/CGuiMessages.h"
#include "gui/CGuiText.h"
#include "gui/GuiDefs.h"
#include "language/CMgmtBranding.h"
#include "log/LogManager.h"
#include "messages/CMessageClock.h"
#include "messages/CMgmtMessages.h"
#include "options/CDlgMsgOptionsSMS.h"
#include "platform/MsgBox.h"
#include "platform/Shell.h"
#include "templates/CTemplateHandler.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>

namespace {

const char* const kClass = "CDlgNewSMS";

// Built-in texts of the keys this dialog uses (the text table's defaults).
const std::map<std::string, const char*>& Defaults() {
    static const std::map<std::string, const char*> texts = {
        {"Alert.txtMessageBoxTitle", "<appname>"},
        {"Alert.MessageLost", "The message has not been sent and your changes will be lost. Do "
                              "you want to close the window?"},
        {"Alert.TemplateNotFound", "The template could not be found or is empty."},
        {"Alert.AlertSignature",
         "This template is your signature. Use Insert Signature to add it to the message."},
        {"Alert.AlertEnterMessage", "Please enter a message."},
        {"Alert.AlertCustomTextExceed", "The sender text can be at most 11 characters long."},
        {"Alert.LimitSMSMsgAlert", "The message would need more SMS than allowed. Please shorten "
                                   "the message or remove recipients."},
        {"Alert.AlertFlashSMS", "A flash SMS can hold at most 160 characters."},
        {"Alert.AlertReplaceText",
         "The message text will be replaced by the template. Do you want to continue?"},
        {"Alert.AlertOriginatorMustBeMSISDN", "The sender must be a valid mobile phone number."},
        {"Alert.AlertOriginatorMustNotBeMSISDN", "The sender text must not be a phone number."},
        {"Prepaid.txtNotEnoughBalance",
         "Your prepaid balance of <count> messages is not enough to send this message.<newline>"
         "Would you like to refill your account now?"},
        {"Prepaid.txtLowBalance", "Your prepaid balance is low: <count> messages left.<newline>"
                                  "Would you like to refill your account now?"},
        {"NewMessage.AlertInvalidRecipient",
         "Not all recipients have a valid mobile phone number and those will not receive the "
         "message.<newline><newline>Do you want to send the message anyway?"},
        {"NewMessage.AlertNoRecipient",
         "Please enter at least one recipient with a valid mobile phone number."},
        {"NewMessage.MessageSentAt", "The message has been placed in your outbox and will be "
                                     "sent at the scheduled time."},
        {"NewMessage.PlaceholderExcludedRecipientsMsg",
         "The message contains name placeholders, which can only be filled in for address book "
         "contacts. The following recipients will not receive the message:"},
        {"NewMessage.PlaceholderModifyDlgNotAllowedMsg",
         "A message with name placeholders cannot be changed in the outbox. Please write a new "
         "message instead."},
        {"NewMessage.PlaceholdeSMSCountWarning",
         "Every contact will receive a personal copy of the message, and each copy is charged "
         "as a separate SMS. Do you want to continue?"},
        {"NewMessage.ContinueYESNO", "Do you want to continue?"},
        {"sendMessage.NoInternetConnectionAlertConnectYesNo",
         "There is currently no internet connection avalible.<newline>The message will be sent "
         "when a connection becomes avalible.<newline><newline>Would you like to try to connect "
         "to internet now?"},
        {"sendMessage.NoInternetConnectionAlertOkCancel",
         "There is currently no internet connection avalible.<newline>The message will be sent "
         "when a connection becomes avalible."},
        {"NewMessage.txtDialogName", "New SMS"},
        {"NewMessage.titleForwardMessage", "Forward SMS"},
        {"NewMessage.titleEditMessage", "Edit SMS"},
        {"NewMessage.titleReplyMessage", "Reply SMS"},
        {"NewMessage.btnSend", "Send"},
        {"NewMessage.btnTo", "To..."},
        {"NewMessage.tooltipBtnTO", "Choose recipients from the address book"},
        {"NewMessage.LabelFrom", "From:"},
        {"NewMessage.LabelCharactrers", "Characters:"},
        {"NewMessage.LabelBalance", "Balance:"},
        {"NewMessage.LabelTotalSMSCounter", "Total:"},
        {"NewMessage.LabelTotalSMSCounterSMS", "SMS"},
        {"NewMessage.btntoolTipNewSMS", "New SMS"},
        {"NewMessage.btnToolTipMessageOptions", "Message options"},
        {"NewMessage.btnToolTipMessageFolders", "Message folders"},
        {"NewMessage.btntoolTipFlashSMS", "Flash SMS (shown at once on the recipient's screen)"},
        {"NewMessage.MenuFileSend", "Send"},
        {"NewMessage.MenuViewMessageOptions", "Message Options..."},
        {"NewMessage.MenuViewSignature", "Insert Signature"},
        {"NewMessage.MenuTemplate", "Template"},
        {"NewMessage.MenuTemplateManagetemplate", "Manage Templates..."},
        {"MessageFolder.btntoolTipLogo", "Visit our web site"},
        {"MessageFolder.btntoolTipSMSOptions", "Options"},
        {"MessageFolder.MenuFile", "File"},
        {"MessageFolder.MenuEdit", "Edit"},
        {"MessageFolder.MenuView", "View"},
        {"MessageFolder.MenuHelp", "Help"},
        {"MessageFolder.MenuFileClose", "Close"},
        {"MessageFolder.MenuHelpOnline", "Online Help"},
        {"MessageFolder.MenuHelpAbout", "About <appname>..."},
        {"MenuString.NewSMS", "New SMS"},
        {"MenuString.Folders", "Message Folders"},
        {"MenuString.Options", "Options..."},
        {"MenuString.AddressBook", "Address Book"},
        {"MenuString.Undo", "Undo"},
        {"MenuString.Redo", "Redo"},
        {"MenuString.Cut", "Cut"},
        {"MenuString.Copy", "Copy"},
        {"MenuString.Paste", "Paste"},
        {"MenuString.Delete", "Delete"},
        {"MenuString.SelectAll", "Select All"},
        {"WAB.tooltipWAB", "Address book"},
        {"SMSOptions.Account.comboAddReplyToMobile", "(replies to your mobile)"},
        {"SMSOptions.Account.comboAddReplyToInbox", "(replies to your inbox)"},
        {"SMSOptions.Account.comboAddNoReply", "(no reply)"},
    };
    return texts;
}

std::string T(const std::string& key) {
    auto it = Defaults().find(key);
    return CGuiText::Tr(key, it == Defaults().end() ? "" : it->second);
}

QString QT(const std::string& key) {
    return QString::fromStdString(T(key));
}

// Rows of the web addresses in the text table.
constexpr int kLogoRow = 5;
constexpr int kRefillRow = 246;
constexpr int kHelpRow = 260;

enum EditCommandId { EDIT_UNDO, EDIT_REDO, EDIT_CUT, EDIT_COPY, EDIT_PASTE, EDIT_DELETE, EDIT_ALL };

void Trace(const char* function) {
    const std::string location = std::string(kClass) + "::" + function;
    Log(location.c_str(), "Enter", LOG_CAT_GUI, LOG_SEV_TRACE);
}

std::string Replace(std::string text, const std::string& token, const std::string& value) {
    for (std::size_t pos = 0; (pos = text.find(token, pos)) != std::string::npos;) {
        text.replace(pos, token.size(), value);
        pos += value.size();
    }
    return text;
}

MessageDateTime ToMessageTime(const QDateTime& when) {
    using namespace std::chrono;
    const QDate date = when.date();
    const QTime time = when.time();
    return local_days(year(date.year()) / month(static_cast<unsigned>(date.month())) /
                      day(static_cast<unsigned>(date.day()))) +
           hours(time.hour()) + minutes(time.minute()) + seconds(time.second());
}

QDateTime ToQDateTime(MessageDateTime when) {
    using namespace std::chrono;
    const local_days days = floor<std::chrono::days>(when);
    const year_month_day ymd(days);
    const hh_mm_ss<seconds> clock(when - days);
    return QDateTime(QDate(static_cast<int>(ymd.year()), static_cast<int>(unsigned(ymd.month())),
                           static_cast<int>(unsigned(ymd.day()))),
                     QTime(static_cast<int>(clock.hours().count()),
                           static_cast<int>(clock.minutes().count()),
                           static_cast<int>(clock.seconds().count())));
}

std::uint32_t SystemTicks() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

void CDlgNewSMS::Register(CDialogFactory& factory, std::function<ComposeServices()> services) {
    for (int type : {gui::DLG_NEWSMS, gui::DLG_FORWARDSMS, gui::DLG_MODIFYSMS, gui::DLG_REPLYSMS}) {
        factory.Register(type, [services](const DialogRequest& request) -> CDlgBase* {
            return new CDlgNewSMS(request.mode, static_cast<std::uint32_t>(request.reference),
                                  services ? services() : ComposeServices{});
        });
    }
}

CDlgNewSMS::CDlgNewSMS(int mode, std::uint32_t reference, ComposeServices services, QWidget* parent)
    : CDlgBase(parent, "TWD_NEWSMS"), m_mode(mode), m_reference(reference),
      m_services(std::move(services)) {
    Trace("OnInitDialog");
    setWindowIcon(CMgmtBranding::Instance().GetIcon(3, 32, 32));
    setMinimumSize(450, 200);
    setSizeGripEnabled(true);
    m_suffixes = {T("SMSOptions.Account.comboAddReplyToMobile"),
                  T("SMSOptions.Account.comboAddReplyToInbox"),
                  T("SMSOptions.Account.comboAddNoReply")};
    BuildControls();

    // Start: the known entries, the settings and the prepaid balance.
    if (m_services.recipients) {
        m_services.recipients->FillKnownEntries();
        m_recipients->SetKnownEntries(m_services.recipients->KnownEntries());
    }
    LoadSettings();
    if (!m_settings.invoiceAccount &&
        (!m_settings.accountDataKnown ||
         m_settings.prepaidBalance < m_settings.alertPrepaidBalance)) {
        if (m_services.requestAccountUpdate) {
            m_services.requestAccountUpdate();
        }
        if (m_settings.accountDataKnown && m_settings.alertBalance != 0 &&
            Ask("Prepaid.txtLowBalance", win::MB_OKCANCEL | win::MB_ICONINFORMATION,
                std::to_string(m_settings.prepaidBalance)) == win::IDOK) {
            OpenLink("Prepaid.txtWebAddress", kRefillRow);
        }
    }
    m_truncationMode = m_settings.StartTruncationMode();
    m_scheduled = false;
    BuildMenus();
    SetControlTexts();

    m_filling = true;
    FillFromMode();
    m_filling = false;
    m_modified = false;
    RecountRecipients(true);
    UpdateCounters();
    m_recipients->setFocus();
    m_recipients->moveCursor(QTextCursor::End);
}

CDlgNewSMS::~CDlgNewSMS() {
    SaveWindowRect();
    // The fields outlive this part of the object: focus changes while they are deleted must
    // not call back into it.
    m_recipients->blockSignals(true);
    m_body->blockSignals(true);
    m_flash->blockSignals(true);
}

void CDlgNewSMS::LoadSettings() {
    if (m_services.reg != nullptr) {
        m_settings = CComposeSettings::Load(*m_services.reg);
    }
}

// ---------------------------------------------------------------------------------------
// Controls, menus and texts

void CDlgNewSMS::BuildControls() {
    auto icon = [](int row) { return CMgmtBranding::Instance().GetIcon(row, 16, 16); };
    auto toolButton = [&](int iconRow, const char* name, const char* tipKey) {
        auto* button = new QToolButton(this);
        button->setObjectName(name);
        button->setIcon(icon(iconRow));
        button->setIconSize(QSize(16, 16));
        button->setAutoRaise(true);
        m_toolTips.push_back({button, {tipKey, ""}});
        return button;
    };
    QToolButton* newSms = toolButton(3, "btnNewSMS", "NewMessage.btntoolTipNewSMS");
    QToolButton* options =
        toolButton(7, "btnMessageOptions", "NewMessage.btnToolTipMessageOptions");
    QToolButton* folders = toolButton(14, "btnFolders", "NewMessage.btnToolTipMessageFolders");
    QToolButton* settings = toolButton(15, "btnOptions", "MessageFolder.btntoolTipSMSOptions");
    QToolButton* book = toolButton(1, "btnAddressBook", "WAB.tooltipWAB");
    m_flash = toolButton(13, "btnFlash", "NewMessage.btntoolTipFlashSMS");
    m_flash->setCheckable(true);
    QToolButton* help = toolButton(0, "btnHelp", "MessageFolder.MenuHelpOnline");
    help->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    QToolButton* logo = toolButton(0, "btnLogo", "MessageFolder.btntoolTipLogo");
    logo->setIcon(CMgmtBranding::Instance().GetIcon(0, 32, 32));
    logo->setIconSize(QSize(32, 32));

    connect(newSms, &QToolButton::clicked, this,
            [this] { PostToMain([] { return CGuiMessages::Get().showNewSMS; }); });
    connect(options, &QToolButton::clicked, this, [this] { OnMessageOptions(); });
    connect(folders, &QToolButton::clicked, this,
            [this] { PostToMain([] { return CGuiMessages::Get().showFolders; }); });
    connect(settings, &QToolButton::clicked, this,
            [this] { PostToMain([] { return CGuiMessages::Get().showOptions; }); });
    connect(book, &QToolButton::clicked, this,
            [this] { PostToMain([] { return CGuiMessages::Get().showAddressBook; }); });
    connect(m_flash, &QToolButton::toggled, this, [this](bool on) { OnFlashToggled(on); });
    connect(help, &QToolButton::clicked, this, [this] { OpenLink("Help.NewMessage", kHelpRow); });
    connect(logo, &QToolButton::clicked, this,
            [this] { OpenLink("MessageFolder.ClickLogo", kLogoRow); });

    auto* toolbar = new QHBoxLayout;
    toolbar->setSpacing(2);
    for (QWidget* button : {static_cast<QWidget*>(newSms), static_cast<QWidget*>(options)}) {
        toolbar->addWidget(button);
    }
    auto separator = [this] {
        auto* line = new QFrame(this);
        line->setFrameShape(QFrame::VLine);
        line->setFrameShadow(QFrame::Sunken);
        return line;
    };
    toolbar->addWidget(separator());
    toolbar->addWidget(folders);
    toolbar->addWidget(settings);
    toolbar->addWidget(book);
    toolbar->addWidget(separator());
    toolbar->addWidget(m_flash);
    toolbar->addWidget(help);
    toolbar->addStretch(1);
    toolbar->addWidget(logo);

    m_to = new QPushButton(this);
    m_to->setObjectName("btnTo");
    m_to->setIcon(icon(8));
    m_to->setAutoDefault(false);
    m_to->setEnabled(static_cast<bool>(m_services.pickRecipients));
    connect(m_to, &QPushButton::clicked, this, [this] { OnToButton(); });
    m_recipients = new CAutoCompleteEdit(this);
    m_recipients->setObjectName("editRecipients");
    m_recipients->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The field asks; the dialog's recipients decide.
    connect(
        m_recipients, &CAutoCompleteEdit::UnknownEntry, this,
        [this](const QString& entry, bool* accepted) {
            *accepted = m_services.recipients &&
                        m_services.recipients->AcceptTypedEntry(entry.toStdString());
            m_countValid = false;
        },
        Qt::DirectConnection);
    connect(
        m_recipients, &CAutoCompleteEdit::RemoveEntryRequested, this,
        [this](const QString& entry, bool* removed) {
            *removed =
                m_services.recipients && m_services.recipients->RemoveEntry(entry.toStdString());
            m_countValid = false;
        },
        Qt::DirectConnection);
    connect(m_recipients, &CAutoCompleteEdit::DetailsRequested, this, [this](const QString& entry) {
        if (m_services.showDetails) {
            m_services.showDetails(this, entry.toStdString());
        }
    });
    connect(m_recipients, &CAutoCompleteEdit::HeightRequested, this,
            [this](int height) { OnHeightRequested(height); });
    // Counted at once while typing, and again when the field reports its entries changed.
    connect(m_recipients, &QTextEdit::textChanged, this, [this] { UpdateCounters(); });
    connect(m_recipients, &CAutoCompleteEdit::EntriesChanged, this, [this] {
        RecountRecipients(true);
        UpdateCounters();
    });
    OnHeightRequested(0);

    auto* fromLabel = new QLabel(this);
    fromLabel->setObjectName("labelFrom");
    m_originator = new QComboBox(this);
    m_originator->setObjectName("comboOriginator");
    m_originator->setEditable(true);
    m_originator->setInsertPolicy(QComboBox::NoInsert);
    m_originator->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    fromLabel->setBuddy(m_originator);

    m_body = new QPlainTextEdit(this);
    m_body->setObjectName("editBody");
    m_body->setTabChangesFocus(true);
    m_body->setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    m_body->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    connect(m_body, &QPlainTextEdit::textChanged, this, [this] { OnBodyChanged(); });

    for (QWidget* field : {static_cast<QWidget*>(m_recipients), static_cast<QWidget*>(m_body),
                           static_cast<QWidget*>(m_originator->lineEdit())}) {
        field->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(field, &QWidget::customContextMenuRequested, this, [this, field](const QPoint& at) {
            QMenu* menu = BuildContextMenu();
            menu->exec(field->mapToGlobal(at));
            menu->deleteLater();
        });
    }

    auto* charLabel = new QLabel(this);
    charLabel->setObjectName("labelCharacters");
    m_charCounter = new QLabel(this);
    m_charCounter->setObjectName("counterCharacters");
    auto* totalLabel = new QLabel(this);
    totalLabel->setObjectName("labelTotal");
    m_totalCounter = new QLabel(this);
    m_totalCounter->setObjectName("counterTotal");
    auto* balanceLabel = new QLabel(this);
    balanceLabel->setObjectName("labelBalance");
    m_balance = new QLabel(this);
    m_balance->setObjectName("displayBalance");
    for (QLabel* counter : {m_charCounter, m_totalCounter, m_balance}) {
        counter->setMinimumWidth(fontMetrics().horizontalAdvance("00000 [000]"));
        QFont bold = counter->font();
        bold.setBold(true);
        counter->setFont(bold);
    }
    m_send = new QPushButton(this);
    m_send->setObjectName("btnSend");
    m_send->setIcon(icon(10));
    m_send->setDefault(false);
    m_send->setAutoDefault(false);
    m_send->setMinimumWidth(96);
    connect(m_send, &QPushButton::clicked, this, [this] {
        m_send->setFocus();
        OnSendMessage();
    });

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(8);
    fields->setVerticalSpacing(6);
    fields->addWidget(m_to, 0, 0, Qt::AlignTop);
    fields->addWidget(m_recipients, 0, 1);
    fields->addWidget(fromLabel, 1, 0, Qt::AlignRight | Qt::AlignVCenter);
    fields->addWidget(m_originator, 1, 1);
    fields->setColumnStretch(1, 1);

    auto* status = new QHBoxLayout;
    status->setSpacing(6);
    status->addWidget(charLabel);
    status->addWidget(m_charCounter);
    status->addSpacing(12);
    status->addWidget(totalLabel);
    status->addWidget(m_totalCounter);
    status->addSpacing(12);
    status->addWidget(balanceLabel);
    status->addWidget(m_balance);
    status->addStretch(1);
    status->addWidget(m_send);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 4, 10, 10);
    layout->setSpacing(8);
    layout->addLayout(toolbar);
    layout->addLayout(fields);
    layout->addWidget(m_body, 1);
    layout->addLayout(status);

    // Tab goes from the recipients straight to the text; the sender is changed less often.
    setTabOrder(m_recipients, m_body);
    setTabOrder(m_body, m_originator);
    setTabOrder(m_originator, m_send);

    m_toolTips.push_back({m_to, {"NewMessage.tooltipBtnTO", ""}});
    m_toolTips.push_back({fromLabel, {"", "NewMessage.LabelFrom"}});
    m_toolTips.push_back({charLabel, {"", "NewMessage.LabelCharactrers"}});
    m_toolTips.push_back({totalLabel, {"", "NewMessage.LabelTotalSMSCounter"}});
    m_toolTips.push_back({balanceLabel, {"", "NewMessage.LabelBalance"}});
    m_toolTips.push_back({m_to, {"", "NewMessage.btnTo"}});
    m_toolTips.push_back({m_send, {"", "NewMessage.btnSend"}});

    // Keys handled before the fields see them.
    auto shortcut = [this](const QKeySequence& keys, auto handler) {
        auto* key = new QShortcut(keys, this);
        key->setContext(Qt::WindowShortcut);
        connect(key, &QShortcut::activated, this, handler);
        return key;
    };
    shortcut(QKeySequence("Ctrl+N"),
             [this] { PostToMain([] { return CGuiMessages::Get().showNewSMS; }); });
    shortcut(QKeySequence("Ctrl+Shift+B"),
             [this] { PostToMain([] { return CGuiMessages::Get().showAddressBook; }); });
    auto send = [this] {
        m_send->setFocus();
        OnSendMessage();
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), send);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Enter), send);
    shortcut(QKeySequence(Qt::Key_F1), [this] { OpenLink("Help.NewMessage", kHelpRow); });
    for (int n = 0; n <= 9; ++n) {
        m_templateShortcuts.push_back(
            shortcut(QKeySequence(Qt::CTRL | (Qt::Key_0 + n)), [this, n] { InsertTemplate(n); }));
    }
}

void CDlgNewSMS::SetControlTexts() {
    static const std::map<int, const char*> titles = {
        {MODE_NEW, "NewMessage.txtDialogName"},
        {MODE_FORWARD, "NewMessage.titleForwardMessage"},
        {MODE_MODIFY, "NewMessage.titleEditMessage"},
        {MODE_REPLY, "NewMessage.titleReplyMessage"},
    };
    auto title = titles.find(m_mode);
    SetTitle(T(title == titles.end() ? "NewMessage.txtDialogName" : title->second));
    for (const auto& [widget, keys] : m_toolTips) {
        if (*keys.first != '\0') {
            widget->setToolTip(QT(keys.first));
        }
        if (*keys.second != '\0') {
            if (auto* label = qobject_cast<QLabel*>(widget)) {
                label->setText(QT(keys.second));
            } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
                button->setText(QT(keys.second));
            }
        }
    }
}

void CDlgNewSMS::BuildMenus() {
    m_menuBar = new QMenuBar(this);
    m_menuBar->setNativeMenuBar(false);
    layout()->setMenuBar(m_menuBar);
    auto item = [](QMenu* menu, const std::string& key, const char* keys, auto handler) {
        QString text = QT(key);
        if (*keys != '\0') {
            text += "\t" + QString(keys);
        }
        QAction* action = menu->addAction(text);
        QObject::connect(action, &QAction::triggered, menu, handler);
        return action;
    };
    QMenu* file = m_menuBar->addMenu(QT("MessageFolder.MenuFile"));
    item(file, "MenuString.NewSMS", "Ctrl+N",
         [this] { PostToMain([] { return CGuiMessages::Get().showNewSMS; }); });
    item(file, "NewMessage.MenuFileSend", "Ctrl+Enter", [this] {
        m_send->setFocus();
        OnSendMessage();
    });
    file->addSeparator();
    item(file, "MessageFolder.MenuFileClose", "Alt+F4", [this] { close(); });

    QMenu* edit = m_menuBar->addMenu(QT("MessageFolder.MenuEdit"));
    item(edit, "MenuString.Undo", "Ctrl+Z", [this] { EditCommand(EDIT_UNDO); });
    item(edit, "MenuString.Redo", "Ctrl+Y", [this] { EditCommand(EDIT_REDO); });
    edit->addSeparator();
    item(edit, "MenuString.Cut", "Ctrl+X", [this] { EditCommand(EDIT_CUT); });
    item(edit, "MenuString.Copy", "Ctrl+C", [this] { EditCommand(EDIT_COPY); });
    item(edit, "MenuString.Paste", "Ctrl+V", [this] { EditCommand(EDIT_PASTE); });
    item(edit, "MenuString.Delete", "", [this] { EditCommand(EDIT_DELETE); });
    edit->addSeparator();
    item(edit, "MenuString.SelectAll", "Ctrl+A", [this] { EditCommand(EDIT_ALL); });

    QMenu* view = m_menuBar->addMenu(QT("MessageFolder.MenuView"));
    item(view, "MenuString.AddressBook", "Ctrl+Shift+B",
         [this] { PostToMain([] { return CGuiMessages::Get().showAddressBook; }); });
    item(view, "MenuString.Folders", "",
         [this] { PostToMain([] { return CGuiMessages::Get().showFolders; }); });
    view->addSeparator();
    item(view, "NewMessage.MenuViewMessageOptions", "", [this] { OnMessageOptions(); });
    m_signatureAction =
        item(view, "NewMessage.MenuViewSignature", "", [this] { InsertSignature(); });
    view->addSeparator();
    item(view, "MenuString.Options", "",
         [this] { PostToMain([] { return CGuiMessages::Get().showOptions; }); });

    m_templateMenu = m_menuBar->addMenu(QT("NewMessage.MenuTemplate"));
    m_templateSeparator = m_templateMenu->addSeparator();
    m_manageAction = item(m_templateMenu, "NewMessage.MenuTemplateManagetemplate", "", [this] {
        // The manager saves every change at once and Cancel keeps them: the menu follows
        // either way.
        if (m_services.manageTemplates) {
            m_services.manageTemplates(this);
            BuildTemplateMenu();
        }
    });
    m_manageAction->setEnabled(static_cast<bool>(m_services.manageTemplates));

    QMenu* help = m_menuBar->addMenu(QT("MessageFolder.MenuHelp"));
    item(help, "MessageFolder.MenuHelpOnline", "F1",
         [this] { OpenLink("Help.NewMessage", kHelpRow); });
    item(help, "MessageFolder.MenuHelpAbout", "", [this] {
        if (win::HWND main = win::FindWindow("", gui::kHiddenWindowTitle); main != 0) {
            win::PostMessage(main, CGuiMessages::Get().showAbout, 0, 0);
        }
    });
    BuildTemplateMenu();
}

void CDlgNewSMS::BuildTemplateMenu() {
    for (QAction* action : m_templateActions) {
        m_templateMenu->removeAction(action);
        action->deleteLater();
    }
    m_templateActions.clear();
    m_signatureAction->setEnabled(false);
    if (m_services.templates != nullptr) {
        CTemplateHandler& store = *m_services.templates;
        auto lock = store.Lock();
        store.LoadTemplates();
        const int count = store.GetTemplateCount();
        for (int slot = 0; slot < count; ++slot) {
            const CTemplateRecord record = store.GetTemplateByIndex(std::to_string(slot));
            if (record.IsEmpty()) {
                continue;
            }
            if (record.IsSignature()) {
                m_signatureAction->setEnabled(true);
                continue;
            }
            char text[512];
            std::snprintf(text, sizeof text, "%d %s\tCtrl+%d", slot, record.TemplateName.c_str(),
                          slot);
            auto* action = new QAction(QString::fromStdString(text), m_templateMenu);
            connect(action, &QAction::triggered, this, [this, slot] { InsertTemplate(slot); });
            m_templateMenu->insertAction(m_templateSeparator, action);
            m_templateActions.push_back(action);
        }
    }
    m_templateSeparator->setVisible(!m_templateActions.empty());
}

QMenu* CDlgNewSMS::BuildContextMenu() {
    auto* menu = new QMenu(this);
    auto add = [menu](const std::string& key, auto handler) {
        QObject::connect(menu->addAction(QT(key)), &QAction::triggered, menu, handler);
    };
    add("MenuString.Undo", [this] { EditCommand(EDIT_UNDO); });
    menu->addSeparator();
    add("MenuString.Cut", [this] { EditCommand(EDIT_CUT); });
    add("MenuString.Copy", [this] { EditCommand(EDIT_COPY); });
    add("MenuString.Paste", [this] { EditCommand(EDIT_PASTE); });
    add("MenuString.Delete", [this] { EditCommand(EDIT_DELETE); });
    menu->addSeparator();
    add("MenuString.SelectAll", [this] { EditCommand(EDIT_ALL); });
    menu->addSeparator();
    add("NewMessage.MenuViewMessageOptions", [this] { OnMessageOptions(); });
    add("NewMessage.MenuFileSend", [this] { OnSendMessage(); });
    add("MenuString.NewSMS", [this] { PostToMain([] { return CGuiMessages::Get().showNewSMS; }); });
    add("MenuString.Folders",
        [this] { PostToMain([] { return CGuiMessages::Get().showFolders; }); });
    add("MenuString.Options",
        [this] { PostToMain([] { return CGuiMessages::Get().showOptions; }); });
    return menu;
}

void CDlgNewSMS::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = BuildContextMenu();
    menu->exec(event->globalPos());
    menu->deleteLater();
}

// ---------------------------------------------------------------------------------------
// Filling

void CDlgNewSMS::FillFromMode() {
    Trace("SetControlInformation");
    if (m_reference != 0 && m_services.lookupReference) {
        CSMSRecord record;
        if (m_services.lookupReference(m_reference, record)) {
            m_source = record;
        } else {
            Log("CDlgNewSMS::SetControlInformation",
                "No message under reference " + std::to_string(m_reference), LOG_CAT_GUI,
                LOG_SEV_ERROR);
        }
    }
    bool flash = false;
    if (m_source) {
        const CSMSRecord& source = *m_source;
        const std::string numbers = source.GetRecipients(';');
        // Records handed over from outside may carry no flash mode at all: not a flash SMS.
        flash = !source.FlashMode.empty() && source.FlashMode != "0";
        switch (m_mode) {
        case MODE_NEW:
            m_recipients->SetRecipients(numbers);
            m_body->setPlainText(QString::fromStdString(source.MessageText));
            flash = false;
            break;
        case MODE_FORWARD:
            m_body->setPlainText(QString::fromStdString(source.MessageText));
            m_truncationMode = source.TruncateMode;
            break;
        case MODE_MODIFY:
            m_recipients->SetRecipients(numbers);
            m_body->setPlainText(QString::fromStdString(source.MessageText));
            m_scheduled = true;
            m_schedule = ToQDateTime(source.GetDateTime());
            m_truncationMode = source.TruncateMode;
            break;
        case MODE_REPLY:
            m_body->setPlainText(QString::fromStdString(source.MessageText));
            m_recipients->SetRecipients(numbers);
            m_truncationMode = source.TruncateMode;
            break;
        default:
            break;
        }
    }
    EnforceLengthLimit();
    if ((m_mode == MODE_NEW || m_mode == MODE_FORWARD) && m_settings.enableSignature) {
        InsertSignature();
    }
    m_flash->setVisible(m_settings.flashSMS);
    {
        QSignalBlocker block(m_flash);
        m_flash->setChecked(m_settings.flashSMS && flash);
    }
    FillOriginators();
    if (m_mode == MODE_REPLY) {
        int reply = -1;
        for (std::size_t i = 0; i < m_originatorEntries.size(); ++i) {
            if (m_originatorEntries[i].value == "REPLYORIGINATOR") {
                reply = static_cast<int>(i);
            }
        }
        SelectOriginator(reply >= 0 ? reply : m_settings.accDefOriginator);
    } else {
        SelectOriginator(m_settings.accDefOriginator);
    }
    if (m_mode == MODE_MODIFY && m_source && !m_source->Sender.empty()) {
        const int index = m_originator->findText(QString::fromStdString(m_source->Sender));
        if (index >= 0) {
            m_originator->setCurrentIndex(index);
        } else {
            m_originator->setEditText(QString::fromStdString(m_source->Sender));
        }
    }
    m_body->moveCursor(QTextCursor::End);
}

void CDlgNewSMS::FillOriginators() {
    m_originator->clear();
    m_originatorEntries = CComposeRules::OriginatorEntries(m_settings, m_suffixes);
    for (const OriginatorEntry& entry : m_originatorEntries) {
        m_originator->addItem(QString::fromStdString(entry.text));
    }
    // Neither free text nor an own number: only the entries can be chosen.
    m_originator->lineEdit()->setReadOnly(!m_settings.allowOriginator &&
                                          !m_settings.allowMsIsdnOriginator);
}

void CDlgNewSMS::SelectOriginator(int index) {
    if (index >= 0 && index < m_originator->count()) {
        m_originator->setCurrentIndex(index);
    } else if (m_originator->count() > 0) {
        m_originator->setCurrentIndex(0);
    }
}

// ---------------------------------------------------------------------------------------
// Body, limit and counters

std::string CDlgNewSMS::BodyText() const {
    return CComposeRules::WithoutCarriageReturns(m_body->toPlainText().toStdString());
}

void CDlgNewSMS::OnBodyChanged() {
    if (m_inLimit) {
        return;
    }
    if (!m_filling) {
        m_modified = true;
    }
    EnforceLengthLimit();
    UpdateCounters();
}

void CDlgNewSMS::EnforceLengthLimit() {
    const QString plain = m_body->toPlainText();
    const std::string text = CComposeRules::WithoutCarriageReturns(plain.toStdString());
    m_bodyCount = CComposeRules::CountText(text, m_settings, m_truncationMode);
    if (!m_bodyCount.tooLong) {
        return;
    }
    // Cut the end away with the cursor, so the cut is one step the user can undo. The count
    // already describes the text that stays.
    const QString kept = QString::fromStdString(text.substr(0, m_bodyCount.keepBytes));
    m_inLimit = true;
    if (plain.contains('\r')) {
        m_body->setPlainText(kept);
    } else {
        QTextCursor cursor(m_body->document());
        cursor.setPosition(static_cast<int>(kept.size()));
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    m_inLimit = false;
    m_bodyCount.tooLong = false;
}

void CDlgNewSMS::UpdateCounters() {
    RecountRecipients(false);
    const long long total =
        static_cast<long long>(m_recipientCount) * static_cast<long long>(m_bodyCount.parts);
    m_charCounter->setText(QString("%1 [%2]").arg(m_bodyCount.characters).arg(m_bodyCount.parts));
    m_totalCounter->setText(
        QString("%1 %2").arg(total).arg(QT("NewMessage.LabelTotalSMSCounterSMS")));
    m_balance->setText(QString::number(m_settings.prepaidBalance));
}

void CDlgNewSMS::RecountRecipients(bool force) {
    const std::string text = m_recipients->Recipients();
    if (!force && m_countValid && text == m_countedRecipients) {
        return;
    }
    m_countedRecipients = text;
    m_countValid = true;
    m_recipientCount = 0;
    if (m_services.recipients) {
        std::vector<std::string> valid;
        std::vector<std::string> invalid;
        m_services.recipients->Split(text, valid, invalid);
        m_recipientCount = m_services.recipients->Count(valid);
    }
}

void CDlgNewSMS::OnHeightRequested(int height) {
    // The field grows while it stays within two lines, and shrinks to what it needs.
    const int line = m_recipients->fontMetrics().lineSpacing();
    const int chrome = 2 * m_recipients->frameWidth() +
                       static_cast<int>(2 * m_recipients->document()->documentMargin());
    const int oneLine = line + chrome;
    const int twoLines = 2 * line + chrome;
    const int wanted = std::max(height, oneLine);
    if (wanted < m_recipients->height() || wanted <= twoLines) {
        m_recipients->setFixedHeight(std::min(wanted, twoLines));
    } else if (m_recipients->height() < twoLines) {
        m_recipients->setFixedHeight(twoLines);
    }
}

void CDlgNewSMS::OnFlashToggled(bool on) {
    if (on && m_bodyCount.characters > 160) {
        win::MessageBox(PlatformWindow(), T("Alert.AlertFlashSMS"), T("Alert.txtMessageBoxTitle"),
                        win::MB_OK | win::MB_ICONWARNING);
        QSignalBlocker block(m_flash);
        m_flash->setChecked(false);
    }
}

// ---------------------------------------------------------------------------------------
// Signature, templates and message options

void CDlgNewSMS::InsertSignature() {
    Trace("InsertSignature");
    if (m_services.templates == nullptr) {
        return;
    }
    CTemplateHandler& store = *m_services.templates;
    CTemplateRecord signature;
    {
        auto lock = store.Lock();
        store.LoadTemplates();
        const int count = store.GetTemplateCount();
        for (int i = 0; i < count; ++i) {
            CTemplateRecord record = store.GetTemplateByIndex(std::to_string(i));
            if (record.IsSignature()) {
                signature = record;
                break;
            }
        }
    }
    if (signature.TemplateText.empty()) {
        return;
    }
    QTextCursor cursor(m_body->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText("\n" + QString::fromStdString(signature.TemplateText));
    EnforceLengthLimit();
    UpdateCounters();
}

void CDlgNewSMS::InsertTemplate(int slot) {
    Trace("OnTemplateCommand");
    if (m_settings.alerts[4] != 0 && !m_body->toPlainText().isEmpty() &&
        Ask("Alert.AlertReplaceText", win::MB_OKCANCEL | win::MB_ICONINFORMATION) != win::IDOK) {
        return;
    }
    CTemplateRecord record;
    if (m_services.templates != nullptr) {
        auto lock = m_services.templates->Lock();
        m_services.templates->LoadTemplates();
        record = m_services.templates->GetTemplateByIndex(std::to_string(slot));
    }
    if (record.IsEmpty() || record.TemplateText.empty()) {
        Ask("Alert.TemplateNotFound", win::MB_OK | win::MB_ICONWARNING);
        return;
    }
    if (record.IsSignature()) {
        Ask("Alert.AlertSignature", win::MB_OK | win::MB_ICONWARNING);
        return;
    }
    QTextCursor cursor(m_body->document());
    cursor.select(QTextCursor::Document);
    cursor.insertText(QString::fromStdString(record.TemplateText));
    m_modified = true;
    m_body->setFocus();
}

bool CDlgNewSMS::OnMessageOptions() {
    Trace("OnMessageOptions");
    if (m_services.reg == nullptr) {
        return false;
    }
    CDlgMsgOptionsSMS options(*m_services.reg, this);
    options.truncationMode = m_truncationMode;
    options.scheduled = m_scheduled;
    options.scheduleTime = m_schedule;
    if (options.RunModal() != win::IDOK) {
        return false;
    }
    m_truncationMode = options.truncationMode;
    SetSchedule(options.scheduled, options.scheduleTime);
    EnforceLengthLimit();
    UpdateCounters();
    return true;
}

void CDlgNewSMS::SetSchedule(bool scheduled, const QDateTime& when) {
    m_scheduled = scheduled;
    m_schedule = when;
}

void CDlgNewSMS::UpdateSMSOptions() {
    Trace("UpdateSMSOptions");
    LoadSettings();
    FillOriginators();
    SelectOriginator(m_settings.accDefOriginator);
    BuildTemplateMenu();
    m_truncationMode = m_settings.StartTruncationMode();
    m_flash->setVisible(m_settings.flashSMS);
    EnforceLengthLimit();
    m_countValid = false;
    UpdateCounters();
}

// ---------------------------------------------------------------------------------------
// Sending

int CDlgNewSMS::Ask(const std::string& key, unsigned type, const std::string& count) {
    std::string text = T(key);
    if (!count.empty()) {
        text = Replace(text, "<count>", count);
    }
    return win::MessageBox(PlatformWindow(), text, T("Alert.txtMessageBoxTitle"), type);
}

std::string CDlgNewSMS::NewGuid(const std::string& suffix) const {
    // The tick count of the system repeats after a restart: never reuse a GUID a stored
    // message still carries.
    std::uint32_t tick = m_services.tickCount ? m_services.tickCount() : SystemTicks();
    for (int attempt = 0; attempt < 100000; ++attempt, ++tick) {
        const std::string guid = std::to_string(tick) + suffix;
        if (m_services.store == nullptr || (!m_services.store->OutboxGetRecord(guid) &&
                                            !m_services.store->SentboxGetRecord(guid))) {
            return guid;
        }
    }
    return std::to_string(tick) + suffix;
}

bool CDlgNewSMS::OnSendMessage() {
    Trace("OnSendMessage");
    // Entries still being typed are completed first, as leaving the field would.
    if (!m_recipients->toPlainText().trimmed().isEmpty()) {
        m_recipients->CompleteAll();
    }
    // 1. Settings and the originator.
    LoadSettings();
    const std::string boxText = m_originator->currentText().toStdString();
    auto convert = [this](const std::string& text) {
        return m_services.recipients ? m_services.recipients->ConvertToMsisdn(text) : std::string();
    };
    const OriginatorCheck originator =
        CComposeRules::CheckOriginator(boxText, m_settings, m_suffixes, convert);
    if (!originator.ok) {
        if (!originator.alertKey.empty()) {
            Ask(originator.alertKey, win::MB_OK | win::MB_ICONWARNING);
        }
        return false;
    }

    // 2. Counts and the recipients.
    RecountRecipients(true);
    const std::string text = BodyText();
    const TextCount count = CComposeRules::CountText(text, m_settings, m_truncationMode);
    const std::uint64_t total =
        static_cast<std::uint64_t>(m_recipientCount) * static_cast<std::uint64_t>(count.parts);
    std::vector<std::string> valid;
    std::vector<std::string> invalid;
    RecipientResolution resolved;
    if (m_services.recipients) {
        m_services.recipients->Split(m_recipients->Recipients(), valid, invalid);
        resolved = m_services.recipients->Resolve(valid);
    }

    // 3. Checks, in this order.
    if (count.characters == 0) {
        Ask("Alert.AlertEnterMessage", win::MB_OK | win::MB_ICONWARNING);
        return false;
    }
    if (valid.empty()) {
        Ask("NewMessage.AlertNoRecipient", win::MB_OK | win::MB_ICONWARNING);
        return false;
    }
    if (!invalid.empty() && m_settings.alerts[0] != 0 &&
        Ask("NewMessage.AlertInvalidRecipient", win::MB_OKCANCEL | win::MB_ICONINFORMATION) ==
            win::IDCANCEL) {
        return false;
    }
    if (m_settings.totalSMSLimit != 0 && total > m_settings.totalSMSLimit) {
        Ask("Alert.LimitSMSMsgAlert", win::MB_OK | win::MB_ICONWARNING);
        return false;
    }
    if (m_settings.ChecksBalance() && m_settings.prepaidBalance < total) {
        if (Ask("Prepaid.txtNotEnoughBalance", win::MB_OKCANCEL | win::MB_ICONINFORMATION,
                std::to_string(m_settings.prepaidBalance)) == win::IDOK) {
            OpenLink("Prepaid.txtWebAddress", kRefillRow);
        }
        return false;
    }
    if (resolved.contacts.empty() && resolved.numbers.empty()) {
        // Entries that were valid when typed but give no number now.
        Ask("NewMessage.AlertNoRecipient", win::MB_OK | win::MB_ICONWARNING);
        return false;
    }

    // 4. The internet connection.
    bool modem = false;
    if (m_services.internetAvailable && !m_services.internetAvailable(&modem)) {
        const int answer = modem ? Ask("sendMessage.NoInternetConnectionAlertConnectYesNo",
                                       win::MB_YESNOCANCEL | win::MB_ICONQUESTION)
                                 : Ask("sendMessage.NoInternetConnectionAlertOkCancel",
                                       win::MB_OKCANCEL | win::MB_ICONINFORMATION);
        if (answer == win::IDCANCEL) {
            return false;
        }
        if (answer == win::IDYES && m_services.attemptConnect) {
            m_services.attemptConnect();
        }
    }

    // 5. The record.
    CSMSRecord record;
    record.Status = MSGSTATUS_NOT_SENT;
    record.ReservedValue = 0;
    record.StatusQueryCount = 0;
    record.TruncateMode = m_truncationMode;
    if (m_scheduled && m_schedule.isValid()) {
        record.SetDateTime(ToMessageTime(m_schedule));
    } else {
        record.SetDateTime();
    }
    record.AccountID = m_services.accountId ? m_services.accountId() : std::string();
    record.FlashMode = m_flash->isVisibleTo(this) && m_flash->isChecked() ? "16" : "0";
    record.Originator = originator.value;
    record.Sender = boxText;

    // 6. Placeholders.
    std::string messageText = text;
    const bool placeholders = CComposeRules::NormalizePlaceholders(messageText);
    record.MessageText = messageText;
    CMgmtMessages* store = m_services.store;
    std::uint32_t added = 0;

    if (!placeholders) {
        // 7. One message to every number.
        std::string numbers;
        for (const RecipientContact& contact : resolved.contacts) {
            numbers += contact.msisdn + ";";
        }
        for (const std::string& number : resolved.numbers) {
            numbers += number + ";";
        }
        record.SetRecipients(numbers);
        record.GUID = NewGuid();
        if (m_mode == MODE_MODIFY && m_source) {
            // Only a message that still waits is replaced; one the monitor has handed to the
            // core meanwhile stays as it is, and the changed text goes out as a new message.
            std::unique_ptr<CMessageRecord> waiting =
                store != nullptr ? store->OutboxGetRecord(m_source->GUID) : nullptr;
            if (waiting && waiting->Status == MSGSTATUS_NOT_SENT) {
                store->OutboxModifyRecord(m_source->GUID, record);
            } else {
                Log("CDlgNewSMS::OnSendMessage",
                    "The edited message has left the outbox; sending the change as a new message",
                    LOG_CAT_GUI, LOG_SEV_INFO);
                if (store != nullptr) {
                    store->OutboxAddRecord(record);
                }
                added = static_cast<std::uint32_t>(total);
            }
        } else {
            if (store != nullptr) {
                store->OutboxAddRecord(record);
            }
            added = static_cast<std::uint32_t>(total);
        }
    } else {
        // 8. One message per contact, with its names in place.
        if (m_mode == MODE_MODIFY) {
            Ask("NewMessage.PlaceholderModifyDlgNotAllowedMsg", win::MB_OK | win::MB_ICONWARNING);
            return false;
        }
        if (!resolved.numbers.empty()) {
            std::string question = T("NewMessage.PlaceholderExcludedRecipientsMsg") + "\n";
            for (const std::string& number : resolved.numbers) {
                question += "\n" + number;
            }
            question += "\n\n" + T("NewMessage.ContinueYESNO");
            if (win::MessageBox(PlatformWindow(), question, T("Alert.txtMessageBoxTitle"),
                                win::MB_OKCANCEL | win::MB_ICONQUESTION) == win::IDCANCEL) {
                return false;
            }
        }
        if (Ask("NewMessage.PlaceholdeSMSCountWarning", win::MB_OKCANCEL | win::MB_ICONQUESTION) ==
            win::IDCANCEL) {
            return false;
        }
        const std::string base = NewGuid();
        for (std::size_t i = 0; i < resolved.contacts.size(); ++i) {
            const RecipientContact& contact = resolved.contacts[i];
            CSMSRecord personal = record;
            personal.MessageText = CComposeRules::FillPlaceholders(messageText, contact);
            personal.SetRecipients(contact.msisdn);
            personal.GUID = base + std::to_string(i);
            if (store != nullptr) {
                store->OutboxAddRecord(personal);
            }
            ++added;
        }
    }
    if (m_settings.ChecksBalance() && added > 0 && m_services.reg != nullptr) {
        const std::uint32_t balance =
            m_settings.prepaidBalance > added ? m_settings.prepaidBalance - added : 0;
        m_services.reg->SetPrepaidBalance(balance);
        m_settings.prepaidBalance = balance;
    }

    // 9. The monitor sends it now.
    if (m_services.wakeOutbox) {
        m_services.wakeOutbox();
    }
    // 10.
    if (m_settings.rememberOriginator && m_services.reg != nullptr &&
        m_originator->currentIndex() >= 0 &&
        m_originator->currentText() == m_originator->itemText(m_originator->currentIndex())) {
        m_services.reg->SetAccDefOriginator(
            static_cast<std::uint32_t>(m_originator->currentIndex()));
    }
    // 11. A message for later.
    if (m_settings.alerts[1] != 0 && !record.IsDue()) {
        Ask("NewMessage.MessageSentAt", win::MB_OK | win::MB_ICONINFORMATION);
    }
    // 12. Close, or clear for the next message.
    if (!m_settings.keepMsgWnd) {
        m_destroying = true;
        close();
        return true;
    }
    m_filling = true;
    if (m_settings.clearRecipients) {
        m_recipients->ClearRecipients();
    }
    if (m_settings.clearMsgBody) {
        m_body->clear();
    }
    m_filling = false;
    m_modified = false;
    RecountRecipients(true);
    EnforceLengthLimit();
    UpdateCounters();
    return true;
}

// ---------------------------------------------------------------------------------------
// Commands, links, closing and the window rectangle

void CDlgNewSMS::PostToMain(unsigned (*id)()) {
    if (win::HWND main = win::FindWindow("", gui::kHiddenWindowTitle); main != 0) {
        win::PostMessage(main, id(), 0, 0);
    } else {
        Log("CDlgNewSMS::PostToMain", "The program's hidden window is not there", LOG_CAT_GUI,
            LOG_SEV_ERROR);
    }
}

void CDlgNewSMS::OpenLink(const std::string& key, int row) {
    const std::string link = CGuiText::Tr(key, CGuiText::Row(row));
    if (!link.empty()) {
        platform::ShellOpen(link);
    }
}

QWidget* CDlgNewSMS::FocusedField() const {
    QWidget* focus = QApplication::focusWidget();
    if (focus == m_recipients || focus == m_body || focus == m_originator->lineEdit()) {
        return focus;
    }
    if (focus == m_originator) {
        return m_originator->lineEdit();
    }
    return nullptr;
}

void CDlgNewSMS::EditCommand(int command) {
    QWidget* field = FocusedField();
    if (auto* edit = qobject_cast<QTextEdit*>(field)) {
        switch (command) {
        case EDIT_UNDO:
            edit->undo();
            break;
        case EDIT_REDO:
            edit->redo();
            break;
        case EDIT_CUT:
            edit->cut();
            break;
        case EDIT_COPY:
            edit->copy();
            break;
        case EDIT_PASTE:
            edit->paste();
            break;
        case EDIT_DELETE:
            edit->textCursor().removeSelectedText();
            break;
        case EDIT_ALL:
            edit->selectAll();
            break;
        }
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(field)) {
        switch (command) {
        case EDIT_UNDO:
            plain->undo();
            break;
        case EDIT_REDO:
            plain->redo();
            break;
        case EDIT_CUT:
            plain->cut();
            break;
        case EDIT_COPY:
            plain->copy();
            break;
        case EDIT_PASTE:
            plain->paste();
            break;
        case EDIT_DELETE:
            plain->textCursor().removeSelectedText();
            break;
        case EDIT_ALL:
            plain->selectAll();
            break;
        }
    } else if (auto* line = qobject_cast<QLineEdit*>(field)) {
        switch (command) {
        case EDIT_UNDO:
            line->undo();
            break;
        case EDIT_REDO:
            line->redo();
            break;
        case EDIT_CUT:
            line->cut();
            break;
        case EDIT_COPY:
            line->copy();
            break;
        case EDIT_PASTE:
            line->paste();
            break;
        case EDIT_DELETE:
            line->del();
            break;
        case EDIT_ALL:
            line->selectAll();
            break;
        }
    }
}

void CDlgNewSMS::OnToButton() {
    if (!m_services.pickRecipients) {
        return;
    }
    std::vector<std::string> entries;
    if (!m_services.pickRecipients(this, m_recipients->Recipients(), entries)) {
        return;
    }
    std::string text;
    for (const std::string& entry : entries) {
        text += entry + ";";
    }
    m_recipients->SetRecipients(text);
    m_body->setFocus();
}

bool CDlgNewSMS::CloseCheck() {
    if (m_modified && m_settings.alerts[3] != 0 &&
        (!m_body->toPlainText().isEmpty() || !m_recipients->toPlainText().trimmed().isEmpty())) {
        return Ask("Alert.MessageLost", win::MB_OKCANCEL | win::MB_ICONINFORMATION) == win::IDOK;
    }
    return true;
}

void CDlgNewSMS::closeEvent(QCloseEvent* event) {
    if (!m_destroying && !CloseCheck()) {
        event->ignore();
        return;
    }
    m_destroying = true;
    SaveWindowRect();
    event->accept();
}

void CDlgNewSMS::reject() {
    close(); // Escape takes the same way as the close button
}

void CDlgNewSMS::showEvent(QShowEvent* event) {
    CDlgBase::showEvent(event);
    if (!m_rectApplied) {
        m_rectApplied = true;
        ApplyWindowRect();
    }
}

void CDlgNewSMS::ApplyWindowRect() {
    const auto rect = CComposeRules::ParseWindowRect(m_settings.newMessageSize);
    if (!rect) {
        return;
    }
    const auto [left, top, right, bottom] = *rect;
    const QRect frame = frameGeometry();
    const QRect inner = geometry();
    const int extraWidth = frame.width() - inner.width();
    const int extraHeight = frame.height() - inner.height();
    resize(std::max(right - left - extraWidth, minimumWidth()),
           std::max(bottom - top - extraHeight, minimumHeight()));
    move(left, top);
}

void CDlgNewSMS::SaveWindowRect() {
    if (!m_rectApplied || m_services.reg == nullptr || isMinimized() || isMaximized()) {
        return;
    }
    const QRect frame = frameGeometry();
    if (auto text =
            CComposeRules::FormatWindowRect(frame.left(), frame.top(), frame.left() + frame.width(),
                                            frame.top() + frame.height())) {
        m_services.reg->SetNewMessageSize(*text);
    }
}
