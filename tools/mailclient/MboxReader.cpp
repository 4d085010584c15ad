#include "MboxReader.h"

#include "MailText.h"

#include "platform/StringUtil.h"

#include <array>
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

using Lines = std::vector<std::string_view>;

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The lines of `text` without their line ends ("\n" or "\r\n"), into `lines` (reserved once),
// and the indexes of the separator lines into `starts`: "From " at the start or after an
// empty line.
void SplitLines(std::string_view text, Lines& lines, std::vector<std::size_t>& starts) {
    std::size_t count = 1;
    for (const char* p = text.data(); p != nullptr;) {
        const std::size_t left = text.size() - static_cast<std::size_t>(p - text.data());
        p = static_cast<const char*>(std::memchr(p, '\n', left));
        if (p != nullptr) {
            ++count;
            ++p;
        }
    }
    lines.reserve(count);
    bool afterEmpty = true;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::size_t end = nl == std::string_view::npos ? text.size() : nl;
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (afterEmpty && !line.empty() && line[0] == 'F' && StartsWith(line, "From ")) {
            starts.push_back(lines.size());
        }
        afterEmpty = line.empty();
        lines.push_back(line);
        pos = nl == std::string_view::npos ? text.size() : nl + 1;
    }
}

// Adds a line to a folder's problems. A damaged folder has many: room for several at the
// first.
void AddProblem(std::vector<std::string>& problems, std::string line) {
    if (problems.capacity() == 0) {
        problems.reserve(8);
    }
    problems.push_back(std::move(line));
}

// The headers the reader uses, by their place in kHeaderNames; other headers are only checked
// for their form.
enum HeaderSlot : std::size_t {
    kFrom,
    kTo,
    kSubject,
    kDate,
    kStatus,
    kContentType,
    kTransferEncoding,
    kHeaderCount,
    kNoHeader = kHeaderCount
};

constexpr std::array<std::string_view, kHeaderCount> kHeaderNames = {
    "from", "to", "subject", "date", "status", "content-type", "content-transfer-encoding"};

std::size_t HeaderSlotOf(std::string_view name) {
    for (std::size_t slot = 0; slot < kHeaderCount; ++slot) {
        if (platform::EqualsNoCase(name, kHeaderNames[slot])) {
            return slot;
        }
    }
    return kNoHeader;
}

// The first value of one header: a view of the folder when it is one line, a string of its
// own once a continuation line is joined to it.
struct HeaderValue {
    bool present = false;
    bool folded = false;
    std::string_view line;
    std::string joined;

    std::string_view Text() const { return folded ? std::string_view(joined) : line; }
};

// A mail or a MIME part: the headers the reader uses, and its body as a range of the folder's
// line table.
struct Entity {
    std::array<HeaderValue, kHeaderCount> headers;
    bool anyHeader = false;
    std::size_t bodyBegin = 0;
    std::size_t bodyEnd = 0;

    const HeaderValue* Find(std::size_t slot) const {
        return headers[slot].present ? &headers[slot] : nullptr;
    }
};

// The buffers of reading a folder: its line table, and the joined and decoded lines of an
// encoded body. Each thread keeps its own from one read to the next, so that a read allocates
// only for what it returns; those grown by a large folder are let go after it.
struct FolderBuffers {
    static constexpr std::size_t kKeptLines = 1u << 16;
    static constexpr std::size_t kKeptBytes = 1u << 20;

    Lines lines;
    std::vector<std::size_t> starts;
    std::string joined;
    std::string decoded;

    void Trim() {
        lines.clear();
        starts.clear();
        if (lines.capacity() > kKeptLines) {
            Lines().swap(lines);
        }
        if (starts.capacity() > kKeptLines) {
            std::vector<std::size_t>().swap(starts);
        }
        for (std::string* text : {&joined, &decoded}) {
            text->clear();
            if (text->capacity() > kKeptBytes) {
                std::string().swap(*text);
            }
        }
    }
};

