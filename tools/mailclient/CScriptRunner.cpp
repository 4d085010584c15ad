#include "CScriptRunner.h"

#include "platform/WinChildren.h"
#include "platform/WinImageList.h"

#include <charconv>
#include <cstdio>
#include <unistd.h>

namespace mailclient {

namespace {

constexpr win::UINT kLinesQueued = win::WM_APP + 1;
constexpr const char* kScriptWindowClass = "TwMailClientScript";

std::mutex g_writeMutex;

// A whole decimal number, nothing else.
bool ParseNumber(const std::string& text, long& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

std::string Ok(const std::string& rest = std::string()) {
    return rest.empty() ? "ok" : "ok " + rest;
}

std::string Error(const std::string& why) {
    return "error " + why;
}

std::string OkOrError(const std::string& error, const std::string& rest = std::string()) {
    return error.empty() ? Ok(rest) : Error(error);
}

} // namespace

const std::vector<CScriptRunner::Command>& CScriptRunner::Commands() {
    static const std::vector<Command> commands = {
        {{"help", "", 0, 0, "lists the commands"}, &CScriptRunner::OnHelp},
        {{"windows", "[class]", 0, 1,
          "the main window and its descendants (of that class): hwnd, parent, class, id, title"},
         &CScriptRunner::OnWindows},
        {{"rows", "", 0, 0, "the rows of the mail list: row, columns, read|unread, selected"},
         &CScriptRunner::OnRows},
        {{"select", "<row>", 1, 1, "selects the row as a click does"}, &CScriptRunner::OnSelect},
        {{"dblclick", "<row>", 1, 1, "double-clicks the row"}, &CScriptRunner::OnDoubleClick},
        {{"enter", "", 0, 0, "presses Enter in the mail list"}, &CScriptRunner::OnEnter},
        {{"context", "<row> [choose <command>]", 1, 3,
          "right-clicks the row; the menu shown is reported and answered with the command"},
         &CScriptRunner::OnContext},
        {{"menu-bar", "", 0, 0, "the popups of the menu bar: position, text"},
         &CScriptRunner::OnMenuBar},
        {{"menu", "<popup index> <command>", 2, 2,
          "opens the popup of the menu bar and chooses the command"},
         &CScriptRunner::OnMenu},
        {{"menu-items", "<popup index>", 1, 1,
          "opens the popup of the menu bar and lists its items: id, text, state"},
         &CScriptRunner::OnMenuItems},
        {{"toolbar-buttons", "", 0, 0,
          "the toolbar's image counts and buttons: index, command, image, text, tooltip, state"},
         &CScriptRunner::OnToolbarButtons},
        {{"toolbar-image", "<index> [hot]", 1, 2,
          "the pixels of one picture of the toolbar's normal (or hot) list: width, height, "
          "then every pixel as 8 hex digits AARRGGBB, row by row from the top"},
         &CScriptRunner::OnToolbarImage},
        {{"click-toolbar", "<index|command>", 1, 1,
          "clicks the button at that position (below 1000) or with that command"},
         &CScriptRunner::OnClickToolbar},
        {{"recreate-toolbar", "", 0, 0, "destroys the toolbar and makes a new one"},
         &CScriptRunner::OnRecreateToolbar},
        {{"delete-button", "<index>", 1, 1,
          "takes the toolbar button at that position off, as customizing the toolbar does"},
         &CScriptRunner::OnDeleteButton},
        {{"recreate-view", "", 0, 0, "destroys the message view and makes a new one"},
         &CScriptRunner::OnRecreateView},
        {{"screenshot", "<file.png>", 1, 1, "saves a picture of the shown window (with --show)"},
         &CScriptRunner::OnScreenshot},
        {{"quit", "", 0, 0, "ends the mail client"}, &CScriptRunner::OnQuit},
    };
    return commands;
}

CScriptRunner::CScriptRunner(CMailClient& client) : m_client(client) {}

CScriptRunner::~CScriptRunner() {
    m_reader.Stop();
    if (m_window != 0) {
        win::DestroyWindow(m_window);
    }
}

bool CScriptRunner::Start(const std::string& fifo, std::string& error) {
    win::WindowDesc desc;
    desc.className = kScriptWindowClass;
    m_window = win::CreateWindow(
        desc, [this](win::HWND h, win::UINT m, win::WPARAM w, win::LPARAM l) -> win::LRESULT {
            if (m == kLinesQueued) {
                OnLinesQueued();
                return 0;
            }
            return win::DefWindowProc(h, m, w, l);
        });
    if (m_window == 0) {
        error = "cannot create the script window";
        return false;
    }
    const win::HWND window = m_window;
    return m_reader.Start(
        fifo,
        [this, window] {
            // One wake at a time: the window takes every queued line when it runs.
            std::lock_guard<std::mutex> lock(m_wakeMutex);
            if (!m_wakePosted) {
                m_wakePosted = win::PostMessage(window, kLinesQueued, 0, 0);
            }
        },
        error);
}

void CScriptRunner::OnLinesQueued() {
    {
        std::lock_guard<std::mutex> lock(m_wakeMutex);
        m_wakePosted = false;
    }
    std::string line;
    // Lines after "quit" are not carried out: the client is ending.
    while (!m_quitting && m_reader.TakeLine(line)) {
        if (SplitFields(line).empty()) {
            continue;
        }
        Write(Execute(line));
    }
    if (m_reader.Ended()) {
        // The driver went away: nobody is left to end the client.
        win::PostQuitMessage(0);
    }
}

void CScriptRunner::Write(const std::string& line) {
    std::lock_guard<std::mutex> lock(g_writeMutex);
    std::string out = line;
    out.push_back('\n');
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::write(1, out.data() + done, out.size() - done);
        if (n <= 0) {
            return; // nobody reads standard output any more
        }
        done += static_cast<std::size_t>(n);
    }
}

void CScriptRunner::SetScreenshotFunction(
    std::function<std::string(const std::string& path)> shoot) {
    m_screenshot = std::move(shoot);
}

std::string CScriptRunner::Execute(const std::string& line) {
    std::vector<std::string> fields = SplitFields(line);
    if (fields.empty()) {
        return Error("empty command");
    }
    const std::string word = fields.front();
    fields.erase(fields.begin());
    for (const Command& command : Commands()) {
        if (command.info.word != word) {
            continue;
        }
        if (fields.size() < command.info.minArgs || fields.size() > command.info.maxArgs) {
            std::string usage = "usage: " + word;
            if (!command.info.usage.empty()) {
                usage += " " + std::string(command.info.usage);
            }
            return Error(usage);
        }
        return (this->*command.handler)(fields);
    }
    return Error("unknown command " + QuoteField(word) + " (\"help\" lists them)");
}

std::string CScriptRunner::OnHelp(const std::vector<std::string>&) {
    std::string out = std::to_string(Commands().size());
    for (const Command& command : Commands()) {
        out += " | " + QuoteField(command.info.word) + " " + QuoteField(command.info.usage) + " " +
               QuoteField(command.info.help);
    }
    return Ok(out);
}

std::string CScriptRunner::OnWindows(const std::vector<std::string>& args) {
    const win::HWND main = m_client.MainWindow();
    std::vector<win::HWND> windows;
    if (args.empty()) {
        windows.push_back(main);
        win::EnumChildWindows(main, [&windows](win::HWND child) {
            windows.push_back(child);
            return true;
        });
    } else {
        windows = win::FindChildWindows(main, args[0], true);
    }
    std::string out = std::to_string(windows.size());
    for (win::HWND w : windows) {
        out += " | " + std::to_string(w) + " " + std::to_string(win::GetParent(w)) + " " +
               QuoteField(win::GetClassName(w)) + " " + std::to_string(win::GetDlgCtrlID(w)) + " " +
               QuoteField(win::GetWindowText(w));
    }
    return Ok(out);
}

std::string CScriptRunner::OnRows(const std::vector<std::string>&) {
    const std::vector<CMailClient::Row> rows = m_client.Rows();
    std::string out = std::to_string(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        out += " | " + std::to_string(r);
        for (const std::string& column : rows[r].columns) {
            out += " " + QuoteField(column);
        }
        out += rows[r].read ? " read" : " unread";
        if (rows[r].selected) {
            out += " selected";
        }
    }
    return Ok(out);
}

std::string CScriptRunner::OnSelect(const std::vector<std::string>& args) {
    long row = 0;
    if (!ParseNumber(args[0], row)) {
        return Error("bad row " + QuoteField(args[0]));
    }
    return OkOrError(m_client.SelectRow(static_cast<int>(row)));
}

std::string CScriptRunner::OnDoubleClick(const std::vector<std::string>& args) {
    long row = 0;
    if (!ParseNumber(args[0], row)) {
        return Error("bad row " + QuoteField(args[0]));
    }
    return OkOrError(m_client.DoubleClickRow(static_cast<int>(row)));
}

std::string CScriptRunner::OnEnter(const std::vector<std::string>&) {
    return OkOrError(m_client.PressEnter());
}

std::string CScriptRunner::OnContext(const std::vector<std::string>& args) {
    long row = 0;
    long choose = 0;
    if (!ParseNumber(args[0], row)) {
        return Error("bad row " + QuoteField(args[0]));
    }
    if (args.size() == 2 || (args.size() == 3 && (args[1] != "choose" ||
                                                  !ParseNumber(args[2], choose) || choose < 0))) {
        return Error("usage: context <row> [choose <command>]");
    }
    const auto command = static_cast<win::UINT>(choose);
    return OkOrError(m_client.ContextMenuOnRow(
        static_cast<int>(row), [command](const win::PopupMenuRequest&) { return command; }));
}

std::string CScriptRunner::OnMenu(const std::vector<std::string>& args) {
    long index = 0;
    long command = 0;
    if (!ParseNumber(args[0], index) || !ParseNumber(args[1], command) || command <= 0) {
        return Error("usage: menu <popup index> <command>");
    }
    return OkOrError(
        m_client.ChooseMenuItem(static_cast<int>(index), static_cast<win::UINT>(command)));
}

std::string CScriptRunner::OnMenuBar(const std::vector<std::string>&) {
    const std::vector<CMailClient::MenuItem> items = CMailClient::MenuItems(m_client.MenuBar());
    std::string out = std::to_string(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        out += " | " + std::to_string(i) + " " + QuoteField(items[i].text);
    }
    return Ok(out);
}

std::string CScriptRunner::OnMenuItems(const std::vector<std::string>& args) {
    long index = 0;
    if (!ParseNumber(args[0], index)) {
        return Error("bad popup index " + QuoteField(args[0]));
    }
    win::HMENU popup = 0;
    const std::string error = m_client.OpenMenuPopup(static_cast<int>(index), popup);
    if (!error.empty()) {
        return Error(error);
    }
    const std::vector<CMailClient::MenuItem> items = CMailClient::MenuItems(popup);
    return Ok(std::to_string(items.size()) + CMailClient::MenuRecords(items));
}

std::string CScriptRunner::OnToolbarButtons(const std::vector<std::string>&) {
    const std::vector<CMailClient::Button> buttons = m_client.ToolbarButtons(true);
    std::string out = std::to_string(buttons.size()) + " images " +
                      std::to_string(m_client.ToolbarImageCount()) + " " +
                      std::to_string(m_client.ToolbarHotImageCount());
    for (const CMailClient::Button& b : buttons) {
        out += " | " + std::to_string(b.index) + " " + std::to_string(b.command) + " " +
               std::to_string(b.image) + " " + QuoteField(b.text) + " " + QuoteField(b.tooltip) +
               " ";
        if (b.separator) {
            out += "separator";
            continue;
        }
        out += b.enabled ? "enabled" : "disabled";
        if (b.hidden) {
            out += " hidden";
        }
    }
    return Ok(out);
}

std::string CScriptRunner::OnToolbarImage(const std::vector<std::string>& args) {
    long index = 0;
    if (!ParseNumber(args[0], index) || index < 0) {
        return Error("bad image " + QuoteField(args[0]));
    }
    const bool hot = args.size() > 1;
    if (hot && args[1] != "hot") {
        return Error("unknown list " + QuoteField(args[1]));
    }
    const win::HIMAGELIST list = hot ? m_client.ToolbarHotImageList() : m_client.ToolbarImageList();
    win::BitmapPixels picture;
    if (!win::ImageList_GetImagePixels(list, static_cast<int>(index), &picture)) {
        return Error("no image " + std::to_string(index));
    }
    std::string hex;
    hex.reserve(picture.pixels.size() * 8);
    char digits[9];
    for (const std::uint32_t pixel : picture.pixels) {
        std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(pixel));
        hex += digits;
    }
    return Ok(std::to_string(picture.width) + " " + std::to_string(picture.height) + " " + hex);
}

