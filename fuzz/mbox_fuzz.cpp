// Reads a mail folder (mbox) from the fuzz input, as the stand-in mail client reads its
// folders, and checks what the reader promises: every text it gives is valid UTF-8 and a
// folder it reads, written back by WriteMbox, reads again to the same mails with no problems.
#include "FuzzCheck.h"

#include "mailclient/MboxReader.h"
#include "platform/Utf8.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

bool SameMail(const mailclient::MailItem& a, const mailclient::MailItem& b) {
    return a.from == b.from && a.to == b.to && a.subject == b.subject && a.date == b.date &&
           a.body == b.body && a.read == b.read;
}

bool AllUtf8(const mailclient::MailItem& mail) {
    return platform::IsValidUtf8(mail.from) && platform::IsValidUtf8(mail.to) &&
           platform::IsValidUtf8(mail.subject) && platform::IsValidUtf8(mail.date) &&
           platform::IsValidUtf8(mail.body);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const mailclient::MboxContents folder = mailclient::ReadMbox(fuzz::Bytes(data, size));
    for (const mailclient::MailItem& mail : folder.mails) {
        fuzz::Check(AllUtf8(mail), "every text read is UTF-8");
        fuzz::Check(mail.body.find('\r') == std::string::npos, "bodies end lines with \\n");
        (void)mailclient::SenderDisplay(mail.from);
    }
    const std::string written = mailclient::WriteMbox(folder.mails);
    const mailclient::MboxContents again = mailclient::ReadMbox(written);
    fuzz::Check(again.problems.empty(), "a written folder reads without problems");
    if (again.mails.size() != folder.mails.size()) {
        std::fprintf(stderr, "%zu mails became %zu\n", folder.mails.size(), again.mails.size());
        fuzz::Check(false, "a written folder reads back every mail");
    }
    for (std::size_t i = 0; i < again.mails.size(); ++i) {
        if (!SameMail(folder.mails[i], again.mails[i])) {
            std::fprintf(stderr, "mail %zu differs\n", i + 1);
            fuzz::Check(false, "a written folder reads back the same mails");
        }
    }
    return 0;
}
