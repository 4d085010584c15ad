// The messages between the mail client's process and the hook window in the program's
// process, and what each becomes for the program (the action of "QVShowOeWindow"). Both
// sides use this one table: the subclassed mail-client windows send these messages, the hook
// window translates them.
//
//   WM_USER + 1..7   a click (new SMS, outbox, sent, about, help, options, new MMS);
//                    answered 0; sent on with lParam 0
//   WM_COPYDATA      a packed SmsMessage; its identifier is the kind of click (open, reply,
//                    forward); wParam (the mail client's list window) is not used
//
// The registered messages: "MSG_WINDOWHOOK_SHUTDOWN" (hook window -> mail client's main
// window: remove the hook) and "QVShowOeWindow" (hook window -> program, wParam = action,
// lParam = the SmsMessage for the copy-data kinds or 0).
#pragma once

#include "platform/Win.h"

#include <cstdint>

namespace hookmsg {

constexpr const char* kShutdownMessageName = "MSG_WINDOWHOOK_SHUTDOWN";
constexpr const char* kProgramMessageName = "QVShowOeWindow";

enum Event : win::UINT {
    kNewSms = win::WM_USER + 1,
    kFolderOutbox = win::WM_USER + 2,
    kFolderSent = win::WM_USER + 3,
    kSmsAbout = win::WM_USER + 4,
    kSmsHelp = win::WM_USER + 5,
    kSmsOptions = win::WM_USER + 6,
    kNewMms = win::WM_USER + 7,
};

// Copy-data identifiers.
enum CopyKind : std::uint32_t { kCopyOpen = 0, kCopyReply = 1, kCopyForward = 2 };

struct EventRow {
    win::UINT message;
    const char* function; // where the hook window logs it
    const char* logText;
    int action; // "QVShowOeWindow" action
};

inline constexpr EventRow kEvents[] = {
    {kNewSms, "HookWindow::OnNewSms", "NewSmsMsg", 1},
    {kFolderOutbox, "HookWindow::OnFolderOutbox", "FolderOutboxMsg", 5},
    {kFolderSent, "HookWindow::OnFolderSent", "FolderSentMsg", 6},
    {kSmsAbout, "HookWindow::OnSmsAbout", "SmsAboutMsg", 8},
    {kSmsHelp, "HookWindow::OnSmsHelp", "SmsHelpMsg", 7},
    {kSmsOptions, "HookWindow::OnSmsOptions", "SmsOptionsMsg", 9},
    {kNewMms, "HookWindow::OnNewMms", "NewMmsMsg", 10},
};

struct CopyRow {
    std::uint32_t kind;
    int action;
};

inline constexpr CopyRow kCopyKinds[] = {
    {kCopyOpen, 2},
    {kCopyReply, 3},
    {kCopyForward, 4},
};

} // namespace hookmsg