thread_local FolderBuffers t_buffers;

// What reading one folder shares: the buffers, and the problem list with the number of the
// mail being read (its "mail N" is only made for a problem).
struct FolderState {
    FolderBuffers& buffers;
    Lines& lines;
    std::vector<std::string>& problems;
    std::size_t mailNumber = 0;

    void Problem(std::string_view what) {
        std::string line = "mail " + std::to_string(mailNumber);
        line.append(what);
        AddProblem(problems, std::move(line));
    }
};

// Splits a mail or a MIME part into its headers (folding undone: a continuation line's leading
// blanks become one blank) and its body lines.
void SplitEntity(FolderState& state, std::size_t begin, std::size_t end, Entity& entity) {
    // The header the next continuation line belongs to; kNoHeader for one the reader does not
    // keep (or a repeated one: the first value counts).
    std::size_t current = kNoHeader;
    std::size_t i = begin;
    for (; i < end; ++i) {
        const std::string_view line = state.lines[i];
        if (line.empty()) {
            ++i;
            break;
        }
        if (line[0] == ' ' || line[0] == '\t') {
            if (!entity.anyHeader) {
                state.Problem(": continuation line without a header skipped");
                continue;
            }
            if (current != kNoHeader) {
                HeaderValue& value = entity.headers[current];
                if (!value.folded) {
                    value.joined.assign(value.line);
                    value.folded = true;
                }
                value.joined.push_back(' ');
                value.joined.append(platform::TrimView(line));
            }
            continue;
        }
        const std::size_t colon = line.find(':');
        const std::string_view name = colon == std::string_view::npos
                                          ? std::string_view()
                                          : platform::TrimRightView(line.substr(0, colon));
        if (name.empty() || name.find(' ') != std::string_view::npos) {
            state.Problem(": header line without a name skipped");
            continue;
        }
        entity.anyHeader = true;
        current = HeaderSlotOf(name);
        if (current != kNoHeader && entity.headers[current].present) {
            current = kNoHeader;
        }
        if (current != kNoHeader) {
            HeaderValue& value = entity.headers[current];
            value.present = true;
            value.line = platform::TrimView(line.substr(colon + 1));
        }
    }
    entity.bodyBegin = i < end ? i : end;
    entity.bodyEnd = end;
}

// A Content-Type header's type (lower case or not: compared without case) and the parameters
// the reader uses, as views of the header or of the unescaped copies kept here.
struct ContentType {
    std::string_view type = "text/plain";
    std::string_view charset;
    std::string_view boundary;
    std::string unescapedCharset;
    std::string unescapedBoundary;

    ContentType() = default;
    ContentType(const ContentType&) = delete;
    ContentType& operator=(const ContentType&) = delete;

    bool IsTextPlain() const { return platform::EqualsNoCase(type, "text/plain"); }
    bool IsMultipart() const {
        constexpr std::string_view kPrefix = "multipart/";
        return type.size() >= kPrefix.size() &&
               platform::EqualsNoCase(type.substr(0, kPrefix.size()), kPrefix);
    }
};

// A quoted parameter value from its opening quote: the text up to the closing quote (or the
// end) with backslash escapes undone, and the rest after it. A value without escapes is a view;
// one with escapes is written into `unescaped`.
std::string_view QuotedValue(std::string_view& rest, std::string& unescaped) {
    std::size_t i = 1;
    bool escaped = false;
    for (; i < rest.size() && rest[i] != '"'; ++i) {
        if (rest[i] == '\\' && i + 1 < rest.size()) {
            ++i;
            escaped = true;
        }
    }
    std::string_view value = rest.substr(1, i - 1);
    if (escaped) {
        unescaped.clear();
        for (std::size_t k = 0; k < value.size(); ++k) {
            if (value[k] == '\\' && k + 1 < value.size()) {
                ++k;
            }
            unescaped.push_back(value[k]);
        }
        value = unescaped;
    }
    rest = i < rest.size() ? rest.substr(i + 1) : std::string_view();
    return value;
}

