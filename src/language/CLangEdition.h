// The edition values the language code needs: the product display name, the version texts
// and whether the Outlook Express edition runs. The application decides the edition at
// start-up and hands these values over; nothing here reads a global.
#pragma once

#include <string>

class CLangEdition {
public:
    // The Windows edition with the compiled-in program version.
    CLangEdition();
    CLangEdition(std::string productName, std::string programVersion, bool outlookExpress);

    // The values of the Windows ("Tidewell Windows") or the Outlook Express ("Tidewell Outlook
    // Express") edition with the compiled-in program version ("%d.%d.%d").
    static CLangEdition ForEdition(bool outlookExpress);
    static std::string ProductNameFor(bool outlookExpress);

    const std::string& ProductName() const { return m_productName; }
    const std::string& ProgramVersion() const { return m_programVersion; }
    bool IsOutlookExpress() const { return m_outlookExpress; }

    // The hook library's version text ("%d.%d.%d %s"), known once the library answered.
    const std::string& HookVersion() const { return m_hookVersion; }
    void SetHookVersion(const std::string& text) { m_hookVersion = text; }

    // The text that replaces "<version>": the hook library's version in the Outlook Express
    // edition, the program version otherwise (and while the hook library's is unknown).
    const std::string& VersionToken() const;

private:
    std::string m_productName;
    std::string m_programVersion;
    bool m_outlookExpress = false;
    std::string m_hookVersion;
};
