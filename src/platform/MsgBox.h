// Message boxes: one function, MessageBox, with pluggable back-ends.
//
// The back-end in use answers every call. The console back-end is the default: it prints
// the caption and the text to standard error and answers the box's default button. Tests
// install the scripted back-end; the GUI installs a back-end that shows real dialogs (and
// that takes care of showing them on the GUI thread).
#pragma once

#include "platform/Win.h"

#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace win {

// Buttons (low four bits of the type).
constexpr unsigned MB_OK = 0x00000000;
constexpr unsigned MB_OKCANCEL = 0x00000001;
constexpr unsigned MB_ABORTRETRYIGNORE = 0x00000002;
constexpr unsigned MB_YESNOCANCEL = 0x00000003;
constexpr unsigned MB_YESNO = 0x00000004;
constexpr unsigned MB_RETRYCANCEL = 0x00000005;
constexpr unsigned MB_TYPEMASK = 0x0000000F;
// Icons.
constexpr unsigned MB_ICONHAND = 0x00000010;
constexpr unsigned MB_ICONSTOP = MB_ICONHAND;
constexpr unsigned MB_ICONERROR = MB_ICONHAND;
constexpr unsigned MB_ICONQUESTION = 0x00000020;
constexpr unsigned MB_ICONEXCLAMATION = 0x00000030;
constexpr unsigned MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr unsigned MB_ICONASTERISK = 0x00000040;
constexpr unsigned MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr unsigned MB_ICONMASK = 0x000000F0;
// Default button.
constexpr unsigned MB_DEFBUTTON1 = 0x00000000;
constexpr unsigned MB_DEFBUTTON2 = 0x00000100;
constexpr unsigned MB_DEFBUTTON3 = 0x00000200;
constexpr unsigned MB_DEFMASK = 0x00000F00;
// Modality.
constexpr unsigned MB_APPLMODAL = 0x00000000;
constexpr unsigned MB_SYSTEMMODAL = 0x00001000;
constexpr unsigned MB_TASKMODAL = 0x00002000;
constexpr unsigned MB_SETFOREGROUND = 0x00010000;
constexpr unsigned MB_TOPMOST = 0x00040000;

// Answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Shows a message box through the current back-end and returns the button chosen.
int MessageBox(HWND owner, const std::string& text, const std::string& caption, unsigned type);

// The buttons of a box of this type, in order (IDOK, IDCANCEL, ...).
std::vector<int> MessageBoxButtons(unsigned type);
// The answer of the default button (MB_DEFBUTTONn; a default beyond the last button means
// the first, as a real box does).
int MessageBoxDefaultAnswer(unsigned type);

// What shows the boxes. Show may be called from any thread.
class MessageBoxBackend {
public:
    virtual ~MessageBoxBackend() = default;
    virtual int Show(HWND owner, const std::string& text, const std::string& caption,
                     unsigned type) = 0;
};

// Installs the back-end every later MessageBox uses; null restores the console back-end.
void SetMessageBoxBackend(std::shared_ptr<MessageBoxBackend> backend);
std::shared_ptr<MessageBoxBackend> GetMessageBoxBackend();

// Prints "caption: text" and the buttons to a stream (standard error by default) and answers
// the default button. Never waits for input.
class ConsoleMessageBox : public MessageBoxBackend {
public:
    explicit ConsoleMessageBox(std::FILE* out = nullptr) : m_out(out) {}
    int Show(HWND owner, const std::string& text, const std::string& caption,
             unsigned type) override;

private:
    std::FILE* m_out;
};

// For tests: records every call and answers from a queue (the default button once the queue
// is empty).
class ScriptedMessageBox : public MessageBoxBackend {
public:
    struct Call {
        HWND owner = 0;
        std::string text;
        std::string caption;
        unsigned type = 0;
    };

    int Show(HWND owner, const std::string& text, const std::string& caption,
             unsigned type) override;

    void PushAnswer(int answer);
    std::vector<Call> Calls() const;
    size_t CallCount() const;
    void Clear();

private:
    mutable std::mutex m_lock;
    std::deque<int> m_answers;
    std::vector<Call> m_calls;
};

} // namespace win
