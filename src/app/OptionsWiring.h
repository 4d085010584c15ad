// Connects the options window to the application's parts: settings, the country-code
// library, the template manager and the core's two account requests.
#pragma once

#include "options/OptionsServices.h"

class CTidewellWindowsApp;

// What a new options window of the application uses. Called on the GUI thread once per window.
OptionsServices MakeOptionsServices(CTidewellWindowsApp& app);
