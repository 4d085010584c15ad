#include "platform/Registry.h"
#include "platform/StringUtil.h"

#include "platform/UniqueFd.h"

#include "platform/Diagnostics.h"
#include "platform/Paths.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace platform {

namespace {

// A hive larger than this is not read (a settings hive holds a few kilobytes).
constexpr off_t kMaxHiveBytes = 64 * 1024 * 1024;

// ASCII letters lower-cased by table (paths are long; a table look-up per byte is cheaper
// than comparisons).
constexpr std::array<char, 256> kLower = [] {
    std::array<char, 256> table{};
    for (int c = 0; c < 256; ++c) {
        table[static_cast<size_t>(c)] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    return table;
}();

std::string LowerCopy(std::string_view s) {
    std::string out(s.size(), '\0');
    for (size_t i = 0; i < s.size(); ++i) {
        out[i] = kLower[static_cast<unsigned char>(s[i])];
    }
    return out;
}

// ---------------------------------------------------------------------------------------
// In-memory hive

struct Value {
    std::string name;  // spelling as first written; empty = default value
    std::string lname; // lower-case, for lookups
    RegType type = RegType::String;
    std::string text; // String: the decoded text; Other: the data after "=" as it stood
    std::uint32_t dword = 0;
};

// Keys are kept as a parent and a name, so that a deep key costs memory and look-ups in
// proportion to its own name, never to its whole path. The spelling of a key's path is the
// text of the key line that created it (a key below an existing one keeps that line's spelling
// of the keys above): the keys one line creates share that text and each keeps the length of
// its part.
constexpr size_t kNoParent = static_cast<size_t>(-1);

struct Key {
    std::shared_ptr<const std::string> spelled; // path as first written (shared)
    std::shared_ptr<const std::string> lowered; // the same, lower-case
    size_t length = 0;                          // of this key's path within `spelled`
    size_t nameStart = 0;                       // where its own name starts
    size_t parent = kNoParent;                  // kNoParent: below the root (or the root)
    size_t depth = 0;                           // key names in the path; 0 = the root key
    std::vector<Value> values;

    // Below the root, spelling as first written; empty = the root key.
    std::string_view Path() const { return std::string_view(*spelled).substr(0, length); }
    std::string_view Name() const { return Path().substr(nameStart); }
    std::string_view LowerName() const {
        return std::string_view(*lowered).substr(nameStart, length - nameStart);
    }

    const Value* Find(std::string_view lname) const {
        for (const Value& v : values) {
            if (v.lname == lname) {
                return &v;
            }
        }
        return nullptr;
    }
    Value* Find(std::string_view lname) {
        return const_cast<Value*>(static_cast<const Key*>(this)->Find(lname));
    }
};

// A key by its parent and lower-case name; the name views the key's own lowered text.
struct ChildRef {
    size_t parent;
    std::string_view lname;
    bool operator==(const ChildRef&) const = default;
};

struct ChildHash {
    size_t operator()(const ChildRef& c) const {
        return std::hash<std::string_view>{}(c.lname) ^ (c.parent * 0x9E3779B97F4A7C15ULL);
    }
};

struct Hive {
    std::vector<Key> keys; // file order; a key always comes after its parent
    std::unordered_map<ChildRef, size_t, ChildHash> index; // (parent, lower-case name) -> keys
    size_t damaged = 0;                                    // damaged lines skipped while parsing

    // The key of a lower-case path ("" = the root key), or kNoParent.
    size_t IndexOf(std::string_view lpath) const {
        if (lpath.empty()) {
            auto it = index.find(ChildRef{kNoParent, {}});
            return it == index.end() ? kNoParent : it->second;
        }
        size_t at = kNoParent;
        size_t start = 0;
        while (true) {
            size_t sep = lpath.find('\\', start);
            size_t end = sep == std::string_view::npos ? lpath.size() : sep;
            auto it = index.find(ChildRef{at, lpath.substr(start, end - start)});
            if (it == index.end()) {
                return kNoParent;
            }
            at = it->second;
            if (sep == std::string_view::npos) {
                return at;
            }
            start = sep + 1;
        }
    }
    const Key* Find(std::string_view lpath) const {
        size_t i = IndexOf(lpath);
        return i == kNoParent ? nullptr : &keys[i];
    }
    Key* Find(std::string_view lpath) {
        size_t i = IndexOf(lpath);
        return i == kNoParent ? nullptr : &keys[i];
    }
    // Adds the key (and every missing key above it, from the top down); returns it.
    Key& Ensure(const std::string& path) {
        std::string lowerText = LowerCopy(path);
        std::string_view lpath(lowerText);
        if (lpath.empty()) {
            if (Key* k = Find(lpath)) {
                return *k;
            }
            return Add(std::make_shared<const std::string>(), std::make_shared<const std::string>(),
                       0, 0, kNoParent, 0);
        }
        // Walks down while the keys exist; below the first missing one, all are missing. The
        // texts the new keys share are made only then (most key lines name an existing key).
        std::shared_ptr<const std::string> spelled;
        std::shared_ptr<const std::string> lowered;
        size_t at = kNoParent;
        size_t start = 0;
        size_t depth = 1;
        while (true) {
            size_t sep = lpath.find('\\', start);
            size_t end = sep == std::string_view::npos ? lpath.size() : sep;
            auto it = index.find(ChildRef{at, lpath.substr(start, end - start)});
            if (it != index.end()) {
                at = it->second;
            } else {
                if (!spelled) {
                    spelled = std::make_shared<const std::string>(path);
                    lowered = std::make_shared<const std::string>(std::move(lowerText));
                    lpath = *lowered;
                    MakeRoom(1 + Separators(lpath.substr(start)));
                }
                Add(spelled, lowered, end, start, at, depth);
                at = keys.size() - 1;
            }
            if (sep == std::string_view::npos) {
                return keys[at];
            }
            start = sep + 1;
            ++depth;
        }
    }
    void Reindex() {
        index.clear();
        for (size_t i = 0; i < keys.size(); ++i) {
            index.emplace(ChildRef{keys[i].parent, keys[i].LowerName()}, i);
        }
    }

private:
    static size_t Separators(std::string_view text) {
        return static_cast<size_t>(std::count(text.begin(), text.end(), '\\'));
    }
    // Room for `more` keys at once (a deep path adds hundreds), growing at least twofold so
    // that many lines adding a few keys each still cost amortised constant time.
    void MakeRoom(size_t more) {
        const size_t need = keys.size() + more;
        if (need > keys.capacity()) {
            keys.reserve(std::max(need, 2 * keys.capacity()));
        }
        if (need > static_cast<size_t>(static_cast<float>(index.bucket_count()) *
                                       index.max_load_factor())) {
            index.reserve(std::max(need, 2 * index.size()));
        }
    }
    Key& Add(std::shared_ptr<const std::string> spelled, std::shared_ptr<const std::string> lowered,
             size_t length, size_t nameStart, size_t parent, size_t depth) {
        Key k;
        k.spelled = std::move(spelled);
        k.lowered = std::move(lowered);
        k.length = length;
        k.nameStart = nameStart;
        k.parent = parent;
        k.depth = depth;
        keys.push_back(std::move(k));
        index.emplace(ChildRef{parent, keys.back().LowerName()}, keys.size() - 1);
        return keys.back();
    }
};

// Keys nest at most this deep (as in the Windows registry). Deeper paths are refused, which
// also bounds the work of adding a key with all its parents.
constexpr size_t kMaxKeyDepth = 512;

// Normalises a key path: drops one trailing "\", refuses empty key names, line breaks and
// paths deeper than kMaxKeyDepth.
bool NormalizePath(std::string_view in, std::string& out) {
    std::string_view p(in);
    if (!p.empty() && p.back() == '\\') {
        p.remove_suffix(1);
    }
    if (p.empty()) {
        out.clear();
        return true;
    }
    size_t start = 0;
    size_t depth = 1;
    while (true) {
        size_t sep = p.find('\\', start);
        size_t end = sep == std::string_view::npos ? p.size() : sep;
        if (end == start || depth > kMaxKeyDepth) {
            return false;
        }
        if (sep == std::string_view::npos) {
            break;
        }
        start = sep + 1;
        ++depth;
    }
    for (char refused : {'\n', '\r', '\0'}) {
        if (std::memchr(p.data(), refused, p.size()) != nullptr) {
            return false;
        }
    }
    out.assign(p);
    return true;
}

// ---------------------------------------------------------------------------------------
// Text form

void AppendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\0':
            out += "\\0";
            break;
        default:
            out += c;
        }
    }
}

