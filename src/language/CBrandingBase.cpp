#include "language/CBrandingBase.h"

#include "language/CBrandingImages.h"
#include "language/LangStrings.h"
#include "platform/Paths.h"
#include "platform/SafeFile.h"

#include <fstream>
#include <sstream>

namespace {

const std::string kStars91(91, '*');

} // namespace

CBrandingBase::~CBrandingBase() = default;

std::string CBrandingBase::GetText(int row) const {
    std::lock_guard lock(m_lock);
    return m_texts.GetText(row);
}

void CBrandingBase::Reset() {
    std::lock_guard lock(m_lock);
    m_icons.clear();
    m_bitmaps.clear();
    m_texts = CTextTable();
    m_languageFiles.clear();
    m_done = false;
    m_useImageFiles = true;
    ReleaseImages();
}

void CBrandingBase::ReleaseImages() {
    std::lock_guard lock(m_lock);
    m_iconImages.clear();
    m_iconHandles.clear();
    m_bitmapImages.clear();
    m_pixmaps.clear();
}

bool CBrandingBase::HoldsImages() const {
    std::lock_guard lock(m_lock);
    return !m_iconImages.empty() || !m_iconHandles.empty() || !m_bitmapImages.empty() ||
           !m_pixmaps.empty();
}

void CBrandingBase::SetUseImageFiles(bool use) {
    std::lock_guard lock(m_lock);
    m_useImageFiles = use;
}

void CBrandingBase::SetImageRow(std::map<int, ImageRow>& table, int row, const ImageRow& image) {
    auto found = table.find(row);
    if (found == table.end()) {
        ImageRow entry = image;
        entry.folder = lang::Trim(image.folder);
        entry.file = lang::Trim(image.file);
        table.emplace(row, std::move(entry));
        return;
    }
    found->second.resourceId = image.resourceId;
    found->second.folder = lang::Trim(image.folder);
    found->second.file = lang::Trim(image.file);
}

void CBrandingBase::SetIconRow(int row, const ImageRow& image) {
    std::lock_guard lock(m_lock);
    SetImageRow(m_icons, row, image);
}

void CBrandingBase::SetBitmapRow(int row, const ImageRow& image) {
    std::lock_guard lock(m_lock);
    SetImageRow(m_bitmaps, row, image);
}

void CBrandingBase::SetTextRow(int row, const std::string& key, const std::string& defaultText,
                               const std::string& description, const std::string& group) {
    std::lock_guard lock(m_lock);
    m_texts.SetTextRow(row, key, defaultText, description, group);
}

void CBrandingBase::AddLanguageFile(const std::string& path) {
    std::lock_guard lock(m_lock);
    m_languageFiles.push_back(path);
}

std::string CBrandingBase::ImagePath(const ImageRow& image) const {
    if (!m_useImageFiles || image.file.empty())
        return {};
    return platform::ToNativePath(image.folder + "\\" + image.file);
}

QImage CBrandingBase::GetIconImage(int row, int width, int height) const {
    std::lock_guard lock(m_lock);
    auto found = m_icons.find(row);
    if (found == m_icons.end())
        return {};
    const ImageRow& image = found->second;

    const std::string path = ImagePath(image);
    if (!path.empty()) {
        const auto fileKey = std::make_tuple(path, 0u, width, height);
        auto cached = m_iconImages.find(fileKey);
        if (cached == m_iconImages.end())
            cached =
                m_iconImages.emplace(fileKey, CBrandingImages::LoadIconFile(path, width, height))
                    .first;
        if (!cached->second.isNull())
            return cached->second;
    }
    const auto builtInKey = std::make_tuple(std::string(), image.resourceId, width, height);
    auto cached = m_iconImages.find(builtInKey);
    if (cached == m_iconImages.end())
        cached =
            m_iconImages
                .emplace(builtInKey, CBrandingImages::BuiltInIcon(image.resourceId, width, height))
                .first;
    return cached->second;
}

