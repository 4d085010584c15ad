// The mail client's command ids, declared once for its menus, its toolbar, its own command
// handling and the programs that drive it. The ids a hooked-in library relies on keep the
// values it expects: 40100 Open, 40176 to 40178 the reply commands, 40180 Forward, 40186 Mark
// as Read, 40187 Mark as Unread. Each command has the action word the client reports when it
// carries the command out itself ("event command 40100 handled-by-client open 2").
#pragma once

#include "platform/Win.h"

#include <string_view>

namespace mailclient {

enum MailCommand : win::UINT {
    kCmdOpen = 40100,
    kCmdSaveAs = 40101,
    kCmdPrint = 40102,
    kCmdProperties = 40103,
    kCmdExit = 40104,
    kCmdCopy = 40110,
    kCmdSelectAll = 40111,
    kCmdDelete = 40112,
    kCmdFind = 40113,
    kCmdCurrentView = 40120,
    kCmdColumns = 40121,
    kCmdLayout = 40122,
    kCmdGoToFolder = 40123,
    kCmdRefresh = 40124,
    kCmdSendReceive = 40130,
    kCmdAddressBook = 40131,
    kCmdMessageRules = 40132,
    kCmdOptions = 40133,
    kCmdNewMail = 40140,
    kCmdFlag = 40141,
    kCmdHelpContents = 40150,
    kCmdAbout = 40151,
    kCmdReply = 40176,
    kCmdReplyAll = 40177,
    kCmdReplyGroup = 40178,
    kCmdForward = 40180,
    kCmdMarkRead = 40186,
    kCmdMarkUnread = 40187,
};

// What a command does when the mail client carries it out.
enum class MailAction {
    Open,       // shows the selected mail in a read window and marks it read
    Reply,      // answers the selected mail (recorded)
    Forward,    // forwards the selected mail (recorded)
    MarkRead,   // marks the selected mail read
    MarkUnread, // marks the selected mail unread
    Exit,       // ends the mail client
    Record,     // only recorded
};

struct MailCommandInfo {
    win::UINT id;
    std::string_view action; // the word in the client's events
    MailAction kind;
    bool needsSelection; // greyed in the menus while no mail is selected
};

// The entry of `id`; null for an id the mail client does not know (a hooked-in library's).
const MailCommandInfo* FindMailCommand(win::UINT id);

// The control id of the main toolbar, which a hooked-in library looks for.
constexpr int kToolbarControlId = 2101;

} // namespace mailclient
