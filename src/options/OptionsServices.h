// Everything the options window uses outside itself, handed over at creation: the settings,
// the country-code library, the template manager, and the two account requests to the core.
// The application fills it; tests fill it with their own parts. An empty function or a null
// pointer means "not available": the matching control is disabled or the step skipped.
#pragma once

#include <functional>
#include <string>

class CQVRegClass;
class ICountryCodes;
class QWidget;

struct OptionsServices {
    const CQVRegClass* reg = nullptr;
    // The country list and the home country; null leaves the country box empty.
    ICountryCodes* countryCodes = nullptr;
    // The template manager, run modally over the options; true when closed with OK.
    std::function<bool(QWidget* owner)> manageTemplates;
    // The core's account registration (the account options); true on success.
    std::function<bool()> registerEx;
    // Asks the core to change the account's reply e-mail address; true on success.
    std::function<bool(const std::string& email)> changeAccountDetails;
    // Applies "start with the desktop" (the desktop's autostart entry); true on success.
    // Without it the choice is only stored.
    std::function<bool(bool enabled)> startWithDesktop;
};
