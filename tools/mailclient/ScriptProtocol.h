// The line protocol that drives the stand-in mail client, declared once for the program and
// for the programs that drive it (tests, scripts).
//
// Every command is one line of fields separated by blanks; a field holding blanks, quotes or
// nothing is written in double quotes, with "\\", "\"", "\n" and "\t" escaped. The client
// answers every command with exactly one line that begins with "ok" or "error", in the order
// the commands came. A list answer holds its records after "|" fields:
//   ok 2 | 40100 "&Open" enabled | 0 "" separator
// Between answers the client writes event lines, which begin with "event", for everything it
// does on its own account (so a driver can tell a command the mail client carried out from
// one that a hooked-in library took before it arrived):
//   event command <id> handled-by-client <action> [<row>]
//   event read-window <row> "<subject>"
//   event row <row> read|unread
//   event popup <n> | <id> "<text>" ...      (a context menu is about to be tracked)
//   event view-created <hwnd> / event toolbar-created <hwnd> <images>
// The first line the client writes is "ready <main window>".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mailclient {

// One field as the protocol writes it: as it stands when it needs no quotes, else quoted.
std::string QuoteField(std::string_view text);

// Splits a line into its fields, undoing the quoting. An unterminated quote runs to the end
// of the line.
std::vector<std::string> SplitFields(std::string_view line);

// The records of a list answer or event: the fields between unquoted "|" fields (what comes
// before the first one, "ok <count>", is not part of any record).
std::vector<std::vector<std::string>> SplitRecords(std::string_view line);

// A command of the protocol: its word, its arguments as the help shows them, and how many
// arguments it takes.
struct ScriptCommandInfo {
    std::string_view word;
    std::string_view usage;
    std::size_t minArgs = 0;
    std::size_t maxArgs = 0;
    std::string_view help;
};

// Words the events carry for the mail client's own commands.
constexpr std::string_view kEventPrefix = "event";
constexpr std::string_view kHandledByClient = "handled-by-client";

} // namespace mailclient
