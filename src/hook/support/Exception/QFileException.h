// Failure to open or read a file. Carries the path besides what every QException carries.
#pragma once

#include "hook/support/Exception/QException.h"

namespace qsupport {

enum QFileCode : int {
    kFileOpen = 4001,
    kFileRead = 4002,
    kFileTooLarge = 4003,
};

class QFileException : public QException {
public:
    QFileException(int code, std::string path, std::string function, win::DWORD lastError);
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace qsupport
