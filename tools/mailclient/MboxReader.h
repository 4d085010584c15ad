// Reads a mail folder in the mbox format into memory: mails are separated by lines that begin
// with "From " at the start of the file or after an empty line; each mail's header lines run
// up to the first empty line (lines beginning with a blank or tab continue the header before
// them) and its body follows. ">From " lines of the body lose one ">" (the mboxrd quoting).
// From, To, Subject and Date are kept (encoded words decoded, folding undone), and the body as
// plain UTF-8 text: a text/plain body, or the first text/plain part of a multipart mail,
// decoded from quoted-printable or base64 and from its character set. A "Status" header
// holding "R" marks a mail read.
//
// WriteMbox writes mails in a form this reader gives back unchanged: every header value as
// one base64 encoded word, the body as a base64 text/plain UTF-8 part.
//
// The input is outside bytes and may be anything: the reader never fails and never reads past
// the input; what it cannot make sense of is kept as text where it can be and counted in the
// result's problems, so a damaged folder still shows every mail that can be found in it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mailclient {

struct MailItem {
    std::string from;    // the From header as written (decoded): "Name <address>" or an address
    std::string to;      // the To header
    std::string subject; // the Subject header
    std::string date;    // the Date header as written
    std::string body;    // the plain text, lines ended by "\n"
    bool read = false;   // "Status: R..." in the mail
};

struct MboxContents {
    std::vector<MailItem> mails;
    // One line for each thing the reader had to guess or skip ("mail 2: header line without a
    // colon skipped"); empty for a clean folder.
    std::vector<std::string> problems;
};

// Reads a whole mbox folder from its bytes.
MboxContents ReadMbox(std::string_view bytes);

// The mbox text of `mails`; ReadMbox reads it back to the same mails and no problems.
std::string WriteMbox(const std::vector<MailItem>& mails);

// Reads the file at `path`. False, with `error` set, when it cannot be read (a folder larger
// than 256 MiB is refused, as nobody keeps such a stand-in folder).
bool ReadMboxFile(const std::string& path, MboxContents& contents, std::string& error);

// The sender as a mail list shows it: the display name of "Name <address>", else the address
// without its angle brackets or comment.
std::string SenderDisplay(std::string_view from);

} // namespace mailclient