// Reads a quoted text starting at line[pos] == '"'. On success pos is just past the closing
// quote.
bool ParseQuoted(std::string_view line, size_t& pos, std::string& out) {
    out.clear();
    size_t i = pos + 1;
    while (i < line.size()) {
        char c = line[i];
        if (c == '"') {
            pos = i + 1;
            return true;
        }
        if (c == '\\') {
            if (i + 1 >= line.size()) {
                return false;
            }
            char e = line[i + 1];
            switch (e) {
            case '\\':
                out += '\\';
                break;
            case '"':
                out += '"';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case '0':
                out += '\0';
                break;
            default:
                // Not an escape this format knows: keep both characters.
                out += '\\';
                out += e;
            }
            i += 2;
            continue;
        }
        out += c;
        ++i;
    }
    return false;
}

size_t SkipBlanks(std::string_view line, size_t pos) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) {
        ++pos;
    }
    return pos;
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

unsigned HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<unsigned>(c - '0');
    }
    return static_cast<unsigned>(LowerAscii(c) - 'a' + 10);
}

// Binary and other typed data: "hex:", "hex(N):" followed by comma-separated byte pairs.
bool IsValidOtherData(std::string_view data) {
    size_t colon = data.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    std::string_view type = data.substr(0, colon);
    if (!EqualsNoCase(type, "hex")) {
        if (type.size() < 6 || !EqualsNoCase(type.substr(0, 4), "hex(") || type.back() != ')') {
            return false;
        }
        for (char c : type.substr(4, type.size() - 5)) {
            if (!IsHexDigit(c)) {
                return false;
            }
        }
    }
    for (char c : data.substr(colon + 1)) {
        if (!(IsHexDigit(c) || c == ',' || c == ' ' || c == '\t' || c == '\\' || c == '\n' ||
              c == '\r')) {
            return false;
        }
    }
    return true;
}

