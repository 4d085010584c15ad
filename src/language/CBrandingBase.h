// The branding object's tables and lookups: the numbered icon and bitmap tables, the text
// table, the language files to check, and the branding check that writes "branding.log".
// A customer replaces an image by placing a file of the row's name in the row's folder;
// whatever is missing or unreadable falls back to the image built into the program.
//
// One re-entrant lock guards the check and every lookup, so dialogs may ask from any thread.
// QIcon and QPixmap need the GUI thread; the QImage forms work on any thread.
#pragma once

#include "language/CTextTable.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include <cstdint>
#include <map>
#include <mutex>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

struct ImageRow {
    // id of the built-in image used when the file cannot be loaded (0: none)
    uint32_t resourceId = 0;
    // install root + "/Icons" or "/Bitmaps"
    std::string folder;
    std::string file;
    std::string description;
};

class CBrandingBase {
public:
    CBrandingBase() = default;
    virtual ~CBrandingBase();
    CBrandingBase(const CBrandingBase&) = delete;
    CBrandingBase& operator=(const CBrandingBase&) = delete;

    // The text of a text-table row, tokens replaced; empty for an unknown row.
    virtual std::string GetText(int row) const;

    // The row's icon at the requested size: the file when it loads, else the built-in icon.
    // Null for a row that is not in the table. Rows that share a file share one image.
    QImage GetIconImage(int row, int width, int height) const;
    QIcon GetIcon(int row, int width, int height) const;
    // The row's bitmap at its natural size, from the file or built in; null when neither.
    QImage GetBitmapImage(int row) const;
    QPixmap GetBitmap(int row) const;

    // Trims file and folder; an existing row keeps its description.
    void SetIconRow(int row, const ImageRow& image);
    void SetBitmapRow(int row, const ImageRow& image);
    void SetTextRow(int row, const std::string& key, const std::string& defaultText,
                    const std::string& description, const std::string& group);
    void AddLanguageFile(const std::string& path);

    // The branding check: writes the report of missing images and language problems to
    // `logPath` (truncated; silently nothing when it cannot be opened) and merges the
    // language files into the text table.
    void RunCheck(const std::string& logPath, const std::string& productName, int nameRow,
                  const std::string& versionText, int versionRow);

    // The lists of required files for the people who prepare a customer's images.
    bool WriteIconList(const std::string& path) const;
    bool WriteBitmapList(const std::string& path) const;
    // A template language file of every text row (see CTextTable).
    bool WriteLanguageTemplate(const std::string& path, const std::string& fileName,
                               const std::string& customer, const std::string& language) const;

    // Drops the shared images (before the Qt application goes away at exit).
    void ReleaseImages();
    // True while any image made from the files is held.
    bool HoldsImages() const;

    size_t IconRowCount() const;
    size_t BitmapRowCount() const;
    size_t TextRowCount() const;
    bool FindIconRow(int row, ImageRow& out) const;
    bool FindBitmapRow(int row, ImageRow& out) const;
    bool FindTextRow(int row, TextRow& out) const;
    std::vector<std::string> LanguageFiles() const;
    bool IsDone() const;

protected:
    // Empties every table and cache (a new start).
    void Reset();
    // When false (no install root), no file is looked for and every image is the built-in one.
    void SetUseImageFiles(bool use);
    // Callers hold Lock() while they use the text table.
    CTextTable& Texts() { return m_texts; }
    std::recursive_mutex& Lock() const { return m_lock; }

private:
    static void SetImageRow(std::map<int, ImageRow>& table, int row, const ImageRow& image);
    std::string ImagePath(const ImageRow& image) const;
    std::string ImageSection(bool icons) const;
    std::string ImageList(bool icons) const;

    mutable std::recursive_mutex m_lock;
    std::map<int, ImageRow> m_icons;
    std::map<int, ImageRow> m_bitmaps;
    CTextTable m_texts;
    std::vector<std::string> m_languageFiles;
    std::string m_productName;
    std::string m_versionText;
    bool m_done = false;
    bool m_useImageFiles = true;

    // Shared images: (path or built-in id, width, height) -> image.
    mutable std::map<std::tuple<std::string, uint32_t, int, int>, QImage> m_iconImages;
    mutable std::map<std::tuple<std::string, uint32_t, int, int>, QIcon> m_iconHandles;
    mutable std::map<std::pair<std::string, uint32_t>, QImage> m_bitmapImages;
    mutable std::map<std::pair<std::string, uint32_t>, QPixmap> m_pixmaps;
};
