#include "hook/support/Exception/QFileException.h"

namespace qsupport {

namespace {
std::string TextFor(int code, const std::string& path) {
    switch (code) {
    case kFileOpen:
        return "Failed to open file: " + path;
    case kFileTooLarge:
        return "File too large: " + path;
    default:
        return "Failed to read file: " + path;
    }
}
} // namespace

QFileException::QFileException(int code, std::string path, std::string function,
                               win::DWORD lastError)
    : QException(code, TextFor(code, path), std::move(function), lastError),
      m_path(std::move(path)) {}

} // namespace qsupport
