#include "compose/AddressBookButtons.h"

#include "gui/CGuiText.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

QDialogButtonBox* MakeAddressBookButtons(QDialog& dialog, QPushButton*& ok) {
    auto* buttons = new QDialogButtonBox(&dialog);
    ok = buttons->addButton(CGuiText::QTr("WAB.labelOK", "OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName("OK");
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(CGuiText::QTr("WAB.labelCancel", "Cancel"),
                                             QDialogButtonBox::RejectRole);
    cancel->setObjectName("Cancel");
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}
