#include "app/ComposeWiring.h"

#include "app/CTidewellWindowsApp.h"
#include "compose/CDlgAddressBook.h"
#include "compose/CDllHandler.h"
#include "compose/CRememberedEntries.h"
#include "compose/CResolverRecipients.h"
#include "compose/CWABManager.h"
#include "core/CMgmtCore.h"
#include "gui/CDlgBase.h"
#include "log/LogManager.h"
#include "messages/CMgmtSMS.h"
#include "messages/CSMSRecord.h"
#include "templates/CDlgManageTemplate.h"

std::function<bool(QWidget*)> TemplateManager(CTidewellWindowsApp& app) {
    CTemplateHandler* templates = app.Templates();
    if (templates == nullptr) {
        return {};
    }
    return [templates, &app](QWidget* owner) {
        return CDlgManageTemplate::Run(*templates, app.Reg(), owner);
    };
}

ComposeServices MakeComposeServices(CTidewellWindowsApp& app) {
    ComposeServices services;
    services.reg = &app.Reg();
    services.store = app.Store();
    services.templates = app.Templates();
    services.manageTemplates = TemplateManager(app);
    CWABManager* wab = app.AddressBook();
    if (wab != nullptr && app.RememberedEntries() != nullptr) {
        auto recipients = std::make_shared<CResolverRecipients>(*wab, *app.RememberedEntries(),
                                                                app.CountryCodes());
        services.recipients = recipients;
        services.pickRecipients = [wab, recipients](QWidget* owner, const std::string& text,
                                                    std::vector<std::string>& entries) {
            std::vector<CWABRecord> contacts;
            std::vector<std::string> numbers;
            recipients->ResolveForPicker(text, contacts, numbers);
            if (!CDlgAddressBook::Run(*wab, contacts, numbers, owner)) {
                return false;
            }
            entries.clear();
            for (const CWABRecord& contact : contacts) {
                entries.push_back(contact.DisplayText());
            }
            entries.insert(entries.end(), numbers.begin(), numbers.end());
            return true;
        };
        services.showDetails = [wab](QWidget* owner, const std::string& entry) {
            CWABRecord record;
            if (wab->Lookup(entry, record)) {
                auto* dialog = qobject_cast<CDlgBase*>(owner);
                wab->Details(record, dialog != nullptr ? dialog->PlatformWindow() : 0);
            }
        };
    }
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
