// The subclass of the mail client's list control (the "ATL:SysListView32" window of a message
// view, whose rows are mails). A mail that came in as the reply to an SMS is recognised by a
// column holding an SMS address of the current account's "ReplyEmailSenderDomain"
// (hook/MailColumnText.h). For such a mail, opening (double-click, Open), Enter,
// replying and forwarding, and the context menu, are the library's: the mail becomes an
// SmsMessage (sender = the number, recipients = the account's "UserEmail", the date column,
// the text) sent as WM_COPYDATA (identifier 0 open, 1 reply, 2 forward) through the listener
// to the program. Opening first tells the main window to mark the mail read (40186). Every
// other mail is left to the mail client untouched.
//
// The context menu of an SMS: Open (default), SMS Reply, SMS Forward, Mark as Read, Mark as
// UnRead; the chosen command goes as WM_COMMAND to the main window, whose subclass routes
// Open, Reply and Forward back here and leaves the marks to the mail client.
#pragma once

#include "hook/SubClassListener.h"
#include "hook/SubClassWindow.h"

#include <string>
#include <vector>

class SmsMessage;

class MessageViewSubClass : public SubClassWindow {
public:
    MessageViewSubClass(SubClassListener& listener, win::HWND listControl);
    ~MessageViewSubClass() override = default;

    // Each sets `handled` when the command was the library's (the selected mail is an SMS).
    void Open(bool& handled);
    void Reply(bool& handled);
    void Forward(bool& handled);

    // The commands of the mail client that the library takes for an SMS, shared by the main
    // window's subclass (which logs `logName`) and this one.
    struct CommandRoute {
        win::UINT first;
        win::UINT last;
        const char* logName;
        void (MessageViewSubClass::*action)(bool& handled);
    };
    // The route of a WM_COMMAND id, null when the library does not take it.
    static const CommandRoute* FindCommandRoute(win::UINT command);

    // Exactly one mail is selected and one of its columns is an SMS address.
    bool IsSmsSelected() const;
    // Fills `message` from the selected mail; false when not exactly one mail is selected.
    bool FillMessage(SmsMessage& message) const;

    // The longest column text read.
    static constexpr int kMaxColumnText = 1023;

protected:
    win::LRESULT WndProc(win::HWND window, win::UINT message, win::WPARAM wParam,
                         win::LPARAM lParam, bool& handled) override;

private:
    void Handle(std::uint32_t action, bool& handled);
    void OnContextMenu(win::LPARAM screenPoint, bool& handled);
    int SelectedItem() const;
    std::vector<std::string> ColumnTexts(int item) const;
    win::HWND MainWindow() const;
    static std::string ReplyDomain();

    SubClassListener& m_listener;
};