class Parser {
public:
    Parser(std::string_view text, const char* rootName, const std::string& file, bool report)
        : m_text(text), m_root(rootName), m_file(file), m_report(report) {}

    Hive Run() {
        Hive hive;
        size_t pos = 0;
        size_t lineNo = 0;
        bool sawHeader = false;
        bool sawContent = false;
        Key* current = nullptr;
        size_t currentIndex = 0;
        bool skippingSection = false;
        if (m_text.size() >= 3 && m_text.substr(0, 3) == "\xEF\xBB\xBF") {
            pos = 3;
        }
        while (pos < m_text.size()) {
            size_t nl = m_text.find('\n', pos);
            size_t end = nl == std::string_view::npos ? m_text.size() : nl;
            std::string_view line = m_text.substr(pos, end - pos);
            pos = nl == std::string_view::npos ? m_text.size() : nl + 1;
            ++lineNo;
            // Binary data may continue over several lines ending in "\".
            size_t firstLine = lineNo;
            // Whether the value is binary data is seen on its first line (continuation lines
            // hold no "="), and looked for only once: the joined line grows with every line.
            enum class Other { Unknown, Yes, No } other = Other::Unknown;
            auto isOther = [&other](std::string_view first) {
                if (other == Other::Unknown) {
                    other = LooksLikeOtherValue(first) ? Other::Yes : Other::No;
                }
                return other == Other::Yes;
            };
            while (!line.empty() && line.back() != '"' && EndsWithContinuation(line) &&
                   pos < m_text.size() && isOther(line) && IsContinuationLine(NextLine(pos))) {
                size_t nl2 = m_text.find('\n', pos);
                size_t end2 = nl2 == std::string_view::npos ? m_text.size() : nl2;
                line = m_text.substr(line.data() - m_text.data(),
                                     end2 - static_cast<size_t>(line.data() - m_text.data()));
                pos = nl2 == std::string_view::npos ? m_text.size() : nl2 + 1;
                ++lineNo;
            }
            while (!line.empty() &&
                   (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
                line.remove_suffix(1);
            }
            size_t lead = SkipBlanks(line, 0);
            line.remove_prefix(lead);
            if (line.empty() || line[0] == ';') {
                continue;
            }
            if (line.find('\0') != std::string_view::npos) {
                Damaged(hive, firstLine, "a line holding a zero byte");
                continue;
            }
            if (!sawContent) {
                sawContent = true;
                if (line == "REGEDIT4") {
                    sawHeader = true;
                    continue;
                }
                Damaged(hive, firstLine, "the file does not start with REGEDIT4");
            } else if (line == "REGEDIT4" && !sawHeader) {
                sawHeader = true;
                continue;
            }
            if (line[0] == '[') {
                current = nullptr;
                skippingSection = true;
                std::string path;
                if (ParseSection(line, path)) {
                    current = &hive.Ensure(path);
                    currentIndex = static_cast<size_t>(current - hive.keys.data());
                    skippingSection = false;
                } else {
                    Damaged(hive, firstLine, "a key line that cannot be read");
                }
                continue;
            }
            if (current == nullptr) {
                if (!skippingSection) {
                    Damaged(hive, firstLine, "a value outside of any key");
                }
                // The values of an unreadable key line were reported with it.
                continue;
            }
            Value v;
            if (!ParseValue(line, v)) {
                Damaged(hive, firstLine, "a value line that cannot be read");
                continue;
            }
            if (Value* old = FindValue(*current, currentIndex, v.lname)) {
                std::string keep = std::move(old->name);
                *old = std::move(v);
                old->name = std::move(keep);
            } else {
                auto indexed = m_valueIndexes.find(currentIndex);
                if (indexed != m_valueIndexes.end()) {
                    indexed->second.emplace(v.lname, current->values.size());
                }
                current->values.push_back(std::move(v));
            }
            // Ensure may have reallocated the key table; values are added to `current` only
            // after the section line, so the pointer stays valid until the next section.
        }
        return hive;
    }

private:
    // The value of the key being read: searched through while the key has few values, looked
    // up in an index beyond (a hive may hold thousands of values in one key). A key's index
    // lives until the end of the text, so a key line that comes again costs no new index.
    Value* FindValue(Key& key, size_t keyIndex, const std::string& lname) {
        constexpr size_t kIndexFrom = 16;
        auto indexed = m_valueIndexes.find(keyIndex);
        if (indexed == m_valueIndexes.end()) {
            if (key.values.size() < kIndexFrom) {
                return key.Find(lname);
            }
            indexed = m_valueIndexes.emplace(keyIndex, ValueIndex()).first;
            for (size_t i = 0; i < key.values.size(); ++i) {
                indexed->second.emplace(key.values[i].lname, i);
            }
        }
        auto it = indexed->second.find(lname);
        return it == indexed->second.end() ? nullptr : &key.values[it->second];
    }

    static bool EndsWithContinuation(std::string_view line) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.remove_suffix(1);
        }
        return !line.empty() && line.back() == '\\';
    }
    std::string_view NextLine(size_t pos) const {
        size_t nl = m_text.find('\n', pos);
        return m_text.substr(pos, (nl == std::string_view::npos ? m_text.size() : nl) - pos);
    }
    // Only byte pairs, commas, blanks and a final "\" continue binary data.
    static bool IsContinuationLine(std::string_view line) {
        bool any = false;
        for (char c : line) {
            if (IsHexDigit(c)) {
                any = true;
            } else if (!(c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\\')) {
                return false;
            }
        }
        return any;
    }
    static bool LooksLikeOtherValue(std::string_view line) {
        size_t eq = line.find("=hex");
        if (eq == std::string_view::npos) {
            eq = line.find("=HEX");
        }
        return eq != std::string_view::npos;
    }

    bool ParseSection(std::string_view line, std::string& path) {
        if (line.size() < 2 || line.back() != ']') {
            return false;
        }
        std::string_view inner = line.substr(1, line.size() - 2);
        if (!inner.empty() && inner[0] == '-') {
            return false; // a deletion request belongs in an import script, not in a hive
        }
        std::string_view root(m_root);
        if (inner.size() < root.size() || !EqualsNoCase(inner.substr(0, root.size()), root)) {
            return false;
        }
        std::string_view rest = inner.substr(root.size());
        if (rest.empty()) {
            path.clear();
            return true;
        }
        if (rest[0] != '\\' || rest.size() == 1) {
            return false;
        }
        const std::string_view given = rest.substr(1);
        return NormalizePath(given, path) && !path.empty() && path.back() != '\\' &&
               given.back() != '\\';
    }

    static bool ParseValue(std::string_view line, Value& v) {
        size_t pos = 0;
        if (line[0] == '@') {
            v.name.clear();
            pos = 1;
        } else if (line[0] == '"') {
            if (!ParseQuoted(line, pos, v.name)) {
                return false;
            }
        } else {
            return false;
        }
        pos = SkipBlanks(line, pos);
        if (pos >= line.size() || line[pos] != '=') {
            return false;
        }
        pos = SkipBlanks(line, pos + 1);
        std::string_view data = line.substr(pos);
        v.lname = LowerCopy(v.name);
        if (!data.empty() && data[0] == '"') {
            size_t p = 0;
            if (!ParseQuoted(data, p, v.text) || SkipBlanks(data, p) != data.size()) {
                return false;
            }
            v.type = RegType::String;
            return true;
        }
        if (data.size() > 6 && EqualsNoCase(data.substr(0, 6), "dword:")) {
            std::string_view digits = data.substr(6);
            if (digits.empty() || digits.size() > 8) {
                return false;
            }
            std::uint32_t n = 0;
            for (char c : digits) {
                if (!IsHexDigit(c)) {
                    return false;
                }
                n = (n << 4) | HexValue(c);
            }
            v.type = RegType::DWord;
            v.dword = n;
            return true;
        }
        if (IsValidOtherData(data)) {
            v.type = RegType::Other;
            v.text.assign(data);
            return true;
        }
        return false;
    }

    void Damaged(Hive& hive, size_t line, const char* what) {
        ++hive.damaged;
        if (m_report) {
            ReportDiagnostic("Registry::ReadHive",
                             m_file + ", line " + std::to_string(line) + ": skipped " + what);
        }
    }

    std::string_view m_text;
    const char* m_root;
    const std::string& m_file;
    bool m_report;
    // lower-case value name -> index in its key's values, for the keys that have many
    using ValueIndex = std::unordered_map<std::string, size_t>;
    std::unordered_map<size_t, ValueIndex> m_valueIndexes; // by key
};

