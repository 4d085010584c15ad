#include "templates/CDlgEditTemplate.h"

#include "config/CQVRegClass.h"
#include "log/LogManager.h"
#include "platform/MsgBox.h"
#include "templates/CTemplateRules.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>

CDlgEditTemplate::CDlgEditTemplate(CTemplateHandler& store, const CQVRegClass& reg,
                                   const CTemplateRecord& record, QWidget* owner)
    : CDlgTemplateForm(store, CTemplateRules::EditLimit(reg.GetSplitUpCharLimit()),
                       "EditTemplate.txtDialogName", "TWD_EDITTEMPLATE", owner),
      m_oldName(record.TemplateName), m_oldIndex(record.TemplateIndex),
      m_wasSignature(record.IsSignature()) {
    NameField()->setText(QString::fromStdString(record.TemplateName));
    TextField()->setPlainText(QString::fromStdString(record.TemplateText));
    SignatureBox()->setChecked(m_wasSignature);
}

void CDlgEditTemplate::OnCheckSign(bool ticked) {
    Log("CDlgEditTemplate::OnCheckSign", "Enter", LOG_CAT_GUI, LOG_SEV_TRACE);
    if (!ticked || m_wasSignature) {
        return;
    }
    std::optional<CTemplateRecord> signature = CTemplateRules::FindSignature(m_store);
    if (!signature || signature->TemplateName == m_oldName) {
        return;
    }
    const int answer =
        Alert("EditTemplate.alertSignatureExists", win::MB_OKCANCEL | win::MB_ICONEXCLAMATION);
    SignatureBox()->setChecked(false);
    if (answer != win::IDOK) {
        SignatureBox()->setEnabled(false);
    }
}

void CDlgEditTemplate::OnOk() {
    Log("CDlgEditTemplate::OnEditOk", "Enter", LOG_CAT_GUI, LOG_SEV_TRACE);
    const TemplateResult result = CTemplateRules::Edit(m_store, m_oldName, m_oldIndex, Name(),
                                                       Text(), SignatureBox()->isChecked());
    Finish(result);
}
