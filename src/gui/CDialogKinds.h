// What the dialog manager knows about each dialog kind: its log name, whether it lives in a
// long-lived session or one session per request, which table holds its sessions and which
// show signal wakes it.
#pragma once

#include <optional>
#include <string>

// How a request for a per-request dialog is launched.
struct LaunchRow {
    const char* logLine = "";
    // false: type 0 in one-instance mode may reuse an open new-message dialog
    bool alwaysNewSession = true;
    bool sentTable = false;
    const char* failureText = "";
};

enum class ShowSignalKind { Options, Folders, NewSMS, Shared };

class CDialogKinds {
public:
    // "NewSMS dialog", "Folders dialog", ...; empty for the kinds the program does not have.
    static std::string LogName(int type);
    // True for the kinds that exist (0, 1, 2, 3, 4, 5, 7, 8).
    static bool IsAvailable(int type);
    // True for the kinds opened in a session of their own per request (0, 2, 4, 5, 7, 8).
    static bool IsPerRequest(int type);
    // The launch row of a per-request kind.
    static std::optional<LaunchRow> Launch(int type);
    // The show signal a session of this kind waits on.
    static ShowSignalKind SignalFor(int type);
};
