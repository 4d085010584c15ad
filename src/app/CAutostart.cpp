#include "app/CAutostart.h"

#include "log/LogManager.h"
#include "platform/Paths.h"
#include "platform/StringUtil.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

const char* const kWhere = "CAutostart";

// Characters that make an Exec argument need quotes (Desktop Entry, "The Exec key").
bool IsReserved(char c) {
    static const char reserved[] = " \t\n\"'\\><~|&;$*?#()`";
    return std::strchr(reserved, c) != nullptr;
}

// A string value may hold no line break; the other value escapes are only needed for
// backslashes, which the quoting below doubles once more.
std::string EscapeValue(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n' || c == '\r') {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

CAutostart::CAutostart(std::string desktopId, std::string program, std::string name,
                       std::string comment, std::string icon)
    : m_desktopId(std::move(desktopId)), m_program(std::move(program)), m_name(std::move(name)),
      m_comment(std::move(comment)), m_icon(std::move(icon)) {}

std::string CAutostart::EntryPath() const {
    return platform::ConfigHome() + "/autostart/" + m_desktopId + ".desktop";
}

std::string CAutostart::QuoteExecArgument(const std::string& argument) {
    bool needsQuotes = argument.empty();
    for (unsigned char c : argument) {
        if (c < 0x20 || c == 0x7f) {
            return std::string();
        }
        needsQuotes = needsQuotes || IsReserved(static_cast<char>(c));
    }
    std::string quoted;
    if (needsQuotes) {
        // Inside quotes: ", `, $ and \ take a backslash.
        quoted += '"';
        for (char c : argument) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') {
                quoted += '\\';
            }
            quoted += c;
        }
        quoted += '"';
    } else {
        quoted = argument;
    }
    // Then the rules of every string value: a backslash is written as two, and a literal
    // percent sign as two, since %x are field codes.
    std::string out;
    for (char c : quoted) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '%') {
            out += "%%";
        } else {
            out += c;
        }
    }
    return out;
}

std::string CAutostart::EntryText() const {
    const std::string program = QuoteExecArgument(m_program);
    if (program.empty()) {
        return std::string();
    }
    std::ostringstream text;
    text << "[Desktop Entry]\n"
         << "Type=Application\n"
         << "Name=" << EscapeValue(m_name) << "\n"
         << "Comment=" << EscapeValue(m_comment) << "\n"
         << "Exec=" << program << " " << kSwitch << "\n"
         << "Icon=" << EscapeValue(m_icon) << "\n"
         << "Terminal=false\n"
         << "NoDisplay=true\n"
         << "X-GNOME-Autostart-enabled=true\n";
    return text.str();
}

bool CAutostart::IsEnabled() const {
    std::ifstream in(EntryPath());
    if (!in) {
        return false;
    }
    std::string line;
    bool inMainGroup = false;
    while (std::getline(in, line)) {
        line = platform::Trim(line);
        if (!line.empty() && line.front() == '[') {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup) {
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        const std::string key = platform::Trim(std::string_view(line).substr(0, equals));
        const std::string value = platform::Trim(std::string_view(line).substr(equals + 1));
        if ((key == "Hidden" && value == "true") ||
            (key == "X-GNOME-Autostart-enabled" && value == "false")) {
            return false;
        }
    }
    return true;
}

bool CAutostart::Enable() const {
    const std::string text = EntryText();
    if (text.empty()) {
        Log(kWhere, "The program path cannot be written into an autostart entry: " + m_program,
            LOG_CAT_APPLICATION, LOG_SEV_ERROR);
        return false;
    }
    const std::string folder = platform::ConfigHome() + "/autostart";
    if (!platform::CreateFolder(folder)) {
        Log(kWhere, "Could not create the autostart folder " + folder, LOG_CAT_APPLICATION,
            LOG_SEV_ERROR, true);
        return false;
    }
    if (!platform::WriteFileAtomic(EntryPath(), text)) {
        Log(kWhere, "Could not write the autostart entry " + EntryPath(), LOG_CAT_APPLICATION,
            LOG_SEV_ERROR, true);
        return false;
    }
    Log(kWhere, "Autostart entry written: " + EntryPath(), LOG_CAT_APPLICATION, LOG_SEV_INFO);
    return true;
}

bool CAutostart::Disable() const {
    const std::string path = EntryPath();
    if (::unlink(path.c_str()) != 0) {
        if (errno == ENOENT) {
            return true;
        }
        Log(kWhere, "Could not remove the autostart entry " + path, LOG_CAT_APPLICATION,
            LOG_SEV_ERROR, true);
        return false;
    }
    Log(kWhere, "Autostart entry removed: " + path, LOG_CAT_APPLICATION, LOG_SEV_INFO);
    return true;
}
