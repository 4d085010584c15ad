#include "app/OptionsWiring.h"

#include "app/CTidewellWindowsApp.h"
#include "app/ComposeWiring.h"
#include "compose/CDllHandler.h"
#include "core/CMgmtCore.h"

OptionsServices MakeOptionsServices(CTidewellWindowsApp& app) {
    OptionsServices services;
    services.reg = &app.Reg();
    services.countryCodes = app.CountryCodes();
    services.manageTemplates = TemplateManager(app);
    services.startWithDesktop = app.StartWithDesktopHook();
    if (CMgmtCore* core = app.Core()) {
        services.registerEx = [core] { return core->CORE_RegisterEx(); };
        services.changeAccountDetails = [core](const std::string& email) {
            return core->CORE_ChangeAccountDetails(email);
        };
    }
    return services;
}
