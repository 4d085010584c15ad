#include "options/CDlgMsgOptionsSMS.h"

#include "log/LogManager.h"
#include "config/CQVRegClass.h"
#include "gui/CGuiText.h"
#include "platform/MsgBox.h"
#include "platform/Shell.h"

#include <QButtonGroup>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

// Row of the help address in the text table.
constexpr int kHelpRow = 262;

QString Replace(QString text, const QString& token, const QString& value) {
    return text.replace(token, value);
}

} // namespace

CDlgMsgOptionsSMS::CDlgMsgOptionsSMS(const CQVRegClass& reg, QWidget* owner)
    : CDlgBase(owner, "TWD_MSGOPTIONS"), m_reg(reg) {
    SetTitle(CGuiText::Tr("MessageOption.txtDialogName", "Message Options"));
    setModal(true);

    auto* settings =
        new QGroupBox(CGuiText::QTr("MessageOption.labelMessageSetting", "Message settings"), this);
    m_truncate = new QRadioButton(settings);
    m_truncate->setObjectName("radioTruncate");
    m_splitUp = new QRadioButton(settings);
    m_splitUp->setObjectName("radioSplitUp");
    auto* settingsLayout = new QVBoxLayout(settings);
    settingsLayout->addWidget(m_truncate);
    settingsLayout->addWidget(m_splitUp);

    auto* delivery = new QGroupBox(
        CGuiText::QTr("MessageOption.labelDeliveryOptions", "Delivery options"), this);
    m_sendNow = new QRadioButton(
        CGuiText::QTr("MessageOption.radioSendImmediately", "Send immediately"), delivery);
    m_sendNow->setObjectName("radioSendImmediately");
    m_sendAt = new QRadioButton(CGuiText::QTr("MessageOption.radioSendat", "Send at:"), delivery);
    m_sendAt->setObjectName("radioSendAt");
    m_date = new QDateEdit(delivery);
    m_date->setObjectName("datePicker");
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    // The calendar's title bar in green.
    m_date->calendarWidget()->setStyleSheet(
        "#qt_calendar_navigationbar { background-color: rgb(0, 170, 0); }");
    m_time = new QTimeEdit(delivery);
    m_time->setObjectName("timePicker");
    m_time->setDisplayFormat("HH:mm");
    auto* deliveryLayout = new QGridLayout(delivery);
    deliveryLayout->addWidget(m_sendNow, 0, 0, 1, 3);
    deliveryLayout->addWidget(m_sendAt, 1, 0);
    deliveryLayout->addWidget(m_date, 1, 1);
    deliveryLayout->addWidget(m_time, 1, 2);
    deliveryLayout->setColumnStretch(1, 1);

    auto* truncateGroup = new QButtonGroup(this);
    truncateGroup->addButton(m_truncate);
    truncateGroup->addButton(m_splitUp);
    auto* deliveryGroup = new QButtonGroup(this);
    deliveryGroup->addButton(m_sendNow);
    deliveryGroup->addButton(m_sendAt);
    connect(m_sendAt, &QRadioButton::toggled, this, [this] { UpdatePickers(); });

    auto* buttons = new QDialogButtonBox(this);
    m_ok =
        buttons->addButton(CGuiText::QTr("SMSOptions.btnOk", "OK"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName("btnOk");
    m_ok->setDefault(true);
    m_cancel = buttons->addButton(CGuiText::QTr("SMSOptions.btnCancel", "Cancel"),
                                  QDialogButtonBox::RejectRole);
    m_cancel->setObjectName("btnCancel");
    QPushButton* help = buttons->addButton(QDialogButtonBox::Help);
    connect(m_ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [] {
        const std::string link = CGuiText::Tr("Help.MessageOptions", CGuiText::Row(kHelpRow));
        if (!link.empty()) {
            platform::ShellOpen(link);
        }
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(settings);
    layout->addWidget(delivery);
    layout->addStretch(1);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

QString CDlgMsgOptionsSMS::SplitUpText(unsigned limit) {
    if (limit == 0) {
        return CGuiText::QTr("MessageOption.radiotxtSplitUp", "Send long messages as several SMS");
    }
    return Replace(CGuiText::QTr("MessageOption.radiotxtSplitUpAlt",
                                 "Send long messages as several SMS, at most <M> characters"),
                   "<M>", QString::number(limit));
}

void CDlgMsgOptionsSMS::InitDialog() {
    m_truncate->setText(Replace(
        CGuiText::QTr("MessageOption.radiotxtTruncate", "Send one SMS only, cut to <N> characters"),
        " <N> ", " 160 "));
    m_splitUp->setText(SplitUpText(m_reg.GetSplitUpCharLimit()));
    (truncationMode == 0 ? m_truncate : m_splitUp)->setChecked(true);

    const QDateTime shown =
        scheduled && scheduleTime.isValid() ? scheduleTime : QDateTime::currentDateTime();
    m_date->setDate(shown.date());
    m_time->setTime(shown.time());
    (scheduled ? m_sendAt : m_sendNow)->setChecked(true);
    UpdatePickers();
}

void CDlgMsgOptionsSMS::UpdatePickers() {
    const bool enabled = m_sendAt->isChecked();
    m_date->setEnabled(enabled);
    m_time->setEnabled(enabled);
}

void CDlgMsgOptionsSMS::OnOK() {
    truncationMode = m_truncate->isChecked() ? 0 : 1;
    if (m_reg.GetTruncationMode() == 3) {
        m_reg.SetRememberTruncMode(static_cast<CQVRegClass::DWORD>(truncationMode));
    }
    scheduled = m_sendAt->isChecked();
    if (scheduled) {
        const QTime time = m_time->time();
        scheduleTime = QDateTime(m_date->date(), QTime(time.hour(), time.minute(), time.second()));
    }
    accept();
}

int CDlgMsgOptionsSMS::RunModal() {
    Log("CDlgMsgOptionsSMS::RunModal", "Enter", LOG_CAT_GUI, LOG_SEV_TRACE);
    InitDialog();
    return exec() == QDialog::Accepted ? win::IDOK : win::IDCANCEL;
}
