#include "compose/CVCardBook.h"

#include "compose/CTextFold.h"
#include "compose/CVCardReader.h"
#include "compose/CVCardWriter.h"
#include "log/LogManager.h"
#include "messages/CArchiveReader.h"
#include "platform/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view kUrnUuid = "urn:uuid:";
constexpr std::string_view kMailto = "mailto:";

bool StartsWithAsciiNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           CTextFold::EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string_view StripUrnUuid(std::string_view id) {
    id = CTextFold::Trim(id);
    if (StartsWithAsciiNoCase(id, kUrnUuid)) {
        id.remove_prefix(kUrnUuid.size());
    }
    return id;
}

// Key of an entry id in the lookup tables.
std::string IdKey(std::string_view id) {
    return CTextFold::Fold(StripUrnUuid(id));
}

bool HasVcfExtension(const std::string& name) {
    return name.size() > 4 &&
           CTextFold::EqualsNoCase(std::string_view(name).substr(name.size() - 4), ".vcf");
}

struct FileIdentity {
    bool exists = false;
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
};

FileIdentity Identify(const std::string& path) {
    FileIdentity identity;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        identity.exists = true;
        identity.size = static_cast<std::uint64_t>(st.st_size);
        identity.mtimeNs =
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    }
    return identity;
}

// A file name for a new card in a folder book: its UID with anything unsafe replaced.
std::string FileNameFor(const std::string& uid) {
    std::string name;
    for (const char c : StripUrnUuid(uid)) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        name.push_back(safe ? c : '_');
    }
    if (name.empty() || name.front() == '.') {
        name.insert(0, "card");
    }
    return name + ".vcf";
}

const char* const kLoad = "CVCardBook::Load";
const char* const kSave = "CVCardBook::Save";

} // namespace

void CVCardBook::Clear() {
    m_cards.clear();
    m_fileOf.clear();
    m_gapBefore.clear();
    m_files.clear();
    m_ids.clear();
    m_byId.clear();
    m_byEmail.clear();
    m_damagedCards = 0;
}

void CVCardBook::CreateEmpty(const std::string& path) {
    Clear();
    m_path = path;
    std::error_code ec;
    m_folder = (!path.empty() && path.back() == '/') || std::filesystem::is_directory(path, ec);
    if (!m_folder) {
        SourceFile file;
        file.path = path;
        m_files.push_back(file);
    }
}

CVCardBook::LoadResult CVCardBook::Load(const std::string& path) {
    CreateEmpty(path);
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) {
        if (ec && ec != std::errc::no_such_file_or_directory) {
            Log(kLoad, "Cannot read the address book \"" + path + "\": " + ec.message(),
                LOG_CAT_WAB, LOG_SEV_ERROR);
            return LoadResult::Unreadable;
        }
        return LoadResult::Missing;
    }
    LoadResult result = LoadResult::Ok;
    if (std::filesystem::is_directory(status)) {
        m_folder = true;
        m_files.clear();
        std::vector<std::string> names;
        std::filesystem::directory_iterator it(path, ec);
        if (ec) {
            Log(kLoad, "Cannot read the address book folder \"" + path + "\": " + ec.message(),
                LOG_CAT_WAB, LOG_SEV_ERROR);
            Clear();
            return LoadResult::Unreadable;
        }
        for (const auto& entry : it) {
            const std::string name = entry.path().filename().string();
            std::error_code typeError;
            if (HasVcfExtension(name) && entry.is_regular_file(typeError)) {
                names.push_back(name);
            }
        }
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            LoadResult fileResult = LoadResult::Ok;
            LoadFile((std::filesystem::path(path) / name).string(), true, fileResult);
        }
    } else {
        m_files.clear();
        if (!LoadFile(path, true, result)) {
            Clear();
            m_path = path;
            return result;
        }
    }
    RebuildIndex();
    return result;
}

