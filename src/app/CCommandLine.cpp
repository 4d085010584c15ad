#include "app/CCommandLine.h"
#include "app/CAutostart.h"
#include "platform/StringUtil.h"

#include "gui/GuiDefs.h"

#include <cctype>

using platform::EqualsNoCase;

CCommandLine::CCommandLine(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i] != nullptr ? argv[i] : "";
        if (bool* flag = RegistrationSwitch(arg)) {
            *flag = true;
        } else if (EqualsNoCase(arg, CAutostart::kSwitch)) {
            m_autostart = true;
        } else if (!arg.empty() && arg[0] == '-') {
            continue; // other switches are not ours (a toolkit may add some)
        } else if (m_verb.empty()) {
            m_verb = arg;
        }
    }
}

bool* CCommandLine::RegistrationSwitch(const std::string& arg) {
    // "--regserver", and the spellings of the platform the program comes from: "/RegServer"
    // and "-RegServer"; the same for unregistering; any letter case.
    struct Row {
        const char* name;
        bool CCommandLine::*flag;
    };
    static const Row rows[] = {{"regserver", &CCommandLine::m_register},
                               {"unregserver", &CCommandLine::m_unregister}};
    std::string name;
    if (arg.rfind("--", 0) == 0) {
        name = arg.substr(2);
    } else if (!arg.empty() && (arg[0] == '-' || arg[0] == '/')) {
        name = arg.substr(1);
    } else {
        return nullptr;
    }
    for (const Row& r : rows) {
        if (EqualsNoCase(name, r.name)) {
            return &(this->*r.flag);
        }
    }
    return nullptr;
}

std::string CCommandLine::ResolveVerb(const std::string& verb,
                                      const std::function<std::uint32_t()>& startupAction) {
    if (EqualsNoCase(verb, "default")) {
        switch (startupAction ? startupAction() : 0) {
        case 0:
            return "NewSMS";
        case 1:
            return "MessageFolders";
        case 3:
            return "SMSOptions";
        case 6:
            return "NewMMS";
        default:
            return verb;
        }
    }
    if (verb.empty()) {
        return "NoShowDummy";
    }
    return verb;
}

std::string CCommandLine::ForwardMessageName(const std::string& verb, std::uint32_t* plainMessage) {
    if (plainMessage != nullptr) {
        *plainMessage = 0;
    }
    struct Row {
        const char* verb;
        const char* message;
    };
    static const Row rows[] = {
        {"SMSOptions", "QVShowOptions"},     {"AddressBook", "QVShowAddressBook"},
        {"MessageFolders", "QVShowFolders"}, {"MessageFolder", "QVShowFolders"},
        {"NewSMS", "QVShowNewSMS"},          {"NewMessage", "QVShowNewSMS"},
        {"NewMMS", "QVShowNewMMS"},
    };
    for (const Row& r : rows) {
        if (EqualsNoCase(verb, r.verb)) {
            return r.message;
        }
    }
    if (EqualsNoCase(verb, "Shutdown") || EqualsNoCase(verb, "ShutdownNow")) {
        if (plainMessage != nullptr) {
            *plainMessage =
                EqualsNoCase(verb, "Shutdown") ? gui::WM_TW_SHUTDOWN : gui::WM_TW_FORCEDSHUTDOWN;
        }
        return std::string();
    }
    return "QVShowFolders";
}

bool CCommandLine::IsShutdownVerb(const std::string& verb) {
    return EqualsNoCase(verb, "Shutdown") || EqualsNoCase(verb, "ShutdownNow");
}
