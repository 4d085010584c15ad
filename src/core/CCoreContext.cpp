#include "core/CCoreContext.h"

#include "core/CLocalAddress.h"
#include "language/CLangTranslator.h"
#include "log/LogManager.h"
#include "messages/CMMSRecord.h"
#include "messages/CMgmtMessages.h"
#include "messages/CSMSRecord.h"
#include "platform/MsgBox.h"

#include <cstdio>
#include <random>
#include <utility>

namespace {

void ReplaceAll(std::string& text, const std::string& token, const std::string& value) {
    for (std::size_t at = text.find(token); at != std::string::npos;
         at = text.find(token, at + value.size())) {
        text.replace(at, token.size(), value);
    }
}

} // namespace

CCoreContext::CCoreContext(std::shared_ptr<ICoreSettings> settings,
                           std::shared_ptr<CMgmtMessages> store,
                           std::shared_ptr<const CLangTranslator> translator,
                           std::string productName, std::string applicationId,
                           std::string accountsKey, std::shared_ptr<IClientCore> core,
                           CoreOptions options)
    : m_settings(std::move(settings)), m_store(std::move(store)),
      m_translator(std::move(translator)), m_productName(std::move(productName)),
      m_applicationId(std::move(applicationId)), m_accountsKey(std::move(accountsKey)),
      m_core(std::move(core)), m_options(std::move(options)) {}

std::string CCoreContext::Translate(const std::string& key, const std::string& defaultText) const {
    if (m_translator != nullptr) {
        return m_translator->Translate(key, defaultText);
    }
    std::string text = defaultText;
    ReplaceAll(text, "<newline>", "\n");
    ReplaceAll(text, "<appname>", m_productName);
    return text;
}

std::string CCoreContext::CutIdentityText(const std::string& text) {
    if (text.size() <= kIdentityLength) {
        return text;
    }
    std::size_t end = kIdentityLength;
    // Step back over continuation bytes so that no character is cut in half.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

void CCoreContext::LoadIdentity() {
    CoreIdentity identity;
    identity.accountId = CutIdentityText(m_settings->GetDefaultAccount());
    identity.msisdnOriginator = CutIdentityText(m_settings->GetMsisdnOriginator());
    identity.language = CutIdentityText(m_settings->GetLanguage());
    identity.ipAddress = CutIdentityText(
        m_options.localAddress != nullptr ? *m_options.localAddress : CLocalAddress::Lookup());
    std::lock_guard<std::mutex> guard(m_identityLock);
    m_identity = std::move(identity);
}

CoreIdentity CCoreContext::Identity() const {
    std::lock_guard<std::mutex> guard(m_identityLock);
    return m_identity;
}

void CCoreContext::SetAccountIdentity(const std::string& accountId,
                                      const std::string& msisdnOriginator) {
    std::lock_guard<std::mutex> guard(m_identityLock);
    m_identity.accountId = CutIdentityText(accountId);
    m_identity.msisdnOriginator = CutIdentityText(msisdnOriginator);
}

bool CCoreContext::OpenInternet() {
    std::lock_guard<std::mutex> guard(m_internetLock);
    m_internet = m_options.connectivity != nullptr ? m_options.connectivity
                                                   : std::make_shared<CConnectivity>();
    return m_internet != nullptr;
}

void CCoreContext::CloseInternet() {
    std::lock_guard<std::mutex> guard(m_internetLock);
    m_internet.reset();
}

bool CCoreContext::IsInternetAvalible(bool* modem) {
    const char* const where = "CMgmtCore::IsInternetAvalible";
    Log(where, "Enter", LOG_CAT_CORE, LOG_SEV_TRACE);
    std::shared_ptr<CConnectivity> internet;
    {
        std::lock_guard<std::mutex> guard(m_internetLock);
        internet = m_internet;
    }
    if (internet == nullptr) {
        Log(where,
            "Error: Cannot proceed with internet avalibility check due to previous failure to "
            "initialize Wininet.dll. Internet access is concidered unavalible.",
            LOG_CAT_CORE, LOG_SEV_ERROR);
        if (modem != nullptr) {
            *modem = false;
        }
        m_internetAvailable = false;
        return false;
    }
    CConnectivity::State state = internet->Query();
    if (modem != nullptr) {
        *modem = state.modem;
    }
    if (state.connected) {
        m_internetAvailable = true;
        return true;
    }
    Log(where, "InternetGetConnectedState reports no internet connection", LOG_CAT_CORE,
        LOG_SEV_ERROR, true);
    m_internetAvailable = false;
    return false;
}

std::string CCoreContext::TruncateModeText(std::int32_t truncateMode) {
    if (truncateMode == 0 || truncateMode == 2) {
        return "reject";
    }
    return m_settings->GetSplitUpType() != 0 ? "concat" : "split";
}

bool CCoreContext::SendMessage(CSMSRecord& record) {
    const char* const where = "CMgmtCore::CORE_SendMessage";
    Log(where, "Enter", LOG_CAT_CORE, LOG_SEV_TRACE);
    try {
        CoreIdentity identity = Identity();
        std::string recipients = record.GetRecipients(',');
        std::string truncateMode = TruncateModeText(record.TruncateMode);
        char guid[QV_GUID_BUFFER_SIZE] = {};
        if (IsSendKey(record.GUID)) {
            record.GUID.copy(guid, QV_GUID_BUFFER_SIZE - 1);
        }

        QVSendRequest request{};
        request.size = static_cast<std::int32_t>(sizeof(QVSendRequest));
        request.accountId = record.AccountID.c_str();
        request.applicationId = m_applicationId.c_str();
        request.language = identity.language.c_str();
        request.ipAddress = identity.ipAddress.c_str();
        request.messageText = record.MessageText.c_str();
        request.recipients = recipients.c_str();
        request.originator = record.Originator.c_str();
        request.truncateMode = truncateMode.c_str();
        request.flashMode = record.FlashMode.c_str();
        request.guidBuffer = guid;
        request.guidBufferSize = QV_GUID_BUFFER_SIZE;

        char head[512];
        int n = std::snprintf(head, sizeof(head),
                              "Calling QVSendMessage with the following data:\nAccountID = "
                              "%s\nApplicationID = %s\nLanguage = %s\nIP address = "
                              "%s\nOriginator = %s\nTruncateMode = %s\nFlashMode = %s",
                              record.AccountID.c_str(), m_applicationId.c_str(),
                              identity.language.c_str(), identity.ipAddress.c_str(),
                              record.Originator.c_str(), truncateMode.c_str(),
                              record.FlashMode.c_str());
        std::string message = n >= 0 ? std::string(head) : std::string();
        message += "\nRecipients = " + recipients + "\nMessage text = " + record.MessageText;
        Log(where, message, LOG_CAT_CORE, LOG_SEV_TRACE);

        if (m_core->SendMessage(&request) != 1) {
            Log(where, "Error: Call to QVSendMessage failed", LOG_CAT_CORE, LOG_SEV_ERROR);
            return false;
        }
        guid[QV_GUID_BUFFER_SIZE - 1] = '\0';
        record.GUID = guid;
        record.Status = MSGSTATUS_AWAITING_ID;
        ++handedOver;
        return true;
    } catch (...) {
        Log(where, "Error: Unknown exception caught", LOG_CAT_CORE, LOG_SEV_ERROR);
        return false;
    }
}

std::string CCoreContext::NewSendKey() {
    thread_local std::mt19937_64 rng{std::random_device{}()};
    std::uint64_t hi = rng();
    std::uint64_t lo = rng();
    hi = (hi & 0xFFFFFFFFFFFF0FFFull) | 0x0000000000004000ull; // version 4
    lo = (lo & 0x3FFFFFFFFFFFFFFFull) | 0x8000000000000000ull; // RFC 4122 variant
    char text[40];
    std::snprintf(text, sizeof text, "%08x-%04x-%04x-%04x-%012llx", static_cast<unsigned>(hi >> 32),
                  static_cast<unsigned>((hi >> 16) & 0xFFFF), static_cast<unsigned>(hi & 0xFFFF),
                  static_cast<unsigned>(lo >> 48),
                  static_cast<unsigned long long>(lo & 0xFFFFFFFFFFFFull));
    return text;
}

bool CCoreContext::IsSendKey(const std::string& text) {
    if (text.size() != QV_GUID_BUFFER_SIZE - 1) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (dash ? c != '-' : !hex) {
            return false;
        }
    }
    return true;
}

