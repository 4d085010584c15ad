#include "options/CPageDisplay.h"

#include "config/CQVRegClass.h"
#include "gui/CGuiMessages.h"
#include "gui/GuiDefs.h"
#include "log/LogManager.h"
#include "options/COptionsRules.h"
#include "options/COptionsTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int kStartUpIcon = 0;

// The dialog kinds the two action boxes offer, with their texts.
struct ActionItem {
    int type;
    const char* key;
};
constexpr ActionItem kActions[] = {
    {gui::DLG_NEWSMS, "SMSOptions.Display.comboSystemTrayNewSMS"},
    {gui::DLG_FOLDERS, "SMSOptions.Display.comboSystemTrayFolders"},
    {gui::DLG_OPTIONS, "SMSOptions.Display.comboSystemTraySMSOptions"},
};

void FillActions(QComboBox* box, unsigned selected) {
    for (const ActionItem& item : kActions) {
        box->addItem(COptionsTexts::QT(item.key), item.type);
    }
    const int index = box->findData(static_cast<int>(selected));
    box->setCurrentIndex(index >= 0 ? index : 0);
}

CQVRegClass::DWORD ActionOf(const QComboBox* box) {
    return static_cast<CQVRegClass::DWORD>(box->currentData().toInt());
}

} // namespace

CPageDisplay::CPageDisplay(const OptionsServices& services, QWidget* parent)
    : COptionsPage(services, "SMSOptions.Display.txtDialogName", parent) {
    PageSection startUp = Section("SMSOptions.Display.labelStartUp", kStartUpIcon);
    auto box = [this, &startUp](const char* key, const char* name, int indent) {
        auto* check = new QCheckBox(COptionsTexts::QT(key), this);
        check->setObjectName(name);
        auto* row = new QHBoxLayout;
        row->setContentsMargins(indent, 0, 0, 0);
        row->addWidget(check);
        startUp.content->addLayout(row);
        Watch(check);
        return check;
    };
    m_tray = box("SMSOptions.Display.chkSystemTray", "chkSystemTray", 0);
    m_oneInstance = box("SMSOptions.Display.chkOneInstance", "chkOneInstance", 0);
    m_keepOpen = box("SMSOptions.Display.chkKeepOpen", "chkKeepOpen", 0);
    m_clearRecipients = box("SMSOptions.Display.chkClearRecipients", "chkClearRecipients", 20);
    m_clearMessage = box("SMSOptions.Display.chkClearMessage", "chkClearMessage", 20);
    m_startWithDesktop = box("SMSOptions.Display.chkStartWithDesktop", "chkStartWithDesktop", 0);

    m_trayAction = new QComboBox(this);
    m_trayAction->setObjectName("comboSysTrayAction");
    m_startupAction = new QComboBox(this);
    m_startupAction->setObjectName("comboStartupAction");
    auto* trayLabel =
        new QLabel(COptionsTexts::QT("SMSOptions.Display.labelDefaultSysTrayAction"), this);
    trayLabel->setBuddy(m_trayAction);
    auto* startupLabel =
        new QLabel(COptionsTexts::QT("SMSOptions.Display.labelDefaultStartup"), this);
    startupLabel->setBuddy(m_startupAction);
    auto* actions = new QGridLayout;
    actions->addWidget(trayLabel, 0, 0);
    actions->addWidget(m_trayAction, 0, 1);
    actions->addWidget(startupLabel, 1, 0);
    actions->addWidget(m_startupAction, 1, 1);
    actions->setColumnStretch(2, 1);
    startUp.content->addSpacing(8);
    startUp.content->addLayout(actions);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(startUp.frame);
    layout->addStretch(1);

    m_tray->setChecked(m_reg.GetDispSystemTray() != 0);
    m_oneInstance->setChecked(m_reg.GetDispAllowOneInstance() != 0);
    m_keepOpen->setChecked(m_reg.GetDispKeepMsgWnd() != 0);
    m_clearRecipients->setChecked(m_reg.GetDispClearRecipients() != 0);
    m_clearMessage->setChecked(m_reg.GetDispClearMsgBody() != 0);
    m_startWithDesktop->setChecked(COptionsRules::GetStartWithDesktop(m_reg));
    FillActions(m_trayAction, m_reg.GetSysTrayDefaultAction());
    FillActions(m_startupAction, m_reg.GetDispStartupAction());
    Watch(m_trayAction);
    Watch(m_startupAction);
    connect(m_tray, &QCheckBox::clicked, this, [this] { UpdateEnabling(); });
    connect(m_keepOpen, &QCheckBox::clicked, this, [this] { UpdateEnabling(); });
    UpdateEnabling();
}

void CPageDisplay::UpdateEnabling() {
    m_clearRecipients->setEnabled(m_keepOpen->isChecked());
    m_clearMessage->setEnabled(m_keepOpen->isChecked());
    m_trayAction->setEnabled(m_tray->isChecked());
}

void CPageDisplay::OnApply() {
    Log("CPageDisplay::OnApply", "Enter", LOG_CAT_GUI, LOG_SEV_TRACE);
    const bool tray = m_tray->isChecked();
    m_reg.SetDispSystemTray(tray ? 1 : 0);
    win::PostMessage(win::HWND_BROADCAST, CGuiMessages::Get().showSysTrayIcon, tray ? 1 : 0, 0);
    m_reg.SetDispAllowOneInstance(m_oneInstance->isChecked() ? 1 : 0);
    m_reg.SetDispKeepMsgWnd(m_keepOpen->isChecked() ? 1 : 0);
    m_reg.SetDispClearRecipients(m_clearRecipients->isChecked() ? 1 : 0);
    m_reg.SetDispClearMsgBody(m_clearMessage->isChecked() ? 1 : 0);
    m_reg.SetSysTrayDefaultAction(ActionOf(m_trayAction));
    m_reg.SetDispStartupAction(ActionOf(m_startupAction));

    const bool startWithDesktop = m_startWithDesktop->isChecked();
    COptionsRules::SetStartWithDesktop(m_reg, startWithDesktop);
    if (m_services.startWithDesktop && !m_services.startWithDesktop(startWithDesktop)) {
        Log("CPageDisplay::OnApply", "Starting with the desktop could not be changed", LOG_CAT_GUI,
            LOG_SEV_ERROR);
    }
}
