#include "platform/MsgBox.h"

namespace win {

namespace {

std::mutex& BackendLock() {
    static std::mutex m;
    return m;
}

std::shared_ptr<MessageBoxBackend>& Installed() {
    static auto* backend = new std::shared_ptr<MessageBoxBackend>();
    return *backend;
}

const char* ButtonName(int id) {
    switch (id) {
    case IDOK:
        return "OK";
    case IDCANCEL:
        return "Cancel";
    case IDABORT:
        return "Abort";
    case IDRETRY:
        return "Retry";
    case IDIGNORE:
        return "Ignore";
    case IDYES:
        return "Yes";
    case IDNO:
        return "No";
    default:
        return "?";
    }
}

} // namespace

std::vector<int> MessageBoxButtons(unsigned type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
        return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    case MB_RETRYCANCEL:
        return {IDRETRY, IDCANCEL};
    default:
        return {IDOK};
    }
}

int MessageBoxDefaultAnswer(unsigned type) {
    std::vector<int> buttons = MessageBoxButtons(type);
    size_t index = 0;
    switch (type & MB_DEFMASK) {
    case MB_DEFBUTTON2:
        index = 1;
        break;
    case MB_DEFBUTTON3:
        index = 2;
        break;
    default:
        index = 0;
    }
    return index < buttons.size() ? buttons[index] : buttons[0];
}

void SetMessageBoxBackend(std::shared_ptr<MessageBoxBackend> backend) {
    std::lock_guard<std::mutex> guard(BackendLock());
    Installed() = std::move(backend);
}

std::shared_ptr<MessageBoxBackend> GetMessageBoxBackend() {
    std::lock_guard<std::mutex> guard(BackendLock());
    if (!Installed()) {
        Installed() = std::make_shared<ConsoleMessageBox>();
    }
    return Installed();
}

int MessageBox(HWND owner, const std::string& text, const std::string& caption, unsigned type) {
    // The back-end is held only for the call, so that another thread may replace it meanwhile.
    std::shared_ptr<MessageBoxBackend> backend = GetMessageBoxBackend();
    return backend->Show(owner, text, caption, type);
}

int ConsoleMessageBox::Show(HWND /*owner*/, const std::string& text, const std::string& caption,
                            unsigned type) {
    std::FILE* out = m_out != nullptr ? m_out : stderr;
    int answer = MessageBoxDefaultAnswer(type);
    std::string buttons;
    for (int id : MessageBoxButtons(type)) {
        if (!buttons.empty()) {
            buttons += ' ';
        }
        buttons += id == answer ? std::string("[") + ButtonName(id) + "]" : ButtonName(id);
    }
    std::fprintf(out, "%s: %s\n  %s -> %s\n", caption.c_str(), text.c_str(), buttons.c_str(),
                 ButtonName(answer));
    std::fflush(out);
    return answer;
}

int ScriptedMessageBox::Show(HWND owner, const std::string& text, const std::string& caption,
                             unsigned type) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_calls.push_back(Call{owner, text, caption, type});
    if (m_answers.empty()) {
        return MessageBoxDefaultAnswer(type);
    }
    int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

void ScriptedMessageBox::PushAnswer(int answer) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_answers.push_back(answer);
}

std::vector<ScriptedMessageBox::Call> ScriptedMessageBox::Calls() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_calls;
}

size_t ScriptedMessageBox::CallCount() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_calls.size();
}

void ScriptedMessageBox::Clear() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_calls.clear();
    m_answers.clear();
}

} // namespace win
