// Creates a template. The text may hold 160 characters when TruncationMode is 0, otherwise
// SplitUpCharLimit (32367 when that is 0). Ticking Signature while another template is the
// signature asks whether to replace it: OK makes the new template the signature in the old
// one's place (the old one goes), Cancel clears and disables the box. OK refuses an empty name
// or text, a name that is taken, and an eleventh template, each with its alert.
#pragma once

#include "templates/CDlgTemplateForm.h"

#include <optional>

class CQVRegClass;

class CDlgAddTemplate : public CDlgTemplateForm {
    Q_OBJECT

public:
    CDlgAddTemplate(CTemplateHandler& store, const CQVRegClass& reg, QWidget* owner = nullptr);

    bool ReplacesSignature() const { return m_replacing.has_value(); }

protected:
    void OnOk() override;
    void OnCheckSign(bool ticked) override;

private:
    // The signature the user agreed to replace.
    std::optional<CTemplateRecord> m_replacing;
};