// Keys down to this depth get a section of their own even without values, as exported hives
// have them.
constexpr size_t kAlwaysWrittenDepth = 8;

// Whether the writer leaves out keys[i]: a deeper key without values that only leads to the
// key written right after it. Reading that key's line creates it again, at the same place and
// with the same spelling, so the text means the same; and a path nested n deep is written
// once instead of n times over (a text that would grow with the square of its depth).
bool LeftOut(const Hive& hive, size_t i) {
    const Key& k = hive.keys[i];
    if (k.depth <= kAlwaysWrittenDepth || !k.values.empty() || i + 1 >= hive.keys.size()) {
        return false;
    }
    const Key& next = hive.keys[i + 1];
    return next.parent == i &&
           (next.spelled == k.spelled || next.Path().substr(0, k.length) == k.Path());
}

std::string Serialize(const Hive& hive, const char* rootName) {
    // Room for the whole text at once (escapes at most double a text).
    const size_t rootLength = std::strlen(rootName);
    std::vector<bool> written(hive.keys.size());
    size_t room = 16;
    for (size_t i = 0; i < hive.keys.size(); ++i) {
        const Key& k = hive.keys[i];
        written[i] = !LeftOut(hive, i);
        if (written[i]) {
            room += rootLength + k.length + 6;
        }
        for (const Value& v : k.values) {
            room += 2 * (v.name.size() + v.text.size()) + 24;
        }
    }
    std::string out;
    out.reserve(room);
    out += "REGEDIT4\n\n";
    for (size_t i = 0; i < hive.keys.size(); ++i) {
        if (!written[i]) {
            continue;
        }
        const Key& k = hive.keys[i];
        out += '[';
        out += rootName;
        if (k.length != 0) {
            out += '\\';
            out += k.Path();
        }
        out += "]\n";
        auto writeValue = [&out](const Value& v) {
            if (v.name.empty()) {
                out += '@';
            } else {
                out += '"';
                AppendEscaped(out, v.name);
                out += '"';
            }
            out += '=';
            switch (v.type) {
            case RegType::DWord: {
                static const char digits[] = "0123456789abcdef";
                out += "dword:";
                for (int shift = 28; shift >= 0; shift -= 4) {
                    out += digits[(v.dword >> shift) & 0xF];
                }
                break;
            }
            case RegType::Other:
                out += v.text;
                break;
            default:
                out += '"';
                AppendEscaped(out, v.text);
                out += '"';
            }
            out += '\n';
        };
        // The default value comes first, as in every exported hive.
        if (const Value* def = k.Find("")) {
            writeValue(*def);
        }
        for (const Value& v : k.values) {
            if (!v.name.empty()) {
                writeValue(v);
            }
        }
        out += '\n';
    }
    return out;
}