bool CVCardBook::LoadFile(const std::string& path, bool reportMissing, LoadResult& result) {
    const FileIdentity identity = Identify(path);
    std::string bytes;
    if (CArchiveReader::LoadFile(path, bytes) != CArchiveReader::LoadResult::Ok) {
        const int error = errno;
        if (reportMissing || error != ENOENT) {
            Log(kLoad,
                "Cannot read the address book file \"" + path + "\": " + std::strerror(error),
                LOG_CAT_WAB, LOG_SEV_ERROR);
        }
        result = error == ENOENT ? LoadResult::Missing : LoadResult::Unreadable;
        return false;
    }
    std::vector<CVCard> cards;
    std::vector<CVCardReader::Damage> damage;
    std::vector<std::string> gaps;
    CVCardReader::Parse(bytes, cards, damage, &gaps);
    for (const CVCardReader::Damage& item : damage) {
        Log(kLoad,
            "Damaged card skipped in \"" + path + "\" at line " + std::to_string(item.line) + ": " +
                item.reason,
            LOG_CAT_WAB, LOG_SEV_ERROR);
    }
    m_damagedCards += damage.size();
    if (cards.empty() && !CTextFold::Trim(bytes).empty()) {
        Log(kLoad, "No readable card in \"" + path + "\"", LOG_CAT_WAB, LOG_SEV_ERROR);
        result = LoadResult::NotAddressBook;
        if (!m_folder) {
            return false;
        }
    }
    SourceFile file;
    file.path = path;
    file.existed = identity.exists;
    file.size = identity.size;
    file.mtimeNs = identity.mtimeNs;
    file.trailing = gaps.empty() ? std::string() : std::move(gaps.back());
    const std::size_t fileIndex = m_files.size();
    m_files.push_back(std::move(file));
    for (std::size_t i = 0; i < cards.size(); ++i) {
        m_cards.push_back(std::move(cards[i]));
        m_fileOf.push_back(fileIndex);
        m_gapBefore.push_back(i < gaps.size() ? std::move(gaps[i]) : std::string());
    }
    result = LoadResult::Ok;
    return true;
}

void CVCardBook::RebuildIndex() {
    m_ids.clear();
    m_byId.clear();
    m_byEmail.clear();
    m_ids.reserve(m_cards.size());
    m_byId.reserve(m_cards.size() * 2);
    for (std::size_t i = 0; i < m_cards.size(); ++i) {
        std::string id = m_cards[i].EntryId();
        std::string key = IdKey(id);
        if (m_byId.count(key) != 0) {
            // Two cards with one identifier: the later ones get a suffix, in file order.
            for (int n = 2;; ++n) {
                std::string candidate = id + "-" + std::to_string(n);
                std::string candidateKey = IdKey(candidate);
                if (m_byId.count(candidateKey) == 0) {
                    id = std::move(candidate);
                    key = std::move(candidateKey);
                    break;
                }
            }
        }
        m_byId.emplace(std::move(key), i);
        m_ids.push_back(std::move(id));
        for (const std::string& email : m_cards[i].Emails()) {
            m_byEmail.emplace(CTextFold::Fold(email), i);
        }
    }
}

int CVCardBook::IndexOf(std::string_view entryId) const {
    const auto it = m_byId.find(IdKey(entryId));
    return it == m_byId.end() ? -1 : static_cast<int>(it->second);
}

int CVCardBook::ResolveMember(std::string_view uri) const {
    uri = CTextFold::Trim(uri);
    if (StartsWithAsciiNoCase(uri, kMailto)) {
        const auto it = m_byEmail.find(CTextFold::Fold(uri.substr(kMailto.size())));
        return it == m_byEmail.end() ? -1 : static_cast<int>(it->second);
    }
    return IndexOf(uri);
}

bool CVCardBook::Members(std::size_t index, std::vector<int>& members) const {
    if (index >= m_cards.size() || !m_cards[index].IsGroup()) {
        return false;
    }
    for (const std::string& uri : m_cards[index].MemberUris()) {
        const int member = ResolveMember(uri);
        if (member >= 0) {
            members.push_back(member);
        }
    }
    return true;
}

bool CVCardBook::CompareEntryIds(std::string_view a, std::string_view b) {
    return IdKey(a) == IdKey(b);
}

std::string CVCardBook::DefaultVersion() const {
    std::map<std::string, std::size_t> counts;
    for (const CVCard& card : m_cards) {
        if (card.Version() == "2.1" || card.Version() == "3.0" || card.Version() == "4.0") {
            ++counts[card.Version()];
        }
    }
    std::string best = "3.0";
    std::size_t bestCount = 0;
    for (const auto& [version, count] : counts) {
        if (count > bestCount) {
            best = version;
            bestCount = count;
        }
    }
    return best;
}

