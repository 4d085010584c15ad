#include "MboxReader.h"

#include "MailText.h"

#include "platform/StringUtil.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mailclient {

namespace {

constexpr std::size_t kMaxFileBytes = 256u * 1024u * 1024u;
// Multipart mails nest; deeper nesting than this is not followed (a damaged or hostile mail).
constexpr int kMaxPartDepth = 8;

// The lines of `text` without their line ends ("\n" or "\r\n").
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::size_t end = nl == std::string_view::npos ? text.size() : nl;
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        pos = nl == std::string_view::npos ? text.size() : nl + 1;
    }
    return lines;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

struct Header {
    std::string name; // lower case
    std::string value;
};

struct Entity {
    std::vector<Header> headers;
    std::vector<std::string_view> body;
};

// Splits a mail or a MIME part into its headers (folding undone: a continuation line's leading
// blanks become one blank) and its body lines.
Entity SplitEntity(const std::vector<std::string_view>& lines, std::size_t begin, std::size_t end,
                   const std::string& where, std::vector<std::string>& problems) {
    Entity entity;
    std::size_t i = begin;
    for (; i < end; ++i) {
        std::string_view line = lines[i];
        if (line.empty()) {
            ++i;
            break;
        }
        if (line[0] == ' ' || line[0] == '\t') {
            if (entity.headers.empty()) {
                problems.push_back(where + ": continuation line without a header skipped");
                continue;
            }
            entity.headers.back().value += ' ';
            entity.headers.back().value += platform::TrimView(line);
            continue;
        }
        const std::size_t colon = line.find(':');
        const std::string_view name = colon == std::string_view::npos
                                          ? std::string_view()
                                          : platform::TrimRightView(line.substr(0, colon));
        if (name.empty() || name.find(' ') != std::string_view::npos) {
            problems.push_back(where + ": header line without a name skipped");
            continue;
        }
        entity.headers.push_back(
            {platform::ToLower(name), std::string(platform::TrimView(line.substr(colon + 1)))});
    }
    entity.body.assign(lines.begin() + static_cast<std::ptrdiff_t>(i),
                       lines.begin() + static_cast<std::ptrdiff_t>(end));
    return entity;
}

const std::string* FindHeader(const Entity& entity, std::string_view name) {
    for (const Header& h : entity.headers) {
        if (h.name == name) {
            return &h.value;
        }
    }
    return nullptr;
}

struct ContentType {
    std::string type = "text/plain"; // lower case
    std::string charset;
    std::string boundary;
};

// "type/subtype; name=value; name="quoted value"".
ContentType ParseContentType(const std::string* value) {
    ContentType ct;
    if (value == nullptr) {
        return ct;
    }
    std::string_view rest = *value;
    const std::size_t semi = rest.find(';');
    const std::string type = platform::ToLower(platform::TrimView(rest.substr(0, semi)));
    if (!type.empty()) {
        ct.type = type;
    }
    rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
    while (!rest.empty()) {
        const std::size_t eq = rest.find('=');
        if (eq == std::string_view::npos) {
            break;
        }
        const std::string name = platform::ToLower(platform::TrimView(rest.substr(0, eq)));
        rest = platform::TrimLeftView(rest.substr(eq + 1));
        std::string param;
        if (!rest.empty() && rest[0] == '"') {
            std::size_t i = 1;
            for (; i < rest.size() && rest[i] != '"'; ++i) {
                if (rest[i] == '\\' && i + 1 < rest.size()) {
                    ++i;
                }
                param.push_back(rest[i]);
            }
            rest = i < rest.size() ? rest.substr(i + 1) : std::string_view();
            const std::size_t next = rest.find(';');
            rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
        } else {
            const std::size_t next = rest.find(';');
            param = platform::Trim(rest.substr(0, next));
            rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
        }
        if (name == "charset") {
            ct.charset = param;
        } else if (name == "boundary") {
            ct.boundary = param;
        }
    }
    return ct;
}

std::string JoinLines(const std::vector<std::string_view>& lines) {
    std::size_t size = 0;
    for (std::string_view line : lines) {
        size += line.size() + 1;
    }
    std::string text;
    text.reserve(size);
    for (std::string_view line : lines) {
        text.append(line);
        text.push_back('\n');
    }
    return text;
}