// ---------------------------------------------------------------------------------------
// Files

struct FileId {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    long long mtime = 0;
    long long ctime = 0;

    bool operator==(const FileId&) const = default;
};

FileId IdOf(const struct stat& st) {
    FileId id;
    id.exists = true;
    id.dev = st.st_dev;
    id.ino = st.st_ino;
    id.size = st.st_size;
    id.mtime = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    id.ctime = static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
    return id;
}

enum class ReadResult { Ok, Missing, Failed };

// Reads the whole file through `fd`.
bool ReadAll(int fd, off_t sizeHint, std::string& out) {
    out.clear();
    out.resize(static_cast<size_t>(sizeHint) + 1);
    size_t used = 0;
    while (true) {
        if (used == out.size()) {
            if (out.size() > static_cast<size_t>(kMaxHiveBytes)) {
                return false;
            }
            out.resize(out.size() * 2 + 4096);
        }
        ssize_t n = ::read(fd, out.data() + used, out.size() - used);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            break;
        }
        used += static_cast<size_t>(n);
    }
    out.resize(used);
    return true;
}

// Opens and reads the hive. On Ok, `fdOut` (when given) keeps the file open.
ReadResult ReadHiveFile(const std::string& path, std::string& bytes, FileId& id,
                        UniqueFd* fdOut = nullptr) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        if (errno == ENOENT || errno == ENOTDIR) {
            id = FileId{};
            bytes.clear();
            return ReadResult::Missing;
        }
        return ReadResult::Failed;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxHiveBytes ||
        !ReadAll(fd.Get(), st.st_size, bytes)) {
        int saved = errno;
        fd.Reset();
        errno = saved;
        return ReadResult::Failed;
    }
    id = IdOf(st);
    if (fdOut != nullptr) {
        *fdOut = std::move(fd);
    }
    return ReadResult::Ok;
}