QIcon CBrandingBase::GetIcon(int row, int width, int height) const {
    std::lock_guard lock(m_lock);
    const QImage image = GetIconImage(row, width, height);
    if (image.isNull())
        return {};
    // Keyed by the shared image, so rows that share an image share one icon.
    const auto key = std::make_tuple(std::to_string(image.cacheKey()), 0u, width, height);
    auto cached = m_iconHandles.find(key);
    if (cached == m_iconHandles.end())
        cached = m_iconHandles.emplace(key, QIcon(QPixmap::fromImage(image))).first;
    return cached->second;
}

QImage CBrandingBase::GetBitmapImage(int row) const {
    std::lock_guard lock(m_lock);
    auto found = m_bitmaps.find(row);
    if (found == m_bitmaps.end())
        return {};
    const ImageRow& image = found->second;

    const std::string path = ImagePath(image);
    if (!path.empty()) {
        const auto fileKey = std::make_pair(path, 0u);
        auto cached = m_bitmapImages.find(fileKey);
        if (cached == m_bitmapImages.end())
            cached = m_bitmapImages.emplace(fileKey, CBrandingImages::LoadBitmapFile(path)).first;
        if (!cached->second.isNull())
            return cached->second;
    }
    const auto builtInKey = std::make_pair(std::string(), image.resourceId);
    auto cached = m_bitmapImages.find(builtInKey);
    if (cached == m_bitmapImages.end())
        cached =
            m_bitmapImages.emplace(builtInKey, CBrandingImages::BuiltInBitmap(image.resourceId))
                .first;
    return cached->second;
}

QPixmap CBrandingBase::GetBitmap(int row) const {
    std::lock_guard lock(m_lock);
    const QImage image = GetBitmapImage(row);
    if (image.isNull())
        return {};
    const auto key = std::make_pair(std::to_string(image.cacheKey()), 0u);
    auto cached = m_pixmaps.find(key);
    if (cached == m_pixmaps.end())
        cached = m_pixmaps.emplace(key, QPixmap::fromImage(image)).first;
    return cached->second;
}

std::string CBrandingBase::ImageSection(bool icons) const {
    const std::map<int, ImageRow>& table = icons ? m_icons : m_bitmaps;
    const char* kind = icons ? "icon" : "bitmap";
    std::string text =
        "\n" + kStars91 + "\n***** Checking the precence of required " + kind + " files...\n\n";
    bool failed = false;
    for (const auto& [number, image] : table) {
        const std::string path = ImagePath(image);
        const bool loaded = !path.empty() && !(icons ? CBrandingImages::LoadIconFile(path, 0, 0)
                                                     : CBrandingImages::LoadBitmapFile(path))
                                                  .isNull();
        if (loaded)
            continue;
        if (!failed) {
            text += std::string("\tERROR: The following ") + kind +
                    "s are required but could not be loaded:\n";
            failed = true;
        }
        text += "\n\t" + image.file + " (missing or corrupt)\n\t\tPath:        " + image.folder +
                "\n\t\tDescription: " + image.description;
    }
    if (!failed)
        text += "\tNo errors, all " + std::to_string(table.size()) + " " + kind +
                "s were successfully loaded";
    text += std::string("\n\n***** Done checking ") + kind + "s\n" + kStars91 + "\n";
    return text;
}

