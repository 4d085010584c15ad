// Maps a text key ("NewMessage.btnSend") to its translation from the language files. Every
// caller passes its built-in default with the key, so a missing key still shows a sensible
// text; the miss is written to the language log ("language.log").
//
// The files are parsed at start-up; afterwards `Translate` may be called from any thread.
#pragma once

#include "platform/UniqueFd.h"

#include "language/CLangEdition.h"

#include <fstream>
#include <map>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CLangTranslator {
public:
    // Opens the language log (truncating it) and writes the start banner. An empty
    // `logPath` means "<temporary folder>/Quorvane/language.log".
    explicit CLangTranslator(const CLangEdition& edition, const std::string& logPath = {});
    // A translator that writes no language log (texts parsed in memory, checks of the parser).
    struct NoLog {};
    CLangTranslator(const CLangEdition& edition, NoLog);
    ~CLangTranslator();
    CLangTranslator(const CLangTranslator&) = delete;
    CLangTranslator& operator=(const CLangTranslator&) = delete;

    // Reads one language file; its entries add to or override the ones already loaded.
    // True when the whole file was read.
    bool ParseFile(const std::string& path);
    // The parser behind ParseFile: reads the text of a language file named `fileName` (the
    // name the log and the override messages give). True when the whole text was read.
    bool ParseText(std::string_view text, const std::string& fileName);
    // Every entry as (lower-cased key, translation), ordered by key.
    std::vector<std::pair<std::string, std::string>> Entries() const;

    // The translation of `key` (any letter case), or `defaultText` when no file defines it,
    // with "<newline>", "<appname>" and "<version>" replaced.
    std::string Translate(const std::string& key, const std::string& defaultText) const;
    // Same; a null `defaultText` means the caller has none (the miss is logged as an error
    // and the result is empty).
    std::string Translate(const std::string& key, const char* defaultText) const;

    // Writes one line to the language log (nothing for a translator without log; callers
    // that build a text for the log first check m_quiet).
    void Log(const std::string& message) const;

    // The Outlook Express edition learns the hook library's version after the files are
    // parsed; it replaces "<version>" from then on.
    void SetHookVersion(const std::string& text);

    size_t EntryCount() const;
    const std::string& LogPath() const { return m_logPath; }
    static std::string DefaultLogPath();

private:
    std::string TranslateImpl(const std::string& key, const std::string* defaultText,
                              bool resolvingAppName) const;
    void AddTranslation(const std::string& key, std::string_view value,
                        const std::string& fileName);

    // lower-cased key -> (translation, name of the file that last defined it)
    std::map<std::string, std::pair<std::string, std::string>> m_entries;
    mutable std::shared_mutex m_entriesLock;

    CLangEdition m_edition;
    mutable std::mutex m_editionLock;

    std::string m_logPath;
    platform::UniqueFd m_log;
    bool m_quiet = false; // no language log at all
    mutable std::mutex m_logLock;
};