// Parsed hives of this process, keyed by file path. An entry is reused only while the file
// keeps its identity; the entry holds the file open so that its inode number cannot be
// handed to a newer file while the entry lives.
struct CacheEntry {
    FileId id;
    std::shared_ptr<const Hive> hive;
    UniqueFd pin;
};

std::mutex& CacheMutex() {
    static std::mutex m;
    return m;
}

std::unordered_map<std::string, CacheEntry>& Cache() {
    static auto* cache = new std::unordered_map<std::string, CacheEntry>();
    return *cache;
}

void StoreInCache(const std::string& path, const FileId& id, std::shared_ptr<const Hive> hive,
                  UniqueFd pin = UniqueFd()) {
    CacheEntry& e = Cache()[path];
    e.id = id;
    e.hive = std::move(hive);
    e.pin = std::move(pin);
}

const std::shared_ptr<const Hive>& EmptyHive() {
    static const std::shared_ptr<const Hive> empty = std::make_shared<const Hive>();
    return empty;
}

std::string HivePathOf(RegRoot root) {
    if (root == RegRoot::CurrentUser) {
        return ConfigHome() + "/Quorvane/user.reg";
    }
    return SystemConfigFolder() + "/Quorvane/system.reg";
}

// The current content of the hive of `root`.
std::shared_ptr<const Hive> Snapshot(RegRoot root) {
    std::string path = HivePathOf(root);
    struct stat st {};
    FileId now;
    if (::stat(path.c_str(), &st) == 0) {
        now = IdOf(st);
    }
    std::lock_guard<std::mutex> guard(CacheMutex());
    auto it = Cache().find(path);
    if (it != Cache().end() && it->second.id == now && it->second.hive) {
        return it->second.hive;
    }
    if (!now.exists) {
        StoreInCache(path, now, EmptyHive());
        return EmptyHive();
    }
    std::string bytes;
    FileId id;
    UniqueFd fd;
    ReadResult r = ReadHiveFile(path, bytes, id, &fd);
    if (r == ReadResult::Missing) {
        StoreInCache(path, id, EmptyHive());
        return EmptyHive();
    }
    if (r == ReadResult::Failed) {
        ReportDiagnostic("Registry::ReadHive", "cannot read " + path + ": " + std::strerror(errno));
        // Not cached: the next query tries again.
        return EmptyHive();
    }
    auto hive = std::make_shared<const Hive>(Parser(bytes, RegRootName(root), path, true).Run());
    StoreInCache(path, id, hive, std::move(fd));
    return hive;
}

// Outcome of a change applied to a hive.
enum class Change { Failed, Unchanged, Changed };

