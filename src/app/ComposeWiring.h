// Connects the compose dialog to the application's parts: settings, message store, template
// store, the address book and remembered entries, the country-code library, the reference
// map and the core manager.
#pragma once

#include "compose/CRememberedEntries.h"
#include "compose/CWABManager.h"
#include "compose/ComposeServices.h"
#include "compose/INumberConverter.h"

#include <memory>

class CTidewellWindowsApp;
class CMgmtGUI;
class CQVRegClass;
class ICountryCodes;

// What the application owns for its compose dialogs: the address-book manager (opened at
// start, closed at exit), the remembered entries (read from "autocomplete.dat" at start and
// written back at exit) and the number converter over the country-code library.
class CComposeParts {
public:
    // `countryCodes` may be null (no library: no number converts).
    CComposeParts(const CQVRegClass& reg, const ICountryCodes* countryCodes);
    ~CComposeParts();
    CComposeParts(const CComposeParts&) = delete;
    CComposeParts& operator=(const CComposeParts&) = delete;

    // "QVShowAddressBook" opens the program's address book window from now on.
    void InstallAddressBook(CMgmtGUI& gui);

    CWABManager& Wab() { return m_wab; }
    CRememberedEntries& Remembered() { return m_remembered; }
    const INumberConverter& Converter() const { return *m_converter; }

private:
    std::unique_ptr<INumberConverter> m_converter;
    CWABManager m_wab;
    CRememberedEntries m_remembered;
};

// What a new compose dialog of the application uses. Called on the GUI thread once per dialog.
ComposeServices MakeComposeServices(CTidewellWindowsApp& app);
