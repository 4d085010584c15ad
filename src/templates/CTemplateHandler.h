// The template store: up to ten message templates keyed by name, kept in "TemplateFile.dat"
// in the program's data folder.
//
// File format (the archive primitives of the message files): the count as a little-endian
// int32, then per template its key and its five fields (name, text, reserved, signature,
// index), each a length-prefixed text. An empty file means no templates. Entries are written
// in the order of their keys; the user's list order is carried by TemplateIndex.
//
// Nothing saves by itself: the dialogs call SaveTemplates after changing the map and
// LoadTemplates before reading. A save replaces the file atomically (temporary file, fsync,
// rename), so a crash leaves the old or the new file, never a mix. A file that cannot be
// opened is logged and leaves the map as it was. A damaged file fills the map with the
// templates read before the damage, is logged, and is kept beside as "TemplateFile.dat.damaged"
// before the next save can replace it. The limits (ten templates, unique names, one
// signature, indexes without gaps) are the dialogs' business, not the store's.
//
// Thread safety: every operation takes the store's one lock. A dialog that reads and writes in
// several steps (load, change, save) holds Lock() across them.
#pragma once

#include "templates/CTemplateRecord.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class CTemplateHandler {
public:
    // `dataFolder`: the program's data folder (application data + "TWD"), created when needed.
    // `programFolder`: where a read-only "TemplateFile.dat" beside the program is checked
    // for (empty: no check). When one is found (a regular file nobody may write), the load or
    // save stops and `onAccessDenied` is called: the application shows "Access Denied" and
    // quits there. It may be empty.
    explicit CTemplateHandler(std::string dataFolder, std::string programFolder = "",
                              std::function<void()> onAccessDenied = {});
    ~CTemplateHandler();
    CTemplateHandler(const CTemplateHandler&) = delete;
    CTemplateHandler& operator=(const CTemplateHandler&) = delete;

    // Opens the file (creating an empty one when missing) and, when it is not empty, replaces
    // the map by its contents. Always 0.
    int LoadTemplates();
    // Writes the map to the file. Always 0; a failure is logged and the old file stays.
    int SaveTemplates();
    // map[name] := template (inserts or replaces). Always 0.
    int AddTemplate(const std::string& name, const CTemplateRecord& record);
    int ModifyTemplate(const std::string& name, const CTemplateRecord& record);
    void RemoveTemplate(const std::string& name);
    // Copy of the template, or an empty template.
    CTemplateRecord GetTemplate(const std::string& name) const;
    // Copy of the first template whose TemplateIndex equals `index` exactly, or an empty one.
    CTemplateRecord GetTemplateByIndex(const std::string& index) const;
    // A walk over the templates (in key order); an empty template when there is none or the
    // walk has ended. Templates removed during the walk are skipped.
    CTemplateRecord GetFirstTemplate();
    CTemplateRecord GetNextTemplate();
    std::int32_t GetTemplateCount() const;
    // Forgets the file and empties the map. Always 0.
    int CloseTemplates();

    // Every template, in key order.
    std::vector<CTemplateRecord> AllTemplates() const;
    // True when the last load or save could open the file.
    bool IsOpen() const;
    std::string FilePath() const;
    // Held across several operations that must not interleave with another dialog's.
    std::unique_lock<std::recursive_mutex> Lock() const {
        return std::unique_lock<std::recursive_mutex>(m_lock);
    }

    // The file format, in memory. Parse fills `records` with what it could read and returns
    // false (with the reason) when the data is damaged; it never reads outside `bytes`.
    static std::string Serialize(const std::map<std::string, CTemplateRecord>& records);
    static bool Parse(std::string_view bytes, std::map<std::string, CTemplateRecord>& records,
                      std::string& error);
    // What LoadTemplates does with the bytes of a non-empty file, without any file: the map
    // becomes what `bytes` holds (on damage, the templates read before it; logged). False
    // when the data is damaged. Any byte sequence is safe here (the fuzz entry point).
    bool LoadTemplatesFrom(std::string_view bytes);

private:
    // Steps shared by load and save: folder, the read-only copy check. False when the file
    // cannot be used.
    bool Open(bool truncate);
    bool ReadOnlyCopyBesideProgram() const;

    mutable std::recursive_mutex m_lock;
    std::map<std::string, CTemplateRecord> m_templates;
    std::string m_dataFolder;
    std::string m_programFolder;
    std::function<void()> m_onAccessDenied;
    bool m_open = false;
    std::vector<std::string> m_walk;
    std::size_t m_walkPos = 0;
};