std::string CScriptRunner::OnClickToolbar(const std::vector<std::string>& args) {
    long target = 0;
    if (!ParseNumber(args[0], target) || target < 0) {
        return Error("bad button " + QuoteField(args[0]));
    }
    return OkOrError(m_client.ClickToolbar(static_cast<int>(target)));
}

std::string CScriptRunner::OnRecreateToolbar(const std::vector<std::string>&) {
    const std::string error = m_client.RecreateToolbar();
    return OkOrError(error, std::to_string(m_client.Toolbar()));
}

std::string CScriptRunner::OnDeleteButton(const std::vector<std::string>& args) {
    long index = 0;
    if (!ParseNumber(args[0], index) || index < 0) {
        return Error("bad button " + QuoteField(args[0]));
    }
    return OkOrError(m_client.DeleteToolbarButton(static_cast<int>(index)));
}

std::string CScriptRunner::OnRecreateView(const std::vector<std::string>&) {
    const std::string error = m_client.RecreateView();
    return OkOrError(error, std::to_string(m_client.MessageView()));
}

std::string CScriptRunner::OnScreenshot(const std::vector<std::string>& args) {
    if (!m_screenshot) {
        return Error("no window is shown (start with --show)");
    }
    return OkOrError(m_screenshot(args[0]));
}

std::string CScriptRunner::OnQuit(const std::vector<std::string>&) {
    m_quitting = true;
    win::PostQuitMessage(0);
    return Ok();
}

} // namespace mailclient