// "type/subtype; name=value; name="quoted value"".
void ParseContentType(const HeaderValue* header, ContentType& ct) {
    if (header == nullptr) {
        return;
    }
    std::string_view rest = header->Text();
    const std::size_t semi = rest.find(';');
    const std::string_view type = platform::TrimView(rest.substr(0, semi));
    if (!type.empty()) {
        ct.type = type;
    }
    rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
    std::string ignored;
    while (!rest.empty()) {
        const std::size_t eq = rest.find('=');
        if (eq == std::string_view::npos) {
            break;
        }
        const std::string_view name = platform::TrimView(rest.substr(0, eq));
        const bool isCharset = platform::EqualsNoCase(name, "charset");
        const bool isBoundary = platform::EqualsNoCase(name, "boundary");
        rest = platform::TrimLeftView(rest.substr(eq + 1));
        std::string_view param;
        if (!rest.empty() && rest[0] == '"') {
            param = QuotedValue(rest, isCharset    ? ct.unescapedCharset
                                      : isBoundary ? ct.unescapedBoundary
                                                   : ignored);
            const std::size_t next = rest.find(';');
            rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
        } else {
            const std::size_t next = rest.find(';');
            param = platform::TrimView(rest.substr(0, next));
            rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
        }
        if (isCharset) {
            ct.charset = param;
        } else if (isBoundary) {
            ct.boundary = param;
        }
    }
}

// Makes "\n" the only line end of `text`: "\r\n" and a lone "\r" become "\n" (in place).
void NormaliseLineEnds(std::string& text) {
    const void* cr = std::memchr(text.data(), '\r', text.size());
    if (cr == nullptr) {
        return;
    }
    std::size_t out = static_cast<std::size_t>(static_cast<const char*>(cr) - text.data());
    for (std::size_t i = out; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                continue;
            }
            text[out++] = '\n';
            continue;
        }
        text[out++] = text[i];
    }
    text.resize(out);
}

// Appends the lines [begin, end) of the table to `out`, each ended by "\n".
void JoinLines(const Lines& lines, std::size_t begin, std::size_t end, std::string& out) {
    std::size_t size = out.size();
    for (std::size_t i = begin; i < end; ++i) {
        size += lines[i].size() + 1;
    }
    out.reserve(size);
    for (std::size_t i = begin; i < end; ++i) {
        out.append(lines[i]);
        out.push_back('\n');
    }
}

// The plain text of a single-part text entity, into `text` (empty before).
void DecodeTextBody(FolderState& state, const Entity& entity, const ContentType& ct,
                    std::string& text) {
    const HeaderValue* encodingHeader = entity.Find(kTransferEncoding);
    const std::string_view encoding =
        encodingHeader == nullptr ? std::string_view() : encodingHeader->Text();
    const bool quotedPrintable = platform::EqualsNoCase(encoding, "quoted-printable");
    const bool base64 = platform::EqualsNoCase(encoding, "base64");
    std::string& joined = state.buffers.joined;
    joined.clear();
    JoinLines(state.lines, entity.bodyBegin, entity.bodyEnd, joined);
    std::string_view raw = joined;
    if (quotedPrintable || base64) {
        std::string& decoded = state.buffers.decoded;
        decoded.clear();
        if (quotedPrintable) {
            AppendQuotedPrintable(decoded, joined);
        } else {
            AppendDecodedBase64(decoded, joined);
        }
        raw = decoded;
    }
    AppendToUtf8(text, raw, ct.charset);
    // One line-end form inside the program.
    NormaliseLineEnds(text);
}

