#include "MailCommands.h"

#include <array>

namespace mailclient {

namespace {

constexpr std::array<MailCommandInfo, 28> kCommands = {{
    {kCmdOpen, "open", MailAction::Open, true},
    {kCmdSaveAs, "save-as", MailAction::Record, true},
    {kCmdPrint, "print", MailAction::Record, true},
    {kCmdProperties, "properties", MailAction::Record, true},
    {kCmdExit, "exit", MailAction::Exit, false},
    {kCmdCopy, "copy", MailAction::Record, true},
    {kCmdSelectAll, "select-all", MailAction::Record, false},
    {kCmdDelete, "delete", MailAction::Record, true},
    {kCmdFind, "find", MailAction::Record, false},
    {kCmdCurrentView, "current-view", MailAction::Record, false},
    {kCmdColumns, "columns", MailAction::Record, false},
    {kCmdLayout, "layout", MailAction::Record, false},
    {kCmdGoToFolder, "go-to-folder", MailAction::Record, false},
    {kCmdRefresh, "refresh", MailAction::Record, false},
    {kCmdSendReceive, "send-receive", MailAction::Record, false},
    {kCmdAddressBook, "address-book", MailAction::Record, false},
    {kCmdMessageRules, "message-rules", MailAction::Record, false},
    {kCmdOptions, "options", MailAction::Record, false},
    {kCmdNewMail, "new-mail", MailAction::Record, false},
    {kCmdFlag, "flag", MailAction::Record, true},
    {kCmdHelpContents, "help-contents", MailAction::Record, false},
    {kCmdAbout, "about", MailAction::Record, false},
    {kCmdReply, "reply", MailAction::Reply, true},
    {kCmdReplyAll, "reply-all", MailAction::Reply, true},
    {kCmdReplyGroup, "reply-group", MailAction::Reply, true},
    {kCmdForward, "forward", MailAction::Forward, true},
    {kCmdMarkRead, "mark-read", MailAction::MarkRead, true},
    {kCmdMarkUnread, "mark-unread", MailAction::MarkUnread, true},
}};

} // namespace

const MailCommandInfo* FindMailCommand(win::UINT id) {
    for (const MailCommandInfo& info : kCommands) {
        if (info.id == id) {
            return &info;
        }
    }
    return nullptr;
}

} // namespace mailclient
