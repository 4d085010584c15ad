// The failure of a platform call. The text comes from a fixed table by code; a code without a
// row gets the text "Unknown error.".
#pragma once

#include "hook/support/Exception/QGenException.h"

namespace qsupport {

enum QWinCode : int {
    kWinUnregisterClass = 1001,
    kWinLoadIconOrCursor = 1002,
    kWinRegisterClass = 1003,
    kWinGetClientRect = 3501,
    kWinCreateWindow = 3502,
    kWinDestroyWindow = 3506,
    kWinSyncEvents = 7001,
    kWinThreadCreate = 7002,
    kWinThreadAborted = 7003,
};

class QWinException : public QGenException {
public:
    QWinException(int code, std::string function, win::DWORD lastError);

    // The table's text for `code`.
    static const char* TextOf(int code);
};

} // namespace qsupport