// Applies `change` to the current-user hive under the hive's lock.
template <typename F> bool ModifyHive(F&& change) {
    const std::string path = HivePathOf(RegRoot::CurrentUser);
    const std::string folder = path.substr(0, path.rfind('/'));
    if (!CreateFolder(folder)) {
        ReportDiagnostic("Registry::WriteHive",
                         "cannot create " + folder + ": " + std::strerror(errno));
        return false;
    }
    const std::string lockPath = path + ".lock";
    // Writers of every process take this lock; closing the descriptor releases it.
    UniqueFd lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!lock) {
        ReportDiagnostic("Registry::WriteHive",
                         "cannot open " + lockPath + ": " + std::strerror(errno));
        return false;
    }
    while (::flock(lock.Get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            ReportDiagnostic("Registry::WriteHive",
                             "cannot lock " + lockPath + ": " + std::strerror(errno));
            return false;
        }
    }
    bool ok = false;
    std::string bytes;
    FileId id;
    ReadResult r = ReadHiveFile(path, bytes, id);
    if (r == ReadResult::Failed) {
        // Never replace a hive that could not be read: its values would be lost.
        ReportDiagnostic("Registry::WriteHive",
                         "cannot read " + path + ", nothing written: " + std::strerror(errno));
    } else {
        Hive hive = Parser(bytes, RegRootName(RegRoot::CurrentUser), path, false).Run();
        size_t damaged = hive.damaged;
        Change c = change(hive);
        if (c == Change::Unchanged) {
            ok = true;
        } else if (c == Change::Changed) {
            hive.damaged = 0;
            std::string text = Serialize(hive, RegRootName(RegRoot::CurrentUser));
            if (damaged > 0 && !WriteFileAtomic(path + ".damaged", bytes)) {
                ReportDiagnostic("Registry::WriteHive", "cannot keep a copy of the damaged " +
                                                            path +
                                                            ", nothing "
                                                            "written");
            } else if (!WriteFileAtomic(path, text)) {
                ReportDiagnostic("Registry::WriteHive",
                                 "cannot write " + path + ": " + std::strerror(errno));
            } else {
                ok = true;
                if (damaged > 0) {
                    ReportDiagnostic("Registry::WriteHive",
                                     path + " held " + std::to_string(damaged) +
                                         " damaged line(s); its former content is kept in " + path +
                                         ".damaged");
                }
                // The file is ours until the lock is released: remember what it holds.
                UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
                struct stat st {};
                if (fd && ::fstat(fd.Get(), &st) == 0) {
                    auto snap = std::make_shared<const Hive>(std::move(hive));
                    std::lock_guard<std::mutex> guard(CacheMutex());
                    StoreInCache(path, IdOf(st), std::move(snap), std::move(fd));
                }
            }
        }
    }
    return ok;
}

} // namespace

// ---------------------------------------------------------------------------------------

std::string RegRewriteHiveText(RegRoot root, std::string_view text, std::size_t* damagedLines) {
    static const std::string kInMemory = "(hive text)";
    const Hive hive = Parser(text, RegRootName(root), kInMemory, false).Run();
    if (damagedLines != nullptr) {
        *damagedLines = hive.damaged;
    }
    return Serialize(hive, RegRootName(root));
}

std::string RegHivePath(RegRoot root) {
    return HivePathOf(root);
}

