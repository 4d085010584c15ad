// A general failure of the support classes or of the hook library (a missing registry value,
// a refused shared block). Carries what every QException carries.
#pragma once

#include "hook/support/Exception/QException.h"

namespace qsupport {

class QGenException : public QException {
public:
    QGenException(int code, std::string text, std::string function, win::DWORD lastError = 0)
        : QException(code, std::move(text), std::move(function), lastError) {}
};

// Codes of general failures outside the platform-call table of QWinException.
enum QGenCode : int {
    kGenRegistryOpen = 2001,
    kGenRegistryRead = 2002,
    kGenSharedBlock = 2101,
};

} // namespace qsupport
