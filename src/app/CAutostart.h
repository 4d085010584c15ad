// Starting the program with the desktop: the per-user XDG autostart entry
// ($XDG_CONFIG_HOME/autostart/<desktop id>.desktop, default ~/.config/autostart).
//
// Enable writes the entry atomically (temporary file, fsync, rename; mode 0600), creating the
// autostart folder (mode 0700) when it is missing; its Exec line starts the given program
// with the switch kSwitch, which means "started with the desktop: the tray icon only, no
// window". Disable removes the entry; an entry that is already absent is success. Both return
// false on a failure and log it (category Application); an existing entry is never left half
// written. A program path that cannot be written into an Exec line (control characters) is
// refused. Plain C++: no Qt, no settings; the caller decides when to call.
#pragma once

#include <string>

class CAutostart {
public:
    // The command-line switch the entry starts the program with.
    static constexpr const char* kSwitch = "--autostart";
    // The settings value (DWORD in the root key, default 1) that says whether the user wants
    // the program to start with the desktop.
    static constexpr const char* kSettingName = "StartWithDesktop";

    // `desktopId`: the entry's file name without ".desktop"; `program`: absolute path of the
    // executable; `name`, `comment`, `icon`: what the session's autostart list shows.
    CAutostart(std::string desktopId, std::string program, std::string name, std::string comment,
               std::string icon);

    // Where the entry lives.
    std::string EntryPath() const;
    // The entry's text as Enable writes it.
    std::string EntryText() const;
    // True when the entry is present and not switched off (Hidden=true or
    // X-GNOME-Autostart-enabled=false, as session settings tools write it).
    bool IsEnabled() const;

    bool Enable() const;
    bool Disable() const;
    // Enable for true, Disable for false.
    bool Apply(bool on) const { return on ? Enable() : Disable(); }

    // One argument of an Exec line, quoted and escaped as the Desktop Entry rules ask (value
    // escapes included). Empty when the text cannot be written into an Exec line.
    static std::string QuoteExecArgument(const std::string& argument);

private:
    std::string m_desktopId;
    std::string m_program;
    std::string m_name;
    std::string m_comment;
    std::string m_icon;
};
