#include "options/CDlgEmailVerify.h"

#include "gui/CGuiText.h"
#include "language/CMgmtBranding.h"
#include "options/COptionsRules.h"
#include "options/COptionsTexts.h"
#include "platform/MsgBox.h"
#include "platform/StringUtil.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kReplyIcon = 19;
} // namespace

CDlgEmailVerify::CDlgEmailVerify(const std::string& current, QWidget* owner)
    : CDlgBase(owner, "TWD_EMAILVERIFY") {
    SetTitle(COptionsTexts::T("EmailVerifyDlg.txtDialogName"));
    setWindowIcon(CMgmtBranding::Instance().GetIcon(kReplyIcon, 16, 16));
    setModal(true);
    m_first = new QLineEdit(CGuiText::Q(current), this);
    m_first->setObjectName("editEmail1");
    m_second = new QLineEdit(this);
    m_second->setObjectName("editEmail2");
    for (QLineEdit* field : {m_first, m_second}) {
        field->setMinimumWidth(260);
        field->setInputMethodHints(Qt::ImhEmailCharactersOnly);
    }
    auto* form = new QFormLayout;
    form->addRow(COptionsTexts::QT("EmailVerifyDlg.LabelNewEmailID1"), m_first);
    form->addRow(COptionsTexts::QT("EmailVerifyDlg.LabelNewEmailID2"), m_second);

    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(COptionsTexts::QT("SMSOptions.btnOk"), QDialogButtonBox::AcceptRole);
    m_ok->setObjectName("btnOk");
    m_ok->setDefault(true);
    m_cancel =
        buttons->addButton(COptionsTexts::QT("SMSOptions.btnCancel"), QDialogButtonBox::RejectRole);
    m_cancel->setObjectName("btnCancel");
    connect(m_ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    m_first->selectAll();
    m_first->setFocus();
}

bool CDlgEmailVerify::RunModal() {
    return exec() == QDialog::Accepted;
}

void CDlgEmailVerify::OnOK() {
    const std::string first = platform::Trim(CGuiText::S(m_first->text()));
    const std::string second = platform::Trim(CGuiText::S(m_second->text()));
    const char* alert = nullptr;
    if (first.empty() || second.empty()) {
        alert = "EmailVerifyDlg.emptyIDMsgBoxCaption";
    } else if (first != second) {
        alert = "EmailVerifyDlg.alertMsgBoxMessage";
    } else if (!COptionsRules::LooksLikeEmail(first)) {
        alert = "EmailVerifyDlg.alertInvalidAddress";
    }
    if (alert != nullptr) {
        COptionsTexts::Alert(PlatformWindow(), alert, win::MB_OK | win::MB_ICONEXCLAMATION);
        return;
    }
    m_address = first;
    accept();
}
