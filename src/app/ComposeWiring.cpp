#include "app/ComposeWiring.h"

#include "app/CTidewellWindowsApp.h"
#include "app/log/LogManager.h"
#include "compose/CAddressBookWindow.h"
#include "compose/CDlgAddressBook.h"
#include "compose/CResolverRecipients.h"
#include "compose/ICountryCodes.h"
#include "core/CMgmtCore.h"
#include "gui/CDlgBase.h"
#include "messages/CMgmtSMS.h"
#include "messages/CSMSRecord.h"

namespace {

class CountryCodeConverter : public INumberConverter {
public:
    explicit CountryCodeConverter(const ICountryCodes* codes) : m_codes(codes) {}
    std::string ConvertToMsisdn(const std::string& text) const override {
        return m_codes != nullptr ? m_codes->ConvertToMsisdn(text) : std::string();
    }

private:
    const ICountryCodes* m_codes;
};

} // namespace

CComposeParts::CComposeParts(const CQVRegClass& reg, const ICountryCodes* countryCodes)
    : m_converter(std::make_unique<CountryCodeConverter>(countryCodes)),
      m_remembered(CRememberedEntries::DefaultPath(reg)) {
    m_wab.SetNumberConverter(m_converter.get());
    m_wab.Initialize();
    m_remembered.Load();
}

CComposeParts::~CComposeParts() {
    m_remembered.Save();
    m_wab.Uninitialize();
    m_wab.SetNumberConverter(nullptr);
}

void CComposeParts::InstallAddressBook(CMgmtGUI& gui) {
    CAddressBookWindow::Install(gui, m_wab);
}

ComposeServices MakeComposeServices(CTidewellWindowsApp& app) {
    ComposeServices services;
    services.reg = &app.Reg();
    services.store = app.Store();
    services.templates = app.Templates();
    CComposeParts* parts = app.ComposeParts();
    std::shared_ptr<CResolverRecipients> recipients;
    if (parts != nullptr) {
        recipients = std::make_shared<CResolverRecipients>(parts->Wab(), parts->Remembered(),
                                                           &parts->Converter());
        services.recipients = recipients;
        services.pickRecipients = [parts, recipients](QWidget* owner, const std::string& text,
                                                      std::vector<std::string>& entries) {
            std::vector<CWABRecord> contacts;
            std::vector<std::string> numbers;
            recipients->ResolveForPicker(text, contacts, numbers);
            if (!CDlgAddressBook::Run(parts->Wab(), contacts, numbers, owner)) {
                return false;
            }
            entries.clear();
            for (const CWABRecord& contact : contacts) {
                entries.push_back(contact.DisplayText());
            }
            entries.insert(entries.end(), numbers.begin(), numbers.end());
            return true;
        };
        services.showDetails = [parts](QWidget* owner, const std::string& entry) {
            CWABRecord record;
            if (parts->Wab().Lookup(entry, record)) {
                auto* dialog = qobject_cast<CDlgBase*>(owner);
                parts->Wab().Details(record, dialog != nullptr ? dialog->PlatformWindow() : 0);
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
