// Process-wide edition values: chosen once at start-up from whether the mail-client hook
// library could be loaded, then only read.
#pragma once

#include <string>

struct EditionValues {
    bool outlookExpress = false;
    std::string version;       // "%d.%d.%d" of the program's compiled-in version
    std::string applicationId; // product id followed directly by the version
    std::string productName;   // also the agent name handed to the client core
    std::string rootKey;       // "Software\Quorvane\<product>\2.0"
    std::string rootKeyWithSeparator;
    std::string coreKey;
    std::string debugKey;
    std::string accountsKey;    // with trailing separator
    std::string countryCodeKey; // same text as the root key
};

class CEditionValues {
public:
    // The values of one edition (pure; used by Select and by tests).
    static EditionValues Make(bool outlookExpress);
    // Chooses the edition for this process.
    static void Select(bool outlookExpress);
    // The chosen edition (the Windows edition until Select is called).
    static const EditionValues& Get();
    // The program's own version text, "%d.%d.%d" of major, minor and build.
    static std::string ProgramVersion();
};