// The plain text of a single-part text entity.
std::string DecodeTextBody(const Entity& entity, const ContentType& ct) {
    const std::string* encodingHeader = FindHeader(entity, "content-transfer-encoding");
    const std::string encoding =
        encodingHeader == nullptr ? std::string() : platform::ToLower(*encodingHeader);
    std::string raw = JoinLines(entity.body);
    if (encoding == "quoted-printable") {
        raw = DecodeQuotedPrintable(raw);
    } else if (encoding == "base64") {
        raw = DecodeBase64(raw);
    }
    std::string text = ToUtf8(raw, ct.charset);
    // One line-end form inside the program.
    if (std::memchr(text.data(), '\r', text.size()) == nullptr) {
        return text;
    }
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                continue;
            }
            out.push_back('\n');
            continue;
        }
        out.push_back(text[i]);
    }
    return out;
}

// The first text/plain text of the entity; false when it holds none.
bool FindPlainText(const Entity& entity, int depth, const std::string& where,
                   std::vector<std::string>& problems, std::string& text) {
    const ContentType ct = ParseContentType(FindHeader(entity, "content-type"));
    if (ct.type == "text/plain") {
        text = DecodeTextBody(entity, ct);
        return true;
    }
    if (ct.type.rfind("multipart/", 0) != 0) {
        return false;
    }
    if (ct.boundary.empty() || depth >= kMaxPartDepth) {
        problems.push_back(where + ": multipart body without a usable boundary");
        return false;
    }
    const std::string open = "--" + ct.boundary;
    const std::string close = open + "--";
    const std::vector<std::string_view>& lines = entity.body;
    std::size_t partStart = std::string::npos;
    for (std::size_t i = 0; i <= lines.size(); ++i) {
        const bool atEnd = i == lines.size();
        const std::string_view line =
            atEnd ? std::string_view() : platform::TrimRightView(lines[i]);
        const bool isClose = !atEnd && line == close;
        const bool isOpen = !atEnd && line == open;
        if (!atEnd && !isClose && !isOpen) {
            continue;
        }
        if (partStart != std::string::npos) {
            Entity part = SplitEntity(lines, partStart, i, where, problems);
            if (FindPlainText(part, depth + 1, where, problems, text)) {
                return true;
            }
        }
        if (isClose || atEnd) {
            break;
        }
        partStart = i + 1;
    }
    return false;
}

std::string HeaderText(const Entity& entity, std::string_view name) {
    const std::string* value = FindHeader(entity, name);
    return value == nullptr ? std::string() : ToUtf8(DecodeEncodedWords(*value), "utf-8");
}

MailItem BuildMail(const std::vector<std::string_view>& lines, std::size_t begin, std::size_t end,
                   std::size_t number, std::vector<std::string>& problems) {
    const std::string where = "mail " + std::to_string(number);
    Entity entity = SplitEntity(lines, begin, end, where, problems);
    // mboxrd: ">From ", ">>From " ... lose one ">" (the body lines are views of the folder).
    for (std::string_view& line : entity.body) {
        std::size_t quotes = 0;
        while (quotes < line.size() && line[quotes] == '>') {
            ++quotes;
        }
        if (quotes > 0 && StartsWith(line.substr(quotes), "From ")) {
            line.remove_prefix(1);
        }
    }

    MailItem mail;
    mail.from = HeaderText(entity, "from");
    mail.to = HeaderText(entity, "to");
    mail.subject = HeaderText(entity, "subject");
    mail.date = HeaderText(entity, "date");
    const std::string status = HeaderText(entity, "status");
    mail.read = status.find('R') != std::string::npos;
    if (entity.headers.empty()) {
        problems.push_back(where + ": no headers");
    }
    std::string text;
    if (FindPlainText(entity, 0, where, problems, text)) {
        mail.body = std::move(text);
    }
    return mail;
}

} // namespace

