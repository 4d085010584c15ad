// Carries out the script's commands on the mail client's user-interface thread and writes the
// answers and the client's events to standard output (formats in ScriptProtocol.h). The
// commands are declared once in a table (word, usage, argument counts, help text, handler)
// that both the line parser and the "help" command read. Lines arrive from a CScriptReader
// through a hidden window of this thread, so they are taken by the thread's own message loop
// (platform or Qt) between its other messages.
#pragma once

#include "CMailClient.h"
#include "CScriptReader.h"
#include "ScriptProtocol.h"

#include "platform/Win.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace mailclient {

class CScriptRunner {
public:
    explicit CScriptRunner(CMailClient& client);
    ~CScriptRunner();
    CScriptRunner(const CScriptRunner&) = delete;
    CScriptRunner& operator=(const CScriptRunner&) = delete;

    // Starts taking script lines (standard input when `fifo` is empty). False with `error`.
    bool Start(const std::string& fifo, std::string& error);

    // Carries out one command line and gives its answer line ("ok ..." / "error ...").
    std::string Execute(const std::string& line);

    // Writes one line to standard output, whole, from any thread.
    static void Write(const std::string& line);

    // Takes a picture of the Qt mirror (set only when it is shown).
    void SetScreenshotFunction(std::function<std::string(const std::string& path)> shoot);

    struct Command {
        ScriptCommandInfo info;
        std::string (CScriptRunner::*handler)(const std::vector<std::string>& args);
    };

private:
    void OnLinesQueued();

    std::string OnHelp(const std::vector<std::string>& args);
    std::string OnWindows(const std::vector<std::string>& args);
    std::string OnRows(const std::vector<std::string>& args);
    std::string OnSelect(const std::vector<std::string>& args);
    std::string OnDoubleClick(const std::vector<std::string>& args);
    std::string OnEnter(const std::vector<std::string>& args);
    std::string OnContext(const std::vector<std::string>& args);
    std::string OnMenu(const std::vector<std::string>& args);
    std::string OnMenuBar(const std::vector<std::string>& args);
    std::string OnMenuItems(const std::vector<std::string>& args);
    std::string OnToolbarButtons(const std::vector<std::string>& args);
    std::string OnToolbarImage(const std::vector<std::string>& args);
    std::string OnClickToolbar(const std::vector<std::string>& args);
    std::string OnRecreateToolbar(const std::vector<std::string>& args);
    std::string OnDeleteButton(const std::vector<std::string>& args);
    std::string OnRecreateView(const std::vector<std::string>& args);
    std::string OnScreenshot(const std::vector<std::string>& args);
    std::string OnQuit(const std::vector<std::string>& args);

    static const std::vector<Command>& Commands();

    CMailClient& m_client;
    CScriptReader m_reader;
    win::HWND m_window = 0;
    bool m_wakePosted = false;
    bool m_quitting = false;
    std::mutex m_wakeMutex;
    std::function<std::string(const std::string&)> m_screenshot;
};

} // namespace mailclient
