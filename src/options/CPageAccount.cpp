#include "options/CPageAccount.h"

#include "config/CQVRegClass.h"
#include "gui/CGuiText.h"
#include "log/LogManager.h"
#include "options/CDlgEmailVerify.h"
#include "options/COptionsTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
constexpr int kGeneralIcon = 17;
constexpr int kPrepaidIcon = 18;
constexpr int kReplyIcon = 19;
// Text row of the refill page's address.
constexpr int kRefillRow = 246;
} // namespace

CPageAccount::CPageAccount(const OptionsServices& services, QWidget* parent)
    : COptionsPage(services, "SMSOptions.Account.txtDialogName", parent) {
    // General: the default sender and the account options.
    PageSection general = Section("SMSOptions.Account.labelGeneral", kGeneralIcon);
    auto* originLabel =
        new QLabel(COptionsTexts::QT("SMSOptions.Account.labelDefaultOrigin"), this);
    m_originator = new QComboBox(this);
    m_originator->setObjectName("comboDefaultOriginator");
    m_originator->setMinimumWidth(260);
    originLabel->setBuddy(m_originator);
    m_account = new QPushButton(COptionsTexts::QT("SMSOptions.Account.btnOpenAccount"), this);
    m_account->setObjectName("btnOpenAccount");
    m_account->setEnabled(static_cast<bool>(m_services.registerEx));
    auto* generalGrid = new QGridLayout;
    generalGrid->addWidget(originLabel, 0, 0);
    generalGrid->addWidget(m_originator, 0, 1);
    generalGrid->addWidget(m_account, 1, 1, Qt::AlignLeft);
    generalGrid->setColumnStretch(2, 1);
    general.content->addLayout(generalGrid);

    // Prepaid: balance, refill link, low-balance warning.
    PageSection prepaid = Section("SMSOptions.Account.labelPrepaidSettings", kPrepaidIcon);
    m_prepaid = prepaid.frame;
    m_balance = new QLabel(COptionsTexts::QT("SMSOptions.Account.labelPrepaidBalance", "<bal>",
                                             std::to_string(m_reg.GetPrepaidBalance())),
                           this);
    m_balance->setObjectName("labelPrepaidBalance");
    m_refill = new QLabel(this);
    m_refill->setObjectName("linkRefill");
    m_refill->setText("<a href=\"refill\">" +
                      COptionsTexts::QT("SMSOptions.Account.labelRefill").toHtmlEscaped() + "</a>");
    m_refill->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(m_refill, &QLabel::linkActivated, this,
            [] { COptionsTexts::OpenLink("Prepaid.txtWebAddress", kRefillRow); });
    m_lowBalance = new QCheckBox(COptionsTexts::QT("SMSOptions.Account.labelAlert"), this);
    m_lowBalance->setObjectName("chkAlertBalance");
    m_threshold = new QSpinBox(this);
    m_threshold->setObjectName("spinAlertPrepaidBalance");
    m_threshold->setRange(0, 99999);
    auto* balanceRow = new QHBoxLayout;
    balanceRow->addWidget(m_balance);
    balanceRow->addStretch(1);
    balanceRow->addWidget(m_refill);
    auto* alertRow = new QHBoxLayout;
    alertRow->addWidget(m_lowBalance);
    alertRow->addWidget(m_threshold);
    alertRow->addStretch(1);
    prepaid.content->addLayout(balanceRow);
    prepaid.content->addLayout(alertRow);

    // Reply: the e-mail address that receives replies.
    PageSection reply = Section("SMSOptions.Account.LabelReplySettings", kReplyIcon);
    m_reply = reply.frame;
    auto* emailLabel = new QLabel(COptionsTexts::QT("SMSOptions.Account.labelReplyEmail"), this);
    m_email = new QLineEdit(this);
    m_email->setObjectName("editReplyEmail");
    m_email->setReadOnly(true);
    m_changeEmail =
        new QPushButton(COptionsTexts::QT("SMSOptions.Account.changeEmailButtonCaption"), this);
    m_changeEmail->setObjectName("btnChangeEmail");
    auto* emailRow = new QHBoxLayout;
    emailRow->addWidget(emailLabel);
    emailRow->addWidget(m_email, 1);
    emailRow->addWidget(m_changeEmail);
    reply.content->addLayout(emailRow);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(general.frame);
    layout->addSpacing(12);
    layout->addWidget(m_prepaid);
    layout->addSpacing(12);
    layout->addWidget(m_reply);
    layout->addStretch(1);

    // The settings.
    OriginatorTexts texts;
    texts.msisdn = m_reg.GetMsisdnOriginator();
    texts.reply = m_reg.GetReplyOriginator();
    texts.text = m_reg.GetTextOriginator();
    texts.toMobile = COptionsTexts::T("SMSOptions.Account.comboAddReplyToMobile");
    texts.toInbox = COptionsTexts::T("SMSOptions.Account.comboAddReplyToInbox");
    texts.noReply = COptionsTexts::T("SMSOptions.Account.comboAddNoReply");
    texts.remember = COptionsTexts::T("SMSOptions.Account.comboRememberLastUsed");
    m_originators = COptionsRules::Originators(texts, m_reg.GetRememberOriginator() == 1,
                                               m_reg.GetAccDefOriginator());
    for (const std::string& entry : m_originators.entries) {
        m_originator->addItem(CGuiText::Q(entry));
    }
    m_originator->setCurrentIndex(
        m_originators.entries.empty() ? -1 : static_cast<int>(m_originators.selected));
    m_threshold->setValue(
        static_cast<int>(std::min<unsigned>(m_reg.GetAlertPrepaidBalance(), 99999)));
    m_lowBalance->setChecked(m_reg.GetAlertBalance() != 0);
    m_email->setText(CGuiText::Q(m_reg.GetUserEmail()));

    // An invoice account has no balance: no prepaid section and no low-balance warning.
    const bool isPrepaid = m_reg.GetAccountType() == "prepaid";
    m_prepaid->setVisible(isPrepaid);
    m_lowBalance->setEnabled(isPrepaid);
    m_reply->setVisible(!texts.reply.empty());

    Watch(m_originator);
    Watch(m_threshold);
    Watch(m_lowBalance);
    connect(m_changeEmail, &QPushButton::clicked, this, [this] { OnChangeEmail(); });
    connect(m_account, &QPushButton::clicked, this, [this] { OnOpenAccount(); });
}

