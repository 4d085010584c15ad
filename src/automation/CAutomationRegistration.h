// The registration of the automation class, written by the register switch and removed by
// the unregister switch of the program.
//
// In the user hive under "Software\Classes":
//   AppID\{ADF50F17-...}                 @="QVMessenger"
//   AppID\QVMessenger.EXE                "AppID"="{ADF50F17-...}"
//   QVMessenger.QVApplication.1          @="CQVApplication Object", CLSID\@=the class id
//   QVMessenger.QVApplication            @="CQVApplication Object", CLSID\@=the class id,
//                                        CurVer\@="QVMessenger.QVApplication.1"
//   CLSID\{A4B15104-...}                 @="CQVApplication Object", "AppID"=the AppID;
//                                        ProgID, VersionIndependentProgID, LocalServer32 (the
//                                        program file), Programmable, TypeLib
//   TypeLib\{AA312B6B-...}\1.0           @="QVMessenger 1.0 Type Library"; 409\win32 (the
//                                        program file), FLAGS, HELPDIR (the program folder)
// and the D-Bus activation file "QVMessenger.QVApplication.service" in
// $XDG_DATA_HOME/dbus-1/services/, whose Exec line starts the program file, so that a call
// while the program is not running starts it.
//
// Unregistering removes the ProgIDs, the class, the type library and the activation file; the
// two AppID keys stay, as other servers of the same application may share them. Keys that
// are not the registration's are never touched. Both are plain C++ over platform::Registry
// and may run while the program runs elsewhere.
#pragma once

#include <string>

class CAutomationRegistration {
public:
    // Writes the whole registration for `programFile` (an absolute path). False when a key,
    // a value or the activation file could not be written (logged).
    static bool Register(const std::string& programFile);
    // Removes it. False when a key or the activation file could not be removed (logged);
    // parts that were never there count as removed.
    static bool Unregister();

    // $XDG_DATA_HOME/dbus-1/services/QVMessenger.QVApplication.service
    static std::string ServiceFilePath();
    // The activation file's text for the program file.
    static std::string ServiceFileText(const std::string& programFile);
    // The program file quoted for an Exec line: as it stands when it holds nothing but
    // letters, digits and "/._-+", else in single quotes.
    static std::string QuoteExec(const std::string& path);
    // The path of a key below the classes root: "Software\Classes\" + `key`.
    static std::string ClassesKey(const std::string& key);
};
