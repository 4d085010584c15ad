// Connects the compose dialog to the application's parts: settings, message store, template
// store, the address book and remembered entries, the country-code library, the reference
// map and the core manager.
#pragma once

#include "compose/ComposeServices.h"

class CTidewellWindowsApp;

// The template manager, run modally over its owner (empty without the template store); the
// compose dialog's template menu and the options window both open it.
std::function<bool(QWidget*)> TemplateManager(CTidewellWindowsApp& app);

// What a new compose dialog of the application uses. Called on the GUI thread once per dialog.
ComposeServices MakeComposeServices(CTidewellWindowsApp& app);
