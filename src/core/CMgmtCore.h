// The program's single bridge to the messaging client core. It runs two threads: the core
// thread, which owns the callback window "TWD_CORE_CALLBACK_WND" through which every core
// event arrives and is handled, one at a time; and the outbox monitor, which hands every due
// message of the outbox to the core. It keeps the identity texts (account id, MSISDN
// originator, language, local address) that every request carries.
//
// Construction blocks until the core has initialised; IsInitialised() then tells whether the
// core is usable (when it is not, the critical error has been shown and the program ends).
// Destruction stops the monitor, shuts the core down and ends the core thread.
#pragma once

#include "core/CCoreAccount.h"
#include "core/CCoreContext.h"
#include "core/CCoreSendResults.h"
#include "platform/Sync.h"

#include <atomic>
#include <memory>
#include <string>

class CMMSRecord;
class CSMSRecord;

class CMgmtCore {
public:
    // `accountsKey` is the edition's accounts key with its trailing separator. The manager
    // co-owns its dependencies, so a monitor thread left running after a stop time-out keeps
    // them alive.
    CMgmtCore(std::shared_ptr<ICoreSettings> settings, std::shared_ptr<CMgmtMessages> store,
              std::shared_ptr<const CLangTranslator> translator, std::string productName,
              std::string applicationId, std::string accountsKey, std::shared_ptr<IClientCore> core,
              CoreOptions options = {});
    ~CMgmtCore();
    CMgmtCore(const CMgmtCore&) = delete;
    CMgmtCore& operator=(const CMgmtCore&) = delete;

    bool IsInitialised() const { return m_context->initialised; }
    bool IsInternetAvalible(bool* modem = nullptr) { return m_context->IsInternetAvalible(modem); }
    // Makes the outbox monitor scan at once.
    void SignalOutboxUpdate();

    bool CORE_SendMessage(CSMSRecord& record) { return m_context->SendMessage(record); }
    bool CORE_SendMMSMessage(CMMSRecord& record) { return m_context->SendMMSMessage(record); }
    bool CORE_RegisterEx() { return m_account.CORE_RegisterEx(); }
    bool CORE_RequestAccountUpdate() { return m_account.CORE_RequestAccountUpdate(); }
    bool CORE_ChangeAccountDetails(const std::string& userEmail) {
        return m_account.CORE_ChangeAccountDetails(userEmail);
    }

    // Handler of WM_CORE_EVENT (core thread): `text` is the event's GUID text or null.
    // Always 0.
    win::LRESULT OnCoreMessage(win::WPARAM code, const char* text);

    win::HWND CallbackWindow() const { return m_callbackWindow; }
    // How many messages the core has accepted from this manager since it started.
    std::uint64_t HandedOver() const { return m_context->handedOver.load(); }
    // How many outbox scans the monitor has finished since it started.
    std::uint64_t ScansDone() const { return m_context->scansDone.load(); }
    CoreIdentity Identity() const { return m_context->Identity(); }
    bool InternetAvailable() const { return m_context->InternetAvailable(); }

private:
    win::DWORD ThreadProcCore();
    void ThreadSession();
    bool InitializeThread();
    bool StartCoreSession(const char* where);
    void StopCoreSession(const char* where);
    void UnInitializeThread();
    int OnQVShutdownID();

    std::shared_ptr<CCoreContext> m_context;
    CCoreSendResults m_results;
    CCoreAccount m_account;
    std::atomic<win::HWND> m_callbackWindow{0};
    std::unique_ptr<win::Thread> m_coreThread;
    std::unique_ptr<win::Thread> m_monitorThread;
};
