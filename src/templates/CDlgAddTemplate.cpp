#include "templates/CDlgAddTemplate.h"

#include "config/CQVRegClass.h"
#include "log/LogManager.h"
#include "platform/MsgBox.h"
#include "templates/CTemplateRules.h"

#include <QCheckBox>

CDlgAddTemplate::CDlgAddTemplate(CTemplateHandler& store, const CQVRegClass& reg, QWidget* owner)
    : CDlgTemplateForm(store,
                       CTemplateRules::AddLimit(reg.GetTruncationMode(), reg.GetSplitUpCharLimit()),
                       "AddTemplate.txtDialogName", "TWD_ADDTEMPLATE", owner) {}

void CDlgAddTemplate::OnCheckSign(bool ticked) {
    Log("CDlgAddTemplate::OnCheckSign", "Enter", LOG_CAT_GUI, LOG_SEV_TRACE);
    m_replacing.reset();
    if (!ticked) {
        return; // a cleared box replaces nothing
    }
    std::optional<CTemplateRecord> signature = CTemplateRules::FindSignature(m_store);
    if (!signature) {
        return;
    }
    if (Alert("AddTemplate.alertSignatureExists", win::MB_OKCANCEL | win::MB_ICONQUESTION) ==
        win::IDOK) {
        m_replacing = std::move(signature);
    } else {
        SignatureBox()->setChecked(false);
        SignatureBox()->setEnabled(false);
    }
}

void CDlgAddTemplate::OnOk() {
    Log("CDlgAddTemplate::OnAddTemplate", "Enter", LOG_CAT_GUI, LOG_SEV_TRACE);
    const TemplateResult result =
        CTemplateRules::Add(m_store, Name(), Text(), SignatureBox()->isChecked(),
                            SignatureBox()->isChecked() ? m_replacing : std::nullopt);
    Finish(result);
}