std::size_t CVCardBook::AddCard(CVCard card) {
    std::size_t fileIndex = 0;
    if (m_folder) {
        SourceFile file;
        std::string name = FileNameFor(card.Uid());
        file.path = (std::filesystem::path(m_path) / name).string();
        fileIndex = m_files.size();
        m_files.push_back(std::move(file));
    } else if (m_files.empty()) {
        SourceFile file;
        file.path = m_path;
        m_files.push_back(std::move(file));
    }
    m_cards.push_back(std::move(card));
    m_fileOf.push_back(fileIndex);
    m_gapBefore.emplace_back();
    m_files[fileIndex].dirty = true;
    RebuildIndex();
    return m_cards.size() - 1;
}

void CVCardBook::MarkDirty(std::size_t index) {
    m_files[m_fileOf[index]].dirty = true;
}

std::string CVCardBook::AddContact(const std::string& displayName, const std::string& family,
                                   const std::string& given, const std::string& mobile) {
    CVCard card = CVCard::NewCard(DefaultVersion(), false);
    card.SetFormattedName(displayName);
    card.SetName(family, given);
    if (!mobile.empty()) {
        card.SetMobile(mobile);
    }
    return m_ids[AddCard(std::move(card))];
}

std::string CVCardBook::AddGroup(const std::string& displayName) {
    CVCard card = CVCard::NewCard(DefaultVersion(), true);
    card.SetFormattedName(displayName);
    if (card.Version() != "4.0") {
        // vCard 3.0 and 2.1 need N; a group's is its name.
        card.SetName(displayName, {});
    }
    return m_ids[AddCard(std::move(card))];
}

bool CVCardBook::SetContact(std::string_view entryId, const std::string& displayName,
                            const std::string& family, const std::string& given,
                            const std::string& mobile) {
    const int index = IndexOf(entryId);
    if (index < 0) {
        return false;
    }
    const std::size_t i = static_cast<std::size_t>(index);
    CVCard& card = m_cards[i];
    card.EnsureUid(m_ids[i]);
    if (card.FormattedName() != displayName) {
        card.SetFormattedName(displayName);
    }
    if (card.FamilyName() != family || card.GivenName() != given) {
        card.SetName(family, given);
    }
    if (card.Mobile() != mobile) {
        card.SetMobile(mobile);
    }
    if (card.IsModified()) {
        MarkDirty(i);
    }
    return true;
}

bool CVCardBook::SetGroupName(std::string_view entryId, const std::string& displayName) {
    const int index = IndexOf(entryId);
    if (index < 0 || !m_cards[static_cast<std::size_t>(index)].IsGroup()) {
        return false;
    }
    const std::size_t i = static_cast<std::size_t>(index);
    m_cards[i].EnsureUid(m_ids[i]);
    if (m_cards[i].FormattedName() != displayName) {
        m_cards[i].SetFormattedName(displayName);
    }
    if (m_cards[i].IsModified()) {
        MarkDirty(i);
    }
    return true;
}

std::string CVCardBook::MemberUriFor(std::size_t index) const {
    const std::string uid = m_cards[index].Uid();
    if (uid.find(':') != std::string::npos) {
        return uid; // already a URI ("urn:uuid:…")
    }
    return std::string(kUrnUuid) + uid;
}

bool CVCardBook::SetGroupMembers(std::string_view entryId,
                                 const std::vector<std::string>& memberIds) {
    const int index = IndexOf(entryId);
    if (index < 0 || !m_cards[static_cast<std::size_t>(index)].IsGroup()) {
        return false;
    }
    const std::size_t group = static_cast<std::size_t>(index);
    std::vector<std::string> uris;
    for (const std::string& memberId : memberIds) {
        const int member = IndexOf(memberId);
        if (member < 0) {
            continue;
        }
        const std::size_t m = static_cast<std::size_t>(member);
        if (m_cards[m].Uid().empty()) {
            // A member is named by its UID: a card without one gets its current identifier.
            m_cards[m].EnsureUid(m_ids[m]);
            MarkDirty(m);
        }
        uris.push_back(MemberUriFor(m));
    }
    CVCard& card = m_cards[group];
    card.EnsureUid(m_ids[group]);
    if (card.MemberUris() != uris) {
        card.SetMemberUris(uris);
    }
    if (card.IsModified()) {
        MarkDirty(group);
    }
    return true;
}

