// What the add and edit template dialogs share: the name field (at most 40 characters), the
// message text with its character counter ("n [parts]", starting at "0 [1]") and length
// limit, the Signature box, and OK and Cancel. Both run modally over the template manager;
// the subclasses decide what the Signature box and OK do.
#pragma once

#include "gui/CDlgBase.h"
#include "templates/CTemplateHandler.h"
#include "templates/CTemplateRules.h"

#include <cstddef>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class CDlgTemplateForm : public CDlgBase {
    Q_OBJECT

public:
    // Runs the dialog modally; true when it ended with OK (the change is saved then).
    bool RunModal();

    std::size_t TextLimit() const { return m_limit; }
    // Controls, for the tests.
    QLineEdit* NameField() const { return m_name; }
    QPlainTextEdit* TextField() const { return m_text; }
    QLabel* Counter() const { return m_counter; }
    QCheckBox* SignatureBox() const { return m_signature; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }

protected:
    CDlgTemplateForm(CTemplateHandler& store, std::size_t limit, const std::string& titleKey,
                     const std::string& className, QWidget* owner);

    // OK was pressed: check and save, then accept(); stay open on a rule violation.
    virtual void OnOk() = 0;
    // The user ticked or cleared the Signature box.
    virtual void OnCheckSign(bool ticked) = 0;

    std::string Name() const;
    std::string Text() const;
    // Shows the alert `key`; the answer.
    int Alert(const std::string& key, unsigned type);
    // Ends with OK after a saved change; otherwise shows the rule's alert and stays open.
    void Finish(TemplateResult result);

    CTemplateHandler& m_store;

private:
    void OnTextChanged();

    std::size_t m_limit;
    bool m_cutting = false;
    QLineEdit* m_name = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QLabel* m_counter = nullptr;
    QCheckBox* m_signature = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};