const char* RegRootName(RegRoot root) {
    return root == RegRoot::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

bool RegKey::Open(RegRoot root, const std::string& path) {
    Close();
    std::string norm;
    if (!NormalizePath(path, norm)) {
        return false;
    }
    if (!norm.empty() && Snapshot(root)->Find(LowerCopy(norm)) == nullptr) {
        return false;
    }
    m_root = root;
    m_path = std::move(norm);
    m_open = true;
    m_writable = false;
    return true;
}

bool RegKey::Create(RegRoot root, const std::string& path) {
    Close();
    std::string norm;
    if (root != RegRoot::CurrentUser || !NormalizePath(path, norm)) {
        return false;
    }
    bool exists = norm.empty() || Snapshot(root)->Find(LowerCopy(norm)) != nullptr;
    if (!exists) {
        bool ok = ModifyHive([&norm](Hive& h) {
            if (h.Find(LowerCopy(norm)) != nullptr) {
                return Change::Unchanged;
            }
            h.Ensure(norm);
            return Change::Changed;
        });
        if (!ok) {
            return false;
        }
    }
    m_root = root;
    m_path = std::move(norm);
    m_open = true;
    m_writable = true;
    return true;
}

void RegKey::Close() {
    m_open = false;
    m_writable = false;
    m_path.clear();
}

namespace {

const Value* FindValue(const Hive& hive, const std::string& path, const std::string& name) {
    const Key* k = path.empty() ? hive.Find(std::string()) : hive.Find(LowerCopy(path));
    return k == nullptr ? nullptr : k->Find(LowerCopy(name));
}

// Sets one value, creating the key when it is missing.
bool SetValue(const std::string& path, const std::string& name, RegType type,
              const std::string& text, std::uint32_t dword) {
    return ModifyHive([&](Hive& h) {
        Key& k = h.Ensure(path);
        std::string lname = LowerCopy(name);
        Value* v = k.Find(lname);
        if (v != nullptr) {
            if (v->type == type && (type == RegType::DWord ? v->dword == dword : v->text == text)) {
                return Change::Unchanged;
            }
        } else {
            k.values.push_back(Value{name, lname, type, {}, 0});
            v = &k.values.back();
        }
        v->type = type;
        v->text = type == RegType::String ? text : std::string();
        v->dword = type == RegType::DWord ? dword : 0;
        return Change::Changed;
    });
}

} // namespace

std::optional<std::uint32_t> RegKey::QueryDWORD(const std::string& name) const {
    if (!m_open) {
        return std::nullopt;
    }
    auto hive = Snapshot(m_root);
    const Value* v = FindValue(*hive, m_path, name);
    if (v == nullptr || v->type != RegType::DWord) {
        return std::nullopt;
    }
    return v->dword;
}

std::optional<std::string> RegKey::QueryString(const std::string& name) const {
    if (!m_open) {
        return std::nullopt;
    }
    auto hive = Snapshot(m_root);
    const Value* v = FindValue(*hive, m_path, name);
    if (v == nullptr || v->type != RegType::String) {
        return std::nullopt;
    }
    return v->text;
}

RegType RegKey::QueryType(const std::string& name) const {
    if (!m_open) {
        return RegType::None;
    }
    auto hive = Snapshot(m_root);
    const Value* v = FindValue(*hive, m_path, name);
    return v == nullptr ? RegType::None : v->type;
}

bool RegKey::SetDWORD(const std::string& name, std::uint32_t value) {
    if (!IsWritable()) {
        return false;
    }
    return SetValue(m_path, name, RegType::DWord, std::string(), value);
}

bool RegKey::SetString(const std::string& name, const std::string& text) {
    if (!IsWritable()) {
        return false;
    }
    return SetValue(m_path, name, RegType::String, text, 0);
}

bool RegKey::DeleteValue(const std::string& name) {
    if (!IsWritable()) {
        return false;
    }
    if (FindValue(*Snapshot(m_root), m_path, name) == nullptr) {
        return true;
    }
    const std::string& path = m_path;
    return ModifyHive([&](Hive& h) {
        Key* k = h.Find(LowerCopy(path));
        if (k == nullptr) {
            return Change::Unchanged;
        }
        std::string lname = LowerCopy(name);
        for (auto it = k->values.begin(); it != k->values.end(); ++it) {
            if (it->lname == lname) {
                k->values.erase(it);
                return Change::Changed;
            }
        }
        return Change::Unchanged;
    });
}

std::vector<std::string> RegKey::SubKeyNames() const {
    std::vector<std::string> names;
    if (!m_open) {
        return names;
    }
    auto hive = Snapshot(m_root);
    // The keys right below the root have no parent key (nor has the root key itself).
    const size_t parent = m_path.empty() ? kNoParent : hive->IndexOf(LowerCopy(m_path));
    if (!m_path.empty() && parent == kNoParent) {
        return names;
    }
    for (const Key& k : hive->keys) {
        if (k.parent == parent && k.depth > 0) {
            names.emplace_back(k.Name());
        }
    }
    return names;
}

std::vector<std::string> RegKey::ValueNames() const {
    std::vector<std::string> names;
    if (!m_open) {
        return names;
    }
    auto hive = Snapshot(m_root);
    const Key* k = hive->Find(LowerCopy(m_path));
    if (k != nullptr) {
        for (const Value& v : k->values) {
            names.push_back(v.name);
        }
    }
    return names;
}

bool RegKeyExists(RegRoot root, const std::string& path) {
    RegKey k;
    return k.Open(root, path);
}

bool RegDeleteKey(RegRoot root, const std::string& path) {
    std::string norm;
    if (root != RegRoot::CurrentUser || !NormalizePath(path, norm) || norm.empty()) {
        return false;
    }
    if (!RegKeyExists(root, norm)) {
        return true;
    }
    return ModifyHive([&norm](Hive& h) {
        const size_t target = h.IndexOf(LowerCopy(norm));
        if (target == kNoParent) {
            return Change::Unchanged;
        }
        // Parents come before their sub-keys: one pass finds the whole branch, and the keys
        // that stay move down with their parents' new places.
        std::vector<size_t> moved(h.keys.size(), kNoParent);
        size_t kept = 0;
        for (size_t i = 0; i < h.keys.size(); ++i) {
            Key& k = h.keys[i];
            const bool gone =
                i == target || (k.parent != kNoParent && moved[k.parent] == kNoParent);
            if (gone) {
                continue;
            }
            if (k.parent != kNoParent) {
                k.parent = moved[k.parent];
            }
            moved[i] = kept;
            if (kept != i) {
                h.keys[kept] = std::move(k);
            }
            ++kept;
        }
        h.keys.erase(h.keys.begin() + static_cast<std::ptrdiff_t>(kept), h.keys.end());
        h.Reindex();
        return Change::Changed;
    });
}

} // namespace platform
