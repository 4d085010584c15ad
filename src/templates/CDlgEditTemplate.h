// Changes one template: its name, text (at most SplitUpCharLimit characters, 32367 when that
// is 0) and signature state. A template may become the signature only while no other one is:
// ticking Signature then shows an alert and clears the box (Cancel also disables it). OK
// refuses an empty name or text and a name another template has; renaming keeps the
// template's place in the list.
#pragma once

#include "templates/CDlgTemplateForm.h"

class CQVRegClass;

class CDlgEditTemplate : public CDlgTemplateForm {
    Q_OBJECT

public:
    // `record` is the template as it was when the user chose Edit.
    CDlgEditTemplate(CTemplateHandler& store, const CQVRegClass& reg, const CTemplateRecord& record,
                     QWidget* owner = nullptr);

protected:
    void OnOk() override;
    void OnCheckSign(bool ticked) override;

private:
    std::string m_oldName;
    std::string m_oldIndex;
    bool m_wasSignature;
};
