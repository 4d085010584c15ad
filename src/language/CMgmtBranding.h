// The branding manager of the program: fills the icon, bitmap and text tables for the running
// edition, registers the language files, runs the branding check at start-up, and generates
// the template language file and the icon and bitmap lists for the command-line verbs.
#pragma once

#include "language/CBrandingBase.h"
#include "language/CLangEdition.h"

#include <string>

// The outcome of a generator verb, ready for the information box the shell shows.
struct GeneratedFile {
    bool written = false;
    std::string path;
    std::string caption;
    // success text or "Failed to create:\n", the path, "\n\nThe application will now terminate."
    std::string message;
};

class CMgmtBranding : public CBrandingBase {
public:
    // The process's branding object.
    static CMgmtBranding& Instance();

    CMgmtBranding() = default;

    // Branding start-up. `installRoot` is the InstallRoot setting: images are looked for in
    // its "Icons" and "Bitmaps" folders (an empty root means built-in images only).
    // `programFolder` holds the language files (empty: the folder of the running program);
    // `logPath` is the branding report (empty: "<temporary folder>/Quorvane/branding.log").
    void Start(const CLangEdition& edition, const std::string& installRoot,
               const std::string& programFolder = {}, const std::string& logPath = {});

    // The generator verbs "langfile", "icons" and "bitmaps": each writes its file into the
    // "Quorvane" folder below the temporary folder (or into `folder` when given).
    GeneratedFile GenerateLanguageFile(const std::string& folder = {}) const;
    GeneratedFile GenerateIconList(const std::string& folder = {}) const;
    GeneratedFile GenerateBitmapList(const std::string& folder = {}) const;

    static std::string DefaultLogPath();
};
