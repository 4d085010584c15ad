// The program's command line: one verb, the automation registration switches and the
// switch "--autostart" (the desktop session started the program: tray icon only, no window,
// and nothing to hand to an instance that already runs).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CCommandLine {
public:
    CCommandLine() = default;
    CCommandLine(int argc, const char* const* argv);

    // The first plain parameter (empty when there is none).
    const std::string& Verb() const { return m_verb; }
    bool RegisterServer() const { return m_register; }
    bool UnregisterServer() const { return m_unregister; }
    bool StartedWithDesktop() const { return m_autostart; }

    // "default" (any case) becomes the verb that `DispStartupAction` selects (0 NewSMS,
    // 1 MessageFolders, 3 SMSOptions, 6 NewMMS; any other value keeps "default"); an empty
    // verb becomes "NoShowDummy"; any other verb stays as it is.
    static std::string ResolveVerb(const std::string& verb,
                                   const std::function<std::uint32_t()>& startupAction);

    // The registered-message name a running instance gets for this verb (any case). The two
    // shutdown verbs map to the plain numbers 1123 and 1124 instead: `plainMessage` is set
    // and the name is empty.
    static std::string ForwardMessageName(const std::string& verb, std::uint32_t* plainMessage);

    static bool IsShutdownVerb(const std::string& verb);

private:
    // The flag an automation registration switch sets ("--regserver", "/RegServer",
    // "-RegServer", the same with "unregserver", any case); null for any other argument.
    bool* RegistrationSwitch(const std::string& arg);

    std::string m_verb;
    bool m_register = false;
    bool m_unregister = false;
    bool m_autostart = false;
};