// Whether `line` is a delimiter of the parts with `boundary`: "--boundary" opens a part,
// "--boundary--" closes the last one (trailing blanks allowed).
bool IsDelimiter(std::string_view line, std::string_view boundary, bool& close) {
    line = platform::TrimRightView(line);
    if (line.size() < boundary.size() + 2 || !StartsWith(line, "--") ||
        line.substr(2, boundary.size()) != boundary) {
        return false;
    }
    const std::string_view rest = line.substr(boundary.size() + 2);
    close = rest == "--";
    return close || rest.empty();
}

// The first text/plain text of the entity; false when it holds none.
bool FindPlainText(FolderState& state, const Entity& entity, int depth, std::string& text) {
    ContentType ct;
    ParseContentType(entity.Find(kContentType), ct);
    if (ct.IsTextPlain()) {
        DecodeTextBody(state, entity, ct, text);
        return true;
    }
    if (!ct.IsMultipart()) {
        return false;
    }
    if (ct.boundary.empty() || depth >= kMaxPartDepth) {
        state.Problem(": multipart body without a usable boundary");
        return false;
    }
    std::size_t partStart = std::string::npos;
    for (std::size_t i = entity.bodyBegin; i <= entity.bodyEnd; ++i) {
        const bool atEnd = i == entity.bodyEnd;
        bool isClose = false;
        if (!atEnd && !IsDelimiter(state.lines[i], ct.boundary, isClose)) {
            continue;
        }
        if (partStart != std::string::npos) {
            Entity part;
            SplitEntity(state, partStart, i, part);
            if (FindPlainText(state, part, depth + 1, text)) {
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

// A header's text: encoded words decoded, as UTF-8; empty for a missing header.
void HeaderText(const Entity& entity, std::size_t slot, std::string& text) {
    const HeaderValue* header = entity.Find(slot);
    if (header == nullptr) {
        return;
    }
    const std::string_view value = header->Text();
    if (value.find("=?") == std::string_view::npos) {
        AppendToUtf8(text, value, "utf-8");
        return;
    }
    AppendEncodedWords(text, value);
    ConvertToUtf8From(text, 0, "utf-8");
}

// "Status: R..." (after decoding, as the other headers): the mail has been read. UTF-8
// repair never adds or removes an ASCII letter, so a plain value is searched as it stands.
bool IsRead(const Entity& entity) {
    const HeaderValue* header = entity.Find(kStatus);
    if (header == nullptr) {
        return false;
    }
    const std::string_view value = header->Text();
    if (value.find("=?") == std::string_view::npos) {
        return value.find('R') != std::string_view::npos;
    }
    std::string text;
    HeaderText(entity, kStatus, text);
    return text.find('R') != std::string::npos;
}

void BuildMail(FolderState& state, std::size_t begin, std::size_t end, MailItem& mail) {
    Entity entity;
    SplitEntity(state, begin, end, entity);
    // mboxrd: ">From ", ">>From " ... lose one ">" (the lines are views of the folder; each
    // line belongs to one mail only, so the table is changed in place).
    for (std::size_t i = entity.bodyBegin; i < entity.bodyEnd; ++i) {
        std::string_view& line = state.lines[i];
        if (line.empty() || line[0] != '>') {
            continue;
        }
        std::size_t quotes = 1;
        while (quotes < line.size() && line[quotes] == '>') {
            ++quotes;
        }
        if (StartsWith(line.substr(quotes), "From ")) {
            line.remove_prefix(1);
        }
    }

    HeaderText(entity, kFrom, mail.from);
    HeaderText(entity, kTo, mail.to);
    HeaderText(entity, kSubject, mail.subject);
    HeaderText(entity, kDate, mail.date);
    mail.read = IsRead(entity);
    if (!entity.anyHeader) {
        state.Problem(": no headers");
    }
    FindPlainText(state, entity, 0, mail.body);
}

} // namespace

MboxContents ReadMbox(std::string_view bytes) {
    MboxContents contents;
    if (std::memchr(bytes.data(), '\0', bytes.size()) != nullptr) {
        AddProblem(contents.problems, "the folder holds zero bytes");
    }
    FolderBuffers& buffers = t_buffers;
    buffers.Trim();
    FolderState state{buffers, buffers.lines, contents.problems};
    const std::vector<std::size_t>& starts = buffers.starts;
    SplitLines(bytes, buffers.lines, buffers.starts);
    const Lines& lines = state.lines;
    // Text before the first separator: a folder that is one bare mail, or damage at the start.
    std::size_t firstText = 0;
    while (firstText < lines.size() && lines[firstText].empty()) {
        ++firstText;
    }
    const std::size_t firstStart = starts.empty() ? lines.size() : starts.front();
    const bool bareMail = firstText < firstStart;
    contents.mails.reserve(starts.size() + (bareMail ? 1 : 0));
    if (bareMail) {
        AddProblem(contents.problems, "text before the first \"From \" line read as a mail");
        const std::size_t end = firstStart < lines.size() ? firstStart - 1 : firstStart;
        state.mailNumber = 1;
        BuildMail(state, firstText, end, contents.mails.emplace_back());
    }
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const std::size_t begin = starts[k] + 1;
        std::size_t end = k + 1 < starts.size() ? starts[k + 1] : lines.size();
        // The empty line before the next separator belongs to the separator.
        if (end > begin && lines[end - 1].empty()) {
            --end;
        }
        state.mailNumber = contents.mails.size() + 1;
        BuildMail(state, begin, end, contents.mails.emplace_back());
    }
    buffers.Trim();
    return contents;
}

namespace {

// Base64 body lines of 76 characters: 57 bytes of the text each.
constexpr std::size_t kBase64LineBytes = 57;
constexpr std::string_view kSeparator = "From tidewell@localhost Thu Jan  1 00:00:00 1970\n";
constexpr std::string_view kBodyHeaders = "Content-Type: text/plain; charset=utf-8\n"
                                          "Content-Transfer-Encoding: base64\n\n";

std::size_t Base64Size(std::size_t bytes) {
    return (bytes + 2) / 3 * 4;
}

// "Name: =?utf-8?B?...?=" for a non-empty value; an empty one is left out, as the reader
// gives an empty text for a missing header.
void AppendHeader(std::string_view name, std::string_view value, std::string& out) {
    if (value.empty()) {
        return;
    }
    out.append(name);
    out.append(": =?utf-8?B?");
    AppendBase64(out, value);
    out.append("?=\n");
}

// The size WriteMbox gives `mail` (at most: the headers left out are counted).
std::size_t WrittenSize(const MailItem& mail) {
    constexpr std::size_t kHeaderFrame = 32; // name, ": =?utf-8?B?", "?=\n"
    std::size_t size = kSeparator.size() + kBodyHeaders.size() + 16 + 1;
    for (const std::string* value : {&mail.from, &mail.to, &mail.subject, &mail.date}) {
        size += kHeaderFrame + Base64Size(value->size());
    }
    size += Base64Size(mail.body.size()) + mail.body.size() / kBase64LineBytes + 1;
    return size;
}

} // namespace

std::string WriteMbox(const std::vector<MailItem>& mails) {
    std::size_t size = 0;
    for (const MailItem& mail : mails) {
        size += WrittenSize(mail);
    }
    std::string out;
    out.reserve(size);
    for (const MailItem& mail : mails) {
        out.append(kSeparator);
        AppendHeader("From", mail.from, out);
        AppendHeader("To", mail.to, out);
        AppendHeader("Subject", mail.subject, out);
        AppendHeader("Date", mail.date, out);
        if (mail.read) {
            out.append("Status: RO\n");
        }
        // Always there, so that no mail is without headers.
        out.append(kBodyHeaders);
        // Base64 lines never begin with "From " and hold no line end of the text. A line of
        // whole groups of three bytes is the same text as the one long encoding cut there.
        const std::string_view body = mail.body;
        for (std::size_t pos = 0; pos < body.size(); pos += kBase64LineBytes) {
            AppendBase64(out, body.substr(pos, kBase64LineBytes));
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