void CBrandingBase::RunCheck(const std::string& logPath, const std::string& productName,
                             int nameRow, const std::string& versionText, int versionRow) {
    std::lock_guard lock(m_lock);
    m_productName = productName;
    m_versionText = versionText;
    m_texts.SetEditionTexts(productName, versionText);
    m_texts.SetTokenRows(nameRow, versionRow);

    // The report is written through the shared-folder rule; a refused file is left unwritten.
    std::ostringstream report;

    report << kStars91 << "\n\tBranding results for " << productName << " Version: " << versionText
           << "\n"
           << kStars91 << "\n\n";
    report << ImageSection(true);
    report << ImageSection(false);
    for (const std::string& path : m_languageFiles)
        m_texts.LoadLanguageFile(path, report);
    m_texts.WriteMissingRows(report);

    platform::UniqueFd file =
        logPath.empty() ? platform::UniqueFd()
                        : platform::OpenPrivateFile(logPath, platform::PrivateOpen::Truncate);
    if (file) {
        const std::string text = report.str();
        platform::WriteAll(file.Get(), text.data(), text.size());
    }
    m_done = true;
}

std::string CBrandingBase::ImageList(bool icons) const {
    const std::map<int, ImageRow>& table = icons ? m_icons : m_bitmaps;
    std::ostringstream out;
    out << "Generated by: " << m_productName << " Version: " << m_versionText << "\n\n";
    if (icons) {
        out << "This file contains a list of icons used by the client.\n"
            << "Should any of these files be missing, the default icon is used.\n"
            << "Please refer to the branding log file for a reports on missing missing icons.\n\n"
            << "The following icons are required for this client:\n\n\n"
            << "Total:\t" << table.size() << " icon(s):\n\n";
    } else {
        out << "This file contains a list of bitmap images used by the client.\n"
            << "Should any of these files be missing, the default bitmap is used.\n"
            << "Please refer to the branding log file for a reports on missing missing "
               "bitmaps.\n\n"
            << "The following bitmaps are required for this client:\n\n\n"
            << "Total:\t" << table.size() << " bitmap(s):\n\n";
    }
    for (const auto& [number, image] : table) {
        out << "FILE:\t" << image.file << "\n"
            << "PATH:\t" << image.folder << "\n"
            << "DESC:\t" << image.description << "\n\n";
    }
    return out.str();
}

bool CBrandingBase::WriteIconList(const std::string& path) const {
    std::lock_guard lock(m_lock);
    return platform::WriteFileAtomic(path, ImageList(true));
}

bool CBrandingBase::WriteBitmapList(const std::string& path) const {
    std::lock_guard lock(m_lock);
    return platform::WriteFileAtomic(path, ImageList(false));
}

bool CBrandingBase::WriteLanguageTemplate(const std::string& path, const std::string& fileName,
                                          const std::string& customer,
                                          const std::string& language) const {
    std::lock_guard lock(m_lock);
    return m_texts.WriteLanguageTemplate(path, fileName, customer, language);
}

size_t CBrandingBase::IconRowCount() const {
    std::lock_guard lock(m_lock);
    return m_icons.size();
}

size_t CBrandingBase::BitmapRowCount() const {
    std::lock_guard lock(m_lock);
    return m_bitmaps.size();
}

size_t CBrandingBase::TextRowCount() const {
    std::lock_guard lock(m_lock);
    return m_texts.RowCount();
}

bool CBrandingBase::FindIconRow(int row, ImageRow& out) const {
    std::lock_guard lock(m_lock);
    auto found = m_icons.find(row);
    if (found == m_icons.end())
        return false;
    out = found->second;
    return true;
}

bool CBrandingBase::FindBitmapRow(int row, ImageRow& out) const {
    std::lock_guard lock(m_lock);
    auto found = m_bitmaps.find(row);
    if (found == m_bitmaps.end())
        return false;
    out = found->second;
    return true;
}

bool CBrandingBase::FindTextRow(int row, TextRow& out) const {
    std::lock_guard lock(m_lock);
    const TextRow* found = m_texts.FindRow(row);
    if (found == nullptr)
        return false;
    out = *found;
    return true;
}

std::vector<std::string> CBrandingBase::LanguageFiles() const {
    std::lock_guard lock(m_lock);
    return m_languageFiles;
}

bool CBrandingBase::IsDone() const {
    std::lock_guard lock(m_lock);
    return m_done;
}
