#include "app/ComposeWiring.h"

#include "app/CTidewellWindowsApp.h"
#include "app/log/LogManager.h"
#include "core/CMgmtCore.h"
#include "messages/CMgmtSMS.h"
#include "messages/CSMSRecord.h"

ComposeServices MakeComposeServices(CTidewellWindowsApp& app) {
    ComposeServices services;
    services.reg = &app.Reg();
    services.store = app.Store();
    services.templates = app.Templates();
    services.recipients = app.Recipients();
    services.lookupReference = [&app](std::uint32_t key, CSMSRecord& out) {
        return app.SMSRefGetGuid(key, out);
    };
    if (CMgmtCore* core = app.Core()) {
        services.accountId = [core] { return core->Identity().accountId; };
        services.internetAvailable = [core](bool* modem) {
            return core->IsInternetAvalible(modem);
        };
        services.wakeOutbox = [core] { core->SignalOutboxUpdate(); };
        services.requestAccountUpdate = [core] { core->CORE_RequestAccountUpdate(); };
    }
    services.attemptConnect = [] {
        // Connections are the desktop's business here; the monitor sends once one is up.
        Log("CDlgNewSMS::OnSendMessage", "Dial-up connection requested; left to the desktop",
            LOG_CAT_GUI, LOG_SEV_INFO);
    };
    return services;
}
