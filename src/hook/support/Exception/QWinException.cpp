#include "hook/support/Exception/QWinException.h"

#include <iterator>

namespace qsupport {

namespace {

struct CodeText {
    int code;
    const char* text;
};

constexpr CodeText kTexts[] = {
    {kWinUnregisterClass, "Unregister of the window class failed"},
    {kWinLoadIconOrCursor, "Failed to load icons or cursor."},
    {kWinRegisterClass, "Failed to register window class."},
    {kWinGetClientRect, "GetClientRect failed."},
    {kWinCreateWindow, "Failed to create window. CreateWindowEx or CreateMDIWindow returned NULL."},
    {kWinDestroyWindow, "Destroy window failed."},
    {kWinSyncEvents, "Syncronization events could not be created."},
    {kWinThreadCreate, "Thread creation failed."},
    {kWinThreadAborted, "Thread terminated in startup. This is an client generated termination."},
};

} // namespace

const char* QWinException::TextOf(int code) {
    for (const CodeText& row : kTexts) {
        if (row.code == code) {
            return row.text;
        }
    }
    return "Unknown error.";
}

QWinException::QWinException(int code, std::string function, win::DWORD lastError)
    : QGenException(code, TextOf(code), std::move(function), lastError) {}

} // namespace qsupport
