// Base of every failure the support classes raise. An exception carries the application's
// numeric code, a text, the function that raised it and the platform's last error (errno) at
// that moment. While it propagates, each function that passes it on may add where it went
// through (QEXCEPTION_ANNOTATE), so that the report shows its way up.
//
// The support classes raise these; the hook library catches them at every boundary (exports,
// window procedures, the hook procedure, teardown). Report() shows a message box with the
// caption "ERROR" through the platform's message box.
#pragma once

#include "platform/Win.h"

#include <string>
#include <vector>

namespace qsupport {

class QException {
public:
    QException(int code, std::string text, std::string function, win::DWORD lastError);
    virtual ~QException();
    QException(const QException&) = default;
    QException& operator=(const QException&) = default;

    int Code() const { return m_code; }
    const std::string& Text() const { return m_text; }
    const std::string& Function() const { return m_function; }
    win::DWORD LastError() const { return m_lastError; }

    // Adds one "file(line): function" step of the way up.
    void Annotate(const char* file, const char* function, int line);
    const std::vector<std::string>& Annotations() const { return m_annotations; }

    // "App Error Code: <code>\nError Code: 0x<last error>\nError description: <text>".
    std::string ReportText() const;
    // Shows ReportText() in a message box with the caption "ERROR"; returns the answer.
    int Report(win::HWND owner = 0) const;

    // One line for a log: "<function>: <text> (code <code>, last error <n>)".
    std::string Describe() const;

    // The platform's text for an error number, or "No Error Message for this Error!".
    static std::string ErrorText(win::DWORD error);

private:
    int m_code;
    std::string m_text;
    std::string m_function;
    win::DWORD m_lastError;
    std::vector<std::string> m_annotations;
};

} // namespace qsupport

// Inside a catch block: records this function on the exception before it is passed on.
#define QEXCEPTION_ANNOTATE(e) (e).Annotate(__FILE__, __func__, __LINE__)
