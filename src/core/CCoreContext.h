// What the core manager's threads share: the dependencies (settings, message store,
// translator, client core), the identity texts every request carries, the four events and the
// connectivity check. The manager, its core thread and its outbox monitor co-own it, so a
// monitor thread that is left to end on its own after a stop time-out never touches anything
// that is gone.
#pragma once

#include "core/CConnectivity.h"
#include "core/IClientCore.h"
#include "core/ICoreSettings.h"
#include "platform/Sync.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CLangTranslator;
class CMgmtMessages;
class CMMSRecord;
class CSMSRecord;

// The identity texts, each at most 31 bytes.
struct CoreIdentity {
    std::string accountId;
    std::string msisdnOriginator;
    std::string language;
    std::string ipAddress;
};

struct CoreOptions {
    win::DWORD monitorIntervalMs = 20000;     // longest pause between two outbox scans
    win::DWORD monitorStopTimeoutMs = 5000;   // how long shutdown waits for the monitor
    win::DWORD coreShutdownTimeoutMs = 60000; // how long shutdown waits for event 99
    bool startMonitor = true;                 // false: no outbox monitor (handler tests)
    // The connectivity check; null uses the machine's interfaces and routes.
    std::shared_ptr<CConnectivity> connectivity;
    // Replaces the local address lookup when set (tests).
    std::shared_ptr<std::string> localAddress;
};

class CCoreContext {
public:
    static constexpr std::size_t kIdentityLength = 31;

    CCoreContext(std::shared_ptr<ICoreSettings> settings, std::shared_ptr<CMgmtMessages> store,
                 std::shared_ptr<const CLangTranslator> translator, std::string productName,
                 std::string applicationId, std::string accountsKey,
                 std::shared_ptr<IClientCore> core, CoreOptions options);
    CCoreContext(const CCoreContext&) = delete;
    CCoreContext& operator=(const CCoreContext&) = delete;

    ICoreSettings& Settings() { return *m_settings; }
    CMgmtMessages& Store() { return *m_store; }
    IClientCore& Core() { return *m_core; }
    const CLangTranslator* Translator() const { return m_translator.get(); }
    const std::string& ProductName() const { return m_productName; }
    const std::string& ApplicationId() const { return m_applicationId; }
    const std::string& AccountsKey() const { return m_accountsKey; }
    const CoreOptions& Options() const { return m_options; }

    // The text of `key` from the language tables, or `defaultText` ("<appname>" replaced).
    std::string Translate(const std::string& key, const std::string& defaultText) const;

    // Reads account id, MSISDN originator and language from the settings and looks up the
    // local address.
    void LoadIdentity();
    CoreIdentity Identity() const;
    // Replaces the account id and MSISDN originator (account data from the service).
    void SetAccountIdentity(const std::string& accountId, const std::string& msisdnOriginator);
    // The text cut to at most 31 bytes, never inside a UTF-8 character.
    static std::string CutIdentityText(const std::string& text);

    // Opens the connectivity check (the stand-in of the internet handle). False when there is
    // none.
    bool OpenInternet();
    void CloseInternet();
    bool IsInternetAvalible(bool* modem);
    bool InternetAvailable() const { return m_internetAvailable; }

    // Hands an SMS to the core. The record's GUID, when it is a well-formed GUID text, goes
    // in the GUID buffer as the send key: the core answers a key it has accepted before with
    // the same GUID and charges nothing. On acceptance the record carries the core's GUID and
    // MSGSTATUS_AWAITING_ID.
    bool SendMessage(CSMSRecord& record);
    // A fresh send key (a random GUID text of 36 characters).
    static std::string NewSendKey();
    static bool IsSendKey(const std::string& text);

    // Results and reports count as delivered once their effect is on disk: the core is told
    // so (ConfirmEvent) after the store's next save, or at once when nothing is pending.
    void ConfirmWhenSaved(std::int32_t code, const std::string& guid);
    // Save listener of the store: confirms everything that the saved generation covers.
    void OnStoreSaved(std::uint64_t savedGeneration);
    // Saves the store now and confirms every pending event (shutdown).
    void FlushAndConfirm();
    // The service no longer knows the current account: it is forgotten, so that the next
    // dialog request offers the first-start signup again.
    void ForgetUnknownAccount(const std::string& accountId);
    // MMS messages are not handed over: always false, so they stay in the outbox.
    bool SendMMSMessage(CMMSRecord& record);
    // The truncate mode text of a record's TruncateMode.
    std::string TruncateModeText(std::int32_t truncateMode);

    // An OK box with the application's caption, owned by the message folder dialog when it
    // is open.
    int ShowMessageBox(const std::string& text, unsigned type);
    win::HWND MessageBoxOwner() const;

    // Held by the outbox monitor from QVSendMessage until the new GUID is stored, and taken by
    // the send result handler before it looks the record up, so that a fast send result never
    // misses its record.
    std::mutex& SendLock() { return m_sendLock; }

    win::Event coreStop{false, false};
    win::Event coreReady{true, false};
    win::Event monitorStop{false, false};
    win::Event monitorUpdate{false, false};
    std::atomic<bool> initialised{false};
    std::atomic<bool> monitorStopRequested{false};
    std::atomic<std::uint64_t> handedOver{0}; // messages the core accepted
    std::atomic<std::uint64_t> scansDone{0};  // outbox scans the monitor finished

private:
    std::shared_ptr<ICoreSettings> m_settings;
    std::shared_ptr<CMgmtMessages> m_store;
    std::shared_ptr<const CLangTranslator> m_translator;
    std::string m_productName;
    std::string m_applicationId;
    std::string m_accountsKey;
    std::shared_ptr<IClientCore> m_core;
    CoreOptions m_options;

    mutable std::mutex m_identityLock;
    CoreIdentity m_identity;

    std::mutex m_internetLock;
    std::shared_ptr<CConnectivity> m_internet;
    std::atomic<bool> m_internetAvailable{false};

    std::mutex m_sendLock;

    struct PendingConfirm {
        std::int32_t code;
        std::string guid;
        std::uint64_t generation;
    };
    std::mutex m_confirmLock;
    std::vector<PendingConfirm> m_pendingConfirms;
};