void CCoreContext::ConfirmWhenSaved(std::int32_t code, const std::string& guid) {
    if (guid.empty()) {
        return;
    }
    const std::uint64_t generation = m_store->ChangeGeneration();
    {
        std::lock_guard<std::mutex> guard(m_confirmLock);
        if (m_store->SavedGeneration() < generation) {
            m_pendingConfirms.push_back({code, guid, generation});
            return;
        }
    }
    m_core->ConfirmEvent(code, guid.c_str());
}

void CCoreContext::OnStoreSaved(std::uint64_t savedGeneration) {
    std::vector<PendingConfirm> ready;
    {
        std::lock_guard<std::mutex> guard(m_confirmLock);
        auto keep = m_pendingConfirms.begin();
        for (auto& pending : m_pendingConfirms) {
            if (pending.generation <= savedGeneration) {
                ready.push_back(std::move(pending));
            } else {
                *keep++ = std::move(pending);
            }
        }
        m_pendingConfirms.erase(keep, m_pendingConfirms.end());
    }
    for (const PendingConfirm& pending : ready) {
        m_core->ConfirmEvent(pending.code, pending.guid.c_str());
    }
}

void CCoreContext::FlushAndConfirm() {
    if (!m_store->Flush()) {
        return; // not on disk: the core posts them again at the next start
    }
    OnStoreSaved(m_store->SavedGeneration());
}

void CCoreContext::ForgetUnknownAccount(const std::string& accountId) {
    if (accountId.empty() || accountId != Identity().accountId) {
        return;
    }
    Log("CMgmtCore::ForgetUnknownAccount",
        "The service does not know the account \"" + accountId +
            "\"; the first-start signup is offered again",
        LOG_CAT_CORE, LOG_SEV_ERROR);
    m_settings->SetDefaultAccount("");
    SetAccountIdentity("", "");
}

bool CCoreContext::SendMMSMessage(CMMSRecord& /*record*/) {
    Log("CMgmtCore::CORE_SendMMSMessage", "Enter", LOG_CAT_CORE, LOG_SEV_TRACE);
    return false;
}

win::HWND CCoreContext::MessageBoxOwner() const {
    std::string title = Translate("MessageFolder.txtDialogName", "Message Folders");
    return title.empty() ? win::HWND_DESKTOP : win::FindWindow("", title);
}

int CCoreContext::ShowMessageBox(const std::string& text, unsigned type) {
    return win::MessageBox(MessageBoxOwner(), text, Translate("TWD.AppName", m_productName), type);
}
