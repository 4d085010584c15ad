#include "hook/support/Exception/QException.h"

#include "platform/MsgBox.h"

#include <cstdio>
#include <cstring>

namespace qsupport {

QException::QException(int code, std::string text, std::string function, win::DWORD lastError)
    : m_code(code), m_text(std::move(text)), m_function(std::move(function)),
      m_lastError(lastError) {}

QException::~QException() = default;

void QException::Annotate(const char* file, const char* function, int line) {
    m_annotations.push_back(std::string(file != nullptr ? file : "") + "(" + std::to_string(line) +
                            "): " + (function != nullptr ? function : ""));
}

std::string QException::ErrorText(win::DWORD error) {
    // strerrordesc_np answers null for a number that has no text (strerror would invent one).
    const char* text = ::strerrordesc_np(static_cast<int>(error));
    return text != nullptr ? std::string(text) : std::string("No Error Message for this Error!");
}

std::string QException::ReportText() const {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(m_lastError));
    return "App Error Code: " + std::to_string(m_code) + "\nError Code: " + hex +
           "\nError description: " + ErrorText(m_lastError);
}

int QException::Report(win::HWND owner) const {
    return win::MessageBox(owner, ReportText(), "ERROR", win::MB_OK | win::MB_ICONERROR);
}

std::string QException::Describe() const {
    return m_function + ": " + m_text + " (code " + std::to_string(m_code) + ", last error " +
           std::to_string(m_lastError) + ")";
}

} // namespace qsupport
