#include "compose/CDlgContactEdit.h"

#include "compose/AddressBookButtons.h"
#include "gui/CGuiText.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string S(const QLineEdit* edit) {
    return edit->text().trimmed().toStdString();
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const std::string& text) {
    auto* edit = new QLineEdit(Q(text), parent);
    edit->setObjectName(name);
    edit->setMinimumWidth(260);
    return edit;
}

} // namespace

CDlgContactEdit::CDlgContactEdit(const Fields& fields, bool isNew, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(isNew ? CGuiText::QTr("AddressBook.titleNewContact", "New Contact")
                         : CGuiText::QTr("AddressBook.titleEditContact", "Contact Properties"));
    m_display = MakeEdit(this, "DisplayName", fields.displayName);
    m_given = MakeEdit(this, "GivenName", fields.givenName);
    m_family = MakeEdit(this, "FamilyName", fields.familyName);
    m_mobile = MakeEdit(this, "Mobile", fields.mobile);
    m_mobile->setPlaceholderText("+49 170 1234567");
    m_display->setPlaceholderText(
        CGuiText::QTr("AddressBook.hintDisplayName", "Made from the first and last name"));

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setHorizontalSpacing(10);
    form->setVerticalSpacing(8);
    form->addRow(CGuiText::QTr("AddressBook.labelGivenName", "First name:"), m_given);
    form->addRow(CGuiText::QTr("AddressBook.labelFamilyName", "Last name:"), m_family);
    form->addRow(CGuiText::QTr("AddressBook.labelDisplayName", "Display name:"), m_display);
    form->addRow(CGuiText::QTr("AddressBook.labelMobile", "Mobile number:"), m_mobile);

    QDialogButtonBox* buttons = MakeAddressBookButtons(*this, m_ok);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(14);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    for (QLineEdit* edit : {m_display, m_given, m_family}) {
        connect(edit, &QLineEdit::textChanged, this, &CDlgContactEdit::UpdateOk);
    }
    UpdateOk();
    (isNew ? m_given : m_display)->setFocus();
}

CDlgContactEdit::Fields CDlgContactEdit::Result() const {
    Fields fields{S(m_display), S(m_given), S(m_family), S(m_mobile)};
    if (fields.displayName.empty()) {
        fields.displayName = fields.givenName;
        if (!fields.familyName.empty()) {
            fields.displayName += (fields.displayName.empty() ? "" : " ") + fields.familyName;
        }
    }
    return fields;
}

void CDlgContactEdit::UpdateOk() {
    m_ok->setEnabled(!Result().displayName.empty());
}
