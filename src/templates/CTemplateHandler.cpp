#include "templates/CTemplateHandler.h"

#include "log/LogManager.h"
#include "messages/CArchiveReader.h"
#include "messages/CArchiveWriter.h"
#include "platform/Paths.h"

#include <cerrno>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kFileName = "TemplateFile.dat";

void LogFile(const char* location, const std::string& message, LogSeverity severity,
             bool system = false) {
    Log(location, message, LOG_CAT_FILEIO, severity, system);
}

} // namespace

CTemplateHandler::CTemplateHandler(std::string dataFolder, std::string programFolder,
                                   std::function<void()> onAccessDenied)
    : m_dataFolder(std::move(dataFolder)), m_programFolder(std::move(programFolder)),
      m_onAccessDenied(std::move(onAccessDenied)) {}

CTemplateHandler::~CTemplateHandler() {
    CloseTemplates();
}

std::string CTemplateHandler::FilePath() const {
    return m_dataFolder + "/" + kFileName;
}

bool CTemplateHandler::IsOpen() const {
    auto lock = Lock();
    return m_open;
}

bool CTemplateHandler::ReadOnlyCopyBesideProgram() const {
    if (m_programFolder.empty()) {
        return false;
    }
    struct stat info {};
    const std::string path = m_programFolder + "/" + kFileName;
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool CTemplateHandler::Open(bool truncate) {
    m_open = false;
    platform::CreateFolder(m_dataFolder); // a failure shows when the file is opened
    if (ReadOnlyCopyBesideProgram()) {
        LogFile("CTemplateHandler::OpenFile",
                "Access Denied: read-only template file beside the "
                "program",
                LOG_SEV_ERROR);
        if (m_onAccessDenied) {
            m_onAccessDenied();
        }
        return false;
    }
    if (!truncate) {
        // Loading creates a missing file and keeps an existing one.
        const int fd = ::open(FilePath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            LogFile("CTemplateHandler::OpenFile", "Could not open the file \"" + FilePath() + "\"",
                    LOG_SEV_ERROR, true);
            return false;
        }
        ::close(fd);
    }
    m_open = true;
    return true;
}

int CTemplateHandler::LoadTemplates() {
    auto lock = Lock();
    Log("CTemplateHandler::LoadTemplates", "Enter", LOG_CAT_FILEIO, LOG_SEV_TRACE);
    if (!Open(false)) {
        return 0;
    }
    std::string bytes;
    if (CArchiveReader::LoadFile(FilePath(), bytes) != CArchiveReader::LoadResult::Ok) {
        LogFile("CTemplateHandler::LoadTemplates", "Failed to read the file data.", LOG_SEV_ERROR,
                true);
        m_open = false;
        return 0;
    }
    if (bytes.empty()) {
        return 0;
    }
    if (!LoadTemplatesFrom(bytes)) {
        // The damaged file stays beside the new one that the next save writes.
        if (!platform::WriteFileAtomic(FilePath() + ".damaged", bytes)) {
            LogFile("CTemplateHandler::LoadTemplates", "Could not keep the damaged file",
                    LOG_SEV_ERROR, true);
        }
    }
    return 0;
}

bool CTemplateHandler::LoadTemplatesFrom(std::string_view bytes) {
    auto lock = Lock();
    std::map<std::string, CTemplateRecord> read;
    std::string error;
    const bool whole = Parse(bytes, read, error);
    m_templates = std::move(read);
    if (!whole) {
        LogFile("CTemplateHandler::LoadTemplates",
                "Damaged template file (" + error + "); kept " +
                    std::to_string(m_templates.size()) + " templates read before the damage",
                LOG_SEV_ERROR);
    }
    return whole;
}

int CTemplateHandler::SaveTemplates() {
    auto lock = Lock();
    Log("CTemplateHandler::SaveTemplates", "Enter", LOG_CAT_FILEIO, LOG_SEV_TRACE);
    if (!Open(true)) {
        return 0;
    }
    if (!platform::WriteFileAtomic(FilePath(), Serialize(m_templates))) {
        LogFile("CTemplateHandler::SaveTemplates",
                "Failed to write the file \"" + FilePath() + "\"", LOG_SEV_ERROR, true);
        m_open = false;
    }
    return 0;
}

int CTemplateHandler::AddTemplate(const std::string& name, const CTemplateRecord& record) {
    auto lock = Lock();
    m_templates[name] = record;
    return 0;
}

int CTemplateHandler::ModifyTemplate(const std::string& name, const CTemplateRecord& record) {
    return AddTemplate(name, record);
}

void CTemplateHandler::RemoveTemplate(const std::string& name) {
    auto lock = Lock();
    m_templates.erase(name);
}

CTemplateRecord CTemplateHandler::GetTemplate(const std::string& name) const {
    auto lock = Lock();
    auto it = m_templates.find(name);
    return it == m_templates.end() ? CTemplateRecord{} : it->second;
}

CTemplateRecord CTemplateHandler::GetTemplateByIndex(const std::string& index) const {
    auto lock = Lock();
    for (const auto& [name, record] : m_templates) {
        if (record.TemplateIndex == index) {
            return record;
        }
    }
    return {};
}

CTemplateRecord CTemplateHandler::GetFirstTemplate() {
    auto lock = Lock();
    m_walk.clear();
    for (const auto& entry : m_templates) {
        m_walk.push_back(entry.first);
    }
    m_walkPos = 0;
    return GetNextTemplate();
}

CTemplateRecord CTemplateHandler::GetNextTemplate() {
    auto lock = Lock();
    while (m_walkPos < m_walk.size()) {
        auto it = m_templates.find(m_walk[m_walkPos++]);
        if (it != m_templates.end()) {
            return it->second;
        }
    }
    return {};
}

std::int32_t CTemplateHandler::GetTemplateCount() const {
    auto lock = Lock();
    return static_cast<std::int32_t>(m_templates.size());
}

int CTemplateHandler::CloseTemplates() {
    auto lock = Lock();
    m_open = false;
    m_templates.clear();
    m_walk.clear();
    m_walkPos = 0;
    return 0;
}

std::vector<CTemplateRecord> CTemplateHandler::AllTemplates() const {
    auto lock = Lock();
    std::vector<CTemplateRecord> all;
    for (const auto& entry : m_templates) {
        all.push_back(entry.second);
    }
    return all;
}

std::string CTemplateHandler::Serialize(const std::map<std::string, CTemplateRecord>& records) {
    CArchiveWriter out;
    out.WriteInt32(static_cast<std::int32_t>(records.size()));
    for (const auto& [key, record] : records) {
        out.WriteString(key);
        out.WriteString(record.TemplateName);
        out.WriteString(record.TemplateText);
        out.WriteString(record.TemplateReserved);
        out.WriteString(record.TemplateSignature);
        out.WriteString(record.TemplateIndex);
    }
    return out.TakeData();
}

bool CTemplateHandler::Parse(std::string_view bytes,
                             std::map<std::string, CTemplateRecord>& records, std::string& error) {
    CArchiveReader in(bytes);
    std::int32_t count = 0;
    if (!in.ReadInt32(count)) {
        error = "no count";
        return false;
    }
    if (count < 0) {
        error = "negative count";
        return false;
    }
    // A later entry of the same name replaces the earlier one. Each entry is inserted with the
    // place after the previous one as hint: names in order (as Serialize writes them) cost no
    // search of the map.
    auto hint = records.end();
    for (std::int32_t i = 0; i < count; ++i) {
        std::string key;
        CTemplateRecord record;
        if (!in.ReadString(key) || !in.ReadString(record.TemplateName) ||
            !in.ReadString(record.TemplateText) || !in.ReadString(record.TemplateReserved) ||
            !in.ReadString(record.TemplateSignature) || !in.ReadString(record.TemplateIndex)) {
            error = "entry " + std::to_string(i + 1) + " of " + std::to_string(count) +
                    " cannot be read";
            return false;
        }
        hint = std::next(records.insert_or_assign(hint, std::move(key), std::move(record)));
    }
    return true;
}
