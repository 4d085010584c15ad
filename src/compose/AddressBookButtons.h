// The OK and Cancel buttons that close the address-book dialogs: translated, named "OK" and
// "Cancel" (tests and accessibility find them by name), OK the default, wired to the dialog's
// accept and reject. The box is a child of the dialog; the caller places it in its layout.
#pragma once

class QDialog;
class QDialogButtonBox;
class QPushButton;

QDialogButtonBox* MakeAddressBookButtons(QDialog& dialog, QPushButton*& ok);