bool CVCardBook::Remove(std::string_view entryId) {
    const int index = IndexOf(entryId);
    if (index < 0) {
        return false;
    }
    const std::size_t removed = static_cast<std::size_t>(index);
    // Groups drop their references to the card; other references stay as written.
    for (std::size_t i = 0; i < m_cards.size(); ++i) {
        if (i == removed || !m_cards[i].IsGroup()) {
            continue;
        }
        const std::vector<std::string> uris = m_cards[i].MemberUris();
        std::vector<std::string> kept;
        for (const std::string& uri : uris) {
            if (ResolveMember(uri) != index) {
                kept.push_back(uri);
            }
        }
        if (kept.size() != uris.size()) {
            m_cards[i].EnsureUid(m_ids[i]);
            m_cards[i].SetMemberUris(kept);
            MarkDirty(i);
        }
    }
    // The bytes before the card (text the program does not read) go to what follows it.
    const std::size_t file = m_fileOf[removed];
    std::string gap = std::move(m_gapBefore[removed]);
    bool movedGap = false;
    for (std::size_t i = removed + 1; i < m_cards.size(); ++i) {
        if (m_fileOf[i] == file) {
            m_gapBefore[i].insert(0, gap);
            movedGap = true;
            break;
        }
    }
    if (!movedGap) {
        m_files[file].trailing.insert(0, gap);
    }
    m_files[file].dirty = true;
    m_cards.erase(m_cards.begin() + index);
    m_fileOf.erase(m_fileOf.begin() + index);
    m_gapBefore.erase(m_gapBefore.begin() + index);
    RebuildIndex();
    return true;
}

bool CVCardBook::HasChanges() const {
    return std::any_of(m_files.begin(), m_files.end(),
                       [](const SourceFile& file) { return file.dirty; });
}

bool CVCardBook::Save(std::string& error) {
    error.clear();
    for (std::size_t f = 0; f < m_files.size(); ++f) {
        SourceFile& file = m_files[f];
        if (!file.dirty) {
            continue;
        }
        const FileIdentity now = Identify(file.path);
        if (now.exists != file.existed ||
            (now.exists && (now.size != file.size || now.mtimeNs != file.mtimeNs))) {
            error = "The address book file \"" + file.path +
                    "\" was changed by another program; read the address book again.";
            Log(kSave, error, LOG_CAT_WAB, LOG_SEV_ERROR);
            return false;
        }
        std::string bytes;
        std::size_t cardsInFile = 0;
        for (std::size_t i = 0; i < m_cards.size(); ++i) {
            if (m_fileOf[i] != f) {
                continue;
            }
            bytes += m_gapBefore[i];
            if (!bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r') {
                bytes += m_cards[i].LineEnd();
            }
            CVCardWriter::WriteCard(m_cards[i], bytes);
            ++cardsInFile;
        }
        bytes += file.trailing;
        if (m_folder && cardsInFile == 0 && CTextFold::Trim(bytes).empty()) {
            // A folder book keeps one card per file: the card's file goes with it.
            if (now.exists && ::unlink(file.path.c_str()) != 0) {
                error = "Cannot remove \"" + file.path + "\": " + std::strerror(errno);
                Log(kSave, error, LOG_CAT_WAB, LOG_SEV_ERROR);
                return false;
            }
            file.existed = false;
            file.dirty = false;
            continue;
        }
        const std::filesystem::path parent = std::filesystem::path(file.path).parent_path();
        if (!parent.empty()) {
            platform::CreateFolder(parent.string());
        }
        if (!platform::WriteFileAtomic(file.path, bytes)) {
            error =
                "Cannot write the address book file \"" + file.path + "\": " + std::strerror(errno);
            Log(kSave, error, LOG_CAT_WAB, LOG_SEV_ERROR);
            return false;
        }
        const FileIdentity written = Identify(file.path);
        file.existed = written.exists;
        file.size = written.size;
        file.mtimeNs = written.mtimeNs;
        file.dirty = false;
    }
    return true;
}
