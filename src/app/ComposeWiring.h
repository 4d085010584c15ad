// Connects the compose dialog to the application's parts: settings, message store, template
// store, recipients, reference map and core manager.
#pragma once

#include "compose/ComposeServices.h"

class CTidewellWindowsApp;

// What a new compose dialog of the application uses. Called on the GUI thread once per dialog.
ComposeServices MakeComposeServices(CTidewellWindowsApp& app);