MboxContents ReadMbox(std::string_view bytes) {
    MboxContents contents;
    if (bytes.find('\0') != std::string_view::npos) {
        contents.problems.push_back("the folder holds zero bytes");
    }
    const std::vector<std::string_view> lines = SplitLines(bytes);
    // Separator lines: "From " at the start or after an empty line.
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (StartsWith(lines[i], "From ") && (i == 0 || lines[i - 1].empty())) {
            starts.push_back(i);
        }
    }
    // Text before the first separator: a folder that is one bare mail, or damage at the start.
    std::size_t firstText = 0;
    while (firstText < lines.size() && lines[firstText].empty()) {
        ++firstText;
    }
    const std::size_t firstStart = starts.empty() ? lines.size() : starts.front();
    if (firstText < firstStart) {
        contents.problems.push_back("text before the first \"From \" line read as a mail");
        const std::size_t end = firstStart < lines.size() ? firstStart - 1 : firstStart;
        contents.mails.push_back(BuildMail(lines, firstText, end, 1, contents.problems));
    }
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const std::size_t begin = starts[k] + 1;
        std::size_t end = k + 1 < starts.size() ? starts[k + 1] : lines.size();
        // The empty line before the next separator belongs to the separator.
        if (end > begin && lines[end - 1].empty()) {
            --end;
        }
        contents.mails.push_back(
            BuildMail(lines, begin, end, contents.mails.size() + 1, contents.problems));
    }
    return contents;
}

namespace {

constexpr std::size_t kBase64LineWidth = 76;

// "Name: =?utf-8?B?...?=" for a non-empty value; an empty one is left out, as the reader
// gives an empty text for a missing header.
void AppendHeader(std::string_view name, std::string_view value, std::string& out) {
    if (value.empty()) {
        return;
    }
    out.append(name);
    out.append(": =?utf-8?B?");
    out.append(EncodeBase64(value));
    out.append("?=\n");
}

} // namespace

std::string WriteMbox(const std::vector<MailItem>& mails) {
    std::string out;
    for (const MailItem& mail : mails) {
        out.append("From tidewell@localhost Thu Jan  1 00:00:00 1970\n");
        AppendHeader("From", mail.from, out);
        AppendHeader("To", mail.to, out);
        AppendHeader("Subject", mail.subject, out);
        AppendHeader("Date", mail.date, out);
        if (mail.read) {
            out.append("Status: RO\n");
        }
        // Always there, so that no mail is without headers.
        out.append("Content-Type: text/plain; charset=utf-8\n"
                   "Content-Transfer-Encoding: base64\n\n");
        // Base64 lines never begin with "From " and hold no line end of the text.
        const std::string body = EncodeBase64(mail.body);
        for (std::size_t pos = 0; pos < body.size(); pos += kBase64LineWidth) {
            out.append(std::string_view(body).substr(pos, kBase64LineWidth));
            out.push_back('\n');
        }
        out.push_back('\n');
    }
    return out;
}

bool ReadMboxFile(const std::string& path, MboxContents& contents, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    std::string bytes;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!ok) {
        error = path + " is not a file";
    } else if (static_cast<std::size_t>(st.st_size) > kMaxFileBytes) {
        error = path + " is larger than 256 MiB";
        ok = false;
    }
    char buffer[65536];
    while (ok) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            error = "cannot read " + path + ": " + std::strerror(errno);
            ok = false;
            break;
        }
        if (n == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > kMaxFileBytes) {
            error = path + " is larger than 256 MiB";
            ok = false;
        }
    }
    ::close(fd);
    if (ok) {
        contents = ReadMbox(bytes);
    }
    return ok;
}

std::string SenderDisplay(std::string_view from) {
    std::string_view text = platform::TrimView(from);
    const std::size_t lt = text.rfind('<');
    const std::size_t gt = lt == std::string_view::npos ? lt : text.find('>', lt);
    if (lt != std::string_view::npos && gt != std::string_view::npos) {
        std::string_view name = platform::TrimView(text.substr(0, lt));
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
            name = platform::TrimView(name.substr(1, name.size() - 2));
        }
        if (!name.empty()) {
            return std::string(name);
        }
        return platform::Trim(text.substr(lt + 1, gt - lt - 1));
    }
    // "address (Name)": the address.
    const std::size_t paren = text.find('(');
    return platform::Trim(text.substr(0, paren));
}

} // namespace mailclient
