#include "compose/CRememberedEntries.h"

#include "compose/CTextFold.h"
#include "config/CQVRegClass.h"
#include "log/LogManager.h"
#include "messages/CArchiveReader.h"
#include "messages/CArchiveWriter.h"
#include "platform/Paths.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>

namespace {

const char* const kLoad = "CRememberedEntries::Load";
const char* const kSave = "CRememberedEntries::Save";

// The count in front of the entries: 2 bytes, or 0xFFFF and 4 bytes from 65535 on.
constexpr std::uint16_t kLongCount = 0xFFFF;

void PutUInt16(std::uint16_t value, std::string& out) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

} // namespace

CRememberedEntries::CRememberedEntries(std::string filePath) : m_path(std::move(filePath)) {}

std::string CRememberedEntries::DefaultPath(const CQVRegClass& reg) {
    const std::string folder = reg.GetDataFolder();
    return folder.empty() ? std::string() : folder + "/" + kFileName;
}

bool CRememberedEntries::Serialize(const std::vector<std::string>& entries, std::string& bytes) {
    std::string head;
    if (entries.size() < kLongCount) {
        PutUInt16(static_cast<std::uint16_t>(entries.size()), head);
    } else {
        if (entries.size() > 0xFFFFFFFFu) {
            return false;
        }
        PutUInt16(kLongCount, head);
        const std::uint32_t count = static_cast<std::uint32_t>(entries.size());
        PutUInt16(static_cast<std::uint16_t>(count & 0xFFFF), head);
        PutUInt16(static_cast<std::uint16_t>(count >> 16), head);
    }
    std::size_t size = head.size();
    for (const std::string& entry : entries) {
        size += CArchiveWriter::StringSize(entry.size());
    }
    CArchiveWriter writer(std::move(head));
    writer.Reserve(size);
    for (const std::string& entry : entries) {
        if (!writer.WriteString(entry)) {
            return false;
        }
    }
    bytes = writer.TakeData();
    return true;
}

bool CRememberedEntries::Deserialize(std::string_view bytes, std::vector<std::string>& entries,
                                     std::string& error) {
    entries.clear();
    error.clear();
    if (bytes.size() < 2) {
        error = "the file ends inside the entry count";
        return false;
    }
    const auto byte = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]));
    };
    std::uint32_t count = byte(0) | (byte(1) << 8);
    std::size_t offset = 2;
    if (count == kLongCount) {
        if (bytes.size() < 6) {
            error = "the file ends inside the entry count";
            return false;
        }
        count = byte(2) | (byte(3) << 8) | (byte(4) << 16) | (byte(5) << 24);
        offset = 6;
    }
    CArchiveReader reader(bytes.substr(offset));
    // Every entry takes at least one byte: a count beyond what is left is damage, caught by
    // the first read that fails, without reserving room for it.
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string entry;
        if (!reader.ReadString(entry)) {
            error =
                "entry " + std::to_string(i + 1) + " of " + std::to_string(count) + " is damaged";
            return false;
        }
        entries.push_back(std::move(entry));
    }
    if (reader.Remaining() != 0) {
        error = std::to_string(reader.Remaining()) + " bytes follow the last entry";
        return false;
    }
    return true;
}

bool CRememberedEntries::Load() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_entries.clear();
    m_damagedBytes.clear();
    m_unreadable = false;
    if (m_path.empty()) {
        return false;
    }
    std::string bytes;
    if (CArchiveReader::LoadFile(m_path, bytes) != CArchiveReader::LoadResult::Ok) {
        if (errno != ENOENT) {
            m_unreadable = true;
            Log(kLoad, "Cannot read \"" + m_path + "\"", LOG_CAT_FILEIO, LOG_SEV_ERROR, true);
        }
        return false;
    }
    std::string error;
    if (!Deserialize(bytes, m_entries, error)) {
        Log(kLoad,
            "The file \"" + m_path + "\" is damaged: " + error + "; " +
                std::to_string(m_entries.size()) + " entries read",
            LOG_CAT_FILEIO, LOG_SEV_ERROR);
        m_damagedBytes = std::move(bytes);
        return false;
    }
    return true;
}

bool CRememberedEntries::Save() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_path.empty()) {
        return false;
    }
    if (m_unreadable) {
        Log(kSave, "\"" + m_path + "\" could not be read and is not replaced", LOG_CAT_FILEIO,
            LOG_SEV_ERROR);
        return false;
    }
    std::string bytes;
    if (!Serialize(m_entries, bytes)) {
        Log(kSave, "An entry is too long to be saved", LOG_CAT_FILEIO, LOG_SEV_ERROR);
        return false;
    }
    const std::string folder = std::filesystem::path(m_path).parent_path().string();
    if (!folder.empty() && !platform::CreateFolder(folder)) {
        Log(kSave, "Cannot create the folder \"" + folder + "\"", LOG_CAT_FILEIO, LOG_SEV_ERROR,
            true);
        return false;
    }
    if (!m_damagedBytes.empty()) {
        // The damaged file is kept beside the new one: what could not be read is not lost.
        if (!platform::WriteFileAtomic(m_path + ".damaged", m_damagedBytes)) {
            Log(kSave, "Cannot keep the damaged \"" + m_path + "\"", LOG_CAT_FILEIO, LOG_SEV_ERROR,
                true);
            return false;
        }
        m_damagedBytes.clear();
    }
    if (!platform::WriteFileAtomic(m_path, bytes)) {
        Log(kSave, "Cannot write \"" + m_path + "\"", LOG_CAT_FILEIO, LOG_SEV_ERROR, true);
        return false;
    }
    return true;
}

bool CRememberedEntries::Add(const std::string& text) {
    std::lock_guard<std::mutex> guard(m_lock);
    for (const std::string& entry : m_entries) {
        if (CTextFold::EqualsNoCase(entry, text)) {
            return false;
        }
    }
    m_entries.push_back(text);
    return true;
}

bool CRememberedEntries::Remove(std::string_view text) {
    std::lock_guard<std::mutex> guard(m_lock);
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (CTextFold::EqualsNoCase(*it, text)) {
            m_entries.erase(it);
            return true;
        }
    }
    return false;
}

bool CRememberedEntries::Contains(std::string_view text) const {
    std::lock_guard<std::mutex> guard(m_lock);
    for (const std::string& entry : m_entries) {
        if (CTextFold::EqualsNoCase(entry, text)) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> CRememberedEntries::Entries() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_entries;
}

std::size_t CRememberedEntries::Size() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_entries.size();
}