void CPageAccount::OnChangeEmail() {
    CDlgEmailVerify verify(CGuiText::S(m_email->text()), window());
    if (verify.RunModal()) {
        SetNewEmail(verify.Address());
    }
}

void CPageAccount::SetNewEmail(const std::string& address) {
    if (address == CGuiText::S(m_email->text())) {
        return;
    }
    m_newEmail = address;
    m_emailChanged = true;
    m_email->setText(CGuiText::Q(address));
    SetModified();
}

void CPageAccount::OnOpenAccount() {
    Log("CPageAccount::OnOpenAccount", "Enter", LOG_CAT_GUI, LOG_SEV_TRACE);
    if (!m_services.registerEx) {
        return;
    }
    m_account->setEnabled(false);
    m_services.registerEx();
    m_account->setEnabled(true);
}

void CPageAccount::OnApply() {
    Log("CPageAccount::OnApply", "Enter", LOG_CAT_GUI, LOG_SEV_TRACE);
    if (m_originator->currentIndex() >= 0) {
        COptionsRules::ApplyOriginator(m_reg, m_originators,
                                       static_cast<std::size_t>(m_originator->currentIndex()));
    }
    m_reg.SetAlertPrepaidBalance(static_cast<CQVRegClass::DWORD>(m_threshold->value()));
    m_reg.SetAlertBalance(m_lowBalance->isChecked() ? 1 : 0);
    if (m_emailChanged && !m_newEmail.empty() && m_services.changeAccountDetails) {
        if (!m_services.changeAccountDetails(m_newEmail)) {
            Log("CPageAccount::OnApply", "The reply e-mail address could not be changed",
                LOG_CAT_GUI, LOG_SEV_ERROR);
        }
    }
    m_emailChanged = false;
}
